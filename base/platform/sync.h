//===- sync.h - Locks and events of the platform ----------------*- C++ -*-===//
//
// The kernel objects the library locks with: recursive critical sections,
// recursive mutexes with time-outs, and events (manual- or auto-reset).
// Every wait takes a time-out in milliseconds; kInfiniteWait waits forever.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_SYNC_H
#define VYX_PLATFORM_SYNC_H

#include "vyx_base_export.h"

#include <condition_variable>
#include <mutex>

namespace vyx {

inline constexpr unsigned long kInfiniteWait = 0xFFFFFFFFul;

/// A recursive lock held by one thread at a time (a critical section).
/// Satisfies Lockable, so std::lock_guard and std::unique_lock work on it.
class VYX_BASE_API CriticalSection {
public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection &) = delete;
  CriticalSection &operator=(const CriticalSection &) = delete;

  void lock() { Mutex.lock(); }
  bool try_lock() { return Mutex.try_lock(); }
  void unlock() { Mutex.unlock(); }

private:
  std::recursive_mutex Mutex;
};

/// A recursive mutex that can be waited for with a time-out.
class VYX_BASE_API TimedMutex {
public:
  TimedMutex() = default;
  TimedMutex(const TimedMutex &) = delete;
  TimedMutex &operator=(const TimedMutex &) = delete;

  /// True when the mutex was acquired within `milliseconds`.
  bool lock(unsigned long milliseconds = kInfiniteWait);
  bool try_lock() { return Mutex.try_lock(); }
  void unlock() { Mutex.unlock(); }

private:
  std::recursive_timed_mutex Mutex;
};

/// An event: signalled or not. A manual-reset event stays signalled until
/// reset; an auto-reset event releases one waiter and resets itself.
class VYX_BASE_API Event {
public:
  explicit Event(bool manualReset = true, bool signalled = false)
      : ManualReset(manualReset), Signalled(signalled) {}
  Event(const Event &) = delete;
  Event &operator=(const Event &) = delete;

  void set();
  void reset();
  bool isSignalled() const;
  /// True when the event was (or became) signalled within `milliseconds`.
  bool wait(unsigned long milliseconds = kInfiniteWait);

private:
  mutable std::mutex Lock;
  std::condition_variable Changed;
  const bool ManualReset;
  bool Signalled;
};

} // namespace vyx

#endif // VYX_PLATFORM_SYNC_H
