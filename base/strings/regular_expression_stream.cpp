//===- regular_expression_stream.cpp - Stream form of patterns ------------===//
//
// Stored form (pstreams): byte 0 (a version that readers skip), then the
// source pattern as a narrow string. The compiled code is not stored: the
// reader compiles the source it reads, so a stored pattern that does not
// compile reads back as an invalid (matching nothing) expression, exactly as
// assigning that source would give. A short stream throws
// NonZeroPStreamState_Exception and leaves the expression unchanged.
//
//===----------------------------------------------------------------------===//
#include "strings/regular_expression.h"

#include "pstreams/pstream.h"

opstream &operator<<(opstream &os, const RegularExpression &re) {
  os.writeByte(0);
  os << re.source();
  return os;
}

ipstream &operator>>(ipstream &is, RegularExpression &re) {
  is.readByte();
  GString source;
  is >> source;
  // The stream's state is the only value to check: any source is a
  // pattern, and compiling refuses what it cannot take.
  is.checkState();
  re = source;
  return is;
}
