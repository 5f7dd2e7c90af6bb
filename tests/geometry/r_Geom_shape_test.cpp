// TlineMan shape regularisation: slivers, the axis of rectilinear outlines (against Shapely's
// minimum rotated rectangle, tests/geometry/reference/make_axis_table.py), squaring and
// straightening, with degenerate rings beside good ones.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <fstream>
#include <sstream>
#include <string>

#include "geometry/r_Geom.h"

namespace {


// A closed ring from a start point, headings in degrees (from +x, anticlockwise) and lengths;
// the last side returns to the start.
Txyvalues walk(xyrec start, std::initializer_list<std::pair<double, double>> steps) {
  Txyvalues ring{start};
  for (auto [heading, length] : steps)
    ring.push_back({ring.back().x + length * std::cos(heading * std::numbers::pi / 180),
                    ring.back().y + length * std::sin(heading * std::numbers::pi / 180)});
  ring.push_back(start);
  return ring;
}

Txyvalues shifted(Txyvalues ring, double dx, double dy) {
  for (auto& p : ring) p = {p.x + dx, p.y + dy};
  return ring;
}

double turnDegrees(const xyrec& a, const xyrec& b, const xyrec& c) {
  return std::abs(createTrig().changeOfDirection(a.x, a.y, b.x, b.y, c.x, c.y)) * 180 / std::numbers::pi;
}

TEST(TlineManShape, Slivers) {
  TlineMan lm;
  Txyvalues ten = walk({0, 0}, {{0, 10}, {179, 5}, {150, 1}, {160, 1}, {170, 1}, {190, 1}, {200, 1}, {210, 1}});
  ASSERT_EQ(ten.size(), 10u);
  struct Case {
    const char* id;
    Txyvalues xy;
    bool sliver;
  } cases[] = {
      {"one near-reversal", walk({0, 0}, {{0, 10}, {179, 5}, {163, 3.2}}), true},
      {"one sharp turn only", walk({0, 0}, {{0, 10}, {176, 5}, {168, 3.1}}), false},
      {"two sharp turns", walk({0, 0}, {{0, 10}, {176, 10}, {0, 10}}), true},
      {"square", walk({0, 0}, {{90, 1}, {0, 1}, {-90, 1}}), false},
      {"ten points", ten, false},
      {"two points", {{0, 0}, {1, 0}}, false},
      {"empty", {}, false},
      {"one point repeated", {{1, 1}, {1, 1}, {1, 1}, {1, 1}}, false},
      {"not a number", {{0, 0}, {NAN, 1}, {2, 0}, {0, 0}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(lm.isSliver(c.xy), c.sliver);
  }
}

TEST(TlineManShape, PolyAxis) {
  TlineMan lm;
  struct Case {
    const char* id;
    Txyvalues xy;
    double axis, longAxis;
  } cases[] = {
      {"upright rectangle drawn upwards", {{0, 0}, {0, 2}, {10, 2}, {10, 0}, {0, 0}}, 0, std::numbers::pi / 2},
      {"upright rectangle drawn eastwards", {{0, 0}, {10, 0}, {10, 2}, {0, 2}, {0, 0}}, std::numbers::pi / 2, std::numbers::pi / 2},
      {"first side at 30 degrees", walk({3, 4}, {{60, 8}, {-30, 3}, {240, 8}}), 0.5236, 0.5236},
      {"one point", {{1, 2}}, 0, 0},
      {"empty", {}, 0, 0},
      {"no length", {{1, 2}, {1, 2}, {1, 2}}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_NEAR(lm.findPolyAxis(c.xy), c.axis, 1e-4);
    EXPECT_NEAR(lm.findLongPolyAxis(c.xy), c.longAxis, 1e-4);
  }
}

// The folded axis against the orientation of Shapely's minimum rotated rectangle.
TEST(TlineManShape, AxisAgreesWithShapely) {
  std::ifstream in(std::string(KESTROVA_SOURCE_DIR) + "/tests/geometry/reference/axis_table.txt");
  TlineMan lm;
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string kind, id;
    double jitter = 0;
    int n = 0;
    words >> kind >> id >> jitter >> n;
    Txyvalues ring(static_cast<size_t>(n));
    for (auto& p : ring) words >> p.x >> p.y;
    double axis = 0, longAxis = 0;
    words >> axis >> longAxis;
    SCOPED_TRACE(id);
    ++rows;
    // Rectangles drawn exactly agree to rounding; jittered ones within their corners' play.
    const double tol = jitter == 0 ? 1e-9 : 0.02;
    const double quarter = std::remainder(lm.findPolyAxis(ring) - axis, std::numbers::pi / 2);
    EXPECT_NEAR(quarter, 0, tol);
    const double half = std::remainder(lm.findLongPolyAxis(ring) - longAxis, std::numbers::pi);
    EXPECT_NEAR(half, 0, tol);
  }
  EXPECT_GT(rows, 0) << "run tests/geometry/reference/make_axis_table.py";
}

// Every ring squared: closed, each corner a right angle (or a straight reversal of a spike),
// nothing left nearly straight.
void expectSquare(const Txyvalues& ring) {
  ASSERT_GE(ring.size(), 5u);
  EXPECT_EQ(ring.front(), ring.back());
  const size_t n = ring.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    const xyrec& prev = ring[i == 0 ? n - 2 : i - 1];
    EXPECT_NEAR(turnDegrees(prev, ring[i], ring[i + 1]), 90, 1e-9 * 180 / std::numbers::pi) << "corner " << i;
  }
}

TEST(TlineManShape, SquaringGivesRightAngles) {
  TlineMan lm;
  const Txyvalues skewed = {{0, 0}, {0.3, 10}, {20.2, 10.4}, {19.8, -0.3}, {0, 0}};
  // An L whose first side has a vertex part way along it.
  const Txyvalues building = walk({0, 0}, {{1, 6}, {0.6, 6}, {91.5, 6}, {-0.5, 8}, {89, 9}, {180.5, 20}});
  struct Case {
    const char* id;
    TpolyXyValues poly;
    size_t corners;  // per ring, the closing point included
  } cases[] = {
      {"skewed quadrilateral", {skewed}, 5},
      {"far from the origin", {shifted(skewed, 5e5, 5e5)}, 5},
      {"L-shaped building", {building}, 7},
      {"starting along a side", {{{10, 0}, {20, 0.2}, {20, 10}, {0, 10.1}, {0, 0}, {10, 0}}}, 5},
      {"with a hole", {shifted(skewed, 100, 100), shifted({{5, 3}, {5.1, 7}, {15, 7.1}, {14.9, 3}, {5, 3}}, 100, 100)},
       5},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues poly = c.poly;
    lm.MakeSquare(poly);
    ASSERT_EQ(poly.size(), c.poly.size());
    for (const Txyvalues& ring : poly) {
      EXPECT_EQ(ring.size(), c.corners);
      expectSquare(ring);
    }
    // Squaring moves corners by a fraction of the sides, not the shape.
    EXPECT_NEAR(lm.area(poly), lm.area(c.poly), 0.05 * std::abs(lm.area(c.poly)));
  }
}

TEST(TlineManShape, SquaringLeavesWhatItCannotSquare) {
  TlineMan lm;
  struct Case {
    const char* id;
    TpolyXyValues poly;
  } cases[] = {
      {"upright rectangle", {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}}},
      {"upright rectangle far away", {{{5e5, 5e5}, {5e5 + 20, 5e5}, {5e5 + 20, 5e5 + 7}, {5e5, 5e5 + 7}, {5e5, 5e5}}}},
      {"three points", {{{0, 0}, {1, 5}, {0, 0}}}},
      {"empty ring", {{}}},
      {"no rings", {}},
      {"not a number", {{{0, 0}, {NAN, 10}, {10, 10}, {10, 0}, {0, 0}}}},
      {"infinite", {{{0, 0}, {INFINITY, 10}, {10, 10}, {10, 0}, {0, 0}}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues poly = c.poly;
    lm.MakeSquare(poly);
    ASSERT_EQ(poly.size(), c.poly.size());
    for (size_t r = 0; r < poly.size(); ++r)
      for (size_t i = 0; i < poly[r].size(); ++i) {
        const xyrec &got = poly[r][i], &was = c.poly[r][i];
        EXPECT_TRUE(got == was || (std::isnan(got.x) && std::isnan(was.x))) << i;
      }
  }
}

TEST(TlineManShape, SquaringBadRingsEnds) {
  TlineMan lm;
  // A bow tie crosses itself; repeated vertices have no direction. Both must end, well formed.
  TpolyXyValues poly{{{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}},
                     {{0, 0}, {0, 0}, {0, 5}, {0, 5}, {6, 5}, {6, 0}, {6, 0}, {0, 0}}};
  lm.MakeSquare(poly);
  for (const Txyvalues& ring : poly) {
    ASSERT_GE(ring.size(), 2u);
    EXPECT_EQ(ring.front(), ring.back());
    for (const xyrec& p : ring) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  }
}

TEST(TlineManShape, Straighten) {
  TlineMan lm;
  // Turns of 3 and 10 degrees, then an arc of 2-degree turns.
  Txyvalues arc{{0, 0}};
  for (int i = 0; i < 30; ++i) arc.push_back({arc.back().x + std::cos(i * 2 * std::numbers::pi / 180), arc.back().y + std::sin(i * 2 * std::numbers::pi / 180)});
  struct Case {
    const char* id;
    Txyvalues xy;
    size_t points;  // 0: only check what is left
  } cases[] = {
      {"3-degree turn goes", walk({0, 0}, {{0, 10}, {3, 10}}), 3},
      {"10-degree turn stays", walk({0, 0}, {{0, 10}, {10, 10}}), 4},
      {"two points", {{0, 0}, {5, 5}}, 2},
      {"one point", {{1, 1}}, 1},
      {"arc of small turns", arc, 0},
      {"not a number", {{0, 0}, {NAN, 1}, {2, 0}, {3, 0}}, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    Txyvalues xy = c.xy;
    lm.straighten(xy, 5);
    if (c.points) {
      EXPECT_EQ(xy.size(), c.points);
    }
    ASSERT_FALSE(xy.empty());
    EXPECT_EQ(xy.front(), c.xy.front());
    EXPECT_TRUE(xy.back() == c.xy.back());
    for (size_t i = 1; i + 1 < xy.size(); ++i) {
      const double turn = turnDegrees(xy[i - 1], xy[i], xy[i + 1]);
      if (!std::isnan(turn)) {
        EXPECT_GE(turn, 5) << i;
      }
    }
  }
}

}  // namespace
