//===- tgcollection.h - Typed collections of pointers -----------*- C++ -*-===//
//
// TGCollection<T> is a GCollection whose items are T pointers: freeItem
// deletes an item as a T (through its virtual destructor where T has one),
// and the destructor calls shut_down() first, so an owning typed collection
// deletes its items when it dies.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_TGCOLLECTION_H
#define VYX_CONTAINERS_TGCOLLECTION_H

#include "containers/collection.h"

/// A collection of T pointers.
template <class T> class TGCollection : public GCollection {
public:
  TGCollection() = default;
  TGCollection(long limit, long delta, unsigned char owns) : GCollection(limit, delta, owns) {}
  ~TGCollection() override { shut_down(); }

  T *at(long i) const { return static_cast<T *>(GCollection::at(i)); }
  T *operator[](long i) const { return at(i); }
  long index_of(const T *p) const { return GCollection::index_of(p); }
  long insert(T *p) { return GCollection::insert(p); }
  void at_insert(long i, T *p) { GCollection::at_insert(i, p); }
  void at_put(long i, T *p) { GCollection::at_put(i, p); }
  long remove(T *p) { return GCollection::remove(p); }
  void free(T *p) { GCollection::free(p); }
  TGCollection &operator+(T *p) {
    insert(p);
    return *this;
  }
  TGCollection &operator-(T *p) {
    remove(p);
    return *this;
  }

protected:
  void freeItem(void *p) override { delete static_cast<T *>(p); }
};

#endif // VYX_CONTAINERS_TGCOLLECTION_H
