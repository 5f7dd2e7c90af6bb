// TlineMan line editing: point equality and closed lines, cutting at positions, splitting into
// pieces, joining, moving whole polygons and tidying (duplicates, resampling, short segments,
// spikes). A position is a segment index plus a fraction; one outside its line is held to it.
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
// caller's list; atCut(k, piece) may set the cut point exactly on both sides of a split.
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
  b[0] = a;
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
    if (!lm.splitChain(b[0], b[piece], vertex, f)) continue;
    atCut(k, b[piece]);
    if (f <= 0) continue;
    // b[0] now ends at the cut: earlier positions on that segment are fractions of the part left.
    for (int32_t m = k - 1; m >= 0 && pos(m) >= vertex && pos(m) < vertex + 1; --m)
      setPos(m, vertex + (pos(m) - vertex) / f);
  }
  for (Txyvalues& line : b) lm.eliminateDuplicates(line);
  return result;
}
}  // namespace

bool TlineMan::splitchain(const Txyvalues& a, TpolyXyValues& b, Tdlist& u) const {
  return splitPieces(
      *this, a, b, count(u), [&](int32_t k) { return u[k]; }, [&](int32_t k, double v) { u[k] = v; },
      [](int32_t, Txyvalues&) {});
}

bool TlineMan::splitchain(const Txyvalues& a, TpolyXyValues& b, Txyzvalues& xyu) const {
  return splitPieces(
      *this, a, b, count(xyu), [&](int32_t k) { return xyu[k].z; }, [&](int32_t k, double v) { xyu[k].z = v; },
      [&](int32_t k, Txyvalues& piece) {
        const xyrec exact{xyu[k].x, xyu[k].y};
        b[0].back() = exact;
        piece.front() = exact;
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
  auto dist = [&](size_t a, size_t b) { return t.getdistance(xy[a].x, xy[a].y, xy[b].x, xy[b].y); };
  Tdlist len;
  for (size_t s = 0; s + 1 < xy.size(); ++s) len.push_back(dist(s, s + 1));
  bool result = false;
  int32_t last = count(len) - 1;
  for (int32_t s = last; s >= 0; --s) {
    if (!(len[s] < minlength)) continue;
    result = true;
    if (s == 0) {
      if (xy.size() > 2) xy.erase(xy.begin() + 1);
    } else if (s < last && len[s - 1] > len[s + 1]) {
      // Absorbs the next segment: its end point goes.
      xy.erase(xy.begin() + s + 1);
      len[s] = dist(s, s + 1);
      len.erase(len.begin() + s + 1);
    } else {
      // The previous segment absorbs it: its start point goes.
      xy.erase(xy.begin() + s);
      len[s - 1] = dist(s - 1, s);
      len.erase(len.begin() + s);
    }
    --last;
  }
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
    for (int32_t n = count(xy) - 2; n >= 0 && count(xy) >= 3; --n) {
      n = std::min(n, count(xy) - 1);
      const int32_t len = count(xy);
      const int32_t prev = (n + len - 1) % len, next = (n + 1) % len;
      if (!equal(xy[prev], xy[next])) continue;
      // Out to n and back: the return point and n go, the higher index first.
      xy.erase(xy.begin() + std::max(n, next));
      xy.erase(xy.begin() + std::min(n, next));
      if (next < n) --n;
    }
  });
}

void TlineMan::eliminateSpikes(Txyvalues& xy, double minangle) const {
  const Ttrig& t = createTrig();
  cyclic(*this, xy, [&] {
    for (int32_t b = count(xy) - 1; b >= 0 && count(xy) > 2; --b) {
      while (count(xy) > 2 && b < count(xy)) {
        const int32_t len = count(xy);
        const xyrec &p = xy[(b + len - 1) % len], &q = xy[b], &r = xy[(b + 1) % len];
        if (!(t.AngleBetweenLines(p.x, p.y, q.x, q.y, r.x, r.y) < minangle)) break;
        xy.erase(xy.begin() + b);
        if (!(b < count(xy) - 2)) break;
      }
    }
  });
}
