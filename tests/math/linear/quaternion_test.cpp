// Tests of Quaternion and SimpleMatrix3D: conversions, products,
// interpolation end points, the stream form, eigenvalues and eigenvectors.
#include "linear/quaternion.h"
#include "linear/simple_matrix3d.h"

#include "linear_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace ltest;
constexpr double Pi = std::numbers::pi;

void ExpectNearQ(const Quaternion &expected, const Quaternion &actual, double tolerance = 1e-12) {
  EXPECT_NEAR(expected.s, actual.s, tolerance);
  ExpectNear(expected.v, actual.v, tolerance);
}

void ExpectNearMatrix(const Matrix3D &expected, const Matrix3D &actual, double tolerance) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(expected.elem(i, j), actual.elem(i, j), tolerance) << i << "," << j;
}

TEST(QuaternionTest, AxisAndAngle) {
  Quaternion id;
  EXPECT_TRUE(id.is_identity());
  EXPECT_EQ(Vector3D(0, 0, 1), id.vect());
  EXPECT_EQ(0.0, id.get_angle());
  EXPECT_EQ(Pi, Quaternion(0, 1, 0, 0).get_angle());
  EXPECT_EQ(Vector3D(1, 0, 0), Quaternion(0, 1, 0, 0).vect());
  // Rounding never makes the angle NaN.
  EXPECT_EQ(0.0, Quaternion(1.0000000000000002, 0, 0, 0).get_angle());

  Vector3D u = Vector3D(1, -2, 2).normalized();
  for (double a : {0.4, Pi / 2, Pi, 3 * Pi / 2, 1.9 * Pi}) {
    Quaternion q(u, a);
    EXPECT_NEAR(1.0, q.length(), 1e-15);
    EXPECT_NEAR(a, q.get_angle(), 1e-12);
    ExpectNear(u, q.vect()); // the axis keeps its sign past half a turn
    Matrix3D m;
    q.make_matrix(m);
    ExpectNearMatrix(Matrix3D::rot(u, a), m, 1e-12);
  }
  Quaternion q(u, 0.4);
  q.set_angle(2.0);
  ExpectNearQ(Quaternion(u, 2.0), q);

  Quaternion half(Vector3D::Ez(), Pi / 2);
  Quaternion full = half * half;
  EXPECT_NEAR(Pi, full.get_angle(), 1e-15);
  ExpectNear(Vector3D::Ez(), full.vect());
  Quaternion x(Vector3D::Ex(), Pi / 2);
  ExpectNear(Vector3D::Ex(), (x * x).vect());
}

TEST(QuaternionTest, ProductsInverseAndEquality) {
  Quaternion a(1, 2, 3, 4), b(-2, 0.5, 1, -1);
  // The Hamilton product composes rotations like matrices.
  Quaternion r1(Vector3D(1, 0, 0), 0.5), r2(Vector3D(0, 1, 1).normalized(), 1.2);
  Matrix3D m12;
  (r1 * r2).make_matrix(m12);
  Matrix3D m1, m2;
  r1.make_matrix(m1);
  r2.make_matrix(m2);
  ExpectNearMatrix(m1 * m2, m12, 1e-12);

  Quaternion c = a * a.inverse();
  EXPECT_EQ(30.0, c.s); // only the conjugate: s² + |v|²
  EXPECT_EQ(Vector3D(), c.v);
  ExpectNearQ(b.inverse() * a, a / b);
  Quaternion ab = a;
  ab *= b;
  ExpectNearQ(a * b, ab);

  EXPECT_EQ(Quaternion(0.5, 1, 2, 3), Quaternion(0.5, -1, -2, -3));
  EXPECT_NE(Quaternion(0.5, 1, 2, 3), Quaternion(0.4, 1, 2, 3));
  EXPECT_NE(Quaternion(0.5, 1, 2, 3), Quaternion(0.5, 1, 2, -3));

  Quaternion n(0, 3, 0, 4);
  n.normalize();
  ExpectNearQ(Quaternion(0, 0.6, 0, 0.8), n, 0);
  Quaternion zero(0, 0, 0, 0);
  zero.normalize();
  EXPECT_EQ(0.0, zero.length());
}

TEST(QuaternionTest, MatricesAndEulerAngles) {
  Vector3D u = Vector3D(2, 1, -1).normalized();
  Matrix3D r = Matrix3D::rot(u, 1.1);
  ExpectNearQ(Quaternion(u, 1.1), Quaternion(r));
  Matrix3D m = Matrix3D::shift(Vector3D(1, 2, 3)) * r * Matrix3D::scale(2, 3, 4);
  Vector3D shift, scale;
  Quaternion q;
  Quaternion::DecomposeMatrix(m, shift, q, scale);
  EXPECT_EQ(Vector3D(1, 2, 3), shift);
  ExpectNear(Vector3D(2, 3, 4), scale);
  ExpectNearQ(Quaternion(u, 1.1), q);

  Matrix3D pre = Matrix3D::shift(Vector3D(1, 0, 0));
  Quaternion::PreRotateMatrix(pre, q);
  ExpectNear(r * Vector3D(1, 0, 0), pre * Vector3D());

  Vector3D angles(0.3, -0.2, 0.9), back;
  Quaternion::EulerToQuaternion(angles, q);
  Quaternion::QuaternionToEuler(q, back);
  ExpectNear(angles, back, 1e-9);
  EXPECT_TRUE(Quaternion(Matrix3D()).is_identity());
}

TEST(QuaternionTest, RotateUsesTheInverseRotation) {
  Quaternion q(Vector3D::Ez(), Pi / 2);
  ExpectNear(Vector3D(0, -1, 0), q.rotate(Vector3D(1, 0, 0)));
  Vector3D w(0.3, -2, 5);
  ExpectNear(Matrix3D::rot(q.vect(), q.get_angle()).dir_product(w), w & q);
  ExpectNear(q & w, w & q);
}

TEST(QuaternionTest, SlerpEndPointsAndShorterArc) {
  Quaternion a(Vector3D::Ex(), 0.2), b(Vector3D(0, 1, 1).normalized(), 1.4);
  ExpectNearQ(a, Quaternion::Slerp(a, b, 0));
  ExpectNearQ(b, Quaternion::Slerp(a, b, 1));
  Quaternion mid = Quaternion::Slerp(a, b, 0.5);
  EXPECT_NEAR(1.0, mid.length(), 1e-12);
  Quaternion rel = a.inverse() * mid;
  EXPECT_NEAR((a.inverse() * b).get_angle() / 2, rel.get_angle(), 1e-12);
  // Equal and opposite quaternions take the linear branch.
  ExpectNearQ(a, Quaternion::Slerp(a, a, 0.5), 0);
  Quaternion minusA(-a.s, -a.v);
  ExpectNearQ(a, Quaternion::Slerp(a, minusA, 0.5), 0);
  // The shorter arc: b and -b give the same rotation halfway.
  Quaternion minusB(-b.s, -b.v);
  ExpectNearQ(mid, Quaternion::Slerp(a, minusB, 0.5));
}

TEST(QuaternionTest, NotNormedSlerpExtrapolatesSymmetrically) {
  Quaternion a(Vector3D::Ez(), 0.2), b(Vector3D::Ez(), 0.5);
  ExpectNearQ(Quaternion::Slerp(a, b, 0.3), Quaternion::NotNormedSlerp(a, b, 0.3), 0);
  // Equal steps about one axis continue with the same step.
  ExpectNearQ(Quaternion(Vector3D::Ez(), 0.8), Quaternion::SymmAccQ2(a, b));
  ExpectNearQ(Quaternion(Vector3D::Ez(), 0.8), Quaternion::NotNormedSlerp(a, b, 2.0));
  ExpectNearQ(Quaternion(Vector3D::Ez(), 0.95), Quaternion::NotNormedSlerp(a, b, 2.5));
  // A step count beyond the limit gives NaN instead of running for ever.
  EXPECT_TRUE(std::isnan(Quaternion::NotNormedSlerp(a, b, 1e300).s));
  EXPECT_TRUE(std::isnan(Quaternion::NotNormedSlerp(a, b, INFINITY).s));
}

TEST(QuaternionTest, StreamFormIsNotScaled) {
  Quaternion q(0.5, 0.1, -0.7, 0.3);
  Bytes expected;
  Append(expected, 0.5);
  Append(expected, uint32_t(0x7F810000));
  Append(expected, 0.1);
  Append(expected, -0.7);
  Append(expected, 0.3);
  EXPECT_EQ(expected, Written([&](opstream &os) { os << q; }));
  InputScale scale(2.0);
  Quaternion back;
  EXPECT_EQ(0, ReadFrom(expected, [&](ipstream &is) { is >> back; }));
  EXPECT_EQ(q.s, back.s);
  EXPECT_EQ(q.v, back.v);
  Quaternion keep(0.5, 1, 2, 3);
  EXPECT_THROW(
      ReadFrom(Bytes(expected.begin(), expected.end() - 1), [&](ipstream &is) { is >> keep; }),
      NonZeroPStreamState_Exception);
  EXPECT_EQ(Vector3D(1, 2, 3), keep.v);
}

// SimpleMatrix3D -----------------------------------------------------------------------

SimpleMatrix3D Make(std::initializer_list<double> values) {
  SimpleMatrix3D m;
  int k = 0;
  for (double v : values) {
    m(k / 3, k % 3) = v;
    ++k;
  }
  return m;
}

void ExpectEigenPair(const SimpleMatrix3D &m, double expectedValue) {
  double value = 0;
  Vector3D v = m.GetEigenVector(value);
  EXPECT_NEAR(expectedValue, value, 1e-9);
  EXPECT_NEAR(1.0, v.length(), 1e-12);
  ExpectNear(v * value, m * v, 1e-9);
}

TEST(SimpleMatrix3DTest, DeterminantAndCofactors) {
  SimpleMatrix3D m = Make({2, -1, 0, 1, 3, 4, 0, 5, -2});
  EXPECT_EQ(3 * -2 - 4 * 5, m.GetMinor(0, 0));
  EXPECT_EQ(-(1 * -2 - 4 * 0), m.GetMinor(0, 1));
  EXPECT_EQ(2 * (-26) + 1 * (-2) + 0, m.Determinant());
  EXPECT_EQ(Vector3D(1, 8, 3), m * Vector3D(1, 1, 1));
  Matrix3D embedded = m.GetMatrix3D();
  EXPECT_EQ(5.0, embedded.elem(2, 1));
  EXPECT_EQ(Vector3D(), embedded.get_shift());
  EXPECT_EQ(-2.0, SimpleMatrix3D(embedded)(2, 2));
}

TEST(SimpleMatrix3DTest, EigenvaluesInEveryBranch) {
  ExpectEigenPair(Make({1, 0, 0, 0, 2, 0, 0, 0, 4}), 4); // largest of three real roots
  ExpectEigenPair(Make({4, 1, 0, 1, 3, 1, 0, 1, 2}), 3); // q = 0: the middle root
  ExpectEigenPair(Make({1, 0, 0, 0, 2, 0, 0, 0, 3}), 2);
  ExpectEigenPair(Make({0, 0, 4, 1, 0, 3, 0, 1, 0}), 2.1958233454456350); // λ³ - 3λ - 4, sine form
  ExpectEigenPair(Make({0, 0, 4, 1, 0, -3, 0, 1, 0}), 1); // λ³ + 3λ - 4, tangent form
  ExpectEigenPair(Make({0, 0, 8, 1, 0, 0, 0, 1, 0}), 2);  // p = 0: cube root
  // A rotation has the single real eigenvalue 1, along its axis.
  Vector3D u = Vector3D(1, 2, 2).normalized();
  SimpleMatrix3D r(Matrix3D::rot(u, 0.9));
  double value = 0;
  Vector3D axis = r.GetEigenVector(value);
  EXPECT_NEAR(1.0, value, 1e-12);
  EXPECT_NEAR(1.0, std::fabs((axis, u)), 1e-12);
}

TEST(SimpleMatrix3DTest, DegenerateEigenvectors) {
  double value = 5;
  EXPECT_EQ(Vector3D(1, 0, 0), Make({2, 0, 0, 0, 2, 0, 0, 0, 2}).GetEigenVector(value));
  EXPECT_EQ(2.0, value);
  // Every diagonal cofactor of A - λI vanishes, the one of (0, 2) does not.
  SimpleMatrix3D nilpotent = Make({0, 0, 0, 1, 0, 0, 0, 1, 0});
  Vector3D v = nilpotent.GetEigenVector(value);
  EXPECT_EQ(0.0, value);
  ExpectNear(Vector3D(0, 0, 1), Vector3D(v.x, v.y, std::fabs(v.z)));
}

} // namespace
