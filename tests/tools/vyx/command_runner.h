//===- command_runner.h - Running a vyx command in a test -------*- C++ -*-===//
#ifndef VYX_TESTS_TOOLS_COMMAND_RUNNER_H
#define VYX_TESTS_TOOLS_COMMAND_RUNNER_H

#include "command_line.h"

#include <sstream>
#include <string>

namespace vyx::tool::test {

/// What a command did: its exit code and its two outputs.
struct Outcome {
  int Code;
  std::string Out, Err;
};

inline Outcome run(int (*command)(const Arguments &, std::ostream &, std::ostream &),
                   Arguments args) {
  std::ostringstream out, err;
  int code = command(args, out, err);
  return {code, out.str(), err.str()};
}

} // namespace vyx::tool::test

#endif // VYX_TESTS_TOOLS_COMMAND_RUNNER_H
