//===- memory_crc.h - CRC-32 register update --------------------*- C++ -*-===//
//
// g_mem_CRC32 updates a CRC-32 register over a byte range with the table of
// the reflected polynomial 0xEDB88320. It does only the register update: the
// caller presets the register (0xFFFFFFFF for the standard CRC-32) and
// complements the result, so a check value can be computed in pieces:
//
//   uint32_t crc = g_mem_CRC32(head, headLength, 0xFFFFFFFFu);
//   crc = ~g_mem_CRC32(tail, tailLength, crc);   // zlib's crc32 of both
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_MEMORY_CRC_H
#define VYX_RESOURCES_MEMORY_CRC_H

#include "vyx_base_export.h"

#include <cstddef>
#include <cstdint>

/// The register `crc` updated by the `length` bytes at `data`; a length of 0
/// returns the register unchanged.
VYX_BASE_API uint32_t g_mem_CRC32(const void *data, std::size_t length, uint32_t crc);

#endif // VYX_RESOURCES_MEMORY_CRC_H
