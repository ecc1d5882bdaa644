//===- io_test_support.h - Scratch folders and scripted devices -*- C++ -*-===//
#ifndef VYX_TESTS_IO_TEST_SUPPORT_H
#define VYX_TESTS_IO_TEST_SUPPORT_H

#include "io/gio.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vyx_test {

/// A folder of its own under $TMPDIR (or /tmp), removed with everything in
/// it when the object goes.
class ScratchDir {
public:
  ScratchDir() {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_io_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      ADD_FAILURE() << "mkdtemp failed";
    Path = buffer.data();
  }
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }

  const std::string &path() const { return Path; }
  /// Native path of an entry inside the folder.
  std::string file(const std::string &name) const { return Path + "/" + name; }
  /// The same in the library's syntax (backslashes).
  std::string libraryFile(const std::string &name) const {
    std::string text = file(name);
    for (char &c : text)
      if (c == '/')
        c = '\\';
    return text;
  }

  void write(const std::string &name, const std::string &content) const {
    std::ofstream out(file(name), std::ios::binary);
    out << content;
  }
  std::string read(const std::string &name) const {
    std::ifstream in(file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::string Path;
};

/// A device that keeps what it is given and can be told to take only part
/// of a write, or to fail. Reads serve `Data` from the position.
class ScriptedDevice : public GIO {
public:
  explicit ScriptedDevice(IOOpenMode mode = IO_READWRITE) { store_open_mode(mode); }

  long gseek(long offset, IOSeekDirection dir) override {
    long base = dir == IO_BEGIN ? 0 : dir == IO_CURRENT ? Position : long(Data.size());
    long target = base + offset;
    if (target < 0 || target > long(Data.size()))
      return -1;
    ++Seeks;
    return Position = target;
  }
  long gwrite(const void *data, long n) override {
    ++Writes;
    if (FailWrites)
      return -1;
    if (AcceptLimit >= 0 && n > AcceptLimit)
      n = AcceptLimit;
    const auto *p = static_cast<const unsigned char *>(data);
    for (long i = 0; i < n; ++i) {
      if (Position < long(Data.size()))
        Data[Position] = p[i];
      else
        Data.push_back(p[i]);
      ++Position;
    }
    return n;
  }
  long gread(void *data, long n) override {
    ++Reads;
    long available = long(Data.size()) - Position;
    if (n > available)
      n = available;
    auto *p = static_cast<unsigned char *>(data);
    for (long i = 0; i < n; ++i)
      p[i] = Data[Position++];
    return n;
  }

  std::vector<unsigned char> Data;
  long Position = 0;
  long AcceptLimit = -1; ///< -1: take everything
  bool FailWrites = false;
  int Writes = 0, Reads = 0, Seeks = 0;
};

} // namespace vyx_test

#endif // VYX_TESTS_IO_TEST_SUPPORT_H
