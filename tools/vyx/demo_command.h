//===- demo_command.h - vyx demo: a sample graph through a file -*- C++ -*-===//
#ifndef VYX_TOOLS_DEMO_COMMAND_H
#define VYX_TOOLS_DEMO_COMMAND_H

#include "command_line.h"

#include <iosfwd>

namespace vyx::tool {

extern const CommandInfo DemoCommand;

/// vyx demo [DIR]
int RunDemo(const Arguments &args, std::ostream &out, std::ostream &err);

} // namespace vyx::tool

#endif // VYX_TOOLS_DEMO_COMMAND_H
