//===- vector_stream_impl.h - The marked stream form of components -*- C++ -*-===//
//
// Vectors and the old form of Matrix3D store N components either as the
// dword 0x7F810000 followed by N doubles, or (the older single-precision
// layout) as N bare floats, the first of which is the dword itself. The
// marker is the bit pattern of a single-precision NaN, which no stored float
// component is.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_VECTOR_STREAM_IMPL_H
#define VYX_LINEAR_VECTOR_STREAM_IMPL_H

#include "linear/vector3d.h"
#include "pstreams/pstream.h"

#include <bit>
#include <cstdint>

namespace vyx::detail {

/// Reads N components in either form, widened to double and not scaled. A
/// short stream throws NonZeroPStreamState_Exception before `out` is
/// written.
template <int N> void ReadMarkedComponents(ipstream &is, double (&out)[N]) {
  double read[N];
  unsigned long first = is.readDWord();
  if (first == VectorStreamMarker) {
    for (double &x : read)
      is >> x;
  } else {
    read[0] = std::bit_cast<float>(static_cast<uint32_t>(first));
    for (int i = 1; i < N; ++i) {
      float f = 0.0f;
      is >> f;
      read[i] = f;
    }
  }
  ReadCheck(is);
  for (int i = 0; i < N; ++i)
    out[i] = read[i];
}

/// A Vector3D in its stream form, not scaled.
inline Vector3D ReadUnscaledVector3D(ipstream &is) {
  double c[3];
  ReadMarkedComponents(is, c);
  return Vector3D(c[0], c[1], c[2]);
}

} // namespace vyx::detail

#endif // VYX_LINEAR_VECTOR_STREAM_IMPL_H
