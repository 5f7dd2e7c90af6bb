// TdataBuilder: "words.db", the translated words of the labels, the hours strip and the pages
// (weekday and month names and the parts of the day), from the locale data of ICU/CLDR.
#include "data/TdataBuilder.h"
#include "data/dbwrite.h"
#include "platform/localenames.h"
#include "platform/text.h"

#include <vector>

namespace kdata {
namespace {
struct Tlanguage {
  const char* locale;
  const char* name;  // the name the settings page lists and the words are keyed by
};
const Tlanguage kLanguages[] = {
    {"en", "English"},   {"de", "German"},  {"fr", "French"},     {"es", "Spanish"}, {"it", "Italian"},
    {"nl", "Dutch"},     {"pt", "Portuguese"}, {"pl", "Polish"},  {"sv", "Swedish"}, {"da", "Danish"},
    {"nb", "Norwegian"}, {"fi", "Finnish"}, {"ru", "Russian"},    {"el", "Greek"},   {"ja", "Japanese"},
    {"zh", "Chinese"},
};
const char* const kDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
// The parts of the day, as the locale's own day periods at a typical moment of each.
std::vector<std::pair<const char*, std::string>> dayParts(const std::string& locale) {
  const auto at = [&](int hour, bool exactOnly) { return platform::dayPeriodAt(locale, hour * 60, exactOnly); };
  const std::string afternoon = at(15, false), evening = at(18, false);
  // Noon: a moment of its own, else a midday period of its own ("Mittag"), else none.
  std::string noon = at(12, true);
  if (noon.empty() && at(12, false) != afternoon) noon = at(12, false);
  // Night: late in the evening, unless the evening runs to midnight there.
  std::string night = at(23, false);
  if (night == evening) night = at(2, false);
  return {{"Morning", at(9, false)}, {"Noon", noon},   {"Afternoon", afternoon},
          {"Evening", evening},      {"Night", night}, {"Midnight", at(0, true)}};
}

// Word lists show words as headings: a capital first letter where the script has capitals.
std::string capitalised(const std::string& word) {
  if (word.empty()) return word;
  const std::u32string u = platform::toUtf32(word);
  return platform::upperCase(platform::fromCodePoint(u[0])) + platform::fromUtf32(std::u32string_view(u).substr(1));
}
}  // namespace

// Steps: a: tables, b: languages, c: words.
bool TdataBuilder::buildWords() {
  TprocScope proc(*this, "buildWords");
  seterr("a");
  TdbWrite db;
  if (!db.create(fopt.target + "words.db") ||
      !db.exec("CREATE TABLE `languages` (`name` TEXT, `latin` TEXT)") ||
      !db.exec("CREATE TABLE `words` (`language` TEXT, `english` TEXT, `word` TEXT)"))
    return fail(db.error());
  for (const auto& lang : kLanguages) {
    seterr("b");
    // The settings page lists "English" of its own before the table's languages.
    const bool english = std::string(lang.name) == "English";
    if (!english && !db.insert("languages", {std::string(lang.name), std::string(platform::usesLatinScript(lang.locale) ? "yes" : "no")}))
      return fail(db.error());
    seterr("c");
    auto add = [&](const char* english, const std::string& word) {
      if (word.empty()) return true;  // untranslatable words stay out: they read as empty
      return db.insert("words", {std::string(lang.name), std::string(english), capitalised(word)});
    };
    for (int i = 0; i < 7; ++i)
      if (!add(kDays[i], platform::dayNameIn(lang.locale, i))) return fail(db.error());
    for (int i = 0; i < 12; ++i)
      if (!add(kMonths[i], platform::monthNameIn(lang.locale, i))) return fail(db.error());
    for (const auto& [english, word] : dayParts(lang.locale))
      if (!add(english, word)) return fail(db.error());
  }
  if (!db.exec("CREATE INDEX `words by language` ON `words` (`language`, `english`)") || !db.finish())
    return fail(db.error());
  return true;
}

}  // namespace kdata
