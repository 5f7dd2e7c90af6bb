// TScrollBar of controls.h: a scroll bar drawn by the program, with arrows, a proportional thumb,
// page steps on the track that repeat while the button is held, thumb dragging and the wheel.
#include <algorithm>

#include "platform/controls.h"

namespace platform {

namespace {
constexpr uint32_t kFirstRepeatMs = 350;  // a held arrow or track repeats after this pause
constexpr uint32_t kRepeatMs = 50;
constexpr int kMinThumb = 8;
constexpr TColor kTrack = 0xF0F0F0;
constexpr TColor kFace = 0xC8C8C8;
constexpr TColor kInk = 0x606060;
constexpr TColor kInkDisabled = 0xB0B0B0;
}  // namespace

TScrollBar::TScrollBar(TWinControl* parent, Kind k) : TCustomControl(parent), fkind(k) {
  Color = kTrack;
  SetBounds(0, 0, k == Kind::Vertical ? 17 : 100, k == Kind::Vertical ? 100 : 17);
  if (parent) HandleNeeded();
}

TScrollBar::~TScrollBar() {
  if (frepeat != 0 && hasDesktop()) desktop().killTimer(0, frepeat);
}

int TScrollBar::maxPosition() const { return std::max(fmin, fpage > 0 ? fmax - fpage + 1 : fmax); }

void TScrollBar::SetParams(int min, int max, int pageSize) {
  fmin = min;
  fmax = std::max(min, max);
  fpage = std::clamp(pageSize, 0, fmax - fmin + 1);
  fpos = std::clamp(fpos, fmin, maxPosition());
  Invalidate();
}

void TScrollBar::SetPosition(int p) {
  p = std::clamp(p, fmin, maxPosition());
  if (p == fpos) return;
  fpos = p;
  Invalidate();
}

int TScrollBar::length() const { return fkind == Kind::Vertical ? Height() : Width(); }
int TScrollBar::thickness() const { return fkind == Kind::Vertical ? Width() : Height(); }

TRect TScrollBar::lowArrow() const {
  const int a = std::min(thickness(), length() / 2);
  return fkind == Kind::Vertical ? Rect(0, 0, Width(), a) : Rect(0, 0, a, Height());
}

TRect TScrollBar::highArrow() const {
  const int a = std::min(thickness(), length() / 2);
  return fkind == Kind::Vertical ? Rect(0, Height() - a, Width(), Height()) : Rect(Width() - a, 0, Width(), Height());
}

TRect TScrollBar::thumbRect() const {
  const int a = std::min(thickness(), length() / 2);
  const int track = length() - 2 * a;
  const int range = fmax - fmin + 1;
  if (track <= 0 || !Enabled()) return {};
  int len = fpage > 0 ? static_cast<int>(static_cast<int64_t>(track) * fpage / std::max(range, 1)) : thickness();
  len = std::clamp(len, std::min(kMinThumb, track), track);
  const int span = maxPosition() - fmin;
  const int at = a + (span > 0 ? static_cast<int>(static_cast<int64_t>(track - len) * (fpos - fmin) / span) : 0);
  return fkind == Kind::Vertical ? Rect(0, at, Width(), at + len) : Rect(at, 0, at + len, Height());
}

void TScrollBar::userMove(int pos, int code) {
  pos = std::clamp(pos, fmin, maxPosition());
  const bool moved = pos != fpos;
  fpos = pos;
  if (moved) Invalidate();
  if (OnScroll) OnScroll(this, code, fpos);
  if (moved && OnChange) OnChange(this);
}

void TScrollBar::wheel(int delta) {
  const int notches = delta / 120 != 0 ? delta / 120 : (delta > 0 ? 1 : -1);
  userMove(fpos - notches * 3 * std::max(SmallChange, 1), notches > 0 ? SB_LINEUP : SB_LINEDOWN);
}

void TScrollBar::pressAt(int x, int y) {
  const TPoint p{x, y};
  const TRect t = thumbRect();
  if (lowArrow().contains(p)) fpressCode = SB_LINEUP;
  else if (highArrow().contains(p)) fpressCode = SB_LINEDOWN;
  else if (t.contains(p)) fpressCode = SB_THUMBTRACK;
  else if (!t.isEmpty()) fpressCode = along(x, y) < along(t.Left, t.Top) ? SB_PAGEUP : SB_PAGEDOWN;
  else fpressCode = -1;
  fpressAt = p;
  if (fpressCode == SB_THUMBTRACK) {
    fdragging = true;
    fdragOffset = along(x, y) - along(t.Left, t.Top);
    return;
  }
  repeat();
  if (fpressCode >= 0 && hasDesktop())
    frepeat = desktop().setTimer(kFirstRepeatMs, [this] {
      desktop().killTimer(0, frepeat);
      frepeat = desktop().setTimer(kRepeatMs, [this] { repeat(); });
      repeat();
    });
}

void TScrollBar::repeat() {
  switch (fpressCode) {
    case SB_LINEUP: userMove(fpos - SmallChange, SB_LINEUP); break;
    case SB_LINEDOWN: userMove(fpos + SmallChange, SB_LINEDOWN); break;
    case SB_PAGEUP:
    case SB_PAGEDOWN: {
      // A page step stops once the thumb has come under the pointer.
      const TRect t = thumbRect();
      const int at = along(fpressAt.X, fpressAt.Y);
      if (fpressCode == SB_PAGEUP && at >= along(t.Left, t.Top)) return;
      if (fpressCode == SB_PAGEDOWN && at < along(t.Right, t.Bottom)) return;
      const int step = std::max(LargeChange, fpage > 0 ? fpage : 1);
      userMove(fpos + (fpressCode == SB_PAGEUP ? -step : step), fpressCode);
      break;
    }
    default: break;
  }
}

LRESULT TScrollBar::WndProc(TMsg& m) {
  const int x = GET_X_LPARAM(m.lParam), y = GET_Y_LPARAM(m.lParam);
  switch (m.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      TCustomControl::WndProc(m);  // capture
      pressAt(x, y);
      return 0;
    case WM_MOUSEMOVE:
      if (fdragging) {
        const int a = std::min(thickness(), length() / 2);
        const TRect t = thumbRect();
        const int len = fkind == Kind::Vertical ? t.height() : t.width();
        const int free = length() - 2 * a - len;
        const int at = along(x, y) - fdragOffset - a;
        const int span = maxPosition() - fmin;
        const int pos = free > 0 ? fmin + static_cast<int>((static_cast<int64_t>(std::clamp(at, 0, free)) * span + free / 2) / free) : fmin;
        userMove(pos, SB_THUMBTRACK);
      }
      return TCustomControl::WndProc(m);
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (frepeat != 0) desktop().killTimer(0, frepeat);
      frepeat = 0;
      if (fdragging) {
        fdragging = false;
        if (OnScroll) OnScroll(this, SB_THUMBPOSITION, fpos);
      }
      if (fpressCode >= 0 && OnScroll) OnScroll(this, SB_ENDSCROLL, fpos);
      fpressCode = -1;
      return TCustomControl::WndProc(m);
    case WM_MOUSEWHEEL:
      if (OnMouseWheel) return TCustomControl::WndProc(m);
      wheel(GET_WHEEL_DELTA_WPARAM(m.wParam));
      return 1;
    default: return TCustomControl::WndProc(m);
  }
}

void TScrollBar::Paint() {
  TCanvas& cv = Canvas();
  const int W = Width(), H = Height();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = kTrack;
  cv.FillRect(Rect(0, 0, W, H));
  const TColor ink = Enabled() && fmax > fmin ? kInk : kInkDisabled;
  cv.Pen.Width = 1;
  auto arrow = [&](TRect r, bool low) {
    cv.Brush.Color = kTrack;
    cv.Pen.Color = kFace;
    cv.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    const int a = std::max(2, std::min(r.width(), r.height()) / 4);
    cv.Brush.Color = ink;
    cv.Pen.Color = ink;
    if (fkind == Kind::Vertical) {
      const int tip = low ? cy - a / 2 : cy + a / 2, base = low ? tip + a : tip - a;
      const TPoint t[] = {{cx, tip}, {cx - a, base}, {cx + a, base}};
      cv.Polygon(t);
    } else {
      const int tip = low ? cx - a / 2 : cx + a / 2, base = low ? tip + a : tip - a;
      const TPoint t[] = {{tip, cy}, {base, cy - a}, {base, cy + a}};
      cv.Polygon(t);
    }
  };
  arrow(lowArrow(), true);
  arrow(highArrow(), false);
  const TRect t = thumbRect();
  if (!t.isEmpty() && fmax > fmin) {
    cv.Brush.Color = kFace;
    cv.Pen.Color = 0xA0A0A0;
    cv.Rectangle(t.Left + 1, t.Top + 1, t.Right - 1, t.Bottom - 1);
  }
}

}  // namespace platform
