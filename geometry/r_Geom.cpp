// TlineMan: lifecycle of the shared line manager and the segment crossing family.
// Crossing parameters follow the usual two-segment solution; d is the cross product of the two
// directions, compared with the tolerance scaled by both lengths so short segments still cross.
// Two lines pair only the segments whose boxes meet, found through segment trees.
#include "geometry/r_Geom.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "geometry/r_Geom_internal.h"

TlineMan* lineman = nullptr;
Tclipper* clipper = nullptr;

namespace {
// Freed in reverse order at exit: the clipper first, then the line manager.
std::unique_ptr<TlineMan> ownLineman;
std::unique_ptr<Tclipper> ownClipper;
}  // namespace

TlineMan& createLineman() {
  if (!lineman) {
    ownLineman = std::make_unique<TlineMan>();
    lineman = ownLineman.get();
  }
  return *lineman;
}

void freeLineman() {
  clipper = nullptr;
  ownClipper.reset();
  if (ownLineman && lineman == ownLineman.get()) lineman = nullptr;
  ownLineman.reset();
}

TlineMan::TlineMan() {
  createTrig();
  seterr("b1");
  fhit = std::make_unique<Thitrec>();
  seterr("b2");
  polyIntersect = std::make_unique<TpolyIntersect>(this);
  seterr("b3");
  curve = std::make_unique<Tsinuous>();
  if (!clipper) {
    ownClipper = std::make_unique<Tclipper>();
    clipper = ownClipper.get();
  }
  seterr("");
}

TlineMan::~TlineMan() = default;

bool TlineMan::linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                          int32_t& status) {
  status = 0;
  const double eq = createTrig().equality;
  if (!assumeBounds) {
    // Extents, each segment put in order; touching extents meet.
    if (std::max(x1, x2) < std::min(x3, x4) || std::max(x3, x4) < std::min(x1, x2) ||
        std::max(y1, y2) < std::min(y3, y4) || std::max(y3, y4) < std::min(y1, y2))
      return false;
    // NaN compares false above: refuse it here so no field takes a meaningless value.
    if (!(std::isfinite(x1 + y1 + x2 + y2 + x3 + y3 + x4 + y4))) return false;
  }
  u1 = 0;
  u2 = 0;
  // Shared ends are exact; the last match in table order wins.
  bool shared = false;
  auto end = [&](double px, double py, int32_t bits, double a, double b) {
    status = bits;
    u1 = a;
    u2 = b;
    fxc = px;
    fyc = py;
    shared = true;
  };
  if (x1 == x3 && y1 == y3) end(x1, y1, 256, 0, 0);
  if (x1 == x4 && y1 == y4) end(x1, y1, 512, 0, 1);
  if (x2 == x3 && y2 == y3) end(x2, y2, 1024, 1, 0);
  if (x2 == x4 && y2 == y4) end(x2, y2, 2048, 1, 1);
  if (shared) return false;

  const double dx1 = x2 - x1, dy1 = y2 - y1, dx2 = x4 - x3, dy2 = y4 - y3;
  const double d = dy2 * dx1 - dx2 * dy1;
  const double l1sq = dx1 * dx1 + dy1 * dy1, l2sq = dx2 * dx2 + dy2 * dy2;
  // Parallel when the sine of the angle between them is within the tolerance.
  if (!(d * d > eq * eq * l1sq * l2sq)) {
    if (debug) log("linesCross a1: parallel");
    // A segment of no length has no direction: it crosses nothing.
    if (l1sq < eq * eq || l2sq < eq * eq || !std::isfinite(d)) return false;
    const double dist = DistanceToInfiniteLine(x3, y3, x1, y1, x2, y2, u1, fxc, fyc);
    if (dist / std::sqrt(l1sq) >= 0.001) {
      status |= 1;
      return false;
    }
    status |= 2;
    if (debug) log("linesCross a2: collinear");
    if (x1 == x2) {
      u1 = (y3 - y1) / dy1;
      u2 = (y4 - y1) / dy1;
    } else {
      u1 = (x3 - x1) / dx1;
      u2 = (x4 - x1) / dx1;
    }
    if (u1 > 0 && u1 < 1) status |= 4;
    if (u2 > 0 && u2 < 1) status |= 8;
    double e1, e2;
    if (x3 == x4) {
      e1 = (y1 - y3) / dy2;
      e2 = (y2 - y3) / dy2;
    } else {
      e1 = (x1 - x3) / dx2;
      e2 = (x2 - x3) / dx2;
    }
    if (e1 > 0 && e1 < 1) status |= 16;
    if (e2 > 0 && e2 < 1) status |= 32;
    if (status > 16) {
      u1 = e1;
      u2 = e2;
    }
    return status > 2;
  }
  u1 = (dx2 * (y1 - y3) - dy2 * (x1 - x3)) / d;
  u2 = (dx1 * (y1 - y3) - dy1 * (x1 - x3)) / d;
  if (debug) log("linesCross u1 " + std::to_string(u1) + " u2 " + std::to_string(u2));
  if (u1 >= -eq && u1 <= 1 + eq && u2 >= -eq && u2 <= 1 + eq) {
    if (u1 > 0 && u1 < 1) status |= 64;
    if (u2 > 0 && u2 < 1) status |= 128;
    fxc = x1 + dx1 * u1;
    fyc = y1 + dy1 * u1;
    return true;
  }
  return false;
}

bool TlineMan::linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  return linesCross(x1, y1, x2, y2, x3, y3, x4, y4, crossstatus);
}

bool TlineMan::linesCross(const xyrec& p1, const xyrec& p2, const xyrec& p3, const xyrec& p4) {
  return linesCross(p1.x, p1.y, p2.x, p2.y, p3.x, p3.y, p4.x, p4.y, crossstatus);
}

bool TlineMan::linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy) {
  return linescross(x1, y1, x2, y2, xy, 0, count(xy) - 1);
}

bool TlineMan::linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t first,
                          int32_t last) {
  first = std::max(first, 0);
  last = std::min(last, count(xy) - 1);
  int32_t status = 0;
  for (int32_t i = first; i < last; ++i) {
    const xyrec& p = xy[i];
    const xyrec& q = xy[i + 1];
    if (linesCross(x1, y1, x2, y2, p.x, p.y, q.x, q.y, status)) {
      fxc = x1 + u1 * (x2 - x1);
      fyc = y1 + u1 * (y2 - y1);
      return true;
    }
  }
  return false;
}

bool TlineMan::linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t first,
                          int32_t last, bool /*wantClosest*/) {
  first = std::max(first, 0);
  last = std::min(last, count(xy) - 1);
  int32_t status = 0;
  bool found = false;
  double bestU = 0, bestD = 0;
  for (int32_t i = first; i < last; ++i) {
    if (!linesCross(x1, y1, x2, y2, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, status)) continue;
    const double d = createTrig().getdistance(x1, y1, x1 + u1 * (x2 - x1), y1 + u1 * (y2 - y1));
    if (!found || d < bestD) {
      bestD = d;
      bestU = u1;
      found = true;
    }
  }
  if (found) {
    u1 = bestU;
    fxc = x1 + bestU * (x2 - x1);
    fyc = y1 + bestU * (y2 - y1);
  }
  return found;
}

namespace {
// Adds u among the crossings unless it repeats the previous crossing's parameter exactly.
void addCrossing(Tdlist& u, double value, bool& any, double& previous) {
  if (any && value == previous) return;
  geom::addAscending(u, value, true);
  any = true;
  previous = value;
}
}  // namespace

bool TlineMan::linesCross(double x1, double y1, double x2, double y2, const Txyvalues& xy, Tdlist& u) {
  u.clear();
  bool any = false;
  double previous = 0;
  int32_t status = 0;
  for (int32_t i = 0; i + 1 < count(xy); ++i)
    if (linesCross(x1, y1, x2, y2, xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, status))
      addCrossing(u, u1, any, previous);
  return !u.empty();
}

bool TlineMan::linesCross(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, Tdlist& u) {
  u.clear();
  bool any = false;
  double previous = 0;
  int32_t status = 0;
  for (const Txyvalues& ring : xy)
    for (int32_t i = 0; i + 1 < count(ring); ++i)
      if (linesCross(x1, y1, x2, y2, ring[i].x, ring[i].y, ring[i + 1].x, ring[i + 1].y, status))
        addCrossing(u, u1, any, previous);
  return !u.empty();
}

namespace {
// The segment pairs of a and b whose extents meet (touching included), as linesCross's own extent
// test takes them, ordered by a's segment and then b's. With assumeBounds linesCross tests no
// extents, so every pair is taken.
std::vector<std::pair<int32_t, int32_t>> meetingPairs(const Txyvalues& a, const Txyvalues& b, bool assumeBounds) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  if (assumeBounds) {
    for (int32_t i = 0; i + 1 < count(a); ++i)
      for (int32_t j = 0; j + 1 < count(b); ++j) pairs.push_back({i, j});
    return pairs;
  }
  return geom::segmentPairs(a, b, 0);
}
}  // namespace

bool TlineMan::linescross(const Txyvalues& a, const Txyvalues& b) {
  if (a.size() < 2 || b.size() < 2) return false;
  double ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0, bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
  bounds(ax1, ay1, ax2, ay2, a);
  bounds(bx1, by1, bx2, by2, b);
  if (!createTrig().BoxesIntersect(ax1, ay1, ax2, ay2, bx1, by1, bx2, by2)) return false;
  // The first crossing in a's order and then b's, as segment by segment.
  int32_t status = 0;
  for (const auto& [i, j] : meetingPairs(a, b, assumeBounds)) {
    if (!linesCross(a[i].x, a[i].y, a[i + 1].x, a[i + 1].y, b[j].x, b[j].y, b[j + 1].x, b[j + 1].y, status)) continue;
    fxc = a[i].x + u1 * (a[i + 1].x - a[i].x);
    fyc = a[i].y + u1 * (a[i + 1].y - a[i].y);
    return true;
  }
  return false;
}

void TlineMan::addCuts(const Txyvalues& a, int32_t i, const Txyvalues& b, int32_t j, Tdlist& ca, Tdlist& cb) {
  int32_t status = 0;
  const xyrec &p1 = a[i], &p2 = a[i + 1], &p3 = b[j], &p4 = b[j + 1];
  if (!linesCross(p1.x, p1.y, p2.x, p2.y, p3.x, p3.y, p4.x, p4.y, status)) return;
  if ((status & 2) == 0) {
    geom::addAscending(ca, i + u1, false);
    geom::addAscending(cb, j + u2, false);
    return;
  }
  // Collinear overlap: both ends of each segment projected onto the other, clamped to it (a
  // plain distance would put an end lying before the segment inside it).
  auto along = [](const xyrec& from, const xyrec& to, const xyrec& p) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double r = ((p.x - from.x) * dx + (p.y - from.y) * dy) / (dx * dx + dy * dy);
    return std::clamp(r, 0.0, 1.0);
  };
  geom::addAscending(ca, i + along(p1, p2, p3), false);
  geom::addAscending(ca, i + along(p1, p2, p4), false);
  geom::addAscending(cb, j + along(p3, p4, p1), false);
  geom::addAscending(cb, j + along(p3, p4, p2), false);
}

bool TlineMan::linescross(const Txyvalues& a, const Txyvalues& b, Tdlist& ca, Tdlist& cb) {
  ca.clear();
  cb.clear();
  if (a.size() < 2 || b.size() < 2) return false;
  double ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0, bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
  bounds(ax1, ay1, ax2, ay2, a);
  bounds(bx1, by1, bx2, by2, b);
  if (!createTrig().BoxesIntersect(ax1, ay1, ax2, ay2, bx1, by1, bx2, by2)) return false;
  // Every cut is added once in order, so the pairs' order does not matter.
  for (const auto& [i, j] : meetingPairs(a, b, assumeBounds)) addCuts(a, i, b, j, ca, cb);
  return !ca.empty();
}

void TlineMan::getCut(const Txyvalues& xy, double u, double& x, double& y) const {
  if (xy.empty()) return;
  const int32_t last = count(xy) - 1;
  // Positions outside the line (and NaN) are held to it.
  if (!(u > 0)) u = 0;
  if (u > last) u = last;
  const auto i = static_cast<int32_t>(u);
  const double f = u - i;
  if (f == 0 || i >= last) {
    x = xy[i].x;
    y = xy[i].y;
    return;
  }
  createTrig().getCut(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, f, x, y);
}
