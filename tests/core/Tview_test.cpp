// Tview: the world/pixel transform, line and polygon conversion, visibility, history and zoom.
#include "core/Tview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
// A view on a 4 px/mm device: box 800 × 600, centre (0, 0), one world unit per pixel.
struct ViewFixture : ::testing::Test {
  Tview v;
  void SetUp() override {
    v.setppmm(4);
    v.box = {0, 0, 800, 600};
    v.setmp(1);
  }
  std::pair<int32_t, int32_t> px(double x, double y) const {
    int32_t xi, yi;
    v.screenXY(x, y, xi, yi);
    return {xi, yi};
  }
};

TEST(Tview, NewViewScaleAndClamps) {
  Tview v;
  EXPECT_EQ(v.scale(), 10000);
  EXPECT_TRUE(v.isScreen());
  v.setppmm(4);
  EXPECT_FALSE(v.isScreen());
  EXPECT_DOUBLE_EQ(v.mp(), 2.5);
  EXPECT_DOUBLE_EQ(v.snap(), 7.5);
  struct Case { const char* id; double in, out; } cases[] = {
      {"zero", 0, 0.001}, {"negative", -5, 0.001}, {"NaN", std::nan(""), 0.001}, {"plain", 2500, 2500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    v.setscale(c.in);
    EXPECT_EQ(v.scale(), c.out);
  }
  v.setscale(std::numeric_limits<double>::infinity());
  EXPECT_EQ(v.scale(), 2500);  // an infinite scale is refused
  for (double bad : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    v.setppmm(bad);
    EXPECT_EQ(v.ppmm(), 4);
    EXPECT_DOUBLE_EQ(v.mp(), 2500 / 4000.0);
  }
  v.neatScale = true;
  v.setscale(1234);
  EXPECT_EQ(v.scale(), 1250);
  EXPECT_DOUBLE_EQ(v.mp(), 1250 / 4000.0);
}

TEST_F(ViewFixture, PointsBothWays) {
  EXPECT_EQ(px(0, 0), std::make_pair(400, 300));
  EXPECT_EQ(px(100, 100), std::make_pair(500, 200));
  double x, y;
  v.worldXY(x, y, 0, 0);
  EXPECT_EQ(x, -400);
  EXPECT_EQ(y, 300);

  v.rotation = 90;
  EXPECT_EQ(px(0, 100), std::make_pair(500, 300));  // north of the centre turns to the east
  double xd, yd;
  v.screenXYd(37, -12, xd, yd);
  v.worldXY(x, y, xd, yd);
  EXPECT_NEAR(x, 37, 1e-9);
  EXPECT_NEAR(y, -12, 1e-9);

  v.rotation = 0;
  v.mpy = 2;
  EXPECT_EQ(px(0, 100), std::make_pair(400, 250));
  v.setscale(v.scale());
  EXPECT_EQ(v.mpy, 0);
}

TEST_F(ViewFixture, VisibilityAndMovement) {
  EXPECT_TRUE(v.InView(-400, 0, 0));   // pixel x = box.Left
  EXPECT_FALSE(v.InView(400, 0, 0));   // pixel x = box.Right
  EXPECT_TRUE(v.InView(400, 0, 1));
  EXPECT_FALSE(v.needsClip(-400, -300, 400, 300, 0));
  EXPECT_TRUE(v.needsClip(-401, -300, 400, 300, 0));
  EXPECT_FALSE(v.needsClip(-401, -300, 400, 300, 2));
  v.downx = 10;
  v.cursorx = 13;
  EXPECT_FALSE(v.reallyMoved());
  v.cursorx = 14;
  EXPECT_TRUE(v.reallyMoved());

  double x1, y1, x2, y2;
  v.bounds(x1, y1, x2, y2);
  EXPECT_EQ(x1, -400);
  EXPECT_EQ(y2, 300);
  v.rotation = 90;
  v.bounds(x1, y1, x2, y2);
  EXPECT_NEAR(x1, -300, 1e-9);
  EXPECT_NEAR(y2, 400, 1e-9);
  v.RotatedExtent(x1, y1, x2, y2);
  EXPECT_NEAR(x2, 300, 1e-9);
  EXPECT_NEAR(y1, -400, 1e-9);
}

TEST_F(ViewFixture, LinesDropRepeatedPixels) {
  Tpoints a;
  EXPECT_FALSE(v.screenXY(Txyvalues{{0, 0}, {0.2, 0.1}, {0.3, -0.4}}, a));
  EXPECT_EQ(a.size(), 1u);
  EXPECT_TRUE(v.screenXY(Txyvalues{{0, 0}, {0.2, 0}, {10, 10}, {500, -50}}, a));
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(v.rawXYbox, (platform::TRect{400, 290, 900, 350}));
  EXPECT_EQ(v.xyBox, (platform::TRect{400, 290, 800, 350}));
}

TEST_F(ViewFixture, PolygonRingsAndCounts) {
  const Txyvalues outer{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
  const Txyvalues triangle{{10, 10}, {20, 10}, {10, 20}};
  const Txyvalues hole{{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
  const Txyvalues tinyHole{{50, 50}, {50.1, 50}, {50.1, 50.1}, {50, 50.1}, {50, 50}};
  const Txyvalues farHole{{600, 600}, {600.2, 600}, {600.2, 600.2}, {600, 600.2}, {600, 600}};
  Tpoints a;
  TiList polys;
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer, triangle}, a, polys));
  EXPECT_EQ(polys, (TiList{5}));  // a hole of three vertices is skipped
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer, hole, tinyHole}, a, polys));
  EXPECT_EQ(polys, (TiList{5, 5}));  // the hole that collapses to one pixel is taken back out
  EXPECT_EQ(a.size(), 10u);
  // A dropped ring's pixels still count in the raw box.
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer, farHole}, a, polys));
  EXPECT_EQ(v.rawXYbox.Right, 1000);
  EXPECT_EQ(v.xyBox.Right, 800);
  // The first pixel of a ring equal to the last kept pixel is dropped.
  const Txyvalues second{{0, 0}, {-50, 0}, {-50, -50}, {0, -50}, {0, 0}};
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer, second}, a, polys));
  EXPECT_EQ(polys, (TiList{5, 4}));
  EXPECT_FALSE(v.screenXY(TpolyXyValues{}, a, polys));

  Txyvalues ringA = outer, ringB = hole;
  EXPECT_TRUE(v.screenXY(TPpolyXYvalues{&ringA, nullptr, &ringB}, a, polys));
  EXPECT_EQ(polys, (TiList{5, 5}));

  // Reused arrays are grown, never shortened.
  Tpoints big(100);
  TiList counts(10);
  int32_t aCnt = -1, pCnt = -1;
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer, hole}, big, counts, aCnt, pCnt));
  EXPECT_EQ(aCnt, 10);
  EXPECT_EQ(pCnt, 2);
  EXPECT_EQ(big.size(), 100u);
  EXPECT_EQ(counts.size(), 10u);
  Tpoints small;
  TiList none;
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer}, small, none, aCnt, pCnt));
  EXPECT_EQ(small.size(), 5u);

  int32_t xi = -1, yi = -1;
  EXPECT_TRUE(v.screenXY(TpolyXyValues{outer}, xi, yi));
  EXPECT_EQ(xi, 400);
  EXPECT_FALSE(v.screenXY(TpolyXyValues{Txyvalues{}}, xi, yi));
}

TEST_F(ViewFixture, HistoryReturnsToThePriorView) {
  v.recordViews = true;
  for (double cx : {1.0, 2.0, 3.0}) {
    v.centrex = cx;
    v.setmp(cx);
    v.recordView();
  }
  v.recordView();  // the same view again is not recorded
  ASSERT_EQ(v.views.size(), 3u);
  v.GoToPriorView();
  EXPECT_EQ(v.centrex, 2);
  EXPECT_DOUBLE_EQ(v.mp(), 2);
  EXPECT_EQ(v.views.size(), 1u);

  Tview w;
  w.recordViews = true;
  int signalled = 0;
  w.onScale = [&](Tview*) { ++signalled; };
  for (double cx : {1.0, 2.0, 3.0}) {
    w.centrex = cx;
    w.setmp(cx);
  }
  ASSERT_EQ(w.views.size(), 3u);
  w.GoToPriorView();
  EXPECT_EQ(w.views.size(), 2u);
  EXPECT_EQ(signalled, 4);
  w.recordViews = false;
  w.GoToPriorView();
  EXPECT_EQ(w.views.size(), 2u);
}

TEST_F(ViewFixture, ZoomsFitTheExtent) {
  v.extent = {0, 500, 1000, 0};  // left, top, right, bottom
  v.rotation = 30;
  v.ZoomToExtent();
  EXPECT_EQ(v.centrex, 500);
  EXPECT_EQ(v.centrey, 250);
  EXPECT_DOUBLE_EQ(v.mp(), 1.25);
  EXPECT_EQ(v.rotation, 0);

  v.ZoomToExtentPlus();
  EXPECT_EQ(v.scale(), 5000);
  v.rotation = 90;  // the extent stands on its side: 500 wide, 1000 high
  v.ZoomToExtentPlus();
  EXPECT_EQ(v.scale(), 7000);
  v.ZoomToExtentPlus(2);
  EXPECT_EQ(v.scale(), 15000);

  const double before = v.scale();
  v.extent = {1000, 500, 1000, 0};
  v.ZoomToExtent();
  EXPECT_EQ(v.scale(), before);

  // An empty box has no scale to fit: the scale stays finite and as it was.
  v.extent = {0, 500, 1000, 0};
  v.box = {0, 0, 0, 600};
  v.ZoomToExtent();
  v.ZoomToExtentPlus();
  EXPECT_EQ(v.scale(), before);
  EXPECT_EQ(v.centrex, 500);
}

TEST_F(ViewFixture, SavedViewsAndCopies) {
  v.centrex = 12;
  v.rotation = 15;
  ViewRec saved;
  v.saveView(saved);
  EXPECT_TRUE(v.equalView(saved));
  v.centrex = 99;
  v.setscale(123);
  v.box = {0, 0, 10, 10};
  EXPECT_FALSE(v.equalView(saved));
  v.restoreView(saved);
  EXPECT_TRUE(v.equalView(saved));
  EXPECT_DOUBLE_EQ(v.mp(), 1);

  v.xyValues = {{1, 2}};
  v.extent = {1, 2, 3, 4};
  v.recordViews = true;
  Tview w;
  w.assign(v);
  EXPECT_EQ(w.scale(), v.scale());
  EXPECT_EQ(w.mp(), v.mp());
  EXPECT_EQ(w.ppmm(), 4);
  EXPECT_EQ(w.box, v.box);
  EXPECT_EQ(w.xyValues, v.xyValues);
  EXPECT_EQ(w.extent, v.extent);
  EXPECT_FALSE(w.recordViews);
  EXPECT_EQ(w.centrex, 12);
}
}  // namespace

namespace {
TEST(Tview, TimeValueIsMadeOnFirstUseAndCopied) {
  Tview v, w;
  v.LongTime().year = 1999;
  w.assign(v);
  EXPECT_EQ(w.LongTime().year, 1999);
  EXPECT_NE(&w.LongTime(), &v.LongTime());
  Tview none;
  w.assign(none);  // the source has none: ours is freed, and made afresh when asked
  EXPECT_NE(w.LongTime().year, 1999);
}
}  // namespace
