//===- gtransformation.cpp - A transform with its inverse -----------------===//
//
// Stream form read here:
//   byte      version (any value, skipped)
//   Matrix3D  forward  (its shift scaled by GSUSInfo::InputScale())
//   Matrix3D  inverse  (likewise)
// The matrices are taken as stored, so what is read is written back
// unchanged.
//
//===----------------------------------------------------------------------===//
#include "camera/gtransformation.h"

#include "pstreams/pstream.h"

GTransformation &GTransformation::operator*=(const GTransformation &t) {
  Forward = Forward * t.Forward;
  Inverse = t.Inverse * Inverse;
  return *this;
}

opstream &operator<<(opstream &os, const GTransformation &t) {
  os.writeByte(0);
  return os << t.toTransformedCS() << t.toOriginalCS();
}

ipstream &operator>>(ipstream &is, GTransformation &t) {
  is.readByte();
  Matrix3D forward, inverse;
  is >> forward >> inverse;
  vyx::ReadCheck(is);
  t.Forward = forward;
  t.Inverse = inverse;
  return is;
}
