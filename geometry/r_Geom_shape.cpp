// TlineMan shape regularisation: slivers, the dominant axis of a rectilinear outline, squaring
// building-like rings and removing nearly straight vertices. Azimuths are atan2(dx, dy) (0 along
// +y, pi/2 along +x); turns come from trig.changeOfDirection (-pi..pi). Squaring works in the
// frame of the rings' common axis: a side along it keeps its cross coordinate, a side across it
// its along coordinate, and a corner takes one of each, so axis-parallel corners stay exact.
// Straightening passes over the line from its end, compacting the vertices it keeps in place.
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kQuarter = kPi / 2;
constexpr int kSquarePasses = 5;
constexpr double kSquareStraight = 0.15707963267948966;  // 9 degrees: flatter squared corners go
constexpr int kSliverMostPoints = 9;                      // larger rings are never slivers
constexpr double kSliverReversal = 178;                   // degrees: a near-reversal counts 2
constexpr double kSliverSharp = 175;                      // degrees: a sharp turn counts 1

double azimuth(const xyrec& a, const xyrec& b) { return std::atan2(b.x - a.x, b.y - a.y); }

double turnAt(const Txyvalues& xy, int32_t prev, int32_t at, int32_t next) {
  return trig->changeOfDirection(xy[prev].x, xy[prev].y, xy[at].x, xy[at].y, xy[next].x, xy[next].y);
}

bool allFinite(const Txyvalues& xy) {
  for (const xyrec& p : xy)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  return true;
}

// The azimuth of the first side with a length; 0 when there is none.
double firstAzimuth(const Txyvalues& xy) {
  for (size_t i = 0; i + 1 < xy.size(); ++i)
    if (xy[i] != xy[i + 1]) return azimuth(xy[i], xy[i + 1]);
  return 0;
}

// Adds each side's azimuth, folded by quarter turns into (centre - pi/4, centre + pi/4], times
// its length, and the lengths.
void addFoldedSides(const Txyvalues& xy, double centre, double& sumAz, double& sumLen) {
  for (size_t i = 0; i + 1 < xy.size(); ++i) {
    const double len = std::hypot(xy[i + 1].x - xy[i].x, xy[i + 1].y - xy[i].y);
    if (!(len > 0) || !std::isfinite(len)) continue;
    double az = azimuth(xy[i], xy[i + 1]);
    while (az < centre - kPi / 4) az += kQuarter;
    while (az > centre + kPi / 4) az -= kQuarter;
    sumAz += az * len;
    sumLen += len;
  }
}

// Each side's direction as a whole number of quarter turns from the axis, 0..3.
std::vector<int> quarterClasses(const Txyvalues& ring, double axis) {
  std::vector<int> q(ring.size() > 1 ? ring.size() - 1 : 0);
  for (size_t i = 0; i < q.size(); ++i) {
    const int k = static_cast<int>(std::nearbyint((azimuth(ring[i], ring[i + 1]) - axis) / kQuarter));
    q[i] = ((k % 4) + 4) % 4;
  }
  return q;
}

// Removes the vertices between sides of one direction class, the closing vertex included.
void mergeRuns(Txyvalues& ring, double axis) {
  const std::vector<int> q = quarterClasses(ring, axis);
  const auto n = static_cast<int32_t>(ring.size());
  for (int32_t k = n - 3; k >= 0; --k)
    if (q[k] == q[k + 1] && count(ring) > k + 2) ring.erase(ring.begin() + k + 1);
  // A ring that starts along a side starts at its next corner instead: the start cannot be
  // squared, as its two sides are one.
  const std::vector<int> left = quarterClasses(ring, axis);
  if (count(ring) > 5 && ring.front() == ring.back() && left.front() == left.back()) {
    ring.erase(ring.begin());
    ring.back() = ring.front();
  }
}

// One squaring pass over a closed ring: each corner between sides at right angles goes where
// the lines through the two sides' midpoints, snapped to the axis, meet. All lines are taken
// from the ring as it stood, so the squared sides run exactly along the axis or across it.
void squareRing(Txyvalues& ring, double axis, double s, double c) {
  const std::vector<int> q = quarterClasses(ring, axis);
  const auto sides = static_cast<int32_t>(q.size());
  // (s, c) runs along the axis, (c, -s) across it.
  std::vector<double> held(q.size());
  for (int32_t k = 0; k < sides; ++k) {
    const double mx = (ring[k].x + ring[k + 1].x) / 2, my = (ring[k].y + ring[k + 1].y) / 2;
    held[k] = q[k] % 2 == 0 ? mx * c - my * s : mx * s + my * c;
  }
  for (int32_t k = 0; k < sides; ++k) {
    const int32_t p = k == 0 ? sides - 1 : k - 1;
    if (q[p] % 2 == q[k] % 2) continue;  // parallel lines: the corner stays
    const double along = q[k] % 2 == 1 ? held[k] : held[p];
    const double across = q[k] % 2 == 1 ? held[p] : held[k];
    ring[k] = {along * s + across * c, along * c - across * s};
  }
  ring.back() = ring.front();
}

}  // namespace

bool TlineMan::isSliver(const Txyvalues& xy) const {
  const int32_t n = count(xy);
  if (n > kSliverMostPoints || n < 3) return false;
  createTrig();
  int score = 0;
  for (int32_t i = 0; i <= n - 2; ++i) {
    const double turn = std::abs(turnAt(xy, i == 0 ? n - 2 : i - 1, i, i + 1)) * rad2deg;
    if (turn > kSliverReversal) score += 2;
    else if (turn > kSliverSharp) score += 1;
  }
  return score > 1;
}

double TlineMan::findPolyAxis(const Txyvalues& xy) const {
  if (xy.size() < 2) return 0;
  double sumAz = 0, sumLen = 0;
  addFoldedSides(xy, firstAzimuth(xy), sumAz, sumLen);
  return sumLen > 0 ? sumAz / sumLen : 0;
}

double TlineMan::findLongPolyAxis(const Txyvalues& xy) const {
  const double axis = findPolyAxis(xy);
  const double s = std::sin(axis), c = std::cos(axis);
  double alongLo = INFINITY, alongHi = -INFINITY, acrossLo = INFINITY, acrossHi = -INFINITY;
  for (const xyrec& p : xy) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    const double along = p.x * s + p.y * c, across = p.x * c - p.y * s;
    alongLo = std::min(alongLo, along);
    alongHi = std::max(alongHi, along);
    acrossLo = std::min(acrossLo, across);
    acrossHi = std::max(acrossHi, across);
  }
  if (acrossHi - acrossLo > alongHi - alongLo) return createTrig().inPi(axis + kQuarter);
  return axis;
}

// Steps: a the common axis, b merging sides of one direction, c the squaring passes, d removing
// vertices left nearly straight.
void TlineMan::MakeSquare(TpolyXyValues& xy) {
  TprocScope proc(*this, "MakeSquare");
  createTrig();
  seterr("a");
  std::vector<Txyvalues*> rings;
  for (Txyvalues& ring : xy)
    if (ring.size() >= 4 && allFinite(ring)) rings.push_back(&ring);
  if (rings.empty()) {
    seterr("");
    return;
  }
  const double first = firstAzimuth(*rings.front());
  double sumAz = 0, sumLen = 0;
  for (const Txyvalues* ring : rings) addFoldedSides(*ring, first, sumAz, sumLen);
  if (!(sumLen > 0) || !std::isfinite(sumAz)) {
    log("MakeSquare a: the rings have no length");
    return;
  }
  // Any quarter turn of the axis squares alike; the one nearest 0 keeps an upright frame exact.
  const double axis = std::remainder(sumAz / sumLen, kQuarter);
  const double s = std::sin(axis), c = std::cos(axis);

  seterr("b");
  for (Txyvalues* ring : rings) mergeRuns(*ring, axis);

  seterr("c");
  for (int pass = 0; pass < kSquarePasses; ++pass)
    for (Txyvalues* ring : rings)
      if (ring->size() >= 4) squareRing(*ring, axis, s, c);

  seterr("d");
  for (Txyvalues* ring : rings)
    for (int32_t i = count(*ring) - 2; i >= 1; --i)
      if (std::abs(turnAt(*ring, i - 1, i, i + 1)) < kSquareStraight) ring->erase(ring->begin() + i);
  seterr("");
}

void TlineMan::straighten(Txyvalues& xy, double minangle) const {
  const Ttrig& t = createTrig();
  for (bool removed = true; removed && xy.size() >= 3;) {
    removed = false;
    // One pass from the end: each vertex turns between its own left neighbour and the nearest
    // vertex kept to its right. Kept vertices gather at the array's end and move up after.
    const int32_t n = count(xy);
    int32_t w = n - 2;  // the next free place for a kept vertex; kept ones lie beyond it
    for (int32_t i = n - 2; i >= 1; --i) {
      const xyrec &prev = xy[i - 1], &at = xy[i], &next = xy[w + 1];
      const double turn = t.changeOfDirection(prev.x, prev.y, at.x, at.y, next.x, next.y);
      if (std::abs(turn) * rad2deg < minangle) {
        removed = true;
      } else {
        xy[w--] = at;
      }
    }
    if (!removed) break;
    std::move(xy.begin() + w + 1, xy.end(), xy.begin() + 1);
    xy.resize(static_cast<size_t>(n - w));
  }
}
