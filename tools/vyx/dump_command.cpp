//===- dump_command.cpp - vyx dump: the objects of a pstream file ---------===//

#include "dump_command.h"

#include "pstreams/file_pstream.h"

#include <ostream>
#include <set>

namespace vyx::tool {

const CommandInfo DumpCommand = {
    "dump", "vyx dump FILE [--json]",
    "Reads the objects of a pstream file through the class registry and prints\n"
    "what it reads: for every item its offset, for every object its class, its\n"
    "number and every value its class reads (typed), for every back-reference\n"
    "the number it refers to, nested as the objects nest. A damaged file is\n"
    "printed up to the damage, followed by the error and its offset (exit code 1).\n\n"
    "  --json   one JSON object instead of text\n"};

namespace {

constexpr long ReadChunk = 65536;

void collectReferences(const std::vector<TraceNode> &nodes, std::set<uint64_t> &referenced) {
  for (const TraceNode &node : nodes) {
    if (node.kind == TraceNode::Object)
      collectReferences(node.children, referenced);
    else if (node.kind == TraceNode::Reference)
      referenced.insert(node.number);
  }
}

/// The bytes of a file, read through a file pstream.
bool readFile(const std::string &name, std::vector<unsigned char> &bytes) {
  ifpstream in(name.c_str(), fpbase::nocreate);
  if (!in.is_open())
    return false;
  while (in.good()) {
    std::size_t have = bytes.size();
    bytes.resize(have + ReadChunk);
    long got = in.readBytes(bytes.data() + have, ReadChunk);
    bytes.resize(have + static_cast<std::size_t>(got));
  }
  return !in.bad();
}

} // namespace

TraceReport TracePStream(const std::vector<unsigned char> &bytes, const std::string &file,
                         std::vector<GStreamable *> *builtObjects) {
  TraceReport report;
  report.File = file;
  report.Size = bytes.size();
  TracingIpstream in(bytes.data(), bytes.size());
  std::vector<std::pair<uint64_t, GStreamable *>> built;
  try {
    while (!in.atEnd()) {
      if (GStreamable *object = in.readItem())
        built.emplace_back(in.items().back().number, object);
    }
  } catch (...) {
    in.closeData();
    report.Failed = true;
    report.Message = MessageOf(std::current_exception());
    report.ErrorOffset = in.position();
    if (report.ErrorOffset >= bytes.size())
      report.Message += " (the data ends inside an item)";
  }
  report.Items = in.items();
  report.Objects = in.numberedObjects();
  std::set<uint64_t> referenced;
  collectReferences(report.Items, referenced);
  for (auto &[number, object] : built) {
    if (builtObjects)
      builtObjects->push_back(object);
    else if (!referenced.count(number))
      GStreamable::Destroy(object);
  }
  return report;
}

int RunDump(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, DumpCommand);
  std::string file;
  bool json = false;
  for (const std::string &arg : args) {
    if (arg == "--json")
      json = true;
    else if (!arg.empty() && arg[0] == '-')
      return UsageError(err, DumpCommand, "unknown option " + arg);
    else if (!file.empty())
      return UsageError(err, DumpCommand, "one file only");
    else
      file = arg;
  }
  if (file.empty())
    return UsageError(err, DumpCommand, "no file given");

  LoadLibraryMessages();
  std::vector<unsigned char> bytes;
  if (!readFile(file, bytes))
    return Failure(err, DumpCommand, "cannot read " + file);
  TraceReport report = TracePStream(bytes, file);
  if (json)
    PrintTraceJson(out, report);
  else
    PrintTraceText(out, report);
  if (report.Failed) {
    err << "vyx dump: error at offset " << report.ErrorOffset << ": " << report.Message << "\n";
    return ExitError;
  }
  return ExitOk;
}

} // namespace vyx::tool
