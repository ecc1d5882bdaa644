//===- virtual_memory.h - Regions of committed virtual memory ---*- C++ -*-===//
//
// Large regions of read/write memory taken directly from the system, for
// allocators that manage their own chunks. A region is zero-filled when it
// is handed out and must be released with the size it was reserved with.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_VIRTUAL_MEMORY_H
#define VYX_PLATFORM_VIRTUAL_MEMORY_H

#include "vyx_base_export.h"

#include <cstddef>

namespace vyx {

/// Reserves and commits `bytes` of read/write memory at an address of the
/// system's choice, aligned at least to the page size. Null when the system
/// refuses (or for 0 bytes).
VYX_BASE_API void *ReserveRegion(size_t bytes);
/// Gives a region of ReserveRegion back; nothing for null.
VYX_BASE_API void ReleaseRegion(void *region, size_t bytes);
/// The granularity of regions (the page size).
VYX_BASE_API size_t RegionGranularity();

} // namespace vyx

#endif // VYX_PLATFORM_VIRTUAL_MEMORY_H
