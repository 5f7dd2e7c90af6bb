// TlongTime: a date held as parts with the sentinels "always" (mode 0) and "forever" (mode 2).
// Dates before 1900 are reckoned through the Julian-date view, later ones through date-time
// values; every conversion goes through the global `dateman`.
#include "core/r_date.h"
#include "platform/text.h"

namespace {
TdateMan& dm() { return createDateman(); }
constexpr double kDateTime19000101 = 2.0;        // 1900-01-01 00:00
constexpr double kDateTime99990101 = 2958101.0;  // 9999-01-01 00:00
}  // namespace

TlongTime::TlongTime() {
  const auto p = platform::decodeDateTime(platform::nowUTC());
  year = p.year;
  month = p.month;
  day = p.day;
  hour = p.hour;
  minute = p.minute;
  second = p.second;
  millisecond = p.millisecond;
}

void TlongTime::setAlways(bool value) {
  mode = value ? 0 : 1;
  fundefined = false;
}

void TlongTime::setForever(bool value) {
  mode = value ? 2 : 1;
  fundefined = false;
}

std::string TlongTime::timestamp() const {
  if (fundefined) return "";
  if (mode == 0) return "-9999-01-01 00:00:00";
  if (mode == 2) return "9999-01-01 00:00:00";
  return TdateMan::SQLtimestamp(year, month, day, hour, minute, second);
}

void TlongTime::setTimestamp(const std::string& value) {
  if (value.empty()) {
    fundefined = true;
    mode = 0;
    return;
  }
  fundefined = false;
  const std::string low = platform::lowerCase(value);
  if (low == "always" || low.rfind("-9999", 0) == 0) {
    mode = 0;
  } else if (low == "forever" || low.rfind("9999", 0) == 0) {
    mode = 2;
  } else {
    dm().SQLdate(low, year, month, day, hour, minute, second);
    mode = 1;
  }
}

TDateTime TlongTime::dateTime() const {
  if (mode == 0) return kDateTime19000101;
  if (mode == 2) return kDateTime99990101;
  return dm().EncodeDateTime(year, month, day, hour, minute, second);
}

void TlongTime::setDateTime(TDateTime dt) {
  mode = 1;
  dm().DecodeDateTime(dt, year, month, day, hour, minute, second);
  fundefined = false;
}

double TlongTime::julian() const {
  if (mode == 0) return kJulianAlways;
  if (mode == 2) return kJulianForever;
  return dm().EncodeJulian(year, month, day, hour, minute, second) - timeZone / 24;
}

void TlongTime::setJulian(double value) {
  mode = 1;
  dm().DecodeJulian(value + timeZone / 24, year, month, day, hour, minute, second);
  fundefined = false;
}

std::string TlongTime::LongDateTimeStr() const {
  if (fundefined) return "undefined";
  if (mode == 0) return "always";
  if (mode == 2) return "forever";
  return dm().LongDateTimestr(year, month, day, hour, minute, second);
}

std::string TlongTime::LongDateStr() const {
  if (fundefined) return "undefined";
  if (mode == 0) return "always";
  if (mode == 2) return "forever";
  return dm().LongDateStr(year, month, day);
}

void TlongTime::assign(const TlongTime* source) {
  if (!source) return;
  year = source->year;
  month = source->month;
  day = source->day;
  hour = source->hour;
  minute = source->minute;
  second = source->second;
  millisecond = source->millisecond;
  mode = source->mode;
  fundefined = source->fundefined;
}

bool TlongTime::Greater(const TlongTime& a) const {
  if (mode == 0) return false;
  if (mode == 2) return !a.forever();
  if (a.mode == 0) return true;
  if (a.mode == 2) return false;
  const int mine[6] = {year, month, day, hour, minute, second};
  const int theirs[6] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
  for (int i = 0; i < 6; ++i)
    if (mine[i] != theirs[i]) return mine[i] > theirs[i];
  return false;
}

bool TlongTime::GreaterOrEqual(const TlongTime& a) const {
  if (mode == 0) return a.always();
  if (mode == 2) return true;
  return Greater(a) || LongDateTimeStr() == a.LongDateTimeStr();
}

double TlongTime::DaysGreaterThan(const TlongTime& a) const {
  constexpr double kFar = 9999;
  if (mode == 0) return a.mode == 0 ? 0 : -kFar;
  if (mode == 2) return a.mode == 2 ? 0 : kFar;
  if (a.mode == 0) return kFar;
  if (a.mode == 2) return -kFar;
  if (year < 1900 || a.year < 1900) return julian() - a.julian();
  return dateTime() - a.dateTime();
}

void TlongTime::addTime(double days) {
  if (mode != 1) return;
  if (year < 1900) setJulian(julian() + days);
  else setDateTime(dateTime() + days);
}

void TlongTime::addMonth(int months) {
  const int before = year;
  month += months;
  while (month > 12) {
    month -= 12;
    ++year;
  }
  while (month < 1) {
    month += 12;
    --year;
  }
  if (year == 0) year = before > 0 ? -1 : 1;  // historical years have no year 0
  const int dim = TdateMan::DaysInMonth(year, month);
  if (day > dim) day = dim;
}

double TlongTime::timeInHours() const { return hour + minute / 60.0 + second / 3600.0; }

void TlongTime::asSysTime(SYSTEMTIME& sys) const {
  TlongTime t;
  t.assign(this);
  // The parts moved on by the zone's hours (nothing in the programs sets a zone here).
  if (timeZone != 0) t.addTime(timeZone / 24);
  sys.wYear = static_cast<uint16_t>(t.year);
  sys.wMonth = static_cast<uint16_t>(t.month);
  sys.wDay = static_cast<uint16_t>(t.day);
  sys.wHour = static_cast<uint16_t>(t.hour);
  sys.wMinute = static_cast<uint16_t>(t.minute);
  sys.wSecond = static_cast<uint16_t>(t.second);
  sys.wMilliseconds = 0;
}
