// Writers of the storage layer on a full disk: TliteDB::saveAs fails, and the older database at
// the target stays whole and readable (a copy once cut it to what fitted); the CSV exports fail,
// report, and leave the older file as it was.
#include "tests/platform/fullfs.h"
#include "tests/storage/sqlite_fixture.h"

namespace {

using FullDiskDatabase = SqliteFixture;

TEST_F(FullDiskDatabase, ASaveAsThatCannotBeWrittenLeavesTheOldTarget) {
  FULLFS_OR_SKIP(fs);
  const std::string target = fs.folder() + "target.db";
  ASSERT_TRUE(cli(target, "CREATE TABLE old(a); INSERT INTO old VALUES ('kept');"));
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(freshPath("new.db")));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE fresh(a)"));
  ASSERT_TRUE(db->ExecSQL("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                          "INSERT INTO fresh SELECT printf('%0100d', i) FROM n"));
  fs.fill();
  EXPECT_FALSE(db->saveAs(target));
  EXPECT_FALSE(messages.empty());
  EXPECT_EQ(cliQuery(target, "PRAGMA integrity_check; SELECT a FROM old;"), "ok\nkept");
  EXPECT_EQ(fs.names(), (std::vector<std::string>{"target.db"}));
}

TEST_F(FullDiskDatabase, CsvExportsThatCannotBeWrittenLeaveTheOldFile) {
  FULLFS_OR_SKIP(fs);
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(freshPath("rows.db")));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t(a TEXT, b INTEGER)"));
  // More than the writers buffer, so a write fails before the last row is read.
  ASSERT_TRUE(db->ExecSQL("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO t SELECT printf('row %040d', i), i FROM n"));
  TliteRead cursor(db.get(), "t");
  fullfs::expectEveryWriterFails(
      fs, {{"table.csv", [&](const std::string& f) { return db->SaveAsCSV(f, "t", {}); }},
           {"cursor.csv", [&](const std::string& f) { return cursor.SaveAsCSV(f, ""); }}});
  EXPECT_EQ(messages.size(), 1u);  // the table's export reports; the cursor's logs
  // The cursor reads again afterwards: the export left no statement open.
  ASSERT_TRUE(cursor.StartRead("b = 2"));
  ASSERT_TRUE(cursor.nextRow());
  EXPECT_EQ(cursor.getnamed("a").gets(), "row 0000000000000000000000000000000000000002");
  cursor.finishRead();
}

}  // namespace
