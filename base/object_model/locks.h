//===- locks.h - Critical sections, mutexes and a reader/writer guard -*- C++ -*-===//
//
// The library's lock objects and their scoped lockers:
//   - GCriticalSection: a recursive lock (enter/leave);
//   - GMutex: a recursive mutex that can be waited for with a time-out; the
//     owning thread may lock it again and must unlock it as often;
//   - GSWMRGuard: single writer, multiple readers. A writer waits until no
//     reader is inside and then keeps new readers out; readers only wait
//     while a writer holds the guard. The writing thread may lock again
//     for writing, and may also read.
// Time-outs are in milliseconds; vyx::kInfiniteWait (0xFFFFFFFF) waits
// forever. A lock operation reports true only when the lock is held. None of
// these objects can be copied.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_LOCKS_H
#define VYX_OBJECT_MODEL_LOCKS_H

#include "platform/sync.h"
#include "vyx_base_export.h"

#include <memory>

/// A recursive critical section.
class VYX_BASE_API GCriticalSection {
public:
  GCriticalSection();
  virtual ~GCriticalSection();
  GCriticalSection(const GCriticalSection &) = delete;
  GCriticalSection &operator=(const GCriticalSection &) = delete;

  virtual void lock_object();
  virtual void unlock_object();

private:
  vyx::CriticalSection Section;
};

/// A recursive mutex with timed waits.
class VYX_BASE_API GMutex {
public:
  GMutex();
  virtual ~GMutex();
  GMutex(const GMutex &) = delete;
  GMutex &operator=(const GMutex &) = delete;

  /// True exactly when the mutex is held by the calling thread on return
  /// (acquired within `milliseconds`, or already owned: then counted again).
  virtual bool Lock(unsigned long milliseconds);
  /// Releases one level of ownership; false (and nothing done) when the
  /// calling thread does not own the mutex.
  virtual bool Unlock();

private:
  struct State;
  std::unique_ptr<State> Impl;
};

/// Single-writer, multiple-reader guard.
class VYX_BASE_API GSWMRGuard {
public:
  GSWMRGuard();
  virtual ~GSWMRGuard();
  GSWMRGuard(const GSWMRGuard &) = delete;
  GSWMRGuard &operator=(const GSWMRGuard &) = delete;

  /// Waits, at most `milliseconds`, until the guard is free of readers and
  /// of other writers; true when the calling thread then holds it for
  /// writing.
  virtual bool LockWrite(unsigned long milliseconds);
  /// Releases one level of write ownership (ignored for a non-owner).
  virtual void UnlockWrite();
  /// Waits, at most `milliseconds`, until no other thread writes; true when
  /// the calling thread is then counted as a reader.
  virtual bool LockRead(unsigned long milliseconds);
  /// Ends one read (ignored when no reader is inside).
  virtual void UnlockRead();

private:
  struct State;
  std::unique_ptr<State> Impl;
};

/// Holds a GCriticalSection for one block.
class VYX_BASE_API GSingleLock {
public:
  explicit GSingleLock(GCriticalSection &section) : Section(section) { Section.lock_object(); }
  ~GSingleLock() { Section.unlock_object(); }
  GSingleLock(const GSingleLock &) = delete;
  GSingleLock &operator=(const GSingleLock &) = delete;

private:
  GCriticalSection &Section;
};

namespace vyx::detail {

/// Holds `Target` for one block through its timed lock operation (with an
/// infinite time-out) and releases it only if the lock was obtained.
template <class Target, auto Acquire, auto Release> class ScopedTimedLock {
public:
  explicit ScopedTimedLock(Target &target)
      : Locked(target), Held((target.*Acquire)(kInfiniteWait)) {}
  ~ScopedTimedLock() {
    if (Held)
      (Locked.*Release)();
  }
  ScopedTimedLock(const ScopedTimedLock &) = delete;
  ScopedTimedLock &operator=(const ScopedTimedLock &) = delete;

private:
  Target &Locked;
  bool Held;
};

} // namespace vyx::detail

/// Holds a GMutex for one block.
class GMutexSingleLock
    : public vyx::detail::ScopedTimedLock<GMutex, &GMutex::Lock, &GMutex::Unlock> {
public:
  using ScopedTimedLock::ScopedTimedLock;
};

/// Reads under a GSWMRGuard for one block.
class GSWMRGuardReadLock : public vyx::detail::ScopedTimedLock<GSWMRGuard, &GSWMRGuard::LockRead,
                                                               &GSWMRGuard::UnlockRead> {
public:
  using ScopedTimedLock::ScopedTimedLock;
};

/// Writes under a GSWMRGuard for one block.
class GSWMRGuardWriteLock : public vyx::detail::ScopedTimedLock<GSWMRGuard, &GSWMRGuard::LockWrite,
                                                                &GSWMRGuard::UnlockWrite> {
public:
  using ScopedTimedLock::ScopedTimedLock;
};

#endif // VYX_OBJECT_MODEL_LOCKS_H
