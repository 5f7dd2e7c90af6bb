// The control set's start-up colours and the owner-drawn push button.
#include "ui/r_QYcontrols.h"

#include <algorithm>

#include "core/os_drawing.h"
#include "platform/numbers.h"
#include "platform/windows.h"

using namespace platform;

namespace {
int gp(int n) { return os ? os->gp(n) : n; }
int fontSize() { return os ? os->fontsize() : 8; }
int32_t fade(int32_t c, int32_t target, double pc) { return TosDrawing::FadeColour(c, target, pc); }
std::string programFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
}  // namespace

void initControlSet() { dlgColour = TosDrawing::FadeColour(0x00EAC8AC, 0x00FFFFFF, 70); }

TQYbutton::TQYbutton(TWinControl* owner) : TQYcontrol(owner) {
  colour = os ? os->levelcolour(1.8) : fade(0xFFFFFF, 0xC40000, 5.4);
  disabledColour = fade(colour, 0xDCDCDC, 70);
  fsize = fontSize();
  SetHeight(gp(20));
  SetCursor(Cursor::Hand);
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) { mouseMove(x, y); };
  OnMouseDown = [this](TWinControl*, TMouseButton, TShiftState, int x, int y) { mouseDown(x, y); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int x, int y) { mouseUp(x, y); };
}

TQYbutton::~TQYbutton() = default;

bool TQYbutton::isActive() const {
  if (!fenabled) return false;
  const TWinControl* p = Parent();
  return !p || p->Enabled();
}

void TQYbutton::sizeToCaption() {
  TBitmap bm;
  bm.SetSize(1, 1);
  TCanvas& cv = bm.Canvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(bold ? static_cast<int>(Round(1.2 * fsize)) : fsize);
  if (bold) cv.Font.setStyle(fsBold);
  int w = cv.TextWidth(fcaption) + gp(12);
  if (option == 32) w += gp(12);
  else if (option == 33) w += gp(24);
  else if (option != 0) w += gp(18);
  SetWidth(std::max(w, minwidth));
}

void TQYbutton::setCaption(const std::string& text) {
  fcaption = text;
  if (autoSize) sizeToCaption();
  Invalidate();
}

void TQYbutton::setEnabled(bool value) {
  fenabled = value;
  Invalidate();
  SetEnabled(value);
  SetCursor(value ? Cursor::Hand : Cursor::Default);
  if (onEnable) onEnable(this);
}

void TQYbutton::setProhibit(bool value) {
  fprohibit = value;
  setEnabled(!value);
}

void TQYbutton::setState(int value) {
  if (!isActive()) {
    if (hasDesktop() && HandleAllocated() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  fstate = value;
  if (value == but_down) {
    if (isStateBut) fhover = false;
    else if (hasDesktop()) desktop().setCapture(Handle());
  } else if (value == but_up && !fhover && hasDesktop() && desktop().capture() == Handle()) {
    desktop().releaseCapture();
  }
  Invalidate();
}

void TQYbutton::setHover(bool value) {
  if (!isActive() || value == fhover) return;
  fhover = value;
  setState(fstate);
}

int TQYbutton::setBounds(int left, int top, int width, int height) {
  if (auto* p = dynamic_cast<TQYcontrol*>(Parent())) {
    colour = fade(p->colour, 0xFFFFFF, 40);
    disabledColour = fade(p->colour, 0xDCDCDC, 60);
  }
  SetBounds(left, top, width, height);
  Invalidate();
  return left + width;
}

int TQYbutton::setBounds(int left, int top) { return setBounds(left, top, Width(), gp(20)); }

int TQYbutton::setBoundsR(int right, int top, int width, int height) {
  setBounds(right - width, top, width, height);
  return right - width;
}

void TQYbutton::mouseMove(int x, int y) {
  setHover(ClientRect().contains(TPoint{x, y}));
  if (fstate == but_down) {
    moveTp = {x, y};
    if (onMove) onMove(this);
  }
}

void TQYbutton::mouseDown(int x, int y) {
  if (isQuickBut) return;
  if (!isActive()) {
    if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  downTp = moveTp = {x, y};
  fpressedInside = true;
  setState(isStateBut && fstate == but_down ? but_up : but_down);
  if (hasDesktop()) desktop().setCapture(Handle());
  if (onDown) onDown(this);
}

void TQYbutton::mouseUp(int x, int y) {
  if (isQuickBut) return;
  if (!isActive()) {
    if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  if (!isStateBut) setState(but_up);
  moveTp = {x, y};
  if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
  if (onMove) onMove(this);
  if (onUp) onUp(this);
  // A press taken back by moving off the button before the release is no click.
  const bool inside = ClientRect().contains(TPoint{x, y});
  const bool pressed = fpressedInside;
  fpressedInside = false;
  if (!inside || !pressed) {
    fhover = false;
    Invalidate();
    return;
  }
  if (onClick) {
    fhover = false;
    onClick(this);
    if (hasOptions && onOption && Rect(Width() - 12, 0, Width(), Height()).contains(TPoint{x, y})) onOption(this);
  } else if (modalResult != 0) {
    for (TWinControl* p = Parent(); p; p = p->Parent())
      if (auto* f = dynamic_cast<TForm*>(p)) {
        f->ModalResult = modalResult;
        break;
      }
  }
}

void TQYbutton::Paint() {
  TCanvas& cv = Canvas();
  TDeviceContext* dc = cv.Handle();
  const int W = Width(), H = Height();
  if (!dc || W == 0 || H == 0) return;
  const bool act = isActive();
  int p = 0;
  if (fstate == but_down) {
    cv.Brush.Color = static_cast<TColor>(isStateBut || isQuickBut ? selectedColour : 0xEAEAEA);
    cv.Pen.Color = 0x808080;
    cv.Rectangle(0, 0, W, H);
    cv.Pen.Color = static_cast<TColor>(downLineColour);
    cv.MoveTo(0, H - 1);
    cv.LineTo(W - 1, H - 1);
    cv.LineTo(W - 1, 0);
    p = isQuickBut ? 0 : gp(2);
  } else {
    const int32_t face = fhover && act ? (hovercolour ? hovercolour : fade(colour, 0xFFFFFF, 50))
                         : act         ? colour
                                       : disabledColour;
    cv.Brush.Color = static_cast<TColor>(face);
    cv.Pen.Color = static_cast<TColor>(boldEdgeColour);
    cv.Rectangle(0, 0, W, H);
    cv.Pen.Color = 0xDCDCDC;
    cv.MoveTo(0, H);
    cv.LineTo(0, 0);
    cv.LineTo(W, 0);
  }
  dc->setBkMode(BkMode::Transparent);
  cv.Font.setName(programFace());
  cv.Font.setSize(bold ? static_cast<int>(Round(1.2 * fsize)) : fsize);
  cv.Font.setStyle(bold ? fsBold : 0);
  const int tw = cv.TextWidth(fcaption), th = cv.TextHeight(fcaption);
  int x = gp(6) + p;
  if (align == 2) x = W - tw - gp(6) - (hasOptions ? 12 : 0);
  else if (align == 6) x = (W - tw) / 2;
  const int y = (H - th) / 2 + p;
  if (!act) {
    cv.Font.Color = clWhite;
    cv.TextOut(x + 1, y + 1, fcaption);
    cv.Font.Color = 0x808080;
  } else {
    cv.Font.Color = static_cast<TColor>(fhover ? fontHoverColour : fontcolour);
  }
  cv.TextOut(x, y, fcaption);
  if (hasOptions) {
    cv.Pen.Color = 0x808080;
    cv.MoveTo(W - 12 + p, p);
    cv.LineTo(W - 12 + p, H);
  }
  if (HandleAllocated() && hasDesktop() && desktop().focus() == Handle() && !isQuickBut) {
    cv.Brush.Style = bsClear;
    cv.Pen.Color = clBlue;
    cv.Pen.Width = 2;
    cv.Rectangle(1, 1, W, H);
    cv.Pen.Width = 1;
    cv.Brush.Style = bsSolid;
  }
  if (fprohibit) {
    cv.Pen.Color = 0xA0A0FF;
    for (int yy = 0; yy < H; yy += 3) {
      cv.MoveTo(0, yy);
      cv.LineTo(H - 1 - yy, H - 1);
    }
  }
}
