// Segment crossings: status bits, shared ends, collinear overlaps, degenerate input, line forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::wave;

struct CrossCase {
  const char* id;
  double x1, y1, x2, y2, x3, y3, x4, y4;
  bool result;
  int32_t status;
};

TEST(TlineManCross, StatusBitsAndResults) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const CrossCase cases[] = {
      {"proper X", 0, 0, 10, 10, 0, 10, 10, 0, true, 64 | 128},
      {"at end of segment 1", 0, 0, 10, 0, 10, -5, 10, 5, true, 128},
      {"at start of segment 2", 0, 0, 10, 0, 5, 0, 5, 5, true, 64},
      {"apart", 0, 0, 1, 1, 5, 0, 6, -1, false, 0},
      {"shared p1=p3", 0, 0, 10, 0, 0, 0, 0, 10, false, 256},
      {"shared p1=p4", 0, 0, 10, 0, 0, 10, 0, 0, false, 512},
      {"shared p2=p3", 0, 0, 10, 0, 10, 0, 10, 10, false, 1024},
      {"shared p2=p4", 0, 0, 10, 0, 10, 10, 10, 0, false, 2048},
      {"shared both ends, last wins", 0, 0, 10, 0, 10, 0, 0, 0, false, 1024},
      {"collinear overlap", 0, 0, 10, 0, 5, 0, 15, 0, true, 2 | 4 | 32},
      {"collinear vertical overlap", 0, 0, 0, 10, 0, 5, 0, 15, true, 2 | 4 | 32},
      {"collinear contained", 0, 0, 10, 0, 2, 0, 8, 0, true, 2 | 4 | 8},
      {"collinear touching end to end", 0, 0, 10, 0, 10, 0, 20, 0, false, 1024},
      {"collinear apart", 0, 0, 1, 0, 2, 0, 3, 0, false, 0},
      {"parallel apart", 0, 0, 10, 10, 1, 0, 11, 10, false, 1},
      {"horizontal parallel, extents apart", 0, 0, 10, 0, 0, 1, 10, 1, false, 0},
      {"segment 1 of no length", 5, 0, 5, 0, 0, -1, 10, 1, false, 0},
      {"segment 2 of no length on segment 1", 0, 0, 10, 0, 5, 0, 5, 0, false, 0},
      {"both of no length", 1, 1, 1, 1, 1, 1, 1, 1, false, 2048},
      // Short segments (data in degrees) still cross: the parallel test scales with their lengths.
      {"short 1e-4 X", 0, 0, 1e-4, 1e-4, 0, 1e-4, 1e-4, 0, true, 64 | 128},
      {"short 1e-5 X near 1e6", 1e6, 1e6, 1e6 + 1e-5, 1e6 + 1e-5, 1e6, 1e6 + 1e-5, 1e6 + 1e-5, 1e6, true,
       64 | 128},
      {"NaN", nan, 0, 10, 10, 0, 10, 10, 0, false, 0},
      {"infinite", 0, 0, inf, inf, 0, 10, 10, 0, false, 0},
  };
  TlineMan lm;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    int32_t status = -1;
    EXPECT_EQ(lm.linesCross(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4, status), c.result);
    EXPECT_EQ(status, c.status);
  }
}

TEST(TlineManCross, CrossingPointParametersAndSharedEnd) {
  TlineMan lm;
  ASSERT_TRUE(lm.linesCross(0, 0, 10, 10, 0, 10, 10, 0));
  EXPECT_DOUBLE_EQ(lm.xc(), 5);
  EXPECT_DOUBLE_EQ(lm.yc(), 5);
  EXPECT_DOUBLE_EQ(lm.u1, 0.5);
  EXPECT_DOUBLE_EQ(lm.u2, 0.5);
  EXPECT_EQ(lm.crossstatus, 192);

  // A shared end is no crossing, but leaves the point; moved by 1e-9 it crosses within tolerance.
  EXPECT_FALSE(lm.linesCross(xyrec{0, 0}, xyrec{10, 0}, xyrec{10, 0}, xyrec{10, 10}));
  EXPECT_EQ(lm.crossstatus, 1024);
  EXPECT_EQ(lm.xc(), 10);
  EXPECT_EQ(lm.yc(), 0);
  EXPECT_TRUE(lm.linesCross(0, 0, 10, 0, 10 + 1e-9, 0, 10, 10));
  EXPECT_NEAR(lm.u1, 1, 1e-6);
  EXPECT_NEAR(lm.u2, 0, 1e-6);

  // Collinear (0,0)-(10,0) and (5,0)-(15,0): u1, u2 are segment 1's ends along segment 2.
  ASSERT_TRUE(lm.linesCross(0, 0, 10, 0, 5, 0, 15, 0));
  EXPECT_DOUBLE_EQ(lm.u1, -0.5);
  EXPECT_DOUBLE_EQ(lm.u2, 0.5);

  // Failed extents leave the fields alone; assumeBounds goes on to the collinear test.
  lm.u1 = 42;
  int32_t status = -1;
  EXPECT_FALSE(lm.linesCross(0, 0, 1, 0, 2, 0, 3, 0, status));
  EXPECT_EQ(lm.u1, 42);
  lm.assumeBounds = true;
  EXPECT_FALSE(lm.linesCross(0, 0, 1, 0, 2, 0, 3, 0, status));
  EXPECT_EQ(status, 2);
}

TEST(TlineManCross, LineForms) {
  TlineMan lm;
  const Txyvalues zig{{0, 0}, {2, 2}, {4, 0}, {6, 2}};
  // Through the shared vertex (2,2): one value, not two.
  Tdlist u;
  EXPECT_TRUE(lm.linesCross(2, 3, 2, 1, zig, u));
  ASSERT_EQ(u.size(), 1u);
  EXPECT_DOUBLE_EQ(u[0], 0.5);

  // All crossings of a horizontal line, ascending along it, however the line runs.
  EXPECT_TRUE(lm.linesCross(7, 1, -1, 1, zig, u));
  ASSERT_EQ(u.size(), 3u);
  EXPECT_NEAR(u[0], 0.25, 1e-12);  // x = 5
  EXPECT_NEAR(u[1], 0.5, 1e-12);
  EXPECT_NEAR(u[2], 0.75, 1e-12);  // x = 1

  // First and nearest crossings.
  EXPECT_TRUE(lm.linescross(7, 1, -1, 1, zig));
  EXPECT_DOUBLE_EQ(lm.xc(), 1);
  EXPECT_TRUE(lm.linescross(7, 1, -1, 1, zig, 0, 3, true));
  EXPECT_DOUBLE_EQ(lm.xc(), 5);
  EXPECT_FALSE(lm.linescross(7, 1, -1, 1, zig, 5, 99));  // range past the line: nothing

  // Line against line, cut positions along both.
  Tdlist ca, cb;
  const Txyvalues flat{{-1, 1}, {7, 1}};
  EXPECT_TRUE(lm.linescross(zig, flat));
  EXPECT_TRUE(lm.linescross(zig, flat, ca, cb));
  EXPECT_EQ(ca, (Tdlist{0.5, 1.5, 2.5}));
  EXPECT_EQ(cb, (Tdlist{0.25, 0.5, 0.75}));
  EXPECT_FALSE(lm.linescross(zig, Txyvalues{{10, 10}, {11, 11}}, ca, cb));
  EXPECT_TRUE(ca.empty());

  // Collinear overlap: both ends of each segment measured along the other, clamped.
  EXPECT_TRUE(lm.linescross(Txyvalues{{0, 0}, {10, 0}}, Txyvalues{{5, 0}, {15, 0}}, ca, cb));
  EXPECT_EQ(ca, (Tdlist{0.5, 1}));
  EXPECT_EQ(cb, (Tdlist{0, 0.5}));

  // Empty and one-point lines.
  EXPECT_FALSE(lm.linescross(0, 0, 1, 1, Txyvalues{}));
  EXPECT_FALSE(lm.linesCross(0, 0, 1, 1, Txyvalues{{0.5, 0.5}}, u));
  EXPECT_FALSE(lm.linescross(Txyvalues{}, zig, ca, cb));
}

// Long lines are paired through an index of their segments: every pair that crosses must still be
// found, so the cuts are those of every segment against every other.
TEST(TlineManCross, LongLinesFindEveryCrossingPair) {
  TlineMan lm;
  Txyvalues comb;  // vertical teeth, segments whose boxes have no width, their feet on y = 0
  for (int i = 0; i < 40; ++i) {
    comb.push_back({2.0 * i, 0});
    comb.push_back({2.0 * i, 10});
    comb.push_back({2.0 * i + 1, 0.5});
  }
  const struct {
    const char* id;
    Txyvalues a, b;
  } cases[] = {
      {"waves crossing many times", wave(300, 0.1, 5, 0.13, 0, 0), wave(300, 0.1, 4, 0.11, 1, 0)},
      {"teeth across a line", comb, {{-1, 5}, {30, 5.5}, {81, 5}}},
      {"teeth touched by a line at their feet", comb, {{-1, 0}, {90, 0}}},
      {"an end on the other line", {{0, 0}, {5, 5}}, {{5, 5}, {10, 0}, {5, 0}, {5, 5.0000001}}},
      {"a line folding back along one x onto its first segment's end", {{0, 0}, {1, 0}, {1, 5}, {1, -1}, {2, -1}},
       {{-1, -3}, {3, 5}}},
      {"far off", wave(300, 0.1, 5, 0.13, 0, 1e7), wave(300, 0.1, 4, 0.11, 1, 1e7)},
      {"huge", wave(200, 1e3, 5e3, 0.13, 0, 1e15), wave(200, 1e3, 4e3, 0.11, 1, 1e15)},
      {"one segment each", {{0, 0}, {1, 1}}, {{0, 1}, {1, 0}}},
      {"one point", {{0, 0}}, {{0, 1}, {1, 0}}},
      {"empty", {}, {{0, 1}, {1, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::set<double> wantA, wantB;
    for (size_t i = 0; i + 1 < c.a.size(); ++i)
      for (size_t j = 0; j + 1 < c.b.size(); ++j)
        if (lm.linesCross(c.a[i], c.a[i + 1], c.b[j], c.b[j + 1])) {
          ASSERT_EQ(lm.crossstatus & 2, 0) << "no collinear pairs in these cases";
          wantA.insert(static_cast<double>(i) + lm.u1);
          wantB.insert(static_cast<double>(j) + lm.u2);
        }
    Tdlist ca, cb;
    EXPECT_EQ(lm.linescross(c.a, c.b, ca, cb), !wantA.empty());
    EXPECT_EQ(ca, Tdlist(wantA.begin(), wantA.end()));
    EXPECT_EQ(cb, Tdlist(wantB.begin(), wantB.end()));
    EXPECT_EQ(lm.linescross(c.a, c.b), !wantA.empty());

    // The line's own crossings, its neighbours and ends aside.
    std::multiset<double> self;
    const auto n = static_cast<int32_t>(c.a.size());
    for (int32_t i = 0; i + 1 < n; ++i)
      for (int32_t j = i + 2; j + 1 < n; ++j)
        if (lm.linesCross(c.a[i], c.a[i + 1], c.a[j], c.a[j + 1])) {
          if (i + lm.u1 > 0) self.insert(i + lm.u1);
          if (j + lm.u2 < n - 1) self.insert(j + lm.u2);
        }
    Tdlist u;
    lm.selfcuts(c.a, u);
    EXPECT_EQ(u, Tdlist(self.begin(), self.end()));
  }
}

TEST(TlineManCross, GetCut) {
  TlineMan lm;
  const Txyvalues l{{0, 0}, {2, 0}, {2, 2}};
  struct {
    double u, x, y;
  } const cases[] = {{1.5, 2, 1}, {7, 2, 2}, {0, 0, 0}, {-3, 0, 0}, {0.25, 0.5, 0}, {2, 2, 2},
                     {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.u);
    double x = -1, y = -1;
    lm.getCut(l, c.u, x, y);
    EXPECT_DOUBLE_EQ(x, c.x);
    EXPECT_DOUBLE_EQ(y, c.y);
  }
  double x = -1, y = -1;
  lm.getCut(Txyvalues{}, 1, x, y);
  EXPECT_EQ(x, -1);
}

TEST(TlineManCross, SharedInstanceMadeOnce) {
  freeLineman();
  EXPECT_EQ(lineman, nullptr);
  TlineMan& a = createLineman();
  EXPECT_EQ(&a, &createLineman());
  EXPECT_EQ(lineman, &a);
  freeLineman();
  EXPECT_EQ(lineman, nullptr);
}

}  // namespace
