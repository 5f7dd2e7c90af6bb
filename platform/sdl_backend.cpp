// Real windows: one SDL window (video driver x11) per form, shown from the form's back buffer
// (24-bit bottom-up rows): each dirty rectangle goes to the X window band by band in the server's
// 32-bit format; for another visual it is converted into SDL's window surface (SDL_ConvertPixels).
// XRandR gives millimetres, the X resources give Xft.dpi.
// Our headers come first: the X11 headers define macros (None, Complex...) that clash with them.
#include "platform/shell.h"
#include "platform/windows.h"
#include "platform/x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace platform {
namespace {

int vkOf(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
  switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    default: return 0;
  }
}

SDL_SystemCursor sdlCursor(Cursor c) {
  switch (c) {
    case Cursor::Hand: return SDL_SYSTEM_CURSOR_HAND;
    case Cursor::SizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    case Cursor::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case Cursor::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case Cursor::SizeNWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case Cursor::SizeNESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case Cursor::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case Cursor::Wait: return SDL_SYSTEM_CURSOR_WAIT;
    case Cursor::Cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case Cursor::No: return SDL_SYSTEM_CURSOR_NO;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// The window image formats whose bytes are blue, green, red and a fourth (a 24-bit X server's).
bool fourByteBgrx(Uint32 format) {
  return SDL_BYTEORDER == SDL_LIL_ENDIAN && (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888);
}

class TSdlBackend : public TBackend {
 public:
  TSdlBackend() = default;
  ~TSdlBackend() override {
    fpresenters.clear();  // they use the windows' connection
    for (auto& [h, w] : fwindows) SDL_DestroyWindow(w);
    if (fx) XCloseDisplay(fx);
    for (auto& [c, p] : fcursors) SDL_FreeCursor(p);
    SDL_Quit();  // all of SDL: a partial quit leaves its D-Bus connection behind
  }

  bool open() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Before SDL, which passes errors on to the handler it finds and puts it back as it quits.
    x11::ignoreVanishedWindows();  // a preview's host may go at any moment
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    fwake = SDL_RegisterEvents(1);
    fstart = takeStartWindowRequest();
    SDL_StartTextInput();  // typed characters arrive as text, composed by the input method
    endOnHangUpAsOnTerminate();
    return true;
  }

  // SDL turns a terminate signal into a quit event, which ends the loop the usual way; a hang-up
  // (the session's terminal or login going) ends the program the same way. Left alone when the
  // caller ignores hang-ups.
  static void endOnHangUpAsOnTerminate() {
    struct sigaction was {};
    if (sigaction(SIGHUP, nullptr, &was) != 0 || was.sa_handler == SIG_IGN) return;
    struct sigaction sa {};
    sa.sa_handler = [](int) { ::kill(::getpid(), SIGTERM); };
    sigemptyset(&sa.sa_mask);
    sigaction(SIGHUP, &sa, nullptr);
  }

  uint32_t ticks() override { return SDL_GetTicks(); }

  void wait(uint32_t ms, std::vector<TInputEvent>& out) override {
    SDL_Event ev;
    if (ms > 0) {
      // Round up: a wait that ends early would only wake the loop to find nothing due.
      if (SDL_WaitEventTimeout(&ev, static_cast<int>(std::min<uint32_t>(ms, 0x7FFFFFFF)))) translate(ev, out);
    }
    while (SDL_PollEvent(&ev)) translate(ev, out);
  }

  bool createWindow(HWND h, TWindowDesc const& d) override {
    if (d.host != 0) {
      // Inside another program's window: our own X child of it, drawn through SDL.
      if (!fx) fx = XOpenDisplay(nullptr);
      const unsigned long child =
          x11::createChildWindow(fx, d.host, d.bounds.Left, d.bounds.Top, d.bounds.width(), d.bounds.height());
      if (child == 0) return false;
      SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<const void*>(child));
      if (!w) return false;
      fwindows[h] = w;
      return true;
    }
    // The native window is made when it is first shown (or its id is asked for): a window that
    // can be found on the display is one that can be clicked, not one still being built.
    fpending[h].desc = d;
    if (d.style & WS_EX_NOACTIVATE) fnoActivate.push_back(h);
    return true;
  }

  void destroyWindow(HWND h) override {
    fpending.erase(h);
    ftaskBar.erase(h);
    std::erase(fnoActivate, h);
    auto it = fwindows.find(h);
    if (it == fwindows.end()) return;
    if (fconfined == it->second) fconfined = nullptr;
    fpresenters.erase(h);
    SDL_DestroyWindow(it->second);
    fwindows.erase(it);
  }

  void setWindowBounds(HWND h, TRect const& r) override {
    if (auto p = fpending.find(h); p != fpending.end()) {
      p->second.desc.bounds = r;
      return;
    }
    if (SDL_Window* w = win(h)) {
      SDL_SetWindowPosition(w, r.Left, r.Top);
      SDL_SetWindowSize(w, std::max(r.width(), 1), std::max(r.height(), 1));
    }
  }

  void setWindowIcon(HWND h, std::vector<uint32_t> const& argb, int w, int hgt) override {
    if (auto p = fpending.find(h); p != fpending.end()) {
      p->second.icon = argb;
      p->second.iconW = w;
      p->second.iconH = hgt;
      return;
    }
    SDL_Window* win_ = win(h);
    if (!win_ || w <= 0 || hgt <= 0 || argb.size() < size_t(w) * size_t(hgt)) return;
    std::vector<uint32_t> px(argb.begin(), argb.begin() + ptrdiff_t(w) * hgt);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), w, hgt, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(win_, s);  // SDL copies the pixels
    SDL_FreeSurface(s);
  }

  void warpCursor(TPoint p) override { SDL_WarpMouseGlobal(p.X, p.Y); }
  void confinePointer(HWND h, TRect const* r) override {
    if (fconfined != nullptr) SDL_SetWindowMouseRect(fconfined, nullptr);
    fconfined = nullptr;
    if (!r) return;
    if (SDL_Window* w = win(h)) {
      const SDL_Rect sr{r->Left, r->Top, r->width(), r->height()};
      if (SDL_SetWindowMouseRect(w, &sr) == 0) fconfined = w;
    }
  }

  void setModalFor(HWND modal, HWND owner) override {
    if (auto p = fpending.find(modal); p != fpending.end()) {
      p->second.modalOwner = owner;
      return;
    }
    SDL_Window* m = win(modal);
    SDL_Window* o = win(owner);
    if (m && o && m != o) SDL_SetWindowModalFor(m, o);
  }

  void minimizeWindow(HWND h) override {
    if (SDL_Window* w = win(h)) SDL_MinimizeWindow(w);
  }

  bool isMinimized(HWND h) override {
    SDL_Window* w = win(h);
    return w && (SDL_GetWindowFlags(w) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == SDL_WINDOW_MINIMIZED;
  }

  bool isOutOfSight(HWND h) override {
    SDL_Window* w = win(h);
    return w && (SDL_GetWindowFlags(w) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
  }

  void showWindow(HWND h, bool on) override {
    if (on) made(h);
    SDL_Window* w = win(h);
    if (!w) return;
    if (!on) {
      SDL_HideWindow(w);
      return;
    }
    if (fstart != StartWindow::Normal && ftaskBar.count(h)) {
      // The first task-bar window of a program started minimised or hidden, as its starter asked.
      const StartWindow asked = std::exchange(fstart, StartWindow::Normal);
      if (asked == StartWindow::Hidden) return;
      SDL_ShowWindow(w);
      SDL_MinimizeWindow(w);
      return;
    }
    const bool noActivate = std::find(fnoActivate.begin(), fnoActivate.end(), h) != fnoActivate.end();
    void* display = nullptr;
    unsigned long xw = 0;
    const unsigned long keep = noActivate && x11Of(w, display, xw) ? x11::keyboardFocus(display) : x11::kNoFocus;
    SDL_ShowWindow(w);
    // Without a window manager SDL gives every window it shows the focus; one that must not take
    // it hands it straight back.
    if (noActivate && display && keep != xw && x11::keyboardFocus(display) == xw) x11::setKeyboardFocus(display, keep);
  }

  void passFocus(HWND from, HWND to) override {
    void* display = nullptr;
    unsigned long fw = 0, tw = 0;
    if (!x11Of(win(from), display, fw) || !x11Of(win(to), display, tw)) return;
    if (x11::keyboardFocus(display) == fw) x11::setKeyboardFocus(display, tw);
  }

  void present(HWND h, TSurface const& buf, std::span<TRect const> dirty) override {
    SDL_Window* w = win(h);
    if (!w || buf.empty()) return;
    if (x11::TbandPresenter* p = presenter(h, w)) {
      p->put(buf, dirty);
      return;
    }
    SDL_Surface* ws = SDL_GetWindowSurface(w);
    if (!ws) return;
    std::vector<SDL_Rect> rects;
    if (SDL_MUSTLOCK(ws)) SDL_LockSurface(ws);
    for (TRect r : dirty) {
      r.intersect(buf.bounds());
      r.intersect(Rect(0, 0, ws->w, ws->h));
      if (r.isEmpty()) continue;
      // The back buffer is bottom-up: its image row r.Top lies highest in memory, so the rows are
      // read downwards with a negative pitch.
      const uint8_t* src = buf.row(r.Top) + r.Left * 3;
      uint8_t* dst = static_cast<uint8_t*>(ws->pixels) + r.Top * ws->pitch + r.Left * ws->format->BytesPerPixel;
      if (fourByteBgrx(ws->format->format)) {
        for (int y = 0; y < r.height(); ++y)
          x11::widenBgrRow(src - static_cast<ptrdiff_t>(y) * buf.stride(), dst + static_cast<ptrdiff_t>(y) * ws->pitch, r.width());
      } else {
        SDL_ConvertPixels(r.width(), r.height(), SDL_PIXELFORMAT_BGR24, src, -buf.stride(), ws->format->format, dst,
                          ws->pitch);
      }
      rects.push_back({r.Left, r.Top, r.width(), r.height()});
    }
    if (SDL_MUSTLOCK(ws)) SDL_UnlockSurface(ws);
    if (!rects.empty()) SDL_UpdateWindowSurfaceRects(w, rects.data(), static_cast<int>(rects.size()));
  }

  void setCursor(Cursor c) override {
    SDL_ShowCursor(c == Cursor::Hidden ? SDL_DISABLE : SDL_ENABLE);
    if (c == Cursor::Hidden) return;
    auto it = fcursors.find(c);
    if (it == fcursors.end()) it = fcursors.emplace(c, SDL_CreateSystemCursor(sdlCursor(c))).first;
    if (it->second) SDL_SetCursor(it->second);
  }

  void defineCursor(Cursor c, TcursorImage const& im) override {
    if (im.width <= 0 || im.height <= 0 || im.argb.size() != size_t(im.width) * im.height) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(im.argb.data()), im.width, im.height,
                                                        32, im.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_Cursor* made = SDL_CreateColorCursor(s, im.hot.X, im.hot.Y);
    SDL_FreeSurface(s);
    if (!made) return;
    auto it = fcursors.find(c);
    if (it != fcursors.end()) {
      // The one showing is replaced before it is freed.
      if (SDL_GetCursor() == it->second) SDL_SetCursor(made);
      if (it->second) SDL_FreeCursor(it->second);
      it->second = made;
    } else {
      fcursors.emplace(c, made);
    }
  }

  std::string clipboardText() override {
    char* t = SDL_GetClipboardText();
    std::string s = t ? t : "";
    SDL_free(t);
    return s;
  }

  void setClipboardText(std::string const& s) override { SDL_SetClipboardText(s.c_str()); }

  std::vector<TDisplay> displays() override {
    std::vector<TDisplay> out;
    const int n = SDL_GetNumVideoDisplays();
    for (int i = 0; i < n; ++i) {
      TDisplay d;
      const char* name = SDL_GetDisplayName(i);
      d.name = name ? name : "";
      SDL_Rect r;
      if (SDL_GetDisplayBounds(i, &r) == 0) d.box = Bounds(r.x, r.y, r.w, r.h);
      d.workArea = SDL_GetDisplayUsableBounds(i, &r) == 0 ? Bounds(r.x, r.y, r.w, r.h) : d.box;
      SDL_DisplayMode m;
      if (SDL_GetCurrentDisplayMode(i, &m) == 0) {
        d.modeWidth = m.w;
        d.modeHeight = m.h;
      }
      d.primary = i == 0;
      out.push_back(d);
    }
    // The programs ask for the displays many times while they start: one connection serves them.
    if (!fx) fx = XOpenDisplay(nullptr);
    x11::addMillimetres(out, fx);
    return out;
  }

  int logicalDpi() override { return x11::xftDpi(); }

  unsigned long nativeId(HWND h) override {
    void* display = nullptr;
    unsigned long window = 0;
    return x11Of(made(h), display, window) ? window : 0;
  }

  std::unique_ptr<TthreadView> createThreadView(HWND form) override { return x11::makeThreadView(nativeId(form)); }

  void wake() override {
    SDL_Event e{};
    e.type = fwake;
    SDL_PushEvent(&e);
  }

 private:
  // A window made only when needed: its description, icon and owner until then.
  struct Tpending {
    TWindowDesc desc;
    std::vector<uint32_t> icon;
    int iconW = 0, iconH = 0;
    HWND modalOwner = 0;
  };

  // The native window, made now when it is still pending; nullptr when it cannot be made.
  SDL_Window* made(HWND h) {
    auto p = fpending.find(h);
    if (p == fpending.end()) return win(h);
    const Tpending pending = std::move(p->second);
    fpending.erase(p);
    const TWindowDesc& d = pending.desc;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!(d.style & WS_BORDER)) flags |= SDL_WINDOW_BORDERLESS;
    if (d.style & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if (d.style & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR;
    // Override-redirect: no manager frames it, moves it or gives it the focus.
    if (d.style & WS_EX_NOACTIVATE) flags |= SDL_WINDOW_POPUP_MENU;
    // With the program's identity set, the task-bar window bears its name and every window its class.
    const bool taskBarWindow = !(d.style & WS_EX_TOOLWINDOW);
    const std::string& title = taskBarWindow && !x11::programName().empty() ? x11::programName() : d.title;
    const std::string& cls = x11::programClass().empty() ? d.className : x11::programClass();
    SDL_Window* w = SDL_CreateWindow(title.c_str(), d.bounds.Left, d.bounds.Top, std::max(d.bounds.width(), 1),
                                     std::max(d.bounds.height(), 1), flags);
    if (!w) return nullptr;
    void* display = nullptr;
    unsigned long xw = 0;
    if (x11Of(w, display, xw)) {
      if (!cls.empty()) x11::setWindowClass(display, xw, cls);
      if (taskBarWindow) x11::clearTransient(display, xw);
    }
    fwindows[h] = w;
    if (taskBarWindow) ftaskBar.insert(h);
    if (!pending.icon.empty()) setWindowIcon(h, pending.icon, pending.iconW, pending.iconH);
    if (pending.modalOwner != 0) setModalFor(h, pending.modalOwner);
    return w;
  }

  SDL_Window* win(HWND h) {
    auto it = fwindows.find(h);
    return it == fwindows.end() ? nullptr : it->second;
  }
  // The window's band presenter, made on its first present; nullptr where its visual needs SDL's
  // window image (SDL then keeps a window-sized copy of the buffer in the server's format).
  x11::TbandPresenter* presenter(HWND h, SDL_Window* w) {
    auto it = fpresenters.find(h);
    if (it == fpresenters.end()) {
      void* display = nullptr;
      unsigned long xw = 0;
      auto p = std::make_unique<x11::TbandPresenter>();
      if (!x11Of(w, display, xw) || !p->open(display, xw)) p.reset();
      it = fpresenters.emplace(h, std::move(p)).first;
    }
    return it->second.get();
  }
  // The X display and window of an SDL window; false when it has none.
  static bool x11Of(SDL_Window* w, void*& display, unsigned long& window) {
    if (!w) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    window = info.info.x11.window;
    return true;
  }
  HWND hwndOf(Uint32 windowID) {
    SDL_Window* w = SDL_GetWindowFromID(windowID);
    for (auto& [h, x] : fwindows)
      if (x == w) return h;
    return 0;
  }

  void translate(SDL_Event const& ev, std::vector<TInputEvent>& out) {
    TInputEvent e;
    switch (ev.type) {
      case SDL_MOUSEMOTION:
        e.kind = TInputEvent::MouseMove;
        e.form = hwndOf(ev.motion.windowID);
        e.pos = {ev.motion.x, ev.motion.y};
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? TInputEvent::ButtonDown : TInputEvent::ButtonUp;
        e.form = hwndOf(ev.button.windowID);
        e.pos = {ev.button.x, ev.button.y};
        e.button = ev.button.button == SDL_BUTTON_RIGHT ? 2 : ev.button.button == SDL_BUTTON_MIDDLE ? 3 : 1;
        e.clicks = ev.button.clicks;
        if (ev.button.button > SDL_BUTTON_RIGHT) return;  // extra buttons are not routed
        break;
      case SDL_MOUSEWHEEL: {
        e.kind = TInputEvent::Wheel;
        e.form = hwndOf(ev.wheel.windowID);
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        e.pos = {x, y};
        const int dy = ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y;
        if (dy == 0) return;
        e.wheel = dy * WHEEL_DELTA;
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        e.kind = ev.type == SDL_KEYDOWN ? TInputEvent::KeyDown : TInputEvent::KeyUp;
        e.form = hwndOf(ev.key.windowID);
        e.key = vkOf(ev.key.keysym.sym);
        if (e.key == 0) return;
        break;
      case SDL_TEXTINPUT:
        e.kind = TInputEvent::Text;
        e.form = hwndOf(ev.text.windowID);
        e.text = ev.text.text;
        break;
      case SDL_WINDOWEVENT:
        e.form = hwndOf(ev.window.windowID);
        switch (ev.window.event) {
          case SDL_WINDOWEVENT_CLOSE: e.kind = TInputEvent::Close; break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            e.kind = TInputEvent::Resized;
            e.size = {ev.window.data1, ev.window.data2};
            break;
          case SDL_WINDOWEVENT_EXPOSED: e.kind = TInputEvent::Exposed; break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = TInputEvent::Activated; break;
          case SDL_WINDOWEVENT_FOCUS_LOST: e.kind = TInputEvent::Deactivated; break;
          case SDL_WINDOWEVENT_MOVED: {
            e.kind = TInputEvent::Moved;
            e.at = {ev.window.data1, ev.window.data2};
            // SDL may count a manager's frame twice when the window was just put into it: the
            // server's answer is the place.
            void* display = nullptr;
            unsigned long xw = 0;
            int x = 0, y = 0;
            if (x11Of(SDL_GetWindowFromID(ev.window.windowID), display, xw) && x11::screenPosition(display, xw, x, y))
              e.at = {x, y};
            break;
          }
          case SDL_WINDOWEVENT_LEAVE: {
            // The pointer's true place, outside: the desktop then knows the pointer has gone.
            int gx = 0, gy = 0, wx = 0, wy = 0;
            SDL_GetGlobalMouseState(&gx, &gy);
            if (SDL_Window* w = SDL_GetWindowFromID(ev.window.windowID)) SDL_GetWindowPosition(w, &wx, &wy);
            e.kind = TInputEvent::MouseMove;
            e.pos = {gx - wx, gy - wy};
            break;
          }
          default: return;
        }
        break;
      case SDL_DISPLAYEVENT:
        // Every window hears of it, as every top-level window does of a display change.
        e.kind = TInputEvent::DisplayChanged;
        for (auto const& [h, w] : fwindows) {
          e.form = h;
          out.push_back(e);
        }
        for (auto const& [h, p] : fpending) {
          e.form = h;
          out.push_back(e);
        }
        return;
      case SDL_QUIT:
        // Only a terminate or interrupt signal sends it here (closing the last window does
        // not): the program ends its loop and shuts down as on a close.
        e.kind = TInputEvent::Quit;
        out.push_back(e);
        return;
      default:
        return;  // each window's close comes as its own event
    }
    if (e.form != 0) out.push_back(e);
  }

  std::map<HWND, SDL_Window*> fwindows;
  std::map<HWND, std::unique_ptr<x11::TbandPresenter>> fpresenters;  // null: SDL's window image
  std::map<HWND, Tpending> fpending;  // made hidden, not yet shown: no native window yet
  std::vector<HWND> fnoActivate;      // windows that never take the keyboard focus
  std::map<Cursor, SDL_Cursor*> fcursors;
  Uint32 fwake = 0;
  SDL_Window* fconfined = nullptr;  // the window the pointer is kept in
  Display* fx = nullptr;  // our own connection for child windows inside hosts and display queries
  std::set<HWND> ftaskBar;  // windows of our own on the task bar (not tool windows or children)
  StartWindow fstart = StartWindow::Normal;  // how the first of them is shown, until it is
};

}  // namespace

std::unique_ptr<TBackend> makeSdlBackend() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return nullptr;
  auto b = std::make_unique<TSdlBackend>();
  if (!b->open()) return nullptr;
  return b;
}

}  // namespace platform
