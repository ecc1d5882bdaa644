//===- locks_test.cpp - Critical sections, mutexes, reader/writer guard --===//

#include "object_model/locks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

/// Runs `f` on another thread and returns its result.
template <class F> auto onOtherThread(F f) {
  decltype(f()) result{};
  std::thread([&] { result = f(); }).join();
  return result;
}

TEST(Locks, NotCopyable) {
  static_assert(!std::is_copy_constructible_v<GCriticalSection>);
  static_assert(!std::is_copy_constructible_v<GMutex>);
  static_assert(!std::is_copy_constructible_v<GSWMRGuard>);
  static_assert(!std::is_copy_assignable_v<GSWMRGuard>);
  static_assert(!std::is_copy_constructible_v<GSingleLock>);
  static_assert(!std::is_copy_constructible_v<GSWMRGuardWriteLock>);
}

TEST(CriticalSection, RecursiveAndExclusive) {
  GCriticalSection section;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        GSingleLock outer(section);
        GSingleLock inner(section); // the owner enters again
        if (++inside != 1)
          ++overlaps;
        --inside;
      }
    });
  }
  for (auto &thread : threads)
    thread.join();
  EXPECT_EQ(overlaps.load(), 0);
}

TEST(Mutex, RecursiveForItsOwnerOnly) {
  GMutex mutex;
  ASSERT_TRUE(mutex.Lock(0));
  EXPECT_TRUE(mutex.Lock(0)) << "the owner locks again";
  EXPECT_FALSE(onOtherThread([&] { return mutex.Lock(0); }));
  EXPECT_FALSE(onOtherThread([&] { return mutex.Unlock(); })) << "a non-owner cannot release";
  EXPECT_TRUE(mutex.Unlock());
  EXPECT_FALSE(onOtherThread([&] { return mutex.Lock(0); })) << "still held once";
  EXPECT_TRUE(mutex.Unlock());
  EXPECT_FALSE(mutex.Unlock()) << "not held any more";
  EXPECT_TRUE(onOtherThread([&] {
    bool got = mutex.Lock(0);
    return got && mutex.Unlock();
  }));
}

TEST(Mutex, TimedWaitReportsTheTimeOut) {
  GMutex mutex;
  ASSERT_TRUE(mutex.Lock(vyx::kInfiniteWait));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(onOtherThread([&] { return mutex.Lock(30); }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
  // A waiter with a long time-out gets the mutex once the owner releases it.
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    got = mutex.Lock(5000);
    if (got)
      mutex.Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(mutex.Unlock());
  waiter.join();
  EXPECT_TRUE(got.load());
}

TEST(Mutex, ScopedLockIsExclusive) {
  GMutex mutex;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        GMutexSingleLock lock(mutex);
        ++counter;
      }
    });
  for (auto &thread : threads)
    thread.join();
  EXPECT_EQ(counter, 20000);
}

TEST(SWMRGuard, ReadersKeepTheWriterOut) {
  GSWMRGuard guard;
  ASSERT_TRUE(guard.LockRead(0));
  ASSERT_TRUE(guard.LockRead(0));
  ASSERT_TRUE(onOtherThread([&] { return guard.LockRead(0); }));
  EXPECT_FALSE(guard.LockWrite(0));
  EXPECT_FALSE(onOtherThread([&] { return guard.LockWrite(10); }));
  guard.UnlockRead();
  guard.UnlockRead();
  EXPECT_FALSE(onOtherThread([&] { return guard.LockWrite(0); }));
  guard.UnlockRead();
  EXPECT_TRUE(guard.LockWrite(0)) << "after the third UnlockRead";
  guard.UnlockWrite();
}

TEST(SWMRGuard, WriterKeepsEveryoneElseOut) {
  GSWMRGuard guard;
  ASSERT_TRUE(guard.LockWrite(0));
  EXPECT_TRUE(guard.LockWrite(0)) << "the writer may lock again";
  EXPECT_FALSE(onOtherThread([&] { return guard.LockRead(0); }));
  EXPECT_FALSE(onOtherThread([&] { return guard.LockWrite(10); }));
  EXPECT_TRUE(guard.LockRead(0)) << "the writer may read";
  guard.UnlockRead();
  guard.UnlockWrite();
  EXPECT_FALSE(onOtherThread([&] { return guard.LockRead(0); })) << "still written once";
  guard.UnlockWrite();
  EXPECT_TRUE(onOtherThread([&] {
    bool got = guard.LockRead(0);
    guard.UnlockRead();
    return got;
  }));
  guard.UnlockWrite(); // not held: ignored
  guard.UnlockRead();  // no reader: ignored
  EXPECT_TRUE(guard.LockWrite(0));
  guard.UnlockWrite();
}

TEST(SWMRGuard, WriterWaitsForTheLastReader) {
  GSWMRGuard guard;
  ASSERT_TRUE(guard.LockRead(0));
  std::atomic<bool> written{false};
  std::thread writer([&] {
    if (guard.LockWrite(vyx::kInfiniteWait)) {
      written = true;
      guard.UnlockWrite();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(written.load());
  guard.UnlockRead();
  writer.join();
  EXPECT_TRUE(written.load());
}

TEST(SWMRGuard, ReadersAndWritersUnderContention) {
  GSWMRGuard guard;
  std::atomic<int> readers{0};
  std::atomic<int> writers{0};
  std::atomic<int> violations{0};
  long data[2] = {0, 0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3000; ++i) {
        if ((i + t) % 4 == 0) {
          GSWMRGuardWriteLock lock(guard);
          if (++writers != 1 || readers.load() != 0)
            ++violations;
          ++data[0];
          ++data[1];
          --writers;
        } else {
          GSWMRGuardReadLock lock(guard);
          ++readers;
          if (writers.load() != 0 || data[0] != data[1])
            ++violations;
          --readers;
        }
      }
    });
  }
  for (auto &thread : threads)
    thread.join();
  EXPECT_EQ(violations.load(), 0);
  EXPECT_EQ(data[0], 3000);
}

} // namespace
