//===- regular_expression_test.cpp - Tests of RegularExpression ----------===//

#include "strings/regular_expression.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
// The library's own <regex> trips -Wmaybe-uninitialized in sanitizer builds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#else
#include <regex>
#endif
#include <string>
#include <thread>
#include <vector>

namespace {

std::string CodeOf(const char *pattern) {
  RegularExpression re(pattern);
  return std::string(re.code().c_str(), re.code().length());
}

struct Match {
  bool Found;
  int Start;
  int Length;
  bool operator==(const Match &o) const {
    return Found == o.Found && Start == o.Start && Length == o.Length;
  }
};

std::ostream &operator<<(std::ostream &os, const Match &m) {
  return os << (m.Found ? "match " : "no match ") << m.Start << "+" << m.Length;
}

Match Find(const char *pattern, const char *text) {
  RegularExpression re(pattern);
  Match m{false, -1, -1};
  m.Found = re.index(text, m.Start, m.Length);
  return m;
}

constexpr Match kNone{false, 0, 0};

TEST(RegularExpressionCompile, CodeByteForByte) {
  EXPECT_EQ(CodeOf("a|b|c"), std::string("|cae|cbecce"));
  EXPECT_EQ(CodeOf("ab*"), std::string("ca*\x02"
                                       "cbe"));
  EXPECT_EQ(CodeOf("[^0-9]+"), std::string("+\x0c]\x0a"
                                           "0123456789e"));
  EXPECT_EQ(CodeOf("a?."), std::string("?\x02"
                                       "ca.e"));
  EXPECT_EQ(CodeOf("^ab$"), std::string("^cacb$e"));
  EXPECT_EQ(CodeOf("(a|b)*c"), std::string("*\x07|caecbecce"));
  EXPECT_EQ(CodeOf("[a-]"), std::string("[\x02"
                                        "a-e"));
  EXPECT_EQ(CodeOf("[-a]"), std::string("[\x02-ae"));
  EXPECT_EQ(CodeOf("[]"), std::string("[\x00"
                                      "e",
                                      3));
  EXPECT_EQ(CodeOf("[z-a]"), std::string("[\x01ze"));
  // Ranges compare signed bytes: 0x7F up to 0x80 (-128) adds nothing.
  EXPECT_EQ(CodeOf("[\\177-\\200]"), std::string("[\x01\x7f"
                                                 "e"));
}

TEST(RegularExpressionCompile, Escapes) {
  EXPECT_EQ(CodeOf("\\t\\n\\r\\f\\b"), std::string("c\tc\nc\rc\fc\be"));
  EXPECT_EQ(CodeOf("\\101\\7x"), std::string("cAc\x07"
                                             "cxe"));
  EXPECT_EQ(CodeOf("\\1012"), std::string("cAc2e")); // at most three digits
  EXPECT_EQ(CodeOf("\\.\\*\\\\"), std::string("c.c*c\\e"));
  // A NUL byte in the code: the code keeps its full length.
  std::string code = CodeOf("a\\0b");
  EXPECT_EQ(code, std::string("cac\0cbe", 7));
  EXPECT_EQ(CodeOf("[\\]\\-]"), std::string("[\x02]-e"));
}

TEST(RegularExpressionCompile, SingleAlternativeGroupHasNoBranchEnd) {
  // "x(ab)|y" must not read as "(xab|)y".
  EXPECT_EQ(CodeOf("x(ab)|y"), std::string("|cxcacbecye"));
  EXPECT_EQ(CodeOf("(ab)*"), std::string("*\x04"
                                         "cacbe"));
  EXPECT_EQ(Find("x(ab)|y", "y"), (Match{true, 0, 1}));
  EXPECT_EQ(Find("x(ab)|y", "xaby"), (Match{true, 0, 3}));
  EXPECT_EQ(Find("x(ab)|y", "xay"), (Match{true, 2, 1}));
}

TEST(RegularExpressionCompile, InvalidPatterns) {
  for (const char *pattern : {"(ab", "a)", "*a", "a**", "[abc", "a\\", "^*", "a|*", "]", "a^",
                              "(a|b", "+", "?", "a[", "[a\\", "(*)"}) {
    RegularExpression re(pattern);
    EXPECT_FALSE(re.isValid()) << pattern;
    EXPECT_TRUE(re.code().isEmpty()) << pattern;
    EXPECT_EQ(re.MakePattern(), nullptr) << pattern;
    EXPECT_FALSE(re == "anything (ab a) *a") << pattern;
    EXPECT_STREQ(static_cast<const char *>(re), pattern);
  }
  RegularExpression empty("");
  EXPECT_FALSE(empty.isValid());
  EXPECT_FALSE(empty == "abc");
  EXPECT_FALSE(RegularExpression() == "abc");
}

TEST(RegularExpressionCompile, Limits) {
  // n literals compile to 2n + 1 bytes; 1024 is the most accepted.
  EXPECT_TRUE(RegularExpression(std::string(511, 'a').append(".").c_str()).isValid());
  EXPECT_EQ(RegularExpression(std::string(511, 'a').append(".").c_str()).code().length(), 1024u);
  EXPECT_FALSE(RegularExpression(std::string(512, 'a').c_str()).isValid());
  EXPECT_FALSE(RegularExpression(std::string(100000, 'a').c_str()).isValid());
  // A repetition repeats at most 254 bytes of code.
  std::string group127 = "(" + std::string(127, 'a') + ")*";
  std::string group128 = "(" + std::string(128, 'a') + ")*";
  EXPECT_TRUE(RegularExpression(group127.c_str()).isValid());
  EXPECT_FALSE(RegularExpression(group128.c_str()).isValid());
  // A set holds at most 255 characters.
  EXPECT_TRUE(RegularExpression("[\\001-\\177\\001-\\177]").isValid());
  EXPECT_FALSE(RegularExpression("[\\001-\\177\\001-\\177\\001-\\177]").isValid());
  // Groups nest 256 deep at most; far deeper nesting is refused, not a crash.
  auto nested = [](int depth) { return std::string(depth, '(') + "a" + std::string(depth, ')'); };
  EXPECT_TRUE(RegularExpression(nested(256).c_str()).isValid());
  EXPECT_FALSE(RegularExpression(nested(257).c_str()).isValid());
  EXPECT_FALSE(RegularExpression(std::string(200000, '(').c_str()).isValid());
}

TEST(RegularExpressionMatch, Basics) {
  EXPECT_EQ(Find("ab*", "xxabbby"), (Match{true, 2, 4}));
  EXPECT_EQ(Find("ab*", "xxa"), (Match{true, 2, 1}));
  EXPECT_EQ(Find("ab*", "xxb"), kNone);
  EXPECT_EQ(Find("[^0-9]+", "12abc3"), (Match{true, 2, 3}));
  EXPECT_EQ(Find("a.c", "xxabcx"), (Match{true, 2, 3}));
  EXPECT_EQ(Find("ab?c", "ac abc"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("ab?b", "ab"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("a+", "baaa"), (Match{true, 1, 3}));
  EXPECT_EQ(Find("(ab)+", "xababx"), (Match{true, 1, 4}));
  EXPECT_EQ(Find("[a-c-]+", "x-ab-cd"), (Match{true, 1, 5}));
  EXPECT_EQ(Find("\\t", "a\tb"), (Match{true, 1, 1}));
  EXPECT_EQ(Find("\\.", "file.txt"), (Match{true, 4, 1}));
  EXPECT_EQ(Find("[]", "abc"), kNone);
  EXPECT_EQ(Find("[^]", "abc"), (Match{true, 0, 1}));
}

TEST(RegularExpressionMatch, StartsInsideRunsOfTheFirstItem) {
  EXPECT_EQ(Find("[a-z]+_x", "ab_cd_x"), (Match{true, 3, 4}));
  EXPECT_EQ(Find("a*b", "caab"), (Match{true, 1, 3}));
  EXPECT_EQ(Find("a*b", "aac"), kNone);
  EXPECT_EQ(Find("a+ab", "aaab aab"), (Match{true, 0, 4}));
  EXPECT_EQ(Find("[0-9]+\\.[0-9]+ ms", "v1.2 took 12.5 ms"), (Match{true, 10, 7}));
  EXPECT_EQ(Find(".*x|y", "aaay"), (Match{true, 3, 1}));
}

TEST(RegularExpressionMatch, Anchors) {
  EXPECT_TRUE(RegularExpression("^ab") == "abc");
  EXPECT_FALSE(RegularExpression("^ab") == "cab");
  EXPECT_TRUE(RegularExpression("b$") == "ab");
  EXPECT_FALSE(RegularExpression("b$") == "ba");
  EXPECT_EQ(Find("x|^a", "ba"), kNone);
  EXPECT_EQ(Find("x|^a", "ab"), (Match{true, 0, 1}));
  // '^' asks that the match starts at the first character.
  EXPECT_EQ(Find("a(^b)", "ab"), (Match{true, 0, 2}));
  // Only start positions inside the text are tried.
  EXPECT_EQ(Find("$", "abc"), kNone);
  EXPECT_EQ(Find("c*$", "abc"), (Match{true, 2, 1}));
}

TEST(RegularExpressionMatch, LongestAlternativeWins) {
  EXPECT_EQ(Find("a|ab", "ab"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("ab|a", "ab"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("(a|ab)c", "abc"), (Match{true, 0, 3}));
  EXPECT_EQ(Find("(a|ab)(c|bcd)", "abcd"), (Match{true, 0, 4}));
  EXPECT_EQ(Find("x(a|b|c)y", "zxcy"), (Match{true, 1, 3}));
  EXPECT_EQ(Find("(|a)b", "ab"), (Match{true, 0, 2}));
}

TEST(RegularExpressionMatch, RepetitionBacksOffToZero) {
  EXPECT_EQ(Find("a*a", "a"), (Match{true, 0, 1}));
  EXPECT_EQ(Find("a*a", "aaa"), (Match{true, 0, 3}));
  EXPECT_EQ(Find(".*\\.txt", ".txt"), (Match{true, 0, 4}));
  EXPECT_EQ(Find(".*\\.txt", "a.txt.txt"), (Match{true, 0, 9}));
  EXPECT_EQ(Find("(ab)*ab", "ab"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("(ab)*ab", "ababab"), (Match{true, 0, 6}));
  EXPECT_EQ(Find("a+a", "a"), kNone);
  EXPECT_EQ(Find("a+a", "aa"), (Match{true, 0, 2}));
  EXPECT_EQ(Find("(ab)+ab", "ab"), kNone);
  EXPECT_EQ(Find("(ab)+ab", "abab"), (Match{true, 0, 4}));
}

TEST(RegularExpressionMatch, EmptyRepetitionStops) {
  EXPECT_EQ(Find("(a*)*b", "aab"), (Match{true, 0, 3}));
  EXPECT_EQ(Find("(a*)*", "xyz"), (Match{true, 0, 0}));
  EXPECT_EQ(Find("(a?)+b", "b"), (Match{true, 0, 1}));
  EXPECT_EQ(Find("()*x", "ax"), (Match{true, 1, 1}));
  EXPECT_EQ(Find("(a*)+", "aa"), (Match{true, 0, 2}));
}

TEST(RegularExpressionMatch, NulInPatternStaysInsideText) {
  EXPECT_EQ(Find("a\\0", "a"), kNone);
  EXPECT_EQ(Find("a[\\0]", "a"), kNone);
  EXPECT_EQ(Find("a[^b]", "a"), kNone);
  EXPECT_EQ(Find("a.", "a"), kNone);
  // A GString may hold a NUL: find() sees all of it.
  RegularExpression re("b\\0c");
  const char text[] = "ab\0cd";
  std::size_t start = 9, length = 9;
  EXPECT_TRUE(re.find(text, 5, 0, start, length));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(length, 3u);
}

TEST(RegularExpressionMatch, EmptyAndNullTexts) {
  RegularExpression re("a*");
  int start = 5, length = 5;
  EXPECT_FALSE(re.index("", start, length));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(re.index(nullptr, start, length));
  EXPECT_FALSE(re == static_cast<const char *>(nullptr));
  EXPECT_TRUE(re != "");
  EXPECT_TRUE(re == GString("b"));
}

TEST(RegularExpressionMatch, FindFromOffset) {
  RegularExpression re("ab");
  const char *text = "ab ab ab";
  std::size_t start, length;
  ASSERT_TRUE(re.find(text, 8, 1, start, length));
  EXPECT_EQ(start, 3u);
  ASSERT_TRUE(re.find(text, 8, 6, start, length));
  EXPECT_EQ(start, 6u);
  EXPECT_FALSE(re.find(text, 8, 7, start, length));
  EXPECT_FALSE(re.find(text, 8, 8, start, length));
  // '^' anchors at the start of the whole text, not at the search start.
  RegularExpression anchored("^ab");
  EXPECT_TRUE(anchored.find(text, 8, 0, start, length));
  EXPECT_FALSE(anchored.find(text, 8, 3, start, length));
}

TEST(RegularExpressionMatch, LongRepetitionsOfGroups) {
  std::string text;
  for (int i = 0; i < 300000; ++i)
    text += "ab";
  text += "c";
  EXPECT_EQ(Find("(ab)*c", text.c_str()), (Match{true, 0, 600001}));
  EXPECT_EQ(Find("x(ab|b)+", ("x" + text).c_str()), (Match{true, 0, 600001}));
  EXPECT_EQ(Find("(ab)*d", text.c_str()), kNone);
}

TEST(RegularExpressionMatch, BacktrackingIsBounded) {
  // Patterns whose backtracking grows without bound give up instead of
  // stalling: each of these would take years to run out.
  std::string text(20000, 'a');
  const char *patterns[] = {"(a|aa)*(a|aa)*(a|aa)*(a|aa)*(a|aa)*b", "a*a*a*a*a*a*a*a*b",
                            "(.?)*(.?)*(.?)*(.?)*x", "((a*)*)*c"};
  for (const char *pattern : patterns) {
    RegularExpression re(pattern);
    ASSERT_TRUE(re.isValid()) << pattern;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(re == text.c_str()) << pattern;
    GString s(text.c_str());
    EXPECT_EQ(re.replace_substring(s, "x", true), -1) << pattern;
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin);
    EXPECT_LT(seconds.count(), 60.0) << pattern; // a hang guard, not a speed target
  }
}

TEST(RegularExpressionReplace, FirstAndAll) {
  RegularExpression re("x");
  GString s("axbxc");
  EXPECT_EQ(re.replace_substring(s, "yy", true), 4);
  EXPECT_STREQ(s.c_str(), "ayybyyc");
  s = "axbxc";
  EXPECT_EQ(re.replace_substring(s, "yy", false), 1);
  EXPECT_STREQ(s.c_str(), "ayybxc");
  s = "abc";
  EXPECT_EQ(re.replace_substring(s, "yy", true), -1);
  EXPECT_STREQ(s.c_str(), "abc");
  s = "axbxc";
  EXPECT_EQ(re.replace_substring(s, nullptr, true), 2);
  EXPECT_STREQ(s.c_str(), "abc");
  // The inserted text is not searched again.
  s = "xx";
  EXPECT_EQ(RegularExpression("x").replace_substring(s, "xx", true), 2);
  EXPECT_STREQ(s.c_str(), "xxxx");
}

TEST(RegularExpressionReplace, EmptyMatchesEnd) {
  GString s("abc");
  EXPECT_EQ(RegularExpression("x*").replace_substring(s, "-", true), 4);
  EXPECT_STREQ(s.c_str(), "-a-b-c");
  s = "abc";
  EXPECT_EQ(RegularExpression("x*").replace_substring(s, "", true), 2);
  EXPECT_STREQ(s.c_str(), "abc");
  // An empty match right after a replaced one is a match of its own.
  s = "aXbX";
  EXPECT_EQ(RegularExpression("X?").replace_substring(s, "-", true), 5);
  EXPECT_STREQ(s.c_str(), "-a--b-");
}

TEST(RegularExpressionReplace, AnchorStaysAtStartOfString) {
  GString s("aaa");
  EXPECT_EQ(RegularExpression("^a").replace_substring(s, "b", true), 0);
  EXPECT_STREQ(s.c_str(), "baa");
}

TEST(RegularExpression, IsIt) {
  EXPECT_TRUE(RegularExpression::IsIt("file.txt"));
  EXPECT_FALSE(RegularExpression::IsIt("name"));
  EXPECT_FALSE(RegularExpression::IsIt(""));
  EXPECT_FALSE(RegularExpression::IsIt(nullptr));
  for (const char *s : {"?", "*", "+", ".", "[", "]", "^", "$", "\\", "(", ")", "|"})
    EXPECT_TRUE(RegularExpression::IsIt((std::string("ab") + s + "cd").c_str())) << s;
}

TEST(RegularExpression, CopyAndAssignment) {
  RegularExpression a("b+");
  RegularExpression b(a);
  EXPECT_STREQ(b, "b+");
  EXPECT_TRUE(b == "abb");
  RegularExpression c;
  c = a;
  EXPECT_EQ(std::string(c.code().c_str(), c.code().length()), CodeOf("b+"));
  c = "x";
  EXPECT_FALSE(c == "abb");
  c = GString("(");
  EXPECT_FALSE(c.isValid());
  EXPECT_TRUE(a == "b"); // the original is untouched
}

TEST(RegularExpression, SearchesOnSeveralThreads) {
  RegularExpression re("[0-9]+\\.[0-9]+|x(ab)*y");
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "word " + std::to_string(i) + " xababy ";
  text += "3.25 end";
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        std::size_t start, length;
        if (!re.find(text.c_str(), text.size(), 0, start, length) || length != 6)
          ++failures[t];
        if (!re.find(text.c_str(), text.size(), text.size() - 10, start, length) ||
            text.compare(start, length, "3.25") != 0)
          ++failures[t];
      }
    });
  for (auto &thread : threads)
    thread.join();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(failures[t], 0);
}

// Patterns of single-character elements with repetitions, anchors and no
// alternatives match as the ECMAScript grammar does: compare with
// std::regex on random cases.
TEST(RegularExpression, AgreesWithStdRegexOnSimplePatterns) {
  std::mt19937 random(12345);
  const char *atoms[] = {"a", "b", ".", "[ab]", "[^a]", "c"};
  const char *repeats[] = {"", "", "*", "+", "?"};
  for (int round = 0; round < 3000; ++round) {
    std::string pattern;
    if (random() % 5 == 0)
      pattern += '^';
    int items = 1 + static_cast<int>(random() % 5);
    for (int i = 0; i < items; ++i) {
      pattern += atoms[random() % 6];
      pattern += repeats[random() % 5];
    }
    if (random() % 5 == 0)
      pattern += '$';
    std::string text;
    int size = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < size; ++i)
      text += "abc"[random() % 3];

    Match ours = Find(pattern.c_str(), text.c_str());
    std::cmatch found;
    Match theirs = kNone;
    std::regex peer(pattern);
    // Positions are tried up to the last character only.
    for (std::size_t from = 0; from < text.size(); ++from) {
      if (std::regex_search(text.c_str() + from, text.c_str() + text.size(), found, peer,
                            from ? std::regex_constants::match_prev_avail
                                 : std::regex_constants::match_default) &&
          found.position(0) + from < text.size()) {
        theirs = Match{true, static_cast<int>(found.position(0) + from),
                       static_cast<int>(found.length(0))};
        break;
      }
    }
    ASSERT_EQ(ours, theirs) << "pattern " << pattern << " text " << text;
  }
}

} // namespace
