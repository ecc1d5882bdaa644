//===- gstring_text.cpp - Trimming, segments, comparison and case ---------===//
//
// The operations of GString that look at the text byte by byte: trimming,
// segments, comparison, case mapping and the case-insensitive search
// gstristr.
//
// Narrow text is compared as unsigned bytes (UTF-8 then orders by code
// point); case mapping changes only the ASCII letters.
//
//===----------------------------------------------------------------------===//

#include "strings/gstring.h"

#include "strings/ascii.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

/// A set of bytes for trimming and segments. NUL is never a member of a
/// set given as a string.
class ByteSet {
public:
  explicit ByteSet(const char *set) {
    for (; *set; ++set)
      In[static_cast<unsigned char>(*set)] = true;
  }
  explicit ByteSet(char ch) { In[static_cast<unsigned char>(ch)] = true; }
  bool operator()(char c) const { return In[static_cast<unsigned char>(c)]; }

private:
  bool In[256] = {};
};

template <typename Pred> uint32_t prefixLength(const char *t, uint32_t n, const Pred &in) {
  uint32_t k = 0;
  while (k < n && in(t[k]))
    ++k;
  return k;
}

template <typename Pred> uint32_t suffixLength(const char *t, uint32_t n, const Pred &in) {
  uint32_t k = 0;
  while (k < n && in(t[n - 1 - k]))
    ++k;
  return k;
}

/// Start and end of the n-th run of bytes that `in` accepts (wanted = true)
/// or rejects (wanted = false); start == n_text when the text ends first.
template <typename Pred>
std::pair<uint32_t, uint32_t> findSegment(const char *t, uint32_t len, const Pred &in, bool wanted,
                                          unsigned n) {
  uint32_t pos = 0;
  auto skip = [&](bool member) {
    while (pos < len && in(t[pos]) == member)
      ++pos;
  };
  // Each round advances at least one byte while pos < len, so this ends.
  for (unsigned i = 0; i < n && pos < len; ++i) {
    skip(wanted);
    skip(!wanted);
  }
  if (pos >= len)
    return {len, len};
  uint32_t start = pos;
  skip(wanted);
  return {start, pos};
}

/// Maps every byte of the NUL-terminated s in place; null-safe.
template <char (*Map)(char)> char *mapBytes(char *s) {
  if (s)
    for (char *p = s; *p; ++p)
      *p = Map(*p);
  return s;
}

} // namespace

// Trimming ---------------------------------------------------------------------------

GString &GString::ltrim(char ch) {
  return remove(0, prefixLength(Text, length(), [ch](char c) { return c == ch; }));
}

GString &GString::ltrim(const char *set) {
  return set ? remove(0, prefixLength(Text, length(), ByteSet(set))) : *this;
}

GString &GString::ltrim(bool (*accept)(char)) {
  return accept ? remove(0, prefixLength(Text, length(), accept)) : *this;
}

GString &GString::rtrim(char ch) {
  return remove(length() - suffixLength(Text, length(), [ch](char c) { return c == ch; }));
}

GString &GString::rtrim(const char *set) {
  return set ? remove(length() - suffixLength(Text, length(), ByteSet(set))) : *this;
}

GString &GString::rtrim(bool (*accept)(char)) {
  return accept ? remove(length() - suffixLength(Text, length(), accept)) : *this;
}

GString &GString::trim(char ch) { return ltrim(ch).rtrim(ch); }
GString &GString::trim(const char *set) { return ltrim(set).rtrim(set); }
GString &GString::trim(bool (*accept)(char)) { return ltrim(accept).rtrim(accept); }

// Segments -------------------------------------------------------------------------------

GString &GString::segmentIncluding(const char *set, unsigned int n) {
  auto [a, b] = findSegment(Text, length(), ByteSet(set ? set : ""), true, n);
  return extract(a, b);
}

GString &GString::segmentIncluding(char ch, unsigned int n) {
  auto [a, b] = findSegment(Text, length(), ByteSet(ch), true, n);
  return extract(a, b);
}

GString &GString::segmentExcluding(const char *set, unsigned int n) {
  auto [a, b] = findSegment(Text, length(), ByteSet(set ? set : ""), false, n);
  return extract(a, b);
}

GString &GString::segmentExcluding(char ch, unsigned int n) {
  auto [a, b] = findSegment(Text, length(), ByteSet(ch), false, n);
  return extract(a, b);
}

GString GString::getSegmentIncluding(const char *set, unsigned int n) const {
  return GString(*this).segmentIncluding(set, n);
}

GString GString::getSegmentIncluding(char ch, unsigned int n) const {
  return GString(*this).segmentIncluding(ch, n);
}

GString GString::getSegmentExcluding(const char *set, unsigned int n) const {
  return GString(*this).segmentExcluding(set, n);
}

GString GString::getSegmentExcluding(char ch, unsigned int n) const {
  return GString(*this).segmentExcluding(ch, n);
}

// Comparison and case ------------------------------------------------------------------------

bool GString::operator==(const GString &s) const {
  return Text == s.Text || std::strcmp(Text, s.Text) == 0;
}

bool GString::operator==(const char *s) const { return s ? std::strcmp(Text, s) == 0 : isEmpty(); }

bool GString::operator<(const GString &s) const { return std::strcmp(Text, s.Text) < 0; }
bool GString::operator>(const GString &s) const { return std::strcmp(Text, s.Text) > 0; }
bool GString::operator<=(const GString &s) const { return std::strcmp(Text, s.Text) <= 0; }
bool GString::operator>=(const GString &s) const { return std::strcmp(Text, s.Text) >= 0; }

bool operator==(const char *a, const GString &b) { return b == a; }
bool operator!=(const char *a, const GString &b) { return b != a; }

// Bytes are taken as signed 8-bit values, so 0x80-0xFF order below ASCII.
int GString::UCcompare(const char *a, const char *b) {
  while (*a && *b && vyx::AsciiToLower(*a) == vyx::AsciiToLower(*b)) {
    ++a;
    ++b;
  }
  return static_cast<signed char>(vyx::AsciiToLower(*a)) -
         static_cast<signed char>(vyx::AsciiToLower(*b));
}

char *GString::ToLower(char *s) { return mapBytes<vyx::AsciiToLower>(s); }
char *GString::ToUpper(char *s) { return mapBytes<vyx::AsciiToUpper>(s); }

const char *gstristr(const char *text, const char *find) {
  if (!text)
    return nullptr;
  if (!find || !*find)
    return text;
  const char first = vyx::AsciiToUpper(*find);
  for (const char *p = text; *p; ++p) {
    if (vyx::AsciiToUpper(*p) != first)
      continue;
    const char *a = p + 1;
    const char *b = find + 1;
    while (*b && vyx::AsciiToUpper(*a) == vyx::AsciiToUpper(*b)) {
      ++a;
      ++b;
    }
    if (!*b)
      return p;
  }
  return nullptr;
}
