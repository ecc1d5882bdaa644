//===- string_test.cpp - Stored strings and the GString stream form -------===//

#include "pstream_test_support.h"

#include "strings/gstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace pstest;

namespace {

std::u16string Wide(const unsigned short *w) {
  std::u16string s;
  for (; w && *w; ++w)
    s.push_back(static_cast<char16_t>(*w));
  return s;
}

TEST(PStreamStrings, NarrowForms) {
  EXPECT_EQ(Written([](opstream &os) { os.writeString(nullptr); }), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(Written([](opstream &os) { os.writeString(""); }), (Bytes{0, 0}));
  EXPECT_EQ(Written([](opstream &os) { os.writeCharString("ab"); }), (Bytes{2, 0, 'a', 'b'}));
  std::string shortest(0xFFFD, 'x');
  Bytes b = Written([&](opstream &os) { os.writeString(shortest.c_str()); });
  ASSERT_EQ(b.size(), 2u + 0xFFFD);
  EXPECT_EQ(b[0], 0xFD);
  EXPECT_EQ(b[1], 0xFF);
  std::string longest(0xFFFE, 'y');
  b = Written([&](opstream &os) { os.writeString(longest.c_str()); });
  ASSERT_EQ(b.size(), 6u + 0xFFFE);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), (Bytes{0xFE, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
  Reader r(b);
  std::unique_ptr<char[]> back(r->readString());
  ASSERT_TRUE(back);
  EXPECT_EQ(std::string(back.get()), longest);
}

TEST(PStreamStrings, WideFormInBothOrders) {
  const char16_t ab[] = u"AB";
  EXPECT_EQ(Written([&](opstream &os) { os.writeWideString(ab); }),
            (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x02, 0x00, 0x00, 0x00, 0x41, 0x00,
                   0x42, 0x00}));
  Bytes be = Written([&](opstream &os) { os.writeWideString(ab); }, pstream::BigEndian);
  EXPECT_EQ(be, (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x41,
                       0x00, 0x42}));
  Reader r(be);
  r->endian(pstream::BigEndian);
  std::unique_ptr<unsigned short[]> back(r->readWideString());
  EXPECT_EQ(Wide(back.get()), u"AB");
}

TEST(PStreamStrings, NarrowAndWideConvert) {
  // UTF-8 narrow text read as 16-bit text and back.
  Reader r(Written([](opstream &os) { os.writeString("caf\xC3\xA9"); }));
  std::unique_ptr<unsigned short[]> wide(r->readWideString());
  EXPECT_EQ(Wide(wide.get()), u"caf\u00e9");
  const char16_t text[] = u"\u20ac1";
  Reader w(Written([&](opstream &os) { os.writeWideString(text); }));
  std::unique_ptr<char[]> narrow(w->readString());
  ASSERT_TRUE(narrow);
  EXPECT_STREQ(narrow.get(), "\xE2\x82\xAC"
                             "1");
}

TEST(PStreamStrings, OldNarrowTextReadsAsWindows1252) {
  Reader r(Bytes{2, 0, 0xE9, 0x80});
  std::unique_ptr<unsigned short[]> wide(r->readWideString());
  EXPECT_EQ(Wide(wide.get()), u"\u00e9\u20ac");
}

TEST(PStreamStrings, UnpairedSurrogateGivesNull) {
  const char16_t bad[] = {0xD800, 0};
  Reader r(Written([&](opstream &os) { os.writeWideString(bad); }));
  EXPECT_EQ(r->readString(), nullptr);
}

TEST(PStreamStrings, FourByteElementsKeepTheirLow16Bits) {
  Bytes b = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x02, 0,   0,
             0,    0x41, 0x00, 0x01, 0x00, 0x42, 0x00, 0x00, 0x00};
  Reader r(b);
  std::unique_ptr<unsigned short[]> wide(r->readWideString());
  EXPECT_EQ(Wide(wide.get()), u"AB");
  EXPECT_TRUE(r->good());
}

TEST(PStreamStrings, UnknownElementSizeIsSkipped) {
  Bytes b = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x02, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0x77};
  Reader r(b);
  EXPECT_EQ(r->readString(), nullptr);
  EXPECT_EQ(r->readByte(), 0x77);
  EXPECT_TRUE(r->good());
}

TEST(PStreamStrings, HostileLengthFailsWithoutTrustingIt) {
  // Claims 0xFFFFFFFE bytes; ten follow.
  Bytes b = {0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Reader r(b);
  EXPECT_EQ(r->readString(), nullptr);
  EXPECT_EQ(r->rdstate(), pstream::eofbit | pstream::failbit);
  Reader sized(Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x41, 0});
  EXPECT_EQ(sized->readWideString(), nullptr);
  EXPECT_TRUE(sized->fail());
  Reader shortWord(Bytes{5});
  EXPECT_EQ(shortWord->readString(), nullptr);
  EXPECT_TRUE(shortWord->eof());
}

TEST(PStreamStrings, GStringRoundTrips) {
  GString empty;
  GString plain("landscape");
  GString withNul("a\0b", 3);
  GString big('z', 70000);
  Bytes b = Written([&](opstream &os) { os << empty << plain << withNul << big; });
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 2), (Bytes{0, 0}));
  Reader r(b);
  GString e("stale"), p, n, g;
  *r >> e >> p >> n >> g;
  EXPECT_TRUE(r->good());
  EXPECT_TRUE(e.isEmpty());
  EXPECT_EQ(p, plain);
  EXPECT_EQ(n.length(), 3u);
  EXPECT_EQ(std::memcmp(n.c_str(), "a\0b", 3), 0);
  EXPECT_EQ(g, big);
}

TEST(PStreamStrings, GStringIsWrittenAsWriteStringWrites) {
  EXPECT_EQ(Written([](opstream &os) { os << GString("hi"); }),
            Written([](opstream &os) { os.writeString("hi"); }));
}

TEST(PStreamStrings, NullOrDamagedStringReadsAsEmptyGString) {
  Reader r(Bytes{0xFF, 0xFF, 9, 0, 'a'});
  GString s("old");
  *r >> s;
  EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(r->good());
  s = "old";
  *r >> s;
  EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(r->fail());
}

TEST(PStreamStrings, WideStoredGStringReadsAsUtf8) {
  const char16_t text[] = u"\u00e9";
  Reader r(Written([&](opstream &os) { os.writeWideString(text); }));
  GString s;
  *r >> s;
  EXPECT_EQ(s, GString("\xC3\xA9"));
}

} // namespace
