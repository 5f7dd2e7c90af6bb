// The World map page's two panels: the hover panel with local time, country and zone, and the
// time query with its day-long time line in quarter hours.
#include <algorithm>
#include <array>
#include <cmath>

#include "clock/r_SunHD2.h"
#include "core/os_drawing.h"
#include "core/r_date.h"
#include "platform/numbers.h"
#include "platform/windows.h"

using namespace platform;

namespace {
int gp(double n) { return os ? os->gp(n) : static_cast<int>(Round(n)); }
int rnd(double v) { return static_cast<int>(Round(v)); }
constexpr const char* kFooter = "Click anywhere on the time line to select a new time.";
bool isMultiZoneCountry(const std::string& c) {
  for (const char* n : {"USA", "Alaska", "Canada", "Russia", "Brazil", "Australia"})
    if (c == n) return true;
  return false;
}
std::string clockText(TDateTime dt, bool ampm) {
  if (!dateman) return {};
  return ampm ? dateman->TimeStrDTampm(dt, false) : dateman->TimeStrDT(dt, false);
}
}  // namespace

// ---- TsunOver -------------------------------------------------------------------------------------

TsunOver::TsunOver(TsunHD2* owner) : TQYcontrol(owner), page(owner) {
  // Pointer moves over the panel belong to the map under it.
  OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) {
    if (page) page->mouseMove(x + Left(), y + Top(), (s & ssLeft) != 0);
  };
}

TsunOver::~TsunOver() = default;

void TsunOver::setTz(const std::string& name) {
  if (name == ftz) return;
  ftz = name;
  changed = true;
}

void TsunOver::setCountry(const std::string& name) {
  if (name == fcountry) return;
  fcountry = name;
  changed = true;
}

void TsunOver::setGmt(TDateTime moment) {
  fgmt = moment;
  const DateParts d = decodeDateTime(moment);
  const int h = d.hour, m = d.minute;
  if (h != hour || m != min) {
    hour = h;
    min = m;
    changed = true;
  }
}

void TsunOver::update(int x, int y) {
  if (ftz.empty()) {
    Hide();
    return;
  }
  if (changed) {
    multiZone = isMultiZoneCountry(fcountry);
    dt = dateman ? dateman->localtimeFromName(ftz, fgmt) : fgmt;
    s1 = clockText(dt, sunLite && sunLite->getAmPm());
    if (fcountry.empty()) fcountry = ftz;
    TBitmap bm;
    bm.SetSize(1, 1);
    TCanvas& cv = bm.Canvas();
    cv.Font.setName("Calibri");
    cv.Font.setHeight(-fontSize);
    int w = std::max(cv.TextWidth(s1), cv.TextWidth(countryShown()));
    if (multiZone) w = std::max(w, cv.TextWidth(ftz));
    SetBounds(Left(), Top(), rnd(fontSize * 1.5 + w), fontSize * (multiZone ? 4 : 3));
    changed = false;
    Invalidate();
  }
  const int left = x + Width() + 4 > parentWidth ? x - Width() - 4 : x + 4;
  SetBounds(left, y - Height(), Width(), Height());
  Show();
  BringToFront();
}

void TsunOver::Paint() {
  TCanvas& cv = Canvas();
  TDeviceContext* dc = cv.Handle();
  if (!dc) return;
  const bool morning = std::fabs(Frac(dt)) < 0.5;
  cv.Brush.Color = morning ? 0x500000 : 0x000080;
  cv.Pen.Color = clWhite;
  cv.Rectangle(ClientRect());
  dc->setBkMode(BkMode::Transparent);
  cv.Font.setName("Calibri");
  cv.Font.setHeight(-fontSize);
  cv.Font.Color = clWhite;
  const int f = fontSize, m = f / 2;
  cv.TextOut(m, m - f / 4, s1);
  cv.TextOut(m, rnd(f * 1.6) - f / 4, countryShown());
  if (multiZone) cv.TextOut(m, rnd(f * 2.7) - f / 4, ftz);
}

// ---- TfixedTime ------------------------------------------------------------------------------------

TfixedTime::TfixedTime(TsunHD2* owner, int screenwidth) : TQYcontrol(owner), page(owner) {
  screenf = screenwidth / 1920.0;
  closeBut = std::make_unique<Tbutton>(this);
  closeBut->setCaption("Close");
  closeBut->Hide();
  closeBut->onClick = [this](TQYbutton* b) { doClick(b); };
  OnResize = [this](TWinControl*) { layout(); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b == mbLeft) mouseDown(x, y);
  };
  OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) { mouseMove(x, y, (s & ssLeft) != 0); };
  OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b == mbLeft) mouseUp(x, y);
  };
  SetBounds(0, 0, gp(978 * screenf), gp(116 * screenf));
  layout();
}

TfixedTime::~TfixedTime() = default;

void TfixedTime::layout() {
  const double s = screenf;
  box = Rect(gp(8 * s), gp(30 * s), gp(8 * s) + gp(960 * s) + 1, gp(94 * s));
  closeBox = Rect(Width() - gp(18 * s), 2, Width() - 2, gp(18 * s));
}

std::string TfixedTime::heading() const {
  return "Time Query  -  " + homeplace + " local time:  " + clockText(localDt, sunLite && sunLite->getAmPm());
}

void TfixedTime::setHeadingFont(TCanvas& cv) const {
  cv.Font.setName(os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"));
  cv.Font.setSize(os ? os->fontsize(14 * screenf) : 14);
}

void TfixedTime::setLineFont(TCanvas& cv) const {
  cv.Font.setName(os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"));
  cv.Font.setSize(os ? rnd(os->fontsize() * screenf) : 8);
}

// The heading stands above the time line and the footer below it, each moved in where a small
// screen's sizes would have them cross the line or the panel's edge.
TRect TfixedTime::headingRect() {
  TCanvas& cv = Canvas();
  setHeadingFont(cv);
  const std::string t = heading();
  const int th = cv.TextHeight(t);
  const int top = std::max(1, std::min(gp(8 * screenf), box.Top - 1 - th));
  return Rect(box.Left, top, box.Left + cv.TextWidth(t), top + th);
}

TRect TfixedTime::footerRect() {
  TCanvas& cv = Canvas();
  setLineFont(cv);
  const std::string t = kFooter;
  const int th = cv.TextHeight(t);
  const int top = std::max(box.Bottom + 1, std::min(box.Bottom + gp(10 * screenf) - th / 4, Height() - 1 - th));
  return Rect(box.Left, top, box.Left + cv.TextWidth(t), top + th);
}

void TfixedTime::setTime(TDateTime gmt) {
  SetCursor(Cursor::Wait);
  if (over) over->setGmt(gmt);
  localDt = dateman && !hometz.empty() ? dateman->localtimeFromName(hometz, gmt) : gmt;
  if (sunLite) {
    sunLite->ob->setDT(gmt);
    const bool was = sunLite->supressShadowUpdate;
    sunLite->supressShadowUpdate = true;
    sunLite->refreshImage(RefreshBy::FixedTime);
    sunLite->supressShadowUpdate = was;
  }
  if (page) page->Repaint();
  Invalidate();
  SetCursor(Cursor::Default);
}

void TfixedTime::placeCursor() {
  if (!hasDesktop() || !HandleAllocated()) return;
  desktop().backend().warpCursor(ClientToScreen(TPoint{(box.Left + box.Right) / 2, box.Top + 4}));
}

void TfixedTime::mouseDown(int x, int y) {
  draggingTime = box.contains(TPoint{x, y});
  downx = x;
  downy = y;
}

void TfixedTime::mouseMove(int x, int y, bool held) {
  if (draggingTime && held) {
    const double c = std::clamp(static_cast<double>(x - box.Left) / (box.Right - box.Left), 0.0, 1.0);
    // The marker stays on the chosen day: the last quarter is 23:45, never the next midnight.
    localDt = std::floor(localDt) + std::min(static_cast<double>(Round(c * 96)), 95.0) / 96.0;
    Invalidate();
    return;
  }
  const TPoint p{x, y};
  SetCursor(box.contains(p) || closeBox.contains(p) ? Cursor::Hand : Cursor::Arrow);
}

void TfixedTime::mouseUp(int x, int /*y*/) {
  if (draggingTime) {
    const double c = std::clamp(static_cast<double>(x - box.Left) / (box.Right - box.Left), 0.0, 95.0 / 96.0);
    localDt = std::floor(localDt) + static_cast<double>(Round(c * 96)) / 96.0;
    const TDateTime gmt = dateman && !hometz.empty() ? dateman->GMTfromLocalTime(hometz, localDt) : localDt;
    draggingTime = false;
    setTime(gmt);
    return;
  }
  doClick(closeBut.get());
}

void TfixedTime::doClick(TWinControl* sender) {
  if (sender != closeBut.get()) return;
  Hide();
  if (dateman) setTime(dateman->getgmtDt());
  if (os)
    os->delay(10, [this, alive = std::weak_ptr<bool>(falive)](TtrailSource*) {
      if (!alive.expired() && onclose) onclose();
    });
  else if (onclose)
    onclose();
}

void TfixedTime::Paint() {
  TCanvas& cv = Canvas();
  TDeviceContext* dc = cv.Handle();
  if (!dc) return;
  const double s = screenf;
  cv.Pen.Color = clBlack;
  cv.Brush.Color = static_cast<TColor>(TosDrawing::FadeColour(dlgColour, 0, 50));
  cv.Rectangle(ClientRect());
  dc->setBkMode(BkMode::Transparent);
  cv.Pen.Color = clWhite;
  cv.Pen.Width = 2;
  cv.MoveTo(closeBox.Left + 3, closeBox.Top + 3);
  cv.LineTo(closeBox.Right - 3, closeBox.Bottom - 3);
  cv.MoveTo(closeBox.Right - 3, closeBox.Top + 3);
  cv.LineTo(closeBox.Left + 3, closeBox.Bottom - 3);
  cv.Pen.Width = 1;
  const TRect head = headingRect(), foot = footerRect();
  setHeadingFont(cv);
  cv.Font.Color = clWhite;
  cv.TextOut(head.Left, head.Top, heading());

  TRect b = box;
  b.Bottom -= gp(4 * s);
  cv.Brush.Color = clWhite;
  cv.FillRect(b);
  setLineFont(cv);
  cv.Font.Color = clBlack;
  dc->setBkMode(BkMode::Transparent);  // a solid brush leaves the background opaque
  cv.Pen.Color = clBlack;
  const int y0 = (b.Top + b.Bottom) / 2;
  cv.MoveTo(b.Left, y0);
  cv.LineTo(b.Right, y0);
  for (int i = 0; i <= 96; ++i) {
    const int x = b.Left + gp(10 * i * s);
    int t = gp(4 * s);
    if (i % 4 == 0) {
      t = gp(8 * s);
      const int h = i / 4;
      if (h >= 1 && h <= 23) {
        const std::string n = std::to_string(h);
        const int th = cv.TextHeight(n);
        cv.TextOut(x - cv.TextWidth(n) / 2, y0 - t - 2 - th, n);
        if (h % 3 == 0) {
          const std::string l = h == 12 ? "NOON" : h < 12 ? std::to_string(h) + "am" : std::to_string(h - 12) + "pm";
          cv.TextOut(x - cv.TextWidth(l) / 2, y0 + t + 2, l);
        }
      }
    }
    cv.MoveTo(x, y0 - t);
    cv.LineTo(x, y0 + t);
  }
  const int mx = b.Left + rnd(gp(960 * s) * Frac(localDt));
  const int t = gp(8 * s);
  cv.Brush.Color = clRed;
  cv.Pen.Style = psClear;
  std::array<TPoint, 3> tri{TPoint{mx, b.Bottom - t}, TPoint{mx + t, b.Bottom}, TPoint{mx - t, b.Bottom}};
  cv.Polygon(tri);
  cv.Pen.Style = psSolid;
  dc->setBkMode(BkMode::Transparent);
  cv.Font.Color = clWhite;
  cv.TextOut(foot.Left, foot.Top, kFooter);
}
