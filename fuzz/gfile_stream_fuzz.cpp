//===- gfile_stream_fuzz.cpp - Arbitrary bytes as stored file names -------===//
//
// Input: byte 0 chooses the byte order and whether a FileInfo or a bare
// name is read; the rest is the pstream. A read either throws the library's
// exceptions or gives a value whose stored form reads back the same.
//
//===----------------------------------------------------------------------===//

#include "io/file_system.h"
#include "object_model/exceptions.h"
#include "pstreams/memory_pstream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

template <class T>
bool readOne(std::vector<unsigned char> &bytes, pstream::EndianType endian, T &value) {
  if (bytes.empty())
    bytes.push_back(0);
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  try {
    is >> value;
  } catch (const GLibraryException &) {
    return false;
  }
  return true;
}

template <class T>
std::vector<unsigned char> writtenForm(const T &value, pstream::EndianType endian) {
  ompstream os;
  os.endian(endian);
  os << value;
  auto *p = static_cast<unsigned char *>(os.data());
  return std::vector<unsigned char>(p, p + os.size());
}

template <class T>
void roundTrip(std::vector<unsigned char> bytes, pstream::EndianType endian,
               bool (*same)(const T &, const T &)) {
  T value;
  if (!readOne(bytes, endian, value))
    return;
  std::vector<unsigned char> stored = writtenForm(value, endian);
  T back;
  if (!readOne(stored, endian, back) || !same(value, back))
    __builtin_trap();
}

bool sameName(const GFile &a, const GFile &b) {
  // ".\" at the start of a component is not stored: compare stored forms.
  return writtenForm(a, pstream::LittleEndian) == writtenForm(b, pstream::LittleEndian);
}

bool sameInfo(const FileInfo &a, const FileInfo &b) {
  return a.type == b.type && a.size == b.size && a.time.tm_year == b.time.tm_year &&
         a.time.tm_isdst == b.time.tm_isdst && sameName(a.name, b.name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  pstream::EndianType endian = (data[0] & 1) ? pstream::BigEndian : pstream::LittleEndian;
  std::vector<unsigned char> bytes(data + 1, data + size);
  if (data[0] & 2)
    roundTrip<FileInfo>(bytes, endian, sameInfo);
  else
    roundTrip<GFile>(bytes, endian, sameName);
  return 0;
}
