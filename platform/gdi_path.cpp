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
