// Tbox: segment and line crossings with the box, the inscribed ellipse, radial entry points,
// polygon tests and the coarse clip (a polygon around the box becomes the box).
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/r_Geom.h"

namespace {

// The box (0,0)-(10,10).
struct Box10 : Tbox {
  Box10() { maxx = maxy = 10; }
};

TEST(Tbox, SegmentsAgainstTheBox) {
  Box10 b;
  EXPECT_TRUE(b.lineintersects(-5, 5, 15, 5));
  EXPECT_DOUBLE_EQ(b.minu, 0.25);
  EXPECT_DOUBLE_EQ(b.maxu, 0.75);
  EXPECT_FALSE(b.lineintersects(2, 2, 8, 8));
  EXPECT_FALSE(b.isOutside);
  EXPECT_FALSE(b.lineintersects(20, 20, 30, 30));
  EXPECT_TRUE(b.isOutside);
  EXPECT_FALSE(b.lineintersects(0, 0, 10, 0));  // along the edge
  EXPECT_FALSE(b.lineintersects(std::nan(""), 0, 10, 5));

  EXPECT_TRUE(b.lineintersects(Txyvalues{{20, 20}, {5, 20}, {5, 5}}));
  EXPECT_FALSE(b.lineintersects(Txyvalues{{20, 20}, {30, 20}}));
  EXPECT_TRUE(b.isOutside);
  Tdlist u;
  EXPECT_TRUE(b.lineintersects(Txyvalues{{-5, 5}, {15, 5}, {15, 20}, {5, 20}, {5, 5}}, u));
  EXPECT_EQ(u, (Tdlist{0.25, 0.75, 3 + 2.0 / 3}));
  ASSERT_EQ(b.cutXY.size(), 3u);
  EXPECT_EQ(b.cutXY[2], (xyrec{5, 10}));
  // The regular eight-sided ellipse: the diagonal crosses at 0.707 of the half side.
  EXPECT_TRUE(b.lineintersects(Txyvalues{{5, 5}, {20, 20}}, u, 8));
  ASSERT_EQ(u.size(), 1u);
  EXPECT_NEAR(b.cutXY[0].x, 5 + 5 * std::sqrt(0.5), 1e-9);
  EXPECT_FALSE(b.lineintersects(Txyvalues{{5, 5}, {6, 6}}, u, 8));
  EXPECT_FALSE(b.isOutside);
}

TEST(Tbox, RadialAndPolygonTests) {
  Box10 b;
  double x = -1, y = -1;
  EXPECT_TRUE(b.radialIntersects(20, 5, x, y));
  EXPECT_DOUBLE_EQ(x, 10);
  EXPECT_DOUBLE_EQ(y, 5);
  x = -1;
  EXPECT_FALSE(b.radialIntersects(5, 5, x, y));
  EXPECT_EQ(x, -1);

  const Txyvalues inside{{2, 2}, {2, 3}, {3, 3}, {2, 2}};
  EXPECT_TRUE(b.PolygonIntersects(2, 2, 3, 3, inside, false));
  EXPECT_FALSE(b.cutfound);
  const Txyvalues around{{-5, -5}, {-5, 15}, {15, 15}, {15, -5}, {-5, -5}};
  EXPECT_TRUE(b.PolygonIntersects(-5, -5, 15, 15, around, false));
  EXPECT_FALSE(b.PolygonIntersects(-5, -5, 15, 15, around, true));  // as a line it misses
  EXPECT_TRUE(b.PolygonIntersects(TpolyXyValues{around}, false));
  EXPECT_FALSE(b.PolygonIntersects(TpolyXyValues{{{20, 20}, {20, 30}, {30, 30}, {20, 20}}}, false));
}

TEST(Tbox, ClipPolygon) {
  Box10 b;
  TpolyXyValues strip{{{-5, 5}, {5, 5}, {5, 6}, {-5, 6}, {-5, 5}}};
  EXPECT_TRUE(b.clipPolygon(strip, -5, 5, 5, 6));
  ASSERT_EQ(strip.size(), 1u);
  for (const xyrec& p : strip[0]) {
    EXPECT_GE(p.x, 0);  // everything now in the box
    EXPECT_LE(p.x, 10);
  }
  EXPECT_EQ(strip[0][1], (xyrec{0, 5}));  // the entry point on x = 0

  // A polygon around the box is the box, not emptied; its hole outside the box goes.
  TpolyXyValues around{{{-5, -5}, {-5, 15}, {15, 15}, {15, -5}, {-5, -5}},
                       {{12, 12}, {13, 12}, {13, 13}, {12, 13}, {12, 12}}};
  EXPECT_TRUE(b.clipPolygon(around, -5, -5, 15, 15));
  ASSERT_EQ(around.size(), 1u);
  EXPECT_EQ(around[0], (Txyvalues{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}));

  TpolyXyValues away{{{20, 20}, {20, 30}, {30, 30}, {20, 20}}};
  EXPECT_TRUE(b.clipPolygon(away, 20, 20, 30, 30));
  EXPECT_TRUE(away.empty());
  TpolyXyValues within{{{2, 2}, {2, 3}, {3, 3}, {2, 2}}};
  EXPECT_FALSE(b.clipPolygon(within, 2, 2, 3, 3));
  EXPECT_EQ(within[0].size(), 4u);
}

}  // namespace
