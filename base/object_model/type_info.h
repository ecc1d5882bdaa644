//===- type_info.h - Type identities of run-time classes --------*- C++ -*-===//
//
// The library's own type identity. Every run-time class owns one static
// type_info built from its class name; identity is the object's address, so
// two classes with the same name in different modules stay distinct types.
// Names that are known only as text (read from a stream, say) get one shared
// identity each through GetDynamicTypeInfo.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_TYPE_INFO_H
#define VYX_OBJECT_MODEL_TYPE_INFO_H

#include "vyx_base_export.h"

#include <functional>

/// The type identity of one run-time class. Static instances are constant
/// initialised, so they are usable by any static initialiser of any module.
class VYX_BASE_API type_info {
public:
  constexpr explicit type_info(const char *name) : Name(name) {}
  type_info(const type_info &) = delete;
  type_info &operator=(const type_info &) = delete;

  /// The class name (static storage).
  const char *name() const { return Name; }

  bool operator==(const type_info &other) const { return this == &other; }
  bool operator!=(const type_info &other) const { return this != &other; }
  /// A total order by address.
  bool before(const type_info &other) const { return std::less<const type_info *>()(this, &other); }

  /// The one type_info held for `name` in a process-wide table, created on
  /// first request: the same name always yields the same object. A null name
  /// is treated as "". Thread-safe.
  static const type_info &GetDynamicTypeInfo(const char *name);

private:
  const char *Name;
};

#endif // VYX_OBJECT_MODEL_TYPE_INFO_H
