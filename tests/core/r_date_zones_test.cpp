// TdateMan: the clock, the Windows zone table and conversions by zone key name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/r_base.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "tests/support/testenv.h"
#include "tests/support/dateman.h"

namespace {
struct ZonesTest : testenv::DateManSuite {
  static void TearDownTestSuite() {
    DateManSuite::TearDownTestSuite();
    platform::setClockForTesting(0);
  }
};

TDateTime at(int y, int mo, int d, int h, int mi = 0) { return ZonesTest::dm->EncodeDateTime(y, mo, d, h, mi, 0); }
std::string text(TDateTime t) { return ZonesTest::dm->SQLtimestampDT(t); }

TEST_F(ZonesTest, LocalTimesByZoneName) {
  struct Case { const char* zone; TDateTime gmt; const char* local; } cases[] = {
      {"Central Europe Standard Time", at(2024, 7, 1, 12), "2024-07-01 14:00:00"},
      {"Central Europe Standard Time", at(2024, 1, 15, 12), "2024-01-15 13:00:00"},
      {"central europe standard time", at(2024, 7, 1, 12), "2024-07-01 14:00:00"},  // case does not matter
      {"Atlantis Standard Time", at(2024, 7, 1, 12), "2024-07-01 13:00:00"},        // unknown: GMT Standard Time
      {"Atlantis Standard Time", at(2024, 1, 15, 12), "2024-01-15 12:00:00"},
      {"Eastern Standard Time", at(2024, 3, 10, 6, 59), "2024-03-10 01:59:00"},
      {"Eastern Standard Time", at(2024, 3, 10, 7), "2024-03-10 03:00:00"},
      {"India Standard Time", at(2024, 12, 31, 20), "2025-01-01 01:30:00"},
      {"New Zealand Standard Time", at(2024, 1, 15, 12), "2024-01-16 01:00:00"},
      {"Line Islands Standard Time", at(2024, 6, 1, 0), "2024-06-01 14:00:00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + text(c.gmt));
    EXPECT_EQ(text(dm->localtimeFromName(c.zone, c.gmt)), c.local);
    EXPECT_EQ(text(dm->localtimeFromNameJulian(c.zone, dm->DateTimeToJulian(c.gmt))), c.local);
  }
}

TEST_F(ZonesTest, UnknownZoneIsLoggedOncePerName) {
  auto countLines = [](const std::string& needle) {
    int n = 0;
    if (logObject)
      for (const auto& l : logObject->lines()->lines()) n += l.find(needle) != std::string::npos;
    return n;
  };
  dm->localtimeFromName("Nowhere Standard Time", at(2024, 7, 1, 12));
  dm->localtimeFromName("Nowhere Standard Time", at(2024, 7, 1, 13));
  dm->isDaylightSaving("Nowhere Standard Time");
  EXPECT_EQ(countLines("Nowhere Standard Time"), 1);
  dm->localtimeFromName("Elsewhere Standard Time", at(2024, 7, 1, 12));
  EXPECT_EQ(countLines("Elsewhere Standard Time"), 1);
}

TEST_F(ZonesTest, GmtFromLocalTimeRoundTripsOutsideTheChangeHours) {
  const char* zones[] = {"W. Europe Standard Time", "AUS Eastern Standard Time", "Pacific Standard Time",
                         "Morocco Standard Time", "Tokyo Standard Time"};
  for (const char* z : zones) {
    SCOPED_TRACE(z);
    for (int day = 0; day < 366; day += 5) {
      const TDateTime gmt = at(2024, 1, 1, 9) + day;
      EXPECT_NEAR(dm->GMTfromLocalTime(z, dm->localtimeFromName(z, gmt)), gmt, 1e-9) << text(gmt);
    }
  }
  // The hour a daylight change skips has no GMT of its own; it still converts without failing.
  const TDateTime skipped = dm->GMTfromLocalTime("W. Europe Standard Time", at(2024, 3, 31, 2, 30));
  EXPECT_TRUE(text(skipped) == "2024-03-31 00:30:00" || text(skipped) == "2024-03-31 01:30:00") << text(skipped);
}

TEST_F(ZonesTest, IsDaylightSaving) {
  struct Case { const char* zone; TDateTime gmt; bool dst; double hours; int bias; } cases[] = {
      {"Central Europe Standard Time", at(2024, 7, 1, 12), true, 2, -60},
      {"Central Europe Standard Time", at(2024, 1, 15, 12), false, 1, -60},
      {"AUS Eastern Standard Time", at(2024, 1, 15, 12), true, 11, -60},
      {"AUS Eastern Standard Time", at(2024, 7, 1, 12), false, 10, -60},
      // Zones without daylight time are never in it, summer or winter.
      {"Tokyo Standard Time", at(2024, 7, 1, 12), false, 9, 0},
      {"Tokyo Standard Time", at(2024, 1, 15, 12), false, 9, 0},
      {"UTC", at(2024, 7, 1, 12), false, 0, 0},
      {"India Standard Time", at(2024, 7, 1, 12), false, 5.5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + text(c.gmt));
    double hours = -99;
    dm->lastDaylightBias = 12345;
    EXPECT_EQ(dm->isDaylightSaving(c.zone, dm->DateTimeToSysTime(c.gmt), hours), c.dst);
    EXPECT_DOUBLE_EQ(hours, c.hours);
    EXPECT_EQ(dm->lastDaylightBias, c.bias);
  }
}

TEST_F(ZonesTest, ConversionsNeverFailInsideTheTick) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const TDateTime bad[] = {nan, std::numeric_limits<double>::infinity(), -1e9, 1e9};
  for (TDateTime b : bad) {
    EXPECT_DOUBLE_EQ(dm->localtimeFromName("GMT Standard Time", b), dm->defaultdate);
    EXPECT_TRUE(std::isfinite(dm->localtimeFromNameJulian("GMT Standard Time", b)));
    EXPECT_TRUE(std::isfinite(dm->GMTfromLocalTime("GMT Standard Time", b)));
    EXPECT_TRUE(std::isfinite(dm->LocalTimeFromGMT(b)));
  }
  SYSTEMTIME invalid{2023, 2, 0, 30, 0, 0, 0, 0};
  EXPECT_DOUBLE_EQ(dm->LocalTimeFromIndex(0, invalid), dm->defaultdate);
  EXPECT_DOUBLE_EQ(dm->LocalTimeFromIndex(-5, dm->DateTimeToSysTime(at(2024, 7, 1, 12))), at(2024, 7, 1, 12));
  EXPECT_DOUBLE_EQ(dm->SysTimeToDateTime(invalid), dm->defaultdate);
  double hours = 0;
  EXPECT_FALSE(dm->isDaylightSaving("GMT Standard Time", invalid, hours));
}

TEST_F(ZonesTest, TableEntriesAndRecords) {
  const TStringList& zones = dm->TimeZones();
  const int gmt = zones.indexOf("GMT Standard Time");
  ASSERT_GE(gmt, 0);
  auto* tz = static_cast<Ttz*>(zones.object(gmt));
  EXPECT_EQ(tz->index, gmt);
  EXPECT_EQ(tz->zone().rfind("(UTC+00:00) London", 0), 0u) << tz->zone();
  const TIME_ZONE_INFORMATION cet = dm->Tzi("Central Europe Standard Time");
  EXPECT_EQ(cet.Bias, -60);
  EXPECT_EQ(cet.DaylightBias, -60);
  EXPECT_EQ(cet.DaylightDate.wMonth, 3);
  EXPECT_EQ(cet.StandardDate.wMonth, 10);
  EXPECT_EQ(dm->Tzi("Atlantis").Bias, 0);  // GMT Standard Time
}

TEST_F(ZonesTest, ClockReadsAreGmtInWholeSeconds) {
  const TDateTime pinned = at(2024, 7, 1, 12, 30) + 12.345 / 86400;
  platform::setClockForTesting(pinned);
  EXPECT_EQ(text(dm->GMT()), "2024-07-01 12:30:12");
  EXPECT_DOUBLE_EQ(dm->GMT(), dm->GMT());
  EXPECT_EQ(dm->fmilli, 345);
  EXPECT_EQ(dm->thisYear(), 2024);
  EXPECT_NEAR(dm->NowJD(), dm->DateTimeToJulian(at(2024, 7, 1, 12, 30) + 12.0 / 86400), 1e-9);
  // The tests run with TZ=Europe/London
  EXPECT_EQ(text(dm->LocalTime()), "2024-07-01 13:30:12");
  EXPECT_EQ(dm->fhour, 13);
  EXPECT_EQ(text(dm->LocalTimeFromGMT(at(2024, 1, 15, 12))), "2024-01-15 12:00:00");
  TlongTime* local = dm->localNow();
  EXPECT_EQ(local->timestamp(), "2024-07-01 13:30:12");
  EXPECT_EQ(local, dm->localNow());  // owned by the manager, refilled
  dm->setgmtDt(at(2023, 2, 3, 4, 5));
  EXPECT_EQ(dm->fyear * 10000 + dm->fmonth * 100 + dm->fday, 20230203);
  platform::setClockForTesting(0);
}

TEST_F(ZonesTest, MachineZoneAndItsDaylightName) {
  EXPECT_EQ(dm->TimeZone(), "GMT Standard Time");
  EXPECT_EQ(dm->DaylightName(), "British Summer Time");
  const std::string saved = std::getenv("TZ");
  setenv("TZ", "Europe/Paris", 1);
  TdateMan paris(2024, 0);
  setenv("TZ", saved.c_str(), 1);
  EXPECT_EQ(paris.TimeZone(), "Romance Standard Time");
  EXPECT_EQ(paris.DaylightName(), "Romance Daylight Time");
}

TEST(DateManGlobal, CreatedWithOsAndFreedByItsModule) {
  freeDateman();
  createOs();
  ASSERT_TRUE(dateman);
  TdateMan* first = dateman.get();
  freeOs();
  EXPECT_EQ(dateman.get(), first);  // os does not own the calendar
  EXPECT_EQ(&createDateman(), first);
  freeDateman();
  EXPECT_FALSE(dateman);
}
}  // namespace
