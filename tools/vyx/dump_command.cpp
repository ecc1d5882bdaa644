//===- dump_command.cpp - vyx dump: the objects of a pstream file ---------===//

#include "dump_command.h"

#include "compressed_data.h"
#include "pstreams/file_pstream.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

namespace vyx::tool {

const CommandInfo DumpCommand = {
    "dump", "vyx dump FILE [--json] [--compressed | --plain]",
    "Reads the objects of a pstream file through the class registry and prints\n"
    "what it reads: for every item its offset, for every object its class, its\n"
    "number and every value its class reads (typed), for every back-reference\n"
    "the number it refers to, nested as the objects nest. A damaged file is\n"
    "printed up to the damage, followed by the error and its offset (exit code 1).\n"
    "A compressed pstream file (as compressed pstreams and vyx compress write it)\n"
    "is recognised and decoded first; offsets are then those of the decoded bytes.\n\n"
    "  --json         one JSON object instead of text\n"
    "  --compressed   the file is a compressed pstream file\n"
    "  --plain        the file is a plain pstream file\n"};

namespace {

constexpr long ReadChunk = 65536;

/// The object numbers an item's records took, and the numbers its
/// back-references name.
struct ItemNumbers {
  uint64_t Low = UINT64_MAX, High = 0;
  std::vector<uint64_t> References;
};

void collectNumbers(const TraceNode &node, ItemNumbers &numbers) {
  if (node.kind == TraceNode::Object && node.number) {
    numbers.Low = std::min(numbers.Low, node.number);
    numbers.High = std::max(numbers.High, node.number);
  } else if (node.kind == TraceNode::Reference) {
    numbers.References.push_back(node.number);
  }
  for (const TraceNode &child : node.children)
    collectNumbers(child, numbers);
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
  std::vector<std::pair<std::size_t, GStreamable *>> built;
  try {
    while (!in.atEnd()) {
      if (GStreamable *object = in.readItem())
        built.emplace_back(in.items().size() - 1, object);
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
  std::vector<bool> disposable = DisposableItems(report.Items);
  for (auto &[item, object] : built) {
    if (builtObjects)
      builtObjects->push_back(object);
    else if (disposable[item])
      GStreamable::Destroy(object);
  }
  return report;
}

std::vector<bool> DisposableItems(const std::vector<TraceNode> &items) {
  std::vector<ItemNumbers> numbers(items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    collectNumbers(items[i], numbers[i]);
  std::vector<bool> disposable(items.size(), true);
  for (std::size_t i = 0; i < items.size(); ++i) {
    // A top-level back-reference builds nothing: the object it names is
    // destroyed once, with its own item.
    if (items[i].kind != TraceNode::Object)
      continue;
    for (uint64_t target : numbers[i].References) {
      if (target >= numbers[i].Low && target <= numbers[i].High)
        continue;
      // A pointer across items: who owns what is the classes' secret.
      disposable[i] = false;
      for (std::size_t j = 0; j < items.size(); ++j)
        if (target >= numbers[j].Low && target <= numbers[j].High)
          disposable[j] = false;
    }
  }
  return disposable;
}

TraceReport TraceFile(const std::vector<unsigned char> &stored, const std::string &file,
                      DumpFormat format) {
  if (format == DumpFormat::Plain)
    return TracePStream(stored, file);
  DecodedData decoded = DecodeCompressed(stored, format == DumpFormat::Auto);
  if (decoded.NotCompressed)
    return TracePStream(stored, file);
  TraceReport report = TracePStream(decoded.Bytes, file);
  report.Compressed = true;
  report.StoredSize = stored.size();
  std::string damage = CompressedDamage(decoded.Damaged, decoded.Bytes.size(), decoded.Trailing);
  // The first damage is the one to tell: a pstream that fails before the
  // decoded bytes end was damaged before it was compressed.
  if (!damage.empty() && (!report.Failed || report.ErrorOffset >= decoded.Bytes.size())) {
    report.Failed = true;
    report.Message = damage;
    report.ErrorOffset = decoded.Bytes.size();
  }
  return report;
}

int RunDump(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, DumpCommand);
  std::string file;
  bool json = false;
  DumpFormat format = DumpFormat::Auto;
  for (const std::string &arg : args) {
    if (arg == "--json")
      json = true;
    else if (arg == "--compressed" || arg == "--plain") {
      DumpFormat asked = arg == "--plain" ? DumpFormat::Plain : DumpFormat::Compressed;
      if (format != DumpFormat::Auto && format != asked)
        return UsageError(err, DumpCommand, "--compressed and --plain exclude each other");
      format = asked;
    } else if (!arg.empty() && arg[0] == '-')
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
  TraceReport report = TraceFile(bytes, file, format);
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
