//===- math_polygons.cpp - Point in polygon, flattening, ear clipping -----===//
//
// Polygon input is untrusted geometry: any coordinates (NaN and infinities
// included) and any vertex count give an answer in bounded time.
//
// Ear clipping takes, at every step, the first ear in the order of the
// remaining vertices, counted from the first one (from the second one in the
// very first step). The answer depends only on that rule, so the clipper
// may remember what it learnt about each vertex: a vertex that is no ear
// because of its turn, or because some other vertex lies in or on its
// triangle, stays no ear until one of its neighbours changes or that other
// vertex is clipped. Only vertices whose answer may have changed are tested
// again, and the containment test only looks at vertices within the
// triangle's range of y. Together they keep the cost near n log n for the
// polygons met in practice, where testing every vertex against every
// triangle at every step would cost up to n^3.
//
//===----------------------------------------------------------------------===//
#include "numerics/math_utilities.h"

#include "linear/matrix3d.h"
#include "object_model/exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace {

/// A vertex as the containment test sees it: in single precision.
struct FPoint {
  float x, y;
};

FPoint ToFloat(const Vector2D &v) { return {static_cast<float>(v.x), static_cast<float>(v.y)}; }

enum class EdgeResult { None, Crossing, OnEdge };

/// Classifies the edge (a, b) against the ray from q towards +x.
EdgeResult ClassifyEdge(FPoint a, FPoint b, FPoint q) {
  FPoint lo = a, up = b;
  if (b.y < a.y)
    std::swap(lo, up);
  bool atLo = q.y == lo.y, atUp = q.y == up.y;
  if (!atLo && !atUp) {
    if (!(lo.y < q.y && q.y < up.y))
      return EdgeResult::None;
    float k = (q.y - lo.y) * (up.x - lo.x) - (q.x - lo.x) * (up.y - lo.y);
    if (k == 0.0f)
      return EdgeResult::OnEdge;
    return k > 0.0f ? EdgeResult::Crossing : EdgeResult::None;
  }
  if (atUp && !atLo) {
    if (up.x == q.x)
      return EdgeResult::OnEdge;
    return up.x > q.x ? EdgeResult::Crossing : EdgeResult::None;
  }
  if (atLo && !atUp)
    return lo.x == q.x ? EdgeResult::OnEdge : EdgeResult::None;
  // A horizontal edge at q's height.
  return std::min(lo.x, up.x) <= q.x && q.x <= std::max(lo.x, up.x) ? EdgeResult::OnEdge
                                                                    : EdgeResult::None;
}

/// The crossing-number test of Math::PolygonContainsPoint. Edges run from
/// vertex i to vertex i - 1, i from the last vertex down to the first.
template <class VertexAt> bool ContainsPoint(long n, VertexAt vertex, FPoint q) {
  bool inside = false;
  for (long i = n - 1; i >= 0; --i) {
    switch (ClassifyEdge(vertex(i), vertex(i == 0 ? n - 1 : i - 1), q)) {
    case EdgeResult::OnEdge:
      return true;
    case EdgeResult::Crossing:
      inside = !inside;
      break;
    case EdgeResult::None:
      break;
    }
  }
  return inside;
}

bool TriangleContains(FPoint a, FPoint b, FPoint c, FPoint q) {
  const FPoint corners[] = {a, b, c};
  return ContainsPoint(
      3, [&corners](long i) { return corners[i]; }, q);
}

/// The turn of prev, cur, next: positive counter-clockwise.
double Turn(const Vector2D &prev, const Vector2D &cur, const Vector2D &next) {
  return (cur.x - prev.x) * (next.y - prev.y) - (next.x - prev.x) * (cur.y - prev.y);
}

/// Twice the signed area of the polygon (shoelace formula).
double SignedArea2(const TGVector<Vector2D> &p) {
  double sum = 0.0;
  for (long i = 0, n = p.getCount(); i < n; ++i) {
    const Vector2D &a = p[i], &b = p[(i + 1) % n];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}

/// The orientation of the polygon, +1 counter-clockwise, -1 clockwise,
/// from the turn at its vertex of largest x (the last of equal ones). A
/// vertex of largest x is always convex, but its turn is 0 when it lies on
/// a straight run (or repeats a neighbour); the signed area decides then,
/// since a 0 taken for +1 would make a clockwise polygon clip its reflex
/// vertices, outside the polygon.
int Orientation(const TGVector<Vector2D> &p) {
  long n = p.getCount();
  long m = n - 1;
  for (long i = n - 2; i >= 0; --i)
    if (p[i].x > p[m].x)
      m = i;
  double k = Turn(p[m == 0 ? n - 1 : m - 1], p[m], p[m == n - 1 ? 0 : m + 1]);
  if (k == 0.0)
    k = SignedArea2(p);
  return k < 0.0 ? -1 : 1;
}

/// The ear clipper of one polygon; see the file comment.
class EarClipper {
public:
  explicit EarClipper(const TGVector<Vector2D> &polygon);
  bool run(TGVector<long> &triangles);

private:
  static constexpr long NoEarByTurn = -1;
  static constexpr long Unknown = -2;

  bool isEar(long v);
  /// A remaining vertex other than p, v, q in or on their triangle, or -1.
  long findBlocker(long p, long v, long q) const;
  void clip(long v);
  void markDirty(long v) {
    Reason[v] = Unknown;
    Dirty.insert(v);
  }
  void compactByY();

  const TGVector<Vector2D> &P;
  long N;
  int Orient;
  std::vector<FPoint> F;
  std::vector<long> Prev, Next;
  std::vector<unsigned char> Removed;
  /// Why a vertex is no ear: NoEarByTurn, the blocking vertex, or Unknown.
  std::vector<long> Reason;
  /// The vertices each vertex blocks (some may since have been re-tested).
  std::vector<std::vector<long>> Blocks;
  /// Remaining vertices whose answer is not known, in vertex order.
  std::set<long> Dirty;
  /// Vertices with a y that is not NaN, by y (a NaN y is in no triangle).
  std::vector<std::pair<float, long>> ByY;
  long RemovedInByY = 0;
  long Remaining;
};

EarClipper::EarClipper(const TGVector<Vector2D> &polygon)
    : P(polygon), N(polygon.getCount()), Orient(Orientation(polygon)), F(static_cast<size_t>(N)),
      Prev(static_cast<size_t>(N)), Next(static_cast<size_t>(N)),
      Removed(static_cast<size_t>(N), 0), Reason(static_cast<size_t>(N), Unknown),
      Blocks(static_cast<size_t>(N)), Remaining(N) {
  for (long i = 0; i < N; ++i) {
    F[i] = ToFloat(P[i]);
    Prev[i] = i == 0 ? N - 1 : i - 1;
    Next[i] = i == N - 1 ? 0 : i + 1;
    Dirty.insert(Dirty.end(), i);
    if (!std::isnan(F[i].y))
      ByY.emplace_back(F[i].y, i);
  }
  std::sort(ByY.begin(), ByY.end());
}

bool EarClipper::isEar(long v) {
  long p = Prev[v], q = Next[v];
  if (!(Orient * Turn(P[p], P[v], P[q]) > 0.0)) {
    Reason[v] = NoEarByTurn;
    return false;
  }
  long blocker = findBlocker(p, v, q);
  if (blocker < 0)
    return true;
  Reason[v] = blocker;
  Blocks[blocker].push_back(v);
  return false;
}

long EarClipper::findBlocker(long p, long v, long q) const {
  FPoint a = F[p], b = F[v], c = F[q];
  // Every way into the triangle needs a y equal to a corner's or between
  // two corners' (NaN corners take part in no such comparison).
  float lo = INFINITY, hi = -INFINITY;
  for (float y : {a.y, b.y, c.y})
    if (!std::isnan(y)) {
      lo = std::min(lo, y);
      hi = std::max(hi, y);
    }
  if (lo > hi)
    return -1;
  auto first = std::lower_bound(ByY.begin(), ByY.end(), std::make_pair(lo, long(-1)));
  for (auto it = first; it != ByY.end() && it->first <= hi; ++it) {
    long w = it->second;
    if (Removed[w] || w == p || w == v || w == q)
      continue;
    if (TriangleContains(a, b, c, F[w]))
      return w;
  }
  return -1;
}

void EarClipper::clip(long v) {
  long p = Prev[v], q = Next[v];
  Next[p] = q;
  Prev[q] = p;
  Removed[v] = 1;
  Dirty.erase(v);
  --Remaining;
  markDirty(p);
  markDirty(q);
  for (long w : Blocks[v])
    if (!Removed[w] && Reason[w] == v)
      markDirty(w);
  std::vector<long>().swap(Blocks[v]);
  if (++RemovedInByY > static_cast<long>(ByY.size()) / 2)
    compactByY();
}

void EarClipper::compactByY() {
  std::erase_if(ByY, [this](const std::pair<float, long> &e) { return Removed[e.second] != 0; });
  RemovedInByY = 0;
}

bool EarClipper::run(TGVector<long> &triangles) {
  long start = 1; // the first scan begins at the second vertex
  while (Remaining >= 3) {
    long ear = -1;
    for (auto it = Dirty.lower_bound(start); it != Dirty.end();) {
      long v = *it;
      if (isEar(v)) {
        ear = v;
        break;
      }
      it = Dirty.erase(it);
    }
    if (ear < 0)
      return false;
    triangles.insert(Prev[ear]);
    triangles.insert(ear);
    triangles.insert(Next[ear]);
    clip(ear);
    start = 0;
  }
  return true;
}

} // namespace

bool Math::PolygonContainsPoint(const Vector2D *poly, int n, const Vector2D &q) {
  if (!poly || n < 1)
    return false;
  return ContainsPoint(
      n, [poly](long i) { return ToFloat(poly[i]); }, ToFloat(q));
}

bool Math::Make2DPolygon(const TGVector<Vector3D> &points, TGVector<Vector2D> &out) {
  long n = points.getCount();
  for (long a = 0; a < n; ++a) {
    const Vector3D &prev = points[a == 0 ? n - 1 : a - 1];
    const Vector3D &next = points[a == n - 1 ? 0 : a + 1];
    Vector3D side = points[a] - prev;
    Vector3D X = side.normalized();
    Vector3D Z = (side * (next - prev)).normalized();
    TGVector<Vector2D> flat(n, out.getDelta());
    try {
      Matrix3D toPlane = Matrix3D::hmtr(X, Z, points[a]).inversed();
      for (long i = 0; i < n; ++i) {
        Vector3D v = toPlane * points[i];
        flat.insert(Vector2D(v.x, v.y));
      }
    } catch (const GException &) {
      continue; // this vertex spans no plane; try the next one
    }
    out.swap(flat);
    return true;
  }
  return false;
}

bool Math::TriangulatePolygon(const TGVector<Vector2D> &polygon, TGVector<long> &triangles) {
  if (polygon.getCount() < 3)
    return true;
  EarClipper clipper(polygon);
  return clipper.run(triangles);
}

bool Math::TriangulatePolygon(const TGVector<Vector3D> &polygon, TGVector<long> &triangles) {
  TGVector<Vector2D> flat;
  return Make2DPolygon(polygon, flat) && TriangulatePolygon(flat, triangles);
}
