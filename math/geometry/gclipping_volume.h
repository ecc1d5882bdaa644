//===- gclipping_volume.h - Convex intersections of half-spaces -*- C++ -*-===//
//
// GClippingVolume is a convex region given as the intersection of the
// GClippingHalfSpace objects it owns; a volume without half-spaces is all of
// space. It tests points, segments and spheres and can be moved by a
// Matrix3D. The camera builds its view frustum as one.
//
// Stream form (a streamable registered as "GClippingVolume"): byte 0, then
// the GCollection body (count, limit and delta as compat dwords, the owns
// byte) whose items are half-spaces in their own stream form. A volume always
// owns its half-spaces, whatever the stored owns byte says.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_GCLIPPING_VOLUME_H
#define VYX_GEOMETRY_GCLIPPING_VOLUME_H

#include "containers/collection.h"
#include "geometry/gclipping_half_space.h"
#include "vyx_math_export.h"

#include <iosfwd>

class GBasicBox;
class GBox;
class Matrix3D;

/// The intersection of the half-spaces it owns.
class VYX_MATH_API GClippingVolume : public GCollection {
  VYX_DECLARE_CLASS(GClippingVolume);

  /// All of space.
  GClippingVolume();
  /// Deep copies of the half-spaces.
  GClippingVolume(const GClippingVolume &v);
  GClippingVolume &operator=(const GClippingVolume &v);
  /// Destroys the half-spaces.
  ~GClippingVolume() override;

  /// Removes every half-space (all space again).
  void occupy_all() { free_all(); }
  /// Appends h, taking it over; null is ignored.
  void add(GClippingHalfSpace *h);
  /// Appends the half-space through point towards normal (may throw
  /// NormalToPlaneHasZeroLength_Exception).
  void add_halfspace(const Vector3D &point, const Vector3D &normal);
  /// Removes and destroys half-space i; nothing for an index out of range.
  void remove(long i);
  /// Half-space i, unchecked.
  const GClippingHalfSpace &halfspace(long i) const {
    return *static_cast<const GClippingHalfSpace *>(at(i));
  }

  /// Appends copies of v's half-spaces.
  GClippingVolume &operator&=(const GClippingVolume &v);
  GClippingVolume &operator&=(const GClippingHalfSpace &h);
  /// Six half-spaces: through b's origin with normals +x, +y, +z, then
  /// through its opposite corner with -x, -y, -z.
  GClippingVolume &operator&=(const GBasicBox &b);
  /// Six half-spaces: the faces through b's origin, then those through
  /// vertex 6, with inward normals (along X, Y, Z for a rectangular box).
  GClippingVolume &operator&=(const GBox &b);

  /// Every half-space contains p (true for all space).
  bool contains(const Vector3D &p) const;
  /// Outside: the largest negative distance to a half-space; inside: the
  /// smallest distance; the largest single-precision value for all space.
  double distance(const Vector3D &p) const;
  /// Applied to every half-space (modify inverts m once).
  void modify(const Matrix3D &m);
  void inv_modify(const Matrix3D &inv);

  /// Clips the segment by every half-space from the last to the first;
  /// false as soon as one leaves nothing (a and b may then be changed).
  bool clip_segment(Vector3D &a, Vector3D &b) const;
  /// Clips a-b and reports which ends moved (GClippedBoth when both did);
  /// t_start and t_end receive the parameters of the clipped end points on
  /// the original segment.
  GClippedSegmentType clip_segment(Vector3D &a, Vector3D &b, double &t_start, double &t_end) const;
  /// The same on copies of a and b.
  GClippedSegmentType calculate_intersection(const Vector3D &a, const Vector3D &b, double &t_start,
                                             double &t_end) const;
  /// As for a half-space, with s = distance(center).
  GClippedSphereType check_sphere(const Vector3D &center, double r) const;

  void read(ipstream &is) override;
  void write(opstream &os) override;

protected:
  void freeItem(void *p) override;
  void write_item(const void *p, opstream &os) override;
  void *read_item(ipstream &is) override;

private:
  GClippingHalfSpace &at_(long i) const { return *static_cast<GClippingHalfSpace *>(at(i)); }
};

/// "Planes=", the count and a line feed, then "plane[i] : ", the half-space
/// and a line feed for each.
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const GClippingVolume &v);

#endif // VYX_GEOMETRY_GCLIPPING_VOLUME_H
