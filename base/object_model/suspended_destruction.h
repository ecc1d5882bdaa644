//===- suspended_destruction.h - Deferred destruction of objects -*- C++ -*-===//
//
// SuspendedDestruction collects condemned objects and destroys them later,
// all at once, at a moment the application chooses (typically when no code
// can still be running inside them). The facility starts disabled: then a
// condemned object is destroyed at once.
//
// The list is held through weak smart pointers, so an object destroyed
// meanwhile by other means is simply skipped. The list and the flag are
// guarded by a process-wide recursive lock that stays held while objects are
// destroyed, so a destructor run by DestroyAll may itself condemn objects
// (they are destroyed in the same run) or drop smart pointers.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_SUSPENDED_DESTRUCTION_H
#define VYX_OBJECT_MODEL_SUSPENDED_DESTRUCTION_H

#include "vyx_base_export.h"

class GObject;

/// Deferred destruction of condemned objects (class-wide operations only).
class VYX_BASE_API SuspendedDestruction {
public:
  SuspendedDestruction() = delete;

  /// Destroys every condemned object first, then enables (non-zero) or
  /// disables (0) the facility. Disabling leaves the list empty.
  static void Enable(unsigned char enable);
  static bool IsEnabled();
  /// Condemns `object`: nothing for null; destroyed now while the facility
  /// is disabled, otherwise kept until DestroyAll. Condemning an object
  /// twice destroys it once.
  static void Put(GObject *object);
  /// Destroys every condemned object that is still alive, including those
  /// condemned by the destructors it runs, in the order they were condemned.
  static void DestroyAll();
};

namespace vyx {

/// How SuspendedDestruction destroys an object. The persistence layer
/// installs its own hook (streamable objects are shut down before they are
/// destroyed); the default calls destroyThis().
using DestroyHook = void (*)(GObject *object);

/// Installs `hook` and returns the one installed before; null restores the
/// default.
VYX_BASE_API DestroyHook SetDestroyHook(DestroyHook hook);

/// Destroys `object` through the installed hook; nothing for null.
VYX_BASE_API void DestroyObject(GObject *object);

} // namespace vyx

#endif // VYX_OBJECT_MODEL_SUSPENDED_DESTRUCTION_H
