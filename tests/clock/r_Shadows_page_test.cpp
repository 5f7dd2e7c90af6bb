// The Shadows page on the headless desktop, driven through its controls: its state at creation,
// the highlighted dates by hemisphere, the day list following the month, the place and zone
// moving the observer (bad texts ignored), entering the tab again, exporting to the file given
// to the picker with the badge, printing without a printer, and what it paints.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/Tyo.h"
#include "core/r_base.h"
#include "imaging/r_print.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "tests/clock/shadows_fixture.h"
#include "tests/platform/fullfs.h"
#include "tests/ui/pick_support.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_comboBox.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_pickLatLong.h"
#include "ui/r_slider.h"

namespace {
using namespace platform;
using namespace shadowstest;

class ShadowPageTest : public ShadowsTest {
 protected:
  void SetUp() override {
    ShadowsTest::SetUp();
    store = std::make_unique<testenv::TstoreHere>();
    Tlocations& l = base->locations();
    const int i = l.add();
    l.getLoc(i).name = "Hobart";
    l.getLoc(i).lat = -42.88;
    l.getLoc(i).long_ = 147.33;
    l.getLoc(i).tzi.Bias = -600;  // ten hours east
    l.homeplace = "Hobart";
    page = std::make_unique<TshadowPage>(nullptr, *base);
    page->Handle();
    page->SetBounds(0, 0, 1000, 900);  // tall enough for the whole month list
    page->Show();
  }
  void TearDown() override {
    page.reset();
    yoRecorder = nullptr;
    store.reset();
    ShadowsTest::TearDown();
  }
  // A click at a point of a control, through the desktop's input.
  void clickIn(TWinControl& c, TPoint p) {
    const HWND form = desktop().topLevel(c.Handle());
    const TPoint at = desktop().screenToClient(form, c.ClientToScreen(p));
    for (auto k : {TInputEvent::MouseMove, TInputEvent::ButtonDown, TInputEvent::ButtonUp}) {
      TInputEvent e;
      e.kind = k;
      e.form = form;
      e.pos = at;
      e.button = 1;
      hb->inject(e);
    }
    desktop().processMessages();
  }
  void chooseMonth(int index) {
    TlistBox& l = *page->monthBox;
    const TRect r = l.itemRect(index);
    ASSERT_FALSE(r.isEmpty()) << "line " << index << " is in view";
    clickIn(l, {r.Left + 10, r.Top + r.height() / 2});
    ASSERT_EQ(l.itemIndex(), index);
  }
  void chooseDay(int index) {
    TcomboBox& c = *page->dayBox;
    clickIn(*c.downBut, {c.downBut->Width() / 2, c.downBut->Height() / 2});
    ASSERT_TRUE(c.droppedDown());
    TlistBox& l = *c.list();
    l.setTopIndex(std::max(0, index - 2));
    const TRect r = l.itemRect(index);
    ASSERT_FALSE(r.isEmpty());
    clickIn(l, {r.Left + 10, r.Top + r.height() / 2});
    ASSERT_EQ(c.itemIndex(), index);
  }
  // Typing that the control has taken (its delayed change arriving).
  void type(Tedit& e, const std::string& text) {
    e.setText(text);
    if (e.onChange) e.onChange(&e);
  }
  // Runs the answer inside the file picker's dialog once its tree and list show.
  static void answerPicker(std::function<void(Tpick&)> answer) {
    auto id = std::make_shared<uintptr_t>(0);
    *id = desktop().setTimer(10, [id, answer] {
      for (HWND h : desktop().topLevelWindows())
        if (auto* d = dynamic_cast<TQYdlg*>(FindControl(h)))
          if (auto* p = dynamic_cast<Tpick*>(d->fwin); p && p->dlg && p->ready()) {
            desktop().killTimer(0, *id);
            answer(*p);
            return;
          }
    });
  }
  std::unique_ptr<testenv::TstoreHere> store;  // the recent-files store in a folder of the test
  std::unique_ptr<TshadowPage> page;
};

int monthDay(double date) {
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  createDateman().DecodeDateTime(date, y, m, d, hh, mi, ss);
  return y == 2021 ? m * 100 + d : -1;
}

TEST_F(ShadowPageTest, StartsOnTheSunPathAtHome) {
  EXPECT_TRUE(page->pathBox->checked());
  EXPECT_FALSE(page->shadowBox->checked());
  EXPECT_FALSE(page->gnomonBox->enabled());
  EXPECT_EQ(page->gnomonBox->position(), 50);
  ASSERT_EQ(page->monthBox->count(), 18);
  EXPECT_EQ(page->monthBox->itemIndex(), 0);
  EXPECT_EQ(page->monthBox->Items[0], "none");
  EXPECT_EQ(page->monthBox->Items[5], "Today");
  EXPECT_EQ(page->monthBox->Items[6], "January");
  EXPECT_EQ(page->monthBox->Items[17], "December");
  EXPECT_EQ(page->dayBox->count(), 0);
  EXPECT_FALSE(page->dayBox->enabled());
  const Tobserver& ob = base->observer();
  EXPECT_NEAR(ob.getlat(), -42.88, 1e-9);
  EXPECT_NEAR(ob.getlong(), 147.33, 1e-9);
  EXPECT_EQ(ob.timeZone(), 10);
  EXPECT_NEAR(page->latEdit->angle(), -42.88, 1e-9);
  EXPECT_TRUE(page->latEdit->NorthSouth());
  EXPECT_FALSE(page->longEdit->NorthSouth());
  EXPECT_NEAR(page->longEdit->angle(), 147.33, 1e-9);
  EXPECT_EQ(page->tzEdit->text(), "10.00");
  // The place is edited in place: the entries' own edits show on the page.
  EXPECT_TRUE(page->latEdit->degEdit->Visible());
  EXPECT_TRUE(page->longEdit->minusBox->Visible());
  EXPECT_GT(page->redraws, 0) << "sizing the page draws";
  EXPECT_EQ(page->shadows->option, 1);
  ASSERT_NE(page->shadows->metafile(), nullptr);
}

TEST_F(ShadowPageTest, HighlightsFollowTheHemisphere) {
  setClockForTesting(createDateman().EncodeDateTime(2026, 8, 9, 23.5));  // 10 August in Hobart
  const struct {
    double lat;
    int index;
    int monthDay;  // 0: none
    const char* name;
  } cases[] = {{-42.88, 1, 1221, "Summer solstice"}, {-42.88, 2, 621, "winter solstice"},
               {-42.88, 3, 921, "Vernal equinox"},   {-42.88, 4, 321, "Autumnal equinox"},
               {51.5, 1, 621, "Summer solstice"},    {51.5, 3, 321, "Vernal equinox"},
               {0, 1, 1221, "Summer solstice"},      {-42.88, 5, 810, "10 August"},
               {-42.88, 6, 101, "1 January"},        {-42.88, 0, 0, ""}};
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.index));
    base->observer().setlat(c.lat);
    const int redraws = page->redraws;
    chooseMonth(c.index);
    EXPECT_GT(page->redraws, redraws);
    EXPECT_EQ(page->shadows->highlightName, c.name);
    if (c.monthDay == 0) EXPECT_EQ(page->shadows->date, 0);
    else EXPECT_EQ(monthDay(page->shadows->date), c.monthDay);
    EXPECT_EQ(page->dayBox->enabled(), c.index >= 6);
  }
  setClockForTesting(0);
}

TEST_F(ShadowPageTest, DayListFollowsTheMonth) {
  chooseMonth(6);  // January
  EXPECT_EQ(page->dayBox->count(), 31);
  EXPECT_EQ(page->dayBox->itemIndex(), 0);
  EXPECT_EQ(page->dayBox->Items[30], "31");
  chooseDay(29);
  EXPECT_EQ(page->shadows->highlightName, "30 January");
  EXPECT_EQ(monthDay(page->shadows->date), 130);
  chooseMonth(7);  // February: 28 days, the 30th falls back to the 1st
  EXPECT_EQ(page->dayBox->count(), 28);
  EXPECT_EQ(page->dayBox->itemIndex(), 0);
  EXPECT_EQ(page->shadows->highlightName, "1 February");
  chooseMonth(6);
  chooseDay(14);
  chooseMonth(8);  // March keeps the 15th, as both have 31 days
  EXPECT_EQ(page->dayBox->itemIndex(), 14);
  EXPECT_EQ(page->shadows->highlightName, "15 March");
  chooseDay(9);
  EXPECT_EQ(monthDay(page->shadows->date), 310);
  EXPECT_EQ(page->shadows->highlightName, "10 March");
  // Off the months the day list goes quiet.
  chooseMonth(0);
  EXPECT_FALSE(page->dayBox->enabled());
  const double before = page->shadows->date;
  page->chooseDay(3);
  EXPECT_EQ(page->shadows->date, before);
}

TEST_F(ShadowPageTest, ControlsMoveTheObserverAndBadTextsWait) {
  Tobserver& ob = base->observer();
  TPickLatLong &lat = *page->latEdit, &lon = *page->longEdit;
  const struct {
    const char* id;
    Tedit* edit;
    const char* text;
    bool taken;
  } cases[] = {{"lat", lat.degEdit.get(), "51.5", true},      {"lat", lat.degEdit.get(), "north", false},
               {"lat", lat.degEdit.get(), "91", false},       {"lat", lat.degEdit.get(), "90", true},
               {"lat min", lat.minedit.get(), "60", false},   {"lat", lat.degEdit.get(), "0", true},
               {"lat min", lat.minedit.get(), "30", true},    {"long", lon.degEdit.get(), "180", true},
               {"long", lon.degEdit.get(), "", false},        {"long", lon.degEdit.get(), "181", false},
               {"zone", page->tzEdit.get(), "-14", true},     {"zone", page->tzEdit.get(), "14", true},
               {"zone", page->tzEdit.get(), "5 hours", false}, {"zone", page->tzEdit.get(), "25", false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + c.text);
    const double la = ob.getlat(), lo = ob.getlong(), tz = ob.timeZone();
    const int redraws = page->redraws;
    type(*c.edit, c.text);
    EXPECT_EQ(page->redraws > redraws, c.taken);
    if (!c.taken) {
      EXPECT_EQ(ob.getlat(), la);
      EXPECT_EQ(ob.getlong(), lo);
      EXPECT_EQ(ob.timeZone(), tz);
    }
  }
  EXPECT_NEAR(ob.getlat(), 0.5, 1e-9);  // 0° 30'
  EXPECT_NEAR(ob.getlong(), 180, 1e-9);
  EXPECT_EQ(ob.timeZone(), 14);
  EXPECT_FALSE(page->tzEdit->valid());
  // The hemisphere boxes turn the place south and west.
  for (TPickLatLong* e : {&lat, &lon}) {
    e->minusBox->setChecked(true);
    e->doClick(e->minusBox.get());
  }
  EXPECT_NEAR(ob.getlat(), -0.5, 1e-9);
  EXPECT_NEAR(ob.getlong(), -180, 1e-9);
  // The gnomon slider works only for the shadow diagram; a second click keeps the choice.
  page->doclick(page->shadowBox.get());
  EXPECT_TRUE(page->gnomonBox->enabled());
  EXPECT_EQ(page->shadows->option, 2);
  page->shadowBox->setChecked(false);  // as the click's toggle leaves it
  page->doclick(page->shadowBox.get());
  EXPECT_TRUE(page->shadowBox->checked());
  EXPECT_FALSE(page->pathBox->checked());
  page->gnomonBox->setPosition(100);
  page->doclick(page->gnomonBox.get());
  EXPECT_EQ(page->shadows->gnomon, 100);
  page->doclick(page->pathBox.get());
  EXPECT_FALSE(page->gnomonBox->enabled());
  EXPECT_EQ(page->shadows->option, 1);
}

TEST_F(ShadowPageTest, EnteringAgainShowsHomeInTheControlsToo) {
  type(*page->latEdit->degEdit, "12");
  type(*page->longEdit->degEdit, "3");
  type(*page->tzEdit, "-3");
  ASSERT_NEAR(base->observer().getlat(), -12, 1e-9);
  page->reenter();
  EXPECT_NEAR(base->observer().getlat(), -42.88, 1e-9);
  EXPECT_EQ(base->observer().timeZone(), 10);
  EXPECT_NEAR(page->latEdit->angle(), -42.88, 1e-9);
  EXPECT_NEAR(page->longEdit->angle(), 147.33, 1e-9);
  EXPECT_EQ(page->latEdit->degEdit->text(), "42.880000");
  EXPECT_EQ(page->tzEdit->text(), "10.00");
}

TEST_F(ShadowPageTest, ExportAsksThePickerForTheFileAndShowsTheBadge) {
  std::string out = platform::documentsFolder();
  if (out.empty() || out.back() != '/') out += '/';
  out += "diagrams";
  ASSERT_TRUE(forceFolder(out));
  const struct {
    int typeLine;  // in the picker's type list
    const char* typed;
    const char* written;  // "": cancelled
  } cases[] = {{0, "path", "path.bmp"},   {1, "path", "path.tif"},     {2, "path", "path.jpg"},
               {3, "path", "path.emf"},   {2, "path.jpg", "path.jpg"}, {0, "", ""},
               {1, "again", "again.tif"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.written);
    if (*c.written) std::filesystem::remove(out + "/" + c.written);
    page->shadows->lastBadge.clear();
    std::string startedIn;
    bool answered = false;
    answerPicker([&](Tpick& p) {
      answered = true;
      startedIn = p.getPath();
      ASSERT_TRUE(p.typeBox);
      EXPECT_EQ(p.typeBox->count(), 4);
      p.setPath(out);
      p.typeBox->mouseDown(mbLeft, 0, 20, p.typeBox->itemRect(c.typeLine).Top + 2);
      p.saveedit->setText("");
      p.saveedit->insertText(c.typed);
      if (*c.written) p.dlg->ok();
      else p.dlg->cancel();
    });
    const uint32_t before = desktop().now();
    page->doclick(page->saveBut.get());
    ASSERT_TRUE(answered);
    if (*c.written) {
      EXPECT_EQ(page->shadows->lastBadge, "DONE");
      EXPECT_TRUE(std::filesystem::exists(out + "/" + c.written));
      EXPECT_GE(desktop().now() - before, 1400u) << "the badge faded out before the click returned";
    } else {
      EXPECT_EQ(page->shadows->lastBadge, "") << "no badge for a question not answered";
    }
    // The picker remembers the diagrams' folder for the next export.
    if (&c != &cases[0]) {
      EXPECT_EQ(startedIn, out + "/");
    }
  }
  std::error_code ec;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out, ec), {}), 5) << "bmp, tif, jpg, emf, again.tif";
}

// The FAILED badge shows for a moment only: a failed export also says why in a message that stays.
TEST_F(ShadowPageTest, AnExportOntoAFullDiskSaysWhy) {
  FULLFS_OR_SKIP(full);
  full.fill();
  std::vector<std::string> said;
  yoRecorder = [&](Tyo& box) {
    said.push_back(box.caption());
    return 1;
  };
  answerPicker([&](Tpick& p) {
    p.setPath(full.folder());
    p.typeBox->mouseDown(mbLeft, 0, 20, p.typeBox->itemRect(0).Top + 2);
    p.saveedit->setText("");
    p.saveedit->insertText("path");
    p.dlg->ok();
  });
  page->doclick(page->saveBut.get());
  EXPECT_EQ(page->shadows->lastBadge, "FAILED");
  ASSERT_EQ(said.size(), 1u) << "one message with the reason";
  EXPECT_NE(said[0].find(full.folder() + "path.bmp"), std::string::npos) << said[0];
  EXPECT_NE(said[0].find("No space left on device"), std::string::npos) << said[0];
  EXPECT_FALSE(std::filesystem::exists(full.folder() + "path.bmp"));
}

TEST_F(ShadowPageTest, PrintingWithoutAPrinterSaysSoOnceAndGivesTheCursorBack) {
  // In a child process: the print library keeps the first server it was pointed at.
  EXPECT_EXIT(
      {
        setenv("CUPS_SERVER", (testenv::tempDir() + "no-server.sock").c_str(), 1);
        std::vector<std::string> said;
        yoRecorder = [&](Tyo& box) {
          said.push_back(box.caption());
          return 0;
        };
        print.reset();
        page->doclick(page->printBut.get());
        const bool once = said.size() == 1 && said[0].find("printer") != std::string::npos;
        std::fprintf(stderr, "%s\n", said.empty() ? "(nothing said)" : said[0].c_str());
        std::_Exit(once && page->cursor() == Cursor::Default ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "No printer");
}

TEST_F(ShadowPageTest, PaintsThePanelTheDiagramAndTheDayCaptionByState) {
  desktop().update(page->Handle());
  TSurface* s = desktop().backBuffer(page->Handle());
  ASSERT_NE(s, nullptr);
  const TColor panel = TColor(TosDrawing::FadeColour(dlgColour, 0, 50));
  EXPECT_EQ(s->pixel(5, 890), panel);
  // The diagram's box: white with grid and curves.
  int ink = 0, white = 0;
  for (int y = 0; y < 900; y += 3)
    for (int x = page->xdivide; x < 1000; x += 3) (s->pixel(x, y) == clWhite ? white : ink)++;
  EXPECT_GT(white, ink);
  EXPECT_GT(ink, 2000);
  // "Day" left of the day list, its brightest (antialiased) pixel: silver while the list is off,
  // white once a month is chosen.
  auto brightest = [&] {
    desktop().update(page->Handle());
    s = desktop().backBuffer(page->Handle());
    const TWinControl& d = *page->dayBox;
    int most = 0;
    for (int y = d.Top(); y < d.Top() + d.Height(); ++y)
      for (int x = 0; x < d.Left(); ++x) most = std::max(most, int((uint32_t(s->pixel(x, y)) >> 8) & 0xFF));
    return most;
  };
  EXPECT_EQ(brightest(), 0xC0);
  chooseMonth(9);
  EXPECT_GE(brightest(), 0xF0);
}

}  // namespace
