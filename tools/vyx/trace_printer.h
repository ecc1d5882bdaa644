//===- trace_printer.h - Text and JSON forms of a pstream trace -*- C++ -*-===//
//
// The text form lists one line per item, indented by nesting:
//
//          0  object #1 VyxDemoScene
//         19    string "Scene"
//         26    double 2.5
//         34    object #2 VyxDemoShapeList
//        ...
//        209    end #2
//        211    ref #4 -> VyxDemoShape
//        214    null
//   error at offset 230: <message>
//
// Values show their type and value: byte, char, word, short, dword, int,
// bool, float, double, uint64, int64, scaled float/double (with the stored
// value), compat dword, string, wide string, bytes, elements, skipped,
// class. Data lines show bytes read that were no value (hex and ASCII).
//
// A compressed pstream file shows the offsets of its decoded bytes; its
// first line tells both sizes.
//
// The JSON form is one object: {"file", "size", "compressedSize" (null for
// a plain file), "items": [...], "objects", "error": null or {"message",
// "offset"}}, each item {"kind", "offset", ...} with kind object, reference,
// null, absent, value or data.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_TRACE_PRINTER_H
#define VYX_TOOLS_TRACE_PRINTER_H

#include "tracing_ipstream.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace vyx::tool {

/// What a dump found in a pstream.
struct TraceReport {
  std::string File;
  /// Bytes of the pstream (decoded, for a compressed file).
  uint64_t Size = 0;
  /// A compressed pstream file, and its stored size.
  bool Compressed = false;
  uint64_t StoredSize = 0;
  std::vector<TraceNode> Items;
  /// Objects the stream numbered (also those read by value inside others).
  uint64_t Objects = 0;
  bool Failed = false;
  std::string Message;
  uint64_t ErrorOffset = 0;
};

void PrintTraceText(std::ostream &out, const TraceReport &report);
void PrintTraceJson(std::ostream &out, const TraceReport &report);
/// `text` as a JSON string literal: UTF-8 sequences as they are, control
/// characters and bytes that are not UTF-8 escaped as \u00XX.
std::string JsonString(const std::string &text);

} // namespace vyx::tool

#endif // VYX_TOOLS_TRACE_PRINTER_H
