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
/// for the items go to `built` when it is given; otherwise they are
/// destroyed, except those that a back-reference reached (their owner, if
/// any, is another object; a tool cannot know).
TraceReport TracePStream(const std::vector<unsigned char> &bytes, const std::string &file,
                         std::vector<GStreamable *> *built = nullptr);

/// vyx dump FILE [--json]
int RunDump(const Arguments &args, std::ostream &out, std::ostream &err);

} // namespace vyx::tool

#endif // VYX_TOOLS_DUMP_COMMAND_H
