// The desktop shell on Linux: see shell.h. Programs are started with posix_spawnp and an argument
// vector, so no text handed in is ever read by a command interpreter.
#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {
std::mutex gMutex;
std::string gOpener;  // empty: xdg-open
MessagePump gPump;
std::map<int, std::string> gIcons;
int gNextIcon = 1;

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::vector<std::string> splitList(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, sep))
    if (!item.empty()) out.push_back(item);
  return out;
}

// $XDG_DATA_HOME first, then $XDG_DATA_DIRS; each ends in "/".
std::vector<std::string> dataFolders() {
  std::vector<std::string> dirs{localAppDataFolder()};
  for (auto& d : splitList(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':')) dirs.push_back(withSlash(d));
  return dirs;
}

std::vector<std::string> configFolders() {
  std::vector<std::string> dirs{withSlash(envOr("XDG_CONFIG_HOME", homeFolder() + ".config"))};
  for (auto& d : splitList(envOr("XDG_CONFIG_DIRS", "/etc/xdg"), ':')) dirs.push_back(withSlash(d));
  return dirs;
}

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool runnable(const std::string& path) { return isFile(path) && access(path.c_str(), X_OK) == 0; }

// A program name looked up on PATH (a name holding "/" is taken as it stands); empty when it is
// not there or cannot be run.
std::string onPath(const std::string& program) {
  if (program.empty()) return "";
  if (program.find('/') != std::string::npos) return runnable(program) ? program : "";
  for (auto& d : splitList(envOr("PATH", "/usr/bin:/bin"), ':')) {
    std::string p = withSlash(d) + program;
    if (runnable(p)) return p;
  }
  return "";
}

// The desktop entry file named `id` in the applications folders; empty when none.
std::string desktopEntryFile(const std::string& id) {
  for (auto& d : dataFolders()) {
    std::string p = d + "applications/" + id;
    if (isFile(p)) return p;
  }
  return "";
}
}  // namespace

std::string keyFileValue(const std::string& path, const std::string& section, const std::string& key) {
  std::ifstream in(path);
  std::string line, current;
  while (std::getline(in, line)) {
    line = trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      continue;
    }
    if (current != section) continue;
    auto eq = line.find('=');
    if (eq != std::string::npos && trimmed(line.substr(0, eq)) == key) return trimmed(line.substr(eq + 1));
  }
  return "";
}

void setOpenerForTesting(const std::string& program) {
  std::lock_guard lock(gMutex);
  gOpener = program;
}

std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  std::string cur;
  bool inQuotes = false, any = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
        cur += '"';
        ++i;
      } else {
        inQuotes = !inQuotes;
      }
      any = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (any) args.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) args.push_back(cur);
  return args;
}

int startProgram(const std::string& program, const std::vector<std::string>& args) {
  if (program.empty()) return -1;
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

bool openWithDesktop(const std::string& target) {
  std::string opener;
  {
    std::lock_guard lock(gMutex);
    opener = gOpener.empty() ? "xdg-open" : gOpener;
  }
  int pid = startProgram(opener, {target});
  if (pid <= 0) return false;
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

void setMessagePump(MessagePump pump) {
  std::lock_guard lock(gMutex);
  gPump = std::move(pump);
}

void pumpPendingMessages() {
  MessagePump pump;
  {
    std::lock_guard lock(gMutex);
    pump = gPump;
  }
  if (pump) pump(0);
}

bool waitForProgram(int pid, int* exitCode) {
  if (pid <= 0) return false;
  MessagePump pump;
  {
    std::lock_guard lock(gMutex);
    pump = gPump;
  }
  constexpr int kPumpWaitMs = 50;  // the pump sleeps in its own wait for messages, up to this long
  int status = 0;
  for (;;) {
    pid_t r = waitpid(pid, &status, pump ? WNOHANG : 0);
    if (r == pid) break;
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (pump && !pump(kPumpWaitMs)) return false;
  }
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

std::string mimeTypeOfExtension(const std::string& ext) {
  if (ext.empty()) return "";
  const std::string wanted = "*." + ext;
  for (auto& d : dataFolders()) {
    std::ifstream in(d + "mime/globs2");
    std::string line;
    int bestWeight = -1;
    std::string best;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      auto parts = splitList(line, ':');  // weight:type:glob[:flags]
      if (parts.size() < 3) continue;
      bool caseSensitive = parts.size() > 3 && parts[3].find("cs") != std::string::npos;
      bool match = caseSensitive ? parts[2] == wanted : sameNoCase(parts[2], wanted);
      int weight = std::atoi(parts[0].c_str());
      if (match && weight > bestWeight) {
        bestWeight = weight;
        best = parts[1];
      }
    }
    if (!best.empty()) return best;
  }
  return "";
}

std::string defaultProgramOf(const std::string& mimeType) {
  if (mimeType.empty()) return "";
  std::vector<std::string> lists;
  for (auto& d : configFolders()) lists.push_back(d + "mimeapps.list");
  for (auto& d : dataFolders()) lists.push_back(d + "applications/mimeapps.list");
  std::vector<std::string> candidates;
  for (auto& l : lists)
    for (auto& id : splitList(keyFileValue(l, "Default Applications", mimeType), ';')) candidates.push_back(id);
  for (auto& d : dataFolders())
    for (auto& id : splitList(keyFileValue(d + "applications/mimeinfo.cache", "MIME Cache", mimeType), ';'))
      candidates.push_back(id);
  for (auto& id : candidates) {
    std::string entry = desktopEntryFile(id);
    if (entry.empty()) continue;
    auto args = splitCommandLine(keyFileValue(entry, "Desktop Entry", "Exec"));
    if (args.empty()) continue;
    std::string exe = onPath(args[0]);
    if (!exe.empty()) return exe;
  }
  return "";
}

std::string iconFileOf(const std::string& mimeType, int size) {
  if (mimeType.empty()) return "";
  std::vector<std::string> names;
  std::string own = mimeType;
  for (char& c : own)
    if (c == '/') c = '-';
  names.push_back(own);
  for (auto& d : dataFolders()) {
    std::string generic;
    std::ifstream in(d + "mime/generic-icons");  // "type:icon" lines
    std::string line;
    while (std::getline(in, line))
      if (line.size() > mimeType.size() && line.compare(0, mimeType.size(), mimeType) == 0 &&
          line[mimeType.size()] == ':') {
        generic = line.substr(mimeType.size() + 1);
        break;
      }
    if (!generic.empty()) {
      names.push_back(generic);
      break;
    }
  }
  names.push_back(mimeType.substr(0, mimeType.find('/')) + "-x-generic");
  const std::string sz = std::to_string(size) + "x" + std::to_string(size);
  for (auto& name : names)
    for (const char* theme : {"Adwaita", "hicolor"})
      for (auto& d : dataFolders()) {
        std::string base = d + "icons/" + theme + "/";
        for (const std::string& p : {base + sz + "/mimetypes/" + name + ".png", base + "scalable/mimetypes/" + name + ".svg"})
          if (isFile(p)) return p;
      }
  return "";
}

int loadFileIcon(const std::string& ext, int size) {
  std::string file = iconFileOf(mimeTypeOfExtension(ext), size);
  if (file.empty()) return 0;
  std::lock_guard lock(gMutex);
  int h = gNextIcon++;
  gIcons[h] = file;
  return h;
}

std::string iconFile(int handle) {
  std::lock_guard lock(gMutex);
  auto it = gIcons.find(handle);
  return it == gIcons.end() ? "" : it->second;
}

void freeIcon(int handle) {
  std::lock_guard lock(gMutex);
  gIcons.erase(handle);
}
}  // namespace platform
