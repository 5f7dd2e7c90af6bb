// A closed boundary cut by open chains, piece by piece, as TlineMan::MakeManifold does with
// TCutLoop, but with each piece held as runs of points of the boundary and the chains instead of
// as an array of its own: a cut splices runs, and the tests of a piece (which piece holds a chain,
// where the chain's ends lie on it) go through the segment trees of the boundary and the chains,
// so a long boundary cut many times is not copied and walked again at every cut.
// Every answer is the array algorithm's: pieces are searched in the same order, ends are the
// first segment hit in the piece's order, and the pieces' points are those TCutLoop::apply
// would give, repeats dropped where it drops them.
#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

namespace {

using geom::Extent;
using geom::TsegmentTree;

// Points from..to of source src, inclusive; backwards when from > to.
struct Run {
  int32_t src = 0;
  int32_t from = 0;
  int32_t to = 0;
  Extent box;
  [[nodiscard]] int32_t size() const { return std::abs(to - from) + 1; }
  [[nodiscard]] bool forward() const { return from <= to; }
  [[nodiscard]] int32_t at(int32_t k) const { return forward() ? from + k : from - k; }
};

// A closed piece: its points are its runs' points in order, the last equal to the first and no
// two neighbours equal.
struct Piece {
  std::vector<Run> runs;
  std::vector<int32_t> first;  // the piece's index of each run's first point
  int32_t size = 0;
  Extent box;
};

struct Position {
  int32_t vertex = 0;
  double u = 0;
};

class Cutter {
 public:
  Cutter(TlineMan& lm, const Txyvalues& edge, const TpolyXyValues& chains) : lm(lm) {
    sources.push_back(&edge);
    for (const Txyvalues& c : chains) sources.push_back(&c);
    trees.resize(sources.size());
    for (size_t s = 0; s < sources.size(); ++s) trees[s].build(*sources[s]);
  }

  const xyrec& point(const Run& r, int32_t k) const { return (*sources[r.src])[r.at(k)]; }
  const xyrec& vertex(const Piece& p, int32_t k) const {
    const auto r = static_cast<size_t>(std::upper_bound(p.first.begin(), p.first.end(), k) - p.first.begin()) - 1;
    return point(p.runs[r], k - p.first[r]);
  }

  Run run(int32_t src, int32_t from, int32_t to) const {
    Run r{src, from, to, {}};
    r.box = trees[src].pointsBox(std::min(from, to), std::max(from, to));
    return r;
  }

  void finish(Piece& p) const {
    p.first.clear();
    p.size = 0;
    p.box = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (const Run& r : p.runs) {
      p.first.push_back(p.size);
      p.size += r.size();
      geom::widen(p.box, r.box);
    }
  }

  // TlineMan::inLoop on the piece's points.
  bool inLoop(const Piece& p, double x, double y) const {
    const double eq = createTrig().equality;
    const double w = (eq > 0 ? 2 * eq : 0) + geom::roundingSlack(x, y) +
                     geom::roundingSlack(std::max(std::abs(p.box.x1), std::abs(p.box.x2)),
                                         std::max(std::abs(p.box.y1), std::abs(p.box.y2)));
    // Beyond the box in x no segment takes part; above it every crossing lies below the point.
    if (x < p.box.x1 - w || x > p.box.x2 + w || y > p.box.y2 + w) return false;
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Extent slab{x - w, -inf, x + w, inf};
    int32_t crossings = 0;
    for (size_t r = 0; r < p.runs.size(); ++r) {
      const Run& run = p.runs[r];
      const Txyvalues& src = *sources[run.src];
      if (run.size() > 1 && geom::meets(run.box, slab)) {
        const bool forward = run.forward();
        const bool boundary = trees[run.src].query(slab, std::min(run.from, run.to), std::max(run.from, run.to), false,
                                                   [&](int32_t s) {
                                                     const int32_t step = forward ? geom::rayStep(x, y, src[s], src[s + 1], eq)
                                                                                  : geom::rayStep(x, y, src[s + 1], src[s], eq);
                                                     crossings += step;
                                                     return step < 0;
                                                   });
        if (boundary) return false;
      }
      if (r + 1 < p.runs.size()) {
        const int32_t step = geom::rayStep(x, y, point(run, run.size() - 1), point(p.runs[r + 1], 0), eq);
        if (step < 0) return false;
        crossings += step;
      }
    }
    return crossings % 2 == 1;
  }

  // TlineMan::PointOnLine(x, y, piece, vertex, u) without snapping to corners: the first segment
  // in the piece's order that (x, y) lies on within trig's equality.
  bool pointOnLine(const Piece& p, double x, double y, Position& at) const {
    const double snap = createTrig().equality;
    if (!(snap > 0)) return false;
    const double w = 2 * snap + geom::roundingSlack(x, y);
    const Extent near{x - w, y - w, x + w, y + w};
    bool found = false;
    auto test = [&](const xyrec& a, const xyrec& b, int32_t index) {
      double su = 0;
      if (!lm.PointOnLine(x, y, a.x, a.y, b.x, b.y, snap, su)) return false;
      found = true;
      at = {index, su};
      if (su == 1) at = {index + 1 == p.size - 1 ? 0 : index + 1, 0};
      return true;
    };
    for (size_t r = 0; r < p.runs.size() && !found; ++r) {
      const Run& run = p.runs[r];
      const Txyvalues& src = *sources[run.src];
      const int32_t base = p.first[r];
      if (run.size() > 1 && geom::meets(run.box, near)) {
        if (run.forward()) {
          trees[run.src].query(near, run.from, run.to, false,
                               [&](int32_t s) { return test(src[s], src[s + 1], base + s - run.from); });
        } else {
          trees[run.src].query(near, run.to, run.from, true,
                               [&](int32_t s) { return test(src[s + 1], src[s], base + run.from - 1 - s); });
        }
      }
      if (!found && r + 1 < p.runs.size())
        test(point(run, run.size() - 1), point(p.runs[r + 1], 0), base + run.size() - 1);
    }
    return found;
  }

  // Appends to runs the piece's points at indices lo..hi (inclusive, within one lap).
  void slice(const Piece& p, int32_t lo, int32_t hi, std::vector<Run>& runs) const {
    if (lo > hi) return;
    auto r = static_cast<size_t>(std::upper_bound(p.first.begin(), p.first.end(), lo) - p.first.begin()) - 1;
    for (; r < p.runs.size() && p.first[r] <= hi; ++r) {
      const Run& whole = p.runs[r];
      const int32_t a = std::max(lo, p.first[r]) - p.first[r];
      const int32_t b = std::min(hi, p.first[r] + whole.size() - 1) - p.first[r];
      if (a == 0 && b == whole.size() - 1) {
        runs.push_back(whole);
      } else {
        runs.push_back(run(whole.src, whole.at(a), whole.at(b)));
      }
    }
  }

  // The piece's points after position v going round to before the position (w, t), as
  // RingWalk::between takes them; a first point equal to `after` and a last point equal to
  // `before` are left out, as the repeat rule of the walk and of the closing end leave them out.
  void between(const Piece& p, int32_t v, int32_t w, double t, bool wraps, const xyrec& after, const xyrec& before,
               std::vector<Run>& runs) const {
    const int32_t m = p.size - 1;
    int32_t lo = v + 1;
    int32_t hi = (t > 0 ? w : w - 1) + (wraps ? m : 0);
    if (hi < lo) return;
    if (vertex(p, lo % m) == after) ++lo;
    if (hi >= lo && vertex(p, hi % m) == before) --hi;
    if (hi < lo) return;
    const int32_t start = lo % m, length = hi - lo + 1;
    const int32_t firstLap = std::min(length, m - start);
    slice(p, start, start + firstLap - 1, runs);
    slice(p, 0, length - firstLap - 1, runs);
  }

  // TCutLoop::cut of the piece by chain c (source c + 1): false when an end is not on it.
  bool cut(const Piece& p, int32_t c, Piece& a, Piece& b) const {
    const int32_t src = c + 1;
    const Txyvalues& chain = *sources[src];
    const int32_t last = static_cast<int32_t>(chain.size()) - 1;
    Position p1, p2;
    if (!pointOnLine(p, chain.front().x, chain.front().y, p1) || !pointOnLine(p, chain.back().x, chain.back().y, p2))
      return false;
    const int32_t m = p.size - 1;
    auto valid = [&](const Position& q) { return m >= 2 && q.vertex >= 0 && q.vertex < m && q.u >= 0 && q.u < 1; };
    if (!valid(p1) || !valid(p2) || (p1.vertex == p2.vertex && p1.u == p2.u)) return false;
    const bool forward = p2.vertex + p2.u > p1.vertex + p1.u;
    // a: the chain's start, the piece on to its end, and the chain back.
    a.runs = {run(src, 0, 0)};
    between(p, p1.vertex, p2.vertex, p2.u, !forward, chain.front(), chain.back(), a.runs);
    a.runs.push_back(run(src, last, 0));
    // b: the chain, the piece on from its end round to its start, and that start.
    b.runs = {run(src, 0, last)};
    between(p, p2.vertex, p1.vertex, p1.u, forward, chain.back(), chain.front(), b.runs);
    b.runs.push_back(run(src, 0, 0));
    finish(a);
    finish(b);
    return true;
  }

  Txyvalues points(const Piece& p) const {
    Txyvalues xy;
    xy.reserve(static_cast<size_t>(p.size));
    for (const Run& r : p.runs) {
      const Txyvalues& src = *sources[r.src];
      if (r.forward()) {
        xy.insert(xy.end(), src.begin() + r.from, src.begin() + r.to + 1);
      } else {
        for (int32_t k = r.from; k >= r.to; --k) xy.push_back(src[k]);
      }
    }
    return xy;
  }

 private:
  TlineMan& lm;
  std::vector<const Txyvalues*> sources;  // the boundary, then the chains
  std::vector<TsegmentTree> trees;
};

bool noRepeats(const Txyvalues& xy) {
  for (size_t i = 0; i + 1 < xy.size(); ++i)
    if (xy[i] == xy[i + 1]) return false;
  return true;
}

}  // namespace

namespace geom {

bool cutByChains(TlineMan& lm, const Txyvalues& edge, const TpolyXyValues& chains, TpolyXyValues& pieces) {
  // The runs hold pieces whose neighbouring points differ, as the walk's repeat rule keeps them
  // only then; the corner snap changes where ends are found. Either way the array cutter does it.
  if (lm.snaptocorners || edge.size() < 4 || !(edge.front() == edge.back()) || !noRepeats(edge)) return false;
  for (const Txyvalues& chain : chains)
    if (chain.size() >= 2 && !lm.closed(chain) && !noRepeats(chain)) return false;
  const Cutter cutter(lm, edge, chains);
  std::vector<Piece> list(1);
  list[0].runs = {cutter.run(0, 0, static_cast<int32_t>(edge.size()) - 1)};
  cutter.finish(list[0]);
  Piece a, b;
  for (size_t c = 0; c < chains.size(); ++c) {
    const Txyvalues& chain = chains[c];
    if (chain.size() < 2 || lm.closed(chain)) continue;
    const xyrec mid{(chain[0].x + chain[1].x) / 2, (chain[0].y + chain[1].y) / 2};
    for (Piece& piece : list) {
      if (!cutter.inLoop(piece, mid.x, mid.y)) continue;
      // A chain that does not reach the piece's boundary at both ends leaves it whole.
      if (cutter.cut(piece, static_cast<int32_t>(c), a, b)) {
        piece = std::move(a);
        list.push_back(std::move(b));
      }
      break;
    }
  }
  pieces.clear();
  for (const Piece& piece : list) pieces.push_back(cutter.points(piece));
  return true;
}

}  // namespace geom
