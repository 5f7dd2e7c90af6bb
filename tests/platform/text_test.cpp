// Case-blind comparison: the ASCII shortcut orders as ICU's case folding does, and text beyond
// ASCII still folds through ICU.
#include <gtest/gtest.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/localenames.h"
#include "platform/text.h"

namespace {
int noCaseSign(int v) { return (v > 0) - (v < 0); }
}  // namespace

TEST(TextNoCase, CompareOrdersAsCaseFolding) {
  struct Case {
    const char* id;
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"same", "DejaVu Sans", "dejavu sans", 0},
      {"empty", "", "", 0},
      {"empty first", "", "a", -1},
      {"prefix shorter", "Liberation", "liberation Sans", -1},
      {"prefix longer", "Liberation Sans", "LIBERATION", 1},
      {"letter order", "Arial", "bitstream", -1},
      // Upper-case letters fold down: '_' (0x5F) lies between 'Z' and 'a' and sorts before them.
      {"folded before punctuation", "_x", "Ax", -1},
      {"digit before letter", "9", "a", -1},
      {"non-ASCII equal", "Ägypten", "äGYPTEN", 0},
      {"non-ASCII after ASCII prefix", "Straße", "STRASSE", 0},
      {"non-ASCII tail longer", "Caf", "Café", -1},
      {"ASCII difference before non-ASCII", "Zé", "aé", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(noCaseSign(platform::compareNoCase(c.a, c.b)), c.sign);
    EXPECT_EQ(noCaseSign(platform::compareNoCase(c.b, c.a)), -c.sign);
    EXPECT_EQ(platform::sameNoCase(c.a, c.b), c.sign == 0);
  }
}

// The C locale and US English take their day and month names and number separators from our own
// tables: they must be what ICU gives for the same locale, whichever variable names it.
TEST(TextLocaleWords, EnglishShortcutMatchesIcu) {
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  };
  std::vector<Saved> saved;
  for (const char* v : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"}) {
    const char* s = std::getenv(v);
    saved.push_back({v, s ? std::optional<std::string>(s) : std::nullopt});
  }
  auto icuText = [](const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
  };
  const struct {
    const char* variable;
    const char* value;
    const char* icuLocale;
  } cases[] = {{"LANG", "C", "en_US_POSIX"},         {"LC_ALL", "POSIX", "en_US_POSIX"},
               {"LANG", "C.UTF-8", "en_US_POSIX"},   {"LANG", "en_US.UTF-8", "en_US"},
               {"LC_ALL", "en_US", "en_US"},         {"LANG", "de_DE.UTF-8", "de_DE"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
    for (const Saved& s : saved) unsetenv(s.name);
    setenv(c.variable, c.value, 1);
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols dates(icu::Locale(c.icuLocale), status);
    icu::DecimalFormatSymbols numbers(icu::Locale(c.icuLocale), status);
    ASSERT_TRUE(U_SUCCESS(status));
    int32_t count = 0;
    const icu::UnicodeString* days = dates.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(platform::localeDayName(i), icuText(days[(i + 1) % 7 + 1])) << i;
    const icu::UnicodeString* months = dates.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(platform::localeMonthName(i), icuText(months[i])) << i;
    EXPECT_EQ(platform::localeDecimalSeparator(),
              icuText(numbers.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol)));
    EXPECT_EQ(platform::localeThousandSeparator(),
              icuText(numbers.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol)));
  }
  for (const Saved& s : saved) {
    if (s.value) setenv(s.name, s.value->c_str(), 1);
    else unsetenv(s.name);
  }
}
