// Block copies between off-screen surfaces: raster operations, depth conversion, clipping,
// overlapping copies, nearest and HALFTONE stretching, alpha blending and gradients.
#include <gtest/gtest.h>

#include <functional>

#include "platform/gdi.h"
#include "tests/platform/pixelmap.h"

using namespace platform;
using pixelmap::rows;

namespace {
struct Surf {
  TSurface s;
  TDeviceContext dc;
  Surf(int w, int h, int bpp = 24, TColor fill = 0xFFFFFF) {
    s.create(w, h, bpp);
    dc.bind(&s);
    dc.fillRect({0, 0, w, h}, solidBrush(fill));
  }
};
}  // namespace

TEST(Blit, RasterOperationsCombinePatternSourceAndDestination) {
  // Per channel: source 0xF0, destination 0xCC, pattern (brush) 0xAA.
  constexpr TColor S = 0xF0F0F0, D = 0xCCCCCC, P = 0xAAAAAA;
  struct Case { const char* id; TRop rop; TColor out; } cases[] = {
      {"SRCCOPY", SRCCOPY, 0xF0F0F0},       {"SRCAND", SRCAND, 0xC0C0C0},
      {"SRCPAINT", SRCPAINT, 0xFCFCFC},     {"SRCINVERT", SRCINVERT, 0x3C3C3C},
      {"SRCERASE", SRCERASE, 0x303030},     {"NOTSRCCOPY", NOTSRCCOPY, 0x0F0F0F},
      {"DSTINVERT", DSTINVERT, 0x333333},   {"BLACKNESS", BLACKNESS, 0x000000},
      {"WHITENESS", WHITENESS, 0xFFFFFF},   {"PATCOPY", PATCOPY, 0xAAAAAA},
      {"MERGECOPY", MERGECOPY, 0xA0A0A0},   {"PATINVERT", PATINVERT, 0x666666},
      {"D and not S", 0x00220326, 0x0C0C0C}, {"NOTSRCERASE", NOTSRCERASE, 0x030303},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Surf src(1, 1, 24, S), dst(1, 1, 24, D);
    dst.dc.setBrush(solidBrush(P));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, &src.dc, 0, 0, c.rop));
    EXPECT_EQ(dst.s.pixel(0, 0), c.out);
  }
  EXPECT_TRUE(ropUsesSource(SRCCOPY));
  EXPECT_FALSE(ropUsesSource(PATCOPY));
  EXPECT_TRUE(ropUsesPattern(MERGECOPY));
  EXPECT_FALSE(ropUsesPattern(SRCAND));
  Surf dst(1, 1);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));  // a source is needed
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
  EXPECT_EQ(dst.s.pixel(0, 0), 0u);
}

TEST(Blit, CopiesClipToTargetAndSource) {
  Surf src(3, 3, 24, 0x0000FF);
  Surf dst(5, 4);
  dst.dc.excludeClipRect(2, 0, 3, 4);
  // The source rectangle hangs one pixel off the source's left and top: those target pixels stay.
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 4, &src.dc, -1, -1, SRCCOPY));
  EXPECT_EQ(pixelmap::draw(dst.s, {{0xFFFFFF, '.'}, {0x0000FF, 'r'}}),
            rows(".....", ".r.r.", ".r.r.", ".r.r."));
}

TEST(Blit, OverlappingCopyWithinOneSurfaceReadsTheOldPixels) {
  Surf s(6, 1);
  for (int x = 0; x < 6; ++x) s.s.setPixel(x, 0, RGB(uint8_t(x), 0, 0));
  BitBlt(s.dc, 1, 0, 5, 1, &s.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(GetRValue(s.s.pixel(x, 0)), x - 1) << x;
  BitBlt(s.dc, 0, 0, 5, 1, &s.dc, 1, 0, SRCCOPY);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(GetRValue(s.s.pixel(x, 0)), x) << x;
}

TEST(Blit, ConvertsBetweenDepths) {
  // One bit into colour: 0 bits in the target's text colour, 1 bits in its background colour.
  Surf mono(4, 1, 1, 0);
  mono.s.setPixel(1, 0, 0xFFFFFF);
  Surf colour(4, 1);
  colour.dc.setTextColor(0x0000FF);
  colour.dc.setBkColor(0x00FF00);
  BitBlt(colour.dc, 0, 0, 4, 1, &mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(colour.s.pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(colour.s.pixel(1, 0), 0x00FF00u);
  // From an offset, and stretched from a rectangle hanging off the source's right edge.
  Surf wideMono(8, 1, 1, 0);
  wideMono.s.setPixel(5, 0, 0xFFFFFF);
  wideMono.s.setPixel(7, 0, 0xFFFFFF);
  colour.dc.fillRect({0, 0, 4, 1}, solidBrush(0xFFFFFF));
  BitBlt(colour.dc, 0, 0, 3, 1, &wideMono.dc, 4, 0, SRCCOPY);
  EXPECT_EQ(pixelmap::draw(colour.s, {{0x0000FF, 't'}, {0x00FF00, 'b'}, {0xFFFFFF, '.'}}), rows("tbt."));
  Surf stretched(8, 1);
  stretched.dc.setTextColor(0x0000FF);
  stretched.dc.setBkColor(0x00FF00);
  stretched.dc.setStretchBltMode(StretchMode::ColorOnColor);
  StretchBlt(stretched.dc, 0, 0, 8, 1, &wideMono.dc, 6, 0, 4, 1, SRCCOPY);  // pixels 8, 9 repeat 7
  EXPECT_EQ(pixelmap::draw(stretched.s, {{0x0000FF, 't'}, {0x00FF00, 'b'}}), rows("ttbbbbbb"));

  // Colour into one bit: the source's background colour becomes 1, everything else 0.
  Surf pic(3, 1);
  pic.s.setPixel(0, 0, 0x123456);
  pic.s.setPixel(1, 0, 0x00FF00);
  pic.s.setPixel(2, 0, 0xFFFFFF);
  pic.dc.setBkColor(0x123456);
  Surf mask(3, 1, 1, 0);
  BitBlt(mask.dc, 0, 0, 3, 1, &pic.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mask.s.bits()[0] & 0xE0, 0x80);

  // Colour into 8 bits: the nearest palette entry; 32 bits into 24 drops alpha.
  Surf grey(2, 1, 8, 0);
  BitBlt(grey.dc, 0, 0, 2, 1, &pic.dc, 1, 0, SRCCOPY);
  EXPECT_EQ(grey.s.bits()[0], 85u);  // (0, 255, 0) is nearest grey 85
  EXPECT_EQ(grey.s.bits()[1], 0xFFu);
  Surf argb(1, 1, 32);
  argb.s.bits()[0] = 1; argb.s.bits()[1] = 2; argb.s.bits()[2] = 3; argb.s.bits()[3] = 200;
  Surf rgb(1, 1);
  BitBlt(rgb.dc, 0, 0, 1, 1, &argb.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(rgb.s.pixel(0, 0), RGB(3, 2, 1));
  Surf argb2(1, 1, 32);
  BitBlt(argb2.dc, 0, 0, 1, 1, &argb.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(argb2.s.pixel32(0, 0), 0xC8030201u);  // 32 to 32 keeps alpha
}

TEST(Blit, MaskingWithAndThenPaintMakesTransparency) {
  // The classic sprite: AND with a mask (white = keep), then OR the sprite (black where kept).
  Surf back(3, 1, 24, 0x00FF00);
  Surf mask(3, 1, 1, 0);
  mask.s.setPixel(0, 0, 0xFFFFFF);
  Surf sprite(3, 1, 24, 0x0000FF);
  sprite.s.setPixel(0, 0, 0);
  BitBlt(back.dc, 0, 0, 3, 1, &mask.dc, 0, 0, SRCAND);
  BitBlt(back.dc, 0, 0, 3, 1, &sprite.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(back.s.pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(back.s.pixel(1, 0), 0x0000FFu);
}

TEST(StretchBlt, NearestPixelEnlargesShrinksAndMirrors) {
  Surf src(2, 2);
  src.s.setPixel(0, 0, 0);
  src.s.setPixel(1, 1, 0x0000FF);
  std::map<TColor, char> legend{{0xFFFFFF, '.'}, {0, '#'}, {0x0000FF, 'r'}};
  Surf big(4, 4);
  big.dc.setStretchBltMode(StretchMode::ColorOnColor);
  StretchBlt(big.dc, 0, 0, 4, 4, &src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(pixelmap::draw(big.s, legend), rows("##..", "##..", "..rr", "..rr"));
  Surf mirrored(4, 2);
  mirrored.dc.setStretchBltMode(StretchMode::ColorOnColor);
  StretchBlt(mirrored.dc, 3, 0, -4, 2, &src.dc, 0, 0, 2, 2, SRCCOPY);  // x runs 3 down to 0
  EXPECT_EQ(pixelmap::draw(mirrored.s, legend).substr(0, 5), "..##\n");
  EXPECT_EQ(mirrored.s.pixel(0, 1), 0x0000FFu);
  Surf small(1, 1);
  small.dc.setStretchBltMode(StretchMode::ColorOnColor);
  StretchBlt(small.dc, 0, 0, 1, 1, &big.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(small.s.pixel(0, 0), 0x0000FFu);  // the pixel under the centre, not a mix
}

TEST(StretchBlt, HalftoneAveragesAreasAndInterpolatesSmoothly) {
  // Reduction by two: each target pixel is the mean of its 2 × 2 block.
  Surf src(4, 2);
  TColor block[4] = {RGB(0, 0, 0), RGB(100, 0, 0), RGB(200, 0, 0), RGB(255, 40, 0)};
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y) src.s.setPixel(x, y, block[x]);
  src.s.setPixel(3, 1, RGB(255, 0, 0));
  Surf half(2, 1);
  half.dc.setStretchBltMode(StretchMode::Halftone);
  StretchBlt(half.dc, 0, 0, 2, 1, &src.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(half.s.pixel(0, 0), RGB(50, 0, 0));
  EXPECT_EQ(half.s.pixel(1, 0), RGB(228, 10, 0));  // (200 + 255 + 200 + 255) / 4 = 227.5 → 228

  // Enlargement: values between the source centres change step by step, the ends stay.
  Surf two(2, 1);
  two.s.setPixel(0, 0, RGB(0, 0, 0));
  two.s.setPixel(1, 0, RGB(200, 200, 200));
  Surf wide(8, 1);
  wide.dc.setStretchBltMode(StretchMode::Halftone);
  StretchBlt(wide.dc, 0, 0, 8, 1, &two.dc, 0, 0, 2, 1, SRCCOPY);
  int expected[8] = {0, 0, 25, 75, 125, 175, 200, 200};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(GetRValue(wide.s.pixel(x, 0)), expected[x]) << x;

  // An unscaled HALFTONE copy is an exact copy.
  Surf same(4, 2);
  same.dc.setStretchBltMode(StretchMode::Halftone);
  StretchBlt(same.dc, 0, 0, 4, 2, &src.dc, 0, 0, 4, 2, SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(same.s.pixel(x, 1), src.s.pixel(x, 1));
}

TEST(StretchBlt, SourceBeyondItsSurfaceRepeatsTheEdge) {
  Surf src(2, 1, 24, 0x0000FF);
  Surf dst(4, 1);
  dst.dc.setStretchBltMode(StretchMode::Halftone);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 1, &src.dc, 0, 0, 4, 2, SRCCOPY));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.s.pixel(x, 0), 0x0000FFu) << x;
}

TEST(AlphaBlend, ConstantAndPerPixelAlpha) {
  Surf src(2, 1, 24, 0xFFFFFF);
  Surf dst(2, 1, 24, 0x000000);
  TBlendFunction bf;
  bf.SourceConstantAlpha = 128;  // 50 %
  EXPECT_TRUE(AlphaBlend(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 2, 1, bf));
  EXPECT_EQ(dst.s.pixel(0, 0), RGB(128, 128, 128));
  bf.SourceConstantAlpha = 0;
  AlphaBlend(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 2, 1, bf);
  EXPECT_EQ(dst.s.pixel(0, 0), RGB(128, 128, 128));

  // Premultiplied source: half-transparent red over blue.
  Surf argb(1, 1, 32);
  uint8_t px[4] = {0, 0, 128, 128};
  std::copy(px, px + 4, argb.s.bits());
  Surf blue(1, 1, 24, 0xFF0000);
  TBlendFunction per{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(blue.dc, 0, 0, 1, 1, argb.dc, 0, 0, 1, 1, per);
  EXPECT_EQ(blue.s.pixel(0, 0), RGB(128, 0, 127));

  // A source rectangle beyond the source fails and draws nothing.
  Surf untouched(2, 1);
  EXPECT_FALSE(AlphaBlend(untouched.dc, 0, 0, 2, 1, src.dc, 1, 0, 2, 1, bf));
  EXPECT_FALSE(AlphaBlend(untouched.dc, 0, 0, -2, 1, src.dc, 0, 0, 2, 1, bf));
}

TEST(GradientFill, RectanglesRunFromFirstToSecondVertex) {
  Surf s(4, 2);
  TTriVertex v[2] = {{0, 0, 0, 0, 0, 0}, {4, 2, 0xFF00, 0, 0x8000, 0}};
  TGradientRect r{0, 1};
  EXPECT_TRUE(GradientFill(s.dc, v, std::span(&r, 1), GradientMode::RectH));
  int reds[4] = {0, 63, 127, 191};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(GetRValue(s.s.pixel(x, 1)), reds[x]) << x;
    EXPECT_EQ(s.s.pixel(x, 0), s.s.pixel(x, 1));
  }
  EXPECT_TRUE(GradientFill(s.dc, v, std::span(&r, 1), GradientMode::RectV));
  EXPECT_EQ(s.s.pixel(3, 0), 0u);
  EXPECT_EQ(GetRValue(s.s.pixel(3, 1)), 127);
  TGradientRect bad{0, 5};
  EXPECT_FALSE(GradientFill(s.dc, v, std::span(&bad, 1), GradientMode::RectH));
}

TEST(GradientFill, TrianglesTakeTheirVertexColoursAtTheCorners) {
  Surf s(20, 20);
  TTriVertex v[3] = {{0, 0, 0xFF00, 0, 0, 0}, {20, 0, 0, 0xFF00, 0, 0}, {0, 20, 0, 0, 0xFF00, 0}};
  TGradientTriangle t{0, 1, 2};
  EXPECT_TRUE(GradientFill(s.dc, v, std::span(&t, 1)));
  EXPECT_GT(GetRValue(s.s.pixel(0, 0)), 240);
  EXPECT_GT(GetGValue(s.s.pixel(18, 0)), 220);
  EXPECT_GT(GetBValue(s.s.pixel(0, 18)), 220);
  EXPECT_EQ(s.s.pixel(19, 19), 0xFFFFFFu);  // outside the triangle
}

TEST(MaskBlt, TheMaskChoosesBetweenTwoOperations) {
  Surf src(4, 1, 24, 0x0000FF), dst(4, 1, 24, 0x00FF00);
  Surf mask(2, 1, 1, 0);
  mask.s.setPixel(1, 0, 0xFFFFFF);  // 0 1, repeated over the four pixels
  // Source where the mask is black, destination where it is white.
  EXPECT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, &src.dc, 0, 0, &mask.s, 0, 0, 0xCCAA0029));
  EXPECT_EQ(pixelmap::draw(dst.s, {{0x0000FF, 'r'}, {0x00FF00, 'g'}}), rows("rgrg"));
  // The mask read from an offset; the brush where the mask is black.
  dst.dc.setBrush(solidBrush(0));
  EXPECT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, &src.dc, 0, 0, &mask.s, 1, 0, 0xF0AA0029));
  EXPECT_EQ(pixelmap::draw(dst.s, {{0x0000FF, 'r'}, {0x00FF00, 'g'}, {0, '#'}}), rows("r#r#"));
  // No mask: the fore operation alone; a mask of more than one bit is refused.
  EXPECT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, &src.dc, 0, 0, nullptr, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
  EXPECT_EQ(dst.s.pixel(1, 0), 0x0000FFu);
  EXPECT_FALSE(MaskBlt(dst.dc, 0, 0, 4, 1, &src.dc, 0, 0, &src.s, 0, 0, 0xCCAA0029));
}

TEST(PlgBlt, MapsOntoTheParallelogramThroughTheMask) {
  Surf src(2, 1);
  src.s.setPixel(0, 0, 0x0000FF);
  src.s.setPixel(1, 0, 0xFF0000);
  std::map<TColor, char> legend{{0xFFFFFF, '.'}, {0x0000FF, 'r'}, {0xFF0000, 'b'}};
  // Upright and the same size: an exact copy.
  Surf same(3, 1);
  TPoint upright[3] = {{1, 0}, {3, 0}, {1, 1}};
  EXPECT_TRUE(PlgBlt(same.dc, upright, src.dc, 0, 0, 2, 1, nullptr, 0, 0));
  EXPECT_EQ(pixelmap::draw(same.s, legend), rows(".rb"));
  // Turned a quarter: the source's width runs down, its one row spans two columns.
  Surf turned(3, 3);
  TPoint quarter[3] = {{2, 0}, {2, 2}, {0, 0}};
  EXPECT_TRUE(PlgBlt(turned.dc, quarter, src.dc, 0, 0, 2, 1, nullptr, 0, 0));
  EXPECT_EQ(pixelmap::draw(turned.s, legend), rows("rr.", "bb.", "..."));
  // Mask bit 0 keeps the target.
  Surf mask(2, 1, 1, 0);
  mask.s.setPixel(1, 0, 0xFFFFFF);
  Surf masked(3, 1);
  EXPECT_TRUE(PlgBlt(masked.dc, upright, src.dc, 0, 0, 2, 1, &mask.s, 0, 0));
  EXPECT_EQ(pixelmap::draw(masked.s, legend), rows("..b"));
  EXPECT_FALSE(PlgBlt(masked.dc, upright, src.dc, 0, 0, 2, 1, &src.s, 0, 0));
}

namespace {
// Varied colours, the same at either depth.
void fillNoise(Surf& s, uint32_t seed) {
  for (int y = 0; y < s.s.height(); ++y)
    for (int x = 0; x < s.s.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      s.s.setPixel(x, y, seed >> 8);
    }
}

void clipToTwoTriangles(TDeviceContext& dc) {
  dc.beginPath();
  dc.moveTo(3, 1);
  dc.lineTo(57, 9);
  dc.lineTo(11, 44);
  dc.closeFigure();
  dc.endPath();
  dc.selectClipPath(RGN_COPY);
  dc.beginPath();
  dc.moveTo(40, 30);
  dc.lineTo(62, 47);
  dc.lineTo(30, 47);
  dc.closeFigure();
  dc.endPath();
  dc.selectClipPath(RGN_OR);
}
}  // namespace

// 24-bit targets take quicker loops than other depths; what they draw must not differ.
TEST(Blit, TwentyFourBitTargetsGetTheColoursOtherDepthsGet) {
  const struct {
    const char* id;
    int srcBpp;
    std::function<void(TDeviceContext&, TDeviceContext&)> draw;
  } cases[] = {
      {"halftone parallelogram, turned and mirrored", 24,
       [](TDeviceContext& d, TDeviceContext& s) {
         d.setStretchBltMode(StretchMode::Halftone);
         TPoint p[3] = {{50, -4}, {68, 40}, {6, 12}};
         PlgBlt(d, p, s, 30, 25, -23, -17, nullptr, 0, 0);
       }},
      {"halftone parallelogram from 32 bits", 32,
       [](TDeviceContext& d, TDeviceContext& s) {
         d.setStretchBltMode(StretchMode::Halftone);
         TPoint p[3] = {{2, 3}, {60, 9}, {-5, 50}};
         PlgBlt(d, p, s, 1, 2, 28, 21, nullptr, 0, 0);
       }},
      {"nearest parallelogram", 24,
       [](TDeviceContext& d, TDeviceContext& s) {
         TPoint p[3] = {{61, 45}, {8, 30}, {55, 2}};
         PlgBlt(d, p, s, 3, 4, 20, -15, nullptr, 0, 0);
       }},
      {"constant alpha", 24,
       [](TDeviceContext& d, TDeviceContext& s) {
         TBlendFunction bf;
         bf.SourceConstantAlpha = 77;
         AlphaBlend(d, -3, 2, 30, 28, s, 0, 0, 30, 28, bf);
       }},
      {"gradient triangles", 24,
       [](TDeviceContext& d, TDeviceContext&) {
         TTriVertex v[4] = {{-2, 0, 0xFF00, 0x1200, 0x8000, 0},
                            {64, 5, 0x0300, 0xFF00, 0x4000, 0},
                            {10, 48, 0x7700, 0x2000, 0xFF00, 0},
                            {70, 50, 0, 0x9900, 0x0100, 0}};
         TGradientTriangle t[2] = {{0, 1, 2}, {1, 2, 3}};
         GradientFill(d, v, std::span(t, 2));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Surf src(31, 29, c.srcBpp), d24(64, 48, 24), d32(64, 48, 32), before(64, 48, 24);
    fillNoise(src, 7);
    for (Surf* d : {&d24, &d32, &before}) fillNoise(*d, 99);
    for (Surf* d : {&d24, &d32}) {
      clipToTwoTriangles(d->dc);
      c.draw(d->dc, src.dc);
    }
    int differing = 0, drawn = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        differing += d24.s.pixel(x, y) != d32.s.pixel(x, y);
        drawn += d24.s.pixel(x, y) != before.s.pixel(x, y);
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(drawn, 300) << "the copy reached the target";
  }
}
