// Display scaling of the services object (os_scaling.h). Rounding is halves to even; font sizes
// are truncated toward zero.
#include "core/os_scaling.h"

#include <algorithm>
#include <cmath>

#include "platform/numbers.h"
#include "platform/windows.h"

double uiMagnify = 1.0;

namespace {
constexpr uint32_t wm_rescale = 0x8001;  // posted to a button that re-measures itself
constexpr double kDefaultPpmm = 96.0 / 25.4;
}  // namespace

TfontFacts& fontFacts() {
  static TfontFacts f;
  return f;
}

// ---------------------------------------------------------------------------------------------
// TscreenInfo2

void TscreenInfo2::refresh() {
  auto d = platform::desktop().backend().displays();
  platform::TDisplay const* p = d.empty() ? nullptr : &d.front();
  for (auto const& x : d)
    if (x.primary) {
      p = &x;
      break;
    }
  pixwidth = p ? p->box.width() : 1920;
  pixheight = p ? p->box.height() : 1080;
  // A display without millimetres is taken at 96 DPI rather than divided by zero.
  mmwidth = p && p->mmWidth > 0 ? p->mmWidth : pixwidth / kDefaultPpmm;
  mmheight = p && p->mmHeight > 0 ? p->mmHeight : pixheight / kDefaultPpmm;
  ppmm = mmwidth > 0 ? pixwidth / mmwidth : kDefaultPpmm;
}

int TscreenInfo2::px(double mm) const {
  const int v = platform::Round32(mm * ppmm * magnify);
  return v == 0 && mm > 0 ? 1 : v;
}

int TscreenInfo2::fontSize(std::string const& fontname, double mm) const {
  double top = 0.25, base = 0;
  const double f = fontFacts().fontfactor ? fontFacts().fontfactor(fontname, top, base) : 1.0;
  return px(mm * f * 1.05);
}

// ---------------------------------------------------------------------------------------------
// TosScaling

TosScaling::TosScaling() = default;
TosScaling::~TosScaling() = default;

double TosScaling::fontMagnification() const {
  return monitors ? fffontMagnification * monitors->screenInfo().fontMagnifier() : fffontMagnification;
}

double TosScaling::gpd(double px) const {
  double v = fontMagnification() * px / fcorrect * uiMagnify * userFontMagnification;
  if (fauto != 0) v *= std::fabs(fauto);
  return v;
}

int TosScaling::gp(double px) const { return platform::Round32(gpd(px)); }

int TosScaling::growPixels(int px) const { return gp(static_cast<double>(px)); }

int TosScaling::shrinkPixels(int px) const {
  return platform::Round32(px / fontMagnification() * fcorrect / uiMagnify);
}

int TosScaling::pixels(double mms) const {
  const int v = platform::Round32(screenPPMM() * mms);
  return v == 0 && mms > 0 ? 1 : v;
}

int TosScaling::fontsize(double height) const {
  const double factor = ffontname == "Lato" || ffontname == "Tahoma" ? fontTypeFactor * 1.05 : fontTypeFactor;
  return fontsize(factor, height);
}

int TosScaling::fontsize(double factor, double height) const {
  return platform::Trunc32(fontMagnification() * (factor * height) / fcorrect * uiMagnify * userFontMagnification);
}

int TosScaling::fontsize(std::string const& name, double height) {
  const std::string keep = ffontname;
  setfontname(name);
  const int v = fontsize(height);
  setfontname(keep);
  return v;
}

int TosScaling::fontsize() const { return std::max(fontsize(8.0), 5); }

int TosScaling::ArialFontSize(double height) const {
  double v = fontMagnification() * height / fcorrect * uiMagnify * userFontMagnification;
  if (fauto != 0) v *= std::fabs(fauto);
  return platform::Trunc32(v);
}

double TosScaling::screenPPMM() const { return fppmm / fcorrect; }

double TosScaling::screenDPI() {
  if (forceDpi != 0) {
    fffontMagnification = 1;
    fcorrect = 1;
    return 96.0;
  }
  if (ffdpi == 0) {
    // The primary monitor's raw DPI, measured once.
    auto d = platform::desktop().backend().displays();
    HMONITOR primary = 0;
    for (size_t i = 0; i < d.size(); ++i)
      if (d[i].primary) {
        primary = static_cast<HMONITOR>(i);
        break;
      }
    ffdpi = std::max(getdPI(primary), 96);
    fffontMagnification = ffdpi / 96.0;
  }
  return std::max(ffdpi, 96) / fcorrect;
}

void TosScaling::setfontname(std::string name) {
  auto& f = fontFacts();
  auto screenFont = [&](std::string const& n) { return !n.empty() && (!f.isScreenFont || f.isScreenFont(n)); };
  if (!screenFont(name)) {
    if (!fdeffontname.empty()) name = fdeffontname;
    if (f.getFontName) name = f.getFontName(name);
    if (!screenFont(name)) name = f.menuFontName ? f.menuFontName() : std::string("DejaVu Sans");
  }
  ffontname = name;
  double top = 0.25, base = 0;
  fontTypeFactor = f.fontfactor ? f.fontfactor(name, top, base) : 1.0;
  fontTypeTopFactor = top;
  fontTypeBaseline = base;
}

void TosScaling::setstatus(std::string const& s) {
  fstatusStr = s;
  if (onStatus) onStatus(this);
}

void TosScaling::RescaleControl(platform::TWinControl* win) {
  if (!win) return;
  auto kids = win->Controls();
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    platform::TWinControl* c = *it;
    // Buttons re-measure their fonts and sizes when the message arrives. Label, list, grid and
    // check-box fonts follow once the canvas carries fonts.
    if (c->frameworkClass() == "TQYbutton") platform::desktop().postMessage(c->Handle(), wm_rescale);
    RescaleControl(c);
  }
}

int TosScaling::hitbox(platform::TRect const& b, int x, int y, int s, platform::Cursor& cursor) {
  using platform::Rect;
  const platform::TPoint p{x, y};
  cursor = platform::Cursor::Default;
  if (!Rect(b.Left - s, b.Top - s, b.Right + s, b.Bottom + s).contains(p)) return 0;
  int code = 0;
  if (Rect(b.Left - s, b.Top - s, b.Right + s, b.Top + s).contains(p)) code += 1;
  if (Rect(b.Left - s, b.Top - s, b.Left + s, b.Bottom + s).contains(p)) code += 2;
  if (Rect(b.Left - s, b.Bottom - s, b.Right + s, b.Bottom + s).contains(p)) code += 4;
  if (Rect(b.Right - s, b.Top - s, b.Right + s, b.Bottom + s).contains(p)) code += 8;
  if (b.contains(p)) code += 512;
  if (code == 512) {
    cursor = platform::Cursor::SizeAll;
  } else {
    switch (code & 15) {
      case 1: case 4: cursor = platform::Cursor::SizeNS; break;
      case 2: case 8: cursor = platform::Cursor::SizeWE; break;
      case 3: case 12: cursor = platform::Cursor::SizeNWSE; break;
      case 6: case 9: cursor = platform::Cursor::SizeNESW; break;
      default: break;
    }
  }
  return code;
}

int TosScaling::hitbox(platform::TRect const& box, int x, int y, int snap) {
  platform::Cursor c;
  return hitbox(box, x, y, snap, c);
}

platform::TRect TosScaling::workarea() const {
  auto d = platform::desktop().backend().displays();
  if (d.empty()) return platform::Rect(0, 0, 1920, 1080);
  platform::TRect r = d.front().workArea;
  if (useAllMonitors)
    for (auto const& x : d) {
      r.Left = std::min(r.Left, x.workArea.Left);
      r.Top = std::min(r.Top, x.workArea.Top);
      r.Right = std::max(r.Right, x.workArea.Right);
      r.Bottom = std::max(r.Bottom, x.workArea.Bottom);
    }
  return r;
}

void TosScaling::setdesignWidth(int width) {
  if (width <= 0) {
    fauto = 0;
    return;
  }
  auto d = platform::desktop().backend().displays();
  int w = d.empty() ? 1920 : d.front().box.width();
  for (auto const& x : d)
    if (x.primary) w = x.box.width();
  fauto = w / 1920.0;
}

void TosScaling::UseWindowsfontScaling() {
  fauto = -(platform::desktop().backend().logicalDpi() / 96.0);
}
