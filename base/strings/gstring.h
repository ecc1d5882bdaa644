//===- gstring.h - Reference-counted byte string ----------------*- C++ -*-===//
//
// GString is the library's text value: a NUL-terminated byte string with
// value semantics. Copies share one reference-counted buffer; every mutating
// operation first makes the buffer private (copy on write). Positions and
// counts are byte positions.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_GSTRING_H
#define VYX_STRINGS_GSTRING_H

#include "platform/atomic.h"
#include "platform/module_handle.h"
#include "vyx_base_export.h"

#include <cstdarg>
#include <cstdint>

class opstream;
class ipstream;

namespace vyx::detail {
/// Header of a GString buffer; the characters follow it directly in the same
/// heap block. `Capacity` is the logical capacity given by the capacity rule
/// (what capacity() and getBuffer expose); `Allocated` is the number of bytes
/// really reserved for characters, which appends may grow geometrically.
struct StringBlock {
  int32_t Refs;       ///< holders of the buffer (atomic increment/decrement)
  uint32_t Length;    ///< characters, terminator excluded
  uint32_t Capacity;  ///< logical capacity, terminator included
  uint32_t Allocated; ///< real capacity, >= Capacity
};
} // namespace vyx::detail

/// A byte string with a shared, reference-counted buffer and copy on write.
///
/// Copies cost one reference-count increment. capacity() and getBuffer follow
/// the capacity rule (the smallest multiple of 16 above length + 1); behind
/// it, a private text that grows by appends reserves its heap block
/// geometrically, so appending one character at a time is amortised O(1).
/// A text longer than 0x7FFFFFFE bytes is an allocation failure
/// (OutOfMemory_Exception) that leaves the string unchanged. Values that
/// share a buffer may be copied and destroyed on different threads; one
/// object must not be changed by one thread while another uses it.
class VYX_BASE_API GString {
public:
  /// A loader of numbered texts: fills `buffer` (of `size` bytes) with text
  /// `id` and returns the number of characters, 0 when it does not know it.
  typedef unsigned int (*LoadStringFunc)(unsigned int id, char *buffer, unsigned int size,
                                         void *user);

  // Construction and destruction.
  GString();
  GString(const GString &s) : Text(s.Text) { vyx::RefCountIncrement(header()->Refs); }
  GString(GString &&s) noexcept;
  /// A pointer value below 0x10000 is a message number (see loadString).
  GString(const char *s);
  GString(const char *s, unsigned int n);
  GString(char ch, unsigned int n);
  GString(const unsigned short *w);
  GString(const char16_t *w);
  GString(HINSTANCE module, unsigned int id);
  ~GString() { release_block(header()); }

  // Access.
  unsigned int length() const { return header()->Length; }
  bool isEmpty() const { return Text[0] == '\0'; }
  const char *c_str() const { return Text; }
  operator const char *() const { return Text; }
  char at(unsigned int i) const { return Text[i]; }
  void at(unsigned int i, char ch);

  // Assignment and emptying.
  GString &operator=(const GString &s);
  GString &operator=(GString &&s) noexcept;
  GString &operator=(const char *s);
  GString &operator=(char ch);
  GString &assign(const char *s, unsigned int n);
  void empty();
  void Empty() { empty(); }

  // Direct buffer access.
  char *getBuffer(unsigned int n);
  void releaseBuffer();
  void releaseBuffer(unsigned int n);
  void freeExtra();
  /// Bytes available for characters, terminator included, by the capacity
  /// rule (0 for the shared empty buffer).
  unsigned int capacity() const { return header()->Capacity; }

  // Concatenation and repetition.
  GString &operator+=(const GString &s);
  GString &operator+=(const char *s);
  GString &operator+=(char ch) {
    // Fast path: room in the block of a private buffer. The logical capacity
    // follows the capacity rule as the text crosses each 16-byte step.
    Header *h = header();
    uint32_t len = h->Length;
    if (ch && h->Allocated > len + 1 && !isShared()) {
      if (h->Capacity <= len + 1)
        h->Capacity += 16;
      Text[len] = ch;
      Text[len + 1] = '\0';
      h->Length = len + 1;
      return *this;
    }
    return append_char(ch);
  }
  GString operator+(const GString &s) const;
  GString operator+(const char *s) const;
  GString operator+(char ch) const;
  GString &operator*=(unsigned int n);
  GString operator*(unsigned int n) const;

  // Substrings: remove/extract take an end position, substr/mid a count.
  GString &remove(unsigned int a, unsigned int b);
  GString &remove(unsigned int a);
  GString &extract(unsigned int a, unsigned int b);
  GString &extract(unsigned int a);
  GString substr(unsigned int a) const;
  GString substr(unsigned int a, unsigned int n) const;
  GString operator()(unsigned int a) const { return substr(a); }
  GString operator()(unsigned int a, unsigned int n) const { return substr(a, n); }
  GString mid(unsigned int a) const { return substr(a); }
  GString mid(unsigned int a, unsigned int n) const { return substr(a, n); }
  GString left(unsigned int n) const { return substr(0, n); }
  GString right(unsigned int n) const;

  // Editing.
  GString &setLength(unsigned int n, char fill = ' ');
  GString &expandTo(unsigned int n, char fill = ' ');
  GString &grow(int d);
  GString &insert(unsigned int pos, const char *s, unsigned int n);
  GString &insert(unsigned int pos, char ch);
  GString &insert(unsigned int pos, const char *s);
  GString &insert(unsigned int pos, const GString &s);
  GString &replace(unsigned int a, unsigned int b, const char *s);
  GString &replace(unsigned int a, unsigned int b, const GString &s);
  /// Replaces `find` by `with`; returns the position of the last replacement
  /// or -1 when nothing was replaced (also for a null or empty `find`).
  int replace(const char *find, const char *with, bool all = true);
  int replace(const GString &find, const char *with, bool all = true);
  GString &translate(const char *from, const char *to);
  GString &translate(char a, char b);
  GString &detab(unsigned int w);
  GString &toLower();
  GString &toUpper();
  unsigned int char_count(char ch) const;

  // Trimming: a byte, a set of bytes, or a predicate.
  GString &ltrim(char ch = ' ');
  GString &ltrim(const char *set);
  GString &ltrim(bool (*accept)(char));
  GString &rtrim(char ch = ' ');
  GString &rtrim(const char *set);
  GString &rtrim(bool (*accept)(char));
  GString &trim(char ch = ' ');
  GString &trim(const char *set);
  GString &trim(bool (*accept)(char));

  // Segments.
  GString &segmentIncluding(const char *set, unsigned int n);
  GString &segmentIncluding(char ch, unsigned int n);
  GString &segmentExcluding(const char *set, unsigned int n);
  GString &segmentExcluding(char ch, unsigned int n);
  GString getSegmentIncluding(const char *set, unsigned int n) const;
  GString getSegmentIncluding(char ch, unsigned int n) const;
  GString getSegmentExcluding(const char *set, unsigned int n) const;
  GString getSegmentExcluding(char ch, unsigned int n) const;

  // Comparison.
  bool operator==(const GString &s) const;
  bool operator==(const char *s) const;
  bool operator!=(const GString &s) const { return !(*this == s); }
  bool operator!=(const char *s) const { return !(*this == s); }
  bool operator<(const GString &s) const;
  bool operator>(const GString &s) const;
  bool operator<=(const GString &s) const;
  bool operator>=(const GString &s) const;
  static int UCcompare(const char *a, const char *b);
  static char *ToLower(char *s);
  static char *ToUpper(char *s);

  // Formatting and message texts.
  GString &format(const char *fmt, ...);
  GString &vformat(const char *fmt, va_list args);
  GString &format(unsigned int id, ...);
  GString &vformat(unsigned int id, va_list args);
  GString &format(HINSTANCE module, unsigned int id, ...);
  GString &vformat(HINSTANCE module, unsigned int id, va_list args);
  static GString Format(const char *fmt, ...);
  static GString Format(unsigned int id, ...);
  static GString Format(HINSTANCE module, unsigned int id, ...);
  bool loadString(unsigned int id);
  bool loadString(HINSTANCE module, unsigned int id);
  static void AddLoadStringFunc(LoadStringFunc loader, void *user);

private:
  using Header = vyx::detail::StringBlock;
  static void release_block(Header *h) {
    // A buffer held only by this string has no other holder that could
    // change the count concurrently: it is freed without an atomic operation.
    if (vyx::AtomicLoad(h->Refs) == 1 || vyx::RefCountDecrement(h->Refs) == 0)
      free_block(h);
  }
  class Pin;

  Header *header() const { return reinterpret_cast<Header *>(Text - sizeof(Header)); }
  bool isShared() const { return vyx::AtomicLoad(header()->Refs) != 1; }
  GString &append_char(char ch);
  static void free_block(Header *h);
  void allocate_buffer(unsigned int n, bool keep);
  void assign_buffer(const char *s, unsigned int n);
  void add_string(const char *s, unsigned int n);
  void set_length(unsigned int n);
  void release();
  bool load_text(unsigned int (*loader)(unsigned int, char *, unsigned int, void *),
                 unsigned int id, void *context);

  char *Text;
};

VYX_BASE_API GString operator+(const char *a, const GString &b);
VYX_BASE_API GString operator+(char a, const GString &b);
VYX_BASE_API GString operator*(unsigned int n, const GString &s);
VYX_BASE_API bool operator==(const char *a, const GString &b);
VYX_BASE_API bool operator!=(const char *a, const GString &b);

/// Stream forms (the record of the pstream format), implemented by the
/// persistent stream layer.
VYX_BASE_API opstream &operator<<(opstream &os, const GString &s);
VYX_BASE_API ipstream &operator>>(ipstream &is, GString &s);

/// A malloc'ed copy of `s` (freed with free), null for null or on failure.
VYX_BASE_API char *gnewstr(const char *s);
/// Case-insensitive (ASCII) substring search: the first hit in `text`, `text`
/// itself for an empty `find`, null when absent.
VYX_BASE_API const char *gstristr(const char *text, const char *find);
/// strtod that also accepts '.' as the decimal point under any locale.
VYX_BASE_API double gstr2d(const char *text, char **end);

#endif // VYX_STRINGS_GSTRING_H
