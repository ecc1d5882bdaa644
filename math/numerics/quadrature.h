//===- quadrature.h - Adaptive quadrature and a zero finder -----*- C++ -*-===//
//
// Two routines for functions of one double, with plain C names so that any
// caller can bind to them: Quanc8, the adaptive eight-panel Newton-Cotes
// quadrature of Forsythe, Malcolm and Moler, and Zeroin, Brent's zero finder
// in the form the same authors published. Both take a plain function pointer
// and keep no state between calls.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_QUADRATURE_H
#define VYX_NUMERICS_QUADRATURE_H

#include "vyx_math_export.h"

extern "C" {

/// The integral of `fun` from a to b, to within max(abserr, relerr * |result|)
/// where the routine can tell.
///
/// *errest receives the error estimate, *nofun the number of evaluations
/// (at most about 5000), and *flag the reliability: 0 when the result is
/// reliable; otherwise its integer part counts the subintervals accepted at
/// the deepest level (30) and its fractional part tells which share of
/// [a, b] was left unrefined when the evaluation budget ran out.
VYX_MATH_API double Quanc8(double (*fun)(double), double a, double b, double abserr, double relerr,
                           double *errest, double *flag, int *nofun);

/// A zero of f between ax and bx, to within 4 * 2^-53 * |x| + tol; f(ax) and
/// f(bx) should have opposite signs (not checked: with equal signs the
/// result is an end point or wherever the iteration stops).
///
/// A tolerance that is negative or not a number counts as 0, an end point
/// that is not a number gives a result that is not a number, and the search
/// stops after 5000 evaluations of f (which only infinite end points come
/// near) with its best point so far: each of these would otherwise loop for
/// ever.
VYX_MATH_API double Zeroin(double ax, double bx, double (*f)(double), double tol);

} // extern "C"

#endif // VYX_NUMERICS_QUADRATURE_H
