// The drawing file writer, checked by an independent decoder written from the format's tables
// (tests/drawing/check_dra.py): records, caption blocks, ids, point flags, attribute items, files
// and settings; refused objects; the table beside the file; and saves that fail or are aborted
// leaving the old file as it was.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/TQYini.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "storage/r_Data.h"
#include "tests/drawing/drafixture.h"
#include "tests/platform/fullfs.h"

namespace {
using drafix::box;
using drafix::DraTest;
using drafix::have;
using drafix::run;

struct WriteTest : DraTest {
  void SetUp() override {
    DraTest::SetUp();
    if (!have("/usr/bin/python3 -c 'import fractions'")) GTEST_SKIP() << "/usr/bin/python3 missing";
  }
  // The decoder's lines for a file; the test fails on a broken rule.
  static std::vector<std::string> decode(const std::string& f) {
    int status = 0;
    std::string out = run("/usr/bin/python3 '" + testenv::sourceDir() + "tests/drawing/check_dra.py' '" + f + "'", &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  // The decoder lines that begin with a prefix.
  static std::vector<std::string> only(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  static bool logHas(const std::string& text) {
    if (!logObject || !logObject->lines()) return false;
    for (const auto& l : logObject->lines()->lines())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  static bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }
};

TEST_F(WriteTest, EmptyDrawing) {
  TgobArray d;
  const std::string f = path("empty.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  auto lines = decode(f);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "header bounds=0 0 0 0 count=0");
  EXPECT_EQ(lines[1], "version 5");
  EXPECT_TRUE(contains(lines[2], "[settings]")) << lines[2];
  EXPECT_EQ(lines[3], "end");
}

TEST_F(WriteTest, RealsByTheFormula) {
  const double largest = std::ldexp(2.0 - std::ldexp(1.0, -39), 126);
  const double values[] = {0.0, 1.0, -1.0, 0.1, -123.456, 1 + std::ldexp(1.0, -40) /* a tie */,
                           1 + 3 * std::ldexp(1.0, -41), std::ldexp(1.0, -129) /* too small */, largest,
                           std::ldexp(2.0 - std::ldexp(1.0, -40), 126) /* rounds beyond */, 1.7e38, 1e300};
  std::string args, ours;
  for (double v : values) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "%a", v);
    args += std::string(" ") + hex;
    uint8_t b[6];
    if (!doubleToReal48(v, b)) {
      ours += "refused\n";
      continue;
    }
    for (uint8_t c : b) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", c);
      ours += two;
    }
    ours += "\n";
    if (v != 0 && std::fabs(v) >= std::ldexp(1.0, -128)) {
      EXPECT_NEAR(real48ToDouble(b), v, std::fabs(v) * std::ldexp(1.0, -39)) << v;
    }
  }
  EXPECT_EQ(ours, run("/usr/bin/python3 '" + testenv::sourceDir() + "tests/drawing/check_dra.py' real48" + args));
  EXPECT_EQ(ours.substr(0, 13 * 3), "000000000000\n810000000000\n810000000080\n");
  uint8_t b[6];
  for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY), -1.71e38}) EXPECT_FALSE(doubleToReal48(bad, b));
  EXPECT_TRUE(doubleToReal48(largest, b));
  EXPECT_EQ(real48ToDouble(b), largest);
}

TEST_F(WriteTest, CaptionBlocksAndIds) {
  struct Case {
    const char* id;
    int obType;
    size_t captionBytes;
    std::string expect;  // C and B as the decoder reports them
  };
  const Case cases[] = {{"235 bytes: short form", o_line, 235, "C=253 B=268"},
                        {"236 bytes: long form", o_line, 236, "C=254 B=269"},
                        {"empty caption", o_line, 0, "C=18 B=33"},
                        {"point", o_point, 0, "C=18 B=34"},
                        {"text", o_text, 0, "C=18 B=30"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TgobArray d;
    Txyvalues xy = c.obType == o_point ? Txyvalues{{1, 2}} : Txyvalues{{1, 2}, {3, 4}};
    Tgob& g = *d.slot(d.add(c.obType, xy));
    g.fcaption = std::string(c.captionBytes, 'c');
    g.uid = 42;  // the id is empty: the uid stands in the geometry record, nothing under tag 51
    const std::string f = path("caption.dra");
    ASSERT_TRUE(SaveDraFile(d, f));
    auto geo = only(decode(f), "bounds=");
    ASSERT_EQ(geo.size(), 1u);
    EXPECT_TRUE(contains(geo[0], c.expect)) << geo[0];
    if (c.obType != o_text) {
      EXPECT_TRUE(contains(geo[0], "id='42'")) << geo[0];
    }
    auto attr = only(decode(f), "attributes");
    if (c.obType != o_text) {
      ASSERT_EQ(attr.size(), 1u);
      EXPECT_TRUE(contains(attr[0], " 51='' ")) << attr[0];
    }
  }
}

TEST_F(WriteTest, TextsCutToFitTheirFieldsButKeptWholeInAttributes) {
  TgobArray d;
  Tgob& g = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {1, 1}}));
  g.fid = std::string(300, 'i');
  g.fcaption = "Zürich €" + std::string(70000, 'c') + "北";
  const std::string f = path("long.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  auto lines = decode(f);
  auto geo = only(lines, "bounds=");
  ASSERT_EQ(geo.size(), 1u);
  EXPECT_TRUE(contains(geo[0], "B=65535")) << geo[0].substr(0, 200);
  EXPECT_TRUE(contains(geo[0], "id='" + std::string(255, 'i') + "'"));
  EXPECT_TRUE(contains(geo[0], "caption='Zürich €ccc"));
  auto attr = only(lines, "attributes");
  ASSERT_EQ(attr.size(), 1u);
  EXPECT_TRUE(contains(attr[0], "51='" + std::string(300, 'i') + "'"));
  EXPECT_TRUE(contains(attr[0], "c北'")) << "the whole caption";
  EXPECT_TRUE(logHas("is cut to 255"));

  TgobArray t;
  Tgob& text = *t.slot(t.add(o_text, Txyvalues{{0, 0}}));
  text.fcaption = "北京 and ü";  // outside the 8-bit code page: "?"
  ASSERT_TRUE(SaveDraFile(t, f));
  EXPECT_TRUE(contains(only(decode(f), "bounds=")[0], "caption='?? and ü'"));
}

TEST_F(WriteTest, PartsFlagsAttributesAndFiles) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  d.projectionDef = "EPSG:27700";
  Tgob& p = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 10, 10), drafix::reversed(box(2, 2, 4, 4))}));
  p.fid = "P";
  p.fcaption = "C";
  p.styleNumber = 123456;
  p.setcol(0, "a,b");
  p.editDetail().notes = "noted";
  p.editDetail().category = "cat";
  p.updateStyle(9, 8);
  p.editDetail().labelx = 1.25;
  p.editDetail().labely = -3.5;
  p.editDetail().labelRotation = 45;
  p.editDetail().labelFactor = 1.5;
  Tgob& m = *d.slot(d.add(o_multiline, TpolyXyValues{{{0, 0}, {1, 1}}, {{5, 5}, {6, 5}, {7, 7}}}));
  m.fid = "M";
  const std::string pic = testenv::writeFile("pic.bin", std::string("\x00\x01\xFF", 3));
  ASSERT_FALSE(d.FindOrAddFile(1, pic, false).empty());
  ASSERT_FALSE(d.FindOrAddFile(-1, pic, false).empty());
  const std::string f = path("parts.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  auto lines = decode(f);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "header bounds=0 0 1000 1000 count=2");
  EXPECT_EQ(lines[2],
            "bounds=0 0 1001 1001 geometry kind=2 style=3456 dataid=1 C=19 B=33 caption='C' id='P' points=['0 0 10', "
            "'0 10 00', '10 10 00', '10 0 00', '0 0 90', '2 2 10', '4 2 00', '4 4 00', '2 4 00', '2 2 10'] "
            "label 125 -350 -450 0 150");
  EXPECT_EQ(lines[3],
            "attributes 10=1 2=123456 4=6 5=6 22=0 27=0 28=0 8=0 9=100 33=0 11=0 15=0 16=0 51='P' 50='C' "
            "54='\"a,b\"\\r\\n' 58=9:8 62='noted' 63='cat'");
  EXPECT_TRUE(contains(lines[4], "kind=11") && contains(lines[4], "points=['0 0 10', '1 1 90', '5 5 10', '6 5 00', '7 7 10']"))
      << lines[4];
  EXPECT_EQ(lines[6], "file kind=67 name='" + pic + "' bytes='\\x00\\x01ÿ'");
  EXPECT_EQ(lines[7], "file kind=66 name='" + pic + "' bytes='\\x00\\x01ÿ'");
  EXPECT_TRUE(contains(lines[8], "[columns]") && contains(lines[8], "projection=EPSG:27700") &&
              contains(lines[8], "highest id=1"))
      << lines[8];
}

TEST_F(WriteTest, RefusedObjectsAreDeletedAfterTheSave) {
  TgobArray d;
  d.add(o_point, TpolyXyValues{{{0, 0}, {1, 1}}});           // two points
  d.add(o_line, TpolyXyValues{{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}});  // two parts
  d.add(o_polyGon, TpolyXyValues{{{0, 0}, {1, 0}, {0, 0}}});  // three-point ring
  d.add(o_multipoint, TpolyXyValues{{{0, 0}}});
  d.add(o_line, Txyvalues{{5, 5}, {6, 6}});  // good
  d.add();                                   // no part: skipped, kept
  const std::string f = path("refused.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  ASSERT_EQ(d.count(), 2);
  EXPECT_EQ(d.slot(0)->obType(), o_line);
  EXPECT_EQ(d.slot(1)->obType(), o_empty);
  EXPECT_EQ(only(decode(f), "bounds=").size(), 1u);
  EXPECT_TRUE(logHas("4 objects could not be written"));
}

TEST_F(WriteTest, MultiplyScalesPointsAndBoundsButNotLabels) {
  TgobArray d;
  Tgob& g = *d.slot(d.add(o_line, Txyvalues{{1, 2}, {3, 4.5}}));
  g.editDetail().labelx = 1;
  const std::string f = path("twice.dra");
  TwriteDra w;
  w.multiply = 2;
  ASSERT_TRUE(w.write(d, f));
  auto lines = decode(f);
  EXPECT_EQ(lines[0], "header bounds=200 400 600 900 count=1");
  EXPECT_TRUE(contains(lines[2], "bounds=200 400 601 901 ")) << lines[2];
  EXPECT_TRUE(contains(lines[2], "points=['2 4 10', '6 9 10'] label 100 0 0 0 100")) << lines[2];
  EXPECT_EQ(g.x2, 3) << "the drawing's own coordinates are not changed";
}

TEST_F(WriteTest, SymbolsSectionHoldsWhatTheObjectsUse) {
  testenv::writeFile("cfg/custom symbols.txt", "1000001=star;circle,0,0,1,255,2\r\n1000002=unused\r\n");
  os->setconfig(testenv::tempDir() + "cfg/");
  TgobArray d;
  d.ini().writestring("symbols", "1999999=stale");
  Tgob& pt = *d.slot(d.addPoint(1, 1));
  pt.updateStyle(symbol_customid, 1000001);
  Tgob& line = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {1, 1}}));
  line.updateStyle(symbol_customid, 1000002);  // not a line's property
  const std::string f = path("symbols.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  const TStringList* sec = d.ini().getSection("symbols");
  ASSERT_NE(sec, nullptr);
  EXPECT_EQ(sec->lines(), std::vector<std::string>{"1000001=star;circle,0,0,1,255,2"});
  auto settings = only(decode(f), "settings");
  ASSERT_EQ(settings.size(), 1u);
  EXPECT_TRUE(contains(settings[0], "[symbols]\\r\\n1000001=star")) << settings[0];
  EXPECT_FALSE(contains(settings[0], "1999999"));
}

TEST_F(WriteTest, VersionIsWrittenWithAFullStop) {
  os->decimalseparator = ",";
  TgobArray d;
  d.version = 3.5;
  d.HaDecPlaces = 4;
  ASSERT_TRUE(SaveDraFile(d, path("v.dra")));
  EXPECT_EQ(d.ini().readString("settings", "version", ""), "3.500000");
  EXPECT_EQ(d.ini().readString("settings", "hectare dec places", ""), "4");
  EXPECT_FALSE(d.ini().valueExists("settings", "area dec places"));
}

TEST_F(WriteTest, TableBesideTheFile) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  TgobArray d;
  d.addColumn("name", "none", ftString);
  d.addColumn("note", "", ftString);
  for (int i = 0; i <= 10000; ++i) d.addPoint(i, i);
  d.slot(0)->setcol(0, "Zürich, \"x\"");
  d.slot(0)->setcol(1, std::string(300, 'n'));
  d.slot(10000)->getDataList().clear();
  TwriteDra w;
  w.wantDBF = true;
  const std::string f = path("a.dra");
  ASSERT_TRUE(w.write(d, f));
  const std::string table = path("a.dbf");
  ASSERT_TRUE(platform::isFile(table));
  std::string out = run("/usr/bin/python3 -c \"import dbfread,sys\n"
                        "t=dbfread.DBF(sys.argv[1],encoding='cp850')\n"
                        "print('|'.join(f.name+':'+f.type+':'+str(f.length) for f in t.fields))\n"
                        "rows=list(t)\n"
                        "for i in (0,1,10000): print(rows[i]['QY_ID'], rows[i]['NAME'], len(rows[i]['NOTE']))\" '" +
                        table + "'");
  EXPECT_EQ(out, "QY_ID:N:5|NAME:C:15|NOTE:C:254\n0 Zürich, \"x\" 254\n1 none 0\n10000 none 0\n");
  EXPECT_TRUE(logHas("is cut to 254"));
  if (have("command -v ogrinfo")) {
    std::string info = run("ogrinfo -ro -al -q -oo ENCODING=CP850 -where 'QY_ID=10000' '" + table + "'");
    EXPECT_TRUE(contains(info, "QY_ID (Integer) = 10000")) << info;
    EXPECT_TRUE(contains(info, "NAME (String) = none")) << info;
  }
  // A drawing with its own "QY_ID" column gets no numeric one.
  TgobArray own;
  own.addColumn("QY_ID", "", ftString);
  own.addPoint(1, 1);
  own.slot(0)->setcol(0, "mine");
  TwriteDra w2;
  w2.wantDBF = true;
  w2.database = path("own.dbf");
  ASSERT_TRUE(w2.write(own, path("own.dra")));
  EXPECT_EQ(run("/usr/bin/python3 -c \"import dbfread,sys\n"
                "t=dbfread.DBF(sys.argv[1])\n"
                "print([(f.name,f.type,f.length) for f in t.fields], [dict(r) for r in t])\" '" + path("own.dbf") + "'"),
            "[('QY_ID', 'C', 8)] [{'QY_ID': 'mine'}]\n");
}

TEST_F(WriteTest, SaveToMemAndTheSelectiveExport) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  d.addColumn("keep", "", ftString);
  d.add(o_line, Txyvalues{{0, 0}, {1, 1}});
  d.addPoint(2, 2);
  d.slot(1)->state = gob_select;
  d.slot(0)->setcol(1, "3,14");
  d.slot(0)->fcaption = "cap";
  TMemoryStream mem;
  TwriteDra w;
  ASSERT_TRUE(w.saveToMem(d, mem));
  EXPECT_EQ(w.obcnt, 1) << "objects in their normal state only";
  EXPECT_EQ(mem.memory()[0], 0xF0);
  EXPECT_EQ(mem.position(), 0);
  w.onPercent = [&](TqyObject*) { w.abort = true; };
  EXPECT_FALSE(w.saveToMem(d, mem));
  for (const auto& e : std::filesystem::directory_iterator(os->getTempDir()))
    EXPECT_NE(e.path().extension(), ".dra") << "temporary file left: " << e.path();

  const std::string f = path("some.dra");
  ASSERT_TRUE(d.SaveAttributes(f, TiList{1, col_caption}));
  auto lines = decode(f);
  EXPECT_EQ(only(lines, "bounds=").size(), 2u);
  auto attr = only(lines, "attributes");
  ASSERT_EQ(attr.size(), 2u);
  EXPECT_TRUE(contains(attr[0], "50='cap' 54='\"3,14\"\\r\\n'")) << attr[0];
  const std::string settings = only(lines, "settings").at(0);
  EXPECT_TRUE(contains(settings, "[columns]\\r\\n0=name=keep,")) << settings;
  EXPECT_FALSE(contains(settings, "1=name")) << settings;
}

// ---------------------------------------------------------------------------------------------
// Saves that fail or stop: false, the old file byte for byte, nothing left beside it.

std::vector<std::string> folderNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(WriteTest, AbortFromTheProgressEventKeepsTheOldFile) {
  const std::string dir = path("abort/");
  const std::string old = testenv::writeFile("abort/a.dra", "old drawing");
  testenv::writeFile("abort/a.dbf", "old table");
  TgobArray d;
  for (int i = 0; i < 50; ++i) d.addPoint(i, i);
  TwriteDra w;
  w.wantDBF = true;
  w.onPercent = [&](TqyObject* o) {
    if (o->percent() > 40) w.abort = true;
  };
  EXPECT_FALSE(w.write(d, old));
  EXPECT_EQ(testenv::readFile(old), "old drawing");
  EXPECT_EQ(testenv::readFile(dir + "a.dbf"), "old table");
  EXPECT_EQ(folderNames(dir), (std::vector<std::string>{"a.dbf", "a.dra"}));
  EXPECT_EQ(d.count(), 50);
}

TEST_F(WriteTest, CoordinatesTheFileCannotHoldFailTheSave) {
  for (double bad : {std::nan(""), double(INFINITY), 1.71e38}) {
    SCOPED_TRACE(bad);
    const std::string old = testenv::writeFile("bad/a.dra", "old drawing");
    TgobArray d;
    d.addPoint(1, 1);
    d.add(o_line, Txyvalues{{0, 0}, {bad, 1}});
    d.slot(1)->uid = 777;
    EXPECT_FALSE(SaveDraFile(d, old));
    EXPECT_EQ(testenv::readFile(old), "old drawing");
    EXPECT_EQ(folderNames(path("bad/")), std::vector<std::string>{"a.dra"});
    EXPECT_TRUE(logHas("object 1 (uid 777) has a coordinate the file cannot hold"));
    EXPECT_EQ(d.count(), 2);
  }
}

TEST_F(WriteTest, FolderThatCannotBeWritten) {
  const std::string dir = path("ro");
  const std::string old = testenv::writeFile("ro/a.dra", "old drawing");
  bool mounted = false;
  if (geteuid() == 0) {
    // root writes anywhere: make the folder a read-only mount in a mount namespace of our own
    static const bool ns = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    mounted = ns && ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
    if (mounted && ::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      ::umount2(dir.c_str(), MNT_DETACH);
      mounted = false;
    }
    if (!mounted) GTEST_SKIP() << "cannot make a read-only folder here";
  } else {
    chmod(dir.c_str(), 0500);
  }
  TgobArray d;
  d.addPoint(1, 1);
  EXPECT_FALSE(SaveDraFile(d, old));
  EXPECT_EQ(testenv::readFile(old), "old drawing");
  if (mounted) ::umount2(dir.c_str(), MNT_DETACH);
  else chmod(dir.c_str(), 0700);
  EXPECT_EQ(folderNames(dir), std::vector<std::string>{"a.dra"});
  EXPECT_FALSE(SaveDraFile(d, path("no such folder/a.dra")));
}

TEST_F(WriteTest, EveryWriterFailsOnAFullDisk) {
  FULLFS_OR_SKIP(fs);
  TgobArray d;
  d.addColumn("name", "", ftString);
  for (int i = 0; i < 2000; ++i) d.add(o_line, Txyvalues{{0, 0}, {double(i), 1}});
  auto withTable = [&](const std::string& f) {
    TwriteDra w;
    w.wantDBF = true;
    w.database = f + ".dbf";
    return w.write(d, f);
  };
  fullfs::expectEveryWriterFails(
      fs, {{"a.dra", [&](const std::string& f) { return SaveDraFile(d, f); }},
           {"b.dra", withTable},
           {"values.csv", [&](const std::string& f) { return d.SaveAttributes(f, true, false); }},
           {"values.dbf", [&](const std::string& f) { return d.SaveAttributes(f, true, false); }}});
  EXPECT_EQ(d.count(), 2000);
}
}  // namespace
