//===- resource_iterator.cpp - Walking the directories of a container -----===//

#include "resources/resource_iterator.h"

#include "resources/resource_file_server.h"

namespace {
const GString NoName;
} // namespace

GResourceSubDirectoryIterator::GResourceSubDirectoryIterator(ResourceFileServer *server,
                                                             const GResourcePath &path)
    : Server(server) {
  if (!server)
    return;
  GSingleLock hold(server->critical_section());
  if (GResourceDirectory *directory = server->find_directory(path))
    List = directory->get_subdirectories(false);
  Index = count() - 1;
}

int GResourceSubDirectoryIterator::count() const {
  return List ? static_cast<int>(List->getCount()) : 0;
}

GResourceDirectory *GResourceSubDirectoryIterator::directory() const {
  return *this ? List->at(Index) : nullptr;
}

const GString &GResourceSubDirectoryIterator::name() const {
  return *this ? List->at(Index)->get_name() : NoName;
}

GResourceTypeIterator::GResourceTypeIterator(ResourceFileServer *server, const GResourcePath &path)
    : Server(server) {
  if (!server)
    return;
  Directory = server->find_directory(path);
  Index = count() - 1;
}

int GResourceTypeIterator::count() const {
  return Directory ? static_cast<int>(Directory->getCount()) : 0;
}

const GString &GResourceTypeIterator::name() const {
  return *this ? Directory->at(Index)->get_name() : NoName;
}

GResourceIterator::GResourceIterator(ResourceFileServer *server, const GResourcePath &path,
                                     const GString &type)
    : Server(server) {
  if (!server)
    return;
  ResourceTypeItem *found = server->find_type(GResourceFullName(path, GString(), type));
  Items = found ? found->get_items() : nullptr;
  Index = count() - 1;
}

int GResourceIterator::count() const { return Items ? static_cast<int>(Items->getCount()) : 0; }

const GString &GResourceIterator::name() const {
  return *this ? Items->at(Index)->get_key() : NoName;
}

GStreamable *GResourceIterator::get(bool keep) const {
  return *this ? Server->get_item(*Items->at(Index), keep) : nullptr;
}

GStreamable *GResourceIterator::get_loaded() const {
  return *this ? Items->at(Index)->get_object() : nullptr;
}
