//===- gstring_format_test.cpp - Formatting and numbered texts -----------===//

#include "strings/gstring.h"

#include "object_model/exceptions.h"
#include "platform/module_handle.h"
#include "string_loader_fixture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

using vyx::test::LoaderScript;
using vyx::test::Script;
using vyx::test::StringLoaderTest;

// Formatting -------------------------------------------------------------------

TEST(GStringFormat, FormatsIntoTheString) {
  GString s;
  s.format("%s=%d", "x", 42);
  EXPECT_STREQ(s.c_str(), "x=42");
  EXPECT_STREQ(GString::Format("%05.1f|%c", 3.14159, 'z').c_str(), "003.1|z");
  EXPECT_TRUE(GString::Format("%s", "").isEmpty());
  EXPECT_TRUE(GString::Format(static_cast<const char *>(nullptr)).isEmpty());
}

TEST(GStringFormat, LongResultsAreProducedWhole) {
  std::string name(10000, 'N'); // class names read from files can be this long
  GString s;
  s.format("Class '%s' (%d)", name.c_str(), 7);
  EXPECT_EQ(s.length(), name.size() + 12);
  EXPECT_EQ(std::string(s.c_str()), "Class '" + name + "' (7)");
  GString t = GString::Format("%s%s", name.c_str(), name.c_str());
  EXPECT_EQ(t.length(), 20000u);
}

TEST(GStringFormat, ArgumentsMayPointIntoTheStringItself) {
  GString s("abc");
  s.format("%s-%s", s.c_str(), s.c_str());
  EXPECT_STREQ(s.c_str(), "abc-abc");
  GString big(std::string(1000, 'b').c_str());
  big.format("<%s>", big.c_str());
  EXPECT_EQ(big.length(), 1002u);
  EXPECT_EQ(big.at(0), '<');
  EXPECT_EQ(big.at(1001), '>');
}

TEST(GStringFormat, LongArgumentsAreFormattedFully) {
  long big = 5000000000L;
  EXPECT_STREQ(GString::Format("%li|%lu", -big, 4000000000UL).c_str(), "-5000000000|4000000000");
}

// Numbered texts through the loader list -------------------------------------------

TEST_F(StringLoaderTest, NoLoaderThatKnowsTheTextGivesEmpty) {
  GString s("old");
  EXPECT_FALSE(s.loadString(7));
  EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(GString(reinterpret_cast<const char *>(7)).isEmpty());
  s = "old";
  s.format(2u, 5L, 0L, 3L);
  EXPECT_TRUE(s.isEmpty());
}

TEST_F(StringLoaderTest, SmallPointerValuesAreMessageNumbers) {
  Script().Kind = LoaderScript::Base;
  EXPECT_STREQ(GString(reinterpret_cast<const char *>(7)).c_str(), "Unknown streamable class '%s'");
  EXPECT_STREQ(GString(reinterpret_cast<const char *>(1)).c_str(), "Out of memory");
}

TEST_F(StringLoaderTest, FormatById) {
  Script().Kind = LoaderScript::Base;
  GString s;
  s.format(2u, 5L, 0L, 3L);
  EXPECT_STREQ(s.c_str(), "GCollection : index (5) is out of range (0-3)");
  EXPECT_STREQ(GString::Format(3u, "GFoo").c_str(), "Class with name 'GFoo' already exists");
}

TEST_F(StringLoaderTest, ShortTextsTakeOneCall) {
  Script().Kind = LoaderScript::Text;
  Script().Body = std::string(253, 's');
  GString s;
  EXPECT_TRUE(s.loadString(1));
  EXPECT_EQ(s.length(), 253u);
  EXPECT_EQ(Script().Sizes, (std::vector<unsigned>{256}));
}

TEST_F(StringLoaderTest, LongTextsAreLoadedIntoGrowingBuffers) {
  Script().Kind = LoaderScript::Text;
  Script().Body = std::string(600, 'L');
  GString s;
  EXPECT_TRUE(s.loadString(1));
  EXPECT_EQ(std::string(s.c_str()), Script().Body);
  EXPECT_EQ(Script().Sizes, (std::vector<unsigned>{256, 512, 768}));
  // A text that fills the first buffer exactly might have been cut.
  Script().Sizes.clear();
  Script().Body = std::string(254, 'x');
  EXPECT_TRUE(s.loadString(1));
  EXPECT_EQ(s.length(), 254u);
  EXPECT_EQ(Script().Sizes, (std::vector<unsigned>{256, 512}));
}

TEST_F(StringLoaderTest, HugeCountsAreFailures) {
  Script().Kind = LoaderScript::Count;
  for (unsigned count : {0x80000000u, 0xFFFFFFFFu, 0xFFFFFF00u}) {
    Script().Returned = count;
    GString s("old");
    EXPECT_FALSE(s.loadString(1)) << count;
    EXPECT_TRUE(s.isEmpty());
  }
}

TEST_F(StringLoaderTest, OverstatedCountsAreClampedToTheBuffer) {
  Script().Kind = LoaderScript::Count;
  Script().Returned = 1000; // more than the 256-byte buffer
  GString s;
  EXPECT_TRUE(s.loadString(1));
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_EQ(s.length(), 3u);
}

unsigned NewerLoader(unsigned id, char *buffer, unsigned size, void *user) {
  if (id != 9999 || size < 6)
    return 0;
  std::strcpy(buffer, static_cast<const char *>(user));
  return 5;
}

TEST_F(StringLoaderTest, NewestLoaderIsAskedFirst) {
  static bool registered = false;
  if (!registered) {
    static char newer[] = "newer";
    GString::AddLoadStringFunc(NewerLoader, newer);
    GString::AddLoadStringFunc(nullptr, nullptr); // ignored
    registered = true;
  }
  Script().Kind = LoaderScript::Text;
  Script().Body = "older";
  GString s;
  EXPECT_TRUE(s.loadString(9999));
  EXPECT_STREQ(s.c_str(), "newer");
  EXPECT_TRUE(Script().Sizes.empty()); // the walk ended at the newer loader
  EXPECT_TRUE(s.loadString(9998));
  EXPECT_STREQ(s.c_str(), "older");
}

// Numbered texts of a module -----------------------------------------------------------

const std::string LongModuleText(700, 'm');
const vyx::NumberedText TestTexts[] = {{1, "one"}, {5, "five %d"}, {9, LongModuleText.c_str()}};
vyx::Module TestModule = {"test", TestTexts, 3, nullptr};

TEST(GStringModule, LoadsTheModulesTexts) {
  GString s;
  EXPECT_TRUE(s.loadString(&TestModule, 1));
  EXPECT_STREQ(s.c_str(), "one");
  EXPECT_FALSE(s.loadString(&TestModule, 2));
  EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(s.loadString(&TestModule, 9));
  EXPECT_EQ(std::string(s.c_str()), LongModuleText);
  EXPECT_STREQ(GString(&TestModule, 1).c_str(), "one");
  EXPECT_STREQ(GString::Format(&TestModule, 5, 55).c_str(), "five 55");
  EXPECT_TRUE(GString::Format(&TestModule, 6, 55).isEmpty());
  EXPECT_FALSE(s.loadString(static_cast<HINSTANCE>(nullptr), 1));
}

TEST(GStringModule, BaseModuleHoldsTheLibraryMessages) {
  EXPECT_STREQ(GString(vyx::BaseModuleHandle, 1).c_str(), "Out of memory");
  EXPECT_STREQ(GString(vyx::BaseModuleHandle, 45).c_str(),
               "Autodesk FLIC (*.fli;*.flc)|*.fli;*.flc|");
  EXPECT_TRUE(GString(vyx::BaseModuleHandle, 31).isEmpty());
}

// gstr2d ----------------------------------------------------------------------------

TEST(Gstr2d, ParsesInTheCLocale) {
  char *end = nullptr;
  const char *text = "1.5x";
  EXPECT_DOUBLE_EQ(gstr2d(text, &end), 1.5);
  EXPECT_EQ(end, text + 3);
  const char *comma = "1,5";
  EXPECT_DOUBLE_EQ(gstr2d(comma, &end), 1.0);
  EXPECT_EQ(end, comma + 1);
  EXPECT_DOUBLE_EQ(gstr2d("-2e3", nullptr), -2000.0);
}

/// Switches LC_NUMERIC to a locale whose decimal point is a comma for the
/// scope; builds one with localedef in a temporary folder when the machine
/// has none installed.
class CommaLocale {
public:
  CommaLocale() {
    Saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
      if (std::setlocale(LC_NUMERIC, name))
        return;
    std::string dir = ::testing::TempDir() + "vyx_locales";
    std::string command = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                          "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      setenv("LOCPATH", dir.c_str(), 1);
      if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        return;
    }
    Active = false;
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, Saved.c_str()); }
  bool active() const { return Active && std::localeconv()->decimal_point[0] == ','; }

private:
  std::string Saved;
  bool Active = true;
};

TEST(Gstr2d, AcceptsThePointUnderADecimalCommaLocale) {
  CommaLocale locale;
  if (!locale.active())
    GTEST_SKIP() << "no locale with a decimal comma is available";
  std::string before = std::setlocale(LC_NUMERIC, nullptr);
  char *end = nullptr;
  const char *point = "1.5";
  EXPECT_DOUBLE_EQ(gstr2d(point, &end), 1.5);
  EXPECT_EQ(end, point + 3);
  const char *comma = "1,5";
  EXPECT_DOUBLE_EQ(gstr2d(comma, &end), 1.5); // the locale's own parse
  EXPECT_EQ(end, comma + 3);
  const char *twice = "2.5.7";
  EXPECT_DOUBLE_EQ(gstr2d(twice, &end), 2.5);
  EXPECT_EQ(end, twice + 3);
  const char *mixed = "1,5.3"; // stopped at a '.' but the C parse gets less far
  EXPECT_DOUBLE_EQ(gstr2d(mixed, &end), 1.5);
  EXPECT_EQ(end, mixed + 3);
  // The process locale was never switched.
  EXPECT_EQ(before, std::setlocale(LC_NUMERIC, nullptr));
}

} // namespace
