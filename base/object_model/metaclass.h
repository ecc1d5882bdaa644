//===- metaclass.h - Run-time class descriptors and the registry -*- C++ -*-===//
//
// A GMetaClass describes one run-time class: its type identity, its name,
// how to build and destroy an object of it, its direct bases and the module
// that registered it. Every metaclass registers itself by name in the
// process-wide class registry when it is constructed and unregisters when it
// dies, so a class is findable by name exactly while its module is loaded.
//
// The registry is created by the first registration and deleted with the
// last; it rests on constant-initialised state only, so metaclasses of any
// shared library may register from their static initialisers in any order.
// Registration is not locked: it happens while modules load, which the
// loader serialises.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_METACLASS_H
#define VYX_OBJECT_MODEL_METACLASS_H

#include "object_model/type_info.h"
#include "platform/module_handle.h"
#include "vyx_base_export.h"

#include <cstdint>

class GRTTIObject;
class GClassDictionary;

/// The run-time descriptor of a class, or an alias that registers an old
/// class name for a class.
class VYX_BASE_API GMetaClass {
public:
  typedef GRTTIObject *(*Builder)();
  typedef void (*Destroyer)(GRTTIObject *);

  /// A class with at most one direct base; a null base makes a root class.
  /// `module` is the address of the registering module's handle variable,
  /// read whenever the module is asked for.
  GMetaClass(HINSTANCE *module, const type_info &type, const char *name, Builder builder,
             Destroyer destroyer, const GMetaClass *base);
  /// A class with `count` direct bases, given as `const GMetaClass *`
  /// arguments after the count. A count of 0 or less reads no argument.
  GMetaClass(HINSTANCE *module, const type_info &type, const char *name, Builder builder,
             Destroyer destroyer, int count, ...);
  /// An alias: registers the old class name `name` for the class `current`.
  /// An alias reads nothing of `current` while it is built, so it may be
  /// defined in any translation unit.
  GMetaClass(const GMetaClass &current, const char *name);
  GMetaClass(const GMetaClass &current, const char *name, Builder builder, Destroyer destroyer);
  GMetaClass(const GMetaClass &) = delete;
  GMetaClass &operator=(const GMetaClass &) = delete;
  /// Unregisters (only if the registry entry is this very object) and
  /// deletes the registry when it becomes empty.
  ~GMetaClass();

  /// The registered name (an alias's old name).
  const char *getName() const { return Name; }
  /// True for an alias.
  bool isOldClass() const { return AncestorCount < 0; }
  /// The real class: an alias's class, otherwise this metaclass.
  const GMetaClass *getClassIdentifier() const {
    const GMetaClass *m = this;
    while (m->AncestorCount < 0)
      m = m->SingleAncestor;
    return m;
  }

  // These answer for the class identifier.
  const type_info *getTypeInfo() const { return getClassIdentifier()->Type; }
  Builder getBuilder() const { return getClassIdentifier()->ClassBuilder; }
  Destroyer getDestroyer() const { return getClassIdentifier()->ClassDestroyer; }
  long getAncestorsCount() const { return getClassIdentifier()->AncestorCount; }
  HINSTANCE getModule() const;
  /// Direct base `i`, null when `i` is outside 0 to count-1.
  const GMetaClass *getAncestor(long i) const;

  /// Equal when both stand for the same class (an alias equals its class).
  bool operator==(const GMetaClass &other) const {
    return getClassIdentifier() == other.getClassIdentifier();
  }
  bool operator!=(const GMetaClass &other) const { return !(*this == other); }

  /// The class identifier of `m` when this class is `m` or derives from it,
  /// else null.
  const GMetaClass *isKindOf(const GMetaClass &m) const;
  const GMetaClass *isKindOf(const GMetaClass *m) const { return m ? isKindOf(*m) : nullptr; }
  /// `m` when it is one of the direct bases of this class, else null.
  const GMetaClass *getBaseDerivedFrom(const GMetaClass &m) const;

  /// Empties `d`, then fills it with the direct bases of this class, or with
  /// every class it derives from when `recursive` is set.
  void getBaseClasses(GClassDictionary &d, bool recursive) const;
  /// Fills `d` with the registered classes (never aliases) derived directly
  /// from this class, or derived at any depth when `recursive` is set.
  void getDerivedClasses(GClassDictionary &d, bool recursive) const;

  /// A new object from the builder, or null for a class without builder.
  GRTTIObject *buildObject() const;
  /// Destroys `p` with the destroyer, or with delete when there is none;
  /// nothing for null.
  void destroyObject(GRTTIObject *p) const;

  /// Does nothing; calling it makes a module reference this metaclass.
  void touch() const {}

  /// Number of registered entries (classes and aliases).
  static long GetCount();
  /// Registry entry `i` in registry order, null outside 0 to count-1.
  static const GMetaClass *At(long i);
  /// The entry registered under `name` (may be an alias); null for a null or
  /// unknown name.
  static const GMetaClass *FindByName(const char *name);
  /// The registered class whose type is `type`, searching from the last
  /// entry to the first; null when none. Always a class, never an alias.
  static const GMetaClass *FindByTypeInfo(const type_info &type);
  /// FindByName, then buildObject; null when either fails.
  static GRTTIObject *BuildByName(const char *name);
  /// Copies the whole registry into `d` (empties `d` when there is none).
  static void GetApplicationClasses(GClassDictionary &d);

private:
  void registerClass();
  static const GMetaClass *findBase(const GMetaClass *self, const GMetaClass *target);
  void collectBases(GClassDictionary &d, bool recursive) const;

  const type_info *Type;
  const char *Name;
  Builder ClassBuilder;
  Destroyer ClassDestroyer;
  /// The single base (or an alias's class) when AncestorCount <= 1.
  const GMetaClass *SingleAncestor = nullptr;
  /// Owned array of the bases when AncestorCount > 1.
  const GMetaClass **AncestorArray = nullptr;
  int32_t AncestorCount = 0;
  HINSTANCE *Module;
};

#endif // VYX_OBJECT_MODEL_METACLASS_H
