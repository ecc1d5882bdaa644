//===- simple_matrix3d.cpp - Plain 3x3 matrices ---------------------------===//
//
// The eigenvalue solves λ³ + aλ² + bλ + c = 0 through the depressed cubic
// t³ + pt + q = 0 (λ = t - a/3) in its trigonometric forms: the cosine form
// when three roots are real, the tangent form (p > 0) or the sine form
// (p < 0) when one is.
//
//===----------------------------------------------------------------------===//
#include "linear/simple_matrix3d.h"

#include "linear/matrix3d.h"

#include <cmath>

namespace {

constexpr double Tolerance = Vector3D::LengthTolerance;

/// The real root of t³ + pt + q = 0 when it has exactly one (or a double
/// one): the tangent form for p > 0, the sine form for p < 0.
double SingleRoot(double p, double q) {
  if (p > 0.0) {
    // tan ω = 2√(p³/27) / q, tan ψ = ∛tan(ω/2), t = -2√(p/3)·cot 2ψ.
    double omega = std::atan(2.0 * std::sqrt(p * p * p / 27.0) / q);
    double psi = std::atan(std::cbrt(std::tan(omega / 2.0)));
    return -2.0 * std::sqrt(p / 3.0) / std::tan(2.0 * psi);
  }
  // sin ω = 2√(-p³/27) / q, tan ψ = ∛tan(ω/2), t = -2√(-p/3) / sin 2ψ.
  double omega = std::asin(2.0 * std::sqrt(-p * p * p / 27.0) / q);
  double psi = std::atan(std::cbrt(std::tan(omega / 2.0)));
  return -2.0 * std::sqrt(-p / 3.0) / std::sin(2.0 * psi);
}

} // namespace

SimpleMatrix3D::SimpleMatrix3D(const Matrix3D &m) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      a[i][j] = m.elem(i, j);
}

Matrix3D SimpleMatrix3D::GetMatrix3D() const {
  return Matrix3D(a[0][0], a[0][1], a[0][2], 0.0, a[1][0], a[1][1], a[1][2], 0.0, a[2][0], a[2][1],
                  a[2][2], 0.0, 0.0, 0.0, 0.0, 1.0);
}

double SimpleMatrix3D::GetMinor(int i, int j) const {
  int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
  return a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
}

double SimpleMatrix3D::Determinant() const {
  return a[0][0] * GetMinor(0, 0) + a[0][1] * GetMinor(0, 1) + a[0][2] * GetMinor(0, 2);
}

double SimpleMatrix3D::GetEigenValue() const {
  double ca = -(a[0][0] + a[1][1] + a[2][2]);
  double cb = GetMinor(0, 0) + GetMinor(1, 1) + GetMinor(2, 2);
  double cc = -Determinant();
  double p = cb - ca * ca / 3.0;
  double q = 2.0 * ca * ca * ca / 27.0 - ca * cb / 3.0 + cc;
  double t;
  if (std::fabs(q) <= Tolerance) {
    t = 0.0;
  } else if (std::fabs(p) <= Tolerance) {
    t = std::cbrt(-q);
  } else {
    double r = p < 0.0 ? 2.0 * std::sqrt(-p * p * p / 27.0) : 0.0;
    if (p < 0.0 && std::fabs(q) < r)
      t = 2.0 * std::sqrt(-p / 3.0) * std::cos(std::acos(-q / r) / 3.0);
    else
      t = SingleRoot(p, q);
  }
  return t - ca / 3.0;
}

Vector3D SimpleMatrix3D::GetEigenVector(double &value) const {
  value = GetEigenValue();
  SimpleMatrix3D b = *this;
  for (int k = 0; k < 3; ++k)
    b.a[k][k] -= value;
  int best = -1;
  double bestAbs = Tolerance;
  for (int k = 0; k < 3; ++k) {
    double m = std::fabs(b.GetMinor(k, k));
    if (m > bestAbs) {
      bestAbs = m;
      best = k;
    }
  }
  double x[3];
  if (best >= 0) {
    // Component k is -1; the other two solve rows i and j.
    int k = best, i = (k + 1) % 3, j = (k + 2) % 3;
    double det = b.GetMinor(k, k);
    x[k] = -1.0;
    x[i] = (b.a[i][k] * b.a[j][j] - b.a[i][j] * b.a[j][k]) / det;
    x[j] = (b.a[i][i] * b.a[j][k] - b.a[j][i] * b.a[i][k]) / det;
  } else {
    // Rank one or less along the diagonal cofactors: the null vector of rows
    // 1 and 2 through their cofactor in columns 0 and 1, component 2 = -1.
    double det = b.GetMinor(0, 2);
    if (!(std::fabs(det) > Tolerance))
      return Vector3D::gEx;
    x[2] = -1.0;
    x[0] = (b.a[1][2] * b.a[2][1] - b.a[1][1] * b.a[2][2]) / det;
    x[1] = (b.a[1][0] * b.a[2][2] - b.a[2][0] * b.a[1][2]) / det;
  }
  return Vector3D(x[0], x[1], x[2]).normalized();
}

Vector3D SimpleMatrix3D::operator*(const Vector3D &v) const {
  return Vector3D(a[0][0] * v.x + a[0][1] * v.y + a[0][2] * v.z,
                  a[1][0] * v.x + a[1][1] * v.y + a[1][2] * v.z,
                  a[2][0] * v.x + a[2][1] * v.y + a[2][2] * v.z);
}
