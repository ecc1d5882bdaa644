//===- special_functions.cpp - Bessel, gamma, error, elliptic -------------===//
//
// The coefficients are those of the published approximations, digit for
// digit; results depend on them (and on the order of the operations), so
// they are not to be "improved".
//
//===----------------------------------------------------------------------===//

#include "numerics/special_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace vyx::math {
namespace {

constexpr double kPi = std::numbers::pi;
/// 2 / pi as the published asymptotic forms round it.
constexpr double kTwoOverPi = 0.636619772;

// Miller's recurrence: the start order grows with sqrt(kAccuracy * n), and
// the running values are scaled down by kSmall whenever one passes kBig.
constexpr double kAccuracy = 40.0;
constexpr double kBig = 1.0e10;
constexpr double kSmall = 1.0e-10;

/// The relative size below which a series term no longer counts.
constexpr double kEpsilon = 0x1p-56;

constexpr int kOrderExit = 10;
constexpr int kDomainExit = 1;

/// Ends the process after writing `text` as it stands.
[[noreturn]] void ExitWith(const char *text, int code) {
  std::fputs(text, stderr);
  std::fflush(stderr);
  std::exit(code);
}

/// Ends the process after an error report of the runtime library: `text`,
/// a colon and the text of the current system error.
[[noreturn]] void ExitWithErrorReport(const char *text, int code) {
  std::perror(text);
  std::exit(code);
}

/// Ends the process after writing `format` with the order `nu`.
[[noreturn]] void ExitWithOrder(const char *format, double nu) {
  std::fprintf(stderr, format, nu);
  std::fflush(stderr);
  std::exit(kDomainExit);
}

/// The asymptotic form of J (sine = false) or Y (sine = true) of order 0 or
/// 1 above |x| = 8: the amplitude sqrt(2 / (pi |x|)) times the phase
/// polynomials p (ans1) and q (ans2) in (8 / |x|)^2.
double Asymptotic(double ax, double phase, double p, double q, double z, bool sine) {
  double xx = ax - phase;
  double amplitude = std::sqrt(kTwoOverPi / ax);
  return sine ? amplitude * (std::sin(xx) * p + z * std::cos(xx) * q)
              : amplitude * (std::cos(xx) * p - z * std::sin(xx) * q);
}

/// The phase polynomials of order 0, with y = (8 / x)^2 and the last
/// coefficient of q given: the published Y0 differs from J0 in its digits.
void Phase0(double y, double last, double &p, double &q) {
  p = 1.0 +
      y * (-0.1098628627e-2 + y * (0.2734510407e-4 + y * (-0.2073370639e-5 + y * 0.2093887211e-6)));
  q = -0.1562499995e-1 +
      y * (0.1430488765e-3 + y * (-0.6911147651e-5 + y * (0.7621095161e-6 + y * last)));
}

/// The phase polynomials of order 1.
void Phase1(double y, double &p, double &q) {
  p = 1.0 +
      y * (0.183105e-2 + y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6))));
  q = 0.04687499995 +
      y * (-0.2002690873e-3 + y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
}

constexpr double kPhaseOrder0 = 0.785398164;
constexpr double kPhaseOrder1 = 2.356194491;

/// Order n from orders 0 and 1 by the upward recurrence
/// f(j+1) = j tox f(j) + sign f(j-1): sign -1 for J and Y, +1 for K.
double Upward(int n, double tox, double order0, double order1, double sign) {
  double previous = order0, value = order1;
  for (int j = 1; j < n; ++j) {
    double next = j * tox * value + sign * previous;
    previous = value;
    value = next;
  }
  return value;
}

/// The start order of Miller's recurrence for J and I.
int64_t MillerStart(int n) {
  return static_cast<int64_t>(n) + static_cast<int64_t>(std::sqrt(kAccuracy * n));
}

/// sn, cn and dn at once.
struct Jacobi {
  double Sn, Cn, Dn;
};

Jacobi JacobiElliptic(double u, double m) {
  // At m = 1 the mean of 1 and 0 never settles (a and c halve together, and
  // the absolute test on c would stop at a meaningless point): the
  // functions are the hyperbolic ones there.
  if (m == 1.0) {
    double sech = 1.0 / std::cosh(u);
    return {std::tanh(u), sech, sech};
  }
  constexpr int kMaxSteps = 99;
  constexpr double kSettled = 1e-15;
  double a[kMaxSteps + 1], c[kMaxSteps + 1];
  a[0] = 1.0;
  double b = std::sqrt(1.0 - m);
  c[0] = std::sqrt(m);
  int n = 0;
  while (c[n] > kSettled) {
    if (n == kMaxSteps)
      ExitWith("Jacobi AGS error\n", kDomainExit);
    a[n + 1] = (a[n] + b) / 2.0;
    double bNext = std::sqrt(a[n] * b);
    c[n + 1] = (a[n] - b) / 2.0;
    b = bNext;
    ++n;
  }
  if (n == 0) // no mean step (m = 0 in effect): the circular functions
    return {std::sin(u), std::cos(u), 1.0};
  double phi = std::ldexp(1.0, n) * a[n] * u;
  double phiNext = phi; // phi(k) while phi holds phi(k - 1)
  for (int k = n; k >= 1; --k) {
    phiNext = phi;
    phi = (std::asin(c[k] * std::sin(phi) / a[k]) + phi) / 2.0;
  }
  double cosPhi = std::cos(phi);
  return {std::sin(phi), cosPhi, cosPhi / std::cos(phiNext - phi)};
}

} // namespace

// Orders 0 and 1 ---------------------------------------------------------------

double J0(double x) {
  double ax = std::fabs(x);
  if (ax < 8.0) {
    double y = x * x;
    double num =
        57568490574.0 +
        y * (-13362590354.0 +
             y * (651619640.7 + y * (-11214424.18 + y * (77392.33017 + y * -184.9052456))));
    double den =
        57568490411.0 +
        y * (1029532985.0 + y * (9494680.718 + y * (59272.64853 + y * (267.8532712 + y * 1.0))));
    return num / den;
  }
  double z = 8.0 / ax, p, q;
  Phase0(z * z, -0.934935152e-7, p, q);
  return Asymptotic(ax, kPhaseOrder0, p, q, z, false);
}

double J1(double x) {
  double ax = std::fabs(x);
  if (ax < 8.0) {
    double y = x * x;
    double num =
        x * (72362614232.0 +
             y * (-7895059235.0 +
                  y * (242396853.1 + y * (-2972611.439 + y * (15704.48260 + y * -30.16036606)))));
    double den =
        144725228442.0 +
        y * (2300535178.0 + y * (18583304.74 + y * (99447.43394 + y * (376.9991397 + y * 1.0))));
    return num / den;
  }
  double z = 8.0 / ax, p, q;
  Phase1(z * z, p, q);
  double ans = Asymptotic(ax, kPhaseOrder1, p, q, z, false);
  return x < 0.0 ? -ans : ans;
}

double Y0(double x) {
  if (x < 8.0) {
    double y = x * x;
    double num =
        -2957821389.0 +
        y * (7062834065.0 +
             y * (-512359803.6 + y * (10879881.29 + y * (-86327.92757 + y * 228.4622733))));
    double den =
        40076544269.0 +
        y * (745249964.8 + y * (7189466.438 + y * (47447.26470 + y * (226.1030244 + y * 1.0))));
    return num / den + kTwoOverPi * J0(x) * std::log(x);
  }
  double z = 8.0 / x, p, q;
  Phase0(z * z, -0.934945152e-7, p, q);
  return Asymptotic(x, kPhaseOrder0, p, q, z, true);
}

double Y1(double x) {
  if (x < 8.0) {
    double y = x * x;
    double num =
        x * (-0.4900604943e13 +
             y * (0.1275274390e13 +
                  y * (-0.5153438139e11 +
                       y * (0.7349264551e9 + y * (-0.4237922726e7 + y * 0.8511937935e4)))));
    double den = 0.2499580570e14 +
                 y * (0.4244419664e12 +
                      y * (0.3733650367e10 +
                           y * (0.2245904002e8 + y * (0.1020426050e6 + y * (0.3549632885e3 + y)))));
    return num / den + kTwoOverPi * (J1(x) * std::log(x) - 1.0 / x);
  }
  double z = 8.0 / x, p, q;
  Phase1(z * z, p, q);
  return Asymptotic(x, kPhaseOrder1, p, q, z, true);
}

double I0(double x) {
  double ax = std::fabs(x);
  if (ax < 3.75) {
    double y = x / 3.75;
    y *= y;
    return 1.0 + y * (3.5156229 +
                      y * (3.0899424 +
                           y * (1.2067492 + y * (0.2659732 + y * (0.360768e-1 + y * 0.45813e-2)))));
  }
  double y = 3.75 / ax;
  return (std::exp(ax) / std::sqrt(ax)) *
         (0.39894228 +
          y * (0.1328592e-1 +
               y * (0.225319e-2 +
                    y * (-0.157565e-2 +
                         y * (0.916281e-2 +
                              y * (-0.2057706e-1 +
                                   y * (0.2635537e-1 + y * (-0.1647633e-1 + y * 0.392377e-2))))))));
}

double I1(double x) {
  double ax = std::fabs(x);
  double ans;
  if (ax < 3.75) {
    double y = x / 3.75;
    y *= y;
    ans = ax *
          (0.5 +
           y * (0.87890594 +
                y * (0.51498869 +
                     y * (0.15084934 + y * (0.2658733e-1 + y * (0.301532e-2 + y * 0.32411e-3))))));
  } else {
    double y = 3.75 / ax;
    ans = 0.2282967e-1 + y * (-0.2895312e-1 + y * (0.1787654e-1 - y * 0.420059e-2));
    ans = 0.39894228 + y * (-0.3988024e-1 +
                            y * (-0.362018e-2 + y * (0.163801e-2 + y * (-0.1031555e-1 + y * ans))));
    ans *= std::exp(ax) / std::sqrt(ax);
  }
  return x < 0.0 ? -ans : ans;
}

double K0(double x) {
  if (x <= 2.0) {
    double y = x * x / 4.0;
    return (-std::log(x / 2.0) * I0(x)) +
           (-0.57721566 +
            y * (0.42278420 +
                 y * (0.23069756 +
                      y * (0.3488590e-1 + y * (0.262698e-2 + y * (0.10750e-3 + y * 0.74e-5))))));
  }
  double y = 2.0 / x;
  return (std::exp(-x) / std::sqrt(x)) *
         (1.25331414 +
          y * (-0.7832358e-1 +
               y * (0.2189568e-1 + y * (-0.1062446e-1 +
                                        y * (0.587872e-2 + y * (-0.251540e-2 + y * 0.53208e-3))))));
}

double K1(double x) {
  if (x <= 2.0) {
    double y = x * x / 4.0;
    return (std::log(x / 2.0) * I1(x)) +
           (1.0 / x) *
               (1.0 + y * (0.15443144 +
                           y * (-0.67278579 +
                                y * (-0.18156897 + y * (-0.1919402e-1 +
                                                        y * (-0.110404e-2 + y * (-0.4686e-4)))))));
  }
  double y = 2.0 / x;
  return (std::exp(-x) / std::sqrt(x)) *
         (1.25331414 + y * (0.23498619 + y * (-0.3655620e-1 +
                                              y * (0.1504268e-1 +
                                                   y * (-0.780353e-2 +
                                                        y * (0.325614e-2 + y * (-0.68245e-3)))))));
}

// Integer orders -------------------------------------------------------------

double J(int n, double x) {
  if (n < 2)
    ExitWith("Index n less than 2 in J", kOrderExit);
  double ax = std::fabs(x);
  if (ax == 0.0)
    return 0.0;
  double tox = 2.0 / ax;
  double ans;
  if (ax > static_cast<double>(n)) {
    // Upward recurrence is stable above the order.
    ans = Upward(n, tox, J0(ax), J1(ax), -1.0);
  } else {
    // Downward from an even start order; the sum J0 + 2 (J2 + J4 + ...) = 1
    // normalises the result.
    int64_t m = 2 * (MillerStart(n) / 2);
    bool even = false;
    double bjp = 0.0, bj = 1.0, sum = 0.0;
    ans = 0.0;
    for (int64_t j = m; j > 0; --j) {
      double bjm = static_cast<double>(j) * tox * bj - bjp;
      bjp = bj;
      bj = bjm;
      if (std::fabs(bj) > kBig) {
        bj *= kSmall;
        bjp *= kSmall;
        ans *= kSmall;
        sum *= kSmall;
      }
      if (even)
        sum += bj;
      even = !even;
      if (j == n)
        ans = bjp;
    }
    sum = 2.0 * sum - bj;
    ans /= sum;
  }
  return x < 0.0 && (n & 1) ? -ans : ans;
}

double Y(int n, double x) {
  if (n < 2)
    ExitWith("Index n less than 2 in Y", kOrderExit);
  return Upward(n, 2.0 / x, Y0(x), Y1(x), -1.0);
}

double I(int n, double x) {
  if (n < 2)
    ExitWithErrorReport("Index n less than 2 in BESSI", kOrderExit);
  if (x == 0.0)
    return 0.0;
  double tox = 2.0 / std::fabs(x);
  double bip = 0.0, bi = 1.0, ans = 0.0;
  for (int64_t j = 2 * MillerStart(n); j > 0; --j) {
    double bim = bip + static_cast<double>(j) * tox * bi;
    bip = bi;
    bi = bim;
    if (std::fabs(bi) > kBig) {
      ans *= kSmall;
      bi *= kSmall;
      bip *= kSmall;
    }
    if (j == n)
      ans = bip;
  }
  ans *= I0(x) / bi;
  return x < 0.0 && (n & 1) ? -ans : ans;
}

double K(int n, double x) {
  if (n < 2)
    ExitWithErrorReport("Index n less than 2 in BESSK", kOrderExit);
  return Upward(n, 2.0 / x, K0(x), K1(x), 1.0);
}

// Real orders ------------------------------------------------------------------

double In(double nu, double x) {
  if (nu < -0.5)
    ExitWithOrder("In - order < -0.5 : %lg\n", nu);
  // The power series sum over k of (x/2)^(2k+nu) / (k! Gamma(k+nu+1)): its
  // terms share one sign, so it sums without cancellation. The first term
  // goes through logarithms where it can, so that large orders neither
  // overflow nor vanish on the way.
  constexpr int kMaxTerms = 100000;
  double half = x / 2.0;
  double term = x > 0.0 ? std::exp(nu * std::log(half) - std::lgamma(nu + 1.0))
                        : std::pow(half, nu) / std::tgamma(nu + 1.0);
  double q = half * half;
  if (q == 0.0)
    return term;
  double sum = term;
  for (int k = 1; k < kMaxTerms && std::isfinite(sum); ++k) {
    term *= q / (k * (k + nu));
    sum += term;
    if (k > std::fabs(half) && std::fabs(term) <= kEpsilon * std::fabs(sum))
      break; // past the largest term, and too small to count
  }
  return sum;
}

double Kn(double nu, double x) {
  if (std::fabs(nu) > 0.5)
    ExitWithOrder("Kn - abs(order) > 0.5 : %lg\n", nu);
  if (!(x > 0.0))
    return x == 0.0 ? std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::quiet_NaN();
  // The integral of e^(-x cosh t) cosh(nu t) over t >= 0 by the trapezoid
  // rule, which converges geometrically for this analytic, fast-decaying
  // integrand. Its error is about e^(-pi^2 / 2h) for the width of the strip
  // where the integrand stays analytic, and e^(-2 pi^2 / (x h^2)) for its
  // peak of width 1 / sqrt(x) at large x: the step keeps both near e^-40.
  // The sum stops once e^(-x cosh t) has fallen e^-50 below its value at 0.
  constexpr double kDecay = 50.0;
  constexpr int kMaxSteps = 8000; // cosh t overflows before t = 1000
  const double step = std::min(0.125, 0.7 / std::sqrt(x));
  // e^t and e^(nu t) grow by one factor per step, which saves two of the
  // three exponentials of each point.
  const double grow = std::exp(step), growNu = std::exp(nu * step);
  double et = 1.0, etNu = 1.0;
  double sum = 0.5 * std::exp(-x);
  for (int i = 1; i < kMaxSteps; ++i) {
    et *= grow;
    etNu *= growNu;
    double c = 0.5 * (et + 1.0 / et);
    sum += std::exp(-x * c) * 0.5 * (etNu + 1.0 / etNu);
    if (x * (c - 1.0) > kDecay)
      break;
  }
  return sum * step;
}

// Gamma, erf, Jacobi -----------------------------------------------------------

double Gamma(double x) {
  // The six-point Gauss-Laguerre rule for the integral of t^(y-1) e^-t.
  static constexpr double kNodes[] = {0.2228466, 1.188932, 2.992736, 5.775144, 9.837467, 15.98287};
  static constexpr double kWeights[] = {0.458965,  0.4170008,    0.1133734,
                                        0.0103992, 0.0002610172, 8.985479e-07};
  double y = std::fabs(x);
  double g = 0.0;
  for (int i = 0; i < 6; ++i)
    g += kWeights[i] * std::pow(kNodes[i], y - 1.0);
  if (x >= 0.0)
    return g;
  return kPi / std::sin(y * kPi) / g / x; // reflection
}

double erf(double x) {
  double s = 1.0 / (1.0 + 0.3275911 * std::fabs(x));
  double e =
      1.0 - s *
                (0.254829592 +
                 s * (-0.284496736 + s * (1.421413741 + s * (-1.453152027 + s * 1.061405429)))) *
                std::exp(-x * x);
  return x < 0.0 ? -e : e;
}

double sn(double u, double m) { return JacobiElliptic(u, m).Sn; }

double cn(double u, double m) { return JacobiElliptic(u, m).Cn; }

double dn(double u, double m) { return JacobiElliptic(u, m).Dn; }

} // namespace vyx::math
