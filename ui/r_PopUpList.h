// r_PopUpList: what the program's own popup menus tell the forms. A menu loop is announced to the
// active form when it starts and when it ends, and one chosen window hears once that a menu closed.
// A form whose handler fails there does not end the menu: the failure is logged and swallowed.
#pragma once
#include <cstdint>

#include "platform/controls.h"

constexpr uint32_t CM_MENU_CLOSED = 0xB3E9;
constexpr uint32_t CM_ENTER_MENU_LOOP = 0xB3EA;
constexpr uint32_t CM_EXIT_MENU_LOOP = 0xB3EB;

namespace popuplist {
// The window that receives CM_MENU_CLOSED once; cleared after each closed menu.
extern platform::TWinControl* win;
// Sends msg to the active form (the form holding the keyboard focus, else the innermost modal
// form) with the parameters of the menu message `incoming` that caused it; nothing without one.
// A failure in the form's handler is logged ("TPopUpListEx.PerformMessage " with the message's
// offset from 0xB000, the incoming message and its parameters) and swallowed.
void PerformMessage(uint32_t msg, uint32_t incoming = 0, platform::WPARAM wParam = 0, platform::LPARAM lParam = 0);
// The menu window's procedure for the three menu messages: a loop starting or ending is passed
// on to the active form, a closed menu (WM_MENUSELECT with lParam 0 and 0xFFFF in the high word
// of wParam) posts CM_MENU_CLOSED to `win` and clears it. A failure is logged and swallowed.
void menuMessage(uint32_t message, platform::WPARAM wParam = 0, platform::LPARAM lParam = 0);
// A menu has closed: CM_MENU_CLOSED is posted to `win` (when set), which is then cleared.
void menuClosed();
}  // namespace popuplist

// Held by a menu runner for the length of its loop: the active form hears of the loop's start and
// end, and the menu's closing is reported, on every way out of the loop.
class TmenuLoop {
 public:
  TmenuLoop();
  ~TmenuLoop();
  TmenuLoop(const TmenuLoop&) = delete;
  TmenuLoop& operator=(const TmenuLoop&) = delete;
};
