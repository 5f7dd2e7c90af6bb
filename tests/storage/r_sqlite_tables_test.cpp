// Tables and values: hostile names and values stay names and values, existence is exact,
// creation texts, the table builder, aggregates, unique values and updates.
#include "tests/storage/sqlite_fixture.h"

namespace {
using Tables = SqliteFixture;

const char* const kHostileNames[] = {"O'Brien's places", "a`b", "x\"y", "semi; DROP TABLE t; --", "Zürich 東京",
                                     "with ] bracket", "select"};

TEST_F(Tables, HostileNamesAndValuesRoundTripAsNamesAndValues) {
  auto db = openNew("hostile.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a)"));
  for (const char* name : kHostileNames) {
    SCOPED_TRACE(name);
    db->startTable(name);
    db->addField(name, ftString);
    db->addField("n", ftInteger);
    ASSERT_GE(db->finishTable(), 0);
    EXPECT_TRUE(db->tableExists(name));
    EXPECT_TRUE(db->columnExists(name, name));
    for (const char* value : kHostileNames) EXPECT_TRUE(db->addNewValue(name, name, value));
    EXPECT_EQ(db->GetRowCount(name), 7);
    for (const char* value : kHostileNames) {
      EXPECT_TRUE(db->exists(name, TwhereClause::equals(name, value)));
      EXPECT_EQ(db->getS(name, name, TwhereClause::equals(name, value)), value);
    }
    TStringList& cols = db->columnNames(name);
    ASSERT_EQ(cols.count(), 2);
    EXPECT_EQ(cols[0], name);
    EXPECT_NE(db->TableCreationStr(name), "");
  }
  EXPECT_TRUE(db->tableExists("t"));
  // The tool sees the same rows.
  EXPECT_EQ(cliQuery(db->database(), "SELECT count(*) FROM \"O'Brien's places\" WHERE \"O'Brien's places\" = 'semi; DROP TABLE t; --';"), "1");
}

TEST_F(Tables, TableExistsComparesWholeNamesWithoutCase) {
  auto db = openNew("exists.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE axb(a)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE `it's`(a)"));
  struct Case {
    const char* name;
    bool found;
  } cases[] = {{"axb", true}, {"AXB", true}, {"a_b", false}, {"a%", false}, {"it's", true}, {"its", false}, {"", false}};
  for (auto c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(db->tableExists(c.name), c.found);
  }
}

TEST_F(Tables, DeleteAndRenameReportWhatTheyDid) {
  auto db = openNew("drop.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a)"));
  db->gettables();
  EXPECT_FALSE(db->deleteTable("missing"));
  EXPECT_TRUE(db->deleteTable("`t`"));
  EXPECT_FALSE(db->tableExists("t"));
  EXPECT_EQ(db->tables().indexOf("t"), -1);

  ASSERT_TRUE(db->ExecSQL("CREATE TABLE old(a)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE other(a)"));
  db->gettables();
  EXPECT_FALSE(db->renameTable("old", ""));
  EXPECT_FALSE(db->renameTable("old", "other"));
  EXPECT_FALSE(db->renameTable("nothing", "new one"));
  EXPECT_TRUE(db->renameTable("old", "new one"));
  EXPECT_GE(db->tables().indexOf("new one"), 0);
  EXPECT_EQ(db->tables().indexOf("old"), -1);
  EXPECT_TRUE(db->tableExists("new one"));
}

TEST_F(Tables, TableBuilderWritesDefinitionsWithNormalisedDefaults) {
  struct Case {
    const char* id;
    int type;
    const char* deflt;
    int option;
    const char* def;
    int codeAfter;
  } cases[] = {
      {"int, no default", ftInteger, "", 0, "`count` INTEGER DEFAULT 0", ftInteger},
      {"datetime not null", ftDateTime, "", 3,
       "`count` DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now'))", ftDateTime},
      {"text empty", ftString, "empty", 0, "`count` TEXT DEFAULT ''", ftString},
      {"text null", ftString, "null", 0, "`count` TEXT DEFAULT ''", ftString},
      {"text plain", ftString, "it's", 0, "`count` TEXT DEFAULT 'it''s'", ftString},
      {"text literal kept", ftString, "'ok'", 0, "`count` TEXT DEFAULT 'ok'", ftString},
      {"text broken literal quoted", ftString, "'x'); DROP TABLE t; --'", 0,
       "`count` TEXT DEFAULT '''x''); DROP TABLE t; --'''", ftString},
      {"number null", ftDouble, "null", 0, "`count` DOUBLE", ftDouble},
      {"number not a number", ftDouble, "1); DROP", 0, "`count` DOUBLE DEFAULT '1); DROP'", ftDouble},
      {"boolean", ftBoolean, "", 0, "`count` BOOLTEXT DEFAULT 'no'", ftBoolean},
      {"colour", ftColour, "", 0, "`count` COLOURTEXT DEFAULT 'black:40'", ftColour},
      {"area has no zero", ftArea, "", 0, "`count` AREADOUBLE", ftArea},
      {"autoinc", ftAutoInc, "", 0, "`count` INTEGER PRIMARY KEY AUTOINCREMENT", ftInteger},
      {"key option", ftInteger, "", 1, "`count` INTEGER PRIMARY KEY DEFAULT 0", ftInteger},
      {"date null quoted", ftDate, "null", 0, "`count` DATETEXT DEFAULT 'null'", ftDate},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    int code = c.type;
    EXPECT_EQ(TliteDB::columnDefinition("count", code, c.deflt, c.option), c.def);
    EXPECT_EQ(code, c.codeAfter);
  }

  auto db = openNew("builder.db");
  EXPECT_EQ(db->finishTable(), -1);
  db->startTable("t");
  db->addField("n", ftInteger);
  db->addField("s", ftString, "empty");
  db->addField("k", ftAutoInc);
  EXPECT_EQ(reinterpret_cast<intptr_t>(db->newfields.object(2)), ftInteger);
  EXPECT_GE(db->finishTable(), 0);
  EXPECT_EQ(db->TableCreationStr("t"),
            "CREATE TABLE `t` (`n` INTEGER DEFAULT 0, `s` TEXT DEFAULT '', `k` INTEGER PRIMARY KEY AUTOINCREMENT)");
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t(k) VALUES (NULL)"));
  EXPECT_EQ(db->getS("t", "s", TwhereClause("k = 1")), "");
  EXPECT_EQ(db->getI("t", "n", TwhereClause("k = 1")), 0);

  // Adding columns to the existing table.
  db->startTable("t");
  db->addField("extra", ftLinear);
  EXPECT_TRUE(db->Addcolumns());
  EXPECT_EQ(db->ColumnType("t", "extra"), ftLinear);
  EXPECT_FALSE(db->Addcolumns());

  db->createSettingsTable();
  EXPECT_EQ(db->TableCreationStr("settings"),
            "CREATE TABLE `settings` (`group` TEXT, `key` TEXT, `value` TEXT, `blob` BLOB)");
}

TEST_F(Tables, CreateTableFromGenericTypes) {
  auto db = openNew("generic.db");
  TStringList fields;
  EXPECT_FALSE(db->createTable("t", fields));
  fields.add("a", reinterpret_cast<void*>(intptr_t{3}));
  fields.add("b", reinterpret_cast<void*>(intptr_t{7}));
  fields.add("c", reinterpret_cast<void*>(intptr_t{15}));
  fields.add("d", reinterpret_cast<void*>(intptr_t{6}));
  EXPECT_TRUE(db->createTable("t", fields));
  EXPECT_EQ(db->TableCreationStr("t"), "CREATE TABLE `t` (`a` INTEGER, `b` TEXT, `c` BLOB, `d` REAL)");
  Tcolumns cols;
  db->getColumns("t", cols);
  ASSERT_EQ(cols.count(), 4);
  EXPECT_EQ(cols.item(2)->datatype(), ftBlob);
  EXPECT_EQ(cols.getName(3), "d");
}

TEST_F(Tables, AggregatesCountsAndSingleValues) {
  auto db = openNew("values.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE gpkg_contents(min_x DOUBLE, n INTEGER, s TEXT, b BLOB)"));
  messages.clear();
  EXPECT_EQ(db->getMaxD("gpkg_contents", "min_x"), 0);
  EXPECT_EQ(db->getTotal("gpkg_contents", "min_x"), 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(db->getMaxD("nothing", "min_x"), -1);
  EXPECT_EQ(messages.size(), 1u);
  messages.clear();
  EXPECT_EQ(db->GetRowCount("nothing"), 0);
  EXPECT_TRUE(messages.empty());

  ASSERT_TRUE(db->ExecSQL("INSERT INTO gpkg_contents VALUES (1.5, 4294967297, '2.5', NULL)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO gpkg_contents VALUES (-3, 7, 'x', X'0102')"));
  EXPECT_EQ(db->getMaxI("gpkg_contents", "n"), 1);
  EXPECT_EQ(db->getMinI("gpkg_contents", "n", TwhereClause::equals("s", "x")), 7);
  EXPECT_EQ(db->getMinD("gpkg_contents", "min_x"), -3);
  EXPECT_EQ(db->getTotal("gpkg_contents", "min_x"), -1.5);
  EXPECT_EQ(db->getFunction("max", "gpkg_contents", "s", {}), 0);  // 'x' is no number
  EXPECT_EQ(db->getFunction("min", "gpkg_contents", "s", {}), 2.5);
  EXPECT_EQ(db->getFunction("max(1);--", "gpkg_contents", "s", {}), 0);
  EXPECT_EQ(db->getI("gpkg_contents", "n", TwhereClause::equals("s", "none")), -1);
  EXPECT_EQ(db->getD("gpkg_contents", "min_x", TwhereClause::equals("s", "x")), -3);
  EXPECT_EQ(db->getS("gpkg_contents", "b", TwhereClause::equals("s", "x")), "data");
  EXPECT_EQ(db->getS("gpkg_contents", "b", TwhereClause::equals("s", "2.5")), "");
  EXPECT_EQ(db->getColumnValue("gpkg_contents", "s", TwhereClause::equals("s", "none")), "");
  EXPECT_EQ(db->getColumnValue("gpkg_contents", "b", TwhereClause::equals("s", "none")), "0");
  EXPECT_EQ(db->getRowID("gpkg_contents", TwhereClause::equals("s", "x")), 2);
  EXPECT_EQ(db->getRowID("gpkg_contents", TwhereClause::equals("s", "none")), -1);
  EXPECT_EQ(db->GetRowCount("gpkg_contents", TwhereClause("n > 5")), 2);
  std::vector<int32_t> ids;
  db->getRowIDs("gpkg_contents", {}, ids);
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2}));
  TStringList list;
  db->getColumnValues("gpkg_contents", "b", {}, list);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list[1], "2");
  messages.clear();
  EXPECT_FALSE(db->exists("gpkg_contents", TwhereClause("")));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(Tables, UniqueValuesAndNames) {
  auto db = openNew("unique.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(v TEXT)"));
  for (const char* v : {"b", "A", "a", "B", "Site", "Site (1)", "O'Hare"}) ASSERT_TRUE(db->addNewValue("t", "v", v));
  TStringList list;
  db->UniqueValuesList("t", "v", TwhereClause("length(v) = 1"), list);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list[0], "A");
  EXPECT_EQ(list[1], "b");
  EXPECT_EQ(db->uniqueName("t", "v", "Site"), "Site (2)");
  EXPECT_EQ(db->uniqueName("t", "v", "O'Hare"), "O'Hare (1)");
  EXPECT_EQ(db->uniqueName("t", "v", "Other"), "Other");
  EXPECT_EQ(db->uniqueName("t", "v", TwhereClause{}, "Site"), "Site (2)");
}

TEST_F(Tables, UpdatesStoreValuesUnchangedAndSayWhetherARowChanged) {
  auto db = openNew("update.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE files(name TEXT, `table` TEXT, datetime TEXT)"));
  ASSERT_TRUE(db->addNewValue("files", "name", "d'Arcy.shp"));
  TwhereClause row = TwhereClause::equals("name", "d'Arcy.shp");
  EXPECT_TRUE(db->setColumnValue("files", "datetime", row, "it's now"));
  EXPECT_EQ(db->getS("files", "datetime", row), "it's now");
  EXPECT_FALSE(db->setColumnValue("files", "datetime", TwhereClause::equals("name", "none"), "x"));
  EXPECT_FALSE(db->setColumnValue("files", "nocolumn", row, "x"));

  // Update or insert by a key column.
  EXPECT_TRUE(db->setColumnValue("files", "datetime", "1", "name", "new'one"));
  EXPECT_FALSE(db->setColumnValue("files", "datetime", "2", "name", "new'one"));
  EXPECT_EQ(db->getS("files", "datetime", TwhereClause::equals("name", "new'one")), "2");
  EXPECT_EQ(db->GetRowCount("files"), 2);

  EXPECT_TRUE(db->setColumns("files", "`table` = 'x'", row.andEquals("datetime", "it's now")));
  EXPECT_EQ(db->getS("files", "table", row), "x");
  EXPECT_FALSE(db->setColumnValues("files", "`table` = 'y'", TwhereClause("0")));

  // Inside the caller's transaction an update joins it and commits nothing by itself.
  ASSERT_TRUE(db->beginUpdate());
  EXPECT_TRUE(db->setColumnValue("files", "datetime", row, "later"));
  EXPECT_TRUE(db->inTransaction());
  EXPECT_TRUE(db->endUpdate());
}
}  // namespace

namespace {
// A condition and a value are different types: no call can swap them silently.
template <class... A>
concept CanSetColumnValue = requires(TliteDB& db, A... a) { db.setColumnValue(a...); };
static_assert(CanSetColumnValue<std::string, std::string, TwhereClause, std::string>);
static_assert(!CanSetColumnValue<std::string, std::string, std::string, TwhereClause>);
static_assert(!CanSetColumnValue<std::string, std::string, std::string, std::string>);
static_assert(!std::is_convertible_v<std::string, TwhereClause>);

TEST_F(Tables, DottedTableNamesAreTablesUnlessAnAttachedDatabaseIsMeant) {
  auto db = openNew("dotted.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE `roads.shp`(a)"));
  std::string other = freshPath("other.db");
  ASSERT_TRUE(cli(other, "CREATE TABLE far(b);"));
  ASSERT_TRUE(db->ExecParams("ATTACH DATABASE ? AS aux", {TsqlParam::ofText(other)}, false));
  EXPECT_EQ(db->TableCreationStr("roads.shp"), "CREATE TABLE `roads.shp`(a)");
  EXPECT_EQ(db->TableCreationStr("aux.far"), "CREATE TABLE far(b)");
  EXPECT_TRUE(db->deleteTable("aux.'far'"));
  EXPECT_EQ(cliQuery(other, "SELECT count(*) FROM sqlite_master;"), "0");
  EXPECT_TRUE(db->deleteTable("roads.shp"));
  EXPECT_FALSE(db->tableExists("roads.shp"));
  db->close();
  EXPECT_FALSE(db->valid());
  EXPECT_TRUE(db->reload());
  EXPECT_TRUE(db->valid());
}
}  // namespace

namespace {
TEST_F(Tables, TableListHoldsTablesOnlySortedAndColumnNamesIsOneList) {
  std::string path = freshPath("list.db");
  ASSERT_TRUE(cli(path, "CREATE TABLE b(x); CREATE TABLE A(y, z); CREATE VIEW v AS SELECT x FROM b;"
                        "CREATE INDEX i ON b(x);"));
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_EQ(db->tables().count(), 2);
  EXPECT_EQ(db->tables()[0], "A");
  EXPECT_EQ(db->tables()[1], "b");
  TStringList* first = &db->columnNames("b");
  TStringList* second = &db->columnNames("A");
  EXPECT_EQ(first, second);
  ASSERT_EQ(second->count(), 2);
  EXPECT_EQ((*second)[1], "z");
}
}  // namespace
