//===- memory_crc.cpp - CRC-32 register update ----------------------------===//
//
// Slicing by eight: eight tables derived from the byte table let the loop
// take eight bytes per step; the result is that of the byte-wise update.
//
//===----------------------------------------------------------------------===//

#include "resources/memory_crc.h"

#include <array>

namespace {

constexpr uint32_t Polynomial = 0xEDB88320u;
constexpr int Slices = 8;

using CrcTables = std::array<std::array<uint32_t, 256>, Slices>;

constexpr CrcTables makeTables() {
  CrcTables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? Polynomial ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n)
    for (int s = 1; s < Slices; ++s)
      t[s][n] = (t[s - 1][n] >> 8) ^ t[0][t[s - 1][n] & 0xFF];
  return t;
}

constexpr CrcTables Tables = makeTables();

} // namespace

uint32_t g_mem_CRC32(const void *data, std::size_t length, uint32_t crc) {
  const unsigned char *p = static_cast<const unsigned char *>(data);
  while (length >= Slices) {
    uint32_t low =
        crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    crc = Tables[7][low & 0xFF] ^ Tables[6][(low >> 8) & 0xFF] ^ Tables[5][(low >> 16) & 0xFF] ^
          Tables[4][low >> 24] ^ Tables[3][p[4]] ^ Tables[2][p[5]] ^ Tables[1][p[6]] ^
          Tables[0][p[7]];
    p += Slices;
    length -= Slices;
  }
  while (length--)
    crc = Tables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
