//===- simple_spline.cpp - An editable clamped cubic spline ---------------===//
//
// The stream reader trusts nothing: the stored point count must not be
// negative, and points are read one pair at a time, so storage grows only
// with the data that is really there. A damaged record throws (through
// vyx::ReadCheck) and leaves the spline as it was.
//
//===----------------------------------------------------------------------===//

#include "numerics/simple_spline.h"

#include "math_module.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cmath>
#include <limits>

VYX_IMPLEMENT_CLASS(SimpleSpline, "SimpleSpline", &vyx::MathModuleHandle, GStreamable)

namespace {

/// The listeners of every spline; created with the first use and gone when
/// the library unloads.
GCallBackList &Listeners() {
  static GCallBackList list;
  return list;
}

/// Points reserved ahead of a read, whatever count the data claims.
constexpr long kReadReserve = 4096;

} // namespace

SimpleSpline::SimpleSpline() : SimpleSpline(2) {}

SimpleSpline::SimpleSpline(int n) {
  n = std::max(n, 0);
  X.assign(static_cast<std::size_t>(n), 0.0);
  Y.assign(static_cast<std::size_t>(n), 0.0);
  resizeArrays(n);
}

void SimpleSpline::resizeArrays(int n) {
  Count = n;
  M.resize(static_cast<std::size_t>(n), 0.0);
  P.resize(static_cast<std::size_t>(n), 0.0);
  Q.resize(static_cast<std::size_t>(n), 0.0);
}

void SimpleSpline::set_points_num(int m) {
  m = std::max(m, 0);
  if (m == Count)
    return;
  X.resize(static_cast<std::size_t>(m), 0.0);
  Y.resize(static_cast<std::size_t>(m), 0.0);
  resizeArrays(m);
}

void SimpleSpline::get_point(int i, double &x, double &y) const {
  if (i < 0 || i >= Count)
    return;
  x = X[i];
  y = Y[i];
}

void SimpleSpline::set_point(int i, double x, double y) {
  if (i < 0 || i >= Count)
    return;
  X[i] = x;
  Y[i] = y;
}

void SimpleSpline::coeff() {
  const int n = Count;
  if (n < 2)
    return;
  auto h = [this](int i) { return X[i + 1] - X[i]; };
  auto s = [this, &h](int i) { return (Y[i + 1] - Y[i]) / h(i); };

  // Forward elimination: P(i), Q(i) express M(i-1) = P(i) M(i) + Q(i).
  // Row 0 is 2 h0 M0 + h0 M1 = s0 (zero slope at the start); row k of the
  // inside is h(k-1) M(k-1) + 2 (h(k-1) + h(k)) M(k) + h(k) M(k+1) =
  // s(k) - s(k-1).
  P[0] = Q[0] = 0.0;
  for (int i = 1; i < n; ++i) {
    double a, b, c, d;
    if (i == 1) {
      a = h(0);
      b = s(0);
      c = 2.0 * h(0);
      d = 0.0;
    } else {
      a = h(i - 1);
      b = s(i - 1) - s(i - 2);
      c = 2.0 * (h(i - 2) + h(i - 1));
      d = h(i - 2);
    }
    double e = c + d * P[i - 1];
    P[i] = -a / e;
    Q[i] = (b - d * Q[i - 1]) / e;
  }
  // The last row, h M(n-2) + 2 h M(n-1) = -s (zero slope at the end), then
  // back substitution.
  double hl = h(n - 2);
  double sl = s(n - 2);
  M[n - 1] = (-sl - hl * Q[n - 1]) / (hl * P[n - 1] + 2.0 * hl);
  for (int i = n - 1; i >= 1; --i)
    M[i - 1] = P[i] * M[i] + Q[i];
}

int SimpleSpline::interval(double x, int hint) const {
  const int n = Count;
  if (n < 2)
    return 0;
  const double last = X[n - 1];
  if (!(x < last) && !(x > last))
    return n - 1;
  if (hint >= 1 && hint <= n - 1) {
    if (X[hint - 1] <= x && x < X[hint])
      return hint;
    if (hint + 1 < n && X[hint] <= x && x < X[hint + 1])
      return hint + 1;
    if (hint >= 2 && x >= X[hint - 2] && x < X[hint - 1])
      return hint - 1;
  }
  if (x < X[0] || x > last)
    return 0;
  for (int i = 1; i < n; ++i)
    if (X[i - 1] <= x && x < X[i])
      return i;
  return 0;
}

double SimpleSpline::get(double x, int &hint) const {
  int i = interval(x, hint);
  if (i == 0)
    return OutOfRange;
  hint = i;
  double H = X[i] - X[i - 1];
  double t = (x - X[i - 1]) / H;
  double c = 1.0 - t;
  return c * Y[i - 1] + t * Y[i] +
         H * H * (c * (c * c - 1.0) * M[i - 1] + t * (t * t - 1.0) * M[i]) / Tension;
}

double SimpleSpline::get(double x) const {
  int hint = 0;
  return get(x, hint);
}

bool SimpleSpline::can_add(double x) const {
  if (Count < 2)
    return true;
  double spacing = (X[Count - 1] - X[0]) * MinSpacing;
  return std::all_of(X.begin(), X.end(),
                     [x, spacing](double xi) { return std::fabs(x - xi) >= spacing; });
}

bool SimpleSpline::add_point(double x) {
  if (Count < 2 || Count == std::numeric_limits<int32_t>::max() || !can_add(x))
    return false;
  int i = 0;
  double y = get(x, i);
  if (i == 0 || !(X[i - 1] < x && x < X[i]))
    return false;
  X.insert(X.begin() + i, x);
  Y.insert(Y.begin() + i, y);
  resizeArrays(Count + 1);
  coeff();
  EvokeCallback(GCallBackReason(0), this);
  return true;
}

bool SimpleSpline::remove_point(int i) {
  if (Count < 3 || i < 0 || i >= Count)
    return false;
  X.erase(X.begin() + i);
  Y.erase(Y.begin() + i);
  resizeArrays(Count - 1);
  coeff();
  EvokeCallback(GCallBackReason(0), this);
  return true;
}

void SimpleSpline::RegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                    void *user) {
  Listeners().attach_callback(callback, reason, user);
}

void SimpleSpline::UnRegisterCallback(GCallBackReason reason, GCallBackList::Function callback,
                                      void *user) {
  Listeners().detach_callback(callback, reason, user);
}

void SimpleSpline::EvokeCallback(GCallBackReason reason, void *data) {
  Listeners().call(reason, data);
}

void SimpleSpline::write(opstream &os) {
  os.writeByte(0);
  os.writeDWord(static_cast<uint32_t>(Count));
  for (int i = 0; i < Count; ++i)
    os << X[i] << Y[i];
  os << Tension << MinSpacing;
}

void SimpleSpline::read(ipstream &is) {
  using vyx::ReadCheck;
  is.readByte();
  long n = 0;
  is >> n; // signed 32-bit
  ReadCheck(is, n >= 0);
  std::vector<double> xs, ys;
  xs.reserve(static_cast<std::size_t>(std::min(n, kReadReserve)));
  ys.reserve(xs.capacity());
  for (long i = 0; i < n; ++i) {
    double x = 0.0, y = 0.0;
    is >> x >> y;
    ReadCheck(is);
    xs.push_back(x);
    ys.push_back(y);
  }
  double tension = 0.0, spacing = 0.0;
  is >> tension >> spacing;
  ReadCheck(is);
  X = std::move(xs);
  Y = std::move(ys);
  Tension = tension;
  MinSpacing = spacing;
  resizeArrays(static_cast<int>(n));
  coeff();
}
