//===- numerics_stream_fuzz.cpp - Arbitrary bytes read as generators and splines ===//
//
// Input layout:
//   byte 0      mode: bits 0-1 choose the class read by value (Random_Long,
//               RangeRandom, GaussRandom, SimpleSpline); bit 2 set reads one
//               object by pointer instead (any registered class, by the name
//               in the data)
//   rest        the pstream bytes; the byte 0xFA followed by k stands for a
//               prefix '{' and the name of numerics class k (modulo 4), so
//               that the fuzzer reaches every reader without guessing names
//
// Whatever was read is then used: generators step, splines are sampled,
// edited and copied. Reading may throw only the library's exceptions;
// sanitizers catch the rest (crashes, leaks, overflows, allocation sized by
// a stored count).
//
//===----------------------------------------------------------------------===//

#include "fuzz_check.h"
#include "numerics/random.h"
#include "numerics/simple_spline.h"
#include "pstreams/memory_pstream.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr unsigned char ClassEscape = 0xFA;
const char *const ClassNames[] = {"Random_Long", "RangeRandom", "GaussRandom", "SimpleSpline"};

std::vector<unsigned char> Expand(const uint8_t *data, size_t size) {
  std::vector<unsigned char> out;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != ClassEscape || i + 1 >= size) {
      out.push_back(data[i]);
      continue;
    }
    const char *name = ClassNames[data[++i] % 4];
    size_t n = std::strlen(name);
    out.push_back(0x7B);
    out.push_back(static_cast<unsigned char>(n));
    out.push_back(0);
    out.insert(out.end(), name, name + n);
  }
  return out;
}

void Use(GStreamable *object) {
  if (auto *r = vyx::rtti_cast<Random_Long>(object)) {
    for (int i = 0; i < 64; ++i)
      FUZZ_CHECK(r->get_next() >= 0);
    r->reset();
  } else if (auto *n = vyx::rtti_cast<Random_Number>(object)) {
    for (int i = 0; i < 64; ++i)
      n->get_next();
    n->reset();
    n->current();
  } else if (auto *s = vyx::rtti_cast<SimpleSpline>(object)) {
    int count = s->get_points_num();
    FUZZ_CHECK(count >= 0);
    double x0 = 0, y0 = 0, x1 = 1, y1 = 0;
    s->get_point(0, x0, y0);
    s->get_point(count - 1, x1, y1);
    int hint = 0;
    for (int i = -2; i <= 18; ++i)
      s->get(x0 + (x1 - x0) * i / 16.0, hint);
    SimpleSpline copy(*s);
    copy.add_point((x0 + x1) / 2.0);
    copy.remove_point(count / 2);
    copy.set_points_num(count + 1);
    copy.coeff();
    copy.get(x1);
  }
}

struct Deleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  std::vector<unsigned char> bytes = Expand(data + 1, size - 1);
  if (bytes.empty())
    bytes.push_back(0);
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  std::unique_ptr<GStreamable, Deleter> object;
  try {
    if (data[0] & 4) {
      object.reset(static_cast<GStreamable *>(is.readPointer(GStreamable::gTypeInfo_)));
    } else {
      switch (data[0] & 3) {
      case 0:
        object.reset(new Random_Long);
        break;
      case 1:
        object.reset(new RangeRandom);
        break;
      case 2:
        object.reset(new GaussRandom);
        break;
      default:
        object.reset(new SimpleSpline);
        break;
      }
      is.readStreamable(*object);
    }
  } catch (const GException &) {
    // The library's report of damaged data; a target read by value keeps
    // a usable state.
  }
  Use(object.get());
  return 0;
}
