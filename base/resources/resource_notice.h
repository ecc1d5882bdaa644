//===- resource_notice.h - Notices of changes to resource containers -*- C++ -*-===//
//
// A resource container server reports every change it makes (an item put,
// a directory created, a flush...) as a vyx::ResourceNotice, delivered to
// the one process-wide listener after the server's own hold on its lock is
// released. The handle layer installs the listener and turns each notice
// into its callback reasons; without a listener notices go nowhere.
//
// Members a change does not use stay empty (null pointers, empty names).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_NOTICE_H
#define VYX_RESOURCES_RESOURCE_NOTICE_H

#include "resources/resource_full_name.h"
#include "resources/resource_path.h"
#include "vyx_base_export.h"

class GStreamable;
class ResourceFileServer;

namespace vyx {

/// What changed, with the members each change sets.
enum class ResourceChange {
  ItemPut,          ///< Name, Object
  ItemRemoved,      ///< Name
  ItemRenamed,      ///< Name (old), NewName
  ItemCopied,       ///< Name
  TypeCreated,      ///< Name (path and type; the item name of the request)
  TypeRemoved,      ///< Name
  DirectoryCreated, ///< Path (the whole path asked for)
  DirectoryRemoved, ///< Path
  DirectoryRenamed, ///< Path (old), NewPath
  DirectoryEmptied, ///< Path (the root, empty)
  Flushed,          ///< nothing
};

/// One change of one container.
struct ResourceNotice {
  ResourceFileServer *Server = nullptr;
  ResourceChange Change = ResourceChange::Flushed;
  GResourceFullName Name;
  GResourceFullName NewName;
  GResourcePath Path;
  GResourcePath NewPath;
  GStreamable *Object = nullptr;
};

/// Receives the notices of every container.
using ResourceNoticeListener = void (*)(const ResourceNotice &notice);

/// Installs the listener (null: none) and returns the previous one.
VYX_BASE_API ResourceNoticeListener SetResourceNoticeListener(ResourceNoticeListener listener);

/// Hands `notice` to the listener, if one is installed.
VYX_BASE_API void DeliverResourceNotice(const ResourceNotice &notice);

} // namespace vyx

#endif // VYX_RESOURCES_RESOURCE_NOTICE_H
