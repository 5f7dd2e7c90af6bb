// A click sent the moment a window of a class is on the screen, as a quick user's would be: the
// window tree is searched every millisecond or so and the click goes through the X test extension.
// Kept apart from the tests' other headers: the X11 headers define macros that clash with them.
#pragma once
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <chrono>
#include <string>
#include <thread>

namespace clocktest {

class TearlyClick {
 public:
  // False when the display or the test extension's library is missing.
  bool open(const std::string& display) {
    flib = dlopen("libXtst.so.6", RTLD_NOW);
    if (!flib) return false;
    fmotion = reinterpret_cast<Motion>(dlsym(flib, "XTestFakeMotionEvent"));
    fbutton = reinterpret_cast<Button>(dlsym(flib, "XTestFakeButtonEvent"));
    fd = XOpenDisplay(display.c_str());
    return fd && fmotion && fbutton;
  }
  ~TearlyClick() {
    if (fd) XCloseDisplay(fd);
    if (flib) dlclose(flib);
  }
  // Waits at most ms for a window of the class to be on the screen and clicks at (x, y) of the
  // screen the moment it is. How long it could be found before it was on the screen goes to
  // `hiddenMs`; how long the click took to send once it was, to `sentAfterMs`.
  bool clickWhenShown(const std::string& cls, int x, int y, int ms, double& hiddenMs, double& sentAfterMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
    bool clicked = false, seen = false;
    Clock::time_point foundAt;
    while (!clicked && Clock::now() < end) {
      const int state = find(DefaultRootWindow(fd), cls, 0);
      if (state != 0 && !seen) {
        seen = true;
        foundAt = Clock::now();
      }
      if (state == IsViewable + 1) {
        const auto shown = Clock::now();
        fmotion(fd, -1, x, y, 0);
        fbutton(fd, 1, True, 0);
        fbutton(fd, 1, False, 0);
        XSync(fd, False);
        hiddenMs = std::chrono::duration<double, std::milli>(shown - foundAt).count();
        sentAfterMs = std::chrono::duration<double, std::milli>(Clock::now() - shown).count();
        clicked = true;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    XSetErrorHandler(old);
    return clicked;
  }

 private:
  using Motion = int (*)(Display*, int, int, int, unsigned long);
  using Button = int (*)(Display*, unsigned, Bool, unsigned long);
  // The map state + 1 of a window of the class among the root's children and theirs (a window
  // manager's frame); 0 when there is none.
  int find(Window w, const std::string& cls, int depth) {
    XClassHint h{};
    if (depth > 0 && XGetClassHint(fd, w, &h)) {
      const bool ours = h.res_class && cls == h.res_class;
      if (h.res_name) XFree(h.res_name);
      if (h.res_class) XFree(h.res_class);
      XWindowAttributes a;
      if (ours && XGetWindowAttributes(fd, w, &a)) return a.map_state + 1;
    }
    if (depth >= 2) return 0;
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(fd, w, &root, &parent, &kids, &n)) return 0;
    int state = 0;
    for (unsigned i = 0; i < n && state == 0; ++i) state = find(kids[i], cls, depth + 1);
    if (kids) XFree(kids);
    return state;
  }
  void* flib = nullptr;
  Display* fd = nullptr;
  Motion fmotion = nullptr;
  Button fbutton = nullptr;
};

}  // namespace clocktest
