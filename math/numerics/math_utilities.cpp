//===- math_utilities.cpp - Static helpers of the maths library -----------===//
//
// Values that rounding pushed just outside [-1, 1] (the cosine of an angle
// computed from a dot product) give the end of the range instead of NaN.
//
//===----------------------------------------------------------------------===//
#include "numerics/math_utilities.h"

#include <cmath>
#include <numbers>

double Math::acos(double x) {
  if (x <= -1.0)
    return std::numbers::pi;
  if (x >= 1.0)
    return 0.0;
  return std::acos(x);
}
