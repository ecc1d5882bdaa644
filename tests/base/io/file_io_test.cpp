//===- file_io_test.cpp - The file device ---------------------------------===//

#include "io/file_io.h"
#include "io/native_path.h"

#include "io_test_support.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace {

using vyx_test::ScratchDir;

TEST(GFileIO, OpenExistingNeedsTheFile) {
  ScratchDir dir;
  GFileIO io;
  EXPECT_FALSE(io.open(dir.file("missing").c_str(), GIO::IO_READ));
  EXPECT_FALSE(io.is_opened());
  EXPECT_EQ(io.handle(), vyx::InvalidFileHandle);
  dir.write("there", "content");
  EXPECT_TRUE(io.open(dir.file("there").c_str(), GIO::IO_READ));
  char out[16] = {};
  EXPECT_EQ(io.gread(out, 16), 7);
  EXPECT_STREQ(out, "content");
  EXPECT_EQ(io.gread(out, 16), 0);
}

TEST(GFileIO, ModesAreRecordedEvenWhenOpenFails) {
  ScratchDir dir;
  GFileIO io;
  EXPECT_FALSE(io.open(dir.file("missing").c_str(), GIO::IO_READWRITE, GFileIO::IO_OPEN_EXISTING,
                       GFileIO::IO_SHARE_READ));
  EXPECT_EQ(io.open_mode(), GIO::IO_READWRITE);
  EXPECT_EQ(io.share_mode(), GFileIO::IO_SHARE_READ);
  EXPECT_EQ(io.create_mode(), GFileIO::IO_OPEN_EXISTING);
}

TEST(GFileIO, CreateModes) {
  ScratchDir dir;
  std::string name = dir.file("f.bin");
  {
    GFileIO io(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_NEW);
    ASSERT_TRUE(io.is_opened());
    EXPECT_EQ(io.gwrite("12345", 5), 5);
  }
  EXPECT_EQ(dir.read("f.bin"), "12345");
  {
    GFileIO io(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_NEW);
    EXPECT_FALSE(io.is_opened());
  }
  {
    GFileIO io(name.c_str(), GIO::IO_READWRITE, GFileIO::IO_OPEN_ALWAYS);
    ASSERT_TRUE(io.is_opened());
    EXPECT_EQ(io.gseek(0, GIO::IO_END), 5);
  }
  {
    GFileIO io(name.c_str(), GIO::IO_READWRITE, GFileIO::IO_CREATE_ALWAYS);
    ASSERT_TRUE(io.is_opened());
    EXPECT_EQ(io.gseek(0, GIO::IO_END), 0);
  }
  EXPECT_EQ(dir.read("f.bin"), "");
  {
    GFileIO io(dir.file("new.bin").c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_ALWAYS);
    EXPECT_TRUE(io.is_opened());
  }
  EXPECT_TRUE(std::filesystem::exists(dir.file("new.bin")));
}

TEST(GFileIO, SecondOpenKeepsTheFirstFile) {
  ScratchDir dir;
  dir.write("a", "AAA");
  dir.write("b", "BBB");
  GFileIO io(dir.file("a").c_str(), GIO::IO_READ);
  EXPECT_FALSE(io.open(dir.file("b").c_str(), GIO::IO_READ));
  char out[4] = {};
  EXPECT_EQ(io.gread(out, 3), 3);
  EXPECT_STREQ(out, "AAA");
}

TEST(GFileIO, FoldersDoNotOpen) {
  ScratchDir dir;
  GFileIO io;
  EXPECT_FALSE(io.open(dir.path().c_str(), GIO::IO_READ));
  EXPECT_FALSE(io.open(dir.path().c_str(), GIO::IO_READ, GFileIO::IO_OPEN_ALWAYS));
}

TEST(GFileIO, ReadOnlyHandleRefusesWrites) {
  ScratchDir dir;
  dir.write("r", "data");
  GFileIO io(dir.file("r").c_str(), GIO::IO_READ);
  EXPECT_EQ(io.gwrite("zz", 2), 0);
  EXPECT_EQ(dir.read("r"), "data");
}

TEST(GFileIO, SeekAndChangeSize) {
  ScratchDir dir;
  GFileIO io(dir.file("s").c_str(), GIO::IO_READWRITE, GFileIO::IO_CREATE_NEW);
  ASSERT_TRUE(io.is_opened());
  io.gwrite("0123456789", 10);
  EXPECT_EQ(io.gtell(), 10);
  EXPECT_EQ(io.gseek(-4, GIO::IO_CURRENT), 6);
  EXPECT_EQ(io.gseek(2, GIO::IO_BEGIN), 2);
  EXPECT_EQ(io.gseek(-1, GIO::IO_BEGIN), -1);
  EXPECT_TRUE(io.change_size(4));
  EXPECT_EQ(io.gseek(0, GIO::IO_END), 4);
  EXPECT_TRUE(io.change_size(100));
  EXPECT_EQ(io.gseek(0, GIO::IO_END), 100);
  EXPECT_FALSE(io.change_size(-1));
  io.close();
  EXPECT_EQ(std::filesystem::file_size(dir.file("s")), 100u);
  EXPECT_EQ(io.gseek(0, GIO::IO_BEGIN), -1);
  EXPECT_FALSE(io.change_size(0));
}

TEST(GFileIO, PositionsBeyondFourGigabytes) {
  ScratchDir dir;
  GFileIO io(dir.file("sparse").c_str(), GIO::IO_READWRITE, GFileIO::IO_CREATE_NEW);
  ASSERT_TRUE(io.is_opened());
  const long far = 5L << 30;
  ASSERT_EQ(io.gseek(far, GIO::IO_BEGIN), far);
  EXPECT_EQ(io.gwrite("x", 1), 1);
  EXPECT_EQ(io.gseek(0, GIO::IO_END), far + 1);
}

TEST(GFileIO, ExclusiveWriterKeepsOtherWritersOut) {
  ScratchDir dir;
  std::string name = dir.file("locked");
  GFileIO first(name.c_str(), GIO::IO_READWRITE, GFileIO::IO_CREATE_NEW, GFileIO::IO_SHARE_NONE);
  ASSERT_TRUE(first.is_opened());
  GFileIO second;
  EXPECT_FALSE(second.open(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING,
                           GFileIO::IO_SHARE_READWRITE));
  EXPECT_FALSE(
      second.open(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_NONE));
  // CREATE_ALWAYS must not empty a file it is refused.
  first.gwrite("keep", 4);
  EXPECT_FALSE(second.open(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_ALWAYS));
  EXPECT_EQ(dir.read("locked"), "keep");
  // Readers are not kept out.
  GFileIO reader(name.c_str(), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                 GFileIO::IO_SHARE_READWRITE);
  EXPECT_TRUE(reader.is_opened());
  first.close();
  EXPECT_TRUE(
      second.open(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_NONE));
  // A device is not a file two writers could corrupt: exclusive writers
  // of /dev/null (in this or any other process) never refuse each other.
  GFileIO null1("/dev/null", GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_NONE);
  GFileIO null2("/dev/null", GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_NONE);
  EXPECT_TRUE(null1.is_opened() && null2.is_opened());
}

TEST(GFileIO, ExclusiveWriterKeepsOtherProcessesOut) {
  ScratchDir dir;
  std::string name = dir.file("locked");
  GFileIO first(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_NEW, GFileIO::IO_SHARE_READ);
  ASSERT_TRUE(first.is_opened());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    GFileIO second(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING,
                   GFileIO::IO_SHARE_READWRITE);
    GFileIO reader(name.c_str(), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                   GFileIO::IO_SHARE_READWRITE);
    _exit(!second.is_opened() && reader.is_opened() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(GFileIO, SharingWritersCoexistButExcludeAnExclusiveOne) {
  ScratchDir dir;
  std::string name = dir.file("shared");
  GFileIO a(name.c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_NEW, GFileIO::IO_SHARE_WRITE);
  GFileIO b(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READWRITE);
  EXPECT_TRUE(a.is_opened());
  EXPECT_TRUE(b.is_opened());
  GFileIO c(name.c_str(), GIO::IO_WRITE, GFileIO::IO_OPEN_EXISTING, GFileIO::IO_SHARE_READ);
  EXPECT_FALSE(c.is_opened());
}

TEST(GFileIO, AttachedCopySharesWithoutClosing) {
  ScratchDir dir;
  dir.write("f", "abcdef");
  GFileIO owner(dir.file("f").c_str(), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                GFileIO::IO_SHARE_READ);
  ASSERT_TRUE(owner.is_opened());
  int fd = vyx::DescriptorFromHandle(owner.handle());
  {
    GFileIO borrower;
    EXPECT_TRUE(borrower.attach(owner));
    EXPECT_EQ(borrower.handle(), owner.handle());
    EXPECT_EQ(borrower.open_mode(), GIO::IO_READ);
    EXPECT_EQ(borrower.share_mode(), GFileIO::IO_SHARE_READ);
    char c;
    EXPECT_EQ(borrower.gread(&c, 1), 1);
    borrower.close();
    EXPECT_FALSE(borrower.is_opened());
  }
  // The owner's descriptor is still open and shares the position.
  EXPECT_NE(fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(owner.gtell(), 1);
  // Attaching to a device that shares one's own handle closes nothing.
  GFileIO sharer;
  sharer.attach(owner);
  EXPECT_TRUE(owner.attach(sharer));
  EXPECT_TRUE(owner.attach(owner));
  EXPECT_NE(fcntl(fd, F_GETFD), -1);
}

TEST(GFileIO, AttachAdoptsAHandle) {
  ScratchDir dir;
  dir.write("f", "xyz");
  int fd = ::open(dir.file("f").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    GFileIO io;
    EXPECT_TRUE(io.attach(vyx::HandleFromDescriptor(fd), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                          GFileIO::IO_SHARE_NONE));
    EXPECT_FALSE(io.attach(vyx::HandleFromDescriptor(fd), GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                           GFileIO::IO_SHARE_NONE));
  }
  EXPECT_EQ(fcntl(fd, F_GETFD), -1); // closed by the device
  GFileIO invalid;
  EXPECT_FALSE(invalid.attach(vyx::InvalidFileHandle, GIO::IO_READ, GFileIO::IO_OPEN_EXISTING,
                              GFileIO::IO_SHARE_NONE));
}

TEST(GFileIO, DetachForgetsWithoutClosing) {
  ScratchDir dir;
  dir.write("f", "xyz");
  GFileIO io(dir.file("f").c_str(), GIO::IO_READ);
  int fd = vyx::DescriptorFromHandle(io.handle());
  io.detach();
  EXPECT_FALSE(io.is_opened());
  EXPECT_NE(fcntl(fd, F_GETFD), -1);
  ::close(fd);
}

TEST(GFileIO, DescriptorsAreClosedOnExec) {
  ScratchDir dir;
  dir.write("f", "x");
  GFileIO io(dir.file("f").c_str(), GIO::IO_READ);
  int flags = fcntl(vyx::DescriptorFromHandle(io.handle()), F_GETFD);
  EXPECT_TRUE(flags & FD_CLOEXEC);
}

TEST(GFileIO, LibraryNamesWithBackslashes) {
  ScratchDir dir;
  dir.write("named.txt", "hi");
  GFileIO io(dir.libraryFile("named.txt").c_str(), GIO::IO_READ);
  EXPECT_TRUE(io.is_opened());
}

TEST(GFileIO, ExistingFilesAreFoundIgnoringCaseButNeverCreatedSo) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.file("Data"));
  dir.write("Data/Terrain.BIN", "t");
  GFileIO io(dir.libraryFile("DATA\\terrain.bin").c_str(), GIO::IO_READ);
  EXPECT_TRUE(io.is_opened());
  GFileIO created(dir.file("Data/TERRAIN.bin").c_str(), GIO::IO_WRITE, GFileIO::IO_CREATE_ALWAYS);
  EXPECT_TRUE(created.is_opened());
  EXPECT_TRUE(std::filesystem::exists(dir.file("Data/TERRAIN.bin")));
  EXPECT_EQ(dir.read("Data/Terrain.BIN"), "t");
  // Two candidates: no guess.
  GFileIO ambiguous(dir.file("Data/terrain.Bin").c_str(), GIO::IO_READ);
  EXPECT_FALSE(ambiguous.is_opened());
}

TEST(GFileIO, DrivesAreMappedOrNotFound) {
  ScratchDir dir;
  dir.write("f.txt", "x");
  GFileIO io;
  EXPECT_FALSE(io.open("Q:\\f.txt", GIO::IO_READ));
  vyx::SetDriveMapping("q:", dir.path().c_str());
  EXPECT_TRUE(io.open("Q:\\f.txt", GIO::IO_READ));
  vyx::SetDriveMapping("Q:", nullptr);
}

TEST(GFileIO, NotCopyable) {
  EXPECT_FALSE(std::is_copy_constructible_v<GFileIO>);
  EXPECT_FALSE(std::is_copy_assignable_v<GFileIO>);
}

} // namespace
