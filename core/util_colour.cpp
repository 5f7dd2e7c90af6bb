// TutilColour: see util_colour.h. Texts of numbers are read with the services object's integer
// syntax (a sign, decimal digits, or hex after "$", "x" or "0x").
#include "core/util_colour.h"

#include <cmath>

#include "core/os_numbertext.h"
#include "core/os_text.h"
#include "core/units_seams.h"

namespace {
struct NamedColour {
  const char* name;
  int32_t value;
};
// Indexed by code − col_blue.
constexpr NamedColour kColours[] = {
    {"blue", blue},         {"mid gray", midgray},         {"gray", gray},
    {"light gray", ltgray}, {"dark gray", dkgray},         {"dark blue", dkblue},
    {"cyan", cyan},         {"light cyan", ltcyan},        {"dark green", dkgreen},
    {"green", green},       {"light green", ltgreen},      {"yellow", yellow},
    {"light yellow", ltyellow}, {"blue gray", bluegray},   {"pale blue", paleblue},
    {"light blue", ltblue}, {"dark yellow", dkyellow},     {"orange", orange},
    {"white", white},       {"black", black},              {"red", red},
    {"dark red", dkred},    {"purple", purple},
};
static_assert(sizeof kColours / sizeof kColours[0] == col_max - col_blue + 1);

bool known(int32_t code) { return code >= col_blue && code <= col_max; }

// A whole number, or else the value of its leading digits (0 when there are none).
int32_t wholeOrLeadingDigits(const std::string& s) {
  int32_t v = 0;
  if (TosNumberText::StrToInt(s, v)) return v;
  int64_t acc = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') break;
    acc = acc * 10 + (ch - '0');
    if (acc > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(acc);
}
}  // namespace

int32_t TutilColour::colourCodeFromName(const std::string& name) {
  for (int32_t i = 0; i <= col_max - col_blue; ++i)
    if (name == kColours[i].name) return col_blue + i;
  return col_ltgray;
}

int32_t TutilColour::colourFromCode(int32_t code) {
  return known(code) ? kColours[code - col_blue].value : ltgray;
}

std::string TutilColour::colourNameFromCode(int32_t code) {
  return kColours[(known(code) ? code : col_ltgray) - col_blue].name;
}

int32_t TutilColour::colourCodeFromRGB(int32_t rgb) {
  for (int32_t code = col_max; code >= col_blue; --code)
    if (kColours[code - col_blue].value == rgb) return code;
  return col_ltgray;
}

std::string TutilColour::colourNameFromRGB(int32_t rgb) {
  for (int32_t code = col_max; code >= col_blue; --code)
    if (kColours[code - col_blue].value == rgb) return kColours[code - col_blue].name;
  return std::to_string(rgb);
}

bool TutilColour::colourFromName(const std::string& name, int32_t& colour, int32_t& tint) {
  if (name == "none") {
    colour = -1;
    tint = 100;
    return true;
  }
  std::string text = name;
  tint = 100;
  if (auto colon = text.find(':'); colon != std::string::npos) {
    tint = wholeOrLeadingDigits(text.substr(colon + 1));
    text.erase(colon);
  }
  int32_t number = 0;
  if (TosNumberText::StrToInt(text, number)) {
    colour = number;
  } else if (text.find(',') != std::string::npos) {
    const int32_t r = wholeOrLeadingDigits(TosText::getnext(text));
    const int32_t g = wholeOrLeadingDigits(TosText::getnext(text));
    const int32_t b = wholeOrLeadingDigits(TosText::getnext(text));
    colour = (r & 255) + 256 * (g & 255) + 65536 * (b & 255);
  } else {
    colour = colourFromCode(colourCodeFromName(text));
  }
  return true;
}

int32_t TutilColour::colourFromName(const std::string& name) {
  int32_t colour = 0, tint = 100;
  colourFromName(name, colour, tint);
  if (tint >= 100) return colour;
  if (colour < 0) return -1;
  return unitsSeam::FadeColour(white, colour, tint);
}

int32_t TutilColour::colourFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k, int32_t& r, int32_t& g,
                                    int32_t& b) {
  const double f = 1 - k / 100.0;
  r = static_cast<int32_t>(std::nearbyint((1 - c / 100.0) * 255 * f));
  g = static_cast<int32_t>(std::nearbyint(f * (1 - m / 100.0) * 255));
  b = static_cast<int32_t>(std::nearbyint(f * (1 - y / 100.0) * 255));
  return (r & 255) + 256 * (g & 255) + 65536 * (b & 255);
}

int32_t TutilColour::colourFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k) {
  int32_t r, g, b;
  return colourFromCMYK(c, m, y, k, r, g, b);
}
