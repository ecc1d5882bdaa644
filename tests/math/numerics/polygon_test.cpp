// Tests of point-in-polygon, polygon flattening and ear clipping. Random
// polygons are triangulated by the library and by the plain clipper of
// ear_clipping_reference.h, which must agree triangle for triangle, and
// each triangulation of a simple polygon must cover it exactly.
#include "linear/matrix3d.h"
#include "math/numerics/ear_clipping_reference.h"
#include "numerics/math_utilities.h"
#include "numerics/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

TGVector<Vector2D> Polygon(std::initializer_list<Vector2D> vertices) {
  TGVector<Vector2D> p;
  for (const Vector2D &v : vertices)
    p.insert(v);
  return p;
}

bool Contains(const TGVector<Vector2D> &p, double x, double y) {
  return Math::PolygonContainsPoint(p.data(), static_cast<int>(p.getCount()), Vector2D(x, y));
}

std::vector<long> Triangles(const TGVector<long> &t) {
  return std::vector<long>(t.begin(), t.end());
}

TEST(PolygonContainsPointTest, CountsEdgesAndVerticesAsInside) {
  TGVector<Vector2D> square = Polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  EXPECT_TRUE(Contains(square, 0.5, 0.5));
  EXPECT_TRUE(Contains(square, 1, 0.5)); // on an edge
  EXPECT_TRUE(Contains(square, 0.5, 1)); // on the horizontal top edge
  EXPECT_TRUE(Contains(square, 0, 0));   // on a vertex
  EXPECT_TRUE(Contains(square, 1, 1));
  EXPECT_FALSE(Contains(square, 1.5, 0.5));
  EXPECT_FALSE(Contains(square, -0.5, 1)); // left of the top edge, at its height
  EXPECT_FALSE(Contains(square, 0.5, 1.5));
  EXPECT_FALSE(Contains(square, -1, 0)); // the ray runs along the bottom edge
  EXPECT_FALSE(Math::PolygonContainsPoint(square.data(), 0, Vector2D(0.5, 0.5)));
  EXPECT_FALSE(Math::PolygonContainsPoint(nullptr, 4, Vector2D(0.5, 0.5)));

  // Rays through vertices: a peak touches (even), a side vertex crosses.
  TGVector<Vector2D> arrow = Polygon({{0, 0}, {4, 0}, {2, 2}, {4, 4}, {0, 4}, {1, 2}});
  EXPECT_TRUE(Contains(arrow, 1.5, 2));  // ray meets (2, 2), a reflex vertex pointing left
  EXPECT_FALSE(Contains(arrow, 0.5, 2)); // left of (1, 2), outside
  EXPECT_TRUE(Contains(arrow, 3, 0.5));
  EXPECT_FALSE(Contains(arrow, 3, 2));
  TGVector<Vector2D> diamond = Polygon({{0, -1}, {1, 0}, {0, 1}, {-1, 0}});
  EXPECT_TRUE(Contains(diamond, -0.5, 0));
  EXPECT_FALSE(Contains(diamond, -2, 1)); // ray touches the top vertex only
  EXPECT_FALSE(Contains(diamond, -2, -1));
  // Single precision: a point 1e-9 outside an edge at 1 counts as on it.
  EXPECT_TRUE(Contains(square, 1 + 1e-9, 0.5));
}

TEST(Make2DPolygonTest, KeepsDistancesInThePlane) {
  TGVector<Vector3D> p;
  for (Vector3D v : {Vector3D(1, 1, 5), Vector3D(4, 1, 5), Vector3D(4, 3, 5), Vector3D(2, 5, 5)})
    p.insert(v);
  // A tilted copy too.
  TGVector<Vector3D> tilted;
  Matrix3D r = Matrix3D::rot(Vector3D(1, 2, 3), 0.7);
  for (const Vector3D &v : p)
    tilted.insert(r * v);
  for (const TGVector<Vector3D> *poly : {&p, &tilted}) {
    TGVector<Vector2D> flat;
    flat.insert(Vector2D(9, 9)); // replaced, not appended to
    ASSERT_TRUE(Math::Make2DPolygon(*poly, flat));
    ASSERT_EQ(4, flat.getCount());
    for (long i = 0; i < 4; ++i)
      for (long j = 0; j < 4; ++j)
        EXPECT_NEAR(((*poly)[i] - (*poly)[j]).length(), Vector2D::norm(flat[i] - flat[j]), 1e-12);
  }
  // The first vertex repeats the last: the frame is taken at the next one.
  TGVector<Vector3D> repeated = p;
  repeated.insert(p[0]);
  TGVector<Vector2D> flat;
  EXPECT_TRUE(Math::Make2DPolygon(repeated, flat));
  EXPECT_EQ(5, flat.getCount());

  TGVector<Vector3D> line;
  for (double t : {0.0, 1.0, 2.5})
    line.insert(Vector3D(t, 2 * t, 3 * t));
  TGVector<Vector2D> untouched = Polygon({{7, 7}});
  EXPECT_FALSE(Math::Make2DPolygon(line, untouched));
  EXPECT_EQ(1, untouched.getCount());
  TGVector<long> t;
  EXPECT_FALSE(Math::TriangulatePolygon(line, t));
  EXPECT_FALSE(Math::Make2DPolygon(TGVector<Vector3D>(), untouched));
}

TEST(TriangulatePolygonTest, SmallCases) {
  TGVector<long> t;
  EXPECT_TRUE(Math::TriangulatePolygon(Polygon({{0, 0}, {1, 0}, {0, 1}}), t));
  EXPECT_EQ((std::vector<long>{0, 1, 2}), Triangles(t)); // the first scan starts at vertex 1
  t.remove_all();
  EXPECT_TRUE(Math::TriangulatePolygon(Polygon({{0, 0}, {2, 0}, {3, 2}, {0, 1}}), t));
  EXPECT_EQ((std::vector<long>{0, 1, 2, 3, 0, 2}), Triangles(t)); // (prev, ear, next)
  t.remove_all();
  EXPECT_FALSE(Math::TriangulatePolygon(Polygon({{0, 0}, {1, 1}, {2, 2}, {3, 3}}), t));
  EXPECT_EQ(0, t.getCount());
  EXPECT_TRUE(Math::TriangulatePolygon(Polygon({{0, 0}, {1, 1}}), t));
  EXPECT_EQ(0, t.getCount());

  // A clockwise polygon whose vertex of largest x (the last of three on the
  // right edge) makes no turn: the orientation comes from the area, so the
  // notch at (1, 1) is not clipped as an ear outside the polygon.
  TGVector<Vector2D> cw = Polygon({{4, 0}, {0, 0}, {1, 1}, {0, 2}, {4, 2}, {4, 1}});
  t.remove_all();
  ASSERT_TRUE(Math::TriangulatePolygon(cw, t));
  ASSERT_EQ(12, t.getCount());
  for (long i = 0; i < t.getCount(); i += 3) {
    const Vector2D &a = cw[t[i]], &b = cw[t[i + 1]], &c = cw[t[i + 2]];
    EXPECT_LT(reference::Turn(a, b, c), 0.0) << "triangle " << i / 3 << " turns the wrong way";
  }
}

/// A simple polygon: n vertices at sorted random angles around the origin,
/// each at a random radius in [inner, 1]; reversed for clockwise.
TGVector<Vector2D> StarPolygon(long n, double inner, long seed, bool clockwise) {
  RangeRandom u(seed, 0.0, 1.0);
  std::vector<double> angles;
  for (long i = 0; i < n; ++i)
    angles.push_back(2 * std::numbers::pi * (i + 0.8 * u.get_next()) / n);
  TGVector<Vector2D> p;
  for (long i = 0; i < n; ++i) {
    double a = angles[clockwise ? n - 1 - i : i], r = inner + (1 - inner) * u.get_next();
    p.insert(Vector2D(r * std::cos(a), r * std::sin(a)));
  }
  return p;
}

/// Twice the signed area of triangle (a, b, c).
double Area2(const Vector2D &a, const Vector2D &b, const Vector2D &c) {
  return reference::Turn(a, b, c);
}

/// Checks that the triangles cover the simple polygon exactly, without
/// overlap: every triangle turns like the polygon, the areas add up to the
/// polygon's, and sample points strictly inside the polygon lie in exactly
/// one triangle, those outside in none.
void ExpectExactCover(const TGVector<Vector2D> &p, const std::vector<long> &t) {
  long n = p.getCount();
  ASSERT_EQ(3 * (n - 2), static_cast<long>(t.size()));
  double area = 0.0;
  for (long i = 0; i < n; ++i)
    area += p[i].x * p[(i + 1) % n].y - p[(i + 1) % n].x * p[i].y;
  double sum = 0.0;
  for (size_t i = 0; i < t.size(); i += 3) {
    ASSERT_TRUE(t[i] != t[i + 1] && t[i + 1] != t[i + 2] && t[i] != t[i + 2]);
    double a = Area2(p[t[i]], p[t[i + 1]], p[t[i + 2]]);
    ASSERT_GT(a * area, 0.0) << "triangle " << i / 3;
    sum += a;
  }
  EXPECT_NEAR(area, sum, 1e-9 * std::fabs(area));
  RangeRandom u(4711, -1.1, 1.1);
  for (int k = 0; k < 400; ++k) {
    Vector2D q(u.get_next(), u.get_next());
    int hits = 0;
    bool nearEdge = false;
    for (size_t i = 0; i < t.size(); i += 3) {
      const Vector2D &a = p[t[i]], &b = p[t[i + 1]], &c = p[t[i + 2]];
      double s = area > 0 ? 1 : -1;
      double d0 = s * Area2(a, b, q), d1 = s * Area2(b, c, q), d2 = s * Area2(c, a, q);
      double m = std::min({d0, d1, d2});
      if (std::fabs(m) < 1e-6)
        nearEdge = true;
      hits += m > 0;
    }
    if (!nearEdge) {
      EXPECT_EQ(Contains(p, q.x, q.y) ? 1 : 0, hits) << q.x << " " << q.y;
    }
  }
}

TEST(TriangulatePolygonTest, CoversRandomSimplePolygonsAsThePlainClipperDoes) {
  long seed = 1;
  for (long n : {5L, 12L, 40L, 150L}) {
    for (double inner : {0.9, 0.3, 0.05}) {
      for (bool clockwise : {false, true}) {
        SCOPED_TRACE(testing::Message() << "n " << n << " inner " << inner << " cw " << clockwise);
        TGVector<Vector2D> p = StarPolygon(n, inner, ++seed, clockwise);
        TGVector<long> t;
        std::vector<long> expected;
        ASSERT_TRUE(Math::TriangulatePolygon(p, t));
        ASSERT_TRUE(reference::Triangulate(p, expected));
        ASSERT_EQ(expected, Triangles(t));
        ExpectExactCover(p, expected);
      }
    }
  }
}

TEST(TriangulatePolygonTest, AgreesWithThePlainClipperOnArbitraryPolygons) {
  // Random vertices on a coarse grid: self-intersections, repeated points,
  // straight runs, failures part way through.
  RangeRandom u(77, 0.0, 6.0);
  int failures = 0;
  for (int round = 0; round < 300; ++round) {
    TGVector<Vector2D> p;
    long n = 3 + round % 14;
    for (long i = 0; i < n; ++i)
      p.insert(Vector2D(std::floor(u.get_next()), std::floor(u.get_next())));
    TGVector<long> t;
    std::vector<long> expected;
    bool ok = Math::TriangulatePolygon(p, t);
    ASSERT_EQ(reference::Triangulate(p, expected), ok) << round;
    ASSERT_EQ(expected, Triangles(t)) << round;
    failures += !ok;
  }
  EXPECT_GT(failures, 0);
  EXPECT_LT(failures, 300);
}

TEST(TriangulatePolygonTest, TriangulatesAPolygonInSpace) {
  TGVector<Vector3D> p;
  Matrix3D m = Matrix3D::rot(Vector3D(1, 1, 0), 1.0) * Matrix3D::shift(Vector3D(0, 0, 3));
  for (const Vector2D &v : StarPolygon(30, 0.4, 3, false))
    p.insert(m * Vector3D(v.x, v.y, 0));
  TGVector<long> t;
  ASSERT_TRUE(Math::TriangulatePolygon(p, t));
  EXPECT_EQ(3 * 28, t.getCount());
}

} // namespace
