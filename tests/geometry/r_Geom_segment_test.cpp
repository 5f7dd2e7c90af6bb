// TlinesIntersect: meetings within the snap (crossings, touches at ends, the same segment either
// way), tee junctions, distances and directions.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/r_Geom.h"

namespace {

struct Seg {
  double x1, y1, x2, y2, x3, y3, x4, y4;
};

void set(TlinesIntersect& li, const Seg& s) {
  li.setA(s.x1, s.y1, s.x2, s.y2);
  li.setB(s.x3, s.y3, s.x4, s.y4);
}

TEST(TlinesIntersect, MeetingsAndFlags) {
  struct {
    const char* id;
    Seg s;
    bool meets;
    double ua, ub, x0, y0;
    bool endtoend, congruent, overlaps, sameLine;
  } const cases[] = {
      {"cross", {0, 0, 10, 0, 5, -5, 5, 5}, true, 0.5, 0.5, 5, 0, false, false, false, false},
      {"B starts on A", {0, 0, 10, 0, 5, 0, 5, 5}, true, 0.5, 0, 5, 0, true, false, false, false},
      {"touch within snap", {0, 0, 10, 0, 10.00005, -1, 10.00005, 1}, true, 1, 0.5, 10, 0, true, false, false, false},
      {"beyond the snap", {0, 0, 10, 0, 10.001, -1, 10.001, 1}, false, 0, 0, 0, 0, false, false, false, false},
      {"end of B within snap", {5, -5, 5, 5, 0, 0, 4.99995, 0}, true, 0.5, 1, 5, 0, true, false, false, false},
      {"same segment", {0, 0, 10, 0, 0, 0, 10, 0}, true, 0, 1, 0, 0, true, true, true, true},
      {"reversed", {0, 0, 10, 0, 10, 0, 0, 0}, true, 1, 0, 0, 0, true, false, true, true},
      {"B inside A", {0, 0, 10, 0, 2, 0, 4, 0}, false, 0, 0, 0, 0, false, false, true, true},
      {"partial overlap", {0, 0, 10, 0, 5, 0, 15, 0}, false, 0, 0, 0, 0, false, false, false, true},
      {"collinear apart", {0, 0, 10, 0, 20, 0, 30, 0}, false, 0, 0, 0, 0, false, false, false, true},
      {"parallel", {0, 0, 10, 0, 0, 1, 10, 1}, false, 0, 0, 0, 0, false, false, false, false},
      {"B a point on A", {0, 0, 10, 0, 5, 0, 5, 0}, false, 0, 0, 0, 0, false, false, true, true},
      {"A a point", {5, 0, 5, 0, 0, 0, 10, 0}, false, 0, 0, 0, 0, false, false, false, true},
      {"NaN", {0, 0, NAN, 0, 5, -5, 5, 5}, false, 0, 0, 0, 0, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TlinesIntersect li;
    set(li, c.s);
    EXPECT_EQ(li.intersects(), c.meets);
    EXPECT_EQ(li.endtoend(), c.endtoend);
    EXPECT_EQ(li.congruent(), c.congruent);
    EXPECT_EQ(li.overlaps(), c.overlaps);
    EXPECT_EQ(li.inSameLine(), c.sameLine);
    if (!c.meets) continue;
    EXPECT_NEAR(li.U1(), c.ua, 1e-12);
    EXPECT_NEAR(li.U2(), c.ub, 1e-12);
    EXPECT_NEAR(li.x0(), c.x0, 1e-12);
    EXPECT_NEAR(li.y0(), c.y0, 1e-12);
  }
}

TEST(TlinesIntersect, SnappedEndsAreExactAndFlagged) {
  TlinesIntersect li;
  set(li, {0, 0, 10, 0, 10.00005, -1, 10.00005, 1});
  ASSERT_TRUE(li.intersects());
  EXPECT_EQ(li.U1(), 1.0);
  EXPECT_TRUE(li.end2);
  EXPECT_EQ(li.x0(), 10.0);
  set(li, {5, -5, 5, 5, 0, 0, 4.99995, 0});
  ASSERT_TRUE(li.intersects());
  EXPECT_EQ(li.U2(), 1.0);
  EXPECT_TRUE(li.end4);
  EXPECT_FALSE(li.end3);
}

TEST(TlinesIntersect, OverlapExtents) {
  TlinesIntersect li;
  double a = 0, b = 0, c = 0, d = 0;
  set(li, {0, 0, 10, 0, 2, 0, 4, 0});
  li.intersects();
  li.getOverlap(a, b, c, d);
  EXPECT_DOUBLE_EQ(a, 0.2);
  EXPECT_DOUBLE_EQ(b, 0.4);
  EXPECT_DOUBLE_EQ(c, -1);
  EXPECT_DOUBLE_EQ(d, 4);
  set(li, {0, 0, 10, 0, 10, 0, 0, 0});
  li.intersects();
  li.getOverlap(a, b, c, d);
  EXPECT_EQ((std::vector<double>{a, b, c, d}), (std::vector<double>{0, 1, 1, 0}));
}

TEST(TlinesIntersect, TeeJunction) {
  TlinesIntersect li;
  set(li, {0, 0, 10, 0, 5, 0, 5, 5});
  EXPECT_TRUE(li.TeeJunction());
  set(li, {5, 0, 5, 5, 0, 0, 10, 0});
  EXPECT_TRUE(li.TeeJunction());
  set(li, {0, 0, 10, 0, 5, 0.001, 5, 5});
  EXPECT_FALSE(li.TeeJunction());
}

TEST(TlinesIntersect, Distance) {
  struct {
    const char* id;
    Seg s;
    double d, xa, ya, xb, yb;
  } const cases[] = {
      {"foot on A", {0, 0, 10, 0, 3, 2, 7, 5}, 2, 3, 0, 3, 2},
      {"ends only", {0, 0, 1, 0, 3, 1, 4, 1}, std::sqrt(5.0), 1, 0, 3, 1},
      {"crossing", {0, 0, 10, 10, 0, 10, 10, 0}, 0, 5, 5, 5, 5},
      {"touch", {0, 0, 10, 0, 5, 0, 5, 5}, 0, 5, 0, 5, 0},
      {"points", {0, 0, 0, 0, 3, 4, 3, 4}, 5, 0, 0, 3, 4},
      {"point and segment", {5, 3, 5, 3, 0, 0, 10, 0}, 3, 5, 3, 5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TlinesIntersect li;
    set(li, c.s);
    EXPECT_NEAR(li.Distance(), c.d, 1e-12);
    EXPECT_NEAR(li.closestXa, c.xa, 1e-12);
    EXPECT_NEAR(li.closestYa, c.ya, 1e-12);
    EXPECT_NEAR(li.closestXb, c.xb, 1e-12);
    EXPECT_NEAR(li.closestYb, c.yb, 1e-12);
  }
}

TEST(TlinesIntersect, AnglesAreBearingsCachedUntilMoved) {
  TlinesIntersect li;
  li.setA(0, 0, 0, 5);
  EXPECT_EQ(li.angle1(), 0);
  li.setx2(5);
  li.sety2(0);
  EXPECT_DOUBLE_EQ(li.angle1(), M_PI / 2);
  li.setx2(-5);
  EXPECT_DOUBLE_EQ(li.angle1(), -M_PI / 2);
  li.setA(0, 0, 0, -5);
  EXPECT_DOUBLE_EQ(li.angle1(), M_PI);
  li.setB(0, 0, 0, 0);
  EXPECT_DOUBLE_EQ(li.angle2(), M_PI / 2);
}

}  // namespace
