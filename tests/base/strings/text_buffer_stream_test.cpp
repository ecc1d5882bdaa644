//===- text_buffer_stream_test.cpp - Stored forms of texts and selections -===//

#include "stream_bytes.h"

#include "strings/text_buffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using vyx::test::Bytes;
using vyx::test::Written;

TEST(TextStreams, PositionBytes) {
  EXPECT_EQ(Written([](opstream &os) { os << GTextPosition(5, -1); }),
            (Bytes{5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  Bytes big = Written([](opstream &os) { os << GTextPosition(0x01020304, 7); }, pstream::BigEndian);
  EXPECT_EQ(big, (Bytes{1, 2, 3, 4, 0, 0, 0, 7}));

  vyx::test::Reader r(Bytes{5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  GTextPosition p;
  *r >> p;
  EXPECT_EQ(p, GTextPosition(5, -1));
}

TEST(TextStreams, PositionOutOfRangeIsNotWritten) {
  ompstream os;
  os << GTextPosition(0x100000000L, 0);
  EXPECT_TRUE(os.bad());
}

TEST(TextStreams, BlockBytesAndRoundTrip) {
  GTextBlock b(3, 1, 5, 2, GTextBlock::TB_LINES);
  Bytes bytes = Written([&](opstream &os) { os << b; });
  EXPECT_EQ(bytes, (Bytes{0, 3, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0, 0, 2}));
  vyx::test::Reader r(bytes);
  GTextBlock back;
  *r >> back;
  EXPECT_EQ(back.anchor(), GTextPosition(3, 1));
  EXPECT_EQ(back.end(), GTextPosition(5, 2));
  EXPECT_EQ(back.storedMode(), GTextBlock::TB_LINES);
  // The version byte is skipped whatever it holds.
  bytes[0] = 9;
  vyx::test::Reader again(bytes);
  *again >> back;
  EXPECT_EQ(back.storedMode(), GTextBlock::TB_LINES);
}

TEST(TextStreams, DamagedBlockLeavesTheBlockAlone) {
  Bytes bytes = Written([](opstream &os) { os << GTextBlock(1, 2, 3, 4); });
  GTextBlock keep(7, 7, 8, 8, GTextBlock::TB_COLUMNAR);
  // A mode the format does not have.
  ASSERT_EQ(bytes.size(), 18u);
  Bytes badMode = bytes;
  badMode[17] = 3;
  vyx::test::Reader r(badMode);
  EXPECT_THROW(*r >> keep, NonZeroPStreamState_Exception);
  EXPECT_TRUE(r->fail());
  // Each shorter prefix.
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    vyx::test::Reader cut(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)));
    EXPECT_THROW(*cut >> keep, NonZeroPStreamState_Exception) << n;
  }
  EXPECT_EQ(keep, GTextBlock(7, 7, 8, 8, GTextBlock::TB_COLUMNAR));
}

TEST(TextStreams, TextRecordBytes) {
  GText t("a\n");
  Bytes bytes = Written([&](opstream &os) { os.writeStreamable(t); });
  EXPECT_EQ(bytes,
            (Bytes{0x7B, 5, 0, 'G', 'T', 'e', 'x', 't', 0, 2, 0, 0, 0, 1, 0, 'a', 0, 0, 0x5D}));
}

TEST(TextStreams, TextRoundTripsByPointer) {
  GText t("first\n\nthird\xE9 row");
  ompstream os;
  os << &t << &t;
  vyx::test::Reader r(vyx::test::BytesOf(os));
  GText *a = nullptr, *b = nullptr;
  *r >> a >> b;
  ASSERT_NE(a, nullptr);
  std::unique_ptr<GText> owned(a);
  EXPECT_EQ(a, b);
  ASSERT_EQ(a->getCount(), 3);
  EXPECT_EQ(a->at(0), "first");
  EXPECT_EQ(a->at(1), "");
  EXPECT_EQ(a->at(2), "third\xE9 row");

  std::unique_ptr<GStreamable> copy(t.clone());
  auto *text = vyx::rtti_cast<GText>(copy.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->getCount(), 3);
  EXPECT_EQ(text->at(2), t.at(2));
}

TEST(TextStreams, NullRowReadsEmpty) {
  vyx::test::Reader r(Bytes{0, 2, 0, 0, 0, 0xFF, 0xFF, 1, 0, 'z'});
  GText t;
  t.read(*r);
  ASSERT_EQ(t.getCount(), 2);
  EXPECT_TRUE(t.at(0).isEmpty());
  EXPECT_EQ(t.at(1), "z");
}

TEST(TextStreams, ReadingStopsAtTheFirstFailure) {
  GText t("keep\nme");
  // A hostile row count over two real rows: the read fails where the data
  // ends, reserves nothing for the stored count and changes nothing.
  vyx::test::Reader r(Bytes{0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 'a', 1, 0, 'b'});
  EXPECT_THROW(t.read(*r), NonZeroPStreamState_Exception);
  EXPECT_TRUE(r->fail());
  ASSERT_EQ(t.getCount(), 2);
  EXPECT_EQ(t.at(0), "keep");
  // A count no text can hold.
  vyx::test::Reader huge(Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_THROW(t.read(*huge), NonZeroPStreamState_Exception);
  // A row cut short.
  vyx::test::Reader cut(Bytes{0, 1, 0, 0, 0, 5, 0, 'a', 'b'});
  EXPECT_THROW(t.read(*cut), NonZeroPStreamState_Exception);
  EXPECT_EQ(t.getCount(), 2);
  // Through the registry: the object built for the record is destroyed.
  GText one("x");
  Bytes record = Written([&](opstream &os) { os << &one; });
  record.resize(record.size() - 3);
  vyx::test::Reader partial(record);
  GText *lost = nullptr;
  EXPECT_THROW(*partial >> lost, NonZeroPStreamState_Exception);
}

TEST(TextStreams, ReadReplacesRows) {
  GText t("old\nrows\nhere");
  vyx::test::Reader r(Bytes{0, 1, 0, 0, 0, 3, 0, 'n', 'e', 'w'});
  t.read(*r);
  ASSERT_EQ(t.getCount(), 1);
  EXPECT_EQ(t.at(0), "new");
  vyx::test::Reader none(Bytes{0, 0, 0, 0, 0});
  t.read(*none);
  EXPECT_TRUE(t.isEmpty());
}

} // namespace
