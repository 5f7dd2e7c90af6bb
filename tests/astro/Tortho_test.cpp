// Tortho: bearings and distances on the orthographic view, projection and its inverse, rim
// points and the graticule.
#include <gtest/gtest.h>

#include <cmath>

#include "astro/r_Sun.h"
#include "platform/canvas.h"

TEST(Tortho, BearingAndDistanceOfPointsSeenFromTheCentre) {
  struct Case {
    const char* id;
    double long0, lat0, long1, lat1, bearing, distance;
  } cases[] = {
      {"east", 0, 0, 10, 0, 90, 100 * std::sin(10 * M_PI / 180)},
      {"north", 0, 0, 0, 10, 0, 100 * std::sin(10 * M_PI / 180)},
      {"west across the date line", 175, 0, -175, 0, 90, 100 * std::sin(10 * M_PI / 180)},
      {"south-west: the great-circle bearing", 0, 0, -10, -10, -135.4386, -1},
      {"far side lies on the rim", 0, 0, 120, 0, 90, 100},
      {"longitudes wrapped by whole turns", 720, 0, 370, 0, 90, 100 * std::sin(10 * M_PI / 180)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tortho o;
    EXPECT_NEAR(o.OrthoBearing(c.long0, c.lat0, c.long1, c.lat1), c.bearing, 1e-3);
    if (c.distance >= 0) {
      EXPECT_NEAR(o.orthodistance(), c.distance, 1e-4);
    }
  }
}

TEST(Tortho, OutOfRangeAndNonFiniteInputsReturnAtOnce) {
  Tortho o;
  EXPECT_NEAR(o.OrthoBearing(0, 0, 0, 10), 0, 1e-9);
  const double kept = o.orthodistance();
  EXPECT_EQ(o.OrthoBearing(0, 0, 10, 95), 0);
  EXPECT_EQ(o.OrthoBearing(0, -91, 10, 0), 0);
  EXPECT_EQ(o.OrthoBearing(0, NAN, 10, 0), 0);
  EXPECT_EQ(o.orthodistance(), kept);
  // Infinite or huge longitudes do not loop.
  (void)o.OrthoBearing(INFINITY, 0, 10, 0);
  (void)o.OrthoBearing(1e300, 0, -1e300, 0);
  SUCCEED();
}

TEST(Tortho, ProjectionAndItsInverse) {
  Tortho o;
  o.setreflong(0);
  o.setreflat(0);
  double x = 1, y = 1;
  ASSERT_TRUE(o.getXY(0, 0, x, y));
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(y, 0, 1e-6);
  ASSERT_TRUE(o.getXY(90, 0, x, y));
  EXPECT_NEAR(x, o.ER, 1e-6);
  EXPECT_NEAR(y, 0, 1e-6);
  EXPECT_FALSE(o.getXY(0, 91, x, y));

  o.setreflong(200);  // wrapped once into -180..180
  EXPECT_EQ(o.reflongitude(), -160);
  o.setreflong(30);
  o.setreflat(40);
  for (double lon : {30.0, 10.0, 55.0, 100.0}) {
    for (double lat : {40.0, 0.0, 75.0, -20.0}) {
      SCOPED_TRACE(::testing::Message() << lon << ", " << lat);
      ASSERT_TRUE(o.getXY(lon, lat, x, y));
      if (o.hidden) continue;
      double lon2 = 0, lat2 = 0;
      ASSERT_TRUE(o.getLL(lon2, lat2, x, y));
      EXPECT_NEAR(lon2, lon, 1e-6);
      EXPECT_NEAR(lat2, lat, 1e-6);
    }
  }
  double lon = 5, lat = 5;
  EXPECT_FALSE(o.getLL(lon, lat, 2 * o.ER, 0));
  EXPECT_EQ(lon, 0);
  EXPECT_EQ(lat, 0);
}

TEST(Tortho, RimPointsLieNinetyDegreesFromTheCentre) {
  Tortho o;
  o.setreflong(20);
  o.setreflat(30);
  for (double bearing : {0.0, 45.0, 135.0, 250.0}) {
    SCOPED_TRACE(bearing);
    double lon = 0, lat = 0;
    o.OrthoPerimeter(lon, lat, bearing, 1);
    // The angular distance from the centre is 90 degrees, in the given direction.
    auto cosDist = [](double lo1, double la1, double lo2, double la2) {
      const double k = M_PI / 180;
      return std::sin(la1 * k) * std::sin(la2 * k) + std::cos(la1 * k) * std::cos(la2 * k) * std::cos((lo1 - lo2) * k);
    };
    EXPECT_NEAR(cosDist(20, 30, lon, lat), 0, 1e-6);
    EXPECT_NEAR(cosDist(20 + 180, -30, o.hiddenLong, o.hiddenLat), 0, 1e-6);
    EXPECT_EQ(o.reflongitude(), 20);  // centre put back
    EXPECT_EQ(o.reflatitude(), 30);
    Tortho probe;
    double b = probe.OrthoBearing(20, 30, lon, lat);
    EXPECT_NEAR(std::remainder(b - bearing, 360.0), 0, 1e-4);
  }
}

TEST(Tortho, GraticuleStaysInsideItsDisc) {
  Tortho o;
  const int x1 = 0, y1 = 0, x2 = 400, y2 = 400;
  auto lines = o.orthoGridLines(x1, y1, x2, y2, 30, 120, 10);
  ASSERT_FALSE(lines.empty());
  const double radius = 200 / std::sin(10 * M_PI / 180);
  for (const auto& line : lines) {
    ASSERT_GE(line.size(), 2u);
    for (const platform::TPoint& p : line) EXPECT_LE(std::hypot(p.X - 200, p.Y - 200), radius + 1);
  }
  // The centre's own parallel and meridian pass through the middle of the box.
  bool throughCentre = false;
  for (const auto& line : lines)
    for (const platform::TPoint& p : line) throughCentre |= (p.X == 200 && p.Y == 200);
  EXPECT_TRUE(throughCentre);
  EXPECT_EQ(o.ER, 6378137);
}

TEST(Tortho, GraticuleDrawsWithTheContextPenInsideTheBox) {
  platform::TBitmap bm;
  bm.SetSize(200, 200);  // white
  Tortho o;
  platform::TDeviceContext& dc = bm.dc();
  o.orthoGrid(dc, 0, 0, 200, 200, 20, 45, 10);
  int drawn = 0;
  const double radius = 100 / std::sin(10 * M_PI / 180);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x)
      if (bm.Canvas().Pixels(x, y) != platform::clWhite) {
        ++drawn;
        EXPECT_LE(std::hypot(x - 100, y - 100), radius + 1);
      }
  EXPECT_GT(drawn, 200 * 20);  // about forty lines across the box
}
