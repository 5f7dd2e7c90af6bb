// The edit with pick buttons: validity against prohibited and permitted texts, onFinish silencing
// onChange, the token button made at a layout, and picks that go in at the caret and leave the
// clipboard alone.
#include "ui/r_editPlus.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/ui/modal_support.h"
#include "ui/r_charPick.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;

class EditPlusTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 500, 400);
    form->Show();
    ep = std::make_unique<TeditPlus>(form.get());
    ep->SetBounds(10, 10, 200, 22);
  }
  void TearDown() override {
    ep.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // The dialog shown now, and the control in it.
  static TQYdlg* openDialog() { return dynamic_cast<TQYdlg*>(FindControl(desktop().modalForm())); }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TeditPlus> ep;
};

TEST_F(EditPlusTest, ValidityFollowsProhibitedPermittedAndEmpty) {
  ep->prohibited = std::make_unique<TStringList>();
  ep->prohibited->add("Home");
  ep->prohibited->add("Work");
  ep->permitted = "Home";
  ep->emptyallowed = false;
  struct Case {
    const char* text;
    int status;
  };
  const Case cases[] = {{"Home", 1}, {"Work", -1}, {"", -1}, {"work", 1}, {"Cabin", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ep->setText(c.text);
    EXPECT_EQ(ep->status(), c.status);
    EXPECT_EQ(ep->valid(), c.status != -1);
    EXPECT_EQ(ep->edit()->Color, c.status == -1 ? TColor(0xEBEBFF) : TColor(0xEBFFEB));
  }
  ep->setStatus(7);
  EXPECT_EQ(ep->status(), 0);
  EXPECT_EQ(ep->edit()->Color, clWhite);
  EXPECT_EQ(ep->edit()->FontColor, TColor(0));
}

TEST_F(EditPlusTest, FinishSilencesChangeAndFiresOnLeaving) {
  int changes = 0, finishes = 0;
  ep->onChange = [&](TeditPlus*) { ++changes; };
  ep->edit()->insertText("a");
  EXPECT_EQ(changes, 1);
  ep->prohibited = std::make_unique<TStringList>();
  ep->prohibited->add("ab");
  ep->onFinish = [&](TeditPlus*) { ++finishes; };
  desktop().setFocus(ep->edit()->Handle());
  ep->edit()->insertText("b");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(ep->status(), -1);  // the colours still follow
  ep->edit()->Perform(WM_KEYUP, VK_RETURN);
  EXPECT_EQ(desktop().focus(), form->Handle());
  EXPECT_EQ(finishes, 1);
}

TEST_F(EditPlusTest, TokenButtonAppearsAtALayoutAndNarrowsTheField) {
  EXPECT_EQ(ep->tokenBut, nullptr);
  const int before = ep->edit()->Width();
  ep->pickList.add("Greenwich");
  ep->SetBounds(10, 10, 201, 22);  // a resize lays out again
  ASSERT_NE(ep->tokenBut, nullptr);
  EXPECT_TRUE(ep->tokenBut->Visible());
  EXPECT_EQ(ep->edit()->Width(), before + 1 - os->gp(10));
  // Picking a text puts it in at the caret.
  ep->setText("at ");
  hb->setClipboardText("kept");
  testenv::inModal([&] {
    TQYdlg* d = openDialog();
    ASSERT_NE(d, nullptr);
    auto* lb = dynamic_cast<TlistBox*>(d->fwin);
    ASSERT_NE(lb, nullptr);
    testenv::click(*d, *lb, 30, lb->itemRect(0).Top + 3);
  });
  ep->pickToken();
  EXPECT_EQ(ep->text(), "at Greenwich");
  EXPECT_EQ(hb->clipboardText(), "kept");
}

TEST_F(EditPlusTest, PickedCharacterReplacesTheSelectionAndLeavesTheClipboard) {
  ep->setText("abc");
  ep->edit()->setSel(1, 1);
  hb->setClipboardText("the user's own");
  char32_t chosen = 0;
  testenv::inModal([&] {
    TQYdlg* d = openDialog();
    ASSERT_NE(d, nullptr);
    auto* picker = dynamic_cast<TcharPickLt*>(d->fwin);
    ASSERT_NE(picker, nullptr);
    picker->pickAt(picker->colwidth * 2 + 1, 1);
    chosen = picker->result;
  });
  ep->pickCharacter();
  ASSERT_NE(chosen, 0u);
  EXPECT_EQ(ep->text(), "a" + fromCodePoint(chosen) + "c");
  EXPECT_EQ(hb->clipboardText(), "the user's own");
}

}  // namespace
