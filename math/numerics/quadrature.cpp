//===- quadrature.cpp - Adaptive quadrature and a zero finder -------------===//
//
// Quanc8 keeps the published routine's structure: a stack of right halves
// (one per level) and a binary counter of the intervals visited. Arrays are
// indexed from 1 as in the published text, so that the index arithmetic of
// the subdivision reads as it was proved.
//
//===----------------------------------------------------------------------===//

#include "numerics/quadrature.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Quanc8's settings.
constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 30;
/// The deepest level once the evaluation budget is nearly spent.
constexpr int kOutLevel = 6;
constexpr int kMaxEvaluations = 5000;
/// Trouble starts when this many evaluations are passed: room is left for
/// finishing every open interval at kOutLevel.
constexpr int kTroubleEvaluations =
    kMaxEvaluations - 8 * (kMaxLevel - kOutLevel + (1 << (kOutLevel + 1)));
static_assert(kTroubleEvaluations == 3784);

// The eight-panel Newton-Cotes weights.
constexpr double kW0 = 3956.0 / 14175.0;
constexpr double kW1 = 23552.0 / 14175.0;
constexpr double kW2 = -3712.0 / 14175.0;
constexpr double kW3 = 41984.0 / 14175.0;
constexpr double kW4 = -18160.0 / 14175.0;

/// The Newton-Cotes sum over f[0] ... f[8] (one panel of eight steps).
double Panel(const double *f, double step) {
  return (kW0 * (f[0] + f[8]) + kW1 * (f[1] + f[7]) + kW2 * (f[2] + f[6]) + kW3 * (f[3] + f[5]) +
          kW4 * f[4]) *
         step;
}

// Zeroin's settings.
/// Twice the rounding unit: the relative part of each step's tolerance.
constexpr double kTwiceEpsilon = 0x1p-52;
constexpr int kMaxZeroinEvaluations = 5000;

} // namespace

extern "C" double Quanc8(double (*fun)(double), double a, double b, double abserr, double relerr,
                         double *errest, double *flag, int *nofun) {
  double result = 0.0, correction = 0.0, area = 0.0;
  *errest = 0.0;
  *flag = 0.0;
  *nofun = 0;
  if (a == b)
    return 0.0;

  int maxLevel = kMaxLevel;
  int trouble = kTroubleEvaluations;
  // x[1..16], f[1..16] hold the current interval after its left end x0, f0;
  // the saved right halves of level l are xsave[1..8][l], fsave[1..8][l].
  double x[17], f[17];
  double xsave[9][kMaxLevel + 1], fsave[9][kMaxLevel + 1];
  double qright[kMaxLevel + 2];

  int level = 0;
  int visited = 1; // a binary counter of the intervals at each level
  double x0 = a;
  x[16] = b;
  double qprev = 0.0;
  double f0 = fun(x0);
  const double stepUnit = (b - a) / 16.0;
  x[8] = (x0 + x[16]) / 2.0;
  x[4] = (x0 + x[8]) / 2.0;
  x[12] = (x[8] + x[16]) / 2.0;
  x[2] = (x0 + x[4]) / 2.0;
  x[6] = (x[4] + x[8]) / 2.0;
  x[10] = (x[8] + x[12]) / 2.0;
  x[14] = (x[12] + x[16]) / 2.0;
  for (int j = 2; j <= 16; j += 2)
    f[j] = fun(x[j]);
  *nofun = 9;

  for (;;) {
    // The midpoints of the current interval, and its two panel estimates.
    x[1] = (x0 + x[2]) / 2.0;
    f[1] = fun(x[1]);
    for (int j = 3; j <= 15; j += 2) {
      x[j] = (x[j - 1] + x[j + 1]) / 2.0;
      f[j] = fun(x[j]);
    }
    *nofun += 8;
    double step = (x[16] - x0) / 16.0;
    double left[9] = {f0, f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
    double qleft = Panel(left, step);
    qright[level + 1] = Panel(&f[8], step);
    double qnow = qleft + qright[level + 1];
    double qdiff = qnow - qprev;
    area += qdiff;

    // Convergence test of the interval.
    double esterr = std::fabs(qdiff) / 1023.0;
    double tolerance = std::max(abserr, relerr * std::fabs(area)) * (step / stepUnit);
    bool accept;
    if (level < kMinLevel) {
      accept = false;
    } else if (level >= maxLevel) {
      *flag += 1.0;
      accept = true;
    } else if (*nofun > trouble) {
      // The budget is nearly spent: finish what is open at a shallow level
      // and report the share of [a, b] that was not yet reached.
      trouble *= 2;
      maxLevel = kOutLevel;
      *flag += (b - x0) / (b - a);
      accept = true;
    } else {
      accept = esterr <= tolerance;
    }

    if (!accept) {
      // Keep the right half for later and go on with the left half.
      visited *= 2;
      ++level;
      for (int i = 1; i <= 8; ++i) {
        fsave[i][level] = f[i + 8];
        xsave[i][level] = x[i + 8];
      }
      qprev = qleft;
      for (int i = 1; i <= 8; ++i) {
        f[18 - 2 * i] = f[9 - i];
        x[18 - 2 * i] = x[9 - i];
      }
      continue;
    }

    result += qnow;
    *errest += esterr;
    correction += qdiff / 1023.0;
    // The next interval: climb while this one was a right half.
    while (visited % 2 != 0) {
      visited /= 2;
      --level;
    }
    ++visited;
    if (level <= 0)
      break;
    qprev = qright[level];
    x0 = x[16];
    f0 = f[16];
    for (int i = 1; i <= 8; ++i) {
      f[2 * i] = fsave[i][level];
      x[2 * i] = xsave[i][level];
    }
  }

  result += correction;
  // The estimate is at least the rounding level of the result. (An infinite
  // result has no rounding level: doubling would never end.)
  if (*errest != 0.0 && std::isfinite(result))
    while (std::fabs(result) + *errest == std::fabs(result))
      *errest *= 2.0;
  return result;
}

extern "C" double Zeroin(double ax, double bx, double (*f)(double), double tol) {
  if (!(tol >= 0.0))
    tol = 0.0;
  double a = ax, b = bx;
  double fa = f(a), fb = f(b);
  if (std::isnan(a) || std::isnan(b))
    return std::numeric_limits<double>::quiet_NaN(); // no bracket at all
  double c = 0.0, fc = 0.0, d = 0.0, e = 0.0;
  bool newBracket = true;
  for (int evaluations = 2; evaluations < kMaxZeroinEvaluations; ++evaluations) {
    if (newBracket) {
      // b and c bracket the zero again: c takes the old point.
      c = a;
      fc = fa;
      d = b - a;
      e = d;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      // b is the best point so far, c the other end of the bracket.
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    double tol1 = kTwiceEpsilon * std::fabs(b) + 0.5 * tol;
    double xm = 0.5 * (c - b);
    if (std::fabs(xm) <= tol1 || fb == 0.0)
      return b;

    if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
      // Interpolate: secant with two points, inverse quadratic with three.
      double p, q, r;
      double s = fb / fa;
      if (a == c) {
        p = 2.0 * xm * s;
        q = 1.0 - s;
      } else {
        q = fa / fc;
        r = fb / fc;
        p = s * (2.0 * xm * q * (q - r) - (b - a) * (r - 1.0));
        q = (q - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0.0)
        q = -q;
      else
        p = -p;
      s = e;
      e = d;
      // Accept the step when it stays inside the bracket and is less than
      // half the step before last (neither holds for a p or q that is not
      // a number).
      if (2.0 * p < 3.0 * xm * q - std::fabs(tol1 * q) && p < std::fabs(0.5 * s * q)) {
        d = p / q;
      } else {
        d = xm;
        e = d;
      }
    } else {
      d = xm;
      e = d;
    }
    a = b;
    fa = fb;
    if (std::fabs(d) > tol1)
      b += d;
    else
      b += xm > 0.0 ? tol1 : -tol1;
    fb = f(b);
    newBracket = fb * (fc / std::fabs(fc)) > 0.0;
  }
  return b;
}
