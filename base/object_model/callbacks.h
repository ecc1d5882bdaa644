//===- callbacks.h - Lists of callbacks by reason ---------------*- C++ -*-===//
//
// A GCallBackList holds functions registered for a reason; announcing a
// reason calls every function registered for it or for GAnyReason. A reason
// is a value: a default-constructed reason takes its own address as value,
// so every static reason object is distinct from every other.
//
// A list takes no lock: registration and announcements happen on the thread
// that owns the announcing facility. A callback may attach or detach entries
// (also its own) while the list is being called.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_CALLBACKS_H
#define VYX_OBJECT_MODEL_CALLBACKS_H

#include "containers/tgvector.h"
#include "vyx_base_export.h"

#include <cstdint>

/// The reason of a callback: one pointer-sized value.
class VYX_BASE_API GCallBackReason {
public:
  /// A reason of its own: the value is this object's address.
  GCallBackReason() : Value(reinterpret_cast<intptr_t>(this)) {}
  constexpr GCallBackReason(long value) : Value(value) {}
  /// Copies carry the value of the original.
  constexpr GCallBackReason(const GCallBackReason &other) : Value(other.Value) {}
  GCallBackReason &operator=(const GCallBackReason &other) {
    Value = other.Value;
    return *this;
  }

  bool operator==(const GCallBackReason &other) const { return Value == other.Value; }
  bool operator!=(const GCallBackReason &other) const { return Value != other.Value; }
  intptr_t value() const { return Value; }

private:
  intptr_t Value;
};

/// The reason that stands for every reason (value 0x80000000).
extern VYX_BASE_API const GCallBackReason GAnyReason;

/// A list of (function, reason, user pointer) entries with registration
/// counts. Not copyable.
class VYX_BASE_API GCallBackList {
public:
  typedef void (*Function)(GCallBackReason reason, void *data, void *user);

  GCallBackList();
  ~GCallBackList();
  GCallBackList(const GCallBackList &) = delete;
  GCallBackList &operator=(const GCallBackList &) = delete;

  /// Registers f for reason r with user pointer u. Registering an entry
  /// again counts it; an entry for GAnyReason covers every reason of f and
  /// u, and replaces their entries when it is first made.
  void attach_callback(Function f, GCallBackReason r, void *u);
  /// Unregisters f for r and u (one count); GAnyReason removes every entry
  /// of f and u at once.
  void detach_callback(Function f, GCallBackReason r, void *u);
  /// Calls f(r, data, u) for every entry registered for r or GAnyReason,
  /// from the last entry to the first.
  void call(GCallBackReason r, void *data);

  /// Number of entries (distinct registrations).
  long getCount() const { return Entries.getCount(); }

private:
  struct Entry {
    Function Func;
    GCallBackReason Reason;
    void *User;
    int32_t Count;
  };

  long find(Function f, GCallBackReason r, void *u) const;

  TGVector<Entry> Entries{4};
};

#endif // VYX_OBJECT_MODEL_CALLBACKS_H
