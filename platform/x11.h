// What SDL does not give, from X11 directly: window classes, other programs' windows found by
// class and asked to close, display millimetres (XRandR) and the logical DPI (Xft.dpi).
// Implemented: [x] WM_CLASS [x] find by class, close by WM_DELETE_WINDOW [x] millimetres
//              [x] Xft.dpi [x] a child window inside a host window id [x] reading a window's pixels
//              [x] the program's name and class [x] ending at once when the display is lost
//              [x] reading the screen [x] shaped windows
//              [x] a child window for a worker thread's frames [x] the keyboard focus
//              [x] a back buffer shown band by band in the server's pixel format
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::x11 {
// display is the X11 Display* of the window.
void setWindowClass(void* display, unsigned long window, std::string const& cls);
// The program's own name and class. Once set, every top-level window carries the class and the
// task-bar window the name as its title; unset (the wall clock), each window keeps its own class.
void setProgramIdentity(std::string const& name, std::string const& cls);
[[nodiscard]] std::string const& programName();
[[nodiscard]] std::string const& programClass();
// Makes a window stand on its own: without a window manager that offers Motif hints, SDL marks a
// borderless window transient for the root window, which a manager arriving later obeys.
void clearTransient(void* display, unsigned long window);
// The window that holds the keyboard focus: kNoFocus, kPointerRoot or a window.
inline constexpr unsigned long kNoFocus = 0, kPointerRoot = 1;
[[nodiscard]] unsigned long keyboardFocus(void* display);
// Gives the keyboard focus to a window (or kPointerRoot, kNoFocus); nothing for a window that is
// not viewable. When the window goes, the focus falls back to the root window.
void setKeyboardFocus(void* display, unsigned long window);
// Where a window's top left lies on the screen now, asked of the server (a window manager's
// frame around it included in the answer); false when the window is gone.
bool screenPosition(void* display, unsigned long window, int& x, int& y);

// Ends the process at once when a display connection is lost. `onLost` runs first (it may write
// files; it must not touch the display), then the process exits with status 1 without exit
// handlers or destructors: tearing windows down would wait on the dead connection for ever.
// Install before SDL starts, so that every connection of the process has it.
void endOnLostDisplay(void (*onLost)());

// Fills mmWidth and mmHeight of the displays whose box matches an XRandR output's CRTC, asking
// on the caller's connection (nullptr: one of its own, opened for the call).
void addMillimetres(std::vector<TDisplay>&, void* display = nullptr);
// Xft.dpi of the X resources, rounded; 96 when it is not set or there is no X display.
int xftDpi();
// The DPI the desktop draws at: Xft.dpi where the X resources set it, else the screen's physical
// DPI (its pixels over its millimetres); 96 without a display or a size.
[[nodiscard]] double desktopDpi();
// A top-level window (searched through the whole window tree) whose WM_CLASS name or class is
// cls; 0 when none.
unsigned long findWindowByClass(std::string const& cls);
// Asks a window to close as a window manager would (WM_DELETE_WINDOW); false when it is gone.
bool closeWindow(unsigned long window);
// A mapped child window inside a host window, made on the given display connection; 0 when the
// host is gone.
unsigned long createChildWindow(void* display, unsigned long host, int x, int y, int width, int height);
// Errors about windows that vanished (a preview's host, a window closing while a wake-up is sent
// to it) are ignored for the rest of the run; other errors go to the handler that was there
// before. Call it before SDL starts: SDL's own handler passes errors on to the one it found and
// puts that one back when it quits, before closing its connections.
void ignoreVanishedWindows();

// The window's pixels as they are on the screen now (children included), 24 bits; false when the
// window is gone or unmapped.
bool grabWindow(unsigned long window, TSurface& out);
// What the screen shows in a rectangle of the desktop now (every window's pixels), 24 bits; false
// when there is no display.
bool grabScreen(TRect const& screen, TSurface& out);
// Makes only the given rectangles (window pixels) of a top-level window its own: the rest shows
// what lies below and takes no input. Nothing without the shape extension.
void shapeWindow(unsigned long window, std::vector<TRect> const& parts);

// A window of our own inside another program's window (a preview host) that shows one picture.
// The host may vanish at any moment: X errors are caught, never fatal.
class TembeddedView {
 public:
  TembeddedView();
  ~TembeddedView();
  TembeddedView(TembeddedView const&) = delete;
  TembeddedView& operator=(TembeddedView const&) = delete;

  // Waits at most waitMs for the host to be mapped, then makes the child window over the host's
  // whole client area. False when there is no display, no such host, or it stays unmapped.
  bool open(unsigned long host, uint32_t waitMs);
  // The child's client size (the host's at opening).
  [[nodiscard]] TSize size() const;
  // Shows a picture (24 or 32 bits) from the child's top left; repainted on every exposure.
  void show(TSurface const& picture);
  // Serves the view's events for at most ms; false once the host is gone or unmapped.
  bool serve(uint32_t ms);
  [[nodiscard]] unsigned long id() const;

 private:
  struct State;
  std::unique_ptr<State> f;
};
// n pixels of a 24-bit row as 32-bit blue-green-red-x, the fourth byte opaque: four bytes read
// at once and widened in a plain loop. The last pixel is read alone: the row may end the buffer.
void widenBgrRow(const uint8_t* src, uint8_t* dst, int n);

// Shows rectangles of a form's 24-bit back buffer in its X window through one small band image
// in the server's own pixel format (32-bit blue-green-red-x), in shared memory where the server
// offers it: no window-sized image is kept on our side, and each band is widened with whole
// 32-bit stores. open fails for any other visual; the caller then shows the buffer another way.
class TbandPresenter {
 public:
  TbandPresenter();
  ~TbandPresenter();
  TbandPresenter(TbandPresenter const&) = delete;
  TbandPresenter& operator=(TbandPresenter const&) = delete;

  // The connection and window stay the caller's; they must outlive the presenter.
  bool open(void* display, unsigned long window);
  // The rectangles (clipped to the buffer) reach the window before this returns.
  void put(TSurface const& buffer, std::span<TRect const> rects);
  // Whether the bands go through shared memory.
  [[nodiscard]] bool shared() const;

 private:
  struct State;
  std::unique_ptr<State> f;
};

// A window of our own inside one of ours (a form's X window), on a display connection of its
// own, so that the busy window's painter may draw into it from its thread while SDL draws the
// form; every call locks. It starts hidden and shows nothing until the first picture. nullptr
// without a display or when the parent is gone.
std::unique_ptr<TthreadView> makeThreadView(unsigned long parent);
}  // namespace platform::x11
