// Tests of GPoint and GRect: construction, edges, set operations, splitting,
// clipping, platform records and arithmetic at the ends of the range.
#include "containers/point_rect.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

namespace {

TEST(PointTest, ArithmeticAndOrder) {
  GPoint p(3, -4);
  EXPECT_EQ(GPoint(-3, 4), -p);
  EXPECT_EQ(GPoint(5, -2), p + 2);
  EXPECT_EQ(GPoint(4, -3), p + GPoint(1, 1));
  EXPECT_EQ(GPoint(1, -2), p / 2); // truncation toward zero
  EXPECT_EQ(GPoint(-1, 1), p / -3);
  EXPECT_EQ(GPoint(6, -8), p * 2);
  p += GPoint(1, 1);
  p -= 1;
  EXPECT_EQ(GPoint(3, -4), p);
  EXPECT_TRUE(GPoint(1, 9) < GPoint(2, 0));
  EXPECT_TRUE(GPoint(1, 1) < GPoint(1, 2));
  EXPECT_TRUE(GPoint(1, 2) <= GPoint(1, 2));
  EXPECT_TRUE(GPoint(2, 0) > GPoint(1, 9));
  EXPECT_EQ(GPoint(INT_MIN, 1), GPoint(INT_MAX, 0) + 1); // wraps, no overflow
  EXPECT_EQ(GPoint(INT_MIN, 1), GPoint(INT_MIN, -1) / -1);
  POINT raw = GPoint(7, 8);
  EXPECT_EQ(GPoint(7, 8), GPoint(raw));
  SIZE size = GPoint(7, 8);
  EXPECT_EQ(8, size.cy);
}

TEST(RectTest, EdgesAreInclusive) {
  GRect r(0, 0, 9, 9);
  EXPECT_EQ(10, r.width());
  EXPECT_EQ(9, r.right());
  EXPECT_TRUE(r.contains(9, 9));
  EXPECT_FALSE(r.contains(10, 0));
  EXPECT_FALSE(r.contains(-1, 0));
  EXPECT_EQ(GPoint(5, 5), r.center());
  EXPECT_EQ(GPoint(0, 9), r.left_bottom());
  EXPECT_EQ(GPoint(9, 0), r.right_top());

  GRect spanned(GPoint(5, 5), GPoint(1, 2));
  EXPECT_EQ(GPoint(1, 2), spanned.left_top());
  EXPECT_EQ(GPoint(5, 4), spanned.Size());
}

TEST(RectTest, MovingEdges) {
  GRect r(10, 10, 19, 19);
  r.left(5); // the right edge stays
  EXPECT_EQ(5, r.left());
  EXPECT_EQ(19, r.right());
  r.right(30); // the origin stays
  EXPECT_EQ(26, r.width());
  r.top(15);
  EXPECT_EQ(19, r.bottom());
  r.right_bottom(GPoint(40, 40));
  EXPECT_EQ(GRect(5, 15, 40, 40), r);
  r.center(GPoint(0, 0));
  EXPECT_EQ(-18, r.left());
  EXPECT_EQ(-13, r.top());
  r.move(1, 2);
  EXPECT_EQ(GPoint(-17, -11), r.a());
  r.grow(1, 1);
  EXPECT_EQ(38, r.width());
  r.Empty();
  EXPECT_TRUE(r.isEmpty());
}

TEST(RectTest, IntersectionAndUnion) {
  GRect a(0, 0, 9, 9), b(20, 20, 29, 29), c(5, 5, 14, 14);
  EXPECT_TRUE((a & b).isEmpty());
  EXPECT_EQ(GRect(5, 5, 9, 9), a & c);
  EXPECT_EQ(GRect(0, 0, 29, 29), a | b);
  GRect empty;
  EXPECT_EQ(b, empty | b);
  EXPECT_EQ(a, a | empty);
  EXPECT_TRUE(a.contains(GRect(2, 2, 9, 9)));
  EXPECT_FALSE(a.contains(GRect(2, 2, 10, 9)));
  // Far edges beyond the 32-bit range do not overflow.
  GRect huge(INT_MAX - 1, 0, 0, 0);
  huge.width(INT_MAX);
  GRect other(0, 0, 9, 9);
  EXPECT_TRUE((huge & other).isEmpty());
}

TEST(RectTest, Splitting) {
  GRect r1, r2;
  GRect(0, 0, 9, 9).split_vertically(3, r1, r2);
  EXPECT_EQ(GRect(0, 0, 3, 9), r1);
  EXPECT_EQ(GRect(4, 0, 9, 9), r2);
  GRect(0, 0, 9, 9).split_horizontally(6, r1, r2);
  EXPECT_EQ(GRect(0, 0, 9, 6), r1);
  EXPECT_EQ(GRect(0, 7, 9, 9), r2);
}

TEST(RectTest, ClippingSpans) {
  GRect r(0, 0, 9, 9);
  int x1 = -5, x2 = 20;
  EXPECT_TRUE(r.clip_hline(x1, 3, x2));
  EXPECT_EQ(0, x1);
  EXPECT_EQ(9, x2);
  x1 = 10, x2 = 20;
  EXPECT_FALSE(r.clip_hline(x1, 3, x2));
  x1 = 0, x2 = 5;
  EXPECT_FALSE(r.clip_hline(x1, 10, x2));
  int y1 = 3, y2 = 100;
  EXPECT_TRUE(r.clip_vline(9, y1, y2));
  EXPECT_EQ(9, y2);
  EXPECT_FALSE(r.clip_vline(-1, y1, y2));
}

TEST(RectTest, ClipLineKeepsTheEndPointOrder) {
  GRect r(0, 0, 9, 9);
  int x1 = -5, y1 = 5, x2 = 15, y2 = 5;
  EXPECT_TRUE(r.clip_line(x1, y1, x2, y2));
  EXPECT_EQ(0, x1);
  EXPECT_EQ(5, y1);
  EXPECT_EQ(9, x2);
  EXPECT_EQ(5, y2);

  x1 = 15, y1 = 5, x2 = -5, y2 = 5; // the other direction
  EXPECT_TRUE(r.clip_line(x1, y1, x2, y2));
  EXPECT_EQ(9, x1);
  EXPECT_EQ(0, x2);

  x1 = -10, y1 = -10, x2 = 19, y2 = 19; // diagonal through the corners
  EXPECT_TRUE(r.clip_line(x1, y1, x2, y2));
  EXPECT_EQ(0, x1);
  EXPECT_EQ(0, y1);
  EXPECT_EQ(9, x2);
  EXPECT_EQ(9, y2);

  x1 = -5, y1 = 0, x2 = -1, y2 = 9; // entirely to the left
  EXPECT_FALSE(r.clip_line(x1, y1, x2, y2));
  x1 = -5, y1 = 8, x2 = 3, y2 = 20; // misses the corner
  EXPECT_FALSE(r.clip_line(x1, y1, x2, y2));
  x1 = 2, y1 = 3, x2 = 4, y2 = 5; // inside
  EXPECT_TRUE(r.clip_line(x1, y1, x2, y2));
  EXPECT_EQ(2, x1);
  EXPECT_EQ(5, y2);
}

TEST(RectTest, ClipLineWithExtremeCoordinates) {
  GRect r(-100, -100, 100, 100);
  int x1 = INT_MIN, y1 = INT_MIN, x2 = INT_MAX, y2 = INT_MAX;
  EXPECT_TRUE(r.clip_line(x1, y1, x2, y2));
  EXPECT_EQ(-100, x1);
  EXPECT_EQ(-100, y1);
  EXPECT_EQ(100, x2);
  EXPECT_EQ(100, y2);
}

TEST(RectTest, PlatformRectangleRoundTrip) {
  GRect r(3, 4, 10, 20);
  RECT raw = r;
  EXPECT_EQ(11, raw.right); // exclusive
  EXPECT_EQ(21, raw.bottom);
  EXPECT_EQ(r, GRect(raw));
}

TEST(RectTest, ScalingAndTextForm) {
  GRect r(2, 4, 5, 7); // origin (2, 4), size (4, 4)
  EXPECT_EQ(GRect(4, 8, 11, 15), r * 2);
  EXPECT_EQ(GRect(1, 2, 2, 3), r / 2);
  EXPECT_EQ(GRect(3, 5, 6, 8), r + GPoint(1, 1));
  std::ostringstream out;
  out << r << " / " << GPoint(-1, 2);
  EXPECT_EQ("2 4 4 4 / -1 2", out.str());
}

} // namespace
