//===- file_handle_test.cpp - File descriptors of the platform ------------===//

#include "platform/file_handle.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string scratchFolder() {
  const char *tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vyx_platform_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

struct Scratch {
  Scratch() : Path(scratchFolder()) {}
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  std::string Path;
};

void onSignal(int) {}

TEST(FileHandle, HandlesCarryDescriptors) {
  EXPECT_EQ(vyx::DescriptorFromHandle(vyx::InvalidFileHandle), -1);
  EXPECT_EQ(vyx::HandleFromDescriptor(-1), vyx::InvalidFileHandle);
  EXPECT_EQ(vyx::DescriptorFromHandle(vyx::HandleFromDescriptor(17)), 17);
  EXPECT_EQ(vyx::DescriptorFromHandle(reinterpret_cast<void *>(intptr_t(1) << 40)), -1);
}

TEST(FileHandle, ReadsLoopOverPartialTransfersAndInterruptions) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  // A handler without SA_RESTART: a blocked read returns EINTR.
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  pthread_t reader = pthread_self();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(write(fds[1], "abc", 3), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(write(fds[1], "defg", 4), 4);
    close(fds[1]);
  });
  char out[16] = {};
  EXPECT_EQ(vyx::ReadDescriptor(fds[0], out, 7), 7);
  EXPECT_STREQ(out, "abcdefg");
  EXPECT_EQ(vyx::ReadDescriptor(fds[0], out, 7), 0); // end of data
  writer.join();
  close(fds[0]);
  sigaction(SIGUSR1, &previous, nullptr);
}

TEST(FileHandle, WritesLoopUntilEverythingIsTaken) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const size_t total = 1 << 20; // far more than a pipe holds at once
  std::atomic<size_t> received{0};
  std::thread reader([&] {
    std::vector<char> buffer(4096);
    ssize_t got;
    while ((got = read(fds[0], buffer.data(), buffer.size())) > 0)
      received += size_t(got);
  });
  std::vector<char> data(total, 'w');
  EXPECT_EQ(vyx::WriteDescriptor(fds[1], data.data(), int64_t(total)), int64_t(total));
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_EQ(received.load(), total);
}

TEST(FileHandle, FailuresAreReported) {
  Scratch dir;
  errno = 0;
  EXPECT_EQ(vyx::OpenFileDescriptor(dir.Path.c_str(), vyx::FileAccessRead,
                                    vyx::FileCreation::OpenExisting, 0),
            -1);
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(
      vyx::OpenFileDescriptor(nullptr, vyx::FileAccessRead, vyx::FileCreation::OpenExisting, 0),
      -1);
  std::string name = dir.Path + "/f";
  int fd =
      vyx::OpenFileDescriptor(name.c_str(), vyx::FileAccessWrite, vyx::FileCreation::CreateNew, 0);
  ASSERT_GE(fd, 0);
  errno = 0;
  EXPECT_EQ(vyx::OpenFileDescriptor(name.c_str(), vyx::FileAccessWrite,
                                    vyx::FileCreation::OpenExisting, vyx::FileShareWrite),
            -1);
  EXPECT_EQ(errno, EWOULDBLOCK);
  EXPECT_EQ(vyx::SeekDescriptor(fd, 0, 9), -1);
  EXPECT_FALSE(vyx::ResizeDescriptor(fd, -1));
  EXPECT_EQ(vyx::WriteDescriptor(fd, "x", -1), 0);
  EXPECT_EQ(vyx::ReadDescriptor(-1, nullptr, 1), -1);
  EXPECT_TRUE(vyx::CloseDescriptor(fd));
  // Closed already: the second close fails (EBADF), nothing at all is no
  // failure.
  EXPECT_FALSE(vyx::CloseDescriptor(fd));
  EXPECT_TRUE(vyx::CloseDescriptor(-1));
}

TEST(FileHandle, AnInjectedCloseFailureStillReleasesTheDescriptor) {
  Scratch dir;
  std::string name = dir.Path + "/f";
  int fd =
      vyx::OpenFileDescriptor(name.c_str(), vyx::FileAccessWrite, vyx::FileCreation::CreateNew, 0);
  ASSERT_GE(fd, 0);
  vyx::FailNextClosesForTesting(1);
  EXPECT_FALSE(vyx::CloseDescriptor(fd));
  EXPECT_EQ(errno, EIO);
  // Released: the exclusive lock is gone, and the next close is sound.
  int again = vyx::OpenFileDescriptor(name.c_str(), vyx::FileAccessWrite,
                                      vyx::FileCreation::OpenExisting, 0);
  ASSERT_GE(again, 0);
  EXPECT_TRUE(vyx::CloseDescriptor(again));
}

TEST(FileHandle, TwoNamesOfOneFileShareIt) {
  Scratch dir;
  std::string name = dir.Path + "/f", other = dir.Path + "/g", link = dir.Path + "/l";
  int a = vyx::OpenFileDescriptor(name.c_str(), vyx::FileAccessWrite, vyx::FileCreation::CreateNew,
                                  vyx::FileShareRead);
  int b = vyx::OpenFileDescriptor(other.c_str(), vyx::FileAccessWrite, vyx::FileCreation::CreateNew,
                                  vyx::FileShareRead);
  ASSERT_EQ(symlink(name.c_str(), link.c_str()), 0);
  int c = vyx::OpenFileDescriptor(link.c_str(), vyx::FileAccessRead,
                                  vyx::FileCreation::OpenExisting, vyx::FileShareRead);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_GE(c, 0);
  EXPECT_TRUE(vyx::DescriptorsShareFile(a, c));
  EXPECT_FALSE(vyx::DescriptorsShareFile(a, b));
  EXPECT_FALSE(vyx::DescriptorsShareFile(a, -1));
  EXPECT_FALSE(vyx::DescriptorIsTerminal(a));
  EXPECT_FALSE(vyx::DescriptorIsTerminal(-1));
  for (int fd : {a, b, c})
    vyx::CloseDescriptor(fd);
}

} // namespace
