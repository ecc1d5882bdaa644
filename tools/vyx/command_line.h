//===- command_line.h - What every vyx command shares -----------*- C++ -*-===//
//
// Exit codes, help and error messages of the vyx commands. Every command
// takes its arguments (without the command name) and the two output
// streams, and returns its exit code: 0 success, 1 an error (one line on
// the error stream), 2 a usage error (the message and the usage).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_COMMAND_LINE_H
#define VYX_TOOLS_COMMAND_LINE_H

#include <exception>
#include <iosfwd>
#include <string>
#include <vector>

namespace vyx::tool {

enum ExitCode : int { ExitOk = 0, ExitError = 1, ExitUsage = 2 };

using Arguments = std::vector<std::string>;

/// A command's name, one-line usage and help text.
struct CommandInfo {
  const char *Name;
  const char *Usage;
  const char *Help;
};

/// True when the arguments ask for help ("--help" or "-h").
bool WantsHelp(const Arguments &args);
/// Prints the usage and help of a command; returns ExitOk.
int PrintHelp(std::ostream &out, const CommandInfo &command);
/// Prints "vyx NAME: MESSAGE" and the usage; returns ExitUsage.
int UsageError(std::ostream &err, const CommandInfo &command, const std::string &message);
/// Prints "vyx NAME: error: MESSAGE"; returns ExitError.
int Failure(std::ostream &err, const CommandInfo &command, const std::string &message);
/// The message of an exception of the library (or of anything else).
std::string MessageOf(std::exception_ptr failure);

/// Makes the library's numbered messages available (once).
void LoadLibraryMessages();

} // namespace vyx::tool

#endif // VYX_TOOLS_COMMAND_LINE_H
