// Tsun planets, equinoxes and solstices, moon shading, the sun-moon angle, the terminator and
// refraction.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "astro/r_Sun.h"
#include "platform/canvas.h"

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kDeg = 180 / kPi;

// Twice the signed area of a closed polygon (shoelace).
double area(const std::vector<platform::TPoint>& p) {
  double a = 0;
  for (size_t k = 0; k < p.size(); ++k) {
    const platform::TPoint& u = p[k];
    const platform::TPoint& w = p[(k + 1) % p.size()];
    a += static_cast<double>(u.X) * w.Y - static_cast<double>(w.X) * u.Y;
  }
  return std::fabs(a) / 2;
}
}  // namespace

TEST(TsunPlanets, NamesAreFoundWithoutRegardToCase) {
  Tobserver ob;
  Tsun sun(ob);
  const double j = Tobserver::getJulianDate(1, 1, 2024, 0);
  double ra1 = 0, de1 = 0, ra2 = 0, de2 = 0;
  double d1 = sun.NamedPlanet(ra1, de1, j, "MARS");
  double d2 = sun.NamedPlanet(ra2, de2, j, "mars");
  EXPECT_GT(d1, 0);
  EXPECT_EQ(d1, d2);
  EXPECT_EQ(ra1, ra2);
  EXPECT_EQ(de1, de2);
  EXPECT_NEAR(ob.getJDate(), j, 1e-9);  // left at j

  double ra = 7, de = 8;
  EXPECT_EQ(sun.NamedPlanet(ra, de, j, "pluto"), 0);
  EXPECT_EQ(ra, 7);
  EXPECT_EQ(de, 8);
  double e = 7, b = 8;
  EXPECT_EQ(sun.NamedPlanet(e, b, "pluto"), 0);
  EXPECT_EQ(e, 7);
  EXPECT_EQ(b, 8);
}

TEST(TsunPlanets, PositionsAndDistancesNearAnOutsideEphemeris) {
  // Apparent geocentric places on 2024-01-01 00:00 UT from PyEphem 4.1.4 (degrees, AU); mean
  // elements without perturbations reach a few degrees at best.
  struct Case {
    const char* name;
    double ra, dec, au, tolerance;
  } cases[] = {
      {"venus", 240.95, -18.77, 1.182, 2.0},
      {"mars", 267.05, -23.96, 2.424, 2.0},
      {"jupiter", 33.69, 12.26, 4.481, 2.0},
      {"saturn", 335.78, -11.84, 10.295, 2.0},
  };
  Tobserver ob;
  Tsun sun(ob);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double ra = 0, de = 0;
    double metres = sun.NamedPlanet(ra, de, Tobserver::getJulianDate(1, 1, 2024, 0), c.name);
    double diff = std::remainder(ra * kDeg - c.ra, 360.0);
    EXPECT_NEAR(diff * std::cos(c.dec / kDeg), 0, c.tolerance);
    EXPECT_NEAR(de * kDeg, c.dec, c.tolerance);
    EXPECT_NEAR(metres / 1.495985e11, c.au, 0.02 * c.au);
  }
}

TEST(TsunPlanets, EquinoxesAndSolsticesOf2024) {
  // GMT instants: 20 March 03:06, 20 June 20:51, 22 September 12:44, 21 December 09:21.
  struct Case {
    const char* id;
    TDateTime (Tsun::*event)(int32_t);
    int month, day;
    double hours;
  } cases[] = {
      {"vernal equinox", &Tsun::vernalEquinox, 3, 20, 3.1},
      {"summer solstice", &Tsun::summerSolstice, 6, 20, 20.85},
      {"autumnal equinox", &Tsun::autumnalEquinox, 9, 22, 12.73},
      {"winter solstice", &Tsun::winterSolstice, 12, 21, 9.35},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tobserver ob;
    Tsun sun(ob);
    ob.setJday(2460000.123456);
    const double before = ob.getJDate();
    TDateTime t = (sun.*c.event)(2024);
    platform::DateParts p = platform::decodeDateTime(t);
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, c.month);
    EXPECT_EQ(p.day, c.day);
    // The model's sun is a few hundredths of a degree off, which is most of an hour here.
    EXPECT_NEAR((t - std::trunc(t)) * 24, c.hours, 1.0);
    EXPECT_NEAR(ob.getJDate(), before, 0.5 / 86400);
  }
}

TEST(TsunPlanets, MoonShadeCoversTheDiscAccordingToThePhase) {
  Tobserver ob;
  Tsun sun(ob);
  const double r = 100;
  const double disc = kPi * r * r;
  struct Case {
    const char* id;
    double phase;
    MoonPart part;
    double share;
  } cases[] = {
      {"new moon: all dark", 0, MoonPart::Dark, 1},   {"half: half dark", 50, MoonPart::Dark, 0.5},
      {"full: nothing dark", 100, MoonPart::Dark, 0}, {"full: all lit", 100, MoonPart::Lit, 1},
      {"new: nothing lit", 0, MoonPart::Lit, 0},      {"quarter: a quarter dark", 75, MoonPart::Dark, 0.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    for (double rotation : {0.0, 1.0, -2.5}) {
      auto poly = sun.moonShadePolygon(200, 200, r, c.phase, rotation, c.part);
      ASSERT_EQ(poly.size(), 181u);
      EXPECT_NEAR(area(poly) / disc, c.share, 0.02);
    }
  }
  // At half phase with no rotation the straight edge runs through the centre.
  auto half = sun.moonShadePolygon(200, 200, r, 50, 0, MoonPart::Dark);
  for (int k = 0; k < 90; ++k) EXPECT_EQ(half[k].X, 200);
}

TEST(TsunPlanets, SunMoonAngleOfOppositeAndEqualDirections) {
  Tobserver ob;
  Tsun sun(ob);
  (void)sun.getSunE();
  (void)sun.getMoonE();
  struct Case {
    const char* id;
    double sunB, sunE, moonB, moonE, angle;
  } cases[] = {
      {"opposite", 90, 0, 270, 0, 180},
      {"opposite, high", 10, 30, 190, -30, 180},
      {"same", 45, 20, 45, 20, 0},
      {"right angle", 0, 0, 0, 90, 90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    sun.fSunB = c.sunB, sun.fSunE = c.sunE, sun.fMoonB = c.moonB, sun.fMoonE = c.moonE;
    EXPECT_NEAR(sun.sunMoonAngle(), c.angle, 1e-6);
  }
  // The shading faces the sun: a sun due right (east) of the moon on the sky.
  sun.fSunB = 100, sun.fSunE = 10, sun.fMoonB = 90, sun.fMoonE = 10;
  EXPECT_NEAR(sun.moonShadeRotation(), -kPi / 2 - sun.ortho->OrthoBearing(90, 10, 100, 10) / kDeg, 1e-12);
}

TEST(TsunPlanets, RefractionAndTerminator) {
  EXPECT_NEAR(Tsun::Refraction(0), 1.02 / std::tan(10.3 / 5.11 / kDeg) / 60 * 34 / 32, 1e-12);
  EXPECT_NEAR(Tsun::Refraction(0), 0.513, 0.001);
  EXPECT_LT(Tsun::Refraction(45), 0.03);

  struct Case {
    double longitude, sunlat, sunlong, latitude;
  } cases[] = {
      {0, 0, 0, 90}, {90, 0, 0, 90}, {0, 0, 180, -90}, {0, 20, 180, -70}, {0, -20, 180, -70}, {0, 20, 0, 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.longitude << " " << c.sunlat << " " << c.sunlong);
    EXPECT_NEAR(Tsun::terminator(c.longitude, c.sunlat, c.sunlong), c.latitude, 1e-9);
  }
}

TEST(TsunPlanets, MoonShadeFillsTheCanvasWithItsBrush) {
  Tobserver ob;
  Tsun sun(ob);
  struct Case {
    const char* id;
    double phase;
    MoonPart part;
    double share;
  } cases[] = {
      {"half dark", 50, MoonPart::Dark, 0.5},
      {"new moon dark", 0, MoonPart::Dark, 1},
      {"full moon lit", 100, MoonPart::Lit, 1},
      {"full moon dark", 100, MoonPart::Dark, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    platform::TBitmap bm;
    bm.SetSize(120, 120);  // white
    platform::TCanvas& cv = bm.Canvas();
    cv.Pen.Style = platform::psClear;
    cv.Brush.Color = platform::clBlack;
    EXPECT_EQ(sun.moonShade(cv, 60, 60, 50, c.phase, 0.3, c.part), 0.3);
    int black = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) black += cv.Pixels(x, y) == platform::clBlack;
    EXPECT_NEAR(black / (kPi * 50 * 50), c.share, 0.04);
  }
  // Facing the sun: the rotation comes from the sun's and the moon's directions.
  platform::TBitmap bm;
  bm.SetSize(20, 20);
  ob.setlat(51.5);
  EXPECT_EQ(sun.moonShade(bm.Canvas(), 10, 10, 8, 50), sun.moonShadeRotation());
}
