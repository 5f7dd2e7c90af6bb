// The benchmarks' main: the program's own folders (home, documents, data, temporary files and a
// stand-in for the program's folder) are set before anything reads them, so before the services
// object exists; then the benchmarks run as Google Benchmark's
// own main runs them, and the folders go at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_home.h"
#include "core/r_base.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace benchhome {
namespace {
std::string& own() {
  static std::string dir;
  return dir;
}

void makeFolder(const std::string& f) {
  std::error_code ec;
  fs::create_directories(f, ec);
  if (ec) {
    std::fprintf(stderr, "bench: cannot make %s: %s\n", f.c_str(), ec.message().c_str());
    std::exit(2);
  }
}
}  // namespace

const std::string& folder() { return own(); }

std::string path(const std::string& name) { return own() + name; }

std::string freshHome() {
  static int serial = 0;
  const std::string home = own() + "home-" + std::to_string(++serial) + "/";
  const std::string docs = home + "Documents", data = home + ".local/share", config = home + ".config",
                    cache = home + ".cache";
  for (const std::string& f : {docs, data, config, cache}) makeFolder(f);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", docs.c_str(), 1);
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  return home;
}

void setUp() {
  const char* t = std::getenv("TMPDIR");
  std::string pattern = std::string(t && *t ? t : "/tmp") + "/kestrova-bench-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("bench: cannot make a folder of its own");
    std::exit(2);
  }
  own() = pattern + "/";
  makeFolder(own() + "tmp");
  setenv("TMPDIR", (own() + "tmp").c_str(), 1);
  freshHome();
  // The program's folder is the services object's first configuration folder and the home of
  // its log until a benchmark sets another: a data folder of our own stands in for it.
  makeFolder(own() + "data");
  platform::setExePathForTesting(own() + "data/" + platform::exeName());
  // The folder goes however the program ends normally, also after a benchmark calls exit.
  std::atexit(tearDown);
}

void tearDown() {
  if (own().empty()) return;
  std::error_code ec;
  fs::remove_all(own(), ec);
  own().clear();
}
}  // namespace benchhome

int main(int argc, char** argv) {
  benchhome::setUp();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The core's end, as the programs reach it: the settings files are saved while the log and the
  // services object still exist, not by the destructors of static objects in whatever order.
  freeOs();
  benchhome::tearDown();
  return 0;
}
