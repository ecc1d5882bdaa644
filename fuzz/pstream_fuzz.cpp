//===- pstream_fuzz.cpp - Arbitrary bytes read as a pstream ---------------===//
//
// Input layout:
//   byte 0      mode: even reads one object by pointer (any registered class,
//               by the name in the data); odd builds the registered class
//               chosen by byte 1 and reads it by value (readStreamable)
//   rest        the pstream bytes, after expansion (below), followed by as
//               many plain reads (strings, GString, primitives, metaclasses,
//               skips) as the bytes last, each chosen by the byte before it
//
// Expansion: the byte 0xFA followed by k stands for a prefix '{' and the name
// of registered class k (modulo the registry size), so that the fuzzer
// reaches the read of every streamable class of the library without having
// to guess class names. Everything else is copied as it is.
//
// The objects read are destroyed at the end; reading may throw only the
// library's exceptions; sanitizers catch the rest (crashes, leaks, overflows).
//
//===----------------------------------------------------------------------===//

#include "object_model/metaclass.h"
#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"
#include "strings/gstring.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr unsigned char ClassEscape = 0xFA;
constexpr int MaxPlainReads = 256;

std::vector<unsigned char> expand(const uint8_t *data, size_t size) {
  std::vector<unsigned char> out;
  out.reserve(size);
  long classes = GMetaClass::GetCount();
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != ClassEscape || i + 1 >= size || classes <= 0) {
      out.push_back(data[i]);
      continue;
    }
    const GMetaClass *m = GMetaClass::At(data[++i] % classes);
    const char *name = m && m->getName() ? m->getName() : "";
    size_t n = std::strlen(name);
    out.push_back(0x7B);
    out.push_back(static_cast<unsigned char>(n));
    out.push_back(static_cast<unsigned char>(n >> 8));
    out.insert(out.end(), name, name + n);
  }
  return out;
}

/// Destroys a streamable read from the data.
struct StreamableDeleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};
using Owned = std::unique_ptr<GStreamable, StreamableDeleter>;

void plainReads(ipstream &is) {
  for (int i = 0; i < MaxPlainReads && is.good(); ++i) {
    switch (is.readByte() % 8) {
    case 0: {
      GString s;
      is >> s;
      break;
    }
    case 1:
      delete[] is.readWideString();
      break;
    case 2:
      delete[] is.readCharString();
      break;
    case 3: {
      double d;
      long l;
      unsigned long long u;
      is >> d >> l >> u;
      break;
    }
    case 4:
      is.compat_readDWord();
      break;
    case 5: {
      const GMetaClass *m;
      is >> m;
      break;
    }
    case 6:
      is.skipBytes(is.readByte());
      break;
    default: {
      TGSNumber<double, 1> length;
      is >> length;
      break;
    }
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  bool byValue = data[0] & 1;
  unsigned classChoice = data[1];
  std::vector<unsigned char> bytes = expand(data + 2, size - 2);
  if (bytes.empty())
    bytes.push_back(0);
  impstream is(bytes.data(), long(bytes.size()), GIO::IO_READ);
  Owned object;
  try {
    if (byValue) {
      long classes = GMetaClass::GetCount();
      const GMetaClass *m = classes > 0 ? GMetaClass::At(classChoice % classes) : nullptr;
      GRTTIObject *built = m ? m->buildObject() : nullptr;
      GStreamable *target = vyx::rtti_cast<GStreamable>(built);
      if (built && !target)
        m->destroyObject(built);
      if (target) {
        object.reset(target);
        is.readStreamable(*target);
      }
    } else {
      object.reset(static_cast<GStreamable *>(is.readPointer(GStreamable::gTypeInfo_)));
    }
    plainReads(is);
  } catch (const GException &) {
    // The library's report of damaged data.
  }
  return 0;
}
