//===- huffman_block_reader.cpp - Decoding one block of tokens -----------===//
//
// Reads one block of the token stream (format in huffman_io.h):
//
//   tag (3 bits): 1 end of stream, 2 plain block, 3 Huffman block
//   plain:   count (15 bits, at most 32000); per token 9 bits t, and for
//            t >= 256 15 more bits of distance - 1
//   Huffman: code-length count - 5 (4 bits, so at most 19 lengths),
//            3-bit code-length lengths, literal/length count - 257 (5 bits,
//            at most 286), the run-length coded lengths, distance count - 2
//            (5 bits, at most 30), their lengths; then tokens up to symbol
//            256, at most 32000 of them
//
// Bits come from the read window of the device below. While the window has
// at least 8 bytes left, the decoder loads 8 bytes at a time and gives back
// the whole bytes it did not use when it leaves that fast path. Near the end
// of the window it pulls one byte at a time and only when the code or field
// at hand needs more bits, so it never holds a whole byte it has not used
// when the window has to be refilled, and it stops exactly at the end of
// the block.
//
//===----------------------------------------------------------------------===//

#include "io/huffman_block_reader_impl.h"

#include "io/buffered_io.h"
#include "io/unaligned_impl.h"

#include <algorithm>

/// Ends the current block as malformed unless `cond` holds.
#define DECODE_CHECK(cond)                                                                         \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      return false;                                                                                \
  } while (0)

namespace vyx {

using namespace deflate;

namespace {

using namespace framing;

constexpr uint64_t lowMask(unsigned bits) { return (uint64_t(1) << bits) - 1; }

} // namespace

/// The bits of the device below's read window.
class HuffmanBlockReader::BitSource {
public:
  explicit BitSource(GAbstractBufferedIO &below)
      : Below(below), Next(below.peekBegin()), End(below.peekEnd()) {}

  // Fast path ---------------------------------------------------------------

  /// True while 8 bytes can be loaded at once.
  bool fastReady() const { return End - Next >= 8; }
  /// Holds at least 56 bits afterwards. Bits above Count are the stream's
  /// next bits, so reloading them ORs in equal values.
  void refill() {
    Bits |= loadLE64(Next) << Count;
    Next += (63 - Count) >> 3;
    Count |= 56;
  }
  uint32_t peek(unsigned bits) const { return static_cast<uint32_t>(Bits & lowMask(bits)); }
  void consume(unsigned bits) {
    Bits >>= bits;
    Count -= bits;
  }
  uint32_t take(unsigned bits) {
    uint32_t v = peek(bits);
    consume(bits);
    return v;
  }
  /// Decodes a symbol; the caller has made sure that enough bits are held.
  uint32_t decodeFast(const uint32_t *table, unsigned rootBits) {
    uint32_t e = table[peek(rootBits)];
    if (entryKind(e) == KindLink) {
      consume(rootBits);
      e = table[entryValue(e) + peek(entryExtra(e))];
    }
    consume(entryBits(e));
    return e;
  }

  // Slow path ---------------------------------------------------------------

  /// Gives back the whole bytes held, keeping only the bits of the last
  /// byte taken; the bits above Count become zero.
  void leaveFast() {
    Next -= Count >> 3;
    Count &= 7;
    Bits &= lowMask(Count);
  }
  /// Holds at least `bits` bits (at most 32) afterwards; false at the end
  /// of the data.
  bool need(unsigned bits) {
    while (Count < bits)
      if (!pullByte())
        return false;
    return true;
  }
  /// Decodes a symbol from the bits held, pulling a byte only when the code
  /// is longer than what is held (missing bits read as zeros, and a code
  /// read so cannot look shorter than the true one).
  bool decodeSlow(const uint32_t *table, unsigned rootBits, uint32_t &entry) {
    for (;;) {
      uint32_t e = table[peek(rootBits)];
      unsigned bits = entryBits(e);
      if (entryKind(e) == KindLink) {
        e = table[entryValue(e) +
                  static_cast<uint32_t>((Bits >> rootBits) & lowMask(entryExtra(e)))];
        bits = rootBits + entryBits(e);
      }
      if (bits <= Count) {
        consume(bits);
        entry = e;
        return true;
      }
      if (!pullByte())
        return false;
    }
  }

  /// Ends the block: the padding bits of its last byte are dropped and the
  /// device below is left on the byte after it.
  void finish() {
    if (Next)
      Next -= Count >> 3;
    Count = 0;
    Bits = 0;
    commit();
  }
  /// Marks the bytes taken from the window as delivered.
  void commit() {
    if (Next)
      Below.skipPeeked(Next - Below.peekBegin());
  }

private:
  bool pullByte() {
    if (Next == End) {
      commit();
      int b = Below.readByte(); // starts a read phase or refills the window
      Next = Below.peekBegin();
      End = Below.peekEnd();
      if (b < 0) {
        // The bits held may come from a window that is gone: none of them
        // can be given back.
        Next = End = nullptr;
        return false;
      }
      Bits |= uint64_t(b) << Count;
    } else {
      Bits |= uint64_t(*Next++) << Count;
    }
    Count += 8;
    return true;
  }

public:
  // The hot loop copies these into locals (stores of decoded bytes could
  // otherwise alias them) and writes them back.
  GAbstractBufferedIO &Below;
  const unsigned char *Next;
  const unsigned char *End;
  uint64_t Bits = 0;
  unsigned Count = 0;
};

HuffmanBlockReader::Result HuffmanBlockReader::decode(GAbstractBufferedIO &below, uint8_t *values,
                                                      uint16_t *distances, size_t capacity,
                                                      size_t &count) {
  count = 0;
  BitSource in(below);
  if (!in.need(TagBits)) {
    in.commit();
    return EndOfData;
  }
  unsigned tag = in.take(TagBits);
  bool ok = false;
  switch (tag) {
  case TagEnd:
    in.finish();
    return EndTag;
  case TagPlain:
    ok = decodePlain(in, values, distances, capacity, count);
    break;
  case TagHuffman:
    ok = decodeHuffman(in, values, distances, capacity, count);
    break;
  default:
    break;
  }
  in.finish();
  if (!ok) {
    count = 0;
    return Malformed;
  }
  return Block;
}

bool HuffmanBlockReader::decodePlain(BitSource &in, uint8_t *values, uint16_t *distances,
                                     size_t capacity, size_t &count) {
  DECODE_CHECK(in.need(CountBits));
  size_t n = in.take(CountBits);
  DECODE_CHECK(n <= capacity);
  size_t i = 0;
  while (i < n) {
    if (in.fastReady()) {
      // Two tokens of at most 24 bits each per refill.
      in.refill();
      for (int k = 0; k < 2 && i < n; ++k, ++i) {
        uint32_t t = in.take(PlainSymbolBits);
        if (t < 256) {
          values[i] = static_cast<uint8_t>(t);
          distances[i] = 0;
        } else {
          values[i] = static_cast<uint8_t>(t - 256);
          distances[i] = static_cast<uint16_t>(in.take(PlainDistanceBits) + 1);
        }
      }
      if (!in.fastReady())
        in.leaveFast();
      continue;
    }
    DECODE_CHECK(in.need(PlainSymbolBits));
    uint32_t t = in.take(PlainSymbolBits);
    if (t < 256) {
      values[i] = static_cast<uint8_t>(t);
      distances[i] = 0;
    } else {
      DECODE_CHECK(in.need(PlainDistanceBits));
      values[i] = static_cast<uint8_t>(t - 256);
      distances[i] = static_cast<uint16_t>(in.take(PlainDistanceBits) + 1);
    }
    ++i;
  }
  count = n;
  return true;
}

bool HuffmanBlockReader::readLengths(BitSource &in, uint8_t *lengths, int count) {
  int i = 0;
  while (i < count) {
    uint32_t e;
    DECODE_CHECK(in.decodeSlow(CodeLengthTable, MaxCodeLengthBits, e));
    unsigned symbol = entryValue(e);
    DECODE_CHECK(symbol < CodeLengthCodes);
    if (symbol < RepeatPrevious) {
      lengths[i++] = static_cast<uint8_t>(symbol);
      continue;
    }
    unsigned extra = entryExtra(e);
    DECODE_CHECK(in.need(extra));
    int repeat = static_cast<int>(in.take(extra));
    uint8_t value = 0;
    if (symbol == RepeatPrevious) {
      DECODE_CHECK(i > 0); // a sequence starts with an explicit length
      value = lengths[i - 1];
      repeat += 3;
    } else {
      repeat += symbol == RepeatZeros3 ? 3 : 11;
    }
    DECODE_CHECK(repeat <= count - i); // no run past the announced count
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  return true;
}

bool HuffmanBlockReader::readCodes(BitSource &in) {
  DECODE_CHECK(in.need(CodeLengthCountBits));
  int codeLengthCount = static_cast<int>(in.take(CodeLengthCountBits)) + MinCodeLengthsSent;
  DECODE_CHECK(codeLengthCount <= CodeLengthCodes);
  uint8_t codeLengthLengths[CodeLengthCodes] = {};
  for (int i = 0; i < codeLengthCount; ++i) {
    DECODE_CHECK(in.need(CodeLengthBits));
    codeLengthLengths[CodeLengthOrder[i]] = static_cast<uint8_t>(in.take(CodeLengthBits));
  }
  DECODE_CHECK(buildDecodeTable(codeLengthLengths, CodeLengthCodes, MaxCodeLengthBits,
                                MaxCodeLengthBits, CodeLengthEntries.data(), CodeLengthTable,
                                CodeLengthTableSize));

  DECODE_CHECK(in.need(LiteralCountBits));
  int literalCount = static_cast<int>(in.take(LiteralCountBits)) + MinLiteralCodes;
  DECODE_CHECK(literalCount <= LiteralLengthCodes);
  uint8_t literalLengths[LiteralLengthCodes];
  DECODE_CHECK(readLengths(in, literalLengths, literalCount));

  DECODE_CHECK(in.need(DistanceCountBits));
  int distanceCount = static_cast<int>(in.take(DistanceCountBits)) + MinDistanceCodes;
  DECODE_CHECK(distanceCount <= DistanceCodes);
  uint8_t distanceLengths[DistanceCodes];
  DECODE_CHECK(readLengths(in, distanceLengths, distanceCount));

  DECODE_CHECK(buildDecodeTable(literalLengths, literalCount, MaxCodeBits, LiteralRootBits,
                                LiteralEntries.data(), LiteralTable, LiteralTableSize));
  DECODE_CHECK(buildDecodeTable(distanceLengths, distanceCount, MaxCodeBits, DistanceRootBits,
                                DistanceEntries.data(), DistanceTable, DistanceTableSize));
  return true;
}

bool HuffmanBlockReader::decodeHuffman(BitSource &in, uint8_t *values, uint16_t *distances,
                                       size_t capacity, size_t &count) {
  DECODE_CHECK(readCodes(in));
  const uint32_t *literals = LiteralTable;
  const uint32_t *distanceTable = DistanceTable;
  size_t n = 0;
  for (;;) {
    if (in.End - in.Next >= 16) {
      // Fast path, on locals. Each refill holds at least 56 bits: a literal
      // or length code and then a second literal code (15 + 15 bits), or a
      // length code and, after a second refill when fewer than 33 bits
      // remain, its extra bits, the distance code and its extra bits.
      uint64_t bits = in.Bits;
      unsigned held = in.Count;
      const unsigned char *next = in.Next;
      const unsigned char *last = in.End - 16;
      auto refill = [&] {
        bits |= loadLE64(next) << held;
        next += (63 - held) >> 3;
        held |= 56;
      };
      auto decode = [&](const uint32_t *table, unsigned rootBits) {
        uint32_t e = table[bits & lowMask(rootBits)];
        if (entryKind(e) == KindLink) {
          bits >>= rootBits;
          held -= rootBits;
          e = table[entryValue(e) + (bits & lowMask(entryExtra(e)))];
        }
        bits >>= entryBits(e);
        held -= entryBits(e);
        return e;
      };
      auto take = [&](unsigned count) {
        uint32_t v = static_cast<uint32_t>(bits & lowMask(count));
        bits >>= count;
        held -= count;
        return v;
      };
      bool ended = false;
      bool overflow = false;
      // Stores a token; false when the block holds too many.
      auto push = [&](uint32_t value, uint32_t distance) {
        if (n >= capacity) {
          overflow = true;
          return false;
        }
        values[n] = static_cast<uint8_t>(value);
        distances[n] = static_cast<uint16_t>(distance);
        ++n;
        return true;
      };
      while (next <= last) {
        refill();
        uint32_t e = decode(literals, LiteralRootBits);
        if (entryKind(e) == KindValue) {
          if (!push(entryValue(e), 0))
            break;
          e = decode(literals, LiteralRootBits);
          if (entryKind(e) == KindValue) {
            if (!push(entryValue(e), 0))
              break;
            continue;
          }
        }
        if (entryKind(e) == KindEnd) {
          ended = true;
          break;
        }
        if (held < 33)
          refill();
        uint32_t length = entryValue(e) + take(entryExtra(e));
        uint32_t d = decode(distanceTable, DistanceRootBits);
        if (!push(length, entryValue(d) + take(entryExtra(d)) + 1))
          break;
      }
      in.Bits = bits;
      in.Count = held;
      in.Next = next;
      DECODE_CHECK(!overflow); // more tokens than a block holds
      if (ended) {
        count = n;
        return true;
      }
      in.leaveFast();
      continue;
    }
    uint32_t e;
    DECODE_CHECK(in.decodeSlow(literals, LiteralRootBits, e));
    uint32_t kind = entryKind(e);
    if (kind == KindEnd) {
      count = n;
      return true;
    }
    DECODE_CHECK(n < capacity);
    if (kind == KindValue) {
      values[n] = static_cast<uint8_t>(entryValue(e));
      distances[n] = 0;
    } else {
      DECODE_CHECK(in.need(entryExtra(e)));
      uint32_t length = entryValue(e) + in.take(entryExtra(e));
      uint32_t d;
      DECODE_CHECK(in.decodeSlow(distanceTable, DistanceRootBits, d));
      DECODE_CHECK(in.need(entryExtra(d)));
      values[n] = static_cast<uint8_t>(length);
      distances[n] = static_cast<uint16_t>(entryValue(d) + in.take(entryExtra(d)) + 1);
    }
    ++n;
  }
}

} // namespace vyx
