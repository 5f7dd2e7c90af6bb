// Segment crossing by the parametric form with a tolerance of 1e-9 on the end parameters, and
// the percentage point by walking the cumulative length.
#include "clock/r_sky_lines.h"

#include <cmath>

namespace skylines {

bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4, double& xc,
                double& yc) {
  const double ax = x2 - x1, ay = y2 - y1, bx = x4 - x3, by = y4 - y3;
  const double d = ax * by - ay * bx;
  if (d == 0 || !std::isfinite(d)) return false;  // parallel or degenerate
  const double t = ((x3 - x1) * by - (y3 - y1) * bx) / d;
  const double u = ((x3 - x1) * ay - (y3 - y1) * ax) / d;
  constexpr double eps = 1e-9;
  if (t < -eps || t > 1 + eps || u < -eps || u > 1 + eps) return false;
  xc = x1 + t * ax;
  yc = y1 + t * ay;
  return true;
}

bool LinePercentPoint(double& x, double& y, double& dx, double& dy, const Txyvalues& xy, double percent) {
  const size_t n = xy.size();
  if (n < 2) return false;
  double total = 0;
  for (size_t i = 1; i < n; ++i) total += std::hypot(xy[i].x - xy[i - 1].x, xy[i].y - xy[i - 1].y);
  if (!(total > 0)) return false;
  const double want = total * percent / 100;
  double run = 0;
  size_t seg = 1;
  for (; seg < n; ++seg) {
    const double len = std::hypot(xy[seg].x - xy[seg - 1].x, xy[seg].y - xy[seg - 1].y);
    if (run + len >= want || seg == n - 1) break;
    run += len;
  }
  if (want < 0) seg = 1, run = 0;
  // A zero-length segment has no direction: take the next one that has.
  size_t s = seg;
  while (s < n && xy[s].x == xy[s - 1].x && xy[s].y == xy[s - 1].y) ++s;
  if (s == n) s = seg;
  const double len = std::hypot(xy[s].x - xy[s - 1].x, xy[s].y - xy[s - 1].y);
  if (!(len > 0)) return false;
  dx = (xy[s].x - xy[s - 1].x) / len;
  dy = (xy[s].y - xy[s - 1].y) / len;
  const double along = want - run;
  x = xy[seg - 1].x + dx * along;
  y = xy[seg - 1].y + dy * along;
  return true;
}

}  // namespace skylines
