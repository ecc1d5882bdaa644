//===- resource_file_global.cpp - Callbacks, global sources and copies ----===//
//
// The process-wide side of resource file handles: the callback reasons and
// their list (fed by the notices of every server), the look-ups in the
// registry of open servers (Use, Get, Put), and the copies of stored items
// and directories between containers, which move an item's bytes as they
// are stored, without decoding them.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_file.h"

#include "pstreams/file_pstream.h"
#include "resources/resource_file_server.h"
#include "resources/resource_notice.h"
#include "resources/resource_server_registry.h"

#include <utility>
#include <vector>

using vyx::ResourceServerRegistry;

const GCallBackReason ResourceFile::Reason_ItemPut;
const GCallBackReason ResourceFile::Reason_ItemRemoved;
const GCallBackReason ResourceFile::Reason_ItemRenamed;
const GCallBackReason ResourceFile::Reason_ItemCopied;
const GCallBackReason ResourceFile::Reason_TypeCreated;
const GCallBackReason ResourceFile::Reason_TypeRemoved;
const GCallBackReason ResourceFile::Reason_DirectoryCreated;
const GCallBackReason ResourceFile::Reason_DirectoryRemoved;
const GCallBackReason ResourceFile::Reason_DirectoryRenamed;
const GCallBackReason ResourceFile::Reason_DirectoryEmptied;
const GCallBackReason ResourceFile::Reason_Flushed;
const GCallBackReason ResourceFile::Reason_CurrentDirectoryChanged;

// Callbacks ------------------------------------------------------------------------------

namespace {

/// The callback list with the lock that serializes it: servers announce
/// their changes on whatever thread made them, and handles register and
/// unregister on theirs. Never destroyed, so that handles and servers that
/// go late in the process's end still find it.
struct CallbackList {
  GCriticalSection Lock;
  GCallBackList List;
};

CallbackList &callbacks() {
  static CallbackList *list = new CallbackList;
  return *list;
}

template <class Info> Info infoOf(const vyx::ResourceNotice &notice) {
  Info info;
  info.server = notice.Server;
  return info;
}

void evokeName(GCallBackReason reason, const vyx::ResourceNotice &notice) {
  auto info = infoOf<ResourceFile::Reason_NameInfo>(notice);
  info.name = notice.Name;
  info.object = notice.Object;
  ResourceFile::EvokeCallback(reason, info);
}

void evokePath(GCallBackReason reason, const vyx::ResourceNotice &notice) {
  auto info = infoOf<ResourceFile::Reason_PathInfo>(notice);
  info.path = notice.Path;
  ResourceFile::EvokeCallback(reason, info);
}

/// Turns a server's notice into its callback reason and record.
void evokeNotice(const vyx::ResourceNotice &notice) {
  using vyx::ResourceChange;
  switch (notice.Change) {
  case ResourceChange::ItemPut:
    return evokeName(ResourceFile::Reason_ItemPut, notice);
  case ResourceChange::ItemRemoved:
    return evokeName(ResourceFile::Reason_ItemRemoved, notice);
  case ResourceChange::ItemCopied:
    return evokeName(ResourceFile::Reason_ItemCopied, notice);
  case ResourceChange::TypeCreated:
    return evokeName(ResourceFile::Reason_TypeCreated, notice);
  case ResourceChange::TypeRemoved:
    return evokeName(ResourceFile::Reason_TypeRemoved, notice);
  case ResourceChange::ItemRenamed: {
    auto info = infoOf<ResourceFile::Reason_RenameInfo>(notice);
    info.old_name = notice.Name;
    info.new_name = notice.NewName;
    return ResourceFile::EvokeCallback(ResourceFile::Reason_ItemRenamed, info);
  }
  case ResourceChange::DirectoryCreated:
    return evokePath(ResourceFile::Reason_DirectoryCreated, notice);
  case ResourceChange::DirectoryRemoved:
    return evokePath(ResourceFile::Reason_DirectoryRemoved, notice);
  case ResourceChange::DirectoryEmptied:
    return evokePath(ResourceFile::Reason_DirectoryEmptied, notice);
  case ResourceChange::DirectoryRenamed: {
    auto info = infoOf<ResourceFile::Reason_PathChangeInfo>(notice);
    info.old_path = notice.Path;
    info.new_path = notice.NewPath;
    return ResourceFile::EvokeCallback(ResourceFile::Reason_DirectoryRenamed, info);
  }
  case ResourceChange::Flushed: {
    auto info = infoOf<ResourceFile::Reason_BaseInfo>(notice);
    return ResourceFile::EvokeCallback(ResourceFile::Reason_Flushed, info);
  }
  }
}

/// The servers' notices become callbacks from the library's start.
struct NoticeRoute {
  NoticeRoute() { vyx::SetResourceNoticeListener(evokeNotice); }
} Route;

} // namespace

void ResourceFile::RegisterCallback(GCallBackReason reason, CallBack callback, void *data) {
  CallbackList &list = callbacks();
  GSingleLock hold(list.Lock);
  list.List.attach_callback(callback, reason, data);
}

void ResourceFile::UnRegisterCallback(GCallBackReason reason, CallBack callback, void *data) {
  CallbackList &list = callbacks();
  GSingleLock hold(list.Lock);
  list.List.detach_callback(callback, reason, data);
}

void ResourceFile::EvokeCallback(GCallBackReason reason, Reason_BaseInfo &info) {
  CallbackList &list = callbacks();
  GSingleLock hold(list.Lock);
  list.List.call(reason, &info);
}

// The registry of servers ---------------------------------------------------------------

bool ResourceFile::IsValidToRead(const char *file) {
  if (!file)
    return false;
  ifpstream is(file, GIO::IO_READ, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READ);
  return is.is_open() && is.good() && IsValidToRead(is);
}

bool ResourceFile::IsValidToRead(ipstream &is) {
  long base = -1;
  return ResourceFileServer::FindBasePos(is, base);
}

ResourceFileServer *ResourceFile::FindServer(const char *name) {
  return ResourceServerRegistry::Get().find(name);
}

ResourceFileServer *ResourceFile::FindOrCreate(const char *name, GIO::IOOpenMode mode) {
  return ResourceServerRegistry::Get().findOrOpen(name, mode);
}

ResourceFileServer *ResourceFile::Use(const char *name, GIO::IOOpenMode mode) {
  return ResourceServerRegistry::Get().use(name, mode);
}

void ResourceFile::Update(const char *name) {
  if (ResourceFileServer *server = FindServer(name))
    server->flush();
}

void ResourceFile::Put(GStreamable *object, const char *name, const char *type, bool keep) {
  if (ResourceFileServer *server = At(0))
    server->put(object, GResourceFullName(GResourcePath(), name, type), keep);
}

GStreamable *ResourceFile::Get(const char *name, const char *type, bool keep) {
  const GResourceFullName full(GResourcePath(), name, type);
  for (int i = 0; ResourceFileServer *server = At(i); ++i)
    if (GStreamable *object = server->get(full, keep))
      return object;
  return nullptr;
}

int ResourceFile::GetCount() { return ResourceServerRegistry::Get().getKeptOpenCount(); }

ResourceFileServer *ResourceFile::At(int i) { return ResourceServerRegistry::Get().keptOpenAt(i); }

// Copies between containers -------------------------------------------------------------

void ResourceFile::CopyItem(ResourceFileServer &source, const GResourceFullName &from,
                            ResourceFileServer &target, const GResourceFullName &to) {
  // The source stays locked while the target takes its own lock: the bytes
  // read are those of the item found.
  GSingleLock hold(source.critical_section());
  ResourceItem *item = source.find_item(from);
  if (!item)
    return;
  const ResourceFileBlock block = item->block();
  zpstream &in = *source.Stream;
  const int state = in.rdstate();
  in.clear();
  const long at = source.Base + block.position;
  const long start = target.data_end();
  if (in.seekg(at) == at)
    target.copy_from(to, in, block.size, block.compressed ? 1 : 0);
  if (&source != &target)
    in.clear(state); // a short read of the source is no fault of its own
  if (!block.compressed)
    return;
  // The decoded size of a copied Flate unit is the source's: only a copy
  // that went through (a new section at the old end) gets it.
  GSingleLock holdTarget(target.critical_section());
  ResourceItem *copied = target.find_item(to);
  if (copied && copied->position == start && copied->size == block.size && copied->compressed)
    copied->data_size = block.data_size;
}

void ResourceFile::CopyTree(ResourceFileServer &source, const GResourcePath &from,
                            ResourceFileServer &target, const GResourcePath &to) {
  // What to copy is noted before anything is copied: within one container
  // the copy may add to directories the walk has yet to visit.
  std::vector<std::pair<GString, std::vector<GString>>> types;
  std::vector<GString> subdirectories;
  {
    GSingleLock hold(source.critical_section());
    GResourceDirectory *directory = source.find_directory(from);
    if (!directory)
      return;
    for (long t = directory->getCount() - 1; t >= 0; --t) {
      ResourceTypeItem *type = directory->at(t);
      std::vector<GString> items;
      if (ResourceCollection *collection = type->get_items())
        for (long i = collection->getCount() - 1; i >= 0; --i)
          items.push_back(collection->at(i)->get_key());
      types.emplace_back(type->get_name(), std::move(items));
    }
    if (GResourceDirectoryList *list = directory->get_subdirectories(false))
      for (long d = list->getCount() - 1; d >= 0; --d)
        subdirectories.push_back(list->at(d)->get_name());
  }
  // A directory without items is copied too.
  if (!to.is_empty() && !target.directory_exists(to))
    target.create_directory(to);
  for (const auto &[type, items] : types)
    for (const GString &item : items)
      CopyItem(source, GResourceFullName(from, item, type), target,
               GResourceFullName(to, item, type));
  for (const GString &name : subdirectories) {
    GResourcePath below = from, belowTarget = to;
    below += name;
    belowTarget += name;
    CopyTree(source, below, target, belowTarget);
  }
}

void ResourceFile::copy_from(const GResourceFullName &to, const ResourceFile &source,
                             const GResourceFullName &from) {
  if (Server && source.Server)
    CopyItem(*source.Server, from, *Server, to);
}

void ResourceFile::copy_directory_from(const GResourcePath &to, const ResourceFile &source,
                                       const GResourcePath &from) {
  if (!Server || !source.Server)
    return;
  // Into itself or below itself the copy would never end: every level
  // copied would make a new level below the target.
  if (Server == source.Server && to.is_subdirectory(from, true))
    return;
  CopyTree(*source.Server, from, *Server, to);
}
