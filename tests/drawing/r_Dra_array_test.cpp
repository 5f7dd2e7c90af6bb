// TgobArray as a container: creating, handing in, deleting and ordering objects with their
// ownership, columns kept in step with the values, lookups, bounds, settings and files.
#include <sys/stat.h>

#include "core/TQYini.h"
#include "platform/files.h"
#include "storage/r_Data.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;

std::vector<std::string> lines(Tgob& g) { return g.getDataList().lines(); }

TEST_F(DraTest, NewObjectsTakeTheColumnDefaults) {
  TgobArray d;
  d.addColumn("a", "1", ftString);
  d.addColumn("b", "", ftString);
  int32_t i = d.add();
  EXPECT_EQ(lines(*d.slot(i)), (std::vector<std::string>{"1", ""}));
  EXPECT_EQ(d.slot(i)->uid, 0u);
  EXPECT_EQ(d.slot(i)->g, &d);
}

TEST_F(DraTest, AddColumnPadsOrCutsEveryValueList) {
  TgobArray d;
  d.addColumn("a", "", ftString);
  d.addColumn("b", "", ftString);
  for (int n : {0, 1, 3}) {
    Tgob& g = *d.slot(d.add());
    g.getDataList().clear();
    for (int k = 0; k < n; ++k) g.getDataList().add("v" + std::to_string(k));
  }
  EXPECT_EQ(d.addColumn("c", "def", ftString), 2);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(d.slot(i)->getDataList().count(), 3);
    EXPECT_EQ(d.slot(i)->getDataList()[2], "def");
  }
  EXPECT_EQ(lines(*d.slot(2)), (std::vector<std::string>{"v0", "v1", "def"}));
}

TEST_F(DraTest, InsertColumnPlacesTheDefault) {
  TgobArray d;
  d.addColumn("a", "x", ftString);
  d.addColumn("b", "y", ftString);
  d.add();
  d.add();
  d.insertColumn(0, "first", "f", ftString, 0);
  d.insertColumn(-1, "last", "", ftFloat, 4);
  d.insertColumn(99, "beyond", "e", ftString);
  ASSERT_EQ(d.columnCount(), 5);
  EXPECT_EQ(d.columns().getName(0), "first");
  EXPECT_EQ(d.column(3)->decplaces, 2) << "an appended column keeps 2 decimals";
  EXPECT_EQ(d.columns().getName(4), "beyond");
  for (int i = 0; i < 2; ++i) EXPECT_EQ(lines(*d.slot(i)), (std::vector<std::string>{"f", "x", "y", "", "e"}));
}

TEST_F(DraTest, ColumnEditsKeepValuesInStep) {
  TgobArray d;
  for (const char* n : {"a", "b", "c", "d"}) d.addColumn(n, n, ftString);
  Tgob& g = *d.slot(d.add());
  Tgob& shortList = *d.slot(d.add());
  shortList.getDataList().clear();
  shortList.getDataList().add("only");
  d.swapColumns(0, 2);
  EXPECT_EQ(d.columns().getName(0), "c");
  EXPECT_EQ(lines(g), (std::vector<std::string>{"c", "b", "a", "d"}));
  EXPECT_EQ(lines(shortList), (std::vector<std::string>{"", "", "only"}));
  d.DeleteColumn(1);
  EXPECT_EQ(lines(g), (std::vector<std::string>{"c", "a", "d"}));
  d.DeleteColumns({2, 0, 2});
  EXPECT_EQ(lines(g), (std::vector<std::string>{"a"}));
  EXPECT_EQ(d.columns().getName(0), "a");
  // indices outside change nothing
  d.DeleteColumn(5);
  d.DeleteColumn(-1);
  d.swapColumns(0, 3);
  EXPECT_EQ(d.columnCount(), 1);
  EXPECT_EQ(lines(g), (std::vector<std::string>{"a"}));
  d.DeleteAllColumns();
  EXPECT_EQ(d.columnCount(), 0);
  EXPECT_TRUE(lines(g).empty());
}

TEST_F(DraTest, DeleteFreesOnlyWhatTheDrawingMade) {
  TgobArray d;
  std::vector<Tgob*> deleted;
  d.onDelete = [&](Tgob* g) { deleted.push_back(g); };
  d.add();
  auto mine = std::make_unique<Tgob>();
  EXPECT_EQ(d.add(mine.get()), 1);  // handed in: never freed by the drawing
  d.add();
  EXPECT_FALSE(d.ownsItem(1));
  EXPECT_TRUE(d.ownsItem(2));
  EXPECT_FALSE(d.Delete(d.count()));
  EXPECT_FALSE(d.Delete(-1));
  EXPECT_TRUE(d.Delete(1));
  EXPECT_TRUE(deleted.empty());
  EXPECT_EQ(mine->index, 1u);  // untouched, still alive
  Tgob* made = d.slot(0);
  EXPECT_TRUE(d.Delete(0));
  EXPECT_EQ(deleted, std::vector<Tgob*>{made});
  ASSERT_EQ(d.count(), 1);
  EXPECT_EQ(d.slot(0)->index, 0u);
  // The drawing still frees its own objects after a hand-over (the sanitizer build sees leaks).
  d.add(mine.get());
  d.add();
  d.clearObjects();
  EXPECT_EQ(d.count(), 0);
}

TEST_F(DraTest, HandedInObjectsAndSlots) {
  TgobArray d;
  Tgob outside;
  d.parentOwned = true;
  d.add(&outside);
  EXPECT_EQ(outside.g, &d);
  d.setlengthOfArray(4);
  EXPECT_EQ(d.slot(3), nullptr);
  Tgob second;
  EXPECT_EQ(d.add(&second, 3), 3);
  EXPECT_EQ(d.add(&second, 9), -1);
  d.add(2);  // into the empty slot
  EXPECT_EQ(d.slot(2)->index, 2u);
  d.setlengthOfArray(1);  // frees the object it made at 2, leaves `second`
  EXPECT_EQ(d.count(), 1);
  d.insert(0);
  EXPECT_EQ(d.slot(1), &outside);
  EXPECT_EQ(outside.index, 1u);
  EXPECT_EQ(d.slot(0)->index, 0u);
}

TEST_F(DraTest, OrderOperations) {
  TgobArray d;
  for (int i = 0; i < 4; ++i) d.add();
  std::vector<Tgob*> o{d.slot(0), d.slot(1), d.slot(2), d.slot(3)};
  EXPECT_EQ(d.UpOne(3), 4);  // the top object: nothing moves
  EXPECT_EQ(d.slot(3), o[3]);
  EXPECT_EQ(d.Bringtotop(0), 3);
  EXPECT_EQ(std::vector<Tgob*>({d.slot(0), d.slot(1), d.slot(2), d.slot(3)}),
            std::vector<Tgob*>({o[1], o[2], o[3], o[0]}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d.slot(i)->index, uint32_t(i));
  EXPECT_EQ(d.SendToBack(3), 0);
  EXPECT_EQ(d.slot(0), o[0]);
  d.Exchange(0, 1);
  EXPECT_EQ(d.slot(0), o[1]);
  EXPECT_EQ(o[1]->index, 1u) << "Exchange leaves the index fields";
  d.Exchange(0, 7);  // outside: nothing
  EXPECT_EQ(d.slot(0), o[1]);
  EXPECT_EQ(d.IndexOf(o[2]), 2);
  EXPECT_EQ(d.IndexOf(o[2], 2), -1);
  EXPECT_EQ(d.IndexOf(-1), -1);
}

TEST_F(DraTest, LookupsByValueUidAndParent) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  for (const char* c : {"y", "x", "x"}) {
    Tgob& g = *d.slot(d.add());
    g.fcaption = c;
    g.setcol(0, std::string(c) + ",1");
  }
  d.slot(2)->editDetail().parentuid = 1;
  d.slot(0)->editDetail().parentuid = 1;
  EXPECT_EQ(d.FindFromDataValue("caption", "x"), 1);
  EXPECT_EQ(d.FindFromDataValue("name", "\"y,1\""), 0);  // as stored
  EXPECT_EQ(d.FindFromDataValue("no such", "x"), -1);
  EXPECT_EQ(d.FindFromDataValue(col_area, "x"), -1);
  EXPECT_EQ(d.IndexOf(2), 2);
  EXPECT_EQ(d.findParent(d.slot(2)), 1);
  TiList kids;
  EXPECT_TRUE(d.findChildren(d.slot(1), kids));
  EXPECT_EQ(kids, (TiList{0, 2}));
  EXPECT_FALSE(d.findChildren(d.slot(0), kids));  // uid 0 has no children
}

TEST_F(DraTest, IndicesOutsideTheListAreRefused) {
  TgobArray d;
  d.add(o_polyGon, TpolyXyValues{box(0, 0, 1, 1)});
  for (int bad : {-1, 1, 1000}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(d.getItem(bad), nullptr);
    EXPECT_FALSE(d.inView(bad, -10, -10, 10, 10));
    d.ChangeArea(bad);
  }
  EXPECT_TRUE(d.inView(0, 0.5, 0.5, 3, 3));
  d.slot(0)->state = gob_hidden;
  EXPECT_FALSE(d.inView(0, 0.5, 0.5, 3, 3));
}

TEST_F(DraTest, EmptySlotsAreAskedFor) {
  TgobArray d;
  d.setlengthOfArray(3);
  d.onGetItem = [&](TgobArray* a) { a->add(a->pendingIndex); };
  ASSERT_NE(d.getItem(1), nullptr);
  EXPECT_EQ(d.getItem(1)->index, 1u);
}

TEST_F(DraTest, BoundsDropEmptySlotsAndRenumber) {
  TgobArray d;
  d.add(o_polyGon, TpolyXyValues{box(2, 3, 4, 5)});
  d.setlengthOfArray(3);
  d.add(o_line, Txyvalues{{-1, 1}, {1, 2}});
  d.add(o_point, Txyvalues{{10, 0}});
  d.updateBounds();
  ASSERT_EQ(d.count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d.slot(i)->index, uint32_t(i));
  EXPECT_EQ(std::vector<double>({d.x1, d.y1, d.x2, d.y2}), std::vector<double>({-1, 0, 10, 5}));
  d.updateBounds(true);  // leaves out objects at or below 0
  EXPECT_EQ(std::vector<double>({d.x1, d.y1, d.x2, d.y2}), std::vector<double>({2, 3, 4, 5}));
  d.slot(0)->xy.edit()[0][0] = {-50, -50};
  d.repairBounds();
  EXPECT_EQ(d.x1, -50);
}

TEST_F(DraTest, SettingsTextLivesInATemporaryFile) {
  std::string file;
  {
    TgobArray d;
    d.ini().writestring("settings", "a", "1");
    file = d.ini().filename();
    EXPECT_TRUE(platform::isFile(file));
    d.clear();
    EXPECT_FALSE(platform::isFile(file));
    EXPECT_FALSE(d.hasIni());
    d.ini();
    file = d.ini().filename();
  }
  EXPECT_FALSE(platform::isFile(file));
}

TEST_F(DraTest, FilesAreCopiedOnceAndTheirCopiesGoWithThem) {
  TgobArray d;
  const std::string f = testenv::writeFile("picture.bmp", "BMbytes");
  std::string copy = d.FindOrAddFile(-1, f, false);
  ASSERT_FALSE(copy.empty());
  EXPECT_EQ(d.FindOrAddFile(-1, f, false), copy);
  EXPECT_EQ(d.fileList.count(), 1);
  EXPECT_EQ(testenv::readFile(copy), "BMbytes");
  EXPECT_EQ(d.fileList.image(0).size, 7u);
  testenv::writeFile("picture.bmp", "BMnew bytes");
  d.FindOrAddFile(-1, f, true);
  EXPECT_EQ(testenv::readFile(copy), "BMnew bytes");
  EXPECT_EQ(d.fileList.image(0).size, 11u);

  EXPECT_EQ(d.FindOrAddFile(-1, drafix::DraTest::path("missing.txt"), false), "");
  EXPECT_EQ(d.FindOrAddFile(-1, testenv::tempDir(), false), "") << "a folder is no file";
  EXPECT_EQ(d.FindOrAddFile(5, f, false), "") << "no such object";
  EXPECT_EQ(d.fileList.count(), 1);

  d.add();
  std::string attached = d.FindOrAddFile(0, f, false);
  ASSERT_FALSE(attached.empty());
  EXPECT_EQ(TosFiles::ExtractFileExt(attached), "bmp");
  TStringList names;
  EXPECT_TRUE(d.ListAttachments(0, names));
  EXPECT_EQ(names.lines(), std::vector<std::string>{f});
  EXPECT_EQ(d.FindFile(0, f), 0);
  d.deleteAttachment(0, f);
  EXPECT_FALSE(platform::isFile(attached));
  EXPECT_FALSE(d.ListAttachments(0, names));
  d.clear();
  EXPECT_FALSE(platform::isFile(copy));
}
}  // namespace
