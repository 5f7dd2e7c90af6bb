// Process facts: see process.h.
#include "platform/process.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {
std::string& exeOverride() {
  static std::string s;
  return s;
}
}  // namespace

void setExePathForTesting(const std::string& path) { exeOverride() = path; }

std::string exePath() {
  if (!exeOverride().empty()) return exeOverride();
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string exeFolder() {
  std::string p = exePath();
  auto slash = p.rfind('/');
  return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::string exeName() {
  std::string p = exePath();
  auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string userName() {
  if (struct passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u) return u;
  return "user";
}

uint32_t tickCount() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}
}  // namespace platform
