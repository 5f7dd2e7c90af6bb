// Hit tests of stored objects by type: point, circle, box, polygon and line queries, the hit
// record they leave, the skipped pre-test of a zero box, and snaptocorners left as it was.
#include <gtest/gtest.h>

#include "geometry/r_Geom.h"

namespace {

const TpolyXyValues kLine{{{0, 0}, {10, 0}}};
const TpolyXyValues kHoled{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}}};
const TpolyXyValues kPoint{{{3, 3}}};

TEST(TlineManHit, PointHitOnALine) {
  TlineMan lm;
  struct {
    double x, y;
    int32_t hittype, vertex;
    double u, hx, hy;
  } const cases[] = {{5, 0.01, 2, 0, 0.5, 5, 0}, {0.05, 0, 14, 0, 0, 0, 0}, {9.95, 0, 22, 1, 0, 10, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    ASSERT_TRUE(lm.PointHit(kLine, o_line, 0, 0, 10, 0, c.x, c.y, 0.1));
    EXPECT_EQ(lm.hit().hittype, c.hittype);
    EXPECT_EQ(lm.hit().vertex, c.vertex);
    EXPECT_NEAR(lm.hit().u, c.u, 1e-12);
    EXPECT_NEAR(lm.hit().x, c.hx, 1e-12);
    EXPECT_NEAR(lm.hit().y, c.hy, 1e-12);
    EXPECT_EQ(lm.hit().obType, o_line);
    EXPECT_EQ(lm.hit().xy, kLine);
    EXPECT_FALSE(lm.snaptocorners);  // left as it was found
  }
  EXPECT_FALSE(lm.PointHit(kLine, o_line, 0, 0, 10, 0, 5, 1, 0.1));
  lm.snaptocorners = true;
  EXPECT_TRUE(lm.PointHit(kLine, o_line, 0, 0, 10, 0, 5, 0, 0.1));
  EXPECT_TRUE(lm.snaptocorners);
}

TEST(TlineManHit, PointAndCircleOnPointsAndPolygons) {
  TlineMan lm;
  ASSERT_TRUE(lm.CircleHit(kPoint, o_point, 0, 0, 0, 0, 3.5, 3.5, 1));
  EXPECT_EQ(lm.hit().hittype, 36);
  EXPECT_EQ(lm.hit().x, 3);
  EXPECT_FALSE(lm.CircleHit(kPoint, o_point, 0, 0, 0, 0, 5, 5, 1));
  ASSERT_TRUE(lm.PointHit(kHoled, o_polyGon, 0, 0, 10, 10, 2, 2, 0.1));
  EXPECT_EQ(lm.hit().hittype, 1);
  EXPECT_EQ(lm.hit().x, 2);
  EXPECT_EQ(lm.lastx, 2);
  EXPECT_FALSE(lm.PointHit(kHoled, o_polyGon, 0, 0, 10, 10, 5, 5, 0.1));  // in the hole
  ASSERT_TRUE(lm.PointHit(kHoled, o_vectorheader, 0, 0, 10, 10, 5, 4.05, 0.1));
  EXPECT_EQ(lm.hit().loop, 1);
  EXPECT_FALSE(lm.PointHit(kHoled, o_polyGon, 0, 0, 10, 10, 20, 20, 0.1));  // pre-test
  EXPECT_FALSE(lm.PointHit(kHoled, 99, 0, 0, 10, 10, 2, 2, 0.1));
  EXPECT_FALSE(lm.PointHit(TpolyXyValues{}, o_polyGon, 0, 0, 10, 10, 2, 2, 0.1));
  // A zero box skips the circle's pre-test; a box given is tested.
  EXPECT_TRUE(lm.CircleHit(kHoled, o_polyGon, 0, 0, 0, 0, 2, 2, 0.5));
  EXPECT_FALSE(lm.CircleHit(kHoled, o_polyGon, 50, 50, 60, 60, 2, 2, 0.5));
}

TEST(TlineManHit, BoxPolyAndLineQueries) {
  TlineMan lm;
  EXPECT_TRUE(lm.BoxHit(kHoled, o_polyGon, 0, 0, 0, 0, 1, 1, 2, 2));  // wholly inside: its corner is
  EXPECT_EQ(lm.hit().hittype, 1);
  EXPECT_EQ(lm.hit().x, 1.5);
  EXPECT_FALSE(lm.BoxHit(kHoled, o_polyGon, 0, 0, 0, 0, 4.5, 4.5, 5.5, 5.5));  // in the hole
  EXPECT_TRUE(lm.BoxHit(kHoled, o_polyGon, 0, 0, 0, 0, 3, 3, 5, 5));
  EXPECT_EQ(lm.hit().loop, 1);
  const TpolyXyValues diag{{{0, 0}, {10, 10}}};
  EXPECT_FALSE(lm.BoxHit(diag, o_line, 0, 0, 10, 10, 6, 1, 8, 3));  // in the line's box, off the line
  EXPECT_TRUE(lm.BoxHit(diag, o_line, 0, 0, 10, 10, 4, 3, 6, 5));
  EXPECT_TRUE(lm.BoxHit(kPoint, o_point, 3, 3, 3, 3, 2, 2, 4, 4));
  EXPECT_EQ(lm.hit().hittype, 36);

  const TpolyXyValues fence{{{1, 1}, {1, 3}, {3, 3}, {3, 1}, {1, 1}}};
  EXPECT_TRUE(lm.PolyHit(kHoled, o_polyGon, 0, 0, 10, 10, fence));  // fence inside the polygon
  EXPECT_TRUE(lm.PolyHit(diag, o_line, 0, 0, 10, 10, fence));
  EXPECT_FALSE(lm.PolyHit(kLine, o_line, 0, 0, 0, 0, TpolyXyValues{{{1, 1}, {1, 3}, {3, 3}, {1, 1}}}));
  EXPECT_TRUE(lm.PolyHit(TpolyXyValues{{{2, 2.5}}}, o_point, 0, 0, 0, 0, fence));
  // A line that only touches the fence at its corner is hit.
  EXPECT_TRUE(lm.PolyHit(TpolyXyValues{{{3, 3}, {5, 5}}}, o_line, 0, 0, 0, 0, fence));
  EXPECT_FALSE(lm.PolyHit(TpolyXyValues{{{3.1, 3.1}, {5, 5}}}, o_line, 0, 0, 0, 0, fence));

  const Txyvalues query{{-1, 5}, {2, 5}};
  EXPECT_TRUE(lm.LineHit(kHoled, o_polyGon, 0, 0, 10, 10, query, 0));
  EXPECT_FALSE(lm.LineHit(kHoled, o_vectorheader, 0, 0, 10, 10, query, 0));  // never a polygon here
  EXPECT_TRUE(lm.LineHit(kLine, o_line, 0, 0, 10, 0, Txyvalues{{5, 0.05}, {6, 1}}, 0.1));
  EXPECT_FALSE(lm.LineHit(kLine, o_line, 0, 0, 10, 0, Txyvalues{{5, 0.5}, {6, 1}}, 0.1));
  EXPECT_TRUE(lm.LineHit(kPoint, o_point, 0, 0, 0, 0, Txyvalues{{0, 3}, {6, 3}}, 0.01));
  EXPECT_TRUE(lm.LineHit(kHoled, o_polyGon, 0, 0, 0, 0, Txyvalues{{1, 1}, {2, 2}}, 0));
  EXPECT_EQ(lm.hit().hittype, 0);
  EXPECT_EQ(lm.hit().obType, o_polyGon);
}

}  // namespace
