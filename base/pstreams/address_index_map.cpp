//===- address_index_map.cpp - Object numbers of a writing pstream -------===//

#include "pstreams/address_index_map.h"

#include <bit>

namespace vyx::detail {

namespace {
constexpr std::size_t InitialCapacity = 64;
/// clear() keeps a table up to this many slots for the next run.
constexpr std::size_t KeptCapacity = 4096;
} // namespace

void AddressIndexMap::insert(const void *address, uint64_t index) {
  if ((Count + 1) * 2 > Slots.size())
    rehash(Slots.empty() ? InitialCapacity : Slots.size() * 2);
  uintptr_t key = reinterpret_cast<uintptr_t>(address);
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) & Mask) {
    Entry &e = Slots[slot];
    if (e.Key == key)
      return;
    if (e.Key == 0) {
      e.Key = key;
      e.Index = index;
      ++Count;
      return;
    }
  }
}

void AddressIndexMap::clear() {
  if (Slots.size() > KeptCapacity) {
    std::vector<Entry>().swap(Slots);
    Mask = 0;
    Shift = 64;
  } else {
    for (Entry &e : Slots)
      e = Entry{0, 0};
  }
  Count = 0;
}

void AddressIndexMap::rehash(std::size_t capacity) {
  std::vector<Entry> old(capacity, Entry{0, 0});
  old.swap(Slots);
  Mask = capacity - 1;
  Shift = 64 - static_cast<unsigned>(std::countr_zero(capacity));
  Count = 0;
  for (const Entry &e : old)
    if (e.Key != 0)
      insert(reinterpret_cast<const void *>(e.Key), e.Index);
}

} // namespace vyx::detail
