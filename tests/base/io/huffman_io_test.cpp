//===- huffman_io_test.cpp - Huffman-coded buffered device ----------------===//

#include "io/huffman_io.h"
#include "io/memory_io.h"

#include "io_test_support.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

namespace {

using vyx_test::ScriptedDevice;
using Bytes = std::vector<unsigned char>;

Bytes memoryBytes(GMemoryIO *io) {
  auto *p = static_cast<unsigned char *>(io->buffer());
  return p ? Bytes(p, p + io->size()) : Bytes();
}

struct Token {
  unsigned short Distance;
  unsigned char Value;
  bool operator==(const Token &o) const { return Distance == o.Distance && Value == o.Value; }
};

/// A Huffman device over a buffered device over a growing memory device.
struct HuffmanMemory {
  HuffmanMemory() : Memory(new GMemoryIO), Huffman(new GBufferedIO(Memory, 4096)) {}
  /// Over a borrowed copy of `stream`, for reading.
  explicit HuffmanMemory(const Bytes &stream)
      : Data(stream), Memory(new GMemoryIO(Data.data(), long(Data.size()), GIO::IO_READ)),
        Huffman(new GBufferedIO(Memory, 4096)) {}

  Bytes bytes() {
    Huffman.flush();
    return memoryBytes(Memory);
  }

  Bytes Data;
  GMemoryIO *Memory;
  GHuffmanBufferedIO Huffman;
};

Bytes encodeBytes(const Bytes &input) {
  HuffmanMemory h;
  EXPECT_EQ(h.Huffman.gwrite(input.data(), long(input.size())), long(input.size()));
  return h.bytes();
}

Bytes encodeTokens(const std::vector<Token> &tokens) {
  HuffmanMemory h;
  for (const Token &t : tokens)
    EXPECT_TRUE(h.Huffman.writeCode(t.Distance, t.Value));
  return h.bytes();
}

/// Reads every token; `error` receives the code that ended reading.
std::vector<Token> decodeTokens(const Bytes &stream, GIO::IOErrors &error) {
  HuffmanMemory h(stream);
  std::vector<Token> tokens;
  for (;;) {
    Token t{};
    error = h.Huffman.readCode(t.Distance, t.Value);
    if (error != GIO::IO_OK)
      return tokens;
    tokens.push_back(t);
  }
}

/// Tokens as the LZ77 layer would make them: literals and references with
/// every length and distance code.
std::vector<Token> mixedTokens(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Token> tokens;
  for (size_t i = 0; i < n; ++i) {
    if (rng() % 3 == 0) {
      unsigned distance = 1 + rng() % 32768;
      if (rng() % 4 == 0)
        distance = 1 + rng() % 16;
      tokens.push_back({static_cast<unsigned short>(distance), static_cast<unsigned char>(rng())});
    } else {
      // Skewed literals, so that Huffman blocks are chosen.
      tokens.push_back({0, static_cast<unsigned char>('a' + rng() % (1 + rng() % 26))});
    }
  }
  return tokens;
}

// Exact bytes -----------------------------------------------------------------

TEST(GHuffmanBufferedIO, OneByteIsAPlainBlockAndTheEndTag) {
  // tag 2 (3 bits), count 1 (15 bits), 'A' (9 bits), padding; then 0x01.
  EXPECT_EQ(encodeBytes(Bytes{'A'}), (Bytes{0x0A, 0x00, 0x04, 0x01, 0x01}));
}

TEST(GHuffmanBufferedIO, AWritePhaseWithoutBytesLeavesNoTrace) {
  HuffmanMemory h;
  EXPECT_EQ(h.Huffman.gwrite("x", 0), 0);
  h.Huffman.flush();
  EXPECT_TRUE(h.bytes().empty());
  // And an empty stream reads as a clean end.
  HuffmanMemory r(Bytes{});
  unsigned char c;
  EXPECT_EQ(r.Huffman.gread(&c, 1), -1);
  EXPECT_EQ(r.Huffman.getError(), GIO::IO_EOF);
}

TEST(GHuffmanBufferedIO, EqualBytesMakeAHuffmanBlockWithTwoOneBitCodes) {
  Bytes input(32000, 'z');
  Bytes stream = encodeBytes(input);
  // One Huffman block and the end tag.
  ASSERT_GE(stream.size(), 4u);
  EXPECT_EQ(stream[0] & 7, 3); // tag 3
  // Literal/length count field (5 bits after the code-length lengths) is 0:
  // the highest code is 256. Decode the header fields by hand.
  auto bit = [&](size_t i) { return (stream[i / 8] >> (i % 8)) & 1; };
  auto bits = [&](size_t &pos, int n) {
    unsigned v = 0;
    for (int k = 0; k < n; ++k)
      v |= unsigned(bit(pos++)) << k;
    return v;
  };
  size_t pos = 3;
  unsigned clCount = bits(pos, 4) + 5;
  pos += 3 * clCount;
  EXPECT_EQ(bits(pos, 5), 0u);
  // 32000 one-bit codes plus the header: about 4000 bytes.
  EXPECT_LT(stream.size(), 4000u + 40u);
  EXPECT_EQ(stream.back(), 0x01);
  GIO::IOErrors error;
  auto tokens = decodeTokens(stream, error);
  EXPECT_EQ(error, GIO::IO_EOF);
  ASSERT_EQ(tokens.size(), 32000u);
  for (const Token &t : tokens)
    ASSERT_EQ(t, (Token{0, 'z'}));
}

TEST(GHuffmanBufferedIO, BlockWithoutReferencesHasTwoOneBitDistanceCodes) {
  Bytes input(1000, 'a');
  for (size_t i = 0; i < input.size(); i += 3)
    input[i] = 'b';
  Bytes stream = encodeBytes(input);
  ASSERT_EQ(stream[0] & 7, 3);
  // Walk the header: code-length code, literal lengths, then the distance
  // count (0: two codes) and the two lengths 1, 1.
  size_t pos = 3;
  auto bits = [&](int n) {
    unsigned v = 0;
    for (int k = 0; k < n; ++k, ++pos)
      v |= unsigned((stream[pos / 8] >> (pos % 8)) & 1) << k;
    return v;
  };
  static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  unsigned clCount = bits(4) + 5;
  int clLen[19] = {};
  for (unsigned i = 0; i < clCount; ++i)
    clLen[order[i]] = int(bits(3));
  // Canonical code-length code, to read the runs.
  int count[8] = {}, next[8] = {};
  for (int l : clLen)
    ++count[l];
  count[0] = 0;
  for (int b = 1, code = 0; b < 8; ++b)
    next[b] = code = (code + count[b - 1]) << 1;
  std::vector<std::pair<int, int>> codes(19); // (length, code)
  for (int s = 0; s < 19; ++s)
    if (clLen[s])
      codes[s] = {clLen[s], next[clLen[s]]++};
  auto symbol = [&]() {
    int code = 0;
    for (int len = 1; len <= 7; ++len) {
      code = (code << 1) | int(bits(1));
      for (int s = 0; s < 19; ++s)
        if (codes[s].first == len && codes[s].second == code)
          return s;
    }
    return -1;
  };
  auto readLengths = [&](int n) {
    std::vector<int> lengths;
    while (int(lengths.size()) < n) {
      int s = symbol();
      if (s < 16)
        lengths.push_back(s);
      else if (s == 16)
        lengths.insert(lengths.end(), 3 + bits(2), lengths.back());
      else if (s == 17)
        lengths.insert(lengths.end(), 3 + bits(3), 0);
      else
        lengths.insert(lengths.end(), 11 + bits(7), 0);
    }
    return lengths;
  };
  int literalCount = int(bits(5)) + 257;
  auto literal = readLengths(literalCount);
  EXPECT_EQ(literalCount, 257);
  EXPECT_EQ(bits(5), 0u); // distance count field
  EXPECT_EQ(readLengths(2), (std::vector<int>{1, 1}));
}

// Block choice ----------------------------------------------------------------

TEST(GHuffmanBufferedIO, IncompressibleBytesStayCloseToEightBitsEach) {
  std::mt19937 rng(7);
  Bytes input(32000);
  for (auto &b : input)
    b = static_cast<unsigned char>(rng());
  Bytes stream = encodeBytes(input);
  // A Huffman block (about 8 bits a byte) beats the 9-bit plain tokens.
  EXPECT_EQ(stream[0] & 7, 3);
  EXPECT_LT(stream.size(), 32000u * 101 / 100);
  HuffmanMemory r(stream);
  Bytes back(input.size() + 10);
  EXPECT_EQ(r.Huffman.gread(back.data(), long(back.size())), long(input.size()));
  back.resize(input.size());
  EXPECT_EQ(back, input);
}

TEST(GHuffmanBufferedIO, FewTokensMakeAPlainBlock) {
  Bytes stream = encodeTokens({{0, 'x'}, {5, 10}, {0, 'y'}});
  ASSERT_EQ(stream[0] & 7, 2);
  // 3 + 15 + 9 + 24 + 9 = 60 bits: 8 bytes, then the end tag.
  EXPECT_EQ(stream.size(), 9u);
  GIO::IOErrors error;
  auto tokens = decodeTokens(stream, error);
  EXPECT_EQ(error, GIO::IO_EOF);
  EXPECT_EQ(tokens, (std::vector<Token>{{0, 'x'}, {5, 10}, {0, 'y'}}));
}

// Round trips -----------------------------------------------------------------

TEST(GHuffmanBufferedIO, TokensRoundTripAcrossBlocks) {
  for (size_t n : {1ul, 2ul, 100ul, 31999ul, 32000ul, 32001ul, 100000ul}) {
    auto tokens = mixedTokens(n, uint32_t(n));
    Bytes stream = encodeTokens(tokens);
    GIO::IOErrors error;
    EXPECT_EQ(decodeTokens(stream, error), tokens) << n;
    EXPECT_EQ(error, GIO::IO_EOF) << n;
  }
}

TEST(GHuffmanBufferedIO, ExtremeTokensRoundTrip) {
  std::vector<Token> tokens;
  for (unsigned v = 0; v < 256; ++v) {
    tokens.push_back({0, static_cast<unsigned char>(v)});
    tokens.push_back({1, static_cast<unsigned char>(v)});
    tokens.push_back({32768, static_cast<unsigned char>(v)});
    tokens.push_back({static_cast<unsigned short>(1 + v * 128), static_cast<unsigned char>(v)});
  }
  Bytes stream = encodeTokens(tokens);
  GIO::IOErrors error;
  EXPECT_EQ(decodeTokens(stream, error), tokens);
  EXPECT_EQ(error, GIO::IO_EOF);
}

TEST(GHuffmanBufferedIO, DistancesAboveTheWindowAreRefused) {
  HuffmanMemory h;
  EXPECT_FALSE(h.Huffman.writeCode(32769, 0));
  EXPECT_FALSE(h.Huffman.writeCode(65535, 0));
  EXPECT_TRUE(h.Huffman.writeCode(32768, 0));
  GIO::IOErrors error;
  EXPECT_EQ(decodeTokens(h.bytes(), error), (std::vector<Token>{{32768, 0}}));
}

TEST(GHuffmanBufferedIO, DecoderStopsRightAfterTheEndTag) {
  Bytes stream = encodeBytes(Bytes(5000, 'q'));
  size_t streamSize = stream.size();
  Bytes trailer = {0xDE, 0xAD, 0xBE, 0xEF};
  stream.insert(stream.end(), trailer.begin(), trailer.end());
  // Small windows below make every block straddle window refills.
  for (long window : {1L, 2L, 3L, 7L, 4096L}) {
    Bytes data = stream;
    auto *memory = new GMemoryIO(data.data(), long(data.size()), GIO::IO_READ);
    auto *below = new GBufferedIO(memory, window);
    GHuffmanBufferedIO huffman(below);
    Bytes back(6000);
    EXPECT_EQ(huffman.gread(back.data(), long(back.size())), 5000);
    EXPECT_EQ(huffman.getError(), GIO::IO_EOF);
    huffman.flush();
    EXPECT_EQ(memory->gtell(), long(streamSize)) << window;
    EXPECT_EQ(below->readByte(), 0xDE);
  }
}

TEST(GHuffmanBufferedIO, FlushInTheMiddleEndsTheFirstStream) {
  HuffmanMemory h;
  h.Huffman.gwrite("first", 5);
  h.Huffman.flush();
  h.Huffman.gwrite("second", 6);
  Bytes stream = h.bytes();
  HuffmanMemory r(stream);
  char text[20] = {};
  EXPECT_EQ(r.Huffman.gread(text, 20), 5);
  EXPECT_EQ(std::string(text), "first");
  EXPECT_EQ(r.Huffman.getError(), GIO::IO_EOF);
  // Reading again starts after the first end tag.
  r.Huffman.flush();
  std::memset(text, 0, sizeof text);
  EXPECT_EQ(r.Huffman.gread(text, 20), 6);
  EXPECT_EQ(std::string(text), "second");
}

TEST(GHuffmanBufferedIO, FourThreadsCodeIndependently) {
  std::vector<Bytes> inputs;
  std::vector<Bytes> single;
  for (int t = 0; t < 4; ++t) {
    auto tokens = mixedTokens(70000, uint32_t(100 + t));
    Bytes encoded = encodeTokens(tokens);
    single.push_back(encoded);
  }
  std::vector<Bytes> parallel(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back(
        [t, &parallel] { parallel[t] = encodeTokens(mixedTokens(70000, uint32_t(100 + t))); });
  for (auto &th : threads)
    th.join();
  EXPECT_EQ(parallel, single);
}

// Hand-made streams: every tag and malformed header -----------------------------

/// Builds a bit stream least significant bit first; Huffman codes go most
/// significant bit first.
class BitStream {
public:
  BitStream &put(unsigned value, int bits) {
    for (int i = 0; i < bits; ++i)
      bit((value >> i) & 1);
    return *this;
  }
  BitStream &code(unsigned code, int bits) {
    for (int i = bits - 1; i >= 0; --i)
      bit((code >> i) & 1);
    return *this;
  }
  /// Pads to the byte boundary.
  BitStream &align() {
    Count = 0;
    return *this;
  }
  BitStream &byte(unsigned char b) {
    align();
    Data.push_back(b);
    return *this;
  }
  Bytes Data;

private:
  void bit(unsigned b) {
    if (Count == 0)
      Data.push_back(0);
    Data.back() = static_cast<unsigned char>(Data.back() | (b << Count));
    Count = (Count + 1) % 8;
  }
  int Count = 0;
};

/// A Huffman block description with knobs for every header field. The
/// code-length code has lengths 0:2 8:2 16:2 1:3 18:3 (codes 00 01 10 110
/// 111); literals 0..254 and end of block get 8-bit codes (literal s is
/// code s, end of block 255); two 1-bit distance codes.
struct HuffmanBlock {
  unsigned Tag = 3;
  unsigned CodeLengthCountField = 13; // 18 lengths: up to symbol 1
  int CodeLengthOf18 = 3;
  unsigned LiteralCountField = 0; // 257 lengths
  std::vector<int> Literal;       // lengths sent for the literal/length code
  bool LeadingRepeatInDistances = false;
  unsigned DistanceCountField = 0; // 2 lengths
  std::vector<int> Distance = {1, 1};
  Bytes Text = {'h', 'i'};

  HuffmanBlock() {
    Literal.assign(257, 8);
    Literal[255] = 0;
  }

  void lengths(BitStream &s, const std::vector<int> &sequence) const {
    for (int len : sequence) {
      if (len == 0)
        s.code(0b00, 2);
      else if (len == 8)
        s.code(0b01, 2);
      else if (len == 1)
        s.code(0b110, 3);
      else
        ADD_FAILURE() << "length " << len << " has no code here";
    }
  }

  Bytes stream(bool endTag = true) const {
    BitStream s;
    s.put(Tag, 3).put(CodeLengthCountField, 4);
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int clLen[19] = {};
    clLen[0] = 2;
    clLen[8] = 2;
    clLen[16] = 2;
    clLen[1] = 3;
    clLen[18] = CodeLengthOf18;
    for (unsigned i = 0; i < CodeLengthCountField + 5 && i < 19; ++i)
      s.put(unsigned(clLen[order[i]]), 3);
    s.put(LiteralCountField, 5);
    lengths(s, Literal);
    s.put(DistanceCountField, 5);
    if (LeadingRepeatInDistances)
      s.code(0b10, 2).put(0, 2); // symbol 16: repeat the previous length 3 times
    lengths(s, Distance);
    for (unsigned char c : Text)
      s.code(c, 8);
    s.code(255, 8); // end of block
    if (endTag)
      s.byte(0x01);
    return s.Data;
  }
};

GIO::IOErrors readAll(const Bytes &stream, Bytes *out = nullptr) {
  GIO::IOErrors error;
  auto tokens = decodeTokens(stream, error);
  if (out)
    for (const Token &t : tokens)
      out->push_back(t.Value);
  return error;
}

TEST(GHuffmanBufferedIO, HandMadeBlockDecodes) {
  Bytes text;
  EXPECT_EQ(readAll(HuffmanBlock().stream(), &text), GIO::IO_EOF);
  EXPECT_EQ(text, (Bytes{'h', 'i'}));
  // The largest announced counts, padded with zero lengths, are accepted.
  HuffmanBlock wide;
  wide.LiteralCountField = 29; // 286 lengths
  wide.Literal.resize(286, 0);
  wide.DistanceCountField = 28; // 30 lengths
  wide.Distance.resize(30, 0);
  text.clear();
  EXPECT_EQ(readAll(wide.stream(), &text), GIO::IO_EOF);
  EXPECT_EQ(text, (Bytes{'h', 'i'}));
}

TEST(GHuffmanBufferedIO, UnknownTagsAreBadData) {
  for (unsigned tag : {0u, 4u, 5u, 6u, 7u}) {
    HuffmanBlock block;
    block.Tag = tag;
    EXPECT_EQ(readAll(block.stream()), GIO::IO_BAD_DATA) << tag;
  }
  // A tag alone in a byte, as the end tag, but with the unknown values.
  for (unsigned char b : {0x00, 0x04, 0x07})
    EXPECT_EQ(readAll(Bytes{b}), GIO::IO_BAD_DATA) << int(b);
  EXPECT_EQ(readAll(Bytes{0x01}), GIO::IO_EOF);
}

TEST(GHuffmanBufferedIO, CountsBeyondTheAlphabetsAreBadData) {
  HuffmanBlock codeLengths;
  codeLengths.CodeLengthCountField = 15; // 20 code-length lengths
  EXPECT_EQ(readAll(codeLengths.stream()), GIO::IO_BAD_DATA);
  for (unsigned field : {30u, 31u}) { // 287 and 288 literal/length lengths
    HuffmanBlock literals;
    literals.LiteralCountField = field;
    literals.Literal.resize(257 + field, 0);
    EXPECT_EQ(readAll(literals.stream()), GIO::IO_BAD_DATA) << field;
  }
  for (unsigned field : {29u, 30u, 31u}) { // 31 to 33 distance lengths
    HuffmanBlock distances;
    distances.DistanceCountField = field;
    distances.Distance.resize(2 + field, 0);
    EXPECT_EQ(readAll(distances.stream()), GIO::IO_BAD_DATA) << field;
  }
}

TEST(GHuffmanBufferedIO, CodesThatAreNotCompleteAreBadData) {
  HuffmanBlock codeLengthCode; // one code-length code missing
  codeLengthCode.CodeLengthOf18 = 0;
  EXPECT_EQ(readAll(codeLengthCode.stream()), GIO::IO_BAD_DATA);
  HuffmanBlock overSubscribed; // 257 codes of 8 bits
  overSubscribed.Literal[255] = 8;
  EXPECT_EQ(readAll(overSubscribed.stream()), GIO::IO_BAD_DATA);
  HuffmanBlock incomplete; // 255 codes of 8 bits
  incomplete.Literal[254] = 0;
  EXPECT_EQ(readAll(incomplete.stream()), GIO::IO_BAD_DATA);
  HuffmanBlock oneDistance; // a single 1-bit distance code
  oneDistance.Distance = {1, 0};
  EXPECT_EQ(readAll(oneDistance.stream()), GIO::IO_BAD_DATA);
  HuffmanBlock noDistance;
  noDistance.Distance = {0, 0};
  EXPECT_EQ(readAll(noDistance.stream()), GIO::IO_BAD_DATA);
}

/// A block whose code-length code is 1:00 2:01 16:10 17:110 18:111, whose
/// literal/length code is 0:"0" 1:"10" 256:"11", and whose distance lengths
/// are sent by `distances` (with `distanceField` as the count field). Its
/// tokens are the literals 0, 0, 1. Each malformed distance sequence below
/// would make a complete code if the decoder let runs continue from the
/// literal lengths or cut runs at the announced count.
Bytes tinyBlock(unsigned distanceField, const std::function<void(BitStream &)> &distances) {
  BitStream s;
  s.put(3, 3).put(13, 4);
  const int lens[18] = {2, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2};
  for (int len : lens)
    s.put(unsigned(len), 3);
  s.put(0, 5);                                // 257 literal/length lengths:
  s.code(0b00, 2).code(0b01, 2);              // 1, 2,
  s.code(0b111, 3).put(127, 7);               // 138 zeros,
  s.code(0b111, 3).put(105, 7).code(0b01, 2); // 116 zeros, 2
  s.put(distanceField, 5);
  distances(s);
  s.code(0, 1).code(0, 1).code(0b10, 2).code(0b11, 2);
  s.byte(0x01);
  return s.Data;
}

TEST(GHuffmanBufferedIO, MalformedRunsAreBadData) {
  // Valid: 2, then 16 repeating it 3 times: four 2-bit distance codes.
  Bytes text;
  EXPECT_EQ(
      readAll(tinyBlock(2, [](BitStream &s) { s.code(0b01, 2).code(0b10, 2).put(0, 2); }), &text),
      GIO::IO_EOF);
  EXPECT_EQ(text, (Bytes{0, 0, 1}));
  // A sequence may not start with a repeat, even after literal lengths
  // that ended with a 2.
  EXPECT_EQ(readAll(tinyBlock(2, [](BitStream &s) { s.code(0b10, 2).put(0, 2).code(0b01, 2); })),
            GIO::IO_BAD_DATA);
  // A repeat of 4 where 3 lengths remain.
  EXPECT_EQ(readAll(tinyBlock(2, [](BitStream &s) { s.code(0b01, 2).code(0b10, 2).put(1, 2); })),
            GIO::IO_BAD_DATA);
  // 3 zeros where 1 length remains (1, 2, 2 and then zeros).
  EXPECT_EQ(readAll(tinyBlock(2,
                              [](BitStream &s) {
                                s.code(0b00, 2).code(0b01, 2).code(0b01, 2);
                                s.code(0b110, 3).put(0, 3);
                              })),
            GIO::IO_BAD_DATA);
}

TEST(GHuffmanBufferedIO, PlainBlockCountsAreChecked) {
  BitStream full;
  full.put(2, 3).put(32000, 15);
  for (int i = 0; i < 32000; ++i)
    full.put('p', 9);
  full.byte(0x01);
  Bytes text;
  EXPECT_EQ(readAll(full.Data, &text), GIO::IO_EOF);
  EXPECT_EQ(text.size(), 32000u);

  BitStream over;
  over.put(2, 3).put(32001, 15);
  for (int i = 0; i < 32001; ++i)
    over.put('p', 9);
  over.byte(0x01);
  EXPECT_EQ(readAll(over.Data), GIO::IO_BAD_DATA);
}

TEST(GHuffmanBufferedIO, HuffmanBlocksHoldAtMost32000Tokens) {
  HuffmanBlock full;
  full.Text.assign(32000, 'h');
  EXPECT_EQ(readAll(full.stream()), GIO::IO_EOF);
  HuffmanBlock over;
  over.Text.assign(32001, 'h');
  EXPECT_EQ(readAll(over.stream()), GIO::IO_BAD_DATA);
}

TEST(GHuffmanBufferedIO, EmptyBlocksAreSkippedAndAMissingEndTagIsBadData) {
  BitStream s;
  s.put(2, 3).put(0, 15).align(); // an empty plain block
  s.put(2, 3).put(0, 15).align();
  s.put(2, 3).put(1, 15).put('z', 9).align();
  Bytes withoutTag = s.Data;
  Bytes text;
  EXPECT_EQ(readAll(withoutTag, &text), GIO::IO_BAD_DATA);
  EXPECT_EQ(text, Bytes{'z'});
  s.byte(0x01);
  text.clear();
  EXPECT_EQ(readAll(s.Data, &text), GIO::IO_EOF);
  EXPECT_EQ(text, Bytes{'z'});
  // Cut inside a block.
  Bytes cut = HuffmanBlock().stream(false);
  ASSERT_GT(cut.size(), 10u);
  cut.pop_back();
  EXPECT_EQ(readAll(cut), GIO::IO_BAD_DATA);
}

} // namespace
