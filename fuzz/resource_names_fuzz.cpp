//===- resource_names_fuzz.cpp - Stream and text forms of resource names -===//
//
// Input layout: byte 0 selects what the rest is read as:
//   0  the stream form of a GResourcePath
//   1  the stream form of a GResourceFullName
//   2  a pointer to a GResourceDirectory (any class named in the data)
//   3  the text form of a full name (and of a path)
// Whatever reads without an exception is written back and read again, and
// must come back equal; a directory must come back with the same tree.
// Reading may throw only the library's exceptions; sanitizers catch the
// rest (crashes, leaks, double ownership).
//
//===----------------------------------------------------------------------===//

#include "object_model/exceptions.h"
#include "pstreams/memory_pstream.h"
#include "resources/resource_directory.h"
#include "resources/resource_full_name.h"
#include "resources/resource_path.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct StreamableDeleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};
using OwnedDirectory = std::unique_ptr<GResourceDirectory, StreamableDeleter>;

bool sameTree(const GResourceDirectory &a, const GResourceDirectory &b, int depth) {
  FUZZ_CHECK(depth < 4096);
  if (a.get_name() != b.get_name() || a.getCount() != b.getCount())
    return false;
  for (long t = 0; t < a.getCount(); ++t) {
    const ResourceTypeItem *ta = a.at(t), *tb = b.at(t);
    FUZZ_CHECK(ta->get_items() && tb->get_items()); // never null after a read
    if (ta->get_name() != tb->get_name() ||
        ta->get_items()->getCount() != tb->get_items()->getCount())
      return false;
    for (long i = 0; i < ta->get_items()->getCount(); ++i) {
      const ResourceItem *ia = ta->get_items()->at(i), *ib = tb->get_items()->at(i);
      if (ia->get_key() != ib->get_key() || !(ia->block() == ib->block()))
        return false;
      if (i > 0) // sorted, no duplicates
        FUZZ_CHECK(vyx::CompareResourceNames(ta->get_items()->at(i - 1)->get_key(), ia->get_key()) <
                   0);
    }
  }
  GResourceDirectoryList *la = a.get_subdirectories(false), *lb = b.get_subdirectories(false);
  long na = la ? la->getCount() : 0, nb = lb ? lb->getCount() : 0;
  if (na != nb)
    return false;
  for (long d = 0; d < na; ++d) {
    FUZZ_CHECK(la->at(d)->get_parent() == &a);
    if (!sameTree(*la->at(d), *lb->at(d), depth + 1))
      return false;
  }
  return true;
}

template <class Value> void roundTrip(const uint8_t *data, size_t size) {
  impstream is(const_cast<uint8_t *>(data), long(size));
  Value value;
  try {
    is >> value;
  } catch (const GException &) {
    return;
  }
  ompstream os;
  os << value;
  if (os.bad())
    return; // a path too long for its count field
  impstream again(os.data(), os.size());
  Value back;
  again >> back;
  FUZZ_CHECK(back == value);
}

void directory(const uint8_t *data, size_t size) {
  impstream is(const_cast<uint8_t *>(data), long(size));
  GResourceDirectory *read = nullptr;
  try {
    is >> read;
  } catch (const GException &) {
    return;
  }
  OwnedDirectory first(read);
  if (!first)
    return;
  ompstream os;
  os << first.get();
  impstream again(os.data(), os.size());
  GResourceDirectory *back = nullptr;
  again >> back;
  OwnedDirectory second(back);
  FUZZ_CHECK(second && sameTree(*first, *second, 0));
}

void text(const uint8_t *data, size_t size) {
  GString input(reinterpret_cast<const char *>(data), unsigned(size));
  GResourcePath path;
  path.parse_readable_form(input);
  GResourcePath pathAgain;
  pathAgain.parse_readable_form(path.get_readable_form());
  FUZZ_CHECK(pathAgain == path);
  GResourceFullName name;
  name.parse_readable_form(input);
  GResourceFullName nameAgain;
  nameAgain.parse_readable_form(name.get_readable_form());
  // Names whose path is empty keep nothing of the text but the path.
  if (!name.get_path().is_empty() || !name.get_name().isEmpty() || !name.get_type().isEmpty())
    FUZZ_CHECK(nameAgain == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  switch (data[0] & 3) {
  case 0:
    roundTrip<GResourcePath>(data + 1, size - 1);
    break;
  case 1:
    roundTrip<GResourceFullName>(data + 1, size - 1);
    break;
  case 2:
    directory(data + 1, size - 1);
    break;
  default:
    text(data + 1, size - 1);
    break;
  }
  return 0;
}
