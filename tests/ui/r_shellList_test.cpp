// The picker's folder list over a temporary folder: folders first in name order, the add-item
// hook seeing each name before anything is read, items that vanish meanwhile, folders that
// cannot be listed, single and multiple selection, keys, and scrolling by pixels.
#include "ui/r_shellList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {
using namespace platform;

class ShellListTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 500, 400);
    form->Show();
    list = std::make_unique<TShellListView>(form.get());
    list->SetBounds(10, 10, 300, 2 + 8 * list->itemHeight());
    list->onClick = [this](TShellListView*) { ++clicks; };
    dir = testenv::tempDir() + "list";
  }
  void TearDown() override {
    list.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> n;
    for (int i = 0; i < list->count(); ++i) n.push_back(list->item(i).name);
    return n;
  }
  void press(int i, TShiftState s = 0) { list->mouseDown(mbLeft, s, 20, list->itemRect(i).Top + 2); }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TShellListView> list;
  std::string dir;
  int clicks = 0;
};

TEST_F(ShellListTest, FoldersFirstAndTheHookDecides) {
  testenv::writeFile("list/b.txt", "12345");
  testenv::writeFile("list/A.txt", std::string(3000, 'x'));
  testenv::writeFile("list/c.txt", "");
  testenv::writeFile("list/sub/inner.txt", "");
  symlink("sub", (dir + "/link").c_str());
  symlink("nowhere", (dir + "/broken.txt").c_str());
  std::vector<std::string> heard;
  list->onAddItem = [&](TShellListView*, const TshellItem& it, bool& canAdd) {
    heard.push_back(it.name);
    EXPECT_EQ(it.size, 0);  // nothing is read before the hook has its say
    if (it.name == "c.txt") canAdd = false;
    // A file that goes after its name was read is left out.
    if (it.name == "b.txt") unlink((dir + "/b.txt").c_str());
  };
  ASSERT_TRUE(list->setRoot(dir));
  EXPECT_EQ(names(), (std::vector<std::string>{"link", "sub", "A.txt"}));
  EXPECT_TRUE(list->item(0).folder);  // a link to a folder is a folder
  EXPECT_EQ(list->item(2).size, 3000);
  EXPECT_GT(list->item(2).modified, 40000.0);
  EXPECT_EQ(heard.size(), 5u);  // the broken link is never offered
  EXPECT_EQ(list->fullPath(2), dir + "/A.txt");
  EXPECT_FALSE(list->setRoot(dir + "/none"));
  EXPECT_EQ(list->count(), 0);
}

TEST_F(ShellListTest, SelectionKeysAndScrolling) {
  for (int i = 0; i < 30; ++i) testenv::writeFile("list/f" + std::to_string(10 + i) + ".dra", "");
  list->setRoot(dir);
  press(3);
  EXPECT_EQ(list->itemIndex(), 3);
  EXPECT_EQ(list->selCount(), 1);
  press(5, ssCtrl);  // single selection: Ctrl is no help
  EXPECT_EQ(list->selCount(), 1);
  list->multiSelect = true;
  press(4, ssCtrl);
  press(6, ssShift);
  EXPECT_EQ(list->selCount(), 3);  // 4 to 6
  press(2);
  EXPECT_EQ(list->selCount(), 1);
  EXPECT_EQ(clicks, 5);
  list->keyDown(VK_END, 0);
  EXPECT_EQ(list->itemIndex(), 29);
  EXPECT_EQ(list->topIndex(), 22);
  EXPECT_EQ(clicks, 6);
  list->keyDown(VK_HOME, 0);
  list->scrollBy(list->itemHeight() * 5 + 3);  // whole rows
  EXPECT_EQ(list->topIndex(), 5);
  list->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(list->topIndex(), 8);
  EXPECT_TRUE(list->itemRect(2).isEmpty());
  EXPECT_EQ(list->itemAt(20, list->itemRect(10).Top + 1), 10);
  list->readOnly = true;  // a greyed list chooses nothing
  press(12);
  EXPECT_EQ(list->itemIndex(), 0);
}

}  // namespace
