// The line manager against a committed table of Shapely (GEOS) results, made by
// tests/geometry/reference/make_shapely_table.py: crossings, distances, point in polygon, area,
// centroid, length, percentage points and seed points, with a random differential set weighted
// to crossings near an end, points on vertices of notched rings and small rings far off.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::Reader;
using geomtest::Table;

const Table& table() {
  static const Table t(std::string(KESTROVA_SOURCE_DIR) + "/tests/geometry/reference/shapely_table.txt");
  return t;
}

bool relNear(double a, double b, double rel) { return std::abs(a - b) <= rel * std::max(1.0, std::abs(b)); }

TEST(TlineManReference, TableIsPresent) {
  ASSERT_GT(table().rows.size(), 1000u) << "run tests/geometry/reference/make_shapely_table.py";
}

TEST(TlineManReference, CrossingsAgreeWithGeos) {
  TlineMan lm;
  int checked = 0;
  for (const auto& row : table().rows) {
    if (row[0] != "cross") continue;
    SCOPED_TRACE(row[1]);
    Reader r{row, 2};
    const double x1 = r.num(), y1 = r.num(), x2 = r.num(), y2 = r.num();
    const double x3 = r.num(), y3 = r.num(), x4 = r.num(), y4 = r.num();
    const std::string kind = row.at(10);
    int32_t status = 0;
    const bool crossed = lm.linesCross(x1, y1, x2, y2, x3, y3, x4, y4, status);
    ++checked;
    if (kind == "none" || kind == "zerolength") {
      EXPECT_FALSE(crossed);
    } else if (kind == "tolerance") {
      // A miss past an end by less than the equality in parameter: a crossing to the kernel.
      EXPECT_TRUE(crossed);
    } else if (kind == "shared") {
      EXPECT_FALSE(crossed);
      EXPECT_GE(status, 256);
      EXPECT_EQ(lm.xc(), std::stod(row.at(11)));
      EXPECT_EQ(lm.yc(), std::stod(row.at(12)));
    } else if (kind == "overlap" || kind == "collinear") {
      EXPECT_TRUE(crossed);
      EXPECT_TRUE(status & 2);
    } else {
      ASSERT_EQ(kind, "point");
      EXPECT_TRUE(crossed);
      if (status & 2) continue;  // near-collinear: within tolerance an overlap here
      const double scale = std::max({std::abs(x1 - x2), std::abs(y1 - y2), std::abs(x3 - x4), std::abs(y3 - y4)});
      const double tol = 1e-9 * scale + 1e-15 * std::max(std::abs(x1), std::abs(y1));
      const double px = std::stod(row.at(11)), py = std::stod(row.at(12));
      EXPECT_NEAR(lm.xc(), px, tol * 4);
      EXPECT_NEAR(lm.yc(), py, tol * 4);
      // The segment calculator meets them at the same point, on both segments: a crossing near
      // an end is not moved onto that end. Its snap (1e-4) is a world distance: segments not
      // much longer than it are all within it.
      if (scale < 1) continue;
      TlinesIntersect li;
      li.setA(x1, y1, x2, y2);
      li.setB(x3, y3, x4, y4);
      EXPECT_TRUE(li.intersects());
      EXPECT_NEAR(li.x0(), px, tol * 4);
      EXPECT_NEAR(li.y0(), py, tol * 4);
    }
  }
  EXPECT_GT(checked, 300);
}

TEST(TlineManReference, DistancesAgreeWithGeos) {
  TlineMan lm;
  for (const auto& row : table().rows) {
    if (row[0] != "pdist" && row[0] != "ldist") continue;
    SCOPED_TRACE(row[1]);
    Reader r{row, 2};
    if (row[0] == "pdist") {
      const double x = r.num(), y = r.num();
      const Txyvalues line = r.line();
      EXPECT_PRED3(relNear, lm.DistanceTo(x, y, line), r.num(), 1e-9);
    } else {
      const Txyvalues a = r.line(), b = r.line();
      const double expect = r.num();
      double ua = 0, xa = 0, ya = 0, ub = 0, xb = 0, yb = 0;
      const double d = lm.DistanceTo(a, b, ua, xa, ya, ub, xb, yb);
      EXPECT_PRED3(relNear, d, expect, 1e-9);
      // The closest points are on their lines, d apart.
      EXPECT_NEAR(std::hypot(xa - xb, ya - yb), d, 1e-9 * std::max(1.0, d));
      double gx = 0, gy = 0;
      lm.getCut(a, ua, gx, gy);
      EXPECT_NEAR(gx, xa, 1e-6 * std::max(1.0, std::abs(xa)));
      // Polygons of one ring each: the same distance.
      int32_t la = 0, lb = 0;
      EXPECT_PRED3(relNear, lm.DistanceTo(TpolyXyValues{a}, TpolyXyValues{b}, la, ua, xa, ya, lb, ub, xb, yb),
                   expect, 1e-9);
    }
  }
}

// Points on the boundary (vertices of notched rings among them) are not inside; points clear of it
// (by more than ten times the tolerance) agree with GEOS contains. Points between lie within the
// kernel's tolerance of the boundary and are not judged.
TEST(TlineManReference, PointInPolygonAgreesWithGeos) {
  TlineMan lm;
  std::map<std::string, TpolyXyValues> polys;
  int boundary = 0, clear = 0;
  for (const auto& row : table().rows) {
    Reader r{row, 2};
    if (row[0] == "poly") {
      polys[row[1]] = r.poly();
      continue;
    }
    if (row[0] != "pip") continue;
    const TpolyXyValues& poly = polys.at(row[1]);
    const double x = r.num(), y = r.num();
    const bool contains = r.num() != 0;
    const bool touches = r.num() != 0;
    const double bdist = r.num();
    const bool onHole = r.at < row.size() && row[r.at] == "hole";
    SCOPED_TRACE(row[1] + " " + row[2] + " " + row[3]);
    // The tolerance, and the rounding of points computed on edges far from the origin.
    const double snap = 1e-6 + 1e-12 * std::max(std::abs(x), std::abs(y));
    const bool oneRing = poly.size() == 1;
    if (bdist <= snap / 100) {
      ++boundary;
      EXPECT_TRUE(lm.inOrOnPolygon(x, y, snap, poly));
      EXPECT_TRUE(lm.hit().hittype & 2);
      // A point on a hole's boundary is inside ring 0 and inside no hole, as inPolygon and
      // inLoops are defined; on the outer ring it is inside nothing.
      EXPECT_EQ(lm.inPolygon(x, y, poly), onHole);
      EXPECT_EQ(lm.inLoops(x, y, poly), onHole);
      if (oneRing) EXPECT_FALSE(lm.inLoop(x, y, poly[0]));
    } else if (bdist > snap * 10) {
      ++clear;
      EXPECT_FALSE(touches);
      EXPECT_EQ(lm.inPolygon(x, y, poly), contains);
      EXPECT_EQ(lm.inOrOnPolygon(x, y, snap, poly), contains);
      EXPECT_EQ(lm.inLoops(x, y, poly), contains);
      if (oneRing) EXPECT_EQ(lm.inLoop(x, y, poly[0]), contains);
    }
  }
  EXPECT_GT(boundary, 1000);
  EXPECT_GT(clear, 1000);
}

TEST(TlineManReference, AreaCentroidLengthAndPercentPoints) {
  TlineMan lm;
  std::map<std::string, Txyvalues> lines;
  for (const auto& row : table().rows) {
    Reader r{row, 2};
    SCOPED_TRACE(row[1]);
    if (row[0] == "ring") {
      const Txyvalues xy = r.line();
      lines[row[1]] = xy;
      const double a = r.num(), cx = r.num(), cy = r.num(), len = r.num();
      EXPECT_PRED3(relNear, lm.linelength(xy), len, 1e-12);
      if (row[1][0] != 'a') continue;  // open lines: length only
      EXPECT_PRED3(relNear, lm.area(xy), a, 1e-9);
      EXPECT_EQ(lm.fclockwise, a >= 0);
      double x = 0, y = 0;
      EXPECT_PRED3(relNear, lm.Centroid(xy, x, y), std::abs(a), 1e-9);
      EXPECT_NEAR(x, cx, 1e-9 * std::max(1.0, std::abs(cx)));
      EXPECT_NEAR(y, cy, 1e-9 * std::max(1.0, std::abs(cy)));
    } else if (row[0] == "pct") {
      const double percent = r.num(), px = r.num(), py = r.num();
      double x = 0, y = 0;
      lm.LinePercentPoint(x, y, lines.at(row[1]), percent);
      EXPECT_NEAR(x, px, 1e-9 * std::max(1.0, std::abs(px)));
      EXPECT_NEAR(y, py, 1e-9 * std::max(1.0, std::abs(py)));
    }
  }
}

// Small rings 1e5 to 1e7 from the origin: the centroid to 1e-9 of the ring's size (and the
// rounding of such coordinates), the area to 1e-9 of itself.
TEST(TlineManReference, CentroidsOfFarOffRings) {
  TlineMan lm;
  double ox = 0, oy = 0;
  int checked = 0;
  for (const auto& row : table().rows) {
    Reader r{row, 2};
    if (row[0] == "cbase") {
      ox = r.num();
      oy = r.num();
      continue;
    }
    if (row[0] != "cent") continue;
    SCOPED_TRACE(row[1]);
    Txyvalues ring = r.line();
    double size = 0;
    for (xyrec& p : ring) {
      size = std::max({size, std::abs(p.x), std::abs(p.y)});
      p.x += ox;
      p.y += oy;
    }
    const double area = r.num(), cx = r.num(), cy = r.num();
    double x = 0, y = 0;
    EXPECT_PRED3(relNear, lm.Centroid(ring, x, y), area, 1e-9);
    const double tol = 1e-9 * size + 1e-15 * std::max(std::abs(ox), std::abs(oy));
    EXPECT_NEAR(x - ox, cx, tol);
    EXPECT_NEAR(y - oy, cy, tol);
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

// The shortest distance between two segments, and closest points that lie on them that far apart.
TEST(TlineManReference, SegmentDistancesAgreeWithGeos) {
  TlineMan lm;
  int checked = 0;
  for (const auto& row : table().rows) {
    if (row[0] != "sdist") continue;
    SCOPED_TRACE(row[1]);
    Reader r{row, 2};
    const double x1 = r.num(), y1 = r.num(), x2 = r.num(), y2 = r.num();
    const double x3 = r.num(), y3 = r.num(), x4 = r.num(), y4 = r.num();
    const double want = r.num();
    TlinesIntersect li;
    li.setA(x1, y1, x2, y2);
    li.setB(x3, y3, x4, y4);
    const double d = li.Distance();
    EXPECT_NEAR(d, want, 1e-9 * std::max(1.0, want));
    EXPECT_NEAR(std::hypot(li.closestXa - li.closestXb, li.closestYa - li.closestYb), d, 1e-9 * std::max(1.0, d));
    EXPECT_LE(lm.DistanceTo(li.closestXa, li.closestYa, Txyvalues{{x1, y1}, {x2, y2}}), 1e-9);
    EXPECT_LE(lm.DistanceTo(li.closestXb, li.closestYb, Txyvalues{{x3, y3}, {x4, y4}}), 1e-9);
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

TEST(TlineManReference, SeedPointsLieInTheWidestInsideInterval) {
  TlineMan lm;
  std::map<std::string, TpolyXyValues> polys;
  int checked = 0;
  for (const auto& row : table().rows) {
    Reader r{row, 2};
    if (row[0] == "poly") {
      polys[row[1]] = r.poly();
      continue;
    }
    if (row[0] != "seed") continue;
    SCOPED_TRACE(row[1]);
    const double ymid = r.num();
    const int n = static_cast<int>(r.num());
    double widest = 0;
    std::vector<std::pair<double, double>> ivals;
    for (int i = 0; i < n; ++i) {
      const double a = r.num();
      ivals.push_back({a, r.num()});
      widest = std::max(widest, ivals.back().second - ivals.back().first);
    }
    double x = 0, y = 0;
    ASSERT_TRUE(lm.seedPoint(x, y, polys.at(row[1])));
    EXPECT_EQ(y, ymid);
    const bool inWidest = std::any_of(ivals.begin(), ivals.end(), [&](auto iv) {
      return iv.first < x && x < iv.second && iv.second - iv.first >= widest * (1 - 1e-9);
    });
    EXPECT_TRUE(inWidest) << x;
    EXPECT_TRUE(lm.inPolygon(x, y, polys.at(row[1])));
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

}  // namespace
