// Tobserver: defaults, the Julian-date cache, the zone invariant, unlimited values and the
// one-listener rule.
#include <gtest/gtest.h>

#include <cmath>

#include "astro/r_Sun.h"
#include "platform/datetime.h"

namespace {
constexpr double kSecond = 1.0 / 86400;

void setMoment(Tobserver& ob, int y, int m, int d, double gmt) {
  ob.setYear(y);
  ob.setMonth(m);
  ob.setDay(d);
  ob.setTime(gmt);
}
}  // namespace

TEST(Tobserver, NewObserverIsAtFiftyFiveNorthFiveWestWithTheLocalClockAsGmt) {
  // 2024-07-01 10:20:30 UTC is 11:20:30 in London (the tests' zone).
  platform::TDateTime utc = 0;
  ASSERT_TRUE(platform::tryEncodeDate(2024, 7, 1, utc));
  platform::setClockForTesting(utc + (10 * 3600 + 20 * 60 + 30) / 86400.0);
  Tobserver ob;
  platform::setClockForTesting(0);
  EXPECT_NEAR(ob.getlat(), 55, 1e-12);
  EXPECT_NEAR(ob.getlong(), -5, 1e-12);
  EXPECT_EQ(ob.timeZone(), 0);
  EXPECT_EQ(ob.altitude, 0);
  EXPECT_EQ(ob.year(), 2024);
  EXPECT_EQ(ob.month(), 7);
  EXPECT_EQ(ob.day(), 1);
  EXPECT_NEAR(ob.gmt(), 11 + 20 / 60.0 + 30 / 3600.0, 1e-9);
}

TEST(Tobserver, JulianDatesOfKnownMoments) {
  struct Case {
    const char* id;
    int y, m, d;
    double gmt, jd, dayOfYear;
  } cases[] = {
      {"J2000", 2000, 1, 1, 12, 2451545.0, 0.5},
      {"epoch 1980 January 0.0", 1979, 12, 31, 0, 2444238.5, 364},
      {"1 January midnight", 2023, 1, 1, 0, 2459945.5, 0},
      {"31 December noon, leap year", 2024, 12, 31, 12, 2460676.0, 365.5},
      {"day 31 of April runs into May", 2024, 4, 31, 0, 2460431.5, 121},
      {"negative GMT is the previous day", 2024, 3, 10, -2, 2460379.5 - 2 / 24.0, 69 - 2 / 24.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tobserver ob;
    setMoment(ob, c.y, c.m, c.d, c.gmt);
    EXPECT_NEAR(ob.getJDate(), c.jd, 1e-9);
    EXPECT_NEAR(ob.getDayOfYear(), c.dayOfYear, 1e-9);
  }
}

TEST(Tobserver, SetJdayReadsBackToTheWholeSecondAndCarriesOverMidnight) {
  Tobserver ob;
  const double j = 2460000.5 + 0.123456789;
  ob.setJday(j);
  EXPECT_NEAR(ob.getJDate(), j, 0.5 * kSecond + 1e-9);
  EXPECT_NEAR(std::fmod(ob.gmt() * 3600, 1.0), 0, 1e-6);  // whole seconds

  // 23:59:59.6 on 31 December 2023 decodes as 1 January 2024 00:00:00.
  ob.setJday(Tobserver::getJulianDate(31, 12, 2023, 24 - 0.4 / 3600));
  EXPECT_EQ(ob.year(), 2024);
  EXPECT_EQ(ob.month(), 1);
  EXPECT_EQ(ob.day(), 1);
  EXPECT_NEAR(ob.gmt(), 0, 1e-12);
}

TEST(Tobserver, ZoneOffsetKeepsLocalEqualToGmtPlusZone) {
  Tobserver ob;
  ob.setTime(10);
  ob.setTZ(2);
  EXPECT_EQ(ob.LocalTime(), 10);  // setTZ moves neither clock
  EXPECT_EQ(ob.gmt(), 10);
  ob.setTime(10);
  EXPECT_EQ(ob.LocalTime(), 12);

  setMoment(ob, 2024, 3, 10, 0);
  ob.setTZ(3);
  ob.setLocal(1);
  EXPECT_EQ(ob.gmt(), -2);  // not wrapped into 0..24
  EXPECT_NEAR(ob.getJDate(), Tobserver::getJulianDate(9, 3, 2024, 22), 1e-9);
}

TEST(Tobserver, DateTimeOfAnImpossibleDayRunsOnLikeTheJulianDate) {
  Tobserver ob;
  setMoment(ob, 2024, 4, 31, 6);
  platform::TDateTime may1 = 0;
  ASSERT_TRUE(platform::tryEncodeDate(2024, 5, 1, may1));
  EXPECT_NEAR(ob.getDT(), may1 + 0.25, 1e-9);

  ob.setDT(may1 + 0.5 + 0.7 * kSecond);  // milliseconds are dropped
  EXPECT_EQ(ob.day(), 1);
  EXPECT_EQ(ob.month(), 5);
  EXPECT_NEAR(ob.gmt(), 12, 1e-12);
  EXPECT_NEAR(ob.getDT(), may1 + 0.5, 1e-9);
}

TEST(Tobserver, RecordRoundTripsAndAddDaysCrossesMonthAndYear) {
  Tobserver ob;
  observerRec r{51.5, -0.1, 7.25, -5, 2021, 11, 3};
  ob.setRec(r);
  observerRec back = ob.getrec();
  EXPECT_NEAR(back.lat, 51.5, 1e-12);
  EXPECT_NEAR(back.long_, -0.1, 1e-12);
  EXPECT_EQ(back.gmt, 7.25);
  EXPECT_EQ(back.timezone, -5);
  EXPECT_EQ(ob.LocalTime(), 2.25);
  EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, 20211103);

  struct Case {
    int days, d, m, y, wantD, wantM, wantY;
  } cases[] = {{1, 31, 12, 2023, 1, 1, 2024},
               {-1, 1, 3, 2024, 29, 2, 2024},
               {-1, 1, 3, 2023, 28, 2, 2023},
               {365, 1, 1, 2024, 31, 12, 2024}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.days << " from " << c.y << "-" << c.m << "-" << c.d);
    int32_t d = c.d, m = c.m, y = c.y;
    Tobserver::addDays(c.days, d, m, y);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.wantY * 10000 + c.wantM * 100 + c.wantD);
  }
}

TEST(Tobserver, EverySetterFiresTheListenerOnce) {
  struct Case {
    const char* id;
    void (*set)(Tobserver&);
  } cases[] = {
      {"lat", [](Tobserver& o) { o.setlat(10); }},
      {"long", [](Tobserver& o) { o.setlong(10); }},
      {"time", [](Tobserver& o) { o.setTime(3); }},
      {"local", [](Tobserver& o) { o.setLocal(3); }},
      {"zone", [](Tobserver& o) { o.setTZ(1); }},
      {"day", [](Tobserver& o) { o.setDay(2); }},
      {"month", [](Tobserver& o) { o.setMonth(2); }},
      {"year", [](Tobserver& o) { o.setYear(2000); }},
      {"jday", [](Tobserver& o) { o.setJday(2451545); }},
      {"dt", [](Tobserver& o) { o.setDT(45000.5); }},
      {"rec", [](Tobserver& o) { o.setRec(observerRec{}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tobserver ob;
    (void)ob.getJDate();
    int fired = 0;
    ob.onChange = [&](Tobserver* sender) {
      EXPECT_EQ(sender, &ob);
      ++fired;
    };
    c.set(ob);
    EXPECT_EQ(fired, 1);
  }
}
