//===- memory_io_test.cpp - The memory device -----------------------------===//

#include "io/memory_io.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <type_traits>
#include <vector>

namespace {

TEST(GMemoryIO, GrowsToMultiplesOfTheStep) {
  GMemoryIO io;
  EXPECT_EQ(io.capacity(), 0);
  EXPECT_TRUE(io.expandable());
  EXPECT_EQ(io.open_mode(), GIO::IO_READWRITE);
  char byte = 'x';
  EXPECT_EQ(io.gwrite(&byte, 1), 1);
  EXPECT_EQ(io.capacity(), 256);

  GMemoryIO big;
  std::vector<char> data(300, 'a');
  EXPECT_EQ(big.gwrite(data.data(), 300), 300);
  EXPECT_EQ(big.capacity(), 512);
  EXPECT_EQ(big.size(), 300);
  EXPECT_EQ(big.gtell(), 300);
}

TEST(GMemoryIO, LongStreamsGrowGeometrically) {
  GMemoryIO io;
  std::vector<char> chunk(1000, 'z');
  int reallocations = 0;
  long lastCapacity = 0;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(io.gwrite(chunk.data(), long(chunk.size())), long(chunk.size()));
    if (io.capacity() != lastCapacity) {
      ++reallocations;
      lastCapacity = io.capacity();
    }
    ASSERT_EQ(io.capacity() % GMemoryIO::GrowthStep, 0);
  }
  EXPECT_EQ(io.size(), 10000L * 1000);
  // 10 MB in steps of 256 bytes would take 39000 reallocations.
  EXPECT_LT(reallocations, 60);
}

TEST(GMemoryIO, BorrowedBlockTakesOnlyWhatFits) {
  char block[10] = {};
  GMemoryIO io(block, 10, GIO::IO_READWRITE);
  EXPECT_FALSE(io.expandable());
  EXPECT_EQ(io.size(), 10);
  EXPECT_EQ(io.gseek(8, GIO::IO_BEGIN), 8);
  EXPECT_EQ(io.gwrite("abcde", 5), 2);
  EXPECT_EQ(block[8], 'a');
  EXPECT_EQ(block[9], 'b');
  EXPECT_EQ(io.gwrite("x", 1), 0);
  EXPECT_EQ(io.buffer(), block);
}

TEST(GMemoryIO, SeekStaysInsideTheData) {
  GMemoryIO io;
  io.gwrite("0123456789", 10);
  EXPECT_EQ(io.gseek(0, GIO::IO_END), 10);
  EXPECT_EQ(io.gseek(1, GIO::IO_END), -1);
  EXPECT_EQ(io.gtell(), 10);
  EXPECT_EQ(io.gseek(-11, GIO::IO_END), -1);
  EXPECT_EQ(io.gseek(-3, GIO::IO_CURRENT), 7);
  EXPECT_EQ(io.gseek(4, GIO::IO_CURRENT), -1);
  EXPECT_EQ(io.gseek(3, GIO::IO_BEGIN), 3);
  EXPECT_EQ(io.gseek(LONG_MIN, GIO::IO_CURRENT), -1);
  EXPECT_EQ(io.gseek(LONG_MAX, GIO::IO_END), -1);
  EXPECT_EQ(io.gseek(0, static_cast<GIO::IOSeekDirection>(7)), -1);
  EXPECT_EQ(io.gtell(), 3);
}

TEST(GMemoryIO, ReadsWhatWasWritten) {
  GMemoryIO io;
  io.gwrite("hello world", 11);
  io.gseek(6, GIO::IO_BEGIN);
  char out[16] = {};
  EXPECT_EQ(io.gread(out, 16), 5);
  EXPECT_STREQ(out, "world");
  EXPECT_EQ(io.gread(out, 1), 0);
  // Overwriting in the middle keeps the size.
  io.gseek(0, GIO::IO_BEGIN);
  io.gwrite("J", 1);
  EXPECT_EQ(io.size(), 11);
  EXPECT_EQ(std::memcmp(io.buffer(), "Jello world", 11), 0);
}

TEST(GMemoryIO, OpenModeGuardsReadsAndWrites) {
  char block[4] = {'a', 'b', 'c', 'd'};
  char out[4];
  GMemoryIO reader(block, 4, GIO::IO_READ);
  EXPECT_EQ(reader.gwrite("zz", 2), 0);
  EXPECT_EQ(reader.gread(out, 4), 4);

  GMemoryIO writer(block, 4, GIO::IO_WRITE);
  EXPECT_EQ(writer.gread(out, 4), 0);
  EXPECT_EQ(writer.gwrite("zz", 2), 2);
  EXPECT_EQ(block[0], 'z');
}

TEST(GMemoryIO, NegativeCountsAndNullDataMoveNothing) {
  GMemoryIO io;
  io.gwrite("abc", 3);
  char out[4];
  EXPECT_EQ(io.gwrite("abc", -1), 0);
  EXPECT_EQ(io.gread(out, -5), 0);
  EXPECT_EQ(io.gwrite(nullptr, 3), 0);
  EXPECT_EQ(io.size(), 3);
}

TEST(GMemoryIO, ClosedDeviceNeverTouchesTheDroppedBlock) {
  GMemoryIO io;
  io.gwrite("abcdef", 6);
  io.gseek(2, GIO::IO_BEGIN);
  io.close();
  EXPECT_EQ(io.buffer(), nullptr);
  char out[8];
  EXPECT_EQ(io.gread(out, 8), 0);
  EXPECT_EQ(io.gwrite("x", 1), 0);
  EXPECT_EQ(io.buffer(), nullptr);
  // Reopening starts afresh.
  io.open(0);
  EXPECT_EQ(io.gwrite("x", 1), 1);
  EXPECT_EQ(io.gtell(), 1);

  char block[4] = {'1', '2', '3', '4'};
  GMemoryIO borrowed(block, 4, GIO::IO_READWRITE);
  borrowed.close();
  EXPECT_EQ(borrowed.gread(out, 4), 0);
  EXPECT_EQ(borrowed.gwrite("x", 1), 0);
  EXPECT_EQ(block[0], '1');
}

TEST(GMemoryIO, OpenWithSizePreallocates) {
  GMemoryIO io(1000);
  EXPECT_EQ(io.capacity(), 1000);
  EXPECT_EQ(io.size(), 0);
  std::vector<char> data(1000, 'q');
  EXPECT_EQ(io.gwrite(data.data(), 1000), 1000);
  EXPECT_EQ(io.capacity(), 1000);
  EXPECT_EQ(io.gwrite("r", 1), 1);
  EXPECT_GE(io.capacity(), 1024);

  GMemoryIO none(-5);
  EXPECT_EQ(none.capacity(), 0);
  GMemoryIO nullBlock(nullptr, 50, GIO::IO_READ);
  EXPECT_EQ(nullBlock.size(), 0);
}

TEST(GMemoryIO, OwningDevicesAreNotCopyable) {
  EXPECT_FALSE(std::is_copy_constructible_v<GMemoryIO>);
  EXPECT_FALSE(std::is_copy_assignable_v<GMemoryIO>);
}

} // namespace
