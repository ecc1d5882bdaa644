//===- linear_system.h - Square systems of linear equations -----*- C++ -*-===//
//
// LinearSystem is the FMatrix of the n x n coefficients (single precision)
// with a right-hand side and a result. solve() eliminates forward
// (diagonalize) and substitutes back; a column without a usable pivot gives
// a result component of 0, so a singular system still gets an answer.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_LINEAR_SYSTEM_H
#define VYX_LINEAR_LINEAR_SYSTEM_H

#include "linear/fmatrix.h"
#include "linear/multi_dim_vector.h"
#include "vyx_math_export.h"

#include <cstdint>

/// A square system of linear equations A·x = b.
class VYX_MATH_API LinearSystem : public FMatrix {
public:
  /// The empty system (n = 0).
  LinearSystem();
  /// n zero equations in n unknowns.
  explicit LinearSystem(int n);
  LinearSystem(const LinearSystem &) = default;
  LinearSystem &operator=(const LinearSystem &) = default;
  ~LinearSystem() override;

  /// n zero equations; the right-hand side is forgotten.
  void resize(int n);
  /// Stores the doubles of `row` as floats in row r; `row` must have
  /// dimension n (else InvalidMatrixSize_Exception).
  void set_row(int r, const MultiDimVector &row);
  /// Takes b as the right-hand side when its dimension is n; otherwise
  /// nothing happens.
  void set_data(const MultiDimVector &b);
  const MultiDimVector &get_data() const { return Data; }
  const MultiDimVector &get_result() const { return Result; }
  /// Whether a right-hand side has been set.
  bool has_data() const { return DataSet != 0; }

  /// Forward elimination on the coefficients and the right-hand side.
  void diagonalize();
  /// Nothing before set_data; otherwise diagonalize() and back substitution
  /// into the result.
  void solve();
  /// The first row r >= column whose element in `column` exceeds 1e-12 in
  /// magnitude, or -1.
  int find_nonzero_row(int column) const;
  /// Exchanges rows r and s of the coefficients and the right-hand side.
  void swap_rows_sp(int r, int s);
  /// Row r = b × row s + a × row r, coefficients and right-hand side alike.
  void swap_rows_sp(int r, int s, double a, double b);

private:
  /// Throws InvalidMatrixSize_Exception unless the coefficients are square
  /// and of the right-hand side's dimension.
  int checkedOrder() const;
  void checkRow(int r) const;

  MultiDimVector Data;
  MultiDimVector Result;
  int32_t DataSet = 0;
};

#endif // VYX_LINEAR_LINEAR_SYSTEM_H
