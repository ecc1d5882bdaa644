//===- compressed_pstream_fuzz.cpp - Arbitrary files read as compressed pstreams -===//
//
// Input layout:
//   byte 0      bit 0 clear: the rest of the input (after byte 1) is the file
//               as it is. Bit 0 set: the rest is a script for an ozpstream
//               that writes the file (speed: bits 1 to 4):
//                 0xFA k   a pointer to a default-built object of registered
//                          class k (modulo the registry size)
//                 0xFB     switch between compressed and plain transfer
//                 other    the byte itself
//               Bit 5 set: the written file then loses its last
//               (byte 1 & 15) + 1 bytes.
//               Bit 6 set: the reader starts in plain mode.
//   byte 1      the reader's switches: before object read i (i < 8) the
//               reader switches mode when bit i is set
//
// The reader reads up to 64 objects by pointer (any registered class, by the
// name in the data) and closes the stream. Reading may throw only the
// library's exceptions; positions reported by a switch never pass the end of
// the file; sanitizers catch the rest (crashes, leaks, overflows).
//
//===----------------------------------------------------------------------===//

#include "object_model/metaclass.h"
#include "pstreams/compressed_pstream.h"
#include "pstreams/streamable.h"

#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sanitizer/allocator_interface.h>
#include <string>
#include <vector>

namespace {

constexpr unsigned char ObjectEscape = 0xFA;
constexpr unsigned char SwitchEscape = 0xFB;
constexpr int MaxObjects = 64;
constexpr int ScriptedSwitches = 8;

/// Destroys a streamable (read or built).
struct StreamableDeleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};
using Owned = std::unique_ptr<GStreamable, StreamableDeleter>;

/// The file every run reads, in a folder of its own.
const std::string &scratchFile() {
  static const std::string file = [] {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_zpfuzz_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      std::abort();
    return std::string(buffer.data()) + "/input.vyz";
  }();
  return file;
}

void writeRaw(const uint8_t *data, size_t size) {
  FILE *f = std::fopen(scratchFile().c_str(), "wb");
  if (!f)
    std::abort();
  if (size)
    std::fwrite(data, 1, size, f);
  std::fclose(f);
}

/// A default-built object of registered class `k`, or null.
Owned buildClass(unsigned k) {
  long classes = GMetaClass::GetCount();
  const GMetaClass *m = classes > 0 ? GMetaClass::At(long(k % unsigned(classes))) : nullptr;
  GRTTIObject *built = m ? m->buildObject() : nullptr;
  GStreamable *object = vyx::rtti_cast<GStreamable>(built);
  if (built && !object)
    m->destroyObject(built);
  return Owned(object);
}

void writeScript(const uint8_t *script, size_t size, unsigned short speed) {
  ozpstream out(scratchFile().c_str(), fpbase::trunc, speed);
  std::vector<Owned> objects; // alive until the stream is closed
  try {
    for (size_t i = 0; i < size; ++i) {
      if (script[i] == SwitchEscape) {
        out.turn_to_comp(!out.is_comp());
      } else if (script[i] == ObjectEscape && i + 1 < size) {
        objects.push_back(buildClass(script[++i]));
        out << objects.back().get();
      } else {
        out.writeByte(script[i]);
      }
    }
  } catch (const GException &) {
    // A class that cannot be written; the file holds what was written.
  }
  out.close();
}

void cutFile(size_t bytes) {
  FILE *f = std::fopen(scratchFile().c_str(), "rb");
  if (!f)
    std::abort();
  std::vector<uint8_t> content;
  for (int c; (c = std::fgetc(f)) != EOF;)
    content.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  content.resize(content.size() > bytes ? content.size() - bytes : 0);
  writeRaw(content.data(), content.size());
}

long fileSize() {
  FILE *f = std::fopen(scratchFile().c_str(), "rb");
  if (!f)
    std::abort();
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  unsigned flags = data[0];
  unsigned switches = data[1];
  if (flags & 1) {
    writeScript(data + 2, size - 2, static_cast<unsigned short>((flags >> 1) & 15));
    if (flags & 0x20)
      cutFile((switches & 15) + 1);
  } else {
    writeRaw(data + 2, size - 2);
  }
  long end = fileSize();

  izpstream in(scratchFile().c_str());
  FUZZ_CHECK(in.is_open());
  auto turn = [&] {
    long position = in.turn_to_comp(!in.is_comp());
    FUZZ_CHECK(position >= -1 && position <= end);
  };
  std::vector<Owned> objects;
  try {
    if (flags & 0x40)
      turn();
    for (int i = 0; i < MaxObjects && in.good(); ++i) {
      if (i < ScriptedSwitches && (switches >> i & 1))
        turn();
      // A later record may refer back to an object read before: every
      // object stays alive until the stream is done, and dies once. A
      // back-reference may also name an object that a record embedded by
      // value in another one: that one is not an allocation of its own and
      // dies with its container.
      auto *object = static_cast<GStreamable *>(in.readPointer(GStreamable::gTypeInfo_));
      if (object && __sanitizer_get_ownership(dynamic_cast<const void *>(object)) &&
          std::none_of(objects.begin(), objects.end(),
                       [&](const Owned &o) { return o.get() == object; }))
        objects.emplace_back(object);
    }
  } catch (const GException &) {
    // The library's report of damaged data.
  }
  // Leaving a damaged stretch skips what is left of it.
  turn();
  in.close();
  FUZZ_CHECK(!in.is_open());
  return 0;
}
