// Day and month names of the user's locale: see localenames.h. The C and POSIX locales read as
// English (ICU's root locale would give "M01" month names).
#include "platform/localenames.h"

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/ures.h>
#include <unicode/uscript.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {
icu::Locale timeLocale() { return icu::Locale(localeNameOf("LC_TIME").c_str()); }

// The names of the commonest locales without ICU: the wall clock would otherwise map ICU's
// calendar data for its day names alone.
constexpr const char* kEnglishDayNames[7] = {"Monday", "Tuesday", "Wednesday", "Thursday",
                                             "Friday", "Saturday", "Sunday"};
constexpr const char* kEnglishMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};

// A locale's names are fetched from ICU once and kept: labels ask for them on every map rebuild.
// Key: the locale's name, then 'M' or 'D', then 'S' for stand-alone forms.
const std::vector<std::string>& namesOf(const icu::Locale& locale, bool months, bool standAlone) {
  static std::mutex lock;
  static std::map<std::string, std::vector<std::string>> kept;
  std::lock_guard<std::mutex> hold(lock);
  const std::string key = std::string(locale.getName()) + (months ? "M" : "D") + (standAlone ? "S" : "");
  auto it = kept.find(key);
  if (it != kept.end()) return it->second;
  std::vector<std::string>& out = kept[key];
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols syms(locale, status);
  if (U_FAILURE(status)) return out;
  int32_t count = 0;
  const auto context = standAlone ? icu::DateFormatSymbols::STANDALONE : icu::DateFormatSymbols::FORMAT;
  const icu::UnicodeString* names = months ? syms.getMonths(count, context, icu::DateFormatSymbols::WIDE)
                                           : syms.getWeekdays(count, context, icu::DateFormatSymbols::WIDE);
  for (int32_t i = 0; names && i < count; ++i) {
    std::string one;
    names[i].toUTF8String(one);
    out.push_back(std::move(one));
  }
  return out;
}

std::string nameAt(const icu::Locale& locale, bool months, bool standAlone, int index) {
  const std::vector<std::string>& names = namesOf(locale, months, standAlone);
  // ICU's weekdays start at index 1 = Sunday.
  const int i = months ? index : (index + 1) % 7 + 1;
  return i >= 0 && i < static_cast<int>(names.size()) ? names[i] : std::string();
}

std::string utf8(const icu::UnicodeString& u) {
  std::string out;
  u.toUTF8String(out);
  return out;
}
}  // namespace

std::string localeWord(LocaleWord word, int index) {
  const icu::Locale locale = timeLocale();
  const icu::Locale english("en");
  icu::UnicodeString u;
  switch (word) {
    case LocaleWord::Language: return utf8(locale.getDisplayLanguage(locale, u));
    case LocaleWord::EnglishLanguage: return utf8(locale.getDisplayLanguage(english, u));
    case LocaleWord::Country: return utf8(locale.getDisplayCountry(locale, u));
    case LocaleWord::EnglishCountry: return utf8(locale.getDisplayCountry(english, u));
    case LocaleWord::IsoLanguage: return locale.getLanguage();
    case LocaleWord::IsoCountry: return locale.getCountry();
    default: break;
  }
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols syms(locale, status);
  if (U_FAILURE(status)) return "";
  int32_t count = 0;
  const icu::UnicodeString* names = nullptr;
  int i = index;
  switch (word) {
    case LocaleWord::Am: names = syms.getAmPmStrings(count), i = 0; break;
    case LocaleWord::Pm: names = syms.getAmPmStrings(count), i = 1; break;
    case LocaleWord::ShortDay:
      names = syms.getShortWeekdays(count);
      i = index < 0 || index > 6 ? -1 : (index + 1) % 7 + 1;  // ICU's weekdays start at 1 = Sunday
      break;
    case LocaleWord::ShortMonth: names = syms.getShortMonths(count); break;
    default: break;
  }
  return names && i >= 0 && i < count ? utf8(names[i]) : "";
}

const char* englishDayName(int index) { return index < 0 || index > 6 ? nullptr : kEnglishDayNames[index]; }
const char* englishMonthName(int index) { return index < 0 || index > 11 ? nullptr : kEnglishMonthNames[index]; }

std::string localeDayName(int index) {
  if (index < 0 || index > 6) return "";
  const std::string locale = localeNameOf("LC_TIME");
  return isUsEnglishLocale(locale) ? kEnglishDayNames[index] : nameAt(icu::Locale(locale.c_str()), false, false, index);
}
std::string localeMonthName(int index) {
  if (index < 0 || index > 11) return "";
  const std::string locale = localeNameOf("LC_TIME");
  return isUsEnglishLocale(locale) ? kEnglishMonthNames[index] : nameAt(icu::Locale(locale.c_str()), true, false, index);
}
}  // namespace platform

// ---- words of a named locale

namespace platform {
namespace {
std::string standAloneName(const std::string& locale, bool months, int index) {
  return nameAt(icu::Locale(locale.c_str()), months, true, index);
}

struct BundleCloser {
  void operator()(UResourceBundle* b) const { if (b) ures_close(b); }
};
using Bundle = std::unique_ptr<UResourceBundle, BundleCloser>;
}  // namespace

std::string dayNameIn(const std::string& locale, int index) {
  return index < 0 || index > 6 ? "" : standAloneName(locale, false, index);
}
std::string monthNameIn(const std::string& locale, int index) {
  return index < 0 || index > 11 ? "" : standAloneName(locale, true, index);
}

std::string dayPeriodIn(const std::string& locale, const std::string& key) {
  // Stand-alone forms first, then the format forms that many locales alone provide.
  for (const char* context : {"stand-alone", "format"}) {
    UErrorCode status = U_ZERO_ERROR;
    Bundle node(ures_open(nullptr, locale.c_str(), &status));
    for (const char* part : {"calendar", "gregorian", "dayPeriod", context, "wide", key.c_str()}) {
      if (U_FAILURE(status)) break;
      node.reset(ures_getByKey(node.get(), part, nullptr, &status));
    }
    if (U_FAILURE(status)) continue;
    int32_t len = 0;
    const UChar* s = ures_getString(node.get(), &len, &status);
    if (U_FAILURE(status) || !s || len == 0) continue;
    std::string out;
    icu::UnicodeString(s, len).toUTF8String(out);
    return out;
  }
  return "";
}

namespace {
std::string bundleString(UResourceBundle* b, const char* key) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  const UChar* s = ures_getStringByKey(b, key, &len, &status);
  std::string out;
  if (U_SUCCESS(status) && s) icu::UnicodeString(s, len).toUTF8String(out);
  return out;
}
int minutesOf(const std::string& hhmm) {
  return hhmm.size() == 5 ? std::atoi(hhmm.substr(0, 2).c_str()) * 60 + std::atoi(hhmm.substr(3, 2).c_str()) : -1;
}
}  // namespace

std::string dayPeriodAt(const std::string& locale, int minuteOfDay, bool exactOnly) {
  // The rules live apart from the names: "dayPeriods/locales/<language>" names a rule set,
  // "dayPeriods/rules/<set>/<period>" holds "at", or "from" and "before" (hh:mm).
  UErrorCode status = U_ZERO_ERROR;
  Bundle all(ures_openDirect(nullptr, "dayPeriods", &status));
  Bundle locales(ures_getByKey(all.get(), "locales", nullptr, &status));
  if (U_FAILURE(status)) return "";
  const std::string language = icu::Locale(locale.c_str()).getLanguage();
  const std::string set = bundleString(locales.get(), language.c_str());
  if (set.empty()) return "";
  Bundle rules(ures_getByKey(all.get(), "rules", nullptr, &status));
  Bundle mine(ures_getByKey(rules.get(), set.c_str(), nullptr, &status));
  if (U_FAILURE(status)) return "";
  std::string covering;
  for (int32_t i = 0; i < ures_getSize(mine.get()); ++i) {
    UErrorCode st = U_ZERO_ERROR;
    Bundle period(ures_getByIndex(mine.get(), i, nullptr, &st));
    if (U_FAILURE(st)) continue;
    const std::string key = ures_getKey(period.get());
    const int at = minutesOf(bundleString(period.get(), "at"));
    if (at >= 0) {
      if (at == minuteOfDay) return dayPeriodIn(locale, key);
      continue;
    }
    const int from = minutesOf(bundleString(period.get(), "from"));
    const int before = minutesOf(bundleString(period.get(), "before"));
    if (from < 0 || before < 0) continue;
    const bool inside = from <= before ? (minuteOfDay >= from && minuteOfDay < before)
                                       : (minuteOfDay >= from || minuteOfDay < before);
    if (inside && covering.empty()) covering = key;
  }
  return exactOnly || covering.empty() ? "" : dayPeriodIn(locale, covering);
}

bool usesLatinScript(const std::string& locale) {
  // Judged by the letters of the locale's own name for January.
  const std::string word = monthNameIn(locale, 0);
  if (word.empty()) return false;
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(word);
  for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1)) {
    UErrorCode status = U_ZERO_ERROR;
    const UChar32 c = u.char32At(i);
    if (!u_isalpha(c)) continue;
    return uscript_getScript(c, &status) == USCRIPT_LATIN;
  }
  return false;
}
}  // namespace platform
