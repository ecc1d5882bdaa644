//===- gclipping_half_space.cpp - Half-spaces n · x >= d ------------------===//
//
// Stream form read here:
//   byte      version (any value, skipped)
//   Vector3D  normal  (a direction: not scaled)
//   double    d       (a length: multiplied by GSUSInfo::InputScale())
// A normal of zero length (or not a number) is damaged data: a half-space
// needs a direction. The values are taken over only when all arrived.
//
//===----------------------------------------------------------------------===//
#include "geometry/gclipping_half_space.h"

#include "config/units.h"
#include "geometry/gbox.h"
#include "linear/math_exceptions.h"
#include "linear/matrix3d.h"
#include "linear/vector_stream_impl.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cmath>
#include <ostream>

GClippingHalfSpace::GClippingHalfSpace(const Vector3D &point, const Vector3D &normal)
    : D((point, normal)), N(normal) {
  if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0)
    throw NormalToPlaneHasZeroLength_Exception();
  unify();
}

GClippingHalfSpace::GClippingHalfSpace(float a, float b, float c, float e)
    : D(-static_cast<double>(e)), N(a, b, c) {
  if (a == 0.0f && b == 0.0f && c == 0.0f)
    throw NormalToPlaneHasZeroLength_Exception();
  unify();
}

void GClippingHalfSpace::unify() {
  double length = std::sqrt(N.sqlength());
  if (length == 0.0 || std::isinf(length)) {
    // The squares underflowed or overflowed: bring the largest component to
    // 1 first, so that very short and very long normals still normalise.
    double largest = std::max({std::fabs(N.x), std::fabs(N.y), std::fabs(N.z)});
    if (largest == 0.0 || !std::isfinite(largest))
      return;
    N /= largest;
    D /= largest;
    length = std::sqrt(N.sqlength());
  }
  N /= length;
  D /= length;
}

Vector3D GClippingHalfSpace::get_point() const {
  double ax = std::fabs(N.x), ay = std::fabs(N.y), az = std::fabs(N.z);
  if (ax > ay && ax > az)
    return Vector3D(D / N.x, 0, 0);
  if (ay >= ax && ay > az)
    return Vector3D(0, D / N.y, 0);
  return Vector3D(0, 0, D / N.z);
}

void GClippingHalfSpace::modify(const Matrix3D &m) { inv_modify(m.inversed()); }

void GClippingHalfSpace::inv_modify(const Matrix3D &inv) {
  D -= (N, inv.get_shift());
  N = inv.dir_product(N);
  unify();
}

bool GClippingHalfSpace::intersects(const GBox &box) const {
  for (int i = 11; i >= 0; --i) {
    Vector3D a, b;
    box.edge(i, a, b);
    if (clip_segment(a, b))
      return true;
  }
  return false;
}

GClippedSegmentType GClippingHalfSpace::clip_segment(Vector3D &a, Vector3D &b, double &t) const {
  Vector3D ab = b - a;
  double f = (ab, N);
  if (f == 0.0)
    return contains(a) ? GClippedInside : GClippedOut;
  t = (D - (N, a)) / f;
  if (t > 0.0 && t < 1.0) {
    if (contains(a)) {
      b = a + ab * t;
      return GClippedEnd;
    }
    a = a + ab * t;
    return GClippedStart;
  }
  if (t == 0.0) {
    if (contains(b))
      return GClippedInside;
    b = a;
    return GClippedEnd;
  }
  if (t == 1.0) {
    if (contains(a))
      return GClippedInside;
    a = b;
    return GClippedStart;
  }
  return contains(a) ? GClippedInside : GClippedOut;
}

bool GClippingHalfSpace::clip_segment(Vector3D &a, Vector3D &b) const {
  double t;
  return clip_segment(a, b, t) != GClippedOut;
}

GClippedSphereType GClippingHalfSpace::check_sphere(const Vector3D &center, double r) const {
  return vyx::SphereAgainst(distance(center), r);
}

opstream &operator<<(opstream &os, const GClippingHalfSpace &h) {
  os.writeByte(0);
  return os << h.getNormal() << h.getD();
}

ipstream &operator>>(ipstream &is, GClippingHalfSpace &h) {
  is.readByte();
  Vector3D normal = vyx::detail::ReadUnscaledVector3D(is);
  double d = 0.0;
  is >> d;
  vyx::ReadCheck(is, normal.sqlength() > 0.0);
  h.N = normal;
  h.D = d * GSUSInfo::InputScale();
  return is;
}

std::ostream &operator<<(std::ostream &os, const GClippingHalfSpace &h) {
  return os << "normal=" << h.getNormal() << " d=" << -h.getD();
}
