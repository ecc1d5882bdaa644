//===- clock.cpp - Monotonic millisecond counter -------------------------===//

#include "platform/clock.h"

#include <time.h>

namespace vyx {

uint64_t TickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

} // namespace vyx
