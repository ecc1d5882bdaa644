//===- tgvector.h - Typed growable array ------------------------*- C++ -*-===//
//
// TGVector<T> is the library's growable array of values. It grows in fixed
// steps: when it needs room for n elements its capacity becomes the smallest
// multiple of the growth step that holds n. Indexed access through at() and
// insertion at an index are checked and raise
// TGVector_IndexOutOfRange_Exception(index, 0, count - 1); operator[] is not
// checked.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_TGVECTOR_H
#define VYX_CONTAINERS_TGVECTOR_H

#include "object_model/exceptions.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

/// A growable array of T with a fixed growth step.
template <class T> class TGVector {
  static_assert(!std::is_same_v<T, bool>, "use TGVector<unsigned char> for flags");

public:
  /// An empty vector growing by `delta` elements (a step below 1 becomes 1).
  explicit TGVector(long delta = 4) : Delta(clampDelta(delta)) {}
  TGVector(long limit, long delta) : Delta(clampDelta(delta)) { setLimit(limit); }
  TGVector(const TGVector &other) : Delta(other.Delta) {
    reserveFor(other.getCount());
    Items.insert(Items.end(), other.Items.begin(), other.Items.end());
  }
  TGVector(TGVector &&other) noexcept : Items(std::move(other.Items)), Delta(other.Delta) {}
  TGVector &operator=(const TGVector &other) {
    if (this != &other) {
      TGVector copy(other);
      swap(copy);
    }
    return *this;
  }
  TGVector &operator=(TGVector &&other) noexcept {
    Items = std::move(other.Items);
    Delta = other.Delta;
    return *this;
  }
  ~TGVector() = default;

  long getCount() const { return static_cast<long>(Items.size()); }
  long getLimit() const { return static_cast<long>(Items.capacity()); }
  long getDelta() const { return Delta; }
  /// Ignored unless positive.
  void setDelta(long delta) {
    if (delta > 0)
      Delta = clampDelta(delta);
  }
  bool isEmpty() const { return Items.empty(); }

  /// Unchecked access.
  T &operator[](long i) { return Items[static_cast<size_t>(i)]; }
  const T &operator[](long i) const { return Items[static_cast<size_t>(i)]; }
  /// Checked access.
  T &at(long i) {
    check_index(i);
    return Items[static_cast<size_t>(i)];
  }
  const T &at(long i) const {
    check_index(i);
    return Items[static_cast<size_t>(i)];
  }
  /// Throws TGVector_IndexOutOfRange_Exception unless 0 <= i < count.
  void check_index(long i) const {
    if (i < 0 || i >= getCount())
      throw TGVector_IndexOutOfRange_Exception(i, 0, getCount() - 1);
  }

  /// Appends `item`; returns its index.
  long insert(const T &item) {
    long index = getCount();
    at_insert(index, item);
    return index;
  }
  long add(const T &item) { return insert(item); }
  /// Inserts `item` before index `i` (0 to count).
  void at_insert(long i, const T &item) {
    if (i < 0 || i > getCount())
      throw TGVector_IndexOutOfRange_Exception(i, 0, getCount() - 1);
    reserveFor(getCount() + 1);
    Items.insert(Items.begin() + i, item);
  }
  /// Replaces the element at `i`.
  void at_put(long i, const T &item) { at(i) = item; }
  /// Removes the element at `i`.
  void at_remove(long i) {
    check_index(i);
    Items.erase(Items.begin() + i);
  }
  /// Removes every element; the capacity stays.
  void remove_all() { Items.clear(); }
  /// Removes every element and releases the storage.
  void empty() { std::vector<T>().swap(Items); }
  void Empty() { empty(); }

  /// Makes room for `limit` elements (rounded up to the growth step); never
  /// drops elements.
  void setLimit(long limit) { reserveFor(std::max(limit, getCount())); }

  /// The index of the first element equal to `item`, -1 when absent.
  long index_of(const T &item) const {
    auto found = std::find(Items.begin(), Items.end(), item);
    return found == Items.end() ? -1 : static_cast<long>(found - Items.begin());
  }

  void swap(TGVector &other) noexcept {
    Items.swap(other.Items);
    std::swap(Delta, other.Delta);
  }

  T *data() { return Items.data(); }
  const T *data() const { return Items.data(); }
  T *begin() { return Items.data(); }
  T *end() { return Items.data() + Items.size(); }
  const T *begin() const { return Items.data(); }
  const T *end() const { return Items.data() + Items.size(); }

private:
  static long clampDelta(long delta) {
    return std::clamp<long>(delta, 1, std::numeric_limits<int32_t>::max());
  }

  /// Grows to the smallest multiple of the step that holds `needed`.
  void reserveFor(long needed) {
    if (needed <= getLimit())
      return;
    long maxCount = static_cast<long>(std::min<size_t>(
        Items.max_size(), static_cast<size_t>(std::numeric_limits<long>::max() / 2)));
    if (needed > maxCount)
      throw OutOfMemory_Exception();
    long limit = std::min((needed + Delta - 1) / Delta * Delta, maxCount);
    Items.reserve(static_cast<size_t>(limit));
  }

  std::vector<T> Items;
  long Delta;
};

#endif // VYX_CONTAINERS_TGVECTOR_H
