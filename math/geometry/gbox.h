//===- gbox.h - Oriented boxes ----------------------------------*- C++ -*-===//
//
// GBox is an oriented box, in general a parallelepiped: an origin corner
// (vertex 0) and three edge vectors X, Y and Z, kept right-handed
// ((X × Y) · Z >= 0) by setAll. It can be transformed by any Matrix3D, gives
// its eight vertices and twelve edges, tests points, intersects lines, and
// converts between the world and its own frame (x along X, z along Z, origin
// at vertex 0).
//
// Vertex i is origin + X (if i mod 4 is 1 or 2) + Y (if i mod 4 is 2 or 3)
// + Z (if i >= 4); edges 0-11 join vertices 0-1, 1-2, 0-3, 3-2, 4-5, 5-6,
// 4-7, 7-6, 0-4, 1-5, 2-6, 3-7.
//
// Stream form: byte 2 (version), origin, X, Y, Z in the Vector3D form. Any
// version is read; a version-1 box has one more byte after the vectors.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_GBOX_H
#define VYX_GEOMETRY_GBOX_H

#include "geometry/gbasic_box.h"
#include "linear/matrix3d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// An oriented box (parallelepiped) with a right-handed edge triple.
class VYX_MATH_API GBox {
public:
  /// Vertex numbers (see the file comment).
  enum Vertex { V0, V1, V2, V3, V4, V5, V6, V7 };

  /// The unit cube.
  GBox() = default;
  /// setAll(origin, x, y, z).
  GBox(const Vector3D &origin, const Vector3D &x, const Vector3D &y, const Vector3D &z);
  /// The axis-aligned box b: origin b.origin(), edges along the axes with the
  /// lengths of b's size.
  explicit GBox(const GBasicBox &b);
  GBox(const GBox &) = default;
  GBox &operator=(const GBox &) = default;
  virtual ~GBox() = default;

  /// Stores origin, X = x, Y = y and Z = z; when (x × y) · z < 0 it stores
  /// Z = -z and moves the origin by z instead, so that the box covers the
  /// same space with a right-handed edge triple.
  virtual void setAll(const Vector3D &origin, const Vector3D &x, const Vector3D &y,
                      const Vector3D &z);
  void setOrigin(const Vector3D &o) { setAll(o, X, Y, Z); }
  void setToUnit() { setAll(Vector3D(), Vector3D::gEx, Vector3D::gEy, Vector3D::gEz); }
  /// origin + (X + Y + Z) / 2.
  Vector3D getCenter() const { return Origin + (X + Y + Z) / 2.0; }
  void setCenter(const Vector3D &c) { setOrigin(c - (X + Y + Z) / 2.0); }

  const Vector3D &getOrigin() const { return Origin; }
  const Vector3D &getX() const { return X; }
  const Vector3D &getY() const { return Y; }
  const Vector3D &getZ() const { return Z; }
  double getXlen() const { return X.length(); }
  double getYlen() const { return Y.length(); }
  double getZlen() const { return Z.length(); }

  /// The axis-aligned bounds of the eight vertices.
  GBasicBox bounds() const;
  Vector3D get_vertex(Vertex v) const;
  /// The vertex in the box's own frame: (|X|, |Y|, |Z|) components chosen as
  /// for get_vertex.
  Vector3D get_local_vertex(Vertex v) const;
  /// The end points of edge i (0 to 11); other values leave a and b alone.
  void edge(int i, Vector3D &a, Vector3D &b) const;

  /// Lengthens X by d.x, Y by d.y and Z by d.z along themselves; the origin
  /// stays.
  virtual void grow(const Vector3D &d);
  /// Transforms the box as a point set: the origin and the corners
  /// origin + X, origin + Y, origin + Z are transformed as points.
  virtual void modify(const Matrix3D &m);
  void rotate(const Vector3D &axis, double angle);
  void rotate(const Vector3D &point, const Vector3D &axis, double angle);
  /// The same with point and axis given in the box's frame.
  void rotate_in_localCS(Vector3D point, Vector3D axis, double angle);

  /// Box frame to world: Matrix3D::hmtr(X / |X|, Z / |Z|, origin). An edge of
  /// length 0 gives a zero column (and a singular matrix) instead of NaNs.
  virtual Matrix3D to_model_matrix() const;
  /// The inverse of to_model_matrix().
  virtual Matrix3D to_local_matrix() const;
  Matrix3D to_world_matrix() const { return to_model_matrix(); }
  /// This box's frame to the frame of `other`.
  Matrix3D to_box_matrix(const GBox &other) const;

  /// p lies inside or on a face. The faces are the planes through the origin
  /// and through vertex 6 spanned by two edges each, so the test is exact for
  /// parallelepipeds as well as for rectangular boxes.
  bool contains(const Vector3D &p) const;

  /// The parameters where the line p + t d meets the box's faces: t1 the
  /// smallest and t2 the largest (equal when only one face is met). False
  /// when the line misses the box.
  bool intersect(const Vector3D &p, const Vector3D &d, double &t1, double &t2) const;
  /// 0 when the line misses the box or the box lies behind p (t2 < 0);
  /// 2 with both points when p lies before the box (t1 >= 0); 1 with the
  /// exit point in `first` when p lies inside.
  int intersect(const Vector3D &p, const Vector3D &d, Vector3D &first, Vector3D &second) const;
  /// The ray from a through b: stores the first point found (if hit is not
  /// null); true when a point was found. Points are not limited to the
  /// segment a-b.
  bool intersect(const Vector3D &a, const Vector3D &b, Vector3D *hit) const;
  /// The ray from a through b: hits[0] the first point, hits[1] the second
  /// (the zero vector when there is one). Nothing is stored on a miss.
  bool intersect_through(const Vector3D &a, const Vector3D &b, Vector3D *hits) const;
  /// The same with a, b and the points found in the box's frame.
  bool intersect_in_localCS(const Vector3D &a, const Vector3D &b, Vector3D *hit) const;
  bool intersect_in_localCS_through(const Vector3D &a, const Vector3D &b, Vector3D *hits) const;

  bool operator==(const GBox &b) const {
    return Origin == b.Origin && X == b.X && Y == b.Y && Z == b.Z;
  }
  bool operator!=(const GBox &b) const { return !(*this == b); }

private:
  friend VYX_MATH_API ipstream &operator>>(ipstream &is, GBox &b);

  Vector3D Origin;
  Vector3D X = Vector3D::gEx;
  Vector3D Y = Vector3D::gEy;
  Vector3D Z = Vector3D::gEz;
};

VYX_MATH_API opstream &operator<<(opstream &os, const GBox &b);
/// Any version; a short stream throws NonZeroPStreamState_Exception and
/// leaves `b` unchanged. The edges are taken as stored (not re-oriented).
VYX_MATH_API ipstream &operator>>(ipstream &is, GBox &b);

#endif // VYX_GEOMETRY_GBOX_H
