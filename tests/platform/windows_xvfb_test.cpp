// A real window under our own Xvfb: a borderless form paints a known buffer, and the screen read
// back with xwd holds it pixel for pixel where the window stands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/windows.h"
#include "platform/x11.h"

// X11 last: its macros clash with names above.
#include <X11/Xlib.h>
#include "tests/support/testenv.h"

extern char** environ;

namespace {
using namespace platform;

// Our own X server on a free display number (Xvfb picks it and writes it to a pipe).
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args{"Xvfb", "-displayfd", fd, "-screen", "0", "320x240x24", "-nolisten", "tcp", "-nocursor"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "Xvfb", &fa, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    std::string num;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') num += c;
    close(fds[0]);
    if (!num.empty()) display_ = ":" + num;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  [[nodiscard]] std::string const& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

uint32_t be32(std::string const& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) | (uint32_t(uint8_t(s[at + 2])) << 8) |
         uint32_t(uint8_t(s[at + 3]));
}

// The root window as xwd writes it (ZPixmap, 32 bits per pixel), as colours 0x00BBGGRR.
struct Shot {
  int width = 0, height = 0;
  std::vector<TColor> px;
  [[nodiscard]] TColor at(int x, int y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
};

Shot grab(std::string const& display) {
  Shot shot;
  const std::string file = testenv::tempDir() + "shot.xwd";
  const std::string cmd = "xwd -root -silent -display " + display + " -out " + file;
  if (int rc = std::system(cmd.c_str()); rc != 0) {
    ADD_FAILURE() << cmd << " answered " << rc;
    return shot;
  }
  const std::string s = testenv::readFile(file);
  if (s.size() < 100) {
    ADD_FAILURE() << "short xwd file: " << s.size();
    return shot;
  }
  const uint32_t headerSize = be32(s, 0), width = be32(s, 16), height = be32(s, 20), byteOrder = be32(s, 28),
                 bpp = be32(s, 44), bytesPerLine = be32(s, 48), redMask = be32(s, 56), greenMask = be32(s, 60),
                 blueMask = be32(s, 64), ncolors = be32(s, 76);
  // Rows may be longer than their pixels: the row length is read, not computed.
  const uint32_t bytesPerPixel = bpp / 8;
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) || bytesPerLine < width * bytesPerPixel) {
    ADD_FAILURE() << "unexpected xwd format: " << bpp << " bits, " << bytesPerLine << " bytes per line";
    return shot;
  }
  const size_t data = headerSize + size_t(ncolors) * 12;
  if (s.size() < data + size_t(bytesPerLine) * height) {
    ADD_FAILURE() << "xwd data short: " << s.size();
    return shot;
  }
  auto channel = [](uint32_t v, uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++shift; }
    return (v >> shift) & 0xFF;
  };
  shot.width = int(width);
  shot.height = int(height);
  shot.px.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = data + size_t(y) * bytesPerLine + size_t(x) * bytesPerPixel;
      const uint8_t* b = reinterpret_cast<const uint8_t*>(s.data()) + at;
      uint32_t v = 0;
      for (uint32_t k = 0; k < bytesPerPixel; ++k)
        v |= uint32_t(b[byteOrder == 0 ? k : bytesPerPixel - 1 - k]) << (8 * k);
      shot.px[size_t(y) * width + x] = RGB(uint8_t(channel(v, redMask)), uint8_t(channel(v, greenMask)), uint8_t(channel(v, blueMask)));
    }
  return shot;
}

// A different colour for every pixel, so a row or column out of place shows.
TColor pattern(int x, int y) { return RGB(uint8_t(x * 3), uint8_t(y * 5), uint8_t(x + y * 7)); }

class PatternWindow : public TWindowProc {
 public:
  LRESULT windowProc(TMsg&) override { return 0; }
  void paintWindow(TDeviceContext& dc) override {
    ++paints;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) dc.setPixel(x, y, pattern(x, y));
  }
  int paints = 0;
};

TEST(WindowsOnXvfb, BorderlessWindowShowsItsBufferPixelForPixel) {
  Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  auto backend = makeSdlBackend();
  ASSERT_TRUE(backend) << "no SDL display on " << server.display();
  TDesktop& d = resetDesktop(std::move(backend));
  // Back to memory before the server goes, whatever fails below.
  struct Restore {
    ~Restore() { resetDesktop(std::make_unique<THeadlessBackend>()); }
  } restore;

  PatternWindow w;
  TWindowDesc desc;
  desc.bounds = Bounds(10, 20, 64, 48);
  desc.style = WS_VISIBLE;
  desc.className = "kestrovatest";
  desc.proc = &w;
  const HWND h = d.createWindow(desc);
  ASSERT_NE(h, 0u);
  // Let the server map the window and answer the expose; then paint once more for good measure.
  for (int i = 0; i < 20; ++i) {
    d.processMessages();
    d.waitMessage(20);
  }
  d.invalidate(h);
  d.update(h);
  EXPECT_GE(w.paints, 1);

  const Shot shot = grab(server.display());
  ASSERT_EQ(shot.width, 320);
  int wrong = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (shot.at(10 + x, 20 + y) != pattern(x, y) && wrong++ < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << shot.at(10 + x, 20 + y) << " not "
                      << pattern(x, y);
  EXPECT_EQ(wrong, 0);
  // Another program finds the window by its class.
  EXPECT_NE(x11::findWindowByClass("kestrovatest"), 0ul);
  EXPECT_EQ(x11::findWindowByClass("nosuchclass"), 0ul);
}

// Some other program's window, as the preview's host.
class HostWindow {
 public:
  explicit HostWindow(TRect box) {
    fd = XOpenDisplay(nullptr);
    if (!fd) return;
    fw = XCreateSimpleWindow(fd, DefaultRootWindow(fd), box.Left, box.Top, unsigned(box.width()), unsigned(box.height()), 0, 0,
                             0x00FF00);
    XMapWindow(fd, fw);
    XSync(fd, False);
  }
  ~HostWindow() {
    if (fd) XCloseDisplay(fd);
  }
  void destroy() {
    XDestroyWindow(fd, fw);
    XSync(fd, False);
  }
  [[nodiscard]] unsigned long id() const { return fw; }

 private:
  Display* fd = nullptr;
  Window fw = 0;
};

TEST(WindowsOnXvfb, APreviewDrawsInsideItsHostAndSurvivesTheHostGoing) {
  Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  auto backend = makeSdlBackend();
  ASSERT_TRUE(backend);
  TDesktop& d = resetDesktop(std::move(backend));
  struct Restore {
    ~Restore() { resetDesktop(std::make_unique<THeadlessBackend>()); }
  } restore;

  HostWindow host(Bounds(50, 60, 100, 80));
  ASSERT_NE(host.id(), 0ul);
  PatternWindow w;
  TWindowDesc desc;
  desc.bounds = Bounds(10, 10, 64, 48);
  desc.style = WS_VISIBLE;
  desc.proc = &w;
  desc.host = host.id();
  const HWND h = d.createWindow(desc);
  ASSERT_NE(h, 0u);
  for (int i = 0; i < 10; ++i) {
    d.processMessages();
    d.waitMessage(20);
  }
  d.invalidate(h);
  d.update(h);
  const Shot shot = grab(server.display());
  ASSERT_EQ(shot.width, 320);
  EXPECT_EQ(shot.at(55, 65), RGB(0, 255, 0));  // the host's own background around the preview
  int wrong = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) wrong += shot.at(60 + x, 70 + y) != pattern(x, y);
  EXPECT_EQ(wrong, 0);

  host.destroy();
  for (int i = 0; i < 5; ++i) {
    d.invalidate(h);
    d.update(h);
    d.processMessages();
    d.waitMessage(10);
  }
  SUCCEED();  // still running: errors about the vanished window were ignored
}

}  // namespace
