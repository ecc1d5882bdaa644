// Tests of GClippingHalfSpace, GClippingVolume and the clipping of polygons
// and point sets: segments that touch, cross, lie in or miss the planes,
// distances and spheres, transforms, polygon order, degenerate polygons,
// and the exact stored bytes of volumes.
#include "geometry/gbasic_box.h"
#include "geometry/gbox.h"
#include "geometry/gclipping_half_space.h"
#include "geometry/gclipping_volume.h"
#include "geometry/gpolygon_for_3d_clipping.h"
#include "geometry/vertex8d_collection.h"
#include "linear/math_exceptions.h"
#include "linear/matrix3d.h"

#include "math/linear/linear_test_support.h"
#include "support/base_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <vector>

namespace {

using namespace ltest;

std::vector<Vector3D> Positions(const GPolygonFor3DClipping &p) {
  std::vector<Vector3D> out;
  for (long i = 0; i < p.getCount(); ++i)
    out.push_back(p.position(i));
  return out;
}

TEST(GClippingHalfSpaceTest, ConstructionNormalisesAndRejectsZeroNormals) {
  vyx::test::RegisterBaseMessages();
  GClippingHalfSpace h(Vector3D(0, 0, 5), Vector3D(0, 0, 2));
  EXPECT_EQ(Vector3D(0, 0, 1), h.getNormal());
  EXPECT_EQ(5.0, h.getD());
  std::ostringstream text;
  text << h;
  EXPECT_EQ("normal=      0.000      0.000      1.000  d=-5.000", text.str());
  try {
    GClippingHalfSpace(0, 0, 0, 1);
    FAIL();
  } catch (const NormalToPlaneHasZeroLength_Exception &e) {
    EXPECT_STREQ("Normal to plane has zero length", e.getMessage().c_str());
  }
  EXPECT_THROW(GClippingHalfSpace(Vector3D(1, 2, 3), Vector3D()),
               NormalToPlaneHasZeroLength_Exception);
  // 2x - 4 >= 0, that is x >= 2.
  GClippingHalfSpace plane(2, 0, 0, -4);
  EXPECT_EQ(Vector3D(1, 0, 0), plane.getNormal());
  EXPECT_EQ(2.0, plane.getD());
  EXPECT_EQ(Vector3D(2, 0, 0), plane.get_point());
  // Normals far below and above the length tolerance still become unit.
  GClippingHalfSpace tiny(Vector3D(0, 3, 0), Vector3D(0, 1e-200, 0));
  EXPECT_EQ(Vector3D(0, 1, 0), tiny.getNormal());
  EXPECT_EQ(3.0, tiny.getD());
  GClippingHalfSpace huge(Vector3D(0, 0, 0), Vector3D(1e300, 1e300, 0));
  EXPECT_NEAR(1.0, huge.getNormal().length(), 1e-15);
}

TEST(GClippingHalfSpaceTest, SegmentClipping) {
  GClippingHalfSpace above(Vector3D(0, 0, 5), Vector3D(0, 0, 1));
  GClippingHalfSpace below(-0.0f, 0.0f, -1.0f, 5.0f); // z <= 5
  Vector3D a(0, 0, 0), b(0, 0, 10);
  double t = -1;
  EXPECT_EQ(GClippedStart, above.clip_segment(a, b, t));
  EXPECT_EQ(0.5, t);
  EXPECT_EQ(Vector3D(0, 0, 5), a);
  a = Vector3D(0, 0, 0);
  b = Vector3D(0, 0, 10);
  EXPECT_EQ(GClippedEnd, below.clip_segment(a, b, t));
  EXPECT_EQ(Vector3D(0, 0, 5), b);

  // In the plane: inside, unchanged.
  a = Vector3D(0, 0, 5);
  b = Vector3D(3, 1, 5);
  EXPECT_EQ(GClippedInside, above.clip_segment(a, b, t));
  EXPECT_EQ(Vector3D(3, 1, 5), b);
  // Touching the plane at its start and leaving: collapses to that point.
  a = Vector3D(0, 0, 5);
  b = Vector3D(0, 0, 0);
  EXPECT_EQ(GClippedEnd, above.clip_segment(a, b, t));
  EXPECT_EQ(Vector3D(0, 0, 5), b);
  // Touching at the end, coming from outside.
  a = Vector3D(0, 0, 0);
  b = Vector3D(0, 0, 5);
  EXPECT_EQ(GClippedStart, above.clip_segment(a, b, t));
  EXPECT_EQ(Vector3D(0, 0, 5), a);
  // Wholly outside, parallel outside, wholly inside.
  a = Vector3D(0, 0, 1);
  b = Vector3D(0, 0, 2);
  EXPECT_EQ(GClippedOut, above.clip_segment(a, b, t));
  a = Vector3D(0, 0, 1);
  b = Vector3D(5, 0, 1);
  EXPECT_FALSE(above.clip_segment(a, b));
  a = Vector3D(0, 0, 6);
  b = Vector3D(0, 0, 9);
  EXPECT_EQ(GClippedInside, above.clip_segment(a, b, t));

  EXPECT_EQ(GSphereOutside, above.check_sphere(Vector3D(0, 0, 3), 1.5));
  EXPECT_EQ(GSphereCrossing, above.check_sphere(Vector3D(0, 0, 3), 2));
  EXPECT_EQ(GSphereInside, above.check_sphere(Vector3D(0, 0, 7), 2));
  EXPECT_TRUE(above.intersects(
      GBox(Vector3D(0, 0, 4), Vector3D(1, 0, 0), Vector3D(0, 1, 0), Vector3D(0, 0, 1))));
  EXPECT_FALSE(above.intersects(GBox()));
}

TEST(GClippingHalfSpaceTest, TransformsMoveTheHalfSpaceWithThePoints) {
  GClippingHalfSpace h(Vector3D(1, 0, 0), Vector3D(1, 0, 0)); // x >= 1
  Matrix3D m =
      Matrix3D::shift(Vector3D(2, 3, 4)) * Matrix3D::rot(Vector3D::gEz, std::numbers::pi / 2);
  GClippingHalfSpace moved = h;
  moved.modify(m);
  for (const Vector3D &p : {Vector3D(1.5, 0, 0), Vector3D(0.5, 7, -2), Vector3D(1.01, -3, 2)})
    EXPECT_EQ(h.contains(p), moved.contains(m * p)) << p.x;
  EXPECT_NEAR(1.0, moved.getNormal().length(), 1e-15);
  GClippingHalfSpace back = moved;
  back.inv_modify(m);
  EXPECT_NEAR(h.getD(), back.getD(), 1e-12);
  ExpectNear(h.getNormal(), back.getNormal());
  // A non-uniform scale keeps the unit normal.
  GClippingHalfSpace slanted(Vector3D(0, 0, 0), Vector3D(1, 1, 0));
  slanted.modify(Matrix3D::scale(4, 1, 1));
  EXPECT_NEAR(1.0, slanted.getNormal().length(), 1e-15);
  EXPECT_TRUE(slanted.contains(Vector3D(4, -0.9, 0)));
  EXPECT_FALSE(slanted.contains(Vector3D(4, -1.1, 0)));
}

TEST(GClippingVolumeTest, VolumesFromBoxes) {
  GClippingVolume v;
  EXPECT_TRUE(v.contains(Vector3D(1e30, 0, 0)));
  EXPECT_EQ(3.4028234663852886e38, v.distance(Vector3D()));
  v &= GBasicBox(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  ASSERT_EQ(6, v.getCount());
  EXPECT_TRUE(v.contains(Vector3D(0.5, 0.5, 0.5)));
  EXPECT_TRUE(v.contains(Vector3D(1, 1, 1)));
  EXPECT_FALSE(v.contains(Vector3D(1.5, 0.5, 0.5)));
  EXPECT_EQ(0.5, v.distance(Vector3D(0.5, 0.5, 0.5)));
  EXPECT_EQ(-0.5, v.distance(Vector3D(1.5, 0.5, 0.5)));
  // The largest negative distance, not the most negative one.
  EXPECT_EQ(-1.0, v.distance(Vector3D(2, 3, 0.5)));
  EXPECT_EQ(GSphereCrossing, v.check_sphere(Vector3D(1.5, 0.5, 0.5), 0.6));
  EXPECT_EQ(GSphereOutside, v.check_sphere(Vector3D(1.5, 0.5, 0.5), 0.4));
  EXPECT_EQ(GSphereInside, v.check_sphere(Vector3D(0.5, 0.5, 0.5), 0.5));

  // A sheared box: its volume agrees with its point test.
  GBox sheared(Vector3D(), Vector3D(1, 0, 0), Vector3D(0, 1, 0), Vector3D(1, 0, 1));
  GClippingVolume s;
  s &= sheared;
  for (const Vector3D &p : {Vector3D(1.8, 0.5, 0.9), Vector3D(0.1, 0.5, 0.9),
                            Vector3D(0.5, 0.5, 0.1), Vector3D(2.1, 0.5, 1)})
    EXPECT_EQ(sheared.contains(p), s.contains(p)) << p.x;

  GClippingVolume copy = v;
  copy.remove(0);
  copy.remove(99);
  copy.remove(-1);
  EXPECT_EQ(5, copy.getCount());
  EXPECT_EQ(6, v.getCount());
  copy = v;
  copy &= copy;
  EXPECT_EQ(12, copy.getCount());
  copy.occupy_all();
  EXPECT_EQ(0, copy.getCount());
  copy.add(nullptr);
  EXPECT_EQ(0, copy.getCount());
}

TEST(GClippingVolumeTest, SegmentParametersOnTheOriginalSegment) {
  GClippingVolume v;
  v &= GBasicBox(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  Vector3D a(-1, 0.5, 0.5), b(3, 0.5, 0.5);
  double ts = -1, te = -1;
  EXPECT_EQ(GClippedBoth, v.clip_segment(a, b, ts, te));
  EXPECT_EQ(Vector3D(0, 0.5, 0.5), a);
  EXPECT_EQ(Vector3D(1, 0.5, 0.5), b);
  // Both parameters refer to the original segment from (-1) to (3).
  EXPECT_EQ(0.25, ts);
  EXPECT_EQ(0.5, te);
  EXPECT_EQ(GClippedInside,
            v.calculate_intersection(Vector3D(0.2, 0.2, 0.2), Vector3D(0.8, 0.8, 0.8), ts, te));
  EXPECT_EQ(0.0, ts);
  EXPECT_EQ(1.0, te);
  EXPECT_EQ(GClippedOut, v.calculate_intersection(Vector3D(2, 2, 2), Vector3D(3, 2, 2), ts, te));
  Vector3D c(0.5, 0.5, -1), d(0.5, 0.5, 0.5);
  EXPECT_EQ(GClippedStart, v.clip_segment(c, d, ts, te));
  EXPECT_EQ(Vector3D(0.5, 0.5, 0), c);
  EXPECT_TRUE(v.clip_segment(c, d));
  Vector3D e(5, 5, 5), f(6, 6, 6);
  EXPECT_FALSE(v.clip_segment(e, f));
}

TEST(GClippingVolumeTest, StoredBytesAndScaling) {
  GClippingVolume v;
  v.add_halfspace(Vector3D(0, 0, 2), Vector3D(0, 0, 1));
  Bytes bytes = Written([&](opstream &os) { os.writeStreamable(v); });
  // Record: "{", name, then byte 0, count 1, limit 4, delta 4, owns 1, and
  // the half-space: byte 0, marked normal, d.
  Bytes expected = {0x7B, 15, 0};
  for (char c : std::string("GClippingVolume"))
    expected.push_back(static_cast<unsigned char>(c));
  Bytes body = {0, 1, 0, 4, 0, 4, 0, 1, 0};
  expected.insert(expected.end(), body.begin(), body.end());
  Append<uint32_t>(expected, 0x7F810000u);
  Append(expected, 0.0);
  Append(expected, 0.0);
  Append(expected, 1.0);
  Append(expected, 2.0);
  expected.push_back(0x5D);
  EXPECT_EQ(expected, bytes);

  // Read with an input scale of 3: d is a length, the normal is not.
  InputScale scale(3);
  GClippingVolume read;
  ReadFrom(bytes, [&](ipstream &is) { is.readStreamable(read); });
  ASSERT_EQ(1, read.getCount());
  EXPECT_EQ(Vector3D(0, 0, 1), read.halfspace(0).getNormal());
  EXPECT_EQ(6.0, read.halfspace(0).getD());
  EXPECT_TRUE(read.contains(Vector3D(0, 0, 6)));
  EXPECT_FALSE(read.contains(Vector3D(0, 0, 5.9)));
  std::ostringstream text;
  text << v;
  EXPECT_EQ("Planes=1\nplane[0] : normal=      0.000      0.000      1.000  d=-2.000\n",
            text.str());
}

TEST(GClippingVolumeTest, DamagedStreamsAreRefused) {
  GClippingVolume v;
  v.add_halfspace(Vector3D(0, 0, 2), Vector3D(0, 0, 1));
  v.add_halfspace(Vector3D(0, 0, 2), Vector3D(0, 1, 0));
  Bytes bytes = Written([&](opstream &os) { os << v.getCount(), v.write(os); });
  bytes.erase(bytes.begin(), bytes.begin() + 4);
  // A zero normal in the second half-space.
  Bytes zero = bytes;
  size_t second = zero.size() - 32;
  for (size_t i = 0; i < 24; ++i)
    zero[second + i] = 0;
  GClippingVolume read;
  EXPECT_ANY_THROW(ReadFrom(zero, [&](ipstream &is) { read.read(is); }));
  // A hostile count: the read ends with the data, allocating nothing ahead.
  Bytes hostile = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 4, 0, 4, 0};
  EXPECT_ANY_THROW(ReadFrom(hostile, [&](ipstream &is) { read.read(is); }));
  // Stored as not owning: the volume owns what it read all the same.
  Bytes notOwning = bytes;
  notOwning[7] = 0;
  ReadFrom(notOwning, [&](ipstream &is) { read.read(is); });
  EXPECT_EQ(1, read.ownsItems());
  EXPECT_EQ(2, read.getCount());
}

TEST(GPolygonClippingTest, FaceClippedAsPolygon) {
  GBox unit;
  GPolygonFor3DClipping face;
  face.put_box_face(unit, 0);
  GClippingHalfSpace h(Vector3D(0.5, 0, 0), Vector3D(1, 0, 0));
  EXPECT_EQ(4, face.clipByHalfSpaceAsPolygon(h));
  std::vector<Vector3D> expected = {Vector3D(0.5, 0, 0), Vector3D(1, 0, 0), Vector3D(1, 1, 0),
                                    Vector3D(0.5, 1, 0)};
  EXPECT_EQ(expected, Positions(face));

  // A plane through a vertex: that vertex stays, no duplicate is made.
  GPolygonFor3DClipping tri;
  tri.put_box_vertex(unit, GBox::V0);
  tri.put_box_vertex(unit, GBox::V1);
  tri.put_box_vertex(unit, GBox::V3);
  EXPECT_EQ(3, tri.clipByHalfSpaceAsPolygon(GClippingHalfSpace(Vector3D(), Vector3D(1, 0, 0))));
  // A plane containing an edge: the edge counts as inside.
  EXPECT_EQ(3, tri.clipByHalfSpaceAsPolygon(GClippingHalfSpace(Vector3D(), Vector3D(0, 1, 0))));
  // A plane cutting off one corner adds one vertex.
  EXPECT_EQ(
      4, tri.clipByHalfSpaceAsPolygon(GClippingHalfSpace(Vector3D(0.5, 0, 0), Vector3D(-1, 0, 0))));
  // All outside.
  EXPECT_EQ(0,
            tri.clipByHalfSpaceAsPolygon(GClippingHalfSpace(Vector3D(0, 0, 1), Vector3D(0, 0, 1))));
  EXPECT_EQ(0, tri.getCount());
  EXPECT_EQ(0, tri.clipByHalfSpaceAsPolygon(h));
}

TEST(GPolygonClippingTest, SortOrdersAroundTheMassCenter) {
  // A square given in a crossed order is sorted round before clipping.
  GPolygonFor3DClipping square;
  for (const Vector3D &p :
       {Vector3D(0, 0, 0), Vector3D(1, 0, 0), Vector3D(0, 1, 0), Vector3D(1, 1, 0)})
    square.insert(new Vector3D(p));
  square.sort();
  EXPECT_EQ(Vector3D(0.5, 0.5, 0), square.getMassCenter());
  std::vector<Vector3D> expected = {Vector3D(0, 0, 0), Vector3D(1, 0, 0), Vector3D(1, 1, 0),
                                    Vector3D(0, 1, 0)};
  EXPECT_EQ(expected, Positions(square));
  EXPECT_EQ(0.0f, square.angleAt(0));
  EXPECT_FLOAT_EQ(static_cast<float>(std::numbers::pi / 2), square.angleAt(1));
  EXPECT_FLOAT_EQ(static_cast<float>(std::numbers::pi), square.angleAt(2));
  EXPECT_FLOAT_EQ(static_cast<float>(3 * std::numbers::pi / 2), square.angleAt(3));

  // A regular polygon of 40 vertices (beyond the stack scratch) shuffled:
  // clipping as 2D sorts it first and halves it.
  GPolygonFor3DClipping many;
  const int n = 40;
  for (int k = 0; k < n; ++k) {
    int i = (k * 7) % n;
    double a = 2 * std::numbers::pi * i / n;
    many.insert(new Vector3D(std::cos(a), std::sin(a), 0));
  }
  int kept = many.clipByHalfSpaceAs2D(GClippingHalfSpace(Vector3D(), Vector3D(0, 1, 0)));
  // The 21 vertices with y >= 0 and the two crossings (each lies at a vertex
  // on the plane: Sutherland-Hodgman repeats such vertices).
  EXPECT_EQ(n / 2 + 3, kept);
  for (long i = 0; i < many.getCount(); ++i)
    EXPECT_GE(many.position(i).y, -1e-15);
  // Degenerate: all vertices at one point; nothing breaks.
  GPolygonFor3DClipping point;
  for (int k = 0; k < 5; ++k)
    point.insert(new Vector3D(1, 1, 1));
  point.sort();
  EXPECT_EQ(5, point.getCount());
}

TEST(GPolygonClippingTest, PointSetsAndVolumes) {
  GBox unit;
  Vertex8DCollection cube(unit);
  EXPECT_FALSE(cube.isPolygon());
  EXPECT_EQ(20, cube.clipByHalfSpace(GClippingHalfSpace(Vector3D(0, 0, 0.5), Vector3D(0, 0, 1))));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(unit.get_vertex(GBox::Vertex(i + 4)), cube.position(i));
  for (long i = 4; i < 20; ++i)
    EXPECT_EQ(0.5, cube.position(i).z);
  // Interpolation carries the second and 2D vectors along.
  Vector3D pos[2] = {Vector3D(0, 0, 0), Vector3D(2, 0, 0)};
  Vector3D vec[2] = {Vector3D(1, 0, 0), Vector3D(0, 1, 0)};
  Vector2D uv[2] = {Vector2D(0, 0), Vector2D(1, 2)};
  Vertex8DCollection seg(pos, vec, uv, 2, 0);
  seg.clipByHalfSpace(GClippingHalfSpace(Vector3D(0.5, 0, 0), Vector3D(1, 0, 0)));
  ASSERT_EQ(2, seg.getCount());
  EXPECT_EQ(Vertex8D(Vector3D(2, 0, 0), Vector3D(0, 1, 0), Vector2D(1, 2)), seg.vertex(0));
  EXPECT_EQ(Vertex8D(Vector3D(0.5, 0, 0), Vector3D(0.75, 0.25, 0), Vector2D(0.25, 0.5)),
            seg.vertex(1));
  Vertex8D center = seg.massCenter();
  EXPECT_EQ(Vector3D(1.25, 0, 0), center.Position);
  EXPECT_EQ(Vector2D(0.625, 1.25), center.Vector2);
  EXPECT_EQ(Vertex8D(), Vertex8DCollection().massCenter());

  // A face polygon clipped by a volume in both orders of the half-spaces.
  GClippingVolume v;
  v &= GBasicBox(Vector3D(0.25, 0.25, -1), Vector3D(0.75, 2, 1));
  Vertex8DCollection face(unit, 0);
  EXPECT_EQ(4, face.clipByVolume(v));
  Vertex8DCollection face2(unit, 0);
  EXPECT_EQ(4, face2.clipByVolumeAsPolygon(v));
  for (long i = 0; i < 4; ++i) {
    EXPECT_TRUE(v.contains(face2.position(i)));
    EXPECT_TRUE(v.contains(face.position(i)));
  }
  GClippingVolume away;
  away &= GBasicBox(Vector3D(5, 5, 5), Vector3D(6, 6, 6));
  Vertex8DCollection face3(unit, 1);
  EXPECT_EQ(0, face3.clipByVolume(away));
  GPolygonFor3DClipping all;
  all.put_box(unit);
  EXPECT_EQ(8, all.getCount());
  EXPECT_EQ(Vector3D(0.5, 0.5, 0.5), all.massCenter());
}

TEST(GPolygonClippingTest, PointSetsStayBoundedThroughManyPlanes) {
  // Each plane cuts the set about in half; keeping every crossing would
  // multiply the points from plane to plane (millions after five planes).
  GClippingVolume v;
  for (Vector3D n : {Vector3D(1, 0.2, 0.1), Vector3D(-0.3, 1, 0.2), Vector3D(0.2, -0.4, 1),
                     Vector3D(1, 1, -1), Vector3D(-1, 0.5, 0.7)})
    v.add_halfspace(n * -0.05, n);
  GPolygonFor3DClipping points(8, 8, 1, 0);
  points.put_box(
      GBox(Vector3D(-1, -1, -1), Vector3D(2, 0, 0), Vector3D(0, 2, 0), Vector3D(0, 0, 2)));
  long count = points.clipByVolume(v);
  EXPECT_LT(count, 64);
  bool corner = false;
  for (long i = 0; i < count; ++i) {
    EXPECT_GT(v.distance(points.position(i)), -1e-12);
    corner |= points.position(i) == Vector3D(1, 1, 1);
  }
  EXPECT_TRUE(corner); // a corner inside every plane is kept
}

} // namespace
