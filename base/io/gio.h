//===- gio.h - The abstract byte device -------------------------*- C++ -*-===//
//
// GIO is the seekable byte device that all of the library's byte-level I/O
// rests on: files, memory blocks, and the buffered and coding layers that
// sit on top of another device. Failures show in results (byte counts, -1)
// and in a sticky error code, never as exceptions.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_GIO_H
#define VYX_IO_GIO_H

#include "vyx_base_export.h"

#include <cstdint>

/// A seekable stream of bytes with an open mode and a sticky error code.
class VYX_BASE_API GIO {
public:
  /// Bit flags; other values are passed to the platform as they are.
  enum IOOpenMode : int32_t { IO_READ = 1, IO_WRITE = 2, IO_READWRITE = 3 };
  enum IOSeekDirection : int32_t { IO_BEGIN = 0, IO_CURRENT = 1, IO_END = 2 };
  enum IOErrors : int32_t {
    IO_OK = 0,
    IO_EOF = 1,              ///< no more data
    IO_WRITE_INCOMPLETE = 4, ///< the device took fewer bytes than offered
    IO_BAD_DATA = 5,         ///< coded data cannot be decoded
    IO_NO_DEVICE = 7,        ///< a layered device has no device below it
    IO_WRITE_FAILED = 8,     ///< the device reported a write error
  };

  GIO() = default;
  GIO(const GIO &) = default;
  GIO &operator=(const GIO &) = default;
  virtual ~GIO();

  /// Moves the position; returns the new position from the start, or -1.
  virtual long gseek(long offset, IOSeekDirection dir) = 0;
  /// The position: gseek(0, IO_CURRENT).
  virtual long gtell();
  /// Returns the number of bytes taken (or -1 when a layer cannot write).
  virtual long gwrite(const void *data, long n) = 0;
  /// Returns the number of bytes delivered, 0 at the end of the data (or -1
  /// when a layer cannot read).
  virtual long gread(void *data, long n) = 0;
  /// Hands pending data on; nothing for a device without a buffer.
  virtual void flush();

  IOOpenMode open_mode() const { return Mode; }
  void store_open_mode(IOOpenMode mode) { Mode = mode; }
  IOErrors getError() const { return Error; }

protected:
  void setError(IOErrors error) { Error = error; }

private:
  IOOpenMode Mode = IO_READ;
  IOErrors Error = IO_OK;
};

#endif // VYX_IO_GIO_H
