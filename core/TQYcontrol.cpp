// The owner-drawn control base and the hint window of TQYcontrol.h.
#include "core/TQYcontrol.h"

#include "core/os_scaling.h"
#include "core/r_log.h"
#include "core/text_seams.h"
#include "core/trailError.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
std::string programFont() { return os ? os->fontname() : std::string("DejaVu Sans"); }
int uiFontSize(double points) { return os ? os->fontsize(points) : static_cast<int>(points); }
int scaled(int px) { return os ? os->gp(px) : px; }
}  // namespace

TQYcontrol::TQYcontrol(TWinControl* owner) : TCustomControl(owner) {
  // With an owner the window is made at once; a control without one gets its window when shown.
  if (owner) HandleNeeded();
  finishPC = 100;
  colour = dlgColour;
  Color = static_cast<TColor>(dlgColour);
  logging = true;
}

void TQYcontrol::Paint() {
  TCustomControl::Paint();
  Canvas().Font.setName(programFont());
  Canvas().Font.setSize(os ? os->fontsize() : 8);
  if (withBackground) {
    TDeviceContext* dc = Canvas().Handle();
    if (dc) {
      const int saved = dc->saveDC();
      for (TWinControl* c : Controls())
        if (c->Visible()) dc->excludeClipRect(c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
      dc->fillRect(ClientRect(), solidBrush(static_cast<TColor>(colour)));
      dc->restoreDC(saved);
    }
  }
  if (onPostPaint) onPostPaint(this);
}

LRESULT TQYcontrol::WndProc(TMsg& m) {
  if (m.message == WM_ERASEBKGND) {
    if (auto* dc = reinterpret_cast<TDeviceContext*>(m.wParam)) dc->setBkMode(BkMode::Transparent);
    return 1;  // nothing is erased: the control paints all it needs
  }
  return TCustomControl::WndProc(m);
}

void TQYcontrol::sethand(bool v) {
  fhand = v;
  SetCursor(v ? Cursor::Hand : Cursor::Default);
}

void TQYcontrol::setPercent(int v) {
  fpercent = v;
  if (startPc > 0 || finishPC < 100)
    fpercent = Round32(static_cast<double>(v) / 100.0 * (finishPC - startPc) + startPc);
  if (onPercent) onPercent(this);
}

void TQYcontrol::seterr(std::string const& text) {
  ferr = text;
  try {
    ferr = trailError(*this, text, fprocname);
    if (os) os->lasterr = ferr;
  } catch (...) {
    if (os) os->lasterr = className() + " error error " + ferr;
  }
}

void TQYcontrol::setproc(std::string const& name) {
  const std::string text = name.empty() ? std::string() : std::string(unitName()) + "." + className() + "." + name;
  fprocname = text;
  if (os) {
    os->procOb = this;
    if (!text.empty()) os->pushProc(text);
    else os->popProc();
  }
  seterr("");
  if (name.empty()) extraLogging = false;
}

void TQYcontrol::log(std::string const& s) const {
  if (logging) ::log(std::string(unitName()) + "." + className() + "." + s);
}

void TQYcontrol::logEx(std::string const& s) const {
  if (extraLogging) log(s);
}

void TQYcontrol::reenter() {
  if (onReenter) onReenter(this);
}

void TQYcontrol::takeMouse() {
  auto down = std::move(OnMouseDown);
  auto up = std::move(OnMouseUp);
  auto click = std::move(OnClick);
  OnMouseDown = nullptr;
  OnMouseUp = nullptr;
  OnClick = nullptr;
  const HWND h = Handle();
  desktop().sendMessage(h, WM_LBUTTONDOWN, 0, 0);
  desktop().sendMessage(h, WM_LBUTTONUP, 0, 0);
  OnMouseDown = std::move(down);
  OnMouseUp = std::move(up);
  OnClick = std::move(click);
}

// ---------------------------------------------------------------------------------------------
// TQYhintWindow

void TQYhintWindow::CreateParams(TCreateParams& p) {
  THintWindow::CreateParams(p);
  p.style &= ~WS_BORDER;
}

void TQYhintWindow::ActivateHint(TRect const& r, std::string const& hint) {
  THintWindow::ActivateHint(r, hint);
  setcaption(hint);
}

void TQYhintWindow::setcaption(std::string const& text) {
  fcaption = text;
  if (text.empty()) {
    SetBounds(Left(), Top(), 1, 1);
    return;
  }
  const TSize e = textSeam::extent(programFont(), uiFontSize(9), text);
  SetBounds(Left(), Top(), e.cx + scaled(9), e.cy + scaled(2));
}

void TQYhintWindow::Paint() {
  TDeviceContext* dc = Canvas().Handle();
  if (!dc) return;
  dc->setPen(makePen(PenStyle::Solid, 1, 0x808080));
  dc->setBrush(solidBrush(0xDCFFFF));
  dc->rectangle(0, 0, Width(), Height());
  dc->setBkMode(BkMode::Transparent);
  textSeam::draw(Canvas(), scaled(4), 0, fcaption, programFont(), uiFontSize(9), 0x000000);
}

LRESULT TQYhintWindow::WndProc(TMsg& m) {
  if (m.message == WM_ERASEBKGND) {
    if (auto* dc = reinterpret_cast<TDeviceContext*>(m.wParam)) dc->setBkMode(BkMode::Transparent);
    return 1;
  }
  return THintWindow::WndProc(m);
}
