//===- trace_printer.cpp - Text and JSON forms of a pstream trace ---------===//

#include "trace_printer.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace vyx::tool {

namespace {

constexpr std::size_t BytesPerLine = 16;
/// Longer data runs show their first lines only (text) or their first
/// bytes (JSON).
constexpr std::size_t TextDataLines = 8;
constexpr std::size_t JsonDataBytes = 4096;
constexpr int OffsetWidth = 10;

std::string hexOf(const unsigned char *p, std::size_t n, bool spaced) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (spaced && i)
      out += ' ';
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

std::string offsetColumn(uint64_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "%*llu", OffsetWidth, static_cast<unsigned long long>(offset));
  return text;
}

void line(std::ostream &out, uint64_t offset, int depth, const std::string &text) {
  out << offsetColumn(offset) << "  " << std::string(2 * depth, ' ') << text << "\n";
}

void printData(std::ostream &out, const TraceNode &node, int depth) {
  const std::vector<unsigned char> &b = node.bytes;
  std::size_t lines = (b.size() + BytesPerLine - 1) / BytesPerLine;
  std::size_t shown = std::min(lines, TextDataLines);
  for (std::size_t l = 0; l < shown; ++l) {
    std::size_t first = l * BytesPerLine;
    std::size_t n = std::min(BytesPerLine, b.size() - first);
    std::string text = "data  " + hexOf(b.data() + first, n, true);
    text.resize(6 + BytesPerLine * 3 + 1, ' ');
    text += '|';
    for (std::size_t i = 0; i < n; ++i) {
      unsigned char c = b[first + i];
      text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    text += '|';
    line(out, node.offset + first, depth, text);
  }
  if (shown < lines)
    line(out, node.offset + shown * BytesPerLine, depth,
         "data  ... " + std::to_string(b.size() - shown * BytesPerLine) + " more bytes");
}

void printNode(std::ostream &out, const TraceNode &node, int depth) {
  switch (node.kind) {
  case TraceNode::Data:
    printData(out, node, depth);
    return;
  case TraceNode::Null:
    line(out, node.offset, depth, "null");
    return;
  case TraceNode::Absent:
    line(out, node.offset, depth, "absent object");
    return;
  case TraceNode::Reference:
    line(out, node.offset, depth,
         "ref #" + std::to_string(node.number) +
             (node.className.empty() ? std::string(" (no such object)") : " -> " + node.className));
    return;
  case TraceNode::Object: {
    std::string text = "object #" + std::to_string(node.number) + " " + node.className;
    if (!node.realClass.empty())
      text += " (old name of " + node.realClass + ")";
    if (node.byValue)
      text += " (by value)";
    if (node.unknownClass)
      text += " (unknown class)";
    if (node.incomplete)
      text += " (incomplete)";
    line(out, node.offset, depth, text);
    for (const TraceNode &child : node.children)
      printNode(out, child, depth + 1);
    // The end line stands at the record's suffix byte.
    if (!node.incomplete && node.end > node.offset)
      line(out, node.end - 1, depth, "end #" + std::to_string(node.number));
    return;
  }
  }
}

void printJsonNode(std::ostream &out, const TraceNode &node) {
  static const char *const kinds[] = {"object", "reference", "null", "absent", "data"};
  out << "{\"kind\":\"" << kinds[node.kind] << "\",\"offset\":" << node.offset;
  switch (node.kind) {
  case TraceNode::Data: {
    std::size_t n = std::min(node.bytes.size(), JsonDataBytes);
    out << ",\"size\":" << node.bytes.size() << ",\"hex\":\"" << hexOf(node.bytes.data(), n, false)
        << "\"";
    if (n < node.bytes.size())
      out << ",\"truncated\":true";
    break;
  }
  case TraceNode::Reference:
    out << ",\"number\":" << node.number
        << ",\"class\":" << (node.className.empty() ? "null" : JsonString(node.className));
    break;
  case TraceNode::Object:
    out << ",\"end\":" << node.end << ",\"class\":" << JsonString(node.className)
        << ",\"number\":" << node.number;
    if (!node.realClass.empty())
      out << ",\"realClass\":" << JsonString(node.realClass);
    out << ",\"byValue\":" << (node.byValue ? "true" : "false")
        << ",\"unknownClass\":" << (node.unknownClass ? "true" : "false")
        << ",\"incomplete\":" << (node.incomplete ? "true" : "false") << ",\"items\":[";
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      if (i)
        out << ",";
      printJsonNode(out, node.children[i]);
    }
    out << "]";
    break;
  default:
    break;
  }
  out << "}";
}

} // namespace

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    }
  }
  return out + "\"";
}

void PrintTraceText(std::ostream &out, const TraceReport &report) {
  out << report.File << ": " << report.Size << " bytes\n";
  for (const TraceNode &node : report.Items)
    printNode(out, node, 0);
  if (report.Failed)
    out << "error at offset " << report.ErrorOffset << ": " << report.Message << "\n";
  else
    out << report.Items.size() << " items, " << report.Objects << " objects\n";
}

void PrintTraceJson(std::ostream &out, const TraceReport &report) {
  out << "{\"file\":" << JsonString(report.File) << ",\"size\":" << report.Size << ",\"items\":[";
  for (std::size_t i = 0; i < report.Items.size(); ++i) {
    if (i)
      out << ",";
    printJsonNode(out, report.Items[i]);
  }
  out << "],\"objects\":" << report.Objects << ",\"error\":";
  if (report.Failed)
    out << "{\"message\":" << JsonString(report.Message) << ",\"offset\":" << report.ErrorOffset
        << "}";
  else
    out << "null";
  out << "}\n";
}

} // namespace vyx::tool
