// Tests of Matrix3D: flags, transforms, inversion, rotations and Euler
// angles, the exceptions and the stream forms.
#include "linear/math_exceptions.h"
#include "linear/matrix3d.h"

#include "linear_test_support.h"
#include "support/base_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>

namespace {

using namespace ltest;
constexpr double Pi = std::numbers::pi;

/// A general invertible matrix with shift and perspective.
Matrix3D General() {
  return Matrix3D(2, 0.5, -1, 3, 0.25, 1.5, 0.75, -2, -0.5, 1, 3, 1, 0.01, -0.02, 0.03, 1.5);
}

void ExpectNearMatrix(const Matrix3D &expected, const Matrix3D &actual, double tolerance) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(expected.elem(i, j), actual.elem(i, j), tolerance) << i << "," << j;
}

TEST(Matrix3DTest, FlagsFollowTheElements) {
  EXPECT_EQ(3, Matrix3D().getFlags());
  EXPECT_EQ(3, Matrix3D(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1).getFlags());
  EXPECT_EQ(1, Matrix3D(0, -1, 0, 5, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1).getFlags());
  EXPECT_EQ(0, Matrix3D(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2).getFlags());
  EXPECT_EQ(0, Matrix3D(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1e-300, 0, 1).getFlags());
  // Squared row lengths within 1 ∓ 2⁻²³ still count as orthonormal.
  EXPECT_EQ(1, Matrix3D(1 + 1e-8, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1).getFlags());
  EXPECT_EQ(0, Matrix3D(1 + 1e-6, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1).getFlags());
  EXPECT_EQ(0, Matrix3D(1, 1e-20, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1).getFlags());

  EXPECT_EQ(3, Matrix3D::shift(Vector3D()).getFlags());
  EXPECT_EQ(1, Matrix3D::shift(Vector3D(1, 2, 3)).getFlags());
  EXPECT_EQ(3, Matrix3D::scale(1, 1, 1).getFlags());
  EXPECT_EQ(0, Matrix3D::scale(2, 2, 2).getFlags());
  EXPECT_EQ(0, Matrix3D::perspective(0, 0, 0).getFlags());
  Matrix3D m = Matrix3D::shift(Vector3D(1, 0, 0));
  m.set_shrink(1.0);
  EXPECT_EQ(0, m.getFlags());
  EXPECT_EQ(Vector3D(3, 4, 5), (m.set_shift(Vector3D(3, 4, 5)), m.get_shift()));
}

TEST(Matrix3DTest, PointAndDirectionTransforms) {
  Matrix3D s = Matrix3D::shift(Vector3D(1, 2, 3));
  EXPECT_EQ(Vector3D(1, 2, 3), s * Vector3D());
  EXPECT_EQ(Vector3D(0, 0, 1), s & Vector3D(0, 0, 1));
  EXPECT_EQ(Vector3D(2, 2, 2), Matrix3D::scale(2, 2, 2) * Vector3D(1, 1, 1));
  ExpectNear(Vector3D(0, 1, 0), Matrix3D::rot(Vector3D::Ez(), Pi / 2) * Vector3D(1, 0, 0), 1e-15);
  ExpectNear(Vector3D(0, -1, 0), Matrix3D::hmrot(Vector3D::Ez(), Pi / 2) * Vector3D(1, 0, 0),
             1e-15);

  // The general path: the direction is the image of d measured from the
  // image of the origin, and getX/Y/Z are the images of the axes.
  Matrix3D g = General();
  Vector3D d(0.3, -0.7, 2), origin = g * Vector3D();
  ExpectNear(g * d - origin, g & d);
  ExpectNear(g & Vector3D::Ex(), g.getX());
  ExpectNear(g & Vector3D::Ey(), g.getY());
  ExpectNear(g & Vector3D::Ez(), g.getZ());
  Vector3D p(1, 2, 3);
  p *= g;
  ExpectNear(g * Vector3D(1, 2, 3), p);
  d &= g;
  ExpectNear(g & Vector3D(0.3, -0.7, 2), d);

  // dir_product is the transpose of the upper 3x3 times d.
  Matrix3D r = Matrix3D::rot(Vector3D(1, 2, 3), 0.8);
  ExpectNear(Vector3D(0.5, -1, 2), r.dir_product(r & Vector3D(0.5, -1, 2)));
  EXPECT_EQ(Vector3D(4, 5, 6), Matrix3D().dir_product(Vector3D(4, 5, 6)));
}

TEST(Matrix3DTest, WeightZeroThrowsVectorInFocus) {
  vyx::test::RegisterBaseMessages();
  Matrix3D p = Matrix3D::perspective(0, 0, 1);
  try {
    (void)(p * Vector3D(1, 2, 1));
    FAIL() << "no exception";
  } catch (const VectorInFocus3D_Exception &e) {
    EXPECT_EQ(Vector3D(1, 2, 1), e.getVector());
    EXPECT_EQ(std::string("Vector in focus!\nVector=1.000000 2.000000 1.000000\nMatrix=\n"
                          "1.000000 0.000000 0.000000 0.000000\n"
                          "0.000000 1.000000 0.000000 0.000000\n"
                          "0.000000 0.000000 1.000000 0.000000\n"
                          "0.000000 0.000000 -1.000000 1.000000\n"),
              e.getMessage().c_str());
  }
  EXPECT_THROW((void)(p & Vector3D(0, 0, 1)), VectorInFocus3D_Exception);
  EXPECT_THROW((void)Matrix3D::perspective(1, 0, 0).getX(), VectorInFocus3D_Exception);
  // The origin itself in focus: a direction has no image either.
  Matrix3D flat = Matrix3D::scale(2, 2, 2);
  flat.set_shrink(0.0);
  EXPECT_THROW((void)(flat & Vector3D(1, 0, 0)), VectorInFocus3D_Exception);
  EXPECT_THROW((void)flat.getY(), VectorInFocus3D_Exception);
}

TEST(Matrix3DTest, ProductsAndFlags) {
  Matrix3D a = Matrix3D::rot(Vector3D::Ez(), Pi / 2), b = Matrix3D::shift(Vector3D(1, 0, 0));
  EXPECT_EQ(1, (a * b).getFlags());
  ExpectNear(Vector3D(0, 2, 0), (a * b) * Vector3D(1, 0, 0)); // b first
  EXPECT_EQ(0, (a * Matrix3D::scale(2, 1, 1)).getFlags());
  Matrix3D g = General();
  EXPECT_EQ(g, Matrix3D() * g);
  EXPECT_EQ(g.getFlags(), (g * Matrix3D::HI()).getFlags());
  Matrix3D gg = g * g;
  ExpectNear(g * (g * Vector3D(1, -1, 2)), gg * Vector3D(1, -1, 2));
}

TEST(Matrix3DTest, InversionRoundTrips) {
  Matrix3D rigid = Matrix3D::rot(Vector3D::Ex(), Pi / 2) * Matrix3D::shift(Vector3D(1, 2, 3));
  ASSERT_EQ(1, rigid.getFlags());
  Matrix3D ri = rigid.inversed();
  EXPECT_EQ(1, ri.getFlags());
  ExpectNearMatrix(Matrix3D(), rigid * ri, 1e-15);
  ExpectNear(Vector3D(4, 5, 6), ri * (rigid * Vector3D(4, 5, 6)));

  for (const Matrix3D &m : {General(), Matrix3D::perspective(2, -3, 4) * Matrix3D::scale(1, 2, 3),
                            Matrix3D::rot(Vector3D(1, 1, 1), 0.3) * Matrix3D::scale(3, 1, 1)}) {
    Matrix3D inv = ~m;
    EXPECT_EQ(0, inv.getFlags());
    ExpectNearMatrix(Matrix3D(), m * inv, 1e-12);
    ExpectNearMatrix(Matrix3D(), Matrix3D::inv(inv) * inv, 1e-12);
  }
  // Pivots come from every row: a matrix with a zero diagonal inverts.
  Matrix3D swap(0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 1, 0);
  ExpectNearMatrix(Matrix3D(), swap * swap.inversed(), 0.0);
  Matrix3D id;
  EXPECT_EQ(Matrix3D(), id.inverse());
}

TEST(Matrix3DTest, SingularMatricesThrowAndStayUnchanged) {
  EXPECT_THROW(Matrix3D::HZM().inversed(), SingularMatrix3D_Exception);
  Matrix3D rank3(1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  Matrix3D copy = rank3;
  EXPECT_THROW(rank3.inverse(), SingularMatrix3D_Exception);
  EXPECT_EQ(copy, rank3);
  EXPECT_THROW((void)~Matrix3D::scale(1, 0, 1), SingularMatrix3D_Exception);
}

TEST(Matrix3DTest, TransposeAndEquality) {
  Matrix3D g = General();
  Matrix3D t = g.transposed();
  EXPECT_EQ(g.elem(0, 3), t.elem(3, 0));
  EXPECT_EQ(g, t.transposed());
  // A rigid matrix with a shift transposes into a perspective one.
  EXPECT_EQ(0, Matrix3D::shift(Vector3D(1, 0, 0)).transposed().getFlags());
  EXPECT_EQ(1, Matrix3D::rot(Vector3D::Ey(), Pi / 2).transposed().getFlags());

  Matrix3D near(1 + 1e-9, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  EXPECT_NE(Matrix3D(), near);
  Matrix3D::SetAccuracy(1e-6);
  EXPECT_EQ(Matrix3D(), near);
  EXPECT_NE(Matrix3D(), Matrix3D::scale(1.1, 1, 1));
  Matrix3D::SetAccuracy(0.0);
  EXPECT_EQ(0.0, Matrix3D::GetAccuracy());
}

TEST(Matrix3DTest, ScaleRotateAndParity) {
  Matrix3D r = Matrix3D::rot(Vector3D(1, 2, 3), 0.8);
  Matrix3D m = Matrix3D::shift(Vector3D(5, 6, 7)) * r * Matrix3D::scale(2, 3, 4);
  ExpectNear(Vector3D(2, 3, 4), m.get_scale());
  Matrix3D rot = m.get_rotate();
  ExpectNearMatrix(r, rot, 1e-15);
  EXPECT_EQ(Vector3D(), rot.get_shift());
  // A zero column becomes the unit column; a shear is not rigid.
  Matrix3D z = Matrix3D::scale(0, 2, 1).get_rotate();
  EXPECT_EQ(Matrix3D(), z);
  EXPECT_TRUE(z.isUnary());
  Matrix3D shear(1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  Matrix3D sr = shear.get_rotate();
  EXPECT_EQ(0, sr.getFlags());
  ExpectNearMatrix(Matrix3D(), sr * sr.inversed(), 1e-15);

  EXPECT_FALSE(Matrix3D().isParity());
  EXPECT_FALSE(r.isParity());
  EXPECT_TRUE(Matrix3D::scale(-1, 1, 1).isParity());
  EXPECT_TRUE(Matrix3D::perspective(1, 2, 3).isPerspective());
  EXPECT_FALSE(m.isPerspective());
}

TEST(Matrix3DTest, RotationConstructors) {
  Vector3D point(1, 2, 3), axis(0, 1, 1);
  Matrix3D about = Matrix3D::rot(point, axis, 1.2);
  EXPECT_EQ(0, about.getFlags());
  ExpectNear(point, about * point);
  ExpectNear(point + axis, about * (point + axis));
  ExpectNearMatrix(Matrix3D::rot(axis, -1.2), Matrix3D::hmrot(axis, 1.2), 1e-15);
  EXPECT_EQ(1, Matrix3D::hmrot(axis, 1.2).getFlags());
  // A zero axis gives diag(cos a): a scaling, not a rigid matrix.
  Matrix3D zeroAxis = Matrix3D::hmrot(Vector3D(), 1.0);
  EXPECT_DOUBLE_EQ(std::cos(1.0), zeroAxis.elem(1, 1));
  EXPECT_EQ(0, zeroAxis.getFlags());

  Matrix3D frame = Matrix3D::hmtr(Vector3D::Ex(), Vector3D::Ez(), Vector3D(4, 5, 6));
  EXPECT_EQ(1, frame.getFlags());
  EXPECT_EQ(Vector3D(4, 5, 6), frame * Vector3D());
  EXPECT_EQ(Vector3D(0, 1, 0), frame & Vector3D(0, 1, 0));

  // rot_scale takes a onto b.
  Vector3D a(1, 0, 0), b(0, 3, 4);
  ExpectNear(b, Matrix3D::rot_scale(a, b) * a);
  ExpectNear(Vector3D(0, 0, -2),
             Matrix3D::rot_scale(Vector3D(0, 0, 1), Vector3D(0, 0, -2)) * Vector3D(0, 0, 1));
}

TEST(Matrix3DTest, EulerAngles) {
  Vector3D angles(0.3, -0.4, 1.1);
  Matrix3D e = Matrix3D::euler(angles);
  ExpectNearMatrix(Matrix3D::rot(Vector3D::Ez(), 0.3) * Matrix3D::rot(Vector3D::Ey(), 0.4) *
                       Matrix3D::rot(Vector3D::Ex(), 1.1),
                   e, 1e-15);
  ExpectNear(angles, Matrix3D::euler(Matrix3D(), e));
  Vector3D obtuse(2.5, 1.0, -2.9);
  ExpectNear(obtuse, Matrix3D::euler(Matrix3D(), Matrix3D::euler(obtuse)), 1e-9);
  // Relative to another frame.
  Matrix3D base = Matrix3D::rot(Vector3D(1, 1, 0), 0.5) * Matrix3D::shift(Vector3D(9, 9, 9));
  ExpectNear(angles, Matrix3D::euler(base, base * e), 1e-9);

  // Gimbal lock: the hint fixes the combination the matrix leaves open.
  Vector3D up(0.5, Pi / 2, 0.2);
  ExpectNear(up, Matrix3D::euler(Matrix3D(), Matrix3D::euler(up), Vector3D(0.5, 0, 0.2)), 1e-9);
  Vector3D down(0.9, -Pi / 2, -0.4);
  ExpectNear(down, Matrix3D::euler(Matrix3D(), Matrix3D::euler(down), Vector3D(0.9, 0, -0.4)),
             1e-9);
  // The twin 2π away is chosen when it is nearer to the hint.
  Vector3D twin = Matrix3D::euler(Matrix3D(), Matrix3D::euler(up), Vector3D(0.5 - Pi, 0, 0.2 - Pi));
  ExpectNear(Vector3D(0.5 - Pi, Pi / 2, 0.2 - Pi), twin, 1e-9);
  ExpectNear(Vector3D(0, Pi / 2, 0.7),
             Matrix3D::euler(Matrix3D(), Matrix3D::euler(up), Vector3D(0, 0, 0.7)), 1e-9);
}

TEST(Matrix3DTest, AxisAndAngleOfRotations) {
  double angle = 1.0;
  EXPECT_EQ(Vector3D(0, 0, 1), Matrix3D::getRotationAxis(Matrix3D::HI(), angle));
  EXPECT_EQ(0.0, angle);
  Vector3D axis = Matrix3D::getRotationAxis(Matrix3D::rot(Vector3D::Ex(), Pi), angle);
  EXPECT_DOUBLE_EQ(Pi, angle);
  ExpectNear(Vector3D(1, 0, 0), Vector3D(std::fabs(axis.x), axis.y, axis.z));

  Vector3D u = Vector3D(1, 2, 3).normalized();
  for (double a : {0.7, -0.7, 2.5, -3.0}) {
    Matrix3D m =
        Matrix3D::shift(Vector3D(1, 1, 1)) * Matrix3D::rot(u, a) * Matrix3D::scale(2, 2, 2);
    axis = Matrix3D::getRotationAxis(m, angle);
    ExpectNearMatrix(Matrix3D::rot(u, a), Matrix3D::rot(axis, angle), 1e-12);

    Vector3D relAxis;
    double relAngle = 0;
    Matrix3D m1 = Matrix3D::rot(Vector3D(0, 1, 0), 0.4);
    Matrix3D::rot(m1, Matrix3D::rot(u, a) * m1, relAxis, relAngle);
    EXPECT_GE(relAngle, 0.0);
    EXPECT_NEAR(std::fabs(a), relAngle, 1e-12);
    ExpectNear(a > 0 ? u : -u, relAxis);
  }
  Vector3D same;
  double sameAngle = 5;
  Matrix3D::rot(Matrix3D::rot(u, 1.0), Matrix3D::rot(u, 1.0), same, sameAngle);
  EXPECT_EQ(Vector3D(0, 0, 1), same);
  EXPECT_EQ(0.0, sameAngle);
}

// Streams ------------------------------------------------------------------------------

TEST(Matrix3DStreamTest, ExactBytesRoundTripAndScaling) {
  Matrix3D g = General();
  Bytes expected{0};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      Append(expected, g.elem(i, j));
  EXPECT_EQ(expected, Written([&](opstream &os) { os << g; }));
  Matrix3D back;
  EXPECT_EQ(0, ReadFrom(expected, [&](ipstream &is) { is >> back; }));
  EXPECT_EQ(g, back);
  EXPECT_EQ(0, back.getFlags());

  Matrix3D rigid = Matrix3D::rot(Vector3D::Ex(), Pi / 2) * Matrix3D::shift(Vector3D(1, 2, 3));
  Bytes stored = Written([&](opstream &os) { os << rigid; });
  stored[0] = 0x55; // the version byte is skipped
  InputScale scale(2.0);
  ReadFrom(stored, [&](ipstream &is) { is >> back; });
  EXPECT_EQ(rigid.get_rotate(), back.get_rotate());
  EXPECT_EQ(rigid.get_shift() * 2.0, back.get_shift());
  EXPECT_EQ(1, back.getFlags());
}

TEST(Matrix3DStreamTest, OldFormsAreReversed) {
  Bytes doubles{0x00, 0x00, 0x81, 0x7F}, floats;
  for (int k = 15; k >= 0; --k) {
    Append(doubles, k + 0.5);
    Append(floats, float(k) + 0.25f);
  }
  Matrix3D m;
  EXPECT_EQ(0, ReadFrom(doubles, [&](ipstream &is) { m.read_old(is); }));
  EXPECT_EQ(0.5, m.elem(0, 0));
  EXPECT_EQ(15.5, m.elem(3, 3));
  EXPECT_EQ(7.5, m.elem(1, 3));
  EXPECT_EQ(0, ReadFrom(floats, [&](ipstream &is) { m.read_old(is); }));
  EXPECT_EQ(0.25, m.elem(0, 0));
  EXPECT_EQ(14.25, m.elem(3, 2));
  EXPECT_EQ(15.25, m.elem(3, 3));

  Bytes identity;
  for (int k = 15; k >= 0; --k)
    Append(identity, k % 5 == 0 ? 1.0f : 0.0f);
  InputScale scale(3.0);
  // m[0][3] is stored 13th (bytes 48..51): make it 1.0f.
  identity[50] = 0x80;
  identity[51] = 0x3F;
  ReadFrom(identity, [&](ipstream &is) { m.read_old(is); });
  EXPECT_EQ(Vector3D(3, 0, 0), m.get_shift());
  EXPECT_EQ(1, m.getFlags());
}

TEST(Matrix3DStreamTest, ShortStreamsThrowAndLeaveTheMatrix) {
  Bytes full = Written([](opstream &os) { os << General(); });
  for (size_t cut : {size_t(0), size_t(1), size_t(64), full.size() - 1}) {
    Matrix3D m = Matrix3D::shift(Vector3D(1, 1, 1));
    Bytes part(full.begin(), full.begin() + static_cast<long>(cut));
    EXPECT_THROW(ReadFrom(part, [&](ipstream &is) { is >> m; }), NonZeroPStreamState_Exception);
    EXPECT_EQ(Matrix3D::shift(Vector3D(1, 1, 1)), m);
  }
  Bytes old{0x00, 0x00, 0x81, 0x7F};
  for (int k = 0; k < 16; ++k)
    Append(old, 1.0);
  for (size_t cut : {size_t(2), size_t(4), size_t(67), old.size() - 1}) {
    Matrix3D m = Matrix3D::shift(Vector3D(1, 1, 1));
    Bytes part(old.begin(), old.begin() + static_cast<long>(cut));
    EXPECT_THROW(ReadFrom(part, [&](ipstream &is) { m.read_old(is); }),
                 NonZeroPStreamState_Exception);
    EXPECT_EQ(Matrix3D::shift(Vector3D(1, 1, 1)), m);
  }
}

TEST(Matrix3DStreamTest, TextForms) {
  std::ostringstream out;
  out << Matrix3D::shift(Vector3D(1.5, 2, 3));
  EXPECT_EQ("1 0 0 1.5 \n0 1 0 2 \n0 0 1 3 \n0 0 0 1 \n", out.str());
  InputScale scale(2.0);
  Matrix3D m;
  std::istringstream in(out.str());
  in >> m;
  EXPECT_EQ(Matrix3D::shift(Vector3D(3, 4, 6)), m);
  EXPECT_EQ(1, m.getFlags());
  std::istringstream bad("1 2 3");
  bad >> m;
  EXPECT_EQ(Matrix3D::shift(Vector3D(3, 4, 6)), m);
}

} // namespace
