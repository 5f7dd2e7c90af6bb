// TlineMan distances and on-line tests: point to segment, infinite line, line and polygon, line
// to line, and whether a point lies on a line within a snap distance. The foot of a perpendicular
// has u = ((p - p1) . d) / |d|^2; a segment of no length has u 0 and its point as foot.
#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {

constexpr double kFar = 2147483647;  // the distance of nothing measured

using geom::footU;

}  // namespace

double TlineMan::DistanceToInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                        double& xc, double& yc, bool& rightofline) const {
  return geom::distanceToInfiniteLine(x, y, x1, y1, x2, y2, u, xc, yc, rightofline);
}

double TlineMan::DistanceToInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                        double& xc, double& yc) const {
  bool right = false;
  return DistanceToInfiniteLine(x, y, x1, y1, x2, y2, u, xc, yc, right);
}

double TlineMan::DistanceToInfiniteLine(double x, double y, double z, double x1, double y1, double z1, double x2,
                                        double y2, double z2, double& u, double& xc, double& yc,
                                        double& zc) const {
  const double dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
  const double l2 = dx * dx + dy * dy + dz * dz;
  u = l2 > 0 ? ((x - x1) * dx + (y - y1) * dy + (z - z1) * dz) / l2 : 0;
  xc = x1 + u * dx;
  yc = y1 + u * dy;
  zc = z1 + u * dz;
  return createTrig().getdistance(x, y, z, xc, yc, zc);
}

double TlineMan::DistanceTo(double x, double y, double x1, double y1, double x2, double y2, double& u, double& xc,
                            double& yc) const {
  u = footU(x, y, x1, y1, x2, y2);
  if (!(u > 0)) {
    u = 0;
    xc = x1;
    yc = y1;
  } else if (u >= 1) {
    u = 1;
    xc = x2;
    yc = y2;
  } else {
    xc = x1 + u * (x2 - x1);
    yc = y1 + u * (y2 - y1);
  }
  return std::hypot(x - xc, y - yc);
}

bool TlineMan::DistanceLessThan(double x, double y, const Txyvalues& xy, double& u, double& xc, double& yc,
                                double& d) const {
  bool found = false;
  const int32_t n = count(xy);
  for (int32_t i = 0; d > 0 && i < n - 1; ++i) {
    const xyrec &p = xy[i], &q = xy[i + 1];
    if (i > 0 && (std::min(p.x, q.x) > x + d || std::max(p.x, q.x) < x - d || std::min(p.y, q.y) > y + d ||
                  std::max(p.y, q.y) < y - d))
      continue;
    // Squared distances until one wins: the square root only for improvements.
    double su = footU(x, y, p.x, p.y, q.x, q.y);
    su = su > 0 ? std::min(su, 1.0) : 0;
    const double sx = p.x + su * (q.x - p.x), sy = p.y + su * (q.y - p.y);
    const double d2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
    if (d2 < d * d) {
      d = std::sqrt(d2);
      u = i + su;
      xc = sx;
      yc = sy;
      found = true;
    }
  }
  if (n > 0) {
    if (u < 0) u = 0;
    if (u > n - 1) u = n - 1;
  }
  return found;
}

double TlineMan::DistanceTo(double x, double y, const Txyvalues& xy, double& u, double& xc, double& yc) const {
  double d = kFar;
  (void)DistanceLessThan(x, y, xy, u, xc, yc, d);
  return d;
}

double TlineMan::DistanceTo(double x, double y, const Txyvalues& xy) const {
  double u = 0, xc = 0, yc = 0;
  return DistanceTo(x, y, xy, u, xc, yc);
}

bool TlineMan::DistanceLessThan(double x, double y, const TpolyXyValues& xy, int32_t& loop, double& u, double& xc,
                                double& yc, double& d) const {
  for (int32_t i = 0; i < count(xy); ++i)
    if (DistanceLessThan(x, y, xy[i], u, xc, yc, d)) {
      loop = i;
      return true;
    }
  return false;
}

double TlineMan::DistanceTo(double x, double y, const TpolyXyValues& xy, int32_t& loopIndex, double& u, double& xc,
                            double& yc) const {
  double d = kFar;
  loopIndex = -1;
  for (int32_t i = 0; i < count(xy) && d > 0; ++i)
    if (DistanceLessThan(x, y, xy[i], u, xc, yc, d)) loopIndex = i;
  return d;
}

double TlineMan::DistanceTo(double x, double y, const TpolyXyValues& xy) const {
  int32_t loop = 0;
  double u = 0, xc = 0, yc = 0;
  return DistanceTo(x, y, xy, loop, u, xc, yc);
}

bool TlineMan::DistanceLessThan(double x, double y, const Txyvalues& xy, double d) const {
  if (xy.size() == 1) return createTrig().getdistance(x, y, xy[0].x, xy[0].y) < d;
  for (size_t i = 0; i + 1 < xy.size(); ++i)
    if (createTrig().DistanceLessThan(x, y, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, d)) return true;
  return false;
}

bool TlineMan::DistanceLessThan(double x, double y, const TpolyXyValues& xy, double d) const {
  for (const Txyvalues& ring : xy)
    if (DistanceLessThan(x, y, ring, d)) return true;
  return false;
}

bool TlineMan::DistanceLessThan(const Txyvalues& a, const Txyvalues& b, double& ua, double& xa, double& ya,
                                double& ub, double& xb, double& yb, double& d) {
  bool found = false;
  // Lines that cross between vertices touch: distance 0 at the crossing. Collinear overlaps
  // reach 0 through the vertex passes below, an end of one lying on the other.
  if (d > 0 && a.size() > 1 && b.size() > 1) {
    double ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0, bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
    bounds(ax1, ay1, ax2, ay2, a);
    bounds(bx1, by1, bx2, by2, b);
    int32_t status = 0;
    if (createTrig().BoxesIntersect(ax1, ay1, ax2, ay2, bx1, by1, bx2, by2))
      for (int32_t i = 0; i + 1 < count(a) && !found; ++i)
        for (int32_t j = 0; j + 1 < count(b); ++j)
          if (linesCross(a[i].x, a[i].y, a[i + 1].x, a[i + 1].y, b[j].x, b[j].y, b[j + 1].x, b[j + 1].y, status) &&
              (status & 2) == 0) {
            d = 0;
            ua = i + std::clamp(u1, 0.0, 1.0);
            ub = j + std::clamp(u2, 0.0, 1.0);
            xa = xb = fxc;
            ya = yb = fyc;
            found = true;
            break;
          }
  }
  for (int32_t i = 0; i < count(a) && d > 0; ++i) {
    double u = 0, x = 0, y = 0;
    if (DistanceLessThan(a[i].x, a[i].y, b, u, x, y, d)) {
      ua = i;
      xa = a[i].x;
      ya = a[i].y;
      ub = u;
      xb = x;
      yb = y;
      found = true;
    }
  }
  for (int32_t j = 0; j < count(b) && d > 0; ++j) {
    double u = 0, x = 0, y = 0;
    if (DistanceLessThan(b[j].x, b[j].y, a, u, x, y, d)) {
      ub = j;
      xb = b[j].x;
      yb = b[j].y;
      ua = u;
      xa = x;
      ya = y;
      found = true;
    }
  }
  return found;
}

double TlineMan::DistanceTo(const Txyvalues& a, const Txyvalues& b, double& ua, double& xa, double& ya, double& ub,
                            double& xb, double& yb) {
  double d = kFar;
  (void)DistanceLessThan(a, b, ua, xa, ya, ub, xb, yb, d);
  return d;
}

bool TlineMan::DistanceLessThan(const Txyvalues& a, const Txyvalues& b, double d) {
  double ua = 0, xa = 0, ya = 0, ub = 0, xb = 0, yb = 0;
  return DistanceLessThan(a, b, ua, xa, ya, ub, xb, yb, d);
}

bool TlineMan::DistanceLessThan(const Txyvalues& a, const TpolyXyValues& b, double d) {
  for (const Txyvalues& ring : b)
    if (DistanceLessThan(a, ring, d)) return true;
  return false;
}

bool TlineMan::DistanceLessThan(const TpolyXyValues& a, const TpolyXyValues& b, int32_t& loopa, double& ua,
                                double& xa, double& ya, int32_t& loopb, double& ub, double& xb, double& yb,
                                double& d) {
  for (int32_t i = 0; i < count(a); ++i)
    for (int32_t j = 0; j < count(b); ++j)
      if (DistanceLessThan(a[i], b[j], ua, xa, ya, ub, xb, yb, d)) {
        loopa = i;
        loopb = j;
        return true;
      }
  return false;
}

double TlineMan::DistanceTo(const TpolyXyValues& a, const TpolyXyValues& b, int32_t& loopa, double& ua, double& xa,
                            double& ya, int32_t& loopb, double& ub, double& xb, double& yb) {
  // Every ring pair, the running limit keeping only improvements: the smallest over all pairs.
  double d = kFar;
  for (int32_t i = 0; i < count(a) && d > 0; ++i)
    for (int32_t j = 0; j < count(b) && d > 0; ++j)
      if (DistanceLessThan(a[i], b[j], ua, xa, ya, ub, xb, yb, d)) {
        loopa = i;
        loopb = j;
      }
  return d;
}

// ---------------------------------------------------------------------------------------------
// Point on line

bool TlineMan::PointOnLine(double x, double y, double x1, double y1, double x2, double y2, double snap, double& u) {
  if (!(x >= std::min(x1, x2) - snap && x <= std::max(x1, x2) + snap && y >= std::min(y1, y2) - snap &&
        y <= std::max(y1, y2) + snap))
    return false;
  u = footU(x, y, x1, y1, x2, y2);
  if (snaptocorners) {
    u = std::clamp(u, 0.0, 1.0);
  } else if (u < 0 || u > 1) {
    return false;
  }
  fxc = x1 + u * (x2 - x1);
  fyc = y1 + u * (y2 - y1);
  fvc = std::hypot(x - fxc, y - fyc);
  return fvc <= snap;
}

bool TlineMan::PointOnLine(double x, double y, double x1, double y1, double x2, double y2, double& u) {
  return PointOnLine(x, y, x1, y1, x2, y2, createTrig().equality, u);
}

bool TlineMan::PointOnInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double snap,
                                   double& u) {
  u = footU(x, y, x1, y1, x2, y2);
  fxc = x1 + u * (x2 - x1);
  fyc = y1 + u * (y2 - y1);
  fvc = std::hypot(x - fxc, y - fyc);
  return fvc <= snap;
}

namespace {
bool within(double x, double y, const xyrec& p, double snap) {
  return std::abs(x - p.x) <= snap && std::abs(y - p.y) <= snap;
}
}  // namespace

bool TlineMan::PointOnLine(double x, double y, double snap, const Txyvalues& xy, int32_t& vertex, double& u,
                           bool findfirst) {
  const int32_t n = count(xy);
  const bool closed = n > 1 && xy[0] == xy[n - 1];
  double s = snap, hx = 0, hy = 0;
  bool found = false;
  auto onVertex = [&](int32_t v) {
    if (!within(x, y, xy[v], s)) return false;
    const double dv = createTrig().getdistance(x, y, xy[v].x, xy[v].y);
    if (!(dv <= s)) return false;
    s = dv;
    found = true;
    vertex = (closed && v == n - 1) ? 0 : v;
    u = 0;
    hx = xy[v].x;
    hy = xy[v].y;
    return true;
  };
  for (int32_t i = 0; !(found && findfirst) && i < n - 1; ++i) {
    if (snaptocorners) {
      if (onVertex(i)) continue;
      if (i == n - 2 && onVertex(i + 1)) continue;
    }
    if (found || !(s > 0)) continue;
    double su = 0;
    if (!PointOnLine(x, y, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, s, su)) continue;
    found = true;
    vertex = i;
    if (snaptocorners) {
      if (su > 0 && su < 0.5 && within(x, y, xy[i], snap)) su = 0;
      if (su > 0.5 && su < 1 && within(x, y, xy[i + 1], snap)) su = 1;
    }
    if (su == 1) {
      vertex = i + 1;
      su = 0;
      if (vertex == n - 1 && closed) vertex = 0;
    }
    u = su;
    s = fvc;
    hx = fxc;
    hy = fyc;
  }
  if (found) {
    fxc = hx;
    fyc = hy;
  }
  fvc = s;
  return found;
}

bool TlineMan::PointOnLine(double x, double y, double snap, const Txyvalues& xy, int32_t& vertex, double& u) {
  return PointOnLine(x, y, snap, xy, vertex, u, true);
}

bool TlineMan::PointOnLine(double x, double y, double snap, const Txyvalues& xy) {
  int32_t vertex = 0;
  double u = 0;
  return PointOnLine(x, y, snap, xy, vertex, u, true);
}

bool TlineMan::PointOnLine(double x, double y, const Txyvalues& xy, int32_t& vertex, double& u) {
  return PointOnLine(x, y, createTrig().equality, xy, vertex, u, true);
}

bool TlineMan::PointOnLine(double x, double y, double snap, const TpolyXyValues& xy, int32_t& loop, int32_t& vertex,
                           double& u) {
  for (loop = 0; loop < count(xy); ++loop)
    if (PointOnLine(x, y, snap, xy[loop], vertex, u, true)) return true;
  return false;
}

bool TlineMan::PointOnLine(double x, double y, double snap, const TpolyXyValues& xy) {
  int32_t loop = 0, vertex = 0;
  double u = 0;
  return PointOnLine(x, y, snap, xy, loop, vertex, u);
}

bool TlineMan::PointOnLine(double x, double y, double snap, const Txyvalues& xy, Txyzvalues& vud,
                           int32_t& closest) {
  vud.clear();
  const int32_t n = count(xy);
  for (int32_t i = 0; i < n; ++i) {
    if (snaptocorners && within(x, y, xy[i], snap)) {
      const double dv = createTrig().getdistance(x, y, xy[i].x, xy[i].y);
      if (dv <= snap) {
        vud.push_back({static_cast<double>(i), 0, dv});
        continue;
      }
    }
    if (i >= n - 1) continue;
    double su = 0;
    if (!PointOnLine(x, y, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, snap, su)) continue;
    double dist = fvc;
    // Toward a vertex only when that vertex is itself within snap: a hit left to the next
    // vertex's own test must not be lost where that test fails.
    auto vertexHit = [&](const xyrec& v) {
      return within(x, y, v, snap) && createTrig().getdistance(x, y, v.x, v.y) <= snap;
    };
    if (snaptocorners) {
      if (su > 0 && su < 0.5 && vertexHit(xy[i])) su = 0;
      if (su > 0.5 && su < 1 && vertexHit(xy[i + 1])) su = 1;
    }
    if (su < 1) vud.push_back({static_cast<double>(i), su, dist});
  }
  if (vud.empty()) return false;
  closest = 0;
  for (int32_t k = 1; k < count(vud); ++k)
    if (vud[k].z < vud[closest].z) closest = k;
  const auto p = std::clamp(static_cast<int32_t>(std::lround(vud[closest].x)), 0, n - 1);
  const double su = vud[closest].y;
  if (su == 0 || p >= n - 1) {
    fxc = xy[p].x;
    fyc = xy[p].y;
  } else {
    createTrig().getCut(xy[p].x, xy[p].y, xy[p + 1].x, xy[p + 1].y, su, fxc, fyc);
  }
  fvc = createTrig().getdistance(x, y, fxc, fyc);
  return true;
}

bool TlineMan::PointOnVertex(double x, double y, double& snap, const Txyvalues& xy, int32_t& vertex) const {
  vertex = -1;
  for (int32_t i = 0; i < count(xy); ++i) {
    if (!within(x, y, xy[i], snap)) continue;
    const double d = createTrig().getdistance(x, y, xy[i].x, xy[i].y);
    if (d <= snap) {
      vertex = i;
      snap = d;
    }
  }
  return vertex >= 0;
}

bool TlineMan::insertVertex(double x, double y, double snap, TpolyXyValues& xy) {
  int32_t loop = 0, vertex = 0;
  double u = 0;
  if (!PointOnLine(x, y, snap, xy, loop, vertex, u) || !(u > 0)) return false;
  Txyvalues& ring = xy[loop];
  ring.insert(ring.begin() + vertex + 1, xyrec{x, y});
  return true;
}
