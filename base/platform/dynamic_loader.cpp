//===- dynamic_loader.cpp - Loading shared objects -----------------------===//

#include "platform/dynamic_loader.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>

namespace vyx {

void *LoadSharedObject(const char *path, int flags) {
  if (!path || !*path)
    return nullptr;
  if (!(flags & (RTLD_LAZY | RTLD_NOW)))
    flags |= RTLD_NOW;
  return ::dlopen(path, flags);
}

void UnloadSharedObject(void *handle) {
  if (handle)
    ::dlclose(handle);
}

void *FindSharedObjectSymbol(void *handle, const char *name) {
  if (!handle || !name)
    return nullptr;
  return ::dlsym(handle, name);
}

std::string SharedObjectPath(void *handle) {
  if (!handle)
    return std::string();
  struct link_map *map = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name)
    return std::string();
  char full[PATH_MAX];
  if (::realpath(map->l_name, full))
    return full;
  return map->l_name;
}

std::string LastLoaderError() {
  const char *text = ::dlerror();
  return text ? text : "";
}

} // namespace vyx
