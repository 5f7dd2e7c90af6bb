// Menu-loop messages for the active form.
#include "ui/r_PopUpList.h"

#include "platform/windows.h"

using namespace platform;

namespace popuplist {

TWinControl* win = nullptr;

void PerformMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (!hasDesktop()) return;
  TDesktop& d = desktop();
  HWND form = d.focus() != 0 && d.isWindow(d.focus()) ? d.topLevel(d.focus()) : d.modalForm();
  if (form == 0) return;
  d.sendMessage(form, msg, wParam, lParam);
}

void menuClosed() {
  TWinControl* w = win;
  win = nullptr;
  if (w && w->HandleAllocated() && hasDesktop()) desktop().postMessage(w->Handle(), CM_MENU_CLOSED, 0, 0);
}

}  // namespace popuplist

TmenuLoop::TmenuLoop() { popuplist::PerformMessage(CM_ENTER_MENU_LOOP); }

TmenuLoop::~TmenuLoop() {
  popuplist::PerformMessage(CM_EXIT_MENU_LOOP);
  popuplist::menuClosed();
}
