// The main window on the headless desktop with a tiny data folder and a pinned clock: the files
// of the start, the five tabs and their pages, which tabs tick, the map's drag, home and time
// query, and the hover panel.
#include "clock/Kestrova8main.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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
  void SetUp() override { onDisplay(1920, 1080); }
  // A fresh desktop with one monitor of that size.
  void onDisplay(int w, int h) {
    if (os) freeOs();
    auto b = std::make_unique<THeadlessBackend>();
    TDisplay d;
    d.name = "Test";
    d.box = Rect(0, 0, w, h);
    d.workArea = Rect(0, 0, w, h);
    d.modeWidth = w;
    d.modeHeight = h;
    d.primary = true;
    b->setDisplays({d});
    hb = b.get();
    resetDesktop(std::move(b));
    setClockForTesting(at(2026, 6, 21, 12, 0));
    createOs();
    yoRecorder = [this](Tyo& box) {
      ++boxes;
      lastBox = box.caption();
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
  std::string lastBox;
  TPoint formPoint(TPoint pagePoint) {
    const TPoint a = win->mapPage->ClientToScreen(pagePoint), o = win->ClientToScreen(TPoint{0, 0});
    return TPoint{a.X - o.X, a.Y - o.Y};
  }
  // The form's presented pixel at a point of the map page, as 0xBBGGRR.
  uint32_t shown(TPoint pagePoint) {
    desktop().processMessages();
    const TSurface* sf = hb->screen(win->Handle());
    const TPoint p = formPoint(pagePoint);
    const uint8_t* px = sf->row(p.Y) + p.X * 3;
    return uint32_t(px[0]) << 16 | uint32_t(px[1]) << 8 | px[2];
  }
  void moveTo(TPoint pagePoint) {
    TInputEvent e;
    e.kind = TInputEvent::MouseMove;
    e.form = win->Handle();
    e.pos = formPoint(pagePoint);
    hb->inject(e);
    desktop().processMessages();
  }
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

// The page's first resize and showing find the constructor's map current; a return to the page
// rebuilds it, as the locations file may have changed meanwhile.
TEST_F(MainTest, MapPageIsBuiltOnceForItsFirstShowingAndAgainOnReturn) {
  start();
  int builds = 0;
  TsunHD2 page(win.get(), 1920, nullptr,
               [&builds](TsunLite& map) { map.onPostPaint = [&builds](TrawBitmap24*) { ++builds; }; });
  EXPECT_EQ(builds, 1);
  page.SetBounds(0, 0, 800, 450);
  page.reenter();
  page.dotimer(nullptr);
  EXPECT_EQ(builds, 1);
  page.leave();
  page.reenter();
  page.dotimer(nullptr);
  EXPECT_EQ(builds, 2);
  page.SetBounds(0, 0, 640, 360);
  EXPECT_EQ(builds, 3);  // once shown, a resize rebuilds as ever
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
  // A pointer that leaves the window takes the panel with it at the next tick.
  moveTo(TPoint{100, y});
  win->doTimer(win->timer.get());
  EXPECT_TRUE(over.Visible());
  moveTo(TPoint{-4000, -4000});
  win->doTimer(win->timer.get());
  EXPECT_FALSE(over.Visible());
}

TEST(StartFiles, DamagedLocationTextsAreToldFromWholeOnes) {
  const std::string whole = clocktest::shippedLocations();
  struct Case {
    const char* id;
    std::string bytes;
    bool damaged;
  };
  const std::string keys = "windows name=UTC\r\nhjustify=left\r\nvjustify=top\r\n";
  const Case cases[] = {
      {"whole", whole, false},
      {"whole with a byte-order mark", "\xEF\xBB\xBF" + whole, false},
      {"Windows-1252 name", "[location 1]\r\nname=Z\xFCrich\r\nlat=47.4\r\nlong=8.5\r\n" + keys + "\r\n", false},
      {"names in other cases", "[Location 1]\nName=Oslo\nLAT = 59.9\nLong=10.75\nWindows Name=UTC\nHJustify=left\nvjustify=top\n\n", false},
      {"settings only, as a first start writes it", "[settings]\r\nbase directory=/x/\r\n\r\n", false},
      {"a last section that is not a location", whole + "[notes]\r\nseen=1\r\n\r\n", false},
      {"empty", "", true},
      {"blank lines only", "\r\n \r\n\t\r\n", true},
      {"binary", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), true},
      {"a zero byte in text", whole.substr(0, 40) + std::string(1, '\0') + whole.substr(40), true},
      {"plain text, no section", std::string(4000, 'x') + "\r\nmore words\r\n\r\n", true},
      {"text before the first section", "notes\r\n" + whole, true},
      {"sections the program never reads", "[fonts]\r\nface=Arial\r\n\r\n", true},
      {"no final line end", "[settings]\r\nhome=Oslo", true},
      {"no empty last line", whole.substr(0, whole.size() - 2), true},
      {"cut inside a header", whole.substr(0, whole.find("[location 2]") + 6), true},
      {"cut before the longitude", whole.substr(0, whole.rfind("long=")), true},
      {"cut after the longitude, at an empty line", whole.substr(0, whole.rfind("hjustify=")) + "\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(locationsDamaged(c.bytes), c.damaged);
  }
}

TEST_F(MainTest, DamagedLocationsAreKeptAsideAndTheDefaultsShownWithOneMessage) {
  const std::string data = clocktest::dataFolder();
  os->setBaseDir(data);  // the program's folder, with its shipped default
  const std::string garbage("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini", garbage);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini.bad", "an earlier one");
  win = std::make_unique<TKestrova8Win>();
  win->FormCreate();
  EXPECT_EQ(testenv::readFile(cfg + "locations.ini.bad"), "an earlier one");  // never overwritten
  EXPECT_EQ(testenv::readFile(cfg + "locations.ini.bad2"), garbage);
  EXPECT_EQ(win->locationsModel()->locations().count(), 2);
  EXPECT_EQ(TiniLite(cfg + "locations.ini").readString("location 2", "name", ""), "Anchorage");
  EXPECT_EQ(boxes, 1);
  EXPECT_NE(lastBox.find("locations.ini.bad2"), std::string::npos) << lastBox;
  // The next start finds a whole file and says nothing.
  win.reset();
  win = std::make_unique<TKestrova8Win>();
  win->FormCreate();
  EXPECT_EQ(boxes, 1);
  EXPECT_FALSE(fs::exists(cfg + "locations.ini.bad3"));
}

TEST(StartFiles, ABaseDirectoryWithoutTheMapContainerGivesWayToTheProgramsFolder) {
  createOs();
  const std::string program = clocktest::dataFolder();
  os->setBaseDir(program);
  const std::string cfg = testenv::tempDir() + "cfg-nomaps/";
  const std::string empty = testenv::tempDir() + "no-maps/";
  fs::create_directories(empty);
  testenv::writeFile("cfg-nomaps/locations.ini", "[settings]\r\nbase directory=" + empty + "\r\n\r\n");
  readBaseDirectory(cfg);
  EXPECT_EQ(os->basedir(), program);
  EXPECT_EQ(TiniLite(cfg + "locations.ini").readString("settings", "base directory", ""), program);
  freeOs();
}

TEST_F(MainTest, WithoutTheMapContainerThePageNamesTheBuilder) {
  const std::string empty = testenv::tempDir() + "no-maps/";
  fs::create_directories(empty);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                     "[settings]\r\nbase directory=" + empty + "\r\n\r\n");
  win = std::make_unique<TKestrova8Win>();
  win->FormCreate();
  TsunHD2& page = *win->mapPage;
  page.Repaint();
  const std::vector<std::string> lines = page.missingData();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(empty + "1920.bin"), std::string::npos) << lines[0];
  EXPECT_NE(lines[2].find("kestrova_data --target \"" + empty + "\""), std::string::npos) << lines[2];
  // Words on a dark face, not a plain white map.
  const TRect map = page.mapRect();
  int white = 0;
  for (int x = map.Left; x < map.Right; x += 2) white += shown(TPoint{x, (map.Top + map.Bottom) / 2 - 20}) == 0xFFFFFF;
  EXPECT_LT(white, (map.Right - map.Left) / 4);
  EXPECT_EQ(boxes, 0);
}

TEST_F(MainTest, TimeButtonIsTheMapLightenedAndGoesWhenThePointerLeavesByAnyRoad) {
  start();
  TsunHD2& page = *win->mapPage;
  page.Repaint();
  const TRect box = page.fixedRect();
  ASSERT_FALSE(box.isEmpty());
  const TPoint corner{box.Left + 2, box.Top + 2};
  const uint32_t under = shown(corner);
  auto lightened = [](uint32_t c, int shift) {
    const int v = int((c >> shift) & 0xFF);
    return v + (255 - v) * 25 / 100;
  };
  struct Leave {
    const char* id;
    TPoint to;  // in page coordinates
    bool tick;  // the page hears of it only at its next tick
  };
  const TRect map = page.mapRect();
  const Leave leaves[] = {
      {"below the map", TPoint{box.Left + 10, map.Bottom + 5}, false},
      {"onto the caption bar", TPoint{box.Left + 10, -5}, true},
      {"out of the window", TPoint{-4000, -4000}, true},
  };
  for (const Leave& l : leaves) {
    SCOPED_TRACE(l.id);
    moveTo(TPoint{(box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2});
    ASSERT_TRUE(page.inFixed);
    const uint32_t now = shown(corner);
    for (int shift : {0, 8, 16}) EXPECT_NEAR(int((now >> shift) & 0xFF), lightened(under, shift), 1);
    int dark = 0;  // the words, in black
    const int mid = (box.Top + box.Bottom) / 2;
    for (int x = box.Left; x < box.Right; ++x) dark += shown(TPoint{x, mid}) == 0;
    EXPECT_GT(dark, 10);
    moveTo(l.to);
    if (l.tick) win->doTimer(win->timer.get());
    EXPECT_FALSE(page.inFixed);
    EXPECT_EQ(shown(corner), under);
  }
}

TEST_F(MainTest, TimeQueryStandsWholeOnTheMapAtBothScreenSizes) {
  for (const TSize size : {TSize{1920, 1080}, TSize{1280, 800}}) {
    SCOPED_TRACE(size.cx);
    win.reset();
    onDisplay(size.cx, size.cy);
    start();
    TsunHD2& page = *win->mapPage;
    page.Repaint();
    const TRect map = page.mapRect();
    page.hit = -1;
    page.mouseDown(map.Left + 10, map.Top + 40);
    page.mouseUp(map.Left + 10, map.Top + 40);
    TfixedTime* q = page.fixedPanel();
    ASSERT_NE(q, nullptr);
    const TRect panel = Bounds(q->Left(), q->Top(), q->Width(), q->Height());
    EXPECT_EQ(panel, page.fixedRect());  // where the button stood
    EXPECT_TRUE(map.contains(TPoint{panel.Left, panel.Top}) && panel.Right <= map.Right && panel.Bottom <= map.Bottom)
        << panel.Left << "," << panel.Top << " " << panel.Right << "," << panel.Bottom;
    const TRect line = q->timeBox(), head = q->headingRect(), foot = q->footerRect();
    EXPECT_GE(head.Top, 0);
    EXPECT_LE(head.Bottom, line.Top);
    EXPECT_LE(head.Right, q->Width());
    EXPECT_GE(foot.Top, line.Bottom);
    EXPECT_LE(foot.Bottom, q->Height());
    EXPECT_LE(foot.Right, q->Width());
    EXPECT_LE(line.Right, q->Width());
    win->FormClose();
  }
}

// Nothing can be written in the configuration folder: the run reads a private copy of the
// default, the folder stays empty and the message says changes cannot be saved.
TEST(StartFiles, AReadOnlyConfigurationFolderShowsTheDefaultsFromAPrivateCopy) {
  const std::string program = clocktest::dataFolder();
  const std::string cfg = testenv::tempDir() + "cfg-readonly/";
  fs::create_directories(cfg);
  // 0 when all holds, else the number of the first check that failed.
  auto check = [&] {
    createOs();
    os->setBaseDir(program);
    const TlocationsStart r = readBaseDirectory(cfg);
    const int failed = !r.readOnly                                                        ? 1
                       : r.file == cfg + "locations.ini"                                  ? 2
                       : TiniLite(r.file).readString("location 2", "name", "") != "Anchorage" ? 3
                       : fs::exists(cfg + "locations.ini")                                ? 4
                       : r.message(cfg).find("cannot be saved") == std::string::npos      ? 5
                                                                                          : 0;
    freeOs();
    return failed;
  };
  if (geteuid() != 0) {
    fs::permissions(cfg, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(check(), 0);
    fs::permissions(cfg, fs::perms::owner_all);
    return;
  }
  // A folder's mode binds everyone but root: root's child gets a read-only mount of its own.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(cfg.c_str(), cfg.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, cfg.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      _exit(99);
    _exit(check());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 99) GTEST_SKIP() << "no read-only mount for root here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
