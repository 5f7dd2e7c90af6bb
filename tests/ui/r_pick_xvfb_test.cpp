// The file picker on a real display (our own Xvfb, input sent with xdotool), tried as a new user
// would: a button of a form opens it in save mode over a fresh home, a folder is clicked in the
// tree, a name typed and OK pressed; the path comes back and is remembered.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/folders.h"
#include "platform/windows.h"
#include "tests/support/xvfb.h"
#include "tests/ui/pick_support.h"
#include "tests/ui/xvfb_support.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_shellTree.h"

namespace {
using namespace platform;
using testenv::have;
using testenv::pollUntil;
using testenv::run;

// Clicks a control's point on the screen.
void clickAt(const std::string& display, TWinControl& c, int x, int y) {
  const TPoint p = c.ClientToScreen(TPoint{x, y});
  run(display, "xdotool mousemove " + std::to_string(p.X) + " " + std::to_string(p.Y) + " click 1");
}

// Runs the step on the interface thread once cond holds (looked at every 20 ms).
void when(std::function<bool()> cond, std::function<void()> step) {
  auto id = std::make_shared<uintptr_t>(0);
  *id = desktop().setTimer(20, [id, cond, step] {
    if (!cond()) return;
    desktop().killTimer(0, *id);
    step();
  });
}

TEST(PickOnXvfb, ANewUserSavesIntoAFolderClickedInTheTree) {
  if (!have("xdotool") || !have("Xvfb")) GTEST_SKIP() << "xdotool or Xvfb is missing";
  testenv::Xvfb server{"1280x800x24", {"-noreset"}};
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  if (have("setxkbmap")) run(server.display(), "setxkbmap -layout us");
  testenv::DesktopOnXvfb onXvfb(server);
  ASSERT_TRUE(onXvfb.open());
  createOs();
  testenv::TstoreHere store;
  const std::string docs = documentsFolder();
  forceFolder(docs);
  {
    TForm form;
    form.SetBounds(20, 20, 400, 200);
    Tbutton save(&form);
    save.setCaption("Save diagram");
    save.SetBounds(20, 20, 120, 24);
    form.Show();
    Tpick picker(&form);
    bool answered = false, result = false;
    save.onClick = [&](TQYbutton*) {
      result = picker.Save(&save, "diagrams", TfileTypes{file_bmp});
      answered = true;
    };
    const std::string& display = server.display();
    // In the tree: the documents folder, a place of its own; then the name; then OK.
    when([&] { return picker.ready() && picker.stv->topCount() > 1; }, [&] {
      TtreeNode* d = picker.stv->nodeOf(docs);
      ASSERT_NE(d, nullptr);
      const TRect r = picker.stv->nodeRect(d);
      clickAt(display, *picker.stv, picker.stv->textLeft(d) + 4, r.Top + r.height() / 2);
      when([&] { return picker.getPath() == docs; }, [&] {
        clickAt(display, *picker.saveedit, 10, picker.saveedit->Height() / 2);
        // Keys go where the focus is when they come: type once the click has put it in the edit.
        when([&] { return desktop().focus() == picker.saveedit->Handle(); }, [&] {
          run(display, "xdotool type --delay 30 shadow");
          when([&] { return picker.saveedit->text() == "shadow"; }, [&] {
            Tbutton& ok = *picker.dlg->okbut;
            clickAt(display, ok, ok.Width() / 2, ok.Height() / 2);
          });
        });
      });
    });
    // Should a step not come, the dialog is closed rather than left waiting for ever.
    const uintptr_t watchdog = desktop().setTimer(15000, [&] {
      if (picker.dlg) picker.dlg->cancel();
    });
    pollUntil(300, [] { return false; });
    clickAt(display, save, 30, 12);
    EXPECT_TRUE(pollUntil(20000, [&] { return answered; })) << "the picker did not close; in " << picker.getPath();
    desktop().killTimer(0, watchdog);
    EXPECT_TRUE(result);
    EXPECT_EQ(picker.getFname(), docs + "shadow.bmp");
    EXPECT_EQ(testenv::recentFolderOf("diagrams"), docs);
    EXPECT_EQ(testenv::recentFilesOf("diagrams"), std::vector<std::string>{docs + "shadow.bmp"});
  }
  freeOs();
}

}  // namespace
