//===- resource_collection.h - Stored sections and their directory entries -*- C++ -*-===//
//
// A ResourceFileBlock says where one stored section of a resource container
// lies and how it is coded; a ResourceItem is the directory entry of one
// stored object (its block, its item name and, optionally, the object
// itself, cached and owned); a ResourceCollection holds the items of one
// type, sorted by item name in byte order.
//
// Directory entry of an item (inside a ResourceCollection record):
//
//   GString   item name
//   dword     -position (negative: this entry format)
//   byte      0 (reserved)
//   dword     size
//   dword     data size (-1 when unknown)
//   byte      compressed (0 or 1)
//
// Entries of the old format are read too: the item name, a position that is
// zero or positive, and a length whose sign says whether the section is
// compressed (negative: size -length, data size unknown) or plain (size and
// data size equal to the length).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_COLLECTION_H
#define VYX_RESOURCES_RESOURCE_COLLECTION_H

#include "containers/sorted_collection.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>

class GStreamable;

namespace vyx::detail {
struct ResourceTreeAccess;
} // namespace vyx::detail

/// One stored section. Positions are relative to the container's base
/// position (absolute only where an operation says so).
struct VYX_BASE_API ResourceFileBlock {
  int32_t position = 0;
  int32_t size = 0;
  /// Bytes of the object's uncompressed stream form; -1 when unknown.
  int32_t data_size = -1;
  /// A new item is stored compressed.
  bool compressed = true;

  bool operator==(const ResourceFileBlock &) const = default;
};

/// The directory entry of one stored object.
class VYX_BASE_API ResourceItem : public ResourceFileBlock {
public:
  ResourceItem() = default;
  explicit ResourceItem(const GString &key) : Key(key) {}
  /// Copies the block and the name. The cached object stays with the
  /// original (each item owns its own cache), so the copy has none.
  ResourceItem(const ResourceItem &other);
  ResourceItem &operator=(const ResourceItem &other);
  /// Destroys the cached object.
  ~ResourceItem();

  const GString &get_key() const { return Key; }
  void set_key(const GString &key) { Key = key; }
  const ResourceFileBlock &block() const { return *this; }
  void set_block(const ResourceFileBlock &block) { ResourceFileBlock::operator=(block); }

  /// The cached object (owned), or null.
  GStreamable *get_object() const { return Object; }
  /// Caches `object`, destroying the previous one unless it is the same.
  void set_object(GStreamable *object);
  /// Gives up the cached object without destroying it.
  GStreamable *release_object();

private:
  GString Key;
  GStreamable *Object = nullptr;
};

/// The items of one type, sorted by name and owned. Registered as
/// "ResourceCollection".
///
/// Stream form: the sorted-collection body whose items are directory
/// entries (see the file comment). Reading trusts none of it: entries whose
/// numbers cannot describe a section are refused, and entries out of order
/// are sorted (the first of equal names is kept).
class VYX_BASE_API ResourceCollection : public GSortedCollection {
  VYX_DECLARE_CLASS(ResourceCollection);

  ResourceCollection() : GSortedCollection(0, 4, 1) {}
  /// A deep copy: copies of the items, without cached objects.
  ResourceCollection(const ResourceCollection &other);
  ResourceCollection &operator=(const ResourceCollection &) = delete;
  ~ResourceCollection() override;

  ResourceItem *at(long i) const { return static_cast<ResourceItem *>(GCollection::at(i)); }
  ResourceItem *operator[](long i) const { return at(i); }
  /// The item named `key`, or null.
  ResourceItem *find(const GString &key) const;
  /// The index of `key`, or -1.
  long index_of_key(const GString &key) const;

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
  uint64_t ReadSerial = 0;
};

#endif // VYX_RESOURCES_RESOURCE_COLLECTION_H
