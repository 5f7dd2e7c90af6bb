// The Shadows tab of the running program under our own Xvfb: selecting it shows the sun-path
// diagram beside the panel, and choosing "Shadow diagram" shows the grey rings round the foot.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "clock/Kestrova8main.h"
#include "platform/folders.h"
#include "tests/clock/programs.h"
#include "tests/clock/skydb.h"
#include "tests/support/xvfb.h"

namespace {
namespace fs = std::filesystem;

int red(uint32_t c) { return int((c >> 16) & 0xFF); }
int green(uint32_t c) { return int((c >> 8) & 0xFF); }
int blue(uint32_t c) { return int(c & 0xFF); }

void click(const std::string& display, int x, int y) {
  std::system(("DISPLAY=" + display + " xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
               " click 1 >/dev/null 2>&1")
                  .c_str());
}

TEST(ShadowsOnXvfb, TabShowsTheSunPathAndTheShadowDiagramShowsItsRings) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  const std::string program = clocktest::programPath("Kestrova8");
  ASSERT_TRUE(fs::exists(program)) << program;
  testenv::Xvfb server("1280x800x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

  const std::string data = fs::path(skytest::makeSkyDb("shadowsdata")).parent_path().string() + "/";
  const std::string cfg = configFolderFor(platform::documentsFolder());
  fs::create_directories(cfg);
  testenv::writeFile(cfg.substr(testenv::tempDir().size()) + "locations.ini",
                     "[settings]\r\nbase directory=" + data + "\r\nhome=Here\r\nshow locations=no\r\n\r\n" +
                         "[location 1]\r\nname=Here\r\nlat=51.5\r\nlong=0\r\nwindows name=UTC\r\nhjustify=left\r\nvjustify=top\r\n\r\n");
  const std::string errFile = testenv::tempDir() + "shadows-stderr.txt";
  pid_t pid = clocktest::spawn({program}, errFile, server.display());
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  // KESTROVA_SHADOWS_DUMP names a folder that receives the screenshots, also of a failed run.
  struct Dump {
    ~Dump() {
      if (const char* dump = std::getenv("KESTROVA_SHADOWS_DUMP"))
        for (const char* f : {"s0.xwd", "s1.xwd", "s2.xwd"})
          if (fs::exists(testenv::tempDir() + f))
            fs::copy_file(testenv::tempDir() + f, std::string(dump) + "/" + f, fs::copy_options::overwrite_existing);
    }
  } dump;

  testenv::Shot shot;
  auto grab = [&](const char* name) { shot = testenv::grabScreen(server.display(), name); };
  // The unselected tabs in the caption bar; the third of them is Shadows.
  int tabLeft = -1, tabRight = -1;
  auto findTab = [&] { return clocktest::unselectedTab(shot, 3, tabLeft, tabRight); };
  ASSERT_TRUE(clocktest::waitFor(
      [&] {
        grab("s0.xwd");
        return shot.width == 1280 && findTab();
      },
      45000))
      << "no window with its tabs; stderr: " << testenv::readFile(errFile);
  click(server.display(), (tabLeft + tabRight) / 2, 12);

  // The page: the panel at the left from its top row down, the diagram's box right of x = 300.
  int top = -1;
  auto count = [&](int y, int x0, int x1, auto is) {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += is(shot.at(x, y));
    return n;
  };
  auto isRed = [](uint32_t c) { return red(c) > 200 && green(c) < 60 && blue(c) < 60; };
  auto isRing = [](uint32_t c) { return c == 0xD7D7D7; };  // no line of the sun path has this grey
  const bool sunPath = clocktest::waitFor(
      [&] {
        grab("s1.xwd");
        if (shot.width != 1280) return false;
        top = -1;
        for (int y = 4; y < 120 && top < 0; ++y)
          if (shot.at(5, y) == shot.at(5, y + 40) && shot.at(5, y) != shot.at(5, y - 1)) top = y;
        if (top < 0) return false;
        int redRows = 0, white = 0;
        for (int y = top; y < shot.height; y += 2) {
          redRows += count(y, 310, shot.width, isRed) > 0;
          white += count(y, 310, shot.width, [](uint32_t c) { return c == 0xFFFFFF; });
        }
        return redRows > 40 && white > 20000;
      },
      20000);
  ASSERT_TRUE(sunPath) << "no sun-path diagram; stderr: " << testenv::readFile(errFile);
  const int cx = 300 + (shot.width - 300) / 2, cy = top + (shot.height - top) / 2;
  EXPECT_EQ(count(cy, cx, shot.width, isRing), 0);

  click(server.display(), 130, top + 37);  // the "Shadow diagram" item
  const bool rings = clocktest::waitFor(
      [&] {
        grab("s2.xwd");
        return shot.width == 1280 && count(cy, cx + 3, cx + 330, isRing) >= 3 &&
               count(cy, cx - 330, cx - 3, isRing) >= 3;
      },
      20000);
  EXPECT_TRUE(rings) << "no rings round the centre; stderr: " << testenv::readFile(errFile);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the program lives on";
}

}  // namespace
