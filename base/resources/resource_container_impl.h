//===- resource_container_impl.h - Shared parts of the container server -*- C++ -*-===//
//
// Constants of the container layout, the batch of notices an operation
// delivers after releasing the lock, the reading stream that shares the
// server's file, and the byte copier used by pack, copy_from and extract_to.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_CONTAINER_IMPL_H
#define VYX_RESOURCES_RESOURCE_CONTAINER_IMPL_H

#include "io/flate_io.h"
#include "pstreams/pstream.h"
#include "resources/resource_file_server.h"
#include "resources/resource_notice.h"

#include <cstdint>
#include <memory>
#include <vector>

/// The checking idiom of the container readers: a stored value that fails
/// `cond` ends the reading function with `failure`, which each reader maps
/// to its specified outcome (not a container, an older trailer, null).
#define RESOURCE_CHECK(cond, failure)                                                              \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      return failure;                                                                              \
  } while (0)

namespace vyx::detail {

constexpr uint16_t MagicWord1 = 0x4246;     // "FB"
constexpr uint16_t MagicWord2 = 0x5250;     // "PR"
constexpr uint16_t ExecutableWord = 0x5A4D; // "MZ"
constexpr uint32_t CurrentFormatWord = 0xFFFFFFFFu;
constexpr long HeaderSize = 8;
constexpr long TrailerSize = 24;
constexpr long SignatureSize = 16;
constexpr unsigned char Signature[SignatureSize] = {0x4F, 0x62, 0x6A, 0xBF, 0x08, 0xB4, 0x52, 0x65,
                                                    0x73, 0x6F, 0x75, 0x72, 0x63, 0x65, 0x73, 0x00};
/// The backward search reads blocks of this size.
constexpr long SearchBlockSize = 65536;
/// Byte copies use a buffer of at most this size.
constexpr long CopyBufferSize = 16384;
/// Flate speed of the compressed sections a server writes.
constexpr unsigned short ContainerSpeed = 3;

/// The 24 bytes of a trailer naming the directory section at `root`.
void BuildTrailer(long root, unsigned char (&trailer)[TrailerSize]);
/// The root position a trailer names, or -1 when its CRC does not match.
long ParseTrailer(const unsigned char (&trailer)[TrailerSize]);

/// Sets the write failure of a stream (a refused write).
inline void FailWrite(pstream &stream) { stream.clear(stream.rdstate() | pstream::badbit); }

/// A reading pstream on a file handle shared with another device (which
/// keeps owning it), positioned at one section and reading it plainly or
/// through a Flate decoder.
class SectionReader : public ipstream {
public:
  SectionReader(const GFileIO &file, bool compressed);
  ~SectionReader() override;
  /// Seeks to the absolute `offset`; false when that fails.
  bool start(long offset);

private:
  GBufferedIO *Plain = nullptr;            // owned by Flate when compressed
  std::unique_ptr<GFlateBufferedIO> Flate; // only for compressed sections
  std::unique_ptr<GBufferedIO> PlainOwner; // only for plain sections
};

/// The devices on one file handle share its file offset, which a buffered
/// device relies on between its own reads and writes. A section reader on
/// the server's handle therefore runs inside a keeper: it flushes the
/// server's stream (leaving its device idle at its place) and puts the
/// offset back when it goes. Readers nest this way too: an object whose
/// reading fetches another item finds its own reader's offset restored.
class FileOffsetKeeper {
public:
  explicit FileOffsetKeeper(pstream &stream, GFileIO &file) : File(file) {
    stream.flush();
    At = File.gtell();
  }
  ~FileOffsetKeeper() {
    if (At >= 0)
      File.gseek(At, GIO::IO_BEGIN);
  }
  FileOffsetKeeper(const FileOffsetKeeper &) = delete;
  FileOffsetKeeper &operator=(const FileOffsetKeeper &) = delete;

private:
  GFileIO &File;
  long At;
};

/// Copies `length` bytes from `in` (from its read position) to `out` (at
/// its write position) through one buffer of at most CopyBufferSize bytes.
/// Returns false when a stream fails or the input ends first.
bool CopyBytes(ipstream &in, opstream &out, long length);

/// Reads `length` bytes of `in` into memory, a buffer at a time (so the
/// memory follows the data actually there); false when the input ends
/// first. For copies whose two sides share one file.
bool ReadAll(ipstream &in, long length, std::vector<unsigned char> &bytes);

} // namespace vyx::detail

/// The notices of one operation, delivered after its lock is released.
class ResourceFileServer::Notices {
public:
  explicit Notices(ResourceFileServer &server) : Server(server) {}
  Notices(const Notices &) = delete;
  Notices &operator=(const Notices &) = delete;

  vyx::ResourceNotice &add(vyx::ResourceChange change) {
    List.emplace_back();
    List.back().Server = &Server;
    List.back().Change = change;
    return List.back();
  }
  void add(vyx::ResourceChange change, const GResourceFullName &name) { add(change).Name = name; }
  void add(vyx::ResourceChange change, const GResourcePath &path) { add(change).Path = path; }
  /// Delivers and forgets the notices (call without holding the lock of
  /// this operation).
  void deliver() {
    std::vector<vyx::ResourceNotice> list;
    list.swap(List);
    for (const vyx::ResourceNotice &notice : list)
      vyx::DeliverResourceNotice(notice);
  }

private:
  ResourceFileServer &Server;
  std::vector<vyx::ResourceNotice> List;
};

template <class Write>
bool ResourceFileServer::append_section(const GResourceFullName &name, ResourceItem &item,
                                        bool created, bool compressed, Write write) {
  const ResourceFileBlock saved = item.block();
  const long start = DataEnd;
  Stream->turn_to_comp(compressed);
  bool written = false;
  try {
    written = write();
  } catch (...) {
    Stream->turn_to_norm();
    undo_item(name, created, saved);
    throw;
  }
  uint32_t count = Stream->countOfWrittenBytes();
  long end = Stream->turn_to_norm();
  if (end > MaxContainerEnd)
    vyx::detail::FailWrite(*Stream);
  if (!written || !Stream->good() || end < Base + start) {
    undo_item(name, created, saved);
    return false;
  }
  item.position = static_cast<int32_t>(start);
  DataEnd = end - Base;
  item.size = static_cast<int32_t>(DataEnd - start);
  item.data_size = count <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int32_t>(count) : -1;
  Modified = true;
  return true;
}

#endif // VYX_RESOURCES_RESOURCE_CONTAINER_IMPL_H
