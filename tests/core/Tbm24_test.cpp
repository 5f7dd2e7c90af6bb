// Tbm24: the canvas follows size changes, and polygons fill at an opacity up to their edges.
#include "core/Tbm24.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/bitmaps.h"

using platform::TPoint;

namespace {
using testenv::picture;
using testenv::px;
const Tbgr kRed{0, 0, 255};
}  // namespace

TEST(Tbm24, CanvasFollowsSizeChanges) {
  Tbm24 b;
  b.setsize(4, 4);
  b.canvas().Pen.Color = 0x0000FF;
  b.setWid(6);
  b.fillBlack();
  b.canvas().MoveTo(0, 2);
  b.canvas().LineTo(6, 2);
  EXPECT_EQ(px(b, 5, 2), kRed);
  EXPECT_EQ(&b.raw(), static_cast<TrawBitmap24*>(&b));
}

TEST(Tbm24, CanvasNeverDrawsOnAReleasedContext) {
  Tbm24 b;
  b.setsize(3, 3);
  b.fillBlack();
  platform::TCanvas& cv = b.canvas();
  std::vector<uint8_t> mem;
  TrawBitmap24 other;
  other.setsize(3, 3);
  other.fillWhite();
  ASSERT_TRUE(other.saveToMem(mem));
  ASSERT_TRUE(b.loadfromMem(mem));  // the old context is gone
  cv.Pen.Color = 0x0000FF;
  cv.MoveTo(0, 0);
  cv.LineTo(3, 0);  // the stale canvas draws nothing (and touches no freed memory)
  EXPECT_EQ(px(b, 1, 0), (Tbgr{255, 255, 255}));
  b.canvas().LineTo(3, 0);  // asked again, it is bound to the new pixels
  b.canvas().MoveTo(0, 1);
  b.canvas().LineTo(3, 1);
  EXPECT_EQ(px(b, 1, 1), kRed);
}

TEST(Tbm24, FillPolygonReachesLastRowAndColumnAndClearsClip) {
  Tbm24 b;
  b.setsize(10, 10);
  b.fillBlack();
  b.canvas().Brush.Color = 0x0000FF;
  b.dc().intersectClipRect(0, 0, 5, 5);
  const std::vector<TPoint> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  b.fillPolygon(square, {}, 100);
  EXPECT_EQ(px(b, 4, 4), kRed);
  EXPECT_EQ(px(b, 5, 5), (Tbgr{0, 0, 0}));  // the caller's clip held during the fill
  EXPECT_FALSE(b.dc().hasClip());
  b.fillPolygon(square, {}, 100);
  EXPECT_EQ(px(b, 9, 9), kRed);
}

TEST(Tbm24, FillPolygonHonoursHolesAndOpacity) {
  Tbm24 b;
  b.setsize(6, 6);
  b.fillBlack();
  b.canvas().Brush.Color = 0x0000FF;
  const std::vector<TPoint> rings{{0, 0}, {6, 0}, {6, 6}, {0, 6}, {2, 2}, {4, 2}, {4, 4}, {2, 4}};
  const std::vector<int> counts{4, 4};
  b.fillPolygon(rings, counts, 100);
  EXPECT_EQ(picture(b, kRed),
            "######\n"
            "######\n"
            "##..##\n"
            "##..##\n"
            "######\n"
            "######\n");
  b.fillBlack();
  b.fillPolygon(rings, {}, 50);  // one ring of all eight points
  EXPECT_EQ(px(b, 0, 0), (Tbgr{0, 0, 128}));
  b.fillPolygon({}, {}, 100);  // nothing to fill
}
