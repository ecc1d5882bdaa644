//===- progress_bar.cpp - Progress of a long transfer on a terminal -------===//

#include "progress_bar.h"

#include "platform/file_handle.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace vyx::tool {

namespace {

constexpr int BarWidth = 20;
constexpr int StandardError = 2;

} // namespace

ProgressBar::ProgressBar(std::ostream &out, uint64_t total, bool shown)
    : Out(out), Total(total), Shown(shown) {}

ProgressBar::~ProgressBar() { finish(); }

bool ProgressBar::WantedFor(uint64_t total) {
  return total > Threshold && DescriptorIsTerminal(StandardError);
}

void ProgressBar::update(uint64_t done) {
  if (!Shown || Total == 0)
    return;
  done = std::min(done, Total);
  int percent = static_cast<int>(done * 100 / Total);
  if (percent == LastPercent)
    return;
  LastPercent = percent;
  int filled = percent * BarWidth / 100;
  char text[96];
  std::snprintf(text, sizeof text, "\r[%s%s] %3d%%  %.1f of %.1f MiB",
                std::string(filled, '#').c_str(), std::string(BarWidth - filled, ' ').c_str(),
                percent, static_cast<double>(done) / (1 << 20),
                static_cast<double>(Total) / (1 << 20));
  Out << text << std::flush;
  Drawn = true;
}

void ProgressBar::finish() {
  if (!Drawn)
    return;
  // Blanks over the whole line, then back to its start.
  Out << "\r" << std::string(BarWidth + 40, ' ') << "\r" << std::flush;
  Drawn = false;
}

} // namespace vyx::tool
