//===- simple_spline.h - An editable clamped cubic spline -------*- C++ -*-===//
//
// SimpleSpline is an interpolating cubic spline y(x) through control points
// sorted by x, with zero slope at both ends and a tension T that divides the
// curvature term (T = 1 gives the ordinary clamped cubic spline, the default
// T = 2 a flatter curve). Points can be inserted on the curve (which keeps its
// shape at that place), removed and moved; every insertion or removal is
// announced to the listeners of a static callback list (reason 0, the spline
// as data), so that a curve editor and the objects that sample the curve
// stay in step.
//
// On the interval [x(i-1), x(i)] of width H, with t = (x - x(i-1)) / H and
// c = 1 - t, the spline is
//
//   c y(i-1) + t y(i) + H^2 (c (c^2 - 1) M(i-1) + t (t^2 - 1) M(i)) / T
//
// where the curvature coefficients M solve a tridiagonal system (coeff()).
//
// Stream form: byte 0, point count n (dword), n pairs x, y (doubles),
// T (double), minimum spacing (double). Reading recomputes M.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_SIMPLE_SPLINE_H
#define VYX_NUMERICS_SIMPLE_SPLINE_H

#include "object_model/callbacks.h"
#include "object_model/rtti_object.h"
#include "pstreams/streamable.h"
#include "vyx_math_export.h"

#include <cstdint>
#include <vector>

/// An editable one-dimensional cubic spline. Registered as "SimpleSpline".
///
/// Copies are deep: a copy owns its own points. The value outside
/// [x(0), x(n-1)], and everywhere on a spline of fewer than two points, is
/// OutOfRange (the largest single-precision value).
class VYX_MATH_API SimpleSpline : public GStreamable {
  VYX_DECLARE_CLASS(SimpleSpline);

  /// The value of get() where the spline is not defined.
  static constexpr double OutOfRange = 3.4028234663852886e38;

  /// Two points, both (0, 0) until read or set.
  SimpleSpline();
  /// `n` points (none for n < 0), all (0, 0) until set.
  explicit SimpleSpline(int n);

  int get_points_num() const { return Count; }
  /// Resizes to `m` points (none for m < 0): the first points stay, new ones
  /// are (0, 0). Neither recomputes nor notifies.
  void set_points_num(int m);
  /// Point i for 0 <= i < n; otherwise x and y are left alone.
  void get_point(int i, double &x, double &y) const;
  /// Overwrites point i for 0 <= i < n; neither recomputes nor notifies (call
  /// coeff() afterwards).
  void set_point(int i, double x, double y);
  double get_tension() const { return Tension; }
  /// Neither recomputes nor notifies.
  void set_tension(double t) { Tension = t; }
  /// The relative distance (of the spline's width) that can_add keeps from
  /// every point.
  double get_min_spacing() const { return MinSpacing; }

  /// Recomputes the curvature coefficients (nothing for fewer than two
  /// points).
  void coeff();
  /// The index i of the interval [x(i-1), x(i)) that holds x (n-1 for x equal
  /// to the last abscissa), trying `hint` and its neighbours first; 0 when x
  /// lies outside the points.
  int interval(double x, int hint) const;
  /// The spline's value at x; `hint` is read as the first guess of the
  /// interval and receives the one found (it is left alone outside).
  double get(double x, int &hint) const;
  double get(double x) const;
  /// True when a point at x keeps the minimum spacing from every point (always
  /// for fewer than two points).
  bool can_add(double x) const;
  /// Inserts the point (x, get(x)) in order and announces it. Refused (false)
  /// when can_add(x) is false, when the spline has fewer than two points, or
  /// when x does not lie strictly between two abscissae: a point outside the
  /// curve has no value on it and would break the order.
  bool add_point(double x);
  /// Removes point i and announces it. Refused (false) when fewer than three
  /// points are left or i is not a point.
  bool remove_point(int i);

  static void RegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                               void *user);
  static void UnRegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                 void *user);
  static void EvokeCallback(GCallBackReason reason, void *data);

  void read(ipstream &is) override;
  void write(opstream &os) override;

private:
  /// Point count, curvature coefficients and the two work arrays of the
  /// elimination resized to `n` points (x and y are resized by the caller).
  void resizeArrays(int n);

  int32_t Count = 0;
  double Tension = 2.0;
  double MinSpacing = 0.001;
  std::vector<double> X, Y, M, P, Q;
};

#endif // VYX_NUMERICS_SIMPLE_SPLINE_H
