//===- memory_io.h - The memory device --------------------------*- C++ -*-===//
//
// GMemoryIO is a byte device on a block of memory: either owned and
// growable (malloc/realloc/free) or borrowed from the caller and fixed.
// Writing never moves the position past the capacity; seeking never moves it
// past the end of the data.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_MEMORY_IO_H
#define VYX_IO_MEMORY_IO_H

#include "io/gio.h"

/// A byte device on a memory block. Not copyable: an owning device frees its
/// block exactly once.
class VYX_BASE_API GMemoryIO : public GIO {
public:
  /// The granularity of the block size: a grown block is a multiple of it.
  static constexpr long GrowthStep = 256;

  explicit GMemoryIO(long n = 0);
  GMemoryIO(void *block, long n, IOOpenMode mode);
  GMemoryIO(const GMemoryIO &) = delete;
  GMemoryIO &operator=(const GMemoryIO &) = delete;
  ~GMemoryIO() override;

  /// An owned, growable block of n bytes (none for n <= 0); read and write.
  void open(long n);
  /// Borrows the caller's block of n bytes, all of them data; the caller
  /// keeps ownership.
  void open(void *block, long n, IOOpenMode mode);
  /// Frees an owned block and forgets the block. Until the next open, reads
  /// and writes return 0; position and size stay as they were.
  void close();

  long gseek(long offset, IOSeekDirection dir) override;
  long gtell() override { return Position; }
  long gwrite(const void *data, long n) override;
  long gread(void *data, long n) override;

  /// The block (valid until a write grows it); null when there is none.
  void *buffer() const { return Buffer; }
  bool expandable() const { return Expandable; }
  /// The number of valid bytes (the end of the data).
  long size() const { return Size; }
  /// The bytes available in the block.
  long capacity() const { return Capacity; }

private:
  bool grow(long needed);

  unsigned char *Buffer = nullptr;
  long Position = 0;
  long Size = 0;
  long Capacity = 0;
  bool Expandable = true;
};

#endif // VYX_IO_MEMORY_IO_H
