// Pictures fitted into boxes: margins, strips, the untouched odd column, transparency, pixel
// buffers, and metafiles with the monitor correction kept off printers.
#include "core/os_pictures.h"

#include <gtest/gtest.h>

#include "core/Tbm24.h"
#include "core/r_base.h"
#include "platform/imagecodec.h"
#include "platform/metafile.h"

using platform::TBitmap;
using platform::TColor;
using platform::TRect;

namespace {
void make(TBitmap& bm, int w, int h, TColor fill) {
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(w, h);
  bm.dc().fillRect({0, 0, w, h}, platform::solidBrush(fill));
}
TColor at(TBitmap const& bm, int x, int y) { return bm.surface().pixel(x, y); }
constexpr TColor kPaper = 0x00FF00, kStrip = 0xFF0000, kPicture = 0x0000FF;
}  // namespace

TEST(TosPictures, FitCentresThePicture) {
  struct Case { const char* id; double pw, ph; TRect box; TboxFit want; } cases[] = {
      {"wider box", 100, 100, {0, 0, 200, 100}, {100, 100, 50, 0}},
      {"odd leftover", 100, 100, {0, 0, 201, 100}, {100, 100, 50, 0}},
      {"taller box", 100, 50, {0, 0, 100, 100}, {100, 50, 0, 25}},
      {"A4 landscape", 29700, 21000, {0, 0, 600, 600}, {600, 424, 0, 88}},
      {"empty picture", 0, 10, {0, 0, 10, 10}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const TboxFit f = TosPictures::fitInBox(c.pw, c.ph, c.box);
    EXPECT_EQ(f.dw, c.want.dw);
    EXPECT_EQ(f.dh, c.want.dh);
    EXPECT_EQ(f.mx, c.want.mx);
    EXPECT_EQ(f.my, c.want.my);
  }
}

TEST(TosPictures, BitmapFillsStripsAndLeavesTheOddColumn) {
  Tos t;
  TBitmap canvas, pic;
  make(pic, 100, 100, kPicture);
  make(canvas, 201, 100, kPaper);
  canvas.Canvas().Brush.Color = kStrip;
  TRect used;
  t.BitmapToBox(canvas.Canvas(), pic, {0, 0, 201, 100}, used);
  EXPECT_EQ(used, (TRect{50, 0, 150, 100}));
  EXPECT_EQ(at(canvas, 49, 50), kStrip);
  EXPECT_EQ(at(canvas, 50, 50), kPicture);
  EXPECT_EQ(at(canvas, 149, 99), kPicture);
  EXPECT_EQ(at(canvas, 150, 50), kPaper);  // the odd column stays untouched
  EXPECT_EQ(at(canvas, 151, 50), kStrip);
  EXPECT_EQ(canvas.dc().stretchBltMode(), platform::StretchMode::Halftone);
  make(pic, 100, 50, kPicture);
  make(canvas, 100, 100, kPaper);
  t.BitmapToBox(canvas.Canvas(), pic, {0, 0, 100, 100}, used);
  EXPECT_EQ(used, (TRect{0, 25, 100, 75}));
  EXPECT_EQ(at(canvas, 50, 24), kStrip);
  EXPECT_EQ(at(canvas, 50, 75), kStrip);
}

TEST(TosPictures, TransparentColourLetsTheCanvasShow) {
  Tos t;
  TBitmap canvas, pic;
  make(pic, 10, 10, 0xFFFFFF);
  pic.dc().fillRect({0, 0, 5, 10}, platform::solidBrush(kPicture));
  make(canvas, 40, 20, kPaper);
  canvas.Canvas().Brush.Color = kStrip;
  t.BitmapToBox(canvas.Canvas(), pic, {0, 0, 40, 20}, int32_t(0xFFFFFF));
  EXPECT_EQ(at(canvas, 12, 10), kPicture);
  EXPECT_EQ(at(canvas, 27, 10), kPaper);  // white let through
  EXPECT_EQ(at(canvas, 2, 10), kPaper);   // no strips
  t.BitmapToBox(canvas.Canvas(), pic, {0, 0, 40, 20}, TosPictures::Transparent::Yes);
  EXPECT_EQ(at(canvas, 27, 10), 0xFFFFFFu);
  EXPECT_EQ(at(canvas, 2, 10), kPaper);
  Tbm24 buffer;
  buffer.setsize(4, 4);
  buffer.fillAll(Tbgr{0, 0, 255});
  make(canvas, 40, 20, kPaper);
  t.BitmapToBox(canvas.Canvas(), buffer, {0, 0, 40, 20});
  EXPECT_EQ(at(canvas, 20, 10), kPicture);
  EXPECT_EQ(at(canvas, 5, 10), kPaper);
}

TEST(TosPictures, MetafileScaledOnDisplaysOnly) {
  Tos t;
  platform::TMetafile m;
  {
    platform::TMetafileRecorder r(m, 297, 210, 1.0);  // 297 × 210 mm
    r.fillRect({0, 0, 297, 210}, platform::solidBrush(kPicture));
  }
  ASSERT_EQ(m.MMWidth(), 29700);
  TBitmap canvas;
  make(canvas, 1000, 800, kPaper);
  canvas.Canvas().Brush.Color = kStrip;
  EXPECT_EQ(t.MetafileToBox(canvas.Canvas(), m, {0, 0, 600, 600}), (TRect{0, 88, 600, 512}));
  EXPECT_EQ(at(canvas, 300, 87), kStrip);
  EXPECT_EQ(at(canvas, 599, 511), kPicture);
  EXPECT_EQ(at(canvas, 300, 512), kStrip);
  t.monitorScaleFactor = [] { return 1.5; };
  make(canvas, 1000, 800, kPaper);
  EXPECT_EQ(t.MetafileToBox(canvas.Canvas(), m, {0, 0, 600, 600}, true), (TRect{0, 88, 600, 512}));
  EXPECT_EQ(at(canvas, 899, 723), kPicture);  // played into (0, 88, 900, 724)
  EXPECT_EQ(at(canvas, 900, 723), kPaper);
  EXPECT_EQ(at(canvas, 300, 87), kPaper);  // noFill
  // A printer page never takes the monitor's correction.
  make(canvas, 1000, 800, kPaper);
  canvas.dc().setTechnology(platform::TDeviceContext::Technology::RasterPrinter);
  t.MetafileToBox(canvas.Canvas(), m, {0, 0, 600, 600}, true);
  EXPECT_EQ(at(canvas, 599, 511), kPicture);
  EXPECT_EQ(at(canvas, 700, 511), kPaper);
  EXPECT_EQ(at(canvas, 300, 600), kPaper);
}

TEST(TosPictures, MetafileAsAGraphic) {
  Tos t;
  platform::TMetafile m;
  {
    platform::TMetafileRecorder r(m, 20, 10);
    r.fillRect({0, 0, 10, 10}, platform::solidBrush(kPicture));
  }
  TBitmap canvas;
  make(canvas, 60, 20, kPaper);
  canvas.Canvas().Brush.Color = kStrip;
  t.GraphicToBox(canvas.Canvas(), m, {0, 0, 60, 20});
  EXPECT_EQ(at(canvas, 5, 10), kStrip);
  EXPECT_EQ(at(canvas, 15, 10), kPicture);
  EXPECT_EQ(at(canvas, 45, 10), 0xFFFFFFu);  // the graphic's own empty half, white
  ASSERT_NE(t.stripBM, nullptr);
  EXPECT_EQ(t.stripBM->Width(), 40);
  make(canvas, 60, 20, kPaper);
  t.GraphicToBox(canvas.Canvas(), m, {0, 0, 60, 20}, int32_t(0xFFFFFF));
  EXPECT_EQ(at(canvas, 15, 10), kPicture);
  EXPECT_EQ(at(canvas, 45, 10), kPaper);
  EXPECT_EQ(at(canvas, 5, 10), kPaper);
}

// A bitmap and a decoded image of two colours side by side, a white third between: fitted as
// graphics they fill the box's middle with strips beside, and white shows the canvas through
// when it is the transparent colour.
TEST(TosPictures, BitmapsAndDecodedImagesAsGraphics) {
  Tos t;
  TBitmap bitmap;
  make(bitmap, 30, 10, kPicture);
  bitmap.dc().fillRect({10, 0, 20, 10}, platform::solidBrush(0xFFFFFF));
  bitmap.dc().fillRect({20, 0, 30, 10}, platform::solidBrush(0x000000));
  platform::TrgbImage image;  // the same in red, green, blue bytes
  image.width = 30, image.height = 10;
  image.rgb.resize(30 * 10 * 3);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 30; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = x < 20 ? 0xFF : 0;
      p[1] = p[2] = x >= 10 && x < 20 ? 0xFF : 0;
    }
  struct Case {
    const char* id;
    TGraphic g;
  } cases[] = {{"bitmap", bitmap}, {"decoded image", image}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TBitmap canvas;
    make(canvas, 100, 20, kPaper);
    canvas.Canvas().Brush.Color = kStrip;
    t.GraphicToBox(canvas.Canvas(), c.g, {0, 0, 100, 20});  // 60 × 20 at x = 20
    EXPECT_EQ(at(canvas, 10, 10), kStrip);
    EXPECT_EQ(at(canvas, 25, 10), kPicture);
    EXPECT_EQ(at(canvas, 50, 10), 0xFFFFFFu);
    EXPECT_EQ(at(canvas, 75, 10), 0x000000u);
    EXPECT_EQ(at(canvas, 90, 10), kStrip);
    make(canvas, 100, 20, kPaper);
    t.GraphicToBox(canvas.Canvas(), c.g, {0, 0, 100, 20}, int32_t(0xFFFFFF));
    EXPECT_EQ(at(canvas, 10, 10), kPaper) << "no strips";
    EXPECT_EQ(at(canvas, 25, 10), kPicture);
    EXPECT_EQ(at(canvas, 50, 10), kPaper) << "white lets the canvas show";
    EXPECT_EQ(at(canvas, 75, 10), 0x000000u);
  }
}

// A metafile with a bitmap drawn into it plays the bitmap where it was drawn, as a graphic too.
TEST(TosPictures, MetafileHoldingABitmapAsAGraphic) {
  Tos t;
  TBitmap bitmap;
  make(bitmap, 2, 2, kPicture);
  platform::TMetafile m;
  {
    platform::TMetafileCanvas mc(m, 40, 20);
    mc.canvas().StretchDraw({20, 0, 40, 20}, bitmap);
  }
  TBitmap canvas;
  make(canvas, 80, 20, kPaper);
  canvas.Canvas().Brush.Color = kStrip;
  t.GraphicToBox(canvas.Canvas(), m, {0, 0, 80, 20});  // 40 × 20 at x = 20
  EXPECT_EQ(at(canvas, 10, 10), kStrip);
  EXPECT_EQ(at(canvas, 30, 10), 0xFFFFFFu);
  EXPECT_EQ(at(canvas, 50, 10), kPicture);
  EXPECT_EQ(at(canvas, 70, 10), kStrip);
}

TEST(TosPictures, LinkedDocumentsAreNotAvailable) {
  Tos t;
  EXPECT_EQ(t.OLEtoBmp("report.doc", 4), nullptr);
  EXPECT_EQ(t.OLEtoMetafile("report.doc"), nullptr);
}
