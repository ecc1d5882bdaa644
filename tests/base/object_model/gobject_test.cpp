//===- gobject_test.cpp - Smart pointers and deferred destruction --------===//

#include "object_model/gobject.h"
#include "object_model/suspended_destruction.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

/// Counts the objects it was told died.
class CountingPointer : public GPointer {
public:
  using GPointer::GPointer;
  using GPointer::operator=;
  void object_destroyed() override {
    ++Deaths;
    GPointer::object_destroyed();
  }
  static std::atomic<int> Deaths;
};
std::atomic<int> CountingPointer::Deaths{0};

TEST(SmartPointer, ClearedWhenTheObjectDies) {
  auto *dog = new TestDog;
  GPointer a(dog), b(dog);
  GPointer c(a);
  GPointer d;
  d = c;
  EXPECT_EQ(a.pointer(), dog);
  EXPECT_EQ(d.real_pointer(), dog);
  EXPECT_TRUE(static_cast<bool>(d));
  EXPECT_EQ(static_cast<GObject *>(d), dog);
  EXPECT_EQ(&*d, dog);
  EXPECT_EQ(d->getMetaClass(), TestDog::metaclass_);
  delete dog;
  for (GPointer *p : {&a, &b, &c, &d}) {
    EXPECT_EQ(p->pointer(), nullptr);
    EXPECT_EQ(p->real_pointer(), nullptr);
    EXPECT_FALSE(static_cast<bool>(*p));
    EXPECT_TRUE(!*p);
    EXPECT_TRUE(p->pointer_enabled());
  }
}

TEST(SmartPointer, NoStaleLinkAfterTheObjectDied) {
  // Pointers of a dead object must not keep links to each other: dropping
  // one after the other was freed would otherwise write into freed memory.
  auto *dog = new TestDog;
  auto first = std::make_unique<GPointer>(dog);
  auto second = std::make_unique<GPointer>(dog);
  auto third = std::make_unique<GPointer>(dog);
  delete dog;
  second.reset();
  third->remove_from_list();
  first->remove_from_list();
  third.reset();
  first.reset();

  // A pointer of a dead object can be linked to a new one and behaves.
  GPointer reused;
  {
    TestDog old;
    reused = &old;
  }
  TestDog fresh;
  GPointer other(&fresh);
  reused = &fresh;
  EXPECT_EQ(reused.pointer(), &fresh);
  other.remove_from_list();
  EXPECT_EQ(reused.pointer(), &fresh);
}

TEST(SmartPointer, ReassignmentMovesBetweenLists) {
  TestDog a, b;
  CountingPointer p(&a);
  CountingPointer::Deaths = 0;
  p = &b;
  p = &b;
  GPointer q(&a);
  q = p;
  GPointer &same = q;
  q = same;
  EXPECT_EQ(q.pointer(), &b);
  {
    TestDog c;
    p = &c;
  }
  EXPECT_EQ(CountingPointer::Deaths.load(), 1) << "p had left the lists of a and b";
  EXPECT_EQ(p.pointer(), nullptr);
  p = static_cast<GObject *>(nullptr);
  EXPECT_EQ(p.real_pointer(), nullptr);
}

TEST(SmartPointer, DisabledObjectsAreHidden) {
  TestDog dog;
  GPointer before(&dog);
  dog.enableSmartPointers(false);
  EXPECT_FALSE(dog.isSmartPointersEnabled());
  GPointer during(&dog);
  for (GPointer *p : {&before, &during}) {
    EXPECT_EQ(p->pointer(), nullptr);
    EXPECT_EQ(p->real_pointer(), &dog);
    EXPECT_FALSE(p->pointer_enabled());
    EXPECT_FALSE(static_cast<bool>(*p));
  }
  dog.enableSmartPointers(true);
  EXPECT_EQ(before.pointer(), &dog);
  EXPECT_EQ(during.pointer(), &dog);
  EXPECT_TRUE(during.pointer_enabled());
}

TEST(SmartPointer, CopyingAnObjectNeverCopiesItsPointers) {
  auto original = std::make_unique<TestDog>();
  original->enableSmartPointers(false);
  GPointer p(original.get());
  TestDog copy(*original);
  EXPECT_FALSE(copy.isSmartPointersEnabled()) << "the flag is copied";
  GPointer q(&copy);
  EXPECT_EQ(q.pointer(), nullptr);
  original.reset();
  EXPECT_EQ(p.real_pointer(), nullptr);
  EXPECT_EQ(q.real_pointer(), &copy) << "q stays with the copy";

  TestDog enabled;
  copy = enabled;
  EXPECT_TRUE(copy.isSmartPointersEnabled());
  EXPECT_EQ(q.pointer(), &copy) << "assignment applies the flag to the object's own pointers";
}

TEST(SmartPointer, ListsFromSeveralThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  constexpr int kKept = 25;
  std::vector<std::unique_ptr<TestDog>> dogs;
  for (int i = 0; i < 3; ++i)
    dogs.push_back(std::make_unique<TestDog>());
  std::vector<std::vector<CountingPointer>> kept(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<GPointer> scratch;
      for (int r = 0; r < kRounds; ++r) {
        GPointer p(dogs[(t + r) % 3].get());
        GPointer q(p);
        q = dogs[r % 3].get();
        scratch.emplace_back(q);
        if (scratch.size() > 8)
          scratch.erase(scratch.begin());
        // Objects that live and die on this thread share the list lock.
        TestPuppy local;
        GPointer toLocal(&local);
      }
      kept[t].reserve(kKept);
      for (int k = 0; k < kKept; ++k)
        kept[t].emplace_back(dogs[0].get());
    });
  }
  for (auto &thread : threads)
    thread.join();
  CountingPointer::Deaths = 0;
  dogs[0].reset();
  EXPECT_EQ(CountingPointer::Deaths.load(), kThreads * kKept) << "no pointer lost from the list";
  for (auto &list : kept)
    for (auto &p : list)
      EXPECT_EQ(p.real_pointer(), nullptr);
}

// Deferred destruction --------------------------------------------------------

class SuspendedDestructionTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(SuspendedDestruction::IsEnabled()); }
  void TearDown() override {
    SuspendedDestruction::Enable(0);
    EXPECT_EQ(TestAnimal::Live.load(), 0);
  }
};

TEST_F(SuspendedDestructionTest, DisabledDestroysAtOnce) {
  auto *dog = new TestDog;
  GPointer watch(dog);
  SuspendedDestruction::Put(dog);
  EXPECT_EQ(watch.real_pointer(), nullptr);
  SuspendedDestruction::Put(nullptr);
}

TEST_F(SuspendedDestructionTest, EnabledWaitsForDestroyAll) {
  SuspendedDestruction::Enable(1);
  EXPECT_TRUE(SuspendedDestruction::IsEnabled());
  auto *dog = new TestDog;
  auto *puppy = new TestPuppy;
  GPointer watchDog(dog), watchPuppy(puppy);
  dog->condemn();
  SuspendedDestruction::Put(puppy);
  EXPECT_EQ(TestAnimal::Live.load(), 2);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(watchDog.real_pointer(), nullptr);
  EXPECT_EQ(watchPuppy.real_pointer(), nullptr);
  EXPECT_TRUE(SuspendedDestruction::IsEnabled());

  auto *late = new TestDog;
  late->condemn();
  SuspendedDestruction::Enable(0); // destroys first
  EXPECT_FALSE(SuspendedDestruction::IsEnabled());
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

TEST_F(SuspendedDestructionTest, SkipsObjectsThatDiedMeanwhileAndCondemnedTwice) {
  SuspendedDestruction::Enable(1);
  auto *dog = new TestDog;
  auto *twice = new TestDog;
  dog->condemn();
  twice->condemn();
  twice->condemn();
  delete dog; // died by other means
  EXPECT_EQ(TestAnimal::Live.load(), 1);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

TEST_F(SuspendedDestructionTest, HiddenObjectsAreStillDestroyed) {
  SuspendedDestruction::Enable(1);
  auto *dog = new TestDog;
  dog->condemn();
  dog->enableSmartPointers(false);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(TestAnimal::Live.load(), 0) << "a condemned object must not leak";
}

/// Condemns its partner when it dies.
class Chained : public TestDog {
public:
  TestDog *Partner = nullptr;
  GPointer Watch;
  ~Chained() override {
    if (Partner)
      Partner->condemn();
    Watch = static_cast<GObject *>(nullptr);
  }
};

TEST_F(SuspendedDestructionTest, DestructorCondemnsDuringDestroyAll) {
  SuspendedDestruction::Enable(1);
  auto *first = new Chained;
  auto *second = new Chained;
  auto *third = new TestDog;
  first->Partner = second;
  second->Partner = third;
  first->Watch = third;
  first->condemn();
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(TestAnimal::Live.load(), 0) << "objects condemned by destructors die in the same run";
}

int HookCalls = 0;
void countingHook(GObject *object) {
  ++HookCalls;
  object->destroyThis();
}

TEST_F(SuspendedDestructionTest, DestroyHook) {
  // The pstream layer may have installed its own hook: put it back after.
  auto *previous = vyx::SetDestroyHook(&countingHook);
  HookCalls = 0;
  SuspendedDestruction::Put(new TestDog);
  SuspendedDestruction::Enable(1);
  SuspendedDestruction::Put(new TestDog);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(HookCalls, 2);
  EXPECT_EQ(vyx::SetDestroyHook(nullptr), &countingHook);
  SuspendedDestruction::Put(new TestDog);
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(HookCalls, 2);
  vyx::SetDestroyHook(previous);
}

TEST_F(SuspendedDestructionTest, ConcurrentCondemnAndDestroyAll) {
  SuspendedDestruction::Enable(1);
  constexpr int kThreads = 3;
  constexpr int kObjects = 3000;
  std::atomic<bool> done{false};
  std::thread sweeper([&] {
    while (!done.load())
      SuspendedDestruction::DestroyAll();
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < kObjects; ++i) {
        (new TestDog)->condemn();
      }
    });
  }
  for (auto &thread : threads)
    thread.join();
  done = true;
  sweeper.join();
  SuspendedDestruction::DestroyAll();
  EXPECT_EQ(TestAnimal::Live.load(), 0);
}

} // namespace
