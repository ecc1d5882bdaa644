//===- math_exceptions.cpp - Exceptions of the maths library --------------===//
#include "linear/math_exceptions.h"

#include "linear/matrix3d.h"

namespace {

/// Numbers of VYX_BASE's message texts used here.
enum : unsigned {
  MsgNormalToPlane = 19,
  MsgNotMultiplyable = 21,
  MsgNotSquare = 22,
  MsgSingularFMatrix = 23,
  MsgSingularMatrix3D = 28,
  MsgVectorInFocus = 29,
};

} // namespace

NormalToPlaneHasZeroLength_Exception::NormalToPlaneHasZeroLength_Exception()
    : GLibraryException(MsgNormalToPlane) {}

SingularMatrix3D_Exception::SingularMatrix3D_Exception() : GLibraryException(MsgSingularMatrix3D) {}

VectorInFocus3D_Exception::VectorInFocus3D_Exception(const Vector3D &v, const Matrix3D &m)
    : Vector(v) {
  auto e = [&m](int i, int j) { return m.elem(i, j); };
  message(MsgVectorInFocus, v.x, v.y, v.z,                      //
          e(0, 0), e(0, 1), e(0, 2), e(0, 3), e(1, 0), e(1, 1), //
          e(1, 2), e(1, 3), e(2, 0), e(2, 1), e(2, 2), e(2, 3), //
          e(3, 0), e(3, 1), e(3, 2), e(3, 3));
}

NoMultiplyableMatrix_Exception::NoMultiplyableMatrix_Exception()
    : Matrix_Exception(MsgNotMultiplyable) {}

NotSquareMatrix_Exception::NotSquareMatrix_Exception() : Matrix_Exception(MsgNotSquare) {}

SingularFMatrix_Exception::SingularFMatrix_Exception() : Matrix_Exception(MsgSingularFMatrix) {}
