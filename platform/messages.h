// Window messages as the system's code knows them: the platform's message numbers (so error
// reports can name the last message), the message record, packed parameters, virtual-key codes
// and registered message numbers.
// Implemented: [x] message numbers used by the system [x] registered messages (0xC000..0xFFFF)
//              [x] lParam packing [x] virtual-key codes [ ] messages of native child controls
#pragma once
#include <cstdint>
#include <string>

#include "platform/surface.h"

namespace platform {

using HWND = uint32_t;  // a window handle; 0 is no window
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_ENABLE = 0x000A;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;  // wParam 1: the program became active, 0: it lost the desktop
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_DISPLAYCHANGE = 0x007E;
constexpr uint32_t WM_NCACTIVATE = 0x0086;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MENUSELECT = 0x011F;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_VSCROLL = 0x0115;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_ENTERMENULOOP = 0x0211;
constexpr uint32_t WM_EXITMENULOOP = 0x0212;
constexpr uint32_t WM_SIZING = 0x0214;
constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
constexpr uint32_t WM_MOUSELEAVE = 0x02A3;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_APP = 0x8000;

// Scroll codes in the low word of WM_HSCROLL and WM_VSCROLL (the position in the high word).
constexpr int SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
              SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8;

// wParam of WM_SIZE.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Mouse-key flags in wParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;

// Virtual-key codes.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_F1 = 0x70;

// Bits of a key message's lParam (in the range the platform reserves) that hold the Shift and
// Ctrl keys as they were when the key came.
constexpr LPARAM KF_SHIFTHELD = 0x02000000;
constexpr LPARAM KF_CTRLHELD = 0x04000000;
// Alt held with the key: the platform's own context bit of a key message.
constexpr LPARAM KF_ALTHELD = 0x20000000;

// One message: the target window, its number and parameters, when it was queued (tick count)
// and where the pointer was then (screen pixels).
struct TMsg {
  HWND hwnd = 0;
  uint32_t message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint32_t time = 0;
  TPoint pt;
};

// Two signed 16-bit halves in one parameter, as mouse and size messages carry them.
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(lo)) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(static_cast<uint32_t>(l) & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>((static_cast<uint32_t>(l) >> 16) & 0xFFFF); }
constexpr int LOWORD(uintptr_t v) { return static_cast<int>(v & 0xFFFF); }
constexpr int HIWORD(uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFF); }
// The signed high word: a wheel's delta in wParam.
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<int16_t>((w >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(static_cast<uint32_t>(MAKELPARAM(lo, hi))); }

// The number of a named message, the same for the same name (compared without case) for the
// whole run, from 0xC000 up; 0 for an empty name or when the range is used up.
uint32_t RegisterWindowMessage(const std::string& name);

}  // namespace platform
