// TrawBitmap24 on the clipboard of our own X server, read back by xclip: the targets offered,
// the BMP bytes and the PNG's pixels, for a small picture and one large enough to go in
// increments; the offer ends when another program takes the clipboard.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/clipboard.h"
#include "platform/imagecodec.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

extern char** environ;

namespace {
// Runs a program with its output into a file; the exit status, -1 when it could not start.
int runTo(const std::vector<std::string>& args, const std::string& outFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outFile.empty()) posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void paint(TrawBitmap24& b) {
  for (int row = 0; row < b.height(); ++row)
    for (int col = 0; col < b.width(); ++col) b.setPixel(col, row, uint8_t(col * 7), uint8_t(row * 3), uint8_t(col ^ row));
}

TEST(TrawBitmap24ClipboardOnXvfb, PictureIsReadBackAsPngAndBmp) {
  if (runTo({"xclip", "-version"}, "/dev/null") < 0) GTEST_SKIP() << "xclip is not installed (scripts/setup.sh --tests)";
  testenv::Xvfb server("320x200x24");
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  createOs();
  const std::string dir = testenv::tempDir();
  struct Case { const char* id; int width, height; } cases[] = {{"small", 5, 3}, {"in increments", 700, 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TrawBitmap24 b;
    b.setsize(c.width, c.height);
    paint(b);
    b.saveToClipboard();
    ASSERT_TRUE(platform::ownsClipboard());

    ASSERT_EQ(runTo({"xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"}, dir + "targets.txt"), 0);
    const std::string targets = testenv::readFile(dir + "targets.txt");
    EXPECT_NE(targets.find("image/png\n"), std::string::npos) << targets;
    EXPECT_NE(targets.find("image/bmp\n"), std::string::npos) << targets;

    ASSERT_EQ(runTo({"xclip", "-selection", "clipboard", "-t", "image/bmp", "-o"}, dir + "clip.bmp"), 0);
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(b.saveToMem(bmp));
    const std::string got = testenv::readFile(dir + "clip.bmp");
    EXPECT_TRUE(got == std::string(bmp.begin(), bmp.end())) << "BMP of " << got.size() << " bytes";

    ASSERT_EQ(runTo({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"}, dir + "clip.png"), 0);
    platform::TrgbImage png;
    std::string error;
    ASSERT_TRUE(platform::decodeImageFile(dir + "clip.png", png, error)) << error;
    ASSERT_EQ(png.width, c.width);
    ASSERT_EQ(png.height, c.height);
    int wrong = 0;
    for (int row = 0; row < c.height; ++row)
      for (int col = 0; col < c.width; ++col) {
        uint8_t r = 0, g = 0, bl = 0;
        b.getPixel(col, row, r, g, bl);
        const uint8_t* p = png.pixel(col, row);
        wrong += p[0] != r || p[1] != g || p[2] != bl;
      }
    EXPECT_EQ(wrong, 0);
  }

  // Another program takes the clipboard: the offer ends.
  testenv::writeFile("text.txt", "words");
  ASSERT_EQ(runTo({"xclip", "-selection", "clipboard", "-i", dir + "text.txt"}, "/dev/null"), 0);
  for (int i = 0; i < 100 && platform::ownsClipboard(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(platform::ownsClipboard());
  platform::clearOwnClipboard();
  freeOs();
  unsetenv("DISPLAY");
}

TEST(TrawBitmap24Clipboard, NothingWithoutPixelsOrDisplay) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  TrawBitmap24 b;
  b.saveToClipboard();  // no pixels
  b.setsize(2, 2);
  b.saveToClipboard();  // no display
  EXPECT_FALSE(platform::ownsClipboard());
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}
}  // namespace
