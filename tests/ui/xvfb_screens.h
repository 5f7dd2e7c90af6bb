// Interface tests on our own Xvfb, each run twice: on a bare server (no window manager: the
// program places and focuses its windows itself) and with a small window manager (openbox) that
// frames, places and focuses them. One server of each kind for the whole run; each test puts the
// desktop on it and drives it with real key and wheel events (xdotool, through XTEST).
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"

extern char** environ;

namespace testenv {

// A server, and the window manager running on it (pid 0 for none).
class TscreenWithManager {
 public:
  explicit TscreenWithManager(bool withManager) : fserver("1024x768x24", {"-noreset"}) {
    if (fserver.display().empty() || !withManager) return;
    std::string display = "DISPLAY=" + fserver.display();
    // Ready once its start-up command has run: a window mapped before it is never managed.
    const std::string ready = tempDir() + "openbox-ready" + fserver.display().substr(1);
    std::vector<std::string> args{"openbox", "--sm-disable", "--startup", "touch '" + ready + "'"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The manager's own environment: this display, the rest as the tests have it.
    std::vector<std::string> env{display};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawnp(&fmanager, "openbox", nullptr, nullptr, argv.data(), envp.data()) != 0) fmanager = 0;
    fmanaged = fmanager > 0 && pollUntil(10000, [&] { return access(ready.c_str(), F_OK) == 0; });
  }
  ~TscreenWithManager() {
    if (fmanager > 0) {
      kill(fmanager, SIGTERM);
      waitpid(fmanager, nullptr, 0);
    }
  }
  TscreenWithManager(const TscreenWithManager&) = delete;
  TscreenWithManager& operator=(const TscreenWithManager&) = delete;
  [[nodiscard]] const Xvfb& server() const { return fserver; }
  [[nodiscard]] bool managed() const { return fmanaged; }

 private:
  Xvfb fserver;
  pid_t fmanager = 0;
  bool fmanaged = false;
};

// The fixture: GetParam() says whether the window manager runs. The services object lives for
// each test; every window a test makes must go before it ends.
class OnBothDesktops : public ::testing::TestWithParam<bool> {
 protected:
  // One server of each kind for every suite of the run; they end with the process.
  static std::map<bool, std::unique_ptr<TscreenWithManager>>& screens() {
    static std::map<bool, std::unique_ptr<TscreenWithManager>> s;
    return s;
  }

  void SetUp() override {
    if (!have("xdotool") || !have("Xvfb") || !have("xwd")) GTEST_SKIP() << "xdotool, xwd or Xvfb is missing";
    if (GetParam() && !have("openbox")) GTEST_SKIP() << "openbox is missing (scripts/setup.sh --tests)";
    auto& s = screens()[GetParam()];
    if (!s) s = std::make_unique<TscreenWithManager>(GetParam());
    ASSERT_FALSE(s->server().display().empty()) << "Xvfb did not start";
    if (GetParam()) ASSERT_TRUE(s->managed()) << "openbox did not start";
    fscreen = s.get();
    fdesk = std::make_unique<DesktopOnXvfb>(s->server());
    ASSERT_TRUE(fdesk->open());
    createOs();
  }
  void TearDown() override {
    if (!fdesk) return;
    freeOs();
    fdesk.reset();
  }

  [[nodiscard]] const std::string& display() const { return fscreen->server().display(); }
  // The middle of a control, on the screen.
  static platform::TPoint middle(platform::TWinControl& c) { return c.ClientToScreen(platform::TPoint{c.Width() / 2, c.Height() / 2}); }
  // Keys as xdotool names them ("Down", "alt+Down", "Return"), one after another.
  void keys(const std::string& names) { run(display(), "xdotool key --delay 60 " + names); }
  void type(const std::string& text) { run(display(), "xdotool type --delay 60 '" + text + "'"); }
  void moveTo(platform::TPoint screen) {
    run(display(), "xdotool mousemove " + std::to_string(screen.X) + " " + std::to_string(screen.Y));
  }
  void clickAt(platform::TPoint screen) {
    run(display(), "xdotool mousemove " + std::to_string(screen.X) + " " + std::to_string(screen.Y) + " click 1");
  }
  // Wheel notches at a point: positive away from the user (up), negative towards (down).
  void wheelAt(platform::TPoint screen, int notches) {
    run(display(), "xdotool mousemove " + std::to_string(screen.X) + " " + std::to_string(screen.Y) + " click --repeat " +
                       std::to_string(std::abs(notches)) + " --delay 40 " + (notches > 0 ? "4" : "5"));
  }
  // The X window that holds the keyboard focus (0 none, 1 the pointer's window).
  [[nodiscard]] unsigned long xFocus() const {
    int status = 0;
    const std::string out = runCommand("DISPLAY=" + display() + " xdotool getwindowfocus -f 2>/dev/null", &status);
    return status == 0 ? std::strtoul(out.c_str(), nullptr, 10) : 0;
  }
  // Shows the form and waits until the desktop gives it the keyboard focus.
  bool showFocused(platform::TForm& f) {
    f.Show();
    const unsigned long id = platform::desktop().backend().nativeId(f.Handle());
    return pollUntil(5000, [&] { return xFocus() == id; });
  }
  [[nodiscard]] bool keyboardIn(platform::TWinControl& f) const {
    return xFocus() == platform::desktop().backend().nativeId(platform::desktop().topLevel(f.Handle()));
  }

 private:
  TscreenWithManager* fscreen = nullptr;
  std::unique_ptr<DesktopOnXvfb> fdesk;
};

inline std::string desktopName(const ::testing::TestParamInfo<bool>& p) { return p.param ? "WithManager" : "Bare"; }

// Runs the step on the interface thread once cond holds (looked at every 20 ms), also inside a
// modal loop.
inline void when(std::function<bool()> cond, std::function<void()> step) {
  auto id = std::make_shared<uintptr_t>(0);
  *id = platform::desktop().setTimer(20, [id, cond, step] {
    if (!cond()) return;
    platform::desktop().killTimer(0, *id);
    step();
  });
}

// Another program's window, started on the display and ended when this goes.
class TotherProgram {
 public:
  // args[0] is the program; its window is found by its class.
  TotherProgram(const std::string& display, std::vector<std::string> args, const std::string& windowClass) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"DISPLAY=" + display};
    std::vector<char*> envp{env[0].data(), nullptr};
    if (posix_spawnp(&fpid, args[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) fpid = 0;
    if (fpid <= 0) return;
    // Its window, once it is mapped.
    pollUntil(10000, [&] {
      int status = 0;
      const std::string out = runCommand(
          "DISPLAY=" + display + " xdotool search --onlyvisible --class " + windowClass + " 2>/dev/null | head -1", &status);
      fwindow = std::strtoul(out.c_str(), nullptr, 10);
      return fwindow != 0;
    });
  }
  ~TotherProgram() {
    if (fpid <= 0) return;
    kill(fpid, SIGTERM);
    waitpid(fpid, nullptr, 0);
  }
  TotherProgram(const TotherProgram&) = delete;
  TotherProgram& operator=(const TotherProgram&) = delete;
  [[nodiscard]] unsigned long window() const { return fwindow; }

 private:
  pid_t fpid = 0;
  unsigned long fwindow = 0;
};

}  // namespace testenv
