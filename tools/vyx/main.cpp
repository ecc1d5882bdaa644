//===- main.cpp - The vyx command-line tool -------------------------------===//
//
// vyx COMMAND [ARGS]: dump, classes, demo, compress, decompress. Exit codes:
// 0 success, 1 error, 2 usage error.
//
//===----------------------------------------------------------------------===//

#include "classes_command.h"
#include "compress_command.h"
#include "demo_command.h"
#include "dump_command.h"

#include <cstring>
#include <iostream>

namespace {

using namespace vyx::tool;

struct Command {
  const CommandInfo *Info;
  int (*Run)(const Arguments &, std::ostream &, std::ostream &);
};

const Command Commands[] = {
    {&DumpCommand, RunDump},         {&ClassesCommand, RunClasses},       {&DemoCommand, RunDemo},
    {&CompressCommand, RunCompress}, {&DecompressCommand, RunDecompress},
};

void usage(std::ostream &out) {
  out << "usage: vyx COMMAND [ARGS]\n\ncommands:\n";
  for (const Command &c : Commands)
    out << "  " << c.Info->Usage << "\n";
  out << "\nvyx COMMAND --help tells more.\n";
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    usage(std::cerr);
    return ExitUsage;
  }
  const char *name = argv[1];
  if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help")) {
    usage(std::cout);
    return ExitOk;
  }
  for (const Command &c : Commands)
    if (!std::strcmp(name, c.Info->Name))
      return c.Run(Arguments(argv + 2, argv + argc), std::cout, std::cerr);
  std::cerr << "vyx: unknown command " << name << "\n";
  usage(std::cerr);
  return ExitUsage;
}
