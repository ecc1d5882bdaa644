//===- vector3d.cpp - Three-dimensional double vectors --------------------===//
//
// Stream form read here:
//   dword 0x7F810000, then x, y, z as doubles      (current form)
//   or x as the float whose bits the first dword is, then y, z as floats
// Both are multiplied by GSUSInfo::InputScale() afterwards. The values are
// read into locals and taken over only when the stream is still good.
//
//===----------------------------------------------------------------------===//
#include "linear/vector3d.h"

#include "config/units.h"
#include "linear/vector_stream_impl.h"
#include "numerics/math_utilities.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iomanip>
#include <istream>
#include <numbers>
#include <ostream>

const Vector3D Vector3D::gEx(1.0, 0.0, 0.0);
const Vector3D Vector3D::gEy(0.0, 1.0, 0.0);
const Vector3D Vector3D::gEz(0.0, 0.0, 1.0);

namespace {

/// Cross products of unit vectors shorter than this are degenerate frames.
constexpr double FrameLimit = 0.7;

} // namespace

double Vector3D::operator^(const Vector3D &w) const {
  double g = std::sqrt(sqlength() * w.sqlength());
  if (std::fabs(g) <= FLT_MIN)
    return 0.0;
  double d = (*this, w);
  if (g < d * LengthTolerance)
    return 0.0;
  return Math::acos(d / g);
}

double Vector3D::length() const {
  double l = std::sqrt(sqlength());
  return l > LengthTolerance ? l : 0.0;
}

void Vector3D::normalize() {
  double l = length();
  if (l > LengthTolerance) {
    x /= l;
    y /= l;
    z /= l;
  } else {
    x = y = z = 0.0;
  }
}

Vector3D Vector3D::normalized() const {
  Vector3D v = *this;
  v.normalize();
  return v;
}

void Vector3D::grow(double d) {
  double l = length();
  if (l != 0.0)
    *this *= d / l + 1.0;
}

bool Vector3D::orthogonalize(Vector3D &a, Vector3D &b) const {
  double la = a.length();
  if (la < LengthTolerance)
    return false;
  double lb = b.length();
  a = (b * *this).normalized();
  if (a.length() < FrameLimit)
    return false;
  b = (*this * a).normalized();
  if (b.length() < FrameLimit)
    return false;
  a *= la;
  b *= lb;
  return true;
}

bool Vector3D::orthogonalize_z(Vector3D &v) const {
  Vector3D t = (v * *this).normalized();
  if (!(t.length() > FrameLimit)) {
    double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    if (ax <= ay && ax <= az)
      v = gEx;
    else if (ay <= ax && ay <= az)
      v = gEy;
    else
      v = gEz;
    t = (v * *this).normalized();
    if (!(t.length() > FrameLimit))
      return false;
  }
  return orthogonalize(t, v);
}

bool Vector3D::Ort(const Vector3D &dir, Vector3D *a, Vector3D *b) {
  return !a || !b || !dir.orthogonalize(*a, *b);
}

bool Vector3D::OrtZ(const Vector3D &dir, Vector3D *v) { return !v || !dir.orthogonalize_z(*v); }

double vyx::PolarAngle(double x, double y) {
  constexpr double Pi = std::numbers::pi;
  constexpr double TwoPi = 2.0 * std::numbers::pi;
  double phi;
  if (std::fabs(x) < Vector3D::LengthTolerance)
    phi = y > 0.0 ? Pi / 2.0 : 3.0 * Pi / 2.0;
  else if (std::fabs(y) < Vector3D::LengthTolerance)
    phi = x > 0.0 ? 0.0 : Pi;
  else if (x > 0.0 && y > 0.0)
    phi = std::atan(y / x);
  else if (x > 0.0)
    phi = TwoPi - std::atan(-y / x);
  else if (y > 0.0)
    phi = Pi - std::atan(-y / x);
  else
    phi = std::atan(y / x) + Pi;
  if (!(phi > 0.0))
    return 0.0;
  if (phi >= TwoPi)
    return TwoPi;
  return phi;
}

Vector3D Vector3D::polar() const {
  double r = length();
  if (!(r >= LengthTolerance))
    return Vector3D(r, 0.0, 0.0);
  double c = std::clamp(z / r, -1.0, 1.0);
  double theta = std::clamp(Math::acos(c), 0.0, std::numbers::pi);
  return Vector3D(r, vyx::PolarAngle(x, y), theta);
}

// Streams ------------------------------------------------------------------------------

opstream &operator<<(opstream &os, const Vector3D &v) {
  os.writeDWord(vyx::VectorStreamMarker);
  return os << v.x << v.y << v.z;
}

ipstream &operator>>(ipstream &is, Vector3D &v) {
  Vector3D read = vyx::detail::ReadUnscaledVector3D(is);
  read *= GSUSInfo::InputScale();
  v = read;
  return is;
}

std::ostream &operator<<(std::ostream &os, const Vector3D &v) {
  os << std::fixed << std::setprecision(3);
  return os << std::setw(11) << v.x << std::setw(11) << v.y << std::setw(11) << v.z << ' ';
}

std::istream &operator>>(std::istream &is, Vector3D &v) {
  Vector3D read;
  if (is >> read.x >> read.y >> read.z) {
    read *= GSUSInfo::InputScale();
    v = read;
  }
  return is;
}
