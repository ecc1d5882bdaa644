// Tests of Quanc8 and Zeroin: integrals and zeros with known values, the
// counts and flags of the published routine, and input that must not make
// either of them loop for ever.
#include "numerics/quadrature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

int Calls = 0;

double Cube(double x) { return x * x * x; }
double Sine(double x) { return std::sin(x); }
double Root(double x) { return std::sqrt(x); }
double Step(double x) { return x < 1.0 / 3.0 ? 0.0 : 1.0; }
double Wild(double x) {
  ++Calls;
  return std::sin(1e6 * x * x);
}
/// Finite everywhere, but its integral overflows.
double Huge(double x) { return 1e300 * std::exp(x * 1e-8); }
double TwoLess(double x) {
  ++Calls;
  return x * x - 2.0;
}
double NotANumber(double) {
  ++Calls;
  return std::numeric_limits<double>::quiet_NaN();
}

struct Integral {
  double Value, Error, Flag;
  int Evaluations;
};

Integral Integrate(double (*f)(double), double a, double b, double abserr, double relerr) {
  Integral r;
  r.Value = Quanc8(f, a, b, abserr, relerr, &r.Error, &r.Flag, &r.Evaluations);
  return r;
}

TEST(Quanc8Test, EmptyIntervalIsZero) {
  Integral r = Integrate(Cube, 2.0, 2.0, 1e-10, 0.0);
  EXPECT_EQ(0.0, r.Value);
  EXPECT_EQ(0.0, r.Error);
  EXPECT_EQ(0.0, r.Flag);
  EXPECT_EQ(0, r.Evaluations);
}

TEST(Quanc8Test, CubicTakesOneSubdivision) {
  // Level 1 is the least: the interval is halved once, each half accepted.
  Integral r = Integrate(Cube, 0.0, 1.0, 1e-10, 0.0);
  EXPECT_NEAR(0.25, r.Value, 1e-16);
  EXPECT_EQ(33, r.Evaluations);
  EXPECT_EQ(0.0, r.Flag);
}

TEST(Quanc8Test, MeetsTheToleranceOnKnownIntegrals) {
  Integral sine = Integrate(Sine, 0.0, std::numbers::pi, 1e-12, 0.0);
  EXPECT_NEAR(2.0, sine.Value, 1e-12);
  EXPECT_EQ(0.0, sine.Flag);
  Integral reversed = Integrate(Sine, std::numbers::pi, 0.0, 1e-12, 0.0);
  EXPECT_NEAR(-2.0, reversed.Value, 1e-12);
  // An end-point singularity in the derivative: refined near 0 only.
  Integral root = Integrate(Root, 0.0, 1.0, 0.0, 1e-8);
  EXPECT_NEAR(2.0 / 3.0, root.Value, 1e-8);
  EXPECT_GT(root.Error, 0.0);
  EXPECT_LT(root.Evaluations, 1000);
}

TEST(Quanc8Test, ReportsTroubleThroughTheFlag) {
  // A jump cannot be resolved: the subintervals that hold it reach level
  // 30 and are counted in the integer part of the flag.
  Integral jump = Integrate(Step, 0.0, 1.0, 0.0, 0.0);
  EXPECT_NEAR(2.0 / 3.0, jump.Value, 1e-9);
  EXPECT_GE(jump.Flag, 1.0);
  EXPECT_EQ(jump.Flag, std::floor(jump.Flag));
  // A wildly oscillating integrand spends the budget: the fractional part
  // tells the share of [a, b] that was not reached.
  Calls = 0;
  Integral wild = Integrate(Wild, 0.0, 10.0, 1e-12, 0.0);
  EXPECT_LE(wild.Evaluations, 5000);
  EXPECT_EQ(Calls, wild.Evaluations);
  EXPECT_GT(wild.Flag - std::floor(wild.Flag), 0.0);
}

TEST(Quanc8Test, AnOverflowingIntegralEnds) {
  // The error estimate is raised to the rounding level of the result; an
  // infinite result has none, and that must not loop.
  Integral r = Integrate(Huge, 0.0, 2e8, 1e-10, 0.0);
  EXPECT_EQ(std::numeric_limits<double>::infinity(), r.Value);
  EXPECT_GT(r.Error, 0.0);
}

TEST(ZeroinTest, FindsKnownZeros) {
  EXPECT_NEAR(std::sqrt(2.0), Zeroin(1.0, 2.0, TwoLess, 1e-10), 2e-10);
  EXPECT_NEAR(std::sqrt(2.0), Zeroin(2.0, 1.0, TwoLess, 1e-10), 2e-10);
  // With tolerance 0 the result is within a few units of the last place.
  double c = Zeroin(
      0.0, 3.0, [](double x) { return std::cos(x); }, 0.0);
  EXPECT_NEAR(std::numbers::pi / 2, c, 4e-16);
  // A zero at an end point is returned as it is.
  EXPECT_EQ(1.0, Zeroin(
                     1.0, 5.0, [](double x) { return x == 1.0 ? 0.0 : x; }, 1e-6));
  Calls = 0;
  Zeroin(1.0, 2.0, TwoLess, 1e-10);
  EXPECT_LT(Calls, 15); // interpolation, not bisection alone
}

TEST(ZeroinTest, HostileInputEnds) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  double inf = std::numeric_limits<double>::infinity();
  for (double tol : {-1.0, nan})
    EXPECT_NEAR(std::sqrt(2.0), Zeroin(1.0, 2.0, TwoLess, tol), 1e-15);
  Calls = 0;
  EXPECT_TRUE(std::isnan(Zeroin(nan, 2.0, TwoLess, 1e-10)));
  EXPECT_LE(Calls, 2);
  Calls = 0;
  Zeroin(-inf, 2.0, TwoLess, 1e-10);
  EXPECT_LE(Calls, 5000);
  Calls = 0;
  Zeroin(1.0, 2.0, NotANumber, 1e-10);
  EXPECT_LE(Calls, 5000);
}

} // namespace
