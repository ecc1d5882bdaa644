//===- text_buffer.h - Editable multi-line text with selections -*- C++ -*-===//
//
// GText is an editable multi-line text held as an ordered list of rows, each
// a GString without its line end. GTextPosition addresses a character by
// column and row; GTextBlock is a selection between an anchor and an end
// position in one of three shapes: a stream of characters, a columnar
// rectangle, or whole lines. GText edits rows and characters, inserts and
// deletes blocks, copies a block out as a new text, scans and searches in
// both directions, converts to and from one string, and persists itself
// through text streams and pstreams.
//
// Stream forms (pstreams):
//   GTextPosition  column as dword, row as dword (signed 32-bit)
//   GTextBlock     byte 0 (a version that readers skip), anchor, end, mode
//                  as byte (0 stream, 1 columnar, 2 lines)
//   GText          byte 0 (skipped), row count as dword, each row as a
//                  narrow string
//
// Threads: a text is used by one thread at a time. Rows that do not exist
// read as an empty row; the writable empty row that at(long) hands out for
// them belongs to the calling thread, so two threads working on two texts
// never share it.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_TEXT_BUFFER_H
#define VYX_STRINGS_TEXT_BUFFER_H

#include "containers/collection.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>
#include <iosfwd>

class opstream;
class ipstream;

/// A character position in a text: column and row, both from 0. Positions
/// order by row first, then by column.
class VYX_BASE_API GTextPosition {
public:
  GTextPosition() = default;
  GTextPosition(long col, long r) : column(col), row(r) {}

  bool operator==(const GTextPosition &p) const { return column == p.column && row == p.row; }
  bool operator!=(const GTextPosition &p) const { return !(*this == p); }
  bool operator<(const GTextPosition &p) const {
    return row < p.row || (row == p.row && column < p.column);
  }
  bool operator>(const GTextPosition &p) const { return p < *this; }
  bool operator<=(const GTextPosition &p) const { return !(p < *this); }
  bool operator>=(const GTextPosition &p) const { return !(*this < p); }

  /// Column and row as dwords. A value that does not fit in 32 bits is not
  /// written and sets write failure.
  void write(opstream &os) const;
  /// Reads both fields; a short stream throws NonZeroPStreamState_Exception
  /// and leaves the position unchanged.
  void read(ipstream &is);

  long column = 0;
  long row = 0;
};

/// A selection between an anchor and an end position.
///
/// The effective shape is columnar when the mode is TB_COLUMNAR, or when it
/// is TB_STREAM and both positions lie in one row; otherwise it is a stream
/// block (TB_LINES is a stream block of whole rows). A columnar block covers
/// columns start to end - 1 of rows start to end inclusive; a stream block
/// runs from its start up to, not including, its end.
class VYX_BASE_API GTextBlock {
public:
  enum Mode : int32_t { TB_STREAM = 0, TB_COLUMNAR = 1, TB_LINES = 2 };
  /// The column that stands for "to the end of the row".
  static constexpr long RowEnd = 0x1FFFFFFF;

  /// All zero, stream mode.
  GTextBlock() = default;
  /// Anchor `p`, end one column to the right of it, stream mode.
  explicit GTextBlock(const GTextPosition &p)
      : Anchor(p), End(p.column + 1, p.row), StoredMode(TB_STREAM) {}
  GTextBlock(const GTextPosition &anchor, const GTextPosition &end, Mode mode = TB_STREAM)
      : Anchor(anchor), End(end), StoredMode(mode) {}
  GTextBlock(long c1, long r1, long c2, long r2, Mode mode = TB_STREAM)
      : Anchor(c1, r1), End(c2, r2), StoredMode(mode) {}

  /// TB_COLUMNAR for an effectively columnar block, else TB_STREAM.
  Mode mode() const { return columnar() ? TB_COLUMNAR : TB_STREAM; }
  /// Sets the stored mode.
  void mode(Mode mode) { StoredMode = mode; }
  /// The stored mode, as set.
  Mode storedMode() const { return StoredMode; }
  bool columnar() const {
    return StoredMode == TB_COLUMNAR || (StoredMode == TB_STREAM && Anchor.row == End.row);
  }
  /// The stored positions, as set (not normalised).
  const GTextPosition &anchor() const { return Anchor; }
  const GTextPosition &end() const { return End; }

  /// The normalised start and end. Columnar: the smaller column and row,
  /// then the larger ones. Stream: the two positions ordered by row; in
  /// lines mode both columns are 0 and the end is one row further.
  void get_start_end(GTextPosition &start, GTextPosition &end) const;
  GTextPosition get_start() const;
  GTextPosition get_end() const;
  /// True when the normalised start equals the end.
  bool isEmpty() const;
  /// Anchor := end, stream mode.
  void Empty();
  /// Stream mode from (0, 0) to (0, RowEnd).
  void selectAll();
  /// Anchor and end := the position.
  void set_anchor(const GTextPosition &p) { Anchor = End = p; }
  void set_anchor(long col, long row) { set_anchor(GTextPosition(col, row)); }
  void set_end(const GTextPosition &p) { End = p; }
  void set_end(long col, long row) { End = GTextPosition(col, row); }
  /// Moves the block so that its normalised start is at `p`, keeping its row
  /// span; a columnar block keeps its width, a stream block its end column.
  void move_to(const GTextPosition &p);
  void move_to(long col, long row) { move_to(GTextPosition(col, row)); }

  /// True when the character at (col, row) is selected.
  bool contains(const GTextPosition &p) const { return contains(p.column, p.row); }
  bool contains(long col, long row) const;
  /// True when all of the row is selected: a row strictly inside a stream
  /// block, or its start row when the block starts in column 0 (or before).
  /// Never for columnar or empty blocks.
  bool contains_whole_row(long row) const;
  /// The inclusive column range selected in `row` (to = RowEnd for "to the
  /// end of the row"); (0, -1) for a row outside. True when to >= from.
  bool get_selected_segment(long row, long &from, long &to) const;
  /// True when columns from .. to of `row` are all selected.
  bool contains_segment(long row, long from, long to) const;
  /// The first and last row the block touches. A stream block that ends in
  /// column 0 and spans more than two rows ends in the row before its end.
  void get_bounding_rows(long &first, long &last) const;
  bool intersects(long row) const;

  /// Same effective mode and same normalised start and end.
  bool operator==(const GTextBlock &b) const;
  bool operator!=(const GTextBlock &b) const { return !(*this == b); }

  /// Byte 0, anchor, end, mode as byte.
  void write(opstream &os) const;
  /// Reads the stored form; a short stream or a mode other than 0, 1 or 2
  /// throws NonZeroPStreamState_Exception and leaves the block unchanged.
  void read(ipstream &is);

private:
  GTextPosition Anchor;
  GTextPosition End;
  Mode StoredMode = TB_STREAM;
};

/// An editable text: a list of owned GString rows without line ends.
/// Registered as "GText" (base "GCollection": limit 0, growth step 4, owns
/// its rows).
///
/// Editing operations given a row that does not exist first append empty
/// rows up to it (except where stated); a negative row throws
/// GCollection_IndexOutOfRange_Exception there. Columns before 0 count as 0;
/// inserting at a column past a row's end pads the row with blanks.
class VYX_BASE_API GText : public GCollection {
  VYX_DECLARE_CLASS(GText);

  GText();
  /// A deep copy (the rows' buffers are shared until written).
  GText(const GText &t);
  /// assign(p, strlen(p)); null gives an empty text.
  GText(const char *p);
  GText(const char *p, long n);
  /// Frees the rows.
  ~GText() override;
  GText &operator=(const GText &t);
  GText &operator=(const char *p);

  /// Replaces the rows by the `n` bytes at `p` split at LF; a CR right
  /// before an LF or at the very end is dropped, and the piece after the
  /// last LF is a row too ("a\nb\n" gives "a", "b", ""). Null or n <= 0
  /// leaves the text empty.
  void assign(const char *p, long n);

  bool isEmpty() const { return getCount() == 0; }
  bool valid_row(long r) const { return r >= 0 && r < getCount(); }

  /// Row r; for a row that does not exist, an empty row of the calling
  /// thread (emptied at each such call, so changes to it are lost).
  GString &at(long r);
  /// Row r, or an empty row.
  const GString &at(long r) const;
  /// The character at `p`, or LF (10) when the position lies outside the
  /// text or past its row's end.
  char at(const GTextPosition &p) const;

  /// col > 0: inserts a row after `row` and moves the text from col on into
  /// it; col <= 0: inserts an empty row before `row`.
  void new_line(long col, long row);
  /// Inserts `ch` at col (a NUL inserts nothing).
  void insert_char(long col, long row, char ch);
  /// Replaces the character at col when col lies inside the row, otherwise
  /// inserts it.
  void replace_char(long col, long row, char ch);
  /// Makes rows up to r - 1 exist and inserts a new row at r.
  void insert_row(long r, const char *text);
  void insert_row(long r, const GString &text);
  /// Inserts `text` into the row at col.
  void insert_row_part(long col, long row, const char *text);
  void insert_row_part(long col, long row, const GString &text);
  /// The row's text := text.
  void replace_row(long r, const char *text);
  void replace_row(long r, const GString &text);
  /// Deletes row r when it exists.
  void delete_row(long r);
  /// Existing row r: appends row r + 1 to it and deletes row r + 1.
  void merge(long r);
  /// `left` := the columns before col, `right` := the columns from col on;
  /// both empty for a row that does not exist.
  void split(long col, long row, GString &left, GString &right) const;

  /// The length of the longest row.
  long get_max_length() const;
  /// The sum of (row length + 1) over the rows, plus 1: the size of
  /// make_string()'s array.
  long get_buffer_length() const;
  /// A new array holding every row followed by LF, then a NUL. The caller
  /// frees it with delete[].
  char *make_string() const;
  /// The same text (without the final NUL) into `s`.
  void make_string(GString &s) const;
  /// A new text (the caller owns it) with the block's content: its rows,
  /// cut to the selected columns. Rows of the block past the end of the
  /// text are left out. An empty block gives an empty text.
  GText *make_text(const GTextBlock &b) const;

  /// Deletes the block's content; a stream block joins what remains of its
  /// first and last rows.
  void delete_block(const GTextBlock &b);
  /// insert_text(col, row, GText(p, n)).
  void insert_text(long col, long row, const char *p, long n);
  /// Inserts `t` at (col, row): a one-row text is spliced into the row; a
  /// text of several rows ends its first part at the row's end and puts its
  /// other rows, then the rest of the row, on rows of their own. An empty
  /// `t` inserts nothing.
  void insert_text(long col, long row, const GText &t);
  /// Inserts `t` into the place the block describes, whose bounding rows
  /// are first .. last:
  ///  - columnar: row first + i receives t's row i (nothing when t has no
  ///    such row) at the block's column, padded with blanks to the block's
  ///    width when it lands inside the row's text; rows up to last are made
  ///    to exist;
  ///  - stream, first row whole: t's rows become rows of their own before
  ///    row first, except that when the last row is not whole, t's last row
  ///    begins the row that follows them;
  ///  - stream, first row not whole: the row is cut at the start column
  ///    (padded with blanks to it) and becomes its left part + t's first
  ///    row; t's other rows follow as rows of their own, and the right part
  ///    follows them on a row of its own when the last row is whole, or
  ///    after t's last row otherwise. A one-row t is spliced into the row.
  /// Inserting, at the same block, what make_text gave before delete_block
  /// restores the text.
  void insert_text(const GTextBlock &b, const GText &t);

  /// A character test such as isalpha; it gets characters as unsigned
  /// values (0 to 255) and LF for a line end.
  typedef int (*CharPredicate)(int);
  /// Advances `pos` while `pred` accepts the character there. Single line:
  /// true when it stops at a rejected character, false at the row end.
  /// Multi-line: at each row end `pred` is asked for LF; a rejected LF stops
  /// there (true), otherwise `pos` moves to column 0 of the next row; at the
  /// end of the text `pos` is (0, row count) and the result false. A row
  /// outside the text gives false.
  bool skip_forward(GTextPosition &pos, CharPredicate pred, bool multiline) const;
  /// Moves `pos` left while `pred` accepts the character there; true when
  /// it stops at a rejected character (or, multi-line, at a rejected line
  /// end). A column at or past the row end starts at the row's last
  /// character, after asking `pred` for LF in multi-line mode. Passing
  /// column 0 gives false (position (0, row)) in single-line mode; in
  /// multi-line mode it goes on at the end of the previous row, and passing
  /// the start of the text gives false at (0, 0).
  bool skip_backward(GTextPosition &pos, CharPredicate pred, bool multiline) const;

  /// search() within the whole text.
  bool search(const char *s, GTextPosition &pos, bool caseSensitive = true,
              bool forward = true) const;
  /// Finds `s` within the block, starting at `pos`. Forward: the nearest
  /// occurrence at or after `pos`. Backward: the nearest occurrence that
  /// starts before `pos` (in rows above `pos`, anywhere in the row). Only
  /// occurrences that lie wholly inside the block count. Without
  /// `caseSensitive` the ASCII letters compare without case. A hit sets
  /// `pos` to its first character and returns true; a null or empty `s`
  /// finds nothing.
  bool search(const char *s, GTextPosition &pos, const GTextBlock &b, bool caseSensitive,
              bool forward) const;

  /// Reads everything from the current position to the end and assigns it.
  void load(std::istream &is);
  /// Writes every row followed by LF.
  void save(std::ostream &os) const;

  /// Byte 0, the row count as dword, each row as a string.
  void write(opstream &os) override;
  /// Reads the stored form. Rows are taken as they arrive (nothing is
  /// reserved from the stored count); the first failure throws
  /// NonZeroPStreamState_Exception and leaves the text unchanged.
  void read(ipstream &is) override;

protected:
  /// Deletes a row, as a GString.
  void freeItem(void *p) override;

private:
  GString *rowPtr(long r) const { return static_cast<GString *>(GCollection::at(r)); }
  /// Row r for editing: appends empty rows up to r first.
  GString &editRow(long r);
  /// Appends empty rows until there are `n`.
  void extendTo(long n);
  /// Inserts copies of rows first .. first + n - 1 of `from` before row
  /// `at` (appending empty rows up to `at` first).
  void insertRows(long at, const GText &from, long first, long n);
  /// Moves all rows of `from` before row `at` (which must exist or be the
  /// row count).
  void takeRows(long at, GText &from);
  /// Deletes n rows from `at` on (clipped to the text).
  void deleteRows(long at, long n);
  /// Removes columns from .. to (inclusive) of an existing row.
  void delete_row_part(long from, long row, long to);
};

/// Text output: "column row".
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const GTextPosition &p);
/// Text output: the normalised start, a blank, the end, then " columnar" or
/// " stream".
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const GTextBlock &b);
/// GText::save.
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const GText &t);
/// GText::load.
VYX_BASE_API std::istream &operator>>(std::istream &is, GText &t);

VYX_BASE_API opstream &operator<<(opstream &os, const GTextPosition &p);
VYX_BASE_API ipstream &operator>>(ipstream &is, GTextPosition &p);
VYX_BASE_API opstream &operator<<(opstream &os, const GTextBlock &b);
VYX_BASE_API ipstream &operator>>(ipstream &is, GTextBlock &b);

#endif // VYX_STRINGS_TEXT_BUFFER_H
