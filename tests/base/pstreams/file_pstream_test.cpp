//===- file_pstream_test.cpp - Pstreams on disk files ---------------------===//

#include "pstreams/file_pstream.h"

#include "io/file_system.h"
#include "platform/file_handle.h"
#include "resources/redirection.h"

#include "base/io/io_test_support.h"
#include "pstream_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace pstest;
using vyx_test::ScratchDir;

namespace {

std::string bytesOf(const Bytes &b) { return std::string(b.begin(), b.end()); }

class FilePStream : public ::testing::Test {
protected:
  void SetUp() override { LiveObjects = 0; }
  void TearDown() override { EXPECT_EQ(LiveObjects, 0); }

  std::string name(const char *file) { return dir.libraryFile(file); }

  ScratchDir dir;
};

TEST_F(FilePStream, TheFileHoldsExactlyThePStreamBytes) {
  Node a(1), b(2);
  a.Next = &b;
  b.Next = &a;
  Node *root = &a;
  std::string expected = bytesOf(Written([&](opstream &os) { os << root << 7L; }));
  {
    ofpstream out(name("graph.bin").c_str());
    ASSERT_TRUE(out.is_open());
    EXPECT_EQ(out.io_mode(), GIO::IO_WRITE);
    out << root << 7L;
    out.close();
    EXPECT_TRUE(out.good());
    EXPECT_FALSE(out.is_open());
  }
  EXPECT_EQ(dir.read("graph.bin"), expected);

  ifpstream in(name("graph.bin").c_str());
  ASSERT_TRUE(in.is_open());
  EXPECT_EQ(in.io_mode(), GIO::IO_READ);
  Node *back = nullptr;
  long seven = 0;
  in >> back >> seven;
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(seven, 7);
  EXPECT_EQ(back->Next->Next, back);
  EXPECT_EQ(back->Next->Value, 2);
  in.readByte();
  EXPECT_TRUE(in.eof());
  delete back->Next;
  delete back;
}

TEST_F(FilePStream, IosModesMapToDeviceModes) {
  dir.write("old.bin", "0123456789");
  // No truncation: the file is written over in place.
  {
    ofpstream out(name("old.bin").c_str(), 0);
    out.writeBytes("ab", 2);
  }
  EXPECT_EQ(dir.read("old.bin"), "ab23456789");
  {
    ofpstream out(name("old.bin").c_str(), fpbase::trunc);
    out.writeByte('z');
  }
  EXPECT_EQ(dir.read("old.bin"), "z");
  // No replace: an existing file is refused, a new one created.
  ofpstream refused(name("old.bin").c_str(), fpbase::noreplace);
  EXPECT_EQ(refused.rdstate(), pstream::badbit);
  EXPECT_FALSE(refused.is_open());
  ofpstream fresh(name("fresh.bin").c_str(), fpbase::noreplace | fpbase::trunc);
  EXPECT_TRUE(fresh.is_open());
  // No create: only existing files.
  ofpstream existing(name("absent.bin").c_str(), fpbase::nocreate);
  EXPECT_TRUE(existing.bad());
  EXPECT_FALSE(std::filesystem::exists(dir.file("absent.bin")));
  fpstream both(name("old.bin").c_str(), fpbase::in | fpbase::out | fpbase::nocreate);
  EXPECT_EQ(both.io_mode(), GIO::IO_READWRITE);
  fpstream readOnly(name("old.bin").c_str(), fpbase::nocreate);
  EXPECT_EQ(readOnly.io_mode(), GIO::IO_READ);
}

TEST_F(FilePStream, NoCreateWithNoReplaceOpensNothingAndKeepsTheState) {
  ofpstream out;
  out.open(name("x.bin").c_str(), fpbase::nocreate | fpbase::noreplace);
  EXPECT_FALSE(out.is_open());
  EXPECT_TRUE(out.good());
  out.open(name("x.bin").c_str(), fpbase::trunc);
  EXPECT_TRUE(out.is_open());
  out.open(name("y.bin").c_str(), fpbase::nocreate | fpbase::noreplace);
  EXPECT_TRUE(out.is_open());
  EXPECT_TRUE(out.good());
}

TEST_F(FilePStream, AMissingFileFailsWithBit4) {
  ifpstream in(name("missing.bin").c_str());
  EXPECT_EQ(in.rdstate(), pstream::badbit);
  EXPECT_FALSE(in.is_open());
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing.bin")));

  ifpstream thrower;
  thrower.generate_exception_on(pstream::badbit);
  try {
    thrower.open(name("missing.bin").c_str());
    FAIL() << "no exception";
  } catch (const NonZeroPStreamState_Exception &e) {
    EXPECT_EQ(e.getState(), pstream::badbit);
  }
}

TEST_F(FilePStream, OpeningAnOpenStreamSetsBit2AndKeepsTheFile) {
  ofpstream out(name("a.bin").c_str());
  out.writeByte('a');
  out.open(name("b.bin").c_str(), fpbase::trunc);
  EXPECT_EQ(out.rdstate(), pstream::failbit);
  EXPECT_TRUE(out.is_open());
  out.close();
  EXPECT_EQ(dir.read("a.bin"), "a");
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.bin")));
}

TEST_F(FilePStream, CloseWithoutFileSetsBit4) {
  ifpstream in;
  EXPECT_FALSE(in.is_open());
  EXPECT_EQ(in.io_mode(), 0);
  in.close();
  EXPECT_EQ(in.rdstate(), pstream::badbit);
}

TEST_F(FilePStream, AFailedFinalFlushStaysVisibleAfterClose) {
  // /dev/full opens but takes no byte.
  ofpstream out("/dev/full", fpbase::trunc);
  ASSERT_TRUE(out.is_open());
  out.writeBytes("abc", 3); // stays in the buffer
  EXPECT_TRUE(out.good());
  out.close();
  EXPECT_EQ(out.rdstate(), pstream::failbit | pstream::badbit);
  EXPECT_FALSE(out.is_open());
  // Nothing of the lost bytes reaches the next file.
  out.open(name("next.bin").c_str(), fpbase::trunc);
  EXPECT_TRUE(out.good());
  out.writeByte('n');
  out.close();
  EXPECT_TRUE(out.good());
  EXPECT_EQ(dir.read("next.bin"), "n");

  ofpstream masked("/dev/full", fpbase::trunc);
  masked.writeByte(1);
  masked.generate_exception_on(pstream::badbit);
  EXPECT_THROW(masked.close(), NonZeroPStreamState_Exception);
  EXPECT_FALSE(masked.is_open());
}

TEST_F(FilePStream, AWriteFailureWhileOpenSurvivesClose) {
  ofpstream out("/dev/full", fpbase::trunc);
  std::string block(10000, 'x');
  out.writeBytes(block.data(), long(block.size())); // the buffer overflows onto the device
  EXPECT_TRUE(out.bad());
  out.close();
  EXPECT_TRUE(out.bad()) << "a file that lacks data is not reported sound";
}

TEST_F(FilePStream, AFailingCloseIsAWriteFailure) {
  // All bytes reach the file; the file system reports the failure of a
  // deferred write only when the file is closed.
  ofpstream out(name("deferred.bin").c_str(), fpbase::trunc);
  out.writeBytes("abc", 3);
  out.flush();
  EXPECT_TRUE(out.good());
  auto *file = static_cast<GFileIO *>(out.rdbuf()->getIO());
  vyx::FailNextClosesForTesting(1);
  out.close();
  EXPECT_EQ(out.rdstate(), pstream::failbit | pstream::badbit);
  EXPECT_EQ(file->getError(), GIO::IO_WRITE_FAILED);
  EXPECT_FALSE(out.is_open());
  // The next file starts sound.
  out.open(name("deferred.bin").c_str(), fpbase::trunc);
  EXPECT_EQ(out.rdbuf()->getIO()->getError(), GIO::IO_OK);
  out.close();
  EXPECT_TRUE(out.good());

  ofpstream masked(name("masked.bin").c_str(), fpbase::trunc);
  masked.generate_exception_on(pstream::badbit);
  vyx::FailNextClosesForTesting(1);
  EXPECT_THROW(masked.close(), NonZeroPStreamState_Exception);
  EXPECT_FALSE(masked.is_open());
}

TEST_F(FilePStream, ANewFileStartsANewObjectNumbering) {
  Node shared(3);
  Node *p = &shared;
  ofpstream out(name("one.bin").c_str());
  out << p;
  out.close();
  out.open(name("two.bin").c_str());
  out << p;
  out.close();
  EXPECT_EQ(dir.read("one.bin"), dir.read("two.bin"));

  ifpstream in(name("one.bin").c_str());
  Node *first = nullptr, *second = nullptr;
  in >> first;
  in.close();
  in.open(name("one.bin").c_str());
  in >> second;
  EXPECT_NE(first, second);
  delete first;
  delete second;
}

TEST_F(FilePStream, ReadWriteStreamAndChangeSize) {
  fpstream io(name("rw.bin").c_str(), fpbase::in | fpbase::out | fpbase::trunc);
  io << 0x01020304L << 2.5;
  EXPECT_EQ(io.tellp(), 12);
  EXPECT_TRUE(io.change_size(4));
  io.seekg(0);
  long v = 0;
  io >> v;
  EXPECT_EQ(v, 0x01020304L);
  double d = 0;
  io >> d;
  EXPECT_TRUE(io.eof());
  io.close();
  EXPECT_EQ(dir.read("rw.bin").size(), 4u);
}

TEST_F(FilePStream, ExistingFilesAreOpenedThroughTheRedirection) {
  std::filesystem::create_directories(dir.file("data"));
  dir.write("data/bare_vyx_fp.bin", "R");
  auto *redirection = new RedirectionFile;
  redirection->load_from_string(("*.bin = " + dir.libraryFile("data")).c_str(), 0);
  fpbase::SetRedirectionFile(redirection);
  GFile saved = FileSystem::GetCurrentDirectoryA();
  ASSERT_TRUE(FileSystem::SetCurrentDirectoryA(GFile(dir.libraryFile("").c_str())));

  ifpstream in("bare_vyx_fp.bin");
  EXPECT_TRUE(in.is_open());
  EXPECT_EQ(in.readByte(), 'R');
  // Creating a file does not redirect its name.
  {
    ofpstream out("bare_vyx_fp.bin");
    out.writeByte('W');
  }
  EXPECT_EQ(dir.read("bare_vyx_fp.bin"), "W");
  EXPECT_EQ(dir.read("data/bare_vyx_fp.bin"), "R");

  FileSystem::SetCurrentDirectoryA(saved);
  fpbase::SetRedirectionFile(static_cast<RedirectionFile *>(nullptr));
}

} // namespace
