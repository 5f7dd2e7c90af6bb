// The canvas's path read back: flattened figures of text and curves as move-to and line-to
// points, checked against the pixels the same path fills on an off-screen bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/canvas.h"

using namespace platform;

namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
  void add(int x, int y) {
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x);
    bottom = std::max(bottom, y);
  }
};

Box inked(TBitmap& bm) {
  Box b;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (bm.Canvas().Pixels(x, y) == clBlack) b.add(x, y);
  return b;
}

}  // namespace

TEST(TCanvasPath, TextOutlineReadsBackWhereItFills) {
  TBitmap bm;
  bm.SetSize(220, 80);
  TCanvas& c = bm.Canvas();
  c.Font.setName("DejaVu Sans");
  c.Font.setHeight(-48);
  c.BeginPath();
  c.TextOut(10, 10, "Hé!");
  c.EndPath();
  ASSERT_TRUE(c.FlattenPath());
  std::vector<TPoint> pts, again;
  std::vector<uint8_t> kinds, kindsAgain;
  ASSERT_TRUE(c.GetPath(pts, kinds));
  ASSERT_EQ(pts.size(), kinds.size());
  ASSERT_GT(pts.size(), 12u);
  // Reading leaves the path for the next use.
  ASSERT_TRUE(c.GetPath(again, kindsAgain));
  EXPECT_EQ(again, pts);
  Box outline;
  int figures = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    outline.add(pts[i].X, pts[i].Y);
    const bool starts = i == 0 || (kinds[i - 1] & PT_CLOSEFIGURE);
    if (starts) {
      EXPECT_EQ(kinds[i], PT_MOVETO) << i;
      ++figures;
    } else {
      EXPECT_EQ(kinds[i] & ~PT_CLOSEFIGURE, PT_LINETO) << i;
    }
  }
  EXPECT_TRUE(kinds.back() & PT_CLOSEFIGURE);
  EXPECT_GE(figures, 4);  // H, e, its accent, the bar and the dot of !
  c.Brush.Color = clBlack;
  c.Pen.Style = psClear;
  ASSERT_TRUE(c.FillPath());
  const Box ink = inked(bm);
  EXPECT_NEAR(ink.left, outline.left, 1);
  EXPECT_NEAR(ink.right, outline.right, 1);
  EXPECT_NEAR(ink.top, outline.top, 1);
  EXPECT_NEAR(ink.bottom, outline.bottom, 1);
  EXPECT_FALSE(c.GetPath(pts, kinds));  // filling used it up
  EXPECT_TRUE(pts.empty() && kinds.empty());
}

TEST(TCanvasPath, EllipseFlattensOntoItsRim) {
  TBitmap bm;
  bm.SetSize(100, 60);
  TCanvas& c = bm.Canvas();
  c.BeginPath();
  c.Ellipse(10, 10, 90, 50);
  c.EndPath();
  ASSERT_TRUE(c.FlattenPath());
  std::vector<TPoint> pts;
  std::vector<uint8_t> kinds;
  ASSERT_TRUE(c.GetPath(pts, kinds));
  ASSERT_GT(pts.size(), 16u);
  EXPECT_EQ(kinds.front(), PT_MOVETO);
  for (const TPoint& p : pts) {
    const double dx = (p.X - 50) / 40.0, dy = (p.Y - 30) / 20.0;
    EXPECT_NEAR(std::hypot(dx, dy), 1, 0.06) << p.X << "," << p.Y;
  }
}

TEST(TCanvasPath, NothingToReadWithoutAFinishedPath) {
  std::vector<TPoint> pts{{1, 1}};
  std::vector<uint8_t> kinds{PT_MOVETO};
  TCanvas unbound;
  EXPECT_FALSE(unbound.FlattenPath());
  EXPECT_FALSE(unbound.GetPath(pts, kinds));
  EXPECT_TRUE(pts.empty() && kinds.empty());
  TBitmap bm;
  bm.SetSize(10, 10);
  EXPECT_FALSE(bm.Canvas().FlattenPath());
  bm.Canvas().BeginPath();
  bm.Canvas().LineTo(5, 5);
  EXPECT_FALSE(bm.Canvas().GetPath(pts, kinds));  // still open
}
