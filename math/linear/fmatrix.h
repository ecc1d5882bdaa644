//===- fmatrix.h - Single-precision matrices --------------------*- C++ -*-===//
//
// FMatrix is TGMatrix<float>: a matrix of floats with products, scaling,
// the element-wise inner product and inversion by Gauss-Jordan elimination
// with full pivoting in single precision. Products accumulate their sums in
// extended precision and store them as floats.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_FMATRIX_H
#define VYX_LINEAR_FMATRIX_H

#include "linear/tgmatrix.h"
#include "vyx_math_export.h"

#include <cmath>

template <> vyx::MatrixDefaults &vyx::TypedMatrix<float>::Defaults();

/// A matrix of floats.
template <> class VYX_MATH_API TGMatrix<float> : public vyx::TypedMatrix<float> {
public:
  using TypedMatrix::TypedMatrix;
  TGMatrix() = default;
  TGMatrix(const TGMatrix &) = default;

  /// Copies `m`, taking its shape (a view keeps its own; see GMatrixBase).
  TGMatrix &operator=(const TGMatrix &m) = default;
  /// Sets every element to v.
  TGMatrix &operator=(float v) {
    fill(v);
    return *this;
  }

  /// The n x n identity.
  static TGMatrix E(int n);

  TGMatrix &operator*=(float s);
  TGMatrix &operator/=(float s);
  TGMatrix operator*(float s) const { return TGMatrix(*this) *= s; }
  TGMatrix operator/(float s) const { return TGMatrix(*this) /= s; }
  /// The matrix product; NoMultiplyableMatrix_Exception unless this
  /// matrix's column count is b's row count.
  TGMatrix operator*(const TGMatrix &b) const;
  /// this = this × b, b of exactly this shape (else
  /// MatrixDifferentSizes_Exception).
  TGMatrix &operator*=(const TGMatrix &b);
  /// this × the inverse of b.
  TGMatrix operator/(const TGMatrix &b) const { return *this * ~b; }
  /// The sum of the products of corresponding elements;
  /// MatrixDifferentSizes_Exception unless the shapes are equal.
  double operator&(const TGMatrix &b) const;
  double operator,(const TGMatrix &b) const { return *this & b; }

  /// Inverts in place and returns this matrix. NotSquareMatrix_Exception for
  /// a matrix that is not square, SingularFMatrix_Exception (the matrix
  /// unchanged) for a singular one.
  TGMatrix &inv();
  /// An inverted copy.
  TGMatrix operator~() const { return TGMatrix(*this).inv(); }

  /// The buffer format of single-precision matrices.
  virtual int get_buffer_format() const { return 1; }
};

using FMatrix = TGMatrix<float>;

inline FMatrix operator*(float s, const FMatrix &m) { return m * s; }

/// The Frobenius norm: √(A & A).
inline double abs(const FMatrix &a) { return std::sqrt(a & a); }

#endif // VYX_LINEAR_FMATRIX_H
