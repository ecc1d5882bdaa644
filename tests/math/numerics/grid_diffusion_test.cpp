// Tests of Diffusion: the exact small cases, insulated borders (the sum of
// the inner cells is kept), symmetry and stability of the step, fixed cells
// and the loading and unloading of grids.
#include "numerics/grid_diffusion.h"

#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Rows = std::vector<std::vector<float>>;

Rows Read(const Diffusion &d) {
  Rows rows(d.get_nx(), std::vector<float>(d.get_ny()));
  for (int i = 0; i < d.get_nx(); ++i)
    for (int j = 0; j < d.get_ny(); ++j)
      rows[i][j] = d.get_z(i, j);
  return rows;
}

void Load(Diffusion &d, float (*f)(int, int)) {
  for (int i = 0; i < d.get_nx(); ++i)
    for (int j = 0; j < d.get_ny(); ++j)
      d.set_z(i, j, f(i, j));
}

double InnerSum(const Diffusion &d) {
  double s = 0;
  for (int i = 1; i < d.get_nx() - 1; ++i)
    for (int j = 1; j < d.get_ny() - 1; ++j)
      s += d.get_z(i, j);
  return s;
}

/// The squared deviation of the inner cells from their mean.
double Variance(const Diffusion &d) {
  double mean = InnerSum(d) / ((d.get_nx() - 2) * (d.get_ny() - 2)), v = 0;
  for (int i = 1; i < d.get_nx() - 1; ++i)
    for (int j = 1; j < d.get_ny() - 1; ++j)
      v += (d.get_z(i, j) - mean) * (d.get_z(i, j) - mean);
  return v;
}

float Bump(int i, int j) { return (i - 11) * (i - 11) + (j - 7) * (j - 7) < 10 ? 10.0f : 1.0f; }

TEST(DiffusionTest, SmallGridsStepExactly) {
  Diffusion d(3, 3, false);
  d.set_z(0, 0, 5);
  d.set_z(1, 1, 9);
  d.diffuse(1, 1, 0.5); // r = 0.25
  EXPECT_EQ((Rows{{5, 4.5f, 0}, {4.5f, 4.5f, 4.5f}, {0, 4.5f, 0}}), Read(d));

  Diffusion f(3, 3, true);
  BitMatrix mask(3, 3);
  mask.set_bit(1, 1);
  FMatrix values(3, 3);
  values.zero();
  values(1, 1) = 4;
  f.set_conditions(&mask, &values);
  f.diffuse(1, 1, 1); // r = 0.5
  EXPECT_EQ((Rows{{0, 4, 0}, {4, 4, 4}, {0, 4, 0}}), Read(f));

  // Steps that do nothing: no time, a vanishing spacing, an infinite r,
  // grids without inner cells.
  Rows before = Read(f);
  f.diffuse(1, 1, 0);
  f.diffuse(1, 1e-13, 1);
  f.diffuse(-1, 1, 1);
  f.diffuse(1e308, 1e-6, 1e308);
  f.diffuse(NAN, 1, 1);
  EXPECT_EQ(before, Read(f));
  for (auto [nx, ny] : {std::pair{2, 5}, {5, 2}, {1, 1}, {0, 4}}) {
    Diffusion small(nx, ny, true);
    if (nx && ny)
      small.set_z(0, ny - 1, 3);
    small.diffuse(1, 1, 1);
    if (nx && ny) {
      EXPECT_EQ(3.0f, small.get_z(0, ny - 1));
    }
  }
  EXPECT_THROW(Diffusion(-1, 3, false), InvalidMatrixSize_Exception);
  EXPECT_THROW(Diffusion(3, 40000, true), InvalidMatrixSize_Exception);
}

TEST(DiffusionTest, KeepsTheInnerSumAndSymmetryAndSmoothsForEveryR) {
  for (double r : {0.1, 0.5, 2.0, 10.0}) {
    SCOPED_TRACE(r);
    // Symmetric under i -> 22 - i and j -> 14 - j.
    Diffusion d(23, 15, false);
    Load(d, Bump);
    d.diffuse(1, 1, 2 * r); // makes the borders copies of their neighbours
    double sum = InnerSum(d), variance = Variance(d);
    for (int step = 0; step < 20; ++step) {
      d.diffuse(1, 1, 2 * r);
      double v = Variance(d);
      ASSERT_LE(v, variance * (1 + 1e-6)) << "step " << step;
      variance = v;
    }
    EXPECT_NEAR(sum, InnerSum(d), 1e-5 * sum);
    for (int i = 0; i < 23; ++i)
      for (int j = 0; j < 15; ++j) {
        EXPECT_NEAR(d.get_z(i, j), d.get_z(22 - i, j), 1e-5) << i << "," << j;
        EXPECT_NEAR(d.get_z(i, j), d.get_z(i, 14 - j), 1e-5) << i << "," << j;
      }
  }
  // A uniform grid stays uniform; a very large r stays finite.
  Diffusion u(6, 9, false);
  Load(u, [](int, int) { return 2.5f; });
  u.diffuse(3, 0.5, 7);
  for (const auto &row : Read(u))
    for (float v : row)
      EXPECT_NEAR(2.5f, v, 1e-5);
  Load(u, Bump);
  u.diffuse(1, 1e-4, 1e12); // r = 5e19: single-precision factors reach 1
  for (const auto &row : Read(u))
    for (float v : row)
      EXPECT_TRUE(std::isfinite(v));
}

TEST(DiffusionTest, FixedCellsHoldTheirValues) {
  Diffusion d(6, 5, true);
  BitMatrix mask(6, 5);
  FMatrix values(6, 5);
  values = 1.0f;
  values(2, 2) = 8, values(0, 3) = 6, values(0, 0) = 7, values(5, 1) = -2;
  for (auto [i, j] : {std::pair{2, 2}, {0, 3}, {0, 0}, {5, 1}})
    mask.set_bit(static_cast<short>(i), static_cast<short>(j));
  d.set_conditions(&mask, &values);
  d.set_z(2, 2, 100); // overwritten by the next step
  d.set_z(0, 0, 3);   // a corner: kept as the grid holds it
  for (int step = 0; step < 5; ++step) {
    d.diffuse(1, 1, 1);
    EXPECT_EQ(8.0f, d.get_z(2, 2));
    EXPECT_EQ(6.0f, d.get_z(0, 3));
    EXPECT_EQ(-2.0f, d.get_z(5, 1));
    EXPECT_EQ(3.0f, d.get_z(0, 0));
  }
  EXPECT_GT(d.get_z(2, 3), 1.0f); // the heat flows out of the fixed cells

  // A later call fixes more cells; the earlier ones keep their old values.
  BitMatrix more(6, 5);
  more.set_bit(3, 3);
  values = 0.5f;
  d.set_conditions(&more, &values);
  d.diffuse(1, 1, 1);
  EXPECT_EQ(0.5f, d.get_z(3, 3));
  EXPECT_EQ(8.0f, d.get_z(2, 2));
}

TEST(DiffusionTest, LoadsChecksAndCopiesGrids) {
  FMatrix values(3, 4);
  values = 2.0f;
  BitMatrix mask(3, 4), wrongMask(4, 3);
  FMatrix wrong(4, 3);
  wrong = 9.0f;
  Diffusion c(3, 4, true);
  c.set_conditions(&mask, &wrong);
  c.set_conditions(&wrongMask, &values);
  c.set_conditions(nullptr, &values);
  EXPECT_EQ(0.0f, c.get_z(1, 1));

  Diffusion plain(3, 4, false);
  plain.set_conditions(nullptr, &wrong);
  EXPECT_EQ(0.0f, plain.get_z(1, 1));
  plain.set_conditions(nullptr, &values);
  EXPECT_EQ(2.0f, plain.get_z(2, 3));

  Diffusion copy(plain);
  copy.set_z(1, 1, 5);
  EXPECT_EQ(2.0f, plain.get_z(1, 1));
  c = copy;
  EXPECT_FALSE(c.has_conditions());
  EXPECT_EQ(5.0f, c.get_z(1, 1));

  FMatrix out(4, 5);
  out = -1.0f;
  copy.get_results(&out);
  EXPECT_EQ(5.0f, out(1, 1));
  EXPECT_EQ(2.0f, out(2, 3));
  EXPECT_EQ(-1.0f, out(3, 4));
  FMatrix small(2, 4);
  EXPECT_THROW(copy.get_results(&small), MatrixDifferentSizes_Exception);
  copy.get_results(nullptr);
}

} // namespace
