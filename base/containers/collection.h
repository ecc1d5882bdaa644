//===- collection.h - Growable arrays of untyped pointers -------*- C++ -*-===//
//
// GCollection is the library's general container: a growable array of
// `void *` items that can own them and stream itself. The public operations
// call the virtual v_ operations, where derived classes change the
// behaviour; freeItem, write_item and read_item say how one item is freed
// and streamed.
//
// The limit is the logical number of slots: it grows to the smallest
// multiple of the growth step (delta) that holds the items and is what the
// stream form records. The real storage grows geometrically behind it, so
// appending one item at a time stays cheap with any delta; slots up to the
// limit are null, except that storage is not reserved for a limit that runs
// more than 65536 slots ahead of the items through growth or reading (a huge
// delta, or a stored limit): at() is unchecked, only indices below the
// count are meaningful.
//
// Ownership: with the owns-items flag set, the collection frees the items it
// discards (empty, shut_down, free, at_free) with freeItem. Its destructor
// releases the array only; GStreamable::Destroy calls shut_down first. The
// items that read builds belong to the collection when the stored flag says
// it owns them, and to the caller otherwise.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_COLLECTION_H
#define VYX_CONTAINERS_COLLECTION_H

#include "object_model/exceptions.h"
#include "pstreams/streamable.h"
#include "vyx_base_export.h"

#include <cstddef>
#include <cstdint>

/// A growable array of untyped pointers. Registered as "GCollection".
class VYX_BASE_API GCollection : public GStreamable {
  VYX_DECLARE_CLASS(GCollection);

  /// Limit 0, delta 4, owns its items.
  GCollection();
  /// A delta of 0 or less becomes 1; then setLimit(limit).
  GCollection(long limit, long delta, unsigned char owns);
  GCollection(const GCollection &) = delete;
  GCollection &operator=(const GCollection &) = delete;
  /// Releases the array only.
  ~GCollection() override;

  long getCount() const { return Count; }
  long getLimit() const { return Limit; }
  long getDelta() const { return Delta; }
  /// Ignored unless positive.
  void setDelta(long delta);
  unsigned char ownsItems() const { return OwnsItems; }
  void ownsItems(unsigned char owns) { OwnsItems = owns; }

  /// Item i, unchecked.
  void *at(long i) const { return Items[i]; }
  /// Throws GCollection_IndexOutOfRange_Exception(i, 0, count - 1) unless
  /// 0 <= i < count.
  void check_index(long i) const;

  /// Inserts `p` (appends, for a plain collection); returns its index.
  long insert(void *p) { return v_insert(p); }
  GCollection &operator+(void *p) {
    insert(p);
    return *this;
  }
  /// Inserts `p` before index i; an index beyond the count first extends
  /// the collection with null items. A negative index throws.
  void at_insert(long i, void *p) { v_at_insert(i, p); }
  /// Inserts items first .. first + n - 1 of `from` (shared, not copied)
  /// before index at; `from` may be this collection.
  void at_insert_range(long at, const GCollection &from, long first, long n) {
    v_at_insert_range(at, from, first, n);
  }
  void at_insert_collection(long at, const GCollection &from) {
    v_at_insert_range(at, from, 0, from.getCount());
  }
  /// Replaces item i (checked) without freeing the old one.
  void at_put(long i, void *p) { v_at_put(i, p); }

  /// Removes `p` without freeing it; returns its index or -1.
  long remove(void *p) { return v_remove(p); }
  GCollection &operator-(void *p) {
    remove(p);
    return *this;
  }
  /// Removes item i; an invalid index is ignored.
  void at_remove(long i) { v_at_remove(i); }
  /// Removes n items from i on (clipped to the count).
  void at_remove_range(long i, long n) { v_at_remove_range(i, n); }
  /// Count 0 without freeing.
  void remove_all();

  /// Removes `p` and frees it when it was found.
  void free(void *p);
  /// Removes item i (checked) and frees it.
  void at_free(long i);
  /// Frees every item, from the last to the first; count 0.
  void free_all();
  /// free_all when owning, else remove_all.
  void empty();
  void Empty() { empty(); }
  /// free_all when owning.
  void shut_down() override;

  /// The index of `p` (for a plain collection the highest index holding
  /// exactly p), or -1.
  long index_of(const void *p) const { return v_index_of(p); }

  /// Stream form: count, limit and delta as compat dwords, the owns byte,
  /// then each item through write_item.
  void read(ipstream &is) override;
  void write(opstream &os) override;

  /// Removes the null items, keeping the order of the others.
  virtual void pack();
  /// Sets the limit (never below the count).
  virtual void setLimit(long limit);

protected:
  /// The state read fills: that of the default constructor.
  explicit GCollection(StreamableInit);

  virtual long v_index_of(const void *p) const;
  virtual void v_at_insert(long i, void *p);
  virtual void v_at_insert_range(long at, const GCollection &from, long first, long n);
  virtual void v_at_put(long i, void *p);
  virtual long v_insert(void *p);
  virtual void v_at_remove(long i);
  virtual void v_at_remove_range(long i, long n);
  virtual long v_remove(void *p);
  /// Frees one item; a plain collection does not know how, so it does
  /// nothing.
  virtual void freeItem(void *p);
  /// Writes one item; a plain collection writes nothing.
  virtual void write_item(const void *p, opstream &os);
  /// Reads one item; a plain collection reads nothing and gives null.
  virtual void *read_item(ipstream &is);

  /// Makes room for n items at index `at`: grows the limit, and when `at`
  /// lies beyond the count, extends the count to `at` with null items.
  void reserveSpaceForItems(long at, long n);
  /// Appends without any check of the order (for readers).
  void appendItem(void *p);

private:
  void init(long limit, long delta, unsigned char owns);
  /// Real storage for at least `slots` items.
  void reserveStorage(size_t slots, bool exact);

  void **Items = nullptr;
  size_t Capacity = 0;
  int32_t Count = 0;
  int32_t Limit = 0;
  int32_t Delta = 4;
  unsigned char OwnsItems = 1;
};

#endif // VYX_CONTAINERS_COLLECTION_H
