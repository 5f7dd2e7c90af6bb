// The Settings tab on the headless desktop with a small data folder: the editors and what they
// change, the home location, deleting, the file written on leave and read back by a fresh model,
// the display settings, the monitor lists and "paths.ini", a short page, and the wall-clock launch
// with the saver's finding, closing and starting put in by the test.
#include "clock/r_SunLocPage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "astro/r_SunLoc.h"
#include "core/Tyo.h"
#include "core/r_LiteIni.h"
#include "core/r_Monitors.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "core/r_paths.h"
#include "platform/folders.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "clock/r_tzPlaces2.h"
#include "tests/clock/settingsdata.h"
#include "tests/ui/pick_support.h"
#include "ui/r_treeView.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_comboBox.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_pickLatLong.h"
#include "ui/r_shellList.h"
#include "ui/r_slider.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;
using settingstest::display;

class SettingsPageTest : public ::testing::Test {
 protected:
  void SetUp() override { start({display("Main", 0, 1920, 1080, true)}); }
  void TearDown() override { stop(); }
  void start(std::vector<TDisplay> displays, const std::string& locations = settingstest::twoLocations(),
             int height = 740, int width = 1280) {
    stop();
    auto b = std::make_unique<THeadlessBackend>();
    b->setDisplays(std::move(displays));
    hb = b.get();
    resetDesktop(std::move(b));
    createOs();
    store = std::make_unique<testenv::TstoreHere>();
    initControlSet();
    yoRecorder = [this](Tyo& box) {
      boxes.push_back(box.caption());
      return 1;
    };
    data = settingstest::dataFolder();
    cfg = documentsFolder() + "Ombrant/Kestrova/version 8/";
    fs::create_directories(cfg);
    fs::remove(documentsFolder() + "Ombrant/configuration/paths.ini");
    testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini", locations);
    locationsDir = cfg;
    base = std::make_unique<TsunBase>(data + "sky.db", 1920);
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, width, height + 20);
    form->Show();
    page = std::make_unique<TlocPage>(form.get(), *base);
    page->wall.find = [] { return 0ul; };
    page->SetBounds(0, 0, width, height);
    page->doResize();
    page->reenter();
  }
  void stop() {
    page.reset();
    form.reset();
    base.reset();
    freePaths();
    locationsDir.clear();
    yoRecorder = nullptr;
    boxes.clear();
    store.reset();
    if (os) freeOs();
  }
  Tlocations& model() { return base->locations(); }
  // Near-white pixels (the white captions' strokes, small and smoothed) the page shows in a rectangle of its own.
  int whiteIn(TRect r) {
    desktop().processMessages();
    const TSurface* sf = hb->screen(form->Handle());
    int n = 0;
    for (int y = std::max(r.Top, 0); sf && y < std::min(r.Bottom, sf->height()); ++y)
      for (int x = std::max(r.Left, 0); x < std::min(r.Right, sf->width()); ++x) {
        const uint8_t* p = sf->row(y) + x * 3;
        n += std::min({p[0], p[1], p[2]}) >= 190;  // the background is a mid grey
      }
    return n;
  }
  // Where the caption above a control stands.
  static TRect above(const TWinControl& c) { return Rect(c.Left(), c.Top() - 16, c.Left() + 250, c.Top()); }
  // Runs the step inside the page's file picker once its tree and list show.
  void whenPicking(std::function<void(Tpick&)> step) {
    auto id = std::make_shared<uintptr_t>(0);
    *id = desktop().setTimer(10, [this, id, step] {
      Tpick* p = page->picker;
      if (!p || !p->dlg || !p->ready()) return;
      desktop().killTimer(0, *id);
      step(*p);
    });
  }
  // A user's click on the file of that name in the picker's list.
  static void clickFile(Tpick& p, const std::string& name) {
    for (int i = 0; i < p.fileList->count(); ++i)
      if (p.fileList->item(i).name == name) {
        const TRect r = p.fileList->itemRect(i);
        p.fileList->mouseDown(mbLeft, 0, r.Left + 5, r.Top + 2);
        return;
      }
    ADD_FAILURE() << name << " is not listed";
  }
  void select(int i) {
    page->listBox2->setItemIndex(i);
    page->doClick(page->listBox2.get());
  }
  std::string file() { return cfg + "locations.ini"; }
  THeadlessBackend* hb = nullptr;
  std::string data, cfg;
  std::unique_ptr<testenv::TstoreHere> store;  // the recent-files store in a folder of the test
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<TForm> form;
  std::unique_ptr<TlocPage> page;
  std::vector<std::string> boxes;
};

TEST_F(SettingsPageTest, OpensOnTheHomeLocationWithItsListsFilled) {
  ASSERT_EQ(page->listBox2->count(), 2);
  EXPECT_EQ(page->listBox2->Items[1], "Anchorage");
  EXPECT_EQ(page->listBox2->itemIndex(), 0);
  EXPECT_EQ(page->nameEdit->text(), "Oslo");
  EXPECT_NEAR(page->latEdit->angle(), 59.9, 1e-9);
  EXPECT_NEAR(page->longEdit->angle(), 10.75, 1e-9);
  EXPECT_EQ(page->tzBox->text(), "W. Europe Standard Time");
  EXPECT_EQ(page->tzBox->count(), createDateman().TimeZones().count());
  EXPECT_TRUE(page->homeBox->checked());
  EXPECT_EQ(page->linguaBox->Items.text(), "Deutsch\r\nEnglish\r\nNederlands\r\n");
  EXPECT_EQ(page->linguaBox->text(), "English");
  EXPECT_TRUE(page->hourbox->checked());
  EXPECT_TRUE(page->importBut->enabled());
  EXPECT_TRUE(page->exportBut->enabled());
  // Anchorage's own alignment shows when it is chosen.
  select(1);
  EXPECT_EQ(page->hjustBox->itemId(), kJustifyRight);
  EXPECT_EQ(page->vJustBox->itemId(), kJustifyBottom);
  EXPECT_FALSE(page->homeBox->checked());
  EXPECT_FALSE(model().changed);
}

TEST_F(SettingsPageTest, EachEditorChangesItsFieldWithoutMarkingTheModel) {
  select(1);
  Tloc& a = model().getLoc(1);
  const int tokyo = createDateman().TimeZones().indexOf("Tokyo Standard Time");
  ASSERT_GE(tokyo, 0);
  struct Case {
    const char* id;
    std::function<void()> edit;
    std::function<bool()> done;
  } cases[] = {
      {"name", [&] { page->nameEdit->setText("Ankerplass"); page->doClick(page->nameEdit.get()); },
       [&] { return a.name == "Ankerplass" && page->listBox2->Items[1] == "Ankerplass"; }},
      {"latitude", [&] { page->latEdit->setangle(-33.5); page->doClick(page->latEdit.get()); },
       [&] { return std::abs(a.lat + 33.5) < 1e-9; }},
      {"longitude", [&] { page->longEdit->setangle(-70.25); page->doClick(page->longEdit.get()); },
       [&] { return std::abs(a.long_ + 70.25) < 1e-9; }},
      {"zone", [&] { page->tzBox->setItemIndex(tokyo); page->doClick(page->tzBox.get()); },
       [&] { return a.tzIndex == tokyo && a.tzi.Bias == -540; }},
      {"single line", [&] { page->singleBox->setChecked(true); page->doClick(page->singleBox.get()); },
       [&] { return a.singleLine; }},
      {"horizontal", [&] { page->hjustBox->setItemId(kJustifyCentre); page->doClick(page->hjustBox.get()); },
       [&] { return a.hjustify == kJustifyCentre; }},
      {"vertical", [&] { page->vJustBox->setItemId(kJustifyCentre); page->doClick(page->vJustBox.get()); },
       [&] { return a.vjustify == kJustifyCentre; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    c.edit();
    EXPECT_TRUE(c.done());
    EXPECT_FALSE(model().changed);
  }
  // Oslo was not touched.
  EXPECT_EQ(model().getLoc(0).name, "Oslo");
  EXPECT_EQ(model().getLoc(0).hjustify, kJustifyLeft);
}

TEST_F(SettingsPageTest, HomeFollowsARenameAndTheCheckBox) {
  page->nameEdit->setText("Oslo sentrum");
  page->doClick(page->nameEdit.get());
  EXPECT_EQ(model().homeplace, "Oslo sentrum");
  select(0);
  EXPECT_TRUE(page->homeBox->checked());

  select(1);
  page->homeBox->setChecked(true);
  page->doClick(page->homeBox.get());
  EXPECT_EQ(model().getHome(), 1);
  EXPECT_TRUE(model().changed);
  // Unchecked, whichever location is shown, the first becomes home.
  page->homeBox->setChecked(false);
  page->doClick(page->homeBox.get());
  EXPECT_EQ(model().homeplace, "Oslo sentrum");
  EXPECT_EQ(model().getHome(), 0);
}

TEST_F(SettingsPageTest, DeletingSelectsTheLineBeforeAndTheLastClearsTheEditors) {
  select(1);
  page->doClick(page->delBut.get());
  EXPECT_TRUE(model().changed);
  ASSERT_EQ(model().count(), 1);
  EXPECT_EQ(page->listBox2->itemIndex(), 0);
  EXPECT_EQ(page->nameEdit->text(), "Oslo");

  page->doClick(page->delBut.get());
  EXPECT_EQ(model().count(), 0);
  EXPECT_EQ(page->listBox2->count(), 0);
  EXPECT_EQ(page->listBox2->itemIndex(), -1);
  EXPECT_EQ(page->nameEdit->text(), "");
  EXPECT_EQ(page->latEdit->angle(), 0);
  EXPECT_EQ(page->longEdit->angle(), 0);
  EXPECT_EQ(page->tzBox->text(), "UTC");
  EXPECT_EQ(page->hjustBox->itemId(), kJustifyLeft);
  EXPECT_EQ(page->vJustBox->itemId(), kJustifyTop);
  EXPECT_FALSE(page->singleBox->checked());
  EXPECT_FALSE(page->homeBox->checked());

  // Nothing selected: neither a delete nor a typed name touches the model.
  page->doClick(page->delBut.get());
  page->nameEdit->setText("Ghost");
  page->doClick(page->nameEdit.get());
  page->homeBox->setChecked(true);
  page->doClick(page->homeBox.get());
  EXPECT_EQ(model().count(), 0);
  EXPECT_EQ(page->listBox2->count(), 0);
}

TEST_F(SettingsPageTest, LeaveWritesAFileThatAFreshModelReadsAlike) {
  // Every alignment, names beyond ASCII, both hemispheres, single and double lines.
  const std::vector<std::pair<const char*, int32_t>> hs = {{"l", kJustifyLeft}, {"c", kJustifyCentre}, {"r", kJustifyRight}};
  const std::vector<std::pair<const char*, int32_t>> vs = {{"t", kJustifyTop}, {"c", kJustifyCentre}, {"b", kJustifyBottom}};
  const char* names[] = {"Tromsø", "Zürich", "Ōsaka 大阪", "Ушуая", "São Tomé", "Γαύδος", "Þingvellir", "Île d'Orléans", "Z"};
  int k = 0;
  for (auto [hn, h] : hs)
    for (auto [vn, v] : vs) {
      page->doClick(page->newBut.get());
      page->nameEdit->setText(names[k]);
      page->doClick(page->nameEdit.get());
      page->latEdit->setangle(k % 2 ? -(10.5 + k) : 10.5 + k);
      page->doClick(page->latEdit.get());
      page->longEdit->setangle(k % 3 ? -(100.125 + k) : 100.125 + k);
      page->doClick(page->longEdit.get());
      page->hjustBox->setItemId(h);
      page->doClick(page->hjustBox.get());
      page->vJustBox->setItemId(v);
      page->doClick(page->vJustBox.get());
      page->singleBox->setChecked(k % 2 == 0);
      page->doClick(page->singleBox.get());
      ++k;
    }
  select(4);
  page->homeBox->setChecked(true);
  page->doClick(page->homeBox.get());
  page->leave();

  Tlocations fresh(1920);
  fresh.loadfromfile(file());
  Tlocations& m = model();
  ASSERT_EQ(fresh.count(), m.count());
  EXPECT_EQ(fresh.homeplace, "Ōsaka 大阪");
  for (int i = 0; i < m.count(); ++i) {
    SCOPED_TRACE(m.getLoc(i).name);
    const Tloc &a = m.getLoc(i), &b = fresh.getLoc(i);
    EXPECT_EQ(b.name, a.name);
    EXPECT_NEAR(b.lat, a.lat, 1e-8);
    EXPECT_NEAR(b.long_, a.long_, 1e-8);
    EXPECT_EQ(b.tzIndex, a.tzIndex);
    EXPECT_EQ(b.hjustify, a.hjustify);
    EXPECT_EQ(b.vjustify, a.vjustify);
    EXPECT_EQ(b.singleLine, a.singleLine);
  }
  // A new location starts in the zone of Greenwich with its British rules.
  EXPECT_EQ(fresh.getLoc(2).tzIndex, createDateman().TimeZones().indexOf("GMT Standard Time"));
}

TEST_F(SettingsPageTest, DisplaySettingsMarkTheModelAndReachTheFile) {
  page->hideBox->setChecked(true);
  page->doClick(page->hideBox.get());
  page->magBox->setPosition(1.25);
  page->doClick(page->magBox.get());
  page->hourbox->setChecked(false);
  page->doClick(page->hourbox.get());
  page->linguaBox->setText("Deutsch");
  page->doClick(page->linguaBox.get());
  EXPECT_TRUE(model().changed);
  EXPECT_TRUE(model().isLatin());
  page->leave();
  TiniLite ini(file());
  EXPECT_EQ(ini.readString("settings", "show locations", ""), "no");
  EXPECT_EQ(ini.readString("settings", "label magnify", ""), "125");
  EXPECT_EQ(ini.readString("settings", "12 hour clock", ""), "yes");
  EXPECT_EQ(ini.readString("settings", "language", ""), "Deutsch");
  EXPECT_EQ(ini.readString("settings", "home", ""), "Oslo");
  // Each layout pass shows the model again.
  model().showLocations = true;
  model().labelMagnify = 2;
  page->doResize();
  EXPECT_FALSE(page->hideBox->checked());
  EXPECT_EQ(page->magBox->position(), 2);
}

TEST_F(SettingsPageTest, MonitorListsShowOnlyWithTwoMonitorsAndTheWallClockChoiceIsWrittenAtOnce) {
  // One monitor: neither list nor its caption is shown.
  EXPECT_FALSE(page->monitorBox->Visible());
  EXPECT_FALSE(page->monitorBox2->Visible());
  EXPECT_EQ(whiteIn(above(*page->monitorBox)), 0);
  EXPECT_EQ(whiteIn(above(*page->monitorBox2)), 0);
  EXPECT_GT(whiteIn(above(*page->listBox2)), 20);

  start({display("Main", 0, 1920, 1080, true), display("Side", 1920, 1280, 1024, false)},
        "[settings]\r\nmonitor=9 Long gone  (800 x 600)\r\n\r\n[location 1]\r\nname=Oslo\r\nlat=59.9\r\nlong=10.75\r\n");
  TmyMonitors& mons = *os->monitors;
  ASSERT_EQ(mons.count(), 2);
  for (TlistBox* l : {page->monitorBox.get(), page->monitorBox2.get()}) {
    EXPECT_TRUE(l->Visible());
    ASSERT_EQ(l->count(), 2);
    EXPECT_EQ(l->Items[1], mons.fullname(1));
    EXPECT_EQ(l->itemIndex(), 0);  // a name that is gone, or none: the first monitor
    EXPECT_GT(whiteIn(above(*l)), 20);
  }
  EXPECT_EQ(model().monitor, mons.fullname(0));

  page->monitorBox2->setItemIndex(1);
  page->doClick(page->monitorBox2.get());
  EXPECT_FALSE(model().changed);
  {
    TiniLite paths(documentsFolder() + "Ombrant/configuration/paths.ini");
    EXPECT_EQ(paths.readString("kestrova", "monitor", ""), mons.fullname(1));
  }
  page->monitorBox->setItemIndex(1);
  page->doClick(page->monitorBox.get());
  EXPECT_EQ(model().monitor, mons.fullname(1));
  EXPECT_TRUE(model().changed);
  // Entering the tab again finds both choices.
  page->reenter();
  EXPECT_EQ(page->monitorBox->itemIndex(), 1);
  EXPECT_EQ(page->monitorBox2->itemIndex(), 1);
}

TEST_F(SettingsPageTest, AShortPageShrinksTheListsSoThePanelsKeepTheirRoom) {
  start({display("Main", 0, 1920, 1080, true), display("Side", 1920, 1280, 1024, false)},
        settingstest::twoLocations(), 520);
  // Too short for everything: the lower panels go as low as they can and still stand whole.
  const int panel = 135 + 18 * 2;
  EXPECT_EQ(page->wallPanel().Top, 520 - panel - 8);
  EXPECT_LT(page->listBox2->Height(), 430);
  EXPECT_EQ(page->listBox2->Top() + page->listBox2->Height(), page->wallPanel().Top - 34);
  EXPECT_LE(page->wallPanel().Bottom, 520);
  EXPECT_EQ(page->notePanel().Top, page->wallPanel().Top);
}

// A 1024 × 600 screen: the display settings under the editor box (shown locations, label
// magnification, language) stand clear of the panels below, whose controls stay inside them, and
// no two controls overlap.
TEST_F(SettingsPageTest, ASmallScreensPageKeepsItsControlsAndPanelsApart) {
  start({display("Main", 0, 1024, 600, true)}, settingstest::twoLocations(), 600 - 22, 1024);
  std::vector<std::pair<std::string, TRect>> controls;
  for (HWND h : desktop().children(page->Handle()))
    if (desktop().isVisible(h)) controls.emplace_back(desktop().className(h), desktop().bounds(h));
  ASSERT_GT(controls.size(), 10u);
  for (size_t i = 0; i < controls.size(); ++i) {
    EXPECT_LE(controls[i].second.Bottom, page->Height()) << controls[i].first;
    EXPECT_LE(controls[i].second.Right, page->Width()) << controls[i].first;
    for (size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_TRUE(controls[i].second.intersected(controls[j].second).isEmpty())
          << controls[i].first << " and " << controls[j].first << " overlap";
  }
  const TRect panels[] = {page->editorBox(), page->wallPanel(), page->notePanel()};
  // The display settings with their captions: above the magnification, left of the language.
  const TRect display[] = {page->hideBox->BoundsRect(), above(*page->magBox), page->magBox->BoundsRect(),
                           Rect(page->editorBox().Left, page->linguaBox->Top(), page->linguaBox->Left() + page->linguaBox->Width(),
                                page->linguaBox->Top() + page->linguaBox->Height())};
  for (const TRect& d : display)
    for (const TRect& p : panels) EXPECT_TRUE(d.intersected(p).isEmpty()) << d.Top << " in a panel at " << p.Top;
  for (TWinControl* c : {static_cast<TWinControl*>(page->hourbox.get()), static_cast<TWinControl*>(page->wallBut.get())})
    EXPECT_TRUE(page->notePanel().contains(c->BoundsRect()) || page->wallPanel().contains(c->BoundsRect()));
  EXPECT_LE(page->wallPanel().Bottom, page->Height());
}

// ---- predefined places ------------------------------------------------------------------------------

TEST_F(SettingsPageTest, AddingAPlaceTakesTheZoneThatZonesDbGivesItsCode) {
  TtzPlaces& tree = *page->tzListBox;
  ASSERT_EQ(tree.count(), int(settingstest::places().size()));
  TtreeView& tv = *tree.tv;
  ASSERT_EQ(tv.topCount(), 4);
  struct Case {
    const char* id;
    TtreeNode* node;
    const char* zone;  // nullptr: none for its code
  } cases[] = {
      {"a place", tv.top(0)->item(1), "W. Europe Standard Time"},
      {"a country", tv.top(1), "New Zealand Standard Time"},
      {"a code with a quote", tv.top(2)->item(0), "Greenwich Standard Time"},
      {"a code without a zone", tv.top(3), nullptr},
  };
  const TStringList& zones = createDateman().TimeZones();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const int before = model().count();
    tv.setSelected(c.node);
    tree.doSelect();
    ASSERT_TRUE(tree.but->enabled());
    tree.doClick();
    ASSERT_EQ(model().count(), before + 1);
    const Tloc& l = model().getLoc(before);
    const TplaceRec& r = tree.record(c.node->data);
    EXPECT_EQ(l.name, c.node->text());
    EXPECT_EQ(l.lat, r.lat);
    EXPECT_EQ(l.long_, r.long_);
    EXPECT_EQ(zones[l.tzIndex], c.zone ? c.zone : "UTC");
    // The list shows it, chosen, and the editors show it.
    EXPECT_EQ(page->listBox2->itemIndex(), before);
    EXPECT_EQ(page->nameEdit->text(), c.node->text());
    EXPECT_EQ(page->tzBox->text(), c.zone ? c.zone : "UTC");
    EXPECT_FALSE(tree.but->enabled());
  }
  // The same place again leaves the button resting.
  tv.setSelected(tv.top(3));
  tree.doSelect();
  EXPECT_FALSE(tree.but->enabled());
  EXPECT_FALSE(model().changed);
}

TEST_F(SettingsPageTest, BrokenPlaceAndZoneDatabasesLeaveAWorkingPage) {
  page.reset();
  const std::string junk(4096, '\x5A');
  struct Case {
    const char* id;
    const char* contents;  // nullptr: no files
  } cases[] = {{"missing", nullptr}, {"empty files", ""}, {"not databases", junk.c_str()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    fs::remove(data + "places.db");
    fs::remove(data + "zones.db");
    if (c.contents) {
      testenv::writeFile("settingsdata/places.db", c.contents);
      testenv::writeFile("settingsdata/zones.db", c.contents);
    }
    const int logged = logObject ? logObject->lineCount() : 0;
    page = std::make_unique<TlocPage>(form.get(), *base);
    page->SetBounds(0, 0, 1280, 740);
    page->doResize();
    EXPECT_EQ(page->tzListBox->count(), 0);
    EXPECT_EQ(logObject ? logObject->lineCount() - logged : 0, 2);  // one line for each file
    EXPECT_EQ(page->listBox2->count(), 2);
    page->doClick(page->newBut.get());
    EXPECT_EQ(model().count(), 3);
    page->leave();
    Tlocations back(1920);
    back.loadfromfile(file());
    EXPECT_EQ(back.count(), 3);
    EXPECT_TRUE(boxes.empty());
    page.reset();
    model().remove(2);
  }
}

// ---- location files ---------------------------------------------------------------------------------

TEST_F(SettingsPageTest, AnImportReplacesTheListOnlyWithLocationsAndTheModelKeepsItsFile) {
  const std::string three =
      "[settings]\r\n12 hour clock=yes\r\nlanguage=Deutsch\r\nhome=Hobart\r\nlabel magnify=150\r\n\r\n"
      "[location 1]\r\nname=Lima\r\nlat=-12.05\r\nlong=-77.04\r\nwindows name=SA Pacific Standard Time\r\n\r\n"
      "[location 2]\r\nname=Hobart\r\nlat=-42.88\r\nlong=147.33\r\nwindows name=Tasmania Standard Time\r\n\r\n"
      "[location 3]\r\nname=Nuuk\r\nlat=64.18\r\nlong=-51.72\r\n\r\n";
  std::string manySections, longName = "name=";
  for (int i = 0; i < 10000; ++i) manySections += "[p" + std::to_string(i) + "]\r\nlat=1\r\nlong=2\r\n";
  for (int i = 0; i < 5000; ++i) longName += "ø";  // 10 KB
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  struct Case {
    const char* id;
    std::string bytes;  // empty: no file at all
    int count;          // locations afterwards; 0: refused, the list as it was
  } cases[] = {
      {"no file", "", 0},
      {"binary", png, 0},
      {"100 MB", std::string(), 0},
      {"10,000 sections", manySections, 0},
      {"settings only", "[settings]\r\nhome=Lima\r\n\r\n", 0},
      {"a long name", "[x]\r\n" + longName + "\r\nlat=1\r\nlong=2\r\n", 1},
      {"three with settings", three, 3},
  };
  const std::string own = model().filename();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    boxes.clear();
    const std::string name = testenv::tempDir() + "import.ini";
    fs::remove(name);
    if (!c.bytes.empty()) testenv::writeFile("import.ini", c.bytes);
    if (std::string(c.id) == "100 MB") fs::resize_file(testenv::writeFile("import.ini", "[a]\r\n"), 100 << 20);
    const int before = model().count();
    EXPECT_EQ(page->importFrom(name), c.count > 0);
    EXPECT_EQ(model().filename(), own);
    EXPECT_FALSE(model().changed);
    if (c.count == 0) {
      EXPECT_EQ(model().count(), before);
      EXPECT_EQ(page->listBox2->count(), before);
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_NE(boxes[0].find(name), std::string::npos);
      continue;
    }
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(model().count(), c.count);
    ASSERT_EQ(page->listBox2->count(), c.count);
    EXPECT_EQ(page->listBox2->Items[0], model().getLoc(0).name);
    EXPECT_LE(codePointCount(model().getLoc(0).name), kLocationNameMax);
  }
  // The file's settings came too; its home is chosen and shown.
  EXPECT_TRUE(model().useAmPm);
  EXPECT_FALSE(page->hourbox->checked());
  EXPECT_EQ(page->linguaBox->text(), "Deutsch");
  EXPECT_EQ(model().labelMagnify, 1.5);
  EXPECT_EQ(page->listBox2->itemIndex(), 1);
  EXPECT_EQ(page->nameEdit->text(), "Hobart");
  EXPECT_EQ(page->tzBox->text(), "Tasmania Standard Time");
  // Leaving writes the imported locations to the configuration folder's file, not to the import.
  page->leave();
  EXPECT_EQ(testenv::readFile(testenv::tempDir() + "import.ini"), three);
  Tlocations back(1920);
  back.loadfromfile(file());
  ASSERT_EQ(back.count(), 3);
  EXPECT_EQ(back.getLoc(2).name, "Nuuk");
  EXPECT_EQ(back.homeplace, "Hobart");
}

TEST_F(SettingsPageTest, AnExportSaysWhetherItWasWrittenAndLeavesTheModelsFile) {
  std::vector<bool> badges;
  page->onBadge = [&](bool written) { badges.push_back(written); };
  const std::string own = model().filename();
  const std::string target = testenv::tempDir() + "exported/mine.ini";
  fs::create_directories(testenv::tempDir() + "exported");
  std::vector<std::string> unwritable = {file() + "/inside a file.ini"};
  if (geteuid() != 0) {  // a folder's mode binds everyone but root
    fs::create_directories(testenv::tempDir() + "locked");
    fs::permissions(testenv::tempDir() + "locked", fs::perms::owner_read | fs::perms::owner_exec);
    unwritable.push_back(testenv::tempDir() + "locked/mine.ini");
  }
  EXPECT_TRUE(page->exportTo(target));
  ASSERT_EQ(badges, std::vector<bool>{true});
  Tlocations back(1920);
  back.loadfromfile(target);
  EXPECT_EQ(back.count(), 2);
  EXPECT_EQ(model().filename(), own);
  for (const auto& bad : unwritable) {
    SCOPED_TRACE(bad);
    badges.clear();
    boxes.clear();
    EXPECT_FALSE(page->exportTo(bad));
    EXPECT_EQ(badges, std::vector<bool>{false});
    EXPECT_FALSE(fs::exists(bad));
    // The badge goes after a moment; the message with the reason stays until read.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(bad + "\": "), std::string::npos) << boxes[0];
    EXPECT_GT(boxes[0].find("An earlier file"), boxes[0].find(bad) + bad.size() + 4) << "a reason between";
  }
  EXPECT_EQ(model().filename(), own);
}

TEST_F(SettingsPageTest, LocationFilesGoOutAndComeBackThroughThePicker) {
  std::vector<bool> badges;
  page->onBadge = [&](bool written) { badges.push_back(written); };
  const std::string own = model().filename();
  const std::string dir = testenv::tempDir() + "shared";
  fs::create_directories(dir);
  // Export: at the export button, the user goes to a folder and types a name; the type's
  // extension is added.
  whenPicking([&](Tpick& p) {
    const TPoint corner = page->exportBut->ClientToScreen(TPoint{page->exportBut->Width(), 0});
    EXPECT_EQ(TPoint(p.dlg->Left(), p.dlg->Top()), corner);
    p.setPath(dir);
    p.saveedit->setText("");
    p.saveedit->insertText("trip");
    p.dlg->ok();
  });
  page->doClick(page->exportBut.get());
  EXPECT_EQ(badges, std::vector<bool>{true});
  EXPECT_TRUE(fs::exists(dir + "/trip.locations"));
  EXPECT_EQ(model().filename(), own);
  EXPECT_EQ(page->picker, nullptr);

  select(1);
  page->doClick(page->delBut.get());
  ASSERT_EQ(model().count(), 1);
  // A binary file of the type and one without locations leave the list as it was, with a message;
  // a cancelled picker says nothing. The import picker starts where the export was.
  testenv::writeFile("shared/bad.locations", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  testenv::writeFile("shared/empty.locations", "[settings]\r\nhome=Lima\r\n");
  for (const char* name : {"bad.locations", "empty.locations", ""}) {
    SCOPED_TRACE(name);
    boxes.clear();
    whenPicking([&](Tpick& p) {
      EXPECT_EQ(p.getPath(), dir + "/");
      if (*name) {
        clickFile(p, name);
        p.dlg->ok();
      } else {
        p.dlg->cancel();
      }
    });
    page->doClick(page->importBut.get());
    EXPECT_EQ(model().count(), 1);
    EXPECT_EQ(page->listBox2->count(), 1);
    EXPECT_EQ(boxes.size(), *name ? 1u : 0u);
  }
  // The exported file brings both locations back; the model keeps writing its own file.
  whenPicking([&](Tpick& p) {
    clickFile(p, "trip.locations");
    p.dlg->ok();
  });
  page->doClick(page->importBut.get());
  ASSERT_EQ(page->listBox2->count(), 2);
  EXPECT_EQ(page->listBox2->Items[1], "Anchorage");
  EXPECT_EQ(page->nameEdit->text(), "Oslo");
  EXPECT_EQ(model().filename(), own);
  EXPECT_EQ(badges.size(), 1u);
}

// ---- the wall clock ---------------------------------------------------------------------------------

TEST_F(SettingsPageTest, LaunchClosesTheRunningClockWritesTheEditAndStartsTheSaver) {
  const std::string saver = testenv::writeFile("bin/Kestrova_Saver", "#!/bin/sh\nexit 0\n");
  chmod(saver.c_str(), 0755);
  const std::string notRunnable = testenv::writeFile("bin/no-x/Kestrova_Saver", "#!/bin/sh\nexit 0\n");
  chmod(notRunnable.c_str(), 0644);
  struct Case {
    const char* id;
    std::string program;
    int goesAfter;  // finds of the running window after its close; -1: there is none, 99: it stays
    bool started;
  } cases[] = {
      {"none running", saver, -1, true},
      {"one running", saver, 3, true},
      {"one that stays", saver, 99, true},
      {"saver missing", testenv::tempDir() + "bin/missing/Kestrova_Saver", -1, false},
      {"saver not executable", notRunnable, -1, false},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    recorded().clear();
    boxes.clear();
    std::vector<unsigned long> closed;
    int finds = 0;
    page->wall.program = c.program;
    page->wall.find = [&] {
      if (c.goesAfter < 0) return 0ul;
      return closed.empty() || finds++ < c.goesAfter ? 4711ul : 0ul;
    };
    page->wall.close = [&](unsigned long w) { closed.push_back(w); };
    // An edit that does not mark the model: the clock must still show it.
    const std::string name = "Oslo " + std::to_string(++n);
    page->nameEdit->setText(name);
    page->doClick(page->nameEdit.get());
    ASSERT_FALSE(model().changed);
    const uint32_t before = hb->ticks();
    EXPECT_EQ(page->launchWallClock(), c.started);
    EXPECT_EQ(TiniLite(file()).readString("location 1", "name", ""), name);
    EXPECT_EQ(closed.size(), c.goesAfter < 0 ? 0u : 1u);
    const uint32_t waited = hb->ticks() - before;
    if (c.goesAfter == 99) EXPECT_GE(waited, kWallClockCloseWaitMs);
    else EXPECT_LT(waited, 1000u);
    if (c.started) {
      ASSERT_EQ(recorded().size(), 1u);
      EXPECT_EQ(recorded()[0], "launch " + c.program + " wall");
      EXPECT_TRUE(boxes.empty());
    } else {
      EXPECT_TRUE(recorded().empty());
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_NE(boxes[0].find(c.program), std::string::npos) << boxes[0];
    }
  }
}

}  // namespace
