// Ttrans: see Ttrans.h. The canvas applies its pen, brush and font before every drawing call, so
// a saved device state never holds objects the canvas would have to re-select.
#include "core/Ttrans.h"

#include "core/Ttrig.h"

using namespace platform;

void Ttrans::move(TCanvas& canvas, double dx, double dy, double sing, double cosg, double multiplyX, double multiplyY) {
  fcanvas = &canvas;
  TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  XformRec r;
  r.mode = dc->graphicsMode();
  dc->setGraphicsMode(GraphicsMode::Advanced);
  r.form = dc->worldTransform();
  a.push_back(r);
  fspace = XFORM{float(cosg * multiplyX), float(sing * multiplyX), float(-sing * multiplyY), float(cosg * multiplyY),
                 float(dx), float(dy)};
  dc->modifyWorldTransform(&fspace, MWT_LEFTMULTIPLY);
  // Bitmaps stretched inside the frame are smoothed.
  dc->setStretchBltMode(StretchMode::Halftone);
}

void Ttrans::move(TCanvas& canvas, double dx, double dy, double sing, double cosg, double multiply) {
  move(canvas, dx, dy, sing, cosg, multiply, multiply);
}

void Ttrans::move(TCanvas& canvas, double dx, double dy, double sing, double cosg) {
  move(canvas, dx, dy, sing, cosg, 1, 1);
}

void Ttrans::move(TCanvas& canvas, double dx, double dy, double rotation) {
  double s = 0, c = 1;
  createTrig().sinCos(rotation, s, c);
  move(canvas, dx, dy, s, c, 1, 1);
}

bool Ttrans::clear() {
  if (a.empty()) return false;
  if (fcanvas && fcanvas->Handle()) {
    TDeviceContext* dc = fcanvas->Handle();
    dc->setWorldTransform(a.back().form);
    dc->setGraphicsMode(a.back().mode);
  }
  a.pop_back();
  return true;
}

void Ttrans::clearAll() {
  while (!a.empty()) clear();
}

void Ttrans::saveState(TCanvas& canvas) {
  dcRec r;
  r.canvas = &canvas;
  r.saved = canvas.Handle() ? canvas.Handle()->saveDC() : 0;
  dcr.push_back(r);
}

void Ttrans::clip(TCanvas& canvas, int x1, int y1, int x2, int y2) {
  saveState(canvas);
  if (canvas.Handle()) canvas.Handle()->intersectClipRect(x1, y1, x2, y2);
}

void Ttrans::saveclip(TCanvas& canvas) { saveState(canvas); }

bool Ttrans::clipToPath(TCanvas& canvas, bool outside) {
  saveState(canvas);
  if (outside) return true;
  if (!canvas.Handle() || !canvas.Handle()->selectClipPath(RGN_AND)) {
    unclip();
    return false;
  }
  return true;
}

void Ttrans::unclip() {
  if (dcr.empty()) return;
  dcRec r = dcr.back();
  dcr.pop_back();
  if (r.canvas && r.canvas->Handle()) r.canvas->Handle()->restoreDC(r.saved);
}
