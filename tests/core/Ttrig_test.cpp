// Ttrig: angles, comparisons, boxes, triangles and distances, as tables of worked cases.
#include "core/Ttrig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Ttrig, AnglesAndBearings) {
  Ttrig t;
  struct Case { const char* id; double got, want; } cases[] = {
      {"arcTan up", t.arcTan(1, 0), pi / 2},
      {"arcTan down", t.arcTan(-1, 0), -pi / 2},
      {"arcTan origin", t.arcTan(0, 0), pi / 2},
      {"arcTan diagonal", t.arcTan(1, 1), pi / 4},
      {"ArcCos 0", static_cast<double>(t.ArcCos(0)), pi / 2},
      {"ArcCos 2 clamps", static_cast<double>(t.ArcCos(2)), 0},
      {"ArcSin -3 clamps", static_cast<double>(t.ArcSin(-3)), -pi / 2},
      {"in2pi -pi/2", t.in2pi(-pi / 2), 3 * pi / 2},
      {"in2pi 2pi stays", t.in2pi(2 * pi), 2 * pi},
      {"in2pi 4pi", t.in2pi(4 * pi), 2 * pi},
      {"inPi 3pi/2", t.inPi(3 * pi / 2), -pi / 2},
      {"inPi pi stays", t.inPi(pi), pi},
      {"inPi -3pi", t.inPi(-3 * pi), -pi},
      {"right turn", t.changeOfDirection(0, 0, 0, 1, 1, 2), pi / 4},
      {"left turn", t.changeOfDirection(0, 0, 0, 1, -1, 2), -pi / 4},
      {"straight on is 0", t.AngleBetweenLines(0, 0, 1, 0, 2, 0), 0},
      {"right angle", t.AngleBetweenLines(1, 0, 0, 0, 0, 1), pi / 2},
      {"right angle 3d", t.AngleBetweenLines(1, 0, 5, 0, 0, 5, 0, 1, 5), pi / 2},
      {"degenerate sides", t.AngleFromKnownSides(3, 1, 2), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_NEAR(c.got, c.want, 1e-12);
  }
  EXPECT_EQ(static_cast<double>(t.ArcCos(0)), static_cast<double>(3.14159265358979323846264338327950288L / 2));
}

// Huge and infinite angles come back at once: a remainder, not steps of 2π.
TEST(Ttrig, AngleNormalisationReturnsForHugeAndNonFiniteValues) {
  Ttrig t;
  EXPECT_TRUE(std::isnan(t.in2pi(inf)));
  EXPECT_TRUE(std::isnan(t.inPi(-inf)));
  EXPECT_TRUE(std::isnan(t.in2pi(std::nan(""))));
  for (double v : {1e300, -1e300, 1e18 + 0.5, -7e15}) {
    SCOPED_TRACE(v);
    const double a = t.in2pi(v), b = t.inPi(v);
    EXPECT_GE(a, 0);
    EXPECT_LE(a, 2 * pi);
    EXPECT_GE(b, -pi);
    EXPECT_LE(b, pi);
  }
  EXPECT_NEAR(t.in2pi(1000 * pi + 1), 1, 1e-9);
}

TEST(Ttrig, TolerantComparisons) {
  Ttrig t;
  EXPECT_TRUE(t.equal(1, 1.0000005));
  EXPECT_FALSE(t.equal(1, 1.000002));
  EXPECT_TRUE(t.equal(xyrec{1, 2}, xyrec{1.0000005, 2}));
  EXPECT_FALSE(t.equal(xyrec{1, 2}, xyrec{1, 2.00001}));
  t.equality = 1e-3;
  EXPECT_TRUE(t.equal(1, 1.000002));
  EXPECT_TRUE(t.greaterEqual(1, 1 + 1e-13));
  EXPECT_FALSE(t.greater(1 + 1e-13, 1));
  EXPECT_TRUE(t.greater(1 + 1e-9, 1));
  EXPECT_TRUE(t.lesserEqual(1e15 + 0.5, 1e15));  // relative tolerance for large values
  EXPECT_FALSE(t.lesser(0, 1e-13));                // absolute floor near zero
  EXPECT_TRUE(t.lessthan(1, 2, 3, 4));
  EXPECT_FALSE(t.lessthan(2, 2, 3));
  EXPECT_TRUE(t.morethan(5, 2, 3));
  EXPECT_EQ(t.greatest(1, 7, 3, 5), 7);
  EXPECT_EQ(t.least(4, 2, 3), 2);
  double a = 5, b = 2;
  t.order(a, b);
  EXPECT_EQ(a, 2);
  int32_t i = 9, j = -1;
  t.order(i, j);
  EXPECT_EQ(i, -1);
}

TEST(Ttrig, BoxesTouchingIntersectButDoNotOverlap) {
  Ttrig t;
  EXPECT_TRUE(t.BoxesIntersect(0, 0, 1, 1, 1, 0, 2, 1));
  EXPECT_FALSE(t.BoxesOverlap(0, 0, 1, 1, 1, 0, 2, 1));
  EXPECT_TRUE(t.BoxesOverlap(0, 0, 2, 2, 1, 1, 3, 3));
  EXPECT_TRUE(t.inBox(1, 1, 0, 0, 1, 1));
  // Extents may come as any two opposite corners; snap grows the first.
  EXPECT_TRUE(t.ExtentsIntersect(2, 2, 0, 0, 1, 3, 3, 1));
  EXPECT_FALSE(t.ExtentsIntersect(0, 0, 1, 1, 1.5, 0, 2, 1));
  EXPECT_TRUE(t.ExtentsIntersect(0, 0, 1, 1, 1.5, 0, 2, 1, 0.5));
  double l, b, r, top;
  t.triangleExtent(3, 1, -1, 4, 2, -2, l, b, r, top);
  EXPECT_EQ(l, -1);
  EXPECT_EQ(b, -2);
  EXPECT_EQ(r, 3);
  EXPECT_EQ(top, 4);
  EXPECT_TRUE(t.TriangleInBox(0, 0, 4, 0, 0, 4, 3, 3, 5, 5));  // a box test: (3,3) is outside the triangle
  EXPECT_FALSE(t.TriangleInBox(0, 0, 4, 0, 0, 4, platform::TRect{5, 5, 8, 8}));
  EXPECT_TRUE(t.TriangleInBox(0, 0, 4, 0, 0, 4, platform::TRect{4, 4, 8, 8}));
  boxrec common{-1, -1, -1, -1};
  EXPECT_FALSE(t.BoxesOverlap(0, 0, 1, 1, 1, 0, 2, 1, common));
  EXPECT_EQ(common.left, -1);  // untouched
  EXPECT_TRUE(t.BoxesOverlap(0, 0, 2, 3, 1, 1, 4, 4, common));
  EXPECT_EQ(common, (boxrec{1, 3, 2, 1}));  // left, top, right, bottom
}

TEST(Ttrig, TrianglesAndSidesOfLines) {
  Ttrig t;
  struct Case { const char* id; double x, y, x1, y1, x2, y2, x3, y3; bool strict, inOrOn; } cases[] = {
      {"inside", 1, 1, 0, 0, 4, 0, 0, 4, true, true},
      {"vertex", 0, 0, 0, 0, 4, 0, 0, 4, true, true},
      {"on bottom edge", 2, 0, 0, 0, 4, 0, 0, 4, false, true},
      {"on vertical edge", 0, 2, 0, 0, 4, 0, 0, 4, false, true},
      {"outside", 5, 5, 0, 0, 4, 0, 0, 4, false, false},
      {"outside near hypotenuse", 3, 3, 0, 0, 4, 0, 0, 4, false, false},
      {"below the apex", 2, 1, 0, 0, 2, 2, 4, 0, true, true},
      {"above the apex", 2, 3, 0, 0, 2, 2, 4, 0, false, false},
      {"clockwise triangle", 1, 1, 0, 0, 0, 4, 4, 0, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(t.pointInTriangle(c.x, c.y, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3), c.strict);
    EXPECT_EQ(t.InOrOnTriangle(c.x, c.y, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3), c.inOrOn);
  }
  bool on = true;
  EXPECT_TRUE(t.rightOfLine(1, 0, 0, 0, 0, 1, on));
  EXPECT_FALSE(on);
  EXPECT_FALSE(t.rightOfLine(-1, 0, 0, 0, 0, 1));
  EXPECT_FALSE(t.rightOfLine(0, 5, 0, 0, 0, 1, on));
  EXPECT_TRUE(on);
  EXPECT_TRUE(t.rightOrOnLine(0, 5, 0, 0, 0, 1));
}

TEST(Ttrig, DistancesToPointsAndSegments) {
  Ttrig t;
  EXPECT_TRUE(t.DistanceLessThan(5, 1, 0, 0, 10, 0, 2));
  EXPECT_DOUBLE_EQ(t.u, 0.5);
  EXPECT_DOUBLE_EQ(t.xc, 5);
  EXPECT_DOUBLE_EQ(t.yc, 0);
  EXPECT_FALSE(t.DistanceLessThan(5, 1, 0, 0, 10, 0, 1));  // must be strictly less
  // A segment given right to left is still found by its box.
  EXPECT_TRUE(t.DistanceLessThan(5, 0.5, 10, 0, 0, 0, 1));

  double u, xc, yc;
  EXPECT_DOUBLE_EQ(t.DistanceTo(-3, 4, 0, 0, 10, 0, u, xc, yc), 5);
  EXPECT_DOUBLE_EQ(u, -0.3);
  EXPECT_EQ(xc, 0);
  EXPECT_EQ(yc, 0);
  EXPECT_DOUBLE_EQ(t.DistanceTo(13, 4, 0, 0, 10, 0), 5);
  // Zero-length segment: the first end, u not a number.
  EXPECT_DOUBLE_EQ(t.DistanceTo(3, 4, 1, 1, 1, 1, u, xc, yc), std::sqrt(13.0));
  EXPECT_TRUE(std::isnan(u));
  EXPECT_EQ(xc, 1);

  double d = 2;
  EXPECT_TRUE(t.DistanceLessThan(1, 1, 2, 2, d));
  EXPECT_DOUBLE_EQ(d, std::sqrt(2.0));
  d = 1;
  EXPECT_FALSE(t.DistanceLessThan(1, 1, 2, 2, d));
  EXPECT_EQ(d, 1);
  EXPECT_EQ(t.getdistance(3, 4), 5);
  EXPECT_EQ(t.getdistance(1, 2, 3, 1, 2, 3), 0);
  double x, y;
  t.getCut(0, 0, 10, 20, 1.5, x, y);
  EXPECT_EQ(x, 15);
  EXPECT_EQ(y, 30);
}

TEST(Ttrig, DefaultSnapIsNeat) {
  Ttrig t;
  EXPECT_DOUBLE_EQ(t.DefaultSnap(0, 0, 30000, 1000), 0.5);  // 0.3 made neat
  EXPECT_DOUBLE_EQ(t.DefaultSnap(0, 0, 10, 30), 0.0005);
}

TEST(Ttrig, ServiceIsCreatedOnceAndFreed) {
  freeTrig();
  Ttrig& a = createTrig();
  EXPECT_EQ(&createTrig(), &a);
  EXPECT_EQ(trig, &a);
  freeTrig();
  EXPECT_EQ(trig, nullptr);
}
}  // namespace
