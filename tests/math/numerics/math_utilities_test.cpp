// Tests of the Math helpers built so far: the clamped arc cosine.
#include "numerics/math_utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

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

} // namespace
