// TlineMan relations of whole lines, rings and polygons: overlap classes, identity, shared edges
// (run in opposite directions, as between neighbouring rings of one orientation), joining
// neighbours by dropping their shared edges.
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {

bool inList(const TiList& list, int32_t v) { return std::find(list.begin(), list.end(), v) != list.end(); }

// Whether the boxes of a and b, each widened by the tolerance, meet.
template <typename L>
bool widenedBoxesMeet(const TlineMan& lm, const L& a, const L& b) {
  const double eq = createTrig().equality;
  double ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0, bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
  lm.bounds(ax1, ay1, ax2, ay2, a);
  lm.bounds(bx1, by1, bx2, by2, b);
  return createTrig().BoxesIntersect(ax1 - eq, ay1 - eq, ax2 + eq, ay2 + eq, bx1 - eq, by1 - eq, bx2 + eq, by2 + eq);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Overlap and identity

int32_t TlineMan::Overlap(const Txyvalues& a, const Txyvalues& b) {
  if (a.empty() || b.size() < 2) return overlap_none;
  if (!assumeBounds) {
    double ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0, bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
    bounds(ax1, ay1, ax2, ay2, a);
    bounds(bx1, by1, bx2, by2, b);
    if (!createTrig().BoxesIntersect(ax1, ay1, ax2, ay2, bx1, by1, bx2, by2)) return overlap_none;
  }
  if (a.size() == 1) return inLoop(a[0].x, a[0].y, b) ? overlap_ainb : overlap_none;
  const bool aClosed = a.front() == a.back();
  auto midIn = [&](size_t j) { return inLoop((a[j].x + a[j + 1].x) / 2, (a[j].y + a[j + 1].y) / 2, b); };
  const bool inside = midIn(0);
  for (size_t j = 1; j + 1 < a.size(); ++j)
    if (midIn(j) != inside) return overlap_cut;
  int32_t status = 0;
  for (size_t j = 0; j + 1 < a.size(); ++j)
    for (size_t k = 0; k + 1 < b.size(); ++k)
      if (linesCross(a[j].x, a[j].y, a[j + 1].x, a[j + 1].y, b[k].x, b[k].y, b[k + 1].x, b[k + 1].y, status) &&
          (status & (64 | 128)) == (64 | 128))
        return overlap_cut;
  if (inside) return overlap_ainb;
  if (aClosed && inLoop(b[0].x, b[0].y, a)) return overlap_bina;
  return overlap_none;
}

int32_t TlineMan::Overlap(const Txyvalues& a, const TpolyXyValues& b) {
  if (b.empty()) return overlap_none;
  int32_t result = Overlap(a, b[0]);
  for (size_t i = 1; i < b.size() && result != overlap_cut; ++i)
    if (Overlap(a, b[i]) == overlap_cut) result = overlap_cut;
  return result;
}

int32_t TlineMan::Overlap(const TpolyXyValues& a, const TpolyXyValues& b) {
  if (a.empty()) return overlap_none;
  int32_t result = Overlap(a[0], b);
  for (size_t i = 1; i < a.size() && result != overlap_cut; ++i)
    if (Overlap(a[i], b) == overlap_cut) result = overlap_cut;
  return result;
}

bool TlineMan::identical(const Txyvalues& a, const Txyvalues& b) const {
  if (a.size() != b.size() || a.empty()) return false;
  const auto found = std::find(b.begin(), b.end(), a[0]);
  if (found == b.end()) return false;
  size_t i = static_cast<size_t>(found - b.begin());
  const bool aClosed = closed(a);
  if (!aClosed && i != 0) return false;
  const size_t n = a.size() - (aClosed ? 1 : 0);
  for (size_t j = 1; j < n; ++j) {
    if (++i >= b.size()) i = 1;  // a closed ring repeats point 0 at its end
    if (!equal(a[j], b[i])) return false;
  }
  return true;
}

bool TlineMan::identical(const TpolyXyValues& a, const TpolyXyValues& b) const {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) return identical(a[0], b[0]);
  for (const Txyvalues& ring : a) {
    if (ring.empty()) return false;
    auto holds = [&](const Txyvalues& r) { return std::find(r.begin(), r.end(), ring[0]) != r.end(); };
    const auto match = std::find_if(b.begin(), b.end(), holds);
    if (match == b.end() || !identical(ring, *match)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Adjacency

bool TlineMan::SelfAdjacent(Txyvalues& xy, TiList& links) const {
  links.clear();
  const int32_t n = count(xy);
  for (int32_t i = 0; i + 2 < n; ++i) {
    if (inList(links, i)) continue;
    for (int32_t j = n - 2; j >= i + 2; --j) {
      if (inList(links, j) || !equal(xy[i], xy[j + 1]) || !equal(xy[i + 1], xy[j])) continue;
      xy[j + 1] = xy[i];
      xy[j] = xy[i + 1];
      links.push_back(i);
      links.push_back(j);
      break;
    }
  }
  return !links.empty();
}

bool TlineMan::SelfAdjacent(TpolyXyValues& xy, TpolyIlist& links) const {
  links.assign(xy.size(), TiList{});
  bool any = false;
  for (size_t r = 0; r < xy.size(); ++r) any = SelfAdjacent(xy[r], links[r]) || any;
  return any;
}

bool TlineMan::Adjacent(const Txyvalues& a, const Txyvalues& b) const {
  TiList la, lb;
  return Adjacent(a, b, la, lb, false);
}

bool TlineMan::Adjacent(const Txyvalues& a, const Txyvalues& b, TiList& linksA, TiList& linksB,
                        bool checkBounds) const {
  linksA.clear();
  linksB.clear();
  if (a.size() < 2 || b.size() < 2) return false;
  const double eq = createTrig().equality;
  if (checkBounds && !widenedBoxesMeet(*this, a, b)) return false;
  double bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
  bounds(bx1, by1, bx2, by2, b);
  const int32_t nb = count(b);
  TiList match(a.size(), -1);
  for (size_t i = 0; i < a.size(); ++i) {
    if (checkBounds && !createTrig().inBox(a[i].x, a[i].y, bx1, by1, bx2, by2)) continue;
    for (int32_t k = 0; k < nb; ++k)
      if (equal(a[i], b[k], eq)) {
        match[i] = k;
        break;
      }
  }
  // b's closing point is both its point 0 and its last point.
  const bool bClosed = equal(b.front(), b.back(), eq);
  for (size_t i = 0; i + 1 < a.size(); ++i) {
    int32_t mi = match[i];
    if (mi == 0 && bClosed) mi = nb - 1;
    if (mi > 0 && match[i + 1] == mi - 1) {
      linksA.push_back(static_cast<int32_t>(i));
      linksB.push_back(match[i + 1]);
    }
  }
  return !linksA.empty();
}

bool TlineMan::Adjacent(const TpolyXyValues& a, const TpolyXyValues& b, Tpoints& linksA, Tpoints& linksB,
                        bool checkBounds) const {
  linksA.clear();
  linksB.clear();
  if (checkBounds && !widenedBoxesMeet(*this, a, b)) return false;
  for (int32_t i = 0; i < count(a); ++i)
    for (int32_t j = 0; j < count(b); ++j) {
      TiList la, lb;
      if (!Adjacent(a[i], b[j], la, lb, true)) continue;
      for (size_t k = 0; k < la.size(); ++k) {
        linksA.push_back({i, la[k]});
        linksB.push_back({j, lb[k]});
      }
    }
  return !linksA.empty();
}

bool TlineMan::Adjacent(const TpolyXyValues& a, const TpolyXyValues& b) const {
  for (const Txyvalues& ra : a)
    for (const Txyvalues& rb : b)
      for (size_t k = 0; k + 1 < ra.size(); ++k)
        for (size_t i = 0; i + 1 < rb.size(); ++i)
          if (equal(ra[k], rb[i + 1]) && equal(ra[k + 1], rb[i])) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Joining

namespace {
// The runs of a ring's segments not in links, as lines; stitching joins a run that wraps round
// the ring's start.
void unsharedRuns(const Txyvalues& ring, const TiList& links, TpolyXyValues& pieces) {
  Txyvalues run;
  for (int32_t i = 0; i + 1 < count(ring); ++i) {
    if (!inList(links, i)) {
      run.push_back(ring[i]);
      continue;
    }
    if (!run.empty()) {
      run.push_back(ring[i]);
      pieces.push_back(run);
      run.clear();
    }
  }
  if (!run.empty()) {
    run.push_back(ring.back());
    if (run.size() >= 2) pieces.push_back(run);
  }
}
}  // namespace

bool TlineMan::Join(Txyvalues& a, const Txyvalues& b, bool checkbounds) {
  TiList la, lb;
  if (!Adjacent(a, b, la, lb, checkbounds)) return false;
  if (la.size() + 1 >= a.size()) {
    a.clear();
    return true;
  }
  TpolyXyValues pieces;
  unsharedRuns(a, la, pieces);
  unsharedRuns(b, lb, pieces);
  StitchLines(pieces);
  if (pieces.empty()) {
    log("join error 1: nothing left to join");
    return false;
  }
  a = pieces[0];
  return true;
}

bool TlineMan::Join(TpolyXyValues& a, TpolyXyValues& b, bool checkbounds, bool allowseparated) {
  bool result = false;
  if (a.size() == 1 && b.size() == 1) {
    result = Join(a[0], b[0], checkbounds);
    if (!result && allowseparated) {
      a.push_back(b[0]);
      result = true;
    }
  } else {
    if (checkbounds && !allowseparated && !widenedBoxesMeet(*this, a, b)) return false;
    std::vector<bool> joined(b.size(), false);
    for (auto& ring : a)
      for (size_t j = 0; j < b.size(); ++j)
        if (!joined[j] && Join(ring, b[j], true)) {
          joined[j] = true;
          result = true;
        }
    for (int32_t i = count(a) - 1; i >= 0; --i)
      if (a[i].empty()) a.erase(a.begin() + i);
    for (size_t j = 0; j < b.size(); ++j)
      if (!joined[j]) a.push_back(b[j]);
    if (allowseparated) result = true;
  }
  if (result)
    for (auto& ring : b) ring.clear();
  return result;
}

void TlineMan::SelfJoin(const Txyvalues& a, TpolyXyValues& xy, const TiList& list) {
  xy.clear();
  Txyvalues piece;
  for (int32_t j = 0; j < count(a); ++j) {
    if (!inList(list, j)) {
      piece.push_back(a[j]);
      continue;
    }
    if (piece.empty()) continue;
    piece.push_back(a[j]);
    xy.push_back(piece);
    piece.clear();
  }
  if (piece.size() >= 2) xy.push_back(piece);
  StitchLines(xy);
}

bool TlineMan::SelfJoin(Txyvalues& a, TpolyXyValues& xy) {
  TiList links;
  if (!SelfAdjacent(a, links)) return false;
  SelfJoin(a, xy, links);
  return true;
}

bool TlineMan::SelfJoin(const TpolyXyValues& a, TpolyXyValues& xy) {
  TpolyXyValues work = a;
  TpolyIlist links;
  xy.clear();
  if (!SelfAdjacent(work, links)) return false;
  for (size_t r = 0; r < work.size(); ++r) {
    if (links[r].empty()) {
      xy.push_back(work[r]);
      continue;
    }
    TpolyXyValues pieces;
    SelfJoin(work[r], pieces, links[r]);
    for (auto& p : pieces) xy.push_back(std::move(p));
  }
  return true;
}
