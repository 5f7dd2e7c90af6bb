// System services and delayed events (os_system.h).
#include "core/os_system.h"

#include <fstream>
#include <map>
#include <sstream>

#include "core/TDelayedEvent.h"
#include "core/Tyo.h"
#include "core/r_fileBase.h"
#include "platform/controls.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/windows.h"

using namespace platform;

// ---------------------------------------------------------------------------------------------
// TDelayedEvent

namespace {
// Pending delayed events by serial number: a restart through a stale number finds nothing.
std::map<uint64_t, TDelayedEvent*>& pendingEvents() {
  static std::map<uint64_t, TDelayedEvent*> m;
  return m;
}
uint64_t nextSerial = 1;
}  // namespace

TDelayedEvent::TDelayedEvent(uint32_t interval, TDelayedHandler event) : fevent(std::move(event)), finterval(interval) {
  logging = true;
  log("TdelayedEvent create");
  fserial = nextSerial++;
  pendingEvents()[fserial] = this;
  ftimer = desktop().setTimer(interval, [this] { doTimer(); });
}

TDelayedEvent::~TDelayedEvent() {
  pendingEvents().erase(fserial);
  if (ftimer != 0 && hasDesktop()) desktop().killTimer(0, ftimer);
}

bool TDelayedEvent::restart() {
  if (ftimer == 0) return false;
  desktop().killTimer(0, ftimer);
  ftimer = desktop().setTimer(finterval, [this] { doTimer(); });
  return true;
}

bool TDelayedEvent::restart(uint64_t id) {
  auto it = pendingEvents().find(id);
  return it != pendingEvents().end() && it->second->restart();
}

bool TDelayedEvent::pending(uint64_t id) { return pendingEvents().count(id) > 0; }

void TDelayedEvent::doTimer() {
  setproc("doTimer");
  desktop().killTimer(0, ftimer);
  ftimer = 0;
  pendingEvents().erase(fserial);
  const std::string keyText = key.empty() ? std::string() : " key=" + key;
  if (fevent) {
    try {
      log("TdelayedEvent trigger event" + (sender ? " " + sender->className() : std::string()) + keyText);
      fevent(sender ? sender : this);
      log("TdelayedEvent event over");
    } catch (...) {
      log("TdelayedEvent failed " + (sender ? sender->className() : std::string("no sender")) + keyText);
    }
  }
  setproc("");
  delete this;
}

// ---------------------------------------------------------------------------------------------
// Sounds, addresses and programs

void TosSystem::sound(int32_t choice) {
  if (os && os->nosounds) return;
  if (choice == sound_illegal) {
    beep();
    return;
  }
  static const std::map<int32_t, const char*> names = {
      {sound_snap, "sound_snap"}, {sound_delete, "sound_delete"}, {sound_tada, "sound_tada"},
      {sound_minibeep, "sound_minibeep"}, {sound_tap, "sound_tap"}, {sound_backup, "sound_backup"},
      {sound_bigdelete, "sound_bigdelete"}};
  auto it = names.find(choice);
  const std::string file = (os ? os->resourcedir : std::string()) + (it != names.end() ? it->second : "sound_beep") + ".wav";
  if (!r_fileBase::FileExists(file) || !playSound(file, false)) beep();
}

void TosSystem::gotoWeb(std::string const& base, std::string const& page) {
  std::string b = base;
  if (b.rfind("file", 0) == 0) {
    // file:///home/x/a%20b.htm#part → /home/x/a b.htm; a drive path (file:///C:/...) keeps no
    // leading slash.
    b = b.size() >= 7 && b.compare(0, 7, "file://") == 0 ? b.substr(7) : b.substr(4);
    if (b.size() >= 3 && b[0] == '/' && b[2] == ':') b = b.substr(1);
    for (size_t p; (p = b.find("%20")) != std::string::npos;) b.replace(p, 3, " ");
    if (auto h = b.find('#'); h != std::string::npos) b = b.substr(0, h);
  }
  openAddress(b + page);
}

void TosSystem::Launch(std::string const& exeName, std::string const& commandLine, bool hidden) {
  // Our own programs are asked to show no window; any other cannot be asked, and is started
  // without waiting for its window.
  if (hidden && !isOwnProgram(exeName) && os)
    os->log("Launch: " + exeName + " is not one of our programs and cannot be asked to start hidden");
  launch(exeName, splitCommandLine(commandLine), hidden ? StartWindow::Hidden : StartWindow::Normal);
}

void TosSystem::ReStart(std::string const& commandLine) {
  launch(exePath(), splitCommandLine(commandLine));
  Application().Terminate();
}

void TosSystem::setTopic(std::string const& v) {
  ftopic = v;
  if (onHelpTopic) onHelpTopic(os);
}

// ---------------------------------------------------------------------------------------------
// Messages and input

void TosSystem::ClearNull() { desktop().removeOneDroppable(); }

bool TosSystem::abort() {
  fabort = fabort || desktop().asyncKeyState(VK_ESCAPE) != 0;
  return fabort;
}

void TosSystem::setabort(bool v) { fabort = v ? true : desktop().keyDown(VK_ESCAPE); }

bool TosSystem::absorbMouseUp(HWND win, uint32_t limitMs) {
  TDesktop& d = desktop();
  const uint32_t start = d.now();
  for (;;) {
    TMsg m;
    if (d.peekMessage(m, true, win, WM_LBUTTONUP, WM_LBUTTONUP)) return true;
    // The button is already up and its release is not queued: there is nothing to wait for.
    if (!d.keyDown(VK_LBUTTON)) return false;
    const uint32_t spent = d.now() - start;
    if (spent >= limitMs) return false;
    d.idle(std::min<uint32_t>(limitMs - spent, 100));
  }
}

void TosSystem::toScreen(HWND win, int& x, int& y) {
  const TPoint p = desktop().clientToScreen(win, {x, y});
  x = p.X;
  y = p.Y;
}

bool TosSystem::isMouseButtonDown() const { return desktop().keyDown(VK_LBUTTON); }
bool TosSystem::isShiftKeyDown() const { return desktop().keyDown(VK_SHIFT); }
bool TosSystem::isControlKeyDown() const { return desktop().keyDown(VK_CONTROL); }
bool TosSystem::isAltKeyDown() const { return desktop().keyDown(VK_MENU); }

bool TosSystem::isEditActive() const {
  TWinControl* c = FindControl(desktop().focus());
  return c && c->isEditControl();
}

bool TosSystem::checkmenu() {
  const uint32_t now = desktop().now();
  const bool ok = now - menuTickcount > 200;
  menuTickcount = now;
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Waits and delayed calls

void TosSystem::delay(uint32_t ms) {
  TDesktop& d = desktop();
  const uint32_t start = d.now();
  for (;;) {
    // Windows repaint meanwhile; input and timers stay queued for the loop after the wait.
    TMsg m;
    while (d.peekMessage(m, true, 0, WM_PAINT, WM_PAINT)) d.dispatchMessage(m);
    const uint32_t spent = d.now() - start;
    if (spent >= ms) return;
    d.waitInput(ms - spent);  // sleeps until input comes or the time is up; never spins
  }
}

void TosSystem::delay(uint32_t ms, TDelayedHandler event) { new TDelayedEvent(ms, std::move(event)); }

void TosSystem::delay(uint32_t ms, TDelayedHandler event, std::string const& logHint) {
  auto* e = new TDelayedEvent(ms, std::move(event));
  e->key = logHint;
}

void TosSystem::delay(uint32_t ms, TDelayedHandler event, TtrailSource* sender) {
  auto* e = new TDelayedEvent(ms, std::move(event));
  e->sender = sender;
}

void TosSystem::delay(uint32_t ms, TDelayedHandler event, TtrailSource* sender, std::string const& logHint) {
  auto* e = new TDelayedEvent(ms, std::move(event));
  e->sender = sender;
  e->key = logHint;
}

// ---------------------------------------------------------------------------------------------
// System information

bool TosSystem::windowsServices(TStringList& list) {
  std::vector<std::string> names;
  if (!platform::systemServices(names)) return false;
  for (const std::string& n : names) list.add(n);
  return true;
}

void TosSystem::MemoryStatus(uint32_t& totalMb, uint32_t& usedMb) {
  std::ifstream f("/proc/meminfo");
  std::string line;
  uint64_t totalKb = 0, availKb = 0;
  while (std::getline(f, line)) {
    std::istringstream s(line);
    std::string name;
    uint64_t v = 0;
    s >> name >> v;
    if (name == "MemTotal:") totalKb = v;
    if (name == "MemAvailable:") availKb = v;
  }
  totalMb = static_cast<uint32_t>(totalKb / 1024);
  usedMb = static_cast<uint32_t>((totalKb - std::min(availKb, totalKb)) / 1024);
}
