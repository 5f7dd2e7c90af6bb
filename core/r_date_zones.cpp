// TdateMan: the clock (always read as GMT) and the Windows zone table's conversions. The table
// and the rule engine live in platform/timezones; here are the lookups by key name and the
// guards that keep every conversion from throwing inside the one-second tick.
#include <cmath>

#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace {
constexpr const char* kGmtZone = "GMT Standard Time";
}  // namespace

// ---------------------------------------------------------------------------------------------
// Lookup

int TdateMan::zoneIndex(const std::string& windowsname) {
  auto it = zoneByName.find(platform::lowerCase(windowsname));
  if (it != zoneByName.end()) return it->second;
  if (unknownLogged.insert(windowsname).second)
    log("r_date.TdateMan: unknown time zone \"" + windowsname + "\", converted as " + kGmtZone);
  it = zoneByName.find(platform::lowerCase(kGmtZone));
  return it != zoneByName.end() ? it->second : -1;
}

const TIME_ZONE_INFORMATION* TdateMan::zoneRecord(int index) const {
  if (index < 0 || index >= ftimezones.count() || !ftimezones.object(index)) return &gmtRecord;
  return &static_cast<Ttz*>(ftimezones.object(index))->tzi;
}

Ttz* TdateMan::zoneAt(int index) const {
  if (index < 0 || index >= ftimezones.count()) return nullptr;
  return static_cast<Ttz*>(ftimezones.object(index));
}

// ---------------------------------------------------------------------------------------------
// Clock

void TdateMan::storeParts(const SYSTEMTIME& s) {
  fyear = s.wYear;
  fmonth = s.wMonth;
  fday = s.wDay;
  fhour = s.wHour;
  fmin = s.wMinute;
  fsec = s.wSecond;
  fmilli = s.wMilliseconds;
}

SYSTEMTIME TdateMan::getgmt() {
  SYSTEMTIME s;
  platform::dateTimeToSystemTime(platform::nowUTC(), s);
  storeParts(s);
  return s;
}

TDateTime TdateMan::getgmtDt() { return SysTimeToDateTime(getgmt()); }

void TdateMan::setgmtDt(TDateTime dt) { DecodeDateTime(dt, fyear, fmonth, fday, fhour, fmin, fsec, fmilli); }

TDateTime TdateMan::getLocalTime() {
  SYSTEMTIME local;
  if (!platform::systemTimeToTzSpecificLocalTime(nullptr, getgmt(), local)) return defaultdate;
  storeParts(local);
  return SysTimeToDateTime(local);
}

// ---------------------------------------------------------------------------------------------
// SYSTEMTIME and date-time values

SYSTEMTIME TdateMan::DateTimeToSysTime(TDateTime dt) const {
  SYSTEMTIME s;
  if (!platform::dateTimeToSystemTime(dt, s)) platform::dateTimeToSystemTime(defaultdate, s);
  return s;
}

TDateTime TdateMan::SysTimeToDateTime(const SYSTEMTIME& sys) const {
  TDateTime date = 0, time = 0;
  if (!platform::tryEncodeDate(sys.wYear, sys.wMonth, sys.wDay, date) ||
      !platform::tryEncodeTime(sys.wHour, sys.wMinute, sys.wSecond, 0, time))
    return defaultdate;
  return date >= 0 ? date + time : date - time;
}

TDateTime TdateMan::SysTimeToLocalTime(const SYSTEMTIME& sys) const {
  SYSTEMTIME local;
  if (!platform::systemTimeToTzSpecificLocalTime(nullptr, sys, local)) return defaultdate;
  return SysTimeToDateTime(local);
}

TDateTime TdateMan::LocalTimeFromGMT(TDateTime gmtDT) const { return SysTimeToLocalTime(DateTimeToSysTime(gmtDT)); }

// ---------------------------------------------------------------------------------------------
// Zone conversions

TDateTime TdateMan::LocalTimeFromIndex(int index, const SYSTEMTIME& sys) {
  SYSTEMTIME local;
  TDateTime out = 0;
  if (platform::systemTimeToTzSpecificLocalTime(zoneRecord(index), sys, local) &&
      platform::systemTimeToDateTime(local, out))
    return out;
  log("r_date.TdateMan.LocalTimeFromIndex: no local time for " + SQLtimestamp(sys.wYear, sys.wMonth, sys.wDay,
                                                                               sys.wHour, sys.wMinute, sys.wSecond));
  return defaultdate;
}

TDateTime TdateMan::localtimeFromName(const std::string& windowsname, const SYSTEMTIME& sys) {
  return LocalTimeFromIndex(zoneIndex(windowsname), sys);
}

TDateTime TdateMan::localtimeFromName(const std::string& windowsname, TDateTime gmtDt) {
  SYSTEMTIME s;
  if (!platform::dateTimeToSystemTime(gmtDt, s)) {
    log("r_date.TdateMan.localtimeFromName: no date-time " + std::to_string(gmtDt));
    return defaultdate;
  }
  return localtimeFromName(windowsname, s);
}

TDateTime TdateMan::localtimeFromNameJulian(const std::string& windowsname, double gmtJ) {
  return localtimeFromName(windowsname, DateTimeFromJulian(gmtJ));
}

TDateTime TdateMan::GMTfromLocalTime(const std::string& windowsname, TDateTime localDT) {
  SYSTEMTIME utc;
  if (platform::tzSpecificLocalTimeToSystemTime(zoneRecord(zoneIndex(windowsname)), DateTimeToSysTime(localDT), utc))
    return SysTimeToDateTime(utc);
  return defaultdate;
}

TIME_ZONE_INFORMATION TdateMan::getTzi(const std::string& value) { return *zoneRecord(zoneIndex(value)); }

bool TdateMan::isDaylightSaving(const std::string& windowsname) { return isDaylightSaving(windowsname, getgmt()); }

bool TdateMan::isDaylightSaving(const std::string& windowsname, const SYSTEMTIME& gmt) {
  double hours = 0;
  return isDaylightSaving(windowsname, gmt, hours);
}

bool TdateMan::isDaylightSaving(const std::string& windowsname, const SYSTEMTIME& gmt, double& timeDiffHrs) {
  const TIME_ZONE_INFORMATION* tzi = zoneRecord(zoneIndex(windowsname));
  SYSTEMTIME local;
  TDateTime l = 0, g = 0;
  if (!platform::systemTimeToTzSpecificLocalTime(tzi, gmt, local) || !platform::systemTimeToDateTime(local, l) ||
      !platform::systemTimeToDateTime(gmt, g)) {
    timeDiffHrs = 0;
    return false;
  }
  const int d = platform::Round32((l - g) * 24 * 60);
  lastDaylightBias = tzi->DaylightBias;
  timeDiffHrs = d / 60.0;
  // A zone without daylight time is never in it, whatever its daylight bias says.
  return platform::hasDaylightRule(*tzi) && tzi->Bias + tzi->DaylightBias == -d;
}
