// The modal popup and the dialog host of the control set.
#include "ui/r_modal.h"

#include <algorithm>

#include "core/TQYcontrol.h"
#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "ui/r_baseForm.h"
#include "ui/r_controlSet.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kMainMargin = 24;  // a popup ends this far inside the main window
constexpr int kWorkMargin = 24;  // a dialog keeps this far from the work area's edges

// Puts back the services object's wheel handler however the modal loop ends.
class TwheelGuard {
 public:
  explicit TwheelGuard(const std::function<void(void*)>& replacement) {
    if (!replacement || !os) return;
    fkept = os->onMouseWheel;
    os->onMouseWheel = replacement;
    factive = true;
  }
  ~TwheelGuard() {
    if (factive && os) os->onMouseWheel = std::move(fkept);
  }
  TwheelGuard(const TwheelGuard&) = delete;
  TwheelGuard& operator=(const TwheelGuard&) = delete;

 private:
  std::function<void(void*)> fkept;
  bool factive = false;
};

std::unique_ptr<Tbutton> makeButton(TForm* f, const std::string& caption, int result) {
  auto b = std::make_unique<Tbutton>(f);
  b->setCaption(caption);
  b->modalResult = result;
  b->SetVisible(!caption.empty());
  return b;
}
}  // namespace

TRect mainFormRect() { return baseform && baseform->HandleAllocated() ? baseform->BoundsRect() : TRect{}; }

TRect workAreaAt(TPoint p) {
  if (!hasDesktop()) return Rect(0, 0, 1920, 1040);
  const auto displays = desktop().backend().displays();
  if (displays.empty()) return Rect(0, 0, 1920, 1040);
  for (const TDisplay& d : displays)
    if (d.box.contains(p)) return d.workArea;
  return displays.front().workArea;
}

// ---- TmodalControl ------------------------------------------------------------------------------

TmodalControl::TmodalControl() {
  StayOnTop = true;
  ShowInTaskBar = false;
  colour = dlgColour;
  Color = static_cast<TColor>(colour);
  SetBounds(0, 0, gp(300), gp(60));
  okbut = makeButton(this, word("general", "OK"), mrOk);
  cancelBut = makeButton(this, word("general", "Cancel"), mrCancel);
  OnResize = [this](TWinControl*) { layout(); };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) {
    if (!withClose) return;
    hit = closeBox.contains(TPoint{x, y}) ? 1 : 0;
    SetCursor(hit > 0 ? Cursor::Hand : Cursor::Default);
  };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int x, int y) {
    if (withClose && closeBox.contains(TPoint{x, y})) ModalResult = mrCancel;
  };
  layout();
}

TmodalControl::~TmodalControl() = default;

void TmodalControl::layout() {
  const int W = Width(), H = Height();
  const int cw = cancelBut->Visible() ? cancelBut->Width() : 0;
  const int ow = okbut->Visible() ? okbut->Width() : 0;
  const int left = W - 2 * gp(4) - cw - ow;
  cancelBut->setBounds(left, H - gp(24), cancelBut->Width(), gp(20));
  okbut->setBounds(cancelBut->Visible() ? left + cw + gp(4) : W - gp(4) - ow, H - gp(24), okbut->Width(), gp(20));
  closeBox = Rect(W - gp(16), 2, W - 2, gp(16));
  if (onPostResize) onPostResize(this);
}

int TmodalControl::execute(int screenx, int screeny) {
  int left = screenx, top = screeny;
  const TRect M = mainFormRect();
  if (!M.isEmpty()) {
    if (M.Bottom - Height() < screeny) top = M.Bottom - Height() - kMainMargin;
    if (M.Right - Width() < screenx) left = M.Right - Width() - kMainMargin;
  }
  // Whatever the main window allows, the popup stays on the display it opens on.
  const TRect work = workAreaAt(TPoint{screenx, screeny});
  left = std::clamp(left, work.Left, std::max(work.Left, work.Right - Width()));
  top = std::clamp(top, work.Top, std::max(work.Top, work.Bottom - Height()));
  SetBounds(left, top, Width(), Height());
  TwheelGuard wheel(onMouseWheel2);
  if (onPreShow) onPreShow(this);
  const int result = ShowModal();
  if (result == mrOk && onOk) onOk(this);
  return result;
}

bool TmodalControl::execute(const TRect& box) {
  int x = box.Left;
  const TRect M = mainFormRect();
  if (!M.isEmpty() && M.Right < x + Width()) x = M.Right - Width() - 4;
  return execute(x, box.Bottom) == mrOk;
}

int TmodalControl::execute(TWinControl* win) {
  const TPoint p = win ? win->ClientToScreen(TPoint{win->Width() - 1, 0}) : TPoint{};
  return execute(p.X, p.Y);
}

LRESULT TmodalControl::WndProc(TMsg& m) { return TForm::WndProc(m); }

bool TmodalControl::dialogKey(int vk, TWinControl*) {
  if (!modal()) return false;
  if (vk == VK_ESCAPE) {
    ModalResult = mrCancel;
    return true;
  }
  if (vk == VK_RETURN && okbut && okbut->Visible() && okbut->enabled()) {
    okbut->click();
    return true;
  }
  return false;
}

void TmodalControl::Paint() {
  TCanvas& cv = Canvas();
  const int W = Width(), H = Height();
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(colour);
  cv.Pen.Color = 0x0000FF;
  cv.Pen.Width = 1;
  cv.Rectangle(0, 0, W, H);
  cv.Pen.Color = 0;
  if (withClose) TosDrawing::drawCloseCross(cv, closeBox);
  if (!title.empty()) {
    cv.Handle()->setBkMode(BkMode::Transparent);
    cv.Font.setSize(fontSizeOf(11));
    cv.Font.setStyle(fsBold);
    cv.Font.Color = 0x800000;
    const int tw = cv.TextWidth(title);
    if (fontman) fontman->BaseTextOut(cv, gp(6), gp(18), title);
    if (!subTitle.empty()) {
      cv.Font.setStyle(0);
      cv.Font.setSize(fontSize());
      cv.Font.Color = 0;
      if (fontman) fontman->BaseTextOut(cv, gp(6) + tw + gp(12), gp(18), subTitle);
    }
    cv.Font.setStyle(0);
    cv.Font.setSize(fontSize());
  }
  if (onPaint2) onPaint2(this);
}

// ---- TQYdlg -------------------------------------------------------------------------------------

TQYdlg::TQYdlg(TWinControl*) {
  StayOnTop = true;
  ShowInTaskBar = false;
  colour = dlgColour;
  Color = static_cast<TColor>(colour);
  SetBounds(-600, 100, 400, 300);
  okbut = makeButton(this, word("general", "OK"), 0);
  okbut->onClick = [this](TQYbutton*) { ok(); };
  cancelBut = makeButton(this, word("general", "Cancel"), mrCancel);
  noBut = makeButton(this, "", mrNo);
  yesBut = makeButton(this, "", mrYes);
  retryBut = makeButton(this, "", 4);
  OnResize = [this](TWinControl*) { layoutButtons(); };
  OnShow = [this](TForm*) { reSize(); };
  // The caption bar moves the dialog, with or without a window manager.
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int y) {
    if (b != mbLeft || y >= gp(20)) return;
    fdragging = true;
    fdragFrom = desktop().cursorPos();
  };
  OnMouseMove = [this](TWinControl*, TShiftState, int, int) {
    if (!fdragging) return;
    const TPoint now = desktop().cursorPos();
    SetBounds(Left() + now.X - fdragFrom.X, Top() + now.Y - fdragFrom.Y, Width(), Height());
    fdragFrom = now;
  };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) { fdragging = false; };
}

TQYdlg::~TQYdlg() {
  giveBack();
  // The buttons go before the form's window.
  okbut.reset();
  cancelBut.reset();
  noBut.reset();
  yesBut.reset();
  retryBut.reset();
}

void TQYdlg::giveBack() {
  if (!fwin) return;
  if (fhome) {
    fwin->Hide();  // no longer on any window until its owner shows it again
    fwin->SetParent(fhome);
  }
  fwin = nullptr;
  fhome = nullptr;
}

void TQYdlg::ok() {
  if (onPreResult) onPreResult(this);
  ModalResult = mrOk;
}

void TQYdlg::cancel() { ModalResult = mrCancel; }

bool TQYdlg::dialogKey(int vk, TWinControl*) {
  if (!modal()) return false;
  if (vk == VK_ESCAPE) {
    cancel();
    return true;
  }
  if (vk == VK_RETURN && okbut && okbut->Visible() && okbut->enabled()) {
    okbut->click();
    return true;
  }
  return false;
}

int TQYdlg::showModal(const TRect& box, TWinControl* win) {
  if (!win) return mrCancel;
  fwin = win;
  fhome = win->Parent();
  SetBounds(rightalign ? box.Right - win->Width() - 2 : box.Left, box.Bottom, Width(), Height());
  win->SetParent(this);
  win->Show();
  state = 1;
  if (onPreShow) onPreShow(this);
  state = 2;
  const int result = ShowModal();
  state = 3;
  if (onFinish) onFinish(win);
  if (result == mrOk && onResult) onResult(win);
  state = 0;
  if (releaseWindow) giveBack();
  // The control under the pointer hears the pointer leave and come back: the dialog covered it.
  Application().CancelHint();
  if (auto* c = dynamic_cast<TQYcontrol*>(FindControl(desktop().windowFromPoint(desktop().cursorPos())))) {
    if (c->OnMouseLeave) c->OnMouseLeave(c);
    if (c->OnMouseEnter) c->OnMouseEnter(c);
  }
  return result;
}

int TQYdlg::showModalBelow(TWinControl* but, TWinControl* win) {
  TRect box;
  if (but) {
    const TPoint p = but->ClientToScreen(TPoint{0, 0});
    box = Bounds(p.X, p.Y, but->Width(), but->Height());
  }
  return showModal(box, win);
}

int TQYdlg::showModal(TWinControl* win) {
  if (!win) return mrCancel;
  const auto displays = desktop().backend().displays();
  const TRect screen = displays.empty() ? Rect(0, 0, 1920, 1080) : displays.front().box;
  const int x = (screen.width() - win->Width()) / 2, y = (screen.height() - win->Height()) / 3;
  return showModal(Rect(x, y, x, y), win);
}

void TQYdlg::reSize() {
  if (!fwin) return;
  // Drawn without the desktop's frame: a caption bar of its own (see Paint).
  const int w = std::max(fwin->Width(), minwidth);
  const int cw = w + 2;
  const int ch = gp(24) + gp(20) + fwin->Height() + 1;
  int left = Left(), top = Top();
  const TRect work = workAreaAt(TPoint{left, top});
  if (top + ch > work.Bottom - kWorkMargin) top = work.Bottom - ch - kWorkMargin;
  if (left + cw > work.Right - kWorkMargin) left = work.Right - cw - kWorkMargin;
  left = std::max(left, work.Left);
  top = std::max(top, work.Top);
  SetBounds(left, top, cw, ch);
  BringToFront();
  fwin->SetBounds(1, gp(20) + 1, w, fwin->Height());
  fwin->Show();
  layoutButtons();
}

void TQYdlg::layoutButtons() {
  const int top = Height() - gp(22);
  for (Tbutton* b : {okbut.get(), cancelBut.get(), noBut.get(), yesBut.get(), retryBut.get()}) {
    if (!b) return;
    b->setCaption(b->caption());  // measured afresh
  }
  okbut->SetVisible(!okbut->caption().empty());
  cancelBut->SetVisible(!cancelBut->caption().empty());
  okbut->setBounds(Width() - gp(4) - okbut->Width(), top, okbut->Width(), gp(20));
  const int right = okbut->Visible() ? okbut->Left() - gp(4) : Width() - gp(4);
  cancelBut->setBounds(right - cancelBut->Width(), top, cancelBut->Width(), gp(20));
  int x = gp(4);
  for (Tbutton* b : {noBut.get(), yesBut.get(), retryBut.get()}) {
    b->SetVisible(!b->caption().empty());
    if (!b->Visible()) continue;
    x = b->setBounds(x, top, b->Width(), gp(20)) + gp(4);
  }
}

LRESULT TQYdlg::WndProc(TMsg& m) {
  if (m.message == WM_ACTIVATEAPP && HandleAllocated() && Visible()) {
    // Out of the way while another program is in front, back in place when ours is again. The
    // dialog stays open: only the desktop's window is hidden.
    if (m.wParam == 0 && !fdeactivated) {
      fdeactivated = true;
      desktop().backend().showWindow(Handle(), false);
    } else if (m.wParam != 0 && fdeactivated) {
      fdeactivated = false;
      desktop().backend().showWindow(Handle(), true);
      desktop().invalidate(Handle());
    }
  }
  return TForm::WndProc(m);
}

void TQYdlg::Paint() {
  TCanvas& cv = Canvas();
  const int W = Width(), H = Height();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(colour);
  cv.Pen.Color = 0xFF0000;
  cv.Pen.Width = 1;
  cv.Rectangle(0, 0, W, H);
  cv.Brush.Color = static_cast<TColor>(os ? os->selColour : 0x80503C);
  cv.FillRect(Rect(0, 0, W, gp(20)));
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  cv.Font.Color = clWhite;
  cv.Handle()->setBkMode(BkMode::Transparent);
  if (fontman) fontman->VCentredText(cv, 8, 0, gp(20), Caption);
  if (!lowercaption.empty() && fontman) {
    cv.Font.Color = 0xFF0000;
    fontman->TopTextOut(cv, 4, H - 18, lowercaption);
  }
}
