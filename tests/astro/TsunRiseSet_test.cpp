// Tsun rise and set searches: found crossings lie on the threshold, the observer comes back to
// its starting moment, and polar day, polar night and circumpolar bodies report no event.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "astro/r_Sun.h"
#include "platform/system.h"

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kSecond = 1.0 / 86400;
constexpr double kDateTimeHorizon = -0.8266666666666667;

void setMoment(Tobserver& ob, int y, int m, int d, double gmt) {
  ob.setYear(y);
  ob.setMonth(m);
  ob.setDay(d);
  ob.setTime(gmt);
}

// The sun's (or moon's) elevation at a GMT date-time, on a scratch observer at the same place.
double elevationAt(const Tobserver& place, TDateTime gmt, bool moon) {
  Tobserver ob;
  ob.setlat(place.getlat());
  ob.setlong(place.getlong());
  Tsun s(ob);
  ob.setDT(gmt);
  return moon ? s.getMoonE() : s.getSunE();
}

struct Place {
  const char* id;
  double lat, lon, zone;
  int y, m, d;
  double gmt;
};
}  // namespace

TEST(TsunRiseSet, SunriseAndSunsetOfTheLocalDayLieOnTheThreshold) {
  Place places[] = {
      {"London midsummer", 51.5, -0.13, 1, 2024, 6, 21, 10},
      {"Sydney winter", -33.87, 151.21, 10, 2024, 6, 21, 2},
      {"Quito equinox", -0.18, -78.47, -5, 2024, 3, 20, 17},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.id);
    Tobserver ob;
    Tsun sun(ob);
    ob.setlat(p.lat);
    ob.setlong(p.lon);
    ob.setTZ(p.zone);
    setMoment(ob, p.y, p.m, p.d, p.gmt);
    const TDateTime before = ob.getDT();
    TDateTime rise = 0, set = 0;
    double riseB = 0, setB = 0;
    ASSERT_TRUE(sun.sunRiseSetDT(rise, set, riseB, setB));
    const double localNoon = std::trunc(before) + 0.5;
    EXPECT_LT(rise, localNoon);
    EXPECT_GT(set, localNoon);
    EXPECT_GT(rise, localNoon - 0.5);
    EXPECT_LT(set, localNoon + 0.5);
    EXPECT_LT(riseB, 180);  // rises in the east
    EXPECT_GT(setB, 180);
    // Within a second or two of the crossing (the observer is set in whole seconds).
    const double riseGmt = rise - p.zone / 24, setGmt = set - p.zone / 24;
    EXPECT_LT(elevationAt(ob, riseGmt - 2 * kSecond, false), kDateTimeHorizon);
    EXPECT_GT(elevationAt(ob, riseGmt + 2 * kSecond, false), kDateTimeHorizon);
    EXPECT_GT(elevationAt(ob, setGmt - 2 * kSecond, false), kDateTimeHorizon);
    EXPECT_LT(elevationAt(ob, setGmt + 2 * kSecond, false), kDateTimeHorizon);
    EXPECT_EQ(ob.getDT(), before);
    EXPECT_TRUE(sun.sunValid);

    // The classic scan in local hours agrees to within the difference of its horizon.
    double riseH = 0, setH = 0;
    ASSERT_TRUE(sun.sunRiseSetEx(riseH, setH, riseB, setB, true));
    EXPECT_NEAR(riseH / 24, rise - std::trunc(rise), 4.0 / 1440);
    EXPECT_NEAR(setH / 24, set - std::trunc(set), 4.0 / 1440);
    EXPECT_EQ(ob.gmt(), p.gmt);
  }
}

TEST(TsunRiseSet, PolarDayAndPolarNightReportNoEvent) {
  Place places[] = {
      {"midnight sun at 70 N", 70, 20, 1, 2024, 6, 21, 12},
      {"polar night at 75 N", 75, 20, 1, 2024, 12, 21, 12},
      {"polar night at 70 S", -70, 0, 0, 2024, 6, 21, 12},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.id);
    Tobserver ob;
    Tsun sun(ob);
    ob.setlat(p.lat);
    ob.setlong(p.lon);
    ob.setTZ(p.zone);
    setMoment(ob, p.y, p.m, p.d, p.gmt);
    const double jd = ob.getJDate();
    TDateTime rise = 0, set = 0;
    double riseB = 0, setB = 0, riseH = 0, setH = 0, riseJ = 0, setJ = 0;
    EXPECT_FALSE(sun.sunRiseSetDT(rise, set, riseB, setB));
    EXPECT_FALSE(sun.sunRiseSetEx(riseH, setH, riseB, setB, false));
    EXPECT_FALSE(sun.SunRiseSet(riseH, setH, riseB, setB));
    EXPECT_FALSE(sun.sunRiseSetEx2(riseJ, setJ, riseB, setB, false));
    EXPECT_NEAR(ob.getJDate(), jd, 1e-9);
  }
}

TEST(TsunRiseSet, JulianScanFindsTheRiseBeforeWhenUpAndTheComingRiseAtNight) {
  struct Case {
    const char* id;
    double gmt;
    bool riseBefore;
  } cases[] = {{"started at noon", 12, true}, {"started at night", 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tobserver ob;
    Tsun sun(ob);
    ob.setlat(51.5);
    ob.setlong(-0.13);
    setMoment(ob, 2024, 6, 21, c.gmt);
    const double start = ob.getJDate();
    double riseJ = 0, setJ = 0, riseB = 0, setB = 0;
    ASSERT_TRUE(sun.sunRiseSetEx2(riseJ, setJ, riseB, setB, true));
    EXPECT_EQ(riseJ < start, c.riseBefore);
    EXPECT_NEAR(riseJ, Tobserver::getJulianDate(21, 6, 2024, 3.75), 0.03);  // 03:43 GMT
    EXPECT_NEAR(setJ, Tobserver::getJulianDate(21, 6, 2024, 20.35), 0.03);  // 20:21 GMT
    EXPECT_NEAR(ob.getJDate(), start, 1e-9);
  }
}

TEST(TsunRiseSet, MoonriseAndMoonsetOfTheLocalDay) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  ob.setlong(-0.13);
  setMoment(ob, 2024, 1, 20, 9);
  const TDateTime before = ob.getDT();
  TDateTime rise = 0, set = 0;
  double riseB = 0, setB = 0;
  ASSERT_TRUE(sun.moonRiseSetDT(rise, set, riseB, setB, true));
  EXPECT_GE(rise, std::trunc(before) - 0.5);
  EXPECT_LT(rise, std::trunc(before) + 1);
  EXPECT_GT(set, rise);
  EXPECT_LT(elevationAt(ob, rise - 2 * kSecond, true), kDateTimeHorizon);
  EXPECT_GT(elevationAt(ob, rise + 2 * kSecond, true), kDateTimeHorizon);
  EXPECT_LT(elevationAt(ob, set + 2 * kSecond, true), kDateTimeHorizon);
  EXPECT_EQ(ob.getDT(), before);

  TDateTime next = 0;
  double bearing = 0;
  ASSERT_TRUE(sun.NextMoonRiseDT(next, bearing));
  EXPECT_GT(next, before);
  EXPECT_LT(next, before + 1.1);
  ASSERT_TRUE(sun.NextMoonSetDT(next, bearing));
  EXPECT_GT(next, before);
  EXPECT_EQ(ob.getDT(), before);
}

TEST(TsunRiseSet, JulianMoonScanStepsHalfHoursEvenWhenPrecise) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  ob.setlong(-0.13);
  setMoment(ob, 2024, 1, 20, 9);
  const double start = ob.getJDate();
  double riseJ = 0, setJ = 0, riseB = 0, setB = 0;
  ASSERT_TRUE(sun.moonRiseSetEx2(riseJ, setJ, riseB, setB, true));
  const double halfHours = (riseJ - start) * 48;
  EXPECT_NEAR(halfHours, std::round(halfHours), 1e-6);
  EXPECT_NEAR((setJ - riseJ) * 48, std::round((setJ - riseJ) * 48), 1e-6);
  EXPECT_NEAR(ob.getJDate(), start, 1e-9);
}

TEST(TsunRiseSet, CircumpolarMoonReportsNoEventAndSounds) {
  // At 80 N in mid-December 2024 the moon (declination about +27) never sets for days.
  Tobserver ob;
  Tsun sun(ob);
  int beeps = 0;
  sun.beep = [&] { ++beeps; };
  ob.setlat(80);
  ob.setlong(0);
  setMoment(ob, 2024, 12, 16, 0);
  const TDateTime before = ob.getDT();
  ASSERT_GT(sun.getMoonE(), 5);
  TDateTime rise = 0, set = 0;
  double riseB = 0, setB = 0, riseJ = 0, setJ = 0;
  EXPECT_FALSE(sun.moonRiseSetDT(rise, set, riseB, setB, true));
  EXPECT_FALSE(sun.NextMoonRiseDT(rise, riseB));
  EXPECT_FALSE(sun.NextMoonSetDT(set, setB));
  EXPECT_FALSE(sun.moonRiseSetEx2(riseJ, setJ, riseB, setB, false));
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(ob.getDT(), before);

  // The horizon-event walk looks further ahead and finds the set days later.
  int32_t d = 0, m = 0, y = 0;
  double hours = 0;
  bool isRise = true;
  ASSERT_TRUE(sun.GetNextMoonRiseSet(d, m, y, hours, isRise));
  EXPECT_FALSE(isRise);
  EXPECT_EQ(y * 100 + m, 202412);
  EXPECT_GT(d, 17);
  EXPECT_LT(d, 24);
  EXPECT_EQ(ob.getDT(), before);
}

TEST(TsunRiseSet, MissedMoonriseSoundsTheProgramsBeepUnlessReplaced) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(80);
  ob.setlong(0);
  setMoment(ob, 2024, 12, 16, 0);
  platform::recorded().clear();
  double riseJ = 0, setJ = 0, riseB = 0, setB = 0;
  EXPECT_FALSE(sun.moonRiseSetEx2(riseJ, setJ, riseB, setB, false));
  EXPECT_EQ(platform::recorded(), std::vector<std::string>{"beep"});
}

TEST(TsunRiseSet, NextHorizonEventRollsOverMidnightIntoTheNextDay) {
  // Find a longitude where, seen from 23:50 GMT, the moon rises in the first 40 minutes of the
  // next GMT day, then check the event's date, hours and elevation.
  bool seen = false;
  for (double lon = -180; lon < 180 && !seen; lon += 2) {
    Tobserver ob;
    Tsun sun(ob);
    ob.setlat(40);
    ob.setlong(lon);
    setMoment(ob, 2024, 3, 27, 23 + 50 / 60.0);
    int32_t d = 0, m = 0, y = 0;
    double hours = 0;
    bool rise = false;
    ASSERT_TRUE(sun.GetNextMoonRiseSet(d, m, y, hours, rise));
    EXPECT_EQ(ob.day(), 27);
    EXPECT_NEAR(ob.gmt(), 23 + 50 / 60.0, 1e-12);
    if (!rise || d != 28 || hours > 40 / 60.0) continue;
    seen = true;
    SCOPED_TRACE(::testing::Message() << "longitude " << lon);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2024);
    EXPECT_GE(hours, 0);
    Tobserver at;
    at.setlat(40);
    at.setlong(lon);
    Tsun check(at);
    setMoment(at, 2024, 3, 28, hours);
    EXPECT_NEAR(check.getMoonE(), 0, 0.01 * 15 * 1.1);  // the last walk stepped 0.01 hours

    // Looking back from just after it finds the same rise.
    setMoment(ob, 2024, 3, 28, hours + 0.2);
    int32_t d2 = 0, m2 = 0, y2 = 0;
    double hours2 = 0;
    bool rise2 = false;
    ASSERT_TRUE(sun.GetLastMoonRiseSet(d2, m2, y2, hours2, rise2));
    EXPECT_TRUE(rise2);
    EXPECT_EQ(d2, 28);
    EXPECT_NEAR(hours2, hours, 0.02);
  }
  EXPECT_TRUE(seen);
}

TEST(TsunRiseSet, HorizonEventsOfPlanetsAndUnknownNames) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  ob.setlong(0);
  setMoment(ob, 2024, 5, 10, 23.9);
  int32_t d = 0, m = 0, y = 0;
  double hours = -1;
  bool rise = false;
  EXPECT_FALSE(sun.GetHorizonEvent(true, "vulcan", d, m, y, hours, rise));
  EXPECT_EQ(hours, -1);
  ASSERT_TRUE(sun.GetHorizonEvent(true, "MARS", d, m, y, hours, rise));
  EXPECT_GE(hours, 0);
  EXPECT_LT(hours, 24);
  // The observer's date and hours come back, also after the planet moved its date.
  EXPECT_EQ(ob.year() * 10000 + ob.month() * 100 + ob.day(), 20240510);
  EXPECT_NEAR(ob.gmt(), 23.9, 1e-12);

  // Neptune (declination about -2) never rises at 89 N: the walk ends with no event.
  ob.setlat(89);
  EXPECT_FALSE(sun.GetHorizonEvent(true, "neptune", d, m, y, hours, rise));
  EXPECT_EQ(ob.year() * 10000 + ob.month() * 100 + ob.day(), 20240510);
}

TEST(TsunRiseSet, RiseSetOfTheCelestialEquator) {
  Tobserver ob;
  Tsun sun(ob);
  for (double lat : {0.0, 35.0, -50.0}) {
    SCOPED_TRACE(lat);
    ob.setlat(lat);
    double riseB = 0, setB = 0;
    EXPECT_NEAR(sun.riseSet(0, riseB, setB), 3 * kPi / 2, 1e-12);
    EXPECT_NEAR(riseB, 90, 1e-12);
    EXPECT_NEAR(setB, 270, 1e-12);
  }
}

TEST(TsunRiseSet, DayWithoutMoonriseMayTakeThePreviousEveningsRise) {
  // Moonrise comes about 50 minutes later each day, so once a month a local day has none.
  Tobserver ob;
  Tsun sun(ob);
  ob.setlat(51.5);
  ob.setlong(-0.13);
  bool seen = false;
  for (int day = 1; day <= 31 && !seen; ++day) {
    setMoment(ob, 2024, 1, day, 12);
    TDateTime rise = 0, set = 0;
    double riseB = 0, setB = 0;
    if (sun.moonRiseSetDT(rise, set, riseB, setB, false)) continue;
    seen = true;
    SCOPED_TRACE(::testing::Message() << "January " << day);
    const TDateTime midnight = std::trunc(ob.getDT());
    ASSERT_TRUE(sun.moonRiseSetDT(rise, set, riseB, setB, true));
    EXPECT_LT(rise, midnight);
    EXPECT_GT(rise, midnight - 0.5);
    EXPECT_GT(set, midnight);
  }
  EXPECT_TRUE(seen);
}
