//===- dump_command.h - vyx dump: the objects of a pstream file -*- C++ -*-===//
#ifndef VYX_TOOLS_DUMP_COMMAND_H
#define VYX_TOOLS_DUMP_COMMAND_H

#include "command_line.h"
#include "trace_printer.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vyx::tool {

extern const CommandInfo DumpCommand;

/// Reads the pstream `bytes` item by item through the class registry, up to
/// their end or the first damage, and reports what it met. The objects built
/// for the items go to `built` when it is given; otherwise those of the
/// items that DisposableItems allows are destroyed, and the others are left
/// alone (a tool cannot know who owns them; the process ends soon).
TraceReport TracePStream(const std::vector<unsigned char> &bytes, const std::string &file,
                         std::vector<GStreamable *> *built = nullptr);

/// Which top-level items may be destroyed on their own: those that no
/// back-reference inside an object connects with another item (in either
/// direction). Objects of two items that point into each other may share
/// parts that both would destroy.
std::vector<bool> DisposableItems(const std::vector<TraceNode> &items);

/// How dump takes a file.
enum class DumpFormat { Auto, Plain, Compressed };

/// TracePStream on the bytes of a file: `stored` as they are (Plain), or
/// decoded as a compressed pstream (Compressed), or (Auto) decoded when
/// they are a compressed stream that holds a pstream. Damage of the
/// compressed data is the report's error unless the pstream fails earlier.
TraceReport TraceFile(const std::vector<unsigned char> &stored, const std::string &file,
                      DumpFormat format);

/// vyx dump FILE [--json] [--compressed | --plain]
int RunDump(const Arguments &args, std::ostream &out, std::ostream &err);

} // namespace vyx::tool

#endif // VYX_TOOLS_DUMP_COMMAND_H
