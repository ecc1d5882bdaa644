//===- locale_switch.h - Scoped switching of the C locale -------*- C++ -*-===//
//
// GLocaleSwitcher switches one category of the runtime library's locale for
// the lifetime of a scope and restores it afterwards. ANSIDecimalPoint makes
// the decimal point "." for its scope, so that numbers are written and read
// in one notation whatever the user's regional settings:
//
//   {
//     ANSIDecimalPoint point;
//     std::snprintf(text, size, "%g", value); // always "1.5", never "1,5"
//   }
//
// The locale is process-wide: a switcher affects every thread while it
// lives, so it belongs around short, single-threaded formatting or parsing.
// Switchers restore in reverse order of construction and cannot be copied
// (a copy would restore a second time).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_LOCALE_SWITCH_H
#define VYX_STRINGS_LOCALE_SWITCH_H

#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>

/// Switches one locale category for a scope.
class VYX_BASE_API GLocaleSwitcher {
public:
  // The categories; other values switch nothing.
  static constexpr int32_t All = 0;
  static constexpr int32_t Collate = 1;
  static constexpr int32_t CType = 2;
  static constexpr int32_t Monetary = 3;
  static constexpr int32_t Numeric = 4;
  static constexpr int32_t Time = 5;

  /// Category All, nothing saved, nothing switched.
  GLocaleSwitcher();
  /// Switches `category` to `locale` when its current locale has another
  /// name, saving that name. Nothing happens when the current name cannot be
  /// read, `locale` is null, or the system has no such locale.
  GLocaleSwitcher(int category, const char *locale);
  /// Switches the category back to the saved name, if there is one.
  ~GLocaleSwitcher();
  GLocaleSwitcher(const GLocaleSwitcher &) = delete;
  GLocaleSwitcher &operator=(const GLocaleSwitcher &) = delete;

  int getCategory() const { return Category; }
  /// The name restored at the end of the scope, "" when nothing will be.
  const GString &getSavedLocale() const { return Saved; }

protected:
  /// When the category's current name differs from `locale`, saves it and
  /// switches the category to `locale`.
  void switchTo(const char *locale);

  int32_t Category;
  GString Saved;
};

/// Makes the decimal point "." for a scope: when it is anything else, the
/// numeric category is switched to "C" and restored at the end.
class VYX_BASE_API ANSIDecimalPoint : public GLocaleSwitcher {
public:
  ANSIDecimalPoint();
  ~ANSIDecimalPoint();
};

#endif // VYX_STRINGS_LOCALE_SWITCH_H
