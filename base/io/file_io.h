//===- file_io.h - The file device ------------------------------*- C++ -*-===//
//
// GFileIO is a byte device on a file of the operating system. Failures show
// in the results (false, -1, short counts), with one exception: close()
// returns nothing, so a close that fails (a file system that reports a
// deferred write error only then) leaves IO_WRITE_FAILED as the device's
// error code, until the device opens or adopts another file. Positions are
// 64-bit.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_FILE_IO_H
#define VYX_IO_FILE_IO_H

#include "io/gio.h"
#include "platform/file_handle.h"

/// A byte device on a file. The device that opened or adopted a handle owns
/// it and closes it; a device that shares another's handle (attach of a
/// GFileIO) never closes it. Devices are not copyable.
class VYX_BASE_API GFileIO : public GIO {
public:
  enum IOCreateMode : int32_t {
    IO_OPEN_EXISTING = 0,
    IO_CREATE_NEW = 1,
    IO_OPEN_ALWAYS = 2,
    IO_CREATE_ALWAYS = 3,
  };
  enum IOShareMode : int32_t {
    IO_SHARE_NONE = 0,
    IO_SHARE_READ = 1,
    IO_SHARE_WRITE = 2,
    IO_SHARE_READWRITE = 3,
  };

  GFileIO() = default;
  /// Opens the file; the result shows only through is_opened().
  GFileIO(const char *name, IOOpenMode mode, IOCreateMode create = IO_OPEN_EXISTING,
          IOShareMode share = IO_SHARE_NONE);
  GFileIO(const GFileIO &) = delete;
  GFileIO &operator=(const GFileIO &) = delete;
  ~GFileIO() override;

  /// Opens the file named in the library's syntax. False at once when a
  /// handle is held. The three modes are recorded also when the open fails.
  /// A writer with a share mode that does not share writing keeps other
  /// writers out (also other processes).
  bool open(const char *name, IOOpenMode mode, IOCreateMode create = IO_OPEN_EXISTING,
            IOShareMode share = IO_SHARE_NONE);
  /// Adopts a handle (the device will close it). False at once when a
  /// handle is held; otherwise whether the handle is valid.
  bool attach(void *handle, IOOpenMode mode, IOCreateMode create, IOShareMode share);
  /// Shares the other device's handle and modes without owning the handle:
  /// only `other` closes it. A handle this device owned is closed first.
  bool attach(const GFileIO &other);
  /// Forgets the handle without closing it.
  void detach();
  /// Closes an owned handle; the device is closed afterwards. A failing
  /// close sets the error code IO_WRITE_FAILED: the file may lack data.
  void close();

  /// Seeks to n and sets the end of the file there (cut or extended).
  bool change_size(long n);

  long gseek(long offset, IOSeekDirection dir) override;
  long gtell() override;
  long gwrite(const void *data, long n) override;
  long gread(void *data, long n) override;

  bool is_opened() const;
  void *handle() const { return Handle; }
  IOCreateMode create_mode() const { return CreateMode; }
  IOShareMode share_mode() const { return ShareMode; }

private:
  int descriptor() const;

  void *Handle = vyx::InvalidFileHandle;
  IOCreateMode CreateMode = IO_OPEN_EXISTING;
  IOShareMode ShareMode = IO_SHARE_NONE;
  bool Owner = false;
};

#endif // VYX_IO_FILE_IO_H
