// Tables and rows moved between database files: imports, exports, appends by key and merges,
// and for each a missing other file, a failure forced at every step and a locked other file,
// after which both files pass the integrity check and their dumps show nothing lost.
#include "core/os_files.h"
#include "tests/storage/sqlite_fixture.h"

namespace {
struct Moves : SqliteFixture {
  std::string mine, theirs;

  void SetUp() override {
    SqliteFixture::SetUp();
    mine = freshPath("mine.db");
    theirs = freshPath("theirs.db");
    ASSERT_TRUE(cli(mine,
                    "CREATE TABLE Places (id INTEGER, name TEXT);"
                    "INSERT INTO Places VALUES (1, 'local one'), (2, 'local two');"
                    "CREATE TABLE keep (k TEXT);"
                    "INSERT INTO keep VALUES ('mine');"));
    ASSERT_TRUE(cli(theirs,
                    "CREATE TABLE places (id INTEGER, name TEXT, size REAL);"
                    "INSERT INTO places VALUES (2, 'other two', 2.5), (3, 'other three', 3.5), (3, 'O''Brien', 4.5), (4, 'four', 1);"
                    "CREATE TABLE extra (e TEXT);"
                    "INSERT INTO extra VALUES ('theirs');"));
  }
  static std::string rows(const std::string& file, const std::string& sql) { return cliQuery(file, sql); }
  static void sound(const std::string& file) { EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok") << file; }
  static std::string tableList(TliteDB& db) {
    std::string out;
    for (const std::string& t : db.tables().lines()) out += t + ";";
    return out;
  }
};

TEST_F(Moves, ImportTableTakesTheOtherTablesRowsAndSpelling) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  ASSERT_TRUE(db->ImportTable("Places", theirs, "places"));
  EXPECT_EQ(tableList(*db), "keep;places;");
  EXPECT_EQ(rows(mine, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;"), "keep\nplaces");
  EXPECT_EQ(rows(mine, "SELECT id, name, size FROM places;"), "2|other two|2.5\n3|other three|3.5\n3|O'Brien|4.5\n4|four|1.0");

  // A condition and wanted columns, under another name; the old table of that name goes.
  TStringList wanted;
  wanted.add("name");
  wanted.add("id");
  ASSERT_TRUE(db->ImportTable("keep", theirs, "places", TwhereClause("id >= 4"), &wanted));
  EXPECT_EQ(rows(mine, "SELECT * FROM keep;"), "four|4");
  sound(mine);
  sound(theirs);
}

TEST_F(Moves, ImportsNeverCostATable) {
  const std::string before = dump(mine), other = dump(theirs);
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  TStringList both;
  both.add("places");
  both.add("missing");  // the other file lacks it: neither is taken
  const std::string absent = testenv::tempDir() + "absent.db";
  const std::string text = testenv::writeFile("text.db", "not a database at all");
  EXPECT_FALSE(db->ImportTables(theirs, both));
  EXPECT_FALSE(db->ImportTables(absent, both));
  EXPECT_FALSE(db->ImportTable("Places", absent, "places"));
  EXPECT_FALSE(db->ImportTable("Places", text, "places"));
  EXPECT_FALSE(db->Replace(absent));
  EXPECT_FALSE(db->Replace(text));
  EXPECT_FALSE(TosFiles::FileExists(absent));  // no empty file made either
  EXPECT_EQ(dump(mine), before);
  EXPECT_EQ(tableList(*db), "keep;Places;");

  // A failure at any step, the ATTACH included, leaves the local file as it was.
  TStringList names;
  names.add("places");
  names.add("extra");
  const int failed = forEachFailingStep(
      mine, [&](TliteDB& d) { return d.ImportTables(theirs, names); },
      [&](const std::string& copy, bool ok, int step) {
        SCOPED_TRACE(step);
        sound(copy);
        if (!ok) {
          EXPECT_EQ(dump(copy), before);
        } else {
          EXPECT_EQ(rows(copy, "SELECT name FROM sqlite_master ORDER BY name;"), "extra\nkeep\nplaces");
        }
      });
  EXPECT_GT(failed, 3);
  EXPECT_EQ(dump(theirs), other);
}

TEST_F(Moves, ReplaceTakesEveryTableOfTheOtherFile) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  ASSERT_TRUE(db->Replace(theirs));
  EXPECT_EQ(rows(mine, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;"), "extra\nplaces");
  EXPECT_EQ(rows(mine, "SELECT * FROM places;"), rows(theirs, "SELECT * FROM places;"));
  EXPECT_EQ(rows(mine, "SELECT * FROM extra;"), "theirs");
  EXPECT_EQ(tableList(*db), "extra;places;");
}

TEST_F(Moves, ExportTableReplacesCreatesOrAppends) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  // The same name: the other's table replaced, with the local spelling.
  ASSERT_TRUE(db->ExportTable("Places", theirs, "places"));
  EXPECT_EQ(rows(theirs, "SELECT name FROM sqlite_master ORDER BY name;"), "Places\nextra");
  EXPECT_EQ(rows(theirs, "SELECT * FROM Places;"), "1|local one\n2|local two");
  // Another name that exists there: given the rows.
  ASSERT_TRUE(db->ExportTable("keep", theirs, "extra"));
  EXPECT_EQ(rows(theirs, "SELECT * FROM extra;"), "theirs\nmine");
  // A new name, and a file that does not exist yet: created.
  ASSERT_TRUE(db->ExportTable("Places", theirs, "copy", TwhereClause::equals("id", 2)));
  EXPECT_EQ(rows(theirs, "SELECT * FROM copy;"), "2|local two");
  const std::string fresh = testenv::tempDir() + "fresh.db";
  ASSERT_TRUE(db->ExportTable("keep", fresh, "keep"));
  EXPECT_EQ(rows(fresh, "SELECT * FROM keep;"), "mine");
  EXPECT_FALSE(db->ExportTable("nothing", fresh, "nothing"));
  sound(mine);
  sound(theirs);
  sound(fresh);
}

TEST_F(Moves, FailedExportsLeaveBothFilesAsTheyWere) {
  const std::string local = dump(mine), other = dump(theirs);
  std::string copyOfTheirs;
  const int failed = forEachFailingStep(
      mine,
      [&](TliteDB& d) {
        copyOfTheirs = copyOf(theirs, "other.db");
        return d.ExportTable("Places", copyOfTheirs, "places");
      },
      [&](const std::string& copy, bool ok, int step) {
        SCOPED_TRACE(step);
        sound(copy);
        sound(copyOfTheirs);
        EXPECT_EQ(dump(copy), local);
        if (!ok) {
          EXPECT_EQ(dump(copyOfTheirs), other);
        }
      });
  EXPECT_GT(failed, 3);

  // The other file locked by another writer: it cannot be written, and nothing changes.
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  auto holder = TliteDB::create();
  ASSERT_TRUE(holder->setfile(theirs));
  ASSERT_TRUE(holder->ExecParams("BEGIN IMMEDIATE", {}, false));
  EXPECT_FALSE(db->ExportTable("Places", theirs, "places"));
  holder->ExecParams("ROLLBACK", {}, false);
  holder.reset();
  EXPECT_EQ(dump(theirs), other);
  EXPECT_EQ(dump(mine), local);
  sound(theirs);
}

TEST_F(Moves, AppendRecordsByKeyTakesEachValueOnce) {
  ASSERT_TRUE(cli(mine, "INSERT INTO Places VALUES (5, 'O''Brien');"));
  struct Case {
    const char* id;
    bool overwrite;
    TwhereClause where;
    std::string want;
    bool added;
  } cases[] = {
      {"new keys only", false, {}, "1|local one\n2|local two\n5|O'Brien\n3|other three\n3|O'Brien\n4|four", true},
      {"overwriting", true, {}, "1|local one\n5|O'Brien\n2|other two\n3|other three\n3|O'Brien\n4|four", true},
      {"chosen rows only", false, TwhereClause::equals("name", "O'Brien"),
       "1|local one\n2|local two\n5|O'Brien\n3|O'Brien", true},
      {"nothing new", false, TwhereClause::equals("id", 2), "1|local one\n2|local two\n5|O'Brien", false},
  };
  const std::string original = copyOf(mine, "original.db");
  for (Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string file = copyOf(original, "append.db");
    auto db = TliteDB::create();
    ASSERT_TRUE(db->setfile(file));
    ASSERT_TRUE(db->ExecSQL("ALTER TABLE Places ADD COLUMN size REAL"));
    EXPECT_EQ(db->AppendRecords("Places", theirs, "places", "id", c.where, c.overwrite), c.added);
    EXPECT_EQ(rows(file, "SELECT id, name FROM Places;"), c.want);
    sound(file);
  }
  // A key holding a quote is bound like any other.
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(copyOf(original, "names.db")));
  ASSERT_TRUE(db->ExecSQL("ALTER TABLE Places ADD COLUMN size REAL"));
  EXPECT_TRUE(db->AppendRecords("Places", theirs, "places", "name", {}, false));
  EXPECT_EQ(db->GetRowCount("Places"), 3 + 3);  // O'Brien is known (letter case aside) and kept
  EXPECT_FALSE(db->AppendRecords("Places", testenv::tempDir() + "absent.db", "places", "id", {}, false));
}

TEST_F(Moves, AppendRecordsFromThisOrAnotherFile) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE more (id INTEGER, name TEXT)"));
  ASSERT_TRUE(db->AppendRecords("more", "Places", TwhereClause::equals("id", 1)));
  ASSERT_TRUE(db->AppendRecords("more", theirs, "extra", {}) == false);  // one column against two
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE names (e TEXT)"));
  ASSERT_TRUE(db->AppendRecords("names", theirs, "extra", {}));
  EXPECT_FALSE(db->AppendRecords("names", testenv::tempDir() + "absent.db", "extra", {}));
  EXPECT_EQ(rows(mine, "SELECT * FROM more;"), "1|local one");
  EXPECT_EQ(rows(mine, "SELECT * FROM names;"), "theirs");
}

TEST_F(Moves, MergeUpdatesMatchingRowsAndAddsTheRest) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(mine));
  TStringList key;
  key.add("id");
  EXPECT_FALSE(db->mergeTables("missing", theirs, "places", key));
  EXPECT_FALSE(db->mergeTables("Places", theirs, "missing", key));
  EXPECT_FALSE(db->mergeTables("Places", testenv::tempDir() + "absent.db", "places", key));
  ASSERT_TRUE(db->mergeTables("Places", theirs, "places", key, "id <= 3"));
  // Row 2 updated; key 3 inserted, then updated by the second row of that key; size added.
  EXPECT_EQ(rows(mine, "SELECT id, name, size FROM Places;"),
            "1|local one|0.0\n2|other two|2.5\n3|O'Brien|4.5");
  sound(mine);
}
}  // namespace
