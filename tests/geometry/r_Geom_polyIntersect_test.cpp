// TpolyIntersect: meetings recorded as cut positions along both lines, cut points inserted,
// lines broken and noded, self-crossings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

const Txyvalues kRing{{2, -1}, {4, -1}, {4, 1}, {2, 1}, {2, -1}};

using geomtest::expectLine;
using geomtest::kSquare;
using geomtest::shifted;
using geomtest::wave;

TEST(TpolyIntersect, SegmentAgainstARing) {
  TlineMan lm;
  TpolyIntersect& pi = *lm.polyIntersect;
  ASSERT_TRUE(pi.intersects(0, 0, 10, 0, kRing));
  EXPECT_EQ(pi.results, (Txyzvalues{{0.2, 3.5, 0}, {0.4, 1.5, 0}}));
  EXPECT_EQ(pi.cutB, (Tdlist{1.5, 3.5}));
  expectLine(pi.resultsXY, {{2, 0}, {4, 0}});
  // The same ring twice: each ring keeps its own meetings at the same positions.
  ASSERT_TRUE(pi.intersects(0, 0, 10, 0, TpolyXyValues{kRing, kRing}));
  EXPECT_EQ(pi.results, (Txyzvalues{{0.2, 3.5, 0}, {0.2, 3.5, 1}, {0.4, 1.5, 0}, {0.4, 1.5, 1}}));
  EXPECT_EQ(pi.cutB, (Tdlist{1.5, 1.5, 3.5, 3.5}));
  // Through a vertex of one ring: one meeting, not one per segment.
  ASSERT_TRUE(pi.intersects(5, -2, 1, 2, kRing));
  ASSERT_EQ(pi.results.size(), 2u);
  EXPECT_DOUBLE_EQ(pi.results[0].x, 0.25);
  EXPECT_DOUBLE_EQ(pi.results[1].x, 0.75);
  EXPECT_FALSE(pi.intersects(5, 5, 5, 5, kRing));
}

TEST(TpolyIntersect, EndsAndNeighbours) {
  TpolyIntersect pi;
  const Txyvalues line{{0, 0}, {0, 5}};
  EXPECT_FALSE(pi.intersects(0, 0, 5, 0, line, true));
  ASSERT_TRUE(pi.intersects(0, 0, 5, 0, line, false));
  EXPECT_EQ(pi.results, (Txyzvalues{{0, 0, 0}}));
  for (int32_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(pi.intersects(i, kSquare));
  }
  const Txyvalues zigzag{{0, 0}, {10, 0}, {10, 5}, {5, -5}};
  ASSERT_TRUE(pi.intersects(2, zigzag));
  EXPECT_EQ(pi.results.size(), 1u);
  EXPECT_DOUBLE_EQ(pi.results[0].y, 0.75);
  // Only meetings strictly inside both segments count with excludeends.
  pi.excludeends = true;
  EXPECT_FALSE(pi.intersects(5, -5, 5, 0, Txyvalues{{0, 0}, {10, 0}}));
  EXPECT_TRUE(pi.intersects(5, -5, 5, 1, Txyvalues{{0, 0}, {10, 0}}));
}

TEST(TpolyIntersect, LineAgainstLinesAndRings) {
  TpolyIntersect pi;
  const Txyvalues a{{0, 0}, {5, 0}, {10, 0}};
  const Txyvalues b{{0, -1}, {0, 1}, {5, 1}, {5, -1}, {10, -1}, {10, 1}};
  ASSERT_TRUE(pi.intersects(a, b));
  ASSERT_EQ(pi.results.size(), 3u);
  EXPECT_EQ(pi.results[0], (xyzrec{0, 0.5, 0}));
  EXPECT_EQ(pi.results[1], (xyzrec{1, 2.5, 0}));
  EXPECT_EQ(pi.results[2], (xyzrec{2, 4.5, 0}));
  // With excludeends the meetings at A's first and last points go, with their points and
  // positions; the field is as it was afterwards.
  pi.excludeends = true;
  ASSERT_TRUE(pi.intersects(a, b));
  EXPECT_EQ(pi.results, (Txyzvalues{{1, 2.5, 0}}));
  EXPECT_EQ(pi.cutB, (Tdlist{2.5}));
  expectLine(pi.resultsXY, {{5, 0}});
  EXPECT_TRUE(pi.excludeends);
  // A touch at an end counts in the line-against-rings form.
  pi.excludeends = false;
  EXPECT_TRUE(pi.intersects(Txyvalues{{-5, 5}, {0, 5}}, TpolyXyValues{kSquare}));
  EXPECT_FALSE(pi.intersects(Txyvalues{{-5, 5}, {-1, 5}}, TpolyXyValues{kSquare}));
  // The same segment both ways: its ends are meetings, the stretch an overlap.
  ASSERT_TRUE(pi.intersects(Txyvalues{{10, 0}, {0, 0}}, Txyvalues{{0, 0}, {10, 0}}));
  EXPECT_EQ(pi.results, (Txyzvalues{{0, 1, 0}, {1, 0, 0}}));
  ASSERT_EQ(pi.overlaps.size(), 1u);
  EXPECT_EQ(pi.overlaps[0].x1, 10);
  EXPECT_EQ(pi.overlaps[0].x2, 0);
}

TEST(TpolyIntersect, InsertResultsKeepEachPointInPlace) {
  TpolyIntersect pi;
  Txyvalues a{{0, 0}, {1, 0}, {2, 0}, {12, 0}, {13, 0}};
  Txyvalues b{{5, -1}, {5, 1}, {9, 1}, {9, -1}};
  ASSERT_TRUE(pi.intersects(a, b));
  EXPECT_DOUBLE_EQ(pi.results[0].x, 2.3);
  EXPECT_DOUBLE_EQ(pi.results[1].x, 2.7);
  pi.insertresults(a, b);
  expectLine(a, {{0, 0}, {1, 0}, {2, 0}, {5, 0}, {9, 0}, {12, 0}, {13, 0}});
  expectLine(b, {{5, -1}, {5, 0}, {5, 1}, {9, 1}, {9, 0}, {9, -1}});
  // A meeting on an existing vertex inserts nothing.
  Txyvalues c{{0, 0}, {5, 0}, {10, 0}}, d{{5, -1}, {5, 1}};
  ASSERT_TRUE(pi.intersects(c, d));
  pi.insertresults(c, d);
  EXPECT_EQ(c.size(), 3u);
  EXPECT_EQ(d.size(), 3u);
}

TEST(TpolyIntersect, BreakAndNode) {
  TpolyIntersect pi;
  const Txyvalues a{{0, 0}, {10, 0}};
  const Txyvalues b{{5, -5}, {5, 5}};
  ASSERT_TRUE(pi.intersects(a, b));
  TpolyXyValues pieces;
  pi.breakLine(a, pieces);
  ASSERT_EQ(pieces.size(), 2u);
  expectLine(pieces[1], {{5, 0}, {10, 0}});
  pi.breakLineB(b, pieces);
  expectLine(pieces[0], {{5, -5}, {5, 0}});

  // Two lines across a third: A's two lines in two pieces each, then B's line in three.
  const TpolyXyValues linesA{a, {{0, 2}, {10, 2}}};
  const TpolyXyValues linesB{b};
  TpolyXyValues noded;
  ASSERT_TRUE(pi.polysIntersect(linesA, linesB, noded));
  ASSERT_EQ(noded.size(), 7u);
  expectLine(noded[0], {{0, 0}, {5, 0}});
  expectLine(noded[4], {{5, -5}, {5, 0}});
  expectLine(noded[6], {{5, 0}, {5, 2}});
  EXPECT_FALSE(pi.polysIntersect(linesA, TpolyXyValues{{{20, 20}, {30, 30}}}, noded));
  EXPECT_EQ(noded.size(), 7u);

  TpolyXyValues spag{a, b, {{0, 2}, {10, 2}}};
  pi.spaghetti(spag, false);
  EXPECT_EQ(spag[0].size(), 3u);
  EXPECT_EQ(spag[1].size(), 4u);
  pi.spaghetti(spag, true);
  EXPECT_EQ(spag.size(), 7u);
  for (const Txyvalues& line : spag) EXPECT_EQ(line.size(), 2u);
}

TEST(TpolyIntersect, SelfCrossings) {
  TpolyIntersect pi;
  const Txyvalues bow{{0, 0}, {4, 4}, {4, 0}, {0, 4}};
  ASSERT_TRUE(pi.selfCuts(bow));
  EXPECT_EQ(pi.results, (Txyzvalues{{0.5, 0.5, 0}, {2.5, 2.5, 0}}));
  expectLine(pi.resultsXY, {{2, 2}});
  TpolyXyValues lines;
  ASSERT_TRUE(pi.selfCuts(bow, lines));
  ASSERT_EQ(lines.size(), 3u);
  expectLine(lines[0], {{0, 0}, {2, 2}});
  expectLine(lines[1], {{2, 2}, {4, 4}, {4, 0}, {2, 2}});
  expectLine(lines[2], {{2, 2}, {0, 4}});
  EXPECT_FALSE(pi.selfCuts(kSquare));
  EXPECT_FALSE(pi.selfCuts(Txyvalues{{0, 0}, {1, 1}, {2, 0}}));
  // A touch within the snap, across a gap between the segments' boxes: the first segment's end
  // lies 0.00005 from the third segment, which passes it on the way down.
  const Txyvalues nearly{{10, 0}, {5, 0}, {4.99995, 3}, {4.99995, -3}, {3, -3}};
  ASSERT_TRUE(pi.selfCuts(nearly));
  ASSERT_EQ(pi.results.size(), 2u);
  EXPECT_EQ(pi.results[0].x, 1);
  EXPECT_NEAR(pi.results[1].x, 2.5, 1e-9);
}

// A line against rings pairs its segments with theirs through box indexes: the meetings must be
// those of each segment of the line taken alone against the whole ring, in the same order.
TEST(TpolyIntersect, LineAgainstRingsAsSegmentBySegment) {
  TlineMan lm;
  const double nan = std::nan("");
  Txyvalues comb;  // vertical teeth: boxes with no width
  for (int i = 0; i < 30; ++i) {
    comb.push_back({2.0 * i, 0});
    comb.push_back({2.0 * i, 10});
  }
  Txyvalues withNan = wave(200, 0.1, 5, 0.13, 0, 0);
  withNan[50] = {nan, 1};
  const TpolyXyValues wavyRings{wave(300, 0.1, 4, 0.11, 1, 0), kSquare, {{3, 3}}, {}};
  const struct {
    const char* id;
    Txyvalues a;
    TpolyXyValues rings;
  } cases[] = {
      {"waves and rings", wave(300, 0.1, 5, 0.13, 0, 0), wavyRings},
      {"far off", shifted({wave(300, 0.1, 5, 0.13, 0, 0)}, 1e7)[0], shifted(wavyRings, 1e7)},
      {"huge: the margin is below the spacing of the numbers", shifted({wave(200, 1e3, 5e3, 0.13, 0, 0)}, 1e15)[0],
       shifted({wave(200, 1e3, 4e3, 0.11, 1, 0)}, 1e15)},
      {"a flat line along teeth and across them", {{-1, 5}, {70, 5}, {70, 0}, {-1, 0}}, {comb}},
      {"an end within the snap of a segment, boxes apart", {{10, 0}, {5.00005, 0}}, {{{5, 3}, {5, -3}}}},
      {"a NaN vertex", withNan, wavyRings},
      {"one segment", {{0, -20}, {10, 20}}, wavyRings},
      {"one point", {{1, 1}}, wavyRings},
      {"empty", {}, wavyRings},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Txyzvalues want;
    Txyvalues wantXY;
    TpolyIntersect one(&lm);
    for (int32_t r = 0; r < static_cast<int32_t>(c.rings.size()); ++r) {
      for (int32_t j = 0; j + 1 < static_cast<int32_t>(c.a.size()); ++j) {
        one.intersects(c.a[j].x, c.a[j].y, c.a[j + 1].x, c.a[j + 1].y, TpolyXyValues{c.rings[r]});
        for (size_t k = 0; k < one.results.size(); ++k) {
          const double x = j + one.results[k].x;
          size_t at = want.size();
          while (at > 0 && want[at - 1].x > x) --at;
          bool repeat = false;
          for (size_t m = at; m > 0 && want[m - 1].x == x; --m) repeat = repeat || want[m - 1].z == r;
          if (repeat) continue;
          want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), {x, one.results[k].y, static_cast<double>(r)});
          wantXY.insert(wantXY.begin() + static_cast<std::ptrdiff_t>(at), one.resultsXY[k]);
        }
      }
    }
    TpolyIntersect pi(&lm);
    EXPECT_EQ(pi.intersects(c.a, c.rings), !want.empty());
    EXPECT_EQ(pi.results, want);
    // A meeting at a vertex shared by two ring segments may take its point from either of them.
    ASSERT_EQ(pi.resultsXY.size(), wantXY.size());
    for (size_t k = 0; k < wantXY.size(); ++k) {
      EXPECT_NEAR(pi.resultsXY[k].x, wantXY[k].x, 1e-12 * (1 + std::abs(wantXY[k].x))) << k;
      EXPECT_NEAR(pi.resultsXY[k].y, wantXY[k].y, 1e-12 * (1 + std::abs(wantXY[k].y))) << k;
    }
  }
}

}  // namespace
