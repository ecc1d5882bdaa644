//===- buffered_io.cpp - Buffered byte devices ---------------------------===//

#include "io/buffered_io.h"

#include <algorithm>
#include <cstring>

namespace {

bool isWriteError(GIO::IOErrors error) {
  return error == GIO::IO_WRITE_FAILED || error == GIO::IO_WRITE_INCOMPLETE;
}

} // namespace

// GAbstractBufferedIO ------------------------------------------------------

GAbstractBufferedIO::GAbstractBufferedIO(GIO *device) { setIO(device); }

GAbstractBufferedIO::~GAbstractBufferedIO() {
  // Subclasses flush in their own destructors, while their overrides still
  // exist; here only the idle state and the device remain.
  flush();
  delete Device;
}

void GAbstractBufferedIO::setState(SBState state) {
  State = state;
  if (state == SB_IDLE) {
    WBegin = WCurrent = WEnd = nullptr;
    RBegin = RCurrent = REnd = nullptr;
    becameIdle();
  }
}

void GAbstractBufferedIO::setIO(GIO *device) {
  flush();
  if (device != Device)
    delete Device;
  Device = device;
  setError(IO_OK);
  if (Device)
    store_open_mode(Device->open_mode());
  else
    setError(IO_NO_DEVICE);
}

void GAbstractBufferedIO::flush() {
  if (State == SB_READ)
    stopRead();
  else if (State == SB_WRITE)
    stopWrite();
  if (Device)
    Device->flush();
}

bool GAbstractBufferedIO::flushForChange() {
  bool writing = State == SB_WRITE;
  flush();
  return !(writing && isWriteError(getError()));
}

long GAbstractBufferedIO::gseek(long offset, IOSeekDirection dir) {
  if (!flushForChange() || !Device)
    return -1;
  return Device->gseek(offset, dir);
}

unsigned char GAbstractBufferedIO::startPhase(SBState phase, IOOpenMode needed) {
  if (!flushForChange())
    return false;
  if (!Device) {
    setError(IO_NO_DEVICE);
    return false;
  }
  if (!(open_mode() & needed))
    return false;
  setError(IO_OK);
  State = phase;
  return true;
}

unsigned char GAbstractBufferedIO::startWrite() { return startPhase(SB_WRITE, IO_WRITE); }

unsigned char GAbstractBufferedIO::startRead() { return startPhase(SB_READ, IO_READ); }

void GAbstractBufferedIO::stopWrite() { setState(SB_IDLE); }

void GAbstractBufferedIO::stopRead() { setState(SB_IDLE); }

long GAbstractBufferedIO::gwrite(const void *data, long n) {
  if (!data || n <= 0)
    return 0;
  if (State != SB_WRITE && !startWrite())
    return -1;
  const auto *source = static_cast<const unsigned char *>(data);
  long done = 0;
  while (done < n) {
    if (WCurrent == WEnd && !writeBuffer())
      break;
    long room = WEnd - WCurrent;
    if (room <= 0)
      break;
    long chunk = std::min(room, n - done);
    std::memcpy(WCurrent, source + done, static_cast<size_t>(chunk));
    WCurrent += chunk;
    done += chunk;
  }
  return done;
}

long GAbstractBufferedIO::gread(void *data, long n) {
  if (!data || n <= 0)
    return 0;
  if (State != SB_READ && !startRead())
    return -1;
  auto *target = static_cast<unsigned char *>(data);
  long done = 0;
  while (done < n) {
    if (RCurrent == REnd && !readBuffer())
      break;
    long available = REnd - RCurrent;
    if (available <= 0)
      break;
    long chunk = std::min(available, n - done);
    std::memcpy(target + done, RCurrent, static_cast<size_t>(chunk));
    RCurrent += chunk;
    done += chunk;
  }
  return done;
}

int GAbstractBufferedIO::readAdditionalByte() {
  if (State != SB_READ && !startRead())
    return -1;
  if (RCurrent == REnd && !readBuffer())
    return -1;
  if (RCurrent == REnd)
    return -1;
  return *RCurrent++;
}

int GAbstractBufferedIO::writeAdditionalByte(unsigned char b) {
  if (State != SB_WRITE && !startWrite())
    return -1;
  if (WCurrent == WEnd && !writeBuffer())
    return -1;
  if (WCurrent == WEnd)
    return -1;
  *WCurrent++ = b;
  return b;
}

unsigned short GAbstractBufferedIO::readWordSlow() {
  unsigned low = static_cast<unsigned>(readByte());
  unsigned high = static_cast<unsigned>(readByte());
  return static_cast<unsigned short>(low | (high << 8));
}

void GAbstractBufferedIO::writeWordSlow(unsigned short w) {
  writeByte(static_cast<unsigned char>(w));
  writeByte(static_cast<unsigned char>(w >> 8));
}

// GBufferedIO --------------------------------------------------------------

GBufferedIO::GBufferedIO(long size)
    : Buffer(new unsigned char[size > 0 ? size : 4]), BufferSize(size > 0 ? size : 4) {}

GBufferedIO::GBufferedIO(GIO *device, long size) : GBufferedIO(size) { setIO(device); }

GBufferedIO::~GBufferedIO() {
  flush();
  delete[] Buffer;
}

unsigned char GBufferedIO::startWrite() {
  if (!GAbstractBufferedIO::startWrite())
    return false;
  setWPointers(Buffer, Buffer, Buffer + BufferSize);
  return true;
}

unsigned char GBufferedIO::writeBuffer() {
  GIO *device = getIO();
  if (!device)
    return false;
  long pending = getWCurrent() - getWBegin();
  if (pending > 0) {
    long taken = device->gwrite(getWBegin(), pending);
    if (taken < pending) {
      if (taken < 0) {
        setError(IO_WRITE_FAILED);
      } else {
        setError(IO_WRITE_INCOMPLETE);
        setWBegin(getWBegin() + taken);
      }
      return false;
    }
  }
  setWPointers(Buffer, Buffer, Buffer + BufferSize);
  // Every pending byte has now reached the device: an earlier partial
  // write of this phase is made good.
  if (isWriteError(getError()))
    setError(IO_OK);
  return true;
}

void GBufferedIO::stopWrite() {
  writeBuffer();
  GAbstractBufferedIO::stopWrite();
}

unsigned char GBufferedIO::startRead() {
  if (!GAbstractBufferedIO::startRead())
    return false;
  return readBuffer();
}

unsigned char GBufferedIO::readBuffer() {
  GIO *device = getIO();
  if (!device)
    return false;
  long got = device->gread(Buffer, BufferSize);
  if (got > 0) {
    got = std::min(got, BufferSize);
    setRPointers(Buffer, Buffer, Buffer + got);
    return true;
  }
  setError(IO_EOF);
  setRPointers(nullptr, nullptr, nullptr);
  return false;
}

void GBufferedIO::stopRead() {
  // Hand back what was read ahead, so the device stands at the logical
  // position.
  if (getRCurrent() != getREnd() && getIO())
    getIO()->gseek(getRCurrent() - getREnd(), IO_CURRENT);
  GAbstractBufferedIO::stopRead();
}
