//===- multi_dim_vector.cpp - Double vectors of any dimension -------------===//
//
// Stream form read here: dimension (dword, a signed 32-bit count that must
// not be negative), then that many doubles. The elements are collected as
// they arrive, so a hostile dimension costs no more memory than the data
// that is really there; the vector takes them over only when all were read.
//
//===----------------------------------------------------------------------===//
#include "linear/multi_dim_vector.h"

#include "object_model/exceptions.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using vyx::ReadCheck;

namespace {

/// Zeroed storage of n doubles.
std::unique_ptr<double[]> Allocate(int n) {
  if (n < 0)
    throw InvalidMatrixSize_Exception();
  return n ? std::make_unique<double[]>(static_cast<size_t>(n)) : nullptr;
}

} // namespace

MultiDimVector::MultiDimVector(int n) : Dimension(n), Data(Allocate(n)) {}

MultiDimVector::MultiDimVector(const MultiDimVector &v)
    : Dimension(v.Dimension), Data(Allocate(v.Dimension)) {
  std::copy(v.Data.get(), v.Data.get() + Dimension, Data.get());
}

MultiDimVector::MultiDimVector(MultiDimVector &&v) noexcept
    : Dimension(std::exchange(v.Dimension, 0)), Data(std::move(v.Data)) {}

MultiDimVector &MultiDimVector::operator=(const MultiDimVector &v) {
  if (this != &v)
    *this = MultiDimVector(v);
  return *this;
}

MultiDimVector &MultiDimVector::operator=(MultiDimVector &&v) noexcept {
  Dimension = std::exchange(v.Dimension, 0);
  Data = std::move(v.Data);
  return *this;
}

MultiDimVector::~MultiDimVector() = default;

void MultiDimVector::setDimension(int n) {
  Data = Allocate(n);
  Dimension = n;
}

void MultiDimVector::checkSameDimension(const MultiDimVector &v) const {
  if (v.Dimension != Dimension)
    throw MatrixDifferentSizes_Exception();
}

MultiDimVector MultiDimVector::operator-() const {
  MultiDimVector r(*this);
  for (int i = 0; i < Dimension; ++i)
    r.Data[i] = -r.Data[i];
  return r;
}

MultiDimVector &MultiDimVector::operator+=(const MultiDimVector &v) {
  checkSameDimension(v);
  for (int i = 0; i < Dimension; ++i)
    Data[i] += v.Data[i];
  return *this;
}

MultiDimVector &MultiDimVector::operator-=(const MultiDimVector &v) {
  checkSameDimension(v);
  for (int i = 0; i < Dimension; ++i)
    Data[i] -= v.Data[i];
  return *this;
}

MultiDimVector &MultiDimVector::operator*=(double s) {
  for (int i = 0; i < Dimension; ++i)
    Data[i] *= s;
  return *this;
}

MultiDimVector &MultiDimVector::operator/=(double s) {
  for (int i = 0; i < Dimension; ++i)
    Data[i] /= s;
  return *this;
}

MultiDimVector &MultiDimVector::operator=(double v) {
  std::fill(Data.get(), Data.get() + Dimension, v);
  return *this;
}

double MultiDimVector::operator,(const MultiDimVector &v) const {
  checkSameDimension(v);
  double sum = 0.0;
  for (int i = Dimension - 1; i >= 0; --i)
    sum += Data[i] * v.Data[i];
  return sum;
}

double MultiDimVector::length() const { return std::sqrt((*this, *this)); }

void MultiDimVector::write(opstream &os) const {
  os.writeDWord(static_cast<uint32_t>(Dimension));
  for (int i = 0; i < Dimension; ++i)
    os << Data[i];
}

void MultiDimVector::read(ipstream &is) {
  auto n = static_cast<int32_t>(static_cast<uint32_t>(is.readDWord()));
  ReadCheck(is, n >= 0);
  std::vector<double> elements;
  while (elements.size() < static_cast<size_t>(n)) {
    double e = 0.0;
    is >> e;
    ReadCheck(is);
    elements.push_back(e);
  }
  MultiDimVector read(n);
  std::copy(elements.begin(), elements.end(), read.Data.get());
  *this = std::move(read);
}

opstream &operator<<(opstream &os, const MultiDimVector &v) {
  v.write(os);
  return os;
}

ipstream &operator>>(ipstream &is, MultiDimVector &v) {
  v.read(is);
  return is;
}
