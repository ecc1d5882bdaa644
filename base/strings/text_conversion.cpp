//===- text_conversion.cpp - Narrow <-> 16-bit text conversion -----------===//
//
// UTF-8 is decoded strictly (the shortest form only, no surrogates, at most
// U+10FFFF), so that a Windows-1252 text is almost never mistaken for UTF-8.
//
//===----------------------------------------------------------------------===//

#include "strings/text_conversion.h"

#include <cstdint>

namespace vyx {
namespace {

/// Windows-1252 bytes 0x80-0x9F. The five bytes the code page leaves
/// undefined map to the C1 control of the same value, as the system
/// conversion does.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t cp1252ToUnicode(unsigned char b) {
  return (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : char16_t(b);
}

/// Decodes one UTF-8 sequence at p (p < end). Returns its length and stores
/// the code point, or returns 0 when the bytes are not a well-formed sequence.
unsigned decodeUtf8(const unsigned char *p, const unsigned char *end, char32_t &cp) {
  unsigned char b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  unsigned len;
  unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0)
      lo = 0xA0; // overlong below U+0800
    else if (b0 == 0xED)
      hi = 0x9F; // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0)
      lo = 0x90; // overlong below U+10000
    else if (b0 == 0xF4)
      hi = 0x8F; // above U+10FFFF
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - p) < len)
    return 0;
  if (p[1] < lo || p[1] > hi)
    return 0;
  cp = (cp << 6) | (p[1] & 0x3F);
  for (unsigned i = 2; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80)
      return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  return len;
}

template <typename Unit> std::size_t unitLength(const Unit *w) {
  std::size_t n = 0;
  if (w)
    while (w[n])
      ++n;
  return n;
}

template <typename Unit> std::size_t toNarrow(const Unit *w, std::size_t n, char *out) {
  std::size_t bytes = 0;
  auto put = [&](uint32_t byte) {
    if (out)
      out[bytes] = static_cast<char>(byte);
    ++bytes;
  };
  for (std::size_t i = 0; i < n; ++i) {
    uint32_t u = static_cast<uint16_t>(w[i]);
    if (u >= 0xD800 && u <= 0xDFFF) {
      if (u >= 0xDC00 || i + 1 >= n)
        return TextConversionError;
      uint32_t low = static_cast<uint16_t>(w[i + 1]);
      if (low < 0xDC00 || low > 0xDFFF)
        return TextConversionError;
      u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    if (u < 0x80) {
      put(u);
    } else if (u < 0x800) {
      put(0xC0 | (u >> 6));
      put(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      put(0xE0 | (u >> 12));
      put(0x80 | ((u >> 6) & 0x3F));
      put(0x80 | (u & 0x3F));
    } else {
      put(0xF0 | (u >> 18));
      put(0x80 | ((u >> 12) & 0x3F));
      put(0x80 | ((u >> 6) & 0x3F));
      put(0x80 | (u & 0x3F));
    }
  }
  return bytes;
}

template <typename Unit> std::size_t toUtf16(const char *s, std::size_t n, Unit *out) {
  const auto *p = reinterpret_cast<const unsigned char *>(s);
  const auto *end = p + n;
  std::size_t units = 0;
  auto put = [&](char16_t u) {
    if (out)
      out[units] = static_cast<Unit>(u);
    ++units;
  };
  if (!IsValidUtf8(s, n)) {
    for (; p != end; ++p)
      put(cp1252ToUnicode(*p));
    return units;
  }
  while (p != end) {
    char32_t cp = 0;
    p += decodeUtf8(p, end, cp); // cannot fail: validated above
    if (cp >= 0x10000) {
      put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      put(static_cast<char16_t>(cp));
    }
  }
  return units;
}

} // namespace

std::size_t Utf16Length(const char16_t *w) { return unitLength(w); }
std::size_t Utf16Length(const unsigned short *w) { return unitLength(w); }

std::size_t Utf16ToNarrow(const char16_t *w, std::size_t n, char *out) {
  return toNarrow(w, n, out);
}
std::size_t Utf16ToNarrow(const unsigned short *w, std::size_t n, char *out) {
  return toNarrow(w, n, out);
}

bool IsValidUtf8(const char *s, std::size_t n) {
  const auto *p = reinterpret_cast<const unsigned char *>(s);
  const auto *end = p + n;
  while (p != end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    char32_t cp;
    unsigned len = decodeUtf8(p, end, cp);
    if (len == 0)
      return false;
    p += len;
  }
  return true;
}

std::size_t NarrowToUtf16(const char *s, std::size_t n, char16_t *out) {
  return toUtf16(s, n, out);
}
std::size_t NarrowToUtf16(const char *s, std::size_t n, unsigned short *out) {
  return toUtf16(s, n, out);
}

} // namespace vyx
