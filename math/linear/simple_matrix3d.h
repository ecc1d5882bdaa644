//===- simple_matrix3d.h - Plain 3x3 matrices -------------------*- C++ -*-===//
//
// SimpleMatrix3D is a plain row-major 3x3 matrix of doubles with its
// determinant, cofactors, one real eigenvalue and an eigenvector of it.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_SIMPLE_MATRIX3D_H
#define VYX_LINEAR_SIMPLE_MATRIX3D_H

#include "linear/vector3d.h"
#include "vyx_math_export.h"

class Matrix3D;

/// A plain 3x3 matrix.
class VYX_MATH_API SimpleMatrix3D {
public:
  /// The zero matrix.
  SimpleMatrix3D() = default;
  /// The upper-left 3x3 of `m`.
  explicit SimpleMatrix3D(const Matrix3D &m);

  double &operator()(int i, int j) { return a[i][j]; }
  double operator()(int i, int j) const { return a[i][j]; }

  /// The 3x3 with zero shift and bottom row (0, 0, 0, 1).
  Matrix3D GetMatrix3D() const;
  double Determinant() const;
  /// The signed cofactor of element (i, j).
  double GetMinor(int i, int j) const;
  /// One real root of the characteristic polynomial: the largest of three
  /// real roots, except that a root lying midway between the other two (a
  /// depressed cubic without constant term) is itself taken.
  double GetEigenValue() const;
  /// A unit eigenvector of GetEigenValue(), which is returned in `value`;
  /// (1, 0, 0) when none can be solved for.
  Vector3D GetEigenVector(double &value) const;
  /// The plain 3x3 product.
  Vector3D operator*(const Vector3D &v) const;

private:
  double a[3][3] = {};
};

#endif // VYX_LINEAR_SIMPLE_MATRIX3D_H
