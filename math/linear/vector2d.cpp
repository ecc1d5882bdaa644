//===- vector2d.cpp - Two-dimensional double vectors ----------------------===//
//
// Stream form read here:
//   dword 0x7F810000, then x, y as doubles         (current form)
//   or x as the float whose bits the first dword is, then y as a float
// Nothing is scaled. The values are taken over only when the stream is
// still good.
//
//===----------------------------------------------------------------------===//
#include "linear/vector2d.h"

#include "linear/vector3d.h"
#include "linear/vector_stream_impl.h"
#include "numerics/math_utilities.h"
#include "pstreams/pstream.h"

#include <cfloat>
#include <cmath>
#include <istream>
#include <ostream>

const Vector2D Vector2D::gEx(1.0, 0.0);
const Vector2D Vector2D::gEy(0.0, 1.0);

double Vector2D::operator^(const Vector2D &w) const {
  double g = std::sqrt(normsq(*this) * normsq(w));
  if (std::fabs(g) <= FLT_MIN)
    return 0.0;
  double d = (*this, w);
  if (g < d * Vector3D::LengthTolerance)
    return 0.0;
  return Math::acos(d / g);
}

double Vector2D::norm(const Vector2D &v) { return std::sqrt(normsq(v)); }

Vector2D Vector2D::uni(const Vector2D &v) {
  double n = norm(v);
  if (n > Vector3D::LengthTolerance)
    return Vector2D(v.x / n, v.y / n);
  return Vector2D();
}

void Vector2D::grow(double d) {
  double l = norm(*this);
  if (l != 0.0)
    *this *= d / l + 1.0;
}

int Vector2D::Ort(const Vector2D &v, Vector2D *out) {
  if (out)
    *out = Vector2D(-v.y, v.x);
  return 0;
}

Vector2D Vector2D::rphi(const Vector2D &v) {
  double r = norm(v);
  if (r >= Vector3D::LengthTolerance)
    return Vector2D(r, vyx::PolarAngle(v.x, v.y));
  return Vector2D(r, 0.0);
}

// Streams ------------------------------------------------------------------------------

opstream &operator<<(opstream &os, const Vector2D &v) {
  os.writeDWord(vyx::VectorStreamMarker);
  return os << v.x << v.y;
}

ipstream &operator>>(ipstream &is, Vector2D &v) {
  double c[2];
  vyx::detail::ReadMarkedComponents(is, c);
  v = Vector2D(c[0], c[1]);
  return is;
}

std::ostream &operator<<(std::ostream &os, const Vector2D &v) {
  return os << v.x << ' ' << v.y << ' ';
}

std::istream &operator>>(std::istream &is, Vector2D &v) {
  Vector2D read;
  if (is >> read.x >> read.y)
    v = read;
  return is;
}
