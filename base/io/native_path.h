//===- native_path.h - Library file names and operating-system paths -*- C++ -*-===//
//
// The library names files in its own syntax: the backslash separates
// folders, "C:" names a drive and "\\server\share" a share. On this
// platform such names become '/' paths only at the operating-system
// boundary, here. Drives and shares mean nothing to the operating system,
// so they go through a mapping table (empty by default) that the
// application fills through SetDriveMapping or the environment variable
// VYX_DRIVE_MAP ("C:=/mnt/c;\\server\share=/mnt/share"). A name on an
// unmapped drive or share names no file.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_NATIVE_PATH_H
#define VYX_IO_NATIVE_PATH_H

#include "vyx_base_export.h"

#include <string>
#include <utility>
#include <vector>

namespace vyx {

/// Maps a drive ("C:", any case) or share prefix ("\\server\share") to a
/// native folder. A null or empty `nativeRoot` removes the mapping.
VYX_BASE_API void SetDriveMapping(const char *prefix, const char *nativeRoot);

/// Empties the table (the environment is not read again afterwards).
VYX_BASE_API void ClearDriveMappings();

/// Adds the mappings of a text "PREFIX=ROOT;PREFIX=ROOT..." (the form of
/// VYX_DRIVE_MAP). Entries without "=" are skipped.
VYX_BASE_API void AddDriveMappings(const char *text);

/// The table, as (prefix in upper case, native root) pairs.
VYX_BASE_API std::vector<std::pair<std::string, std::string>> DriveMappings();

/// The native path of a library file name. False when the name is empty or
/// lies on an unmapped drive or share.
VYX_BASE_API bool NativePath(const char *name, std::string &native);

/// As NativePath, for a file that should exist: when the exact path does
/// not exist, a path that matches it when case is ignored is taken if it is
/// unique (names stored on case-insensitive systems).
VYX_BASE_API bool NativeExistingPath(const char *name, std::string &native);

/// The library form of a native path: '/' becomes '\'.
VYX_BASE_API std::string LibraryPath(const std::string &native);

/// The length of the root prefix of a library name: "C:\" (3) or "C:" (2)
/// for a drive, "\\server\share\" or "\\server\share" for a share, "\" (1)
/// for the root, 0 for a relative name.
VYX_BASE_API std::size_t RootPrefixLength(const char *name);

} // namespace vyx

#endif // VYX_IO_NATIVE_PATH_H
