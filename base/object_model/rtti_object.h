//===- rtti_object.h - Root of the run-time classes -------------*- C++ -*-===//
//
// GRTTIObject is the root of every class that takes part in the library's
// run-time type system, and this header carries the macros that declare such
// a class. A participating class has:
//   - a static `type_info gTypeInfo_` built from its class name,
//   - a static `GMetaClass metaclass_` that registers the class by name with
//     its module, builder, destroyer and direct bases,
//   - overrides of getMetaClass(), getTypeInfo_() and cast_to_(t), where
//     cast_to_ returns this object for its own type and otherwise asks each
//     direct base in turn,
//   - for a class that can be built by name, static ClassBuilder_() and
//     ClassDestroyer_().
//
// Usage (the header declares, one source file implements):
//
//   class Shape : public GObject {            // abstract: no builder
//     VYX_DECLARE_CLASS(Shape);
//     ...
//   };
//   class Circle : public Shape {             // buildable by name
//     VYX_DECLARE_CLASS(Circle);
//     ...
//   };
//   class Labelled : public Circle, public Tagged {   // two bases
//     VYX_DECLARE_CLASS(Labelled);
//   };
//
//   // shape.cpp (the module argument is the address of the module's handle
//   // variable: &vyx::BaseModuleHandle inside VYX_BASE)
//   VYX_IMPLEMENT_ABSTRACT_CLASS(Shape, "Shape", &MyModuleHandle, GObject)
//   VYX_IMPLEMENT_CLASS(Circle, "Circle", &MyModuleHandle, Shape)
//   VYX_IMPLEMENT_CLASS(Labelled, "Labelled", &MyModuleHandle, Circle, Tagged)
//   VYX_IMPLEMENT_ALIAS(Circle, "OldCircle");  // old name still read
//
// VYX_DECLARE_CLASS leaves the class body in a public section. A buildable
// class needs a public or accessible default constructor. The name must be a
// string literal (it is kept by pointer).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_RTTI_OBJECT_H
#define VYX_OBJECT_MODEL_RTTI_OBJECT_H

#include "object_model/metaclass.h"
#include "object_model/type_info.h"
#include "platform/module_handle.h"
#include "vyx_base_export.h"

#include <type_traits>

class GString;

/// Root of the run-time classes. It has no data; its static metaclass
/// registers "GRTTIObject" as a root class without builder.
class VYX_BASE_API GRTTIObject {
public:
  static const type_info gTypeInfo_;
  static const GMetaClass metaclass_;

  GRTTIObject() = default;
  GRTTIObject(const GRTTIObject &) = default;
  GRTTIObject &operator=(const GRTTIObject &) = default;
  virtual ~GRTTIObject();

  virtual const GMetaClass &getMetaClass() const;
  virtual const type_info &getTypeInfo_() const;
  /// This object seen as the class of `t` (the pointer adjusted to that
  /// base), or null when the object is not of that class.
  virtual void *cast_to_(const type_info &t) const;

  const char *getClassName() const { return getMetaClass().getName(); }
  /// False for null; otherwise true when this object is of class `m` or of
  /// a class derived from it.
  bool isKindOf(const GMetaClass *m) const;
  /// The same with the class registered under `name`.
  bool isKindOf(const char *name) const;
  /// Metaclass equality; false for null or an unknown name.
  bool hasTheSameClassAs(const GMetaClass *m) const;
  bool hasTheSameClassAs(const GRTTIObject *o) const;
  bool hasTheSameClassAs(const char *name) const;
  /// Destroys this object through its metaclass (destroyer or delete).
  void destroyThis();
  /// The handle of the module that registered this object's class.
  HINSTANCE hinstance() const { return getMetaClass().getModule(); }
  /// Loads text `id` of that module's table into `s`; false when absent.
  bool load_string(GString &s, unsigned id) const;
};

/// Returns `p` when it is not null; throws bad_cast otherwise. Casts to
/// references go through it, since cast_to_ yields null for a wrong class.
VYX_BASE_API void *check_ptr_for_typesafe_cast_(void *p);

namespace vyx {
namespace detail {

template <class From, class To>
using CopyConst = std::conditional_t<std::is_const_v<From>, const To, To>;

/// cast_to_ of a class with several direct bases: asks each base in order
/// and returns the first answer.
template <class Class, class... Bases> void *CastToBases(const Class *self, const type_info &t) {
  void *result = nullptr;
  ((result = static_cast<const Bases *>(self)->Bases::cast_to_(t)) || ...);
  return result;
}

/// A new object seen as a GRTTIObject. A class with one GRTTIObject base
/// converts directly (cast_to_ would walk its bases to the same answer); one
/// with several (at any depth) is asked through cast_to_, so that it
/// converts through its first base, as its casts do.
template <class Class> GRTTIObject *BuildAsRTTIObject() {
  Class *object = new Class;
  if constexpr (std::is_convertible_v<Class *, GRTTIObject *>)
    return object;
  else
    return static_cast<GRTTIObject *>(object->cast_to_(GRTTIObject::gTypeInfo_));
}

/// The metaclass of a class with the given direct bases.
template <class... Bases>
GMetaClass MakeMetaClass(HINSTANCE *module, const type_info &type, const char *name,
                         GMetaClass::Builder builder, GMetaClass::Destroyer destroyer) {
  if constexpr (sizeof...(Bases) == 1)
    return GMetaClass(module, type, name, builder, destroyer, &Bases::metaclass_...);
  else
    return GMetaClass(module, type, name, builder, destroyer, static_cast<int>(sizeof...(Bases)),
                      &Bases::metaclass_...);
}

} // namespace detail

/// Typed cast along the run-time classes: `p` seen as a T, or null when `p`
/// is null or not of class T. Works across multiple inheritance (the
/// result is the correctly adjusted base pointer).
template <class T, class U> detail::CopyConst<U, T> *rtti_cast(U *p) {
  if (!p)
    return nullptr;
  return static_cast<detail::CopyConst<U, T> *>(p->cast_to_(T::gTypeInfo_));
}

/// Reference form: throws bad_cast when `r` is not of class T.
template <class T, class U> detail::CopyConst<U, T> &rtti_cast(U &r) {
  return *static_cast<detail::CopyConst<U, T> *>(
      check_ptr_for_typesafe_cast_(r.cast_to_(T::gTypeInfo_)));
}

} // namespace vyx

#define VYX_CONCAT_IMPL_(a, b) a##b
#define VYX_CONCAT_(a, b) VYX_CONCAT_IMPL_(a, b)

/// Declares the run-time class members inside the body of `Class`.
#define VYX_DECLARE_CLASS(Class)                                                                   \
public:                                                                                            \
  static const type_info gTypeInfo_;                                                               \
  static const GMetaClass metaclass_;                                                              \
  const GMetaClass &getMetaClass() const override { return metaclass_; }                           \
  const type_info &getTypeInfo_() const override { return gTypeInfo_; }                            \
  void *cast_to_(const type_info &t) const override;                                               \
  static GRTTIObject *ClassBuilder_();                                                             \
  static void ClassDestroyer_(GRTTIObject *p)

/// The type identity and cast_to_ of `Class` with direct bases `...`.
#define VYX_IMPLEMENT_CLASS_COMMON_(Class, Name, ...)                                              \
  constinit const type_info Class::gTypeInfo_(Name);                                               \
  void *Class::cast_to_(const type_info &t) const {                                                \
    if (t == gTypeInfo_)                                                                           \
      return const_cast<Class *>(this);                                                            \
    return ::vyx::detail::CastToBases<Class, __VA_ARGS__>(this, t);                                \
  }

/// Implements a class that can be built by name, registered as `Name` by
/// `Module` (address of the module-handle variable), with the direct bases
/// given after the module (one or more).
#define VYX_IMPLEMENT_CLASS(Class, Name, Module, ...)                                              \
  VYX_IMPLEMENT_CLASS_COMMON_(Class, Name, __VA_ARGS__)                                            \
  GRTTIObject *Class::ClassBuilder_() { return ::vyx::detail::BuildAsRTTIObject<Class>(); }        \
  void Class::ClassDestroyer_(GRTTIObject *p) { delete p; }                                        \
  const GMetaClass Class::metaclass_ = ::vyx::detail::MakeMetaClass<__VA_ARGS__>(                  \
      Module, Class::gTypeInfo_, Name, &Class::ClassBuilder_, &Class::ClassDestroyer_);

/// Implements an abstract class (registered without builder or destroyer).
#define VYX_IMPLEMENT_ABSTRACT_CLASS(Class, Name, Module, ...)                                     \
  VYX_IMPLEMENT_CLASS_COMMON_(Class, Name, __VA_ARGS__)                                            \
  const GMetaClass Class::metaclass_ = ::vyx::detail::MakeMetaClass<__VA_ARGS__>(                  \
      Module, Class::gTypeInfo_, Name, nullptr, nullptr);

/// Registers the old class name `OldName` for `Class` (at namespace scope).
#define VYX_IMPLEMENT_ALIAS(Class, OldName)                                                        \
  static const GMetaClass VYX_CONCAT_(vyxAliasMetaClass_, __LINE__)(Class::metaclass_, OldName)

#endif // VYX_OBJECT_MODEL_RTTI_OBJECT_H
