//===- gstring.cpp - Reference-counted byte string ------------------------===//
//
// Buffers, construction, assignment, concatenation, substrings and editing.
// Trimming, segments, comparison and case are in gstring_text.cpp,
// formatting and numbered texts in gstring_format.cpp.
//
// A buffer is one heap block: a StringBlock header followed by the
// characters. The logical capacity follows the capacity rule (the smallest
// multiple of 16 above length + 1) and is what capacity() and getBuffer
// expose. When an unshared text grows, the block is allocated with geometric
// slack behind that capacity, so that appending one character at a time
// costs amortised constant time; growing within the slack only raises the
// logical capacity and never moves the text.
//
//===----------------------------------------------------------------------===//

#include "strings/gstring.h"

#include "object_model/exceptions.h"
#include "platform/atomic.h"
#include "strings/text_conversion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

using vyx::detail::StringBlock;

namespace {

/// The longest text a buffer holds. The capacity rule masks n + 1 with
/// 0x7FFFFFF0, so any longer text would get a wrapped, too small capacity.
constexpr uint32_t MaxLength = 0x7FFFFFFE;
/// The capacity of a buffer of MaxLength characters.
constexpr uint32_t MaxCapacity = 0x80000000;

/// "To the end of the text" for remove and extract.
constexpr unsigned ToEnd = 0x7FFFFFFF;

/// The capacity rule: the smallest multiple of 16 strictly above n + 1.
constexpr uint32_t capacityFor(uint32_t n) { return ((n + 1) & 0x7FFFFFF0u) + 16; }
static_assert(capacityFor(0) == 16 && capacityFor(14) == 16 && capacityFor(15) == 32);
static_assert(capacityFor(MaxLength) == MaxCapacity);

/// The shared empty buffer: length 0, capacity 0, text "". Constant
/// initialised, so strings built during any library's static initialisation
/// can use it. Copies count on it like on any buffer, from a start far above
/// any number of holders, so it is never freed; as its count is never 1 it is
/// never written to.
struct EmptyStorage {
  StringBlock Block;
  char Text[16];
};
static_assert(offsetof(EmptyStorage, Text) == sizeof(StringBlock));
constinit EmptyStorage EmptyBuffer = {{1 << 30, 0, 0, 0}, {}};

char *emptyText() { return EmptyBuffer.Text; }

StringBlock *blockOf(char *text) {
  return reinterpret_cast<StringBlock *>(text - sizeof(StringBlock));
}

/// Lengths are computed in 64 bits and checked here: a text that would not
/// fit a buffer is an allocation failure, and the string stays unchanged.
uint32_t checkedLength(uint64_t n) {
  if (n > MaxLength)
    throw OutOfMemory_Exception();
  return static_cast<uint32_t>(n);
}

/// A new unshared block with an empty text.
char *newBlock(uint32_t capacity, uint32_t allocated) {
  void *p = ::operator new(sizeof(StringBlock) + allocated);
  auto *h = new (p) StringBlock{1, 0, capacity, allocated};
  char *text = reinterpret_cast<char *>(h + 1);
  text[0] = '\0';
  return text;
}

/// Does [s, s + n) touch the block whose text starts at `text`?
bool overlaps(const char *text, std::size_t size, const char *s, std::size_t n) {
  auto t = reinterpret_cast<uintptr_t>(text);
  auto p = reinterpret_cast<uintptr_t>(s);
  return p < t + size && p + n > t;
}

constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

/// Copies n bytes to out and returns the end of the copy. Replacing builds
/// texts from many short pieces, which a plain loop copies faster than a
/// call does.
char *copyBytes(char *out, const char *from, std::size_t n) {
  if (n > 16)
    return static_cast<char *>(std::memcpy(out, from, n)) + n;
  for (std::size_t i = 0; i < n; ++i)
    out[i] = from[i];
  return out + n;
}

/// The first occurrence of find[0, n) in text[from, end), or NotFound. Short
/// search texts (the usual case) scan for the first byte and compare the
/// rest in place, which is fastest for dense hits; long ones use memmem,
/// whose time stays linear in any text.
std::size_t findBytes(const char *text, std::size_t from, std::size_t end, const char *find,
                      std::size_t n) {
  constexpr std::size_t ShortFind = 32;
  if (end < from || end - from < n)
    return NotFound;
  if (n > ShortFind) {
    const void *q = memmem(text + from, end - from, find, n);
    return q ? static_cast<std::size_t>(static_cast<const char *>(q) - text) : NotFound;
  }
  const char *p = text + from;
  const char *last = text + end - n; // the last possible start
  while (p <= last) {
    p = static_cast<const char *>(std::memchr(p, find[0], last - p + 1));
    if (!p)
      return NotFound;
    std::size_t k = 1;
    while (k < n && p[k] == find[k])
      ++k;
    if (k == n)
      return static_cast<std::size_t>(p - text);
    ++p;
  }
  return NotFound;
}

} // namespace

/// Holds an extra reference on a string's buffer while an operation whose
/// source text lies inside that buffer runs: the buffer is then shared, so
/// the operation writes into a new one and the source stays readable. The
/// reference is dropped at the end, also when an exception passes.
class GString::Pin {
public:
  Pin(const GString &str, const char *s, std::size_t n) {
    Header *h = str.header();
    if (s && overlaps(str.Text, h->Allocated, s, n)) {
      vyx::RefCountIncrement(h->Refs);
      Held = h;
    }
  }
  ~Pin() {
    if (Held)
      release_block(Held);
  }
  Pin(const Pin &) = delete;
  Pin &operator=(const Pin &) = delete;

private:
  Header *Held = nullptr;
};

// Buffer management -----------------------------------------------------------

void GString::free_block(Header *h) {
  h->~StringBlock();
  ::operator delete(h);
}

void GString::allocate_buffer(unsigned int n, bool keep) {
  if (n > MaxLength)
    throw OutOfMemory_Exception();
  Header *h = header();
  uint32_t capacity = capacityFor(n);
  bool shared = isShared(); // the empty buffer counts as shared
  if (!shared) {
    if (h->Capacity > n)
      return;
    if (h->Allocated >= capacity) { // grow within the slack of the block
      h->Capacity = capacity;
      if (!keep) {
        h->Length = 0;
        Text[0] = '\0';
      }
      return;
    }
  }
  uint32_t allocated = capacity;
  if (keep && !shared) // a private text grows: reserve geometrically
    allocated = static_cast<uint32_t>(
        std::clamp<uint64_t>(uint64_t(h->Allocated) * 2, capacity, MaxCapacity));
  char *text = newBlock(capacity, allocated);
  if (keep) {
    uint32_t len = std::min(h->Length, capacity - 1);
    std::memcpy(text, Text, len);
    text[len] = '\0';
    blockOf(text)->Length = len;
  }
  release_block(h);
  Text = text;
}

void GString::set_length(unsigned int n) {
  header()->Length = n;
  Text[n] = '\0';
}

void GString::assign_buffer(const char *s, unsigned int n) {
  Pin pin(*this, s, n);
  allocate_buffer(n, false);
  std::memmove(Text, s, n);
  set_length(n);
}

void GString::add_string(const char *s, unsigned int n) {
  uint32_t len = length();
  uint32_t total = checkedLength(uint64_t(len) + n);
  allocate_buffer(total, true);
  std::memcpy(Text + len, s, n);
  set_length(total);
}

void GString::release() {
  release_block(header());
  Text = emptyText();
}

char *GString::getBuffer(unsigned int n) {
  allocate_buffer(n, false);
  return Text;
}

void GString::releaseBuffer() {
  if (isShared()) // nothing was written: make the text private first
    allocate_buffer(length(), true);
  Header *h = header();
  // A caller that forgot the terminator gets the text cut at the capacity.
  std::size_t len = strnlen(Text, h->Capacity);
  if (len >= h->Capacity)
    len = h->Capacity - 1;
  set_length(static_cast<unsigned>(len));
  freeExtra();
}

void GString::releaseBuffer(unsigned int n) {
  if (isShared())
    allocate_buffer(length(), true);
  Header *h = header();
  set_length(std::min(n, h->Capacity - 1));
  freeExtra();
}

void GString::freeExtra() {
  uint32_t len = length();
  if (len == 0) {
    empty();
    return;
  }
  uint32_t capacity = capacityFor(len);
  Header *h = header();
  if (!isShared() && h->Capacity == capacity && h->Allocated == capacity)
    return; // already a private, tight buffer
  char *text = newBlock(capacity, capacity);
  std::memcpy(text, Text, len);
  text[len] = '\0';
  blockOf(text)->Length = len;
  release_block(h);
  Text = text;
}

// Construction ---------------------------------------------------------------

GString::GString() : Text(emptyText()) {}

GString::GString(GString &&s) noexcept : Text(s.Text) { s.Text = emptyText(); }

GString::GString(const char *s) : Text(emptyText()) {
  if (!s)
    return;
  if (reinterpret_cast<uintptr_t>(s) < 0x10000) {
    loadString(static_cast<unsigned>(reinterpret_cast<uintptr_t>(s) & 0xFFFF));
    return;
  }
  std::size_t n = std::strlen(s);
  if (n)
    assign_buffer(s, checkedLength(n));
}

GString::GString(const char *s, unsigned int n) : Text(emptyText()) {
  if (s && s[0] && n)
    assign_buffer(s, n);
}

GString::GString(char ch, unsigned int n) : Text(emptyText()) {
  if (!ch || !n)
    return;
  allocate_buffer(n, false);
  std::memset(Text, ch, n);
  set_length(n);
}

namespace {
/// Converts 16-bit text into `out` (empty on null, "" or a conversion error),
/// sizing the buffer from the real conversion.
template <typename Unit> void assignUtf16(GString &out, const Unit *w) {
  std::size_t n = vyx::Utf16Length(w);
  if (n == 0)
    return;
  std::size_t size = vyx::Utf16ToNarrow(w, n, nullptr);
  if (size == vyx::TextConversionError || size == 0)
    return;
  char *buffer = out.getBuffer(checkedLength(size));
  vyx::Utf16ToNarrow(w, n, buffer);
  out.releaseBuffer(static_cast<unsigned>(size));
}
} // namespace

GString::GString(const unsigned short *w) : Text(emptyText()) { assignUtf16(*this, w); }

GString::GString(const char16_t *w) : Text(emptyText()) { assignUtf16(*this, w); }

GString::GString(HINSTANCE module, unsigned int id) : Text(emptyText()) { loadString(module, id); }

// Access and assignment ---------------------------------------------------------

void GString::at(unsigned int i, char ch) {
  if (i >= length() || Text[i] == ch)
    return;
  allocate_buffer(length(), true);
  Text[i] = ch;
  if (!ch)
    set_length(i);
}

GString &GString::operator=(const GString &s) {
  if (Text != s.Text) {
    vyx::RefCountIncrement(s.header()->Refs);
    release_block(header());
    Text = s.Text;
  }
  return *this;
}

GString &GString::operator=(GString &&s) noexcept {
  if (this != &s) {
    release_block(header());
    Text = s.Text;
    s.Text = emptyText();
  }
  return *this;
}

GString &GString::operator=(const char *s) {
  if (!s || !*s)
    empty();
  else
    assign(s, checkedLength(std::strlen(s)));
  return *this;
}

GString &GString::operator=(char ch) {
  if (!ch)
    empty();
  else
    assign_buffer(&ch, 1);
  return *this;
}

GString &GString::assign(const char *s, unsigned int n) {
  if (!s || !s[0] || !n)
    empty();
  else
    assign_buffer(s, n);
  return *this;
}

void GString::empty() { release(); }

// Concatenation and repetition ---------------------------------------------------

GString &GString::operator+=(const GString &s) {
  if (s.length() == 0)
    return *this;
  if (s.Text == Text)
    return *this *= 2;
  add_string(s.Text, s.length());
  return *this;
}

GString &GString::operator+=(const char *s) {
  if (!s || !*s)
    return *this;
  std::size_t n = std::strlen(s);
  Pin pin(*this, s, n);
  add_string(s, checkedLength(n));
  return *this;
}

// The slow path of operator+=(char): a new or larger buffer.
GString &GString::append_char(char ch) {
  if (ch)
    add_string(&ch, 1);
  return *this;
}

GString GString::operator+(const GString &s) const {
  GString r(*this);
  r += s;
  return r;
}

GString GString::operator+(const char *s) const {
  GString r(*this);
  r += s;
  return r;
}

GString GString::operator+(char ch) const {
  GString r(*this);
  r += ch;
  return r;
}

GString &GString::operator*=(unsigned int n) {
  uint32_t len = length();
  if (len == 0 || n == 1)
    return *this;
  if (n == 0) {
    empty();
    return *this;
  }
  uint32_t total = checkedLength(uint64_t(len) * n);
  allocate_buffer(total, true);
  // Double the copied part each round: log2(n) copies instead of n.
  for (uint32_t done = len; done < total;) {
    uint32_t chunk = std::min(done, total - done);
    std::memcpy(Text + done, Text, chunk);
    done += chunk;
  }
  set_length(total);
  return *this;
}

GString GString::operator*(unsigned int n) const {
  GString r(*this);
  r *= n;
  return r;
}

GString operator+(const char *a, const GString &b) {
  GString r;
  r = a;
  r += b;
  return r;
}

GString operator+(char a, const GString &b) {
  GString r(a, 1);
  r += b;
  return r;
}

GString operator*(unsigned int n, const GString &s) { return s * n; }

// Substrings ---------------------------------------------------------------------

GString &GString::remove(unsigned int a, unsigned int b) {
  uint32_t len = length();
  b = std::min(b, len);
  if (a < b) {
    allocate_buffer(len, true);
    std::memmove(Text + a, Text + b, len - b);
    set_length(len - (b - a));
  }
  return *this;
}

GString &GString::remove(unsigned int a) { return remove(a, ToEnd); }

GString &GString::extract(unsigned int a, unsigned int b) {
  remove(b);
  return remove(0, a);
}

GString &GString::extract(unsigned int a) { return extract(a, ToEnd); }

GString GString::substr(unsigned int a) const { return substr(a, ToEnd); }

// The count is taken from a, never as a + n, which could wrap.
GString GString::substr(unsigned int a, unsigned int n) const {
  uint32_t len = length();
  if (a >= len || n == 0)
    return GString();
  uint32_t count = std::min(n, len - a);
  if (count == len)
    return *this;
  GString r;
  r.assign_buffer(Text + a, count);
  return r;
}

GString GString::right(unsigned int n) const {
  uint32_t len = length();
  return n < len ? substr(len - n, n) : *this;
}

// Editing -------------------------------------------------------------------------

GString &GString::setLength(unsigned int n, char fill) {
  uint32_t len = length();
  if (n == 0) {
    empty();
  } else if (n > len) {
    allocate_buffer(n, true);
    std::memset(Text + len, fill, n - len);
    set_length(n);
  } else if (n < len) {
    allocate_buffer(len, true);
    set_length(n);
  }
  return *this;
}

GString &GString::expandTo(unsigned int n, char fill) {
  if (length() < n)
    setLength(n, fill);
  return *this;
}

GString &GString::grow(int d) {
  if (d > 0) {
    expandTo(checkedLength(uint64_t(length()) + unsigned(d)), ' ');
  } else if (d < 0) {
    int64_t cut = -int64_t(d);
    if (length() < cut)
      empty();
    else
      setLength(static_cast<unsigned>(length() - cut), ' ');
  }
  return *this;
}

GString &GString::insert(unsigned int pos, const char *s, unsigned int n) {
  if (!s || !n)
    return *this;
  Pin pin(*this, s, n);
  uint32_t len = length();
  if (pos < len) {
    uint32_t total = checkedLength(uint64_t(len) + n);
    allocate_buffer(total, true);
    std::memmove(Text + pos + n, Text + pos, len - pos);
    std::memcpy(Text + pos, s, n);
    set_length(total);
  } else { // pad with blanks up to pos, then append
    uint32_t total = checkedLength(uint64_t(pos) + n);
    allocate_buffer(total, true);
    std::memset(Text + len, ' ', pos - len);
    std::memcpy(Text + pos, s, n);
    set_length(total);
  }
  return *this;
}

GString &GString::insert(unsigned int pos, char ch) {
  if (ch)
    insert(pos, &ch, 1);
  return *this;
}

GString &GString::insert(unsigned int pos, const char *s) {
  if (s && *s)
    insert(pos, s, checkedLength(std::strlen(s)));
  return *this;
}

GString &GString::insert(unsigned int pos, const GString &s) {
  if (s.length())
    insert(pos, s.Text, s.length());
  return *this;
}

GString &GString::replace(unsigned int a, unsigned int b, const char *s) {
  Pin pin(*this, s, s ? std::strlen(s) : 0);
  remove(a, b);
  return insert(a, s);
}

GString &GString::replace(unsigned int a, unsigned int b, const GString &s) {
  GString keep(s); // s may be this very string
  remove(a, b);
  return insert(a, keep);
}

// The result is built in a new buffer in one pass over the text. The old
// buffer stays alive until the end, so `find` and `with` may point into it.
int GString::replace(const char *find, const char *with, bool all) {
  if (!find || !with || !*find)
    return -1;
  const std::size_t findLen = std::strlen(find), withLen = std::strlen(with);
  const char *text = Text;
  const std::size_t end = std::strlen(text); // the search stops at a NUL
  std::vector<uint32_t> hits;
  for (std::size_t p = 0, at; (at = findBytes(text, p, end, find, findLen)) != NotFound;
       p = at + findLen) {
    hits.push_back(static_cast<uint32_t>(at));
    if (!all)
      break;
  }
  if (hits.empty())
    return -1;
  const uint32_t len = length();
  const int64_t delta = int64_t(withLen) - int64_t(findLen);
  const uint32_t total = checkedLength(uint64_t(int64_t(len) + int64_t(hits.size()) * delta));
  const int last = static_cast<int>(int64_t(hits.back()) + int64_t(hits.size() - 1) * delta);
  if (total == 0) {
    empty();
    return last;
  }
  GString result;
  result.allocate_buffer(total, false);
  char *out = result.Text;
  std::size_t from = 0;
  for (uint32_t at : hits) {
    out = copyBytes(out, text + from, at - from);
    out = copyBytes(out, with, withLen);
    from = at + findLen;
  }
  copyBytes(out, text + from, len - from);
  result.set_length(total);
  *this = std::move(result);
  return last;
}

int GString::replace(const GString &find, const char *with, bool all) {
  GString keep(find); // find may be this very string
  return replace(keep.c_str(), with, all);
}

GString &GString::translate(const char *from, const char *to) {
  uint32_t len = length();
  if (!from || !to || len == 0)
    return *this;
  // Resolve the mapping first: from and to may point into this text.
  int16_t map[256];
  std::fill(std::begin(map), std::end(map), int16_t(-1));
  std::size_t toLen = std::strlen(to);
  for (std::size_t k = 0; from[k]; ++k) {
    auto b = static_cast<unsigned char>(from[k]);
    if (map[b] < 0 && k < toLen)
      map[b] = static_cast<unsigned char>(to[k]);
    else if (map[b] < 0)
      map[b] = int16_t(256 + b); // first occurrence has no counterpart: stays
  }
  bool writable = false;
  for (uint32_t i = 0; i < len; ++i) {
    int16_t m = map[static_cast<unsigned char>(Text[i])];
    if (m < 0 || m >= 256 || char(m) == Text[i])
      continue;
    if (!writable) {
      allocate_buffer(len, true);
      writable = true;
    }
    Text[i] = char(m);
  }
  return *this;
}

GString &GString::translate(char a, char b) {
  uint32_t len = length();
  if (a == b || len == 0 || !std::memchr(Text, a, len))
    return *this;
  allocate_buffer(len, true);
  std::replace(Text, Text + len, a, b); // the length stays, also for b == NUL
  return *this;
}

// Every TAB becomes w blanks; with w == 0 the tabs are dropped.
GString &GString::detab(unsigned int w) {
  uint32_t len = length();
  uint32_t tabs = static_cast<uint32_t>(std::count(Text, Text + len, '\t'));
  if (tabs == 0)
    return *this;
  uint32_t total = checkedLength(uint64_t(len) - tabs + uint64_t(tabs) * w);
  if (total == 0) {
    empty();
    return *this;
  }
  GString result;
  result.allocate_buffer(total, false);
  char *out = result.Text;
  for (uint32_t i = 0; i < len; ++i) {
    if (Text[i] == '\t') {
      std::memset(out, ' ', w);
      out += w;
    } else {
      *out++ = Text[i];
    }
  }
  result.set_length(total);
  *this = std::move(result);
  return *this;
}

GString &GString::toLower() {
  if (length()) {
    allocate_buffer(length(), true);
    ToLower(Text);
  }
  return *this;
}

GString &GString::toUpper() {
  if (length()) {
    allocate_buffer(length(), true);
    ToUpper(Text);
  }
  return *this;
}

unsigned int GString::char_count(char ch) const {
  if (!ch)
    return 0;
  return static_cast<unsigned>(std::count(Text, Text + std::strlen(Text), ch));
}
