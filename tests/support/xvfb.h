// Our own X server for tests that need a display, and the screen read back with xwd.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testenv {

// Starts Xvfb on a free display number (Xvfb picks it and writes it to a pipe) with one screen
// of the given geometry ("1280x800x24") and the extra arguments; stops it when it goes.
class Xvfb {
 public:
  explicit Xvfb(const std::string& screen, const std::vector<std::string>& extraArgs = {});
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  // ":N", or empty when the server did not start.
  [[nodiscard]] const std::string& display() const { return display_; }
  // Ends the server abruptly, as a crash would (SIGKILL), and waits for it.
  void killAbruptly();

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// The root window as 0x00RRGGBB values; width 0 and a reason in error when it could not be read.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> px;
  std::string error;
  [[nodiscard]] uint32_t at(int x, int y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
};

// Dumps the display's root window with xwd into fileName below tempDir() and decodes it.
Shot grabScreen(const std::string& display, const std::string& fileName);

}  // namespace testenv
