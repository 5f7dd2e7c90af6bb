// Menu-loop messages for the active form. Nothing thrown by a form's handler leaves here: the
// loop guard's destructor runs them, and a menu must close whatever its form does.
#include "ui/r_PopUpList.h"

#include <string>

#include "core/r_log.h"
#include "platform/messages.h"
#include "platform/windows.h"

using namespace platform;

namespace popuplist {

TWinControl* win = nullptr;

namespace {
constexpr int kMenuClosedHigh = 0xFFFF;  // WM_MENUSELECT's high word when the menu closed

// Writes a failure to the run log; the log itself must not throw out of here either.
void logFailure(const std::string& line) noexcept {
  try {
    log(line);
  } catch (...) {
  }
}
}  // namespace

void PerformMessage(uint32_t msg, uint32_t incoming, WPARAM wParam, LPARAM lParam) {
  try {
    if (!hasDesktop()) return;
    TDesktop& d = desktop();
    HWND form = d.focus() != 0 && d.isWindow(d.focus()) ? d.topLevel(d.focus()) : d.modalForm();
    if (form == 0) return;
    d.sendMessage(form, msg, wParam, lParam);
  } catch (...) {
    logFailure("TPopUpListEx.PerformMessage " + std::to_string(static_cast<int64_t>(msg) - 0xB000) + " " +
               std::to_string(incoming) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
  }
}

void menuMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_ENTERMENULOOP) PerformMessage(CM_ENTER_MENU_LOOP, message, wParam, lParam);
    else if (message == WM_EXITMENULOOP) PerformMessage(CM_EXIT_MENU_LOOP, message, wParam, lParam);
    else if (message == WM_MENUSELECT && lParam == 0 && HIWORD(wParam) == kMenuClosedHigh) menuClosed();
  } catch (...) {
    logFailure("TpopUpListEx  " + std::to_string(message));
  }
}

void menuClosed() {
  TWinControl* w = win;
  win = nullptr;
  if (w && w->HandleAllocated() && hasDesktop()) desktop().postMessage(w->Handle(), CM_MENU_CLOSED, 0, 0);
}

}  // namespace popuplist

// A popup menu's loop: wParam 1 says the menu is a popup, not a menu bar's.
TmenuLoop::TmenuLoop() { popuplist::menuMessage(WM_ENTERMENULOOP, 1, 0); }

TmenuLoop::~TmenuLoop() {
  popuplist::menuMessage(WM_EXITMENULOOP, 1, 0);
  popuplist::menuMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
}
