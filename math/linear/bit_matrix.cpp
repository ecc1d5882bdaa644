//===- bit_matrix.cpp - Two-dimensional grids of bits ---------------------===//
#include "linear/bit_matrix.h"

#include "object_model/exceptions.h"

#include <cstdint>

BitMatrix::BitMatrix(short nu, short nv) { resize(nu, nv); }

BitMatrix::~BitMatrix() = default;

void BitMatrix::resize(int nu, int nv) {
  if (nu < 0 || nu > INT16_MAX || nv < 0 || nv > INT16_MAX)
    throw InvalidMatrixSize_Exception();
  Bits.resize(static_cast<unsigned long>(nu) * static_cast<unsigned long>(nv));
  Nu = static_cast<int16_t>(nu);
  Nv = static_cast<int16_t>(nv);
}

unsigned long BitMatrix::index(short u, short v) const {
  if (u < 0 || u >= Nu)
    throw Matrix_IndexOutOfRange_Exception(u, 0, Nu);
  if (v < 0 || v >= Nv)
    throw Matrix_IndexOutOfRange_Exception(v, 0, Nv);
  return static_cast<unsigned long>(u) * static_cast<unsigned long>(Nv) +
         static_cast<unsigned long>(v);
}
