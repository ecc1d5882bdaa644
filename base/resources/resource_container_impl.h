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
/// keeps owning it). It reads one section at a time, plainly or through
/// its Flate decoder, and can be started again on another section (the
/// decoder's tables are made once).
class SectionReader : public ipstream {
public:
  explicit SectionReader(const GFileIO &file);
  ~SectionReader() override;
  /// Ends what the last section left, seeks to the absolute `offset` and
  /// reads compressed or plain data from there; false when the seek fails.
  bool start(long offset, bool compressed);

private:
  std::unique_ptr<GFlateBufferedIO> Flate; // owns the chain below it
  GBufferedIO *Plain = nullptr;
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

/// The reader of one read of an item: the server's own reader when it is
/// free, else (a read nested in another) one made for it; the server's
/// file offset is kept across it.
class ResourceFileServer::SectionRead {
public:
  SectionRead(ResourceFileServer &server, GFileIO &file)
      : Offset(*server.Stream, file), Server(server) {
    if (!Server.ReaderBusy) {
      if (!Server.Reader)
        Server.Reader = std::make_unique<vyx::detail::SectionReader>(file);
      Reader = Server.Reader.get();
      Server.ReaderBusy = true;
    } else {
      Own = std::make_unique<vyx::detail::SectionReader>(file);
      Reader = Own.get();
    }
  }
  ~SectionRead() {
    if (!Own)
      Server.ReaderBusy = false;
  }
  SectionRead(const SectionRead &) = delete;
  SectionRead &operator=(const SectionRead &) = delete;

  vyx::detail::SectionReader &reader() { return *Reader; }

private:
  vyx::detail::FileOffsetKeeper Offset; // restored last
  ResourceFileServer &Server;
  std::unique_ptr<vyx::detail::SectionReader> Own;
  vyx::detail::SectionReader *Reader = nullptr;
};

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
  if (Base + start > MaxContainerEnd) {
    vyx::detail::FailWrite(*Stream);
    undo_item(name, created, saved);
    return false;
  }
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
