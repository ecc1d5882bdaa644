// Tests of Vector2D and Vector3D: the length tolerance, angles, frames,
// polar coordinates and the stream forms with their scaling.
#include "linear/vector2d.h"
#include "linear/vector3d.h"

#include "linear_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

namespace {

using namespace ltest;
constexpr double Pi = std::numbers::pi;

TEST(Vector3DTest, LengthToleranceAndNormalisation) {
  Vector3D tiny(1e-13, 0, 0);
  EXPECT_EQ(0.0, tiny.length());
  EXPECT_EQ(1e-26, tiny.sqlength());
  tiny.normalize();
  EXPECT_EQ(Vector3D(), tiny);
  EXPECT_EQ(1e-13, Vector2D::norm(Vector2D(1e-13, 0)));
  EXPECT_EQ(Vector2D(), Vector2D::uni(Vector2D(1e-13, 0)));

  EXPECT_EQ(Vector3D(0.6, 0.8, 0), Vector3D(3, 4, 0).normalized());
  EXPECT_EQ(Vector2D(0.6, 0.8), Vector2D::uni(Vector2D(3, 4)));
  EXPECT_EQ(Vector3D(0, 0, -1), Vector3D::uni(Vector3D(0, 0, -7)));
}

TEST(Vector3DTest, GrowLengthensAlongItself) {
  Vector3D v(3, 4, 0);
  v.grow(2);
  EXPECT_DOUBLE_EQ(4.2, v.x);
  EXPECT_DOUBLE_EQ(5.6, v.y);
  Vector3D zero;
  zero.grow(5);
  EXPECT_EQ(Vector3D(), zero);
  Vector2D w(0, -2);
  w.grow(1);
  EXPECT_EQ(Vector2D(0, -3), w);
}

TEST(Vector3DTest, ArithmeticAndCrossProduct) {
  Vector3D a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(Vector3D(5, 7, 9), a + b);
  EXPECT_EQ(Vector3D(-3, -3, -3), a - b);
  EXPECT_EQ(32.0, (a, b));
  EXPECT_EQ(32.0, a & b);
  EXPECT_EQ(Vector3D(-3, 6, -3), a * b);
  EXPECT_EQ(Vector3D::Ez(), Vector3D::Ex() * Vector3D::Ey());
  EXPECT_EQ(Vector3D(2, 4, 6), 2.0 * a);
  a /= 2.0;
  EXPECT_EQ(Vector3D(0.5, 1, 1.5), a);
  Vector2D p(1, 2);
  (p += Vector2D(1, 1)) *= 3.0;
  EXPECT_EQ(Vector2D(6, 9), p);
  EXPECT_TRUE(Vector2D(1, 2) != Vector2D(1, 3));
}

TEST(Vector3DTest, AngleIsClampedAndZeroForZeroVectors) {
  EXPECT_EQ(0.0, Vector3D(1, 2, 3) ^ Vector3D());
  EXPECT_EQ(Pi, Vector3D(1, 0, 0) ^ Vector3D(-1, 0, 0));
  EXPECT_DOUBLE_EQ(Pi / 2, Vector3D(0, 3, 0) ^ Vector3D(0, 0, 2));
  EXPECT_EQ(Pi, Vector2D(2, 0) ^ Vector2D(-1, 0));
  EXPECT_EQ(0.0, Vector2D(1, 1) ^ Vector2D());
  // Rounding may put the cosine of parallel vectors just above 1: still 0.
  for (const Vector3D &v : {Vector3D(0.1, 0.2, 0.3), Vector3D(1e10, 3, -7), Vector3D(1, 1, 1)}) {
    EXPECT_EQ(0.0, v ^ v);
    EXPECT_EQ(Pi, v ^ -v);
  }
}

TEST(Vector3DTest, OrthogonalizeBuildsRightHandedFrames) {
  const Vector3D dir(0, 0, 1);
  Vector3D a(3, 0, 0), b(1, 1, 5);
  ASSERT_TRUE(dir.orthogonalize(a, b));
  ExpectNear(Vector3D(3 / std::sqrt(2.0), -3 / std::sqrt(2.0), 0), a);
  ExpectNear(Vector3D(std::sqrt(27.0 / 2), std::sqrt(27.0 / 2), 0), b);
  EXPECT_NEAR(0.0, (a, b), 1e-12);
  EXPECT_GT(((a * b), dir), 0.0);

  // A zero `a` fails without touching anything.
  Vector3D zeroA, keepB(1, 0, 0);
  EXPECT_TRUE(Vector3D::Ort(dir, &zeroA, &keepB));
  EXPECT_EQ(Vector3D(1, 0, 0), keepB);
  // `b` parallel to dir: failure, with `a` overwritten by the zero vector.
  Vector3D a2(1, 2, 3), b2(0, 0, 4);
  EXPECT_TRUE(Vector3D::Ort(dir, &a2, &b2));
  EXPECT_EQ(Vector3D(), a2);
  EXPECT_TRUE(Vector3D::Ort(dir, nullptr, &b2));
}

TEST(Vector3DTest, OrthogonalizeZFallsBackToTheSmallestAxis) {
  Vector3D v(2, 0, 7);
  ASSERT_FALSE(Vector3D::OrtZ(Vector3D(0, 0, 1), &v));
  ExpectNear(Vector3D(std::sqrt(53.0), 0, 0), v); // its orthogonal part at its own length
  // A hint parallel to the direction is replaced by the axis along the
  // direction's smallest component.
  Vector3D parallel(0, 0, 5);
  ASSERT_FALSE(Vector3D::OrtZ(Vector3D(0, 0, 1), &parallel));
  EXPECT_EQ(Vector3D(1, 0, 0), parallel);
  Vector3D hint(1, 0, 0);
  EXPECT_TRUE(Vector3D::OrtZ(Vector3D(), &hint));
}

TEST(Vector3DTest, PolarCoordinates) {
  auto expectRphi = [](Vector2D v, double r, double phi) {
    Vector2D p = Vector2D::rphi(v);
    EXPECT_DOUBLE_EQ(r, p.x);
    EXPECT_DOUBLE_EQ(phi, p.y) << v.x << "," << v.y;
  };
  expectRphi(Vector2D(0, -1), 1, 3 * Pi / 2);
  expectRphi(Vector2D(0, 1), 1, Pi / 2);
  expectRphi(Vector2D(-1, 0), 1, Pi);
  expectRphi(Vector2D(1, 0), 1, 0);
  expectRphi(Vector2D(1, 1), std::sqrt(2.0), Pi / 4);
  expectRphi(Vector2D(1, -1), std::sqrt(2.0), 7 * Pi / 4);
  expectRphi(Vector2D(-1, 1), std::sqrt(2.0), 3 * Pi / 4);
  expectRphi(Vector2D(-1, -1), std::sqrt(2.0), 5 * Pi / 4);
  EXPECT_EQ(Vector2D(0, 0), Vector2D::rphi(Vector2D()));
  EXPECT_EQ(Vector2D(1e-13, 0), Vector2D::rphi(Vector2D(0, 1e-13)));

  // The x test comes first, and y = 0 is not greater than 0.
  Vector3D p = Vector3D(0, 0, 2).polar();
  EXPECT_EQ(2.0, p.x);
  EXPECT_DOUBLE_EQ(3 * Pi / 2, p.y);
  EXPECT_EQ(0.0, p.z);
  EXPECT_EQ(Pi, Vector3D(0, 0, -3).polar().z);
  ExpectNear(Vector3D(2, Pi / 2, Pi / 2), Vector3D::rphitheta(Vector3D(0, 2, 0)));
  EXPECT_EQ(Vector3D(), Vector3D(1e-13, 0, 0).polar());
}

// Streams --------------------------------------------------------------------------

TEST(VectorStreamTest, ExactBytesAndRoundTrips) {
  Bytes expected{0x00, 0x00, 0x81, 0x7F};
  Append(expected, 1.5);
  Append(expected, -2.0);
  Append(expected, 1e300);
  EXPECT_EQ(expected, Written([](opstream &os) { os << Vector3D(1.5, -2.0, 1e300); }));
  Bytes expected2{0x00, 0x00, 0x81, 0x7F};
  Append(expected2, 0.25);
  Append(expected2, 8.0);
  EXPECT_EQ(expected2, Written([](opstream &os) { os << Vector2D(0.25, 8.0); }));

  Vector3D v;
  EXPECT_EQ(0, ReadFrom(expected, [&](ipstream &is) { is >> v; }));
  EXPECT_EQ(Vector3D(1.5, -2.0, 1e300), v);

  // Byte-reversed storage reverses every value, marker included.
  Bytes big = Written([](opstream &os) { os << Vector3D(1, 2, 3); }, pstream::BigEndian);
  EXPECT_EQ((Bytes{0x7F, 0x81, 0x00, 0x00, 0x3F, 0xF0}), Bytes(big.begin(), big.begin() + 6));
  ReadFrom(
      big, [&](ipstream &is) { is >> v; }, pstream::BigEndian);
  EXPECT_EQ(Vector3D(1, 2, 3), v);
}

TEST(VectorStreamTest, OldSinglePrecisionForm) {
  Bytes old;
  for (float f : {1.5f, -2.25f, 0.1f, 99.0f})
    Append(old, f);
  Vector3D v;
  EXPECT_EQ(4, ReadFrom(old, [&](ipstream &is) { is >> v; }));
  EXPECT_EQ(Vector3D(1.5, -2.25, double(0.1f)), v);
  Vector2D w;
  EXPECT_EQ(8, ReadFrom(old, [&](ipstream &is) { is >> w; }));
  EXPECT_EQ(Vector2D(1.5, -2.25), w);
}

TEST(VectorStreamTest, OnlyVector3DIsScaledOnRead) {
  Bytes b3 = Written([](opstream &os) { os << Vector3D(1, -2, 3); });
  Bytes b2 = Written([](opstream &os) { os << Vector2D(1, -2); });
  Bytes old;
  for (float f : {1.0f, 2.0f, 3.0f})
    Append(old, f);
  InputScale scale(2.0);
  EXPECT_EQ(b3, Written([](opstream &os) { os << Vector3D(1, -2, 3); })); // writing never scales
  Vector3D v;
  Vector2D w;
  ReadFrom(b3, [&](ipstream &is) { is >> v; });
  EXPECT_EQ(Vector3D(2, -4, 6), v);
  ReadFrom(old, [&](ipstream &is) { is >> v; });
  EXPECT_EQ(Vector3D(2, 4, 6), v);
  ReadFrom(b2, [&](ipstream &is) { is >> w; });
  EXPECT_EQ(Vector2D(1, -2), w);
  std::istringstream text("1 2.5 -3");
  text >> v;
  EXPECT_EQ(Vector3D(2, 5, -6), v);
}

TEST(VectorStreamTest, ShortStreamsThrowAndLeaveTheVector) {
  Bytes full = Written([](opstream &os) { os << Vector3D(1, 2, 3); });
  for (size_t cut : {size_t(0), size_t(3), size_t(4), size_t(20), full.size() - 1}) {
    Vector3D v(7, 8, 9);
    Bytes part(full.begin(), full.begin() + static_cast<long>(cut));
    EXPECT_THROW(ReadFrom(part, [&](ipstream &is) { is >> v; }), NonZeroPStreamState_Exception);
    EXPECT_EQ(Vector3D(7, 8, 9), v);
  }
  Vector2D w(7, 8);
  EXPECT_THROW(ReadFrom(Bytes{1, 2, 3, 4, 5}, [&](ipstream &is) { is >> w; }),
               NonZeroPStreamState_Exception);
  EXPECT_EQ(Vector2D(7, 8), w);
}

TEST(VectorStreamTest, TextForms) {
  std::ostringstream out;
  out << Vector3D(1, -2.5, 1234.5678);
  EXPECT_EQ("      1.000     -2.500   1234.568 ", out.str());
  std::ostringstream out2;
  out2 << Vector2D(1.5, 2);
  EXPECT_EQ("1.5 2 ", out2.str());

  Vector2D w(9, 9);
  std::istringstream in("4 x");
  in >> w;
  EXPECT_EQ(Vector2D(9, 9), w); // a failed read leaves the vector
  std::istringstream in2("4 5");
  in2 >> w;
  EXPECT_EQ(Vector2D(4, 5), w);
}

} // namespace
