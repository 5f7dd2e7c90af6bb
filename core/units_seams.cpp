// Seams of units_seams.h: the number texts, the translation hook and the screen's pixels per
// millimetre forward to `os`; the colour fade stands in until `os` has it.
#include "core/units_seams.h"

#include <cmath>

#include "core/r_base.h"

namespace unitsSeam {
namespace {
// Without a services object the number texts follow the file form's separators.
const TosNumberText& numberText() {
  static const TosNumberText plain;
  if (os) return *os;
  return plain;
}
}  // namespace

std::string wd(const std::string& group, const std::string& term) { return os ? os->wd(group, term) : term; }

double screenPPMM() { return os ? os->screenPPMM() : 96.0 / 25.4; }

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

bool UKformatDecimals() { return numberText().UKformatDecimals; }
std::string decimalSeparator() { return UKformatDecimals() ? "." : numberText().decimalseparator; }
std::string thousandSeparator() { return UKformatDecimals() ? "," : numberText().thousandseparator; }

std::string DoubleToStr(double d, int32_t decplaces) { return numberText().DoubleToStr(d, decplaces); }
int32_t getdecplaces(double d, int32_t max) { return numberText().getdecplaces(d, max); }
std::string DoubleToString(double d, int32_t maxdecplaces) { return numberText().DoubleToString(d, maxdecplaces); }
bool StrToDouble(const std::string& s, double& d) { return numberText().StrToDouble(s, d); }
int32_t StrToInt(const std::string& s) { return TosNumberText::StrToInt(s); }
}  // namespace unitsSeam
