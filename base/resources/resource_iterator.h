//===- resource_iterator.h - Walking the directories of a container -*- C++ -*-===//
//
// Three iterators walk one level of a container's directory tree: the
// subdirectories of a directory, the types of a directory, and the items of
// one type. Each starts at the last entry (the greatest name in byte order)
// and moves to the previous one, so a walk visits names in descending
// order:
//
//   for (GResourceTypeIterator type(file); type; ++type)
//     for (GResourceIterator item(file, type.name()); item; ++item)
//       use(item.name(), item.get(false));
//
// An iterator over a directory, type or file that does not exist is false at
// once with count 0. Iterators are built under the server's lock but walk
// without it: they stay valid only while the collection they walk is not
// changed. The forms taking a file accept any handle with get_file() and
// get_current_directory() (the handle layer's ResourceFile).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_ITERATOR_H
#define VYX_RESOURCES_RESOURCE_ITERATOR_H

#include "resources/resource_directory.h"
#include "resources/resource_full_name.h"
#include "resources/resource_path.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <concepts>

class GStreamable;
class ResourceFileServer;

namespace vyx {

/// A handle on a container: its server (null when detached) and its
/// current directory.
template <class File>
concept ResourceFileHandle = requires(const File &file) {
  { file.get_file() } -> std::convertible_to<ResourceFileServer *>;
  { file.get_current_directory() } -> std::convertible_to<const GResourcePath &>;
};

} // namespace vyx

/// Walks the subdirectories of one directory.
class VYX_BASE_API GResourceSubDirectoryIterator {
public:
  GResourceSubDirectoryIterator(ResourceFileServer *server, const GResourcePath &path);
  /// The handle's current directory.
  template <vyx::ResourceFileHandle File>
  explicit GResourceSubDirectoryIterator(const File &file)
      : GResourceSubDirectoryIterator(file.get_file(), file.get_current_directory()) {}
  template <vyx::ResourceFileHandle File>
  GResourceSubDirectoryIterator(const File &file, const GResourcePath &path)
      : GResourceSubDirectoryIterator(file.get_file(), path) {}

  explicit operator bool() const { return Index >= 0; }
  /// Moves to the previous entry.
  void operator++() { --Index; }
  void operator++(int) { --Index; }
  int count() const;
  /// The current directory's name.
  const GString &name() const;
  GResourceDirectory *directory() const;

private:
  ResourceFileServer *Server = nullptr;
  GResourceDirectoryList *List = nullptr;
  long Index = -1;
};

/// Walks the types of one directory.
class VYX_BASE_API GResourceTypeIterator {
public:
  GResourceTypeIterator(ResourceFileServer *server, const GResourcePath &path);
  template <vyx::ResourceFileHandle File>
  explicit GResourceTypeIterator(const File &file)
      : GResourceTypeIterator(file.get_file(), file.get_current_directory()) {}
  template <vyx::ResourceFileHandle File>
  GResourceTypeIterator(const File &file, const GResourcePath &path)
      : GResourceTypeIterator(file.get_file(), path) {}

  explicit operator bool() const { return Index >= 0; }
  void operator++() { --Index; }
  void operator++(int) { --Index; }
  int count() const;
  /// The current type's name.
  const GString &name() const;

private:
  ResourceFileServer *Server = nullptr;
  GResourceDirectory *Directory = nullptr;
  long Index = -1;
};

/// Walks the items of one type.
class VYX_BASE_API GResourceIterator {
public:
  GResourceIterator(ResourceFileServer *server, const GResourcePath &path, const GString &type);
  /// The path and type of `name` (its item name is not used).
  GResourceIterator(ResourceFileServer *server, const GResourceFullName &name)
      : GResourceIterator(server, name.get_path(), name.get_type()) {}
  /// That type in the handle's current directory.
  template <vyx::ResourceFileHandle File>
  GResourceIterator(const File &file, const GString &type)
      : GResourceIterator(file.get_file(), file.get_current_directory(), type) {}
  template <vyx::ResourceFileHandle File>
  GResourceIterator(const File &file, const GResourceFullName &name)
      : GResourceIterator(file.get_file(), name.get_path(), name.get_type()) {}

  explicit operator bool() const { return Index >= 0; }
  void operator++() { --Index; }
  void operator++(int) { --Index; }
  int count() const;
  /// The current item's name.
  const GString &name() const;
  /// Reads the current item as ResourceFileServer::get does (under the
  /// server's lock).
  GStreamable *get(bool keep) const;
  /// The current item's cached object, or null.
  GStreamable *get_loaded() const;

private:
  ResourceFileServer *Server = nullptr;
  ResourceCollection *Items = nullptr;
  long Index = -1;
};

#endif // VYX_RESOURCES_RESOURCE_ITERATOR_H
