//===- vector3d.h - Three-dimensional double vectors ------------*- C++ -*-===//
//
// Vector3D is the value type of points, directions and sizes: three doubles
// x, y, z, copied by value, without virtual functions. Length tests use one
// tolerance, 1e-12: a vector not longer than that has length 0 and
// normalises to the zero vector.
//
// Stream form (free operators): the dword 0x7F810000 (the bit pattern of a
// single-precision NaN, which no older stream starts with), then x, y, z as
// doubles. The reader also takes the older form of three bare floats and
// multiplies what it read by GSUSInfo::InputScale().
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_VECTOR3D_H
#define VYX_LINEAR_VECTOR3D_H

#include "vyx_math_export.h"

#include <iosfwd>

class opstream;
class ipstream;

/// A three-dimensional double vector.
class VYX_MATH_API Vector3D {
public:
  /// The tolerance of every length test.
  static constexpr double LengthTolerance = 1e-12;

  constexpr Vector3D() = default;
  constexpr Vector3D(double x, double y, double z) : x(x), y(y), z(z) {}

  /// The unit vectors along the axes.
  static const Vector3D gEx, gEy, gEz;
  static const Vector3D &Ex() { return gEx; }
  static const Vector3D &Ey() { return gEy; }
  static const Vector3D &Ez() { return gEz; }

  // Arithmetic, component by component. The compound operators return
  // nothing.
  Vector3D operator+() const { return *this; }
  Vector3D operator-() const { return Vector3D(-x, -y, -z); }
  void operator+=(const Vector3D &w) {
    x += w.x;
    y += w.y;
    z += w.z;
  }
  void operator-=(const Vector3D &w) {
    x -= w.x;
    y -= w.y;
    z -= w.z;
  }
  void operator*=(double s) {
    x *= s;
    y *= s;
    z *= s;
  }
  /// Divides each component by s (no zero test).
  void operator/=(double s) {
    x /= s;
    y /= s;
    z /= s;
  }
  Vector3D operator+(const Vector3D &w) const { return Vector3D(x + w.x, y + w.y, z + w.z); }
  Vector3D operator-(const Vector3D &w) const { return Vector3D(x - w.x, y - w.y, z - w.z); }
  Vector3D operator*(double s) const { return Vector3D(x * s, y * s, z * s); }
  Vector3D operator/(double s) const { return Vector3D(x / s, y / s, z / s); }
  /// Dot product.
  double operator,(const Vector3D &w) const { return x * w.x + y * w.y + z * w.z; }
  double operator&(const Vector3D &w) const { return (*this, w); }
  /// Cross product.
  Vector3D operator*(const Vector3D &w) const {
    return Vector3D(y * w.z - z * w.y, z * w.x - x * w.z, x * w.y - y * w.x);
  }
  /// The angle between this vector and w, in [0, π]; 0 when either is (near)
  /// zero.
  double operator^(const Vector3D &w) const;
  /// Exact comparison of every component.
  bool operator==(const Vector3D &w) const { return x == w.x && y == w.y && z == w.z; }
  bool operator!=(const Vector3D &w) const { return !(*this == w); }

  // Length and direction.
  /// x² + y² + z², no tolerance.
  double sqlength() const { return x * x + y * y + z * z; }
  static double normsq(const Vector3D &v) { return v.sqlength(); }
  /// √(x² + y² + z²) when that exceeds 1e-12, else exactly 0.
  double length() const;
  static double norm(const Vector3D &v) { return v.length(); }
  /// Divides by length(); a vector of length 0 becomes the zero vector.
  void normalize();
  Vector3D normalized() const;
  static Vector3D uni(const Vector3D &v) { return v.normalized(); }
  /// Lengthens the vector by d along itself; a zero vector stays zero.
  void grow(double d);

  /// Builds a right-handed frame around this vector: `a` becomes the
  /// normalised b × this scaled to a's length, `b` the normalised this × a
  /// scaled to b's length. False (with `a` possibly overwritten) when `a` is
  /// zero or the cross products are degenerate.
  bool orthogonalize(Vector3D &a, Vector3D &b) const;
  /// The same frame from one hint `v` (which receives its part orthogonal to
  /// this vector, at its own length); a hint parallel to this vector is
  /// replaced by the axis along this vector's smallest component.
  bool orthogonalize_z(Vector3D &v) const;
  /// !dir.orthogonalize(*a, *b): true means failure (also for null).
  static bool Ort(const Vector3D &dir, Vector3D *a, Vector3D *b);
  /// !dir.orthogonalize_z(*v): true means failure (also for null).
  static bool OrtZ(const Vector3D &dir, Vector3D *v);

  /// Spherical coordinates packed as (r, φ, θ): φ in [0, 2π] measured in the
  /// x-y plane, θ in [0, π] from the z axis; (r, 0, 0) for a zero vector.
  Vector3D polar() const;
  static Vector3D rphitheta(const Vector3D &v) { return v.polar(); }

  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

inline Vector3D operator*(double s, const Vector3D &v) { return v * s; }

VYX_MATH_API opstream &operator<<(opstream &os, const Vector3D &v);
/// Reads either stream form and multiplies by GSUSInfo::InputScale(). A
/// short stream throws NonZeroPStreamState_Exception and leaves `v`
/// unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, Vector3D &v);
/// Fixed notation, each component with width 11 and precision 3, then one
/// blank.
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const Vector3D &v);
/// Reads x, y, z and multiplies them by GSUSInfo::InputScale(); `v` is
/// unchanged when the stream fails.
VYX_MATH_API std::istream &operator>>(std::istream &is, Vector3D &v);

namespace vyx {

/// The polar angle of (x, y) in [0, 2π], as Vector2D::rphi and
/// Vector3D::polar measure it.
VYX_MATH_API double PolarAngle(double x, double y);

/// The marker that starts the double-precision stream form of vectors.
inline constexpr unsigned long VectorStreamMarker = 0x7F810000ul;

} // namespace vyx

#endif // VYX_LINEAR_VECTOR3D_H
