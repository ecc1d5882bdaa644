//===- tgmatrix.h - Typed matrices on untyped storage -----------*- C++ -*-===//
//
// TGMatrix<T> is a GMatrixBase whose elements are of type T. The library
// specialises it for float (FMatrix), Vector3D (VMatrix) and unsigned char
// (UCharMatrix); each specialisation adds its own operations and a static
// default size (4 x 4 at load) used by its default constructor, and none
// adds fields. vyx::TypedMatrix<T> holds what they share: typed element
// access and element-wise helpers. New elements are zero.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_TGMATRIX_H
#define VYX_LINEAR_TGMATRIX_H

#include "containers/matrix_base.h"
#include "object_model/exceptions.h"
#include "vyx_math_export.h"

#include <algorithm>
#include <climits>
#include <type_traits>

/// A matrix of T elements; see the specialisations for float, Vector3D and
/// unsigned char.
template <class T> class TGMatrix;

namespace vyx {

/// The size of default-constructed matrices of one element type.
struct MatrixDefaults {
  int Rows = 4;
  int Columns = 4;
};

/// What the typed matrices share: typed access to the rows and elements.
template <class T> class VYX_MATH_API TypedMatrix : public GMatrixBase {
  static_assert(std::is_trivially_copyable_v<T>, "elements are copied as bytes");

public:
  using value_type = T;

  /// Default rows x default columns.
  TypedMatrix() : TypedMatrix(Defaults().Rows, Defaults().Columns) {}
  /// 1 x n.
  explicit TypedMatrix(long n) : GMatrixBase(n == 0 ? 0u : 1u, CheckedSize(n), sizeof(T)) {}
  TypedMatrix(int rows, int columns)
      : GMatrixBase(CheckedSize(rows), CheckedSize(columns), sizeof(T)) {}
  TypedMatrix(const TypedMatrix &) = default;
  TypedMatrix &operator=(const TypedMatrix &) = default;
  ~TypedMatrix() override = default;

  /// The size of default-constructed matrices (4 x 4 at load).
  static int GetDefaultRow() { return Defaults().Rows; }
  static void SetDefaultRow(int rows) { Defaults().Rows = rows; }
  static int GetDefaultCol() { return Defaults().Columns; }
  static void SetDefaultCol(int columns) { Defaults().Columns = columns; }

  /// Row r, unchecked.
  T *operator[](unsigned r) { return static_cast<T *>(get_row(r)); }
  const T *operator[](unsigned r) const { return static_cast<const T *>(get_row(r)); }
  /// Element (r, c), unchecked.
  T &operator()(unsigned r, unsigned c) { return (*this)[r][c]; }
  const T &operator()(unsigned r, unsigned c) const { return (*this)[r][c]; }
  /// Element (r, c); an index out of range throws
  /// Matrix_IndexOutOfRange_Exception.
  T &at(unsigned r, unsigned c) {
    checkIndexes(r, c);
    return (*this)[r][c];
  }
  const T &at(unsigned r, unsigned c) const {
    checkIndexes(r, c);
    return (*this)[r][c];
  }
  /// Sets every element to v.
  void fill(const T &v) {
    forEach([&v](T &e) { e = v; });
  }
  /// Sets every element to zero.
  void zero() { fill(T()); }

protected:
  /// The default size of this element type, defined by the source file of
  /// its specialisation.
  static MatrixDefaults &Defaults();

  /// A stored count from a signed size: a negative one, or one beyond 32
  /// bits, throws InvalidMatrixSize_Exception.
  static unsigned CheckedSize(long n) {
    if (n < 0 || static_cast<unsigned long>(n) > UINT_MAX)
      throw InvalidMatrixSize_Exception();
    return static_cast<unsigned>(n);
  }
  /// Throws Matrix_IndexOutOfRange_Exception unless r and c are in range.
  void checkIndexes(long r, long c) const {
    if (r < 0 || r >= static_cast<long>(numRows()))
      throw Matrix_IndexOutOfRange_Exception(r, 0, static_cast<long>(numRows()));
    if (c < 0 || c >= static_cast<long>(numColumns()))
      throw Matrix_IndexOutOfRange_Exception(c, 0, static_cast<long>(numColumns()));
  }
  /// Calls f on every element, row by row.
  template <class F> void forEach(F f) {
    for (unsigned r = 0; r < numRows(); ++r) {
      T *row = (*this)[r];
      std::for_each(row, row + numColumns(), f);
    }
  }
  /// Throws MatrixDifferentSizes_Exception unless `m` has this shape.
  void checkSameShape(const GMatrixBase &m) const {
    if (m.numRows() != numRows() || m.numColumns() != numColumns())
      throw MatrixDifferentSizes_Exception();
  }
};

} // namespace vyx

#endif // VYX_LINEAR_TGMATRIX_H
