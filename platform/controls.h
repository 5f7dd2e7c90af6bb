// The class framework's windowed controls, forms, hint window and application object, on the
// window tree of windows.h. A control owns one window handle; children do not own each other
// (their owners free them), and a freed parent's child windows go with it.
// Implemented: [x] TWinControl (bounds, visibility, enabling, colour, cursor, hint text, mouse,
//              wheel, key and resize events, mouse capture on a left press, painting through a
//              canvas) [x] TForm (position, stay on top, ShowModal, Close) [x] THintWindow
//              [x] TApplication (message hook, ProcessMessages, HandleMessage, Run, hints)
//              [x] TPanel [x] Tab order over tab stops [x] mouse leave [x] double clicks
//              [x] moving a control to another parent [x] TScrollBar [x] dialog keys
//              [ ] fonts on the canvas [ ] docking and alignment
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/windows.h"

namespace platform {

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Sides a control keeps its distance to when its parent is resized.
using TAnchors = uint32_t;
constexpr TAnchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;
using TShiftState = uint32_t;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;

// Modal results.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

struct TCreateParams {
  uint32_t style = 0;
  std::string className;
};

class TWinControl : public TWindowProc {
 public:
  explicit TWinControl(TWinControl* parent = nullptr);
  ~TWinControl() override;
  TWinControl(TWinControl const&) = delete;
  TWinControl& operator=(TWinControl const&) = delete;

  // The window, made on first need (a child of the parent's window, or top-level).
  HWND Handle();
  [[nodiscard]] HWND handleIfAllocated() const { return fhandle; }
  [[nodiscard]] bool HandleAllocated() const { return fhandle != 0; }
  [[nodiscard]] TWinControl* Parent() const { return fparent; }
  // Moves the control, with its children and state, into another parent (a form or control);
  // its bounds are then in the new parent's client pixels. A control cannot lose its parent
  // this way, nor become a child of its own.
  void SetParent(TWinControl*);
  // Child controls that have windows, bottom of the z-order first.
  [[nodiscard]] std::vector<TWinControl*> Controls() const;
  // The framework's class name of the control (TWinControl, TForm, ...).
  [[nodiscard]] virtual std::string frameworkClass() const { return "TWinControl"; }
  // True for single-line edits and memos (and what derives from them): they keep arrow keys.
  [[nodiscard]] virtual bool isEditControl() const { return false; }
  // Whether the control takes the arrow, plus and minus keys while it has the focus (edits,
  // lists, trees, combos, sliders), rather than the program's own use of them.
  [[nodiscard]] virtual bool keepsArrowKeys() const { return isEditControl(); }
  // Whether the control takes Enter or Escape itself; otherwise its form answers them as a
  // dialog does (TForm::dialogKey).
  [[nodiscard]] virtual bool wantsKey(int /*vk*/) const { return false; }

  [[nodiscard]] int Left() const { return fbounds.Left; }
  [[nodiscard]] int Top() const { return fbounds.Top; }
  [[nodiscard]] int Width() const { return fbounds.width(); }
  [[nodiscard]] int Height() const { return fbounds.height(); }
  [[nodiscard]] TRect BoundsRect() const { return fbounds; }
  [[nodiscard]] TRect ClientRect() const { return Rect(0, 0, fbounds.width(), fbounds.height()); }
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }

  [[nodiscard]] bool Visible() const { return fvisible; }
  void SetVisible(bool);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  [[nodiscard]] bool Enabled() const { return fenabled; }
  void SetEnabled(bool);
  [[nodiscard]] Cursor cursor() const { return fcursor; }
  void SetCursor(Cursor);
  void BringToFront();

  void Invalidate();
  void Update();
  void Repaint() { Invalidate(); Update(); }
  [[nodiscard]] TPoint ClientToScreen(TPoint);
  [[nodiscard]] TPoint ScreenToClient(TPoint);
  // The canvas of the current paint (bound only while Paint runs).
  [[nodiscard]] TCanvas& Canvas() { return fcanvas; }

  TColor Color = 0xF0F0F0;
  TAnchors Anchors = akLeft | akTop;
  bool TabStop = false;
  // The second press of a double click comes as one (set before the window is made).
  bool DoubleClicks = false;
  intptr_t Tag = 0;
  std::string Caption;
  std::string Hint;
  bool ShowHint = false;

  std::function<void(TWinControl*, TMouseButton, TShiftState, int x, int y)> OnMouseDown, OnMouseUp;
  std::function<void(TWinControl*, TShiftState, int x, int y)> OnMouseMove;
  std::function<void(TWinControl*)> OnClick, OnResize, OnMouseEnter, OnMouseLeave;
  // The second press of a double click; it also reaches OnMouseDown, with ssDouble.
  std::function<void(TWinControl*)> OnDblClick;
  // Answers whether it took the turn; the position is in screen pixels.
  std::function<bool(TWinControl*, TShiftState, int delta, TPoint)> OnMouseWheel;
  std::function<void(TWinControl*, int& key, TShiftState)> OnKeyDown, OnKeyUp;

  // Gives the message to the control as its window would (what SendMessage does).
  LRESULT Perform(uint32_t msg, WPARAM = 0, LPARAM = 0);

 protected:
  virtual void CreateParams(TCreateParams&);
  // The control's own drawing, on Canvas(); the default draws nothing.
  virtual void Paint() {}
  // Messages of the control's window; call the inherited handler for the default.
  virtual LRESULT WndProc(TMsg&);
  // Sets up the window at once (the framework does this lazily; some controls need it now).
  void HandleNeeded() { (void)Handle(); }

  LRESULT windowProc(TMsg&) final;
  void paintWindow(TDeviceContext&) final;

 private:
  TShiftState shiftOf(WPARAM) const;
  TWinControl* fparent = nullptr;
  HWND fhandle = 0;
  TRect fbounds = Bounds(0, 0, 100, 40);
  bool fvisible = true;
  bool fenabled = true;
  bool fdown = false;
  Cursor fcursor = Cursor::Default;
  TCanvas fcanvas;
};

// The control behind a window handle, or nullptr.
TWinControl* FindControl(HWND);
// Tab order: the focus goes to the next (or previous) visible, enabled tab stop of the control's
// form, in the order of the control tree; false when the form has none.
bool focusNext(TWinControl* from, bool backwards = false);

// The framework's custom control: a windowed control that paints itself.
class TCustomControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  [[nodiscard]] std::string frameworkClass() const override { return "TCustomControl"; }
};

// A plain panel; forms also use one as the placeholder of a control made in its place.
class TPanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  [[nodiscard]] std::string frameworkClass() const override { return "TPanel"; }
};

enum TPosition { poDesigned, poScreenCenter };

// A top-level window. Forms start hidden.
class TForm : public TWinControl {
 public:
  TForm();
  [[nodiscard]] std::string frameworkClass() const override { return "TForm"; }

  TPosition Position = poDesigned;
  bool StayOnTop = false;
  bool ShowInTaskBar = true;
  int ModalResult = mrNone;
  // Shows the form and runs a modal loop until ModalResult is set or the form closes.
  int ShowModal();
  void Close();  // WM_CLOSE: a modal form ends with mrCancel, any other hides
  [[nodiscard]] bool modal() const { return fmodal; }
  std::function<void(TForm*)> OnShow;
  // Enter or Escape pressed in one of the form's controls that does not take it (from is the
  // focused control); true when the form answered it (a dialog's default or cancel button).
  virtual bool dialogKey(int /*vk*/, TWinControl* /*from*/) { return false; }

 protected:
  void CreateParams(TCreateParams&) override;
  LRESULT WndProc(TMsg&) override;

 private:
  bool fmodal = false;
};

// The framework's scroll bar, drawn by itself: arrows at both ends, a thumb as long as the page
// is of the range, page steps on the track, dragging the thumb and the wheel. Positions run from
// Min to Max - PageSize + 1 (Min to Max without a page), as the platform's do.
class TScrollBar : public TCustomControl {
 public:
  enum class Kind { Horizontal, Vertical };
  explicit TScrollBar(TWinControl* parent = nullptr, Kind = Kind::Vertical);
  ~TScrollBar() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TScrollBar"; }

  [[nodiscard]] Kind kind() const { return fkind; }
  [[nodiscard]] int Min() const { return fmin; }
  [[nodiscard]] int Max() const { return fmax; }
  [[nodiscard]] int PageSize() const { return fpage; }
  [[nodiscard]] int Position() const { return fpos; }
  // The highest position the range and page allow.
  [[nodiscard]] int maxPosition() const;
  // From code: no event; values out of range are clamped.
  void SetParams(int min, int max, int pageSize);
  void SetPosition(int);
  int SmallChange = 1;
  int LargeChange = 1;
  // The user moved the thumb (arrows, track, drag, wheel); Position is the new place.
  std::function<void(TScrollBar*)> OnChange;
  // Every user step with its scroll code (SB_LINEUP ... SB_THUMBTRACK, SB_ENDSCROLL).
  std::function<void(TScrollBar*, int code, int pos)> OnScroll;

  // Geometry, in client pixels: the two arrow boxes, the track between them and the thumb.
  [[nodiscard]] TRect lowArrow() const;
  [[nodiscard]] TRect highArrow() const;
  [[nodiscard]] TRect thumbRect() const;
  // Turns of the wheel as the bar takes them: three small steps per notch.
  void wheel(int delta);

 protected:
  void Paint() override;
  LRESULT WndProc(TMsg&) override;

 private:
  [[nodiscard]] int length() const;     // along the bar
  [[nodiscard]] int thickness() const;  // across it
  [[nodiscard]] int along(int x, int y) const { return fkind == Kind::Vertical ? y : x; }
  void userMove(int pos, int code);
  void pressAt(int x, int y);
  void repeat();
  Kind fkind;
  int fmin = 0, fmax = 100, fpage = 0, fpos = 0;
  int fpressCode = -1;   // what the held button repeats; -1 none
  int fdragOffset = 0;   // pointer's distance from the thumb's start while dragging
  bool fdragging = false;
  uintptr_t frepeat = 0;
  TPoint fpressAt;
};

// The framework's tooltip window: a topmost window off the task bar, never activated.
class THintWindow : public TWinControl {
 public:
  THintWindow();
  [[nodiscard]] std::string frameworkClass() const override { return "THintWindow"; }
  // Places the window (screen pixels) with the text and shows it.
  virtual void ActivateHint(TRect const&, std::string const& hint);
  void ReleaseHint() { Hide(); }

 protected:
  void CreateParams(TCreateParams&) override;
};

struct THintInfo {
  TWinControl* HintControl = nullptr;
  TPoint CursorPos;
  std::string HintStr;
  int ReshowTimeout = 0;
  int HideTimeout = 2500;
};

// The application object: its message hook, loops and hints.
class TApplication {
 public:
  TApplication();
  // Runs before a queued message is dispatched; handled = true keeps it from its window.
  std::function<void(TMsg&, bool& handled)> OnMessage;
  // Shows every queued message, then returns.
  void ProcessMessages();
  // One message, or waits for the next (never spinning).
  void HandleMessage();
  void Run();
  void Terminate() { desktop().postQuitMessage(0); }
  [[nodiscard]] bool Terminated() const { return desktop().terminated(); }

  // Hints: after HintPause over a control with ShowHint and a Hint, the hint window made by
  // HintWindowClass shows below the pointer; OnShowHint may change the text and timings.
  bool ShowHint = true;
  int HintPause = 500;
  int HintHidePause = 2500;
  std::function<std::unique_ptr<THintWindow>()> HintWindowClass;
  std::function<void(std::string& hintStr, bool& canShow, THintInfo&)> OnShowHint;
  void ActivateHint(TPoint screen);
  void CancelHint();
  [[nodiscard]] THintWindow* hintWindow() const { return fhint.get(); }
  [[nodiscard]] THintInfo const& lastHintInfo() const { return fhintInfo; }

  // Follows the pointer for hints (the application's hook calls it for every mouse move).
  void trackHint(TMsg const&);

 private:
  std::unique_ptr<THintWindow> fhint;
  THintInfo fhintInfo;
  HWND fhintOver = 0;  // the window the pointer rests on
  uintptr_t fhintTimer = 0;
};

TApplication& Application();

// The framework's timer component: OnTimer every Interval milliseconds while enabled and
// assigned; an interval of 0 never ticks, as the framework's does not.
class TTimer {
 public:
  TTimer() = default;
  ~TTimer();
  TTimer(TTimer const&) = delete;
  TTimer& operator=(TTimer const&) = delete;
  [[nodiscard]] bool Enabled() const { return fenabled; }
  void SetEnabled(bool);
  [[nodiscard]] uint32_t Interval() const { return finterval; }
  void SetInterval(uint32_t);
  void SetOnTimer(std::function<void(TTimer*)>);

 private:
  void arm();
  std::function<void(TTimer*)> fonTimer;
  uintptr_t fid = 0;
  bool fenabled = true;
  uint32_t finterval = 1000;
};

}  // namespace platform
