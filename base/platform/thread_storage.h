//===- thread_storage.h - Thread-local storage slots ------------*- C++ -*-===//
#ifndef VYX_PLATFORM_THREAD_STORAGE_H
#define VYX_PLATFORM_THREAD_STORAGE_H

#include "vyx_base_export.h"

#include <pthread.h>

namespace vyx {

/// One slot of thread-local storage: a pointer per thread, null until the
/// thread sets it. The optional destructor runs for a thread's non-null value
/// when that thread ends.
class VYX_BASE_API ThreadSlot {
public:
  explicit ThreadSlot(void (*destructor)(void *) = nullptr);
  ~ThreadSlot();
  ThreadSlot(const ThreadSlot &) = delete;
  ThreadSlot &operator=(const ThreadSlot &) = delete;

  bool valid() const { return Valid; }
  void *get() const;
  bool set(void *value);

private:
  pthread_key_t Key{};
  bool Valid = false;
};

/// The calling thread's id as the kernel knows it.
VYX_BASE_API unsigned long CurrentThreadId();
/// The process id.
VYX_BASE_API unsigned long CurrentProcessId();

} // namespace vyx

#endif // VYX_PLATFORM_THREAD_STORAGE_H
