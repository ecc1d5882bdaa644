// Tests of the special functions against the C++ library's (or closed
// forms) within the accuracy each approximation promises, their symmetries
// and edge arguments, and the process exits for invalid orders.
#include "numerics/special_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

namespace {

namespace vm = vyx::math;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

/// The value of an odd function at x from its value at |x|.
double Odd(double atAbs, double x) { return x < 0 ? -atAbs : atAbs; }

/// I of real order, also negative: I(-nu) = I(nu) + (2 / pi) sin(nu pi) K(nu).
double LibraryI(double nu, double x) {
  double a = std::fabs(nu);
  double i = std::cyl_bessel_i(a, x);
  return nu >= 0 ? i
                 : i + 2.0 / std::numbers::pi * std::sin(a * std::numbers::pi) *
                           std::cyl_bessel_k(a, x);
}

/// |got - want| <= abs + rel * |want| over the points of [from, to] in
/// steps of `step`.
void ExpectClose(const std::function<double(double)> &got,
                 const std::function<double(double)> &want, double from, double to, double step,
                 double abs, double rel, const char *what) {
  for (double x = from; x <= to; x += step) {
    double w = want(x);
    ASSERT_NEAR(w, got(x), abs + rel * std::fabs(w)) << what << " at " << x;
  }
}

TEST(BesselTest, OrdersZeroAndOneMatchTheLibrary) {
  ExpectClose(
      vm::J0, [](double x) { return std::cyl_bessel_j(0.0, std::fabs(x)); }, -30, 30, 0.013, 1e-7,
      0, "J0");
  ExpectClose(
      vm::J1, [](double x) { return Odd(std::cyl_bessel_j(1.0, std::fabs(x)), x); }, -30, 30, 0.013,
      1e-7, 0, "J1");
  ExpectClose(
      vm::Y0, [](double x) { return std::cyl_neumann(0.0, x); }, 0.01, 30, 0.013, 1e-7, 1e-7, "Y0");
  ExpectClose(
      vm::Y1, [](double x) { return std::cyl_neumann(1.0, x); }, 0.01, 30, 0.013, 1e-7, 1e-7, "Y1");
  ExpectClose(
      vm::I0, [](double x) { return std::cyl_bessel_i(0.0, std::fabs(x)); }, -50, 50, 0.013, 0,
      5e-7, "I0");
  ExpectClose(
      vm::I1, [](double x) { return Odd(std::cyl_bessel_i(1.0, std::fabs(x)), x); }, -50, 50, 0.013,
      0, 5e-7, "I1");
  ExpectClose(
      vm::K0, [](double x) { return std::cyl_bessel_k(0.0, x); }, 0.01, 50, 0.013, 0, 2e-7, "K0");
  ExpectClose(
      vm::K1, [](double x) { return std::cyl_bessel_k(1.0, x); }, 0.01, 50, 0.013, 0, 2e-7, "K1");
  EXPECT_NEAR(1.0, vm::J0(0.0), 1e-8);
  EXPECT_EQ(0.0, vm::J1(0.0));
  EXPECT_EQ(-kInf, vm::Y0(0.0));
  EXPECT_TRUE(std::isnan(vm::Y0(-1.0)));
  EXPECT_TRUE(std::isnan(vm::J0(kNaN)));
}

TEST(BesselTest, IntegerOrdersMatchTheLibrary) {
  for (int n : {2, 3, 5, 10, 25}) {
    auto jn = [n](double x) { return vm::J(n, x); };
    auto yn = [n](double x) { return vm::Y(n, x); };
    auto in = [n](double x) { return vm::I(n, x); };
    auto kn = [n](double x) { return vm::K(n, x); };
    // Both recurrence directions of J: below and above x = n.
    ExpectClose(
        jn, [n](double x) { return std::cyl_bessel_j(double(n), x); }, 0.05, 40, 0.031, 2e-7, 0,
        "J");
    ExpectClose(
        yn, [n](double x) { return std::cyl_neumann(double(n), x); }, n * 0.7, 40, 0.031, 1e-7,
        2e-6, "Y");
    ExpectClose(
        in, [n](double x) { return std::cyl_bessel_i(double(n), x); }, 0.05, 40, 0.031, 0, 2e-6,
        "I");
    ExpectClose(
        kn, [n](double x) { return std::cyl_bessel_k(double(n), x); }, 0.05, 40, 0.031, 0, 1e-6,
        "K");
  }
  EXPECT_EQ(0.0, vm::J(2, 0.0));
  EXPECT_EQ(0.0, vm::I(2, 0.0));
  for (double x : {0.3, 2.0, 7.5, 12.0}) {
    EXPECT_EQ(-vm::J(3, x), vm::J(3, -x));
    EXPECT_EQ(vm::J(4, x), vm::J(4, -x));
    EXPECT_EQ(vm::I(4, x), vm::I(4, -x));
    EXPECT_EQ(-vm::I(5, x), vm::I(5, -x));
  }
  // Miller's recurrence rescales instead of overflowing at high orders.
  EXPECT_NEAR(1.0, vm::J(80, 3.0) / std::cyl_bessel_j(80.0, 3.0), 1e-10);
  EXPECT_GT(vm::J(80, 3.0), 0.0);
  EXPECT_NEAR(1.0, vm::I(60, 2.0) / std::cyl_bessel_i(60.0, 2.0), 1e-6);
}

TEST(BesselTest, RealOrdersMatchTheLibrary) {
  for (double nu : {-0.5, -0.3, 0.0, 0.25, 0.5, 1.0, 2.7, 40.0}) {
    ExpectClose([nu](double x) { return vm::In(nu, x); },
                [nu](double x) { return LibraryI(nu, x); }, 0.01, 60, 0.037, 0, 1e-12, "In");
  }
  for (double nu : {-0.5, -0.3, 0.0, 0.1, 0.25, 0.5}) {
    ExpectClose([nu](double x) { return vm::Kn(nu, x); },
                [nu](double x) { return std::cyl_bessel_k(std::fabs(nu), x); }, 0.01, 60, 0.037, 0,
                1e-12, "Kn");
  }
  // Closed forms of order 1/2, near 0 as well.
  for (double x : {1e-8, 1e-3, 0.7, 300.0}) {
    EXPECT_NEAR(std::sqrt(2.0 / (std::numbers::pi * x)) * std::sinh(x), vm::In(0.5, x),
                1e-12 * std::sqrt(2.0 / (std::numbers::pi * x)) * std::sinh(x));
    double k = std::sqrt(std::numbers::pi / (2.0 * x)) * std::exp(-x);
    EXPECT_NEAR(k, vm::Kn(0.5, x), 1e-12 * k);
  }
  EXPECT_EQ(1.0, vm::In(0.0, 0.0));
  EXPECT_EQ(0.0, vm::In(0.3, 0.0));
  EXPECT_EQ(kInf, vm::Kn(0.2, 0.0));
  EXPECT_TRUE(std::isnan(vm::Kn(0.2, -1.0)));
  EXPECT_NEAR(vm::K0(3.0), vm::Kn(0.0, 3.0), 1e-7 * vm::K0(3.0));
  EXPECT_NEAR(-vm::In(3.0, 2.0), vm::In(3.0, -2.0), 1e-15);
  EXPECT_TRUE(std::isnan(vm::In(0.5, -2.0)));
}

TEST(GammaTest, SixPointRuleValues) {
  EXPECT_NEAR(1.0, vm::Gamma(1.0), 1e-6);
  EXPECT_NEAR(1.0, vm::Gamma(2.0), 1e-6);
  EXPECT_NEAR(2.0, vm::Gamma(3.0), 2e-6);
  EXPECT_NEAR(362879.84, vm::Gamma(10.0), 0.005);
  EXPECT_NEAR(1.42463, vm::Gamma(0.5), 5e-6); // coarse below 1
  for (int n = 1; n <= 12; ++n)
    EXPECT_NEAR(1.0, vm::Gamma(n) / std::tgamma(n), 2e-6) << n;
  // Negative arguments by reflection; poles are not caught.
  double g = vm::Gamma(1.5);
  EXPECT_NEAR(std::numbers::pi / std::sin(1.5 * std::numbers::pi) / g / -1.5, vm::Gamma(-1.5),
              1e-15);
  EXPECT_NEAR(2.363, vm::Gamma(-1.5), 0.03); // coarse, as Gamma(1.5) is
  EXPECT_GT(std::fabs(vm::Gamma(-2.0)), 1e15);
}

TEST(ErfTest, WithinTheApproximationsBound) {
  ExpectClose(
      vm::erf, [](double x) { return std::erf(x); }, -6, 6, 0.0007, 1.5e-7, 0, "erf");
  EXPECT_NEAR(1e-9, vm::erf(0.0), 1e-15); // the coefficients sum to 0.999999999
  for (double x : {0.1, 0.5, 1.0, 3.0})
    EXPECT_EQ(-vm::erf(x), vm::erf(-x));
  EXPECT_EQ(1.0, vm::erf(kInf));
  EXPECT_EQ(-1.0, vm::erf(-kInf));
  EXPECT_TRUE(std::isnan(vm::erf(kNaN)));
  // Not the C library's erf under another name.
  EXPECT_NE(&vm::erf, static_cast<double (*)(double)>(&::erf));
}

TEST(JacobiTest, MatchesTheInverseOfTheEllipticIntegral) {
  // u = F(phi | m) gives sn = sin phi, cn = cos phi, dn = sqrt(1 - m sin^2 phi).
  for (double m : {0.01, 0.3, 0.5, 0.9, 0.999, 1.0 - 1e-12}) {
    for (double phi = -1.5; phi <= 1.5; phi += 0.05) {
      double u = std::ellint_1(std::sqrt(m), phi);
      EXPECT_NEAR(std::sin(phi), vm::sn(u, m), 1e-13) << m << " " << phi;
      EXPECT_NEAR(std::cos(phi), vm::cn(u, m), 1e-13) << m << " " << phi;
      EXPECT_NEAR(std::sqrt(1 - m * std::sin(phi) * std::sin(phi)), vm::dn(u, m), 1e-13);
    }
  }
  for (double u : {-3.0, 0.0, 0.4, 2.0, 10.0}) {
    EXPECT_EQ(std::sin(u), vm::sn(u, 0.0));
    EXPECT_EQ(std::cos(u), vm::cn(u, 0.0));
    EXPECT_EQ(1.0, vm::dn(u, 0.0));
    EXPECT_NEAR(std::tanh(u), vm::sn(u, 1.0), 1e-13);
    EXPECT_NEAR(1.0 / std::cosh(u), vm::cn(u, 1.0), 1e-13);
    EXPECT_NEAR(1.0 / std::cosh(u), vm::dn(u, 1.0), 1e-13);
  }
  // Periodicity: sn(u + 4K) = sn(u).
  double quarter = std::comp_ellint_1(std::sqrt(0.7));
  EXPECT_NEAR(vm::sn(0.3, 0.7), vm::sn(0.3 + 4 * quarter, 0.7), 1e-12);
}

using SpecialFunctionsDeathTest = ::testing::Test;

TEST_F(SpecialFunctionsDeathTest, InvalidOrdersEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(vm::J(1, 2.0), ::testing::ExitedWithCode(10), "^Index n less than 2 in J$");
  EXPECT_EXIT(vm::Y(0, 2.0), ::testing::ExitedWithCode(10), "^Index n less than 2 in Y$");
  EXPECT_EXIT(vm::I(1, 2.0), ::testing::ExitedWithCode(10), "^Index n less than 2 in BESSI: ");
  EXPECT_EXIT(vm::K(-4, 2.0), ::testing::ExitedWithCode(10), "^Index n less than 2 in BESSK: ");
  EXPECT_EXIT(vm::In(-0.75, 2.0), ::testing::ExitedWithCode(1), "^In - order < -0.5 : -0.75\n$");
  EXPECT_EXIT(vm::Kn(0.7, 2.0), ::testing::ExitedWithCode(1),
              "^Kn - abs\\(order\\) > 0.5 : 0.7\n$");
}

} // namespace
