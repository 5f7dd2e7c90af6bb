// Seams through which the units, view and colour services reach services-object operations:
// the number texts (forwarded to `os`, or to its plain defaults when there is none), and the
// translation hook and display scaling, which stand in until `os` has them; the colour fade is
// the services object's own.
#pragma once
#include <cstdint>
#include <string>

namespace unitsSeam {
// Translation hook: no translation source is attached, so the term comes back unchanged.
std::string wd(const std::string& group, const std::string& term);
// The screen's pixels per millimetre (96 DPI until display scaling exists).
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
