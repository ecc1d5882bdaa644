//===- gauss_jordan_impl.h - In-place inversion by Gauss-Jordan -*- C++ -*-===//
//
// Gauss-Jordan elimination with full pivoting, shared by Matrix3D (doubles)
// and FMatrix (floats). Each pass takes the element of largest magnitude
// among the rows and columns not yet used as pivots, exchanges its row into
// the diagonal, and eliminates its column from every other row; the column
// order is restored at the end. The arithmetic is done in T, so an FMatrix
// is inverted in single precision.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_GAUSS_JORDAN_IMPL_H
#define VYX_LINEAR_GAUSS_JORDAN_IMPL_H

#include <cmath>
#include <utility>
#include <vector>

namespace vyx::detail {

/// How the pivot search walks the candidates.
enum class PivotScan {
  /// Rows then columns from the first to the last; ties keep the first.
  Forward,
  /// Rows then columns from the last to the first; a later element of equal
  /// magnitude replaces the earlier one, so ties go to the lowest indices.
  Backward,
};

/// Inverts the n x n matrix whose row i is `row(i)` (a T *). Returns false
/// for a singular matrix (a pivot that is exactly 0, or a column chosen
/// twice); the elements are then partly changed.
template <class T, class RowOf> bool GaussJordanInvert(RowOf row, int n, PivotScan scan) {
  std::vector<int> used(n, 0), pivotRow(n), pivotCol(n);
  for (int pass = 0; pass < n; ++pass) {
    T big = T(0);
    int prow = -1, pcol = -1;
    for (int s = 0; s < n; ++s) {
      int j = scan == PivotScan::Forward ? s : n - 1 - s;
      if (used[j] == 1)
        continue;
      for (int t = 0; t < n; ++t) {
        int k = scan == PivotScan::Forward ? t : n - 1 - t;
        if (used[k] == 0) {
          T a = std::fabs(row(j)[k]);
          if (scan == PivotScan::Forward ? (a > big || (prow < 0 && a == big)) : a >= big) {
            big = a;
            prow = j;
            pcol = k;
          }
        } else if (used[k] > 1) {
          return false;
        }
      }
    }
    if (prow < 0)
      return false;
    ++used[pcol];
    if (prow != pcol)
      for (int l = 0; l < n; ++l)
        std::swap(row(prow)[l], row(pcol)[l]);
    pivotRow[pass] = prow;
    pivotCol[pass] = pcol;
    T *p = row(pcol);
    T pivot = p[pcol];
    if (pivot == T(0))
      return false;
    p[pcol] = T(1);
    for (int l = 0; l < n; ++l)
      p[l] /= pivot;
    for (int r = 0; r < n; ++r) {
      if (r == pcol)
        continue;
      T *q = row(r);
      T factor = q[pcol];
      q[pcol] = T(0);
      for (int l = 0; l < n; ++l)
        q[l] -= p[l] * factor;
    }
  }
  for (int pass = n - 1; pass >= 0; --pass)
    if (pivotRow[pass] != pivotCol[pass])
      for (int r = 0; r < n; ++r)
        std::swap(row(r)[pivotRow[pass]], row(r)[pivotCol[pass]]);
  return true;
}

} // namespace vyx::detail

#endif // VYX_LINEAR_GAUSS_JORDAN_IMPL_H
