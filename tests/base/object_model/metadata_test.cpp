//===- metadata_test.cpp - Values attached to classes --------------------===//

#include "object_model/metadata.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(MetaData, InheritedThroughAncestors) {
  GMetaIndex legs;
  ASSERT_TRUE(GMetaData(legs, TestAnimal::metaclass_).setLong(4));
  GMetaData puppy(legs, TestPuppy::metaclass_);
  EXPECT_TRUE(puppy.lookInheritedAlso());
  EXPECT_EQ(puppy.getLong(-1), 4);
  puppy.lookInheritedAlso(false);
  EXPECT_EQ(puppy.getLong(-1), -1);
  EXPECT_EQ(puppy.getData(), nullptr);
  puppy.lookInheritedAlso(true);

  // The nearest class wins.
  ASSERT_TRUE(GMetaData(legs, TestDog::metaclass_).setLong(3));
  EXPECT_EQ(puppy.getLong(-1), 3);
  EXPECT_EQ(GMetaData(legs, TestAnimal::metaclass_).getLong(-1), 4);
  EXPECT_EQ(GMetaData(legs, TestNamed::metaclass_).getLong(-1), -1);

  // Another index is another store.
  GMetaIndex colour;
  EXPECT_EQ(GMetaData(colour, TestPuppy::metaclass_).getLong(-1), -1);
}

TEST(MetaData, AncestorOrderIsDepthFirst) {
  GMetaIndex index;
  // TestRoboDog derives from TestDog (-> TestAnimal) then TestNamed: the
  // whole first branch is searched before the second base.
  GMetaData(index, TestNamed::metaclass_).setLong(2);
  EXPECT_EQ(GMetaData(index, TestRoboDog::metaclass_).getLong(0), 2);
  GMetaData(index, TestAnimal::metaclass_).setLong(1);
  EXPECT_EQ(GMetaData(index, TestRoboDog::metaclass_).getLong(0), 1);
  GMetaData(index, GRTTIObject::metaclass_).setLong(9);
  EXPECT_EQ(GMetaData(index, TestRoboDog::metaclass_).getLong(0), 1);
  EXPECT_EQ(GMetaData(index, GObject::metaclass_).getLong(0), 9);
}

TEST(MetaData, AliasSharesTheRecordOfItsClass) {
  GMetaIndex index;
  const GMetaClass *alias = GMetaClass::FindByName("TestAncientDog");
  ASSERT_NE(alias, nullptr);
  ASSERT_TRUE(GMetaData(index, *alias).setDouble(2.5));
  GMetaData dog(index, TestDog::metaclass_);
  dog.lookInheritedAlso(false);
  EXPECT_EQ(dog.getDouble(0), 2.5);
}

TEST(MetaData, TypedValues) {
  GMetaIndex index;
  GMetaData d(index, TestDog::metaclass_);
  EXPECT_FALSE(d.getBool(false));
  EXPECT_TRUE(d.setBool(true));
  EXPECT_EQ(d.getLength(), 1u);
  EXPECT_TRUE(d.getBool(false));
  EXPECT_EQ(d.getLong(-7), -7) << "a 1-byte value is no long";
  EXPECT_TRUE(d.setLong(-123456));
  EXPECT_EQ(d.getLength(), 4u);
  EXPECT_EQ(d.getLong(0), -123456);
  EXPECT_TRUE(d.setULong(0xFFFFFFFFul));
  EXPECT_EQ(d.getULong(0), 0xFFFFFFFFul);
  EXPECT_TRUE(d.setFloat(1.25f));
  EXPECT_EQ(d.getFloat(0), 1.25f);
  EXPECT_EQ(d.getDouble(-1), -1) << "4 bytes are no double";
  EXPECT_TRUE(d.setDouble(-0.5));
  EXPECT_EQ(d.getDouble(0), -0.5);

  // Values that do not fit their 32-bit field are refused.
  EXPECT_FALSE(d.setLong(0x100000000L));
  EXPECT_FALSE(d.setLong(-0x80000001L));
  EXPECT_FALSE(d.setULong(0x100000000ul));
  EXPECT_EQ(d.getDouble(0), -0.5) << "a refused value changes nothing";
  EXPECT_TRUE(d.setLong(-0x80000000L));
  EXPECT_EQ(d.getLong(0), -0x80000000L);
}

TEST(MetaData, PointersKeepAllEightBytes) {
  GMetaIndex index;
  GMetaData d(index, TestDog::metaclass_);
  const void *high = reinterpret_cast<const void *>(0x123456789ABCDEF0ull);
  EXPECT_TRUE(d.setPtr(high));
  EXPECT_EQ(d.getLength(), sizeof(void *));
  EXPECT_EQ(d.getPtr(nullptr), high);
  const void *stored;
  std::memcpy(&stored, d.getData(), sizeof stored);
  EXPECT_EQ(stored, high);
}

TEST(MetaData, HandleWithoutIndexOrClassStoresNothing) {
  GMetaIndex index;
  GMetaData none;
  EXPECT_FALSE(none.setLong(1));
  EXPECT_EQ(none.getLong(5), 5);
  GMetaData noClass(index);
  EXPECT_FALSE(noClass.setDouble(1));
  EXPECT_FALSE(noClass.removeData());
  noClass.setMetaClass(&TestDog::metaclass_);
  EXPECT_EQ(noClass.getMetaClass(), &TestDog::metaclass_);
  EXPECT_EQ(noClass.getMetaIndex(), &index);
  EXPECT_TRUE(noClass.setDouble(1));
  EXPECT_FALSE(GMetaData::SetMetaData(&index, &TestDog::metaclass_, nullptr, 3, nullptr));
  EXPECT_TRUE(GMetaData::SetMetaData(&index, &TestDog::metaclass_, nullptr, 0, nullptr));
  unsigned length = 99;
  EXPECT_NE(GMetaData::GetMetaData(&index, &TestDog::metaclass_, false, &length), nullptr);
  EXPECT_EQ(length, 0u);
}

std::vector<std::string> Freed;
void recordFree(void *bytes) { Freed.emplace_back(static_cast<const char *>(bytes)); }

TEST(MetaData, ReplacingCopiesBeforeReleasing) {
  GMetaIndex index;
  GMetaData d(index, TestDog::metaclass_);
  Freed.clear();
  const char longText[] = "a value longer than eight bytes";
  ASSERT_TRUE(d.setData(longText, sizeof longText, &recordFree));
  // The record's own bytes as the new value: copied before the old block
  // is freed.
  ASSERT_TRUE(d.setData(d.getData(), d.getLength(), &recordFree));
  ASSERT_EQ(Freed.size(), 1u);
  EXPECT_EQ(Freed[0], longText) << "the free function saw the old bytes";
  EXPECT_STREQ(static_cast<const char *>(d.getData()), longText);

  const char shortText[] = "short";
  ASSERT_TRUE(d.setData(shortText, sizeof shortText, &recordFree));
  ASSERT_TRUE(d.setData(d.getData(), d.getLength(), nullptr));
  EXPECT_STREQ(static_cast<const char *>(d.getData()), shortText);
  ASSERT_EQ(Freed.size(), 3u);
  EXPECT_EQ(Freed[2], shortText);

  // A tail of the value as the whole new value.
  ASSERT_TRUE(d.setData(longText, sizeof longText, nullptr));
  const char *tail = static_cast<const char *>(d.getData()) + 2;
  ASSERT_TRUE(d.setData(tail, static_cast<unsigned>(std::strlen(tail) + 1), nullptr));
  EXPECT_STREQ(static_cast<const char *>(d.getData()), longText + 2);
}

TEST(MetaData, RemoveCallsTheFreeFunction) {
  GMetaIndex index;
  GMetaData d(index, TestDog::metaclass_);
  Freed.clear();
  ASSERT_TRUE(d.setData("gone", 5, &recordFree));
  EXPECT_TRUE(d.removeData());
  EXPECT_FALSE(d.removeData());
  ASSERT_EQ(Freed.size(), 1u);
  EXPECT_EQ(Freed[0], "gone");
  EXPECT_EQ(d.getData(), nullptr);
  EXPECT_FALSE(GMetaData::RemoveMetaData(&index, &TestPuppy::metaclass_));
}

TEST(MetaData, IndexLifetime) {
  long before = GMetaIndex::GetCount();
  Freed.clear();
  alignas(GMetaIndex) unsigned char place[sizeof(GMetaIndex)];
  auto *first = new (place) GMetaIndex;
  EXPECT_EQ(GMetaIndex::GetCount(), before + 1);
  GMetaData(*first, TestDog::metaclass_).setData("first", 6, &recordFree);
  first->~GMetaIndex();
  EXPECT_EQ(GMetaIndex::GetCount(), before);
  ASSERT_EQ(Freed.size(), 1u) << "an index takes its records with it";
  // A new index at the same address starts empty.
  auto *second = new (place) GMetaIndex;
  EXPECT_EQ(GMetaData(*second, TestDog::metaclass_).getData(), nullptr);
  second->~GMetaIndex();
}

TEST(MetaData, ClassLifetime) {
  static constinit const type_info type("vyxMetaLifetime");
  GMetaIndex index;
  Freed.clear();
  alignas(GMetaClass) unsigned char place[sizeof(GMetaClass)];
  auto *first = new (place)
      GMetaClass(nullptr, type, "vyxMetaLifetime", nullptr, nullptr, &TestDog::metaclass_);
  GMetaData(index, *first).setData("first", 6, &recordFree);
  first->~GMetaClass();
  ASSERT_EQ(Freed.size(), 1u) << "an unregistered class takes its records with it";
  // A class registered later at the same address starts without records.
  auto *second = new (place)
      GMetaClass(nullptr, type, "vyxMetaLifetime", nullptr, nullptr, &TestDog::metaclass_);
  GMetaData fresh(index, *second);
  fresh.lookInheritedAlso(false);
  EXPECT_EQ(fresh.getData(), nullptr);
  second->~GMetaClass();
}

TEST(MetaData, SeveralThreads) {
  GMetaIndex shared;
  constexpr int kThreads = 4;
  constexpr int kRounds = 3000;
  std::vector<std::thread> threads;
  std::atomic<int> torn{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      GMetaIndex own;
      const GMetaClass *classes[] = {&TestDog::metaclass_, &TestPuppy::metaclass_,
                                     &TestAnimal::metaclass_};
      for (int r = 0; r < kRounds; ++r) {
        const GMetaClass &m = *classes[r % 3];
        GMetaData mine(own, m);
        mine.setLong(t * kRounds + r);
        if (mine.getLong(-1) != t * kRounds + r)
          ++torn;
        // A shared record written by all: a reader sees one whole value.
        GMetaData common(shared, m);
        double value = static_cast<double>(t + 1) * 1.0e6 + r;
        common.setData(&value, sizeof value, nullptr);
        double seen = GMetaData(shared, TestPuppy::metaclass_).getDouble(0);
        if (seen != 0 && (seen < 1.0e6 || seen > kThreads * 1.0e6 + kRounds))
          ++torn;
        if (r % 100 == 0)
          common.removeData();
      }
    });
  }
  for (auto &thread : threads)
    thread.join();
  EXPECT_EQ(torn.load(), 0);
}

} // namespace
