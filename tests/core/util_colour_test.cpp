// Colour codes, names, colour texts with tints, and CMYK.
#include "core/util_colour.h"

#include <gtest/gtest.h>

namespace {
TEST(TutilColour, CodesNamesAndValues) {
  struct Case { const char* name; int32_t code, value; } cases[] = {
      {"blue", col_blue, blue}, {"purple", col_purple, purple}, {"pale blue", col_paleblue, paleblue},
      {"light gray", col_ltgray, ltgray}, {"Light Gray", col_ltgray, ltgray}, {"grey", col_ltgray, ltgray},
      {"", col_ltgray, ltgray},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TutilColour::colourCodeFromName(c.name), c.code);
    EXPECT_EQ(TutilColour::colourFromCode(c.code), c.value);
  }
  for (int32_t code = col_blue; code <= col_max; ++code)
    EXPECT_EQ(TutilColour::colourCodeFromName(TutilColour::colourNameFromCode(code)), code);
  EXPECT_EQ(TutilColour::colourFromCode(1999), ltgray);
  EXPECT_EQ(TutilColour::colourNameFromCode(-5), "light gray");
  EXPECT_EQ(TutilColour::colourCodeFromRGB(0x00FFFFDC), col_paleblue);  // shared with light cyan: highest wins
  EXPECT_EQ(TutilColour::colourNameFromRGB(0x00FFFFDC), "pale blue");
  EXPECT_EQ(TutilColour::colourCodeFromRGB(midgreen), col_ltgray);
  EXPECT_EQ(TutilColour::colourNameFromRGB(midgreen), "51200");
}

TEST(TutilColour, ColourTexts) {
  struct Case { const char* text; int32_t colour, tint, applied; } cases[] = {
      {"none", -1, 100, -1},
      {"none:40", ltgray, 40, -2},
      {"red:50", red, 50, 0x008080FF},
      {"255", 0x000000FF, 100, 0x000000FF},
      {"$FF0000", 0x00FF0000, 100, 0x00FF0000},
      {"0,128,255", 0x00FF8000, 100, 0x00FF8000},
      {"300,0,0", 0x0000002C, 100, 0x0000002C},
      {"blue:abc", blue, 0, white},
      {"green:25x", green, 25, -2},
      {"12,abc", 12, 100, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t colour = 0, tint = 0;
    EXPECT_TRUE(TutilColour::colourFromName(c.text, colour, tint));
    EXPECT_EQ(colour, c.colour);
    EXPECT_EQ(tint, c.tint);
    if (c.applied != -2) {
      EXPECT_EQ(TutilColour::colourFromName(c.text), c.applied);
    }
  }
}

TEST(TutilColour, Cmyk) {
  struct Case { int32_t c, m, y, k, want; } cases[] = {
      {0, 0, 0, 0, 0x00FFFFFF}, {100, 0, 0, 0, 0x00FFFF00}, {0, 0, 0, 100, 0}, {0, 50, 0, 0, 0x00FF80FF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(TutilColour::colourFromCMYK(c.c, c.m, c.y, c.k), c.want);
  }
  int32_t r, g, b;
  TutilColour::colourFromCMYK(0, 50, 0, 0, r, g, b);
  EXPECT_EQ(g, 128);  // 127.5 to the even neighbour
}
}  // namespace
