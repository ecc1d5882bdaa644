//===- buffered_io_test.cpp - Buffered devices ----------------------------===//

#include "io/buffered_io.h"
#include "io/file_io.h"
#include "io/memory_io.h"

#include "io_test_support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <type_traits>
#include <vector>

namespace {

using vyx_test::ScratchDir;
using vyx_test::ScriptedDevice;
using Bytes = std::vector<unsigned char>;

Bytes memoryBytes(GMemoryIO *io) {
  auto *p = static_cast<unsigned char *>(io->buffer());
  return Bytes(p, p + io->size());
}

/// A buffered device over a fresh memory device it owns.
struct BufferedMemory {
  explicit BufferedMemory(long size = 4096) : Memory(new GMemoryIO), Buffered(Memory, size) {}
  GMemoryIO *Memory;
  GBufferedIO Buffered;
};

TEST(GBufferedIO, WordsAreLittleEndianAtEveryWindowOffset) {
  // A 5-byte window: the values straddle its end at every offset.
  for (int lead = 0; lead < 5; ++lead) {
    BufferedMemory b(5);
    for (int i = 0; i < lead; ++i)
      b.Buffered.writeByte(0xEE);
    b.Buffered.writeWord(0x1234);
    b.Buffered.writeDWord(0x12345678);
    b.Buffered.flush();
    Bytes expected(lead, 0xEE);
    Bytes tail = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(memoryBytes(b.Memory), expected) << "lead " << lead;

    b.Buffered.gseek(lead, GIO::IO_BEGIN);
    EXPECT_EQ(b.Buffered.readWord(), 0x1234) << "lead " << lead;
    EXPECT_EQ(b.Buffered.readDWord(), 0x12345678ul) << "lead " << lead;
    EXPECT_EQ(b.Buffered.readByte(), -1);
    EXPECT_EQ(b.Buffered.getError(), GIO::IO_EOF);
  }
}

TEST(GBufferedIO, DWordKeepsOnlyThirtyTwoBits) {
  BufferedMemory b;
  b.Buffered.writeDWord(0xAB12345678ul);
  b.Buffered.flush();
  EXPECT_EQ(memoryBytes(b.Memory), (Bytes{0x78, 0x56, 0x34, 0x12}));
}

TEST(GBufferedIO, TellAfterWritingIsTheLogicalEnd) {
  BufferedMemory b;
  EXPECT_EQ(b.Buffered.gwrite("abcdefg", 7), 7);
  EXPECT_EQ(b.Memory->size(), 0); // still in the window
  EXPECT_EQ(b.Buffered.gtell(), 7);
  EXPECT_EQ(b.Memory->size(), 7);
  EXPECT_EQ(b.Buffered.getState(), GAbstractBufferedIO::SB_IDLE);
}

TEST(GBufferedIO, TellAfterReadingHandsBackTheReadAhead) {
  auto *memory = new GMemoryIO;
  std::vector<char> data(10000, 'd');
  memory->gwrite(data.data(), 10000);
  memory->gseek(0, GIO::IO_BEGIN);
  GBufferedIO b(memory);
  char out[10];
  EXPECT_EQ(b.gread(out, 10), 10);
  EXPECT_EQ(memory->gtell(), 4096);
  EXPECT_EQ(b.gtell(), 10);
  EXPECT_EQ(memory->gtell(), 10);
}

TEST(GBufferedIO, SwitchingPhasesKeepsPositions) {
  BufferedMemory b(8);
  b.Buffered.gwrite("0123456789ABCDEF", 16);
  b.Buffered.gseek(4, GIO::IO_BEGIN);
  char out[3] = {};
  EXPECT_EQ(b.Buffered.gread(out, 2), 2);
  EXPECT_EQ(std::string(out, 2), "45");
  // Writing now continues at the logical position 6, not the window's end.
  EXPECT_EQ(b.Buffered.gwrite("xy", 2), 2);
  EXPECT_EQ(b.Buffered.gread(out, 2), 2);
  EXPECT_EQ(std::string(out, 2), "89");
  b.Buffered.flush();
  EXPECT_EQ(std::string(static_cast<char *>(b.Memory->buffer()), 16), "012345xy89ABCDEF");
}

TEST(GBufferedIO, ReadAtTheEndStartsWithMinusOneThenZero) {
  BufferedMemory b;
  char c;
  EXPECT_EQ(b.Buffered.gread(&c, 1), -1);
  EXPECT_EQ(b.Buffered.getError(), GIO::IO_EOF);
  EXPECT_EQ(b.Buffered.gread(&c, 1), 0);
}

TEST(GBufferedIO, TinyBufferStillWorks) {
  BufferedMemory b(0);
  const char text[] = "a longer text than four bytes";
  EXPECT_EQ(b.Buffered.gwrite(text, sizeof text), long(sizeof text));
  b.Buffered.gseek(0, GIO::IO_BEGIN);
  char out[sizeof text];
  EXPECT_EQ(b.Buffered.gread(out, sizeof out), long(sizeof out));
  EXPECT_STREQ(out, text);
}

TEST(GBufferedIO, OpenModeOfTheDeviceGuardsPhases) {
  auto *device = new ScriptedDevice(GIO::IO_READ);
  GBufferedIO b(device);
  EXPECT_EQ(b.open_mode(), GIO::IO_READ);
  EXPECT_EQ(b.gwrite("x", 1), -1);
  EXPECT_EQ(b.writeByte('x'), -1);
  device->store_open_mode(GIO::IO_WRITE);
  b.setIO(device);
  char c;
  EXPECT_EQ(b.gread(&c, 1), -1);
  EXPECT_EQ(b.readByte(), -1);
}

TEST(GBufferedIO, NoDeviceMeansNoIO) {
  GBufferedIO b;
  b.setIO(nullptr);
  EXPECT_EQ(b.getError(), GIO::IO_NO_DEVICE);
  EXPECT_EQ(b.gwrite("x", 1), -1);
  EXPECT_EQ(b.getError(), GIO::IO_NO_DEVICE);
  EXPECT_EQ(b.gseek(0, GIO::IO_BEGIN), -1);
  EXPECT_EQ(b.readByte(), -1);
}

TEST(GBufferedIO, SetIOWithTheSameDeviceKeepsIt) {
  auto *device = new ScriptedDevice;
  GBufferedIO b(device);
  b.gwrite("ab", 2);
  b.setIO(device); // flushes, must not delete it
  EXPECT_EQ(b.getIO(), device);
  EXPECT_EQ(device->Data, (Bytes{'a', 'b'}));
  EXPECT_EQ(b.gwrite("c", 1), 1);
  b.flush();
  EXPECT_EQ(device->Data.size(), 3u);
}

TEST(GBufferedIO, PartialWritesStayPendingAndAreRetried) {
  auto *device = new ScriptedDevice;
  device->AcceptLimit = 3;
  GBufferedIO b(device, 4);
  EXPECT_EQ(b.gwrite("abcdefgh", 8), 4); // window full, device took 3 of 4
  EXPECT_EQ(b.getError(), GIO::IO_WRITE_INCOMPLETE);
  EXPECT_EQ(device->Data, (Bytes{'a', 'b', 'c'}));
  device->AcceptLimit = -1;
  b.flush(); // the retry delivers the pending byte
  EXPECT_EQ(device->Data, (Bytes{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(b.getError(), GIO::IO_OK);
}

TEST(GBufferedIO, FailedImplicitFlushIsReported) {
  auto *device = new ScriptedDevice;
  GBufferedIO b(device);
  EXPECT_EQ(b.gwrite("abc", 3), 3);
  device->FailWrites = true;
  EXPECT_EQ(b.gtell(), -1);
  EXPECT_EQ(b.getError(), GIO::IO_WRITE_FAILED);

  EXPECT_EQ(b.gwrite("abc", 3), 3);
  EXPECT_EQ(b.gseek(0, GIO::IO_BEGIN), -1);
  EXPECT_EQ(b.getError(), GIO::IO_WRITE_FAILED);

  // A switch to reading that loses the pending bytes fails too.
  EXPECT_EQ(b.gwrite("abc", 3), 3);
  char c;
  EXPECT_EQ(b.gread(&c, 1), -1);
  EXPECT_EQ(b.getError(), GIO::IO_WRITE_FAILED);
}

TEST(GBufferedIO, ByteOperationsWithoutVirtualCallsInsideTheWindow) {
  auto *device = new ScriptedDevice;
  GBufferedIO b(device, 16);
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(b.writeByte(static_cast<unsigned char>(i)), i);
  EXPECT_EQ(device->Writes, 2); // two full windows handed on
  b.flush();
  EXPECT_EQ(device->Writes, 3);
  b.gseek(0, GIO::IO_BEGIN);
  device->Reads = 0;
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(b.readByte(), i);
  EXPECT_EQ(device->Reads, 3);
  EXPECT_EQ(b.readByte(), -1);
}

TEST(GBufferedIO, DestructorFlushesAndDeletesTheDevice) {
  ScratchDir dir;
  std::string name = dir.file("out.bin");
  {
    GBufferedIO b(new GFileIO(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_NEW));
    b.writeDWord(0x64636261);
  }
  EXPECT_EQ(dir.read("out.bin"), "abcd");
}

TEST(GBufferedIO, NegativeCountsMoveNothing) {
  BufferedMemory b;
  char c;
  EXPECT_EQ(b.Buffered.gwrite("x", -1), 0);
  EXPECT_EQ(b.Buffered.gread(&c, -1), 0);
}

TEST(GBufferedIO, NotCopyable) {
  EXPECT_FALSE(std::is_copy_constructible_v<GBufferedIO>);
  EXPECT_FALSE(std::is_copy_assignable_v<GBufferedIO>);
}

} // namespace
