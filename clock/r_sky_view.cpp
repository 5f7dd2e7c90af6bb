// TskyView: the page of tab 2. Redraws the sky above the home place every fifth second (unless it
// moved by under half a pixel since the last picture, with the same caption), on each
// selection of the tab, on resizes to at least 300 x 300 and when a drag turns the view (a drag
// across the whole width turns it by 240 degrees, applied on release).
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_sky.h"
#include "core/r_date.h"
#include "core/r_log.h"

using namespace platform;

TskyView::TskyView(TWinControl* owner, TsunBase& base) : TQYcontrol(owner) {
  TcontrolScope scope(*this, "create");
  log("a");
  bm = std::make_unique<TBitmap>();
  bm->SetPixelFormat(pf24bit);
  sunbase = &base;
  seterr("a");
  homeToObserver();
  seterr("a1");
  sky = std::make_unique<Tsky>(base);
  seterr("b");
  OnResize = [this](TWinControl*) { doResize(); };
  OnMouseDown = [this](TWinControl*, TMouseButton, TShiftState, int x, int) { doMouseDown(x); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int x, int) { doMouseUp(x); };
  log("b");
}

TskyView::~TskyView() {
  if (os) {
    os->unassign(sky);
    os->unassign(bm);
  }
}

void TskyView::homeToObserver() {
  Tlocations& l = sunbase->locations();
  l.getHome();  // refreshes the home latitude and longitude
  Tobserver& ob = sunbase->observer();
  ob.setlat(l.homeLat);
  ob.setlong(l.homeLong);
}

void TskyView::reenter() {
  TQYcontrol::reenter();
  homeToObserver();
}

void TskyView::dosecond(void* sender) {
  Tobserver& ob = sunbase->observer();
  createDateman();
  ob.setDT(dateman->getgmtDt());
  if (sender && dateman->fsec % 5 != 0) return;
  homeToObserver();
  turnView();
  if (sender && pictureUnchanged()) {
    ++redraws;
    ++keptPictures;
    return;
  }
  redraw();
}

TskyView::Tdrawn TskyView::currentInputs() {
  Tdrawn d;
  Tsky& s = *sky;
  Tobserver& ob = sunbase->observer();
  d.width = Width();
  d.height = Height();
  d.dt = ob.getDT();
  d.centreLong = s.centreLong;
  d.centreLat = s.centreLat;
  d.lat = ob.getlat();
  d.lon = ob.getlong();
  d.light = s.lightFor(sunbase->sun().getSunE());
  Tlocations& l = sunbase->locations();
  l.setTime(d.dt);
  const int home = l.getHome();
  if (home >= 0 && home < l.count()) d.caption = s.captionLine(l.getLoc(home).dt);
  return d;
}

bool TskyView::pictureUnchanged() {
  if (!drawn.valid || !sky || Width() < 300 || Height() < 300) return false;
  createDateman();
  sunbase->observer().setDT(dateman->getgmtDt());
  const Tdrawn now = currentInputs();
  if (now.width != drawn.width || now.height != drawn.height || now.caption != drawn.caption ||
      now.lat != drawn.lat || now.lon != drawn.lon || now.centreLat != drawn.centreLat)
    return false;
  // The sky turns 15.04 degrees an hour; the moon and planets drift across it by under 0.6 more.
  constexpr double kDegreesPerDay = (15.04 + 0.6) * 24;
  const double half = 0.5 / drawn.pixelsPerDegree;
  return std::abs(now.dt - drawn.dt) * kDegreesPerDay < half && std::abs(now.centreLong - drawn.centreLong) < half &&
         std::abs(now.light - drawn.light) * 2 < 0.5;
}

void TskyView::turnView() {
  Tsun& sun = sunbase->sun();
  sun.sun();
  if (sky) sky->setView(sun.getSunB() - longshift, 40);
}

void TskyView::redraw() {
  if (Width() < 300 || Height() < 300 || !sky) return;
  TcontrolScope scope(*this, "redraw");
  // A failed drawing is reported and the page keeps its last picture; the next tick tries again.
  try {
    seterr("a");
    createDateman();
    sunbase->observer().setDT(dateman->getgmtDt());
    seterr("b");
    drawn.valid = false;
    sky->Draw(bm->Canvas(), Width(), Height());
    ++redraws;
    rememberInputs();
    seterr("c");
    Invalidate();
  } catch (const std::exception& e) {
    ::log(std::string("TskyView redraw: ") + e.what());
    if (onError) onError(this, e);
  }
}

void TskyView::rememberInputs() {
  Tsky& s = *sky;
  drawn = currentInputs();
  // The screen distance of one degree at the centre of the view, where it is largest.
  int x0, y0, x1, y1;
  double a[2] = {0, 0}, b[2] = {0, 0};
  if (s.inView(s.centreLong, s.centreLat, x0, y0)) a[0] = s.xid, a[1] = s.yid;
  if (s.inView(s.centreLong + 1, s.centreLat, x1, y1)) b[0] = s.xid, b[1] = s.yid;
  drawn.pixelsPerDegree = std::hypot(b[0] - a[0], b[1] - a[1]);
  drawn.valid = drawn.pixelsPerDegree > 0 && std::isfinite(drawn.pixelsPerDegree);
}

void TskyView::doResize() {
  if (Width() < 300 || Height() < 300) return;
  TcontrolScope scope(*this, "doresize");
  seterr("a");
  bm->SetSize(Width(), Height());
  seterr("b");
  log("redraw a " + std::to_string(Width()) + " " + std::to_string(Height()));
  redraw();
  log("redraw b");
}

void TskyView::Paint() {
  if (bm && bm->Width() > 0) Canvas().Draw(0, 0, *bm);
}

void TskyView::doMouseDown(int x) { downx = x; }

void TskyView::doMouseUp(int x) {
  if (Width() <= 0) return;
  longshift += double((x - downx) * 240) / Width();
  turnView();
  redraw();
}
