//===- process_info_test.cpp - Tests of the process queries --------------===//

#include "platform/process_info.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(ProcessInfo, ExecutablePathIsTheRunningProgram) {
  std::string path = vyx::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path, fs::read_symlink("/proc/self/exe").string());
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

TEST(ProcessInfo, InvocationNameNamesTheSameProgram) {
  std::string name = vyx::ProgramInvocationName();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(fs::path(name).filename(), fs::path(vyx::ExecutablePath()).filename());
}

TEST(ProcessInfo, QueriesKeepTheLastErrorCode) {
  errno = EBADF;
  vyx::ExecutablePath();
  vyx::ProgramInvocationName();
  vyx::DebuggerAttached();
  vyx::DebuggerOutput("process_info_test\n");
  vyx::DebuggerOutput(nullptr);
  EXPECT_EQ(errno, EBADF);
}

} // namespace
