// Declared column types: every type name written here reads back as the code that wrote it,
// through a real table; other programs' declared types map by the affinity rules.
#include "tests/storage/sqlite_fixture.h"

namespace {
using DeclaredTypes = SqliteFixture;

TEST_F(DeclaredTypes, EveryWrittenTypeReadsBackThroughARealTable) {
  auto db = openNew("types.db");
  // Codes whose name is shared read back as the family's own code.
  auto expected = [](int code) {
    switch (code) {
      case ftSmallint: case ftWord: case ftcardinal: return int(ftInteger);
      case ftJpeg: return int(ftGraphic);
      default: return code;
    }
  };
  const int codes[] = {ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftDouble, ftcardinal, ftDate,
                       ftTime, ftDateTime, ftBlob, ftMemo, ftGraphic, ftByte, ftLinear, ftArea,
                       ftPaperLinear, ftNotes, ftColour, ftPercent, ftFile, ftXYvalues, ftJpeg,
                       ftPolyXYvalues, ftGMT, ftFilename};
  db->startTable("all types");
  for (int c : codes) db->addField("c" + std::to_string(c), c);
  ASSERT_GE(db->finishTable(), 0);
  for (int c : codes) {
    SCOPED_TRACE(c);
    const std::string name = TsqlBase::TypeName(c);
    EXPECT_EQ(TsqlBase::TypeCode(name), expected(c));
    EXPECT_EQ(db->ColumnType("all types", "c" + std::to_string(c)), expected(c));
    EXPECT_EQ(TsqlBase::TypeName(TsqlBase::TypeCode(name)), name);
  }
  // Key types: the declared type is reported without its constraints.
  EXPECT_EQ(TsqlBase::TypeCode(TsqlBase::TypeName(ftAutoInc)), ftAutoInc);
  EXPECT_EQ(TsqlBase::TypeCode("integer primary key autoincrement"), ftAutoInc);
  EXPECT_EQ(TsqlBase::TypeCode(TsqlBase::TypeName(ftPrimaryKey)), ftPrimaryKey);
  EXPECT_EQ(TsqlBase::TypeCode("no such type"), ftString);
}

TEST_F(DeclaredTypes, OtherProgramsTypesMapByAffinity) {
  std::string path = freshPath("foreign.db");
  ASSERT_TRUE(cli(path,
                  "CREATE TABLE f(a integer, b BIGINT, c POINT, d VARCHAR(40), e NUMERIC, f DOUBLE PRECISION,"
                  " g GEOMETRY, h MULTIPOLYGON, i, j MULTIPOINT, k my_blob_type, l DATETIME, m TINYINT,"
                  " n CLOB, o REAL, p DATE);"));
  struct Case {
    const char* col;
    int code;
  } cases[] = {{"a", ftInteger}, {"b", ftInteger}, {"c", ftBlob},   {"d", ftString},
               {"e", ftDouble},  {"f", ftDouble},  {"g", ftDouble}, {"h", ftBlob},
               {"i", ftDouble},  {"j", ftInteger}, {"k", ftBlob},   {"l", ftDateTime},
               {"m", ftByte},    {"n", ftString},  {"o", ftDouble}, {"p", ftDouble}};
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  for (auto& c : cases) {
    SCOPED_TRACE(c.col);
    EXPECT_EQ(db->ColumnType("f", c.col), c.code);
  }
  EXPECT_EQ(db->ColumnType("f", "missing"), 0);
  EXPECT_TRUE(db->isBlob("f", "k"));
  EXPECT_FALSE(db->isBlob("f", "j"));
  EXPECT_TRUE(TliteDB::validBlobName("xBlObx"));
  EXPECT_FALSE(TliteDB::validBlobName("MULTIPOINT"));
}

TEST_F(DeclaredTypes, GenericFamilies) {
  struct Case {
    int code, family;
  } cases[] = {{ftBoolean, 1}, {ftAutoInc, 1}, {ftPercent, 3}, {ftJpeg, 1}, {ftArea, 6},
               {ftPolyXYvalues, 15}, {ftNotes, 15}, {1000, 1}, {-1, 1}};
  for (auto c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TsqlBase::genericType(c.code), c.family);
  }
  EXPECT_EQ(Tos::dataTypeStr(ftWidestring), "string");
  EXPECT_EQ(Tos::dataTypeStr(ftPolyXYvalues), "coordinates");
  EXPECT_EQ(Tos::dataTypeStr(ftBytes), "");
  EXPECT_EQ(Tos::dataTypeFromStr("Integer"), ftString);
  for (int c : {1, 3, 5, 6, 9, 11, 19}) EXPECT_EQ(Tos::dataTypeFromStr(Tos::dataTypeStr(c)), c);
}

TEST_F(DeclaredTypes, PrimaryKeyIsFoundFromTheTableNotTheDeclaredType) {
  auto db = openNew("pk.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE k(name TEXT, id INTEGER PRIMARY KEY)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE nokey(a)"));
  EXPECT_EQ(db->getPrimaryCol("k"), "id");
  EXPECT_TRUE(db->isPrimary("k", "ID"));
  EXPECT_FALSE(db->isPrimary("k", "name"));
  EXPECT_EQ(db->getPrimaryCol("nokey"), "");
}
}  // namespace
