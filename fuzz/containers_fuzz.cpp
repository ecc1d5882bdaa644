// Reads arbitrary bytes as the stream forms of the containers: a plain,
// sorted or string collection (by value and through the class registry), a
// bit set, points and rectangles. Nothing may crash, leak, hang or allocate
// beyond a small multiple of the input.
#include "containers/bit_set.h"
#include "containers/point_rect.h"
#include "containers/sorted_collection.h"
#include "pstreams/memory_pstream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

/// A memory stream whose registry knows no string collections: those are
/// read by value (mode 4), where the strings of a non-owning collection
/// can be handed back to it after a failure.
class FuzzStream : public impstream {
public:
  using impstream::impstream;

protected:
  const GMetaClass *find_class(const char *name) override {
    const GMetaClass *m = impstream::find_class(name);
    return m && m->isKindOf(GStringCollection::metaclass_) ? nullptr : m;
  }
};

/// Items read into a collection that does not own them belong to the
/// caller: take them over so that they are freed.
void Release(GStreamable *object) {
  if (auto *collection = vyx::rtti_cast<GCollection>(object))
    collection->ownsItems(1);
  GStreamable::Destroy(object);
}

void ReadAll(uint8_t mode, ipstream &is) {
  switch (mode % 6) {
  case 0: {
    GCollection c;
    c.read(is);
    break;
  }
  case 1: {
    GStringCollection c;
    c.read(is);
    c.ownsItems(1); // the strings read are the caller's: free them with it
    c.index_of("probe");
    c.resort();
    break;
  }
  case 2: {
    BitSet s;
    is >> s;
    s.getEnabledCount();
    break;
  }
  case 3: {
    GRect r;
    GPoint p;
    is >> r >> p;
    r.read_old(is);
    int x1 = p.x, y1 = p.y, x2 = r.left(), y2 = r.bottom();
    r.clip_line(x1, y1, x2, y2);
    break;
  }
  case 4: {
    // A whole object record read by value into a string collection.
    GStringCollection c;
    try {
      is.readStreamable(c);
    } catch (...) {
      c.ownsItems(1);
      throw;
    }
    c.ownsItems(1);
    break;
  }
  default:
    // Object records through the class registry (plain and sorted
    // collections; string collections are read by value above).
    while (is.good())
      Release(static_cast<GStreamable *>(is.readPointer(GCollection::gTypeInfo_)));
    break;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  std::vector<uint8_t> bytes(data + 1, data + size);
  FuzzStream is(bytes.data(), static_cast<long>(bytes.size()));
  try {
    ReadAll(data[0], is);
  } catch (const GException &) {
  }
  return 0;
}
