//===- address_index_map.h - Object numbers of a writing pstream -*- C++ -*-===//
//
// The writer's table of the objects it has numbered: a map from an object's
// address to its index. Open addressing with linear probing over a
// power-of-two table kept at most half full, so lookups stay a probe or two
// at millions of objects; nothing is ever removed except by clear().
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_ADDRESS_INDEX_MAP_H
#define VYX_PSTREAMS_ADDRESS_INDEX_MAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vyx::detail {

class AddressIndexMap {
public:
  /// The index stored for `address`, or 0 when it has none.
  uint64_t find(const void *address) const {
    if (Count == 0)
      return 0;
    uintptr_t key = reinterpret_cast<uintptr_t>(address);
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & Mask) {
      const Entry &e = Slots[slot];
      if (e.Key == key)
        return e.Index;
      if (e.Key == 0)
        return 0;
    }
  }

  /// Stores `index` for `address` (not null) unless it already has one.
  void insert(const void *address, uint64_t index);

  /// Forgets every entry (and the memory of a large table).
  void clear();

  std::size_t size() const { return Count; }

private:
  struct Entry {
    uintptr_t Key; ///< 0 marks a free slot (null is never stored)
    uint64_t Index;
  };

  std::size_t slotOf(uintptr_t key) const {
    // Fibonacci hashing; objects are at least 8-byte aligned, so the low
    // bits carry nothing and the multiplication spreads the others.
    return static_cast<std::size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> Shift);
  }
  void rehash(std::size_t capacity);

  std::vector<Entry> Slots;
  std::size_t Mask = 0;
  unsigned Shift = 64;
  std::size_t Count = 0;
};

} // namespace vyx::detail

#endif // VYX_PSTREAMS_ADDRESS_INDEX_MAP_H
