//===- vmatrix.h - Grids of points ------------------------------*- C++ -*-===//
//
// VMatrix is TGMatrix<Vector3D>: a grid of points that can be scaled,
// refined (rarefy: a midpoint between every two neighbours) and coarsened
// again (condense: every second row or column dropped).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_VMATRIX_H
#define VYX_LINEAR_VMATRIX_H

#include "linear/tgmatrix.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

template <> vyx::MatrixDefaults &vyx::TypedMatrix<Vector3D>::Defaults();

/// A matrix of Vector3D points.
template <> class VYX_MATH_API TGMatrix<Vector3D> : public vyx::TypedMatrix<Vector3D> {
public:
  using TypedMatrix::TypedMatrix;
  TGMatrix() = default;
  TGMatrix(const TGMatrix &) = default;

  TGMatrix &operator=(const TGMatrix &m) = default;
  /// Sets every point to v.
  TGMatrix &operator=(const Vector3D &v) {
    fill(v);
    return *this;
  }

  TGMatrix &operator*=(double s);
  TGMatrix &operator/=(double s);
  TGMatrix operator*(double s) const { return TGMatrix(*this) *= s; }
  TGMatrix operator/(double s) const { return TGMatrix(*this) /= s; }

  /// Copies row `from` over row `to` (indexes out of range throw
  /// Matrix_IndexOutOfRange_Exception).
  void copy_row(int to, int from);
  /// Copies column `from` over column `to`.
  void copy_col(int to, int from);

  /// Inserts the midpoint between every two consecutive rows of a .. b: old
  /// row k moves to a + 2(k - a) and the matrix grows by b - a rows.
  /// Nothing for a >= b; otherwise a < 0, b >= rows or no columns throw
  /// Matrix_IndexOutOfRange_Exception.
  void rarefy_row(int a, int b);
  void rarefy_row(int a) { rarefy_row(a, a + 1); }
  void rarefy_row() { rarefy_row(0, static_cast<int>(numRows()) - 1); }
  void rarefy_col(int a, int b);
  void rarefy_col(int a) { rarefy_col(a, a + 1); }
  void rarefy_col() { rarefy_col(0, static_cast<int>(numColumns()) - 1); }
  /// Keeps rows a, a + 2, ..., a + 2n of a .. b (n = (b - a) / 2), drops
  /// the n rows between them and closes up the rest: the matrix shrinks by
  /// n rows. The same checks as rarefy_row.
  void condense_row(int a, int b);
  void condense_row(int a) { condense_row(a, a + 1); }
  void condense_row() { condense_row(0, static_cast<int>(numRows()) - 1); }
  void condense_col(int a, int b);
  void condense_col(int a) { condense_col(a, a + 1); }
  void condense_col() { condense_col(0, static_cast<int>(numColumns()) - 1); }

private:
  /// Whether the a .. b range of a refinement does anything; throws for a
  /// range outside `count` or an empty other dimension.
  bool checkRange(int a, int b, unsigned count, unsigned other) const;
};

using VMatrix = TGMatrix<Vector3D>;

inline VMatrix operator*(double s, const VMatrix &m) { return m * s; }

#endif // VYX_LINEAR_VMATRIX_H
