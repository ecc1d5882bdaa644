//===- single_thread.h - Whether the process runs one thread ----*- C++ -*-===//
//
// Locks that guard very short operations (a pool handing out a slot) cost
// more than the operation itself. While the process has only ever run one
// thread no other thread can contend, so such locks may be skipped. The
// answer changes from true to false when the first thread is created and
// does not change back.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_SINGLE_THREAD_H
#define VYX_PLATFORM_SINGLE_THREAD_H

#if defined(__GLIBC__) || defined(__linux__)
#include <sys/single_threaded.h>
#endif

namespace vyx {

/// True while the process has never run a second thread.
inline bool ProcessIsSingleThreaded() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  return __libc_single_threaded != 0;
#else
  return false;
#endif
}

} // namespace vyx

#endif // VYX_PLATFORM_SINGLE_THREAD_H
