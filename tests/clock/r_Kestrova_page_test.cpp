// The astronomical data page: the panel's wordings, and a page that is still made, with the globe
// in its background colour, when the world picture is missing or unusable.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "core/r_date.h"
#include "platform/datetime.h"
#include "platform/windows.h"
#include "tests/clock/skydb.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

class ClockPage : public testenv::HeadlessOsTest {};

TEST_F(ClockPage, PhaseAndElevationWordings) {
  const struct {
    double p;
    bool waxing;
    const char* text;
  } phases[] = {
      {2.9, false, "Waning moon  2.900%"}, {2.9, true, "New moon"},           {3.0, true, "Waxing moon  3.000%"},
      {98.0, true, "Waxing moon  98.000%"}, {98.0, false, "Waning moon  98.000%"}, {98.1, true, "Full moon"},
      {98.1, false, "Full moon"},
  };
  for (const auto& c : phases) EXPECT_EQ(TclockPage::phaseText(c.p, c.waxing), c.text) << c.p << " " << c.waxing;
  EXPECT_EQ(TclockPage::elevationText("Sun elevation", 0), "Sun elevation: 0.00\xC2\xB0 above horizon");
  EXPECT_EQ(TclockPage::elevationText("Sun elevation", -0.004), "Sun elevation: 0.00\xC2\xB0 below horizon");
  EXPECT_EQ(TclockPage::elevationText("Moon elevation", -12.345), "Moon elevation: 12.35\xC2\xB0 below horizon");
}

TEST_F(ClockPage, UnusableWorldPictureLeavesTheGlobeInItsBackgroundColour) {
  const struct {
    const char* name;
    std::string bytes;  // empty: no file
  } cases[] = {
      {"missing", ""},
      {"corrupt", "BM this is not a bitmap"},
      {"tiny8bit", std::string("BM\x3e\0\0\0\0\0\0\0\x3e\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x08\0", 30)},
  };
  for (const auto& c : cases) {
    const std::string dir = testenv::tempDir() + "/page_" + c.name + "/";
    if (!c.bytes.empty()) testenv::writeFile(std::string("page_") + c.name + "/world 600.bmp", c.bytes);
    else testenv::writeFile(std::string("page_") + c.name + "/readme.txt", "x");
    TsunBase base(dir + "sky.db", 1920);
    TclockPage page(nullptr, base);
    EXPECT_FALSE(page.worldError.empty()) << c.name;
    TfancyClock& clock = *page.fancy;
    clock.setwidth(200);
    ASSERT_GT(clock.redraws, 0) << c.name << ": the rings are drawn without the picture";
    uint8_t r = 0, g = 0, b = 0;
    clock.bm->getPixel(200, 200, r, g, b);  // the middle of the globe
    EXPECT_EQ((int(b) << 16) | (int(g) << 8) | r, clock.globe->backColour) << c.name;
  }
}
}  // namespace

namespace {
TEST_F(ClockPage, HomeLineShowsTheTimeWithoutSeconds) {
  TsunBase base(skytest::makeSkyDb("homeline"), 1920);
  TclockPage page(nullptr, base);
  base.locations().homeplace = "London";
  page.fancy->ftime = 45000 + (16 + 24 / 3600.0) / 24;  // 16:00:24
  base.locations().useAmPm = false;
  EXPECT_EQ(page.homeLine(), "London  16:00");
  base.locations().useAmPm = true;
  EXPECT_EQ(page.homeLine(), "London  " + TdateMan::TimeStrAMPM(16, 0));
  EXPECT_EQ(page.homeLine().find(":24"), std::string::npos);
}

// Pages of four screens, less the caption bar: every text of the panel and the moon lie inside
// the panel, beside the clock. The clock gives way to the panel's widest line: a little on 16:9
// screens, much on 5:4 (where it took the page's height and cut the panel on both sides).
TEST_F(ClockPage, PanelTextsStayInsideThePageOnCommonScreens) {
  TsunBase base(skytest::makeSkyDb("narrow"), 1920);
  const struct {
    int w, h;
    double least, most;  // the clock's side in page heights
  } pages[] = {{1280, 1024 - 22, 0.3, 0.5}, {1366, 768 - 22, 0.85, 0.99}, {1920, 1080 - 22, 0.9, 1},
               {3840, 2160 - 22, 0.9, 1}};
  for (auto const& p : pages) {
    SCOPED_TRACE(::testing::Message() << p.w << " x " << p.h);
    TclockPage page(nullptr, base);
    page.SetBounds(0, 0, p.w, p.h);
    page.reenterPage();
    page.DrawAstroData();
    const int panel = page.astroBm->Width();
    EXPECT_EQ(page.clockRect.Right + panel, p.w);
    EXPECT_EQ(page.clockRect.width(), page.clockRect.height());
    EXPECT_LE(page.clockRect.Bottom, p.h);
    EXPECT_GE(page.clockRect.width(), p.least * p.h);
    EXPECT_LE(page.clockRect.width(), p.most * p.h);
    EXPECT_EQ(page.fancy->width(), page.clockRect.width());
    const platform::TRect inside{0, 0, panel, p.h};
    EXPECT_TRUE(inside.contains(page.moonbox));
    ASSERT_GE(page.lastTexts.size(), 16u);
    for (auto const& t : page.lastTexts)
      EXPECT_TRUE(inside.contains(t.box)) << "\"" << t.text << "\" at " << t.box.Left << ", " << t.box.Top << " to "
                                          << t.box.Right << ", " << t.box.Bottom;
  }
}
}  // namespace

namespace {
platform::TDateTime pageMoment(int d, int hh, int mm, int ss) {
  return createDateman().EncodeDateTime(2026, 3, d, hh, mm, ss);
}

// Differing pixels between a copy of a presented window and the window as presented now.
int pixelsApart(const std::vector<uint8_t>& before, const platform::TSurface& now) {
  const size_t bytes = size_t(now.width()) * size_t(now.bitsPerPixel() / 8);
  if (before.size() != bytes * size_t(now.height())) return -1;
  int apart = 0;
  for (int y = 0; y < now.height(); ++y)
    for (size_t i = 0; i < bytes; i += size_t(now.bitsPerPixel() / 8))
      apart += std::memcmp(before.data() + size_t(y) * bytes + i, now.row(y) + i, size_t(now.bitsPerPixel() / 8)) != 0;
  return apart;
}

std::vector<uint8_t> presented(const platform::TSurface& s) {
  const size_t bytes = size_t(s.width()) * size_t(s.bitsPerPixel() / 8);
  std::vector<uint8_t> copy(bytes * size_t(s.height()));
  for (int y = 0; y < s.height(); ++y) std::memcpy(copy.data() + size_t(y) * bytes, s.row(y), bytes);
  return copy;
}

// Ticks paint only what they changed (the second cells, the minute ring, the panel's changed
// lines and moon rows); after seconds, a new minute, a new hour and jumps of hours and a day the
// window shows what a whole repaint of the page shows, pixel for pixel.
TEST_F(ClockPage, PageAfterTicksMatchesAWholeRepaint) {
  const std::string db = skytest::makeSkyDb("ticks");
  const std::string dir = std::filesystem::path(db).parent_path().string() + "/";
  TrawBitmap24 world, moon;
  world.setsize(600, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 600; ++x) world.setPixel(x, y, Tbgr{uint8_t(x / 3), uint8_t(120 + y / 3), 60});
  ASSERT_TRUE(world.savetofile(dir + "world 600.bmp"));
  moon.setsize(300, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) moon.setPixel(x, y, Tbgr{uint8_t(90 + (x * y) % 120), uint8_t(100 + x % 90), 140});
  ASSERT_TRUE(moon.savetofile(dir + "moon.bmp"));
  TsunBase base(db, 1920);
  platform::setClockForTesting(pageMoment(10, 10, 58, 50));
  TclockPage page(nullptr, base);
  page.Handle();
  page.SetBounds(0, 0, 900, 500);
  page.Show();
  page.Update();
  ASSERT_TRUE(page.worldError.empty());
  const struct {
    const char* what;
    platform::TDateTime from;
    int seconds;
  } runs[] = {{"seconds", pageMoment(10, 10, 58, 51), 6},
              {"a new minute", pageMoment(10, 10, 58, 57), 8},
              {"a new hour", pageMoment(10, 10, 59, 55), 9},
              {"hours later", pageMoment(10, 17, 20, 5), 4},
              {"a day later", pageMoment(11, 17, 20, 5), 3}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.what);
    for (int s = 0; s < r.seconds; ++s) {
      platform::setClockForTesting(r.from + s / 86400.0);
      EXPECT_TRUE(page.doMoment(nullptr));
      page.Update();
    }
    const platform::TSurface* shown = hb->screen(page.Handle());
    ASSERT_NE(shown, nullptr);
    const std::vector<uint8_t> ticked = presented(*shown);
    page.repaintWhole();
    page.Update();
    EXPECT_EQ(pixelsApart(ticked, *hb->screen(page.Handle())), 0);
  }
  platform::setClockForTesting(0);
}
}  // namespace
