// Seams through which the units, view and colour services reach services-object operations:
// the number texts, the translation hook and the screen's pixels per millimetre (forwarded to
// `os`, or to plain defaults when there is none); the colour fade is the services object's own.
#pragma once
#include <cstdint>
#include <string>

namespace unitsSeam {
// Translation hook of `os` (the term unchanged without `os` or a translation source).
std::string wd(const std::string& group, const std::string& term);
// The screen's pixels per millimetre of `os` (96 DPI without it).
double screenPPMM();
// Fade of one colour integer towards another by percent (0..100); −1 when target is negative.
int32_t FadeColour(int32_t colour, int32_t target, double percent);
// Display scaling of design pixels and font points through `os` (factor 1 without one), and
// the program font's face name.
int gp(int pixels);
int fontsize(double points);
std::string programFontName();

// Number texts in the display form (the user's separators) and their decimal separator.
std::string DoubleToStr(double d, int32_t decplaces);
std::string DoubleToString(double d, int32_t maxdecplaces);
int32_t getdecplaces(double d, int32_t max);
bool StrToDouble(const std::string& s, double& d);
int32_t StrToInt(const std::string& s);
// The separators in force: "." and "," when the services object asks for file-form decimals.
std::string decimalSeparator();
std::string thousandSeparator();
bool UKformatDecimals();
}  // namespace unitsSeam
