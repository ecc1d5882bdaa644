//===- matrix_base.h - Untyped two-dimensional storage ----------*- C++ -*-===//
//
// GMatrixBase is a rectangular block of equally sized elements with one
// pointer per row, the storage of the typed matrices of the maths library.
// A matrix either owns its element block or is a view (attached) onto a
// rectangle of another matrix's block: a view has no block of its own, only
// its row pointers, and must not outlive the storage it looks at.
//
// New elements are zeroed. A size whose byte count does not fit in memory
// is a failed allocation: the matrix is left empty (or, for
// resize_with_save, unchanged) and OutOfMemory_Exception is thrown.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_MATRIX_BASE_H
#define VYX_CONTAINERS_MATRIX_BASE_H

#include "vyx_base_export.h"

#include <cstdint>

/// Untyped matrix storage with row pointers; owning or a view.
class VYX_BASE_API GMatrixBase {
public:
  /// An empty matrix of `elementSize`-byte elements.
  explicit GMatrixBase(int elementSize);
  /// rows × columns zeroed elements (empty when either is 0).
  GMatrixBase(unsigned rows, unsigned columns, int elementSize);
  /// A copy that owns its elements (also when `m` is a view).
  GMatrixBase(const GMatrixBase &m);
  /// Releases the storage; a view releases only its row array.
  virtual ~GMatrixBase();

  /// Copies the elements of `m`. Different element sizes throw
  /// MatrixDifferentType_Exception; a view of another shape throws
  /// MatrixDifferentSizes_Exception; an owning matrix takes `m`'s shape.
  /// The source may overlap this matrix (views of one block).
  GMatrixBase &operator=(const GMatrixBase &m);

  unsigned numRows() const { return RowCount; }
  unsigned numColumns() const { return ColumnCount; }
  int elementSize() const { return ElementSize; }
  /// True when this matrix looks at another one's elements.
  bool isView() const { return !Data && Rows; }
  /// r < rows and c < columns.
  bool check_indexes(unsigned r, unsigned c) const { return r < RowCount && c < ColumnCount; }
  /// Row pointer r, unchecked.
  void *get_row(unsigned r) const { return Rows[r]; }
  void **get_rows() const { return Rows; }
  /// The owned element block (null for a view or an empty matrix).
  void *get_array() const { return Data; }

  /// New storage of r × c elements unless the shape already is r × c and
  /// `force` is false; the contents are lost. A view throws
  /// MatrixDifferentSizes_Exception.
  void resize(unsigned r, unsigned c, bool force);
  /// New storage of r × c elements that keeps the overlapping top-left
  /// part. A view throws MatrixDifferentSizes_Exception. When memory is
  /// short the old storage is kept and OutOfMemory_Exception is thrown.
  virtual void resize_with_save(unsigned r, unsigned c);
  /// Makes this matrix a view onto rows [row, row + rows) and columns
  /// [column, column + columns) of `m`. A rectangle beyond `m` throws
  /// Matrix_IndexOutOfRange_Exception; an owning matrix attached to itself
  /// throws MatrixDifferentSizes_Exception (its block would go).
  void attach_matrix(const GMatrixBase &m, unsigned row, unsigned column, unsigned rows,
                     unsigned columns);
  /// Exchanges all storage with `m` (same element size required).
  void swap(GMatrixBase &m);
  /// Exchanges two row pointers; an index not below the row count throws
  /// Matrix_IndexOutOfRange_Exception.
  void swap_rows(unsigned i, unsigned j);

  /// Copies every element of `m`, whose shape and element size must match.
  virtual void copy_all(const GMatrixBase &m);
  /// Owned zeroed storage of r × c elements; empty when either is 0. A
  /// failed allocation leaves the matrix empty and throws
  /// OutOfMemory_Exception.
  virtual void alloc_all(unsigned r, unsigned c);
  /// Releases the storage: empty matrix.
  virtual void free_all();

private:
  /// Storage detached from a matrix, released by its destructor.
  struct Storage;

  void take(Storage &storage);
  void checkSameType(const GMatrixBase &m) const;
  void throwIfView() const;

  void *Data = nullptr;
  void **Rows = nullptr;
  uint32_t RowCount = 0;
  uint32_t ColumnCount = 0;
  int32_t ElementSize;
};

#endif // VYX_CONTAINERS_MATRIX_BASE_H
