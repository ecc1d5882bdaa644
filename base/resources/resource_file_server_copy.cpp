//===- resource_file_server_copy.cpp - Raw copies and packing -------------===//
//
// copy_from stores bytes of another stream as an item's section, extract_to
// copies an item's stored or decoded bytes out, and pack moves the item
// sections into the dead space before them (best fit), then writes the
// directory and cuts the file.
//
// Packing trusts the directory as little as the readers do: the space an
// item may be moved into is bounded by the ends of all items before it (not
// only the one just before, as entries of a damaged directory may overlap)
// and by the directory section on disk, which is never written over. Nothing
// moves unless the directory on disk is the one in memory, so an
// interrupted pack leaves a file that opens with every item.
//
//===----------------------------------------------------------------------===//

#include "resources/resource_container_impl.h"
#include "resources/resource_file_server.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

using namespace vyx::detail;
using vyx::ResourceChange;

// Raw copies --------------------------------------------------------------------------

void ResourceFileServer::copy_from(const GResourceFullName &name, ipstream &in, long length,
                                   unsigned int flags) {
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    bool created = false;
    ResourceItem *item = find_or_create_item(name, created);
    if (!item)
      return;
    const ResourceFileBlock saved = item->block();
    long from = in.tellg();
    if (length < 0 && from >= 0) {
      long inputLength = in.seekg(0, GIO::IO_END);
      in.seekg(from);
      length = inputLength - from;
    }
    Stream->clear();
    if (from < 0 || length < 0 || Stream->seekp(Base + DataEnd) != Base + DataEnd) {
      undo_item(name, created, saved);
      return;
    }
    // Reading this server's own stream while writing it: both sides move
    // one file, so the bytes are read completely first, through a reader
    // of their own.
    std::vector<unsigned char> own;
    bool fromOwn = &in == static_cast<ipstream *>(Stream.get());
    if (fromOwn) {
      long fileLength = file_length();
      bool read = false;
      if (GFileIO *file = Stream->getFileIO()) {
        SectionRead section(*this, *file);
        SectionReader &reader = section.reader();
        read = from <= fileLength && fileLength - from >= length && reader.start(from, false) &&
               ReadAll(reader, length, own);
      }
      Stream->clear();
      if (!read || Stream->seekp(Base + DataEnd) != Base + DataEnd) {
        undo_item(name, created, saved);
        return;
      }
    }
    if (!append_section(name, *item, created, (flags & 2) != 0, [&] {
          if (!fromOwn)
            return CopyBytes(in, *Stream, length);
          return Stream->writeBytes(own.data(), long(own.size())) == long(own.size());
        }))
      return;
    item->compressed = flags != 0;
    notices.add(ResourceChange::ItemCopied, name);
  }
  notices.deliver();
}

bool ResourceFileServer::extract_to(opstream &out, const GResourceFullName &name, bool decompress) {
  GSingleLock hold(Lock);
  ResourceItem *item = find_item(name);
  GFileIO *file = Stream->getFileIO();
  if (!item || !file || !file->is_opened())
    return false;
  Stream->clear();
  bool decode = decompress && item->compressed;
  long length = decompress ? item->data_size : item->size;
  if (length < 0)
    return false; // decoded length unknown
  // Into this server's own stream, the bytes are read completely before
  // they are written: both sides move one file.
  bool own = &out == static_cast<opstream *>(Stream.get());
  std::vector<unsigned char> bytes;
  {
    SectionRead section(*this, *file);
    SectionReader &reader = section.reader();
    if (!reader.start(Base + item->position, decode))
      return false;
    if (!own)
      return CopyBytes(reader, out, length) && out.good();
    if (!ReadAll(reader, length, bytes))
      return false;
  }
  return out.writeBytes(bytes.data(), long(bytes.size())) == long(bytes.size()) && out.good();
}

// Packing -----------------------------------------------------------------------------

namespace {

/// Gathers the items of the tree below `directory` (types last to first,
/// then subdirectories last to first); types without items are removed.
void gatherItems(GResourceDirectory &directory, std::vector<ResourceItem *> &items,
                 std::vector<GResourceFullName> &removedTypes) {
  for (long t = directory.getCount() - 1; t >= 0; --t) {
    ResourceTypeItem *type = directory.at(t);
    ResourceCollection *collection = type->get_items();
    if (!collection || collection->getCount() == 0) {
      GResourcePath path;
      directory.build_path(path);
      removedTypes.emplace_back(path, GString(), type->get_name());
      directory.at_free(t);
      continue;
    }
    for (long i = collection->getCount() - 1; i >= 0; --i)
      items.push_back(collection->at(i));
  }
  if (GResourceDirectoryList *list = directory.get_subdirectories(false))
    for (long d = list->getCount() - 1; d >= 0; --d)
      gatherItems(*list->at(d), items, removedTypes);
}

} // namespace

namespace {

/// Moves one section within the file, chunk by chunk, setting the read and
/// write positions again for every chunk (both go through one stream).
/// Returns false on a stream error or short data.
bool moveSection(zpstream &stream, long from, long to, long size) {
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(size, CopyBufferSize)));
  for (long done = 0; done < size;) {
    long n = std::min(size - done, CopyBufferSize);
    if (stream.seekg(from + done) != from + done || stream.readBytes(buffer.data(), n) != n)
      return false;
    if (stream.seekp(to + done) != to + done || stream.writeBytes(buffer.data(), n) != n)
      return false;
    done += n;
  }
  return stream.good();
}

} // namespace

/// Moves the items (sorted by position) into the gaps before them, best fit
/// first; returns the end of the last item, or -1 when a move failed.
long ResourceFileServer::move_items(std::vector<ResourceItem *> &items, long root) {
  // Candidates for a gap: every item not yet placed, by (size, rank in
  // position order). The best fit is the largest size that fits, and among
  // equal sizes the first.
  std::set<std::pair<long, std::size_t>> candidates;
  for (std::size_t i = 0; i < items.size(); ++i)
    candidates.emplace(items[i]->size, i);
  std::vector<bool> placed(items.size(), false);
  long placedEnd = HeaderSize; // the end of everything placed so far
  for (std::size_t next = 0; next < items.size();) {
    if (placed[next]) {
      ++next;
      continue;
    }
    // The gap ends at the next item, and never reaches into the directory
    // section on disk.
    long gapStart = placedEnd;
    long gap = std::min<long>(items[next]->position, root) - gapStart;
    std::size_t chosen = next;
    bool fits = false;
    if (gap > 0) {
      auto fit = candidates.upper_bound({gap, SIZE_MAX});
      if (fit != candidates.begin()) {
        chosen = candidates.lower_bound({std::prev(fit)->first, 0})->second;
        fits = true;
      }
    }
    ResourceItem *item = items[chosen];
    if (fits) {
      if (!moveSection(*Stream, Base + item->position, Base + gapStart, item->size))
        return -1;
      item->position = static_cast<int32_t>(gapStart);
      Modified = true;
    }
    candidates.erase({item->size, chosen});
    placed[chosen] = true;
    placedEnd = std::max<long>(placedEnd, long(item->position) + item->size);
  }
  return placedEnd;
}

void ResourceFileServer::pack() {
  Notices notices(*this);
  {
    GSingleLock hold(Lock);
    std::vector<ResourceItem *> items;
    std::vector<GResourceFullName> removedTypes;
    gatherItems(*Root, items, removedTypes);
    if (!removedTypes.empty())
      Modified = true;
    for (const GResourceFullName &type : removedTypes)
      notices.add(ResourceChange::TypeRemoved, type);
    flush();
    // Nothing moves while the directory on disk may still name the places
    // that moving would overwrite.
    long root = -1, end = -1;
    if (!Modified && Stream->good())
      find_root_directory_position(root, end);
    if (root >= 0) {
      if (items.empty()) {
        DataEnd = HeaderSize;
        Modified = true;
      } else {
        std::stable_sort(
            items.begin(), items.end(),
            [](const ResourceItem *a, const ResourceItem *b) { return a->position < b->position; });
        long itemsEnd = move_items(items, root);
        // The new directory goes right after the items when the space up
        // to the current directory section holds it with room to spare.
        if (itemsEnd >= 0 && root - itemsEnd >= (end - root) + TrailerSize) {
          DataEnd = itemsEnd;
          Modified = true;
        }
      }
      flush();
      if (Stream->good())
        Stream->change_size(Base + DataEnd);
    }
  }
  notices.deliver();
}
