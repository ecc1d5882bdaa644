// Tests of BitSet: sizes and word counts, growth when setting, counting,
// set algebra and comparisons.
#include "containers/bit_set.h"

#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(BitSetTest, SizesAndWordCounts) {
  EXPECT_EQ(2u, BitSet(32).getWordCount());
  EXPECT_EQ(1u, BitSet(31).getWordCount());
  BitSet zero(0);
  EXPECT_EQ(1u, zero.getSize());
  EXPECT_EQ(1u, BitSet().getSize());

  BitSet s(40);
  s += 39;
  s.resize(70); // words grow, the common words survive
  EXPECT_EQ(3u, s.getWordCount());
  EXPECT_TRUE(s[39]);
  s.resize(10);
  EXPECT_EQ(1u, s.getWordCount());
  EXPECT_FALSE(s[39]);
  EXPECT_THROW(s.resize(0xFFFFFFFFul), OutOfMemory_Exception);
  EXPECT_EQ(10u, s.getSize());
}

TEST(BitSetTest, SettingBeyondTheWordsResizesToTheBitNumber) {
  BitSet s(10);
  s += 100;
  EXPECT_EQ(100u, s.getSize());
  EXPECT_EQ(4u, s.getWordCount());
  EXPECT_TRUE(s[100]);
  EXPECT_EQ(0u, s.getEnabledCount()); // bit 100 lies beyond the size
  s += 99;
  EXPECT_EQ(1u, s.getEnabledCount());
  // Clearing beyond the words does nothing; reading beyond them is false.
  s -= 5000;
  EXPECT_EQ(4u, s.getWordCount());
  EXPECT_FALSE(s[5000]);
  EXPECT_FALSE(s[0xFFFFFFFFFFul]);
}

TEST(BitSetTest, CountsOnlyBitsBelowTheSize) {
  BitSet s(40);
  s.enable_all();
  EXPECT_EQ(40u, s.getEnabledCount());
  EXPECT_EQ(0u, s.getDisabledCount());
  EXPECT_FALSE(s.isEmpty());
  s.disable_all();
  EXPECT_TRUE(s.isEmpty());
  EXPECT_EQ(40u, s.getDisabledCount());
  BitSet whole(64);
  whole.set_range(0, 63, true);
  EXPECT_EQ(64u, whole.getEnabledCount());
}

TEST(BitSetTest, SetRangeMatchesBitByBit) {
  for (auto [size, a, b] : {std::tuple{10ul, 3ul, 70ul},
                            {100ul, 5ul, 37ul},
                            {5ul, 40ul, 45ul},
                            {64ul, 0ul, 200ul},
                            {33ul, 31ul, 32ul}}) {
    for (bool on : {true, false}) {
      BitSet ranged(size), single(size);
      if (!on) {
        ranged.enable_all();
        single.enable_all();
      }
      ranged.set_range(a, b, on);
      for (unsigned long i = a; i <= b; ++i)
        single.set(i, on);
      EXPECT_EQ(single.getSize(), ranged.getSize()) << size << " " << a << " " << b;
      EXPECT_EQ(single, ranged) << size << " " << a << " " << b << " " << on;
    }
  }
  BitSet s(10);
  s.set_range(5, 2, true); // empty range
  EXPECT_TRUE(s.isEmpty());
}

TEST(BitSetTest, AlgebraUsesTheCommonWords) {
  BitSet big(40), small(10);
  big += 1;
  big += 35;
  small += 2;
  small += 1;
  BitSet u = big | small;
  EXPECT_EQ(40u, u.getSize());
  EXPECT_TRUE(u[1] && u[2] && u[35]);
  EXPECT_EQ(u, big + small);

  BitSet i = big & small;
  EXPECT_TRUE(i[1]);
  EXPECT_FALSE(i[2]);
  EXPECT_TRUE(i[35]); // the second word is outside the common range
  BitSet d = big - small;
  EXPECT_FALSE(d[1]);
  EXPECT_TRUE(d[35]);
  BitSet x = big ^ small;
  EXPECT_FALSE(x[1]);
  EXPECT_TRUE(x[2]);

  BitSet s(40);
  s += 3;
  BitSet &alias = s;
  s |= alias; // with itself
  EXPECT_TRUE(s[3]);
  s ^= alias;
  EXPECT_TRUE(s.isEmpty());
}

TEST(BitSetTest, ComparisonsNeedEqualWordCounts) {
  BitSet a(40), b(40), c(10);
  a += 1;
  b += 1;
  b += 2;
  EXPECT_TRUE(a <= b);
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b > a);
  EXPECT_TRUE(b >= a);
  EXPECT_FALSE(b <= a);
  EXPECT_FALSE(a < a);
  EXPECT_TRUE(a <= a);
  c += 1;
  EXPECT_FALSE(c == a);
  EXPECT_FALSE(c <= a);
  EXPECT_FALSE(a <= c);
  // Bits beyond the size take part in equality.
  BitSet e(40), f(40);
  e += 50;
  EXPECT_NE(e, f);
}

TEST(BitSetTest, CopiesAreDeep) {
  BitSet a(40);
  a += 7;
  BitSet b = a;
  b += 8;
  EXPECT_FALSE(a[8]);
  a = b;
  EXPECT_TRUE(a[8]);
  BitSet &same = a;
  a = same;
  EXPECT_TRUE(a[8]);
}

TEST(BitSetTest, TextFormHasOneCharacterPerBit) {
  BitSet s(5);
  s += 0;
  s += 3;
  std::ostringstream out;
  out << s;
  EXPECT_EQ("10010", out.str());
}

} // namespace
