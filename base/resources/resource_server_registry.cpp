//===- resource_server_registry.cpp - The open resource containers --------===//

#include "resources/resource_server_registry.h"

#include "resources/resource_file.h"
#include "resources/resource_file_server.h"

#include <algorithm>

namespace vyx {

ResourceServerRegistry &ResourceServerRegistry::Get() {
  // Built on first use, after the classes the servers write are registered,
  // and so destroyed before them.
  static ResourceServerRegistry registry;
  return registry;
}

ResourceServerRegistry::~ResourceServerRegistry() {
  GSingleLock hold(Lock);
  // Handles that outlive the library are closed first (servers from the
  // most recent, handles from the last attached), so that none is left
  // pointing to a destroyed server; kept open, no server goes meanwhile.
  for (ResourceFileServer *server : Servers)
    server->keep_open();
  for (auto it = Servers.rbegin(); it != Servers.rend(); ++it)
    for (long n = (*it)->clients().getCount(); n > 0; --n)
      (*it)->clients().at(n - 1)->close();
  while (!Servers.empty()) {
    ResourceFileServer *server = Servers.back();
    Servers.pop_back();
    ResourceServerDeleter()(server);
  }
}

ResourceFileServer *ResourceServerRegistry::find(const char *name) const {
  if (!name)
    return nullptr;
  GSingleLock hold(Lock);
  for (auto it = Servers.rbegin(); it != Servers.rend(); ++it)
    if ((*it)->isNameEquals(name))
      return *it;
  return nullptr;
}

ResourceFileServer *ResourceServerRegistry::findOrOpen(const char *name, GIO::IOOpenMode mode) {
  GSingleLock hold(Lock);
  if (ResourceFileServer *server = find(name))
    return server;
  ResourceServerPtr opened = OpenResourceServer(name, mode);
  if (!opened)
    return nullptr;
  Servers.push_back(opened.get());
  return opened.release();
}

ResourceFileServer *ResourceServerRegistry::use(const char *name, GIO::IOOpenMode mode) {
  GSingleLock hold(Lock);
  ResourceFileServer *server = findOrOpen(name, mode);
  if (server) {
    server->keep_open();
    std::erase(Servers, server);
    Servers.push_back(server);
  }
  return server;
}

bool ResourceServerRegistry::releaseIfUnused(ResourceFileServer *server) {
  GSingleLock hold(Lock);
  auto it = std::find(Servers.begin(), Servers.end(), server);
  if (it == Servers.end() || server->is_kept_open() || server->clients().getCount() > 0)
    return false;
  Servers.erase(it);
  ResourceServerDeleter()(server);
  return true;
}

int ResourceServerRegistry::getCount() const {
  GSingleLock hold(Lock);
  return static_cast<int>(Servers.size());
}

ResourceFileServer *ResourceServerRegistry::at(int i) const {
  GSingleLock hold(Lock);
  return i >= 0 && i < static_cast<int>(Servers.size()) ? Servers[std::size_t(i)] : nullptr;
}

int ResourceServerRegistry::getKeptOpenCount() const {
  GSingleLock hold(Lock);
  return static_cast<int>(std::count_if(Servers.begin(), Servers.end(),
                                        [](ResourceFileServer *s) { return s->is_kept_open(); }));
}

ResourceFileServer *ResourceServerRegistry::keptOpenAt(int i) const {
  GSingleLock hold(Lock);
  for (auto it = Servers.rbegin(); it != Servers.rend() && i >= 0; ++it)
    if ((*it)->is_kept_open() && i-- == 0)
      return *it;
  return nullptr;
}

} // namespace vyx
