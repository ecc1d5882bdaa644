//===- text_file.cpp - Whole text files as lines --------------------------===//
//
// Reads any bytes: a text is split at LF only, a CR before an LF is dropped,
// every other byte (NUL and lone CR included) stays in its line. The size
// of what is read is the size of the file, never a stored count.
//
//===----------------------------------------------------------------------===//

#include "config/text_file.h"

#include "io/file_io.h"

#include <algorithm>

namespace vyx {

namespace {

constexpr long ReadChunk = 16384;

} // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    bool ended = end != std::string_view::npos;
    if (!ended)
      end = text.size();
    std::size_t cut = end;
    if (ended && cut > start && text[cut - 1] == '\r')
      --cut;
    lines.emplace_back(text.substr(start, cut - start));
    start = ended ? end + 1 : end;
  }
  return lines;
}

bool LoadTextFile(const char *name, std::string &content) {
  content.clear();
  if (!name || !*name)
    return false;
  GFileIO file;
  if (!file.open(name, GIO::IO_READ, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READ))
    return false;
  for (;;) {
    std::size_t have = content.size();
    content.resize(have + ReadChunk);
    long got = file.gread(content.data() + have, ReadChunk);
    content.resize(have + static_cast<std::size_t>(got > 0 ? got : 0));
    if (got < ReadChunk)
      break;
  }
  return true;
}

bool SaveTextFile(const char *name, std::string_view content) {
  if (!name || !*name)
    return false;
  GFileIO file;
  if (!file.open(name, GIO::IO_WRITE, GFileIO::IO_CREATE_ALWAYS, GFileIO::IO_SHARE_NONE))
    return false;
  std::size_t done = 0;
  while (done < content.size()) {
    long step = static_cast<long>(std::min<std::size_t>(content.size() - done, 1u << 30));
    long put = file.gwrite(content.data() + done, step);
    if (put <= 0)
      return false;
    done += static_cast<std::size_t>(put);
  }
  // A file system may report a write error only when the file is closed.
  file.close();
  return file.getError() == GIO::IO_OK;
}

} // namespace vyx
