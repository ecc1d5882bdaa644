//===- void_ptr_sorted_array.cpp - Sorted array of pointers --------------===//

#include "object_model/void_ptr_sorted_array.h"
#include "object_model/exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kMaxItems = std::numeric_limits<int32_t>::max();

int32_t clampDelta(long delta) {
  if (delta < 1)
    return 1;
  return static_cast<int32_t>(std::min<long>(delta, kMaxItems));
}

} // namespace

GVoidPtrSortedArrayPrim::GVoidPtrSortedArrayPrim(long delta) : Delta(clampDelta(delta)) {}

GVoidPtrSortedArrayPrim::GVoidPtrSortedArrayPrim(const GVoidPtrSortedArrayPrim &other)
    : Delta(other.Delta) {
  copy_items_from(other);
}

GVoidPtrSortedArrayPrim &GVoidPtrSortedArrayPrim::operator=(const GVoidPtrSortedArrayPrim &other) {
  if (this != &other) {
    Delta = other.Delta;
    copy_items_from(other);
  }
  return *this;
}

GVoidPtrSortedArrayPrim::~GVoidPtrSortedArrayPrim() { std::free(Items); }

void GVoidPtrSortedArrayPrim::free_item(const void *) {}

const void *GVoidPtrSortedArrayPrim::key_of(const void *item) const { return item; }

int GVoidPtrSortedArrayPrim::compare(const void *key1, const void *key2) const {
  // A real three-way comparison: the difference of two 64-bit addresses does
  // not fit an int and would get the sign wrong.
  auto a = reinterpret_cast<uintptr_t>(key1);
  auto b = reinterpret_cast<uintptr_t>(key2);
  return a < b ? -1 : (a > b ? 1 : 0);
}

bool GVoidPtrSortedArrayPrim::search(const void *key, long &index) const {
  return search_by([this, key](const void *item) { return compare(key_of(item), key); }, index);
}

void GVoidPtrSortedArrayPrim::reserve(long needed) {
  if (needed <= Limit)
    return;
  if (needed > kMaxItems)
    throw OutOfMemory_Exception();
  // The smallest multiple of the growth step that holds `needed` items.
  int64_t limit = (static_cast<int64_t>(needed) + Delta - 1) / Delta * Delta;
  limit = std::min(limit, kMaxItems);
  void *grown = std::realloc(Items, static_cast<size_t>(limit) * sizeof(*Items));
  if (!grown)
    throw OutOfMemory_Exception();
  Items = static_cast<const void **>(grown);
  Limit = static_cast<int32_t>(limit);
}

void GVoidPtrSortedArrayPrim::at_insert(long i, const void *item) {
  if (i < 0 || i > Count)
    throw GCollection_IndexOutOfRange_Exception(i, 0, Count);
  reserve(static_cast<long>(Count) + 1);
  std::memmove(Items + i + 1, Items + i, static_cast<size_t>(Count - i) * sizeof(*Items));
  Items[i] = item;
  ++Count;
}

void GVoidPtrSortedArrayPrim::at_remove(long i) {
  if (i < 0 || i >= Count)
    throw GCollection_IndexOutOfRange_Exception(i, 0, static_cast<long>(Count) - 1);
  const void *item = Items[i];
  std::memmove(Items + i, Items + i + 1, static_cast<size_t>(Count - i - 1) * sizeof(*Items));
  --Count;
  free_item(item);
}

void GVoidPtrSortedArrayPrim::empty() {
  while (Count > 0) {
    const void *item = Items[--Count];
    free_item(item);
  }
}

void GVoidPtrSortedArrayPrim::copy_items_from(const GVoidPtrSortedArrayPrim &other) {
  if (this == &other)
    return;
  Count = 0;
  reserve(other.Count);
  if (other.Count > 0)
    std::memcpy(Items, other.Items, static_cast<size_t>(other.Count) * sizeof(*Items));
  Count = other.Count;
}
