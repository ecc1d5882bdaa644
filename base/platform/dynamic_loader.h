//===- dynamic_loader.h - Loading shared objects ----------------*- C++ -*-===//
//
// The shared-object loader of the platform: load by path, find symbols,
// name the file a loaded object came from, unload.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PLATFORM_DYNAMIC_LOADER_H
#define VYX_PLATFORM_DYNAMIC_LOADER_H

#include "vyx_base_export.h"

#include <string>

namespace vyx {

/// Loads a shared object (dlopen). `flags` are the loader's; when they
/// name neither lazy nor immediate binding, binding is immediate. A null
/// path loads nothing. Returns the handle, or null.
VYX_BASE_API void *LoadSharedObject(const char *path, int flags);

/// Releases a handle of LoadSharedObject (null is ignored).
VYX_BASE_API void UnloadSharedObject(void *handle);

/// The address of a symbol of a loaded object, or null.
VYX_BASE_API void *FindSharedObjectSymbol(void *handle, const char *name);

/// The full path of the file a loaded object came from ("" when unknown).
VYX_BASE_API std::string SharedObjectPath(void *handle);

/// The loader's text for its last failure on this thread ("" when none).
VYX_BASE_API std::string LastLoaderError();

} // namespace vyx

#endif // VYX_PLATFORM_DYNAMIC_LOADER_H
