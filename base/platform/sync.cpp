//===- sync.cpp - Locks and events of the platform -----------------------===//

#include "platform/sync.h"

#include <chrono>

namespace vyx {

bool TimedMutex::lock(unsigned long milliseconds) {
  if (milliseconds == kInfiniteWait) {
    Mutex.lock();
    return true;
  }
  if (milliseconds == 0)
    return Mutex.try_lock();
  return Mutex.try_lock_for(std::chrono::milliseconds(milliseconds));
}

void Event::set() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = true;
  }
  if (ManualReset)
    Changed.notify_all();
  else
    Changed.notify_one();
}

void Event::reset() {
  std::lock_guard<std::mutex> guard(Lock);
  Signalled = false;
}

bool Event::isSignalled() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Signalled;
}

bool Event::wait(unsigned long milliseconds) {
  std::unique_lock<std::mutex> guard(Lock);
  auto ready = [this] { return Signalled; };
  if (milliseconds == kInfiniteWait)
    Changed.wait(guard, ready);
  else if (!Changed.wait_for(guard, std::chrono::milliseconds(milliseconds), ready))
    return false;
  if (!ManualReset)
    Signalled = false;
  return true;
}

} // namespace vyx
