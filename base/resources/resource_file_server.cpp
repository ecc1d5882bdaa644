//===- resource_file_server.cpp - Opening, writing and reading containers -===//
//
// What is read from a container file, and how each value is checked:
//
//   Before the container (FindBasePosAndMagic), at offset B:
//     word "MZ", word bytes-in-last-page L, word pages P: an executable
//       image of P * 512 bytes (L == 0) or (P - 1) * 512 + L bytes; an
//       image that does not advance B ends the search: not a container
//     word "FB", word "PR": the container starts at B
//     word "FB", other word, dword N: a foreign block of N + 8 bytes (one
//       that does not advance B ends the search: not a container)
//     anything else ends the search; unless B is the end of the file the
//       bytes there are not ours to overwrite: not a container
//   Header at the base position: magic, format word (-1: current format;
//     otherwise the old root's position, which must lie inside the file)
//   Trailer (last 24 bytes, or found by the backward search): CRC over
//     bytes 4..23, root position R; R must lie between the header and the
//     trailer, so every step of the recovery moves towards the start
//   Directory section at R: the root GResourceDirectory (see
//     resource_directory.cpp); anything unreadable sends the search further
//     back
//   Item sections: read by the object's own class (get) or copied raw
//     (extract_to); their positions and sizes were checked when the
//     directory was read, and short data ends the copy
//
//===----------------------------------------------------------------------===//

#include "resources/resource_file_server.h"

#include "config/units.h"
#include "resources/memory_crc.h"
#include "resources/resource_container_impl.h"
#include "resources/resource_tree_impl.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace vyx::detail;

// Notices ---------------------------------------------------------------------------

namespace {
std::atomic<vyx::ResourceNoticeListener> NoticeListener{nullptr};
} // namespace

namespace vyx {

ResourceNoticeListener SetResourceNoticeListener(ResourceNoticeListener listener) {
  return NoticeListener.exchange(listener);
}

void DeliverResourceNotice(const ResourceNotice &notice) {
  if (ResourceNoticeListener listener = NoticeListener.load())
    listener(notice);
}

} // namespace vyx

// Shared parts ------------------------------------------------------------------------

namespace vyx::detail {

namespace {

void putDWord(unsigned char *p, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getDWord(const unsigned char *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t trailerCrc(const unsigned char (&trailer)[TrailerSize]) {
  return ~g_mem_CRC32(trailer + 4, TrailerSize - 4, 0xFFFFFFFFu);
}

} // namespace

void BuildTrailer(long root, unsigned char (&trailer)[TrailerSize]) {
  putDWord(trailer + 4, static_cast<uint32_t>(root));
  std::memcpy(trailer + 8, Signature, SignatureSize);
  putDWord(trailer, trailerCrc(trailer));
}

long ParseTrailer(const unsigned char (&trailer)[TrailerSize]) {
  RESOURCE_CHECK(getDWord(trailer) == trailerCrc(trailer), -1L);
  return static_cast<int32_t>(getDWord(trailer + 4));
}

SectionReader::SectionReader(const GFileIO &file) {
  auto *device = new GFileIO;
  device->attach(file);
  Plain = new GBufferedIO(device);
  Flate = std::make_unique<GFlateBufferedIO>(Plain, ContainerSpeed);
  bind(Plain);
}

SectionReader::~SectionReader() = default;

bool SectionReader::start(long offset, bool compressed) {
  clear();
  Flate->flush(); // the whole chain idle: nothing of the last section stays
  bind(Plain);
  if (seekg(offset) != offset)
    return false;
  if (compressed)
    bind(Flate.get());
  return true;
}

bool CopyBytes(ipstream &in, opstream &out, long length) {
  std::vector<unsigned char> buffer(
      static_cast<std::size_t>(std::clamp(length, 0L, CopyBufferSize)));
  for (long done = 0; done < length;) {
    long n = std::min(length - done, CopyBufferSize);
    if (in.readBytes(buffer.data(), n) != n || out.writeBytes(buffer.data(), n) != n)
      return false;
    done += n;
  }
  return in.good() && out.good();
}

bool ReadAll(ipstream &in, long length, std::vector<unsigned char> &bytes) {
  bytes.clear();
  for (long done = 0; done < length;) {
    long n = std::min(length - done, CopyBufferSize);
    bytes.resize(std::size_t(done + n));
    if (in.readBytes(bytes.data() + done, n) != n)
      return false;
    done += n;
  }
  return in.good();
}

} // namespace vyx::detail

namespace {

/// The last block read by the backward search, reused when the search goes
/// on below a trailer it found.
struct SearchCache {
  std::vector<unsigned char> Block;
  long Start = -1;
  long Stop = -1;
};

/// The absolute offset of the last signature lying wholly inside [lo, hi),
/// or -1. Reads blocks from the end towards the start, overlapping by the
/// signature's length minus one.
long findLastSignature(ipstream &is, long lo, long hi, SearchCache &cache) {
  long blockEnd = hi;
  while (blockEnd - lo >= SignatureSize) {
    long blockStart = std::max(lo, cache.Start);
    const unsigned char *data;
    if (cache.Start >= 0 && blockStart + SignatureSize <= blockEnd && blockEnd <= cache.Stop) {
      data = cache.Block.data() + (blockStart - cache.Start);
    } else {
      blockStart = std::max(lo, blockEnd - SearchBlockSize);
      long n = blockEnd - blockStart;
      cache.Block.resize(static_cast<std::size_t>(n));
      cache.Start = cache.Stop = -1;
      is.clear();
      if (is.seekg(blockStart) != blockStart || is.readBytes(cache.Block.data(), n) != n)
        return -1;
      cache.Start = blockStart;
      cache.Stop = blockEnd;
      data = cache.Block.data();
    }
    for (long at = blockEnd - SignatureSize; at >= blockStart; --at)
      if (data[at - blockStart] == Signature[0] &&
          std::memcmp(data + (at - blockStart), Signature, SignatureSize) == 0)
        return at;
    if (blockStart <= lo)
      break;
    blockEnd = blockStart + SignatureSize - 1;
  }
  return -1;
}

/// The root position named by the last good trailer that ends at or before
/// `end` (relative to `base`; -1: the end of the file), or -1. `end` becomes
/// the end of that trailer. Every root returned lies below its trailer, so
/// a caller that goes on from a failed root always moves towards the start.
long findRoot(ipstream &is, long base, long &end, SearchCache &cache) {
  is.clear();
  long length = is.seekg(0, GIO::IO_END);
  RESOURCE_CHECK(length >= 0, -1L);
  if (end < 0)
    end = length - base;
  for (;;) {
    RESOURCE_CHECK(end >= HeaderSize + TrailerSize && base + end <= length, -1L);
    unsigned char trailer[TrailerSize];
    is.clear();
    RESOURCE_CHECK(is.seekg(base + end - TrailerSize) == base + end - TrailerSize, -1L);
    RESOURCE_CHECK(is.readBytes(trailer, TrailerSize) == TrailerSize, -1L);
    long root = ParseTrailer(trailer);
    if (root >= HeaderSize && root < end - TrailerSize)
      return root;
    // Not a good trailer: the one before it, or one further back. The last
    // byte before `end` is left out so this trailer's signature is not
    // found again.
    long at = findLastSignature(is, base, base + end - 1, cache);
    RESOURCE_CHECK(at >= 0, -1L);
    end = at - base + SignatureSize;
  }
}

/// Keeps the calling thread's input scale across the read of an item.
class InputScaleGuard {
public:
  InputScaleGuard() : Saved(GSUSInfo::m_dInputScale) {}
  ~InputScaleGuard() { GSUSInfo::m_dInputScale = Saved; }
  InputScaleGuard(const InputScaleGuard &) = delete;
  InputScaleGuard &operator=(const InputScaleGuard &) = delete;

private:
  double Saved;
};

int32_t storedCount(uint32_t count) {
  return count <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int32_t>(count) : -1;
}

} // namespace

// Opening ------------------------------------------------------------------------------

namespace vyx {

void ResourceServerDeleter::operator()(ResourceFileServer *server) const { delete server; }

zpstream *OpenResourceStream(const char *name, GIO::IOOpenMode mode) {
  if (!name)
    return nullptr;
  auto stream = std::make_unique<zpstream>();
  if (mode & GIO::IO_WRITE) {
    stream->open(name, GIO::IO_READWRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_NONE,
                 ContainerSpeed);
    if (!stream->is_open())
      stream->open(name, GIO::IO_READWRITE, GFileIO::IO_OPEN_ALWAYS, GFileIO::IO_SHARE_NONE,
                   ContainerSpeed);
  }
  if (!stream->is_open())
    stream->open(name, GIO::IO_READ, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READ,
                 ContainerSpeed);
  if (!stream->is_open() || !stream->good())
    return nullptr;
  stream->turn_to_norm();
  long base = -1;
  stream->clear();
  stream->seekg(0);
  if (!ResourceFileServer::FindBasePos(*stream, base))
    return nullptr;
  stream->clear();
  stream->seekg(0);
  return stream.release();
}

ResourceServerPtr OpenResourceServer(const char *name, GIO::IOOpenMode mode) {
  zpstream *stream = OpenResourceStream(name, mode);
  if (!stream)
    return nullptr;
  return ResourceServerPtr(new ResourceFileServer(stream, name));
}

} // namespace vyx

void ResourceFileServer::FindBasePosAndMagic(ipstream &is, long &base, bool &magic) {
  magic = false;
  is.clear();
  base = is.tellg();
  long length = is.seekg(0, GIO::IO_END);
  if (base < 0 || length < 0) {
    base = -1;
    return;
  }
  while (base <= length - HeaderSize) {
    is.clear();
    is.seekg(base);
    unsigned word = is.readWord();
    long advance = 0;
    if (word == ExecutableWord) {
      long lastPage = is.readWord();
      long pages = is.readWord();
      advance = lastPage == 0 ? pages * 512 : (pages - 1) * 512 + lastPage;
    } else if (word == MagicWord1) {
      if (is.readWord() == MagicWord2) {
        magic = is.good();
        break;
      }
      advance = static_cast<long>(static_cast<int32_t>(is.readDWord())) + 8;
    } else {
      break;
    }
    if (!is.good() || advance <= 0) {
      base = -1; // no progress: the file does not describe itself
      return;
    }
    base += advance;
  }
  // Without the magic the container would be written at `base`: only when
  // nothing follows there, and only where 32-bit positions reach.
  if ((!magic && base < length) || base > MaxContainerEnd - HeaderSize)
    base = -1;
}

bool ResourceFileServer::FindMagic(ipstream &is, long &base) {
  bool magic = false;
  FindBasePosAndMagic(is, base, magic);
  return magic;
}

bool ResourceFileServer::FindBasePos(ipstream &is, long &base) {
  bool magic = false;
  FindBasePosAndMagic(is, base, magic);
  return base >= 0;
}

ResourceFileServer::ResourceFileServer(zpstream *stream, const char *name)
    : Stream(stream), Root(new GResourceDirectory) {
  Stream->turn_to_norm();
  if (name)
    FileName = GetNameUsed(name);
  Stream->clear();
  Stream->seekg(0);
  bool magic = false;
  FindBasePosAndMagic(*Stream, Base, magic);
  if (Base < 0) {
    // Not a container: nothing of it may be written over.
    Base = 0;
    Stream->close();
    FailWrite(*Stream);
    return;
  }
  bool loaded = false;
  if (magic) {
    Stream->clear();
    Stream->seekg(Base + 4);
    uint32_t format = static_cast<uint32_t>(Stream->readDWord());
    if (Stream->good())
      loaded = format == CurrentFormatWord ? open_new_format_file() : open_old_format_file();
  }
  if (!loaded)
    create_container();
}

ResourceFileServer::~ResourceFileServer() {
  Reader.reset(); // before the file it shares goes
  flush();
  Root.reset();
  Stream.reset();
}

GFile ResourceFileServer::GetNameUsed(const char *name) {
  GFile file(fpbase::redirected_name(name));
  file.expand();
  return file;
}

bool ResourceFileServer::isNameEquals(const char *name) const {
  if (!name || FileName.isEmpty())
    return false;
  return FileName.equals_to(GetNameUsed(name).c_str());
}

int ResourceFileServer::error() const { return Stream->rdstate(); }

int ResourceFileServer::io_mode() const { return Stream->io_mode(); }

bool ResourceFileServer::is_modified() const {
  GSingleLock hold(Lock);
  return Modified;
}

void ResourceFileServer::mark_as_modified() {
  GSingleLock hold(Lock);
  Modified = true;
}

long ResourceFileServer::data_end() const {
  GSingleLock hold(Lock);
  return DataEnd;
}

void ResourceFileServer::register_resource_file(ResourceFile *file) {
  GSingleLock hold(Lock);
  if (Clients.index_of(file) < 0)
    Clients.insert(file);
}

void ResourceFileServer::unregister_resource_file(ResourceFile *file) {
  GSingleLock hold(Lock);
  Clients.remove(file);
}

long ResourceFileServer::file_length() {
  Stream->clear();
  return Stream->seekg(0, GIO::IO_END);
}

void ResourceFileServer::create_container() {
  Root.reset(new GResourceDirectory);
  DataEnd = HeaderSize;
  Modified = true;
  Stream->clear();
  Stream->seekp(Base);
  Stream->writeWord(MagicWord1);
  Stream->writeWord(MagicWord2);
  Stream->writeDWord(CurrentFormatWord);
  if (Stream->good())
    flush();
}

GResourceDirectory *ResourceFileServer::read_root(long root, bool compressed) {
  Stream->clear();
  if (Stream->seekg(Base + root) != Base + root)
    return nullptr;
  if (compressed)
    Stream->turn_to_comp(true);
  GResourceDirectory *directory = nullptr;
  try {
    directory = ResourceTreeAccess::readOwned<GResourceDirectory>(*Stream);
  } catch (...) {
    directory = nullptr;
  }
  Stream->turn_to_norm();
  Stream->clear();
  return directory;
}

void ResourceFileServer::find_root_directory_position(long &root, long &end) {
  GSingleLock hold(Lock);
  SearchCache cache;
  root = findRoot(*Stream, Base, end, cache);
}

bool ResourceFileServer::open_new_format_file() {
  SearchCache cache;
  long end = -1;
  for (;;) {
    long root = findRoot(*Stream, Base, end, cache);
    if (root < 0)
      return false;
    if (GResourceDirectory *directory = read_root(root, true)) {
      Root.reset(directory);
      DataEnd = end;
      return true;
    }
    // findRoot gave root < end - 24: the search moves towards the start.
    end = root;
  }
}

bool ResourceFileServer::open_old_format_file() {
  Stream->clear();
  Stream->seekg(Base + 4);
  long root = static_cast<int32_t>(Stream->readDWord());
  long length = file_length();
  RESOURCE_CHECK(root >= HeaderSize && Base + root < length, false);
  GResourceDirectory *directory = read_root(root, false);
  RESOURCE_CHECK(directory, false);
  Root.reset(directory);
  // The plain read left the stream just after the old root.
  long after = Stream->tellg();
  DataEnd = after > Base + root ? after - Base : length - Base;
  if (writable()) {
    Modified = true;
    flush();
    // Only a file that has its current-format directory may say so: with
    // the flush failed, the file stays in the old format.
    if (!Modified) {
      Stream->clear();
      Stream->seekp(Base + 4);
      Stream->writeDWord(CurrentFormatWord);
      Stream->flush();
    }
  }
  return true;
}

// Writing -------------------------------------------------------------------------------

void ResourceFileServer::flush() {
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    if (!Modified)
      return;
    Stream->clear();
    // The trailer names the section's position in 32 bits: past that,
    // nothing is written.
    if (Base + DataEnd > MaxContainerEnd) {
      FailWrite(*Stream);
      return;
    }
    if (Stream->seekp(Base + DataEnd) != Base + DataEnd)
      return;
    Stream->turn_to_comp(true);
    *Stream << Root.get();
    Stream->turn_to_norm();
    if (!Stream->good())
      return;
    unsigned char trailer[TrailerSize];
    BuildTrailer(DataEnd, trailer);
    Stream->writeBytes(trailer, TrailerSize);
    Stream->writeBytes(trailer, TrailerSize);
    long end = Stream->tellp();
    if (!Stream->good() || end < 0)
      return;
    if (end > MaxContainerEnd) {
      FailWrite(*Stream);
      return;
    }
    // The newest trailers must end the file: bytes left behind them (an
    // unreferenced tail after a recovery, or what pack moved away) would
    // hide them from the next opening.
    long length = file_length();
    if (length > end)
      Stream->change_size(end);
    Stream->flush();
    if (!Stream->good())
      return;
    DataEnd = end - Base;
    Modified = false;
    notices.add(vyx::ResourceChange::Flushed);
  }
  notices.deliver();
}

void ResourceFileServer::undo_item(const GResourceFullName &name, bool created,
                                   const ResourceFileBlock &saved) {
  ResourceTypeItem *type = find_type(name);
  ResourceCollection *items = type ? type->get_items() : nullptr;
  long index = items ? items->index_of_key(name.get_name()) : -1;
  if (index < 0)
    return;
  if (created)
    items->at_free(index);
  else
    items->at(index)->set_block(saved);
}

void ResourceFileServer::put(GStreamable *object, const GResourceFullName &name, bool keep) {
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    Stream->clear();
    if (Stream->seekp(Base + DataEnd) != Base + DataEnd)
      return;
    bool created = false;
    ResourceItem *item = find_or_create_item(name, created);
    if (!item)
      return;
    bool compressed = item->compressed;
    if (!append_section(name, *item, created, compressed, [&] {
          *Stream << object;
          return true;
        }))
      return;
    if (keep)
      item->set_object(object);
    else if (item->get_object() == object)
      item->release_object(); // the caller's object: not destroyed under its feet
    else
      item->set_object(nullptr);
    vyx::ResourceNotice &notice = notices.add(vyx::ResourceChange::ItemPut);
    notice.Name = name;
    notice.Object = object;
  }
  notices.deliver();
}

// Reading --------------------------------------------------------------------------------

GStreamable *ResourceFileServer::get(const GResourceFullName &name, bool keep) {
  GSingleLock hold(Lock);
  ResourceItem *item = find_item(name);
  return item ? get_item(*item, keep) : nullptr;
}

GStreamable *ResourceFileServer::get_item(ResourceItem &item, bool keep) {
  GSingleLock hold(Lock);
  if (keep && item.get_object())
    return item.get_object();
  GFileIO *file = Stream->getFileIO();
  if (!file || !file->is_opened())
    return nullptr;
  SectionRead read(*this, *file);
  SectionReader &reader = read.reader();
  if (!reader.start(Base + item.position, item.compressed))
    return nullptr;
  InputScaleGuard scale;
  GStreamable *object = nullptr;
  reader >> object;
  if (!reader.good()) {
    GStreamable::Destroy(object);
    vyx::ReadCheck(reader);
  }
  item.data_size = storedCount(reader.countOfReadBytes());
  if (keep)
    item.set_object(object);
  return object;
}

char *ResourceFileServer::read_class_name(const GResourceFullName &name) {
  GSingleLock hold(Lock);
  ResourceItem *item = find_item(name);
  GFileIO *file = Stream->getFileIO();
  if (!item || !file || !file->is_opened())
    return nullptr;
  SectionRead read(*this, *file);
  SectionReader &reader = read.reader();
  if (!reader.start(Base + item->position, item->compressed))
    return nullptr;
  try {
    return reader.read_class_name_from_pointer();
  } catch (...) {
    return nullptr;
  }
}

bool ResourceFileServer::exist(const GResourceFullName &name) const {
  GSingleLock hold(Lock);
  return find_item(name) != nullptr;
}

ResourceFileBlock ResourceFileServer::get_resource_block(const GResourceFullName &name) {
  GSingleLock hold(Lock);
  ResourceItem *item = find_item(name);
  if (!item)
    return ResourceFileBlock();
  ResourceFileBlock block = item->block();
  long absolute = Base + block.position;
  block.position = absolute <= MaxContainerEnd ? static_cast<int32_t>(absolute) : -1;
  return block;
}

void ResourceFileServer::set_data_size(const GResourceFullName &name, int32_t dataSize) {
  GSingleLock hold(Lock);
  if (ResourceItem *item = find_item(name)) {
    item->data_size = dataSize < -1 ? -1 : dataSize;
    Modified = true;
  }
}
