//===- flate_io_test.cpp - Flate-coded buffered device --------------------===//

#include "io/flate_io.h"
#include "io/memory_io.h"

#include "io_test_support.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using vyx_test::ScriptedDevice;
using Bytes = std::vector<unsigned char>;

struct Token {
  unsigned short Distance;
  unsigned char Value;
  bool isReference() const { return Distance != 0; }
  unsigned length() const { return Value + 3u; }
};

Bytes memoryBytes(GMemoryIO *io) {
  auto *p = static_cast<unsigned char *>(io->buffer());
  return p ? Bytes(p, p + io->size()) : Bytes();
}

/// Compresses `input`, writing it in pieces of `piece` bytes.
Bytes compress(const Bytes &input, int speed = GFlateBufferedIO::DefaultSpeed,
               size_t piece = SIZE_MAX) {
  auto *memory = new GMemoryIO;
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096), speed);
  for (size_t done = 0; done < input.size();) {
    size_t n = std::min(piece, input.size() - done);
    EXPECT_EQ(flate.gwrite(input.data() + done, long(n)), long(n));
    done += n;
  }
  flate.flush();
  EXPECT_EQ(flate.getError(), GIO::IO_OK);
  return memoryBytes(memory);
}

/// Decompresses `stream` in reads of `piece` bytes; `error` receives the
/// error code after the last read.
Bytes decompress(const Bytes &stream, GIO::IOErrors &error, long piece = 1 << 20) {
  Bytes data = stream;
  auto *memory = new GMemoryIO(data.data(), long(data.size()), GIO::IO_READ);
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  Bytes out;
  Bytes buffer(static_cast<size_t>(piece), 0);
  for (;;) {
    long got = flate.gread(buffer.data(), piece);
    if (got <= 0)
      break;
    out.insert(out.end(), buffer.begin(), buffer.begin() + got);
  }
  error = flate.getError();
  return out;
}

Bytes decompress(const Bytes &stream) {
  GIO::IOErrors error;
  Bytes out = decompress(stream, error);
  EXPECT_EQ(error, GIO::IO_EOF);
  return out;
}

/// The tokens of a compressed stream, read through the Huffman layer.
std::vector<Token> tokensOf(const Bytes &stream) {
  Bytes data = stream;
  auto *memory = new GMemoryIO(data.data(), long(data.size()), GIO::IO_READ);
  GHuffmanBufferedIO huffman(new GBufferedIO(memory, 4096));
  std::vector<Token> tokens;
  Token t{};
  while (huffman.readCode(t.Distance, t.Value) == GIO::IO_OK)
    tokens.push_back(t);
  EXPECT_EQ(huffman.getError(), GIO::IO_EOF);
  return tokens;
}

/// Text-like data with repeats near and far, and a stretch of noise.
Bytes sampleData(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  static const char *words[] = {"landscape ", "terrain ", "camera ", "light ",  "mesh ",
                                "vertex ",    "normal ",  "scene ",  "object ", "stream "};
  Bytes out;
  while (out.size() < n) {
    unsigned r = rng() % 100;
    if (r < 70) {
      const char *w = words[rng() % 10];
      out.insert(out.end(), w, w + std::strlen(w));
    } else if (r < 85 && out.size() > 100) {
      size_t back = 1 + rng() % std::min<size_t>(out.size(), 40000);
      size_t len = 3 + rng() % 300;
      for (size_t i = 0; i < len; ++i)
        out.push_back(out[out.size() - back]);
    } else {
      for (int i = 0; i < 20; ++i)
        out.push_back(static_cast<unsigned char>(rng()));
    }
  }
  out.resize(n);
  return out;
}

// Exact bytes and token choice ------------------------------------------------

TEST(GFlateBufferedIO, OneByteCompressesToTheKnownStream) {
  EXPECT_EQ(compress(Bytes{'A'}), (Bytes{0x0A, 0x00, 0x04, 0x01, 0x01}));
}

TEST(GFlateBufferedIO, NothingWrittenGivesNoBytesAndReadsAsEnd) {
  EXPECT_TRUE(compress(Bytes{}).empty());
  GIO::IOErrors error;
  EXPECT_TRUE(decompress(Bytes{}, error).empty());
  EXPECT_EQ(error, GIO::IO_EOF);
}

TEST(GFlateBufferedIO, OneOrTwoBytesAreLiterals) {
  for (Bytes input : {Bytes{'x'}, Bytes{'x', 'x'}, Bytes{'x', 'y'}}) {
    auto tokens = tokensOf(compress(input));
    ASSERT_EQ(tokens.size(), input.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
      EXPECT_FALSE(tokens[i].isReference());
      EXPECT_EQ(tokens[i].Value, input[i]);
    }
  }
}

TEST(GFlateBufferedIO, EqualBytesBecomeLongReferencesAtDistanceOne) {
  Bytes input(100000, 0x42);
  Bytes stream = compress(input);
  EXPECT_LT(stream.size(), 1000u);
  auto tokens = tokensOf(stream);
  size_t longest = 0;
  for (const Token &t : tokens)
    if (t.isReference()) {
      EXPECT_EQ(t.Distance, 1);
      longest += t.length() == 258;
    }
  EXPECT_GE(longest, 100000u / 258 - 2);
  EXPECT_EQ(decompress(stream), input);
}

TEST(GFlateBufferedIO, ShortRepeatsFarBackStayLiterals) {
  // "xyz" once, 5000 bytes of unrelated noise, "xyz" again.
  std::mt19937 rng(3);
  Bytes input = {'x', 'y', 'z'};
  for (int i = 0; i < 5000; ++i)
    input.push_back(static_cast<unsigned char>('A' + rng() % 20));
  input.insert(input.end(), {'x', 'y', 'z', '#'});
  auto tokens = tokensOf(compress(input, 9));
  // No reference of length 3 farther than 4096.
  for (const Token &t : tokens) {
    if (t.isReference() && t.length() == 3) {
      EXPECT_LE(t.Distance, 4096);
    }
  }
  EXPECT_EQ(decompress(compress(input, 9)), input);
}

TEST(GFlateBufferedIO, DistancesNeverExceedTheLimit) {
  // Blocks that repeat at distances around 32506..32768.
  std::mt19937 rng(11);
  Bytes block(32600);
  for (auto &b : block)
    b = static_cast<unsigned char>(rng());
  Bytes input;
  for (int i = 0; i < 5; ++i)
    input.insert(input.end(), block.begin(), block.end());
  for (int speed = 1; speed <= 9; speed += 4) {
    Bytes stream = compress(input, speed);
    unsigned maxDistance = 0;
    for (const Token &t : tokensOf(stream))
      maxDistance = std::max<unsigned>(maxDistance, t.Distance);
    EXPECT_LE(maxDistance, GFlateBufferedIO::MaxDistance);
    EXPECT_EQ(decompress(stream), input);
  }
  // Slightly shorter repeats are found at their full distance.
  Bytes near(32500);
  for (auto &b : near)
    b = static_cast<unsigned char>(rng());
  Bytes twice = near;
  twice.insert(twice.end(), near.begin(), near.end());
  unsigned maxDistance = 0;
  for (const Token &t : tokensOf(compress(twice)))
    maxDistance = std::max<unsigned>(maxDistance, t.Distance);
  EXPECT_EQ(maxDistance, 32500u);
}

/// Builds inputs for the chain search: distinctive stretches separated by
/// pads of high bytes, which rarely match anything.
struct ProbeInput {
  explicit ProbeInput(uint32_t seed) : Rng(seed) {}
  Bytes letters(size_t n) {
    Bytes out(n);
    for (auto &b : out)
      b = static_cast<unsigned char>('a' + Rng() % 26);
    return out;
  }
  void pad() {
    for (int i = 0; i < 10; ++i)
      Data.push_back(static_cast<unsigned char>(128 + Rng() % 127));
  }
  void add(const std::string &text) { Data.insert(Data.end(), text.begin(), text.end()); }
  void add(const Bytes &bytes, size_t n = SIZE_MAX) {
    Data.insert(Data.end(), bytes.begin(), bytes.begin() + long(std::min(n, bytes.size())));
  }
  /// A pad and the byte 255, found nowhere else, then the probe's position.
  size_t startProbe() {
    pad();
    Data.push_back(255);
    return Data.size();
  }

  std::mt19937 Rng;
  Bytes Data;
};

/// Input whose last stretch, "KEY" + 40 distinctive bytes, has its only
/// long match `depth` links down the hash chain of "KEY": depth - 1 newer
/// decoys share its first 7 bytes only. Returns the input and the position
/// of the last stretch.
std::pair<Bytes, size_t> chainProbe(int depth) {
  ProbeInput in(21);
  Bytes tail = in.letters(40);
  in.pad();
  in.add("KEY");
  in.add(tail);
  for (int i = 1; i < depth; ++i) {
    in.pad();
    in.add("KEY");
    in.add(tail, 4);
    in.add("!");
  }
  size_t probe = in.startProbe();
  in.add("KEY");
  in.add(tail);
  in.add(".");
  return {in.Data, probe};
}

/// Length of the reference that starts at `position` (0 when none does).
unsigned referenceAt(const Bytes &stream, size_t position) {
  size_t at = 0;
  for (const Token &t : tokensOf(stream)) {
    if (at == position)
      return t.isReference() ? t.length() : 0;
    at += t.isReference() ? t.length() : 1;
  }
  return 0;
}

unsigned probeMatch(int depth, int speed) {
  auto [input, probe] = chainProbe(depth);
  Bytes stream = compress(input, speed);
  EXPECT_EQ(decompress(stream), input);
  return referenceAt(stream, probe);
}

TEST(GFlateBufferedIO, ChainSearchStopsAtTheSpeedsLimit) {
  // Speed 1 examines 16 candidates: the target at link 16 is found (the
  // search stops at the nice length 16), at link 17 only a 7-byte decoy.
  EXPECT_GE(probeMatch(16, 1), 16u);
  EXPECT_EQ(probeMatch(17, 1), 7u);
  EXPECT_GE(probeMatch(32, 3), 32u);
  EXPECT_EQ(probeMatch(33, 3), 7u);
  EXPECT_EQ(probeMatch(128, 5), 43u);
  EXPECT_EQ(probeMatch(129, 5), 7u);
  EXPECT_EQ(probeMatch(1024, 8), 43u);
  EXPECT_EQ(probeMatch(1025, 8), 7u);
  EXPECT_EQ(probeMatch(1700, 9), 43u); // 30600 bytes back
}

/// At speed 2 (good 6, lazy 8): the probe "XEYZ" + tail has a match of
/// `prefix` bytes for its first position and, for its second, the long
/// match "EYZ" + tail `decoys` + 2 links down its chain.
std::pair<unsigned, unsigned> lazyProbe(size_t prefix, int decoys) {
  ProbeInput in(5);
  Bytes tail = in.letters(60);
  in.pad();
  in.add("EYZ");
  in.add(tail);
  for (int i = 0; i < decoys; ++i) {
    in.pad();
    in.add("EYZ?");
  }
  in.pad();
  in.add("XEYZ");
  in.add(tail, prefix - 4);
  in.add("#");
  size_t probe = in.startProbe();
  in.add("XEYZ");
  in.add(tail);
  Bytes stream = compress(in.Data, 2);
  EXPECT_EQ(decompress(stream), in.Data);
  return {referenceAt(stream, probe), referenceAt(stream, probe + 1)};
}

TEST(GFlateBufferedIO, GoodMatchesQuarterTheChain) {
  using Pair = std::pair<unsigned, unsigned>;
  // After a 6-byte match (the good length) the lazy search follows 16 / 4
  // links: the long match is found at link 4 (literal 'X', then 63 bytes)...
  EXPECT_EQ(lazyProbe(6, 2), (Pair{0, 63}));
  // ...but not at link 5, where the 6-byte match stands.
  EXPECT_EQ(lazyProbe(6, 3).first, 6u);
  // After a 5-byte match the whole chain of 16 is searched.
  EXPECT_EQ(lazyProbe(5, 3), (Pair{0, 63}));
}

TEST(GFlateBufferedIO, SpeedsOutsideTheRangeAreClamped) {
  Bytes input = sampleData(150000, 5);
  Bytes one = compress(input, 1);
  Bytes nine = compress(input, 9);
  EXPECT_NE(one, nine);
  EXPECT_EQ(compress(input, 0), one);
  EXPECT_EQ(compress(input, -7), one);
  EXPECT_EQ(compress(input, 10), nine);
  EXPECT_EQ(compress(input, 1000), nine);
}

TEST(GFlateBufferedIO, OutputDoesNotDependOnHowTheInputIsSplit) {
  Bytes input = sampleData(200000, 8);
  Bytes whole = compress(input, 6);
  EXPECT_EQ(compress(input, 6, 1), whole);
  EXPECT_EQ(compress(input, 6, 4097), whole);
  EXPECT_EQ(compress(input, 6, 65536), whole);
}

TEST(GFlateBufferedIO, SecondWritePhaseStartsFromAClearedState) {
  // The same device writes two streams; the second must equal a fresh
  // device's output even though the window held other bytes.
  Bytes first = sampleData(90000, 1);
  Bytes second = sampleData(1000, 2);
  auto *memory = new GMemoryIO;
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  flate.gwrite(first.data(), long(first.size()));
  long split = flate.gtell();
  flate.gwrite(second.data(), long(second.size()));
  flate.flush();
  Bytes all = memoryBytes(memory);
  Bytes tail(all.begin() + split, all.end());
  EXPECT_EQ(tail, compress(second));
}

// Round trips -----------------------------------------------------------------

TEST(GFlateBufferedIO, EverySpeedRoundTripsAcrossChunksAndSlides) {
  const size_t sizes[] = {3, 258, 65235, 65236, 65237, 65536, 65537, 130472, 300001};
  for (int speed = 1; speed <= 9; ++speed)
    for (size_t n : sizes) {
      Bytes input = sampleData(n, uint32_t(n + speed));
      Bytes stream = compress(input, speed);
      GIO::IOErrors error;
      ASSERT_EQ(decompress(stream, error), input) << "speed " << speed << " size " << n;
      EXPECT_EQ(error, GIO::IO_EOF);
    }
}

TEST(GFlateBufferedIO, SmallReadsRoundTrip) {
  Bytes input = sampleData(200000, 77);
  Bytes stream = compress(input, 5);
  for (long piece : {1L, 7L, 4096L, 65236L, 65237L}) {
    GIO::IOErrors error;
    EXPECT_EQ(decompress(stream, error, piece), input) << piece;
    EXPECT_EQ(error, GIO::IO_EOF);
  }
}

TEST(GFlateBufferedIO, ReferencesIntoThePreviousChunkDecode) {
  // Hand-made tokens: one chunk of literals, then references that reach
  // back from the start of the second chunk into the first, with every
  // distance near the position.
  std::vector<Token> tokens;
  std::mt19937 rng(9);
  Bytes expected;
  for (int i = 0; i < 65236 + 300; ++i) {
    unsigned char b = static_cast<unsigned char>(rng());
    tokens.push_back({0, b});
    expected.push_back(b);
  }
  for (int i = 0; i < 2000; ++i) {
    unsigned length = 3 + rng() % 256;
    unsigned distance = 1 + rng() % 32768;
    tokens.push_back(
        {static_cast<unsigned short>(distance), static_cast<unsigned char>(length - 3)});
    for (unsigned k = 0; k < length; ++k)
      expected.push_back(expected[expected.size() - distance]);
  }
  auto *memory = new GMemoryIO;
  {
    GHuffmanBufferedIO huffman(new GBufferedIO(memory, 4096));
    for (const Token &t : tokens)
      ASSERT_TRUE(huffman.writeCode(t.Distance, t.Value));
    huffman.flush();
    Bytes stream = memoryBytes(memory);
    EXPECT_EQ(decompress(stream), expected);
  }
}

TEST(GFlateBufferedIO, FourThreadsGetTheSingleThreadedBytes) {
  std::vector<Bytes> inputs;
  std::vector<Bytes> single;
  for (int t = 0; t < 4; ++t) {
    inputs.push_back(sampleData(300000, uint32_t(40 + t)));
    single.push_back(compress(inputs.back(), 2 * t + 1));
  }
  std::vector<Bytes> parallel(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] { parallel[t] = compress(inputs[t], 2 * t + 1); });
  for (auto &th : threads)
    th.join();
  EXPECT_EQ(parallel, single);
}

// Damaged data ----------------------------------------------------------------

TEST(GFlateBufferedIO, ReadingAfterTheEndGivesEof) {
  Bytes stream = compress(Bytes(10, 'k'));
  Bytes data = stream;
  auto *memory = new GMemoryIO(data.data(), long(data.size()), GIO::IO_READ);
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  char buffer[32];
  EXPECT_EQ(flate.gread(buffer, 32), 10);
  EXPECT_EQ(flate.gread(buffer, 32), 0);
  EXPECT_EQ(flate.getError(), GIO::IO_EOF);
  EXPECT_EQ(flate.readByte(), -1);
}

TEST(GFlateBufferedIO, CutStreamsReportBadData) {
  Bytes input = sampleData(100000, 4);
  Bytes stream = compress(input);
  for (size_t keep : {stream.size() - 1, stream.size() / 2, size_t(5)}) {
    Bytes cut(stream.begin(), stream.begin() + long(keep));
    GIO::IOErrors error;
    Bytes out = decompress(cut, error);
    EXPECT_EQ(error, GIO::IO_BAD_DATA) << keep;
    EXPECT_TRUE(std::equal(out.begin(), out.end(), input.begin())) << keep;
  }
}

TEST(GFlateBufferedIO, ReferenceBeforeTheFirstByteIsBadData) {
  auto *memory = new GMemoryIO;
  GHuffmanBufferedIO huffman(new GBufferedIO(memory, 4096));
  huffman.writeCode(0, 'a');
  huffman.writeCode(0, 'b');
  huffman.writeCode(3, 0); // one byte before the start
  huffman.flush();
  GIO::IOErrors error;
  Bytes out = decompress(memoryBytes(memory), error);
  EXPECT_EQ(error, GIO::IO_BAD_DATA);
  EXPECT_EQ(out, (Bytes{'a', 'b'}));
}

TEST(GFlateBufferedIO, FlippedBitsNeverCrashOrPassAsCleanEnd) {
  Bytes input = sampleData(70000, 12);
  Bytes stream = compress(input);
  std::mt19937 rng(13);
  int bad = 0;
  for (int trial = 0; trial < 200; ++trial) {
    Bytes damaged = stream;
    damaged[rng() % damaged.size()] ^= static_cast<unsigned char>(1u << (rng() % 8));
    GIO::IOErrors error;
    Bytes out = decompress(damaged, error);
    EXPECT_TRUE(error == GIO::IO_EOF || error == GIO::IO_BAD_DATA);
    bad += error == GIO::IO_BAD_DATA;
  }
  EXPECT_GT(bad, 0);
}

// Errors of the device below --------------------------------------------------

TEST(GFlateBufferedIO, WriteFailuresBelowReachTheWriter) {
  Bytes input = sampleData(400000, 6);
  auto *device = new ScriptedDevice;
  device->FailWrites = true;
  GFlateBufferedIO flate(new GBufferedIO(device, 4096));
  long written = flate.gwrite(input.data(), long(input.size()));
  EXPECT_LT(written, long(input.size()));
  EXPECT_TRUE(flate.getError() == GIO::IO_WRITE_FAILED ||
              flate.getError() == GIO::IO_WRITE_INCOMPLETE);
}

TEST(GFlateBufferedIO, AFailedFinalFlushIsReported) {
  // Small input: everything reaches the file only at the final flush.
  auto *device = new ScriptedDevice;
  device->FailWrites = true;
  GFlateBufferedIO flate(new GBufferedIO(device, 4096));
  EXPECT_EQ(flate.gwrite("hello", 5), 5);
  flate.flush();
  EXPECT_EQ(flate.getError(), GIO::IO_WRITE_FAILED);
}

TEST(GFlateBufferedIO, WriteOnlyOrReadOnlyDevicesRefuseTheOtherDirection) {
  Bytes data(10);
  auto *memory = new GMemoryIO(data.data(), long(data.size()), GIO::IO_READ);
  GFlateBufferedIO flate(new GBufferedIO(memory, 4096));
  EXPECT_EQ(flate.gwrite("abc", 3), -1);
}

TEST(GFlateBufferedIO, SetIOReplacesTheInnermostDevice) {
  Bytes input = sampleData(5000, 14);
  GFlateBufferedIO flate(new GBufferedIO(new GMemoryIO, 4096));
  auto *memory = new GMemoryIO;
  flate.setIO(memory);
  EXPECT_EQ(flate.getError(), GIO::IO_OK);
  EXPECT_EQ(flate.open_mode(), GIO::IO_READWRITE);
  flate.gwrite(input.data(), long(input.size()));
  flate.flush();
  EXPECT_EQ(decompress(memoryBytes(memory)), input);

  GFlateBufferedIO bare;
  bare.setIO(new GMemoryIO);
  EXPECT_EQ(bare.getError(), GIO::IO_NO_DEVICE);
}

} // namespace
