//===- file_system.h - File-system operations -------------------*- C++ -*-===//
//
// FileSystem gathers the static file-system operations on library file
// names: the current and temporary folders, nested folder creation, copy,
// move and removal, wildcard matching, searching a list of folders and
// making unique names. FileInfo describes one entry found by FileFind.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_FILE_SYSTEM_H
#define VYX_IO_FILE_SYSTEM_H

#include "io/gfile.h"
#include "vyx_base_export.h"

#include <cstdint>
#include <ctime>
#include <iosfwd>

/// One file, folder or drive as FileFind reports it.
///
/// The time is a tm record whose month counts 1 to 12 (not 0 to 11), with
/// years since 1900; the week day, year day and daylight flag are 0. The
/// size is 64-bit here; its stored form is 32-bit and saturates.
struct VYX_BASE_API FileInfo {
  enum : unsigned char { File = 1, Folder = 2, Drive = 4 };

  unsigned char type = File;
  tm time{};
  uint64_t size = 0;
  GFile name;
};

/// Stored form: type byte, the nine time fields as words, the size as a
/// double word (saturated), the name as a GFile.
VYX_BASE_API opstream &operator<<(opstream &os, const FileInfo &info);
VYX_BASE_API ipstream &operator>>(ipstream &is, FileInfo &info);

/// Writes the 24 characters of the classic asctime form ("Sun Jan  1
/// 00:00:00 1980") of a time in FileInfo's convention (month 1 to 12); the
/// week day is computed from the date.
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const tm &time);

/// The static file-system operations.
class VYX_BASE_API FileSystem {
public:
  enum ErrorType : int32_t { NoError = 0 };

  static GFile GetCurrentDirectoryA();
  static bool SetCurrentDirectoryA(const GFile &folder);
  /// Creates every missing folder of the path, from the outside in (the
  /// root, drive and share prefix are never created). True when all exist.
  static bool CreateDirectoryA(const GFile &folder);
  /// $TMPDIR, else /tmp, as a library name ending with a backslash.
  static GFile GetTemporaryDirectory();

  /// Figures of the file system that holds `path`: one "sector" per
  /// "cluster", the block size as the sector size.
  static bool GetDriveInfo(const char *path, unsigned long &sectorsPerCluster,
                           unsigned long &bytesPerSector, unsigned long &freeClusters,
                           unsigned long &totalClusters);
  /// Free bytes for the file system that holds `path`; 0 on failure.
  static int64_t GetDirectoryFreeSpace(const char *path);
  static GFile::DriveType GetDriveTypeA(const char *path);

  /// Wildcard match, letters compared case-insensitively: "?" matches any
  /// character but "."; "*" takes the name up to its next "." (and the "."),
  /// the mask up to its next "." (and the ".").
  static bool Match(const char *name, const char *mask);

  static bool Exists(const GFile &file);
  /// Removes a file.
  static bool Remove(const GFile &file);
  /// Copies a file, replacing an existing target (but never the file itself).
  static bool Copy(const GFile &from, const GFile &to);
  /// Moves a file or folder; never replaces an existing target.
  static bool Move(const GFile &from, const GFile &to);
  static bool Rename(const GFile &from, const GFile &to);

  /// Sets access and modification time from a time in FileInfo's convention
  /// (month 1 to 12, local time). False when the time is not valid.
  static bool SetTime(const char *path, const tm &time);
  static bool SetType(const GFile &file, unsigned long type);

  /// For each folder of a ";" list, in order: the first folder holding a
  /// file of file's name wins and becomes file.
  static bool SearchFile(const char *folders, GFile &file);
  /// Every placeholder in the name part becomes a letter so that no such
  /// file exists; false for an empty name or when no free name was found
  /// within a bounded number of attempts.
  static bool UniqueName(GFile &file, char placeholder);

  static const char *GetDirectorySeparator() { return "\\"; }
  static const char *GetExtensionSeparator() { return "."; }
  static const char *GetParentDirectoryName() { return ".."; }
  static unsigned long GetPICTFileType() { return 0; }
  static ErrorType GetError() { return NoError; }
};

namespace vyx {

/// The stored 32-bit form of a size: sizes beyond saturate at 0xFFFFFFFF.
constexpr uint32_t StoredFileSize(uint64_t size) {
  return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
}

/// The FileInfo time (month 1 to 12) of a time in seconds since 1970, in
/// local time.
VYX_BASE_API tm FileInfoTime(int64_t seconds);

} // namespace vyx

#endif // VYX_IO_FILE_SYSTEM_H
