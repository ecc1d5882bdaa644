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

#include "linear/bit_matrix.h"
#include "linear/fmatrix.h"
#include "linear/linear_system.h"
#include "linear/math_exceptions.h"
#include "linear/matrix3d.h"
#include "linear/multi_dim_vector.h"
#include "linear/quaternion.h"
#include "linear/simple_matrix3d.h"
#include "linear/tgmatrix.h"
#include "linear/uchar_matrix.h"
#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "linear/vmatrix.h"

#include "numerics/math_utilities.h"
#include "numerics/quadrature.h"
#include "numerics/random.h"
#include "numerics/simple_spline.h"
#include "numerics/special_functions.h"

#endif // VYX_MATH_H
