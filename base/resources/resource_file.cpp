//===- resource_file.cpp - Handles on resource containers -----------------===//
//
// Attaching and detaching handles, their current name, the operations they
// forward to the shared server, and their stream form.
//
// What the stream form reader takes from the stream, and how it is checked
// (through vyx::ReadCheck, which turns a bad value into
// NonZeroPStreamState_Exception):
//   byte version               0, 1 or 2
//   byte attached              0 (nothing follows) or 1
//   dword I/O mode             versions 1 and 2; 1, 2 or 3
//   GFile file name            checked by its own reader
//   GResourceFullName current  version 2; checked by its own reader
//
//===----------------------------------------------------------------------===//

#include "resources/resource_file.h"

#include "object_model/metaclass.h"
#include "object_model/rtti_object.h"
#include "pstreams/pstream.h"
#include "resources/resource_file_server.h"
#include "resources/resource_server_registry.h"

VYX_IMPLEMENT_CLASS(ResourceFile, "ResourceFile", &vyx::BaseModuleHandle, GStreamable)

using vyx::ResourceServerRegistry;

namespace {

constexpr unsigned char StreamVersion = 2;
/// The I/O mode of a version 0 stream form: read and write.
constexpr int32_t DefaultStreamMode = GIO::IO_READWRITE;
/// error() of a detached handle.
constexpr int DetachedError = 4;

} // namespace

// Lifetime ---------------------------------------------------------------------------

ResourceFile::ResourceFile(const char *name, GIO::IOOpenMode mode) {
  RegisterCallback(Reason_DirectoryRenamed, FollowDirectoryRename, this);
  if (name)
    open(name, mode);
}

ResourceFile::ResourceFile(const ResourceFile &other) : GStreamable(other), Current(other.Current) {
  RegisterCallback(Reason_DirectoryRenamed, FollowDirectoryRename, this);
  if (other.Server)
    attach(other.Server);
}

ResourceFile &ResourceFile::operator=(const ResourceFile &other) {
  if (Server != other.Server) {
    detach();
    if (other.Server)
      attach(other.Server);
  }
  return *this;
}

ResourceFile::~ResourceFile() {
  UnRegisterCallback(GAnyReason, FollowDirectoryRename, this);
  close();
}

void ResourceFile::attach(ResourceFileServer *server) {
  GSingleLock hold(ResourceServerRegistry::Get().critical_section());
  server->register_resource_file(this);
  Server = server;
}

void ResourceFile::detach() {
  if (!Server)
    return;
  ResourceServerRegistry &registry = ResourceServerRegistry::Get();
  GSingleLock hold(registry.critical_section());
  ResourceFileServer *server = Server;
  Server = nullptr;
  server->unregister_resource_file(this);
  registry.releaseIfUnused(server);
}

void ResourceFile::open(const char *name, GIO::IOOpenMode mode) {
  if (!name)
    return;
  ResourceServerRegistry &registry = ResourceServerRegistry::Get();
  // One hold from the look-up to the attachment: the server found cannot
  // be released by its last other handle meanwhile.
  GSingleLock hold(registry.critical_section());
  if (Server && Server == registry.find(name))
    return;
  close();
  if (ResourceFileServer *server = FindOrCreate(name, mode))
    attach(server);
}

void ResourceFile::close() {
  if (!Server)
    return;
  flush();
  detach();
}

GFile ResourceFile::get_filename() const { return Server ? Server->get_filename() : GFile(); }

int ResourceFile::io_mode() const { return Server ? Server->io_mode() : 0; }

int ResourceFile::error() const { return Server ? Server->error() : DetachedError; }

bool ResourceFile::is_modified() const { return Server && Server->is_modified(); }

void ResourceFile::mark_as_modified() {
  if (Server)
    Server->mark_as_modified();
}

void ResourceFile::flush() {
  if (Server)
    Server->flush();
}

void ResourceFile::pack() {
  if (Server)
    Server->pack();
}

// Current name -------------------------------------------------------------------------

void ResourceFile::set_current_directory(const GResourcePath &path) {
  if (path == Current.get_path())
    return;
  Reason_CurrentDirectoryInfo info;
  info.server = Server;
  info.old_path = Current.get_path();
  info.new_path = path;
  info.file = this;
  Current.set_path(path);
  EvokeCallback(Reason_CurrentDirectoryChanged, info);
}

void ResourceFile::set_type(const GString &type) { Current.set_type(type); }

GResourceFullName ResourceFile::in_current(const GString &name) const {
  return GResourceFullName(Current.get_path(), name, Current.get_type());
}

GResourceFullName ResourceFile::in_current(const GString &name, const GString &type) const {
  return GResourceFullName(Current.get_path(), name, type);
}

GResourceFullName ResourceFile::named(const GString &name) const {
  Current.set_name(name);
  return in_current(name);
}

void ResourceFile::FollowDirectoryRename(GCallBackReason, void *info, void *data) {
  auto *file = static_cast<ResourceFile *>(data);
  auto *renamed = static_cast<Reason_PathChangeInfo *>(info);
  if (!file || !renamed || renamed->server != file->Server || !file->Server)
    return;
  GResourcePath path = file->Current.get_path();
  if (path.rename_path_from_root(renamed->old_path, renamed->new_path))
    file->set_current_directory(path);
}

// Directories ------------------------------------------------------------------------------

bool ResourceFile::directory_exists(const GResourcePath &path) const {
  return Server && Server->directory_exists(path);
}

void ResourceFile::create_directory(const GResourcePath &path) {
  if (Server)
    Server->create_directory(path);
}

void ResourceFile::remove_directory(const GResourcePath &path) {
  if (Server)
    Server->remove_directory(path);
}

void ResourceFile::rename_directory(const GResourcePath &from, const GResourcePath &to) {
  if (Server)
    Server->rename_directory(from, to);
}

void ResourceFile::create_subdirectory(const GResourcePath &relative) {
  GResourcePath path = Current.get_path();
  path += relative;
  create_directory(path);
}

void ResourceFile::remove_subdirectory(const GResourcePath &relative) {
  GResourcePath path = Current.get_path();
  path += relative;
  remove_directory(path);
}

void ResourceFile::copy_directory(const GResourcePath &from, const GResourcePath &to) {
  if (Server && from != to)
    copy_directory_from(to, *this, from);
}

void ResourceFile::remove_type(const GString &type) {
  if (Server)
    Server->remove_type(GResourceFullName(Current.get_path(), GString(), type));
}

void ResourceFile::remove_type(const GResourceFullName &name) {
  if (Server)
    Server->remove_type(name);
}

void ResourceFile::empty() {
  if (Server)
    Server->empty();
}

// Items ------------------------------------------------------------------------------------

bool ResourceFile::exist(const GResourceFullName &name) const {
  return Server && Server->exist(name);
}

bool ResourceFile::exist(const GString &name, const GString &type) const {
  return exist(in_current(name, type));
}

bool ResourceFile::exist(const GString &name) const { return exist(named(name)); }

void ResourceFile::put(GStreamable *object, const GResourceFullName &name, bool keep) {
  if (Server)
    Server->put(object, name, keep);
}

void ResourceFile::put(GStreamable *object, const GString &name, const GString &type, bool keep) {
  put(object, in_current(name, type), keep);
}

void ResourceFile::put(GStreamable *object, const GString &name, bool keep) {
  put(object, named(name), keep);
}

GStreamable *ResourceFile::get(const GResourceFullName &name, bool keep) {
  return Server ? Server->get(name, keep) : nullptr;
}

GStreamable *ResourceFile::get(const GString &name, const GString &type, bool keep) {
  return get(in_current(name, type), keep);
}

GStreamable *ResourceFile::get(const GString &name, bool keep) { return get(named(name), keep); }

void ResourceFile::remove(const GResourceFullName &name) {
  if (Server)
    Server->remove(name);
}

void ResourceFile::remove(const GString &name, const GString &type) {
  remove(in_current(name, type));
}

void ResourceFile::remove(const GString &name) { remove(named(name)); }

char *ResourceFile::read_class_name(const GResourceFullName &name) {
  return Server ? Server->read_class_name(name) : nullptr;
}

char *ResourceFile::read_class_name(const GString &name, const GString &type) {
  return read_class_name(in_current(name, type));
}

char *ResourceFile::read_class_name(const GString &name) { return read_class_name(named(name)); }

ResourceFileBlock ResourceFile::get_resource_block(const GResourceFullName &name) const {
  return Server ? Server->get_resource_block(name) : ResourceFileBlock();
}

ResourceFileBlock ResourceFile::get_resource_block(const GString &name, const GString &type) const {
  return get_resource_block(in_current(name, type));
}

ResourceFileBlock ResourceFile::get_resource_block(const GString &name) const {
  return get_resource_block(named(name));
}

void ResourceFile::rename(const GResourceFullName &from, const GResourceFullName &to) {
  if (Server)
    Server->rename(from, to);
}

void ResourceFile::rename(const GString &from, const GString &to, const GString &type) {
  rename(in_current(from, type), in_current(to, type));
}

void ResourceFile::rename(const GString &from, const GString &to) {
  rename(in_current(from), in_current(to));
}

void ResourceFile::copy(const GResourceFullName &from, const GResourceFullName &to) {
  if (from != to)
    copy_from(to, *this, from);
}

void ResourceFile::copy_from(const ResourceFile &source) {
  if (Server && source.Server && Server != source.Server)
    copy_directory_from(GResourcePath(), source, GResourcePath());
}

void ResourceFile::copy_from(const GResourceFullName &name, ipstream &in, long length,
                             unsigned int flags) {
  if (Server)
    Server->copy_from(name, in, length, flags);
}

bool ResourceFile::extract_to(opstream &out, const GResourceFullName &name, bool decompress) {
  return Server && Server->extract_to(out, name, decompress);
}

// Stream form ------------------------------------------------------------------------------

void ResourceFile::write(opstream &os) {
  os.writeByte(StreamVersion);
  os.writeByte(Server ? 1 : 0);
  if (!Server)
    return;
  os.writeDWord(static_cast<uint32_t>(Server->io_mode()));
  os << Server->get_filename();
  os << Current;
}

void ResourceFile::read(ipstream &is) {
  using vyx::ReadCheck;
  unsigned char version = is.readByte();
  ReadCheck(is, version <= StreamVersion);
  unsigned char attached = is.readByte();
  ReadCheck(is, attached <= 1);
  if (!attached)
    return;
  int32_t mode = DefaultStreamMode;
  if (version >= 1) {
    mode = static_cast<int32_t>(is.readDWord());
    ReadCheck(is, mode >= GIO::IO_READ && mode <= GIO::IO_READWRITE);
  }
  GFile name;
  is >> name;
  ReadCheck(is);
  GResourceFullName current = Current;
  if (version >= 2) {
    is >> current;
    ReadCheck(is);
  }
  GFile used = ResourceFileServer::GetNameUsed(name.c_str());
  open(used.c_str(), static_cast<GIO::IOOpenMode>(mode));
  Current = current;
}
