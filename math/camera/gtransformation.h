//===- gtransformation.h - A transform with its inverse ---------*- C++ -*-===//
//
// GTransformation holds a Matrix3D and its inverse, so that points,
// directions and normals can be carried either way between two coordinate
// systems without inverting again. Normals use the transposed linear part of
// the opposite matrix, which keeps them orthogonal to transformed planes.
//
// Stream form: byte 0 (a version that readers skip), the forward and the
// inverse matrix in the Matrix3D form (each scaled on read as Matrix3D is).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CAMERA_GTRANSFORMATION_H
#define VYX_CAMERA_GTRANSFORMATION_H

#include "linear/matrix3d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// A Matrix3D and its inverse.
class VYX_MATH_API GTransformation {
public:
  /// Both identity.
  GTransformation() = default;
  /// forward = m, inverse = m inverted (SingularMatrix3D_Exception for a
  /// singular general m).
  GTransformation(const Matrix3D &m) : Forward(m), Inverse(m.inversed()) {}
  GTransformation &operator=(const Matrix3D &m) { return *this = GTransformation(m); }

  const Matrix3D &toTransformedCS() const { return Forward; }
  const Matrix3D &toOriginalCS() const { return Inverse; }

  /// forward = forward · t.forward, inverse = t.inverse · inverse: t is
  /// applied first.
  GTransformation &operator*=(const GTransformation &t);
  GTransformation operator*(const GTransformation &t) const { return GTransformation(*this) *= t; }
  /// The same with m and its inverse.
  GTransformation &operator*=(const Matrix3D &m) { return *this *= GTransformation(m); }

  Vector3D pointToTransformedCS(const Vector3D &p) const { return Forward * p; }
  Vector3D pointToOriginalCS(const Vector3D &p) const { return Inverse * p; }
  Vector3D dirToTransformedCS(const Vector3D &d) const { return Forward & d; }
  Vector3D dirToOriginalCS(const Vector3D &d) const { return Inverse & d; }
  Vector3D normalToTransformedCS(const Vector3D &n) const { return Inverse.dir_product(n); }
  Vector3D normalToOriginalCS(const Vector3D &n) const { return Forward.dir_product(n); }

  bool operator==(const GTransformation &t) const {
    return Forward == t.Forward && Inverse == t.Inverse;
  }
  bool operator!=(const GTransformation &t) const { return !(*this == t); }

private:
  friend VYX_MATH_API ipstream &operator>>(ipstream &is, GTransformation &t);

  Matrix3D Forward;
  Matrix3D Inverse;
};

VYX_MATH_API opstream &operator<<(opstream &os, const GTransformation &t);
/// The two matrices as stored; a short stream throws
/// NonZeroPStreamState_Exception and leaves `t` unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, GTransformation &t);

#endif // VYX_CAMERA_GTRANSFORMATION_H
