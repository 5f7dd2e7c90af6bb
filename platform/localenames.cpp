// Day and month names of the user's locale: see localenames.h. The C and POSIX locales read as
// English (ICU's root locale would give "M01" month names).
#include "platform/localenames.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/icu_calls.h"
#include "platform/text.h"

namespace platform {
namespace {

// The names of the commonest locales without ICU: the wall clock would otherwise map ICU's
// calendar data for its day names alone.
constexpr const char* kEnglishDayNames[7] = {"Monday", "Tuesday", "Wednesday", "Thursday",
                                             "Friday", "Saturday", "Sunday"};
constexpr const char* kEnglishMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};

// A UTF-16 text of ICU's as UTF-8.
std::string utf8(const UChar* s, int32_t length) {
  return s && length > 0 ? icuapi::toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s), size_t(length)))
                         : std::string();
}

// One kind of the Gregorian calendar's date symbols of a locale (ICU's date-format symbols of
// the locale, which are the Gregorian ones whatever calendar the locale prefers); empty without ICU.
std::vector<std::string> dateSymbols(const std::string& locale, UDateFormatSymbolType type) {
  std::vector<std::string> out;
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return out;
  UErrorCode status = U_ZERO_ERROR;
  const std::string gregorian = locale + (locale.find('@') == std::string::npos ? "@" : ";") + "calendar=gregorian";
  UDateFormat* format = icu.udat_open(UDAT_DEFAULT, UDAT_DEFAULT, gregorian.c_str(), nullptr, 0, nullptr, 0, &status);
  if (U_FAILURE(status) || !format) return out;
  const int32_t count = icu.udat_countSymbols(format, type);
  for (int32_t i = 0; i < count; ++i) {
    UChar buffer[128];
    UErrorCode st = U_ZERO_ERROR;
    const int32_t n = icu.udat_getSymbols(format, type, i, buffer, 128, &st);
    out.push_back(U_SUCCESS(st) && n <= 128 ? utf8(buffer, n) : std::string());
  }
  icu.udat_close(format);
  return out;
}

// A locale's names are fetched from ICU once and kept: labels ask for them on every map rebuild.
// Key: the locale's name, then 'M' or 'D', then 'S' for stand-alone forms.
const std::vector<std::string>& namesOf(const std::string& locale, bool months, bool standAlone) {
  static std::mutex lock;
  static std::map<std::string, std::vector<std::string>> kept;
  std::lock_guard<std::mutex> hold(lock);
  const std::string key = locale + (months ? "M" : "D") + (standAlone ? "S" : "");
  auto it = kept.find(key);
  if (it != kept.end()) return it->second;
  const UDateFormatSymbolType type = months ? (standAlone ? UDAT_STANDALONE_MONTHS : UDAT_MONTHS)
                                            : (standAlone ? UDAT_STANDALONE_WEEKDAYS : UDAT_WEEKDAYS);
  return kept[key] = dateSymbols(locale, type);
}

std::string nameAt(const std::string& locale, bool months, bool standAlone, int index) {
  const std::vector<std::string>& names = namesOf(locale, months, standAlone);
  // ICU's weekdays start at index 1 = Sunday.
  const int i = months ? index : (index + 1) % 7 + 1;
  return i >= 0 && i < static_cast<int>(names.size()) ? names[i] : std::string();
}

// A locale's language or country: its code, or its name in a display locale.
using TlocalePart = int32_t (*)(const char*, char*, int32_t, UErrorCode*);
std::string localeCode(const std::string& locale, TlocalePart part) {
  char buffer[64];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = part(locale.c_str(), buffer, sizeof buffer, &status);
  return U_SUCCESS(status) && n > 0 && n < int32_t(sizeof buffer) ? std::string(buffer, size_t(n)) : std::string();
}
using TlocaleName = int32_t (*)(const char*, const char*, UChar*, int32_t, UErrorCode*);
std::string localeDisplay(const std::string& locale, const char* in, TlocaleName part) {
  UChar buffer[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = part(locale.c_str(), in, buffer, 128, &status);
  return U_SUCCESS(status) && n <= 128 ? utf8(buffer, n) : std::string();
}
}  // namespace

std::string localeWord(LocaleWord word, int index) {
  const std::string locale = localeNameOf("LC_TIME");
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return "";
  switch (word) {
    case LocaleWord::Language: return localeDisplay(locale, locale.c_str(), icu.uloc_getDisplayLanguage);
    case LocaleWord::EnglishLanguage: return localeDisplay(locale, "en", icu.uloc_getDisplayLanguage);
    case LocaleWord::Country: return localeDisplay(locale, locale.c_str(), icu.uloc_getDisplayCountry);
    case LocaleWord::EnglishCountry: return localeDisplay(locale, "en", icu.uloc_getDisplayCountry);
    case LocaleWord::IsoLanguage: return localeCode(locale, icu.uloc_getLanguage);
    case LocaleWord::IsoCountry: return localeCode(locale, icu.uloc_getCountry);
    default: break;
  }
  std::vector<std::string> names;
  int i = index;
  switch (word) {
    case LocaleWord::Am: names = dateSymbols(locale, UDAT_AM_PMS), i = 0; break;
    case LocaleWord::Pm: names = dateSymbols(locale, UDAT_AM_PMS), i = 1; break;
    case LocaleWord::ShortDay:
      names = dateSymbols(locale, UDAT_SHORT_WEEKDAYS);
      i = index < 0 || index > 6 ? -1 : (index + 1) % 7 + 1;  // ICU's weekdays start at 1 = Sunday
      break;
    case LocaleWord::ShortMonth: names = dateSymbols(locale, UDAT_SHORT_MONTHS); break;
    default: break;
  }
  return i >= 0 && i < static_cast<int>(names.size()) ? names[i] : "";
}

const char* englishDayName(int index) { return index < 0 || index > 6 ? nullptr : kEnglishDayNames[index]; }
const char* englishMonthName(int index) { return index < 0 || index > 11 ? nullptr : kEnglishMonthNames[index]; }

std::string localeDayName(int index) {
  if (index < 0 || index > 6) return "";
  const std::string locale = localeNameOf("LC_TIME");
  return isUsEnglishLocale(locale) ? kEnglishDayNames[index] : nameAt(locale, false, false, index);
}
std::string localeMonthName(int index) {
  if (index < 0 || index > 11) return "";
  const std::string locale = localeNameOf("LC_TIME");
  return isUsEnglishLocale(locale) ? kEnglishMonthNames[index] : nameAt(locale, true, false, index);
}
}  // namespace platform

// ---- words of a named locale

namespace platform {
namespace {
std::string standAloneName(const std::string& locale, bool months, int index) {
  return nameAt(locale, months, true, index);
}

struct BundleCloser {
  void operator()(UResourceBundle* b) const { if (b) icuapi::calls().ures_close(b); }
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
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return "";
  // Stand-alone forms first, then the format forms that many locales alone provide.
  for (const char* context : {"stand-alone", "format"}) {
    UErrorCode status = U_ZERO_ERROR;
    Bundle node(icu.ures_open(nullptr, locale.c_str(), &status));
    for (const char* part : {"calendar", "gregorian", "dayPeriod", context, "wide", key.c_str()}) {
      if (U_FAILURE(status)) break;
      node.reset(icu.ures_getByKey(node.get(), part, nullptr, &status));
    }
    if (U_FAILURE(status)) continue;
    int32_t len = 0;
    const UChar* s = icu.ures_getString(node.get(), &len, &status);
    if (U_FAILURE(status) || !s || len == 0) continue;
    return utf8(s, len);
  }
  return "";
}

namespace {
std::string bundleString(UResourceBundle* b, const char* key) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  const UChar* s = icuapi::calls().ures_getStringByKey(b, key, &len, &status);
  return U_SUCCESS(status) ? utf8(s, len) : std::string();
}
int minutesOf(const std::string& hhmm) {
  return hhmm.size() == 5 ? std::atoi(hhmm.substr(0, 2).c_str()) * 60 + std::atoi(hhmm.substr(3, 2).c_str()) : -1;
}
}  // namespace

std::string dayPeriodAt(const std::string& locale, int minuteOfDay, bool exactOnly) {
  // The rules live apart from the names: "dayPeriods/locales/<language>" names a rule set,
  // "dayPeriods/rules/<set>/<period>" holds "at", or "from" and "before" (hh:mm).
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return "";
  UErrorCode status = U_ZERO_ERROR;
  Bundle all(icu.ures_openDirect(nullptr, "dayPeriods", &status));
  Bundle locales(icu.ures_getByKey(all.get(), "locales", nullptr, &status));
  if (U_FAILURE(status)) return "";
  const std::string language = localeCode(locale, icu.uloc_getLanguage);
  const std::string set = bundleString(locales.get(), language.c_str());
  if (set.empty()) return "";
  Bundle rules(icu.ures_getByKey(all.get(), "rules", nullptr, &status));
  Bundle mine(icu.ures_getByKey(rules.get(), set.c_str(), nullptr, &status));
  if (U_FAILURE(status)) return "";
  std::string covering;
  for (int32_t i = 0; i < icu.ures_getSize(mine.get()); ++i) {
    UErrorCode st = U_ZERO_ERROR;
    Bundle period(icu.ures_getByIndex(mine.get(), i, nullptr, &st));
    if (U_FAILURE(st)) continue;
    const std::string key = icu.ures_getKey(period.get());
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
  const auto& icu = icuapi::calls();
  if (word.empty() || !icu.loaded) return false;
  for (const char32_t c : toUtf32(word)) {
    UErrorCode status = U_ZERO_ERROR;
    if (!icu.u_isalpha(static_cast<UChar32>(c))) continue;
    return icu.uscript_getScript(static_cast<UChar32>(c), &status) == USCRIPT_LATIN;
  }
  return false;
}
}  // namespace platform
