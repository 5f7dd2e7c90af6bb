// TlineMan point in loop and polygon: ray crossing counts (even-odd) with a boundary answer within
// the tolerance. A segment takes part when the query x lies from its lower x (included) to its
// upper x (excluded), so a vertex where the ring turns back in x counts 0 or 2 times; a point on
// a vertex is on the boundary. The prepared form counts the same way over only the edges whose
// boxes reach the point's x, found in a segment tree of each ring built once.
#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

namespace {
bool inXRange(double x, double a, double b) { return (a <= x && x < b) || (b <= x && x < a); }
bool near(double x, double y, const xyrec& p, double snap) {
  return std::abs(x - p.x) <= snap && std::abs(y - p.y) <= snap;
}
}  // namespace

bool TlineMan::inLoop(double x, double y, const Txyvalues& xy) const {
  const double eq = createTrig().equality;
  int32_t crossings = 0;
  // A vertex is on the boundary: where the ring turns back at its largest x, the half-open x
  // ranges leave that vertex to neither of its segments.
  for (size_t i = 0; i + 1 < xy.size(); ++i) {
    const int32_t step = geom::rayStep(x, y, xy[i], xy[i + 1], eq);
    if (step < 0) return false;
    crossings += step;
  }
  return crossings % 2 == 1;
}

bool TlineMan::inLoop(int32_t x, int32_t y, const Tpoints& xy) const {
  int32_t crossings = 0;
  const size_t n = xy.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    const double x1 = xy[i].X, y1 = xy[i].Y, x2 = xy[i + 1].X, y2 = xy[i + 1].Y;
    if (x1 == x2 || !inXRange(x, x1, x2)) continue;
    const double h = (x - x1) / (x2 - x1);
    if (i + 2 == n && h == 1) continue;
    if (y < y1 + (y2 - y1) * h) ++crossings;
  }
  return crossings % 2 == 1;
}

bool TlineMan::inOrOnLoop(double x, double y, double snap, const Txyvalues& xy) {
  Thitrec& h = *fhit;
  h.hittype = 0;
  h.vertex = 0;
  if (xy.empty()) return false;
  const int32_t n = count(xy);
  if (n == 1) {
    if (!near(x, y, xy[0], snap) || createTrig().getdistance(x, y, xy[0].x, xy[0].y) > snap) return false;
    h.hittype = 32;
    h.x = xy[0].x;
    h.y = xy[0].y;
    return true;
  }
  geom::Restore<double> tolerance(createTrig().equality, snap);
  const bool closed = xy[0] == xy[n - 1];
  double running = 0;
  int32_t crossings = 0;
  bool hit = false;
  // A vertex hit: the hit point becomes the vertex; a closed ring's last point is vertex 0.
  auto onVertex = [&](int32_t v) {
    if (closed && v == n - 1) v = 0;
    h.hittype |= 2 | 4;
    if (v == 0) h.hittype |= 8;
    if (v == n - 1) h.hittype |= 16;
    h.vertex = v;
    h.x = xy[v].x;
    h.y = xy[v].y;
    h.u = 0;
  };
  for (int32_t i = 0; i + 1 < n; ++i) {
    const xyrec &p = xy[i], &q = xy[i + 1];
    running += (q.x - p.x) * (p.y + q.y) / 2;
    if (hit) {
      if (!closed) break;
      continue;
    }
    double px = x, py = y, hu = 0;
    if (inXRange(x, p.x, q.x)) {
      hu = (x - p.x) / (q.x - p.x);
      if (p.y + (q.y - p.y) * hu < y) ++crossings;
      if (std::abs(p.y - y) <= snap && std::abs(q.y - y) <= snap) hit = true;
    }
    if (!hit && ((p.y <= y && y < q.y) || (q.y <= y && y < p.y))) {
      const double dx = q.x - p.x, dy = q.y - p.y;
      hu = std::clamp(((x - p.x) * dx + (y - p.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      const double fx = p.x + hu * dx, fy = p.y + hu * dy;
      if (std::abs(fx - x) <= snap && std::abs(fy - y) <= snap) {
        hit = true;
        px = fx;
        py = fy;
      }
    }
    if (!hit) continue;
    h.hittype = 2;
    h.x = px;
    h.y = py;
    h.vertex = i;
    h.u = hu;
    if (near(px, py, p, snap)) {
      onVertex(i);
    } else if (near(px, py, q, snap)) {
      onVertex(i + 1);
    }
  }
  // A corner that is the excluded end of both its segments' ranges: still on that vertex.
  if (!hit)
    for (int32_t v = 0; v < n; ++v)
      if (near(x, y, xy[v], snap)) {
        h.hittype = 0;
        onVertex(v);
        break;
      }
  if (closed && crossings % 2 == 1) h.hittype |= 1;
  farea = std::isfinite(running) ? running : 0;
  fclockwise = farea >= 0;
  return h.hittype != 0;
}

bool TlineMan::inPolygon(double x, double y, const TpolyXyValues& xy) {
  if (xy.empty()) return false;
  bool inside = inLoop(x, y, xy[0]);
  for (size_t i = 1; inside && i < xy.size(); ++i) inside = !inLoop(x, y, xy[i]);
  if (inside) fhit->hittype = 1;
  return inside;
}

bool TlineMan::inPolygon(double x, double y, const TpreparedPolygon& xy) {
  const bool inside = xy.inPolygon(x, y);
  if (inside) fhit->hittype = 1;
  return inside;
}

bool TlineMan::inPolygon(double x, double y, const TpolyXyValues& xy, double minx, double miny, double maxx,
                         double maxy) {
  if (!(minx <= x && x <= maxx && miny <= y && y <= maxy)) return false;
  return inPolygon(x, y, xy);
}

int32_t TlineMan::inPolygon(double x, double y, const TpolyPolyXYvalues& xy) {
  for (int32_t i = 0; i < count(xy); ++i)
    if (inPolygon(x, y, xy[i])) return i;
  return -1;
}

bool TlineMan::inOrOnPolygon(double x, double y, double snap, const TpolyXyValues& xy) {
  Thitrec& h = *fhit;
  h.loop = 0;
  h.hittype = 0;
  h.x = x;
  h.y = y;
  if (xy.empty()) return false;
  bool haveArea = false;
  double smallest = 0;
  for (int32_t i = 0; i < count(xy); ++i) {
    if (!inOrOnLoop(x, y, snap, xy[i])) continue;
    h.loop = i;
    if (h.hittype & (2 | 32)) return true;
    if ((h.hittype & 1) && (!haveArea || std::abs(farea) < std::abs(smallest))) {
      smallest = farea;
      haveArea = true;
    }
  }
  h.hittype = 1;
  return haveArea && smallest > 0;
}

bool TlineMan::inLoops(double x, double y, const TpolyXyValues& xy) {
  int32_t n = 0;
  for (const Txyvalues& ring : xy)
    if (inLoop(x, y, ring)) ++n;
  if (n % 2 == 1) fhit->hittype = 1;
  return n % 2 == 1;
}

int32_t TlineMan::inHole(double x, double y, const TpolyXyValues& xy) const {
  for (int32_t i = 1; i < count(xy); ++i)
    if (inLoop(x, y, xy[i])) return i;
  return -1;
}

int32_t TlineMan::inWhichLoop(double x, double y, const TpolyXyValues& xy) {
  int32_t best = -1;
  double bestArea = 0;
  for (int32_t i = 0; i < count(xy); ++i) {
    const double a = area(xy[i]);
    if (a > 0 && (best < 0 || a < bestArea) && inLoop(x, y, xy[i])) {
      best = i;
      bestArea = a;
    }
  }
  return best;
}

int32_t TlineMan::inOrOnWhichLoop(double x, double y, double snap, const TpolyXyValues& xy) {
  int32_t best = -1;
  double bestArea = 0;
  for (int32_t i = 0; i < count(xy); ++i) {
    const double a = area(xy[i]);
    if (a > 0 && (best < 0 || a < bestArea) && inOrOnLoop(x, y, snap, xy[i])) {
      best = i;
      bestArea = a;
    }
  }
  return best;
}

int32_t TlineMan::closestToWhichLoop(double x, double y, const TpolyXyValues& xy) const {
  if (xy.size() < 2) return 0;
  int32_t best = 0;
  double bestD = DistanceTo(x, y, xy[0]);
  for (int32_t i = 1; i < count(xy); ++i) {
    const double d = DistanceTo(x, y, xy[i]);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// The prepared form: the same ray count over the edges whose boxes reach the point's x.

namespace geom {

bool inLoop(const TsegmentTree& tree, double x, double y, double eq) {
  // Wide enough for every edge the count could take: a vertex within eq, a vertical edge at x, an
  // edge whose x range holds x.
  const double w = (eq > 0 ? 2 * eq : 0) + roundingSlack(x, 0);
  constexpr double inf = std::numeric_limits<double>::infinity();
  const xyrec* p = tree.line().data();
  int32_t crossings = 0;
  const bool boundary = tree.query(Extent{x - w, -inf, x + w, inf}, [&](int32_t s) {
    const int32_t step = rayStep(x, y, p[s], p[s + 1], eq);
    crossings += step;
    return step < 0;
  });
  return !boundary && crossings % 2 == 1;
}

}  // namespace geom

TpreparedPolygon::TpreparedPolygon() = default;
TpreparedPolygon::TpreparedPolygon(const TpolyXyValues& xy) { prepare(xy); }
TpreparedPolygon::~TpreparedPolygon() = default;
TpreparedPolygon::TpreparedPolygon(TpreparedPolygon&&) noexcept = default;
TpreparedPolygon& TpreparedPolygon::operator=(TpreparedPolygon&&) noexcept = default;

void TpreparedPolygon::prepare(const TpolyXyValues& xy) {
  trees.assign(xy.size(), geom::TsegmentTree{});
  for (size_t r = 0; r < xy.size(); ++r) trees[r].build(xy[r]);
}

void TpreparedPolygon::prepare(const Txyvalues& ring) {
  trees.assign(1, geom::TsegmentTree{});
  trees[0].build(ring);
}

int32_t TpreparedPolygon::rings() const { return count(trees); }

bool TpreparedPolygon::inLoop(double x, double y, int32_t ring) const {
  if (ring < 0 || ring >= count(trees)) return false;
  return geom::inLoop(trees[ring], x, y, createTrig().equality);
}

bool TpreparedPolygon::inPolygon(double x, double y) const {
  if (trees.empty()) return false;
  const double eq = createTrig().equality;
  bool inside = geom::inLoop(trees[0], x, y, eq);
  for (size_t i = 1; inside && i < trees.size(); ++i) inside = !geom::inLoop(trees[i], x, y, eq);
  return inside;
}
