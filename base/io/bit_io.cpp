//===- bit_io.cpp - Bit-level buffered device ----------------------------===//

#include "io/bit_io.h"

namespace {

unsigned long lowBits(int count) { return count >= 32 ? 0xFFFFFFFFul : (1ul << count) - 1; }

int clampCount(int count) {
  if (count < 0)
    return 0;
  return count > GBitBufferedIO::MaxBitCount ? GBitBufferedIO::MaxBitCount : count;
}

} // namespace

GBitBufferedIO::GBitBufferedIO(long size) : GBufferedIO(size) {}

GBitBufferedIO::GBitBufferedIO(GIO *device, long size) : GBufferedIO(device, size) {}

int GBitBufferedIO::writeBit(int bit) {
  if (partialWriteByte()) {
    if (bit)
      *BitByte = static_cast<unsigned char>(*BitByte | (1u << BitCount));
    ++BitCount;
    return 0;
  }
  if (writeByte(bit ? 1 : 0) < 0)
    return -1;
  BitByte = getWCurrent() - 1;
  BitCount = 1;
  return 0;
}

int GBitBufferedIO::writeNBits(unsigned long value, int count) {
  count = clampCount(count);
  if (count == 0)
    return 0;
  value &= lowBits(count);
  int placed = 0;
  if (partialWriteByte()) {
    *BitByte = static_cast<unsigned char>(*BitByte | (value << BitCount));
    int used = 8 - BitCount < count ? 8 - BitCount : count;
    BitCount = static_cast<int16_t>(BitCount + used);
    placed = used;
  }
  while (placed < count) {
    if (writeByte(static_cast<unsigned char>(value >> placed)) < 0)
      return -1;
    int used = count - placed < 8 ? count - placed : 8;
    placed += used;
    if (used < 8) {
      BitByte = getWCurrent() - 1;
      BitCount = static_cast<int16_t>(used);
    } else {
      resetBits();
    }
  }
  return 0;
}

int GBitBufferedIO::readBit() {
  if (partialReadByte())
    return (*BitByte >> BitCount++) & 1;
  int b = readByte();
  if (b < 0)
    return -1;
  BitByte = getRCurrent() - 1;
  BitCount = 1;
  return b & 1;
}

long GBitBufferedIO::readNBits(int count) {
  count = clampCount(count);
  unsigned long result = 0;
  int got = 0;
  if (count > 0 && partialReadByte()) {
    int take = 8 - BitCount < count ? 8 - BitCount : count;
    result = (static_cast<unsigned long>(*BitByte) >> BitCount) & lowBits(take);
    BitCount = static_cast<int16_t>(BitCount + take);
    got = take;
  }
  while (got < count) {
    int b = readByte();
    if (b < 0)
      return -1;
    int take = count - got < 8 ? count - got : 8;
    result |= (static_cast<unsigned long>(b) & lowBits(take)) << got;
    got += take;
    if (take < 8) {
      BitByte = getRCurrent() - 1;
      BitCount = static_cast<int16_t>(take);
    } else {
      resetBits();
    }
  }
  return static_cast<long>(result);
}

unsigned char GBitBufferedIO::writeBuffer() {
  resetBits();
  return GBufferedIO::writeBuffer();
}

unsigned char GBitBufferedIO::readBuffer() {
  resetBits();
  return GBufferedIO::readBuffer();
}

void GBitBufferedIO::stopRead() {
  resetBits();
  GBufferedIO::stopRead();
}

void GBitBufferedIO::becameIdle() { resetBits(); }
