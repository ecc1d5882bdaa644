// Tests of the Math helpers: the clamped arc cosine, the random source of
// each thread, vector helpers, fractal displacement and bilinear resampling.
#include "numerics/math_utilities.h"
#include "numerics/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace {

// Taken while the test program starts, on the thread that loaded the library.
const long FirstOfLoadingThread = Math::LRand();

TEST(MathTest, AcosIsClampedToItsDomain) {
  EXPECT_EQ(0.0, Math::acos(1.5));
  EXPECT_EQ(0.0, Math::acos(1.0));
  EXPECT_EQ(0.0, Math::acos(1.0000000000000002));
  EXPECT_EQ(std::numbers::pi, Math::acos(-2.0));
  EXPECT_EQ(std::numbers::pi, Math::acos(-1.0));
  EXPECT_EQ(std::acos(0.5), Math::acos(0.5));
  EXPECT_EQ(std::acos(-0.999999999), Math::acos(-0.999999999));
  EXPECT_TRUE(std::isnan(Math::acos(NAN)));
}

TEST(MathRandomTest, FollowsTheRecurrenceFromItsStartingStates) {
  EXPECT_EQ(Random_Long(1).get_next(), FirstOfLoadingThread);
  Math::SetRand(0);
  EXPECT_EQ(453816693, Math::LRand());
  EXPECT_EQ(1623591814, Math::LRand());
  // A thread that never set its state starts from 0.
  long fresh = 0;
  std::thread([&fresh] { fresh = Math::LRand(); }).join();
  EXPECT_EQ(453816693, fresh);
  // A negative seed counts modulo 2^32, as the 32-bit state holds it.
  Math::SetRand(-5);
  Random_Long negative(-5);
  EXPECT_EQ(negative.get_next(), Math::LRand());
}

TEST(MathRandomTest, DerivedNumbersUseConsecutiveStates) {
  Math::SetRand(23011965);
  Random_Long g(23011965);
  EXPECT_EQ(g.get_next() * 0x1p-31, Math::Rand());
  EXPECT_EQ((2.0 * (g.get_next() * 0x1p-31) - 1.0) * 3.5, Math::Rand(3.5));
  double u1 = g.get_next() * 0x1p-31, u2 = g.get_next() * 0x1p-31;
  EXPECT_EQ(std::cos(2.0 * std::numbers::pi * u2) * std::sqrt(-2.0 * std::log(u1)), Math::Gauss());
  // The state before 0: u1 = 0 would give an infinite value.
  ASSERT_EQ(0, Random_Long::Step(1093556503));
  Math::SetRand(1093556503);
  double angle = 2.0 * std::numbers::pi * (453816693 * 0x1p-31);
  EXPECT_EQ(std::cos(angle) * std::sqrt(-2.0 * std::log(0x1p-32)), Math::Gauss());
}

TEST(MathRandomTest, EachThreadKeepsItsOwnReproducibleSequence) {
  constexpr int kCount = 20000;
  auto run = [](long seed, std::vector<long> &out) {
    Math::SetRand(seed);
    for (int i = 0; i < kCount; ++i)
      out.push_back(Math::LRand());
  };
  std::vector<long> a, b;
  std::thread ta(run, 11, std::ref(a)), tb(run, 12, std::ref(b));
  ta.join();
  tb.join();
  Random_Long ga(11), gb(12);
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(ga.get_next(), a[i]) << i;
    ASSERT_EQ(gb.get_next(), b[i]) << i;
  }
}

TEST(MathTest, DifVectComparesRelativeDifferences) {
  Vector3D a(1, 0, 0);
  EXPECT_FALSE(Math::DifVect(a, a, 0.0));
  EXPECT_FALSE(Math::DifVect(a, Vector3D(1 + 1e-13, 0, 0), 0.0)); // within the tolerance
  EXPECT_TRUE(Math::DifVect(a, Vector3D(1.1, 0, 0), 0.05));       // 0.1 / 1.1
  EXPECT_FALSE(Math::DifVect(a, Vector3D(1.1, 0, 0), 0.1));
  EXPECT_TRUE(Math::DifVect(Vector3D(), Vector3D(0, 0, 2), 1.0));
}

TEST(MathTest, HermitSplineRunsFromP0ToP1AlongTheTangents) {
  Vector3D p0(0, 0, 0), p1(4, 2, 0), t0(1, 0, 0), t1(0, 3, 1);
  EXPECT_EQ(p0, Math::HermitSpline(p0, p1, t0, t1, 0.0));
  EXPECT_EQ(p1, Math::HermitSpline(p0, p1, t0, t1, 1.0));
  double s = 0.25;
  Vector3D expected = p0 * (2 * s * s * s - 3 * s * s + 1) + p1 * (-2 * s * s * s + 3 * s * s) +
                      t0 * (s * (1 - s) * (1 - s)) - t1 * (s * s * (1 - s));
  Vector3D got = Math::HermitSpline(p0, p1, t0, t1, s);
  EXPECT_NEAR(0.0, (got - expected).length(), 1e-14);
  // The slope at the ends is the tangent.
  double h = 1e-6;
  Vector3D d0 = (Math::HermitSpline(p0, p1, t0, t1, h) - p0) / h;
  Vector3D d1 = (p1 - Math::HermitSpline(p0, p1, t0, t1, 1 - h)) / h;
  EXPECT_NEAR(0.0, (d0 - t0).length(), 1e-4);
  EXPECT_NEAR(0.0, (d1 - t1).length(), 1e-4);
}

TEST(MathTest, FractDisplacesAroundTheWeightedMeanHeight) {
  Vector3D a(1, 0, 2), b(0, 2, 4), c(-1, 0, 2), d(0, -2, 4);
  // The root mean square of the heights, weighted by 1 / squared distance.
  auto rms = [&](const Vector3D &p) {
    double sum = 0, weights = 0;
    for (const Vector3D &k : {a, b, c, d}) {
      double w = 1.0 / (p - k).sqlength();
      sum += w * k.z * k.z;
      weights += w;
    }
    return std::sqrt(sum / weights);
  };
  for (double height : {1.0, -1.0}) {
    Vector3D p(0.5, 0.25, height);
    double r = height < 0 ? -rms(p) : rms(p);
    Math::SetRand(99);
    double expected = r + (2.0 * (Random_Long(99).get_next() * 0x1p-31) - 1.0) * (r - height);
    Vector3D got = Math::Fract(p, a, b, c, d);
    EXPECT_EQ(0.5, got.x);
    EXPECT_EQ(0.25, got.y);
    EXPECT_DOUBLE_EQ(expected, got.z) << height;
  }
  // A neighbour on p itself decides alone instead of making 0 / 0.
  Vector3D p(0, 0, 1);
  EXPECT_DOUBLE_EQ(1.0, Math::Fract(p, p, b, c, d).z); // D = 1, D - p.z = 0
}

TEST(MathTest, BilinearResamplesCornersAndInterpolates) {
  FMatrix source(2, 2), target(3, 3);
  source(0, 0) = 0, source(0, 1) = 1, source(1, 0) = 2, source(1, 1) = 3;
  Math::bilinear(&source, &target);
  const float expected[3][3] = {{0, 0.5f, 1}, {1, 1.5f, 2}, {2, 2.5f, 3}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_FLOAT_EQ(expected[i][j], target(i, j)) << i << "," << j;

  // A single source row or column interpolates along the other index only.
  FMatrix row(1, 3), wide(2, 5);
  row(0, 0) = 0, row(0, 1) = 10, row(0, 2) = 20;
  Math::bilinear(&row, &wide);
  for (int j = 0; j < 5; ++j) {
    EXPECT_FLOAT_EQ(5.0f * j, wide(0, j));
    EXPECT_FLOAT_EQ(5.0f * j, wide(1, j));
  }
  // A single target row samples the first source row instead of dividing by
  // zero; an empty source or a null matrix changes nothing.
  FMatrix one(1, 3);
  Math::bilinear(&source, &one);
  EXPECT_FLOAT_EQ(0.0f, one(0, 0));
  EXPECT_FLOAT_EQ(0.5f, one(0, 1));
  EXPECT_FLOAT_EQ(1.0f, one(0, 2));
  FMatrix empty(0, 0);
  one = 7.0f;
  Math::bilinear(&empty, &one);
  Math::bilinear(nullptr, &one);
  EXPECT_FLOAT_EQ(7.0f, one(0, 1));
}

} // namespace
