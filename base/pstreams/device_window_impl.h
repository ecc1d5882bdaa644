//===- device_window_impl.h - Direct access to a buffered device's windows -*- C++ -*-===//
//
// A buffered device serves single bytes straight from its read and write
// windows (GAbstractBufferedIO::readByte and writeByte are inline for that).
// The pstreams move whole primitive values the same way: when the window
// holds enough bytes (or room) they are copied at once and the window pointer
// is advanced, exactly what a run of readByte / writeByte calls does; when it
// does not, the stream falls back to those calls, which refill or drain the
// window through the device.
//
// The window pointers are protected members of GAbstractBufferedIO. Members
// named through a derived class give pointers to members of the base, which
// apply to any buffered device; this class exists only to name them.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_DEVICE_WINDOW_IMPL_H
#define VYX_PSTREAMS_DEVICE_WINDOW_IMPL_H

#include "io/buffered_io.h"

#include <cstring>

namespace vyx::detail {

class DeviceWindow : public GAbstractBufferedIO {
public:
  DeviceWindow() = delete;

  /// Copies `n` bytes from the read window into `out` and consumes them;
  /// false (nothing consumed) when the window holds fewer.
  static bool take(GAbstractBufferedIO &device, unsigned char *out, std::size_t n) {
    if (n == 0)
      return true;
    unsigned char *current = (device.*ReadCurrent)();
    if (static_cast<std::size_t>((device.*ReadEnd)() - current) < n)
      return false;
    std::memcpy(out, current, n);
    (device.*SetReadCurrent)(current + n);
    return true;
  }

  /// The next `n` bytes of the read window, left unconsumed; null when the
  /// window holds fewer.
  static const unsigned char *peek(GAbstractBufferedIO &device, std::size_t n) {
    unsigned char *current = (device.*ReadCurrent)();
    return static_cast<std::size_t>((device.*ReadEnd)() - current) < n ? nullptr : current;
  }

  /// Consumes `n` bytes that peek has shown.
  static void skip(GAbstractBufferedIO &device, std::size_t n) {
    (device.*SetReadCurrent)((device.*ReadCurrent)() + n);
  }

  /// Copies `n` bytes into the write window; false (nothing written) when
  /// it has less room.
  static bool put(GAbstractBufferedIO &device, const unsigned char *bytes, std::size_t n) {
    if (n == 0)
      return true;
    unsigned char *current = (device.*WriteCurrent)();
    if (static_cast<std::size_t>((device.*WriteEnd)() - current) < n)
      return false;
    std::memcpy(current, bytes, n);
    (device.*SetWriteCurrent)(current + n);
    return true;
  }

private:
  static constexpr auto ReadCurrent = &DeviceWindow::getRCurrent;
  static constexpr auto ReadEnd = &DeviceWindow::getREnd;
  static constexpr auto SetReadCurrent = &DeviceWindow::setRCurrent;
  static constexpr auto WriteCurrent = &DeviceWindow::getWCurrent;
  static constexpr auto WriteEnd = &DeviceWindow::getWEnd;
  static constexpr auto SetWriteCurrent = &DeviceWindow::setWCurrent;
};

} // namespace vyx::detail

#endif // VYX_PSTREAMS_DEVICE_WINDOW_IMPL_H
