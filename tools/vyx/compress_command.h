//===- compress_command.h - vyx compress and vyx decompress -----*- C++ -*-===//
#ifndef VYX_TOOLS_COMPRESS_COMMAND_H
#define VYX_TOOLS_COMPRESS_COMMAND_H

#include "command_line.h"

#include <iosfwd>

namespace vyx::tool {

extern const CommandInfo CompressCommand;
extern const CommandInfo DecompressCommand;

/// vyx compress [-1 ... -9] IN OUT
int RunCompress(const Arguments &args, std::ostream &out, std::ostream &err);
/// vyx decompress IN OUT
int RunDecompress(const Arguments &args, std::ostream &out, std::ostream &err);

} // namespace vyx::tool

#endif // VYX_TOOLS_COMPRESS_COMMAND_H
