//===- bit_io_test.cpp - Bit-level buffered device ------------------------===//

#include "io/bit_io.h"
#include "io/memory_io.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct BitMemory {
  explicit BitMemory(long size = 4096) : Memory(new GMemoryIO), Bits(Memory, size) {}
  Bytes bytes() {
    Bits.flush();
    auto *p = static_cast<unsigned char *>(Memory->buffer());
    return Bytes(p, p + Memory->size());
  }
  GMemoryIO *Memory;
  GBitBufferedIO Bits;
};

TEST(GBitBufferedIO, BitsArePackedLowBitFirst) {
  BitMemory m;
  m.Bits.writeBit(1);
  m.Bits.writeBit(0);
  m.Bits.writeBit(1);
  EXPECT_EQ(m.bytes(), Bytes{0x05});
}

TEST(GBitBufferedIO, BitGroupsFillThePartialByte) {
  BitMemory m;
  m.Bits.writeNBits(0x5, 3);
  m.Bits.writeNBits(0x1F, 5);
  m.Bits.writeNBits(0x3, 2);
  EXPECT_EQ(m.bytes(), (Bytes{0xFD, 0x03}));
}

TEST(GBitBufferedIO, ValuesAreMaskedToTheirBitCount) {
  BitMemory m;
  m.Bits.writeNBits(0xFF, 3);
  m.Bits.writeNBits(0, 5);
  m.Bits.writeNBits(0xFFFFFFFFFul, 32);
  EXPECT_EQ(m.bytes(), (Bytes{0x07, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(GBitBufferedIO, AByteBetweenBitsClosesThePartialByte) {
  BitMemory m;
  m.Bits.writeBit(1);
  m.Bits.writeByte(0xAA);
  m.Bits.writeBit(1);
  EXPECT_EQ(m.bytes(), (Bytes{0x01, 0xAA, 0x01}));
}

TEST(GBitBufferedIO, ReadNBitsLeavesTheRestOfTheByte) {
  BitMemory m;
  m.Bits.gwrite("\xCD\xAB", 2);
  m.Bits.gseek(0, GIO::IO_BEGIN);
  EXPECT_EQ(m.Bits.readNBits(12), 0xBCD);
  EXPECT_EQ(m.Bits.readBit(), 0); // bit 4 of 0xAB
  EXPECT_EQ(m.Bits.readBit(), 1);
  EXPECT_EQ(m.Bits.readNBits(2), 0x2);
  EXPECT_EQ(m.Bits.readBit(), -1);
  EXPECT_EQ(m.Bits.readNBits(3), -1);
}

TEST(GBitBufferedIO, ReadBitAtTheEndIsMinusOne) {
  BitMemory m;
  EXPECT_EQ(m.Bits.readBit(), -1);
}

TEST(GBitBufferedIO, BitStateIsDroppedWhenTheDeviceGoesIdle) {
  // A partial byte at the start of the buffer must not be mistaken for the
  // byte just written after a new phase wrote one byte at the same place.
  BitMemory m;
  m.Bits.writeBit(1);
  m.Bits.gseek(0, GIO::IO_BEGIN);
  m.Bits.setState(GAbstractBufferedIO::SB_IDLE);
  m.Bits.writeByte(0x40);
  m.Bits.writeBit(1);
  EXPECT_EQ(m.bytes(), (Bytes{0x40, 0x01}));
}

TEST(GBitBufferedIO, MixedStreamRoundTripsAcrossWindowBoundaries) {
  std::mt19937 random(7);
  struct Item {
    int kind; // 0 bit, 1 group, 2 byte, 3 word
    unsigned long value;
    int count;
  };
  std::vector<Item> items;
  for (int i = 0; i < 5000; ++i) {
    int kind = static_cast<int>(random() % 4);
    int count = static_cast<int>(random() % 33);
    unsigned long value = random();
    if (count < 32)
      value &= (1ul << count) - 1;
    items.push_back({kind, value, count});
  }
  BitMemory m(7);
  for (const Item &item : items) {
    switch (item.kind) {
    case 0:
      m.Bits.writeBit(item.value & 1);
      break;
    case 1:
      m.Bits.writeNBits(item.value, item.count);
      break;
    case 2:
      m.Bits.writeByte(static_cast<unsigned char>(item.value));
      break;
    default:
      m.Bits.writeWord(static_cast<unsigned short>(item.value));
    }
  }
  m.Bits.flush();
  m.Bits.gseek(0, GIO::IO_BEGIN);
  for (size_t i = 0; i < items.size(); ++i) {
    const Item &item = items[i];
    switch (item.kind) {
    case 0:
      ASSERT_EQ(m.Bits.readBit(), long(item.value & 1)) << i;
      break;
    case 1:
      ASSERT_EQ(m.Bits.readNBits(item.count), long(item.value)) << i;
      break;
    case 2:
      ASSERT_EQ(m.Bits.readByte(), long(item.value & 0xFF)) << i;
      break;
    default:
      ASSERT_EQ(m.Bits.readWord(), item.value & 0xFFFF) << i;
    }
  }
}

} // namespace
