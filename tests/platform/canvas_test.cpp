// The framework's canvas and bitmap: pen and brush properties reach the context, sizes and pixel
// formats keep pixels, drawing bitmaps onto canvases.
#include "platform/canvas.h"

#include <gtest/gtest.h>

#include "tests/platform/pixelmap.h"

using namespace platform;
using pixelmap::rows;

namespace {
std::string pic(TBitmap const& b) {
  return pixelmap::draw(b.surface(), {{clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'}, {clBlue, 'b'}});
}
}  // namespace

TEST(TBitmap, StartsWhiteAndKeepsPixelsAcrossSizeChanges) {
  TBitmap bm;
  EXPECT_EQ(bm.Width(), 0);
  EXPECT_EQ(bm.ScanLine(0), nullptr);
  bm.SetSize(3, 2);
  EXPECT_EQ(pic(bm), rows("...", "..."));
  bm.Canvas().SetPixels(0, 0, clRed);
  bm.Canvas().SetPixels(2, 1, clBlue);
  bm.SetSize(4, 3);
  EXPECT_EQ(pic(bm), rows("r...", "..b.", "...."));
  bm.SetWidth(1);
  EXPECT_EQ(pic(bm), rows("r", ".", "."));
  bm.SetSize(-5, 2);  // negative sizes count as 0
  EXPECT_EQ(bm.Width(), 0);
  EXPECT_EQ(bm.Canvas().Pixels(0, 0), CLR_INVALID);
}

TEST(TBitmap, PixelFormatChangesConvertThePixels) {
  TBitmap bm;
  bm.SetSize(9, 1);
  EXPECT_EQ(bm.PixelFormat(), pfDevice);
  bm.Canvas().SetPixels(1, 0, clBlack);
  bm.Canvas().SetPixels(2, 0, RGB(30, 30, 30));
  bm.SetPixelFormat(pf1bit);
  EXPECT_TRUE(bm.Monochrome());
  EXPECT_EQ(bm.surface().stride(), 4);
  // Into one bit, the white background is 1 and every other colour 0.
  EXPECT_EQ(bm.ScanLine(0)[0], 0x9F);
  bm.SetPixelFormat(pf32bit);
  EXPECT_EQ(bm.surface().bitsPerPixel(), 32);
  EXPECT_EQ(bm.Canvas().Pixels(2, 0), clBlack);
  EXPECT_EQ(bm.Canvas().Pixels(3, 0), clWhite);
}

TEST(TCanvas, PenAndBrushPropertiesReachTheDrawing) {
  TBitmap bm;
  bm.SetSize(8, 5);
  TCanvas& c = bm.Canvas();
  c.Brush.Color = clRed;
  c.Pen.Color = clBlue;
  c.Rectangle(0, 0, 5, 4);
  c.Pen.Style = psClear;
  c.Brush.Color = clBlack;
  c.Rectangle(5, 0, 8, 3);  // null pen: one pixel smaller
  c.Pen.Style = psSolid;
  c.Pen.Color = clBlack;
  c.MoveTo(0, 4);
  c.LineTo(8, 4);
  EXPECT_EQ(c.PenPos(), (TPoint{8, 4}));
  EXPECT_EQ(pic(bm), rows("bbbbb##.", "brrrb##.", "brrrb...", "bbbbb...", "########"));
  c.Brush.Color = clBlue;
  c.FillRect({6, 2, 8, 4});
  EXPECT_EQ(c.Pixels(7, 3), clBlue);
  EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 8, 5}));
}

TEST(TCanvas, DottedPenGapsTakeTheSolidBrushColour) {
  TBitmap bm;
  bm.SetSize(8, 1);
  TCanvas& c = bm.Canvas();
  c.Brush.Color = clRed;
  c.Pen.Style = psDot;
  c.MoveTo(0, 0);
  c.LineTo(8, 0);
  EXPECT_EQ(pic(bm), rows("###rrr##"));
  c.Brush.Style = bsClear;
  c.Pen.Color = clBlue;
  c.MoveTo(0, 0);
  c.LineTo(8, 0);
  EXPECT_EQ(pic(bm), rows("bbbrrrbb"));
}

TEST(TCanvas, DrawStretchDrawAndCopyRect) {
  TBitmap sprite;
  sprite.SetSize(2, 1);
  sprite.Canvas().SetPixels(0, 0, clRed);
  TBitmap bm;
  bm.SetSize(6, 2);
  bm.Canvas().Draw(1, 0, sprite);
  bm.Canvas().StretchDraw({3, 0, 5, 2}, sprite);  // 2 × 1 into 2 × 2
  EXPECT_EQ(pic(bm), rows(".r.r..", "...r.."));
  bm.Canvas().CopyMode = SRCINVERT;
  bm.Canvas().Draw(1, 0, sprite);
  EXPECT_EQ(pic(bm), rows(".##r..", "...r.."));  // red and white each xor themselves
  // A one-bit bitmap draws black and white even under a coloured brush.
  TBitmap mono;
  mono.SetSize(2, 1);
  mono.SetPixelFormat(pf1bit);
  mono.Canvas().SetPixels(0, 0, clBlack);
  TBitmap under;
  under.SetSize(2, 1);
  under.Canvas().Brush.Color = clBlue;
  under.Canvas().Draw(0, 0, mono);
  EXPECT_EQ(pic(under), rows("#."));
  TBitmap copy;
  copy.SetSize(2, 2);
  copy.Canvas().CopyRect({0, 0, 2, 2}, bm.Canvas(), {3, 0, 5, 2});
  EXPECT_EQ(pic(copy), rows("r.", "r."));
}

TEST(TCanvas, APenSelectedIntoTheContextStaysUntilTheCanvasPenChanges) {
  TBitmap bm;
  bm.SetSize(6, 2);
  TCanvas& c = bm.Canvas();
  c.MoveTo(0, 0);
  c.LineTo(1, 0);  // the canvas's own pen is selected now
  TPenDesc old = bm.dc().setPen(makeExtPen(PenType::Cosmetic, PenStyle::Alternate, 1, clRed, PenEndCap::Round, PenJoin::Round));
  c.MoveTo(0, 1);
  c.LineTo(6, 1);
  EXPECT_EQ(pic(bm), rows("#.....", "r.r.r."));
  bm.dc().setPen(old);
  c.Pen.Color = clBlue;  // a change of the canvas's pen selects it again
  c.MoveTo(0, 0);
  c.LineTo(6, 0);
  EXPECT_EQ(pic(bm), rows("bbbbbb", "r.r.r."));
}
