// Controls, forms, the hint window and the application object of controls.h.
#include "platform/controls.h"

#include <algorithm>

namespace platform {

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TWinControl* parent) : fparent(parent) {}

TWinControl::~TWinControl() {
  if (fhandle != 0 && hasDesktop()) {
    const HWND h = fhandle;
    fhandle = 0;  // no message reaches a control that is going
    desktop().destroyWindow(h);
  }
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.style = (fparent ? WS_CHILD : 0) | (DoubleClicks ? CS_DBLCLKS : 0);
  p.className = frameworkClass();
}

HWND TWinControl::Handle() {
  if (fhandle != 0 && desktop().isWindow(fhandle)) return fhandle;
  fhandle = 0;
  TCreateParams p;
  CreateParams(p);
  if (fvisible && (fparent || (p.style & WS_VISIBLE))) p.style |= WS_VISIBLE;
  if (!fparent) p.style &= ~WS_VISIBLE;  // forms are shown by Show, not by being made
  if (!fenabled) p.style |= WS_DISABLED;
  TWindowDesc d;
  d.parent = fparent ? fparent->Handle() : 0;
  d.bounds = fbounds;
  d.style = p.style;
  d.className = p.className;
  d.title = Caption;
  d.proc = this;
  fhandle = desktop().createWindow(d);
  if (fhandle != 0 && fcursor != Cursor::Default) desktop().setCursor(fhandle, fcursor);
  if (fhandle != 0 && !fparent && fvisible) desktop().show(fhandle, true);
  return fhandle;
}

std::vector<TWinControl*> TWinControl::Controls() const {
  std::vector<TWinControl*> out;
  if (fhandle == 0) return out;
  for (HWND c : desktop().children(fhandle))
    if (TWinControl* w = FindControl(c)) out.push_back(w);
  return out;
}

void TWinControl::SetParent(TWinControl* p) {
  if (!p || p == fparent) return;
  for (TWinControl* a = p; a; a = a->fparent)
    if (a == this) return;
  if (!fparent) {
    if (fhandle == 0) fparent = p;  // not yet a window: it is made in its new parent
    return;
  }
  if (fhandle != 0 && !desktop().setParent(fhandle, p->Handle())) return;
  fparent = p;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const TRect r = Bounds(left, top, std::max(width, 0), std::max(height, 0));
  if (r == fbounds) return;
  fbounds = r;
  if (fhandle != 0) desktop().setBounds(fhandle, r);  // a new size comes back as WM_SIZE
}

void TWinControl::SetVisible(bool on) {
  fvisible = on;
  if (on && !fparent) HandleNeeded();
  if (fhandle != 0) desktop().show(fhandle, on);
}

void TWinControl::SetEnabled(bool on) {
  fenabled = on;
  if (fhandle != 0) desktop().enable(fhandle, on);
}

void TWinControl::SetCursor(Cursor c) {
  fcursor = c;
  if (fhandle != 0) desktop().setCursor(fhandle, c);
}

void TWinControl::BringToFront() {
  if (fhandle != 0) desktop().bringToFront(fhandle);
}

void TWinControl::Invalidate() {
  if (fhandle != 0) desktop().invalidate(fhandle);
}

void TWinControl::Update() {
  if (fhandle != 0) desktop().update(fhandle);
}

TPoint TWinControl::ClientToScreen(TPoint p) { return desktop().clientToScreen(Handle(), p); }
TPoint TWinControl::ScreenToClient(TPoint p) { return desktop().screenToClient(Handle(), p); }

LRESULT TWinControl::Perform(uint32_t msg, WPARAM w, LPARAM l) {
  TMsg m{fhandle, msg, w, l, hasDesktop() ? desktop().now() : 0, {}};
  return WndProc(m);
}

LRESULT TWinControl::windowProc(TMsg& m) {
  if (m.message == WM_DESTROY) {
    LRESULT r = WndProc(m);
    fhandle = 0;
    return r;
  }
  return WndProc(m);
}

void TWinControl::paintWindow(TDeviceContext& dc) {
  fcanvas.bind(&dc);
  // The background first (a control that paints all of itself answers WM_ERASEBKGND), then Paint.
  TMsg erase{fhandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0, 0, {}};
  if (WndProc(erase) == 0) dc.fillRect(ClientRect(), solidBrush(Color));
  Paint();
  fcanvas.bind(nullptr);
}

TShiftState TWinControl::shiftOf(WPARAM w) const {
  TShiftState s = 0;
  if (w & MK_SHIFT) s |= ssShift;
  if (w & MK_CONTROL) s |= ssCtrl;
  if (w & MK_LBUTTON) s |= ssLeft;
  if (w & MK_RBUTTON) s |= ssRight;
  if (w & MK_MBUTTON) s |= ssMiddle;
  if (hasDesktop() && desktop().keyDown(VK_MENU)) s |= ssAlt;
  return s;
}

namespace {
void tabStops(TWinControl* c, std::vector<TWinControl*>& out) {
  for (TWinControl* k : c->Controls()) {
    if (!k->Visible() || !k->Enabled()) continue;
    if (k->TabStop) out.push_back(k);
    tabStops(k, out);
  }
}
}  // namespace

bool focusNext(TWinControl* from, bool backwards) {
  if (!from || !hasDesktop()) return false;
  TWinControl* top = from;
  while (top->Parent()) top = top->Parent();
  std::vector<TWinControl*> stops;
  tabStops(top, stops);
  if (stops.empty()) return false;
  const auto at = std::find(stops.begin(), stops.end(), from);
  size_t i = 0;
  if (at != stops.end()) {
    const size_t k = static_cast<size_t>(at - stops.begin());
    i = backwards ? (k + stops.size() - 1) % stops.size() : (k + 1) % stops.size();
  } else if (backwards) {
    i = stops.size() - 1;
  }
  desktop().setFocus(stops[i]->Handle());
  return true;
}

LRESULT TWinControl::WndProc(TMsg& m) {
  const int x = GET_X_LPARAM(m.lParam), y = GET_Y_LPARAM(m.lParam);
  switch (m.message) {
    case WM_ERASEBKGND:
      return 0;  // not erased here: paintWindow fills with Color
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const TMouseButton b = m.message == WM_RBUTTONDOWN ? mbRight : m.message == WM_MBUTTONDOWN ? mbMiddle : mbLeft;
      if (b == mbLeft) {
        desktop().setCapture(fhandle);  // the framework's controls capture the mouse on a left press
        fdown = true;
      }
      const bool dbl = m.message == WM_LBUTTONDBLCLK;
      if (OnMouseDown) OnMouseDown(this, b, shiftOf(m.wParam) | (dbl ? ssDouble : 0), x, y);
      if (dbl && OnDblClick) OnDblClick(this);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton b = m.message == WM_LBUTTONUP ? mbLeft : m.message == WM_RBUTTONUP ? mbRight : mbMiddle;
      const bool click = b == mbLeft && fdown && ClientRect().contains(TPoint{x, y});
      if (b == mbLeft) {
        fdown = false;
        if (hasDesktop() && desktop().capture() == fhandle) desktop().releaseCapture();
      }
      if (OnMouseUp) OnMouseUp(this, b, shiftOf(m.wParam), x, y);
      if (click && OnClick) OnClick(this);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shiftOf(m.wParam), x, y);
      return 0;
    case WM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return 0;
    case WM_MOUSEWHEEL:
      if (OnMouseWheel) return OnMouseWheel(this, shiftOf(static_cast<WPARAM>(LOWORD(m.wParam))),
                                            GET_WHEEL_DELTA_WPARAM(m.wParam), {x, y}) ? 1 : 0;
      if (fparent) return fparent->Perform(m.message, m.wParam, m.lParam);  // unclaimed turns go up
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      int key = static_cast<int>(m.wParam);
      auto& ev = m.message == WM_KEYDOWN ? OnKeyDown : OnKeyUp;
      if (m.message == WM_KEYDOWN && key == VK_TAB && focusNext(this, (m.lParam & KF_SHIFTHELD) != 0))
        return 0;
      if (m.message == WM_KEYDOWN && (key == VK_RETURN || key == VK_ESCAPE) && !wantsKey(key)) {
        TWinControl* top = this;
        while (top->fparent) top = top->fparent;
        if (auto* form = dynamic_cast<TForm*>(top); form && form->dialogKey(key, this)) return 0;
      }
      // Key messages carry no mouse flags: the modifiers held with the key travel in lParam.
      WPARAM mods = 0;
      if (m.lParam & KF_SHIFTHELD) mods |= MK_SHIFT;
      if (m.lParam & KF_CTRLHELD) mods |= MK_CONTROL;
      TShiftState shift = shiftOf(mods);
      if (m.lParam & KF_ALTHELD) shift |= ssAlt;
      if (ev) ev(this, key, shift);
      else if (fparent) return fparent->Perform(m.message, m.wParam, m.lParam);  // keys preview up to the form
      return 0;
    }
    case WM_SIZE:
      if (OnResize) OnResize(this);
      return 0;
    case WM_CAPTURECHANGED:
      fdown = false;
      return 0;
    default:
      return 0;
  }
}

TWinControl* FindControl(HWND h) {
  if (h == 0 || !hasDesktop()) return nullptr;
  return dynamic_cast<TWinControl*>(desktop().proc(h));
}

// ---------------------------------------------------------------------------------------------
// TForm

TForm::TForm() : TWinControl(nullptr) { SetVisible(false); }

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  if (StayOnTop) p.style |= WS_EX_TOPMOST;
  if (!ShowInTaskBar) p.style |= WS_EX_TOOLWINDOW;
}

int TForm::ShowModal() {
  TApplication& app = Application();
  // The owner: the form the user was working in (an inner modal form before the main window).
  HWND owner = desktop().modalForm();
  if (owner == 0 && desktop().focus() != 0) owner = desktop().topLevel(desktop().focus());
  HandleNeeded();
  if (Position == poScreenCenter) {
    auto displays = desktop().backend().displays();
    TRect area = displays.empty() ? Rect(0, 0, 1920, 1080) : displays.front().workArea;
    for (auto const& d : displays)
      if (d.primary) area = d.workArea;
    SetBounds(area.Left + (area.width() - Width()) / 2, area.Top + (area.height() - Height()) / 2, Width(), Height());
  }
  ModalResult = mrNone;
  fmodal = true;
  // A hint of a control below would stay over the form, or show up on it.
  app.CancelHint();
  Show();
  BringToFront();
  if (owner != 0 && owner != Handle()) desktop().backend().setModalFor(Handle(), owner);
  if (OnShow) OnShow(this);
  desktop().runModal(Handle(), [this] { return ModalResult != mrNone || !Visible(); });
  fmodal = false;
  Hide();
  if (ModalResult == mrNone) ModalResult = mrCancel;
  return ModalResult;
}

void TForm::Close() { Perform(WM_CLOSE); }

LRESULT TForm::WndProc(TMsg& m) {
  if (m.message == WM_CLOSE) {
    if (fmodal) ModalResult = mrCancel;
    else Hide();
    return 0;
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// THintWindow

THintWindow::THintWindow() : TWinControl(nullptr) {
  SetVisible(false);
  Color = 0xE1FFFF;
}

void THintWindow::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.style |= WS_BORDER | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
}

void THintWindow::ActivateHint(TRect const& r, std::string const& hint) {
  Caption = hint;
  HandleNeeded();
  SetBounds(r.Left, r.Top, r.width(), r.height());
  Show();
  BringToFront();
  Invalidate();
}

// ---------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication() = default;

TApplication& Application() {
  // The desktop first, so that it outlives the application's hint window at exit.
  TDesktop& d = desktop();
  static TApplication app;
  // The desktop may have been replaced (tests): the application's hook goes with every desktop.
  if (!d.hook)
    d.hook = [](TMsg& m, bool& handled) {
      TApplication& a = Application();
      if (m.message == WM_MOUSEMOVE) a.trackHint(m);
      if (a.OnMessage) a.OnMessage(m, handled);
    };
  return app;
}

void TApplication::ProcessMessages() { desktop().processMessages(); }

void TApplication::HandleMessage() {
  if (!desktop().processOne()) desktop().idle();
}

void TApplication::Run() {
  while (!desktop().terminated()) HandleMessage();
}

void TApplication::trackHint(TMsg const& m) {
  if (m.hwnd == fhintOver) return;
  fhintOver = m.hwnd;
  CancelHint();
  TWinControl* c = FindControl(m.hwnd);
  if (!ShowHint || !c || !c->ShowHint || c->Hint.empty()) return;
  const int pause = fhintInfo.ReshowTimeout > 0 && fhint && fhint->Visible() ? fhintInfo.ReshowTimeout : HintPause;
  fhintTimer = desktop().setTimer(static_cast<uint32_t>(pause), [this] {
    desktop().killTimer(0, fhintTimer);
    fhintTimer = 0;
    ActivateHint(desktop().cursorPos());
  });
}

void TApplication::ActivateHint(TPoint screen) {
  TWinControl* c = FindControl(desktop().windowFromPoint(screen));
  // A control below a modal form shows no hint over it.
  if (!c || c->Hint.empty() || !desktop().acceptsInput(c->Handle())) return;
  THintInfo info;
  info.HintControl = c;
  info.CursorPos = screen;
  info.HintStr = c->Hint;
  info.HideTimeout = HintHidePause;
  bool canShow = true;
  std::string text = c->Hint;
  if (OnShowHint) OnShowHint(text, canShow, info);
  fhintInfo = info;
  if (!canShow) return;
  if (!fhint) fhint = HintWindowClass ? HintWindowClass() : std::make_unique<THintWindow>();
  fhint->ActivateHint(Bounds(screen.X, screen.Y + 20, fhint->Width(), fhint->Height()), text);
  // The hint goes by itself after its time-out, as the framework's does.
  if (info.HideTimeout > 0)
    fhintTimer = desktop().setTimer(static_cast<uint32_t>(info.HideTimeout), [this] { CancelHint(); });
}

void TApplication::CancelHint() {
  if (fhintTimer != 0) desktop().killTimer(0, fhintTimer);
  fhintTimer = 0;
  if (fhint) fhint->ReleaseHint();
}

// ---------------------------------------------------------------------------------------------
// TTimer

TTimer::~TTimer() {
  if (fid != 0 && hasDesktop()) desktop().killTimer(0, fid);
}

void TTimer::SetEnabled(bool v) {
  fenabled = v;
  arm();
}

void TTimer::SetInterval(uint32_t v) {
  finterval = v;
  arm();
}

void TTimer::SetOnTimer(std::function<void(TTimer*)> f) {
  fonTimer = std::move(f);
  arm();
}

void TTimer::arm() {
  if (fid != 0) desktop().killTimer(0, fid);
  fid = 0;
  if (!fenabled || finterval == 0 || !fonTimer) return;
  // The handler may free the timer: nothing of it is touched after the call.
  fid = desktop().setTimer(finterval, [this] {
    auto f = fonTimer;
    f(this);
  });
}

}  // namespace platform
