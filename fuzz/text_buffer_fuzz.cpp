//===- text_buffer_fuzz.cpp - Fuzz target for stored texts and patterns ---===//
//
// Input: one byte choosing the reader, then the bytes of a memory pstream.
// The bytes are read as a text (by value and through the class registry),
// as selections, or as regular expressions; whatever is read is then used:
// a text is edited with the selections read after it, searched and turned
// back into one string, a pattern is run over the rest of the input.
// Nothing may crash, leak or hang, and storage must stay proportional to the
// input.
//
//===----------------------------------------------------------------------===//

#include "pstreams/memory_pstream.h"
#include "strings/regular_expression.h"
#include "strings/text_buffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

/// A block read from the stream, kept close to the text so that edits stay
/// proportional to the input (a block may name any row up to 2^31).
GTextBlock Near(const GTextBlock &b, const GText &t) {
  auto clip = [&](const GTextPosition &p) {
    long rows = t.getCount() + 4;
    long cols = t.get_max_length() + 8;
    return GTextPosition(p.column % cols, p.row % rows);
  };
  return GTextBlock(clip(b.anchor()), clip(b.end()), b.storedMode());
}

void UseText(GText &t, ipstream &is) {
  // Selections after the text drive edits of it.
  for (int i = 0; i < 4 && is.good(); ++i) {
    GTextBlock stored;
    is >> stored;
    GTextBlock b = Near(stored, t);
    std::unique_ptr<GText> part(t.make_text(b));
    GTextPosition pos = b.get_start();
    t.search("a", pos, b, i % 2 == 0, i < 2);
    t.delete_block(b);
    t.insert_text(b, *part);
    t.insert_text(b.get_start().column, b.get_start().row, *part);
  }
  std::unique_ptr<char[]> whole(t.make_string());
  GString s;
  t.make_string(s);
  Check(static_cast<long>(s.length()) + 1 == t.get_buffer_length());
}

void ReadAll(uint8_t mode, ipstream &is) {
  switch (mode % 4) {
  case 0: {
    GText t;
    t.read(is);
    UseText(t, is);
    break;
  }
  case 1: {
    // Object records through the registry. A back-reference gives an
    // object read before again: each is owned (and freed) once.
    std::vector<std::unique_ptr<GText>> texts;
    std::set<GText *> seen;
    while (is.good()) {
      auto *t = static_cast<GText *>(is.readPointer(GText::gTypeInfo_));
      if (t && seen.insert(t).second)
        texts.emplace_back(t);
      if (t)
        UseText(*t, is);
    }
    break;
  }
  case 2: {
    GText t("abc\ndef\nghi\n");
    while (is.good()) {
      GTextBlock stored;
      GTextPosition p;
      is >> stored >> p;
      Check(stored.storedMode() <= GTextBlock::TB_LINES);
      GTextBlock b = Near(stored, t);
      std::unique_ptr<GText> part(t.make_text(b));
      t.delete_block(b);
      t.insert_text(b, *part);
    }
    break;
  }
  default: {
    std::vector<RegularExpression> patterns;
    while (is.good()) {
      RegularExpression re;
      is >> re;
      patterns.push_back(re);
    }
    break;
  }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  std::vector<uint8_t> bytes(data + 1, data + size);
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  try {
    ReadAll(data[0], is);
  } catch (const GException &) {
  }
  // Patterns read from the stream run over the input itself.
  if (data[0] % 4 == 3) {
    impstream again(bytes.data(), static_cast<long>(bytes.size()));
    try {
      while (again.good()) {
        RegularExpression re;
        again >> re;
        std::size_t start, length;
        if (re.find(reinterpret_cast<const char *>(data), size, 0, start, length))
          Check(start + length <= size);
      }
    } catch (const GException &) {
    }
  }
  return 0;
}
