// TsunEle: the elevation figure and its byte, the byte map's landmarks, the roll and the blend.
#include <gtest/gtest.h>

#include "astro/r_sunLite.h"
#include "core/r_ColourBase.h"

TEST(TsunEle, ShadeMeetsAtTheTwilightEdgesAndRoundsHalvesToEven) {
  struct Case {
    const char* id;
    double e;
    int byte;
  } cases[] = {
      {"antisolar", 0, 0},        {"night edge", 86, 55},  {"just into twilight", 86.0001, 55},
      {"terminator 127.5", 90, 128}, {"day edge", 94, 200}, {"just into day", 94.0001, 200},
      {"beneath the sun", 180, 255}, {"night middle", 43, 28},  // 27.5 → 28 (even)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TsunEle::shade(c.e), c.byte);
  }
}

TEST(TsunEle, ByteMapLandmarksWithTheSunOnTheEquator) {
  TsunEle se;
  se.setSunLat(0);
  EXPECT_NEAR(se.elevation(0, 0), 180, 1e-9);
  EXPECT_NEAR(se.elevation(0, 180), 0, 1e-6);
  EXPECT_NEAR(se.elevation(45, 90), 90, 1e-9);
  se.eleMap(64);
  ASSERT_EQ(se.buf.size(), 64u * 32);
  EXPECT_EQ(se.noonX, 32);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(se.buf[x], 128) << "north pole row, column " << x;
  EXPECT_EQ(se.buf[16 * 64 + 32], 255);  // sub-solar point
  EXPECT_EQ(se.buf[16 * 64 + 0], 0);     // antisolar point
  // The same arithmetic as elevation() for any pixel.
  EXPECT_EQ(se.buf[5 * 64 + 41], TsunEle::shade(se.elevation(90 - 5.0 / 32 * 180, 41.0 / 64 * 360 - 180)));
}

TEST(TsunEle, BlendRollsByTheSunsLongitudeAndFadesNightAtMost85Percent) {
  TsunEle se;
  se.setSunLat(0);
  se.eleMap(8);
  TrawBitmap24 day, night, target;
  day.setsize(8, 4);
  night.setsize(8, 4);
  target.setsize(8, 4);
  day.fillAll(Tbgr{20, 200, 100});
  night.fillAll(Tbgr{90, 10, 0});

  se.setSunLong(0);
  EXPECT_EQ(se.xoffset, 0);
  se.applyMap(target, day, night);
  Tbgr c;
  target.getPixel(4, 2, c);  // byte 255: the day image as it is
  EXPECT_EQ(c, (Tbgr{20, 200, 100}));
  target.getPixel(0, 2, c);  // byte 0: 85 % of the way to the night image
  Tbgr expect;
  FadeColour(Tbgr{20, 200, 100}, Tbgr{90, 10, 0}, 85, expect);
  EXPECT_EQ(c, expect);

  se.setSunLong(-90);  // a quarter turn west: x′ = x + 2 wraps past the right edge
  EXPECT_EQ(se.xoffset, -2);
  se.applyMap(target, day, night);
  target.getPixel(2, 2, c);
  EXPECT_EQ(c, (Tbgr{20, 200, 100}));
  target.getPixel(6, 2, c);  // reads column 0 of the byte map
  EXPECT_EQ(c, expect);
}

TEST(TsunEle, BlendLeavesTheTargetAloneWhenTheByteMapIsTooSmall) {
  TsunEle se;
  se.setSunLat(0);
  se.eleMap(4);
  TrawBitmap24 day, night, target;
  target.setsize(8, 4);
  target.fillAll(Tbgr{1, 2, 3});
  se.applyMap(target, day, night);
  Tbgr c;
  target.getPixel(7, 3, c);
  EXPECT_EQ(c, (Tbgr{1, 2, 3}));
}
