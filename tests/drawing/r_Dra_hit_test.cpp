// Hit tests of a drawing: hit types and positions of the point test, inside hits and holes,
// drawing order, texts along their points, and the box, circle, line and polygon tests.
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;

struct HitTest : DraTest {
  // 0 an open line, 1 a polygon with a hole, 2 a point, 3 a multi-line, 4 a text of two points.
  void SetUp() override {
    DraTest::SetUp();
    d.add(o_line, Txyvalues{{0, 0}, {10, 0}, {10, 10}});
    d.add(o_polyGon, TpolyXyValues{box(20, 0, 40, 20), drafix::reversed(box(25, 5, 35, 15))});
    d.addPoint(50, 50);
    d.add(o_multiline, TpolyXyValues{{{60, 0}, {70, 10}}, {{60, 10}, {70, 0}}});
    d.add(o_text, Txyvalues{{80, 0}, {90, 0}});
  }
  std::vector<int> indices() {
    std::vector<int> v;
    for (int i = 0; i < d.hits().count(); ++i) v.push_back(d.hits().item(i).index);
    return v;
  }
  TgobArray d;
};

TEST_F(HitTest, PointTestHitTypes) {
  struct Case {
    const char* id;
    double x, y;
    int index, hittype, vertex, loop;
    double hx, hy;
    bool end;
  };
  const Case cases[] = {
      {"first vertex of an open line", 0.05, 0.05, 0, 14, 0, 0, 0, 0, true},
      {"last vertex", 10, 10.05, 0, 22, 2, 0, 10, 10, true},
      {"inner vertex", 9.95, 0, 0, 6, 1, 0, 10, 0, false},
      {"segment", 5, 0.05, 0, 2, 0, 0, 5, 0, false},
      {"hole ring", 30, 5.05, 1, 2, 0, 1, 30, 5, false},
      {"inside", 22, 2, 1, 1, 0, 0, 0, 0, false},
      {"point within the square", 50.09, 49.91, 2, 36, 0, 0, 50, 50, false},
      {"text at a point", 80, 0.05, 4, 4 | 2 | 8 | 64, 0, 0, 80, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_TRUE(d.hit(c.x, c.y, 0.1));
    ASSERT_EQ(d.hits().count(), 1);
    const Thitrec& h = d.hits().item(0);
    EXPECT_EQ(h.index, c.index);
    EXPECT_EQ(h.hittype, c.hittype);
    EXPECT_EQ(d.hittest, c.hittype);
    EXPECT_EQ(h.uid, c.index);
    EXPECT_EQ(h.obType, d.slot(c.index)->obType());
    if (c.hittype != 1) {
      EXPECT_EQ(h.vertex, c.vertex);
      EXPECT_EQ(h.loop, c.loop);
      EXPECT_NEAR(h.x, c.hx, 1e-12);
      EXPECT_NEAR(h.y, c.hy, 1e-12);
    }
    EXPECT_EQ(d.hits().isAnEnd, c.end);
  }
  EXPECT_FALSE(d.hit(62, 8, 0.1)) << "multi-lines are not in the default set";
  ASSERT_TRUE(d.hit(62, 8.05, 0.1, obSet({o_multiline})));
  EXPECT_EQ(d.hits().item(0).loop, 1);
  // the point 0.9 snap away in both directions: outside the circle, inside the square
  ASSERT_TRUE(d.hit(50.9, 50.9, 1));
  EXPECT_EQ(d.hits().item(0).hittype, 36);
  EXPECT_FALSE(d.hit(45, 45, 1));
}

TEST_F(HitTest, InsideHitsAndHoles) {
  EXPECT_TRUE(d.hit(22, 2, 0.1));
  EXPECT_EQ(d.polyIn, 1);
  EXPECT_FALSE(d.hitEdge(22, 2, 0.1));
  EXPECT_EQ(d.hits().count(), 0);
  EXPECT_EQ(d.polyIn, 1);
  EXPECT_FALSE(d.hit(30, 10, 0.1)) << "inside the hole";
  EXPECT_EQ(d.polyIn, -1);
  EXPECT_EQ(d.hitPolyOuterLoop(30, 10), 1) << "holes are not looked at";
  EXPECT_EQ(d.hitPolyOuterLoop(45, 10), -1);
}

TEST_F(HitTest, DrawingOrderAndOneHit) {
  d.add(o_polyGon, TpolyXyValues{box(21, 1, 39, 4)});
  d.add(o_polyGon, TpolyXyValues{box(0, 0, 100, 100)});
  EXPECT_TRUE(d.hit(22, 2, 0.1));
  EXPECT_EQ(indices(), (std::vector<int>{1, 5, 6}));
  EXPECT_EQ(d.hitOne(22, 2, 0.1), 1);
  EXPECT_EQ(d.hits().count(), 1);
  EXPECT_EQ(d.hitPoly(22, 2), 1);
  EXPECT_EQ(d.hitPoly(30, 10), 6) << "the hole of 1 holds no inside";
  d.slot(6)->state = gob_hidden;
  EXPECT_EQ(d.hitPoly(30, 10), -1);
  EXPECT_EQ(d.hitPolyOuterLoop(99, 99), 6) << "hidden polygons count here";
}

TEST_F(HitTest, TextsAlongTheirPoints) {
  EXPECT_FALSE(d.hit(85, 0.05, 0.1)) << "between its points";
  d.slot(4)->setHjustify(32);
  ASSERT_TRUE(d.hit(85, 0.05, 0.1));
  EXPECT_EQ(d.hits().item(0).hittype, 2 | 64);
  Tgob& one = *d.slot(d.add(o_text, Txyvalues{{0, 50}}));
  (void)one;
  ASSERT_TRUE(d.hit(0.05, 50, 0.1));
  EXPECT_EQ(d.hits().item(0).hittype, 36);
}

TEST_F(HitTest, HiddenObjectsAndEmptySlotsAreNeverHit) {
  for (int i = 0; i < d.count(); ++i) d.slot(i)->state = gob_hidden;
  d.setlengthOfArray(d.count() + 2);  // empty slots at the end
  EXPECT_FALSE(d.hit(0, 0, 0.1));
  EXPECT_FALSE(d.hit(22, 2, 0.1));
  EXPECT_EQ(d.polyIn, -1);
  EXPECT_FALSE(d.BoxHit(-100, -100, 200, 200));
  EXPECT_FALSE(d.CircleHit(50, 50, 100));
  EXPECT_FALSE(d.LineHit(Txyvalues{{-1, -1}, {100, 100}}, 1));
  EXPECT_FALSE(d.PolyHit(box(-100, -100, 200, 200)));
  EXPECT_EQ(d.hitPolyOuterLoop(22, 2), 1);
  d.setlengthOfArray(0);
  EXPECT_EQ(d.hitPolyOuterLoop(22, 2), -1);
}

TEST_F(HitTest, AreaTests) {
  struct Case {
    const char* id;
    std::function<bool()> test;
    std::vector<int> found;
  };
  const Case cases[] = {
      {"box over the line and the polygon", [&] { return d.BoxHit(5, -1, 22, 1); }, {0, 1}},
      {"box given the other way round", [&] { return d.BoxHit(22, 1, 5, -1); }, {0, 1}},
      {"box across the multi-line and the text", [&] { return d.BoxHit(62, 2, 85, 8); }, {}},
      {"box over the text's first point", [&] { return d.BoxHit(79, -1, 81, 1); }, {4}},
      {"box inside the hole", [&] { return d.BoxHit(28, 8, 32, 12); }, {}},
      {"box inside the polygon", [&] { return d.BoxHit(21, 1, 22, 2); }, {1}},
      {"circle round the point", [&] { return d.CircleHit(52, 52, 3); }, {2}},
      {"circle short of the point", [&] { return d.CircleHit(52.5, 52.5, 3); }, {}},
      {"line across everything", [&] { return d.LineHit(Txyvalues{{-5, 5}, {100, 5}}, 0.1); }, {0, 1}},
      {"polygon over the polygon and the point", [&] { return d.PolyHit(box(38, 18, 55, 55)); }, {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.test(), !c.found.empty());
    EXPECT_EQ(indices(), c.found);
  }
  EXPECT_TRUE(d.BoxHit(-100, -100, 200, 200, obSet({o_point})));
  EXPECT_EQ(indices(), (std::vector<int>{2}));
}
}  // namespace
