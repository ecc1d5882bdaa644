//===- thread_storage.cpp - Thread-local storage slots -------------------===//

#include "platform/thread_storage.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace vyx {

ThreadSlot::ThreadSlot(void (*destructor)(void *)) {
  Valid = pthread_key_create(&Key, destructor) == 0;
}

ThreadSlot::~ThreadSlot() {
  if (Valid)
    pthread_key_delete(Key);
}

void *ThreadSlot::get() const { return Valid ? pthread_getspecific(Key) : nullptr; }

bool ThreadSlot::set(void *value) { return Valid && pthread_setspecific(Key, value) == 0; }

unsigned long CurrentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

} // namespace vyx
