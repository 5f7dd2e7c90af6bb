// r_QYcontrols: the owner-drawn control set. This module holds its start-up colours and the
// owner-drawn push button (TQYbutton, used as Tbutton): up and down states, hover, state and
// quick buttons, an options zone, and the click that fires only for a release inside the button.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "platform/controls.h"

class Ttrans;

// Background of a control whose values differ across a multi-selection.
constexpr int32_t varColour = 0x00A0C8FF;
// Sets the dialog colour the control set paints with (the module's start-up step).
void initControlSet();

// Button states: the platform's button-down and button-up message numbers.
constexpr int but_down = 513;
constexpr int but_up = 514;

// The private message that tells a control the interface magnification changed.
constexpr uint32_t wm_rescale = 0x8001;

// A menu tree a button may carry for its owner; an item owns its children.
class TmenuItem3 {
 public:
  TmenuItem3() = default;
  ~TmenuItem3() { clear(); }
  TmenuItem3(const TmenuItem3&) = delete;
  TmenuItem3& operator=(const TmenuItem3&) = delete;
  // A new last child: this item's topid, the given id and caption; a separator ("-") or a
  // negative id gives a disabled item. Without an onPopulate handler this item's id becomes 0.
  TmenuItem3* add(const std::string& caption, int id);
  // As add, at position index (clamped to the children there are); this item's id becomes 0.
  TmenuItem3* insert(int index, const std::string& caption, int id);
  // Forgets the Boolean reference and frees every child.
  void clear();
  [[nodiscard]] int count() const { return static_cast<int>(items.size()); }
  [[nodiscard]] TmenuItem3* item(int i) const { return items.at(static_cast<size_t>(i)).get(); }
  [[nodiscard]] bool prohibit() const { return fprohibit; }
  // A prohibited item is disabled; lifting the prohibition enables it again.
  void setProhibit(bool v) {
    fprohibit = v;
    enabled = !v;
  }

  bool fprohibit = false;
  TmenuItem3* parent = nullptr;
  std::function<void(TmenuItem3*)> onPopulate;
  int id = 0, topid = 0;
  bool* boolValue = nullptr;
  std::string caption, hint, prompt;
  bool bold = false;
  int32_t fontcolour = 0, backcolour = 0x00F5F5F5, specialColour = 0;
  bool enabled = true, endOfGroup = false, selected = false, highlit = false;
  std::vector<std::unique_ptr<TmenuItem3>> items;
};

// The control set's base of windowed owner-drawn controls: a child of its owner when one is
// given, with a wait flag and a hand-pointer flag, each of which clears the other.
class TCustomControl : public TQYcontrol {
 public:
  struct Unparented {};
  explicit TCustomControl(platform::TWinControl* owner = nullptr) : TQYcontrol(owner) {}
  // Kept by an owner that places it later (in a dialog, a popup) rather than at once.
  explicit TCustomControl(Unparented) : TQYcontrol(nullptr) {}
  [[nodiscard]] static std::unique_ptr<TCustomControl> createUnparented() {
    return std::make_unique<TCustomControl>(Unparented{});
  }

  [[nodiscard]] bool wait() const { return fwait; }
  // The cursor is left as it is: whoever shows the wait owns the cursor meanwhile.
  void setwait(bool v) {
    fwait = v;
    if (v && handpoint()) {
      const platform::Cursor kept = cursor();
      TQYcontrol::sethand(false);
      SetCursor(kept);
    }
  }
  void sethand(bool v) {
    TQYcontrol::sethand(v);
    fwait = false;
  }

 private:
  bool fwait = false;
};

class TQYbutton : public TQYcontrol {
 public:
  using Notify = std::function<void(TQYbutton*)>;
  // (button, 0, down, box): box is the client rectangle moved by the press offset.
  using DrawEvent = std::function<void(TQYbutton*, int, bool, platform::TRect)>;
  explicit TQYbutton(platform::TWinControl* owner);
  // Takes the place of a placeholder panel: its parent, bounds, click, caption and anchors; the
  // panel is hidden and keeps the button in its tag.
  TQYbutton(platform::TWinControl* owner, platform::TPanel* panel);
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
  [[nodiscard]] int fontsize() const { return fsize; }
  void setFontsize(int value);
  [[nodiscard]] platform::TShiftState shift() const { return fshift; }
  // Active: enabled, and so is the parent.
  [[nodiscard]] bool isActive() const;
  // Sets the bounds; returns left + width, where the next control may start.
  int setBounds(int left, int top, int width, int height);
  int setBounds(int left, int top);
  // Places the button so that it ends at right; returns its left.
  int setBoundsR(int right, int top, int width, int height);
  int setBoundsR(int right, int top);
  void redraw() { Invalidate(); }
  // The canvas of the off-screen bitmap all buttons paint on (for onDrawing).
  static platform::TCanvas& backCanvas();
  // The shared off-screen bitmap (made on first use, grown to the largest button painted).
  static platform::TBitmap& offscreen();

  // What a click does (onClick, else the modal result to the form), for the keyboard.
  void click();
  [[nodiscard]] bool wantsKey(int vk) const override { return vk == platform::VK_RETURN; }
  // Mouse rules, in button coordinates.
  void mouseMove(int x, int y, platform::TShiftState s = 0);
  void mouseDown(int x, int y, platform::TShiftState s = 0);
  void mouseUp(int x, int y, platform::TShiftState s = 0);

  Notify onDown, onMove, onUp, onOption, onEnable, onClick;
  DrawEvent onDraw, onDrawing;
  platform::TPoint downTp, moveTp;
  int option = 0;
  int32_t hovercolour = 0;
  const platform::TBitmap* toolicon = nullptr;  // borrowed; nullptr for none
  int fixx = 0, fixy = 0;
  int32_t fontcolour = 0;
  int32_t fontHoverColour = 0xFF0000;
  int32_t downLineColour = 0, boldEdgeColour = 0, selectedColour = 0;
  int32_t disabledColour = 0;
  bool autoSize = true;
  int extraMargin = 0;
  int texttop = 0;
  int align = 0;
  bool hasOptions = false;
  bool hasrightarrow = false, hasDownArrow = false;
  int minwidth = 0;
  std::unique_ptr<TmenuItem3> menu;
  bool isStateBut = false;
  bool isQuickBut = false;
  bool bold = false;
  double rotation = 0;
  double widthLimit = 0;
  char32_t ch = 0;
  int modalResult = 0;
  int fsize = 8;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg& m) override;

 private:
  void init();
  void sizeToCaption();
  void paintFace(platform::TCanvas& cv, int W, int H, int& p, bool act);
  void paintContent(platform::TCanvas& cv, int W, int H, int p, bool act);
  void paintCaption(platform::TCanvas& cv, int W, int H, int p, bool act, int x);
  std::string fcaption;
  bool fenabled = true;
  bool fprohibit = false;
  bool fhover = false;
  bool fpressedInside = false;
  int fstate = but_up;
  platform::TShiftState fshift = 0;
  std::unique_ptr<Ttrans> trans;
  std::unique_ptr<platform::TBitmap> toolbm;
};
using Tbutton = TQYbutton;

// The check box and radio item: a Wingdings mark coloured by state and a caption, painted into
// a bitmap of its own; a click toggles the state and reports it 25 ms later.
class TcheckBox : public TCustomControl {
 public:
  using Notify = std::function<void(TcheckBox*)>;
  explicit TcheckBox(platform::TWinControl* owner);
  ~TcheckBox() override;

  [[nodiscard]] const std::string& caption() const { return fcaption; }
  void setCaption(const std::string& text);
  [[nodiscard]] bool checked() const { return fchecked; }
  void setChecked(bool value);
  [[nodiscard]] bool various() const { return fvarious; }
  void setVarious(bool value);
  [[nodiscard]] bool enabled() const { return fenabled; }
  void setEnabled(bool value);
  [[nodiscard]] bool prohibit() const { return fprohibit; }
  void setProhibit(bool value);
  [[nodiscard]] int32_t colourValue() const { return fcolour; }
  void setColour(int32_t value);
  [[nodiscard]] bool autosize() const { return fauto; }
  void setAutosize(bool value);
  [[nodiscard]] int NaturalWidth();
  [[nodiscard]] int NaturalHeight();
  // The mark character for the current state.
  [[nodiscard]] char32_t markChar() const;
  // The mark's colour for the current state; -1 when it keeps the caption's colour.
  [[nodiscard]] int32_t markColour() const;
  // A click: toggles and, 25 ms later, fires onClick.
  void click();
  void layout();
  void redrawBitmap();
  [[nodiscard]] const platform::TBitmap& bitmap() const { return bm; }

  Notify onClick;
  bool rightaligned = false;
  bool negative = false;
  bool asRadio = false;
  int32_t fontcolour = 0;
  int fontsize = 8;
  int32_t selectedFontColour = 0;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg& m) override;

 private:
  std::string fcaption;
  bool fchecked = false;
  bool fauto = true;
  bool fenabled = true;
  bool fvarious = false;
  bool fprohibit = false;
  int32_t fcolour = 0;
  platform::TBitmap bm;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
