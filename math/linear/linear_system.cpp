//===- linear_system.cpp - Square systems of linear equations -------------===//
#include "linear/linear_system.h"

#include <cmath>

namespace {

constexpr double Tolerance = 1e-12;

} // namespace

LinearSystem::LinearSystem() : FMatrix(0, 0) {}

LinearSystem::LinearSystem(int n) : FMatrix(n, n), Data(n), Result(n) {}

LinearSystem::~LinearSystem() = default;

void LinearSystem::resize(int n) {
  GMatrixBase::resize(CheckedSize(n), CheckedSize(n), true);
  Data.setDimension(n);
  Result.setDimension(n);
  DataSet = 0;
}

int LinearSystem::checkedOrder() const {
  if (numRows() != numColumns() || numRows() != static_cast<unsigned>(Data.getDimension()))
    throw InvalidMatrixSize_Exception();
  return Data.getDimension();
}

void LinearSystem::checkRow(int r) const { checkIndexes(r, 0); }

void LinearSystem::set_row(int r, const MultiDimVector &row) {
  if (static_cast<unsigned>(row.getDimension()) != numColumns())
    throw InvalidMatrixSize_Exception();
  checkRow(r);
  float *out = (*this)[static_cast<unsigned>(r)];
  for (int k = 0; k < row.getDimension(); ++k)
    out[k] = static_cast<float>(row[k]);
}

void LinearSystem::set_data(const MultiDimVector &b) {
  if (static_cast<unsigned>(b.getDimension()) != numRows())
    return;
  Data = b;
  DataSet = 1;
}

int LinearSystem::find_nonzero_row(int column) const {
  int n = static_cast<int>(numRows());
  if (column < 0 || static_cast<unsigned>(column) >= numColumns())
    return -1;
  for (int r = column; r < n; ++r)
    if (std::fabs((*this)[static_cast<unsigned>(r)][column]) > Tolerance)
      return r;
  return -1;
}

void LinearSystem::swap_rows_sp(int r, int s) {
  checkedOrder();
  checkRow(r);
  checkRow(s);
  swap_rows(static_cast<unsigned>(r), static_cast<unsigned>(s));
  std::swap(Data[r], Data[s]);
}

void LinearSystem::swap_rows_sp(int r, int s, double a, double b) {
  int n = checkedOrder();
  checkRow(r);
  checkRow(s);
  float *target = (*this)[static_cast<unsigned>(r)];
  const float *source = (*this)[static_cast<unsigned>(s)];
  for (int k = 0; k < n; ++k)
    target[k] = static_cast<float>(b * source[k] + a * target[k]);
  Data[r] = b * Data[s] + a * Data[r];
}

void LinearSystem::diagonalize() {
  int n = checkedOrder();
  for (int i = 0; i < n; ++i) {
    int r = find_nonzero_row(i);
    if (r < 0)
      continue;
    if (r != i)
      swap_rows_sp(r, i);
    double p = (*this)[static_cast<unsigned>(i)][i];
    for (int j = i + 1; j < n; ++j) {
      double d = (*this)[static_cast<unsigned>(j)][i];
      // Row j = row j - (d / p) × row i zeroes element (j, i). Scaling row j
      // by -p / d before adding row i would do the same, but multiplies the
      // rows by |p / d| at every step, which overflows single precision
      // within a few dozen equations.
      if (std::fabs(d) >= Tolerance)
        swap_rows_sp(j, i, 1.0, -d / p);
    }
  }
}

void LinearSystem::solve() {
  if (!DataSet)
    return;
  int n = checkedOrder();
  Result.setDimension(n);
  diagonalize();
  for (int i = n - 1; i >= 0; --i) {
    const float *row = (*this)[static_cast<unsigned>(i)];
    long double sum = 0.0L;
    for (int k = i + 1; k < n; ++k)
      sum += static_cast<long double>(row[k]) * Result[k];
    Result[i] =
        std::fabs(row[i]) >= Tolerance ? static_cast<double>((Data[i] - sum) / row[i]) : 0.0;
  }
}
