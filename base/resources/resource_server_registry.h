//===- resource_server_registry.h - The open resource containers -*- C++ -*-===//
//
// The process-wide list of open container servers, in the order they were
// registered or last used (the most recent last). It owns the servers and
// has a lock of its own, held for every look-up and change, so that a look-
// up and the registration of a new server are one step: two threads opening
// one file get one server.
//
// The handle layer (ResourceFile) builds on it: handles attach to the
// servers found here, release them when their last handle detaches, and
// keep selected servers open as global sources of resources. When the
// library is unloaded the list destroys every server (each flushes and
// closes its file).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_SERVER_REGISTRY_H
#define VYX_RESOURCES_RESOURCE_SERVER_REGISTRY_H

#include "io/gio.h"
#include "object_model/locks.h"
#include "vyx_base_export.h"

#include <vector>

class ResourceFileServer;

namespace vyx {

/// The open container servers of the process.
class VYX_BASE_API ResourceServerRegistry {
public:
  static ResourceServerRegistry &Get();

  ResourceServerRegistry(const ResourceServerRegistry &) = delete;
  ResourceServerRegistry &operator=(const ResourceServerRegistry &) = delete;

  /// The server whose file is `name` (after redirection and expansion),
  /// searching from the most recent; null for null or none.
  ResourceFileServer *find(const char *name) const;
  /// The registered server of `name`, or a new one (see
  /// vyx::OpenResourceServer) registered as the most recent; null when the
  /// file cannot be opened as a container.
  ResourceFileServer *findOrOpen(const char *name, GIO::IOOpenMode mode);
  /// findOrOpen; the server is then kept open and becomes the most recent.
  ResourceFileServer *use(const char *name, GIO::IOOpenMode mode);
  /// Destroys the server (flushing it and closing its file) unless it is
  /// kept open or has clients; whether it was destroyed.
  bool releaseIfUnused(ResourceFileServer *server);

  /// All servers, the oldest first.
  int getCount() const;
  ResourceFileServer *at(int i) const;
  /// The kept-open servers; i = 0 is the most recent. Null when i is out of
  /// range.
  int getKeptOpenCount() const;
  ResourceFileServer *keptOpenAt(int i) const;

  GCriticalSection &critical_section() const { return Lock; }

private:
  ResourceServerRegistry() = default;
  ~ResourceServerRegistry();

  std::vector<ResourceFileServer *> Servers;
  mutable GCriticalSection Lock;
};

} // namespace vyx

#endif // VYX_RESOURCES_RESOURCE_SERVER_REGISTRY_H
