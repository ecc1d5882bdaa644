//===- text_buffer.cpp - Editable multi-line text -------------------------===//
//
// The rows of a GText are owned GString objects held by the collection. Rows
// move by pointer, so inserting or deleting rows costs one move of the
// pointer array however long the rows are, and several rows inserted or
// deleted at once move it once.
//
//===----------------------------------------------------------------------===//
#include "strings/text_buffer.h"

#include "object_model/exceptions.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

VYX_IMPLEMENT_CLASS(GText, "GText", &vyx::BaseModuleHandle, GCollection)

namespace {

/// A column as a GString position: before 0 counts as 0; a column past what
/// a GString can hold stays past it, so that GString refuses it
/// (OutOfMemory_Exception) instead of wrapping around.
unsigned Column(long col) { return static_cast<unsigned>(std::clamp<long>(col, 0, UINT_MAX)); }

/// The length of a row as a column.
long Length(const GString &s) { return static_cast<long>(s.length()); }

/// A length of bytes given as a long, as a GString length; more than a
/// GString holds is an allocation failure.
unsigned RowLength(long n) {
  if (n > 0x7FFFFFFE)
    throw OutOfMemory_Exception();
  return static_cast<unsigned>(n);
}

} // namespace

//===----------------------------------------------------------------------===//
// Construction and rows
//===----------------------------------------------------------------------===//

GText::GText() : GCollection(0, 4, 1) {}

GText::GText(const GText &t) : GCollection(0, 4, 1) { insertRows(0, t, 0, t.getCount()); }

GText::GText(const char *p) : GCollection(0, 4, 1) {
  if (p)
    assign(p, static_cast<long>(std::strlen(p)));
}

GText::GText(const char *p, long n) : GCollection(0, 4, 1) { assign(p, n); }

GText::~GText() { shut_down(); }

GText &GText::operator=(const GText &t) {
  if (this != &t) {
    GText copy(t);
    Empty();
    takeRows(0, copy);
  }
  return *this;
}

GText &GText::operator=(const char *p) {
  assign(p, p ? static_cast<long>(std::strlen(p)) : 0);
  return *this;
}

void GText::freeItem(void *p) { delete static_cast<GString *>(p); }

void GText::assign(const char *p, long n) {
  if (!p || n <= 0) {
    Empty();
    return;
  }
  // The rows are built aside and handed over together, after the old rows
  // are gone: `p` may point into one of them.
  GText rows;
  const char *end = p + n;
  for (const char *start = p;;) {
    const char *lf = static_cast<const char *>(std::memchr(start, '\n', end - start));
    const char *stop = lf ? lf : end;
    // A CR right before the LF, or at the very end, is part of the line end.
    const char *rowEnd = stop > start && stop[-1] == '\r' ? stop - 1 : stop;
    auto row = std::make_unique<GString>(start, RowLength(rowEnd - start));
    rows.GCollection::insert(row.get());
    row.release();
    if (!lf)
      break;
    start = lf + 1;
  }
  Empty();
  takeRows(0, rows);
}

const GString &GText::at(long r) const {
  static const GString noRow;
  GString *row = valid_row(r) ? rowPtr(r) : nullptr;
  return row ? *row : noRow;
}

GString &GText::at(long r) {
  // A row that does not exist is a writable empty row of the calling thread,
  // emptied at each call: threads never race on it.
  thread_local GString noRow;
  GString *row = valid_row(r) ? rowPtr(r) : nullptr;
  if (row)
    return *row;
  noRow.empty();
  return noRow;
}

char GText::at(const GTextPosition &p) const {
  const GString &row = at(p.row);
  if (p.column < 0 || p.column >= Length(row))
    return '\n';
  return row.at(static_cast<unsigned>(p.column));
}

void GText::extendTo(long n) {
  if (n <= getCount())
    return;
  reserveSpaceForItems(getCount(), n - getCount());
  while (getCount() < n) {
    auto row = std::make_unique<GString>();
    GCollection::insert(row.get());
    row.release();
  }
}

GString &GText::editRow(long r) {
  if (r < 0)
    throw GCollection_IndexOutOfRange_Exception(r, 0, getCount() - 1L);
  extendTo(r + 1);
  GString *row = rowPtr(r);
  if (!row) {
    // A null item put there through the collection's own interface.
    auto fresh = std::make_unique<GString>();
    at_put(r, fresh.get());
    row = fresh.release();
  }
  return *row;
}

void GText::insertRows(long at, const GText &from, long first, long n) {
  if (at < 0)
    throw GCollection_IndexOutOfRange_Exception(at, 0, getCount() - 1L);
  n = std::min(n, from.getCount() - first);
  if (n <= 0)
    return;
  extendTo(at);
  // Copies first (they share the rows' buffers), then one insertion of all
  // their pointers: `from` may be this text.
  GText copies;
  copies.reserveSpaceForItems(0, n);
  for (long i = 0; i < n; ++i) {
    auto row = std::make_unique<GString>(from.at(first + i));
    copies.GCollection::insert(row.get());
    row.release();
  }
  takeRows(at, copies);
}

void GText::takeRows(long at, GText &from) {
  at_insert_collection(at, from);
  from.remove_all();
}

void GText::deleteRows(long at, long n) {
  at = std::max(at, 0L);
  n = std::min(n, getCount() - at);
  if (n <= 0)
    return;
  for (long i = at; i < at + n; ++i)
    freeItem(GCollection::at(i));
  at_remove_range(at, n);
}

//===----------------------------------------------------------------------===//
// Editing rows and characters
//===----------------------------------------------------------------------===//

void GText::new_line(long col, long row) {
  GString &line = editRow(row);
  if (col <= 0) {
    insert_row(row, "");
    return;
  }
  GString rest;
  if (col < Length(line)) {
    rest = line.substr(Column(col));
    line.remove(Column(col));
  }
  insert_row(row + 1, rest);
}

void GText::insert_char(long col, long row, char ch) { editRow(row).insert(Column(col), ch); }

void GText::replace_char(long col, long row, char ch) {
  GString &line = editRow(row);
  if (col >= 0 && col < Length(line))
    line.at(static_cast<unsigned>(col), ch);
  else
    line.insert(Column(col), ch);
}

void GText::insert_row(long r, const char *text) { insert_row(r, GString(text)); }

void GText::insert_row(long r, const GString &text) {
  if (r < 0)
    throw GCollection_IndexOutOfRange_Exception(r, 0, getCount() - 1L);
  extendTo(r);
  auto row = std::make_unique<GString>(text);
  at_insert(r, row.get());
  row.release();
}

void GText::insert_row_part(long col, long row, const char *text) {
  editRow(row).insert(Column(col), text);
}

void GText::insert_row_part(long col, long row, const GString &text) {
  editRow(row).insert(Column(col), text);
}

void GText::replace_row(long r, const char *text) { editRow(r) = text; }

void GText::replace_row(long r, const GString &text) { editRow(r) = text; }

void GText::delete_row(long r) {
  if (valid_row(r))
    deleteRows(r, 1);
}

void GText::delete_row_part(long from, long row, long to) {
  if (!valid_row(row) || to < from)
    return;
  GString &line = editRow(row);
  line.remove(Column(from), Column(std::min(to, LONG_MAX - 1) + 1));
}

void GText::merge(long r) {
  if (!valid_row(r))
    return;
  if (valid_row(r + 1)) {
    editRow(r) += at(r + 1);
    deleteRows(r + 1, 1);
  }
}

void GText::split(long col, long row, GString &left, GString &right) const {
  left.empty();
  right.empty();
  if (!valid_row(row))
    return;
  const GString &line = at(row);
  left = line.left(Column(col));
  right = line.substr(Column(col));
}

//===----------------------------------------------------------------------===//
// The whole text
//===----------------------------------------------------------------------===//

long GText::get_max_length() const {
  long longest = 0;
  for (long i = 0; i < getCount(); ++i)
    longest = std::max(longest, Length(at(i)));
  return longest;
}

long GText::get_buffer_length() const {
  long total = 1;
  for (long i = 0; i < getCount(); ++i)
    total += Length(at(i)) + 1;
  return total;
}

namespace {

/// Copies every row followed by LF to `out`.
void CopyRows(const GText &t, char *out) {
  for (long i = 0; i < t.getCount(); ++i) {
    const GString &row = t.at(i);
    std::memcpy(out, row.c_str(), row.length());
    out += row.length();
    *out++ = '\n';
  }
}

} // namespace

char *GText::make_string() const {
  const long size = get_buffer_length();
  char *text = new char[static_cast<std::size_t>(size)];
  CopyRows(*this, text);
  text[size - 1] = '\0';
  return text;
}

void GText::make_string(GString &s) const {
  const unsigned size = RowLength(get_buffer_length() - 1);
  s.empty();
  if (size == 0)
    return;
  CopyRows(*this, s.getBuffer(size));
  s.releaseBuffer(size);
}

//===----------------------------------------------------------------------===//
// Blocks
//===----------------------------------------------------------------------===//

GText *GText::make_text(const GTextBlock &b) const {
  auto text = std::make_unique<GText>();
  if (b.isEmpty())
    return text.release();
  long first, last;
  b.get_bounding_rows(first, last);
  // Rows of the block past the text hold nothing to copy.
  first = std::max(first, 0L);
  last = std::min(last, getCount() - 1);
  if (first > last)
    return text.release();
  text->insertRows(0, *this, first, last - first + 1);
  for (long i = first; i <= last; ++i) {
    if (b.contains_whole_row(i))
      continue;
    long from, to;
    GString &row = *text->rowPtr(i - first);
    if (!b.get_selected_segment(i, from, to)) {
      row.empty();
      continue;
    }
    // Columnar rows and the first row of a stream block begin at the
    // block's column; every cut row ends after the selected range.
    row.remove(Column(std::min(to, LONG_MAX - 1) + 1));
    row.remove(0, Column(from));
  }
  return text.release();
}

void GText::delete_block(const GTextBlock &b) {
  if (b.isEmpty())
    return;
  long first, last, from, to;
  b.get_bounding_rows(first, last);
  if (b.columnar()) {
    for (long i = std::max(first, 0L); i <= std::min(last, getCount() - 1); ++i) {
      b.get_selected_segment(i, from, to);
      delete_row_part(from, i, to);
    }
    return;
  }
  if (!valid_row(first))
    return;
  deleteRows(first + 1, last - first - 1);
  long following = first + 1;
  bool join = false;
  if (b.contains_whole_row(first)) {
    deleteRows(first, 1);
    following = first;
  } else {
    // The first row keeps the columns before the block, padded so that the
    // joined rest of the last row lands at the block's column.
    b.get_selected_segment(first, from, to);
    at(first).expandTo(Column(from));
    delete_row_part(from, first, to);
    join = true;
  }
  if (valid_row(following)) {
    if (b.contains_whole_row(last)) {
      deleteRows(following, 1);
    } else {
      b.get_selected_segment(last, from, to);
      delete_row_part(from, following, to);
    }
  }
  if (join)
    merge(first);
}

void GText::insert_text(long col, long row, const char *p, long n) {
  insert_text(col, row, GText(p, n));
}

void GText::insert_text(long col, long row, const GText &t) {
  if (t.isEmpty())
    return;
  GTextBlock block(0, 0, 0, t.getCount(), GTextBlock::TB_STREAM);
  block.move_to(col, row);
  insert_text(block, t);
}

void GText::insert_text(const GTextBlock &b, const GText &t) {
  if (&t == this) {
    GText copy(t);
    insert_text(b, copy);
    return;
  }
  long first, last;
  b.get_bounding_rows(first, last);
  const long n = t.getCount();
  if (b.columnar()) {
    // Each row of the rectangle receives its row of t (nothing when t has
    // no such row), padded to the block's width when it goes inside the
    // row's text.
    extendTo(last + 1);
    long from, to;
    b.get_selected_segment(first, from, to);
    from = std::max(from, 0L);
    for (long i = first; i <= last; ++i) {
      GString &line = editRow(i);
      GString piece = t.at(i - first);
      if (from < Length(line))
        piece.expandTo(Column(to - from + 1));
      line.insert(Column(from), piece);
    }
    return;
  }
  if (n == 0)
    return;
  if (b.contains_whole_row(first)) {
    if (b.contains_whole_row(last)) {
      // Whole rows in: t's rows become rows of their own.
      insertRows(first, t, 0, n);
    } else {
      // t's last row begins the row that the others are put before.
      insertRows(first, t, 0, n - 1);
      insert_row_part(0, first + n - 1, t.at(n - 1));
    }
    return;
  }
  // The first row is cut at the block's column: its left part takes t's
  // first row, its right part goes after t's other rows.
  const long startColumn = b.get_start().column;
  GString left, right;
  split(startColumn, first, left, right);
  left.expandTo(Column(startColumn));
  GString &line = editRow(first);
  if (n == 1 && !b.contains_whole_row(last)) {
    // A single row is spliced into the row.
    line = left + t.at(0) + right;
    return;
  }
  line = left + t.at(0);
  if (b.contains_whole_row(last)) {
    insertRows(first + 1, t, 1, n - 1);
    insert_row(first + n, right);
  } else {
    insertRows(first + 1, t, 1, n - 2);
    insert_row(first + n - 1, t.at(n - 1) + right);
  }
}
