//===- opstream.cpp - The common pstream and the writing pstream ---------===//
//
// Writes the pstream format described in pstream.h. Every value goes through
// putFixed / putBytes, which compose the stored byte order and turn a device
// that takes fewer bytes than offered into write failure (bit 4). A value
// that does not fit the width of its stored field is never cut: it is not
// written and sets bit 4.
//
//===----------------------------------------------------------------------===//

#include "pstreams/address_index_map.h"
#include "pstreams/device_window.h"
#include "pstreams/pstream.h"

#include "object_model/metaclass.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr unsigned char NullPointer = 0;
constexpr unsigned char BackReference = 1;
constexpr unsigned char NewObject = 2;
constexpr unsigned char PrefixByte = 0x7B;
constexpr unsigned char SuffixByte = 0x5D;
constexpr unsigned short NullString = 0xFFFF;
constexpr unsigned short LongString = 0xFFFE;
constexpr uint32_t SizedString = 0xFFFFFFFF;
constexpr unsigned short NullMetaClass = 0x0FFF;
constexpr unsigned short LongIndex = 0xFFFF;
constexpr long FillBlock = 4096;

/// True when `v` has a 32-bit stored form: as an unsigned or a signed value.
bool fitsDWord(unsigned long v) {
  long asSigned = static_cast<long>(v);
  return v <= 0xFFFFFFFFul || (asSigned < 0 && asSigned >= std::numeric_limits<int32_t>::min());
}

} // namespace

// pstream ---------------------------------------------------------------------

pstream::pstream(GAbstractBufferedIO *device) : Device(device) {}

pstream::~pstream() = default;

void pstream::clear(int state) {
  State = state;
  if (state & ExceptionMask)
    throw NonZeroPStreamState_Exception(state);
}

void pstream::setstate(int bits) {
  State |= bits;
  if (bits & ExceptionMask)
    throw NonZeroPStreamState_Exception(bits);
}

pstream::EndianType pstream::endian(EndianType e) {
  EndianType old = Endian;
  Endian = e;
  return old;
}

void pstream::flush() {
  if (!Device)
    return;
  Device->flush();
  // The end of the data left behind by reading is no failure of a flush.
  GIO::IOErrors error = Device->getError();
  if (error != GIO::IO_OK && error != GIO::IO_EOF)
    setstate(failbit | badbit);
}

long pstream::seekDevice(long offset, GIO::IOSeekDirection dir, int failure) {
  long position = (bad() || !Device) ? -1 : Device->gseek(offset, dir);
  if (position < 0) {
    setstate(failure);
    return -1;
  }
  return position;
}

long pstream::tellDevice(int failure) {
  if (bad())
    return -1;
  long position = Device ? Device->gtell() : -1;
  if (position < 0) {
    setstate(failure);
    return -1;
  }
  return position;
}

// opstream --------------------------------------------------------------------

opstream::opstream() : Written(std::make_unique<vyx::detail::AddressIndexMap>()) {}

opstream::opstream(GAbstractBufferedIO *device)
    : pstream(device), Written(std::make_unique<vyx::detail::AddressIndexMap>()) {}

opstream::~opstream() = default;

void opstream::putBytes(const unsigned char *bytes, unsigned n) {
  GAbstractBufferedIO *device = rdbuf();
  if (!device) {
    setstate(badbit);
    return;
  }
  if (vyx::detail::DeviceWindow::put(*device, bytes, n)) {
    WrittenBytes += n;
    return;
  }
  for (unsigned i = 0; i < n; ++i) {
    if (device->writeByte(bytes[i]) < 0) {
      setstate(badbit);
      return;
    }
    ++WrittenBytes;
  }
}

template <unsigned N> inline void opstream::putFixed(uint64_t value) {
  unsigned char bytes[N];
  if (need_swap_bytes()) {
    for (unsigned i = 0; i < N; ++i)
      bytes[N - 1 - i] = static_cast<unsigned char>(value >> (8 * i));
  } else {
    for (unsigned i = 0; i < N; ++i)
      bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  }
  GAbstractBufferedIO *device = rdbuf();
  if (device && vyx::detail::DeviceWindow::put(*device, bytes, N))
    WrittenBytes += N;
  else
    putBytes(bytes, N);
}

void opstream::writeByte(unsigned char b) { putFixed<1>(b); }

void opstream::writeWord(unsigned short w) { putFixed<2>(w); }

void opstream::writeDWord(unsigned long d) {
  if (!fitsDWord(d)) {
    setstate(badbit);
    return;
  }
  putFixed<4>(static_cast<uint32_t>(d));
}

long opstream::writeBytes(const void *data, long n) {
  if (n <= 0)
    return 0;
  GAbstractBufferedIO *device = rdbuf();
  long written = device ? device->gwrite(data, n) : -1;
  if (written < 0)
    written = 0;
  WrittenBytes += static_cast<uint32_t>(written);
  if (written < n)
    setstate(badbit);
  return written;
}

long opstream::writeBytes(const void *data, unsigned size, long count) {
  if (size == 0 || count <= 0)
    return 0;
  if (static_cast<unsigned long>(count) > std::numeric_limits<long>::max() / size) {
    setstate(badbit);
    return 0;
  }
  if (size == 1 || !need_swap_bytes())
    return writeBytes(data, static_cast<long>(size) * count);
  // Reverse each element by itself, a block of elements at a time.
  const auto *in = static_cast<const unsigned char *>(data);
  std::vector<unsigned char> block;
  long perBlock = std::max(1L, FillBlock / static_cast<long>(size));
  long total = 0;
  for (long done = 0; done < count; done += perBlock) {
    long elements = std::min(perBlock, count - done);
    block.resize(static_cast<std::size_t>(elements) * size);
    for (long e = 0; e < elements; ++e) {
      const unsigned char *src = in + (static_cast<std::size_t>(done + e) * size);
      unsigned char *dst = block.data() + static_cast<std::size_t>(e) * size;
      for (unsigned i = 0; i < size; ++i)
        dst[i] = src[size - 1 - i];
    }
    long written = writeBytes(block.data(), static_cast<long>(block.size()));
    total += written;
    if (written < static_cast<long>(block.size()))
      break;
  }
  return total;
}

void opstream::fillBytes(long count, unsigned char value) {
  if (count <= 0)
    return;
  unsigned char block[FillBlock];
  std::memset(block, value, sizeof block);
  for (long left = count / FillBlock; left > 0 && good(); --left)
    writeBytes(block, FillBlock);
  writeBytes(block, count % FillBlock);
}

void opstream::swap_if_need_and_write(const void *data, unsigned size) {
  writeBytes(data, size, 1);
}

// Strings ---------------------------------------------------------------------

void opstream::writeCharString(const char *s) { writeCharString(s, s ? std::strlen(s) : 0); }

void opstream::writeCharString(const char *s, std::size_t n) { narrowString(s, n); }

void opstream::narrowString(const char *s, std::size_t n) {
  if (!s) {
    putFixed<2>(NullString);
    return;
  }
  if (n > 0xFFFFFFFFu) {
    setstate(badbit);
    return;
  }
  if (n < LongString) {
    putFixed<2>(n);
  } else {
    putFixed<2>(LongString);
    putFixed<4>(n);
  }
  putBytes(reinterpret_cast<const unsigned char *>(s), static_cast<unsigned>(n));
}

namespace {

template <class Unit> std::size_t unitLength(const Unit *s) {
  std::size_t n = 0;
  while (s[n] != 0)
    ++n;
  return n;
}

} // namespace

void opstream::baseWriteString(const void *data, unsigned size) {
  if (size == 1) {
    writeCharString(static_cast<const char *>(data));
    return;
  }
  if (size != 2 && size != 4) {
    setstate(badbit);
    return;
  }
  if (!data) {
    writeWord(NullString);
    return;
  }
  std::size_t n = size == 2 ? unitLength(static_cast<const uint16_t *>(data))
                            : unitLength(static_cast<const uint32_t *>(data));
  if (n > 0xFFFFFFFFu) {
    setstate(badbit);
    return;
  }
  writeWord(LongString);
  writeDWord(SizedString);
  writeByte(static_cast<unsigned char>(size));
  writeDWord(n);
  writeBytes(data, size, static_cast<long>(n));
}

void opstream::writeWideString(const unsigned short *w) { baseWriteString(w, 2); }

void opstream::writeWideString(const char16_t *w) { baseWriteString(w, 2); }

void opstream::compat_writeDWord(unsigned long v) {
  if (v <= 0x7FFF) {
    writeWord(static_cast<unsigned short>(v));
  } else if (v <= 0x7FFFFFFF) {
    writeWord(static_cast<unsigned short>((v >> 16) | 0x8000));
    writeWord(static_cast<unsigned short>(v & 0xFFFF));
  } else {
    setstate(badbit);
  }
}

// Operators -------------------------------------------------------------------

opstream &opstream::operator<<(char c) {
  writeByte(static_cast<unsigned char>(c));
  return *this;
}
opstream &opstream::operator<<(signed char c) {
  writeByte(static_cast<unsigned char>(c));
  return *this;
}
opstream &opstream::operator<<(unsigned char c) {
  writeByte(c);
  return *this;
}
opstream &opstream::operator<<(short v) {
  writeWord(static_cast<unsigned short>(v));
  return *this;
}
opstream &opstream::operator<<(unsigned short v) {
  writeWord(v);
  return *this;
}
opstream &opstream::operator<<(int v) {
  putFixed<4>(static_cast<uint32_t>(v));
  return *this;
}
opstream &opstream::operator<<(unsigned int v) {
  putFixed<4>(v);
  return *this;
}
opstream &opstream::operator<<(long v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    setstate(badbit);
  else
    putFixed<4>(static_cast<uint32_t>(v));
  return *this;
}
opstream &opstream::operator<<(unsigned long v) {
  if (v > 0xFFFFFFFFul)
    setstate(badbit);
  else
    putFixed<4>(static_cast<uint32_t>(v));
  return *this;
}
opstream &opstream::operator<<(bool v) {
  putFixed<4>(v ? 1 : 0);
  return *this;
}
opstream &opstream::operator<<(float v) {
  putFixed<4>(std::bit_cast<uint32_t>(v));
  return *this;
}
opstream &opstream::operator<<(double v) {
  putFixed<8>(std::bit_cast<uint64_t>(v));
  return *this;
}

opstream &opstream::operator<<(const GMetaClass *m) {
  if (!m) {
    writeWord(NullMetaClass);
    return *this;
  }
  const char *name = m->getName() ? m->getName() : "";
  std::size_t n = std::strlen(name);
  // The reader keeps 12 bits of the length, and 0x0FFF stands for null.
  if (n >= NullMetaClass) {
    setstate(badbit);
    return *this;
  }
  writeWord(static_cast<unsigned short>(n));
  writeBytes(name, static_cast<long>(n));
  return *this;
}

opstream &operator<<(opstream &os, unsigned long long v) {
  os.writeDWord(static_cast<uint32_t>(v));
  os.writeDWord(static_cast<uint32_t>(v >> 32));
  return os;
}

opstream &operator<<(opstream &os, long long v) { return os << static_cast<unsigned long long>(v); }

// Objects ---------------------------------------------------------------------

void opstream::writeObjectIndex(unsigned long index) { objectIndex(index); }

void opstream::objectIndex(unsigned long index) {
  if (index < LongIndex) {
    putFixed<2>(index);
  } else if (index <= 0xFFFFFFFFul) {
    putFixed<2>(LongIndex);
    putFixed<4>(index);
  } else {
    setstate(badbit);
  }
}

unsigned long opstream::find(GStreamable &obj) { return Written->find(&obj); }

unsigned long opstream::registerObject(GStreamable &obj) {
  unsigned long index = NextIndex++;
  Written->insert(&obj, index);
  return index;
}

void opstream::forgetWrittenObjects() {
  Written->clear();
  NextIndex = 1;
}

void opstream::writePrefix(const GStreamable &obj) {
  putFixed<1>(PrefixByte);
  const char *name = obj.shouldWrite() ? obj.getMetaClass().getName() : nullptr;
  narrowString(name, name ? std::strlen(name) : 0);
}

void opstream::writeData(GStreamable &obj) {
  if (!obj.shouldWrite())
    return;
  Written->insert(&obj, NextIndex++);
  obj.write(*this);
}

void opstream::writeSuffix(const GStreamable &) { putFixed<1>(SuffixByte); }

void opstream::writeStreamable(GStreamable &obj) { record(obj); }

void opstream::record(GStreamable &obj) {
  putFixed<1>(PrefixByte);
  if (obj.shouldWrite()) {
    const char *name = obj.getMetaClass().getName();
    narrowString(name, std::strlen(name));
    Written->insert(&obj, NextIndex++);
    obj.write(*this);
  } else {
    narrowString(nullptr, 0);
  }
  putFixed<1>(SuffixByte);
}

void opstream::writeStreamablePointer(GStreamable *p, bool forceNew) { pointer(p, forceNew); }

void opstream::pointer(GStreamable *p, bool forceNew) {
  if (!p || !p->shouldWrite()) {
    putFixed<1>(NullPointer);
    return;
  }
  if (!forceNew) {
    if (uint64_t index = Written->find(p)) {
      putFixed<1>(BackReference);
      objectIndex(static_cast<unsigned long>(index));
      return;
    }
  }
  // No reader could build an object of a class without builder.
  if (!p->getMetaClass().getBuilder())
    throw AbstractClass_Exception(&p->getMetaClass());
  putFixed<1>(NewObject);
  record(*p);
}

void opstream::writePointer(GStreamable *p) { pointer(p, false); }

void opstream::registerStaticObjectToWrite(GStreamable &obj) {
  unsigned long index = find(obj);
  if (!index)
    index = registerObject(obj);
  putFixed<1>(BackReference);
  objectIndex(index);
}

bool opstream::isObjectWritten(GStreamable *p) { return !p || find(*p) != 0; }

// Positions -------------------------------------------------------------------

long opstream::seekp(long offset, GIO::IOSeekDirection dir) {
  long position = seekDevice(offset, dir, badbit);
  if (position >= 0) {
    forgetWrittenObjects();
    WrittenBytes = 0;
  }
  return position;
}

long opstream::tellp() { return tellDevice(badbit); }
