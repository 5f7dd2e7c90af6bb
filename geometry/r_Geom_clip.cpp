// Tclipper: clipping points, lines and polygons to a box, the view, a loop or a polygon, and cutting
// polygons and lines, on the kernel's own operations: cuts found with TlinesIntersect (each run of
// the object's segments meeting only the cutter segments its box reaches, through the cutter's
// segment tree), lines split there (splitchain), the pieces inside kept by their first segment's
// midpoint, and for polygons the region's boundary cut by the stitched pieces (MakeManifold),
// keeping the polygons whose seed point lies inside the object. A ring tested for many pieces is
// indexed once (geom::TringTests).
#include <cmath>
#include <exception>

#include "core/Tview.h"
#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

namespace {

constexpr int32_t kTextType = 20;  // a text clips like a point

struct Box {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
template <typename L>
Box boxOf(const L& xy) {
  Box b;
  createLineman().bounds(b.x1, b.y1, b.x2, b.y2, xy);
  return b;
}

bool hasPoint(const TpolyXyValues& xy) { return !xy.empty() && !xy[0].empty(); }

xyrec firstMidpoint(const Txyvalues& line) {
  return {(line[0].x + line[1].x) / 2, (line[0].y + line[1].y) / 2};
}

void logFailure(const std::string& what) { createLineman().log("Tclipper " + what); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Cuts

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                        const TpolyXyValues& xy, const TpolyXyValues& cutter, TpolyDlist& u) {
  u.clear();
  outside = false;
  if (!createTrig().BoxesIntersect(x1, y1, x2, y2, x3, y3, x4, y4)) {
    outside = true;
    return false;
  }
  TlineMan& lm = createLineman();
  const double eq = createTrig().equality;
  bool any = false;
  try {
    std::vector<geom::TsegmentTree> trees(cutter.size());
    double largest = 0;
    for (size_t c = 0; c < cutter.size(); ++c) {
      trees[c].build(cutter[c]);
      largest = std::max(largest, trees[c].magnitude());
    }
    u.assign(xy.size(), Tdlist{});
    // The cutter's segments near each run of the line's segments, found once for the run.
    struct Near {
      int32_t ring, k;
      geom::Extent box;
    };
    std::vector<Near> near;
    constexpr int32_t kRun = geom::TsegmentTree::kLeaf;
    for (size_t p = 0; p < xy.size(); ++p) {
      const Txyvalues& line = xy[p];
      if (p > 0) {
        const Box b = boxOf(line);
        if (line.empty() || !createTrig().BoxesIntersect(b.x1, b.y1, b.x2, b.y2, x1, y1, x2, y2)) continue;
      }
      // A cut lies on the line's segment and within the tolerance of the cutter's: only segment
      // pairs that near can give one. Every cut is added once in order, so the pairs may come in
      // any order.
      double lineLargest = 0;
      for (const xyrec& q : line) {
        if (std::abs(q.x) > lineLargest && std::isfinite(q.x)) lineLargest = std::abs(q.x);
        if (std::abs(q.y) > lineLargest && std::isfinite(q.y)) lineLargest = std::abs(q.y);
      }
      const double margin = (eq > 0 ? 2 * eq : 0) + geom::roundingSlack(largest, lineLargest);
      const int32_t segments = count(line) - 1;
      for (int32_t first = 0; first < segments; first += kRun) {
        const int32_t last = std::min(first + kRun, segments);
        geom::Extent run = geom::segmentExtent(line[first], line[first + 1]);
        for (int32_t s = first + 1; s < last; ++s) geom::widen(run, geom::segmentExtent(line[s], line[s + 1]));
        run = {run.x1 - margin, run.y1 - margin, run.x2 + margin, run.y2 + margin};
        near.clear();
        for (size_t c = 0; c < cutter.size(); ++c)
          trees[c].query(run, [&](int32_t k) {
            near.push_back({static_cast<int32_t>(c), k, trees[c].segment(k)});
            return false;
          });
        if (near.empty()) continue;
        for (int32_t s = first; s < last; ++s) {
          const xyrec &a = line[s], &b = line[s + 1];
          if (std::max(a.x, b.x) < x1 || std::min(a.x, b.x) > x2 || std::max(a.y, b.y) < y1 || std::min(a.y, b.y) > y2)
            continue;
          const geom::Extent e = geom::segmentExtent(a, b);
          for (const Near& n : near) {
            if (!geom::meets(e, n.box, margin)) continue;
            const Txyvalues& ring = cutter[n.ring];
            const xyrec &c = ring[n.k], &d = ring[n.k + 1];
            li.setA(a.x, a.y, b.x, b.y);
            li.setB(c.x, c.y, d.x, d.y);
            if (!li.intersects() || li.inSameLine()) continue;
            // A touch within the snap whose point is off the cutter by more than the tolerance
            // (an end beside the other segment, not on it) is no cut: a piece ending there could
            // not be joined to the cutter.
            if (createTrig().DistanceTo(li.x0(), li.y0(), c.x, c.y, d.x, d.y) > eq) continue;
            geom::addAscending(u[p], static_cast<double>(s) + li.U1(), false);
            any = true;
          }
        }
      }
    }
  } catch (const std::exception& e) {
    lm.log(std::string("Tclipper find cuts: ") + e.what());
  }
  if (!any) u.clear();
  return any;
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                        const TpolyXyValues& xy, const Txyvalues& cutter, TpolyDlist& u) {
  return findCuts(x1, y1, x2, y2, x3, y3, x4, y4, xy, TpolyXyValues{cutter}, u);
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                        const Txyvalues& xy, const TpolyXyValues& cutter, Tdlist& u) {
  TpolyDlist all;
  if (!findCuts(x1, y1, x2, y2, x3, y3, x4, y4, TpolyXyValues{xy}, cutter, all)) return false;
  u = all[0];
  return true;
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                        const Txyvalues& xy, const Txyvalues& cutter, Tdlist& u) {
  return findCuts(x1, y1, x2, y2, x3, y3, x4, y4, xy, TpolyXyValues{cutter}, u);
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, const TpolyXyValues& xy,
                        const TpolyXyValues& cutter, TpolyDlist& u) {
  const Box o = boxOf(xy);
  return findCuts(x1, y1, x2, y2, o.x1, o.y1, o.x2, o.y2, xy, cutter, u);
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, const Txyvalues& cutter,
                        TpolyDlist& u) {
  return findCuts(x1, y1, x2, y2, xy, TpolyXyValues{cutter}, u);
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, const Txyvalues& xy, const TpolyXyValues& cutter,
                        Tdlist& u) {
  const Box o = boxOf(xy);
  return findCuts(x1, y1, x2, y2, o.x1, o.y1, o.x2, o.y2, xy, cutter, u);
}

bool Tclipper::findCuts(double x1, double y1, double x2, double y2, const Txyvalues& xy, const Txyvalues& cutter,
                        Tdlist& u) {
  return findCuts(x1, y1, x2, y2, xy, TpolyXyValues{cutter}, u);
}

bool Tclipper::findCuts(const TpolyXyValues& xy, const TpolyXyValues& cutter, TpolyDlist& u) {
  const Box c = boxOf(cutter);
  return findCuts(c.x1, c.y1, c.x2, c.y2, xy, cutter, u);
}

bool Tclipper::findCuts(const TpolyXyValues& xy, const Txyvalues& cutter, TpolyDlist& u) {
  return findCuts(xy, TpolyXyValues{cutter}, u);
}

bool Tclipper::findCuts(const Txyvalues& xy, const TpolyXyValues& cutter, Tdlist& u) {
  const Box c = boxOf(cutter);
  return findCuts(c.x1, c.y1, c.x2, c.y2, xy, cutter, u);
}

bool Tclipper::findCuts(const Txyvalues& xy, const Txyvalues& cutter, Tdlist& u) {
  return findCuts(xy, TpolyXyValues{cutter}, u);
}

// ---------------------------------------------------------------------------------------------
// Loops and boxes

int32_t Tclipper::doclipToLoop(const Txyvalues& loop, double x1, double y1, double x2, double y2, double x3,
                               double y3, double x4, double y4, const TpolyXyValues& xy, int32_t obType) {
  results.clear();
  chains.clear();
  TlineMan& lm = createLineman();
  if (!hasPoint(xy) || loop.size() < 4) return clip_unknown;
  if (obType == o_point || obType == kTextType)
    return lm.inLoop(xy[0][0].x, xy[0][0].y, loop) ? clip_surround : clip_outside;
  if (obType == o_line) {
    TpolyDlist u;
    if (!findCuts(x1, y1, x2, y2, x3, y3, x4, y4, xy, loop, u))
      return lm.inLoop(xy[0][0].x, xy[0][0].y, loop) ? clip_surround : clip_outside;
    TpolyXyValues pieces;
    lm.splitchain(xy[0], pieces, u[0]);
    geom::TringTests region(loop);
    for (const Txyvalues& piece : pieces) {
      if (piece.size() < 2) continue;
      const xyrec mid = firstMidpoint(piece);
      if (region.inLoop(0, mid.x, mid.y)) results.push_back({piece});
    }
    return clip_cut;
  }
  if (obType == o_polyGon) return clipPolygonToLoop(loop, x1, y1, x2, y2, x3, y3, x4, y4, xy);
  return clip_unknown;
}

int32_t Tclipper::clipPolygonToLoop(const Txyvalues& loop, double x1, double y1, double x2, double y2, double x3,
                                    double y3, double x4, double y4, const TpolyXyValues& xy) {
  TlineMan& lm = createLineman();
  std::string marker = "a";
  try {
    TpolyDlist u;
    const bool cut = findCuts(x1, y1, x2, y2, x3, y3, x4, y4, xy, loop, u);
    // The loop's point judged against the whole polygon: a loop in a hole is outside it.
    const bool loopInside = lm.inPolygon(loop[0].x, loop[0].y, xy);
    if (!cut && !loopInside) {
      marker = "e";
      return lm.inLoop(xy[0][0].x, xy[0][0].y, loop) ? clip_surround : clip_outside;
    }
    geom::TringTests inRegion(loop);
    if (!cut) {
      marker = "b";
      TpolyXyValues region{loop};
      for (size_t r = 1; r < xy.size(); ++r)
        if (!xy[r].empty() && inRegion.inLoop(0, xy[r][0].x, xy[r][0].y)) region.push_back(xy[r]);
      results.push_back(std::move(region));
      return clip_inside;
    }
    marker = "c " + std::to_string(xy.size());
    for (size_t r = 0; r < xy.size(); ++r) {
      const Txyvalues& ring = xy[r];
      if (ring.empty()) continue;
      if (u[r].empty()) {
        if (inRegion.inLoop(0, ring[0].x, ring[0].y)) chains.push_back(ring);
        continue;
      }
      marker = "c1 " + std::to_string(r) + " " + std::to_string(u[r].size());
      TpolyXyValues pieces;
      lm.splitchain(ring, pieces, u[r]);
      for (Txyvalues& piece : pieces) {
        if (piece.size() < 2) continue;
        const xyrec mid = firstMidpoint(piece);
        if (inRegion.inLoop(0, mid.x, mid.y)) chains.push_back(std::move(piece));
      }
      marker = "c2 " + std::to_string(r) + " " + std::to_string(u[r].size()) + " " + std::to_string(pieces.size());
    }
    marker = "c3";
    lm.StitchLines(chains);
    marker = "cc4";
    TpolyPolyXYvalues manifold;
    lm.MakeManifold(loop, chains, manifold);
    marker = "c5";
    geom::TringTests inObject(xy);
    for (TpolyXyValues& p : manifold) {
      double sx = 0, sy = 0;
      if (lm.seedPoint(sx, sy, p) && inObject.inPolygon(lm, sx, sy)) results.push_back(std::move(p));
    }
    chains.clear();
    marker = "d";
    return clip_cut;
  } catch (const std::exception& e) {
    logFailure("clipToLoop: " + marker + " " + e.what());
    chains.clear();
    return clip_unknown;
  }
}

int32_t Tclipper::doclipToBox(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                              const TpolyXyValues& xy, int32_t obType) {
  const Txyvalues loop{{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}};
  return doclipToLoop(loop, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), x3, y3, x4, y4, xy,
                      obType);
}

int32_t Tclipper::clipToBox(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, double minx,
                            double miny, double maxx, double maxy, int32_t obType) {
  createTrig().order(x1, x2);
  createTrig().order(y1, y2);
  if (!createTrig().BoxesOverlap(x1, y1, x2, y2, minx, miny, maxx, maxy)) return clip_outside;
  return doclipToBox(x1, y1, x2, y2, minx, miny, maxx, maxy, xy, obType);
}

int32_t Tclipper::clipToBox(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, int32_t obType) {
  const Box o = boxOf(xy);
  return clipToBox(x1, y1, x2, y2, xy, o.x1, o.y1, o.x2, o.y2, obType);
}

int32_t Tclipper::clipToLoop(const Txyvalues& loop, const TpolyXyValues& xy, int32_t obType) {
  const Box l = boxOf(loop), o = boxOf(xy);
  if (!hasPoint(xy) || loop.empty() ||
      !createTrig().BoxesOverlap(l.x1, l.y1, l.x2, l.y2, o.x1, o.y1, o.x2, o.y2))
    return clip_outside;
  return doclipToLoop(loop, l.x1, l.y1, l.x2, l.y2, o.x1, o.y1, o.x2, o.y2, xy, obType);
}

// ---------------------------------------------------------------------------------------------
// The view

int32_t Tclipper::clip(const Tview& view, const TpolyXyValues& xy, double minx, double miny, double maxx, double maxy,
                       int32_t obType, int32_t marginPx) {
  if (!hasPoint(xy)) return clip_unknown;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  view.bounds(x1, y1, x2, y2);
  const double grow = marginPx * view.mp();
  x1 -= grow;
  y1 -= grow;
  x2 += grow;
  y2 += grow;
  if (minx > maxx) {
    const Box o = boxOf(xy);
    minx = o.x1;
    miny = o.y1;
    maxx = o.x2;
    maxy = o.y2;
  }
  if (!createTrig().BoxesOverlap(x1, y1, x2, y2, minx, miny, maxx, maxy)) return clip_outside;
  if (view.rotation == 0) return doclipToBox(x1, y1, x2, y2, minx, miny, maxx, maxy, xy, obType);
  // Turned: clipped in pixels, where the view is a box.
  TpolyXyValues screen(xy.size());
  for (size_t r = 0; r < xy.size(); ++r) view.screenXYd(xy[r], screen[r]);
  const Box s = boxOf(screen);
  const int32_t result = doclipToBox(view.box.Left - marginPx, view.box.Top - marginPx, view.box.Right + marginPx,
                                     view.box.Bottom + marginPx, s.x1, s.y1, s.x2, s.y2, screen, obType);
  if (result == clip_inside || result == clip_cut)
    for (TpolyXyValues& p : results)
      for (Txyvalues& ring : p)
        for (xyrec& pt : ring) view.worldXY(pt.x, pt.y, pt.x, pt.y);
  return result;
}

int32_t Tclipper::clip(const Tview& view, const TpolyXyValues& xy, int32_t obType, int32_t marginPx) {
  return clip(view, xy, 1, 0, 0, 0, obType, marginPx);
}

int32_t Tclipper::clip(const Tview& view, const TpolyXyValues& xy, int32_t obType) { return clip(view, xy, obType, 0); }

// ---------------------------------------------------------------------------------------------
// Polygons

int32_t Tclipper::clipLinesToPolygon(const TpolyXyValues& poly, const TpolyXyValues& xy, bool isPolygon,
                                     TpolyXyValues& kept) {
  TlineMan& lm = createLineman();
  TpolyDlist u;
  std::vector<bool> inside(xy.size(), false);
  const bool cut = findCuts(xy, poly, u);
  int32_t result = clip_cut;
  geom::TringTests inRegion(poly);
  if (cut) {
    for (size_t r = 0; r < xy.size(); ++r) {
      if (xy[r].empty()) continue;
      if (u[r].empty()) {
        inside[r] = inRegion.inPolygon(lm, xy[r][0].x, xy[r][0].y);
        continue;
      }
      TpolyXyValues pieces;
      lm.splitchain(xy[r], pieces, u[r]);
      for (Txyvalues& piece : pieces) {
        if (piece.size() < 2) continue;
        const xyrec mid = firstMidpoint(piece);
        if (inRegion.inPolygon(lm, mid.x, mid.y)) kept.push_back(std::move(piece));
      }
    }
    if (isPolygon) lm.StitchLines(kept);
  } else if (outside) {
    return clip_outside;
  } else {
    for (size_t r = 0; r < xy.size(); ++r)
      inside[r] = !xy[r].empty() && inRegion.inPolygon(lm, xy[r][0].x, xy[r][0].y);
    if (xy.size() > 1) {
      result = clip_unknown;
    } else if (inside[0]) {
      return clip_surround;
    } else {
      return lm.inLoop(poly[0][0].x, poly[0][0].y, xy[0]) ? clip_inside : clip_outside;
    }
  }
  for (size_t r = 0; r < xy.size(); ++r)
    if (inside[r]) kept.push_back(xy[r]);
  return result;
}

int32_t Tclipper::clipToPolygon(const TpolyXyValues& poly, const TpolyXyValues& xy, int32_t obType) {
  if (poly.size() == 1) return clipToLoop(poly[0], xy, obType);
  results.clear();
  TlineMan& lm = createLineman();
  if (!hasPoint(xy) || !hasPoint(poly)) return clip_unknown;
  if (obType == o_point) return lm.inPolygon(xy[0][0].x, xy[0][0].y, poly) ? clip_surround : clip_outside;
  if (obType != o_line && obType != o_polyGon) return clip_unknown;
  TpolyXyValues kept;
  int32_t step = clipLinesToPolygon(poly, xy, obType == o_polyGon, kept);
  // A ring inside the polygon that holds one of its holes is not surrounded: the hole is cut out.
  auto holdsHole = [&] {
    for (size_t r = 1; r < poly.size(); ++r)
      if (!poly[r].empty() && lm.inLoop(poly[r][0].x, poly[r][0].y, xy[0])) return true;
    return false;
  };
  if (obType == o_polyGon && step == clip_surround && holdsHole()) {
    kept = {xy[0]};
    step = clip_unknown;
  }
  if (obType == o_line) {
    if (step == clip_cut)
      for (Txyvalues& piece : kept) results.push_back({std::move(piece)});
    return step;
  }
  if (step == clip_inside) {
    results.push_back(poly);  // the region itself, as the answer says
    return step;
  }
  if (step != clip_unknown && step != clip_cut) return step;
  TpolyPolyXYvalues manifold;
  lm.MakeManifold(poly, kept, manifold);
  geom::TringTests inObject(xy), inRegion(poly);
  for (TpolyXyValues& p : manifold) {
    double sx = 0, sy = 0;
    if (lm.seedPoint(sx, sy, p) && inObject.inPolygon(lm, sx, sy) && inRegion.inPolygon(lm, sx, sy))
      results.push_back(std::move(p));
  }
  return clip_cut;
}

int32_t Tclipper::cutPolygon(const TpolyXyValues& poly, const Txyvalues& cutter) {
  TlineMan& lm = createLineman();
  const int32_t result = clipToPolygon(poly, TpolyXyValues{cutter}, o_line);
  if (result == clip_cut) {
    TpolyXyValues pieces;
    for (TpolyXyValues& p : results) pieces.push_back(std::move(p[0]));
    // A closed cutter that starts inside is one chain through its start: its last piece and its
    // first piece are joined there, or neither would reach the boundary at both ends.
    if (pieces.size() >= 2 && lm.closed(cutter) && lm.inPolygon(cutter[0].x, cutter[0].y, poly) &&
        lm.equal(pieces.front().front(), cutter.front()) && lm.equal(pieces.back().back(), cutter.back())) {
      pieces.back().back() = pieces.front().front();
      geom::appendLine(pieces.back(), pieces.front());
      pieces.front() = std::move(pieces.back());
      pieces.pop_back();
    }
    lm.MakeManifold(poly, pieces, results);
    geom::TringTests inRegion(poly);
    for (int32_t k = count(results) - 1; k >= 0; --k) {
      double sx = 0, sy = 0;
      if (!lm.seedPoint(sx, sy, results[k]) || !inRegion.inPolygon(lm, sx, sy)) results.erase(results.begin() + k);
    }
    return clip_cut;
  }
  if (result != clip_surround) return result;
  if (!lm.closed(cutter)) return clip_invalid;
  const bool clockwise = lm.area(cutter) >= 0;
  TpolyXyValues withHole = poly;
  withHole.push_back(clockwise ? geom::reversed(cutter) : cutter);
  results = {withHole, {clockwise ? cutter : geom::reversed(cutter)}};
  return clip_surround;
}

int32_t Tclipper::cutLine(double x1, double y1, double x2, double y2, const Txyvalues& line, const Txyvalues& cutter) {
  const Box c = boxOf(cutter);
  Tdlist u;
  if (!findCuts(c.x1, c.y1, c.x2, c.y2, x1, y1, x2, y2, line, cutter, u)) return clip_outside;
  TpolyXyValues pieces;
  createLineman().splitchain(line, pieces, u);
  results.clear();
  for (Txyvalues& piece : pieces) results.push_back({std::move(piece)});
  return clip_cut;
}

int32_t Tclipper::cutLine(const Txyvalues& line, const Txyvalues& cutter) {
  const Box l = boxOf(line);
  return cutLine(l.x1, l.y1, l.x2, l.y2, line, cutter);
}
