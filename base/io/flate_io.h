//===- flate_io.h - Flate-coded (LZ77 + Huffman) buffered device -*- C++ -*-===//
//
// GFlateBufferedIO is the library's compressing device. Its write side turns
// the bytes written into LZ77 tokens (literals and back-references into a
// 32 KiB history) with hash chains and lazy matching, and hands them to a
// GHuffmanBufferedIO that codes them in blocks; its read side takes the
// tokens from that device and rebuilds the bytes. The stored format is the
// token stream of huffman_io.h; back-references never reach farther than
// 32506 bytes.
//
// The compressed bytes are a function of the bytes written and the speed
// alone: the window, its slack and the hash chains start zeroed in every
// write phase, and all state belongs to the instance.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_FLATE_IO_H
#define VYX_IO_FLATE_IO_H

#include "io/huffman_io.h"

#include <cstdint>
#include <memory>

/// A buffered device that compresses onto, and decompresses from, the
/// buffered device below through its own Huffman-coded device.
class VYX_BASE_API GFlateBufferedIO : public GBufferedIO {
public:
  static constexpr int DefaultSpeed = 4;
  static constexpr int MinSpeed = 1;
  static constexpr int MaxSpeed = 9;
  /// Back-references reach at most this far.
  static constexpr unsigned MaxDistance = 32506;
  /// Bytes delivered per decoded chunk.
  static constexpr long ChunkSize = 65236;

  explicit GFlateBufferedIO(int speed = DefaultSpeed);
  /// Takes ownership of the device below (through the Huffman device).
  explicit GFlateBufferedIO(GAbstractBufferedIO *below, int speed = DefaultSpeed);
  ~GFlateBufferedIO() override;

  /// 1 (fastest) to 9 (smallest); 0 or below means 1, above 9 means 9.
  /// Takes effect at the next write phase.
  void setCompressionSpeed(int speed) { Speed = speed; }
  int getCompressionSpeed() const { return Speed; }

  GHuffmanBufferedIO *getHuffmanIO() const { return static_cast<GHuffmanBufferedIO *>(getIO()); }
  /// The Huffman device's device below.
  GAbstractBufferedIO *getBufferedIO() const { return getHuffmanIO()->getBufferedIO(); }
  /// Replaces the Huffman device's device below (flushing first).
  void setBufferedIO(GAbstractBufferedIO *below);
  /// Flushes, then replaces the innermost device once, through the Huffman
  /// device; IO_NO_DEVICE only when there is no device below.
  void setIO(GIO *device) override;
  /// Ends a stream being written and flushes the chain below; a write error
  /// of the chain becomes this device's.
  void flush() override;

protected:
  unsigned char startWrite() override;
  void stopWrite() override;
  unsigned char writeBuffer() override;
  unsigned char startRead() override;
  void stopRead() override;
  unsigned char readBuffer() override;

private:
  // Writing.
  bool tokenize();
  unsigned longestMatch(unsigned candidate, unsigned current, unsigned previousLength,
                        unsigned lookahead);
  void slideWindow();
  void refill();
  bool emitLiteral(unsigned char byte) { return getHuffmanIO()->writeCode(0, byte); }
  bool emitMatch(unsigned distance, unsigned length) {
    return getHuffmanIO()->writeCode(static_cast<unsigned short>(distance),
                                     static_cast<unsigned char>(length - 3));
  }
  void failWrite();

  // Reading.
  bool decodeUntil(long limit, bool mirrored);
  void endReading(IOErrors error);

  unsigned char *Window; ///< the buffer: 2 x 32768 bytes, 258 of slack, room for wide loads
  std::unique_ptr<uint16_t[]> Prev;
  std::unique_ptr<uint16_t[]> Head;

  // LZ77 state of a write phase.
  unsigned Hash = 0;
  unsigned MaxChain = 0;
  unsigned StrStart = 0;
  unsigned MatchLength = 2;
  unsigned MatchStart = 0;
  unsigned Lookahead = 0;
  bool First = true;
  bool MatchAvailable = false;
  bool Ended = true;
  unsigned MaxLazy = 0;
  unsigned GoodMatch = 0;
  unsigned NiceMatch = 0;
  int Speed = DefaultSpeed;

  // Decoding state of a read phase: the decode position in the window, the
  // stream position of window byte 0, and how the token stream ended.
  long DecodePos = ChunkSize;
  long long Origin = 0;
  bool ReadEnded = false;
  IOErrors EndError = IO_EOF;
};

#endif // VYX_IO_FLATE_IO_H
