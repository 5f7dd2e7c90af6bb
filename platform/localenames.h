// The user's locale's full names of weekdays and months (LC_ALL, LC_TIME, LANG), through ICU.
// Implemented: [x] full day and month names [x] the same in a named locale, day periods and
// the script (for the words database) [x] abbreviated forms, AM/PM, language and country names
#pragma once
#include <string>

namespace platform {
// index 0 = Monday .. 6 = Sunday; empty outside.
std::string localeDayName(int index);
// index 0 = January .. 11 = December; empty outside.
std::string localeMonthName(int index);
// The English names, whatever the locale (the same index ranges; nil outside).
const char* englishDayName(int index);
const char* englishMonthName(int index);

// Other words of the user's locale. Language and country names are given in the locale's own
// language, or in English; the ISO codes are its two-letter language and country codes.
enum class LocaleWord {
  Language, EnglishLanguage, Country, EnglishCountry, IsoLanguage, IsoCountry, Am, Pm, ShortDay, ShortMonth
};
// index: 0 = Monday .. 6 for ShortDay, 0 = January .. 11 for ShortMonth, else unused; empty
// when the locale has no such word.
std::string localeWord(LocaleWord, int index = 0);

// The same words in a named locale ("de", "pt_BR"), stand-alone forms as a word list shows them.
std::string dayNameIn(const std::string& locale, int index);
std::string monthNameIn(const std::string& locale, int index);
// A stand-alone wide day period of the locale's calendar data by its key ("morning1", "noon",
// "afternoon2", ...); empty when the locale has none of its own.
std::string dayPeriodIn(const std::string& locale, const std::string& key);
// The name of the locale's day period at a moment of the day (minutes after midnight): a period
// that falls exactly on that moment ("noon", "midnight"), else, when `exactOnly` is not set, the
// period whose span holds it. Empty when the locale has no rules or no such period.
std::string dayPeriodAt(const std::string& locale, int minuteOfDay, bool exactOnly);
// Whether the locale writes its words in Latin letters.
bool usesLatinScript(const std::string& locale);
}  // namespace platform
