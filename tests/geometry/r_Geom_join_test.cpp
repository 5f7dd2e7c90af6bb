// Overlap classes, identity, shared edges (the closing point included) and joining neighbours.
#include <gtest/gtest.h>

#include "geometry/r_Geom.h"

namespace {

Txyvalues square(double x, double y, double s) {  // clockwise with y up, closed
  return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}};
}

TEST(TlineManJoin, OverlapClasses) {
  TlineMan lm;
  struct {
    const char* id;
    Txyvalues a, b;
    int32_t expect;
  } const cases[] = {
      {"inside", square(2, 2, 2), square(0, 0, 10), overlap_ainb},
      {"around", square(0, 0, 10), square(2, 2, 2), overlap_bina},
      {"corner", square(0, 0, 10), square(8, 8, 5), overlap_cut},
      {"disjoint", square(0, 0, 1), square(5, 5, 1), overlap_none},
      {"boxes meet, rings apart", Txyvalues{{0, 0}, {0, 10}, {10, 10}, {0, 0}}, square(6, 1, 2), overlap_none},
      {"point inside", Txyvalues{{5, 5}}, square(0, 0, 10), overlap_ainb},
      {"empty", Txyvalues{}, square(0, 0, 10), overlap_none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(lm.Overlap(c.a, c.b), c.expect);
  }
  EXPECT_EQ(lm.Overlap(square(1, 1, 8), TpolyXyValues{square(0, 0, 10), square(7, 7, 4)}), overlap_cut);
  EXPECT_EQ(lm.Overlap(TpolyXyValues{square(1, 1, 2)}, TpolyXyValues{square(0, 0, 10)}), overlap_ainb);
}

TEST(TlineManJoin, Identity) {
  TlineMan lm;
  const Txyvalues ring = square(0, 0, 1);
  const Txyvalues shifted{{0, 1}, {1, 1}, {1, 0}, {0, 0}, {0, 1}};
  Txyvalues back = ring;
  std::reverse(back.begin(), back.end());
  EXPECT_TRUE(lm.identical(ring, shifted));
  EXPECT_FALSE(lm.identical(ring, back));
  EXPECT_FALSE(lm.identical(Txyvalues{{0, 0}, {1, 1}}, Txyvalues{{1, 1}, {0, 0}}));
  EXPECT_TRUE(lm.identical(TpolyXyValues{ring, square(5, 5, 1)}, TpolyXyValues{square(5, 5, 1), shifted}));
  EXPECT_FALSE(lm.identical(TpolyXyValues{ring}, TpolyXyValues{}));
}

TEST(TlineManJoin, AdjacentSquaresJoinIntoOneRing) {
  TlineMan lm;
  Txyvalues a = square(0, 0, 1);
  const Txyvalues b = square(1, 0, 1);
  TiList la, lb;
  ASSERT_TRUE(lm.Adjacent(a, b, la, lb, true));
  EXPECT_EQ(la, TiList{2});
  EXPECT_EQ(lb, TiList{0});
  // The shared edge ends at b's closing point: matched through it as b's last point.
  const Txyvalues bFromCorner{{1, 1}, {2, 1}, {2, 0}, {1, 0}, {1, 1}};
  ASSERT_TRUE(lm.Adjacent(a, bFromCorner, la, lb, false));
  EXPECT_EQ(lb, TiList{3});
  EXPECT_FALSE(lm.Adjacent(a, square(5, 5, 1)));

  ASSERT_TRUE(lm.Join(a, b, true));
  EXPECT_EQ(a, (Txyvalues{{1, 1}, {2, 1}, {2, 0}, {1, 0}, {0, 0}, {0, 1}, {1, 1}}));
  EXPECT_DOUBLE_EQ(lm.area(a), 2);

  // Polygons: b is emptied on success, a gains the joined ring.
  TpolyXyValues pa{square(0, 0, 1)}, pb{square(1, 0, 1)};
  ASSERT_TRUE(lm.Join(pa, pb, true, false));
  EXPECT_DOUBLE_EQ(lm.area(pa), 2);
  ASSERT_EQ(pb.size(), 1u);
  EXPECT_TRUE(pb[0].empty());
  TpolyXyValues pc{square(0, 0, 1)}, pd{square(5, 5, 1)};
  EXPECT_FALSE(lm.Join(pc, pd, true, false));
  EXPECT_TRUE(lm.Join(pc, pd, true, true));  // kept as a separate ring
  EXPECT_EQ(pc.size(), 2u);
  Tpoints pla, plb;
  EXPECT_TRUE(lm.Adjacent(TpolyXyValues{square(0, 0, 1)}, TpolyXyValues{square(9, 9, 1), square(1, 0, 1)}, pla, plb,
                          true));
  EXPECT_EQ(plb, (Tpoints{{1, 0}}));
  EXPECT_TRUE(lm.Adjacent(TpolyXyValues{square(0, 0, 1)}, TpolyXyValues{square(1, 0, 1)}));
}

TEST(TlineManJoin, SelfAdjacentAndSelfJoin) {
  TlineMan lm;
  // A square and its hole joined by a bridge (0,0)-(1,1) run out and back.
  Txyvalues bridged{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}, {1, 1},        {2, 1},
                    {2, 2}, {1, 2}, {1, 1.0000001}, {0, 0}};
  TiList links;
  ASSERT_TRUE(lm.SelfAdjacent(bridged, links));
  EXPECT_EQ(links, (TiList{4, 9}));
  EXPECT_EQ(bridged[9], (xyrec{1, 1}));  // snapped in the caller's ring
  TpolyXyValues out;
  ASSERT_TRUE(lm.SelfJoin(bridged, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_DOUBLE_EQ(lm.area(out[0]), 16);
  EXPECT_DOUBLE_EQ(lm.area(out[1]), -1);  // the hole, anticlockwise
  TpolyXyValues none;
  EXPECT_FALSE(lm.SelfJoin(TpolyXyValues{square(0, 0, 1)}, none));
  EXPECT_TRUE(none.empty());
}

}  // namespace
