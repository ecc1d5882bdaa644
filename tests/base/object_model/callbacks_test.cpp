//===- callbacks_test.cpp - Callback lists and reasons -------------------===//

#include "object_model/callbacks.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace {

struct Log {
  std::vector<std::string> Calls;
};

/// Appends "<user tag>" to the log passed as data.
void record(GCallBackReason, void *data, void *user) {
  static_cast<Log *>(data)->Calls.emplace_back(static_cast<const char *>(user));
}

void other(GCallBackReason, void *data, void *) {
  static_cast<Log *>(data)->Calls.emplace_back("other");
}

std::vector<std::string> callFor(GCallBackList &list, GCallBackReason r) {
  Log log;
  list.call(r, &log);
  return log.Calls;
}

char A[] = "a", B[] = "b", C[] = "c";

TEST(CallBackReason, Values) {
  GCallBackReason first, second;
  EXPECT_TRUE(first != second);
  GCallBackReason copy(first);
  EXPECT_TRUE(copy == first);
  GCallBackReason assigned;
  assigned = second;
  EXPECT_TRUE(assigned == second);
  EXPECT_EQ(first.value(), reinterpret_cast<intptr_t>(&first));
  EXPECT_TRUE(GCallBackReason(0x80000000L) == GAnyReason);
  EXPECT_EQ(GAnyReason.value(), 0x80000000L);
  EXPECT_TRUE(GCallBackReason(7) == GCallBackReason(7));
  // Addresses differing only above bit 31 are different reasons.
  EXPECT_FALSE(GCallBackReason(0x100000007L) == GCallBackReason(7));
}

TEST(CallBackList, AttachCountsAndDetachUncounts) {
  GCallBackList list;
  GCallBackReason r;
  list.attach_callback(&record, r, A);
  list.attach_callback(&record, r, A);
  EXPECT_EQ(list.getCount(), 1);
  list.detach_callback(&record, r, A);
  EXPECT_EQ(callFor(list, r), std::vector<std::string>{"a"});
  list.detach_callback(&record, r, A);
  EXPECT_TRUE(callFor(list, r).empty());
  EXPECT_EQ(list.getCount(), 0);
  list.detach_callback(&record, r, A); // nothing left: no effect
}

TEST(CallBackList, AnyReasonCoversEverything) {
  GCallBackList list;
  GCallBackReason r1, r2, r3;
  list.attach_callback(&record, r1, A);
  list.attach_callback(&record, r2, A);
  list.attach_callback(&record, r1, B);
  list.attach_callback(&record, GAnyReason, A);
  EXPECT_EQ(list.getCount(), 2) << "the any-reason entry replaced a's two entries";
  EXPECT_EQ(callFor(list, r1), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(callFor(list, r2), std::vector<std::string>{"a"});
  EXPECT_EQ(callFor(list, r3), std::vector<std::string>{"a"});
  list.attach_callback(&record, r1, A); // already covered
  EXPECT_EQ(list.getCount(), 2);
  list.detach_callback(&record, r1, A); // does not touch the any-reason entry
  EXPECT_EQ(callFor(list, r3), std::vector<std::string>{"a"});
  // A second any-reason attach counts.
  list.attach_callback(&record, GAnyReason, A);
  list.detach_callback(&record, GAnyReason, A);
  EXPECT_TRUE(callFor(list, r3).empty()) << "detaching any-reason removes the entry at once";
  EXPECT_EQ(callFor(list, r1), std::vector<std::string>{"b"});
}

TEST(CallBackList, DetachAnyRemovesEveryEntryOfTheFunctionAndUser) {
  GCallBackList list;
  GCallBackReason r1, r2;
  list.attach_callback(&record, r1, A);
  list.attach_callback(&record, r2, A);
  list.attach_callback(&record, r2, A);
  list.attach_callback(&record, r1, B);
  list.attach_callback(&other, r1, A);
  list.detach_callback(&record, GAnyReason, A);
  EXPECT_EQ(list.getCount(), 2);
  EXPECT_EQ(callFor(list, r1), (std::vector<std::string>{"other", "b"}));
  EXPECT_TRUE(callFor(list, r2).empty());
}

TEST(CallBackList, CallsFromLastToFirstAndOnlyMatchingReasons) {
  GCallBackList list;
  GCallBackReason r1, r2, nobody;
  list.attach_callback(&record, r1, A);
  list.attach_callback(&record, GAnyReason, B);
  list.attach_callback(&record, r1, C);
  list.attach_callback(&record, r2, A);
  EXPECT_EQ(callFor(list, r1), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(callFor(list, nobody), std::vector<std::string>{"b"});
}

// Callbacks that change the list while it is called ---------------------------

struct Mutation {
  GCallBackList *List;
  GCallBackReason Reason;
  int Calls = 0;
  int Attach = 0; // entries to attach on the first call
};

void removeAll(GCallBackReason, void *data, void *) {
  auto *m = static_cast<Mutation *>(data);
  ++m->Calls;
  m->List->detach_callback(&removeAll, GAnyReason, nullptr);
  m->List->detach_callback(&removeAll, GAnyReason, &m->Calls);
}

void counter(GCallBackReason, void *data, void *) { ++static_cast<Mutation *>(data)->Calls; }

void attachMany(GCallBackReason, void *data, void *user) {
  auto *m = static_cast<Mutation *>(data);
  ++m->Calls;
  for (; m->Attach > 0; --m->Attach)
    m->List->attach_callback(&counter, m->Reason,
                             reinterpret_cast<void *>(static_cast<intptr_t>(m->Attach)));
  (void)user;
}

TEST(CallBackList, CallSurvivesCallbacksThatRemoveSeveralEntries) {
  GCallBackList list;
  GCallBackReason r;
  Mutation m{&list, r};
  list.attach_callback(&counter, r, A);
  for (int i = 0; i < 5; ++i) {
    GCallBackReason own;
    list.attach_callback(&removeAll, own, nullptr);
  }
  list.attach_callback(&removeAll, r, nullptr);
  list.attach_callback(&removeAll, r, &m.Calls);
  list.call(r, &m);
  // The last entry removed every removeAll entry; the walk skipped the
  // vanished indices and still reached the counter at index 0.
  EXPECT_EQ(m.Calls, 2);
  EXPECT_EQ(list.getCount(), 1);
}

TEST(CallBackList, CallSurvivesCallbacksThatGrowTheList) {
  GCallBackList list;
  GCallBackReason r;
  Mutation m{&list, r};
  m.Attach = 40; // forces the entries to move while one is being called
  list.attach_callback(&counter, r, A);
  list.attach_callback(&attachMany, r, B);
  list.call(r, &m);
  EXPECT_EQ(m.Calls, 2) << "entries attached during the call sit above the walk";
  EXPECT_EQ(list.getCount(), 42);
  m.Calls = 0;
  list.call(r, &m);
  EXPECT_EQ(m.Calls, 42);
}

TEST(CallBackList, NotCopyable) {
  static_assert(!std::is_copy_constructible_v<GCallBackList>);
  static_assert(!std::is_copy_assignable_v<GCallBackList>);
}

} // namespace
