//===- vmatrix.cpp - Grids of points --------------------------------------===//
//
// Refining and coarsening work on one line of points at a time: every
// column for the row forms, every row for the column forms, so both share
// one algorithm on a sequence of points.
//
//===----------------------------------------------------------------------===//
#include "linear/vmatrix.h"

#include "linear/matrix_defaults_impl.h"

#include <cstdint>

VYX_TYPED_MATRIX_DEFAULT_SIZE(Vector3D)

namespace {

/// The points of one line of a matrix: row `line` (along the columns) or
/// column `line` (along the rows).
class Line {
public:
  Line(VMatrix &m, unsigned line, bool alongRows) : M(m), Fixed(line), AlongRows(alongRows) {}
  Vector3D &operator[](long p) const {
    return AlongRows ? M[static_cast<unsigned>(p)][Fixed] : M[Fixed][static_cast<unsigned>(p)];
  }

private:
  VMatrix &M;
  unsigned Fixed;
  bool AlongRows;
};

/// Old point k of a .. b moves to a + 2(k - a), the points after b move on
/// by b - a, and the new points between are midpoints. The line already has
/// its new length.
void Rarefy(const Line &s, long oldCount, long a, long b) {
  long shift = b - a;
  for (long k = oldCount - 1; k > b; --k)
    s[k + shift] = s[k];
  for (long k = b; k >= a; --k)
    s[a + 2 * (k - a)] = s[k];
  for (long k = a; k < b; ++k) {
    long p = a + 2 * (k - a);
    s[p + 1] = (s[p] + s[p + 2]) / 2.0;
  }
}

/// Keeps a, a + 2, ..., a + 2n (n = (b - a) / 2) and closes up the rest;
/// the caller then drops the last n points.
void Condense(const Line &s, long oldCount, long a, long b) {
  long n = (b - a) / 2;
  for (long i = 1; i <= n; ++i)
    s[a + i] = s[a + 2 * i];
  for (long k = a + 2 * n + 1; k < oldCount; ++k)
    s[k - n] = s[k];
}

} // namespace

VMatrix &VMatrix::operator*=(double s) {
  forEach([s](Vector3D &e) { e *= s; });
  return *this;
}

VMatrix &VMatrix::operator/=(double s) {
  forEach([s](Vector3D &e) { e /= s; });
  return *this;
}

void VMatrix::copy_row(int to, int from) {
  checkIndexes(to, 0);
  checkIndexes(from, 0);
  const Vector3D *source = (*this)[static_cast<unsigned>(from)];
  std::copy(source, source + numColumns(), (*this)[static_cast<unsigned>(to)]);
}

void VMatrix::copy_col(int to, int from) {
  checkIndexes(0, to);
  checkIndexes(0, from);
  for (unsigned r = 0; r < numRows(); ++r)
    (*this)[r][to] = (*this)[r][from];
}

bool VMatrix::checkRange(int a, int b, unsigned count, unsigned other) const {
  if (a >= b)
    return false;
  if (a < 0)
    throw Matrix_IndexOutOfRange_Exception(a, 0, static_cast<long>(count));
  if (static_cast<unsigned>(b) >= count)
    throw Matrix_IndexOutOfRange_Exception(b, 0, static_cast<long>(count));
  if (other == 0)
    throw Matrix_IndexOutOfRange_Exception(0, 0, static_cast<long>(other));
  if (uint64_t(count) + unsigned(b - a) > UINT32_MAX)
    throw OutOfMemory_Exception();
  return true;
}

void VMatrix::rarefy_row(int a, int b) {
  unsigned rows = numRows(), columns = numColumns();
  if (!checkRange(a, b, rows, columns))
    return;
  resize_with_save(rows + unsigned(b - a), columns);
  for (unsigned c = 0; c < columns; ++c)
    Rarefy(Line(*this, c, true), rows, a, b);
}

void VMatrix::rarefy_col(int a, int b) {
  unsigned rows = numRows(), columns = numColumns();
  if (!checkRange(a, b, columns, rows))
    return;
  resize_with_save(rows, columns + unsigned(b - a));
  for (unsigned r = 0; r < rows; ++r)
    Rarefy(Line(*this, r, false), columns, a, b);
}

void VMatrix::condense_row(int a, int b) {
  unsigned rows = numRows(), columns = numColumns();
  if (!checkRange(a, b, rows, columns))
    return;
  for (unsigned c = 0; c < columns; ++c)
    Condense(Line(*this, c, true), rows, a, b);
  resize_with_save(rows - unsigned(b - a) / 2, columns);
}

void VMatrix::condense_col(int a, int b) {
  unsigned rows = numRows(), columns = numColumns();
  if (!checkRange(a, b, columns, rows))
    return;
  for (unsigned r = 0; r < rows; ++r)
    Condense(Line(*this, r, false), columns, a, b);
  resize_with_save(rows, columns - unsigned(b - a) / 2);
}
