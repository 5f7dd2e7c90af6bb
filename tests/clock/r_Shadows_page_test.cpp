// The Shadows page on the headless desktop: its state at creation, the highlighted dates by
// hemisphere, the day list following the month, the controls moving the observer (bad texts
// ignored), entering the tab again, exporting, printing without a printer, and what it paints.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/Tyo.h"
#include "imaging/r_print.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "tests/clock/shadows_fixture.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"
#include "ui/r_slider.h"

namespace {
using namespace platform;
using namespace shadowstest;

class ShadowPageTest : public ShadowsTest {
 protected:
  void SetUp() override {
    ShadowsTest::SetUp();
    Tlocations& l = base->locations();
    const int i = l.add();
    l.getLoc(i).name = "Hobart";
    l.getLoc(i).lat = -42.88;
    l.getLoc(i).long_ = 147.33;
    l.getLoc(i).tzi.Bias = -600;  // ten hours east
    l.homeplace = "Hobart";
    page = std::make_unique<TshadowPage>(nullptr, *base);
    page->Handle();
    page->SetBounds(0, 0, 1000, 600);
  }
  void TearDown() override {
    page.reset();
    yoRecorder = nullptr;
    ShadowsTest::TearDown();
  }
  void type(Tedit& e, const std::string& text) {
    e.setText(text);
    page->doclick(&e);
  }
  std::unique_ptr<TshadowPage> page;
};

TEST_F(ShadowPageTest, StartsOnTheSunPathAtHome) {
  EXPECT_TRUE(page->pathBox->checked());
  EXPECT_FALSE(page->shadowBox->checked());
  EXPECT_FALSE(page->gnomonBox->enabled());
  EXPECT_EQ(page->gnomonBox->position(), 50);
  EXPECT_EQ(page->monthIndex, 0);
  EXPECT_EQ(page->dayCount, 0);
  EXPECT_FALSE(page->dayBox->enabled());
  const Tobserver& ob = base->observer();
  EXPECT_NEAR(ob.getlat(), -42.88, 1e-9);
  EXPECT_NEAR(ob.getlong(), 147.33, 1e-9);
  EXPECT_EQ(ob.timeZone(), 10);
  EXPECT_EQ(page->tzEdit->text(), "10.00");
  EXPECT_GT(page->redraws, 0) << "sizing the page draws";
  EXPECT_EQ(page->shadows->option, 1);
  ASSERT_NE(page->shadows->metafile(), nullptr);
}

TEST_F(ShadowPageTest, HighlightsFollowTheHemisphere) {
  setClockForTesting(createDateman().EncodeDateTime(2026, 8, 9, 23.5));  // 10 August in Hobart
  const struct {
    double lat;
    int index;
    int month, day;
    const char* name;
  } cases[] = {{-42.88, 1, 12, 21, "Summer solstice"}, {-42.88, 2, 6, 21, "winter solstice"},
               {-42.88, 3, 9, 21, "Vernal equinox"},   {-42.88, 4, 3, 21, "Autumnal equinox"},
               {51.5, 1, 6, 21, "Summer solstice"},    {51.5, 3, 3, 21, "Vernal equinox"},
               {0, 1, 12, 21, "Summer solstice"},      {-42.88, 5, 8, 10, "10 August"},
               {-42.88, 6, 1, 1, "1 January"},         {-42.88, 0, 0, 0, ""}};
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.index));
    base->observer().setlat(c.lat);
    page->chooseHighlight(c.index);
    EXPECT_EQ(page->shadows->highlightName, c.name);
    if (c.month == 0) {
      EXPECT_EQ(page->shadows->date, 0);
      continue;
    }
    int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
    createDateman().DecodeDateTime(page->shadows->date, y, m, d, hh, mi, ss);
    EXPECT_EQ(y, 2021);
    EXPECT_EQ(m, c.month);
    EXPECT_EQ(d, c.day);
    EXPECT_EQ(page->dayBox->enabled(), c.index >= 6);
  }
  setClockForTesting(0);
}

TEST_F(ShadowPageTest, DayListFollowsTheMonth) {
  page->chooseHighlight(6);  // January
  EXPECT_EQ(page->dayCount, 31);
  EXPECT_EQ(page->dayIndex, 0);
  page->chooseDay(29);  // the 30th
  EXPECT_EQ(page->shadows->highlightName, "30 January");
  page->chooseHighlight(7);  // February: 28 days, the 30th falls back to the 1st
  EXPECT_EQ(page->dayCount, 28);
  EXPECT_EQ(page->shadows->highlightName, "1 February");
  page->chooseHighlight(6);
  page->chooseDay(14);
  page->chooseHighlight(8);  // March keeps the 15th, as both have 31 days
  EXPECT_EQ(page->dayIndex, 14);
  EXPECT_EQ(page->shadows->highlightName, "15 March");
  page->chooseDay(9);
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  createDateman().DecodeDateTime(page->shadows->date, y, m, d, hh, mi, ss);
  EXPECT_EQ(m * 100 + d, 310);
  EXPECT_EQ(page->shadows->highlightName, "10 March");
  // Off the month list the day list goes quiet.
  page->chooseHighlight(0);
  EXPECT_FALSE(page->dayBox->enabled());
  const double before = page->shadows->date;
  page->chooseDay(3);
  EXPECT_EQ(page->shadows->date, before);
}

TEST_F(ShadowPageTest, ControlsMoveTheObserverAndBadTextsWait) {
  Tobserver& ob = base->observer();
  const struct {
    Tedit* edit;
    const char* text;
    bool taken;
  } cases[] = {{page->latEdit.get(), "51.5", true},   {page->latEdit.get(), "north", false},
               {page->latEdit.get(), "91", false},    {page->latEdit.get(), "-90", true},
               {page->longEdit.get(), "-180", true},  {page->longEdit.get(), "", false},
               {page->tzEdit.get(), "-14", true},     {page->tzEdit.get(), "14", true},
               {page->tzEdit.get(), "5 hours", false}, {page->tzEdit.get(), "25", false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    const double lat = ob.getlat(), lon = ob.getlong(), tz = ob.timeZone();
    const int redraws = page->redraws;
    type(*c.edit, c.text);
    EXPECT_EQ(c.edit->valid(), c.taken);
    EXPECT_EQ(page->redraws > redraws, c.taken);
    if (!c.taken) {
      EXPECT_EQ(ob.getlat(), lat);
      EXPECT_EQ(ob.getlong(), lon);
      EXPECT_EQ(ob.timeZone(), tz);
    }
  }
  EXPECT_NEAR(ob.getlat(), -90, 1e-9);
  EXPECT_NEAR(ob.getlong(), -180, 1e-9);
  EXPECT_EQ(ob.timeZone(), 14);
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
  type(*page->latEdit, "12");
  type(*page->tzEdit, "-3");
  page->reenter();
  EXPECT_NEAR(base->observer().getlat(), -42.88, 1e-9);
  EXPECT_EQ(base->observer().timeZone(), 10);
  EXPECT_EQ(page->latEdit->text(), "-42.8800");
  EXPECT_EQ(page->tzEdit->text(), "10.00");
}

TEST_F(ShadowPageTest, ExportWritesAFileAndSaysSo) {
  page->doclick(page->saveBut.get());
  EXPECT_TRUE(std::filesystem::exists(page->exportName()));
  EXPECT_EQ(page->shadows->lastBadge, "DONE");
  page->exportType = "emf";
  page->doclick(page->saveBut.get());
  EXPECT_TRUE(std::filesystem::exists(page->exportName()));
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

TEST_F(ShadowPageTest, PaintsThePanelAndTheDiagram) {
  desktop().update(page->Handle());
  TSurface* s = desktop().backBuffer(page->Handle());
  ASSERT_NE(s, nullptr);
  const TColor panel = TColor(TosDrawing::FadeColour(dlgColour, 0, 50));
  EXPECT_EQ(s->pixel(5, 590), panel);
  // The diagram's box: white with grid and curves.
  int ink = 0, white = 0;
  for (int y = 0; y < 600; y += 3)
    for (int x = page->xdivide; x < 1000; x += 3) (s->pixel(x, y) == clWhite ? white : ink)++;
  EXPECT_GT(white, ink);
  EXPECT_GT(ink, 2000);
}

}  // namespace
