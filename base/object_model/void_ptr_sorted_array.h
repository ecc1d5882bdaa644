//===- void_ptr_sorted_array.h - Sorted array of pointers -------*- C++ -*-===//
//
// GVoidPtrSortedArrayPrim keeps untyped pointers ordered by a key, finds them
// by binary search and grows in fixed steps. Derived classes say what the key
// of an item is, how two keys compare and how an item is freed; by default
// the key is the pointer itself, ordered by address.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_VOID_PTR_SORTED_ARRAY_H
#define VYX_OBJECT_MODEL_VOID_PTR_SORTED_ARRAY_H

#include "vyx_base_export.h"

#include <cstdint>

/// A growable array of `void const *` kept in key order.
///
/// The destructor releases the array only: a derived class whose items must
/// be freed calls empty() in its own destructor (free_item is virtual and
/// does not reach the derived class from here).
class VYX_BASE_API GVoidPtrSortedArrayPrim {
public:
  /// `delta` is the growth step; a step below 1 becomes 1.
  explicit GVoidPtrSortedArrayPrim(long delta);
  /// Copies the pointers (not what they point at).
  GVoidPtrSortedArrayPrim(const GVoidPtrSortedArrayPrim &other);
  GVoidPtrSortedArrayPrim &operator=(const GVoidPtrSortedArrayPrim &other);
  virtual ~GVoidPtrSortedArrayPrim();

  /// Binary search for `key`. True when found; `index` receives the index of
  /// the match or, when absent, the index where the key would be inserted.
  bool search(const void *key, long &index) const;

  /// Inserts `item` before index `i` (0 to count). Throws
  /// GCollection_IndexOutOfRange_Exception for another index, and
  /// OutOfMemory_Exception when the array cannot grow.
  void at_insert(long i, const void *item);
  /// Removes the item at `i` and calls free_item on it; throws
  /// GCollection_IndexOutOfRange_Exception when `i` is not an item index.
  void at_remove(long i);
  /// Calls free_item on every item, the last first, and leaves no item.
  void empty();
  /// Replaces the items by the pointers of `other` (no free_item calls).
  void copy_items_from(const GVoidPtrSortedArrayPrim &other);

  /// The item at `i`, or null when `i` is not an item index.
  const void *at(long i) const { return i >= 0 && i < Count ? Items[i] : nullptr; }
  long getCount() const { return Count; }

protected:
  /// Frees an item the array discards; does nothing by default.
  virtual void free_item(const void *item);
  /// The key of an item; the item itself by default.
  virtual const void *key_of(const void *item) const;
  /// Three-way comparison of two keys: negative, zero or positive. By
  /// default the keys are compared as addresses.
  virtual int compare(const void *key1, const void *key2) const;

  /// Binary search with `order(item)`: negative when the item sorts before
  /// the key sought, positive after it, 0 for a match. Results as search().
  template <class Order> bool search_by(Order order, long &index) const {
    long low = 0;
    long high = Count;
    while (low < high) {
      long middle = low + (high - low) / 2;
      int side = order(Items[middle]);
      if (side < 0) {
        low = middle + 1;
      } else if (side > 0) {
        high = middle;
      } else {
        index = middle;
        return true;
      }
    }
    index = low;
    return false;
  }

private:
  void reserve(long needed);

  const void **Items = nullptr;
  int32_t Count = 0;
  int32_t Limit = 0;
  int32_t Delta;
};

#endif // VYX_OBJECT_MODEL_VOID_PTR_SORTED_ARRAY_H
