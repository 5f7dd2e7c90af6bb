// Tobserver: the place and moment of the astronomy, with its cached Julian date and day of year.
// Latitude and longitude are kept in radians and shown in degrees; times are hours, GMT unless
// named local. The calendar arithmetic is the Julian-date encoder and decoder of the calendar.
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "platform/numbers.h"

namespace {
// FIXME: private stand-in for the calendar's EncodeJulian/DecodeJulian/DecodeDateTime until the
// calendar object lands; same algorithms (Gregorian from 15 October 1582, no year 0).
int32_t daysInMonthOf(int32_t year, int32_t month) {
  static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  bool leap = year >= 0 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0);
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

double encodeJulian(int32_t year, int32_t month, int32_t day, double hours) {
  double y = year, m = month, d = day;
  if (y < 0) y += 1;
  if (m == 0 && d == 0) d = 31;
  if (m < 3) {
    m += 12;
    y -= 1;
  }
  double c = y < 0 ? std::trunc(365.25 * y - 0.75) : std::trunc(365.25 * y);
  double dd = std::trunc(30.6001 * (m + 1));
  double a = std::trunc(y / 100);
  double b = 2 - a + std::trunc(a / 4);
  if (y < 1582 || (y == 1582 && m < 10) || (y == 1582 && m == 10 && d < 15)) b = 0;
  double r = b + c + dd + d + 1720994.5 + hours / 24;
  return std::isfinite(r) ? r : 0;
}

void decodeJulian(double jd, int32_t& year, int32_t& month, int32_t& day, int32_t& hour, int32_t& minute,
                  int32_t& second) {
  if (!std::isfinite(jd) || jd < 0 || jd > 1e8) {  // outside the calendar: the calendar's default date
    year = 2010, month = 12, day = 1, hour = 0, minute = 0, second = 0;
    return;
  }
  double j = jd + 0.5;
  double z = std::trunc(j), f = j - z;
  double a = z;
  if (z > 2299160) {
    double alpha = std::trunc((z - 1867216.25) / 36524.25);
    a = z + 1 + alpha - std::trunc(alpha / 4);
  }
  double b = a + 1524;
  double c = std::trunc((b - 122.1) / 365.25);
  double d = std::trunc(365.25 * c);
  double e = std::trunc((b - d) / 30.6001);
  double x = b - d - std::trunc(30.6001 * e) + f;
  day = static_cast<int32_t>(std::trunc(x));
  double hours = (x - std::trunc(x)) * 24;
  month = static_cast<int32_t>(e < 13.5 ? e - 1 : e - 13);
  year = static_cast<int32_t>(month > 2.5 ? c - 4716 : c - 4715);
  if (year <= 0) year -= 1;
  hour = static_cast<int32_t>(std::trunc(hours));
  double minutes = (hours - std::trunc(hours)) * 60;
  minute = static_cast<int32_t>(std::trunc(minutes));
  second = static_cast<int32_t>(platform::Round(platform::Frac(minutes) * 60));
  if (second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      if (++hour == 24) {
        hour = 0;
        if (++day > daysInMonthOf(year, month)) {
          day = 1;
          if (++month == 13) {
            month = 1;
            ++year;
          }
        }
      }
    }
  }
}

// A date-time value the calendar cannot decode gives 1 December 2010, 00:00.
platform::DateParts decodeDateTime(TDateTime dt) {
  if (!std::isfinite(dt) || dt < -693593 || dt >= 2958466) {
    platform::DateParts p;
    p.year = 2010, p.month = 12, p.day = 1;
    return p;
  }
  return platform::decodeDateTime(dt);
}
}  // namespace

Tobserver::Tobserver() {
  setlong(-5);
  setlat(55);
  setDT(platform::nowLocal());  // the local clock is taken as GMT until a caller sets the moment
}

double Tobserver::getlat() const { return flat * sunmath::kDeg; }
double Tobserver::getlong() const { return flong * sunmath::kDeg; }

void Tobserver::setlat(double degrees) {
  flat = degrees * sunmath::kRad;
  valid = false;
  changed();
}

void Tobserver::setlong(double degrees) {
  flong = degrees * sunmath::kRad;
  valid = false;
  changed();
}

void Tobserver::setTime(double gmtHours) {
  fgmt = gmtHours;
  fLocal = gmtHours + fTZ;
  valid = false;
  changed();
}

void Tobserver::setLocal(double localHours) {
  fLocal = localHours;
  setTime(localHours - fTZ);
}

void Tobserver::setTZ(double hours) {
  fTZ = hours;
  valid = false;
  changed();
}

void Tobserver::setDay(int32_t value) {
  fday = value;
  valid = false;
  changed();
}

void Tobserver::setMonth(int32_t value) {
  fmonth = value;
  valid = false;
  changed();
}

void Tobserver::setYear(int32_t value) {
  fyear = value;
  valid = false;
  changed();
}

double Tobserver::getJDate() {
  if (!valid) {
    fDate = getJulianDate(fday, fmonth, fyear, fgmt);
    fDayOfYear = fDate - getJulianDate(1, 1, fyear, 0);
    valid = true;
  }
  return fDate;
}

double Tobserver::getDayOfYear() {
  (void)getJDate();
  return fDayOfYear;
}

void Tobserver::setJday(double jd) {
  DayFromJulian(jd, fday, fmonth, fyear, fgmt);
  fLocal = fgmt + fTZ;
  fDate = jd;
  fDayOfYear = jd - getJulianDate(1, 1, fyear, 0);
  valid = false;  // the next read recomputes from the decoded date, to the whole second
  changed();
}

// A day that does not exist in its month (31 April) runs on into the next month, as the Julian
// date does, instead of failing: the rise and set searches read this while stepping.
TDateTime Tobserver::getDT() const {
  TDateTime d = 0;
  if (platform::tryEncodeDate(fyear, fmonth, fday, d)) return d + fgmt / 24;
  return DateTimeFromJulian(getJulianDate(fday, fmonth, fyear, fgmt));
}

void Tobserver::setDT(TDateTime gmtValue) {
  platform::DateParts p = decodeDateTime(gmtValue);
  fyear = p.year;
  fmonth = p.month;
  fday = p.day;
  setTime(p.hour + p.minute / 60.0 + p.second / 3600.0);
}

observerRec Tobserver::getrec() const {
  observerRec r;
  r.lat = getlat();
  r.long_ = getlong();
  r.gmt = fgmt;
  r.timezone = fTZ;
  r.year = fyear;
  r.month = fmonth;
  r.day = fday;
  return r;
}

void Tobserver::setRec(const observerRec& r) {
  flat = r.lat * sunmath::kRad;
  flong = r.long_ * sunmath::kRad;
  fyear = r.year;
  fmonth = r.month;
  fday = r.day;
  fgmt = r.gmt;
  fTZ = r.timezone;
  fLocal = r.timezone + r.gmt;
  valid = false;
  changed();
}

double Tobserver::getJulianDate(int32_t day, int32_t month, int32_t year, double gmt) {
  return encodeJulian(year, month, day, gmt);
}

void Tobserver::DayFromJulian(double jd, int32_t& day, int32_t& month, int32_t& year, double& gmt) {
  int32_t h = 0, mi = 0, s = 0;
  decodeJulian(jd, year, month, day, h, mi, s);
  gmt = h + mi / 60.0 + s / 3600.0;
}

TDateTime Tobserver::DateTimeFromJulian(double jd) { return jd - getJulianDate(30, 12, 1899, 0); }

void Tobserver::addDays(int32_t days, int32_t& day, int32_t& month, int32_t& year) {
  double jd = getJulianDate(day, month, year, 6) + days;  // 06:00 keeps clear of the midnight carry
  double gmt = 0;
  DayFromJulian(jd, day, month, year, gmt);
}
