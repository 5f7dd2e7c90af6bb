// Running the world clock program in tests: start it with its output to a file, and poll the
// screen until a condition holds.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace clocktest {

// Starts the program with standard output discarded and standard error into errFile; 0 on failure.
inline pid_t spawn(std::vector<std::string> args, const std::string& errFile) {
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
  return pid;
}

// Starts the program on an X display (DISPLAY set for it alone).
inline pid_t spawnOn(const std::string& display, const std::string& program, const std::string& errFile) {
  setenv("DISPLAY", display.c_str(), 1);
  const pid_t pid = spawn({program}, errFile);
  unsetenv("DISPLAY");
  return pid;
}

// Kills and reaps a program still running when the test ends; a pid set to 0 has ended already.
struct Treap {
  pid_t& pid;
  ~Treap() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

// Polls until ok() answers true or the deadline passes.
inline bool waitFor(const std::function<bool()>& ok, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ok();
}

}  // namespace clocktest
