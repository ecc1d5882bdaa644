//===- uchar_matrix.h - Byte matrices ---------------------------*- C++ -*-===//
//
// UCharMatrix is TGMatrix<unsigned char>: a matrix of bytes with
// element-wise byte arithmetic (products wrap modulo 256, quotients are
// integer quotients).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_UCHAR_MATRIX_H
#define VYX_LINEAR_UCHAR_MATRIX_H

#include "linear/tgmatrix.h"
#include "vyx_math_export.h"

template <> vyx::MatrixDefaults &vyx::TypedMatrix<unsigned char>::Defaults();

/// A matrix of bytes.
template <> class VYX_MATH_API TGMatrix<unsigned char> : public vyx::TypedMatrix<unsigned char> {
public:
  using TypedMatrix::TypedMatrix;
  TGMatrix() = default;
  TGMatrix(const TGMatrix &) = default;

  TGMatrix &operator=(const TGMatrix &m) = default;
  /// Sets every element to v.
  TGMatrix &operator=(unsigned char v) {
    fill(v);
    return *this;
  }

  /// The n x n identity.
  static TGMatrix E(int n);

  /// Every element times s, modulo 256.
  TGMatrix &operator*=(unsigned char s);
  /// Every element divided by s; s = 0 throws Matrix_Exception and changes
  /// nothing.
  TGMatrix &operator/=(unsigned char s);
  TGMatrix operator*(unsigned char s) const { return TGMatrix(*this) *= s; }
  TGMatrix operator/(unsigned char s) const { return TGMatrix(*this) /= s; }
};

using UCharMatrix = TGMatrix<unsigned char>;

inline UCharMatrix operator*(unsigned char s, const UCharMatrix &m) { return m * s; }

#endif // VYX_LINEAR_UCHAR_MATRIX_H
