// Distances and on-line tests: feet and parameters, the core search, line to line (crossing lines
// at 0), polygons (smallest over all ring pairs), snapping to corners and vertex insertion.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/r_Geom.h"

namespace {

TEST(TlineManDistance, PointToSegmentAndInfiniteLine) {
  TlineMan lm;
  double u = 0, xc = 0, yc = 0;
  bool right = true;
  EXPECT_DOUBLE_EQ(lm.DistanceToInfiniteLine(0, 1, 0, 0, 1, 0, u, xc, yc, right), 1);
  EXPECT_FALSE(right);
  EXPECT_DOUBLE_EQ(lm.DistanceToInfiniteLine(0, -1, 0, 0, 1, 0, u, xc, yc, right), 1);
  EXPECT_TRUE(right);
  EXPECT_DOUBLE_EQ(lm.DistanceToInfiniteLine(5, 0, 0, 0, 1, 0, u, xc, yc), 0);
  EXPECT_DOUBLE_EQ(u, 5);
  // A line of no length: measured to its point, u 0.
  EXPECT_DOUBLE_EQ(lm.DistanceToInfiniteLine(3, 4, 0, 0, 0, 0, u, xc, yc), 5);
  EXPECT_EQ(u, 0);
  double zc = 0;
  EXPECT_DOUBLE_EQ(lm.DistanceToInfiniteLine(0, 0, 5, 1, 0, 0, 2, 0, 0, u, xc, yc, zc), 5);
  EXPECT_DOUBLE_EQ(u, -1);  // the infinite line, before point 1

  struct {
    double x, y, d, u, fx, fy;
  } const seg[] = {{2, 0, 1, 1, 1, 0}, {-1, 0, 1, 0, 0, 0}, {0.5, 2, 2, 0.5, 0.5, 0}};
  for (const auto& c : seg) {
    EXPECT_DOUBLE_EQ(lm.DistanceTo(c.x, c.y, 0, 0, 1, 0, u, xc, yc), c.d);
    EXPECT_DOUBLE_EQ(u, c.u);
    EXPECT_DOUBLE_EQ(xc, c.fx);
    EXPECT_DOUBLE_EQ(yc, c.fy);
  }
  EXPECT_DOUBLE_EQ(lm.DistanceTo(3, 4, 0, 0, 0, 0, u, xc, yc), 5);  // zero-length: its point
  EXPECT_EQ(u, 0);
}

TEST(TlineManDistance, PointToLineAndPolygon) {
  TlineMan lm;
  const Txyvalues l{{0, 0}, {10, 0}, {10, 10}};
  double u = 0, xc = 0, yc = 0;
  EXPECT_DOUBLE_EQ(lm.DistanceTo(11, 5, l, u, xc, yc), 1);
  EXPECT_DOUBLE_EQ(u, 1.5);
  EXPECT_DOUBLE_EQ(xc, 10);
  EXPECT_DOUBLE_EQ(yc, 5);
  EXPECT_EQ(lm.DistanceTo(1, 1, Txyvalues{{0, 0}}), 2147483647);
  EXPECT_EQ(lm.DistanceTo(1, 1, Txyvalues{}), 2147483647);
  // The limit is strict and a miss leaves the outputs.
  double d = 1;
  u = -5;
  EXPECT_FALSE(lm.DistanceLessThan(11, 5, l, u, xc, yc, d));
  EXPECT_EQ(d, 1);
  EXPECT_EQ(u, 0);  // only clamped
  EXPECT_TRUE(lm.DistanceLessThan(11, 5, l, 1.01));
  EXPECT_TRUE(lm.DistanceLessThan(1, 1, Txyvalues{{1, 1.5}}, 1));

  const TpolyXyValues rings{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}}};
  int32_t loop = -9;
  EXPECT_DOUBLE_EQ(lm.DistanceTo(5, 3, rings, loop, u, xc, yc), 1);
  EXPECT_EQ(loop, 1);
  EXPECT_TRUE(lm.DistanceLessThan(5, 3, rings, 1.5));
  EXPECT_FALSE(lm.DistanceLessThan(5, 5, rings, 0.5));
}

TEST(TlineManDistance, LineToLine) {
  TlineMan lm;
  double ua = 0, xa = 0, ya = 0, ub = 0, xb = 0, yb = 0;
  // Crossing between vertices: 0 at the crossing.
  EXPECT_EQ(lm.DistanceTo(Txyvalues{{0, 0}, {10, 10}}, Txyvalues{{0, 10}, {10, 0}}, ua, xa, ya, ub, xb, yb), 0);
  EXPECT_DOUBLE_EQ(xa, 5);
  EXPECT_DOUBLE_EQ(yb, 5);
  EXPECT_DOUBLE_EQ(ua, 0.5);
  EXPECT_DOUBLE_EQ(ub, 0.5);
  EXPECT_DOUBLE_EQ(lm.DistanceTo(Txyvalues{{0, 0}, {10, 0}}, Txyvalues{{5, 2}, {5, 8}}, ua, xa, ya, ub, xb, yb), 2);
  EXPECT_DOUBLE_EQ(xa, 5);
  EXPECT_DOUBLE_EQ(ua, 0.5);
  EXPECT_EQ(ub, 0);
  EXPECT_TRUE(lm.DistanceLessThan(Txyvalues{{0, 0}, {10, 0}}, TpolyXyValues{{{50, 50}}, {{5, 1}, {6, 1}}}, 1.5));
  // Polygons: the nearest ring pair, not the first.
  const TpolyXyValues a{{{0, 0}, {1, 0}}};
  const TpolyXyValues b{{{0, 5}, {1, 5}}, {{0, 2}, {1, 2}}};
  int32_t la = -1, lb = -1;
  EXPECT_DOUBLE_EQ(lm.DistanceTo(a, b, la, ua, xa, ya, lb, ub, xb, yb), 2);
  EXPECT_EQ(lb, 1);
  double d = 10;
  EXPECT_TRUE(lm.DistanceLessThan(a, b, la, ua, xa, ya, lb, ub, xb, yb, d));
  EXPECT_EQ(lb, 0);  // the first pair that succeeds
  EXPECT_FALSE(lm.DistanceLessThan(TpolyXyValues{}, b, la, ua, xa, ya, lb, ub, xb, yb, d));
}

TEST(TlineManDistance, PointOnLineAndSnapping) {
  TlineMan lm;
  double u = 0;
  EXPECT_FALSE(lm.PointOnLine(1.0000001, 0, 0, 0, 1, 0, 0.001, u));
  lm.snaptocorners = true;
  EXPECT_TRUE(lm.PointOnLine(1.0000001, 0, 0, 0, 1, 0, 0.001, u));
  EXPECT_EQ(u, 1);

  const Txyvalues l{{0, 0}, {10, 0}, {10, 10}};
  int32_t vertex = -1;
  EXPECT_TRUE(lm.PointOnLine(9.9, 0.05, 0.5, l, vertex, u));
  EXPECT_EQ(vertex, 1);
  EXPECT_EQ(u, 0);
  EXPECT_NEAR(lm.xc(), 9.9, 1e-12);
  EXPECT_NEAR(lm.yc(), 0, 1e-12);
  EXPECT_NEAR(lm.vc(), 0.05, 1e-12);

  const Txyvalues ring{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
  for (bool snap : {false, true}) {
    SCOPED_TRACE(snap);
    lm.snaptocorners = snap;
    EXPECT_TRUE(lm.PointOnLine(0.0002, 0, 0.001, ring, vertex, u));
    EXPECT_EQ(vertex, 0);
    if (snap) EXPECT_EQ(u, 0);
  }
  lm.snaptocorners = false;
  EXPECT_TRUE(lm.PointOnLine(0, 5, 0.001, ring, vertex, u));
  EXPECT_EQ(vertex, 0);
  EXPECT_DOUBLE_EQ(u, 0.5);
  EXPECT_FALSE(lm.PointOnLine(5, 5, 0.001, ring, vertex, u));
  EXPECT_FALSE(lm.PointOnLine(5, 5, 0.001, Txyvalues{}, vertex, u));

  int32_t loop = -1;
  const TpolyXyValues rings{ring, {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}}};
  EXPECT_TRUE(lm.PointOnLine(5, 4, 0.001, rings, loop, vertex, u));
  EXPECT_EQ(loop, 1);
  EXPECT_FALSE(lm.PointOnLine(5, 5, 0.001, rings, loop, vertex, u));
  EXPECT_EQ(loop, 2);
  EXPECT_TRUE(lm.PointOnLine(0, 5, 0.001, TpolyXyValues{ring}));

  Txyzvalues vud;
  int32_t closest = -1;
  EXPECT_TRUE(lm.PointOnLine(5, 0.5, 1, Txyvalues{{0, 0}, {10, 0}, {10, 1}, {0, 1}}, vud, closest));
  ASSERT_EQ(vud.size(), 2u);
  EXPECT_EQ(closest, 0);

  double snapd = 0.5;
  EXPECT_TRUE(lm.PointOnVertex(10.1, 0.1, snapd, l, vertex));
  EXPECT_EQ(vertex, 1);
  EXPECT_NEAR(snapd, std::hypot(0.1, 0.1), 1e-12);
}

TEST(TlineManDistance, InsertVertexChangesTheCallersRing) {
  TlineMan lm;
  TpolyXyValues rings{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}};
  EXPECT_TRUE(lm.insertVertex(0.0001, 5, 0.001, rings));
  ASSERT_EQ(rings[0].size(), 6u);
  EXPECT_EQ(rings[0][1], (xyrec{0.0001, 5}));
  EXPECT_FALSE(lm.insertVertex(0, 10, 0.001, rings));
  EXPECT_FALSE(lm.insertVertex(50, 50, 0.001, rings));
  EXPECT_EQ(rings[0].size(), 6u);
}

}  // namespace
