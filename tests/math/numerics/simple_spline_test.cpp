// Tests of SimpleSpline: the clamped cubic against cubics it must reproduce,
// the tension, intervals and hints, editing with notification, deep copies,
// small splines, and the stream form.
#include "numerics/simple_spline.h"

#include "numerics_test_support.h"
#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

using numtest::Bytes;

/// The flat-ended cubic 3t^2 - 2t^3 stretched over [0, 4] and raised by 1.
double Smooth(double x) {
  double t = x / 4.0;
  return 1.0 + 3.0 * t * t - 2.0 * t * t * t;
}

/// A spline through the knots of Smooth at `xs`.
SimpleSpline Through(const std::vector<double> &xs, double tension) {
  SimpleSpline s(static_cast<int>(xs.size()));
  for (std::size_t i = 0; i < xs.size(); ++i)
    s.set_point(static_cast<int>(i), xs[i], Smooth(xs[i]));
  s.set_tension(tension);
  s.coeff();
  return s;
}

/// The broken line through the same knots.
double Linear(const std::vector<double> &xs, double x) {
  for (std::size_t i = 1; i < xs.size(); ++i)
    if (x <= xs[i]) {
      double t = (x - xs[i - 1]) / (xs[i] - xs[i - 1]);
      return (1 - t) * Smooth(xs[i - 1]) + t * Smooth(xs[i]);
    }
  return Smooth(xs.back());
}

TEST(SimpleSplineTest, TwoPointsGiveTheFlatEndedCubic) {
  SimpleSpline s;
  EXPECT_EQ(2, s.get_points_num());
  EXPECT_EQ(2.0, s.get_tension());
  s.set_point(0, 0.0, 0.0);
  s.set_point(1, 1.0, 1.0);
  s.coeff();
  EXPECT_EQ(0.5, s.get(0.5));
  EXPECT_EQ(0.203125, s.get(0.25));
  s.set_tension(1.0);
  EXPECT_EQ(0.15625, s.get(0.25));
}

TEST(SimpleSplineTest, ReproducesACubicWithFlatEndsAndScalesByTension) {
  // A clamped spline with zero end slopes reproduces any cubic that has
  // them, whatever the knots; the tension divides the distance from the
  // broken line through the knots.
  const std::vector<double> xs = {0.0, 0.3, 1.0, 1.1, 2.5, 3.7, 4.0};
  SimpleSpline ordinary = Through(xs, 1.0);
  SimpleSpline flat = Through(xs, 2.0);
  int hint = 0;
  for (double x = 0.0; x <= 4.0; x += 0.01) {
    EXPECT_NEAR(Smooth(x), ordinary.get(x, hint), 1e-12) << x;
    double line = Linear(xs, x);
    EXPECT_NEAR(line + (Smooth(x) - line) / 2.0, flat.get(x), 1e-12) << x;
  }
  for (double x : xs) // the knots themselves
    EXPECT_NEAR(Smooth(x), ordinary.get(x), 1e-15);
}

TEST(SimpleSplineTest, FindsIntervalsWithAnyHint) {
  SimpleSpline s = Through({0.0, 1.0, 2.0, 3.0, 4.0}, 2.0);
  for (int hint = -3; hint <= 8; ++hint) {
    EXPECT_EQ(1, s.interval(0.0, hint));
    EXPECT_EQ(3, s.interval(2.5, hint));
    EXPECT_EQ(4, s.interval(4.0, hint)); // the last abscissa: the last interval
    EXPECT_EQ(0, s.interval(-0.1, hint));
    EXPECT_EQ(0, s.interval(4.1, hint));
  }
  int hint = 1;
  EXPECT_EQ(Smooth(4.0), s.get(4.0, hint));
  EXPECT_EQ(4, hint);
  EXPECT_EQ(SimpleSpline::OutOfRange, s.get(-1.0, hint));
  EXPECT_EQ(4, hint); // left alone outside
  EXPECT_EQ(3.4028234663852886e38, s.get(5.0));
  EXPECT_TRUE(std::isnan(s.get(std::nan(""))));
}

TEST(SimpleSplineTest, AddsPointsOnTheCurveAndAnnounces) {
  struct Seen {
    int Calls = 0;
    void *Data = nullptr;
  } seen;
  auto listener = [](GCallBackReason reason, void *data, void *user) {
    auto *s = static_cast<Seen *>(user);
    EXPECT_EQ(GCallBackReason(0), reason);
    ++s->Calls;
    s->Data = data;
  };
  SimpleSpline::RegisterCallback(GCallBackReason(0), listener, &seen);

  SimpleSpline s = Through({0.0, 1.0, 4.0}, 2.0);
  double before = s.get(2.5);
  ASSERT_TRUE(s.add_point(2.5));
  EXPECT_EQ(1, seen.Calls);
  EXPECT_EQ(&s, seen.Data);
  ASSERT_EQ(4, s.get_points_num());
  double x = 0, y = 0;
  s.get_point(2, x, y);
  EXPECT_EQ(2.5, x);
  EXPECT_EQ(before, y);
  EXPECT_NEAR(before, s.get(2.5), 1e-15);
  s.get_point(3, x, y);
  EXPECT_EQ(4.0, x);

  // Too close to a point (0.1 % of the width 4 is 0.004), outside, on a
  // knot, or not a number: refused, silently.
  EXPECT_FALSE(s.can_add(1.003));
  EXPECT_TRUE(s.can_add(1.005));
  for (double bad : {1.003, -1.0, 4.5, 4.0, std::nan("")})
    EXPECT_FALSE(s.add_point(bad)) << bad;
  EXPECT_EQ(4, s.get_points_num());
  EXPECT_EQ(1, seen.Calls);

  ASSERT_TRUE(s.remove_point(2));
  EXPECT_EQ(2, seen.Calls);
  EXPECT_EQ(3, s.get_points_num());
  EXPECT_NEAR(before, s.get(2.5), 1e-15); // the original knots again
  EXPECT_FALSE(s.remove_point(3));
  EXPECT_FALSE(s.remove_point(-1));
  ASSERT_TRUE(s.remove_point(0));
  EXPECT_FALSE(s.remove_point(0)); // two points are the least
  EXPECT_EQ(3, seen.Calls);

  SimpleSpline::UnRegisterCallback(GCallBackReason(0), listener, &seen);
  SimpleSpline other = Through({0.0, 1.0}, 2.0);
  other.add_point(0.5);
  EXPECT_EQ(3, seen.Calls);
}

TEST(SimpleSplineTest, CopiesOwnTheirPoints) {
  SimpleSpline a = Through({0.0, 1.0, 2.0}, 2.0);
  SimpleSpline b(a);
  SimpleSpline c;
  c = a;
  b.set_point(1, 1.0, 9.0);
  b.coeff();
  c.add_point(1.5);
  double x = 0, y = 0;
  a.get_point(1, x, y);
  EXPECT_EQ(Smooth(1.0), y);
  EXPECT_EQ(3, a.get_points_num());
  EXPECT_EQ(Through({0.0, 1.0, 2.0}, 2.0).get(1.5), a.get(1.5));
  EXPECT_EQ(4, c.get_points_num());
}

TEST(SimpleSplineTest, SmallSplinesAreSafe) {
  for (int n : {-3, 0, 1}) {
    SimpleSpline s(n);
    EXPECT_EQ(n < 0 ? 0 : n, s.get_points_num());
    s.coeff();
    EXPECT_EQ(SimpleSpline::OutOfRange, s.get(0.0));
    EXPECT_EQ(0, s.interval(0.0, 1));
    EXPECT_TRUE(s.can_add(0.0));
    EXPECT_FALSE(s.add_point(0.0));
    EXPECT_FALSE(s.remove_point(0));
  }
  SimpleSpline s = Through({0.0, 1.0, 2.0}, 1.0);
  double x = -7, y = -7;
  s.get_point(3, x, y);
  s.set_point(-1, 5.0, 5.0);
  EXPECT_EQ(-7, x);
  s.set_points_num(2); // the first points stay
  s.get_point(1, x, y);
  EXPECT_EQ(1.0, x);
  s.set_points_num(4); // new points are (0, 0)
  s.get_point(3, x, y);
  EXPECT_EQ(0.0, x);
  EXPECT_EQ(0.0, y);
}

TEST(SimpleSplineStreamTest, WritesTheDescribedRecordAndReadsItBack) {
  SimpleSpline s = Through({0.0, 0.5, 2.0}, 3.0);
  Bytes expected = {2};
  numtest::PutPrefix(expected, "SimpleSpline");
  expected.push_back(0);
  numtest::Put32(expected, 3);
  for (double x : {0.0, 0.5, 2.0}) {
    numtest::PutDouble(expected, x);
    numtest::PutDouble(expected, Smooth(x));
  }
  numtest::PutDouble(expected, 3.0);
  numtest::PutDouble(expected, 0.001);
  expected.push_back(0x5D);
  Bytes written = numtest::WrittenPointer(s);
  EXPECT_EQ(expected, written);

  std::unique_ptr<SimpleSpline> read(numtest::ReadPointer<SimpleSpline>(written));
  ASSERT_TRUE(read);
  EXPECT_EQ(3.0, read->get_tension());
  for (double x = -0.5; x <= 2.5; x += 0.01)
    EXPECT_EQ(s.get(x), read->get(x)) << x;
}

TEST(SimpleSplineStreamTest, DamagedRecordsThrowAndChangeNothing) {
  Bytes record = numtest::Written([](opstream &os) {
    SimpleSpline s = Through({0.0, 1.0, 2.0, 3.0}, 2.0);
    os.writeStreamable(s);
  });
  for (std::size_t n = 0; n + 1 < record.size(); ++n) {
    SimpleSpline target = Through({0.0, 4.0}, 1.0);
    EXPECT_THROW(numtest::ReadInto(Bytes(record.begin(), record.begin() + n), target), GException);
    EXPECT_EQ(2, target.get_points_num());
    EXPECT_EQ(1.0, target.get_tension());
    EXPECT_EQ(Smooth(1.0), target.get(1.0));
  }
  // A negative count, and a count far beyond the data, are refused.
  for (uint32_t count : {0xFFFFFFFFu, 0x7FFFFFFFu}) {
    Bytes hostile;
    numtest::PutPrefix(hostile, "SimpleSpline");
    hostile.push_back(0);
    numtest::Put32(hostile, count);
    numtest::PutDouble(hostile, 1.0);
    SimpleSpline target;
    EXPECT_THROW(numtest::ReadInto(hostile, target), NonZeroPStreamState_Exception);
  }
}

} // namespace
