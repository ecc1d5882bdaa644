// Tests of the general matrices: FMatrix products and inversion, byte and
// point matrices, bit grids, MultiDimVector with its stream form, and
// linear systems.
#include "linear/bit_matrix.h"
#include "linear/fmatrix.h"
#include "linear/linear_system.h"
#include "linear/math_exceptions.h"
#include "linear/multi_dim_vector.h"
#include "linear/uchar_matrix.h"
#include "linear/vmatrix.h"

#include "linear_test_support.h"
#include "support/base_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

namespace {

using namespace ltest;

FMatrix Make(int rows, int columns, std::initializer_list<float> values) {
  FMatrix m(rows, columns);
  int k = 0;
  for (float v : values) {
    m[k / columns][k % columns] = v;
    ++k;
  }
  return m;
}

void ExpectNearIdentity(const FMatrix &m, float tolerance) {
  for (unsigned i = 0; i < m.numRows(); ++i)
    for (unsigned j = 0; j < m.numColumns(); ++j)
      EXPECT_NEAR(i == j ? 1.0f : 0.0f, m[i][j], tolerance) << i << "," << j;
}

TEST(FMatrixTest, ConstructionAndDefaults) {
  FMatrix d;
  EXPECT_EQ(4u, d.numRows());
  EXPECT_EQ(4u, d.numColumns());
  EXPECT_EQ(0.0f, d[3][3]); // new elements are zero
  FMatrix::SetDefaultRow(2);
  FMatrix::SetDefaultCol(7);
  EXPECT_EQ(2u, FMatrix().numRows());
  EXPECT_EQ(7u, FMatrix().numColumns());
  EXPECT_EQ(4u, VMatrix().numColumns()); // each type keeps its own
  FMatrix::SetDefaultRow(4);
  FMatrix::SetDefaultCol(4);
  EXPECT_EQ(1u, FMatrix(5L).numRows());
  EXPECT_EQ(5u, FMatrix(5L).numColumns());
  EXPECT_THROW(FMatrix(-1, 3), InvalidMatrixSize_Exception);
  EXPECT_THROW(FMatrix(-2L), InvalidMatrixSize_Exception);
  EXPECT_EQ(1, d.get_buffer_format());
  EXPECT_THROW(d.at(4, 0), Matrix_IndexOutOfRange_Exception);
}

TEST(FMatrixTest, ScalingProductsAndInnerProduct) {
  FMatrix a = Make(2, 3, {1, 2, 3, 4, 5, 6});
  FMatrix b = Make(3, 2, {7, 8, 9, 10, 11, 12});
  FMatrix c = a * b;
  ASSERT_EQ(2u, c.numRows());
  ASSERT_EQ(2u, c.numColumns());
  EXPECT_EQ(58.0f, c[0][0]);
  EXPECT_EQ(64.0f, c[0][1]);
  EXPECT_EQ(139.0f, c[1][0]);
  EXPECT_EQ(154.0f, c[1][1]);
  EXPECT_THROW(a * a, NoMultiplyableMatrix_Exception);
  EXPECT_THROW(a *= b, MatrixDifferentSizes_Exception);
  // The sums are rounded to float once, after extended accumulation.
  FMatrix big = Make(1, 3, {16777216.0f, 1.0f, 1.0f});
  FMatrix ones = Make(3, 1, {1, 1, 1});
  EXPECT_EQ(16777218.0f, (big * ones)[0][0]);

  EXPECT_EQ(91.0, a & a);
  EXPECT_EQ(91.0, (a, a));
  EXPECT_EQ(std::sqrt(91.0), abs(a));
  EXPECT_THROW((void)(a & b), MatrixDifferentSizes_Exception);
  EXPECT_EQ(12.0f, (2.0f * a)[1][2]);
  EXPECT_EQ(3.0f, (a / 2.0f)[1][2]);
  a = 1.5f;
  EXPECT_EQ(1.5f, a[1][0]);
  a.zero();
  EXPECT_EQ(0.0, a & a);
  FMatrix sq = Make(2, 2, {1, 2, 3, 4});
  sq *= Make(2, 2, {0, 1, 1, 0});
  EXPECT_EQ(2.0f, sq[0][0]);
  EXPECT_EQ(3.0f, sq[1][1]);
}

TEST(FMatrixTest, InversionRoundTrips) {
  FMatrix e = FMatrix::E(3);
  EXPECT_EQ(0.0, (e.inv() & FMatrix::E(3)) - 3.0);
  FMatrix swap = Make(2, 2, {0, 1, 1, 0});
  FMatrix inverse = ~swap;
  EXPECT_EQ(0.0f, inverse[0][0]);
  EXPECT_EQ(1.0f, inverse[0][1]);
  FMatrix a = Make(4, 4, {4, -2, 1, 3, 3, 6, -4, 2, 2, 1, 8, -5, 1, 3, 2, 7});
  ExpectNearIdentity(a * ~a, 1e-6f);
  ExpectNearIdentity(~a * a, 1e-6f);
  ExpectNearIdentity(a / a, 1e-6f);
  // Ties of magnitude and zero diagonals.
  FMatrix ties = Make(3, 3, {0, 2, 0, 2, 0, 0, 0, 0, -2});
  ExpectNearIdentity(ties * ~ties, 0.0f);
}

TEST(FMatrixTest, SingularAndNonSquareMatricesThrow) {
  vyx::test::RegisterBaseMessages();
  FMatrix zero(3, 3);
  try {
    zero.inv();
    FAIL();
  } catch (const SingularFMatrix_Exception &e) {
    EXPECT_STREQ("Singular FMatrix", e.getMessage().c_str());
  }
  FMatrix rank2 = Make(3, 3, {1, 2, 3, 2, 4, 6, 1, 0, 1});
  FMatrix copy = rank2;
  EXPECT_THROW(rank2.inv(), SingularFMatrix_Exception);
  EXPECT_EQ(0.0, (rank2 & rank2) - (copy & copy)); // unchanged
  EXPECT_EQ(2.0f, rank2[1][0]);
  try {
    FMatrix(2, 3).inv();
    FAIL();
  } catch (const NotSquareMatrix_Exception &e) {
    EXPECT_STREQ("Not square matrix", e.getMessage().c_str());
  }
  try {
    (void)(FMatrix(2, 3) * FMatrix(2, 3));
    FAIL();
  } catch (const Matrix_Exception &e) {
    EXPECT_STREQ("Matrices are not multiplyable", e.getMessage().c_str());
  }
  EXPECT_STREQ("Normal to plane has zero length",
               NormalToPlaneHasZeroLength_Exception().getMessage().c_str());
  EXPECT_STREQ("Singular Matrix3D", SingularMatrix3D_Exception().getMessage().c_str());
}

TEST(FMatrixTest, InversionOfAViewWritesThroughIt) {
  FMatrix big = Make(3, 3, {9, 9, 9, 9, 2, 0, 9, 0, 4});
  FMatrix view(0, 0);
  view.attach_matrix(big, 1, 1, 2, 2);
  view.inv();
  EXPECT_EQ(0.5f, big[1][1]);
  EXPECT_EQ(0.25f, big[2][2]);
  EXPECT_EQ(9.0f, big[0][0]);
}

TEST(UCharMatrixTest, ByteArithmetic) {
  UCharMatrix m = UCharMatrix::E(3);
  EXPECT_EQ(1, m[2][2]);
  EXPECT_EQ(0, m[2][1]);
  m = 200;
  EXPECT_EQ(144, (m * 2)[0][0]); // 400 mod 256
  EXPECT_EQ(144, (2 * m)[1][1]);
  EXPECT_EQ(66, (m / 3)[0][2]);
  EXPECT_THROW(m /= 0, Matrix_Exception);
  EXPECT_EQ(200, m[0][0]);
  m.zero();
  EXPECT_EQ(0, m[1][2]);
}

VMatrix Grid(int rows, int columns) {
  VMatrix m(rows, columns);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < columns; ++j)
      m[i][j] = Vector3D(i, j, i * 10.0 + j);
  return m;
}

TEST(VMatrixTest, FillScaleAndCopy) {
  VMatrix m(2, 3);
  m = Vector3D(1, 2, 3);
  EXPECT_EQ(Vector3D(1, 2, 3), m[1][2]);
  EXPECT_EQ(Vector3D(2, 4, 6), (m * 2.0)[0][0]);
  EXPECT_EQ(Vector3D(3, 6, 9), (3.0 * m)[0][1]);
  EXPECT_EQ(Vector3D(0.5, 1, 1.5), (m / 2.0)[1][0]);
  m.zero();
  EXPECT_EQ(Vector3D(), m[1][1]);

  VMatrix g = Grid(3, 3);
  g.copy_row(0, 2);
  EXPECT_EQ(Vector3D(2, 1, 21), g[0][1]);
  g.copy_col(2, 0);
  EXPECT_EQ(Vector3D(1, 0, 10), g[1][2]);
  EXPECT_THROW(g.copy_row(3, 0), Matrix_IndexOutOfRange_Exception);
  EXPECT_THROW(g.copy_col(0, -1), Matrix_IndexOutOfRange_Exception);
}

TEST(VMatrixTest, RarefyAndCondenseRoundTrip) {
  VMatrix g = Grid(3, 2);
  g.rarefy_row();
  ASSERT_EQ(5u, g.numRows());
  EXPECT_EQ(Vector3D(0.5, 1, 6), g[1][1]);
  EXPECT_EQ(Vector3D(1.5, 0, 15), g[3][0]);
  EXPECT_EQ(Vector3D(2, 1, 21), g[4][1]);
  g.condense_row();
  ASSERT_EQ(3u, g.numRows());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Grid(3, 2)[i][1], g[i][1]);

  // A middle range: the rows after it move down and come back.
  VMatrix h = Grid(5, 3);
  h.rarefy_col(1);
  ASSERT_EQ(4u, h.numColumns());
  EXPECT_EQ(Vector3D(4, 1.5, 41.5), h[4][2]);
  EXPECT_EQ(Vector3D(4, 2, 42), h[4][3]);
  h.rarefy_row(1, 3);
  ASSERT_EQ(7u, h.numRows());
  EXPECT_EQ(Vector3D(2.5, 0, 25), h[4][0]);
  EXPECT_EQ(Vector3D(4, 0, 40), h[6][0]);
  h.condense_row(1, 5);
  h.condense_col(1, 3);
  ASSERT_EQ(5u, h.numRows());
  ASSERT_EQ(3u, h.numColumns());
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(Grid(5, 3)[i][j], h[i][j]);
  // An odd span drops (b - a) / 2 rows and keeps row b.
  VMatrix odd = Grid(4, 1);
  odd.condense_row(0, 3);
  ASSERT_EQ(3u, odd.numRows());
  EXPECT_EQ(Vector3D(2, 0, 20), odd[1][0]);
  EXPECT_EQ(Vector3D(3, 0, 30), odd[2][0]);
}

TEST(VMatrixTest, RefinementRangesAreChecked) {
  VMatrix g = Grid(3, 3);
  g.rarefy_row(2, 2); // a >= b: nothing
  g.condense_col(2, 1);
  EXPECT_EQ(3u, g.numRows());
  EXPECT_THROW(g.rarefy_row(1, 3), Matrix_IndexOutOfRange_Exception);
  EXPECT_THROW(g.rarefy_col(-1, 1), Matrix_IndexOutOfRange_Exception);
  EXPECT_THROW(g.condense_row(0, 5), Matrix_IndexOutOfRange_Exception);
  EXPECT_EQ(3u, g.numRows());
  VMatrix empty(0, 0);
  empty.rarefy_row();
  EXPECT_THROW(empty.rarefy_row(0, 1), Matrix_IndexOutOfRange_Exception);
}

TEST(BitMatrixTest, BitsAreRowMajorAndChecked) {
  BitMatrix b(3, 5);
  EXPECT_EQ(3, b.get_nu());
  EXPECT_EQ(5, b.get_nv());
  EXPECT_EQ(0ul, b.bits().getEnabledCount());
  b.set_bit(2, 4);
  b.set_bit(1, 0);
  EXPECT_TRUE(b.get_bit(2, 4));
  EXPECT_TRUE(b.bits()[14]);
  EXPECT_TRUE(b.bits()[5]);
  b.cleare_bit(2, 4);
  EXPECT_FALSE(b.get_bit(2, 4));
  EXPECT_THROW(b.set_bit(0, 5), Matrix_IndexOutOfRange_Exception); // not bit (1, 0)
  EXPECT_THROW((void)b.get_bit(-1, 0), Matrix_IndexOutOfRange_Exception);
  EXPECT_THROW(b.cleare_bit(3, 0), Matrix_IndexOutOfRange_Exception);
  BitMatrix copy = b;
  b.resize(10, 10);
  EXPECT_EQ(100ul, b.bits().getSize());
  EXPECT_TRUE(copy.get_bit(1, 0));
  EXPECT_THROW(b.resize(40000, 1), InvalidMatrixSize_Exception);
  EXPECT_THROW(BitMatrix(-1, 2), InvalidMatrixSize_Exception);
  EXPECT_EQ(10, b.get_nu());
}

TEST(MultiDimVectorTest, Arithmetic) {
  MultiDimVector a(3), b(3);
  EXPECT_EQ(0.0, a[2]);
  for (int i = 0; i < 3; ++i) {
    a[i] = i + 1;
    b[i] = 2 * (i + 1);
  }
  EXPECT_EQ(28.0, (a, b));
  EXPECT_EQ(std::sqrt(14.0), a.length());
  EXPECT_EQ(0.0, MultiDimVector().length());
  MultiDimVector c = a + b;
  EXPECT_EQ(9.0, c[2]);
  EXPECT_EQ(-3.0, (a - b)[2]);
  EXPECT_EQ(-2.0, (-a)[1]);
  EXPECT_EQ(6.0, (a * 2.0)[2]);
  EXPECT_EQ(1.5, (b / 4.0)[2]);
  c = 7.0;
  EXPECT_EQ(7.0, c[0]);
  MultiDimVector d(2);
  EXPECT_THROW(a += d, MatrixDifferentSizes_Exception);
  EXPECT_THROW((void)(a, d), MatrixDifferentSizes_Exception);
  d.setDimension(5);
  EXPECT_EQ(5, d.getDimension());
  EXPECT_EQ(0.0, d[4]);
  EXPECT_THROW(MultiDimVector(-1), InvalidMatrixSize_Exception);
  // The dot product runs from the last element to the first.
  MultiDimVector e(3), f(3);
  e[0] = 1;
  e[1] = 1e16;
  e[2] = -1e16;
  f = 1.0;
  EXPECT_EQ(1.0, (e, f));
}

TEST(MultiDimVectorTest, StreamFormAndHostileDimensions) {
  MultiDimVector v(2);
  v[0] = 1.25;
  v[1] = -3;
  Bytes expected{2, 0, 0, 0};
  Append(expected, 1.25);
  Append(expected, -3.0);
  EXPECT_EQ(expected, Written([&](opstream &os) { os << v; }));
  MultiDimVector back(7);
  EXPECT_EQ(0, ReadFrom(expected, [&](ipstream &is) { is >> back; }));
  EXPECT_EQ(2, back.getDimension());
  EXPECT_EQ(-3.0, back[1]);

  MultiDimVector keep(1);
  keep[0] = 42;
  for (Bytes hostile : {Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0, 0}, Bytes{0xFF, 0xFF, 0xFF, 0xFF},
                        Bytes(expected.begin(), expected.end() - 1)}) {
    EXPECT_THROW(ReadFrom(hostile, [&](ipstream &is) { is >> keep; }),
                 NonZeroPStreamState_Exception);
    EXPECT_EQ(1, keep.getDimension());
    EXPECT_EQ(42.0, keep[0]);
  }
  Bytes empty{0, 0, 0, 0};
  ReadFrom(empty, [&](ipstream &is) { is >> keep; });
  EXPECT_EQ(0, keep.getDimension());
}

MultiDimVector Vec(std::initializer_list<double> values) {
  MultiDimVector v(static_cast<int>(values.size()));
  int i = 0;
  for (double x : values)
    v[i++] = x;
  return v;
}

TEST(LinearSystemTest, SolvesByEliminationAndBackSubstitution) {
  LinearSystem s(2);
  s.set_row(0, Vec({2, 1}));
  s.set_row(1, Vec({1, 3}));
  s.solve(); // no right-hand side yet: nothing happens
  EXPECT_EQ(0.0, s.get_result()[0]);
  EXPECT_EQ(2.0f, s[0][0]);
  s.set_data(Vec({3, 5, 7})); // wrong dimension: ignored
  EXPECT_FALSE(s.has_data());
  s.set_data(Vec({3, 5}));
  s.solve();
  EXPECT_NEAR(0.8, s.get_result()[0], 1e-6);
  EXPECT_NEAR(1.4, s.get_result()[1], 1e-6);

  // A pivot found below, and a larger system checked against its rows.
  LinearSystem t(3);
  MultiDimVector rows[3] = {Vec({0, 2, 1}), Vec({1, -1, 4}), Vec({3, 0.5, -2})};
  for (int r = 0; r < 3; ++r)
    t.set_row(r, rows[r]);
  t.set_data(Vec({1, 2, 3}));
  t.solve();
  for (int r = 0; r < 3; ++r)
    EXPECT_NEAR(r + 1.0, (rows[r], t.get_result()), 1e-5);
  EXPECT_THROW(t.set_row(0, Vec({1, 2})), InvalidMatrixSize_Exception);
  EXPECT_THROW(t.set_row(3, Vec({1, 2, 3})), Matrix_IndexOutOfRange_Exception);
}

TEST(LinearSystemTest, LargeSystemsStayFinite) {
  // Elimination must not let the rows grow: 64 diagonally dominant
  // equations in single precision.
  constexpr int n = 64;
  LinearSystem s(n);
  FMatrix original(n, n);
  MultiDimVector row(n), b(n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c)
      row[c] = r == c ? n + 1.0 : std::sin(r * 7.0 + c);
    s.set_row(r, row);
    b[r] = r;
  }
  s.set_data(b);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      original[r][c] = s[r][c];
  s.solve();
  for (int r = 0; r < n; ++r) {
    double sum = 0;
    for (int c = 0; c < n; ++c)
      sum += original[r][c] * s.get_result()[c];
    EXPECT_NEAR(r, sum, 1e-4) << r;
  }
}

TEST(LinearSystemTest, SingularSystemsGiveZeroComponents) {
  LinearSystem s(3);
  s.set_row(0, Vec({1, 1, 0}));
  s.set_row(1, Vec({2, 2, 0}));
  s.set_row(2, Vec({0, 0, 0}));
  s.set_data(Vec({1, 2, 5}));
  s.solve();
  EXPECT_EQ(0.0, s.get_result()[1]);
  EXPECT_EQ(0.0, s.get_result()[2]);
  EXPECT_EQ(1.0, s.get_result()[0]);
}

TEST(LinearSystemTest, RowOperationsAndResize) {
  LinearSystem s(2);
  s.set_row(0, Vec({1, 2}));
  s.set_row(1, Vec({3, 4}));
  s.set_data(Vec({5, 6}));
  EXPECT_EQ(0, s.find_nonzero_row(0));
  EXPECT_EQ(1, s.find_nonzero_row(1));
  s.swap_rows_sp(0, 1);
  EXPECT_EQ(3.0f, s[0][0]);
  EXPECT_EQ(6.0, s.get_data()[0]);
  s.swap_rows_sp(1, 0, 2.0, -1.0); // row 1 = -row 0 + 2 row 1
  EXPECT_EQ(-1.0f, s[1][0]);
  EXPECT_EQ(0.0f, s[1][1]);
  EXPECT_EQ(4.0, s.get_data()[1]);
  EXPECT_EQ(0, s.find_nonzero_row(0));
  EXPECT_EQ(-1, s.find_nonzero_row(1));
  EXPECT_THROW(s.swap_rows_sp(0, 2), Matrix_IndexOutOfRange_Exception);

  LinearSystem copy = s;
  EXPECT_EQ(-1.0f, copy[1][0]);
  EXPECT_EQ(4.0, copy.get_data()[1]);
  s.resize(3);
  EXPECT_EQ(3u, s.numRows());
  EXPECT_EQ(3, s.get_data().getDimension());
  EXPECT_FALSE(s.has_data());
  EXPECT_EQ(0u, LinearSystem().numRows());
  // A system whose coefficients were reshaped as a plain matrix refuses.
  static_cast<FMatrix &>(copy) = FMatrix(3, 3);
  EXPECT_THROW(copy.diagonalize(), InvalidMatrixSize_Exception);
}

} // namespace
