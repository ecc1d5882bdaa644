//===- resource_directory.h - The directory tree of resource containers -*- C++ -*-===//
//
// The index of a resource container is a tree of GResourceDirectory nodes.
// A directory is a sorted collection of its types (ResourceTypeItem, each
// owning the ResourceCollection of its items) and owns a list of
// subdirectories (GResourceDirectoryList, created on first use). Every
// collection is sorted by name in byte order and holds no two equal names.
// Destroying a directory destroys its whole subtree.
//
// Stream forms (object bodies):
//
//   GResourceDirectory       byte 0; sorted-collection body whose items are
//                            a type name GString and a ResourceCollection
//                            pointer; the directory name GString; the
//                            subdirectory list pointer (null when none)
//   GResourceDirectoryList   byte 0; sorted-collection body whose items are
//                            GResourceDirectory pointers
//
// A directory stored under the old class name "ResourceTypeCollection" is
// only the sorted-collection body of its types: a root without
// subdirectories.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_DIRECTORY_H
#define VYX_RESOURCES_RESOURCE_DIRECTORY_H

#include "containers/sorted_collection.h"
#include "resources/resource_collection.h"
#include "resources/resource_path.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>

class GResourceDirectoryList;

/// A type of a directory: its name and its items (owned).
class VYX_BASE_API ResourceTypeItem {
public:
  /// No item collection (until one is read).
  ResourceTypeItem() = default;
  /// An empty item collection.
  explicit ResourceTypeItem(const GString &name);
  /// Deep copies: the copy owns copies of the items (without cached
  /// objects).
  ResourceTypeItem(const ResourceTypeItem &other);
  ResourceTypeItem &operator=(const ResourceTypeItem &other);
  ~ResourceTypeItem();

  const GString &get_name() const { return Name; }
  void set_name(const GString &name) { Name = name; }
  ResourceCollection *get_items() const { return Items; }
  /// Takes ownership of `items`, destroying the previous collection.
  void set_items(ResourceCollection *items);

private:
  GString Name;
  ResourceCollection *Items = nullptr;
};

/// A directory: its types, its name, its parent and its subdirectories.
/// Registered as "GResourceDirectory" (also read as
/// "ResourceTypeCollection").
class VYX_BASE_API GResourceDirectory : public GSortedCollection {
  VYX_DECLARE_CLASS(GResourceDirectory);

  /// An unnamed directory without parent (a root).
  GResourceDirectory();
  explicit GResourceDirectory(const GString &name, GResourceDirectory *parent = nullptr);
  GResourceDirectory(const GResourceDirectory &) = delete;
  GResourceDirectory &operator=(const GResourceDirectory &) = delete;
  /// Destroys the types and the whole subtree.
  ~GResourceDirectory() override;

  const GString &get_name() const { return Name; }
  void set_name(const GString &name) { Name = name; }
  GResourceDirectory *get_parent() const { return Parent; }
  void set_parent(GResourceDirectory *parent) { Parent = parent; }

  // Types.
  ResourceTypeItem *at(long i) const { return static_cast<ResourceTypeItem *>(GCollection::at(i)); }
  /// The type named `name`, or null.
  ResourceTypeItem *get_type(const GString &name) const;
  /// The type named `name`, created (with an empty item collection) when
  /// missing; `existed` tells which.
  ResourceTypeItem *create_type(const GString &name, bool &existed);
  /// Destroys the type with its items; false when absent.
  bool remove_type(const GString &name);

  // Subdirectories.
  /// The list, or null when there is none and `create` is false.
  GResourceDirectoryList *get_subdirectories(bool create) const;
  /// Destroys the list with every subtree.
  void remove_subdirectories();
  /// The subdirectory named `name`, or null.
  GResourceDirectory *get_subdirectory(const GString &name) const;
  /// The existing subdirectory (`existed` true) or a new one with that name
  /// and this directory as parent (`existed` false).
  GResourceDirectory *create_subdirectory(const GString &name, bool &existed);
  /// Destroys the subdirectory with its subtree; false when absent.
  bool remove_subdirectory(const GString &name);
  /// Takes the subdirectory out of the list without destroying it (its
  /// parent becomes null); null when absent.
  GResourceDirectory *take_subdirectory(const GString &name);
  /// Inserts `directory` (which must have no parent and whose name must not
  /// be taken) and becomes its parent.
  void insert_subdirectory(GResourceDirectory *directory);
  /// Replaces `path` by the path from the root to this directory.
  void build_path(GResourcePath &path) const;
  /// The number of directories from the root to this one (0 for a root).
  int depth() const;

  const void *keyOf(const void *item) const override;
  int compare(const void *key1, const void *key2) const override;

  void read(ipstream &is) override;
  void write(opstream &os) override;

protected:
  void freeItem(void *p) override;
  void write_item(const void *p, opstream &os) override;
  void *read_item(ipstream &is) override;

private:
  friend struct vyx::detail::ResourceTreeAccess;

  GString Name;
  GResourceDirectory *Parent = nullptr;
  mutable GResourceDirectoryList *Subdirectories = nullptr;
  uint64_t ReadSerial = 0;
};

/// The subdirectories of a directory, sorted by name and owned. Registered
/// as "GResourceDirectoryList".
class VYX_BASE_API GResourceDirectoryList : public GSortedCollection {
  VYX_DECLARE_CLASS(GResourceDirectoryList);

  GResourceDirectoryList() : GSortedCollection(0, 4, 1) {}
  GResourceDirectoryList(const GResourceDirectoryList &) = delete;
  GResourceDirectoryList &operator=(const GResourceDirectoryList &) = delete;
  ~GResourceDirectoryList() override;

  GResourceDirectory *at(long i) const {
    return static_cast<GResourceDirectory *>(GCollection::at(i));
  }
  GResourceDirectory *operator[](long i) const { return at(i); }
  /// The directory named `name`, or null.
  GResourceDirectory *find(const GString &name) const;

  const void *keyOf(const void *item) const override;
  int compare(const void *key1, const void *key2) const override;

  /// Reading does not set the parents: the directory that reads the list
  /// does.
  void read(ipstream &is) override;
  void write(opstream &os) override;

protected:
  void freeItem(void *p) override;
  void write_item(const void *p, opstream &os) override;
  void *read_item(ipstream &is) override;

private:
  friend struct vyx::detail::ResourceTreeAccess;
  uint64_t ReadSerial = 0;
};

#endif // VYX_RESOURCES_RESOURCE_DIRECTORY_H
