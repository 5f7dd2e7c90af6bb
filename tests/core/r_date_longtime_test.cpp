// TlongTime: dates beyond the date-time range, the sentinels and the undefined state.
#include <gtest/gtest.h>

#include "core/r_date.h"
#include "core/r_log.h"
#include "tests/support/testenv.h"

namespace {
struct LongTimeTest : ::testing::Test {
  static void SetUpTestSuite() {
    loggingdir = testenv::tempDir();
    createDateman();
  }
  static void TearDownTestSuite() {
    freeDateman();
    loggingdir.clear();
  }
};

TlongTime stamp(const std::string& s) {
  TlongTime t;
  t.setTimestamp(s);
  return t;
}

TEST_F(LongTimeTest, NewValueHoldsCurrentGmt) {
  TlongTime t;
  EXPECT_EQ(t.mode, 1);
  EXPECT_FALSE(t.undefined());
  EXPECT_NEAR(t.julian(), dateman->NowJD(), 2.0 / 86400);
}

TEST_F(LongTimeTest, TimestampWriteSetsModeAndParts) {
  struct Case { const char* text; int mode; bool undefined; const char* readBack; } cases[] = {
      {"ALWAYS", 0, false, "-9999-01-01 00:00:00"},
      {"-9999-01-01", 0, false, "-9999-01-01 00:00:00"},
      {"-99990", 0, false, "-9999-01-01 00:00:00"},
      {"Forever", 2, false, "9999-01-01 00:00:00"},
      {"9999-12-31 23:59:59", 2, false, "9999-01-01 00:00:00"},
      {"1066-10-14 09:00:00", 1, false, "1066-10-14 09:00:00"},
      {"-44-03-15 10:30:00", 1, false, "-44-03-15 10:30:00"},
      {"", 0, true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TlongTime t = stamp(c.text);
    EXPECT_EQ(t.mode, c.mode);
    EXPECT_EQ(t.undefined(), c.undefined);
    EXPECT_EQ(t.timestamp(), c.readBack);
  }
  TlongTime u = stamp("");
  EXPECT_EQ(u.LongDateTimeStr(), "undefined");
  u.setForever(true);  // any write of a value defines it
  EXPECT_FALSE(u.undefined());
  EXPECT_EQ(u.LongDateStr(), "forever");
  u.setForever(false);
  EXPECT_EQ(u.mode, 1);
}

TEST_F(LongTimeTest, JulianAndDateTimeViews) {
  TlongTime t;
  t.setJulian(0);
  EXPECT_EQ(t.mode, 1);  // a date, not the sentinel
  EXPECT_EQ(t.timestamp(), "-4713-01-01 12:00:00");
  t.setAlways(true);
  EXPECT_DOUBLE_EQ(t.julian(), 0);
  EXPECT_DOUBLE_EQ(t.dateTime(), 2.0);  // 1900-01-01
  t.setForever(true);
  EXPECT_DOUBLE_EQ(t.julian(), kJulianForever);
  EXPECT_EQ(dateman->SQLtimestampDT(t.dateTime()), "9999-01-01 00:00:00");
  t.setDateTime(36526.75);
  EXPECT_EQ(t.timestamp(), "2000-01-01 18:00:00");
  EXPECT_DOUBLE_EQ(t.julian(), 2451545.25);
  EXPECT_DOUBLE_EQ(t.timeInHours(), 18.0);
  EXPECT_EQ(t.LongDateTimeStr(), "1 January 2000 18:00:00");
  EXPECT_EQ(t.LongDateStr(), "1 January 2000");
  t.timeZone = 2;  // parts two hours ahead of GMT
  EXPECT_DOUBLE_EQ(t.julian(), 2451545.25 - 2.0 / 24);
  t.setJulian(2451545.25);
  EXPECT_EQ(t.timestamp(), "2000-01-01 20:00:00");
}

TEST_F(LongTimeTest, AddTimeAndMonths) {
  TlongTime a = stamp("1850-03-01 06:00:00");
  a.addTime(1.5);
  EXPECT_EQ(a.timestamp(), "1850-03-02 18:00:00");
  TlongTime b = stamp("2000-02-28 12:00:00");
  b.addTime(1.5);
  EXPECT_EQ(b.timestamp(), "2000-03-01 00:00:00");
  TlongTime f = stamp("forever");
  f.addTime(10);
  EXPECT_EQ(f.mode, 2);
  struct Case { const char* from; int months; const char* to; } cases[] = {
      {"2023-01-31 00:00:00", 1, "2023-02-28 00:00:00"}, {"2024-01-31 00:00:00", 1, "2024-02-29 00:00:00"},
      {"2023-01-15 00:00:00", -13, "2021-12-15 00:00:00"}, {"2023-11-15 00:00:00", 14, "2025-01-15 00:00:00"},
      {"1-01-15 00:00:00", -1, "-1-12-15 00:00:00"}};
  for (const auto& c : cases) {
    TlongTime t = stamp(c.from);
    t.addMonth(c.months);
    EXPECT_EQ(t.timestamp(), c.to) << c.from << " + " << c.months;
  }
}

TEST_F(LongTimeTest, Comparisons) {
  const TlongTime always = stamp("always"), forever = stamp("forever");
  struct Case { const char* later; const char* earlier; } cases[] = {
      {"1999-12-31 00:00:00", "800-01-01 00:00:00"}, {"-50-01-01 00:00:00", "-100-01-01 00:00:00"},
      {"2000-01-01 00:00:01", "2000-01-01 00:00:00"}, {"1-01-01 00:00:00", "-1-12-31 00:00:00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.later);
    const TlongTime a = stamp(c.later), b = stamp(c.earlier);
    EXPECT_TRUE(a.Greater(b));
    EXPECT_FALSE(b.Greater(a));
    EXPECT_TRUE(a.GreaterOrEqual(b));
    EXPECT_FALSE(b.GreaterOrEqual(a));
    EXPECT_TRUE(a.Greater(always));
    EXPECT_FALSE(a.Greater(forever));
  }
  const TlongTime d = stamp("2000-01-01 00:00:00");
  EXPECT_FALSE(d.Greater(d));
  EXPECT_TRUE(d.GreaterOrEqual(d));
  EXPECT_FALSE(always.Greater(always));
  EXPECT_TRUE(always.GreaterOrEqual(always));
  EXPECT_FALSE(always.GreaterOrEqual(d));
  EXPECT_TRUE(forever.Greater(d));
  EXPECT_FALSE(forever.Greater(forever));
  EXPECT_TRUE(forever.GreaterOrEqual(forever));
}

TEST_F(LongTimeTest, DaysGreaterThan) {
  const TlongTime always = stamp("always"), forever = stamp("forever"), d = stamp("2000-01-01 12:00:00");
  EXPECT_DOUBLE_EQ(stamp("2000-01-02 00:00:00").DaysGreaterThan(d), 0.5);
  EXPECT_DOUBLE_EQ(stamp("1850-01-02 00:00:00").DaysGreaterThan(stamp("1850-01-01 12:00:00")), 0.5);
  EXPECT_DOUBLE_EQ(forever.DaysGreaterThan(always), 9999);
  EXPECT_DOUBLE_EQ(always.DaysGreaterThan(forever), -9999);
  EXPECT_DOUBLE_EQ(always.DaysGreaterThan(always), 0);
  EXPECT_DOUBLE_EQ(forever.DaysGreaterThan(forever), 0);
  EXPECT_DOUBLE_EQ(d.DaysGreaterThan(always), 9999);
  EXPECT_DOUBLE_EQ(d.DaysGreaterThan(forever), -9999);
  EXPECT_DOUBLE_EQ(always.DaysGreaterThan(d), -9999);
  EXPECT_DOUBLE_EQ(forever.DaysGreaterThan(d), 9999);
}

TEST_F(LongTimeTest, AssignAndSysTime) {
  TlongTime a = stamp("1066-10-14 09:08:07"), b;
  a.millisecond = 5;
  b.timeZone = 3;
  b.assign(&a);
  EXPECT_EQ(b.timestamp(), a.timestamp());
  EXPECT_EQ(b.millisecond, 5);
  EXPECT_DOUBLE_EQ(b.timeZone, 3);  // not copied
  b.assign(nullptr);
  EXPECT_EQ(b.timestamp(), a.timestamp());
  SYSTEMTIME s;
  s.wDayOfWeek = 4;
  stamp("2024-07-01 13:14:15").asSysTime(s);
  EXPECT_EQ(s, (SYSTEMTIME{2024, 7, 4, 1, 13, 14, 15, 0}));
}
}  // namespace
