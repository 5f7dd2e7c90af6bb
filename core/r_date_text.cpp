// TdateMan: date and time texts and the stamp readers. The texts are made here, not by the
// locale's formats; only the month names come from the locale. Stamps are "Y-MO-DD hh:nn:ss"
// with a plain (possibly negative) year.
#include <climits>
#include <cmath>

#include "core/os_numbertext.h"
#include "core/r_date.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace {
// A whole decimal number: blanks before it, a sign, then digits only, within 32 bits. The
// program's general integer reader also takes hexadecimal ("$1F", "0x1F"), which no date has.
bool readInt(const std::string& s, int& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size()) return false;
  for (size_t k = i; k < s.size(); ++k)
    if (s[k] < '0' || s[k] > '9') return false;
  int32_t v = 0;
  if (!TosNumberText::StrToInt(s, v)) return false;
  out = v;
  return true;
}

// Cuts text up to the next separator (removing both); the whole rest when there is none.
std::string takePiece(std::string& text, char sep) {
  const size_t p = text.find(sep);
  std::string piece = text.substr(0, p);
  text = p == std::string::npos ? std::string() : text.substr(p + 1);
  return piece;
}

// The stamp reader: parts start as 0-01-01 00:00:00 and reading stops at the first piece that
// is no whole decimal number, or is a month or day out of its range.
void readStamp(std::string text, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.erase(0, 1);
  }
  int* parts[6] = {&year, &month, &day, &hour, &minute, &second};
  std::string pieces[6];
  pieces[0] = takePiece(text, '-');
  pieces[1] = takePiece(text, '-');
  pieces[2] = takePiece(text, ' ');
  int n = 3;
  if (!text.empty()) {
    pieces[3] = takePiece(text, ':');
    pieces[4] = takePiece(text, ':');
    pieces[5] = text;
    n = 6;
  }
  // A month or a day outside its range ends the reading as a piece that is no number does.
  constexpr int kLeast[6] = {INT_MIN, 1, 1, INT_MIN, INT_MIN, INT_MIN};
  constexpr int kMost[6] = {INT_MAX, 12, 31, INT_MAX, INT_MAX, INT_MAX};
  for (int i = 0; i < n; ++i) {
    int v = 0;
    if (!readInt(pieces[i], v) || v < kLeast[i] || v > kMost[i]) break;
    *parts[i] = v;
  }
  if (negative) year = year == INT_MIN ? INT_MAX : -year;  // the smallest year has no negative
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Padding and times of day

std::string TdateMan::str2(int i) {
  std::string s = std::to_string(i);
  return s.size() == 1 ? "0" + s : s;
}

std::string TdateMan::str3(int i) {
  std::string s = std::to_string(i);
  while (s.size() < 3) s = "0" + s;
  return s;
}

std::string TdateMan::TimeStr(int hour, int min) {
  return useAmPm ? TimeStrAMPM(hour, min) : str2(hour) + ":" + str2(min);
}

std::string TdateMan::TimeStr(int hour, int min, int sec) {
  return useAmPm ? TimeStrAMPM(hour, min, sec) : str2(hour) + ":" + str2(min) + ":" + str2(sec);
}

std::string TdateMan::TimeStr(int hour, int min, int sec, int milli) {
  return useAmPm ? TimeStrAMPM(hour, min, sec) : TimeStr(hour, min, sec) + "." + str3(milli);
}

std::string TdateMan::TimeStr(double jd) {
  DecodeJulian(jd);
  return TimeStr(fhour, fmin, fsec);
}

namespace {
std::string twelveHour(int hour, int min, int sec, bool withSeconds) {
  const bool morning = hour < 12;
  if (morning) {
    if (hour == 0) hour = 12;
  } else if (hour > 12) {
    hour -= 12;
  }
  if (hour == 12 && min == 0 && (!withSeconds || sec == 0)) return morning ? "12 midnight" : "12 Noon";
  std::string t = std::to_string(hour) + ":" + TdateMan::str2(min);
  if (withSeconds) t += ":" + TdateMan::str2(sec);
  return t + (morning ? " a.m." : " p.m.");
}
}  // namespace

std::string TdateMan::TimeStrAMPM(int hour, int min) { return twelveHour(hour, min, 0, false); }
std::string TdateMan::TimeStrAMPM(int hour, int min, int sec) { return twelveHour(hour, min, sec, true); }

void TdateMan::roundedSeconds(TDateTime dt, int& hour, int& minute, int& second) {
  int y, mo, d, ms;
  DecodeDateTime(dt, y, mo, d, hour, minute, second, ms);
  second = platform::Round32(second + ms / 1000.0);
  if (second >= 60) {
    second = 0;
    if (++minute >= 60) {
      minute = 0;
      if (++hour >= 24) hour = 0;
    }
  }
}

std::string TdateMan::TimeStrDT(TDateTime dt) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(dt, y, mo, d, h, mi, s);
  return TimeStr(h, mi, s);
}

std::string TdateMan::TimeStrDT(TDateTime dt, bool withseconds) { return TimeStrDT(dt, withseconds, false); }

std::string TdateMan::TimeStrDT(TDateTime dt, bool withseconds, bool withMilliseconds) {
  int y, mo, d, h, mi, s, ms;
  if (withMilliseconds) {
    DecodeDateTime(dt, y, mo, d, h, mi, s, ms);
    return TimeStr(h, mi, s, ms);
  }
  if (withseconds) {
    roundedSeconds(dt, h, mi, s);
    return TimeStr(h, mi, s);
  }
  DecodeDateTime(dt, y, mo, d, h, mi, s);
  return TimeStr(h, mi);
}

std::string TdateMan::TimeStrDTampm(TDateTime dt) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(dt, y, mo, d, h, mi, s);
  return TimeStrAMPM(h, mi, s);
}

std::string TdateMan::TimeStrDTampm(TDateTime dt, bool withseconds) {
  int y, mo, d, h, mi, s;
  if (withseconds) {
    roundedSeconds(dt, h, mi, s);
    return TimeStrAMPM(h, mi, s);
  }
  DecodeDateTime(dt, y, mo, d, h, mi, s);
  return TimeStrAMPM(h, mi);
}

// ---------------------------------------------------------------------------------------------
// Dates

std::string TdateMan::LongDateStr(int year, int month, int day) const {
  return std::to_string(day) + " " + MonthName(month - 1) + " " + std::to_string(year);
}

std::string TdateMan::shortDateStr(int year, int month, int day) const {
  std::string mon = MonthName(month - 1);
  if (platform::codePointCount(mon) > 4) mon = mon.substr(0, platform::codePointOffset(mon, 3));
  return std::to_string(day) + " " + mon + " " + std::to_string(year);
}

std::string TdateMan::LongDateTimestr(int year, int month, int day, int hour, int minute) {
  return LongDateStr(year, month, day) + " " + TimeStr(hour, minute);
}

std::string TdateMan::LongDateTimestr(int year, int month, int day, int hour, int minute, int second) {
  return LongDateStr(year, month, day) + " " + TimeStr(hour, minute, second);
}

std::string TdateMan::LongDateStr(double jd) {
  if (jd == kJulianAlways) return "Always";
  if (jd == kJulianForever) return "Forever";
  DecodeJulian(jd);
  return LongDateStr(fyear, fmonth, fday);
}

std::string TdateMan::LongDateTimestr(double jd) {
  if (jd == kJulianAlways) return "Always";
  if (jd == kJulianForever) return "Forever";
  DecodeJulian(jd);
  return LongDateTimestr(fyear, fmonth, fday, fhour, fmin, fsec);
}

std::string TdateMan::LongDateTimestrDT(TDateTime dt, bool withseconds) {
  DecodeDateTime(dt);
  return withseconds ? LongDateTimestr(fyear, fmonth, fday, fhour, fmin, fsec)
                     : LongDateTimestr(fyear, fmonth, fday, fhour, fmin);
}

std::string TdateMan::LongDateTimestrDT(TDateTime dt) { return LongDateTimestrDT(dt, true); }

std::string TdateMan::LongDateStrDT(TDateTime dt) {
  DecodeDateTime(dt);
  return LongDateStr(fyear, fmonth, fday);
}

std::string TdateMan::shortDateStrDT(TDateTime dt) {
  DecodeDateTime(dt);
  return shortDateStr(fyear, fmonth, fday);
}

// ---------------------------------------------------------------------------------------------
// Stamps

std::string TdateMan::SQLtimestamp(int year, int month, int day, int hour, int minute, int second) {
  return std::to_string(year) + "-" + str2(month) + "-" + str2(day) + " " + str2(hour) + ":" + str2(minute) + ":" +
         str2(second);
}

std::string TdateMan::SQLtimestamp(double julianDate) {
  DecodeJulian(julianDate);
  return SQLtimestamp(fyear, fmonth, fday, fhour, fmin, fsec);
}

std::string TdateMan::SQLtimestamp2(double julianDate) {
  if (julianDate == kJulianAlways || julianDate == kJulianForever) return LongDateStr(julianDate);
  return SQLtimestamp(julianDate);
}

std::string TdateMan::SQLtimestamp() { return SQLtimestampDT(platform::nowLocal()); }

std::string TdateMan::SQLtimestampDT(TDateTime dt, bool withMilliSeconds) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(dt, y, mo, d, h, mi, s, ms);
  std::string t = SQLtimestamp(y, mo, d, h, mi, s);
  return withMilliSeconds ? t + "." + str3(ms) : t;
}

std::string TdateMan::SQLtimeOnlyStampDT(TDateTime dt, bool withMilliSeconds) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(dt, y, mo, d, h, mi, s, ms);
  std::string t = str2(h) + ":" + str2(mi) + ":" + str2(s);
  return withMilliSeconds ? t + "." + str3(ms) : t;
}

std::string TdateMan::SQLdatestamp() { return SQLdatestampDT(platform::nowLocal()); }

std::string TdateMan::SQLdatestamp(double jd) {
  DecodeJulian(jd);
  return std::to_string(fyear) + "-" + str2(fmonth) + "-" + str2(fday);
}

std::string TdateMan::SQLdatestamp2(double jd) {
  if (jd == kJulianAlways || jd == kJulianForever) return LongDateStr(jd);
  return SQLdatestamp(jd);
}

std::string TdateMan::SQLdatestampDT(TDateTime dt) {
  if (!std::isfinite(dt) || dt < -693593.0 || dt >= 2958466.0) return "invalid date";
  auto p = platform::decodeDateTime(dt);
  return std::to_string(p.year) + "-" + str2(p.month) + "-" + str2(p.day);
}

// ---------------------------------------------------------------------------------------------
// Readers

double TdateMan::SQLtime(const std::string& value) {
  const std::string low = platform::lowerCase(value);
  if (low.empty() || low == "always") return kJulianAlways;
  // The text SQLtimestamp2 writes for the end sentinel reads back as that sentinel.
  if (low == "forever") return kJulianForever;
  readStamp(value, fyear, fmonth, fday, fhour, fmin, fsec);
  return EncodeJulian();
}

TDateTime TdateMan::SQLtimeDT(const std::string& value) {
  const double jd = SQLtime(value);
  return jd == 0 ? 0 : DateTimeFromJulian(jd);
}

void TdateMan::SQLdate(const std::string& value, int& year, int& month, int& day, int& hour, int& minute,
                       int& second) {
  const std::string low = platform::lowerCase(value);
  if (low.empty() || low == "always" || low == "forever") {
    year = low == "forever" ? 9999 : -9999;
    month = 1, day = 1, hour = 0, minute = 0, second = 0;
    return;
  }
  readStamp(value, year, month, day, hour, minute, second);
}

void TdateMan::SQLdate(const std::string& value, TDateTime& dt) {
  int y, mo, d, h, mi, s;
  SQLdate(value, y, mo, d, h, mi, s);
  dt = y == -9999 ? defaultdate : EncodeDateTime(y, mo, d, h, mi, s);
}

bool TdateMan::strToDate(const std::string& s, TDateTime& dt) {
  int y = 0, m = 0, d = 0;
  if (s.size() == 8) {
    if (!readInt(s.substr(0, 4), y) || !readInt(s.substr(4, 2), m) || !readInt(s.substr(6, 2), d)) return false;
  } else if (s.size() > 8 && s[4] == ' ') {
    std::string rest = s.substr(5);
    const std::string name = takePiece(rest, ' ');
    m = MonthIndex(name) + 1;
    if (!readInt(s.substr(0, 4), y) || m == 0 || !readInt(rest, d)) return false;
  } else if (s.size() > 8 && s[4] == '-') {
    if (!readInt(s.substr(0, 4), y) || !readInt(s.substr(5, 2), m) || !readInt(s.substr(8, 2), d)) return false;
  } else {
    return false;
  }
  // A triple that forms no date is a failure, not the default date.
  return tryEncodeDateTime(y, m, d, 0.0, dt);
}

std::string TdateMan::SQLfriendly(const std::string& SQLstamp) {
  if (SQLstamp == "-4713-01-01 12:00:00") return "Always";
  if (SQLstamp.find("00:00:00") == std::string::npos) return SQLstamp;
  std::string r = SQLstamp.substr(0, SQLstamp.find(' '));
  return r == "9999-01-01" ? "Forever" : r;
}
