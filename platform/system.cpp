// System services of system.h on SDL audio, X11 and posix_spawn.
#include "platform/system.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/windows.h"

extern char** environ;

namespace platform {
namespace {
bool isHeadless() { return headless() != nullptr; }

// The device of the last sound; a new sound stops it.
struct Audio {
  SDL_AudioDeviceID dev = 0;
  ~Audio() {
    if (dev) SDL_CloseAudioDevice(dev);
  }
};
Audio& audio() {
  static Audio a;
  return a;
}
}  // namespace

std::vector<std::string>& recorded() {
  static std::vector<std::string> r;
  return r;
}

bool playSound(std::string const& path, bool async) {
  if (isHeadless()) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    recorded().push_back(std::string(async ? "sound async " : "sound ") + path);
    return true;
  }
  if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wav;
  Uint8* buf = nullptr;
  Uint32 len = 0;
  if (!SDL_LoadWAV(path.c_str(), &wav, &buf, &len)) return false;
  Audio& a = audio();
  if (a.dev) SDL_CloseAudioDevice(a.dev);
  a.dev = SDL_OpenAudioDevice(nullptr, 0, &wav, nullptr, 0);
  bool ok = a.dev != 0 && SDL_QueueAudio(a.dev, buf, len) == 0;
  SDL_FreeWAV(buf);
  if (!ok) return false;
  SDL_PauseAudioDevice(a.dev, 0);
  if (!async) {
    // The length of the sound, and a little for the device: never longer.
    const Uint32 ms = wav.freq > 0 ? static_cast<Uint32>(1000.0 * len / (wav.freq * wav.channels *
                                                                           (SDL_AUDIO_BITSIZE(wav.format) / 8)))
                                    : 0;
    const Uint32 until = SDL_GetTicks() + ms + 500;
    while (SDL_GetQueuedAudioSize(a.dev) > 0 && static_cast<int32_t>(until - SDL_GetTicks()) > 0) SDL_Delay(10);
  }
  return true;
}

void messageBeep() {
  if (isHeadless()) {
    recorded().push_back("beep");
    return;
  }
  std::fputc('\a', stderr);
}

void showMessageBox(std::string const& title, std::string const& text) {
  if (isHeadless()) {
    recorded().push_back("box " + title + "|" + text);
    return;
  }
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(), nullptr);
}

std::string clipboardText() { return desktop().backend().clipboardText(); }
void setClipboardText(std::string const& s) { desktop().backend().setClipboardText(s); }

namespace {
void recordLaunch(std::string const& program, std::vector<std::string> const& args) {
  std::string line = "launch " + program;
  for (auto const& a : args) line += " " + a;
  recorded().push_back(line);
}
// posix_spawn (path as given) or posix_spawnp (searched along PATH); its error number, 0 when
// started. A failed exec is reported here too.
int spawnProgram(std::string const& program, std::vector<std::string> const& args, bool searchPath, pid_t& pid,
                 StartWindow show = StartWindow::Normal) {
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = childEnvironment(show);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid = 0;
  return searchPath ? posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data())
                    : posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data());
}
}  // namespace

int launch(std::string const& program, std::vector<std::string> const& args, StartWindow show) {
  if (isHeadless()) {
    recordLaunch(program, args);
    if (show != StartWindow::Normal)
      recorded().back() += show == StartWindow::Hidden ? " (hidden)" : " (minimized)";
    return 0;
  }
  pid_t pid = 0;
  return spawnProgram(program, args, true, pid, show) == 0 ? pid : 0;
}

bool startProgram(std::string const& path, std::vector<std::string> const& args, int& pid, std::string& why) {
  pid = 0;
  why.clear();
  if (!isFile(path)) {
    why = "\"" + path + "\" is missing";
    return false;
  }
  if (access(path.c_str(), X_OK) != 0) {
    why = "\"" + path + "\" cannot be run: " + lastErrorText();
    return false;
  }
  if (isHeadless()) {
    recordLaunch(path, args);
    return true;
  }
  pid_t child = 0;
  if (const int e = spawnProgram(path, args, false, child); e != 0) {
    why = "\"" + path + "\" could not be started: " + std::strerror(e);
    return false;
  }
  pid = child;
  return true;
}

bool reapProgram(int pid) {
  if (pid <= 0) return true;
  int status = 0;
  const pid_t r = waitpid(pid, &status, WNOHANG);
  return r == pid || (r < 0 && errno == ECHILD);
}

bool openAddress(std::string const& address) {
  if (isHeadless()) {
    recorded().push_back("open " + address);
    return true;
  }
  return launch("xdg-open", {address}) != 0;
}

bool waitProcess(int pid, unsigned timeoutMs) {
  if (pid <= 0) return false;
  TDesktop& d = desktop();
  // The limit runs on the real clock: the child does not follow a test's injected one.
  const uint32_t start = tickCount();
  constexpr uint32_t kPoll = 20;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return true;
    const uint32_t spent = tickCount() - start;
    if (spent >= timeoutMs) return false;
    // Messages are served while the child runs; between them the thread sleeps (in the message
    // wait, or, where that returns at once as on the headless desktop, in a plain sleep).
    d.processMessages();
    const uint32_t before = tickCount();
    d.waitMessage(kPoll);
    const uint32_t slept = tickCount() - before;
    if (slept < kPoll) usleep((kPoll - slept) * 1000);
  }
}

namespace {
std::string gSystemRoot;  // empty: "/"
}

void setSystemRootForTesting(const std::string& root) { gSystemRoot = root; }

bool systemServices(std::vector<std::string>& names) {
  const std::string root = gSystemRoot.empty() ? std::string("/") : withSlash(gSystemRoot);
  if (!isFolder(root + "run/systemd/system")) return false;  // how systemd tells it is running
  // Highest priority first: a unit of an earlier folder hides one of the same name later.
  std::map<std::string, std::string> units;  // unit name: description
  std::set<std::string> hidden;
  for (const char* dir : {"etc/systemd/system/", "run/systemd/system/", "usr/local/lib/systemd/system/",
                          "usr/lib/systemd/system/", "lib/systemd/system/"}) {
    const std::string folder = root + dir;
    for (const std::string& name : listFolder(folder, "*.service", Entries::All)) {
      if (name.find('@') != std::string::npos || units.count(name) || hidden.count(name)) continue;
      const std::string path = folder + name;
      int64_t size = 0;
      // A link masks the unit (to /dev/null) or is another name of the unit it points to; an
      // empty unit file masks too.
      if (isLink(path) || !isFile(path) || !fileSize(path, size) || size == 0) {
        hidden.insert(name);
        continue;
      }
      std::string description = keyFileValue(path, "Unit", "Description");
      units[name] = description.empty() ? name.substr(0, name.size() - 8) : description;
    }
  }
  for (auto& [name, description] : units) names.push_back(description);
  return true;
}
}  // namespace platform
