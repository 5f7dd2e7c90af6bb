// r_bmSmooth: pixel treatments by table, the choice of drawing method checked against the two
// references it chooses between, the resampler's values, and the edges of every draw, pixel by
// pixel on small off-screen buffers.
#include "imaging/r_bmSmooth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/Tbm24.h"
#include "platform/canvas.h"
#include "platform/gdi.h"
#include "tests/support/bitmaps.h"
#include "tests/support/headless_os.h"

namespace {

using platform::TBitmap;
using platform::TRect;

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb pixelOf(TBitmap& bm, int x, int y) {
  const uint8_t* p = bm.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

// Rows of 24-bit pixels, top first, in a pattern with no two neighbours alike.
std::vector<uint8_t> rows(int w, int h, int rowL) {
  std::vector<uint8_t> buf(size_t(rowL) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = buf.data() + size_t(y) * rowL + 3 * x;
      p[0] = uint8_t(x * 37 + y * 11);
      p[1] = uint8_t(x * 5 + y * 71);
      p[2] = uint8_t((x * x + y * 3) & 0xFF);
    }
  return buf;
}

// The resampler's rule, written out: target (x, y) samples (x / w * sw, y / h * sh).
Rgb bilinear(const std::vector<uint8_t>& buf, int rowL, int sw, int sh, double sx, double sy) {
  const int c = int(sx), r = int(sy);
  const double fx = sx - c, fy = sy - r;
  double sum = 0, acc[3] = {0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    const int cc = c + (k & 1), rr = r + (k >> 1);
    if (cc >= sw || rr >= sh) continue;
    const double wgt = ((k & 1) ? fx : 1 - fx) * ((k >> 1) ? fy : 1 - fy);
    const uint8_t* p = buf.data() + size_t(rr) * rowL + 3 * cc;
    sum += wgt;
    for (int i = 0; i < 3; ++i) acc[i] += wgt * p[2 - i];
  }
  auto ch = [&](double v) { return int(std::min(255.0, std::nearbyint(v / sum))); };
  return {ch(acc[0]), ch(acc[1]), ch(acc[2])};
}

// The platform's HALFTONE stretch of the same buffer.
void halftoneReference(TBitmap& out, const std::vector<uint8_t>& buf, int rowL, int sw, int sh, int w, int h) {
  TBitmap src;
  testenv::make(src, sw, sh);
  for (int y = 0; y < sh; ++y) std::memcpy(src.ScanLine(y), buf.data() + size_t(y) * rowL, size_t(sw) * 3);
  testenv::make(out, w, h);
  out.dc().setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(out.dc(), 0, 0, w, h, &src.dc(), 0, 0, sw, sh, platform::SRCCOPY);
}

class bmSmooth : public testenv::HeadlessOsTest {};

}  // namespace

TEST_F(bmSmooth, PixelTreatments) {
  struct Case {
    const char* id;
    void (*set)(TmaskBase&);
    Rgb in, under, out;
  } cases[] = {
      {"near white shows what lies beneath", [](TmaskBase& m) { m.m.whiteIsTransparent = true; }, {250, 251, 255}, {1, 2, 3}, {1, 2, 3}},
      {"one channel under the limit stays", [](TmaskBase& m) { m.m.whiteIsTransparent = true; }, {249, 255, 255}, {1, 2, 3}, {249, 255, 255}},
      {"grey", [](TmaskBase& m) { m.m.grey = true; }, {10, 20, 31}, {0, 0, 0}, {20, 20, 20}},
      {"red tint: black becomes red", [](TmaskBase& m) { m.m.monoColour = 0x0000FF; }, {0, 0, 0}, {0, 0, 0}, {255, 0, 0}},
      {"red tint: white stays white", [](TmaskBase& m) { m.m.monoColour = 0x0000FF; }, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}},
      {"red tint of a grey", [](TmaskBase& m) { m.m.monoColour = 0x0000FF; }, {90, 100, 110}, {0, 0, 0}, {255, 100, 100}},
      {"lighten by half, halves to even", [](TmaskBase& m) { m.m.intensity = 50; }, {100, 0, 255}, {0, 0, 0}, {178, 128, 255}},
      {"vector drawings are not lightened", [](TmaskBase& m) { m.m.intensity = 50; m.m.isVector = true; }, {100, 0, 255}, {0, 0, 0}, {100, 0, 255}},
      {"half opacity over black", [](TmaskBase& m) { m.m.opacity = 50; }, {100, 201, 3}, {0, 0, 0}, {50, 100, 2}},
      {"quarter opacity", [](TmaskBase& m) { m.m.opacity = 25; }, {2, 6, 255}, {0, 0, 255}, {0, 2, 255}},
      {"outside: mono colour without grey does nothing",
       [](TmaskBase& m) { m.onPixel = [](TmaskBase* k) { k->pendingWhite = false; }; m.m.outMonoColour = 0xFF0000; },
       {10, 20, 30}, {0, 0, 0}, {10, 20, 30}},
      {"outside: grey with a blue tint",
       [](TmaskBase& m) { m.onPixel = [](TmaskBase* k) { k->pendingWhite = false; }; m.m.outergrey = true; m.m.outMonoColour = 0xFF0000; },
       {0, 0, 0}, {0, 0, 0}, {0, 0, 255}},
      {"outside: outer opacity and intensity",
       [](TmaskBase& m) { m.onPixel = [](TmaskBase* k) { k->pendingWhite = false; }; m.m.outerOpacity = 50; m.m.outerIntensity = 0; m.m.opacity = 0; },
       {0, 0, 0}, {0, 100, 200}, {128, 178, 228}},
      {"inside: lightened even for vectors",
       [](TmaskBase& m) { m.onPixel = [](TmaskBase* k) { k->pendingWhite = true; }; m.m.intensity = 0; m.m.isVector = true; },
       {0, 0, 0}, {0, 0, 0}, {255, 255, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TmaskBase mask;
    c.set(mask);
    mask.start();
    uint8_t r = uint8_t(c.in.r), g = uint8_t(c.in.g), b = uint8_t(c.in.b);
    mask.ProcessPixel(3, 4, uint8_t(c.under.r), uint8_t(c.under.g), uint8_t(c.under.b), r, g, b);
    EXPECT_EQ((Rgb{r, g, b}), c.out);
  }
}

TEST_F(bmSmooth, MaskBitmapAndCallback) {
  TBitmap mono;
  mono.SetPixelFormat(platform::pf1bit);
  mono.SetSize(10, 4);
  mono.Canvas().Brush.Color = platform::clBlack;
  mono.Canvas().FillRect({0, 0, 10, 4});
  mono.Canvas().SetPixels(9, 3, platform::clWhite);
  mono.Canvas().SetPixels(0, 0, platform::clWhite);
  TmaskBase mask;
  mask.setMono(&mono);
  EXPECT_TRUE(mask.maskUsed());
  EXPECT_TRUE(mask.isWhite(9, 3));
  EXPECT_TRUE(mask.isWhite(0, 0));
  EXPECT_FALSE(mask.isWhite(1, 0));
  for (auto [x, y] : {std::pair{10, 3}, {-1, 0}, {0, 4}, {0, -1}, {1000, 1000}}) EXPECT_FALSE(mask.isWhite(x, y));
  mask.onPixel = [](TmaskBase* m) { m->pendingWhite = m->pendingCol == 5 && m->pendingRow == 6; };
  EXPECT_TRUE(mask.isWhite(5, 6));
  EXPECT_FALSE(mask.isWhite(9, 3));  // the callback wins
  TmaskBase plain;
  EXPECT_FALSE(plain.maskUsed());
  plain.m.outerOpacity = 10;
  plain.m.outergrey = true;
  EXPECT_FALSE(plain.maskUsed());  // the outer settings alone do not
  EXPECT_TRUE(plain.isWhite(-5, -5));
}

// Equal widths copy unscaled, and never more rows than the source holds.
TEST_F(bmSmooth, EqualWidthsCopyTheSourceRows) {
  const int rowL = 100 * 3 + 4;
  const auto buf = rows(100, 6, rowL);
  TbmSmooth smooth;
  Tbm24 target;
  target.setsize(120, 12);
  target.fillAll(Tbgr{9, 9, 9});
  smooth.Draw(target, TRect{10, 2, 110, 12}, buf.data(), rowL, 100, 6);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 120; ++x) {
      Tbgr c = testenv::px(target, x, y);
      const bool inside = x >= 10 && x < 110 && y >= 2 && y < 8;
      const uint8_t* s = inside ? buf.data() + size_t(y - 2) * rowL + 3 * (x - 10) : nullptr;
      ASSERT_EQ(c, (inside ? Tbgr{s[0], s[1], s[2]} : Tbgr{9, 9, 9})) << x << "," << y;
    }
  // Into a bitmap's canvas, also partly off its edge, the same.
  TBitmap bm;
  testenv::make(bm, 60, 10);
  smooth.Draw(bm, TRect{-50, 1, 50, 20}, buf.data(), rowL, 100, 6);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool inside = x < 50 && y >= 1 && y < 7;
      const uint8_t* s = inside ? buf.data() + size_t(y - 1) * rowL + 3 * (x + 50) : nullptr;
      ASSERT_EQ(pixelOf(bm, x, y), (inside ? Rgb{s[2], s[1], s[0]} : Rgb{255, 255, 255})) << x << "," << y;
    }
}

// Up to multiplyLimit the platform's HALFTONE stretch, beyond it our resampler.
TEST_F(bmSmooth, MagnificationBeyondTheLimitIsResampled) {
  const int rowL = 200 * 3;
  const auto buf = rows(200, 5, rowL);
  struct Case { const char* id; int w; double limit; bool resampled; } cases[] = {
      {"201 wide at the default limit", 201, 1.0, true},
      {"201 wide at a limit of 1.005", 201, 1.005, false},
      {"199 wide", 199, 1.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TbmSmooth smooth;
    smooth.multiplyLimit = c.limit;
    TBitmap out, ref;
    testenv::make(out, c.w, 7);
    smooth.Draw(out, TRect{0, 0, c.w, 7}, buf.data(), rowL, 200, 5);
    halftoneReference(ref, buf, rowL, 200, 5, c.w, 7);
    int differFromHalftone = 0;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < c.w; ++x) {
        if (c.resampled)
          ASSERT_EQ(pixelOf(out, x, y), bilinear(buf, rowL, 200, 5, double(x) / c.w * 200, double(y) / 7 * 5)) << x << "," << y;
        else
          ASSERT_EQ(pixelOf(out, x, y), pixelOf(ref, x, y)) << x << "," << y;
        differFromHalftone += !(pixelOf(out, x, y) == pixelOf(ref, x, y));
      }
    if (c.resampled) EXPECT_GT(differFromHalftone, 0);  // the two methods can be told apart
  }
}

TEST_F(bmSmooth, ResamplerValues) {
  const int rowL = 12;
  const auto buf = rows(4, 4, rowL);
  TbmSmooth smooth;
  TBitmap out;
  testenv::make(out, 8, 8);
  smooth.Draw(out, TRect{0, 0, 8, 8}, buf.data(), rowL, 4, 4);
  auto src = [&](int x, int y) {
    const uint8_t* p = buf.data() + y * rowL + 3 * x;
    return Rgb{p[2], p[1], p[0]};
  };
  // (1, 1) samples (0.5, 0.5): the mean of the four top-left pixels, halves to even.
  Rgb mean{0, 0, 0};
  int sums[3] = {0, 0, 0};
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
    sums[0] += src(x, y).r;
    sums[1] += src(x, y).g;
    sums[2] += src(x, y).b;
  }
  mean = {int(std::nearbyint(sums[0] / 4.0)), int(std::nearbyint(sums[1] / 4.0)), int(std::nearbyint(sums[2] / 4.0))};
  EXPECT_EQ(pixelOf(out, 1, 1), mean);
  // The last column samples the last source column alone.
  for (int y = 0; y < 8; y += 2) EXPECT_EQ(pixelOf(out, 7, y), src(3, y / 2)) << y;
  EXPECT_EQ(pixelOf(out, 7, 7), src(3, 3));
  EXPECT_EQ(pixelOf(out, 0, 0), src(0, 0));
}

// The treatments reach every drawing method, over what the target bitmap holds.
TEST_F(bmSmooth, MaskedDrawsTreatOverTheTarget) {
  const int rowL = 3 * 8;
  std::vector<uint8_t> buf(size_t(rowL) * 4, 200);  // a flat grey 8 x 4
  for (int w : {8, 6, 20}) {  // unscaled, HALFTONE, resampled
    SCOPED_TRACE(w);
    TbmSmooth smooth;
    smooth.mask().m.opacity = 50;
    Tbm24 target;
    target.setsize(30, 10);
    target.fillAll(Tbgr{0, 0, 100});  // red 100 beneath
    smooth.Draw(target, TRect{2, 3, 2 + w, 7}, buf.data(), rowL, 8, 4);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 30; ++x) {
        const bool inside = x >= 2 && x < 2 + w && y >= 3 && y < 7;
        ASSERT_EQ(testenv::px(target, x, y), (inside ? Tbgr{100, 100, 150} : Tbgr{0, 0, 100})) << x << "," << y;
      }
  }
}

TEST_F(bmSmooth, NothingIsDrawnForAnEmptyTargetOrSource) {
  const auto buf = rows(4, 4, 12);
  TbmSmooth smooth;
  smooth.mask().m.grey = true;
  TBitmap bm;
  testenv::make(bm, 10, 10);
  for (TRect r : {TRect{5, 5, 5, 9}, TRect{5, 5, 9, 5}, TRect{8, 8, 2, 2}}) {
    smooth.Draw(bm, r, buf.data(), 12, 4, 4);
    smooth.Draw(bm.Canvas(), r, bm, 4, 4);
  }
  smooth.Draw(bm, TRect{0, 0, 5, 5}, buf.data(), 12, 0, 4);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(pixelOf(bm, x, y), (Rgb{255, 255, 255}));
}

TEST_F(bmSmooth, FadeRectIncludesItsEdges) {
  struct Case { const char* id; TRect box; double percent; int changed; } cases[] = {
      {"one pixel", {0, 0, 0, 0}, 50, 1},
      {"edges included", {1, 1, 2, 3}, 100, 6},
      {"nothing at 0", {0, 0, 4, 4}, 0, 0},
      {"clipped to the bitmap", {-3, -3, 10, 1}, 100, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TBitmap bm;
    testenv::make(bm, 5, 4);
    TbmSmooth smooth;
    smooth.FadeRect(bm, c.box, 0x000000FF, c.percent);
    int changed = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const Rgb p = pixelOf(bm, x, y);
        if (p == Rgb{255, 255, 255}) continue;
        ++changed;
        EXPECT_EQ(p, (c.percent == 100 ? Rgb{255, 0, 0} : Rgb{255, 128, 128})) << x << "," << y;
      }
    EXPECT_EQ(changed, c.changed);
  }
}

// A bitmap laid over a base is treated where it meets the base and left out beyond it.
TEST_F(bmSmooth, BitmapOverABaseIsClippedToTheBase) {
  TBitmap base, top;
  testenv::make(base, 4, 4);
  testenv::make(top, 4, 4);
  top.Canvas().Brush.Color = platform::RGB(0, 0, 0);
  top.Canvas().FillRect({0, 0, 4, 4});
  TbmSmooth smooth;
  smooth.mask().m.opacity = 50;
  smooth.Draw(base, top, -2, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(pixelOf(base, x, y), ((x < 2 && y >= 2) ? Rgb{128, 128, 128} : Rgb{255, 255, 255})) << x << "," << y;
  // Without treatment it is a plain copy.
  smooth.mask().m.opacity = 100;
  smooth.Draw(base, top, 3, 0);
  EXPECT_EQ(pixelOf(base, 3, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixelOf(base, 2, 0), (Rgb{255, 255, 255}));
}
