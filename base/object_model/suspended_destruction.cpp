//===- suspended_destruction.cpp - Deferred destruction of objects -------===//

#include "object_model/suspended_destruction.h"
#include "object_model/class_system.h"
#include "object_model/gobject.h"
#include "platform/sync.h"

#include <atomic>
#include <list>
#include <mutex>

namespace {

void destroyThroughMetaClass(GObject *object) { object->destroyThis(); }

constinit std::atomic<vyx::DestroyHook> Hook{nullptr};

/// The condemned objects and the flag. Created on first use and never
/// destroyed, so objects may be condemned during process exit.
struct DeferredState {
  vyx::CriticalSection Lock;
  std::list<GPointer> Condemned;
  bool Enabled = false;
};

DeferredState &state() {
  static DeferredState *s = new DeferredState;
  return *s;
}

using Guard = std::lock_guard<vyx::CriticalSection>;

} // namespace

namespace vyx {

DestroyHook SetDestroyHook(DestroyHook hook) { return Hook.exchange(hook); }

void DestroyObject(GObject *object) {
  if (!object)
    return;
  DestroyHook hook = Hook.load();
  (hook ? hook : destroyThroughMetaClass)(object);
}

} // namespace vyx

void SuspendedDestruction::Enable(unsigned char enable) {
  DeferredState &s = state();
  Guard guard(s.Lock);
  DestroyAll();
  s.Enabled = enable != 0;
}

bool SuspendedDestruction::IsEnabled() {
  DeferredState &s = state();
  Guard guard(s.Lock);
  return s.Enabled;
}

void SuspendedDestruction::Put(GObject *object) {
  if (!object)
    return;
  DeferredState &s = state();
  {
    Guard guard(s.Lock);
    if (s.Enabled) {
      s.Condemned.emplace_back(object);
      return;
    }
  }
  vyx::DestroyObject(object);
}

void SuspendedDestruction::DestroyAll() {
  DeferredState &s = state();
  Guard guard(s.Lock);
  while (!s.Condemned.empty()) {
    // The real pointer is null only when the object died meanwhile. An
    // object that merely hides from its smart pointers is still condemned
    // and must not be leaked.
    GObject *object;
    {
      Guard pointers(vyx::detail::SmartPointerLock());
      object = s.Condemned.front().real_pointer();
    }
    s.Condemned.pop_front();
    vyx::DestroyObject(object);
  }
}
