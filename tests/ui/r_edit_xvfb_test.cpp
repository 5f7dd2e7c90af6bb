// Typing into the text field on a real display (our own Xvfb, keys sent with xdotool): letters, a
// character beyond ASCII, backspace and a selection by shift and arrows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/support/xvfb.h"
#include "ui/r_edit.h"

namespace {
using namespace platform;

bool have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

int run(const std::string& display, const std::string& cmd) {
  return std::system(("DISPLAY=" + display + " " + cmd + " >/dev/null 2>&1").c_str());
}

bool pollUntil(int ms, const std::function<bool()>& ok) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    desktop().processMessages();
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(EditOnXvfb, TypingEditingAndPaste) {
  if (!have("xdotool") || !have("Xvfb")) GTEST_SKIP() << "xdotool or Xvfb is missing";
  testenv::Xvfb server{"640x480x24", {"-noreset"}};
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  // A layout with "ü" on a key of its own: without it xdotool remaps a key while typing, and a
  // client may read the keymap before or after the change.
  if (have("setxkbmap")) run(server.display(), "setxkbmap -layout de");
  auto backend = makeSdlBackend();
  ASSERT_TRUE(backend);
  resetDesktop(std::move(backend));
  struct Restore {
    ~Restore() { resetDesktop(std::make_unique<THeadlessBackend>()); }
  } restore;
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
  }
  freeOs();
}

}  // namespace
