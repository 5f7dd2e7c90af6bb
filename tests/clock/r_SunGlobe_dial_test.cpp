// The globe dial: day and night on the projected globe at a fixed instant, a world picture of the
// wrong proportions, rise and set times against the committed PyEphem reference
// (make_globe_reference.py), and the sun's path and the Qiblah on the face.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <tuple>
#include <sstream>

#include "astro/r_Sun.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "platform/datetime.h"
#include "tests/support/testenv.h"

namespace {

platform::TDateTime at(int y, int m, int d, double gmtHours) {
  platform::TDateTime t = 0;
  EXPECT_TRUE(platform::tryEncodeDate(y, m, d, t));
  return t + gmtHours / 24;
}

struct Grey {
  TrawBitmap24 bm;
  Grey(int w, int h) {
    bm.setsize(w, h);
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) bm.setPixel(c, r, uint8_t(200), uint8_t(200), uint8_t(200));
  }
};

int red(Tbm24& bm, int x, int y) {
  uint8_t r = 0, g = 0, b = 0;
  bm.getPixel(x, y, r, g, b);
  return r;
}

TEST(TglobeDial, SubSolarPointIsBrightAndTheAntisolarSideDark) {
  Tobserver ob;
  Tsun sun(ob);
  Grey world(360, 180);
  const platform::TDateTime t = at(2024, 3, 20, 12);
  TglobeDial dial(nullptr, sun, 0, 0, 0);
  dial.fixedGmt = t;
  dial.setMini(&world.bm);
  // Near the March equinox at noon GMT the sun stands over the equator near Greenwich.
  EXPECT_NEAR(dial.subSolarLong, 1.85, 0.5);
  EXPECT_NEAR(dial.subSolarLat, 0.0, 0.5);
  for (auto [lat, lon, lo, hi] : {std::tuple{0.0, 1.85, 190, 200}, {0.0, -178.15, 30, 66}}) {
    TglobeDial d(nullptr, sun, 0, lat, lon);
    d.fixedGmt = t;
    d.setMini(&world.bm);
    d.doStep(200, 200, 0);
    ASSERT_EQ(d.bm->width(), 400);
    const int v = red(*d.bm, 200, 200);
    EXPECT_GE(v, lo) << lon;
    EXPECT_LE(v, hi) << lon << ": darkened by 67 to 85 %";
    EXPECT_EQ(red(*d.bm, 2, 2), 0) << "outside the globe stays in the background colour";
  }
}

TEST(TglobeDial, WorldPictureOfOtherProportionsIsScaledToTwoToOne) {
  Tobserver ob;
  Tsun sun(ob);
  for (auto [w, h] : {std::pair{360, 360}, {360, 90}, {1, 1}}) {
    Grey world(w, h);
    TglobeDial d(nullptr, sun, 0, 51.5, 0);
    d.fixedGmt = at(2024, 6, 21, 12);
    d.setMini(&world.bm);
    if (w > 1) EXPECT_EQ(d.mini()->height(), w / 2);
    d.doStep(100, 100, 0);
    d.doStep(100, 100, 16);
    TrawBitmap24 out;
    out.setsize(100, 100);
    d.doStep(out, 0, 0, 100, 100, 17);
  }
}

TEST(TglobeDial, HomeAtThePolesTheDateLineAndExtremeZones) {
  Grey world(360, 180);
  for (auto [lat, lon, tzHours] : {std::tuple{90.0, 0.0, 0.0}, {-90.0, 0.0, 0.0}, {0.0, 180.0, 14.0},
                                   {0.0, -180.0, -14.0}, {-10.0, 179.99, 13.0}}) {
    Tobserver ob;
    Tsun sun(ob);
    TglobeDial d(nullptr, sun, tzHours / 24, lat, lon);
    d.fixedGmt = at(2024, 2, 29, 23.5);
    d.setMini(&world.bm);
    d.doStep(100, 100, 0);
    d.doStep(100, 100, 16);
    EXPECT_TRUE(std::isfinite(d.meccax) && std::isfinite(d.meccay)) << lat << "," << lon;
    if (d.sunFound) EXPECT_TRUE(d.sunriseTime >= 0 && d.sunriseTime < 24) << lat << "," << lon;
    // The middle of the globe is the home place, drawn from the world picture.
    EXPECT_NE(red(*d.bm, 100, 100), 0) << lat << "," << lon;
  }
}

TEST(TglobeDial, RiseAndSetTimesAgreeWithPyEphem) {
  std::ifstream in(testenv::sourceDir() + "/tests/clock/globe_reference.txt");
  ASSERT_TRUE(in) << "globe_reference.txt is missing";
  std::string line;
  int places = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    std::string name, v[4];
    double lat, lon, tz;
    int y, m, d;
    s >> name >> lat >> lon >> tz >> y >> m >> d >> v[0] >> v[1] >> v[2] >> v[3];
    Tobserver ob;
    Tsun sun(ob);
    TglobeDial dial(nullptr, sun, tz / 24, lat, lon);
    dial.fixedGmt = at(y, m, d, 12 - tz);
    dial.doStep(200, 200, 0);
    dial.doStep(200, 200, 16);
    const double got[4] = {dial.sunriseTime, dial.sunSettime, dial.moonrisetime, dial.moonsettime};
    for (int k = 0; k < 2; ++k) {
      ASSERT_TRUE(dial.sunFound) << name;
      EXPECT_NEAR(got[k], std::stod(v[k]), 2.0 / 60) << name << " sun event " << k;
    }
    for (int k = 2; k < 4; ++k)
      if (v[k] != "-" && dial.moonFound) EXPECT_NEAR(got[k], std::stod(v[k]), 2.0 / 60) << name << " moon event " << k;
    EXPECT_EQ(dial.sunLabels, name != "Reykjavik") << name << ": winter sun labels are left out up north";
    EXPECT_EQ(ob.timeZone(), 0) << "the face leaves the observer at zone 0";
    EXPECT_NEAR(ob.getlat(), lat, 1e-9);
    ++places;
  }
  EXPECT_EQ(places, 3);
}

// London at midsummer: the sun's dot by day, none at night; its path through the quarter hours
// from sunrise; the Qiblah mark towards Mecca.
TEST(TglobeDial, FaceDrawsTheSunsPathItsDotByDayAndTheQiblah) {
  Grey world(360, 180);
  const double lat = 51.5, lon = -0.12, tz = 1.0 / 24;
  auto isYellow = [](Tbm24& bm, int x, int y) {
    uint8_t r = 0, g = 0, b = 0;
    bm.getPixel(x, y, r, g, b);
    return r > 200 && g > 200 && b < 80;
  };
  for (const double gmtHours : {11.0, 23.5}) {
    SCOPED_TRACE(gmtHours);
    Tobserver ob;
    Tsun sun(ob);
    TglobeDial d(nullptr, sun, tz, lat, lon);
    d.fixedGmt = at(2024, 6, 21, gmtHours);
    d.showQiblah = true;
    d.setMini(&world.bm);
    d.doStep(300, 300, 0);
    d.doStep(300, 300, 16);
    ASSERT_TRUE(d.sunFound);
    const double rr = d.r, cx = 300, cy = 300;
    // The sun now, from an observer of its own.
    Tobserver o2;
    Tsun s2(o2);
    o2.setlat(lat);
    o2.setlong(lon);
    o2.setDT(d.fixedGmt);
    s2.sun();
    auto place = [&](double e, double b) {
      const double D = 0.7 * rr * std::cos(e * std::numbers::pi / 180);
      return std::pair{int(std::lround(cx + D * std::sin(b * std::numbers::pi / 180))), int(std::lround(cy - D * std::cos(b * std::numbers::pi / 180)))};
    };
    const auto [sx, sy] = place(s2.getSunE(), s2.getSunB());
    EXPECT_EQ(isYellow(*d.bm, sx, sy), s2.getSunE() > 0) << "a dot only for a sun above the horizon";
    // Vertices of the path every hour from sunrise (local time, the day of the fixed moment).
    const double day = std::floor(d.fixedGmt + tz);
    int onPath = 0, vertices = 0;
    for (double t = day + d.sunriseTime / 24 + 4.0 / 96; t < day + d.sunSettime / 24; t += 4.0 / 96) {
      o2.setDT(t - tz);
      s2.sun();
      const auto [px, py] = place(s2.getSunE(), s2.getSunB());
      onPath += isYellow(*d.bm, px, py);
      ++vertices;
    }
    EXPECT_GE(vertices, 14);
    EXPECT_GE(onPath, vertices - 2);
    // The Qiblah mark between the globe and the dial's inner ring, in its own colour.
    const double a = std::atan2(d.meccax, d.meccay);
    EXPECT_NEAR(a * 180 / std::numbers::pi, 119, 2) << "the initial bearing of Mecca from London";
    int green = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy) {
        uint8_t r = 0, g = 0, b = 0;
        d.bm->getPixel(int(std::lround(cx + 0.77 * rr * std::sin(a))) + dx, int(std::lround(cy - 0.77 * rr * std::cos(a))) + dy,
                       r, g, b);
        green += r == 0 && g == 255 && b == 0;
      }
    EXPECT_GT(green, 0);
  }
}
}  // namespace
