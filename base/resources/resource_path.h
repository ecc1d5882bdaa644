//===- resource_path.h - Directory paths inside resource containers -*- C++ -*-===//
//
// GResourcePath names a directory of a resource container by its component
// names, from the one directly below the root down; the empty path is the
// root. Names are case-sensitive byte strings: "Rock" and "rock" differ, and
// no component has a special meaning ("." and ".." are ordinary names).
//
// Paths are values with shared storage: copies, parent() and subpath() share
// one reference-counted array of components and differ only in the window
// (first index, count) they see of it; appending to a shared array first
// copies the visible components. A path may be handed between threads by
// value; one path object is not itself thread-safe.
//
// Text form: every component followed by a backslash ("a\b\" for a, b; the
// root is ""). Reading splits at backslashes and slashes and skips empty
// pieces, so "/a//b\" is a, b.
//
// Stream form:
//   byte 0 (reserved), word n (component count), n GString records
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_PATH_H
#define VYX_RESOURCES_RESOURCE_PATH_H

#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>
#include <vector>

class opstream;
class ipstream;

namespace vyx::detail {

/// The shared storage of paths: a reference count and the components.
struct ResourcePathArray {
  int32_t Refs = 1;
  std::vector<GString> Items;
};

} // namespace vyx::detail

/// The path of a directory inside a resource container.
class VYX_BASE_API GResourcePath {
public:
  /// The stream form counts components in 16 bits.
  static constexpr int MaxStoredCount = 0xFFFF;

  /// The root.
  GResourcePath() = default;
  GResourcePath(const GResourcePath &other);
  GResourcePath(GResourcePath &&other) noexcept;
  /// A path of exactly one component equal to `name` (never split).
  GResourcePath(const GString &name);
  ~GResourcePath() { release(); }

  GResourcePath &operator=(const GResourcePath &other);
  GResourcePath &operator=(GResourcePath &&other) noexcept;
  /// One component equal to `name`.
  GResourcePath &operator=(const GString &name);

  int getCount() const { return Count; }
  bool is_empty() const { return Count == 0; }
  /// Component i (0 <= i < getCount(), unchecked).
  const GString &operator[](int i) const { return Array->Items[First + i]; }
  /// The last component (the path must not be empty).
  const GString &last() const { return (*this)[Count - 1]; }

  /// The root; the storage is released.
  void empty();
  /// Appends every component of `other`; the root simply shares `other`.
  GResourcePath &operator+=(const GResourcePath &other);
  /// Appends one component, unchanged.
  GResourcePath &operator+=(const GString &name);
  /// Drops the last component; the root stays the root.
  void parent();
  /// Components first .. first + n - 1, clipped to the path; a negative
  /// first counts as 0; n <= 0 or first >= getCount() gives the root.
  GResourcePath subpath(int first, int n) const;
  /// Components from `first` to the end.
  GResourcePath subpath(int first) const { return subpath(first, 0x7FFFFFFF); }

  /// The number of leading components both paths share.
  int find_difference(const GResourcePath &other) const;
  bool operator==(const GResourcePath &other) const;
  bool operator!=(const GResourcePath &other) const { return !(*this == other); }
  /// `other` is a leading part of this path, which is longer (or, with
  /// `allow_equal`, of equal length).
  bool is_subdirectory(const GResourcePath &other, bool allow_equal) const;
  /// When `from` leads this path (or equals it), replaces that part by `to`
  /// and returns true; otherwise returns false and changes nothing.
  bool rename_path_from_root(const GResourcePath &from, const GResourcePath &to);

  /// "a\b\" for components a and b; "" for the root.
  GString get_readable_form() const;
  /// Splits `text` at backslashes and slashes, skipping empty pieces.
  void parse_readable_form(const GString &text);

private:
  void release();
  /// Makes the array private to this path with the visible components at
  /// index 0 and nothing behind them, ready for appending.
  void makeAppendable(std::size_t extra);

  vyx::detail::ResourcePathArray *Array = nullptr;
  int32_t First = 0;
  int32_t Count = 0;
};

/// Writes the stream form. A path of more components than the count field
/// holds is not written and sets write failure (bit 4).
VYX_BASE_API opstream &operator<<(opstream &os, const GResourcePath &path);
/// Reads the stream form; a failed read throws NonZeroPStreamState_Exception
/// and leaves `path` unchanged.
VYX_BASE_API ipstream &operator>>(ipstream &is, GResourcePath &path);

namespace vyx {

/// The order of names inside resource containers: unsigned byte order over
/// all bytes of both names, a shorter name before a longer one that it
/// begins. Negative, zero or positive.
VYX_BASE_API int CompareResourceNames(const GString &a, const GString &b);

} // namespace vyx

#endif // VYX_RESOURCES_RESOURCE_PATH_H
