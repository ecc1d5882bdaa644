//===- resource_file_fuzz.cpp - Resource file handles read from arbitrary bytes -===//
//
// The input is the stream form of a ResourceFile handle (version, attached
// flag, I/O mode, file name, current name), read with ResourceFile::read.
// The handle opens the file it names: the target's handle keeps only the
// bare name of it (the last component, with ':' made '_') inside a scratch
// folder of its own, which holds one container, "c.res". Files the reads
// create there are removed after each input.
//
// Properties: only the library's exceptions are thrown; a handle that
// attached writes a stream form that reads back into a handle on the same
// server with the same current name; the container stays readable.
//
//===----------------------------------------------------------------------===//

#include "containers/sorted_collection.h"
#include "object_model/exceptions.h"
#include "pstreams/memory_pstream.h"
#include "resources/resource_file.h"
#include "resources/resource_file_server.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char *const ContainerName = "c.res";

const std::filesystem::path &scratchFolder() {
  static const std::filesystem::path folder = [] {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_resfile_fuzz_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      std::abort();
    return std::filesystem::path(buffer.data());
  }();
  return folder;
}

/// A handle that opens only files of the scratch folder.
class SandboxedFile : public ResourceFile {
public:
  void open(const char *name, GIO::IOOpenMode mode) override {
    std::string text = name ? name : "";
    std::size_t last = text.find_last_of("\\/");
    std::string bare = last == std::string::npos ? text : text.substr(last + 1);
    for (char &c : bare)
      if (c == ':')
        c = '_';
    ResourceFile::open((scratchFolder() / bare).c_str(), mode);
  }
};

const GResourceFullName &storedItem() {
  static const GResourceFullName name(GResourcePath(GString("a")), "Rock", "Image");
  return name;
}

/// Removes what the last input created, keeping the container.
void tidy(const std::filesystem::path &folder) {
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().filename() != ContainerName)
      std::filesystem::remove_all(entry.path(), ec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::filesystem::path &folder = scratchFolder();
  const std::string container = (folder / ContainerName).string();
  static const bool made = [&] {
    // One container with an item and a directory for names to find.
    ResourceFile file(container.c_str(), GIO::IO_READWRITE);
    GStringCollection strings;
    file.put(&strings, storedItem(), false);
    return file.is_opened();
  }();
  FUZZ_CHECK(made);
  {
    SandboxedFile file;
    try {
      impstream is(const_cast<uint8_t *>(data), long(size));
      file.read(is);
    } catch (const GException &) {
    }
    if (file.is_opened()) {
      ompstream os;
      file.write(os);
      SandboxedFile again;
      impstream is(os.data(), os.size());
      again.read(is);
      FUZZ_CHECK(again.get_file() == file.get_file());
      FUZZ_CHECK(again.get_current_directory() == file.get_current_directory());
      FUZZ_CHECK(again.get_current_type() == file.get_current_type());
      FUZZ_CHECK(again.get_current_name() == file.get_current_name());
    }
  }
  tidy(folder);
  ResourceFile check(container.c_str(), GIO::IO_READ);
  FUZZ_CHECK(check.exist(storedItem()));
  return 0;
}
