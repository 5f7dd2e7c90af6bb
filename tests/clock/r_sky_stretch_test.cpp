// Tstretch: the target's edge adjustment, when large targets are cut and into how many pieces,
// degenerate sources, an exact copy onto the same triangle, translucent copies, and targets at
// the projection's far sentinels.
#include <gtest/gtest.h>

#include <cmath>

#include "clock/r_sky.h"
#include "tests/support/bitmaps.h"

namespace {
using namespace platform;

// A source whose every pixel differs from its neighbours.
void pattern(TBitmap& bm, int w, int h) {
  testenv::make(bm, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bm.Canvas().SetPixels(x, y, RGB(uint8_t(x * 7), uint8_t(y * 5), uint8_t(x * y)));
}

TEST(Tstretch, TargetMovesUpAndLeftOnePixelAtItsTopAndLeftEdges) {
  TBitmap src, dst;
  pattern(src, 120, 80);
  testenv::make(dst, 200, 200);
  Tstretch s;
  s.tri(src.Canvas(), dst.Canvas(), 10, 10, 110, 10, 10, 60, 10, 10, 110, 10, 10, 60);
  EXPECT_EQ(s.xi, 0) << "a direct copy leaves its offset at 0";
  s.percent = 50;
  s.tri(src.Canvas(), dst.Canvas(), 10, 10, 110, 10, 10, 60, 10, 10, 110, 10, 10, 60);
  EXPECT_EQ(s.xi, 9);
  EXPECT_EQ(s.yi, 9);
  EXPECT_EQ(s.wi, 101);
  EXPECT_EQ(s.hi, 51);
}

TEST(Tstretch, LargeTargetsAreCutIntoPiecesUnderThreeHundredPixels) {
  TBitmap src, dst;
  pattern(src, 100, 100);
  testenv::make(dst, 1400, 1400);
  const struct {
    int span, steps;
    int64_t copies;
  } cases[] = {{600, 0, 9}, {499, 0, 1}, {500, 0, 4}, {600, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.span);
    Tstretch s;
    s.steps = c.steps;
    s.tri(src.Canvas(), dst.Canvas(), 0, 0, 99, 0, 0, 99, 100, 100, 100 + c.span, 100, 100, 300);
    EXPECT_EQ(s.copies, c.copies);
  }
}

TEST(Tstretch, SourceWithoutAreaDrawsNothing) {
  TBitmap src, dst;
  pattern(src, 100, 100);
  testenv::make(dst, 100, 100);
  Tstretch s;
  s.tri(src.Canvas(), dst.Canvas(), 5, 20, 50, 20, 90, 20, 5, 5, 90, 5, 5, 90);
  for (int y = 0; y < 100; y += 3)
    for (int x = 0; x < 100; x += 3) ASSERT_EQ(testenv::at(dst, x, y), 0xFFFFFFu) << x << "," << y;
}

TEST(Tstretch, SameTriangleCopiesThePixelsWithinTheEdgeAdjustment) {
  TBitmap src, dst;
  pattern(src, 120, 120);
  testenv::make(dst, 120, 120);
  Tstretch s;
  s.tri(src.Canvas(), dst.Canvas(), 10, 10, 110, 20, 30, 100, 10, 10, 110, 20, 30, 100);
  int inside = 0, same = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) {
      // Well inside the triangle: at least two pixels from every edge.
      auto side = [&](double ax, double ay, double bx, double by) {
        return ((bx - ax) * (y + 0.5 - ay) - (by - ay) * (x + 0.5 - ax)) / std::hypot(bx - ax, by - ay);
      };
      if (side(10, 10, 110, 20) < 2 || side(110, 20, 30, 100) < 2 || side(30, 100, 10, 10) < 2) continue;
      ++inside;
      // The top and left vertices moved out one pixel: the copy may run one pixel off.
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) near = testenv::at(dst, x, y) == testenv::at(src, x + dx, y + dy);
      same += near;
    }
  EXPECT_GT(inside, 2000);
  EXPECT_EQ(same, inside);
  EXPECT_EQ(testenv::at(dst, 100, 100), 0xFFFFFFu) << "outside the triangle";
}

TEST(Tstretch, TranslucentCopyBlendsAtItsPercent) {
  TBitmap src, dst;
  testenv::make(src, 50, 50);
  src.Canvas().Brush.Color = 0x000000;
  src.Canvas().FillRect({0, 0, 50, 50});
  testenv::make(dst, 50, 50);
  Tstretch s;
  s.percent = 40;
  s.tri(src.Canvas(), dst.Canvas(), 0, 0, 49, 0, 0, 49, 0, 0, 49, 0, 0, 49);
  const TColor c = testenv::at(dst, 10, 10);
  EXPECT_NEAR(int(c & 0xFF), 153, 2) << std::hex << c;  // white at 60 %
  EXPECT_EQ(testenv::at(dst, 45, 45), 0xFFFFFFu);
}

TEST(Tstretch, TargetsFarOutsideAreSkippedWithoutCutting) {
  TBitmap src, dst;
  pattern(src, 100, 100);
  testenv::make(dst, 300, 300);
  Tstretch s;
  s.triD(src.Canvas(), dst.Canvas(), 0, 0, 99, 0, 0, 99, 10, 10, 2147483647.0, -2147483647.0, 10, 200);
  EXPECT_EQ(s.copies, 0);
  EXPECT_EQ(s.steps, 0);
  s.tri(src.Canvas(), dst.Canvas(), 0, 0, 99, 0, 0, 99, -700, 10, -650, 10, -700, 60);
  EXPECT_EQ(s.copies, 0) << "more than the target's width left of it";
  s.tri(src.Canvas(), dst.Canvas(), 0, 0, 99, 0, 0, 99, -200, 10, 50, 10, -200, 60);
  EXPECT_EQ(s.copies, 1) << "partly in the target";
}

}  // namespace
