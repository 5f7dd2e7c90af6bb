// The world clock program: opens the display, builds the main window and runs the message loop.
#include <cstdlib>
#include <iostream>

#include <malloc.h>

#include "clock/Kestrova8main.h"
#include "core/TQYini.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/controls.h"
#include "platform/scaling.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_recent2.h"
#include "ui/r_wait2.h"

// Under the leak checker: the system's font configuration and message bus keep a few blocks for
// the whole process, which are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

namespace {
// The display went (its server ended): the log says so, and edits not yet written (a renamed
// place on the Settings page) reach the locations file. File work only: the display is gone.
void displayLost() {
  ::log("display connection lost");
  if (Kestrova8Win) Kestrova8Win->saveLocationsOnLostDisplay();
  if (logObject) logObject->save();
}

// Map-sized buffers (the map page's image, built for a paint and let go after it) come straight
// from the system and go back to it when freed; glibc's moving threshold would put the next one
// on the heap, whose freed middle is never returned.
constexpr int kMapThreshold = 1024 * 1024;
}  // namespace

int main() {
  mallopt(M_MMAP_THRESHOLD, kMapThreshold);
  platform::x11::setProgramIdentity("Kestrova 8", "Kestrova8");
  platform::x11::endOnLostDisplay(displayLost);
  auto backend = platform::makeSdlBackend();
  if (!backend) {
    const char* display = std::getenv("DISPLAY");
    std::cerr << "Kestrova 8 needs an X11 display, and ";
    if (display && *display) std::cerr << "the display \"" << display << "\" could not be opened.\n";
    else std::cerr << "no display is set (DISPLAY is empty).\n";
    std::cerr << "Run it from a desktop session, or start a virtual display first:\n"
                 "  Xvfb :1 -screen 0 1920x1080x24 &\n"
                 "  DISPLAY=:1 Kestrova8\n";
    return 2;
  }
  // The main window is drawn at 96 DPI; the desktop's scale enlarges it, as a desktop does for a
  // program that leaves scaling to it (the wall clock follows the DPI itself).
  platform::resetDesktop(platform::scaledBackend(std::move(backend), platform::scaleForDpi(platform::x11::desktopDpi())));
  initControlSet();
  createOs();
  {
    TKestrova8Win win;
    win.FormCreate();
    // A failure that escapes a handler is reported by the form and the loop goes on.
    while (!platform::desktop().terminated()) {
      try {
        platform::Application().HandleMessage();
      } catch (const std::exception& e) {
        win.MyExceptionHandler(nullptr, e);
      }
    }
    win.FormClose();
  }
  // The module shut-downs: the busy window's painter is joined, the picked files are written.
  waitShutDown();
  recentShutDown();
  freeSettings();
  freeOs();
  freeLog();
  return 0;
}
