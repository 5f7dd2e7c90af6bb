// Ring topology: self-crossings, loops split off a walk, orientation and nesting of rings into
// polygons, snapping to a grid and stitching lines end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::anti;
using geomtest::expectLine;
using geomtest::shifted;
using geomtest::square;


const Txyvalues kBow{{0, 0}, {4, 4}, {4, 0}, {0, 4}};

TEST(TlineManTopology, SelfCrossings) {
  TlineMan lm;
  EXPECT_FALSE(lm.selfCuts(square(0, 0, 10)));
  EXPECT_TRUE(lm.selfCuts(kBow));
  Tdlist u;
  ASSERT_TRUE(lm.selfcuts(kBow, u));
  EXPECT_EQ(u, (Tdlist{0.5, 2.5}));
  EXPECT_FALSE(lm.selfcuts(square(0, 0, 10), u));
  EXPECT_TRUE(u.empty());
  // Nearly closed: the first and last segments meeting at the closing point do not count.
  EXPECT_FALSE(lm.selfCuts(Txyvalues{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0.0000001, 0}}));

  // The chord from point 1 to point 3 of a U crosses nothing; on a Z it crosses the far stroke.
  const Txyvalues u5{{0, 10}, {0, 0}, {5, -1}, {10, 0}, {10, 10}};
  EXPECT_FALSE(lm.selfCuts(u5, 1, 3));
  const Txyvalues zig{{0, 0}, {10, 0}, {10, 2}, {0, 2}, {0, 4}, {10, -5}};
  EXPECT_TRUE(lm.selfCuts(zig, 3, 1));
  EXPECT_FALSE(lm.selfCuts(zig, 0, 9));

  // Rings of a polygon crossing each other.
  const TpolyXyValues two{square(0, 0, 10), anti(8, 2, 4)};
  EXPECT_TRUE(lm.selfCuts(two));
  EXPECT_FALSE(lm.selfCuts(TpolyXyValues{square(0, 0, 10), anti(2, 2, 4)}));
  TpolyDlist cuts;
  ASSERT_TRUE(lm.selfcuts(two, cuts));
  ASSERT_EQ(cuts[0].size(), 2u);
  EXPECT_NEAR(cuts[0][0], 2.4, 1e-12);
  EXPECT_NEAR(cuts[0][1], 2.8, 1e-12);
  EXPECT_EQ(cuts[1], (Tdlist{0.5, 2.5}));
  EXPECT_FALSE(lm.assumeBounds);
  EXPECT_TRUE(lm.selfCuts(two, 1, 0, 1));  // ring 1's first segment crosses ring 0
  EXPECT_FALSE(lm.selfCuts(two, 1, 1, 2));

  // A NaN point elsewhere on the line hides no crossing of finite segments: (7,4)-(5,4) crosses
  // (4,3)-(9,7) at x 5.25.
  const Txyvalues withNan{{9, 0}, {std::nan(""), 5}, {7, 4}, {5, 4}, {4, 3}, {9, 7}};
  EXPECT_TRUE(lm.selfCuts(withNan));
  ASSERT_TRUE(lm.selfcuts(withNan, u));
  ASSERT_EQ(u.size(), 2u);
  EXPECT_NEAR(u[0], 2.875, 1e-12);
  EXPECT_NEAR(u[1], 4.25, 1e-12);
  TpolyIntersect pi(&lm);
  TpolyXyValues pieces;
  EXPECT_TRUE(pi.selfCuts(withNan, pieces));
  EXPECT_EQ(pieces.size(), 3u);
}

TEST(TlineManTopology, ApplySelfCutsRescalesTheCallersPositions) {
  TlineMan lm;
  Txyvalues xy{{0, 0}, {10, 0}, {10, 8}};
  Tdlist u{1.25, 1.5};
  lm.applySelfCuts(xy, u);
  expectLine(xy, {{0, 0}, {10, 0}, {10, 2}, {10, 4}, {10, 8}});
  EXPECT_DOUBLE_EQ(u[0], 1.5);
  Txyvalues same = xy;
  Tdlist off{-1, 9};
  lm.applySelfCuts(same, off);
  expectLine(same, xy);
}

TEST(TlineManTopology, SplitIntoLoops) {
  TlineMan lm;
  TpolyXyValues loops;
  ASSERT_TRUE(lm.splitIntoLoops({{0, 0}, {4, 4}, {4, 0}, {0, 4}, {0, 0}}, loops));
  ASSERT_EQ(loops.size(), 2u);
  expectLine(loops[0], {{0, 0}, {2, 2}, {0, 4}, {0, 0}});
  expectLine(loops[1], {{2, 2}, {4, 4}, {4, 0}, {2, 2}});
  EXPECT_FALSE(lm.polyIntersect->excludeends);

  // One segment crossing the path twice: each crossing closes its own loop, the nearer first.
  ASSERT_TRUE(lm.splitIntoLoops({{0, 0}, {10, 0}, {10, 4}, {0, 4}, {0, 8}, {5, 8}, {5, -5}}, loops));
  ASSERT_EQ(loops.size(), 3u);
  expectLine(loops[0], {{0, 0}, {5, 0}, {5, -5}});
  expectLine(loops[1], {{5, 4}, {0, 4}, {0, 8}, {5, 8}, {5, 4}});
  expectLine(loops[2], {{5, 0}, {10, 0}, {10, 4}, {5, 4}, {5, 0}});

  EXPECT_FALSE(lm.splitIntoLoops(square(0, 0, 1), loops));
  EXPECT_EQ(loops.size(), 1u);
  EXPECT_FALSE(lm.splitIntoLoops({{0, 0}, {1, 1}, {2, 0}}, loops));
  EXPECT_EQ(loops.size(), 1u);
  loops = {square(0, 0, 1)};
  EXPECT_FALSE(lm.splitIntoLoops({{0, 0}, {1, 1}}, loops));
  EXPECT_EQ(loops.size(), 1u);  // left as it was
}

TEST(TlineManTopology, Orientation) {
  TlineMan lm;
  TpolyXyValues p{anti(0, 0, 10), square(2, 2, 2)};
  lm.CheckClockwise(p);
  EXPECT_GT(lm.area(p[0]), 0);
  EXPECT_LT(lm.area(p[1]), 0);
  p = {anti(2, 2, 2), square(0, 0, 10), anti(5, 5, 1)};
  lm.CheckClockwiseAndOrder(p);
  expectLine(p[0], square(0, 0, 10));
  expectLine(p[1], anti(2, 2, 2));
  expectLine(p[2], anti(5, 5, 1));
}

TEST(TlineManTopology, CheckPolygonNestsOrientsAndOrders) {
  TlineMan lm;
  struct {
    const char* id;
    TpolyXyValues in, want;
  } const cases[] = {
      {"outer and hole turned", {anti(0, 0, 10), square(2, 2, 2)}, {square(0, 0, 10), anti(2, 2, 2)}},
      {"two squares, larger first", {anti(20, 0, 2), square(0, 0, 10)}, {square(0, 0, 10), square(20, 0, 2)}},
      {"A holds B holds C", {square(0, 0, 10), square(2, 2, 6), square(4, 4, 2)},
       {square(0, 0, 10), anti(2, 2, 6), square(4, 4, 2)}},
      {"unclosed ring closed", {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}}, {square(0, 0, 1)}},
      {"degenerate rings dropped",
       {{{1, 1}, {1, 1}, {1, 1}}, square(0, 0, 3), {{0, 0}, {1, 1}, {2, 2}, {0, 0}}, {}, {{0, 0}, {NAN, 1}, {1, 0}}},
       {square(0, 0, 3)}},
      {"nothing left", {{{1, 1}, {1, 1}, {1, 1}}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues p = c.in;
    lm.CheckPolygon(p);
    ASSERT_EQ(p.size(), c.want.size());
    for (size_t i = 0; i < p.size(); ++i) expectLine(p[i], c.want[i]);
  }
}

TEST(TlineManTopology, ParentPolysGroupsByNesting) {
  TlineMan lm;
  TpolyXyValues nested{square(0, 0, 10), anti(2, 2, 6), square(4, 4, 2)};
  TpolyPolyXYvalues polys;
  lm.ParentPolys(nested, polys, false);
  ASSERT_EQ(polys.size(), 2u);
  ASSERT_EQ(polys[0].size(), 2u);
  expectLine(polys[0][0], square(0, 0, 10));
  expectLine(polys[0][1], anti(2, 2, 6));
  expectLine(polys[1][0], square(2, 2, 6));  // B made clockwise as an outer ring
  expectLine(polys[1][1], anti(4, 4, 2));
  TiList parents;
  lm.ParentPolys(nested, polys, true, parents);
  ASSERT_EQ(polys.size(), 3u);
  EXPECT_EQ(polys[2].size(), 1u);
  EXPECT_EQ(parents, (TiList{-1, 0, 1}));

  TpolyXyValues apart{anti(0, 0, 1), square(5, 5, 1)};
  lm.ParentPolys(apart, polys);
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_GT(lm.area(polys[0][0]), 0);
  EXPECT_GT(lm.area(polys[1][0]), 0);

  // The caller's rings are closed; a ring along which x never increases is judged by its first
  // point, and one ring alone is turned in place.
  TpolyXyValues open{{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{5, 2}, {5, 4}, {5, 2}}};
  lm.ParentPolys(open, polys, false);
  EXPECT_EQ(open[0].size(), 5u);
  EXPECT_EQ(polys.size(), 1u);
  TpolyXyValues one{anti(0, 0, 1)};
  lm.ParentPolys(one, polys);
  expectLine(one[0], square(0, 0, 1));
  TpolyXyValues none;
  lm.ParentPolys(none, polys);
  EXPECT_TRUE(polys.empty());
}

TEST(TlineManTopology, SnapOrdinates) {
  TlineMan lm;
  TpolyXyValues p{{{12.3456, -12.3456}}};
  lm.snapOrdinates(p, 0.01);
  EXPECT_DOUBLE_EQ(p[0][0].x, 12.34);
  EXPECT_DOUBLE_EQ(p[0][0].y, -12.34);
  lm.snapOrdinates(p, 0);
  EXPECT_DOUBLE_EQ(p[0][0].x, 12.34);
}

TEST(TlineManTopology, StitchLines) {
  TlineMan lm;
  TpolyXyValues lines{{{0, 0}, {1, 0}}, {{2, 0}, {1, 0}}, {{5, 5}, {6, 6}}};
  lm.StitchLines(lines);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (Txyvalues{{0, 0}, {1, 0}, {2, 0}}));
  // Three lines meeting at one point: a junction, nothing joined there.
  TpolyXyValues star{{{0, 0}, {1, 0}}, {{1, 0}, {2, 0}}, {{1, 0}, {1, 1}}};
  lm.StitchLines(star);
  EXPECT_EQ(star.size(), 3u);
  TpolyXyValues ring{{{0, 0}, {0, 1}, {1, 1}}, {{1, 1}, {1, 0}, {0, 0}}};
  lm.StitchLines(ring);
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_TRUE(lm.closed(ring[0]));
  EXPECT_EQ(ring[0].size(), 5u);

  struct {
    const char* id;
    double x, y;  // where the two lines meet
    int32_t option;
    size_t left;
  } const cases[] = {
      {"box: on its edge", 1, 0.5, 1, 2},      {"box: inside", 0.5, 0.5, 1, 1},
      {"x edge: on it", 1, 0.5, 2, 1},         {"x edge: off it", 0.5, 0.5, 2, 2},
      {"y edge: on it", 0.5, 0, 3, 1},         {"y edge: off it", 0.5, 0.5, 3, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues two{{{c.x - 0.3, c.y - 0.2}, {c.x, c.y}}, {{c.x, c.y}, {c.x + 0.2, c.y + 0.3}}};
    if (c.option == 1) lm.StitchLines(two, 0, 0, 1, 1, 0.001);
    if (c.option == 2) lm.StitchLinesOnXedge(two, 1, 0.001);
    if (c.option == 3) lm.StitchLinesOnYedge(two, 0, 0.001);
    EXPECT_EQ(two.size(), c.left);
  }
}

// A line cut into pieces of one to four segments, in a shuffled order, some pieces reversed.
TpolyXyValues shuffledPieces(const Txyvalues& line, uint32_t seed) {
  std::mt19937 rnd(seed);
  TpolyXyValues pieces;
  for (size_t at = 0; at + 1 < line.size();) {
    const size_t to = std::min(line.size() - 1, at + 1 + rnd() % 4);
    Txyvalues piece(line.begin() + static_cast<std::ptrdiff_t>(at), line.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    if (rnd() % 2) std::reverse(piece.begin(), piece.end());
    pieces.push_back(piece);
    at = to;
  }
  std::shuffle(pieces.begin(), pieces.end(), rnd);
  return pieces;
}

// Partners are looked up among the ends sorted by x, and a line that has taken others in answers
// for their far ends: long chains in any order must come back whole, junctions stay apart.
TEST(TlineManTopology, StitchLinesJoinsShuffledPieces) {
  TlineMan lm;
  const double nan = std::nan("");
  Txyvalues zigzag, arm;
  for (int i = 0; i < 300; ++i) zigzag.push_back({static_cast<double>(i), (i % 2) * 3.0});
  for (int i = 0; i < 40; ++i) arm.push_back({0, 1.0 + i});  // up from (0,0), zigzag's first point
  Txyvalues ring = square(0, 0, 10);
  ring.insert(ring.begin() + 1, {0, 5});
  const struct {
    const char* id;
    TpolyXyValues lines;
    std::vector<Txyvalues> whole;  // the lines the pieces must give back (either way round)
  } cases[] = {
      {"a long line", shuffledPieces(zigzag, 1), {zigzag}},
      {"far off", shuffledPieces(shifted({zigzag}, 1e15)[0], 2), {shifted({zigzag}, 1e15)[0]}},
      {"along one x", shuffledPieces(arm, 3), {arm}},
      {"a ring", shuffledPieces(ring, 4), {ring}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues lines = c.lines;
    lm.StitchLines(lines);
    ASSERT_EQ(lines.size(), c.whole.size());
    for (size_t k = 0; k < lines.size(); ++k) {
      if (lm.closed(c.whole[k])) {  // the same ring, from wherever it now starts
        EXPECT_TRUE(lm.closed(lines[k]));
        EXPECT_EQ(lines[k].size(), c.whole[k].size());
        EXPECT_DOUBLE_EQ(std::abs(lm.area(lines[k])), std::abs(lm.area(c.whole[k])));
        continue;
      }
      Txyvalues back(lines[k].rbegin(), lines[k].rend());
      EXPECT_TRUE(lines[k] == c.whole[k] || back == c.whole[k]);
    }
  }

  // Three long arms meeting at (0,0), each in pieces: each arm whole, none joined through the
  // junction. A point alone stays; empty lines go.
  // Two lines with NaN far ends still join at their finite ones.
  Txyvalues down = arm;
  for (xyrec& p : down) p.y = -p.y;
  down.insert(down.begin(), {0, 0});
  arm.insert(arm.begin(), {0, 0});
  TpolyXyValues three = shuffledPieces(zigzag, 5);
  for (const Txyvalues& piece : shuffledPieces(arm, 6)) three.push_back(piece);
  for (const Txyvalues& piece : shuffledPieces(down, 7)) three.push_back(piece);
  three.insert(three.begin() + 3, Txyvalues{});
  three.insert(three.begin() + 5, Txyvalues{{150, 3}});  // one point, on the zigzag
  three.insert(three.begin() + 7, Txyvalues{{nan, 0}, {-50, -50}});
  three.insert(three.begin() + 9, Txyvalues{{-50, -50}, {nan, nan}});
  lm.StitchLines(three);
  ASSERT_EQ(three.size(), 5u);
  EXPECT_EQ(std::count_if(three.begin(), three.end(), [](const Txyvalues& l) { return l.size() == 3 && l[1].x == -50; }), 1);
  size_t whole = 0;
  for (const Txyvalues& line : three)
    for (const Txyvalues* want : {&zigzag, &arm, &down}) {
      Txyvalues back(line.rbegin(), line.rend());
      if (line == *want || back == *want) ++whole;
    }
  EXPECT_EQ(whole, 3u);
}

// Nesting sorts every height of a ring; long lists go by radix on the values' bits, which must
// order them as comparison does: signs, zeros of both signs, infinities, repeats, tiny and huge.
TEST(TlineManTopology, HeightsSortAsComparisonSortsThem) {
  std::mt19937 rnd(52);
  const double inf = std::numeric_limits<double>::infinity();
  for (size_t n : {0u, 1u, 5u, 1023u, 1024u, 5000u}) {
    SCOPED_TRACE(n);
    Tdlist values;
    for (size_t i = 0; i < n; ++i) {
      const double pick[] = {0.0, -0.0, inf, -inf, 1e-310, -1e300, 3.5, -3.5};
      values.push_back(rnd() % 4 == 0 ? pick[rnd() % 8] : std::ldexp(static_cast<double>(rnd()) - 2147483648.0, static_cast<int>(rnd() % 80) - 40));
    }
    Tdlist want = values;
    std::sort(want.begin(), want.end());
    geom::sortValues(values);
    ASSERT_EQ(values.size(), want.size());
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(values[i], want[i]) << i;  // -0 == 0
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  }
}

}  // namespace
