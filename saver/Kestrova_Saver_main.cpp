// The wall clock and screen saver program.
#include <string>
#include <vector>

#include "platform/process.h"
#include "saver/RunSaver.h"

// Sanitizer builds: leaks inside system libraries that our code cannot free (fontconfig's scanned
// fonts, the error text SDL's D-Bus connection keeps when there is no session bus).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunSaver(platform::exePath(), args);
}
