// Hit tests of a drawing: objects at a point (vertex, end and inside hit types), within a box or
// a circle, along a line or inside a polygon. Bounding boxes are compared first; the shared line
// manager measures only the objects that pass. Hidden objects and empty slots are passed over.
#include "core/Ttrig.h"
#include "drawing/r_Dra.h"
#include "geometry/r_Geom.h"

namespace {
const bSet& defaultTypes() {
  static const bSet s = obSet({o_point, o_line, o_polyGon, o_text});
  return s;
}

Thitrec& newRecord(ThitList& list, const Tgob& g, int32_t index) {
  Thitrec& h = list.item(list.add());
  h.index = index;
  h.obType = g.obType();
  h.uid = static_cast<int32_t>(g.uid);
  return h;
}
}  // namespace

bool TgobArray::doHit(ThitList& list, double x, double y, double snap, bool withInside, bool justOne,
                      const bSet& obTypes) {
  list.clear();
  hittest = 0;
  polyIn = -1;
  TlineMan& lm = createLineman();
  lm.snaptocorners = true;
  Ttrig& trig = createTrig();
  TpolyXyValues spare;
  for (int32_t i = 0; i < count(); ++i) {
    if (justOne && list.count() > 0) break;
    Tgob* g = slot(i);
    if (!g || g->state == gob_hidden || !inSet(obTypes, g->obType())) continue;
    if (!trig.BoxesIntersect(x - snap, y - snap, x + snap, y + snap, g->x1, g->y1, g->x2, g->y2)) continue;
    if (g->xy.empty() || g->xy[0].empty()) continue;
    const int32_t type = g->obType();
    if (type == o_point || (type == o_text && g->xy[0].size() == 1)) {
      Thitrec& h = newRecord(list, *g, i);
      h.hittype = hittest_point | hittest_vertex;
      h.x = g->xy[0][0].x;
      h.y = g->xy[0][0].y;
      hittest |= h.hittype;
      continue;
    }
    bool onPart = false;
    const TpolyXyValues& parts = g->xy.list(spare);
    for (int32_t part = 0; part < static_cast<int32_t>(parts.size()) && !onPart; ++part) {
      const Txyvalues& xy = parts[static_cast<size_t>(part)];
      int32_t vertex = 0;
      double u = 0;
      if (xy.empty() || !lm.PointOnLine(x, y, snap, xy, vertex, u)) continue;
      onPart = true;
      // A text is hit between its points only when it is laid along them.
      if (type == o_text && u != 0 && g->hJustify() != 32) continue;
      Thitrec& h = newRecord(list, *g, i);
      h.vertex = vertex;
      h.u = u;
      h.loop = part;
      h.x = lm.xc();
      h.y = lm.yc();
      if (u != 0) {
        h.hittype = hittest_line;
      } else {
        h.hittype = hittest_line | hittest_vertex;
        if (vertex == 0) h.hittype |= hittest_start;
        if (vertex == static_cast<int32_t>(xy.size()) - 1) h.hittype |= hittest_finish;
        if (h.hittype & (hittest_start | hittest_finish)) list.isAnEnd = true;
        if (vertex >= 0 && vertex < static_cast<int32_t>(xy.size())) {
          h.x = xy[static_cast<size_t>(vertex)].x;
          h.y = xy[static_cast<size_t>(vertex)].y;
        }
      }
      if (type == o_point) h.hittype |= hittest_point;
      if (type == o_text) h.hittype |= hittest_text;
      hittest |= h.hittype;
    }
    if (!onPart && type == o_polyGon && lm.inPolygon(x, y, parts)) {
      if (withInside) {
        Thitrec& h = newRecord(list, *g, i);
        h.hittype = hittest_inside;
        hittest |= hittest_inside;
      }
      polyIn = i;
    }
  }
  return list.count() > 0;
}

bool TgobArray::hit(double x, double y, double snap, const bSet& obTypes) {
  return doHit(fhits, x, y, snap, true, false, obTypes);
}

bool TgobArray::hit(double x, double y, double snap) { return hit(x, y, snap, defaultTypes()); }

int32_t TgobArray::hitOne(double x, double y, double snap) {
  return doHit(fhits, x, y, snap, true, true, defaultTypes()) ? fhits.item(0).index : -1;
}

int32_t TgobArray::hitPoly(double x, double y) {
  return doHit(fhits, x, y, 0, true, true, obSet({o_polyGon})) ? fhits.item(0).index : -1;
}

bool TgobArray::hitEdge(double x, double y, double snap) { return hitEdge(fhits, x, y, snap); }

bool TgobArray::hitEdge(double x, double y, double snap, bool justOne) {
  return doHit(fhits, x, y, snap, false, justOne, obSet({o_point, o_line, o_polyGon}));
}

bool TgobArray::hitEdge(ThitList& list, double x, double y, double snap) {
  return hitEdge(list, x, y, snap, obSet({o_line, o_polyGon}));
}

bool TgobArray::hitEdge(ThitList& list, double x, double y, double snap, const bSet& obTypes) {
  return doHit(list, x, y, snap, false, false, obTypes);
}

int32_t TgobArray::hitPolyOuterLoop(double x, double y) {
  TlineMan& lm = createLineman();
  Ttrig& trig = createTrig();
  TpolyXyValues spare;
  for (int32_t i = 0; i < count(); ++i) {
    const Tgob* g = getItem(i);
    if (!g || g->obType() != o_polyGon || g->xy.empty()) continue;
    if (trig.inBox(x, y, g->x1, g->y1, g->x2, g->y2) && lm.inLoop(x, y, g->xy.list(spare)[0])) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Area tests: a text counts as a point at its first point; the kernel answers for points, lines
// and polygons, so other kinds are never found.

bool TgobArray::areaHit(const bSet& obTypes, const std::function<bool(Tgob&)>& meets,
                        const std::function<bool(Tgob&, int32_t kind)>& ask, bool refreshBounds) {
  fhits.clear();
  for (int32_t i = 0; i < count(); ++i) {
    Tgob* g = getItem(i);
    if (!g || g->state == gob_hidden || !inSet(obTypes, g->obType())) continue;
    if (refreshBounds) g->updateBounds();
    if (!meets(*g)) continue;
    const int32_t kind = g->obType() == o_text ? o_point : g->obType();
    if (!ask(*g, kind)) continue;
    Thitrec& h = fhits.item(fhits.add());
    h.index = i;
    h.obType = g->obType();
  }
  return fhits.count() > 0;
}

bool TgobArray::BoxHit(double bx1, double by1, double bx2, double by2, const bSet& obTypes) {
  Ttrig& trig = createTrig();
  trig.order(bx1, bx2);
  trig.order(by1, by2);
  TlineMan& lm = createLineman();
  TpolyXyValues spare;
  return areaHit(
      obTypes, [&](Tgob& g) { return trig.BoxesIntersect(bx1, by1, bx2, by2, g.x1, g.y1, g.x2, g.y2); },
      [&](Tgob& g, int32_t kind) { return lm.BoxHit(g.xy.list(spare), kind, 0, 0, 0, 0, bx1, by1, bx2, by2); }, false);
}

bool TgobArray::BoxHit(double bx1, double by1, double bx2, double by2) {
  return BoxHit(bx1, by1, bx2, by2, defaultTypes());
}

bool TgobArray::CircleHit(double x, double y, double radius, const bSet& obTypes) {
  Ttrig& trig = createTrig();
  TlineMan& lm = createLineman();
  TpolyXyValues spare;
  return areaHit(
      obTypes,
      [&](Tgob& g) { return trig.BoxesIntersect(x - radius, y - radius, x + radius, y + radius, g.x1, g.y1, g.x2, g.y2); },
      [&](Tgob& g, int32_t kind) {
        return lm.CircleHit(g.xy.list(spare), kind, 0, 0, 0, 0, x, y, radius);
      }, false);
}

bool TgobArray::CircleHit(double x, double y, double radius) { return CircleHit(x, y, radius, defaultTypes()); }

bool TgobArray::LineHit(const Txyvalues& linexy, double snap, const bSet& obTypes) {
  if (linexy.empty()) {
    fhits.clear();
    return false;
  }
  Ttrig& trig = createTrig();
  TlineMan& lm = createLineman();
  double lx1 = 0, ly1 = 0, lx2 = 0, ly2 = 0;
  lm.bounds(lx1, ly1, lx2, ly2, linexy);
  TpolyXyValues spare;
  return areaHit(
      obTypes,
      [&](Tgob& g) { return trig.BoxesIntersect(lx1 - snap, ly1 - snap, lx2 + snap, ly2 + snap, g.x1, g.y1, g.x2, g.y2); },
      [&](Tgob& g, int32_t kind) {
        return lm.LineHit(g.xy.list(spare), kind, 0, 0, 0, 0, linexy, snap);
      }, true);
}

bool TgobArray::LineHit(const Txyvalues& linexy, double snap) { return LineHit(linexy, snap, defaultTypes()); }

bool TgobArray::PolyHit(const Txyvalues& poly, const bSet& obTypes) { return PolyHit(TpolyXyValues{poly}, obTypes); }

bool TgobArray::PolyHit(const Txyvalues& poly) { return PolyHit(poly, defaultTypes()); }

bool TgobArray::PolyHit(const TpolyXyValues& poly, const bSet& obTypes) {
  if (poly.empty() || poly[0].empty()) {
    fhits.clear();
    return false;
  }
  Ttrig& trig = createTrig();
  TlineMan& lm = createLineman();
  double px1 = 0, py1 = 0, px2 = 0, py2 = 0;
  lm.bounds(px1, py1, px2, py2, poly);
  TpolyXyValues spare;
  return areaHit(
      obTypes, [&](Tgob& g) { return trig.BoxesIntersect(px1, py1, px2, py2, g.x1, g.y1, g.x2, g.y2); },
      [&](Tgob& g, int32_t kind) { return lm.PolyHit(g.xy.list(spare), kind, 0, 0, 0, 0, poly); }, false);
}

bool TgobArray::PolyHit(const TpolyXyValues& poly) { return PolyHit(poly, defaultTypes()); }
