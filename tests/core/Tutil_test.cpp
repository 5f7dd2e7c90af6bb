// The growable lists and their operations: repeat rules, inserts, sorted adds, joins.
#include "core/Tutil.h"

#include <gtest/gtest.h>

#include "core/r_base.h"

namespace {
Txyvalues line(std::initializer_list<xyrec> pts) { return Txyvalues(pts); }

TEST(Tutil, PointAddsSkipOnlyARepeatOfTheLastPoint) {
  Tutil u;
  Txyvalues xy;
  EXPECT_EQ(u.add(xy, 1, 2), 0);
  EXPECT_EQ(u.add(xy, 1, 2), 0);
  EXPECT_EQ(xy.size(), 1u);
  u.add(xy, 3, 4);
  EXPECT_EQ(u.add(xy, 1, 2), 2);  // only the last point is compared
  u.allowduplicates = true;
  EXPECT_EQ(u.add(xy, 1, 2), 3);
  u.allowduplicates = false;

  Txyvalues near{{0, 0}};
  EXPECT_EQ(u.add(near, 0.4, -0.4, 0.5), 0);
  EXPECT_EQ(u.add(near, 0.5, 0, 0.5), 1);  // the difference must be below the tolerance

  Txyzvalues xyz{{1, 2, 3}};
  EXPECT_EQ(u.add(xyz, 1, 2, 4), 1);
  EXPECT_EQ(u.add(xyz, 1, 2, 4), 1);
  Tpoints pts;
  u.add(pts, 5, 6);
  EXPECT_EQ(u.add(pts, 5, 6), 0);

  TpolyXyValues poly;
  u.add(poly, 2, 1.0, 1.0);
  ASSERT_EQ(poly.size(), 3u);
  EXPECT_EQ(u.count(2, poly), 1);
  EXPECT_EQ(u.count(0, poly), 0);
  EXPECT_EQ(u.count(7, poly), 0);
}

TEST(Tutil, InsertPlacesAfterPriorAndAppendsThroughAdd) {
  Tutil u;
  Txyvalues xy = line({{0, 0}, {1, 1}});
  u.insert(xy, 1, 1, 1);  // at the end and equal to the last point: nothing
  EXPECT_EQ(xy.size(), 2u);
  u.insert(xy, -1, 9, 9);
  EXPECT_EQ(xy, line({{9, 9}, {0, 0}, {1, 1}}));
  u.insert(xy, 0, 5, 5);
  EXPECT_EQ(xy, line({{9, 9}, {5, 5}, {0, 0}, {1, 1}}));

  TiList il{1, 2};
  u.insert(il, 1, 3);  // a number list appends at prior = length - 1
  u.insert(il, -1, 0);
  u.insert(il, 99, 4);  // past the end: appended, never written outside
  EXPECT_EQ(il, (TiList{0, 1, 2, 3, 4}));

  TpolyXyValues rings{line({{0, 0}})};
  u.insert(rings, 0, line({{1, 1}}));
  u.insert(rings, -1, line({{2, 2}}));
  ASSERT_EQ(rings.size(), 3u);
  EXPECT_EQ(rings[0], line({{2, 2}}));
  EXPECT_EQ(rings[2], line({{1, 1}}));
}

TEST(Tutil, SortedAdds) {
  Tutil u;
  struct Case { const char* id; Tdlist in; double v; bool lowest, dup; Tdlist out; int32_t at; } cases[] = {
      {"after equal keys", {1, 2, 2, 3}, 2, true, true, {1, 2, 2, 2, 3}, 3},
      {"refused before insertion place", {1, 2, 3}, 1, true, false, {1, 2, 3}, 1},
      {"refused at the end", {1, 2, 3}, 3, true, false, {1, 2, 3}, 2},
      {"descending", {3, 1}, 2, false, true, {3, 2, 1}, 1},
      {"empty", {}, 5, true, false, {5}, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(u.addSorted(c.in, c.v, c.lowest, c.dup), c.at);
    EXPECT_EQ(c.in, c.out);
  }

  TiList il{1, 3, 5};
  EXPECT_EQ(u.addSorted(il, 3, true, false), 1);
  EXPECT_EQ(il, (TiList{1, 3, 5}));
  EXPECT_EQ(u.addSorted(il, 3, true), 2);
  EXPECT_EQ(il, (TiList{1, 3, 3, 5}));

  Txyvalues xu = line({{10, 1}, {20, 3}});
  EXPECT_EQ(u.addSorted(xu, 30, 2), 1);
  EXPECT_EQ(u.addSorted(xu, 40, 2), 2);  // refused: the element before has the same key
  EXPECT_EQ(xu.size(), 3u);
  EXPECT_EQ(u.addSorted(xu, 40, 2, true), 2);
  EXPECT_EQ(xu, line({{10, 1}, {30, 2}, {40, 2}, {20, 3}}));
  EXPECT_EQ(u.addSorted(xu, 20, 3, true), 4);  // appended: allowed repeats reach the add as well
  EXPECT_FALSE(u.allowduplicates);              // restored after the call

  Txyzvalues xyu{{0, 0, 1}, {0, 0, 3}};
  EXPECT_EQ(u.addSorted(xyu, 5, 5, 1), 1);  // refused: the element before has the same key
  EXPECT_EQ(xyu.size(), 2u);
  EXPECT_EQ(u.addSorted(xyu, 5, 5, 2), 1);
  EXPECT_EQ(xyu[1], (xyzrec{5, 5, 2}));
  EXPECT_EQ(u.addSorted(xyu, 6, 6, 9), 3);

  Tpoints pt{{1, 0}, {3, 0}};
  EXPECT_EQ(u.addSorted(pt, 1, 9), 1);
  EXPECT_EQ(u.addSorted(pt, 7, 0), 3);
  EXPECT_EQ(u.indexOf(pt, 1), 0);
  EXPECT_EQ(u.indexOf(pt, 1, 9), 1);
}

TEST(Tutil, SearchAndMembership) {
  Tutil u;
  Txyvalues xy = line({{0, 0}, {1, 1}, {1, 1}});
  EXPECT_EQ(u.indexOf(xy, 1, 1), 1);
  EXPECT_EQ(u.indexOf(xy, xyrec{2, 2}), -1);
  EXPECT_EQ(u.indexOf(xy, 1.1, 0.9, 0.1 + 1e-9), 1);
  EXPECT_TRUE(u.inList(xy, 0.05, 0, 0.05));
  Tdlist dl{1.0, 2.0};
  EXPECT_TRUE(u.inList(dl, 2.0));
  EXPECT_FALSE(u.inList(dl, 2.1));
  EXPECT_TRUE(u.inList(dl, 2.1, 0.2));
  Txyzvalues xyz{{1, 1, 5}};
  EXPECT_EQ(u.indexOf(xyz, 1.01, 0.99, 5, 0.02), 0);
  EXPECT_EQ(u.indexOf(xyz, 1.01, 0.99, 5.01, 0.02), -1);
  TpolyIlist pl{{1, 2}, {}};
  EXPECT_EQ(u.indexOf(pl, TiList{}), 1);
  EXPECT_EQ(u.indexOf(pl, TiList{1, 2}), 0);
  Ttlist tl{36526.0};
  EXPECT_EQ(u.indexOf(tl, 36526.0), 0);
}

TEST(Tutil, AppendJoinsWithoutRepeatingTheSharedEnd) {
  Tutil u;
  struct Case { const char* id; Txyvalues list, source; bool reverse; Txyvalues out; } cases[] = {
      {"forward", line({{0, 0}, {1, 0}}), line({{1, 0}, {2, 0}}), false, line({{0, 0}, {1, 0}, {2, 0}})},
      {"reversed", line({{0, 0}, {1, 0}}), line({{2, 0}, {1, 0}}), true, line({{0, 0}, {1, 0}, {2, 0}})},
      {"one shared point", line({{0, 0}, {1, 0}}), line({{1, 0}}), false, line({{0, 0}, {1, 0}})},
      {"onto empty", line({}), line({{1, 0}, {2, 0}}), true, line({{2, 0}, {1, 0}})},
      {"no shared end", line({{0, 0}}), line({{5, 5}, {6, 6}}), false, line({{0, 0}, {5, 5}, {6, 6}})},
      {"empty source", line({{0, 0}}), line({}), false, line({{0, 0}})},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(u.append(c.list, c.source, c.reverse), c.out);
  }
  Txyvalues self = line({{0, 0}, {1, 0}, {0, 0}});
  u.append(self, self);
  EXPECT_EQ(self, line({{0, 0}, {1, 0}, {0, 0}, {1, 0}, {0, 0}}));
  TiList il{1, 2};
  EXPECT_EQ(u.append(il, TiList{2, 3}), (TiList{1, 2, 3}));

  std::string comma;
  u.append(comma, "a");
  u.append(comma, "b,c");
  EXPECT_EQ(comma, "a,\"b,c\"");
}

TEST(Tutil, DuplicateReverseDeleteSwap) {
  Tutil u;
  Txyvalues ring = line({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
  Txyvalues back(ring.rbegin(), ring.rend());
  bool rev = false;
  EXPECT_TRUE(u.duplicate(ring, back, rev));
  EXPECT_TRUE(rev);
  EXPECT_TRUE(u.duplicate(ring, ring, rev));
  EXPECT_FALSE(rev);
  EXPECT_FALSE(u.duplicate(line({{0, 0}, {1, 0}, {1, 1}}), line({{1, 0}, {1, 1}, {0, 0}})));
  EXPECT_TRUE(u.duplicate(line({}), line({})));

  TiList il{1, 2, 3, 4};
  u.reverse(il);
  EXPECT_EQ(il, (TiList{4, 3, 2, 1}));
  u.deleteAt(il, 4);
  u.deleteAt(il, -1);
  EXPECT_EQ(il.size(), 4u);
  u.deleteAt(il, 0);
  EXPECT_EQ(il, (TiList{3, 2, 1}));
  u.swap(il, 0, 2);
  u.swap(il, 0, 9);
  EXPECT_EQ(il, (TiList{1, 2, 3}));

  TpolyXyValues a{line({{1, 1}})}, b;
  u.copy(a, b);
  b[0][0].x = 7;
  EXPECT_EQ(a[0][0].x, 1);  // an independent copy
}

TEST(Tutil, LivesWithOs) {
  createOs();
  ASSERT_TRUE(util);
  freeOs();
  EXPECT_FALSE(util);
}
}  // namespace
