// Tests of the pointer collections: growth and limits, insertion and
// removal, ownership, sorted search and insertion with and without
// duplicates, string collections and MSort.
#include "containers/msort.h"
#include "containers/sorted_collection.h"
#include "containers/tgcollection.h"

#include "container_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using ctest::NewString;
using ctest::Strings;

void *P(intptr_t n) { return reinterpret_cast<void *>(n); }

std::vector<void *> Items(const GCollection &c) {
  std::vector<void *> out;
  for (long i = 0; i < c.getCount(); ++i)
    out.push_back(c.at(i));
  return out;
}

/// An item that counts how often it is destroyed.
struct Counted {
  static int Deleted;
  explicit Counted(int key = 0) : Key(key) {}
  virtual ~Counted() { ++Deleted; }
  int Key;
};
int Counted::Deleted = 0;

TEST(CollectionTest, GrowsInStepsOfDelta) {
  GCollection c(0, 4, 1);
  for (int i = 1; i <= 5; ++i)
    c.insert(P(i));
  EXPECT_EQ(5, c.getCount());
  EXPECT_EQ(8, c.getLimit());

  GCollection ones(0, 0, 0);
  EXPECT_EQ(1, ones.getDelta());
  for (int i = 1; i <= 3; ++i) {
    ones.insert(P(i));
    EXPECT_EQ(i, ones.getLimit());
  }
  ones.setDelta(0);
  EXPECT_EQ(1, ones.getDelta());
  ones.setDelta(10);
  EXPECT_EQ(10, ones.getDelta());
}

TEST(CollectionTest, SetLimitNeverDropsItems) {
  GCollection c(10, 4, 0);
  EXPECT_EQ(10, c.getLimit());
  c.insert(P(1));
  c.insert(P(2));
  c.setLimit(0);
  EXPECT_EQ(2, c.getLimit());
  EXPECT_EQ((std::vector<void *>{P(1), P(2)}), Items(c));
  c.setLimit(100);
  EXPECT_EQ(100, c.getLimit());
  EXPECT_EQ((std::vector<void *>{P(1), P(2)}), Items(c));
  EXPECT_THROW(c.setLimit(0x80000000L), OutOfMemory_Exception);
}

TEST(CollectionTest, InsertBeyondTheCountFillsWithNull) {
  GCollection c;
  c.at_insert(3, P(7));
  EXPECT_EQ((std::vector<void *>{nullptr, nullptr, nullptr, P(7)}), Items(c));

  // Slots that removed items left behind must not reappear as items.
  GCollection d(0, 4, 0);
  for (int i = 1; i <= 4; ++i)
    d.insert(P(i));
  d.remove_all();
  d.at_insert(2, P(9));
  EXPECT_EQ((std::vector<void *>{nullptr, nullptr, P(9)}), Items(d));
}

TEST(CollectionTest, IndexErrors) {
  GCollection c(0, 4, 0);
  c.insert(P(1));
  c.insert(P(2));
  EXPECT_THROW(c.at_insert(-1, P(3)), GCollection_IndexOutOfRange_Exception);
  try {
    c.at_put(2, P(3));
    FAIL();
  } catch (const GCollection_IndexOutOfRange_Exception &e) {
    EXPECT_EQ(2, e.getIndex());
    EXPECT_EQ(0, e.getLow());
    EXPECT_EQ(1, e.getHigh());
  }
  EXPECT_THROW(c.at_free(-1), GCollection_IndexOutOfRange_Exception);
  c.at_remove(-1);
  c.at_remove(2);
  c.at_remove_range(-1, 5);
  EXPECT_EQ((std::vector<void *>{P(1), P(2)}), Items(c));
}

TEST(CollectionTest, InsertAndRemove) {
  GCollection c(0, 4, 0);
  c + P(1) + P(2) + P(4);
  c.at_insert(2, P(3));
  EXPECT_EQ((std::vector<void *>{P(1), P(2), P(3), P(4)}), Items(c));
  c.at_put(0, P(9));
  EXPECT_EQ(P(9), c.at(0));
  EXPECT_EQ(1, c.remove(P(2)));
  EXPECT_EQ(-1, c.remove(P(2)));
  c - P(9);
  EXPECT_EQ((std::vector<void *>{P(3), P(4)}), Items(c));
  c.insert(P(3));
  EXPECT_EQ(2, c.index_of(P(3))); // the highest index
  c.at_remove_range(1, 100);
  EXPECT_EQ((std::vector<void *>{P(3)}), Items(c));
}

TEST(CollectionTest, InsertRange) {
  GCollection a(0, 4, 0), b(0, 4, 0);
  a + P(1) + P(2);
  b + P(10) + P(11) + P(12);
  a.at_insert_range(1, b, 1, 10); // n clipped to 2
  EXPECT_EQ((std::vector<void *>{P(1), P(11), P(12), P(2)}), Items(a));
  a.at_insert_range(0, b, 3, 1); // nothing left to copy
  EXPECT_EQ(4, a.getCount());
  EXPECT_THROW(a.at_insert_range(0, b, -1, 2), GCollection_IndexOutOfRange_Exception);
  EXPECT_THROW(a.at_insert_range(-1, b, 0, 2), GCollection_IndexOutOfRange_Exception);
  a.at_insert_collection(4, b);
  EXPECT_EQ((std::vector<void *>{P(1), P(11), P(12), P(2), P(10), P(11), P(12)}), Items(a));
}

TEST(CollectionTest, InsertRangeFromItself) {
  GCollection c(0, 1, 0);
  c + P(1) + P(2) + P(3);
  // The insertion grows (reallocates) the storage and moves the source
  // range: the copy must still be the original items.
  c.at_insert_range(1, c, 0, 3);
  EXPECT_EQ((std::vector<void *>{P(1), P(1), P(2), P(3), P(2), P(3)}), Items(c));
}

TEST(CollectionTest, PackRemovesNulls) {
  GCollection c(0, 4, 0);
  c + P(1) + nullptr + P(2) + nullptr;
  c.pack();
  EXPECT_EQ((std::vector<void *>{P(1), P(2)}), Items(c));
}

TEST(CollectionTest, TypedCollectionFreesOwnedItemsExactlyOnce) {
  Counted::Deleted = 0;
  {
    TGCollection<Counted> c(0, 4, 1);
    Counted *a = new Counted(1), *b = new Counted(2), *kept = new Counted(3);
    c + a + b + kept;
    c.free(a);
    EXPECT_EQ(1, Counted::Deleted);
    c.at_free(0); // b
    EXPECT_EQ(2, Counted::Deleted);
    c.remove(kept); // detached, not freed
    EXPECT_EQ(2, Counted::Deleted);
    c.insert(new Counted(4));
    c.insert(new Counted(5));
    delete kept;
    EXPECT_EQ(3, Counted::Deleted);
  }
  EXPECT_EQ(5, Counted::Deleted); // the destructor freed the last two

  Counted::Deleted = 0;
  Counted shared[2];
  {
    TGCollection<Counted> borrowed(0, 4, 0);
    borrowed + &shared[0] + &shared[1];
    borrowed.empty();
    EXPECT_EQ(0, borrowed.getCount());
  }
  EXPECT_EQ(0, Counted::Deleted);
}

TEST(CollectionTest, DestroyShutsDownAnOwningCollection) {
  Counted::Deleted = 0;
  auto *c = new TGCollection<Counted>(0, 4, 1);
  c->insert(new Counted);
  c->insert(new Counted);
  GStreamable::Destroy(c);
  EXPECT_EQ(2, Counted::Deleted);
}

TEST(CollectionTest, RegisteredClasses) {
  EXPECT_EQ(&GCollection::metaclass_, GMetaClass::FindByName("GCollection"));
  EXPECT_EQ(&GSortedCollection::metaclass_, GMetaClass::FindByName("GSortedCollection"));
  EXPECT_EQ(&GStringCollection::metaclass_, GMetaClass::FindByName("GStringCollection"));
  GRTTIObject *built = GMetaClass::BuildByName("GStringCollection");
  ASSERT_NE(nullptr, built);
  EXPECT_TRUE(built->isKindOf("GSortedCollection"));
  EXPECT_TRUE(built->isKindOf("GCollection"));
  EXPECT_TRUE(built->isKindOf("GStreamable"));
  built->destroyThis();
}

// Sorted collections ----------------------------------------------------------

/// Items are Counted objects sorted by their key.
class KeyedCollection : public GSortedCollection {
public:
  KeyedCollection(bool duplicates, unsigned char owns) : GSortedCollection(0, 4, owns) {
    this->duplicates(duplicates);
  }
  ~KeyedCollection() override { shut_down(); }
  const void *keyOf(const void *item) const override {
    return &static_cast<const Counted *>(item)->Key;
  }
  int compare(const void *a, const void *b) const override {
    return *static_cast<const int *>(a) - *static_cast<const int *>(b);
  }

protected:
  void freeItem(void *p) override { delete static_cast<Counted *>(p); }
};

std::vector<int> Keys(const GCollection &c) {
  std::vector<int> out;
  for (long i = 0; i < c.getCount(); ++i)
    out.push_back(static_cast<Counted *>(c.at(i))->Key);
  return out;
}

TEST(SortedCollectionTest, RejectsAndFreesDuplicateKeys) {
  Counted::Deleted = 0;
  {
    KeyedCollection c(false, 1);
    Counted *first = new Counted(5);
    EXPECT_EQ(0, c.insert(first));
    EXPECT_EQ(0, c.insert(new Counted(1)));
    EXPECT_EQ(2, c.insert(new Counted(9)));
    EXPECT_EQ(1, c.insert(new Counted(5))); // rejected and freed
    EXPECT_EQ(1, Counted::Deleted);
    EXPECT_EQ((std::vector<int>{1, 5, 9}), Keys(c));
    // The very item it already holds is not freed.
    EXPECT_EQ(1, c.insert(first));
    EXPECT_EQ(1, Counted::Deleted);
    EXPECT_EQ(5, first->Key);
    EXPECT_EQ(3, c.getCount());
  }
  EXPECT_EQ(4, Counted::Deleted);
}

TEST(SortedCollectionTest, SearchWithAndWithoutDuplicates) {
  Counted items[] = {Counted(1), Counted(3), Counted(3), Counted(3), Counted(7)};
  KeyedCollection dup(true, 0);
  for (Counted &c : items)
    dup.insert(&c);
  EXPECT_EQ((std::vector<int>{1, 3, 3, 3, 7}), Keys(dup));
  long index = -1;
  int key = 3;
  EXPECT_TRUE(dup.search(&key, index));
  EXPECT_EQ(1, index); // leftmost equal key
  key = 4;
  EXPECT_FALSE(dup.search(&key, index));
  EXPECT_EQ(4, index);
  key = 0;
  EXPECT_FALSE(dup.search(&key, index));
  EXPECT_EQ(0, index);
  key = 8;
  EXPECT_FALSE(dup.search(&key, index));
  EXPECT_EQ(5, index);
  // New equal keys go before the present ones.
  Counted another(3);
  EXPECT_EQ(1, dup.insert(&another));
  EXPECT_EQ(&another, dup.at(1));
  // index_of finds the very pointer among equal keys (each inserted before
  // the equal keys already present).
  EXPECT_EQ(2, dup.index_of(&items[3]));
  EXPECT_EQ(4, dup.index_of(&items[1]));
  Counted stranger(3);
  EXPECT_EQ(-1, dup.index_of(&stranger));

  KeyedCollection unique(false, 0);
  for (Counted &c : items)
    unique.insert(&c);
  EXPECT_EQ((std::vector<int>{1, 3, 7}), Keys(unique));
  // Without duplicates index_of answers for an equal key.
  EXPECT_EQ(1, unique.index_of(&stranger));
}

TEST(SortedCollectionTest, ResortOrdersByKey) {
  Counted items[] = {Counted(4), Counted(2), Counted(9), Counted(1), Counted(2)};
  KeyedCollection c(true, 0);
  for (Counted &item : items)
    c.GCollection::at_insert(c.getCount(), &item); // unsorted on purpose
  c.resort();
  EXPECT_EQ((std::vector<int>{1, 2, 2, 4, 9}), Keys(c));
}

TEST(SortedCollectionTest, DefaultCompareOrdersPointersWithoutTruncation) {
  GSortedCollection c(0, 4, 0);
  // Pointers whose difference does not fit in an int.
  void *low = P(0x100000000LL), *high = P(0x300000010LL), *mid = P(0x200000000LL);
  c + high + low + mid;
  EXPECT_EQ((std::vector<void *>{low, mid, high}), Items(c));
  EXPECT_GT(c.compare(high, low), 0);
  EXPECT_LT(c.compare(low, high), 0);
}

// String collections ----------------------------------------------------------

TEST(StringCollectionTest, SortsByUnsignedBytes) {
  GStringCollection c;
  c + NewString("b") + NewString("a") + NewString("\xC3\xA9") + NewString("B");
  EXPECT_EQ((std::vector<std::string>{"B", "a", "b", "\xC3\xA9"}), Strings(c));
  EXPECT_EQ(1, c.index_of("a"));
  EXPECT_EQ(-1, c.index_of("c"));
}

TEST(StringCollectionTest, DuplicatesFindTheVeryPointer) {
  GStringCollection c;
  c.duplicates(1);
  char *one = NewString("x"), *two = NewString("x"), *three = NewString("x");
  c + one + two + three;
  EXPECT_EQ(3, c.getCount());
  EXPECT_EQ(c.at(c.index_of(two)), two);
  EXPECT_EQ(c.at(c.index_of(one)), one);
  EXPECT_EQ(c.at(c.index_of(three)), three);
}

TEST(StringCollectionTest, NullStringsSortFirst) {
  GStringCollection c(0, 4, 1);
  c + NewString("a") + nullptr;
  EXPECT_EQ((std::vector<std::string>{"<null>", "a"}), Strings(c));
  EXPECT_EQ(0, c.index_of(nullptr));
}

TEST(StringCollectionTest, CopyAndAssignment) {
  GStringCollection owning;
  owning + NewString("b") + NewString("a");
  GStringCollection copy(owning);
  EXPECT_EQ(2, copy.getLimit());
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), Strings(copy));
  EXPECT_NE(owning.at(0), copy.at(0)); // duplicated

  // A target that does not own shares the strings; one that owns copies
  // them, whatever the source does.
  GStringCollection sharing(0, 4, 0);
  sharing = owning;
  EXPECT_EQ(owning.at(1), sharing.at(1));
  EXPECT_EQ(0, sharing.ownsItems());

  char text[] = "shared";
  GStringCollection borrowed(0, 4, 0);
  borrowed.insert(text);
  GStringCollection target(0, 4, 1);
  target.insert(NewString("old"));
  target = borrowed;
  EXPECT_EQ((std::vector<std::string>{"shared"}), Strings(target));
  EXPECT_NE(text, target.at(0));

  GStringCollection &alias = target;
  target = alias; // self-assignment keeps the items
  EXPECT_EQ((std::vector<std::string>{"shared"}), Strings(target));
}

// MSort -------------------------------------------------------------------------

std::vector<int> *Sorted = nullptr;

int LessInts(long i, long j, void *data) {
  auto &v = *static_cast<std::vector<int> *>(data);
  return v[i] < v[j];
}
void SwapInts(long i, long j, void *data) {
  auto &v = *static_cast<std::vector<int> *>(data);
  std::swap(v[i], v[j]);
}
short ShortLess(long i, long j) { return (*Sorted)[i] < (*Sorted)[j]; }
void ShortSwap(long i, long j) { std::swap((*Sorted)[i], (*Sorted)[j]); }

std::vector<int> Shuffled(int n, unsigned seed) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i)
    v[i] = static_cast<int>((i * 7919u + seed) % 97);
  return v;
}

TEST(MSortTest, QuickAndHeapSort) {
  for (int n : {0, 1, 2, 3, 11, 12, 13, 100, 1000}) {
    std::vector<int> q = Shuffled(n, 5), h = q, expected = q;
    std::sort(expected.begin(), expected.end());
    MSort::QSort(n, &q, LessInts, SwapInts);
    MSort::HSort(n, &h, LessInts, SwapInts);
    EXPECT_EQ(expected, q) << n;
    EXPECT_EQ(expected, h) << n;
  }
  // Sorted input and all-equal input.
  std::vector<int> ascending(500), equal(500, 4);
  for (int i = 0; i < 500; ++i)
    ascending[i] = i;
  std::vector<int> expected = ascending;
  MSort::QSort(500, &ascending, LessInts, SwapInts);
  EXPECT_EQ(expected, ascending);
  MSort::QSort(500, &equal, LessInts, SwapInts);
  EXPECT_EQ(std::vector<int>(500, 4), equal);

  std::vector<int> s = Shuffled(50, 3), e = s;
  std::sort(e.begin(), e.end());
  Sorted = &s;
  MSort::QSort(50, ShortLess, ShortSwap);
  EXPECT_EQ(e, s);
  s = Shuffled(50, 9);
  e = s;
  std::sort(e.begin(), e.end());
  MSort::HSort(50, ShortLess, ShortSwap);
  EXPECT_EQ(e, s);
}

const int kSearched[] = {10, 20, 30};
int Target = 0;
short CompareTarget(long i) {
  return static_cast<short>((kSearched[i] > Target) - (kSearched[i] < Target));
}

TEST(MSortTest, DSearchBounds) {
  struct Case {
    int target, result;
    long le, ge;
  } cases[] = {{25, 0, 1, 2}, {5, 0, -1, 0}, {35, 0, 2, 3}, {10, 1, 0, 0},
               {30, 1, 2, 2}, {20, 1, 1, 1}, {15, 0, 0, 1}};
  for (const Case &c : cases) {
    Target = c.target;
    EXPECT_EQ(c.result, MSort::DSearch(3, CompareTarget)) << c.target;
    EXPECT_EQ(c.le, MSort::Less_or_Equal()) << c.target;
    EXPECT_EQ(c.ge, MSort::Greater_or_Equal()) << c.target;
  }
  EXPECT_EQ(0, MSort::DSearch(0, CompareTarget));
  EXPECT_EQ(-1, MSort::Less_or_Equal());
  EXPECT_EQ(0, MSort::Greater_or_Equal());
}

} // namespace
