//===- pstream_fuzz.cpp - Arbitrary bytes read as a pstream ---------------===//
//
// Input layout:
//   byte 0      mode: bit 0 clear reads one object by pointer (any registered
//               class, by the name in the data), set builds the registered
//               class chosen by byte 1 and reads it by value
//               (readStreamable); bit 1 set reads with a tracer that checks
//               what it is told
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

#include "fuzz_check.h"
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

/// Checks what a reading stream tells: events in the order of the bytes,
/// values within the bytes read, records that always end, texts and bytes
/// that can be read.
class CheckingTracer : public vyx::PStreamTracer {
public:
  explicit CheckingTracer(const ipstream &stream) : Stream(stream) {}

  unsigned Depth = 0;
  uint64_t Checksum = 0;

  void value(const vyx::PStreamValue &v) override {
    at(v.Offset);
    FUZZ_CHECK(v.Offset + v.Size <= Stream.countOfReadBytes());
    // Every byte told of must be readable (the sanitizers watch).
    const auto *bytes = static_cast<const unsigned char *>(v.Data);
    for (std::size_t i = 0; bytes && i < v.Length; ++i)
      Checksum += bytes[i];
  }
  void nullPointer(uint64_t offset) override { at(offset); }
  void backReference(uint64_t offset, uint64_t, const GStreamable *) override { at(offset); }
  void recordStart(const vyx::PStreamRecord &record) override {
    at(record.Offset);
    FUZZ_CHECK(record.DataOffset >= record.Offset);
    if (record.Name)
      Checksum += std::strlen(record.Name);
    ++Depth;
  }
  void recordEnd(uint64_t offset, bool) override {
    at(offset);
    FUZZ_CHECK(Depth > 0);
    --Depth;
  }

private:
  void at(uint64_t offset) {
    FUZZ_CHECK(offset >= Last && offset <= Stream.countOfReadBytes());
    Last = offset;
  }
  const ipstream &Stream;
  uint64_t Last = 0;
};

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
  CheckingTracer tracer(is);
  if (data[0] & 2)
    is.setTracer(&tracer);
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
    FUZZ_CHECK(tracer.Depth == 0);
    plainReads(is);
  } catch (const GException &) {
    // The library's report of damaged data.
  }
  FUZZ_CHECK(tracer.Depth == 0);
  return 0;
}
