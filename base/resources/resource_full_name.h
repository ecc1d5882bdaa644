//===- resource_full_name.h - Addresses of objects in resource containers -*- C++ -*-===//
//
// GResourceFullName addresses one stored object of a resource container:
// the directory path, the item name and the type name. All three are
// case-sensitive.
//
// Text form: the path's text form, the item name, a comma and the type name
// ("a\b\Rock,Image"; "Rock,Image" in the root). Reading takes the whole text
// as a path; when its last component holds a comma, that component becomes
// the item name (before the first comma) and the type name (after it).
//
// Stream form:
//   byte 0 (reserved), GResourcePath, item name GString, type name GString
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_FULL_NAME_H
#define VYX_RESOURCES_RESOURCE_FULL_NAME_H

#include "resources/resource_path.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

/// Directory path, item name and type name of a stored object.
class VYX_BASE_API GResourceFullName {
public:
  GResourceFullName() = default;
  GResourceFullName(const GResourcePath &path, const GString &name, const GString &type)
      : Path(path), Name(name), Type(type) {}

  const GResourcePath &get_path() const { return Path; }
  void set_path(const GResourcePath &path) { Path = path; }
  const GString &get_name() const { return Name; }
  void set_name(const GString &name) { Name = name; }
  const GString &get_type() const { return Type; }
  void set_type(const GString &type) { Type = type; }

  /// Path, item name and type name all empty.
  bool is_empty() const { return Path.is_empty() && Name.isEmpty() && Type.isEmpty(); }
  void empty();

  bool operator==(const GResourceFullName &other) const {
    return Name == other.Name && Type == other.Type && Path == other.Path;
  }
  bool operator!=(const GResourceFullName &other) const { return !(*this == other); }

  /// "a\b\Rock,Image".
  GString get_readable_form() const;
  /// See the file comment: a text whose last component has no comma is a
  /// path only, and the item and type names keep their values.
  void parse_readable_form(const GString &text);

private:
  GResourcePath Path;
  GString Name;
  GString Type;
};

VYX_BASE_API opstream &operator<<(opstream &os, const GResourceFullName &name);
/// A failed read throws NonZeroPStreamState_Exception and leaves `name`
/// unchanged.
VYX_BASE_API ipstream &operator>>(ipstream &is, GResourceFullName &name);

#endif // VYX_RESOURCES_RESOURCE_FULL_NAME_H
