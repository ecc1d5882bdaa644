//===- text_buffer_stream.cpp - Stream forms of texts and selections ------===//
//
// Stored forms (pstreams, little-endian unless the stream swaps bytes):
//   GTextPosition  column: signed dword, row: signed dword
//   GTextBlock     byte 0 (a version, skipped), anchor, end (positions),
//                  mode: byte 0 stream, 1 columnar, 2 lines
//   GText          byte 0 (skipped), row count: dword, then row count narrow
//                  strings (a null string reads as an empty row)
// Nothing read is trusted: every value passes through vyx::ReadCheck before it is
// used. A reader that meets a short stream or a forbidden value throws
// NonZeroPStreamState_Exception and leaves its object as it was. The rows of
// a text are collected as they arrive, so storage follows the bytes really
// read, never the stored count (each row takes at least two bytes).
//
// Text forms: a position prints as "column row", a block as its normalised
// start, a blank, its end and " columnar" or " stream"; a text is its rows,
// each followed by LF.
//
//===----------------------------------------------------------------------===//
#include "strings/text_buffer.h"

#include "pstreams/pstream.h"

#include <cstdint>
#include <istream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>

namespace {

/// The most rows a text can hold (its collection counts in 32 bits).
constexpr unsigned long kMaxRows = INT32_MAX;

} // namespace

void GTextPosition::write(opstream &os) const { os << column << row; }

void GTextPosition::read(ipstream &is) {
  long col = 0, r = 0;
  is >> col >> r;
  vyx::ReadCheck(is);
  column = col;
  row = r;
}

void GTextBlock::write(opstream &os) const {
  os.writeByte(0);
  Anchor.write(os);
  End.write(os);
  os.writeByte(static_cast<unsigned char>(StoredMode));
}

void GTextBlock::read(ipstream &is) {
  is.readByte();
  GTextPosition anchor, end;
  anchor.read(is);
  end.read(is);
  unsigned char mode = is.readByte();
  vyx::ReadCheck(is, mode <= TB_LINES);
  Anchor = anchor;
  End = end;
  StoredMode = static_cast<Mode>(mode);
}

void GText::write(opstream &os) {
  os.writeByte(0);
  os.writeDWord(static_cast<unsigned long>(getCount()));
  for (long i = 0; i < getCount(); ++i)
    os << at(i);
}

void GText::read(ipstream &is) {
  is.readByte();
  unsigned long count = is.readDWord();
  vyx::ReadCheck(is, count <= kMaxRows);
  GText rows;
  for (unsigned long i = 0; i < count; ++i) {
    auto row = std::make_unique<GString>();
    is >> *row;
    vyx::ReadCheck(is);
    rows.GCollection::insert(row.get());
    row.release();
  }
  Empty();
  takeRows(0, rows);
}

void GText::load(std::istream &is) {
  std::string all((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
  assign(all.data(), static_cast<long>(all.size()));
}

void GText::save(std::ostream &os) const {
  for (long i = 0; i < getCount(); ++i) {
    const GString &row = at(i);
    os.write(row.c_str(), static_cast<std::streamsize>(row.length()));
    os.put('\n');
  }
}

std::ostream &operator<<(std::ostream &os, const GTextPosition &p) {
  return os << p.column << ' ' << p.row;
}

std::ostream &operator<<(std::ostream &os, const GTextBlock &b) {
  GTextPosition start, end;
  b.get_start_end(start, end);
  return os << start << ' ' << end << (b.columnar() ? " columnar" : " stream");
}

std::ostream &operator<<(std::ostream &os, const GText &t) {
  t.save(os);
  return os;
}

std::istream &operator>>(std::istream &is, GText &t) {
  t.load(is);
  return is;
}

opstream &operator<<(opstream &os, const GTextPosition &p) {
  p.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, GTextPosition &p) {
  p.read(is);
  return is;
}

opstream &operator<<(opstream &os, const GTextBlock &b) {
  b.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, GTextBlock &b) {
  b.read(is);
  return is;
}
