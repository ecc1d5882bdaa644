//===- vyx_math.h - Every public header of VYX_MATH -------------*- C++ -*-===//
//
// Compile with -I <math folder> -I <base folder> (or the installed
// include/vyx folder) and include this header to use the whole library.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_MATH_H
#define VYX_MATH_H

#include "math_module.h"
#include "vyx_math_export.h"

#include "numerics/quadrature.h"
#include "numerics/random.h"
#include "numerics/simple_spline.h"
#include "numerics/special_functions.h"

#endif // VYX_MATH_H
