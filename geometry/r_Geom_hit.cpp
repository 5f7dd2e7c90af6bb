// TlineMan hit tests of stored objects: a point (with snap), circle, box, polygon or line against
// an object's rings by object type. Points are ring 0's first point, lines and texts ring 0,
// polygons every ring (ring 0 outer); an inside hit is hittype 1 at the query's point or centre.
#include <algorithm>
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"

namespace {
bool isPolygon(int32_t obtype) { return obtype == o_polyGon || obtype == o_vectorheader; }
bool isLine(int32_t obtype) { return obtype == o_line || obtype == o_text; }
bool hasPoint(const TpolyXyValues& xy) { return !xy.empty() && !xy[0].empty(); }

void pointObjectHit(Thitrec& h, const xyrec& p) {
  h.hittype = 32 | 4;
  h.x = p.x;
  h.y = p.y;
  h.loop = 0;
  h.vertex = 0;
}

// The box and polygon queries by object type: a point object by pointIn, a line's ring 0 or a
// polygon's rings by ringHit, then a polygon holding (ix, iy) is an inside hit at (cx, cy).
template <typename PointIn, typename RingHit>
bool hitByType(TlineMan& lm, const TpolyXyValues& xy, int32_t obtype, PointIn pointIn, RingHit ringHit, double ix,
               double iy, double cx, double cy) {
  Thitrec& h = lm.hit();
  if (obtype == o_point) {
    if (!pointIn(xy[0][0])) return false;
    pointObjectHit(h, xy[0][0]);
    return true;
  }
  if (isLine(obtype)) {
    h.loop = 0;
    return ringHit(xy[0]);
  }
  if (!isPolygon(obtype)) return false;
  for (int32_t i = 0; i < count(xy); ++i)
    if (ringHit(xy[i])) {
      h.hittype = 0;
      h.loop = i;
      return true;
    }
  if (!lm.inPolygon(ix, iy, xy)) return false;
  h.x = cx;
  h.y = cy;
  return true;
}
}  // namespace

void TlineMan::beginHit(double x, double y) {
  lastx = x;
  lasty = y;
  fhit->clear();
  fhit->hittype = 0;
}

bool TlineMan::finishHit(bool found, const TpolyXyValues& xy, int32_t obtype) {
  if (!found) return false;
  fhit->obType = obtype;
  fhit->xy = xy;
  return true;
}

bool TlineMan::PointHit(const Txyvalues& xy, double x, double y, double snap) {
  geom::Restore<bool> corners(snaptocorners, true);
  Thitrec& h = *fhit;
  if (!PointOnLine(x, y, snap, xy, h.allhits, h.closest)) return false;
  h.hittype = 2;
  h.x = fxc;
  h.y = fyc;
  const xyzrec& best = h.allhits[h.closest];
  h.u = best.y;
  h.vertex = static_cast<int32_t>(std::lround(best.x));
  if (h.u == 0) {
    h.x = xy[h.vertex].x;
    h.y = xy[h.vertex].y;
    h.hittype |= 4;
    if (h.vertex == 0) h.hittype |= 8;
    if (h.vertex == count(xy) - 1) h.hittype |= 16;
  }
  return true;
}

// The point and circle forms: snap is the circle's radius.
bool TlineMan::nearOrInside(const TpolyXyValues& xy, int32_t obtype, double x, double y, double snap) {
  if (obtype == o_point) {
    double d = snap;
    if (!createTrig().DistanceLessThan(xy[0][0].x, xy[0][0].y, x, y, d)) return false;
    pointObjectHit(*fhit, xy[0][0]);
    return true;
  }
  if (isLine(obtype)) {
    if (!PointHit(xy[0], x, y, snap)) return false;
    fhit->loop = 0;
    return true;
  }
  if (!isPolygon(obtype)) return false;
  for (int32_t i = 0; i < count(xy); ++i)
    if (PointHit(xy[i], x, y, snap)) {
      fhit->loop = i;
      return true;
    }
  if (!inPolygon(x, y, xy)) return false;
  fhit->x = x;
  fhit->y = y;
  return true;
}

bool TlineMan::PointHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
                        double x, double y, double snap) {
  beginHit(x, y);
  if (!hasPoint(xy) || !createTrig().BoxesIntersect(x - snap, y - snap, x + snap, y + snap, minx - snap, miny - snap,
                                             maxx + snap, maxy + snap))
    return false;
  return finishHit(nearOrInside(xy, obtype, x, y, snap), xy, obtype);
}

bool TlineMan::CircleHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx,
                         double maxy, double x, double y, double radius) {
  beginHit(x, y);
  if (!hasPoint(xy)) return false;
  if (minx != maxx &&
      !createTrig().BoxesIntersect(x - radius, y - radius, x + radius, y + radius, minx, miny, maxx, maxy))
    return false;
  return finishHit(nearOrInside(xy, obtype, x, y, radius), xy, obtype);
}

bool TlineMan::BoxHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
                      double x1, double y1, double x2, double y2) {
  createTrig().order(x1, x2);
  createTrig().order(y1, y2);
  beginHit((x1 + x2) / 2, (y1 + y2) / 2);
  if (!hasPoint(xy)) return false;
  if (minx != maxx && !createTrig().BoxesIntersect(x1, y1, x2, y2, minx, miny, maxx, maxy)) return false;
  Tbox box;
  box.minx = x1;
  box.miny = y1;
  box.maxx = x2;
  box.maxy = y2;
  auto ringHit = [&](const Txyvalues& ring) {
    return !ring.empty() && (createTrig().inBox(ring[0].x, ring[0].y, x1, y1, x2, y2) || box.lineintersects(ring));
  };
  auto pointIn = [&](const xyrec& p) { return createTrig().inBox(p.x, p.y, x1, y1, x2, y2); };
  const bool found = hitByType(*this, xy, obtype, pointIn, ringHit, x1, y1, lastx, lasty);
  return finishHit(found, xy, obtype);
}

bool TlineMan::PolyHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
                       const TpolyXyValues& poly) {
  double px1 = 0, py1 = 0, px2 = 0, py2 = 0;
  bounds(px1, py1, px2, py2, poly);
  beginHit((px1 + px2) / 2, (py1 + py2) / 2);
  if (!hasPoint(xy) || !hasPoint(poly)) return false;
  if (minx != maxx && !createTrig().BoxesIntersect(px1, py1, px2, py2, minx, miny, maxx, maxy)) return false;
  // A ring meets the query polygon when its first point is inside it or it meets any of its
  // rings, a touch at an end included.
  geom::Restore<bool> ends(polyIntersect->excludeends, false);
  auto ringHit = [&](const Txyvalues& ring) {
    if (ring.empty()) return false;
    return inPolygon(ring[0].x, ring[0].y, poly) || polyIntersect->intersects(ring, poly);
  };
  auto pointIn = [&](const xyrec& p) { return inPolygon(p.x, p.y, poly); };
  const bool found = hitByType(*this, xy, obtype, pointIn, ringHit, poly[0][0].x, poly[0][0].y, lastx, lasty);
  return finishHit(found, xy, obtype);
}

bool TlineMan::LineHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
                       const Txyvalues& linexy, double snap) {
  double lx1 = 0, ly1 = 0, lx2 = 0, ly2 = 0;
  bounds(lx1, ly1, lx2, ly2, linexy);
  beginHit((lx1 + lx2) / 2, (ly1 + ly2) / 2);
  if (!hasPoint(xy) || linexy.empty()) return false;
  // The object's box widened by snap: a line within snap of a flat object's box still counts.
  const double margin = std::max(snap, 0.0);
  if (minx != maxx && !createTrig().BoxesIntersect(lx1, ly1, lx2, ly2, minx - margin, miny - margin, maxx + margin,
                                             maxy + margin))
    return false;
  bool found = false;
  if (obtype == o_point) {
    int32_t vertex = 0;
    double u = 0;
    found = PointOnLine(xy[0][0].x, xy[0][0].y, snap, linexy, vertex, u);
  } else if (isLine(obtype)) {
    found = linescross(linexy, xy[0]) || (snap > 0 && DistanceLessThan(linexy, xy[0], snap));
  } else if (obtype == o_polyGon) {
    found = inPolygon(linexy[0].x, linexy[0].y, xy);
    for (size_t i = 0; !found && i < xy.size(); ++i) found = linescross(linexy, xy[i]);
    if (!found && snap != 0) {
      for (size_t i = 0; !found && i < xy.size(); ++i) found = DistanceLessThan(linexy, xy[i], snap);
    } else if (!found && linexy.size() > 1) {
      found = inPolygon((linexy[0].x + linexy[1].x) / 2, (linexy[0].y + linexy[1].y) / 2, xy);
    }
  }
  fhit->hittype = 0;
  return finishHit(found, xy, obtype);
}
