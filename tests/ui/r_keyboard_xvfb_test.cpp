// The control set under real keys and wheel turns (xdotool on our own Xvfb), on a bare server and
// under a window manager: the wheel turns what lies under the pointer, arrows move lists and
// trees, drop-down lists and closed combos answer the keys a desktop's do, Tab reaches every
// kind of control, popups and dialogs answer Escape and Enter and give the focus back when they
// close, and a cancelled angle entry forgets the change still waiting.
#include <gtest/gtest.h>

#include <string>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/ui/xvfb_screens.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_comboBox.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_pickLatLong.h"
#include "ui/r_popups.h"
#include "ui/r_slider.h"
#include "ui/r_treeView.h"

namespace {
using namespace platform;
using testenv::pollUntil;

using KeysOnXvfb = testenv::OnBothDesktops;

// 1. Turning the wheel over a list or a tree that does not have the focus scrolls it; the focus
// stays in the field that has it.
TEST_P(KeysOnXvfb, WheelScrollsTheControlUnderThePointer) {
  TForm form;
  form.SetBounds(40, 40, 600, 400);
  Tedit field(&form);
  field.SetBounds(10, 10, 200, 24);
  TlistBox list(&form);
  list.SetBounds(10, 50, 200, 160);
  for (int i = 0; i < 60; ++i) list.add("line " + std::to_string(i), i);
  TtreeView tree(&form);
  tree.SetBounds(250, 50, 200, 160);
  for (int i = 0; i < 60; ++i) tree.add(nullptr, "node " + std::to_string(i), i);
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(field.Handle());
  wheelAt(middle(list), -2);
  EXPECT_TRUE(pollUntil(5000, [&] { return list.topIndex() > 0; })) << "list top " << list.topIndex();
  wheelAt(middle(tree), -2);
  EXPECT_TRUE(pollUntil(5000, [&] { return tree.topRow() > 0; })) << "tree top " << tree.topRow();
  EXPECT_EQ(desktop().focus(), field.Handle());
}

// 2. Up and Down move the selection of a focused list and tree (the program's own use of the
// arrows elsewhere does not take them).
TEST_P(KeysOnXvfb, ArrowsMoveTheSelectionOfAFocusedListAndTree) {
  TForm form;
  form.SetBounds(40, 40, 600, 400);
  TlistBox list(&form);
  list.SetBounds(10, 10, 200, 160);
  for (int i = 0; i < 20; ++i) list.add("line " + std::to_string(i), i);
  list.setItemIndex(3);
  TtreeView tree(&form);
  tree.SetBounds(250, 10, 200, 160);
  std::vector<TtreeNode*> nodes;
  for (int i = 0; i < 20; ++i) nodes.push_back(tree.add(nullptr, "node " + std::to_string(i), i));
  tree.setSelected(nodes[5]);
  int arrowsForTheProgram = 0;
  os->onArrowKey = [&](void*) { ++arrowsForTheProgram; };
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(list.Handle());
  keys("Down Down Up Down");
  EXPECT_TRUE(pollUntil(5000, [&] { return list.itemIndex() == 5; })) << list.itemIndex();
  desktop().setFocus(tree.Handle());
  keys("Up Up Up");
  EXPECT_TRUE(pollUntil(5000, [&] { return tree.selected() == nodes[2]; }));
  EXPECT_EQ(arrowsForTheProgram, 0);
  // Outside them the program still has its arrows.
  desktop().setFocus(form.Handle());
  keys("Left");
  EXPECT_TRUE(pollUntil(5000, [&] { return arrowsForTheProgram == 1; }));
  os->onArrowKey = nullptr;
}

// 3. An open drop-down list: Down moves the highlight and leaves the list open, Enter chooses it,
// Escape closes without a choice, and switching to another program closes it.
TEST_P(KeysOnXvfb, AnOpenDropDownListMovesOnDownChoosesOnEnterClosesOnEscape) {
  TForm form;
  form.SetBounds(40, 40, 500, 400);
  TcomboBox combo(&form);
  combo.SetBounds(20, 20, 200, 22);
  for (int i = 0; i < 10; ++i) combo.add("zone " + std::to_string(i), i);
  combo.setItemIndex(2);
  int chosen = 0;
  combo.onClick = [&](TcomboBox*) { ++chosen; };
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(combo.Handle());
  keys("alt+Down");
  ASSERT_TRUE(pollUntil(5000, [&] { return combo.droppedDown(); }));
  keys("Down");
  EXPECT_TRUE(pollUntil(5000, [&] { return combo.list() && combo.list()->itemIndex() == 3; }));
  EXPECT_TRUE(combo.droppedDown()) << "the first Down only moves the highlight";
  EXPECT_EQ(combo.itemIndex(), 2);
  keys("Down Return");
  EXPECT_TRUE(pollUntil(5000, [&] { return !combo.droppedDown(); }));
  EXPECT_EQ(combo.itemIndex(), 4);
  EXPECT_EQ(chosen, 1);
  keys("alt+Down Down Down Escape");
  EXPECT_TRUE(pollUntil(5000, [&] { return !combo.droppedDown(); }));
  EXPECT_EQ(combo.itemIndex(), 4) << "Escape chooses nothing";
  EXPECT_EQ(desktop().focus(), combo.Handle()) << "closed by the keyboard, the combo keeps the keys";
  // Another program comes to the front: the list goes with the program's activation.
  keys("alt+Down");
  ASSERT_TRUE(pollUntil(5000, [&] { return combo.droppedDown(); }));
  testenv::TotherProgram other(display(), {"xlogo", "-geometry", "150x150+700+500"}, "xlogo");
  ASSERT_NE(other.window(), 0u);
  testenv::run(display(), std::string("xdotool ") + (GetParam() ? "windowactivate " : "windowfocus ") +
                              std::to_string(other.window()));
  EXPECT_TRUE(pollUntil(5000, [&] { return !combo.droppedDown(); })) << "the list stays over the other program";
  EXPECT_EQ(combo.itemIndex(), 4);
}

// 4. Tab goes through edits, combos, sliders, check boxes and buttons; a closed combo takes Up,
// Down, Home and End as choices and opens on Alt+Down; the others take their own keys.
TEST_P(KeysOnXvfb, TabReachesEveryKindOfControlAndAClosedComboTakesItsKeys) {
  TForm form;
  form.SetBounds(40, 40, 500, 400);
  Tedit field(&form);
  field.SetBounds(20, 20, 150, 24);
  TcomboBox combo(&form);
  combo.SetBounds(20, 60, 150, 22);
  for (int i = 0; i < 6; ++i) combo.add("day " + std::to_string(i + 1), i);
  combo.setItemIndex(0);
  TsliderLite slider(&form);
  slider.SetBounds(20, 100, 250, 22);
  slider.setPosition(50);
  TcheckBox check(&form);
  check.setCaption("Show locations");
  check.SetBounds(20, 140, 200, 20);
  Tbutton button(&form);
  button.setCaption("Apply");
  button.SetBounds(20, 180, 80, 22);
  std::vector<std::string> events;
  combo.onClick = [&](TcomboBox* c) { events.push_back("combo " + c->text()); };
  slider.onChange = [&](TsliderLite* sl) { events.push_back("slider " + std::to_string(sl->positioni())); };
  check.onClick = [&](TcheckBox* c) { events.push_back(c->checked() ? "checked" : "unchecked"); };
  button.onClick = [&](TQYbutton*) { events.push_back("applied"); };
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(field.Handle());
  const std::vector<TWinControl*> order{&combo, &slider, &check, &button, &field};
  for (TWinControl* c : order) {
    keys("Tab");
    EXPECT_TRUE(pollUntil(5000, [&] { return desktop().focus() == c->Handle(); })) << c->frameworkClass();
  }
  keys("shift+Tab");
  ASSERT_TRUE(pollUntil(5000, [&] { return desktop().focus() == button.Handle(); }));
  // Typed ahead: each key goes where the keys before it have put the focus.
  keys("space shift+Tab space shift+Tab Right Right shift+Tab Down End Up Home");
  const std::vector<std::string> want{"applied", "slider 51", "slider 52", "combo day 2", "combo day 6", "combo day 5",
                                      "combo day 1"};
  EXPECT_TRUE(pollUntil(8000, [&] { return events.size() >= want.size() + 1; }));
  // The check box reports its click a moment later, by its own rule: it is only counted.
  EXPECT_EQ(std::erase(events, "checked"), 1u);
  EXPECT_EQ(events, want);
  EXPECT_FALSE(combo.droppedDown());
  keys("alt+Down");
  EXPECT_TRUE(pollUntil(5000, [&] { return combo.droppedDown(); }));
  keys("Escape");
  EXPECT_TRUE(pollUntil(5000, [&] { return !combo.droppedDown(); }));
}

// 5. The question popups, the value popup and the dialog host answer Escape as Cancel (a
// question's No) and Enter as their default button.
TEST_P(KeysOnXvfb, PopupsAndDialogsAnswerEscapeAndEnter) {
  TForm form;
  form.SetBounds(40, 40, 600, 450);
  Tedit field(&form);
  field.SetBounds(20, 20, 150, 24);
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(field.Handle());
  // The keys go once the popup runs its loop (they go where the focus is when they come).
  auto pressInModal = [&](TForm& popup, const std::string& names) {
    testenv::when([&popup] { return popup.modal() && desktop().modalForm() == popup.Handle(); },
                  [this, names] { keys(names); });
  };
  for (const auto& [names, yes] : {std::pair{"Return", true}, {"Escape", false}}) {
    SCOPED_TRACE(names);
    TpopMessage2 question;
    pressInModal(question, names);
    EXPECT_EQ(question.question(&field, "\"diagram.bmp\" already exists. Overwrite?"), yes);
  }
  {
    TvalueEdit value;
    value.min = 0;
    value.max = 100;
    value.value = 50;
    pressInModal(value, "7 5 Return");
    EXPECT_EQ(value.execute(), mrOk);
    EXPECT_EQ(value.value, 75);
    pressInModal(value, "Escape");
    EXPECT_EQ(value.execute(), mrCancel);
  }
  Tedit content(&form);
  content.Hide();
  content.SetBounds(0, 0, 200, 40);
  for (const auto& [names, result] : {std::pair{"Escape", mrCancel}, {"Return", mrOk}}) {
    SCOPED_TRACE(names);
    TQYdlg dlg(&form);
    pressInModal(dlg, names);
    EXPECT_EQ(dlg.showModal(Rect(100, 100, 300, 120), &content), result);
  }
}

// 6. Enter on a value out of range leaves the value popup open with the keys still in its field.
TEST_P(KeysOnXvfb, ValuePopupKeepsTheFocusInItsFieldAfterEnterOnAValueOutOfRange) {
  TForm form;
  form.SetBounds(40, 40, 500, 400);
  ASSERT_TRUE(showFocused(form));
  TvalueEdit value;
  value.min = 0;
  value.max = 100;
  value.value = 10;
  testenv::when([&] { return value.modal(); }, [&] {
    keys("5 0 0 Return");
    testenv::when([&] { return value.edit->text() == "500"; }, [&] {
      // Still open, the field still has the keys: a correction and Enter close it.
      testenv::when([&] { return desktop().focus() == value.edit->Handle(); }, [&] { keys("BackSpace Return"); });
    });
  });
  const uintptr_t watchdog = desktop().setTimer(20000, [&] { value.ModalResult = 3; });  // Abort
  EXPECT_EQ(value.execute(), mrOk);
  desktop().killTimer(0, watchdog);
  EXPECT_EQ(value.value, 50);
}

// 7. When a popup or dialog closes, the keys go back to the field that had them, with or without
// a window manager to hand the desktop's focus back.
TEST_P(KeysOnXvfb, FocusReturnsToTheFieldAfterAPopupOrDialogCloses) {
  TForm form;
  form.SetBounds(40, 40, 600, 450);
  Tedit field(&form);
  field.SetBounds(20, 20, 250, 24);
  TcomboBox combo(&form);
  combo.SetBounds(20, 60, 150, 22);
  for (int i = 0; i < 4; ++i) combo.add("item " + std::to_string(i), i);
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(field.Handle());
  Tedit content(&form);
  content.Hide();
  content.SetBounds(0, 0, 200, 40);
  {
    TQYdlg dlg(&form);
    testenv::when([&] { return dlg.modal(); }, [&] {
      clickAt(middle(*dlg.cancelBut));
    });
    EXPECT_EQ(dlg.showModal(Rect(100, 120, 300, 140), &content), mrCancel);
  }
  EXPECT_EQ(desktop().focus(), field.Handle());
  type("abc");
  EXPECT_TRUE(pollUntil(5000, [&] { return field.text() == "abc"; })) << "'" << field.text() << "'";
  EXPECT_TRUE(pollUntil(5000, [&] { return keyboardIn(form); })) << xFocus() << " form " << desktop().backend().nativeId(form.Handle());
  {
    TpopMessage2 question;
    testenv::when([&] { return question.modal(); }, [&] { keys("Escape"); });
    EXPECT_FALSE(question.question(&field, "Sure?"));
  }
  type("d");
  EXPECT_TRUE(pollUntil(5000, [&] { return field.text() == "abcd"; })) << "'" << field.text() << "'";
  // The drop-down list takes no focus from the desktop: after a choice from it the keys still
  // reach the program.
  clickAt(middle(*combo.downBut));
  ASSERT_TRUE(pollUntil(5000, [&] { return combo.droppedDown() && combo.list(); }));
  clickAt(combo.list()->ClientToScreen(TPoint{20, combo.list()->itemRect(2).Top + 3}));
  ASSERT_TRUE(pollUntil(5000, [&] { return !combo.droppedDown() && combo.itemIndex() == 2; }));
  EXPECT_TRUE(keyboardIn(form));
  clickAt(middle(field));
  ASSERT_TRUE(pollUntil(5000, [&] { return desktop().focus() == field.Handle(); }));
  type("e");
  EXPECT_TRUE(pollUntil(5000, [&] { return field.text() == "abcde"; })) << "'" << field.text() << "'";
}

// 8. Cancel in the angle entry's dialog drops the degrees typed a moment before: the change
// waiting for the typing to pause never comes, and onChange fires once, for the restored angle.
TEST_P(KeysOnXvfb, CancelledAngleEntryForgetsTheChangeStillWaiting) {
  TForm form;
  form.SetBounds(40, 40, 600, 450);
  TPickLatLong angle(&form);
  angle.SetBounds(20, 20, 200, os->gp(18));
  angle.setangle(51.5);
  int changes = 0;
  angle.onChange = [&](TPickLatLong*) { ++changes; };
  ASSERT_TRUE(showFocused(form));
  uint32_t cancelledAt = 0;
  testenv::when([&] { return angle.dlg && angle.dlg->modal(); }, [&] {
    clickAt(middle(*angle.degEdit));
    testenv::when([&] { return desktop().focus() == angle.degEdit->Handle(); }, [&] {
      keys("ctrl+a 1 2");
      testenv::when([&] { return angle.degEdit->text() == "12"; }, [&] {
        keys("Escape");
        cancelledAt = desktop().now();
      });
    });
  });
  clickAt(middle(angle));
  ASSERT_TRUE(pollUntil(20000, [&] { return cancelledAt != 0 && !angle.dlg; }));
  // Well past the 500 ms the degrees wait for.
  pollUntil(5000, [&] { return desktop().now() - cancelledAt > 1500; });
  EXPECT_DOUBLE_EQ(angle.angle(), 51.5);
  EXPECT_EQ(changes, 1);
}

INSTANTIATE_TEST_SUITE_P(, KeysOnXvfb, ::testing::Values(false, true), testenv::desktopName);

}  // namespace
