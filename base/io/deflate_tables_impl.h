//===- deflate_tables_impl.h - Alphabets, trees and decoding tables --*- C++ -*-===//
//
// The pieces of the token coder that both directions share: the
// literal/length, distance and code-length alphabets with their extra bits,
// the builder of length-limited Huffman trees, the run-length coding of a
// sequence of code lengths, and the two-level lookup tables the decoder
// uses. The alphabets and the canonical code assignment are those of the
// well-known LZ77 + Huffman scheme; the tree builder reproduces the
// reference encoder's choices exactly, so the coded bytes are a function of
// the tokens alone.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_DEFLATE_TABLES_IMPL_H
#define VYX_IO_DEFLATE_TABLES_IMPL_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace vyx::deflate {

constexpr int LiteralLengthCodes = 286; ///< 0..255 literals, 256 end, 257..285 lengths
constexpr int EndOfBlock = 256;
constexpr int FirstLengthCode = 257;
constexpr int LengthCodes = 29;
constexpr int DistanceCodes = 30;
constexpr int CodeLengthCodes = 19;
constexpr int MaxCodeBits = 15;
constexpr int MaxCodeLengthBits = 7;
constexpr int MinMatch = 3;
constexpr int MaxMatch = 258;
constexpr int MaxDistance = 32768;

/// Field widths of the library's block framing (see huffman_io.h).
namespace framing {
constexpr unsigned TagBits = 3;
constexpr unsigned TagEnd = 1;
constexpr unsigned TagPlain = 2;
constexpr unsigned TagHuffman = 3;
constexpr unsigned CountBits = 15;
constexpr unsigned PlainSymbolBits = 9;
constexpr unsigned PlainDistanceBits = 15;
constexpr unsigned CodeLengthCountBits = 4;
constexpr unsigned CodeLengthBits = 3;
constexpr unsigned LiteralCountBits = 5;
constexpr unsigned DistanceCountBits = 5;
constexpr int MinCodeLengthsSent = 5;
constexpr int MinLiteralCodes = 257;
constexpr int MinDistanceCodes = 2;
constexpr size_t MaxBlockTokens = 32000;
} // namespace framing

/// Code-length symbols that repeat: the previous length 3..6 times, 3..10
/// zeros, 11..138 zeros.
constexpr int RepeatPrevious = 16;
constexpr int RepeatZeros3 = 17;
constexpr int RepeatZeros11 = 18;

/// The order in which the code-length code's lengths are sent.
inline constexpr std::array<uint8_t, CodeLengthCodes> CodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline constexpr std::array<uint8_t, LengthCodes> LengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
/// Smallest length - 3 of each length code.
inline constexpr std::array<uint8_t, LengthCodes> LengthBase = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,   10,  12,  14,  16,  20, 24,
    28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 255};
inline constexpr std::array<uint8_t, DistanceCodes> DistanceExtraBits = {
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
/// Smallest distance - 1 of each distance code.
inline constexpr std::array<uint16_t, DistanceCodes> DistanceBase = {
    0,   1,   2,   3,   4,   6,    8,    12,   16,   24,   32,   48,   64,    96,    128,
    192, 256, 384, 512, 768, 1024, 1536, 2048, 3072, 4096, 6144, 8192, 12288, 16384, 24576};
inline constexpr std::array<uint8_t, CodeLengthCodes> CodeLengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

namespace detail {
constexpr std::array<uint8_t, 256> makeLengthCodes() {
  std::array<uint8_t, 256> codes{};
  for (int code = 0; code < LengthCodes - 1; ++code)
    for (int n = 0; n < (1 << LengthExtraBits[code]); ++n)
      codes[LengthBase[code] + n] = static_cast<uint8_t>(code);
  // Length 258 has a code of its own: the last slot is overwritten.
  codes[255] = LengthCodes - 1;
  return codes;
}
constexpr std::array<uint8_t, 512> makeDistanceCodes() {
  std::array<uint8_t, 512> codes{};
  for (int code = 0; code < DistanceCodes; ++code)
    for (int n = 0; n < (1 << DistanceExtraBits[code]); ++n) {
      int d = DistanceBase[code] + n;
      codes[d < 256 ? d : 256 + (d >> 7)] = static_cast<uint8_t>(code);
    }
  return codes;
}
} // namespace detail

/// Length code (0..28) of a match length - 3 (0..255).
inline constexpr std::array<uint8_t, 256> LengthCodeOf = detail::makeLengthCodes();
/// Distance code of distance - 1, looked up through distanceCode().
inline constexpr std::array<uint8_t, 512> DistanceCodeTable = detail::makeDistanceCodes();

/// Distance code (0..29) of a distance - 1 (0..32767).
inline int distanceCode(unsigned distanceMinusOne) {
  return DistanceCodeTable[distanceMinusOne < 256 ? distanceMinusOne
                                                  : 256 + (distanceMinusOne >> 7)];
}

/// Builds a length-limited Huffman code the way the reference encoder does:
/// symbols of non-zero frequency enter a min-heap in increasing order, the
/// heap is ordered by frequency then depth, the two least nodes are merged
/// repeatedly, lengths above the limit are pushed down and reassigned in
/// the order of the merge list. Codes are canonical and stored bit-reversed.
class TreeBuilder {
public:
  /// Builds the code of `symbols` symbols with the given frequencies (0 for
  /// an unused symbol). Trees with fewer than two used symbols get
  /// placeholder symbols of frequency 1 so that every code has two codes.
  /// Writes lengths[0..symbols) and codes[0..symbols); returns the highest
  /// symbol with a non-zero length.
  int build(const uint32_t *freq, int symbols, int maxBits, uint8_t *lengths, uint16_t *codes);

private:
  static constexpr int HeapSize = 2 * LiteralLengthCodes + 1;

  bool smaller(int n, int m) const {
    return Freq[n] < Freq[m] || (Freq[n] == Freq[m] && Depth[n] <= Depth[m]);
  }
  void siftDown(int k);
  void assignLengths(int maxCode, int maxBits);

  int Heap[HeapSize];
  int HeapLen = 0;
  int HeapMax = 0;
  uint32_t Freq[HeapSize];
  int Depth[HeapSize];
  int Dad[HeapSize];
  int Len[HeapSize];
  int BitCount[MaxCodeBits + 1];
};

/// One item of a run-length coded length sequence: a code-length symbol and
/// the value of its extra bits.
struct LengthRun {
  uint8_t Symbol;
  uint8_t Extra;
};

/// Run-length codes lengths[0..count) into code-length symbols the way the
/// reference encoder does; returns the number of items written to runs
/// (at most count items).
size_t runLengthCode(const uint8_t *lengths, int count, LengthRun *runs);

/// Canonical codes (bit-reversed, as they are sent) of lengths[0..count).
void canonicalCodes(const uint8_t *lengths, int count, uint16_t *codes);

/// Reverses the low `bits` bits of code.
inline unsigned reverseBits(unsigned code, int bits) {
  unsigned result = 0;
  for (int i = 0; i < bits; ++i) {
    result = (result << 1) | (code & 1);
    code >>= 1;
  }
  return result;
}

// Decoding tables ---------------------------------------------------------
//
// An entry is 32 bits:
//   bits 0..4   bits the entry consumes (the root bits for a link entry)
//   bits 5..7   kind
//   bits 8..11  extra bits that follow (lengths, distances) or, for a link,
//               the index bits of the second-level table
//   bits 16..31 value: literal byte, length - 3 base, distance - 1 base,
//               code-length symbol, or the offset of the second-level table

enum EntryKind : uint32_t {
  KindValue = 0,  ///< literal byte, distance base or code-length symbol
  KindLength = 1, ///< match length base (length - 3)
  KindEnd = 2,    ///< end of block
  KindLink = 3,   ///< the code is longer than the root bits
};

constexpr uint32_t makeEntry(EntryKind kind, uint32_t value, uint32_t extra) {
  return (value << 16) | (extra << 8) | (static_cast<uint32_t>(kind) << 5);
}
inline uint32_t entryBits(uint32_t e) { return e & 31; }
inline uint32_t entryKind(uint32_t e) { return (e >> 5) & 7; }
inline uint32_t entryExtra(uint32_t e) { return (e >> 8) & 15; }
inline uint32_t entryValue(uint32_t e) { return e >> 16; }

constexpr int LiteralRootBits = 10;
constexpr int DistanceRootBits = 8;
constexpr int LiteralTableSize = (1 << LiteralRootBits) + 2048;
constexpr int DistanceTableSize = (1 << DistanceRootBits) + 1024;
constexpr int CodeLengthTableSize = 1 << MaxCodeLengthBits;

/// Entries (without their code lengths) of each literal/length symbol,
/// distance symbol and code-length symbol.
extern const std::array<uint32_t, LiteralLengthCodes> LiteralEntries;
extern const std::array<uint32_t, DistanceCodes> DistanceEntries;
extern const std::array<uint32_t, CodeLengthCodes> CodeLengthEntries;

/// Fills a lookup table for the code given by lengths[0..count) (each
/// 0..maxBits). False unless the lengths form a complete prefix code, that
/// is, they use up the whole code space exactly, or when the table would
/// not fit in `capacity` entries.
bool buildDecodeTable(const uint8_t *lengths, int count, int maxBits, int rootBits,
                      const uint32_t *symbolEntries, uint32_t *table, int capacity);

} // namespace vyx::deflate

#endif // VYX_IO_DEFLATE_TABLES_IMPL_H
