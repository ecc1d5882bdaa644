//===- resource_file.h - Handles on resource containers ---------*- C++ -*-===//
//
// A ResourceFile is the handle through which code works with a resource
// container. It opens a container by file name and forwards every operation
// to the file's shared ResourceFileServer: all handles on one file share one
// server, one open file and one in-memory directory, so a change made
// through one handle is at once visible through the others. The server goes
// (flushed and closed) when its last handle detaches, unless Use() keeps it
// open as a global source of resources for Get() and Put().
//
// A handle remembers a current name: a current directory, item name and
// type, so that most calls can name an item by its item name alone:
//
//   ResourceFile file("scene.res", GIO::IO_READWRITE);
//   file.set_current_directory(path);   // a\b
//   file.set_type("Image");
//   file.put(object, "Rock", true);     // stored as a\b\Rock,Image
//
// Every change of any container is announced to the process-wide callback
// list with a record whose first member is the server concerned (see the
// Reason_* records below). A handle follows the renames of the directories
// it stands in.
//
// Stream form of a handle (version 2 written; 0 and 1 read):
//   byte version; byte attached (nothing follows when 0);
//   dword I/O mode (not in version 0, which means read and write);
//   GFile file name; GResourceFullName current name (version 2 only)
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_FILE_H
#define VYX_RESOURCES_RESOURCE_FILE_H

#include "io/gfile.h"
#include "io/gio.h"
#include "object_model/callbacks.h"
#include "pstreams/streamable.h"
#include "resources/resource_collection.h"
#include "resources/resource_full_name.h"
#include "resources/resource_path.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

class ResourceFileServer;
class ipstream;
class opstream;

/// A handle on a resource container file. Registered as "ResourceFile".
class VYX_BASE_API ResourceFile : public GStreamable {
  VYX_DECLARE_CLASS(ResourceFile);

  /// The notice record handed to callbacks: the server concerned, followed
  /// by the members of the reason (the derived records below).
  struct Reason_BaseInfo {
    ResourceFileServer *server = nullptr;
  };
  /// Reason_ItemPut (name, object), Reason_ItemRemoved, Reason_ItemCopied,
  /// Reason_TypeCreated and Reason_TypeRemoved (name; object null).
  struct Reason_NameInfo : Reason_BaseInfo {
    GResourceFullName name;
    GStreamable *object = nullptr;
  };
  /// Reason_ItemRenamed.
  struct Reason_RenameInfo : Reason_BaseInfo {
    GResourceFullName old_name;
    GResourceFullName new_name;
  };
  /// Reason_DirectoryCreated, Reason_DirectoryRemoved, Reason_DirectoryEmptied
  /// (the root: an empty path).
  struct Reason_PathInfo : Reason_BaseInfo {
    GResourcePath path;
  };
  /// Reason_DirectoryRenamed.
  struct Reason_PathChangeInfo : Reason_BaseInfo {
    GResourcePath old_path;
    GResourcePath new_path;
  };
  /// Reason_CurrentDirectoryChanged: also the handle concerned.
  struct Reason_CurrentDirectoryInfo : Reason_PathChangeInfo {
    ResourceFile *file = nullptr;
  };

  using CallBack = void (*)(GCallBackReason reason, void *info, void *data);

  static const GCallBackReason Reason_ItemPut;
  static const GCallBackReason Reason_ItemRemoved;
  static const GCallBackReason Reason_ItemRenamed;
  static const GCallBackReason Reason_ItemCopied;
  static const GCallBackReason Reason_TypeCreated;
  static const GCallBackReason Reason_TypeRemoved;
  static const GCallBackReason Reason_DirectoryCreated;
  static const GCallBackReason Reason_DirectoryRemoved;
  static const GCallBackReason Reason_DirectoryRenamed;
  static const GCallBackReason Reason_DirectoryEmptied;
  /// Evoked with a plain Reason_BaseInfo.
  static const GCallBackReason Reason_Flushed;
  static const GCallBackReason Reason_CurrentDirectoryChanged;

  /// Opens `name` (see open); a null name leaves the handle detached.
  explicit ResourceFile(const char *name = nullptr, GIO::IOOpenMode mode = GIO::IO_READWRITE);
  /// Shares the other's server and copies its current name.
  ResourceFile(const ResourceFile &other);
  /// Attaches to the other's server (detaching from its own, unflushed);
  /// the current name stays.
  ResourceFile &operator=(const ResourceFile &other);
  ~ResourceFile() override;

  /// Nothing when already attached to the server of `name`; otherwise
  /// closes, then attaches to the registered server of the file or opens
  /// one. A file that cannot be opened, or holds something other than a
  /// container, leaves the handle detached (and the file untouched).
  virtual void open(const char *name, GIO::IOOpenMode mode);
  /// Flushes and detaches; the last handle of a server not kept open
  /// destroys it (closing its file).
  virtual void close();

  bool is_opened() const { return Server != nullptr; }
  ResourceFileServer *get_file() const { return Server; }
  /// The server's file name; empty when detached.
  GFile get_filename() const;
  /// The file's open mode (bit 2: write access); 0 when detached.
  int io_mode() const;
  /// The server's stream state; 4 when detached.
  int error() const;
  bool is_modified() const;
  void mark_as_modified();
  virtual void flush();
  virtual void pack();

  // Current name ------------------------------------------------------------------

  const GResourcePath &get_current_directory() const { return Current.get_path(); }
  /// Evokes Reason_CurrentDirectoryChanged when the directory changes. The
  /// directory need not exist.
  void set_current_directory(const GResourcePath &path);
  virtual void set_type(const GString &type);
  const GString &get_current_type() const { return Current.get_type(); }
  const GString &get_current_name() const { return Current.get_name(); }

  // Directories (absolute paths unless named relative) -------------------------------

  bool directory_exists(const GResourcePath &path) const;
  void create_directory(const GResourcePath &path);
  void remove_directory(const GResourcePath &path);
  void rename_directory(const GResourcePath &from, const GResourcePath &to);
  /// Below the current directory.
  void create_subdirectory(const GResourcePath &relative);
  void remove_subdirectory(const GResourcePath &relative);
  /// Copies directory `from` with everything below it to `to` (nothing for
  /// equal paths).
  void copy_directory(const GResourcePath &from, const GResourcePath &to);
  /// Copies directory `from` of `source` with everything below it to `to`
  /// of this container, item by item as stored. Refused when both handles
  /// share a server and `to` lies in `from` (the copy would never end).
  void copy_directory_from(const GResourcePath &to, const ResourceFile &source,
                           const GResourcePath &from);
  /// That type of the current directory.
  void remove_type(const GString &type);
  void remove_type(const GResourceFullName &name);
  /// Removes every type and subdirectory of the root.
  void empty();

  // Items: by full name; by item and type name in the current directory; or
  // by item name alone (current directory and type), which also becomes the
  // current item name. Detached handles do nothing and give false, null or
  // a default block.

  bool exist(const GResourceFullName &name) const;
  bool exist(const GString &name, const GString &type) const;
  bool exist(const GString &name) const;
  void put(GStreamable *object, const GResourceFullName &name, bool keep);
  void put(GStreamable *object, const GString &name, const GString &type, bool keep);
  void put(GStreamable *object, const GString &name, bool keep);
  GStreamable *get(const GResourceFullName &name, bool keep);
  GStreamable *get(const GString &name, const GString &type, bool keep);
  GStreamable *get(const GString &name, bool keep);
  void remove(const GResourceFullName &name);
  void remove(const GString &name, const GString &type);
  void remove(const GString &name);
  /// A new[] text for the caller to delete[]; null when absent.
  char *read_class_name(const GResourceFullName &name);
  char *read_class_name(const GString &name, const GString &type);
  char *read_class_name(const GString &name);
  ResourceFileBlock get_resource_block(const GResourceFullName &name) const;
  ResourceFileBlock get_resource_block(const GString &name, const GString &type) const;
  ResourceFileBlock get_resource_block(const GString &name) const;
  void rename(const GResourceFullName &from, const GResourceFullName &to);
  /// Within the current directory, in `type` or the current type.
  void rename(const GString &from, const GString &to, const GString &type);
  void rename(const GString &from, const GString &to);

  /// Copies an item within this container (nothing for equal names).
  void copy(const GResourceFullName &from, const GResourceFullName &to);
  /// Copies the whole source container into this one's root; nothing when
  /// both handles share a server.
  void copy_from(const ResourceFile &source);
  /// Copies item `from` of `source` as `to`, its stored bytes as they are.
  void copy_from(const GResourceFullName &to, const ResourceFile &source,
                 const GResourceFullName &from);
  void copy_from(const GResourceFullName &name, ipstream &in, long length, unsigned int flags);
  bool extract_to(opstream &out, const GResourceFullName &name, bool decompress);

  // Stream form -----------------------------------------------------------------------

  /// Reads the stream form (see the file comment) and opens the file it
  /// names, redirected and expanded. A stored detached handle leaves this
  /// one as it is. An unknown version or flag, or an I/O mode other than
  /// 1 to 3, throws NonZeroPStreamState_Exception.
  void read(ipstream &is) override;
  void write(opstream &os) override;

  // The process-wide registry of servers --------------------------------------------

  /// Opens the file for reading; whether it holds an empty file, a
  /// container, or executable images and foreign blocks only.
  static bool IsValidToRead(const char *file);
  static bool IsValidToRead(ipstream &is);
  /// The registered server of `name`, the most recent first; null if none.
  static ResourceFileServer *FindServer(const char *name);
  /// Opens (or finds) the file's server and keeps it open for the rest of
  /// the process, as the most recently used source for Get and Put.
  static ResourceFileServer *Use(const char *name, GIO::IOOpenMode mode);
  /// Flushes the registered server of `name`.
  static void Update(const char *name);
  /// Puts the object in the root of the most recently used kept-open
  /// server; nothing (the object stays the caller's) when there is none.
  static void Put(GStreamable *object, const char *name, const char *type, bool keep);
  /// The first object found in the root of the kept-open servers, from the
  /// most recently used; null when none has it.
  static GStreamable *Get(const char *name, const char *type, bool keep);
  /// The kept-open servers; At(0) is the most recently used, null out of
  /// range.
  static int GetCount();
  static ResourceFileServer *At(int i);

  /// The process-wide callback list. Registration and calls are serialized
  /// by a lock of their own, so a handle that unregisters (as its
  /// destructor does) is never called afterwards.
  static void RegisterCallback(GCallBackReason reason, CallBack callback, void *data);
  static void UnRegisterCallback(GCallBackReason reason, CallBack callback, void *data);
  static void EvokeCallback(GCallBackReason reason, Reason_BaseInfo &info);

private:
  static ResourceFileServer *FindOrCreate(const char *name, GIO::IOOpenMode mode);
  /// Joins `server`'s clients (under the registry's lock, so the server
  /// cannot go meanwhile).
  void attach(ResourceFileServer *server);
  /// Leaves the server's clients; the last handle releases the server.
  void detach();
  /// The item name in the current directory and type (or `type`).
  GResourceFullName in_current(const GString &name) const;
  GResourceFullName in_current(const GString &name, const GString &type) const;
  /// The same, also made the current item name.
  GResourceFullName named(const GString &name) const;
  static void FollowDirectoryRename(GCallBackReason reason, void *info, void *data);
  /// Copies one item's stored bytes; a compressed copy gets the source's
  /// data size.
  static void CopyItem(ResourceFileServer &source, const GResourceFullName &from,
                       ResourceFileServer &target, const GResourceFullName &to);
  /// Copies the items of directory `from`, then its subdirectories.
  static void CopyTree(ResourceFileServer &source, const GResourcePath &from,
                       ResourceFileServer &target, const GResourcePath &to);

  ResourceFileServer *Server = nullptr;
  /// Current directory, item name and type. The name-only forms of the
  /// const lookups record their item name too.
  mutable GResourceFullName Current;
};

#endif // VYX_RESOURCES_RESOURCE_FILE_H
