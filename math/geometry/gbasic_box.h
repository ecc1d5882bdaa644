//===- gbasic_box.h - Axis-aligned boxes ------------------------*- C++ -*-===//
//
// GBasicBox is an axis-aligned box given by its minimum corner (origin) and
// its maximum corner (opposite). It is a plain value type that serves as a
// bounding box: grown point by point, united, intersected, translated and
// scaled. A box is empty when, on any axis, origin >= opposite, so a flat box
// counts as empty; the default box is inverted (origin at +M, opposite at -M
// with M the largest single-precision value) and therefore empty.
//
// Stream form: byte 0 (a version that readers skip), origin and opposite in
// the Vector3D form, which the reader scales by GSUSInfo::InputScale().
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_GBASIC_BOX_H
#define VYX_GEOMETRY_GBASIC_BOX_H

#include "linear/vector3d.h"
#include "vyx_math_export.h"

#include <iosfwd>

class opstream;
class ipstream;

/// An axis-aligned box.
class VYX_MATH_API GBasicBox {
public:
  /// The largest single-precision value, the extent of the inverted box.
  static constexpr double Huge = 3.4028234663852886e38;

  /// The inverted (empty) box: origin (M, M, M), opposite (-M, -M, -M).
  constexpr GBasicBox() : Origin(Huge, Huge, Huge), Opposite(-Huge, -Huge, -Huge) {}
  /// The corners as given (not sorted).
  constexpr GBasicBox(const Vector3D &origin, const Vector3D &opposite)
      : Origin(origin), Opposite(opposite) {}

  const Vector3D &origin() const { return Origin; }
  const Vector3D &opposite() const { return Opposite; }
  void origin(const Vector3D &o) { Origin = o; }
  void opposite(const Vector3D &o) { Opposite = o; }

  /// opposite - origin.
  Vector3D size() const { return Opposite - Origin; }
  /// Keeps the origin and moves the opposite corner to origin + s.
  void size(const Vector3D &s) { Opposite = Origin + s; }
  /// (origin + opposite) / 2.
  Vector3D center() const { return (Origin + Opposite) / 2.0; }
  /// Translates the box so that its centre is c.
  void center(const Vector3D &c);

  /// opposite := origin (a box of no extent, hence empty).
  void Empty() { Opposite = Origin; }
  /// origin >= opposite on some axis.
  bool isEmpty() const;
  /// origin <= p <= opposite on every axis (the boundary is inside).
  bool contains(const Vector3D &p) const;

  /// origin -= d, opposite += d.
  void grow(const Vector3D &d);
  /// Lowers the origin and raises the opposite corner on each axis so that
  /// p is inside. Both tests are made independently, so an inverted box
  /// (such as the default one) becomes exactly the bounds of the points
  /// added to it.
  void add_point(const Vector3D &p);

  void operator+=(const Vector3D &v);
  void operator-=(const Vector3D &v);
  GBasicBox operator+(const Vector3D &v) const;
  GBasicBox operator-(const Vector3D &v) const;
  void operator*=(double s);
  void operator/=(double s);
  GBasicBox operator*(double s) const;
  GBasicBox operator/(double s) const;
  /// Multiplies both corners component-wise by f.
  void operator*=(const Vector3D &f);

  /// Union: an empty box becomes a copy of b; an empty b changes nothing;
  /// otherwise the component-wise minimum of the origins and maximum of the
  /// opposite corners.
  GBasicBox &operator|=(const GBasicBox &b);
  GBasicBox operator|(const GBasicBox &b) const;
  /// Intersection: the component-wise maximum of the origins and minimum of
  /// the opposite corners (possibly empty).
  GBasicBox &operator&=(const GBasicBox &b);
  GBasicBox operator&(const GBasicBox &b) const;

  bool operator==(const GBasicBox &b) const { return Origin == b.Origin && Opposite == b.Opposite; }
  bool operator!=(const GBasicBox &b) const { return !(*this == b); }

private:
  Vector3D Origin;
  Vector3D Opposite;
};

VYX_MATH_API opstream &operator<<(opstream &os, const GBasicBox &b);
/// A short stream throws NonZeroPStreamState_Exception and leaves `b`
/// unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, GBasicBox &b);
/// "Min=", the origin, " Max=", the opposite corner.
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const GBasicBox &b);

#endif // VYX_GEOMETRY_GBASIC_BOX_H
