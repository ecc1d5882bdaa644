//===- ear_clipping_reference.h - Plain ear clipping for comparison -*- C++ -*-===//
//
// The ear clipping of Math::TriangulatePolygon written as plainly as it is
// described: copies of the vertices and their indices, a scan for the first
// ear that tests every other remaining vertex against every candidate
// triangle, removal, and a new scan from the start. Tests, the fuzz target
// and the benchmark compare the library's clipper with it.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TESTS_EAR_CLIPPING_REFERENCE_H
#define VYX_TESTS_EAR_CLIPPING_REFERENCE_H

#include "numerics/math_utilities.h"

#include <vector>

namespace reference {

inline double Turn(const Vector2D &p, const Vector2D &c, const Vector2D &n) {
  return (c.x - p.x) * (n.y - p.y) - (n.x - p.x) * (c.y - p.y);
}

inline bool Triangulate(const TGVector<Vector2D> &polygon, std::vector<long> &triangles) {
  std::vector<Vector2D> pts(polygon.begin(), polygon.end());
  std::vector<long> idx;
  for (long i = 0; i < polygon.getCount(); ++i)
    idx.push_back(i);
  if (pts.size() < 3)
    return true;
  long n = static_cast<long>(pts.size());
  long m = n - 1;
  for (long i = n - 2; i >= 0; --i)
    if (pts[i].x > pts[m].x)
      m = i;
  double k = Turn(pts[m == 0 ? n - 1 : m - 1], pts[m], pts[m == n - 1 ? 0 : m + 1]);
  if (k == 0.0) { // a straight run at the largest x: the signed area decides
    for (long i = 0; i < n; ++i)
      k += pts[i].x * pts[(i + 1) % n].y - pts[(i + 1) % n].x * pts[i].y;
  }
  int orientation = k < 0.0 ? -1 : 1;
  long start = 1;
  while (pts.size() >= 3) {
    long count = static_cast<long>(pts.size());
    long ear = -1;
    for (long c = start; c < count && ear < 0; ++c) {
      long p = c == 0 ? count - 1 : c - 1, q = c == count - 1 ? 0 : c + 1;
      if (!(orientation * Turn(pts[p], pts[c], pts[q]) > 0.0))
        continue;
      Vector2D tri[] = {pts[p], pts[c], pts[q]};
      bool empty = true;
      for (long w = 0; w < count && empty; ++w)
        if (w != p && w != c && w != q && Math::PolygonContainsPoint(tri, 3, pts[w]))
          empty = false;
      if (empty)
        ear = c;
    }
    if (ear < 0)
      return false;
    long p = ear == 0 ? count - 1 : ear - 1, q = ear == count - 1 ? 0 : ear + 1;
    triangles.insert(triangles.end(), {idx[p], idx[ear], idx[q]});
    pts.erase(pts.begin() + ear);
    idx.erase(idx.begin() + ear);
    start = 0;
  }
  return true;
}

} // namespace reference

#endif // VYX_TESTS_EAR_CLIPPING_REFERENCE_H
