// Box hierarchies over a line's segments, kept in the line's own order: a leaf holds kLeaf
// consecutive segments and each node above kFan nodes of the level below. Consecutive segments of
// real lines and rings lie close together, so the boxes are tight without sorting and the build is
// one pass. Not part of the module's interface.
// A segment with a NaN coordinate gets a box that meets everything: the exact test a caller runs
// on every segment it is given decides about it, as it did before there was an index.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/Tutil.h"
#include "geometry/r_Geom.h"

namespace geom {

struct Extent {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Boxes touching (or nearer than margin) meet.
inline bool meets(const Extent& a, const Extent& b, double margin = 0) {
  return a.x1 <= b.x2 + margin && b.x1 <= a.x2 + margin && a.y1 <= b.y2 + margin && b.y1 <= a.y2 + margin;
}

inline Extent everywhere() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  return {-inf, -inf, inf, inf};
}

inline void widen(Extent& e, const Extent& by) {
  e.x1 = std::min(e.x1, by.x1);
  e.y1 = std::min(e.y1, by.y1);
  e.x2 = std::max(e.x2, by.x2);
  e.y2 = std::max(e.y2, by.y2);
}

inline Extent segmentExtent(const xyrec& p, const xyrec& q) {
  if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(q.x) || std::isnan(q.y)) return everywhere();
  return {std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)};
}

// A margin that covers rounding at these magnitudes, so a query grown by a tolerance plus it never
// misses a segment the exact test would take.
inline double roundingSlack(double a, double b) {
  const double m = std::max(std::abs(a), std::abs(b));
  return std::isfinite(m) ? 1e-12 * (m + 1) : 0;
}

class TsegmentTree;
// TlineMan::inLoop's answer for the ring the tree was built on.
bool inLoop(const TsegmentTree& tree, double x, double y, double eq);

class TsegmentTree {
 public:
  static constexpr int32_t kLeaf = 16;
  static constexpr int32_t kFan = 8;

  // Borrows xy: it must stay alive and unchanged while the tree is used.
  void build(const Txyvalues& xy);
  [[nodiscard]] int32_t segments() const { return n; }
  // The largest finite coordinate's size, for rounding slack.
  [[nodiscard]] double magnitude() const { return largest; }
  [[nodiscard]] const Txyvalues& line() const { return *xy; }
  [[nodiscard]] Extent segment(int32_t s) const { return segmentExtent((*xy)[s], (*xy)[s + 1]); }
  // The box of points first..last (inclusive; NaN makes it everywhere).
  [[nodiscard]] Extent pointsBox(int32_t first, int32_t last) const;

  // Calls visit(s) for the segments s in [lo, hi) whose boxes meet q, ascending (descending with
  // reverse), until visit answers true; answers whether it stopped.
  template <typename Visit>
  bool query(const Extent& q, int32_t lo, int32_t hi, bool reverse, Visit&& visit) const {
    if (n == 0 || lo >= hi) return false;
    return visitNode(top(), 0, q, lo, hi, reverse, visit);
  }
  template <typename Visit>
  bool query(const Extent& q, Visit&& visit) const {
    return query(q, 0, n, false, visit);
  }

  // Calls visit(i, j) for every segment i of a and j of b whose boxes meet within margin.
  template <typename Visit>
  static void pairs(const TsegmentTree& a, const TsegmentTree& b, double margin, Visit&& visit) {
    if (a.n == 0 || b.n == 0) return;
    cross(a, a.top(), 0, b, b.top(), 0, margin, visit);
  }
  // Calls visit(i, j), i < j, for every two segments of the tree whose boxes meet within margin.
  template <typename Visit>
  void selfPairs(double margin, Visit&& visit) const {
    if (n > 0) self(top(), 0, margin, visit);
  }

 private:
  [[nodiscard]] int32_t top() const { return static_cast<int32_t>(levelStart.size()) - 1; }
  [[nodiscard]] int32_t nodes(int32_t level) const {
    return (level + 1 < static_cast<int32_t>(levelStart.size()) ? levelStart[level + 1] : count()) - levelStart[level];
  }
  [[nodiscard]] int32_t count() const { return static_cast<int32_t>(boxes.size()); }
  [[nodiscard]] const Extent& box(int32_t level, int32_t k) const { return boxes[levelStart[level] + k]; }
  // Segments under node k of a level: [first, last).
  [[nodiscard]] int32_t firstSegment(int32_t level, int32_t k) const {
    return static_cast<int32_t>(std::min<int64_t>(k * span[level], n));
  }
  [[nodiscard]] int32_t lastSegment(int32_t level, int32_t k) const {
    return static_cast<int32_t>(std::min<int64_t>((k + 1) * span[level], n));
  }

  template <typename Visit>
  bool visitNode(int32_t level, int32_t k, const Extent& q, int32_t lo, int32_t hi, bool reverse, Visit& visit) const {
    const int32_t first = firstSegment(level, k), last = lastSegment(level, k);
    if (last <= lo || first >= hi || !meets(box(level, k), q)) return false;
    if (level == 0) {
      const int32_t from = std::max(first, lo), to = std::min(last, hi);
      if (!reverse) {
        for (int32_t s = from; s < to; ++s)
          if (meets(segment(s), q) && visit(s)) return true;
      } else {
        for (int32_t s = to - 1; s >= from; --s)
          if (meets(segment(s), q) && visit(s)) return true;
      }
      return false;
    }
    const int32_t c0 = k * kFan, c1 = std::min((k + 1) * kFan, nodes(level - 1));
    if (!reverse) {
      for (int32_t c = c0; c < c1; ++c)
        if (visitNode(level - 1, c, q, lo, hi, reverse, visit)) return true;
    } else {
      for (int32_t c = c1 - 1; c >= c0; --c)
        if (visitNode(level - 1, c, q, lo, hi, reverse, visit)) return true;
    }
    return false;
  }

  template <typename Visit>
  static void cross(const TsegmentTree& a, int32_t la, int32_t ka, const TsegmentTree& b, int32_t lb, int32_t kb,
                    double margin, Visit& visit) {
    if (!meets(a.box(la, ka), b.box(lb, kb), margin)) return;
    // Against a leaf the other side goes on with that leaf's segments one by one, so a node that
    // lies between them (inside a box cutter, say) drops out at once.
    if (lb == 0) {
      Near near;
      for (int32_t j = b.firstSegment(0, kb); j < b.lastSegment(0, kb); ++j) near.add(j, b.segment(j));
      acrossLeaf(a, la, ka, near, margin, [&](int32_t i, int32_t j) { visit(i, j); });
      return;
    }
    if (la == 0) {
      Near near;
      for (int32_t i = a.firstSegment(0, ka); i < a.lastSegment(0, ka); ++i) near.add(i, a.segment(i));
      acrossLeaf(b, lb, kb, near, margin, [&](int32_t j, int32_t i) { visit(i, j); });
      return;
    }
    // The higher node goes down a level first, so both sides shrink together.
    if (la >= lb) {
      for (int32_t c = ka * kFan; c < std::min((ka + 1) * kFan, a.nodes(la - 1)); ++c)
        cross(a, la - 1, c, b, lb, kb, margin, visit);
    } else {
      for (int32_t c = kb * kFan; c < std::min((kb + 1) * kFan, b.nodes(lb - 1)); ++c)
        cross(a, la, ka, b, lb - 1, c, margin, visit);
    }
  }

  // Up to one leaf's segments of the other tree, with their boxes.
  struct Near {
    int32_t count = 0;
    int32_t index[kLeaf];
    Extent box[kLeaf];
    void add(int32_t i, const Extent& e) {
      index[count] = i;
      box[count++] = e;
    }
  };

  // Node k of a level of t against the segments of near: visit(segment of t, segment of near).
  template <typename Visit>
  static void acrossLeaf(const TsegmentTree& t, int32_t level, int32_t k, const Near& near, double margin,
                         Visit&& visit) {
    Near kept;
    const Extent& nodeBox = t.box(level, k);
    for (int32_t m = 0; m < near.count; ++m)
      if (meets(nodeBox, near.box[m], margin)) kept.add(near.index[m], near.box[m]);
    if (kept.count == 0) return;
    if (level == 0) {
      for (int32_t i = t.firstSegment(0, k); i < t.lastSegment(0, k); ++i) {
        const Extent ei = t.segment(i);
        for (int32_t m = 0; m < kept.count; ++m)
          if (meets(ei, kept.box[m], margin)) visit(i, kept.index[m]);
      }
      return;
    }
    for (int32_t c = k * kFan; c < std::min((k + 1) * kFan, t.nodes(level - 1)); ++c)
      acrossLeaf(t, level - 1, c, kept, margin, visit);
  }

  template <typename Visit>
  void self(int32_t level, int32_t k, double margin, Visit& visit) const {
    if (level == 0) {
      const int32_t first = firstSegment(0, k), last = lastSegment(0, k);
      Extent e[kLeaf];
      for (int32_t i = first; i < last; ++i) e[i - first] = segment(i);
      // Where x runs one way through the leaf, a later segment starts no nearer than an earlier
      // one: the first that lies beyond the margin ends the search.
      bool up = true, down = true;
      for (int32_t i = first; i < last; ++i) {
        up = up && (*xy)[i].x <= (*xy)[i + 1].x;
        down = down && (*xy)[i].x >= (*xy)[i + 1].x;
      }
      const int32_t m = last - first;
      for (int32_t i = 0; i < m; ++i)
        for (int32_t j = i + 1; j < m; ++j) {
          if ((up && e[j].x1 > e[i].x2 + margin) || (down && e[j].x2 + margin < e[i].x1)) break;
          if (meets(e[i], e[j], margin)) visit(first + i, first + j);
        }
      return;
    }
    const int32_t c0 = k * kFan, c1 = std::min((k + 1) * kFan, nodes(level - 1));
    for (int32_t c = c0; c < c1; ++c) {
      self(level - 1, c, margin, visit);
      for (int32_t d = c + 1; d < c1; ++d) cross(*this, level - 1, c, *this, level - 1, d, margin, visit);
    }
  }

  const Txyvalues* xy = nullptr;
  int32_t n = 0;
  double largest = 0;
  std::vector<Extent> boxes;       // every level, leaves first
  std::vector<int32_t> levelStart;  // where each level begins in boxes
  std::vector<int64_t> span;        // segments under one node of each level
};

// TlineMan::MakeManifold's pieces of the closed edge cut by the open chains in order (closed chains
// left out), found without copying the pieces at every cut; false, with nothing done, for input
// it leaves to the array cutter (points repeated side by side, an open edge, corner snapping).
bool cutByChains(TlineMan& lm, const Txyvalues& edge, const TpolyXyValues& chains, TpolyXyValues& pieces);

// TlineMan::ParentPolys; with take the rings are moved into polys where they are last used,
// for a caller that drops its list after.
void parentPolys(TlineMan& lm, TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands, TiList& parents,
                 bool take);

// Point tests against rings asked about again and again (each piece of a clip against the object,
// each ring of a nesting against the larger rings): a ring is indexed once it has been asked
// kIndexAfter times, after which a test looks only at the edges beside the point. The answers are
// the line manager's. The rings are borrowed.
class TringTests {
 public:
  static constexpr int32_t kIndexAfter = 2;
  static constexpr size_t kIndexFrom = 16;  // smaller rings are quicker tested whole

  explicit TringTests(const TpolyXyValues& polygon) {
    for (const Txyvalues& ring : polygon) rings.push_back(&ring);
    trees.resize(rings.size());
    asked.assign(rings.size(), 0);
  }
  explicit TringTests(const Txyvalues& ring) : rings{&ring}, trees(1), asked(1, 0) {}
  bool inLoop(size_t ring, double x, double y) {
    const Txyvalues& xy = *rings[ring];
    if (xy.size() >= kIndexFrom && ++asked[ring] >= kIndexAfter) {
      if (trees[ring].segments() == 0) trees[ring].build(xy);
      return geom::inLoop(trees[ring], x, y, createTrig().equality);
    }
    return createLineman().inLoop(x, y, xy);
  }
  // TlineMan::inPolygon's answer, hit record included, for the polygon the rings make.
  bool inPolygon(TlineMan& lm, double x, double y) {
    if (rings.empty()) return false;
    bool inside = inLoop(0, x, y);
    for (size_t i = 1; inside && i < rings.size(); ++i) inside = !inLoop(i, x, y);
    if (inside) lm.hit().hittype = 1;
    return inside;
  }

 private:
  std::vector<const Txyvalues*> rings;
  std::vector<TsegmentTree> trees;
  std::vector<int32_t> asked;
};

}  // namespace geom
