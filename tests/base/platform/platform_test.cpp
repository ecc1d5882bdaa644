// Tests of the platform layer: numbered texts of modules, locks and events,
// thread-local slots and the clock.
#include "platform/clock.h"
#include "platform/module_handle.h"
#include "platform/sync.h"
#include "platform/system_error.h"
#include "platform/thread_storage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {

const vyx::NumberedText kTexts[] = {{1, "one"}, {7, "seven characters"}, {300, ""}};
vyx::Module kModule = {"test", kTexts, 3, nullptr};

TEST(NumberedTextTest, CopiesAtMostSizeMinusOneAndTerminates) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(3u, vyx::LoadNumberedText(&kModule, 1, buffer, sizeof buffer));
  EXPECT_STREQ("one", buffer);

  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(7u, vyx::LoadNumberedText(&kModule, 7, buffer, sizeof buffer));
  EXPECT_STREQ("seven c", buffer);

  EXPECT_EQ(0u, vyx::LoadNumberedText(&kModule, 7, buffer, 1));
  EXPECT_STREQ("", buffer);
}

TEST(NumberedTextTest, AbsentTextsAndModulesGiveZero) {
  char buffer[16] = "garbage";
  EXPECT_EQ(0u, vyx::LoadNumberedText(&kModule, 2, buffer, sizeof buffer));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0u, vyx::LoadNumberedText(nullptr, 1, buffer, sizeof buffer));
  EXPECT_EQ(0u, vyx::LoadNumberedText(&kModule, 1, nullptr, 16));
  EXPECT_EQ(nullptr, vyx::FindNumberedText(&kModule, 8));
  // An empty text exists but has no characters.
  ASSERT_NE(nullptr, vyx::FindNumberedText(&kModule, 300));
  EXPECT_EQ(0u, vyx::LoadNumberedText(&kModule, 300, buffer, sizeof buffer));
}

TEST(SyncTest, CriticalSectionIsRecursive) {
  vyx::CriticalSection cs;
  cs.lock();
  EXPECT_TRUE(cs.try_lock());
  cs.unlock();
  cs.unlock();
}

TEST(SyncTest, TimedMutexTimesOutWhileAnotherThreadHoldsIt) {
  vyx::TimedMutex m;
  std::atomic<bool> held{false}, release{false};
  std::thread owner([&] {
    m.lock();
    held = true;
    while (!release)
      std::this_thread::yield();
    m.unlock();
  });
  while (!held)
    std::this_thread::yield();
  EXPECT_FALSE(m.lock(0));
  EXPECT_FALSE(m.lock(20));
  release = true;
  owner.join();
  EXPECT_TRUE(m.lock(vyx::kInfiniteWait));
  EXPECT_TRUE(m.lock(0)); // recursive for the owner
  m.unlock();
  m.unlock();
}

TEST(SyncTest, ManualResetEventStaysSignalled) {
  vyx::Event e(true, false);
  EXPECT_FALSE(e.wait(0));
  e.set();
  EXPECT_TRUE(e.wait(0));
  EXPECT_TRUE(e.wait(0));
  e.reset();
  EXPECT_FALSE(e.isSignalled());
}

TEST(SyncTest, AutoResetEventReleasesOneWaiter) {
  vyx::Event e(false, true);
  EXPECT_TRUE(e.wait(0));
  EXPECT_FALSE(e.wait(0));
  std::thread setter([&] { e.set(); });
  EXPECT_TRUE(e.wait(vyx::kInfiniteWait));
  setter.join();
}

TEST(ThreadSlotTest, ValuesArePerThread) {
  vyx::ThreadSlot slot;
  ASSERT_TRUE(slot.valid());
  int mine = 1, theirs = 2;
  EXPECT_EQ(nullptr, slot.get());
  slot.set(&mine);
  void *seen = &mine;
  std::thread other([&] {
    seen = slot.get();
    slot.set(&theirs);
  });
  other.join();
  EXPECT_EQ(nullptr, seen);
  EXPECT_EQ(&mine, slot.get());
}

TEST(PlatformTest, ClockIsMonotonicAndErrorsHaveTexts) {
  uint64_t a = vyx::TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GE(vyx::TickCount(), a + 4);
  vyx::SetLastErrorCode(ENOENT);
  EXPECT_EQ(ENOENT, vyx::LastErrorCode());
  EXPECT_FALSE(vyx::SystemErrorText(ENOENT).empty());
  EXPECT_NE(0ul, vyx::CurrentThreadId());
}

} // namespace
