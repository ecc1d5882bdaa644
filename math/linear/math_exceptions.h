//===- math_exceptions.h - Exceptions of the maths library ------*- C++ -*-===//
//
// The failures of VYX_MATH's vectors, matrices and planes. Their messages are
// texts of VYX_BASE's message table, loaded through the string loaders that
// the application registered (GString::loadString), so they are empty until
// one that serves the table is registered.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_MATH_EXCEPTIONS_H
#define VYX_LINEAR_MATH_EXCEPTIONS_H

#include "linear/vector3d.h"
#include "object_model/exceptions.h"
#include "vyx_math_export.h"

class Matrix3D;

/// A plane was asked of a normal of zero length (message 19).
class VYX_MATH_API NormalToPlaneHasZeroLength_Exception : public GLibraryException {
public:
  NormalToPlaneHasZeroLength_Exception();
};

/// A general Matrix3D could not be inverted (message 28).
class VYX_MATH_API SingularMatrix3D_Exception : public GLibraryException {
public:
  SingularMatrix3D_Exception();
};

/// A point or direction whose homogeneous weight is exactly 0 (message 29,
/// formatted with the vector and the sixteen elements of the matrix).
class VYX_MATH_API VectorInFocus3D_Exception : public GLibraryException {
public:
  VectorInFocus3D_Exception(const Vector3D &v, const Matrix3D &m);
  const Vector3D &getVector() const { return Vector; }

private:
  Vector3D Vector;
};

/// The column count of the left factor differs from the row count of the
/// right one (message 21).
class VYX_MATH_API NoMultiplyableMatrix_Exception : public Matrix_Exception {
public:
  NoMultiplyableMatrix_Exception();
};

/// An operation that needs a square matrix got another one (message 22).
class VYX_MATH_API NotSquareMatrix_Exception : public Matrix_Exception {
public:
  NotSquareMatrix_Exception();
};

/// An FMatrix could not be inverted (message 23).
class VYX_MATH_API SingularFMatrix_Exception : public Matrix_Exception {
public:
  SingularFMatrix_Exception();
};

#endif // VYX_LINEAR_MATH_EXCEPTIONS_H
