//===- special_functions.h - Bessel, gamma, error, elliptic -----*- C++ -*-===//
//
// Special functions on double, without state. They live in namespace
// vyx::math: several plain names (erf above all, and Gamma, J0, Y0 beside
// the C library's tgamma, j0, y0) would otherwise collide with or shadow the
// standard library's. Call them qualified (vyx::math::erf(x)) or bring in the
// ones needed with a using-declaration.
//
// They are approximations with fixed accuracy, chosen for speed and for
// results that stay the same from release to release:
//   - J0, J1, Y0, Y1, I0, I1, K0, K1: the polynomial and rational
//     approximations of Numerical Recipes (2nd ed., 6.5 and 6.6); absolute
//     error about 1e-8 for J and Y, relative error about 1e-7 for I and K;
//   - J, Y, I, K of integer order n >= 2: recurrences from those (Miller's
//     downward recurrence for J below |x| = n and for I);
//   - Gamma: the six-point Gauss-Laguerre rule, right to about six digits
//     at the integers 1 to 12 only; coarse elsewhere (Gamma(0.5) is 1.42463,
//     not 1.77245) and far too small beyond 13;
//   - In, Kn of real order: the power series of In and the integral of Kn
//     over e^(-x cosh t), both to about 1e-14 (they do not use Gamma: the
//     representations over it lose all accuracy there);
//   - erf: Abramowitz and Stegun 7.1.26, absolute error below 1.5e-7
//     (erf(0) is 1e-9);
//   - sn, cn, dn: the arithmetic-geometric mean of Abramowitz and Stegun
//     16.4, to about rounding.
//
// Invalid orders end the process, as callers of these functions have always
// relied on: J, Y, I, K with n < 2 write a message to the standard error
// stream and exit with code 10; In with nu < -0.5, Kn with |nu| > 0.5 and a
// mean that does not settle in 99 steps exit with code 1. Nothing else is
// checked: x <= 0 for Y and K, poles of Gamma and m outside [0, 1] give
// whatever the formulas give (infinities or values that are not numbers).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_SPECIAL_FUNCTIONS_H
#define VYX_NUMERICS_SPECIAL_FUNCTIONS_H

#include "vyx_math_export.h"

namespace vyx::math {

/// Bessel functions of the first kind of orders 0 and 1; J1 is odd.
VYX_MATH_API double J0(double x);
VYX_MATH_API double J1(double x);
/// Order n >= 2 (otherwise the process exits with code 10 after writing
/// "Index n less than 2 in J"). J(n, 0) is 0; J(n, -x) = (-1)^n J(n, x).
VYX_MATH_API double J(int n, double x);

/// Bessel functions of the second kind, x > 0.
VYX_MATH_API double Y0(double x);
VYX_MATH_API double Y1(double x);
/// Order n >= 2 (otherwise exit code 10, "Index n less than 2 in Y").
VYX_MATH_API double Y(int n, double x);

/// Modified Bessel functions of the first kind; I1 is odd.
VYX_MATH_API double I0(double x);
VYX_MATH_API double I1(double x);
/// Order n >= 2 (otherwise exit code 10 after the error report "Index n
/// less than 2 in BESSI"). I(n, 0) is 0; I(n, -x) = (-1)^n I(n, x).
VYX_MATH_API double I(int n, double x);

/// Modified Bessel functions of the second kind, x > 0.
VYX_MATH_API double K0(double x);
VYX_MATH_API double K1(double x);
/// Order n >= 2 (otherwise exit code 10, "Index n less than 2 in BESSK").
VYX_MATH_API double K(int n, double x);

/// The modified Bessel function of the first kind of real order nu >= -0.5
/// (otherwise exit code 1), by its power series; relative error near
/// 1e-14 (for x < 0 the power (x/2)^nu, like the function, is real only for
/// integer orders).
VYX_MATH_API double In(double nu, double x);
/// The modified Bessel function of the second kind of real order with
/// |nu| <= 0.5 (otherwise exit code 1), by the trapezoid rule on its
/// integral of e^(-x cosh t) cosh(nu t) over t >= 0; relative error near
/// 1e-14 for x > 0; infinite at 0, not a number for x < 0.
VYX_MATH_API double Kn(double nu, double x);

/// The gamma function by the six-point Gauss-Laguerre rule, with the
/// reflection formula for x < 0 (see the accuracy notes above).
VYX_MATH_API double Gamma(double x);

/// The error function (Abramowitz and Stegun 7.1.26); odd.
VYX_MATH_API double erf(double x);

/// The Jacobi elliptic functions of argument u and parameter m (0 <= m <= 1,
/// not checked). m = 0 gives sin u, cos u and 1; m = 1 gives tanh u,
/// sech u and sech u (taken directly: the mean of 1 and 0 never settles).
VYX_MATH_API double sn(double u, double m);
VYX_MATH_API double cn(double u, double m);
VYX_MATH_API double dn(double u, double m);

} // namespace vyx::math

#endif // VYX_NUMERICS_SPECIAL_FUNCTIONS_H
