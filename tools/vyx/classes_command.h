//===- classes_command.h - vyx classes: the class registry ------*- C++ -*-===//
#ifndef VYX_TOOLS_CLASSES_COMMAND_H
#define VYX_TOOLS_CLASSES_COMMAND_H

#include "command_line.h"

#include <iosfwd>

namespace vyx::tool {

extern const CommandInfo ClassesCommand;

/// vyx classes [--json]
int RunClasses(const Arguments &args, std::ostream &out, std::ostream &err);

} // namespace vyx::tool

#endif // VYX_TOOLS_CLASSES_COMMAND_H
