// The drop-down list on the headless desktop: text, index and id setters, late filling, choosing
// from the open list, the editable mode and its arrow, the cumulative add with its numeric order,
// the right-click delete with its question, the marker, and items changing while it is open.
#include "ui/r_comboBox.h"

#include <gtest/gtest.h>

#include "core/Tyo.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "ui/r_editPlus.h"
#include "ui/r_listBox.h"
#include "ui/r_slider.h"

namespace {
using namespace platform;

class ComboTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(100, 100, 500, 400);
    form->Show();
    cb = std::make_unique<TcomboBox>(form.get());
    cb->SetBounds(10, 10, 150, 20);
    cb->onClick = [this](TcomboBox*) { ++clicks; };
  }
  void TearDown() override {
    yoRecorder = nullptr;
    cb.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // A click at a point of a form (client pixels).
  void clickAt(HWND f, TPoint p, int button = 1) {
    for (auto k : {TInputEvent::MouseMove, TInputEvent::ButtonDown, TInputEvent::ButtonUp}) {
      TInputEvent e;
      e.kind = k;
      e.form = f;
      e.pos = p;
      e.button = button;
      hb->inject(e);
    }
    desktop().processMessages();
  }
  void clickOn(TWinControl& c) {
    const TPoint p = desktop().screenToClient(desktop().topLevel(c.Handle()), c.ClientToScreen({c.Width() / 2, c.Height() / 2}));
    clickAt(desktop().topLevel(c.Handle()), p);
  }
  void clickLine(int i, int button = 1) {
    TlistBox* l = cb->list();
    ASSERT_NE(l, nullptr);
    clickAt(cb->listForm()->Handle(), {20, l->itemRect(i).Top + 3}, button);
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TcomboBox> cb;
  int clicks = 0;
};

TEST_F(ComboTest, SettersForTextIndexAndId) {
  cb->setItemIndex(0);
  EXPECT_EQ(cb->itemIndex(), -1);  // an empty list selects nothing
  cb->add("North", 10);
  cb->add("South", 20);
  cb->add("East", 30);
  cb->setItemIndex(3);
  EXPECT_EQ(cb->itemIndex(), 0);
  cb->setItemId(30);
  EXPECT_EQ(cb->text(), "East");
  cb->setItemId(99);
  EXPECT_EQ(cb->itemId(), 30);
  cb->setText("West");
  EXPECT_EQ(cb->itemIndex(), 0);
  EXPECT_EQ(cb->text(), "North");
  cb->setItemIndex(-1);
  EXPECT_EQ(cb->itemId(), -1);
  cb->setBartext("a|b||c");
  EXPECT_EQ(cb->count(), 4);
  EXPECT_EQ(cb->bartext(), "a|b||c");
  cb->setBartext("|");
  EXPECT_EQ(cb->count(), 2);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ComboTest, OpensBelowTheFaceFilledLateAndAClickChooses) {
  int populates = 0;
  cb->onPopulate = [&](TcomboBox* c) {
    ++populates;
    if (c->count() == 0)
      for (int i = 0; i < 5; ++i) c->add("day " + std::to_string(i + 1), i + 1);
  };
  clickOn(*cb->downBut);
  ASSERT_TRUE(cb->droppedDown());
  EXPECT_EQ(populates, 1);
  const TRect face = desktop().screenRect(cb->Handle());
  EXPECT_EQ(cb->listForm()->Left(), face.Left);
  EXPECT_EQ(cb->listForm()->Top(), face.Bottom);
  EXPECT_EQ(cb->list()->count(), 5);
  clickLine(3);
  EXPECT_FALSE(cb->droppedDown());
  EXPECT_EQ(cb->itemId(), 4);
  EXPECT_EQ(clicks, 1);
  // A press outside closes it and chooses nothing; so does Escape.
  clickOn(*cb->downBut);
  clickAt(form->Handle(), {400, 300});
  EXPECT_FALSE(cb->droppedDown());
  EXPECT_EQ(clicks, 1);
  // The items change while it is open: the choice is clamped to what is there.
  clickOn(*cb->downBut);
  cb->Items.remove(4);
  cb->Items.remove(3);
  clickLine(4);
  EXPECT_EQ(cb->itemIndex(), 2);
  // The wheel never changes a closed list.
  cb->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(cb->itemIndex(), 2);
}

TEST_F(ComboTest, ArrowThatClosesAnEditableListDoesNotOpenItAgain) {
  cb->add("1", 1);
  cb->setEditable(true);
  clickOn(*cb->downBut);
  ASSERT_TRUE(cb->droppedDown());
  EXPECT_TRUE(cb->editBox->Visible());
  clickOn(*cb->downBut);
  EXPECT_FALSE(cb->droppedDown());
  EXPECT_EQ(cb->downBut->Tag, 0);  // the one-shot flag was used up
  clickOn(*cb->downBut);
  EXPECT_TRUE(cb->droppedDown());
}

TEST_F(ComboTest, CumulativeKeepsNumbersAscendingAndDeletesAfterTheQuestion) {
  cb->add("10", 0);
  cb->add("2", 0);
  cb->add("apple", 0);
  cb->setEditable(true);
  cb->setCumulative(true);
  int changed = 0;
  cb->onItemsChanged = [&](TcomboBox*) { ++changed; };
  clickOn(*cb->downBut);
  cb->editBox->setText("7");
  desktop().setFocus(cb->editBox->edit()->Handle());
  desktop().setFocus(form->Handle());  // leaving the field finishes the edit
  EXPECT_EQ(cb->bartext(), "2|7|10|apple");
  EXPECT_EQ(cb->text(), "7");
  EXPECT_EQ(changed, 1);
  std::vector<std::string> asked;
  yoRecorder = [&](Tyo& box) {
    asked.push_back(box.caption());
    return asked.size() == 1 ? yo_second : yo_first;  // No, then Yes
  };
  clickOn(*cb->downBut);
  clickLine(2, 2);
  EXPECT_EQ(cb->count(), 4);
  clickLine(1, 2);
  EXPECT_EQ(asked, (std::vector<std::string>{"delete \"10\"", "delete \"7\""}));
  EXPECT_EQ(cb->bartext(), "2|10|apple");
  EXPECT_EQ(cb->itemIndex(), 0);  // the deleted one was selected
  EXPECT_EQ(changed, 2);
}

TEST_F(ComboTest, VariousMarkerIsOneAndGoesWithAChoice) {
  cb->add("a", 1);
  cb->add("b", 2);
  cb->setVarious(true);
  auto* first = cb->varPanel.get();
  cb->setVarious(true);
  EXPECT_EQ(cb->varPanel.get(), first);
  EXPECT_EQ(cb->itemIndex(), -1);
  clickOn(*cb->downBut);
  clickLine(1);
  EXPECT_EQ(cb->varPanel, nullptr);
  EXPECT_EQ(cb->text(), "b");
}

// A sorted combo keeps later items in order, with their ids, and the selection on its item.
TEST_F(ComboTest, SortedKeepsItemsAddedLaterInOrder) {
  cb->add("zebra", 9);
  cb->add("Mango", 8);
  cb->setItemId(9);
  cb->setSorted(true);
  EXPECT_EQ(cb->bartext(), "Mango|zebra");
  EXPECT_EQ(cb->text(), "zebra") << "the selection follows its item when the list is sorted";
  for (auto [text, id] : {std::pair{"pear", 1}, {"apple", 2}, {"10", 3}, {"banana", 4}}) cb->add(text, id);
  EXPECT_EQ(cb->bartext(), "10|apple|banana|Mango|pear|zebra");
  EXPECT_EQ(cb->text(), "zebra");
  EXPECT_EQ(cb->itemId(), 9);
  EXPECT_EQ(cb->add("cherry", 5), 3) << "add answers the sorted place";
  for (auto [text, id] : {std::pair{"10", 3}, {"apple", 2}, {"cherry", 5}, {"Mango", 8}, {"zebra", 9}}) {
    cb->setText(text);
    EXPECT_EQ(cb->itemId(), id) << text;
  }
  cb->setBartext("c|a|b");
  EXPECT_EQ(cb->bartext(), "a|b|c");
  cb->setSorted(false);
  cb->add("0", 0);
  EXPECT_EQ(cb->bartext(), "a|b|c|0") << "unsorted again: appended";
}

}  // namespace
