// TCutLoop and TCutPoly: cutting a ring, or a polygon with holes, along a line whose ends lie on
// its boundary. Each piece is the ring walked from one end to the other and back along the line;
// the line's own ends stand at the cuts, so the pieces close exactly. A boundary cut by many chains
// (MakeManifold) is cut as runs of points (r_Geom_manifold.cpp) where it can.
#include <cmath>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "geometry/r_Geom_internal.h"

namespace {

// A ring walked from a position: its distinct vertices (the closing point not repeated), so a
// walk may wrap past the end. Positions (v, u) are as PointOnLine gives them on the ring.
struct RingWalk {
  const Txyvalues& ring;
  int32_t m;  // distinct vertices
  explicit RingWalk(const Txyvalues& r)
      : ring(r), m(count(r) - (r.size() > 1 && r.front() == r.back() ? 1 : 0)) {}
  // Appends the vertices strictly after position (v, u) and strictly before (w, t) going on round
  // the ring; the whole way round when the positions are equal.
  void between(Txyvalues& out, int32_t v, int32_t w, double t, bool wraps) const {
    const int32_t last = (t > 0 ? w : w - 1) + (wraps ? m : 0);
    for (int32_t k = v + 1; k <= last; ++k) geom::addPoint(out, ring[static_cast<size_t>(k % m)]);
  }
  [[nodiscard]] bool valid(int32_t v, double u) const { return m >= 2 && v >= 0 && v < m && u >= 0 && u < 1; }
};

// The ring turned to start and end at position (v, u), the point there set to p exactly.
bool turn(Txyvalues& ring, int32_t v, double u, const xyrec& p) {
  if (v == 0 && u == 0) return true;
  const RingWalk walk(ring);
  if (!walk.valid(v, u)) return false;
  Txyvalues turned{p};
  turned.reserve(ring.size() + 1);
  walk.between(turned, v, v, u, true);
  geom::addPoint(turned, p);
  ring = std::move(turned);
  return true;
}

bool sameEnds(const Txyvalues& xy) { return xy.size() < 2 || createLineman().equal(xy.front(), xy.back()); }

}  // namespace

bool TCutLoop::cut(const Txyvalues& loop, const Txyvalues& xy) {
  if (sameEnds(xy)) return false;
  TlineMan& lm = createLineman();
  x1 = xy.front().x;
  y1 = xy.front().y;
  x2 = xy.back().x;
  y2 = xy.back().y;
  int32_t w1 = 0, w2 = 0;
  double f1 = 0, f2 = 0;
  if (!lm.PointOnLine(x1, y1, loop, w1, f1) || !lm.PointOnLine(x2, y2, loop, w2, f2)) return false;
  v1 = w1;
  u1 = f1;
  v2 = w2;
  u2 = f2;
  return apply(loop, xy);
}

// Both pieces are walked straight off the ring: from the first end round to the second and on
// back to the first, each closed by the cut line (the ring is not turned first).
bool TCutLoop::apply(const Txyvalues& loop, const Txyvalues& xy) {
  if (sameEnds(xy)) return false;
  const RingWalk walk(loop);
  if (!walk.valid(v1, u1) || !walk.valid(v2, u2) || (v1 == v2 && u1 == u2)) return false;
  const bool forward = v2 + u2 > v1 + u1;
  Txyvalues head{xy.front()}, tail{xy.back()};
  walk.between(head, v1, v2, u2, !forward);
  walk.between(tail, v2, v1, u1, forward);
  geom::addPoint(head, xy.back());
  geom::addPoint(tail, xy.front());
  a = std::move(head);
  geom::appendLine(a, xy, true);
  b = xy;
  geom::appendLine(b, tail);
  return true;
}

bool TCutPoly::cut(TpolyXyValues& poly, const Txyvalues& xy) {
  results.clear();
  if (poly.empty() || sameEnds(xy)) return false;
  if (poly.size() == 1) {
    if (!cl.cut(poly[0], xy)) return false;
    results = {{cl.left()}, {cl.right()}};
    return true;
  }
  TlineMan& lm = createLineman();
  cl.x1 = xy.front().x;
  cl.y1 = xy.front().y;
  cl.x2 = xy.back().x;
  cl.y2 = xy.back().y;
  auto locate = [&](double x, double y, int32_t& v, double& u) {
    for (int32_t r = 0; r < count(poly); ++r)
      if (lm.PointOnLine(x, y, poly[r], v, u)) return r;
    return -1;
  };
  int32_t v1 = 0, v2 = 0;
  double u1 = 0, u2 = 0;
  const int32_t l1 = locate(cl.x1, cl.y1, v1, u1);
  if (l1 < 0) return false;
  const int32_t l2 = locate(cl.x2, cl.y2, v2, u2);
  if (l2 < 0) return false;
  cl.v1 = v1;
  cl.u1 = u1;
  cl.v2 = v2;
  cl.u2 = u2;
  TpolyXyValues list;
  if (l1 == l2) {
    if (!cl.apply(poly[l1], xy)) return false;
    list = {cl.left(), cl.right()};
  } else {
    Txyvalues r1 = poly[l1], r2 = poly[l2];
    if (!turn(r1, v1, u1, xy.front()) || !turn(r2, v2, u2, xy.back())) return false;
    // The larger ring takes in the other along the line, there and back.
    Txyvalues joined;
    if (std::abs(lm.area(r1)) > std::abs(lm.area(r2))) {
      joined = r1;
      geom::appendLine(joined, xy);
      geom::appendLine(joined, r2);
      geom::appendLine(joined, xy, true);
      poly[l1] = joined;
      poly[l2] = r2;
    } else {
      joined = r2;
      geom::appendLine(joined, xy, true);
      geom::appendLine(joined, r1);
      geom::appendLine(joined, xy);
      poly[l1] = r1;
      poly[l2] = joined;
    }
    list = {joined};
  }
  for (int32_t r = 0; r < count(poly); ++r)
    if (r != l1 && r != l2) list.push_back(poly[r]);
  // Every ring becomes a polygon with the rings directly inside it as holes; a ring inside an odd
  // number of others is a hole, not a polygon of its own.
  TiList parents;
  TpolyPolyXYvalues grouped;
  geom::parentPolys(lm, list, grouped, true, parents, true);
  for (size_t i = 0; i < grouped.size(); ++i)
    if (geom::nestingDepth(parents, static_cast<int32_t>(i)) % 2 == 0) results.push_back(std::move(grouped[i]));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Manifolds: a boundary or a polygon cut by chains

namespace {
xyrec firstMidpoint(const Txyvalues& chain) {
  return {(chain[0].x + chain[1].x) / 2, (chain[0].y + chain[1].y) / 2};
}
}  // namespace

void TlineMan::MakeManifold(const Txyvalues& edge, const TpolyXyValues& chains, TpolyPolyXYvalues& results) {
  TprocScope proc(*this, "MakeManifold");
  seterr("a1");
  results.clear();
  TpolyXyValues pieces{edge};
  closeLoop(pieces[0]);
  seterr("a");
  TpolyXyValues rings;
  for (const Txyvalues& chain : chains)
    if (chain.size() >= 2 && closed(chain)) rings.push_back(chain);
  // The pieces as runs of the edge and the chains where it can; the same cuts on arrays else.
  const Txyvalues whole = pieces[0];
  if (!geom::cutByChains(*this, whole, chains, pieces)) {
    TCutLoop cutter;
    for (const Txyvalues& chain : chains) {
      if (chain.size() < 2 || closed(chain)) continue;
      const xyrec mid = firstMidpoint(chain);
      for (Txyvalues& piece : pieces) {
        if (!inLoop(mid.x, mid.y, piece)) continue;
        // A chain that does not reach the piece's boundary at both ends leaves it whole.
        if (cutter.cut(piece, chain)) {
          piece = std::move(cutter.a);
          pieces.push_back(std::move(cutter.b));
        }
        break;
      }
    }
  }
  seterr("b");
  pieces.insert(pieces.end(), rings.begin(), rings.end());
  seterr("c");
  // The boundary cut by nothing is one polygon.
  TiList parents;
  geom::parentPolys(*this, pieces, results, true, parents, true);
  seterr("d");
}

void TlineMan::MakeManifold(double x1, double y1, double x2, double y2, const TpolyXyValues& chains,
                            TpolyPolyXYvalues& results) {
  MakeManifold(Txyvalues{{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}}, chains, results);
}

void TlineMan::MakeManifold(double centrex, double centreY, double xRadius, double yRadius, int32_t ellipseSteps,
                            const TpolyXyValues& chains, TpolyPolyXYvalues& results) {
  results.clear();
  if (ellipseSteps < 3 || ellipseSteps > kMaxNewPoints) {
    log("MakeManifold: an ellipse of " + std::to_string(ellipseSteps) + " steps");
    return;
  }
  Txyvalues edge;
  for (int32_t k = 0; k <= ellipseSteps; ++k) {
    const double t = k * 360.0 / ellipseSteps * 0.0174532925199433;
    edge.push_back({centrex + xRadius * std::sin(t), centreY + yRadius * std::cos(t)});
  }
  edge.back() = edge.front();
  MakeManifold(edge, chains, results);
}

void TlineMan::MakeManifold(const TpolyXyValues& poly, const TpolyXyValues& chains, TpolyPolyXYvalues& results) {
  TprocScope proc(*this, "MakeManifold (polys)");
  results = {poly};
  TCutPoly cutter;
  for (const Txyvalues& chain : chains) {
    seterr("a");
    if (chain.size() < 2) continue;
    if (closed(chain)) {
      seterr("b");
      const auto holder = std::find_if(results.begin(), results.end(),
                                       [&](const TpolyXyValues& p) { return inPolygon(chain[0].x, chain[0].y, p); });
      if (holder == results.end()) continue;
      // The chain is a hole of the polygon holding it and encloses a polygon of its own, which
      // takes over the holes that lie inside the chain; the caller keeps the faces it wants.
      const bool clockwise = area(chain) >= 0;
      TpolyXyValues inner{clockwise ? chain : geom::reversed(chain)};
      TpolyXyValues& outer = *holder;
      for (size_t r = outer.size(); r-- > 1;)
        if (!outer[r].empty() && inLoop(outer[r][0].x, outer[r][0].y, chain)) {
          inner.insert(inner.begin() + 1, std::move(outer[r]));
          outer.erase(outer.begin() + static_cast<std::ptrdiff_t>(r));
        }
      outer.push_back(clockwise ? geom::reversed(chain) : chain);
      results.push_back(std::move(inner));
      continue;
    }
    seterr("c");
    const xyrec mid = firstMidpoint(chain);
    for (size_t k = 0; k < results.size(); ++k) {
      if (!inPolygon(mid.x, mid.y, results[k])) continue;
      if (cutter.cut(results[k], chain)) {
        results.erase(results.begin() + static_cast<std::ptrdiff_t>(k));
        results.insert(results.end(), cutter.results.begin(), cutter.results.end());
      }
      break;
    }
  }
  seterr("");
}
