// TlineMan line editing: point equality and closed lines, cutting at positions, splitting into
// pieces, joining, moving whole polygons and tidying (duplicates, resampling, short segments,
// spikes). A position is a segment index plus a fraction; one outside its line is held to it.
// Tidying walks the line once from its end, gathering the points it keeps at the array's end, and
// moves them up after, so a long line is never shifted point by point.
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

using geom::holdPosition;
using geom::pointAt;

bool TlineMan::equal(const xyrec& a, const xyrec& b, double snap) const {
  return std::abs(a.x - b.x) <= snap && std::abs(a.y - b.y) <= snap;
}

bool TlineMan::equal(const xyrec& a, const xyrec& b) const { return equal(a, b, createTrig().equality); }

bool TlineMan::closed(const Txyvalues& xy, double snap) const {
  return xy.size() >= 4 && equal(xy.front(), xy.back(), snap);
}

bool TlineMan::closed(const Txyvalues& xy) const { return xy.size() >= 2 && equal(xy.front(), xy.back()); }

bool TlineMan::acute(const Txyvalues& xy) const {
  const Ttrig& t = createTrig();
  for (size_t i = 0; i + 2 < xy.size(); ++i) {
    const double turn =
        t.inPi(t.changeOfDirection(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y, xy[i + 2].x, xy[i + 2].y));
    if (std::abs(turn) > M_PI / 2) return true;
  }
  return false;
}

void TlineMan::closeLoop(Txyvalues& xy) const {
  if (xy.size() < 3) return;
  if (equal(xy.front(), xy.back())) {
    xy.back() = xy.front();
  } else {
    xy.push_back(xy.front());
  }
}

// ---------------------------------------------------------------------------------------------
// Cutting at a position

void TlineMan::shorten(Txyvalues& xy, int32_t shortenby) const {
  if (shortenby > 0 && shortenby < count(xy)) xy.erase(xy.begin(), xy.begin() + shortenby);
}

void TlineMan::shorten(Txyvalues& xy, int32_t vertex, double u) const {
  if (vertex >= count(xy) || !holdPosition(count(xy), vertex, u)) return;
  const xyrec start = pointAt(xy, vertex, u);
  xy.erase(xy.begin(), xy.begin() + vertex);
  xy[0] = start;
}

void TlineMan::splitChain(Txyvalues& a, Txyvalues& b, int32_t vertex) const {
  if (vertex < 0 || vertex >= count(a)) {
    b.clear();
    return;
  }
  b.assign(a.begin() + vertex, a.end());
  a.resize(static_cast<size_t>(vertex) + 1);
}

bool TlineMan::splitChain(Txyvalues& a, Txyvalues& b, int32_t vertex, double u) const {
  const double pos = vertex + u;
  if (!(pos > 0 && pos < count(a) - 1)) return false;
  if (u < 0 || u >= 1) {
    vertex = static_cast<int32_t>(pos);
    u = pos - vertex;
  }
  if (u == 0) {
    splitChain(a, b, vertex);
    return true;
  }
  const xyrec cut = pointAt(a, vertex, u);
  b.clear();
  b.reserve(a.size() - static_cast<size_t>(vertex));
  b.push_back(cut);
  b.insert(b.end(), a.begin() + vertex + 1, a.end());
  a.resize(static_cast<size_t>(vertex) + 1);
  a.push_back(cut);
  return true;
}

namespace {
// The pieces' work for both position forms: pos(k) reads and setPos(k, v) rescales entry k of the
// caller's list; atCut(k, cut) may give the exact cut point, set on both sides of a split.
// Splits go from the last position to the first, each cutting the piece off the end of what is
// left of the line; what is left is a's first points with its last point possibly a cut, so the
// pieces are copied from a once instead of out of a shrinking copy of it.
template <typename Pos, typename SetPos, typename AtCut>
bool splitPieces(const TlineMan& lm, const Txyvalues& a, TpolyXyValues& b, int32_t n, Pos pos, SetPos setPos,
                 AtCut atCut) {
  const int32_t last = count(a) - 1;
  std::vector<bool> splits(static_cast<size_t>(n));
  int32_t pieces = 1;
  for (int32_t k = 0; k < n; ++k) {
    splits[k] = pos(k) != 0 && pos(k) != last && (k == 0 || pos(k) != pos(k - 1));
    pieces += splits[k] ? 1 : 0;
  }
  b.assign(static_cast<size_t>(pieces), Txyvalues{});
  // What is left: points 0..end of a, point end replaced by tail when there is one.
  int32_t end = last;
  bool hasTail = false;
  xyrec tail;
  auto at = [&](int32_t i) -> const xyrec& { return hasTail && i == end ? tail : a[static_cast<size_t>(i)]; };
  auto copyLeft = [&](Txyvalues& to, int32_t from) {
    if (end < 0) return;  // no points
    to.reserve(static_cast<size_t>(end - from) + 2);
    if (from < end) to.insert(to.end(), a.begin() + from, a.begin() + end);
    to.push_back(at(end));
  };
  bool result = false;
  int32_t piece = pieces;
  for (int32_t k = n - 1; k >= 0; --k) {
    if (!splits[k]) continue;
    --piece;
    result = true;
    // A position outside the line counts as a split but cuts nothing: its piece stays empty.
    const double p = pos(k);
    if (!(p > 0 && p < last)) continue;
    const auto vertex = static_cast<int32_t>(p);
    const double f = p - vertex;
    if (!(p < end)) continue;  // beyond what is left: no split
    Txyvalues& cutOff = b[piece];
    if (f == 0) {
      copyLeft(cutOff, vertex);
      end = vertex;
      hasTail = false;
    } else {
      const xyrec &from = at(vertex), &to = at(vertex + 1);
      const xyrec cut{from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f};
      cutOff.push_back(cut);
      copyLeft(cutOff, vertex + 1);
      end = vertex + 1;
      hasTail = true;
      tail = cut;
    }
    xyrec exact;
    if (atCut(k, exact)) {
      tail = exact;
      hasTail = true;
      cutOff.front() = exact;
    }
    if (f <= 0) continue;
    // What is left now ends at the cut: earlier positions on that segment are fractions of the
    // part left.
    for (int32_t m = k - 1; m >= 0 && pos(m) >= vertex && pos(m) < vertex + 1; --m)
      setPos(m, vertex + (pos(m) - vertex) / f);
  }
  copyLeft(b[0], 0);
  for (Txyvalues& line : b) lm.eliminateDuplicates(line);
  return result;
}
}  // namespace

bool TlineMan::splitchain(const Txyvalues& a, TpolyXyValues& b, Tdlist& u) const {
  return splitPieces(
      *this, a, b, count(u), [&](int32_t k) { return u[k]; }, [&](int32_t k, double v) { u[k] = v; },
      [](int32_t, xyrec&) { return false; });
}

bool TlineMan::splitchain(const Txyvalues& a, TpolyXyValues& b, Txyzvalues& xyu) const {
  return splitPieces(
      *this, a, b, count(xyu), [&](int32_t k) { return xyu[k].z; }, [&](int32_t k, double v) { xyu[k].z = v; },
      [&](int32_t k, xyrec& exact) {
        exact = {xyu[k].x, xyu[k].y};
        return true;
      });
}

void TlineMan::prePend(Txyvalues& a, Txyvalues& b, bool reverse) const {
  if (reverse) std::reverse(b.begin(), b.end());
  Txyvalues joined;
  joined.reserve(a.size() + b.size());
  for (const xyrec& p : b) geom::addPoint(joined, p);
  for (const xyrec& p : a) geom::addPoint(joined, p);
  a = std::move(joined);
}

void TlineMan::truncate(Txyvalues& xy, double u) const { truncate(xy, 0, u); }

void TlineMan::truncate(Txyvalues& xy, int32_t vertex, double u) const {
  if (!holdPosition(count(xy), vertex, u)) return;
  if (u == 0) {
    xy.resize(static_cast<size_t>(vertex) + 1);
    return;
  }
  const xyrec end = pointAt(xy, vertex, u);
  xy.resize(static_cast<size_t>(vertex) + 2);
  xy.back() = end;
}

void TlineMan::truncate(Txyvalues& xy, int32_t vertex1, double u1, int32_t vertex2, double u2) const {
  const int32_t n = count(xy);
  if (!holdPosition(n, vertex1, u1) || !holdPosition(n, vertex2, u2)) return;
  if (vertex2 < vertex1) {
    std::swap(vertex1, vertex2);
    std::swap(u1, u2);
  }
  const xyrec start = pointAt(xy, vertex1, u1);
  truncate(xy, vertex2, u2);
  xy[vertex1] = start;
  xy.erase(xy.begin(), xy.begin() + vertex1);
}

bool TlineMan::extract(Txyvalues& xy, const Txyvalues& source, int32_t vertex1, double u1, int32_t vertex2,
                       double u2) const {
  const int32_t n = count(source);
  if (!holdPosition(n, vertex1, u1) || !holdPosition(n, vertex2, u2)) return false;
  if (vertex1 == vertex2 && u1 == u2) return false;
  if (vertex2 < vertex1 || (vertex2 == vertex1 && u2 < u1)) {
    std::swap(vertex1, vertex2);
    std::swap(u1, u2);
  }
  Txyvalues stretch;
  stretch.reserve(static_cast<size_t>(vertex2 - vertex1) + 2);
  stretch.push_back(pointAt(source, vertex1, u1));
  stretch.insert(stretch.end(), source.begin() + vertex1 + 1, source.begin() + vertex2 + 1);
  if (u2 != 0) stretch.push_back(pointAt(source, vertex2, u2));
  xy = std::move(stretch);
  return true;
}

bool TlineMan::extract(Txyvalues& xy, const Txyvalues& source, double u1, double u2) const {
  return extract(xy, source, 0, u1, 0, u2);
}

// ---------------------------------------------------------------------------------------------
// Moving whole polygons

void TlineMan::shift(TpolyXyValues& xy, double dx, double dy) const {
  for (Txyvalues& ring : xy)
    for (xyrec& p : ring) {
      p.x += dx;
      p.y += dy;
    }
}

void TlineMan::stretch(TpolyXyValues& xy, double x0, double y0, double fx, double fy) const {
  for (Txyvalues& ring : xy)
    for (xyrec& p : ring) {
      p.x = x0 + fx * (p.x - x0);
      p.y = y0 + fy * (p.y - y0);
    }
}

void TlineMan::stretch(TpolyXyValues& xy, double x0, double y0, double fx, double fy, double rotation) const {
  const Ttrig& t = createTrig();
  const double r = rotation * 0.0174532925199433;
  const double s = std::sin(r), c = std::cos(r);
  for (Txyvalues& ring : xy)
    for (xyrec& p : ring) {
      const double d = t.getdistance(x0, y0, p.x, p.y);
      const double a = t.arcTan(p.y - y0, p.x - x0) + r;
      const double f = (fx - 1) * d * std::cos(a), g = (fy - 1) * d * std::sin(a);
      p.x += f * c + g * s;
      p.y += -f * s + g * c;
    }
}

void TlineMan::rotate(TpolyXyValues& xy, double x0, double y0, double radians) const {
  const Ttrig& t = createTrig();
  for (Txyvalues& ring : xy)
    for (xyrec& p : ring) {
      const double d = t.getdistance(x0, y0, p.x, p.y);
      const double b = t.arcTan(p.x - x0, p.y - y0) + radians;
      p.x = x0 + d * std::sin(b);
      p.y = y0 + d * std::cos(b);
    }
}

// ---------------------------------------------------------------------------------------------
// Tidying

void TlineMan::eliminateDuplicates(Txyvalues& xy, double snap) const {
  if (xy.size() < 2) return;
  // Without neighbours within snap nothing merges: the line stays as it is.
  bool any = false;
  for (size_t i = 0; i + 1 < xy.size() && !any; ++i) any = equal(xy[i], xy[i + 1], snap);
  if (!any) return;
  // From the end: each point merges into the running midpoint of the run after it.
  Txyvalues kept;
  kept.reserve(xy.size());
  xyrec run = xy.back();
  for (size_t i = xy.size() - 1; i-- > 0;) {
    if (equal(run, xy[i], snap)) {
      run = {(run.x + xy[i].x) / 2, (run.y + xy[i].y) / 2};
    } else {
      kept.push_back(run);
      run = xy[i];
    }
  }
  kept.push_back(run);
  if (kept.size() == xy.size()) return;
  xy.assign(kept.rbegin(), kept.rend());
}

void TlineMan::eliminateDuplicates(Txyvalues& xy) const { eliminateDuplicates(xy, createTrig().equality); }

namespace {
// Points at n equal steps along the line (its last point closing them); n within bounds.
Txyvalues evenPoints(const Txyvalues& xy, double total, int32_t n) {
  Txyvalues out;
  out.reserve(static_cast<size_t>(n) + 1);
  const double step = total / n;
  size_t seg = 0;
  double before = 0;  // length of the segments before seg
  double len = createTrig().getdistance(xy[0].x, xy[0].y, xy[1].x, xy[1].y);
  for (int32_t k = 0; k < n; ++k) {
    const double at = k * step;
    while (seg + 2 < xy.size() && before + len < at) {
      before += len;
      ++seg;
      len = createTrig().getdistance(xy[seg].x, xy[seg].y, xy[seg + 1].x, xy[seg + 1].y);
    }
    const double f = len > 0 ? std::min((at - before) / len, 1.0) : 0;
    out.push_back(pointAt(xy, static_cast<int32_t>(seg), f));
  }
  out.push_back(xy.back());
  return out;
}
}  // namespace

bool TlineMan::resample(Txyvalues& xy, double maxgap, int32_t minsteps) const {
  const double total = linelength(xy);
  if (!(maxgap > 0) || total == 0 || !std::isfinite(total) || xy.size() < 2) return false;
  const double steps = total / maxgap;
  if (!(steps <= kMaxNewPoints) || minsteps > kMaxNewPoints) return false;
  int32_t n = static_cast<int32_t>(std::nearbyint(steps));
  if (n < minsteps) n = minsteps;
  if (n <= 0) return false;
  xy = evenPoints(xy, total, n);
  return true;
}

void TlineMan::resample(Txyvalues& xy, double maxgap) const { resample(xy, maxgap, 0); }

void TlineMan::resample(Tpoints& xy, double maxgap) const {
  Txyvalues d;
  d.reserve(xy.size());
  for (const platform::TPoint& p : xy) d.push_back({static_cast<double>(p.X), static_cast<double>(p.Y)});
  if (!resample(d, maxgap, 0)) return;
  xy.clear();
  for (const xyrec& p : d)
    xy.push_back({static_cast<int>(std::nearbyint(p.x)), static_cast<int>(std::nearbyint(p.y))});
}

bool TlineMan::resampleWithoutloss(Txyvalues& xy, double maxgap) const {
  if (!(maxgap > 0)) return false;
  const Ttrig& t = createTrig();
  double added = 0;
  for (size_t i = 0; i + 1 < xy.size(); ++i) {
    const double len = t.getdistance(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y);
    if (len > maxgap) added += std::trunc(len / maxgap);
    if (!(added <= kMaxNewPoints)) return false;  // NaN and infinite lengths included
  }
  if (added == 0) return false;
  Txyvalues out;
  out.reserve(xy.size() + static_cast<size_t>(added));
  for (size_t i = 0; i < xy.size(); ++i) {
    geom::addPoint(out, xy[i]);
    if (i + 1 == xy.size()) break;
    const double len = t.getdistance(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y);
    if (!(len > maxgap)) continue;
    const auto k = static_cast<int32_t>(std::trunc(len / maxgap));
    for (int32_t j = 1; j <= k; ++j) geom::addPoint(out, pointAt(xy, static_cast<int32_t>(i), double(j) / (k + 1)));
  }
  xy = std::move(out);
  return true;
}

bool TlineMan::removeShortSegments(Txyvalues& xy, double minlength) const {
  if (!(minlength > 0) || xy.size() < 2) return false;
  const Ttrig& t = createTrig();
  auto dist = [&](const xyrec& a, const xyrec& b) { return t.getdistance(a.x, a.y, b.x, b.y); };
  // From the last segment to the first. The line is xy[0..s] and then the points kept so far,
  // which gather at the array's end beyond w; after[k] is the length of the segment that starts
  // at kept point k. A short segment s absorbs the next when the previous is longer (its end
  // point goes), else the previous absorbs it (its start point goes); segment 0 loses its end.
  const int32_t n = count(xy);
  Tdlist after(static_cast<size_t>(n), 0);
  int32_t w = n - 2;
  double len = dist(xy[n - 2], xy[n - 1]);  // segment s, from xy[s] to the first kept point
  bool result = false;
  for (int32_t s = n - 2; s >= 1; --s) {
    const double before = dist(xy[s - 1], xy[s]);
    if (!(len < minlength)) {
      after[w] = len;
      xy[w--] = xy[s];
      len = before;
      continue;
    }
    result = true;
    const int32_t kept = n - 1 - w;
    if (kept >= 2 && before > after[w + 1]) {
      ++w;  // the next segment's end point goes
      after[w] = dist(xy[s], xy[w + 1]);
      xy[w--] = xy[s];
      len = before;
    } else {
      len = dist(xy[s - 1], xy[w + 1]);  // xy[s] goes
    }
  }
  if (len < minlength) {
    result = true;
    if (1 + (n - 1 - w) > 2) ++w;
  }
  std::move(xy.begin() + w + 1, xy.end(), xy.begin() + 1);
  xy.resize(static_cast<size_t>(n - w));
  return result;
}

namespace {
// Runs work on a line whose ends are neighbours: a closed line's closing point is taken off
// for it and put back after.
template <typename Work>
void cyclic(const TlineMan& lm, Txyvalues& xy, Work work) {
  if (xy.size() < 3) return;
  const bool closed = lm.closed(xy);
  if (closed) xy.pop_back();
  work();
  if (closed) lm.closeLoop(xy);
}
}  // namespace

void TlineMan::eliminateSpikes(Txyvalues& xy) const {
  cyclic(*this, xy, [&] {
    // From the end: the line is xy[lo..n] followed by the points kept so far, which gather at
    // the array's end beyond w. A point whose neighbours meet goes with its next neighbour; the
    // last point's next neighbour is the first.
    const int32_t size = count(xy);
    int32_t lo = 0, n = size - 2, w = size - 2;
    auto kept = [&] { return size - 1 - w; };
    while (n >= lo && (n - lo + 1) + kept() >= 3) {
      const xyrec& prev = n > lo ? xy[n - 1] : xy[size - 1];
      const xyrec& next = kept() > 0 ? xy[w + 1] : xy[lo];
      if (!equal(prev, next)) {
        xy[w--] = xy[n--];
        continue;
      }
      // Out to n and back: the return point and n go.
      if (kept() > 0) {
        ++w;
      } else {
        ++lo;
      }
      --n;
    }
    std::move(xy.begin() + lo, xy.begin() + n + 1, xy.begin());
    std::move(xy.begin() + w + 1, xy.end(), xy.begin() + (n + 1 - lo));
    xy.resize(static_cast<size_t>(n + 1 - lo + kept()));
  });
}

void TlineMan::eliminateSpikes(Txyvalues& xy, double minangle) const {
  const Ttrig& t = createTrig();
  cyclic(*this, xy, [&] {
    // From the end: the line is xy[0..b] followed by the points kept so far, which gather at the
    // array's end beyond w. A point whose angle is below minangle goes, and its next neighbour
    // takes its place and is tested in turn while two points or more follow it.
    const int32_t size = count(xy);
    int32_t b = size - 1, w = size - 1;
    auto kept = [&] { return size - 1 - w; };
    while (b >= 0 && b + 1 + kept() > 2) {
      bool current = true;
      while (b + 1 + kept() > 2) {
        const xyrec& p = b > 0 ? xy[b - 1] : xy[size - 1];
        const xyrec& r = kept() > 0 ? xy[w + 1] : xy[0];
        const xyrec& q = xy[b];
        if (!(t.AngleBetweenLines(p.x, p.y, q.x, q.y, r.x, r.y) < minangle)) break;
        if (kept() == 0) {
          current = false;  // the last point went
          break;
        }
        xy[b] = xy[++w];
        if (kept() < 2) break;
      }
      if (current) xy[w--] = xy[b];
      --b;
    }
    std::move(xy.begin() + w + 1, xy.end(), xy.begin() + b + 1);
    xy.resize(static_cast<size_t>(b + 1 + kept()));
  });
}
