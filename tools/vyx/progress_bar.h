//===- progress_bar.h - Progress of a long transfer on a terminal -*- C++ -*-===//
//
// One line, redrawn in place with a carriage return as the percentage
// changes:
//
//   [##########          ]  50%  12.0 of 24.0 MiB
//
// and cleared when the transfer ends, so that messages after it start on a
// clean line. A bar that is not shown costs nothing.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_PROGRESS_BAR_H
#define VYX_TOOLS_PROGRESS_BAR_H

#include <cstdint>
#include <iosfwd>

namespace vyx::tool {

class ProgressBar {
public:
  /// Transfers of more than this many bytes show a bar on a terminal.
  static constexpr uint64_t Threshold = 4ull << 20;

  /// A bar for `total` bytes on `out`, shown only when `shown`.
  ProgressBar(std::ostream &out, uint64_t total, bool shown);
  ProgressBar(const ProgressBar &) = delete;
  ProgressBar &operator=(const ProgressBar &) = delete;
  /// Clears the line when it was drawn.
  ~ProgressBar();

  /// Whether a transfer of `total` bytes shows a bar: large enough, and
  /// the error output is a terminal.
  static bool WantedFor(uint64_t total);

  /// `done` of the total bytes are through.
  void update(uint64_t done);
  /// Clears the line (once).
  void finish();

private:
  std::ostream &Out;
  uint64_t Total;
  bool Shown;
  bool Drawn = false;
  int LastPercent = -1;
};

} // namespace vyx::tool

#endif // VYX_TOOLS_PROGRESS_BAR_H
