//===- resource_file_server_edit.cpp - Directory lookups and edits --------===//
//
// The lookups walk the in-memory tree by path component; the edits change it
// and mark the directory modified, so that the next flush appends a new
// copy. Edits that remove or move anything need write access to the file.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_container_impl.h"
#include "resources/resource_file_server.h"

using vyx::ResourceChange;

namespace {

/// The number of directory levels of the subtree below `directory`
/// (0 without subdirectories).
int subtreeHeight(const GResourceDirectory &directory) {
  GResourceDirectoryList *list = directory.get_subdirectories(false);
  int height = 0;
  for (long i = 0; list && i < list->getCount(); ++i)
    height = std::max(height, 1 + subtreeHeight(*list->at(i)));
  return height;
}

} // namespace

// Lookups ------------------------------------------------------------------------------

GResourceDirectory *ResourceFileServer::find_directory(const GResourcePath &path) const {
  GSingleLock hold(Lock);
  GResourceDirectory *directory = Root.get();
  for (int i = 0; directory && i < path.getCount(); ++i)
    directory = directory->get_subdirectory(path[i]);
  return directory;
}

GResourceDirectory *ResourceFileServer::find_or_create_directory(const GResourcePath &path) {
  if (path.getCount() > MaxDirectoryDepth)
    return nullptr;
  Notices notices(*this);
  GResourceDirectory *directory = Root.get();
  {
    GSingleLock hold(Lock);
    bool createdAny = false;
    for (int i = 0; i < path.getCount(); ++i) {
      bool existed = true;
      directory = directory->create_subdirectory(path[i], existed);
      createdAny |= !existed;
    }
    if (createdAny) {
      Modified = true;
      notices.add(ResourceChange::DirectoryCreated, path);
    }
  }
  notices.deliver();
  return directory;
}

ResourceTypeItem *ResourceFileServer::find_type(const GResourceFullName &name) const {
  GSingleLock hold(Lock);
  GResourceDirectory *directory = find_directory(name.get_path());
  return directory ? directory->get_type(name.get_type()) : nullptr;
}

ResourceTypeItem *ResourceFileServer::find_or_create_type(const GResourceFullName &name) {
  Notices notices(*this);
  ResourceTypeItem *type = nullptr;
  {
    GSingleLock hold(Lock);
    GResourceDirectory *directory = find_or_create_directory(name.get_path());
    if (!directory)
      return nullptr;
    bool existed = true;
    type = directory->create_type(name.get_type(), existed);
    if (!type->get_items())
      type->set_items(new ResourceCollection);
    if (!existed) {
      Modified = true;
      notices.add(ResourceChange::TypeCreated, name);
    }
  }
  notices.deliver();
  return type;
}

ResourceItem *ResourceFileServer::find_item(const GResourceFullName &name) const {
  GSingleLock hold(Lock);
  ResourceTypeItem *type = find_type(name);
  ResourceCollection *items = type ? type->get_items() : nullptr;
  return items ? items->find(name.get_name()) : nullptr;
}

ResourceItem *ResourceFileServer::find_or_create_item(const GResourceFullName &name,
                                                      bool &created) {
  GSingleLock hold(Lock);
  created = false;
  ResourceTypeItem *type = find_or_create_type(name);
  if (!type)
    return nullptr;
  ResourceCollection *items = type->get_items();
  long index = 0;
  if (items->search(&name.get_name(), index))
    return items->at(index);
  auto *item = new ResourceItem(name.get_name());
  items->at_insert(index, item);
  created = true;
  Modified = true;
  return item;
}

// Edits ---------------------------------------------------------------------------------

void ResourceFileServer::remove(const GResourceFullName &name) {
  if (!writable())
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    ResourceTypeItem *type = find_type(name);
    ResourceCollection *items = type ? type->get_items() : nullptr;
    long index = items ? items->index_of_key(name.get_name()) : -1;
    if (index < 0)
      return;
    items->at_free(index);
    Modified = true;
    notices.add(ResourceChange::ItemRemoved, name);
  }
  notices.deliver();
}

void ResourceFileServer::rename(const GResourceFullName &from, const GResourceFullName &to) {
  if (!writable() || from == to)
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    ResourceTypeItem *fromType = find_type(from);
    ResourceCollection *fromItems = fromType ? fromType->get_items() : nullptr;
    long index = fromItems ? fromItems->index_of_key(from.get_name()) : -1;
    if (index < 0)
      return;
    ResourceItem *item = fromItems->at(index);
    fromItems->at_remove(index);
    remove(to);
    ResourceTypeItem *toType = find_or_create_type(to);
    if (!toType) {
      // The target lies too deep: the item goes back where it was.
      fromItems->insert(item);
      return;
    }
    item->set_key(to.get_name());
    ResourceCollection *toItems = toType->get_items();
    long at = 0;
    toItems->search(&item->get_key(), at);
    toItems->at_insert(at, item);
    Modified = true;
    vyx::ResourceNotice &notice = notices.add(ResourceChange::ItemRenamed);
    notice.Name = from;
    notice.NewName = to;
  }
  notices.deliver();
}

void ResourceFileServer::remove_type(const GResourceFullName &name) {
  if (!writable())
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    GResourceDirectory *directory = find_directory(name.get_path());
    if (!directory || !directory->remove_type(name.get_type()))
      return;
    Modified = true;
    notices.add(ResourceChange::TypeRemoved, name);
  }
  notices.deliver();
}

bool ResourceFileServer::directory_exists(const GResourcePath &path) const {
  return find_directory(path) != nullptr;
}

void ResourceFileServer::create_directory(const GResourcePath &path) {
  find_or_create_directory(path);
}

void ResourceFileServer::remove_directory(const GResourcePath &path) {
  if (!writable() || path.is_empty())
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    GResourcePath parentPath(path);
    parentPath.parent();
    GResourceDirectory *parent = find_directory(parentPath);
    if (!parent || !parent->remove_subdirectory(path.last()))
      return;
    Modified = true;
    notices.add(ResourceChange::DirectoryRemoved, path);
  }
  notices.deliver();
}

void ResourceFileServer::rename_directory(const GResourcePath &from, const GResourcePath &to) {
  // A directory cannot become its own ancestor: a target inside the source
  // is refused.
  if (!writable() || from.is_empty() || to.is_empty() || to.is_subdirectory(from, true))
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    GResourceDirectory *directory = find_directory(from);
    if (!directory || to.getCount() + subtreeHeight(*directory) > MaxDirectoryDepth)
      return;
    GResourcePath parentPath(to);
    parentPath.parent();
    GResourceDirectory *parent = find_or_create_directory(parentPath);
    if (!parent)
      return;
    directory->get_parent()->take_subdirectory(directory->get_name());
    parent->remove_subdirectory(to.last());
    directory->set_name(to.last());
    parent->insert_subdirectory(directory);
    Modified = true;
    vyx::ResourceNotice &notice = notices.add(ResourceChange::DirectoryRenamed);
    notice.Path = from;
    notice.NewPath = to;
  }
  notices.deliver();
}

void ResourceFileServer::empty() {
  if (!writable())
    return;
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    GResourceDirectoryList *list = Root->get_subdirectories(false);
    if (Root->getCount() == 0 && (!list || list->getCount() == 0))
      return;
    Root->free_all();
    Root->remove_subdirectories();
    Modified = true;
    notices.add(ResourceChange::DirectoryEmptied, GResourcePath());
  }
  notices.deliver();
}
