//===- flate_io.cpp - Flate-coded (LZ77 + Huffman) buffered device --------===//
//
// Writing: the caller's bytes go straight into the window; when it is full
// (and once more at the end) the window is cut into tokens with hash chains
// and lazy matching, and the window slides by 32 KiB when the current
// position passes 65273.
//
// Reading: the tokens of the Huffman device below are expanded in chunks of
// 65236 bytes. The chunk being built sits at [0, 65236) of the window; up to
// 557 bytes decoded past 65236 are carried to the front of the next chunk
// and stay at their old place too, so that a back-reference from the start
// of a chunk finds its source in the previous chunk, which continues into
// those mirrored bytes. Every back-reference is checked against the number
// of bytes decoded so far (DECODE_CHECK): one that reaches before the first
// byte marks the stream as damaged.
//
//===----------------------------------------------------------------------===//

#include "io/flate_io.h"

#include "io/unaligned_impl.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr unsigned WSize = 32768;
constexpr unsigned WindowBytes = 2 * WSize + 258;
/// Slack past the window for 8-byte loads and stores near its end.
constexpr unsigned WideSlack = 32;
constexpr unsigned HashSize = 32768;
constexpr unsigned HashMask = HashSize - 1;
constexpr unsigned HashShift = 5;
constexpr unsigned MinMatch = 3;
constexpr unsigned MaxMatch = 258;
constexpr unsigned MinLookahead = MaxMatch + MinMatch + 1;
constexpr unsigned MaxDist = WSize - MinLookahead;
constexpr unsigned TooFar = 4096;
/// The window slides once the current position passes this.
constexpr unsigned SlideAfter = 2 * WSize - MinLookahead - 1;
/// Step 2 of a chunk decodes at least up to here, so that the carried bytes
/// cover any copy that continues from the previous chunk into them.
constexpr long CarryEnd = 2 * WSize;

struct SpeedParameters {
  uint16_t GoodMatch;
  uint16_t MaxLazy;
  uint16_t NiceMatch;
  uint16_t MaxChain;
};

constexpr SpeedParameters SpeedTable[10] = {
    {0, 0, 0, 0}, // unused: speeds are clamped to 1..9
    {4, 4, 16, 16},    {6, 8, 16, 16},       {8, 16, 32, 32},
    {8, 16, 64, 64},   {8, 16, 128, 128},    {8, 32, 128, 256},
    {8, 64, 128, 512}, {32, 128, 258, 1024}, {32, 258, 258, 4096},
};

bool isWriteError(GIO::IOErrors error) {
  return error == GIO::IO_WRITE_FAILED || error == GIO::IO_WRITE_INCOMPLETE;
}

/// Number of equal leading bytes of a and b, at most MaxMatch; both may be
/// read up to 8 bytes past MaxMatch.
inline unsigned matchLength(const unsigned char *a, const unsigned char *b) {
  unsigned n = 0;
  while (n < MaxMatch) {
    uint64_t x = vyx::loadHost64(a + n) ^ vyx::loadHost64(b + n);
    if (x != 0) {
      if constexpr (std::endian::native == std::endian::little)
        n += static_cast<unsigned>(std::countr_zero(x)) >> 3;
      else
        n += static_cast<unsigned>(std::countl_zero(x)) >> 3;
      return n < MaxMatch ? n : MaxMatch;
    }
    n += 8;
  }
  return MaxMatch;
}

/// Copies a back-reference of `length` bytes from src to dst = src +
/// distance (forward, so that overlapping copies repeat their pattern).
/// May write up to 7 bytes past dst + length.
inline void copyMatch(unsigned char *dst, const unsigned char *src, unsigned length,
                      unsigned distance) {
  if (distance >= 8) {
    for (unsigned i = 0; i < length; i += 8)
      std::memcpy(dst + i, src + i, 8);
  } else if (distance == 1) {
    std::memset(dst, src[0], length);
  } else {
    for (unsigned i = 0; i < length; ++i)
      dst[i] = src[i];
  }
}

} // namespace

GFlateBufferedIO::GFlateBufferedIO(int speed)
    : GBufferedIO(WindowBytes + WideSlack), Window(getBuffer()), Prev(new uint16_t[WSize]()),
      Head(new uint16_t[HashSize]()), Speed(speed) {
  GBufferedIO::setIO(new GHuffmanBufferedIO());
}

GFlateBufferedIO::GFlateBufferedIO(GAbstractBufferedIO *below, int speed)
    : GBufferedIO(WindowBytes + WideSlack), Window(getBuffer()), Prev(new uint16_t[WSize]()),
      Head(new uint16_t[HashSize]()), Speed(speed) {
  GBufferedIO::setIO(new GHuffmanBufferedIO(below));
}

GFlateBufferedIO::~GFlateBufferedIO() { flush(); }

void GFlateBufferedIO::setBufferedIO(GAbstractBufferedIO *below) {
  flush();
  getHuffmanIO()->setBufferedIO(below);
  store_open_mode(getHuffmanIO()->open_mode());
  setError(below ? IO_OK : IO_NO_DEVICE);
}

void GFlateBufferedIO::setIO(GIO *device) {
  flush();
  GHuffmanBufferedIO *huffman = getHuffmanIO();
  huffman->setIO(device);
  store_open_mode(huffman->open_mode());
  setError(huffman->getBufferedIO() ? IO_OK : IO_NO_DEVICE);
}

void GFlateBufferedIO::flush() {
  bool writing = getState() == SB_WRITE;
  GAbstractBufferedIO::flush();
  // The Huffman device wrote its last block and end tag during that flush:
  // a failure there is a failure of this stream.
  if (writing && getError() == IO_OK && getHuffmanIO() && isWriteError(getHuffmanIO()->getError()))
    setError(getHuffmanIO()->getError());
}

// Writing ---------------------------------------------------------------------

unsigned char GFlateBufferedIO::startWrite() {
  if (!GBufferedIO::startWrite() || getError() != IO_OK)
    return false;
  // Zeroed window, slack and chains: matches that look at bytes past the
  // input see the same bytes in every run.
  std::memset(Window, 0, WindowBytes + WideSlack);
  std::fill(Head.get(), Head.get() + HashSize, uint16_t(0));
  std::fill(Prev.get(), Prev.get() + WSize, uint16_t(0));
  const SpeedParameters &p = SpeedTable[std::clamp(Speed, MinSpeed, MaxSpeed)];
  GoodMatch = p.GoodMatch;
  MaxLazy = p.MaxLazy;
  NiceMatch = p.NiceMatch;
  MaxChain = p.MaxChain;
  StrStart = 0;
  Lookahead = 0;
  MatchStart = 0;
  MatchLength = MinMatch - 1;
  MatchAvailable = false;
  Hash = 0;
  First = true;
  Ended = false;
  setWPointers(Window, Window, Window + 2 * WSize);
  return true;
}

void GFlateBufferedIO::failWrite() {
  IOErrors below = getHuffmanIO()->getError();
  setError(below != IO_OK ? below : IO_WRITE_FAILED);
  setWPointers(nullptr, nullptr, nullptr);
}

unsigned char GFlateBufferedIO::writeBuffer() {
  if (getError() != IO_OK)
    return false;
  if (!tokenize()) {
    failWrite();
    return false;
  }
  return true;
}

void GFlateBufferedIO::stopWrite() {
  if (getState() != SB_WRITE)
    return;
  Ended = true;
  if (getWCurrent())
    writeBuffer();
  GAbstractBufferedIO::stopWrite();
}

void GFlateBufferedIO::slideWindow() {
  std::memcpy(Window, Window + WSize, WSize);
  StrStart -= WSize;
  MatchStart -= WSize; // may wrap: only differences to it are used
  auto slide = [](uint16_t *table, unsigned n) {
    for (unsigned i = 0; i < n; ++i)
      table[i] = static_cast<uint16_t>(table[i] >= WSize ? table[i] - WSize : 0);
  };
  slide(Head.get(), HashSize);
  slide(Prev.get(), WSize);
}

void GFlateBufferedIO::refill() {
  if (StrStart > SlideAfter)
    slideWindow();
  unsigned char *end = Window + StrStart + Lookahead;
  setWPointers(end, end, Window + 2 * WSize);
}

unsigned GFlateBufferedIO::longestMatch(unsigned candidate, unsigned current,
                                        unsigned previousLength, unsigned lookahead) {
  unsigned chain = MaxChain;
  if (previousLength >= GoodMatch)
    chain >>= 2;
  const unsigned char *window = Window;
  const uint16_t *prev = Prev.get();
  const unsigned char *scan = window + current;
  unsigned best = previousLength;
  unsigned limit = current > MaxDist ? current - MaxDist : 0;
  unsigned nice = NiceMatch;
  // A candidate can only beat `best` if it matches bytes 0 to best: test
  // the first and the last four of them (or three, while best is 2) before
  // counting.
  uint32_t scanStart = vyx::loadHost32(scan);
  uint32_t scanEnd = best >= 3 ? vyx::loadHost32(scan + best - 3) : 0;
  uint16_t scanFirst2 = vyx::loadHost16(scan);
  uint16_t scanNext2 = vyx::loadHost16(scan + 1);
  do {
    const unsigned char *match = window + candidate;
    if (best >= 3) {
      if (vyx::loadHost32(match + best - 3) != scanEnd || vyx::loadHost32(match) != scanStart)
        continue;
    } else if (vyx::loadHost16(match + 1) != scanNext2 || vyx::loadHost16(match) != scanFirst2) {
      continue;
    }
    unsigned len = 2 + matchLength(scan + 2, match + 2);
    if (len > MaxMatch)
      len = MaxMatch;
    if (len > best) {
      MatchStart = candidate;
      best = len;
      if (len >= nice)
        break;
      scanEnd = vyx::loadHost32(scan + best - 3);
    }
  } while ((candidate = prev[candidate & (WSize - 1)]) > limit && --chain != 0);
  return best <= lookahead ? best : lookahead;
}

bool GFlateBufferedIO::tokenize() {
  unsigned char *window = Window;
  unsigned end = static_cast<unsigned>(getWCurrent() - window);
  if (First) {
    if (end == 0)
      return true; // nothing was written: no output at all
    First = false;
    Hash = window[0];
    Hash = ((Hash << HashShift) ^ window[1]) & HashMask;
    MatchAvailable = false;
    MatchLength = MinMatch - 1;
  }
  uint16_t *head = Head.get();
  uint16_t *prev = Prev.get();
  unsigned s = StrStart;
  unsigned lookahead = end - s;
  unsigned hash = Hash;
  unsigned matchLength = MatchLength;
  bool matchAvailable = MatchAvailable;
  bool ok = true;
  auto insert = [&](unsigned pos) {
    hash = ((hash << HashShift) ^ window[pos + 2]) & HashMask;
    unsigned h = head[hash];
    prev[pos & (WSize - 1)] = static_cast<uint16_t>(h);
    head[hash] = static_cast<uint16_t>(pos);
    return h;
  };

  while (lookahead > 0) {
    unsigned hashHead = insert(s);
    unsigned previousLength = matchLength;
    unsigned previousMatch = MatchStart;
    matchLength = MinMatch - 1;
    if (hashHead != 0 && previousLength < MaxLazy && s - hashHead <= MaxDist) {
      matchLength = longestMatch(hashHead, s, previousLength, lookahead);
      if (matchLength == MinMatch && s - MatchStart > TooFar)
        matchLength = MinMatch - 1;
    }
    if (previousLength >= MinMatch && matchLength <= previousLength) {
      ok &= emitMatch(s - 1 - previousMatch, previousLength);
      lookahead -= previousLength - 1;
      for (unsigned k = previousLength - 2; k > 0; --k)
        insert(++s);
      ++s;
      matchAvailable = false;
      matchLength = MinMatch - 1;
    } else {
      if (matchAvailable)
        ok &= emitLiteral(window[s - 1]);
      matchAvailable = true;
      ++s;
      --lookahead;
    }
    if (lookahead < MinLookahead && !Ended) {
      StrStart = s;
      Lookahead = lookahead;
      Hash = hash;
      MatchLength = matchLength;
      MatchAvailable = matchAvailable;
      refill();
      return ok;
    }
    if (!ok)
      break;
  }
  if (ok && matchAvailable)
    ok = emitLiteral(window[s - 1]);
  StrStart = s;
  Lookahead = 0;
  Hash = hash;
  MatchLength = matchLength;
  MatchAvailable = false;
  return ok;
}

// Reading ---------------------------------------------------------------------

unsigned char GFlateBufferedIO::startRead() {
  if (!flushForChange())
    return false;
  DecodePos = ChunkSize;
  Origin = -ChunkSize;
  ReadEnded = false;
  EndError = IO_EOF;
  return GBufferedIO::startRead();
}

void GFlateBufferedIO::stopRead() { GAbstractBufferedIO::stopRead(); }

void GFlateBufferedIO::endReading(IOErrors error) {
  ReadEnded = true;
  EndError = error;
}

/// Marks the stream as damaged unless `cond` holds, keeping the positions
/// reached.
#define DECODE_CHECK(cond)                                                                         \
  do {                                                                                             \
    if (!(cond)) {                                                                                 \
      huffman->setRCurrent(const_cast<unsigned char *>(v));                                        \
      DecodePos = p;                                                                               \
      endReading(IO_BAD_DATA);                                                                     \
      return false;                                                                                \
    }                                                                                              \
  } while (0)

bool GFlateBufferedIO::decodeUntil(long limit, bool mirrored) {
  GHuffmanBufferedIO *huffman = getHuffmanIO();
  unsigned char *window = Window;
  long p = DecodePos;
  while (p < limit) {
    const unsigned char *values = huffman->getRCurrent();
    const unsigned char *valuesEnd = huffman->getREnd();
    if (values == valuesEnd) {
      // Decode the next block (or learn how the stream ended).
      unsigned short d;
      unsigned char v;
      IOErrors error = huffman->readCode(d, v);
      if (error != IO_OK) {
        DecodePos = p;
        endReading(error);
        return false;
      }
      huffman->setRCurrent(huffman->getRCurrent() - 1); // take it in the loop below
      continue;
    }
    const uint16_t *distances = huffman->Distances.get() + (values - huffman->getBuffer());
    const unsigned char *v = values;
    while (v < valuesEnd && p < limit) {
      unsigned distance = *distances++;
      unsigned value = *v++;
      if (distance == 0) {
        window[p++] = static_cast<unsigned char>(value);
        continue;
      }
      unsigned length = value + MinMatch;
      DECODE_CHECK(distance <= Origin + p); // nothing before the first byte of the stream
      const unsigned char *src = window + p - distance;
      if (mirrored && distance >= static_cast<unsigned long>(p))
        src += ChunkSize; // the previous chunk, continuing into the carried bytes
      copyMatch(window + p, src, length, distance);
      p += length;
    }
    huffman->setRCurrent(const_cast<unsigned char *>(v));
  }
  DecodePos = p;
  return true;
}

unsigned char GFlateBufferedIO::readBuffer() {
  setRPointers(nullptr, nullptr, nullptr);
  if (ReadEnded) {
    setError(EndError);
    return false;
  }
  unsigned char *window = Window;
  // Finish the carry of the previous chunk, then move it to the front.
  decodeUntil(CarryEnd, false);
  long carried = DecodePos - ChunkSize;
  if (carried > 0)
    std::memcpy(window, window + ChunkSize, static_cast<size_t>(carried));
  DecodePos = carried;
  Origin += ChunkSize;
  if (!ReadEnded)
    decodeUntil(ChunkSize, true);
  long available = ReadEnded ? DecodePos : ChunkSize;
  if (available <= 0) {
    setError(EndError);
    return false;
  }
  setRPointers(window, window, window + available);
  return true;
}
