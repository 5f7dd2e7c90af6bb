// One blob or point list read and written by a condition: bytes kept exactly (files put in by
// the command-line tool), NULL and empty values, the blob's file type by its first bytes.
#include "tests/storage/sqlite_fixture.h"

namespace {
struct Blobs : SqliteFixture {
  std::string path;
  std::unique_ptr<TliteDB> db;

  void SetUp() override {
    SqliteFixture::SetUp();
    path = freshPath("blobs.db");
    db = TliteDB::create();
    ASSERT_TRUE(db->setfile(path));
    ASSERT_TRUE(db->ExecSQL("CREATE TABLE ini(`key` TEXT, value TEXT, `blob` BLOB)"));
  }
  // Every byte value, NULs included, `n` bytes long.
  static std::string pattern(size_t n, uint8_t first = 0) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + first) & 0xFF);
    s[0] = static_cast<char>(first);
    return s;
  }
};

TEST_F(Blobs, GetColumnBlobGivesTheFirstMatchingRowsBytesExactly) {
  std::string picture = pattern(70000, 'B');
  std::string file = testenv::writeFile("sky.bmp", picture);
  ASSERT_TRUE(cli(path, "INSERT INTO ini VALUES ('night sky', 'a', readfile('" + file + "'));"
                        "INSERT INTO ini VALUES ('night sky', 'b', X'0102');"
                        "INSERT INTO ini VALUES ('none', 'c', NULL);"));
  Tbytes mem = {9, 9};
  ASSERT_TRUE(db->getColumnBlob("ini", "blob", TwhereClause("key = 'night sky'"), mem));
  EXPECT_EQ(std::string(mem.begin(), mem.end()), picture);

  // No row and NULL empty the stream; a column that is not a blob column leaves it alone.
  mem = {9};
  EXPECT_FALSE(db->getColumnBlob("ini", "blob", TwhereClause::equals("key", "missing"), mem));
  EXPECT_TRUE(mem.empty());
  mem = {9};
  EXPECT_FALSE(db->getColumnBlob("ini", "blob", TwhereClause::equals("key", "none"), mem));
  EXPECT_TRUE(mem.empty());
  mem = {9};
  EXPECT_FALSE(db->getColumnBlob("ini", "value", TwhereClause::equals("key", "none"), mem));
  EXPECT_EQ(mem, Tbytes{9});

  // A missing table or column, or no condition: false, reported, stream untouched.
  for (auto [table, column, where] : {std::tuple{"nosuch", "blob", "1"}, {"ini", "nosuch", "1"}, {"ini", "blob", ""}}) {
    messages.clear();
    mem = {9};
    EXPECT_FALSE(db->getColumnBlob(table, column, TwhereClause(where), mem)) << table << column;
    EXPECT_EQ(mem, Tbytes{9});
    EXPECT_FALSE(messages.empty());
  }
}

TEST_F(Blobs, SetColumnBlobStoresBytesOrNullAndNeedsACondition) {
  ASSERT_TRUE(db->ExecSQL("INSERT INTO ini VALUES ('a', 'x', NULL), ('b', 'y', X'FF')"));
  std::string bytes = pattern(300);
  Tbytes mem(bytes.begin(), bytes.end());
  EXPECT_TRUE(db->setColumnBlob("ini", "blob", TwhereClause::equals("key", "a"), &mem));
  std::string dumped = freshPath("dump.bin");
  cliQuery(path, "SELECT writefile('" + dumped + "', `blob`) FROM ini WHERE key = 'a';");
  EXPECT_EQ(testenv::readFile(dumped), bytes);
  EXPECT_EQ(cliQuery(path, "SELECT typeof(`blob`) FROM ini ORDER BY key;"), "blob\nblob");

  Tbytes empty;
  EXPECT_TRUE(db->setColumnBlob("ini", "blob", TwhereClause::equals("key", "a"), &empty));
  EXPECT_TRUE(db->setColumnNull("ini", "blob", TwhereClause::equals("key", "b")));
  EXPECT_EQ(cliQuery(path, "SELECT typeof(`blob`) FROM ini ORDER BY key;"), "null\nnull");

  // An empty condition would reach every row: refused.
  ASSERT_TRUE(db->setColumnBlob("ini", "blob", TwhereClause::equals("key", "a"), &mem));
  messages.clear();
  EXPECT_FALSE(db->setColumnNull("ini", "blob", TwhereClause()));
  EXPECT_FALSE(messages.empty());
  EXPECT_EQ(cliQuery(path, "SELECT typeof(`blob`) FROM ini ORDER BY key;"), "blob\nnull");
}

TEST_F(Blobs, IsColumnNullForEveryValueWithoutBytes) {
  ASSERT_TRUE(cli(path, "INSERT INTO ini VALUES ('null', NULL, NULL), ('empty', '', X''),"
                        "('zero', '0', X'00'), ('text', 'a', X'41');"));
  struct Case {
    const char* key;
    const char* column;
    bool isNull;
  } cases[] = {{"null", "value", true}, {"null", "blob", true},  {"empty", "value", true}, {"empty", "blob", true},
               {"zero", "value", false}, {"zero", "blob", false}, {"text", "value", false}, {"nosuch", "value", true}};
  for (const Case& c : cases)
    EXPECT_EQ(db->isColumnNull("ini", c.column, TwhereClause::equals("key", c.key)), c.isNull) << c.key << " " << c.column;
  EXPECT_TRUE(db->isColumnNull("nosuch", "value", TwhereClause("1")));
}

TEST_F(Blobs, PointListsAreCheckedWholeBeforeUse) {
  TpolyXyValues xy = {{{1.5, -2}, {3, 4}, {1.5, -2}}, {{0, 0}}};
  Tbytes mem;
  TsqlBase::XYtoMem(xy, mem);
  Tbytes cut(mem.begin(), mem.end() - 8);
  ASSERT_TRUE(db->ExecSQL("INSERT INTO ini VALUES ('whole', '', ?)", &mem));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO ini VALUES ('cut', '', ?)", &cut));
  TpolyXyValues got;
  ASSERT_TRUE(db->getColumnXY("ini", "blob", TwhereClause::equals("key", "whole"), got));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].size(), 3u);
  EXPECT_EQ(got[0][1].x, 3);
  EXPECT_EQ(got[1][0].y, 0);
  EXPECT_FALSE(db->getColumnXY("ini", "blob", TwhereClause::equals("key", "cut"), got));
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(db->getColumnXY("ini", "value", TwhereClause::equals("key", "whole"), got));
}

TEST_F(Blobs, ColumnValueOfABlobNamesItsSizeOrFileType) {
  std::string jpeg = "\xFF\xD8\xFF\xE0" + pattern(1996, 1);
  std::string png = "\x89PNG\r\n\x1A\n" + pattern(100, 2);
  // A named blob: signature, UTF-16 name length and name, then the file's bytes.
  std::string named = std::string("QYBLOB") + std::string("\x09\0\0\0", 4);
  for (char c : std::string("photo.png")) named += std::string{c, '\0'};
  named += pattern(50, 3);
  struct Case {
    std::string bytes;
    const char* expected;
  } cases[] = {{"", "0"}, {pattern(5, 1), "5"}, {pattern(10, 1), "10"}, {jpeg, "jpg"}, {png, "png"},
               {named, "photo.png"}};
  int n = 0;
  for (const Case& c : cases) {
    Tbytes mem(c.bytes.begin(), c.bytes.end());
    std::string key = "k" + std::to_string(++n);
    ASSERT_TRUE(db->ExecParams("INSERT INTO ini VALUES (?, '', ?)", {TsqlParam::ofText(key), TsqlParam::ofBlob(&mem)}));
    EXPECT_EQ(db->getColumnValue("ini", "blob", TwhereClause::equals("key", key)), c.expected) << key;
  }
  EXPECT_EQ(db->getColumnValue("ini", "blob", TwhereClause::equals("key", "none")), "0");
}
}  // namespace
