// The slider of the control set.
#include "ui/r_slider.h"

#include <algorithm>
#include <cmath>

#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_controlSet.h"
#include "ui/r_edit.h"
#include "ui/r_popups.h"

using namespace platform;

namespace {
int fontSize() { return os ? os->fontsize() : 8; }
std::string programFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
constexpr int32_t kArrow = 0xEAC8AC;
}  // namespace

TsliderLite::TsliderLite(TWinControl* owner) : TQYcontrol(owner) {
  backColour = dlgColour;
  OnResize = [this](TWinControl*) {
    bm.SetSize(std::max(Width(), 1), std::max(Height(), 1));
    setPosition(raw);
  };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { mouseDown(b, x, y); };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) { mouseMove(x, y); };
  OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { mouseUp(b, x, y); };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState) { keyDown(key); };
  TabStop = true;
  bm.SetSize(std::max(Width(), 1), std::max(Height(), 1));
}

TsliderLite::~TsliderLite() {
  if (dragging) confine(false);
}

int TsliderLite::positioni() const { return static_cast<int>(Round(raw)); }

void TsliderLite::setDecplaces(int n) {
  fdecplaces = n;
  if (n > 0) fstep = std::pow(10.0, -n);
}

void TsliderLite::setEnabled(bool v) {
  if (v == fenable) return;
  fenable = v;
  SetEnabled(v);
  setPosition(raw);
}

void TsliderLite::setProhibit(bool v) {
  fprohibit = v;
  setEnabled(!v);
}

void TsliderLite::setVarious(bool v) {
  fVarious = v;
  setPosition(raw);
}

int TsliderLite::valueToX(double v) const {
  const int b = box.width() - thumbW;
  // An empty range or a track no wider than the thumb has one place: the start.
  if (!(max > min) || b <= 0 || !std::isfinite(v)) return thumbW;
  v = std::clamp(v, min, max);
  const double f = usesLog() ? std::log((v - min) / (max - min) * 99 + 1) / std::log(100.0) : (v - min) / (max - min);
  return static_cast<int>(Round(b * f + thumbW));
}

double TsliderLite::xToValue(int x) const {
  const int b = box.width() - thumbW;
  if (!(max > min) || b <= 0) return min;
  double v = usesLog() ? min + (std::exp(std::log(100.0) * (x - thumbW) / b) - 1) / 99 * (max - min)
                       : min + static_cast<double>(x - (thumbW / 2 + thumbW)) / b * (max - min);
  return std::clamp(v, min, max);
}

void TsliderLite::setPosition(double v) {
  if (!std::isfinite(v)) v = min;  // NaN and infinities take the start
  if (v < min) v = min;
  if (v > max && !allowHigher) v = max;
  if (fstep > 0 && std::isfinite(fstep)) v = Round(v / fstep) * fstep;
  raw = v;
  fpos = std::min(raw, max);
  if (usesLog()) fpos = std::log((fpos - min) / (max - min) * 99 + 1);
  else if (min == 0 && max == 100 && units.empty()) units = "%";
  redrawBitmap();
}

std::string TsliderLite::valueText(double v) const {
  if (os) return os->DoubleToStr(v, fdecplaces);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", std::max(fdecplaces, 0), v);
  return buf;
}

void TsliderLite::redrawBitmap() {
  const int W = bm.Width(), H = bm.Height();
  TCanvas& cv = bm.Canvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  cv.Handle()->setBkMode(BkMode::Transparent);
  int r = rightMargin;
  if (r == 0) r = std::max(cv.TextWidth(valueText(min)), cv.TextWidth(valueText(max))) + 2 + cv.TextWidth(units);
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(backColour);
  cv.FillRect(Rect(0, 0, W, H));
  downBox = Rect(0, 1, thumbW + 1, H - 1);
  upBox = Rect(W - r - thumbW - 2, 1, W - r, H - 1);
  box = Rect(thumbW, 1, W - r - thumbW, H - 1);
  const TColor ink = fenable ? TColor(0) : TColor(0x808080);
  cv.Pen.Color = ink;
  cv.Pen.Width = 1;
  cv.Font.Color = fenable ? static_cast<TColor>(fontColour) : TColor(0x808080);
  if (edit) {
    edit->setText(valueText(raw));
    editBox = TRect{};
  } else {
    const std::string t = valueText(raw) + units;
    const TSize sz = cv.TextExtent(t);
    cv.TextOut(upBox.Right + cv.Font.Size() / 4, (H - sz.cy) / 2, t);
    editBox = Rect(upBox.Right, upBox.Top, W, upBox.Bottom);
  }
  cv.Brush.Color = fVarious ? static_cast<TColor>(varColour) : fenable ? clWhite : TColor(0xFAFAFA);
  cv.Pen.Color = 0x808080;
  cv.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
  if (usesLog()) {
    cv.Pen.Color = 0xC0C0C0;
    for (int i = 1; i <= 9; ++i) {
      const int x = valueToX(min + i / 10.0 * (max - min));
      cv.MoveTo(x, box.Top + 1);
      cv.LineTo(x, box.Bottom - 1);
    }
  }
  cv.Pen.Color = ink;
  cv.Rectangle(upBox.Left, upBox.Top, upBox.Right, upBox.Bottom);
  cv.Rectangle(downBox.Left, downBox.Top, downBox.Right, downBox.Bottom);
  const TColor arrow = fenable ? TColor(kArrow) : TColor(0xC0C0C0);
  cv.Brush.Color = arrow;
  cv.Pen.Color = arrow;
  const int a = std::max(upBox.width() - 6, 1), cy = (upBox.Top + upBox.Bottom) / 2;
  const TPoint up[] = {{upBox.Right - 3, cy}, {upBox.Right - 3 - a, cy - a}, {upBox.Right - 3 - a, cy + a}};
  const TPoint down[] = {{downBox.Left + 1, cy}, {downBox.Left + 1 + a, cy - a}, {downBox.Left + 1 + a, cy + a}};
  cv.Polygon(up);
  cv.Polygon(down);
  cv.Pen.Color = ink;
  const int x = valueToX(std::min(raw, max));
  if (x > thumbW + 1) {
    cv.Brush.Color = fenable ? static_cast<TColor>(TosDrawing::FadeColour(kArrow, 0xFFFFFF, 70)) : TColor(0xDCDCDC);
    cv.FillRect(Rect(thumbW + 1, 2, x, H - 2));
    cv.Brush.Style = bsClear;
    cv.Rectangle(box.Left, box.Top, x, box.Bottom);
    cv.Brush.Style = bsSolid;
  }
  thumb = Rect(x - 1, 0, x + thumbW, H);
  cv.Brush.Color = fenable ? TColor(kArrow) : TColor(0xC0C0C0);
  cv.Rectangle(thumb.Left, thumb.Top, thumb.Right, thumb.Bottom);
  if (fprohibit) {
    cv.Pen.Color = 0x0000FF;
    for (int y = 0; y < H; y += 3) {
      cv.MoveTo(0, y);
      cv.LineTo(H - y, H);
    }
  }
  Invalidate();
}

void TsliderLite::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  cv.Draw(0, 0, bm);
  if (HandleAllocated() && hasDesktop() && desktop().focus() == Handle()) {
    // The focus: a dotted frame round the track.
    cv.Brush.Style = bsClear;
    cv.Pen.Style = psDot;
    cv.Pen.Color = 0;
    cv.Rectangle(box.Left - 1, 0, box.Right + 1, Height());
    cv.Pen.Style = psSolid;
    cv.Brush.Style = bsSolid;
  }
}

void TsliderLite::keyDown(int key) {
  if (!fenable) return;
  const double page = std::max((max - min) / 10, fstep);
  double v = raw;
  switch (key) {
    case VK_LEFT: case VK_DOWN: v = raw - fstep; break;
    case VK_RIGHT: case VK_UP: v = raw + fstep; break;
    case VK_PRIOR: v = raw + page; break;
    case VK_NEXT: v = raw - page; break;
    case VK_HOME: v = min; break;
    case VK_END: v = max; break;
    default: return;
  }
  const double was = raw;
  setPosition(std::min(v, std::max(max, was)));
  if (raw != was && onChange) onChange(this);
}

LRESULT TsliderLite::WndProc(TMsg& m) {
  if (m.message == WM_SETFOCUS || m.message == WM_KILLFOCUS) Invalidate();
  return TQYcontrol::WndProc(m);
}

void TsliderLite::confine(bool on) {
  if (!hasDesktop() || !HandleAllocated()) return;
  if (!on) {
    desktop().clipCursor(0, nullptr);
    return;
  }
  const TPoint o = ClientToScreen(TPoint{box.Left, box.Top});
  const TRect r = Bounds(o.X, o.Y, box.width(), box.height());
  desktop().clipCursor(Handle(), &r);
}

void TsliderLite::mouseDown(TMouseButton b, int x, int y) {
  if (b != mbLeft || !fenable || !box.contains(TPoint{x, y})) return;
  setPosition(xToValue(x));
  dragging = true;
  confine(true);
}

void TsliderLite::mouseMove(int x, int y) {
  if (dragging) {
    setPosition(xToValue(x));
    if (onTrack) onTrack(this);
    return;
  }
  const TPoint p{x, y};
  SetCursor(box.contains(p) || upBox.contains(p) || downBox.contains(p) ? Cursor::Hand : Cursor::Default);
  if (fwithHint && box.contains(p)) {
    Hint = valueText(xToValue(x)) + units;
    ShowHint = true;
  } else {
    ShowHint = false;
  }
}

void TsliderLite::openPopup(int x, int y) {
  double v = raw;
  bool given = false;
  if (valuePopup) {
    given = valuePopup(this, ClientToScreen(TPoint{x, y}), v);
  } else {
    TvalueEdit ve;
    ve.min = min;
    ve.max = allowHigher ? 2147483647.0 : max;
    ve.decplaces = fdecplaces;
    ve.units = units;
    ve.value = raw;
    given = ve.execute() == mrOk;
    v = ve.value;
  }
  if (given) {
    setPosition(v);
    if (onChange) onChange(this);
  }
}

void TsliderLite::mouseUp(TMouseButton b, int x, int y) {
  if (b == mbRight) {
    openPopup(x, y);
    return;
  }
  const TPoint p{x, y};
  if (dragging) {
    setPosition(xToValue(x));
    dragging = false;
    confine(false);
    if (onChange) onChange(this);
  } else if (downBox.contains(p)) {
    setPosition(raw - fstep);
    if (onChange) onChange(this);
  } else if (upBox.contains(p)) {
    setPosition(raw + fstep);
    if (onChange) onChange(this);
  } else if (editBox.contains(p)) {
    openPopup(x, y);
  }
}

// ---- TVsplit ------------------------------------------------------------------------------------

using controlset::gp;

TVsplit::TVsplit(TWinControl* owner) : TCustomControl(owner) {
  colour = 0xFFFFFF;
  SetBounds(0, 0, gp(4), owner ? owner->Height() : gp(100));
  SetCursor(Cursor::SizeWE);
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int) {
    if (b == mbLeft) mouseDown(x);
  };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int) { mouseMove(x); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) { mouseUp(); };
}

TVsplit::~TVsplit() {
  if (fdragging && hasDesktop()) desktop().clipCursor(0, nullptr);
}

void TVsplit::mouseDown(int x) {
  fdragging = Enabled();
  startx = x;
  fdx = 0;
  if (hasDesktop() && HandleAllocated()) desktop().setCapture(Handle());
  if (onDrag) onDrag(this);
}

void TVsplit::mouseMove(int x) {
  if (!fdragging) {
    if (hasDesktop()) desktop().clipCursor(0, nullptr);
    return;
  }
  fdx = x - startx;
  if (range && hasDesktop() && HandleAllocated()) desktop().clipCursor(Handle(), range);
  if (onDrag) onDrag(this);
}

void TVsplit::mouseUp() {
  if (!fdragging) return;
  fdragging = false;
  if (hasDesktop()) {
    desktop().clipCursor(0, nullptr);
    if (HandleAllocated() && desktop().capture() == Handle()) desktop().releaseCapture();
  }
  if (onDrag) onDrag(this);
  if (onDragged) onDragged(this);
}

void TVsplit::Paint() {
  TCanvas& cv = Canvas();
  const int W = Width(), H = Height();
  colour = 0xDCDCDC;
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(colour);
  cv.FillRect(Rect(0, 0, W, H));
  cv.Pen.Width = 1;
  auto vline = [&](int x, int32_t c) {
    cv.Pen.Color = static_cast<TColor>(c);
    cv.MoveTo(x, 0);
    cv.LineTo(x, H);
  };
  if (W > 4) vline(0, TosDrawing::FadeColour(colour, 0xFFFFFF, 70));
  const int32_t shade25 = TosDrawing::FadeColour(colour, 0, 25);
  vline(W - 3, TosDrawing::FadeColour(colour, 0, 5));
  vline(W - 2, TosDrawing::FadeColour(colour, 0, 15));
  vline(W - 1, shade25);
  cv.Pen.Color = static_cast<TColor>(shade25);
  cv.MoveTo(0, H - 1);
  cv.LineTo(W, H - 1);
}

// ---- TdeadPanel ---------------------------------------------------------------------------------

TdeadPanel::TdeadPanel(TWinControl* owner) : TQYcontrol(owner) {}

void TdeadPanel::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(faceColour);
  cv.FillRect(ClientRect());
  if (Caption.empty()) return;
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Font.Color = static_cast<TColor>(fontColour);
  if (fontman) fontman->VCentredText(cv, 0, 0, Height(), Caption);
  else cv.TextOut(0, (Height() - cv.TextHeight(Caption)) / 2, Caption);
}
