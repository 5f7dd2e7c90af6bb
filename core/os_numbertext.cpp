// Number, boolean and colour text: see os_numbertext.h.
// Real numbers are written with std::to_chars (exact value, the last decimal rounded half to even)
// and read with std::from_chars after our own syntax check, so the process locale never matters.
#include "core/os_numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "core/os_text.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace {
constexpr int kMaxDecimals = 350;           // beyond this no double has further digits to show
constexpr int32_t kIntFailure = -99999999;  // what the integer reader answers for a non-number
constexpr int64_t kCardinalFailure = -9999999;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string fixedText(double d, int n) {
  if (std::isnan(d)) return "NAN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  n = std::clamp(n, 0, kMaxDecimals);
  char buf[320 + kMaxDecimals];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, n);
  std::string out(buf, r.ptr);
  // A negative value that rounds to zero is written without its sign.
  if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  return out;
}

// The run-time library's real syntax over the whole text: blanks, a sign, digits with an optional
// "." and fraction (at least one digit), an optional exponent. Overflow is not a number.
bool parseReal(std::string_view t, double& d) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  double v = 0;
  auto r = std::from_chars(t.data() + start, t.data() + t.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Tiny values read as zero; huge ones are not numbers.
    std::string_view body = t.substr(start);
    auto e = body.find_first_of("eE");
    long exp10 = 0;
    if (e != std::string_view::npos) {
      // Saturated far beyond any double's range, so no exponent text can overflow the sum below.
      constexpr long kExpCap = 100000;
      std::string_view es = body.substr(e + 1);
      const bool expNegative = !es.empty() && es[0] == '-';
      if (!es.empty() && (es[0] == '+' || es[0] == '-')) es.remove_prefix(1);
      for (char c : es) exp10 = std::min(kExpCap, exp10 * 10 + (c - '0'));
      if (expNegative) exp10 = -exp10;
      body = body.substr(0, e);
    }
    // The value is 0.ddd x 10^(magnitude + exp10); leading zeros do not count.
    const auto dot = body.find('.');
    const auto firstNonZero = body.find_first_of("123456789");
    const size_t intEnd = dot == std::string_view::npos ? body.size() : dot;
    long magnitude = 0;
    if (firstNonZero != std::string_view::npos)
      magnitude = firstNonZero < intEnd ? static_cast<long>(intEnd - firstNonZero)
                                        : -static_cast<long>(firstNonZero - dot - 1);
    if (magnitude + exp10 > 0) return false;
    v = 0;
  } else if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
    return false;
  }
  d = negative ? -v : v;
  return true;
}

// The display form in file form: the locale's decimal separator becomes ".", its thousands
// separator is dropped where it groups the integer digits and makes the text fail elsewhere.
bool displayToFileForm(std::string_view s, const std::string& dec, const std::string& thou, std::string& out) {
  std::vector<size_t> groupMarks;  // positions in out where a thousands separator stood
  out.clear();
  for (size_t i = 0; i < s.size();) {
    if (!dec.empty() && s.substr(i, dec.size()) == dec) {
      out += '.';
      i += dec.size();
    } else if (!thou.empty() && s.substr(i, thou.size()) == thou) {
      groupMarks.push_back(out.size());
      i += thou.size();
    } else {
      out += s[i++];
    }
  }
  if (groupMarks.empty()) return true;
  size_t intStart = 0;
  while (intStart < out.size() && out[intStart] == ' ') ++intStart;
  if (intStart < out.size() && (out[intStart] == '+' || out[intStart] == '-')) ++intStart;
  size_t intEnd = intStart;
  while (intEnd < out.size() && isDigit(out[intEnd])) ++intEnd;
  // Groups: the first of 1 to 3 digits, middle ones of 2 or 3 (as some locales group), the last of 3.
  size_t prev = intStart;
  for (size_t k = 0; k < groupMarks.size(); ++k) {
    size_t p = groupMarks[k];
    if (p <= intStart || p >= intEnd) return false;
    size_t len = p - prev;
    if (k == 0 ? (len < 1 || len > 3) : (len < 2 || len > 3)) return false;
    prev = p;
  }
  return intEnd - prev == 3;
}

bool parseInteger(std::string_view s, bool wide, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16, i += 2;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    base = 16, ++i;
  }
  if (i >= s.size()) return false;
  uint64_t v = 0;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), v, base);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  if (base == 16) {
    // Hex digits fill the whole width: $FFFFFFFF is -1.
    if (!wide && v > std::numeric_limits<uint32_t>::max()) return false;
    int64_t sv = wide ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    out = negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(sv)) : sv;
    return true;
  }
  const uint64_t limit = wide ? static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                              : static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  if (v > limit + (negative ? 1 : 0)) return false;
  out = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

std::string lowerTrimmed(const std::string& s) { return platform::lowerCase(TosText::Trim(s)); }

int indexOfPart(const TStringList* list, const std::string& text, bool names) {
  if (!list) return -1;
  const std::string want = platform::lowerCase(text);
  for (int i = 0; i < list->count(); ++i) {
    const std::string& line = (*list)[i];
    auto eq = line.find('=');
    std::string part = names ? (eq == std::string::npos ? std::string() : line.substr(0, eq))
                             : (eq == std::string::npos ? std::string() : line.substr(eq + 1));
    if (lowerTrimmed(part) == want) return i;
  }
  return -1;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Reals as text

std::string TosNumberText::DoubleToStr(double d, int decplaces, const std::string& separator) const {
  std::string t = fixedText(d, decplaces);
  if (decplaces > 0) {
    auto dot = t.find('.');
    if (dot != std::string::npos) t.replace(dot, 1, separator);
  }
  return t;
}

std::string TosNumberText::DoubleToStr(double d, int decplaces) const {
  if (UKformatDecimals) return DoubleToStrUK(d, decplaces);
  return DoubleToStr(d, decplaces, decimalseparator);
}

std::string TosNumberText::DoubleToStrUK(double d, int decplaces) const { return DoubleToStr(d, decplaces, "."); }

int TosNumberText::getdecplaces(double d, int max) const {
  if (max <= 0 || platform::Frac(d) == 0.0) return 0;
  int n = std::min(max, kMaxDecimals);
  std::string t = DoubleToStr(d, n);
  for (size_t i = t.size(); i > 0 && n > 0 && t[i - 1] == '0'; --i) --n;
  return n;
}

std::string TosNumberText::DoubleToString(double d, int maxdecplaces, const std::string& separator) const {
  return DoubleToStr(d, getdecplaces(d, maxdecplaces), separator);
}

std::string TosNumberText::DoubleToString(double d, int maxdecplaces) const {
  return DoubleToStr(d, getdecplaces(d, maxdecplaces));
}

std::string TosNumberText::DoubleToStringUK(double d, int maxdecplaces) const {
  return DoubleToStrUK(d, getdecplaces(d, maxdecplaces));
}

// ---------------------------------------------------------------------------------------------
// Text as reals

bool TosNumberText::StrToDouble(std::string_view s, double& d) const {
  if (UKformatDecimals) return StrToDoubleUK(s, d);
  if (s.empty()) return false;
  std::string work;
  if (displayToFileForm(s, decimalseparator, thousandseparator, work) && parseReal(work, d)) return true;
  d = 0;
  return false;
}

double TosNumberText::StrToDouble(std::string_view s) const {
  double d = 0;
  return StrToDouble(s, d) ? d : 0.0;
}

bool TosNumberText::StrToDoubleUK(std::string_view s, double& d) const {
  if (s.empty()) return false;
  if (s.find(',') == std::string_view::npos && parseReal(s, d)) return true;
  d = 0;
  return false;
}

double TosNumberText::StrToDoubleUK(std::string_view s) const {
  double d = 0;
  return StrToDoubleUK(s, d) ? d : 0.0;
}

bool TosNumberText::IsNumeric(std::string_view s) const {
  double d = 0;
  return StrToDouble(s, d);
}

// ---------------------------------------------------------------------------------------------
// Whole numbers

int32_t TosNumberText::StrToInt(std::string_view s) {
  int64_t v = 0;
  return parseInteger(s, false, v) ? static_cast<int32_t>(v) : 0;
}

bool TosNumberText::StrToInt(std::string_view s, int32_t& i) {
  int64_t v = 0;
  i = parseInteger(s, false, v) ? static_cast<int32_t>(v) : kIntFailure;
  return i != kIntFailure;
}

std::string TosNumberText::CardinalToStr(uint32_t c) { return std::to_string(c); }

uint32_t TosNumberText::StrToCardinal(std::string_view s) {
  int64_t v = 0;
  if (!parseInteger(s, true, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return static_cast<uint32_t>(static_cast<uint64_t>(v));
}

bool TosNumberText::StrToCardinal(std::string_view s, uint32_t& c) {
  int64_t v = 0;
  if (!parseInteger(s, true, v)) v = kCardinalFailure;
  if (v == kCardinalFailure || v < 0) return false;
  c = static_cast<uint32_t>(static_cast<uint64_t>(v));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Colours and booleans

int32_t TosNumberText::strToRGB(std::string s) {
  int32_t rgb = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::string field = TosText::GetnextEx(s, ',');
    int32_t v = field.empty() ? 0 : StrToInt(field);
    rgb |= (v & 0xFF) << shift;
  }
  return rgb;
}

bool TosNumberText::StrAsBool(std::string_view value) {
  std::string v = platform::lowerCase(value);
  return v == "yes" || v == "true" || v == "1" || v == "y" || v == "t";
}

std::string TosNumberText::fuzzyBoolAsStr(uint8_t value) {
  switch (value) {
    case fuzFalse: return "no";
    case fuzTrue: return "yes";
    case fuzNone: return "unknown";
    case fuzMaybe: return "maybe";
    default: return "";
  }
}

uint8_t TosNumberText::StrAsFuzzyBool(std::string_view value) {
  std::string v = platform::lowerCase(value);
  if (StrAsBool(v)) return fuzTrue;
  if (v == "no" || v == "false" || v == "0" || v == "n" || v == "f") return fuzFalse;
  if (v == "maybe") return fuzMaybe;
  return fuzNone;
}

bool TosNumberText::isEqual(double a, double b, double snap) {
  if (std::isnan(a) || std::isnan(b)) return true;
  return std::fabs(a - b) < snap;
}

// ---------------------------------------------------------------------------------------------
// name=value access

int TosNumberText::IndexOfKey(const TStringList* list, const std::string& key) { return indexOfPart(list, key, true); }

int TosNumberText::IndexOfValue(const TStringList* list, const std::string& value) {
  return indexOfPart(list, value, false);
}

void TosNumberText::clearKey(TStringList* list, const std::string& key) {
  int i = IndexOfKey(list, key);
  if (i >= 0) list->remove(i);
}

std::string TosNumberText::ReadS(const TStringList* list, const std::string& key, const std::string& def) {
  int i = IndexOfKey(list, key);
  return i < 0 ? def : TosText::Trim(TStringList::valueOf((*list)[i]));
}

std::string TosNumberText::ReadS(const std::string& text, const std::string& key, const std::string& def) {
  TStringList l;
  l.setText(text);
  return ReadS(&l, key, def);
}

double TosNumberText::ReadD(const TStringList* list, const std::string& key, double def) const {
  return StrToDouble(ReadS(list, key, DoubleToStr(def)));
}

double TosNumberText::ReadDUK(const TStringList* list, const std::string& key, double def) const {
  return StrToDoubleUK(ReadS(list, key, DoubleToStrUK(def)));
}

int32_t TosNumberText::ReadI(const TStringList* list, const std::string& key, int32_t def) {
  return StrToInt(ReadS(list, key, std::to_string(def)));
}

uint32_t TosNumberText::ReadC(const TStringList* list, const std::string& key, uint32_t def) {
  return StrToCardinal(ReadS(list, key, CardinalToStr(def)));
}

int32_t TosNumberText::readRGB(const TStringList* list, const std::string& key, int32_t def) {
  std::string s = ReadS(list, key, "");
  int32_t rgb = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::string field = TosText::GetnextEx(s, ',');
    int32_t v = field.empty() ? (def >> shift) : StrToInt(field);
    rgb |= (v & 0xFF) << shift;
  }
  return rgb;
}

void TosNumberText::WriteS(TStringList* list, const std::string& key, const std::string& value) {
  if (!list) return;
  int i = IndexOfKey(list, key);
  if (i < 0) {
    list->add(key + "=" + value);
  } else {
    (*list)[i] = key + "=" + value;
    if (list->onChange) list->onChange();  // one notification, as for an add
  }
}

void TosNumberText::WriteS(std::string& text, const std::string& key, const std::string& value) {
  TStringList l;
  l.setText(text);
  WriteS(&l, key, value);
  text = l.text();
}

void TosNumberText::WriteI(TStringList* list, const std::string& key, int32_t value) {
  WriteS(list, key, std::to_string(value));
}

void TosNumberText::WriteDUK(TStringList* list, const std::string& key, double value) const {
  WriteS(list, key, DoubleToStrUK(value));
}

// ---------------------------------------------------------------------------------------------
// Sorting and shortening

void TosNumberText::numberSort(TStringList* list, bool alphaSort) const {
  if (!list || list->count() < 2) return;
  std::vector<double> numbers;
  std::vector<std::string> others;
  bool fractional = false;
  for (const auto& line : list->lines()) {
    double d = 0;
    if (StrToDouble(line, d)) {
      // After the numbers already collected that are equal or smaller.
      numbers.insert(std::upper_bound(numbers.begin(), numbers.end(), d), d);
      if (platform::Frac(d) != 0.0) fractional = true;
    } else {
      others.push_back(line);
    }
  }
  if (alphaSort)
    std::stable_sort(others.begin(), others.end(),
                     [](const std::string& a, const std::string& b) { return platform::compareNoCase(a, b) < 0; });
  auto onChange = std::move(list->onChange);
  list->onChange = nullptr;
  list->clear();
  for (double d : numbers) list->add(fractional ? DoubleToString(d, 12) : std::to_string(platform::Round(d)));
  for (const auto& o : others) list->add(o);
  list->onChange = std::move(onChange);
  if (list->onChange) list->onChange();
}

std::string TosNumberText::shortenedFilename(const std::function<int(const std::string&)>& textWidth, int maxwidth,
                                             const std::string& filename) {
  if (filename.empty()) return "";
  std::string drive;
  if (filename.size() >= 2 && filename[1] == ':') drive = filename.substr(0, 2);
  auto slash = filename.rfind('/');
  std::string name = slash == std::string::npos ? filename.substr(drive.size()) : filename.substr(slash + 1);
  std::string dir = slash == std::string::npos ? std::string() : filename.substr(drive.size(), slash + 1 - drive.size());
  std::string result = filename;
  while ((!dir.empty() || !drive.empty()) && textWidth(result) > maxwidth) {
    if (dir == "/.../") {
      drive.clear();
      dir = ".../";
    } else if (dir.empty()) {
      drive.clear();
    } else if (dir == "/") {
      dir.clear();
    } else {
      // The first folder gives way to "...": /a/b/ becomes /.../b/, then /.../, then .../
      bool root = dir[0] == '/';
      std::string rest = root ? dir.substr(1) : dir;
      if (rest.compare(0, 4, ".../") == 0) rest.erase(0, 4);
      auto p = rest.find('/');
      rest = p == std::string::npos ? std::string() : ".../" + rest.substr(p + 1);
      dir = root ? "/" + rest : rest;
    }
    result = drive + dir + name;
  }
  return result;
}
