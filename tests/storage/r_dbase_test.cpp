// dBase tables: bytes as written, values as read, edits and column changes; files we write are
// read by python3-dbfread and GDAL, files GDAL writes are read by ours.
#include "storage/r_dbase.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

#include "core/os_datatypes.h"
#include "core/r_base.h"
#include "tests/support/testenv.h"

namespace {

std::string run(const std::string& cmd, int* status = nullptr) { return testenv::runCommand(cmd, status); }
bool have(const std::string& probe) { return std::system((probe + " >/dev/null 2>&1").c_str()) == 0; }

struct DbfTest : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
  static std::string path(const std::string& name) {
    static int n = 0;
    return testenv::tempDir() + "t" + std::to_string(++n) + "_" + name;
  }
  static std::string bytes(const std::string& file) { return testenv::readFile(file); }

  // NAME C 20, COUNT N 10, PRICE N 16.2, OK L 1, DAY D 8, and three rows of values.
  std::string sample() {
    std::string f = path("sample.dbf");
    TdbfMake m;
    m.add("name", 'C', 20, 0);
    m.add("count", 'N', 10, 0);
    m.add("price", 'N', 16, 2);
    m.add("ok", 'L', 1, 0);
    m.add("day", 'D', 8, 0);
    EXPECT_TRUE(m.save(f));
    Tdbf t;
    t.setfname(f);
    struct { const char* name; int count; double price; bool ok; int y, mo, d; } rows[] = {
        {"Zürich", 42, 3.14159, true, 2023, 6, 13}, {"O'Brien, \"Jo\"", -7, 0.5, false, 2024, 2, 29},
        {"", 0, 1234.5, true, 1999, 12, 31}};
    for (auto const& r : rows) {
      int row = t.addrow();
      EXPECT_TRUE(t.setStringValue(0, row, r.name));
      EXPECT_TRUE(t.setIntegerValue(1, row, r.count));
      EXPECT_TRUE(t.setDoubleValue(2, row, r.price));
      EXPECT_TRUE(t.setBooleanValue(3, row, r.ok));
      EXPECT_TRUE(t.setDateValue(4, row, r.y, r.mo, r.d));
    }
    return f;
  }

  // dbfread's view of a table: one line per record, fields joined by "|".
  static std::string dbfread(const std::string& file) {
    return run("/usr/bin/python3 -c \"import dbfread,sys\n"
               "t=dbfread.DBF(sys.argv[1],encoding='cp850',char_decode_errors='strict')\n"
               "print('|'.join(f.name+':'+f.type+':'+str(f.length)+':'+str(f.decimal_count) for f in t.fields))\n"
               "for r in t: print('|'.join(str(v) for v in r.values()))\" '" + file + "'");
  }
};

TEST_F(DbfTest, WriterBytes) {
  std::string f = path("bytes.dbf");
  TdbfMake m;
  EXPECT_EQ(m.add("road name", 'C', 40, 0), 0);
  EXPECT_EQ(m.add("a very long name", 'N', 300, 2), 1);  // width clamped to 255
  EXPECT_EQ(m.add("", 'C', 5, 0), -1);
  EXPECT_EQ(m.add("a,b", 'C', 5, 0), -1);
  ASSERT_TRUE(m.save(f));
  std::string b = bytes(f);
  ASSERT_EQ(b.size(), 97u);
  auto u = [&](size_t i) { return int(static_cast<unsigned char>(b[i])); };
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(u(0), 3);
  EXPECT_EQ(u(1), tm.tm_year);
  EXPECT_EQ(u(2), tm.tm_mon + 1);
  EXPECT_EQ(u(3), tm.tm_mday);
  EXPECT_EQ(u(4) + u(5) + u(6) + u(7), 0);
  EXPECT_EQ(u(8) + 256 * u(9), 97);
  EXPECT_EQ(u(10) + 256 * u(11), 1 + 40 + 255);
  EXPECT_EQ(b.substr(32, 11), std::string("ROAD_NAME\0\0", 11));
  EXPECT_EQ(b.substr(64, 11), "A_VERY_LONG");
  EXPECT_EQ(b[32 + 11], 'C');
  EXPECT_EQ(u(64 + 16), 255);
  EXPECT_EQ(u(64 + 17), 2);
  EXPECT_EQ(u(96), 0x0D);

  TdbfMake lower;
  lower.allowLowerCase = true;
  lower.add("road name", 'C', 4, 0);
  ASSERT_TRUE(lower.save(f));
  EXPECT_EQ(bytes(f).substr(32, 9), "road_name");

  // Nothing added: no file, and an older one is left in place.
  TdbfMake none;
  EXPECT_FALSE(none.save(f));
  EXPECT_EQ(bytes(f).substr(32, 9), "road_name");

  Tdbf t;
  t.setfname(f);
  EXPECT_EQ(t.addrow(), 0);
  EXPECT_EQ(t.addrow(), 1);
  b = bytes(f);
  ASSERT_EQ(b.size(), 65u + 2 * 5);
  EXPECT_EQ(b[4], 2);
  EXPECT_EQ(b.substr(65, 5), std::string(" \0\0\0\0", 5));
}

TEST_F(DbfTest, LogicalFieldsAreOneByteWideWhateverWidthIsAsked) {
  std::string f = path("flags.dbf");
  TdbfMake m;
  m.add("flag", 'L', 4, 0);
  m.add("name", 'C', 5, 0);
  ASSERT_TRUE(m.save(f));
  {
    Tdbf t;
    t.setfname(f);
    const int row = t.addrow();
    EXPECT_TRUE(t.setBooleanValue(0, row, true));
    EXPECT_TRUE(t.setStringValue(1, row, "ab"));
  }
  EXPECT_EQ(dbfread(f), "FLAG:L:1:0|NAME:C:5:0\nTrue|ab\n");
}

TEST_F(DbfTest, ValuesAsStoredAndAsRead) {
  std::string f = sample();
  std::string b = bytes(f);
  const size_t rec = 1 + 20 + 10 + 16 + 1 + 8, first = 32 * 6 + 1;
  EXPECT_EQ(b.substr(first + 1 + 20, 10), "        42");
  EXPECT_EQ(b.substr(first + 1 + 30, 16), "            3.14");
  EXPECT_EQ(b.substr(first + 1 + 46, 1), "Y");
  EXPECT_EQ(b.substr(first + 1 + 47, 8), "20230613");
  EXPECT_EQ(b.substr(first + 1, 7), "Z\x81rich ");  // code page 850
  EXPECT_EQ(b.size(), first + 3 * rec);

  Tdbf t;
  t.setfname(f);
  ASSERT_EQ(t.getcols(), 5);
  EXPECT_EQ(t.records(), 3);
  EXPECT_EQ(t.ColumnType(2), ftDouble);
  EXPECT_EQ(t.ColumnType(1), ftInteger);
  EXPECT_EQ(t.getString(0, 0), "Zürich");
  EXPECT_EQ(t.getString(4, 0), "2023 June 13");
  t.wantRawDate = true;
  EXPECT_EQ(t.getString(4, 0), "20230613");
  t.wantRawDate = false;
  EXPECT_EQ(t.getInteger(1, 1), -7);
  EXPECT_TRUE(t.validValue);
  EXPECT_DOUBLE_EQ(t.getDouble(2, 2), 1234.5);
  EXPECT_FALSE(t.getBoolean(3, 1));
  EXPECT_TRUE(t.validValue);
  platform::TDateTime d = t.getDate(4, 1);
  EXPECT_TRUE(t.validValue);
  platform::DateParts p = platform::decodeDateTime(d);
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 20240229);
  EXPECT_EQ(t.getString(0, -1), "");
  EXPECT_EQ(t.getString(0, 3), "");
  TStringList& row = t.getRow(0);
  ASSERT_EQ(row.count(), 5);
  EXPECT_EQ(row[3], "yes");
  EXPECT_EQ(t.findRowFromValue(0, "ZÜRICH"), -1);  // ASCII letters only are folded
  EXPECT_EQ(t.findRowFromValue(0, "zürich"), 0);
  EXPECT_EQ(t.findRowFromValue(1, "-7"), 1);

  // Empty fields read as the type's zero.
  int r = t.addrow();
  EXPECT_EQ(t.getString(1, r), "0");
  EXPECT_EQ(t.getString(3, r), "N");
  EXPECT_EQ(t.getRow(r)[3], "no");
  EXPECT_EQ(t.getString(2, r), os->DoubleToStr(0, 2));
  t.Str2Date("20230230");
  EXPECT_FALSE(t.validValue);
  t.getBoolean(0, 0);  // "Zürich" is no logical value
  EXPECT_FALSE(t.validValue);
}

TEST_F(DbfTest, NumbersKeepAFullStopAndNeverLoseDigits) {
  std::string f = sample();
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  Tdbf t;
  t.setfname(f);
  EXPECT_TRUE(t.setDoubleValue(2, 0, 2.5));
  EXPECT_FALSE(t.setIntegerValue(1, 0, 123456789012LL));  // 12 digits in a field of 10
  setenv("LC_ALL", "C.UTF-8", 1);
  t.wantRawDate = true;
  EXPECT_EQ(t.getString(2, 0), "2.50");
  EXPECT_EQ(t.getString(1, 0), "**********");
  EXPECT_FALSE(t.setDoubleValue(2, 0, std::nan("")));
}

TEST_F(DbfTest, OutsideReadersAgreeAfterEditsAndColumnChanges) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  std::string f = sample();
  EXPECT_EQ(dbfread(f),
            "NAME:C:20:0|COUNT:N:10:0|PRICE:N:16:2|OK:L:1:0|DAY:D:8:0\n"
            "Zürich|42|3.14|True|2023-06-13\n"
            "O'Brien, \"Jo\"|-7|0.5|False|2024-02-29\n"
            "|0|1234.5|True|1999-12-31\n");
  Tdbf t;
  t.setfname(f);
  ASSERT_TRUE(t.Swaprows(0, 2));
  ASSERT_TRUE(t.insertRowAsCopy(1));
  ASSERT_TRUE(t.deleteRow(1));
  ASSERT_TRUE(t.InsertColumn(1, ftBoolean, 0, 0, "flag"));
  ASSERT_TRUE(t.AddColumn(ftDouble, 0, 2, "area"));
  ASSERT_TRUE(t.swapColumns(0, 2));
  ASSERT_TRUE(t.renameColumn(0, "total"));
  ASSERT_TRUE(t.AmendColumn(1, ftString, 3, 0, "flag"));  // L to C: "No"
  ASSERT_TRUE(t.DeleteColumn(3));                           // price
  EXPECT_EQ(dbfread(f),
            "TOTAL:N:10:0|FLAG:C:3:0|NAME:C:20:0|OK:L:1:0|DAY:D:8:0|AREA:N:14:2\n"
            "0|No||True|1999-12-31|0.0\n"
            "-7|No|O'Brien, \"Jo\"|False|2024-02-29|0.0\n"
            "42|No|Zürich|True|2023-06-13|0.0\n");
  if (have("command -v ogrinfo")) {
    std::string info = run("ogrinfo -ro -al -oo ENCODING=CP850 '" + f + "'");
    EXPECT_NE(info.find("NAME (String) = Zürich"), std::string::npos) << info;
    EXPECT_NE(info.find("TOTAL (Integer"), std::string::npos) << info;
    EXPECT_NE(info.find(") = -7"), std::string::npos) << info;
    EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
  }
}

TEST_F(DbfTest, GdalTablesReadAsGdalWroteThem) {
  if (!have("command -v ogr2ogr")) GTEST_SKIP() << "gdal-bin missing";
  std::string dir = testenv::tempDir() + "gdal/";
  testenv::writeFile("gdal/in.csv", "name,size,n,ok,day\nZürich,3.25,7,true,2023/06/13\nParis,10.5,-2,false,1999/12/31\nOslo,0,0,true,2000/01/01\n");
  testenv::writeFile("gdal/in.csvt", "\"String(12)\",\"Real(10.2)\",\"Integer(5)\",\"Integer(Boolean)\",\"Date\"\n");
  int status = 0;
  std::string out = run("cd '" + dir + "' && ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=CP850 out.dbf in.csv", &status);
  ASSERT_EQ(status, 0) << out;
  // Flag the second record deleted, as another program would.
  std::string file = dir + "out.dbf";
  std::string b = bytes(file);
  unsigned hs = unsigned(static_cast<unsigned char>(b[8])) | unsigned(static_cast<unsigned char>(b[9])) << 8;
  unsigned rs = unsigned(static_cast<unsigned char>(b[10])) | unsigned(static_cast<unsigned char>(b[11])) << 8;
  b[hs + rs] = '*';
  testenv::writeFile("gdal/out.dbf", b);
  Tdbf t;
  t.readonly = true;
  t.setfname(file);
  ASSERT_EQ(t.getcols(), 5);
  EXPECT_EQ(t.records(), 3);
  EXPECT_EQ(t.ColumnName(0), "name");
  EXPECT_EQ(t.ColumnType(1), ftDouble);
  EXPECT_EQ(t.ColumnDecPlaces(1), 2);
  EXPECT_EQ(t.ColumnType(2), ftInteger);
  EXPECT_EQ(t.ColumnType(3), ftInteger);  // GDAL writes a logical column as N 1
  EXPECT_EQ(t.ColumnType(4), ftDate);
  EXPECT_EQ(t.getString(0, 0), "Zürich");
  EXPECT_DOUBLE_EQ(t.getDouble(1, 0), 3.25);
  EXPECT_EQ(t.getInteger(2, 1), -2);
  EXPECT_EQ(t.getInteger(3, 0), 1);
  EXPECT_EQ(t.getInteger(3, 1), 0);
  EXPECT_EQ(t.getString(4, 0), "2023 June 13");
  EXPECT_FALSE(t.validRow(1));
  EXPECT_EQ(t.findRowFromValue(0, "paris"), -1);  // flagged deleted
  EXPECT_EQ(t.findRowFromValue(0, "oslo"), 2);
}

TEST_F(DbfTest, HostileHeadersAreRefusedOrReadAsFarAsConsistent) {
  std::string good = bytes(sample());
  auto with = [&](size_t at, std::string patch) {
    std::string b = good;
    b.replace(at, patch.size(), patch);
    return b;
  };
  struct Case { const char* id; std::string bytes; int cols, rows; } cases[] = {
      {"record size 0", with(10, std::string("\0\0", 2)), 0, 0},
      {"header below 33", with(8, std::string("\x20\0", 2)), 0, 0},
      {"header beyond the file", with(8, std::string("\xff\xff", 2)), 0, 0},
      {"field outside the record", with(10, std::string("\x10\0", 2)), 0, 0},
      {"count beyond the records", with(4, std::string("\xff\xff\0\0", 4)), 5, 3},
      {"trailing end-of-file byte", good + "\x1a", 5, 3},
      {"cut record", good.substr(0, good.size() - 10), 5, 2},
      {"tiny", "\x03\x01", 0, 0},
      {"terminator early", with(32 * 3, "\x0d"), 2, 3},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    std::string f = testenv::writeFile(std::string("hostile/") + c.id + ".dbf", c.bytes);
    Tdbf t;
    t.setfname(f);
    EXPECT_EQ(t.getcols(), c.cols);
    EXPECT_EQ(t.records(), c.rows);
    for (int r = -1; r <= c.rows; ++r)
      for (int col = -1; col <= c.cols; ++col) (void)t.getString(col, r);
  }
  // The first appended record overwrites an end-of-file byte.
  std::string f = testenv::writeFile("hostile/eof.dbf", good + "\x1a");
  Tdbf t;
  t.setfname(f);
  EXPECT_EQ(t.addrow(), 3);
  EXPECT_EQ(bytes(f).size(), good.size() + size_t(t.recordSize()));
}

TEST_F(DbfTest, ReadOnlyFilesOpenReadOnlyAndRefuseEveryWrite) {
  std::string f = sample();
  std::string before = bytes(f);
  chmod(f.c_str(), 0444);
  Tdbf t;
  t.setfname(f);
  EXPECT_FALSE(t.writable());
  EXPECT_FALSE(t.readonly);  // the file's state, not the caller's wish
  EXPECT_EQ(t.records(), 3);
  EXPECT_FALSE(t.setStringValue(0, 0, "x"));
  EXPECT_EQ(t.addrow(), -1);
  EXPECT_FALSE(t.deleteRow(0));
  EXPECT_FALSE(t.Swaprows(0, 1));
  EXPECT_FALSE(t.InsertColumn(0, ftString, 5, 0, "x"));
  EXPECT_FALSE(t.DeleteColumn(0));
  chmod(f.c_str(), 0644);
  EXPECT_EQ(bytes(f), before);

  // The same object on a table it may write writes it; asked for reading only, it does not.
  std::string g = sample();
  t.setfname(g);
  EXPECT_TRUE(t.writable());
  EXPECT_TRUE(t.setStringValue(0, 0, "edited"));
  EXPECT_EQ(t.addrow(), 3);
  t.readonly = true;
  t.setfname(g);
  EXPECT_EQ(t.getString(0, 0), "edited");
  EXPECT_FALSE(t.setStringValue(0, 0, "again"));
  t.readonly = false;
  t.setfname(g);
  EXPECT_TRUE(t.setStringValue(0, 0, "again"));
  t.setfname("");
  EXPECT_EQ(bytes(g).substr(32 * 6 + 2, 5), "again");
}

TEST_F(DbfTest, RowEdits) {
  std::string f = sample();
  Tdbf t;
  t.setfname(f);
  EXPECT_FALSE(t.insertRow(3));  // inserting cannot append
  EXPECT_FALSE(t.setStringValue(0, 3, "x"));
  EXPECT_TRUE(t.MoveRowDown(0));
  EXPECT_EQ(t.getInteger(1, 0), -7);
  EXPECT_FALSE(t.MoveRowUp(0));
  EXPECT_FALSE(t.MoveRowDown(2));
  EXPECT_TRUE(t.insertRow(0));
  EXPECT_EQ(t.records(), 4);
  EXPECT_EQ(t.getString(0, 0), "");
  EXPECT_TRUE(t.setStringValue(4, 0, "2023-06-13 10:00"));
  t.wantRawDate = true;
  EXPECT_EQ(t.getString(4, 0), "20230613");
  t.wantRawDate = false;
  EXPECT_TRUE(t.setStringValue(4, 0, "2021 March 05"));
  EXPECT_EQ(t.getString(4, 0), "2021 March 05");
  EXPECT_TRUE(t.setStringValue(0, 0, "abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(t.getString(0, 0), "abcdefghijklmnopqrst");
  EXPECT_TRUE(t.deleteRow(3));
  EXPECT_EQ(t.records(), 3);
  EXPECT_EQ(bytes(f)[4], 3);
}

TEST_F(DbfTest, ColumnChangesAndExtracts) {
  std::string f = sample();
  Tdbf t;
  t.setfname(f);
  ASSERT_TRUE(t.InsertColumn(0, ftBoolean, 0, 0, "flag"));
  EXPECT_EQ(t.ColumnWidth(0), 1);
  EXPECT_EQ(t.getString(0, 2), "N");
  ASSERT_TRUE(t.AddColumn(ftDouble, 0, 2, "area"));
  EXPECT_EQ(t.ColumnWidth(6), 14);
  t.wantRawDate = true;
  EXPECT_EQ(t.getString(6, 0), "0.00");
  // C to L with another width: "yes" texts become Y.
  ASSERT_TRUE(t.setStringValue(1, 0, "yes"));
  ASSERT_TRUE(t.AmendColumn(1, ftBoolean, 1, 0, "name"));
  EXPECT_EQ(t.ColumnType(1), ftBoolean);
  EXPECT_EQ(t.getString(1, 0), "Y");
  EXPECT_EQ(t.getString(1, 1), "N");
  // Same width: only the descriptor changes.
  ASSERT_TRUE(t.AmendColumn(2, ftString, 10, 0, "counted"));
  EXPECT_EQ(t.ColumnName(2), "COUNTED");
  EXPECT_EQ(t.getString(2, 0), "42");
  // Several columns at once keep the kept fields' bytes (dates stay digits).
  ASSERT_TRUE(t.DeleteColumns({0, 3, 6}));
  EXPECT_EQ(t.getcols(), 4);
  EXPECT_EQ(t.getString(3, 0), "20230613");
  // Definitions appended, an existing name skipped.
  std::string def = testenv::writeFile("defs.txt", "DAY,8,D,0\nCODE,6,C,0\nSCORE,8,N,1\n");
  ASSERT_TRUE(t.appendcolumns(def));
  EXPECT_EQ(t.getcols(), 6);
  EXPECT_EQ(t.getString(5, 1), "0.0");
  // No fixed-name temporary files are left about.
  EXPECT_FALSE(have("ls '" + os->getTempDir() + "temp.dbf'"));

  std::string ex = path("extract.dbf");
  TStringList none;
  none.add("no such id");
  ASSERT_TRUE(t.makeExtract(ex, none, 0));
  Tdbf e;
  e.setfname(ex);
  EXPECT_EQ(e.getcols(), 6);
  EXPECT_EQ(e.records(), 0);
  ASSERT_TRUE(t.makeExtractFromRowNumbers(ex, {2, 0, 99}));
  e.setfname(ex);
  EXPECT_EQ(e.records(), 2);
  EXPECT_EQ(e.getString(1, 1), "42");
  EXPECT_EQ(bytes(ex)[4], 2);
}

TEST_F(DbfTest, CsvAndListedEdits) {
  std::string f = sample();
  Tdbf t;
  t.setfname(f);
  std::string csv = path("out.csv");
  ASSERT_TRUE(t.saveAsCSV(csv, true, {2, 0}));
  EXPECT_EQ(bytes(csv), "NAME,COUNT,PRICE,OK,DAY\r\nZürich,42,3.14,Y,2023 June 13\r\n,0,1234.50,Y,1999 December 31\r\n");
  ASSERT_TRUE(t.saveAsCSV(csv, false, {}));
  EXPECT_NE(bytes(csv).find("\"O'Brien, \"\"Jo\"\"\""), std::string::npos);
  EXPECT_FALSE(t.saveAsCSV(testenv::tempDir() + "no/such/folder.csv", true, {}));

  std::string updates = testenv::writeFile("upd.txt", "42,100,Y\nnobody,5,N\n");
  ASSERT_TRUE(t.updateData(updates, "PRICE,OK", 1));
  EXPECT_DOUBLE_EQ(t.getDouble(2, 0), 100);
  std::string deletions = testenv::writeFile("del.txt", "-7\n");
  ASSERT_TRUE(t.deleteData(deletions, 1));
  EXPECT_EQ(t.records(), 2);
  std::string listed = path("list.csv");
  ASSERT_TRUE(t.listValues("", "COUNT", listed, "OK,NAME,MISSING"));
  EXPECT_EQ(bytes(listed), "Y,Zürich\r\nY,\r\n");
}

// Characters code page 850 lacks are stored as "?".
TEST_F(DbfTest, CharactersWithoutACodePageFormBecomeQuestionMarks) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  std::string f = sample();
  Tdbf t;
  t.setfname(f);
  ASSERT_TRUE(t.setStringValue(0, 0, "€ sign"));
  ASSERT_TRUE(t.setStringValue(0, 1, "日本 Zürich"));
  t.setfname("");
  EXPECT_EQ(bytes(f).substr(32 * 6 + 2, 6), "? sign");
  const std::string read = dbfread(f);
  EXPECT_NE(read.find("\n? sign|42|"), std::string::npos) << read;
  EXPECT_NE(read.find("\n?? Zürich|-7|"), std::string::npos) << read;
}

// The header's language-driver byte names the code page when no .cpg does; our tables name the
// one they are written in, so readers without a .cpg decode them as we do.
TEST_F(DbfTest, CodePagesFollowTheLanguageDriverByte) {
  // Made by ogr2ogr -lco ENCODING=LDID/87 from a CSV: byte 29 = 0x57 (Windows-1252), no .cpg.
  const std::string gdal = testenv::writeFile("ldid/places.dbf", testenv::readFile(testenv::sourceDir() + "tests/storage/data/ldid87_places.dbf"));
  ASSERT_EQ(uint8_t(bytes(gdal)[29]), 0x57);
  Tdbf t;
  t.readonly = true;
  t.setfname(gdal);
  EXPECT_EQ(t.getString(0, 0), "Jardim Atlântico");
  EXPECT_EQ(t.getString(0, 1), "Côte-d'Or Süd");
  t.codepage = "ibm-850";  // a .cpg still wins
  t.setfname(gdal);
  EXPECT_EQ(t.getString(0, 0), "Jardim Atl\u00d4ntico");
  t.codepage.clear();

  // Ours: 850 by default, Windows-1252 under supressOEM; each says so in byte 29.
  struct Case { const char* id; bool supress; uint8_t driver; } cases[] = {{"code page 850", false, 0x02}, {"Windows-1252", true, 0x57}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string f = path("written.dbf");
    TdbfMake m;
    m.add("name", 'C', 20, 0);
    ASSERT_TRUE(m.save(f));
    EXPECT_EQ(uint8_t(bytes(f)[29]), 0x02);
    Tdbf w;
    w.supressOEM = c.supress;
    w.setfname(f);
    ASSERT_TRUE(w.setStringValue(0, w.addrow(), "Côte"));
    w.setfname("");
    EXPECT_EQ(uint8_t(bytes(f)[29]), c.driver);
    w.supressOEM = false;
    w.setfname(f);
    EXPECT_EQ(w.getString(0, 0), "Côte");  // the byte decides now, not the switch
    if (have("command -v ogrinfo")) {
      const std::string info = run("ogrinfo -ro -al '" + f + "'");
      EXPECT_NE(info.find("NAME (String) = Côte"), std::string::npos) << info;
    }
  }
  if (have("command -v ogrinfo")) EXPECT_NE(run("ogrinfo -ro -al '" + gdal + "'").find("= Jardim Atlântico"), std::string::npos);
}

// A table with slack bytes after its last field and a field of width 0, as other programs
// write them: rewrites start from the fields as read.
TEST_F(DbfTest, RewritesFollowTheFieldsAsRead) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  // ID N 4, GAP C 0, NAME C 3, then 3 slack bytes "ZZZ" in each record of 11 bytes.
  std::string h(32 + 3 * 32 + 1, '\0');
  h[0] = 3;
  h[4] = 2;
  h[8] = char(h.size());
  h[10] = 11;
  auto field = [&](int i, const char* name, char type, int width) {
    std::memcpy(&h[size_t(32 + 32 * i)], name, std::strlen(name));
    h[size_t(32 + 32 * i + 11)] = type;
    h[size_t(32 + 32 * i + 16)] = char(width);
  };
  field(0, "ID", 'N', 4);
  field(1, "GAP", 'C', 0);
  field(2, "NAME", 'C', 3);
  h[h.size() - 1] = 0x0D;
  const std::string file = testenv::writeFile("slack.dbf", h + "   12abcZZZ" + "   34xyzZZZ");
  struct Case {
    const char* id;
    std::function<bool(Tdbf&)> op;
    std::string want;  // dbfread: fields, then the rows
  } cases[] = {
      {"a number column last", [](Tdbf& t) { return t.AddColumn(ftInteger, 0, 0, "n"); },
       "ID:N:4:0|GAP:C:0:0|NAME:C:3:0|N:N:12:0\n12||abc|0\n34||xyz|0\n"},
      {"a column first", [](Tdbf& t) { return t.InsertColumn(0, ftBoolean, 0, 0, "f"); },
       "F:L:1:0|ID:N:4:0|GAP:C:0:0|NAME:C:3:0\nFalse|12||abc\nFalse|34||xyz\n"},
      {"columns swapped", [](Tdbf& t) { return t.swapColumns(0, 2); }, "NAME:C:3:0|GAP:C:0:0|ID:N:4:0\nabc||12\nxyz||34\n"},
      {"a column amended", [](Tdbf& t) { return t.AmendColumn(0, ftString, 6, 0, "id"); },
       "ID:C:6:0|GAP:C:0:0|NAME:C:3:0\n12||abc\n34||xyz\n"},
      {"a column deleted", [](Tdbf& t) { return t.DeleteColumn(2); }, "ID:N:4:0|GAP:C:0:0\n12|\n34|\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string f = testenv::writeFile("slack_copy.dbf", testenv::readFile(file));
    Tdbf t;
    t.setfname(f);
    ASSERT_EQ(t.getcols(), 3);
    ASSERT_TRUE(c.op(t));
    t.setfname("");
    EXPECT_EQ(dbfread(f), c.want);
  }
  const std::string def = testenv::writeFile("slack_defs.txt", "EXTRA,5,N,1\n");
  const std::string f = testenv::writeFile("slack_copy.dbf", testenv::readFile(file));
  Tdbf t;
  t.setfname(f);
  ASSERT_TRUE(t.appendcolumns(def));
  t.setfname("");
  EXPECT_EQ(dbfread(f), "ID:N:4:0|GAP:C:0:0|NAME:C:3:0|EXTRA:N:5:1\n12||abc|0.0\n34||xyz|0.0\n");
}

// Field names a rewrite could not write again are said at opening; values stay editable.
TEST_F(DbfTest, TablesWhoseColumnsCannotBeRewrittenSaySoAtOpening) {
  std::string good = bytes(sample());
  for (const char* name : {"", "A,B"}) {
    SCOPED_TRACE(name);
    std::string b = good;
    std::memset(&b[32], 0, 11);
    std::memcpy(&b[32], name, std::strlen(name));
    const std::string f = testenv::writeFile("names.dbf", b);
    Tdbf t;
    t.setfname(f);
    ASSERT_EQ(t.getcols(), 5);
    EXPECT_NE(t.restructureBlock().find("field 1"), std::string::npos) << t.restructureBlock();
    EXPECT_TRUE(t.setIntegerValue(1, 0, 5));
    EXPECT_FALSE(t.InsertColumn(0, ftString, 5, 0, "x"));
    EXPECT_NE(t.err().find(t.restructureBlock()), std::string::npos) << t.err();
    EXPECT_FALSE(t.DeleteColumn(2));
    EXPECT_EQ(t.generateDefinition(path("def.txt"), -1, -1, 0, 0, ""), -1);
    EXPECT_EQ(t.getInteger(1, 0), 5);
  }
}

TEST_F(DbfTest, DefinitionsOfAChangedTable) {
  std::string f = sample();
  Tdbf t;
  t.setfname(f);
  const std::string def = path("def.txt");
  const std::string all = "NAME,20,C,0\r\nCOUNT,10,N,0\r\nPRICE,16,N,2\r\nOK,1,L,0\r\nDAY,8,D,0\r\n";
  struct Case { const char* id; int col, type, width, dplaces; int result; std::string lines; } cases[] = {
      {"none left out", -1, -1, 0, 0, 0, all},
      {"one left out", 1, -1, 0, 0, 0, "NAME,20,C,0\r\nPRICE,16,N,2\r\nOK,1,L,0\r\nDAY,8,D,0\r\n"},
      {"an integer first", 0, ftInteger, 3, 0, 12, "NEW_ONE,12,N,0\r\n" + all},
      {"a real last", 5, ftDouble, 0, 3, 15, all + "NEW_ONE,15,N,3\r\n"},
      {"a time replaces the second", 10001, ftTime, 9, 0, 9,
       "NAME,20,C,0\r\nNEW_ONE,9,C,0\r\nPRICE,16,N,2\r\nOK,1,L,0\r\nDAY,8,D,0\r\n"},
      {"a logical before the date", 4, ftBoolean, 7, 0, 1,
       "NAME,20,C,0\r\nCOUNT,10,N,0\r\nPRICE,16,N,2\r\nOK,1,L,0\r\nNEW_ONE,1,L,0\r\nDAY,8,D,0\r\n"},
      {"a date", 0, ftDate, 3, 0, 8, "NEW_ONE,8,D,0\r\n" + all},
      {"beyond the columns", 6, ftString, 5, 0, -1, ""},
      {"no such column left out", 9, -1, 0, 0, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::remove(def.c_str());
    EXPECT_EQ(t.generateDefinition(def, c.col, c.type, c.width, c.dplaces, "new one"), c.result);
    EXPECT_EQ(testenv::readFile(def), c.lines);
  }

  // Amended to a time or date-time: a text field of the given width, the values kept.
  ASSERT_TRUE(t.AmendColumn(1, ftDateTime, 14, 0, "when"));
  ASSERT_TRUE(t.AmendColumn(0, ftTime, 12, 0, "at"));
  EXPECT_EQ(t.ColumnType(1), ftString);
  EXPECT_EQ(t.ColumnWidth(1), 14);
  EXPECT_EQ(t.ColumnWidth(0), 12);
  EXPECT_EQ(t.getString(1, 1), "-7");
  EXPECT_EQ(t.getString(0, 0), "Zürich");
  if (have("/usr/bin/python3 -c 'import dbfread'")) {
    t.setfname("");
    EXPECT_EQ(dbfread(f).substr(0, 28), "AT:C:12:0|WHEN:C:14:0|PRICE:");
  }
}

// An edit stopped once its journal is written is finished by the next opening; a damaged
// journal is no edit.
TEST_F(DbfTest, TheJournalFinishesAnEditAKillInterrupted) {
  std::string f = sample();
  const std::string before = bytes(f);
  struct Case {
    const char* id;
    std::function<bool(Tdbf&)> op;
    std::function<void(Tdbf&)> check;
  } cases[] = {
      {"a value", [](Tdbf& t) { return t.setStringValue(0, 0, "new name") && !t.getString(0, 1).empty(); },
       [](Tdbf& t) { EXPECT_EQ(t.getString(0, 0), "new name"); }},
      {"a deleted row", [](Tdbf& t) { return t.deleteRow(0); },
       [](Tdbf& t) { EXPECT_EQ(t.records(), 2); EXPECT_EQ(t.getInteger(1, 0), -7); }},
      {"an inserted copy", [](Tdbf& t) { return t.insertRowAsCopy(2); },
       [](Tdbf& t) { EXPECT_EQ(t.records(), 4); EXPECT_EQ(t.getInteger(1, 2), 0); EXPECT_EQ(t.getInteger(1, 1), -7); }},
      {"swapped rows", [](Tdbf& t) { return t.Swaprows(0, 2); },
       [](Tdbf& t) { EXPECT_EQ(t.getInteger(1, 2), 42); EXPECT_EQ(t.getString(0, 0), ""); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    testenv::writeFile(f.substr(testenv::tempDir().size()), before);
    {
      Tdbf t;
      t.setfname(f);
      Tdbf::stopAfterJournalForTesting();
      c.op(t);
    }
    EXPECT_TRUE(have("test -f '" + Tdbf::journalName(f) + "'"));
    Tdbf t;
    t.setfname(f);
    EXPECT_FALSE(have("test -f '" + Tdbf::journalName(f) + "'"));
    c.check(t);
    EXPECT_EQ(bytes(f)[4], char(t.records()));
  }
  // Damaged: ignored and removed, the table as it stood.
  testenv::writeFile(f.substr(testenv::tempDir().size()), before);
  {
    Tdbf t;
    t.setfname(f);
    Tdbf::stopAfterJournalForTesting();
    t.deleteRow(1);
  }
  std::string j = bytes(Tdbf::journalName(f));
  j[j.size() / 2] ^= 0x55;
  testenv::writeFile(Tdbf::journalName(f).substr(testenv::tempDir().size()), j);
  Tdbf t;
  t.setfname(f);
  EXPECT_EQ(t.records(), 3);
  EXPECT_EQ(bytes(f), before);
  EXPECT_FALSE(have("test -f '" + Tdbf::journalName(f) + "'"));
}

// Repeated kills during value edits, inserted and deleted rows and swaps of records that cross
// page boundaries: each table left behind, once opened again, reads whole in dbfread with every
// record old or new, never half of each.
TEST_F(DbfTest, KilledEditsLeaveEveryRecordOldOrNew) {
  if (!have("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread missing";
  const std::string f = testenv::tempDir() + "kills/edited.dbf";
  testenv::writeFile("kills/.keep", "");
  {
    TdbfMake m;
    m.add("id", 'N', 6, 0);
    for (const char* name : {"a", "b", "c"}) m.add(name, 'C', 250, 0);
    ASSERT_TRUE(m.save(f));
    Tdbf t;
    t.setfname(f);
    for (int r = 0; r < 160; ++r) {
      ASSERT_EQ(t.addrow(), r);
      t.setIntegerValue(0, r, r);
      for (int c = 1; c <= 3; ++c) t.setStringValue(c, r, "r" + std::to_string(r) + " v0 " + std::string(200, char('a' + r % 26)));
    }
  }
  std::vector<std::string> copies;
  for (int round = 0; round < 16; ++round) {
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(progress[0]);
      Tdbf t;
      t.setfname(f);
      for (int v = 1;; ++v) {
        const int row = (v * 7 + round) % t.records();
        switch (v % 4) {
          case 2: t.Swaprows(row, (row + 5) % t.records()); break;
          case 3:
            if (t.records() < 170) t.insertRowAsCopy(row);
            else t.deleteRow(row);
            break;
          default: {
            const std::string value = "r" + t.getString(0, row) + " v" + std::to_string(v) + " " + std::string(size_t(100 + v % 120), 'x');
            for (int c = 1; c <= 3; ++c) t.setStringValue(c, row, value);
            (void)t.getString(1, (row + 1) % t.records());  // the edited record goes back to the file
          }
        }
        if (write(progress[1], "x", 1) != 1) _exit(3);
      }
    }
    close(progress[1]);
    char c;
    for (int n = 0; n < 1 + round % 5; ++n) ASSERT_EQ(read(progress[0], &c, 1), 1);
    usleep(useconds_t(round % 4 * 150));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(progress[0]);
    Tdbf t;
    t.setfname(f);  // finishes an edit the kill left in the journal
    t.setfname("");
    copies.push_back(testenv::writeFile("kills/round" + std::to_string(round) + ".dbf", testenv::readFile(f)));
  }
  std::string files, want;
  for (const auto& file : copies) {
    files += " '" + file + "'";
    want += "ok\n";
  }
  EXPECT_EQ(run("/usr/bin/python3 -c \"import dbfread,sys,os\n"
                "for f in sys.argv[1:]:\n"
                "  t=dbfread.DBF(f,encoding='cp850')\n"
                "  recs=list(t)\n"
                "  whole=(os.path.getsize(f)-t.header.headerlen)//t.header.recordlen==len(recs)\n"
                "  bad=[r for r in recs if not (r['A']==r['B']==r['C'] and r['A'].startswith('r%d v' % r['ID']))]\n"
                "  print('ok' if whole and not bad else f+' '+str(len(recs))+' '+str(bad[:1]))\"" + files),
            want);
}

}  // namespace
