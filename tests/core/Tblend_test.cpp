// Tblend: opacity, strip cutting, tints (grey, colour, masked, polygon), masked draws, textures,
// regions from masks and palettes, with pixel checks on small off-screen bitmaps.
#include "core/Tblend.h"

#include <gtest/gtest.h>

#include "core/r_base.h"

using platform::TBitmap;
using platform::TColor;
using platform::TRect;

namespace {
void make(TBitmap& bm, int w, int h, TColor fill = 0xFFFFFF) {
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(w, h);
  bm.Canvas().Brush.Color = fill;
  bm.Canvas().FillRect({0, 0, w, h});
}
// A one-bit mask, white where the predicate holds.
void makeMask(TBitmap& m, int w, int h, bool (*white)(int, int)) {
  m.SetPixelFormat(platform::pf1bit);
  m.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.Canvas().SetPixels(x, y, white(x, y) ? platform::clWhite : platform::clBlack);
}
TColor at(TBitmap const& bm, int x, int y) { return bm.Canvas().Pixels(x, y); }

struct Strip {
  int x, w, sx, sw;
};
std::vector<Strip> strips;
bool recordStrip(platform::TDeviceContext&, int x, int, int w, int, platform::TDeviceContext const&, int sx, int,
                 int sw, int, platform::TBlendFunction) {
  strips.push_back({x, w, sx, sw});
  return true;
}
}  // namespace

TEST(Tblend, OpacityFromPercent) {
  struct Case { double percent; int want; } cases[] = {{50, 128}, {100, 255}, {150, 255}, {-50, 128}, {0, 0}, {-30, 76}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(Tblend::opacityOf(c.percent), c.want);
  }
}

TEST(Tblend, WideBlendsAreCutIntoColumnStrips) {
  Tblend b;
  b.alphaBlendEntry = recordStrip;
  platform::TDeviceContext t, s;
  struct Case { const char* id; int width, height, swidth; std::vector<int> starts, sources; } cases[] = {
      {"two strips", 10000, 5000, 10000, {0, 5000}, {0, 5000}},
      {"one strip", 10000, 2500, 10000, {0}, {0}},
      {"shrinking source", 10000, 5000, 5000, {0, 5000}, {0, 2500}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    strips.clear();
    EXPECT_TRUE(b.PercentBlend(t, 0, 0, c.width, c.height, s, 0, 0, c.swidth, c.height, 50));
    ASSERT_EQ(strips.size(), c.starts.size());
    int columns = 0;
    for (size_t i = 0; i < strips.size(); ++i) {
      EXPECT_EQ(strips[i].x, c.starts[i]);
      EXPECT_EQ(strips[i].sx, c.sources[i]);
      columns += strips[i].w;
    }
    EXPECT_EQ(columns, c.width);
  }
  strips.clear();
  EXPECT_TRUE(b.PercentBlend(t, 0, 0, 0, 10, s, 0, 0, 0, 10, 50));
  EXPECT_FALSE(b.PercentBlend(t, 0, 0, 10, 0, s, 0, 0, 10, 0, 50));
  EXPECT_TRUE(strips.empty());
  b.alphaBlendEntry = nullptr;
  EXPECT_FALSE(b.PercentBlend(t, 0, 0, 10, 10, s, 0, 0, 10, 10, 50));
}

TEST(Tblend, StretchModeFollowsTheDirection) {
  Tblend b;
  TBitmap big, small;
  make(big, 400, 2);
  make(small, 200, 2);
  b.StretchBlt(small.Canvas(), 0, 0, 200, 2, big.Canvas(), 0, 0, 400, 2, platform::SRCCOPY);
  EXPECT_EQ(small.dc().stretchBltMode(), platform::StretchMode::Halftone);
  b.StretchBlt(big.Canvas(), 0, 0, 400, 2, small.Canvas(), 0, 0, 200, 2, platform::SRCCOPY);
  EXPECT_EQ(big.dc().stretchBltMode(), platform::StretchMode::ColorOnColor);
}

TEST(Tblend, GreyTintCoversExactlyTheBox) {
  Tblend b;
  TBitmap bm;
  make(bm, 6, 4, platform::RGB(90, 100, 110));  // grey 100
  bm.Canvas().SetPixels(1, 1, 0xFFFFFF);
  b.Tint(bm.Canvas(), TRect{0, 0, 4, 3}, -1, 50);
  EXPECT_EQ(at(bm, 0, 0), platform::RGB(178, 178, 178));  // 100 + round(77.5)
  EXPECT_EQ(at(bm, 3, 2), platform::RGB(178, 178, 178));
  EXPECT_EQ(at(bm, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(at(bm, 4, 0), platform::RGB(90, 100, 110));  // right edge excluded
  EXPECT_EQ(at(bm, 0, 3), platform::RGB(90, 100, 110));  // bottom edge excluded
  b.Tint(bm.Canvas(), TRect{6, 4, 4, 3}, -1, 0);         // turned round: (4, 3, 6, 4)
  EXPECT_EQ(at(bm, 5, 3), platform::RGB(100, 100, 100));
  EXPECT_EQ(at(bm, 5, 2), platform::RGB(90, 100, 110));
}

TEST(Tblend, ColourTintBlendsTheSwatch) {
  Tblend b;
  TBitmap bm;
  make(bm, 5, 5);
  b.Tint(bm.Canvas(), TRect{1, 1, 4, 4}, 0x000000, 50);
  EXPECT_EQ(at(bm, 2, 2), 0x7F7F7Fu);
  EXPECT_EQ(at(bm, 4, 4), 0xFFFFFFu);
  b.Tint(bm.Canvas(), TRect{0, 0, 5, 0}, 0x000000, 100);
  EXPECT_EQ(at(bm, 0, 0), 0xFFFFFFu);
}

TEST(Tblend, MaskedBlendShowsTheSourceWhereTheMaskIsWhite) {
  Tblend b;
  TBitmap target, source, mask;
  make(target, 4, 1, 0x0000FF);
  make(source, 4, 1, 0x00FF00);
  makeMask(mask, 4, 1, [](int x, int) { return x < 2; });
  b.PercentBlend(target.Canvas(), source.Canvas(), TRect{0, 0, 4, 1}, 100, &mask);
  EXPECT_EQ(at(target, 0, 0), 0x00FF00u);
  EXPECT_EQ(at(target, 1, 0), 0x00FF00u);
  EXPECT_EQ(at(target, 2, 0), 0x0000FFu);
  make(target, 4, 1, 0x0000FF);
  b.PercentBlend(target.Canvas(), source.Canvas(), TRect{0, 0, 4, 1}, 100, &mask, true);
  EXPECT_EQ(at(target, 0, 0), 0x0000FFu);
  EXPECT_EQ(at(target, 3, 0), 0x00FF00u);
  EXPECT_EQ(target.dc().textColor(), platform::clBlack);
}

TEST(Tblend, MaskedTintsAndDraws) {
  Tblend b;
  TBitmap bm, mask, pic;
  makeMask(mask, 4, 1, [](int x, int) { return x >= 2; });
  // Box form: tinted where the mask is black.
  make(bm, 4, 1);
  b.Tint(bm.Canvas(), TRect{0, 0, 4, 1}, 0x000000, 100, &mask, false);
  EXPECT_EQ(at(bm, 0, 0), 0u);
  EXPECT_EQ(at(bm, 3, 0), 0xFFFFFFu);
  // Width and height form: tinted where the mask is white.
  make(bm, 4, 1);
  b.Tint(bm.Canvas(), 4, 1, 0x000000, 100, mask);
  EXPECT_EQ(at(bm, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(at(bm, 3, 0), 0u);
  make(bm, 4, 1);
  make(pic, 4, 1, 0xFF0000);
  EXPECT_TRUE(b.MaskDraw(bm.Canvas(), TRect{0, 0, 4, 1}, pic, mask));
  EXPECT_EQ(at(bm, 1, 0), 0xFF0000u);
  EXPECT_EQ(at(bm, 2, 0), 0xFFFFFFu);
  // White pixels of the picture leave the canvas showing.
  make(bm, 4, 1, 0x00FF00);
  pic.Canvas().SetPixels(0, 0, 0xFFFFFF);
  EXPECT_TRUE(b.WhiteMaskDraw(bm.Canvas(), TRect{0, 0, 4, 1}, pic));
  EXPECT_EQ(at(bm, 0, 0), 0x00FF00u);
  EXPECT_EQ(at(bm, 1, 0), 0xFF0000u);
  make(bm, 4, 1);
  b.MonoAsColour(bm.Canvas(), TRect{0, 0, 4, 1}, 0x0000FF, mask);
  EXPECT_EQ(at(bm, 0, 0), 0x0000FFu);
  EXPECT_EQ(at(bm, 3, 0), 0xFFFFFFu);
}

TEST(Tblend, ParallelogramCopyMirrorsAcross) {
  Tblend b;
  TBitmap target, source;
  make(target, 4, 4);
  make(source, 4, 4, 0x0000FF);
  source.dc().fillRect({0, 0, 2, 4}, platform::solidBrush(0x00FF00));  // left half green
  const platform::TPoint mirrored[] = {{4, 0}, {0, 0}, {4, 4}};       // left and right swapped
  ASSERT_TRUE(b.PlgBlt(target.Canvas(), mirrored, source.Canvas(), 0, 0, 4, 4, nullptr, 0, 0));
  EXPECT_EQ(at(target, 0, 1), 0x0000FFu);
  EXPECT_EQ(at(target, 3, 1), 0x00FF00u);
}

TEST(Tblend, PolygonTintNeedsAClosedRing) {
  Tblend b;
  TBitmap bm;
  const platform::TPoint triangle[] = {{1, 1}, {9, 1}, {1, 9}};
  const int three[] = {3};
  make(bm, 12, 12);
  b.Tint(bm.Canvas(), TRect{0, 0, 12, 12}, triangle, three, 0x000000, 100);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(at(bm, x, y), 0xFFFFFFu);
  const platform::TPoint closed[] = {{1, 1}, {9, 1}, {1, 9}, {1, 1}};
  const int four[] = {4};
  b.Tint(bm.Canvas(), TRect{0, 0, 12, 12}, closed, four, 0x000000, 100);
  EXPECT_EQ(at(bm, 2, 2), 0u);
  EXPECT_EQ(at(bm, 8, 8), 0xFFFFFFu);
  EXPECT_EQ(at(bm, 10, 2), 0xFFFFFFu);
  // An edge band: the edge colour along the ring, the fill colour deeper inside.
  const platform::TPoint square[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}};
  const int five[] = {5};
  make(bm, 24, 24);
  b.Tint(bm.Canvas(), TRect{0, 0, 24, 24}, square, five, 0x00FF00, 0x0000FF, 6, false, 100);
  EXPECT_EQ(at(bm, 1, 10), 0x0000FFu);
  EXPECT_EQ(at(bm, 10, 10), 0x00FF00u);
  EXPECT_EQ(at(bm, 22, 10), 0xFFFFFFu);
  EXPECT_EQ(b.customBM, nullptr);
}

TEST(Tblend, TextureLaysColourThroughGreyLevels) {
  Tblend b;
  TBitmap target, grey;
  make(target, 3, 1, 0xFFFFFF);
  grey.SetPixelFormat(platform::pf8bit);
  grey.SetSize(2, 1);
  grey.ScanLine(0)[0] = 0;
  grey.ScanLine(0)[1] = 128;
  b.Texture(target, grey, 0, 0, 3, 1, 100, 0x000000);
  EXPECT_EQ(at(target, 0, 0), 0xFFFFFFu);  // level 0 leaves the pixel
  EXPECT_EQ(at(target, 1, 0), 0x808080u);  // 255 − 255 × 128 / 256 = 127.5 → 128
  EXPECT_EQ(at(target, 2, 0), 0xFFFFFFu);  // beyond the grey bitmap
}

TEST(Tblend, RegionsFromMasks) {
  TBitmap mask;
  makeMask(mask, 8, 1, [](int x, int) { return x <= 1 || x >= 6; });
  platform::TRegion r;
  ASSERT_TRUE(Tblend::MaskToRgn(mask, false, r));
  EXPECT_EQ(r.bounds(), (TRect{0, 0, 8, 1}));
  EXPECT_TRUE(r.contains({1, 0}));
  EXPECT_FALSE(r.contains({2, 0}));
  EXPECT_FALSE(r.contains({5, 0}));
  EXPECT_TRUE(r.contains({6, 0}));
  ASSERT_TRUE(Tblend::MaskToRgn(mask, true, r));
  EXPECT_TRUE(r.contains({2, 1}));
  EXPECT_FALSE(r.contains({3, 0}));
  EXPECT_TRUE(r.contains({8, 1}));
  EXPECT_EQ(r.bounds(), (TRect{0, 0, 9, 2}));
  makeMask(mask, 8, 1, [](int, int) { return false; });
  EXPECT_FALSE(Tblend::MaskToRgn(mask, false, r));
}

TEST(Tblend, ColourToMonoWhitensOneColour) {
  TBitmap colour, mono;
  make(colour, 3, 1, 0x123456);
  colour.Canvas().SetPixels(1, 0, 0x0000FF);
  Tblend::ColourToMono(colour, mono, 0x0000FF);
  EXPECT_EQ(mono.Canvas().Pixels(1, 0), platform::clWhite);
  EXPECT_EQ(mono.Canvas().Pixels(0, 0), platform::clBlack);
  EXPECT_EQ(colour.dc().bkColor(), platform::clBlack);
}

TEST(Tblend, Palettes) {
  const auto tint = Tblend::tintPalette(255, 0, 0);
  EXPECT_EQ(tint[0], 0x0000FFu);
  EXPECT_EQ(tint[255], 0xFFFFFFu);
  EXPECT_EQ(tint[128], platform::RGB(255, 128, 128));
  EXPECT_EQ(Tblend::graypalette()[77], platform::RGB(77, 77, 77));
}

TEST(Tblend, ServicesObjectMakesOne) {
  Tos& o = createOs();
  ASSERT_NE(o.blend, nullptr);
  freeOs();
}
