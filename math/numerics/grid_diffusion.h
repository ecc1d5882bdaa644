//===- grid_diffusion.h - Diffusion on a grid of floats ---------*- C++ -*-===//
//
// Diffusion smooths a rectangular grid of single-precision values (heights,
// for example) by time steps of the diffusion equation, with insulated
// borders and, optionally, cells held at fixed values. Each step is an
// alternating-direction implicit step (Peaceman-Rachford): a half-step
// implicit along the rows and explicit along the columns, then the other
// way round, each line solved by tridiagonal elimination.
//
//   Diffusion d(rows, columns, true);
//   d.set_conditions(&fixedMask, &heights); // load, fix the masked cells
//   for (int i = 0; i < steps; ++i)
//     d.diffuse(a, h, dt);
//   d.get_results(&heights);
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_GRID_DIFFUSION_H
#define VYX_NUMERICS_GRID_DIFFUSION_H

#include "linear/bit_matrix.h"
#include "linear/fmatrix.h"
#include "vyx_math_export.h"

#include <cstddef>
#include <memory>
#include <vector>

/// A grid of nx rows by ny columns that diffuses in place.
///
/// A cell is fixed when conditions are enabled and set_conditions has set
/// its bit; a fixed cell takes its fixed value in every step (the four
/// corners excepted: no step ever changes a corner). Fixed cells only
/// accumulate. Copies are deep.
class VYX_MATH_API Diffusion {
public:
  /// A grid of zeros. Negative sizes, and sizes above 32767 with conditions
  /// (the fixed mask has 16-bit indexes), throw InvalidMatrixSize_Exception.
  Diffusion(int nx, int ny, bool conditions);
  Diffusion(const Diffusion &other);
  Diffusion &operator=(const Diffusion &other);
  ~Diffusion();

  /// One cell; the indexes are not checked.
  float get_z(int row, int column) const { return Grid[index(row, column)]; }
  void set_z(int row, int column, float value) { Grid[index(row, column)] = value; }
  int get_nx() const { return Nx; }
  int get_ny() const { return Ny; }
  bool has_conditions() const { return Conditions; }

  /// Nothing unless valid(mask, values). Otherwise loads every cell from
  /// `values`; with conditions, each cell whose bit is set in `mask` becomes
  /// fixed at its value (cells fixed earlier stay fixed).
  void set_conditions(BitMatrix *mask, FMatrix *values);
  /// Copies the grid into `out`, which must have at least nx rows and ny
  /// columns (else MatrixDifferentSizes_Exception); nothing for null.
  void get_results(FMatrix *out);
  /// One time step with coefficient a, grid spacing h and time step t (a
  /// and t enter as their product). Nothing when h < 1e-12, when
  /// r = a t / (2 h²) is below 1e-12 or not finite, or when the grid has
  /// fewer than three rows or columns.
  void diffuse(double a, double h, double t);

protected:
  /// Allocates and initialises every array: the grid 0, the fixed values
  /// the largest float and the fixed mask clear (both only with
  /// conditions).
  void allocate_arrays();
  /// Frees every array.
  void delete_arrays();
  /// With conditions: both given, `values` of nx x ny and `mask` of
  /// (nx, ny). Without: `values` given and of nx x ny.
  bool valid(BitMatrix *mask, FMatrix *values);

private:
  size_t index(int row, int column) const {
    return static_cast<size_t>(row) * static_cast<size_t>(Ny) + static_cast<size_t>(column);
  }
  bool fixedAt(size_t i) const { return Mask && Mask->bits()[i]; }
  /// Solves the lines 1 .. lines - 2, line l starting at cell l · side,
  /// each of n cells `stride` apart.
  void halfStep(int lines, ptrdiff_t side, ptrdiff_t stride, int n, double r);
  /// Solves the n cells first, first + stride, ... of one line; the
  /// explicit term reads the line before from Before and the line after
  /// (`side` away) from the grid.
  void solveLine(size_t first, ptrdiff_t stride, ptrdiff_t side, int n, double r);
  /// The same line in double precision, used when single-precision factors
  /// have rounded up to 1 and the end value would divide by zero.
  void solveLineExactly(size_t first, ptrdiff_t stride, ptrdiff_t side, int n, double r);

  int Nx;
  int Ny;
  std::vector<float> Grid;
  std::vector<float> Fixed;
  std::vector<float> Factors;
  std::vector<float> Terms;
  /// The line before the one being solved, as it was when the half-step
  /// began, and the saved old values of the line being solved.
  std::vector<float> Before;
  std::vector<float> Saved;
  std::unique_ptr<BitMatrix> Mask;
  bool Conditions;
};

#endif // VYX_NUMERICS_GRID_DIFFUSION_H
