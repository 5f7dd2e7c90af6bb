// r_QYcontrols: the owner-drawn control set. This module holds its start-up colours and the
// owner-drawn push button (TQYbutton, used as Tbutton): up and down states, hover, state and
// quick buttons, an options zone, and the click that fires only for a release inside the button.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/TQYcontrol.h"

// Background of a control whose values differ across a multi-selection.
constexpr int32_t varColour = 0x00A0C8FF;
// Sets the dialog colour the control set paints with (the module's start-up step).
void initControlSet();

// Button states: the platform's button-down and button-up message numbers.
constexpr int but_down = 513;
constexpr int but_up = 514;

class TQYbutton : public TQYcontrol {
 public:
  using Notify = std::function<void(TQYbutton*)>;
  explicit TQYbutton(platform::TWinControl* owner);
  ~TQYbutton() override;

  [[nodiscard]] const std::string& caption() const { return fcaption; }
  void setCaption(const std::string& text);
  [[nodiscard]] bool enabled() const { return fenabled; }
  void setEnabled(bool value);
  [[nodiscard]] bool prohibit() const { return fprohibit; }
  void setProhibit(bool value);
  [[nodiscard]] int state() const { return fstate; }
  void setState(int value);
  [[nodiscard]] bool hover() const { return fhover; }
  void setHover(bool value);
  // Active: enabled, and so is the parent.
  [[nodiscard]] bool isActive() const;
  // Sets the bounds; returns left + width, where the next control may start.
  int setBounds(int left, int top, int width, int height);
  int setBounds(int left, int top);
  // Places the button so that it ends at right; returns its left.
  int setBoundsR(int right, int top, int width, int height);
  void redraw() { Invalidate(); }

  // Mouse rules, in button coordinates.
  void mouseMove(int x, int y);
  void mouseDown(int x, int y);
  void mouseUp(int x, int y);

  Notify onDown, onMove, onUp, onOption, onEnable, onClick;
  platform::TPoint downTp, moveTp;
  int option = 0;
  int32_t hovercolour = 0;
  int32_t fontcolour = 0;
  int32_t fontHoverColour = 0xFF0000;
  int32_t downLineColour = 0, boldEdgeColour = 0, selectedColour = 0;
  int32_t disabledColour = 0;
  bool autoSize = true;
  int align = 0;
  bool hasOptions = false;
  int minwidth = 0;
  bool isStateBut = false;
  bool isQuickBut = false;
  bool bold = false;
  int modalResult = 0;
  int fsize = 8;

 protected:
  void Paint() override;

 private:
  void sizeToCaption();
  std::string fcaption;
  bool fenabled = true;
  bool fprohibit = false;
  bool fhover = false;
  bool fpressedInside = false;
  int fstate = but_up;
};
using Tbutton = TQYbutton;
