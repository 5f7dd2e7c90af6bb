// TdateMan: life, Julian dates, date-time values, calendar arithmetic, names, seasons, zodiac.
// Julian dates follow Meeus, "Astronomical Algorithms", ch. 7 (Julian calendar before
// 1582-10-15, historical years). trunc cuts toward zero and round is half to even throughout.
#include "core/r_date.h"

#include <cmath>

#include "core/os_numbertext.h"
#include "core/r_log.h"
#include "platform/localenames.h"
#include "platform/numbers.h"
#include "platform/text.h"

using platform::Frac;

const int DaysInYear[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
std::unique_ptr<TdateMan> dateman;

TdateMan& createDateman() {
  if (!dateman) dateman = std::make_unique<TdateMan>();
  return *dateman;
}

void freeDateman() {
  std::unique_ptr<TdateMan> old = std::move(dateman);  // the variable is clear before the object goes
  old.reset();
}

namespace {
struct SignRow {
  const char* name;
  char16_t glyph;
  int fromMonth, fromDay, toMonth, toDay;
};
constexpr SignRow kSigns[12] = {
    {"Aries", 94, 3, 21, 4, 19},       {"Taurus", 95, 4, 20, 5, 20},      {"Gemini", 96, 5, 21, 6, 20},
    {"Cancer", 97, 6, 21, 7, 22},      {"Leo", 98, 7, 23, 8, 22},         {"Virgo", 99, 8, 23, 9, 22},
    {"Libra", 100, 9, 23, 10, 23},     {"Scorpio", 101, 10, 24, 11, 21},  {"Sagittarius", 102, 11, 22, 12, 21},
    {"Capricorn", 103, 12, 22, 1, 19}, {"Aquarius", 104, 1, 20, 2, 18},   {"Pisces", 105, 2, 19, 3, 20}};

constexpr const char* kMonthAbbrev[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};

// The framework's date-time range: years 1 to 9999.
constexpr double kMinDateTime = -693593.0;  // 0001-01-01
constexpr double kMaxDateTime = 2958466.0;  // 10000-01-01

bool tryDecode(TDateTime dt, platform::DateParts& p) {
  if (!std::isfinite(dt) || dt < kMinDateTime || dt >= kMaxDateTime) return false;
  p = platform::decodeDateTime(dt);
  return p.year >= 1 && p.year <= 9999;
}

platform::DateParts defaultParts() {
  platform::DateParts p;
  p.year = 2010;
  p.month = 12;
  p.day = 1;
  return p;
}

// A date and a time of day as one value. Before 1899-12-30 the time counts away from zero, as
// the date-time decoder reads it (-1.25 is 1899-12-29 06:00), so the time is subtracted there.
TDateTime combine(TDateTime date, double dayFraction) { return date >= 0 ? date + dayFraction : date - dayFraction; }

// The first three characters (code points) of s.
std::string firstThree(const std::string& s) { return s.substr(0, platform::codePointOffset(s, 3)); }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Life

TdateMan::TdateMan() {
  const TDateTime now = platform::nowUTC();
  build(platform::decodeDateTime(now).year, now);
}

TdateMan::TdateMan(int tableYear, TDateTime asOf) { build(tableYear, asOf); }

const std::string& Ttz::zone() const {
  if (!fzone) {
    auto z = platform::buildWindowsZone(keyName, tableYear, asOf, platform::ZoneText::Cities);
    fzone = z ? z->display : std::string();
  }
  return *fzone;
}

void TdateMan::build(int tableYear, TDateTime asOf) {
  platform::tryEncodeDate(2010, 12, 1, defaultdate);
  for (auto& z : platform::buildWindowsZoneTable(tableYear, asOf, platform::ZoneText::None)) {
    auto t = std::make_unique<Ttz>();
    t->index = ftimezones.count();
    t->tzi = z.tzi;
    t->keyName = z.keyName;
    t->tableYear = tableYear;
    t->asOf = asOf;
    zoneByName[platform::lowerCase(z.keyName)] = t->index;
    ftimezones.add(z.keyName, t.get());
    ownedZones.push_back(std::move(t));
  }
  fTZname = platform::machineWindowsZone();
  if (!fTZname.empty()) {
    if (auto z = platform::buildWindowsZone(fTZname, tableYear, asOf, platform::ZoneText::None))
      fTZdayname = z->daylightName;
    if (fTZdayname == "GMT Daylight Time") fTZdayname = "British Summer Time";
  }
  flocal = std::make_unique<TlongTime>();
  for (const auto& r : kSigns) {
    auto s = std::make_unique<Tzodiac>();
    s->name = r.name;
    s->ch = r.glyph;
    s->startmonth = r.fromMonth;
    s->startday = r.fromDay;
    s->endmonth = r.toMonth;
    s->endday = r.toDay;
    fzodiac.add(s->name, s.get());
    ownedSigns.push_back(std::move(s));
  }
}

TdateMan::~TdateMan() = default;

double TdateMan::NowJD() { return DateTimeToJulian(getgmtDt()); }

int TdateMan::getyear() { return platform::decodeDateTime(platform::nowUTC()).year; }

TlongTime* TdateMan::getLocal() {
  const TDateTime local = platform::nowLocal();
  flocal->setDateTime(local);
  flocal->millisecond = platform::decodeDateTime(local).millisecond;
  return flocal.get();
}

// ---------------------------------------------------------------------------------------------
// Julian dates

double TdateMan::getJulianDate(int year, int month, int day, double hours) {
  double y = year, m = month, d = day;
  if (y < 0) y += 1;                 // historical to astronomical year
  if (m == 0 && d == 0) d = 31;      // day 0 of month 0: 31 December of the year before
  if (m < 3) {
    m += 12;
    y -= 1;
  }
  const double C = y < 0 ? std::trunc(365.25 * y - 0.75) : std::trunc(365.25 * y);
  const double D = std::trunc(30.6001 * (m + 1));
  double B = 0;
  const bool julianCalendar = y < 1582 || (y == 1582 && m < 10) || (y == 1582 && m == 10 && d < 15);
  if (!julianCalendar) {
    const double A = std::trunc(y / 100);
    B = 2 - A + std::trunc(A / 4);
  }
  const double r = B + C + D + d + 1720994.5 + hours / 24;
  return std::isfinite(r) ? r : 0;
}

void TdateMan::DayFromJulian(double jd, int& year, int& month, int& day, double& hours) {
  const double J = jd + 0.5;
  const double Z = std::trunc(J), F = Frac(J);
  double A = Z;
  if (Z > 2299160) {
    const double alpha = std::trunc((Z - 1867216.25) / 36524.25);
    A = Z + 1 + alpha - std::trunc(alpha / 4);
  }
  const double B = A + 1524;
  const double C = std::trunc((B - 122.1) / 365.25);
  const double D = std::trunc(365.25 * C);
  const double E = std::trunc((B - D) / 30.6001);
  const double x = B - D - std::trunc(30.6001 * E) + F;
  day = static_cast<int>(platform::Trunc32(x));
  hours = Frac(x) * 24;
  month = static_cast<int>(E < 13.5 ? E - 1 : E - 13);
  year = static_cast<int>(month > 2.5 ? C - 4716 : C - 4715);
  if (year <= 0) year -= 1;
}

double TdateMan::EncodeJulian(int year, int month, int day, int hour, int minute, int second) {
  return getJulianDate(year, month, day, hour + minute / 60.0 + second / 3600.0);
}

double TdateMan::EncodeJulian(int year, int month, int day, double gmtHours) {
  return getJulianDate(year, month, day, gmtHours);
}

double TdateMan::EncodeJulian() { return getJulianDate(fyear, fmonth, fday, fhour + fmin / 60.0 + fsec / 3600.0); }

void TdateMan::DecodeJulian(double jd, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  double hours = 0;
  DayFromJulian(jd, year, month, day, hours);
  hour = platform::Trunc32(hours);
  const double minutes = Frac(hours) * 60;
  minute = platform::Trunc32(minutes);
  second = platform::Round32(Frac(minutes) * 60);
  if (second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      if (++hour == 24) {
        hour = 0;
        if (++day > DaysInMonth(year, month)) {
          day = 1;
          if (++month == 13) {
            month = 1;
            ++year;
            if (year == 0) year = 1;  // no year 0
          }
        }
      }
    }
  }
  fyear = year;
  fmonth = month;
  fday = day;
  fhour = hour;
  fmin = minute;
  fsec = second;
  fmilli = 0;
}

void TdateMan::DecodeJulian(double jd, TDateTime& dt) {
  int y = 0, m = 0, d = 0;
  double hours = 0;
  DayFromJulian(jd, y, m, d, hours);
  TDateTime date = 0;
  dt = platform::tryEncodeDate(y, m, d, date) ? combine(date, hours / 24) : defaultdate;
}

void TdateMan::DecodeJulian(double jd) {
  int y, m, d, h, mi, s;
  DecodeJulian(jd, y, m, d, h, mi, s);
}

double TdateMan::DateTimeToJulian(TDateTime dt) {
  platform::DateParts p;
  if (!tryDecode(dt, p)) p = defaultParts();
  fyear = p.year;
  fmonth = p.month;
  fday = p.day;
  fhour = p.hour;
  fmin = p.minute;
  fsec = p.second;
  fmilli = 0;
  return getJulianDate(p.year, p.month, p.day,
                       p.hour + p.minute / 60.0 + p.second / 3600.0 + p.millisecond / 3600000.0);
}

TDateTime TdateMan::DateTimeFromJulian(double jd) {
  const double r = jd - kJulian18991230;
  return r < 0 || !std::isfinite(r) ? 0 : r;
}

// ---------------------------------------------------------------------------------------------
// Date-time values

bool TdateMan::tryEncodeDateTime(int year, int month, int day, double hour, TDateTime& dt) {
  TDateTime date = 0;
  if (!platform::tryEncodeDate(year, month, day, date) || !std::isfinite(hour)) return false;
  dt = combine(date, hour / 24);
  return true;
}

TDateTime TdateMan::EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0, time = 0;
  if (platform::tryEncodeDate(year, month, day, date) && platform::tryEncodeTime(hour, minute, second, 0, time))
    return combine(date, time);
  log("r_date.TdateMan.EncodeDateTime: no date " + SQLtimestamp(year, month, day, hour, minute, second));
  return defaultdate;
}

TDateTime TdateMan::EncodeDateTime(int year, int month, int day, double hour) {
  TDateTime dt = 0;
  if (tryEncodeDateTime(year, month, day, hour, dt)) return dt;
  log("r_date.TdateMan.EncodeDateTime: no date " + std::to_string(year) + "-" + str2(month) + "-" + str2(day));
  return defaultdate;
}

TDateTime TdateMan::EncodeDateTime() { return EncodeDateTime(fyear, fmonth, fday, fhour, fmin, fsec); }

void TdateMan::DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second,
                              int& milli) {
  platform::DateParts p;
  if (!tryDecode(dt, p)) p = defaultParts();
  year = p.year;
  month = p.month;
  day = p.day;
  hour = p.hour;
  minute = p.minute;
  second = p.second;
  milli = p.millisecond;
}

void TdateMan::DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  int ms = 0;
  DecodeDateTime(dt, year, month, day, hour, minute, second, ms);
}

void TdateMan::DecodeDateTime(TDateTime dt) { DecodeDateTime(dt, fyear, fmonth, fday, fhour, fmin, fsec); }

void TdateMan::DecodeTimeDT(TDateTime dt, int& hour, int& minute, int& second, int& milli) {
  platform::DateParts p;
  if (!tryDecode(dt, p)) p = platform::DateParts{};
  hour = p.hour;
  minute = p.minute;
  second = p.second;
  milli = p.millisecond;
}

int TdateMan::minuteDt(TDateTime dt) {
  int h, m, s, ms;
  DecodeTimeDT(dt, h, m, s, ms);
  return m;
}

// ---------------------------------------------------------------------------------------------
// Calendar

int TdateMan::DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  int n = DaysInYear[month - 1];
  if (month == 2 && year >= 0 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) ++n;
  return n;
}

int TdateMan::dayOfyear(int year, int month, int day) {
  if (month <= 1) return day;
  for (int m = 1; m < month && m <= 12; ++m) day += DaysInMonth(year, m);
  return day;
}

void TdateMan::reverseDayOfYear(int dayOfYear, int year, int& month, int& day) {
  month = 1;
  while (month < 12 && dayOfYear > DaysInMonth(year, month)) {
    dayOfYear -= DaysInMonth(year, month);
    ++month;
  }
  day = std::max(1, std::min(dayOfYear, 31));
}

int TdateMan::dayOfWeek(int year, int month, int day) {
  const double jd = getJulianDate(year, month, day, 11.0);  // away from the day's edges
  int w = platform::Round32(Frac((jd + 1.5) / 7) * 7);
  return w == 7 ? 0 : w;
}

int TdateMan::dayOfWeekDt(TDateTime dt) {
  DecodeDateTime(dt);
  return dayOfWeek(fyear, fmonth, fday);
}

int TdateMan::dayOfWeekDt(TDateTime dt, int& dayOfMonth) {
  DecodeDateTime(dt);
  dayOfMonth = fday;
  return dayOfWeek(fyear, fmonth, fday);
}

int TdateMan::weekOfYear(int year, int month, int day) {
  int f = dayOfWeek(year, 1, 1);
  if (f == 0) f = 7;  // 1 = Monday .. 7 = Sunday
  const int full = f <= 4 ? 1 : 0;
  const int w = (dayOfyear(year, month, day) + (f - 1) - 1) / 7 + full;
  // Days before week 1 belong to the last week of the year before, which may be 52 or 53.
  if (w == 0) return weekOfYear(year - 1, 12, 31);
  if (w == 53) {
    const int n = dayOfWeek(year + 1, 1, 1);
    if (n >= 1 && n <= 4) return 1;
  }
  return w;
}

// A Julian date at 0h (its fraction .5), within half a second.
bool TdateMan::WholeDay(double jd) {
  constexpr double kHalfSecond = 0.5 / 86400;
  return std::isfinite(jd) && std::fabs(jd - std::floor(jd) - 0.5) < kHalfSecond;
}

bool TdateMan::wholeday(const TlongTime& t) {
  return t.hour == 0 && t.minute == 0 && t.second == 0 && t.millisecond == 0;
}

// ---------------------------------------------------------------------------------------------
// Names

std::string TdateMan::DayName(int index) const {
  while (index < 0) index += 7;
  while (index > 6) index -= 7;
  return inEnglish ? platform::englishDayName(index) : platform::localeDayName(index);
}

std::string TdateMan::MonthName(int index) const {
  if (index < 0 || index > 11) return "";
  return inEnglish ? platform::englishMonthName(index) : platform::localeMonthName(index);
}

int TdateMan::MonthIndex(const std::string& name) {
  const std::string s = platform::lowerCase(firstThree(name));
  if (platform::codePointCount(s) < 3) {
    // A month number; a text that is none names no month.
    int32_t n = 0;
    return TosNumberText::StrToInt(s, n) ? n - 1 : -1;
  }
  for (int i = 0; i < 12; ++i)
    if (s == kMonthAbbrev[i]) return i;
  return -1;
}

int TdateMan::StrToMonthNumber(const std::string& s) const {
  const std::string t = platform::lowerCase(firstThree(s));
  for (int i = 0; i < 12; ++i)
    if (t == platform::lowerCase(firstThree(MonthName(i)))) return i + 1;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Seasons and zodiac: linear estimates from the 2010 events with a year of 365.2437 days.

constexpr double kTropicalYear = 365.2437;
double TdateMan::springEquiox(int year) { return 2455276.230555 + (year - 2010) * kTropicalYear; }
double TdateMan::summerSolstice(int year) { return 2455368.977777 + (year - 2010) * kTropicalYear; }
double TdateMan::autumnEquiox(int year) { return 2455462.63125 + (year - 2010) * kTropicalYear; }
double TdateMan::winterSolstice(int year) { return 2455552.484722 + (year - 2010) * kTropicalYear; }

Tzodiac* TdateMan::getZodiac(int index) const {
  if (fzodiac.count() != 12) return nullptr;
  while (index < 0) index += 12;
  return static_cast<Tzodiac*>(fzodiac.object(index % 12));
}

int TdateMan::ZodiacFromDate(int month, int day) const {
  for (int i = 0; i < fzodiac.count(); ++i) {
    const auto* z = static_cast<Tzodiac*>(fzodiac.object(i));
    if ((month == z->startmonth && day >= z->startday) || (month == z->endmonth && day <= z->endday)) return i;
  }
  return -1;
}
