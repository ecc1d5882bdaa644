//===- base_messages.h - VYX_BASE's messages for tests ----------*- C++ -*-===//
//
// The library registers no string loader by itself; a test that checks
// message texts registers VYX_BASE's loader once per program.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TESTS_SUPPORT_BASE_MESSAGES_H
#define VYX_TESTS_SUPPORT_BASE_MESSAGES_H

#include "object_model/exceptions.h"
#include "strings/gstring.h"

namespace vyx::test {

/// Registers GBaseMessageLoader the first time it is called.
inline void RegisterBaseMessages() {
  static const bool registered = [] {
    GString::AddLoadStringFunc(GBaseMessageLoader, nullptr);
    return true;
  }();
  (void)registered;
}

} // namespace vyx::test

#endif // VYX_TESTS_SUPPORT_BASE_MESSAGES_H
