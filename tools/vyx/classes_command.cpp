//===- classes_command.cpp - vyx classes: the class registry --------------===//

#include "classes_command.h"

#include "object_model/metaclass.h"
#include "trace_printer.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace vyx::tool {

const CommandInfo ClassesCommand = {
    "classes", "vyx classes [--json]",
    "Lists the classes registered in this process, sorted by name, with their\n"
    "direct bases. A class without builder (abstract) cannot be read from a\n"
    "pstream; an old name reads as the class it names.\n\n"
    "  --json   one JSON array instead of text\n"};

namespace {

struct ClassLine {
  std::string Name;
  std::vector<std::string> Bases;
  std::string OldNameOf;
  bool Abstract = false;
};

std::string nameOf(const GMetaClass *m) {
  return m && m->getName() ? m->getName() : std::string("?");
}

std::vector<ClassLine> registeredClasses() {
  std::vector<ClassLine> lines;
  for (long i = 0; i < GMetaClass::GetCount(); ++i) {
    const GMetaClass *m = GMetaClass::At(i);
    if (!m)
      continue;
    ClassLine line;
    line.Name = nameOf(m);
    if (m->isOldClass()) {
      line.OldNameOf = nameOf(m->getClassIdentifier());
    } else {
      for (long b = 0; b < m->getAncestorsCount(); ++b)
        line.Bases.push_back(nameOf(m->getAncestor(b)));
      line.Abstract = m->getBuilder() == nullptr;
    }
    lines.push_back(std::move(line));
  }
  std::sort(lines.begin(), lines.end(),
            [](const ClassLine &a, const ClassLine &b) { return a.Name < b.Name; });
  return lines;
}

} // namespace

int RunClasses(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, ClassesCommand);
  bool json = false;
  for (const std::string &arg : args) {
    if (arg == "--json")
      json = true;
    else
      return UsageError(err, ClassesCommand, "unexpected argument " + arg);
  }
  std::vector<ClassLine> lines = registeredClasses();
  if (json) {
    out << "[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const ClassLine &c = lines[i];
      out << (i ? "," : "") << "{\"name\":" << JsonString(c.Name) << ",\"bases\":[";
      for (std::size_t b = 0; b < c.Bases.size(); ++b)
        out << (b ? "," : "") << JsonString(c.Bases[b]);
      out << "],\"abstract\":" << (c.Abstract ? "true" : "false")
          << ",\"oldNameOf\":" << (c.OldNameOf.empty() ? "null" : JsonString(c.OldNameOf)) << "}";
    }
    out << "]\n";
    return ExitOk;
  }
  for (const ClassLine &c : lines) {
    out << c.Name;
    if (!c.OldNameOf.empty()) {
      out << " = " << c.OldNameOf << " (old name)\n";
      continue;
    }
    for (std::size_t b = 0; b < c.Bases.size(); ++b)
      out << (b ? ", " : " : ") << c.Bases[b];
    out << (c.Abstract ? " (abstract)" : "") << "\n";
  }
  return ExitOk;
}

} // namespace vyx::tool
