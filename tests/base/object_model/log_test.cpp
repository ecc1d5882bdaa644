//===- log_test.cpp - Tests of the process-wide trace log ----------------===//

#include "object_model/log.h"

#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
// The library's own <regex> trips -Wmaybe-uninitialized in sanitizer builds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#else
#include <regex>
#endif
#include <set>
#include <sstream>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

static_assert(!std::is_copy_constructible_v<CLog>, "the log is not copyable");
static_assert(!std::is_copy_assignable_v<CLog>, "the log is not copyable");

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

/// Every test logs into a scratch folder of its own, never next to the test
/// program.
class LogTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "vyx_log_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    LogPath = Folder / "app_vyx.log";
    BackupPath = Folder / "app_vyx.log.bak";
    CLog::overrideLogFilePath(LogPath.c_str());
    CLog::setEnabled(true);
    // Settle the error code last seen so every test starts alike.
    errno = 0;
    Log.outputText("", false);
    fs::remove(LogPath);
  }

  void TearDown() override {
    CLog::setEnabled(false);
    Log.unlock();
    CLog::overrideLogFilePath(nullptr);
    fs::remove_all(Folder);
  }

  /// True when another thread gets the log's mutex within `wait`.
  bool OtherThreadCanLock(std::chrono::milliseconds wait = std::chrono::milliseconds(2000)) {
    auto locked = std::async(std::launch::async, [this] {
      bool ok = Log.lock();
      Log.unlock();
      return ok;
    });
    if (locked.wait_for(wait) == std::future_status::ready)
      return locked.get();
    // Free the waiting thread before the future is destroyed.
    Log.unlock();
    locked.wait();
    return false;
  }

  CLog Log;
  fs::path Folder, LogPath, BackupPath;
};

TEST_F(LogTest, HeaderLineLayout) {
  CLog::setEnabled(true);
  EXPECT_TRUE(Log.setFileName("D:\\src\\scene.src", 412));
  errno = 0;
  Log.output("Scene loaded %d", 7);
  std::string text = ReadFile(LogPath);
  std::smatch m;
  std::regex layout("(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d):(\\d+) : "
                    "PId\\(0x([0-9A-F]+)\\):TId\\(0x([0-9A-F]+)\\) : "
                    "Scene loaded 7 \\(scene.src:412\\)\n");
  ASSERT_TRUE(std::regex_match(text, m, layout)) << text;
  EXPECT_EQ(std::stoul(m[3].str(), nullptr, 16), static_cast<unsigned long>(getpid()));
  EXPECT_EQ(std::stoul(m[4].str(), nullptr, 16), static_cast<unsigned long>(syscall(SYS_gettid)));
  // The time part is getTime() of the moment the line was written.
  std::string now = Log.getTime().c_str();
  EXPECT_TRUE(std::regex_match(now, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d+")))
      << now;
}

TEST_F(LogTest, OutputTextWithoutHeader) {
  errno = 0;
  Log.outputText("plain", false);
  Log.outputText(nullptr, false);
  Log.outputText("text", false);
  EXPECT_EQ(ReadFile(LogPath), "plaintext");
}

TEST_F(LogTest, EmptyMessageWritesNothing) {
  Log.setFileName("a.cpp", 1);
  Log.output("%s", "");
  EXPECT_FALSE(fs::exists(LogPath));
  EXPECT_TRUE(OtherThreadCanLock());
}

TEST_F(LogTest, LongMessageIsCut) {
  std::string big(10000, 'x');
  Log.setFileName("a.cpp", 1);
  errno = 0;
  Log.output("%s", big.c_str());
  std::string text = ReadFile(LogPath);
  EXPECT_NE(text.find(std::string(4095, 'x') + " (a.cpp:1)\n"), std::string::npos);
  EXPECT_EQ(text.find(std::string(4096, 'x')), std::string::npos);
}

TEST_F(LogTest, MissingSourceNamePrintsNull) {
  errno = 0;
  Log.output("no position");
  std::string text = ReadFile(LogPath);
  EXPECT_NE(text.find(" : no position ((null):0)\n"), std::string::npos) << text;
  Log.setFileName(nullptr, 5);
  Log.output("null path");
  text = ReadFile(LogPath);
  EXPECT_NE(text.find(" : null path ((null):5)\n"), std::string::npos) << text;
}

TEST_F(LogTest, SourceNames) {
  struct Case {
    const char *Path;
    const char *Name;
  } cases[] = {{"D:\\src\\scene.src", "scene.src"},
               {"/home/dev/src/scene.cpp", "scene.cpp"},
               {"src\\sub/file.cpp", "file.cpp"},
               {"file.cpp", "file.cpp"},
               {"\\file.cpp", "\\file.cpp"},
               {"src\\", "src\\"},
               {"/", "/"}};
  for (const Case &c : cases) {
    EXPECT_TRUE(Log.setFileName(c.Path, 412));
    EXPECT_STREQ(Log.getSourceName().c_str(), c.Name) << c.Path;
    EXPECT_EQ(Log.getSourceLine(), 412);
    Log.unlock();
  }
  EXPECT_FALSE(Log.setFileName("x.cpp", -1));
  Log.unlock();
}

TEST_F(LogTest, DisabledLogWritesNothingAndLeavesTheMutex) {
  CLog::setEnabled(false);
  EXPECT_FALSE(Log.lock());
  EXPECT_TRUE(Log.setFileName("a.cpp", 3));
  Log.output("hidden %d", 1);
  Log.outputText("hidden", true);
  EXPECT_FALSE(fs::exists(LogPath));
  CLog::setEnabled(true);
  EXPECT_TRUE(OtherThreadCanLock());
}

TEST_F(LogTest, DisablingBetweenPositionAndLineReleasesTheMutex) {
  ASSERT_TRUE(Log.setFileName("a.cpp", 3)); // holds the mutex
  CLog::setEnabled(false);
  Log.output("dropped");
  CLog::setEnabled(true);
  EXPECT_TRUE(OtherThreadCanLock());
  EXPECT_FALSE(fs::exists(LogPath));
}

TEST_F(LogTest, EnablingBetweenPositionAndLineLeavesNoHold) {
  CLog::setEnabled(false);
  Log.setFileName("a.cpp", 3); // no mutex taken
  CLog::setEnabled(true);
  errno = 0;
  Log.output("written");
  EXPECT_NE(ReadFile(LogPath).find(" : written ("), std::string::npos);
  EXPECT_TRUE(OtherThreadCanLock());
}

TEST_F(LogTest, UnlockFreesOnlyTheCallersHold) {
  ASSERT_TRUE(Log.setFileName("a.cpp", 3));
  // Another thread's unlock must not free this thread's hold.
  std::thread([this] { Log.unlock(); }).join();
  EXPECT_FALSE(OtherThreadCanLock(std::chrono::milliseconds(200)));
  ASSERT_TRUE(Log.setFileName("a.cpp", 4)); // a second position keeps one hold
  Log.output("line");
  EXPECT_TRUE(OtherThreadCanLock());
}

TEST_F(LogTest, ErrorTextOncePerNewCode) {
  errno = ENOENT;
  Log.outputText("first", true);
  EXPECT_EQ(errno, 0);
  errno = ENOENT;
  Log.outputText("second", true);
  errno = EACCES;
  Log.outputText("third", false);
  std::vector<std::string> lines = Lines(ReadFile(LogPath));
  ASSERT_EQ(lines.size(), 3u);
  std::string noEntry = " GetLastError returned : " + vyx::SystemErrorText(ENOENT);
  std::string denied = " GetLastError returned : " + vyx::SystemErrorText(EACCES);
  EXPECT_TRUE(lines[0].ends_with("first ((null):0)" + noEntry)) << lines[0];
  EXPECT_TRUE(lines[1].ends_with("second ((null):0)")) << lines[1];
  EXPECT_EQ(lines[2], "third" + denied);
  EXPECT_EQ(errno, 0);
}

TEST_F(LogTest, RotatesPastTheLimit) {
  {
    std::ofstream big(LogPath, std::ios::binary);
    big << std::string(CLog::MaxLogSize + 1, 'o');
    std::ofstream old(BackupPath, std::ios::binary);
    old << "older backup";
  }
  errno = 0;
  Log.outputText("fresh", false);
  EXPECT_EQ(ReadFile(LogPath), "fresh");
  EXPECT_EQ(fs::file_size(BackupPath), static_cast<std::uintmax_t>(CLog::MaxLogSize + 1));
}

TEST_F(LogTest, NoRotationAtTheLimit) {
  {
    std::ofstream big(LogPath, std::ios::binary);
    big << std::string(CLog::MaxLogSize, 'o');
  }
  errno = 0;
  Log.outputText("more", false);
  EXPECT_EQ(fs::file_size(LogPath), static_cast<std::uintmax_t>(CLog::MaxLogSize + 4));
  EXPECT_FALSE(fs::exists(BackupPath));
}

TEST_F(LogTest, CheckLogSize) {
  // A small file: with null the file is only looked at.
  { std::ofstream(LogPath) << "small"; }
  EXPECT_EQ(Log.checkLogSize(nullptr), nullptr);
  EXPECT_EQ(ReadFile(LogPath), "small");
  std::FILE *f = std::fopen(LogPath.c_str(), "a");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Log.checkLogSize(f), f);
  std::fclose(f);
  // A large one comes back as a new, empty file.
  { std::ofstream(LogPath) << std::string(CLog::MaxLogSize + 10, 'z'); }
  std::FILE *rotated = Log.checkLogSize(nullptr);
  ASSERT_NE(rotated, nullptr);
  std::fclose(rotated);
  EXPECT_EQ(fs::file_size(LogPath), 0u);
  EXPECT_EQ(fs::file_size(BackupPath), static_cast<std::uintmax_t>(CLog::MaxLogSize + 10));
}

TEST_F(LogTest, UnwritableLogFileIsNoFailure) {
  CLog::overrideLogFilePath((Folder / "missing" / "x.log").c_str());
  Log.setFileName("a.cpp", 1);
  Log.output("nowhere");
  EXPECT_TRUE(OtherThreadCanLock());
}

TEST_F(LogTest, LogFilePath) {
  char path[CLog::PathBufferSize];
  Log.getLogFilePath(path);
  EXPECT_EQ(LogPath.string(), path);
  char small[8];
  Log.getLogFilePath(small, sizeof small);
  EXPECT_STREQ(small, "");
  // An override too long for the fixed buffer is not written at all.
  std::string longPath = "/" + std::string(CLog::MaxPathLength + 20, 'p');
  CLog::overrideLogFilePath(longPath.c_str());
  std::vector<char> guarded(CLog::PathBufferSize + 64, '#');
  Log.getLogFilePath(guarded.data());
  EXPECT_EQ(guarded[0], '\0');
  EXPECT_EQ(guarded[CLog::PathBufferSize], '#');
  // Without an override the path is the program's own.
  CLog::overrideLogFilePath(nullptr);
  Log.getLogFilePath(path);
  std::string own = fs::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(std::string(path), vyx::LogPathForExecutable(own));
  EXPECT_TRUE(std::string(path).ends_with("_vyx.log"));
}

TEST(LogPathForExecutable, RemovesOnlyTheLastComponentsExtension) {
  EXPECT_EQ(vyx::LogPathForExecutable("D:\\A\\b.x.exe"), "D:\\A\\b.x_vyx.log");
  EXPECT_EQ(vyx::LogPathForExecutable("/home/a.b/app"), "/home/a.b/app_vyx.log");
  EXPECT_EQ(vyx::LogPathForExecutable("/opt/tool.bin"), "/opt/tool_vyx.log");
  EXPECT_EQ(vyx::LogPathForExecutable("app"), "app_vyx.log");
  EXPECT_EQ(vyx::LogPathForExecutable(""), "");
}

TEST_F(LogTest, ModeAndSpyThread) {
  EXPECT_EQ(Log.getMode(), 1u);
  Log.setMode(CLog::SpyThreadMode | 1);
  EXPECT_EQ(Log.getMode(), 5u);
  Log.setMode(1);
  EXPECT_EQ(Log.getMode(), 1u);
  EXPECT_FALSE(fs::exists(LogPath)); // no spy thread ran, so none was stopped
}

TEST_F(LogTest, SingleInstance) {
  EXPECT_EQ(CLog::get(), CLog::get());
  EXPECT_NE(CLog::get(), nullptr);
}

TEST_F(LogTest, ThreadsWriteWholeLines) {
  constexpr int kThreads = 4;
  constexpr int kLines = 150;
  std::string padding(300, '-');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) {
        errno = 0;
        Log.setFileName("/src/worker.cpp", t);
        Log.output("thread %d line %d %s end", t, i, padding.c_str());
      }
    });
  for (auto &thread : threads)
    thread.join();
  std::vector<std::string> lines = Lines(ReadFile(LogPath));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  std::regex layout("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d+ : "
                    "PId\\(0x[0-9A-F]+\\):TId\\(0x[0-9A-F]+\\) : "
                    "thread (\\d) line (\\d+) -{300} end \\(worker.cpp:(\\d)\\)");
  std::set<std::pair<int, int>> seen;
  for (const std::string &line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, layout)) << line;
    // The position belongs to the same thread as the message.
    EXPECT_EQ(m[1].str(), m[3].str());
    seen.insert({std::stoi(m[1].str()), std::stoi(m[2].str())});
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

} // namespace
