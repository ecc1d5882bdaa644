//===- grid_diffusion.cpp - Diffusion on a grid of floats -----------------===//
//
// Each line solves, for its inner cells k = 1 .. n-2,
//
//   -r x[k-1] + (1 + 2r) x[k] - r x[k+1] = g[k] + r (explicit term across)
//
// (a fixed inner cell reads x[k] = its fixed value), with x[0] = x[1] and
// x[n-1] = x[n-2] at free ends (insulated borders). Forward elimination
// writes x[k] = factor[k] x[k+1] + term[k]; a free first cell starts with
// factor 1 and term 0, a free last cell solves x = factor x + term. Factors
// and terms are kept in single precision, their sums and quotients formed in
// double.
//
// The grid is updated in place, one line after another, but the explicit
// term of every line reads the neighbouring lines as they were when the
// half-step began: the line before is read from a saved copy. Reading it as
// already updated would feed each line's result into the next one with the
// weight r, which multiplies any disturbance by about r per line: for r
// above 1 a single step on a grid of a few dozen lines then grows values by
// many orders of magnitude. As the step is meant to be, it is stable for
// every r.
//
//===----------------------------------------------------------------------===//
#include "numerics/grid_diffusion.h"

#include "object_model/exceptions.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

/// Below this, a grid spacing or a coefficient r does nothing.
constexpr double kTiny = 1e-12;
/// The largest index a BitMatrix takes.
constexpr int kMaxMaskSize = 32767;

} // namespace

Diffusion::Diffusion(int nx, int ny, bool conditions) : Nx(nx), Ny(ny), Conditions(conditions) {
  if (nx < 0 || ny < 0 || (conditions && (nx > kMaxMaskSize || ny > kMaxMaskSize)))
    throw InvalidMatrixSize_Exception();
  allocate_arrays();
}

Diffusion::Diffusion(const Diffusion &other)
    : Nx(other.Nx), Ny(other.Ny), Grid(other.Grid), Fixed(other.Fixed), Factors(other.Factors),
      Terms(other.Terms), Before(other.Before), Saved(other.Saved),
      Mask(other.Mask ? std::make_unique<BitMatrix>(*other.Mask) : nullptr),
      Conditions(other.Conditions) {}

Diffusion &Diffusion::operator=(const Diffusion &other) {
  if (this != &other) {
    Diffusion copy(other);
    std::swap(Nx, copy.Nx);
    std::swap(Ny, copy.Ny);
    Grid.swap(copy.Grid);
    Fixed.swap(copy.Fixed);
    Factors.swap(copy.Factors);
    Terms.swap(copy.Terms);
    Before.swap(copy.Before);
    Saved.swap(copy.Saved);
    Mask.swap(copy.Mask);
    std::swap(Conditions, copy.Conditions);
  }
  return *this;
}

Diffusion::~Diffusion() { delete_arrays(); }

void Diffusion::allocate_arrays() {
  size_t cells = static_cast<size_t>(Nx) * static_cast<size_t>(Ny);
  size_t line = static_cast<size_t>(std::max(Nx, Ny));
  Grid.assign(cells, 0.0f);
  Factors.assign(line, 0.0f);
  Terms.assign(line, 0.0f);
  Before.assign(line, 0.0f);
  Saved.assign(line, 0.0f);
  if (Conditions) {
    Fixed.assign(cells, FLT_MAX);
    Mask = std::make_unique<BitMatrix>(static_cast<short>(Nx), static_cast<short>(Ny));
  }
}

void Diffusion::delete_arrays() {
  std::vector<float>().swap(Grid);
  std::vector<float>().swap(Fixed);
  std::vector<float>().swap(Factors);
  std::vector<float>().swap(Terms);
  std::vector<float>().swap(Before);
  std::vector<float>().swap(Saved);
  Mask.reset();
}

bool Diffusion::valid(BitMatrix *mask, FMatrix *values) {
  if (!values || values->numRows() != static_cast<unsigned>(Nx) ||
      values->numColumns() != static_cast<unsigned>(Ny))
    return false;
  if (!Conditions)
    return true;
  return mask && mask->get_nu() == Nx && mask->get_nv() == Ny;
}

void Diffusion::set_conditions(BitMatrix *mask, FMatrix *values) {
  if (!valid(mask, values))
    return;
  for (int i = 0; i < Nx; ++i) {
    const float *row = (*values)[static_cast<unsigned>(i)];
    for (int j = 0; j < Ny; ++j) {
      size_t at = index(i, j);
      Grid[at] = row[j];
      if (Conditions && mask->get_bit(static_cast<short>(i), static_cast<short>(j))) {
        Mask->set_bit(static_cast<short>(i), static_cast<short>(j));
        Fixed[at] = row[j];
      }
    }
  }
}

void Diffusion::get_results(FMatrix *out) {
  if (!out)
    return;
  if (out->numRows() < static_cast<unsigned>(Nx) || out->numColumns() < static_cast<unsigned>(Ny))
    throw MatrixDifferentSizes_Exception();
  for (int i = 0; i < Nx; ++i)
    std::copy_n(&Grid[index(i, 0)], Ny, (*out)[static_cast<unsigned>(i)]);
}

void Diffusion::diffuse(double a, double h, double t) {
  if (!(h >= kTiny))
    return;
  double r = a * t * 0.5 / (h * h);
  if (!(r >= kTiny) || std::isinf(r))
    return;
  // With fewer than three cells a line has no inner cell, and the end value
  // would divide by 1 - 1 (two cells) or reach before the line (one).
  if (Nx < 3 || Ny < 3)
    return;
  ptrdiff_t rowStride = Ny;
  // Implicit along the rows of each column, then along the columns of each
  // row; `side` steps from a line to the next one.
  halfStep(Ny, 1, rowStride, Nx, r);
  halfStep(Nx, rowStride, 1, Ny, r);
}

void Diffusion::halfStep(int lines, ptrdiff_t side, ptrdiff_t stride, int n, double r) {
  auto copyLine = [this, stride, n](size_t first, float *to) {
    for (int k = 0; k < n; ++k)
      to[k] = Grid[first + static_cast<size_t>(k * stride)];
  };
  copyLine(0, Before.data()); // line 0 stays as it is during the half-step
  for (int line = 1; line <= lines - 2; ++line) {
    size_t first = static_cast<size_t>(line * side);
    copyLine(first, Saved.data());
    solveLine(first, stride, side, n, r);
    Before.swap(Saved);
  }
}

void Diffusion::solveLine(size_t first, ptrdiff_t stride, ptrdiff_t side, int n, double r) {
  float *g = Grid.data();
  const float *before = Before.data();
  auto at = [first, stride](int k) { return first + static_cast<size_t>(k * stride); };
  float *factor = Factors.data(), *term = Terms.data();
  if (fixedAt(first)) {
    factor[0] = 0.0f;
    term[0] = Fixed[first];
  } else {
    factor[0] = 1.0f;
    term[0] = 0.0f;
  }
  const double diagonal = 1.0 + 2.0 * r;
  for (int k = 1; k <= n - 2; ++k) {
    size_t i = at(k);
    if (fixedAt(i)) {
      // Diagonal 1, both coefficients 0: x[k] is the fixed value.
      factor[k] = 0.0f;
      term[k] = Fixed[i];
      continue;
    }
    double gk = g[i];
    double rhs = gk + r * (static_cast<double>(before[k]) - 2.0 * gk + g[i + side]);
    double d = diagonal - r * factor[k - 1];
    factor[k] = static_cast<float>(r / d);
    term[k] = static_cast<float>((rhs + r * term[k - 1]) / d);
  }
  size_t last = at(n - 1);
  if (fixedAt(last)) {
    g[last] = Fixed[last];
  } else {
    double divisor = 1.0 - factor[n - 2];
    if (!(divisor > 0.0)) {
      solveLineExactly(first, stride, side, n, r);
      return;
    }
    g[last] = static_cast<float>(term[n - 2] / divisor);
  }
  for (int k = n - 1; k >= 1; --k)
    g[at(k - 1)] = static_cast<float>(static_cast<double>(factor[k - 1]) * g[at(k)] + term[k - 1]);
}

void Diffusion::solveLineExactly(size_t first, ptrdiff_t stride, ptrdiff_t side, int n, double r) {
  // For a large r the factors approach 1 and single precision rounds them to
  // 1. Here each factor comes with its distance to 1, formed without
  // cancellation: rest[k] = 1 - factor[k] = (1 + r rest[k-1]) / d.
  float *g = Grid.data();
  const float *before = Before.data();
  auto at = [first, stride](int k) { return first + static_cast<size_t>(k * stride); };
  std::vector<double> factor(static_cast<size_t>(n)), rest(factor.size()), term(factor.size());
  bool fixedFirst = fixedAt(first);
  factor[0] = fixedFirst ? 0.0 : 1.0;
  rest[0] = fixedFirst ? 1.0 : 0.0;
  term[0] = fixedFirst ? Fixed[first] : 0.0;
  for (int k = 1; k <= n - 2; ++k) {
    size_t i = at(k);
    if (fixedAt(i)) {
      factor[k] = 0.0;
      rest[k] = 1.0;
      term[k] = Fixed[i];
      continue;
    }
    double gk = g[i];
    double rhs = gk + r * (static_cast<double>(before[k]) - 2.0 * gk + g[i + side]);
    double d = 1.0 + r + r * rest[k - 1];
    factor[k] = r / d;
    rest[k] = (1.0 + r * rest[k - 1]) / d;
    term[k] = (rhs + r * term[k - 1]) / d;
  }
  size_t last = at(n - 1);
  g[last] = fixedAt(last) ? Fixed[last] : static_cast<float>(term[n - 2] / rest[n - 2]);
  for (int k = n - 1; k >= 1; --k)
    g[at(k - 1)] = static_cast<float>(factor[k - 1] * g[at(k)] + term[k - 1]);
}
