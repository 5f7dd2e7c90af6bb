// The picker's folder tree over a temporary folder: places as top nodes, sub-folders listed when
// needed (hidden ones too), a path opened and read back, a folder made since found by a refresh,
// and in-place renaming that renames the folder or says why it cannot.
#include "ui/r_shellTree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Tyo.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"
#include "ui/r_edit.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

class ShellTreeTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 500, 400);
    form->Show();
    tree = std::make_unique<TmyShellTree>(form.get());
    tree->SetBounds(10, 10, 250, 300);
    root = testenv::tempDir() + "root";
    for (const char* f : {"root/maps/2023", "root/maps/2024", "root/.hidden", "root/Zeta", "root/alpha"}) fs::create_directories(testenv::tempDir() + f);
    testenv::writeFile("root/file.txt", "");
    tree->setPlaces({{TfolderPlace::Kind::Home, "root", root + "/"}, {TfolderPlace::Kind::FileSystem, "/", "/"}});
    yoRecorder = [this](Tyo& y) {
      boxes.push_back(y.caption());
      return yo_first;
    };
  }
  void TearDown() override {
    yoRecorder = nullptr;
    tree.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  std::vector<std::string> children(TtreeNode* n) {
    tree->listChildren(n);
    std::vector<std::string> t;
    for (int i = 0; i < n->count(); ++i) t.push_back(n->item(i)->text());
    return t;
  }
  void rename(TtreeNode* n, const std::string& to) {
    tree->startEdit(n);
    ASSERT_TRUE(tree->editing());
    tree->editor()->setText(to);
    int key = VK_RETURN;
    tree->editor()->OnKeyDown(tree->editor(), key, 0);
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TmyShellTree> tree;
  std::string root;
  std::vector<std::string> boxes;
};

TEST_F(ShellTreeTest, FoldersAreListedWhenNeededAndFoundByPath) {
  EXPECT_EQ(tree->topCount(), 2);
  EXPECT_EQ(tree->folderOf(tree->top(1)), "/");
  EXPECT_EQ(children(tree->top(0)), (std::vector<std::string>{".hidden", "alpha", "maps", "Zeta"}));
  ASSERT_TRUE(tree->setPath(root + "/maps/2024/"));
  EXPECT_EQ(tree->path(), root + "/maps/2024");
  EXPECT_EQ(tree->selected()->text(), "2024");
  EXPECT_EQ(tree->nodeOf(root + "/maps"), tree->selected()->parent());
  EXPECT_FALSE(tree->setPath(root + "/nothing"));
  EXPECT_EQ(tree->path(), root + "/maps/2024");
  // A folder outside the places comes through the file system's node.
  ASSERT_TRUE(tree->setPath("/usr/share"));
  EXPECT_EQ(tree->selected()->path("|"), "/|usr|share");
  // A folder made after its parent was listed is found all the same.
  fs::create_directories(root + "/maps/2025");
  ASSERT_TRUE(tree->setPath(root + "/maps/2025"));
  EXPECT_EQ(children(tree->nodeOf(root + "/maps")), (std::vector<std::string>{"2023", "2024", "2025"}));
  tree->showHidden = false;
  tree->refreshNode(tree->top(0));
  EXPECT_EQ(children(tree->top(0)), (std::vector<std::string>{"alpha", "maps", "Zeta"}));
  EXPECT_EQ(tree->path(), root + "/maps/2025");  // the selection survives the refresh
}

TEST_F(ShellTreeTest, RenamingInPlaceRenamesTheFolderOrSaysWhyNot) {
  ASSERT_TRUE(tree->setPath(root + "/maps/2023"));
  TtreeNode* n = tree->selected();
  std::vector<std::string> edited;
  tree->onEdited = [&](TmyShellTree*, TtreeNode* e) { edited.push_back(e->text()); };
  rename(n, "2022");
  EXPECT_TRUE(fs::is_directory(root + "/maps/2022"));
  EXPECT_EQ(tree->path(), root + "/maps/2022");
  struct Case {
    const char* to;
    const char* why;
  };
  const Case refused[] = {
      {"2024", "a file or folder of that name exists"},
      {"a/b", "that is not a name a folder can have"},
      {"..", "that is not a name a folder can have"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.to);
    boxes.clear();
    rename(n, c.to);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(c.why), std::string::npos) << boxes[0];
    EXPECT_EQ(n->text(), "2022");
    EXPECT_TRUE(fs::is_directory(root + "/maps/2022"));
  }
  // Escape and an unchanged name leave everything as it was, without a word.
  boxes.clear();
  tree->startEdit(n);
  tree->editor()->setText("other");
  int esc = VK_ESCAPE;
  tree->editor()->OnKeyDown(tree->editor(), esc, 0);
  rename(n, "2022");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(n->text(), "2022");
  EXPECT_EQ(edited, (std::vector<std::string>{"2022", "2022", "2022", "2022", "2022", "2022"}));
  EXPECT_FALSE(tree->editing());
  // A place keeps its name.
  tree->startEdit(tree->top(0));
  EXPECT_FALSE(tree->editing());
}

}  // namespace
