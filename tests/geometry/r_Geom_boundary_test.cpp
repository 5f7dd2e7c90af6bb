// Right answers on every boundary: holes met twice by a clip or a cut, crossings near a vertex,
// points on a vertex, far-off coordinates, out-of-range curve pieces, segment distances, circle
// hits near a vertex and closed cutters starting inside. One row per case, each once wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::anti;
using geomtest::sortedAreas;
using geomtest::square;

// The square (0,0)-(10,10) with the hole (4,4)-(6,6).
TpolyXyValues holedSquare() { return {square(0, 0, 10), anti(4, 4, 2)}; }

void expectAreasNear(const TpolyPolyXYvalues& polys, const std::vector<double>& want) {
  const std::vector<double> got = sortedAreas(createLineman(), polys);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9 * want[i]) << i;
}

void expectClipPolygon(const TpolyXyValues& region, const Txyvalues& object, const std::vector<double>& want) {
  Tclipper c;
  EXPECT_EQ(c.clipToPolygon(region, {object}, o_polyGon), clip_cut);
  expectAreasNear(c.results, want);
}

void expectCut(const TpolyXyValues& poly, const Txyvalues& cutter, const std::vector<double>& want) {
  Tclipper c;
  EXPECT_EQ(c.cutPolygon(poly, cutter), clip_cut);
  expectAreasNear(c.results, want);
}

Txyvalues reversedLine(Txyvalues xy) {
  std::reverse(xy.begin(), xy.end());
  return xy;
}

// Every end of every line lies within 1e-12 of one of the points.
void expectEndsAmong(const TpolyXyValues& lines, const Txyvalues& points) {
  for (const Txyvalues& l : lines)
    for (const xyrec& e : {l.front(), l.back()})
      EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&](const xyrec& p) {
        return std::abs(p.x - e.x) <= 1e-12 && std::abs(p.y - e.y) <= 1e-12;
      })) << e.x << " " << e.y;
}

struct Case {
  const char* id;
  std::function<void()> check;
};

const Case kCases[] = {
    // A clip or cut that meets a hole twice: the two pieces of the cut hole share the line, and
    // the smaller must still be seen inside the larger.
    {"clip-crossing-hole-clockwise",
     [] { expectClipPolygon(holedSquare(), {{5, 3}, {5, 7}, {8, 7}, {8, 3}, {5, 3}}, {10}); }},
    {"clip-crossing-hole-anticlockwise",
     [] { expectClipPolygon(holedSquare(), reversedLine({{5, 3}, {5, 7}, {8, 7}, {8, 3}, {5, 3}}), {10}); }},
    {"clip-strip-over-hole", [] { expectClipPolygon(holedSquare(), {{3, 5}, {3, 7}, {8, 7}, {8, 5}, {3, 5}}, {8}); }},
    {"cut-hole-to-hole", [] { expectCut(holedSquare(), {{5, 6}, {5, 8}, {8, 8}, {8, 5}, {6, 5}}, {8, 88}); }},

    // A crossing near a vertex stays on the clip edge.
    {"clip-crossing-0.05-before-a-vertex-of-a-long-edge",
     [] {
       Tclipper c;
       EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {{{-990, 2}, {-990, 8}, {10.05, 8}, {10.05, 2}, {-990, 2}}}, o_polyGon),
                 clip_cut);
       expectAreasNear(c.results, {60});
     }},
    {"clip-crossing-0.005-before-a-vertex",
     [] {
       Tclipper c;
       EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {{{-90, 2}, {-90, 8}, {10.005, 8}, {10.005, 2}, {-90, 2}}}, o_polyGon),
                 clip_cut);
       expectAreasNear(c.results, {60});
     }},
    {"meeting-near-an-end-is-on-both-segments",
     [] {
       TlinesIntersect li;
       li.setA(0, 0, 38, 0);
       li.setB(37.9962, -1, 37.9962, 1);
       ASSERT_TRUE(li.intersects());
       EXPECT_DOUBLE_EQ(li.x0(), 37.9962);
       EXPECT_EQ(li.y0(), 0);
       EXPECT_FALSE(li.end2);
     }},
    {"noding-puts-the-node-on-both-lines",
     [] {
       TpolyIntersect pi;
       TpolyXyValues lines{{{0, 0}, {38, 0}}, {{37.9962, -1}, {37.9962, 1}}};
       pi.spaghetti(lines, true);
       EXPECT_EQ(lines.size(), 4u);
       expectEndsAmong(lines, {{0, 0}, {38, 0}, {37.9962, -1}, {37.9962, 1}, {37.9962, 0}});
     }},

    // A point on a vertex where the ring turns back at its largest x is on the boundary.
    {"point-on-notch-tip",
     [] {
       TlineMan lm;
       const Txyvalues ring{{0, 0}, {0, 4}, {2, 5}, {0, 6}, {0, 10}, {4, 10}, {4, 0}, {0, 0}};
       EXPECT_FALSE(lm.inLoop(2, 5, ring));
       EXPECT_FALSE(lm.inPolygon(2, 5, TpolyXyValues{ring}));
       EXPECT_FALSE(lm.inLoops(2, 5, TpolyXyValues{ring}));
       EXPECT_TRUE(lm.inOrOnPolygon(2, 5, 1e-6, TpolyXyValues{ring}));
       EXPECT_FALSE(lm.inLoop(1.9, 5, ring));  // in the notch
       EXPECT_TRUE(lm.inLoop(2.1, 5, ring));
     }},

    // Map coordinates: the products are summed about the first vertex.
    {"centroid-at-map-coordinates",
     [] {
       TlineMan lm;
       const Txyvalues tri{{1000333.3402173253, 1000173.9907584644},
                           {1000337.9768481145, 1000176.8946824218},
                           {1000331.2760360744, 1000176.8666537093},
                           {1000333.3402173253, 1000173.9907584644}};
       double x = 0, y = 0;
       lm.Centroid(tri, x, y);
       EXPECT_NEAR(x, 1000334.1977005047, 1e-8);
       EXPECT_NEAR(y, 1000175.9173648652, 1e-8);
     }},

    // A curve piece that does not exist gives the first vertex, however large its index.
    {"curve-piece-index-out-of-range",
     [] {
       Tsinuous s;
       s.setXY({{1, 2}, {5, 2}, {9, 6}});
       for (const int32_t index : {715827882, INT_MAX, 2, -1, INT_MIN}) {
         double x = -1, y = -1;
         s.getXY(x, y, 0.5, index);
         EXPECT_EQ(x, 1) << index;
         EXPECT_EQ(y, 2) << index;
       }
     }},

    // The nearest points may be two ends even when an end projects onto the other segment.
    {"segment-distance-end-to-end",
     [] {
       TlinesIntersect li;
       li.setA(0, 0, 10, 0);
       li.setB(10.5, 0.5, 5, 20);
       EXPECT_NEAR(li.Distance(), std::sqrt(0.5), 1e-12);
       EXPECT_EQ(li.closestXa, 10);
       EXPECT_EQ(li.closestYa, 0);
       EXPECT_EQ(li.closestXb, 10.5);
       EXPECT_EQ(li.closestYb, 0.5);
     }},

    // A circle touching a line near a vertex that lies outside it still hits.
    {"circle-hit-near-a-vertex",
     [] {
       TlineMan& lm = createLineman();
       const TpolyXyValues line{{{0, 0}, {10, 0}}};
       EXPECT_TRUE(lm.CircleHit(line, o_line, 0, 0, 0, 0, 9.6, 0.95, 1));
       EXPECT_NEAR(lm.hit().x, 9.6, 1e-12);
       EXPECT_TRUE(lm.CircleHit(line, o_line, 0, 0, 0, 0, 5, 0.95, 1));
       EXPECT_FALSE(lm.CircleHit(line, o_line, 0, 0, 0, 0, 9.6, 1.05, 1));
     }},

    // A closed cutter cuts wherever it starts.
    {"closed-cutter-starting-inside",
     [] { expectCut({square(0, 0, 10)}, {{8, 5}, {12, 3}, {12, 7}, {8, 5}}, {2, 98}); }},
    {"closed-cutter-starting-outside",
     [] { expectCut({square(0, 0, 10)}, {{12, 3}, {12, 7}, {8, 5}, {12, 3}}, {2, 98}); }},
};

TEST(GeometryBoundaries, EachCaseGivesTheRightAnswer) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.id);
    c.check();
  }
}

}  // namespace
