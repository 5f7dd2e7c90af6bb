// What SDL does not give, from X11 directly: window classes, other programs' windows found by
// class and asked to close, display millimetres (XRandR) and the logical DPI (Xft.dpi).
// Implemented: [x] WM_CLASS [x] find by class, close by WM_DELETE_WINDOW [x] millimetres
//              [x] Xft.dpi [x] a child window inside a host window id
#pragma once
#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::x11 {
// display is the X11 Display* of the window.
void setWindowClass(void* display, unsigned long window, std::string const& cls);
// Fills mmWidth and mmHeight of the displays whose box matches an XRandR output's CRTC.
void addMillimetres(std::vector<TDisplay>&);
// Xft.dpi of the X resources, rounded; 96 when it is not set or there is no X display.
int xftDpi();
// A top-level window (searched through the whole window tree) whose WM_CLASS name or class is
// cls; 0 when none.
unsigned long findWindowByClass(std::string const& cls);
// Asks a window to close as a window manager would (WM_DELETE_WINDOW); false when it is gone.
bool closeWindow(unsigned long window);
// A mapped child window inside a host window, made on the given display connection; 0 when the
// host is gone.
unsigned long createChildWindow(void* display, unsigned long host, int x, int y, int width, int height);
// Errors about windows that vanished (a preview's host) are ignored for the rest of the run;
// other errors go to the handler that was there before.
void ignoreVanishedWindows();
}  // namespace platform::x11
