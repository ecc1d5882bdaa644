//===- vector2d.h - Two-dimensional double vectors --------------*- C++ -*-===//
//
// Vector2D is the two-dimensional companion of Vector3D: two doubles x, y,
// copied by value. Its compound operators return the vector itself; its
// norm has no tolerance, while uni() and rphi() treat a vector not longer
// than 1e-12 as zero.
//
// Stream form: the dword 0x7F810000, then x and y as doubles; the reader
// also takes two bare floats. Unlike Vector3D, nothing is scaled on read.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_VECTOR2D_H
#define VYX_LINEAR_VECTOR2D_H

#include "vyx_math_export.h"

#include <iosfwd>

class opstream;
class ipstream;

/// A two-dimensional double vector.
class VYX_MATH_API Vector2D {
public:
  constexpr Vector2D() = default;
  constexpr Vector2D(double x, double y) : x(x), y(y) {}

  static const Vector2D gEx, gEy;
  static const Vector2D &Ex() { return gEx; }
  static const Vector2D &Ey() { return gEy; }

  Vector2D operator+() const { return *this; }
  Vector2D operator-() const { return Vector2D(-x, -y); }
  Vector2D &operator+=(const Vector2D &w) {
    x += w.x;
    y += w.y;
    return *this;
  }
  Vector2D &operator-=(const Vector2D &w) {
    x -= w.x;
    y -= w.y;
    return *this;
  }
  Vector2D &operator*=(double s) {
    x *= s;
    y *= s;
    return *this;
  }
  /// Divides each component by s (no zero test).
  Vector2D &operator/=(double s) {
    x /= s;
    y /= s;
    return *this;
  }
  Vector2D operator+(const Vector2D &w) const { return Vector2D(x + w.x, y + w.y); }
  Vector2D operator-(const Vector2D &w) const { return Vector2D(x - w.x, y - w.y); }
  Vector2D operator*(double s) const { return Vector2D(x * s, y * s); }
  Vector2D operator/(double s) const { return Vector2D(x / s, y / s); }
  /// Dot product.
  double operator,(const Vector2D &w) const { return x * w.x + y * w.y; }
  double operator&(const Vector2D &w) const { return (*this, w); }
  /// The angle between this vector and w, in [0, π]; 0 when either is (near)
  /// zero.
  double operator^(const Vector2D &w) const;
  bool operator==(const Vector2D &w) const { return x == w.x && y == w.y; }
  bool operator!=(const Vector2D &w) const { return !(*this == w); }

  /// x² + y².
  static double normsq(const Vector2D &v) { return v.x * v.x + v.y * v.y; }
  /// √(x² + y²), no tolerance.
  static double norm(const Vector2D &v);
  /// v / |v|, or (0, 0) when |v| is not above 1e-12.
  static Vector2D uni(const Vector2D &v);
  /// Lengthens the vector by d along itself; a zero vector stays zero.
  void grow(double d);
  /// Writes (-v.y, v.x) to *out and returns 0 (success).
  static int Ort(const Vector2D &v, Vector2D *out);
  /// Polar coordinates (r, φ), φ in [0, 2π]; (r, 0) when r < 1e-12.
  static Vector2D rphi(const Vector2D &v);

  double x = 0.0;
  double y = 0.0;
};

inline Vector2D operator*(double s, const Vector2D &v) { return v * s; }

VYX_MATH_API opstream &operator<<(opstream &os, const Vector2D &v);
/// Reads either stream form (no scaling). A short stream throws
/// NonZeroPStreamState_Exception and leaves `v` unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, Vector2D &v);
/// x, a blank, y, a blank, in the stream's current format.
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const Vector2D &v);
/// Reads x and y; `v` is unchanged when the stream fails.
VYX_MATH_API std::istream &operator>>(std::istream &is, Vector2D &v);

#endif // VYX_LINEAR_VECTOR2D_H
