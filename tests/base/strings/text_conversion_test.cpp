//===- text_conversion_test.cpp - Narrow <-> 16-bit conversion -----------===//

#include "strings/text_conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vyx::NarrowToUtf16;
using vyx::TextConversionError;
using vyx::Utf16ToNarrow;

std::u16string toUtf16(const std::string &s) {
  std::u16string out(NarrowToUtf16(s.data(), s.size(), static_cast<char16_t *>(nullptr)), u'\0');
  EXPECT_EQ(NarrowToUtf16(s.data(), s.size(), out.data()), out.size());
  return out;
}

std::string toNarrow(const std::u16string &w) {
  std::size_t n = Utf16ToNarrow(w.data(), w.size(), nullptr);
  if (n == TextConversionError)
    return "<error>";
  std::string out(n, '\0');
  EXPECT_EQ(Utf16ToNarrow(w.data(), w.size(), out.data()), n);
  return out;
}

TEST(TextConversion, Utf8RoundTrips) {
  const std::string samples[] = {"",
                                 "plain ASCII",
                                 "caf\xC3\xA9",
                                 "\xE2\x82\xAC 5",
                                 "\xF0\x9F\x98\x80 smile",
                                 std::string("nul\0inside", 10),
                                 "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"};
  for (const std::string &s : samples)
    EXPECT_EQ(toNarrow(toUtf16(s)), s);
  EXPECT_EQ(toUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
  EXPECT_EQ(toUtf16("caf\xC3\xA9"), std::u16string(u"caf\u00E9"));
}

TEST(TextConversion, InvalidUtf8IsReadAsWindows1252) {
  // A Latin text from an old file: 0xE9 alone is not UTF-8.
  EXPECT_EQ(toUtf16("caf\xE9"), std::u16string(u"caf\u00E9"));
  EXPECT_EQ(toUtf16("\x80\x9F\x8D"), std::u16string(u"\u20AC\u0178\u008D"));
  // One bad byte decides for the whole text, valid sequences included.
  EXPECT_EQ(toUtf16("\xC3\xA9\xFF"), std::u16string(u"\u00C3\u00A9\u00FF"));
}

TEST(TextConversion, StrictUtf8) {
  EXPECT_TRUE(vyx::IsValidUtf8("\xC3\xA9", 2));
  EXPECT_FALSE(vyx::IsValidUtf8("\xC0\xAF", 2));         // overlong '/'
  EXPECT_FALSE(vyx::IsValidUtf8("\xE0\x80\xAF", 3));     // overlong
  EXPECT_FALSE(vyx::IsValidUtf8("\xED\xA0\x80", 3));     // a surrogate
  EXPECT_FALSE(vyx::IsValidUtf8("\xF4\x90\x80\x80", 4)); // above U+10FFFF
  EXPECT_FALSE(vyx::IsValidUtf8("\xE2\x82", 2));         // cut short
  EXPECT_FALSE(vyx::IsValidUtf8("\x80", 1));             // stray continuation
}

TEST(TextConversion, UnpairedSurrogatesFail) {
  EXPECT_EQ(toNarrow(std::u16string(1, char16_t(0xD800))), "<error>");
  EXPECT_EQ(toNarrow(std::u16string(1, char16_t(0xDC00))), "<error>");
  EXPECT_EQ(toNarrow(std::u16string{char16_t(0xD800), u'a'}), "<error>");
  EXPECT_EQ(toNarrow(std::u16string{char16_t(0xDBFF), char16_t(0xDFFF)}), "\xF4\x8F\xBF\xBF");
}

TEST(TextConversion, UnsignedShortUnits) {
  const unsigned short w[] = {'a', 0x20AC, 0};
  EXPECT_EQ(vyx::Utf16Length(w), 2u);
  char out[8] = {};
  EXPECT_EQ(Utf16ToNarrow(w, 2, out), 4u);
  EXPECT_STREQ(out, "a\xE2\x82\xAC");
  unsigned short back[4] = {};
  EXPECT_EQ(NarrowToUtf16(out, 4, back), 2u);
  EXPECT_EQ(back[1], 0x20AC);
  EXPECT_EQ(vyx::Utf16Length(static_cast<const char16_t *>(nullptr)), 0u);
}

} // namespace
