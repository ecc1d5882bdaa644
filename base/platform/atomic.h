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

#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define VYX_HAVE_SINGLE_THREADED 1
#endif

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

/// True while the process has never run a second thread. No other thread can
/// then see a shared value, so reference counts may change it with plain
/// operations; creating a thread synchronises with everything done before.
inline bool ProcessIsSingleThreaded() {
#ifdef VYX_HAVE_SINGLE_THREADED
  return __libc_single_threaded != 0;
#else
  return false;
#endif
}

/// Reference-count forms of AtomicIncrement/AtomicDecrement: plain
/// arithmetic while the process is single-threaded, atomic otherwise.
inline int32_t RefCountIncrement(int32_t &value) {
  return ProcessIsSingleThreaded() ? ++value : AtomicIncrement(value);
}

inline int32_t RefCountDecrement(int32_t &value) {
  return ProcessIsSingleThreaded() ? --value : AtomicDecrement(value);
}

} // namespace vyx

#endif // VYX_PLATFORM_ATOMIC_H
