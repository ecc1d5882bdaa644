//===- buffered_io.h - Buffered byte devices --------------------*- C++ -*-===//
//
// GAbstractBufferedIO turns any device into a buffered device that is itself
// a GIO. It keeps a read window and a write window over a buffer, switches
// between a read phase and a write phase, and serves bytes and little-endian
// 16- and 32-bit values straight from the window; a virtual call happens only
// when a window is exhausted. Subclasses fill and drain the window:
// GBufferedIO plainly, the coding devices while coding.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_IO_BUFFERED_IO_H
#define VYX_IO_BUFFERED_IO_H

#include "io/gio.h"

/// A buffered device over an owned device below it.
///
/// Every phase change flushes first: switching from writing to reading hands
/// pending bytes to the device, switching from reading to writing moves the
/// device back to the logical position. When such an implicit flush cannot
/// hand the pending bytes on, the operation that caused it fails (-1 or
/// false) and the write error stays visible until the next phase starts.
class VYX_BASE_API GAbstractBufferedIO : public GIO {
public:
  enum SBState : int32_t { SB_IDLE = 0, SB_READ = 1, SB_WRITE = 2 };

  GAbstractBufferedIO() = default;
  explicit GAbstractBufferedIO(GIO *device);
  GAbstractBufferedIO(const GAbstractBufferedIO &) = delete;
  GAbstractBufferedIO &operator=(const GAbstractBufferedIO &) = delete;
  ~GAbstractBufferedIO() override;

  /// Flushes, then seeks the device; -1 without a device or when the flush
  /// left bytes unwritten.
  long gseek(long offset, IOSeekDirection dir) override;
  long gwrite(const void *data, long n) override;
  long gread(void *data, long n) override;
  void flush() override;

  /// Takes ownership of `device` (deleting the previous one unless it is the
  /// same) and adopts its open mode; a null device sets IO_NO_DEVICE.
  virtual void setIO(GIO *device);

  GIO *getIO() const { return Device; }
  SBState getState() const { return State; }
  /// SB_IDLE also nulls both windows.
  void setState(SBState state);

  /// The next byte (0..255), or -1 at the end of the data.
  int readByte() {
    if (RCurrent < REnd)
      return *RCurrent++;
    return readAdditionalByte();
  }
  /// Returns b, or -1 when it could not be placed.
  int writeByte(unsigned char b) {
    if (WCurrent < WEnd) {
      *WCurrent++ = b;
      return b;
    }
    return writeAdditionalByte(b);
  }
  /// Two bytes, low byte first.
  unsigned short readWord() {
    if (REnd - RCurrent >= 2) {
      unsigned short w = static_cast<unsigned short>(RCurrent[0] | (RCurrent[1] << 8));
      RCurrent += 2;
      return w;
    }
    return readWordSlow();
  }
  void writeWord(unsigned short w) {
    if (WEnd - WCurrent >= 2) {
      WCurrent[0] = static_cast<unsigned char>(w);
      WCurrent[1] = static_cast<unsigned char>(w >> 8);
      WCurrent += 2;
      return;
    }
    writeWordSlow(w);
  }
  /// Four bytes, least significant first (the low word, then the high word).
  unsigned long readDWord() {
    if (REnd - RCurrent >= 4) {
      unsigned long d = static_cast<unsigned long>(RCurrent[0]) |
                        (static_cast<unsigned long>(RCurrent[1]) << 8) |
                        (static_cast<unsigned long>(RCurrent[2]) << 16) |
                        (static_cast<unsigned long>(RCurrent[3]) << 24);
      RCurrent += 4;
      return d;
    }
    unsigned long low = readWord();
    return low | (static_cast<unsigned long>(readWord()) << 16);
  }
  /// Writes the low 32 bits of d.
  void writeDWord(unsigned long d) {
    if (WEnd - WCurrent >= 4) {
      WCurrent[0] = static_cast<unsigned char>(d);
      WCurrent[1] = static_cast<unsigned char>(d >> 8);
      WCurrent[2] = static_cast<unsigned char>(d >> 16);
      WCurrent[3] = static_cast<unsigned char>(d >> 24);
      WCurrent += 4;
      return;
    }
    writeWord(static_cast<unsigned short>(d));
    writeWord(static_cast<unsigned short>(d >> 16));
  }

  /// The read window's bytes not yet delivered, [peekBegin(), peekEnd()), for
  /// a coder above that decodes straight from this buffer instead of byte by
  /// byte. Empty outside a read phase or when the window is used up; readByte()
  /// then starts the phase or refills the window.
  const unsigned char *peekBegin() const { return RCurrent; }
  const unsigned char *peekEnd() const { return REnd; }
  /// Marks the first n peeked bytes as delivered (0 <= n <= peekEnd() - peekBegin()).
  void skipPeeked(long n) { RCurrent += n; }

protected:
  virtual unsigned char startWrite();
  virtual void stopWrite();
  virtual unsigned char writeBuffer() = 0;
  virtual unsigned char startRead();
  virtual void stopRead();
  virtual unsigned char readBuffer() = 0;
  /// Called whenever the device becomes idle (windows dropped).
  virtual void becameIdle() {}

  int readAdditionalByte();
  int writeAdditionalByte(unsigned char b);

  unsigned char *getWBegin() const { return WBegin; }
  unsigned char *getWCurrent() const { return WCurrent; }
  unsigned char *getWEnd() const { return WEnd; }
  void setWBegin(unsigned char *p) { WBegin = p; }
  void setWCurrent(unsigned char *p) { WCurrent = p; }
  void setWEnd(unsigned char *p) { WEnd = p; }
  void setWPointers(unsigned char *begin, unsigned char *current, unsigned char *end) {
    WBegin = begin;
    WCurrent = current;
    WEnd = end;
  }
  unsigned char *getRBegin() const { return RBegin; }
  unsigned char *getRCurrent() const { return RCurrent; }
  unsigned char *getREnd() const { return REnd; }
  void setRBegin(unsigned char *p) { RBegin = p; }
  void setRCurrent(unsigned char *p) { RCurrent = p; }
  void setREnd(unsigned char *p) { REnd = p; }
  void setRPointers(unsigned char *begin, unsigned char *current, unsigned char *end) {
    RBegin = begin;
    RCurrent = current;
    REnd = end;
  }

  /// Flushes before a phase change or a seek. False when the device was
  /// writing and the flush left a write error (bytes not handed on).
  bool flushForChange();

private:
  /// Starts a read or write phase after flushing the other.
  unsigned char startPhase(SBState phase, IOOpenMode needed);
  unsigned short readWordSlow();
  void writeWordSlow(unsigned short w);

  GIO *Device = nullptr;
  SBState State = SB_IDLE;
  unsigned char *WBegin = nullptr;
  unsigned char *WCurrent = nullptr;
  unsigned char *WEnd = nullptr;
  unsigned char *RBegin = nullptr;
  unsigned char *RCurrent = nullptr;
  unsigned char *REnd = nullptr;
};

/// The plain buffered device: one heap buffer serves both phases.
class VYX_BASE_API GBufferedIO : public GAbstractBufferedIO {
public:
  static constexpr long DefaultBufferSize = 4096;

  /// A size <= 0 becomes 4.
  explicit GBufferedIO(long size = DefaultBufferSize);
  GBufferedIO(GIO *device, long size = DefaultBufferSize);
  ~GBufferedIO() override;

protected:
  unsigned char startWrite() override;
  void stopWrite() override;
  unsigned char writeBuffer() override;
  unsigned char startRead() override;
  void stopRead() override;
  unsigned char readBuffer() override;

  unsigned char *getBuffer() const { return Buffer; }
  long getBufferSize() const { return BufferSize; }

private:
  unsigned char *Buffer;
  long BufferSize;
};

#endif // VYX_IO_BUFFERED_IO_H
