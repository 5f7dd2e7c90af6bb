// The Windows zone table built from ICU names and the system tzdata, and the TZI engine.
#include "platform/timezones.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {
using platform::SYSTEMTIME;
using platform::TIME_ZONE_INFORMATION;

SYSTEMTIME st(int y, int mo, int d, int h, int mi = 0, int s = 0) {
  SYSTEMTIME t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  return t;
}

platform::TDateTime dt(const SYSTEMTIME& s) {
  platform::TDateTime t = 0;
  EXPECT_TRUE(platform::systemTimeToDateTime(s, t));
  return t;
}

int currentYear() { return platform::decodeDateTime(platform::nowUTC()).year; }

// The names the world map's zone table uses; each must be in the table.
const char* const kMapZones[] = {
    "Afghanistan Standard Time", "Alaskan Standard Time", "Arab Standard Time", "Arabian Standard Time",
    "Arabic Standard Time", "Atlantic Standard Time", "AUS Central Standard Time", "AUS Eastern Standard Time",
    "Azerbaijan Standard Time", "Azores Standard Time", "Canada Central Standard Time", "Cape Verde Standard Time",
    "Cen. Australia Standard Time", "Central America Standard Time", "Central Asia Standard Time",
    "Central Europe Standard Time", "Central European Standard Time", "Central Pacific Standard Time",
    "Central Standard Time", "Central Standard Time (Mexico)", "China Standard Time", "Dateline Standard Time",
    "E. Africa Standard Time", "E. Australia Standard Time", "E. South America Standard Time",
    "Eastern Standard Time", "Egypt Standard Time", "Ekaterinburg Standard Time", "Fiji Standard Time",
    "FLE Standard Time", "GMT Standard Time", "Greenland Standard Time", "Greenwich Standard Time",
    "GTB Standard Time", "Hawaiian Standard Time", "India Standard Time", "Iran Standard Time",
    "Israel Standard Time", "Korea Standard Time", "Montevideo Standard Time", "Mountain Standard Time",
    "Mountain Standard Time (Mexico)", "Myanmar Standard Time", "N. Central Asia Standard Time",
    "Nepal Standard Time", "New Zealand Standard Time", "Newfoundland Standard Time",
    "North Asia East Standard Time", "North Asia Standard Time", "Pacific SA Standard Time",
    "Pacific Standard Time", "Pacific Standard Time (Mexico)", "Romance Standard Time", "Russian Standard Time",
    "SA Eastern Standard Time", "SA Pacific Standard Time", "SA Western Standard Time", "Samoa Standard Time",
    "SE Asia Standard Time", "Singapore Standard Time", "South Africa Standard Time", "Sri Lanka Standard Time",
    "Taipei Standard Time", "Tasmania Standard Time", "Tokyo Standard Time", "Tonga Standard Time",
    "US Eastern Standard Time", "US Mountain Standard Time", "Venezuela Standard Time",
    "Vladivostok Standard Time", "W. Australia Standard Time", "W. Central Africa Standard Time",
    "W. Europe Standard Time", "West Asia Standard Time", "West Pacific Standard Time", "Yakutsk Standard Time"};

TEST(Timezones, TableHoldsEveryMapZoneInNameOrder) {
  const auto table = platform::buildWindowsZoneTable(currentYear(), platform::nowUTC());
  ASSERT_GT(table.size(), 130u);
  for (const char* name : kMapZones) {
    SCOPED_TRACE(name);
    auto it = std::find_if(table.begin(), table.end(), [&](const auto& z) { return z.keyName == name; });
    ASSERT_NE(it, table.end());
    EXPECT_EQ(it->display.rfind("(UTC", 0), 0u) << it->display;
  }
  for (size_t i = 1; i < table.size(); ++i)
    EXPECT_LT(platform::compareNoCase(table[i - 1].keyName, table[i].keyName), 0) << table[i].keyName;
}

TEST(Timezones, RecordsCarryTodaysRulesNotOldOnes) {
  // Zones whose rules changed after 2022: no daylight time now in Mexico City, Asuncion keeps
  // UTC-3 all year, Nuuk is UTC-2 with daylight time.
  struct Case { const char* name; int bias; bool daylight; const char* display; } cases[] = {
      {"Central Standard Time (Mexico)", 360, false, "(UTC-06:00) Mexico City"},
      {"Paraguay Standard Time", 180, false, "(UTC-03:00) "},
      {"Greenland Standard Time", 120, true, "(UTC-02:00) "},
      {"W. Europe Standard Time", -60, true, "(UTC+01:00) Berlin"},
      {"India Standard Time", -330, false, "(UTC+05:30) "},
      {"Nepal Standard Time", -345, false, "(UTC+05:45) "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto z = platform::buildWindowsZone(c.name, 2025, 0);
    ASSERT_TRUE(z);
    EXPECT_EQ(z->tzi.Bias, c.bias);
    EXPECT_EQ(platform::hasDaylightRule(z->tzi), c.daylight);
    EXPECT_EQ(z->display.rfind(c.display, 0), 0u) << z->display;
    EXPECT_FALSE(z->irregular);
  }
  auto europe = platform::buildWindowsZone("W. Europe Standard Time", 2025, 0);
  // Last Sunday of March 02:00 on the standard clock, last Sunday of October 03:00 on the daylight clock.
  EXPECT_EQ(europe->tzi.DaylightDate, (SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0}));
  EXPECT_EQ(europe->tzi.StandardDate, (SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0}));
  EXPECT_EQ(europe->tzi.DaylightBias, -60);
  EXPECT_EQ(europe->daylightName, "W. Europe Daylight Time");
  EXPECT_FALSE(platform::buildWindowsZone("Atlantis Standard Time", 2025, 0));
}

TEST(Timezones, YearWithChangeOfStandardOffsetTakesTheRuleOfTheBuildDay) {
  // Almaty left UTC+6 for UTC+5 on 2024-03-01: no single record holds that year.
  struct Case { int month; int bias; } cases[] = {{1, -360}, {6, -300}};
  for (const auto& c : cases) {
    platform::TDateTime asOf = 0;
    ASSERT_TRUE(platform::tryEncodeDate(2024, c.month, 15, asOf));
    auto z = platform::buildWindowsZone("Central Asia Standard Time", 2024, asOf);
    ASSERT_TRUE(z);
    EXPECT_TRUE(z->irregular);
    EXPECT_EQ(z->tzi.Bias, c.bias) << c.month;
    EXPECT_FALSE(platform::hasDaylightRule(z->tzi));
  }
  EXPECT_FALSE(platform::buildWindowsZone("Central Asia Standard Time", 2025, 0)->irregular);
}

// Every zone, every hour of the current year: the engine applying the record agrees with the
// tzdata, and local time converts back to the same instant away from the changes of clock.
TEST(Timezones, EveryZoneAgreesWithTzdataEveryHourOfTheYear) {
  const int year = currentYear();
  const auto table = platform::buildWindowsZoneTable(year, platform::nowUTC());
  platform::TDateTime start = 0, end = 0;
  ASSERT_TRUE(platform::tryEncodeDate(year, 1, 1, start));
  ASSERT_TRUE(platform::tryEncodeDate(year + 1, 1, 1, end));
  for (const auto& z : table) {
    if (z.irregular) continue;  // the rule of the build day only; reported with the table
    SCOPED_TRACE(z.keyName + " " + z.iana);
    int failures = 0;
    const int hours = static_cast<int>(std::lround((end - start) * 24));
    for (int h = 0; h < hours && failures < 3; ++h) {
      const platform::TDateTime t = start + h / 24.0;
      SYSTEMTIME utc, local, back;
      ASSERT_TRUE(platform::dateTimeToSystemTime(t, utc));
      ASSERT_TRUE(platform::systemTimeToTzSpecificLocalTime(&z.tzi, utc, local));
      const int expected = *platform::ianaOffsetMinutes(z.iana, t);
      const double got = (dt(local) - t) * 1440;
      if (std::abs(got - expected) > 1e-3) {
        ++failures;
        ADD_FAILURE() << "at " << utc.wYear << "-" << utc.wMonth << "-" << utc.wDay << " " << utc.wHour
                      << ":00 UTC offset " << got << " expected " << expected;
        continue;
      }
      const bool nearChange = *platform::ianaOffsetMinutes(z.iana, t - 2.0 / 24) != expected ||
                              *platform::ianaOffsetMinutes(z.iana, t + 2.0 / 24) != expected;
      if (nearChange) continue;
      ASSERT_TRUE(platform::tzSpecificLocalTimeToSystemTime(&z.tzi, local, back));
      if (!(back == utc)) {
        ++failures;
        ADD_FAILURE() << "round trip at " << utc.wMonth << "-" << utc.wDay << " " << utc.wHour << ":00 UTC";
      }
    }
  }
}

TEST(Timezones, SouthernRuleWrapsTheYearEnd) {
  // Daylight time from the first Sunday of October to the first Sunday of April (Sydney).
  TIME_ZONE_INFORMATION t;
  t.Bias = -600;
  t.DaylightBias = -60;
  t.DaylightDate = {0, 10, 0, 1, 2, 0, 0, 0};
  t.StandardDate = {0, 4, 0, 1, 3, 0, 0, 0};
  struct Case { SYSTEMTIME utc; int hours; } cases[] = {
      {st(2025, 1, 15, 0), 11}, {st(2025, 6, 15, 0), 10}, {st(2025, 12, 31, 13), 11},
      // 2025-04-06 03:00 daylight clock = 16:00 UTC the day before
      {st(2025, 4, 5, 15, 59), 11}, {st(2025, 4, 5, 16, 0), 10},
      // 2025-10-05 02:00 standard clock = 16:00 UTC the day before
      {st(2025, 10, 4, 15, 59), 10}, {st(2025, 10, 4, 16, 0), 11}};
  for (const auto& c : cases) {
    SYSTEMTIME local;
    ASSERT_TRUE(platform::systemTimeToTzSpecificLocalTime(&t, c.utc, local));
    EXPECT_NEAR((dt(local) - dt(c.utc)) * 24, c.hours, 1e-9) << c.utc.wMonth << "-" << c.utc.wDay << " " << c.utc.wHour;
  }
}

TEST(Timezones, InvalidTimesAreRefusedNotConverted) {
  TIME_ZONE_INFORMATION t;
  SYSTEMTIME out = st(2000, 1, 1, 0);
  const SYSTEMTIME bad[] = {st(2023, 2, 29, 0), st(2023, 13, 1, 0), st(2023, 1, 1, 24), st(0, 1, 1, 0)};
  for (const auto& b : bad) {
    EXPECT_FALSE(platform::systemTimeToTzSpecificLocalTime(&t, b, out));
    EXPECT_FALSE(platform::tzSpecificLocalTimeToSystemTime(&t, b, out));
  }
  EXPECT_EQ(out, st(2000, 1, 1, 0));
  // A local time that would leave the years 1..9999
  t.Bias = -600;
  EXPECT_FALSE(platform::systemTimeToTzSpecificLocalTime(&t, st(9999, 12, 31, 20), out));
}

TEST(Timezones, MachineZoneComesFromTZ) {
  const std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
  struct Case { const char* tz; const char* windows; } cases[] = {
      {"Europe/London", "GMT Standard Time"},
      {":America/New_York", "Eastern Standard Time"},
      {"/usr/share/zoneinfo/Asia/Tokyo", "Tokyo Standard Time"},
      {"Europe/Berlin", "W. Europe Standard Time"}};
  for (const auto& c : cases) {
    setenv("TZ", c.tz, 1);
    EXPECT_EQ(platform::machineWindowsZone(), c.windows) << c.tz;
  }
  setenv("TZ", saved.c_str(), 1);
}
}  // namespace
