// Test main: pins the environment (locale, zone, folders, fonts) before any test reads it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/process.h"
#include "tests/support/testenv.h"

// Sanitizer builds: leaks inside system libraries that our code cannot free. fontconfig keeps what
// it scans for fonts added to a process without a pointer the leak checker can follow; SDL's D-Bus
// connection keeps an error text when there is no session bus, as under the tests' own X servers.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

namespace {
// Every test in a folder of its own: a folder or link one test leaves cannot trip the next.
struct FreshFolderEachTest : testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { testenv::beginTest(); }
};
}  // namespace

int main(int argc, char** argv) {
  const std::string& home = testenv::tempDir();
  setenv("HOME", home.c_str(), 1);
  std::filesystem::create_directories(home + "tmp");
  setenv("TMPDIR", (home + "tmp").c_str(), 1);
  for (const char* v : {"XDG_DOCUMENTS_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) unsetenv(v);
  // Whatever the caller's session: tests that need another locale or zone set it themselves.
  setenv("LC_ALL", "C.UTF-8", 1);
  setenv("TZ", "Europe/London", 1);
  // Fonts: the packaged faces only, before anything initialises fontconfig.
  setenv("FONTCONFIG_FILE", (testenv::sourceDir() + "tests/support/fonts.conf").c_str(), 1);
  // Windows live in memory (the headless backend) unless a test opens its own X server.
  setenv("KESTROVA_HEADLESS", "1", 1);
  platform::setExePathForTesting(testenv::programPath());
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshFolderEachTest);
  return RUN_ALL_TESTS();
}
