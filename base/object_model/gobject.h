//===- gobject.h - Objects with weak smart pointers -------------*- C++ -*-===//
//
// GObject adds weak smart pointers to the run-time classes: every GPointer
// that refers to a GObject sits in the object's list of pointers, and when
// the object dies every one of them is cleared. An object can also hide
// itself from its pointers (enableSmartPointers(false)): the pointers then
// answer null until it is enabled again, while real_pointer() still names it.
//
// All list operations of all objects run under one process-wide recursive
// lock, so pointers to one object may be made, copied and dropped from
// several threads. Reading a pointer is not locked: a thread that reads a
// pointer must know that no other thread destroys the object meanwhile.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_GOBJECT_H
#define VYX_OBJECT_MODEL_GOBJECT_H

#include "object_model/rtti_object.h"
#include "vyx_base_export.h"

class GPointer;

/// A run-time class whose objects can be referred to by weak smart pointers
/// and condemned to deferred destruction. Registered as "GObject", without
/// builder.
class VYX_BASE_API GObject : public GRTTIObject {
  VYX_DECLARE_CLASS(GObject);

  GObject() = default;
  /// Copies the enabled flag, never the pointer list: every GPointer stays
  /// with the object it was linked to.
  GObject(const GObject &other);
  /// Takes the enabled flag of `other` and applies it to this object's own
  /// pointers; the pointer lists are not exchanged.
  GObject &operator=(const GObject &other);
  /// Clears every GPointer that refers to this object.
  ~GObject() override;

  /// Shows (true) or hides (false) this object to its smart pointers.
  virtual void enableSmartPointers(bool enable);
  bool isSmartPointersEnabled() const;
  /// Hands this object to SuspendedDestruction::Put.
  void condemn();

private:
  friend class GPointer;
  void applyEnabled(bool enable);

  GPointer *FirstPointer = nullptr;
  bool SmartPointersEnabled = true;
};

/// A weak pointer to a GObject: null after the object died, and null while
/// the object's smart pointers are disabled.
class VYX_BASE_API GPointer {
public:
  GPointer() = default;
  GPointer(GObject *object);
  GPointer(const GPointer &other);
  GPointer &operator=(const GPointer &other);
  GPointer &operator=(GObject *object);
  virtual ~GPointer();

  /// The object as seen by users: null while its smart pointers are
  /// disabled and after it died.
  GObject *pointer() const { return Pointer; }
  GObject *operator->() const { return Pointer; }
  GObject &operator*() const { return *Pointer; }
  operator GObject *() const { return Pointer; }
  /// The object referred to, null only after it died.
  GObject *real_pointer() const { return RealPointer; }
  explicit operator bool() const { return Pointer != nullptr; }
  bool operator!() const { return Pointer == nullptr; }

  /// Unlinks this pointer from its object's list and clears it.
  void remove_from_list();

  /// Called (under the smart-pointer lock) when the object dies, after this
  /// pointer has been taken off the object's list: clears every field.
  virtual void object_destroyed();
  /// Shows (true) or hides (false) the object through pointer().
  virtual void enable_pointer(bool enable);
  /// True when pointer() answers the object: pointer non-null, or no object.
  virtual bool pointer_enabled() const;

private:
  friend class GObject;
  void link(GObject *object);
  void unlink();

  GObject *Pointer = nullptr;
  GObject *RealPointer = nullptr;
  GPointer *Next = nullptr;
  GPointer *Previous = nullptr;
};

#endif // VYX_OBJECT_MODEL_GOBJECT_H
