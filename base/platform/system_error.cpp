//===- system_error.cpp - Last error code and its text -------------------===//

#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace vyx {

int LastErrorCode() { return errno; }

void SetLastErrorCode(int code) { errno = code; }

std::string SystemErrorText(int code) {
  char buffer[256];
  // The GNU strerror_r may return a static text instead of filling buffer.
  const char *text = strerror_r(code, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

} // namespace vyx
