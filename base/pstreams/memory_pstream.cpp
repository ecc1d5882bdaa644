//===- memory_pstream.cpp - Pstreams on a block of memory ----------------===//
//
// Besides the pstream format, memory pstreams read and write one more
// pointer form:
//
//   pointer := 3 address        (address: 8 bytes, low dword then high dword)
//
// An address is accepted only when an ompstream of this process wrote it
// and the object is still alive; 0 reads as null. The marker byte is read
// once and handed to the ordinary pointer reader when it is not 3, so the
// device is never stepped back.
//
//===----------------------------------------------------------------------===//

#include "pstreams/memory_pstream.h"
#include "pstreams/handed_out_addresses_impl.h"
#include "pstreams/pstream_check_impl.h"

namespace {

constexpr long BufferSize = 4096;
constexpr unsigned char AddressMarker = 3;

/// Writes `p` as marker 3 and its address when the stream should and the
/// object is not numbered yet; otherwise as an ordinary pointer.
void writePointerOf(opstream &os, GStreamable *p, bool asAddress) {
  if (!p || !p->shouldWrite() || !asAddress || os.isObjectWritten(p)) {
    os.opstream::writePointer(p);
    return;
  }
  vyx::detail::RememberHandedOutAddress(p);
  os.writeByte(AddressMarker);
  os << static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p));
}

/// Reads the address that follows marker 3.
void *readAddressOf(ipstream &is, const type_info &t) {
  unsigned long long address = 0;
  is >> address;
  PSTREAM_CHECK(is.good(), InvalidPStreamMarker_Exception(AddressMarker, is.tellg()));
  if (address == 0)
    return nullptr;
  auto *object = reinterpret_cast<GStreamable *>(static_cast<uintptr_t>(address));
  // Only the set of handed-out addresses is consulted before the object is
  // touched: an address from anywhere else is never dereferenced.
  PSTREAM_CHECK(vyx::detail::IsHandedOutAddress(object),
                InvalidPStreamMarker_Exception(AddressMarker, is.tellg()));
  void *cast = object->cast_to_(t);
  PSTREAM_CHECK(cast, NotBaseClass_Exception(object->getTypeInfo_(), t, is.tellg()));
  return cast;
}

} // namespace

// The read window --------------------------------------------------------------

unsigned char vyx::MemoryWindowIO::readBuffer() {
  auto *memory = dynamic_cast<GMemoryIO *>(getIO());
  long at = memory ? memory->gtell() : 0;
  long rest = memory ? memory->size() - at : 0;
  // Only a borrowed block is read in place: it never moves, while a
  // growable one may be reallocated under the window by a write to the
  // memory device. Like GMemoryIO::gread, nothing comes from a write-only or
  // closed block.
  if (!memory || memory->expandable() || memory->open_mode() == IO_WRITE || !memory->buffer() ||
      rest <= 0)
    return GBufferedIO::readBuffer();
  unsigned char *begin = static_cast<unsigned char *>(memory->buffer()) + at;
  // The device stands behind the window, as after reading it into a
  // buffer; stopRead steps it back to what was not consumed.
  memory->gseek(rest, IO_CURRENT);
  setRPointers(begin, begin, begin + rest);
  return true;
}

// mpbase ------------------------------------------------------------------------

mpbase::mpbase() : Buffered(new GMemoryIO(0), BufferSize) { bind(&Buffered); }

mpbase::mpbase(void *block, long size, GIO::IOOpenMode mode)
    : Buffered(new GMemoryIO(block, size, mode), BufferSize) {
  bind(&Buffered);
}

mpbase::~mpbase() = default;

void *mpbase::data() {
  flush();
  return memory()->buffer();
}

long mpbase::size() {
  flush();
  return memory()->size();
}

GMemoryIO *mpbase::memory() const { return static_cast<GMemoryIO *>(Buffered.getIO()); }

// impstream ---------------------------------------------------------------------

impstream::impstream() = default;

impstream::impstream(void *block, long size, GIO::IOOpenMode mode) : mpbase(block, size, mode) {}

impstream::~impstream() = default;

void *impstream::readPointer(const type_info &t) {
  return readPointerWith(t, AddressMarker, &readAddressOf);
}

// ompstream ---------------------------------------------------------------------

ompstream::ompstream() = default;

ompstream::ompstream(void *block, long size, GIO::IOOpenMode mode) : mpbase(block, size, mode) {}

ompstream::~ompstream() = default;

void ompstream::writePointer(GStreamable *p) { writePointerOf(*this, p, AsAddress); }

// mpstream ----------------------------------------------------------------------

mpstream::mpstream() = default;

mpstream::mpstream(void *block, long size, GIO::IOOpenMode mode) : mpbase(block, size, mode) {}

mpstream::~mpstream() = default;

void *mpstream::readPointer(const type_info &t) {
  return readPointerWith(t, AddressMarker, &readAddressOf);
}

void mpstream::writePointer(GStreamable *p) { writePointerOf(*this, p, AsAddress); }
