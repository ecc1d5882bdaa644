//===- gfile_stream.cpp - The pstream forms of file names -----------------===//
//
// A file name is stored as path tokens, so that the stored form does not
// depend on the separator:
//
//   name  := byte 1, item*, byte 0
//   item  := 1 ("\") | 2 (".") | 3 ("..\") | 4 run
//   run   := a GString record (word n and n bytes, or the long form)
//
// A FileInfo is its type byte, the nine time fields as words, the size as a
// dword (saturated at 0xFFFFFFFF) and its name.
//
// The reader skips the leading byte and trusts no token: an unknown token,
// or data that ends before the end token, throws GFileReadError_Exception
// and leaves the name as it was.
//
//===----------------------------------------------------------------------===//

#include "io/file_system.h"
#include "io/gfile.h"
#include "pstreams/pstream.h"
#include "pstreams/pstream_check.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr unsigned char NameLead = 1;
constexpr uint64_t MaxStoredSize = 0xFFFFFFFFu;

/// The tokens of a name as the pstream delivers them.
class StreamTokens : public vyx::PathTokenSource {
public:
  explicit StreamTokens(ipstream &is) : Stream(is) {}
  int readToken() override {
    unsigned char token = Stream.readByte();
    return Stream.good() ? token : -1;
  }
  GString readRun() override {
    GString run;
    Stream >> run;
    return run;
  }

private:
  ipstream &Stream;
};

/// The tm fields in their stored order.
int tm::*const TimeFields[] = {&tm::tm_sec,  &tm::tm_min,  &tm::tm_hour, &tm::tm_mday, &tm::tm_mon,
                               &tm::tm_year, &tm::tm_wday, &tm::tm_yday, &tm::tm_isdst};

} // namespace

opstream &operator<<(opstream &os, const GFile &file) {
  os.writeByte(NameLead);
  for (const vyx::PathTokenItem &item : vyx::EncodePathTokens(file.c_str())) {
    os.writeByte(item.Token);
    if (item.Token == vyx::PathRun)
      os << item.Run;
  }
  return os;
}

ipstream &operator>>(ipstream &is, GFile &file) {
  is.readByte();
  PSTREAM_CHECK(is.good(), GFileReadError_Exception());
  StreamTokens tokens(is);
  file = vyx::DecodePathTokens(tokens);
  return is;
}

opstream &operator<<(opstream &os, const FileInfo &info) {
  os.writeByte(info.type);
  for (int tm::*field : TimeFields)
    os.writeWord(static_cast<unsigned short>(info.time.*field));
  os.writeDWord(static_cast<unsigned long>(std::min(info.size, MaxStoredSize)));
  return os << info.name;
}

ipstream &operator>>(ipstream &is, FileInfo &info) {
  FileInfo read;
  read.type = is.readByte();
  for (int tm::*field : TimeFields)
    read.time.*field = is.readWord();
  read.size = is.readDWord();
  is >> read.name;
  info = read;
  return is;
}
