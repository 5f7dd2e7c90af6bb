// The rasteriser's floor: device values, clipped spans with ROP2 mixes, coverage masks, the
// scanline polygon filler (pixel-centre sampling, top-left rule) and the wide-pen stroker.
#include "platform/gdi_raster.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace platform::detail {

uint32_t deviceValue(TSurface const& s, TColor c) {
  switch (s.bitsPerPixel()) {
    case 1:
    case 8: return uint32_t(s.nearestIndex(c));
    default: return uint32_t(GetBValue(c)) | (uint32_t(GetGValue(c)) << 8) | (uint32_t(GetRValue(c)) << 16);
  }
}

TColor colorOfDeviceValue(TSurface const& s, uint32_t v) {
  switch (s.bitsPerPixel()) {
    case 1:
    case 8: {
      auto pal = s.palette();
      return v < pal.size() ? pal[v] : 0;
    }
    default: return RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
  }
}

uint32_t readDevice(TSurface const& s, int x, int y) {
  uint8_t const* r = s.row(y);
  switch (s.bitsPerPixel()) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1u;
    case 8: return r[x];
    case 24: return uint32_t(r[3 * x]) | (uint32_t(r[3 * x + 1]) << 8) | (uint32_t(r[3 * x + 2]) << 16);
    default: return uint32_t(r[4 * x]) | (uint32_t(r[4 * x + 1]) << 8) | (uint32_t(r[4 * x + 2]) << 16);
  }
}

void writeDevice(TSurface& s, int x, int y, uint32_t v) {
  uint8_t* r = s.row(y);
  switch (s.bitsPerPixel()) {
    case 1: {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (v & 1) r[x >> 3] |= bit; else r[x >> 3] &= uint8_t(~bit);
      break;
    }
    case 8: r[x] = uint8_t(v); break;
    case 24:
      r[3 * x] = uint8_t(v);
      r[3 * x + 1] = uint8_t(v >> 8);
      r[3 * x + 2] = uint8_t(v >> 16);
      break;
    default:
      r[4 * x] = uint8_t(v);
      r[4 * x + 1] = uint8_t(v >> 8);
      r[4 * x + 2] = uint8_t(v >> 16);
      r[4 * x + 3] = 0;  // drawing leaves no alpha, as the platform's drawing calls do
      break;
  }
}

uint32_t mixRop2(Rop2 rop, uint32_t p, uint32_t d) {
  switch (rop) {
    case Rop2::Black: return 0;
    case Rop2::NotMergePen: return ~(d | p);
    case Rop2::MaskNotPen: return d & ~p;
    case Rop2::NotCopyPen: return ~p;
    case Rop2::MaskPenNot: return p & ~d;
    case Rop2::Not: return ~d;
    case Rop2::XorPen: return d ^ p;
    case Rop2::NotMaskPen: return ~(d & p);
    case Rop2::MaskPen: return d & p;
    case Rop2::NotXorPen: return ~(d ^ p);
    case Rop2::Nop: return d;
    case Rop2::MergeNotPen: return d | ~p;
    case Rop2::CopyPen: return p;
    case Rop2::MergePenNot: return p | ~d;
    case Rop2::MergePen: return d | p;
    case Rop2::White: return ~0u;
  }
  return p;
}

bool hatchBit(HatchStyle h, int px, int py) {
  // One line per 8 × 8 cell; the diagonals meet the horizontal and vertical lines at the corner.
  bool hor = py == 7, ver = px == 7, fd = px == py, bd = px + py == 7;
  switch (h) {
    case HatchStyle::Horizontal: return hor;
    case HatchStyle::Vertical: return ver;
    case HatchStyle::FDiagonal: return fd;
    case HatchStyle::BDiagonal: return bd;
    case HatchStyle::Cross: return hor || ver;
    case HatchStyle::DiagCross: return fd || bd;
  }
  return false;
}

std::vector<TRect> clipRects(TDeviceContext const& dc) {
  TRegion r = dc.visibleRegion();
  return {r.rects().begin(), r.rects().end()};
}

namespace {
uint32_t valueMask(int bpp) { return bpp == 1 ? 1u : bpp == 8 ? 0xFFu : 0xFFFFFFu; }
}  // namespace

Painter::Painter(TDeviceContext const& dc) {
  TSurface* s = dc.surface();
  if (s == nullptr || s->empty()) return;
  fs = s;
  fclip = clipRects(dc);
  for (auto const& r : fclip) fbounds.unite(r);
  frop = dc.rop2();
  forg = dc.brushOrg();
  fopaque = dc.bkMode() == BkMode::Opaque;
  fbk = dc.bkColor();
}

void Painter::plot(int x, int y, uint32_t v) {
  if (!fs || !fbounds.contains(TPoint{x, y})) return;
  for (auto const& r : fclip) {
    if (!r.contains(TPoint{x, y})) continue;
    if (frop == Rop2::CopyPen) writeDevice(*fs, x, y, v);
    else writeDevice(*fs, x, y, mixRop2(frop, v, readDevice(*fs, x, y)) & valueMask(fs->bitsPerPixel()));
    return;
  }
}

void Painter::span(int y, int x0, int x1, uint32_t v) {
  if (!fs || y < fbounds.Top || y >= fbounds.Bottom || x0 >= x1) return;
  int bpp = fs->bitsPerPixel();
  for (auto const& r : fclip) {
    if (y < r.Top || y >= r.Bottom) continue;
    int a = std::max(x0, r.Left), b = std::min(x1, r.Right);
    if (a >= b) continue;
    if (frop == Rop2::CopyPen && bpp == 24) {
      uint8_t* p = fs->row(y) + 3 * a;
      uint8_t c0 = uint8_t(v), c1 = uint8_t(v >> 8), c2 = uint8_t(v >> 16);
      for (int x = a; x < b; ++x, p += 3) { p[0] = c0; p[1] = c1; p[2] = c2; }
    } else if (frop == Rop2::CopyPen && bpp == 32) {
      uint32_t w = v & 0xFFFFFFu;
      uint8_t* p = fs->row(y) + 4 * a;
      for (int x = a; x < b; ++x, p += 4) std::memcpy(p, &w, 4);
    } else {
      for (int x = a; x < b; ++x)
        writeDevice(*fs, x, y,
                    frop == Rop2::CopyPen ? v : mixRop2(frop, v, readDevice(*fs, x, y)) & valueMask(bpp));
    }
  }
}

void Painter::brushSpan(int y, int x0, int x1, TBrushDesc const& b) {
  if (!fs) return;
  switch (b.style) {
    case BrushStyle::Clear: return;
    case BrushStyle::Solid: span(y, x0, x1, value(b.color)); return;
    case BrushStyle::Hatched: {
      if (y < fbounds.Top || y >= fbounds.Bottom) return;
      x0 = std::max(x0, fbounds.Left);
      x1 = std::min(x1, fbounds.Right);
      uint32_t fg = value(b.color), bg = value(fbk);
      int py = ((y - forg.Y) % 8 + 8) % 8;
      for (int x = x0; x < x1; ++x) {
        int px = ((x - forg.X) % 8 + 8) % 8;
        if (hatchBit(b.hatch, px, py)) plot(x, y, fg);
        else if (fopaque) plot(x, y, bg);
      }
      return;
    }
  }
}

Mask::Mask(TRect const& box) : fbox(box.isEmpty() ? TRect{} : box) {
  fbits.assign(size_t(fbox.width()) * size_t(fbox.height()), 0);
}

void Mask::set(int x, int y) {
  if (fbox.contains(TPoint{x, y}))
    fbits[size_t(y - fbox.Top) * size_t(fbox.width()) + size_t(x - fbox.Left)] = 1;
}

bool Mask::get(int x, int y) const {
  return fbox.contains(TPoint{x, y}) &&
         fbits[size_t(y - fbox.Top) * size_t(fbox.width()) + size_t(x - fbox.Left)] != 0;
}

void Mask::span(int y, int x0, int x1) {
  if (y < fbox.Top || y >= fbox.Bottom) return;
  x0 = std::max(x0, fbox.Left);
  x1 = std::min(x1, fbox.Right);
  if (x0 >= x1) return;
  std::memset(&fbits[size_t(y - fbox.Top) * size_t(fbox.width()) + size_t(x0 - fbox.Left)], 1,
              size_t(x1 - x0));
}

void Mask::runs(std::function<void(int, int, int)> const& f) const {
  int w = fbox.width();
  for (int y = fbox.Top; y < fbox.Bottom; ++y) {
    uint8_t const* r = &fbits[size_t(y - fbox.Top) * size_t(w)];
    int x = 0;
    while (x < w) {
      while (x < w && !r[x]) ++x;
      int s = x;
      while (x < w && r[x]) ++x;
      if (x > s) f(y, fbox.Left + s, fbox.Left + x);
    }
  }
}

void scanPolygon(std::span<std::vector<FPoint> const> rings, PolyFillMode mode, int rowTop,
                 int rowBottom, std::function<void(int, int, int)> const& f) {
  struct Edge { double x0, y0, x1, y1; int dir; };
  std::vector<Edge> edges;
  double ymin = 1e300, ymax = -1e300;
  for (auto const& ring : rings) {
    size_t n = ring.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      FPoint a = ring[i], b = ring[(i + 1) % n];
      if (a.y == b.y || !std::isfinite(a.x + a.y + b.x + b.y)) continue;
      if (a.y < b.y) edges.push_back({a.x, a.y, b.x, b.y, 1});
      else edges.push_back({b.x, b.y, a.x, a.y, -1});
      ymin = std::min({ymin, a.y, b.y});
      ymax = std::max({ymax, a.y, b.y});
    }
  }
  if (edges.empty()) return;
  // Rows whose centres can meet an edge.
  int y0 = std::max(rowTop, int(std::ceil(std::max(ymin - 0.5, -1e9))));
  int y1 = std::min(rowBottom, int(std::ceil(std::min(ymax - 0.5, 1e9))));
  std::sort(edges.begin(), edges.end(), [](Edge const& a, Edge const& b) { return a.y0 < b.y0; });
  struct Cross { double x; int dir; };
  std::vector<Cross> xs;
  std::vector<Edge const*> active;
  size_t next = 0;
  for (int y = y0; y < y1; ++y) {
    double yc = y + 0.5;
    while (next < edges.size() && edges[next].y0 <= yc) active.push_back(&edges[next++]);
    xs.clear();
    size_t keep = 0;
    for (Edge const* e : active) {
      if (e->y1 <= yc) continue;  // finished: the bottom end belongs to the next edge
      active[keep++] = e;
      xs.push_back({e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir});
    }
    active.resize(keep);
    std::sort(xs.begin(), xs.end(), [](Cross const& a, Cross const& b) { return a.x < b.x; });
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      bool inside;
      if (mode == PolyFillMode::Alternate) inside = (i % 2) == 0;
      else { wind += xs[i].dir; inside = wind != 0; }
      if (!inside) continue;
      // Centres x + 0.5 in [xa, xb).
      int a = int(std::ceil(xs[i].x - 0.5)), b = int(std::ceil(xs[i + 1].x - 0.5));
      if (a < b) f(y, a, b);
    }
  }
}

void fillDisc(Mask& m, FPoint c, double radius) {
  if (!(radius > 0)) return;
  TRect box = m.box();
  int ya = std::max(box.Top, int(std::floor(c.y - radius - 0.5)));
  int yb = std::min(box.Bottom, int(std::ceil(c.y + radius + 0.5)));
  double r2 = radius * radius;
  for (int y = ya; y < yb; ++y) {
    double dy = y + 0.5 - c.y;
    double rest = r2 - dy * dy;
    if (rest < 0) continue;
    double dx = std::sqrt(rest);
    // Centres within [c.x − dx, c.x + dx].
    int a = int(std::ceil(c.x - dx - 0.5)), b = int(std::floor(c.x + dx - 0.5)) + 1;
    m.span(y, a, b);
  }
}

namespace {
void fillRing(Mask& m, std::vector<FPoint> ring) {
  std::vector<FPoint> const rings[1] = {std::move(ring)};
  scanPolygon(rings, PolyFillMode::Winding, m.box().Top, m.box().Bottom,
              [&](int y, int a, int b) { m.span(y, a, b); });
}

// One stroke piece: the segment as a band of the pen's width, ends extended for square caps.
void strokeSegment(Mask& m, FPoint a, FPoint b, double half, double extA, double extB) {
  double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  if (len == 0) return;
  double ux = dx / len, uy = dy / len, nx = -uy * half, ny = ux * half;
  FPoint a2{a.x - ux * extA, a.y - uy * extA}, b2{b.x + ux * extB, b.y + uy * extB};
  fillRing(m, {{a2.x + nx, a2.y + ny}, {b2.x + nx, b2.y + ny}, {b2.x - nx, b2.y - ny}, {a2.x - nx, a2.y - ny}});
}

void joinAt(Mask& m, FPoint p, FPoint prev, FPoint next, double half, PenJoin join) {
  if (join == PenJoin::Round) { fillDisc(m, p, half); return; }
  double d1x = p.x - prev.x, d1y = p.y - prev.y, d2x = next.x - p.x, d2y = next.y - p.y;
  double l1 = std::hypot(d1x, d1y), l2 = std::hypot(d2x, d2y);
  if (l1 == 0 || l2 == 0) return;
  FPoint n1{-d1y / l1 * half, d1x / l1 * half}, n2{-d2y / l2 * half, d2x / l2 * half};
  double cross = d1x * d2y - d1y * d2x;
  double s = cross > 0 ? -1 : 1;  // the outer side of the turn
  FPoint o1{p.x + s * n1.x, p.y + s * n1.y}, o2{p.x + s * n2.x, p.y + s * n2.y};
  if (join == PenJoin::Miter) {
    double cosT = (n1.x * n2.x + n1.y * n2.y) / (half * half);
    double k = 1 + cosT;
    // Mitre limit 10 (the platform's default): beyond it the join is bevelled.
    if (k > 2.0 / 100.0) {
      FPoint tip{p.x + s * (n1.x + n2.x) / k, p.y + s * (n1.y + n2.y) / k};
      fillRing(m, {p, o1, tip, o2});
      return;
    }
  }
  fillRing(m, {p, o1, o2});
}
}  // namespace

void strokeWide(Mask& m, std::span<FPoint const> pts, bool closed, TPenDesc const& pen) {
  std::vector<FPoint> path;
  for (auto const& p : pts)
    if (path.empty() || p.x != path.back().x || p.y != path.back().y) path.push_back(p);
  if (closed && path.size() > 1 && path.front().x == path.back().x && path.front().y == path.back().y)
    path.pop_back();
  double half = std::max(1, pen.width) / 2.0;
  if (path.size() == 1) {
    if (pen.cap == PenEndCap::Round) fillDisc(m, path[0], half);
    else if (pen.cap == PenEndCap::Square)
      fillRing(m, {{path[0].x - half, path[0].y - half}, {path[0].x + half, path[0].y - half},
                   {path[0].x + half, path[0].y + half}, {path[0].x - half, path[0].y + half}});
    return;
  }
  size_t n = path.size();
  size_t segs = closed ? n : n - 1;
  double capExt = pen.cap == PenEndCap::Square ? half : 0;
  for (size_t i = 0; i < segs; ++i) {
    bool first = !closed && i == 0, last = !closed && i == segs - 1;
    strokeSegment(m, path[i], path[(i + 1) % n], half, first ? capExt : 0, last ? capExt : 0);
  }
  for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i)
    joinAt(m, path[i], path[(i + n - 1) % n], path[(i + 1) % n], half, pen.join);
  if (!closed && pen.cap == PenEndCap::Round) {
    fillDisc(m, path.front(), half);
    fillDisc(m, path.back(), half);
  }
}

}  // namespace platform::detail
