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

TEST(Tsinuous, CurvesWithoutLengthAnswerTheirFirstVertex) {
  createTrig();
  const double nan = std::nan("");
  struct Case {
    const char* id;
    Txyvalues xy;
    xyrec expected;
  } cases[] = {
      {"no vertices", {}, {0, 0}},
      {"one vertex", {{2, 3}}, {2, 3}},
      {"all one point", {{1, 1}, {1, 1}, {1, 1}}, {1, 1}},
      {"two equal vertices", {{4, 5}, {4, 5}}, {4, 5}},
      {"a vertex not a number", {{1, 2}, {nan, 1}, {2, 2}}, {1, 2}},
      {"an infinite vertex", {{1, 2}, {INFINITY, 1}, {2, 2}}, {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Tsinuous curve;
    // A longer curve first: nothing of it may answer for the short one.
    curve.setXY(Txyvalues{{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    curve.setXY(c.xy);
    for (double u : {0.0, 0.5, 1.0, -2.0, nan}) {
      double x = 9, y = 9;
      curve.getXY(x, y, u);
      EXPECT_EQ((xyrec{x, y}), c.expected);
      EXPECT_EQ(curve.getDirection(u), 0);
    }
    double x = 9, y = 9;
    curve.getXY(x, y, 0.5, 2);  // no such piece
    EXPECT_EQ((xyrec{x, y}), c.expected);
    Txyvalues samples;
    curve.GetXY(samples, 0.1);
    EXPECT_EQ(samples, (Txyvalues{c.expected, c.expected}));
  }
}

TEST(Tsinuous, ZeroLengthPiecesAreSteppedOver) {
  createTrig();
  Tsinuous c;
  c.setXY(Txyvalues{{0, 0}, {5, 0}, {5, 0}, {5, 0}, {10, 0}});
  ASSERT_EQ(c.control.size(), 5u);
  double x = 0, y = 0;
  c.getXY(x, y, c.control[2]);
  EXPECT_NEAR(x, 5, 1e-9);
  EXPECT_NEAR(y, 0, 1e-9);
  EXPECT_EQ(c.controlIndex, 3);  // the piece that leaves the repeated vertex
  for (double u = 0; u < 1; u += 0.01) {
    c.getXY(x, y, u);
    ASSERT_TRUE(std::isfinite(x) && std::isfinite(y)) << u;
    ASSERT_GE(c.localU, 0);
    ASSERT_LT(c.localU, 1);
  }
}

TEST(Tsinuous, TwoVerticesReplaceALongerCurve) {
  createTrig();
  Tsinuous c;
  c.setXY(Txyvalues{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  c.setXY(Txyvalues{{1, 1}, {4, 5}});
  EXPECT_FALSE(c.isClosed);
  EXPECT_EQ(c.a.size(), 4u);
  EXPECT_EQ(c.control, (Tdlist{0, 1}));
  EXPECT_EQ(c.lengths, (Tdlist{5}));
  double x = 0, y = 0;
  c.getXY(x, y, 1);
  EXPECT_EQ((xyrec{x, y}), (xyrec{4, 5}));
  EXPECT_EQ(c.controlIndex, 1);
}

TEST(Tsinuous, SamplingStepsOutOfReachGiveTheEnds) {
  createTrig();
  Tsinuous c;
  c.setXY(Txyvalues{{0, 0}, {3, 4}, {6, 0}});
  const Txyvalues ends{{0, 0}, {6, 0}};
  for (double step : {0.0, -1.0, std::nan(""), 1e-12, 1e300}) {
    SCOPED_TRACE(step);
    Txyvalues samples{{7, 7}};
    c.GetXY(samples, step);
    EXPECT_EQ(samples, ends);
  }
}

// Wavy open and closed curves: through every vertex at its control value, turning smoothly
// at every inner vertex, and as long as a fine sampling of it.
TEST(Tsinuous, PassesThroughItsVerticesSmoothly) {
  createTrig();
  struct Case {
    const char* id;
    Txyvalues xy;
  } cases[] = {
      {"open zigzag", {{0, 0}, {3, 7}, {8, 2}, {14, 9}, {15, -4}, {25, 0}}},
      {"closed pentagon", {{0, 0}, {10, 1}, {12, 9}, {5, 14}, {-3, 8}, {0, 0}}},
      {"far from the origin", {{5e5, 5e5}, {5e5 + 40, 5e5 + 5}, {5e5 + 60, 5e5 + 50}, {5e5 + 20, 5e5 + 80}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Tsinuous curve;
    curve.setXY(c.xy);
    const int n = static_cast<int>(c.xy.size());
    for (int i = 0; i < n; ++i) {
      double x = 0, y = 0;
      curve.getXY(x, y, curve.control[i]);
      EXPECT_NEAR(x, c.xy[i].x, 1e-9) << i;
      EXPECT_NEAR(y, c.xy[i].y, 1e-9) << i;
    }
    for (int i = 1; i + 1 < n; ++i) {
      // Chords just before and just after the vertex point the same way.
      const double d = 1e-6;
      double bx = 0, by = 0, ax = 0, ay = 0;
      curve.getXY(bx, by, 1 - d, i - 1);
      curve.getXY(ax, ay, d, i);
      const double in = std::atan2(c.xy[i].y - by, c.xy[i].x - bx), out = std::atan2(ay - c.xy[i].y, ax - c.xy[i].x);
      EXPECT_NEAR(std::remainder(out - in, 2 * M_PI), 0, 1e-4) << i;
    }
    Txyvalues samples;
    curve.GetXY(samples, curve.totalLength() / 5000);
    double len = 0;
    for (size_t k = 1; k < samples.size(); ++k)
      len += std::hypot(samples[k].x - samples[k - 1].x, samples[k].y - samples[k - 1].y);
    EXPECT_NEAR(len, curve.totalLength(), 0.01 * curve.totalLength());
  }
}

}  // namespace
