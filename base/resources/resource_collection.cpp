//===- resource_collection.cpp - Stored sections and their directory entries ===//
//
// Directory entry read here (after the sorted-collection framing):
//   GString   item name
//   dword     F, signed
//   F < 0:    position -F; byte (skipped); dword size; dword data size;
//             byte compressed
//   F >= 0:   position F; dword length L, signed: L < 0 is a compressed
//             section of -L bytes (data size unknown), else a plain one of
//             L bytes
// Every number passes CheckEntry: a position and size that end beyond the
// 32-bit range, a negative size or a data size below -1 fail the read.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_collection.h"

#include "object_model/rtti_object.h"
#include "pstreams/pstream.h"
#include "resources/resource_path.h"
#include "resources/resource_tree_impl.h"

#include <algorithm>
#include <vector>

VYX_IMPLEMENT_CLASS(ResourceCollection, "ResourceCollection", &vyx::BaseModuleHandle,
                    GSortedCollection)

namespace vyx::detail {

namespace {
thread_local uint64_t ReadStamp = 0;
} // namespace

uint64_t ResourceTreeAccess::now() { return ReadStamp; }
uint64_t ResourceTreeAccess::next() { return ++ReadStamp; }

void RestoreKeyOrder(GSortedCollection &collection) {
  long n = collection.getCount();
  bool ordered = true;
  for (long i = 1; i < n && ordered; ++i)
    ordered = collection.compare(collection.keyOf(collection.at(i - 1)),
                                 collection.keyOf(collection.at(i))) < 0;
  if (ordered)
    return;
  std::vector<void *> items;
  items.reserve(static_cast<std::size_t>(n));
  for (long i = 0; i < n; ++i)
    items.push_back(collection.at(i));
  std::stable_sort(items.begin(), items.end(), [&](const void *a, const void *b) {
    return collection.compare(collection.keyOf(a), collection.keyOf(b)) < 0;
  });
  collection.remove_all();
  collection.ownsItems(1);
  // Appending in key order: a key equal to the last one is refused by the
  // collection, which frees the item.
  for (void *item : items)
    collection.insert(item);
}

} // namespace vyx::detail

// ResourceItem --------------------------------------------------------------------

ResourceItem::ResourceItem(const ResourceItem &other) : ResourceFileBlock(other), Key(other.Key) {}

ResourceItem &ResourceItem::operator=(const ResourceItem &other) {
  if (this != &other) {
    ResourceFileBlock::operator=(other);
    Key = other.Key;
  }
  return *this;
}

ResourceItem::~ResourceItem() { GStreamable::Destroy(Object); }

void ResourceItem::set_object(GStreamable *object) {
  if (object == Object)
    return;
  GStreamable *previous = Object;
  Object = object;
  GStreamable::Destroy(previous);
}

GStreamable *ResourceItem::release_object() {
  GStreamable *object = Object;
  Object = nullptr;
  return object;
}

// ResourceCollection --------------------------------------------------------------

ResourceCollection::ResourceCollection(const ResourceCollection &other)
    : GSortedCollection(0, other.getDelta(), 1) {
  for (long i = 0; i < other.getCount(); ++i)
    appendItem(new ResourceItem(*other.at(i)));
}

ResourceCollection::~ResourceCollection() {
  ownsItems(1);
  free_all();
}

void ResourceCollection::freeItem(void *p) { delete static_cast<ResourceItem *>(p); }

const void *ResourceCollection::keyOf(const void *item) const {
  return &static_cast<const ResourceItem *>(item)->get_key();
}

int ResourceCollection::compare(const void *key1, const void *key2) const {
  return vyx::CompareResourceNames(*static_cast<const GString *>(key1),
                                   *static_cast<const GString *>(key2));
}

long ResourceCollection::index_of_key(const GString &key) const {
  long index = 0;
  return search(&key, index) ? index : -1;
}

ResourceItem *ResourceCollection::find(const GString &key) const {
  long index = index_of_key(key);
  return index < 0 ? nullptr : at(index);
}

void ResourceCollection::write_item(const void *p, opstream &os) {
  const ResourceItem &item = *static_cast<const ResourceItem *>(p);
  os << item.get_key();
  if (item.position > 0) {
    os << static_cast<int32_t>(-item.position);
    os.writeByte(0);
    os << item.size << item.data_size;
    os.writeByte(item.compressed ? 1 : 0);
    return;
  }
  // Position 0 cannot be told apart from the old format when negated: such
  // an entry (never stored) is written in the old format, which reads back
  // to the same block as far as that format can say.
  os << item.position << (item.compressed ? -item.size : item.size);
}

void *ResourceCollection::read_item(ipstream &is) {
  using vyx::ReadCheck;
  GString key;
  is >> key;
  int32_t first = 0;
  is >> first;
  ReadCheck(is);
  ResourceFileBlock block;
  if (first < 0) {
    block.position = first == INT32_MIN ? -1 : -first;
    is.readByte();
    is >> block.size >> block.data_size;
    block.compressed = is.readByte() != 0;
  } else {
    int32_t length = 0;
    is >> length;
    block.position = first;
    block.compressed = length < 0;
    block.size = length == INT32_MIN ? -1 : (length < 0 ? -length : length);
    block.data_size = length < 0 ? -1 : length;
  }
  ReadCheck(is, vyx::detail::FitsStoredRange(block.position, block.size) && block.data_size >= -1);
  auto *item = new ResourceItem(key);
  item->set_block(block);
  return item;
}

void ResourceCollection::write(opstream &os) { GSortedCollection::write(os); }

void ResourceCollection::read(ipstream &is) {
  vyx::detail::ResourceTreeAccess::stamp(*this);
  vyx::detail::ReadOwningCollection(*this, [&] { GSortedCollection::read(is); });
}
