// Custom symbols: definitions written and read back element by element, bad definitions, the
// table's codes, its text file and settings sections, and what it writes back.
#include <sys/stat.h>
#include <unistd.h>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::DraTest;

// A symbol parsed from a definition, and its definition written again.
std::unique_ptr<TsymbolElements> parse(const std::string& def) {
  auto sy = std::make_unique<TsymbolElements>();
  sy->setdef(def);
  return sy;
}

TEST_F(DraTest, PolygonElementFields) {
  struct Case {
    const char* id;
    std::string fields;
    bool transparent;
  };
  for (const Case& c : {Case{"opaque", "255,4,0,0,1,0,1,1,0,0,2.00", false},
                        Case{"transparent", "255,4,0,0,1,0,1,1,0,0,yes,2.00", true}}) {
    SCOPED_TRACE(c.id);
    auto sy = parse("1000001=p;polygon," + c.fields);
    ASSERT_EQ(sy->count(), 1);
    const TelementRec& e = *sy->getitem(0);
    EXPECT_EQ(e.obType, o_polyGon);
    EXPECT_EQ(e.colour, 255);
    EXPECT_EQ(e.fillColour, 255);
    EXPECT_EQ(e.xy, (Txyvalues{{0, 0}, {1, 0}, {1, 1}, {0, 0}}));
    EXPECT_EQ(e.transparent, c.transparent);
    EXPECT_EQ(e.linewidth, 2.0);
    EXPECT_EQ(sy->getdef(), "1000001=p;polygon,255:255,4,0.00,0.00,1.00,0.00,1.00,1.00,0.00,0.00," +
                                std::string(c.transparent ? "yes," : "") + "2.00");
  }
}

TEST_F(DraTest, ElementsRoundTrip) {
  TsymbolElements sy;
  sy.code = 1234567;
  sy.name = "all kinds";
  auto add = [&](int kind) {
    TelementRec& e = *sy.getitem(sy.add());
    e.obType = kind;
    e.colour = 255;
    e.fillColour = 65280;
    return &e;
  };
  TelementRec* s = add(o_point);
  s->symbol = 65, s->cx = 1, s->cy = -2, s->radius = 10, s->linewidth = 0;
  TelementRec* l = add(o_line);
  l->xy = {{0, 0}, {5, 5}};
  TelementRec* p = add(o_polyGon);  // three points read back too
  p->xy = {{0, 0}, {4, 0}, {0, 3}};
  p->transparent = true;
  TelementRec* t = add(o_text);
  t->textstr = "a, b; \"c\"";
  t->fontname = "Open Sans; Bold";
  t->bold = true;
  TelementRec* c = add(o_circle);
  c->radius = 3;
  TelementRec* r = add(o_rectangle);
  r->cx = 10, r->cy = 10, r->width = 4, r->height = 2;
  TelementRec* el = add(o_ellipse);
  el->width = 6, el->height = 2;
  sy.insertx = 1.5;

  const std::string def = sy.getdef();
  EXPECT_NE(def.find(";insert,1.50,0.00;"), std::string::npos);
  EXPECT_NE(def.find(",\"a, b; \"\"c\"\"\",\"Open Sans; Bold\",yes,no;"), std::string::npos) << def;
  EXPECT_NE(def.find("rectangle,255:65280,8.00,9.00,12.00,11.00,2.50"), std::string::npos) << def;
  auto back = parse(def);
  std::string again = def;
  again.replace(again.find("0.00;line"), 4, "4.00");  // a symbol's width 0 reads as 4
  EXPECT_EQ(back->getdef(), again);
  EXPECT_EQ(back->code, 1234567);
  EXPECT_EQ(back->name, "all kinds");
  ASSERT_EQ(back->count(), 7);
  EXPECT_EQ(back->getitem(2)->xy.size(), 3u);
  EXPECT_TRUE(back->getitem(2)->transparent);
  EXPECT_EQ(back->getitem(3)->textstr, t->textstr);
  EXPECT_EQ(back->getitem(3)->fontname, t->fontname);
  EXPECT_TRUE(back->getitem(3)->bold);
  EXPECT_FALSE(back->getitem(3)->italic);
  EXPECT_TRUE(back->hasLines());
  // without bold or italic the text element ends with its font name; (0, 0) needs no insertion part
  t->bold = false;
  sy.insertx = 0;
  std::string plain = sy.getdef();
  EXPECT_NE(plain.find(",\"Open Sans; Bold\";circle"), std::string::npos) << plain;
  EXPECT_EQ(plain.find("insert"), std::string::npos);
}

TEST_F(DraTest, PicturesRoundTrip) {
  TrawBitmap24 bm;
  bm.setsize(3, 2);
  bm.fillWhite();
  bm.setPixel(1, 0, Tbgr{10, 20, 30});
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(bm.saveToMem(bytes));
  const std::string hex = TosText::hexFromMem(bytes);
  auto sy = parse("1000002=pics;bitmap,1,2,0," + hex + ";metafile,0,0,5,0102FF;metafile,0,0,5,stand-in text");
  ASSERT_EQ(sy->count(), 3);
  const TelementRec& b = *sy->getitem(0);
  ASSERT_NE(b.bm, nullptr);
  EXPECT_EQ(b.radius, 100);
  Tbgr c;
  b.bm->getPixel(1, 0, c);
  EXPECT_EQ(c, (Tbgr{10, 20, 30}));
  EXPECT_EQ(sy->getitem(1)->emf, (std::vector<uint8_t>{1, 2, 0xFF}));
  EXPECT_EQ(sy->getitem(2)->emfDef, "stand-in text");
  EXPECT_EQ(sy->getdef(), "1000002=pics;bitmap,1.00,2.00,100.00," + hex +
                              ";metafile,0.00,0.00,5.00,0102FF;metafile,0.00,0.00,5.00,stand-in text");
  for (const char* bad : {"ABC", "XY12", "00"}) {  // odd, not hex, not a picture
    SCOPED_TRACE(bad);
    auto none = parse(std::string("1000003=x;bitmap,0,0,1,") + bad);
    ASSERT_EQ(none->count(), 1);
    EXPECT_EQ(none->getitem(0)->bm, nullptr);
  }
}

TEST_F(DraTest, BadDefinitionsGiveDefinedResults) {
  struct Case {
    const char* id;
    std::string def;
    std::vector<int> kinds;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"no code", "just a name", {}},
      {"line of one point", "1000000=a;line,1,255,1,0,0", {}},
      {"count beyond the points", "1000000=a;line,1,255,5,0,0,1,1", {}},
      {"huge count", "1000000=a;polygon,255,2000000000,0,0,1,1,2,2", {}},
      {"negative count", "1000000=a;line,1,255,-3", {}},
      {"polygon of two points", "1000000=a;polygon,255,2,0,0,1,1,2", {}},
      {"missing fields", "1000000=a;circle;text;symbol", {o_circle, o_text, o_point}},
      {"unknown kind and empty parts", "1000000=a;;bogus,1,2;insert", {0}},
      {"unclosed quote", "1000000=a;text,0,0,1,0,\"open;line,1,0,2,0,0,1,1", {o_text}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto sy = parse(c.def);
    std::vector<int> kinds;
    for (const auto& e : sy->a) kinds.push_back(e->obType);
    EXPECT_EQ(kinds, c.kinds);
    EXPECT_EQ(parse(sy->getdef())->getdef(), sy->getdef());
  }
}

TEST_F(DraTest, ColourValuesOfProperties) {
  struct Case {
    const char* value;
    int32_t colour;
  };
  for (const Case& c : {Case{"255", 255}, Case{"255:20", 0x00CCCCFF}, Case{"255:100", 255}, Case{"x", 0}}) {
    SCOPED_TRACE(c.value);
    TelementRec e;
    e.setProperty("colour", c.value);
    EXPECT_EQ(e.colour, c.colour);
  }
  TelementRec e;
  e.setProperty("type", "ellipse");
  e.setProperty("type", "nothing");
  e.setProperty("xy", "1 2, 3.5 4");
  e.setProperty("line width", "1.5");
  e.setProperty("transparent", "yes");
  e.setProperty("Radius", "9");  // keys compared exactly
  EXPECT_EQ(e.obType, o_ellipse);
  EXPECT_EQ(e.xy, (Txyvalues{{1, 2}, {3.5, 4}}));
  EXPECT_EQ(e.linewidth, 1.5);
  EXPECT_TRUE(e.transparent);
  EXPECT_EQ(e.radius, 0);
  e.setProperty("metafile", "");
  EXPECT_EQ(e.obType, o_metafile);
}

TEST_F(DraTest, TextFileCodesAreMadeValidAndSavedAtOnce) {
  const std::string f = testenv::writeFile("symbols.txt",
                                           "[symbols]\r\n5=small;circle,0,0,1,255,2\r\n"
                                           "garbage without an equals sign\r\n1000001=big\r\n1000001=twice\r\n");
  TcustomSymbols t(f);
  ASSERT_EQ(t.count(), 3);
  EXPECT_FALSE(t.changed);
  const int32_t code = std::stoi(t.names[0]);
  EXPECT_GE(code, 1000000);
  EXPECT_NE(t.names[2], "1000001") << "a code used twice is replaced";
  TStringList saved;
  ASSERT_TRUE(saved.loadFromFile(f));
  EXPECT_EQ(saved[0], std::to_string(code) + "=small;circle,0,0,1,255,2");
  ASSERT_NE(t.find(code), nullptr);
  EXPECT_EQ(t.find(code)->count(), 1);
  EXPECT_EQ(t.find(1000001)->name, "big");
  EXPECT_EQ(t.find(999), nullptr);
}

TEST_F(DraTest, TableOperations) {
  TcustomSymbols t(TcustomSymbols::Empty::Yes);
  EXPECT_TRUE(t.add("1000005", ";circle,0,0,1,255,2"));
  EXPECT_FALSE(t.add("1000005", "other")) << "code already there";
  EXPECT_EQ(t.count(), 1);
  EXPECT_EQ(t.find(1000005)->name, "unnamed");
  int32_t i = t.add(std::string("named;symbol,65,0,0,5,0,0"));
  EXPECT_GE(std::stoi(t.names[i]), 1000000);

  TcustomSymbols other(TcustomSymbols::Empty::Yes);
  EXPECT_EQ(other.copy(t, 42), -1);
  int32_t at = other.copy(t, 1000005);
  ASSERT_EQ(at, 0);
  EXPECT_EQ(other.list[0], t.find(1000005)->getdef());

  TsymbolElements* made = t.New();
  EXPECT_EQ(t.indexOf(made), 2);
  t.swap(0, 2);
  EXPECT_EQ(t.indexOf(made), 0);
  EXPECT_EQ(t.names[0], std::to_string(made->code));
  t.Delete(0);
  EXPECT_EQ(t.indexOf(made), -1);
  EXPECT_EQ(t.count(), 2);
}

TEST_F(DraTest, SettingsSectionsReplaceOneAnother) {
  TQYini a, b;
  a.writestring("symbols", "1000001=a");
  a.writestring("symbols", "1000002=b");
  b.writestring("custom symbols", "1000003=c");
  TcustomSymbols t(TcustomSymbols::Empty::Yes);
  t.loadfromini(a);
  t.loadfromini(b);
  EXPECT_EQ(t.list.lines(), std::vector<std::string>{"1000003=c"});

  // savetoIni gives an invalid code a new one, in the table and its names as well as the file
  t.list[0] = "5=c";
  t.names[0] = "5";
  TQYini out;
  t.savetoIni(out);
  const TStringList* sec = out.getSection("symbols");
  ASSERT_NE(sec, nullptr);
  ASSERT_EQ(sec->count(), 1);
  EXPECT_EQ((*sec)[0], t.list[0]);
  EXPECT_EQ(t.names[0], TStringList::nameOf(t.list[0]));
  EXPECT_GE(std::stoi(t.names[0]), 1000000);
}

TEST_F(DraTest, ChangedTableIsWrittenBackAsSettings) {
  const std::string f = testenv::writeFile("cs.txt", "1000001=a\r\n1000002=\r\n");
  {
    TcustomSymbols t(f);
    t.add(std::string("b"));
  }
  TQYini ini(f);
  const TStringList* sec = ini.getSection("symbols");
  ASSERT_NE(sec, nullptr);
  ASSERT_EQ(sec->count(), 2) << "the line with an empty definition is left out";
  EXPECT_EQ((*sec)[0], "1000001=a");
  EXPECT_EQ(TStringList::valueOf((*sec)[1]), "b");
}

TEST_F(DraTest, UnreadableTableIsNeverWrittenBack) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string f = testenv::writeFile("locked.txt", "1000001=a\r\n");
  chmod(f.c_str(), 0);
  {
    TcustomSymbols t(f);
    EXPECT_EQ(t.count(), 0);
    t.add(std::string("b"));
  }
  chmod(f.c_str(), 0600);
  EXPECT_EQ(testenv::readFile(f), "1000001=a\r\n");
}

TEST_F(DraTest, ProgramTableComesFromTheConfigurationFolder) {
  testenv::writeFile("cfg/custom symbols.txt", "1000009=from config\r\n");
  os->setconfig(testenv::tempDir() + "cfg/");
  TcustomSymbols& t = createCustomSymbols();
  EXPECT_EQ(&t, customSymbols);
  ASSERT_NE(t.find(1000009), nullptr);
  EXPECT_EQ(t.find(1000009)->name, "from config");
}
}  // namespace
