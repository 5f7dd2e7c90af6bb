// A click sent the moment a window of a class becomes viewable, as a quick user's would be: the
// display is watched every few milliseconds and the click goes through the X test extension.
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
  // Waits at most ms for the window to be viewable, then clicks at (x, y) of the screen. The
  // milliseconds from seeing it viewable to the click's being sent go to `sentAfterMs`.
  bool clickWhenViewable(const std::string& cls, int x, int y, int ms, double& sentAfterMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
    bool clicked = false;
    while (!clicked && Clock::now() < end) {
      if (viewable(DefaultRootWindow(fd), cls, 0)) {
        const auto seen = Clock::now();
        fmotion(fd, -1, x, y, 0);
        fbutton(fd, 1, True, 0);
        fbutton(fd, 1, False, 0);
        XSync(fd, False);
        sentAfterMs = std::chrono::duration<double, std::milli>(Clock::now() - seen).count();
        clicked = true;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    XSetErrorHandler(old);
    return clicked;
  }

 private:
  using Motion = int (*)(Display*, int, int, int, unsigned long);
  using Button = int (*)(Display*, unsigned, Bool, unsigned long);
  // A window of the class, viewable, among the root's children and theirs (a window manager's frame).
  bool viewable(Window w, const std::string& cls, int depth) {
    XClassHint h{};
    if (depth > 0 && XGetClassHint(fd, w, &h)) {
      const bool ours = h.res_class && cls == h.res_class;
      if (h.res_name) XFree(h.res_name);
      if (h.res_class) XFree(h.res_class);
      XWindowAttributes a;
      if (ours && XGetWindowAttributes(fd, w, &a) && a.map_state == IsViewable) return true;
    }
    if (depth >= 2) return false;
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(fd, w, &root, &parent, &kids, &n)) return false;
    bool found = false;
    for (unsigned i = 0; i < n && !found; ++i) found = viewable(kids[i], cls, depth + 1);
    if (kids) XFree(kids);
    return found;
  }
  void* flib = nullptr;
  Display* fd = nullptr;
  Motion fmotion = nullptr;
  Button fbutton = nullptr;
};

}  // namespace clocktest
