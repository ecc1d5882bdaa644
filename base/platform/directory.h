//===- directory.h - Folders and file-system queries ------------*- C++ -*-===//
//
// The file-system calls of the platform: status of a path, folders and
// their listings, removing, moving without replacing, copying, the current
// and temporary folders, file times, volume information, the environment,
// and the case-insensitive look-up of an existing path. Every path here is a
// native path ('/' separated).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_DIRECTORY_H
#define VYX_PLATFORM_DIRECTORY_H

#include "vyx_base_export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyx {

/// What stat reports about a path (symbolic links are followed).
struct PathStatus {
  bool IsDirectory = false;
  bool IsRegular = false;
  bool Writable = true;     ///< the owner may write (no "read-only" attribute)
  uint64_t Size = 0;        ///< bytes; 0 for folders
  int64_t ModifiedTime = 0; ///< seconds since 1970 (UTC)
};

/// One entry of a folder listing.
struct DirectoryEntry {
  std::string Name;
  PathStatus Status;
  bool StatusKnown = false; ///< false when stat failed (dangling link, ...)
};

/// Volume figures of the file system that holds a path (statvfs).
struct VolumeInfo {
  uint64_t BlockSize = 0;
  uint64_t FreeBlocks = 0; ///< available to unprivileged users
  uint64_t TotalBlocks = 0;
  uint64_t TypeMagic = 0; ///< the file system's type number (statfs)
};

VYX_BASE_API bool QueryPath(const char *path, PathStatus &status);
VYX_BASE_API bool PathExists(const char *path);
VYX_BASE_API bool IsDirectoryPath(const char *path);

VYX_BASE_API bool MakeDirectory(const char *path);
VYX_BASE_API bool RemoveDirectory(const char *path);
/// Removes a file (not a folder).
VYX_BASE_API bool RemoveFile(const char *path);

/// Moves `from` to `to`, never replacing an existing `to`: an atomic rename
/// that refuses existing targets where the kernel offers one, else a hard
/// link and unlink; across file systems a copy followed by a delete.
VYX_BASE_API bool MovePath(const char *from, const char *to);

/// Copies the bytes and permission bits of the file `from` to `to`;
/// `overwrite` false refuses an existing target.
VYX_BASE_API bool CopyFileContents(const char *from, const char *to, bool overwrite);

/// The entries of a folder except "." and "..", sorted by name (byte
/// order). False when the folder cannot be read.
VYX_BASE_API bool ListDirectory(const char *path, std::vector<DirectoryEntry> &entries);

/// The process's current folder ("" when it cannot be determined).
VYX_BASE_API std::string CurrentDirectory();
VYX_BASE_API bool ChangeDirectory(const char *path);

/// $TMPDIR when it names a folder, else "/tmp".
VYX_BASE_API std::string TemporaryDirectoryPath();

/// Sets the access and modification times (seconds since 1970).
VYX_BASE_API bool SetPathTimes(const char *path, int64_t seconds);

VYX_BASE_API bool QueryVolume(const char *path, VolumeInfo &info);

/// The value of an environment variable, or null.
VYX_BASE_API const char *EnvironmentValue(const char *name);

/// The existing path that equals `path` component by component when case
/// is ignored (ASCII), provided each component has exactly one such match.
/// `path` itself when it exists; nothing when it has no unique match.
VYX_BASE_API std::optional<std::string> ResolvePathIgnoringCase(const std::string &path);

} // namespace vyx

#endif // VYX_PLATFORM_DIRECTORY_H
