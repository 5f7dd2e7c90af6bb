// Folder places: see places.h.
#include "platform/places.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "platform/folders.h"

namespace platform {

namespace {
bool isFolder(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string baseName(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t s = p.rfind('/');
  return s == std::string::npos || p.size() == 1 ? p : p.substr(s + 1);
}

// \040 and its kind: the mounts table writes blanks, tabs, newlines and backslashes so.
std::string unescapeMount(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    auto octal = [&](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '7'; };
    if (s[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool networkType(const std::string& t) {
  static const char* const kinds[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                                      "fuse.sshfs", "davfs", "fuse.davfs2", "fuse.rclone", "ceph", "glusterfs"};
  return std::any_of(std::begin(kinds), std::end(kinds), [&](const char* k) { return t == k; });
}
}  // namespace

std::vector<std::string> xdgUserFolders() {
  std::vector<std::string> out;
  auto addOnce = [&](const std::string& f) {
    if (isFolder(f) && std::find(out.begin(), out.end(), f) == out.end() && f != homeFolder()) out.push_back(f);
  };
  addOnce(documentsFolder());
  const char* cfg = std::getenv("XDG_CONFIG_HOME");
  std::ifstream in((cfg && *cfg ? withSlash(cfg) : homeFolder() + ".config/") + "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    // XDG_MUSIC_DIR="$HOME/Music"
    if (line.rfind("XDG_", 0) != 0) continue;
    const size_t eq = line.find("_DIR=");
    if (eq == std::string::npos) continue;
    std::string v = line.substr(eq + 5);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = homeFolder() + v.substr(v.size() > 5 && v[5] == '/' ? 6 : 5);
    if (!v.empty() && v[0] == '/') addOnce(withSlash(v));
  }
  return out;
}

std::vector<std::string> volumeMounts(const std::string& mountsText) {
  std::vector<std::string> out;
  std::istringstream in(mountsText);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    point = unescapeMount(point);
    const bool removable = point.rfind("/media/", 0) == 0 || point.rfind("/run/media/", 0) == 0 || point.rfind("/mnt/", 0) == 0;
    if (!removable && !networkType(type)) continue;
    std::string p = withSlash(point);
    if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
  }
  return out;
}

std::vector<TfolderPlace> folderPlaces() {
  std::vector<TfolderPlace> out;
  const std::string home = homeFolder();
  out.push_back({TfolderPlace::Kind::Home, baseName(home), home});
  for (const std::string& f : xdgUserFolders()) out.push_back({TfolderPlace::Kind::UserFolder, baseName(f), f});
  out.push_back({TfolderPlace::Kind::FileSystem, "/", "/"});
  std::ifstream in("/proc/self/mounts");
  std::stringstream text;
  text << in.rdbuf();
  for (const std::string& v : volumeMounts(text.str())) out.push_back({TfolderPlace::Kind::Volume, baseName(v), v});
  return out;
}

}  // namespace platform
