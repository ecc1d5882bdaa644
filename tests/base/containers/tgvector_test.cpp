//===- tgvector_test.cpp - Typed growable array --------------------------===//

#include "containers/tgvector.h"
#include "object_model/exceptions.h"
#include "strings/gstring.h"
#include "support/base_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TGVectorTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { vyx::test::RegisterBaseMessages(); }
};

TEST_F(TGVectorTest, GrowsInMultiplesOfTheStep) {
  TGVector<long> v(4);
  EXPECT_EQ(v.getLimit(), 0);
  v.insert(1);
  EXPECT_EQ(v.getLimit(), 4);
  for (long i = 2; i <= 4; ++i)
    v.insert(i);
  EXPECT_EQ(v.getLimit(), 4);
  v.insert(5);
  EXPECT_EQ(v.getLimit(), 8);
  EXPECT_EQ(v.getCount(), 5);

  TGVector<long> stepOne(0);
  EXPECT_EQ(stepOne.getDelta(), 1);
  stepOne.setDelta(-3);
  EXPECT_EQ(stepOne.getDelta(), 1);
  TGVector<long> sized(10, 4);
  EXPECT_EQ(sized.getLimit(), 12);
  EXPECT_EQ(sized.getCount(), 0);
}

TEST_F(TGVectorTest, InsertRemoveAndAccess) {
  TGVector<std::string> v;
  v.insert("b");
  v.at_insert(0, "a");
  v.at_insert(2, "d");
  v.at_insert(2, "c");
  ASSERT_EQ(v.getCount(), 4);
  EXPECT_EQ(v[0], "a");
  EXPECT_EQ(v.at(3), "d");
  EXPECT_EQ(v.index_of("c"), 2);
  EXPECT_EQ(v.index_of("z"), -1);
  v.at_remove(1);
  EXPECT_EQ(v.at(1), "c");
  v.at_put(1, "C");
  std::string joined;
  for (const std::string &s : v)
    joined += s;
  EXPECT_EQ(joined, "aCd");
  v.remove_all();
  EXPECT_TRUE(v.isEmpty());
}

TEST_F(TGVectorTest, BadIndexRaisesWithItsRange) {
  TGVector<int> v;
  v.insert(1);
  v.insert(2);
  v.insert(3);
  try {
    v.at_insert(7, 0);
    FAIL() << "insertion past the end was accepted";
  } catch (const TGVector_IndexOutOfRange_Exception &e) {
    EXPECT_STREQ(e.getMessage().c_str(), "TGVector : index (7) is out of range (0-2)");
  }
  EXPECT_THROW(v.at_insert(-1, 0), TGVector_IndexOutOfRange_Exception);
  EXPECT_THROW(v.at(3), TGVector_IndexOutOfRange_Exception);
  EXPECT_THROW(v.at_remove(-1), TGVector_IndexOutOfRange_Exception);
  EXPECT_EQ(v.getCount(), 3) << "a refused operation changes nothing";
  TGVector<int> empty;
  try {
    empty.at(0);
    FAIL();
  } catch (const GLibraryException &e) {
    EXPECT_STREQ(e.getMessage().c_str(), "TGVector : index (0) is out of range (0--1)");
  }
}

TEST_F(TGVectorTest, CopiesAreIndependent) {
  TGVector<std::string> v(3);
  v.insert("one");
  v.insert("two");
  TGVector<std::string> copy(v);
  copy.at_put(0, "uno");
  EXPECT_EQ(v[0], "one");
  EXPECT_EQ(copy.getDelta(), 3);
  v = copy;
  EXPECT_EQ(v[0], "uno");
  TGVector<std::string> moved(std::move(copy));
  EXPECT_EQ(moved.getCount(), 2);
  v.empty();
  EXPECT_EQ(v.getLimit(), 0);
}

} // namespace
