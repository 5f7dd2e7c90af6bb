// The wall clock and screen saver: the day/night map full screen on the chosen monitor, refreshed
// once a minute, closed by a click, by a close request from another program (found by the
// window class "qysaver"), by command 199 and, run as a screen saver, by a sudden mouse move.
// A preview shows "preview.bmp" inside the host window whose id the command line gives.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/surface.h"
#include "platform/windows.h"

class TsunLite;
class TliteDB;

inline constexpr char kSaverClass[] = "qysaver";
inline constexpr char kSaverExeName[] = "Kestrova_Saver";
// WM_COMMAND's command that closes the window.
inline constexpr uintptr_t kSaverCloseCommand = 199;
inline constexpr uint32_t kSaverWmCommand = 0x0111;
// How long a preview waits for its host window to be shown.
inline constexpr uint32_t kPreviewHostWaitMs = 5000;
// The window's one timer; it ticks this long after each turn of the clock's second.
inline constexpr uintptr_t kSaverTimerId = 1;
inline constexpr uint32_t kSaverTickLateMs = 5;
// The longest the loop sleeps with nothing due (the timer is always due sooner).
inline constexpr uint32_t kSaverLongestSleepMs = 60000;
// Allocations from this size on are mapped from the system, never carved from the heap.
inline constexpr int kSaverMapThreshold = 256 * 1024;

enum class SaverMode { Window, Preview };

struct TsaverArgs {
  SaverMode mode = SaverMode::Window;
  bool quitOnMove = false;
  std::string host;  // the preview's host window id as given
};

// Reads the command line: the program's path and its arguments after it.
[[nodiscard]] TsaverArgs parseSaverArgs(const std::string& exePath, const std::vector<std::string>& args);
// A preview host id: decimal digits only, not 0, within range; false otherwise.
[[nodiscard]] bool parseHostId(const std::string& text, unsigned long& id);
// A mouse move to (x, y) with the last position in mouseTp: true when it jumps more than 10 pixels
// along either axis; otherwise the position is kept as the new reference (the first move of all
// only records it).
[[nodiscard]] bool mouseJumpCloses(platform::TPoint& mouseTp, int x, int y);

struct TsaverSettings {
  std::string baseDir;  // empty: the program's folder
  std::string monitor;  // the stored monitor name; empty: the first monitor
};
// The base directory from "locations.ini"; the monitor the settings page chose for the wall clock
// and screen saver ("paths.ini", group "kestrova"), else the one "locations.ini" names.
[[nodiscard]] TsaverSettings readSaverSettings(const std::string& locationsIni);
inline constexpr char kSaverPathsGroup[] = "kestrova";

// The words database of the base directory for the map's labels, opened read only; its Latin flag
// for the labels' language. nullptr when the file is missing.
std::unique_ptr<TliteDB> attachWords(TsunLite& renderer, const std::string& baseDir);

// Milliseconds from now until just after the clock's next whole second.
[[nodiscard]] uint32_t msToNextSecond();

// The window's messages and painting.
class TsaverWindow : public platform::TWindowProc {
 public:
  platform::LRESULT windowProc(platform::TMsg&) override;
  void paintWindow(platform::TDeviceContext&) override;

  platform::HWND handle = 0;
  bool quitOnMove = false;
  std::unique_ptr<TsunLite> renderer;
  std::unique_ptr<TliteDB> words;
  uintptr_t timer = 0;
};

// Makes the renderer (the words attached before its first map), the borderless window over `box`
// (screen pixels) and the window's timer, which ticks once a second just after the second turns;
// the map's width is the box's, its magnification `magnify`. The window is shown.
platform::HWND CreateSaverWindow(TsaverWindow& w, const platform::TRect& box, double magnify,
                                 const std::string& caption);

// The whole program; answers its exit status.
int RunSaver(const std::string& exePath, const std::vector<std::string>& args);
