// The astronomical data tab of the running program under our own Xvfb: selecting it shows the
// clock and the panel, and from one second to the next the clock changes only in its second ring.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "clock/Kestrova8main.h"
#include "core/r_bitmapRaw.h"
#include "platform/folders.h"
#include "tests/clock/programs.h"
#include "tests/clock/skydb.h"
#include "tests/support/xvfb.h"

namespace {
namespace fs = std::filesystem;

// Checked builds draw the first full clock slowly: they get more tries to see a quiet second.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr int kTries = 3;
#else
constexpr int kTries = 12;
#endif

TEST(AstroOnXvfb, TabShowsClockAndPanelAndOnlyTheSecondRingTicks) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  const std::string program = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin" / "Kestrova8";
  ASSERT_TRUE(fs::exists(program)) << program;
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

  const std::string data = fs::path(skytest::makeSkyDb("astrodata")).parent_path().string() + "/";
  TrawBitmap24 world;
  world.setsize(600, 300);
  for (int r = 0; r < 300; ++r)
    for (int c = 0; c < 600; ++c) world.setPixel(c, r, uint8_t(60), uint8_t(170), uint8_t(90));
  ASSERT_TRUE(world.savetofile(data + "world 600.bmp"));
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                     "[settings]\r\nbase directory=" + data + "\r\nhome=Here\r\nshow locations=no\r\n\r\n" +
                         "[location 1]\r\nname=Here\r\nlat=51.5\r\nlong=0\r\nwindows name=UTC\r\nhjustify=left\r\nvjustify=top\r\n\r\n");

  const std::string errFile = testenv::tempDir() + "astro-stderr.txt";
  pid_t pid = clocktest::spawn({program}, errFile, server.display());
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};

  testenv::Shot shot;
  auto grab = [&](const char* name) { shot = testenv::grabScreen(server.display(), name); };
  // The unselected tabs in the caption bar; the second of them is the astronomical data.
  int tabLeft = -1, tabRight = -1;
  auto findTab = [&] { return clocktest::unselectedTab(shot, 2, tabLeft, tabRight); };
  ASSERT_TRUE(clocktest::waitFor(
      [&] {
        grab("a0.xwd");
        return shot.width == 1280 && findTab();
      },
      45000))
      << "no window with its tabs; stderr: " << testenv::readFile(errFile);
  std::system(("DISPLAY=" + server.display() + " xdotool mousemove " + std::to_string((tabLeft + tabRight) / 2) +
               " 12 click 1 >/dev/null 2>&1")
                  .c_str());
  // The page starts below the caption bar (the first black row at the panel's right edge); the
  // clock is a square at the page's left edge, as high as the page or smaller where the panel
  // needs the width (the page's colour then shows above and below it), the panel right of it
  // black with white text.
  constexpr uint32_t kPage = 0x648CB4;
  int top = -1, side = 0, clockTop = -1;
  auto findClock = [&](const testenv::Shot& at) {
    top = -1;
    for (int y = 4; y < 60 && top < 0; ++y)
      if (at.at(at.width - 2, y) == 0 && at.at(at.width - 2, y - 1) != 0) top = y;
    if (top < 0) return false;
    // The panel is black down its right edge (the world map there is not).
    if (at.at(at.width - 2, (top + at.height) / 2) != 0) return false;
    // The clock: the longest run of rows at the left edge that are not the page's colour.
    clockTop = -1, side = 0;
    for (int y = top, run = 0; y < at.height; ++y) {
      run = at.at(2, y) != kPage ? run + 1 : 0;
      if (run > side) side = run, clockTop = y - run + 1;
    }
    if (side < 100) return false;
    int white = 0, clock = 0;
    for (int x = side + 2; x < at.width; ++x)
      for (int yy = top; yy < at.height; yy += 2) white += at.at(x, yy) == 0xFFFFFF;
    for (int x = side / 4; x < side * 3 / 4; ++x) clock += at.at(x, clockTop + side / 2) != 0;
    return white > 100 && clock > side / 3;
  };
  const bool shown = clocktest::waitFor([&] { grab("a1.xwd"); return shot.width == 1280 && findClock(shot); }, 15000);
  ASSERT_TRUE(shown) << "no clock and panel; stderr: " << testenv::readFile(errFile);

  bool onlySeconds = false;
  int changed = 0, outside = 0, panel = 0;
  for (int attempt = 0; attempt < kTries && !onlySeconds; ++attempt) {
    grab("b1.xwd");
    const testenv::Shot one = shot;
    // Measured on each first shot: the page may still be settling when the tab first shows.
    if (!findClock(one)) continue;
    const double cx = side / 2.0, cy = clockTop + side / 2.0, half = side / 2.0;
    usleep(1000 * 1000);
    grab("b2.xwd");
    changed = outside = panel = 0;
    for (int y = top; y < shot.height; ++y)
      for (int x = side + 1; x < shot.width; ++x) panel += one.at(x, y) != shot.at(x, y);
    for (int y = std::max(0, clockTop); y < clockTop + side; ++y)
      for (int x = 0; x < side; ++x) {
        if (one.at(x, y) == shot.at(x, y)) continue;
        ++changed;
        const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / half;
        if (r < 0.49 || r > 0.565) ++outside;
      }
    onlySeconds = changed > 0 && outside == 0;  // a new minute (or a redraw still under way) changes more: try again
  }
  EXPECT_GT(panel, 0) << "the panel's GMT line moves on";
  EXPECT_TRUE(onlySeconds) << changed << " pixels changed, " << outside << " outside the second ring";
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the program lives on";
  if (const char* dump = std::getenv("KESTROVA_ASTRO_DUMP"))
    for (const char* f : {"a1.xwd", "b1.xwd", "b2.xwd"})
      fs::copy_file(testenv::tempDir() + f, std::string(dump) + "/" + f, fs::copy_options::overwrite_existing);
}

}  // namespace
