// Menu loops reported to the active form, and the closed menu reported once to the chosen window.
#include "ui/r_PopUpList.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/windows.h"

namespace {
using namespace platform;

class Recorder : public TForm {
 public:
  std::vector<uint32_t> got;

 protected:
  LRESULT WndProc(TMsg& m) override {
    if (m.message >= CM_MENU_CLOSED && m.message <= CM_EXIT_MENU_LOOP) got.push_back(m.message);
    return TForm::WndProc(m);
  }
};

TEST(PopUpList, LoopMessagesReachTheActiveFormAndTheCloseReachesWinOnce) {
  resetDesktop(std::make_unique<THeadlessBackend>());
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

}  // namespace
