//===- quaternion.h - Rotations as quaternions ------------------*- C++ -*-===//
//
// Quaternion represents rotations for interpolation: a rotation by angle a
// about the unit axis u is (cos(a/2), sin(a/2)·u). It converts to and from
// Matrix3D and Euler angles, multiplies by the Hamilton product, and
// interpolates spherically (Slerp) or through a sequence (NotNormedSlerp).
//
// Stream form: the scalar as a double, then the vector part in the stream
// form of Vector3D (marker and three doubles). The vector part is not a
// length, so the reader does not scale it.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_QUATERNION_H
#define VYX_LINEAR_QUATERNION_H

#include "linear/matrix3d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// A quaternion (s, v) used for rotations.
class VYX_MATH_API Quaternion {
public:
  /// The identity (1, 0, 0, 0).
  Quaternion() = default;
  Quaternion(double s, const Vector3D &v) : s(s), v(v) {}
  Quaternion(double s, double x, double y, double z) : s(s), v(x, y, z) {}
  /// (1, v).
  explicit Quaternion(const Vector3D &v) : v(v) {}
  /// The rotation by a about `axis` (used as given, not normalised).
  Quaternion(const Vector3D &axis, double a);
  /// The rotation part of m.
  explicit Quaternion(const Matrix3D &m);

  static Quaternion identity() { return Quaternion(); }

  void set_q0(double value) { s = value; }
  double scal() const { return s; }
  /// The conjugate (s, -v), not divided by the squared length.
  Quaternion inverse() const { return Quaternion(s, -v); }
  /// 2·acos(s), with s clamped to [-1, 1].
  double get_angle() const;
  /// Keeps the axis vect() and sets the angle.
  void set_angle(double a);
  /// The unit rotation axis: v / sin(angle/2) normalised, (0, 0, 1) when
  /// that sine is below 1e-12.
  Vector3D vect() const;
  /// The vector part as stored.
  const Vector3D &vector() const { return v; }
  double length() const;
  /// Divides all four components by length(); a zero quaternion stays zero.
  void normalize();
  bool is_identity() const;
  /// Scalars within 1e-12 and vector parts within 1e-12 of each other or of
  /// each other's negation.
  bool operator==(const Quaternion &q) const;
  bool operator!=(const Quaternion &q) const { return !(*this == q); }

  /// The Hamilton product.
  Quaternion operator*(const Quaternion &b) const;
  Quaternion &operator*=(const Quaternion &b) { return *this = *this * b; }
  /// b.inverse() * this.
  Quaternion operator/(const Quaternion &b) const { return b.inverse() * *this; }

  /// The vector part of inverse() · (0, w) · this: w rotated by the inverse
  /// of this rotation, i.e. rot(vect(), get_angle()).dir_product(w) for a
  /// unit quaternion.
  Vector3D rotate(const Vector3D &w) const;

  /// m = m · rot(vect(), get_angle()).
  void make_matrix(Matrix3D &m) const;
  static void RotateMatrix(Matrix3D &m, const Quaternion &q) { q.make_matrix(m); }
  /// m = rot(q.vect(), q.get_angle()) · m.
  static void PreRotateMatrix(Matrix3D &m, const Quaternion &q);
  /// shift, scale and rotation of m.
  static void DecomposeMatrix(const Matrix3D &m, Vector3D &shift, Quaternion &q, Vector3D &scale);
  /// The Euler angles (Matrix3D::euler) of q's rotation; the inverse of
  /// EulerToQuaternion.
  static void QuaternionToEuler(const Quaternion &q, Vector3D &angles);
  /// The quaternion of the rotation Matrix3D::euler(angles).
  static void EulerToQuaternion(const Vector3D &angles, Quaternion &q);

  /// Spherical interpolation along the shorter arc, not normalised.
  static Quaternion Slerp(const Quaternion &a, const Quaternion &b, double t);
  /// The quaternion that continues the sequence a, b symmetrically.
  static Quaternion SymmAccQ2(const Quaternion &a, const Quaternion &b);
  /// Slerp for t up to 1; larger t extrapolate step by step along
  /// SymmAccQ2. A t of more than MaxExtrapolation steps (or NaN) gives NaN.
  static Quaternion NotNormedSlerp(const Quaternion &a, const Quaternion &b, double t);
  /// The most steps NotNormedSlerp extrapolates.
  static constexpr double MaxExtrapolation = 1048576.0;

  void write(opstream &os) const;
  /// A short stream throws NonZeroPStreamState_Exception and leaves the
  /// quaternion unchanged.
  void read(ipstream &is);

  double s = 1.0;
  Vector3D v;
};

/// q.rotate(w).
inline Vector3D operator&(const Vector3D &w, const Quaternion &q) { return q.rotate(w); }
inline Vector3D operator&(const Quaternion &q, const Vector3D &w) { return q.rotate(w); }

VYX_MATH_API opstream &operator<<(opstream &os, const Quaternion &q);
VYX_MATH_API ipstream &operator>>(ipstream &is, Quaternion &q);

#endif // VYX_LINEAR_QUATERNION_H
