// Paths: arcs and round rectangles as figures, points read back, widening that fills exactly
// what the pen strokes, and regions and clip paths that exclude exactly what they should.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gdi.h"
#include "tests/platform/pixelmap.h"

using namespace platform;

namespace {
struct Canvas {
  TSurface s;
  TDeviceContext dc;
  Canvas(int w, int h) {
    s.create(w, h, 24);
    dc.bind(&s);
    dc.fillRect({0, 0, w, h}, solidBrush(0xFFFFFF));
  }
  std::string picture() { return pixelmap::draw(s, {{0xFFFFFF, '.'}, {0x000000, '#'}}); }
};
}  // namespace

TEST(DeviceContextPaths, ArcFiguresAndPointsReadBack) {
  Canvas c(20, 20);
  c.dc.beginPath();
  c.dc.pie(0, 0, 20, 20, 20, 10, 10, 0);  // a quarter from the right round to the top
  c.dc.endPath();
  std::vector<TPoint> pts;
  std::vector<uint8_t> kinds;
  ASSERT_TRUE(c.dc.getPath(pts, kinds));
  ASSERT_GE(pts.size(), 4u);
  // One closed figure: the rim from the right round to the top, and the centre.
  EXPECT_EQ(kinds.front(), PT_MOVETO);
  EXPECT_EQ(kinds.back(), PT_LINETO | PT_CLOSEFIGURE);
  EXPECT_NE(std::find(pts.begin(), pts.end(), TPoint{10, 10}), pts.end());
  EXPECT_NE(std::find(pts.begin(), pts.end(), TPoint{20, 10}), pts.end());
  EXPECT_NE(std::find(pts.begin(), pts.end(), TPoint{10, 0}), pts.end());
  for (size_t i = 1; i + 1 < kinds.size(); ++i) EXPECT_EQ(kinds[i], PT_LINETO);
  EXPECT_TRUE(c.dc.flattenPath());
  TRegion r;
  ASSERT_TRUE(c.dc.pathToRegion(r));
  EXPECT_TRUE(r.contains({14, 5}));   // inside the upper-right quarter
  EXPECT_FALSE(r.contains({5, 5}));   // the upper-left quarter stays out
  EXPECT_FALSE(r.contains({14, 14}));
  EXPECT_FALSE(c.dc.getPath(pts, kinds));  // the region used the path up
  EXPECT_TRUE(pts.empty());
}

TEST(DeviceContextPaths, ClockwiseArcAndRoundRectangle) {
  Canvas c(20, 20);
  c.dc.setArcDirection(ArcDirection::Clockwise);
  c.dc.beginPath();
  c.dc.chord(0, 0, 20, 20, 20, 10, 10, 0);  // clockwise: three quarters round
  c.dc.endPath();
  TRegion r;
  ASSERT_TRUE(c.dc.pathToRegion(r));
  EXPECT_TRUE(r.contains({5, 10}));
  EXPECT_FALSE(r.contains({17, 3}));
  c.dc.beginPath();
  c.dc.roundRect(0, 0, 20, 10, 8, 8);
  c.dc.endPath();
  ASSERT_TRUE(c.dc.pathToRegion(r));
  EXPECT_TRUE(r.contains({10, 5}));
  EXPECT_TRUE(r.contains({1, 5}));
  EXPECT_FALSE(r.contains({0, 0}));  // the corner is rounded off
  EXPECT_EQ(r.bounds(), (TRect{0, 0, 20, 10}));
}

TEST(DeviceContextPaths, WidenedPathFillsWhatThePenStrokes) {
  const TPoint bend[] = {{3, 3}, {16, 3}, {16, 15}};
  for (auto pen : {makePen(PenStyle::Solid, 5, 0), makeExtPen(PenType::Geometric, PenStyle::Dash, 3, 0,
                                                              PenEndCap::Flat, PenJoin::Miter)}) {
    Canvas stroked(22, 22), filled(22, 22);
    stroked.dc.setPen(pen);
    stroked.dc.beginPath();
    stroked.dc.polyline(bend);
    stroked.dc.endPath();
    stroked.dc.strokePath();
    filled.dc.setPen(pen);
    filled.dc.setBrush(solidBrush(0));
    filled.dc.beginPath();
    filled.dc.polyline(bend);
    filled.dc.endPath();
    ASSERT_TRUE(filled.dc.widenPath());
    filled.dc.setPolyFillMode(PolyFillMode::Alternate);
    filled.dc.fillPath();
    EXPECT_EQ(filled.picture(), stroked.picture());
  }
  Canvas none(4, 4);
  EXPECT_FALSE(none.dc.widenPath());
}

TEST(DeviceContextPaths, ClipPathExcludesExactlyTheOutside) {
  Canvas c(8, 6);
  c.dc.beginPath();
  c.dc.rectangle(2, 1, 6, 5);
  c.dc.endPath();
  ASSERT_TRUE(c.dc.selectClipPath(RGN_COPY));
  c.dc.fillRect({0, 0, 8, 6}, solidBrush(0));
  EXPECT_EQ(c.picture(), pixelmap::rows("........", "..####..", "..####..", "..####..", "..####..", "........"));
  c.dc.resetClip();
  c.dc.fillRect({0, 0, 8, 6}, solidBrush(0xFFFFFF));
  c.dc.beginPath();
  c.dc.rectangle(2, 1, 6, 5);
  c.dc.endPath();
  ASSERT_TRUE(c.dc.selectClipPath(RGN_DIFF));
  c.dc.fillRect({0, 0, 8, 6}, solidBrush(0));
  EXPECT_EQ(c.picture(), pixelmap::rows("########", "##....##", "##....##", "##....##", "##....##", "########"));
}
