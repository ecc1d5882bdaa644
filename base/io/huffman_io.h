//===- huffman_io.h - Huffman-coded buffered device -------------*- C++ -*-===//
//
// GHuffmanBufferedIO stores a stream of tokens in blocks of up to 32000
// tokens, each block either Huffman-coded with codes built for it or written
// as fixed-width tokens, whichever is smaller. A token is a literal byte or
// a back-reference (length 3..258, distance 1..32768) made by the LZ77
// layer above; bytes written through the ordinary device operations are
// literal tokens, so the device also works alone as a Huffman byte coder.
//
// Stream format, on the buffered device below. Bits are packed least
// significant bit first; an n-bit value is stored least significant bit
// first; Huffman codes are stored starting with their first code bit.
// Every block starts on a byte boundary and is padded with zero bits.
//
//   block tag      3 bits  1 = end of stream, 2 = plain block, 3 = Huffman
//   plain block:   count (15 bits, <= 32000), then per token 9 bits t:
//                  t < 256 a literal, else length t - 256 + 3 followed by
//                  15 bits of distance - 1
//   Huffman block: code-length count - 5 (4 bits), that many 3-bit lengths
//                  in the order 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14
//                  1 15; literal/length count - 257 (5 bits) and as many
//                  run-length coded lengths; distance count - 2 (5 bits)
//                  and as many run-length coded lengths; then the tokens
//                  (literal/length symbol, length extra bits, distance
//                  symbol, distance extra bits) closed by symbol 256.
//                  Every code must be complete.
//   end of stream: one byte 0x01.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_HUFFMAN_IO_H
#define VYX_IO_HUFFMAN_IO_H

#include "io/buffered_io.h"

#include <cstdint>
#include <memory>

namespace vyx {
class HuffmanBlockWriter;
class HuffmanBlockReader;
} // namespace vyx

class GFlateBufferedIO;

/// A buffered device that codes its tokens onto a buffered device below.
///
/// The coding state belongs to the instance: devices on different threads
/// never wait for each other. One instance belongs to one thread at a time.
class VYX_BASE_API GHuffmanBufferedIO : public GBufferedIO {
public:
  /// Tokens per block, and the size of the token buffer.
  static constexpr long BlockTokens = 32000;
  /// The largest back-reference distance.
  static constexpr unsigned MaxDistance = 32768;

  GHuffmanBufferedIO();
  /// Takes ownership of the device below.
  explicit GHuffmanBufferedIO(GAbstractBufferedIO *below);
  ~GHuffmanBufferedIO() override;

  /// Appends one token: a literal byte (distance 0) or a back-reference of
  /// length value + 3 at the given distance. False when the distance is
  /// above 32768 (the token is refused) or the token could not be placed.
  bool writeCode(unsigned short distance, unsigned char value) {
    if (distance > MaxDistance)
      return false;
    unsigned char *slot = getWCurrent();
    if (slot < getWEnd()) {
      Distances[slot - getBuffer()] = distance;
      *slot = value;
      setWCurrent(slot + 1);
      return true;
    }
    return writeCodeSlow(distance, value);
  }

  /// Takes the next token: IO_OK, or the error that ended reading (IO_EOF
  /// after the end tag, IO_BAD_DATA for damaged data).
  IOErrors readCode(unsigned short &distance, unsigned char &value) {
    int b = readByte();
    if (b < 0)
      return getError() != IO_OK ? getError() : IO_EOF;
    value = static_cast<unsigned char>(b);
    distance = Distances[getRCurrent() - 1 - getBuffer()];
    return IO_OK;
  }

  /// Replaces the device below (flushing first, deleting the old one).
  void setBufferedIO(GAbstractBufferedIO *below);
  GAbstractBufferedIO *getBufferedIO() const { return static_cast<GAbstractBufferedIO *>(getIO()); }

  /// Flushes, then hands `device` to the device below as its device. Without
  /// a device below the error becomes IO_NO_DEVICE and `device` is deleted.
  void setIO(GIO *device) override;
  /// Ends a stream being written (final block and end tag) and flushes the
  /// device below; a write error of the device below becomes this device's.
  void flush() override;

protected:
  unsigned char startWrite() override;
  void stopWrite() override;
  unsigned char writeBuffer() override;
  void stopRead() override;
  unsigned char readBuffer() override;

private:
  friend class GFlateBufferedIO;

  bool writeCodeSlow(unsigned short distance, unsigned char value);
  /// Hands coded bytes to the device below; false (with the error set) when
  /// it does not take them all.
  bool writeBelow(const unsigned char *data, long n);
  /// Copies a write error of the device below, if this device has none.
  void adoptBelowError();

  std::unique_ptr<uint16_t[]> Distances;
  std::unique_ptr<vyx::HuffmanBlockWriter> Writer;
  std::unique_ptr<vyx::HuffmanBlockReader> Reader;
  /// True once the write phase has produced a block: only such a phase ends
  /// with an end tag.
  bool WroteBlock = false;
  /// Blocks decoded in this read phase: a stream that ends before its end
  /// tag is damaged, unless nothing at all was there.
  long BlocksRead = 0;
};

#endif // VYX_IO_HUFFMAN_IO_H
