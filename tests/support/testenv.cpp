// The pinned test world: see testenv.h.
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testenv {
namespace {
struct TempRoot {
  std::string path;
  TempRoot() {
    std::string pattern = (fs::temp_directory_path() / "kestrova-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path = pattern + "/";
  }
  ~TempRoot() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

TempRoot& processRoot() {
  static TempRoot root;
  return root;
}
std::string& current() {
  static std::string dir = processRoot().path;
  return dir;
}
}  // namespace

const std::string& tempDir() { return current(); }

const std::string& programPath() {
  static const std::string path = [] {
    // A folder of its own two deep, so that its parent holds none of the tests' homes; the
    // program itself a link to the real one, for the code that starts or inspects it.
    const std::string dir = processRoot().path + "program/bin/";
    fs::create_directories(dir);
    const fs::path real = fs::read_symlink("/proc/self/exe");
    const std::string path = dir + real.filename().string();
    std::error_code ec;
    fs::create_symlink(real, path, ec);
    return path;
  }();
  return path;
}

void beginTest() {
  static int serial = 0;
  std::string dir = processRoot().path + "test-" + std::to_string(++serial) + "/";
  fs::create_directories(dir + "tmp");
  current() = dir;
  setenv("HOME", dir.c_str(), 1);
  setenv("TMPDIR", (dir + "tmp").c_str(), 1);
}

std::string sourceDir() {
  const char* s = std::getenv("KESTROVA_SOURCE_DIR");
  std::string d = s ? s : KESTROVA_SOURCE_DIR_FALLBACK;
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

std::string writeFile(const std::string& relativeName, const std::string& bytes) {
  fs::path p = fs::path(tempDir()) / relativeName;
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f << bytes;
  return p.string();
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}
double slowFactor() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  double f = 4;
#else
  double f = 1;
#endif
  if (const char* s = std::getenv("KESTROVA_TEST_SLOW")) {
    const double more = std::strtod(s, nullptr);
    if (more > 1) f *= more;
  }
  return f;
}

int deadlineMs(int ms) { return static_cast<int>(ms * slowFactor()); }

std::string runCommand(const std::string& cmd, int* status) {
  std::string out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

std::string makeByCommand(const std::string& name, const std::string& cmd) {
  int status = -1;
  const std::string said = runCommand("cd '" + tempDir() + "' && " + cmd, &status);
  EXPECT_EQ(status, 0) << cmd << "\n" << said;
  return tempDir() + name;
}

}  // namespace testenv
