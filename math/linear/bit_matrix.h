//===- bit_matrix.h - Two-dimensional grids of bits -------------*- C++ -*-===//
//
// BitMatrix is a two-dimensional view on a BitSet of nu x nv bits: the bit
// of (u, v) is number u·nv + v. Sizes and indexes are 16-bit, as stored by
// its users; an index outside the grid throws
// Matrix_IndexOutOfRange_Exception instead of touching a neighbouring bit.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_BIT_MATRIX_H
#define VYX_LINEAR_BIT_MATRIX_H

#include "containers/bit_set.h"
#include "vyx_math_export.h"

#include <cstdint>

/// A grid of nu x nv bits.
class VYX_MATH_API BitMatrix {
public:
  /// nu x nv clear bits; a negative size throws InvalidMatrixSize_Exception.
  BitMatrix(short nu, short nv);
  BitMatrix(const BitMatrix &) = default;
  BitMatrix &operator=(const BitMatrix &) = default;
  ~BitMatrix();

  bool get_bit(short u, short v) const { return Bits[index(u, v)]; }
  void set_bit(short u, short v) { Bits.set(index(u, v), true); }
  void cleare_bit(short u, short v) { Bits.set(index(u, v), false); }
  short get_nu() const { return Nu; }
  short get_nv() const { return Nv; }
  /// Resizes the bit set to nu·nv bits (the words in common keep their
  /// bits). Sizes outside 0 .. 32767 throw InvalidMatrixSize_Exception.
  void resize(int nu, int nv);
  const BitSet &bits() const { return Bits; }

private:
  unsigned long index(short u, short v) const;

  BitSet Bits;
  int16_t Nu = 0;
  int16_t Nv = 0;
};

#endif // VYX_LINEAR_BIT_MATRIX_H
