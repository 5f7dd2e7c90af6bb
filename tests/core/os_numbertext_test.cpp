// Number, boolean and colour text in file form and in the display forms of two locales.
#include "core/os_numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/r_base.h"

namespace {
TosNumberText locale(const char* dec, const char* thou) {
  TosNumberText t;
  t.decimalseparator = dec;
  t.thousandseparator = thou;
  return t;
}

const TosNumberText english = locale(".", ",");
const TosNumberText german = locale(",", ".");

TEST(TosNumberText, FixedPointText) {
  struct Case { const char* id; double d; int n; const char* sep; const char* out; } cases[] = {
      {"halves to even", 2.5, 0, ",", "2"},
      {"three and a half", 3.5, 0, ",", "4"},
      {"comma separator", 3.14159, 2, ",", "3,14"},
      {"padded decimals", 1234.5, 3, ",", "1234,500"},
      {"no grouping", 1234567.25, 1, ".", "1234567.2"},
      {"negative", -0.125, 2, ".", "-0.12"},
      {"negative zero loses its sign", -0.0001, 2, ".", "0.00"},
      {"multi-byte separator", 1.5, 1, "\u066B", "1\u066B5"},
      {"not a number", std::nan(""), 2, ".", "NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(english.DoubleToStr(c.d, c.n, c.sep), c.out);
  }
  EXPECT_EQ(german.DoubleToStr(1.5, 3), "1,500");
  EXPECT_EQ(german.DoubleToStrUK(1.5, 3), "1.500");
  EXPECT_EQ(german.DoubleToStrUK(0.5), "0.500000");
  TosNumberText uk = german;
  uk.UKformatDecimals = true;
  EXPECT_EQ(uk.DoubleToStr(1.5, 1), "1.5");
}

TEST(TosNumberText, DecimalsNeededDropTrailingZeros) {
  EXPECT_EQ(english.DoubleToString(2.50, 4), "2.5");
  EXPECT_EQ(english.DoubleToString(7, 4), "7");
  EXPECT_EQ(english.getdecplaces(0.1 + 0.2), 1);
  EXPECT_EQ(english.getdecplaces(3.0000001, 3), 0);
  EXPECT_EQ(english.getdecplaces(2.5, 0), 0);
  EXPECT_EQ(german.DoubleToString(-0.25, 6), "-0,25");
  EXPECT_EQ(german.DoubleToStringUK(-0.25, 6), "-0.25");
}

TEST(TosNumberText, ParsingRealsInBothForms) {
  constexpr double kFail = -12345;  // marks "no number"
  const std::string zerosThenTiny = std::string(400, '0') + "1e-400";
  struct Case { const char* id; const TosNumberText* form; const char* s; bool uk; double out; } cases[] = {
      {"file form full stop, German", &german, "0.5", true, 0.5},
      {"file form comma rejected", &german, "1,5", true, kFail},
      {"file form grouped rejected", &english, "1,234.5", true, kFail},
      {"file form exponent", &german, "-2.5e3", true, -2500},
      {"German display grouped", &german, "1.234,5", false, 1234.5},
      {"German display comma", &german, "1,5", false, 1.5},
      {"German display full stop is not a group", &german, "1.5", false, kFail},
      {"English display grouped", &english, "1,234.5", false, 1234.5},
      {"English display groups of three only", &english, "1,5", false, kFail},
      {"English display grouping in the fraction", &english, "1.234,567", false, kFail},
      {"lakh grouping", &english, "12,34,567", false, 1234567},
      {"leading blanks", &english, "  42", false, 42},
      {"trailing blank", &english, "42 ", false, kFail},
      {"trailing letter", &english, "42a", false, kFail},
      {"sign and exponent", &english, "+1.5E-2", false, 0.015},
      {"bare point", &english, ".", false, kFail},
      {"leading point", &english, ".5", false, 0.5},
      {"infinity words", &english, "inf", false, kFail},
      {"overflow", &english, "1e400", false, kFail},
      {"underflow reads as zero", &english, "1e-400", false, 0},
      {"exponent at the largest integer", &english, "11e9223372036854775807", false, kFail},
      {"exponent past any integer", &english, "0.1e99999999999999999999", true, kFail},
      {"tiny exponent past any integer", &english, "1e-99999999999999999999", true, 0},
      {"leading zeros make nothing huge", &english, zerosThenTiny.c_str(), true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    double d = 99;
    bool ok = c.uk ? c.form->StrToDoubleUK(c.s, d) : c.form->StrToDouble(c.s, d);
    EXPECT_EQ(ok, c.out != kFail);
    if (ok) {
      EXPECT_DOUBLE_EQ(d, c.out);
    }
    EXPECT_DOUBLE_EQ(c.uk ? c.form->StrToDoubleUK(c.s) : c.form->StrToDouble(c.s), ok ? c.out : 0.0);
  }
  double d = 7;
  EXPECT_FALSE(english.StrToDouble("", d));
  EXPECT_EQ(d, 7);  // an empty text leaves the value alone
  EXPECT_TRUE(english.IsNumeric("-3"));
}

TEST(TosNumberText, WholeNumbers) {
  struct Case { const char* s; bool ok; int32_t v; } cases[] = {
      {"42", true, 42}, {" -7", true, -7}, {"$FF", true, 255}, {"0x10", true, 16}, {"$FFFFFFFF", true, -1},
      {"abc", false, -99999999}, {"-99999999", false, -99999999}, {"2147483648", false, -99999999},
      {"1.0", false, -99999999}, {"", false, -99999999}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    int32_t i = 5;
    EXPECT_EQ(TosNumberText::StrToInt(c.s, i), c.ok);
    EXPECT_EQ(i, c.v);
    EXPECT_EQ(TosNumberText::StrToInt(c.s), c.ok || std::string(c.s) == "-99999999" ? c.v : 0);
  }
  uint32_t c = 9;
  EXPECT_FALSE(TosNumberText::StrToCardinal("-1", c));
  EXPECT_EQ(c, 9u);
  EXPECT_TRUE(TosNumberText::StrToCardinal("4294967296", c));
  EXPECT_EQ(c, 0u);
  EXPECT_EQ(TosNumberText::StrToCardinal("4294967295"), 4294967295u);
  EXPECT_THROW((void)TosNumberText::StrToCardinal("x1y"), EConvertError);
}

TEST(TosNumberText, ColoursAndBooleans) {
  EXPECT_EQ(TosNumberText::strToRGB("255,128"), 0x0080FF);
  EXPECT_EQ(TosNumberText::strToRGB(" 300 , x ,1"), 0x01002C);
  TStringList l;
  l.add("col=10,20");
  EXPECT_EQ(TosNumberText::readRGB(&l, "col", 0xFF0000), 10 + 20 * 256 + 0xFF * 65536);
  EXPECT_EQ(TosNumberText::readRGB(&l, "missing", 0x123456), 0x123456);

  struct B { const char* s; bool b; uint8_t fuzzy; } cases[] = {
      {"Yes", true, fuzTrue}, {"T", true, fuzTrue}, {" yes", false, fuzNone}, {"no", false, fuzFalse},
      {"F", false, fuzFalse}, {"maybe", false, fuzMaybe}, {"unknown", false, fuzNone}, {"", false, fuzNone}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(TosNumberText::StrAsBool(c.s), c.b);
    EXPECT_EQ(TosNumberText::StrAsFuzzyBool(c.s), c.fuzzy);
  }
  EXPECT_EQ(TosNumberText::fuzzyBoolAsStr(fuzNone), "unknown");
  EXPECT_EQ(TosNumberText::fuzzyBoolAsStr(7), "");
  EXPECT_TRUE(TosNumberText::isEqual(1, 1 + 1e-7));
  EXPECT_FALSE(TosNumberText::isEqual(1, 1.001));
  EXPECT_TRUE(TosNumberText::isEqual(1, std::nan("")));
}

TEST(TosNumberText, NameValueAccess) {
  TStringList l;
  l.add(" Width =5");
  l.add("height=2.5");
  l.add("=lonely");
  EXPECT_EQ(TosNumberText::IndexOfKey(&l, "width"), 0);
  EXPECT_EQ(TosNumberText::IndexOfKey(&l, " width"), -1);
  EXPECT_EQ(TosNumberText::IndexOfKey(nullptr, "width"), -1);
  EXPECT_EQ(TosNumberText::IndexOfValue(&l, "LONELY"), 2);
  EXPECT_EQ(TosNumberText::ReadI(&l, "width", 9), 5);
  EXPECT_EQ(TosNumberText::ReadI(&l, "depth", 9), 9);
  EXPECT_DOUBLE_EQ(german.ReadDUK(&l, "height", 1), 2.5);
  EXPECT_DOUBLE_EQ(german.ReadDUK(&l, "depth", 0.25), 0.25);  // the default survives a German locale
  EXPECT_DOUBLE_EQ(german.ReadD(&l, "depth", 0.25), 0.25);

  int changes = 0;
  l.onChange = [&] { ++changes; };
  TosNumberText::WriteS(&l, "WIDTH", "7");
  EXPECT_EQ(l[0], "WIDTH=7");
  EXPECT_EQ(changes, 1);
  german.WriteDUK(&l, "ratio", 0.5);
  EXPECT_EQ(l[3], "ratio=0.500000");
  TosNumberText::clearKey(&l, "height");
  EXPECT_EQ(l.count(), 3);

  std::string text = "a=1\r\nb=2\r\n";
  TosNumberText::WriteS(text, "b", "3");
  EXPECT_EQ(text, "a=1\r\nb=3\r\n");
  EXPECT_EQ(TosNumberText::ReadS(text, "B", "-"), "3");
  TStringList bad;
  bad.add("n=abc");
  EXPECT_THROW((void)TosNumberText::ReadC(&bad, "n", 1), EConvertError);
  EXPECT_EQ(TosNumberText::ReadC(&bad, "m", 4000000000u), 4000000000u);
}

TEST(TosNumberText, NumberSort) {
  struct Case { const char* id; std::vector<std::string> in; bool alpha; std::vector<std::string> out; } cases[] = {
      {"mixed", {"b", "10", "2", "a", "2.5"}, false, {"2", "2.5", "10", "b", "a"}},
      {"mixed sorted", {"b", "10", "2", "a", "2.5"}, true, {"2", "2.5", "10", "a", "b"}},
      {"whole", {"3", "1"}, false, {"1", "3"}},
      {"negative fraction", {"2", "-1.5"}, false, {"-1.5", "2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TStringList l;
    for (const auto& s : c.in) l.add(s);
    english.numberSort(&l, c.alpha);
    EXPECT_EQ(l.lines(), c.out);
  }
}

TEST(TosNumberText, ShortenedFilename) {
  auto width = [](const std::string& s) { return static_cast<int>(s.size()); };
  EXPECT_EQ(TosNumberText::shortenedFilename(width, 10, ""), "");
  EXPECT_EQ(TosNumberText::shortenedFilename(width, 100, "/home/ann/maps/a.png"), "/home/ann/maps/a.png");
  EXPECT_EQ(TosNumberText::shortenedFilename(width, 16, "/home/ann/maps/a.png"), "/.../maps/a.png");
  EXPECT_EQ(TosNumberText::shortenedFilename(width, 9, "/home/ann/maps/a.png"), ".../a.png");
  EXPECT_EQ(TosNumberText::shortenedFilename(width, 1, "/home/ann/maps/a.png"), "a.png");
}

// The locale reaches `os` through the environment only; the process locale is never set.
TEST(TosNumberText, OsTakesTheUserLocaleSeparators) {
  struct Case { const char* locale; const char* dec; const char* thou; double half; } cases[] = {
      {"de_DE.UTF-8", ",", ".", 0.5}, {"C.UTF-8", ".", ",", 0.5}};
  const char* saved = std::getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    setenv("LC_ALL", c.locale, 1);
    createOs();
    EXPECT_EQ(os->decimalseparator, c.dec);
    EXPECT_EQ(os->thousandseparator, c.thou);
    EXPECT_DOUBLE_EQ(os->StrToDoubleUK("0.5"), c.half);
    EXPECT_EQ(os->DoubleToStrUK(0.5, 1), "0.5");
    double d = 0;
    EXPECT_FALSE(os->StrToDoubleUK("1,5", d));
    freeOs();
  }
  if (saved) setenv("LC_ALL", keep.c_str(), 1);
  else unsetenv("LC_ALL");
}
}  // namespace
