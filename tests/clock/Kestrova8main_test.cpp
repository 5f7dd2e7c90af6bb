// The main window on the headless desktop with a tiny data folder and a pinned clock: the files
// of the start, the five tabs and their pages, which tabs tick, the map's drag, home and time
// query, and the hover panel.
#include "clock/Kestrova8main.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/datetime.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "tests/clock/datafolder.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

TDateTime at(int y, int m, int d, int hh, int mm) {
  TDateTime dt = 0, t = 0;
  tryEncodeDate(y, m, d, dt);
  tryEncodeTime(hh, mm, 0, 0, t);
  return dt + t;
}

class MainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    TDisplay d;
    d.name = "Test";
    d.box = Rect(0, 0, 1920, 1080);
    d.workArea = Rect(0, 0, 1920, 1080);
    d.modeWidth = 1920;
    d.modeHeight = 1080;
    d.primary = true;
    b->setDisplays({d});
    hb = b.get();
    resetDesktop(std::move(b));
    setClockForTesting(at(2026, 6, 21, 12, 0));
    createOs();
    yoRecorder = [this](Tyo& box) {
      ++boxes;
      (void)box;
      return 1;
    };
    docs = os->documents.empty() ? testenv::tempDir() : os->documents;
    cfg = configFolderFor(docs);
    fs::remove_all(cfg);
    fs::create_directories(cfg);
  }
  void TearDown() override {
    win.reset();
    yoRecorder = nullptr;
    locationsFile.clear();
    locationsDir.clear();
    freeOs();
    setClockForTesting(0);
  }
  // Starts the window on the tiny data folder.
  void start() {
    const std::string data = clocktest::dataFolder();
    testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                       std::string("[settings]\r\nbase directory=") + data + "\r\n\r\n" +
                           std::string(clocktest::shippedLocations()).substr(13));
    win = std::make_unique<TKestrova8Win>();
    win->FormCreate();
  }
  THeadlessBackend* hb = nullptr;
  std::unique_ptr<TKestrova8Win> win;
  std::string docs, cfg;
  int boxes = 0;
};

TEST(StartFiles, OldLocationsMoveInOnlyWhenTheConfigurationFolderHasNone) {
  const std::string docs = testenv::tempDir() + "docs-old/";
  const std::string cfg = configFolderFor(docs);
  const std::string old = testenv::writeFile("docs-old/Ombrant/configuration/Kestrova8/locations.ini", "old");
  fs::create_directories(cfg);
  testenv::writeFile("docs-old/Ombrant/Kestrova/version 8/locations.ini", "current");
  EXPECT_FALSE(moveOldLocations(docs, cfg));
  EXPECT_EQ(testenv::readFile(cfg + "locations.ini"), "current");
  EXPECT_TRUE(fs::exists(old));

  fs::remove(cfg + "locations.ini");
  EXPECT_TRUE(moveOldLocations(docs, cfg));
  EXPECT_EQ(testenv::readFile(cfg + "locations.ini"), "old");
  EXPECT_FALSE(fs::exists(old));
}

TEST(StartFiles, FirstStartCopiesTheShippedLocationsBeforeWritingTheBaseDirectory) {
  createOs();
  const std::string base = testenv::tempDir() + "base-first/";
  testenv::writeFile("base-first/locations.ini", clocktest::shippedLocations());
  os->setBaseDir(base);
  const std::string cfg = testenv::tempDir() + "cfg-first/";
  fs::create_directories(cfg);
  readBaseDirectory(cfg);
  {
    TiniLite ini(cfg + "locations.ini");
    EXPECT_EQ(ini.readString("settings", "base directory", ""), base);
    EXPECT_EQ(ini.readString("location 2", "name", ""), "Anchorage");
  }
  // A stored base directory wins over the program's folder.
  os->setBaseDir(testenv::tempDir());
  readBaseDirectory(cfg);
  EXPECT_EQ(os->basedir(), base);
  // One that has gone gives way to the program's folder, which is written back.
  fs::remove_all(base);
  os->setBaseDir(testenv::tempDir());
  readBaseDirectory(cfg);
  EXPECT_EQ(os->basedir(), testenv::tempDir());
  EXPECT_EQ(TiniLite(cfg + "locations.ini").readString("settings", "base directory", ""), testenv::tempDir());
  freeOs();
}

TEST(MapCentre, DragsWrapWithinAHalfTurnEachWay) {
  struct Case {
    double centre;
    int dx, width;
    double expected;
  };
  const Case cases[] = {
      {0, -1000, 1000, 0},      // a whole map width to the left is a whole turn
      {170, -500, 1000, -10},   // half a width from 170 passes 180
      {-170, 500, 1000, 10},
      {0, 250, 1000, -90},
      {90, 0, 1000, 90},
      {540, 0, 1000, -180},     // a stored centre beyond a turn comes back in range
      {10, 100, 0, 10},         // no map: nothing moves
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.centre << " by " << c.dx << " of " << c.width);
    const double got = dragCentre(c.centre, c.dx, c.width);
    EXPECT_NEAR(got, c.expected, 1e-9);
    EXPECT_GE(got, -180);
    EXPECT_LT(got, 180);
  }
}

TEST_F(MainTest, StartSelectsTheMapAndOnlyTheFirstThreeTabsTick) {
  start();
  ASSERT_EQ(win->getCount(), 5);
  const char* names[] = {"World map", "Sky view", "Astronomical data", "Shadows", "Settings"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(win->getTab(i)->name(), names[i]);
    EXPECT_EQ(win->getTab(i)->id, i + 1);
  }
  EXPECT_TRUE(win->Visible());  // the first tick shows the window
  EXPECT_TRUE(win->maximized());
  ASSERT_NE(win->mapPage, nullptr);
  EXPECT_EQ(win->getTab(0)->page, win->mapPage.get());
  EXPECT_TRUE(win->timerOn());
  EXPECT_EQ(win->locationsModel()->locations().count(), 2);

  struct Case {
    int tab;
    bool ticks;
  };
  for (const Case c : {Case{1, true}, Case{2, true}, Case{3, false}, Case{4, false}, Case{0, true}}) {
    SCOPED_TRACE(c.tab);
    win->selectTab(c.tab);
    ASSERT_NE(win->getTab(c.tab)->page, nullptr);
    EXPECT_TRUE(win->getTab(c.tab)->page->Visible());
    EXPECT_EQ(win->timerOn(), c.ticks);
    const int before = win->ticks;
    for (int i = 0; i < 4; ++i) {
      desktop().idle(400);
      desktop().processMessages();
    }
    EXPECT_EQ(win->ticks > before, c.ticks);
  }
  EXPECT_EQ(boxes, 0);

  // Minimised, no tick reaches a page.
  hb->minimizeWindow(win->Handle());
  const int before = win->ticks;
  for (int i = 0; i < 4; ++i) {
    desktop().idle(400);
    desktop().processMessages();
  }
  EXPECT_EQ(win->ticks, before);
  hb->restoreWindow(win->Handle());
}

TEST_F(MainTest, ClockMinuteRebuildsTheMapOnlyWhenItChanges) {
  start();
  ASSERT_NE(win->mapPage, nullptr);
  ASSERT_NE(win->mapPage->sunLite, nullptr);
  TsunLite& r = *win->mapPage->sunLite;
  const int minute = r.lastMinute;
  setClockForTesting(at(2026, 6, 21, 12, 0) + 20.0 / 86400);
  win->doTimer(nullptr);
  EXPECT_EQ(r.lastMinute, minute);
  setClockForTesting(at(2026, 6, 21, 12, 1));
  win->mapPage->dotimer(win->timer.get());
  EXPECT_EQ(r.lastMinute, minute + 1);
}

TEST_F(MainTest, DragRecentresByTheMapWidthAndTheCentreIsKeptOnClose) {
  start();
  TsunHD2& page = *win->mapPage;
  page.Repaint();
  const TRect map = page.mapRect();
  ASSERT_GT(map.width(), 0);
  const int y = (map.Top + map.Bottom) / 2;
  page.mouseDown(600, y);
  page.mouseMove(603, y, true);  // within 4 pixels: not yet a drag
  EXPECT_FALSE(page.moving);
  page.mouseMove(600 + map.width() / 4, y, true);
  page.mouseUp(600 + map.width() / 4, y);
  EXPECT_NEAR(page.sunLite->locations().centreLong(), -90, 1);
  EXPECT_EQ(page.fixedPanel(), nullptr);  // a drag opens nothing
  const double centre = page.sunLite->locations().centreLong();
  win->FormClose();
  TiniLite ini(cfg + "locations.ini");
  EXPECT_NEAR(ini.readFloatUK("settings", "centre long", 0), centre, 0.01);
}

TEST_F(MainTest, ClickOpensTheTimeQueryAtLocalNoonAndAReleasePastTheEndStaysOnTheDay) {
  start();
  TsunHD2& page = *win->mapPage;
  page.Repaint();
  const TRect map = page.mapRect();
  const int y = (map.Top + map.Bottom) / 2;
  page.mouseMove(10, y, false);  // over the map, away from every label
  page.hit = -1;
  page.mouseDown(10, y);
  page.mouseUp(10, y);
  TfixedTime* q = page.fixedPanel();
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->Left(), (page.Width() - q->Width()) / 2);  // centred on the page
  EXPECT_NEAR(Frac(q->local()), 0.5, 1e-6);
  const TRect line0 = q->timeBox();
  EXPECT_EQ(hb->warped(), q->ClientToScreen(TPoint{(line0.Left + line0.Right) / 2, line0.Top + 4}));  // on the line
  const double day = std::floor(q->local());

  const TRect line = q->timeBox();
  q->mouseDown(line.Left + 5, line.Top + 5);
  q->mouseMove(line.Right + 200, line.Top + 5, true);
  EXPECT_EQ(std::floor(q->local()), day);
  q->mouseUp(line.Right + 200, line.Top + 5);
  EXPECT_EQ(std::floor(q->local()), day);
  EXPECT_NEAR(Frac(q->local()), 95.0 / 96, 1e-6);  // 23:45
  q->mouseDown(line.Left + 5, line.Top + 5);
  q->mouseUp(line.Left - 50, line.Top + 5);
  EXPECT_NEAR(Frac(q->local()), 0, 1e-6);

  // A click on the map closes it and the clock runs again.
  page.mouseDown(10, y);
  page.mouseUp(10, y);
  EXPECT_EQ(page.fixedPanel(), nullptr);
  EXPECT_TRUE(page.inFixed);
  // Leaving the tab closes one that is open, too.
  page.mouseDown(10, y);
  page.mouseUp(10, y);
  ASSERT_NE(page.fixedPanel(), nullptr);
  win->selectTab(1);
  EXPECT_EQ(page.fixedPanel(), nullptr);
  EXPECT_EQ(boxes, 0);
}

TEST_F(MainTest, ClickOnALabelMakesItsLocationHome) {
  start();
  TsunHD2& page = *win->mapPage;
  ASSERT_EQ(win->locationsModel()->locations().homeplace, "Oslo");
  page.hit = 1;  // what a hover over Anchorage's label leaves
  page.mouseDown(10, 10);
  page.mouseUp(10, 10);
  EXPECT_EQ(win->locationsModel()->locations().homeplace, "Anchorage");
  EXPECT_EQ(page.homeplace, "Anchorage");
  EXPECT_EQ(page.homeTz, "Alaskan Standard Time");
  EXPECT_EQ(page.fixedPanel(), nullptr);
}

TEST_F(MainTest, HoverPanelShowsAlaskaAsUsaWithItsZoneAndFlipsAtTheRightEdge) {
  start();
  TsunHD2& page = *win->mapPage;
  page.Repaint();
  const TRect map = page.mapRect();
  const int y = (map.Top + map.Bottom) / 2;
  page.hit = -1;
  page.mouseMove(100, y, false);
  TsunOver& over = page.hoverPanel();
  ASSERT_TRUE(over.Visible());
  EXPECT_EQ(over.countryShown(), "USA");
  EXPECT_TRUE(over.isMultiZone());
  EXPECT_EQ(over.Left(), 104);
  EXPECT_EQ(over.Top(), y - over.Height());
  // Noon GMT is 04:00 in Alaska's summer.
  EXPECT_EQ(over.timeText().substr(0, 5), "04:00");
  page.mouseMove(page.Width() - 5, y, false);
  EXPECT_EQ(over.Left(), page.Width() - 5 - over.Width() - 4);
}

}  // namespace
