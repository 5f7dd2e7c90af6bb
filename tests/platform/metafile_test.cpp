// Metafiles: a drawing recorded once plays the same picture scaled into boxes of two sizes.
#include "platform/metafile.h"

#include <gtest/gtest.h>

#include "platform/canvas.h"

using namespace platform;

namespace {
void make(TBitmap& bm, int w, int h) {
  bm.SetPixelFormat(pf24bit);
  bm.SetSize(w, h);
  bm.dc().fillRect({0, 0, w, h}, solidBrush(clWhite));
}
// The height in pixels of the rows holding ink of a colour.
int inkHeight(TBitmap const& bm, TColor c) {
  int top = -1, bottom = -1;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (bm.surface().pixel(x, y) == c) {
        if (top < 0) top = y;
        bottom = y;
      }
  return top < 0 ? 0 : bottom - top + 1;
}

// A frame of 100 × 50 reference pixels: a red box, a blue triangle with a hole-free outline.
void record(TMetafile& m) {
  TMetafileRecorder r(m, 100, 50);
  r.setPen(makePen(PenStyle::Null, 1, 0));
  r.fillRect({10, 10, 50, 30}, solidBrush(clRed));
  r.setBrush(solidBrush(clBlue));
  const TPoint tri[] = {{60, 4}, {96, 4}, {60, 40}};
  r.polygon(tri);
  r.setPen(makeExtPen(PenType::Geometric, PenStyle::Solid, 4, clLime, PenEndCap::Flat, PenJoin::Miter));
  r.moveTo(0, 46);
  r.lineTo(100, 46);
}
}  // namespace

TEST(TMetafile, FrameIsKeptInHundredthsOfAMillimetre) {
  TMetafile m;
  TMetafileRecorder r(m, 96, 48);  // an inch by half an inch at 96 pixels per inch
  EXPECT_EQ(m.MMWidth(), 2540);
  EXPECT_EQ(m.MMHeight(), 1270);
  TMetafile p;
  TMetafileRecorder q(p, 300, 300, 300 / 25.4);
  EXPECT_EQ(p.MMWidth(), 2540);
}

TEST(TMetafile, PlaysTheSameDrawingAtTwoSizes) {
  TMetafile m;
  record(m);
  TBitmap small, large;
  make(small, 100, 50);
  make(large, 200, 100);
  ASSERT_TRUE(PlayEnhMetaFile(small.dc(), m, {0, 0, 100, 50}));
  ASSERT_TRUE(PlayEnhMetaFile(large.dc(), m, {0, 0, 200, 100}));
  EXPECT_EQ(small.surface().pixel(10, 10), clRed);
  EXPECT_EQ(small.surface().pixel(50, 30), clWhite);
  EXPECT_EQ(large.surface().pixel(99, 59), clRed);
  EXPECT_EQ(large.surface().pixel(100, 60), clWhite);
  int differ = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) differ += small.surface().pixel(x, y) != large.surface().pixel(2 * x, 2 * y);
  // Only pixels on the triangle's slanted edge may round differently.
  EXPECT_LE(differ, 40);
  // The pen width scales with the picture: 4 pixels, then 8.
  EXPECT_EQ(inkHeight(small, clLime), 4);
  EXPECT_EQ(inkHeight(large, clLime), 8);
  // An offset box moves the picture; the context's own pen is put back.
  TBitmap moved;
  make(moved, 120, 70);
  moved.dc().setPen(makePen(PenStyle::Solid, 1, clBlack));
  ASSERT_TRUE(PlayEnhMetaFile(moved.dc(), m, {20, 20, 120, 70}));
  EXPECT_EQ(moved.surface().pixel(30, 30), clRed);
  EXPECT_EQ(moved.surface().pixel(29, 30), clWhite);
  EXPECT_EQ(moved.dc().pen().color, clBlack);
}

TEST(TMetafile, TextScalesWithThePicture) {
  TMetafile m;
  {
    TMetafileRecorder r(m, 100, 40);
    TLogFont f;
    f.faceName = "Liberation Sans";
    f.height = -16;
    r.selectFont(f);
    r.setTextColor(clBlack);
    r.setBkMode(BkMode::Transparent);
    r.textOut(4, 4, "HH");
  }
  TBitmap small, large;
  make(small, 100, 40);
  make(large, 200, 80);
  PlayEnhMetaFile(small.dc(), m, {0, 0, 100, 40});
  PlayEnhMetaFile(large.dc(), m, {0, 0, 200, 80});
  const int hs = inkHeight(small, clBlack), hl = inkHeight(large, clBlack);
  ASSERT_GT(hs, 0);
  EXPECT_NEAR(double(hl) / hs, 2.0, 0.25);
}

TEST(TMetafile, EmptyFrameOrBoxPlaysNothing) {
  TMetafile m;
  TBitmap bm;
  make(bm, 10, 10);
  EXPECT_FALSE(PlayEnhMetaFile(bm.dc(), m, {0, 0, 10, 10}));
  record(m);
  EXPECT_FALSE(PlayEnhMetaFile(bm.dc(), m, {5, 5, 5, 9}));
  EXPECT_EQ(bm.surface().pixel(5, 5), clWhite);
}

TEST(TMetafile, CanvasRecordsWhatItWouldHavePainted) {
  // The same drawing straight onto a bitmap and through a metafile canvas played at 1:1 and 2:1.
  auto draw = [](TCanvas& cv) {
    cv.Brush.Color = clRed;
    cv.Pen.Color = clBlue;
    cv.Rectangle(4, 4, 30, 20);
    cv.Brush.Color = clLime;
    cv.Pen.Style = psClear;
    cv.Ellipse(34, 4, 60, 30);
    cv.Pie(4, 24, 30, 44, 30, 34, 17, 24);
    cv.Brush.Color = clBlue;
    cv.FillRect({40, 34, 56, 44});
  };
  TBitmap direct;
  make(direct, 64, 48);
  draw(direct.Canvas());
  TMetafile m;
  {
    TMetafileCanvas mc(m, 64, 48);
    draw(mc.canvas());
    EXPECT_EQ(mc.dc().technology(), TDeviceContext::Technology::Metafile);
  }
  EXPECT_GT(m.recordCount(), 4u);
  TBitmap same, twice;
  make(same, 64, 48);
  make(twice, 128, 96);
  PlayEnhMetaFile(same.dc(), m, {0, 0, 64, 48});
  PlayEnhMetaFile(twice.dc(), m, {0, 0, 128, 96});
  int differ = 0, differTwice = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      differ += same.surface().pixel(x, y) != direct.surface().pixel(x, y);
      differTwice += twice.surface().pixel(2 * x + 1, 2 * y + 1) != direct.surface().pixel(x, y);
    }
  EXPECT_LE(differ, 12);  // the pie's rim is a polygon here, a rasterised arc there
  EXPECT_LE(differTwice, 100);  // and the rectangle's cosmetic outline stays one pixel wide
  EXPECT_EQ(same.surface().pixel(10, 10), clRed);
  EXPECT_EQ(same.surface().pixel(4, 10), clBlue);
  EXPECT_EQ(twice.surface().pixel(100, 80), clBlue);
}
