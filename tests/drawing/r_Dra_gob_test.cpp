// Tgob: creation and clearing, values and virtual columns, justification, microstyle, bounds,
// areas and lengths (checked against Shapely), inherit and assign.
#include <cmath>
#include <sstream>

#include "storage/r_Data.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;

TEST_F(DraTest, CreationAndClearGiveTheirOwnDefaults) {
  Tgob g;
  g.editDetail().labelx = 7;
  g.setSeed(g.seedx(), 3);
  g.editDetail().notes = "kept";
  struct Case {
    const char* id;
    double textheight, seedx, labelFactor;
    int symbolMultiply, h, v;
  };
  auto check = [&](const Case& c) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(g.detail().textheight, c.textheight);
    EXPECT_EQ(g.seedx(), c.seedx);
    EXPECT_EQ(g.detail().labelFactor, c.labelFactor);
    EXPECT_EQ(g.symbolMultiply, c.symbolMultiply);
    EXPECT_EQ(g.hJustify(), c.h);
    EXPECT_EQ(g.vJustify(), c.v);
    EXPECT_EQ(g.obType(), o_empty);
  };
  check({"created", 0, kSeedNotComputed, 1.0, 100, 6, 6});
  g.setType(o_line);
  g.editDetail().textheight = 9;
  g.setHjustify(2);
  g.clear();
  check({"cleared", 5.0, kSeedNotComputed, 1.0, 100, 6, 6});
  // clear keeps what the table says it keeps
  EXPECT_EQ(g.detail().labelx, 7);
  EXPECT_EQ(g.seedy(), 3);
  EXPECT_EQ(g.detail().notes, "kept");
}

TEST_F(DraTest, SetTypeDrawsDataIdsAndPlacesLineLabels) {
  TgobArray d;
  Tgob& line = *d.slot(d.add());
  line.setType(o_line);
  EXPECT_EQ(line.tipx(), 50.0);
  EXPECT_EQ(line.symbolMultiply, 0);
  EXPECT_EQ(line.getcol(col_linelabelmode), "0");
  EXPECT_EQ(line.dataid, 1u);
  line.setType(o_polyGon);  // already has one
  EXPECT_EQ(line.dataid, 1u);
  Tgob& text = *d.slot(d.add());
  text.setType(o_text);
  EXPECT_EQ(text.dataid, 0u);
  Tgob alone;
  alone.setType(o_point);  // no drawing to draw from
  EXPECT_EQ(alone.dataid, 0u);
  EXPECT_EQ(d.highestDataId, 1u);
}

// Every edit of the packed value list against a plain list of strings, with lines whose lengths
// take one, two and three length bytes, so that edits in place move the lines behind them.
TEST_F(DraTest, ValueListEditsMatchAPlainList) {
  TdataList d;
  std::vector<std::string> want;
  const std::string mid(200, 'm'), big(20000, 'b');
  auto check = [&](const char* step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(d.lines(), want);
    std::string text;
    for (const std::string& l : want) text += l + "\r\n";
    EXPECT_EQ(d.text(), text);
  };
  d.add("a");
  want.push_back("a");
  d.add(big);
  want.push_back(big);
  d.add("");
  want.push_back("");
  check("added");
  d.insert(1, mid);
  want.insert(want.begin() + 1, mid);
  d.insert(-5, "first");
  want.insert(want.begin(), "first");
  d.insert(99, "last");
  want.push_back("last");
  check("inserted, clamped at both ends");
  d.set(2, "short now");  // was 200 bytes: everything behind moves down
  want[2] = "short now";
  d.set(0, big);  // grows at the front
  want[0] = big;
  d.set(4, d[0]);  // from a line of the same list
  want[4] = want[0];
  check("set");
  d.swap(1, 3);
  std::swap(want[1], want[3]);
  d.remove(0);
  want.erase(want.begin());
  d.remove(42);  // nothing outside the list
  check("swapped and removed");
  TdataList copy(d);
  d.setCount(2);
  want.resize(2);
  d.setCount(4);
  want.resize(4);
  check("cut and padded");
  EXPECT_EQ(copy.count(), 5);  // the copy is its own
  d.assign({"x", "y,z"});
  want = {"x", "y,z"};
  check("assigned");
  while (d.count() > 0) d.remove(0);
  want.clear();
  check("emptied");
  EXPECT_TRUE(d.empty());
}

TEST_F(DraTest, ValuesRoundTripThroughTheValueList) {
  TgobArray d;
  Tgob& g = *d.slot(d.add());
  g.setcol(3, "a,b");
  ASSERT_EQ(g.getDataList().count(), 4);
  EXPECT_EQ(g.getDataList().text(), "\r\n\r\n\r\n\"a,b\"\r\n");
  EXPECT_EQ(g.getcol(3), "a,b");
  EXPECT_EQ(g.getcol(7), "");     // missing line
  EXPECT_EQ(g.getcol(1000), "");  // no meaning

  struct Case {
    const char* id;
    std::string value, stored, back;
  };
  const Case cases[] = {
      {"plain", "x", "x", "x"},
      {"comma", "a,b", "\"a,b\"", "a,b"},
      {"quotes", "say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
      {"quoted already", "\"x\"", "\"\"\"x\"\"\"", "\"x\""},
      {"lone quote", "\"", "\"\"\"\"", "\""},
      {"non-Latin", "Zürich, 北京", "\"Zürich, 北京\"", "Zürich, 北京"},
      {"line breaks folded", "one\r\ntwo\nthree\rfour", "one two three four", "one two three four"},
      {"empty", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    g.setcol(0, c.value);
    EXPECT_EQ(g.getDataList()[0], c.stored);
    EXPECT_EQ(g.getcol(0), c.back);
  }
  // Values stored by others: one enclosing pair is removed, a lone quote stays.
  g.getDataList().set(1, "\"x\"");
  g.getDataList().set(2, "\"");
  EXPECT_EQ(g.getcol(1), "x");
  EXPECT_EQ(g.getcol(2), "\"");
}

TEST_F(DraTest, FloatColumnsShowTheLocaleForm) {
  os->decimalseparator = ",";
  TgobArray d;
  d.addColumn("height", "", ftFloat, 2);
  Tgob& g = *d.slot(d.add());
  struct Case {
    const char* id;
    std::string stored, shown;
  };
  for (const Case& c : {Case{"file form", "3.14159", "3,14"}, Case{"empty", "", "0,00"},
                        Case{"typed in the locale", "3,14", "3,14"}, Case{"no number", "tall", "0,00"}}) {
    SCOPED_TRACE(c.id);
    g.getDataList().set(0, c.stored);
    EXPECT_EQ(g.getcol(0), c.shown);
    EXPECT_EQ(g.rawValue(0), c.stored);
  }
}

TEST_F(DraTest, JustificationResetsAndExplicitBits) {
  struct Case {
    const char* id;
    bool horizontal;
    int value, stored, flags;
  };
  const Case cases[] = {{"h 2", true, 2, 2, 1},    {"h 99 resets", true, 99, 6, 0}, {"h -1 resets", true, -1, 6, 0},
                        {"v 8", false, 8, 8, 2},   {"v 99 is a value", false, 99, 99, 2},
                        {"v -1 resets", false, -1, 6, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Tgob g;
    if (c.horizontal) g.setHjustify(c.value);
    else g.setVjustify(c.value);
    EXPECT_EQ(c.horizontal ? g.hJustify() : g.vJustify(), c.stored);
    EXPECT_EQ(g.justifyFlags, c.flags);
    EXPECT_EQ(g.getcol(c.horizontal ? col_hjustify : col_vjustify), std::to_string(c.stored));
  }
}

TEST_F(DraTest, VirtualColumnsReadAndWrite) {
  TgobArray d;
  Tgob& g = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 10, 10)}));
  d.setChanged(false);
  struct Case {
    int col;
    std::string set, get;
  };
  const Case cases[] = {{col_stylenum, "12", "12"},       {col_id, " id 1 ", " id 1 "}, {col_caption, "A, b", "A, b"},
                        {col_z, "3.456", "3.46"},         {col_textHeight, "2.5", "2.50"},
                        {col_textrotation, "-90", "-90.00"}, {col_labelx, "1.5", "1.50"},
                        {col_tipy, "x", "0.00"},          {col_tiptype, "3", "3"},
                        {col_symbolmultiply, "150", "150"}, {col_labelfactor, "0.5", "0.50"},
                        {col_area, "7", "100.00"},        {col_hectares, "", "0.01"},
                        {col_length, "", "40.00"},        {col_obtype, "line", "polygon"},
                        {col_serial, "9", "0"},           {col_seedx, "1", ""},
                        {col_stylename, "s", ""},         {col_category, "c", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.col);
    d.setChanged(false);
    g.setcol(c.col, c.set);
    EXPECT_TRUE(d.changed());  // marked even when nothing was set
    EXPECT_EQ(g.getcol(c.col), c.get);
  }
}

TEST_F(DraTest, StyleCodesAsText) {
  Tgob g;
  g.setcol(col_stylecodes, "8113,1500000 4113,7");
  ASSERT_EQ(g.detail().microstyle.size(), 2u);
  EXPECT_EQ(g.styleValue(8113, 0), 1500000);
  EXPECT_EQ(g.styleValue(4113, 0), 7);
  g.setcol(col_stylecodes, "4113,8 garbage");
  EXPECT_EQ(g.getcol(col_stylecodes), "8113,1500000 4113,8 0,0");
  g.updateStyle(0, 5, 5);  // equal to the default: removed
  EXPECT_EQ(g.getcol(col_stylecodes), "8113,1500000 4113,8");
  g.updateStyle(9, 1, 0);
  EXPECT_EQ(g.styleValue(9, -1), 1);
}

TEST_F(DraTest, AreaReversesRingsThatRunTheWrongWay) {
  TgobArray d;
  struct Case {
    const char* id;
    TpolyXyValues rings;
    double area;
    bool reversed;
  };
  const Case cases[] = {
      {"hole given clockwise", {box(0, 0, 10, 10), box(4, 4, 6, 6)}, 96, true},
      {"outer anticlockwise", {drafix::reversed(box(0, 0, 10, 10))}, 100, true},
      {"both right", {box(0, 0, 10, 10), drafix::reversed(box(4, 4, 6, 6))}, 96, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Tgob& g = *d.slot(d.add(o_polyGon, c.rings));
    d.setChanged(false);
    EXPECT_DOUBLE_EQ(g.getarea(), c.area);
    EXPECT_EQ(d.changed(), c.reversed);
    EXPECT_EQ(g.xy != c.rings, c.reversed);
    d.setChanged(false);
    EXPECT_DOUBLE_EQ(g.getarea(), c.area);  // cached
    EXPECT_FALSE(d.changed());
  }
}

TEST_F(DraTest, AreaAndLengthAgreeWithShapely) {
  if (!drafix::have("/usr/bin/python3 -c 'import shapely'")) GTEST_SKIP() << "python3-shapely missing";
  const TpolyXyValues shapes[] = {
      {box(0, 0, 10, 10), box(4, 4, 6, 6)},
      {{{0.5, 0.25}, {3.75, 8.5}, {9.125, 1.0}, {5.5, -4.0}, {0.5, 0.25}}},
      {box(-100.5, 20, 100, 300.25), box(-50, 50, 0, 100), box(10, 200, 90, 290)},
  };
  std::string cmd = "/usr/bin/python3 -c \"import sys\nfrom shapely.geometry import Polygon\n";
  for (const auto& rings : shapes) {
    std::ostringstream py;
    py.precision(17);
    py << "p=Polygon([";
    for (auto p : rings[0]) py << "(" << p.x << "," << p.y << "),";
    py << "],[";
    for (size_t r = 1; r < rings.size(); ++r) {
      py << "[";
      for (auto p : rings[r]) py << "(" << p.x << "," << p.y << "),";
      py << "],";
    }
    py << "])\nprint(repr(p.area), repr(p.length))\n";
    cmd += py.str();
  }
  std::istringstream out(drafix::run(cmd + "\""));
  TgobArray d;
  for (const auto& rings : shapes) {
    double area = 0, length = 0;
    ASSERT_TRUE(out >> area >> length);
    Tgob& g = *d.slot(d.add(o_polyGon, rings));
    EXPECT_NEAR(g.getarea(), area, 1e-9 * area);
    EXPECT_NEAR(g.getlength(), length, 1e-9 * length);
  }
}

TEST_F(DraTest, LengthByType) {
  TgobArray d;
  Tgob& line = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {3, 4}, {3, 10}}));
  EXPECT_DOUBLE_EQ(line.getlength(), 11);
  EXPECT_EQ(line.getarea(), 0);
  Tgob& multi = *d.slot(d.add(o_multiline, TpolyXyValues{{{0, 0}, {1, 0}}, {{0, 0}, {0, 2}}}));
  EXPECT_DOUBLE_EQ(multi.getlength(), 3);
  Tgob& mp = *d.slot(d.add());
  mp.setType(o_multipolygon);
  mp.editDetail().polyxy = {{box(0, 0, 1, 1)}, {box(5, 5, 7, 7), box(5.5, 5.5, 6.5, 6.5)}};
  EXPECT_DOUBLE_EQ(mp.getarea(), 1 + 4 - 1);
  EXPECT_DOUBLE_EQ(mp.getlength(), 4 + 8 + 4);
  Tgob& text = *d.slot(d.add(o_text, Txyvalues{{0, 0}, {5, 0}}));
  EXPECT_EQ(text.getlength(), 0);
}

TEST_F(DraTest, BoundsKeptWithoutPointsButCachesCleared) {
  Tgob g;
  g.setType(o_multipolygon);
  g.editDetail().polyxy = {{box(-1, 5, 2, 6)}, {box(8, -3, 9, 0)}};
  EXPECT_DOUBLE_EQ(g.getarea(), 3 + 3);
  EXPECT_DOUBLE_EQ(g.getlength(), 8 + 8);
  EXPECT_DOUBLE_EQ(g.farea(), 6) << "cached";
  g.setSeed(0, 0);
  g.editDetail().polyxy.clear();
  g.x1 = 1, g.y1 = 2, g.x2 = 3, g.y2 = 4;
  g.updateBounds(false);
  EXPECT_EQ(g.x1, 1);
  EXPECT_EQ(g.y2, 4);
  EXPECT_EQ(g.farea(), 0);
  EXPECT_EQ(g.flength(), 0);
  EXPECT_EQ(g.seedx(), 0);  // no label change
  g.editDetail().polyxy = {{box(-1, 5, 2, 6)}, {box(8, -3, 9, 0)}};
  g.updateBounds();
  EXPECT_EQ(g.seedx(), kSeedNotComputed);
  EXPECT_EQ(std::vector<double>({g.x1, g.y1, g.x2, g.y2}), std::vector<double>({-1, -3, 9, 6}));
}

// The type is a byte in the object; a code beyond it is held in the detail and read back whole.
TEST_F(DraTest, TypesBeyondAByteAreKept) {
  Tgob g;
  for (int32_t type : {o_invalid, 255, -1, o_text}) {
    SCOPED_TRACE(type);
    g.setType(type);
    EXPECT_EQ(g.obType(), type);
  }
  g.setType(o_invalid);
  g.clear();
  EXPECT_EQ(g.obType(), o_empty);
}

TEST_F(DraTest, AssignCopiesGeometryAndValuesNotExtras) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  Tgob& s = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 4, 5)}));
  s.setcol(0, "a,b");
  s.getarea();
  s.fcaption = "cap";
  s.editDetail().notes = "n";
  s.editDetail().category = "c";
  s.editDetail().parentuid = 9;
  s.state = gob_select;
  s.updateStyle(8113, 1000001);
  s.editDetail().symbolElements = std::make_unique<TsymbolElements>();
  s.editDetail().attachments = std::make_unique<TfileList>();
  Tgob& t = *d.slot(d.add());
  t.assign(s);
  EXPECT_EQ(t.xy, s.xy);
  EXPECT_EQ(t.obType(), o_polyGon);
  EXPECT_EQ(t.farea(), 20);
  EXPECT_EQ(t.getcol(0), "a,b");
  EXPECT_EQ(t.getcaption(), "cap");
  EXPECT_EQ(t.uid, s.uid);
  EXPECT_EQ(t.dataid, s.dataid);
  EXPECT_EQ(t.detail().microstyle, s.detail().microstyle);
  EXPECT_EQ(t.justifyFlags, 3);  // inherit sets both justifications explicitly
  EXPECT_TRUE(t.detail().notes.empty());
  EXPECT_TRUE(t.detail().category.empty());
  EXPECT_EQ(t.parentuid(), 0u);
  EXPECT_EQ(t.state, gob_normal);
  EXPECT_EQ(t.detail().symbolElements, nullptr);
  EXPECT_EQ(t.detail().attachments, nullptr);
}

TEST_F(DraTest, DataByName) {
  TgobArray d;
  d.addColumn("Height", "", ftString);
  Tgob& g = *d.slot(d.add());
  g.fcaption = "cap";
  g.fid = "id1";
  g.styleNumber = 4;
  g.setdata("height", "12");
  g.setdata("caption", "ignored");  // not a column
  struct Case {
    const char* name;
    std::string value;
  };
  for (const Case& c : {Case{"HEIGHT", "12"}, Case{"caption", "cap"}, Case{"default id", "id1"},
                        Case{"style", "4"}, Case{"Caption", ""}, Case{"nothing", ""}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(g.getdata(c.name), c.value);
  }
  EXPECT_EQ(ObTypeStr(o_multiline), "multiline");
  EXPECT_EQ(ObTypeStr(o_circle), "");
}
}  // namespace
