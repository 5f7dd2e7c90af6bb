// Tview: see Tview.h. mp = scale / (ppmm × 1000); a world point turns about the centre by
// its bearing plus the rotation; pixels are rounded with halves to even.
#include "core/Tview.h"

#include <algorithm>
#include <cmath>

#include "core/Ttrig.h"
#include "core/Tunits.h"
#include "core/units_seams.h"
#include "platform/numbers.h"

namespace {
constexpr double kMinScale = 0.001;
const Ttrig kTrig;  // the pure angle helpers; no state of the shared service is touched

// (x, y) turned about (cx, cy) by `degrees` added to its bearing.
void turn(double& x, double& y, double cx, double cy, double degrees) {
  const double dx = x - cx, dy = y - cy;
  const double r = kTrig.getdistance(dx, dy);
  const double b = kTrig.arcTan(dx, dy) + degrees * deg2rad;
  x = cx + r * std::sin(b);
  y = cy + r * std::cos(b);
}
}  // namespace

Tview::Tview() {
  fppmm = unitsSeam::screenPPMM();
  fIsScreen = true;
  snapPixels = 3;
  magnify = 1;
  units = ::units;
  setscale(10000);
}

void Tview::clear() {
  views.clear();
  xyValues.clear();
  extent = boxrec{};
  magnify = 1;
  fLongTime.reset();
}

TlongTime& Tview::LongTime() {
  if (!fLongTime) fLongTime = std::make_unique<TlongTime>();
  return *fLongTime;
}

// ---------------------------------------------------------------------------------------------
// Scale

void Tview::setscale(double value) {
  if (std::isinf(value) && value > 0) value = fscale;  // no view shows the world at 1 : infinity
  if (!(value >= kMinScale)) value = kMinScale;        // NaN too
  if (neatScale) value = Tunits::NeatScale(value);
  fscale = value;
  fmp = fscale / (fppmm * 1000);
  mpy = 0;
  fsnap = snapPixels * fmp;
  if (onScale) {
    recordView();
    onScale(this);
  }
}

void Tview::setmp(double value) {
  fmp = value;
  setscale(value * 1000 * fppmm);
}

void Tview::setppmm(double value) {
  // A device without a positive, finite resolution would make every pixel infinite: keep ours.
  if (value > 0 && std::isfinite(value)) fppmm = value;
  fIsScreen = (fppmm == unitsSeam::screenPPMM());
  setscale(fscale);
}

// ---------------------------------------------------------------------------------------------
// Edges and points

double Tview::leftx() const { return centrex - width() / 2.0 * fmp; }
double Tview::rightx() const { return centrex + width() / 2.0 * fmp; }
double Tview::topy() const { return centrey + height() / 2.0 * my(); }
double Tview::bottomy() const { return centrey - height() / 2.0 * my(); }

void Tview::screenXYd(double x, double y, double& xd, double& yd) const {
  if (rotation != 0) turn(x, y, centrex, centrey, rotation);
  xd = (x - leftx()) / fmp + box.Left;
  yd = (topy() - y) / my() + box.Top;
}

void Tview::screenXY(double x, double y, int32_t& xi, int32_t& yi) const {
  double xd, yd;
  screenXYd(x, y, xd, yd);
  xi = platform::Round32(xd);
  yi = platform::Round32(yd);
}

void Tview::worldXY(double& x, double& y, double xi, double yi) const {
  x = leftx() + (xi - box.Left) * fmp;
  y = topy() - (yi - box.Top) * my();
  rotateXY(x, y);
}

void Tview::rotateXY(double& x, double& y) const {
  if (rotation == 0) return;
  turn(x, y, centrex, centrey, -rotation);
}

void Tview::screenXYd(const Txyvalues& world, Txyvalues& screen) const {
  screen.resize(world.size());
  for (size_t i = 0; i < world.size(); ++i) screenXYd(world[i].x, world[i].y, screen[i].x, screen[i].y);
}

namespace {
void extendBox(platform::TRect& r, bool& started, int32_t x, int32_t y) {
  if (!started) {
    r = {x, y, x, y};
    started = true;
    return;
  }
  r.Left = std::min(r.Left, x);
  r.Top = std::min(r.Top, y);
  r.Right = std::max(r.Right, x);
  r.Bottom = std::max(r.Bottom, y);
}

platform::TRect limitedTo(const platform::TRect& r, const platform::TRect& box) {
  return {std::max(r.Left, box.Left), std::max(r.Top, box.Top), std::min(r.Right, box.Right),
          std::min(r.Bottom, box.Bottom)};
}
}  // namespace

bool Tview::screenXY(const Txyvalues& xy, Tpoints& a) {
  a.resize(xy.size());
  size_t n = 0;
  bool started = false;
  for (const xyrec& p : xy) {
    int32_t xi, yi;
    screenXY(p.x, p.y, xi, yi);
    if (n > 0 && a[n - 1].X == xi && a[n - 1].Y == yi) continue;
    a[n++] = {xi, yi};
    extendBox(rawXYbox, started, xi, yi);
  }
  a.resize(n);
  xyBox = limitedTo(rawXYbox, box);
  return n >= 2;
}

template <typename RingAt>
bool Tview::polygonToPixels(size_t rings, RingAt ringAt, Tpoints& a, TiList& polys, int32_t& aCnt,
                            int32_t& pCnt) {
  size_t total = 0;
  for (size_t r = 0; r < rings; ++r) total += ringAt(r).size();
  if (a.size() < total) a.resize(total);
  if (polys.size() < rings) polys.resize(rings);
  aCnt = 0;
  pCnt = 0;
  bool started = false;
  for (size_t r = 0; r < rings; ++r) {
    const Txyvalues& ring = ringAt(r);
    if (r > 0 && ring.size() <= 3) continue;  // a hole needs more than a triangle
    const int32_t start = aCnt;
    for (const xyrec& p : ring) {
      int32_t xi, yi;
      screenXY(p.x, p.y, xi, yi);
      // Across ring boundaries too: the drawing call must see no zero-length edge.
      if (aCnt > 0 && a[aCnt - 1].X == xi && a[aCnt - 1].Y == yi) continue;
      a[aCnt++] = {xi, yi};
      extendBox(rawXYbox, started, xi, yi);
    }
    const int32_t kept = aCnt - start;
    if (kept == 0) continue;
    if (r > 0 && kept <= 3) {
      aCnt = start;  // the hole collapsed to a few pixels: taken back out
      continue;
    }
    polys[static_cast<size_t>(pCnt++)] = kept;
  }
  xyBox = limitedTo(rawXYbox, box);
  return pCnt > 0;
}

bool Tview::screenXY(const TpolyXyValues& xy, Tpoints& a, TiList& polys) {
  int32_t aCnt, pCnt;
  const bool ok = polygonToPixels(xy.size(), [&](size_t r) -> const Txyvalues& { return xy[r]; }, a, polys, aCnt, pCnt);
  a.resize(static_cast<size_t>(aCnt));
  polys.resize(static_cast<size_t>(pCnt));
  return ok;
}

bool Tview::screenXY(const TPpolyXYvalues& xy, Tpoints& a, TiList& polys) {
  static const Txyvalues kNone;
  int32_t aCnt, pCnt;
  const bool ok = polygonToPixels(
      xy.size(), [&](size_t r) -> const Txyvalues& { return xy[r] ? *xy[r] : kNone; }, a, polys, aCnt, pCnt);
  a.resize(static_cast<size_t>(aCnt));
  polys.resize(static_cast<size_t>(pCnt));
  return ok;
}

bool Tview::screenXY(const TpolyXyValues& xy, Tpoints& a, TiList& polys, int32_t& aCnt, int32_t& pCnt) {
  return polygonToPixels(xy.size(), [&](size_t r) -> const Txyvalues& { return xy[r]; }, a, polys, aCnt, pCnt);
}

bool Tview::screenXY(const TpolyXyValues& xy, int32_t& xi, int32_t& yi) const {
  if (xy.empty() || xy[0].empty()) return false;
  screenXY(xy[0][0].x, xy[0][0].y, xi, yi);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Extent and visibility

void Tview::bounds(double& x1, double& y1, double& x2, double& y2) const {
  if (rotation == 0) {
    x1 = leftx();
    y1 = bottomy();
    x2 = rightx();
    y2 = topy();
    return;
  }
  const double px[4] = {double(box.Left), double(box.Right), double(box.Right), double(box.Left)};
  const double py[4] = {double(box.Top), double(box.Top), double(box.Bottom), double(box.Bottom)};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    worldXY(x, y, px[i], py[i]);
    if (i == 0 || x < x1) x1 = x;
    if (i == 0 || y < y1) y1 = y;
    if (i == 0 || x > x2) x2 = x;
    if (i == 0 || y > y2) y2 = y;
  }
}

void Tview::RotatedExtent(double& x1, double& y1, double& x2, double& y2) const {
  const double cx[4] = {leftx(), rightx(), rightx(), leftx()};
  const double cy[4] = {topy(), topy(), bottomy(), bottomy()};
  for (int i = 0; i < 4; ++i) {
    double x = cx[i], y = cy[i];
    rotateXY(x, y);
    if (i == 0 || x < x1) x1 = x;
    if (i == 0 || y < y1) y1 = y;
    if (i == 0 || x > x2) x2 = x;
    if (i == 0 || y > y2) y2 = y;
  }
}

bool Tview::InView(double x, double y, int32_t marginPx) const {
  int32_t xi, yi;
  screenXY(x, y, xi, yi);
  return xi >= box.Left - marginPx && xi < box.Right + marginPx && yi >= box.Top - marginPx &&
         yi < box.Bottom + marginPx;
}

bool Tview::needsClip(double x1, double y1, double x2, double y2, int32_t marginPx) const {
  if (rotation == 0) {
    const double m = marginPx * fmp;
    return !(x1 >= leftx() - m && y1 >= bottomy() - m && x2 <= rightx() + m && y2 <= topy() + m);
  }
  return !(InView(x1, y1, marginPx) && InView(x2, y1, marginPx) && InView(x2, y2, marginPx) &&
           InView(x1, y2, marginPx));
}

bool Tview::reallyMoved() const { return std::abs(cursorx - downx) > 3 || std::abs(cursory - downy) > 3; }

// ---------------------------------------------------------------------------------------------
// History and zoom

void Tview::recordView() {
  if (!recordViews) return;
  const xyzrec v{centrex, centrey, fmp};
  if (!views.empty() && views.back() == v) return;
  views.push_back(v);
}

void Tview::GoToPriorView() {
  if (!recordViews || views.size() < 2) return;
  const xyzrec prior = views[views.size() - 2];
  centrex = prior.x;
  centrey = prior.y;
  views.resize(views.size() - 2);
  setmp(prior.z);  // with onScale set this records the restored view again
}

void Tview::ZoomToExtent() {
  if (!(extent.left < extent.right && extent.bottom < extent.top)) return;
  centrex = (extent.left + extent.right) / 2;
  centrey = (extent.bottom + extent.top) / 2;
  rotation = 0;
  if (width() <= 0 || height() <= 0) return;  // an empty box has no scale to fit
  setmp(std::max((extent.top - extent.bottom) / height(), (extent.right - extent.left) / width()));
}

void Tview::ZoomToExtentPlus(double marginFactor) {
  if (!(extent.left < extent.right && extent.bottom < extent.top)) return;
  centrex = (extent.left + extent.right) / 2;
  centrey = (extent.bottom + extent.top) / 2;
  if (width() <= 0 || height() <= 0) return;
  double w = extent.right - extent.left, h = extent.top - extent.bottom;
  if (rotation != 0) {
    const double half = kTrig.getdistance(w, h) / 2;
    const double beta = kTrig.arcTan(w, h);
    const double pi = 3.14159265358979323846;
    const double bearings[4] = {beta, pi - beta, pi + beta, -beta};
    double minx = 0, maxx = 0, miny = 0, maxy = 0;
    for (int i = 0; i < 4; ++i) {
      const double b = bearings[i] + rotation * deg2rad;
      const double x = half * std::sin(b), y = half * std::cos(b);
      if (i == 0 || x < minx) minx = x;
      if (i == 0 || x > maxx) maxx = x;
      if (i == 0 || y < miny) miny = y;
      if (i == 0 || y > maxy) maxy = y;
    }
    w = maxx - minx;
    h = maxy - miny;
  }
  const double mpNeeded = std::max(h / height(), w / width());
  setscale(Tunits::NeatScale(marginFactor * mpNeeded * fppmm * 1000));
}

// ---------------------------------------------------------------------------------------------
// Saved views and copies

void Tview::saveView(ViewRec& v) const {
  v.centrex = centrex;
  v.centrey = centrey;
  v.rotation = rotation;
  v.ppmm = fppmm;
  v.box = box;
  v.scale = fscale;
  v.canvas = canvas;
}

void Tview::restoreView(const ViewRec& v) {
  box = v.box;
  setppmm(v.ppmm);
  rotation = v.rotation;
  centrex = v.centrex;
  centrey = v.centrey;
  setscale(v.scale);
  canvas = v.canvas;
}

bool Tview::equalView(const ViewRec& v) const {
  return centrex == v.centrex && centrey == v.centrey && rotation == v.rotation && fscale == v.scale &&
         box == v.box;
}

void Tview::assign(const Tview& source) {
  if (&source == this) return;
  canvas = source.canvas;
  fppmm = source.fppmm != 0 ? source.fppmm : unitsSeam::screenPPMM();
  fmp = source.fmp != 0 ? source.fmp : source.fscale / (fppmm * 1000);
  fscale = source.fscale != 0 ? source.fscale : fmp * 1000 * fppmm;
  centrex = source.centrex;
  centrey = source.centrey;
  worldx = source.worldx;
  worldy = source.worldy;
  cursorx = source.cursorx;
  cursory = source.cursory;
  box = source.box;
  rotation = source.rotation;
  crop = source.crop;
  tag = source.tag;
  mpy = source.mpy;
  extent = source.extent;
  xyValues = source.xyValues;
  if (source.fLongTime) LongTime().assign(source.fLongTime.get());
  else fLongTime.reset();
}
