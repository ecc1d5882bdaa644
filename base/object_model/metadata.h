//===- metadata.h - Typed values attached to classes ------------*- C++ -*-===//
//
// The metadata store attaches values to run-time classes. A GMetaIndex is a
// key object: its address names one kind of metadata (say "icon of the
// class"). The store maps (index, class) to a record holding the value's
// bytes, their length and an optional free function. Lookups may also search
// the ancestors of the class, so a value set on a base class is inherited.
//
// GMetaData is a handle that names an index and a class and reads or writes
// that record. All store operations run under one process-wide recursive
// lock. The store exists while at least one GMetaIndex lives; destroying an
// index discards its records.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_METADATA_H
#define VYX_OBJECT_MODEL_METADATA_H

#include "vyx_base_export.h"

class GMetaClass;

/// The key of one kind of metadata; identified by its address.
class VYX_BASE_API GMetaIndex {
public:
  GMetaIndex();
  /// Discards the records of this index; the last index deletes the store.
  ~GMetaIndex();
  GMetaIndex(const GMetaIndex &) = delete;
  GMetaIndex &operator=(const GMetaIndex &) = delete;

  /// Number of live GMetaIndex objects.
  static long GetCount();
};

/// A handle on the metadata record of one index and one class.
class VYX_BASE_API GMetaData {
public:
  /// Called with the address of the stored bytes when a record is replaced
  /// or removed (for a value set with setPtr that address holds the
  /// pointer, not the object it points at).
  typedef void (*FreeFunc)(void *storedBytes);

  GMetaData() = default;
  explicit GMetaData(const GMetaIndex &index) : Index(&index) {}
  GMetaData(const GMetaIndex &index, const GMetaClass &metaclass)
      : Index(&index), MetaClass(&metaclass) {}

  void setMetaIndex(const GMetaIndex *index) { Index = index; }
  void setMetaClass(const GMetaClass *metaclass) { MetaClass = metaclass; }
  const GMetaIndex *getMetaIndex() const { return Index; }
  const GMetaClass *getMetaClass() const { return MetaClass; }
  /// Whether lookups also search the ancestors (true after construction).
  void lookInheritedAlso(bool inherited) { Inherited = inherited; }
  bool lookInheritedAlso() const { return Inherited; }

  // Setters store a value for exactly this class. They return false and
  // store nothing when the handle lacks an index or a class, or when the
  // value does not fit its 32-bit field (setLong, setULong).
  bool setData(const void *data, unsigned length, FreeFunc free = nullptr);
  bool setBool(bool value);
  bool setLong(long value);
  bool setULong(unsigned long value);
  bool setFloat(float value);
  bool setDouble(double value);
  /// Stores the pointer value itself (8 bytes).
  bool setPtr(const void *value, FreeFunc free = nullptr);

  /// Address of the stored bytes, or null. The bytes stay valid until the
  /// record is replaced or removed; the typed getters copy under the lock.
  const void *getData() const;
  /// Length of the stored value, 0 when nothing is stored.
  unsigned getLength() const;
  // Typed getters: the stored value, or `fallback` when nothing (or a value
  // shorter than the type) is stored.
  bool getBool(bool fallback) const;
  long getLong(long fallback) const;
  unsigned long getULong(unsigned long fallback) const;
  float getFloat(float fallback) const;
  double getDouble(double fallback) const;
  const void *getPtr(const void *fallback) const;
  /// Removes the record of exactly this class; false when there was none.
  bool removeData();

  /// Stores `length` bytes from `data` for (index, class), replacing a
  /// previous record (its free function is called). `data` may point into
  /// the record being replaced. False for a null index or class, or null
  /// data with a non-zero length.
  static bool SetMetaData(const GMetaIndex *index, const GMetaClass *metaclass, const void *data,
                          unsigned length, FreeFunc free);
  /// The stored bytes for (index, class), or, with `inherited`, for the
  /// class or its nearest ancestor in ancestor order (depth first); null
  /// when none. `length` (optional) receives the length.
  static const void *GetMetaData(const GMetaIndex *index, const GMetaClass *metaclass,
                                 bool inherited, unsigned *length = nullptr);
  /// Removes the record of (index, class); false when there was none.
  static bool RemoveMetaData(const GMetaIndex *index, const GMetaClass *metaclass);

private:
  bool copyValue(void *out, unsigned size) const;

  const GMetaIndex *Index = nullptr;
  const GMetaClass *MetaClass = nullptr;
  bool Inherited = true;
};

#endif // VYX_OBJECT_MODEL_METADATA_H
