//===- metadata.cpp - Typed values attached to classes -------------------===//

#include "object_model/metadata.h"
#include "object_model/class_system.h"
#include "object_model/exceptions.h"
#include "object_model/metaclass.h"
#include "platform/sync.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

constexpr unsigned kInlineBytes = 8;

/// One stored value: up to 8 bytes inside the record, longer values in an
/// owned heap block.
struct Record {
  unsigned char Inline[kInlineBytes] = {};
  unsigned char *Heap = nullptr;
  uint32_t Length = 0;
  GMetaData::FreeFunc Free = nullptr;

  unsigned char *bytes() { return Heap ? Heap : Inline; }

  /// Calls the free function on the stored bytes and drops the heap block.
  void release() {
    if (Free)
      Free(bytes());
    delete[] Heap;
    Heap = nullptr;
    Free = nullptr;
    Length = 0;
  }
};

using ClassTable = std::unordered_map<const GMetaClass *, Record>;

void releaseTable(ClassTable &table) {
  for (auto &entry : table)
    entry.second.release();
}

/// The store and the count of live indexes. The lock is created on first
/// use and never destroyed; the store lives while an index lives.
struct MetaState {
  vyx::CriticalSection Lock;
  std::unordered_map<const GMetaIndex *, ClassTable> *Store = nullptr;
  long IndexCount = 0;
};

MetaState &state() {
  static MetaState *s = new MetaState;
  return *s;
}

using Guard = std::lock_guard<vyx::CriticalSection>;

/// The record of `m` in `table` or, with `inherited`, of its nearest
/// ancestor in ancestor order, depth first.
Record *findInTable(ClassTable &table, const GMetaClass *m, bool inherited) {
  m = m->getClassIdentifier();
  auto found = table.find(m);
  if (found != table.end())
    return &found->second;
  if (!inherited)
    return nullptr;
  long count = m->getAncestorsCount();
  for (long i = 0; i < count; ++i) {
    const GMetaClass *base = m->getAncestor(i);
    if (Record *record = base ? findInTable(table, base, true) : nullptr)
      return record;
  }
  return nullptr;
}

/// The record for (index, class) as GetMetaData defines it. The caller
/// holds the lock.
Record *findRecord(const GMetaIndex *index, const GMetaClass *metaclass, bool inherited) {
  MetaState &s = state();
  if (!s.Store || !index || !metaclass)
    return nullptr;
  auto table = s.Store->find(index);
  if (table == s.Store->end())
    return nullptr;
  return findInTable(table->second, metaclass, inherited);
}

} // namespace

// GMetaIndex -----------------------------------------------------------------

GMetaIndex::GMetaIndex() {
  MetaState &s = state();
  Guard guard(s.Lock);
  ++s.IndexCount;
}

GMetaIndex::~GMetaIndex() {
  MetaState &s = state();
  Guard guard(s.Lock);
  if (s.Store) {
    // A later index may be built at this address: it must not find the
    // records of this one.
    auto table = s.Store->find(this);
    if (table != s.Store->end()) {
      releaseTable(table->second);
      s.Store->erase(table);
    }
  }
  if (--s.IndexCount == 0 && s.Store) {
    for (auto &table : *s.Store)
      releaseTable(table.second);
    delete s.Store;
    s.Store = nullptr;
  }
}

long GMetaIndex::GetCount() {
  MetaState &s = state();
  Guard guard(s.Lock);
  return s.IndexCount;
}

// GMetaData: the store -------------------------------------------------------

bool GMetaData::SetMetaData(const GMetaIndex *index, const GMetaClass *metaclass, const void *data,
                            unsigned length, FreeFunc free) {
  if (!index || !metaclass || (!data && length > 0))
    return false;
  // Copy the new bytes first: `data` may point into the record replaced.
  unsigned char inlineCopy[kInlineBytes] = {};
  std::unique_ptr<unsigned char[]> heapCopy;
  if (length > kInlineBytes) {
    heapCopy.reset(new (std::nothrow) unsigned char[length]);
    if (!heapCopy)
      throw OutOfMemory_Exception();
  }
  unsigned char *copy = heapCopy ? heapCopy.get() : inlineCopy;
  MetaState &s = state();
  Guard guard(s.Lock);
  if (length > 0)
    std::memcpy(copy, data, length);
  if (!s.Store)
    s.Store = new std::unordered_map<const GMetaIndex *, ClassTable>;
  Record &record = (*s.Store)[index][metaclass->getClassIdentifier()];
  record.release();
  if (heapCopy)
    record.Heap = heapCopy.release();
  else
    std::memcpy(record.Inline, inlineCopy, kInlineBytes);
  record.Length = length;
  record.Free = free;
  return true;
}

const void *GMetaData::GetMetaData(const GMetaIndex *index, const GMetaClass *metaclass,
                                   bool inherited, unsigned *length) {
  MetaState &s = state();
  Guard guard(s.Lock);
  Record *record = findRecord(index, metaclass, inherited);
  if (length)
    *length = record ? record->Length : 0;
  return record ? record->bytes() : nullptr;
}

bool GMetaData::RemoveMetaData(const GMetaIndex *index, const GMetaClass *metaclass) {
  MetaState &s = state();
  Guard guard(s.Lock);
  if (!s.Store || !index || !metaclass)
    return false;
  auto table = s.Store->find(index);
  if (table == s.Store->end())
    return false;
  auto found = table->second.find(metaclass->getClassIdentifier());
  if (found == table->second.end())
    return false;
  found->second.release();
  table->second.erase(found);
  if (table->second.empty())
    s.Store->erase(table);
  return true;
}

void vyx::detail::ForgetMetaDataOf(const GMetaClass *m) {
  MetaState &s = state();
  Guard guard(s.Lock);
  if (!s.Store)
    return;
  for (auto table = s.Store->begin(); table != s.Store->end();) {
    auto found = table->second.find(m);
    if (found != table->second.end()) {
      found->second.release();
      table->second.erase(found);
    }
    table = table->second.empty() ? s.Store->erase(table) : std::next(table);
  }
}

// GMetaData: the handle ------------------------------------------------------

bool GMetaData::setData(const void *data, unsigned length, FreeFunc free) {
  return SetMetaData(Index, MetaClass, data, length, free);
}

bool GMetaData::setBool(bool value) {
  unsigned char byte = value ? 1 : 0;
  return setData(&byte, 1);
}

bool GMetaData::setLong(long value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return false;
  int32_t stored = static_cast<int32_t>(value);
  return setData(&stored, sizeof stored);
}

bool GMetaData::setULong(unsigned long value) {
  if (value > std::numeric_limits<uint32_t>::max())
    return false;
  uint32_t stored = static_cast<uint32_t>(value);
  return setData(&stored, sizeof stored);
}

bool GMetaData::setFloat(float value) { return setData(&value, sizeof value); }

bool GMetaData::setDouble(double value) { return setData(&value, sizeof value); }

bool GMetaData::setPtr(const void *value, FreeFunc free) {
  return setData(&value, sizeof value, free);
}

const void *GMetaData::getData() const { return GetMetaData(Index, MetaClass, Inherited); }

unsigned GMetaData::getLength() const {
  unsigned length = 0;
  GetMetaData(Index, MetaClass, Inherited, &length);
  return length;
}

bool GMetaData::copyValue(void *out, unsigned size) const {
  MetaState &s = state();
  Guard guard(s.Lock);
  Record *record = findRecord(Index, MetaClass, Inherited);
  if (!record || record->Length < size)
    return false;
  std::memcpy(out, record->bytes(), size);
  return true;
}

bool GMetaData::getBool(bool fallback) const {
  unsigned char byte;
  return copyValue(&byte, 1) ? byte != 0 : fallback;
}

long GMetaData::getLong(long fallback) const {
  int32_t value;
  return copyValue(&value, sizeof value) ? value : fallback;
}

unsigned long GMetaData::getULong(unsigned long fallback) const {
  uint32_t value;
  return copyValue(&value, sizeof value) ? value : fallback;
}

float GMetaData::getFloat(float fallback) const {
  float value;
  return copyValue(&value, sizeof value) ? value : fallback;
}

double GMetaData::getDouble(double fallback) const {
  double value;
  return copyValue(&value, sizeof value) ? value : fallback;
}

const void *GMetaData::getPtr(const void *fallback) const {
  const void *value;
  return copyValue(&value, sizeof value) ? value : fallback;
}

bool GMetaData::removeData() { return RemoveMetaData(Index, MetaClass); }
