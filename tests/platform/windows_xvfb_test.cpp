// A real window under our own Xvfb: a borderless form paints a known buffer, and the screen read
// back with xwd holds it pixel for pixel where the window stands.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/windows.h"
#include "platform/x11.h"

// X11 last: its macros clash with names above.
#include <X11/Xlib.h>
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

namespace {
using namespace platform;

// The root window as colours 0x00BBGGRR; a failed read fails the test.
struct Shot {
  int width = 0, height = 0;
  std::vector<TColor> px;
  [[nodiscard]] TColor at(int x, int y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
};

Shot grab(std::string const& display) {
  const testenv::Shot screen = testenv::grabScreen(display, "shot.xwd");
  if (!screen.error.empty()) ADD_FAILURE() << screen.error;
  Shot shot{screen.width, screen.height, {}};
  shot.px.reserve(screen.px.size());
  for (uint32_t rgb : screen.px) shot.px.push_back(RGB(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)));
  return shot;
}

// A different colour for every pixel, so a row or column out of place shows.
TColor pattern(int x, int y) { return RGB(uint8_t(x * 3), uint8_t(y * 5), uint8_t(x + y * 7)); }

// The desktop on the SDL backend of our own X server, put back in memory when this goes (before
// the server ends, whatever fails): declare it after the server.
struct XvfbDesktop {
  explicit XvfbDesktop(testenv::Xvfb const& server) {
    if (server.display().empty()) {
      error = "Xvfb did not start";
      return;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    auto backend = makeSdlBackend();
    if (!backend) {
      error = "no SDL display on " + server.display();
      return;
    }
    desktop = &resetDesktop(std::move(backend));
  }
  ~XvfbDesktop() {
    if (desktop) resetDesktop(std::make_unique<THeadlessBackend>());
  }
  XvfbDesktop(const XvfbDesktop&) = delete;
  XvfbDesktop& operator=(const XvfbDesktop&) = delete;
  TDesktop* desktop = nullptr;
  std::string error;
};

// Paints its width × height in the pattern, shifted by `shift` once it is set.
class PatternWindow : public TWindowProc {
 public:
  LRESULT windowProc(TMsg&) override { return 0; }
  void paintWindow(TDeviceContext& dc) override {
    ++paints;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) dc.setPixel(x, y, pattern(x + shift, y));
  }
  int width = 64, height = 48, shift = 0;
  int paints = 0;
};

// Lets the server map the windows and answer their exposes.
void pump(TDesktop& d, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    d.processMessages();
    d.waitMessage(20);
  }
}

// A visible pattern window of the class "kestrovatest" at `bounds`, mapped by the server and then
// painted once more for good measure.
HWND showPatternWindow(TDesktop& d, PatternWindow& w, const TRect& bounds) {
  TWindowDesc desc;
  desc.bounds = bounds;
  desc.style = WS_VISIBLE;
  desc.className = "kestrovatest";
  desc.proc = &w;
  const HWND h = d.createWindow(desc);
  if (h == 0) return h;
  pump(d, 20);
  d.invalidate(h);
  d.update(h);
  return h;
}

// How many pixels of the shot's width × height box at (left, top) differ from want(x, y), x and
// y counted in the box; the first five are reported.
int wrongPixels(const Shot& shot, int left, int top, int width, int height,
                const std::function<TColor(int, int)>& want) {
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (shot.at(left + x, top + y) != want(x, y) && wrong++ < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << shot.at(left + x, top + y) << " not "
                      << want(x, y);
  return wrong;
}

TEST(WindowsOnXvfb, BorderlessWindowShowsItsBufferPixelForPixel) {
  testenv::Xvfb server("320x240x24", {"-nocursor"});
  XvfbDesktop on(server);
  ASSERT_TRUE(on.desktop) << on.error;
  TDesktop& d = *on.desktop;

  PatternWindow w;
  ASSERT_NE(showPatternWindow(d, w, Bounds(10, 20, 64, 48)), 0u);
  EXPECT_GE(w.paints, 1);

  const Shot shot = grab(server.display());
  ASSERT_EQ(shot.width, 320);
  EXPECT_EQ(wrongPixels(shot, 10, 20, 64, 48, pattern), 0);
  // Another program finds the window by its class.
  EXPECT_NE(x11::findWindowByClass("kestrovatest"), 0ul);
  EXPECT_EQ(x11::findWindowByClass("nosuchclass"), 0ul);
}

// A window several bands tall reaches the screen whole; a repainted part arrives alone, in its place.
TEST(WindowsOnXvfb, ALargeWindowArrivesWholeAndARepaintedPartAlone) {
  testenv::Xvfb server("1280x720x24", {"-nocursor"});
  XvfbDesktop on(server);
  ASSERT_TRUE(on.desktop) << on.error;
  TDesktop& d = *on.desktop;

  PatternWindow w;
  w.width = 1101;  // an odd width: the last pixel of each row is widened on its own
  w.height = 700;
  const HWND h = showPatternWindow(d, w, Bounds(7, 5, w.width, w.height));
  ASSERT_NE(h, 0u);
  const TRect part = Rect(300, 250, 701, 433);
  w.shift = 17;
  d.invalidate(h, &part);
  d.update(h);

  const Shot shot = grab(server.display());
  ASSERT_EQ(shot.width, 1280);
  EXPECT_EQ(wrongPixels(shot, 7, 5, w.width, w.height,
                        [&](int x, int y) { return pattern(part.contains(TPoint{x, y}) ? x + w.shift : x, y); }),
            0);
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
  testenv::Xvfb server("320x240x24", {"-nocursor"});
  XvfbDesktop on(server);
  ASSERT_TRUE(on.desktop) << on.error;
  TDesktop& d = *on.desktop;

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
  pump(d, 10);
  d.invalidate(h);
  d.update(h);
  const Shot shot = grab(server.display());
  ASSERT_EQ(shot.width, 320);
  EXPECT_EQ(shot.at(55, 65), RGB(0, 255, 0));  // the host's own background around the preview
  EXPECT_EQ(wrongPixels(shot, 60, 70, 64, 48, pattern), 0);

  host.destroy();
  for (int i = 0; i < 5; ++i) {
    d.invalidate(h);
    d.update(h);
    d.processMessages();
    d.waitMessage(10);
  }
  SUCCEED();  // still running: errors about the vanished window were ignored
}

// A program started hidden (its starter set the request) keeps its first task-bar window off the
// screen; the request is used once, so the next window shows.
TEST(WindowsOnXvfb, AProgramStartedHiddenShowsNoFirstWindow) {
  testenv::Xvfb server("320x240x24", {"-nocursor"});
  setenv(kStartWindowVariable, "hidden", 1);
  XvfbDesktop on(server);
  ASSERT_TRUE(on.desktop) << on.error;
  EXPECT_EQ(std::getenv(kStartWindowVariable), nullptr) << "the programs it starts do not inherit it";
  TDesktop& d = *on.desktop;
  Display* x = XOpenDisplay(server.display().c_str());
  ASSERT_NE(x, nullptr);
  // Whether the window of that class is mapped; -1 when there is none.
  auto mapped = [&](const char* cls) {
    const unsigned long w = x11::findWindowByClass(cls);
    XWindowAttributes a{};
    if (w == 0 || !XGetWindowAttributes(x, w, &a)) return -1;
    return a.map_state == IsUnmapped ? 0 : 1;
  };
  PatternWindow first, second;
  TWindowDesc desc;
  desc.bounds = Bounds(10, 20, 64, 48);
  desc.style = WS_VISIBLE;
  desc.className = "kestrovafirst";
  desc.proc = &first;
  ASSERT_NE(d.createWindow(desc), 0u);
  desc.className = "kestrovasecond";
  desc.proc = &second;
  ASSERT_NE(d.createWindow(desc), 0u);
  // Showing waits for the server to map the window, so the second one is mapped by now.
  d.processMessages();
  EXPECT_EQ(mapped("kestrovasecond"), 1);
  EXPECT_EQ(mapped("kestrovafirst"), 0);
  XCloseDisplay(x);
}

}  // namespace
