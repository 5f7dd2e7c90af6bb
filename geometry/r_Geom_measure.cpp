// TlineMan measurement: lengths, signed area (trapezoid sum, clockwise positive with y up, no
// closing edge), bounds, seed points, centroid, width and shape measures, percentage points.
// Degenerate input (no length, no area, a single point) gives a defined value, never 0/0.
#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {

constexpr double kSeedIrregular = 0.4321;  // off-centre fraction for irregular label seeds
constexpr double kPi = 3.1415926535897932385;

double segLength(const xyrec& a, const xyrec& b) { return std::hypot(b.x - a.x, b.y - a.y); }

Txyvalues toXY(const Tpoints& pts) {
  Txyvalues xy;
  xy.reserve(pts.size());
  for (const auto& p : pts) xy.push_back({static_cast<double>(p.X), static_cast<double>(p.Y)});
  return xy;
}

double trapezoids(const Txyvalues& xy) {
  double a = 0;
  for (size_t i = 0; i + 1 < xy.size(); ++i) a += (xy[i + 1].x - xy[i].x) * (xy[i].y + xy[i + 1].y) / 2;
  return std::isfinite(a) ? a : 0;
}

}  // namespace

double TlineMan::linelength(const Txyvalues& xy) const {
  double sum = 0;
  for (size_t i = 0; i + 1 < xy.size(); ++i) sum += segLength(xy[i], xy[i + 1]);
  return sum;
}

double TlineMan::linelength(const Tpoints& xy) const { return linelength(toXY(xy)); }

double TlineMan::linelength(const TpolyXyValues& xy) const {
  double sum = 0;
  for (const Txyvalues& ring : xy) sum += linelength(ring);
  return sum;
}

double TlineMan::linelength(const Txyvalues& xy, double vertex) const {
  if (xy.size() < 2) return 0;
  const int32_t last = count(xy) - 1;
  if (!(vertex > 0)) return 0;
  if (vertex >= last) return linelength(xy);
  const auto i = static_cast<int32_t>(vertex);
  double sum = 0;
  for (int32_t k = 0; k < i; ++k) sum += segLength(xy[k], xy[k + 1]);
  const double f = vertex - i;
  if (f > 0) sum += f * segLength(xy[i], xy[i + 1]);
  return sum;
}

double TlineMan::linelength(const Txyvalues& xy, double startU, double endU) const {
  if (xy.size() < 2) return 0;
  if (startU > endU) std::swap(startU, endU);
  // Clamped to the line so no index leaves it; equivalent to length(end) - length(start).
  return linelength(xy, endU) - linelength(xy, startU);
}

double TlineMan::area(const Txyvalues& xy) {
  const double a = trapezoids(xy);
  fclockwise = a >= 0;
  return a;
}

double TlineMan::area(const Tpoints& xy) { return area(toXY(xy)); }

double TlineMan::area(const TpolyXyValues& xy) {
  double sum = 0;
  for (const Txyvalues& ring : xy) sum += area(ring);
  return sum;
}

double TlineMan::area(const Txyvalues& xy, double lastx, double lasty) {
  double a = trapezoids(xy);
  if (!xy.empty()) {
    const double term = (lastx - xy.back().x) * (xy.back().y + lasty) / 2;
    if (std::isfinite(term)) a += term;
  }
  fclockwise = a >= 0;
  return a;
}

namespace {
void widen(double& x1, double& y1, double& x2, double& y2, const Txyvalues& xy) {
  for (const xyrec& p : xy) {
    if (p.x < x1) x1 = p.x;
    if (p.x > x2) x2 = p.x;
    if (p.y < y1) y1 = p.y;
    if (p.y > y2) y2 = p.y;
  }
}
}  // namespace

void TlineMan::bounds(double& x1, double& y1, double& x2, double& y2, const Txyvalues& xy) const {
  if (xy.empty()) return;
  x1 = x2 = xy[0].x;
  y1 = y2 = xy[0].y;
  widen(x1, y1, x2, y2, xy);
}

void TlineMan::bounds(double& x1, double& y1, double& x2, double& y2, const TpolyXyValues& xy) const {
  if (xy.empty()) return;
  if (!xy[0].empty()) {
    x1 = x2 = xy[0][0].x;
    y1 = y2 = xy[0][0].y;
  }
  for (const Txyvalues& ring : xy) widen(x1, y1, x2, y2, ring);
}

void TlineMan::bounds(double& x1, double& y1, double& x2, double& y2, const TpolyPolyXYvalues& xy) const {
  if (xy.empty()) return;
  if (!xy[0].empty() && !xy[0][0].empty()) {
    x1 = x2 = xy[0][0][0].x;
    y1 = y2 = xy[0][0][0].y;
  }
  for (const TpolyXyValues& poly : xy)
    for (const Txyvalues& ring : poly) widen(x1, y1, x2, y2, ring);
}

void TlineMan::bounds(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const Tpoints& xy) const {
  if (xy.empty()) return;
  x1 = x2 = xy[0].X;
  y1 = y2 = xy[0].Y;
  for (const auto& p : xy) {
    x1 = std::min(x1, p.X);
    x2 = std::max(x2, p.X);
    y1 = std::min(y1, p.Y);
    y2 = std::max(y2, p.Y);
  }
}

// ---------------------------------------------------------------------------------------------
// Seed points

bool TlineMan::seedPoint(double& x, double& y, const Txyvalues& xy) {
  if (xy.size() == 1) {
    x = xy[0].x;
    y = xy[0].y;
    return true;
  }
  return seedPoint(x, y, TpolyXyValues{xy}, false);
}

bool TlineMan::seedPoint(double& x, double& y, const TpolyXyValues& xy) { return seedPoint(x, y, xy, false); }

bool TlineMan::seedPoint(double& x, double& y, const TpolyXyValues& xy, bool irregular) {
  if (xy.empty() || xy[0].empty()) return false;
  if (xy.size() == 1 && xy[0].size() == 1) {
    x = xy[0][0].x;
    y = xy[0][0].y;
    return true;
  }
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bounds(x1, y1, x2, y2, xy[0]);
  if (!std::isfinite(x1 + y1 + x2 + y2)) return false;
  y = (y1 + y2) / 2;
  if (y1 == y2) {
    x = irregular ? x1 + (x2 - x1) * kSeedIrregular : (x1 + x2) / 2;
    return true;
  }
  return seedPointForY(x, y, x1, x2, xy, irregular);
}

bool TlineMan::seedPointForY(double& x, double y, double x1, double x2, const TpolyXyValues& xy, bool irregular) {
  Tdlist cuts;
  for (const Txyvalues& ring : xy) {
    if (ring.size() <= 3) continue;
    for (size_t j = 0; j + 1 < ring.size(); ++j) {
      const xyrec &a = ring[j], &b = ring[j + 1];
      if ((a.y <= y && y < b.y) || (b.y <= y && y < a.y))
        geom::addAscending(cuts, a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), true);
    }
  }
  if (cuts.empty()) return false;
  for (double c : cuts)
    if (!std::isfinite(c)) return false;
  auto candidate = [&](double c0, double c1) { return irregular ? c0 + (c1 - c0) * kSeedIrregular : (c0 + c1) / 2; };
  if (cuts.size() == 2) {
    x = candidate(cuts[0], cuts[1]);
    return true;
  }
  Tdlist best;
  double widest = -1;
  for (size_t k = 0; k + 1 < cuts.size(); k += 2) {
    const double w = cuts[k + 1] - cuts[k];
    if (w > widest) {
      widest = w;
      best.clear();
    }
    if (w == widest) best.push_back(candidate(cuts[k], cuts[k + 1]));
  }
  if (best.empty()) return false;
  if (best.size() == 1) {
    x = best[0];
    return true;
  }
  const double middle = (x1 + x2) / 2;
  double nearest = x2 - x1;
  bool taken = false;
  for (double c : best) {
    const double d = std::abs(c - middle);
    if (d <= nearest && (!taken || d < nearest)) {
      nearest = d;
      x = c;
      taken = true;
    }
  }
  return taken;
}

// ---------------------------------------------------------------------------------------------
// Centroid and shape measures

double TlineMan::Centroid(const Txyvalues& xy, double& x, double& y) {
  if (xy.empty()) return 0;
  // The products are summed about the first vertex: at map coordinates (1e6 and more) products
  // about (0, 0) would cancel away every digit of a small ring's area.
  const xyrec o = xy[0];
  double a2 = 0, sx = 0, sy = 0;
  for (size_t i = 0; i + 1 < xy.size(); ++i) {
    const double ax = xy[i].x - o.x, ay = xy[i].y - o.y, bx = xy[i + 1].x - o.x, by = xy[i + 1].y - o.y;
    const double e = ax * by - bx * ay;
    a2 += e;
    sx += e * (ax + bx);
    sy += e * (ay + by);
  }
  double result = std::abs(area(xy));
  // A closed ring's area is the same sum, here without the cancellation.
  if (xy.size() > 1 && xy.front() == xy.back() && std::isfinite(a2)) result = std::abs(a2) / 2;
  if (a2 != 0 && std::isfinite(a2) && result > 0) {
    x = o.x + sx / (3 * a2);
    y = o.y + sy / (3 * a2);
    return result;
  }
  // No area: the mean of the points, the closing repeat counted once.
  size_t n = xy.size();
  if (n > 1 && xy.front() == xy.back()) --n;
  double mx = 0, my = 0;
  for (size_t i = 0; i < n; ++i) {
    mx += xy[i].x;
    my += xy[i].y;
  }
  x = mx / static_cast<double>(n);
  y = my / static_cast<double>(n);
  return 0;
}

double TlineMan::Centroid(const TpolyXyValues& xy, double& x, double& y) {
  if (xy.empty()) return 0;
  if (xy.size() == 1) return Centroid(xy[0], x, y);
  double net = 0, sx = 0, sy = 0, x0 = x, y0 = y;
  for (size_t i = 0; i < xy.size(); ++i) {
    double cx = x, cy = y;
    const double a = Centroid(xy[i], cx, cy);
    const double sign = i == 0 ? 1 : -1;
    if (i == 0) {
      x0 = cx;
      y0 = cy;
    }
    net += sign * a;
    sx += sign * a * cx;
    sy += sign * a * cy;
  }
  if (net != 0 && std::isfinite(net)) {
    x = sx / net;
    y = sy / net;
  } else {
    x = x0;
    y = y0;
  }
  return net;
}

double TlineMan::psuedoWidth(double x1, double y1, double x2, double y2, const Txyvalues& loop) {
  const double diagonal = createTrig().getdistance(x1, y1, x2, y2);
  const double a = area(loop);
  return diagonal > 0 ? a / diagonal : 0;
}

double TlineMan::psuedoWidth(const Txyvalues& loop) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bounds(x1, y1, x2, y2, loop);
  return psuedoWidth(x1, y1, x2, y2, loop);
}

double TlineMan::aspectRatio(const Txyvalues& xy) const {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bounds(x1, y1, x2, y2, xy);
  auto ratio = [](double w, double h) {
    const double lo = std::min(w, h), hi = std::max(w, h);
    return hi > 0 ? lo / hi : 1.0;  // a point has no long side: call it round
  };
  double best = ratio(x2 - x1, y2 - y1);
  if (!std::isfinite(best)) return 1;
  const double cx = x1, cy = y1;
  const double step = 0.0174532925199433;
  for (int k = 1; k <= 90; ++k) {
    // Turned clockwise (y up) about the box's lower-left corner by k degrees.
    const double s = std::sin(k * step), c = std::cos(k * step);
    double l = 0, b = 0, r = 0, t = 0;
    bool first = true;
    for (const xyrec& p : xy) {
      const double dx = p.x - cx, dy = p.y - cy;
      const double nx = dx * c + dy * s, ny = -dx * s + dy * c;
      if (first) {
        l = r = nx;
        b = t = ny;
        first = false;
      }
      l = std::min(l, nx);
      r = std::max(r, nx);
      b = std::min(b, ny);
      t = std::max(t, ny);
    }
    best = std::min(best, ratio(r - l, t - b));
  }
  return best;
}

void TlineMan::boundingCircle(const Txyvalues& xy, double& xc, double& yc, double& r) const {
  if (xy.empty()) return;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bounds(x1, y1, x2, y2, xy);
  if (!std::isfinite(x1 + y1 + x2 + y2)) return;
  // Unbounded start: a fixed large start would find no centre for large shapes.
  double best = std::numeric_limits<double>::infinity();
  double bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
  for (int pass = 0; pass < 3; ++pass) {
    for (int i = 0; i <= 8; ++i) {
      const double gx = x1 + (x2 - x1) * i / 8;
      for (int j = 0; j <= 8; ++j) {
        const double gy = y1 + (y2 - y1) * j / 8;
        double far = 0;
        for (const xyrec& p : xy) {
          far = std::max(far, (p.x - gx) * (p.x - gx) + (p.y - gy) * (p.y - gy));
          if (far >= best) break;
        }
        if (far < best) {
          best = far;
          bx = gx;
          by = gy;
        }
      }
    }
    const double wx = (x2 - x1) / 16, wy = (y2 - y1) / 16;
    x1 = bx - wx;
    x2 = bx + wx;
    y1 = by - wy;
    y2 = by + wy;
  }
  xc = bx;
  yc = by;
  r = std::sqrt(best);
}

double TlineMan::plumpness(const Txyvalues& xy) {
  double cx = 0, cy = 0, r = 0;
  boundingCircle(xy, cx, cy, r);
  const double a = area(xy);
  return r > 0 ? a / (kPi * r * r) : 0;
}

// ---------------------------------------------------------------------------------------------
// Percentage points

void TlineMan::LinePercentPoint(double& x, double& y, double& dx, double& dy, const Txyvalues& xy, double percent) {
  x = y = 0;
  if (xy.empty()) return;
  x = xy[0].x;
  y = xy[0].y;
  if (xy.size() == 1 || !std::isfinite(percent)) return;
  const int32_t n = count(xy);
  const double total = linelength(xy);
  const double d = total * percent / 100;
  int32_t seg = 0;
  double f = 0;
  auto fraction = [](double part, double len) { return len > 0 ? part / len : 0.0; };
  if (d <= 0) {
    f = fraction(d, segLength(xy[0], xy[1]));
  } else if (percent < 100) {
    double before = 0;
    seg = n - 2;
    f = 1;
    for (int32_t i = 0; i + 1 < n; ++i) {
      const double len = segLength(xy[i], xy[i + 1]);
      if (before + len >= d) {
        seg = i;
        f = fraction(d - before, len);
        break;
      }
      before += len;
    }
  } else {
    seg = n - 2;
    const double h = segLength(xy[seg], xy[seg + 1]);
    f = h > 0 ? (h + d - total) / h : 0;
  }
  const xyrec &p = xy[seg], &q = xy[seg + 1];
  x = p.x + f * (q.x - p.x);
  y = p.y + f * (q.y - p.y);
  const double len = segLength(p, q);
  // A segment of no length has no direction.
  dx = len > 0 ? (q.x - p.x) / len : 0;
  dy = len > 0 ? (q.y - p.y) / len : 0;
  fvc = seg;
  u1 = f;
}

void TlineMan::LinePercentPoint(double& x, double& y, const Txyvalues& xy, double percent) {
  double dx = 0, dy = 0;
  LinePercentPoint(x, y, dx, dy, xy, percent);
}

void TlineMan::LinePercentPoint(double& u, const Txyvalues& xy, double percent) {
  double x = 0, y = 0;
  fvc = 0;
  u1 = 0;
  LinePercentPoint(x, y, xy, percent);
  u = fvc + u1;
}

void TlineMan::LinePercentPoint(int32_t& x, int32_t& y, double& dx, double& dy, const Tpoints& xy, double percent) {
  double fx = 0, fy = 0;
  LinePercentPoint(fx, fy, dx, dy, toXY(xy), percent);
  x = static_cast<int32_t>(std::lround(fx));
  y = static_cast<int32_t>(std::lround(fy));
}

void TlineMan::LinePercentPoint(int32_t& x, int32_t& y, const Tpoints& xy, double percent) {
  double dx = 0, dy = 0;
  LinePercentPoint(x, y, dx, dy, xy, percent);
}

void TlineMan::lineFromEnd(int32_t& x, int32_t& y, double& dx, double& dy, const Tpoints& xy, double distance,
                           bool fromStart) {
  const double total = linelength(xy);
  double percent = 50;  // a line of no length: its middle
  if (total > 0 && std::isfinite(distance))
    percent = fromStart ? std::min(distance / total * 100, 50.0) : std::max((total - distance) / total * 100, 50.0);
  LinePercentPoint(x, y, dx, dy, xy, percent);
}

void TlineMan::LineMidPoint(double& x, double& y, const Txyvalues& xy) { LinePercentPoint(x, y, xy, 50); }

void TlineMan::LineMidPoint(int32_t& x, int32_t& y, const Tpoints& xy) { LinePercentPoint(x, y, xy, 50); }
