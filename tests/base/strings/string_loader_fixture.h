//===- string_loader_fixture.h - A string loader the tests control -*- C++ -*-===//
//
// The string-loader list of GString has no removal, so the tests of this
// program register one loader, once, whose answers they set per test.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TESTS_STRING_LOADER_FIXTURE_H
#define VYX_TESTS_STRING_LOADER_FIXTURE_H

#include "object_model/exceptions.h"
#include "strings/gstring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vyx::test {

/// What the test loader answers.
struct LoaderScript {
  enum Mode { Off, Base, Text, Count } Kind = Off;
  std::string Body;            ///< Text: served like a module's text
  unsigned Returned = 0;       ///< Count: written as "abc", this count returned
  std::vector<unsigned> Sizes; ///< buffer sizes the loader was called with
};

inline LoaderScript &Script() {
  static LoaderScript script;
  return script;
}

inline unsigned ScriptedLoader(unsigned id, char *buffer, unsigned size, void *user) {
  LoaderScript &s = Script();
  s.Sizes.push_back(size);
  switch (s.Kind) {
  case LoaderScript::Off:
    return 0;
  case LoaderScript::Base:
    return GBaseMessageLoader(id, buffer, size, user);
  case LoaderScript::Text: {
    std::size_t n = std::min<std::size_t>(s.Body.size(), size - 1);
    std::memcpy(buffer, s.Body.data(), n);
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
  }
  case LoaderScript::Count:
    std::strcpy(buffer, "abc");
    return s.Returned;
  }
  return 0;
}

/// Registers the scripted loader once and resets its script for each test.
class StringLoaderTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool registered = false;
    if (!registered) {
      GString::AddLoadStringFunc(ScriptedLoader, nullptr);
      registered = true;
    }
  }
  void SetUp() override { Script() = LoaderScript(); }
  void TearDown() override { Script() = LoaderScript(); }
};

} // namespace vyx::test

#endif // VYX_TESTS_STRING_LOADER_FIXTURE_H
