// Tbox: where segments and lines meet an axis-aligned box, whether a polygon meets it, the radial
// entry point of an outside point, and a coarse clip of a polygon to the box. The box's own
// segment test is exact (no tolerance); edges are tried left, right, bottom, top.
#include <array>
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

bool Tbox::linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                      double& u1, double& u2) {
  const double d = (y4 - y3) * (x2 - x1) - (x4 - x3) * (y2 - y1);
  if (d == 0 || !std::isfinite(d)) return false;
  u1 = ((x4 - x3) * (y1 - y3) - (y4 - y3) * (x1 - x3)) / d;
  u2 = ((x2 - x1) * (y1 - y3) - (y2 - y1) * (x1 - x3)) / d;
  return u1 >= 0 && u1 <= 1 && u2 >= 0 && u2 <= 1;
}

namespace {
// The box's edges as (x1, y1, x2, y2), in the order tried.
struct Edge {
  double x1, y1, x2, y2;
};
std::array<Edge, 4> edgesOf(const Tbox& b) {
  return {{{b.minx, b.miny, b.minx, b.maxy},
           {b.maxx, b.miny, b.maxx, b.maxy},
           {b.minx, b.miny, b.maxx, b.miny},
           {b.minx, b.maxy, b.maxx, b.maxy}}};
}
}  // namespace

// Runs once per segment of the hit tests: it leaves naming itself to its callers.
bool Tbox::lineintersects(double x1, double y1, double x2, double y2) {
  isOutside = true;
  if (!createTrig().BoxesOverlap(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), minx + snap,
                          miny + snap, maxx - snap, maxy - snap))
    return false;
  minu = 1;
  maxu = 0;
  isOutside = false;
  minfound = maxfound = false;
  bool crossed = false;
  for (const Edge& e : edgesOf(*this)) {
    double u1 = 0, u2 = 0;
    if (!linesCross(x1, y1, x2, y2, e.x1, e.y1, e.x2, e.y2, u1, u2)) continue;
    crossed = true;
    if (minu >= u1) {
      minu = u1;
      minfound = true;
    }
    if (maxu <= u1) {
      maxu = u1;
      maxfound = true;
    }
  }
  if (!crossed) isOutside = !contains(x1, y1);
  return crossed;
}

bool Tbox::lineintersects(const Txyvalues& xy) {
  bool allOutside = true;
  for (size_t i = 0; i + 1 < xy.size(); ++i) {
    if (lineintersects(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y)) {
      isOutside = false;
      return true;
    }
    allOutside = allOutside && isOutside;
  }
  isOutside = allOutside;
  return false;
}

bool Tbox::lineintersects(const Txyvalues& xy, Tdlist& u) { return lineintersects(xy, u, 0); }

bool Tbox::lineintersects(const Txyvalues& xy, Tdlist& u, int32_t ellipseSteps) {
  TprocScope proc(*this, "LineIntersects");
  u.clear();
  cutXY.clear();
  std::vector<Edge> edges;
  if (ellipseSteps > 0) {
    const double cx = (minx + maxx) / 2, cy = (miny + maxy) / 2, hw = (maxx - minx) / 2, hh = (maxy - miny) / 2;
    xyrec prev{cx, cy + hh};
    for (int32_t k = 1; k <= ellipseSteps; ++k) {
      const double a = 2 * M_PI * k / ellipseSteps;
      const xyrec next = k == ellipseSteps ? xyrec{cx, cy + hh} : xyrec{cx + hw * std::sin(a), cy + hh * std::cos(a)};
      edges.push_back({prev.x, prev.y, next.x, next.y});
      prev = next;
    }
  } else {
    const auto four = edgesOf(*this);
    edges.assign(four.begin(), four.end());
  }
  for (int32_t i = 0; i + 1 < count(xy); ++i)
    for (const Edge& e : edges) {
      double u1 = 0, u2 = 0;
      if (!linesCross(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, e.x1, e.y1, e.x2, e.y2, u1, u2) || !(u1 > 0))
        continue;
      const size_t before = u.size();
      geom::addAscending(u, i + u1, false);
      if (u.size() > before) cutXY.push_back({e.x1 + (e.x2 - e.x1) * u2, e.y1 + (e.y2 - e.y1) * u2});
    }
  if (!u.empty()) {
    isOutside = false;
    return true;
  }
  isOutside = xy.size() > 1 && !contains((xy[0].x + xy[1].x) / 2, (xy[0].y + xy[1].y) / 2);
  return false;
}

bool Tbox::radialIntersects(double x1, double y1, double& cutX, double& cutY) {
  TprocScope proc(*this, "RadialIntersects");
  if (contains(x1, y1) || !std::isfinite(x1 + y1)) return false;
  const double cx = (minx + maxx) / 2, cy = (miny + maxy) / 2;
  for (const Edge& e : edgesOf(*this)) {
    double u1 = 0, u2 = 0;
    if (linesCross(x1, y1, cx, cy, e.x1, e.y1, e.x2, e.y2, u1, u2)) {
      cutX = x1 + u1 * (cx - x1);
      cutY = y1 + u1 * (cy - y1);
      break;
    }
  }
  return true;
}

bool Tbox::PolygonIntersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, bool isLine) {
  cutfound = false;
  if (minx <= x1 && miny <= y1 && maxx >= x2 && maxy >= y2) return true;
  if (!isLine && createLineman().inLoop((minx + maxx) / 2, (miny + maxy) / 2, xy)) return true;
  cutfound = lineintersects(xy, cutU);
  return cutfound;
}

bool Tbox::PolygonIntersects(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, bool isLine) {
  cutfound = false;
  if (minx <= x1 && miny <= y1 && maxx >= x2 && maxy >= y2) return true;
  if (!isLine && createLineman().inPolygon((minx + maxx) / 2, (miny + maxy) / 2, xy)) return true;
  for (const Txyvalues& ring : xy)
    if (lineintersects(ring)) return true;
  return false;
}

bool Tbox::PolygonIntersects(const TpolyXyValues& xy, bool isLine) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  createLineman().bounds(x1, y1, x2, y2, xy);
  return PolygonIntersects(x1, y1, x2, y2, xy, isLine);
}

bool Tbox::clipPolygon(TpolyXyValues& xy, double x1, double y1, double x2, double y2) {
  TprocScope proc(*this, "clipPolygon");
  if (minx <= x1 && miny <= y1 && maxx >= x2 && maxy >= y2) return false;
  TlineMan& lm = createLineman();
  const Txyvalues boxRing{{minx, miny}, {minx, maxy}, {maxx, maxy}, {maxx, miny}, {minx, miny}};
  for (int32_t r = count(xy) - 1; r >= 0; --r) {
    Txyvalues& ring = xy[r];
    bool allOutside = true, crossed = false;
    for (int32_t i = count(ring) - 2; i >= 0; --i) {
      allOutside = allOutside && !contains(ring[i + 1].x, ring[i + 1].y);
      const xyrec p = ring[i], q = ring[i + 1];
      if (!lineintersects(p.x, p.y, q.x, q.y)) continue;
      crossed = true;
      auto at = [&](double u) { return xyrec{p.x + u * (q.x - p.x), p.y + u * (q.y - p.y)}; };
      if (minu < maxu) ring.insert(ring.begin() + i + 1, at(maxu));
      ring.insert(ring.begin() + i + 1, at(minu));
    }
    if (allOutside && !crossed) {
      // Untouched by the box: kept only when it surrounds the box, as the box itself.
      if (ring.size() > 2 && lm.inLoop((minx + maxx) / 2, (miny + maxy) / 2, ring)) {
        ring = boxRing;
        if (r > 0) std::reverse(ring.begin(), ring.end());
        continue;
      }
      if (r == 0) {
        xy.clear();
        return true;
      }
      xy.erase(xy.begin() + r);
      continue;
    }
    if (!crossed) continue;
    for (int32_t i = count(ring) - 1; i >= 0; --i) {
      double cx = ring[i].x, cy = ring[i].y;
      if (radialIntersects(ring[i].x, ring[i].y, cx, cy)) ring[i] = {cx, cy};
    }
  }
  return true;
}
