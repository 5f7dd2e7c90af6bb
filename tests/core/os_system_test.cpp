// System services of `os` on the headless desktop and its injected clock: delayed events,
// waits that never spin, key states, sounds and addresses (recorded, not played or opened).
#include "core/os_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/TDelayedEvent.h"
#include "core/r_base.h"
#include "core/r_log.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/windows.h"
#include "tests/support/testenv.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

class Services : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    recorded().clear();
  }
  // Runs the loop until the fake clock has moved ms on.
  void runFor(uint32_t ms) {
    const uint32_t end = desktop().now() + ms;
    while (static_cast<int32_t>(end - desktop().now()) > 0) {
      if (!desktop().processOne()) desktop().idle(end - desktop().now());
    }
    desktop().processMessages();
  }
  int logLines(std::string const& text) {
    int n = 0;
    if (logObject && logObject->lines())
      for (auto const& l : logObject->lines()->lines()) n += l.find(text) != std::string::npos;
    return n;
  }
};

TEST_F(Services, DelayedEventRunsOnceAfterItsIntervalWithItselfAsSender) {
  int runs = 0;
  std::string seen;
  os->delay(300, [&](TtrailSource* s) {
    ++runs;
    seen = s->className();  // the object frees itself after the event
  });
  EXPECT_EQ(runs, 0);  // never inside the call that makes it
  runFor(299);
  EXPECT_EQ(runs, 0);
  runFor(1);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(seen, "TDelayedEvent");
  runFor(2000);
  EXPECT_EQ(runs, 1);
}

TEST_F(Services, ZeroIntervalRunsOnTheNextTurnOfTheLoop) {
  int runs = 0;
  os->delay(0, [&](TtrailSource*) { ++runs; }, os, "zero");
  EXPECT_EQ(runs, 0);
  const uint32_t start = desktop().now();
  desktop().processMessages();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(desktop().now(), start);
  EXPECT_EQ(logLines("TdelayedEvent trigger event Tos key=zero"), 1);
}

TEST_F(Services, RestartPostponesAndAStaleRestartTouchesNothing) {
  int runs = 0;
  auto* e = new TDelayedEvent(500, [&](TtrailSource*) { ++runs; });
  const uint64_t id = e->serial();
  runFor(100);
  EXPECT_TRUE(TDelayedEvent::restart(id));
  runFor(100);
  EXPECT_TRUE(TDelayedEvent::restart(id));
  runFor(499);
  EXPECT_EQ(runs, 0);
  runFor(1);  // 500 ms after the second restart
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(TDelayedEvent::pending(id));
  EXPECT_FALSE(TDelayedEvent::restart(id));  // the object is gone: nothing is touched
}

TEST_F(Services, ARaisingEventIsLoggedOnceAndStillFreed) {
  os->delay(10, [](TtrailSource*) { throw std::runtime_error("boom"); }, "k1");
  runFor(20);
  EXPECT_EQ(logLines("TdelayedEvent failed no sender key=k1"), 1);
  EXPECT_EQ(logLines("TdelayedEvent event over"), 0);
}

TEST_F(Services, DelayWaitsWithoutSpinningAndLeavesTimersForLater) {
  int runs = 0;
  os->delay(50, [&](TtrailSource*) { ++runs; });
  const uint32_t start = desktop().now();
  os->delay(200);
  EXPECT_EQ(desktop().now() - start, 200u);  // one sleep in the backend, no tick counting
  EXPECT_EQ(runs, 0);                        // the delayed event due meanwhile runs afterwards
  desktop().processMessages();
  EXPECT_EQ(runs, 1);
}

TEST_F(Services, AbsorbingAMouseUpNeverBlocksForEver) {
  TForm f;
  f.SetBounds(0, 0, 100, 100);
  f.Show();
  const HWND h = f.Handle();
  TInputEvent down;
  down.kind = TInputEvent::ButtonDown;
  down.form = h;
  TInputEvent up = down;
  up.kind = TInputEvent::ButtonUp;
  hb->inject(down);
  desktop().processMessages();
  hb->injectAt(desktop().now() + 30, up);
  EXPECT_TRUE(os->absorbMouseUp(h));
  TMsg m;
  EXPECT_FALSE(desktop().peekMessage(m, false, h, WM_LBUTTONUP, WM_LBUTTONUP));
  // Button already up: nothing to wait for. Button held and never released: the limit ends it.
  EXPECT_FALSE(os->absorbMouseUp(h));
  hb->inject(down);
  desktop().processMessages();
  const uint32_t start = desktop().now();
  EXPECT_FALSE(os->absorbMouseUp(h, 1000));
  EXPECT_EQ(desktop().now() - start, 1000u);
}

TEST_F(Services, AbortFollowsEscape) {
  TForm f;
  f.Show();
  TInputEvent esc;
  esc.kind = TInputEvent::KeyDown;
  esc.form = f.Handle();
  esc.key = VK_ESCAPE;
  EXPECT_FALSE(os->abort());
  hb->inject(esc);
  desktop().processMessages();
  EXPECT_TRUE(os->abort());
  os->setabort(false);  // Esc still held: it stays set
  EXPECT_TRUE(os->abort());
  esc.kind = TInputEvent::KeyUp;
  hb->inject(esc);
  desktop().processMessages();
  os->setabort(false);
  EXPECT_FALSE(os->abort());
}

TEST_F(Services, CheckmenuRefusesASecondCallWithin200Ms) {
  hb->advance(1000);
  EXPECT_TRUE(os->checkmenu());
  hb->advance(150);
  EXPECT_FALSE(os->checkmenu());
  hb->advance(201);
  EXPECT_TRUE(os->checkmenu());
}

TEST_F(Services, SoundsPlayTheirFilesOrTheBeep) {
  os->resourcedir = testenv::tempDir() + "res/";
  testenv::writeFile("res/sound_beep.wav", "RIFF");
  testenv::writeFile("res/sound_snap.wav", "RIFF");
  os->sound(0);
  os->sound(9);
  os->sound(sound_illegal);
  os->sound(sound_snap);
  os->sound(sound_tada);  // no file: the beep
  os->nosounds = true;
  os->sound(sound_snap);
  const std::string r = os->resourcedir;
  EXPECT_EQ(recorded(), (std::vector<std::string>{"sound " + r + "sound_beep.wav", "sound " + r + "sound_beep.wav",
                                                  "sound async " + r + "sound_beep.wav", "sound " + r + "sound_snap.wav",
                                                  "sound async " + r + "sound_beep.wav"}));
}

TEST_F(Services, FileAddressesBecomePaths) {
  struct Case {
    const char* base;
    const char* page;
    const char* opened;
  } cases[] = {
      {"file:///home/me/My%20File.htm#part", "", "open /home/me/My File.htm"},
      {"file:///C:/Docs/My%20File.htm#part", "", "open C:/Docs/My File.htm"},
      {"https://example.org/", "a.htm", "open https://example.org/a.htm"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.base);
    recorded().clear();
    os->gotoWeb(c.base, c.page);
    ASSERT_EQ(recorded().size(), 1u);
    EXPECT_EQ(recorded()[0], c.opened);
  }
  recorded().clear();
  os->Launch("clock", "wall \"two words\"", false);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"launch clock wall two words"}));
}

TEST_F(Services, LaunchAsksOnlyOurOwnProgramsToStartHidden) {
  auto cannotBeAsked = [this] { return logLines("cannot be asked to start hidden"); };
  recorded().clear();
  const std::string ours = platform::exePath();  // a program of our own folder
  os->Launch(ours, "wall", true);
  EXPECT_EQ(cannotBeAsked(), 0);
  os->Launch("clock", "wall", true);  // not one of ours
  EXPECT_EQ(cannotBeAsked(), 1);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"launch " + ours + " wall (hidden)", "launch clock wall (hidden)"}));
}

TEST_F(Services, ClearNullKeepsGestureEnds) {
  TForm f;
  f.Show();
  f.Update();
  TInputEvent e;
  e.form = f.Handle();
  e.kind = TInputEvent::MouseMove;
  hb->inject(e);
  e.kind = TInputEvent::ButtonUp;
  hb->inject(e);
  os->ClearNull();
  os->ClearNull();
  TMsg m;
  ASSERT_TRUE(desktop().peekMessage(m, true));
  EXPECT_EQ(m.message, WM_LBUTTONUP);
}

}  // namespace

namespace {
// systemd's services from its unit folders, below a root of the test's own.
TEST_F(Services, ServicesAreSystemdsUnitsByDescription) {
  const std::string root = testenv::tempDir() + "/sysroot/";
  struct File { const char* path; const char* text; } files[] = {
      {"usr/lib/systemd/system/a.service", "[Unit]\nDescription=Alpha daemon\n\n[Service]\nExecStart=/bin/a\n"},
      {"usr/lib/systemd/system/b.service", "[Unit]\nDescription=B from the vendor\n"},
      {"etc/systemd/system/b.service", "[Unit]\nDescription=B as set here\n"},
      {"lib/systemd/system/d.service", "[Service]\nExecStart=/bin/d\n"},
      {"usr/lib/systemd/system/getty@.service", "[Unit]\nDescription=a template\n"},
      {"usr/lib/systemd/system/masked.service", "[Unit]\nDescription=masked\n"},
      {"usr/lib/systemd/system/emptied.service", "[Unit]\nDescription=emptied\n"},
      {"etc/systemd/system/emptied.service", ""},
      {"usr/lib/systemd/system/x.socket", "[Unit]\nDescription=a socket\n"},
  };
  for (const File& f : files) testenv::writeFile("sysroot/" + std::string(f.path), f.text);
  std::filesystem::create_symlink("/dev/null", root + "etc/systemd/system/masked.service");
  std::filesystem::create_symlink(root + "usr/lib/systemd/system/a.service", root + "etc/systemd/system/alias.service");
  setSystemRootForTesting(root);

  TStringList list;
  list.add("kept");
  EXPECT_FALSE(os->windowsServices(list));  // systemd is not running there yet
  EXPECT_EQ(list.count(), 1);

  std::filesystem::create_directories(root + "run/systemd/system");
  EXPECT_TRUE(os->windowsServices(list));
  std::vector<std::string> got;
  for (int i = 0; i < list.count(); ++i) got.push_back(list[i]);
  EXPECT_EQ(got, (std::vector<std::string>{"kept", "Alpha daemon", "B as set here", "d"}));
  setSystemRootForTesting("");
}
}  // namespace
