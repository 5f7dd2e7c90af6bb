// Point in loop and polygon: the square and holed-square cases, vertex and edge hit records,
// the turning-vertex ray rule, restored shared tolerance, and the prepared form answering as the
// plain tests do.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {
using geomtest::kSquare;
using geomtest::shifted;

const Txyvalues kHoleCw{{4, 4}, {4, 6}, {6, 6}, {6, 4}, {4, 4}};
const Txyvalues kHoleAcw{{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}};

TEST(TlineManInPoly, InLoopBoundaryIsOutside) {
  TlineMan lm;
  struct {
    double x, y;
    bool inside;
  } const cases[] = {{5, 5, true}, {0, 5, false}, {10, 5, false}, {5, 10, false}, {5, 0, false},
                     {0, 0, false}, {10, 10, false}, {11, 5, false}, {5, -1, false}, {std::nan(""), 5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(lm.inLoop(c.x, c.y, kSquare), c.inside);
  }
  EXPECT_FALSE(lm.inLoop(5, 5, Txyvalues{{5, 5}}));
}

TEST(TlineManInPoly, TurningVertexAboveThePointCountsTwiceOrNever) {
  TlineMan lm;
  // A spike whose apex (5,10) sits straight above the query point, the ring turning back in x there.
  const Txyvalues spike{{0, 0}, {5, 10}, {10, 0}, {0, 0}};
  EXPECT_TRUE(lm.inLoop(5, 5, spike));
  EXPECT_FALSE(lm.inLoop(5, 11, spike));
  const Txyvalues notch{{0, 0}, {0, 10}, {5, 5}, {10, 10}, {10, 0}, {0, 0}};  // V turning down at (5,5)
  EXPECT_TRUE(lm.inLoop(5, 2, notch));
  EXPECT_FALSE(lm.inLoop(5, 8, notch));
  // A vertex the ring passes through from left to right counts once.
  const Txyvalues passing{{0, 0}, {0, 10}, {5, 10}, {10, 10}, {10, 0}, {0, 0}};
  EXPECT_TRUE(lm.inLoop(5, 5, passing));
  // The screen form agrees.
  EXPECT_TRUE(lm.inLoop(5, 5, Tpoints{{0, 0}, {5, 10}, {10, 0}, {0, 0}}));
}

TEST(TlineManInPoly, InOrOnLoopHitRecord) {
  TlineMan lm;
  struct {
    double x, y;
    bool result;
    int32_t hittype, vertex;
    double hx, hy, u;
  } const cases[] = {
      {0, 5, true, 2, 0, 0, 5, 0.5},         {0, 0, true, 14, 0, 0, 0, 0},
      {0, 10, true, 6, 1, 0, 10, 0},         {10, 0, true, 6, 3, 10, 0, 0},
      {10, 9.9995, true, 6, 2, 10, 10, 0},   {10, 10, true, 6, 2, 10, 10, 0},  // the excluded corner too
      {5, 5, true, 1, 0, 5, 5, 0},           {20, 5, false, 0, 0, 20, 5, 0},
      // Just above the top edge: on it, the point kept, and its crossing below counted.
      {5.0004, 10.0004, true, 3, 1, 5.0004, 10.0004, 0.50004},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    const double before = trig->equality;
    EXPECT_EQ(lm.inOrOnLoop(c.x, c.y, 0.001, kSquare), c.result);
    EXPECT_EQ(trig->equality, before);
    EXPECT_EQ(lm.hit().hittype, c.hittype);
    if (!(c.hittype & 2)) continue;
    EXPECT_EQ(lm.hit().vertex, c.vertex);
    EXPECT_NEAR(lm.hit().x, c.hx, 1e-12);
    EXPECT_NEAR(lm.hit().y, c.hy, 1e-12);
    EXPECT_NEAR(lm.hit().u, c.u, 1e-9);
  }
  EXPECT_DOUBLE_EQ(lm.farea, 100);
  EXPECT_TRUE(lm.fclockwise);
  EXPECT_TRUE(lm.inOrOnLoop(1, 1.0005, 0.001, Txyvalues{{1, 1}}));
  EXPECT_EQ(lm.hit().hittype, 32);
  EXPECT_FALSE(lm.inOrOnLoop(1, 1, 0.001, Txyvalues{}));
  // An open line's last point.
  EXPECT_TRUE(lm.inOrOnLoop(10, 0, 0.001, Txyvalues{{0, 0}, {5, 0}, {10, 0}}));
  EXPECT_EQ(lm.hit().hittype, 2 | 4 | 16);
}

TEST(TlineManInPoly, PolygonsWithHoles) {
  TlineMan lm;
  const TpolyXyValues holed{kSquare, kHoleAcw};
  EXPECT_FALSE(lm.inPolygon(5, 5, holed));
  EXPECT_TRUE(lm.inPolygon(2, 2, holed));
  EXPECT_EQ(lm.hit().hittype, 1);
  EXPECT_FALSE(lm.inLoops(5, 5, holed));
  EXPECT_TRUE(lm.inLoops(2, 2, holed));
  EXPECT_EQ(lm.inHole(5, 5, holed), 1);
  EXPECT_EQ(lm.inHole(2, 2, holed), -1);
  EXPECT_FALSE(lm.inPolygon(2, 2, holed, 3, 3, 10, 10));  // box pre-test
  EXPECT_EQ(lm.inPolygon(5, 5, TpolyPolyXYvalues{holed, {kHoleCw}}), 1);
  EXPECT_FALSE(lm.inPolygon(5, 5, TpolyXyValues{}));

  // Overlapping holes: the first hole ends inPolygon, while inLoops counts three rings.
  const TpolyXyValues twoHoles{kSquare, kHoleAcw, {{3, 3}, {7, 3}, {7, 7}, {3, 7}, {3, 3}}};
  EXPECT_FALSE(lm.inPolygon(5, 5, twoHoles));
  EXPECT_TRUE(lm.inLoops(5, 5, twoHoles));

  // In or on by ring areas: the smallest ring holding the point decides.
  EXPECT_FALSE(lm.inOrOnPolygon(5, 5, 0.001, holed));
  EXPECT_EQ(lm.hit().hittype, 1);
  EXPECT_TRUE(lm.inOrOnPolygon(2, 2, 0.001, holed));
  EXPECT_TRUE(lm.inOrOnPolygon(4, 5, 0.001, holed));
  EXPECT_EQ(lm.hit().loop, 1);
  EXPECT_TRUE(lm.hit().hittype & 2);
  EXPECT_FALSE(lm.inOrOnPolygon(5, 5, 0.001, TpolyXyValues{}));

  const TpolyXyValues nested{kSquare, kHoleCw};
  EXPECT_EQ(lm.inWhichLoop(5, 5, nested), 1);
  EXPECT_EQ(lm.inWhichLoop(2, 2, nested), 0);
  EXPECT_EQ(lm.inWhichLoop(20, 2, nested), -1);
  EXPECT_EQ(lm.inOrOnWhichLoop(4, 5, 0.001, nested), 1);
  EXPECT_EQ(lm.closestToWhichLoop(3.5, 5, nested), 1);
  EXPECT_EQ(lm.closestToWhichLoop(0.5, 5, nested), 0);
}

// A wavy ring of n vertices around (cx, cy), clockwise or not, closed.
Txyvalues wavy(double cx, double cy, double r, int n, bool clockwise) {
  Txyvalues ring;
  for (int i = 0; i < n; ++i) {
    const double a = (clockwise ? -2 : 2) * M_PI * i / n;
    const double k = r * (1 + 0.2 * std::sin(13 * a));
    ring.push_back({cx + k * std::cos(a), cy + k * std::sin(a)});
  }
  ring.push_back(ring[0]);
  return ring;
}

// The index only narrows which edges are looked at: every answer is the plain test's, on
// vertices, edges, just off them, inside, outside and at non-finite points.
TEST(TpreparedPolygon, AnswersAsThePlainTests) {
  TlineMan& lm = createLineman();
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  const TpolyXyValues wavyHoled{wavy(0, 0, 100, 5000, true), wavy(30, 0, 20, 700, false), wavy(-40, 10, 15, 90, false)};
  Txyvalues withNan = wavy(0, 0, 10, 40, true);
  withNan[7] = {nan, 3};
  const struct {
    const char* id;
    TpolyXyValues poly;
  } cases[] = {
      {"no rings", {}},
      {"one point", {{{1, 1}}}},
      {"one segment", {{{0, 0}, {10, 0}}}},
      {"flat ring", {{{0, 0}, {5, 0}, {10, 0}, {0, 0}}}},
      {"vertical flat ring", {{{2, 0}, {2, 5}, {2, 10}, {2, 0}}}},
      {"square with a hole", {kSquare, kHoleAcw}},
      {"notched ring", {{{0, 0}, {0, 4}, {2, 5}, {0, 6}, {0, 10}, {4, 10}, {4, 0}, {0, 0}}}},
      {"open ring", {{{0, 0}, {0, 10}, {10, 10}, {10, 0}}}},
      {"wavy ring of 5,000 with holes", wavyHoled},
      {"far off", shifted(wavyHoled, 1e7)},
      {"huge", shifted({kSquare, kHoleAcw}, 1e15)},
      {"a NaN vertex", {withNan}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const TpreparedPolygon prepared(c.poly);
    ASSERT_EQ(prepared.rings(), static_cast<int32_t>(c.poly.size()));
    std::vector<xyrec> points{{nan, 0}, {0, nan}, {inf, 5}, {-inf, 5}, {5, inf}};
    for (const Txyvalues& ring : c.poly)
      for (size_t i = 0; i < ring.size(); i += ring.size() > 200 ? 37 : 1) {
        const xyrec& p = ring[i];
        points.push_back(p);
        for (double d : {1e-7, 2e-6, 1e-3}) points.push_back({p.x + d, p.y - d});
        if (i + 1 < ring.size()) points.push_back({(p.x + ring[i + 1].x) / 2, (p.y + ring[i + 1].y) / 2});
        if (i + 1 < ring.size()) points.push_back({p.x, (p.y + ring[i + 1].y) / 2});
      }
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    lm.bounds(x1, y1, x2, y2, c.poly);
    for (int i = 0; i <= 20; ++i)
      for (int j = 0; j <= 20; ++j)
        points.push_back({x1 - 1 + (x2 - x1 + 2) * i / 20, y1 - 1 + (y2 - y1 + 2) * j / 20});
    for (const xyrec& p : points) {
      SCOPED_TRACE(std::to_string(p.x) + " " + std::to_string(p.y));
      EXPECT_EQ(prepared.inPolygon(p.x, p.y), !c.poly.empty() && lm.inPolygon(p.x, p.y, c.poly));
      for (int32_t r = 0; r < prepared.rings(); ++r) EXPECT_EQ(prepared.inLoop(p.x, p.y, r), lm.inLoop(p.x, p.y, c.poly[r]));
    }
  }
}

TEST(TpreparedPolygon, HitRecordUnpreparedAndPreparedAgain) {
  TlineMan& lm = createLineman();
  const TpolyXyValues holed{kSquare, kHoleAcw};
  TpreparedPolygon prepared;
  EXPECT_FALSE(prepared.inPolygon(2, 2));  // nothing prepared
  prepared.prepare(holed);
  lm.hit().hittype = 0;
  EXPECT_TRUE(lm.inPolygon(2, 2, prepared));
  EXPECT_EQ(lm.hit().hittype, 1);
  EXPECT_FALSE(lm.inPolygon(5, 5, prepared));  // in the hole
  EXPECT_FALSE(prepared.inLoop(5, 5, 2));       // no such ring
  EXPECT_FALSE(prepared.inLoop(5, 5, -1));
  // A single ring, and the same object prepared on another polygon.
  prepared.prepare(kHoleCw);
  EXPECT_EQ(prepared.rings(), 1);
  EXPECT_TRUE(prepared.inPolygon(5, 5));
  EXPECT_FALSE(prepared.inPolygon(2, 2));
}

}  // namespace
