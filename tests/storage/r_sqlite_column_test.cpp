// The column value object: lazy reads by generic type, texts kept exactly as stored, setters,
// copies, aggregates, and a database kept as a blob.
#include <fstream>

#include "tests/storage/sqlite_fixture.h"

namespace {
struct ColumnValue : SqliteFixture {
  std::unique_ptr<TliteDB> db;
  TliteCursorRef cursor;

  void SetUp() override {
    SqliteFixture::SetUp();
    db = openNew("values.db");
    ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(i INTEGER, d DOUBLE, s TEXT, b BLOB)"));
    cursor.db = db.get();
    cursor.fname = "t";
  }
  void TearDown() override {
    db->finish(cursor.stmt);
    db.reset();
    SqliteFixture::TearDown();
  }
  // Positions the cursor on the first row of the condition.
  void row(const std::string& where) {
    db->finish(cursor.stmt);
    cursor.stmt = db->start("SELECT i, d, s, b FROM t WHERE " + where);
    ASSERT_TRUE(db->getnext(cursor.stmt));
  }
  TLiteColumn column(int index, int type, const std::string& name) {
    TLiteColumn c;
    c.lr = &cursor;
    c.startIndex = index;
    c.ftType = type;
    c.name = name;
    return c;
  }
};

TEST_F(ColumnValue, ReadsEachFamilyLazily) {
  Tbytes blob = {1, 2, 3};
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (42, 2.5, 'it''''s', ?)", &blob));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (NULL, NULL, 'lone''s', X'')"));
  row("i = 42");
  auto i = column(0, ftInteger, "i");
  EXPECT_EQ(i.gets(), "42");
  auto d = column(1, ftDouble, "d");
  EXPECT_EQ(d.gets(), "2.5");
  auto s = column(2, ftString, "s");
  EXPECT_EQ(s.gets(), "it''s");  // as stored: two quotes stay two
  auto b = column(3, ftBlob, "b");
  EXPECT_EQ(b.gets(), "xxxx");
  ASSERT_NE(b.getmem(), nullptr);
  EXPECT_EQ(*b.getmem(), blob);
  auto direct = column(3, ftBlob, "b").getdirect();
  EXPECT_EQ(direct.second, 3);

  row("i IS NULL");
  auto n = column(0, ftInteger, "i");
  EXPECT_EQ(n.geti(), 0);
  EXPECT_TRUE(n.getNull());
  auto lone = column(2, ftString, "s");
  EXPECT_EQ(lone.gets(), "lone's");
  auto empty = column(3, ftBlob, "b");
  EXPECT_EQ(empty.getmem(), nullptr);
  EXPECT_FALSE(empty.valid);
}

TEST_F(ColumnValue, SettersConvertByFamily) {
  auto i = column(0, ftInteger, "i");
  i.setd(2.5);
  EXPECT_EQ(i.fi, 2);
  i.setd(3.5);
  EXPECT_EQ(i.fi, 4);
  auto s = column(2, ftString, "s");
  s.sets("it''s");
  EXPECT_EQ(s.gets(), "it''s");
  auto d = column(1, ftDouble, "d");
  d.sets("1.25");
  EXPECT_EQ(d.getd(), 1.25);
  d.decplaces = 1;
  EXPECT_EQ(d.gets(), "1.2");  // an exact half goes to the even neighbour
  auto b = column(3, ftBlob, "b");
  b.setxy({{{1, 2}, {3, 4}}});
  TpolyXyValues xy;
  EXPECT_TRUE(b.getXY(xy));
  ASSERT_EQ(xy.size(), 1u);
  EXPECT_EQ(xy[0][1].y, 4);
}

TEST_F(ColumnValue, AssignCopiesStoredTextExactly) {
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (1, 0, 'a''''b', X'0A0B')"));
  row("i = 1");
  auto s = column(2, ftString, "s");
  TLiteColumn copy;
  copy.assign(s);
  EXPECT_EQ(copy.fs, "a''b");
  EXPECT_TRUE(s.used);
  auto b = column(3, ftBlob, "b");
  TLiteColumn blobCopy;
  blobCopy.assign(b);
  ASSERT_NE(blobCopy.fmem, nullptr);
  EXPECT_EQ(blobCopy.fmem->size(), 2u);
}

TEST_F(ColumnValue, MaxAndMinCoverTheWholeTable) {
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (5, -1.5, '10', NULL)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (9, 7.25, '9', NULL)"));
  auto i = column(0, ftInteger, "i");
  EXPECT_EQ(i.getMax(), 9);
  EXPECT_EQ(i.getMin(), 5);
  EXPECT_EQ(column(1, ftDouble, "d").getMin(), -1.5);
  EXPECT_EQ(column(2, ftString, "s").getMax(), 9);  // text maximum '9', as a number
  EXPECT_EQ(column(3, ftBlob, "b").getMax(), 0);
  EXPECT_EQ(db->state(), sql_none);
}

TEST_F(ColumnValue, DatabaseKeptAsABlobOpensAndGoesBack) {
  std::string inner = freshPath("inner.db");
  ASSERT_TRUE(cli(inner, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES ('first');"));
  std::ifstream f(inner, std::ios::binary);
  Tbytes bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t(i, b) VALUES (7, ?)", &bytes));
  row("i = 7");
  auto b = column(3, ftBlob, "b");
  std::unique_ptr<TliteDB> notes;
  ASSERT_TRUE(b.openDB(notes));
  ASSERT_TRUE(notes && notes->valid());
  std::string file = notes->database();
  EXPECT_EQ(notes->getS("notes", "text", TwhereClause("1")), "first");
  EXPECT_TRUE(notes->addNewValue("notes", "text", "second"));
  b.closeDB(notes);
  EXPECT_EQ(notes, nullptr);
  EXPECT_FALSE(std::ifstream(file).good());
  ASSERT_NE(b.fmem, nullptr);
  std::string back = freshPath("back.db");
  std::ofstream(back, std::ios::binary).write(reinterpret_cast<const char*>(b.fmem->data()),
                                              static_cast<std::streamsize>(b.fmem->size()));
  EXPECT_EQ(cliQuery(back, "SELECT count(*) FROM notes;"), "2");

  auto text = column(2, ftString, "s");
  std::string name;
  EXPECT_FALSE(text.openFile(name, "txt"));  // not a blob column
  EXPECT_TRUE(name.empty());
}
}  // namespace
