// The database object: opening (new, read-only, refused, corrupt, truncated), transactions,
// executing with blobs, the statement cursor and the getters of a row.
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "tests/storage/sqlite_fixture.h"

namespace {
using Database = SqliteFixture;

bool fileExists(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0;
}

TEST_F(Database, NewNameGivesValidEmptyDatabase) {
  std::string path = freshPath("new.db");
  auto db = TliteDB::create();
  EXPECT_TRUE(db->setfile(path));
  EXPECT_TRUE(db->valid());
  EXPECT_FALSE(db->FailedToOpen());
  EXPECT_EQ(db->database(), path);
  EXPECT_EQ(db->tables().count(), 0);
  EXPECT_EQ(db->encoding, "UTF-8");
  EXPECT_TRUE(db->is8bit());
  EXPECT_FALSE(db->setfile(""));
  EXPECT_FALSE(db->valid());
  EXPECT_TRUE(db->database().empty());
}

TEST_F(Database, ReadOnlyOpenOfMissingFileFailsClearlyAndCreatesNothing) {
  std::string path = freshPath("absent.db");
  auto db = TliteDB::createReadOnly();
  EXPECT_FALSE(db->setfile(path));
  EXPECT_TRUE(db->FailedToOpen());
  EXPECT_FALSE(fileExists(path));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "database not found: " + path);
}

TEST_F(Database, DataFolderDatabasesOpenReadOnly) {
  std::string folder = testenv::tempDir() + "base/";
  os->setBaseDir(folder);
  std::string sky = testenv::writeFile("base/sky.db", "");
  std::remove(sky.c_str());
  ASSERT_TRUE(cli(sky, "CREATE TABLE ini(key TEXT, value TEXT); INSERT INTO ini VALUES ('home', 'Zürich');"));
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(sky));
  EXPECT_EQ(db->getS("ini", "value", TwhereClause::equals("key", "home")), "Zürich");
  EXPECT_FALSE(db->ExecSQL("INSERT INTO ini VALUES ('x', 'y')"));
  EXPECT_FALSE(db->setfile(folder + "words.db"));  // missing: not created
  EXPECT_FALSE(fileExists(folder + "words.db"));
  auto builder = TliteDB::createForWriting();
  ASSERT_TRUE(builder->setfile(folder + "words.db"));
  EXPECT_TRUE(builder->ExecSQL("CREATE TABLE words(w TEXT)"));
}

TEST_F(Database, FileThatIsNoDatabaseIsRefusedAndLeftUntouched) {
  struct Case {
    const char* id;
    std::string bytes;
  } cases[] = {
      {"text file", "this is not a database at all, just some words and more words to fill a page"},
      {"header only", std::string("SQLite format 3\0", 16) + std::string(84, '\x01')},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    messages.clear();
    std::string path = testenv::writeFile(std::string(c.id) + ".db", c.bytes);
    auto db = TliteDB::create();
    EXPECT_FALSE(db->setfile(path));
    EXPECT_FALSE(db->valid());
    EXPECT_TRUE(db->FailedToOpen());
    EXPECT_TRUE(db->database().empty());
    EXPECT_EQ(testenv::readFile(path), c.bytes);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("failed to prepare " + path), std::string::npos);
  }
}

TEST_F(Database, TruncatedOrDamagedFileGivesErrorsNotCrashes) {
  std::string whole = freshPath("whole.db");
  std::string sql = "CREATE TABLE big(a INTEGER, b TEXT);\nBEGIN;\n";
  for (int i = 0; i < 3000; ++i) sql += "INSERT INTO big VALUES (" + std::to_string(i) + ", 'row text padding " + std::to_string(i) + "');\n";
  sql += "COMMIT;\n";
  ASSERT_TRUE(cli(whole, sql));
  std::string bytes = testenv::readFile(whole);
  ASSERT_GT(bytes.size(), 20000u);

  // Cut in half: the schema still reads, the rows beyond the cut do not.
  std::string cut = testenv::writeFile("cut.db", bytes.substr(0, bytes.size() / 2));
  auto db = TliteDB::create();
  if (db->setfile(cut)) {
    sqlite3_stmt* s = db->start("SELECT a, b FROM big");
    int rows = 0;
    while (s && db->getnext(s)) ++rows;
    db->finish(s);
    EXPECT_LT(rows, 3000);
    EXPECT_NE(db->lastGetNext, SQLITE_DONE);
    EXPECT_NE(db->integrityCheck(), "ok");
  }
  EXPECT_FALSE(messages.empty());

  // Page 2 overwritten with noise.
  std::string noisy = bytes;
  for (size_t i = 4096; i < 8192 && i < noisy.size(); ++i) noisy[i] = static_cast<char>(i * 37);
  std::string bad = testenv::writeFile("noise.db", noisy);
  messages.clear();
  auto db2 = TliteDB::create();
  if (db2->setfile(bad)) {
    EXPECT_EQ(db2->GetRowCount("big"), 0);
    EXPECT_NE(db2->integrityCheck(), "ok");
  }
  EXPECT_FALSE(messages.empty());
  auto good = TliteDB::create();
  ASSERT_TRUE(good->setfile(whole));
  EXPECT_EQ(good->integrityCheck(), "ok");
}

TEST_F(Database, ExecSQLIsTrueOnlyWhenTheStatementFinishes) {
  auto db = openNew("exec.db");
  EXPECT_TRUE(db->ExecSQL("CREATE TABLE t(a INTEGER, b BLOB)"));
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t(a) VALUES (1)"));
  messages.clear();
  EXPECT_FALSE(db->ExecSQL("SELECT a FROM t"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Error executing SQL statement"), std::string::npos);
  EXPECT_NE(messages[0].find("sqlite3_step() has another row ready"), std::string::npos);
  messages.clear();
  EXPECT_EQ(db->start(""), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Could not prepare SQL statement"), std::string::npos);
}

TEST_F(Database, BlobsBindAsParametersAndAnUnboundBlobRunsNothing) {
  auto db = openNew("blobs.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a INTEGER, b BLOB)"));
  Tbytes five = {1, 2, 0, 4, 5};
  Tbytes empty;
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (1, ?)", &five));
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (2, ?)", &empty));
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (3, ?)", static_cast<const Tbytes*>(nullptr)));
  messages.clear();
  EXPECT_FALSE(db->ExecSQL("INSERT INTO t VALUES (4, NULL)", &five));
  EXPECT_NE(messages.at(0).find("SQL must include a ? parameter"), std::string::npos);
  EXPECT_EQ(db->GetRowCount("t"), 3);
  EXPECT_EQ(db->getColumnValue("t", "b", TwhereClause("a = 1")), "5");
  EXPECT_EQ(db->getColumnValue("t", "b", TwhereClause("a = 2")), "0");
  sqlite3_stmt* s = db->start("SELECT b FROM t ORDER BY a");
  Tbytes got;
  ASSERT_TRUE(db->getnext(s));
  EXPECT_TRUE(db->getBlob(s, 0, got));
  EXPECT_EQ(got, five);
  EXPECT_TRUE(db->getvalid(s, 0));
  EXPECT_EQ(db->getAsStr(s, ftBlob, 0), "xxxx");
  ASSERT_TRUE(db->getnext(s));
  EXPECT_FALSE(db->getBlob(s, 0, got));
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(db->getvalid(s, 0));
  db->finish(s);
  EXPECT_EQ(s, nullptr);
}

TEST_F(Database, TransactionsCommitOnceAndAFailedCommitRollsBack) {
  std::string path = freshPath("trans.db");
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a)"));
  ASSERT_TRUE(db->beginUpdate());
  EXPECT_EQ(db->state(), sql_intransaction);
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (1)"));
  EXPECT_EQ(cliQuery(path, "SELECT count(*) FROM t;"), "0");  // not committed yet
  messages.clear();
  EXPECT_FALSE(db->beginUpdate());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Transaction already open"), std::string::npos);
  EXPECT_NE(messages[0].find("Last query: INSERT INTO t VALUES (1)"), std::string::npos);
  EXPECT_TRUE(db->endUpdate());
  EXPECT_EQ(db->state(), sql_none);
  EXPECT_GT(db->lastUpdate, 40000.0);
  EXPECT_EQ(cliQuery(path, "SELECT count(*) FROM t;"), "1");

  // A deferred foreign key makes COMMIT fail: the transaction is rolled back and reported.
  ASSERT_TRUE(db->ExecSQL("PRAGMA foreign_keys = ON", {}, false));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE p(id INTEGER PRIMARY KEY)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE c(pid REFERENCES p(id) DEFERRABLE INITIALLY DEFERRED)"));
  ASSERT_TRUE(db->beginUpdate());
  EXPECT_TRUE(db->ExecSQL("INSERT INTO c VALUES (99)"));
  messages.clear();
  EXPECT_FALSE(db->endUpdate());
  EXPECT_FALSE(db->inTransaction());
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages[0].find("rolled back"), std::string::npos);
  EXPECT_EQ(db->GetRowCount("c"), 0);
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (2)"));  // the object goes on working
}

TEST_F(Database, BeginAndLockFailuresAreReportedNotTakenForSuccess) {
  std::string path = freshPath("locked.db");
  auto writer = TliteDB::create();
  ASSERT_TRUE(writer->setfile(path));
  ASSERT_TRUE(writer->ExecSQL("CREATE TABLE t(a)"));
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(writer->beginUpdate());
  ASSERT_TRUE(writer->ExecSQL("INSERT INTO t VALUES (1)"));  // holds the write lock
  q->SQLite3_BusyTimeout(db->db(), 10);
  messages.clear();
  EXPECT_FALSE(db->ExecSQL("INSERT INTO t VALUES (2)"));
  EXPECT_FALSE(messages.empty());
  EXPECT_FALSE(db->inTransaction());
  EXPECT_TRUE(writer->endUpdate());
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t VALUES (3)"));
  EXPECT_EQ(db->GetRowCount("t"), 2);

  // A transaction opened behind the object's back makes its own BEGIN fail: nothing runs.
  db->RawExecSQL("BEGIN");
  messages.clear();
  EXPECT_FALSE(db->ExecSQL("INSERT INTO t VALUES (4)"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Could not begin a transaction"), std::string::npos);
  db->RawExecSQL("ROLLBACK");
  EXPECT_EQ(db->GetRowCount("t"), 2);
}

TEST_F(Database, GettersCutIntegersAndTurnNullIntoNeutralValues) {
  auto db = openNew("get.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(i INTEGER, d DOUBLE, s TEXT)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (4294967297, 2.5, NULL)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (NULL, NULL, '')"));
  sqlite3_stmt* s = db->start("SELECT i, d, s FROM t ORDER BY ROWID");
  ASSERT_TRUE(db->getnext(s));
  EXPECT_EQ(db->getint(s, 0), 1);
  EXPECT_EQ(db->getdouble(s, 1), 2.5);
  EXPECT_EQ(db->getstr(s, 2), "");
  EXPECT_FALSE(db->getvalid(s, 2));
  EXPECT_EQ(db->getAsStr(s, ftDouble, 1), "2.5");
  ASSERT_TRUE(db->getnext(s));
  EXPECT_EQ(db->getint(s, 0), 0);
  EXPECT_EQ(db->getdouble(s, 1), 0);
  EXPECT_FALSE(db->getvalid(s, 2));
  EXPECT_FALSE(db->getnext(s));
  EXPECT_EQ(db->lastGetNext, SQLITE_DONE);
  db->finish(s);
}

TEST_F(Database, CloseFinishesOpenStatementsAndTheirHandlesStayHarmless) {
  auto db = openNew("close.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (1)"));
  sqlite3_stmt* s = db->start("SELECT a FROM t");
  ASSERT_TRUE(db->getnext(s));
  db->close();
  EXPECT_EQ(db->db(), nullptr);
  EXPECT_FALSE(db->getnext(s));
  EXPECT_EQ(db->getint(s, 0), 0);
  db->finish(s);  // a second finalize would be a use after free
  EXPECT_EQ(s, nullptr);
}

TEST_F(Database, PointListBlobStoredInATableReadsBack) {
  auto db = openNew("xy.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE shapes(id INTEGER, xy POLYXYBLOB)"));
  TpolyXyValues ring = {{{0, 0}, {10, 0}, {10, 10}, {0, 0}}, {{2, 2}, {3, 2}, {2, 2}}};
  Tbytes mem;
  TsqlBase::XYtoMem(ring, mem);
  ASSERT_TRUE(db->ExecSQL("INSERT INTO shapes VALUES (1, ?)", &mem));
  Tbytes lying = mem;
  int32_t many = 1000;
  std::memcpy(lying.data() + 8, &many, 4);
  ASSERT_TRUE(db->ExecSQL("INSERT INTO shapes VALUES (2, ?)", &lying));
  Tbytes eight = {16, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(db->ExecSQL("INSERT INTO shapes VALUES (3, ?)", &eight));

  sqlite3_stmt* s = db->start("SELECT xy FROM shapes ORDER BY id");
  TpolyXyValues got;
  ASSERT_TRUE(db->getnext(s));
  EXPECT_TRUE(db->getXY(s, 0, got));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0][2].y, 10);
  EXPECT_EQ(got[1].size(), 3u);
  ASSERT_TRUE(db->getnext(s));
  EXPECT_FALSE(db->getXY(s, 0, got));
  EXPECT_TRUE(got.empty());
  ASSERT_TRUE(db->getnext(s));
  EXPECT_FALSE(db->getXY(s, 0, got));
  db->finish(s);

  // The same bytes through an incremental-blob handle.
  sqlite3_blob* blob = nullptr;
  ASSERT_EQ(q->SQLite3_blob_open(db->db(), "main", "shapes", "xy", 1, 0, &blob), SQLITE_OK);
  TpolyXyValues viaHandle;
  EXPECT_TRUE(q->MemToXY(blob, viaHandle));
  EXPECT_EQ(viaHandle.size(), 2u);
  q->SQLite3_blob_close(blob);
}

TEST_F(Database, SaveAsCopiesAndReportsTheCopy) {
  std::string path = freshPath("orig.db");
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a)"));
  std::string upper = path;
  upper.replace(upper.size() - 7, 4, "ORIG");
  EXPECT_TRUE(db->saveAs(upper));  // the same name in other letters only vacuums
  EXPECT_FALSE(fileExists(upper));
  std::string copy = freshPath("copy.db");
  EXPECT_TRUE(db->saveAs(copy));
  EXPECT_EQ(cliQuery(copy, "SELECT name FROM sqlite_master;"), "t");
}
}  // namespace

namespace {
TEST_F(Database, WrongTypesAndMissingNamesGiveNeutralResultsAndReports) {
  std::string path = freshPath("wrong.db");
  ASSERT_TRUE(cli(path, "CREATE TABLE w(n INTEGER, xy POLYXYBLOB, d DOUBLE);"
                        "INSERT INTO w VALUES ('not a number', 'text, not a blob', X'00FF');"));
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  sqlite3_stmt* s = db->start("SELECT n, xy, d FROM w");
  ASSERT_TRUE(db->getnext(s));
  EXPECT_EQ(db->getint(s, 0), 0);
  TpolyXyValues xy = {{{1, 1}}};
  EXPECT_FALSE(db->getXY(s, 1, xy));
  EXPECT_TRUE(xy.empty());
  EXPECT_EQ(db->getdouble(s, 2), 0);
  db->finish(s);

  struct Case {
    const char* id;
    std::function<bool()> neutral;
  } cases[] = {
      {"getS of a missing column", [&] { return db->getS("w", "nope", TwhereClause("1")).empty(); }},
      {"getI of a missing table", [&] { return db->getI("nope", "n", TwhereClause("1")) == -1; }},
      {"getMaxI of a missing column", [&] { return db->getMaxI("w", "nope") == -1; }},
      {"getTotal of a missing table", [&] { return db->getTotal("nope", "n") == 0; }},
      {"setColumnValue of a missing column", [&] { return !db->setColumnValue("w", "nope", TwhereClause("1"), "v"); }},
      {"columnNames of a missing table", [&] { return db->columnNames("nope").count() == 0; }},
      {"ColumnType of a missing column", [&] { return db->ColumnType("w", "nope") == 0; }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    messages.clear();
    EXPECT_TRUE(c.neutral());
    EXPECT_EQ(messages.size(), 1u);
  }
  messages.clear();
  EXPECT_FALSE(db->columnExists("w", "nope"));
  EXPECT_FALSE(db->columnExists("nope", "n"));
  EXPECT_TRUE(db->columnExists("w", "XY"));
  EXPECT_TRUE(messages.empty());  // the existence test never reports
}
}  // namespace
