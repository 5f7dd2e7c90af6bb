// Copies and appends of drawings, label seed points and caption templates.
#include "storage/r_Data.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;

// Three objects: a polygon, a line and a point; the line is selected.
void three(TgobArray& d) {
  d.add(o_polyGon, TpolyXyValues{box(0, 0, 10, 10)});
  d.add(o_line, Txyvalues{{20, 20}, {30, 25}});
  d.addPoint(-5, 40);
  d.slot(1)->state = gob_select;
  d.slot(1)->uid = 77;
  d.updateBounds();
}

TEST_F(DraTest, CopiesTakeObjectsByForm) {
  TgobArray src;
  three(src);
  src.projectionDef = "proj";
  src.x2 = 999;  // out of date on purpose
  struct Case {
    const char* id;
    std::function<void(TgobArray&)> copy;
    std::vector<int> types;
    double x2;
  };
  const Case cases[] = {
      {"all, bounds as they are", [&](TgobArray& d) { d.copy(src); }, {o_polyGon, o_line, o_point}, 999},
      {"selection", [&](TgobArray& d) { d.copy(src, true); }, {o_line}, 30},
      {"by index", [&](TgobArray& d) { d.copy(src, TiList{2, 0, 9}); }, {o_polyGon, o_point}, 10},
      {"by type", [&](TgobArray& d) { d.copy(src, obSet({o_point, o_line, 300})); }, {o_line, o_point}, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TgobArray d;
    d.add();  // replaced by the copy
    c.copy(d);
    std::vector<int> types;
    for (int i = 0; i < d.count(); ++i) {
      types.push_back(d.slot(i)->obType());
      EXPECT_EQ(d.slot(i)->index, uint32_t(i));
      EXPECT_EQ(d.slot(i)->g, &d);
    }
    EXPECT_EQ(types, c.types);
    EXPECT_EQ(d.x2, c.x2);
    EXPECT_EQ(d.projectionDef, "proj");
    EXPECT_EQ(d.highestDataId, src.highestDataId);
  }
  TgobArray d;
  d.copy(src, true);
  EXPECT_EQ(d.slot(0)->uid, 77u);
  EXPECT_EQ(d.slot(0)->dataid, src.slot(1)->dataid);
}

TEST_F(DraTest, AppendMatchesColumnsByName) {
  os->decimalseparator = ",";
  TgobArray src;
  src.addColumn("name", "", ftString);
  src.addColumn("height", "", ftFloat);
  for (const char* n : {"a,1", "b", "c"}) {
    Tgob& g = *src.slot(src.addPoint(1, 2));
    g.setcol(0, n);
    g.getDataList().set(1, "3,14");
  }
  src.slot(1)->state = gob_select;
  src.slot(2)->state = gob_select;

  TgobArray d;
  d.addColumn("Name", "", ftString);
  for (int i = 0; i < 5; ++i) d.add(o_line, Txyvalues{{0, 0}, {1, 1}});
  const uint32_t before = d.highestDataId;
  d.setChanged(false);
  d.append(src, true, true);
  ASSERT_EQ(d.count(), 7);
  ASSERT_EQ(d.columnCount(), 2);
  EXPECT_EQ(d.columns().getName(1), "height");
  EXPECT_EQ(d.column(1)->datatype(), ftFloat);
  EXPECT_EQ(d.slot(0)->getDataList().count(), 1) << "objects already there get no new line";
  EXPECT_EQ(d.slot(5)->index, 5u);
  EXPECT_EQ(d.slot(6)->index, 6u);
  EXPECT_EQ(d.slot(5)->getDataList().lines(), (std::vector<std::string>{"b", "3,14"}));
  EXPECT_EQ(d.slot(6)->getcol(0), "c");
  EXPECT_EQ(d.slot(5)->uid, src.slot(1)->uid);
  EXPECT_EQ(d.highestDataId, before + 4) << "points advance the counter twice";
  EXPECT_EQ(d.slot(6)->dataid, before + 4);
  EXPECT_TRUE(d.changed());
  EXPECT_EQ(d.x2, 1);

  TgobArray plain;  // no data: values only for its own columns, here none
  plain.append(src, false, false);
  EXPECT_EQ(plain.count(), 3);
  EXPECT_EQ(plain.slot(0)->getDataList().count(), 0);
}

TEST_F(DraTest, AppendToItselfDoublesOnce) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  d.slot(d.addPoint(1, 1))->setcol(0, "a");
  d.slot(d.addPoint(2, 2))->setcol(0, "b");
  d.slot(1)->state = gob_select;
  d.append(d, true, false);
  ASSERT_EQ(d.count(), 4);
  EXPECT_EQ(d.columnCount(), 1);
  EXPECT_EQ(d.slot(2)->getcol(0), "a");
  EXPECT_EQ(d.slot(3)->getcol(0), "b");
  EXPECT_EQ(d.slot(3)->index, 3u);
  EXPECT_EQ(d.slot(3)->xy[0][0].x, 2);
  d.append(d, false, true);  // copies come unselected: one more
  EXPECT_EQ(d.count(), 5);
}

TEST_F(DraTest, SeedPoints) {
  TgobArray d;
  Tgob& line = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {10, 0}}));
  d.getseed(line);
  EXPECT_EQ(line.seedx(), 5);
  EXPECT_EQ(line.seedy(), 0);
  EXPECT_EQ(d.lastDx, 1);
  EXPECT_EQ(d.lastDy, 0);
  line.setTipx(20);
  d.getseed(line);
  EXPECT_EQ(line.seedx(), 5) << "kept until the bounds are recomputed";
  line.updateBounds();
  d.getseed(line);
  EXPECT_EQ(line.seedx(), 2);

  Tgob& flat = *d.slot(d.add(o_line, Txyvalues{{3, 3}, {3, 3}}));
  d.lastDx = 7;
  d.getseed(flat);
  EXPECT_EQ(flat.seedx(), kSeedNotComputed);
  EXPECT_EQ(d.lastDx, 7);

  Tgob& poly = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 10, 10), box(2, 2, 8, 8)}));
  d.getseed(poly);
  EXPECT_NE(poly.seedx(), kSeedNotComputed);
  EXPECT_FALSE(poly.seedx() > 2 && poly.seedx() < 8 && poly.seedy() > 2 && poly.seedy() < 8) << "not in the hole";
  Tgob& pt = *d.slot(d.addPoint(4, 6));
  d.getseed(pt);
  EXPECT_EQ(pt.seedy(), 6);
  Tgob& multi = *d.slot(d.add(o_multiline, TpolyXyValues{{{0, 0}, {1, 1}}}));
  d.getseed(multi);
  EXPECT_EQ(multi.seedx(), kSeedNotComputed);
}

TEST_F(DraTest, CaptionTemplates) {
  os->decimalseparator = ",";
  TgobArray d;
  d.addColumn("owner", "", ftString);
  for (int i = 0; i < 4; ++i) d.add();
  Tgob& g = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 10, 10)}));
  Tgob& line = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {1, 0}}));
  g.fcaption = "A";
  g.fid = "X7";
  g.styleNumber = 12;
  g.setcol(0, "Smith");
  struct Case {
    const char* tmpl;
    std::string caption;
  };
  const Case cases[] = {{"[#+1]", "5"},
                        {"[# - 2]", "2"},
                        {"[#-9]", "-5"},
                        {"Plot [#] of [caption]", "Plot 4 of A"},
                        {"[owner] and [id]", "Smith and X7"},
                        {"[nothing] then [style number]", "[nothing] then 12"},
                        {"[#area] m2, [#hectares] ha", "100,00 m2, 0,01 ha"},
                        {"[#note]", "note"},
                        {"no brackets", "no brackets"},
                        {"a ] b [ c", "a ] b [ c"},
                        {"[a[owner]", "[a[owner]"},
                        {"[owner]]", "Smith]"},
                        {"[]", "[]"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tmpl);
    g.fcaption = "A";
    d.setCaption(g, c.tmpl);
    EXPECT_EQ(g.getcaption(), c.caption);
  }
  d.setCaption(line, "[#area]");
  EXPECT_EQ(line.getcaption(), "0,00");
  Tgob& first = *d.slot(0);
  first.fcaption = "A";
  d.setCaption(first, "Plot [#] of [caption]");
  EXPECT_EQ(first.getcaption(), "Plot 0 of A");
}
}  // namespace
