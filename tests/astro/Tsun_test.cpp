// Tsun core: the model's golden values, caches and velocities, the obliquity, the coordinate
// conversions and the listener's life.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "astro/r_Sun.h"

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kDeg = 180 / kPi;

void setMoment(Tobserver& ob, int y, int m, int d, double gmt) {
  ob.setYear(y);
  ob.setMonth(m);
  ob.setDay(d);
  ob.setTime(gmt);
}
}  // namespace

TEST(Tsun, SunsMeanAnomalyAtTheEpoch) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setJday(2444238.5);
  EXPECT_NEAR(sun.GetM(sun.wg, sun.eg) * kDeg, 356.237137, 1e-6);
}

TEST(Tsun, MoonPhaseIsNoneAtNewMoonAndFullAtFullMoon) {
  struct Case {
    const char* id;
    int y, m, d;
    double gmt, phase;
  } cases[] = {
      {"new moon 2024-01-11 11:57", 2024, 1, 11, 11 + 57 / 60.0, 0},
      {"full moon 2024-01-25 17:54", 2024, 1, 25, 17 + 54 / 60.0, 100},
      {"new moon 1999-08-11 11:08 (eclipse)", 1999, 8, 11, 11 + 8 / 60.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tobserver ob;
    Tsun sun(ob);
    setMoment(ob, c.y, c.m, c.d, c.gmt);
    EXPECT_NEAR(sun.getMoonPhase(), c.phase, 0.1);
  }
  // Waxing up to full moon, waning after it.
  Tobserver ob;
  Tsun sun(ob);
  setMoment(ob, 2024, 1, 25, 12);
  EXPECT_TRUE(sun.getWaxing());
  setMoment(ob, 2024, 1, 26, 0);
  EXPECT_FALSE(sun.getWaxing());
}

TEST(Tsun, GettersComputeOnlyWhenTheObserverChanged) {
  Tobserver ob;
  Tsun sun(ob);
  setMoment(ob, 2024, 6, 1, 12);
  double e = sun.getSunE();
  EXPECT_TRUE(sun.sunValid);
  sun.fSunE = 99;  // a cached value is returned as it stands
  EXPECT_EQ(sun.getSunE(), 99);
  ob.setTime(12);
  EXPECT_FALSE(sun.sunValid);
  EXPECT_FALSE(sun.moonValid);
  EXPECT_EQ(sun.getSunE(), e);
}

TEST(Tsun, VelocityIsTheDistanceChangeBetweenComputationsInKilometresPerHour) {
  Tobserver ob;
  Tsun sun(ob);
  setMoment(ob, 2024, 4, 1, 0);
  sun.sun();
  double d1 = sun.fDistanceToSun;
  setMoment(ob, 2024, 4, 2, 0);
  sun.sun();
  double d2 = sun.fDistanceToSun;
  double v = sun.VelocityFromSun();
  EXPECT_NEAR(v, (d2 - d1) / (24 * 1000), 1e-9);
  EXPECT_GT(v, 0);  // moving away from the sun in April
  sun.sun();        // same moment again: kept
  EXPECT_EQ(sun.VelocityFromSun(), v);
  EXPECT_NEAR(sun.fDistanceToSun / 1.495985e11, 1.0, 0.02);
}

TEST(Tsun, ImposedObliquityAndItsRemovalTakeEffectAtOnce) {
  Tobserver ob;
  Tsun sun(ob);
  setMoment(ob, 2024, 6, 21, 12);
  sun.sun();
  const double computed = sun.angleToEcliptic();
  EXPECT_NEAR(computed * kDeg, 23.44, 0.01);
  const double dec = sun.SunDec;
  sun.imposedAngleToEcliptic = 30;
  sun.sun();
  EXPECT_NEAR(sun.angleToEcliptic() * kDeg, 30, 1e-12);
  EXPECT_GT(sun.SunDec, dec + 5 / kDeg);
  sun.imposedAngleToEcliptic = 0;
  sun.sun();  // same year: no year change needed
  EXPECT_EQ(sun.angleToEcliptic(), computed);
  EXPECT_EQ(sun.SunDec, dec);
}

TEST(Tsun, CoordinateConversionsKeepTheirRangesAndInvertEachOther) {
  double ra = 0, dec = 0;
  Tsun::EclipticToRADEC(1.5 * kPi, 0, ra, dec);  // RA stays in -pi..pi
  EXPECT_NEAR(ra, -kPi / 2, 1e-12);
  EXPECT_NEAR(dec * kDeg, -23.441884, 1e-6);

  // The galactic centre (l = b = 0) stands at RA 17h 42.4m, declination -28.92 (1950 frame).
  Tsun::GalacticToRADEC(0, 0, ra, dec);
  EXPECT_NEAR(ra * kDeg, 265.6, 0.1);
  EXPECT_NEAR(dec * kDeg, -28.92, 0.05);
  for (double l : {0.1, 2.0, 4.0, 6.0}) {
    for (double b : {-1.2, 0.0, 0.7}) {
      SCOPED_TRACE(::testing::Message() << "l " << l << " b " << b);
      Tsun::GalacticToRADEC(l, b, ra, dec);
      EXPECT_GE(ra, 0);
      EXPECT_LE(ra, 2 * kPi);
      double l2 = 0, b2 = 0;
      Tsun::RAdecToGalactic(l2, b2, ra * 12 / kPi, dec);
      EXPECT_NEAR(l2, l, 1e-9);
      EXPECT_NEAR(b2, b, 1e-9);
    }
  }

  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  ob.setlong(-0.1);
  setMoment(ob, 2024, 6, 1, 21.5);
  for (double raIn : {0.3, 2.0, 4.5}) {
    for (double decIn : {-0.3, 0.2, 0.9}) {
      SCOPED_TRACE(::testing::Message() << "ra " << raIn << " dec " << decIn);
      double e = 0, b = 0, raHours = 0, dec2 = 0;
      sun.GetBearingElevation(raIn, decIn, e, b);
      sun.BearingElevationToRAdec(raHours, dec2, e, b);
      EXPECT_GE(raHours, 0);
      EXPECT_LT(raHours, 24);
      EXPECT_NEAR(raHours, raIn * 12 / kPi, 1e-8);
      EXPECT_NEAR(dec2, decIn, 1e-9);
    }
  }
}

TEST(Tsun, BearingAtCulminationIsSouthAndWestOfItJustAbove) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  setMoment(ob, 2024, 3, 1, 3);
  const double lstHours = sun.GetLocalST();
  double e = 0, b = 0;
  sun.GetBearingElevation(lstHours * kPi / 12, 10 / kDeg, e, b);
  EXPECT_NEAR(b, kPi, 1e-6);
  EXPECT_NEAR(e * kDeg, 90 - 51.5 + 10, 1e-6);
  sun.GetBearingElevation((lstHours - 0.01 * 12 / kPi) * kPi / 12, 10 / kDeg, e, b);
  EXPECT_NEAR(sun.lastHourA, 0.01, 1e-9);
  EXPECT_GT(b, kPi);
  EXPECT_LT(b, kPi + 0.05);
}

// At a pole a bearing is the direction along the meridian of the body's hour angle. Azimuths from
// PyEphem 4.1.4 (python3-ephem, pressure 0): ephem.Sun(o).az and ephem.Moon(o).az.
TEST(Tsun, BearingAtAPoleFollowsTheHourAngleAsPyEphemGives) {
  const struct {
    double lat, lon;
    int y, m, d;
    double gmt, sunAz, moonAz;
  } cases[] = {
      {90, 0, 2021, 6, 21, 0, 359.56, 233.51},    {90, 0, 2021, 6, 21, 6, 89.55, 320.31},
      {90, 0, 2021, 6, 21, 12, 179.54, 47.05},    {90, 0, 2021, 6, 21, 18, 269.52, 133.74},
      {90, 30, 2021, 6, 21, 6, 119.55, 350.31},   {-90, 0, 2021, 12, 21, 6, 89.51, 294.47},
      {-90, -60, 2022, 1, 3, 15.5, 8.63, 22.58},  {90, 120, 2022, 3, 25, 22.75, 99.79, 178.25},
  };
  auto apart = [](double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lat << " " << c.lon << " " << c.y << "-" << c.m << "-" << c.d << " "
                                      << c.gmt);
    Tobserver ob;
    Tsun sun(ob);
    ob.setlat(c.lat);
    ob.setlong(c.lon);
    setMoment(ob, c.y, c.m, c.d, c.gmt);
    sun.sun();
    sun.Moon();
    EXPECT_LT(apart(sun.getSunB(), c.sunAz), 0.2);
    EXPECT_LT(apart(sun.getMoonB(), c.moonAz), 0.5);
    // And back: the direction turns into the right ascension it came from.
    double e = 0, b = 0, raHours = 0, dec = 0;
    sun.GetBearingElevation(1.0, 0.3, e, b);
    sun.BearingElevationToRAdec(raHours, dec, e, b);
    EXPECT_NEAR(raHours, 12 / kPi, 1e-6);
    EXPECT_NEAR(dec, 0.3, 1e-9);
  }
}

TEST(Tsun, WrappingReturnsAtOnceForHugeAndInfiniteValues) {
  EXPECT_NEAR(Tsun::correctedTime(-1), 23, 1e-12);
  EXPECT_EQ(Tsun::correctedTime(24), 0);
  double big = Tsun::correctedTime(1e18);
  EXPECT_GE(big, 0);
  EXPECT_LT(big, 24);
  EXPECT_TRUE(std::isnan(Tsun::correctedTime(INFINITY)));

  Tobserver ob;
  Tsun sun(ob);
  ob.setJday(1e15);  // outside the calendar: a date the calendar can hold, no hang
  sun.sun();
  sun.Moon();
  SUCCEED();
}

TEST(Tsun, FreeingTheSunObjectLeavesNoListenerBehind) {
  Tobserver ob;
  {
    Tsun first(ob);
    ob.setlat(10);
  }
  EXPECT_FALSE(ob.onChange);
  ob.setlat(20);  // would call the freed object

  Tsun second(ob);
  {
    Tsun third(ob);  // replaces the second's listener, and on its way out clears only its own
  }
  EXPECT_FALSE(ob.onChange);
  auto keeper = std::make_unique<Tsun>(ob);
  {
    Tobserver other;
    Tsun unrelated(other);
  }
  (void)keeper->getSunE();
  ob.setTime(5);
  EXPECT_FALSE(keeper->sunValid);
}
