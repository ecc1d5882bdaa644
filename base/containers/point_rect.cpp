//===- point_rect.cpp - Integer points and rectangles ---------------------===//
#include "containers/point_rect.h"

#include <algorithm>
#include <ostream>

using vyx::WrapAdd;

namespace {

/// The size that spans the inclusive edges a .. b.
int32_t spanOf(int64_t a, int64_t b) { return WrapAdd(b - a, 1); }

} // namespace

void GRect::set(int32_t l, int32_t t, int32_t r, int32_t b) {
  Origin.set(l, t);
  Extent.set(spanOf(l, r), spanOf(t, b));
}

void GRect::set(const GPoint &a, const GPoint &b) {
  Origin.set(std::min(a.x, b.x), std::min(a.y, b.y));
  Extent.set(spanOf(Origin.x, std::max(a.x, b.x)), spanOf(Origin.y, std::max(a.y, b.y)));
}

GRect::operator RECT() const {
  return {left(), top(), WrapAdd(Origin.x, Extent.x), WrapAdd(Origin.y, Extent.y)};
}

GPoint GRect::center() const {
  return {WrapAdd(Origin.x, Extent.x / 2), WrapAdd(Origin.y, Extent.y / 2)};
}

void GRect::left(int32_t v) {
  int64_t r = int64_t(Origin.x) + Extent.x - 1;
  Origin.x = v;
  Extent.x = spanOf(v, r);
}

void GRect::top(int32_t v) {
  int64_t b = int64_t(Origin.y) + Extent.y - 1;
  Origin.y = v;
  Extent.y = spanOf(v, b);
}

void GRect::center(const GPoint &p) {
  Origin.set(WrapAdd(p.x, -int64_t(Extent.x / 2)), WrapAdd(p.y, -int64_t(Extent.y / 2)));
}

bool GRect::contains(int32_t x, int32_t y) const {
  return Origin.x <= x && x < int64_t(Origin.x) + Extent.x && Origin.y <= y &&
         y < int64_t(Origin.y) + Extent.y;
}

bool GRect::contains(const GRect &r) const {
  return r.Origin.x >= Origin.x && r.Origin.y >= Origin.y &&
         int64_t(r.Origin.x) + r.Extent.x <= int64_t(Origin.x) + Extent.x &&
         int64_t(r.Origin.y) + r.Extent.y <= int64_t(Origin.y) + Extent.y;
}

void GRect::grow(int32_t dx, int32_t dy) {
  Origin -= GPoint(dx, dy);
  Extent.set(WrapAdd(Extent.x, 2 * int64_t(dx)), WrapAdd(Extent.y, 2 * int64_t(dy)));
}

namespace {

/// Combines the edges of two rectangles: `inner` keeps the larger origin and
/// the smaller far edge (intersection), otherwise the bounding rectangle.
template <bool Inner> void combineEdges(GPoint &origin, GPoint &extent, const GRect &r) {
  auto pick = [](int64_t a, int64_t b) { return Inner ? std::max(a, b) : std::min(a, b); };
  auto pickFar = [](int64_t a, int64_t b) { return Inner ? std::min(a, b) : std::max(a, b); };
  int64_t l = pick(origin.x, r.left()), t = pick(origin.y, r.top());
  int64_t rr = pickFar(int64_t(origin.x) + extent.x, int64_t(r.left()) + r.width()) - 1;
  int64_t b = pickFar(int64_t(origin.y) + extent.y, int64_t(r.top()) + r.height()) - 1;
  origin.set(static_cast<int32_t>(l), static_cast<int32_t>(t));
  extent.set(spanOf(l, rr), spanOf(t, b));
}

} // namespace

GRect &GRect::intersect(const GRect &r) {
  combineEdges<true>(Origin, Extent, r);
  return *this;
}

GRect &GRect::Union(const GRect &r) {
  if (isEmpty())
    return *this = r;
  if (!r.isEmpty())
    combineEdges<false>(Origin, Extent, r);
  return *this;
}

void GRect::split_vertically(int32_t a, GRect &r1, GRect &r2) const {
  r1 = *this;
  r1.width(WrapAdd(a, 1));
  r2 = *this;
  r2.left(WrapAdd(Origin.x, int64_t(a) + 1));
}

void GRect::split_horizontally(int32_t a, GRect &r1, GRect &r2) const {
  r1 = *this;
  r1.height(WrapAdd(a, 1));
  r2 = *this;
  r2.top(WrapAdd(Origin.y, int64_t(a) + 1));
}

namespace {

/// Clips the span lo .. hi at `at` to the inclusive range first .. last
/// when `at` lies within atFirst .. atLast.
bool clipSpan(int64_t at, int64_t atFirst, int64_t atLast, int32_t &lo, int32_t &hi, int64_t first,
              int64_t last) {
  if (at < atFirst || at > atLast || hi < first || lo > last)
    return false;
  lo = static_cast<int32_t>(std::max<int64_t>(lo, first));
  hi = static_cast<int32_t>(std::min<int64_t>(hi, last));
  return true;
}

} // namespace

bool GRect::clip_hline(int32_t &x1, int32_t y, int32_t &x2) const {
  return clipSpan(y, Origin.y, int64_t(Origin.y) + Extent.y - 1, x1, x2, Origin.x,
                  int64_t(Origin.x) + Extent.x - 1);
}

bool GRect::clip_vline(int32_t x, int32_t &y1, int32_t &y2) const {
  return clipSpan(x, Origin.x, int64_t(Origin.x) + Extent.x - 1, y1, y2, Origin.y,
                  int64_t(Origin.y) + Extent.y - 1);
}

bool GRect::clip_line(int32_t &x1, int32_t &y1, int32_t &x2, int32_t &y2) const {
  enum : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
  const int64_t l = Origin.x, t = Origin.y;
  const int64_t r = l + Extent.x - 1, b = t + Extent.y - 1;
  auto outcode = [&](int64_t x, int64_t y) {
    return (x < l ? kLeft : 0u) | (y < t ? kTop : 0u) | (x > r ? kRight : 0u) |
           (y > b ? kBottom : 0u);
  };
  // Coordinates in 64 bits; an edge may lie up to 2^32 away from a point,
  // so the products of two differences are taken in 128 bits.
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  unsigned codeA = outcode(ax, ay), codeB = outcode(bx, by);
  bool exchanged = false;
  bool inside;
  for (;;) {
    if ((codeA | codeB) == 0) {
      inside = true;
      break;
    }
    if (codeA & codeB) {
      inside = false;
      break;
    }
    if (codeA == 0) {
      std::swap(ax, bx);
      std::swap(ay, by);
      std::swap(codeA, codeB);
      exchanged = !exchanged;
    }
    unsigned bit = codeA & (~codeA + 1);
    if (bit == kLeft || bit == kRight) {
      int64_t edge = bit == kLeft ? l : r;
      ay += static_cast<int64_t>(static_cast<__int128>(by - ay) * (edge - ax) / (bx - ax));
      ax = edge;
    } else {
      int64_t edge = bit == kTop ? t : b;
      ax += static_cast<int64_t>(static_cast<__int128>(edge - ay) * (bx - ax) / (by - ay));
      ay = edge;
    }
    codeA = outcode(ax, ay);
  }
  if (exchanged) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  // Clipped points lie between the original ones, so they fit in 32 bits.
  x1 = static_cast<int32_t>(ax);
  y1 = static_cast<int32_t>(ay);
  x2 = static_cast<int32_t>(bx);
  y2 = static_cast<int32_t>(by);
  return inside;
}

std::ostream &operator<<(std::ostream &os, const GPoint &p) { return os << p.x << ' ' << p.y; }

std::ostream &operator<<(std::ostream &os, const GRect &r) {
  return os << r.left_top() << ' ' << r.Size();
}
