//===- numerics_stream_fuzz.cpp - Arbitrary bytes read as numerics objects --===//
//
// Input layout:
//   byte 0      mode: bits 0-1 choose the class read by value (Random_Long,
//               RangeRandom, GaussRandom, SimpleSpline), or with bit 3 set
//               bit 0 chooses a minimizer (AbstractMinimizer,
//               DeltaMinimizer); bit 2 set reads one object by pointer
//               instead (any registered class, by the name in the data)
//   rest        the pstream bytes; the byte 0xFA followed by k stands for a
//               prefix '{' and the name of numerics class k (modulo 8), so
//               that the fuzzer reaches every reader without guessing names
//
// Whatever was read is then used: generators step, splines are sampled,
// edited and copied, minimizers descend a bowl of their point's dimension
// and must write back what they read. Reading may throw only the library's
// exceptions;
// sanitizers catch the rest (crashes, leaks, overflows, allocation sized by
// a stored count).
//
//===----------------------------------------------------------------------===//

#include "fuzz_check.h"
#include "numerics/minimizer.h"
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
const char *const ClassNames[] = {"Random_Long",       "RangeRandom",   "GaussRandom",
                                  "SimpleSpline",      "DefaultFunc",   "ExpConstFunc",
                                  "AbstractMinimizer", "DeltaMinimizer"};
constexpr int kClassCount = sizeof ClassNames / sizeof ClassNames[0];
/// Points of more variables are read but not descended (the cost is
/// quadratic in the dimension with numeric gradients).
constexpr int kMaxDescentDimension = 256;

std::vector<unsigned char> Expand(const uint8_t *data, size_t size) {
  std::vector<unsigned char> out;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != ClassEscape || i + 1 >= size) {
      out.push_back(data[i]);
      continue;
    }
    const char *name = ClassNames[data[++i] % kClassCount];
    size_t n = std::strlen(name);
    out.push_back(0x7B);
    out.push_back(static_cast<unsigned char>(n));
    out.push_back(0);
    out.insert(out.end(), name, name + n);
  }
  return out;
}

/// Σ x_i² in any number of variables.
class Bowl : public MultiDimFunc {
public:
  using MultiDimFunc::get_gradient;
  explicit Bowl(int n) : N(n) {}
  int get_dimension() override { return N; }
  double get_value(const MultiDimVector &x) override { return (x, x); }
  double get_gradient(int i, const MultiDimVector &x) override { return 2 * x[i]; }

private:
  int N;
};

std::vector<unsigned char> WrittenPointer(GStreamable &object) {
  ompstream os;
  os.writePointer(&object);
  auto *bytes = static_cast<unsigned char *>(os.data());
  return std::vector<unsigned char>(bytes, bytes + os.size());
}

struct Deleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};

/// A minimizer read from the data writes the same bytes after a round
/// trip, then descends (bounded by its count whatever its constants hold).
void UseMinimizer(AbstractMinimizer &m) {
  std::vector<unsigned char> first = WrittenPointer(m);
  impstream is(first.data(), static_cast<long>(first.size()));
  std::unique_ptr<GStreamable, Deleter> copy(
      static_cast<GStreamable *>(is.readPointer(GStreamable::gTypeInfo_)));
  FUZZ_CHECK(copy && WrittenPointer(*copy) == first);

  int n = m.get_result().getDimension();
  if (n > kMaxDescentDimension)
    return;
  Bowl bowl(n);
  m.set_func(bowl);
  m.minimize();
  FUZZ_CHECK(m.get_count() >= 0 && m.get_result().getDimension() == n);
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
  } else if (auto *m = vyx::rtti_cast<AbstractMinimizer>(object)) {
    UseMinimizer(*m);
  }
}

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
    } else if (data[0] & 8) {
      if (data[0] & 1)
        object.reset(new DeltaMinimizer);
      else
        object.reset(new AbstractMinimizer);
      is.readStreamable(*object);
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
