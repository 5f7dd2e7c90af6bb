// The message hook of `os` on the headless desktop: input injected into a form with owner-drawn
// controls reaches them as events in the hook's order, the wheel goes to the control under the
// pointer, keys to the control last under the mouse, arrows are consumed outside edits.
#include "core/r_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

// A control that writes every event it gets as "name:kind@x,y#param".
class Tprobe : public TQYcontrol {
 public:
  Tprobe(TWinControl* owner, std::vector<std::string>* log, std::string name) : TQYcontrol(owner) {
    onMouseEvent = [log, name](TQYcontrol* c) {
      log->push_back(name + ":" + std::to_string(c->mouseEvent) + "@" + std::to_string(c->mousex) + "," +
                     std::to_string(c->mousey) + "#" + std::to_string(c->mouseParam));
    };
  }
};

class Tedit : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  bool isEditControl() const override { return true; }
};

class Hook : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(100, 50, 300, 200);
    form->Show();
    a = std::make_unique<Tprobe>(form.get(), &log, "A");
    a->SetBounds(10, 10, 50, 50);
    b2 = std::make_unique<Tprobe>(form.get(), &log, "B");
    b2->SetBounds(100, 10, 50, 50);
  }
  void TearDown() override {
    b2.reset();
    a.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  void send(TInputEvent::Kind k, int x, int y, int key = 0, int wheel = 0, int button = 1) {
    TInputEvent e;
    e.kind = k;
    e.form = form->Handle();
    e.pos = {x, y};
    e.key = key;
    e.wheel = wheel;
    e.button = button;
    hb->inject(e);
    Application().ProcessMessages();
  }
  std::vector<std::string> log;
  std::unique_ptr<TForm> form;
  std::unique_ptr<Tprobe> a, b2;
};

TEST_F(Hook, MovingFromOneControlToAnotherLeavesEntersThenMoves) {
  send(TInputEvent::MouseMove, 20, 20);
  log.clear();
  send(TInputEvent::MouseMove, 105, 12);
  EXPECT_EQ(log, (std::vector<std::string>{"A:6@10,10#0", "B:7@0,0#0", "B:1@5,2#0"}));
}

TEST_F(Hook, APressCapturesTheMouseUntilRelease) {
  send(TInputEvent::MouseMove, 20, 20);
  send(TInputEvent::ButtonDown, 20, 20);
  log.clear();
  send(TInputEvent::MouseMove, 110, 20);  // over B, but A holds the mouse
  send(TInputEvent::ButtonUp, 110, 20);
  send(TInputEvent::MouseMove, 111, 20);
  EXPECT_EQ(log, (std::vector<std::string>{"A:1@100,10#0", "A:3@100,10#0", "A:6@100,10#0", "B:7@0,0#0", "B:1@11,10#0"}));
}

TEST_F(Hook, AMoveOverAWindowWithoutControlStillCountsAsLeaving) {
  send(TInputEvent::MouseMove, 20, 20);
  send(TInputEvent::MouseMove, 250, 150);  // the bare form: not an owner-drawn control
  log.clear();
  send(TInputEvent::MouseMove, 21, 21);
  EXPECT_EQ(log, (std::vector<std::string>{"A:7@10,10#0", "A:1@11,11#0"}));
}

TEST_F(Hook, KeysGoToTheControlUnderTheMouseNotTheFocusedOne) {
  send(TInputEvent::MouseMove, 110, 20);
  desktop().setFocus(a->Handle());
  log.clear();
  send(TInputEvent::KeyDown, 0, 0, 'K');
  send(TInputEvent::KeyUp, 0, 0, 'K');
  EXPECT_EQ(log, (std::vector<std::string>{"B:10@10,10#75", "B:9@10,10#75"}));
}

TEST_F(Hook, ArrowKeysAreConsumedOutsideEditsOnly) {
  int arrows = 0;
  os->onArrowKey = [&](void* sender) {
    ++arrows;
    EXPECT_EQ(sender, static_cast<void*>(os));
  };
  std::vector<uint32_t> reached;
  a->OnKeyDown = [&](TWinControl*, int& key, TShiftState) { reached.push_back(static_cast<uint32_t>(key)); };
  desktop().setFocus(a->Handle());
  send(TInputEvent::KeyDown, 0, 0, VK_LEFT);
  send(TInputEvent::KeyDown, 0, 0, 'Z');
  EXPECT_EQ(arrows, 1);
  EXPECT_EQ(os->arrowCode, VK_LEFT);
  EXPECT_EQ(reached, (std::vector<uint32_t>{'Z'}));

  Tedit edit(form.get());
  edit.SetBounds(200, 100, 50, 20);
  edit.OnKeyDown = [&](TWinControl*, int& key, TShiftState) { reached.push_back(static_cast<uint32_t>(key)); };
  desktop().setFocus(edit.Handle());
  send(TInputEvent::KeyDown, 0, 0, VK_LEFT);
  EXPECT_EQ(arrows, 1);
  EXPECT_EQ(reached.back(), static_cast<uint32_t>(VK_LEFT));
}

TEST_F(Hook, WheelGoesToTheControlUnderThePointerInScreenPixels) {
  desktop().setFocus(a->Handle());
  log.clear();
  send(TInputEvent::Wheel, 110, 20, 0, -WHEEL_DELTA);
  // Screen pixels: the form stands at (100, 50).
  EXPECT_EQ(log, (std::vector<std::string>{"B:8@210,70#0"}));
  EXPECT_FALSE(os->wheelPositive);
  // A control's own wheel handler comes first; with none under the pointer the program-wide one.
  int own = 0, global = 0;
  b2->onMouseWheel2 = [&](TQYcontrol*) { ++own; };
  os->onMouseWheel = [&](void*) { ++global; };
  send(TInputEvent::Wheel, 110, 20, 0, WHEEL_DELTA);
  send(TInputEvent::Wheel, 250, 150, 0, WHEEL_DELTA);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(global, 1);
  EXPECT_TRUE(os->wheelPositive);
}

TEST_F(Hook, SizingEndsWithTheReleaseThatFollowsIt) {
  desktop().postMessage(a->Handle(), WM_SIZING, 8, 0);
  send(TInputEvent::ButtonUp, 20, 20);
  EXPECT_EQ(log.back(), "A:13@10,10#8");
  log.clear();
  // Any other message in between ends the sizing state.
  desktop().postMessage(a->Handle(), WM_SIZING, 8, 0);
  desktop().postMessage(a->Handle(), WM_USER, 0, 0);
  send(TInputEvent::ButtonUp, 20, 20);
  EXPECT_EQ(log.back(), "A:3@10,10#8");
}

TEST_F(Hook, RemembersTheLastMessageAndFiresTheRegisteredOne) {
  int fired = 0;
  os->onWmOmbrant = [&](void*) { ++fired; };
  form->Update();  // nothing left to paint after it
  desktop().postMessage(form->Handle(), wm_ombrant, 3, 4);
  Application().ProcessMessages();
  EXPECT_EQ(fired, 1);
  EXPECT_GE(wm_ombrant, 0xC000u);
  EXPECT_EQ(os->lastWindowsMessage, wm_ombrant);
  EXPECT_EQ(os->lastwparam, 3u);
  EXPECT_EQ(messageName(os->lastWindowsMessage), "unknown message");
}

// The control set's combo box and the drop-down list window of a combo box.
class TcomboBox : public TQYcontrol {
 public:
  using TQYcontrol::TQYcontrol;
  LRESULT WndProc(TMsg& m) override {
    if (m.message == WM_RBUTTONUP) rightUps.push_back(GET_Y_LPARAM(m.lParam));
    return TQYcontrol::WndProc(m);
  }
  std::vector<int> rightUps;
};
class TdropList : public TForm {
 public:
  std::string frameworkClass() const override { return "ComboLBox"; }
};

TEST_F(Hook, RightClickInADropDownListGoesToItsComboBox) {
  TcomboBox combo(form.get());
  combo.SetBounds(10, 10, 100, 40);
  TQYcontrol panel(&combo), inner(&panel);
  panel.SetBounds(0, 0, 100, 40);
  inner.SetBounds(0, 0, 100, 40);
  TdropList list;
  list.SetBounds(110, 95, 100, 80);  // just below the combo box on the screen
  list.Show();
  TInputEvent e;
  e.form = list.Handle();
  e.button = 2;
  for (int y : {0, 5}) {
    e.pos = {3, y};
    e.kind = TInputEvent::ButtonDown;
    hb->inject(e);
    e.kind = TInputEvent::ButtonUp;
    hb->inject(e);
  }
  Application().ProcessMessages();
  EXPECT_EQ(combo.rightUps, (std::vector<int>{5}));
}

TEST(MessageNames, TableNamesKnownNumbersOnly) {
  struct Case {
    uint32_t n;
    const char* name;
  } cases[] = {{0, "WM_NULL"},       {4, "unknown message"}, {25, "WM_CTLCOLOR"}, {280, "WM_SYSTIMER"},
               {522, "WM_MOUSEWHEEL"}, {911, "WM_PENWINLAST"}, {1024, "DDM_SETFMT"}, {1025, "unknown message"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(messageName(c.n), c.name);
  }
}

}  // namespace
