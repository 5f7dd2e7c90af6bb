// X11 helpers of x11.h. Every call opens its own connection (or uses the caller's) and installs
// an error handler for its extent: another program's window may vanish while we look at it.
#include "platform/x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::x11 {
namespace {
struct DisplayCloser {
  void operator()(Display* d) const {
    if (d) XCloseDisplay(d);
  }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  return DisplayPtr(XOpenDisplay(nullptr));
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// Swaps in a quiet error handler for a scope.
class QuietErrors {
 public:
  QuietErrors() : fold(XSetErrorHandler(ignoreErrors)) {}
  ~QuietErrors() { XSetErrorHandler(fold); }
  QuietErrors(QuietErrors const&) = delete;
  QuietErrors& operator=(QuietErrors const&) = delete;

 private:
  int (*fold)(Display*, XErrorEvent*);
};

bool hasClass(Display* d, Window w, std::string const& cls) {
  XClassHint hint{};
  if (!XGetClassHint(d, w, &hint)) return false;
  const bool yes = (hint.res_name && cls == hint.res_name) || (hint.res_class && cls == hint.res_class);
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return yes;
}

Window search(Display* d, Window w, std::string const& cls, int depth) {
  if (hasClass(d, w, cls)) return w;
  if (depth > 8) return 0;
  Window root = 0, parent = 0;
  Window* kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) found = search(d, kids[i], cls, depth + 1);
  if (kids) XFree(kids);
  return found;
}
}  // namespace

void setWindowClass(void* display, unsigned long window, std::string const& cls) {
  auto* d = static_cast<Display*>(display);
  std::string name = cls;
  XClassHint hint{};
  hint.res_name = name.data();
  hint.res_class = name.data();
  XSetClassHint(d, window, &hint);
  XFlush(d);
}

void addMillimetres(std::vector<TDisplay>& list) {
  DisplayPtr d = openDisplay();
  if (!d) return;
  QuietErrors quiet;
  int ev = 0, er = 0;
  if (!XRRQueryExtension(d.get(), &ev, &er)) return;
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(d.get(), DefaultRootWindow(d.get()));
  if (!res) return;
  for (int i = 0; i < res->noutput; ++i) {
    XRROutputInfo* out = XRRGetOutputInfo(d.get(), res, res->outputs[i]);
    if (!out) continue;
    if (out->connection == RR_Connected && out->crtc) {
      if (XRRCrtcInfo* c = XRRGetCrtcInfo(d.get(), res, out->crtc)) {
        for (auto& disp : list)
          if (disp.box.Left == c->x && disp.box.Top == c->y && disp.box.width() == static_cast<int>(c->width) &&
              disp.box.height() == static_cast<int>(c->height)) {
            disp.mmWidth = static_cast<int>(out->mm_width);
            disp.mmHeight = static_cast<int>(out->mm_height);
          }
        XRRFreeCrtcInfo(c);
      }
    }
    XRRFreeOutputInfo(out);
  }
  XRRFreeScreenResources(res);
}

int xftDpi() {
  DisplayPtr d = openDisplay();
  if (!d) return 96;
  const char* rms = XResourceManagerString(d.get());
  if (!rms) return 96;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(rms);
  if (!db) return 96;
  int dpi = 96;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    const double v = std::strtod(value.addr, nullptr);
    if (v > 0 && v < 10000) dpi = static_cast<int>(std::nearbyint(v));
  }
  XrmDestroyDatabase(db);
  return dpi;
}

unsigned long findWindowByClass(std::string const& cls) {
  DisplayPtr d = openDisplay();
  if (!d || cls.empty()) return 0;
  QuietErrors quiet;
  Window w = search(d.get(), DefaultRootWindow(d.get()), cls, 0);
  XSync(d.get(), False);
  return w;
}

bool closeWindow(unsigned long window) {
  DisplayPtr d = openDisplay();
  if (!d || window == 0) return false;
  QuietErrors quiet;
  XWindowAttributes a;
  if (!XGetWindowAttributes(d.get(), window, &a)) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d.get(), "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d.get(), "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d.get(), window, False, NoEventMask, &e);
  XSync(d.get(), False);
  return true;
}

namespace {
int (*previousHandler)(Display*, XErrorEvent*) = nullptr;
int vanishedTolerant(Display* d, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable || e->error_code == BadMatch) return 0;
  return previousHandler ? previousHandler(d, e) : 0;
}
}  // namespace

void ignoreVanishedWindows() {
  // Installed again after every display start: shutting SDL down puts back the handler it found.
  auto* was = XSetErrorHandler(vanishedTolerant);
  if (was != vanishedTolerant) previousHandler = was;
}

unsigned long createChildWindow(void* display, unsigned long host, int x, int y, int width, int height) {
  auto* d = static_cast<Display*>(display);
  if (!d || host == 0) return 0;
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, host, &a)) return 0;
  const Window w = XCreateSimpleWindow(d, host, x, y, static_cast<unsigned>(std::max(width, 1)),
                                       static_cast<unsigned>(std::max(height, 1)), 0, 0, 0);
  XMapWindow(d, w);
  XSync(d, False);
  return w;
}

}  // namespace platform::x11
