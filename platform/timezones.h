// The Windows time-zone table and its conversions, made on Linux: zone key names and display
// texts from ICU's Windows<->IANA mapping, TZI rules for one year from the system tzdata, and our
// own engine that applies a TZI record in both directions the way the Windows zone calls do.
// Implemented: [x] SYSTEMTIME / TIME_ZONE_INFORMATION [x] zone table for a chosen year
//              [x] UTC <-> local by a TZI record [x] the machine's own zone and its Windows name
//              [ ] year-specific ("dynamic") rules: every year is converted with one record
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"

namespace platform {
// The Windows SYSTEMTIME. In a transition date of a TZI record wYear is 0, wDay is the week of
// the month (1..4, 5 = the last) and wDayOfWeek the weekday (0 = Sunday).
struct SYSTEMTIME {
  uint16_t wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0;
  uint16_t wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
  bool operator==(const SYSTEMTIME&) const = default;
};

// A zone's rule: UTC = local + Bias + (StandardBias or DaylightBias), all in minutes. A record
// whose DaylightDate month is 0 has no daylight time.
struct TIME_ZONE_INFORMATION {
  int32_t Bias = 0;
  std::string StandardName;
  SYSTEMTIME StandardDate;  // when standard time begins, on the daylight clock
  int32_t StandardBias = 0;
  std::string DaylightName;
  SYSTEMTIME DaylightDate;  // when daylight time begins, on the standard clock
  int32_t DaylightBias = 0;
};

[[nodiscard]] inline bool hasDaylightRule(const TIME_ZONE_INFORMATION& tzi) {
  return tzi.DaylightDate.wMonth != 0 && tzi.StandardDate.wMonth != 0;
}

// One entry of the zone table, as the registry's "Time Zones" key would hold it.
struct WindowsZone {
  std::string keyName;       // "GMT Standard Time"
  std::string display;       // "(UTC+00:00) London, Dublin, ..."
  std::string daylightName;  // "GMT Daylight Time"
  std::string iana;          // the tzdata zone whose rules the record carries
  TIME_ZONE_INFORMATION tzi;
  // The year's rules could not be written as one record (a change of standard offset, a
  // one-way change, more than two changes): the record is the rule in force at the build instant.
  bool irregular = false;
};

// The display text costs ICU's zone names in every language (megabytes of mapped data): only
// a table that is shown needs it.
enum class ZoneText { Cities, None };

// Every Windows zone ICU maps, sorted by key name without case, with the rules of `year` taken
// from the system tzdata; `asOf` (UTC) picks the rule of an irregular year. Zones whose tzdata
// zone is missing are left out.
std::vector<WindowsZone> buildWindowsZoneTable(int year, TDateTime asOf, ZoneText text = ZoneText::Cities);
// The same for one Windows zone; nullopt when ICU or the tzdata does not know it.
std::optional<WindowsZone> buildWindowsZone(const std::string& keyName, int year, TDateTime asOf,
                                            ZoneText text = ZoneText::Cities);

// The machine's zone: $TZ when it names a zone, else /etc/localtime, else /etc/timezone.
std::string machineIanaZone();
// Its Windows key name through ICU; empty when there is none.
std::string machineWindowsZone();
// Windows key name of an IANA zone; empty when ICU maps none.
std::string windowsZoneOfIana(const std::string& iana);

// Offset of an IANA zone from UTC at a UTC instant, minutes east, from the system tzdata.
std::optional<int> ianaOffsetMinutes(const std::string& iana, TDateTime utc);

// SYSTEMTIME <-> date-time value; false when the fields form no date and time of years 1..9999.
bool systemTimeToDateTime(const SYSTEMTIME& st, TDateTime& result);
bool dateTimeToSystemTime(TDateTime t, SYSTEMTIME& result);

// The two Windows zone calls. A null record means the machine's own zone ($TZ). False when the
// input is no valid time; the output is then untouched.
bool systemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* tzi, const SYSTEMTIME& utc, SYSTEMTIME& local);
bool tzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* tzi, const SYSTEMTIME& local, SYSTEMTIME& utc);
// Whether daylight time is in force at a UTC instant (false for a record without daylight rule).
bool isDaylightAt(const TIME_ZONE_INFORMATION& tzi, const SYSTEMTIME& utc);
}  // namespace platform
