// The value popup and the question popups on the headless desktop: OK follows the typed text,
// the questions' widths and places, answers by button, the pointer left alone, and key = value
// lines.
#include "ui/r_popups.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/ui/modal_support.h"

namespace {
using namespace platform;
using testenv::click;
using testenv::inModal;

using PopupTest = testenv::HeadlessOsTest;

TEST_F(PopupTest, ValuePopupEnablesOkOnlyForANumberInRange) {
  TvalueEdit v2;
  v2.min = 0;
  v2.max = 100;
  v2.value = 12.345;
  v2.decplaces = 1;
  struct Step {
    const char* typed;
    bool ok;
    double value;
  };
  const Step steps[] = {{"", false, 12.345}, {"250", false, 12.345}, {"42.5", true, 42.5}, {"4x", false, 42.5},
                        {"-1", false, 42.5}, {"100", true, 100}};
  inModal([&] {
    EXPECT_EQ(v2.edit->text(), "12.3");
    EXPECT_TRUE(v2.okbut->enabled());
    EXPECT_DOUBLE_EQ(v2.value, 12.345);  // untouched until the text is edited
    for (const Step& s : steps) {
      SCOPED_TRACE(s.typed);
      v2.edit->selectAll();
      v2.edit->insertText(s.typed);
      EXPECT_EQ(v2.okbut->enabled(), s.ok);
      EXPECT_DOUBLE_EQ(v2.value, s.value);
      EXPECT_EQ(v2.edit->Color, s.ok ? clWhite : TColor(TosDrawing::FadeColour(0x0000FF, 0xFFFFFF, 10)));
    }
    v2.edit->selectAll();
    v2.edit->insertText("250");
    click(v2, *v2.cancelBut);
  });
  EXPECT_EQ(v2.execute(), mrCancel);
  EXPECT_DOUBLE_EQ(v2.value, 100);  // the last valid number typed
  // Enter accepts a valid text.
  inModal([&] {
    v2.edit->selectAll();
    v2.edit->insertText("7");
    v2.edit->Perform(WM_KEYDOWN, VK_RETURN);
  });
  EXPECT_EQ(v2.execute(), mrOk);
  EXPECT_DOUBLE_EQ(v2.value, 7);
}

TEST_F(PopupTest, QuestionsSizeThemselvesAnswerByButtonAndLeaveThePointerAlone) {
  struct Case {
    const char* id;
    std::string text;
    TPoint at;
    bool clickYes;
  };
  const Case cases[] = {
      {"short, centred", "Go?", {0, 0}, true},
      {"long, at a point", std::string(120, 'W'), {300, 200}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TpopMessage2 q;
    TRect seen;
    q.onPreShow = [&](TmodalControl*) {
      inModal([&] {
        seen = q.BoundsRect();
        click(q, c.clickYes ? *q.okbut : *q.cancelBut);
      });
    };
    EXPECT_EQ(q.areYouSure(c.at.X, c.at.Y, c.text), c.clickYes);
    EXPECT_EQ(hb->warped(), (TPoint{-1, -1}));  // never moved onto Yes
    EXPECT_EQ(q.okbut->caption(), "Yes");
    EXPECT_EQ(q.cancelBut->caption(), "No");
    EXPECT_EQ(q.title, "Are you sure?");
    TCanvas& cv = TQYbutton::backCanvas();
    cv.Font.setName(os->fontname());
    cv.Font.setSize(os->fontsize(10));
    const int w = std::max(cv.TextWidth(c.text) + os->gp(16), os->gp(200));
    EXPECT_EQ(seen.width(), w);
    EXPECT_EQ(seen.height(), os->gp(75));
    if (c.at.X < 1) {
      EXPECT_EQ(seen.Left, (1920 - w) / 2);
      EXPECT_EQ(seen.Top, 1080 / 3);
    } else {
      EXPECT_EQ(seen.Left, c.at.X);
      EXPECT_EQ(seen.Top, c.at.Y);
    }
  }
}

TEST_F(PopupTest, KeyValueListSplitsAtTheFirstEqualsSign) {
  TpopMessage2 q;
  TStringList lines;
  lines.add("alpha=1");
  lines.add("no equals here");
  lines.add("b=x=y");
  q.onPreShow = [&](TmodalControl*) {
    inModal([&] {
      EXPECT_FALSE(q.cancelBut->Visible());
      EXPECT_EQ(q.okbut->caption(), "Clear");
      EXPECT_EQ(q.Height(), 3 * os->gp(18) + os->gp(32));
      TCanvas& cv = TQYbutton::backCanvas();
      cv.Font.setName(os->fontname());
      cv.Font.setSize(os->fontsize(10));
      EXPECT_EQ(q.x1, os->gp(8) + cv.TextWidth("no equals here"));
      click(q, *q.okbut);
    });
  };
  q.showKeyValueList(100, 100, lines);
  EXPECT_EQ(q.list, nullptr);
}

}  // namespace
