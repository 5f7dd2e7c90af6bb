// Bad input through kernel II: NaN and infinite coordinates, empty and one-point lines, repeated
// points, unclosed, collinear and self-crossing rings. Every operation answers and stays within its
// arrays (the sanitizer build checks the second).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::square;

const double kInf = std::numeric_limits<double>::infinity();

const struct {
  const char* id;
  Txyvalues xy;
} kBad[] = {
    {"empty", {}},
    {"one point", {{1, 1}}},
    {"two equal points", {{1, 1}, {1, 1}}},
    {"all equal", {{2, 2}, {2, 2}, {2, 2}, {2, 2}}},
    {"collinear ring", {{0, 0}, {5, 5}, {10, 10}, {0, 0}}},
    {"unclosed", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
    {"bow tie", {{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}}},
    {"NaN", {{0, 0}, {NAN, 5}, {5, 5}, {5, 0}, {0, 0}}},
    {"infinite", {{0, 0}, {kInf, 5}, {5, 5}, {0, 0}}},
    {"repeats", {{0, 0}, {0, 0}, {0, 10}, {0, 10}, {10, 10}, {10, 0}, {0, 0}, {0, 0}}},
};

TEST(KernelBadInput, EveryOperationAnswers) {
  TlineMan& lm = createLineman();
  for (const auto& c : kBad) {
    SCOPED_TRACE(c.id);
    Txyvalues xy = c.xy;
    Tdlist u{-1, 0.5, 1e300, NAN};
    TpolyXyValues pieces;
    lm.splitchain(xy, pieces, u);
    Txyvalues a = xy, b;
    lm.splitChain(a, b, 1, 0.5);
    lm.truncate(a, 0, 0.5, 99, 0.5);
    lm.extract(b, xy, -5, 0, 99, 0.5);
    Txyvalues r = xy;
    lm.resample(r, 1e-12, 0);
    lm.resampleWithoutloss(r, 1e-12);
    lm.removeShortSegments(r, 1);
    lm.eliminateSpikes(r);
    lm.eliminateSpikes(r, 0.5);
    lm.eliminateDuplicates(r);
    lm.selfCuts(xy);
    lm.selfcuts(xy, u);
    lm.selfCuts(xy, -1, 99);
    Tdlist ins{0.5, 2.5};
    Txyvalues withCuts = xy;
    lm.applySelfCuts(withCuts, ins);
    TpolyXyValues loops;
    lm.splitIntoLoops(xy, loops);
    TpolyXyValues poly{xy, square(1, 1, 1)};
    lm.CheckPolygon(poly);
    TpolyXyValues rings{xy, square(1, 1, 1)};
    TpolyPolyXYvalues polys;
    lm.ParentPolys(rings, polys, false);
    EXPECT_FALSE(polys.empty());
    TpolyXyValues lines{xy, {{0, 0}, {1, 0}}, xy};
    lm.StitchLines(lines);
    lm.MakeManifold(0, 0, 10, 10, {xy}, polys);
    lm.MakeManifold(TpolyXyValues{square(0, 0, 10)}, {xy}, polys);

    TpolyIntersect pi;
    pi.intersects(xy, TpolyXyValues{xy, square(0, 0, 10)});
    pi.insertresults(a, b);
    pi.selfCuts(xy, pieces);
    TpolyXyValues spag{xy, {{-1, 5}, {11, 5}}};
    pi.spaghetti(spag, true);
    pi.polysIntersect({xy}, {{{-1, 5}, {11, 5}}}, pieces);

    TCutPoly cp;
    TpolyXyValues cutme{xy};
    cp.cut(cutme, {{0, 5}, {10, 5}});
    TpolyXyValues sq{square(0, 0, 10)};
    cp.cut(sq, xy);

    Tclipper cl;
    for (int32_t type : {o_point, o_line, o_polyGon}) {
      const int32_t code = cl.clipToBox(2, 2, 8, 8, {xy}, type);
      EXPECT_TRUE(code >= clip_unknown && code <= clip_invalid);
      cl.clipToLoop(xy, {square(0, 0, 10)}, type);
      cl.clipToPolygon({square(0, 0, 10), xy}, {xy}, type);
    }
    cl.cutPolygon({square(0, 0, 10)}, xy);
    cl.cutLine(xy, {{5, -1}, {5, 11}});
  }
}

}  // namespace
