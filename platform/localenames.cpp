// Day and month names of the user's locale: see localenames.h. The C and POSIX locales read as
// English (ICU's root locale would give "M01" month names).
#include "platform/localenames.h"

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <cstdlib>

namespace platform {
namespace {
icu::Locale timeLocale() {
  for (const char* v : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* s = std::getenv(v);
    if (s && *s) {
      std::string name = s;
      name = name.substr(0, name.find_first_of(".@"));
      if (name.empty() || name == "C" || name == "POSIX") return icu::Locale("en_US_POSIX");
      return icu::Locale(name.c_str());
    }
  }
  return icu::Locale("en_US_POSIX");
}

std::string nameAt(bool months, int index) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols syms(timeLocale(), status);
  if (U_FAILURE(status)) return "";
  int32_t count = 0;
  const icu::UnicodeString* names = months ? syms.getMonths(count) : syms.getWeekdays(count);
  // ICU's weekdays start at index 1 = Sunday.
  const int i = months ? index : (index + 1) % 7 + 1;
  if (!names || i < 0 || i >= count) return "";
  std::string out;
  names[i].toUTF8String(out);
  return out;
}
}  // namespace

std::string localeDayName(int index) { return index < 0 || index > 6 ? "" : nameAt(false, index); }
std::string localeMonthName(int index) { return index < 0 || index > 11 ? "" : nameAt(true, index); }
}  // namespace platform
