//===- clock.h - Monotonic millisecond counter ------------------*- C++ -*-===//
#ifndef VYX_PLATFORM_CLOCK_H
#define VYX_PLATFORM_CLOCK_H

#include "vyx_base_export.h"

#include <cstdint>

namespace vyx {

/// Milliseconds since an arbitrary fixed point (the system's start); never
/// goes backwards. The counterpart of the multimedia timer.
VYX_BASE_API uint64_t TickCount();

} // namespace vyx

#endif // VYX_PLATFORM_CLOCK_H
