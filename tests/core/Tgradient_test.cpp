// Tgradient: corner records, the fan of triangles, pixel checks of the fills and the flat fallback.
#include "core/Tgradient.h"

#include <gtest/gtest.h>

using platform::TBitmap;
using platform::TRect;

namespace {
void make(TBitmap& bm, int w, int h) {
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(w, h);
  bm.Canvas().Brush.Color = 0x00FF00;
  bm.Canvas().FillRect({0, 0, w, h});
}
std::vector<platform::TGradientTriangle> seenTriangles;
size_t seenCorners = 0;
bool recordTriangles(platform::TDeviceContext&, std::span<const platform::TTriVertex> v,
                     std::span<const platform::TGradientTriangle> m) {
  seenCorners = v.size();
  seenTriangles.assign(m.begin(), m.end());
  return true;
}
}  // namespace

TEST(Tgradient, CornerTakesChannelsInTheHighBytes) {
  Tgradient g;
  g.sc(2, 5, 6, 0x0080FF);
  ASSERT_EQ(g.corners.size(), 3u);
  const TTRIVERTEX& v = g.corners[2];
  EXPECT_EQ(v.x, 5);
  EXPECT_EQ(v.Red, 0xFF00);
  EXPECT_EQ(v.Green, 0x8000);
  EXPECT_EQ(v.Blue, 0);
  EXPECT_EQ(v.Alpha, 0xFF00);
}

TEST(Tgradient, GradBoxShadesTopToBottomAndSkipsEmptyBoxes) {
  Tgradient g;
  TBitmap bm;
  make(bm, 10, 10);
  g.gradBox(bm.Canvas(), {0, 0, 10, 10}, 0x000000, 0xFFFFFF);
  EXPECT_LT(bm.Canvas().Pixels(5, 0) & 0xFF, 30u);
  EXPECT_GT(bm.Canvas().Pixels(5, 9) & 0xFF, 220u);
  EXPECT_EQ(bm.Canvas().Pixels(0, 4), bm.Canvas().Pixels(9, 4));
  for (TRect box : {TRect{0, 5, 10, 5}, TRect{0, 6, 10, 2}}) {
    make(bm, 10, 10);
    g.gradBox(bm.Canvas(), box, 0, 0);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(bm.Canvas().Pixels(3, y), 0x00FF00u);
  }
  make(bm, 10, 10);
  g.gradBoxH(bm.Canvas(), {0, 0, 10, 10}, 0x000000, 0xFFFFFF);
  EXPECT_LT(bm.Canvas().Pixels(0, 5) & 0xFF, 30u);
  EXPECT_GT(bm.Canvas().Pixels(9, 5) & 0xFF, 220u);
}

TEST(Tgradient, WithoutThePlatformEntryBoxesFillFlatWithTheMidColour) {
  Tgradient g;
  g.pt = nullptr;
  g.ptRect = nullptr;
  TBitmap bm;
  make(bm, 6, 6);
  g.gradBox(bm.Canvas(), {1, 1, 5, 5}, 0x000000, 0xFFFFFF);
  EXPECT_EQ(bm.Canvas().Pixels(1, 1), 0x808080u);
  EXPECT_EQ(bm.Canvas().Pixels(4, 4), 0x808080u);
  EXPECT_EQ(bm.Canvas().Pixels(5, 5), 0x00FF00u);
  g.gradBoxH(bm.Canvas(), {0, 0, 1, 6}, 0x0000FF, 0x0000FF);
  EXPECT_EQ(bm.Canvas().Pixels(0, 3), 0x0000FFu);
  make(bm, 6, 6);
  g.GradientTriangle(bm.Canvas(), 0, 0, 0, 6, 0, 0, 0, 6, 0);
  EXPECT_EQ(bm.Canvas().Pixels(1, 1), 0x00FF00u);
}

TEST(Tgradient, FanJoinsConsecutiveEdgePointsToTheSeed) {
  Tgradient g;
  g.pt = recordTriangles;
  TBitmap bm;
  make(bm, 4, 4);
  const platform::TPoint one[] = {{0, 0}};
  seenTriangles.clear();
  g.gradepoly(bm.Canvas(), one, 2, 2, 0, 0);
  EXPECT_TRUE(seenTriangles.empty());
  const platform::TPoint four[] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
  g.gradepoly(bm.Canvas(), four, 1, 1, 0, 0xFFFFFF);
  EXPECT_EQ(seenCorners, 5u);
  ASSERT_EQ(seenTriangles.size(), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(seenTriangles[i].Vertex1, i);
    EXPECT_EQ(seenTriangles[i].Vertex2, i + 1);
    EXPECT_EQ(seenTriangles[i].Vertex3, 4u);
  }
  EXPECT_TRUE(g.corners.empty());
  EXPECT_TRUE(g.tri.empty());
}

TEST(Tgradient, TriangleTakesItsCornerColours) {
  Tgradient g;
  TBitmap bm;
  make(bm, 20, 20);
  g.GradientTriangle(bm.Canvas(), 0, 0, 0x0000FF, 19, 0, 0x0000FF, 0, 19, 0x0000FF);
  EXPECT_EQ(bm.Canvas().Pixels(2, 2), 0x0000FFu);
  EXPECT_EQ(bm.Canvas().Pixels(18, 18), 0x00FF00u);
}
