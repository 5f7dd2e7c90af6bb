// Driving the file picker on the headless desktop: a temporary home with its documents folder,
// a form with a button to open the picker at, boxes recorded instead of shown, and steps run
// inside the picker's dialog once its tree and list are there.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Tyo.h"
#include "core/r_base.h"
#include "platform/folders.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_shellList.h"
#include "ui/r_shellTree.h"

namespace testenv {

class PickFixture : public HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    docs = platform::documentsFolder();
    forceFolder(docs);
    form = std::make_unique<platform::TForm>();
    form->SetBounds(0, 0, 1200, 800);
    form->Show();
    button = std::make_unique<Tbutton>(form.get());
    button->setCaption("Save");
    button->SetBounds(100, 100, 80, 20);
    yoRecorder = [this](Tyo& y) {
      boxes.push_back(y.caption());
      return yo_first;
    };
  }
  void TearDown() override {
    yoRecorder = nullptr;
    button.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // A file below the documents folder; its full path.
  std::string file(const std::string& rel, const std::string& bytes = "x") { return writeFile(docsRel() + rel, bytes); }
  std::string folder(const std::string& rel) {
    forceFolder(docs + rel);
    return docs + rel;
  }
  [[nodiscard]] std::string docsRel() const { return docs.substr(tempDir().size()); }

  // Runs the step inside the picker's dialog once its tree and list show.
  static void whenShown(Tpick& p, std::function<void()> step) {
    auto id = std::make_shared<uintptr_t>(0);
    *id = platform::desktop().setTimer(10, [id, &p, step] {
      if (!p.dlg || !p.ready()) return;
      platform::desktop().killTimer(0, *id);
      step();
    });
  }
  // A user's click on a line of the file list, and on a folder of the tree.
  static void clickItem(Tpick& p, int i) {
    const platform::TRect r = p.fileList->itemRect(i);
    p.fileList->mouseDown(platform::mbLeft, 0, r.Left + 5, r.Top + 2);
  }
  static void clickFolder(Tpick& p, const std::string& f) {
    ASSERT_TRUE(p.stv->setPath(f)) << f;
    TtreeNode* n = p.stv->selected();
    const platform::TRect r = p.stv->nodeRect(n);
    p.stv->setSelected(nullptr);  // the user's click is what selects it
    p.stv->mouseDown(platform::mbLeft, 0, p.stv->textLeft(n) + 2, r.Top + 2);
  }
  static std::vector<std::string> listed(Tpick& p) {
    std::vector<std::string> names;
    for (int i = 0; i < p.fileList->count(); ++i) names.push_back(p.fileList->item(i).name);
    return names;
  }

  std::string docs;
  std::unique_ptr<platform::TForm> form;
  std::unique_ptr<Tbutton> button;
  std::vector<std::string> boxes;
};

}  // namespace testenv
