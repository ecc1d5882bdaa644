//===- container_test_support.h - Helpers of the container tests -*- C++ -*-===//
#ifndef VYX_TESTS_CONTAINER_TEST_SUPPORT_H
#define VYX_TESTS_CONTAINER_TEST_SUPPORT_H

#include "containers/sorted_collection.h"

#include <cstring>
#include <string>
#include <vector>

namespace ctest {

/// A new[] copy of `s`, as owning string collections expect.
inline char *NewString(const char *s) {
  char *copy = new char[std::strlen(s) + 1];
  std::strcpy(copy, s);
  return copy;
}

/// The strings of `c` in order ("<null>" for a null item).
inline std::vector<std::string> Strings(const GStringCollection &c) {
  std::vector<std::string> out;
  for (long i = 0; i < c.getCount(); ++i)
    out.push_back(c.at(i) ? c.at(i) : "<null>");
  return out;
}

} // namespace ctest

#endif // VYX_TESTS_CONTAINER_TEST_SUPPORT_H
