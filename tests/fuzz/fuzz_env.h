// The harnesses' world, set once before the first input: a private folder as HOME (documents,
// data and temporary folders below it, on a memory file system where there is one), the
// C.UTF-8 locale, a fixed time zone, windows in memory and the services object `os`.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/r_base.h"
#include "core/r_log.h"

// Leaks inside system libraries that our code cannot free (as in the tests' own main).
// One translation unit per harness includes this header, so the definition stands once.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

namespace fuzzenv {

inline const std::string& folder() {
  static const std::string dir = [] {
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/kestrova-fuzz-XXXXXX"
                                                                  : "/tmp/kestrova-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return dir;
}

inline void start() {
  const std::string& home = folder();
  std::filesystem::create_directories(home + "tmp");
  setenv("HOME", home.c_str(), 1);
  setenv("TMPDIR", (home + "tmp").c_str(), 1);
  for (const char* v : {"XDG_DOCUMENTS_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) unsetenv(v);
  setenv("LC_ALL", "C.UTF-8", 1);
  setenv("TZ", "Europe/London", 1);
  setenv("KESTROVA_HEADLESS", "1", 1);
  createOs();
  log("fuzzing");  // makes the log, which is not under test: it stays in memory
  logObject->saveEachTime = false;
  // The folder goes when the run ends, whichever way it ends normally.
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
  });
}

// The input as a file of that name in the folder; returns its path.
inline std::string putFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = folder() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return path;
}

inline std::string text(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

}  // namespace fuzzenv

// Every harness sets up the world the same way.
#define FUZZ_START_WORLD                                 \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {   \
    fuzzenv::start();                                    \
    return 0;                                            \
  }
