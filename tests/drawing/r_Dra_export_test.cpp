// Column names and attribute exports: CSV read back by Python's csv module and GDAL, dBase tables
// read by python3-dbfread and GDAL; failures leave nothing behind.
#include <filesystem>
#include <functional>

#include "platform/files.h"
#include "storage/r_Data.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;
using drafix::have;
using drafix::run;

// Python's csv module's view of a file: one JSON list per row.
std::string pyCsv(const std::string& f) {
  return run("/usr/bin/python3 -c \"import csv,json,sys\n"
             "raw=open(sys.argv[1],'rb').read()\n"
             "assert not raw.startswith(b'\\xef\\xbb\\xbf'), 'byte-order mark'\n"
             "for r in csv.reader(open(sys.argv[1],newline='',encoding='utf-8',errors='strict')): "
             "print(json.dumps(r,ensure_ascii=False))\" '" + f + "'");
}

// dbfread's view of a table: the fields, then one line per record, values joined by "|".
std::string pyDbf(const std::string& f, const char* encoding) {
  return run(std::string("/usr/bin/python3 -c \"import dbfread,sys\n"
                         "t=dbfread.DBF(sys.argv[1],encoding='") + encoding +
             "',char_decode_errors='strict')\n"
             "print('|'.join(f.name+':'+f.type+':'+str(f.length)+':'+str(f.decimal_count) for f in t.fields))\n"
             "for r in t: print('|'.join(str(v) for v in r.values()))\" '" + f + "'");
}

struct ExportTest : DraTest {
  // Three objects: a polygon, a line and a point, with a text, a float and an integer column.
  // The user's locale writes numbers with a decimal comma.
  void fill(TgobArray& d) {
    os->decimalseparator = ",";
    os->thousandseparator = ".";
    d.addColumn("name", "", ftString);
    d.addColumn("height", "", ftFloat, 2);
    d.addColumn("count", "", ftInteger, 0);
    Tgob& p = *d.slot(d.add(o_polyGon, TpolyXyValues{box(0, 0, 100, 50)}));
    p.fcaption = "Field, \"north\"";
    p.fid = "P1";
    p.styleNumber = 3;
    p.setcol(0, "Zürich, 北京");
    p.setcol(1, "3.14159");
    p.setcol(2, "42");
    Tgob& l = *d.slot(d.add(o_line, Txyvalues{{0, 0}, {12.5, 0}}));
    l.fid = "L1";
    l.styleNumber = 7;
    l.setcol(0, "say \"hi\"");
    l.getDataList()[1] = "3,14";  // typed in a comma locale
    Tgob& t = *d.slot(d.addPoint(5, 5));
    t.fid = "T1";
  }
};

TEST_F(DraTest, ColumnNamesAndIndices) {
  EXPECT_EQ(colTypeStr(col_z), "altitude m");
  EXPECT_EQ(colTypeStr(col_area), "area m2");
  EXPECT_EQ(colTypeStr(3), "3");
  EXPECT_EQ(colTypeStr(col_seedx), "-11");
  TgobArray d;
  struct Case {
    const char* name;
    int32_t col;
  };
  for (const Case& c : {Case{"caption", col_caption}, Case{"Caption", col_none}, Case{"qy_id", col_id},
                        Case{"area m2", col_none}, Case{"line label mode", col_linelabelmode}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(gobColIndex(d, c.name), c.col);
  }
  d.addColumn("CAPTION", "", ftString);
  EXPECT_EQ(gobColIndex(d, "Caption"), 0);
  EXPECT_EQ(gobColIndex(d, "caption"), col_caption);
}

TEST_F(ExportTest, FullCsvIsReadBackByPythonAndGdal) {
  if (!have("/usr/bin/python3 -c 'import csv'")) GTEST_SKIP() << "python3 missing";
  TgobArray d;
  fill(d);
  const std::string f = path("full.csv");
  ASSERT_TRUE(d.SaveAttributes(f, true, false));
  EXPECT_NE(testenv::readFile(f).find("\r\n"), std::string::npos);
  EXPECT_EQ(pyCsv(f),
            "[\"object type\", \"caption\", \"id\", \"metres2\", \"hectares\", \"length\", \"style number\", \"name\", "
            "\"height\", \"count\"]\n"
            "[\"polygon\", \"Field, \\\"north\\\"\", \"P1\", \"5000.00\", \"0.50\", \"300.00\", \"3\", \"Zürich, 北京\", "
            "\"3.14159\", \"42\"]\n"
            "[\"line\", \"\", \"L1\", \"0.00\", \"0.00\", \"12.50\", \"7\", \"say \\\"hi\\\"\", \"3.14\", \"0\"]\n"
            "[\"point\", \"\", \"T1\", \"0.00\", \"0.00\", \"0.00\", \"0\", \"\", \"0\", \"0\"]\n");
  if (have("command -v ogrinfo")) {
    std::string info = run("ogrinfo -ro -al -q '" + f + "'");
    EXPECT_NE(info.find("name (String) = Zürich, 北京"), std::string::npos) << info;
    EXPECT_NE(info.find("caption (String) = Field, \"north\""), std::string::npos) << info;
    EXPECT_NE(info.find("name (String) = say \"hi\""), std::string::npos) << info;
  }
}

TEST_F(ExportTest, ChosenRowsAndTheIdAlone) {
  TgobArray d;
  fill(d);
  d.slot(1)->state = gob_select;
  const std::string f = path("ids.csv");
  TiList rows{2, 0, 2, 9};
  ASSERT_TRUE(d.SaveAttributes(f, true, false, false, &rows));
  const std::string text = testenv::readFile(f);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "id,\"name\",\"height\",\"count\"");
  EXPECT_EQ(text.substr(text.find("\r\n") + 2),
            "\"T1\",\"\",0,0\r\n\"P1\",\"Zürich, 北京\",3.14159,42\r\n\"T1\",\"\",0,0\r\n");
  ASSERT_TRUE(d.SaveAttributes(f, false, true));  // the selected objects only
  EXPECT_EQ(testenv::readFile(f), "\"name\",\"height\",\"count\"\r\n\"say \"\"hi\"\"\",3.14,0\r\n");
}

TEST_F(ExportTest, FullDbfIsReadBackByDbfreadAndGdal) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  TgobArray d;
  fill(d);
  const std::string f = path("full.dbf");
  ASSERT_TRUE(d.SaveAttributes(f, true, false));
  EXPECT_EQ(pyDbf(f, "cp850"),
            "OBTYPE:C:12:0|CAPTION:C:40:0|ID:C:12:0|METRES2:N:16:2|HECTARES:N:16:2|LINELENGTH:N:16:2|STYLENUM:N:8:0|"
            "NAME:C:40:0|HEIGHT:N:16:2|COUNT:N:10:0\n"
            "polygon|Field, \"north\"|P1|5000.0|0.5|300.0|3|Zürich, ??|3.14|42\n"  // no CJK in code page 850
            "line||L1|0.0|0.0|12.5|7|say \"hi\"|3.14|0\n"
            "point||T1|0.0|0.0|0.0|0||0.0|0\n");
  if (have("command -v ogrinfo")) {
    std::string info = run("ogrinfo -ro -al -q -oo ENCODING=CP850 '" + f + "'");
    EXPECT_NE(info.find("HEIGHT (Real) = 3.14"), std::string::npos) << info;
    EXPECT_NE(info.find("LINELENGTH (Real) = 12.5"), std::string::npos) << info;
  }
  ASSERT_TRUE(d.SaveAttributes(f, true));  // the id alone before the columns
  EXPECT_EQ(pyDbf(f, "cp850").substr(0, 12), "ID:C:12:0|NA");
}

TEST_F(ExportTest, SelectiveExportsKeepEachNameOnce) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  TgobArray d;
  fill(d);
  d.addColumn("id", "x", ftString);
  const std::string csv = path("some.csv"), dbf = path("some.dbf");
  const TiList cols{col_id, 0, col_id, 3, col_area, col_seedx, 1, 77};
  ASSERT_TRUE(d.SaveAttributes(csv, cols));
  EXPECT_EQ(testenv::readFile(csv),
            "\"id\",\"name\",\"area m2\",\"height\"\r\n"
            "P1,\"Zürich, 北京\",5000.00,3.14\r\n"
            "L1,\"say \"\"hi\"\"\",0.00,3.14\r\n"
            "T1,\"\",0.00,0.00\r\n");
  ASSERT_TRUE(d.SaveAttributes(dbf, cols));
  EXPECT_EQ(pyDbf(dbf, "cp1252"),
            "ID:C:12:0|NAME:C:40:0|AREA_M2:N:12:2|HEIGHT:N:16:2\n"
            "P1|Zürich, ??|5000.0|3.14\n"  // nor in Windows-1252
            "L1|say \"hi\"|0.0|3.14\n"
            "T1||0.0|0.0\n");
}

// Empty values (a NULL read from a GeoPackage, a blank number of a shapefile's table) and values
// a field cannot hold become nulls that readers accept, in every form of the dBase export.
TEST_F(DraTest, DbfExportsWriteNullsForValuesTheFieldCannotHold) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  TgobArray d;
  d.addColumn("name", "", ftString);
  d.addColumn("height", "", ftFloat, 2);
  d.addColumn("count", "", ftInteger, 0);
  d.addColumn("flag", "", ftBoolean, 0);
  d.addColumn("day", "", ftDate, 0);
  d.addColumn("note", "", ftMemo, 0);
  const std::vector<std::vector<std::string>> rows = {
      {"a", "1.5", "7", "yes", "2024-01-05", "a long note"},
      {"", "", "", "", "", ""},
      {"c", "n/a", "many", "", "soon", ""},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    Tgob& g = *d.slot(d.addPoint(double(i), 0));
    g.fid = "P" + std::to_string(i);
    g.getDataList().clear();
    for (const std::string& v : rows[i]) g.getDataList().add(v);
  }
  const std::string values[] = {"a|1.5|7|True|2024-01-05|a long note", "|None|None|None|None|",
                                "c|None|None|None|None|"};
  const std::string fields = "NAME:C:40:0|HEIGHT:N:16:2|COUNT:N:10:0|FLAG:L:1:0|DAY:D:8:0|NOTE:C:254:0";
  struct Case {
    const char* id;
    std::function<bool(const std::string&)> save;
    std::string leadingFields;           // before the columns' own
    std::function<std::string(int)> lead;  // the leading values of record i
  } cases[] = {
      {"full", [&](const std::string& f) { return d.SaveAttributes(f, false, false); }, "", [](int) { return ""; }},
      {"with id", [&](const std::string& f) { return d.SaveAttributes(f, true); }, "ID:C:12:0|",
       [](int i) { return "P" + std::to_string(i) + "|"; }},
      {"intrinsic", [&](const std::string& f) { return d.SaveAttributes(f, true, false); },
       "OBTYPE:C:12:0|CAPTION:C:40:0|ID:C:12:0|METRES2:N:16:2|HECTARES:N:16:2|LINELENGTH:N:16:2|STYLENUM:N:8:0|",
       [](int i) { return "point||P" + std::to_string(i) + "|0.0|0.0|0.0|0|"; }},
      {"selective", [&](const std::string& f) { return d.SaveAttributes(f, TiList{0, 1, 2, 3, 4, 5}); }, "",
       [](int) { return ""; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string f = path(std::string("nulls ") + c.id + ".dbf");
    ASSERT_TRUE(c.save(f));
    std::string want = c.leadingFields + fields + "\n";
    for (int i = 0; i < 3; ++i) want += c.lead(i) + values[i] + "\n";
    EXPECT_EQ(pyDbf(f, "cp1252"), want);
    if (have("command -v ogrinfo")) {
      int status = 0;
      const std::string info = run("ogrinfo -ro -al -q '" + f + "' 2>&1", &status);
      EXPECT_EQ(status, 0) << info;
      EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
      EXPECT_NE(info.find("HEIGHT (Real) = (null)"), std::string::npos) << info;
      EXPECT_NE(info.find("COUNT (Integer64) = (null)"), std::string::npos) << info;
      EXPECT_NE(info.find("DAY (Date) = 2024/01/05"), std::string::npos) << info;
    }
  }
}

TEST_F(ExportTest, FailuresWriteNothing) {
  TgobArray d;
  EXPECT_FALSE(d.SaveAttributes(path("nothing.csv"), false)) << "no columns, no id";
  fill(d);
  EXPECT_FALSE(d.SaveAttributes(path("values.txt"), true, false));
  EXPECT_FALSE(platform::isFile(path("values.txt")));
  // A target that cannot be replaced: the folder stays as it was, with no temporary file beside.
  const std::string folder = path("taken.csv");
  std::filesystem::create_directories(folder);
  const std::string tfolder = path("taken.dbf");
  std::filesystem::create_directories(tfolder);
  EXPECT_FALSE(d.SaveAttributes(folder, true, false));
  EXPECT_FALSE(d.SaveAttributes(tfolder, true, false));
  EXPECT_FALSE(d.SaveAttributes(tfolder, TiList{0}));
  EXPECT_TRUE(platform::isFolder(folder));
  EXPECT_TRUE(platform::isFolder(tfolder));
  for (const auto& e : std::filesystem::directory_iterator(testenv::tempDir()))
    EXPECT_NE(e.path().filename().string().rfind(".taken", 0), 0u) << e.path();
  EXPECT_FALSE(d.SaveAttributes(path("nowhere/x.dbf"), true, false));
}
}  // namespace
