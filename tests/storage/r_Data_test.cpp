// The column model: fresh columns, types and their defaults, the count limit, events, names,
// definitions and their round trip through a list.
#include "storage/r_Data.h"

#include <gtest/gtest.h>

#include "tests/support/testenv.h"

#include "core/TQYini.h"
#include "core/os_datatypes.h"
#include "core/r_base.h"

namespace {
struct ColumnModel : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

TEST_F(ColumnModel, AddSetsWidthAndDefaultByType) {
  Tcolumns cols;
  EXPECT_EQ(cols.count(), 0);
  EXPECT_TRUE(cols.ownsColumns);
  Tcolumn* c = cols.Add();
  EXPECT_EQ(c->name, "new");
  EXPECT_EQ(c->datatype(), ftString);
  EXPECT_EQ(c->width, 200);
  EXPECT_EQ(c->decplaces, 2);
  EXPECT_EQ(c->columns, &cols);
  c = cols.Add(ftInteger, "n");
  EXPECT_EQ(c->deflt, "0");
  EXPECT_EQ(c->width, 80);
  c = cols.Add(ftDateTime, "when");
  EXPECT_EQ(c->width, 110);
  EXPECT_EQ(c->deflt.size(), 19u);  // yyyy-mm-dd hh:nn:ss
  EXPECT_EQ(c->deflt[10], ' ');
  c = cols.Add(ftBoolean, "b");
  EXPECT_EQ(c->width, 50);
  EXPECT_EQ(c->deflt, "");
  EXPECT_EQ(cols.Add(ftDate, "d")->deflt.size(), 10u);
}

TEST_F(ColumnModel, CountAboveTheLimitEmptiesTheList) {
  Tcolumns cols;
  cols.setcount(10);
  EXPECT_EQ(cols.item(9)->width, 10);  // a fresh column, type set directly
  cols.setcount(251);
  EXPECT_EQ(cols.count(), 0);
  cols.setcount(250);
  EXPECT_EQ(cols.count(), 250);
  Tcolumns big;
  for (int i = 0; i < 251; ++i) big.Add();
  cols.assign(big);
  EXPECT_EQ(cols.count(), 0);
  EXPECT_EQ(cols.item(0), nullptr);
  EXPECT_EQ(cols.item(-1), nullptr);
}

TEST_F(ColumnModel, EventsCarryTheChangedIndices) {
  Tcolumns cols;
  std::vector<std::string> events;
  cols.onInsert = [&](Tcolumns* c) { events.push_back("insert " + std::to_string(c->changedcolumn)); };
  cols.onDelete = [&](Tcolumns* c) { events.push_back("delete " + std::to_string(c->changedcolumn)); };
  cols.onSwap = [&](Tcolumns* c) {
    events.push_back("swap " + std::to_string(c->changedcolumn) + " " + std::to_string(c->swapcolumn));
  };
  cols.Add(ftString, "a");
  cols.Add(ftString, "b");
  cols.Add(ftString, "c");
  cols.Swap(0, 2);
  EXPECT_EQ(cols.getName(0), "c");
  cols.Delete(0);
  EXPECT_EQ(cols.getName(0), "b");
  EXPECT_EQ(cols.getName(1), "a");
  cols.Delete(5);   // outside: nothing
  cols.Swap(0, 9);  // outside: nothing
  EXPECT_EQ(events, (std::vector<std::string>{"insert 0", "insert 1", "insert 2", "swap 0 2", "delete 0"}));
}

TEST_F(ColumnModel, NamesCompareWithoutCaseButSameNamesIsExact) {
  Tcolumns a, b;
  a.Add(ftString, "Town Name");
  b.Add(ftString, "town name");
  EXPECT_EQ(a.indexOf("TOWN NAME"), 0);
  EXPECT_FALSE(a.sameNames(b));
  Tcolumns e1, e2;
  EXPECT_TRUE(e1.sameNames(e2));
  EXPECT_EQ(a.findOrAdd("town NAME", ftInteger), a.item(0));
  EXPECT_EQ(a.findOrAdd("pop", ftInteger)->datatype(), ftInteger);

  b.Add(ftInteger, "pop");
  b.item(1)->unitname = "people";
  a.Merge(b);  // "pop" exists already (any case); "town name" too
  EXPECT_EQ(a.count(), 2);
  b.Add(ftArea, "size");
  a.Merge(b);
  ASSERT_EQ(a.count(), 3);
  EXPECT_EQ(a.item(2)->datatype(), ftArea);
  EXPECT_NE(a.item(2), b.item(2));
}

TEST_F(ColumnModel, DefinitionsWriteOnlyWhatDiffersAndReadBack) {
  Tcolumns cols;
  cols.Add();
  Tcolumn* n = cols.Add(ftInteger, "head count");
  n->decplaces = 0;
  Tcolumn* p = cols.Add(ftString, "kind");
  p->pickListName = "kinds list";
  p->multiline = true;
  p->setdisplay("Kind, of \"thing\"");
  p->unitname = "m";
  EXPECT_EQ(cols.columnDef(0), "name=new,width=200");
  EXPECT_EQ(cols.columnDef(1), "\"name=head count\",type=integer,decplaces=0,default=0");
  TStringList list;
  cols.savetoList(list);
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list[1].substr(0, 2), "1=");

  Tcolumns back;
  back.LoadFromList(&list);
  ASSERT_EQ(back.count(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.columnDef(i), cols.columnDef(i));
  }
  EXPECT_EQ(back.item(2)->getdisplay(), "Kind, of \"thing\"");
  EXPECT_TRUE(back.item(2)->multiline);
  EXPECT_EQ(back.item(2)->pickListName, "kinds list");

  struct Case {
    const char* def;
    int type;
  } cases[] = {{"name=a,type=memo", ftString}, {"name=a,type=filename", ftFilename},
               {"name=a,type=datetime", ftDateTime}, {"name=a,type=Integer", ftString}};
  for (auto c : cases) {
    SCOPED_TRACE(c.def);
    EXPECT_EQ(back.AddDef(c.def)->datatype(), c.type);
  }
  back.LoadFromList(nullptr);
  EXPECT_EQ(back.count(), 0);
}

TEST_F(ColumnModel, ReferringListSharesColumnsAndFreesNone) {
  Tcolumns owner;
  owner.Add(ftString, "a");
  owner.Add(ftDouble, "b");
  {
    Tcolumns refs;
    refs.ownsColumns = false;
    refs.assign(owner);
    EXPECT_EQ(refs.item(1), owner.item(1));
    refs.Delete(0);
    refs.Insert(0, ftInteger);  // made here, freed with this list
    EXPECT_EQ(refs.AddRef(owner.item(0)), 2);
    EXPECT_EQ(refs.Add(std::make_unique<Tcolumn>()), -1);
  }
  EXPECT_EQ(owner.getName(0), "a");  // still alive
  EXPECT_EQ(owner.columnNames().count(), 2);
  EXPECT_EQ(reinterpret_cast<intptr_t>(owner.columnNames().object(1)), ftDouble);
  EXPECT_EQ(Tcolumns::DBFtype(ftcardinal), dbf_numeric);
  EXPECT_EQ(Tcolumns::DBFtype(ftTime), dbf_date);
  EXPECT_EQ(Tcolumns::DBFtype(ftMemo), dbf_memo);
  EXPECT_EQ(Tcolumns::DBFtype(ftPercent), dbf_string);
}
TEST_F(ColumnModel, SettingsSectionRoundTripsThroughAFile) {
  const std::string file = testenv::tempDir() + "columns.ini";
  {
    TQYini ini(file);
    ini.writestring("other", "k", "v");
    Tcolumns cols;
    cols.Add(ftString, "Name, in full");
    cols.Add(ftDouble, "Höhe")->unitname = "m";
    cols.saveToIni(ini);
    ASSERT_TRUE(ini.save());
  }
  TQYini ini(file);
  Tcolumns back;
  back.loadFromIni(ini);
  ASSERT_EQ(back.count(), 2);
  EXPECT_EQ(back.getName(0), "Name, in full");
  EXPECT_EQ(back.item(1)->datatype(), ftDouble);
  EXPECT_EQ(back.item(1)->unitname, "m");

  Tcolumns none;
  none.saveToIni(ini);
  EXPECT_FALSE(ini.sectionExists("columns"));
  EXPECT_TRUE(ini.sectionExists("other"));
  back.loadFromIni(ini);
  EXPECT_EQ(back.count(), 0);
}
}  // namespace
