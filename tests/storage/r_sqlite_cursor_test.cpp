// The table cursor: reads with standing and given conditions, row numbers, bound writes, row
// moves, imports and CSV; results checked in the sqlite3 shell and with Python's csv module.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/r_sqlite.h"
#include "tests/storage/sqlite_fixture.h"

namespace {

struct CursorTest : SqliteFixture {
  std::string file;
  std::unique_ptr<TliteDB> db;
  void SetUp() override {
    SqliteFixture::SetUp();
    file = freshPath("cursor.db");
    ASSERT_TRUE(cli(file,
                    "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, size INTEGER, kind INTEGER, area DOUBLE, pic BLOB);"
                    "INSERT INTO t (name,size,kind,area) VALUES ('a',1,1,0.5),('b',7,1,1.5),('c',3,2,2.5),('d',9,1,3.5);"
                    "CREATE TABLE e (name TEXT);"));
    db = TliteDB::create();
    ASSERT_TRUE(db->setfile(file));
  }
  void TearDown() override {
    db.reset();
    SqliteFixture::TearDown();
  }
  std::string names(TliteRead& c, const std::string& where, const std::string& order = "") {
    std::string out;
    if (!c.StartRead(where, order)) return "(no read)";
    while (c.nextRow()) out += c.getnamed("name").gets();
    return out;
  }
};

TEST_F(CursorTest, ColumnsAndPrimaryKey) {
  TliteRead c(db.get(), "t");
  ASSERT_TRUE(c.tableexists);
  EXPECT_EQ(c.columnCount(), 6);
  EXPECT_TRUE(c.getnamed("id").primary);  // found without square brackets too
  EXPECT_FALSE(c.getnamed("name").primary);
  TliteRead none(db.get(), "missing");
  EXPECT_FALSE(none.tableexists);
  EXPECT_EQ(none.count(), -1);
  TliteRead empty(db.get(), "e");
  EXPECT_EQ(empty.count("name = 'x'"), 0);
}

TEST_F(CursorTest, ConditionsAndOrders) {
  TliteRead c(db.get(), "t");
  EXPECT_EQ(names(c, ""), "abcd");
  EXPECT_EQ(names(c, "", "-name"), "dcba");
  EXPECT_EQ(names(c, "", "size DESC"), "dbca");
  c.setwherestr("kind = 1");
  // An OR in the given condition stays inside its own parentheses.
  EXPECT_EQ(names(c, "size > 5 OR size < 2"), "abd");
  EXPECT_EQ(names(c, "size > 5"), "bd");
  c.setwherestr("");
  ASSERT_TRUE(c.StartPartialRead("`name`,'size'", "", "size"));
  std::string seen;
  while (c.nextRow()) seen += c.getnamed("name").gets() + std::to_string(c.getnamed("size").geti());
  EXPECT_EQ(seen, "a1c3b7d9");
  EXPECT_EQ(c.getnamed("area").startIndex, -1);
  EXPECT_TRUE(c.validRead);
  EXPECT_EQ(db->state(), sql_none);
  EXPECT_FALSE(c.StartPartialRead("nosuch", ""));
  ASSERT_TRUE(cli(file, "INSERT INTO t (name) VALUES ('');"));
  EXPECT_EQ(c.count("name LIKE ''") >= 0, true);
  ASSERT_TRUE(c.StartRead("name LIKE ''"));
  int rows = 0;
  while (c.nextRow()) ++rows;
  EXPECT_EQ(rows, 1);
}

TEST_F(CursorTest, RowNumbers) {
  TliteRead c(db.get(), "t");
  c.refreshIDs("", "size");
  ASSERT_EQ(c.ids().size(), 4u);
  EXPECT_EQ(c.getstr(1, 0), "a");
  EXPECT_EQ(c.getstr(1, 3), "d");
  EXPECT_EQ(c.getstr(1, 4), "");  // outside the list: nothing
  EXPECT_EQ(c.getstr(1, -1), "");
  EXPECT_FALSE(c.getRow(5, true));
  EXPECT_TRUE(c.getRow(1, true));
  EXPECT_EQ(c.getnamed("name").gets(), "c");
  EXPECT_TRUE(c.getNull(5, 0));
  Tbytes blob{0, 1, 2, 200, 255};
  EXPECT_TRUE(c.setmem(5, 0, &blob));
  const Tbytes* back = c.getmem(5, 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(*back, blob);
  int size = 0;
  const void* p = c.gotocolrow(5, 0, &size);
  EXPECT_EQ(size, 5);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::memcmp(p, blob.data(), 5), 0);
  c.finishRead();
  EXPECT_TRUE(c.getRow("name", "b"));
  EXPECT_EQ(c.getnamed("size").geti(), 7);
  EXPECT_FALSE(c.getRow("name", "no ' such"));
  TStringList v;
  v.add("a");
  v.add("O'x");
  v.add("d");
  EXPECT_EQ(c.getRows("name", v), 2);
}

TEST_F(CursorTest, WritesAreBoundAndKeepValues) {
  TliteRead c(db.get(), "t");
  c.getnamed("name").sets("O'Brien");
  c.getnamed("size").seti(3);
  c.getnamed("area").setd(1.0 / 3);
  c.getnamed("kind").ftoNull = true;
  Tbytes blob{1, 2, 3};
  c.getnamed("pic").setmem(&blob);
  ASSERT_TRUE(c.insertNew());
  EXPECT_EQ(cliQuery(file, "SELECT name, typeof(kind), area = 1.0/3, hex(pic) FROM t WHERE id = 5;"), "O'Brien|null|1|010203");
  c.getnamed("name").sets("Zed");
  ASSERT_TRUE(c.update("id = 5"));
  EXPECT_EQ(cliQuery(file, "SELECT name, size FROM t WHERE id = 5;"), "Zed|3");
  c.getnamed("name").sets("new");
  ASSERT_TRUE(c.updateOrAdd("id = 99"));
  EXPECT_EQ(cliQuery(file, "SELECT count(*) FROM t WHERE name = 'new';"), "1");
  ASSERT_TRUE(c.insertNew());  // nothing set: a row of defaults
  EXPECT_EQ(cliQuery(file, "SELECT count(*) FROM t;"), "7");
  c.refreshIDs();
  EXPECT_TRUE(c.setstr(1, 0, "it's"));
  EXPECT_EQ(cliQuery(file, "SELECT name FROM t WHERE id = 1;"), "it's");
  EXPECT_EQ(cliQuery(file, "SELECT name FROM t WHERE id = 2;"), "b");  // the other table untouched
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok");
}

TEST_F(CursorTest, Deleting) {
  TliteRead c(db.get(), "t");
  c.refreshIDs();
  EXPECT_TRUE(c.Delete("kind = 2"));
  EXPECT_EQ(c.ids().size(), 3u);
  EXPECT_TRUE(c.Delete("kind = 5"));  // no such rows: nothing deleted, ids refreshed
  EXPECT_EQ(c.ids().size(), 3u);
  EXPECT_FALSE(c.Delete(std::vector<int>{0, 9}));
  EXPECT_EQ(c.count(), 3);
  EXPECT_TRUE(c.Delete(std::vector<int>{0, 2}));
  EXPECT_EQ(c.count(), 1);
}

TEST_F(CursorTest, CopiesSwapsAndInsertsAtAPosition) {
  TliteRead c(db.get(), "t");
  ASSERT_TRUE(c.copyRows("kind = 1", "kind = 7"));
  EXPECT_EQ(cliQuery(file, "SELECT group_concat(name, '') FROM t WHERE kind = 7;"), "abd");
  ASSERT_TRUE(cli(file, "DELETE FROM t WHERE kind = 7;"));
  ASSERT_TRUE(cli(file, "INSERT INTO t (name,size,kind) VALUES ('e',5,1);"));
  ASSERT_TRUE(c.insertNewRow(2, true));  // a copy of the second of five rows
  EXPECT_EQ(cliQuery(file, "SELECT group_concat(name, '') FROM (SELECT name FROM t ORDER BY ROWID);"), "abbcde");
  EXPECT_EQ(cliQuery(file, "SELECT count(*) FROM t;"), "6");
  ASSERT_TRUE(c.swapRows(1, 2));
  EXPECT_EQ(cliQuery(file, "SELECT name FROM t WHERE id = 1;"), "b");
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok");
}

TEST_F(CursorTest, ImportsFromThisAndAnotherFile) {
  std::string other = freshPath("other.db");
  ASSERT_TRUE(cli(other, "CREATE TABLE s (name TEXT, size TEXT, extra DOUBLE); INSERT INTO s VALUES ('x','big',2.5);"));
  TliteRead c(db.get(), "t");
  ASSERT_TRUE(c.importtable(other, "s", "", ""));
  c.refresh();
  EXPECT_GE(c.indexOf("size (1)"), 0);  // a text size beside the integer one
  EXPECT_GE(c.indexOf("extra"), 0);
  EXPECT_EQ(cliQuery(file, "SELECT name, size, \"size (1)\", extra FROM t WHERE name = 'x';"), "x||big|2.5");
  EXPECT_FALSE(c.importtable(freshPath("missing.db"), "s", "", ""));
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok");
}

// Texts with single quotes, doubled ones included, are read, written, exported and merged
// exactly as set; the shell's quote() and Python's csv judge.
TEST_F(CursorTest, TextsWithQuotesTravelExactly) {
  const std::vector<std::string> texts = {"5' 10''", "it''s", "''", "'", "a'''b", "plain"};
  auto literal = [](const std::string& t) {
    std::string out = "'";
    for (char ch : t) out += ch == '\'' ? std::string("''") : std::string(1, ch);
    return out + "'";
  };
  ASSERT_TRUE(cli(file, "DELETE FROM t;"));
  TliteRead c(db.get(), "t");
  for (size_t i = 0; i < texts.size(); ++i) {
    c.getnamed("name").sets(texts[i]);
    c.getnamed("size").seti(int32_t(i));
    ASSERT_TRUE(c.insertNew());
  }
  std::string want;
  for (const auto& t : texts) want += (want.empty() ? "" : "\n") + literal(t);
  EXPECT_EQ(cliQuery(file, "SELECT quote(name) FROM t ORDER BY size;"), want);

  // Read back, and written back unchanged after a read.
  ASSERT_TRUE(c.StartRead("", "size"));
  size_t i = 0;
  while (c.nextRow()) {
    SCOPED_TRACE(texts[i]);
    EXPECT_EQ(c.getnamed("name").gets(), texts[i]);
    ++i;
  }
  EXPECT_EQ(i, texts.size());
  ASSERT_TRUE(c.StartRead("size = 0"));
  ASSERT_TRUE(c.nextRow());
  c.getnamed("name").gets();
  c.finishRead();
  ASSERT_TRUE(c.update("size = 0"));
  EXPECT_EQ(cliQuery(file, "SELECT quote(name) FROM t WHERE size = 0;"), literal(texts[0]));
  c.refreshIDs("", "size");
  EXPECT_EQ(c.getstr(c.indexOf("name"), 0), texts[0]);

  // The CSV, header included, as Python's csv module reads it.
  ASSERT_TRUE(cli(file, "ALTER TABLE t RENAME COLUMN kind TO 'say \"hi\"';"));
  c.refresh();
  std::string out = freshPath("quotes.csv");
  ASSERT_TRUE(c.SaveAsCSV(out, ""));
  std::string py = freshPath("csv.py");
  testenv::writeFile(py.substr(testenv::tempDir().size()),
                     "import csv, sys\n"
                     "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))\n"
                     "print(rows[0][3])\n"
                     "for r in rows[1:]: print(r[1])\n");
  std::string csvWant = "say \"hi\"\n";
  for (const auto& t : texts) csvWant += t + "\n";
  EXPECT_EQ(testenv::runCommand("/usr/bin/python3 '" + py + "' '" + out + "'"), csvWant);

  // Merged into a second database, and copied row by row there.
  std::string other = freshPath("merged.db");
  ASSERT_TRUE(cli(other, "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, size INTEGER);"
                         "INSERT INTO t (name, size) VALUES ('old', 1);"));
  auto mine = TliteDB::create();
  ASSERT_TRUE(mine->setfile(other));
  TStringList key;
  key.add("size");
  ASSERT_TRUE(mine->mergeTables("t", file, "t", key));
  EXPECT_EQ(cliQuery(other, "SELECT quote(name) FROM t ORDER BY size;"), want);
  TliteRead theirs(mine.get(), "t");
  ASSERT_TRUE(theirs.copyRows("size = 1", "size = 100"));
  EXPECT_EQ(cliQuery(other, "SELECT quote(name) FROM t WHERE size = 100;"), literal(texts[1]));
}

// A failing import leaves neither rows nor the columns it added.
TEST_F(CursorTest, FailedImportTakesItsNewColumnsBack) {
  ASSERT_TRUE(cli(file, "CREATE TABLE strict (id INTEGER PRIMARY KEY, name TEXT NOT NULL);"
                        "INSERT INTO strict (name) VALUES ('kept');"
                        "CREATE TABLE src (name TEXT, colour TEXT, weight DOUBLE);"
                        "INSERT INTO src VALUES ('fine', 'red', 1), (NULL, 'blue', 2);"));
  ASSERT_TRUE(db->setfile(file));
  TliteRead c(db.get(), "strict");
  const std::string before = cliQuery(file, "SELECT sql FROM sqlite_master WHERE name = 'strict';");
  EXPECT_FALSE(c.importtable("src", "", ""));
  EXPECT_EQ(cliQuery(file, "SELECT sql FROM sqlite_master WHERE name = 'strict';"), before);
  EXPECT_EQ(cliQuery(file, "SELECT group_concat(name) FROM strict;"), "kept");
  EXPECT_EQ(c.columnCount(), 2);
  EXPECT_LT(c.indexOf("colour"), 0);
  // The same import from another file, and one that can succeed.
  std::string other = freshPath("src.db");
  ASSERT_TRUE(cli(other, "CREATE TABLE src (name TEXT, colour TEXT); INSERT INTO src VALUES (NULL, 'x');"));
  EXPECT_FALSE(c.importtable(other, "src", "", ""));
  EXPECT_EQ(cliQuery(file, "SELECT sql FROM sqlite_master WHERE name = 'strict';"), before);
  // A merge whose second row breaks a check keeps the table as it was, columns included.
  ASSERT_TRUE(cli(file, "CREATE TABLE small (id INTEGER PRIMARY KEY, n INTEGER CHECK (n < 10));"));
  ASSERT_TRUE(cli(other, "CREATE TABLE big (n INTEGER, extra TEXT); INSERT INTO big VALUES (1, 'a'), (50, 'b');"));
  const std::string small = cliQuery(file, "SELECT sql FROM sqlite_master WHERE name = 'small';");
  TStringList key;
  key.add("n");
  EXPECT_FALSE(db->mergeTables("small", other, "big", key));
  EXPECT_EQ(cliQuery(file, "SELECT sql FROM sqlite_master WHERE name = 'small';"), small);
  EXPECT_EQ(cliQuery(file, "SELECT count(*) FROM small;"), "0");
  EXPECT_TRUE(c.importtable("src", "name IS NOT NULL", ""));
  EXPECT_EQ(cliQuery(file, "SELECT group_concat(name || ':' || colour) FROM strict WHERE colour IS NOT NULL;"), "fine:red");
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok");
}

TEST_F(CursorTest, CsvReadsBackInPython) {
  ASSERT_TRUE(cli(file, "INSERT INTO t (name,size,area) VALUES ('say \"hi\", then' || char(10) || 'go',2,0.25);"));
  TliteRead c(db.get(), "t");
  std::string out = freshPath("t.csv");
  ASSERT_TRUE(c.SaveAsCSV(out, ""));
  std::string cmd = "/usr/bin/python3 -c \"import csv,sys; r=list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8'))); "
                    "print(len(r), r[0][1], r[5][1] == 'say \\\"hi\\\", then\\ngo', r[5][4])\" '" + out + "'";
  FILE* p = popen(cmd.c_str(), "r");
  char buf[256] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, p);
  pclose(p);
  EXPECT_EQ(std::string(buf, n), "6 name True 0.25\n");
  EXPECT_FALSE(c.SaveAsCSV(testenv::tempDir() + "no/such/dir/t.csv", ""));
}

}  // namespace
