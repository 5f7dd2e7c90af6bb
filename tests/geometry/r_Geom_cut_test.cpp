// Cutting rings and polygons along a line whose ends lie on the boundary, and a boundary cut by
// many chains held as runs of points, piece for piece as the array cutter gives them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "geometry/r_Geom.h"
#include "geometry/r_Geom_index.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::anti;
using geomtest::expectLine;
using geomtest::sortedAreas;
using geomtest::shifted;
using geomtest::square;


bool closedExactly(const Txyvalues& r) { return r.size() >= 4 && r.front() == r.back(); }

TEST(TCutLoop, SquareInTwo) {
  TlineMan& lm = createLineman();
  struct {
    const char* id;
    Txyvalues line;
    double leftArea, rightArea;
  } const cases[] = {
      {"left side to right side", {{0, 5}, {10, 5}}, 50, 50},
      {"from the first vertex", {{0, 0}, {5, 5}, {10, 10}}, 50, 50},
      {"to the first vertex", {{10, 10}, {0, 0}}, 50, 50},
      {"vertex to side", {{0, 10}, {10, 5}}, 25, 75},
      {"a dent", {{0, 2}, {3, 5}, {0, 8}}, 9, 91},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TCutLoop cl;
    ASSERT_TRUE(cl.cut(square(0, 0, 10), c.line));
    EXPECT_TRUE(closedExactly(cl.left()));
    EXPECT_TRUE(closedExactly(cl.right()));
    EXPECT_NEAR(std::abs(lm.area(cl.left())) + std::abs(lm.area(cl.right())), 100, 1e-9);
    const double small = std::min(std::abs(lm.area(cl.left())), std::abs(lm.area(cl.right())));
    EXPECT_NEAR(small, std::min(c.leftArea, c.rightArea), 1e-9);
  }
  TCutLoop cl;
  ASSERT_TRUE(cl.cut(square(0, 0, 10), {{0, 5}, {10, 5}}));
  expectLine(cl.left(), {{0, 5}, {0, 10}, {10, 10}, {10, 5}, {0, 5}});
  expectLine(cl.right(), {{0, 5}, {10, 5}, {10, 0}, {0, 0}, {0, 5}});
}

TEST(TCutLoop, FailuresLeaveThePiecesAlone) {
  TCutLoop cl;
  ASSERT_TRUE(cl.cut(square(0, 0, 10), {{0, 5}, {10, 5}}));
  const Txyvalues left = cl.left(), right = cl.right();
  for (const Txyvalues& bad : {Txyvalues{{0, 5}, {12, 5}}, Txyvalues{{0, 5}}, Txyvalues{}, Txyvalues{{0, 5}, {3, 3}, {0, 5}},
                               Txyvalues{{-1, 5}, {10, 5}}, Txyvalues{{0, NAN}, {10, 5}}}) {
    EXPECT_FALSE(cl.cut(square(0, 0, 10), bad));
    EXPECT_EQ(cl.left(), left);
    EXPECT_EQ(cl.right(), right);
  }
}

TEST(TCutPoly, OneRingAndHoles) {
  TlineMan& lm = createLineman();
  TCutPoly cp;
  TpolyXyValues one{square(0, 0, 10)};
  ASSERT_TRUE(cp.cut(one, {{0, 5}, {10, 5}}));
  ASSERT_EQ(cp.results.size(), 2u);
  EXPECT_NEAR(std::abs(lm.area(cp.results[0][0])), 50, 1e-9);

  // From the outer ring to the hole: one ring of the polygon's area.
  TpolyXyValues holed{square(0, 0, 10), anti(4, 4, 2)};
  ASSERT_TRUE(cp.cut(holed, {{0, 5}, {4, 5}}));
  ASSERT_EQ(cp.results.size(), 1u);
  ASSERT_EQ(cp.results[0].size(), 1u);
  EXPECT_NEAR(lm.area(cp.results[0][0]), 96, 1e-9);
  EXPECT_TRUE(closedExactly(cp.results[0][0]));
  EXPECT_EQ(holed[0].size(), cp.results[0][0].size());  // the caller's outer ring was joined in place

  // Across, missing the hole: two pieces, the hole staying a hole of one of them.
  holed = {square(0, 0, 10), anti(4, 4, 2)};
  ASSERT_TRUE(cp.cut(holed, {{0, 2}, {10, 2}}));
  ASSERT_EQ(cp.results.size(), 2u);
  double total = 0;
  for (const TpolyXyValues& p : cp.results) total += lm.area(p);
  EXPECT_NEAR(total, 96, 1e-9);

  // Between two holes: they become one.
  TpolyXyValues twoHoles{square(0, 0, 10), anti(1, 4, 2), anti(7, 4, 2)};
  ASSERT_TRUE(cp.cut(twoHoles, {{3, 5}, {7, 5}}));
  ASSERT_EQ(cp.results.size(), 1u);
  EXPECT_EQ(cp.results[0].size(), 2u);
  EXPECT_NEAR(lm.area(cp.results[0]), 92, 1e-9);

  // An end off every ring: false, the polygon untouched.
  holed = {square(0, 0, 10), anti(4, 4, 2)};
  const TpolyXyValues before = holed;
  EXPECT_FALSE(cp.cut(holed, {{0, 5}, {5, 5}}));
  EXPECT_TRUE(cp.results.empty());
  EXPECT_EQ(holed, before);
}

void expectAreas(TlineMan& lm, const TpolyPolyXYvalues& polys, std::vector<double> want) {
  const std::vector<double> got = sortedAreas(lm, polys);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << i;
}

TEST(TlineManManifold, BoundaryCutByChains) {
  TlineMan& lm = createLineman();
  TpolyPolyXYvalues out;
  lm.MakeManifold(0, 0, 10, 10, {{{0, 5}, {10, 5}}, {{5, 5}, {5, 10}}}, out);
  expectAreas(lm, out, {25, 25, 50});
  // A chain cuts the piece holding its first segment's midpoint; one that stops short cuts nothing.
  lm.MakeManifold(0, 0, 10, 10, {{{0, 5}, {6, 5}}}, out);
  expectAreas(lm, out, {100});
  // A closed chain is a hole of the piece around it and a polygon of its own.
  lm.MakeManifold(square(0, 0, 10), {anti(2, 2, 2)}, out);
  expectAreas(lm, out, {4, 96});
  lm.MakeManifold(square(0, 0, 10), {}, out);
  expectAreas(lm, out, {100});
  for (const TpolyXyValues& p : out)
    for (size_t r = 0; r < p.size(); ++r) EXPECT_EQ(lm.area(p[r]) >= 0, r == 0);

  // An ellipse cut along its axis: two halves of the inscribed polygon.
  const double w = 90 * 0.0174532925199433;
  lm.MakeManifold(0, 0, 4, 2, 36, {{{4 * std::sin(w), 2 * std::cos(w)}, {4 * std::sin(3 * w), 2 * std::cos(3 * w)}}},
                  out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(lm.area(out[0]), lm.area(out[1]), 1e-9);
  lm.MakeManifold(0, 0, 4, 2, 0, {}, out);
  EXPECT_TRUE(out.empty());
}

TEST(TlineManManifold, PolygonCutByChains) {
  TlineMan& lm = createLineman();
  TpolyPolyXYvalues out;
  const TpolyXyValues holed{square(0, 0, 10), anti(4, 4, 2)};
  lm.MakeManifold(holed, {{{0, 2}, {10, 2}}, {{5, 0}, {5, 2}}}, out);
  expectAreas(lm, out, {10, 10, 76});
  lm.MakeManifold(holed, {square(1, 1, 1)}, out);
  expectAreas(lm, out, {1, 95});
  // A closed chain around the hole takes the hole over; nested chains make nested faces.
  lm.MakeManifold(holed, {square(3, 3, 4)}, out);
  expectAreas(lm, out, {12, 84});
  lm.MakeManifold(holed, {square(0.5, 0.5, 1), square(0.25, 0.25, 2)}, out);
  expectAreas(lm, out, {1, 3, 92});
  lm.MakeManifold(holed, {}, out);
  expectAreas(lm, out, {96});
}

// The boundary cut by the chains in order on arrays, as the loop cutter does it: each chain cuts
// the first piece holding its first segment's midpoint.
TpolyXyValues cutOnArrays(TlineMan& lm, const Txyvalues& edge, const TpolyXyValues& chains) {
  TpolyXyValues pieces{edge};
  TCutLoop cutter;
  for (const Txyvalues& chain : chains) {
    if (chain.size() < 2 || lm.closed(chain)) continue;
    const xyrec mid{(chain[0].x + chain[1].x) / 2, (chain[0].y + chain[1].y) / 2};
    for (Txyvalues& piece : pieces) {
      if (!lm.inLoop(mid.x, mid.y, piece)) continue;
      if (cutter.cut(piece, chain)) {
        piece = cutter.a;
        pieces.push_back(cutter.b);
      }
      break;
    }
  }
  return pieces;
}

TEST(TlineManManifold, RunsCutAsTheArrayCutter) {
  TlineMan& lm = createLineman();
  const Txyvalues box = square(0, 0, 100);  // (0,0)-(100,100), clockwise
  TpolyXyValues arches, strokes, mixed;
  for (int k = 0; k < 40; ++k) {  // arches down from the top edge, every other one backwards
    Txyvalues arch{{2.0 * k + 1, 100}, {2.0 * k + 1.5, 97}, {2.0 * k + 2, 100}};
    if (k % 2) std::reverse(arch.begin(), arch.end());
    arches.push_back(arch);
  }
  for (int k = 1; k < 10; ++k) strokes.push_back({{0, 10.0 * k}, {50, 10.0 * k + 3}, {100, 10.0 * k}});
  mixed = {
      {{0, 0}, {50, 50}, {100, 100}},                 // corner to corner
      {{50, 50}, {60, 80}, {0, 100}},                 // from the last chain's middle point to a corner
      {{20, 100}, {20, 60}, {30, 30}},                // stops short: cuts nothing
      {{-5, 50}, {-10, 60}, {-5, 70}},                // outside every piece
      {{0, 0}, {25, 25}, {40, 40}, {50, 50}},         // along an earlier chain: no piece holds it
      {{100, 0}, {70, 10}, {100, 20}},                // ends on the right edge
      {{100, 5}, {95, 8}, {100, 11}, {95, 14}, {100, 17}},  // touches the edge on its way
      {{30, 0}, {30, 0.0000001}, {31, 0}},            // a sliver at the bottom
  };
  Txyvalues wavyEdge;  // a long clockwise boundary
  for (int i = 0; i < 3000; ++i) {
    const double a = -2 * M_PI * i / 3000;
    const double r = 100 * (1 + 0.05 * std::sin(9 * a));
    wavyEdge.push_back({r * std::cos(a), r * std::sin(a)});
  }
  wavyEdge.push_back(wavyEdge[0]);
  TpolyXyValues chords;
  for (int i = 0; i + 60 < 3000; i += 90) chords.push_back({wavyEdge[i], {0.9 * wavyEdge[i + 30].x, 0.9 * wavyEdge[i + 30].y}, wavyEdge[i + 60]});
  const struct {
    const char* id;
    Txyvalues edge;
    TpolyXyValues chains;
    size_t pieces;
  } cases[] = {
      {"arches off one edge", box, arches, 41},
      {"strokes across, each cutting the piece below the last", box, strokes, 10},
      {"strokes in the other order", box, TpolyXyValues(strokes.rbegin(), strokes.rend()), 10},
      {"corners, shared ends, misses", box, mixed, 5},
      {"an anticlockwise boundary", anti(0, 0, 100), mixed, 5},
      {"far off", shifted({box}, 1e7)[0], shifted(arches, 1e7), 41},
      {"a long boundary cut by chords", wavyEdge, chords, 34},
      {"no chains", box, {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues pieces;
    ASSERT_TRUE(geom::cutByChains(lm, c.edge, c.chains, pieces));
    const TpolyXyValues want = cutOnArrays(lm, c.edge, c.chains);
    ASSERT_EQ(pieces.size(), c.pieces);
    ASSERT_EQ(pieces.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(pieces[i], want[i]);
    }
  }
  // A point repeated side by side is left to the array cutter.
  TpolyXyValues pieces;
  EXPECT_FALSE(geom::cutByChains(lm, box, {{{0, 50}, {50, 50}, {50, 50}, {100, 50}}}, pieces));
  EXPECT_FALSE(geom::cutByChains(lm, {{0, 0}, {0, 100}, {0, 100}, {100, 100}, {100, 0}, {0, 0}}, {}, pieces));
  EXPECT_FALSE(geom::cutByChains(lm, {{0, 0}, {0, 100}, {100, 100}}, {}, pieces));  // open
}

}  // namespace
