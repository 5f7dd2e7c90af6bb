// The list on the headless desktop: ids and selection modes, the check column, natural sizes,
// scrolling, the hover line repainting exactly two lines, the hatched space below the last line,
// long and repeated input, and the popup that chooses with one click.
#include "ui/r_listBox.h"

#include <gtest/gtest.h>

#include "core/os_drawing.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/ui/modal_support.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;

class ListTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 400);
    form->Show();
    lb = std::make_unique<TlistBox>(form.get());
    lb->SetBounds(10, 10, 200, 4 + 10 * lb->itemHeight());
    lb->onClick = [this](TlistBox*) { ++clicks; };
  }
  void TearDown() override {
    lb.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  void fill(int n) {
    for (int i = 0; i < n; ++i) lb->add("line " + std::to_string(i), 100 + i);
  }
  void press(int i, TShiftState s = 0, int x = 40) {
    const int y = lb->itemRect(i).Top + 2;
    lb->mouseDown(mbLeft, s, x, y);
    lb->mouseUp(mbLeft, s, x, y);
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TlistBox> lb;
  int clicks = 0;
};

TEST_F(ListTest, IdsAndTheThreeSelectionModes) {
  fill(5);
  lb->add("again", 101);  // an id that repeats: the first line carrying it answers
  EXPECT_EQ(lb->id(3), 103);
  EXPECT_EQ(lb->itemId(), -1);
  lb->setItemId(101);
  EXPECT_EQ(lb->itemIndex(), 1);
  EXPECT_EQ(lb->selId(), 101);
  lb->setItemId(999);
  EXPECT_EQ(lb->itemIndex(), -1);
  EXPECT_EQ(clicks, 0);  // code fires nothing
  press(2);
  EXPECT_EQ(lb->itemId(), 102);
  EXPECT_EQ(clicks, 1);
  lb->selectMode = TselectMode::Extended;
  press(1);
  press(3, ssShift);
  EXPECT_EQ(lb->selCount(), 3);
  press(0, ssCtrl);
  EXPECT_EQ(lb->selCount(), 4);
  press(4);
  EXPECT_EQ(lb->selCount(), 1);
  lb->selectMode = TselectMode::Multiple;
  press(2);
  press(3);
  press(2);
  EXPECT_FALSE(lb->selected(2));
  EXPECT_TRUE(lb->selected(3));
  // A right click takes a selected line back out.
  const int y = lb->itemRect(3).Top + 2;
  lb->mouseUp(mbRight, 0, 40, y);
  EXPECT_FALSE(lb->selected(3));
}

TEST_F(ListTest, CheckListTogglesOnlyInTheCheckColumn) {
  fill(3);
  lb->setAsCheckList(true);
  press(1, 0, 5);
  EXPECT_TRUE(lb->selected(1));
  press(1, 0, 60);  // on the text: nothing changes
  press(2, 0, 60);
  EXPECT_TRUE(lb->selected(1));
  EXPECT_FALSE(lb->selected(2));
  press(1, 0, 5);
  EXPECT_FALSE(lb->selected(1));
}

TEST_F(ListTest, NaturalSizesAndScrolling) {
  EXPECT_EQ(lb->NaturalHeight(), 4);
  fill(30);
  const int ih = lb->itemHeight();
  EXPECT_EQ(lb->NaturalHeight(), 30 * ih + 4);
  TCanvas& cv = TQYbutton::backCanvas();
  cv.Font.setName(os->fontname());
  cv.Font.setSize(os->fontsize());
  EXPECT_EQ(lb->NaturalWidth(), cv.TextWidth("line 29") + os->gp(8) + 4 + 17);  // lower than natural: a bar
  EXPECT_EQ(lb->itemsInView(), 10);
  lb->setItemIndex(25);
  lb->scrollIntoView();
  EXPECT_EQ(lb->topIndex(), 16);
  lb->setItemIndex(3);
  lb->scrollIntoView();
  EXPECT_EQ(lb->topIndex(), 3);
  lb->setItemIndex(20);
  lb->centreOnSelected();
  EXPECT_EQ(lb->topIndex(), 14);
  EXPECT_EQ(lb->bottomIndex(), 23);
  lb->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(lb->topIndex(), 17);
  EXPECT_EQ(lb->scrollBar()->Position(), 17);
  lb->scrollToTop();
  const uint32_t end = desktop().now() + 60;
  while (static_cast<int32_t>(end - desktop().now()) > 0)
    if (!desktop().processOne()) desktop().idle(end - desktop().now());
  EXPECT_EQ(lb->topIndex(), 0);
}

TEST_F(ListTest, HoverRepaintsExactlyTheTwoLines) {
  fill(8);
  desktop().update(form->Handle());
  std::vector<int> drawn;
  lb->onPostDrawItem = [&](TlistBox*, int i, TOwnerDrawState, TRect) { drawn.push_back(i); };
  lb->mouseMove(40, lb->itemRect(2).Top + 2);
  desktop().update(form->Handle());
  EXPECT_EQ(drawn, std::vector<int>{2});
  drawn.clear();
  int changes = 0;
  lb->onChangeOver = [&](TlistBox*) { ++changes; };
  lb->mouseMove(40, lb->itemRect(5).Top + 2);
  desktop().update(form->Handle());
  std::sort(drawn.begin(), drawn.end());
  EXPECT_EQ(drawn, (std::vector<int>{2, 5}));
  EXPECT_EQ(lb->over, 5);
  EXPECT_EQ(changes, 1);
}

TEST_F(ListTest, SpaceBelowTheLastLineIsHatched) {
  auto hatched = [&] {
    desktop().invalidate(form->Handle());
    desktop().update(form->Handle());
    const TSurface* s = hb->screen(form->Handle());
    const TColor hatch = static_cast<TColor>(TosDrawing::FadeColour(0xEAC8AC, 0xFFFFFF, 85));
    int n = 0;
    for (int y = 10 + lb->Height() - 20; y < 10 + lb->Height() - 3; ++y)
      for (int x = 15; x < 150; ++x) n += s->pixel(x, y) == hatch;
    return n;
  };
  EXPECT_EQ(hatched(), 0);  // an empty list shows nothing hatched
  fill(2);
  EXPECT_GT(hatched(), 20);
  lb->withNullFill = false;
  EXPECT_EQ(hatched(), 0);
}

TEST_F(ListTest, LongAndManyLinesStayWithinTheList) {
  for (int i = 0; i < 100000; ++i) lb->add(i == 7 ? std::string(10000, 'W') : "row " + std::to_string(i), i);
  lb->setItemIndex(99999);
  lb->scrollIntoView();
  EXPECT_EQ(lb->topIndex(), 99990);
  lb->setTopIndex(200000);
  EXPECT_EQ(lb->topIndex(), 99990);
  lb->setTopIndex(0);
  desktop().update(form->Handle());
  EXPECT_EQ(lb->itemAt(40, lb->itemRect(7).Top + 1), 7);
}

TEST_F(ListTest, PopupChoosesWithOneClick) {
  EXPECT_FALSE(lb->PopUp(Rect(50, 50, 100, 70), 200));  // empty: nothing shown
  fill(4);
  testenv::inModal([&] {
    ASSERT_NE(lb->dlg, nullptr);
    testenv::click(*lb->dlg, *lb, 40, lb->itemRect(2).Top + 3);
  });
  EXPECT_TRUE(lb->PopUp(Rect(50, 50, 100, 70), 200));
  EXPECT_EQ(lb->result(), "line 2");
  EXPECT_EQ(lb->Parent(), form.get());
}

}  // namespace
