// The binding: quoting, result texts, the file test, the registry, the point-list blob and the
// unusable-binding path.
#include <cstring>
#include <fstream>

#include "tests/storage/sqlite_fixture.h"

namespace {
using Binding = SqliteFixture;

TEST_F(Binding, QuotingDoublesSingleQuotesAndDequoteUndoesOneLevel) {
  EXPECT_EQ(TsqlBase::q(""), "''");
  EXPECT_EQ(TsqlBase::q("it's"), "'it''s'");
  EXPECT_EQ(TsqlBase::k("it's"), "it''s");
  EXPECT_EQ(TsqlBase::dequote("it''s"), "it's");
  EXPECT_EQ(TsqlBase::dequote("it's"), "it's");
  EXPECT_EQ(sqlIdent("a`b"), "`a``b`");
}

TEST_F(Binding, ErrorMessagesNameKnownCodesAndQuoteUnknownOnes) {
  EXPECT_EQ(TsqlBase::errorMessage(0), "Successful result");
  EXPECT_EQ(TsqlBase::errorMessage(26), "File opened that is not a database file");
  EXPECT_EQ(TsqlBase::errorMessage(101), "sqlite3_step() has finished executing");
  EXPECT_EQ(TsqlBase::errorMessage(27), "Unknown SQLite Error Code \"27\"");
  EXPECT_EQ(TsqlBase::errorMessage(266), "Unknown SQLite Error Code \"266\"");
}

TEST_F(Binding, IsSQLiteReadsTheHeaderExactly) {
  std::string real = freshPath("real.db");
  ASSERT_TRUE(cli(real, "CREATE TABLE t(a);"));
  EXPECT_TRUE(TsqlBase::isSQLite(real));
  EXPECT_FALSE(TsqlBase::isSQLite(testenv::writeFile("lower.db", "sqlite format 3")));
  EXPECT_FALSE(TsqlBase::isSQLite(testenv::writeFile("short.db", "SQLit")));
  EXPECT_FALSE(TsqlBase::isSQLite(freshPath("missing.db")));
}

TEST_F(Binding, PointListBlobRoundTrips) {
  TpolyXyValues xy = {{{1.5, -2.25}, {3, 4}}, {}, {{1e300, -0.0}}};
  Tbytes mem;
  TsqlBase::XYtoMem(xy, mem);
  ASSERT_EQ(mem.size(), 8u + (4 + 32) + 4 + (4 + 16));
  int32_t head[2];
  std::memcpy(head, mem.data(), 8);
  EXPECT_EQ(head[0], 16);
  EXPECT_EQ(head[1], 3);
  TpolyXyValues back;
  EXPECT_TRUE(TsqlBase::MemToXY(&mem, back));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0][1].x, 3);
  EXPECT_EQ(back[0][0].y, -2.25);
  EXPECT_TRUE(back[1].empty());
  EXPECT_EQ(back[2][0].x, 1e300);

  // One part of two points is 44 bytes; a last part without points reads back but says false.
  TsqlBase::XYtoMem({{{0, 0}, {1, 1}}}, mem);
  EXPECT_EQ(mem.size(), 44u);
  TsqlBase::XYtoMem({{{0, 0}}, {}}, mem);
  EXPECT_FALSE(TsqlBase::MemToXY(&mem, back));
  EXPECT_EQ(back.size(), 2u);
}

TEST_F(Binding, PointListBlobThatLiesIsRefusedAndLeavesTheList) {
  auto blob = [](std::vector<int32_t> ints, size_t extraBytes) {
    Tbytes m(ints.size() * 4 + extraBytes, 0);
    std::memcpy(m.data(), ints.data(), ints.size() * 4);
    return m;
  };
  struct Case {
    const char* id;
    Tbytes mem;
  } cases[] = {
      {"empty list is 8 bytes", blob({16, 0}, 0)},
      {"part count beyond the end", blob({16, 5, 1}, 16)},
      {"point count beyond the end", blob({16, 1, 1000000}, 16)},
      {"negative point count", blob({16, 1, -1}, 16)},
      {"negative part count", blob({16, -3}, 16)},
      {"point size not 16", blob({24, 1, 1}, 24)},
      {"huge count that overflows", blob({16, 1, 0x7fffffff}, 32)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    TpolyXyValues xy = {{{7, 7}}};
    EXPECT_FALSE(TsqlBase::MemToXY(&c.mem, xy));
    ASSERT_EQ(xy.size(), 1u);
    EXPECT_EQ(xy[0][0].x, 7);
  }
  TpolyXyValues xy;
  EXPECT_FALSE(TsqlBase::MemToXY(static_cast<const Tbytes*>(nullptr), xy));
}

TEST_F(Binding, RegistryFindsByNameWithoutCaseOnly) {
  std::string path = freshPath("Reg.db");
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  EXPECT_EQ(q->find(path), db.get());
  std::string upper = path;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(q->find(upper), db.get());
  EXPECT_EQ(q->find(testenv::tempDir() + "./" + path.substr(testenv::tempDir().size())), nullptr);
  TliteDB* raw = db.get();
  db.reset();
  EXPECT_EQ(std::find(q->a.begin(), q->a.end(), raw), q->a.end());
}

TEST_F(Binding, CopyfileReopensEveryObjectOnTheTarget) {
  std::string source = freshPath("src.db");
  std::string target = freshPath("dst.db");
  ASSERT_TRUE(cli(source, "CREATE TABLE fresh(a); INSERT INTO fresh VALUES (1);"));
  ASSERT_TRUE(cli(target, "CREATE TABLE stale(a);"));
  auto one = TliteDB::create();
  auto two = TliteDB::create();
  ASSERT_TRUE(one->setfile(target));
  ASSERT_TRUE(two->setfile(target));
  EXPECT_TRUE(q->copyfile(source, target));
  for (TliteDB* db : {one.get(), two.get()}) {
    EXPECT_TRUE(db->valid());
    EXPECT_TRUE(db->tableExists("fresh"));
    EXPECT_FALSE(db->tableExists("stale"));
  }
}

TEST_F(Binding, UnusableBindingFailsEveryPathWithoutTouchingFiles) {
  auto db = TliteDB::create();
  q->e = TsqliteEntries{};
  ASSERT_FALSE(q->usable());
  std::string path = freshPath("never.db");
  EXPECT_FALSE(db->setfile(path));
  EXPECT_FALSE(db->valid());
  EXPECT_TRUE(db->FailedToOpen());
  EXPECT_TRUE(db->database().empty());
  EXPECT_FALSE(std::ifstream(path).good());
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("unusable"), std::string::npos);
  EXPECT_EQ(db->start("SELECT 1"), nullptr);
  EXPECT_FALSE(db->ExecSQL("CREATE TABLE t(a)"));
  EXPECT_EQ(db->getS("t", "a", TwhereClause("1")), "");
  EXPECT_EQ(db->GetRowCount("t"), 0);
  EXPECT_EQ(db->getMaxD("t", "a"), -1);
  EXPECT_FALSE(db->tableExists("t"));
  q->bindLinkedLibrary();
  EXPECT_TRUE(q->usable());
  EXPECT_TRUE(db->setfile(path));
}
}  // namespace
