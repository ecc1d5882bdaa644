//===- gfile_stream_test.cpp - The stored forms of file names -------------===//

#include "io/file_system.h"
#include "io/gfile.h"

#include "pstream_test_support.h"

#include <gtest/gtest.h>

using namespace pstest;

namespace {

Bytes run(const char *text) {
  Bytes out = NameRecord(text);
  out.insert(out.begin(), 4);
  return out;
}

TEST(GFileStream, PathTokensOfARelativeName) {
  GFile name("../data/./x.bin");
  Bytes expected =
      Concat({Bytes{1, 3}, run("data"), Bytes{1}, run("x"), Bytes{2}, run("bin"), Bytes{0}});
  EXPECT_EQ(Written([&](opstream &os) { os << name; }), expected);
  Reader r(expected);
  GFile back("unchanged");
  *r >> back;
  EXPECT_STREQ(back.c_str(), "..\\data\\x.bin");
  EXPECT_TRUE(r->good());
}

TEST(GFileStream, DrivesRootsAndEmptyNames) {
  GFile drive("C:\\dir\\f");
  EXPECT_EQ(Written([&](opstream &os) { os << drive; }),
            Concat({Bytes{1}, run("C:"), Bytes{1}, run("dir"), Bytes{1}, run("f"), Bytes{0}}));
  for (const char *text : {"", "\\", "C:\\a b\\c.d.e", "\\\\server\\share\\x", "a..b"}) {
    GFile name(text);
    Reader r(Written([&](opstream &os) { os << name << name; }));
    GFile first, second;
    *r >> first >> second;
    EXPECT_STREQ(first.c_str(), text);
    EXPECT_STREQ(second.c_str(), text);
  }
  // The stored form is the same in either byte order.
  EXPECT_EQ(Written([&](opstream &os) { os << drive; }, pstream::BigEndian).size(),
            Written([&](opstream &os) { os << drive; }).size());
}

TEST(GFileStream, DamagedNamesThrowAndLeaveTheNameAlone) {
  for (const Bytes &bytes :
       {Bytes{1, 9, 0}, Bytes{1, 1, 1}, Bytes{1}, Bytes{}, Concat({Bytes{1, 4, 10, 0, 'a'}})}) {
    Reader r(bytes);
    GFile name("kept");
    EXPECT_THROW(*r >> name, GFileReadError_Exception);
    EXPECT_STREQ(name.c_str(), "kept");
  }
}

TEST(FileInfoStream, FieldsInOrderAndTheSizeSaturates) {
  FileInfo info;
  info.type = FileInfo::Folder;
  info.time.tm_sec = 1;
  info.time.tm_min = 2;
  info.time.tm_hour = 3;
  info.time.tm_mday = 4;
  info.time.tm_mon = 5;
  info.time.tm_year = 106;
  info.size = 0x123456789ull;
  info.name = "a";
  Bytes expected = Concat({Bytes{2, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 106, 0, 0, 0, 0, 0, 0, 0},
                           Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1}, run("a"), Bytes{0}});
  EXPECT_EQ(Written([&](opstream &os) { os << info; }), expected);

  info.size = 1234;
  Reader r(Written([&](opstream &os) { os << info; }));
  FileInfo back;
  *r >> back;
  EXPECT_EQ(back.type, FileInfo::Folder);
  EXPECT_EQ(back.time.tm_year, 106);
  EXPECT_EQ(back.time.tm_mon, 5);
  EXPECT_EQ(back.size, 1234u);
  EXPECT_STREQ(back.name.c_str(), "a");

  Reader cut(Bytes{1, 2, 3});
  EXPECT_THROW(*cut >> back, GFileReadError_Exception);
  EXPECT_STREQ(back.name.c_str(), "a");
}

} // namespace
