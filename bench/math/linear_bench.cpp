// Matrix3D products, inversions and point transforms against plain
// hand-written 4x4 double loops, and the solution of linear systems
// (LinearSystem, FMatrix::inv) against a plain LU decomposition with
// partial pivoting.
#include "linear/fmatrix.h"
#include "linear/linear_system.h"
#include "linear/matrix3d.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using Plain = double[4][4];

Matrix3D GeneralMatrix() {
  return Matrix3D(2, 0.5, -1, 3, 0.25, 1.5, 0.75, -2, -0.5, 1, 3, 1, 0.01, -0.02, 0.03, 1.5);
}

Matrix3D RigidMatrix() {
  return Matrix3D::rot(Vector3D::Ez(), 0.5) * Matrix3D::shift(Vector3D(1, 2, 3));
}

void ToPlain(const Matrix3D &m, Plain &p) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      p[i][j] = m.elem(i, j);
}

void PlainProduct(const Plain &a, const Plain &b, Plain &c) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
}

/// Gauss-Jordan with partial pivoting on a 4x4 with its identity beside it.
bool PlainInverse(const Plain &m, Plain &out) {
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m[i][j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  for (int c = 0; c < 4; ++c) {
    int p = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c]))
        p = r;
    if (a[p][c] == 0.0)
      return false;
    for (int j = 0; j < 8; ++j)
      std::swap(a[p][j], a[c][j]);
    double d = a[c][c];
    for (int j = 0; j < 8; ++j)
      a[c][j] /= d;
    for (int r = 0; r < 4; ++r)
      if (r != c) {
        double f = a[r][c];
        for (int j = 0; j < 8; ++j)
          a[r][j] -= f * a[c][j];
      }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out[i][j] = a[i][j + 4];
  return true;
}

// Products --------------------------------------------------------------------------

void BM_Matrix3D_ProductGeneral(benchmark::State &state) {
  Matrix3D a = GeneralMatrix(), b = GeneralMatrix().transposed();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(a * b);
  }
}
BENCHMARK(BM_Matrix3D_ProductGeneral);

void BM_Plain_Product(benchmark::State &state) {
  Plain a, b, c;
  ToPlain(GeneralMatrix(), a);
  ToPlain(GeneralMatrix().transposed(), b);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    PlainProduct(a, b, c);
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_Plain_Product);

// Inversion -------------------------------------------------------------------------

void BM_Matrix3D_InverseGeneral(benchmark::State &state) {
  Matrix3D a = GeneralMatrix();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(a.inversed());
  }
}
BENCHMARK(BM_Matrix3D_InverseGeneral);

void BM_Matrix3D_InverseRigid(benchmark::State &state) {
  Matrix3D a = RigidMatrix();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(a.inversed());
  }
}
BENCHMARK(BM_Matrix3D_InverseRigid);

void BM_Plain_Inverse(benchmark::State &state) {
  Plain a, c;
  ToPlain(GeneralMatrix(), a);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(PlainInverse(a, c));
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_Plain_Inverse);

// Point transforms ------------------------------------------------------------------

constexpr int Points = 1024;

std::vector<Vector3D> SomePoints() {
  std::vector<Vector3D> points;
  for (int i = 0; i < Points; ++i)
    points.emplace_back(i * 0.5, 1.0 - i, i % 7);
  return points;
}

void TransformWith(benchmark::State &state, const Matrix3D &m) {
  std::vector<Vector3D> points = SomePoints(), out(Points);
  for (auto _ : state) {
    for (int i = 0; i < Points; ++i)
      out[i] = m * points[i];
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * Points);
}

void BM_Matrix3D_TransformRigid(benchmark::State &state) { TransformWith(state, RigidMatrix()); }
BENCHMARK(BM_Matrix3D_TransformRigid);

void BM_Matrix3D_TransformGeneral(benchmark::State &state) {
  TransformWith(state, GeneralMatrix());
}
BENCHMARK(BM_Matrix3D_TransformGeneral);

void BM_Plain_TransformHomogeneous(benchmark::State &state) {
  Plain m;
  ToPlain(GeneralMatrix(), m);
  std::vector<Vector3D> points = SomePoints(), out(Points);
  for (auto _ : state) {
    for (int i = 0; i < Points; ++i) {
      const Vector3D &p = points[i];
      double r[4];
      for (int k = 0; k < 4; ++k)
        r[k] = m[k][0] * p.x + m[k][1] * p.y + m[k][2] * p.z + m[k][3];
      out[i] = Vector3D(r[0] / r[3], r[1] / r[3], r[2] / r[3]);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * Points);
}
BENCHMARK(BM_Plain_TransformHomogeneous);

// Linear systems ------------------------------------------------------------------------

/// A diagonally dominant n x n system with a known solution.
double Coefficient(int r, int c, int n) { return r == c ? n + 1.0 : std::sin(r * 7.0 + c); }

void BM_LinearSystem_Solve(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  LinearSystem base(n);
  MultiDimVector row(n), b(n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c)
      row[c] = Coefficient(r, c, n);
    base.set_row(r, row);
    b[r] = r;
  }
  base.set_data(b);
  for (auto _ : state) {
    LinearSystem s = base; // solve() eliminates in place
    s.solve();
    benchmark::DoNotOptimize(s.get_result()[0]);
  }
}
BENCHMARK(BM_LinearSystem_Solve)->Arg(8)->Arg(32)->Arg(128);

void BM_FMatrix_Inverse(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  FMatrix base(n, n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      base[r][c] = static_cast<float>(Coefficient(r, c, n));
  for (auto _ : state)
    benchmark::DoNotOptimize((~base)[0][0]);
}
BENCHMARK(BM_FMatrix_Inverse)->Arg(8)->Arg(32)->Arg(128);

/// LU decomposition with partial pivoting and the two substitutions.
void BM_Plain_LUSolve(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  std::vector<double> base(static_cast<size_t>(n) * n), b(n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c)
      base[r * n + c] = Coefficient(r, c, n);
    b[r] = r;
  }
  for (auto _ : state) {
    std::vector<double> a = base, x = b;
    for (int k = 0; k < n; ++k) {
      int p = k;
      for (int r = k + 1; r < n; ++r)
        if (std::fabs(a[r * n + k]) > std::fabs(a[p * n + k]))
          p = r;
      if (p != k) {
        for (int c = 0; c < n; ++c)
          std::swap(a[p * n + c], a[k * n + c]);
        std::swap(x[p], x[k]);
      }
      for (int r = k + 1; r < n; ++r) {
        double f = a[r * n + k] / a[k * n + k];
        for (int c = k; c < n; ++c)
          a[r * n + c] -= f * a[k * n + c];
        x[r] -= f * x[k];
      }
    }
    for (int i = n - 1; i >= 0; --i) {
      double s = x[i];
      for (int k = i + 1; k < n; ++k)
        s -= a[i * n + k] * x[k];
      x[i] = s / a[i * n + i];
    }
    benchmark::DoNotOptimize(x[0]);
  }
}
BENCHMARK(BM_Plain_LUSolve)->Arg(8)->Arg(32)->Arg(128);

} // namespace
