// Tsinuous: a smooth curve through a polyline's vertices, one cubic Bezier piece per segment,
// inner control points at 0.35 of the chord along the directions that split each vertex's turn.
// Pieces are apportioned by length (20-chord estimate); within a piece u is the Bezier parameter.
// A curve of fewer than two vertices or of no length answers its first vertex ((0, 0) for none).
#include <algorithm>
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {
constexpr double kControlReach = 0.35;  // inner control points at this fraction of the chord
constexpr int kLengthChords = 20;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDirectionReach = 0.005;  // the direction is the chord over u ± this
constexpr double kMaxSampleSteps = 1e6;    // a finer sampling gives the two ends instead
}  // namespace

void Tsinuous::setXY(const Txyvalues& value) {
  fxy = value;
  const int32_t n = count(value);
  localU = 0;
  controlIndex = 0;
  isClosed = false;
  total = 0;
  if (n < 2) {
    a.clear();
    lengths.clear();
    control.clear();
    return;
  }
  a.assign(static_cast<size_t>(3 * n - 2), xyrec{});
  for (int32_t i = 0; i < n; ++i) a[3 * i] = value[i];
  const xyrec& p0 = value[0];
  if (n == 2) {
    const xyrec& p1 = value[1];
    a[1] = {p0.x + (p1.x - p0.x) / 3, p0.y + (p1.y - p0.y) / 3};
    a[2] = {p0.x + 2 * (p1.x - p0.x) / 3, p0.y + 2 * (p1.y - p0.y) / 3};
    total = std::hypot(p1.x - p0.x, p1.y - p0.y);
    // Nothing of a previous, longer curve may stay behind.
    lengths.assign(1, total);
    control = {0, 1};
    return;
  }
  isClosed = p0 == value[n - 1];
  Ttrig& tr = createTrig();
  Tdlist turn(static_cast<size_t>(n), 0);
  for (int32_t i = 1; i <= n - 2; ++i)
    turn[i] = tr.changeOfDirection(value[i - 1].x, value[i - 1].y, value[i].x, value[i].y, value[i + 1].x,
                                   value[i + 1].y);
  if (isClosed) {
    turn[0] = tr.changeOfDirection(value[n - 2].x, value[n - 2].y, p0.x, p0.y, value[1].x, value[1].y);
    turn[n - 1] = turn[0];
  } else {
    turn[0] = turn[1];
    turn[n - 1] = endchange != -1 ? endchange : turn[n - 2];
  }
  lengths.assign(static_cast<size_t>(n - 1), 0);
  for (int32_t i = 0; i <= n - 2; ++i) {
    const xyrec &p = value[i], &q = value[i + 1];
    const double s = kControlReach * std::hypot(q.x - p.x, q.y - p.y);
    const double az = std::atan2(q.x - p.x, q.y - p.y);
    const double g = az - turn[i] / 2, h = az + kPi + turn[i + 1] / 2;
    a[3 * i + 1] = {p.x + s * std::sin(g), p.y + s * std::cos(g)};
    a[3 * i + 2] = {q.x + s * std::sin(h), q.y + s * std::cos(h)};
    lengths[i] = getBezierLength(p.x, p.y, a[3 * i + 1].x, a[3 * i + 1].y, a[3 * i + 2].x, a[3 * i + 2].y, q.x, q.y);
    total += lengths[i];
  }
  control.assign(static_cast<size_t>(n), 0);
  double run = 0;
  for (int32_t i = 0; i < n - 2; ++i) {
    run += lengths[i];
    control[i + 1] = total > 0 ? run / total : 0;
  }
  // Exactly 1, so every u below 1 finds a piece that follows it.
  control[n - 1] = 1;
}

void Tsinuous::setXYi(const Tpoints& value) {
  Txyvalues xy;
  xy.reserve(value.size());
  for (const auto& p : value) xy.push_back({static_cast<double>(p.X), static_cast<double>(p.Y)});
  setXY(xy);
}

void Tsinuous::GetBezier(double& x, double& y, double t, double x0, double y0, double x1, double y1, double x2,
                         double y2, double x3, double y3) {
  const double cx = 3 * (x1 - x0), bx = 3 * (x2 - x1) - cx, ax = x3 - x0 - cx - bx;
  const double cy = 3 * (y1 - y0), by = 3 * (y2 - y1) - cy, ay = y3 - y0 - cy - by;
  x = ((ax * t + bx) * t + cx) * t + x0;
  y = ((ay * t + by) * t + cy) * t + y0;
}

double Tsinuous::getBezierLength(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                                 double y3) {
  double len = 0, px = x0, py = y0;
  for (int k = 1; k <= kLengthChords; ++k) {
    double x = 0, y = 0;
    GetBezier(x, y, static_cast<double>(k) / kLengthChords, x0, y0, x1, y1, x2, y2, x3, y3);
    len += std::hypot(x - px, y - py);
    px = x;
    py = y;
  }
  return len;
}

bool Tsinuous::hasPieces() const {
  const int32_t n = count(fxy);
  return n >= 2 && count(a) == 3 * n - 2 && count(control) == n && total > 0;
}

void Tsinuous::firstVertex(double& x, double& y) const {
  x = fxy.empty() ? 0 : fxy[0].x;
  y = fxy.empty() ? 0 : fxy[0].y;
}

void Tsinuous::getXY(double& x, double& y, double localU_, int32_t controlIndex_) const {
  // Pieces counted from the control polygon, so no index is multiplied before it is checked.
  const int32_t pieces = (count(a) - 1) / 3;
  if (controlIndex_ < 0 || controlIndex_ >= pieces) {
    firstVertex(x, y);
    return;
  }
  const xyrec* p = &a[3 * controlIndex_];
  GetBezier(x, y, localU_, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y);
}

void Tsinuous::getXY(double& x, double& y, double u) {
  localU = 0;
  controlIndex = 0;
  if (!hasPieces()) {
    firstVertex(x, y);
    return;
  }
  const int32_t n = count(fxy);
  if (!(u > 0)) u = 0;  // NaN too
  if (u > 1) u = 1;
  localU = u;
  if (u == 1) {
    x = fxy[n - 1].x;
    y = fxy[n - 1].y;
    localU = 0;
    controlIndex = n - 1;
    return;
  }
  if (n == 2) {
    x = fxy[0].x + u * (fxy[1].x - fxy[0].x);
    y = fxy[0].y + u * (fxy[1].y - fxy[0].y);
    return;
  }
  // The last vertex at or below u: its piece has a length, since control[n-1] = 1 > u.
  const auto at = std::upper_bound(control.begin(), control.begin() + (n - 1), u);
  const auto i = static_cast<int32_t>(at - control.begin()) - 1;
  localU = (u - control[i]) / (control[i + 1] - control[i]);
  controlIndex = i;
  getXY(x, y, localU, i);
}

double Tsinuous::getDirection(double u) {
  if (!hasPieces()) return 0;
  if (std::isnan(u)) u = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  getXY(x1, y1, std::clamp(u - kDirectionReach, 0.0, 1.0));
  getXY(x2, y2, std::clamp(u + kDirectionReach, 0.0, 1.0));
  return std::atan2(y1 - y2, x2 - x1);
}

void Tsinuous::GetXY(Txyvalues& curve, double maxstep) {
  // A step that is not positive, or one so fine the sample would have no end, gives the ends.
  double steps = std::trunc(total / maxstep) + 1;
  if (!(maxstep > 0) || !(steps >= 1) || steps > kMaxSampleSteps) steps = 1;
  const auto k = static_cast<int32_t>(steps);
  curve.resize(static_cast<size_t>(k) + 1);
  for (int32_t i = 0; i <= k; ++i) getXY(curve[i].x, curve[i].y, static_cast<double>(i) / k);
}
