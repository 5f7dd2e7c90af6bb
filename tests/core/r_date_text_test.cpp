// TdateMan: date and time texts, stamps and the stamp readers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/r_date.h"
#include "core/r_log.h"
#include "tests/support/testenv.h"
#include "tests/support/dateman.h"

namespace {
struct DateTextTest : testenv::DateManSuite {
  void SetUp() override { dm->useAmPm = false; }
};

TDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return DateTextTest::dm->EncodeDateTime(y, mo, d, h, mi, s) + ms / 86400000.0;
}

TEST_F(DateTextTest, PaddingAndTimesOfDay) {
  EXPECT_EQ(TdateMan::str2(0), "00");
  EXPECT_EQ(TdateMan::str2(10), "10");
  EXPECT_EQ(TdateMan::str2(-5), "-5");
  EXPECT_EQ(TdateMan::str3(5), "005");
  EXPECT_EQ(TdateMan::str3(1234), "1234");
  EXPECT_EQ(dm->TimeStr(7, 5), "07:05");
  EXPECT_EQ(dm->TimeStr(7, 5, 9), "07:05:09");
  EXPECT_EQ(dm->TimeStr(7, 5, 9, 42), "07:05:09.042");
  EXPECT_EQ(dm->TimeStr(2451545.25), "18:00:00");
  dm->useAmPm = true;
  EXPECT_EQ(dm->TimeStr(7, 5), "7:05 a.m.");
  EXPECT_EQ(dm->TimeStr(19, 5, 9, 42), "7:05:09 p.m.");
}

TEST_F(DateTextTest, TwelveHourForms) {
  struct Case { int h, m; const char* text; } cases[] = {
      {0, 0, "12 midnight"}, {0, 5, "12:05 a.m."}, {9, 30, "9:30 a.m."},
      {12, 0, "12 Noon"},    {12, 30, "12:30 p.m."}, {23, 59, "11:59 p.m."}};
  for (const auto& c : cases) EXPECT_EQ(TdateMan::TimeStrAMPM(c.h, c.m), c.text) << c.h << ":" << c.m;
  EXPECT_EQ(TdateMan::TimeStrAMPM(0, 0, 1), "12:00:01 a.m.");
  EXPECT_EQ(TdateMan::TimeStrAMPM(12, 0, 0), "12 Noon");
}

TEST_F(DateTextTest, TimeOfDateTimeRoundsSecondsHalfToEven) {
  struct Case { TDateTime dt; const char* rounded; const char* truncated; } cases[] = {
      {at(2024, 1, 1, 10, 59, 59, 600), "11:00:00", "10:59:59"},
      {at(2024, 1, 1, 23, 59, 59, 500), "00:00:00", "23:59:59"},
      {at(2024, 1, 1, 10, 0, 0, 500), "10:00:00", "10:00:00"},
      {at(2024, 1, 1, 10, 0, 1, 500), "10:00:02", "10:00:01"},
      {std::numeric_limits<double>::quiet_NaN(), "00:00:00", "00:00:00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rounded);
    EXPECT_EQ(dm->TimeStrDT(c.dt, true), c.rounded);
    EXPECT_EQ(dm->TimeStrDT(c.dt), c.truncated);
  }
  EXPECT_EQ(dm->TimeStrDT(at(2024, 1, 1, 10, 59, 59, 600), false), "10:59");
  EXPECT_EQ(dm->TimeStrDT(at(2024, 1, 1, 10, 59, 59, 600), true, true), "10:59:59.600");
  EXPECT_EQ(dm->TimeStrDTampm(at(2024, 1, 1, 23, 59, 59, 600), true), "12 midnight");
  EXPECT_EQ(dm->TimeStrDTampm(at(2024, 1, 1, 13, 4, 5)), "1:04:05 p.m.");
  EXPECT_EQ(dm->TimeStrDTampm(at(2024, 1, 1, 13, 4, 5), false), "1:04 p.m.");
}

TEST_F(DateTextTest, DateForms) {
  EXPECT_EQ(dm->LongDateStr(2024, 3, 5), "5 March 2024");
  EXPECT_EQ(dm->shortDateStr(2024, 9, 5), "5 Sep 2024");
  EXPECT_EQ(dm->shortDateStr(2024, 6, 5), "5 June 2024");  // four letters stay whole
  EXPECT_EQ(dm->shortDateStr(-44, 3, 15), "15 Mar -44");
  EXPECT_EQ(dm->LongDateTimestr(2010, 12, 1, 6, 5), "1 December 2010 06:05");
  EXPECT_EQ(dm->LongDateTimestr(2010, 12, 1, 6, 5, 4), "1 December 2010 06:05:04");
  EXPECT_EQ(dm->LongDateStr(0.0), "Always");
  EXPECT_EQ(dm->LongDateTimestr(kJulianForever), "Forever");
  EXPECT_EQ(dm->LongDateStr(2451545.0), "1 January 2000");
  EXPECT_EQ(dm->LongDateTimestr(2451545.0), "1 January 2000 12:00:00");
  EXPECT_EQ(dm->LongDateTimestrDT(at(2010, 12, 1, 6, 5, 4)), "1 December 2010 06:05:04");
  EXPECT_EQ(dm->LongDateTimestrDT(at(2010, 12, 1, 6, 5, 4), false), "1 December 2010 06:05");
  EXPECT_EQ(dm->LongDateStrDT(at(2010, 12, 1, 6, 5, 4)), "1 December 2010");
  EXPECT_EQ(dm->shortDateStrDT(at(2010, 11, 1, 6, 5, 4)), "1 Nov 2010");
  EXPECT_EQ(dm->LongDateStrDT(std::numeric_limits<double>::infinity()), "1 December 2010");
}

TEST_F(DateTextTest, Stamps) {
  EXPECT_EQ(dm->SQLtimestamp(0.0), "-4713-01-01 12:00:00");
  EXPECT_EQ(dm->SQLtimestamp(kJulianForever), "9999-01-01 00:00:00");
  EXPECT_EQ(dm->SQLtimestamp2(0.0), "Always");
  EXPECT_EQ(dm->SQLtimestamp2(2455531.75), "2010-12-01 06:00:00");
  EXPECT_EQ(dm->SQLdatestamp(2455531.75), "2010-12-01");
  EXPECT_EQ(dm->SQLdatestamp2(kJulianForever), "Forever");
  EXPECT_EQ(dm->SQLtimestampDT(at(2010, 12, 1, 6, 5, 4, 999)), "2010-12-01 06:05:04");
  EXPECT_EQ(dm->SQLtimestampDT(at(2010, 12, 1, 6, 5, 4, 7), true), "2010-12-01 06:05:04.007");
  EXPECT_EQ(dm->SQLtimeOnlyStampDT(at(2010, 12, 1, 6, 5, 4, 7), true), "06:05:04.007");
  EXPECT_EQ(dm->SQLtimeOnlyStampDT(at(2010, 12, 1, 6, 5, 4, 7), false), "06:05:04");
  EXPECT_EQ(dm->SQLdatestampDT(at(2010, 12, 1, 6, 5, 4)), "2010-12-01");
  EXPECT_EQ(dm->SQLdatestampDT(std::numeric_limits<double>::quiet_NaN()), "invalid date");
  platform::setClockForTesting(at(2024, 7, 1, 12, 30, 0));  // London summer: local is an hour on
  EXPECT_EQ(dm->SQLtimestamp(), "2024-07-01 13:30:00");
  EXPECT_EQ(dm->SQLdatestamp(), "2024-07-01");
  platform::setClockForTesting(0);
}

TEST_F(DateTextTest, StampReaders) {
  struct Case { const char* stamp; double jd; } cases[] = {
      {"2010-12-01 06:00:00", 2455531.75},
      {"2010-12-01", 2455531.5},
      {"always", 0.0},
      {"ALWAYS", 0.0},
      {"", 0.0},
      {"-4713-01-01 12:00:00", 0.0},
      {"forever", kJulianForever},
      {"2010-12-01 06:xx:00", 2455531.75},  // reading stops at the bad piece
      {"2010-12", 2455531.5}};              // day keeps its start value 1
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(dm->SQLtime(c.stamp), c.jd) << c.stamp;
  dm->SQLtime("1066-10-14 09:08:07");
  EXPECT_EQ(dm->fyear * 10000 + dm->fmonth * 100 + dm->fday, 10661014);
  EXPECT_EQ(dm->fsec, 7);
  EXPECT_DOUBLE_EQ(dm->SQLtimeDT("2000-01-01 12:00:00"), 36526.5);
  EXPECT_DOUBLE_EQ(dm->SQLtimeDT("always"), 0);
  int y, mo, d, h, mi, s;
  dm->SQLdate("-44-03-15 10:00:00", y, mo, d, h, mi, s);
  EXPECT_EQ(TdateMan::SQLtimestamp(y, mo, d, h, mi, s), "-44-03-15 10:00:00");
  // The farthest year a stamp can name stays a finite date.
  dm->SQLdate("-2147483647", y, mo, d, h, mi, s);
  EXPECT_EQ(y, -std::numeric_limits<int>::max());
  EXPECT_TRUE(std::isfinite(dm->SQLtime("-2147483647-12-31 23:59:59")));
  dm->SQLdate("Forever", y, mo, d, h, mi, s);
  EXPECT_EQ(y, 9999);
  dm->SQLdate("", y, mo, d, h, mi, s);
  EXPECT_EQ(y, -9999);
  TDateTime dt = 0;
  dm->SQLdate("forever", dt);
  EXPECT_EQ(dm->SQLtimestampDT(dt), "9999-01-01 00:00:00");
  dm->SQLdate("always", dt);
  EXPECT_DOUBLE_EQ(dt, dm->defaultdate);
  dm->SQLdate("2024-02-29 23:00:00", dt);
  EXPECT_EQ(dm->SQLtimestampDT(dt), "2024-02-29 23:00:00");
}

// Hexadecimal pieces once read as numbers: "$08888882" made the month -2004318176, and the
// stamp then wrote "2025--2004318176-01". A piece that is no whole decimal number, or a month or
// day out of its range, ends the reading like any other bad piece.
TEST_F(DateTextTest, StampPiecesAreWholeDecimalNumbersWithMonthAndDayInRange) {
  struct Case { const char* stamp; const char* read; } cases[] = {
      {"2025-$088888820", "2025-01-01 00:00:00"},   {"2025-0x1F-02", "2025-01-01 00:00:00"},
      {"2025-13-02 10:00:00", "2025-01-01 00:00:00"}, {"2025-00-02", "2025-01-01 00:00:00"},
      {"2025-02-32", "2025-02-01 00:00:00"},        {"2025-02-$10", "2025-02-01 00:00:00"},
      {"2025-02-10 $1:00:00", "2025-02-10 00:00:00"}, {"2025-02-10 10:30:1e", "2025-02-10 10:30:00"},
      {"2025-02-31 23:59:58", "2025-02-31 23:59:58"},  // a day the month lacks is the encoder's to refuse
      {"$7E9-02-10", "0-01-01 00:00:00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stamp);
    int y = -1, mo = -1, d = -1, h = -1, mi = -1, s = -1;
    dm->SQLdate(c.stamp, y, mo, d, h, mi, s);
    EXPECT_EQ(TdateMan::SQLtimestamp(y, mo, d, h, mi, s), c.read);
  }
  TlongTime t;
  t.setTimestamp("2025-$088888820");
  EXPECT_EQ(t.timestamp(), "2025-01-01 00:00:00");
  TDateTime dt = -1;
  EXPECT_FALSE(dm->strToDate("2010$C01", dt));
}

TEST_F(DateTextTest, StrToDateAcceptsThreeFormsAndRefusesImpossibleDates) {
  struct Case { const char* text; bool ok; } cases[] = {
      {"20101201", true},    {"2010 Dec 1", true},     {"2010 December 1", true}, {"2010 12 1", true},
      {"2010-12-01", true},  {"2010-12-01 junk", true}, {"2010/12/01", false},    {"2010 Xyz 1", false},
      {"2010120x", false},   {"20101301", false},       {"2023-02-29", false},    {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TDateTime dt = -1;
    EXPECT_EQ(dm->strToDate(c.text, dt), c.ok);
    if (c.ok) EXPECT_EQ(dm->SQLtimestampDT(dt), "2010-12-01 00:00:00");
    else EXPECT_DOUBLE_EQ(dt, -1);
  }
}

TEST_F(DateTextTest, FriendlyStamps) {
  EXPECT_EQ(TdateMan::SQLfriendly("-4713-01-01 12:00:00"), "Always");
  EXPECT_EQ(TdateMan::SQLfriendly("2010-12-01 00:00:00"), "2010-12-01");
  EXPECT_EQ(TdateMan::SQLfriendly("9999-01-01 00:00:00"), "Forever");
  EXPECT_EQ(TdateMan::SQLfriendly("2010-12-01 06:00:00"), "2010-12-01 06:00:00");
}
}  // namespace
