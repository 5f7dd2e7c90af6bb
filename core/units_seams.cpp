// Seams of units_seams.h: the number texts, the colour fade, the translation hook and the
// screen's pixels per millimetre forward to the services object.
#include "core/units_seams.h"

#include <cmath>

#include "core/os_drawing.h"
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
  return TosDrawing::FadeColour(colour, target, percent);
}

int gp(int pixels) { return os ? os->gp(pixels) : pixels; }
int fontsize(double points) { return os ? os->fontsize(points) : static_cast<int>(points); }
std::string programFontName() { return os && !os->fontname().empty() ? os->fontname() : "Tahoma"; }

bool UKformatDecimals() { return numberText().UKformatDecimals; }
std::string decimalSeparator() { return UKformatDecimals() ? "." : numberText().decimalseparator; }
std::string thousandSeparator() { return UKformatDecimals() ? "," : numberText().thousandseparator; }

std::string DoubleToStr(double d, int32_t decplaces) { return numberText().DoubleToStr(d, decplaces); }
int32_t getdecplaces(double d, int32_t max) { return numberText().getdecplaces(d, max); }
std::string DoubleToString(double d, int32_t maxdecplaces) { return numberText().DoubleToString(d, maxdecplaces); }
bool StrToDouble(const std::string& s, double& d) { return numberText().StrToDouble(s, d); }
int32_t StrToInt(const std::string& s) { return TosNumberText::StrToInt(s); }
}  // namespace unitsSeam
