//===- point_rect_stream.cpp - Stream forms of points and rectangles ------===//
//
// GPoint: byte 0 (a version that readers skip), x and y as signed dwords.
// GRect:  byte 0, then origin and size as two GPoint records.
// Old forms (read_old): x and y as unsigned 16-bit words, without version
// bytes; a rectangle is its origin and its size in that form.
// Every reader ends with a check of the stream state, so a short stream
// throws NonZeroPStreamState_Exception and leaves the value unchanged.
//
//===----------------------------------------------------------------------===//
#include "containers/point_rect.h"

#include "containers/stream_check.h"
#include "pstreams/pstream.h"

using vyx::detail::ReadCheck;

void GPoint::write(opstream &os) const {
  os.writeByte(0);
  os << static_cast<int>(x) << static_cast<int>(y);
}

void GPoint::read(ipstream &is) {
  is.readByte();
  int newX = 0, newY = 0;
  is >> newX >> newY;
  ReadCheck(is);
  set(newX, newY);
}

void GPoint::read_old(ipstream &is) {
  unsigned short newX = is.readWord(), newY = is.readWord();
  ReadCheck(is);
  set(newX, newY);
}

void GRect::write(opstream &os) const {
  os.writeByte(0);
  Origin.write(os);
  Extent.write(os);
}

void GRect::read(ipstream &is) {
  is.readByte();
  GPoint origin, extent;
  origin.read(is);
  extent.read(is);
  Origin = origin;
  Extent = extent;
}

void GRect::read_old(ipstream &is) {
  GPoint origin, extent;
  origin.read_old(is);
  extent.read_old(is);
  Origin = origin;
  Extent = extent;
}

opstream &operator<<(opstream &os, const GPoint &p) {
  p.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, GPoint &p) {
  p.read(is);
  return is;
}

opstream &operator<<(opstream &os, const GRect &r) {
  r.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, GRect &r) {
  r.read(is);
  return is;
}
