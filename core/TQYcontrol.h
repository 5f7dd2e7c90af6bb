// TQYcontrol, the base of every owner-drawn control and page, and TQYhintWindow, the system's
// tooltip. A control keeps the error trail like the base object, relays progress in a sub-range,
// and receives its mouse, key, wheel and size events from the message hook of `os` through
// the event record (mouseEvent, mousex, mousey, mouseParam).
#pragma once
#include <functional>
#include <string>

#include "core/r_base.h"
#include "platform/controls.h"

class TQYcontrol : public platform::TCustomControl, public TtrailSource {
 public:
  // With a parent the control is its child window; the window is made at once.
  explicit TQYcontrol(platform::TWinControl* owner = nullptr);

  [[nodiscard]] std::string frameworkClass() const override { return "TQYcontrol"; }
  [[nodiscard]] std::string trailText() const override { return " [" + ferr + "]]"; }

  [[nodiscard]] int percent() const { return fpercent; }
  void setPercent(int v);
  [[nodiscard]] bool handpoint() const { return fhand; }
  void sethand(bool);
  [[nodiscard]] std::string const& err() const { return ferr; }
  void seterr(std::string const& text);
  [[nodiscard]] std::string const& procname() const { return fprocname; }
  void setproc(std::string const& name);
  void log(std::string const& s) const;
  void logEx(std::string const& s) const;
  void reenter();
  // Passes a left click through the control without running its mouse and click handlers.
  void takeMouse();

  std::function<void(TQYcontrol*)> onPercent, onReenter, onPostPaint, onMouseWheel2, onMouseEvent;
  int mouseEvent = 0;
  int mousex = 0;
  int mousey = 0;
  int mouseParam = 0;
  int startPc = 0;
  int finishPC = 100;
  std::string key;
  bool withBackground = false;
  bool logging = true;
  bool extraLogging = false;
  int32_t colour = 0;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  int fpercent = 0;
  bool fhand = false;
  std::string ferr;
  std::string fprocname;
};

// Names a control's procedure for its whole extent.
class TcontrolScope {
 public:
  TcontrolScope(TQYcontrol& c, std::string const& name) : fc(c) { fc.setproc(name); }
  ~TcontrolScope() { fc.setproc(""); }
  TcontrolScope(TcontrolScope const&) = delete;
  TcontrolScope& operator=(TcontrolScope const&) = delete;

 private:
  TQYcontrol& fc;
};

class TQYhintWindow : public platform::THintWindow {
 public:
  TQYhintWindow() = default;
  [[nodiscard]] std::string const& caption() const { return fcaption; }
  // Sizes the window to the text in the program font: text extent plus gp(9) by gp(2).
  void setcaption(std::string const&);
  void ActivateHint(platform::TRect const&, std::string const& hint) override;

 protected:
  void CreateParams(platform::TCreateParams&) override;
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  std::string fcaption;
};
