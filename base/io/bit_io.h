//===- bit_io.h - Bit-level buffered device ---------------------*- C++ -*-===//
//
// GBitBufferedIO reads and writes single bits and groups of up to 32 bits on
// top of GBufferedIO. Bits are packed least significant bit first within
// each byte, and multi-bit values least significant bit first. Bytes and
// bits can be mixed: a byte written or read between bit operations closes
// the partial byte, and the next bit operation starts a new one.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_BIT_IO_H
#define VYX_IO_BIT_IO_H

#include "io/buffered_io.h"

/// A buffered device with bit-level reading and writing.
class VYX_BASE_API GBitBufferedIO : public GBufferedIO {
public:
  /// The largest bit group of one readNBits or writeNBits call.
  static constexpr int MaxBitCount = 32;

  explicit GBitBufferedIO(long size = DefaultBufferSize);
  GBitBufferedIO(GIO *device, long size = DefaultBufferSize);

  /// Writes one bit (any non-zero value is 1). Returns 0, or -1 when no
  /// byte could be written.
  int writeBit(int bit);
  /// Writes the low `count` bits of value (count 0..32; bits above are
  /// ignored). Returns 0, or -1 when a byte could not be written.
  int writeNBits(unsigned long value, int count);
  /// The next bit (0 or 1), or -1 at the end of the data.
  int readBit();
  /// The next `count` bits (0..32), or -1 at the end of the data.
  long readNBits(int count);

protected:
  unsigned char writeBuffer() override;
  unsigned char readBuffer() override;
  void stopRead() override;
  void becameIdle() override;

private:
  void resetBits() {
    BitByte = nullptr;
    BitCount = 8;
  }
  /// True when the partial byte has free bits and is the byte just written.
  bool partialWriteByte() const { return BitByte && BitCount < 8 && getWCurrent() == BitByte + 1; }
  /// True when the partial byte has unread bits and is the byte just read.
  bool partialReadByte() const { return BitByte && BitCount < 8 && getRCurrent() == BitByte + 1; }

  unsigned char *BitByte = nullptr;
  int16_t BitCount = 8;
};

#endif // VYX_IO_BIT_IO_H
