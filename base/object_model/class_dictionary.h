//===- class_dictionary.h - Metaclasses sorted by name ----------*- C++ -*-===//
//
// GClassDictionary holds GMetaClass pointers keyed by class name, unique
// names, in descending order of the names' unsigned byte values. It is the
// class registry itself and the result type of the class queries of
// GMetaClass. It never owns the metaclasses it lists.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_CLASS_DICTIONARY_H
#define VYX_OBJECT_MODEL_CLASS_DICTIONARY_H

#include "object_model/void_ptr_sorted_array.h"
#include "vyx_base_export.h"

class GMetaClass;

/// A sorted set of metaclasses keyed by name (descending byte order).
class VYX_BASE_API GClassDictionary : public GVoidPtrSortedArrayPrim {
public:
  GClassDictionary();
  GClassDictionary(const GClassDictionary &other) = default;
  GClassDictionary &operator=(const GClassDictionary &other) = default;
  ~GClassDictionary() override;

  /// Inserts `m` when no entry has its name; returns the index of the name
  /// either way.
  long insert(const GMetaClass &m);
  /// Removes the entry with the name of `m` (or `name`); returns the index
  /// it had, or -1 when there was none.
  long remove(const GMetaClass &m);
  long remove(const char *name);
  /// The index of the entry with the name of `m` (or `name`), -1 if absent.
  long index_of(const GMetaClass &m) const;
  long index_of(const char *name) const;

  /// Binary search for `name` (null counts as ""); true when found, `index`
  /// receives the match or the insertion point. Faster than search(): the
  /// names are compared directly.
  bool search_name(const char *name, long &index) const;

  /// The entry at `i`, null outside 0 to count-1.
  const GMetaClass *at(long i) const {
    return static_cast<const GMetaClass *>(GVoidPtrSortedArrayPrim::at(i));
  }
  const GMetaClass *operator[](long i) const { return at(i); }

protected:
  const void *key_of(const void *item) const override;
  /// Reverse unsigned byte-wise comparison of two names.
  int compare(const void *key1, const void *key2) const override;
};

#endif // VYX_OBJECT_MODEL_CLASS_DICTIONARY_H
