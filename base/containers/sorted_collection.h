//===- sorted_collection.h - Sorted and string collections ------*- C++ -*-===//
//
// GSortedCollection keeps its items ordered by a key (keyOf), finds them by
// binary search (compare) and accepts or rejects items whose key is already
// present (the duplicates flag, off by default). GStringCollection is a
// sorted collection of zero-terminated narrow strings in byte order.
//
// The strings of a GStringCollection are allocated with new[] and freed with
// delete[], whichever way they came in: copies are made with new[], and the
// stream reader returns new[] strings. Callers that hand strings to an
// owning string collection allocate them with new[] too.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_SORTED_COLLECTION_H
#define VYX_CONTAINERS_SORTED_COLLECTION_H

#include "containers/collection.h"

/// A collection ordered by key. Registered as "GSortedCollection".
class VYX_BASE_API GSortedCollection : public GCollection {
  VYX_DECLARE_CLASS(GSortedCollection);

  GSortedCollection(long limit = 0, long delta = 4, unsigned char owns = 1);

  unsigned char duplicates() const { return Duplicates; }
  /// With the flag set, items with equal keys are all kept.
  void duplicates(unsigned char allow) { Duplicates = allow; }

  /// Binary search for `key`. Without duplicates: true and the index of an
  /// equal key, or false and the insertion point. With duplicates: true and
  /// the leftmost equal key, or false and the insertion point.
  bool search(const void *key, long &index) const;
  /// Heap sort of the items by key.
  void resort();

  /// The key of an item: the item itself unless a derived class says else.
  virtual const void *keyOf(const void *item) const;
  /// Negative, zero or positive as key1 sorts before, with or after key2;
  /// by default the order of the pointer values.
  virtual int compare(const void *key1, const void *key2) const;

  /// The collection followed by the duplicates byte.
  void read(ipstream &is) override;
  void write(opstream &os) override;

protected:
  explicit GSortedCollection(StreamableInit);

  /// The index of an item with the key of `p` (without duplicates), or of
  /// `p` itself among the equal keys (with duplicates); -1 when absent.
  long v_index_of(const void *p) const override;
  /// Inserts before equal keys. Without duplicates an item whose key is
  /// present is not inserted (and freed when the collection owns its items,
  /// unless it is the very item already held); the index of the present
  /// item is returned.
  long v_insert(void *p) override;

private:
  unsigned char Duplicates = 0;
};

/// A sorted collection of new[] strings in byte order. Registered as
/// "GStringCollection".
class VYX_BASE_API GStringCollection : public GSortedCollection {
  VYX_DECLARE_CLASS(GStringCollection);

  GStringCollection(long limit = 0, long delta = 4, unsigned char owns = 1);
  /// Limit = the source's count, the source's delta and owns flag, then
  /// assignment.
  GStringCollection(const GStringCollection &other);
  /// Empties this collection, then takes the source's items in the same
  /// order and at the same indices. Strings are duplicated when this
  /// collection owns its items (it will free them) and shared otherwise.
  /// The owns and duplicates flags of this collection stay as they were.
  GStringCollection &operator=(const GStringCollection &other);
  /// Frees the strings when owning.
  ~GStringCollection() override;

  char *at(long i) const { return static_cast<char *>(GCollection::at(i)); }
  char *operator[](long i) const { return at(i); }
  long index_of(const char *s) const { return GCollection::index_of(s); }
  long insert(char *s) { return GCollection::insert(s); }
  void at_insert(long i, char *s) { GCollection::at_insert(i, s); }
  void at_put(long i, char *s) { GCollection::at_put(i, s); }
  long remove(char *s) { return GCollection::remove(s); }
  void free(char *s) { GCollection::free(s); }
  GStringCollection &operator+(char *s) {
    insert(s);
    return *this;
  }
  GStringCollection &operator-(char *s) {
    remove(s);
    return *this;
  }

  /// Unsigned byte order; a null string sorts before every other string.
  int compare(const void *key1, const void *key2) const override;

  /// The strings read belong to the collection when the stored owns flag
  /// is set and to the caller otherwise. A read that fails frees the
  /// strings it read and leaves the collection empty.
  void read(ipstream &is) override;

protected:
  explicit GStringCollection(StreamableInit);

  /// delete[].
  void freeItem(void *p) override;
  /// A narrow string per item.
  void write_item(const void *p, opstream &os) override;
  void *read_item(ipstream &is) override;
};

#endif // VYX_CONTAINERS_SORTED_COLLECTION_H
