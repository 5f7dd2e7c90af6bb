// TlineMan ring topology: self-crossings, splitting a line into loops, orientation and nesting of
// rings into polygons (outer rings clockwise, holes anticlockwise, y up), snapping to a grid and
// stitching lines end to end. Nesting tests one point of each ring against the larger rings (a ring
// tested often through an index of its edges); crossings pair only segments whose boxes meet.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

// ---------------------------------------------------------------------------------------------
// Self-crossings

bool TlineMan::selfCuts(const Txyvalues& xy) {
  const bool ringCloses = xy.size() >= 2 && equal(xy.front(), xy.back());
  const int32_t last = count(xy) - 2;
  for (const auto& [i, j] : geom::segmentPairs(xy, 0)) {
    if (!linesCross(xy[i], xy[i + 1], xy[j], xy[j + 1])) continue;
    if (i == 0 && j == last && ringCloses) continue;  // the closing point
    return true;
  }
  return false;
}

bool TlineMan::selfCuts(const Txyvalues& xy, int32_t vertex1, int32_t vertex2) {
  if (vertex2 < vertex1) std::swap(vertex1, vertex2);
  if (vertex1 < 0 || vertex2 >= count(xy)) return false;
  const xyrec &a = xy[vertex1], &b = xy[vertex2];
  for (int32_t s = 0; s <= vertex1 - 2; ++s)
    if (linesCross(a, b, xy[s], xy[s + 1])) return true;
  for (int32_t s = vertex2 + 1; s + 1 < count(xy); ++s)
    if (linesCross(a, b, xy[s], xy[s + 1])) return true;
  return false;
}

bool TlineMan::selfCuts(const TpolyXyValues& xy, int32_t loop, int32_t vertex1, int32_t vertex2) {
  if (loop < 0 || loop >= count(xy)) return false;
  const Txyvalues& ring = xy[loop];
  if (selfCuts(ring, vertex1, vertex2)) return true;
  if (vertex1 < 0) vertex1 = count(ring) - 2;
  if (vertex1 < 0 || vertex1 + 1 >= count(ring)) return false;
  const xyrec &a = ring[vertex1], &b = ring[vertex1 + 1];
  for (int32_t r = 0; r < count(xy); ++r)
    if (r != loop && linescross(a.x, a.y, b.x, b.y, xy[r])) return true;
  return false;
}

bool TlineMan::selfcuts(const Txyvalues& xy, Tdlist& u) {
  u.clear();
  const int32_t last = count(xy) - 1;
  for (const auto& [i, j] : geom::segmentPairs(xy, 0)) {
    if (!linesCross(xy[i], xy[i + 1], xy[j], xy[j + 1])) continue;
    // The line's own ends, where a ring closes, are no cuts.
    if (i + u1 > 0) geom::addAscending(u, i + u1, true);
    if (j + u2 < last) geom::addAscending(u, j + u2, true);
  }
  return !u.empty();
}

bool TlineMan::selfCuts(const TpolyXyValues& xy) {
  for (const Txyvalues& ring : xy)
    if (selfCuts(ring)) return true;
  for (size_t j = 0; j < xy.size(); ++j)
    for (size_t k = j + 1; k < xy.size(); ++k)
      if (linescross(xy[j], xy[k])) return true;
  return false;
}

namespace {
struct Box {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  [[nodiscard]] bool meets(const Box& o) const { return createTrig().BoxesIntersect(x1, y1, x2, y2, o.x1, o.y1, o.x2, o.y2); }
};
Box segmentBox(const xyrec& p, const xyrec& q) {
  return {std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)};
}
Box boxOf(const TlineMan& lm, const Txyvalues& xy) {
  Box b;
  lm.bounds(b.x1, b.y1, b.x2, b.y2, xy);
  return b;
}
}  // namespace

bool TlineMan::selfcuts(const TpolyXyValues& xy, TpolyDlist& u) {
  u.assign(xy.size(), Tdlist{});
  if (xy.size() < 2) return false;
  std::vector<Box> boxes;
  for (const Txyvalues& ring : xy) boxes.push_back(boxOf(*this, ring));
  std::vector<geom::TsegmentTree> trees(xy.size());
  for (size_t r = 0; r < xy.size(); ++r) trees[r].build(xy[r]);
  geom::Restore<bool> bounded(assumeBounds, true);
  bool found = false;
  // The cuts of each ring are kept in order, so the pairs' order does not matter.
  for (size_t j = 0; j < xy.size(); ++j)
    for (size_t k = j + 1; k < xy.size(); ++k) {
      if (!boxes[j].meets(boxes[k])) continue;
      const Txyvalues &a = xy[j], &b = xy[k];
      geom::TsegmentTree::pairs(trees[j], trees[k], 0, [&](int32_t l, int32_t m) {
        const Box bl = segmentBox(a[l], a[l + 1]);
        if (!bl.meets(boxes[k]) || !bl.meets(segmentBox(b[m], b[m + 1])) || !linesCross(a[l], a[l + 1], b[m], b[m + 1]))
          return;
        geom::addAscending(u[j], l + u1, true);
        geom::addAscending(u[k], m + u2, true);
        found = true;
      });
    }
  return found;
}

void TlineMan::applySelfCuts(Txyvalues& xy, Tdlist& u) {
  for (int32_t k = count(u) - 1; k >= 0; --k) {
    if (!(u[k] >= 0 && u[k] < count(xy) - 1)) continue;  // off the line: nothing to insert
    const auto p = static_cast<int32_t>(u[k]);
    const double f = u[k] - p;
    // The new vertex shortens segment p: earlier entries on it become fractions of what is left.
    if (f > 0)
      for (int32_t m = k - 1; m >= 0 && u[m] >= p && u[m] < p + 1; --m) u[m] = p + (u[m] - p) / f;
    xy.insert(xy.begin() + p + 1, geom::pointAt(xy, p, f));
  }
}

bool TlineMan::splitIntoLoops(const Txyvalues& xy, TpolyXyValues& pxy) {
  if (xy.size() < 3) return false;
  TpolyIntersect& pi = *polyIntersect;
  pxy.clear();
  seterr("a");
  geom::Restore<bool> ends(pi.excludeends, false);
  if (xy.size() < 4) {
    pxy.push_back(xy);
    return false;
  }
  seterr("b");
  pxy.push_back({xy[0], xy[1]});
  seterr("c");
  bool result = false;
  for (int32_t p = 1; p + 1 < count(xy); ++p) {
    seterr(std::to_string(p));
    pi.intersects(xy[p].x, xy[p].y, xy[p + 1].x, xy[p + 1].y, pxy[0], true);
    const Txyzvalues meetings = pi.results;
    const double pathEnd = count(pxy[0]) - 1;
    double lastCut = pathEnd;  // positions from here on went into a loop already
    for (size_t r = 0; r < meetings.size(); ++r) {
      seterr("e " + std::to_string(r));
      const double y = meetings[r].y;
      if (!(y < lastCut)) continue;
      // The path now ends at the last cut: a position on that segment is a fraction of its rest.
      const auto v = static_cast<int32_t>(y);
      double f = y - v;
      const double lastFrac = lastCut - static_cast<int32_t>(lastCut);
      if (v == static_cast<int32_t>(lastCut) && lastFrac > 0) f /= lastFrac;
      Txyvalues loop;
      if (!splitChain(pxy[0], loop, v, f)) {
        log("Tlineman splitintoloops: " + err());
        continue;
      }
      lastCut = y;
      seterr("ea " + std::to_string(r) + " " + std::to_string(loop.size()));
      if (loop.empty()) continue;
      geom::addPoint(loop, loop.front());
      pxy.push_back(std::move(loop));
      result = true;
    }
    seterr("f " + std::to_string(p));
    pxy[0].push_back(xy[p + 1]);
  }
  if (pxy[0].empty()) pxy.erase(pxy.begin());
  seterr("");
  return result;
}

// ---------------------------------------------------------------------------------------------
// Orientation and nesting

void TlineMan::CheckClockwise(TpolyXyValues& xy) {
  for (size_t i = 0; i < xy.size(); ++i) {
    const double a = area(xy[i]);
    if ((i == 0 && a < 0) || (i > 0 && a > 0)) std::reverse(xy[i].begin(), xy[i].end());
  }
}

void TlineMan::CheckClockwiseAndOrder(TpolyXyValues& xy) {
  if (xy.empty()) return;
  Tdlist areas;
  for (const Txyvalues& ring : xy) areas.push_back(area(ring));
  size_t largest = 0;
  for (size_t i = 1; i < xy.size(); ++i)
    if (std::abs(areas[i]) > std::abs(areas[largest])) largest = i;
  if (largest != 0) {
    std::swap(xy[0], xy[largest]);
    std::swap(areas[0], areas[largest]);
  }
  for (size_t i = 0; i < xy.size(); ++i)
    if ((i == 0 && areas[i] < 0) || (i > 0 && areas[i] > 0)) std::reverse(xy[i].begin(), xy[i].end());
}

namespace {
// One ring in the nesting: its holder, box and signed area.
struct LoopRec {
  int32_t parent = -1;
  Box box;
  double area = 0;
  bool flag = false;
};
}  // namespace

void TlineMan::CheckPolygon(TpolyXyValues& xy) {
  if (xy.empty()) return;
  const double eq = createTrig().equality;
  Tdlist areas;
  for (Txyvalues& ring : xy) {
    closeLoop(ring);
    areas.push_back(area(ring));
  }
  // No area (NaN included): nothing to keep.
  for (int32_t i = count(xy) - 1; i >= 0; --i)
    if (!(std::abs(areas[i]) >= eq)) {
      xy.erase(xy.begin() + i);
      areas.erase(areas.begin() + i);
    }
  if (xy.size() == 1 && areas[0] < 0) std::reverse(xy[0].begin(), xy[0].end());
  if (xy.size() <= 1) return;
  std::vector<LoopRec> loops(xy.size());
  for (size_t i = 0; i < xy.size(); ++i) {
    loops[i].box = boxOf(*this, xy[i]);
    loops[i].area = areas[i];
  }
  // The parent is the smallest larger ring holding the first point; the first found on a tie.
  geom::TringTests rings(xy);
  for (size_t c = 0; c < xy.size(); ++c)
    for (size_t l = 0; l < xy.size(); ++l) {
      if (l == c || !(std::abs(loops[c].area) < std::abs(loops[l].area)) || !loops[c].box.meets(loops[l].box))
        continue;
      const int32_t p = loops[c].parent;
      if (p >= 0 && !(std::abs(loops[p].area) > std::abs(loops[l].area))) continue;
      if (rings.inLoop(l, xy[c][0].x, xy[c][0].y)) loops[c].parent = static_cast<int32_t>(l);
    }
  TiList parents, outer;
  for (const LoopRec& r : loops) parents.push_back(r.parent);
  for (int32_t i = 0; i < count(xy); ++i) {
    LoopRec& r = loops[i];
    r.flag = geom::nestingDepth(parents, i) % 2 == 1;
    if ((!r.flag && r.area < 0) || (r.flag && r.area >= 0)) {
      std::reverse(xy[i].begin(), xy[i].end());
      r.area = -r.area;
    }
    if (r.flag) continue;
    // Largest first; equal areas keep their order.
    auto at = outer.end();
    while (at != outer.begin() && loops[*(at - 1)].area < r.area) --at;
    outer.insert(at, i);
  }
  const TpolyXyValues source = std::move(xy);
  xy.clear();
  for (int32_t o : outer) {
    xy.push_back(source[o]);
    for (int32_t i = 0; i < count(source); ++i)
      if (loops[i].parent == o && loops[i].flag) xy.push_back(source[i]);
  }
}

namespace {
// A point strictly inside the ring, by which its nesting is judged: a point on the ring itself
// could lie on an edge it shares with the ring that holds it (the two pieces of a ring cut along
// a line share that line). It is the middle of the widest inside stretch of the horizontal line
// halfway across the widest gap between the ring's vertex heights, a line that meets no vertex
// and no horizontal edge. A ring with no inside (no height, x never increasing) is judged by a
// point 0.12345 of the way along its first segment towards +x, or its first point.
xyrec testPoint(const Txyvalues& ring) {
  Tdlist ys;
  for (const xyrec& p : ring)
    if (std::isfinite(p.y)) ys.push_back(p.y);  // NaN would break the sort's ordering
  geom::sortValues(ys);
  double y = 0, gap = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k)
    if (ys[k + 1] - ys[k] > gap) {
      gap = ys[k + 1] - ys[k];
      y = ys[k] + gap / 2;
    }
  Tdlist xs;
  if (gap > 0 && std::isfinite(gap))
    for (size_t k = 0; k + 1 < ring.size(); ++k) {
      const xyrec &p = ring[k], &q = ring[k + 1];
      if ((p.y < y) == (q.y < y)) continue;
      const double x = p.x + (q.x - p.x) * (y - p.y) / (q.y - p.y);
      if (std::isfinite(x)) xs.push_back(x);
    }
  std::sort(xs.begin(), xs.end());
  double width = 0, x = 0;
  for (size_t k = 0; k + 1 < xs.size(); k += 2)
    if (xs[k + 1] - xs[k] > width) {
      width = xs[k + 1] - xs[k];
      x = xs[k] + width / 2;
    }
  if (width > 0) return {x, y};
  for (size_t k = 0; k + 1 < ring.size(); ++k)
    if (ring[k].x < ring[k + 1].x) return geom::pointAt(ring, static_cast<int32_t>(k), 0.12345);
  return ring[0];
}
}  // namespace

namespace geom {

void parentPolys(TlineMan& lm, TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands, TiList& parents,
                 bool take) {
  polys.clear();
  parents.assign(xy.size(), -1);
  if (xy.empty()) return;
  TprocScope proc(lm, "ParentPolys");
  lm.seterr("a0");
  for (Txyvalues& ring : xy) lm.closeLoop(ring);
  lm.seterr("a1");
  if (xy.size() == 1) {
    if (lm.area(xy[0]) < 0) std::reverse(xy[0].begin(), xy[0].end());
    polys.push_back(take ? std::move(xy) : xy);
    return;
  }
  lm.seterr("a");
  std::vector<LoopRec> loops(xy.size());
  for (size_t i = 0; i < xy.size(); ++i) {
    loops[i].box = boxOf(lm, xy[i]);
    loops[i].area = lm.area(xy[i]);
  }
  lm.seterr("b");
  TringTests rings(xy);
  for (size_t j = 0; j < xy.size(); ++j) {
    if (xy[j].empty()) continue;
    // Found when first needed: the largest ring, tested against none, needs no point.
    bool haveT = false;
    xyrec t;
    for (size_t l = 0; l < xy.size(); ++l) {
      if (l == j || !(std::abs(loops[l].area) > std::abs(loops[j].area)) || !loops[l].box.meets(loops[j].box))
        continue;
      const int32_t p = loops[j].parent;
      if (p >= 0 && !(std::abs(loops[l].area) < std::abs(loops[p].area))) continue;
      if (!haveT) {
        t = testPoint(xy[j]);
        haveT = true;
      }
      if (rings.inLoop(l, t.x, t.y)) loops[j].parent = static_cast<int32_t>(l);
    }
  }
  lm.seterr("c");
  for (const LoopRec& r : loops)
    if (r.parent >= 0) loops[r.parent].flag = true;
  lm.seterr("d");
  // Each ring's holes in order, and the last polygon a ring goes into, where it may be taken.
  std::vector<TiList> holes(xy.size());
  TiList lastUse(xy.size(), -1);
  auto own = [&](size_t j) { return !(loops[j].parent >= 0 && !loops[j].flag && !saveInnerIslands); };
  for (size_t j = 0; j < xy.size(); ++j) {
    if (own(j)) lastUse[j] = static_cast<int32_t>(j);
    const int32_t p = loops[j].parent;
    if (p >= 0) {
      holes[p].push_back(static_cast<int32_t>(j));
      if (own(p)) lastUse[j] = std::max(lastUse[j], p);
    }
  }
  auto ring = [&](size_t i, size_t use, bool reverse) {
    Txyvalues r = take && lastUse[i] == static_cast<int32_t>(use) ? std::move(xy[i]) : xy[i];
    if (reverse) std::reverse(r.begin(), r.end());
    return r;
  };
  for (size_t j = 0; j < xy.size(); ++j) {
    parents[j] = loops[j].parent;
    if (!own(j)) continue;
    TpolyXyValues poly;
    poly.push_back(ring(j, j, loops[j].area < 0));
    for (int32_t i : holes[j]) poly.push_back(ring(static_cast<size_t>(i), j, loops[i].area > 0));
    polys.push_back(std::move(poly));
  }
  lm.seterr("e");
}

}  // namespace geom

void TlineMan::ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands, TiList& parents) {
  geom::parentPolys(*this, xy, polys, saveInnerIslands, parents, false);
}

void TlineMan::ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands) {
  TiList parents;
  ParentPolys(xy, polys, saveInnerIslands, parents);
}

void TlineMan::ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys) { ParentPolys(xy, polys, true); }

void TlineMan::snapOrdinates(TpolyXyValues& xy, double snap) const {
  if (!(snap > 0) || !std::isfinite(snap)) return;
  const double per = 1 / snap;
  auto cut = [&](double v) {
    const double whole = std::trunc(v);
    return whole + std::trunc((v - whole) * per) * snap;
  };
  for (Txyvalues& ring : xy)
    for (xyrec& p : ring) {
      p.x = cut(p.x);
      p.y = cut(p.y);
    }
}

// ---------------------------------------------------------------------------------------------
// Stitching lines end to end

void TlineMan::StitchLines(TpolyXyValues& lines) { doStitchLines(lines, 0, 0, 0, 0, 0, createTrig().equality); }

void TlineMan::StitchLines(TpolyXyValues& lines, double snap) { doStitchLines(lines, 0, 0, 0, 0, 0, snap); }

void TlineMan::StitchLines(TpolyXyValues& lines, double minx, double miny, double maxx, double maxy, double snap) {
  doStitchLines(lines, 1, minx, miny, maxx, maxy, snap);
}

void TlineMan::StitchLinesOnXedge(TpolyXyValues& lines, double x, double snap) {
  doStitchLines(lines, 2, x, 0, 0, 0, snap);
}

void TlineMan::StitchLinesOnYedge(TpolyXyValues& lines, double y, double snap) {
  doStitchLines(lines, 3, 0, y, 0, 0, snap);
}

void TlineMan::doStitchLines(TpolyXyValues& lines, int32_t option, double minx, double miny, double maxx, double maxy,
                             double snap) {
  if (lines.size() < 2) return;
  auto meet = [&](const xyrec& a, const xyrec& b) {
    if (!(std::abs(a.x - b.x) < snap && std::abs(a.y - b.y) < snap)) return false;
    switch (option) {
      case 1:
        return std::abs(a.x - minx) >= snap && std::abs(a.x - maxx) >= snap && std::abs(a.y - miny) >= snap &&
               std::abs(a.y - maxy) >= snap;
      case 2:
        return std::abs(a.x - minx) <= snap;
      case 3:
        return std::abs(a.y - miny) <= snap;
      default:
        return true;
    }
  };
  auto worthTesting = [&](const Txyvalues& l) {
    if (option == 2) return l.front().x - minx <= snap || l.back().x - minx <= snap;
    if (option == 3) return l.front().y - miny <= snap || l.back().y - miny <= snap;
    return true;
  };
  const double eq = createTrig().equality;
  auto closeIt = [&](Txyvalues& l) {
    if (createTrig().getdistance(l.front().x, l.front().y, l.back().x, l.back().y) <= eq) {
      l.back() = l.front();
    } else {
      l.push_back(l.front());
    }
  };
  const int32_t n = count(lines);
  // Every end a line has now is an end some line had at the start, and that line has been
  // emptied into it: the partners of a point are found among the first ends near it in x.
  struct End {
    double x;
    int32_t line;
  };
  std::vector<End> ends;
  for (int32_t j = 0; j < n; ++j)
    for (const xyrec* p : {lines[j].empty() ? nullptr : &lines[j].front(), lines[j].empty() ? nullptr : &lines[j].back()})
      if (p && !std::isnan(p->x)) ends.push_back({p->x, j});
  std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) { return a.x < b.x; });
  TiList holder(static_cast<size_t>(n));
  std::iota(holder.begin(), holder.end(), 0);
  auto holding = [&](int32_t j) {
    while (holder[j] != j) j = holder[j] = holder[holder[j]];
    return j;
  };
  // The lines (other than i, of two points or more) with an end meeting p, up to two of them.
  auto partners = [&](int32_t i, const xyrec& p, TiList& found) {
    found.clear();
    auto at = std::lower_bound(ends.begin(), ends.end(), p.x - snap, [](const End& e, double x) { return e.x < x; });
    for (; at != ends.end() && at->x <= p.x + snap && found.size() < 2; ++at) {
      const int32_t j = holding(at->line);
      const Txyvalues& lj = lines[j];
      if (j == i || lj.size() < 2 || std::find(found.begin(), found.end(), j) != found.end()) continue;
      if (meet(p, lj.back()) || meet(p, lj.front())) found.push_back(j);
    }
  };
  TiList atStart, atEnd;
  for (int32_t i = 0; i + 1 < n; ++i) {
    if (lines[i].empty() || !worthTesting(lines[i])) continue;
    // Every pass empties one other line into line i: at most n passes.
    for (int32_t pass = 0; pass < n; ++pass) {
      Txyvalues& li = lines[i];
      if (meet(li.front(), li.back())) {
        closeIt(li);
        break;
      }
      partners(i, li.front(), atStart);
      partners(i, li.back(), atEnd);
      int32_t j = -1;
      if (atStart.size() == 1) {
        j = atStart[0];
        prePend(li, lines[j], !meet(li.front(), lines[j].back()));
      } else if (atEnd.size() == 1) {
        j = atEnd[0];
        geom::appendLine(li, lines[j], meet(li.back(), lines[j].back()));
      } else {
        break;  // no partner, or a junction
      }
      lines[j].clear();
      holder[j] = i;
      if (meet(li.front(), li.back())) {
        closeIt(li);
        break;
      }
    }
  }
  TpolyXyValues kept;
  for (Txyvalues& l : lines)
    if (!l.empty()) kept.push_back(std::move(l));
  lines = std::move(kept);
}
