//===- resource_directory.cpp - The directory tree of resource containers -===//
//
// Directory body read here:
//   byte       reserved (skipped)
//   sorted-collection framing (count, limit, delta, owns, duplicates) whose
//   items are: GString type name, ResourceCollection pointer
//   GString    the directory name
//   pointer    GResourceDirectoryList, or null
// Under the old name "ResourceTypeCollection" the body is the framing and
// its items only. Subdirectory list body:
//   byte       reserved (skipped)
//   framing whose items are GResourceDirectory pointers (never null)
// Every pointer of the tree must bring a node built from the data just read
// (ResourceTreeAccess::readOwned); collections are put back into key order.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_directory.h"

#include "object_model/metaclass.h"
#include "object_model/rtti_object.h"
#include "pstreams/pstream.h"
#include "resources/resource_tree_impl.h"

#include <cstring>

VYX_IMPLEMENT_CLASS(GResourceDirectory, "GResourceDirectory", &vyx::BaseModuleHandle,
                    GSortedCollection)
VYX_IMPLEMENT_ALIAS(GResourceDirectory, "ResourceTypeCollection");
VYX_IMPLEMENT_CLASS(GResourceDirectoryList, "GResourceDirectoryList", &vyx::BaseModuleHandle,
                    GSortedCollection)

using vyx::detail::ResourceTreeAccess;

namespace {

constexpr long GrowthStep = 4;
const char *const OldDirectoryClassName = "ResourceTypeCollection";

int compareNames(const void *a, const void *b) {
  return vyx::CompareResourceNames(*static_cast<const GString *>(a),
                                   *static_cast<const GString *>(b));
}

} // namespace

// ResourceTypeItem ----------------------------------------------------------------

ResourceTypeItem::ResourceTypeItem(const GString &name)
    : Name(name), Items(new ResourceCollection) {}

ResourceTypeItem::ResourceTypeItem(const ResourceTypeItem &other)
    : Name(other.Name), Items(other.Items ? new ResourceCollection(*other.Items) : nullptr) {}

ResourceTypeItem &ResourceTypeItem::operator=(const ResourceTypeItem &other) {
  if (this != &other) {
    ResourceCollection *items = other.Items ? new ResourceCollection(*other.Items) : nullptr;
    Name = other.Name;
    set_items(items);
  }
  return *this;
}

ResourceTypeItem::~ResourceTypeItem() { GStreamable::Destroy(Items); }

void ResourceTypeItem::set_items(ResourceCollection *items) {
  if (items == Items)
    return;
  ResourceCollection *previous = Items;
  Items = items;
  GStreamable::Destroy(previous);
}

// GResourceDirectory --------------------------------------------------------------

GResourceDirectory::GResourceDirectory() : GSortedCollection(0, GrowthStep, 1) {}

GResourceDirectory::GResourceDirectory(const GString &name, GResourceDirectory *parent)
    : GSortedCollection(0, GrowthStep, 1), Name(name), Parent(parent) {}

GResourceDirectory::~GResourceDirectory() {
  ownsItems(1);
  free_all();
  remove_subdirectories();
}

void GResourceDirectory::freeItem(void *p) { delete static_cast<ResourceTypeItem *>(p); }

const void *GResourceDirectory::keyOf(const void *item) const {
  return &static_cast<const ResourceTypeItem *>(item)->get_name();
}

int GResourceDirectory::compare(const void *key1, const void *key2) const {
  return compareNames(key1, key2);
}

ResourceTypeItem *GResourceDirectory::get_type(const GString &name) const {
  long index = 0;
  return search(&name, index) ? at(index) : nullptr;
}

ResourceTypeItem *GResourceDirectory::create_type(const GString &name, bool &existed) {
  long index = 0;
  existed = search(&name, index);
  if (existed)
    return at(index);
  auto *type = new ResourceTypeItem(name);
  at_insert(index, type);
  return type;
}

bool GResourceDirectory::remove_type(const GString &name) {
  long index = 0;
  if (!search(&name, index))
    return false;
  at_free(index);
  return true;
}

GResourceDirectoryList *GResourceDirectory::get_subdirectories(bool create) const {
  if (!Subdirectories && create)
    Subdirectories = new GResourceDirectoryList;
  return Subdirectories;
}

void GResourceDirectory::remove_subdirectories() {
  GResourceDirectoryList *list = Subdirectories;
  Subdirectories = nullptr;
  GStreamable::Destroy(list);
}

GResourceDirectory *GResourceDirectory::get_subdirectory(const GString &name) const {
  return Subdirectories ? Subdirectories->find(name) : nullptr;
}

GResourceDirectory *GResourceDirectory::create_subdirectory(const GString &name, bool &existed) {
  GResourceDirectoryList *list = get_subdirectories(true);
  long index = 0;
  existed = list->search(&name, index);
  if (existed)
    return list->at(index);
  auto *directory = new GResourceDirectory(name, this);
  list->at_insert(index, directory);
  return directory;
}

bool GResourceDirectory::remove_subdirectory(const GString &name) {
  GResourceDirectory *directory = take_subdirectory(name);
  GStreamable::Destroy(directory);
  return directory != nullptr;
}

GResourceDirectory *GResourceDirectory::take_subdirectory(const GString &name) {
  long index = 0;
  if (!Subdirectories || !Subdirectories->search(&name, index))
    return nullptr;
  GResourceDirectory *directory = Subdirectories->at(index);
  Subdirectories->at_remove(index);
  directory->Parent = nullptr;
  return directory;
}

void GResourceDirectory::insert_subdirectory(GResourceDirectory *directory) {
  GResourceDirectoryList *list = get_subdirectories(true);
  long index = 0;
  if (list->search(&directory->Name, index)) {
    // The name is taken: the caller broke the contract; the newcomer goes,
    // not the directory already in the tree.
    GStreamable::Destroy(directory);
    return;
  }
  directory->Parent = this;
  list->at_insert(index, directory);
}

void GResourceDirectory::build_path(GResourcePath &path) const {
  int n = depth();
  std::vector<const GResourceDirectory *> chain(static_cast<std::size_t>(n));
  const GResourceDirectory *d = this;
  for (int i = n - 1; i >= 0; --i, d = d->Parent)
    chain[static_cast<std::size_t>(i)] = d;
  GResourcePath built;
  for (const GResourceDirectory *link : chain)
    built += link->Name;
  path = std::move(built);
}

int GResourceDirectory::depth() const {
  int n = 0;
  for (const GResourceDirectory *d = Parent; d; d = d->Parent)
    ++n;
  return n;
}

void GResourceDirectory::write_item(const void *p, opstream &os) {
  const ResourceTypeItem &type = *static_cast<const ResourceTypeItem *>(p);
  os << type.get_name() << type.get_items();
}

void *GResourceDirectory::read_item(ipstream &is) {
  GString name;
  is >> name;
  vyx::ReadCheck(is);
  ResourceCollection *items = ResourceTreeAccess::readOwned<ResourceCollection>(is);
  auto *type = new ResourceTypeItem(name);
  // A type stored without a collection simply has no items.
  if (items)
    type->set_items(items);
  return type;
}

void GResourceDirectory::write(opstream &os) {
  os.writeByte(0);
  GSortedCollection::write(os);
  os << Name << Subdirectories;
}

void GResourceDirectory::read(ipstream &is) {
  ResourceTreeAccess::stamp(*this);
  const GMetaClass *as = is.metaclassOfReadingObject();
  bool old = as && as->isOldClass() && std::strcmp(as->getName(), OldDirectoryClassName) == 0;
  vyx::detail::ReadOwningCollection(*this, [&] {
    if (!old)
      is.readByte();
    GSortedCollection::read(is);
  });
  if (old)
    return;
  GString name;
  is >> name;
  vyx::ReadCheck(is);
  GResourceDirectoryList *list = ResourceTreeAccess::readOwned<GResourceDirectoryList>(is);
  Name = name;
  remove_subdirectories();
  Subdirectories = list;
  if (list)
    for (long i = 0; i < list->getCount(); ++i)
      list->at(i)->Parent = this;
}

// GResourceDirectoryList ----------------------------------------------------------

GResourceDirectoryList::~GResourceDirectoryList() {
  ownsItems(1);
  free_all();
}

void GResourceDirectoryList::freeItem(void *p) {
  GStreamable::Destroy(static_cast<GResourceDirectory *>(p));
}

const void *GResourceDirectoryList::keyOf(const void *item) const {
  return &static_cast<const GResourceDirectory *>(item)->get_name();
}

int GResourceDirectoryList::compare(const void *key1, const void *key2) const {
  return compareNames(key1, key2);
}

GResourceDirectory *GResourceDirectoryList::find(const GString &name) const {
  long index = 0;
  return search(&name, index) ? at(index) : nullptr;
}

void GResourceDirectoryList::write_item(const void *p, opstream &os) {
  os << static_cast<const GResourceDirectory *>(p);
}

void *GResourceDirectoryList::read_item(ipstream &is) {
  GResourceDirectory *directory = ResourceTreeAccess::readOwned<GResourceDirectory>(is);
  if (!directory)
    vyx::ReadCheck(is, false);
  return directory;
}

void GResourceDirectoryList::write(opstream &os) {
  os.writeByte(0);
  GSortedCollection::write(os);
}

void GResourceDirectoryList::read(ipstream &is) {
  ResourceTreeAccess::stamp(*this);
  vyx::detail::ReadOwningCollection(*this, [&] {
    is.readByte();
    GSortedCollection::read(is);
  });
}
