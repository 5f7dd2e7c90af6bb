// TrawBitmap24 pixel operations: fills, lines, tone, blends and drawing into another buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/r_bitmapRaw.h"
#include "tests/support/bitmaps.h"

namespace {
using testenv::picture;
using testenv::px;

void randomFill(TrawBitmap24& b, unsigned seed) {
  std::mt19937 rng(seed);
  for (int row = 0; row < b.height(); ++row)
    for (int col = 0; col < b.width(); ++col)
      b.setPixel(col, row, Tbgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
}

const Tbgr kRed{0, 0, 255};
const Tbgr kWhite{255, 255, 255};
}  // namespace

TEST(TrawBitmap24Ops, FillRectReachesLastRowAndColumn) {
  TrawBitmap24 b;
  b.setsize(10, 10);
  b.fillRect(platform::TRect{0, 0, 10, 10}, kRed, 100);
  EXPECT_EQ(px(b, 9, 9), kRed);
  EXPECT_EQ(px(b, 0, 0), kRed);
  b.fillBlack();
  b.fillRect(platform::TRect{-5, 8, 3, 50}, kRed, 100);
  EXPECT_EQ(picture(b, kRed).substr(11 * 7),
            "..........\n"
            "###.......\n"
            "###.......\n");
  b.fillRect(platform::TRect{20, 20, 30, 30}, kWhite, 100);  // outside: nothing
}

TEST(TrawBitmap24Ops, FillRectBlendsWithConstantOpacity) {
  struct Case { int percent; uint8_t expect; } cases[] = {{50, 128}, {0, 0}, {-50, 128}, {25, 64}, {99, 252}};
  for (auto c : cases) {
    SCOPED_TRACE(c.percent);
    TrawBitmap24 b;
    b.setsize(3, 3);
    b.fillBlack();
    b.fillRect(platform::TRect{0, 0, 3, 3}, kWhite, c.percent);
    EXPECT_EQ(px(b, 2, 2), (Tbgr{c.expect, c.expect, c.expect}));
  }
}

TEST(TrawBitmap24Ops, FillAllAndFillWhiteCoverEveryPixel) {
  TrawBitmap24 b;
  b.setsize(5, 3);
  b.fillAll(kRed);
  EXPECT_EQ(picture(b, kRed), "#####\n#####\n#####\n");
  b.fillWhite();
  EXPECT_EQ(picture(b, kWhite), "#####\n#####\n#####\n");
}

TEST(TrawBitmap24Ops, SetLineWalksTheLongerAxisAndRoundsHalvesToEven) {
  struct Case { const char* id; int x1, y1, x2, y2; const char* expect; } cases[] = {
      {"point", 2, 2, 2, 2, ".....\n.....\n..#..\n"},
      {"shallow", 0, 0, 4, 2, "##...\n..#..\n...##\n"},
      {"reversed", 4, 2, 0, 0, "##...\n..#..\n...##\n"},
      {"steep", 1, 0, 2, 2, ".#...\n..#..\n..#..\n"},  // x = 1.5 at row 1 rounds to 2
      {"clipped", -100, 1, 100, 1, ".....\n#####\n.....\n"},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.id);
    TrawBitmap24 b;
    b.setsize(5, 3);
    b.fillBlack();
    b.setLine(c.x1, c.y1, c.x2, c.y2, kRed);
    EXPECT_EQ(picture(b, kRed), c.expect);
  }
}

TEST(TrawBitmap24Ops, DarkenLightenAndGrey) {
  TrawBitmap24 b;
  b.setsize(2, 1);
  struct Case { const char* id; double percent; uint8_t expect; } cases[] = {
      {"zero", 0, 200}, {"negative", -5, 200}, {"half", 50, 100}, {"all", 100, 0}, {"beyond all", 150, 0}};
  for (auto c : cases) {
    SCOPED_TRACE(c.id);
    b.setPixel(0, 0, Tbgr{200, 200, 200});
    b.darken(0, 0, c.percent);
    EXPECT_EQ(px(b, 0, 0), (Tbgr{c.expect, c.expect, c.expect}));
  }
  b.fillAll(Tbgr{10, 20, 30});
  b.darken(100.0);
  EXPECT_EQ(px(b, 1, 0), (Tbgr{0, 0, 0}));
  b.lighten(50.0);
  EXPECT_EQ(px(b, 1, 0), (Tbgr{128, 128, 128}));
  b.setPixel(0, 0, Tbgr{1, 2, 6});
  b.makeGrey();
  EXPECT_EQ(px(b, 0, 0), (Tbgr{3, 3, 3}));
}

TEST(TrawBitmap24Ops, MakeMonochromeTintsTowardTheColour) {
  TrawBitmap24 b;
  b.setsize(3, 1);
  b.setPixel(0, 0, kWhite);
  b.setPixel(1, 0, Tbgr{0, 0, 0});
  b.setPixel(2, 0, Tbgr{128, 128, 128});
  b.makeMonochrome(0xFF0000);
  EXPECT_EQ(px(b, 0, 0), kWhite);
  EXPECT_EQ(px(b, 1, 0), (Tbgr{255, 0, 0}));
  EXPECT_EQ(px(b, 2, 0), (Tbgr{255, 128, 128}));
}

TEST(TrawBitmap24Ops, BlendMatchesTheMixingWriteOnEveryByte) {
  for (double percent : {0.0, 13.3, 50.0, 86.7, 100.0, 120.0}) {
    SCOPED_TRACE(percent);
    TrawBitmap24 day, night, expect;
    for (auto* b : {&day, &night, &expect}) b->setsize(37, 11);
    randomFill(day, 1);
    randomFill(expect, 1);
    randomFill(night, 2);
    day.blend(night, percent);
    for (int row = 0; row < 11; ++row)
      for (int col = 0; col < 37; ++col) {
        Tbgr n = px(night, col, row);
        expect.setPixel(col, row, percent, n.red, n.green, n.blue);
        ASSERT_EQ(px(day, col, row), px(expect, col, row)) << col << "," << row;
      }
  }
}

// Two frames mixed in place, in row bands as threads share them, give what a copy of the first
// blended with the second gives; the rows' padding is never read into pixels.
TEST(TrawBitmap24Ops, FadeRowsOfTwoFramesMatchesACopyBlended) {
  TrawBitmap24 from, to, expect, faded;
  for (auto* b : {&from, &to, &expect}) b->setsize(37, 11);
  randomFill(from, 3);
  randomFill(expect, 3);
  randomFill(to, 4);
  expect.blend(to, 43.3);
  faded.setsize(37, 11);
  const TpercentMix mix(43.3);
  for (auto [first, last] : {std::pair{0, 4}, std::pair{4, 5}, std::pair{5, 11}, std::pair{11, 20}})
    faded.fadeRows(from.imageData(), to.imageData(), mix, first, last);
  for (int row = 0; row < 11; ++row)
    for (int col = 0; col < 37; ++col) ASSERT_EQ(px(faded, col, row), px(expect, col, row)) << col << "," << row;
}

TEST(TrawBitmap24Ops, BlendNeedsTheSameSizeAndSkipsTransparentPixels) {
  TrawBitmap24 a, src;
  a.setsize(10, 11);
  a.fillBlack();
  src.setsize(10, 10);
  src.fillWhite();
  a.blend(src, 100.0);
  EXPECT_EQ(px(a, 0, 0), (Tbgr{0, 0, 0}));

  TrawBitmap24 t, s;
  t.setsize(3, 1);
  t.fillBlack();
  s.setsize(3, 1);
  s.fillWhite();
  s.setPixel(1, 0, kRed);
  t.blend(s, 100.0, true, 1, 0);  // white skipped; shifted right by one, the last column falls off
  EXPECT_EQ(picture(t, kRed), "..#\n");
  t.fillBlack();
  t.blend(s, 100.0, colouri(kRed), 0, 0);
  EXPECT_EQ(picture(t, kWhite), "#.#\n");
}

TEST(TrawBitmap24Ops, DrawAtIntegerOffsetClipsToTarget) {
  TrawBitmap24 src, t;
  src.setsize(4, 1);
  for (int c = 0; c < 4; ++c) src.setPixel(c, 0, Tbgr{uint8_t(c), 0, 0});
  t.setsize(4, 1);
  t.fillWhite();
  src.Draw(t, -2, 0, 100);
  EXPECT_EQ(px(t, 0, 0).blue, 2);
  EXPECT_EQ(px(t, 1, 0).blue, 3);
  EXPECT_EQ(px(t, 2, 0), kWhite);
  src.Draw(t, 0, 0, 100, colouri(Tbgr{1, 0, 0}));  // transparent colour skipped
  EXPECT_EQ(px(t, 1, 0).blue, 3);
}

TEST(TrawBitmap24Ops, FractionalDrawKeepsTheRequestedOpacity) {
  TrawBitmap24 src;
  src.setsize(2, 2);
  src.fillAll(kWhite);
  for (double x : {1.0, 1.5}) {
    SCOPED_TRACE(x);
    TrawBitmap24 a, b;
    a.setsize(5, 4);
    b.setsize(5, 4);
    a.fillBlack();
    b.fillBlack();
    src.DrawD(a, x, 1.0, 50, -1);
    if (x == 1.0) {
      src.Draw(b, 1, 1, 50);  // a whole-number offset draws as the integer form does
      for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col) EXPECT_EQ(px(a, col, row), px(b, col, row)) << col << "," << row;
    } else {
      EXPECT_EQ(px(a, 1, 1).red, 64);   // half covered: (255 / 2) truncated to 127, at 50 % -> 64 (63.5)
      EXPECT_EQ(px(a, 2, 1).red, 128);  // fully covered at 50 %
      EXPECT_EQ(px(a, 3, 1).red, 64);
      EXPECT_EQ(px(a, 4, 1).red, 0);
    }
  }
}

TEST(TrawBitmap24Ops, ScaledDrawCoversTheScaledArea) {
  TrawBitmap24 src, t;
  src.setsize(2, 2);
  src.fillAll(kRed);
  t.setsize(8, 8);
  t.fillBlack();
  src.DrawD(t, 0.0, 0.0, 2.0, 100);
  EXPECT_EQ(px(t, 2, 2), kRed);        // source position (1, 1)
  EXPECT_EQ(px(t, 3, 2).red, 127);     // halfway to what lies beyond the source
  EXPECT_EQ(px(t, 4, 4), (Tbgr{0, 0, 0}));
  src.DrawD(t, 0.0, 0.0, 0.0, 100);  // no scale: nothing, no division by zero
  src.DrawD(t, 1e12, -1e12, 1e9, 100);
}

TEST(TrawBitmap24Ops, StretchIntoABoxSamplesTheWholeSource) {
  TrawBitmap24 src, t;
  src.setsize(2, 2);
  src.fillAll(kRed);
  t.setsize(6, 6);
  t.fillBlack();
  src.Draw(t, platform::TRect{1, 1, 5, 5}, 100);
  EXPECT_EQ(picture(t, kRed),
            "......\n"
            ".####.\n"
            ".####.\n"
            ".####.\n"
            ".####.\n"
            "......\n");
  src.Draw(t, platform::TRect{0, 0, 6, 6}, 50);
  EXPECT_EQ(px(t, 0, 0), (Tbgr{0, 0, 128}));
}
