//===- class_dictionary.cpp - Metaclasses sorted by name -----------------===//

#include "object_model/class_dictionary.h"
#include "object_model/metaclass.h"

#include <cstring>

namespace {
constexpr long kDictionaryDelta = 16;

const char *nameOrEmpty(const char *name) { return name ? name : ""; }
} // namespace

GClassDictionary::GClassDictionary() : GVoidPtrSortedArrayPrim(kDictionaryDelta) {}

GClassDictionary::~GClassDictionary() = default;

const void *GClassDictionary::key_of(const void *item) const {
  return static_cast<const GMetaClass *>(item)->getName();
}

int GClassDictionary::compare(const void *key1, const void *key2) const {
  // strcmp compares the bytes as unsigned char; swapping the operands gives
  // the descending order.
  return std::strcmp(nameOrEmpty(static_cast<const char *>(key2)),
                     nameOrEmpty(static_cast<const char *>(key1)));
}

bool GClassDictionary::search_name(const char *name, long &index) const {
  const char *key = nameOrEmpty(name);
  return search_by(
      [key](const void *item) {
        return std::strcmp(key, nameOrEmpty(static_cast<const GMetaClass *>(item)->getName()));
      },
      index);
}

long GClassDictionary::insert(const GMetaClass &m) {
  long index;
  if (!search_name(m.getName(), index))
    at_insert(index, &m);
  return index;
}

long GClassDictionary::remove(const GMetaClass &m) { return remove(m.getName()); }

long GClassDictionary::remove(const char *name) {
  long index = index_of(name);
  if (index >= 0)
    at_remove(index);
  return index;
}

long GClassDictionary::index_of(const GMetaClass &m) const { return index_of(m.getName()); }

long GClassDictionary::index_of(const char *name) const {
  long index;
  return search_name(name, index) ? index : -1;
}
