//===- text_block.cpp - Selections in a text ------------------------------===//
//
// The geometry of GTextBlock: normalising its two positions, which rows and
// columns it selects, and moving it.
//
//===----------------------------------------------------------------------===//
#include "strings/text_buffer.h"

#include <algorithm>
#include <utility>

void GTextBlock::get_start_end(GTextPosition &start, GTextPosition &end) const {
  if (columnar()) {
    start = GTextPosition(std::min(Anchor.column, End.column), std::min(Anchor.row, End.row));
    end = GTextPosition(std::max(Anchor.column, End.column), std::max(Anchor.row, End.row));
    return;
  }
  start = Anchor;
  end = End;
  if (end.row < start.row)
    std::swap(start, end);
  if (StoredMode == TB_LINES) {
    start.column = 0;
    end.column = 0;
    ++end.row;
  }
}

GTextPosition GTextBlock::get_start() const {
  GTextPosition start, end;
  get_start_end(start, end);
  return start;
}

GTextPosition GTextBlock::get_end() const {
  GTextPosition start, end;
  get_start_end(start, end);
  return end;
}

bool GTextBlock::isEmpty() const {
  GTextPosition start, end;
  get_start_end(start, end);
  return start == end;
}

void GTextBlock::Empty() {
  Anchor = End;
  StoredMode = TB_STREAM;
}

void GTextBlock::selectAll() {
  Anchor = GTextPosition(0, 0);
  End = GTextPosition(0, RowEnd);
  StoredMode = TB_STREAM;
}

void GTextBlock::move_to(const GTextPosition &p) {
  GTextPosition start, end;
  get_start_end(start, end);
  const long rowShift = p.row - start.row;
  if (columnar()) {
    Anchor = p;
    End = GTextPosition(end.column + (p.column - start.column), end.row + rowShift);
    return;
  }
  // The stored positions ordered by row (in lines mode the normalised end
  // is one row past the stored one, and its column means nothing).
  GTextPosition last = End.row < Anchor.row ? Anchor : End;
  Anchor = p;
  End = GTextPosition(last.column, last.row + rowShift);
}

bool GTextBlock::contains(long col, long row) const {
  GTextPosition start, end;
  get_start_end(start, end);
  if (columnar())
    return start.column <= col && col < end.column && start.row <= row && row <= end.row;
  if (row < start.row || row > end.row)
    return false;
  if (row == start.row && col < start.column)
    return false;
  return !(row == end.row && col >= end.column);
}

bool GTextBlock::contains_whole_row(long row) const {
  if (columnar() || isEmpty())
    return false;
  GTextPosition start, end;
  get_start_end(start, end);
  if (row > start.row && row < end.row)
    return true;
  return row == start.row && start.column <= 0;
}

bool GTextBlock::get_selected_segment(long row, long &from, long &to) const {
  GTextPosition start, end;
  get_start_end(start, end);
  from = 0;
  to = -1;
  if (row < start.row || row > end.row)
    return false;
  if (columnar()) {
    from = start.column;
    to = end.column - 1;
  } else if (row == start.row) {
    from = start.column;
    to = RowEnd;
  } else if (row == end.row) {
    to = end.column - 1;
  } else {
    to = RowEnd;
  }
  return to >= from;
}

bool GTextBlock::contains_segment(long row, long from, long to) const {
  long first, last;
  return get_selected_segment(row, first, last) && first <= from && to <= last;
}

void GTextBlock::get_bounding_rows(long &first, long &last) const {
  GTextPosition start, end;
  get_start_end(start, end);
  first = start.row;
  last = end.row;
  if (!columnar() && end.column == 0 && end.row - start.row + 1 > 2)
    --last;
}

bool GTextBlock::intersects(long row) const {
  long first, last;
  get_bounding_rows(first, last);
  return first <= row && row <= last;
}

bool GTextBlock::operator==(const GTextBlock &b) const {
  GTextPosition start, end, otherStart, otherEnd;
  get_start_end(start, end);
  b.get_start_end(otherStart, otherEnd);
  return mode() == b.mode() && start == otherStart && end == otherEnd;
}
