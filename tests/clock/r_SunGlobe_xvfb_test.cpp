// The globe dial as a control of its own on a form, on our own Xvfb: it draws itself at its size,
// the globe over the home place in the middle of the dial, and follows a change of size.
#include <gtest/gtest.h>

#include <algorithm>

#include "astro/r_Sun.h"
#include "clock/r_SunGlobe.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/controls.h"
#include "platform/datetime.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"

namespace {
using namespace platform;

int red(uint32_t c) { return int((c >> 16) & 0xFF); }
int green(uint32_t c) { return int((c >> 8) & 0xFF); }
int blue(uint32_t c) { return int(c & 0xFF); }

TEST(GlobeDialOnXvfb, DrawsItselfOnItsOwnFormAndFollowsItsSize) {
  if (!testenv::have("Xvfb") || !testenv::have("xwd")) GTEST_SKIP() << "Xvfb or xwd missing";
  testenv::Xvfb server("800x600x24", {"-noreset"});
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  testenv::DesktopOnXvfb desk(server);
  ASSERT_TRUE(desk.open());
  createOs();
  struct Free {
    ~Free() { freeOs(); }
  } freeing;

  Tobserver ob;
  Tsun sun(ob);
  TrawBitmap24 world;  // a green world: the lit globe is green, the night side dark green
  world.setsize(600, 300);
  for (int r = 0; r < 300; ++r)
    for (int c = 0; c < 600; ++c) world.setPixel(c, r, uint8_t(60), uint8_t(170), uint8_t(90));
  TForm form;
  form.Color = TColor(0xFF00FF);
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  TglobeDial dial(&form, sun, 0, 51.5, 0);
  TDateTime noon = 0;
  ASSERT_TRUE(tryEncodeDate(2024, 6, 21, noon));
  dial.fixedGmt = noon + 0.5;  // London by day
  dial.setMini(&world);
  dial.SetBounds(100, 100, 300, 300);
  EXPECT_GE(dial.redraws, 1) << "a size draws the picture";

  testenv::Shot shot;
  auto grab = [&] {
    shot = testenv::grabScreen(server.display(), "dial.xwd");
    return shot.width == 800;
  };
  auto globe = [](uint32_t c) { return green(c) > 100 && green(c) > red(c) + 40 && green(c) > blue(c) + 20; };
  auto magenta = [](uint32_t c) { return c == 0xFF00FFu; };
  // The globe in the middle, the dial round it, the form outside the control.
  const bool drawn = testenv::pollUntil(10000, [&] {
    return grab() && globe(shot.at(250, 250)) && !magenta(shot.at(250, 110)) && !magenta(shot.at(110, 250)) &&
           magenta(shot.at(95, 250)) && magenta(shot.at(405, 250));
  });
  ASSERT_TRUE(drawn) << std::hex << shot.error << " " << (shot.width ? shot.at(250, 250) : 0);
  // The globe's green spans the middle row 0.7 of the dial's radius (0.9 of half the control's
  // side) to either side of the middle.
  auto span = [&](int x0, int x1, int& left, int& right) {
    left = x1, right = x0;
    for (int x = x0; x < x1; ++x)
      if (globe(shot.at(x, 250))) left = std::min(left, x), right = std::max(right, x);
  };
  int left = 0, right = 0;
  span(100, 400, left, right);
  EXPECT_NEAR((left + right) / 2.0, 250, 4);
  EXPECT_NEAR((right - left) / 2.0, 0.7 * 0.9 * 150, 8);

  // Wider than high: the dial stays round, as high as the control, in its middle, the rest of the
  // control in the dial's background.
  const int before = dial.redraws;
  dial.SetBounds(100, 100, 500, 300);
  EXPECT_GT(dial.redraws, before);
  const bool moved = testenv::pollUntil(10000, [&] {
    return grab() && globe(shot.at(350, 250)) && shot.at(150, 250) == 0x000040u && shot.at(590, 250) == 0x000040u &&
           magenta(shot.at(605, 250));
  });
  ASSERT_TRUE(moved) << std::hex << (shot.width ? shot.at(350, 250) : 0);
  span(100, 600, left, right);
  EXPECT_NEAR((left + right) / 2.0, 350, 4);
  EXPECT_NEAR((right - left) / 2.0, 0.7 * 0.9 * 150, 8);
}

}  // namespace
