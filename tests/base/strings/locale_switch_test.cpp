//===- locale_switch_test.cpp - Tests of the locale switchers ------------===//
//
// The decimal-comma cases need a locale whose decimal point is ",": the
// machine set-up creates one with
//   localedef -i de_DE -f UTF-8 de_DE.UTF-8
// and the tests skip when none of the candidates below can be set.
//
//===----------------------------------------------------------------------===//

#include "strings/locale_switch.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace {

static_assert(!std::is_copy_constructible_v<GLocaleSwitcher>, "a copy would restore twice");
static_assert(!std::is_copy_assignable_v<GLocaleSwitcher>, "a copy would restore twice");
static_assert(!std::is_copy_constructible_v<ANSIDecimalPoint>, "a copy would restore twice");

const char *const kCommaLocales[] = {"de_DE.UTF-8", "de_DE.utf8",  "de_DE",      "de_DE@euro",
                                     "fr_FR.UTF-8", "fr_FR.utf8",  "fr_FR",      "nl_NL.UTF-8",
                                     "es_ES.UTF-8", "it_IT.UTF-8", "ru_RU.UTF-8"};

std::string Current(int category) {
  const char *name = std::setlocale(category, nullptr);
  return name ? name : "";
}

std::string Formatted(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

class LocaleSwitchTest : public ::testing::Test {
protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }

  /// A locale with a decimal comma, or null when the machine has none.
  static const char *CommaLocale() {
    for (const char *name : kCommaLocales) {
      if (!std::setlocale(LC_NUMERIC, name))
        continue;
      bool comma = std::localeconv()->decimal_point[0] == ',';
      std::setlocale(LC_NUMERIC, "C");
      if (comma)
        return name;
    }
    return nullptr;
  }
};

TEST_F(LocaleSwitchTest, CategoryValues) {
  EXPECT_EQ(GLocaleSwitcher::All, 0);
  EXPECT_EQ(GLocaleSwitcher::Collate, 1);
  EXPECT_EQ(GLocaleSwitcher::CType, 2);
  EXPECT_EQ(GLocaleSwitcher::Monetary, 3);
  EXPECT_EQ(GLocaleSwitcher::Numeric, 4);
  EXPECT_EQ(GLocaleSwitcher::Time, 5);
  GLocaleSwitcher none;
  EXPECT_EQ(none.getCategory(), GLocaleSwitcher::All);
  EXPECT_TRUE(none.getSavedLocale().isEmpty());
}

TEST_F(LocaleSwitchTest, DecimalPointUnderACommaLocale) {
  const char *comma = CommaLocale();
  if (!comma)
    GTEST_SKIP() << "no locale with a decimal comma on this machine";
  ASSERT_NE(std::setlocale(LC_NUMERIC, comma), nullptr);
  std::string before = Current(LC_NUMERIC);
  EXPECT_EQ(Formatted(1.5), "1,5");
  {
    ANSIDecimalPoint point;
    EXPECT_EQ(point.getCategory(), GLocaleSwitcher::Numeric);
    EXPECT_STREQ(point.getSavedLocale().c_str(), before.c_str());
    EXPECT_EQ(Formatted(1.5), "1.5");
    char *end = nullptr;
    EXPECT_EQ(std::strtod("1.5", &end), 1.5);
    EXPECT_EQ(*end, '\0');
  }
  EXPECT_EQ(Current(LC_NUMERIC), before);
  EXPECT_EQ(Formatted(1.5), "1,5");
}

TEST_F(LocaleSwitchTest, DecimalPointAlreadyADot) {
  ANSIDecimalPoint point;
  EXPECT_TRUE(point.getSavedLocale().isEmpty());
  EXPECT_EQ(Formatted(2.5), "2.5");
}

TEST_F(LocaleSwitchTest, SwitchingToTheActiveLocaleRestoresNothing) {
  {
    GLocaleSwitcher same(GLocaleSwitcher::Numeric, "C");
    EXPECT_TRUE(same.getSavedLocale().isEmpty());
    // Had it saved "C", leaving the scope would undo this.
    std::setlocale(LC_NUMERIC, "C.UTF-8");
  }
  EXPECT_EQ(Current(LC_NUMERIC), "C.UTF-8");
}

TEST_F(LocaleSwitchTest, NestedSwitchersRestoreInReverseOrder) {
  const char *comma = CommaLocale();
  if (!comma)
    GTEST_SKIP() << "no locale with a decimal comma on this machine";
  {
    GLocaleSwitcher outer(GLocaleSwitcher::Numeric, comma);
    EXPECT_STREQ(outer.getSavedLocale().c_str(), "C");
    std::string switched = Current(LC_NUMERIC);
    EXPECT_NE(switched, "C");
    {
      ANSIDecimalPoint inner;
      EXPECT_EQ(Current(LC_NUMERIC), "C");
      {
        GLocaleSwitcher innermost(GLocaleSwitcher::Numeric, comma);
        EXPECT_EQ(Formatted(0.5), "0,5");
      }
      EXPECT_EQ(Current(LC_NUMERIC), "C");
    }
    EXPECT_EQ(Current(LC_NUMERIC), switched);
  }
  EXPECT_EQ(Current(LC_NUMERIC), "C");
}

TEST_F(LocaleSwitchTest, AllCategoriesAtOnce) {
  const char *comma = CommaLocale();
  if (!comma)
    GTEST_SKIP() << "no locale with a decimal comma on this machine";
  std::setlocale(LC_TIME, comma); // a mixed locale has a composite name
  std::string before = Current(LC_ALL);
  {
    GLocaleSwitcher all(GLocaleSwitcher::All, "C");
    EXPECT_EQ(Current(LC_ALL), "C");
    EXPECT_EQ(Current(LC_TIME), "C");
  }
  EXPECT_EQ(Current(LC_ALL), before);
  EXPECT_NE(Current(LC_TIME), "C"); // the composite name restored each category
}

TEST_F(LocaleSwitchTest, UnknownLocaleOrCategorySwitchesNothing) {
  {
    GLocaleSwitcher missing(GLocaleSwitcher::Numeric, "xx_NOWHERE.none");
    EXPECT_TRUE(missing.getSavedLocale().isEmpty());
    EXPECT_EQ(Current(LC_NUMERIC), "C");
    std::setlocale(LC_NUMERIC, "C.UTF-8");
  }
  EXPECT_EQ(Current(LC_NUMERIC), "C.UTF-8");
  GLocaleSwitcher badCategory(99, "C.UTF-8");
  EXPECT_TRUE(badCategory.getSavedLocale().isEmpty());
  GLocaleSwitcher nullName(GLocaleSwitcher::Numeric, nullptr);
  EXPECT_TRUE(nullName.getSavedLocale().isEmpty());
}

} // namespace
