// Tobserver: the place and moment of the astronomy, with its cached Julian date and day of year.
// Latitude and longitude are kept in radians and shown in degrees; times are hours, GMT unless
// named local. The calendar arithmetic is the Julian-date encoder and decoder of the calendar.
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "core/r_date.h"

namespace {
// Julian dates the calendar can decode: from JD 0 to well past the year 9999.
bool decodable(double jd) { return std::isfinite(jd) && jd >= 0 && jd < 1e8; }
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
  int h = 0, mi = 0, s = 0;
  createDateman().DecodeDateTime(gmtValue, fyear, fmonth, fday, h, mi, s);
  setTime(h + mi / 60.0 + s / 3600.0);
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
  return createDateman().EncodeJulian(year, month, day, gmt);
}

// A Julian date outside the calendar (not finite, negative, far future) decodes as the
// calendar's default date, 1 December 2010 00:00.
void Tobserver::DayFromJulian(double jd, int32_t& day, int32_t& month, int32_t& year, double& gmt) {
  int h = 0, mi = 0, s = 0;
  TdateMan& dm = createDateman();
  if (decodable(jd)) {
    dm.DecodeJulian(jd, year, month, day, h, mi, s);
  } else {
    dm.DecodeDateTime(dm.defaultdate, year, month, day, h, mi, s);
  }
  gmt = h + mi / 60.0 + s / 3600.0;
}

TDateTime Tobserver::DateTimeFromJulian(double jd) { return jd - getJulianDate(30, 12, 1899, 0); }

void Tobserver::addDays(int32_t days, int32_t& day, int32_t& month, int32_t& year) {
  double jd = getJulianDate(day, month, year, 6) + days;  // 06:00 keeps clear of the midnight carry
  double gmt = 0;
  DayFromJulian(jd, day, month, year, gmt);
}
