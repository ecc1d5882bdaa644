//===- text_search.cpp - Scanning and searching a text --------------------===//
//
// skip_forward and skip_backward walk a text character by character under
// a predicate, seeing a line end as LF in multi-line mode. search finds a
// string inside a block, forwards or backwards, with or without case; rows
// are searched as byte strings, so a row with NUL bytes is searched whole.
//
//===----------------------------------------------------------------------===//
#include "strings/text_buffer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>

namespace {

constexpr int kLineEnd = '\n';

unsigned char FoldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

/// Finds one string in rows, with or without case. Without case it skips
/// ahead as Horspool's search does, on case-folded bytes.
class Finder {
public:
  Finder(std::string_view needle, bool caseSensitive)
      : Needle(needle), CaseSensitive(caseSensitive) {
    if (CaseSensitive)
      return;
    const std::size_t m = Needle.size();
    Shift.fill(m);
    for (std::size_t k = 0; k + 1 < m; ++k) {
      unsigned char c = FoldCase(static_cast<unsigned char>(Needle[k]));
      Shift[c] = m - 1 - k;
      if (c >= 'a' && c <= 'z')
        Shift[c - ('a' - 'A')] = m - 1 - k;
    }
  }

  long size() const { return static_cast<long>(Needle.size()); }

  /// The first occurrence in `row` that starts at or after `from`, or -1.
  long find(std::string_view row, long from) const {
    if (from < 0)
      from = 0;
    const std::size_t m = Needle.size();
    if (static_cast<std::size_t>(from) >= row.size() || row.size() - from < m)
      return -1;
    if (CaseSensitive) {
      std::size_t at = row.find(Needle, static_cast<std::size_t>(from));
      return at == std::string_view::npos ? -1 : static_cast<long>(at);
    }
    const unsigned char *text = reinterpret_cast<const unsigned char *>(row.data());
    for (std::size_t i = static_cast<std::size_t>(from); i + m <= row.size();
         i += Shift[text[i + m - 1]]) {
      if (equalFolded(text + i))
        return static_cast<long>(i);
    }
    return -1;
  }

private:
  bool equalFolded(const unsigned char *text) const {
    for (std::size_t k = Needle.size(); k-- > 0;)
      if (FoldCase(text[k]) != FoldCase(static_cast<unsigned char>(Needle[k])))
        return false;
    return true;
  }

  std::string_view Needle;
  bool CaseSensitive;
  /// How far the window moves for the byte under its last position.
  std::array<std::size_t, 256> Shift{};
};

std::string_view View(const GString &s) { return std::string_view(s.c_str(), s.length()); }

} // namespace

bool GText::skip_forward(GTextPosition &pos, CharPredicate pred, bool multiline) const {
  if (!valid_row(pos.row))
    return false;
  long col = std::max(pos.column, 0L);
  for (;;) {
    const GString &row = at(pos.row);
    const long length = static_cast<long>(row.length());
    for (; col < length; ++col) {
      if (!pred(static_cast<unsigned char>(row.at(static_cast<unsigned>(col))))) {
        pos.column = col;
        return true;
      }
    }
    pos.column = std::max(col, length);
    if (!multiline)
      return false;
    if (!pred(kLineEnd))
      return true;
    if (++pos.row >= getCount()) {
      pos = GTextPosition(0, getCount());
      return false;
    }
    col = 0;
  }
}

bool GText::skip_backward(GTextPosition &pos, CharPredicate pred, bool multiline) const {
  if (!valid_row(pos.row))
    return false;
  for (;;) {
    const GString &row = at(pos.row);
    const long length = static_cast<long>(row.length());
    long col = pos.column;
    if (col >= length) {
      if (multiline && !pred(kLineEnd))
        return true;
      col = length - 1;
    }
    for (; col >= 0; --col) {
      if (!pred(static_cast<unsigned char>(row.at(static_cast<unsigned>(col))))) {
        pos.column = col;
        return true;
      }
    }
    pos.column = 0;
    if (!multiline || pos.row == 0)
      return false;
    // The line end of the previous row comes next.
    --pos.row;
    pos.column = static_cast<long>(at(pos.row).length());
  }
}

bool GText::search(const char *s, GTextPosition &pos, bool caseSensitive, bool forward) const {
  GTextBlock all;
  all.selectAll();
  return search(s, pos, all, caseSensitive, forward);
}

bool GText::search(const char *s, GTextPosition &pos, const GTextBlock &b, bool caseSensitive,
                   bool forward) const {
  if (!s || !*s)
    return false;
  const Finder finder(std::string_view(s), caseSensitive);
  long first, last;
  b.get_bounding_rows(first, last);
  first = std::max(first, 0L);
  last = std::min(last, getCount() - 1);
  // Only occurrences inside the row's selected range count; they are found
  // from its start on, so one outside the block never hides one inside.
  auto segment = [&](long row, long &from, long &to) {
    return b.get_selected_segment(row, from, to) && to - from + 1 >= finder.size();
  };
  if (forward) {
    for (long row = std::max(pos.row, first); row <= last; ++row) {
      long from, to;
      if (!segment(row, from, to))
        continue;
      long start = row == pos.row ? std::max(pos.column, from) : from;
      long hit = finder.find(View(at(row)), start);
      if (hit >= 0 && hit + finder.size() - 1 <= to) {
        pos = GTextPosition(hit, row);
        return true;
      }
    }
    return false;
  }
  for (long row = std::min(pos.row, last); row >= first; --row) {
    long from, to;
    if (!segment(row, from, to))
      continue;
    // The nearest occurrence before pos's column (anywhere in rows above).
    long limit = row == pos.row ? pos.column : LONG_MAX;
    const std::string_view text = View(at(row));
    long best = -1;
    for (long hit = finder.find(text, from);
         hit >= 0 && hit < limit && hit + finder.size() - 1 <= to; hit = finder.find(text, hit + 1))
      best = hit;
    if (best >= 0) {
      pos = GTextPosition(best, row);
      return true;
    }
  }
  return false;
}
