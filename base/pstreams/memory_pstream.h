//===- memory_pstream.h - Pstreams on a block of memory ---------*- C++ -*-===//
//
// Memory pstreams run the pstream format on a memory block: impstream reads,
// ompstream writes, mpstream does both. They add no framing.
//
// An ompstream can also be told to write new objects as their address
// (marker byte 3 followed by the 8-byte address) instead of their contents,
// to hand an object graph between parts of one process without copying. Such
// bytes mean something only inside the process that wrote them and while the
// object lives: a reader accepts an address only when an ompstream of this
// process handed it out and the object has not died since; anything else is
// an InvalidPStreamMarker_Exception.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_MEMORY_PSTREAM_H
#define VYX_PSTREAMS_MEMORY_PSTREAM_H

#include "io/buffered_io.h"
#include "io/memory_io.h"
#include "pstreams/pstream.h"
#include "vyx_base_export.h"

namespace vyx {

/// The buffered device of memory pstreams. It writes through its 4096-byte
/// buffer like any GBufferedIO, but reads a caller's (fixed) memory block in
/// place: its read window is the rest of the block itself, so reading copies
/// nothing twice. Growable blocks and other devices are read through the
/// buffer.
class VYX_BASE_API MemoryWindowIO : public GBufferedIO {
public:
  MemoryWindowIO(GMemoryIO *memory, long size) : GBufferedIO(memory, size) {}

protected:
  unsigned char readBuffer() override;
};

} // namespace vyx

/// The device chain of memory pstreams: a 4096-byte buffered device over a
/// memory device, both owned.
class VYX_BASE_API mpbase : public virtual pstream {
public:
  /// An empty, growable block.
  mpbase();
  /// The caller's block of `size` bytes, all of them data (the caller keeps
  /// ownership; it does not grow).
  mpbase(void *block, long size, GIO::IOOpenMode mode);
  ~mpbase() override;

  /// Flushes the stream and returns the current address of the block (it
  /// may move while a growable block is written).
  void *data();
  /// Flushes the stream and returns the number of bytes of data in the
  /// block.
  long size();
  /// The memory device under the buffer.
  GMemoryIO *memory() const;

private:
  vyx::MemoryWindowIO Buffered;
};

/// Reads a memory block.
class VYX_BASE_API impstream : public mpbase, public ipstream {
public:
  impstream();
  impstream(void *block, long size, GIO::IOOpenMode mode = GIO::IO_READ);
  ~impstream() override;

  /// Also accepts marker 3 (an object address handed out by an ompstream
  /// of this process).
  void *readPointer(const type_info &t) override;
};

/// Writes a memory block.
class VYX_BASE_API ompstream : public mpbase, public opstream {
public:
  ompstream();
  ompstream(void *block, long size, GIO::IOOpenMode mode = GIO::IO_WRITE);
  ~ompstream() override;

  /// With the flag set, a pointer to an object not yet registered in this
  /// stream is written as marker 3 and its address. Off after construction.
  void writePointerAsDWord(bool flag) { AsAddress = flag; }
  bool isWritePointerAsDWord() const { return AsAddress; }

  void writePointer(GStreamable *p) override;

private:
  bool AsAddress = false;
};

/// Reads and writes one memory block.
class VYX_BASE_API mpstream : public mpbase, public iopstream {
public:
  mpstream();
  mpstream(void *block, long size, GIO::IOOpenMode mode = GIO::IO_READWRITE);
  ~mpstream() override;

  void writePointerAsDWord(bool flag) { AsAddress = flag; }
  bool isWritePointerAsDWord() const { return AsAddress; }

  void *readPointer(const type_info &t) override;
  void writePointer(GStreamable *p) override;

private:
  bool AsAddress = false;
};

#endif // VYX_PSTREAMS_MEMORY_PSTREAM_H
