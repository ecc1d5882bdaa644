//===- sorted_collection.cpp - Sorted and string collections --------------===//
//
// Stream form: that of GCollection, then the duplicates byte. A string
// collection writes each item as a narrow string. The stored order is taken
// as it is, without re-sorting.
//
//===----------------------------------------------------------------------===//
#include "containers/sorted_collection.h"

#include "containers/msort.h"
#include "containers/stream_check.h"
#include "pstreams/pstream.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

VYX_IMPLEMENT_CLASS(GSortedCollection, "GSortedCollection", &vyx::BaseModuleHandle, GCollection)
VYX_IMPLEMENT_CLASS(GStringCollection, "GStringCollection", &vyx::BaseModuleHandle,
                    GSortedCollection)

// GSortedCollection ---------------------------------------------------------

GSortedCollection::GSortedCollection(long limit, long delta, unsigned char owns)
    : GCollection(limit, delta, owns) {}

GSortedCollection::GSortedCollection(StreamableInit init) : GCollection(init) {}

const void *GSortedCollection::keyOf(const void *item) const { return item; }

int GSortedCollection::compare(const void *key1, const void *key2) const {
  auto a = reinterpret_cast<uintptr_t>(key1), b = reinterpret_cast<uintptr_t>(key2);
  return (a > b) - (a < b);
}

bool GSortedCollection::search(const void *key, long &index) const {
  long lo = 0, hi = getCount() - 1;
  bool found = false;
  while (lo <= hi) {
    long mid = lo + (hi - lo) / 2;
    int sign = compare(keyOf(at(mid)), key);
    if (sign < 0) {
      lo = mid + 1;
      continue;
    }
    hi = mid - 1;
    if (sign == 0) {
      found = true;
      if (!Duplicates) {
        index = mid;
        return true;
      }
      // With duplicates the search goes on to the leftmost equal key.
    }
  }
  index = lo;
  return found;
}

long GSortedCollection::v_index_of(const void *p) const {
  long index;
  if (!search(keyOf(p), index))
    return -1;
  if (!Duplicates)
    return index;
  for (long i = index; i < getCount(); ++i)
    if (at(i) == p)
      return i;
  return -1;
}

long GSortedCollection::v_insert(void *p) {
  long index;
  if (!search(keyOf(p), index) || Duplicates) {
    at_insert(index, p);
    return index;
  }
  // An equal key is present. The rejected item is freed when the collection
  // owns its items, unless it is the very item held there.
  if (ownsItems() && at(index) != p)
    freeItem(p);
  return index;
}

namespace {

struct ResortData {
  const GSortedCollection *Collection;
  void **Items;
};

int resortLess(long i, long j, void *data) {
  auto *d = static_cast<ResortData *>(data);
  return d->Collection->compare(d->Collection->keyOf(d->Items[i]),
                                d->Collection->keyOf(d->Items[j])) < 0;
}

void resortSwap(long i, long j, void *data) {
  auto *d = static_cast<ResortData *>(data);
  std::swap(d->Items[i], d->Items[j]);
}

} // namespace

void GSortedCollection::resort() {
  long n = getCount();
  if (n < 2)
    return;
  // Sorting works on a copy of the item array, which goes back in place.
  std::vector<void *> items(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i)
    items[static_cast<size_t>(i)] = at(i);
  ResortData data{this, items.data()};
  MSort::HSort(n, &data, resortLess, resortSwap);
  for (long i = 0; i < n; ++i)
    GCollection::v_at_put(i, items[static_cast<size_t>(i)]);
}

void GSortedCollection::write(opstream &os) {
  GCollection::write(os);
  os.writeByte(Duplicates);
}

void GSortedCollection::read(ipstream &is) {
  GCollection::read(is);
  unsigned char duplicates = is.readByte();
  vyx::detail::ReadCheck(is);
  Duplicates = duplicates;
}

// GStringCollection ---------------------------------------------------------

namespace {

/// A new[] copy of `s`; null for null.
char *duplicateString(const char *s) {
  if (!s)
    return nullptr;
  size_t n = std::strlen(s) + 1;
  char *copy = new char[n];
  std::memcpy(copy, s, n);
  return copy;
}

} // namespace

GStringCollection::GStringCollection(long limit, long delta, unsigned char owns)
    : GSortedCollection(limit, delta, owns) {}

GStringCollection::GStringCollection(StreamableInit init) : GSortedCollection(init) {}

GStringCollection::GStringCollection(const GStringCollection &other)
    : GSortedCollection(other.getCount(), other.getDelta(), other.ownsItems()) {
  *this = other;
}

GStringCollection &GStringCollection::operator=(const GStringCollection &other) {
  if (this == &other)
    return *this;
  empty();
  setLimit(other.getCount());
  for (long i = 0; i < other.getCount(); ++i) {
    char *s = other.at(i);
    appendItem(ownsItems() ? duplicateString(s) : s);
  }
  return *this;
}

GStringCollection::~GStringCollection() { shut_down(); }

int GStringCollection::compare(const void *key1, const void *key2) const {
  if (!key1 || !key2)
    return (key1 != nullptr) - (key2 != nullptr);
  return std::strcmp(static_cast<const char *>(key1), static_cast<const char *>(key2));
}

void GStringCollection::freeItem(void *p) { delete[] static_cast<char *>(p); }

void GStringCollection::write_item(const void *p, opstream &os) {
  os.writeString(static_cast<const char *>(p));
}

void *GStringCollection::read_item(ipstream &is) { return is.readString(); }

void GStringCollection::read(ipstream &is) {
  try {
    GSortedCollection::read(is);
  } catch (...) {
    // Every string held now was built by this read and reached nobody else:
    // a failed read frees them whether the collection owns its items or not.
    free_all();
    throw;
  }
}
