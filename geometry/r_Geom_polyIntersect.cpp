// TpolyIntersect: every meeting of a cutting segment or line (A) with target lines or rings (B),
// recorded as cut positions along both, each segment pair decided by TlinesIntersect (so touches
// at segment ends count within its snap); noding and self-crossings are built on these lists.
// Segment pairs come from segment trees: only pairs whose boxes meet are decided.
#include <cmath>
#include <numeric>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

namespace geom {

std::vector<std::pair<int32_t, int32_t>> segmentPairs(const Txyvalues& xy, double margin) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  if (count(xy) < 4) return pairs;
  TsegmentTree tree;
  tree.build(xy);
  tree.selfPairs(margin, [&](int32_t i, int32_t j) {
    if (j - i >= 2) pairs.push_back({i, j});
  });
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

std::vector<std::pair<int32_t, int32_t>> segmentPairs(const Txyvalues& a, const Txyvalues& b, double margin) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  TsegmentTree ta, tb;
  ta.build(a);
  tb.build(b);
  TsegmentTree::pairs(ta, tb, margin, [&](int32_t i, int32_t j) { pairs.push_back({i, j}); });
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

}  // namespace geom

TpolyIntersect::TpolyIntersect(TlineMan* owner) : owner(owner) {}

TlineMan& TpolyIntersect::lm() const { return owner ? *owner : createLineman(); }

void TpolyIntersect::clearResults() {
  overlaps.clear();
  resultsXY.clear();
  results.clear();
  cutB.clear();
}

namespace {
constexpr double kNearMargin = 0.1;  // world units around each target segment
}  // namespace

void TpolyIntersect::dointersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t vertex,
                                  int32_t loop, int32_t excludeVertex, const TiList* targets) {
  if (!keepResults) clearResults();
  err = "a1";
  if (x1 == x2 && y1 == y2) return;
  const int32_t n = count(xy);
  // Segments left out: excludeVertex and its neighbours, across the closing point of a ring.
  int32_t skip[3] = {-2, -2, -2};
  if (excludeVertex >= 0 && excludeVertex != n) {
    skip[0] = excludeVertex - 1;
    skip[1] = excludeVertex;
    skip[2] = excludeVertex + 1;
    if (lm().closed(xy)) {
      if (excludeVertex == 0) skip[0] = n - 2;
      if (excludeVertex == n - 2) skip[2] = 0;
    }
  }
  // A meeting (x along A, y along B, z ring) at point p; a repeat of a position on the same ring
  // is left out, as are the ends of xy in the ends form.
  auto add = [&](double x, double y, double z, const xyrec& p) {
    size_t at = results.size();
    while (at > 0 && results[at - 1].x > x) --at;
    for (size_t k = at; k > 0 && results[k - 1].x == x; --k)
      if (results[k - 1].z == z) return;
    if (excludeVertex == n && (y == 0 || y == n - 1)) return;
    results.insert(results.begin() + static_cast<std::ptrdiff_t>(at), {x, y, z});
    resultsXY.insert(resultsXY.begin() + static_cast<std::ptrdiff_t>(at), p);
    geom::addAscending(cutB, y, true);
  };
  auto onA = [&](double u) { return xyrec{x1 + (x2 - x1) * u, y1 + (y2 - y1) * u}; };
  err = "a2";
  li.setA(x1, y1, x2, y2);
  const double ax1 = std::min(x1, x2), ax2 = std::max(x1, x2), ay1 = std::min(y1, y2), ay2 = std::max(y1, y2);
  const int32_t tried = targets ? count(*targets) : n - 1;
  for (int32_t t = 0; t < tried; ++t) {
    const int32_t s = targets ? (*targets)[t] : t;
    if (s == skip[0] || s == skip[1] || s == skip[2]) continue;
    err = "a3";
    const xyrec &p = xy[s], &q = xy[s + 1];
    if (std::min(p.x, q.x) - kNearMargin > ax2 || std::max(p.x, q.x) + kNearMargin < ax1 ||
        std::min(p.y, q.y) - kNearMargin > ay2 || std::max(p.y, q.y) + kNearMargin < ay1)
      continue;
    err = "a4";
    li.setB(p.x, p.y, q.x, q.y);
    if (!li.intersects()) continue;
    err = "a5";
    const double ua = li.U1(), ub = li.U2();
    if (lm().debug)
      lm().log("TpolyIntersect meets: " + std::to_string(li.x0()) + " " + std::to_string(li.y0()) + " " +
               std::to_string(ua) + " " + std::to_string(ub));
    const bool within = ua >= 0 && ua <= 1 && ub >= 0 && ub <= 1;
    // Strictly inside both segments; the margins differ at the start and the end.
    const bool inner = 0.0001 < ua && ua < 0.999 && 0.0001 < ub && ub < 0.999;
    if (!((!excludeends && within) || inner)) continue;
    err = "a6";
    if (li.overlaps()) {
      err = "a7";
      double u1a = 0, u1b = 0, u2a = 0, u2b = 0;
      li.getOverlap(u1a, u1b, u2a, u2b);
      err = "a8";
      u1a = std::max(u1a, 0.0);
      u1b = std::min(u1b, 1.0);
      const xyrec from = onA(u1a), to = onA(u1b);
      overlaps.push_back({from.x, from.y, to.x, to.y});
      if (u1a <= 1 && u2a >= 0 && u2a <= 1) add(vertex + u1a, s + u2a, loop, from);
      if (u1b >= 0 && u2b >= 0 && u2b <= 1) add(vertex + u1b, s + u2b, loop, to);
      continue;
    }
    err = "a9 " + std::to_string(vertex + ua) + " " + std::to_string(s + ub) + " " + std::to_string(loop);
    add(vertex + ua, s + ub, loop, xyrec{li.x0(), li.y0()});
    err = "a10";
    if (lm().debug) lm().log("TpolyIntersect c " + std::to_string(createTrig().equality));
    lm().debug = false;
  }
  err = "a11";
}

bool TpolyIntersect::intersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, bool excludeEnds) {
  clearResults();
  dointersects(x1, y1, x2, y2, xy, 0, 0, excludeEnds ? count(xy) : -1);
  return !results.empty();
}

bool TpolyIntersect::intersects(double x1, double y1, double x2, double y2, const Txyvalues& xy) {
  return intersects(x1, y1, x2, y2, xy, false);
}

bool TpolyIntersect::intersects(int32_t index, const Txyvalues& xy) {
  clearResults();
  if (index < 0 || index + 1 >= count(xy)) return false;
  dointersects(xy[index].x, xy[index].y, xy[index + 1].x, xy[index + 1].y, xy, 0, 0, index);
  return !results.empty();
}

bool TpolyIntersect::intersects(double x1, double y1, double x2, double y2, const TpolyXyValues& xy) {
  clearResults();
  geom::Restore<bool> keep(keepResults, true);
  for (int32_t i = 0; i < count(xy); ++i) dointersects(x1, y1, x2, y2, xy[i], 0, i, -1);
  return !results.empty();
}

bool TpolyIntersect::lineAgainstRings(const Txyvalues& a, const TpolyXyValues& xy) {
  const bool dropEnds = excludeends;
  geom::Restore<bool> ends(excludeends, false);
  geom::Restore<bool> keep(keepResults, true);
  clearResults();
  err = "a";
  // Ring by ring, each segment of a against only the ring's segments whose boxes come near its
  // own, in the order segment by segment would take them.
  geom::TsegmentTree ta, tb;
  ta.build(a);
  std::vector<std::pair<int32_t, int32_t>> pairs;
  TiList targets;
  for (int32_t i = 0; i < count(xy); ++i) {
    tb.build(xy[i]);
    pairs.clear();
    const double margin = kNearMargin + geom::roundingSlack(ta.magnitude(), tb.magnitude());
    geom::TsegmentTree::pairs(ta, tb, margin, [&](int32_t j, int32_t s) { pairs.push_back({j, s}); });
    std::sort(pairs.begin(), pairs.end());
    for (size_t k = 0; k < pairs.size();) {
      const int32_t j = pairs[k].first;
      targets.clear();
      for (; k < pairs.size() && pairs[k].first == j; ++k) targets.push_back(pairs[k].second);
      dointersects(a[j].x, a[j].y, a[j + 1].x, a[j + 1].y, xy[i], j, i, -1, &targets);
    }
  }
  err = "b";
  if (results.empty() || !dropEnds) {
    err = "c0";
    return !results.empty();
  }
  // Meetings at the very start and end of A go, with their points and positions along B.
  const double eq = createTrig().equality;
  auto drop = [&](size_t k) {
    const auto at = std::find(cutB.begin(), cutB.end(), results[k].y);
    if (at != cutB.end()) cutB.erase(at);
    results.erase(results.begin() + static_cast<std::ptrdiff_t>(k));
    resultsXY.erase(resultsXY.begin() + static_cast<std::ptrdiff_t>(k));
  };
  err = "c";
  if (std::abs(results.back().x - (count(a) - 1)) <= eq) drop(results.size() - 1);
  err = "d";
  if (!results.empty() && std::abs(results.front().x) <= eq) drop(0);
  err = "e";
  return !results.empty();
}

bool TpolyIntersect::intersects(const Txyvalues& a, const TpolyXyValues& xy) { return lineAgainstRings(a, xy); }

bool TpolyIntersect::intersects(const Txyvalues& a, const Txyvalues& b) {
  const bool met = lineAgainstRings(a, TpolyXyValues{b});
  if (lm().debug)
    lm().log("TpolyIntersect.intersects " + std::to_string(results.size()) + " " + (excludeends ? "1" : "0") + " 97");
  return met;
}

namespace {
bool within(const xyrec& p, const xyrec& q, double eq) {
  return std::abs(p.x - q.x) <= eq && std::abs(p.y - q.y) <= eq;
}

// Inserts the points at the ascending positions into line, from the last, one point per
// position; a point within the tolerance of a vertex (in world units, not as a fraction of a
// possibly long segment) inserts nothing.
void insertAt(const TlineMan& lm, Txyvalues& line, const Tdlist& positions) {
  const double eq = createTrig().equality;
  Txyvalues points(positions.size());
  for (size_t k = 0; k < positions.size(); ++k) lm.getCut(line, positions[k], points[k].x, points[k].y);
  for (size_t k = positions.size(); k-- > 0;) {
    if (k + 1 < positions.size() && positions[k + 1] == positions[k]) continue;
    const double p = std::clamp(positions[k], 0.0, static_cast<double>(line.size()));
    const auto i = static_cast<size_t>(p);
    if (i + 1 >= line.size() || within(points[k], line[i], eq) || within(points[k], line[i + 1], eq)) continue;
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(i) + 1, points[k]);
  }
}
}  // namespace

void TpolyIntersect::insertresults(Txyvalues& a, Txyvalues& b) {
  if (results.empty()) return;
  err = "a";
  if (!a.empty()) {
    err = "b";
    Tdlist along(results.size());
    for (size_t k = 0; k < results.size(); ++k) along[k] = results[k].x;
    err = "c";
    insertAt(lm(), a, along);
  }
  err = "d";
  if (!b.empty()) {
    err = "e";
    insertAt(lm(), b, cutB);
  }
  err = "f";
}

void TpolyIntersect::insertresults(Txyvalues& b) {
  Txyvalues none;
  insertresults(none, b);
}

void TpolyIntersect::getCut(const Txyvalues& b, int32_t index, double& x, double& y) const {
  if (index >= 0 && index < count(cutB)) lm().getCut(b, cutB[index], x, y);
}

void TpolyIntersect::breakLine(const Txyvalues& a, TpolyXyValues& xy) {
  if (results.empty()) return;
  Tdlist u;
  for (const xyzrec& r : results) u.push_back(r.x);
  lm().splitchain(a, xy, u);
}

void TpolyIntersect::breakLineB(const Txyvalues& b, TpolyXyValues& xy) {
  if (results.empty()) return;
  Tdlist u;
  for (const xyzrec& r : results) u.push_back(r.y);
  std::sort(u.begin(), u.end());
  lm().splitchain(b, xy, u);
}

bool TpolyIntersect::polysIntersect(const TpolyXyValues& linesA, const TpolyXyValues& linesB, TpolyXyValues& xy) {
  TpolyXyValues a = linesA, b = linesB, pieces;
  bool result = false;
  // Pieces added to B meet the lines of A still to come; pieces added to A met all of B already.
  for (int32_t i = count(a) - 1; i >= 0; --i) {
    Tdlist cuts;
    for (int32_t j = count(b) - 1; j >= 0; --j) {
      if (!intersects(a[i], b[j])) continue;
      result = true;
      for (const xyzrec& r : results) geom::addAscending(cuts, r.x, true);
      pieces.clear();
      breakLineB(b[j], pieces);
      if (pieces.empty()) continue;
      b[j] = pieces[0];
      b.insert(b.end(), pieces.begin() + 1, pieces.end());
    }
    if (cuts.empty()) continue;
    pieces.clear();
    lm().splitchain(a[i], pieces, cuts);
    a[i] = pieces[0];
    a.insert(a.end(), pieces.begin() + 1, pieces.end());
  }
  if (!result) return false;
  xy = std::move(a);
  xy.insert(xy.end(), b.begin(), b.end());
  return true;
}

namespace {
// Makes the meeting point at position p of line a vertex: the vertex itself when the point lies
// within the tolerance of one (in world units), else the point is inserted there, so both lines
// of a crossing get the same point. A meeting put on a vertex that the point does not reach (a
// touch within the snap) keeps that vertex. Gives the vertex's coordinates.
xyrec nodeAt(Txyvalues& line, double p, const xyrec& point) {
  const double eq = createTrig().equality;
  const double last = static_cast<double>(line.size()) - 1;
  p = std::clamp(p, 0.0, last);
  auto i = static_cast<size_t>(p);
  const double f = p - static_cast<double>(i);
  if (within(point, line[i], eq) || f == 0) return line[i];
  if (within(point, line[i + 1], eq)) return line[i + 1];
  line.insert(line.begin() + static_cast<std::ptrdiff_t>(i) + 1, point);
  return point;
}
}  // namespace

void TpolyIntersect::spaghetti(TpolyXyValues& xy, bool breakApart) {
  const int32_t n = count(xy);
  struct Box {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  };
  std::vector<Box> box(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) lm().bounds(box[i].x1, box[i].y1, box[i].x2, box[i].y2, xy[i]);
  Txyvalues nodes;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = i + 1; j < n; ++j) {
      if (!createTrig().BoxesIntersect(box[i].x1, box[i].y1, box[i].x2, box[i].y2, box[j].x1, box[j].y1, box[j].x2,
                                       box[j].y2) ||
          !intersects(xy[i], xy[j]))
        continue;
      // Both lines get the same meeting point, so each breaks there; a meeting on an existing
      // vertex keeps that vertex, and both lines' vertices become nodes.
      std::vector<size_t> byB(results.size());
      std::iota(byB.begin(), byB.end(), 0);
      std::sort(byB.begin(), byB.end(), [&](size_t a, size_t b) { return results[a].y < results[b].y; });
      for (size_t k = results.size(); k-- > 0;) {
        if (k + 1 < results.size() && results[k + 1].x == results[k].x) continue;
        geom::addPoint(nodes, nodeAt(xy[i], results[k].x, resultsXY[k]));
      }
      for (size_t k = byB.size(); k-- > 0;) {
        if (k + 1 < byB.size() && results[byB[k + 1]].y == results[byB[k]].y) continue;
        geom::addPoint(nodes, nodeAt(xy[j], results[byB[k]].y, resultsXY[byB[k]]));
      }
    }
  if (!breakApart || nodes.empty()) return;
  std::sort(nodes.begin(), nodes.end(), [](const xyrec& a, const xyrec& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  auto isNode = [&](const xyrec& p) {
    return std::binary_search(nodes.begin(), nodes.end(), p,
                              [](const xyrec& a, const xyrec& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  };
  TpolyXyValues broken;
  for (const Txyvalues& line : xy) {
    Txyvalues piece;
    for (size_t k = 0; k < line.size(); ++k) {
      geom::addPoint(piece, line[k]);
      if (k == 0 || k + 1 == line.size() || !isNode(line[k])) continue;
      if (piece.size() >= 2) broken.push_back(piece);
      piece = {line[k]};
    }
    if (piece.size() >= 2 || (line.size() == 1 && !piece.empty())) broken.push_back(piece);
  }
  xy = std::move(broken);
}

bool TpolyIntersect::doselfCuts(const Txyvalues& xy, TpolyXyValues& lines, bool breakLine) {
  if (xy.size() < 4) return false;
  Tdlist cuts;
  clearResults();
  for (const auto& [i, j] : geom::segmentPairs(xy, 0.1)) {
    li.setA(xy[i].x, xy[i].y, xy[i + 1].x, xy[i + 1].y);
    li.setB(xy[j].x, xy[j].y, xy[j + 1].x, xy[j + 1].y);
    if (!li.intersects()) continue;
    // The first point of the line, where a ring closes, is no self-crossing.
    const double v = i + li.U1();
    if (!(v > 0)) continue;
    geom::addAscending(cuts, v, true);
    geom::addAscending(cuts, j + li.U2(), true);
    if (!breakLine) resultsXY.push_back({li.x0(), li.y0()});
  }
  if (cuts.empty()) return false;
  if (breakLine) {
    lm().splitchain(xy, lines, cuts);
  } else {
    for (double c : cuts) results.push_back({c, c, 0});
  }
  return true;
}

bool TpolyIntersect::selfCuts(const Txyvalues& xy, TpolyXyValues& lines) { return doselfCuts(xy, lines, true); }

bool TpolyIntersect::selfCuts(const Txyvalues& xy) {
  TpolyXyValues lines;
  return doselfCuts(xy, lines, false);
}
