// Measurement: area sign, lengths between positions, bounds, seed points, centroid, shape
// measures and percentage points, with degenerate lines beside good ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"

namespace {

const Txyvalues kSquareCw{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};
const Txyvalues kSquareAcw{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};

TEST(TlineManMeasure, AreaSignAndNoClosingEdge) {
  TlineMan lm;
  EXPECT_DOUBLE_EQ(lm.area(kSquareCw), 1);
  EXPECT_TRUE(lm.fclockwise);
  EXPECT_DOUBLE_EQ(lm.area(kSquareAcw), -1);
  EXPECT_FALSE(lm.fclockwise);
  EXPECT_DOUBLE_EQ(lm.area(Txyvalues{{1, 1}, {1, 0}, {0, 0}, {0, 1}}), 0);
  EXPECT_DOUBLE_EQ(lm.area(Txyvalues{{1, 1}, {1, 0}, {0, 0}, {0, 1}}, 1, 1), 1);
  EXPECT_DOUBLE_EQ(lm.area(TpolyXyValues{kSquareCw, kSquareAcw}), 0);
  EXPECT_FALSE(lm.fclockwise);  // follows the last ring
  // Screen form, y down: clockwise on screen is negative.
  EXPECT_DOUBLE_EQ(lm.area(Tpoints{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}), -100);
  EXPECT_EQ(lm.area(Txyvalues{{0, 0}}), 0);
  EXPECT_EQ(lm.area(Txyvalues{{0, 0}, {std::nan(""), 1}, {1, 1}}), 0);
}

TEST(TlineManMeasure, Lengths) {
  TlineMan lm;
  const Txyvalues l{{0, 0}, {10, 0}, {10, 10}};
  EXPECT_DOUBLE_EQ(lm.linelength(Txyvalues{{0, 0}, {3, 4}}), 5);
  EXPECT_DOUBLE_EQ(lm.linelength(Tpoints{{0, 0}, {3, 4}}), 5);
  EXPECT_DOUBLE_EQ(lm.linelength(TpolyXyValues{l, l}), 40);
  EXPECT_DOUBLE_EQ(lm.linelength(Txyvalues{{0, 0}}), 0);
  struct {
    double from, to, expect;
  } const cases[] = {{0.5, 0.5, 0}, {0.2, 0.6, 4}, {0.6, 0.2, 4}, {0.5, 1.5, 10}, {0, 2, 20},
                     {-1, 0.5, 5},  {1.5, 9, 5}};  // outside positions held to the line
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_DOUBLE_EQ(lm.linelength(l, c.from, c.to), c.expect);
  }
  EXPECT_DOUBLE_EQ(lm.linelength(l, 1.5), 15);
  EXPECT_DOUBLE_EQ(lm.linelength(l, 5.0), 20);
}

TEST(TlineManMeasure, Bounds) {
  TlineMan lm;
  double x1 = -7, y1 = -7, x2 = -7, y2 = -7;
  lm.bounds(x1, y1, x2, y2, Txyvalues{});
  EXPECT_EQ(x1, -7);
  lm.bounds(x1, y1, x2, y2, TpolyXyValues{{{3, 4}, {1, 9}}, {{-2, 5}}});
  EXPECT_EQ((std::array{x1, y1, x2, y2}), (std::array<double, 4>{-2, 4, 3, 9}));
  int32_t a = 0, b = 0, c = 0, d = 0;
  lm.bounds(a, b, c, d, Tpoints{{5, 6}, {1, 8}});
  EXPECT_EQ((std::array{a, b, c, d}), (std::array<int32_t, 4>{1, 6, 5, 8}));
}

TEST(TlineManMeasure, SeedPoints) {
  TlineMan lm;
  double x = 0, y = 0;
  const Txyvalues ell{{0, 0}, {0, 10}, {2, 10}, {2, 2}, {10, 2}, {10, 0}, {0, 0}};
  ASSERT_TRUE(lm.seedPoint(x, y, ell));
  EXPECT_DOUBLE_EQ(x, 1);
  EXPECT_DOUBLE_EQ(y, 5);
  const TpolyXyValues holed{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}}};
  ASSERT_TRUE(lm.seedPoint(x, y, holed));
  EXPECT_DOUBLE_EQ(x, 2);
  EXPECT_DOUBLE_EQ(y, 5);
  ASSERT_TRUE(lm.seedPoint(x, y, TpolyXyValues{holed[0]}, true));
  EXPECT_DOUBLE_EQ(x, 4.321);
  ASSERT_TRUE(lm.seedPoint(x, y, Txyvalues{{3, 4}}));
  EXPECT_EQ(x, 3);
  EXPECT_FALSE(lm.seedPoint(x, y, TpolyXyValues{}));
  EXPECT_FALSE(lm.seedPoint(x, y, Txyvalues{{0, 0}, {std::nan(""), 5}, {1, 1}, {0, 0}}));
}

TEST(TlineManMeasure, CentroidAndShapeOfDegenerateInput) {
  TlineMan lm;
  double x = 0, y = 0;
  EXPECT_DOUBLE_EQ(lm.Centroid(kSquareCw, x, y), 1);
  EXPECT_DOUBLE_EQ(x, 0.5);
  EXPECT_DOUBLE_EQ(y, 0.5);
  EXPECT_DOUBLE_EQ(lm.Centroid(kSquareAcw, x, y), 1);
  EXPECT_DOUBLE_EQ(x, 0.5);
  // A ring of no area: the mean of its points, no 0/0.
  EXPECT_EQ(lm.Centroid(Txyvalues{{0, 0}, {2, 0}, {4, 0}, {0, 0}}, x, y), 0);
  EXPECT_DOUBLE_EQ(x, 2);
  EXPECT_DOUBLE_EQ(y, 0);
  // Polygon: outer less hole.
  const TpolyXyValues holed{{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}};
  EXPECT_DOUBLE_EQ(lm.Centroid(holed, x, y), 12);
  EXPECT_NEAR(x, (16 * 2 - 4 * 1) / 12.0, 1e-12);

  EXPECT_EQ(lm.psuedoWidth(Txyvalues{{1, 1}}), 0);
  EXPECT_NEAR(lm.psuedoWidth(kSquareCw), 1 / std::sqrt(2.0), 1e-12);
  EXPECT_DOUBLE_EQ(lm.aspectRatio(kSquareCw), 1);
  EXPECT_DOUBLE_EQ(lm.aspectRatio(Txyvalues{{2, 2}}), 1);
  // A 10 x 1 rectangle turned by 30 degrees: its own box is found again.
  Txyvalues turned;
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  for (auto p : Txyvalues{{0, 0}, {10, 0}, {10, 1}, {0, 1}, {0, 0}}) turned.push_back({p.x * c - p.y * s, p.x * s + p.y * c});
  EXPECT_NEAR(lm.aspectRatio(turned), 0.1, 1e-3);

  double cx = 0, cy = 0, r = 0;
  lm.boundingCircle(Txyvalues{{1e6, 1e6}, {1e6 + 2e5, 1e6}}, cx, cy, r);  // large coordinates
  EXPECT_NEAR(cx, 1.1e6, 1);
  EXPECT_NEAR(r, 1e5, 1);
  lm.boundingCircle(Txyvalues{{3, 3}}, cx, cy, r);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(lm.plumpness(Txyvalues{{3, 3}}), 0);
  EXPECT_GT(lm.plumpness(kSquareCw), 0.6);
  EXPECT_LT(lm.plumpness(kSquareAcw), -0.6);
}

TEST(TlineManMeasure, PercentPoints) {
  TlineMan lm;
  const Txyvalues l{{0, 0}, {10, 0}, {10, 10}};
  struct {
    double percent, x, y, dx, dy, seg, frac;
  } const cases[] = {{50, 10, 0, 1, 0, 0, 1},   {75, 10, 5, 0, 1, 1, 0.5}, {150, 10, 20, 0, 1, 1, 2},
                     {-10, -2, 0, 1, 0, 0, -0.2}, {0, 0, 0, 1, 0, 0, 0},    {100, 10, 10, 0, 1, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    double x = 0, y = 0, dx = 0, dy = 0;
    lm.LinePercentPoint(x, y, dx, dy, l, c.percent);
    EXPECT_NEAR(x, c.x, 1e-12);
    EXPECT_NEAR(y, c.y, 1e-12);
    EXPECT_EQ(dx, c.dx);
    EXPECT_EQ(dy, c.dy);
    EXPECT_EQ(lm.vc(), c.seg);
    EXPECT_NEAR(lm.u1, c.frac, 1e-12);
    double u = 0;
    lm.LinePercentPoint(u, l, c.percent);
    EXPECT_NEAR(u, c.seg + c.frac, 1e-12);
  }
  // Lines of no length: the point, direction (0,0), never NaN.
  double x = 9, y = 9, dx = 9, dy = 9;
  lm.LinePercentPoint(x, y, dx, dy, Txyvalues{{3, 4}, {3, 4}, {3, 4}}, 60);
  EXPECT_EQ((std::array{x, y, dx, dy}), (std::array<double, 4>{3, 4, 0, 0}));
  lm.LinePercentPoint(x, y, dx, dy, Txyvalues{}, 60);
  EXPECT_EQ(x, 0);
  int32_t ix = 0, iy = 0;
  lm.lineFromEnd(ix, iy, dx, dy, Tpoints{{0, 0}, {100, 0}}, 80, true);
  EXPECT_EQ(ix, 50);
  lm.lineFromEnd(ix, iy, dx, dy, Tpoints{{0, 0}, {100, 0}}, 10, false);
  EXPECT_EQ(ix, 90);
  lm.lineFromEnd(ix, iy, dx, dy, Tpoints{{7, 7}, {7, 7}}, 10, true);
  EXPECT_EQ(ix, 7);
  EXPECT_EQ(dx, 0);
  lm.LineMidPoint(ix, iy, Tpoints{{0, 0}, {0, 10}});
  EXPECT_EQ(iy, 5);
}

}  // namespace
