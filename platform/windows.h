// Windows and the message loop: one real window per top-level form (through a backend), child
// windows as a virtual tree inside it, one message queue with posted and sent messages, timers on
// a deadline queue, the application's message hook and nested modal loops.
// Queue order as the platform has it: posted messages, then input, then quit, then paint, then
// timers. Late timer ticks merge: a timer owes at most one WM_TIMER however late the loop is.
// Implemented: [x] window tree (bounds, z-order, visibility, enabled with the parent's, hit
//              testing, invalidation, clipping of children, capture, focus, cursors)
//              [x] posted/sent/registered messages, hook before dispatch [x] timers, callback
//              timers, interval 0 on the next turn [x] modal loop [x] key states
//              [x] headless backend with injected input and an injectable clock
//              [x] typed text as WM_CHAR per code point [x] pointer confinement
//              [x] double clicks [x] moving a child window to another parent
//              [x] WM_ACTIVATEAPP when the program as a whole gains or loses the desktop
//              [ ] keyboard layouts beyond the keys the system reads
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi.h"
#include "platform/messages.h"
#include "platform/surface.h"

namespace platform {

// Window styles the system asks for.
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;     // kept in the style word: always on top
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;  // kept off the task bar
constexpr uint32_t CS_DBLCLKS = 0x00000100;        // kept in the style word: hears double clicks
// Kept in the style word: a window that never takes the desktop's keyboard focus and that no
// window manager frames or moves (the hint, a drop-down list, the badge).
constexpr uint32_t WS_EX_NOACTIVATE = 0x00000040;

// Hidden hides the pointer while it is over the window (a full-screen clock shows no arrow).
enum class Cursor { Default, Arrow, Hand, SizeAll, SizeNS, SizeWE, SizeNWSE, SizeNESW, IBeam, Wait, Cross, Hidden, No };

// The program's own cursors are numbered above the platform's: customCursor(n) is the n-th.
[[nodiscard]] constexpr Cursor customCursor(int n) { return static_cast<Cursor>(0x100 + n); }
[[nodiscard]] constexpr bool isCustomCursor(Cursor c) { return static_cast<int>(c) >= 0x100; }

// A cursor picture: width × height pixels 0xAARRGGBB row by row; hot is the pixel that points.
struct TcursorImage {
  int width = 0;
  int height = 0;
  TPoint hot;
  std::vector<uint32_t> argb;
};
// Reads a cursor picture from a PNG file; its key colour, pure magenta, is transparent (the
// image files carry no alpha). False, with the reason, for a missing or damaged file.
bool cursorFromPng(std::string const& filename, TPoint hot, TcursorImage& out, std::string& error);

// What a window does with its messages; the control behind a handle implements it.
class TWindowProc {
 public:
  virtual ~TWindowProc() = default;
  virtual LRESULT windowProc(TMsg&) = 0;
  // Paints the client area: the context's origin is the client's top left, its clip the dirty
  // part not covered by visible child windows.
  virtual void paintWindow(TDeviceContext&) {}
};

struct TWindowDesc {
  HWND parent = 0;  // 0: a top-level window
  TRect bounds;     // screen pixels for a top-level window, parent client pixels for a child
  uint32_t style = 0;
  std::string className;
  std::string title;
  TWindowProc* proc = nullptr;  // borrowed; the control outlives its window
  // A top-level window made inside another program's native window (the saver's preview):
  // bounds are then in the host's client pixels. 0: an ordinary window.
  unsigned long host = 0;
};

// Input as a backend reports it, in client pixels of a top-level window.
struct TInputEvent {
  enum Kind {
    MouseMove, ButtonDown, ButtonUp, Wheel, KeyDown, KeyUp, Close, Resized, Moved, Exposed, Quit,
    Activated, Deactivated,  // the window gained or lost the keyboard focus of the desktop
    DisplayChanged,          // a display was added, removed or changed its mode
    Text                     // typed characters (UTF-8 in text), after the key that made them
  };
  Kind kind = MouseMove;
  HWND form = 0;
  TPoint pos;
  int button = 1;  // 1 left, 2 right, 3 middle
  int clicks = 1;  // ButtonDown: 2 for the second press of a double click
  int key = 0;     // virtual-key code
  int wheel = 0;   // WHEEL_DELTA per notch, positive forward
  TSize size;      // Resized: the new client size
  TPoint at;       // Moved: the new screen position (a window manager moved the window)
  std::string text;  // Text: what was typed, UTF-8
};

// One display of the desktop as the platform reports it.
struct TDisplay {
  std::string name;
  TRect box;       // desktop pixels
  TRect workArea;  // the box less panels
  int modeWidth = 0, modeHeight = 0;  // pixels of the display's current mode
  int mmWidth = 0, mmHeight = 0;      // physical size; 0 when the display does not report it
  bool primary = false;
};

class TthreadView;

// The native side: real windows (SDL) or memory (headless).
class TBackend {
 public:
  virtual ~TBackend() = default;
  // Milliseconds on a monotonic clock.
  [[nodiscard]] virtual uint32_t ticks() = 0;
  // Waits at most ms for input (0: only what is pending) and appends what arrived.
  virtual void wait(uint32_t ms, std::vector<TInputEvent>& out) = 0;
  virtual bool createWindow(HWND, TWindowDesc const&) = 0;
  virtual void destroyWindow(HWND) = 0;
  virtual void setWindowBounds(HWND, TRect const& screen) = 0;
  virtual void showWindow(HWND, bool) = 0;
  // Shows the dirty rectangles of a form's back buffer (24-bit, bottom-up).
  virtual void present(HWND, TSurface const&, std::span<TRect const> dirty) = 0;
  virtual void setCursor(Cursor) = 0;
  // Makes a program cursor from its picture (replacing an earlier one of that number).
  virtual void defineCursor(Cursor, TcursorImage const&) {}
  [[nodiscard]] virtual std::string clipboardText() = 0;
  virtual void setClipboardText(std::string const&) = 0;
  [[nodiscard]] virtual std::vector<TDisplay> displays() = 0;
  // Logical DPI of the desktop (Xft.dpi), 96 when none is set.
  [[nodiscard]] virtual int logicalDpi() = 0;
  // The native window id (an X11 window) of a form, 0 when there is none.
  [[nodiscard]] virtual unsigned long nativeId(HWND) { return 0; }
  // A view over a form's client area that a second thread draws into (see TthreadView); nullptr
  // where the backend has none.
  [[nodiscard]] virtual std::unique_ptr<TthreadView> createThreadView(HWND /*form*/) { return nullptr; }
  // Ends a wait early: another thread posted a message.
  virtual void wake() {}
  // The picture the desktop shows for a top-level window: w × h pixels 0xAARRGGBB, row by row.
  virtual void setWindowIcon(HWND, std::vector<uint32_t> const& /*argb*/, int /*w*/, int /*h*/) {}
  // Moves the mouse pointer to a screen point.
  virtual void warpCursor(TPoint) {}
  // Minimises a top-level window (nothing where there is no such state), and whether it is.
  virtual void minimizeWindow(HWND) {}
  // Keeps the pointer inside a client rectangle of a top-level window while a drag lasts;
  // nullptr frees it.
  virtual void confinePointer(HWND, TRect const*) {}
  [[nodiscard]] virtual bool isMinimized(HWND) { return false; }
  // Minimised or hidden by the desktop (a window manager unmaps what it iconifies): nothing of
  // the window is seen.
  [[nodiscard]] virtual bool isOutOfSight(HWND h) { return isMinimized(h); }
  // Keeps a modal window above its owner and the owner's input away while it is shown.
  virtual void setModalFor(HWND /*modal*/, HWND /*owner*/) {}
  // A window that holds the desktop's keyboard focus is about to be hidden or destroyed: the
  // focus goes to another window of ours (without a window manager it would go nowhere).
  virtual void passFocus(HWND /*from*/, HWND /*to*/) {}
};

// The backend for tests: nothing is shown; presents are copied into per-window screens, input is
// injected, and the clock moves only when a wait has nothing to deliver (to the next scripted
// event, or by the wait's time-out), so timer tests run instantly and exactly.
class THeadlessBackend : public TBackend {
 public:
  THeadlessBackend();
  ~THeadlessBackend() override;

  void inject(TInputEvent const&);              // delivered at the next wait
  void injectAt(uint32_t tick, TInputEvent const&);  // delivered once the clock reaches tick
  void advance(uint32_t ms) { fnow += ms; }
  void setDisplays(std::vector<TDisplay> d) { fdisplays = std::move(d); }
  void setLogicalDpi(int dpi) { fdpi = dpi; }
  // Thread views record what they are given instead of showing it (THeadlessThreadView).
  std::unique_ptr<TthreadView> createThreadView(HWND form) override;
  // The pixels last presented for a form (only dirty parts are ever copied).
  [[nodiscard]] TSurface const* screen(HWND) const;
  [[nodiscard]] int presentCount() const { return fpresents; }
  [[nodiscard]] Cursor cursor() const { return fcursor; }
  // The picture a program cursor was made from, or nullptr.
  [[nodiscard]] TcursorImage const* definedCursor(Cursor c) const {
    auto it = fdefined.find(c);
    return it == fdefined.end() ? nullptr : &it->second;
  }
  // Fake time a wait may idle with nothing scripted before it answers with a quit, so that a
  // test that forgets to end a loop fails instead of hanging.
  uint32_t idleLimitMs = 3600u * 1000u;

  uint32_t ticks() override { return fnow; }
  void wait(uint32_t ms, std::vector<TInputEvent>& out) override;
  bool createWindow(HWND, TWindowDesc const&) override;
  void destroyWindow(HWND) override;
  void setWindowBounds(HWND, TRect const&) override {}
  void showWindow(HWND h, bool) override { std::erase(fminimized, h); }
  void passFocus(HWND from, HWND to) override { fpassed.emplace_back(from, to); }
  // Every passFocus so far, oldest first.
  [[nodiscard]] std::vector<std::pair<HWND, HWND>> const& passedFocus() const { return fpassed; }
  void minimizeWindow(HWND h) override { fminimized.push_back(h); }
  bool isMinimized(HWND h) override { return std::find(fminimized.begin(), fminimized.end(), h) != fminimized.end(); }
  void warpCursor(TPoint p) override { fwarped = p; }
  void confinePointer(HWND h, TRect const* r) override { fconfined = r ? std::make_pair(h, *r) : std::make_pair(HWND(0), TRect{}); }
  // The window and client rectangle the pointer is kept in (0 when free).
  [[nodiscard]] std::pair<HWND, TRect> confined() const { return fconfined; }
  [[nodiscard]] TPoint warped() const { return fwarped; }
  // What the user's restore from the task bar does.
  void restoreWindow(HWND h) { std::erase(fminimized, h); }
  void present(HWND, TSurface const&, std::span<TRect const>) override;
  void setCursor(Cursor c) override { fcursor = c; }
  void defineCursor(Cursor c, TcursorImage const& im) override { fdefined[c] = im; }
  std::string clipboardText() override { return fclip; }
  void setClipboardText(std::string const& s) override { fclip = s; }
  std::vector<TDisplay> displays() override { return fdisplays; }
  int logicalDpi() override { return fdpi; }

 private:
  struct Scripted {
    uint32_t tick;
    TInputEvent ev;
  };
  struct Screen;
  uint32_t fnow = 1000;
  uint32_t fidle = 0;
  std::vector<Scripted> fscript;  // in order of tick, stable
  std::vector<std::unique_ptr<Screen>> fscreens;
  std::vector<TDisplay> fdisplays;
  int fdpi = 96;
  int fpresents = 0;
  Cursor fcursor = Cursor::Default;
  std::map<Cursor, TcursorImage> fdefined;
  std::string fclip;
  std::vector<HWND> fminimized;
  TPoint fwarped{-1, -1};
  std::pair<HWND, TRect> fconfined{0, TRect{}};
  std::vector<std::pair<HWND, HWND>> fpassed;
};

// A window of its own over part of a form, for the one worker thread: the busy window's painter
// shows its frames there while the interface thread is busy and paints nothing. Placement and
// visibility come from the interface thread, pictures from the worker; every call is safe
// against the others. Bounds are in the form's client pixels.
class TthreadView {
 public:
  virtual ~TthreadView() = default;
  virtual void setBounds(TRect const&) = 0;
  virtual void show(bool) = 0;
  // A 24-bit picture from the view's top left; what lies outside the view is cut.
  virtual void present(TSurface const&) = 0;
};

// The headless backend's view: it keeps the bounds, the visibility and the last picture.
class THeadlessThreadView : public TthreadView {
 public:
  explicit THeadlessThreadView(HWND form) : fform(form) {}
  void setBounds(TRect const&) override;
  void show(bool) override;
  void present(TSurface const&) override;
  [[nodiscard]] HWND form() const { return fform; }
  [[nodiscard]] TRect bounds() const;
  [[nodiscard]] bool shown() const;
  // Pictures presented so far, and a copy of the last (empty before the first).
  [[nodiscard]] int frames() const;
  void lastFrame(TSurface& out) const;
  // Whether a picture was presented while the view was hidden (the painter must not draw then).
  [[nodiscard]] bool presentedHidden() const;

 private:
  HWND fform;
  mutable std::mutex fmu;
  TRect fbounds;
  bool fshown = false, fhiddenPresent = false;
  int fframes = 0;
  TSurface flast;
};

// Real windows through SDL (video driver x11); nullptr when no display can be opened.
std::unique_ptr<TBackend> makeSdlBackend();

// The window system of the process: windows, queue, timers, hook, modal loops.
class TDesktop {
 public:
  explicit TDesktop(std::unique_ptr<TBackend>);
  ~TDesktop();
  TDesktop(TDesktop const&) = delete;
  TDesktop& operator=(TDesktop const&) = delete;

  [[nodiscard]] TBackend& backend() { return *fbackend; }
  [[nodiscard]] uint32_t now() { return fbackend->ticks(); }

  // ---- windows
  HWND createWindow(TWindowDesc const&);
  void destroyWindow(HWND);  // children first get WM_DESTROY after their parent, as the platform does
  [[nodiscard]] bool isWindow(HWND) const;
  [[nodiscard]] HWND parent(HWND) const;
  [[nodiscard]] HWND topLevel(HWND) const;
  [[nodiscard]] TWindowProc* proc(HWND) const;
  [[nodiscard]] std::string className(HWND) const;
  [[nodiscard]] std::vector<HWND> children(HWND) const;  // bottom of the z-order first
  [[nodiscard]] std::vector<HWND> topLevelWindows() const;
  [[nodiscard]] uint32_t style(HWND) const;

  // Bounds in the parent's client pixels (screen pixels for a top-level window); a new size
  // sends WM_SIZE.
  void setBounds(HWND, TRect const&);
  // Moves a child window with its children into another window (not into itself or one of its
  // own); it keeps its bounds, now in the new parent's client pixels. False when it cannot.
  bool setParent(HWND child, HWND newParent);
  [[nodiscard]] TRect bounds(HWND) const;
  [[nodiscard]] TRect clientRect(HWND) const;
  [[nodiscard]] TRect screenRect(HWND) const;
  [[nodiscard]] TPoint clientToScreen(HWND, TPoint) const;
  [[nodiscard]] TPoint screenToClient(HWND, TPoint) const;

  void show(HWND, bool);
  [[nodiscard]] bool isVisible(HWND) const;  // its own and every ancestor's visibility
  void enable(HWND, bool);
  [[nodiscard]] bool isEnabled(HWND) const;  // enabled, and so is every ancestor
  void bringToFront(HWND);
  void sendToBack(HWND);

  // The deepest visible window at a client point of a window (the window itself when no child is
  // there, 0 outside); at a screen point across all top-level windows.
  [[nodiscard]] HWND childFromPoint(HWND, TPoint client) const;
  [[nodiscard]] HWND windowFromPoint(TPoint screen) const;

  // ---- painting
  void invalidate(HWND, TRect const* client = nullptr);
  void update(HWND);  // paints the window's form now when it has dirty parts
  [[nodiscard]] TSurface* backBuffer(HWND form);

  // ---- input state
  HWND setCapture(HWND);  // returns the previous capture
  void releaseCapture();
  [[nodiscard]] HWND capture() const { return fcapture; }
  // Returns the previous focus. The window that had the focus when it first moved into another
  // top-level window gets it back when that window is hidden or destroyed with the focus inside.
  HWND setFocus(HWND);
  [[nodiscard]] HWND focus() const { return ffocus; }
  void setCursor(HWND, Cursor);
  // Keeps the pointer inside a window's client area (screen rectangle r, clipped to its form)
  // until freed with nullptr; also freed when the window goes.
  void clipCursor(HWND, TRect const* screen);
  // Program cursors of this desktop: made in the backend once, before a window shows them.
  void defineCursor(Cursor, TcursorImage const&);
  [[nodiscard]] bool cursorDefined(Cursor c) const {
    return std::find(fdefinedCursors.begin(), fdefinedCursors.end(), c) != fdefinedCursors.end();
  }
  [[nodiscard]] TPoint cursorPos() const { return fcursorPos; }
  // High bit: held now; low bit: pressed since the previous asking (the bit is then cleared).
  [[nodiscard]] uint16_t asyncKeyState(int vk);
  [[nodiscard]] bool keyDown(int vk) const;
  // Whether one of the program's windows holds the desktop's keyboard focus. Losing it is told
  // to every top-level window as WM_ACTIVATEAPP 0 after a short grace (focus moving between two
  // of our own windows is no deactivation), gaining it again as WM_ACTIVATEAPP 1.
  [[nodiscard]] bool appActive() const { return fappActive; }

  // ---- messages
  // Safe from any thread (the busy window's painter posts); only the UI thread checks the window.
  bool postMessage(HWND, uint32_t msg, WPARAM = 0, LPARAM = 0);
  LRESULT sendMessage(HWND, uint32_t msg, WPARAM = 0, LPARAM = 0);
  void postQuitMessage(int code = 0);
  [[nodiscard]] bool quitPosted() const { return fquit; }
  // The next message by the queue's order; with remove false it stays queued. A pending quit is
  // answered as WM_QUIT (and cleared when removed). Input waiting in the backend is taken first.
  bool peekMessage(TMsg&, bool remove = true, HWND filter = 0, uint32_t minMsg = 0, uint32_t maxMsg = 0);
  // Waits (without spinning) until a message is there; false after WM_QUIT.
  bool getMessage(TMsg&);
  // Waits at most ms for a message to be there; true when one is.
  bool waitMessage(uint32_t ms);
  LRESULT dispatchMessage(TMsg const&);
  // The window the last dispatched message went to (error reports name it); 0 before any.
  [[nodiscard]] HWND lastTarget() const { return flastTarget; }
  // The hook runs before dispatch; handled = true keeps the message from its window.
  std::function<void(TMsg&, bool& handled)> hook;
  // One message through hook and dispatch; false when none was there (nothing waited for).
  // WM_QUIT is not dispatched: it sets terminated().
  bool processOne();
  [[nodiscard]] bool terminated() const { return fterminated; }
  void clearTerminated() { fterminated = false; }
  // Waits for input or the next timer, at most ms (never spins: a due timer ends the wait).
  void idle(uint32_t ms = 500);
  // Waits for input alone, at most ms; what comes is queued, nothing is dispatched.
  void waitInput(uint32_t ms) { pump(ms); }
  void processMessages();  // everything queued now, no waiting
  // Runs until done() answers true, quit is posted or the form goes; input to every other
  // top-level window is dropped meanwhile, painting and timers go on. The keyboard focus moves
  // into the form (onto the form itself when none of its windows has it).
  void runModal(HWND form, std::function<bool()> const& done);
  [[nodiscard]] HWND modalForm() const { return fmodal.empty() ? 0 : fmodal.back(); }
  // Whether input may reach the window now: false while a modal form opened after its form runs.
  [[nodiscard]] bool acceptsInput(HWND) const;
  // Removes queued messages that may be dropped: never input that ends a gesture (a button-up,
  // a key), a paint, a timer or a quit. Answers whether one was removed.
  bool removeOneDroppable();

  // ---- timers: a window's timer posts WM_TIMER with its id; a callback timer runs its callback.
  uintptr_t setTimer(HWND, uintptr_t id, uint32_t ms);
  uintptr_t setTimer(uint32_t ms, std::function<void()>);
  bool killTimer(HWND, uintptr_t id);
  [[nodiscard]] bool hasTimer(HWND, uintptr_t id) const;
  // Milliseconds until the earliest timer is due (0 when one is), or -1 with no timers.
  [[nodiscard]] int64_t nextTimerIn();

 private:
  struct Node;
  struct Timer;
  Node* node(HWND);
  Node const* node(HWND) const;
  TPoint originInForm(HWND) const;
  void pump(uint32_t waitMs);
  void route(TInputEvent const&);
  void paintForm(HWND form);
  void paintNode(HWND, TRegion const& dirtyInForm, TRect const& visibleInForm, TPoint origin);
  bool takeTimer(TMsg&, bool remove);
  void destroyNode(HWND);
  void activation(HWND form, bool gained);
  [[nodiscard]] bool within(HWND w, HWND h) const;  // w is h or lies inside it
  // A form is going: the desktop's keyboard focus passes to another form, and the window the
  // focus should return to (0 for none, or when the form did not have it) is answered.
  HWND focusBack(HWND form, bool hadFocus);
  void broadcastActivateApp(bool active);

  std::unique_ptr<TBackend> fbackend;
  uint32_t fbase = 0;
  std::vector<std::unique_ptr<Node>> fnodes;  // indexed by handle − fbase − 1; null when destroyed
  std::vector<HWND> ftop;                     // top-level windows, bottom first
  std::vector<TMsg> fposted, finput;
  std::vector<std::unique_ptr<Timer>> ftimers;
  std::vector<HWND> fmodal;
  uintptr_t fnextTimerId = 0x10000;
  HWND fcapture = 0, ffocus = 0, fhover = 0, flastTarget = 0;
  HWND factiveForm = 0;          // the form the desktop's keyboard focus is in, 0 for none of ours
  bool fappActive = false;
  uintptr_t fdeactivateTimer = 0;  // the grace before WM_ACTIVATEAPP 0
  std::vector<Cursor> fdefinedCursors;
  TPoint fcursorPos;
  bool fquit = false;
  bool fterminated = false;
  int fquitCode = 0;
  std::mutex fpostLock;  // postMessage may come from the busy window's painter thread
  std::thread::id fuiThread = std::this_thread::get_id();
  uint8_t fkeys[256] = {};
};

// The desktop of the process, made on first use: SDL when a display opens, else headless.
TDesktop& desktop();
// Replaces the desktop (every window of the old one is gone); tests pass a headless backend.
TDesktop& resetDesktop(std::unique_ptr<TBackend>);
// The headless backend of the desktop, or nullptr when it runs on real windows.
THeadlessBackend* headless();
[[nodiscard]] bool hasDesktop();

}  // namespace platform
