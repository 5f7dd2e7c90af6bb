// The globe's day/night map: golden bytes, the column shift, odd widths and refused targets.
#include <gtest/gtest.h>

#include "clock/r_SunGlobe.h"
#include "core/r_bitmapRaw.h"

namespace {
using r_SunGlobe::TsunEle;

TEST(SunGlobeEle, BytesUnderTheSunAtTheTwilightEdgesAndShift) {
  TsunEle se;
  se.setSunLat(0);
  EXPECT_NEAR(se.elevation(0, 0), 180, 1e-9);
  EXPECT_NEAR(se.elevation(0, 90), 90, 1e-9);
  EXPECT_NEAR(se.elevation(0, 180), 0, 1e-9);
  EXPECT_NEAR(se.elevation(0, 4), 176, 1e-9);
  se.eleMap(360, 180);  // unshifted: the sun at longitude 0, column 180
  ASSERT_EQ(se.buf.size(), 360u * 180u);
  auto at = [&](int row, int col) { return int(se.buf[size_t(row) * 360 + size_t(col)]); };
  EXPECT_EQ(at(90, 180), 255);
  EXPECT_EQ(at(90, 180 - 86), 200) << "4 degrees into day";
  EXPECT_EQ(at(90, 180 - 94), 55) << "4 degrees into night";
  EXPECT_EQ(at(90, 0), 0);
  se.eleMap(360, 0);  // half a width: the sun at longitude 180 (column 0)
  EXPECT_EQ(at(90, 0), 255);
  EXPECT_EQ(at(90, 180), 0);
  se.eleMap(360, 360);
  EXPECT_EQ(at(90, 0), 255);
  se.setSunLat(23.44);
  se.eleMap(360, 180);
  for (int row = 0; row < 19; ++row)  // north of 71 degrees
    for (int col = 0; col < 360; ++col) ASSERT_GE(at(row, col), 200) << row << "," << col;
  se.eleMap(361, 180);
  EXPECT_EQ(se.buf.size(), 361u * 180u);
}

TEST(SunGlobeEle, ApplyMapDarkensNightAndRefusesWrongTargets) {
  TsunEle se;
  se.setSunLat(0);
  se.eleMap(36, 180);
  TrawBitmap24 bm;
  bm.setsize(36, 18);
  for (int r = 0; r < 18; ++r)
    for (int c = 0; c < 36; ++c) bm.setPixel(c, r, uint8_t(200), uint8_t(200), uint8_t(200));
  ASSERT_TRUE(se.applyMap(bm));
  uint8_t r = 0, g = 0, b = 0;
  bm.getPixel(18, 9, r, g, b);
  EXPECT_EQ(r, 200) << "byte 255 is skipped";
  bm.getPixel(0, 9, r, g, b);
  EXPECT_EQ(r, 30) << "night is darkened by 85 %";
  for (auto [w, h] : {std::pair{35, 18}, {37, 10}, {36, 19}}) {
    TrawBitmap24 t;
    t.setsize(w, h);
    EXPECT_FALSE(se.applyMap(t)) << w << "x" << h;
  }
  TrawBitmap24 fewer;
  fewer.setsize(36, 4);
  EXPECT_TRUE(se.applyMap(fewer));
}
}  // namespace
