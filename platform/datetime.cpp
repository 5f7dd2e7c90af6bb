// Date-time values: see datetime.h. Day numbers use the civil-from-days algorithm on the
// proleptic Gregorian calendar, so every date from year 1 to 9999 converts exactly.
#include "platform/datetime.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace platform {
namespace {
TDateTime& pinnedClock() {
  static TDateTime t = 0;
  return t;
}

// Days from 1970-01-01 to y-m-d.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}
}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool tryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
  result = static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) +
           kUnixEpochDays;
  return true;
}

bool tryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  result = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
  return true;
}

DateParts decodeDateTime(TDateTime t) {
  DateParts p;
  if (!std::isfinite(t)) return p;
  // Work in whole milliseconds so 23:59:59.9996 does not show as second 60.
  double msTotal = std::nearbyint(t * kMsPerDay);
  double dayNumber = std::floor(msTotal / kMsPerDay);
  int64_t msOfDay = static_cast<int64_t>(msTotal - dayNumber * kMsPerDay);
  // Negative date-times keep the time as a positive fraction in the framework's sense:
  // -1.25 is 1899-12-29 06:00. Mirror that: the time part is |frac|.
  if (t < 0) {
    double whole = std::trunc(t);
    dayNumber = whole;
    msOfDay = static_cast<int64_t>(std::nearbyint(std::fabs(t - whole) * kMsPerDay));
    if (msOfDay >= 86400000) msOfDay = 86399999;
  }
  civilFromDays(static_cast<int64_t>(dayNumber - kUnixEpochDays), p.year, p.month, p.day);
  p.millisecond = static_cast<int>(msOfDay % 1000);
  int64_t s = msOfDay / 1000;
  p.second = static_cast<int>(s % 60);
  p.minute = static_cast<int>((s / 60) % 60);
  p.hour = static_cast<int>(s / 3600);
  return p;
}

int dayOfWeek(TDateTime t) {
  // 1899-12-30 was a Saturday (7).
  int64_t d = static_cast<int64_t>(std::floor(t));
  int64_t r = ((d % 7) + 7 + 6) % 7;  // 0 = Sunday
  return static_cast<int>(r) + 1;
}

TDateTime fromUnixSeconds(double seconds) { return seconds / 86400.0 + kUnixEpochDays; }
double toUnixSeconds(TDateTime t) { return (t - kUnixEpochDays) * 86400.0; }

void setClockForTesting(TDateTime utc) { pinnedClock() = utc; }

TDateTime nowUTC() {
  if (pinnedClock() != 0) return pinnedClock();
  using namespace std::chrono;
  auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return fromUnixSeconds(static_cast<double>(us) / 1e6);
}

int localOffsetMinutes(TDateTime utc) {
  time_t secs = static_cast<time_t>(std::floor(toUnixSeconds(utc)));
  struct tm lt {};
  localtime_r(&secs, &lt);
  return static_cast<int>(lt.tm_gmtoff / 60);
}

TDateTime nowLocal() {
  TDateTime u = nowUTC();
  return u + localOffsetMinutes(u) / 1440.0;
}
}  // namespace platform
