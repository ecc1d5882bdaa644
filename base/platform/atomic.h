//===- atomic.h - Atomic increment and decrement ----------------*- C++ -*-===//
//
// Reference counts stored as plain 32-bit fields are changed through these,
// which return the new value as the interlocked operations do.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_ATOMIC_H
#define VYX_PLATFORM_ATOMIC_H

#include <atomic>
#include <cstdint>

namespace vyx {

inline int32_t AtomicIncrement(int32_t &value) {
  return std::atomic_ref<int32_t>(value).fetch_add(1, std::memory_order_relaxed) + 1;
}

/// Acquire-release, so that the thread that drops the last reference sees
/// every write made through the other references before it frees.
inline int32_t AtomicDecrement(int32_t &value) {
  return std::atomic_ref<int32_t>(value).fetch_sub(1, std::memory_order_acq_rel) - 1;
}

inline int32_t AtomicLoad(const int32_t &value) {
  return std::atomic_ref<int32_t>(const_cast<int32_t &>(value)).load(std::memory_order_acquire);
}

} // namespace vyx

#endif // VYX_PLATFORM_ATOMIC_H
