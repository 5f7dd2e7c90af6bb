// Windows zone table and conversions: see timezones.h. ICU gives names only (its own zone
// rules are older than the system tzdata), read from it at build time (gen/windows_zones_gen.cpp);
// every offset comes from the tzdata through date/tz.
// The engine works in whole milliseconds so that a transition instant compares exactly.
#include "platform/timezones.h"

#include <date/date.h>
#include <date/tz.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/text.h"

namespace platform {
namespace {
constexpr int64_t kMsDay = 86400000;
constexpr int64_t kMsPerMinute = 60000;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// ---------------------------------------------------------------------------------------------
// SYSTEMTIME as milliseconds since 1970-01-01 00:00.

std::optional<int64_t> toMs(const SYSTEMTIME& s) {
  if (s.wYear < 1 || s.wYear > 9999 || s.wMonth < 1 || s.wMonth > 12 || s.wDay < 1 ||
      s.wDay > daysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 || s.wSecond > 59 ||
      s.wMilliseconds > 999)
    return std::nullopt;
  const date::sys_days d = date::year{s.wYear} / date::month{s.wMonth} / date::day{s.wDay};
  return static_cast<int64_t>(d.time_since_epoch().count()) * kMsDay +
         ((s.wHour * 60 + s.wMinute) * 60 + s.wSecond) * 1000LL + s.wMilliseconds;
}

std::optional<SYSTEMTIME> fromMs(int64_t ms) {
  const int64_t day = floorDiv(ms, kMsDay);
  int64_t rest = ms - day * kMsDay;
  const date::sys_days sd{date::days{day}};
  const date::year_month_day ymd{sd};
  const int y = static_cast<int>(ymd.year());
  if (y < 1 || y > 9999) return std::nullopt;
  SYSTEMTIME s;
  s.wYear = static_cast<uint16_t>(y);
  s.wMonth = static_cast<uint16_t>(static_cast<unsigned>(ymd.month()));
  s.wDay = static_cast<uint16_t>(static_cast<unsigned>(ymd.day()));
  s.wDayOfWeek = static_cast<uint16_t>(date::weekday{sd}.c_encoding());
  s.wMilliseconds = static_cast<uint16_t>(rest % 1000);
  rest /= 1000;
  s.wSecond = static_cast<uint16_t>(rest % 60);
  rest /= 60;
  s.wMinute = static_cast<uint16_t>(rest % 60);
  s.wHour = static_cast<uint16_t>(rest / 60);
  return s;
}

int yearOfMs(int64_t ms) {
  const date::sys_days sd{date::days{floorDiv(ms, kMsDay)}};
  return static_cast<int>(date::year_month_day{sd}.year());
}

// A transition date of a TZI record in one year, as milliseconds of the local clock it is
// given in; nullopt for a date that names no day.
std::optional<int64_t> transitionMs(const SYSTEMTIME& rule, int year) {
  if (rule.wMonth < 1 || rule.wMonth > 12 || rule.wDay < 1 || year < 1 || year > 9999) return std::nullopt;
  const int dim = daysInMonth(year, rule.wMonth);
  int day = rule.wDay;
  if (rule.wYear == 0) {
    const date::sys_days first = date::year{year} / date::month{rule.wMonth} / date::day{1};
    const int firstDow = static_cast<int>(date::weekday{first}.c_encoding());
    day = 1 + (static_cast<int>(rule.wDayOfWeek % 7) - firstDow + 7) % 7 + (std::min<int>(rule.wDay, 5) - 1) * 7;
    while (day > dim) day -= 7;  // week 5: the last such weekday
  } else if (day > dim) {
    return std::nullopt;
  }
  const date::sys_days d = date::year{year} / date::month{rule.wMonth} / date::day{static_cast<unsigned>(day)};
  return static_cast<int64_t>(d.time_since_epoch().count()) * kMsDay +
         ((rule.wHour * 60LL + rule.wMinute) * 60 + rule.wSecond) * 1000 + rule.wMilliseconds;
}

int64_t standardOffsetMs(const TIME_ZONE_INFORMATION& t) {
  return (static_cast<int64_t>(t.Bias) + t.StandardBias) * kMsPerMinute;
}
int64_t daylightOffsetMs(const TIME_ZONE_INFORMATION& t) {
  return (static_cast<int64_t>(t.Bias) + t.DaylightBias) * kMsPerMinute;
}

bool daylightAtUtc(const TIME_ZONE_INFORMATION& t, int64_t utc) {
  if (!hasDaylightRule(t)) return false;
  const int64_t stdOff = standardOffsetMs(t), dltOff = daylightOffsetMs(t);
  const int year = yearOfMs(utc - stdOff);
  auto start = transitionMs(t.DaylightDate, year);
  auto end = transitionMs(t.StandardDate, year);
  if (!start || !end) return false;
  const int64_t s = *start + stdOff, e = *end + dltOff;
  return s < e ? (utc >= s && utc < e) : (utc < e || utc >= s);
}

// Local clock milliseconds -> UTC. A local time in the skipped hour counts as daylight time, one
// in the repeated hour as its first (daylight) occurrence.
int64_t localToUtc(const TIME_ZONE_INFORMATION& t, int64_t local) {
  const int64_t stdOff = standardOffsetMs(t), dltOff = daylightOffsetMs(t);
  if (!hasDaylightRule(t)) return local + stdOff;
  const int year = yearOfMs(local);
  auto start = transitionMs(t.DaylightDate, year);
  auto end = transitionMs(t.StandardDate, year);
  if (!start || !end) return local + stdOff;
  const bool dst = *start < *end ? (local >= *start && local < *end) : (local < *end || local >= *start);
  return local + (dst ? dltOff : stdOff);
}

// The machine's own zone, minutes east at a UTC instant (libc follows $TZ).
int64_t machineOffsetMs(int64_t utc) {
  return static_cast<int64_t>(localOffsetMinutes(static_cast<double>(utc) / kMsDay + kUnixEpochDays)) *
         kMsPerMinute;
}

// ---------------------------------------------------------------------------------------------
// ICU's Windows zone names and the IANA zones each stands for, as read at build time.

struct TwindowsZoneRow {
  const char* keyName;
  const char* ianaIds;  // space-separated, the zone of territory 001 first
};
struct TzonePair {
  const char* iana;
  const char* value;
};
#include "windows_zones.inc"

// The value of an IANA zone name in a table ordered by name; nullptr when it has none.
template <size_t N>
const char* lookUp(const TzonePair (&table)[N], std::string_view iana) {
  const auto* it = std::lower_bound(std::begin(table), std::end(table), iana,
                                    [](const TzonePair& p, std::string_view k) { return std::string_view(p.iana) < k; });
  return it != std::end(table) && std::string_view(it->iana) == iana ? it->value : nullptr;
}

struct WinZoneNames {
  std::string keyName;
  std::vector<std::string> ianaIds;  // the zone of territory 001 first
};

const std::vector<WinZoneNames>& windowsZoneNames() {
  static const std::vector<WinZoneNames> table = [] {
    std::vector<WinZoneNames> out;
    for (const auto& row : kWindowsZoneRows) {
      WinZoneNames w;
      w.keyName = row.keyName;
      for (std::string_view ids = row.ianaIds; !ids.empty();) {
        const size_t q = std::min(ids.find(' '), ids.size());
        w.ianaIds.emplace_back(ids.substr(0, q));
        ids.remove_prefix(std::min(q + 1, ids.size()));
      }
      out.push_back(std::move(w));
    }
    // The registry lists its keys in name order without case.
    std::stable_sort(out.begin(), out.end(),
                     [](const WinZoneNames& a, const WinZoneNames& b) { return compareNoCase(a.keyName, b.keyName) < 0; });
    return out;
  }();
  return table;
}

// "(UTC+01:00) " and up to five exemplar cities of the zone's IANA zones.
constexpr size_t kMaxCities = 5;

std::string displayText(const WinZoneNames& w, int standardOffsetMinutes) {
  const int a = std::abs(standardOffsetMinutes);
  char head[32];
  std::snprintf(head, sizeof head, "(UTC%c%02d:%02d) ", standardOffsetMinutes < 0 ? '-' : '+', a / 60, a % 60);
  std::vector<std::string> cities;
  for (const auto& id : w.ianaIds) {
    if (cities.size() >= kMaxCities) break;
    if (id.rfind("Etc/", 0) == 0) continue;
    const char* city = lookUp(kExemplarCities, id);
    if (city && std::find(cities.begin(), cities.end(), city) == cities.end()) cities.emplace_back(city);
  }
  std::string text = head;
  if (cities.empty()) {
    // Zones of fixed offsets name no city: show the key name without its "Standard Time".
    std::string k = w.keyName;
    if (auto p = k.find(" Standard Time"); p != std::string::npos) k.erase(p, 14);
    return text + k;
  }
  for (size_t i = 0; i < cities.size(); ++i) text += (i ? ", " : "") + cities[i];
  return text;
}

std::string daylightNameOf(const std::string& keyName) {
  std::string d = keyName;
  if (auto p = d.find("Standard"); p != std::string::npos) d.replace(p, 8, "Daylight");
  return d;
}

// ---------------------------------------------------------------------------------------------
// tzdata: the rule of one year as a TZI record.

const date::time_zone* locateZone(const std::string& iana) {
  try {
    return date::locate_zone(iana);
  } catch (...) {
    return nullptr;
  }
}

struct Change {
  date::sys_seconds at;
  int fromOff = 0, toOff = 0;  // minutes east
  bool fromDst = false, toDst = false;
};

SYSTEMTIME ruleDate(date::sys_seconds at, int clockOffsetMinutes) {
  const auto local = at + std::chrono::minutes{clockOffsetMinutes};
  const auto day = date::floor<date::days>(local);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss<std::chrono::seconds> tod{local - day};
  const int y = static_cast<int>(ymd.year());
  const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
  const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
  SYSTEMTIME s;
  s.wYear = 0;
  s.wMonth = static_cast<uint16_t>(m);
  s.wDayOfWeek = static_cast<uint16_t>(date::weekday{day}.c_encoding());
  s.wDay = static_cast<uint16_t>(d + 7 > daysInMonth(y, m) ? 5 : (d - 1) / 7 + 1);
  s.wHour = static_cast<uint16_t>(tod.hours().count());
  s.wMinute = static_cast<uint16_t>(tod.minutes().count());
  s.wSecond = static_cast<uint16_t>(tod.seconds().count());
  return s;
}

int minutesOf(std::chrono::seconds s) { return static_cast<int>(s.count() / 60); }

std::optional<WindowsZone> makeZone(const WinZoneNames& w, int year, TDateTime asOf, ZoneText text) {
  const date::time_zone* z = locateZone(w.ianaIds.front());
  if (!z) return std::nullopt;
  WindowsZone out;
  out.keyName = w.keyName;
  out.iana = w.ianaIds.front();
  out.daylightName = daylightNameOf(w.keyName);

  // Offset changes whose clock time before the change falls in the year.
  const date::sys_seconds from{date::sys_days{date::year{year} / 1 / 1} - date::days{2}};
  const date::sys_seconds to{date::sys_days{date::year{year + 1} / 1 / 1} + date::days{2}};
  std::vector<Change> changes;
  date::sys_info info = z->get_info(from);
  while (info.end < to) {
    date::sys_info next = z->get_info(info.end);
    if (next.offset != info.offset) {
      Change c{info.end, minutesOf(info.offset), minutesOf(next.offset), info.save.count() != 0,
               next.save.count() != 0};
      const auto local = date::floor<date::days>(c.at + std::chrono::minutes{c.fromOff});
      if (static_cast<int>(date::year_month_day{local}.year()) == year) changes.push_back(c);
    }
    if (next.begin <= info.begin) break;  // no progress: the zone's table ends
    info = next;
  }

  // The instant whose rule stands for an irregular year: asOf when it lies in the year.
  date::sys_seconds ref{date::sys_days{date::year{year} / 7 / 1}};
  {
    const auto asOfSecs = date::sys_seconds{std::chrono::seconds{
        static_cast<int64_t>(std::floor(toUnixSeconds(asOf)))}};
    if (static_cast<int>(date::year_month_day{date::floor<date::days>(asOfSecs)}.year()) == year) ref = asOfSecs;
  }

  TIME_ZONE_INFORMATION& t = out.tzi;
  int standard = minutesOf(z->get_info(ref).offset);
  if (changes.size() == 2 && changes[0].toOff == changes[1].fromOff && changes[1].toOff == changes[0].fromOff &&
      changes[0].fromDst != changes[0].toDst && changes[1].fromDst != changes[1].toDst) {
    const Change& toDaylight = changes[0].toDst ? changes[0] : changes[1];
    const Change& toStandard = changes[0].toDst ? changes[1] : changes[0];
    standard = toDaylight.fromOff;
    t.Bias = -standard;
    t.DaylightBias = -(toDaylight.toOff - toDaylight.fromOff);
    t.DaylightDate = ruleDate(toDaylight.at, toDaylight.fromOff);
    t.StandardDate = ruleDate(toStandard.at, toStandard.fromOff);
  } else {
    out.irregular = !changes.empty();
    t.Bias = -standard;
  }
  if (text == ZoneText::Cities) out.display = displayText(w, standard);
  return out;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Table

std::vector<WindowsZone> buildWindowsZoneTable(int year, TDateTime asOf, ZoneText text) {
  std::vector<WindowsZone> out;
  for (const auto& w : windowsZoneNames())
    if (auto z = makeZone(w, year, asOf, text)) out.push_back(std::move(*z));
  return out;
}

std::optional<WindowsZone> buildWindowsZone(const std::string& keyName, int year, TDateTime asOf, ZoneText text) {
  for (const auto& w : windowsZoneNames())
    if (sameNoCase(w.keyName, keyName)) return makeZone(w, year, asOf, text);
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// The machine's zone

namespace {
std::string zoneNameFromPath(std::string p) {
  if (auto k = p.find("zoneinfo/"); k != std::string::npos) return p.substr(k + 9);
  return p;
}
}  // namespace

std::string machineIanaZone() {
  if (const char* tz = std::getenv("TZ"); tz && *tz) {
    std::string s = tz;
    if (s[0] == ':') s.erase(0, 1);
    s = zoneNameFromPath(s);
    if (locateZone(s)) return s;
  }
  char buf[4096];
  ssize_t n = readlink("/etc/localtime", buf, sizeof buf - 1);
  if (n > 0) {
    std::string s = zoneNameFromPath(std::string(buf, static_cast<size_t>(n)));
    if (locateZone(s)) return s;
  }
  std::ifstream f("/etc/timezone");
  std::string s;
  if (f && std::getline(f, s) && locateZone(s)) return s;
  return "";
}

std::string windowsZoneOfIana(const std::string& iana) {
  const char* win = lookUp(kWindowsZoneOf, iana);
  return win ? win : "";
}

std::string machineWindowsZone() { return windowsZoneOfIana(machineIanaZone()); }

std::optional<int> ianaOffsetMinutes(const std::string& iana, TDateTime utc) {
  const date::time_zone* z = locateZone(iana);
  if (!z || !std::isfinite(utc)) return std::nullopt;
  // To the nearest millisecond first, as the date-time decoder does, then down to the second.
  const auto ms = static_cast<int64_t>(std::nearbyint(toUnixSeconds(utc) * 1000));
  const date::sys_seconds s{std::chrono::seconds{floorDiv(ms, 1000)}};
  return minutesOf(z->get_info(s).offset);
}

// ---------------------------------------------------------------------------------------------
// Conversions

bool systemTimeToDateTime(const SYSTEMTIME& st, TDateTime& result) {
  auto ms = toMs(st);
  if (!ms) return false;
  result = static_cast<double>(*ms) / kMsDay + kUnixEpochDays;
  return true;
}

bool dateTimeToSystemTime(TDateTime t, SYSTEMTIME& result) {
  if (!std::isfinite(t) || t < -693593.0 || t >= 2958466.0) return false;  // years 1..9999
  auto p = decodeDateTime(t);
  TDateTime d = 0;
  if (!tryEncodeDate(p.year, p.month, p.day, d)) return false;
  SYSTEMTIME s;
  s.wYear = static_cast<uint16_t>(p.year);
  s.wMonth = static_cast<uint16_t>(p.month);
  s.wDay = static_cast<uint16_t>(p.day);
  s.wDayOfWeek = static_cast<uint16_t>(dayOfWeek(d) - 1);
  s.wHour = static_cast<uint16_t>(p.hour);
  s.wMinute = static_cast<uint16_t>(p.minute);
  s.wSecond = static_cast<uint16_t>(p.second);
  s.wMilliseconds = static_cast<uint16_t>(p.millisecond);
  result = s;
  return true;
}

bool systemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* tzi, const SYSTEMTIME& utc, SYSTEMTIME& local) {
  auto u = toMs(utc);
  if (!u) return false;
  int64_t off = tzi ? -(daylightAtUtc(*tzi, *u) ? daylightOffsetMs(*tzi) : standardOffsetMs(*tzi))
                    : machineOffsetMs(*u);
  auto l = fromMs(*u + off);
  if (!l) return false;
  local = *l;
  return true;
}

bool tzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* tzi, const SYSTEMTIME& local, SYSTEMTIME& utc) {
  auto l = toMs(local);
  if (!l) return false;
  int64_t u = 0;
  if (tzi) {
    u = localToUtc(*tzi, *l);
  } else {
    // Two steps settle on the offset in force at the result, as mktime does.
    u = *l - machineOffsetMs(*l);
    u = *l - machineOffsetMs(u);
  }
  auto r = fromMs(u);
  if (!r) return false;
  utc = *r;
  return true;
}

bool isDaylightAt(const TIME_ZONE_INFORMATION& tzi, const SYSTEMTIME& utc) {
  auto u = toMs(utc);
  return u && daylightAtUtc(tzi, *u);
}
}  // namespace platform
