//===- gstring_test.cpp - Sharing, capacity and editing of GString -------===//

#include "strings/gstring.h"

#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

/// The buffer is unshared exactly when asking for no more room than it has
/// hands back the same text.
bool isPrivate(GString &s) {
  const char *before = s.c_str();
  return s.getBuffer(s.length()) == before;
}

// Construction ---------------------------------------------------------------

TEST(GStringConstruct, FromTextAndCount) {
  EXPECT_STREQ(GString("abcdef", 3).c_str(), "abc");
  EXPECT_EQ(GString("abcdef", 3).length(), 3u);
  EXPECT_TRUE(GString("", 5).isEmpty());
  EXPECT_TRUE(GString(static_cast<const char *>(nullptr), 5).isEmpty());
  EXPECT_TRUE(GString("abc", 0).isEmpty());
  EXPECT_STREQ(GString('x', 4).c_str(), "xxxx");
  EXPECT_TRUE(GString('\0', 4).isEmpty());
  EXPECT_TRUE(GString(static_cast<const char *>(nullptr)).isEmpty());
  EXPECT_TRUE(GString("").isEmpty());
}

TEST(GStringConstruct, EmptyStringsShareOneBufferOfCapacityZero) {
  GString a, b(""), c("x", 0);
  EXPECT_EQ(a.c_str(), b.c_str());
  EXPECT_EQ(a.c_str(), c.c_str());
  EXPECT_EQ(a.capacity(), 0u);
  EXPECT_STREQ(a.c_str(), "");
}

TEST(GStringConstruct, FromUtf16SizesFromTheRealConversion) {
  // Three bytes per unit: a buffer of twice the unit count would overflow.
  const char16_t euros[] = u"\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC";
  GString s(euros);
  EXPECT_EQ(s.length(), 24u);
  std::string expected;
  for (int i = 0; i < 8; ++i)
    expected += "\xE2\x82\xAC";
  EXPECT_EQ(std::string(s.c_str()), expected);
  const unsigned short wide[] = {'h', 0xE9, 0xD83D, 0xDE00, 0};
  EXPECT_STREQ(GString(wide).c_str(), "h\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(GStringConstruct, FromUtf16FailureOrEmptyGivesEmpty) {
  const unsigned short lone[] = {'a', 0xD800, 'b', 0};
  EXPECT_TRUE(GString(lone).isEmpty());
  const char16_t none[] = u"";
  EXPECT_TRUE(GString(none).isEmpty());
  EXPECT_TRUE(GString(static_cast<const char16_t *>(nullptr)).isEmpty());
}

// Sharing and copy on write ------------------------------------------------------

TEST(GStringSharing, CopiesShareUntilOneChanges) {
  GString a("shared text");
  GString b(a);
  GString c;
  c = b;
  EXPECT_EQ(a.c_str(), b.c_str());
  EXPECT_EQ(a.c_str(), c.c_str());
  b += "!";
  EXPECT_STREQ(a.c_str(), "shared text");
  EXPECT_STREQ(b.c_str(), "shared text!");
  EXPECT_EQ(a.c_str(), c.c_str());
  c.at(0, 'S');
  EXPECT_STREQ(a.c_str(), "shared text");
  EXPECT_STREQ(c.c_str(), "Shared text");
}

TEST(GStringSharing, SelfAssignmentAndMoveKeepTheText) {
  GString a("abc");
  GString &alias = a;
  a = alias;
  EXPECT_STREQ(a.c_str(), "abc");
  GString b(std::move(a));
  EXPECT_STREQ(b.c_str(), "abc");
  EXPECT_TRUE(a.isEmpty()); // NOLINT: a moved-from string is empty
  a = std::move(b);
  EXPECT_STREQ(a.c_str(), "abc");
  EXPECT_TRUE(isPrivate(a));
}

TEST(GStringSharing, FreeExtraOnASharedStringMakesAPrivateCopy) {
  GString a("text");
  GString b(a);
  b.freeExtra();
  EXPECT_NE(a.c_str(), b.c_str());
  EXPECT_STREQ(a.c_str(), "text");
  EXPECT_STREQ(b.c_str(), "text");
  EXPECT_EQ(b.capacity(), 16u);
}

TEST(GStringSharing, CountsStayExactAcrossThreads) {
  GString original("a text shared by every thread");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&original] {
      for (int i = 0; i < 20000; ++i) {
        GString copy(original);
        GString other;
        other = copy;
        ASSERT_EQ(other.c_str(), original.c_str());
      }
    });
  for (std::thread &t : threads)
    t.join();
  // Every copy has given its reference back: the buffer is private again.
  EXPECT_TRUE(isPrivate(original));
  EXPECT_STREQ(original.c_str(), "a text shared by every thread");
}

// The capacity rule -------------------------------------------------------------------

TEST(GStringCapacity, AppendingCharactersFollowsTheRule) {
  GString s;
  for (unsigned n = 1; n <= 200; ++n) {
    s += 'x';
    ASSERT_EQ(s.length(), n);
    // Reallocation points 1, 16, 32, 48, ...: capacities 16, 32, 48, 64, ...
    ASSERT_EQ(s.capacity(), (n / 16 + 1) * 16) << "at length " << n;
  }
}

TEST(GStringCapacity, GetBufferKeepsALargeEnoughPrivateBuffer) {
  GString s("abc");
  EXPECT_EQ(s.capacity(), 16u);
  const char *text = s.c_str();
  char *p = s.getBuffer(10);
  EXPECT_EQ(p, text);
  EXPECT_STREQ(p, "abc"); // unchanged, length too
  EXPECT_EQ(s.length(), 3u);
  p = s.getBuffer(20); // too small: a new buffer of length 0
  EXPECT_EQ(s.length(), 0u);
  EXPECT_STREQ(p, "");
  EXPECT_EQ(s.capacity(), 32u);
}

TEST(GStringCapacity, GetBufferOnASharedStringLeavesTheOtherHolder) {
  GString a("abc");
  GString b(a);
  char *p = b.getBuffer(2);
  EXPECT_NE(p, a.c_str());
  EXPECT_EQ(b.length(), 0u);
  EXPECT_EQ(b.capacity(), 16u);
  std::strcpy(p, "xy");
  b.releaseBuffer();
  EXPECT_STREQ(a.c_str(), "abc");
  EXPECT_STREQ(b.c_str(), "xy");
}

TEST(GStringCapacity, GrownStringsStillReportTheRuleAfterGetBuffer) {
  GString s;
  for (int i = 0; i < 100; ++i)
    s += 'y';
  EXPECT_EQ(s.capacity(), 112u);
  s.getBuffer(105); // fits the capacity: nothing changes
  EXPECT_EQ(s.length(), 100u);
  EXPECT_EQ(s.capacity(), 112u);
  s.getBuffer(120); // does not: length 0, capacity by the rule
  EXPECT_EQ(s.length(), 0u);
  EXPECT_EQ(s.capacity(), 128u);
}

TEST(GStringCapacity, ReleaseBufferClampsToTheCapacity) {
  GString s;
  char *p = s.getBuffer(10);
  ASSERT_EQ(s.capacity(), 16u);
  std::memset(p, 'z', 16); // no terminator at all
  s.releaseBuffer(100);
  EXPECT_EQ(s.length(), 15u);
  EXPECT_EQ(std::string(s.c_str()), std::string(15, 'z'));

  GString t;
  p = t.getBuffer(10);
  std::memset(p, 'q', 16);
  t.releaseBuffer(); // strlen would run past the buffer
  EXPECT_EQ(t.length(), 15u);
}

TEST(GStringCapacity, ReleaseBufferTightensTheBuffer) {
  GString s;
  std::strcpy(s.getBuffer(100), "short");
  EXPECT_EQ(s.capacity(), 112u);
  s.releaseBuffer();
  EXPECT_EQ(s.length(), 5u);
  EXPECT_EQ(s.capacity(), 16u);
  s.releaseBuffer(0);
  EXPECT_EQ(s.capacity(), 0u); // empty text: the shared empty buffer
}

TEST(GStringCapacity, OverflowingLengthsThrowAndLeaveTheString) {
  GString s("abcd");
  const char *text = s.c_str();
  EXPECT_THROW(s *= 0x80000000u, OutOfMemory_Exception);
  EXPECT_THROW(s *= 0x40000000u, OutOfMemory_Exception); // 4 * 2^30 wraps to 0 in 32 bits
  EXPECT_THROW(s.getBuffer(0x7FFFFFFFu), OutOfMemory_Exception);
  EXPECT_THROW(s.getBuffer(UINT_MAX), OutOfMemory_Exception);
  EXPECT_THROW(s.insert(UINT_MAX - 1, "xyz"), OutOfMemory_Exception);
  EXPECT_THROW(s.insert(0x7FFFFFFEu, "xyz"), OutOfMemory_Exception);
  EXPECT_THROW(s.setLength(UINT_MAX), OutOfMemory_Exception);
  EXPECT_THROW(s.grow(INT_MAX), OutOfMemory_Exception);
  EXPECT_THROW(s.replace(UINT_MAX - 1, UINT_MAX, "abc"), OutOfMemory_Exception);
  EXPECT_EQ(s.c_str(), text);
  EXPECT_STREQ(s.c_str(), "abcd");
  EXPECT_EQ(s.length(), 4u);
}

// Concatenation -----------------------------------------------------------------------

TEST(GStringConcat, AppendingItselfDoubles) {
  GString s("ab");
  s += s;
  EXPECT_STREQ(s.c_str(), "abab");
  s += s.c_str() + 1; // a pointer into the text itself
  EXPECT_STREQ(s.c_str(), "ababbab");
  GString e;
  e += e;
  EXPECT_TRUE(e.isEmpty());
}

TEST(GStringConcat, OperatorsBuildNewValues) {
  GString a("ab");
  EXPECT_STREQ((a + "cd").c_str(), "abcd");
  EXPECT_STREQ((a + 'c').c_str(), "abc");
  EXPECT_STREQ((a + GString("x")).c_str(), "abx");
  EXPECT_STREQ(("x" + a).c_str(), "xab");
  EXPECT_STREQ(('x' + a).c_str(), "xab");
  EXPECT_STREQ((a * 3).c_str(), "ababab");
  EXPECT_STREQ((3 * a).c_str(), "ababab");
  EXPECT_STREQ(a.c_str(), "ab");
  a += '\0';
  a += static_cast<const char *>(nullptr);
  EXPECT_STREQ(a.c_str(), "ab");
}

TEST(GStringConcat, Repetition) {
  GString s("xyz");
  s *= 1;
  EXPECT_STREQ(s.c_str(), "xyz");
  s *= 5;
  EXPECT_EQ(std::string(s.c_str()), "xyzxyzxyzxyzxyz");
  s *= 0;
  EXPECT_TRUE(s.isEmpty());
  EXPECT_EQ(s.capacity(), 0u);
}

// Substrings -------------------------------------------------------------------------

TEST(GStringSubstr, RemoveExtractSubstrRight) {
  EXPECT_STREQ(GString("abcdef").remove(1, 3).c_str(), "adef");
  EXPECT_STREQ(GString("abcdef").extract(1, 3).c_str(), "bc");
  EXPECT_STREQ(GString("abcdef").substr(1, 3).c_str(), "bcd");
  EXPECT_STREQ(GString("abcdef").mid(2).c_str(), "cdef");
  EXPECT_STREQ(GString("abcdef")(4).c_str(), "ef");
  EXPECT_STREQ(GString("abcdef").left(2).c_str(), "ab");
  EXPECT_STREQ(GString("abc").right(10).c_str(), "abc");
  EXPECT_STREQ(GString("abcdef").right(2).c_str(), "ef");
  EXPECT_STREQ(GString("abcdef").remove(3).c_str(), "abc");
  EXPECT_STREQ(GString("abcdef").extract(4).c_str(), "ef");
  EXPECT_TRUE(GString("abcdef").extract(4, 2).isEmpty());
  EXPECT_STREQ(GString("abcdef").remove(4, 100).c_str(), "abcd");
  EXPECT_STREQ(GString("abcdef").remove(5, 2).c_str(), "abcdef");
}

TEST(GStringSubstr, LargeCountsDoNotWrap) {
  GString s("abcdefgh");
  EXPECT_STREQ(s.substr(5, UINT_MAX).c_str(), "fgh");
  EXPECT_STREQ(s.substr(5, UINT_MAX - 3).c_str(), "fgh");
  EXPECT_STREQ(s(2, 0xFFFFFFF0u).c_str(), "cdefgh");
  EXPECT_TRUE(s.substr(100, 2).isEmpty());
  EXPECT_EQ(s.substr(0, UINT_MAX).c_str(), s.c_str()); // the whole text is shared
}

// Editing -----------------------------------------------------------------------------------

TEST(GStringEdit, InsertPadsAndMovesTheTail) {
  GString s("abc");
  s.insert(10, "x");
  EXPECT_EQ(std::string(s.c_str()), std::string("abc") + std::string(7, ' ') + "x");
  EXPECT_EQ(s.length(), 11u);
  GString t("abef");
  t.insert(2, "cd");
  EXPECT_STREQ(t.c_str(), "abcdef");
  t.insert(0, 'X');
  EXPECT_STREQ(t.c_str(), "Xabcdef");
  t.insert(3, GString("--"));
  EXPECT_STREQ(t.c_str(), "Xab--cdef");
  t.insert(1, static_cast<const char *>(nullptr));
  t.insert(1, "", 0);
  t.insert(1, '\0');
  EXPECT_STREQ(t.c_str(), "Xab--cdef");
}

TEST(GStringEdit, InsertFromItsOwnTextUsesTheOldText) {
  GString s("abcdef");
  s.insert(2, s.c_str() + 1, 3);
  EXPECT_STREQ(s.c_str(), "abbcdcdef");
  GString t("xyz");
  t.insert(1, t);
  EXPECT_STREQ(t.c_str(), "xxyzyz");
  // Even when the buffer has room and is private.
  GString u("0123456789");
  u.setLength(60);
  u.setLength(10);
  ASSERT_EQ(u.capacity(), 64u);
  u.insert(5, u.c_str(), 10);
  EXPECT_STREQ(u.c_str(), "01234012345678956789");
}

TEST(GStringEdit, ReplaceRanges) {
  GString s("abcdef");
  s.replace(1, 3, "XYZ");
  EXPECT_STREQ(s.c_str(), "aXYZdef");
  s.replace(0, 100, GString("new"));
  EXPECT_STREQ(s.c_str(), "new");
  s.replace(1, 2, s);
  EXPECT_STREQ(s.c_str(), "nneww");
  s.replace(0, 2, s.c_str() + 3);
  EXPECT_STREQ(s.c_str(), "wweww");
}

TEST(GStringEdit, ReplaceText) {
  GString s("aXa");
  EXPECT_EQ(s.replace("a", "aa", true), 3);
  EXPECT_STREQ(s.c_str(), "aaXaa");
  GString t("one two one two");
  EXPECT_EQ(t.replace("one", "1", false), 0);
  EXPECT_STREQ(t.c_str(), "1 two one two");
  EXPECT_EQ(t.replace(GString("two"), "2"), 8);
  EXPECT_STREQ(t.c_str(), "1 2 one 2");
  EXPECT_EQ(t.replace("zzz", "y"), -1);
  EXPECT_EQ(t.replace(static_cast<const char *>(nullptr), "y"), -1);
  EXPECT_EQ(t.replace("1", nullptr), -1);
  EXPECT_EQ(t.replace("1 2 one 2", ""), 0);
  EXPECT_TRUE(t.isEmpty());
}

TEST(GStringEdit, ReplaceWithAnEmptySearchTextChangesNothing) {
  GString s("abc");
  EXPECT_EQ(s.replace("", "x", true), -1);
  EXPECT_EQ(s.replace("", "x", false), -1);
  EXPECT_STREQ(s.c_str(), "abc");
}

TEST(GStringEdit, ReplaceWithTextsInsideTheString) {
  GString s("xyz");
  EXPECT_EQ(s.replace("y", s.c_str()), 1);
  EXPECT_STREQ(s.c_str(), "xxyzz");
  GString t("ab-ab");
  EXPECT_EQ(t.replace(t.c_str() + 3, "c"), 2);
  EXPECT_STREQ(t.c_str(), "c-c");
  GString u("abc");
  EXPECT_EQ(u.replace(u, "z"), 0);
  EXPECT_STREQ(u.c_str(), "z");
}

TEST(GStringEdit, ReplaceAllOnALongTextIsCorrect) {
  std::string expected;
  GString s;
  for (int i = 0; i < 10000; ++i) {
    s += "ab";
    expected += "xyz";
  }
  EXPECT_EQ(s.replace("ab", "xyz"), 3 * 9999);
  EXPECT_EQ(std::string(s.c_str()), expected);
}

TEST(GStringEdit, SetLengthExpandGrow) {
  GString s("abc");
  s.setLength(5, '.');
  EXPECT_STREQ(s.c_str(), "abc..");
  s.setLength(2);
  EXPECT_STREQ(s.c_str(), "ab");
  s.expandTo(1);
  EXPECT_STREQ(s.c_str(), "ab");
  s.expandTo(4, '-');
  EXPECT_STREQ(s.c_str(), "ab--");
  s.grow(2);
  EXPECT_STREQ(s.c_str(), "ab--  ");
  s.grow(-3);
  EXPECT_STREQ(s.c_str(), "ab-");
  s.grow(-4);
  EXPECT_TRUE(s.isEmpty());
  s = "x";
  s.grow(INT_MIN);
  EXPECT_TRUE(s.isEmpty());
  s = "abc";
  s.setLength(0);
  EXPECT_EQ(s.capacity(), 0u);
}

TEST(GStringEdit, AtStoresAndTruncates) {
  GString s("abc");
  GString keep(s);
  s.at(1, '\0');
  EXPECT_STREQ(s.c_str(), "a");
  EXPECT_EQ(s.length(), 1u);
  EXPECT_STREQ(keep.c_str(), "abc");
  s.at(5, 'x');
  EXPECT_STREQ(s.c_str(), "a");
  EXPECT_EQ(keep.at(2), 'c');
}

TEST(GStringEdit, Translate) {
  GString s("hello world");
  GString keep(s);
  s.translate("lo", "01");
  EXPECT_STREQ(s.c_str(), "he001 w1r0d");
  EXPECT_STREQ(keep.c_str(), "hello world");
  GString t("abcabc");
  t.translate("abca", "x"); // b, c have no counterpart; the first 'a' decides
  EXPECT_STREQ(t.c_str(), "xbcxbc");
  t.translate('b', 'B');
  EXPECT_STREQ(t.c_str(), "xBcxBc");
  t.translate('c', '\0'); // NUL bytes, the length stays
  EXPECT_EQ(t.length(), 6u);
  EXPECT_EQ(std::memcmp(t.c_str(), "xB\0xB\0", 6), 0);
  GString u("abc");
  u.translate(u.c_str(), "xyz"); // the sets may lie in the text itself
  EXPECT_STREQ(u.c_str(), "xyz");
}

TEST(GStringEdit, DetabUsesAFixedWidth) {
  GString s("a\tb");
  s.detab(4);
  EXPECT_STREQ(s.c_str(), "a    b");
  GString t("\t\tx\t");
  t.detab(1);
  EXPECT_STREQ(t.c_str(), "  x ");
  GString u("no tabs");
  const char *text = u.c_str();
  u.detab(8);
  EXPECT_EQ(u.c_str(), text);
}

TEST(GStringEdit, DetabWithWidthZeroDropsTheTabs) {
  GString s("a\tb\t\tc");
  s.detab(0);
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_EQ(s.length(), 3u);
  GString t("\t\t");
  t.detab(0);
  EXPECT_TRUE(t.isEmpty());
}

TEST(GStringEdit, CaseMappingTouchesOnlyAsciiLetters) {
  GString s("Abc \xC3\xA9\xC3\x89 XyZ 123");
  GString keep(s);
  s.toUpper();
  EXPECT_STREQ(s.c_str(), "ABC \xC3\xA9\xC3\x89 XYZ 123");
  s.toLower();
  EXPECT_STREQ(s.c_str(), "abc \xC3\xA9\xC3\x89 xyz 123");
  EXPECT_STREQ(keep.c_str(), "Abc \xC3\xA9\xC3\x89 XyZ 123");
  EXPECT_EQ(GString::ToLower(nullptr), nullptr);
  EXPECT_EQ(GString("a,b,,c").char_count(','), 3u);
  EXPECT_EQ(GString("abc").char_count('\0'), 0u);
}

// Trimming and segments -------------------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }

TEST(GStringTrim, ByteSetAndPredicate) {
  EXPECT_STREQ(GString("  ab  ").trim().c_str(), "ab");
  EXPECT_STREQ(GString("  ab  ").ltrim().c_str(), "ab  ");
  EXPECT_STREQ(GString("  ab  ").rtrim().c_str(), "  ab");
  EXPECT_STREQ(GString("xyabyx").trim("xy").c_str(), "ab");
  EXPECT_STREQ(GString("12ab34").trim(isDigit).c_str(), "ab");
  EXPECT_STREQ(GString("12ab34").ltrim(isDigit).c_str(), "ab34");
  EXPECT_STREQ(GString("xyab").ltrim(static_cast<const char *>(nullptr)).c_str(), "xyab");
  EXPECT_TRUE(GString("aaaa").trim('a').isEmpty());
  EXPECT_TRUE(GString("1234").rtrim(isDigit).isEmpty());
}

TEST(GStringSegments, ExcludingAndIncluding) {
  GString s(",,x,y");
  EXPECT_STREQ(s.getSegmentExcluding(',', 1).c_str(), "x");
  EXPECT_STREQ(s.getSegmentExcluding(',', 0).c_str(), "");
  EXPECT_STREQ(s.getSegmentExcluding(',', 2).c_str(), "y");
  EXPECT_TRUE(s.getSegmentExcluding(',', 3).isEmpty());
  GString t("a,,b");
  EXPECT_STREQ(t.getSegmentExcluding(",", 0).c_str(), "a");
  EXPECT_STREQ(t.getSegmentExcluding(",", 1).c_str(), "b");
  EXPECT_STREQ(t.getSegmentExcluding(",", 2).c_str(), "");
  EXPECT_STREQ(t.getSegmentExcluding(",", UINT_MAX).c_str(), "");
  GString u("ab12cd345");
  EXPECT_STREQ(u.getSegmentIncluding("0123456789", 0).c_str(), ""); // starts outside
  EXPECT_STREQ(u.getSegmentIncluding("0123456789", 1).c_str(), "12");
  EXPECT_STREQ(u.getSegmentIncluding("0123456789", 2).c_str(), "345");
  EXPECT_STREQ(GString("--a--").getSegmentIncluding('-', 1).c_str(), "--");
  EXPECT_STREQ(GString("a|b|c").segmentExcluding('|', 2).c_str(), "c");
}

// Comparison ---------------------------------------------------------------------------------

TEST(GStringCompare, EqualityAndOrder) {
  GString a("abc"), b("abd"), e;
  EXPECT_TRUE(a == GString("abc"));
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(a < b && b > a && a <= a && a >= a);
  EXPECT_FALSE(a == static_cast<const char *>(nullptr));
  EXPECT_TRUE(e == static_cast<const char *>(nullptr));
  EXPECT_TRUE("abc" == a);
  EXPECT_TRUE("abd" != a);
  // Bytes compare unsigned: 0xE9 orders after ASCII.
  EXPECT_TRUE(GString("\xE9") > GString("z"));
}

TEST(GStringCompare, UCcompareFoldsAsciiAndOrdersHighBytesFirst) {
  EXPECT_LT(GString::UCcompare("ABC", "abd"), 0);
  EXPECT_EQ(GString::UCcompare("Hello", "hELLO"), 0);
  EXPECT_GT(GString::UCcompare("abc", "ab"), 0);
  // Bytes taken as signed: 0xE9 orders below every ASCII byte.
  EXPECT_LT(GString::UCcompare("\xE9", "a"), 0);
  EXPECT_GT(GString::UCcompare("a", "\xE9"), 0);
  // No case folding of high bytes (UTF-8 "É" vs "é").
  EXPECT_NE(GString::UCcompare("\xC3\x89", "\xC3\xA9"), 0);
}

// Free functions ---------------------------------------------------------------------------------

TEST(GStringFree, Gnewstr) {
  EXPECT_EQ(gnewstr(nullptr), nullptr);
  char *copy = gnewstr("copy me");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "copy me");
  std::free(copy);
}

TEST(GStringFree, Gstristr) {
  const char *text = "The Quick Brown Fox";
  EXPECT_EQ(gstristr(text, "quick"), text + 4);
  EXPECT_EQ(gstristr(text, "FOX"), text + 16);
  EXPECT_EQ(gstristr(text, ""), text);
  EXPECT_EQ(gstristr(text, "foxes"), nullptr);
  EXPECT_EQ(gstristr(text, "qq"), nullptr);
  const char *repeat = "aaab";
  EXPECT_EQ(gstristr(repeat, "AAB"), repeat + 1);
}

} // namespace
