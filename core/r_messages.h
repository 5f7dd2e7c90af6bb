// The application message hook of the services object and the names of window messages.
// The hook sees every queued message before dispatch: it keeps the last one for error reports,
// turns mouse, wheel, key and size messages into events of the owner-drawn controls, sends the
// wheel to the control under the pointer, and consumes arrow, plus and minus keys outside the
// controls that take them (edits, lists, trees, combos, sliders).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/messages.h"

// Mouse-event kinds: the value a control's mouseEvent holds.
enum : int {
  m_move = 1, m_ldown = 2, m_lup = 3, m_rdown = 4, m_rup = 5, m_leave = 6, m_enter = 7, m_wheel = 8,
  m_keyup = 9, m_keydown = 10, m_resized = 11, m_sizing = 12, m_sizingend = 13
};

// The number registered for "wm_ombrant" when `os` was created.
extern uint32_t wm_ombrant;

// The name of a window-message number, "unknown message" for one the table lacks.
std::string messageName(uint32_t msg);

class TosMessageHook {
 public:
  virtual ~TosMessageHook() = default;
  // The hook: handled becomes true only for consumed keys and the forwarded combo-list click.
  void MsgHandler(platform::TMsg& msg, bool& handled);

  bool fsizing = false;
  platform::HWND priorWin = 0;
  // Program-wide handlers; the sender they get is `os`.
  std::function<void(void*)> onMouseWheel;
  std::function<void(platform::LPARAM)> onMouseMoving;
  std::function<void(platform::HWND)> onMouseActivity;
  std::function<void(void*)> onArrowKey;
  std::function<void(void*)> onWmOmbrant;
  uint16_t arrowCode = 0;
  platform::TMsg lastMsg;
  uint32_t lastWindowsMessage = 0;
  uintptr_t lastwparam = 0;
  platform::LPARAM lastLparam = 0;
  bool wheelPositive = false;
  platform::TPoint wheelPos;
  platform::HWND wheelWin = 0;
  platform::TWinControl* wheelCtrl = nullptr;  // borrowed; valid while the message is handled

 private:
  void mouseRoutine(platform::TMsg const&);
  void wheelRoutine(platform::TMsg const&);
  void keyRoutine(platform::TMsg const&);
  void sizeRoutine(platform::TMsg const&);
  void comboListRoutine(platform::TMsg const&, bool& handled);
};
