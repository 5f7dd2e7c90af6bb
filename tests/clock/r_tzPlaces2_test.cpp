// The place tree on the headless desktop: countries by runs of codes, the "Add location" button
// armed by a new choice and resting after an add, clicks beside the nodes, the auto mode, and
// databases without places.
#include "clock/r_tzPlaces2.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/windows.h"
#include "storage/r_sqlite.h"
#include "tests/clock/settingsdata.h"
#include "tests/support/headless_os.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_treeView.h"

namespace {
using namespace platform;

class PlaceTreeTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 500);
    form->Show();
  }
  void TearDown() override {
    tree.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // A tree on a "places.db" of these rows (code, name).
  void make(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<std::string> sql{"CREATE TABLE `places` (`code` TEXT, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)"};
    for (size_t i = 0; i < rows.size(); ++i)
      sql.push_back("INSERT INTO `places` VALUES (" + settingstest::quoted(rows[i].first) + ", " +
                    settingstest::quoted(rows[i].second) + ", " + std::to_string(10 + i) + ", -" + std::to_string(20 + i) + ")");
    const std::string file = testenv::tempDir() + "tree-places.db";
    settingstest::makeDb(file, sql);
    auto db = TliteDB::createReadOnly();
    db->setfile(file);
    tree = std::make_unique<TtzPlaces>(form.get(), db.get());
    tree->SetBounds(0, 0, 300, 400);
    tree->doresize();
    tree->onSelect = [this](TplaceRec* r) { chosen.push_back(r); };
  }
  // A click on the node's row, as the mouse gives it.
  void clickNode(TtreeNode* n) {
    tree->tv->makeVisible(n);
    const TRect r = tree->tv->nodeRect(n);
    ASSERT_FALSE(r.isEmpty());
    tree->tv->mouseDown(mbLeft, 0, tree->tv->textLeft(n) + 2, r.Top + 2);
    hb->advance(1000);  // never a double click
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TtzPlaces> tree;
  std::vector<TplaceRec*> chosen;
};

TEST_F(PlaceTreeTest, CountriesFollowRunsOfCodesNotCodes) {
  make({{"A", "Aland"}, {"A", "a1"}, {"A", "a2"}, {"B", "Bland"}, {"A", "Aland again"}, {"a", "lower a"}});
  EXPECT_EQ(tree->count(), 6);
  TtreeView& tv = *tree->tv;
  ASSERT_EQ(tv.topCount(), 4);
  EXPECT_EQ(tv.top(0)->text(), "Aland");
  EXPECT_EQ(tv.top(0)->count(), 2);
  EXPECT_EQ(tv.top(0)->item(1)->text(), "a2");
  EXPECT_EQ(tv.top(2)->text(), "Aland again");
  EXPECT_EQ(tv.top(3)->text(), "lower a");  // codes compare with their case
  // Each node stands for its row.
  TplaceRec& r = tree->record(tv.top(0)->item(1)->data);
  EXPECT_EQ(r.tn, tv.top(0)->item(1));
  EXPECT_EQ(r.tzCode, "A");
  EXPECT_EQ(r.long_, 12);
  EXPECT_EQ(r.lat, -22);
  EXPECT_TRUE(tree->holds(&r));
  EXPECT_FALSE(tree->holds(tree.get()));
}

TEST_F(PlaceTreeTest, AChoiceArmsTheButtonAndAnAddLetsItRestUntilAnotherChoice) {
  make({{"NOR", "Norway"}, {"NOR", "Bergen"}, {"NZL", "New Zealand"}});
  TtreeView& tv = *tree->tv;
  EXPECT_FALSE(tree->but->enabled());
  EXPECT_EQ(tree->but->caption(), "Add location");
  // A click below the last row chooses nothing.
  tv.mouseDown(mbLeft, 0, 20, tv.Height() - 5);
  EXPECT_FALSE(tree->but->enabled());

  TtreeNode* bergen = tv.top(0)->item(0);
  clickNode(bergen);
  EXPECT_TRUE(tree->but->enabled());
  EXPECT_TRUE(tree->but->bold);
  EXPECT_EQ(tree->but->caption(), "Add location: \"Bergen\"");
  EXPECT_TRUE(chosen.empty());
  tree->doClick();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0]->tn, bergen);
  EXPECT_FALSE(tree->but->enabled());
  EXPECT_FALSE(tree->but->bold);
  EXPECT_EQ(tree->but->caption(), "Add location");
  EXPECT_EQ(tv.selected(), nullptr);

  clickNode(bergen);  // the same place again: the button rests
  EXPECT_FALSE(tree->but->enabled());
  clickNode(tv.top(1));  // a country may be added like a place
  EXPECT_TRUE(tree->but->enabled());
  tree->doClick();
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[1]->tzCode, "NZL");
}

TEST_F(PlaceTreeTest, AutoModeHandsAChoiceOverAtOnce) {
  make({{"NOR", "Norway"}, {"NZL", "New Zealand"}});
  tree->autoMode = true;
  tree->doresize();
  EXPECT_FALSE(tree->but->Visible());
  EXPECT_EQ(tree->tv->BoundsRect(), tree->ClientRect());
  clickNode(tree->tv->top(1));
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0]->tzCode, "NZL");
}

TEST_F(PlaceTreeTest, NoPlacesGiveAnEmptyTreeAndARestingButton) {
  make({});
  EXPECT_EQ(tree->count(), 0);
  EXPECT_EQ(tree->tv->topCount(), 0);
  EXPECT_FALSE(tree->but->enabled());
  EXPECT_FALSE(tree->holds(nullptr));
  // No database, or one without the table.
  for (bool withDb : {false, true}) {
    SCOPED_TRACE(withDb);
    const std::string file = testenv::tempDir() + "no-places.db";
    settingstest::makeDb(file, {"CREATE TABLE `other` (`x` TEXT)"});
    auto db = TliteDB::createReadOnly();
    db->setfile(file);
    TtzPlaces t(form.get(), withDb ? db.get() : nullptr);
    EXPECT_EQ(t.count(), 0);
    EXPECT_FALSE(t.but->enabled());
  }
}

}  // namespace
