// Typing into the text field on a real display (our own Xvfb, keys sent with xdotool): letters, a
// character beyond ASCII, backspace, a selection by shift and arrows and a paste from the X
// clipboard; and a dialog that opens above the main window and closes with its buttons.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"
#include "ui/r_edit.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;
using testenv::have;
using testenv::pollUntil;
using testenv::run;

TEST(EditOnXvfb, TypingEditingAndPaste) {
  if (!have("xdotool") || !have("Xvfb")) GTEST_SKIP() << "xdotool or Xvfb is missing";
  testenv::Xvfb server{"640x480x24", {"-noreset"}};
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  // A layout with "ü" on a key of its own: without it xdotool remaps a key while typing, and a
  // client may read the keymap before or after the change.
  if (have("setxkbmap")) run(server.display(), "setxkbmap -layout de");
  testenv::DesktopOnXvfb onXvfb(server);
  ASSERT_TRUE(onXvfb.open());
  createOs();
  {
    TForm form;
    form.SetBounds(50, 50, 300, 100);
    Tedit ed(&form);
    ed.SetBounds(10, 10, 250, 24);
    form.Show();
    desktop().setFocus(ed.Handle());
    desktop().processMessages();
    // No window manager: the keyboard goes to the window under the pointer.
    run(server.display(), "xdotool mousemove 150 80");
    pollUntil(300, [] { return false; });
    run(server.display(), "xdotool type --delay 30 'Tür'");
    EXPECT_TRUE(pollUntil(5000, [&] { return ed.text() == "T\xC3\xBCr"; })) << ed.text();
    run(server.display(), "xdotool key BackSpace");
    EXPECT_TRUE(pollUntil(3000, [&] { return ed.text() == "T\xC3\xBC"; })) << ed.text();
    run(server.display(), "xdotool key --delay 80 shift+Left shift+Left");
    EXPECT_TRUE(pollUntil(3000, [&] { return ed.selText() == "T\xC3\xBC"; })) << "selected '" << ed.selText() << "', caret " << ed.caret();
    if (have("xclip")) {
      // Another program owns the clipboard; the paste replaces the selection.
      run(server.display(), "sh -c 'printf \"Stra\\303\\237e\" | xclip -selection clipboard -loops 1' &");
      pollUntil(300, [] { return false; });
      run(server.display(), "xdotool key ctrl+v");
      EXPECT_TRUE(pollUntil(5000, [&] { return ed.text() == "Stra\xC3\x9F" "e"; })) << "'" << ed.text() << "'";
    }
  }
  freeOs();
}

TEST(DialogOnXvfb, OpensAboveTheMainWindowAndClosesWithItsButtons) {
  if (!have("xdotool") || !have("Xvfb") || !have("xwd")) GTEST_SKIP() << "xdotool, xwd or Xvfb is missing";
  testenv::Xvfb server{"640x480x24", {"-noreset"}};
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  testenv::DesktopOnXvfb onXvfb(server);
  ASSERT_TRUE(onXvfb.open());
  createOs();
  {
    TForm main;
    main.Color = 0x00FF00;
    main.SetBounds(0, 0, 640, 480);
    main.Show();
    Tedit content(&main);
    content.Hide();
    content.SetBounds(0, 0, 200, 60);
    TQYdlg dlg(&main);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round == 0 ? "OK" : "Cancel");
      bool covered = false;
      auto id = std::make_shared<uintptr_t>(0);
      *id = desktop().setTimer(100, [&, id] {
        desktop().killTimer(0, *id);
        // The dialog's caption bar shows where the main window was.
        pollUntil(3000, [&] {
          auto shot = testenv::grabScreen(server.display(), "dialog.xwd");
          if (shot.width == 0) return false;
          const TPoint c = dlg.ClientToScreen(TPoint{dlg.Width() / 2, os->gp(10)});
          const uint32_t want = ((os->selColour & 0xFF) << 16) | (os->selColour & 0xFF00) | ((os->selColour >> 16) & 0xFF);
          covered = shot.at(c.X, c.Y) == want;
          return covered;
        });
        Tbutton& b = round == 0 ? *dlg.okbut : *dlg.cancelBut;
        const TPoint p = b.ClientToScreen(TPoint{b.Width() / 2, b.Height() / 2});
        run(server.display(), "xdotool mousemove " + std::to_string(p.X) + " " + std::to_string(p.Y) + " click 1");
      });
      const int r = dlg.showModal(Rect(100, 100, 300, 120), &content);
      EXPECT_TRUE(covered);
      EXPECT_EQ(r, round == 0 ? mrOk : mrCancel);
      EXPECT_FALSE(dlg.Visible());
    }
  }
  freeOs();
}

}  // namespace
