// The device context's path: figures recorded in continuous device coordinates between
// beginPath and endPath, then consumed as a region or a clip (stroke and fill are with the shapes).
// A region from a path holds the pixels whose centres lie inside, by the context's fill mode.
#include <algorithm>
#include <cmath>

#include "platform/gdi.h"
#include "platform/gdi_raster.h"

namespace platform {

bool TDeviceContext::beginPath() {
  fpath.clear();
  fpathState = PathState::Open;
  return true;
}

bool TDeviceContext::endPath() {
  if (fpathState != PathState::Open) return false;
  fpathState = PathState::Closed;
  return true;
}

bool TDeviceContext::abortPath() {
  fpath.clear();
  fpathState = PathState::None;
  return true;
}

bool TDeviceContext::closeFigure() {
  if (fpathState != PathState::Open || fpath.empty()) return false;
  fpath.back().closed = true;
  return true;
}

void TDeviceContext::pathMoveTo(TFPoint p) {
  if (fpathState != PathState::Open) return;
  if (!fpath.empty() && fpath.back().pts.size() < 2) fpath.pop_back();  // a lone point draws nothing
  fpath.push_back({{p}, false});
}

void TDeviceContext::pathLineTo(TFPoint p) {
  if (fpathState != PathState::Open) return;
  if (fpath.empty() || fpath.back().closed) fpath.push_back({{p}, false});
  else fpath.back().pts.push_back(p);
}

void TDeviceContext::pathAddFigure(std::span<TFPoint const> pts, bool closed) {
  if (fpathState != PathState::Open || pts.empty()) return;
  if (!fpath.empty() && fpath.back().pts.size() < 2) fpath.pop_back();
  fpath.push_back({{pts.begin(), pts.end()}, closed});
}

std::vector<TDeviceContext::Figure> TDeviceContext::takePath() {
  std::vector<Figure> out = std::move(fpath);
  fpath.clear();
  fpathState = PathState::None;
  return out;
}

bool TDeviceContext::flattenPath() { return hasPath(); }

bool TDeviceContext::widenPath() {
  if (!hasPath()) return false;
  std::vector<Figure> figs = takePath();
  const double reach = std::max(1, fstate.pen.width) + 2;
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (auto const& f : figs)
    for (auto const& q : f.pts) {
      if (!std::isfinite(q.x) || !std::isfinite(q.y)) continue;
      x0 = std::min(x0, q.x);
      y0 = std::min(y0, q.y);
      x1 = std::max(x1, q.x);
      y1 = std::max(y1, q.y);
    }
  fpathState = PathState::Closed;  // an empty path stays a (closed, empty) path
  if (!(x0 <= x1) || !(y0 <= y1)) return true;
  // Paint the stroke into a scratch surface that covers it, bounded by what could ever show.
  TRect area{int(std::floor(std::max(x0 - reach, -1e6))), int(std::floor(std::max(y0 - reach, -1e6))),
             int(std::ceil(std::min(x1 + reach, 1e6))) + 1, int(std::ceil(std::min(y1 + reach, 1e6))) + 1};
  if (fsurface) area.intersect(fsurface->bounds());
  if (area.isEmpty() || int64_t(area.width()) * area.height() > 64'000'000) return true;
  TSurface scratch;
  if (!scratch.create(area.width(), area.height(), 8)) return true;
  TDeviceContext t(&scratch);
  TPenDesc pen = fstate.pen;
  pen.color = 0xFFFFFF;
  t.setPen(pen);
  t.setBkMode(BkMode::Transparent);
  t.beginPath();
  for (auto& f : figs) {
    for (auto& q : f.pts) q = {q.x - area.Left, q.y - area.Top};
    t.pathAddFigure(f.pts, f.closed);
  }
  t.endPath();
  t.strokePath();
  // Runs of painted pixels, joined downward while a run repeats exactly in the next row.
  std::vector<TRect> open, done;
  for (int y = 0; y < scratch.height(); ++y) {
    std::vector<TRect> row;
    for (int x = 0; x < scratch.width();) {
      if (scratch.pixel(x, y) == 0) {
        ++x;
        continue;
      }
      int e = x;
      while (e < scratch.width() && scratch.pixel(e, y) != 0) ++e;
      row.push_back({x, y, e, y + 1});
      x = e;
    }
    std::vector<TRect> next;
    for (auto& r : row) {
      auto it = std::find_if(open.begin(), open.end(), [&](TRect const& o) { return o.Left == r.Left && o.Right == r.Right; });
      if (it != open.end()) {
        it->Bottom = y + 1;
        next.push_back(*it);
        open.erase(it);
      } else {
        next.push_back(r);
      }
    }
    done.insert(done.end(), open.begin(), open.end());
    open = std::move(next);
  }
  done.insert(done.end(), open.begin(), open.end());
  for (auto const& r : done) {
    const double l = r.Left + area.Left, tp = r.Top + area.Top, rt = r.Right + area.Left, bt = r.Bottom + area.Top;
    fpath.push_back({{{l, tp}, {rt, tp}, {rt, bt}, {l, bt}}, true});
  }
  return true;
}

bool TDeviceContext::getPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) const {
  points.clear();
  types.clear();
  if (!hasPath()) return false;
  for (auto const& f : fpath) {
    for (size_t i = 0; i < f.pts.size(); ++i) {
      const TPoint d{int(std::clamp(std::nearbyint(f.pts[i].x), -1e9, 1e9)),
                     int(std::clamp(std::nearbyint(f.pts[i].y), -1e9, 1e9))};
      points.push_back(toLogical(d));
      uint8_t kind = i == 0 ? PT_MOVETO : PT_LINETO;
      if (f.closed && i + 1 == f.pts.size()) kind |= PT_CLOSEFIGURE;
      types.push_back(kind);
    }
  }
  return true;
}

bool TDeviceContext::pathToRegion(TRegion& out) {
  out.clear();
  if (!hasPath()) return false;
  auto figs = takePath();
  std::vector<std::vector<TFPoint>> rings;
  double top = 1e300, bottom = -1e300;
  for (auto& f : figs) {
    if (f.pts.size() < 3) continue;
    for (auto const& q : f.pts) {
      if (!std::isfinite(q.y)) continue;
      top = std::min(top, q.y);
      bottom = std::max(bottom, q.y);
    }
    rings.push_back(std::move(f.pts));
  }
  if (rings.empty() || !(top <= bottom)) return true;
  // Regions reach well beyond the surface (text is measured on a small reference bitmap), but
  // not without end.
  constexpr double kReach = 65536;
  int r0 = int(std::clamp(std::floor(top), -kReach, kReach)), r1 = int(std::clamp(std::ceil(bottom) + 1, -kReach, kReach));
  std::vector<TRect> runs;
  detail::scanPolygon(rings, fstate.fillMode, r0, r1, [&](int y, int a, int b) { runs.push_back({a, y, b, y + 1}); });
  out = TRegion::fromDisjoint(std::move(runs));
  return true;
}

bool TDeviceContext::selectClipPath(int mode) {
  if (!hasPath() || mode < RGN_AND || mode > RGN_COPY) return false;
  TRegion path;
  pathToRegion(path);
  TRegion now = visibleRegion();
  TRegion next;
  switch (mode) {
    case RGN_AND: next = now; next.intersect(path); break;
    case RGN_OR: next = now; next.unite(path); break;
    case RGN_DIFF: next = now; next.subtract(path); break;
    case RGN_XOR: {
      TRegion both = now;
      both.intersect(path);
      next = now;
      next.unite(path);
      next.subtract(both);
      break;
    }
    default: next = path; break;
  }
  selectClipRegion(&next);
  return true;
}

}  // namespace platform
