// Channel fades and the pixel record.
#include "core/r_ColourBase.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(r_ColourBase, FadeColourClampsPercentAndRoundsHalvesToEven) {
  struct Case {
    const char* id;
    double percent;
    uint8_t r, g, b;
  } cases[] = {
      {"quarter", 25, 191, 0, 64},  // 191.25 and 63.75
      {"negative is first", -10, 255, 0, 0},
      {"above 100 is second", 250, 0, 0, 255},
      {"NaN is second", std::nan(""), 0, 0, 255},
      {"half of 255 rounds to even", 50, 128, 0, 128},  // 127.5 -> 128
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    uint8_t r, g, b;
    FadeColour(255, 0, 0, 0, 0, 255, c.percent, r, g, b);
    EXPECT_EQ(r, c.r);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(b, c.b);
    Tbgr out;
    FadeColour(Tbgr{0, 0, 255}, Tbgr{255, 0, 0}, c.percent, out);
    EXPECT_EQ(out, (Tbgr{c.b, c.g, c.r}));
  }
}

TEST(r_ColourBase, FadeByteCapsPercentAndResult) {
  EXPECT_EQ(fadeByte(10, 20, 150), 20);
  EXPECT_EQ(fadeByte(100, 200, 50), 150);
  EXPECT_EQ(fadeByte(0, 255, 100), 255);
}

TEST(r_ColourBase, BgrAndColouriAreInverse) {
  Tbgr c = bgr(0xEAC8AC);
  EXPECT_EQ(c.red, 0xAC);
  EXPECT_EQ(c.green, 0xC8);
  EXPECT_EQ(c.blue, 0xEA);
  EXPECT_EQ(colouri(c), 0xEAC8AC);
  EXPECT_EQ(bgr(int32_t(0xFF123456)), bgr(0x123456));  // the high byte is not a channel
}
