// TdateMan: Julian dates, date-time values, calendar arithmetic, names, seasons and zodiac.
#include "core/r_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/r_log.h"
#include "tests/support/testenv.h"
#include "tests/support/dateman.h"

namespace {
struct DateManTest : testenv::DateManSuite {};

TEST_F(DateManTest, EncodeJulianKnownDates) {
  struct Case { const char* id; int y, mo, d, h, mi, s; double jd; } cases[] = {
      {"J2000", 2000, 1, 1, 12, 0, 0, 2451545.0},
      {"date-time zero", 1899, 12, 30, 0, 0, 0, 2415018.5},
      {"first Gregorian day", 1582, 10, 15, 0, 0, 0, 2299160.5},
      {"last Julian day", 1582, 10, 4, 0, 0, 0, 2299159.5},
      {"Julian calendar in October 1582", 1582, 10, 1, 0, 0, 0, 2299156.5},
      {"JD zero", -4713, 1, 1, 12, 0, 0, 0.0},
      {"forever", 9999, 1, 1, 0, 0, 0, 5373119.5},
      {"1 BC", -1, 1, 1, 0, 0, 0, 1721057.5},
      {"AD 1", 1, 1, 1, 0, 0, 0, 1721423.5},
      {"February 1583 is Gregorian", 1583, 2, 1, 0, 0, 0, 2299269.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_DOUBLE_EQ(dm->EncodeJulian(c.y, c.mo, c.d, c.h, c.mi, c.s), c.jd);
    int y, mo, d, h, mi, s;
    dm->DecodeJulian(c.jd, y, mo, d, h, mi, s);
    EXPECT_EQ(TdateMan::SQLtimestamp(y, mo, d, h, mi, s), TdateMan::SQLtimestamp(c.y, c.mo, c.d, c.h, c.mi, c.s));
    EXPECT_EQ(dm->fyear, c.y);
    EXPECT_EQ(dm->fsec, c.s);
  }
}

TEST_F(DateManTest, DecodeJulianCarriesRoundedSecondsIntoNextYear) {
  const double jd = dm->EncodeJulian(2023, 12, 31, 23, 59, 59) + 0.6 / 86400;  // 0.4 s before midnight
  int y, mo, d, h, mi, s;
  dm->DecodeJulian(jd, y, mo, d, h, mi, s);
  EXPECT_EQ(TdateMan::SQLtimestamp(y, mo, d, h, mi, s), "2024-01-01 00:00:00");
  // Decoding and encoding agree over a long stretch of days, both calendars.
  for (double j = 2299000.5; j < 2299400; j += 17.25) {
    dm->DecodeJulian(j, y, mo, d, h, mi, s);
    EXPECT_NEAR(dm->EncodeJulian(y, mo, d, h, mi, s), j, 1e-6) << j;
  }
}

TEST_F(DateManTest, DateTimeAndJulianConvert) {
  EXPECT_DOUBLE_EQ(TdateMan::DateTimeFromJulian(2415018.5), 0);
  EXPECT_DOUBLE_EQ(TdateMan::DateTimeFromJulian(2415017.0), 0);  // never a negative date-time
  EXPECT_DOUBLE_EQ(TdateMan::DateTimeFromJulian(2451545.0), 36526.5);
  EXPECT_DOUBLE_EQ(dm->DateTimeToJulian(36526.5), 2451545.0);
  EXPECT_NEAR(dm->DateTimeToJulian(36526.5 + 0.25 / 86400), 2451545.0 + 0.25 / 86400, 1e-9);  // milliseconds kept
  EXPECT_EQ(dm->fmilli, 0);
  // An impossible value reads as the default date
  EXPECT_DOUBLE_EQ(dm->DateTimeToJulian(std::numeric_limits<double>::quiet_NaN()), 2455531.5);
  TDateTime dt = 0;
  dm->DecodeJulian(2451545.0, dt);
  EXPECT_DOUBLE_EQ(dt, 36526.5);
  // Before 1899-12-30 the time of day counts away from zero.
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(1899, 12, 29, 6.0), -1.25);
  dm->DecodeJulian(2415018.5 - 0.75, dt);
  EXPECT_DOUBLE_EQ(dt, -1.25);
  EXPECT_DOUBLE_EQ(dm->DateTimeToJulian(-1.25), 2415018.5 - 0.75);
  dm->DecodeJulian(0.0, dt);  // year -4713 has no date-time value
  EXPECT_DOUBLE_EQ(dt, dm->defaultdate);
}

TEST_F(DateManTest, EncodersAndDecodersFallBackToTheDefaultDate) {
  EXPECT_DOUBLE_EQ(dm->defaultdate, 40513.0);  // 2010-12-01
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(2000, 1, 1, 18, 0, 0), 36526.75);
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(2000, 1, 1, 6.0), 36526.25);
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(2023, 2, 29, 0, 0, 0), dm->defaultdate);
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(2023, 1, 1, 24, 0, 0), dm->defaultdate);
  EXPECT_DOUBLE_EQ(dm->EncodeDateTime(2023, 13, 1, 0.0), dm->defaultdate);
  TDateTime out = 7;
  EXPECT_FALSE(dm->tryEncodeDateTime(2023, 2, 29, 0, out));
  EXPECT_DOUBLE_EQ(out, 7);
  int y, mo, d, h, mi, s, ms;
  dm->DecodeDateTime(std::numeric_limits<double>::infinity(), y, mo, d, h, mi, s, ms);
  EXPECT_EQ(TdateMan::SQLtimestamp(y, mo, d, h, mi, s), "2010-12-01 00:00:00");
  dm->DecodeTimeDT(36526.75 + 0.5 / 86400, h, mi, s, ms);
  EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 180000500);
  dm->DecodeTimeDT(1e12, h, mi, s, ms);
  EXPECT_EQ(h + mi + s + ms, 0);
  EXPECT_EQ(dm->minuteDt(36526.75 + 7.0 / 1440), 7);
}

TEST_F(DateManTest, CalendarArithmetic) {
  EXPECT_EQ(TdateMan::DaysInMonth(2000, 2), 29);
  EXPECT_EQ(TdateMan::DaysInMonth(1900, 2), 28);
  EXPECT_EQ(TdateMan::DaysInMonth(1500, 2), 28);  // the Gregorian rule also before 1582
  EXPECT_EQ(TdateMan::DaysInMonth(2023, 13), 0);
  EXPECT_EQ(TdateMan::dayOfyear(2024, 3, 1), 61);
  EXPECT_EQ(TdateMan::dayOfyear(2023, 12, 31), 365);
  int m = 0, d = 0;
  TdateMan::reverseDayOfYear(61, 2024, m, d);
  EXPECT_EQ(m * 100 + d, 301);
  TdateMan::reverseDayOfYear(400, 2023, m, d);  // beyond the year: ends in December
  EXPECT_EQ(m, 12);
}

TEST_F(DateManTest, WeekdaysAndIsoWeeks) {
  EXPECT_EQ(dm->dayOfWeek(2000, 1, 1), 6);  // Saturday
  EXPECT_EQ(dm->dayOfWeek(2024, 7, 1), 1);  // Monday
  EXPECT_EQ(dm->dayOfWeek(1582, 10, 15), 5);
  EXPECT_EQ(dm->dayOfWeek(1582, 10, 4), 4);  // the day before, in the Julian calendar
  int dom = 0;
  EXPECT_EQ(dm->dayOfWeekDt(36526.75, dom), 6);
  EXPECT_EQ(dom, 1);
  struct Case { int y, mo, d, week; } cases[] = {
      {2021, 1, 1, 53},   {2019, 12, 30, 1}, {2020, 1, 1, 1},    {2022, 1, 1, 52}, {2022, 1, 3, 1},
      {2020, 12, 31, 53}, {2024, 12, 30, 1}, {2026, 12, 31, 53}, {2027, 1, 3, 53}, {2023, 6, 15, 24}};
  for (const auto& c : cases)
    EXPECT_EQ(dm->weekOfYear(c.y, c.mo, c.d), c.week) << c.y << "-" << c.mo << "-" << c.d;
}

TEST_F(DateManTest, NamesWrapAndReadBack) {
  EXPECT_EQ(dm->DayName(-1), dm->DayName(6));
  EXPECT_EQ(dm->DayName(7), dm->DayName(0));
  EXPECT_EQ(dm->DayName(dm->dayOfWeek(2000, 1, 1) - 1), "Saturday");
  EXPECT_EQ(dm->MonthName(2), "March");
  EXPECT_EQ(dm->MonthName(12), "");
  struct Case { const char* text; int index; } cases[] = {
      {"December", 11}, {"dec", 11}, {"7", 6}, {"12", 11}, {"1", 0}, {"xyz", -1}, {"x", -1}, {"", -1}, {"Mai", -1}};
  for (const auto& c : cases) EXPECT_EQ(TdateMan::MonthIndex(c.text), c.index) << c.text;
  EXPECT_EQ(dm->StrToMonthNumber(dm->MonthName(0)), 1);
  EXPECT_EQ(dm->StrToMonthNumber("SEPT"), 9);
  EXPECT_EQ(dm->StrToMonthNumber("Brumaire"), -1);
  TdateMan english(2024, 0);
  english.inEnglish = true;
  EXPECT_EQ(english.DayName(2), "Wednesday");
  EXPECT_EQ(english.MonthName(10), "November");
}

TEST_F(DateManTest, SeasonsAndZodiac) {
  EXPECT_DOUBLE_EQ(TdateMan::springEquiox(2010), 2455276.230555);
  EXPECT_NEAR(TdateMan::springEquiox(2011) - TdateMan::springEquiox(2010), 365.2437, 1e-8);
  EXPECT_LT(TdateMan::summerSolstice(2024), TdateMan::autumnEquiox(2024));
  EXPECT_LT(TdateMan::autumnEquiox(2024), TdateMan::winterSolstice(2024));
  EXPECT_EQ(dm->ZodiacFromDate(3, 20), 11);
  EXPECT_EQ(dm->ZodiacFromDate(3, 21), 0);
  EXPECT_EQ(dm->ZodiacFromDate(1, 1), 9);  // Capricorn spans the year end
  EXPECT_EQ(dm->ZodiacFromDate(13, 1), -1);
  EXPECT_EQ(dm->getZodiac(-1)->name, "Pisces");
  EXPECT_EQ(dm->getZodiac(12)->name, "Aries");
  EXPECT_EQ(dm->getZodiac(8)->ch, u'\x66');
  // Every day of a leap year has exactly one sign.
  for (int mo = 1; mo <= 12; ++mo)
    for (int d = 1; d <= TdateMan::DaysInMonth(2024, mo); ++d) EXPECT_GE(dm->ZodiacFromDate(mo, d), 0) << mo << "/" << d;
}

TEST_F(DateManTest, WholeDayTellsJulianMidnight) {
  EXPECT_TRUE(TdateMan::WholeDay(2451544.5));
  EXPECT_TRUE(TdateMan::WholeDay(2451544.5 + 0.2 / 86400));
  EXPECT_FALSE(TdateMan::WholeDay(2451545.0));  // noon
  EXPECT_FALSE(TdateMan::WholeDay(2451544.5 + 1.0 / 1440));
  TlongTime t;
  t.setTimestamp("2024-03-05 00:00:00");
  t.millisecond = 0;
  EXPECT_TRUE(TdateMan::wholeday(t));
  t.hour = 1;
  EXPECT_FALSE(TdateMan::wholeday(t));
}
}  // namespace
