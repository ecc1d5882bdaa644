//===- file_find.h - Searching files, folders and drives --------*- C++ -*-===//
//
// FileFind walks the entries that match a pattern ("folder\mask"): first
// the drives (when asked for), then the folders and files of the folder,
// sorted by name. Folders are taken whatever the mask; ".." is always
// offered for a folder that is not a root.
//
//   for (FileFind find("data\\*.bin", FileFind::Files); find; ++find)
//     use(find.info.name);
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_FILE_FIND_H
#define VYX_IO_FILE_FIND_H

#include "io/file_system.h"
#include "vyx_base_export.h"

#include <cstddef>
#include <vector>

/// An iteration over files, folders and drives.
class VYX_BASE_API FileFind {
public:
  /// Search flags.
  enum : unsigned char { Files = 1, Folders = 2, Drives = 4 };

  FileFind() = default;
  FileFind(const char *pattern, unsigned char flags = Files | Folders, bool shortNames = false);

  /// Starts a search; true when an entry was found (it is in `info`).
  bool first(const char *pattern, unsigned char flags = Files | Folders, bool shortNames = false);
  FileFind &operator++();
  void operator++(int) { ++*this; }
  /// Non-zero while the current entry is valid.
  operator int() const { return Valid ? 1 : 0; }

  /// The current entry.
  FileInfo info;

private:
  std::vector<FileInfo> Entries;
  std::size_t Next = 0;
  bool Valid = false;
};

#endif // VYX_IO_FILE_FIND_H
