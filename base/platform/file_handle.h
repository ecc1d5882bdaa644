//===- file_handle.h - File descriptors of the platform ---------*- C++ -*-===//
//
// The file calls the byte devices stand on: open with access, creation and
// sharing rules, read and write that loop over partial transfers, 64-bit
// seeks, set-end-of-file and close. Paths given here are native paths (the
// '/' syntax of the operating system); the mapping of the library's own
// file names onto them is done by the callers.
//
// A file handle is a descriptor kept in a pointer-sized value; the invalid
// handle has all bits set, as the library's handles always had.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_FILE_HANDLE_H
#define VYX_PLATFORM_FILE_HANDLE_H

#include "vyx_base_export.h"

#include <cstdint>

namespace vyx {

/// The value of a closed handle: all bits set.
inline void *const InvalidFileHandle = reinterpret_cast<void *>(~std::uintptr_t(0));

inline void *HandleFromDescriptor(int fd) {
  return fd < 0 ? InvalidFileHandle : reinterpret_cast<void *>(static_cast<std::intptr_t>(fd));
}

/// The descriptor of a handle, -1 for the invalid handle or a value that
/// cannot be a descriptor.
inline int DescriptorFromHandle(void *handle) {
  auto value = reinterpret_cast<std::intptr_t>(handle);
  return value < 0 || value > INT32_MAX ? -1 : static_cast<int>(value);
}

/// Access bits of an open (read 1, write 2). Other bits are ignored.
enum FileAccess : unsigned { FileAccessRead = 1, FileAccessWrite = 2 };

/// How an open treats an existing or missing file.
enum class FileCreation {
  OpenExisting, ///< fail when the file is missing
  CreateNew,    ///< fail when the file exists
  OpenAlways,   ///< open, creating the file when it is missing
};

/// What other openers may do while the file is open (read 1, write 2).
/// A writer that does not share writing takes an exclusive advisory lock, a
/// writer that shares writing a shared one, so that an exclusive writer and
/// any other writer exclude each other (also across processes). Readers take
/// no lock.
enum FileSharing : unsigned { FileShareRead = 1, FileShareWrite = 2 };

/// Opens `path` (close-on-exec). Returns the descriptor, or -1 with errno
/// set: EISDIR for a folder, EWOULDBLOCK when the sharing rules refuse.
VYX_BASE_API int OpenFileDescriptor(const char *path, unsigned access, FileCreation creation,
                                    unsigned sharing);

/// Reads up to `n` bytes, looping over partial reads and EINTR until `n`
/// bytes arrived or the end of the file. Returns the count, or -1 when the
/// first read failed (a later failure returns the count so far).
VYX_BASE_API int64_t ReadDescriptor(int fd, void *data, int64_t n);

/// Writes `n` bytes, looping over partial writes and EINTR. Returns the
/// count written, which is below `n` only after a failure.
VYX_BASE_API int64_t WriteDescriptor(int fd, const void *data, int64_t n);

/// lseek: `whence` 0 begin, 1 current, 2 end. The new position, or -1.
VYX_BASE_API int64_t SeekDescriptor(int fd, int64_t offset, int whence);

/// Sets the end of the file at `size` (cutting or extending it).
VYX_BASE_API bool ResizeDescriptor(int fd, int64_t size);

/// Closes the descriptor (once; EINTR is not retried, as POSIX advises).
/// False when the close reports an error: file systems that defer writes
/// (network file systems, quotas) report a failed write only here, and an
/// interrupted close cannot confirm that the data arrived. The descriptor
/// is released in any case. Nothing to close (fd < 0) is no failure.
VYX_BASE_API bool CloseDescriptor(int fd);

/// Both descriptors are open on the same file (also through other names).
VYX_BASE_API bool DescriptorsShareFile(int a, int b);

/// The descriptor is a terminal (for programs that show progress there).
VYX_BASE_API bool DescriptorIsTerminal(int fd);

/// For tests: the next `count` closes report failure (EIO) after closing
/// their descriptors as usual, as a network file system does when a
/// deferred write fails.
VYX_BASE_API void FailNextClosesForTesting(unsigned count);

} // namespace vyx

#endif // VYX_PLATFORM_FILE_HANDLE_H
