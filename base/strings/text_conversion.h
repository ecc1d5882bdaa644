//===- text_conversion.h - Narrow <-> 16-bit text conversion ----*- C++ -*-===//
//
// Locale-independent conversion between the library's narrow text and 16-bit
// text (UTF-16 in char16_t or unsigned short units; never wchar_t, whose
// width differs between platforms).
//
// Narrow text is UTF-8. Text written by older versions of the application is
// Windows-1252, so a narrow byte sequence that is not valid UTF-8 as a whole
// is converted byte by byte as Windows-1252 instead: such files stay readable.
//
// Each conversion takes an optional output pointer: with null it only counts,
// so callers size their buffers from the real conversion and then convert.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_TEXT_CONVERSION_H
#define VYX_STRINGS_TEXT_CONVERSION_H

#include "vyx_base_export.h"

#include <cstddef>

namespace vyx {

/// Returned by Utf16ToNarrow for 16-bit text that holds an unpaired
/// surrogate, which has no narrow form.
inline constexpr std::size_t TextConversionError = static_cast<std::size_t>(-1);

/// Number of 16-bit units before the terminating 0 (0 for null).
VYX_BASE_API std::size_t Utf16Length(const char16_t *w);
VYX_BASE_API std::size_t Utf16Length(const unsigned short *w);

/// Converts w[0, n) to UTF-8 and returns the number of bytes (no terminator
/// is written). With `out` null nothing is written. Returns
/// TextConversionError when w holds an unpaired surrogate.
VYX_BASE_API std::size_t Utf16ToNarrow(const char16_t *w, std::size_t n, char *out);
VYX_BASE_API std::size_t Utf16ToNarrow(const unsigned short *w, std::size_t n, char *out);

/// True when s[0, n) is well-formed UTF-8 (no overlong forms, no surrogates,
/// nothing above U+10FFFF).
VYX_BASE_API bool IsValidUtf8(const char *s, std::size_t n);

/// Converts s[0, n) to UTF-16 and returns the number of units (no terminator
/// is written): as UTF-8 when the whole of s is valid UTF-8, otherwise byte by
/// byte as Windows-1252. With `out` null nothing is written. Never fails.
VYX_BASE_API std::size_t NarrowToUtf16(const char *s, std::size_t n, char16_t *out);
VYX_BASE_API std::size_t NarrowToUtf16(const char *s, std::size_t n, unsigned short *out);

} // namespace vyx

#endif // VYX_STRINGS_TEXT_CONVERSION_H
