// Tests of the random generators: the recurrence against 64-bit arithmetic,
// known first values, the uniform and normal transforms, reset and copies,
// and the stream form (bytes, round trips, damaged records).
#include "numerics/random.h"

#include "math_module.h"
#include "numerics_test_support.h"
#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>

namespace {

using numtest::Bytes;

constexpr uint64_t kA = 843314861, kC = 453816693, kModulus = uint64_t(1) << 31;

/// The recurrence in 64-bit arithmetic: (a * state + c) mod 2^31.
int64_t Next(int64_t state) {
  uint64_t s = static_cast<uint64_t>(state) & (kModulus - 1);
  return static_cast<int64_t>((kA * s + kC) % kModulus);
}

/// The state that Next takes to `state` (through the inverse of a mod 2^31).
int64_t Previous(int64_t state) {
  uint64_t inverse = 1; // Newton's iteration for the inverse of an odd number
  for (int i = 0; i < 6; ++i)
    inverse = inverse * (2 - kA * inverse);
  return static_cast<int64_t>((static_cast<uint64_t>(state) + kModulus - kC) * inverse % kModulus);
}

TEST(RandomLongTest, KnownFirstValues) {
  EXPECT_EQ(1297131554, Random_Long(1).get_next());
  Random_Long zero(0);
  EXPECT_EQ(453816693, zero.get_next());
  EXPECT_EQ(1623591814, zero.get_next());
  EXPECT_EQ(1681006062, Random_Long().get_next());
  EXPECT_EQ(23011965, Random_Long().get_seed());
}

TEST(RandomLongTest, FollowsTheRecurrenceBitForBit) {
  for (long seed : {0L, 1L, 23011965L, -1L, -5L, 0x7FFFFFFFL, -0x7FFFFFFFL - 1, 1693666955L}) {
    Random_Long r(seed);
    int64_t expected = seed;
    for (int i = 0; i < 20000; ++i) {
      expected = Next(expected);
      long state = r.get_next();
      ASSERT_EQ(expected, state) << "seed " << seed << " step " << i;
      ASSERT_TRUE(state >= 0 && state < 0x80000000L);
    }
  }
  // A seed wider than 32 bits counts modulo 2^32.
  Random_Long wide(0x100000007L);
  EXPECT_EQ(7, wide.get_seed());
  EXPECT_EQ(Random_Long(7).get_next(), wide.get_next());
}

TEST(RandomLongTest, ResetAndCopiesRepeatTheSequence) {
  Random_Long r(42);
  long first = r.get_next(), second = r.get_next();
  Random_Long copy(r);
  EXPECT_EQ(copy.get_next(), r.get_next());
  r.reset();
  EXPECT_EQ(42, r.get_state());
  EXPECT_EQ(first, r.get_next());
  EXPECT_EQ(second, r.get_next());
  copy = r;
  EXPECT_EQ(r.get_next(), copy.get_next());
}

TEST(RangeRandomTest, ScalesTheStateIntoTheRange) {
  RangeRandom r(7, 2.0, 4.0);
  int64_t state = 7;
  for (int i = 0; i < 1000; ++i) {
    state = Next(state);
    double v = r.get_next();
    EXPECT_EQ(2.0 + static_cast<double>(state) * 0x1p-30, v);
    EXPECT_EQ(v, r.current()); // current() repeats
  }
  // The extreme states: 0 gives the minimum, 2^31 - 1 stays below the
  // maximum.
  RangeRandom low(Previous(0), 2.0, 4.0);
  EXPECT_EQ(2.0, low.get_next());
  RangeRandom high(Previous(0x7FFFFFFF), 2.0, 4.0);
  EXPECT_EQ(4.0 - 0x1p-30, high.get_next());

  RangeRandom unit;
  EXPECT_EQ(0x1p-31, unit.get_step());
  EXPECT_EQ(1681006062 * 0x1p-31, unit.get_next());
  unit.get_next();
  unit.reset();
  EXPECT_EQ(1681006062 * 0x1p-31, unit.get_next());
}

/// The Box-Muller value of the pair (u1, angle state).
double BoxMuller(double u1, int64_t state, double sigma) {
  return std::sqrt(-2.0 * std::log(u1)) *
         std::cos(static_cast<double>(state) * 2.0 * std::numbers::pi * 0x1p-31) * sigma;
}

TEST(GaussRandomTest, UsesConsecutivePairsOfStates) {
  GaussRandom g(1234, 2.5);
  // After reset the pair is (seed, next state).
  EXPECT_DOUBLE_EQ(BoxMuller(1234 * 0x1p-31, Next(1234), 2.5), g.current());
  int64_t state = Next(1234);
  for (int i = 0; i < 100; ++i) {
    int64_t u = Next(state);
    state = Next(u);
    EXPECT_DOUBLE_EQ(BoxMuller(static_cast<double>(u) * 0x1p-31, state, 2.5), g.get_next());
  }
  GaussRandom copy(g);
  EXPECT_EQ(g.get_next(), copy.get_next());
  g.reset();
  EXPECT_DOUBLE_EQ(BoxMuller(1234 * 0x1p-31, Next(1234), 2.5), g.current());
}

TEST(GaussRandomTest, IsNormallyDistributed) {
  GaussRandom g;
  const int n = 200000;
  double sum = 0.0, squares = 0.0;
  int beyondTwoSigma = 0;
  for (int i = 0; i < n; ++i) {
    double v = g.get_next();
    sum += v;
    squares += v * v;
    beyondTwoSigma += std::fabs(v) > 2.0;
  }
  EXPECT_NEAR(0.0, sum / n, 0.01);
  EXPECT_NEAR(1.0, squares / n, 0.02);
  EXPECT_NEAR(0.0455, double(beyondTwoSigma) / n, 0.003);
}

TEST(GaussRandomTest, EveryValueIsFinite) {
  // A uniform of 0 (seed 0 after reset, or a state of 0 in the sequence)
  // counts as 2^-32 instead of taking the logarithm of 0.
  GaussRandom zero(0, 1.0);
  EXPECT_DOUBLE_EQ(BoxMuller(0x1p-32, Next(0), 1.0), zero.current());
  GaussRandom toZero(Previous(Previous(0)), 1.0);
  double v = toZero.get_next();
  EXPECT_EQ(0.0, toZero.get_first_uniform());
  EXPECT_DOUBLE_EQ(BoxMuller(0x1p-32, Next(0), 1.0), v);
  // A negative seed counts modulo 2^31 for the first uniform too.
  GaussRandom negative(-5, 1.0);
  EXPECT_DOUBLE_EQ(BoxMuller((0x80000000L - 5) * 0x1p-31, Next(-5), 1.0), negative.current());
}

TEST(RandomClassesTest, AreRegisteredByVyxMath) {
  const GMetaClass *number = GMetaClass::FindByName("Random_Number");
  ASSERT_NE(nullptr, number);
  EXPECT_EQ(nullptr, number->getBuilder());
  for (const char *name : {"Random_Long", "RangeRandom", "GaussRandom"}) {
    const GMetaClass *m = GMetaClass::FindByName(name);
    ASSERT_NE(nullptr, m) << name;
    EXPECT_NE(nullptr, m->getBuilder());
    EXPECT_EQ(vyx::MathModuleHandle, m->getModule());
  }
  EXPECT_TRUE(GaussRandom().isKindOf(&Random_Number::metaclass_));
  EXPECT_FALSE(Random_Long().isKindOf(&Random_Number::metaclass_));
}

TEST(RandomStreamTest, WritesTheDescribedRecords) {
  RangeRandom r(-2, 1.0, 3.0);
  r.get_next();
  Bytes expected;
  expected.push_back(2);
  numtest::PutPrefix(expected, "RangeRandom");
  expected.push_back(0);
  numtest::PutPrefix(expected, "Random_Long");
  expected.push_back(0);
  numtest::Put32(expected, 0xFFFFFFFE);
  numtest::Put32(expected, static_cast<uint32_t>(Next(-2)));
  expected.push_back(0x5D);
  numtest::PutDouble(expected, 1.0);
  numtest::PutDouble(expected, 2.0 * 0x1p-31);
  expected.push_back(0x5D);
  EXPECT_EQ(expected, numtest::WrittenPointer(r));
}

TEST(RandomStreamTest, ReadGeneratorsContinueTheSequence) {
  RangeRandom range(99, -1.0, 1.0);
  GaussRandom gauss(77, 3.0);
  for (int i = 0; i < 5; ++i) {
    range.get_next();
    gauss.get_next();
  }
  std::unique_ptr<RangeRandom> rangeRead(
      numtest::ReadPointer<RangeRandom>(numtest::WrittenPointer(range)));
  std::unique_ptr<GaussRandom> gaussRead(
      numtest::ReadPointer<GaussRandom>(numtest::WrittenPointer(gauss)));
  ASSERT_TRUE(rangeRead && gaussRead);
  EXPECT_EQ(range.current(), rangeRead->current());
  EXPECT_EQ(gauss.current(), gaussRead->current());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(range.get_next(), rangeRead->get_next());
    EXPECT_EQ(gauss.get_next(), gaussRead->get_next());
  }
  rangeRead->reset();
  range.reset();
  EXPECT_EQ(range.get_next(), rangeRead->get_next());
}

TEST(RandomStreamTest, DamagedRecordsThrowAndChangeNothing) {
  GaussRandom source(5, 2.0);
  Bytes record = numtest::Written([&](opstream &os) { os.writeStreamable(source); });
  // (Without its last byte, the closing marker, the record's data has been
  // read in full: only the stream reports the damage.)
  for (std::size_t n = 0; n + 1 < record.size(); ++n) {
    GaussRandom target(11, 0.5);
    double before = target.current();
    EXPECT_THROW(numtest::ReadInto(Bytes(record.begin(), record.begin() + n), target), GException)
        << n;
    EXPECT_EQ(before, target.current()) << n;
    EXPECT_EQ(11, target.generator().get_seed()) << n;
    EXPECT_EQ(0.5, target.get_sigma()) << n;
  }
  GaussRandom whole(11, 0.5);
  numtest::ReadInto(record, whole);
  EXPECT_EQ(source.current(), whole.current());
}

} // namespace
