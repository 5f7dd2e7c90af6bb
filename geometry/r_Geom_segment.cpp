// TlinesIntersect: how two segments meet within a snap. A meeting is found from the perpendicular
// distances of A's ends to B's line (their ratio is the parameter along A), so a touch within the
// snap counts and lies at that end; a crossing is put on an end only within trig's equality in
// world units. Collinear segments meet only when they are the same.
#include <algorithm>
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {
// Parameter of (x, y) along the segment from (x1, y1); NaN for a segment of no length.
double along(double x, double y, double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  const double l2 = dx * dx + dy * dy;
  if (l2 == 0) return std::nan("");
  return ((x - x1) * dx + (y - y1) * dy) / l2;
}
}  // namespace

bool TlinesIntersect::intersects() {
  fcongruent = fendtoend = fInSameLine = fOverLap = false;
  fx0 = fy0 = 0;
  auto eq = [&](double a, double b) { return std::abs(a - b) <= snap; };
  auto greatereq = [&](double a, double b) { return a > b || eq(a, b); };
  auto lessereq = [&](double a, double b) { return a < b || eq(a, b); };

  double da = 0, db = 0, xc = 0, yc = 0;
  bool sa = false, sb = false;
  if (fx3 == fx4 && fy3 == fy4) {
    // B is a point: no line to measure from, so it goes the collinear way.
    ua = ub = 0;
  } else {
    da = geom::distanceToInfiniteLine(fx1, fy1, fx3, fy3, fx4, fy4, ua, xc, yc, sa);
    db = geom::distanceToInfiniteLine(fx2, fy2, fx3, fy3, fx4, fy4, ub, xc, yc, sb);
  }
  const bool onA = eq(0, da), onB = eq(0, db);
  if (sa == sb && !onA && !onB) return false;
  if (onA && onB) {
    fx0 = fx1;
    fy0 = fy1;
    fInSameLine = true;
    if (eq(fx1, fx3) && eq(fy1, fy3) && eq(fx2, fx4) && eq(fy2, fy4)) {
      fcongruent = fendtoend = fOverLap = true;
      return true;
    }
    if (eq(fx1, fx4) && eq(fy1, fy4) && eq(fx2, fx3) && eq(fy2, fy3)) {
      fendtoend = fOverLap = true;
      return true;
    }
    // Exact from here: only B lying strictly inside A is an overlap.
    const double l = (fx2 - fx1) * (fx2 - fx1) + (fy2 - fy1) * (fy2 - fy1);
    if (l == 0) return false;
    u3 = ((fx3 - fx1) * (fx2 - fx1) + (fy3 - fy1) * (fy2 - fy1)) / l;
    if (u3 <= 0 || u3 >= 1) return false;
    u4 = ((fx4 - fx1) * (fx2 - fx1) + (fy4 - fy1) * (fy2 - fy1)) / l;
    if (u4 > 0 && u4 < 1) fOverLap = true;
    return false;
  }
  // Whether they meet is decided on the parameters within the snap: t is where A meets B's line
  // as a parameter along A, ub the same place along B.
  const double foot1 = ua, foot2 = ub;
  const double t = da / (da + db);
  ub = foot1 + (foot2 - foot1) * t;
  ua = t;
  if (!(greatereq(ua, 0) && lessereq(ua, 1) && greatereq(ub, 0) && lessereq(ub, 1))) return false;
  // Where they meet: with A's ends on both sides of B's line, t is the crossing of the two lines.
  // An end within the snap of B's line on the same side as the other end touches B at that end.
  if (sa == sb && da != 0 && db != 0) {
    ua = da <= db ? 0 : 1;
    ub = da <= db ? foot1 : foot2;
  }
  // A meeting within the snap beyond an end is at that end; otherwise a parameter is snapped to
  // an end only when the meeting lies within the tolerance of it in world units, so a crossing
  // near a vertex of a long segment stays on both segments.
  ua = std::clamp(ua, 0.0, 1.0);
  ub = std::clamp(ub, 0.0, 1.0);
  const double eqWorld = createTrig().equality;
  auto snapToEnd = [&](double& u, double length) {
    if (u * length <= eqWorld) {
      u = 0;
    } else if ((1 - u) * length <= eqWorld) {
      u = 1;
    }
  };
  snapToEnd(ua, std::hypot(fx2 - fx1, fy2 - fy1));
  snapToEnd(ub, std::hypot(fx4 - fx3, fy4 - fy3));
  end1 = ua == 0;
  end2 = ua == 1;
  end3 = ub == 0;
  end4 = ub == 1;
  fendtoend = end1 || end2 || end3 || end4;
  fx0 = fx1 + (fx2 - fx1) * ua;
  fy0 = fy1 + (fy2 - fy1) * ua;
  return true;
}

void TlinesIntersect::getOverlap(double& u1a, double& u1b, double& u2a, double& u2b) const {
  if (fcongruent) {
    u1a = 0;
    u1b = 1;
    u2a = 0;
    u2b = 1;
  } else if (fendtoend) {
    u1a = 0;
    u1b = 1;
    u2a = 1;
    u2b = 0;
  } else {
    u1a = u3;
    u1b = u4;
    u2a = along(fx1, fy1, fx3, fy3, fx4, fy4);
    u2b = along(fx2, fy2, fx3, fy3, fx4, fy4);
  }
}

bool TlinesIntersect::TeeJunction() const {
  constexpr double kTouch = 1e-7;
  const Ttrig& t = createTrig();
  return t.DistanceTo(fx1, fy1, fx3, fy3, fx4, fy4) < kTouch || t.DistanceTo(fx2, fy2, fx3, fy3, fx4, fy4) < kTouch ||
         t.DistanceTo(fx3, fy3, fx1, fy1, fx2, fy2) < kTouch || t.DistanceTo(fx4, fy4, fx1, fy1, fx2, fy2) < kTouch;
}

void TlinesIntersect::setClosest(double xa, double ya, double xb, double yb) {
  closestXa = xa;
  closestYa = ya;
  closestXb = xb;
  closestYb = yb;
}

double TlinesIntersect::Distance() {
  const double dxa = fx2 - fx1, dya = fy2 - fy1, dxb = fx4 - fx3, dyb = fy4 - fy3;
  // Crossing segments (an end on the other included) are at 0.
  const double d = dxa * dyb - dya * dxb;
  if (d != 0 && std::isfinite(d)) {
    const double t = ((fx3 - fx1) * dyb - (fy3 - fy1) * dxb) / d;
    const double s = ((fx3 - fx1) * dya - (fy3 - fy1) * dxa) / d;
    if (t >= 0 && t <= 1 && s >= 0 && s <= 1) {
      setClosest(fx1 + dxa * t, fy1 + dya * t, fx1 + dxa * t, fy1 + dya * t);
      return 0;
    }
  }
  bool found = false;
  double best = 0;
  auto keep = [&](double dist, double xa, double ya, double xb, double yb) {
    if (found && !(dist < best)) return;
    found = true;
    best = dist;
    setClosest(xa, ya, xb, yb);
  };
  // An end projected onto the other segment; a zero-length segment takes no projections.
  auto projection = [&](double px, double py, double x1, double y1, double x2, double y2, bool onA) {
    const double u = along(px, py, x1, y1, x2, y2);
    if (!(u >= 0 && u <= 1)) return;
    const double fx = x1 + (x2 - x1) * u, fy = y1 + (y2 - y1) * u;
    const double dist = std::hypot(px - fx, py - fy);
    if (onA) {
      keep(dist, fx, fy, px, py);
    } else {
      keep(dist, px, py, fx, fy);
    }
  };
  projection(fx3, fy3, fx1, fy1, fx2, fy2, true);
  projection(fx4, fy4, fx1, fy1, fx2, fy2, true);
  projection(fx1, fy1, fx3, fy3, fx4, fy4, false);
  projection(fx2, fy2, fx3, fy3, fx4, fy4, false);
  // The ends themselves too: a projection that falls inside need not be the nearest.
  struct Pair {
    double ax, ay, bx, by;
  } const pairs[] = {{fx1, fy1, fx3, fy3}, {fx2, fy2, fx3, fy3}, {fx1, fy1, fx4, fy4}, {fx2, fy2, fx4, fy4}};
  for (const Pair& p : pairs) keep(std::hypot(p.ax - p.bx, p.ay - p.by), p.ax, p.ay, p.bx, p.by);
  return best;
}

double TlinesIntersect::getAngleA() {
  if (fangleA == -99) fangleA = createTrig().arcTan(fx2 - fx1, fy2 - fy1);
  return fangleA;
}

double TlinesIntersect::getAngleB() {
  if (fAngleB == -99) fAngleB = createTrig().arcTan(fx4 - fx3, fy4 - fy3);
  return fAngleB;
}
