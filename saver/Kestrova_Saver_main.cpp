// The wall clock and screen saver program.
#include <string>
#include <vector>

#include "core/r_log.h"
#include "platform/process.h"
#include "platform/x11.h"
#include "saver/RunSaver.h"

// Sanitizer builds: leaks inside system libraries that our code cannot free (fontconfig's scanned
// fonts, the error text SDL's D-Bus connection keeps when there is no session bus).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

namespace {
// The display went (its server ended): the log says so, and the process ends without a word to it.
void displayLost() {
  ::log("display connection lost");
  if (logObject) logObject->save();
}
}  // namespace

int main(int argc, char** argv) {
  platform::x11::endOnLostDisplay(displayLost);
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunSaver(platform::exePath(), args);
}
