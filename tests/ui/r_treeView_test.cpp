// The read-only tree on the headless desktop: nodes, paths and deletion order, children listed
// through the expand event, mouse and keys, the scroll bars and the wheel, and painting that
// touches only the rows in view of a tree of 23,000 nodes.
#include "ui/r_treeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

class TreeTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 400);
    form->Show();
    tv = std::make_unique<TtreeView>(form.get());
    tv->SetBounds(10, 10, 200, 2 + 10 * tv->rowHeight());
    tv->onChange = [this](TtreeView*, TtreeNode* n) { changes.push_back(n->text()); };
    tv->onClick = [this](TtreeView*) { ++clicks; };
  }
  void TearDown() override {
    tv.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // Europe (France (Paris, Lyon), Spain), Asia (Japan)
  void world() {
    TtreeNode* eu = tv->add(nullptr, "Europe", 1);
    TtreeNode* fr = tv->add(eu, "France", 2);
    tv->add(fr, "Paris", 3);
    tv->add(fr, "Lyon", 4);
    tv->add(eu, "Spain", 5);
    tv->add(tv->add(nullptr, "Asia", 6), "Japan", 7);
  }
  void pressRow(TtreeNode* n, int dx = 0) {
    const TRect r = tv->nodeRect(n);
    ASSERT_FALSE(r.isEmpty()) << n->text();
    tv->mouseDown(mbLeft, 0, tv->textLeft(n) + 2 + dx, r.Top + 2);
  }
  void pressButton(TtreeNode* n) {
    const TRect b = tv->buttonRect(n);
    tv->mouseDown(mbLeft, 0, (b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (int i = 0; i < tv->rowCount(); ++i) out.push_back(tv->rowNode(i)->text());
    return out;
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TtreeView> tv;
  std::vector<std::string> changes;
  int clicks = 0;
};

TEST_F(TreeTest, NodesPathsAndDeletionChildrenFirst) {
  world();
  EXPECT_EQ(tv->totalCount(), 7);
  EXPECT_EQ(rows(), (std::vector<std::string>{"Europe", "Asia"}));
  TtreeNode* lyon = tv->findPath("Europe/France/Lyon", "/");
  ASSERT_NE(lyon, nullptr);
  EXPECT_EQ(lyon->data, 4);
  EXPECT_EQ(lyon->level(), 2);
  EXPECT_EQ(lyon->index(), 1);
  EXPECT_EQ(lyon->path(" > "), "Europe > France > Lyon");
  EXPECT_EQ(tv->findPath("Europe/france", "/"), nullptr);  // texts compare exactly
  EXPECT_EQ(tv->findPath({"Asia", "Japan", "Tokyo"}), nullptr);
  EXPECT_EQ(tv->rowOf(lyon), -1);  // its parents are closed
  tv->setSelected(lyon);           // from code: shown, no event
  EXPECT_EQ(rows(), (std::vector<std::string>{"Europe", "France", "Paris", "Lyon", "Spain", "Asia"}));
  EXPECT_EQ(tv->rowOf(lyon), 3);
  EXPECT_TRUE(changes.empty());

  std::vector<std::string> gone;
  tv->onDeletion = [&](TtreeView* t, TtreeNode* n) {
    gone.push_back(n->text());
    EXPECT_NE(t->selected(), n);
  };
  tv->deleteNode(tv->findPath("Europe/France", "/"));
  EXPECT_EQ(gone, (std::vector<std::string>{"Paris", "Lyon", "France"}));
  EXPECT_EQ(tv->selected(), nullptr);
  EXPECT_EQ(tv->totalCount(), 4);
  EXPECT_EQ(tv->findPath("Europe/Spain", "/")->index(), 0);  // siblings renumbered
  tv->insert(tv->top(0), 0, "Andorra");
  EXPECT_EQ(rows(), (std::vector<std::string>{"Europe", "Andorra", "Spain", "Asia"}));
  tv->clear();
  EXPECT_EQ(tv->totalCount(), 0);
  EXPECT_EQ(tv->rowCount(), 0);
}

TEST_F(TreeTest, ChildrenAreListedOnceThroughTheExpandEvent) {
  int listings = 0;
  tv->onExpanding = [&](TtreeView* t, TtreeNode* n) {
    ++listings;
    if (n->text() == "empty") return;
    for (int i = 0; i < 3; ++i) t->add(n, n->text() + std::to_string(i))->setHasChildren(true);
  };
  TtreeNode* a = tv->add(nullptr, "a");
  a->setHasChildren(true);
  TtreeNode* e = tv->add(nullptr, "empty");
  e->setHasChildren(true);
  EXPECT_TRUE(a->hasChildren());
  EXPECT_EQ(a->count(), 0);
  // A path through unlisted nodes lists them on the way, without opening them.
  TtreeNode* deep = tv->findPath({"a", "a1", "a12"}, TtreeView::Listing::Yes);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(listings, 2);
  EXPECT_FALSE(a->expanded());
  EXPECT_EQ(tv->findPath({"a", "a1", "a12"}, TtreeView::Listing::No), deep);
  pressButton(a);
  EXPECT_TRUE(a->expanded());
  EXPECT_EQ(listings, 2);  // already listed
  // Nothing to list: the node loses its button and stays closed.
  pressButton(e);
  EXPECT_EQ(listings, 3);
  EXPECT_FALSE(e->expanded());
  EXPECT_FALSE(e->hasChildren());
  // Children dropped are listed again the next time.
  tv->deleteChildren(a);
  EXPECT_FALSE(a->expanded());
  EXPECT_TRUE(a->hasChildren());
  tv->expand(a);
  EXPECT_EQ(listings, 4);
  EXPECT_EQ(a->count(), 3);
}

TEST_F(TreeTest, MouseAndKeysSelectExpandAndCollapse) {
  world();
  TtreeNode* eu = tv->top(0);
  TtreeNode* asia = tv->top(1);
  pressRow(asia);
  EXPECT_EQ(tv->selected(), asia);
  EXPECT_EQ(clicks, 1);
  pressRow(eu);
  hb->advance(600);  // a slow second press is a single click
  pressRow(eu);
  EXPECT_FALSE(eu->expanded());
  EXPECT_EQ(changes, (std::vector<std::string>{"Asia", "Europe"}));
  pressRow(eu);  // quick second press: opens
  EXPECT_TRUE(eu->expanded());
  EXPECT_EQ(clicks, 4);

  struct Step {
    int key;
    const char* selected;
    const char* rows;
  };
  const Step steps[] = {
      {VK_DOWN, "France", "Europe France Spain Asia"},
      {VK_RIGHT, "France", "Europe France Paris Lyon Spain Asia"},
      {VK_RIGHT, "Paris", "Europe France Paris Lyon Spain Asia"},
      {VK_END, "Asia", "Europe France Paris Lyon Spain Asia"},
      {VK_ADD, "Asia", "Europe France Paris Lyon Spain Asia Japan"},
      {VK_UP, "Spain", "Europe France Paris Lyon Spain Asia Japan"},
      {VK_LEFT, "Europe", "Europe France Paris Lyon Spain Asia Japan"},
      {VK_LEFT, "Europe", "Europe Asia Japan"},
      {VK_HOME, "Europe", "Europe Asia Japan"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.key) + " to " + s.selected);
    tv->keyDown(s.key, 0);
    ASSERT_NE(tv->selected(), nullptr);
    EXPECT_EQ(tv->selected()->text(), s.selected);
    std::string joined;
    for (const std::string& r : rows()) joined += (joined.empty() ? "" : " ") + r;
    EXPECT_EQ(joined, s.rows);
  }
  // Collapsing the parent of the selection moves the selection there and says so.
  tv->setSelected(tv->findPath("Europe/France/Lyon", "/"));
  changes.clear();
  pressButton(eu);
  EXPECT_EQ(tv->selected(), eu);
  EXPECT_EQ(changes, std::vector<std::string>{"Europe"});
  // Below the last row nothing is chosen.
  const int before = clicks;
  tv->mouseDown(mbLeft, 0, 50, tv->Height() - 4);
  EXPECT_EQ(clicks, before);
  EXPECT_EQ(tv->selected(), eu);
}

TEST_F(TreeTest, ScrollBarsAndWheel) {
  for (int i = 0; i < 40; ++i) tv->add(nullptr, "node " + std::to_string(i));
  EXPECT_TRUE(tv->vertBar()->Visible());
  EXPECT_FALSE(tv->horzBar()->Visible());
  EXPECT_EQ(tv->rowsInView(), 10);
  tv->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(tv->topRow(), 3);
  EXPECT_EQ(tv->vertBar()->Position(), 3);
  EXPECT_EQ(tv->nodeAt(30, 3)->text(), "node 3");
  tv->setSelected(tv->top(35));
  EXPECT_EQ(tv->topRow(), 26);
  tv->setTopRow(1000);
  EXPECT_EQ(tv->topRow(), 30);
  // A row wider than the view brings the horizontal bar, which moves the text.
  TtreeNode* wide = tv->add(nullptr, std::string(80, 'W'));
  EXPECT_TRUE(tv->horzBar()->Visible());
  EXPECT_EQ(tv->rowsInView(), 9);
  const int x0 = tv->textLeft(wide);
  tv->setLeftOffset(50);
  EXPECT_EQ(tv->textLeft(wide), x0 - 50);
  tv->setLeftOffset(100000);
  EXPECT_EQ(tv->leftOffset(), tv->contentWidth() - tv->viewRect().width());
  tv->deleteNode(wide);
  EXPECT_FALSE(tv->horzBar()->Visible());
  EXPECT_EQ(tv->leftOffset(), 0);
}

TEST_F(TreeTest, PaintingTouchesOnlyTheRowsInViewOf23000Nodes) {
  tv->beginUpdate();
  for (int c = 0; c < 230; ++c) {
    TtreeNode* country = tv->add(nullptr, "country " + std::to_string(c), c);
    for (int p = 0; p < 99; ++p) tv->add(country, "place " + std::to_string(c) + "." + std::to_string(p), p);
  }
  tv->endUpdate();
  EXPECT_EQ(tv->totalCount(), 23000);
  tv->expandAll();
  EXPECT_EQ(tv->rowCount(), 23000);
  TtreeNode* target = tv->findPath({"country 150", "place 150.42"});
  tv->setSelected(target);
  std::set<const TtreeNode*> drawn;
  tv->onPostDrawNode = [&](TtreeView*, TtreeNode* n, TRect, bool) { drawn.insert(n); };
  desktop().invalidate(form->Handle());
  desktop().update(form->Handle());
  EXPECT_LE(drawn.size(), static_cast<size_t>(tv->rowsInView() + 1));
  EXPECT_TRUE(drawn.count(target));
  // The selected row is highlighted across the whole view, text or not.
  const TRect r = tv->nodeRect(target);
  const TSurface* s = hb->screen(form->Handle());
  const int y = 10 + r.Top + 1;
  EXPECT_EQ(s->pixel(10 + r.Left + 1, y), static_cast<TColor>(os->selColour));
  EXPECT_EQ(s->pixel(10 + r.Right - 2, y), static_cast<TColor>(os->selColour));
  EXPECT_NE(s->pixel(10 + r.Left + 1, 10 + r.Top + r.height() + 1), static_cast<TColor>(os->selColour));
}

}  // namespace
