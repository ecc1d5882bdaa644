//===- matrix3d.h - Homogeneous 4x4 transformations -------------*- C++ -*-===//
//
// Matrix3D is the 4x4 homogeneous transformation of the maths library. It
// acts on column vectors: a point p is transformed as M·(p, 1), so A * B
// applies B first. Elements are stored row-major: column 3 of rows 0-2 is
// the shift, row 3 columns 0-2 the perspective row, m[3][3] the shrink.
//
// A flag word caches two facts: Identity (2) and Rigid (1: bottom row
// exactly (0, 0, 0, 1), upper 3x3 orthonormal). A matrix flagged 0 takes the
// full homogeneous path in every operation, which is always correct.
//
// Stream form: byte 0 (a version that readers skip), then the sixteen
// elements row-major as doubles; the reader multiplies the shift by
// GSUSInfo::InputScale(). read_old takes the older reversed layout.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_MATRIX3D_H
#define VYX_LINEAR_MATRIX3D_H

#include "linear/vector3d.h"
#include "vyx_math_export.h"

#include <cstdint>
#include <iosfwd>

class opstream;
class ipstream;

/// A 4x4 homogeneous transformation acting on column vectors.
class VYX_MATH_API Matrix3D {
public:
  /// Bits of the flag word.
  enum : uint16_t { General = 0, Rigid = 1, Identity = 2 };

  /// The identity.
  constexpr Matrix3D() : m{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}
  /// The sixteen elements row-major; the flags are computed.
  Matrix3D(double m00, double m01, double m02, double m03, double m10, double m11, double m12,
           double m13, double m20, double m21, double m22, double m23, double m30, double m31,
           double m32, double m33);
  /// The elements of a row-major array; the flags are computed.
  explicit Matrix3D(const double (&elements)[4][4]);

  /// The identity and the matrix that is zero but for m[3][3] = 1.
  static const Matrix3D gHI, gHZM;
  static const Matrix3D &HI() { return gHI; }
  static const Matrix3D &HZM() { return gHZM; }
  /// The relative tolerance of ==, 0 (exact) until set.
  static double GetAccuracy();
  static void SetAccuracy(double accuracy);

  // Access.
  double elem(int i, int j) const { return m[i][j]; }
  uint16_t getFlags() const { return Flags; }
  Vector3D get_shift() const { return Vector3D(m[0][3], m[1][3], m[2][3]); }
  /// Writes the shift column; the matrix becomes general.
  void set_shift(const Vector3D &v);
  Vector3D get_perspective() const { return Vector3D(m[3][0], m[3][1], m[3][2]); }
  double get_shrink() const { return m[3][3]; }
  /// Writes m[3][3]; the matrix becomes general.
  void set_shrink(double d);
  /// The lengths of the three columns of the upper 3x3.
  Vector3D get_scale() const;
  /// The upper 3x3 with normalised columns (a zero column becomes the unit
  /// column), no shift, no perspective.
  Matrix3D get_rotate() const;
  /// The images of the unit directions along x, y and z.
  Vector3D getX() const { return axisImage(0); }
  Vector3D getY() const { return axisImage(1); }
  Vector3D getZ() const { return axisImage(2); }
  bool isPerspective() const { return m[3][0] != 0.0 || m[3][1] != 0.0 || m[3][2] != 0.0; }
  bool isUnary() const { return (Flags & Identity) != 0; }
  bool isRigid() const { return (Flags & Rigid) != 0; }
  /// True for a mirroring: (col0 × col1) · col2 < 0 (never for the identity).
  bool isParity() const;

  // Products and transforms.
  Matrix3D operator*(const Matrix3D &b) const;
  /// The point transform; a weight of exactly 0 throws
  /// VectorInFocus3D_Exception. The identity and rigid paths are inline.
  Vector3D operator*(const Vector3D &p) const {
    if (Flags & Identity)
      return p;
    if (Flags & Rigid)
      return Vector3D(m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                      m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                      m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]);
    return generalPoint(p);
  }
  /// The direction transform: the image of d measured from the image of the
  /// origin. A weight of exactly 0 throws VectorInFocus3D_Exception.
  Vector3D operator&(const Vector3D &d) const;
  /// The transpose of the upper 3x3 times d.
  Vector3D dir_product(const Vector3D &d) const;
  Matrix3D &transpose();
  Matrix3D transposed() const;
  /// Inverts in place; a singular general matrix throws
  /// SingularMatrix3D_Exception and stays unchanged.
  Matrix3D &inverse();
  Matrix3D inversed() const;
  Matrix3D operator~() const { return inversed(); }
  static Matrix3D inv(const Matrix3D &a) { return a.inversed(); }
  /// Element-wise relative comparison with GetAccuracy().
  bool operator==(const Matrix3D &b) const;
  bool operator!=(const Matrix3D &b) const { return !(*this == b); }

  // Constructors of transformations (angles in radians).
  static Matrix3D shift(const Vector3D &v);
  static Matrix3D scale(double sx, double sy, double sz);
  static Matrix3D scale(const Vector3D &v) { return scale(v.x, v.y, v.z); }
  /// m[3][0..2] = -1/a, -1/b, -1/c; a zero argument leaves its element 0.
  static Matrix3D perspective(double a, double b, double c);
  static Matrix3D perspective(const Vector3D &v) { return perspective(v.x, v.y, v.z); }
  /// Columns X, Z × X, Z, o: local-to-world of the frame with x axis X, z
  /// axis Z and origin o (used as given, not normalised).
  static Matrix3D hmtr(const Vector3D &X, const Vector3D &Z, const Vector3D &o);
  /// Rotation by a about the axis through the origin, counter-clockwise
  /// seen from the axis tip; a zero axis gives diag(cos a, cos a, cos a, 1).
  static Matrix3D rot(const Vector3D &axis, double a);
  /// Rotation by a about the line through `point` along `axis`.
  static Matrix3D rot(const Vector3D &point, const Vector3D &axis, double a);
  /// The transpose of rot(axis, a), i.e. rot(axis, -a).
  static Matrix3D hmrot(const Vector3D &axis, double a);
  /// The rotation of a onto the direction of b, scaled by |b| / |a|.
  static Matrix3D rot_scale(const Vector3D &a, const Vector3D &b);
  /// Rz(angles.x) · Ry(-angles.y) · Rx(angles.z).
  static Matrix3D euler(const Vector3D &angles);
  /// Euler angles of the rotation from M1 to M2 (hint (0, 0, 0)).
  static Vector3D euler(const Matrix3D &m1, const Matrix3D &m2);
  /// Euler angles of the rotation from M1 to M2; at gimbal lock the pair of
  /// angles nearest to (hint.x, hint.z) is chosen.
  static Vector3D euler(const Matrix3D &m1, const Matrix3D &m2, const Vector3D &hint);
  /// Axis and angle (in [0, π], the sign carried by the axis) of the
  /// rotation that takes M1's rotation to M2's.
  static void rot(const Matrix3D &m1, const Matrix3D &m2, Vector3D &axis, double &angle);
  /// Axis and signed angle of the rotation part of M; (0, 0, 1) and 0 when
  /// there is none.
  static Vector3D getRotationAxis(const Matrix3D &m, double &angle);

  // Streams.
  void write(opstream &os) const;
  /// The current form; a short stream throws NonZeroPStreamState_Exception
  /// and leaves the matrix unchanged.
  void read(ipstream &is);
  /// The older form: dword 0x7F810000 and sixteen doubles, or sixteen floats,
  /// in both cases from m[3][3] back to m[0][0].
  void read_old(ipstream &is);

private:
  /// Leaves the elements for the caller to fill.
  struct NoInit {};
  explicit Matrix3D(NoInit) : Flags(General) {}

  void computeFlags();
  /// Scales the shift by GSUSInfo::InputScale() and computes the flags.
  void afterRead();
  Vector3D axisImage(int column) const;
  /// The homogeneous point transform of a general matrix.
  Vector3D generalPoint(const Vector3D &p) const;
  /// The weight of an image; exactly 0 throws VectorInFocus3D_Exception
  /// naming `v`.
  double weight(double w, const Vector3D &v) const;

  double m[4][4];
  uint16_t Flags = Rigid | Identity;
};

/// p = M * p.
VYX_MATH_API void operator*=(Vector3D &p, const Matrix3D &m);
/// d = M & d.
VYX_MATH_API void operator&=(Vector3D &d, const Matrix3D &m);

VYX_MATH_API opstream &operator<<(opstream &os, const Matrix3D &m);
VYX_MATH_API ipstream &operator>>(ipstream &is, Matrix3D &m);
/// Four lines of four elements, each followed by a blank.
VYX_MATH_API std::ostream &operator<<(std::ostream &os, const Matrix3D &m);
/// Sixteen doubles row-major, the shift scaled by GSUSInfo::InputScale();
/// `m` is unchanged when the stream fails.
VYX_MATH_API std::istream &operator>>(std::istream &is, Matrix3D &m);

#endif // VYX_LINEAR_MATRIX3D_H
