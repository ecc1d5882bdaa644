//===- huffman_block_writer_impl.h - Coding one block of tokens ------*- C++ -*-===//
//
// HuffmanBlockWriter turns the tokens of one block into the bytes of a plain
// or Huffman token block (the format is described in huffman_io.h). It owns
// all of the encoder's working state, so every device has its own.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_HUFFMAN_BLOCK_WRITER_IMPL_H
#define VYX_IO_HUFFMAN_BLOCK_WRITER_IMPL_H

#include "io/deflate_tables_impl.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vyx {

class HuffmanBlockWriter {
public:
  HuffmanBlockWriter();

  /// Codes values[0..n) with their distances (0 for a literal, else 1..32768,
  /// the value then being length - 3) as one block. The bytes stay valid
  /// until the next call; *tag tells which kind of block was chosen.
  const uint8_t *encode(const uint8_t *values, const uint16_t *distances, size_t n, size_t &size,
                        unsigned *tag = nullptr);

private:
  void countFrequencies(const uint8_t *values, const uint16_t *distances, size_t n);
  /// Builds the three trees; returns the exact size of the Huffman block in
  /// bits without its tag.
  uint64_t buildTrees();
  void writePlain(const uint8_t *values, const uint16_t *distances, size_t n);
  void writeHuffman(const uint8_t *values, const uint16_t *distances, size_t n);
  void writeRuns(const deflate::LengthRun *runs, size_t count);

  // Bit output into Out, least significant bit first. At most 56 bits may
  // be added between two drains.
  void putBits(uint64_t value, unsigned bits) {
    BitBuffer |= value << BitCount;
    BitCount += bits;
  }
  void drain();
  void finishBytes();

  deflate::TreeBuilder Builder;
  uint32_t LiteralFreq[deflate::LiteralLengthCodes];
  uint32_t DistanceFreq[deflate::DistanceCodes];
  uint32_t CodeLengthFreq[deflate::CodeLengthCodes];
  uint8_t LiteralLen[deflate::LiteralLengthCodes];
  uint16_t LiteralCode[deflate::LiteralLengthCodes];
  uint8_t DistanceLen[deflate::DistanceCodes];
  uint16_t DistanceCode[deflate::DistanceCodes];
  uint8_t CodeLengthLen[deflate::CodeLengthCodes];
  uint16_t CodeLengthCode[deflate::CodeLengthCodes];
  int LiteralMax = 0;
  int DistanceMax = 0;
  int CodeLengthsSent = 0;
  deflate::LengthRun LiteralRuns[deflate::LiteralLengthCodes];
  deflate::LengthRun DistanceRuns[deflate::DistanceCodes];
  size_t LiteralRunCount = 0;
  size_t DistanceRunCount = 0;
  uint64_t PlainBits = 0;

  std::vector<uint8_t> Out;
  uint8_t *OutNext = nullptr;
  uint64_t BitBuffer = 0;
  unsigned BitCount = 0;
};

} // namespace vyx

#endif // VYX_IO_HUFFMAN_BLOCK_WRITER_IMPL_H
