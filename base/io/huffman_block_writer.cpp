//===- huffman_block_writer.cpp - Coding one block of tokens -------------===//

#include "io/huffman_block_writer_impl.h"

#include "io/unaligned_impl.h"

#include <algorithm>
#include <cassert>

namespace vyx {

using namespace deflate;
using namespace deflate::framing;

namespace {

/// The largest block: a plain block of 32000 back-references, plus room for
/// the last 8-byte store.
constexpr size_t OutCapacity =
    (TagBits + CountBits + (PlainSymbolBits + PlainDistanceBits) * MaxBlockTokens) / 8 + 16;

} // namespace

HuffmanBlockWriter::HuffmanBlockWriter() : Out(OutCapacity) {}

void HuffmanBlockWriter::drain() {
  storeLE64(OutNext, BitBuffer);
  unsigned bytes = BitCount >> 3;
  OutNext += bytes;
  BitBuffer = bytes == 8 ? 0 : BitBuffer >> (bytes * 8);
  BitCount &= 7;
}

void HuffmanBlockWriter::finishBytes() {
  drain();
  if (BitCount > 0) {
    ++OutNext; // the partial byte, padded with zero bits
    BitBuffer = 0;
    BitCount = 0;
  }
}

void HuffmanBlockWriter::countFrequencies(const uint8_t *values, const uint16_t *distances,
                                          size_t n) {
  std::fill(std::begin(LiteralFreq), std::end(LiteralFreq), 0u);
  std::fill(std::begin(DistanceFreq), std::end(DistanceFreq), 0u);
  uint64_t references = 0;
  for (size_t i = 0; i < n; ++i) {
    unsigned d = distances[i];
    if (d == 0) {
      ++LiteralFreq[values[i]];
    } else {
      ++LiteralFreq[FirstLengthCode + LengthCodeOf[values[i]]];
      ++DistanceFreq[distanceCode(d - 1)];
      ++references;
    }
  }
  LiteralFreq[EndOfBlock] = 1;
  PlainBits =
      PlainSymbolBits * (n - references) + (PlainSymbolBits + PlainDistanceBits) * references;
}

uint64_t HuffmanBlockWriter::buildTrees() {
  LiteralMax = Builder.build(LiteralFreq, LiteralLengthCodes, MaxCodeBits, LiteralLen, LiteralCode);
  DistanceMax = Builder.build(DistanceFreq, DistanceCodes, MaxCodeBits, DistanceLen, DistanceCode);

  // Placeholder symbols have frequency 0 here: only what is sent counts.
  uint64_t bits = 0;
  for (int s = 0; s <= LiteralMax; ++s) {
    unsigned extra = s >= FirstLengthCode ? LengthExtraBits[s - FirstLengthCode] : 0;
    bits += uint64_t(LiteralFreq[s]) * (LiteralLen[s] + extra);
  }
  for (int s = 0; s <= DistanceMax; ++s)
    bits += uint64_t(DistanceFreq[s]) * (DistanceLen[s] + DistanceExtraBits[s]);

  LiteralRunCount = runLengthCode(LiteralLen, LiteralMax + 1, LiteralRuns);
  DistanceRunCount = runLengthCode(DistanceLen, DistanceMax + 1, DistanceRuns);
  std::fill(std::begin(CodeLengthFreq), std::end(CodeLengthFreq), 0u);
  for (size_t i = 0; i < LiteralRunCount; ++i)
    ++CodeLengthFreq[LiteralRuns[i].Symbol];
  for (size_t i = 0; i < DistanceRunCount; ++i)
    ++CodeLengthFreq[DistanceRuns[i].Symbol];
  Builder.build(CodeLengthFreq, CodeLengthCodes, MaxCodeLengthBits, CodeLengthLen, CodeLengthCode);
  for (int s = 0; s < CodeLengthCodes; ++s)
    bits += uint64_t(CodeLengthFreq[s]) * (CodeLengthLen[s] + CodeLengthExtraBits[s]);

  int last = CodeLengthCodes - 1;
  while (last > 0 && CodeLengthLen[CodeLengthOrder[last]] == 0)
    --last;
  CodeLengthsSent = std::max(last + 1, MinCodeLengthsSent);
  bits += CodeLengthBits * unsigned(CodeLengthsSent);
  bits += CodeLengthCountBits + LiteralCountBits + DistanceCountBits;
  return bits;
}

const uint8_t *HuffmanBlockWriter::encode(const uint8_t *values, const uint16_t *distances,
                                          size_t n, size_t &size, unsigned *tag) {
  assert(n <= MaxBlockTokens);
  countFrequencies(values, distances, n);
  uint64_t huffmanBits = buildTrees();
  OutNext = Out.data();
  BitBuffer = 0;
  BitCount = 0;
  unsigned chosen = huffmanBits < PlainBits ? TagHuffman : TagPlain;
  if (chosen == TagHuffman)
    writeHuffman(values, distances, n);
  else
    writePlain(values, distances, n);
  finishBytes();
  size = static_cast<size_t>(OutNext - Out.data());
  if (tag)
    *tag = chosen;
  return Out.data();
}

void HuffmanBlockWriter::writePlain(const uint8_t *values, const uint16_t *distances, size_t n) {
  putBits(TagPlain, TagBits);
  putBits(n, CountBits);
  drain();
  for (size_t i = 0; i < n; ++i) {
    unsigned d = distances[i];
    if (d == 0) {
      putBits(values[i], PlainSymbolBits);
    } else {
      putBits(256u + values[i], PlainSymbolBits);
      putBits(d - 1, PlainDistanceBits);
    }
    drain();
  }
}

void HuffmanBlockWriter::writeRuns(const LengthRun *runs, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    unsigned s = runs[i].Symbol;
    putBits(CodeLengthCode[s], CodeLengthLen[s]);
    putBits(runs[i].Extra, CodeLengthExtraBits[s]);
    drain();
  }
}

void HuffmanBlockWriter::writeHuffman(const uint8_t *values, const uint16_t *distances, size_t n) {
  putBits(TagHuffman, TagBits);
  putBits(unsigned(CodeLengthsSent - MinCodeLengthsSent), CodeLengthCountBits);
  drain();
  for (int i = 0; i < CodeLengthsSent; ++i) {
    putBits(CodeLengthLen[CodeLengthOrder[i]], CodeLengthBits);
    drain();
  }
  putBits(unsigned(LiteralMax - EndOfBlock), LiteralCountBits);
  writeRuns(LiteralRuns, LiteralRunCount);
  putBits(unsigned(DistanceMax - 1), DistanceCountBits);
  writeRuns(DistanceRuns, DistanceRunCount);
  drain();

  for (size_t i = 0; i < n; ++i) {
    unsigned v = values[i];
    unsigned d = distances[i];
    if (d == 0) {
      putBits(LiteralCode[v], LiteralLen[v]);
    } else {
      unsigned lc = LengthCodeOf[v];
      unsigned s = FirstLengthCode + lc;
      putBits(LiteralCode[s], LiteralLen[s]);
      putBits(v - LengthBase[lc], LengthExtraBits[lc]);
      unsigned dc = distanceCode(d - 1);
      putBits(DistanceCode[dc], DistanceLen[dc]);
      putBits(d - 1 - DistanceBase[dc], DistanceExtraBits[dc]);
    }
    drain();
  }
  putBits(LiteralCode[EndOfBlock], LiteralLen[EndOfBlock]);
}

} // namespace vyx
