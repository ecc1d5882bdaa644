//===- redirection_fuzz.cpp - Arbitrary text as a redirection file --------===//
//
// Input: byte 0 chooses the priority of a second load; the rest is the text
// of a redirection file, loaded once without and once with that priority.
// Variables must expand within their bounds, every item must keep the rules
// of its folders (never empty, no trailing separator), and the written form
// must read back without a crash. Names are looked up without touching the
// file system beyond existence checks of the folders the text names.
//
//===----------------------------------------------------------------------===//

#include "resources/redirection.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class Redirection : public RedirectionFile {
public:
  GString written() const { return INI_File_string(); }
};

constexpr std::size_t MaxFolderLength = 1 << 20;

void checkItems(const RedirectionFile &file) {
  for (long i = 0; i < file.getCount(); ++i) {
    const RedirectionItem &item = file.at(i);
    for (long d = 0; d < item.getCount(); ++d) {
      const GString &folder = item.at(d);
      if (folder.isEmpty() || folder.length() > MaxFolderLength)
        __builtin_trap();
      char last = folder.c_str()[folder.length() - 1];
      if (last == '\\' || last == '/')
        __builtin_trap();
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  unsigned char priority = data[0] & 1;
  std::string text(reinterpret_cast<const char *>(data + 1), size - 1);

  Redirection file;
  file.load_from_string(text.c_str(), 0);
  file.load_from_string(text.c_str(), priority);
  checkItems(file);

  Redirection back;
  back.load_from_string(file.written().c_str(), 0);
  checkItems(back);

  // A bare name that no folder holds: matching and building names only.
  if (file.getCount() > 0)
    file.get_name(file.at(0).get_mask().c_str(), 0);
  file.get_name("x\\y.tex", 1);
  return 0;
}
