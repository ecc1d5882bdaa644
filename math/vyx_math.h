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

#include "camera/camera_parameters_info.h"
#include "camera/gtransformation.h"
#include "camera/gviewport_info.h"
#include "camera/projector.h"
#include "camera/projector_info.h"

#include "geometry/gbasic_box.h"
#include "geometry/gbox.h"
#include "geometry/gclipping_half_space.h"
#include "geometry/gclipping_volume.h"
#include "geometry/gpolygon_for_3d_clipping.h"
#include "geometry/vertex8d_collection.h"

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

#include "numerics/grid_diffusion.h"
#include "numerics/math_utilities.h"
#include "numerics/minimizer.h"
#include "numerics/multi_dim_func.h"
#include "numerics/quadrature.h"
#include "numerics/random.h"
#include "numerics/simple_spline.h"
#include "numerics/special_functions.h"

#endif // VYX_MATH_H
