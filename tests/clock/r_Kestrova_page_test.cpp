// The astronomical data page: the panel's wordings, and a page that is still made, with the globe
// in its background colour, when the world picture is missing or unusable.
#include <gtest/gtest.h>

#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "core/r_date.h"
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
