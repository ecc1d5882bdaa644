//===- matrix_base.cpp - Untyped two-dimensional storage ------------------===//
#include "containers/matrix_base.h"

#include "object_model/exceptions.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

struct GMatrixBase::Storage {
  void *Data = nullptr;
  void **Rows = nullptr;
  uint32_t RowCount = 0;
  uint32_t ColumnCount = 0;

  Storage() = default;
  Storage(const Storage &) = delete;
  Storage &operator=(const Storage &) = delete;
  ~Storage() { release(); }

  void release() {
    std::free(Data);
    delete[] Rows;
    Data = nullptr;
    Rows = nullptr;
    RowCount = ColumnCount = 0;
  }

  /// Zeroed storage of r × c elements, or nothing when either is 0 or the
  /// element size is not positive. Throws OutOfMemory_Exception when the
  /// byte count overflows or memory is short.
  void allocate(unsigned r, unsigned c, int elementSize) {
    release();
    if (r == 0 || c == 0 || elementSize <= 0)
      return;
    size_t rowBytes, bytes;
    if (__builtin_mul_overflow(static_cast<size_t>(c), static_cast<size_t>(elementSize),
                               &rowBytes) ||
        __builtin_mul_overflow(rowBytes, static_cast<size_t>(r), &bytes))
      throw OutOfMemory_Exception();
    Data = std::calloc(bytes, 1);
    Rows = new (std::nothrow) void *[r];
    if (!Data || !Rows) {
      release();
      throw OutOfMemory_Exception();
    }
    auto *block = static_cast<unsigned char *>(Data);
    for (unsigned i = 0; i < r; ++i)
      Rows[i] = block + i * rowBytes;
    RowCount = r;
    ColumnCount = c;
  }
};

GMatrixBase::GMatrixBase(int elementSize) : ElementSize(elementSize) {}

GMatrixBase::GMatrixBase(unsigned rows, unsigned columns, int elementSize)
    : ElementSize(elementSize) {
  alloc_all(rows, columns);
}

GMatrixBase::GMatrixBase(const GMatrixBase &m) : ElementSize(m.ElementSize) {
  alloc_all(m.RowCount, m.ColumnCount);
  copy_all(m);
}

GMatrixBase::~GMatrixBase() { free_all(); }

void GMatrixBase::take(Storage &storage) {
  std::swap(Data, storage.Data);
  std::swap(Rows, storage.Rows);
  std::swap(RowCount, storage.RowCount);
  std::swap(ColumnCount, storage.ColumnCount);
}

void GMatrixBase::checkSameType(const GMatrixBase &m) const {
  if (m.ElementSize != ElementSize)
    throw MatrixDifferentType_Exception();
}

void GMatrixBase::throwIfView() const {
  if (isView())
    throw MatrixDifferentSizes_Exception();
}

void GMatrixBase::alloc_all(unsigned r, unsigned c) {
  Storage storage;
  free_all();
  storage.allocate(r, c, ElementSize);
  take(storage);
}

void GMatrixBase::free_all() {
  // A view owns its row array but not the elements (Data is null).
  Storage storage;
  take(storage);
}

void GMatrixBase::copy_all(const GMatrixBase &m) {
  checkSameType(m);
  if (m.RowCount != RowCount || m.ColumnCount != ColumnCount)
    throw InvalidMatrixSize_Exception();
  if (RowCount == 0 || &m == this)
    return;
  size_t rowBytes = static_cast<size_t>(ColumnCount) * static_cast<size_t>(ElementSize);
  // Two views of one block may overlap across rows: then the source goes
  // through a copy first, so no row is read after it was overwritten.
  auto span = [rowBytes](const GMatrixBase &x) {
    auto low = reinterpret_cast<uintptr_t>(x.Rows[0]), high = low;
    for (unsigned i = 1; i < x.RowCount; ++i) {
      auto row = reinterpret_cast<uintptr_t>(x.Rows[i]);
      low = std::min(low, row);
      high = std::max(high, row);
    }
    return std::pair(low, high + rowBytes);
  };
  auto [low, high] = span(*this);
  auto [sourceLow, sourceHigh] = span(m);
  if (sourceLow < high && low < sourceHigh) {
    std::vector<unsigned char> copy(rowBytes * RowCount);
    for (unsigned i = 0; i < RowCount; ++i)
      std::memcpy(copy.data() + i * rowBytes, m.Rows[i], rowBytes);
    for (unsigned i = RowCount; i-- > 0;)
      std::memmove(Rows[i], copy.data() + i * rowBytes, rowBytes);
    return;
  }
  for (unsigned i = RowCount; i-- > 0;)
    std::memcpy(Rows[i], m.Rows[i], rowBytes);
}

GMatrixBase &GMatrixBase::operator=(const GMatrixBase &m) {
  checkSameType(m);
  if (m.RowCount != RowCount || m.ColumnCount != ColumnCount) {
    throwIfView();
    // New storage is filled before the old one goes: `m` may be a view of
    // this matrix.
    GMatrixBase copy(m);
    Storage old;
    take(old);
    swap(copy);
    return *this;
  }
  copy_all(m);
  return *this;
}

void GMatrixBase::resize(unsigned r, unsigned c, bool force) {
  if (!force && r == RowCount && c == ColumnCount)
    return;
  throwIfView();
  free_all();
  alloc_all(r, c);
}

void GMatrixBase::resize_with_save(unsigned r, unsigned c) {
  if (r == RowCount && c == ColumnCount)
    return;
  throwIfView();
  Storage storage;
  storage.allocate(r, c, ElementSize); // throws with this matrix unchanged
  unsigned rows = std::min(RowCount, r), columns = std::min(ColumnCount, c);
  size_t bytes = static_cast<size_t>(columns) * static_cast<size_t>(ElementSize);
  for (unsigned i = rows; i-- > 0;)
    std::memcpy(storage.Rows[i], Rows[i], bytes);
  take(storage);
}

void GMatrixBase::attach_matrix(const GMatrixBase &m, unsigned row, unsigned column, unsigned rows,
                                unsigned columns) {
  checkSameType(m);
  // An owning matrix cannot look at itself: its block goes when it becomes
  // a view.
  if (&m == this && Data)
    throw MatrixDifferentSizes_Exception();
  if (uint64_t(row) + rows > m.RowCount)
    throw Matrix_IndexOutOfRange_Exception(static_cast<long>(uint64_t(row) + rows), 0, m.RowCount);
  if (uint64_t(column) + columns > m.ColumnCount)
    throw Matrix_IndexOutOfRange_Exception(static_cast<long>(uint64_t(column) + columns), 0,
                                           m.ColumnCount);
  // The new row array is built before the old storage goes: `m` may be
  // this matrix or look at its block.
  std::unique_ptr<void *[]> viewRows;
  if (rows > 0) {
    viewRows.reset(new (std::nothrow) void *[rows]);
    if (!viewRows)
      throw OutOfMemory_Exception();
    size_t offset = static_cast<size_t>(column) * static_cast<size_t>(ElementSize);
    for (unsigned i = 0; i < rows; ++i)
      viewRows[i] = static_cast<unsigned char *>(m.Rows[row + i]) + offset;
  }
  free_all();
  if (viewRows) {
    Rows = viewRows.release();
    RowCount = rows;
    ColumnCount = columns;
  }
}

void GMatrixBase::swap(GMatrixBase &m) {
  checkSameType(m);
  std::swap(Data, m.Data);
  std::swap(Rows, m.Rows);
  std::swap(RowCount, m.RowCount);
  std::swap(ColumnCount, m.ColumnCount);
}

void GMatrixBase::swap_rows(unsigned i, unsigned j) {
  if (i >= RowCount)
    throw Matrix_IndexOutOfRange_Exception(i, 0, RowCount);
  if (j >= RowCount)
    throw Matrix_IndexOutOfRange_Exception(j, 0, RowCount);
  if (!Rows)
    throw Matrix_IndexOutOfRange_Exception(0, 0, ColumnCount);
  std::swap(Rows[i], Rows[j]);
}
