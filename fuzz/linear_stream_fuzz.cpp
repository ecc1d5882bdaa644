// Reads arbitrary bytes as the stream forms of the linear-algebra values:
// Vector2D, Vector3D, Matrix3D (current and old forms), Quaternion and
// MultiDimVector, in either byte order. Nothing may crash, hang or allocate
// beyond a small multiple of the input; every value read must survive
// being written and read again unchanged, and a matrix's flags must be the
// ones its elements give.
#include "linear/matrix3d.h"
#include "linear/multi_dim_vector.h"
#include "linear/quaternion.h"
#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "pstreams/memory_pstream.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

template <class T> Bytes Write(const T &value, pstream::EndianType endian) {
  ompstream os;
  os.endian(endian);
  os << value;
  auto *data = static_cast<unsigned char *>(os.data());
  return Bytes(data, data + os.size());
}

template <class T> T Read(Bytes bytes, pstream::EndianType endian) {
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  T value;
  is >> value;
  return value;
}

/// What was read, written and read again, writes the same bytes.
template <class T> void CheckRoundTrip(const T &value, pstream::EndianType endian) {
  Bytes once = Write(value, endian);
  Bytes twice = Write(Read<T>(once, endian), endian);
  FUZZ_CHECK(once == twice);
}

void CheckFlags(const Matrix3D &m) {
  double e[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      e[i][j] = m.elem(i, j);
  FUZZ_CHECK(Matrix3D(e).getFlags() == m.getFlags());
}

void ReadOne(uint8_t kind, ipstream &is, pstream::EndianType endian) {
  switch (kind % 7) {
  case 0: {
    Vector2D v;
    is >> v;
    CheckRoundTrip(v, endian);
    break;
  }
  case 1: {
    Vector3D v;
    is >> v;
    CheckRoundTrip(v, endian);
    (void)v.polar();
    break;
  }
  case 2: {
    Matrix3D m;
    is >> m;
    CheckFlags(m);
    CheckRoundTrip(m, endian);
    break;
  }
  case 3: {
    Matrix3D m;
    m.read_old(is);
    CheckFlags(m);
    break;
  }
  case 4: {
    Quaternion q;
    is >> q;
    CheckRoundTrip(q, endian);
    (void)q.vect();
    break;
  }
  case 5: {
    MultiDimVector v;
    is >> v;
    FUZZ_CHECK(v.getDimension() >= 0);
    CheckRoundTrip(v, endian);
    break;
  }
  default: {
    // A matrix read from the stream, inverted and used on a vector read
    // from it: the failures must be the library's exceptions.
    Matrix3D m;
    Vector3D v;
    is >> m >> v;
    try {
      (void)(m.inversed() * v);
      (void)(m & v);
      double angle = 0;
      (void)Matrix3D::getRotationAxis(m, angle);
      (void)Matrix3D::euler(Matrix3D::HI(), m);
    } catch (const GLibraryException &) {
    }
    break;
  }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  auto endian = data[0] & 0x80 ? pstream::BigEndian : pstream::LittleEndian;
  Bytes bytes(data + 1, data + size);
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  try {
    // The low bits pick the first kind; each later value's kind is the
    // next byte of the stream.
    uint8_t kind = data[0];
    for (int values = 0; values < 64 && is.good(); ++values) {
      ReadOne(kind, is, endian);
      kind = is.readByte();
    }
  } catch (const GException &) {
  }
  return 0;
}
