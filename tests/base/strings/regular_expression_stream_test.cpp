//===- regular_expression_stream_test.cpp - Stored patterns ---------------===//

#include "stream_bytes.h"

#include "strings/regular_expression.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vyx::test::Bytes;
using vyx::test::Reader;
using vyx::test::Written;

TEST(RegularExpressionStream, WritesVersionByteAndSource) {
  RegularExpression re("ab*");
  EXPECT_EQ(Written([&](opstream &os) { os << re; }), (Bytes{0, 3, 0, 'a', 'b', '*'}));
  EXPECT_EQ(Written([](opstream &os) { os << RegularExpression(); }), (Bytes{0, 0, 0}));
  // The source is stored even when it does not compile.
  EXPECT_EQ(Written([](opstream &os) { os << RegularExpression("(a"); }),
            (Bytes{0, 2, 0, '(', 'a'}));
}

TEST(RegularExpressionStream, ReaderCompiles) {
  Reader r(
      Written([](opstream &os) { os << RegularExpression("[0-9]+x") << RegularExpression("*a"); }));
  RegularExpression number, invalid("old");
  *r >> number >> invalid;
  EXPECT_EQ(number.source(), "[0-9]+x");
  EXPECT_TRUE(number.isValid());
  int start = 0, length = 0;
  EXPECT_TRUE(number.index("ab123xy", start, length));
  EXPECT_EQ(start, 2);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(invalid.source(), "*a");
  EXPECT_FALSE(invalid.isValid());
  EXPECT_FALSE(invalid == "aaa");
}

TEST(RegularExpressionStream, VersionByteIsSkipped) {
  Reader r(Bytes{0x2A, 1, 0, 'q'});
  RegularExpression re;
  *r >> re;
  EXPECT_TRUE(re == "xqx");
}

TEST(RegularExpressionStream, PatternWithNulRoundTrips) {
  const char source[] = {'a', '\0', 'b'};
  RegularExpression re(GString(source, 3));
  Reader r(Written([&](opstream &os) { os << re; }));
  RegularExpression back;
  *r >> back;
  EXPECT_EQ(back.source().length(), 3u);
  EXPECT_EQ(back.code(), re.code());
  EXPECT_FALSE(back == "ab"); // the NUL is part of the pattern
}

TEST(RegularExpressionStream, ShortStreamThrowsAndKeepsTheExpression) {
  Bytes bytes = Written([](opstream &os) { os << RegularExpression("abc"); });
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    Reader r(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)));
    RegularExpression keep("k+");
    EXPECT_THROW(*r >> keep, NonZeroPStreamState_Exception) << n;
    EXPECT_EQ(keep.source(), "k+");
    EXPECT_TRUE(keep == "kk");
  }
}

TEST(RegularExpressionStream, ByteReversedStream) {
  Bytes bytes = Written([](opstream &os) { os << RegularExpression("x|y"); }, pstream::BigEndian);
  EXPECT_EQ(bytes, (Bytes{0, 0, 3, 'x', '|', 'y'}));
  Reader r(bytes);
  r->endian(pstream::BigEndian);
  RegularExpression re;
  *r >> re;
  EXPECT_TRUE(re == "y");
}

} // namespace
