//===- gclipping_half_space.h - Half-spaces n · x >= d ----------*- C++ -*-===//
//
// GClippingHalfSpace is the set of points x with n · x >= d for a unit
// normal n; points on the plane are inside. Every constructor and transform
// leaves n of length 1 (d scaled with it). It clips segments and tests
// spheres and boxes; GClippingVolume intersects several of them.
//
// Stream form: byte 0, the normal in the Vector3D form, d as a double. The
// normal is a direction and d a length: the reader scales d, not the normal,
// by GSUSInfo::InputScale().
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_GCLIPPING_HALF_SPACE_H
#define VYX_GEOMETRY_GCLIPPING_HALF_SPACE_H

#include "linear/vector3d.h"
#include "vyx_math_export.h"

#include <iosfwd>

class GBox;
class Matrix3D;
class opstream;
class ipstream;

/// How a segment came out of clipping.
enum GClippedSegmentType {
  /// The segment lies wholly outside.
  GClippedOut = 0,
  /// Its end point was moved onto the boundary.
  GClippedEnd = 1,
  /// Its start point was moved.
  GClippedStart = 2,
  /// Both ends were moved (volumes only).
  GClippedBoth = 3,
  /// It lies wholly inside and is unchanged.
  GClippedInside = 4
};

/// How a sphere lies against a half-space or volume.
enum GClippedSphereType { GSphereOutside = 0, GSphereCrossing = 1, GSphereInside = 2 };

namespace vyx {

/// How a sphere of radius r lies against a region whose signed distance at
/// its centre is s: outside when s < 0 and -s > r, inside when s >= r,
/// crossing otherwise.
inline GClippedSphereType SphereAgainst(double s, double r) {
  if (s < 0.0 && -s > r)
    return GSphereOutside;
  return s >= r ? GSphereInside : GSphereCrossing;
}

} // namespace vyx

/// The half-space n · x >= d.
class VYX_MATH_API GClippingHalfSpace {
public:
  /// z >= 0.
  GClippingHalfSpace() = default;
  /// The side of the plane through `point` towards which `normal` points.
  /// Throws NormalToPlaneHasZeroLength_Exception for a zero normal.
  GClippingHalfSpace(const Vector3D &point, const Vector3D &normal);
  /// a x + b y + c z + e >= 0. Throws for a = b = c = 0.
  GClippingHalfSpace(float a, float b, float c, float e);

  double getD() const { return D; }
  const Vector3D &getNormal() const { return N; }

  /// n · p - d: positive inside.
  double distance(const Vector3D &p) const { return (N, p) - D; }
  bool contains(const Vector3D &p) const { return (N, p) >= D; }
  /// A point of the plane on the coordinate axis of the largest normal
  /// component.
  Vector3D get_point() const;
  /// Moves the half-space by m: inv_modify(m.inversed()).
  void modify(const Matrix3D &m);
  /// Moves the half-space by the affine transform whose inverse is inv:
  /// afterwards x is inside exactly when inv · x was inside before.
  void inv_modify(const Matrix3D &inv);
  /// True when some edge of the box is not wholly outside.
  bool intersects(const GBox &box) const;

  /// Clips the segment a-b to the half-space; t receives the parameter of
  /// the crossing on a-b when there is one.
  GClippedSegmentType clip_segment(Vector3D &a, Vector3D &b, double &t) const;
  /// The same; true unless the segment lies wholly outside.
  bool clip_segment(Vector3D &a, Vector3D &b) const;
  /// With s = distance(center): outside when s < 0 and -s > r, inside when
  /// s >= r, crossing otherwise.
  GClippedSphereType check_sphere(const Vector3D &center, double r) const;

  bool operator==(const GClippingHalfSpace &h) const { return D == h.D && N == h.N; }
  bool operator!=(const GClippingHalfSpace &h) const { return !(*this == h); }

private:
  friend VYX_MATH_API ipstream &operator>>(ipstream &is, GClippingHalfSpace &h);

  /// Divides n and d by the length of n; a zero normal is left alone.
  void unify();

  double D = 0.0;
  Vector3D N = Vector3D::gEz;
};

VYX_MATH_API opstream &operator<<(opstream &os, const GClippingHalfSpace &h);
/// A short stream, or a stored normal of zero length, throws
/// NonZeroPStreamState_Exception and leaves `h` unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, GClippingHalfSpace &h);
/// "normal=", the normal, " d=" and -d (the constant c of n · x + c = 0).
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const GClippingHalfSpace &h);

#endif // VYX_GEOMETRY_GCLIPPING_HALF_SPACE_H
