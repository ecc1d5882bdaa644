//===- uchar_matrix.cpp - Byte matrices -----------------------------------===//
#include "linear/uchar_matrix.h"

#include "linear/matrix_defaults_impl.h"

VYX_TYPED_MATRIX_DEFAULT_SIZE(unsigned char)

UCharMatrix UCharMatrix::E(int n) {
  UCharMatrix e(n, n);
  for (unsigned i = 0; i < e.numRows(); ++i)
    e[i][i] = 1;
  return e;
}

UCharMatrix &UCharMatrix::operator*=(unsigned char s) {
  forEach([s](unsigned char &e) { e = static_cast<unsigned char>(e * s); });
  return *this;
}

UCharMatrix &UCharMatrix::operator/=(unsigned char s) {
  // An integer division by zero would end the process.
  if (s == 0)
    throw Matrix_Exception("Division of a byte matrix by zero");
  forEach([s](unsigned char &e) { e = static_cast<unsigned char>(e / s); });
  return *this;
}
