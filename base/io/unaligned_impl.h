//===- unaligned_impl.h - Little-endian loads and stores at any address -*- C++ -*-===//
//
// The bit coders move 64 bits at a time between their accumulators and byte
// buffers; these helpers do it at any alignment and in the stored byte
// order (little-endian) whatever the host's.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_UNALIGNED_IMPL_H
#define VYX_IO_UNALIGNED_IMPL_H

#include <bit>
#include <cstdint>
#include <cstring>

namespace vyx {

inline uint64_t loadLE64(const void *p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big)
    v = __builtin_bswap64(v);
  return v;
}

inline void storeLE64(void *p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::big)
    v = __builtin_bswap64(v);
  std::memcpy(p, &v, sizeof v);
}

inline uint64_t loadHost64(const void *p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline uint32_t loadHost32(const void *p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline uint16_t loadHost16(const void *p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

} // namespace vyx

#endif // VYX_IO_UNALIGNED_IMPL_H
