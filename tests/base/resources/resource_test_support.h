//===- resource_test_support.h - Helpers of the resource tests --*- C++ -*-===//
#ifndef VYX_TESTS_RESOURCE_TEST_SUPPORT_H
#define VYX_TESTS_RESOURCE_TEST_SUPPORT_H

#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"
#include "resources/resource_file_server.h"
#include "resources/resource_notice.h"

#include "base/io/io_test_support.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace restest {

using Bytes = std::vector<unsigned char>;

/// A small stored object: a number and a text. Counts its live instances.
class Blob : public GStreamable {
  VYX_DECLARE_CLASS(Blob);
  Blob() { ++Live; }
  Blob(int32_t value, const char *text) : Value(value), Text(text) { ++Live; }
  ~Blob() override { --Live; }
  void read(ipstream &is) override;
  void write(opstream &os) override;

  int32_t Value = 0;
  GString Text;
  static int Live;
};

/// The bytes an ompstream gets from `write`.
Bytes Written(const std::function<void(opstream &)> &write);
Bytes Concat(std::initializer_list<Bytes> parts);
/// A word, a dword (little-endian) and a narrow string record.
Bytes Word(unsigned v);
Bytes DWord(uint32_t v);
Bytes Str(const std::string &s);

Bytes ReadFile(const std::string &path);
void WriteFile(const std::string &path, const Bytes &bytes);

/// The value of Blob `name` of type "Blob" in the root, or -1 when absent.
int32_t BlobValue(ResourceFileServer &server, const GResourceFullName &name);
GResourceFullName Name(const char *text);
/// The path of a text form such as "a\\b".
GResourcePath Path(const char *text);
/// Puts a Blob (not kept) under `name`.
void PutBlob(ResourceFileServer &server, const char *name, int32_t value, const char *text = "");

/// Records the notices delivered while it lives.
class NoticeLog {
public:
  NoticeLog();
  ~NoticeLog();
  std::vector<vyx::ResourceNotice> Notices;
  /// The changes only, in order.
  std::vector<vyx::ResourceChange> changes() const;

private:
  vyx::ResourceNoticeListener Previous;
};

/// A scratch folder with one container file name in it.
struct ContainerFile {
  vyx_test::ScratchDir Dir;
  std::string Path = Dir.file("test.res");
  vyx::ResourceServerPtr open(GIO::IOOpenMode mode = GIO::IO_READWRITE) const {
    return vyx::OpenResourceServer(Path.c_str(), mode);
  }
  Bytes bytes() const { return ReadFile(Path); }
};

} // namespace restest

#endif // VYX_TESTS_RESOURCE_TEST_SUPPORT_H
