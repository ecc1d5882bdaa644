//===- fmatrix.cpp - Single-precision matrices ----------------------------===//
#include "linear/fmatrix.h"

#include "linear/gauss_jordan_impl.h"
#include "linear/math_exceptions.h"
#include "linear/matrix_defaults_impl.h"

VYX_TYPED_MATRIX_DEFAULT_SIZE(float)

FMatrix FMatrix::E(int n) {
  FMatrix e(n, n);
  for (unsigned i = 0; i < e.numRows(); ++i)
    e[i][i] = 1.0f;
  return e;
}

FMatrix &FMatrix::operator*=(float s) {
  forEach([s](float &e) { e *= s; });
  return *this;
}

FMatrix &FMatrix::operator/=(float s) {
  forEach([s](float &e) { e /= s; });
  return *this;
}

FMatrix FMatrix::operator*(const FMatrix &b) const {
  if (numColumns() != b.numRows())
    throw NoMultiplyableMatrix_Exception();
  FMatrix c(static_cast<int>(numRows()), static_cast<int>(b.numColumns()));
  for (unsigned i = 0; i < numRows(); ++i) {
    const float *a = (*this)[i];
    float *out = c[i];
    for (unsigned j = 0; j < b.numColumns(); ++j) {
      long double sum = 0.0L;
      for (unsigned k = 0; k < numColumns(); ++k)
        sum += static_cast<long double>(a[k]) * b[k][j];
      out[j] = static_cast<float>(sum);
    }
  }
  return c;
}

FMatrix &FMatrix::operator*=(const FMatrix &b) {
  checkSameShape(b);
  FMatrix product = *this * b;
  GMatrixBase::operator=(product);
  return *this;
}

double FMatrix::operator&(const FMatrix &b) const {
  checkSameShape(b);
  double sum = 0.0;
  for (unsigned i = 0; i < numRows(); ++i)
    for (unsigned j = 0; j < numColumns(); ++j)
      sum += static_cast<double>((*this)[i][j]) * b[i][j];
  return sum;
}

FMatrix &FMatrix::inv() {
  if (numRows() != numColumns())
    throw NotSquareMatrix_Exception();
  FMatrix a(*this);
  if (!vyx::detail::GaussJordanInvert<float>([&a](int i) { return a[i]; },
                                             static_cast<int>(numRows()),
                                             vyx::detail::PivotScan::Backward))
    throw SingularFMatrix_Exception();
  GMatrixBase::operator=(a);
  return *this;
}
