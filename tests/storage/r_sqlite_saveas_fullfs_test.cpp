// TliteDB::saveAs on a full disk: the copy fails, and the older database at the target stays
// whole and readable (a copy once cut it to what fitted).
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

}  // namespace
