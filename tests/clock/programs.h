// Running the built programs from a test: their paths beside the test's build, a spawn with the
// standard error kept in a file, polling, and the programs' own windows found by X11 class.
#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

extern char** environ;

namespace clocktest {

// A program of build/bin/, beside the test executable's folder.
inline std::string programPath(const std::string& name) {
  namespace fs = std::filesystem;
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin" / name).string();
}

// Starts a program on a real display (DISPLAY = `display`, empty: unset; the tests' headless
// switch left out); its standard error goes to errFile.
inline pid_t spawn(std::vector<std::string> args, const std::string& errFile, const std::string& display) {
  const char* had = std::getenv("DISPLAY");
  const std::string saved = had ? had : "";
  const bool headless = std::getenv("KESTROVA_HEADLESS") != nullptr;
  unsetenv("KESTROVA_HEADLESS");
  if (display.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", display.c_str(), 1);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&fa);
  if (headless) setenv("KESTROVA_HEADLESS", "1", 1);
  if (saved.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", saved.c_str(), 1);
  return pid;
}

// Kills and reaps a child that a failed test left running.
struct Reap {
  pid_t& pid;
  ~Reap() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

// Polls until ok() answers true or the deadline passes.
inline bool waitFor(const std::function<bool()>& ok, int ms) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(testenv::deadlineMs(ms));
  while (Clock::now() < end) {
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ok();
}

// A top-level window of that X11 class on the display; 0 when none.
inline unsigned long windowOfClass(const std::string& display, const std::string& cls) {
  const char* had = std::getenv("DISPLAY");
  const std::string saved = had ? had : "";
  setenv("DISPLAY", display.c_str(), 1);
  const unsigned long w = platform::x11::findWindowByClass(cls);
  if (saved.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", saved.c_str(), 1);
  return w;
}

// The process's processor time so far in seconds (user and system), from /proc.
inline double cpuSeconds(pid_t pid) {
  std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!f) return -1;
  char buf[1024] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  std::string s(buf, n);
  // Fields after the command's closing parenthesis: state is the 3rd, utime the 14th, stime the 15th.
  const size_t close = s.rfind(')');
  if (close == std::string::npos) return -1;
  std::vector<std::string> fields;
  std::string cur;
  for (size_t i = close + 2; i < s.size(); ++i) {
    if (s[i] == ' ') {
      fields.push_back(cur);
      cur.clear();
    } else {
      cur += s[i];
    }
  }
  if (fields.size() < 13) return -1;
  return (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Waits at most ms for the child to end; true with its status and its whole processor time.
inline bool waitEnd(pid_t pid, int ms, int& status, double& cpu) {
  return waitFor(
      [&] {
        rusage ru{};
        if (wait4(pid, &status, WNOHANG, &ru) != pid) return false;
        cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        return true;
      },
      ms);
}

// The main window's unselected caption tabs along row 20 of a screenshot: the n-th of them (1 is
// the first) in left and right (-1 when there are fewer). True when all four are seen.
inline bool unselectedTab(const testenv::Shot& shot, int n, int& left, int& right) {
  auto channel = [](uint32_t c, int shift) { return int((c >> shift) & 0xFF); };
  left = right = -1;
  int runs = 0;
  for (int x = 0, start = -1; x <= shot.width; ++x) {
    const uint32_t c = x < shot.width ? shot.at(x, 20) : 0;
    const bool tab = x < shot.width && std::abs(channel(c, 16) - 0x3C) + std::abs(channel(c, 8) - 0x50) +
                                               std::abs(channel(c, 0) - 0x80) <
                                           18;
    if (tab && start < 0) start = x;
    if (!tab && start >= 0) {
      if (x - start > 20 && ++runs == n) left = start, right = x;
      start = -1;
    }
  }
  return runs == 4;
}

// The top of the page below the main window's tabs in a 1280-wide shot: where the panel colour
// begins down the left margin (the same colour 200 pixels lower); -1 when it is not there yet.
inline int pageTop(const testenv::Shot& shot) {
  if (shot.width != 1280) return -1;
  for (int y = 4; y < 120; ++y)
    if (shot.at(5, y) == shot.at(5, y + 200) && shot.at(5, y) != shot.at(5, y - 1)) return y;
  return -1;
}

// Waits at most ms until two screenshots 150 ms apart are the same, the last in `shot`: a page
// still being laid out or painted is not yet there to take a click or serve as a "before".
inline bool waitStill(const std::string& display, const char* file, testenv::Shot& shot, int ms) {
  testenv::Shot last = testenv::grabScreen(display, file);
  return waitFor(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        shot = testenv::grabScreen(display, file);
        const bool same = shot.width > 0 && shot.width == last.width && shot.px == last.px;
        last = shot;
        return same;
      },
      ms);
}

// The top of the page the main window shows once it has appeared and stands still, with that
// screenshot in `shot`; -1 when it does not within ms. A top read from a page still arriving
// (drawn band by band over the last one) can land anywhere, so only a settled shot is read.
inline int settledPageTop(const std::string& display, const char* file, testenv::Shot& shot, int ms) {
  if (!waitFor([&] { return pageTop(shot = testenv::grabScreen(display, file)) > 0; }, ms)) return -1;
  return waitStill(display, file, shot, ms) ? pageTop(shot) : -1;
}

}  // namespace clocktest
