//===- bit_io_fuzz.cpp - Bit and buffered reading of arbitrary bytes ------===//
//
// Input layout: byte 0 picks the window size (1..64), byte 1 the number of
// operation bytes that follow; the rest is the data a borrowed memory
// device serves. Each operation byte picks a read (bit, bit group, byte,
// word, double word, block), a seek or a tell. Results must stay in their
// ranges. Then the same operations write the values they read into a
// growing device and read them back, which must give the same values.
//
//===----------------------------------------------------------------------===//

#include "io/bit_io.h"
#include "io/memory_io.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

#define FUZZ_CHECK(cond)                                                                           \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      __builtin_trap();                                                                            \
  } while (0)

struct Step {
  int Kind;
  int Count;
  long Value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  long window = (data[0] % 64) + 1;
  size_t opCount = data[1];
  if (opCount > size - 2)
    opCount = size - 2;
  const uint8_t *ops = data + 2;
  std::vector<uint8_t> payload(data + 2 + opCount, data + size);

  std::vector<Step> steps;
  {
    auto *memory = new GMemoryIO(payload.data(), long(payload.size()), GIO::IO_READ);
    GBitBufferedIO bits(memory, window);
    for (size_t i = 0; i < opCount; ++i) {
      int kind = ops[i] & 7;
      int count = ops[i] >> 3; // 0..31
      long value = 0;
      switch (kind) {
      case 0:
        value = bits.readBit();
        FUZZ_CHECK(value >= -1 && value <= 1);
        break;
      case 1:
        value = bits.readNBits(count);
        FUZZ_CHECK(value >= -1 && value < (1L << count));
        break;
      case 2:
        value = bits.readByte();
        FUZZ_CHECK(value >= -1 && value <= 255);
        break;
      case 3:
        value = bits.readWord();
        break;
      case 4:
        value = long(bits.readDWord() & 0xFFFFFFFFul);
        break;
      case 5: {
        uint8_t block[40];
        value = bits.gread(block, count);
        FUZZ_CHECK(value >= -1 && value <= count);
        break;
      }
      case 6:
        value = bits.gseek(count, GIO::IO_BEGIN);
        FUZZ_CHECK(value == -1 || value == count);
        FUZZ_CHECK(value == -1 ? count > long(payload.size()) : count <= long(payload.size()));
        break;
      default:
        value = bits.gtell();
        FUZZ_CHECK(value >= 0 && value <= long(payload.size()));
      }
      steps.push_back({kind, count, value});
    }
  }

  // Round trip of the bit groups and bits that were read successfully.
  auto *memory = new GMemoryIO;
  GBitBufferedIO bits(memory, window);
  for (const Step &s : steps) {
    if (s.Kind == 0 && s.Value >= 0)
      FUZZ_CHECK(bits.writeBit(int(s.Value)) == 0);
    else if (s.Kind == 1 && s.Value >= 0)
      FUZZ_CHECK(bits.writeNBits(static_cast<unsigned long>(s.Value), s.Count) == 0);
    else if (s.Kind == 2 && s.Value >= 0)
      FUZZ_CHECK(bits.writeByte(static_cast<unsigned char>(s.Value)) == s.Value);
  }
  FUZZ_CHECK(bits.gseek(0, GIO::IO_BEGIN) == 0);
  for (const Step &s : steps) {
    if (s.Kind == 0 && s.Value >= 0)
      FUZZ_CHECK(bits.readBit() == s.Value);
    else if (s.Kind == 1 && s.Value >= 0)
      FUZZ_CHECK(bits.readNBits(s.Count) == s.Value);
    else if (s.Kind == 2 && s.Value >= 0)
      FUZZ_CHECK(bits.readByte() == s.Value);
  }
  return 0;
}
