// Colour fades, the bilinear sample, pixel writes, hatches, fills and marks, checked on small
// off-screen bitmaps at known pixels.
#include "core/os_drawing.h"

#include <gtest/gtest.h>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "tests/support/bitmaps.h"

using platform::TBitmap;
using platform::TColor;
using platform::TRect;

namespace {
using testenv::at;
using testenv::make;
}  // namespace

TEST(TosDrawing, FadeColourClampsPercentAndRoundsHalvesToEven) {
  struct Case { const char* id; int32_t colour, target; double percent; int32_t want; } cases[] = {
      {"half way", 0x000000, 0xFFFFFF, 50, 0x808080},  // 127.5 → 128
      {"beyond 100", 0x000000, 0xFFFFFF, 150, 0xFFFFFF},
      {"below 0", 0x123456, 0xFFFFFF, -5, 0x123456},
      {"no target", 0x123456, -1, 50, -1},
      {"per channel", 0x0000FF, 0xFF0000, 25, 0x4000BF},
      {"high byte dropped", 0x7F000000 | 0x10, 0x10, 0, 0x10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TosDrawing::FadeColour(c.colour, c.target, c.percent), c.want);
  }
  uint8_t r = 0, g = 0, b = 0;
  TosDrawing::FadeColour(0x0000FF, 0xFF0000, 25, r, g, b);
  EXPECT_EQ(r, 0xBF);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 0x40);
  EXPECT_EQ(TosDrawing::fadeByte(0, 255, 50), 128);
  EXPECT_EQ(TosDrawing::fadeByte(200, 255, 300), 255);
  EXPECT_EQ(TosDrawing::fadeByte(200, 0, 300), 0);
}

TEST(TosDrawing, LevelColourFadesFromTheLightPartner) {
  Tos t;
  EXPECT_EQ(t.levelcolour(0), 0xFFFFFF);
  EXPECT_EQ(t.levelcolour(33.3), TosDrawing::FadeColour(0xFFFFFF, 0xC40000, 99.9));
  EXPECT_EQ(t.levelcolour(40), 0xC40000);
}

TEST(TosDrawing, SmoothenColourSamplesBilinearlyAndWraps) {
  TBitmap bm;
  make(bm, 4, 4);
  bm.Canvas().SetPixels(2, 3, 0x102030);
  bm.Canvas().SetPixels(3, 1, 0x0000FF);  // last column
  bm.Canvas().SetPixels(0, 1, 0xFF0000);  // column 0
  EXPECT_EQ(TosDrawing::SmoothenColour(&bm, 2.0, 3.0, false), 0x102030);
  // Half way past the last column: with wrapping it meets column 0, without it itself.
  EXPECT_EQ(TosDrawing::SmoothenColour(&bm, 3.5, 1.0, true), 0x800080);
  EXPECT_EQ(TosDrawing::SmoothenColour(&bm, 3.5, 1.0, false), 0x0000FF);
  for (auto [x, y] : {std::pair{-0.1, 1.0}, {4.0, 1.0}, {1.0, 4.0}, {1.0, -1.0}})
    EXPECT_EQ(TosDrawing::SmoothenColour(&bm, x, y, true), 0xFFFFFF);
  EXPECT_EQ(TosDrawing::SmoothenColour(nullptr, 1, 1, true), 0xFFFFFF);
}

TEST(TosDrawing, SetPixel24WritesBlendsAndIgnoresOutside) {
  TBitmap bm;
  make(bm, 3, 2);
  TosDrawing::setPixel24(bm, 0, 0, 10, 20, 30);
  EXPECT_EQ(at(bm, 0, 0), platform::RGB(10, 20, 30));
  TosDrawing::setPixel24(bm, 1, 0, 0, 0, 0, 100);
  EXPECT_EQ(at(bm, 1, 0), 0u);
  TosDrawing::setPixel24(bm, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ(at(bm, 2, 0), 0xFFFFFFu);
  TosDrawing::setPixel24(bm, 2, 1, 0, 0, 0, 50);
  EXPECT_EQ(at(bm, 2, 1), 0x808080u);
  // The raw form: bottom-up rows of the bitmap's own memory.
  TosDrawing::setPixel24(bm, bm.surface().bits(), bm.surface().stride(), 0, 1, 255, 0, 0, 100);
  EXPECT_EQ(at(bm, 0, 1), 0x0000FFu);
  for (auto [x, y] : {std::pair{3, 0}, {-1, 0}, {0, 2}}) {
    TosDrawing::setPixel24(bm, x, y, 1, 2, 3);
    TosDrawing::setPixel24(bm, bm.surface().bits(), bm.surface().stride(), x, y, 1, 2, 3, 100);
  }
  EXPECT_EQ(at(bm, 2, 0), 0xFFFFFFu);
}

TEST(TosDrawing, PensCarryTheirPatterns) {
  auto dotted = TosDrawing::dottedpen(0x112233);
  EXPECT_EQ(dotted.style, platform::PenStyle::Alternate);
  EXPECT_EQ(dotted.type, platform::PenType::Cosmetic);
  auto dashDot = TosDrawing::dashDotPen(0, 3, 6, 1, 2);
  EXPECT_EQ(dashDot.dashes, (std::vector<int>{6, 2, 1, 2}));
  EXPECT_EQ(dashDot.cap, platform::PenEndCap::Flat);
  EXPECT_EQ(TosDrawing::dottedpensparse(0, 5).dashes, (std::vector<int>{1, 5}));
  EXPECT_EQ(TosDrawing::solidpen(0, 4).cap, platform::PenEndCap::Round);
  EXPECT_EQ(TosDrawing::solidpenSquare(0, 4).cap, platform::PenEndCap::Flat);
}

TEST(TosDrawing, DrawHatchAlignsLinesToMultiplesOfTheStep) {
  TBitmap bm;
  make(bm, 40, 20);
  TosDrawing::drawHatch(bm.Canvas(), {3, 0, 35, 20}, 5, 10);
  std::string row;
  for (int x = 0; x < 40; ++x) row += at(bm, x, 5) == 0 ? '|' : '.';
  EXPECT_EQ(row, "..........|.........|.........|.........");
  // Diagonals step round(√2 × 10) = 14: the first line starts at 14 × ((3 − 20) div 14 + 1) = 0.
  make(bm, 40, 20);
  TosDrawing::drawHatch(bm.Canvas(), {3, 0, 35, 20}, 2, 10);
  EXPECT_EQ(at(bm, 0, 0), 0u);
  EXPECT_EQ(at(bm, 14, 0), 0u);
  EXPECT_EQ(at(bm, 24, 10), 0u);
  EXPECT_EQ(at(bm, 7, 0), 0xFFFFFFu);
  make(bm, 40, 20);
  TosDrawing::drawHatch(bm.Canvas(), {3, 0, 35, 20}, 9, 10);
  TosDrawing::drawHatch(bm.Canvas(), {3, 0, 35, 20}, 5, 0);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(at(bm, x, 5), 0xFFFFFFu);
}

TEST(TosDrawing, NullFillHatchesOverTheBackgroundColour) {
  TBitmap bm;
  make(bm, 16, 16);
  TosDrawing::NullFill(bm.Canvas(), {0, 0, 16, 8});
  int hatch = 0, ground = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      hatch += at(bm, x, y) == 0xFFF0E1;
      ground += at(bm, x, y) == 0xFFFAF0;
    }
  EXPECT_GT(hatch, 0);
  EXPECT_GT(ground, hatch);
  EXPECT_EQ(hatch + ground, 16 * 8);
  EXPECT_EQ(at(bm, 0, 8), 0xFFFFFFu);
  EXPECT_EQ(bm.Canvas().Brush.Style, platform::bsSolid);
  EXPECT_EQ(bm.dc().bkColor(), 0xFFFAF0u);
}

TEST(TosDrawing, DotBoxDrawsEveryOtherPixel) {
  TBitmap bm;
  make(bm, 10, 6);
  TosDrawing::dotBox(bm.Canvas(), 0, {0, 0, 10, 6});
  EXPECT_NE(at(bm, 0, 0), at(bm, 1, 0));
  EXPECT_EQ(at(bm, 0, 0), at(bm, 2, 0));
  EXPECT_EQ(at(bm, 4, 3), 0xFFFFFFu);  // inside left alone
  EXPECT_EQ(bm.Canvas().Brush.Style, platform::bsSolid);
}

TEST(TosDrawing, PageSitsWhiteOnItsShadow) {
  TBitmap bm;
  make(bm, 80, 80);
  TosDrawing::drawPage(bm.Canvas(), {0, 0, 80, 80}, {10, 10, 50, 50});
  EXPECT_EQ(at(bm, 30, 30), 0xFFFFFFu);
  EXPECT_EQ(at(bm, 49, 49), 0xFFFFFFu);
  const TColor shadow = at(bm, 52, 40), ground = at(bm, 75, 5);
  EXPECT_NE(shadow, 0xFFFFFFu);
  EXPECT_NE(shadow, ground);
}

TEST(TosDrawing, MarksAtTheRightEndOfABox) {
  TBitmap bm;
  make(bm, 100, 20);
  bm.Canvas().Font.Color = 0x0000FF;
  EXPECT_EQ(TosDrawing::drawCloseCross(bm.Canvas(), {0, 0, 100, 20}), (TRect{84, 4, 96, 16}));
  EXPECT_EQ(at(bm, 90, 10), 0x0000FFu);
  EXPECT_EQ(at(bm, 87, 7), 0x0000FFu);
  EXPECT_EQ(at(bm, 80, 10), 0xFFFFFFu);
  EXPECT_EQ(bm.Canvas().Pen.Width, 1);
  EXPECT_EQ(bm.Canvas().Pen.Color, 0x0000FFu);
  make(bm, 100, 20);
  EXPECT_EQ(TosDrawing::tick(bm.Canvas(), TRect{0, 0, 100, 20}), (TRect{88, 4, 96, 16}));
  const TRect arrow = TosDrawing::drawRightArrow(bm.Canvas(), {0, 0, 100, 20}, TosDrawing::Open::No);
  EXPECT_EQ(arrow, (TRect{84, 0, 100, 20}));
  // Through the font manager the pointer's ink sits around the middle line, right of x = 84.
  createFontMan();
  for (auto open : {TosDrawing::Open::No, TosDrawing::Open::Yes}) {
    make(bm, 100, 20);
    const unsigned align = bm.dc().setTextAlign(platform::TA_LEFT | platform::TA_TOP);
    TosDrawing::drawDownArrow(bm.Canvas(), {0, 0, 100, 20}, open);
    EXPECT_EQ(bm.dc().textAlign(), platform::TA_LEFT | platform::TA_TOP);
    bm.dc().setTextAlign(align);
    int inked = 0, top = 20, bottom = -1;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 100; ++x)
        if (at(bm, x, y) != 0xFFFFFF) {
          ++inked;
          EXPECT_GE(x, 84);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    EXPECT_GT(inked, 0);
    EXPECT_LE(std::abs((top + bottom) / 2 - 10), 2);
  }
  freeFontMan();
}

TEST(TosDrawing, ScaleBarLabelsAndLength) {
  EXPECT_EQ(TosDrawing::MiniScaleBarLabel(2000, false), "2km");
  EXPECT_EQ(TosDrawing::MiniScaleBarLabel(500, false), "500m");
  EXPECT_EQ(TosDrawing::MiniScaleBarLabel(0.5, true), "0.5\u00B0");
  Tos t;
  TBitmap bm;
  make(bm, 200, 40);
  // 1 : 10000 at 96 DPI: a pixel is 2.6458 m of ground.
  const int L = t.DrawMiniScaleBar(bm.Canvas(), 10, 30, 150, 10000);
  EXPECT_GT(L, 0);
  EXPECT_LE(L, 150);
  EXPECT_EQ(at(bm, 10 + L / 2, 30), 0u);
  EXPECT_EQ(at(bm, 10, 24), 0u);
  EXPECT_EQ(bm.dc().textAlign(), platform::TA_LEFT | platform::TA_TOP);
}

TEST(TosDrawing, BracketTextWidthsAndAlignment) {
  TBitmap bm;
  make(bm, 200, 30);
  platform::TCanvas& cv = bm.Canvas();
  EXPECT_EQ(TosDrawing::TextWidthBracket(cv, "ab", ""), cv.TextWidth("ab"));
  EXPECT_EQ(TosDrawing::TextWidthBracket(cv, "ab", "x"), cv.TextWidth("ab") + cv.TextWidth("  [x]"));
  bm.dc().setTextAlign(platform::TA_CENTER | platform::TA_BASELINE);
  TosDrawing::TextOutBracket(cv, 100, 20, "ab", "");
  EXPECT_EQ(bm.dc().textAlign(), platform::TA_CENTER | platform::TA_BASELINE);
  TosDrawing::TextOutBracket(cv, 100, 20, "ab", "cd");
  EXPECT_EQ(bm.dc().textAlign(), platform::TA_CENTER | platform::TA_BASELINE);
  EXPECT_EQ(cv.Font.Color, platform::clBlack);
  bool blue = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 200; ++x) blue = blue || at(bm, x, y) == 0xFF0000;
  EXPECT_TRUE(blue);
}
