//===- math_utilities.cpp - Static helpers of the maths library -----------===//
//
// Values that rounding pushed just outside [-1, 1] (the cosine of an angle
// computed from a dot product) give the end of the range instead of NaN.
//
// The random state of each thread lives in a thread-local slot of the
// platform layer, created when the library loads and released when it
// unloads. The 32-bit state itself is kept in the slot's pointer value, so a
// thread needs no allocation (and leaves nothing to free when it ends), and
// a thread that never set it reads null, the state 0.
//
//===----------------------------------------------------------------------===//
#include "numerics/math_utilities.h"

#include "numerics/random.h"
#include "platform/thread_storage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

/// 2^-31: one unit of the state as a fraction of its range.
constexpr double kUnit = 0x1p-31;
/// Stands for a uniform number of 0 inside a logarithm: the middle of the
/// smallest step [0, 2^-31).
constexpr double kSmallestUniform = 0x1p-32;

/// The thread-local slot of the random states.
class RandomSource {
public:
  /// The loading thread starts with the state 1.
  RandomSource() { set(1); }

  int32_t get() const {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(Slot.get()) & 0xFFFFFFFFu);
  }
  void set(int32_t state) {
    Slot.set(reinterpret_cast<void *>(static_cast<uintptr_t>(static_cast<uint32_t>(state))));
  }

private:
  vyx::ThreadSlot Slot;
};

RandomSource &Source() {
  static RandomSource source;
  return source;
}

/// Creates the slot while the library loads, on the loading thread.
[[maybe_unused]] const bool RandomSourceCreated = (Source(), true);

} // namespace

double Math::acos(double x) {
  if (x <= -1.0)
    return std::numbers::pi;
  if (x >= 1.0)
    return 0.0;
  return std::acos(x);
}

// Random source ----------------------------------------------------------------------

void Math::SetRand(long s) {
  Source().set(static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(s))));
}

long Math::LRand() {
  RandomSource &source = Source();
  int32_t state = Random_Long::Step(source.get());
  source.set(state);
  return state;
}

double Math::Rand() { return static_cast<double>(LRand()) * kUnit; }

double Math::Rand(double x) { return (2.0 * Rand() - 1.0) * x; }

double Math::Gauss() {
  double u1 = Rand();
  double u2 = Rand();
  if (u1 == 0.0)
    u1 = kSmallestUniform;
  return std::cos(2.0 * std::numbers::pi * u2) * std::sqrt(-2.0 * std::log(u1));
}

// Vectors ----------------------------------------------------------------------------

bool Math::DifVect(const Vector3D &a, const Vector3D &b, double eps) {
  double d = (a - b).length();
  if (d == 0.0)
    return false;
  return eps <= d / std::max(a.length(), b.length());
}

Vector3D Math::HermitSpline(const Vector3D &P0, const Vector3D &P1, const Vector3D &T0,
                            const Vector3D &T1, double s) {
  double s2 = s * s;
  double s3 = s2 * s;
  double h00 = 2.0 * s3 - 3.0 * s2 + 1.0;
  double h01 = -2.0 * s3 + 3.0 * s2;
  // s(1 - s)² T0 - s²(1 - s) T1, factored as s(1 - s)(T0 - s(T0 + T1)).
  return P0 * h00 + P1 * h01 + (T0 - (T0 + T1) * s) * (s * (1.0 - s));
}

Vector3D Math::Fract(const Vector3D &p, const Vector3D &a, const Vector3D &b, const Vector3D &c,
                     const Vector3D &d) {
  const Vector3D *neighbours[] = {&a, &b, &c, &d};
  double weighted = 0.0, weights = 0.0;
  // Heights of neighbours at p's own position: an infinite weight each.
  double coincident = 0.0;
  int coincidentCount = 0;
  for (const Vector3D *k : neighbours) {
    double sq = (p - *k).sqlength();
    double z2 = k->z * k->z;
    if (sq == 0.0) {
      coincident += z2;
      ++coincidentCount;
      continue;
    }
    double w = 1.0 / sq;
    weighted += w * z2;
    weights += w;
  }
  double r =
      coincidentCount ? std::sqrt(coincident / coincidentCount) : std::sqrt(weighted / weights);
  double height = p.z < 0.0 ? -r : r;
  return Vector3D(p.x, p.y, height + Rand(height - p.z));
}

// Resampling -------------------------------------------------------------------------

void Math::bilinear(FMatrix *source, FMatrix *target) {
  if (!source || !target)
    return;
  const FMatrix &s = *source;
  unsigned rows = s.numRows(), columns = s.numColumns();
  unsigned targetRows = target->numRows(), targetColumns = target->numColumns();
  if (rows == 0 || columns == 0)
    return;
  // A single target row (column) would divide by zero: it samples the first
  // source row (column).
  double rowScale = targetRows > 1 ? double(rows - 1) / double(targetRows - 1) : 0.0;
  double columnScale = targetColumns > 1 ? double(columns - 1) / double(targetColumns - 1) : 0.0;
  for (unsigned i = 0; i < targetRows; ++i) {
    double y = rowScale * i;
    unsigned i0 = std::min(static_cast<unsigned>(y), rows - 1);
    double dy = y - i0;
    bool rowInside = i0 < rows - 1;
    float *out = (*target)[i];
    for (unsigned j = 0; j < targetColumns; ++j) {
      double x = columnScale * j;
      unsigned j0 = std::min(static_cast<unsigned>(x), columns - 1);
      double dx = x - j0;
      bool columnInside = j0 < columns - 1;
      double f00 = s[i0][j0];
      double v;
      if (rowInside && columnInside) {
        double f01 = s[i0][j0 + 1], f10 = s[i0 + 1][j0], f11 = s[i0 + 1][j0 + 1];
        v = f00 + dx * (dy * (f00 + f11 - f10 - f01) + (f01 - f00)) + dy * (f10 - f00);
      } else if (rowInside) {
        v = f00 * (1.0 - dy) + dy * s[i0 + 1][j0];
      } else if (columnInside) {
        v = f00 * (1.0 - dx) + dx * s[i0][j0 + 1];
      } else {
        v = f00;
      }
      out[j] = static_cast<float>(v);
    }
  }
}
