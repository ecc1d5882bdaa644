//===- math_module.cpp - The module handle of VYX_MATH --------------------===//

#include "math_module.h"

namespace {

vyx::Module MathModule = {"VYX_MATH", nullptr, 0, nullptr};

} // namespace

namespace vyx {

HINSTANCE MathModuleHandle = &MathModule;

} // namespace vyx
