// Ttrig: see Ttrig.h. Triangle tests are exact (no tolerance); the distance tests reject with a
// box comparison before any square root, since hit tests call them for every candidate segment.
#include "core/Ttrig.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/Tunits.h"

Ttrig* trig = nullptr;

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
// Beyond this many turns the angle is first reduced by a remainder; below it the plain steps keep
// the exact sums that callers of ordinary angles see.
constexpr double kStepLimit = 64.0 * kTwoPi;

std::unique_ptr<Ttrig> ownTrig;

int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }
}  // namespace

Ttrig& createTrig() {
  if (!trig) {
    ownTrig = std::make_unique<Ttrig>();
    trig = ownTrig.get();
  }
  return *trig;
}

void freeTrig() {
  if (ownTrig && trig == ownTrig.get()) trig = nullptr;
  ownTrig.reset();
}

Ttrig::Ttrig() = default;

// ---------------------------------------------------------------------------------------------
// Angles

double Ttrig::arcTan(double opposite, double adjacent) const {
  if (adjacent == 0) return opposite >= 0 ? kPi / 2 : -kPi / 2;
  return std::atan2(opposite, adjacent);
}

void Ttrig::sinCos(double angle, double& sinA, double& cosA) const {
  sinA = std::sin(angle);
  cosA = std::cos(angle);
}

long double Ttrig::ArcCos(long double X) const {
  if (X == 0) return 3.14159265358979323846264338327950288L / 2;
  X = std::clamp(X, -1.0L, 1.0L);
  return std::atan2(std::sqrt(1 - X * X), X);
}

long double Ttrig::ArcSin(long double X) const {
  if (X == 0) return 0;
  X = std::clamp(X, -1.0L, 1.0L);
  return std::atan2(X, std::sqrt(1 - X * X));
}

double Ttrig::Tan(double angle) const { return std::tan(angle); }

double Ttrig::in2pi(double value) const {
  if (!std::isfinite(value)) return std::nan("");
  if (std::fabs(value) > kStepLimit) value = std::fmod(value, kTwoPi);
  while (value < 0) value += kTwoPi;
  while (value > kTwoPi) value -= kTwoPi;
  return value;
}

double Ttrig::inPi(double value) const {
  if (!std::isfinite(value)) return std::nan("");
  if (std::fabs(value) > kStepLimit) value = std::fmod(value, kTwoPi);
  while (value < -kPi) value += kTwoPi;
  while (value > kPi) value -= kTwoPi;
  return value;
}

double Ttrig::changeOfDirection(double x1, double y1, double x2, double y2, double x3, double y3) const {
  return inPi(arcTan(x3 - x2, y3 - y2) - arcTan(x2 - x1, y2 - y1));
}

double Ttrig::AngleFromKnownSides(double a, double b, double c) const {
  if (a >= b + c) return 0;
  return static_cast<double>(ArcCos((b * b + c * c - a * a) / (2 * b * c)));
}

double Ttrig::AngleBetweenLines(double x1, double y1, double x2, double y2, double x3, double y3) const {
  return AngleFromKnownSides(getdistance(x1, y1, x3, y3), getdistance(x1, y1, x2, y2),
                             getdistance(x2, y2, x3, y3));
}

double Ttrig::AngleBetweenLines(double x1, double y1, double z1, double x2, double y2, double z2, double x3,
                                double y3, double z3) const {
  return AngleFromKnownSides(getdistance(x1, y1, z1, x3, y3, z3), getdistance(x1, y1, z1, x2, y2, z2),
                             getdistance(x2, y2, z2, x3, y3, z3));
}

// ---------------------------------------------------------------------------------------------
// Comparisons

bool Ttrig::equal(double a, double b, double snap) const { return std::fabs(a - b) <= snap; }
bool Ttrig::equal(double a, double b) const { return std::fabs(a - b) <= equality; }
bool Ttrig::equal(const xyrec& a, const xyrec& b) const { return equal(a.x, b.x) && equal(a.y, b.y); }

double Ttrig::greatest(double a, double b) const { return a > b ? a : b; }
double Ttrig::greatest(double a, double b, double c) const { return greatest(greatest(a, b), c); }
double Ttrig::greatest(double a, double b, double c, double d) const { return greatest(greatest(a, b, c), d); }
double Ttrig::least(double a, double b) const { return a < b ? a : b; }
double Ttrig::least(double a, double b, double c) const { return least(least(a, b), c); }
double Ttrig::least(double a, double b, double c, double d) const { return least(least(a, b, c), d); }

namespace {
bool nearlySame(double a, double b) {
  return std::fabs(a - b) <= std::max(1e-12 * std::min(std::fabs(a), std::fabs(b)), 1e-12);
}
}  // namespace

bool Ttrig::greaterEqual(double a, double b) const { return a > b || nearlySame(a, b); }
bool Ttrig::lesserEqual(double a, double b) const { return a < b || nearlySame(a, b); }
bool Ttrig::greater(double a, double b) const { return a > b && !nearlySame(a, b); }
bool Ttrig::lesser(double a, double b) const { return a < b && !nearlySame(a, b); }

bool Ttrig::lessthan(double v, double v1, double v2) const { return v < v1 && v < v2; }
bool Ttrig::lessthan(double v, double v1, double v2, double v3) const { return v < v1 && v < v2 && v < v3; }
bool Ttrig::morethan(double v, double v1, double v2) const { return v > v1 && v > v2; }
bool Ttrig::morethan(double v, double v1, double v2, double v3) const { return v > v1 && v > v2 && v > v3; }

void Ttrig::swap(double& a, double& b) const { std::swap(a, b); }
void Ttrig::order(double& min, double& max) const {
  if (min > max) std::swap(min, max);
}
void Ttrig::order(int32_t& min, int32_t& max) const {
  if (max < min) std::swap(min, max);
}

// ---------------------------------------------------------------------------------------------
// Boxes

bool Ttrig::inBox(double x, double y, double x1, double y1, double x2, double y2) const {
  return x1 <= x && x <= x2 && y1 <= y && y <= y2;
}

bool Ttrig::BoxesIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                           double y4) const {
  return x1 <= x4 && x3 <= x2 && y1 <= y4 && y3 <= y2;
}

bool Ttrig::BoxesOverlap(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                         double y4) const {
  return x1 < x4 && x3 < x2 && y1 < y4 && y3 < y2;
}

bool Ttrig::BoxesOverlap(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                         double y4, boxrec& box) const {
  if (!BoxesOverlap(x1, y1, x2, y2, x3, y3, x4, y4)) return false;
  box.left = std::max(x1, x3);
  box.bottom = std::max(y1, y3);
  box.right = std::min(x2, x4);
  box.top = std::min(y2, y4);
  return true;
}

bool Ttrig::ExtentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                             double y4) const {
  return ExtentsIntersect(x1, y1, x2, y2, x3, y3, x4, y4, 0);
}

bool Ttrig::ExtentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                             double y4, double snap) const {
  order(x1, x2);
  order(y1, y2);
  order(x3, x4);
  order(y3, y4);
  return BoxesIntersect(x1 - snap, y1 - snap, x2 + snap, y2 + snap, x3, y3, x4, y4);
}

void Ttrig::triangleExtent(double x1, double y1, double x2, double y2, double x3, double y3, double& left,
                           double& bottom, double& right, double& top) const {
  left = least(x1, x2, x3);
  right = greatest(x1, x2, x3);
  bottom = least(y1, y2, y3);
  top = greatest(y1, y2, y3);
}

bool Ttrig::TriangleInBox(double tx1, double ty1, double tx2, double ty2, double tx3, double ty3, double x1,
                          double y1, double x2, double y2) const {
  double l, b, r, t;
  triangleExtent(tx1, ty1, tx2, ty2, tx3, ty3, l, b, r, t);
  return BoxesIntersect(l, b, r, t, x1, y1, x2, y2);
}

bool Ttrig::TriangleInBox(int32_t tx1, int32_t ty1, int32_t tx2, int32_t ty2, int32_t tx3, int32_t ty3,
                          const platform::TRect& box) const {
  return TriangleInBox(tx1, ty1, tx2, ty2, tx3, ty3, box.Left, box.Top, box.Right, box.Bottom);
}

// ---------------------------------------------------------------------------------------------
// Triangles and lines

bool Ttrig::pointInTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3,
                            double y3) const {
  auto edgeSign = [&](double ax, double ay, double bx, double by) {
    return sign((ax - x) * (by - y) - (ay - y) * (bx - x));
  };
  const int s1 = edgeSign(x1, y1, x2, y2);
  const int s2 = edgeSign(x2, y2, x3, y3);
  const int s3 = edgeSign(x3, y3, x1, y1);
  if (s1 == s2 && s2 == s3) return true;
  const int zeros = (s1 == 0) + (s2 == 0) + (s3 == 0);
  return zeros >= 2;  // on a vertex; one zero is an edge (or its line), which counts as outside
}

bool Ttrig::InOrOnTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3,
                           double y3) const {
  if (lessthan(x, x1, x2, x3) || morethan(x, x1, x2, x3) || lessthan(y, y1, y2, y3) || morethan(y, y1, y2, y3))
    return false;
  // Crossings of the vertical through the point, ascending, no value twice (at most three).
  double cross[3];
  int n = 0;
  auto addCrossing = [&](double v) {
    int at = 0;
    while (at < n && !(cross[at] > v)) ++at;
    if ((at > 0 && cross[at - 1] == v) || (at == n && n > 0 && cross[n - 1] == v)) return;
    for (int i = n; i > at; --i) cross[i] = cross[i - 1];
    cross[at] = v;
    ++n;
  };
  const double ex[4] = {x1, x2, x3, x1};
  const double ey[4] = {y1, y2, y3, y1};
  for (int e = 0; e < 3; ++e) {
    const double xa = ex[e], ya = ey[e], xb = ex[e + 1], yb = ey[e + 1];
    if ((x == xa && y == ya) || (x == xb && y == yb)) return true;
    if (xa != x || xb != x) {
      const double t = (x - xa) / (xb - xa);
      if (t < 0 || t > 1) continue;
      const double yt = ya + t * (yb - ya);
      if (yt == y) return true;
      addCrossing(yt);
    } else {
      const double s = (y - ya) / (yb - ya);
      if (s > 0 && s < 1) return true;
    }
  }
  return n == 2 && cross[0] < y && y < cross[1];
}

bool Ttrig::rightOfLine(double x, double y, double x1, double y1, double x2, double y2, bool& onTheLine) const {
  const double c = (y - y1) * (x2 - x1) - (x - x1) * (y2 - y1);
  onTheLine = (c == 0);
  return c < 0;
}

bool Ttrig::rightOfLine(double x, double y, double x1, double y1, double x2, double y2) const {
  bool on;
  return rightOfLine(x, y, x1, y1, x2, y2, on);
}

bool Ttrig::rightOrOnLine(double x, double y, double x1, double y1, double x2, double y2) const {
  return (y - y1) * (x2 - x1) - (x - x1) * (y2 - y1) <= 0;
}

// ---------------------------------------------------------------------------------------------
// Distances

double Ttrig::getdistance(double x1, double y1, double x2, double y2) const {
  const double dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return 0;
  return std::sqrt(dx * dx + dy * dy);
}

double Ttrig::getdistance(double x1, double y1, double z1, double x2, double y2, double z2) const {
  const double dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double Ttrig::getdistance(double x, double y) const { return getdistance(0, 0, x, y); }

bool Ttrig::DistanceLessThan(double x1, double y1, double x2, double y2, double& d) const {
  if (!inBox(x1, y1, x2 - d, y2 - d, x2 + d, y2 + d)) return false;
  const double dist = getdistance(x1, y1, x2, y2);
  if (dist < d) {
    d = dist;
    return true;
  }
  return false;
}

bool Ttrig::DistanceLessThan(double x, double y, double x1, double y1, double x2, double y2, double d) {
  double l = x1, r = x2, b = y1, t = y2;
  order(l, r);
  order(b, t);
  if (!inBox(x, y, l - d, b - d, r + d, t + d)) return false;
  (void)DistanceTo(x, y, x1, y1, x2, y2, u, xc, yc);
  const double dx = x - xc, dy = y - yc;
  return dx * dx + dy * dy < d * d;
}

double Ttrig::DistanceTo(double x, double y, double x1, double y1, double x2, double y2, double& uOut,
                         double& xcOut, double& ycOut) const {
  const double dx = x2 - x1, dy = y2 - y1;
  uOut = ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy);
  if (!(uOut > 0)) {  // also a zero-length segment, whose u is not a number
    xcOut = x1;
    ycOut = y1;
  } else if (uOut >= 1) {
    xcOut = x2;
    ycOut = y2;
  } else {
    xcOut = x1 + dx * uOut;
    ycOut = y1 + dy * uOut;
  }
  return getdistance(x, y, xcOut, ycOut);
}

double Ttrig::DistanceTo(double x, double y, double x1, double y1, double x2, double y2) const {
  double uu, cx, cy;
  return DistanceTo(x, y, x1, y1, x2, y2, uu, cx, cy);
}

void Ttrig::getCut(double x1, double y1, double x2, double y2, double uu, double& x, double& y) const {
  x = x1 + (x2 - x1) * uu;
  y = y1 + (y2 - y1) * uu;
}

double Ttrig::DefaultSnap(double x1, double y1, double x2, double y2) const {
  return Tunits::NeatNumber(greatest(x2 - x1, y2 - y1) / 100000.0, 2);
}
