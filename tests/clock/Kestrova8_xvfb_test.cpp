// The world clock program itself under our own Xvfb with the tiny data folder: the window shows
// five tabs, day lies at the sub-solar point and night at the antisolar point, every tab can be
// selected, and a drag made with xdotool recentres the map and is kept in "locations.ini".
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "astro/r_Sun.h"
#include "clock/Kestrova8main.h"
#include "core/r_LiteIni.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "tests/clock/datafolder.h"
#include "tests/clock/programs.h"
#include "tests/support/xvfb.h"
// Last: the X11 headers' macros.
#include "tests/clock/earlyclick.h"

namespace {
namespace fs = std::filesystem;
using clocktest::spawn;
using clocktest::waitFor;

using testenv::Shot;

// The screen as 0x00RRGGBB values; a failed read leaves width 0 and the poll tries again.
Shot grab(const std::string& display) { return testenv::grabScreen(display, "clock.xwd"); }

// How many of the main program's windows the server shows (its main window, a message over it).
int mainWindowsShown(const std::string& display) {
  const std::string count = "xwininfo -display " + display + " -root -tree | grep -c '(\"Kestrova8\" \"Kestrova8\")'";
  int n = 0;
  if (std::FILE* p = popen(count.c_str(), "r")) {
    if (std::fscanf(p, "%d", &n) != 1) n = 0;
    pclose(p);
  }
  return n;
}

bool near(uint32_t rgb, int r, int g, int b, int tol = 12) {
  return std::abs(int((rgb >> 16) & 0xFF) - r) <= tol && std::abs(int((rgb >> 8) & 0xFF) - g) <= tol &&
         std::abs(int(rgb & 0xFF) - b) <= tol;
}
// The day image is green, the night image blue; the shading between them keeps that apart.
int green(uint32_t c) { return int((c >> 8) & 0xFF); }
int blue(uint32_t c) { return int(c & 0xFF); }
bool isDay(uint32_t c) { return green(c) > blue(c) + 40; }
bool isNight(uint32_t c) { return blue(c) > green(c); }

int xdotool(const std::string& display, const std::string& args) {
  return std::system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str());
}

// The sub-solar point now, as the renderer computes it.
void subSolar(double& lat, double& lng) {
  Tobserver ob;
  Tsun sun(ob);
  ob.setDT(platform::nowUTC());
  ob.setlat(0);
  ob.setlong(0);
  ob.setTZ(0);
  sun.sun();
  const double deg = 180 / M_PI;
  lat = sun.SunDec * deg;
  lng = std::remainder(-sun.sunHourA * deg, 360.0);
}

// Runs of the tab colours along a row of the caption bar: one per tab.
std::vector<std::pair<int, int>> tabRuns(const Shot& s, int y) {
  std::vector<std::pair<int, int>> runs;
  int start = -1;
  for (int x = 0; x <= s.width; ++x) {
    const bool tab = x < s.width && (near(s.at(x, y), 0x3C, 0x50, 0x80, 6) || near(s.at(x, y), 0x78, 0x8C, 0xA4, 6));
    if (tab && start < 0) start = x;
    if (!tab && start >= 0) {
      if (x - start > 20) runs.emplace_back(start, x);
      start = -1;
    }
  }
  return runs;
}

TEST(ClockOnXvfb, MapTabsAndDragOfTheRunningProgram) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  const std::string program = clocktest::programPath("Kestrova8");
  ASSERT_TRUE(fs::exists(program)) << program;
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  const std::string data = clocktest::dataFolder();
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                     "[settings]\r\nbase directory=" + data + "\r\nshow locations=no\r\ncentre long=0\r\n\r\n");

  const std::string errFile = testenv::tempDir() + "clock-stderr.txt";
  pid_t pid = spawn({program}, errFile, server.display());
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};

  // The window with its five tabs.
  Shot shot;
  ASSERT_TRUE(waitFor(
      [&] {
        shot = grab(server.display());
        return shot.width == 1280 && tabRuns(shot, 20).size() == 5;
      },
      45000))
      << "no window with five tabs; stderr: " << testenv::readFile(errFile);

  // The map: a 2:1 box as wide as the screen, standing on the black below it.
  auto mapBox = [](const Shot& s, int& x0, int& y0, int& x1, int& y1) {
    x0 = 0, x1 = s.width - 1, y1 = -1;
    for (int y = s.height - 1; y > 30 && y1 < 0; --y)
      if (s.at(s.width / 2, y) != 0 || s.at(s.width / 3, y) != 0) y1 = y;
    y0 = y1 - s.width / 2 + 1;
  };
  int x0, y0, x1, y1;
  ASSERT_TRUE(waitFor(
      [&] {
        shot = grab(server.display());
        mapBox(shot, x0, y0, x1, y1);
        if (y0 <= 22) return false;
        int shaded = 0;  // along a row near the top: day or night almost everywhere
        for (int k = 0; k < 16; ++k) shaded += isDay(shot.at(40 + k * 75, y0 + 10)) || isNight(shot.at(40 + k * 75, y0 + 10));
        return shaded >= 12;
      },
      30000));
  const int W = x1 - x0 + 1, H = y1 - y0 + 1;
  double lat, lng;
  subSolar(lat, lng);
  auto pixelOf = [&](double la, double lo, int dx) {
    const int x = x0 + int(std::lround((std::remainder(lo, 360.0) + 180) / 360 * W)) + dx;
    const int y = y0 + int(std::lround((90 - la) / 180 * H));
    return shot.at(std::clamp(x, x0, x1), std::clamp(y, y0, y1));
  };
  // Eight points around each, 40 degrees away: clear of the sun and moon marks, which may stand
  // together near a new moon.
  int day = 0, night = 0;
  const double anti = lng >= 0 ? lng - 180 : lng + 180;
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4, dlat = 40 * std::sin(a), dlng = 40 * std::cos(a);
    day += isDay(pixelOf(lat + dlat, lng + dlng, 0));
    night += isNight(pixelOf(-lat + dlat, anti + dlng, 0));
  }
  EXPECT_GE(day, 6) << "no day around the sub-solar point " << lat << ", " << lng;
  EXPECT_GE(night, 6) << "no night around the antisolar point";

  // Every tab can be selected; each becomes the selected one and the program lives on.
  const auto runs = tabRuns(shot, 20);
  for (int i : {1, 2, 3, 4, 0}) {
    SCOPED_TRACE(i);
    const int cx = (runs[size_t(i)].first + runs[size_t(i)].second) / 2;
    xdotool(server.display(), "mousemove " + std::to_string(cx) + " 12 click 1");
    EXPECT_TRUE(waitFor(
        [&] {
          shot = grab(server.display());
          return shot.width == 1280 && near(shot.at(runs[size_t(i)].first + 3, 20), 0x78, 0x8C, 0xA4, 6);
        },
        15000));
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << testenv::readFile(errFile);
  }
  ASSERT_TRUE(waitFor(
      [&] {
        shot = grab(server.display());
        mapBox(shot, x0, y0, x1, y1);
        return y0 > 22;
      },
      15000));

  // A drag a quarter of the map to the right turns the centre 90 degrees west.
  const int my = (y0 + y1) / 2, mx = x0 + W / 4;
  xdotool(server.display(), "mousemove " + std::to_string(mx) + " " + std::to_string(my) + " mousedown 1");
  for (int step = 1; step <= 5; ++step)
    xdotool(server.display(), "mousemove " + std::to_string(mx + step * W / 20) + " " + std::to_string(my));
  xdotool(server.display(), "mouseup 1");
  // Closing from the caption's close box keeps the centre.
  xdotool(server.display(), "mousemove 1270 10 click 1");
  int status = 0;
  ASSERT_TRUE(waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30000));
  pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  TiniLite ini(cfg + "locations.ini");
  EXPECT_NEAR(ini.readFloatUK("settings", "centre long", 0), -90, 2) << testenv::readFile(errFile);
}

TEST(ClockOnXvfb, WithoutADisplayTheProgramSaysSoAndFails) {
  const std::string program = clocktest::programPath("Kestrova8");
  ASSERT_TRUE(fs::exists(program));
  const std::string errFile = testenv::tempDir() + "nodisplay.txt";
  const pid_t pid = spawn({program}, errFile, "");
  ASSERT_GT(pid, 0);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
  const std::string err = testenv::readFile(errFile);
  EXPECT_NE(err.find("needs an X11 display"), std::string::npos) << err;
  EXPECT_NE(err.find("Xvfb"), std::string::npos) << err;
}

}  // namespace

namespace {
// A read-only configuration folder: the program starts, shows the user's locations, says once
// that changes cannot be saved, and leaves the file as it was.
TEST(ClockOnXvfb, AReadOnlyConfigurationFolderIsSaidAndLeftAsItWas) {
  if (std::system("command -v Xvfb >/dev/null && command -v xwininfo >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb or xwininfo missing";
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  const std::string text = "[settings]\r\nbase directory=" + clocktest::dataFolder() + "\r\n\r\n" +
                           std::string(clocktest::shippedLocations()).substr(13);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini", text);
  // A folder's mode binds everyone but root; root gets a read-only mount of its own.
  std::vector<std::string> args{clocktest::programPath("Kestrova8")};
  if (geteuid() == 0) {
    if (std::system("unshare -m true 2>/dev/null") != 0) GTEST_SKIP() << "no read-only mount for root here";
    args = {"unshare", "-m", "sh", "-c", "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" && exec \"$1\"",
            cfg, args[0]};
  } else {
    fs::permissions(cfg, fs::perms::owner_read | fs::perms::owner_exec);
  }
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const std::string errFile = testenv::tempDir() + "readonly-stderr.txt";
  pid_t pid = spawn(args, errFile, server.display());
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  // The main window and the message over it.
  EXPECT_TRUE(waitFor([&] { return mainWindowsShown(server.display()) >= 2; }, 45000)) << testenv::readFile(errFile);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "ended: " << testenv::readFile(errFile);
  kill(pid, SIGTERM);
  int status = 0;
  double cpu = 0;
  EXPECT_TRUE(clocktest::waitEnd(pid, 20000, status, cpu));
  pid = 0;
  fs::permissions(cfg, fs::perms::owner_all);
  EXPECT_EQ(testenv::readFile(cfg + "locations.ini"), text);
}
}  // namespace

// ---- a new user's first hour ----------------------------------------------------------------------

namespace {
bool have(const char* tools) {
  return std::system(("for t in " + std::string(tools) + "; do command -v $t >/dev/null || exit 1; done").c_str()) == 0;
}

// Day around the sub-solar point and night around the antisolar one, on the 2:1 map that stands
// on the black below it (as wide as the screen).
bool earthShown(const Shot& s) {
  if (s.width == 0) return false;
  int y1 = -1;
  for (int y = s.height - 1; y > 30 && y1 < 0; --y)
    if (s.at(s.width / 2, y) != 0 || s.at(s.width / 3, y) != 0) y1 = y;
  const int y0 = y1 - s.width / 2 + 1, W = s.width, H = s.width / 2;
  if (y0 < 0) return false;
  double lat, lng;
  subSolar(lat, lng);
  auto at = [&](double la, double lo) {
    const int x = int(std::lround((std::remainder(lo, 360.0) + 180) / 360 * W));
    const int y = y0 + int(std::lround((90 - la) / 180 * H));
    return s.at(std::clamp(x, 0, W - 1), std::clamp(y, y0, y1));
  };
  int day = 0, night = 0;
  const double anti = lng >= 0 ? lng - 180 : lng + 180;
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4, dlat = 40 * std::sin(a), dlng = 40 * std::cos(a);
    day += isDay(at(lat + dlat, lng + dlng));
    night += isNight(at(-lat + dlat, anti + dlng));
  }
  return day >= 6 && night >= 6;
}

std::string writeConfiguration(const std::string& text) {
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini", text);
  return cfg;
}

// Ends a program the usual way and waits for it.
void terminate(pid_t& pid) {
  kill(pid, SIGTERM);
  int status = 0;
  double cpu = 0;
  clocktest::waitEnd(pid, 20000, status, cpu);
  pid = 0;
}

// With only the usual map container, a screen 3840 wide still shows the Earth in both programs.
TEST(ClockOnXvfb, OnA3840ScreenBothProgramsShowTheEarthFromTheUsualContainer) {
  if (!have("Xvfb xwd")) GTEST_SKIP() << "Xvfb or xwd missing";
  const std::string data = clocktest::dataFolder();
  ASSERT_FALSE(fs::exists(data + "3840.bin"));
  const std::string cfg =
      writeConfiguration("[settings]\r\nbase directory=" + data + "\r\nshow locations=no\r\ncentre long=0\r\n\r\n");
  testenv::Xvfb server("3840x2160x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const struct {
    const char* program;
    std::vector<std::string> args;
    const char* log;
  } cases[] = {{"Kestrova8", {}, "log.txt"}, {"Kestrova_Saver", {"wall"}, "saverlog.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    std::vector<std::string> args{clocktest::programPath(c.program)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const std::string errFile = testenv::tempDir() + c.program + "-4k.txt";
    pid_t pid = spawn(args, errFile, server.display());
    ASSERT_GT(pid, 0);
    clocktest::Reap reap{pid};
    Shot shot;
    EXPECT_TRUE(waitFor([&] { return earthShown(shot = testenv::grabScreen(server.display(), "4k.xwd")); }, 90000))
        << "no day and night on the screen; stderr: " << testenv::readFile(errFile);
    EXPECT_EQ(shot.width, 3840);
    EXPECT_NE(testenv::readFile(cfg + c.log).find("scaled up to 3840"), std::string::npos) << testenv::readFile(cfg + c.log);
    terminate(pid);
  }
}

// The main window follows the desktop's scale: under Xft.dpi 192 its tab strip is twice as tall
// as under 96, and a click on a tab drawn there selects it.
TEST(ClockOnXvfb, UnderXftDpi192TheWindowIsDrawnTwiceAsLargeAndClicksLandOnWhatIsDrawn) {
  if (!have("Xvfb xwd xprop xdotool")) GTEST_SKIP() << "Xvfb, xwd, xprop or xdotool missing";
  writeConfiguration("[settings]\r\nbase directory=" + clocktest::dataFolder() + "\r\nshow locations=no\r\n\r\n");
  int heights[2] = {0, 0};
  for (int i : {0, 1}) {
    const int dpi = i == 0 ? 96 : 192;
    SCOPED_TRACE(dpi);
    // The server keeps the resource set below only while it is not reset between clients.
    testenv::Xvfb server("2560x1600x24", {"-noreset"});
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    ASSERT_EQ(std::system(("xprop -display " + server.display() +
                           " -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t" + std::to_string(dpi) + "'")
                              .c_str()),
              0);
    const std::string errFile = testenv::tempDir() + "dpi-stderr.txt";
    pid_t pid = spawn({clocktest::programPath("Kestrova8")}, errFile, server.display());
    ASSERT_GT(pid, 0);
    clocktest::Reap reap{pid};
    // The five tabs along a row through their faces above the captions' letters.
    const int row = 5 * dpi / 96;
    Shot shot;
    std::vector<std::pair<int, int>> runs;
    // The Settings tab's face, down a column left of its caption: the first run of its colour only,
    // as the day band below the strip can take the same blue at some hours of the day.
    const auto faceHeight = [&] {
      int h = 0;
      for (int y = 0; y < 80; ++y) {
        if (near(shot.at(runs[4].first + 4, y), 0x3C, 0x50, 0x80, 6)) ++h;
        else if (h > 0) break;
      }
      return h;
    };
    ASSERT_TRUE(waitFor(
        [&] {
          shot = testenv::grabScreen(server.display(), "dpi.xwd");
          return shot.width == 2560 && (runs = tabRuns(shot, row)).size() == 5;
        },
        45000))
        << "no window with its tabs; stderr: " << testenv::readFile(errFile);
    const int left = runs[4].first, right = runs[4].second;
    heights[i] = faceHeight();
    if (dpi == 192) {
      xdotool(server.display(), "mousemove " + std::to_string((left + right) / 2) + " 24 click 1");
      EXPECT_TRUE(waitFor(
          [&] {
            shot = testenv::grabScreen(server.display(), "dpi.xwd");
            return shot.width == 2560 && near(shot.at(left + 4, row), 0x78, 0x8C, 0xA4, 6);
          },
          20000))
          << "the click did not select the tab drawn under it";
    }
    terminate(pid);
  }
  EXPECT_GT(heights[0], 10);
  EXPECT_NEAR(heights[1], 2 * heights[0], 2) << heights[0] << " and " << heights[1] << " rows";
}

// A file with text but no location in it, and one cut after a location's latitude and longitude,
// are kept whole beside as ".bad"; the start says so once.
TEST(ClockOnXvfb, ALocationsFileWithoutLocationsOrCutShortIsKeptAsBadWithAMessage) {
  if (!have("Xvfb xwininfo")) GTEST_SKIP() << "Xvfb or xwininfo missing";
  std::string text;
  while (text.size() < 10 * 1000 * 1000) text += "Notes of a trip round the world, day by day, with every city's time.\r\n";
  const std::string whole = "[settings]\r\nbase directory=" + clocktest::dataFolder() + "\r\n\r\n" +
                            std::string(clocktest::shippedLocations()).substr(13);
  const std::string cut = whole.substr(0, whole.rfind("hjustify="));
  const struct {
    const char* id;
    std::string bytes;
  } cases[] = {{"ten megabytes of text", text}, {"cut after the longitude", cut}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string cfg = writeConfiguration(c.bytes);
    fs::remove(cfg + "locations.ini.bad");
    testenv::Xvfb server("1280x800x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const std::string errFile = testenv::tempDir() + "bad-stderr.txt";
    pid_t pid = spawn({clocktest::programPath("Kestrova8")}, errFile, server.display());
    ASSERT_GT(pid, 0);
    clocktest::Reap reap{pid};
    // The main window and the message over it.
    EXPECT_TRUE(waitFor([&] { return mainWindowsShown(server.display()) >= 2; }, 45000))
        << testenv::readFile(errFile);
    EXPECT_TRUE(testenv::readFile(cfg + "locations.ini.bad") == c.bytes) << "the damaged file is not kept whole";
    EXPECT_NE(testenv::readFile(cfg + "log.txt").find("kept as \"" + cfg + "locations.ini.bad\""), std::string::npos);
    terminate(pid);
    EXPECT_NE(testenv::readFile(cfg + "locations.ini"), c.bytes);
  }
}

// The window can be found on the display only once it is about to be shown (not while the start
// builds it), and a click sent the moment it is on the screen, before it has painted, is not lost.
TEST(ClockOnXvfb, AClickAsSoonAsTheWindowIsShownReachesItsTab) {
  if (!have("Xvfb xwd")) GTEST_SKIP() << "Xvfb or xwd missing";
  writeConfiguration("[settings]\r\nbase directory=" + clocktest::dataFolder() + "\r\nshow locations=no\r\n\r\n");
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const std::string errFile = testenv::tempDir() + "early-stderr.txt";
  // Where the Settings tab stands, from a first start.
  int left = -1, right = -1;
  {
    pid_t pid = spawn({clocktest::programPath("Kestrova8")}, errFile, server.display());
    ASSERT_GT(pid, 0);
    clocktest::Reap reap{pid};
    Shot shot;
    ASSERT_TRUE(waitFor(
        [&] {
          shot = testenv::grabScreen(server.display(), "early.xwd");
          return shot.width == 1280 && clocktest::unselectedTab(shot, 4, left, right);
        },
        45000))
        << testenv::readFile(errFile);
    terminate(pid);
  }
  clocktest::TearlyClick early;
  if (!early.open(server.display())) GTEST_SKIP() << "no X test extension library";
  pid_t pid = spawn({clocktest::programPath("Kestrova8")}, errFile, server.display());
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  double hidden = -1, sentAfter = -1;
  ASSERT_TRUE(early.clickWhenShown("Kestrova8", (left + right) / 2, 12, 45000, hidden, sentAfter))
      << testenv::readFile(errFile);
  EXPECT_LT(hidden, 25 * testenv::slowFactor()) << "the window could be found, but not clicked, for " << hidden << " ms";
  EXPECT_LT(sentAfter, 50 * testenv::slowFactor());
  Shot shot;
  EXPECT_TRUE(waitFor(
      [&] {
        shot = testenv::grabScreen(server.display(), "early.xwd");
        return shot.width == 1280 && near(shot.at(left + 3, 20), 0x78, 0x8C, 0xA4, 6);
      },
      20000))
      << "the Settings tab was not selected";
  terminate(pid);
}
}  // namespace
