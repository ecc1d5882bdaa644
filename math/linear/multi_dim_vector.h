//===- multi_dim_vector.h - Double vectors of any dimension -----*- C++ -*-===//
//
// MultiDimVector is a vector of doubles whose dimension is chosen at run
// time: the points and gradients of the minimizers and the right-hand sides
// of linear systems. New elements are zero. Operations on two vectors need
// equal dimensions (else MatrixDifferentSizes_Exception).
//
// Stream form: the dimension as a dword, then the elements as doubles.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_MULTI_DIM_VECTOR_H
#define VYX_LINEAR_MULTI_DIM_VECTOR_H

#include "vyx_math_export.h"

#include <cstdint>
#include <memory>

class opstream;
class ipstream;

/// A double vector of any dimension.
class VYX_MATH_API MultiDimVector {
public:
  MultiDimVector() = default;
  /// n zero elements; a negative n throws InvalidMatrixSize_Exception.
  explicit MultiDimVector(int n);
  MultiDimVector(const MultiDimVector &v);
  MultiDimVector(MultiDimVector &&v) noexcept;
  MultiDimVector &operator=(const MultiDimVector &v);
  MultiDimVector &operator=(MultiDimVector &&v) noexcept;
  ~MultiDimVector();

  int getDimension() const { return Dimension; }
  /// New zeroed storage of n elements (the contents are lost).
  void setDimension(int n);
  /// Element i, unchecked.
  double &operator[](int i) { return Data[i]; }
  double operator[](int i) const { return Data[i]; }

  MultiDimVector operator-() const;
  MultiDimVector &operator+=(const MultiDimVector &v);
  MultiDimVector &operator-=(const MultiDimVector &v);
  MultiDimVector operator+(const MultiDimVector &v) const { return MultiDimVector(*this) += v; }
  MultiDimVector operator-(const MultiDimVector &v) const { return MultiDimVector(*this) -= v; }
  MultiDimVector &operator*=(double s);
  MultiDimVector &operator/=(double s);
  MultiDimVector operator*(double s) const { return MultiDimVector(*this) *= s; }
  MultiDimVector operator/(double s) const { return MultiDimVector(*this) /= s; }
  /// Sets every element to v.
  MultiDimVector &operator=(double v);
  /// The dot product, summed from the last element to the first.
  double operator,(const MultiDimVector &v) const;
  /// The Euclidean norm; 0 for dimension 0.
  double length() const;

  void write(opstream &os) const;
  /// A negative dimension or a short stream throws
  /// NonZeroPStreamState_Exception and leaves the vector unchanged.
  void read(ipstream &is);

private:
  void checkSameDimension(const MultiDimVector &v) const;

  int32_t Dimension = 0;
  std::unique_ptr<double[]> Data;
};

VYX_MATH_API opstream &operator<<(opstream &os, const MultiDimVector &v);
VYX_MATH_API ipstream &operator>>(ipstream &is, MultiDimVector &v);

#endif // VYX_LINEAR_MULTI_DIM_VECTOR_H
