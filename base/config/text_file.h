//===- text_file.h - Whole text files as lines ------------------*- C++ -*-===//
//
// Settings and redirection files are small text files read and written
// whole. A text is a sequence of lines, each ended by LF; a CR right before
// the LF belongs to the line end (files written on systems whose line end is
// CR LF read the same), a last line without LF is a line too, and a final LF
// adds no empty line. Lines are taken whole, whatever their length.
//
// Files are named in the library's syntax and reached through the file
// device, so these helpers never talk to the operating system themselves.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONFIG_TEXT_FILE_H
#define VYX_CONFIG_TEXT_FILE_H

#include "vyx_base_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace vyx {

/// The lines of `text`, without their line ends.
VYX_BASE_API std::vector<std::string> SplitTextLines(std::string_view text);

/// Reads the whole existing file `name` into `content`. False, with
/// `content` empty, when the file cannot be opened or read.
VYX_BASE_API bool LoadTextFile(const char *name, std::string &content);

/// Creates or truncates the file `name` and writes `content`. False when the
/// file cannot be created, not every byte reached it or closing it failed.
VYX_BASE_API bool SaveTextFile(const char *name, std::string_view content);

} // namespace vyx

#endif // VYX_CONFIG_TEXT_FILE_H
