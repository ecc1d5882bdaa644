//===- gstring_stream.cpp - The pstream form of GString ------------------===//
//
// A GString is stored as a narrow string of the pstream format: word n and
// the n bytes, or word 0xFFFE, dword n and the bytes for n >= 0xFFFE. All of
// the string's bytes are written, so a string holding NUL bytes comes back
// whole; a null string read back is the empty string.
//
//===----------------------------------------------------------------------===//

#include "pstreams/pstream.h"
#include "strings/gstring.h"

opstream &operator<<(opstream &os, const GString &s) {
  os.writeCharString(s.c_str(), s.length());
  return os;
}

ipstream &operator>>(ipstream &is, GString &s) {
  is.readCharString(s);
  return is;
}
