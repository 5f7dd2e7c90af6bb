// X11 helpers of x11.h. Every call opens its own connection (or uses the caller's) and installs
// an error handler for its extent: another program's window may vanish while we look at it.
#include "platform/x11.h"
#include "platform/scaling.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

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

int errorCount = 0;  // errors seen by the quiet handler, so that a caller can ask after a request
int ignoreErrors(Display*, XErrorEvent*) {
  ++errorCount;
  return 0;
}

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
int shiftOf(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}
// A channel byte placed under a visual's mask (masks of up to 8 bits take the top bits).
unsigned long toMask(uint8_t v, unsigned long mask) {
  const int shift = shiftOf(mask);
  const unsigned long width = mask >> shift;
  return ((static_cast<unsigned long>(v) * width + 127) / 255) << shift;
}
uint8_t fromMask(unsigned long pixel, unsigned long mask) {
  const int shift = shiftOf(mask);
  const unsigned long width = mask >> shift;
  if (width == 0) return 0;
  return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / width);
}

using Clock = std::chrono::steady_clock;
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

namespace {
std::string gName, gClass;
void (*gOnLost)() = nullptr;

[[noreturn]] int displayLost(Display* d) {
  static bool once = false;  // the callback may itself meet the dead connection
  if (!once) {
    once = true;
    const char* name = d ? DisplayString(d) : nullptr;
    std::string text = "X connection to " + std::string(name ? name : "the display") + " broken\n";
    (void)!::write(2, text.data(), text.size());
    if (gOnLost) gOnLost();
  }
  ::_exit(1);
}
}  // namespace

void setProgramIdentity(std::string const& name, std::string const& cls) {
  gName = name;
  gClass = cls;
}
std::string const& programName() { return gName; }
std::string const& programClass() { return gClass; }

void clearTransient(void* display, unsigned long window) {
  auto* d = static_cast<Display*>(display);
  if (!d || window == 0) return;
  XDeleteProperty(d, window, XA_WM_TRANSIENT_FOR);
  XFlush(d);
}

unsigned long keyboardFocus(void* display) {
  auto* d = static_cast<Display*>(display);
  if (!d) return kNoFocus;
  Window w = None;
  int revert = 0;
  XGetInputFocus(d, &w, &revert);
  return w;
}

void setKeyboardFocus(void* display, unsigned long window) {
  auto* d = static_cast<Display*>(display);
  if (!d) return;
  QuietErrors quiet;  // the window may go between the question and the request
  if (window > kPointerRoot) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a) || a.map_state != IsViewable) return;
  }
  XSetInputFocus(d, window, window > kPointerRoot ? RevertToParent : RevertToNone, CurrentTime);
  XSync(d, False);
}

bool screenPosition(void* display, unsigned long window, int& x, int& y) {
  auto* d = static_cast<Display*>(display);
  if (!d || window == 0) return false;
  QuietErrors quiet;
  Window child = None;
  return XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child) != 0;
}

void endOnLostDisplay(void (*onLost)()) {
  gOnLost = onLost;
  XSetIOErrorHandler(displayLost);
}

void addMillimetres(std::vector<TDisplay>& list, void* display) {
  DisplayPtr own = display ? nullptr : openDisplay();
  Display* const d = display ? static_cast<Display*>(display) : own.get();
  if (!d) return;
  QuietErrors quiet;
  int ev = 0, er = 0;
  if (!XRRQueryExtension(d, &ev, &er)) return;
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
  if (!res) return;
  for (int i = 0; i < res->noutput; ++i) {
    XRROutputInfo* out = XRRGetOutputInfo(d, res, res->outputs[i]);
    if (!out) continue;
    if (out->connection == RR_Connected && out->crtc) {
      if (XRRCrtcInfo* c = XRRGetCrtcInfo(d, res, out->crtc)) {
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

double desktopDpi() {
  DisplayPtr d = openDisplay();
  if (!d) return 96;
  if (const char* rms = XResourceManagerString(d.get())) {
    XrmInitialize();
    if (XrmDatabase db = XrmGetStringDatabase(rms)) {
      char* type = nullptr;
      XrmValue value{};
      double v = 0;
      if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) v = std::strtod(value.addr, nullptr);
      XrmDestroyDatabase(db);
      if (v > 0 && v < 10000) return v;
    }
  }
  const int screen = DefaultScreen(d.get());
  const int mm = DisplayWidthMM(d.get(), screen);
  return mm > 0 ? DisplayWidth(d.get(), screen) * 25.4 / mm : 96;
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
  // Installed before every display start: SDL passes errors on to the handler it found and puts
  // it back as it quits. Never after SDL starts, or SDL's handler would become our previous one
  // and pass errors back to us.
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

bool grabWindow(unsigned long window, TSurface& out) {
  DisplayPtr d = openDisplay();
  if (!d || window == 0) return false;
  QuietErrors quiet;
  XWindowAttributes a;
  if (!XGetWindowAttributes(d.get(), window, &a) || a.map_state != IsViewable || a.width <= 0 || a.height <= 0)
    return false;
  XImage* img = XGetImage(d.get(), window, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                          AllPlanes, ZPixmap);
  if (!img) return false;
  const bool ok = out.create(a.width, a.height, 24);
  for (int y = 0; ok && y < a.height; ++y) {
    uint8_t* row = out.row(y);
    for (int x = 0; x < a.width; ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      row[x * 3] = fromMask(p, a.visual->blue_mask);
      row[x * 3 + 1] = fromMask(p, a.visual->green_mask);
      row[x * 3 + 2] = fromMask(p, a.visual->red_mask);
    }
  }
  XDestroyImage(img);
  return ok;
}

namespace {
bool grabDesktop(TRect const& r, TSurface& out);
}

bool grabScreen(TRect const& r, TSurface& out) {
  const double s = presentationScale();
  if (s == 1) return grabDesktop(r, out);
  // Our rectangle in the desktop's pixels, read there and brought back to ours pixel by pixel.
  const TRect big = Rect(static_cast<int>(std::floor(r.Left * s)), static_cast<int>(std::floor(r.Top * s)),
                         static_cast<int>(std::ceil(r.Right * s)), static_cast<int>(std::ceil(r.Bottom * s)));
  TSurface grabbed;
  if (!grabDesktop(big, grabbed) || !out.create(r.width(), r.height(), 24)) return false;
  for (int y = 0; y < r.height(); ++y) {
    const int gy = std::min(static_cast<int>(std::floor((r.Top + y) * s)) - big.Top, grabbed.height() - 1);
    for (int x = 0; x < r.width(); ++x) {
      const int gx = std::min(static_cast<int>(std::floor((r.Left + x) * s)) - big.Left, grabbed.width() - 1);
      std::memcpy(out.row(y) + x * 3, grabbed.row(gy) + gx * 3, 3);
    }
  }
  return true;
}

namespace {
bool grabDesktop(TRect const& r, TSurface& out) {
  DisplayPtr d = openDisplay();
  if (!d || r.width() <= 0 || r.height() <= 0) return false;
  QuietErrors quiet;
  const Window root = DefaultRootWindow(d.get());
  XWindowAttributes a;
  if (!XGetWindowAttributes(d.get(), root, &a)) return false;
  // Only the part on the screen is read; the rest stays black.
  const TRect on = r.intersected(Rect(0, 0, a.width, a.height));
  if (!out.create(r.width(), r.height(), 24)) return false;
  if (on.isEmpty()) return true;
  XImage* img = XGetImage(d.get(), root, on.Left, on.Top, static_cast<unsigned>(on.width()),
                          static_cast<unsigned>(on.height()), AllPlanes, ZPixmap);
  if (!img) return false;
  for (int y = 0; y < on.height(); ++y) {
    uint8_t* row = out.row(y + on.Top - r.Top);
    for (int x = 0; x < on.width(); ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      uint8_t* px = row + (x + on.Left - r.Left) * 3;
      px[0] = fromMask(p, a.visual->blue_mask);
      px[1] = fromMask(p, a.visual->green_mask);
      px[2] = fromMask(p, a.visual->red_mask);
    }
  }
  XDestroyImage(img);
  return true;
}
}  // namespace

void shapeWindow(unsigned long window, std::vector<TRect> const& partsIn) {
  const double s = presentationScale();
  std::vector<TRect> parts;
  for (TRect const& p : partsIn)
    parts.push_back(Rect(static_cast<int>(std::floor(p.Left * s)), static_cast<int>(std::floor(p.Top * s)),
                         static_cast<int>(std::ceil(p.Right * s)), static_cast<int>(std::ceil(p.Bottom * s))));
  DisplayPtr d = openDisplay();
  if (!d || window == 0) return;
  int ev = 0, er = 0;
  if (!XShapeQueryExtension(d.get(), &ev, &er)) return;
  QuietErrors quiet;
  std::vector<XRectangle> rs;
  rs.reserve(parts.size());
  for (TRect const& p : parts)
    if (!p.isEmpty())
      rs.push_back({static_cast<short>(p.Left), static_cast<short>(p.Top), static_cast<unsigned short>(p.width()),
                    static_cast<unsigned short>(p.height())});
  XShapeCombineRectangles(d.get(), window, ShapeBounding, 0, 0, rs.data(), static_cast<int>(rs.size()), ShapeSet,
                          Unsorted);
  XShapeCombineRectangles(d.get(), window, ShapeInput, 0, 0, rs.data(), static_cast<int>(rs.size()), ShapeSet,
                          Unsorted);
  XSync(d.get(), False);
}

// ---- TembeddedView -----------------------------------------------------------------------------

struct TembeddedView::State {
  DisplayPtr d;
  int (*oldHandler)(Display*, XErrorEvent*) = nullptr;
  Window host = 0, child = 0;
  int width = 0, height = 0;
  XImage* image = nullptr;
  GC gc = nullptr;
  bool gone = false;

  void paint() {
    if (!image || gone) return;
    XPutImage(d.get(), child, gc, image, 0, 0, 0, 0, static_cast<unsigned>(image->width),
              static_cast<unsigned>(image->height));
    XFlush(d.get());
  }
  bool hostMapped() {
    XWindowAttributes a;
    return XGetWindowAttributes(d.get(), host, &a) && a.map_state == IsViewable;
  }
};

TembeddedView::TembeddedView() : f(std::make_unique<State>()) {}

TembeddedView::~TembeddedView() {
  if (!f->d) return;
  if (f->image) XDestroyImage(f->image);
  if (f->gc) XFreeGC(f->d.get(), f->gc);
  if (f->child && !f->gone) XDestroyWindow(f->d.get(), f->child);
  XSync(f->d.get(), False);
  XSetErrorHandler(f->oldHandler);
}

bool TembeddedView::open(unsigned long host, uint32_t waitMs) {
  f->d = openDisplay();
  if (!f->d || host == 0) return false;
  f->oldHandler = XSetErrorHandler(ignoreErrors);
  Display* d = f->d.get();
  f->host = host;
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  XWindowAttributes a{};
  for (;;) {
    if (!XGetWindowAttributes(d, host, &a)) return false;  // no such window
    if (a.map_state == IsViewable) break;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  f->width = std::max(a.width, 1);
  f->height = std::max(a.height, 1);
  const int before = errorCount;
  f->child = createChildWindow(d, host, 0, 0, f->width, f->height);
  if (f->child == 0) return false;
  XSelectInput(d, host, StructureNotifyMask);
  XSelectInput(d, f->child, ExposureMask | StructureNotifyMask);
  f->gc = XCreateGC(d, f->child, 0, nullptr);
  XSync(d, False);
  if (errorCount != before) {  // the host went while we built the child
    f->gone = true;
    return false;
  }
  return true;
}

TSize TembeddedView::size() const { return {f->width, f->height}; }

unsigned long TembeddedView::id() const { return f->child; }

void TembeddedView::show(TSurface const& picture) {
  if (!f->d || !f->child || picture.empty()) return;
  Display* d = f->d.get();
  const int screen = DefaultScreen(d);
  Visual* v = DefaultVisual(d, screen);
  const int depth = DefaultDepth(d, screen);
  const int w = std::min(picture.width(), f->width), h = std::min(picture.height(), f->height);
  if (w <= 0 || h <= 0) return;
  if (f->image) XDestroyImage(f->image);
  f->image = XCreateImage(d, v, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), 32, 0);
  if (!f->image) return;
  f->image->data = static_cast<char*>(std::calloc(static_cast<size_t>(f->image->bytes_per_line) * h, 1));
  const int step = picture.bitsPerPixel() / 8;
  for (int y = 0; y < h; ++y) {
    uint8_t const* row = picture.row(y);
    for (int x = 0; x < w; ++x) {
      uint8_t const* p = row + x * step;
      XPutPixel(f->image, x, y, toMask(p[2], v->red_mask) | toMask(p[1], v->green_mask) | toMask(p[0], v->blue_mask));
    }
  }
  f->paint();
}

bool TembeddedView::serve(uint32_t ms) {
  if (!f->d || f->gone) return false;
  Display* d = f->d.get();
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  auto lastCheck = Clock::now();
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == Expose && e.xexpose.window == f->child && e.xexpose.count == 0) f->paint();
      if (e.type == DestroyNotify && (e.xdestroywindow.window == f->child || e.xdestroywindow.window == f->host))
        f->gone = true;
      if (e.type == UnmapNotify && e.xunmap.window == f->host) f->gone = true;
    }
    if (f->gone) return false;
    const auto now = Clock::now();
    // Events can be missed when the host goes between our requests: ask now and then.
    if (now - lastCheck > std::chrono::milliseconds(250)) {
      lastCheck = now;
      if (!f->hostMapped()) {
        f->gone = true;
        return false;
      }
    }
    if (now >= deadline) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(std::min<long long>(left, 250)));
  }
}

// ---- the worker thread's view ------------------------------------------------------------------

namespace {
class TX11ThreadView : public TthreadView {
 public:
  ~TX11ThreadView() override {
    std::lock_guard<std::mutex> lock(fmu);
    if (!fd) return;
    if (fimage) XDestroyImage(fimage);
    if (fgc) XFreeGC(fd.get(), fgc);
    if (fwin) XDestroyWindow(fd.get(), fwin);  // already gone with a closed form: the error is ignored
    XSync(fd.get(), False);
  }

  bool open(unsigned long parent) {
    fd = openDisplay();
    if (!fd || parent == 0) return false;
    Display* d = fd.get();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, parent, &a)) return false;
    XSetWindowAttributes wa{};
    wa.background_pixmap = None;  // nothing is cleared: the form shows until the first picture
    wa.bit_gravity = NorthWestGravity;
    wa.colormap = a.colormap;
    fwin = XCreateWindow(d, parent, 0, 0, 1, 1, 0, a.depth, InputOutput, a.visual,
                         CWBackPixmap | CWBitGravity | CWColormap, &wa);
    if (fwin == 0) return false;
    fvisual = a.visual;
    fdepth = a.depth;
    fgc = XCreateGC(d, fwin, 0, nullptr);
    XSync(d, False);
    return true;
  }

  void setBounds(TRect const& r) override {
    std::lock_guard<std::mutex> lock(fmu);
    if (r == fbounds) return;
    fbounds = r;
    XMoveResizeWindow(fd.get(), fwin, r.Left, r.Top, static_cast<unsigned>(std::max(r.width(), 1)),
                      static_cast<unsigned>(std::max(r.height(), 1)));
    XFlush(fd.get());
  }

  void show(bool on) override {
    std::lock_guard<std::mutex> lock(fmu);
    if (on) XMapRaised(fd.get(), fwin);
    else XUnmapWindow(fd.get(), fwin);
    // Hidden means hidden now: the form repaints what the view covered as soon as it can.
    XSync(fd.get(), False);
  }

  void present(TSurface const& pic) override {
    std::lock_guard<std::mutex> lock(fmu);
    const int w = std::min(pic.width(), fbounds.width()), h = std::min(pic.height(), fbounds.height());
    if (pic.empty() || w <= 0 || h <= 0) return;
    if (!fimage || fimage->width != w || fimage->height != h) {
      if (fimage) XDestroyImage(fimage);
      fimage = XCreateImage(fd.get(), fvisual, static_cast<unsigned>(fdepth), ZPixmap, 0, nullptr,
                            static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
      if (!fimage) return;
      fimage->data = static_cast<char*>(std::calloc(static_cast<size_t>(fimage->bytes_per_line) * h, 1));
    }
    const int step = pic.bitsPerPixel() / 8;
    // The usual true-colour layout is written directly; any other through XPutPixel.
    const bool direct = fimage->bits_per_pixel == 32 && fimage->byte_order == LSBFirst &&
                        fvisual->red_mask == 0xFF0000 && fvisual->green_mask == 0xFF00 && fvisual->blue_mask == 0xFF;
    for (int y = 0; y < h; ++y) {
      uint8_t const* row = pic.row(y);
      if (direct) {
        auto* out = reinterpret_cast<uint8_t*>(fimage->data + static_cast<size_t>(y) * fimage->bytes_per_line);
        for (int x = 0; x < w; ++x) {
          uint8_t const* p = row + x * step;
          out[x * 4] = p[0];
          out[x * 4 + 1] = p[1];
          out[x * 4 + 2] = p[2];
          out[x * 4 + 3] = 0;
        }
      } else {
        for (int x = 0; x < w; ++x) {
          uint8_t const* p = row + x * step;
          XPutPixel(fimage, x, y,
                    toMask(p[2], fvisual->red_mask) | toMask(p[1], fvisual->green_mask) | toMask(p[0], fvisual->blue_mask));
        }
      }
    }
    XPutImage(fd.get(), fwin, fgc, fimage, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFlush(fd.get());
  }

 private:
  std::mutex fmu;
  DisplayPtr fd;
  Window fwin = 0;
  GC fgc = nullptr;
  Visual* fvisual = nullptr;
  int fdepth = 24;
  XImage* fimage = nullptr;
  TRect fbounds;
};
}  // namespace

std::unique_ptr<TthreadView> makeThreadView(unsigned long parent) {
  auto v = std::make_unique<TX11ThreadView>();
  if (!v->open(parent)) return nullptr;
  return v;
}

}  // namespace platform::x11

namespace platform::x11 {

void widenBgrRow(const uint8_t* src, uint8_t* dst, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    uint32_t v;
    std::memcpy(&v, src + 3 * i, 4);
    v |= 0xFF000000u;
    std::memcpy(dst + 4 * i, &v, 4);
  }
  if (n > 0) {
    const uint8_t* s = src + 3 * (n - 1);
    const uint32_t v = uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16) | 0xFF000000u;
    std::memcpy(dst + 4 * (n - 1), &v, 4);
  }
}

namespace {
// One band's bytes: a few dozen rows of a full-HD window, so a full frame costs a dozen round trips.
constexpr size_t kBandBytes = size_t(512) << 10;
}  // namespace

struct TbandPresenter::State {
  Display* d = nullptr;
  Window w = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  XImage* image = nullptr;  // the band: its width is the widest rectangle put so far
  XShmSegmentInfo shm{};
  bool useShm = false;

  void dropImage() {
    if (!image) return;
    if (shm.shmaddr) {
      XShmDetach(d, &shm);
      XSync(d, False);
      shmdt(shm.shmaddr);
      shm = {};
      image->data = nullptr;  // not the heap's to free
    }
    XDestroyImage(image);  // frees a plain band's memory
    image = nullptr;
  }

  // A band at least `width` pixels wide; false when none can be made.
  bool band(int width) {
    if (image && image->width >= width) return true;
    dropImage();
    const int rows = std::max(1, static_cast<int>(kBandBytes / (size_t(width) * 4)));
    if (useShm) {
      image = XShmCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm,
                              static_cast<unsigned>(width), static_cast<unsigned>(rows));
      if (image && image->bits_per_pixel == 32) {
        shm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(rows), IPC_CREAT | 0600);
        void* at = shm.shmid >= 0 ? shmat(shm.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
        if (at != reinterpret_cast<void*>(-1)) {
          shm.shmaddr = image->data = static_cast<char*>(at);
          shm.readOnly = False;
          // A server on another machine refuses the segment: the bands then go as plain requests.
          QuietErrors quiet;
          const int before = errorCount;
          XShmAttach(d, &shm);
          XSync(d, False);
          const bool attached = errorCount == before;
          shmctl(shm.shmid, IPC_RMID, nullptr);  // gone once both sides let go
          if (attached) return true;
          shmdt(shm.shmaddr);
        } else if (shm.shmid >= 0) {
          shmctl(shm.shmid, IPC_RMID, nullptr);
        }
        shm = {};
        image->data = nullptr;
      }
      if (image) XDestroyImage(image);
      image = nullptr;
      useShm = false;
    }
    image = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                         static_cast<unsigned>(rows), 32, 0);
    if (!image) return false;
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * size_t(rows)));
    if (!image->data || image->bits_per_pixel != 32) {
      XDestroyImage(image);
      image = nullptr;
      return false;
    }
    return true;
  }
};

TbandPresenter::TbandPresenter() : f(std::make_unique<State>()) {}

TbandPresenter::~TbandPresenter() {
  if (!f->d) return;
  f->dropImage();
  if (f->gc) XFreeGC(f->d, f->gc);
}

bool TbandPresenter::open(void* display, unsigned long window) {
  Display* d = static_cast<Display*>(display);
  if (!d || window == 0 || f->d) return false;
  XWindowAttributes a{};
  {
    QuietErrors quiet;
    if (!XGetWindowAttributes(d, window, &a) || !a.visual) return false;
  }
  // Blue, green and red bytes in that order, as the back buffer's: rows are widened, not mixed.
  // A direct-colour window has the identity ramp SDL gives it, so its pixels read the same.
  const Visual* v = a.visual;
  if ((v->c_class != TrueColor && v->c_class != DirectColor) || (a.depth != 24 && a.depth != 32) || v->red_mask != 0xFF0000 ||
      v->green_mask != 0xFF00 || v->blue_mask != 0xFF || ImageByteOrder(d) != LSBFirst)
    return false;
  f->d = d;
  f->w = window;
  f->visual = a.visual;
  f->depth = a.depth;
  f->gc = XCreateGC(d, window, 0, nullptr);
  f->useShm = XShmQueryExtension(d);
  return f->gc != nullptr;
}

bool TbandPresenter::shared() const { return f->useShm; }

void TbandPresenter::put(TSurface const& buf, std::span<TRect const> rects) {
  if (!f->d || buf.empty() || buf.bitsPerPixel() != 24) return;
  bool sent = false;
  for (TRect r : rects) {
    r.intersect(buf.bounds());
    if (r.isEmpty() || !f->band(r.width())) continue;
    XImage* im = f->image;
    for (int top = r.Top; top < r.Bottom; top += im->height) {
      const int rows = std::min(im->height, r.Bottom - top);
      for (int y = 0; y < rows; ++y)
        widenBgrRow(buf.row(top + y) + r.Left * 3, reinterpret_cast<uint8_t*>(im->data) + ptrdiff_t(y) * im->bytes_per_line,
                    r.width());
      if (f->useShm) {
        XShmPutImage(f->d, f->w, f->gc, im, 0, 0, r.Left, top, static_cast<unsigned>(r.width()),
                     static_cast<unsigned>(rows), False);
        // The server reads the band from our memory: it is refilled only once the put is done.
        XSync(f->d, False);
      } else {
        XPutImage(f->d, f->w, f->gc, im, 0, 0, r.Left, top, static_cast<unsigned>(r.width()),
                  static_cast<unsigned>(rows));
      }
      sent = true;
    }
  }
  if (sent && !f->useShm) XFlush(f->d);
}

}  // namespace platform::x11
