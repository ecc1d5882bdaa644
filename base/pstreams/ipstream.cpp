//===- ipstream.cpp - The reading pstream ---------------------------------===//
//
// Reads the pstream format (see pstream.h for the byte layout):
//
//   pointer  := 0 | 1 index | 2 record
//   index    := word i < 0xFFFF | word 0xFFFF dword i
//   record   := '{' string data ']'       (string null: written as absent)
//   string   := word 0xFFFF (null) | word n < 0xFFFE, n bytes
//             | word 0xFFFE, dword n, n bytes
//             | word 0xFFFE, dword 0xFFFFFFFF, byte c, dword n, n elements of c
//
// Nothing read is trusted. Every stored value that decides what happens next
// (markers, prefix and suffix bytes, indexes, lengths, nesting) passes through
// PSTREAM_CHECK, which throws the exception that names the fault. Lengths
// never size an allocation before the bytes have arrived: a string buffer
// grows as its bytes are read, so a damaged length costs at most a small
// multiple of the input. A record that fails is rolled back: the object built
// for it is destroyed and the numbers handed out inside it are forgotten, so
// no later back-reference reaches a destroyed object.
//
// While a tracer is set every read takes a second path that does the same
// work and reports it (the traced* functions, kept out of line); each read
// decides between the two with one test of the tracer pointer.
//
//===----------------------------------------------------------------------===//

#include "pstreams/device_window_impl.h"
#include "pstreams/pstream.h"
#include "pstreams/pstream_check_impl.h"

#include "object_model/metaclass.h"
#include "strings/gstring.h"
#include "strings/text_conversion.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr int NullPointer = 0;
constexpr int BackReference = 1;
constexpr int NewObject = 2;
constexpr int PrefixByte = 0x7B;
constexpr int OldPrefixByte = 0x5B;
constexpr int SuffixByte = 0x5D;
constexpr unsigned short NullString = 0xFFFF;
constexpr unsigned short LongString = 0xFFFE;
constexpr uint32_t SizedString = 0xFFFFFFFF;
constexpr unsigned short MetaClassLengthMask = 0x0FFF;
constexpr unsigned short LongIndex = 0xFFFF;
constexpr long SkipBlock = 4096;
/// Segments of the read-objects table that a seek keeps: 64 + ... + 2048
/// entries.
constexpr unsigned KeptSegments = 6;
/// First read of a string's bytes; later reads double what has arrived.
constexpr std::size_t FirstStringChunk = 4096;
/// Strings up to this size are read byte by byte from the device window.
constexpr std::size_t SmallString = 64;

std::atomic<unsigned> DefaultDepth{ipstream::DefaultMaxDepth};

/// The 16-bit units of stored elements of 2 or 4 bytes (of 4 bytes, the
/// first 16 bits in memory order).
std::vector<unsigned short> unitsOf(const std::vector<unsigned char> &raw, unsigned charSize) {
  std::size_t n = raw.size() / charSize;
  std::vector<unsigned short> units(n);
  for (std::size_t i = 0; i < n; ++i)
    std::memcpy(&units[i], raw.data() + i * charSize, sizeof(unsigned short));
  return units;
}

/// How far `to` lies from `from`, in bytes.
std::ptrdiff_t distanceOf(const void *from, const void *to) {
  return static_cast<std::ptrdiff_t>(reinterpret_cast<uintptr_t>(to) -
                                     reinterpret_cast<uintptr_t>(from));
}

/// The virtual table pointer of a run-time object: the first thing in
/// it, since GRTTIObject has virtual functions and no bases.
const void *virtualTableOf(const GRTTIObject *object) {
  const void *table;
  std::memcpy(&table, static_cast<const void *>(object), sizeof table);
  return table;
}

template <class Unit> Unit *newTerminated(const Unit *data, std::size_t n) {
  Unit *out = new Unit[n + 1];
  if (n)
    std::memcpy(out, data, n * sizeof(Unit));
  out[n] = 0;
  return out;
}

/// Narrow text of 16-bit units as a new array, or null when the units hold
/// an unpaired surrogate.
char *narrowOf(const unsigned short *units, std::size_t n) {
  std::size_t bytes = vyx::Utf16ToNarrow(units, n, nullptr);
  if (bytes == vyx::TextConversionError)
    return nullptr;
  char *out = new char[bytes + 1];
  vyx::Utf16ToNarrow(units, n, out);
  out[bytes] = '\0';
  return out;
}

} // namespace

// Depth of nested records -------------------------------------------------------

/// Counts one level of record nesting for as long as it lives.
class ipstream::DepthGuard {
public:
  explicit DepthGuard(ipstream &stream) : Stream(stream) {
    PSTREAM_CHECK(Stream.Depth < Stream.MaxDepth,
                  vyx::PStreamTooDeep_Exception(Stream.Depth + 1, Stream.tellg()));
    ++Stream.Depth;
  }
  DepthGuard(const DepthGuard &) = delete;
  DepthGuard &operator=(const DepthGuard &) = delete;
  ~DepthGuard() { --Stream.Depth; }

private:
  ipstream &Stream;
};

unsigned ipstream::GetDefaultMaxDepth() { return DefaultDepth.load(); }

void ipstream::SetDefaultMaxDepth(unsigned depth) { DefaultDepth.store(depth); }

namespace vyx {

PStreamTooDeep_Exception::PStreamTooDeep_Exception(unsigned depth, long position)
    : Depth(depth), Position(position) {
  message("Objects nested %u levels deep at position %ld exceed the limit of the pstream", depth,
          position);
}

} // namespace vyx

// Construction ------------------------------------------------------------------

ipstream::ipstream() : MaxDepth(GetDefaultMaxDepth()) {}

ipstream::ipstream(GAbstractBufferedIO *device) : pstream(device), MaxDepth(GetDefaultMaxDepth()) {}

ipstream::~ipstream() = default;

// Primitive values --------------------------------------------------------------

bool ipstream::getBytes(unsigned char *bytes, unsigned n) {
  GAbstractBufferedIO *device = rdbuf();
  if (device && vyx::detail::DeviceWindow::take(*device, bytes, n)) {
    ReadBytes += n;
    return true;
  }
  for (unsigned i = 0; i < n; ++i) {
    int c = device ? device->readByte() : -1;
    if (c < 0) {
      std::memset(bytes + i, 0xFF, n - i);
      setstate(eofbit | failbit);
      return false;
    }
    bytes[i] = static_cast<unsigned char>(c);
    ++ReadBytes;
  }
  return true;
}

namespace {

/// The N bytes at `bytes` as a number stored little-endian (`reversed`
/// false) or big-endian.
template <unsigned N> uint64_t storedValue(const unsigned char *bytes, bool reversed) {
  uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, bytes, N);
    if (N > 1 && reversed)
      value = __builtin_bswap64(value) >> (64 - 8 * N);
  } else if (reversed) {
    for (unsigned i = 0; i < N; ++i)
      value = (value << 8) | bytes[i];
  } else {
    for (unsigned i = N; i > 0; --i)
      value = (value << 8) | bytes[i - 1];
  }
  return value;
}

/// Whether the first and the last sizeof(Word) bytes of a and b (n of them,
/// at least sizeof(Word)) agree: all n bytes when n <= 2 * sizeof(Word).
template <class Word>
[[gnu::always_inline]] inline bool sameEnds(const unsigned char *a, const unsigned char *b,
                                            std::size_t n) {
  Word a0, b0, a1, b1;
  std::memcpy(&a0, a, sizeof(Word));
  std::memcpy(&b0, b, sizeof(Word));
  std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
  std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
  return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

/// memcmp(a, b, n) == 0, without a call for the lengths of most class names.
[[gnu::always_inline]] inline bool sameBytes(const unsigned char *a, const unsigned char *b,
                                             std::size_t n) {
  if (n >= 8 && n <= 16)
    return sameEnds<uint64_t>(a, b, n);
  if (n >= 4 && n < 8)
    return sameEnds<uint32_t>(a, b, n);
  return std::memcmp(a, b, n) == 0;
}

} // namespace

template <unsigned N> inline bool ipstream::tryFixed(uint64_t &value) {
  unsigned char bytes[N];
  GAbstractBufferedIO *device = rdbuf();
  bool complete = true;
  if (device && vyx::detail::DeviceWindow::take(*device, bytes, N))
    ReadBytes += N;
  else
    complete = getBytes(bytes, N);
  value = storedValue<N>(bytes, need_swap_bytes());
  return complete;
}

template <unsigned N> inline uint64_t ipstream::getFixed() {
  uint64_t value;
  tryFixed<N>(value);
  return value;
}

uint64_t ipstream::getInt64() {
  uint64_t low = getFixed<4>();
  return low | (getFixed<4>() << 32);
}

using Kind = vyx::PStreamValueKind;

/// The first test of every read: is somebody watching?
#define VYX_IF_TRACED if (Tracer) [[unlikely]]

unsigned char ipstream::readByte() {
  VYX_IF_TRACED return static_cast<unsigned char>(tracedFixed<1>(Kind::Byte, false));
  return static_cast<unsigned char>(getFixed<1>());
}

unsigned short ipstream::readWord() {
  VYX_IF_TRACED return static_cast<unsigned short>(tracedFixed<2>(Kind::Word, false));
  return static_cast<unsigned short>(getFixed<2>());
}

unsigned long ipstream::readDWord() {
  VYX_IF_TRACED return static_cast<unsigned long>(tracedFixed<4>(Kind::DWord, false));
  return static_cast<unsigned long>(getFixed<4>());
}

long ipstream::readBytes(void *data, long n) {
  VYX_IF_TRACED return tracedBytes(data, 1, n);
  return getRaw(data, n);
}

long ipstream::getRaw(void *data, long n) {
  if (n <= 0)
    return 0;
  GAbstractBufferedIO *device = rdbuf();
  long got = device ? device->gread(data, n) : -1;
  if (got < 0)
    got = 0;
  ReadBytes += static_cast<uint32_t>(got);
  if (got < n)
    setstate(eofbit | failbit);
  return got;
}

long ipstream::readBytes(void *data, unsigned size, long count) {
  VYX_IF_TRACED return tracedBytes(data, size, count);
  if (size == 0 || count <= 0)
    return 0;
  if (static_cast<unsigned long>(count) > std::numeric_limits<long>::max() / size) {
    setstate(failbit);
    return 0;
  }
  long got = getRaw(data, static_cast<long>(size) * count);
  if (size > 1 && need_swap_bytes()) {
    auto *bytes = static_cast<unsigned char *>(data);
    for (long e = 0; e < got / static_cast<long>(size); ++e)
      std::reverse(bytes + e * size, bytes + (e + 1) * size);
  }
  return got;
}

void ipstream::read_and_swap_if_need(void *data, unsigned size) { readBytes(data, size, 1); }

void ipstream::skipBytes(long n) {
  VYX_IF_TRACED return tracedSkip(n);
  skipRaw(n);
}

void ipstream::skipRaw(long n) {
  unsigned char block[SkipBlock];
  while (n > 0 && good()) {
    long step = std::min(n, SkipBlock);
    getRaw(block, step);
    n -= step;
  }
}

unsigned long ipstream::compat_readDWord() {
  VYX_IF_TRACED return tracedCompatDWord();
  unsigned long w = static_cast<unsigned long>(getFixed<2>());
  if (!(w & 0x8000))
    return w;
  return ((w << 16) & 0x7FFFFFFF) | static_cast<unsigned long>(getFixed<2>());
}

uint64_t ipstream::readFixed(unsigned n, vyx::PStreamValueKind kind, bool isSigned) {
  switch (n) {
  case 1:
    return Tracer ? tracedFixed<1>(kind, isSigned) : getFixed<1>();
  case 2:
    return Tracer ? tracedFixed<2>(kind, isSigned) : getFixed<2>();
  case 4:
    return Tracer ? tracedFixed<4>(kind, isSigned) : getFixed<4>();
  default:
    return Tracer ? tracedFixed<8>(kind, isSigned) : getFixed<8>();
  }
}

ipstream &operator>>(ipstream &is, unsigned long long &v) {
  v = is.Tracer ? is.tracedInt64(false) : is.getInt64();
  return is;
}

ipstream &operator>>(ipstream &is, long long &v) {
  v = static_cast<long long>(is.Tracer ? is.tracedInt64(true) : is.getInt64());
  return is;
}

ipstream &ipstream::operator>>(const GMetaClass *&m) {
  VYX_IF_TRACED {
    m = tracedMetaClass();
    return *this;
  }
  m = nullptr;
  unsigned n = static_cast<unsigned>(getFixed<2>()) & MetaClassLengthMask;
  if (n == MetaClassLengthMask || !good())
    return *this;
  NameBuffer.resize(n + 1);
  if (!getBytes(NameBuffer.data(), n))
    return *this;
  NameBuffer[n] = 0;
  m = find_class(reinterpret_cast<const char *>(NameBuffer.data()));
  return *this;
}

// Strings -----------------------------------------------------------------------

ipstream::StoredString ipstream::readStoredString(std::vector<unsigned char> &out,
                                                  unsigned &charSize) {
  uint64_t w;
  if (!tryFixed<2>(w)) {
    out.clear();
    charSize = 1;
    return StoredString::Failed;
  }
  return readStoredString(static_cast<unsigned short>(w), out, charSize);
}

ipstream::StoredString ipstream::readStoredString(unsigned short w, std::vector<unsigned char> &out,
                                                  unsigned &charSize) {
  out.clear();
  charSize = 1;
  if (w == NullString)
    return StoredString::Null;
  uint64_t n = w;
  if (w == LongString) {
    uint64_t size = 1;
    bool complete = tryFixed<4>(n);
    if (complete && n == SizedString)
      complete = tryFixed<1>(size) && tryFixed<4>(n);
    if (!complete)
      return StoredString::Failed;
    charSize = static_cast<unsigned>(size);
  }
  if (charSize != 1 && charSize != 2 && charSize != 4) {
    // An element size no reader knows: step over the elements (64-bit: up
    // to 255 * 0xFFFFFFFF bytes), stopping at the end of the data.
    uint64_t skip = n * charSize;
    while (skip > 0 && good()) {
      long step = static_cast<long>(std::min<uint64_t>(skip, 1ull << 30));
      skipRaw(step);
      skip -= static_cast<uint64_t>(step);
    }
    return StoredString::Null;
  }
  uint64_t total = n * charSize;
  if (total <= SmallString) {
    out.resize(static_cast<std::size_t>(total));
    if (!getBytes(out.data(), static_cast<unsigned>(total))) {
      out.clear();
      return StoredString::Failed;
    }
  } else {
    // Grow with what arrives: a hostile length costs at most twice the
    // bytes that are really there.
    while (out.size() < total) {
      std::size_t have = out.size();
      std::size_t want = static_cast<std::size_t>(
          std::min<uint64_t>(total - have, std::max(FirstStringChunk, have)));
      out.resize(have + want);
      if (getRaw(out.data() + have, static_cast<long>(want)) != static_cast<long>(want)) {
        std::vector<unsigned char>().swap(out);
        return StoredString::Failed;
      }
    }
  }
  if (charSize > 1 && need_swap_bytes())
    for (std::size_t e = 0; e < out.size(); e += charSize)
      std::reverse(out.begin() + static_cast<std::ptrdiff_t>(e),
                   out.begin() + static_cast<std::ptrdiff_t>(e + charSize));
  return StoredString::Read;
}

void *ipstream::baseReadString(unsigned size) {
  VYX_IF_TRACED return tracedString(size);
  unsigned charSize;
  return stringOf(size, charSize);
}

void *ipstream::stringOf(unsigned size, unsigned &charSize) {
  std::vector<unsigned char> raw;
  if (readStoredString(raw, charSize) != StoredString::Read)
    return nullptr;
  std::size_t n = raw.size() / charSize;
  if (size == 1) {
    if (charSize == 1)
      return newTerminated(reinterpret_cast<const char *>(raw.data()), n);
    std::vector<unsigned short> units = unitsOf(raw, charSize);
    return narrowOf(units.data(), units.size());
  }
  if (size == 2) {
    if (charSize == 1) {
      const char *text = reinterpret_cast<const char *>(raw.data());
      std::size_t count = vyx::NarrowToUtf16(text, n, static_cast<unsigned short *>(nullptr));
      auto *out = new unsigned short[count + 1];
      vyx::NarrowToUtf16(text, n, out);
      out[count] = 0;
      return out;
    }
    std::vector<unsigned short> units = unitsOf(raw, charSize);
    return newTerminated(units.data(), units.size());
  }
  return nullptr;
}

char *ipstream::readCharString() { return static_cast<char *>(baseReadString(1)); }

unsigned short *ipstream::readWideString() {
  return static_cast<unsigned short *>(baseReadString(2));
}

bool ipstream::readCharString(GString &s) {
  VYX_IF_TRACED return tracedCharString(s);
  unsigned charSize;
  return charStringOf(s, charSize);
}

bool ipstream::charStringOf(GString &s, unsigned &charSize) {
  s.empty();
  std::vector<unsigned char> raw;
  if (readStoredString(raw, charSize) != StoredString::Read)
    return false;
  if (charSize == 1) {
    s.assign(reinterpret_cast<const char *>(raw.data()), static_cast<unsigned>(raw.size()));
    return true;
  }
  std::vector<unsigned short> units = unitsOf(raw, charSize);
  std::unique_ptr<char[]> text(narrowOf(units.data(), units.size()));
  if (!text)
    return false;
  s = text.get();
  return true;
}

// Objects -----------------------------------------------------------------------

unsigned long ipstream::objectIndex() {
  unsigned long index = static_cast<unsigned long>(getFixed<2>());
  if (index == LongIndex)
    index = static_cast<unsigned long>(getFixed<4>());
  return index;
}

unsigned long ipstream::readObjectIndex() { return objectIndex(); }

GStreamable *ipstream::find(unsigned long index) {
  return index == 0 || index > ReadCount ? nullptr : readEntry(index - 1).object();
}

unsigned long ipstream::registerObject(GStreamable &obj) { return addReadEntry(&obj, 0); }

inline unsigned ipstream::seenAs(GStreamable *obj, const type_info &t, void *cast) {
  std::ptrdiff_t distance = distanceOf(obj, cast);
  const SeenWay &last = SeenWays[LastSeenSlot];
  if (last.Type == &t && last.Distance == distance)
    return LastSeenSlot;
  unsigned slot = 1;
  while (slot < SeenWayCount && (SeenWays[slot].Type != &t || SeenWays[slot].Distance != distance))
    ++slot;
  if (slot == SeenWayCount) {
    if (slot == SeenWaySlots)
      return 0; // more ways than slots: such objects are cast every time
    SeenWays[SeenWayCount++] = SeenWay{&t, distance};
  }
  LastSeenSlot = slot;
  return slot;
}

void ipstream::addReadSegment() {
  // More segments than there are addresses for entries: never reached.
  if (ReadSegmentCount == MaxSegments)
    throw std::bad_alloc();
  std::size_t size = FirstSegment << ReadSegmentCount;
  // Left uninitialised: entries are written before they are read.
  ReadSegments[ReadSegmentCount].reset(new ReadEntry[size]);
  ++ReadSegmentCount;
  ReadCapacity += size;
}

void ipstream::freeReadSegments(unsigned first) {
  for (unsigned s = first; s < ReadSegmentCount; ++s)
    ReadSegments[s].reset();
  if (first < ReadSegmentCount) {
    ReadSegmentCount = first;
    ReadCapacity = FirstSegment * ((std::size_t(1) << first) - 1);
  }
}

void ipstream::forgetReadObjects() {
  LastClass = nullptr;
  ReadCount = 0;
  // Keep the small segments for the objects read after the seek.
  freeReadSegments(KeptSegments);
}

void ipstream::rollBack(std::size_t mark, bool destroyBuilt) {
  GStreamable *built = (destroyBuilt && mark < ReadCount) ? readEntry(mark).object() : nullptr;
  if (mark < ReadCount)
    ReadCount = mark;
  if (built)
    built->destroyThis();
}

const GMetaClass *ipstream::find_class(const char *name) {
  RegistryAnswer = GMetaClass::FindByName(name);
  RegistryAsked = true;
  return RegistryAnswer;
}

const GMetaClass *ipstream::readPrefix() { return prefix(); }

[[gnu::always_inline]] inline const GMetaClass *ipstream::repeatedPrefix() {
  // Most records of a stream repeat the class of the one before: their
  // whole prefix ('{', the length, the name) is compared in place in the
  // device window.
  if (!LastClass)
    return nullptr;
  std::size_t n = LastClassName.size() - 1;
  GAbstractBufferedIO *device = rdbuf();
  const unsigned char *head = device ? vyx::detail::DeviceWindow::peek(*device, n + 3) : nullptr;
  if (!head || head[0] != PrefixByte || storedValue<2>(head + 1, need_swap_bytes()) != n ||
      !sameBytes(head + 3, LastClassName.data(), n))
    return nullptr;
  vyx::detail::DeviceWindow::skip(*device, n + 3);
  ReadBytes += static_cast<uint32_t>(n + 3);
  return LastClass;
}

const GMetaClass *ipstream::prefix() {
  if (const GMetaClass *m = repeatedPrefix())
    return m;
  int prefixByte = static_cast<int>(getFixed<1>());
  PSTREAM_CHECK(prefixByte != OldPrefixByte, OldPrefix_Exception());
  PSTREAM_CHECK(prefixByte == PrefixByte, InvalidPStreamPrefix_Exception(tellg()));
  uint64_t w;
  bool complete = tryFixed<2>(w);
  // The class named just before, compared in place: most records of a
  // stream repeat the name of the one before.
  std::size_t n = static_cast<std::size_t>(w);
  unsigned char recent[SmallString];
  if (complete && LastClass && n + 1 == LastClassName.size() && n <= SmallString) {
    if (!getBytes(recent, static_cast<unsigned>(n)))
      throw UnknownStreamableType_Exception("");
    if (std::memcmp(recent, LastClassName.data(), n) == 0)
      return LastClass;
    NameBuffer.assign(recent, recent + n);
    return namedClass(StoredString::Read, 1);
  }
  unsigned charSize = 1;
  StoredString name = complete
                          ? readStoredString(static_cast<unsigned short>(w), NameBuffer, charSize)
                          : StoredString::Failed;
  return namedClass(name, charSize);
}

const GMetaClass *ipstream::namedClass(StoredString name, unsigned charSize) {
  if (name == StoredString::Read && charSize != 1) {
    // A class name stored as wide text: its narrow form names the class.
    std::vector<unsigned short> units = unitsOf(NameBuffer, charSize);
    std::unique_ptr<char[]> text(narrowOf(units.data(), units.size()));
    NameBuffer.assign(text.get(), text.get() + (text ? std::strlen(text.get()) : 0));
  }
  NameBuffer.push_back(0);
  const char *text = reinterpret_cast<const char *>(NameBuffer.data());
  // A name that could not be read names no class, even when it came out null.
  PSTREAM_CHECK(good() && name != StoredString::Failed, UnknownStreamableType_Exception(text));
  if (name == StoredString::Null)
    return nullptr;
  if (LastClass && NameBuffer == LastClassName)
    return LastClass;
  RegistryAsked = false;
  const GMetaClass *m = find_class(text);
  PSTREAM_CHECK(m, UnknownStreamableType_Exception(text));
  // Only the registry's own answers are remembered: a stream class that
  // finds classes its own way is asked again for every record.
  if (RegistryAsked && m == RegistryAnswer) {
    LastClassName = NameBuffer;
    LastClass = m;
  } else {
    LastClass = nullptr;
  }
  return m;
}

void *ipstream::readData(const GMetaClass *m, GStreamable *obj, const type_info &t) {
  return data(m, obj, t);
}

inline void *ipstream::readObject(const GMetaClass *m, GStreamable *obj, const type_info &t) {
  DepthGuard depth(*this);
  const bool built = obj == nullptr;
  // Whether the object is of the class built last, which converts as that
  // one did.
  bool sameAsLast = false;
  if (built) {
    // GMetaClass::buildObject, without the call into it.
    GMetaClass::Builder builder = m->getBuilder();
    GRTTIObject *object = builder ? builder() : nullptr;
    // The class and which of its parts the builder returned, told by the
    // part's virtual table pointer (every part of every class has its own):
    // the same pointer converts the same way.
    const void *table = object ? virtualTableOf(object) : nullptr;
    sameAsLast = table && table == LastBuilt.Table;
    if (sameAsLast) {
      obj = reinterpret_cast<GStreamable *>(reinterpret_cast<char *>(object) +
                                            LastBuilt.ToStreamable);
    } else {
      obj = vyx::rtti_cast<GStreamable>(object);
      if (!obj) {
        m->destroyObject(object);
        throw AbstractClass_Exception(m);
      }
      LastBuilt = BuiltCasts{table, distanceOf(object, obj), nullptr, 0};
    }
  }
  std::size_t mark = ReadCount;
  try {
    void *cast;
    if (sameAsLast && &t == LastBuilt.Wanted) {
      cast = reinterpret_cast<char *>(obj) + LastBuilt.ToWanted;
    } else {
      cast = obj->cast_to_(t);
      PSTREAM_CHECK(cast, NotBaseClass_Exception(obj->getTypeInfo_(), t, tellg()));
      if (built) {
        LastBuilt.Wanted = &t;
        LastBuilt.ToWanted = distanceOf(obj, cast);
      }
    }
    addReadEntry(obj, seenAs(obj, t, cast));
    const GMetaClass *saved = ReadingClass;
    ReadingClass = m;
    try {
      obj->read(*this);
    } catch (...) {
      ReadingClass = saved;
      throw;
    }
    ReadingClass = saved;
    return cast;
  } catch (...) {
    rollBack(mark, false);
    if (built)
      obj->destroyThis();
    throw;
  }
}

void *ipstream::data(const GMetaClass *m, GStreamable *obj, const type_info &t) {
  return readObject(m, obj, t);
}

void ipstream::readSuffix(const GMetaClass *m) { suffix(m); }

void ipstream::suffix(const GMetaClass *m) {
  int suffixByte = static_cast<int>(getFixed<1>());
  PSTREAM_CHECK(suffixByte == SuffixByte, InvalidPStreamSuffix_Exception(tellg(), m));
}

void ipstream::readStreamable(GStreamable &obj) {
  VYX_IF_TRACED return tracedStreamable(obj);
  std::size_t mark = ReadCount;
  try {
    const GMetaClass *m = prefix();
    if (m)
      data(m, &obj, obj.getTypeInfo_());
    suffix(m);
  } catch (...) {
    rollBack(mark, false);
    throw;
  }
}

void *ipstream::referenced(unsigned long index, const type_info &t) {
  PSTREAM_CHECK(index != 0 && index <= ReadCount, InvalidPStreamIndex_Exception(t, index, tellg()));
  ReadEntry &entry = readEntry(index - 1);
  if (void *cast = castSeenAs(entry, t))
    return cast;
  GStreamable *obj = entry.object();
  void *cast = obj->cast_to_(t);
  PSTREAM_CHECK(cast, NotBaseClass_Exception(obj->getTypeInfo_(), t, tellg()));
  entry = entryOf(obj, seenAs(obj, t, cast));
  return cast;
}

void *ipstream::newObject(const GMetaClass *m, const type_info &t) {
  PSTREAM_CHECK(m, UnknownStreamableType_Exception(nullptr));
  std::size_t mark = ReadCount;
  void *result = readObject(m, nullptr, t);
  try {
    suffix(m);
  } catch (...) {
    // The object is complete but its record is damaged: drop it too.
    rollBack(mark, true);
    throw;
  }
  return result;
}

[[gnu::always_inline]] inline void *ipstream::pointerAfterMarker(int marker, const type_info &t) {
  VYX_IF_TRACED return tracedPointer(marker, t);
  switch (marker) {
  case NullPointer:
    return nullptr;
  case BackReference: {
    unsigned long index = static_cast<unsigned long>(getFixed<2>());
    if (index == LongIndex)
      index = static_cast<unsigned long>(getFixed<4>());
    // An object seen as the same type as before answers from the table.
    if (index - 1 < ReadCount) {
      if (void *cast = castSeenAs(readEntry(index - 1), t))
        return cast;
    }
    return referenced(index, t);
  }
  case NewObject: {
    const GMetaClass *m = repeatedPrefix();
    return newObject(m ? m : prefix(), t);
  }
  default:
    throw InvalidPStreamMarker_Exception(marker, tellg());
  }
}

void *ipstream::readPointer(const type_info &t) {
  return pointerAfterMarker(static_cast<int>(getFixed<1>()), t);
}

void *ipstream::readPointerAfterMarker(int marker, const type_info &t) {
  return pointerAfterMarker(marker, t);
}

void *ipstream::readPointerWith(const type_info &t, int extraMarker, ExtraPointerReader readExtra) {
  int marker = static_cast<int>(getFixed<1>());
  return marker == extraMarker ? readExtra(*this, t) : pointerAfterMarker(marker, t);
}

void ipstream::registerStaticObjectToRead(GStreamable &obj) {
  uint64_t at = Tracer ? traceOffset() : 0;
  int marker = static_cast<int>(getFixed<1>());
  PSTREAM_CHECK(marker == BackReference, InvalidPStreamMarker_Exception(marker, tellg()));
  unsigned long index = objectIndex();
  // Either the object is there already, or it takes the next index.
  PSTREAM_CHECK(find(index) == &obj || index == ReadCount + 1,
                InvalidPStreamIndex_Exception(obj.getTypeInfo_(), index, tellg()));
  if (index == ReadCount + 1)
    addReadEntry(&obj, 0);
  VYX_IF_TRACED Tracer->backReference(at, index, &obj);
}

char *ipstream::read_class_name_from_pointer() {
  if (readByte() != NewObject)
    return nullptr;
  return read_class_name_from_reference();
}

char *ipstream::read_class_name_from_reference() {
  if (readByte() != PrefixByte)
    return nullptr;
  return readCharString();
}

void ipstream::throwState() const { throw NonZeroPStreamState_Exception(rdstate()); }

// Tracing -----------------------------------------------------------------------

void ipstream::setTracer(vyx::PStreamTracer *tracer) {
  Tracer = tracer;
  TraceHigh = 0;
  TraceLast = ReadBytes;
}

uint64_t ipstream::traceOffset() {
  // The count is 32 bits wide; while tracing it is looked at often enough
  // (at every value) to see it wrap.
  if (ReadBytes < TraceLast)
    TraceHigh += uint64_t(1) << 32;
  TraceLast = ReadBytes;
  return TraceHigh | ReadBytes;
}

void ipstream::traceValue(vyx::PStreamValue &v) {
  v.Size = traceOffset() - v.Offset;
  Tracer->value(v);
}

template <unsigned N>
[[gnu::noinline, gnu::cold]] uint64_t ipstream::tracedFixed(vyx::PStreamValueKind kind,
                                                            bool isSigned) {
  vyx::PStreamValue v;
  v.Kind = kind;
  v.Offset = traceOffset();
  v.Signed = isSigned;
  uint64_t raw;
  v.Complete = tryFixed<N>(raw);
  constexpr unsigned Unused = 64 - 8 * N;
  v.Integer = isSigned ? static_cast<uint64_t>(static_cast<int64_t>(raw << Unused) >> Unused) : raw;
  if (kind == Kind::Float)
    v.Real = std::bit_cast<float>(static_cast<uint32_t>(raw));
  else if (kind == Kind::Double)
    v.Real = std::bit_cast<double>(raw);
  traceValue(v);
  return raw;
}

// Positions ---------------------------------------------------------------------

long ipstream::seekg(long offset, GIO::IOSeekDirection dir) {
  long position = seekDevice(offset, dir, failbit);
  if (position >= 0) {
    forgetReadObjects();
    ReadBytes = 0;
    TraceHigh = 0;
    TraceLast = 0;
  }
  return position;
}

long ipstream::tellg() { return tellDevice(failbit); }

// Reading and writing -------------------------------------------------------------

iopstream::iopstream() = default;

iopstream::iopstream(GAbstractBufferedIO *device)
    : pstream(device), ipstream(device), opstream(device) {}

iopstream::~iopstream() = default;
