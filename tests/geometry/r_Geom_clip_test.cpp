// Tclipper: points, lines and polygons clipped to boxes, loops, polygons and the view; polygons
// and lines cut by a cutter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/Tview.h"
#include "geometry/r_Geom.h"
#include "tests/geometry/geom_test_util.h"

namespace {

using geomtest::anti;
using geomtest::expectLine;
using geomtest::square;

double areaOf(const TpolyPolyXYvalues& polys) {
  double a = 0;
  for (const TpolyXyValues& p : polys) a += createLineman().area(p);
  return a;
}

TEST(Tclipper, SharedClipperComesWithTheFirstLineManager) {
  freeLineman();
  EXPECT_EQ(clipper, nullptr);
  createLineman();
  ASSERT_NE(clipper, nullptr);
  freeLineman();
  EXPECT_EQ(clipper, nullptr);
}

TEST(Tclipper, LinesAndPointsToABox) {
  Tclipper c;
  EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {{{-5, 5}, {15, 5}}}, o_line), clip_cut);
  ASSERT_EQ(c.results.size(), 1u);
  expectLine(c.results[0][0], {{0, 5}, {10, 5}});
  // In and out twice: the two pieces inside.
  EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {{{-5, 2}, {15, 2}, {15, 8}, {-5, 8}}}, o_line), clip_cut);
  ASSERT_EQ(c.results.size(), 2u);
  expectLine(c.results[1][0], {{10, 8}, {0, 8}});

  struct {
    const char* id;
    TpolyXyValues xy;
    int32_t type, expect;
  } const cases[] = {
      {"line inside", {{{2, 2}, {8, 8}}}, o_line, clip_surround},
      {"line outside", {{{12, 2}, {18, 8}}}, o_line, clip_outside},
      {"boxes only touch", {{{10, 2}, {18, 8}}}, o_line, clip_outside},
      {"line around a corner, outside", {{{-1, 5}, {5, 11}, {12, 11}}}, o_line, clip_cut},
      {"point inside", {{{3, 3}}}, o_point, clip_surround},
      {"text inside", {{{3, 3}}}, 20, clip_surround},
      {"point outside", {{{13, 3}}}, o_point, clip_outside},
      {"other type", {{{3, 3}, {4, 4}}}, o_arrow, clip_unknown},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.id);
    EXPECT_EQ(c.clipToBox(0, 0, 10, 10, k.xy, k.type), k.expect);
    if (k.expect == clip_surround) EXPECT_TRUE(c.results.empty());
  }
}

TEST(Tclipper, PolygonsToABox) {
  Tclipper c;
  EXPECT_EQ(c.clipToBox(5, 5, 10, 10, {square(0, 0, 20)}, o_polyGon), clip_inside);
  ASSERT_EQ(c.results.size(), 1u);
  expectLine(c.results[0][0], square(5, 5, 5));

  EXPECT_EQ(c.clipToBox(5, 5, 15, 15, {square(0, 0, 10)}, o_polyGon), clip_cut);
  ASSERT_EQ(c.results.size(), 1u);
  EXPECT_NEAR(areaOf(c.results), 25, 1e-9);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  createLineman().bounds(x1, y1, x2, y2, c.results[0]);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{5, 5, 10, 10}));

  // A polygon around the box, with holes inside it and beside it.
  const TpolyXyValues holed{square(0, 0, 20), anti(6, 6, 2), anti(14, 14, 2)};
  EXPECT_EQ(c.clipToBox(5, 5, 10, 10, holed, o_polyGon), clip_inside);
  ASSERT_EQ(c.results[0].size(), 2u);
  EXPECT_NEAR(areaOf(c.results), 21, 1e-9);
  // A box inside a hole is outside the polygon; a polygon inside the box is surrounded.
  EXPECT_EQ(c.clipToBox(14.5, 14.5, 15.5, 15.5, holed, o_polyGon), clip_outside);
  EXPECT_EQ(c.clipToBox(-1, -1, 21, 21, holed, o_polyGon), clip_surround);
  // A hole cut by the box.
  EXPECT_EQ(c.clipToBox(7, 7, 12, 12, holed, o_polyGon), clip_cut);
  EXPECT_NEAR(areaOf(c.results), 24, 1e-9);
  // The polygon's edges along the box's: the box is inside it.
  EXPECT_EQ(c.clipToBox(0, 0, 5, 5, {square(0, 0, 10)}, o_polyGon), clip_cut);
  EXPECT_NEAR(areaOf(c.results), 25, 1e-9);
  // Two lobes inside the box.
  const Txyvalues u{{0, 0}, {0, 10}, {3, 10}, {3, 2}, {7, 2}, {7, 10}, {10, 10}, {10, 0}, {0, 0}};
  EXPECT_EQ(c.clipToBox(-1, 5, 11, 12, {u}, o_polyGon), clip_cut);
  EXPECT_EQ(c.results.size(), 2u);
  EXPECT_NEAR(areaOf(c.results), 30, 1e-9);
}

TEST(Tclipper, LoopsAndPolygons) {
  Tclipper c;
  const Txyvalues diamond{{5, 0}, {0, 5}, {5, 10}, {10, 5}, {5, 0}};
  EXPECT_EQ(c.clipToLoop(diamond, {square(0, 0, 5)}, o_polyGon), clip_cut);
  EXPECT_NEAR(areaOf(c.results), 12.5, 1e-9);
  EXPECT_EQ(c.clipToLoop(diamond, {{{5, 5}}}, o_point), clip_surround);
  EXPECT_EQ(c.clipToLoop(diamond, {{{0.5, 0.5}}}, o_point), clip_outside);

  const TpolyXyValues holed{square(0, 0, 10), anti(4, 4, 2)};
  EXPECT_EQ(c.clipToPolygon(holed, {{{-1, 5}, {11, 5}}}, o_line), clip_cut);
  EXPECT_EQ(c.results.size(), 2u);
  EXPECT_EQ(c.clipToPolygon(holed, {square(3, 3, 4)}, o_polyGon), clip_cut);
  EXPECT_NEAR(areaOf(c.results), 12, 1e-9);
  EXPECT_EQ(c.clipToPolygon(holed, {square(1, 1, 1)}, o_polyGon), clip_surround);
  EXPECT_EQ(c.clipToPolygon(holed, {square(-5, -5, 30)}, o_polyGon), clip_inside);
  EXPECT_NEAR(areaOf(c.results), 96, 1e-9);
  EXPECT_EQ(c.clipToPolygon(holed, {square(20, 20, 1)}, o_polyGon), clip_outside);
  EXPECT_EQ(c.clipToPolygon(holed, {{{5, 5}}}, o_point), clip_outside);
  EXPECT_EQ(c.clipToPolygon(holed, {{{3, 5}}}, o_point), clip_surround);
  // An object with a hole of its own around the polygon's hole.
  EXPECT_EQ(c.clipToPolygon(holed, {square(-1, -1, 12), anti(3, 3, 4)}, o_polyGon), clip_cut);
  EXPECT_NEAR(areaOf(c.results), 84, 1e-9);
}

TEST(Tclipper, CutPolygonsAndLines) {
  Tclipper c;
  const TpolyXyValues sq{square(0, 0, 10)};
  EXPECT_EQ(c.cutPolygon(sq, {{5, -1}, {5, 11}}), clip_cut);
  ASSERT_EQ(c.results.size(), 2u);
  EXPECT_NEAR(createLineman().area(c.results[0]), 50, 1e-9);
  EXPECT_NEAR(createLineman().area(c.results[1]), 50, 1e-9);

  EXPECT_EQ(c.cutPolygon(sq, square(2, 2, 2)), clip_surround);
  ASSERT_EQ(c.results.size(), 2u);
  ASSERT_EQ(c.results[0].size(), 2u);
  EXPECT_NEAR(createLineman().area(c.results[0]), 96, 1e-9);
  EXPECT_NEAR(createLineman().area(c.results[1]), 4, 1e-9);
  EXPECT_EQ(c.cutPolygon(sq, {{2, 2}, {4, 4}}), clip_invalid);
  EXPECT_EQ(c.cutPolygon(sq, {{12, 2}, {14, 4}}), clip_outside);

  // A polygon with a hole, cut through the hole.
  EXPECT_EQ(c.cutPolygon({square(0, 0, 10), anti(4, 4, 2)}, {{5, -1}, {5, 11}}), clip_cut);
  ASSERT_EQ(c.results.size(), 2u);
  EXPECT_NEAR(areaOf(c.results), 96, 1e-9);

  EXPECT_EQ(c.cutLine({{0, 0}, {10, 0}}, {{5, -1}, {5, 1}}), clip_cut);
  ASSERT_EQ(c.results.size(), 2u);
  expectLine(c.results[0][0], {{0, 0}, {5, 0}});
  expectLine(c.results[1][0], {{5, 0}, {10, 0}});
  EXPECT_EQ(c.cutLine({{0, 0}, {10, 0}}, {{5, 1}, {5, 2}}), clip_outside);
  EXPECT_EQ(c.results.size(), 2u);  // left from before
}

TEST(Tclipper, ToTheView) {
  Tclipper c;
  Tview view;
  view.box = {0, 0, 100, 100};
  view.centrex = 50;
  view.centrey = 50;
  view.setmp(1);
  const TpolyXyValues line{{{-50, 50}, {150, 50}}};
  EXPECT_EQ(c.clip(view, line, o_line), clip_cut);
  ASSERT_EQ(c.results.size(), 1u);
  EXPECT_NEAR(createLineman().linelength(c.results[0][0]), 100, 1e-9);
  EXPECT_EQ(c.clip(view, line, o_line, 10), clip_cut);
  EXPECT_NEAR(createLineman().linelength(c.results[0][0]), 120, 1e-9);
  EXPECT_EQ(c.clip(view, {{{500, 500}}}, o_point), clip_outside);
  // Turned a quarter: clipped in pixels, the pieces given back in world coordinates.
  view.rotation = 90;
  EXPECT_EQ(c.clip(view, line, o_line), clip_cut);
  ASSERT_EQ(c.results.size(), 1u);
  EXPECT_NEAR(createLineman().linelength(c.results[0][0]), 100, 1e-6);
  EXPECT_NEAR(c.results[0][0][0].y, 50, 1e-6);
}

TEST(Tclipper, BadInputGivesDefinedAnswers) {
  Tclipper c;
  EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {}, o_polyGon), clip_outside);
  EXPECT_EQ(c.clipToBox(0, 0, 10, 10, {{}}, o_line), clip_outside);
  const TpolyXyValues nan{{{0, 0}, {NAN, 5}, {5, 5}, {0, 0}}};
  const int32_t r = c.clipToBox(1, 1, 4, 4, nan, o_polyGon);
  EXPECT_TRUE(r >= clip_unknown && r <= clip_invalid);
  // A self-crossing bow tie and a ring of one repeated point.
  c.clipToBox(1, 1, 3, 3, {{{0, 0}, {4, 4}, {4, 0}, {0, 4}, {0, 0}}}, o_polyGon);
  c.clipToBox(1, 1, 3, 3, {{{2, 2}, {2, 2}, {2, 2}, {2, 2}}}, o_polyGon);
  EXPECT_EQ(c.cutPolygon({square(0, 0, 10)}, {{5, 5}}), clip_invalid);
}

}  // namespace
