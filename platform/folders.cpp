// Special folders: see folders.h.
#include "platform/folders.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/process.h"

namespace platform {

std::string withSlash(std::string folder) {
  for (char& c : folder)
    if (c == '\\') c = '/';
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string homeFolder() {
  const char* h = std::getenv("HOME");
  return withSlash(h && *h ? h : "/tmp");
}

namespace {
// user-dirs.dirs lines read XDG_DOCUMENTS_DIR="$HOME/Documents"
std::string documentsFromUserDirs() {
  const char* cfg = std::getenv("XDG_CONFIG_HOME");
  std::string file = (cfg && *cfg ? withSlash(cfg) : homeFolder() + ".config/") + "user-dirs.dirs";
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string v = line.substr(key.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = homeFolder() + v.substr(v.size() > 5 && v[5] == '/' ? 6 : 5);
    if (!v.empty() && v[0] == '/') return withSlash(v);
  }
  return {};
}
}  // namespace

std::string documentsFolder() {
  if (const char* d = std::getenv("XDG_DOCUMENTS_DIR"); d && *d) return withSlash(d);
  if (std::string d = documentsFromUserDirs(); !d.empty()) return d;
  return homeFolder() + "Documents/";
}

std::string localAppDataFolder() {
  if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d) return withSlash(d);
  return homeFolder() + ".local/share/";
}

std::string fontsFolder() { return localAppDataFolder() + "fonts/"; }
std::string systemProgramsFolder() { return "/usr/bin/"; }
std::string programPackagesFolder() { return "/opt/"; }

std::string tempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string base = withSlash(t && *t ? t : "/tmp");
  std::string mine = base + "kestrova-" + userName() + "/";
  if (mkdir(mine.c_str(), 0700) != 0) {
    // It exists already: use it only when it is ours and private.
    struct stat st {};
    if (lstat(mine.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return base;
    if ((st.st_mode & 0077) != 0) chmod(mine.c_str(), 0700);
  }
  return mine;
}
}  // namespace platform
