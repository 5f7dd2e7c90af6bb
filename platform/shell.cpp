// The desktop shell on Linux: see shell.h. Programs are started with posix_spawnp and an argument
// vector, so no text handed in is ever read by a command interpreter.
#include "platform/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
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

StartWindow takeStartWindowRequest() {
  const char* v = std::getenv(kStartWindowVariable);
  const std::string value = v ? v : "";
  unsetenv(kStartWindowVariable);
  return value == "hidden" ? StartWindow::Hidden : value == "minimized" ? StartWindow::Minimized : StartWindow::Normal;
}

std::vector<std::string> childEnvironment(StartWindow show) {
  const std::string prefix = std::string(kStartWindowVariable) + "=";
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*e);
  if (show == StartWindow::Hidden) env.push_back(prefix + "hidden");
  if (show == StartWindow::Minimized) env.push_back(prefix + "minimized");
  return env;
}

bool isOwnProgram(const std::string& program) {
  namespace fs = std::filesystem;
  const std::string path = onPath(program);
  if (path.empty()) return false;
  std::error_code ec1, ec2;
  const fs::path folder = fs::weakly_canonical(fs::absolute(path).parent_path(), ec1);
  const fs::path ours = fs::weakly_canonical(fs::path(exeFolder()), ec2);
  return !ec1 && !ec2 && folder == ours;
}

int startProgram(const std::string& program, const std::vector<std::string>& args, StartWindow show,
                 const std::string& workingFolder) {
  if (program.empty()) return -1;
  // A relative path names a program of the current folder, not of the working folder.
  std::string exe = program;
  if (!workingFolder.empty() && exe.find('/') != std::string::npos && exe[0] != '/')
    exe = std::filesystem::absolute(exe).string();
  std::vector<std::string> all{exe};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = childEnvironment(show);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&fa, workingFolder.c_str());
  pid_t pid = -1;
  const int e = posix_spawnp(&pid, exe.c_str(), &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  return e == 0 ? pid : -1;
}

namespace {
// Collects a started program's end in the background, so no finished child is left behind.
void reapInBackground(int pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}
}  // namespace

bool startDetached(const std::string& program, const std::vector<std::string>& args, StartWindow show,
                   const std::string& workingFolder) {
  const int pid = startProgram(program, args, show, workingFolder);
  if (pid <= 0) return false;
  reapInBackground(pid);
  return true;
}

bool openWithDesktop(const std::string& target) {
  std::string opener;
  {
    std::lock_guard lock(gMutex);
    opener = gOpener.empty() ? "xdg-open" : gOpener;
  }
  return startDetached(opener, {target}, StartWindow::Normal, "");
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

// ---- associations and shortcuts

namespace platform {
namespace {
bool endsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && sameNoCase(s.substr(s.size() - tail.size()), tail);
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A desktop-entry string value: backslashes and line breaks escaped.
std::string valueEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string valueUnescaped(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    switch (char c = s[++i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      default: out += c;
    }
  }
  return out;
}

// One argument of an Exec line, quoted where it holds a reserved character; "%" doubled.
std::string execArgument(const std::string& arg) {
  const bool quote = arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return quote ? out + "\"" : out;
}

// The arguments of an Exec value (already unescaped), field codes such as %f left out.
std::vector<std::string> execArguments(const std::string& exec) {
  std::vector<std::string> args;
  std::string cur;
  bool inQuotes = false, any = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (inQuotes && c == '\\' && i + 1 < exec.size()) {
      cur += exec[++i];
    } else if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if (!inQuotes && (c == ' ' || c == '\t')) {
      if (any) args.push_back(cur);
      cur.clear();
      any = false;
      continue;
    } else if (c == '%' && i + 1 < exec.size()) {
      if (exec[++i] != '%') continue;  // a field code the opener fills in
      cur += '%';
    } else {
      cur += c;
    }
    any = true;
  }
  if (any) args.push_back(cur);
  return args;
}

std::string fileUrl(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string pathOfFileUrl(const std::string& url) {
  if (url.rfind("file://", 0) != 0) return url;
  std::string out;
  for (size_t i = 7; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
      out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += url[i];
    }
  }
  return out;
}

bool writeFileMakingFolders(const std::string& path, const std::string& bytes, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folderOf(path), ec);
  return replaceFileContents(path, bytes, &error);
}

constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 256, 512};  // hicolor's folders
constexpr const char* kIconSourceKey = "X-Ombrant-Icon-Source";
}  // namespace

AssociationChange writeAssociation(const std::string& id, const TfileAssociation& a, std::string& error) {
  const std::string data = localAppDataFolder();
  const std::string entry = data + "applications/" + id + ".desktop";
  if (isFile(entry) && valueUnescaped(keyFileValue(entry, "Desktop Entry", kIconSourceKey)) == a.iconFile)
    return AssociationChange::Unchanged;
  if (a.ext.empty() || a.mimeType.find('/') == std::string::npos) {
    error = "no extension or MIME type";
    return AssociationChange::Failed;
  }
  std::string icon;
  if (!readWholeFile(a.iconFile, icon)) {
    error = "cannot read the icon " + a.iconFile;
    return AssociationChange::Failed;
  }
  std::string iconName = a.mimeType;
  for (char& c : iconName)
    if (c == '/') c = '-';
  // The theme's folder for the picture: the standard size nearest a PNG's width, or scalable.
  const std::string theme = data + "icons/hicolor/";
  std::string iconPath;
  if (icon.size() >= 24 && icon.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    const auto* b = reinterpret_cast<const uint8_t*>(icon.data());
    const int width = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
    int size = kThemeSizes[0];
    for (int s : kThemeSizes)
      if (std::abs(s - width) < std::abs(size - width)) size = s;
    iconPath = theme + std::to_string(size) + "x" + std::to_string(size) + "/mimetypes/" + iconName + ".png";
  } else if (icon.substr(0, 1024).find("<svg") != std::string::npos) {
    iconPath = theme + "scalable/mimetypes/" + iconName + ".svg";
  } else {
    error = "the icon " + a.iconFile + " is not a PNG or SVG picture";
    return AssociationChange::Failed;
  }
  // An earlier icon of another size would be shown at its own size: only the new one stays.
  std::vector<std::string> others{theme + "scalable/mimetypes/" + iconName + ".svg"};
  for (int s : kThemeSizes)
    others.push_back(theme + std::to_string(s) + "x" + std::to_string(s) + "/mimetypes/" + iconName + ".png");
  for (const std::string& o : others)
    if (o != iconPath) removeFile(o);

  const std::string package =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + xmlEscaped(a.mimeType) + "\">\n"
      "    <comment>" + xmlEscaped(a.description) + "</comment>\n"
      "    <icon name=\"" + xmlEscaped(iconName) + "\"/>\n"
      "    <glob pattern=\"*." + xmlEscaped(a.ext) + "\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  const std::string desktop = "[Desktop Entry]\nType=Application\nName=" +
                              valueEscaped(a.description.empty() ? a.ext : a.description) +
                              "\nExec=" + valueEscaped(execArgument(a.program)) + " %f\nMimeType=" + a.mimeType +
                              ";\nIcon=" + iconName + "\nNoDisplay=true\n" + kIconSourceKey + "=" +
                              valueEscaped(a.iconFile) + "\n";
  // The desktop entry goes last: it records the icon only once everything else is in place.
  if (!writeFileMakingFolders(iconPath, icon, error) ||
      !writeFileMakingFolders(data + "mime/packages/" + id + ".xml", package, error) ||
      !writeFileMakingFolders(entry, desktop, error))
    return AssociationChange::Failed;
  return AssociationChange::Written;
}

bool refreshAssociations() {
  const std::string data = localAppDataFolder();
  auto run = [](const std::string& program, const std::string& folder) {
    const std::string exe = onPath(program);
    if (exe.empty() || !isFolder(folder)) return false;
    int code = -1;
    return waitForProgram(startProgram(exe, {folder}), &code) && code == 0;
  };
  run("update-desktop-database", data + "applications");
  return run("update-mime-database", data + "mime");
}

bool makeShortcut(const std::string& linkFile, const std::string& target, const std::string& params,
                  std::string& error) {
  if (linkFile.empty() || target.empty()) {
    error = "no shortcut name or target";
    return false;
  }
  const bool asEntry = endsWithNoCase(linkFile, ".desktop");
  struct stat st {};
  if (::lstat(linkFile.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && !(asEntry && S_ISREG(st.st_mode))) {
    error = linkFile + " exists and is not a shortcut";
    return false;
  }
  const bool program = runnable(target);
  if (!params.empty() && !(asEntry && program)) {
    error = "only a desktop entry that runs a program keeps arguments";
    return false;
  }
  if (!asEntry) {
    // A link of a passing name, then renamed over the old one: the name never goes missing.
    const std::string temporary = linkFile + ".new-link";
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), linkFile.c_str()) != 0) {
      error = lastErrorText();
      ::unlink(temporary.c_str());
      return false;
    }
    return true;
  }
  std::string name = fileNameOf(linkFile);
  name = name.substr(0, name.size() - 8);
  std::string text = "[Desktop Entry]\nName=" + valueEscaped(name) + "\n";
  if (program) {
    std::string exec = execArgument(target);
    for (const std::string& a : splitCommandLine(params)) exec += " " + execArgument(a);
    text += "Type=Application\nExec=" + valueEscaped(exec) + "\n";
    if (!folderOf(target).empty()) text += "Path=" + valueEscaped(folderOf(target)) + "\n";
  } else {
    text += "Type=Link\nURL=" + fileUrl(target) + "\n";
  }
  return replaceFileContents(linkFile, text, &error);
}

std::string shortcutTarget(const std::string& linkFile) {
  if (isLink(linkFile)) {
    std::error_code ec;
    std::string target = std::filesystem::read_symlink(linkFile, ec).string();
    if (ec) return "";
    return target.empty() || target[0] == '/' ? target : folderOf(linkFile) + target;
  }
  if (!endsWithNoCase(linkFile, ".desktop") || !isFile(linkFile)) return "";
  const std::string type = keyFileValue(linkFile, "Desktop Entry", "Type");
  if (type == "Link") return pathOfFileUrl(valueUnescaped(keyFileValue(linkFile, "Desktop Entry", "URL")));
  if (type != "Application") return "";
  auto args = execArguments(valueUnescaped(keyFileValue(linkFile, "Desktop Entry", "Exec")));
  if (args.empty()) return "";
  return args[0].find('/') == std::string::npos ? onPath(args[0]) : args[0];
}
}  // namespace platform
