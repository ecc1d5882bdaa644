//===- virtual_memory.cpp - Regions of committed virtual memory -----------===//
#include "platform/virtual_memory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace vyx {

void *ReserveRegion(size_t bytes) {
  if (bytes == 0)
    return nullptr;
  void *region = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return region == MAP_FAILED ? nullptr : region;
}

void ReleaseRegion(void *region, size_t bytes) {
  if (region)
    munmap(region, bytes);
}

size_t RegionGranularity() {
  static const size_t Granularity = [] {
    long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<size_t>(page) : size_t(4096);
  }();
  return Granularity;
}

} // namespace vyx
