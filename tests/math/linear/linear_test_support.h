//===- linear_test_support.h - Helpers of the linear tests ------*- C++ -*-===//
#ifndef VYX_TESTS_LINEAR_TEST_SUPPORT_H
#define VYX_TESTS_LINEAR_TEST_SUPPORT_H

#include "config/units.h"
#include "linear/vector3d.h"
#include "pstreams/memory_pstream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace ltest {

using Bytes = std::vector<unsigned char>;

/// The bytes that `write` puts on a memory pstream.
inline Bytes Written(const std::function<void(opstream &)> &write,
                     pstream::EndianType endian = pstream::LittleEndian) {
  ompstream os;
  os.endian(endian);
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

/// Runs `read` on a memory pstream over `bytes`; returns the bytes left.
inline long ReadFrom(Bytes bytes, const std::function<void(ipstream &)> &read,
                     pstream::EndianType endian = pstream::LittleEndian) {
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  read(is);
  return static_cast<long>(bytes.size()) - is.tellg();
}

/// Little-endian bytes of a value.
template <class T> void Append(Bytes &out, T value) {
  unsigned char b[sizeof(T)];
  std::memcpy(b, &value, sizeof(T));
  out.insert(out.end(), b, b + sizeof(T));
}

/// Sets GSUSInfo's input scale for the life of the object.
class InputScale {
public:
  explicit InputScale(double scale) {
    GSUSInfo::InputScale(scale * GSUSInfo::Scale());
    GSUSInfo::Convert(true);
  }
  ~InputScale() {
    GSUSInfo::Convert(false);
    GSUSInfo::InputScale(GSUSInfo::Scale());
  }
  InputScale(const InputScale &) = delete;
  InputScale &operator=(const InputScale &) = delete;
};

inline void ExpectNear(const Vector3D &expected, const Vector3D &actual, double tolerance = 1e-12) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

} // namespace ltest

#endif // VYX_TESTS_LINEAR_TEST_SUPPORT_H
