// Box hits, bits, rings with and without opacity, the smoothed ellipse, text output and the
// partial-redraw hook, on small off-screen bitmaps.
#include "core/os_shapes.h"

#include <gtest/gtest.h>

#include "core/Tview.h"
#include "core/r_base.h"
#include "tests/support/bitmaps.h"

using platform::TBitmap;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {
using testenv::at;
using testenv::make;
// Rows of the bitmap holding any pixel of the colour.
std::vector<int> inkedRows(TBitmap const& bm, TColor c) {
  std::vector<int> rows;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (at(bm, x, y) == c) {
        rows.push_back(y);
        break;
      }
  return rows;
}
}  // namespace

TEST(TosShapes, BoxHitCodes) {
  const TRect box{10, 10, 110, 60};
  struct Case { int x, y, want; } cases[] = {
      {10, 10, boxhit_inside + boxhit_topleft}, {60, 35, boxhit_inside}, {112, 35, boxhit_right},
      {113, 35, boxhit_none}, {60, 9, boxhit_top}, {109, 59, boxhit_inside + boxhit_bottomright},
      {7, 7, boxhit_topleft}, {6, 7, boxhit_none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(TosShapes::boxHit(box, c.x, c.y), c.want);
  }
  EXPECT_EQ(TosShapes::boxHit(box, 20, 35, 0), boxhit_inside);
  EXPECT_TRUE(TosShapes::PtInRect({0, 0, 10, 10}, 0, 0));
  EXPECT_FALSE(TosShapes::PtInRect({0, 0, 10, 10}, 10, 5));
}

TEST(TosShapes, Bits) {
  EXPECT_EQ(TosShapes::setBit(0, 3, true), 8u);
  EXPECT_EQ(TosShapes::setBit(8, 3, false), 0u);
  EXPECT_EQ(TosShapes::setBit(0, 3, false), 0u);
  EXPECT_EQ(TosShapes::setBit(5, 40, true), 5u);
  EXPECT_TRUE(TosShapes::bitset(5, 2));
  EXPECT_FALSE(TosShapes::bitset(5, 1));
  EXPECT_FALSE(TosShapes::bitset(0xFFFFFFFF, 32));
  int32_t pair[2] = {1, 2};
  EXPECT_EQ(*static_cast<int32_t*>(TosShapes::GetOffset(pair, 4)), 2);
}

TEST(TosShapes, PolygonOpaqueOrTintedWithOutline) {
  Tos t;
  TBitmap bm;
  make(bm, 20, 20);
  platform::TCanvas& cv = bm.Canvas();
  cv.Brush.Color = 0x000000;
  cv.Pen.Color = 0x0000FF;
  const TPoint square[] = {{2, 2}, {16, 2}, {16, 16}, {2, 16}, {2, 2}};
  const int32_t one[] = {5};
  t.polygon(cv, square, one, 100);
  EXPECT_EQ(at(bm, 8, 8), 0u);
  EXPECT_EQ(at(bm, 2, 8), 0x0000FFu);
  make(bm, 20, 20);
  cv.Brush.Color = 0x000000;
  t.polygon(cv, square, one, 50);
  EXPECT_EQ(at(bm, 8, 8), 0x7F7F7Fu);   // tinted
  EXPECT_EQ(at(bm, 2, 8), 0x0000FFu);   // outline with the pen
  EXPECT_EQ(at(bm, 18, 8), 0xFFFFFFu);  // outside
  // Two rings: the second is a hole.
  const TPoint rings[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}, {6, 6}, {14, 6}, {14, 14}, {6, 14}, {6, 6}};
  const int32_t two[] = {5, 5};
  cv.Pen.Style = platform::psClear;
  make(bm, 20, 20);
  cv.Brush.Color = 0x000000;
  TosShapes::polygon(cv, rings, two);
  EXPECT_EQ(at(bm, 3, 3), 0u);
  EXPECT_EQ(at(bm, 10, 10), 0xFFFFFFu);
}

TEST(TosShapes, SmoothedEllipseStaysInItsBox) {
  Tos t;
  TBitmap bm;
  make(bm, 30, 30);
  bm.Canvas().Brush.Color = 0x000000;
  bm.Canvas().Pen.Color = 0x000000;
  t.Ellipse(bm.Canvas(), 25, 25, 5, 5);  // given backwards
  EXPECT_EQ(at(bm, 15, 15), 0u);
  EXPECT_EQ(at(bm, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(at(bm, 28, 15), 0xFFFFFFu);
  const TColor rim = at(bm, 15, 5);
  EXPECT_NE(rim, 0xFFFFFFu);  // the edge is drawn, smoothed or solid
  ASSERT_NE(t.ebm, nullptr);
  EXPECT_EQ(t.ebm->Width(), 44);  // (x2 + p − x1 + 1) × 2
}

TEST(TosShapes, MultilineTextStepsByTheFontHeight) {
  TBitmap bm;
  make(bm, 120, 60);
  platform::TCanvas& cv = bm.Canvas();
  cv.Font.setHeight(-12);
  cv.Font.Color = 0x000000;
  TosShapes::textOutMultiline(cv, 2, 2, "H|H");
  auto rows = inkedRows(bm, 0);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.back(), 14);   // the second line one font height further down
  EXPECT_LT(rows.front(), 12);
  make(bm, 120, 60);
  TosShapes::textOutMultiline(cv, 2, 2, "H|");
  rows = inkedRows(bm, 0);
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(rows.back(), 14);  // nothing for the empty last piece
}

TEST(TosShapes, TextHeightFactorByFaceName) {
  TBitmap bm;
  make(bm, 4, 4);
  platform::TCanvas& cv = bm.Canvas();
  cv.Font.setName("Liberation Sans");
  TosShapes::setTextHeight(cv, 20);
  const int plain = cv.Font.Height();
  cv.Font.setName("Arial");  // drawn with the same face
  TosShapes::setTextHeight(cv, 20);
  EXPECT_LT(plain, 0);
  EXPECT_NEAR(double(cv.Font.Height()) / plain, 1.1, 0.03);
}

TEST(TosShapes, CharOutDrawsOneCharacterAndKeepsTheFont) {
  TBitmap bm;
  make(bm, 30, 30);
  platform::TCanvas& cv = bm.Canvas();
  cv.Font.setName("Liberation Serif");
  cv.Font.setHeight(-20);
  TosShapes::CharOut(cv, 4, 4, 0x25BA);
  EXPECT_EQ(cv.Font.Name(), "Liberation Serif");
  EXPECT_EQ(bm.dc().bkMode(), platform::BkMode::Transparent);
  EXPECT_FALSE(inkedRows(bm, 0).empty());
}

TEST(TosShapes, PartialDrawAtMostEveryHalfSecond) {
  Tos t;
  uint32_t now = 1000;
  t.ticks = [&now] { return now; };
  int calls = 0;
  t.onPartialDraw = [&calls](platform::TBitmap*) { ++calls; };
  Tview view;
  TBitmap bm;
  t.partialDraw(view);  // no bitmap: nothing
  EXPECT_EQ(calls, 0);
  view.bm = &bm;
  for (int i = 0; i < 12; ++i, now += 100) t.partialDraw(view);
  // Calls at 1000, then 1600 (more than 500 after), then 2200 (the last tick is 2100).
  EXPECT_EQ(calls, 2);
  now = 2200;
  t.partialDraw(view);
  EXPECT_EQ(calls, 3);
}
