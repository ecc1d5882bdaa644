// Tests of GBasicBox and GBox: emptiness and union, bounding boxes grown
// point by point, right-handed edge triples, point tests on faces and on
// sheared boxes, lines through faces, edges and vertices, frames and the
// stream forms with their version bytes and scaling.
#include "geometry/gbasic_box.h"
#include "geometry/gbox.h"

#include "math/linear/linear_test_support.h"

#include <gtest/gtest.h>

#include <numbers>
#include <sstream>

namespace {

using namespace ltest;
constexpr double Pi = std::numbers::pi;

TEST(GBasicBoxTest, EmptinessUnionAndIntersection) {
  GBasicBox inverted;
  EXPECT_TRUE(inverted.isEmpty());
  GBasicBox unit(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_FALSE(unit.isEmpty());
  EXPECT_EQ(unit, inverted | unit);
  EXPECT_EQ(unit, unit | inverted);
  GBasicBox flat(Vector3D(0, 0, 0), Vector3D(1, 1, 0));
  EXPECT_TRUE(flat.isEmpty());

  GBasicBox other(Vector3D(0.5, -1, 0.5), Vector3D(2, 0.5, 0.75));
  EXPECT_EQ(GBasicBox(Vector3D(0, -1, 0), Vector3D(2, 1, 1)), unit | other);
  EXPECT_EQ(GBasicBox(Vector3D(0.5, 0, 0.5), Vector3D(1, 0.5, 0.75)), unit & other);
  EXPECT_TRUE((unit & (unit + Vector3D(3, 0, 0))).isEmpty());

  EXPECT_TRUE(unit.contains(Vector3D(1, 1, 1)));
  EXPECT_TRUE(unit.contains(Vector3D(0, 0.5, 0)));
  EXPECT_FALSE(unit.contains(Vector3D(0, 1.0000001, 0)));
  GBasicBox e = unit;
  e.Empty();
  EXPECT_EQ(e.origin(), e.opposite());
  EXPECT_TRUE(e.isEmpty());
}

TEST(GBasicBoxTest, AddPointGrowsBoundsFromAnyStart) {
  GBasicBox b(Vector3D(1, 1, 1), Vector3D(1, 1, 1));
  b.add_point(Vector3D(0, 2, 1));
  EXPECT_EQ(GBasicBox(Vector3D(0, 1, 1), Vector3D(1, 2, 1)), b);

  // From the inverted default box, decreasing coordinates still give the
  // true bounds (the opposite corner is raised by the first point too).
  GBasicBox bounds;
  for (double v : {5.0, 3.0, 1.0})
    bounds.add_point(Vector3D(v, -v, 2 * v));
  EXPECT_EQ(GBasicBox(Vector3D(1, -5, 2), Vector3D(5, -1, 10)), bounds);
  GBasicBox single;
  single.add_point(Vector3D(7, 8, 9));
  EXPECT_EQ(single.origin(), single.opposite());
}

TEST(GBasicBoxTest, SizeCenterGrowAndScaling) {
  GBasicBox b(Vector3D(1, 2, 3), Vector3D(3, 6, 9));
  EXPECT_EQ(Vector3D(2, 4, 6), b.size());
  EXPECT_EQ(Vector3D(2, 4, 6), b.center());
  b.center(Vector3D(0, 0, 0));
  EXPECT_EQ(GBasicBox(Vector3D(-1, -2, -3), Vector3D(1, 2, 3)), b);
  b.grow(Vector3D(1, 0, -1));
  EXPECT_EQ(GBasicBox(Vector3D(-2, -2, -2), Vector3D(2, 2, 2)), b);
  b.size(Vector3D(1, 1, 1));
  EXPECT_EQ(Vector3D(-1, -1, -1), b.opposite());
  EXPECT_EQ(GBasicBox(Vector3D(-4, -4, -4), Vector3D(-2, -2, -2)), b * 2.0);
  b *= Vector3D(1, 2, 3);
  EXPECT_EQ(GBasicBox(Vector3D(-2, -4, -6), Vector3D(-1, -2, -3)), b);
  EXPECT_EQ(GBasicBox(Vector3D(-1, -2, -3), Vector3D(-0.5, -1, -1.5)), b / 2.0);
}

TEST(GBasicBoxTest, StreamAndTextForms) {
  GBasicBox b(Vector3D(1, 2, 3), Vector3D(4, 5, 6));
  Bytes bytes = Written([&](opstream &os) { os << b; });
  ASSERT_EQ(1u + 2 * 28, bytes.size());
  EXPECT_EQ(0, bytes[0]);
  {
    InputScale scale(2);
    GBasicBox read;
    EXPECT_EQ(0, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
    EXPECT_EQ(b * 2.0, read);
  }
  GBasicBox untouched;
  bytes.resize(30);
  EXPECT_ANY_THROW(ReadFrom(bytes, [&](ipstream &is) { is >> untouched; }));
  EXPECT_EQ(GBasicBox(), untouched);
  std::ostringstream text;
  text << GBasicBox(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_EQ("Min=      0.000      0.000      0.000  Max=      1.000      1.000      1.000 ",
            text.str());
}

TEST(GBoxTest, SetAllKeepsTheTripleRightHanded) {
  GBox box(Vector3D(), Vector3D(1, 0, 0), Vector3D(0, 1, 0), Vector3D(0, 0, -1));
  EXPECT_EQ(Vector3D(0, 0, 1), box.getZ());
  EXPECT_EQ(Vector3D(0, 0, -1), box.getOrigin());
  EXPECT_TRUE(box.contains(Vector3D(0.5, 0.5, -0.5)));
  EXPECT_FALSE(box.contains(Vector3D(0.5, 0.5, 0.5)));

  GBox fromBasic(GBasicBox(Vector3D(1, 2, 3), Vector3D(2, 4, 6)));
  EXPECT_EQ(Vector3D(1, 2, 3), fromBasic.getOrigin());
  EXPECT_EQ(Vector3D(0, 2, 0), fromBasic.getY());
  EXPECT_EQ(Vector3D(0, 0, 3), fromBasic.getZ());
  EXPECT_EQ(GBasicBox(Vector3D(1, 2, 3), Vector3D(2, 4, 6)), fromBasic.bounds());
  EXPECT_EQ(Vector3D(1.5, 3, 4.5), fromBasic.getCenter());
  fromBasic.setCenter(Vector3D());
  EXPECT_EQ(Vector3D(-0.5, -1, -1.5), fromBasic.getOrigin());
}

TEST(GBoxTest, VerticesEdgesAndLocalVertices) {
  GBox box(Vector3D(1, 1, 1), Vector3D(2, 0, 0), Vector3D(0, 3, 0), Vector3D(0, 0, 4));
  EXPECT_EQ(Vector3D(1, 1, 1), box.get_vertex(GBox::V0));
  EXPECT_EQ(Vector3D(3, 4, 1), box.get_vertex(GBox::V2));
  EXPECT_EQ(Vector3D(1, 4, 5), box.get_vertex(GBox::V7));
  EXPECT_EQ(Vector3D(2, 3, 4), box.get_local_vertex(GBox::V6));
  EXPECT_EQ(Vector3D(0, 3, 0), box.get_local_vertex(GBox::V3));
  Vector3D a, b;
  box.edge(10, a, b);
  EXPECT_EQ(box.get_vertex(GBox::V2), a);
  EXPECT_EQ(box.get_vertex(GBox::V6), b);
  Vector3D keepA(9, 9, 9), keepB = keepA;
  box.edge(12, keepA, keepB);
  box.edge(-1, keepA, keepB);
  EXPECT_EQ(Vector3D(9, 9, 9), keepA);
  EXPECT_EQ(Vector3D(9, 9, 9), keepB);
  // Every edge joins vertices that differ by exactly one edge vector.
  for (int i = 0; i < 12; ++i) {
    box.edge(i, a, b);
    Vector3D d = b - a;
    EXPECT_TRUE(d == box.getX() || d == box.getY() || d == box.getZ()) << i;
  }
}

TEST(GBoxTest, ContainsOnFacesAndInShearedBoxes) {
  GBox unit;
  EXPECT_TRUE(unit.contains(Vector3D(1, 1, 1)));
  EXPECT_TRUE(unit.contains(Vector3D(0, 0, 0)));
  EXPECT_FALSE(unit.contains(Vector3D(1, 1, 1.000001)));
  EXPECT_FALSE(unit.contains(Vector3D(-1e-9, 0.5, 0.5)));
  // A parallelepiped leaning along x: (0.1, 0.5, 0.9) is outside it,
  // although it lies between the planes orthogonal to each edge through the
  // origin and through vertex 6.
  GBox sheared(Vector3D(), Vector3D(1, 0, 0), Vector3D(0, 1, 0), Vector3D(1, 0, 1));
  EXPECT_TRUE(sheared.contains(Vector3D(1.8, 0.5, 0.9)));
  EXPECT_FALSE(sheared.contains(Vector3D(0.1, 0.5, 0.9)));
  EXPECT_TRUE(sheared.contains(sheared.get_vertex(GBox::V6)));
  EXPECT_TRUE(sheared.contains(sheared.getCenter()));
}

TEST(GBoxTest, RayIntersections) {
  GBox unit;
  double t1 = 0, t2 = 0;
  ASSERT_TRUE(unit.intersect(Vector3D(0.5, 0.5, -1), Vector3D(0, 0, 1), t1, t2));
  EXPECT_EQ(1.0, t1);
  EXPECT_EQ(2.0, t2);
  Vector3D first, second;
  EXPECT_EQ(2, unit.intersect(Vector3D(0.5, 0.5, -1), Vector3D(0, 0, 1), first, second));
  EXPECT_EQ(Vector3D(0.5, 0.5, 0), first);
  EXPECT_EQ(Vector3D(0.5, 0.5, 1), second);
  EXPECT_EQ(1, unit.intersect(Vector3D(0.5, 0.5, 0.5), Vector3D(0, 0, 1), first, second));
  EXPECT_EQ(Vector3D(0.5, 0.5, 1), first);
  EXPECT_EQ(0, unit.intersect(Vector3D(0.5, 0.5, 2), Vector3D(1, 0, 0), first, second));
  // Behind the start.
  EXPECT_EQ(0, unit.intersect(Vector3D(0.5, 0.5, 3), Vector3D(0, 0, 1), first, second));

  // A line entering through an edge meets two faces there; the exit through
  // the opposite edge is still found.
  ASSERT_TRUE(unit.intersect(Vector3D(-1, 0.5, -1), Vector3D(1, 0, 1), t1, t2));
  EXPECT_EQ(1.0, t1);
  EXPECT_EQ(2.0, t2);
  // The space diagonal through two vertices.
  ASSERT_TRUE(unit.intersect(Vector3D(-1, -1, -1), Vector3D(1, 1, 1), t1, t2));
  EXPECT_EQ(1.0, t1);
  EXPECT_EQ(2.0, t2);

  Vector3D hits[2] = {Vector3D(7, 7, 7), Vector3D(7, 7, 7)};
  EXPECT_TRUE(unit.intersect_through(Vector3D(0.5, 0.5, 0.5), Vector3D(0.5, 0.5, 0.6), hits));
  EXPECT_EQ(Vector3D(0.5, 0.5, 1), hits[0]);
  EXPECT_EQ(Vector3D(), hits[1]);
  Vector3D hit;
  // Points are not limited to the segment.
  EXPECT_TRUE(unit.intersect(Vector3D(0.5, 0.5, -2), Vector3D(0.5, 0.5, -1.5), &hit));
  EXPECT_EQ(Vector3D(0.5, 0.5, 0), hit);
  EXPECT_FALSE(unit.intersect(Vector3D(5, 5, 5), Vector3D(6, 5, 5), &hit));
}

TEST(GBoxTest, FramesModifyAndLocalIntersections) {
  GBox box(Vector3D(1, 2, 3), Vector3D(0, 2, 0), Vector3D(-1, 0, 0), Vector3D(0, 0, 3));
  Matrix3D toWorld = box.to_model_matrix();
  ExpectNear(box.get_vertex(GBox::V6), toWorld * box.get_local_vertex(GBox::V6));
  ExpectNear(Vector3D(), box.to_local_matrix() * box.getOrigin());
  GBox other;
  ExpectNear(box.get_vertex(GBox::V5), box.to_box_matrix(other) * box.get_local_vertex(GBox::V5));

  // Local ray along the box's own x axis, through its middle.
  Vector3D hits[2];
  ASSERT_TRUE(
      box.intersect_in_localCS_through(Vector3D(-1, 0.5, 1.5), Vector3D(0, 0.5, 1.5), hits));
  ExpectNear(Vector3D(0, 0.5, 1.5), hits[0]);
  ExpectNear(Vector3D(2, 0.5, 1.5), hits[1]);

  GBox moved;
  moved.modify(Matrix3D::shift(Vector3D(1, 0, 0)) * Matrix3D::scale(2, 1, 1));
  EXPECT_EQ(Vector3D(1, 0, 0), moved.getOrigin());
  EXPECT_EQ(Vector3D(2, 0, 0), moved.getX());
  GBox turned;
  turned.rotate(Vector3D::gEz, Pi / 2);
  ExpectNear(Vector3D(0, 1, 0), turned.getX());
  ExpectNear(Vector3D(-1, 0, 0), turned.getY());
  // About the local z axis through the far corner of the bottom face.
  GBox local;
  local.rotate_in_localCS(Vector3D(1, 1, 0), Vector3D(0, 0, 1), Pi);
  ExpectNear(Vector3D(2, 2, 0), local.getOrigin());
  GBox grown;
  grown.grow(Vector3D(1, 2, 3));
  EXPECT_EQ(Vector3D(), grown.getOrigin());
  EXPECT_EQ(Vector3D(0, 0, 4), grown.getZ());
}

TEST(GBoxTest, StreamFormAndVersions) {
  GBox box(Vector3D(1, 2, 3), Vector3D(1, 0, 0), Vector3D(0, 2, 0), Vector3D(0, 0, 3));
  Bytes bytes = Written([&](opstream &os) { os << box; });
  ASSERT_EQ(1u + 4 * 28, bytes.size());
  EXPECT_EQ(2, bytes[0]);
  GBox read;
  EXPECT_EQ(0, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
  EXPECT_EQ(box, read);
  // Version 1 has one more byte, which is consumed.
  bytes[0] = 1;
  bytes.push_back(0xAB);
  bytes.push_back(0xCD);
  EXPECT_EQ(1, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
  EXPECT_EQ(box, read);
  {
    InputScale scale(0.5);
    ReadFrom(bytes, [&](ipstream &is) { is >> read; });
    EXPECT_EQ(Vector3D(0.5, 1, 1.5), read.getOrigin());
    EXPECT_EQ(Vector3D(0, 0, 1.5), read.getZ());
  }
}

} // namespace
