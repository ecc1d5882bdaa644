//===- trace_printer.cpp - Text and JSON forms of a pstream trace ---------===//

#include "trace_printer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace vyx::tool {

namespace {

constexpr std::size_t BytesPerLine = 16;
/// Raw byte values show this many bytes in the text form.
constexpr std::size_t TextValueBytes = 16;
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

using ValueKind = PStreamValueKind;

/// The name a value's type shows under.
const char *typeOf(const PStreamValue &v) {
  switch (v.Kind) {
  case ValueKind::Byte:
    return v.Signed ? "char" : "byte";
  case ValueKind::Word:
    return v.Signed ? "short" : "word";
  case ValueKind::DWord:
    return v.Signed ? "int" : "dword";
  case ValueKind::Bool:
    return "bool";
  case ValueKind::Float:
    return "float";
  case ValueKind::Double:
    return "double";
  case ValueKind::Int64:
    return v.Signed ? "int64" : "uint64";
  case ValueKind::Scaled:
    return v.Size == 4 ? "scaled float" : "scaled double";
  case ValueKind::CompatDWord:
    return "compat dword";
  case ValueKind::String:
    return "string";
  case ValueKind::WideString:
    return "wide string";
  case ValueKind::Bytes:
    return "bytes";
  case ValueKind::Elements:
    return "elements";
  case ValueKind::Skipped:
    return "skipped";
  case ValueKind::ClassName:
    return "class";
  }
  return "value";
}

std::string integerOf(const PStreamValue &v) {
  return v.Signed ? std::to_string(static_cast<int64_t>(v.Integer)) : std::to_string(v.Integer);
}

/// The shortest text that reads back as the same number (as a float when
/// `single`); non-finite values as nan, inf, -inf.
std::string realOf(double value, bool single) {
  if (std::isnan(value))
    return "nan";
  if (std::isinf(value))
    return value < 0 ? "-inf" : "inf";
  char text[64];
  auto result = single ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
                       : std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

/// A number for JSON, which has no non-finite numbers: those become strings.
std::string jsonRealOf(double value, bool single) {
  std::string text = realOf(value, single);
  return std::isfinite(value) ? text : "\"" + text + "\"";
}

bool isInteger(ValueKind kind) {
  return kind == ValueKind::Byte || kind == ValueKind::Word || kind == ValueKind::DWord ||
         kind == ValueKind::Int64 || kind == ValueKind::CompatDWord;
}

bool isRaw(ValueKind kind) { return kind == ValueKind::Bytes || kind == ValueKind::Elements; }

bool isText(ValueKind kind) {
  return kind == ValueKind::String || kind == ValueKind::WideString || kind == ValueKind::ClassName;
}

std::string valueText(const TraceNode &node) {
  const PStreamValue &v = node.value;
  std::string text = typeOf(v);
  if (isInteger(v.Kind)) {
    text += " " + integerOf(v);
  } else if (v.Kind == ValueKind::Bool) {
    text += v.Integer ? " true" : " false";
    if (v.Integer > 1)
      text += " (" + std::to_string(v.Integer) + ")";
  } else if (v.Kind == ValueKind::Float || v.Kind == ValueKind::Double) {
    text += " " + realOf(v.Real, v.Kind == ValueKind::Float);
  } else if (v.Kind == ValueKind::Scaled) {
    text += " " + realOf(v.Real, v.Size == 4) + " (stored " + realOf(v.Stored, v.Size == 4) +
            ", scale^" + std::to_string(v.Exponent) + ")";
  } else if (isText(v.Kind)) {
    text += " " + (node.hasText ? JsonString(node.text) : std::string("null"));
    if (v.Kind != ValueKind::ClassName && v.ElementSize > 1)
      text += " (stored in " + std::to_string(8 * v.ElementSize) + "-bit units)";
  } else if (isRaw(v.Kind)) {
    if (v.Kind == ValueKind::Elements && v.ElementSize > 0)
      text += "[" + std::to_string(node.byteCount / v.ElementSize) + " x " +
              std::to_string(v.ElementSize) + "]";
    else
      text += "[" + std::to_string(node.byteCount) + "]";
    std::size_t shown = std::min(node.bytes.size(), TextValueBytes);
    if (shown)
      text += " " + hexOf(node.bytes.data(), shown, true);
    if (shown < node.byteCount)
      text += " ...";
  } else if (v.Kind == ValueKind::Skipped) {
    text += " " + std::to_string(v.Size) + " bytes";
  }
  if (!v.Complete)
    text += " (short)";
  return text;
}

void printJsonValue(std::ostream &out, const TraceNode &node) {
  const PStreamValue &v = node.value;
  out << ",\"type\":" << JsonString(typeOf(v)) << ",\"size\":" << v.Size;
  if (isInteger(v.Kind)) {
    out << ",\"value\":" << integerOf(v);
  } else if (v.Kind == ValueKind::Bool) {
    out << ",\"value\":" << (v.Integer ? "true" : "false");
  } else if (v.Kind == ValueKind::Float || v.Kind == ValueKind::Double) {
    out << ",\"value\":" << jsonRealOf(v.Real, v.Kind == ValueKind::Float);
  } else if (v.Kind == ValueKind::Scaled) {
    out << ",\"value\":" << jsonRealOf(v.Real, v.Size == 4)
        << ",\"stored\":" << jsonRealOf(v.Stored, v.Size == 4) << ",\"exponent\":" << v.Exponent;
  } else if (isText(v.Kind)) {
    out << ",\"value\":" << (node.hasText ? JsonString(node.text) : "null");
    if (v.Kind != ValueKind::ClassName)
      out << ",\"charSize\":" << v.ElementSize;
  } else if (isRaw(v.Kind)) {
    if (v.Kind == ValueKind::Elements)
      out << ",\"elementSize\":" << v.ElementSize;
    out << ",\"count\":" << node.byteCount << ",\"hex\":\""
        << hexOf(node.bytes.data(), node.bytes.size(), false) << "\"";
    if (node.bytes.size() < node.byteCount)
      out << ",\"truncated\":true";
  }
  if (!v.Complete)
    out << ",\"complete\":false";
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
  if (shown * BytesPerLine < node.byteCount)
    line(out, node.offset + shown * BytesPerLine, depth,
         "data  ... " + std::to_string(node.byteCount - shown * BytesPerLine) + " more bytes");
}

void printNode(std::ostream &out, const TraceNode &node, int depth) {
  switch (node.kind) {
  case TraceNode::Data:
    printData(out, node, depth);
    return;
  case TraceNode::Value:
    line(out, node.offset, depth, valueText(node));
    return;
  case TraceNode::Null:
    line(out, node.offset, depth, "null");
    return;
  case TraceNode::Absent:
    line(out, node.offset, depth,
         std::string("absent object") + (node.incomplete ? " (incomplete)" : ""));
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
  static const char *const kinds[] = {"object", "reference", "null", "absent", "data", "value"};
  out << "{\"kind\":\"" << kinds[node.kind] << "\",\"offset\":" << node.offset;
  switch (node.kind) {
  case TraceNode::Data: {
    std::size_t n = std::min(node.bytes.size(), JsonDataBytes);
    out << ",\"size\":" << node.byteCount << ",\"hex\":\"" << hexOf(node.bytes.data(), n, false)
        << "\"";
    if (n < node.byteCount)
      out << ",\"truncated\":true";
    break;
  }
  case TraceNode::Value:
    printJsonValue(out, node);
    break;
  case TraceNode::Reference:
    out << ",\"number\":" << node.number
        << ",\"class\":" << (node.className.empty() ? "null" : JsonString(node.className));
    break;
  case TraceNode::Absent:
    out << ",\"end\":" << node.end << ",\"byValue\":" << (node.byValue ? "true" : "false")
        << ",\"incomplete\":" << (node.incomplete ? "true" : "false");
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

namespace {

/// The length of the well-formed UTF-8 sequence at `p` (at most `n` bytes
/// there), or 0 when there is none (no overlong forms, no surrogates,
/// nothing above U+10FFFF).
std::size_t utf8Length(const unsigned char *p, std::size_t n) {
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (p[0] >= 0xC2 && p[0] <= 0xDF)
    length = 2;
  else if (p[0] >= 0xE0 && p[0] <= 0xEF)
    length = 3, low = p[0] == 0xE0 ? 0xA0 : 0x80, high = p[0] == 0xED ? 0x9F : 0xBF;
  else if (p[0] >= 0xF0 && p[0] <= 0xF4)
    length = 4, low = p[0] == 0xF0 ? 0x90 : 0x80, high = p[0] == 0xF4 ? 0x8F : 0xBF;
  else
    return 0;
  if (n < length || p[1] < low || p[1] > high)
    return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (p[i] < 0x80 || p[i] > 0xBF)
      return 0;
  return length;
}

} // namespace

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = bytes[i];
    std::size_t sequence = c >= 0x80 ? utf8Length(bytes + i, text.size() - i) : 0;
    if (sequence) {
      // UTF-8 text stays as it is.
      out.append(text, i, sequence);
      i += sequence - 1;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      // Control characters, and bytes that are no UTF-8, as the code point
      // of the same number.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    }
  }
  return out + "\"";
}

void PrintTraceText(std::ostream &out, const TraceReport &report) {
  out << report.File << ": " << report.Size << " bytes";
  if (report.Compressed)
    out << " (compressed pstream of " << report.StoredSize << " bytes)";
  out << "\n";
  for (const TraceNode &node : report.Items)
    printNode(out, node, 0);
  if (report.Failed)
    out << "error at offset " << report.ErrorOffset << ": " << report.Message << "\n";
  else
    out << report.Items.size() << " items, " << report.Objects << " objects\n";
}

void PrintTraceJson(std::ostream &out, const TraceReport &report) {
  out << "{\"file\":" << JsonString(report.File) << ",\"size\":" << report.Size
      << ",\"compressedSize\":"
      << (report.Compressed ? std::to_string(report.StoredSize) : std::string("null"))
      << ",\"items\":[";
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
