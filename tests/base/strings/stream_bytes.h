//===- stream_bytes.h - Memory pstreams for the string tests ----*- C++ -*-===//
#ifndef VYX_TESTS_STRINGS_STREAM_BYTES_H
#define VYX_TESTS_STRINGS_STREAM_BYTES_H

#include "pstreams/memory_pstream.h"

#include <functional>
#include <memory>
#include <vector>

namespace vyx::test {

using Bytes = std::vector<unsigned char>;

/// The bytes written so far to `os`.
inline Bytes BytesOf(ompstream &os) {
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

/// The bytes `write` puts on a fresh memory stream of the given byte order.
inline Bytes Written(const std::function<void(opstream &)> &write,
                     pstream::EndianType endian = pstream::LittleEndian) {
  ompstream os;
  os.endian(endian);
  write(os);
  return BytesOf(os);
}

/// A memory stream reading its own copy of some bytes.
class Reader {
public:
  explicit Reader(Bytes bytes)
      : Data(std::move(bytes)),
        Stream(std::make_unique<impstream>(Data.data(), static_cast<long>(Data.size()))) {}
  impstream &operator*() { return *Stream; }
  impstream *operator->() { return Stream.get(); }

private:
  Bytes Data;
  std::unique_ptr<impstream> Stream;
};

} // namespace vyx::test

#endif // VYX_TESTS_STRINGS_STREAM_BYTES_H
