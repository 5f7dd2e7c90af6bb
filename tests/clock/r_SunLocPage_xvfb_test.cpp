// The Settings tab of the running program under our own Xvfb, used as a new user would: rename
// the home location, press "Launch wall clock", and the wall clock appears with the new name on
// its label; rename it again, bring the main window back and press again: the old wall clock
// goes, exactly one is left, and its label has changed with the name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "astro/r_SunLoc.h"
#include "clock/Kestrova8main.h"
#include "clock/r_SunLocPage.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/folders.h"
#include "tests/clock/datafolder.h"
#include "tests/clock/programs.h"
#include "tests/clock/settingsdata.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"
#include "ui/r_QYcontrols.h"

namespace {
namespace fs = std::filesystem;
using clocktest::waitFor;

int xdotool(const std::string& display, const std::string& args) {
  return std::system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str());
}
void click(const std::string& display, int x, int y) {
  xdotool(display, "mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}
// Visible top-level windows of the wall clock's class.
int wallClocks(const std::string& display) {
  std::FILE* p = popen(("DISPLAY=" + display + " xdotool search --onlyvisible --class qysaver 2>/dev/null").c_str(), "r");
  if (!p) return -1;
  int n = 0;
  char line[64];
  while (std::fgets(line, sizeof line, p)) ++n;
  pclose(p);
  return n;
}
int lum(uint32_t c) { return int((c >> 16) & 0xFF) + int((c >> 8) & 0xFF) + int(c & 0xFF); }

TEST(SettingsOnXvfb, ARenamedLocationReachesTheWallClockAndASecondLaunchLeavesOne) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  const std::string program = clocktest::programPath("Kestrova8");
  ASSERT_TRUE(fs::exists(program)) << program;
  ASSERT_TRUE(fs::exists(clocktest::programPath("Kestrova_Saver")));
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const std::string& display = server.display();

  // A new user's file: the shipped locations, Oslo at home.
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                     "[settings]\r\nbase directory=" + clocktest::dataFolder() + "\r\n" +
                         std::string(clocktest::shippedLocations()).substr(12));
  const std::string errFile = testenv::tempDir() + "settings-stderr.txt";
  pid_t pid = clocktest::spawn({program}, errFile, display);
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  // Whatever happens, no wall clock outlives the test's display.
  struct CloseClocks {
    const std::string& display;
    ~CloseClocks() {
      for (int i = 0; i < 3 && wallClocks(display) > 0; ++i) click(display, 5, 795);
    }
  } closeClocks{display};

  // KESTROVA_SETTINGS_DUMP names a folder that receives the screenshots, also of a failed run.
  struct Dump {
    ~Dump() {
      if (const char* dump = std::getenv("KESTROVA_SETTINGS_DUMP"))
        for (const char* f : {"settings0.xwd", "settings1.xwd", "wall1.xwd", "raised.xwd", "wall2.xwd"})
          if (fs::exists(testenv::tempDir() + f))
            fs::copy_file(testenv::tempDir() + f, std::string(dump) + "/" + f, fs::copy_options::overwrite_existing);
    }
  } dump;

  testenv::Shot shot;
  int tabLeft = -1, tabRight = -1;
  ASSERT_TRUE(waitFor(
      [&] {
        shot = testenv::grabScreen(display, "settings0.xwd");
        return shot.width == 1280 && clocktest::unselectedTab(shot, 4, tabLeft, tabRight);
      },
      45000))
      << "no window with its tabs; stderr: " << testenv::readFile(errFile);
  click(display, (tabLeft + tabRight) / 2, 12);

  const int top = clocktest::settledPageTop(display, "settings1.xwd", shot, 20000);
  ASSERT_GT(top, 0) << "the page did not appear and settle";
  // With one monitor the page's layout puts the name field at (324, 40) and the launch button at
  // (16, 492), page pixels, both 20 high (the page is taller than 682 pixels: the lower panels
  // start 34 below the 430-pixel list).
  ASSERT_GT(shot.height - top, 682);
  auto rename = [&](const std::string& name) {
    click(display, 420, top + 50);
    xdotool(display, "key ctrl+a");
    xdotool(display, "type --delay 20 '" + name + "'");
  };
  auto launch = [&] { click(display, 30, top + 502); };

  // One wall clock in front, showing its map (the labels come with its first painting): the map
  // is letterboxed 2:1 between black bars. Width 0 otherwise.
  auto wallShot = [&](const char* file) {
    testenv::Shot s;
    if (wallClocks(display) == 1) s = testenv::grabScreen(display, file);
    if (s.width != 1280 || s.at(640, 30) != 0 || s.at(640, 770) != 0 || lum(s.at(640, 400)) == 0 ||
        lum(s.at(100, 400)) == 0)
      s.width = 0;
    return s;
  };

  rename("Wwwwwwwwwwwwwwwwwwwwwww");
  launch();
  testenv::Shot a;
  ASSERT_TRUE(waitFor([&] { return (a = wallShot("wall1.xwd")).width == 1280; }, 30000))
      << "no wall clock; stderr: " << testenv::readFile(errFile);

  // Back to the main window, which the wall clock covers, for a shorter name and a second press.
  const unsigned long main = clocktest::windowOfClass(display, "Kestrova8");
  ASSERT_NE(main, 0ul);
  // No window manager here: the window is raised and given the keyboard by hand.
  xdotool(display, "windowraise " + std::to_string(main));
  xdotool(display, "windowfocus " + std::to_string(main));
  rename("I");
  testenv::grabScreen(display, "raised.xwd");
  launch();
  // The first clock goes and a second comes with the new name on Oslo's label, which stands right
  // of its point in the map's right half (the map is centred on 0°; Anchorage lies in the left
  // half). Label texts are white: the long name has many more white pixels than "I", while the
  // time and day lines stay alike (or change by a digit when the minute turns).
  auto whiteRight = [](const testenv::Shot& s) {
    int n = 0;
    for (int y = 0; y < s.height; ++y)
      for (int x = s.width / 2; x < s.width; ++x) {
        const uint32_t c = s.at(x, y);
        n += ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) > 200;
      }
    return n;
  };
  const int longName = whiteRight(a);
  int shortName = longName;
  const bool changed = waitFor(
      [&] {
        const testenv::Shot b = wallShot("wall2.xwd");
        if (b.width != 1280) return false;
        shortName = whiteRight(b);
        return longName - shortName > 500;
      },
      30000);
  EXPECT_TRUE(changed) << "the label did not change with the name: " << longName << " white pixels, then "
                       << shortName << "; stderr: " << testenv::readFile(errFile);
  EXPECT_EQ(wallClocks(display), 1);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the program lives on: " << testenv::readFile(errFile);
}

// The page's own children that have ended and not been collected.
int defunctChildren() {
  int n = 0;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string stat = testenv::readFile(e.path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size()) continue;
    char state = 0;
    int ppid = 0;
    if (std::sscanf(stat.c_str() + close + 2, "%c %d", &state, &ppid) == 2 && ppid == getpid() && state == 'Z') ++n;
  }
  return n;
}

// A wall clock started from the page that ends (here a stand-in saver that ends at once) is
// collected while the page lives on: no defunct process stays behind, launch after launch. On our
// own Xvfb, where programs are really started.
TEST(SettingsOnXvfb, AWallClockThatEndsLeavesNoDefunctProcess) {
  if (!testenv::have("Xvfb")) GTEST_SKIP() << "Xvfb missing";
  testenv::Xvfb server("800x600x24", {"-noreset"});
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  testenv::DesktopOnXvfb desk(server);
  ASSERT_TRUE(desk.open());
  createOs();
  struct Free {
    ~Free() {
      locationsDir.clear();
      freeOs();
    }
  } freeing;
  initControlSet();
  const std::string data = settingstest::dataFolder("reapdata");
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini", settingstest::twoLocations());
  locationsDir = cfg;
  TsunBase base(data + "sky.db", 1920);
  platform::TForm form;
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  TlocPage page(&form, base);
  page.wall.find = [] { return 0ul; };
  page.wall.program = testenv::writeFile("reapbin/Kestrova_Saver", "#!/bin/sh\nexit 0\n");
  chmod(page.wall.program.c_str(), 0755);
  for (int launch = 1; launch <= 2; ++launch) {
    SCOPED_TRACE(launch);
    ASSERT_TRUE(page.launchWallClock());
    const int pid = page.wallClockPid;
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(testenv::pollUntil(10000, [&] { return !fs::exists("/proc/" + std::to_string(pid)); }))
        << "still there: " << testenv::readFile("/proc/" + std::to_string(pid) + "/stat");
    EXPECT_EQ(page.wallClockPid, 0);
    EXPECT_EQ(defunctChildren(), 0);
  }
}

}  // namespace
