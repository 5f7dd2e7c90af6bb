// TDeviceContext state: pens, brushes, colours, modes, origins, the clip kept in device pixels,
// and the stack of saved states.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/gdi.h"
#include "platform/gdi_raster.h"
#include "platform/metafile.h"

namespace platform {

TPenDesc makePen(PenStyle style, int width, TColor color) {
  TPenDesc p;
  p.color = color;
  p.style = style;
  if (width <= 1 || style == PenStyle::Null) {
    p.width = 1;
    p.type = PenType::Cosmetic;
  } else {
    // Wide plain pens draw only solid (or inside the frame); other styles become solid.
    p.width = width;
    p.type = PenType::Geometric;
    if (style != PenStyle::InsideFrame) p.style = PenStyle::Solid;
  }
  return p;
}

TPenDesc makeExtPen(PenType type, PenStyle style, int width, TColor color, PenEndCap cap,
                    PenJoin join, std::span<int const> dashes) {
  TPenDesc p;
  p.type = type;
  p.style = style;
  p.width = type == PenType::Cosmetic ? 1 : std::max(1, width);
  p.color = color;
  p.cap = cap;
  p.join = join;
  p.dashes.assign(dashes.begin(), dashes.end());
  // A user style needs a pattern with some ink in it; without one the pen draws solid.
  bool any = std::any_of(p.dashes.begin(), p.dashes.end(), [](int d) { return d > 0; });
  bool bad = std::any_of(p.dashes.begin(), p.dashes.end(), [](int d) { return d < 0; });
  if (style == PenStyle::UserStyle && (!any || bad)) {
    p.style = PenStyle::Solid;
    p.dashes.clear();
  }
  return p;
}

TDeviceContext::TDeviceContext(TSurface* s) { bind(s); }

void TDeviceContext::bind(TSurface* s) {
  fsurface = s;
  fstate.hasClip = false;
  fstate.clip.clear();
}

TPenDesc TDeviceContext::setPen(TPenDesc const& p) { return std::exchange(fstate.pen, p); }
TBrushDesc TDeviceContext::setBrush(TBrushDesc const& b) { return std::exchange(fstate.brush, b); }
TColor TDeviceContext::setBkColor(TColor c) { return std::exchange(fstate.bkColor, c); }
BkMode TDeviceContext::setBkMode(BkMode m) { return std::exchange(fstate.bkMode, m); }
TColor TDeviceContext::setTextColor(TColor c) { return std::exchange(fstate.textColor, c); }
PolyFillMode TDeviceContext::setPolyFillMode(PolyFillMode m) { return std::exchange(fstate.fillMode, m); }
StretchMode TDeviceContext::setStretchBltMode(StretchMode m) {
  return std::exchange(fstate.stretchMode, m);
}
Rop2 TDeviceContext::setROP2(Rop2 r) { return std::exchange(fstate.rop2, r); }
ArcDirection TDeviceContext::setArcDirection(ArcDirection d) {
  return std::exchange(fstate.arcDirection, d);
}
TPoint TDeviceContext::setBrushOrg(TPoint p) { return std::exchange(fstate.brushOrg, p); }
TPoint TDeviceContext::setViewportOrg(TPoint p) { return std::exchange(fstate.viewportOrg, p); }
TPoint TDeviceContext::setWindowOrg(TPoint p) { return std::exchange(fstate.windowOrg, p); }

namespace {
// Origin arithmetic saturates instead of wrapping round.
int shifted(int v, int minus, int plus) {
  int64_t r = int64_t(v) - minus + plus;
  return int(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}
}  // namespace

TFPoint TDeviceContext::toDeviceF(double x, double y) const {
  XFORM const& m = fstate.xform;
  double px = x * m.eM11 + y * m.eM21 + m.eDx, py = x * m.eM12 + y * m.eM22 + m.eDy;
  return {px - fstate.windowOrg.X + fstate.viewportOrg.X, py - fstate.windowOrg.Y + fstate.viewportOrg.Y};
}

TPoint TDeviceContext::toDevice(TPoint p) const {
  if (fstate.xform == XFORM{})
    return {shifted(p.X, fstate.windowOrg.X, fstate.viewportOrg.X), shifted(p.Y, fstate.windowOrg.Y, fstate.viewportOrg.Y)};
  TFPoint d = toDeviceF(p.X, p.Y);
  return {int(std::clamp(std::nearbyint(d.x), -1e9, 1e9)), int(std::clamp(std::nearbyint(d.y), -1e9, 1e9))};
}

TPoint TDeviceContext::toLogical(TPoint p) const {
  double px = p.X + fstate.windowOrg.X - fstate.viewportOrg.X, py = p.Y + fstate.windowOrg.Y - fstate.viewportOrg.Y;
  XFORM const& m = fstate.xform;
  if (m == XFORM{})
    return {shifted(p.X, fstate.viewportOrg.X, fstate.windowOrg.X), shifted(p.Y, fstate.viewportOrg.Y, fstate.windowOrg.Y)};
  double det = double(m.eM11) * m.eM22 - double(m.eM12) * m.eM21;
  if (det == 0) return {0, 0};
  double x = px - m.eDx, y = py - m.eDy;
  double lx = (x * m.eM22 - y * m.eM21) / det, ly = (y * m.eM11 - x * m.eM12) / det;
  return {int(std::clamp(std::nearbyint(lx), -1e9, 1e9)), int(std::clamp(std::nearbyint(ly), -1e9, 1e9))};
}

XFORM combineTransform(XFORM const& a, XFORM const& b) {
  XFORM r;
  r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
  r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
  r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
  r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
  r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
  r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
  return r;
}

int TDeviceContext::setGraphicsMode(GraphicsMode m) {
  if (m != GraphicsMode::Compatible && m != GraphicsMode::Advanced) return 0;
  if (m == GraphicsMode::Compatible && !(fstate.xform == XFORM{})) return 0;
  return int(std::exchange(fstate.graphicsMode, m));
}

bool TDeviceContext::setWorldTransform(XFORM const& x) {
  if (fstate.graphicsMode != GraphicsMode::Advanced) return false;
  if (double(x.eM11) * x.eM22 - double(x.eM12) * x.eM21 == 0) return false;
  fstate.xform = x;
  return true;
}

bool TDeviceContext::modifyWorldTransform(XFORM const* x, int mode) {
  if (fstate.graphicsMode != GraphicsMode::Advanced) return false;
  switch (mode) {
    case MWT_IDENTITY: fstate.xform = XFORM{}; return true;
    case MWT_LEFTMULTIPLY:
      if (!x) return false;
      return setWorldTransform(combineTransform(*x, fstate.xform));
    case MWT_RIGHTMULTIPLY:
      if (!x) return false;
      return setWorldTransform(combineTransform(fstate.xform, *x));
    default: return false;
  }
}

bool TDeviceContext::transformIsShift() const {
  XFORM const& m = fstate.xform;
  return m.eM11 == 1 && m.eM12 == 0 && m.eM21 == 0 && m.eM22 == 1 && m.eDx == std::trunc(m.eDx) &&
         m.eDy == std::trunc(m.eDy);
}

TPoint TDeviceContext::moveTo(int x, int y) { return std::exchange(fstate.current, TPoint{x, y}); }

TRegion TDeviceContext::visibleRegion() const {
  if (fsurface == nullptr || fsurface->empty()) return {};
  TRegion r(fsurface->bounds());
  if (fstate.hasClip) r.intersect(fstate.clip);
  return r;
}

namespace {
RegionKind kindOf(TRegion const& r) {
  if (r.isEmpty()) return RegionKind::Null;
  return r.rects().size() == 1 ? RegionKind::Simple : RegionKind::Complex;
}
}  // namespace

namespace {
// A logical rectangle as device pixels: under a turning transform, the pixels of the mapped quad.
TRegion deviceRegionOf(TDeviceContext const& dc, int l, int t, int r, int b) {
  std::vector<TFPoint> const quad[1] = {{dc.toDeviceF(l, t), dc.toDeviceF(r, t), dc.toDeviceF(r, b), dc.toDeviceF(l, b)}};
  TRect area = dc.surface() ? dc.surface()->bounds() : TRect{};
  std::vector<TRect> runs;
  detail::scanPolygon(quad, PolyFillMode::Winding, area.Top, area.Bottom,
                      [&](int y, int a, int z) { runs.push_back({a, y, z, y + 1}); });
  return TRegion::fromDisjoint(std::move(runs));
}
}  // namespace

RegionKind TDeviceContext::intersectClipRect(int l, int t, int r, int b) {
  if (frecorder) {
    TPoint a = toDevice({l, t}), z = toDevice({r, b});
    frecorder->intersectClipRect(a.X, a.Y, z.X, z.Y);
    return RegionKind::Simple;
  }
  if (fsurface == nullptr) return RegionKind::Error;
  if (fstate.xform.eM12 != 0 || fstate.xform.eM21 != 0) {
    TRegion next = visibleRegion();
    next.intersect(deviceRegionOf(*this, l, t, r, b));
    fstate.clip = std::move(next);
    fstate.hasClip = true;
    return kindOf(fstate.clip);
  }
  TPoint a = toDevice({l, t}), z = toDevice({r, b});
  TRegion next = visibleRegion();
  next.intersect(TRect{a.X, a.Y, z.X, z.Y}.normalized());
  fstate.clip = std::move(next);
  fstate.hasClip = true;
  return kindOf(fstate.clip);
}

RegionKind TDeviceContext::excludeClipRect(int l, int t, int r, int b) {
  if (fsurface == nullptr) return RegionKind::Error;
  if (fstate.xform.eM12 != 0 || fstate.xform.eM21 != 0) {
    TRegion next = visibleRegion();
    next.subtract(deviceRegionOf(*this, l, t, r, b));
    fstate.clip = std::move(next);
    fstate.hasClip = true;
    return kindOf(fstate.clip);
  }
  TPoint a = toDevice({l, t}), z = toDevice({r, b});
  TRegion next = visibleRegion();
  next.subtract(TRect{a.X, a.Y, z.X, z.Y}.normalized());
  fstate.clip = std::move(next);
  fstate.hasClip = true;
  return kindOf(fstate.clip);
}

RegionKind TDeviceContext::selectClipRegion(TRegion const* region) {
  if (region == nullptr) {
    fstate.hasClip = false;
    fstate.clip.clear();
    return fsurface ? kindOf(visibleRegion()) : RegionKind::Error;
  }
  fstate.clip = *region;
  if (fsurface) fstate.clip.intersect(fsurface->bounds());
  fstate.hasClip = true;
  return kindOf(fstate.clip);
}

TRect TDeviceContext::clipBox() const {
  TRect b = visibleRegion().bounds();
  if (b.isEmpty()) return {};
  TPoint a = toLogical({b.Left, b.Top}), z = toLogical({b.Right, b.Bottom});
  return {a.X, a.Y, z.X, z.Y};
}

bool TDeviceContext::ptVisible(int x, int y) const {
  return visibleRegion().contains(toDevice({x, y}));
}

bool TDeviceContext::rectVisible(TRect const& r) const {
  TPoint a = toDevice({r.Left, r.Top}), z = toDevice({r.Right, r.Bottom});
  return visibleRegion().overlaps(TRect{a.X, a.Y, z.X, z.Y}.normalized());
}

int TDeviceContext::saveDC() {
  if (frecorder) frecorder->saveDC();
  fsaved.push_back(fstate);
  return int(fsaved.size());
}

bool TDeviceContext::restoreDC(int level) {
  int n = int(fsaved.size());
  int index;
  if (level > 0) index = level - 1;
  else if (level < 0) index = n + level;
  else return false;
  if (index < 0 || index >= n) return false;
  if (frecorder) frecorder->restoreDC(n - index);
  fstate = std::move(fsaved[size_t(index)]);
  fsaved.resize(size_t(index));
  return true;
}

TColor TDeviceContext::setPixel(int x, int y, TColor c) {
  detail::Painter p(*this);
  if (!p.ready()) return CLR_INVALID;
  TPoint d = toDevice({x, y});
  if (!visibleRegion().contains(d)) return CLR_INVALID;
  uint32_t v = p.value(c);
  // A single pixel is written as is: the ROP2 mix belongs to pens and brushes.
  detail::writeDevice(p.surface(), d.X, d.Y, v);
  return detail::colorOfDeviceValue(p.surface(), v);
}

TColor TDeviceContext::getPixel(int x, int y) const {
  TPoint d = toDevice({x, y});
  if (fsurface == nullptr || !visibleRegion().contains(d)) return CLR_INVALID;
  return fsurface->pixel(d.X, d.Y);
}

}  // namespace platform
