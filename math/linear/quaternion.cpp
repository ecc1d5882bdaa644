//===- quaternion.cpp - Rotations as quaternions --------------------------===//
//
// Stream form read here: the scalar as a double, then the vector part as a
// Vector3D stream record (marker and three doubles, or three floats). The
// values are taken over only when everything was read.
//
//===----------------------------------------------------------------------===//
#include "linear/quaternion.h"

#include "linear/vector_stream_impl.h"
#include "numerics/math_utilities.h"
#include "pstreams/pstream.h"

#include <cmath>
#include <limits>

namespace {

constexpr double Tolerance = Vector3D::LengthTolerance;

/// w1·a + w2·b, component by component.
Quaternion Blend(const Quaternion &a, double w1, const Quaternion &b, double w2) {
  return Quaternion(w1 * a.s + w2 * b.s, w1 * a.v.x + w2 * b.v.x, w1 * a.v.y + w2 * b.v.y,
                    w1 * a.v.z + w2 * b.v.z);
}

} // namespace

Quaternion::Quaternion(const Vector3D &axis, double a)
    : s(std::cos(a / 2.0)), v(axis * std::sin(a / 2.0)) {}

Quaternion::Quaternion(const Matrix3D &m) {
  Vector3D axis;
  double angle = 0.0;
  Matrix3D::rot(Matrix3D::HI(), m, axis, angle);
  *this = Quaternion(axis.normalized(), angle);
}

double Quaternion::get_angle() const { return 2.0 * Math::acos(s); }

void Quaternion::set_angle(double a) { *this = Quaternion(vect(), a); }

Vector3D Quaternion::vect() const {
  // The vector part is sin(angle/2) times the axis; dividing by that sine
  // keeps the axis's sign for every angle in [0, 2π].
  double k = std::sin(get_angle() / 2.0);
  if (std::fabs(k) >= Tolerance)
    return (v / k).normalized();
  return Vector3D::gEz;
}

double Quaternion::length() const { return std::sqrt(s * s + v.x * v.x + v.y * v.y + v.z * v.z); }

void Quaternion::normalize() {
  double l = length();
  if (l == 0.0)
    return;
  s /= l;
  v /= l;
}

bool Quaternion::is_identity() const {
  return std::fabs(s - 1.0) < Tolerance && std::fabs(v.x) < Tolerance &&
         std::fabs(v.y) < Tolerance && std::fabs(v.z) < Tolerance;
}

bool Quaternion::operator==(const Quaternion &q) const {
  return std::fabs(s - q.s) <= Tolerance &&
         ((v - q.v).length() < Tolerance || (v + q.v).length() < Tolerance);
}

Quaternion Quaternion::operator*(const Quaternion &b) const {
  return Quaternion(s * b.s - (v, b.v), b.v * s + v * b.s + v * b.v);
}

Vector3D Quaternion::rotate(const Vector3D &w) const {
  return (inverse() * Quaternion(0.0, w) * *this).v;
}

void Quaternion::make_matrix(Matrix3D &m) const { m = m * Matrix3D::rot(vect(), get_angle()); }

void Quaternion::PreRotateMatrix(Matrix3D &m, const Quaternion &q) {
  m = Matrix3D::rot(q.vect(), q.get_angle()) * m;
}

void Quaternion::DecomposeMatrix(const Matrix3D &m, Vector3D &shift, Quaternion &q,
                                 Vector3D &scale) {
  shift = m.get_shift();
  scale = m.get_scale();
  q = Quaternion(m.get_rotate());
}

void Quaternion::QuaternionToEuler(const Quaternion &q, Vector3D &angles) {
  Matrix3D m;
  RotateMatrix(m, q);
  // The angles of q's own rotation (taken from the identity to it), so that
  // EulerToQuaternion gives q back.
  angles = Matrix3D::euler(Matrix3D::HI(), m);
}

void Quaternion::EulerToQuaternion(const Vector3D &angles, Quaternion &q) {
  q = Quaternion(Matrix3D::euler(angles));
}

Quaternion Quaternion::Slerp(const Quaternion &a, const Quaternion &b, double t) {
  double d = a.s * b.s + a.v.x * b.v.x + a.v.y * b.v.y + a.v.z * b.v.z;
  double w1, w2;
  if (1.0 - std::fabs(d) >= Tolerance) {
    double theta = std::acos(std::fabs(d));
    double st = std::sin(theta);
    w1 = std::sin(theta - t * theta) / st;
    w2 = std::sin(t * theta) / st;
  } else {
    w1 = 1.0 - t;
    w2 = t;
  }
  if (d < 0.0)
    w2 = -w2;
  return Blend(a, w1, b, w2);
}

Quaternion Quaternion::SymmAccQ2(const Quaternion &a, const Quaternion &b) {
  double alpha = Math::acos(b.s), beta = Math::acos(a.s);
  Vector3D p = a.v.normalized(), q = b.v.normalized();
  Vector3D w = (q * (2.0 * (p, q)) - p).normalized();
  double c = std::cos(2.0 * alpha - beta);
  double e = std::sqrt(1.0 - c * c);
  return Quaternion(c, w * e);
}

Quaternion Quaternion::NotNormedSlerp(const Quaternion &a, const Quaternion &b, double t) {
  if (t > MaxExtrapolation + 1.0) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    return Quaternion(NaN, NaN, NaN, NaN);
  }
  Quaternion p = a, q = b;
  while (t > 1.0) {
    Quaternion next = SymmAccQ2(p, q);
    p = q;
    q = next;
    t -= 1.0;
  }
  return Slerp(p, q, t);
}

void Quaternion::write(opstream &os) const { os << s << v; }

void Quaternion::read(ipstream &is) {
  double scalar = 0.0;
  is >> scalar;
  Vector3D vector = vyx::detail::ReadUnscaledVector3D(is);
  s = scalar;
  v = vector;
}

opstream &operator<<(opstream &os, const Quaternion &q) {
  q.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, Quaternion &q) {
  q.read(is);
  return is;
}
