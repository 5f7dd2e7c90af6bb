// TskyView: the page of tab 2. Redraws the sky above the home place every fifth second, on each
// selection of the tab, on resizes to at least 300 x 300 and when a drag turns the view (a drag
// across the whole width turns it by 240 degrees, applied on release).
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
  redraw();
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
    sky->Draw(bm->Canvas(), Width(), Height());
    ++redraws;
    seterr("c");
    Invalidate();
  } catch (const std::exception& e) {
    ::log(std::string("TskyView redraw: ") + e.what());
    if (onError) onError(this, e);
  }
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
