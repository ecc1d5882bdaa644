//===- matrix3d.cpp - Homogeneous 4x4 transformations ---------------------===//
//
// Construction, flags, products, transforms, inversion and the stream forms.
// Rotations and Euler angles are in matrix3d_rotation.cpp.
//
// Stream forms read here:
//   current  byte (version, skipped), 16 doubles m[0][0] .. m[3][3]
//   old      dword 0x7F810000, 16 doubles m[3][3] .. m[0][0]
//            or m[3][3] as the float whose bits the dword is, 15 floats
//            m[3][2] .. m[0][0]
// Then the shift column is multiplied by GSUSInfo::InputScale() and the
// flags are computed. A short stream throws NonZeroPStreamState_Exception
// before anything is taken over.
//
//===----------------------------------------------------------------------===//
#include "linear/matrix3d.h"

#include "config/units.h"
#include "linear/gauss_jordan_impl.h"
#include "linear/math_exceptions.h"
#include "linear/vector_stream_impl.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <istream>
#include <ostream>

using vyx::ReadCheck;

const Matrix3D Matrix3D::gHI;
const Matrix3D Matrix3D::gHZM(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);

namespace {

double Accuracy = 0.0;

/// A rigid matrix's rows have squared lengths within 1 ∓ 2⁻²³ and dot
/// products within ± the smallest normal float.
constexpr double MinSquaredRow = 0.9999998807907104;
constexpr double MaxSquaredRow = 1.0000001192092896;

} // namespace

double Matrix3D::GetAccuracy() { return Accuracy; }

void Matrix3D::SetAccuracy(double accuracy) { Accuracy = accuracy; }

Matrix3D::Matrix3D(double m00, double m01, double m02, double m03, double m10, double m11,
                   double m12, double m13, double m20, double m21, double m22, double m23,
                   double m30, double m31, double m32, double m33)
    : m{{m00, m01, m02, m03}, {m10, m11, m12, m13}, {m20, m21, m22, m23}, {m30, m31, m32, m33}} {
  computeFlags();
}

Matrix3D::Matrix3D(const double (&elements)[4][4]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      m[i][j] = elements[i][j];
  computeFlags();
}

void Matrix3D::computeFlags() {
  Flags = General;
  if (m[3][0] != 0.0 || m[3][1] != 0.0 || m[3][2] != 0.0 || m[3][3] != 1.0)
    return;
  uint16_t flags = Rigid | Identity;
  if (m[0][3] != 0.0 || m[1][3] != 0.0 || m[2][3] != 0.0)
    flags = Rigid;
  for (int i = 2; i >= 0; --i) {
    double sq = m[i][0] * m[i][0] + m[i][1] * m[i][1] + m[i][2] * m[i][2];
    if (!(sq >= MinSquaredRow && sq <= MaxSquaredRow))
      return;
    for (int k = 0; k < i; ++k) {
      double dot = m[i][0] * m[k][0] + m[i][1] * m[k][1] + m[i][2] * m[k][2];
      if (!(dot >= -FLT_MIN && dot <= FLT_MIN))
        return;
    }
    for (int j = 0; j < 3; ++j)
      if (m[i][j] != (i == j ? 1.0 : 0.0))
        flags &= ~Identity;
  }
  Flags = flags;
}

void Matrix3D::set_shift(const Vector3D &v) {
  m[0][3] = v.x;
  m[1][3] = v.y;
  m[2][3] = v.z;
  Flags = General;
}

void Matrix3D::set_shrink(double d) {
  m[3][3] = d;
  Flags = General;
}

Vector3D Matrix3D::get_scale() const {
  return Vector3D(Vector3D(m[0][0], m[1][0], m[2][0]).length(),
                  Vector3D(m[0][1], m[1][1], m[2][1]).length(),
                  Vector3D(m[0][2], m[1][2], m[2][2]).length());
}

Matrix3D Matrix3D::get_rotate() const {
  Matrix3D r;
  for (int j = 0; j < 3; ++j) {
    Vector3D column = Vector3D(m[0][j], m[1][j], m[2][j]).normalized();
    if (column.length() == 0.0)
      column = j == 0 ? Vector3D::gEx : j == 1 ? Vector3D::gEy : Vector3D::gEz;
    r.m[0][j] = column.x;
    r.m[1][j] = column.y;
    r.m[2][j] = column.z;
  }
  // Computed rather than assumed: columns that are not orthogonal (a
  // shear) give a matrix that must not be inverted by transposition.
  r.computeFlags();
  return r;
}

double Matrix3D::weight(double w, const Vector3D &v) const {
  if (w == 0.0)
    throw VectorInFocus3D_Exception(v, *this);
  return w;
}

Vector3D Matrix3D::axisImage(int j) const {
  if (Flags != General)
    return Vector3D(m[0][j], m[1][j], m[2][j]);
  double b = weight(m[3][j] + m[3][3], Vector3D());
  double w0 = weight(m[3][3], Vector3D()); // the image of the origin
  return Vector3D((m[0][j] + m[0][3]) / b - m[0][3] / w0, (m[1][j] + m[1][3]) / b - m[1][3] / w0,
                  (m[2][j] + m[2][3]) / b - m[2][3] / w0);
}

bool Matrix3D::isParity() const {
  if (isUnary())
    return false;
  Vector3D c0(m[0][0], m[1][0], m[2][0]), c1(m[0][1], m[1][1], m[2][1]),
      c2(m[0][2], m[1][2], m[2][2]);
  return (c0 * c1, c2) < 0.0;
}

// Products and transforms --------------------------------------------------------------

Matrix3D Matrix3D::operator*(const Matrix3D &b) const {
  if (isUnary())
    return b;
  if (b.isUnary())
    return *this;
  Matrix3D c{NoInit{}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      c.m[i][j] =
          m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] + m[i][3] * b.m[3][j];
  c.Flags = isRigid() && b.isRigid() ? Rigid : General;
  return c;
}

Vector3D Matrix3D::generalPoint(const Vector3D &p) const {
  auto row = [&](int i) { return m[i][0] * p.x + m[i][1] * p.y + m[i][2] * p.z + m[i][3]; };
  double w = weight(row(3), p);
  return Vector3D(row(0) / w, row(1) / w, row(2) / w);
}

Vector3D Matrix3D::operator&(const Vector3D &d) const {
  if (isUnary())
    return d;
  if (isRigid())
    return Vector3D(m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z,
                    m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
                    m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z);
  auto row = [&](int i) { return m[i][0] * d.x + m[i][1] * d.y + m[i][2] * d.z + m[i][3]; };
  double w = weight(row(3), d);
  double w0 = weight(m[3][3], Vector3D()); // the image of the origin
  return Vector3D(row(0) / w - m[0][3] / w0, row(1) / w - m[1][3] / w0, row(2) / w - m[2][3] / w0);
}

Vector3D Matrix3D::dir_product(const Vector3D &d) const {
  if (isUnary())
    return d;
  return Vector3D(m[0][0] * d.x + m[1][0] * d.y + m[2][0] * d.z,
                  m[0][1] * d.x + m[1][1] * d.y + m[2][1] * d.z,
                  m[0][2] * d.x + m[1][2] * d.y + m[2][2] * d.z);
}

void operator*=(Vector3D &p, const Matrix3D &m) { p = m * p; }

void operator&=(Vector3D &d, const Matrix3D &m) { d = m & d; }

Matrix3D &Matrix3D::transpose() {
  if (isUnary())
    return *this;
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      std::swap(m[i][j], m[j][i]);
  // A shift becomes a perspective row: the flags follow the elements.
  computeFlags();
  return *this;
}

Matrix3D Matrix3D::transposed() const {
  Matrix3D t = *this;
  return t.transpose();
}

Matrix3D &Matrix3D::inverse() {
  if (isUnary())
    return *this;
  if (isRigid()) {
    Vector3D t = get_shift();
    for (int i = 0; i < 3; ++i)
      for (int j = i + 1; j < 3; ++j)
        std::swap(m[i][j], m[j][i]);
    for (int i = 0; i < 3; ++i)
      m[i][3] = -(m[i][0] * t.x + m[i][1] * t.y + m[i][2] * t.z);
    return *this;
  }
  Matrix3D a = *this;
  if (!vyx::detail::GaussJordanInvert<double>([&a](int i) { return a.m[i]; }, 4,
                                              vyx::detail::PivotScan::Forward))
    throw SingularMatrix3D_Exception();
  *this = a;
  Flags = General;
  return *this;
}

Matrix3D Matrix3D::inversed() const {
  Matrix3D a = *this;
  return a.inverse();
}

bool Matrix3D::operator==(const Matrix3D &b) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double x = m[i][j], y = b.m[i][j];
      double d = std::max(std::fabs(x), std::fabs(y));
      if (d != 0.0 && std::fabs(x - y) / d > Accuracy)
        return false;
    }
  return true;
}

// Constructors of transformations ------------------------------------------------------

Matrix3D Matrix3D::shift(const Vector3D &v) {
  Matrix3D s;
  s.m[0][3] = v.x;
  s.m[1][3] = v.y;
  s.m[2][3] = v.z;
  s.Flags = v.x == 0.0 && v.y == 0.0 && v.z == 0.0 ? Rigid | Identity : Rigid;
  return s;
}

Matrix3D Matrix3D::scale(double sx, double sy, double sz) {
  Matrix3D s;
  s.m[0][0] = sx;
  s.m[1][1] = sy;
  s.m[2][2] = sz;
  s.Flags = sx == 1.0 && sy == 1.0 && sz == 1.0 ? Rigid | Identity : General;
  return s;
}

Matrix3D Matrix3D::perspective(double a, double b, double c) {
  Matrix3D p;
  if (a != 0.0)
    p.m[3][0] = -1.0 / a;
  if (b != 0.0)
    p.m[3][1] = -1.0 / b;
  if (c != 0.0)
    p.m[3][2] = -1.0 / c;
  p.Flags = General;
  return p;
}

Matrix3D Matrix3D::hmtr(const Vector3D &X, const Vector3D &Z, const Vector3D &o) {
  Vector3D Y = Z * X;
  return Matrix3D(X.x, Y.x, Z.x, o.x, X.y, Y.y, Z.y, o.y, X.z, Y.z, Z.z, o.z, 0, 0, 0, 1);
}

// Streams ------------------------------------------------------------------------------

void Matrix3D::afterRead() {
  double s = GSUSInfo::InputScale();
  m[0][3] *= s;
  m[1][3] *= s;
  m[2][3] *= s;
  computeFlags();
}

void Matrix3D::write(opstream &os) const {
  os.writeByte(0);
  os.writeBytes(&m[0][0], sizeof(double), 16);
}

void Matrix3D::read(ipstream &is) {
  Matrix3D r{NoInit{}};
  is.readByte();
  is.readBytes(&r.m[0][0], sizeof(double), 16);
  ReadCheck(is);
  r.afterRead();
  *this = r;
}

void Matrix3D::read_old(ipstream &is) {
  double stored[16];
  vyx::detail::ReadMarkedComponents(is, stored);
  Matrix3D r{NoInit{}};
  // The stored sequence runs from m[3][3] back to m[0][0].
  for (int k = 0; k < 16; ++k)
    r.m[(15 - k) / 4][(15 - k) % 4] = stored[k];
  r.afterRead();
  *this = r;
}

opstream &operator<<(opstream &os, const Matrix3D &m) {
  m.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, Matrix3D &m) {
  m.read(is);
  return is;
}

std::ostream &operator<<(std::ostream &os, const Matrix3D &m) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j)
      os << m.elem(i, j) << ' ';
    os << '\n';
  }
  return os;
}

std::istream &operator>>(std::istream &is, Matrix3D &m) {
  double e[4][4];
  for (auto &row : e)
    for (double &x : row)
      is >> x;
  if (is) {
    double s = GSUSInfo::InputScale();
    for (int i = 0; i < 3; ++i)
      e[i][3] *= s;
    m = Matrix3D(e);
  }
  return is;
}
