// Line editing: closed lines, cutting at positions and into pieces, joining, moving polygons and
// tidying; positions outside a line are held to it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::expectLine;

TEST(TlineManEdit, ClosedAcuteAndCloseLoop) {
  TlineMan lm;
  const Txyvalues three{{0, 0}, {1, 0}, {0, 0}};
  EXPECT_FALSE(lm.closed(three, 0.1));
  EXPECT_TRUE(lm.closed(three));
  EXPECT_TRUE(lm.acute({{0, 0}, {10, 0}, {0, 1}}));
  EXPECT_FALSE(lm.acute({{0, 0}, {10, 0}, {20, 1}}));

  Txyvalues open{{0, 0}, {1, 0}, {1, 1}};
  lm.closeLoop(open);
  expectLine(open, {{0, 0}, {1, 0}, {1, 1}, {0, 0}});
  Txyvalues near{{0, 0}, {1, 0}, {1, 1}, {0.0000001, 0}};
  lm.closeLoop(near);
  EXPECT_EQ(near.back(), (xyrec{0, 0}));
  EXPECT_EQ(near.size(), 4u);
  Txyvalues two{{0, 0}, {1, 0}};
  lm.closeLoop(two);
  EXPECT_EQ(two.size(), 2u);
}

TEST(TlineManEdit, SplitChainAtPositionAndVertex) {
  TlineMan lm;
  Txyvalues a{{0, 0}, {10, 0}, {10, 10}}, b;
  ASSERT_TRUE(lm.splitChain(a, b, 0, 0.5));
  expectLine(a, {{0, 0}, {5, 0}});
  expectLine(b, {{5, 0}, {10, 0}, {10, 10}});

  a = {{0, 0}, {10, 0}, {10, 10}};
  ASSERT_TRUE(lm.splitChain(a, b, 1, 0.0));
  expectLine(a, {{0, 0}, {10, 0}});
  expectLine(b, {{10, 0}, {10, 10}});
  // Outside the line, or at its ends: nothing changes.
  for (auto [v, u] : {std::pair{2, 0.0}, {0, 0.0}, {5, 0.5}, {-1, 0.5}, {0, std::nan("")}}) {
    SCOPED_TRACE(v);
    Txyvalues c{{0, 0}, {10, 0}, {10, 10}}, d{{7, 7}};
    EXPECT_FALSE(lm.splitChain(c, d, v, u));
    EXPECT_EQ(c.size(), 3u);
    EXPECT_EQ(d.size(), 1u);
  }
  Txyvalues c{{0, 0}, {1, 0}}, d{{7, 7}};
  lm.splitChain(c, d, 5);
  EXPECT_TRUE(d.empty());
  EXPECT_EQ(c.size(), 2u);
}

TEST(TlineManEdit, SplitIntoPieces) {
  TlineMan lm;
  const Txyvalues line{{0, 0}, {10, 0}, {20, 0}};
  struct {
    const char* id;
    Tdlist u;
    std::vector<Txyvalues> pieces;
    Tdlist after;
  } const cases[] = {
      {"two cuts", {0.5, 1.5}, {{{0, 0}, {5, 0}}, {{5, 0}, {10, 0}, {15, 0}}, {{15, 0}, {20, 0}}}, {0.5, 1.5}},
      {"ends and repeats ignored", {0, 0.5, 0.5, 2}, {{{0, 0}, {5, 0}}, {{5, 0}, {10, 0}, {20, 0}}}, {0, 0.5, 0.5, 2}},
      {"one segment twice", {0.25, 0.75}, {{{0, 0}, {2.5, 0}}, {{2.5, 0}, {7.5, 0}}, {{7.5, 0}, {10, 0}, {20, 0}}},
       {1 / 3.0, 0.75}},
      {"at a vertex", {1}, {{{0, 0}, {10, 0}}, {{10, 0}, {20, 0}}}, {1}},
      {"beyond the line", {7}, {{{0, 0}, {10, 0}, {20, 0}}, {}}, {7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Tdlist u = c.u;
    TpolyXyValues pieces;
    EXPECT_TRUE(lm.splitchain(line, pieces, u));
    ASSERT_EQ(pieces.size(), c.pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i) expectLine(pieces[i], c.pieces[i]);
    ASSERT_EQ(u.size(), c.after.size());
    for (size_t i = 0; i < u.size(); ++i) EXPECT_DOUBLE_EQ(u[i], c.after[i]);
  }
  // The exact cut points replace the computed ones on both sides.
  Txyzvalues xyu{{2.5000001, 0.0000001, 0.25}};
  TpolyXyValues pieces;
  ASSERT_TRUE(lm.splitchain(line, pieces, xyu));
  EXPECT_EQ(pieces[0].back(), (xyrec{2.5000001, 0.0000001}));
  EXPECT_EQ(pieces[1].front(), (xyrec{2.5000001, 0.0000001}));
}

TEST(TlineManEdit, PrePendTruncateExtractShorten) {
  TlineMan lm;
  Txyvalues a{{5, 0}, {6, 0}}, b{{5, 0}, {4, 0}, {4, 0}};
  lm.prePend(a, b, true);
  expectLine(a, {{4, 0}, {5, 0}, {6, 0}});
  expectLine(b, {{4, 0}, {4, 0}, {5, 0}});  // the caller's b is reversed

  Txyvalues t{{0, 0}, {10, 0}};
  lm.truncate(t, 0, 0.2, 0, 0.5);
  expectLine(t, {{2, 0}, {5, 0}});
  t = {{0, 0}, {10, 0}, {20, 0}};
  lm.truncate(t, 1.25);
  expectLine(t, {{0, 0}, {10, 0}, {12.5, 0}});
  t = {{0, 0}, {10, 0}, {20, 0}};
  lm.truncate(t, 5, 0.5);  // past the end: held to it
  expectLine(t, {{0, 0}, {10, 0}, {20, 0}});
  t = {{0, 0}, {10, 0}, {20, 0}};
  lm.truncate(t, 1, 0.5, 0, 0.5);
  expectLine(t, {{5, 0}, {10, 0}, {15, 0}});

  const Txyvalues src{{0, 0}, {10, 0}, {20, 0}};
  Txyvalues x{{9, 9}};
  ASSERT_TRUE(lm.extract(x, src, 1.5, 0.5));
  expectLine(x, {{5, 0}, {10, 0}, {15, 0}});
  ASSERT_TRUE(lm.extract(x, src, 0, 0.5, 1, 0));
  expectLine(x, {{5, 0}, {10, 0}});
  ASSERT_TRUE(lm.extract(x, src, -3, 0, 9, 0.5));  // held to the source
  expectLine(x, src);
  EXPECT_FALSE(lm.extract(x, src, 0.5, 0.5));
  EXPECT_FALSE(lm.extract(x, Txyvalues{}, 0, 1));
  expectLine(x, src);

  Txyvalues s{{0, 0}, {10, 0}, {20, 0}};
  lm.shorten(s, 0, 0.5);
  expectLine(s, {{5, 0}, {10, 0}, {20, 0}});
  lm.shorten(s, 2, 0.5);  // the last vertex with a fraction: held to the end
  expectLine(s, {{20, 0}});
  lm.shorten(s, 3, 0);
  EXPECT_EQ(s.size(), 1u);
  Txyvalues s2{{0, 0}, {1, 0}, {2, 0}};
  lm.shorten(s2, 2);
  expectLine(s2, {{2, 0}});
}

TEST(TlineManEdit, MovingPolygons) {
  TlineMan lm;
  TpolyXyValues p{{{0, 1}}};
  lm.rotate(p, 0, 0, M_PI / 2);
  EXPECT_NEAR(p[0][0].x, 1, 1e-12);
  EXPECT_NEAR(p[0][0].y, 0, 1e-12);
  p = {{{2, 0}}};
  lm.stretch(p, 0, 0, 2, 1, 0);
  EXPECT_NEAR(p[0][0].x, 4, 1e-12);
  EXPECT_NEAR(p[0][0].y, 0, 1e-12);
  p = {{{0, 2}}};
  lm.stretch(p, 0, 0, 2, 1, 90);  // the x axis turned onto y
  EXPECT_NEAR(p[0][0].x, 0, 1e-12);
  EXPECT_NEAR(p[0][0].y, 4, 1e-12);
  p = {{{1, 1}}, {{2, 3}}};
  lm.stretch(p, 1, 1, 2, 3);
  lm.shift(p, 1, -1);
  EXPECT_EQ(p[1][0], (xyrec{4, 6}));
}

TEST(TlineManEdit, EliminateDuplicates) {
  TlineMan lm;
  Txyvalues xy{{0, 0}, {1, 0}, {1.0000004, 0}, {1.0000008, 0}, {2, 0}};
  lm.eliminateDuplicates(xy);
  ASSERT_EQ(xy.size(), 3u);
  // The run averaged from its end: (1.0000004 + 1.0000008) / 2, then with 1.
  EXPECT_NEAR(xy[1].x, (1 + (1.0000004 + 1.0000008) / 2) / 2, 1e-15);
}

TEST(TlineManEdit, Resample) {
  TlineMan lm;
  Txyvalues xy{{0, 0}, {10, 0}};
  ASSERT_TRUE(lm.resample(xy, 3, 0));
  expectLine(xy, {{0, 0}, {10 / 3.0, 0}, {20 / 3.0, 0}, {10, 0}});
  xy = {{0, 0}, {10, 0}};
  lm.resample(xy, 4);  // 2.5 goes to the even 2
  expectLine(xy, {{0, 0}, {5, 0}, {10, 0}});
  xy = {{0, 0}, {4, 0}, {4, 6}};
  ASSERT_TRUE(lm.resample(xy, 100, 5));
  expectLine(xy, {{0, 0}, {2, 0}, {4, 0}, {4, 2}, {4, 4}, {4, 6}});
  Tpoints pts{{0, 0}, {10, 0}};
  lm.resample(pts, 4);
  EXPECT_EQ(pts, (Tpoints{{0, 0}, {5, 0}, {10, 0}}));

  xy = {{0, 0}, {10, 0}};
  ASSERT_TRUE(lm.resampleWithoutloss(xy, 3));
  expectLine(xy, {{0, 0}, {2.5, 0}, {5, 0}, {7.5, 0}, {10, 0}});
  xy = {{0, 0}, {10, 0}};
  lm.resampleWithoutloss(xy, 10);
  EXPECT_EQ(xy.size(), 2u);

  // Billions of points are refused, as are lines without a length.
  const double inf = std::numeric_limits<double>::infinity();
  for (const Txyvalues& bad : {Txyvalues{{0, 0}, {10, 0}}, Txyvalues{{0, 0}, {inf, 0}}, Txyvalues{{1, 1}, {1, 1}}}) {
    Txyvalues r = bad, w = bad;
    EXPECT_FALSE(lm.resample(r, 1e-9, 0));
    EXPECT_FALSE(lm.resampleWithoutloss(w, 1e-9));
    EXPECT_EQ(r.size(), 2u);
    EXPECT_EQ(w.size(), 2u);
  }
}

TEST(TlineManEdit, RemoveShortSegments) {
  TlineMan lm;
  struct {
    const char* id;
    Txyvalues xy;
    double minlength;
    bool result;
    Txyvalues want;
  } const cases[] = {
      {"middle into the shorter neighbour", {{0, 0}, {10, 0}, {10.1, 0}, {20, 0}}, 1, true, {{0, 0}, {10, 0}, {20, 0}}},
      {"neighbours of one length: the previous takes it", {{0, 0}, {10, 0}, {10.5, 0}, {20.5, 0}}, 1, true,
       {{0, 0}, {10.5, 0}, {20.5, 0}}},
      {"first", {{0, 0}, {0.1, 0}, {10, 0}, {20, 0}}, 1, true, {{0, 0}, {10, 0}, {20, 0}}},
      {"last", {{0, 0}, {10, 0}, {19.9, 0}, {20, 0}}, 1, true, {{0, 0}, {10, 0}, {20, 0}}},
      {"two points", {{0, 0}, {0.1, 0}}, 1, true, {{0, 0}, {0.1, 0}}},
      {"none short", {{0, 0}, {10, 0}}, 1, false, {{0, 0}, {10, 0}}},
      {"no minimum", {{0, 0}, {0.1, 0}, {10, 0}}, 0, false, {{0, 0}, {0.1, 0}, {10, 0}}},
      {"all short", {{0, 0}, {0.1, 0}, {0.2, 0}, {0.3, 0}}, 1, true, {{0, 0}, {0.3, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Txyvalues xy = c.xy;
    EXPECT_EQ(lm.removeShortSegments(xy, c.minlength), c.result);
    expectLine(xy, c.want);
  }
}

TEST(TlineManEdit, EliminateSpikes) {
  TlineMan lm;
  Txyvalues xy{{0, 0}, {5, 0}, {5, 5}, {5, 0}, {10, 0}};
  lm.eliminateSpikes(xy);
  expectLine(xy, {{0, 0}, {5, 0}, {10, 0}});
  // A ring that is all spike shrinks to below three points without reading past its end.
  xy = {{0, 0}, {1, 0}, {0, 0}, {1, 0}, {0, 0}};
  lm.eliminateSpikes(xy);
  expectLine(xy, {{0, 0}, {1, 0}});
  Txyvalues sq{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};
  Txyvalues kept = sq;
  lm.eliminateSpikes(kept);
  expectLine(kept, sq);

  // By angle: the sharp turn goes, the right angles stay; a vertex that goes straight on counts as
  // an angle of 0 and goes too.
  xy = {{0, 0}, {0, 10}, {10, 10}, {0, 10.5}, {10, 0}};
  lm.eliminateSpikes(xy, 0.2);
  expectLine(xy, {{0, 0}, {0, 10.5}, {10, 0}});
  Txyvalues flat{{0, 0}, {1, 0}, {2, 0}};
  lm.eliminateSpikes(flat, 0.1);  // every end angle is 0 on a cyclic straight line
  EXPECT_EQ(flat.size(), 2u);
}

// The tidying edits written as erasing one point at a time, as they read: the in-place passes
// must leave exactly these points.
void straightenByErasing(Txyvalues& xy, double minangle) {
  const Ttrig& t = createTrig();
  for (bool removed = true; removed && xy.size() >= 3;) {
    removed = false;
    for (int32_t i = static_cast<int32_t>(xy.size()) - 2; i >= 1; --i)
      if (std::abs(t.changeOfDirection(xy[i - 1].x, xy[i - 1].y, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y)) * rad2deg <
          minangle) {
        xy.erase(xy.begin() + i);
        removed = true;
      }
  }
}

bool removeShortByErasing(Txyvalues& xy, double minlength) {
  if (!(minlength > 0) || xy.size() < 2) return false;
  const Ttrig& t = createTrig();
  auto dist = [&](size_t a, size_t b) { return t.getdistance(xy[a].x, xy[a].y, xy[b].x, xy[b].y); };
  Tdlist len;
  for (size_t s = 0; s + 1 < xy.size(); ++s) len.push_back(dist(s, s + 1));
  bool result = false;
  int32_t last = static_cast<int32_t>(len.size()) - 1;
  for (int32_t s = last; s >= 0; --s) {
    if (!(len[s] < minlength)) continue;
    result = true;
    if (s == 0) {
      if (xy.size() > 2) xy.erase(xy.begin() + 1);
    } else if (s < last && len[s - 1] > len[s + 1]) {
      xy.erase(xy.begin() + s + 1);
      len[s] = dist(s, s + 1);
      len.erase(len.begin() + s + 1);
    } else {
      xy.erase(xy.begin() + s);
      len[s - 1] = dist(s - 1, s);
      len.erase(len.begin() + s);
    }
    --last;
  }
  return result;
}

// Both spike forms work on a line whose ends are neighbours, a closed line's closing point off.
template <typename Work>
void cyclicByErasing(const TlineMan& lm, Txyvalues& xy, Work work) {
  if (xy.size() < 3) return;
  const bool closed = lm.closed(xy);
  if (closed) xy.pop_back();
  work();
  if (closed) lm.closeLoop(xy);
}

void spikesByErasing(const TlineMan& lm, Txyvalues& xy) {
  cyclicByErasing(lm, xy, [&] {
    for (int32_t n = static_cast<int32_t>(xy.size()) - 2; n >= 0 && xy.size() >= 3; --n) {
      const auto len = static_cast<int32_t>(xy.size());
      n = std::min(n, len - 1);
      const int32_t prev = (n + len - 1) % len, next = (n + 1) % len;
      if (!lm.equal(xy[prev], xy[next])) continue;
      xy.erase(xy.begin() + std::max(n, next));
      xy.erase(xy.begin() + std::min(n, next));
      if (next < n) --n;
    }
  });
}

void spikesByAngleErasing(const TlineMan& lm, Txyvalues& xy, double minangle) {
  const Ttrig& t = createTrig();
  cyclicByErasing(lm, xy, [&] {
    for (int32_t b = static_cast<int32_t>(xy.size()) - 1; b >= 0 && xy.size() > 2; --b)
      while (xy.size() > 2 && b < static_cast<int32_t>(xy.size())) {
        const auto len = static_cast<int32_t>(xy.size());
        const xyrec &p = xy[(b + len - 1) % len], &q = xy[b], &r = xy[(b + 1) % len];
        if (!(t.AngleBetweenLines(p.x, p.y, q.x, q.y, r.x, r.y) < minangle)) break;
        xy.erase(xy.begin() + b);
        if (!(b < static_cast<int32_t>(xy.size()) - 2)) break;
      }
  });
}

// Lines made to be tidied: nearly straight runs, short steps, out-and-back spikes (nested too),
// spikes across the closing point of a ring, open and closed.
TEST(TlineManEdit, TidyingInPlaceLeavesThePointsErasingWould) {
  TlineMan lm;
  std::mt19937 rnd(46);
  std::uniform_real_distribution<double> u(0, 1);
  for (int k = 0; k < 400; ++k) {
    SCOPED_TRACE(k);
    const int n = 3 + static_cast<int>(rnd() % (k < 300 ? 30 : 400));
    Txyvalues xy;
    double x = 0, y = 0, heading = 0;
    for (int i = 0; i < n; ++i) {
      xy.push_back({x, y});
      const double kind = u(rnd);
      if (kind < 0.15 && i >= 1) {
        xy.push_back({x + 3 * u(rnd), y + 3 * u(rnd)});  // out
        xy.push_back({x, y});                            // and back
        if (kind < 0.05) xy.push_back(xy[xy.size() - 4]);  // and back once more
      }
      heading += kind < 0.5 ? 0.01 * (u(rnd) - 0.5) : 2 * (u(rnd) - 0.5);
      const double step = kind > 0.8 ? 0.05 : 1 + u(rnd);
      x += step * std::cos(heading);
      y += step * std::sin(heading);
    }
    if (k % 3 == 0) xy.push_back(xy.front());  // closed
    if (k % 7 == 0 && xy.size() > 3) {        // a spike across the closing point
      xy.back() = xy[1];
      xy.push_back(xy.front());
    }
    const double angle = 5 * u(rnd), length = 1.2 * u(rnd), spikeAngle = 0.5 * u(rnd);

    Txyvalues got = xy, want = xy;
    lm.straighten(got, angle);
    straightenByErasing(want, angle);
    EXPECT_EQ(got, want) << "straighten";

    got = want = xy;
    EXPECT_EQ(lm.removeShortSegments(got, length), removeShortByErasing(want, length));
    EXPECT_EQ(got, want) << "removeShortSegments";

    got = want = xy;
    lm.eliminateSpikes(got);
    spikesByErasing(lm, want);
    EXPECT_EQ(got, want) << "eliminateSpikes";

    got = want = xy;
    lm.eliminateSpikes(got, spikeAngle);
    spikesByAngleErasing(lm, want, spikeAngle);
    EXPECT_EQ(got, want) << "eliminateSpikes by angle";
  }
}

}  // namespace
