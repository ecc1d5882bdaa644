//===- flate_fuzz.cpp - Decompression of arbitrary bytes -----------------===//
//
// Input layout: byte 0 picks the compression speed for the round trip
// (low 4 bits) and the read size (high 4 bits); the rest is the compressed
// stream. Reading must end in IO_EOF or IO_BAD_DATA (at most 4 MB are
// taken). The bytes read are then compressed again and must decompress to
// the same bytes.
//
//===----------------------------------------------------------------------===//

#include "io/flate_io.h"
#include "io/memory_io.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr size_t OutputLimit = 4 << 20;

/// Reads everything (up to OutputLimit) in pieces of `piece` bytes.
std::vector<uint8_t> readAll(std::vector<uint8_t> &stream, long piece, GIO::IOErrors &error) {
  auto *memory = new GMemoryIO(stream.data(), long(stream.size()), GIO::IO_READ);
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  std::vector<uint8_t> out;
  std::vector<uint8_t> buffer(size_t(piece), 0);
  while (out.size() < OutputLimit) {
    long got = flate.gread(buffer.data(), piece);
    FUZZ_CHECK(got >= -1 && got <= piece);
    if (got <= 0)
      break;
    out.insert(out.end(), buffer.begin(), buffer.begin() + got);
  }
  error = flate.getError();
  FUZZ_CHECK(memory->gtell() <= long(stream.size()));
  return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  int speed = data[0] & 15;
  long piece = 1L << (data[0] >> 4); // 1 .. 32768
  std::vector<uint8_t> stream(data + 1, data + size);

  GIO::IOErrors error;
  std::vector<uint8_t> out = readAll(stream, piece, error);
  if (out.size() < OutputLimit)
    FUZZ_CHECK(error == GIO::IO_EOF || error == GIO::IO_BAD_DATA);

  auto *memory = new GMemoryIO;
  std::vector<uint8_t> coded;
  {
    GFlateBufferedIO flate(new GBufferedIO(memory, 4096), speed);
    FUZZ_CHECK(flate.gwrite(out.data(), long(out.size())) == long(out.size()) || out.empty());
    flate.flush();
    FUZZ_CHECK(flate.getError() == GIO::IO_OK);
    auto *p = static_cast<uint8_t *>(memory->buffer());
    if (p)
      coded.assign(p, p + memory->size());
  }
  std::vector<uint8_t> back = readAll(coded, 65536, error);
  FUZZ_CHECK(error == GIO::IO_EOF);
  FUZZ_CHECK(back == out);
  return 0;
}
