//===- resource_test_support.cpp - Helpers of the resource tests ----------===//

#include "resource_test_support.h"

#include <fstream>
#include <iterator>

namespace restest {

namespace {
HINSTANCE TestModule = nullptr;
NoticeLog *CurrentLog = nullptr;
} // namespace

VYX_IMPLEMENT_CLASS(Blob, "ResTestBlob", &TestModule, GStreamable)

int Blob::Live = 0;

void Blob::read(ipstream &is) {
  is >> Value >> Text;
  vyx::ReadCheck(is);
}

void Blob::write(opstream &os) { os << Value << Text; }

Bytes Written(const std::function<void(opstream &)> &write) {
  ompstream os;
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Word(unsigned v) {
  return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
}

Bytes DWord(uint32_t v) {
  return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
}

Bytes Str(const std::string &s) {
  return Concat({Word(unsigned(s.size())), Bytes(s.begin(), s.end())});
}

Bytes ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

int32_t BlobValue(ResourceFileServer &server, const GResourceFullName &name) {
  GStreamable *object = server.get(name, false);
  auto *blob = vyx::rtti_cast<Blob>(object);
  int32_t value = blob ? blob->Value : -1;
  GStreamable::Destroy(object);
  return value;
}

GResourceFullName Name(const char *text) {
  GResourceFullName name;
  name.parse_readable_form(text);
  return name;
}

GResourcePath Path(const char *text) {
  GResourcePath path;
  path.parse_readable_form(text);
  return path;
}

void PutBlob(ResourceFileServer &server, const char *name, int32_t value, const char *text) {
  Blob blob(value, text);
  server.put(&blob, Name(name), false);
}

NoticeLog::NoticeLog() {
  CurrentLog = this;
  Previous = vyx::SetResourceNoticeListener(
      [](const vyx::ResourceNotice &notice) { CurrentLog->Notices.push_back(notice); });
}

NoticeLog::~NoticeLog() {
  vyx::SetResourceNoticeListener(Previous);
  CurrentLog = nullptr;
}

std::vector<vyx::ResourceChange> NoticeLog::changes() const {
  std::vector<vyx::ResourceChange> out;
  for (const auto &notice : Notices)
    out.push_back(notice.Change);
  return out;
}

} // namespace restest
