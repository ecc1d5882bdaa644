//===- locale_switch.cpp - Scoped switching of the C locale --------------===//

#include "strings/locale_switch.h"

#include <clocale>
#include <cstring>

namespace {

/// The runtime library's category for a public category value, -1 for none.
int NativeCategory(int32_t category) {
  switch (category) {
  case GLocaleSwitcher::All:
    return LC_ALL;
  case GLocaleSwitcher::Collate:
    return LC_COLLATE;
  case GLocaleSwitcher::CType:
    return LC_CTYPE;
  case GLocaleSwitcher::Monetary:
    return LC_MONETARY;
  case GLocaleSwitcher::Numeric:
    return LC_NUMERIC;
  case GLocaleSwitcher::Time:
    return LC_TIME;
  default:
    return -1;
  }
}

} // namespace

GLocaleSwitcher::GLocaleSwitcher() : Category(All) {}

GLocaleSwitcher::GLocaleSwitcher(int category, const char *locale) : Category(category) {
  switchTo(locale);
}

GLocaleSwitcher::~GLocaleSwitcher() {
  if (Saved.isEmpty())
    return;
  int native = NativeCategory(Category);
  if (native >= 0)
    std::setlocale(native, Saved.c_str());
}

void GLocaleSwitcher::switchTo(const char *locale) {
  int native = NativeCategory(Category);
  if (!locale || native < 0)
    return;
  // The returned name lives only until the next call: copy it at once.
  const char *current = std::setlocale(native, nullptr);
  if (!current || std::strcmp(current, locale) == 0)
    return;
  GString saved(current);
  // A locale the system does not have leaves everything as it was.
  if (std::setlocale(native, locale))
    Saved = saved;
}

ANSIDecimalPoint::ANSIDecimalPoint() {
  Category = Numeric;
  const std::lconv *conventions = std::localeconv();
  if (conventions && conventions->decimal_point &&
      std::strcmp(conventions->decimal_point, ".") == 0)
    return;
  switchTo("C");
}

ANSIDecimalPoint::~ANSIDecimalPoint() = default;
