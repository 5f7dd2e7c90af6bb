// The busy window on a real display (our own Xvfb, the screen read back with xwd): it appears
// over the main window while the interface thread sleeps, its dots move between two screenshots,
// and it is gone after waitHide once the form has repainted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "ui/r_baseForm.h"
#include "ui/r_wait2.h"

namespace {
using namespace platform;
using namespace std::chrono_literals;

constexpr uint32_t kGroundRgb = 0x3C5078;  // the panel's ground, 0x00RRGGBB as the screenshot has it

// Polls ok() until the deadline, pumping the interface thread's messages or, while the test
// stands in for an interface thread that is busy, not.
enum class Pump { No, Yes };
bool pollUntil(int ms, const std::function<bool()>& ok, Pump pump = Pump::Yes) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(testenv::deadlineMs(ms));
  while (std::chrono::steady_clock::now() < end) {
    if (pump == Pump::Yes) desktop().processMessages();
    if (ok()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

TEST(BusyWindowOnXvfb, AppearsWhileTheInterfaceSleepsAnimatesAndGoes) {
  if (std::system("command -v Xvfb >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb or xwd missing";
  testenv::Xvfb server("1024x768x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  auto backend = makeSdlBackend();
  ASSERT_TRUE(backend);
  resetDesktop(std::move(backend));
  struct Restore {
    ~Restore() {
      waitShutDown();
      freeOs();
      resetDesktop(std::make_unique<THeadlessBackend>());
    }
  } restore;
  createOs();
  TbaseForm form;
  form.start();
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  testenv::Shot shot;
  auto grab = [&](const char* name) {
    shot = testenv::grabScreen(server.display(), name);
    return shot.width > 0;
  };
  // The form is on the screen before the step starts.
  ASSERT_TRUE(pollUntil(3000, [&] { return grab("form.xwd") && shot.at(400, 300) != kGroundRgb && shot.at(400, 300) != 0; }))
      << shot.error;

  wait("Working through the folder");
  ASSERT_NE(ww, nullptr);
  const TPoint at = desktop().clientToScreen(ww->Handle(), {0, 0});
  const int w = ww->Width();
  // From here the interface thread pumps nothing: only the painter can show the panel.
  EXPECT_TRUE(pollUntil(
      3000, [&] { return grab("shown.xwd") && shot.at(at.X + 2, at.Y + 2) == kGroundRgb; }, Pump::No))
      << "no panel while the interface thread sleeps";
  EXPECT_EQ(shot.at(at.X + w - 3, at.Y + 37), kGroundRgb);

  // The dots after the caption (row 18) change from one screenshot to a later one.
  auto dotRow = [&] {
    std::vector<uint32_t> row;
    for (int x = at.X + w / 2; x < at.X + w; ++x) row.push_back(shot.at(x, at.Y + 18));
    return row;
  };
  const std::vector<uint32_t> first = dotRow();
  EXPECT_TRUE(pollUntil(3000, [&] { return grab("dots.xwd") && dotRow() != first; }, Pump::No))
      << "the dots did not move";

  waitHide();
  EXPECT_TRUE(pollUntil(3000, [&] { return grab("hidden.xwd") && shot.at(at.X + 2, at.Y + 2) != kGroundRgb; }))
      << "the panel is still on the screen";
}

}  // namespace
