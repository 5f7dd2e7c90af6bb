// The pixel buffers through the platform canvas: their own contexts view their rows, block copies
// into other contexts, clip regions honoured by the buffer's own fills, the reduced extract.
#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/gdi.h"
#include "tests/support/testenv.h"

using platform::RGB;
using platform::TDeviceContext;
using platform::TRect;
using platform::TSurface;

namespace {
struct Target {
  TSurface s;
  TDeviceContext dc;
  Target(int w, int h, platform::TColor fill) {
    s.create(w, h, 24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) s.setPixel(x, y, fill);
    dc.bind(&s);
  }
};

Tbgr px(TrawBitmap24& b, int col, int row) {
  Tbgr c;
  b.getPixel(col, row, c);
  return c;
}

// Pixel (col, row) has red = col, green = row.
void paintCoords(TrawBitmap24& b) {
  for (int row = 0; row < b.height(); ++row)
    for (int col = 0; col < b.width(); ++col) b.setPixel(col, row, uint8_t(col), uint8_t(row), uint8_t(9));
}
}  // namespace

TEST(TrawBitmap24Dc, ContextViewsTheBuffersOwnRows) {
  TrawBitmap24 b;
  b.setsize(4, 3);
  b.fillBlack();
  b.dc().setPixel(2, 1, RGB(10, 20, 30));
  EXPECT_EQ(px(b, 2, 1), (Tbgr{30, 20, 10}));
  b.setPixel(0, 2, uint8_t(1), uint8_t(2), uint8_t(3));
  EXPECT_EQ(b.dc().getPixel(0, 2), RGB(1, 2, 3));
  b.setsize(5, 5);  // a size change gives a new context on new rows
  EXPECT_EQ(b.dc().surface()->width(), 5);
  TrawBitmap24 empty;
  Target t(2, 2, 0xFFFFFF);
  empty.Draw(t.dc, 0, 0);  // nothing to copy, nothing drawn
  EXPECT_EQ(t.s.pixel(0, 0), 0xFFFFFFu);
}

TEST(TrawBitmap24Dc, OwnFillsHonourTheClipOfItsContext) {
  TrawBitmap24 b;
  b.setsize(6, 1);
  b.fillBlack();
  b.dc().intersectClipRect(2, 0, 4, 1);
  b.fillRect(TRect{0, 0, 6, 1}, Tbgr{255, 255, 255}, 100);
  b.fillRect(TRect{0, 0, 6, 1}, Tbgr{0, 0, 255}, 50);
  EXPECT_EQ(px(b, 1, 0), (Tbgr{0, 0, 0}));
  EXPECT_EQ(px(b, 2, 0), (Tbgr{127, 127, 255}));  // 255 * 127 / 255 left of the white
  EXPECT_EQ(px(b, 4, 0), (Tbgr{0, 0, 0}));
  TrawBitmap24 src;
  src.setsize(6, 1);
  src.fillAll(Tbgr{0, 255, 0});
  src.Draw(b, 0, 0, 100);  // drawing into b is clipped by b's context too
  EXPECT_EQ(px(b, 0, 0), (Tbgr{0, 0, 0}));
  EXPECT_EQ(px(b, 3, 0), (Tbgr{0, 255, 0}));
}

TEST(TrawBitmap24Dc, DrawCopiesUnscaledOrStretched) {
  TrawBitmap24 b;
  b.setsize(3, 2);
  paintCoords(b);
  Target t(6, 4, 0xFFFFFF);
  b.Draw(t.dc, 1, 1);
  EXPECT_EQ(t.s.pixel(1, 1), RGB(0, 0, 9));
  EXPECT_EQ(t.s.pixel(3, 2), RGB(2, 1, 9));
  EXPECT_EQ(t.s.pixel(0, 0), 0xFFFFFFu);
  b.fillAll(Tbgr{0, 0, 200});
  b.Draw(t.dc, TRect{0, 0, 6, 4});
  EXPECT_EQ(t.dc.stretchBltMode(), platform::StretchMode::Halftone);
  EXPECT_EQ(t.s.pixel(5, 3), RGB(200, 0, 0));
}

TEST(TrawBitmap24Dc, DrawExtractClipsNegativePositionsOffTheSource) {
  TrawBitmap24 b;
  b.setsize(100, 50);
  paintCoords(b);
  Target t(120, 60, 0xFFFFFF);
  b.DrawExtract(t.dc, 10, -5, TRect{0, 0, 100, 50});
  EXPECT_EQ(t.s.pixel(10, 0), RGB(0, 5, 9));
  EXPECT_EQ(t.s.pixel(109, 44), RGB(99, 49, 9));
  EXPECT_EQ(t.s.pixel(10, 45), 0xFFFFFFu);
  EXPECT_EQ(t.s.pixel(9, 0), 0xFFFFFFu);
  EXPECT_EQ(t.s.pixel(110, 0), 0xFFFFFFu);
  b.DrawExtract(t.dc, -200, 0, TRect{0, 0, 100, 50});  // clipped away entirely
  b.DrawExtract(t.dc, 0, 0, TRect{-10, -10, 500, 500});  // an extract larger than the buffer stays inside it
  b.DrawExtract(t.dc, TRect{-10, -10, 500, 500}, TRect{0, 0, 120, 60});
}

TEST(TrawBitmap24Dc, DrawExtractStretchesIntoTheTargetBox) {
  TrawBitmap24 b;
  b.setsize(1920, 200);
  b.fillAll(Tbgr{0, 100, 0});
  Target t(1100, 120, 0xFFFFFF);
  b.DrawExtract(t.dc, TRect{0, 0, 1920, 200}, TRect{40, 0, 1000, 100});
  EXPECT_EQ(t.s.pixel(39, 50), 0xFFFFFFu);
  EXPECT_EQ(t.s.pixel(40, 0), RGB(0, 100, 0));
  EXPECT_EQ(t.s.pixel(999, 99), RGB(0, 100, 0));
  EXPECT_EQ(t.s.pixel(1000, 50), 0xFFFFFFu);
  EXPECT_EQ(t.s.pixel(500, 100), 0xFFFFFFu);
}

TEST(TbitmapBinDc, ReducedExtractShrinksOnly) {
  createOs();
  const std::string dir = testenv::tempDir();
  {
    TrawBitmap24 frame;
    frame.setsize(1920, 960);
    frame.fillAll(Tbgr{10, 20, 30});
    ASSERT_TRUE(frame.savetofile(dir + "frame.bmp"));
    TStringList files;
    files.add(dir + "frame.bmp");
    ASSERT_TRUE(TbitmapBin::MakeFromFiles(dir + "1920.bin", 1920, 960, 24, files));
  }
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(dir + "1920.bin"));
  struct Case { int width, w, h; } cases[] = {{0, 1920, 960}, {960, 960, 480}, {2000, 1920, 960}, {-4, 1920, 960}, {7, 7, 4}};
  for (auto c : cases) {
    SCOPED_TRACE(c.width);
    TrawBitmap24 rb;
    ASSERT_TRUE(bin.extract(rb, 0, c.width));
    EXPECT_EQ(rb.width(), c.w);
    EXPECT_EQ(rb.height(), c.h);
    EXPECT_EQ(px(rb, c.w - 1, c.h - 1), (Tbgr{10, 20, 30}));
  }
  freeOs();
}

TEST(TbitmapMonoDc, ShapesDrawnOnItsContextAreTestedByBit) {
  TbitmapMono m;
  m.setSize(16, 16);
  m.fillBlack();
  m.whiteBrush();
  m.whitePen();
  m.dc().ellipse(0, 0, 16, 16);
  EXPECT_TRUE(m.isWhite(8, 8));
  EXPECT_FALSE(m.isWhite(0, 0));
  m.solidPen(3, 0);
  m.dc().moveTo(0, 8);
  m.dc().lineTo(16, 8);
  EXPECT_FALSE(m.isWhite(8, 8));
  Target t(16, 16, 0x0000FF);
  m.Draw(t.dc, 0, 0);
  EXPECT_EQ(t.s.pixel(0, 0), 0x000000u);
  EXPECT_EQ(t.s.pixel(8, 4), 0xFFFFFFu);
}

TEST(TrawBitmapDc, DeviceBitmapShowsThePaletteColours) {
  TrawBitmap r;
  r.init(3, 1, 8);
  r.setcolour24(1, 0, 77, 77, 77);
  auto s = r.getBitmap();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->pixel(1, 0), RGB(77, 77, 77));
  EXPECT_EQ(s->pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(r.BitmapDC().getPixel(1, 0), RGB(77, 77, 77));
  TrawBitmap none;
  EXPECT_FALSE(none.getBitmap());
}
