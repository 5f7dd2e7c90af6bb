// Ttrans: nested frames compose and pop back exactly; clip states push and pop; a path becomes
// the clip or, when there is none, leaves the stack as it was.
#include <gtest/gtest.h>

#include <numbers>

#include "core/Ttrans.h"

using namespace platform;

namespace {
struct Page {
  TBitmap bm;
  Page() { bm.SetSize(200, 120); }
  TCanvas& c() { return bm.Canvas(); }
  [[nodiscard]] TRect ink() const {
    TRect b;
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x)
        if (bm.surface().pixel(x, y) != 0xFFFFFF) b.unite({x, y, x + 1, y + 1});
    return b;
  }
};
constexpr double kPi = std::numbers::pi;
}  // namespace

TEST(Ttrans, MoveTurnsClockwiseAndClearRestores) {
  Page p;
  Ttrans t;
  t.move(p.c(), 100, 50, kPi / 2);
  p.c().MoveTo(0, 0);
  p.c().LineTo(10, 0);
  EXPECT_EQ(p.ink(), Rect(100, 50, 101, 60));
  EXPECT_EQ(p.bm.dc().stretchBltMode(), StretchMode::Halftone);
  EXPECT_TRUE(t.clear());
  EXPECT_EQ(p.bm.dc().worldTransform(), XFORM{});
  EXPECT_EQ(p.bm.dc().graphicsMode(), GraphicsMode::Compatible);
  EXPECT_FALSE(t.clear());  // nothing left
}

TEST(Ttrans, NestedMovesComposeAndPopInOrder) {
  Page p;
  Ttrans t;
  t.move(p.c(), 100, 0, 0);
  XFORM first = p.bm.dc().worldTransform();
  t.move(p.c(), 0, 0, kPi);
  EXPECT_EQ(p.bm.dc().toDevice({10, 0}), (TPoint{90, 0}));
  t.move(p.c(), 5, 5, 0, 1, 2);  // scaled by 2 inside
  EXPECT_EQ(t.depth(), 3u);
  EXPECT_TRUE(t.clear());
  EXPECT_TRUE(t.clear());
  EXPECT_EQ(p.bm.dc().worldTransform(), first);
  EXPECT_EQ(p.bm.dc().graphicsMode(), GraphicsMode::Advanced);
  t.move(p.c(), 7, 7, 1.0);
  t.clearAll();
  EXPECT_EQ(t.depth(), 0u);
  EXPECT_EQ(p.bm.dc().worldTransform(), XFORM{});
  EXPECT_EQ(p.bm.dc().graphicsMode(), GraphicsMode::Compatible);
}

TEST(Ttrans, MoveKeepsAnAdvancedModeItFound) {
  Page p;
  p.bm.dc().setGraphicsMode(GraphicsMode::Advanced);
  Ttrans t;
  t.move(p.c(), 3, 4, 0);
  t.clear();
  EXPECT_EQ(p.bm.dc().graphicsMode(), GraphicsMode::Advanced);
}

TEST(Ttrans, ClipAndUnclipRestoreTheClip) {
  Page p;
  Ttrans t;
  t.clip(p.c(), 10, 10, 50, 40);
  EXPECT_EQ(p.c().ClipRect(), Rect(10, 10, 50, 40));
  t.clip(p.c(), 30, 0, 200, 200);
  EXPECT_EQ(p.c().ClipRect(), Rect(30, 10, 50, 40));
  t.unclip();
  EXPECT_EQ(p.c().ClipRect(), Rect(10, 10, 50, 40));
  t.unclip();
  EXPECT_EQ(p.c().ClipRect(), Rect(0, 0, 200, 120));
  t.unclip();  // nothing saved: nothing happens
  EXPECT_EQ(t.clipDepth(), 0u);
}

TEST(Ttrans, ClipToPathNeedsAPath) {
  Page p;
  Ttrans t;
  EXPECT_FALSE(t.clipToPath(p.c()));
  EXPECT_EQ(t.clipDepth(), 0u);
  p.c().BeginPath();
  p.c().Rectangle(20, 20, 60, 60);
  p.c().EndPath();
  ASSERT_TRUE(t.clipToPath(p.c()));
  p.c().Brush.Color = 0;
  p.c().FillRect({0, 0, 200, 120});
  EXPECT_EQ(p.ink(), Rect(20, 20, 60, 60));
  t.unclip();
  EXPECT_EQ(p.c().ClipRect(), Rect(0, 0, 200, 120));
  EXPECT_TRUE(t.clipToPath(p.c(), true));  // outside: only the state is saved
  EXPECT_EQ(t.clipDepth(), 1u);
}
