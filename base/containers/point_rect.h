//===- point_rect.h - Integer points and rectangles -------------*- C++ -*-===//
//
// GPoint is a point or a size in pixels; GRect an axis-aligned rectangle held
// as origin plus size, whose right and bottom edges are inclusive
// (right = left + width - 1). A rectangle is empty when its width or height
// is 0 or less. Both are plain values with conversions to the platform's
// point, size and rectangle records (POINT, SIZE, RECT; a RECT's right and
// bottom are exclusive).
//
// Coordinates are 32-bit and wrap around as on the machine the values were
// first stored on: sums, differences and products never overflow into
// undefined behaviour, and edges are compared in 64 bits.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_POINT_RECT_H
#define VYX_CONTAINERS_POINT_RECT_H

#include "vyx_base_export.h"

#include <cstdint>
#include <iosfwd>

class opstream;
class ipstream;

/// The platform's point record.
struct POINT {
  int32_t x;
  int32_t y;
};

/// The platform's size record.
struct SIZE {
  int32_t cx;
  int32_t cy;
};

/// The platform's rectangle record (right and bottom exclusive).
struct RECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

namespace vyx {

/// Two's-complement arithmetic on 32-bit coordinates.
constexpr int32_t WrapAdd(int64_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(a + b)));
}
constexpr int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
/// Division truncating toward zero; the one overflowing case (minimum / -1)
/// wraps. `b` must not be 0.
constexpr int32_t WrapDiv(int32_t a, int32_t b) {
  return b == -1 ? WrapMul(a, -1) : static_cast<int32_t>(a / b);
}

} // namespace vyx

/// An integer point or size.
class VYX_BASE_API GPoint {
public:
  constexpr GPoint() = default;
  constexpr GPoint(int32_t x, int32_t y) : x(x), y(y) {}
  constexpr GPoint(const POINT &p) : x(p.x), y(p.y) {}
  constexpr GPoint(const SIZE &s) : x(s.cx), y(s.cy) {}

  void set(int32_t newX, int32_t newY) {
    x = newX;
    y = newY;
  }

  GPoint operator-() const { return {vyx::WrapMul(x, -1), vyx::WrapMul(y, -1)}; }
  GPoint operator+(const GPoint &p) const { return {vyx::WrapAdd(x, p.x), vyx::WrapAdd(y, p.y)}; }
  GPoint operator-(const GPoint &p) const {
    return {vyx::WrapAdd(x, -int64_t(p.x)), vyx::WrapAdd(y, -int64_t(p.y))};
  }
  GPoint operator+(int32_t n) const { return *this + GPoint(n, n); }
  GPoint operator-(int32_t n) const { return *this - GPoint(n, n); }
  GPoint operator*(int32_t n) const { return {vyx::WrapMul(x, n), vyx::WrapMul(y, n)}; }
  /// `n` must not be 0.
  GPoint operator/(int32_t n) const { return {vyx::WrapDiv(x, n), vyx::WrapDiv(y, n)}; }
  GPoint &operator+=(const GPoint &p) { return *this = *this + p; }
  GPoint &operator-=(const GPoint &p) { return *this = *this - p; }
  GPoint &operator+=(int32_t n) { return *this = *this + n; }
  GPoint &operator-=(int32_t n) { return *this = *this - n; }
  GPoint &operator*=(int32_t n) { return *this = *this * n; }
  GPoint &operator/=(int32_t n) { return *this = *this / n; }

  bool operator==(const GPoint &p) const { return x == p.x && y == p.y; }
  bool operator!=(const GPoint &p) const { return !(*this == p); }
  /// x first, y only when the x are equal.
  bool operator<(const GPoint &p) const { return x < p.x || (x == p.x && y < p.y); }
  bool operator<=(const GPoint &p) const { return !(p < *this); }
  bool operator>(const GPoint &p) const { return p < *this; }
  bool operator>=(const GPoint &p) const { return !(*this < p); }

  operator POINT() const { return {x, y}; }
  operator SIZE() const { return {x, y}; }

  /// Byte 0, then x and y as dwords.
  void write(opstream &os) const;
  void read(ipstream &is);
  /// The old form: x and y as unsigned 16-bit words.
  void read_old(ipstream &is);

  int32_t x = 0;
  int32_t y = 0;
};

/// An integer rectangle: origin (left, top) and size (width, height).
class VYX_BASE_API GRect {
public:
  constexpr GRect() = default;
  /// Origin (l, t), size (r - l + 1, b - t + 1); no reordering.
  GRect(int32_t l, int32_t t, int32_t r, int32_t b) { set(l, t, r, b); }
  /// The rectangle spanned by two corners in any order.
  GRect(const GPoint &a, const GPoint &b) { set(a, b); }
  GRect(const RECT &r)
      : Origin(r.left, r.top),
        Extent(vyx::WrapAdd(r.right, -int64_t(r.left)), vyx::WrapAdd(r.bottom, -int64_t(r.top))) {}

  void set(int32_t l, int32_t t, int32_t r, int32_t b);
  void set(const GPoint &a, const GPoint &b);
  operator RECT() const;

  int32_t left() const { return Origin.x; }
  int32_t top() const { return Origin.y; }
  int32_t right() const { return vyx::WrapAdd(Origin.x, int64_t(Extent.x) - 1); }
  int32_t bottom() const { return vyx::WrapAdd(Origin.y, int64_t(Extent.y) - 1); }
  int32_t width() const { return Extent.x; }
  int32_t height() const { return Extent.y; }
  int32_t a_x() const { return left(); }
  int32_t a_y() const { return top(); }
  int32_t b_x() const { return right(); }
  int32_t b_y() const { return bottom(); }
  GPoint left_top() const { return Origin; }
  GPoint left_bottom() const { return {left(), bottom()}; }
  GPoint right_top() const { return {right(), top()}; }
  GPoint right_bottom() const { return {right(), bottom()}; }
  GPoint a() const { return Origin; }
  GPoint b() const { return right_bottom(); }
  GPoint Size() const { return Extent; }
  /// (left + width / 2, top + height / 2).
  GPoint center() const;

  /// Moves the left (top) edge to v keeping the right (bottom) edge.
  void left(int32_t v);
  void top(int32_t v);
  /// Moves the right (bottom) edge to v keeping the origin.
  void right(int32_t v) { Extent.x = vyx::WrapAdd(int64_t(v) - Origin.x, 1); }
  void bottom(int32_t v) { Extent.y = vyx::WrapAdd(int64_t(v) - Origin.y, 1); }
  void left_top(const GPoint &p) {
    left(p.x);
    top(p.y);
  }
  void left_bottom(const GPoint &p) {
    left(p.x);
    bottom(p.y);
  }
  void right_top(const GPoint &p) {
    right(p.x);
    top(p.y);
  }
  void right_bottom(const GPoint &p) {
    right(p.x);
    bottom(p.y);
  }
  void width(int32_t v) { Extent.x = v; }
  void height(int32_t v) { Extent.y = v; }
  void Size(const GPoint &p) { Extent = p; }

  void move(int32_t dx, int32_t dy) { Origin += GPoint(dx, dy); }
  void move_origin(int32_t x, int32_t y) { Origin.set(x, y); }
  void move_origin(const GPoint &p) { Origin = p; }
  void move_origin_x(int32_t x) { Origin.x = x; }
  void move_origin_y(int32_t y) { Origin.y = y; }
  void move_left(int32_t v) { left(v); }
  void move_right(int32_t v) { right(v); }
  void move_top(int32_t v) { top(v); }
  void move_bottom(int32_t v) { bottom(v); }
  /// Translates so that the centre lands on p.
  void center(const GPoint &p);

  /// Size (0, 0).
  void Empty() { Extent.set(0, 0); }
  bool isEmpty() const { return Extent.x <= 0 || Extent.y <= 0; }
  /// left <= x < left + width and top <= y < top + height.
  bool contains(int32_t x, int32_t y) const;
  bool contains(const GPoint &p) const { return contains(p.x, p.y); }
  bool in(int32_t x, int32_t y) const { return contains(x, y); }
  bool in(const GPoint &p) const { return contains(p.x, p.y); }
  /// r lies within this rectangle's edges (r may be empty).
  bool contains(const GRect &r) const;

  /// left -= dx, top -= dy, width += 2 dx, height += 2 dy.
  void grow(int32_t dx, int32_t dy);
  /// The common part (may be empty).
  GRect &intersect(const GRect &r);
  GRect &operator&=(const GRect &r) { return intersect(r); }
  GRect operator&(const GRect &r) const { return GRect(*this).intersect(r); }
  /// The bounding rectangle; an empty operand does not count.
  GRect &Union(const GRect &r);
  GRect &operator|=(const GRect &r) { return Union(r); }
  GRect operator|(const GRect &r) const { return GRect(*this).Union(r); }

  GRect &operator+=(const GPoint &p) {
    Origin += p;
    return *this;
  }
  GRect &operator-=(const GPoint &p) {
    Origin -= p;
    return *this;
  }
  GRect operator+(const GPoint &p) const { return GRect(*this) += p; }
  GRect operator-(const GPoint &p) const { return GRect(*this) -= p; }
  /// Scales origin and size alike.
  GRect &operator*=(int32_t n) {
    Origin *= n;
    Extent *= n;
    return *this;
  }
  /// `n` must not be 0.
  GRect &operator/=(int32_t n) {
    Origin /= n;
    Extent /= n;
    return *this;
  }
  GRect operator*(int32_t n) const { return GRect(*this) *= n; }
  GRect operator/(int32_t n) const { return GRect(*this) /= n; }

  bool operator==(const GRect &r) const { return Origin == r.Origin && Extent == r.Extent; }
  bool operator!=(const GRect &r) const { return !(*this == r); }

  /// r1 = columns left .. left + a; r2 = the columns after them up to right.
  void split_vertically(int32_t a, GRect &r1, GRect &r2) const;
  /// The same along y.
  void split_horizontally(int32_t a, GRect &r1, GRect &r2) const;

  /// Clips the span x1 .. x2 on row y to this rectangle; false when nothing
  /// of it lies inside.
  bool clip_hline(int32_t &x1, int32_t y, int32_t &x2) const;
  /// Clips the span y1 .. y2 on column x.
  bool clip_vline(int32_t x, int32_t &y1, int32_t &y2) const;
  /// Clips the segment (x1, y1) - (x2, y2) to this rectangle (Cohen-
  /// Sutherland in integer arithmetic). The end points keep their order:
  /// (x1, y1) stays the end that started there. False when the segment
  /// misses the rectangle.
  bool clip_line(int32_t &x1, int32_t &y1, int32_t &x2, int32_t &y2) const;

  /// Byte 0, then origin and size as two GPoint records.
  void write(opstream &os) const;
  void read(ipstream &is);
  /// The old form: origin and size in the old GPoint form.
  void read_old(ipstream &is);

private:
  GPoint Origin;
  GPoint Extent;
};

/// Text forms: "x y" and "left top width height".
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const GPoint &p);
VYX_BASE_API std::ostream &operator<<(std::ostream &os, const GRect &r);

/// Stream forms (the records of write and read).
VYX_BASE_API opstream &operator<<(opstream &os, const GPoint &p);
VYX_BASE_API ipstream &operator>>(ipstream &is, GPoint &p);
VYX_BASE_API opstream &operator<<(opstream &os, const GRect &r);
VYX_BASE_API ipstream &operator>>(ipstream &is, GRect &r);

#endif // VYX_CONTAINERS_POINT_RECT_H
