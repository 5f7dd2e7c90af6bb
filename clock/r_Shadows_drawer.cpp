// Tdrawer: a metafile page in millimetres. The metafile canvas records in hundredths of a
// millimetre, so every conversion is a multiplication by 100, rounded halves to even.
#include "clock/r_Shadows.h"

#include "geometry/r_Geom.h"
#include "platform/numbers.h"

using namespace platform;

Tdrawer::Tdrawer(double acx, double acy, double width, double height)
    : pageHeightmm(height), pagewidthmm(width), cx(acx), cy(acy) {
  createLineman();
}

Tdrawer::~Tdrawer() { mc.reset(); }

void Tdrawer::start() {
  mc.reset();
  femf = std::make_unique<TMetafile>();
  // One logical unit is 0.01 mm: a reference of 100 units per millimetre.
  mc = std::make_unique<TMetafileCanvas>(*femf, Round32(pagewidthmm * 100), Round32(pageHeightmm * 100), 100.0);
  TCanvas& c = mc->canvas();
  c.Pen.Width = pv(0.2);
  c.Font.setName("Calibri");
  c.Font.setSize(pv(2.5));
}

void Tdrawer::finish() { mc.reset(); }

TCanvas& Tdrawer::getCanvas() {
  if (!mc) throw std::logic_error("Tdrawer: draw between start and finish");
  return mc->canvas();
}

int Tdrawer::pix(double mm) const { return Round32(mm * 100); }
int Tdrawer::pv(double mm) const { return Round32(scaled(mm) * 100); }
int Tdrawer::px(double mm) const { return Round32((scaled(mm) + cx) * 100); }
int Tdrawer::py(double mm) const { return Round32((pageHeightmm - (scaled(mm) + cy)) * 100); }

void Tdrawer::doPolygon(std::span<const TPoint> points) { getCanvas().Polygon(points); }
