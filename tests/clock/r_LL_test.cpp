// The globe's orthographic projection: golden points, hidden points on the rim, the inverse at
// the rim and outside the disc, bearings and the datum's scaling factor.
#include <gtest/gtest.h>

#include <cmath>

#include "clock/r_LL.h"

namespace {
using r_LL::Tortho;

TEST(TorthoGlobe, ProjectsGoldenPointsAndPutsHiddenOnesOnTheRim) {
  Tortho o;
  o.ER = 100;
  const struct {
    double lon, lat, x, y;
    bool hidden;
  } cases[] = {
      {0, 0, 0, 0, false},          {90, 0, 100, 0, false},    {90.05, 0, 100, 0, false},
      {91, 0, 100, 0, true},        {-91, 0, -100, 0, true},   {0, 90, 0, 100, false},
      {180, 10, 0, 100, true},      {30, 0, 50, 0, false},
  };
  for (const auto& c : cases) {
    double x = -1, y = -1;
    ASSERT_TRUE(o.getXY(c.lon, c.lat, x, y)) << c.lon << "," << c.lat;
    EXPECT_NEAR(x, c.x, 1e-4) << c.lon << "," << c.lat;
    EXPECT_NEAR(y, c.y, 1e-4) << c.lon << "," << c.lat;
    EXPECT_EQ(o.hidden, c.hidden) << c.lon << "," << c.lat;
  }
  double x = 7, y = 8;
  EXPECT_FALSE(o.getXY(0, 91, x, y));
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 8);
}

TEST(TorthoGlobe, AgreesWithTheStandardFormulaAwayFromTheEquator) {
  Tortho o;
  o.ER = 1;
  o.setreflong(20);
  o.setreflat(51.5);
  const double d = 3.14159265358979323846 / 180;
  for (double lon : {-40.0, 0.0, 25.0, 80.0})
    for (double lat : {-20.0, 10.0, 60.0, 85.0}) {
      double x = 0, y = 0;
      o.getXY(lon, lat, x, y);
      const double dl = (lon - 20) * d, p = lat * d, p0 = 51.5 * d;
      const double cosc = std::sin(p0) * std::sin(p) + std::cos(p0) * std::cos(p) * std::cos(dl);
      if (cosc < -0.001) continue;  // hidden: moved onto the rim
      EXPECT_NEAR(x, std::cos(p) * std::sin(dl), 1e-9);
      EXPECT_NEAR(y, std::cos(p0) * std::sin(p) - std::sin(p0) * std::cos(p) * std::cos(dl), 1e-9);
      double lo = 0, la = 0;
      ASSERT_TRUE(o.getLL(lo, la, x, y));
      EXPECT_NEAR(lo, lon, 1e-6);
      EXPECT_NEAR(la, lat, 1e-6);
    }
}

TEST(TorthoGlobe, InverseAtTheRimAndOutsideTheDisc) {
  Tortho o;
  o.ER = 100;
  o.setreflong(10);
  o.setreflat(40);
  double lo = 5, la = 5;
  ASSERT_TRUE(o.doOrthoLL(lo, la, 100, 0));  // rho is 0 here
  EXPECT_TRUE(std::isfinite(lo) && std::isfinite(la));
  EXPECT_NEAR(lo, 100, 1e-6);
  EXPECT_NEAR(la, 0, 1e-6);
  ASSERT_TRUE(o.doOrthoLL(lo, la, -100, 0));
  EXPECT_NEAR(lo, -80, 1e-6);
  EXPECT_FALSE(o.getLL(lo, la, 80, 80));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(la, 0);
}

TEST(TorthoGlobe, BearingsAndRimPoints) {
  Tortho o;
  EXPECT_NEAR(o.OrthoBearing(0, 0, 10, 0), 90, 1e-9);
  EXPECT_NEAR(o.OrthoBearing(0, 0, 0, 10), 0, 1e-9);
  EXPECT_NEAR(o.OrthoBearing(0, 0, -10, 0), -90, 1e-9);
  EXPECT_EQ(o.OrthoBearing(0, 95, 10, 0), 0);
  EXPECT_EQ(o.ER, r_LL::earthRadius);
  // London to Mecca: about 119 degrees east of north.
  EXPECT_NEAR(o.OrthoBearing(-0.1276, 51.5072, 39.8166667, 21.4333333), 119.0, 1.0);
  Tortho p;
  p.ER = 1;
  double lo = 0, la = 0;
  p.OrthoPerimeter(lo, la, 0);
  EXPECT_NEAR(la, 90, 1e-6);
  p.OrthoPerimeter(lo, la, 90, 0.5);
  EXPECT_NEAR(lo, 30, 1e-6);
  EXPECT_NEAR(la, 0, 1e-6);
  EXPECT_NEAR(p.hiddenLong, 90, 1e-6) << "the same rim point seen from the far side";
  EXPECT_EQ(p.reflongitude(), 0);
}

TEST(TdatumGlobe, ScalingTwiceBySameFactorChangesNothing) {
  r_LL::Tdatum d;
  d.param.a = 6378137;
  d.param.b = 6356752.314;
  d.param.n = 2;
  d.setfactor(2);
  EXPECT_EQ(d.scaled.a, 2 * 6378137.0);
  EXPECT_NEAR(d.scaled.e2, 0.00669438, 1e-8);
  d.scaled.a = 1;
  d.setfactor(2);
  EXPECT_EQ(d.scaled.a, 1) << "the same factor again is a no-op";
}
}  // namespace
