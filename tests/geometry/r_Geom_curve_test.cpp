// Tsinuous: straight runs stay straight, closed rings are smooth at their start, sampling and
// clamping of u, and curves too short to have pieces.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/r_Geom.h"

namespace {

TEST(Tsinuous, PointsAlongTheCurve) {
  createTrig();
  Tsinuous c;
  c.setXY(Txyvalues{{0, 0}, {0, 5}, {0, 10}});
  double x = 9, y = 9;
  c.getXY(x, y, 0.5);
  EXPECT_NEAR(x, 0, 1e-12);
  EXPECT_NEAR(y, 5, 1e-12);
  c.getXY(x, y, 0.25);
  EXPECT_NEAR(x, 0, 1e-12);  // a straight run stays on its line
  c.getXY(x, y, -3);
  EXPECT_EQ((xyrec{x, y}), (xyrec{0, 0}));
  c.getXY(x, y, 7);
  EXPECT_EQ((xyrec{x, y}), (xyrec{0, 10}));
  EXPECT_NEAR(c.totalLength(), 10, 1e-9);

  Tsinuous two;
  two.setXY(Txyvalues{{0, 0}, {4, 0}});
  EXPECT_DOUBLE_EQ(two.totalLength(), 4);
  two.getXY(x, y, 0.25);
  EXPECT_DOUBLE_EQ(x, 1);
  Txyvalues samples;
  two.GetXY(samples, 100);
  EXPECT_EQ(samples, (Txyvalues{{0, 0}, {4, 0}}));
  two.GetXY(samples, 1);
  EXPECT_EQ(samples.size(), 6u);
}

TEST(Tsinuous, ClosedRingIsSmoothAtItsStart) {
  createTrig();
  Tsinuous c;
  c.setXY(Txyvalues{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}});
  EXPECT_TRUE(c.isClosed);
  // Entering and leaving the first vertex in one direction: the control points either side of it
  // and the vertex lie on one line.
  const xyrec before = c.a[c.a.size() - 2], at = c.a[0], after = c.a[1];
  const double cross = (at.x - before.x) * (after.y - at.y) - (at.y - before.y) * (after.x - at.x);
  EXPECT_NEAR(cross, 0, 1e-9);
  // The direction near the start runs from +x turning towards -y: heading north and east here.
  EXPECT_LT(c.getDirection(0.01), 0);
}

TEST(Tsinuous, CurvesWithoutLength) {
  createTrig();
  Tsinuous c;
  double x = 9, y = 9;
  c.getXY(x, y, 0.5);
  EXPECT_EQ(x, 9);  // nothing set
  c.setXY(Txyvalues{{2, 3}});
  c.getXY(x, y, 0.5);
  EXPECT_EQ((xyrec{x, y}), (xyrec{2, 3}));
  c.setXY(Txyvalues{{1, 1}, {1, 1}, {1, 1}});
  c.getXY(x, y, 0.5);
  EXPECT_EQ((xyrec{x, y}), (xyrec{1, 1}));
  Txyvalues samples;
  c.GetXY(samples, 0);
  EXPECT_EQ(samples.size(), 2u);
}

}  // namespace
