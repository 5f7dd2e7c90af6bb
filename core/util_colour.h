// Colour codes and colour names: the 23 named colours (codes 2001 to 2023), conversions between
// names, codes and values 0x00BBGGRR, colour texts ("none", a number, "r,g,b" or a name, each
// with an optional ":tint" percentage) and CMYK percentages. The array service `util` offers
// these through its base TutilColour; they hold no state.
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t col_blue = 2001;
constexpr int32_t col_midgray = 2002;
constexpr int32_t col_gray = 2003;
constexpr int32_t col_ltgray = 2004;  // the default: unknown codes and names give it
constexpr int32_t col_dkgray = 2005;
constexpr int32_t col_dkblue = 2006;
constexpr int32_t col_cyan = 2007;
constexpr int32_t col_ltcyan = 2008;
constexpr int32_t col_dkgreen = 2009;
constexpr int32_t col_green = 2010;
constexpr int32_t col_ltgreen = 2011;
constexpr int32_t col_yellow = 2012;
constexpr int32_t col_ltyellow = 2013;
constexpr int32_t col_bluegray = 2014;
constexpr int32_t col_paleblue = 2015;
constexpr int32_t col_ltblue = 2016;
constexpr int32_t col_dkyellow = 2017;
constexpr int32_t col_orange = 2018;
constexpr int32_t col_white = 2019;
constexpr int32_t col_black = 2020;
constexpr int32_t col_red = 2021;
constexpr int32_t col_dkred = 2022;
constexpr int32_t col_purple = 2023;
constexpr int32_t col_max = 2023;

// Named colour values (0x00BBGGRR).
constexpr int32_t blue = 0x00FF0000;
constexpr int32_t midgray = 0x00808080;
constexpr int32_t gray = 0x00C0C0C0;
constexpr int32_t ltgray = 0x00DCDCDC;
constexpr int32_t dkgray = 0x00404040;
constexpr int32_t dkblue = 0x00800000;
constexpr int32_t cyan = 0x00FFFF00;
constexpr int32_t ltcyan = 0x00FFFFDC;
constexpr int32_t dkgreen = 0x00008000;
constexpr int32_t green = 0x0000FF00;
constexpr int32_t ltgreen = 0x00DCFFDC;
constexpr int32_t yellow = 0x0000FFFF;
constexpr int32_t ltyellow = 0x00DCFFFF;
constexpr int32_t bluegray = 0x00EAC8AC;
constexpr int32_t paleblue = 0x00FFFFDC;
constexpr int32_t ltblue = 0x00FFF0DC;
constexpr int32_t dkyellow = 0x00008080;
constexpr int32_t orange = 0x00C8DCFF;
constexpr int32_t white = 0x00FFFFFF;
constexpr int32_t black = 0x00000000;
constexpr int32_t red = 0x000000FF;
constexpr int32_t dkred = 0x00000080;
constexpr int32_t purple = 0x00FD03FE;
constexpr int32_t midgreen = 0x0000C800;  // no code and no name

class TutilColour {
 public:
  // The code whose name is exactly name (case-sensitive); col_ltgray for any other text.
  [[nodiscard]] static int32_t colourCodeFromName(const std::string& name);
  [[nodiscard]] static int32_t colourFromCode(int32_t code);
  [[nodiscard]] static std::string colourNameFromCode(int32_t code);
  // The highest code with this value; col_ltgray when none.
  [[nodiscard]] static int32_t colourCodeFromRGB(int32_t rgb);
  // The name of that code, or the decimal text of rgb when no code has the value.
  [[nodiscard]] static std::string colourNameFromRGB(int32_t rgb);
  // Reads a colour text into a colour (−1 for "none") and a tint percentage; always true.
  static bool colourFromName(const std::string& name, int32_t& colour, int32_t& tint);
  // The colour of a text with its tint applied (a fade from white).
  [[nodiscard]] static int32_t colourFromName(const std::string& name);
  static int32_t colourFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k, int32_t& r, int32_t& g, int32_t& b);
  [[nodiscard]] static int32_t colourFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k);
};
