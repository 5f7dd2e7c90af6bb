// Menu loops reported to the active form, the closed menu reported once to the chosen window, a
// form's failing handler logged and swallowed, and the caption's menu box running its menu in a
// loop that the forms hear of.
#include "ui/r_PopUpList.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/r_log.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "ui/r_baseForm.h"

namespace {
using namespace platform;

class Recorder : public TForm {
 public:
  std::vector<uint32_t> got;
  uint32_t failOn = 0;  // a menu message whose handler throws

 protected:
  LRESULT WndProc(TMsg& m) override {
    if (m.message >= CM_MENU_CLOSED && m.message <= CM_EXIT_MENU_LOOP) {
      got.push_back(m.message);
      if (m.message == failOn) throw std::runtime_error("the form's menu handler failed");
    }
    return TForm::WndProc(m);
  }
};

bool logHas(const std::string& text) {
  if (!logObject || !logObject->lines()) return false;
  for (const auto& l : logObject->lines()->lines())
    if (l.find(text) != std::string::npos) return true;
  return false;
}

using PopUpList = testenv::HeadlessOsTest;

TEST_F(PopUpList, LoopMessagesReachTheActiveFormAndTheCloseReachesWinOnce) {
  Recorder active, other;
  active.Show();
  other.Show();
  desktop().setFocus(active.Handle());
  popuplist::win = &other;
  try {
    TmenuLoop loop;
    EXPECT_EQ(active.got, std::vector<uint32_t>{CM_ENTER_MENU_LOOP});
    throw std::runtime_error("a menu handler failed");
  } catch (const std::runtime_error&) {
  }
  desktop().processMessages();
  EXPECT_EQ(active.got, (std::vector<uint32_t>{CM_ENTER_MENU_LOOP, CM_EXIT_MENU_LOOP}));
  EXPECT_EQ(other.got, std::vector<uint32_t>{CM_MENU_CLOSED});
  EXPECT_EQ(popuplist::win, nullptr);
  { TmenuLoop again; }
  desktop().processMessages();
  EXPECT_EQ(other.got.size(), 1u) << "once per choice of win";
}

// A failure in the form's handler at either end of the loop is logged with the message's offset,
// the menu message and its parameters; the menu goes on and its closing is still reported.
TEST_F(PopUpList, AFailingHandlerIsLoggedAndSwallowedAtBothEnds) {
  struct Case {
    uint32_t failOn;
    const char* logged;
  };
  for (const Case& c : {Case{CM_ENTER_MENU_LOOP, "TPopUpListEx.PerformMessage 1002 529 1 0"},
                        Case{CM_EXIT_MENU_LOOP, "TPopUpListEx.PerformMessage 1003 530 1 0"}}) {
    SCOPED_TRACE(c.logged);
    Recorder active, other;
    active.failOn = c.failOn;
    active.Show();
    other.Show();
    desktop().setFocus(active.Handle());
    popuplist::win = &other;
    bool ran = false;
    EXPECT_NO_THROW({
      TmenuLoop loop;
      ran = true;
    });
    EXPECT_TRUE(ran);
    desktop().processMessages();
    EXPECT_EQ(active.got, (std::vector<uint32_t>{CM_ENTER_MENU_LOOP, CM_EXIT_MENU_LOOP}));
    EXPECT_EQ(other.got, std::vector<uint32_t>{CM_MENU_CLOSED});
    EXPECT_TRUE(logHas(c.logged));
  }
  // A menu message that is not a closing one posts nothing.
  Recorder other;
  other.Show();
  popuplist::win = &other;
  popuplist::menuMessage(WM_MENUSELECT, MAKEWPARAM(3, 0), 0);
  desktop().processMessages();
  EXPECT_TRUE(other.got.empty());
  EXPECT_EQ(popuplist::win, &other);
  popuplist::win = nullptr;
}

TEST_F(PopUpList, TheCaptionMenuBoxRunsItsMenuInsideALoop) {
  TbaseForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  Recorder active;
  active.Show();
  desktop().setFocus(active.Handle());
  popuplist::win = &active;
  std::vector<uint32_t> seenByTheMenu;
  f.setOnmenu([&](void*) { seenByTheMenu = active.got; });
  const TRect box = f.fmenuBox;
  f.classify(box.Left + 2, box.Top + 2);
  f.doMouseDown(box.Left + 2, box.Top + 2);
  f.doMouseUp(box.Left + 2, box.Top + 2);
  desktop().processMessages();
  EXPECT_EQ(seenByTheMenu, std::vector<uint32_t>{CM_ENTER_MENU_LOOP});
  EXPECT_EQ(active.got, (std::vector<uint32_t>{CM_ENTER_MENU_LOOP, CM_EXIT_MENU_LOOP, CM_MENU_CLOSED}));
}

}  // namespace
