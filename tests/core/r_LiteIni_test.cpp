// TiniLite and the per-user store: the forgiving reading rules, saving, change tracking and
// failed writes.
#include "core/r_LiteIni.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/r_paths.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace {
struct LiteFixture : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

// Groups as text: "name:line|line;name:line".
std::string layout(const TiniLite& ini) {
  std::string out;
  for (int i = 0; i < ini.sections().count(); ++i) {
    if (i) out += ";";
    out += ini.sections()[i] + ":";
    const TStringList* g = ini.getSection(i);
    for (int j = 0; j < g->count(); ++j) out += (j ? "|" : "") + (*g)[j];
  }
  return out;
}

TEST_F(LiteFixture, ReadingRules) {
  struct Case { const char* id; std::string bytes, groups; } cases[] = {
      {"lines before the first group join it", "x=1\n[a]\ny=2\n", "a:x=1|y=2"},
      {"blank lines and blanks around lines", "[a]\r\n   \r\n\t k=v \r\n", "a:k=v"},
      {"a group without lines is dropped", "[b]\n[c]\nz=3\n", "c:z=3"},
      {"an empty name passes its lines on", "[a]\nx=1\n[]\ny=2\n[d]\nz=3", "a:x=1;d:y=2|z=3"},
      {"lines after no named group are dropped", "x=1\ny=2\n", ""},
      {"repeated group makes a second one", "[a]\nx=1\n[A]\nx=2\n", "a:x=1;A:x=2"},
      {"UTF-16 with its mark", std::string("\xFF\xFE[\0a\0]\0\n\0k\0=\0\xFC\0", 16), "a:k=ü"},
      {"Windows-1252", "[Z\xFCrich]\nk=v\n", "Zürich:k=v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TiniLite ini(testenv::writeFile("lite/read.ini", c.bytes));
    EXPECT_EQ(layout(ini), c.groups);
    EXPECT_FALSE(ini.changed);
  }
}

TEST_F(LiteFixture, KeysMatchTheirWholeNamePartWithoutCase) {
  TiniLite ini(testenv::writeFile("lite/k.ini", "[Loc]\nname = Oslo\nCity=Bergen=west\nn=12x\nf=abc\n"));
  EXPECT_EQ(ini.readString("loc", "name", "none"), "none");
  EXPECT_EQ(ini.readString("loc", "name ", ""), " Oslo");
  EXPECT_EQ(ini.readString("LOC", "city", ""), "Bergen=west");
  EXPECT_TRUE(ini.ValueExists("loc", "CITY"));
  EXPECT_EQ(ini.readInteger("loc", "n", 5), 5);
  EXPECT_EQ(ini.readFloatUK("loc", "f", 1.5), 1.5);
  EXPECT_EQ(ini.readFloatUK("loc", "missing", 2.5), 2.5);
  ini.writeFloatUK("loc", "lat", -33.865);
  EXPECT_EQ(ini.readString("loc", "lat", ""), "-33.865000");
  EXPECT_DOUBLE_EQ(ini.readFloatUK("loc", "lat", 0), -33.865);
  ini.changed = false;
}

TEST_F(LiteFixture, SavesGroupsWithLinesAsUtf8) {
  const std::string name = testenv::writeFile("lite/s.ini", "[a]\nx=1\n[b]\ny=2\n");
  {
    TiniLite ini(name);
    ini.eraseGroup("A");
    ini.writeString("東京", "name", "Zürich");
    ASSERT_TRUE(ini.changed);
  }  // written when freed
  EXPECT_EQ(testenv::readFile(name), "[b]\r\ny=2\r\n\r\n[東京]\r\nname=Zürich\r\n\r\n");
  for (int i = 0; i < 3; ++i) {
    TiniLite ini(name);
    ASSERT_EQ(ini.readString("東京", "NAME", ""), "Zürich");
    ini.writeInteger("b", "y", i);
  }
  TiniLite emptied(name);
  TStringList none;
  emptied.writeSection("b", none);
  emptied.eraseGroup("東京");
  ASSERT_TRUE(emptied.UpdateFile());
  EXPECT_FALSE(emptied.changed);
  EXPECT_EQ(testenv::readFile(name), "");
}

TEST_F(LiteFixture, WriteSectionAndEraseAllMarkTheFileChanged) {
  const std::string name = testenv::writeFile("lite/c.ini", "[a]\nx=1\n");
  {
    TiniLite ini(name);
    TStringList l;
    l.add("y=2");
    ini.writeSection("a", l);
    EXPECT_TRUE(ini.changed);
  }
  EXPECT_EQ(testenv::readFile(name), "[a]\r\ny=2\r\n\r\n");
  {
    TiniLite ini(name);
    ini.eraseAll();
    EXPECT_TRUE(ini.changed);
  }
  EXPECT_EQ(testenv::readFile(name), "");
}

TEST_F(LiteFixture, FailedWriteKeepsOldFileAndChangedFlag) {
  const std::string name = testenv::writeFile("lite/f.ini", "[a]\r\nx=1\r\n\r\n");
  TiniLite ini(name);
  ini.writeString("a", "x", "2");
  platform::failNextReplaceForTesting(name);
  EXPECT_FALSE(ini.UpdateFile());
  EXPECT_TRUE(ini.changed);
  EXPECT_EQ(testenv::readFile(name), "[a]\r\nx=1\r\n\r\n");
  EXPECT_FALSE(ini.saveToFile(name + "/below.ini"));
  EXPECT_TRUE(ini.UpdateFile());
  EXPECT_EQ(testenv::readFile(name), "[a]\r\nx=2\r\n\r\n");
}

TEST_F(LiteFixture, PerUserStoreKeepsValuesByGroup) {
  const std::string store = platform::documentsFolder() + "Ombrant/configuration/paths.ini";
  EXPECT_EQ(paths().getpath("kestrova", "wall clock monitor"), "");
  paths().setPath("kestrova", "wall clock monitor", "2");
  ASSERT_TRUE(paths().updateFile());  // makes the maker's folder on a new machine
  EXPECT_EQ(testenv::readFile(store), "[kestrova]\r\nwall clock monitor=2\r\n\r\n");
  paths().setPath(Tpaths::GroupFromAppcode(88), "saver monitor", "1");
  freePaths();
  EXPECT_EQ(paths().getpath("KESTROVA", "saver monitor"), "1");
  EXPECT_EQ(Tpaths::GroupFromAppcode(80), "kestrova");
  EXPECT_EQ(Tpaths::GroupFromAppcode(7), "unknown");
}
}  // namespace
