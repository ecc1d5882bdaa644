//===- numerics_test_support.h - Stream helpers for the numerics tests -*- C++ -*-===//
#ifndef VYX_TESTS_NUMERICS_TEST_SUPPORT_H
#define VYX_TESTS_NUMERICS_TEST_SUPPORT_H

#include "pstreams/memory_pstream.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace numtest {

using Bytes = std::vector<unsigned char>;

/// The bytes that `write` puts on a memory pstream.
inline Bytes Written(const std::function<void(opstream &)> &write) {
  ompstream os;
  write(os);
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

/// An object written by pointer.
inline Bytes WrittenPointer(GStreamable &object) {
  return Written([&](opstream &os) { os.writePointer(&object); });
}

/// Reads one object by pointer from `bytes`; the caller owns it.
template <class T> T *ReadPointer(Bytes bytes) {
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  T *object = nullptr;
  is >> object;
  return object;
}

/// Reads `bytes` as an object record into `object` (by value).
inline void ReadInto(Bytes bytes, GStreamable &object) {
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.readStreamable(object);
}

/// Little-endian builders of expected byte sequences.
inline void Put32(Bytes &b, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
inline void PutDouble(Bytes &b, double d) {
  uint64_t v;
  std::memcpy(&v, &d, sizeof v);
  for (int i = 0; i < 8; ++i)
    b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
/// A record prefix: '{' and the class name as a short narrow string.
inline void PutPrefix(Bytes &b, const std::string &name) {
  b.push_back(0x7B);
  b.push_back(static_cast<unsigned char>(name.size()));
  b.push_back(static_cast<unsigned char>(name.size() >> 8));
  b.insert(b.end(), name.begin(), name.end());
}

} // namespace numtest

#endif // VYX_TESTS_NUMERICS_TEST_SUPPORT_H
