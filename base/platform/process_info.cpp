//===- process_info.cpp - The running process and its debugger -----------===//

#include "platform/process_info.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vyx {

namespace {

/// Reads a small file of /proc completely; empty on failure.
std::string ReadProcFile(const char *path) {
  std::string result;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return result;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    result.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return result;
}

/// Restores errno when a scope ends: probing the system must not disturb
/// the caller's last error code.
class SavedErrorCode {
public:
  SavedErrorCode() : Code(errno) {}
  ~SavedErrorCode() { errno = Code; }

private:
  int Code;
};

} // namespace

std::string ExecutablePath() {
  SavedErrorCode saved;
  // The link may name a path of any length: grow the buffer until it fits.
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0)
      return std::string();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    if (path.size() >= (1u << 20))
      return std::string();
    path.resize(path.size() * 2);
  }
}

std::string ProgramInvocationName() {
  SavedErrorCode saved;
  // The command line is the list of arguments, each ended by a NUL.
  std::string line = ReadProcFile("/proc/self/cmdline");
  return std::string(line.c_str());
}

bool DebuggerAttached() {
  SavedErrorCode saved;
  std::string status = ReadProcFile("/proc/self/status");
  static const char kKey[] = "TracerPid:";
  size_t at = status.find(kKey);
  if (at == std::string::npos)
    return false;
  return std::atol(status.c_str() + at + sizeof kKey - 1) != 0;
}

void DebuggerOutput(const char *text) {
  if (!text || !DebuggerAttached())
    return;
  SavedErrorCode saved;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

} // namespace vyx
