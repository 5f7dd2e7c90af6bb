// How the programs end under the test's own X server: a server killed outright ends the world
// clock and the wall clock at once, with the log line and without spinning; a terminate or
// hang-up signal ends the world clock the usual way, its locations file whole. The windows carry
// the program's own name and class.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "clock/Kestrova8main.h"
#include "core/r_LiteIni.h"
#include "platform/folders.h"
#include "tests/clock/datafolder.h"
#include "tests/clock/programs.h"
#include "tests/support/xvfb.h"

namespace {
namespace fs = std::filesystem;
using namespace clocktest;

bool haveXvfb() { return std::system("command -v Xvfb >/dev/null && command -v xprop >/dev/null") == 0; }

// The configuration folder of the test's HOME, with a locations file on the tiny data folder.
std::string prepareConfiguration() {
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  const std::string data = dataFolder();
  std::ofstream(cfg + "locations.ini", std::ios::binary)
      << "[settings]\r\nbase directory=" << data << "\r\n\r\n" << std::string(shippedLocations()).substr(13);
  return cfg;
}

std::string run(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// A program whose display goes ends within this time of the server's end.
constexpr double kEndSeconds = 3.0;

// How much longer than kEndSeconds the machine's load allows: the runnable processes per core
// over the last minute, at least 1. The end itself takes a few milliseconds; what stretches it
// under a full test run (many programs and X servers at once on every core) is the wait for a
// core, and the processor-time check beside it still catches a program that spins instead.
double loadAllowance() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
  return std::max(1.0, load / double(cores));
}

TEST(ProgramEndOnXvfb, AServerKilledOutrightEndsBothProgramsAtOnceWithTheLogLine) {
  if (!haveXvfb()) GTEST_SKIP() << "Xvfb or xprop missing";
  struct Case {
    const char* program;
    std::vector<std::string> args;
    const char* cls;
    const char* log;
  };
  const Case cases[] = {{"Kestrova8", {}, "Kestrova8", "log.txt"}, {"Kestrova_Saver", {"wall"}, "qysaver", "saverlog.txt"}};
  const std::string cfg = prepareConfiguration();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    testenv::Xvfb server("1280x800x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    std::vector<std::string> args{programPath(c.program)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const std::string errFile = testenv::tempDir() + c.program + "-stderr.txt";
    pid_t pid = spawn(args, errFile, server.display());
    ASSERT_GT(pid, 0);
    Reap reap{pid};
    ASSERT_TRUE(waitFor([&] { return windowOfClass(server.display(), c.cls) != 0; }, 45000))
        << "no window; stderr: " << testenv::readFile(errFile);
    const double before = cpuSeconds(pid);
    server.killAbruptly();  // returns when the server process has gone
    const auto gone = std::chrono::steady_clock::now();
    int status = 0;
    double cpu = 0;
    // Waiting longer than the allowance only to reap the program and report how late it was.
    ASSERT_TRUE(waitEnd(pid, 20000, status, cpu)) << "still running 20 s after the server went";
    pid = 0;
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - gone).count();
    const double allowed = kEndSeconds * loadAllowance() * testenv::slowFactor();
    EXPECT_LE(took, allowed) << "ended " << took << " s after the server went; " << kEndSeconds
                             << " s allowed, stretched for the load to " << allowed << " s";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << status;
    EXPECT_LT(cpu - before, 1.0);
    EXPECT_NE(testenv::readFile(cfg + c.log).find("display connection lost"), std::string::npos)
        << testenv::readFile(cfg + c.log);
  }
}

TEST(ProgramEndOnXvfb, TerminateAndHangUpEndTheWorldClockTheUsualWay) {
  if (!haveXvfb()) GTEST_SKIP() << "Xvfb or xprop missing";
  const std::string cfg = prepareConfiguration();
  for (const int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    testenv::Xvfb server("1280x800x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const std::string errFile = testenv::tempDir() + "signal-stderr.txt";
    pid_t pid = spawn({programPath("Kestrova8")}, errFile, server.display());
    ASSERT_GT(pid, 0);
    Reap reap{pid};
    unsigned long window = 0;
    ASSERT_TRUE(waitFor([&] { return (window = windowOfClass(server.display(), "Kestrova8")) != 0; }, 45000))
        << "no window of class Kestrova8; stderr: " << testenv::readFile(errFile);
    if (sig == SIGTERM) {
      // Its own name, and a window of its own rather than one transient for the root window.
      const std::string props =
          run("xprop -display " + server.display() + " -id " + std::to_string(window) + " WM_NAME WM_TRANSIENT_FOR");
      EXPECT_NE(props.find("WM_NAME(STRING) = \"Kestrova 8\""), std::string::npos) << props;
      EXPECT_EQ(props.find("window id"), std::string::npos) << props;
    }
    kill(pid, sig);
    int status = 0;
    double cpu = 0;
    ASSERT_TRUE(waitEnd(pid, 20000, status, cpu)) << "still running 20 s after the signal";
    pid = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    TiniLite ini(cfg + "locations.ini");
    EXPECT_EQ(ini.readString("settings", "base directory", ""), dataFolder());
    EXPECT_EQ(ini.readString("location 2", "name", ""), "Anchorage");
    EXPECT_NE(testenv::readFile(cfg + "log.txt").find("Tos.destroyed"), std::string::npos);
  }
}

// A place renamed on the Settings page, then the X server dies: the program ends at once, and the
// new name is in the locations file (the lost-display handler writes what changed).
TEST(ProgramEndOnXvfb, AnEditOnTheSettingsPageSurvivesTheDisplaysDeath) {
  if (!haveXvfb() || std::system("command -v xdotool >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb, xprop, xdotool or xwd missing";
  const std::string cfg = prepareConfiguration();
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const std::string& display = server.display();
  auto xdotool = [&](const std::string& args) {
    return std::system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str());
  };
  const std::string errFile = testenv::tempDir() + "edit-stderr.txt";
  pid_t pid = spawn({programPath("Kestrova8")}, errFile, display);
  ASSERT_GT(pid, 0);
  Reap reap{pid};
  testenv::Shot shot;
  int tabLeft = -1, tabRight = -1;
  ASSERT_TRUE(waitFor(
      [&] {
        shot = testenv::grabScreen(display, "edit.xwd");
        return shot.width == 1280 && unselectedTab(shot, 4, tabLeft, tabRight);
      },
      45000))
      << "no window with its tabs; stderr: " << testenv::readFile(errFile);
  xdotool("mousemove " + std::to_string((tabLeft + tabRight) / 2) + " 12 click 1");
  const int top = settledPageTop(display, "edit.xwd", shot, 20000);
  ASSERT_GT(top, 0) << "the page did not appear and settle";
  // The locations list (page pixels 8, 20 to 308, 450) shows the new name once the page has it.
  auto list = [&](const testenv::Shot& s) {
    std::vector<uint32_t> px;
    for (int y = top + 20; y < top + 450 && y < s.height; ++y)
      for (int x = 8; x < 308; ++x) px.push_back(s.at(x, y));
    return px;
  };
  const std::vector<uint32_t> before = list(shot);
  // The name field stands at page pixels (324, 40).
  xdotool("mousemove 420 " + std::to_string(top + 50) + " click 1");
  xdotool("key ctrl+a");
  xdotool("type --delay 20 Trondheim");
  ASSERT_TRUE(waitFor([&] { return list(shot = testenv::grabScreen(display, "edit.xwd")) != before; }, 20000))
      << "the list did not take the new name";
  server.killAbruptly();
  int status = 0;
  double cpu = 0;
  ASSERT_TRUE(waitEnd(pid, 20000, status, cpu)) << "still running 20 s after the server went";
  pid = 0;
  TiniLite ini(cfg + "locations.ini");
  EXPECT_EQ(ini.readString("location 1", "name", ""), "Trondheim") << testenv::readFile(cfg + "log.txt");
  EXPECT_EQ(ini.readString("location 2", "name", ""), "Anchorage");
}

}  // namespace
