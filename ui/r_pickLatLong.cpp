// The latitude and longitude entry of the control set.
#include "ui/r_pickLatLong.h"

#include <cmath>

#include "core/Tunits.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_modal.h"

using namespace platform;
using namespace controlset;

namespace {
std::string num(double v, int dec) { return os ? os->DoubleToStr(v, dec) : std::to_string(v); }
bool readNumber(const std::string& t, double& d) { return os && !t.empty() && os->StrToDouble(t, d) && std::isfinite(d); }
}  // namespace

TPickLatLong::TPickLatLong(TWinControl* owner) : TCustomControl(owner) {
  SetCursor(Cursor::Hand);
  Color = clWhite;
  SetBounds(Left(), Top(), Width(), gp(114));
  OnClick = [this](TWinControl*) { doClick(this); };
  degEdit = std::make_unique<Tedit>(this);
  degEdit->delay = 500;
  minedit = std::make_unique<Tedit>(this);
  secEdit = std::make_unique<Tedit>(this);
  for (Tedit* e : {degEdit.get(), minedit.get(), secEdit.get()}) e->onChange = [this](Tedit* x) { doClick(x); };
  minusBox = std::make_unique<TcheckBox>(this);
  minusBox->setColour(fcolour);
  minusBox->onClick = [this](TcheckBox* b) { doClick(b); };
  OnResize = [this](TWinControl*) { doResize(); };
  doResize();
  setangle(0);
}

TPickLatLong::~TPickLatLong() = default;

int TPickLatLong::sz(int n) const { return static_cast<int>(Round(gp(n) * magnify)); }

void TPickLatLong::setangle(double x) {
  // Not an angle: shown as 0, the hemisphere following the sign as for any other value.
  fpositive = !(x < 0) || std::isnan(x);
  if (!std::isfinite(x) || std::abs(x) > 360) x = fpositive ? 0.0 : -0.0;
  fdecdegrees = x;
  const int64_t ms = static_cast<int64_t>(Round(std::abs(x) * 3600000.0));
  fseconds = static_cast<double>(ms % 60000) / 1000.0;
  fdecMinutes = static_cast<double>(ms % 3600000) / 60000.0;
  fminutes = static_cast<int>((ms / 60000) % 60);
  fdegrees = static_cast<int>(ms / 3600000);
  fillEdits(true, true, true);
  minusBox->setChecked(!fpositive);
  Invalidate();
}

void TPickLatLong::fillEdits(bool deg, bool min, bool sec) {
  const bool byFormat = decplaces < 1;
  if (deg) degEdit->setText(num(std::abs(fdecdegrees), byFormat ? 6 : decplaces + 1));
  if (min) minedit->setText(num(fdecMinutes, byFormat ? 5 : decplaces));
  if (sec) secEdit->setText(num(fseconds, byFormat ? 3 : decplaces));
}

void TPickLatLong::doResize() {
  int y = title.empty() ? sz(20) : sz(36);
  degEdit->SetBounds(sz(4), y, sz(60), sz(20));
  y += sz(24);
  minedit->SetBounds(sz(29), y, sz(60), sz(20));
  y += sz(24);
  secEdit->SetBounds(sz(54), y, sz(60), sz(20));
  y += sz(24);
  minusBox->setCaption(fNS ? word("projection", "South") : word("projection", "West"));
  minusBox->SetBounds(sz(4), y, std::max(Width() - sz(8), 1), sz(18));
  fh = y + sz(20);
  for (Tedit* e : {degEdit.get(), minedit.get(), secEdit.get()}) e->setValid(true);
  fillEdits(true, true, true);
  secEdit->SetVisible(fformat == u_degreesminsec);
  // The edits belong to the dialog; the compact field only shows the text, unless it has no
  // dialog and is edited in place.
  const bool open = dlg != nullptr || !withDlg;
  for (TWinControl* c : {static_cast<TWinControl*>(degEdit.get()), static_cast<TWinControl*>(minedit.get()),
                         static_cast<TWinControl*>(minusBox.get())})
    c->SetVisible(open);
  secEdit->SetVisible(open && fformat == u_degreesminsec);
}

std::string TPickLatLong::angleText() const {
  if (!units) return num(fdecdegrees, 6);
  const int dec = decplaces != 0 ? decplaces : fformat == u_degrees ? 6 : fformat == u_degreesmin ? 5 : 3;
  return fNS ? units->NorthSouthStr(fdecdegrees, fformat, dec, Tunits::Compass::Long)
             : units->EastWestStr(fdecdegrees, fformat, dec, Tunits::Compass::Long);
}

void TPickLatLong::changed() {
  Invalidate();
  if (onChange) onChange(this);
}

void TPickLatLong::editChanged(Tedit* e) {
  const int caret = e->caret();
  double v = 0;
  const bool read = readNumber(e->text(), v);
  const double sign = fpositive ? 1.0 : -1.0;
  if (e == degEdit.get()) {
    if (!read || std::abs(v) > (fNS ? 90.0 : 180.0)) return;
    const std::string keep = e->text();
    setangle(std::abs(v) * sign);
    e->setText(keep);  // the typing stays as typed
    changed();
  } else if (e == minedit.get()) {
    const bool ok = read && v >= 0 && v < 60;
    e->setValid(ok);
    if (!ok) return;
    const std::string keep = e->text();
    setangle((fdegrees + v / 60.0) * sign);
    e->setText(keep);
    changed();
  } else if (e == secEdit.get()) {
    if (!read || v < 0 || v >= 60) return;
    const std::string keep = e->text();
    setangle((fdegrees + fminutes / 60.0 + v / 3600.0) * sign);
    e->setText(keep);
    changed();
  }
  e->setSel(caret, 0);
}

void TPickLatLong::doClick(void* sender) {
  if (sender == this) {
    if (dlg || !fenabled || !withDlg) return;
    const TPoint at = ClientToScreen(TPoint{0, 0});
    const int w = Width();
    TWinControl* home = Parent();
    // What the dialog opens with: Cancel puts all of it back.
    const double keepAngle = fdecdegrees;
    const std::string keepDeg = degEdit->text(), keepMin = minedit->text(), keepSec = secEdit->text();
    TQYdlg d(this);
    dlg = &d;
    SetBounds(Left(), Top(), gp(300), fh);
    minusBox->setColour(0xEAC8AC);
    d.Caption = fNS ? word("units", "Latitude") : word("units", "Longitude");
    d.onPreShow = [this](TQYdlg*) {
      minusBox->setColour(dlgColour);
      minusBox->redrawBitmap();
      doResize();
      Invalidate();
    };
    const int r = d.showModal(Rect(at.X, at.Y, at.X, at.Y), this);
    dlg = nullptr;
    if (r == mrCancel) {
      // Typing still waiting for its pause must not change the angle after the Cancel.
      for (Tedit* e : {degEdit.get(), minedit.get(), secEdit.get()}) e->dropPendingChange();
      setangle(keepAngle);
      degEdit->setText(keepDeg);
      minedit->setText(keepMin);
      secEdit->setText(keepSec);
      if (onChange) onChange(this);  // the page shows the restored value
    }
    if (home && Parent() != home) SetParent(home);
    Show();
    const TPoint p = home ? home->ScreenToClient(at) : at;
    SetBounds(p.X, p.Y, w, gp(static_cast<int>(Round(18 * magnify))));
    doResize();
    if (onResult) onResult(this);
    return;
  }
  if (sender == minusBox.get()) {
    fpositive = !minusBox->checked();
    fdecdegrees = fpositive ? std::abs(fdecdegrees) : -std::abs(fdecdegrees);
    changed();
    return;
  }
  if (auto* e = static_cast<Tedit*>(sender); e == degEdit.get() || e == minedit.get() || e == secEdit.get()) editChanged(e);
}

void TPickLatLong::setColour(int32_t c) {
  fcolour = c;
  minusBox->setColour(c);
  Invalidate();
}

void TPickLatLong::setEnabled(bool v) {
  fenabled = v;
  SetEnabled(v);
  Invalidate();
}

void TPickLatLong::setbounds(int left, int top, int width, int height) {
  SetBounds(left, top, width, height);
  fbounds = BoundsRect();
}

void TPickLatLong::Paint() {
  try {
    TQYcontrol::Paint();
    TCanvas& cv = Canvas();
    cv.Font.setName(programFace());
    cv.Font.setSize(static_cast<int>(Round(fontSize() * magnify)));
    cv.Brush.Color = static_cast<TColor>(fcolour);
    cv.Brush.Style = bsSolid;
    cv.Font.Color = fenabled ? TColor(0) : TColor(0xC0C0C0);
    cv.Handle()->setBkMode(BkMode::Transparent);
    const bool open = dlg != nullptr;
    if (!open) {
      cv.Pen.Color = 0xA0A0A0;
      cv.Rectangle(0, 0, Width(), Height());
    } else {
      cv.Brush.Color = static_cast<TColor>(dlgColour);
      cv.FillRect(ClientRect());
    }
    int y = gp(4);
    if (!title.empty() && fontman) {
      cv.Font.setStyle(fsBold);
      fontman->TopTextOut(cv, gp(4), y, title);
      cv.Font.setStyle(0);
      y += gp(16);
    }
    if (!fontman) return;
    if (open) {
      cv.Font.setStyle(fsBold);
      cv.Font.Color = 0x800000;
      fontman->TopTextOut(cv, gp(6), gp(5), angleText());
      cv.Font.setStyle(0);
      cv.Font.Color = 0;
      fontman->CaptionR(cv, static_cast<TWinControl const*>(degEdit.get()), word("units", "degrees"));
      fontman->CaptionR(cv, static_cast<TWinControl const*>(minedit.get()), word("units", "minutes"));
      fontman->CaptionR(cv, static_cast<TWinControl const*>(secEdit.get()), word("units", "seconds"));
      const std::string deg = std::to_string(fdegrees) + "\xC2\xB0";
      fontman->CaptionL(cv, static_cast<TWinControl const*>(minedit.get()), deg);
      const std::string mm = (fminutes < 10 ? "0" : "") + std::to_string(fminutes) + "'";
      fontman->CaptionL(cv, static_cast<TWinControl const*>(secEdit.get()), deg + " " + mm);
    } else {
      fontman->TopTextOut(cv, gp(4), y, angleText());
    }
  } catch (...) {
    // painting errors are not shown
  }
}
