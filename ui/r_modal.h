// r_modal: the hosts that show the control set modally. TmodalControl is a borderless,
// stay-on-top popup with OK and Cancel at its bottom right, opened at a screen point, below a
// box or beside a control; TQYdlg takes any control as its content and shows it modally with
// OK, Cancel, No, Yes and Retry, moving the control into itself and back.
// Both are windows of their own, off the task bar, kept inside the work area of the display they
// open on; their modal loops keep painting and timers going.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "ui/r_QYcontrols.h"

// The screen rectangle of the program's main window, empty when there is none.
[[nodiscard]] platform::TRect mainFormRect();
// The work area of the display that holds the point (the first display's when none does).
[[nodiscard]] platform::TRect workAreaAt(platform::TPoint screen);

class TmodalControl : public platform::TForm {
 public:
  using Notify = std::function<void(TmodalControl*)>;
  TmodalControl();
  ~TmodalControl() override;

  // The modal result; the popup's top-left corner at the point, moved inside the main window.
  int execute(int screenx, int screeny);
  // Below the box (kept 4 pixels inside the main window's right edge); true for OK.
  bool execute(const platform::TRect& box);
  // At the right edge of a control.
  int execute(platform::TWinControl* win);
  // Buttons at the bottom right, the close box, then onPostResize.
  void layout();

  int hit = 0;
  platform::TRect closeBox;
  Notify onPreShow, onPostResize, onOk, onPaint2;
  // Takes the place of the services object's wheel handler while the popup is shown.
  std::function<void(void*)> onMouseWheel2;
  std::unique_ptr<Tbutton> okbut, cancelBut;
  int32_t colour = 0;
  std::string title, subTitle;
  bool withClose = false;

  // Escape answers as Cancel (a question's negative answer), Enter as OK while it is offered.
  bool dialogKey(int vk, platform::TWinControl* from) override;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;
};

class TQYdlg : public platform::TForm {
 public:
  using Notify = std::function<void(TQYdlg*)>;
  using ContentNotify = std::function<void(platform::TWinControl*)>;
  explicit TQYdlg(platform::TWinControl* owner = nullptr);
  ~TQYdlg() override;

  // The content opens below the box (or ends at its right edge with rightalign).
  int showModal(const platform::TRect& box, platform::TWinControl* win);
  // Below a button: its bounds in screen pixels are the box.
  int showModalBelow(platform::TWinControl* but, platform::TWinControl* win);
  // Centred across the screen, one third down.
  int showModal(platform::TWinControl* win);
  void ok();      // as a click on OK
  void cancel();  // result 2
  void reSize();  // sizes the dialog to its content again

  platform::TWinControl* fwin = nullptr;
  int state = 0;  // 0 idle, 1 before onPreShow, 2 in the modal loop, 3 finishing
  Notify onPreShow, onPreResult;
  ContentNotify onResult, onFinish;
  int minwidth = 100;
  std::unique_ptr<Tbutton> okbut, cancelBut, noBut, yesBut, retryBut;
  bool rightalign = false;
  bool releaseWindow = true;
  std::string lowercaption;
  int32_t colour = 0;

  // Where the program's deactivation left the dialog: hidden from the desktop, kept in place.
  [[nodiscard]] bool hiddenForDeactivation() const { return fdeactivated; }
  // Escape answers as Cancel, Enter as OK while OK is shown and enabled.
  bool dialogKey(int vk, platform::TWinControl* from) override;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void layoutButtons();
  void giveBack();
  platform::TWinControl* fhome = nullptr;  // the content's parent before it came here
  bool fdeactivated = false;
  bool fdragging = false;
  platform::TPoint fdragFrom;
};
