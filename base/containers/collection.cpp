//===- collection.cpp - Growable arrays of untyped pointers ---------------===//
//
// Stream form of a collection (inside its object record):
//   count   compat dword
//   limit   compat dword
//   delta   compat dword (0 or less is taken as 1)
//   owns    byte
//   items   count times write_item
// The reader trusts none of it: items are appended as they arrive, so
// storage grows with the data actually read, never with a stored count or
// limit, and the first failure ends the read with
// NonZeroPStreamState_Exception. Items that take no bytes (a class that does
// not stream its items) are believed up to kMaxItemsWithoutData only.
//
//===----------------------------------------------------------------------===//
#include "containers/collection.h"

#include "containers/stream_check.h"
#include "object_model/exceptions.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

VYX_IMPLEMENT_CLASS(GCollection, "GCollection", &vyx::BaseModuleHandle, GStreamable)

namespace {

constexpr long kMaxSlots = std::numeric_limits<int32_t>::max();
/// How far the limit may run ahead of the items before real storage stops
/// following it.
constexpr long kMaxSlotsAhead = 65536;
/// Items that take no bytes in a stream believed in one collection.
constexpr unsigned long kMaxItemsWithoutData = 65536;

/// A slot count that must fit the 32-bit fields; more throws.
int32_t checkedSlots(long slots) {
  if (slots > kMaxSlots)
    throw OutOfMemory_Exception();
  return static_cast<int32_t>(std::max(slots, 0L));
}

} // namespace

GCollection::GCollection() = default;

GCollection::GCollection(StreamableInit) : GStreamable(streamableInit) {}

GCollection::GCollection(long limit, long delta, unsigned char owns) { init(limit, delta, owns); }

void GCollection::init(long limit, long delta, unsigned char owns) {
  OwnsItems = owns;
  Delta = static_cast<int32_t>(std::clamp(delta, 1L, kMaxSlots));
  setLimit(limit);
}

GCollection::~GCollection() { std::free(Items); }

void GCollection::setDelta(long delta) {
  if (delta > 0)
    Delta = static_cast<int32_t>(std::min(delta, kMaxSlots));
}

void GCollection::check_index(long i) const {
  if (i < 0 || i >= Count)
    throw GCollection_IndexOutOfRange_Exception(i, 0, Count - 1L);
}

void GCollection::reserveStorage(size_t slots, bool exact) {
  if (slots <= Capacity && !(exact && slots < Capacity / 2))
    return;
  size_t capacity = exact ? slots : std::max(slots, Capacity * 2);
  if (capacity == 0) {
    std::free(Items);
    Items = nullptr;
    Capacity = 0;
    return;
  }
  auto *items = static_cast<void **>(std::realloc(Items, capacity * sizeof(void *)));
  if (!items)
    throw OutOfMemory_Exception();
  // Slots beyond the items are null, as the limit promises.
  if (capacity > Capacity)
    std::fill(items + Capacity, items + capacity, nullptr);
  Items = items;
  Capacity = capacity;
}

void GCollection::setLimit(long limit) {
  int32_t newLimit = std::max(checkedSlots(limit), Count);
  if (newLimit == Limit)
    return;
  reserveStorage(static_cast<size_t>(newLimit), true);
  Limit = newLimit;
}

void GCollection::reserveSpaceForItems(long at, long n) {
  if (at > kMaxSlots || n > kMaxSlots)
    throw OutOfMemory_Exception();
  long needed = checkedSlots(std::max<long>(Count, at) + n);
  if (Limit < needed) {
    long steps = (needed + Delta - 1) / Delta;
    Limit = static_cast<int32_t>(std::min(steps * Delta, kMaxSlots));
  }
  // The real storage grows geometrically and covers the limit, unless the
  // limit runs far ahead of the items (a huge delta, perhaps read from a
  // stream): then only the items and the geometric reserve are backed.
  size_t slots = static_cast<size_t>(needed);
  if (Limit - needed <= kMaxSlotsAhead)
    slots = static_cast<size_t>(Limit);
  reserveStorage(slots, false);
  if (at > Count) {
    // The slots between the count and `at` become visible items: null, not
    // whatever a removed item left there.
    std::fill(Items + Count, Items + at, nullptr);
    Count = static_cast<int32_t>(at);
  }
}

void GCollection::appendItem(void *p) {
  reserveSpaceForItems(Count, 1);
  Items[Count++] = p;
}

long GCollection::v_insert(void *p) {
  // Appending within the limit and the storage needs no growth step.
  if (Count < Limit && static_cast<size_t>(Count) < Capacity) {
    Items[Count] = p;
    return Count++;
  }
  long index = Count;
  v_at_insert(index, p);
  return index;
}

void GCollection::v_at_insert(long i, void *p) {
  if (i < 0)
    throw GCollection_IndexOutOfRange_Exception(i, 0, Count - 1L);
  reserveSpaceForItems(i, 1);
  std::memmove(Items + i + 1, Items + i, (Count - i) * sizeof(void *));
  Items[i] = p;
  ++Count;
}

void GCollection::v_at_insert_range(long at, const GCollection &from, long first, long n) {
  if (at < 0)
    throw GCollection_IndexOutOfRange_Exception(at, 0, Count - 1L);
  if (first < 0)
    throw GCollection_IndexOutOfRange_Exception(first, 0, from.Count - 1L);
  n = std::min(n, from.Count - first);
  if (n <= 0)
    return;
  // The range is copied out first: `from` may be this collection, whose
  // items move (and whose storage may be reallocated) below.
  std::vector<void *> range(from.Items + first, from.Items + first + n);
  reserveSpaceForItems(at, n);
  std::memmove(Items + at + n, Items + at, (Count - at) * sizeof(void *));
  std::copy(range.begin(), range.end(), Items + at);
  Count += static_cast<int32_t>(n);
}

void GCollection::v_at_put(long i, void *p) {
  check_index(i);
  Items[i] = p;
}

void GCollection::v_at_remove(long i) {
  if (i < 0 || i >= Count)
    return;
  std::memmove(Items + i, Items + i + 1, (Count - i - 1) * sizeof(void *));
  --Count;
}

void GCollection::v_at_remove_range(long i, long n) {
  if (i < 0 || i >= Count)
    return;
  n = std::min<long>(n, Count - i);
  if (n <= 0)
    return;
  std::memmove(Items + i, Items + i + n, (Count - i - n) * sizeof(void *));
  Count -= static_cast<int32_t>(n);
}

long GCollection::v_index_of(const void *p) const {
  for (long i = Count; i-- > 0;)
    if (Items[i] == p)
      return i;
  return -1;
}

long GCollection::v_remove(void *p) {
  long index = index_of(p);
  if (index >= 0)
    at_remove(index);
  return index;
}

void GCollection::remove_all() { Count = 0; }

void GCollection::free(void *p) {
  if (remove(p) >= 0)
    freeItem(p);
}

void GCollection::at_free(long i) {
  check_index(i);
  void *p = Items[i];
  at_remove(i);
  freeItem(p);
}

void GCollection::free_all() {
  // Each item leaves the collection before it is freed, so a freeItem that
  // looks at the collection never meets a freed item.
  while (Count > 0) {
    void *p = Items[--Count];
    freeItem(p);
  }
}

void GCollection::empty() {
  if (OwnsItems)
    free_all();
  else
    remove_all();
}

void GCollection::shut_down() {
  if (OwnsItems)
    free_all();
}

void GCollection::pack() {
  void **end = std::remove(Items, Items + Count, nullptr);
  Count = static_cast<int32_t>(end - Items);
}

void GCollection::freeItem(void *) {}

void GCollection::write_item(const void *, opstream &) {}

void *GCollection::read_item(ipstream &) { return nullptr; }

void GCollection::write(opstream &os) {
  os.compat_writeDWord(static_cast<unsigned long>(Count));
  os.compat_writeDWord(static_cast<unsigned long>(Limit));
  os.compat_writeDWord(static_cast<unsigned long>(Delta));
  os.writeByte(OwnsItems);
  for (long i = 0; i < Count; ++i)
    write_item(Items[i], os);
}

void GCollection::read(ipstream &is) {
  using vyx::detail::ReadCheck;
  empty();
  unsigned long count = is.compat_readDWord();
  unsigned long limit = is.compat_readDWord();
  unsigned long delta = is.compat_readDWord();
  unsigned char owns = is.readByte();
  ReadCheck(is);
  OwnsItems = owns;
  Delta = static_cast<int32_t>(std::max(delta, 1UL));
  unsigned long itemsWithoutData = 0;
  for (unsigned long i = 0; i < count; ++i) {
    uint32_t before = is.countOfReadBytes();
    void *item = read_item(is);
    if (!is.good()) {
      freeItem(item);
      ReadCheck(is);
    }
    // Items that occupy no bytes (a class that does not stream them) are
    // not bounded by the data: only so many of them are believed.
    if (is.countOfReadBytes() == before && ++itemsWithoutData > kMaxItemsWithoutData) {
      freeItem(item);
      ReadCheck(is, false);
    }
    appendItem(item);
  }
  // The stored limit is kept as a number only: real storage follows the
  // items that were actually read.
  Limit = static_cast<int32_t>(std::max<unsigned long>(limit, Count));
}
