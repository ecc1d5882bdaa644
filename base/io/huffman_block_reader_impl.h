//===- huffman_block_reader_impl.h - Decoding one block of tokens ----*- C++ -*-===//
//
// HuffmanBlockReader decodes one block of the token stream described in
// huffman_io.h straight from the read window of the buffered device below.
// It takes exactly the bytes of the block: when it stops, the device below
// stands on the first byte after the block (or after the end tag).
//
// Every value read from the stream passes through one check, DECODE_CHECK,
// that ends the block as malformed. Nothing read can index outside the
// tables or the token arrays.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_HUFFMAN_BLOCK_READER_IMPL_H
#define VYX_IO_HUFFMAN_BLOCK_READER_IMPL_H

#include "io/deflate_tables_impl.h"

#include <cstddef>
#include <cstdint>

class GAbstractBufferedIO;

namespace vyx {

class HuffmanBlockReader {
public:
  enum Result {
    Block,     ///< a block was decoded (it may hold no tokens)
    EndTag,    ///< the end-of-stream tag was read
    EndOfData, ///< the device below had no byte where a block should start
    Malformed, ///< the block is damaged or cut short
  };

  /// Decodes the next block from `below` into values[0..count) and
  /// distances[0..count) (room for `capacity` tokens).
  Result decode(GAbstractBufferedIO &below, uint8_t *values, uint16_t *distances, size_t capacity,
                size_t &count);

private:
  class BitSource;

  bool decodePlain(BitSource &in, uint8_t *values, uint16_t *distances, size_t capacity,
                   size_t &count);
  bool decodeHuffman(BitSource &in, uint8_t *values, uint16_t *distances, size_t capacity,
                     size_t &count);
  bool readCodes(BitSource &in);
  bool readLengths(BitSource &in, uint8_t *lengths, int count);

  uint32_t CodeLengthTable[deflate::CodeLengthTableSize];
  uint32_t LiteralTable[deflate::LiteralTableSize];
  uint32_t DistanceTable[deflate::DistanceTableSize];
};

} // namespace vyx

#endif // VYX_IO_HUFFMAN_BLOCK_READER_IMPL_H
