// Rows added, replaced, deleted, copied and swapped: values checked by the command-line tool
// (typeof and quote of every column), all-or-nothing under failures forced at each step.
#include "tests/storage/sqlite_fixture.h"

namespace {
struct Rows : SqliteFixture {
  std::string path;
  std::unique_ptr<TliteDB> db;

  void SetUp() override {
    SqliteFixture::SetUp();
    path = freshPath("rows.db");
    db = TliteDB::create();
    ASSERT_TRUE(db->setfile(path));
  }
  // Every column of every row as the tool sees it: storage class and SQL literal.
  std::string values(const std::string& table, const std::string& columns) {
    std::string select;
    std::string rest = columns;
    while (!rest.empty()) {
      const size_t comma = rest.find(',');
      const std::string c = rest.substr(0, comma);
      select += (select.empty() ? "" : " || ' ' || ") + std::string("typeof(") + c + ") || ':' || quote(" + c + ")";
      rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return cliQuery(path, "SELECT ROWID || ' ' || " + select + " FROM " + table + " ORDER BY ROWID;");
  }
};

TEST_F(Rows, SingleRowFormsRunTheCallersValuesOrBindThem) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(n INTEGER DEFAULT 7, s TEXT DEFAULT 'd', b BLOB)"));
  EXPECT_TRUE(db->addnewRow("t"));
  EXPECT_TRUE(db->addnewRow("t", ""));
  EXPECT_TRUE(db->addnewRow("t", "1, 'it''s', NULL"));
  Tbytes one = {0, 1}, two = {2};
  EXPECT_TRUE(db->addnewRow("t", "2, 'one', ?", &one));
  EXPECT_TRUE(db->ExecSQL("CREATE TABLE u(a BLOB, b BLOB)"));
  EXPECT_TRUE(db->addnewRow("u", "?, ?", std::vector<const Tbytes*>{&one, &two}));
  const std::string hostile = std::string("a'b\"c`d]e;f\0g", 13) + std::string(5000, 'x');
  EXPECT_TRUE(db->addnewRow("t", TsqlParams{TsqlParam::ofInt(3), TsqlParam::ofText(hostile), TsqlParam::ofBytes(&one)}));
  EXPECT_EQ(values("t", "n,s,b"),
            "1 integer:7 text:'d' null:NULL\n2 integer:7 text:'d' null:NULL\n3 integer:1 text:'it''s' null:NULL\n"
            "4 integer:2 text:'one' blob:X'0001'\n5 integer:3 text:'a''b\"c`d]e;f' blob:X'0001'");
  EXPECT_EQ(cliQuery(path, "SELECT length(CAST(s AS BLOB)) FROM t WHERE n = 3;"), "5013");
  EXPECT_EQ(values("u", "a,b"), "1 blob:X'0001' blob:X'02'");
  messages.clear();
  EXPECT_FALSE(db->addnewRow("nosuch"));
  EXPECT_FALSE(messages.empty());
}

TEST_F(Rows, AddnewRowsBindsEveryValueAndAddsAllRowsOrNone) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a, b INTEGER UNIQUE)"));
  TStringList columns, list;
  columns.add("a");
  columns.add("b");
  for (const char* v : {"it's", "2", "x\"y", "4", "5"}) list.add(v);
  EXPECT_TRUE(db->addnewRows("t", columns, list));
  EXPECT_EQ(values("t", "a,b"), "1 text:'it''s' integer:2\n2 text:'x\"y' integer:4");

  // The third row breaks the unique column: none of the new rows stays.
  TStringList clash;
  for (const char* v : {"p", "10", "q", "11", "r", "2"}) clash.add(v);
  messages.clear();
  EXPECT_FALSE(db->addnewRows("t", columns, clash));
  EXPECT_FALSE(messages.empty());
  EXPECT_EQ(db->GetRowCount("t"), 2);

  EXPECT_FALSE(db->addnewRows("t", TStringList(), list));
  EXPECT_EQ(db->GetRowCount("t"), 2);

  // Inside the caller's transaction the rows join it.
  ASSERT_TRUE(db->beginUpdate());
  TStringList more;
  more.add("m");
  more.add("20");
  EXPECT_TRUE(db->addnewRows("t", columns, more));
  db->rollback();
  EXPECT_EQ(db->GetRowCount("t"), 2);
}

TEST_F(Rows, SetTableAndDeleteReplaceRowsWholeOrNotAtAll) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a TEXT, b INTEGER NOT NULL)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE other(x)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES ('old', 1), ('old2', 2)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO other VALUES (1)"));
  TStringList fresh;
  for (const char* v : {"n1", "10", "n2", "20", "n3"}) fresh.add(v);
  EXPECT_TRUE(db->setTable("t", fresh));
  EXPECT_EQ(values("t", "a,b"), "1 text:'n1' integer:10\n2 text:'n2' integer:20");

  // A failing insert keeps the rows that were there.
  const std::string before = dump(path);
  TStringList bad;
  for (const char* v : {"x", "1", "y"}) bad.add(v);
  bad.add("");
  ASSERT_TRUE(db->ExecSQL("CREATE TRIGGER nob BEFORE INSERT ON t WHEN NEW.b = '' BEGIN SELECT RAISE(ABORT, 'no b'); END"));
  const std::string withTrigger = dump(path);
  EXPECT_FALSE(db->setTable("t", bad));
  EXPECT_EQ(dump(path), withTrigger);
  EXPECT_NE(before, withTrigger);

  EXPECT_TRUE(db->Delete("t", TwhereClause::equals("a", "n1")));
  EXPECT_EQ(db->GetRowCount("t"), 1);
  ASSERT_TRUE(db->beginUpdate());
  EXPECT_TRUE(db->Delete("t", {}));  // joins the open transaction
  EXPECT_TRUE(db->endUpdate());
  EXPECT_EQ(db->GetRowCount("t"), 0);
  EXPECT_EQ(db->GetRowCount("other"), 1);
  EXPECT_FALSE(db->Delete("nosuch", {}));
}

// A row of every storage class, and a key column that must stay.
const char* const kMixed =
    "CREATE TABLE m(id INTEGER PRIMARY KEY, t TEXT, i INTEGER, r REAL, b BLOB, n, d DOUBLE);"
    "INSERT INTO m VALUES (1, 'a,''b', 9007199254740993, 0.30000000000000004, X'00FF00', NULL, 1e300);"
    "INSERT INTO m VALUES (2, NULL, NULL, -0.1, X'', 'n', NULL);"
    "INSERT INTO m VALUES (3, 'c', 5, 2.5, NULL, 4.5, 7);";
const char* const kMixedColumns = "id,t,i,r,b,n,d";

TEST_F(Rows, CopiesAndSwapsKeepValuesAsStored) {
  ASSERT_TRUE(cli(path, kMixed));
  const std::string row1 = "integer:9007199254740993 real:3.00000000000000044408e-01 blob:X'00FF00' null:NULL real:1.0e+300";
  const std::string row2 = "null:NULL real:-0.1 blob:X'' text:'n' null:NULL";
  const std::string row3 = "integer:5 real:2.5 null:NULL real:4.5 real:7.0";
  ASSERT_EQ(values("m", kMixedColumns), "1 integer:1 text:'a,''b' " + row1 + "\n2 integer:2 null:NULL " + row2 +
                                            "\n3 integer:3 text:'c' " + row3);
  EXPECT_TRUE(db->swapRows("m", 1, 2));
  EXPECT_EQ(values("m", kMixedColumns),
            "1 integer:1 null:NULL " + row2 + "\n2 integer:2 text:'a,''b' " + row1 + "\n3 integer:3 text:'c' " + row3);
  EXPECT_TRUE(db->copyRow("m", 2, 3));
  EXPECT_EQ(values("m", kMixedColumns),
            "1 integer:1 null:NULL " + row2 + "\n2 integer:2 text:'a,''b' " + row1 + "\n3 integer:3 text:'a,''b' " + row1);

  // A missing row changes nothing.
  const std::string before = dump(path);
  EXPECT_FALSE(db->copyRow("m", 99, 1));
  EXPECT_FALSE(db->copyRow("m", 1, 99));
  EXPECT_FALSE(db->swapRows("m", 1, 99));
  EXPECT_EQ(dump(path), before);
}

TEST_F(Rows, SwapRowidsUsesAnUnusedIdAndNeedsBothRows) {
  ASSERT_TRUE(cli(path, "CREATE TABLE t(s TEXT); INSERT INTO t(ROWID, s) VALUES (1, 'a'), (2, 'b'), (999999, 'z');"));
  EXPECT_TRUE(db->swapRowids("t", 1, 999999));
  EXPECT_EQ(cliQuery(path, "SELECT ROWID, s FROM t ORDER BY ROWID;"), "1|z\n2|b\n999999|a");
  const std::string before = dump(path);
  EXPECT_FALSE(db->swapRowids("t", 2, 5));
  EXPECT_FALSE(db->swapRowids("nosuch", 1, 2));
  EXPECT_EQ(dump(path), before);
}

// Each operation with a failure forced at each of its steps in turn: a failed operation leaves
// the database as it was, a successful one as the clean run does.
TEST_F(Rows, AFailureAtAnyStepLeavesTheDatabaseAsItWas) {
  ASSERT_TRUE(cli(path, std::string(kMixed) + "CREATE TABLE other(x); INSERT INTO other VALUES ('keep');"));
  db.reset();
  using Op = std::function<bool(TliteDB&)>;
  TStringList columns, list;
  columns.add("t");
  columns.add("i");
  for (const char* v : {"p", "1", "q", "2"}) list.add(v);
  const std::vector<std::pair<const char*, Op>> ops = {
      {"swapRows", [](TliteDB& d) { return d.swapRows("m", 1, 3); }},
      {"copyRow", [](TliteDB& d) { return d.copyRow("m", 1, 2); }},
      {"swapRowids", [](TliteDB& d) { return d.swapRowids("m", 1, 3); }},
      {"addnewRows", [&](TliteDB& d) { return d.addnewRows("m", columns, list); }},
      {"setTable", [&](TliteDB& d) { return d.setTable("other", list); }},
  };
  for (const auto& [name, op] : ops) {
    const std::string clean = copyOf(path, "clean.db");
    {
      auto d = TliteDB::create();
      ASSERT_TRUE(d->setfile(clean));
      ASSERT_TRUE(op(*d)) << name;
    }
    const std::string expected = dump(clean);
    const std::string before = dump(path);
    forEachFailingStep(path, op, [&](const std::string& file, bool ok, int step) {
      EXPECT_EQ(dump(file), ok ? expected : before) << name << " failing at step " << step;
      EXPECT_TRUE(!ok || !StepFailure::fired) << name << " succeeded with step " << step << " failing";
    });
  }
}
}  // namespace
