//===- locks.cpp - Critical sections, mutexes and a reader/writer guard --===//
//
// GMutex and GSWMRGuard keep their owner and counts behind one private
// mutex and condition variable each, so that every wait checks all of its
// conditions at once (a writer needs "no other writer" and "no reader" in the
// same instant) and a time-out can never be mistaken for an acquisition.
//
//===----------------------------------------------------------------------===//

#include "object_model/locks.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

/// Waits on `changed` until `ready()` holds, at most `milliseconds`
/// (kInfiniteWait or more: no limit). True when `ready()` holds on return.
template <class Ready>
bool waitUntil(std::condition_variable &changed, std::unique_lock<std::mutex> &lock,
               unsigned long milliseconds, Ready ready) {
  if (milliseconds >= vyx::kInfiniteWait) {
    changed.wait(lock, ready);
    return true;
  }
  return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

/// A recursive ownership: one owning thread, counted. The members are
/// guarded by `Lock`; every waiter waits on `Changed`.
struct RecursiveOwner {
  std::mutex Lock;
  std::condition_variable Changed;
  std::thread::id Owner;
  long Depth = 0;

  bool heldByOther(std::thread::id self) const { return Depth > 0 && Owner != self; }

  /// Waits until no other thread owns this and `also()` holds, then takes
  /// one level of ownership. The caller holds `lock` on `Lock`.
  template <class Also>
  bool acquire(std::unique_lock<std::mutex> &lock, unsigned long milliseconds, Also also) {
    const std::thread::id self = std::this_thread::get_id();
    if (!waitUntil(Changed, lock, milliseconds,
                   [this, self, &also] { return !heldByOther(self) && also(); }))
      return false;
    Owner = self;
    ++Depth;
    return true;
  }

  /// Drops one level of the calling thread's ownership; false for a thread
  /// that does not own this. The caller holds `Lock`. Waiters are notified
  /// under the lock: the one that wins may destroy the object at once.
  bool release() {
    if (Depth == 0 || Owner != std::this_thread::get_id())
      return false;
    if (--Depth == 0) {
      Owner = std::thread::id();
      Changed.notify_all();
    }
    return true;
  }
};

} // namespace

// GCriticalSection -----------------------------------------------------------

GCriticalSection::GCriticalSection() = default;

GCriticalSection::~GCriticalSection() = default;

void GCriticalSection::lock_object() { Section.lock(); }

void GCriticalSection::unlock_object() { Section.unlock(); }

// GMutex ---------------------------------------------------------------------

struct GMutex::State : RecursiveOwner {};

GMutex::GMutex() : Impl(std::make_unique<State>()) {}

GMutex::~GMutex() = default;

bool GMutex::Lock(unsigned long milliseconds) {
  std::unique_lock<std::mutex> lock(Impl->Lock);
  return Impl->acquire(lock, milliseconds, [] { return true; });
}

bool GMutex::Unlock() {
  std::lock_guard<std::mutex> lock(Impl->Lock);
  return Impl->release();
}

// GSWMRGuard -----------------------------------------------------------------

struct GSWMRGuard::State : RecursiveOwner {
  long Readers = 0;
};

GSWMRGuard::GSWMRGuard() : Impl(std::make_unique<State>()) {}

GSWMRGuard::~GSWMRGuard() = default;

bool GSWMRGuard::LockWrite(unsigned long milliseconds) {
  State &s = *Impl;
  std::unique_lock<std::mutex> lock(s.Lock);
  // Both conditions in one wait: no other writer and no reader inside.
  return s.acquire(lock, milliseconds, [&s] { return s.Readers == 0; });
}

void GSWMRGuard::UnlockWrite() {
  std::lock_guard<std::mutex> lock(Impl->Lock);
  Impl->release();
}

bool GSWMRGuard::LockRead(unsigned long milliseconds) {
  State &s = *Impl;
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(s.Lock);
  if (!waitUntil(s.Changed, lock, milliseconds, [&s, self] { return !s.heldByOther(self); }))
    return false;
  ++s.Readers;
  return true;
}

void GSWMRGuard::UnlockRead() {
  State &s = *Impl;
  std::lock_guard<std::mutex> lock(s.Lock);
  if (s.Readers > 0 && --s.Readers == 0)
    s.Changed.notify_all();
}
