//===- scaled_number.cpp - Scaling of numbers read from pstreams ---------===//

#include "config/units.h"
#include "pstreams/pstream.h"

namespace vyx {

double ScaleReadNumber(double value, int exponent) {
  if (exponent == 0)
    return value;
  // An integer power by repeated multiplication: exact for exponent 1 and
  // independent of the maths library.
  double scale = GSUSInfo::InputScale();
  double factor = 1.0;
  unsigned count = exponent < 0 ? 0u - static_cast<unsigned>(exponent) : unsigned(exponent);
  for (unsigned i = 0; i < count; ++i)
    factor *= scale;
  return exponent < 0 ? value / factor : value * factor;
}

} // namespace vyx
