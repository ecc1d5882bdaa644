//===- resource_file_server.h - Resource container files -------*- C++ -*-===//
//
// A resource container is one file holding many stored objects, each
// addressed by a GResourceFullName, and the directory tree that indexes
// them. One ResourceFileServer manages one open container; every handle of
// the handle layer that names the file shares it.
//
// Layout (offsets relative to the container's base position, which is 0
// unless executable images or foreign blocks come first; little-endian):
//
//   0   "FB" "PR"      magic (words 0x4246, 0x5250)
//   4   dword -1       format word (old format: position of the old root)
//   8   sections       item sections and directory sections, in the order
//                      they were written; every directory section is
//                      followed by two identical 24-byte trailers:
//                        dword CRC-32 of the next 20 bytes
//                        dword position of the directory section
//                        16 bytes "Obj" BF 08 B4 "Resources" 00
//
// An item section is the object written as one streamable pointer, Flate-
// coded when the item is compressed; a directory section is the root
// directory, always Flate-coded. Writing only appends: replaced objects and
// older directory copies stay as dead space until pack() moves the items
// together and cuts the file. On opening, the directory named by the last
// good trailer is loaded; a damaged end is bypassed by searching backwards
// for an earlier trailer and an earlier directory.
//
// Positions are 32-bit: a container must end within 2^31 - 1 bytes of the
// start of its file, and a write that would pass that end is refused with
// the stream's write failure.
//
// Every operation holds the server's recursive lock for its whole duration
// and reports its change (resource_notice.h) after releasing its own hold.
// Stream errors do not throw: put, copy_from, flush and pack stop at the
// first error and report it through error(); exceptions thrown by an
// object's own streaming code propagate.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_FILE_SERVER_H
#define VYX_RESOURCES_RESOURCE_FILE_SERVER_H

#include "containers/collection.h"
#include "io/gfile.h"
#include "object_model/locks.h"
#include "pstreams/compressed_pstream.h"
#include "resources/resource_collection.h"
#include "resources/resource_directory.h"
#include "resources/resource_full_name.h"
#include "resources/resource_path.h"
#include "vyx_base_export.h"

#include <cstdint>
#include <memory>
#include <vector>

class ResourceFile;
class ResourceFileServer;
class GResourceSubDirectoryIterator;
class GResourceTypeIterator;
class GResourceIterator;

namespace vyx::detail {
class SectionReader;
} // namespace vyx::detail

namespace vyx {

/// The handles attached to a server, in the order they attached (not
/// owned).
class VYX_BASE_API ResourceClientList : public GCollection {
public:
  ResourceClientList() : GCollection(0, 4, 0) {}
  ResourceFile *at(long i) const { return static_cast<ResourceFile *>(GCollection::at(i)); }
  ResourceFile *operator[](long i) const { return at(i); }
};

/// Destroys a server (flushing it and closing its file).
struct VYX_BASE_API ResourceServerDeleter {
  void operator()(ResourceFileServer *server) const;
};
using ResourceServerPtr = std::unique_ptr<ResourceFileServer, ResourceServerDeleter>;

/// Opens the stream of a container file: for reading and writing (a
/// write-only mode counts as such) the existing file or else a new one,
/// unshared; failing that, or for reading, the existing file shared for
/// reading. Compressed sections are written at speed 3. Null when the file
/// cannot be opened or holds something other than a container (it is left
/// untouched then). The stream is in plain mode at offset 0.
VYX_BASE_API zpstream *OpenResourceStream(const char *name, GIO::IOOpenMode mode);

/// OpenResourceStream and a server on it, outside any registry of servers.
VYX_BASE_API ResourceServerPtr OpenResourceServer(const char *name, GIO::IOOpenMode mode);

} // namespace vyx

/// The shared server of one open container file.
class VYX_BASE_API ResourceFileServer {
public:
  /// Directories nest at most this deep: deeper paths are not created, so
  /// that every directory tree written can be read back.
  static constexpr int MaxDirectoryDepth = 512;
  /// The highest position (from the start of the file) a container reaches.
  static constexpr long MaxContainerEnd = INT32_MAX;

  ResourceFileServer(const ResourceFileServer &) = delete;
  ResourceFileServer &operator=(const ResourceFileServer &) = delete;

  /// The name after the redirection of file pstreams and GFile::expand.
  static GFile GetNameUsed(const char *name);
  /// False without a server name or for null; else whether
  /// GetNameUsed(name) names the same file.
  bool isNameEquals(const char *name) const;

  iopstream &get_stream() { return *Stream; }
  GCriticalSection &critical_section() const { return Lock; }
  const vyx::ResourceClientList &clients() const { return Clients; }
  const GFile &get_filename() const { return FileName; }
  /// The stream's state (0 = good).
  int error() const;
  /// The open mode of the file (bit 2: write access).
  int io_mode() const;

  /// The in-memory directory differs from the last one on disk.
  bool is_modified() const;
  void mark_as_modified();
  /// A kept-open server stays when its last handle detaches.
  bool is_kept_open() const { return KeptOpen; }
  void keep_open() { KeptOpen = true; }
  /// The file offset of the container.
  long base_position() const { return Base; }
  /// Where the next section goes (relative to the base position).
  long data_end() const;
  /// The root directory, for walking under the lock.
  const GResourceDirectory &root() const { return *Root; }

  /// Writes the directory and its trailers when modified.
  void flush();
  /// Moves the items together, drops empty types and cuts the file.
  void pack();

  bool exist(const GResourceFullName &name) const;
  /// Appends `object` as the item's new section (creating directories and
  /// the type as needed). With `keep` the item caches the object and owns
  /// it; otherwise a cached object is dropped (destroyed, unless it is
  /// `object` itself, which then belongs to the caller again).
  void put(GStreamable *object, const GResourceFullName &name, bool keep);
  /// The item's object: its cached object with `keep`, else read from the
  /// file (cached and owned by the item with `keep`, else the caller's).
  /// Null when absent. Damaged data throws as the pstream does.
  GStreamable *get(const GResourceFullName &name, bool keep);
  void remove(const GResourceFullName &name);
  /// Moves the item (its stored bytes stay) to another name, type or
  /// directory, replacing an item there.
  void rename(const GResourceFullName &from, const GResourceFullName &to);
  /// The class name of the stored object, as a new[] text for the caller
  /// to delete[]; null when absent or unreadable.
  char *read_class_name(const GResourceFullName &name);
  /// The item's block with its position made absolute; a default block
  /// when absent (and position -1 when the absolute position would not fit).
  ResourceFileBlock get_resource_block(const GResourceFullName &name);
  /// Sets an item's data size (for raw copies of compressed sections).
  void set_data_size(const GResourceFullName &name, int32_t dataSize);
  /// Stores `length` raw bytes of `in` from its read position (all the rest
  /// when negative) as the item's section. Flags: 0 plain bytes, stored
  /// plain; 1 bytes already Flate-coded, stored as a compressed item; 2 or 3
  /// bytes compressed while copied.
  void copy_from(const GResourceFullName &name, ipstream &in, long length, unsigned int flags);
  /// Copies the item's stored bytes (or, with `decompress`, its decoded
  /// bytes) to the output's write position; false when absent, when the
  /// decoded length is unknown, or on a stream error.
  bool extract_to(opstream &out, const GResourceFullName &name, bool decompress);
  void remove_type(const GResourceFullName &name);

  bool directory_exists(const GResourcePath &path) const;
  void create_directory(const GResourcePath &path);
  /// Not for the root.
  void remove_directory(const GResourcePath &path);
  /// Not for the root, equal paths, or a target inside the source.
  void rename_directory(const GResourcePath &from, const GResourcePath &to);
  /// Removes every type and subdirectory of the root.
  void empty();

  /// Whether the container magic follows the images and foreign blocks
  /// from the stream's read position on; `base` gets the container's offset.
  static bool FindMagic(ipstream &is, long &base);
  /// Whether the stream holds (from its read position) an empty file, a
  /// container, or executable images and foreign blocks only.
  static bool FindBasePos(ipstream &is, long &base);
  /// Both answers: `base` is -1 when the file is not a container.
  static void FindBasePosAndMagic(ipstream &is, long &base, bool &magic);

private:
  friend class ResourceFile;
  friend class GResourceSubDirectoryIterator;
  friend class GResourceTypeIterator;
  friend class GResourceIterator;
  friend struct vyx::ResourceServerDeleter;
  friend vyx::ResourceServerPtr vyx::OpenResourceServer(const char *, GIO::IOOpenMode);
  class Notices;
  class SectionRead;

  /// Takes ownership of `stream`; locates or creates the container.
  ResourceFileServer(zpstream *stream, const char *name);
  /// flush(), then destroys the directory and the stream.
  ~ResourceFileServer();

  void register_resource_file(ResourceFile *file);
  void unregister_resource_file(ResourceFile *file);

  bool writable() const { return (Stream->io_mode() & GIO::IO_WRITE) != 0; }
  void create_container();
  bool open_new_format_file();
  bool open_old_format_file();
  void find_root_directory_position(long &root, long &end);
  /// Reads the root directory at `root` (relative); null when unreadable.
  GResourceDirectory *read_root(long root, bool compressed);
  /// The file's length, -1 when it cannot be told.
  long file_length();
  /// Reads `item`'s object as get() does.
  GStreamable *get_item(ResourceItem &item, bool keep);
  /// The item's place after a failed write of a new section: a new item
  /// goes, an existing one gets its old block back.
  void undo_item(const GResourceFullName &name, bool created, const ResourceFileBlock &saved);
  /// Appends a new section for `item` at the data end, written by `write`
  /// (returning false on failure) with the stream in compressed mode or
  /// not, and records it in the item's block. After a stream error or an
  /// exception (rethrown) the item is put back as it was (a new one goes).
  template <class Write>
  bool append_section(const GResourceFullName &name, ResourceItem &item, bool created,
                      bool compressed, Write write);
  /// pack's moves of the items (sorted by position) into the gaps before
  /// them; the end of the last item, or -1 when a move failed.
  long move_items(std::vector<ResourceItem *> &items, long root);

  ResourceItem *find_item(const GResourceFullName &name) const;
  ResourceItem *find_or_create_item(const GResourceFullName &name, bool &created);
  ResourceTypeItem *find_type(const GResourceFullName &name) const;
  ResourceTypeItem *find_or_create_type(const GResourceFullName &name);
  GResourceDirectory *find_directory(const GResourcePath &path) const;
  GResourceDirectory *find_or_create_directory(const GResourcePath &path);

  std::unique_ptr<zpstream> Stream;
  std::unique_ptr<GResourceDirectory> Root;
  GFile FileName;
  long Base = 0;
  long DataEnd = 8;
  vyx::ResourceClientList Clients;
  bool Modified = false;
  bool KeptOpen = false;
  mutable GCriticalSection Lock;
  /// Reads items through a stream of its own on the same file handle.
  std::unique_ptr<vyx::detail::SectionReader> Reader;
  bool ReaderBusy = false;
};

#endif // VYX_RESOURCES_RESOURCE_FILE_SERVER_H
