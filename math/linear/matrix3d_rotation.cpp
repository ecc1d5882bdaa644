//===- matrix3d_rotation.cpp - Rotations and Euler angles of Matrix3D -----===//
//
// Rotations about axes and points, Euler angles in both directions, and the
// axis and angle of a rotation. The axis of a rotation R is the null vector
// of R - I, found from the largest of its nine 2x2 cofactors by Cramer's
// rule.
//
//===----------------------------------------------------------------------===//
#include "linear/matrix3d.h"

#include "numerics/math_utilities.h"

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>

namespace {

constexpr double Tolerance = Vector3D::LengthTolerance;

/// A 3x3 block of doubles.
using Block = double[3][3];

/// The axis (not normalised) of the null space of `a` from its cofactor of
/// largest magnitude (the first on ties); false when every cofactor is
/// below 1e-12.
bool NullAxis(const Block &a, Vector3D &axis) {
  int br = 0, bc = 0;
  double best = 0.0, bestAbs = -1.0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      double cof = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
      if (std::fabs(cof) > bestAbs) {
        bestAbs = std::fabs(cof);
        best = cof;
        br = r;
        bc = c;
      }
    }
  if (!(bestAbs >= Tolerance))
    return false;
  int r1 = (br + 1) % 3, r2 = (br + 2) % 3, c1 = (bc + 1) % 3, c2 = (bc + 2) % 3;
  double x[3];
  x[bc] = 1.0;
  x[c1] = (-a[r1][bc] * a[r2][c2] + a[r2][bc] * a[r1][c2]) / best;
  x[c2] = (-a[r2][bc] * a[r1][c1] + a[r1][bc] * a[r2][c1]) / best;
  axis = Vector3D(x[0], x[1], x[2]);
  return true;
}

/// The unit axis along the smallest absolute component of v.
const Vector3D &SmallestAxis(const Vector3D &v) {
  double ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
  if (ax <= ay && ax <= az)
    return Vector3D::gEx;
  if (ay <= ax && ay <= az)
    return Vector3D::gEy;
  return Vector3D::gEz;
}

} // namespace

Matrix3D Matrix3D::rot(const Vector3D &axis, double a) {
  Vector3D u = axis.normalized();
  double s = std::sin(a), c = std::cos(a), t = 1.0 - c;
  double x = u.x, y = u.y, z = u.z;
  return Matrix3D(t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0.0, //
                  t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0.0, //
                  t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0.0, //
                  0.0, 0.0, 0.0, 1.0);
}

Matrix3D Matrix3D::rot(const Vector3D &point, const Vector3D &axis, double a) {
  Matrix3D r = rot(axis, a);
  const double(&e)[4][4] = r.m;
  Vector3D image(e[0][0] * point.x + e[0][1] * point.y + e[0][2] * point.z,
                 e[1][0] * point.x + e[1][1] * point.y + e[1][2] * point.z,
                 e[2][0] * point.x + e[2][1] * point.y + e[2][2] * point.z);
  r.set_shift(point - image);
  return r;
}

Matrix3D Matrix3D::hmrot(const Vector3D &axis, double a) {
  Matrix3D r = rot(axis, a);
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      std::swap(r.m[i][j], r.m[j][i]);
  r.m[3][3] = 1.0;
  // Every rotation is rigid; a zero axis gives a scaling, whose flags are
  // computed instead.
  if (axis.normalized().length() != 0.0)
    r.Flags = Rigid;
  else
    r.computeFlags();
  return r;
}

Matrix3D Matrix3D::rot_scale(const Vector3D &a, const Vector3D &b) {
  double k = b.length() / a.length();
  return rot(a * b, a ^ b) * scale(k, k, k);
}

Matrix3D Matrix3D::euler(const Vector3D &angles) {
  double ca = std::cos(angles.x), sa = std::sin(angles.x);
  double cb = std::cos(angles.y), sb = std::sin(angles.y);
  double cg = std::cos(angles.z), sg = std::sin(angles.z);
  return Matrix3D(ca * cb, -cg * sa - ca * sb * sg, sa * sg - ca * cg * sb, 0.0, //
                  cb * sa, ca * cg - sa * sb * sg, -ca * sg - cg * sa * sb, 0.0, //
                  sb, cb * sg, cb * cg, 0.0,                                     //
                  0.0, 0.0, 0.0, 1.0);
}

Vector3D Matrix3D::euler(const Matrix3D &m1, const Matrix3D &m2) {
  return euler(m1, m2, Vector3D());
}

Vector3D Matrix3D::euler(const Matrix3D &m1, const Matrix3D &m2, const Vector3D &hint) {
  constexpr double Pi = std::numbers::pi;
  Matrix3D rm = m1.get_rotate().inverse() * m2.get_rotate();
  const double(&r)[4][4] = rm.m;
  if (std::fabs(r[2][0]) <= 0.999999) {
    double beta = std::asin(r[2][0]);
    double cb = std::cos(beta);
    double alpha = Math::acos(r[0][0] / cb);
    if (r[1][0] < 0.0)
      alpha = -alpha;
    double gamma = Math::acos(r[2][2] / cb);
    if (r[2][1] < 0.0)
      gamma = -gamma;
    return Vector3D(alpha, beta, gamma);
  }
  // Gimbal lock: only α + γ (β = +π/2) or α - γ (β = -π/2) is fixed by the
  // matrix; the other combination is taken from the hint.
  bool up = std::fabs(r[2][0] - 1.0) < 1e-6;
  double beta = up ? Pi / 2.0 : -Pi / 2.0;
  double a = Math::acos(r[1][1]);
  if (r[0][1] > 0.0)
    a = -a;
  double twin = a > 0.0 ? a - 2.0 * Pi : a + 2.0 * Pi;
  double free = up ? hint.x - hint.z : hint.x + hint.z;
  auto pairFor = [&](double fixed) {
    return up ? Vector3D((fixed + free) / 2.0, beta, (fixed - free) / 2.0)
              : Vector3D((free + fixed) / 2.0, beta, (free - fixed) / 2.0);
  };
  auto distance = [&hint](const Vector3D &v) {
    double dx = v.x - hint.x, dz = v.z - hint.z;
    return dx * dx + dz * dz;
  };
  Vector3D first = pairFor(a), second = pairFor(twin);
  return distance(second) < distance(first) ? second : first;
}

void Matrix3D::rot(const Matrix3D &m1, const Matrix3D &m2, Vector3D &axis, double &angle) {
  Matrix3D rm = m2.get_rotate() * m1.get_rotate().inverse();
  const double(&r)[4][4] = rm.m;
  Block a;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      a[i][j] = r[i][j] - (i == j ? 1.0 : 0.0);
  Vector3D u;
  if (!NullAxis(a, u)) {
    axis = Vector3D::gEz;
    angle = 0.0;
    return;
  }
  for (double *c : {&u.x, &u.y, &u.z})
    if (std::fabs(*c) < Tolerance)
      *c = 0.0;
  u.normalize();
  // A vector across the axis and its image, both projected off the axis.
  Vector3D p = (u * SmallestAxis(u)).normalized();
  Vector3D q(r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z,
             r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z,
             r[2][0] * p.x + r[2][1] * p.y + r[2][2] * p.z);
  p -= u * (p, u);
  q -= u * (q, u);
  angle = p ^ q;
  Vector3D n = p * q;
  if (std::fabs(n.x) < Tolerance && std::fabs(n.y) < Tolerance && std::fabs(n.z) < Tolerance)
    axis = u;
  else
    axis = n.normalized();
}

Vector3D Matrix3D::getRotationAxis(const Matrix3D &m, double &angle) {
  Matrix3D rm = m.get_rotate();
  const double(&r)[4][4] = rm.m;
  angle = 0.0;
  Block a;
  bool identity = true;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      a[i][j] = r[i][j] - (i == j ? 1.0 : 0.0);
      identity = identity && a[i][j] == 0.0;
    }
  Vector3D u;
  if (identity || !NullAxis(a, u))
    return Vector3D::gEz;
  u.normalize();
  double k = (r[0][0] + r[1][1] + r[2][2] - 1.0) / 2.0;
  // The sine of the angle, from the antisymmetric part along the axis.
  double w = 3.0 * (1.0 - k) * u.x * u.y * u.z - (u.z * r[0][1] + u.y * r[2][0] + u.x * r[1][2]);
  if (w > Tolerance)
    angle = Math::acos(k);
  else if (w < -Tolerance)
    angle = -Math::acos(k);
  else
    angle = k > 0.0 ? 0.0 : std::numbers::pi;
  return u;
}
