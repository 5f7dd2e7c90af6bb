// For the interface tests on our own Xvfb: whether an outside tool is there, running one against
// the display, and waiting for a condition while the program's messages are served.
#pragma once
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <memory>
#include <thread>

#include "platform/windows.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

namespace testenv {

inline bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline int run(const std::string& display, const std::string& cmd) {
  return std::system(("DISPLAY=" + display + " " + cmd + " >/dev/null 2>&1").c_str());
}

inline bool pollUntil(int ms, const std::function<bool()>& ok) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(testenv::deadlineMs(ms));
  while (std::chrono::steady_clock::now() < end) {
    platform::desktop().processMessages();
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// The desktop on the server's display for the rest of the scope (false when the display cannot be
// opened); the headless desktop comes back when the scope ends.
class DesktopOnXvfb {
 public:
  explicit DesktopOnXvfb(const Xvfb& server) {
    if (server.display().empty()) return;
    setenv("DISPLAY", server.display().c_str(), 1);
    if (auto backend = platform::makeSdlBackend()) {
      platform::resetDesktop(std::move(backend));
      fopen = true;
    }
  }
  ~DesktopOnXvfb() {
    if (fopen) platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
  }
  DesktopOnXvfb(const DesktopOnXvfb&) = delete;
  DesktopOnXvfb& operator=(const DesktopOnXvfb&) = delete;
  [[nodiscard]] bool open() const { return fopen; }

 private:
  bool fopen = false;
};

}  // namespace testenv
