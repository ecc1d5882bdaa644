// Tests of the stream forms of collections, bit sets, points and
// rectangles: exact bytes, round trips, and damaged or hostile input.
#include "containers/bit_set.h"
#include "containers/point_rect.h"
#include "containers/sorted_collection.h"
#include "pstreams/memory_pstream.h"

#include "container_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using ctest::NewString;
using ctest::Strings;

using Bytes = std::vector<unsigned char>;

Bytes Written(const std::function<void(opstream &)> &write,
              pstream::EndianType endian = pstream::LittleEndian) {
  ompstream os;
  os.endian(endian);
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

/// Runs `read` on an input stream over `bytes`.
void ReadFrom(Bytes bytes, const std::function<void(ipstream &)> &read,
              pstream::EndianType endian = pstream::LittleEndian) {
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  read(is);
}

// Collections -----------------------------------------------------------------

TEST(CollectionStreamTest, StringCollectionBytes) {
  GStringCollection c;
  c + NewString("b") + NewString("a");
  Bytes expected{0x02, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01, 0x01, 0x00, 'a', 0x01, 0x00, 'b', 0x00};
  EXPECT_EQ(expected, Written([&](opstream &os) { c.write(os); }));
}

TEST(CollectionStreamTest, LargeCountsUseTheLongCompatForm) {
  GCollection c(0x12345, 0x8000, 0);
  Bytes expected{0x00, 0x00, 0x01, 0x80, 0x45, 0x23, 0x00, 0x80, 0x00, 0x80, 0x00};
  EXPECT_EQ(expected, Written([&](opstream &os) { c.write(os); }));
  GCollection back(0, 1, 1);
  ReadFrom(expected, [&](ipstream &is) { back.read(is); });
  EXPECT_EQ(0, back.getCount());
  EXPECT_EQ(0x12345, back.getLimit());
  EXPECT_EQ(0x8000, back.getDelta());
  EXPECT_EQ(0, back.ownsItems());
}

TEST(CollectionStreamTest, StringCollectionRoundTripByPointer) {
  GStringCollection c(0, 8, 1);
  c.duplicates(1);
  c + NewString("pear") + NewString("apple") + NewString("pear") + nullptr;
  Bytes bytes = Written([&](opstream &os) { os << static_cast<GStreamable *>(&c); });
  GStringCollection *back = nullptr;
  ReadFrom(bytes, [&](ipstream &is) { is >> back; });
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(Strings(c), Strings(*back));
  EXPECT_EQ(8, back->getLimit());
  EXPECT_EQ(8, back->getDelta());
  EXPECT_EQ(1, back->duplicates());
  EXPECT_EQ(1, back->ownsItems());
  GStreamable::Destroy(back);
}

TEST(CollectionStreamTest, ReadingEmptiesTheCollectionFirst) {
  GStringCollection source;
  source + NewString("new");
  Bytes bytes = Written([&](opstream &os) { source.write(os); });
  GStringCollection target;
  target + NewString("old1") + NewString("old2");
  ReadFrom(bytes, [&](ipstream &is) { target.read(is); });
  EXPECT_EQ((std::vector<std::string>{"new"}), Strings(target));
}

TEST(CollectionStreamTest, StoredOrderIsKeptAndDeltaZeroBecomesOne) {
  // count 2, limit 2, delta 0, owns 1, "b", "a", duplicates 0
  Bytes bytes{2, 0, 2, 0, 0, 0, 1, 1, 0, 'b', 1, 0, 'a', 0};
  GStringCollection c;
  ReadFrom(bytes, [&](ipstream &is) { c.read(is); });
  EXPECT_EQ((std::vector<std::string>{"b", "a"}), Strings(c));
  EXPECT_EQ(1, c.getDelta());
}

TEST(CollectionStreamTest, HostileCountsAndLimitsAllocateNothing) {
  // A count of 0x7FFFFFFF with a single item behind it, and the largest
  // limit: the reader must neither reserve that much nor loop on.
  Bytes bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 1, 1, 0, 'x'};
  GStringCollection c;
  EXPECT_THROW(ReadFrom(bytes, [&](ipstream &is) { c.read(is); }), NonZeroPStreamState_Exception);
  EXPECT_EQ(0, c.getCount()); // the string read before the failure is freed

  // The largest limit is kept as a number without reserving storage.
  Bytes limitOnly{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 1, 0};
  GStringCollection d;
  ReadFrom(limitOnly, [&](ipstream &is) { d.read(is); });
  EXPECT_EQ(0, d.getCount());
  EXPECT_EQ(0x7FFFFFFF, d.getLimit());
}

TEST(CollectionStreamTest, HugeStoredDeltaReservesNothing) {
  // count 2, limit 4, delta 0x2D000000, owns 1, "a", "b", duplicates 0
  Bytes bytes{2, 0, 4, 0, 0x00, 0xAD, 0, 0, 1, 1, 0, 'a', 1, 0, 'b', 0};
  GStringCollection c;
  ReadFrom(bytes, [&](ipstream &is) { c.read(is); });
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), Strings(c));
  EXPECT_EQ(0x2D000000, c.getDelta());
  EXPECT_EQ(4, c.getLimit());
  c + NewString("c") + NewString("d");
  EXPECT_EQ(4, c.getLimit());
  c.insert(NewString("e")); // grows the limit by the delta, not the storage
  EXPECT_EQ(0x2D000000, c.getLimit());
}

TEST(CollectionStreamTest, ItemsWithoutDataAreBounded) {
  // A plain collection streams no item data: a few null items come back,
  // but a huge stored count is a read failure, not gigabytes of nulls.
  GCollection back;
  ReadFrom({3, 0, 4, 0, 4, 0, 0}, [&](ipstream &is) { back.read(is); });
  EXPECT_EQ(3, back.getCount());
  EXPECT_EQ(nullptr, back.at(2));
  EXPECT_THROW(
      ReadFrom({0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 4, 0, 0}, [&](ipstream &is) { back.read(is); }),
      NonZeroPStreamState_Exception);
}

TEST(CollectionStreamTest, EveryTruncationFailsCleanly) {
  GStringCollection c;
  c + NewString("one") + NewString("two") + NewString("three");
  Bytes bytes = Written([&](opstream &os) { c.write(os); });
  for (size_t n = 0; n < bytes.size(); ++n) {
    Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    GStringCollection back;
    EXPECT_THROW(ReadFrom(cut, [&](ipstream &is) { back.read(is); }), NonZeroPStreamState_Exception)
        << n;
  }
}

TEST(CollectionStreamTest, NonOwningCollectionHandsReadItemsToTheCaller) {
  char a[] = "a";
  GStringCollection borrowed(0, 4, 0);
  borrowed.insert(a);
  Bytes bytes = Written([&](opstream &os) { borrowed.write(os); });
  GStringCollection back;
  ReadFrom(bytes, [&](ipstream &is) { back.read(is); });
  ASSERT_EQ(1, back.getCount());
  EXPECT_EQ(0, back.ownsItems());
  EXPECT_STREQ("a", back.at(0));
  delete[] back.at(0); // the caller's
  back.remove_all();

  // A read that fails frees what it read, owning or not.
  GStringCollection two(0, 4, 0);
  two + a + a;
  Bytes cut = Written([&](opstream &os) { two.write(os); });
  cut.pop_back();
  EXPECT_THROW(ReadFrom(cut, [&](ipstream &is) { back.read(is); }), NonZeroPStreamState_Exception);
  EXPECT_EQ(0, back.getCount());
}

// Bit sets ----------------------------------------------------------------------

TEST(BitSetStreamTest, BytesAndRoundTrip) {
  BitSet s(40);
  s += 0;
  s += 33;
  Bytes expected{40, 0, 0, 0, 2, 0, 0, 0, 0x02, 0, 0, 0, 0x01, 0, 0, 0};
  EXPECT_EQ(expected, Written([&](opstream &os) { os << s; }));
  BitSet back;
  ReadFrom(expected, [&](ipstream &is) { is >> back; });
  EXPECT_EQ(s, back);
  EXPECT_EQ(40u, back.getSize());
  EXPECT_TRUE(back[33]);

  Bytes big = Written([&](opstream &os) { os << s; }, pstream::BigEndian);
  EXPECT_EQ((Bytes{0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1}), big);
  BitSet backBig;
  ReadFrom(
      big, [&](ipstream &is) { is >> backBig; }, pstream::BigEndian);
  EXPECT_EQ(s, backBig);
}

TEST(BitSetStreamTest, BadSizesAndCountsAreReadFailures) {
  const Bytes bad[] = {
      {40, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // count not size/32+1
      {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},                          // size 0
      {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 8, 0, 0, 0, 0},              // size above the maximum
      {0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 8, 1, 0, 0, 0},              // huge, short of data
  };
  for (const Bytes &bytes : bad) {
    BitSet s(5);
    s += 2;
    BitSet before = s;
    EXPECT_THROW(ReadFrom(bytes, [&](ipstream &is) { is >> s; }), NonZeroPStreamState_Exception);
    EXPECT_EQ(before, s); // unchanged
    EXPECT_EQ(5u, s.getSize());
  }
}

// Points and rectangles -----------------------------------------------------------

TEST(PointRectStreamTest, BytesAndRoundTrip) {
  GPoint p(-2, 0x01020304);
  Bytes point{0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1};
  EXPECT_EQ(point, Written([&](opstream &os) { os << p; }));
  GPoint q;
  ReadFrom(point, [&](ipstream &is) { is >> q; });
  EXPECT_EQ(p, q);

  GRect r(1, 2, 10, 20);
  Bytes rect{0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 10, 0, 0, 0, 19, 0, 0, 0};
  EXPECT_EQ(rect, Written([&](opstream &os) { os << r; }));
  GRect back;
  ReadFrom(rect, [&](ipstream &is) { is >> back; });
  EXPECT_EQ(r, back);
}

TEST(PointRectStreamTest, OldFormsReadUnsignedWords) {
  GPoint p;
  ReadFrom({0xFF, 0xFF, 2, 0}, [&](ipstream &is) { p.read_old(is); });
  EXPECT_EQ(GPoint(65535, 2), p);
  GRect r;
  ReadFrom({1, 0, 2, 0, 3, 0, 4, 0}, [&](ipstream &is) { r.read_old(is); });
  EXPECT_EQ(GPoint(1, 2), r.left_top());
  EXPECT_EQ(GPoint(3, 4), r.Size());
}

TEST(PointRectStreamTest, ShortInputThrowsAndLeavesTheValue) {
  GRect r(1, 1, 5, 5);
  Bytes rect = Written([&](opstream &os) { os << GRect(7, 7, 9, 9); });
  for (size_t n = 0; n < rect.size(); ++n) {
    Bytes cut(rect.begin(), rect.begin() + static_cast<long>(n));
    EXPECT_THROW(ReadFrom(cut, [&](ipstream &is) { is >> r; }), NonZeroPStreamState_Exception);
    EXPECT_EQ(GRect(1, 1, 5, 5), r) << n;
  }
}

} // namespace
