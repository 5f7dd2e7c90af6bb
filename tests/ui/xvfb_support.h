// For the interface tests on our own Xvfb: whether an outside tool is there, running one against
// the display, and waiting for a condition while the program's messages are served.
#pragma once
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/windows.h"

namespace testenv {

inline bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline int run(const std::string& display, const std::string& cmd) {
  return std::system(("DISPLAY=" + display + " " + cmd + " >/dev/null 2>&1").c_str());
}

inline bool pollUntil(int ms, const std::function<bool()>& ok) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    platform::desktop().processMessages();
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace testenv
