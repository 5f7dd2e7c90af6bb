// Display scaling of `os`: pixel and font sizes through the factors, halves to even, the DPI
// measured once from the primary monitor, the edge hit test and the work area.
#include "core/os_scaling.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/windows.h"

namespace {
using namespace platform;

// A primary display of the given physical DPI (from its millimetres).
void useDisplay(int dpi) {
  auto b = std::make_unique<THeadlessBackend>();
  TDisplay d;
  d.name = "Test";
  d.box = Bounds(0, 0, 1920, 1080);
  d.workArea = Bounds(0, 0, 1920, 1040);
  d.mmWidth = dpi ? static_cast<int>(1920 * 25.4 / dpi + 0.5) : 0;
  d.mmHeight = dpi ? static_cast<int>(1080 * 25.4 / dpi + 0.5) : 0;
  d.primary = true;
  b->setDisplays({d});
  resetDesktop(std::move(b));
}

TEST(Scaling, UnitFactorsLeaveSizesAndRoundHalvesToEven) {
  TosScaling s;
  EXPECT_EQ(s.gp(7), 7);
  EXPECT_EQ(s.gp(-3), -3);
  EXPECT_EQ(s.gp(2.5), 2);
  EXPECT_EQ(s.gp(3.5), 4);
}

TEST(Scaling, ProgramMagnificationScalesPixelsAndTruncatesFonts) {
  TosScaling s;
  s.setMagnify(1.5);
  s.ffontname = "Open Sans";
  EXPECT_EQ(s.gp(10), 15);
  EXPECT_EQ(s.fontsize(8.0), 12);
  EXPECT_EQ(s.fontsize(8.3), 12);  // 12.45 truncated
  EXPECT_EQ(s.shrinkPixels(15), 10);
  s.setMagnify(0.1);
  EXPECT_EQ(s.fontsize(), 5);  // never below 5
  // The auto factor enters pixels but not fonts.
  s.setMagnify(1);
  s.fauto = -1.25;
  EXPECT_EQ(s.gp(8), 10);
  EXPECT_EQ(s.fontsize(8.0), 8);
  EXPECT_EQ(s.ArialFontSize(8), 10);
}

TEST(Scaling, TahomaAndLatoGetFivePercentByExactName) {
  TosScaling s;
  s.fontTypeFactor = 1;
  s.ffontname = "Tahoma";
  EXPECT_EQ(s.fontsize(20.0), 21);
  s.ffontname = "tahoma";
  EXPECT_EQ(s.fontsize(20.0), 20);
  s.ffontname = "Lato";
  EXPECT_EQ(s.fontsize(40.0), 42);
}

TEST(Scaling, FontsizeForANameLeavesTheProgramFont) {
  useDisplay(96);
  TosScaling s;
  s.setfontname("Carlito");
  EXPECT_EQ(s.fontsize("Tahoma", 20), 21);
  EXPECT_EQ(s.fontname(), "Carlito");
}

TEST(Scaling, PositiveMillimetresNeverVanish) {
  TosScaling s;
  s.fppmm = 96 / 25.4;
  EXPECT_EQ(s.pixels(0.01), 1);
  EXPECT_EQ(s.pixels(0), 0);
  EXPECT_EQ(s.pixels(-0.01), 0);
  EXPECT_EQ(s.pixels(10), 38);
}

TEST(Scaling, ScreenDpiIsMeasuredOnceAndNeverBelow96) {
  struct Case {
    int dpi;
    double expectDpi, expectMagnification;
  } cases[] = {{72, 96, 1.0}, {144, 144, 1.5}, {0, 96, 1.0}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.dpi);
    useDisplay(c.dpi);
    TosScaling s;
    EXPECT_NEAR(s.screenDPI(), c.expectDpi, 0.5);
    EXPECT_NEAR(s.fffontMagnification, c.expectMagnification, 0.01);
    s.setMagnify(1);
    s.screenDPI();  // measured already: the magnification stays as set
    EXPECT_EQ(s.fffontMagnification, 1);
  }
  TosScaling forced;
  forced.forceDpi = 1;
  forced.fcorrect = 2;
  EXPECT_EQ(forced.screenDPI(), 96);
  EXPECT_EQ(forced.fcorrect, 1);
}

TEST(Scaling, HitboxCodesAndCursors) {
  const TRect box = Rect(10, 10, 110, 60);
  struct Case {
    int x, y, code;
    Cursor cursor;
  } cases[] = {
      {10, 10, 515, Cursor::SizeNWSE}, {60, 35, 512, Cursor::SizeAll}, {113, 35, 0, Cursor::Default},
      {112, 35, 8, Cursor::SizeWE},    {60, 8, 1, Cursor::SizeNS},     {109, 11, 521, Cursor::SizeNESW},
      {60, 62, 4, Cursor::SizeNS},     {7, 7, 3, Cursor::SizeNWSE},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    Cursor cur = Cursor::Arrow;
    EXPECT_EQ(TosScaling::hitbox(box, c.x, c.y, 3, cur), c.code);
    EXPECT_EQ(cur, c.cursor);
  }
}

TEST(Scaling, WorkAreaOfTheFirstOrAllMonitors) {
  auto b = std::make_unique<THeadlessBackend>();
  TDisplay one, two;
  one.box = Bounds(0, 0, 1920, 1080);
  one.workArea = Bounds(0, 0, 1920, 1040);
  one.primary = true;
  two.box = Bounds(1920, -100, 1280, 1024);
  two.workArea = Bounds(1920, -100, 1280, 1000);
  b->setDisplays({one, two});
  resetDesktop(std::move(b));
  TosScaling s;
  EXPECT_EQ(s.workarea(), one.workArea);
  s.useAllMonitors = true;
  EXPECT_EQ(s.workarea(), Rect(0, -100, 3200, 1040));
  s.setdesignWidth(800);
  EXPECT_DOUBLE_EQ(s.fauto, 1.0);
  s.setdesignWidth(0);
  EXPECT_EQ(s.fauto, 0);
}

TEST(Scaling, DesktopFontScalingComesFromTheLogicalDpi) {
  auto b = std::make_unique<THeadlessBackend>();
  b->setLogicalDpi(120);
  resetDesktop(std::move(b));
  TosScaling s;
  s.UseWindowsfontScaling();
  EXPECT_DOUBLE_EQ(s.fauto, -1.25);
  EXPECT_EQ(s.gp(8), 10);
}

TEST(Scaling, ScreenInfoOfADisplayWithoutMillimetresIs96Dpi) {
  useDisplay(0);
  TscreenInfo2 si;
  EXPECT_NEAR(si.ppmm, 96 / 25.4, 1e-9);
  EXPECT_EQ(si.px(0.01), 1);
  EXPECT_EQ(si.pixwidth, 1920);
}

}  // namespace
