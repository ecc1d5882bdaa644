//===- math_utilities.h - Static helpers of the maths library ---*- C++ -*-===//
//
// Math gathers the static functions that VYX_MATH offers beside its value
// types. The clamped arc cosine is the one that vectors, matrices and
// quaternions use for every angle they compute.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_MATH_UTILITIES_H
#define VYX_NUMERICS_MATH_UTILITIES_H

#include "vyx_math_export.h"

/// Static helper functions of VYX_MATH.
class VYX_MATH_API Math {
public:
  Math() = delete;

  /// The arc cosine clamped to its domain: π for x <= -1, 0 for x >= 1, the
  /// ordinary arc cosine in between (a NaN stays NaN).
  static double acos(double x);
};

#endif // VYX_NUMERICS_MATH_UTILITIES_H
