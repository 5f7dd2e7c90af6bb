// Seams of units_seams.h: stand-ins that follow the services object's own rules until the
// operations they stand for exist on `os`.
#include "core/units_seams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/r_base.h"

namespace unitsSeam {
namespace {
std::string osDecimal() { return os && !os->decimalseparator.empty() ? os->decimalseparator : "."; }
std::string osThousand() { return os && !os->thousandseparator.empty() ? os->thousandseparator : ","; }
}  // namespace

std::string wd(const std::string&, const std::string& term) { return term; }

double screenPPMM() { return 96.0 / 25.4; }

int32_t FadeColour(int32_t colour, int32_t target, double percent) {
  if (target < 0) return -1;
  if (!(percent <= 100)) percent = 100;
  if (percent < 0) percent = 0;
  int32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int c = (colour >> shift) & 0xFF, t = (target >> shift) & 0xFF;
    double v = std::nearbyint(c + (t - c) * percent / 100);
    if (v > 255) v = 255;
    result |= static_cast<int32_t>(v) << shift;
  }
  return result;
}

bool UKformatDecimals() { return os && os->UKformatDecimals; }
std::string decimalSeparator() { return UKformatDecimals() ? "." : osDecimal(); }
std::string thousandSeparator() { return UKformatDecimals() ? "," : osThousand(); }

std::string DoubleToStr(double d, int32_t decplaces) {
  if (decplaces < 0) decplaces = 0;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(decplaces), d);
  std::string s = buf;
  if (decplaces > 0) s.replace(s.size() - static_cast<size_t>(decplaces) - 1, 1, decimalSeparator());
  return s;
}

int32_t getdecplaces(double d, int32_t max) {
  if (max <= 0 || d - std::trunc(d) == 0) return 0;
  const std::string s = DoubleToStr(d, max);
  int32_t n = max;
  for (size_t i = s.size(); i > 0 && s[i - 1] == '0' && n > 0; --i) --n;
  return n;
}

std::string DoubleToString(double d, int32_t maxdecplaces) {
  return DoubleToStr(d, getdecplaces(d, maxdecplaces));
}

bool StrToDouble(const std::string& s, double& d) {
  if (s.empty()) return false;
  const std::string dec = decimalSeparator(), th = thousandSeparator();
  std::string w;
  for (size_t i = 0; i < s.size();) {
    if (!th.empty() && s.compare(i, th.size(), th) == 0) {
      i += th.size();
    } else if (!dec.empty() && s.compare(i, dec.size(), dec) == 0) {
      w += '.';
      i += dec.size();
    } else {
      w += s[i++];
    }
  }
  char* end = nullptr;
  d = std::strtod(w.c_str(), &end);
  return end && *end == '\0' && end != w.c_str();
}

int32_t StrToInt(const std::string& s) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return 0;
  return static_cast<int32_t>(v);
}
}  // namespace unitsSeam
