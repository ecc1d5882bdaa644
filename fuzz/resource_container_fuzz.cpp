//===- resource_container_fuzz.cpp - Arbitrary files opened as resource containers -===//
//
// Input layout:
//   byte 0   bits 0-1: damage of the end before opening: 0 none, 1 cut the
//            last (byte 1) + 1 bytes, 2 flip the byte (byte 1) + 1 before
//            the end, 3 cut the file in half
//            bit 2: afterwards, also open the file writable and change it
//   byte 1   the damage amount
//   rest     the file
//
// Read-only pass: the server lists every directory, type and item, fetches
// every object, reads its class name and extracts its stored and decoded
// bytes. The file must stay exactly as it was; a file that is no container
// is refused untouched. Writable pass: an object is put, an item renamed,
// one removed, a directory moved, the container packed and closed; opened
// again, it must hold the object put. Only the library's exceptions may be
// thrown (by reads of damaged objects); sanitizers catch the rest.
//
//===----------------------------------------------------------------------===//

#include "containers/sorted_collection.h"
#include "object_model/exceptions.h"
#include "pstreams/memory_pstream.h"
#include "resources/resource_file_server.h"
#include "resources/resource_iterator.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int MaxItems = 256;

const std::string &scratchFile() {
  static const std::string file = [] {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_resfuzz_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      std::abort();
    return std::string(buffer.data()) + "/input.res";
  }();
  return file;
}

void writeFile(const Bytes &bytes) {
  FILE *f = std::fopen(scratchFile().c_str(), "wb");
  if (!f)
    std::abort();
  if (!bytes.empty())
    std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes readFile() {
  Bytes bytes;
  FILE *f = std::fopen(scratchFile().c_str(), "rb");
  if (!f)
    std::abort();
  int c;
  while ((c = std::fgetc(f)) != EOF)
    bytes.push_back(uint8_t(c));
  std::fclose(f);
  return bytes;
}

/// Everything a reader can do with one item.
void visitItem(ResourceFileServer &server, const GResourceFullName &name, GResourceIterator &it) {
  FUZZ_CHECK(server.exist(name));
  server.get_resource_block(name);
  delete[] server.read_class_name(name);
  try {
    GStreamable::Destroy(server.get(name, false));
    it.get(true); // cached by the item, destroyed with it
  } catch (const GException &) {
  }
  ompstream raw, decoded;
  server.extract_to(raw, name, false);
  server.extract_to(decoded, name, true);
}

/// Walks the tree below `path`; returns the first item name met.
void walk(ResourceFileServer &server, const GResourcePath &path, int &budget,
          GResourceFullName &firstItem, GResourcePath &firstDirectory) {
  for (GResourceTypeIterator type(&server, path); type && budget > 0; ++type) {
    for (GResourceIterator item(&server, path, type.name()); item && budget > 0; ++item) {
      --budget;
      GResourceFullName name(path, item.name(), type.name());
      if (firstItem.is_empty())
        firstItem = name;
      visitItem(server, name, item);
    }
  }
  for (GResourceSubDirectoryIterator sub(&server, path); sub && budget > 0; ++sub) {
    --budget;
    GResourcePath below(path);
    below += sub.name();
    if (firstDirectory.is_empty())
      firstDirectory = below;
    walk(server, below, budget, firstItem, firstDirectory);
  }
}

void writablePass() {
  GResourceFullName first;
  GResourcePath firstDirectory;
  GResourceFullName mine(GResourcePath(GString("fuzz")), "Mine", "GStringCollection");
  {
    vyx::ResourceServerPtr server =
        vyx::OpenResourceServer(scratchFile().c_str(), GIO::IO_READWRITE);
    if (!server)
      return;
    int budget = MaxItems;
    walk(*server, GResourcePath(), budget, first, firstDirectory);
    GStringCollection strings;
    strings.insert(new char[5]{'f', 'u', 'z', 'z', 0});
    server->put(&strings, mine, false);
    if (server->error())
      return; // the file could not take it (a container near 2^31 bytes)
    if (!first.is_empty()) {
      server->rename(first, GResourceFullName(first.get_path(), "Renamed", first.get_type()));
      server->remove(GResourceFullName(first.get_path(), "Renamed", first.get_type()));
    }
    if (!firstDirectory.is_empty())
      server->rename_directory(firstDirectory, GResourcePath(GString("moved")));
    server->create_directory(GResourcePath(GString("new")));
    server->pack();
  }
  vyx::ResourceServerPtr again = vyx::OpenResourceServer(scratchFile().c_str(), GIO::IO_READ);
  FUZZ_CHECK(again);
  GStreamable *read = again->get(mine, false);
  auto *strings = vyx::rtti_cast<GStringCollection>(read);
  FUZZ_CHECK(strings && strings->getCount() == 1 && std::strcmp(strings->at(0), "fuzz") == 0);
  GStreamable::Destroy(read);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  Bytes file(data + 2, data + size);
  size_t amount = size_t(data[1]) + 1;
  switch (data[0] & 3) {
  case 1:
    file.resize(file.size() > amount ? file.size() - amount : 0);
    break;
  case 2:
    if (file.size() >= amount)
      file[file.size() - amount] ^= 0xA5;
    break;
  case 3:
    file.resize(file.size() / 2);
    break;
  default:
    break;
  }
  writeFile(file);
  {
    vyx::ResourceServerPtr server = vyx::OpenResourceServer(scratchFile().c_str(), GIO::IO_READ);
    if (server) {
      GResourceFullName first;
      GResourcePath firstDirectory;
      int budget = MaxItems;
      walk(*server, GResourcePath(), budget, first, firstDirectory);
    }
  }
  FUZZ_CHECK(readFile() == file);
  if (data[0] & 4)
    writablePass();
  return 0;
}
