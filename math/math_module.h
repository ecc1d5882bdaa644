//===- math_module.h - The module handle of VYX_MATH ------------*- C++ -*-===//
//
// VYX_MATH registers its run-time classes with the address of this handle
// variable. Its messages are those of VYX_BASE's table (loaded through the
// string loaders the application registers), so its own table is empty.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_MATH_MODULE_H
#define VYX_MATH_MODULE_H

#include "platform/module_handle.h"
#include "vyx_math_export.h"

namespace vyx {

/// VYX_MATH's module-handle variable.
extern VYX_MATH_API HINSTANCE MathModuleHandle;

} // namespace vyx

#endif // VYX_MATH_MODULE_H
