//===- pstream.h - Persistent object streams --------------------*- C++ -*-===//
//
// A pstream writes and reads graphs of GStreamable objects on a buffered byte
// device (GAbstractBufferedIO), which it uses but does not own. opstream
// writes, ipstream reads, iopstream does both on one device.
//
// The format has no header of its own; it is the byte sequence of the calls
// made. Multi-byte values are little-endian unless the stream is switched to
// byte-reversed (big-endian) storage:
//
//   byte, char                 1 byte
//   short, word                2 bytes
//   int, long, dword, bool     4 bytes (bool: 1 or 0; any non-zero reads true)
//   float / double             4 / 8 bytes IEEE
//   (unsigned) long long       8 bytes: low dword, then high dword
//   compat dword               word v (v <= 0x7FFF), or word (v >> 16) | 0x8000
//                              then word v & 0xFFFF (v <= 0x7FFFFFFF)
//   object index               word i (i <= 0xFFFE), or word 0xFFFF, dword i
//   metaclass                  word n, n name bytes; null: word 0x0FFF
//   narrow string              null: word 0xFFFF; n <= 0xFFFD: word n, n bytes;
//                              else word 0xFFFE, dword n, n bytes
//   16-bit string              word 0xFFFE, dword 0xFFFFFFFF, byte 2, dword n,
//                              n 16-bit units
//   pointer                    byte 0 (null or absent), byte 1 + object index
//                              (back-reference), byte 2 + object record (new)
//   object record              byte '{', class name as narrow string (null
//                              when absent), the object's own data, byte ']'
//
// Objects are numbered 1, 2, 3 ... in the order their data starts, on both
// sides; seeking forgets the numbers.
//
// Port notes. In memory `long` is 64 bits here while its stored form stays 4
// bytes: a value that does not fit in 32 bits (neither as a signed nor as an
// unsigned 32-bit number) is not written and sets write failure (bit 4).
// Signed 32-bit fields are read through int32_t (sign-extended), unsigned
// ones zero-extended. 16-bit strings are char16_t / unsigned short, never
// wchar_t; narrow text is UTF-8, and narrow bytes that are not valid UTF-8
// convert as Windows-1252.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_PSTREAM_H
#define VYX_PSTREAMS_PSTREAM_H

#include "io/buffered_io.h"
#include "object_model/exceptions.h"
#include "pstreams/pstream_tracer.h"
#include "pstreams/streamable.h"
#include "vyx_base_export.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

class GMetaClass;
class type_info;

namespace vyx::detail {
class AddressIndexMap;
} // namespace vyx::detail

/// Marks the private members through which the streams do their work: they
/// are not exported, so the library's own calls bind to them directly (and
/// inline) instead of going through the exported symbols.
#if defined(_WIN32)
#define VYX_PSTREAM_INTERNAL
#else
#define VYX_PSTREAM_INTERNAL __attribute__((visibility("hidden")))
#endif

/// The common part of all pstreams: the device, the state bits, the
/// exception mask and the byte order.
class VYX_BASE_API pstream {
public:
  /// 0: little-endian storage; any other value: every multi-byte value is
  /// stored byte-reversed.
  enum EndianType : int32_t { LittleEndian = 0, BigEndian = 1 };
  /// State bits.
  enum : int { eofbit = 1, failbit = 2, badbit = 4 };

  explicit pstream(GAbstractBufferedIO *device);
  pstream(const pstream &) = delete;
  pstream &operator=(const pstream &) = delete;
  virtual ~pstream();

  GAbstractBufferedIO *rdbuf() const { return Device; }
  int rdstate() const { return State; }
  bool good() const { return State == 0; }
  bool eof() const { return (State & eofbit) != 0; }
  /// Read or write failure.
  bool fail() const { return (State & (failbit | badbit)) != 0; }
  bool operator!() const { return fail(); }
  /// Write failure.
  bool bad() const { return (State & badbit) != 0; }
  explicit operator bool() const { return !fail(); }
  /// Replaces the state; throws NonZeroPStreamState_Exception(state) when it
  /// shares a bit with the exception mask.
  void clear(int state = 0);
  /// State bits that raise NonZeroPStreamState_Exception when they get set.
  void generate_exception_on(int mask) { ExceptionMask = mask; }
  int get_exception_mask() const { return ExceptionMask; }
  EndianType endian() const { return Endian; }
  /// Sets the byte order and returns the previous one.
  EndianType endian(EndianType e);
  bool need_swap_bytes() const { return Endian != LittleEndian; }
  /// Flushes the device; a write error left on it sets bits 2 and 4.
  void flush();

protected:
  /// A stream not yet bound to a device (for streams that own theirs).
  pstream() = default;
  /// Binds the stream to `device` (for streams that own their device).
  void bind(GAbstractBufferedIO *device) { Device = device; }
  /// Adds `bits` to the state; throws NonZeroPStreamState_Exception(bits)
  /// when they share a bit with the exception mask.
  void setstate(int bits);
  /// The device's seek; -1 and the `failure` bits when bit 4 is set or the
  /// device cannot seek.
  long seekDevice(long offset, GIO::IOSeekDirection dir, int failure);
  /// The device position; -1 when bit 4 is set, -1 and the `failure` bits
  /// when the query fails.
  long tellDevice(int failure);

private:
  GAbstractBufferedIO *Device = nullptr;
  int State = 0;
  int ExceptionMask = 0;
  EndianType Endian = LittleEndian;
};

/// Saves a stream's byte order, sets another one, and restores the saved
/// one when it goes out of scope.
class VYX_BASE_API PStreamEndianSwitcher {
public:
  PStreamEndianSwitcher(pstream &stream, pstream::EndianType endian)
      : Stream(stream), Saved(stream.endian(endian)) {}
  PStreamEndianSwitcher(const PStreamEndianSwitcher &) = delete;
  PStreamEndianSwitcher &operator=(const PStreamEndianSwitcher &) = delete;
  ~PStreamEndianSwitcher() { Stream.endian(Saved); }

private:
  pstream &Stream;
  pstream::EndianType Saved;
};

/// The writing pstream.
class VYX_BASE_API opstream : public virtual pstream {
public:
  explicit opstream(GAbstractBufferedIO *device);
  ~opstream() override;

  // Primitive values. A failed write sets bit 4.
  void writeByte(unsigned char b);
  void writeWord(unsigned short w);
  /// Four bytes. A value that fits in 32 bits neither as unsigned nor as
  /// signed is not written and sets bit 4.
  void writeDWord(unsigned long d);
  /// Raw bytes, never reversed; returns the count written.
  long writeBytes(const void *data, long n);
  /// `count` elements of `size` bytes, each reversed by itself when the
  /// stream swaps bytes; returns the count of bytes written.
  long writeBytes(const void *data, unsigned size, long count);
  /// `count` bytes of `value`.
  void fillBytes(long count, unsigned char value);
  void writeCharString(const char *s);
  void writeString(const char *s) { writeCharString(s); }
  /// The narrow string of the `n` bytes at `s` (which may hold NULs).
  void writeCharString(const char *s, std::size_t n);
  void writeWideString(const unsigned short *w);
  void writeWideString(const char16_t *w);
  /// A string of NUL-terminated elements of `size` bytes (1 or 2).
  void baseWriteString(const void *data, unsigned size);
  /// A word for values up to 0x7FFF, two words up to 0x7FFFFFFF; larger
  /// values are not written and set bit 4.
  void compat_writeDWord(unsigned long v);

  opstream &operator<<(char c);
  opstream &operator<<(signed char c);
  opstream &operator<<(unsigned char c);
  opstream &operator<<(short v);
  opstream &operator<<(unsigned short v);
  opstream &operator<<(int v);
  opstream &operator<<(unsigned int v);
  opstream &operator<<(long v);
  opstream &operator<<(unsigned long v);
  opstream &operator<<(bool v);
  opstream &operator<<(float v);
  opstream &operator<<(double v);
  /// Word n and the n bytes of the class name; word 0x0FFF for null. A
  /// name of 4095 bytes or more is not written and sets bit 4.
  opstream &operator<<(const GMetaClass *m);
  // Text goes through writeString, objects through the pointer operators:
  // these would otherwise silently become a 4-byte bool.
  opstream &operator<<(const char *) = delete;
  opstream &operator<<(const void *) = delete;

  // Objects.
  /// The object record of `obj` (by value): prefix, data, suffix.
  void writeStreamable(GStreamable &obj);
  /// Byte 0 for null or absent; byte 1 and the index for an object already
  /// written (unless `forceNew`); otherwise byte 2 and the object record.
  /// Throws AbstractClass_Exception for a class without builder.
  void writeStreamablePointer(GStreamable *p, bool forceNew = false);
  virtual void writePointer(GStreamable *p);
  /// Byte 1 and the index of `obj`, registering it first if needed: for
  /// objects that the reader does not build but announces with
  /// ipstream::registerStaticObjectToRead at the same place.
  void registerStaticObjectToWrite(GStreamable &obj);
  /// True for null and for an object registered in this stream.
  bool isObjectWritten(GStreamable *p);

  /// Seeks the device; a successful seek forgets the object numbers and
  /// zeroes the byte count. -1 (and bit 4) when bit 4 is set or the device
  /// cannot seek.
  long seekp(long offset, GIO::IOSeekDirection dir = GIO::IO_BEGIN);
  /// The device position; -1 when bit 4 is set or the query fails.
  long tellp();
  /// Bytes handed to the device since construction or the last seek
  /// (modulo 2^32).
  uint32_t countOfWrittenBytes() const { return WrittenBytes; }

protected:
  /// For streams whose most derived class binds the device.
  opstream();

  void writePrefix(const GStreamable &obj);
  void writeData(GStreamable &obj);
  void writeSuffix(const GStreamable &obj);
  void writeObjectIndex(unsigned long index);
  /// The index of `obj`, or 0 when it is not registered.
  unsigned long find(GStreamable &obj);
  /// Registers `obj` and returns its new index.
  unsigned long registerObject(GStreamable &obj);
  /// `size` bytes in memory order, reversed when the stream swaps bytes.
  void swap_if_need_and_write(const void *data, unsigned size);
  /// Forgets every object number (the next index is 1 again).
  void forgetWrittenObjects();

private:
  VYX_PSTREAM_INTERNAL void putBytes(const unsigned char *bytes, unsigned n);
  template <unsigned N> VYX_PSTREAM_INTERNAL void putFixed(uint64_t value);
  // The work of the operations of the same names.
  VYX_PSTREAM_INTERNAL void record(GStreamable &obj);
  VYX_PSTREAM_INTERNAL void objectIndex(unsigned long index);
  VYX_PSTREAM_INTERNAL void narrowString(const char *s, std::size_t n);
  VYX_PSTREAM_INTERNAL void pointer(GStreamable *p, bool forceNew);

  std::unique_ptr<vyx::detail::AddressIndexMap> Written;
  uint64_t NextIndex = 1;
  uint32_t WrittenBytes = 0;
};

/// The reading pstream.
///
/// Everything read is untrusted: lengths, counts and indexes are checked
/// before they size anything, records nest at most maxDepth() levels, and a
/// record that fails is rolled back (the objects built for it are destroyed
/// and their numbers forgotten).
class VYX_BASE_API ipstream : public virtual pstream {
public:
  explicit ipstream(GAbstractBufferedIO *device);
  ~ipstream() override;

  // Primitive values. Reading past the end sets bits 1 and 2.
  /// 0xFF at the end of the data.
  unsigned char readByte();
  unsigned short readWord();
  /// Zero-extended.
  unsigned long readDWord();
  /// Returns the count read.
  long readBytes(void *data, long n);
  /// `count` elements of `size` bytes, each reversed when swapping.
  long readBytes(void *data, unsigned size, long count);
  /// Reads and drops `n` bytes (stops once the state is not 0).
  void skipBytes(long n);
  /// New strings (delete[] by the caller), or null for a null string, a
  /// short read, or text that cannot be converted.
  char *readCharString();
  char *readString() { return readCharString(); }
  unsigned short *readWideString();
  /// Reads a narrow string into `s` (all its bytes, NULs included); false,
  /// with `s` empty, for a null string or a short read.
  bool readCharString(GString &s);
  /// A new string of elements of `size` bytes (1: char[], 2: unsigned
  /// short[]), or null.
  void *baseReadString(unsigned size);
  unsigned long compat_readDWord();

  // Signed fields are sign-extended, unsigned ones zero-extended.
  ipstream &operator>>(char &c) {
    c = static_cast<char>(fixed<1>(vyx::PStreamValueKind::Byte, false));
    return *this;
  }
  ipstream &operator>>(signed char &c) {
    c = static_cast<signed char>(fixed<1>(vyx::PStreamValueKind::Byte, true));
    return *this;
  }
  ipstream &operator>>(unsigned char &c) {
    c = static_cast<unsigned char>(fixed<1>(vyx::PStreamValueKind::Byte, false));
    return *this;
  }
  ipstream &operator>>(short &v) {
    v = static_cast<short>(fixed<2>(vyx::PStreamValueKind::Word, true));
    return *this;
  }
  ipstream &operator>>(unsigned short &v) {
    v = static_cast<unsigned short>(fixed<2>(vyx::PStreamValueKind::Word, false));
    return *this;
  }
  ipstream &operator>>(int &v) {
    v = static_cast<int32_t>(fixed<4>(vyx::PStreamValueKind::DWord, true));
    return *this;
  }
  ipstream &operator>>(unsigned int &v) {
    v = static_cast<uint32_t>(fixed<4>(vyx::PStreamValueKind::DWord, false));
    return *this;
  }
  /// A signed 32-bit field: -1 reads back as -1.
  ipstream &operator>>(long &v) {
    v = static_cast<int32_t>(fixed<4>(vyx::PStreamValueKind::DWord, true));
    return *this;
  }
  ipstream &operator>>(unsigned long &v) {
    v = static_cast<uint32_t>(fixed<4>(vyx::PStreamValueKind::DWord, false));
    return *this;
  }
  ipstream &operator>>(bool &v) {
    v = fixed<4>(vyx::PStreamValueKind::Bool, false) != 0;
    return *this;
  }
  ipstream &operator>>(float &v) {
    v = std::bit_cast<float>(static_cast<uint32_t>(fixed<4>(vyx::PStreamValueKind::Float, false)));
    return *this;
  }
  ipstream &operator>>(double &v) {
    v = std::bit_cast<double>(fixed<8>(vyx::PStreamValueKind::Double, false));
    return *this;
  }
  /// The class registered under the stored name (low 12 bits of the word
  /// give its length), null for 0x0FFF or an unknown name.
  ipstream &operator>>(const GMetaClass *&m);

  // Objects.
  /// Reads an object record into `obj` (by value).
  void readStreamable(GStreamable &obj);
  /// Reads a pointer written by writePointer: null, a back-reference or a
  /// new object of the class named in the stream, seen as type `t`. Only a
  /// new object belongs to the caller: a back-reference names an object read
  /// before, which may be one read by value inside another record (it then
  /// lives and dies with the object that holds it).
  virtual void *readPointer(const type_info &t);
  /// The counterpart of opstream::registerStaticObjectToWrite.
  void registerStaticObjectToRead(GStreamable &obj);
  /// Reads a pointer marker and, for a new object, its class name (delete[]
  /// by the caller); null otherwise. The position moves.
  char *read_class_name_from_pointer();
  /// Reads a prefix byte and, when it is '{', the class name; null otherwise.
  char *read_class_name_from_reference();
  /// The class of the object whose read runs now, null outside.
  const GMetaClass *metaclassOfReadingObject() const { return ReadingClass; }

  /// Throws NonZeroPStreamState_Exception(rdstate()) when the state is not
  /// 0. Counted readers call it in their loops so that they stop at the
  /// first failure.
  void checkState() const {
    if (rdstate() != 0) [[unlikely]]
      throwState();
  }

  /// Seeks the device; a successful seek forgets the object numbers and
  /// zeroes the byte count. -1 (and bit 2) when bit 4 is set or the device
  /// cannot seek.
  long seekg(long offset, GIO::IOSeekDirection dir = GIO::IO_BEGIN);
  /// The device position; -1 when bit 4 is set or the query fails.
  long tellg();
  /// Bytes read from the device since construction or the last seek
  /// (modulo 2^32).
  uint32_t countOfReadBytes() const { return ReadBytes; }

  /// Records may nest at most this many levels; deeper input throws
  /// vyx::PStreamTooDeep_Exception. New streams take the default.
  unsigned maxDepth() const { return MaxDepth; }
  void setMaxDepth(unsigned depth) { MaxDepth = depth; }
  static unsigned GetDefaultMaxDepth();
  static void SetDefaultMaxDepth(unsigned depth);
  /// The default of the nesting limit.
  static constexpr unsigned DefaultMaxDepth = 2048;

  /// Tells `tracer` (not owned) of every value, pointer and record read from
  /// now on; null (the default) tells nobody. See pstream_tracer.h.
  void setTracer(vyx::PStreamTracer *tracer);
  vyx::PStreamTracer *tracer() const { return Tracer; }
  /// The read of a scaled number while a tracer is set: the stored float
  /// (`size` 4) or double (8) times the input scale raised to `exponent`,
  /// reported as one value.
  double readTracedScaledNumber(unsigned size, int exponent);

protected:
  /// For streams whose most derived class binds the device.
  ipstream();

  /// Reads a prefix: the metaclass of the stored class name, or null for an
  /// object written as absent.
  const GMetaClass *readPrefix();
  /// Builds (when `obj` is null) and registers the object, then runs its
  /// read; returns it seen as type `t`.
  void *readData(const GMetaClass *m, GStreamable *obj, const type_info &t);
  void readSuffix(const GMetaClass *m);
  unsigned long readObjectIndex();
  /// The object registered under `index`, or null.
  GStreamable *find(unsigned long index);
  /// Appends `obj` to the table; returns its index.
  unsigned long registerObject(GStreamable &obj);
  /// `size` bytes into memory order, reversed when swapping.
  void read_and_swap_if_need(void *data, unsigned size);
  /// The class to build for a stored name (GMetaClass::FindByName). The
  /// stream remembers the registry's last answer: records of the class named
  /// just before do not look it up again (until the next seek). An override
  /// that answers by other means is called for every record.
  virtual const GMetaClass *find_class(const char *name);

  /// readPointer after its marker byte has been read.
  void *readPointerAfterMarker(int marker, const type_info &t);
  /// readPointer of the library's memory streams, which know one more
  /// marker: after `extraMarker`, `readExtra` reads the rest of the pointer
  /// (not exported).
  using ExtraPointerReader = void *(*)(ipstream &is, const type_info &t);
  VYX_PSTREAM_INTERNAL void *readPointerWith(const type_info &t, int extraMarker,
                                             ExtraPointerReader readExtra);
  /// Forgets every object number.
  void forgetReadObjects();

private:
  friend VYX_BASE_API ipstream &operator>>(ipstream &is, unsigned long long &v);
  friend VYX_BASE_API ipstream &operator>>(ipstream &is, long long &v);

  /// The next N stored bytes as a number, for the typed reads: taken
  /// straight from the device's read window when the window holds them,
  /// nobody traces and the stream keeps this machine's byte order (as
  /// readFixed would take them); read by readFixed otherwise.
  template <unsigned N> uint64_t fixed(vyx::PStreamValueKind kind, bool isSigned) {
    if constexpr (std::endian::native == std::endian::little) {
      GAbstractBufferedIO *device = rdbuf();
      if (!Tracer && device && device->peekEnd() - device->peekBegin() >= long(N) &&
          !need_swap_bytes()) {
        uint64_t value = 0;
        std::memcpy(&value, device->peekBegin(), N);
        device->skipPeeked(N);
        ReadBytes += N;
        return value;
      }
    }
    return readFixed(N, kind, isSigned);
  }
  /// The typed read of `n` (1, 2, 4 or 8) bytes, traced as `kind` when a
  /// tracer is set; short data reads as 0xFF bytes and sets bits 1 and 2.
  uint64_t readFixed(unsigned n, vyx::PStreamValueKind kind, bool isSigned);
  [[noreturn]] void throwState() const;

  class DepthGuard;
  class TraceSuspension;
  enum class StoredString { Null, Failed, Read };
  VYX_PSTREAM_INTERNAL bool getBytes(unsigned char *bytes, unsigned n);
  template <unsigned N> VYX_PSTREAM_INTERNAL uint64_t getFixed();
  /// Two dwords, the low one first.
  VYX_PSTREAM_INTERNAL uint64_t getInt64();
  // The work of readBytes and skipBytes.
  VYX_PSTREAM_INTERNAL long getRaw(void *data, long n);
  VYX_PSTREAM_INTERNAL void skipRaw(long n);
  /// baseReadString; `charSize` receives the stored element size.
  VYX_PSTREAM_INTERNAL void *stringOf(unsigned size, unsigned &charSize);
  /// readCharString(GString &), likewise.
  VYX_PSTREAM_INTERNAL bool charStringOf(GString &s, unsigned &charSize);
  /// getFixed that tells whether all N bytes arrived.
  template <unsigned N> VYX_PSTREAM_INTERNAL bool tryFixed(uint64_t &value);
  /// Reads a stored string's header and its elements (in memory order) into
  /// `out`; `charSize` receives the stored element size.
  VYX_PSTREAM_INTERNAL StoredString readStoredString(std::vector<unsigned char> &out,
                                                     unsigned &charSize);
  /// The same after the first word `w` has been read.
  VYX_PSTREAM_INTERNAL StoredString readStoredString(unsigned short w,
                                                     std::vector<unsigned char> &out,
                                                     unsigned &charSize);
  /// Destroys the object registered at `mark` (index mark + 1), built for a
  /// record that failed, and forgets the numbers from there on.
  VYX_PSTREAM_INTERNAL void rollBack(std::size_t mark, bool destroyBuilt);
  // The work of the protected operations of the same names.
  VYX_PSTREAM_INTERNAL const GMetaClass *prefix();
  /// The class of a prefix that repeats the class of the record before,
  /// recognised (and consumed) in the device window; null, with nothing
  /// consumed, for any other prefix.
  VYX_PSTREAM_INTERNAL const GMetaClass *repeatedPrefix();
  /// The work of data(): builds (when `obj` is null), registers and reads.
  VYX_PSTREAM_INTERNAL void *readObject(const GMetaClass *m, GStreamable *obj, const type_info &t);
  /// The class of a prefix's name read into NameBuffer.
  VYX_PSTREAM_INTERNAL const GMetaClass *namedClass(StoredString name, unsigned charSize);
  VYX_PSTREAM_INTERNAL void *data(const GMetaClass *m, GStreamable *obj, const type_info &t);
  VYX_PSTREAM_INTERNAL void suffix(const GMetaClass *m);
  VYX_PSTREAM_INTERNAL unsigned long objectIndex();
  VYX_PSTREAM_INTERNAL void *pointerAfterMarker(int marker, const type_info &t);
  /// A back-reference to object `index`, seen as type `t`.
  VYX_PSTREAM_INTERNAL void *referenced(unsigned long index, const type_info &t);
  /// The object record after its prefix gave `m`, read through a pointer.
  VYX_PSTREAM_INTERNAL void *newObject(const GMetaClass *m, const type_info &t);

  // Reading while a tracer is set: the same reads, reported.
  /// The offset of the next byte (64-bit while a tracer is set).
  VYX_PSTREAM_INTERNAL uint64_t traceOffset();
  /// Reports `v`, which started at v.Offset and ends here.
  VYX_PSTREAM_INTERNAL void traceValue(vyx::PStreamValue &v);
  template <unsigned N>
  VYX_PSTREAM_INTERNAL uint64_t tracedFixed(vyx::PStreamValueKind kind, bool isSigned);
  VYX_PSTREAM_INTERNAL uint64_t tracedInt64(bool isSigned);
  VYX_PSTREAM_INTERNAL unsigned long tracedCompatDWord();
  VYX_PSTREAM_INTERNAL long tracedBytes(void *data, unsigned size, long count);
  VYX_PSTREAM_INTERNAL void tracedSkip(long n);
  VYX_PSTREAM_INTERNAL void *tracedString(unsigned size);
  VYX_PSTREAM_INTERNAL bool tracedCharString(GString &s);
  VYX_PSTREAM_INTERNAL const GMetaClass *tracedMetaClass();
  VYX_PSTREAM_INTERNAL void *tracedPointer(int marker, const type_info &t);
  VYX_PSTREAM_INTERNAL void tracedStreamable(GStreamable &obj);
  /// The prefix of a record starting at `at`, reported as its start.
  VYX_PSTREAM_INTERNAL const GMetaClass *tracedPrefix(uint64_t at, bool byValue);

  /// One numbered object in 8 bytes, with the way it was last seen (the
  /// type wanted and where that cast put it): a back-reference wanting the
  /// same type is answered without touching the object. Objects are at
  /// least 8-byte aligned. An address that fits in 48 bits is kept with
  /// bit 0 set and the slot of its way in SeenWays (0: none) in the top 16
  /// bits; a wider address is kept bare (bit 0 clear) and never remembers a
  /// way.
  struct ReadEntry {
    uint64_t Bits;
    GStreamable *object() const {
      return reinterpret_cast<GStreamable *>((Bits & 1) ? Bits & PackedAddress : Bits);
    }
  };
  static constexpr uint64_t PackedAddress = 0x0000FFFFFFFFFFFE;
  /// The entry of `obj` last seen in the way of `slot`.
  static ReadEntry entryOf(GStreamable *obj, unsigned slot) {
    static_assert(alignof(GStreamable) > 1, "bit 0 of an object's address must be free");
    auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(obj));
    if (address >> 48)
      return ReadEntry{address};
    return ReadEntry{address | (uint64_t(slot) << 48) | 1};
  }
  /// A way an object was seen: the type wanted and the distance of the cast
  /// pointer from the object.
  struct SeenWay {
    const type_info *Type;
    std::ptrdiff_t Distance;
  };
  /// Ways by slot; slot 0 stays empty.
  static constexpr unsigned SeenWaySlots = 64;
  /// The slot of the way `obj` is seen as `t` at `cast`, taking a new one
  /// if needed; 0 when all are taken.
  VYX_PSTREAM_INTERNAL unsigned seenAs(GStreamable *obj, const type_info &t, void *cast);
  /// The cast pointer of `entry` when it was last seen as `t`, else null.
  void *castSeenAs(ReadEntry entry, const type_info &t) const {
    if (!(entry.Bits & 1))
      return nullptr;
    const SeenWay &way = SeenWays[entry.Bits >> 48];
    if (way.Type != &t)
      return nullptr;
    return reinterpret_cast<char *>(entry.Bits & PackedAddress) + way.Distance;
  }
  /// The read-objects table, object index i at entry i - 1. It is kept in
  /// segments that double in size (the first holds FirstSegment entries), so
  /// it grows without ever moving an entry and a small stream stays small.
  static constexpr unsigned FirstSegmentBits = 6;
  static constexpr std::size_t FirstSegment = std::size_t(1) << FirstSegmentBits;
  static constexpr unsigned MaxSegments = 48;
  /// Entry `i` (0-based, below ReadCapacity).
  ReadEntry &readEntry(std::size_t i) {
    std::size_t v = i + FirstSegment;
    unsigned segment = static_cast<unsigned>(std::bit_width(v)) - FirstSegmentBits - 1;
    return ReadSegments[segment][v - (FirstSegment << segment)];
  }
  /// Appends an entry; returns the new object index.
  std::size_t addReadEntry(GStreamable *obj, unsigned slot) {
    if (ReadCount == ReadCapacity)
      addReadSegment();
    readEntry(ReadCount) = entryOf(obj, slot);
    return ++ReadCount;
  }
  VYX_PSTREAM_INTERNAL void addReadSegment();
  /// Frees the segments from `first` on.
  VYX_PSTREAM_INTERNAL void freeReadSegments(unsigned first);
  std::unique_ptr<ReadEntry[]> ReadSegments[MaxSegments];
  std::size_t ReadCount = 0;
  std::size_t ReadCapacity = 0;
  unsigned ReadSegmentCount = 0;
  SeenWay SeenWays[SeenWaySlots] = {};
  unsigned SeenWayCount = 1;
  /// The slot seenAs answered last.
  unsigned LastSeenSlot = 0;
  /// How the object built last converted: the virtual table pointer of the
  /// part the builder returned (which tells its class and which part of it
  /// that is), the distance from that part to the GStreamable part, the
  /// type it was wanted as and the distance from the GStreamable part to
  /// that. These conversions depend on the class and the part alone, so an
  /// object built the same way converts by the same distances without
  /// walking its bases.
  struct BuiltCasts {
    const void *Table;
    std::ptrdiff_t ToStreamable;
    const type_info *Wanted;
    std::ptrdiff_t ToWanted;
  };
  BuiltCasts LastBuilt = {};
  std::vector<unsigned char> NameBuffer;
  /// The last name find_class answered (with its terminator) and its class.
  std::vector<unsigned char> LastClassName;
  const GMetaClass *LastClass = nullptr;
  /// Set by the base find_class: the answer came from the class registry.
  bool RegistryAsked = false;
  const GMetaClass *RegistryAnswer = nullptr;
  const GMetaClass *ReadingClass = nullptr;
  uint32_t ReadBytes = 0;
  unsigned Depth = 0;
  unsigned MaxDepth;
  vyx::PStreamTracer *Tracer = nullptr;
  /// The read-byte count extended to 64 bits while tracing: its high part
  /// and the count when it was last looked at.
  uint64_t TraceHigh = 0;
  uint32_t TraceLast = 0;
};

/// Reads and writes on one device.
class VYX_BASE_API iopstream : public ipstream, public opstream {
public:
  explicit iopstream(GAbstractBufferedIO *device);
  ~iopstream() override;

protected:
  iopstream();
};

// 64-bit values: low dword, then high dword.
VYX_BASE_API opstream &operator<<(opstream &os, unsigned long long v);
VYX_BASE_API opstream &operator<<(opstream &os, long long v);
VYX_BASE_API ipstream &operator>>(ipstream &is, unsigned long long &v);
VYX_BASE_API ipstream &operator>>(ipstream &is, long long &v);

/// Writes a pointer to a streamable (opstream::writePointer).
template <class T>
requires std::is_base_of_v<GStreamable, T> opstream &operator<<(opstream &os, T *p) {
  os.writePointer(const_cast<std::remove_const_t<T> *>(p));
  return os;
}

/// Reads a pointer to a streamable of class T (or derived from it).
template <class T>
requires std::is_base_of_v<GStreamable, T> ipstream &operator>>(ipstream &is, T *&p) {
  p = static_cast<T *>(is.readPointer(std::remove_const_t<T>::gTypeInfo_));
  return is;
}

/// A number that the reader scales: stored as the plain T, read back
/// multiplied by GSUSInfo::InputScale() raised to `Exp`. Lengths use
/// TGSNumber<double, 1>, areas would use exponent 2.
template <class T, int Exp> class TGSNumber {
  static_assert(std::is_floating_point_v<T>, "scaled numbers are float or double");

public:
  TGSNumber(T value = T()) : Value(value) {}
  TGSNumber &operator=(T value) {
    Value = value;
    return *this;
  }
  operator T() const { return Value; }
  T value() const { return Value; }
  T &value() { return Value; }

private:
  T Value;
};

namespace vyx {

/// `value` times GSUSInfo::InputScale() raised to `exponent`.
VYX_BASE_API double ScaleReadNumber(double value, int exponent);

/// Thrown when stored records nest deeper than the reading stream allows.
class VYX_BASE_API PStreamTooDeep_Exception : public InvalidPStream_Exception {
public:
  PStreamTooDeep_Exception(unsigned depth, long position);
  unsigned getDepth() const { return Depth; }
  long getPosition() const { return Position; }

private:
  unsigned Depth;
  long Position;
};

/// The gate that counted and sized readers pass every stored value through:
/// a value the format forbids (`valid` false) becomes a read failure (state
/// bit 2), and a stream whose state is then not 0 ends the read with
/// NonZeroPStreamState_Exception, so no reader goes on with a dead stream or
/// a hostile value.
inline void ReadCheck(ipstream &is, bool valid = true) {
  if (!valid)
    is.clear(is.rdstate() | pstream::failbit);
  is.checkState();
}

} // namespace vyx

template <class T, int Exp> opstream &operator<<(opstream &os, const TGSNumber<T, Exp> &n) {
  return os << static_cast<T>(n);
}

template <class T, int Exp> ipstream &operator>>(ipstream &is, TGSNumber<T, Exp> &n) {
  if (is.tracer()) [[unlikely]] {
    n = static_cast<T>(is.readTracedScaledNumber(sizeof(T), Exp));
    return is;
  }
  T stored = T();
  is >> stored;
  n = static_cast<T>(vyx::ScaleReadNumber(static_cast<double>(stored), Exp));
  return is;
}

#endif // VYX_PSTREAMS_PSTREAM_H
