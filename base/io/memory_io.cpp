//===- memory_io.cpp - The memory device ---------------------------------===//

#include "io/memory_io.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

long roundUpToStep(long n) {
  long step = GMemoryIO::GrowthStep;
  if (n > LONG_MAX - (step - 1))
    return LONG_MAX / step * step;
  return (n + step - 1) / step * step;
}

} // namespace

GMemoryIO::GMemoryIO(long n) { open(n); }

GMemoryIO::GMemoryIO(void *block, long n, IOOpenMode mode) { open(block, n, mode); }

GMemoryIO::~GMemoryIO() { close(); }

void GMemoryIO::open(long n) {
  close();
  Capacity = 0;
  if (n > 0) {
    Buffer = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(n)));
    Capacity = Buffer ? n : 0;
  }
  Position = 0;
  Size = 0;
  Expandable = true;
  store_open_mode(IO_READWRITE);
}

void GMemoryIO::open(void *block, long n, IOOpenMode mode) {
  close();
  if (!block || n < 0)
    n = 0;
  Buffer = static_cast<unsigned char *>(block);
  Size = n;
  Capacity = n;
  Position = 0;
  Expandable = false;
  store_open_mode(mode);
}

void GMemoryIO::close() {
  if (Expandable)
    std::free(Buffer);
  Buffer = nullptr;
  Capacity = 0;
  // A closed device has no block to grow into: writes must not allocate a
  // fresh block behind a position that refers to the old one.
  Expandable = false;
}

long GMemoryIO::gseek(long offset, IOSeekDirection dir) {
  long base;
  switch (dir) {
  case IO_BEGIN:
    base = 0;
    break;
  case IO_CURRENT:
    base = Position;
    break;
  case IO_END:
    base = Size;
    break;
  default:
    return -1;
  }
  // base is within [0, Size], so the target is out of range exactly when
  // offset is outside [-base, Size - base]; no overflow on the way.
  if (offset < -base || offset > Size - base)
    return -1;
  Position = base + offset;
  return Position;
}

bool GMemoryIO::grow(long needed) {
  // Grow geometrically (by half) so that writing a long stream costs linear
  // time, but never less than the next multiple of the step that holds the
  // data. When the larger block cannot be had, try the exact need.
  long exact = roundUpToStep(needed);
  long geometric = Capacity > LONG_MAX / 3 ? exact : roundUpToStep(Capacity + Capacity / 2);
  long wanted = geometric > exact ? geometric : exact;
  void *block = std::realloc(Buffer, static_cast<size_t>(wanted));
  if (!block && wanted != exact) {
    wanted = exact;
    block = std::realloc(Buffer, static_cast<size_t>(wanted));
  }
  if (!block)
    return false;
  Buffer = static_cast<unsigned char *>(block);
  Capacity = wanted;
  return true;
}

long GMemoryIO::gwrite(const void *data, long n) {
  if (open_mode() == IO_READ || !data || n <= 0)
    return 0;
  if (n > Capacity - Position) {
    long needed = n > LONG_MAX - Position ? LONG_MAX : Position + n;
    if (!Expandable || !grow(needed))
      n = Capacity - Position;
  }
  if (n <= 0 || !Buffer)
    return 0;
  std::memcpy(Buffer + Position, data, static_cast<size_t>(n));
  Position += n;
  if (Position > Size)
    Size = Position;
  return n;
}

long GMemoryIO::gread(void *data, long n) {
  if (open_mode() == IO_WRITE || !data || n <= 0 || !Buffer)
    return 0;
  long available = Size - Position;
  if (n > available)
    n = available;
  if (n <= 0)
    return 0;
  std::memcpy(data, Buffer + Position, static_cast<size_t>(n));
  Position += n;
  return n;
}
