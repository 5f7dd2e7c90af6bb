// The wall clock and screen saver program: start-up, the window and its messages, the preview.
#include "saver/RunSaver.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <iostream>

#include <malloc.h>

#include "astro/r_sunLite.h"
#include "core/r_LiteIni.h"
#include "core/r_Monitors.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "core/r_paths.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "platform/numbers.h"
#include "platform/process.h"
#include "platform/x11.h"
#include "storage/r_sqlite.h"

using namespace platform;

namespace {
std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
bool fileThere(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}
}  // namespace

// ---- command line and settings --------------------------------------------------------------------

TsaverArgs parseSaverArgs(const std::string& exePath, const std::vector<std::string>& args) {
  TsaverArgs a;
  // Run under the screen saver's own name (ending in "r"), a mouse jump ends it.
  a.quitOnMove = !exePath.empty() && std::tolower(static_cast<unsigned char>(exePath.back())) == 'r';
  if (args.empty()) return a;
  const std::string first = upper(args[0]);
  if (first == "WALL") a.quitOnMove = false;
  if (first.starts_with("/P") || first.starts_with("-P") || first.starts_with("P")) {
    a.mode = SaverMode::Preview;
    if (args.size() > 1) a.host = args[1];
  }
  return a;
}

bool parseHostId(const std::string& text, unsigned long& id) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  unsigned long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v == 0) return false;
  id = v;
  return true;
}

bool mouseJumpCloses(TPoint& mouseTp, int x, int y) {
  const bool unset = mouseTp.X <= 0 && mouseTp.Y <= 0;
  if (unset || (std::abs(x - mouseTp.X) <= 10 && std::abs(y - mouseTp.Y) <= 10)) {
    mouseTp = {x, y};
    return false;
  }
  return true;
}

TsaverSettings readSaverSettings(const std::string& locationsIni) {
  TiniLite ini(locationsIni);
  TsaverSettings s{ini.readString("settings", "base directory", ""), paths().getpath(kSaverPathsGroup, "monitor")};
  if (s.monitor.empty()) s.monitor = ini.readString("settings", "monitor", "");
  return s;
}

std::unique_ptr<TliteDB> attachWords(TsunLite& renderer, const std::string& baseDir) {
  const std::string name = baseDir + "words.db";
  if (!fileThere(name)) return nullptr;
  auto db = TliteDB::createReadOnly();
  db->suppressErrorMessages = true;
  db->setfile(name);
  if (!db->valid()) return nullptr;
  TlocLite& loc = renderer.locations();
  loc.wordsDb = db.get();
  loc.isLatin = db->getColumnValue("languages", "latin", TwhereClause::equals("name", loc.language)) == "yes";
  return db;
}

// ---- the window ------------------------------------------------------------------------------------

LRESULT TsaverWindow::windowProc(TMsg& m) {
  switch (m.message) {
    case WM_MOUSEMOVE:
      if (quitOnMove && renderer) {
        // Unsigned halves, as the position arrives packed.
        const int x = static_cast<int>(static_cast<uint32_t>(m.lParam) & 0xFFFF);
        const int y = static_cast<int>((static_cast<uint32_t>(m.lParam) >> 16) & 0xFFFF);
        if (mouseJumpCloses(renderer->mouseTp, x, y)) {
          desktop().show(m.hwnd, false);
          desktop().destroyWindow(m.hwnd);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_CLOSE:
      desktop().destroyWindow(m.hwnd);
      return 0;
    case kSaverWmCommand:
      if (m.wParam == kSaverCloseCommand) desktop().destroyWindow(m.hwnd);
      return 0;
    case WM_TIMER:
      if (m.wParam == kSaverTimerId && renderer) {
        // Out of sight the map waits for the first tick it is seen again, and what only a
        // rebuild reads goes back to the system.
        if (desktop().backend().isOutOfSight(m.hwnd)) renderer->releaseMemory();
        else renderer->doRefreshImage();
        desktop().setTimer(m.hwnd, kSaverTimerId, msToNextSecond());
      }
      return 0;
    case WM_DESTROY:
      if (timer != 0) desktop().killTimer(m.hwnd, timer);
      timer = 0;
      // The labels borrow the words database: the renderer goes first.
      renderer.reset();
      words.reset();
      handle = 0;
      desktop().postQuitMessage(0);
      return 0;
    default:
      return 0;
  }
}

void TsaverWindow::paintWindow(TDeviceContext& dc) {
  const TRect client = desktop().clientRect(handle);
  // The class background, black, only round the letterboxed map: the map covers the rest.
  const TRect map = renderer ? renderer->coveredBy(client) : TRect{};
  if (map.isEmpty()) {
    dc.fillRect(client, solidBrush(RGB(0, 0, 0)));
  } else {
    for (const TRect& bar : {Rect(client.Left, client.Top, client.Right, map.Top),
                             Rect(client.Left, map.Bottom, client.Right, client.Bottom),
                             Rect(client.Left, map.Top, map.Left, map.Bottom),
                             Rect(map.Right, map.Top, client.Right, map.Bottom)})
      if (!bar.isEmpty()) dc.fillRect(bar, solidBrush(RGB(0, 0, 0)));
  }
  if (!renderer) return;
  renderer->box = client;
  renderer->draw(dc, client);
  // Without map images the map is blank: the window says why and how to build them.
  const std::vector<std::string> lines = renderer->missingImagesText(exeFolder());
  if (lines.empty()) return;
  const TRect face = map.isEmpty() ? client : map;
  dc.fillRect(face, solidBrush(0x302020));
  const TmapFont font{"Calibri", 16, 0xFFFFFF};
  const int lh = mapText().textExtent(dc, font, "Ag").cy * 3 / 2;
  int y = (face.Top + face.Bottom) / 2 - lh * static_cast<int>(lines.size()) / 2;
  for (const std::string& l : lines) {
    mapText().textOut(dc, (face.Left + face.Right) / 2, y, kAlignCentre | kAlignTop, 0, font, l);
    y += lh;
  }
}

uint32_t msToNextSecond() {
  const double seconds = platform::Frac(platform::nowUTC() * 86400.0);
  // Just past the turn, so the tick never lands a hair before it.
  return static_cast<uint32_t>(std::clamp((1 - seconds) * 1000, 0.0, 1000.0)) + kSaverTickLateMs;
}

HWND CreateSaverWindow(TsaverWindow& w, const TRect& box, double magnify, const std::string& caption) {
  TprocScope proc(*os, "CreateSaverWindow");
  // The words reach the labels before the first map, which is so built once, by the first paint:
  // the window's back buffer keeps the map, built straight into it where it fits unscaled.
  w.renderer = std::make_unique<TsunLite>(os->basedir(), WithTimezones::No, std::max(box.width(), 1), magnify,
                                          [&w](TsunLite& r) {
                                            w.words = attachWords(r, os->basedir());
                                            r.windowKeepsMap = true;
                                          });
  for (const std::string& l : w.renderer->missingImagesText(exeFolder())) {
    ::log("CreateSaverWindow: " + l);
    std::cerr << kSaverExeName << ": " << l << "\n";
  }
  TWindowDesc desc;
  desc.bounds = box;
  desc.style = WS_VISIBLE;  // borderless: no caption bar
  desc.className = kSaverClass;
  desc.title = caption;
  desc.proc = &w;
  w.handle = desktop().createWindow(desc);
  if (w.handle == 0) return 0;
  const HWND h = w.handle;
  // One tick a second, just after the clock's second turns; each tick sets the next.
  w.timer = desktop().setTimer(h, kSaverTimerId, msToNextSecond());
  // A new minute changes the strip and the map only: the bars round them are not shown again.
  w.renderer->win = [&w, h] {
    const TRect map = w.renderer ? w.renderer->coveredBy(desktop().clientRect(h)) : TRect{};
    desktop().invalidate(h, map.isEmpty() ? nullptr : &map);
  };
  desktop().setCursor(h, Cursor::Hidden);
  desktop().backend().setCursor(Cursor::Hidden);
  return h;
}

// ---- the program -----------------------------------------------------------------------------------

namespace {
int runPreview(const std::string& hostText) {
  unsigned long host = 0;
  if (!parseHostId(hostText, host)) {
    std::cerr << kSaverExeName << ": the preview window id \"" << hostText << "\" is not a number\n";
    return 2;
  }
  x11::TembeddedView view;
  if (!view.open(host, kPreviewHostWaitMs)) {
    std::cerr << kSaverExeName << ": no preview window " << host << " is shown\n";
    return 1;
  }
  TrawBitmap24 picture;
  // Without a prepared picture the preview stays empty.
  if (!picture.loadfromFile(os->basedir() + "preview.bmp")) return 0;
  const TSize size = view.size();
  TrawBitmap24 shown;
  shown.setsize(size.cx, size.cy);
  picture.Draw(shown.dc(), Rect(0, 0, size.cx, size.cy));
  view.show(shown.bitmap());
  while (view.serve(1000)) {
  }
  return 0;
}
}  // namespace

int RunSaver(const std::string& exePath, const std::vector<std::string>& args) {
  // Frame-sized buffers always come straight from the system and go back to it when freed; a
  // moving threshold would put later ones on the heap, whose freed middle is never returned.
  mallopt(M_MMAP_THRESHOLD, kSaverMapThreshold);
  logname = kSaverLogName;  // before the services object, which names its log folder's files
  createOs();
  struct FreeOs {
    ~FreeOs() { freeOs(); }
  } freeAtEnd;
  {
    // An empty folder left by an earlier version.
    std::error_code ec;
    const std::string old = localAppDataFolder() + "Kestrova/version 8";
    if (std::filesystem::is_directory(old, ec) && std::filesystem::is_empty(old, ec))
      std::filesystem::remove(old, ec);
  }
  const std::string cfg = documentsFolder() + "Ombrant/Kestrova/version 8/";
  locationsFile = cfg + "locations.ini";
  os->setconfig(cfg);
  const TsaverSettings settings = readSaverSettings(locationsFile);
  if (!settings.baseDir.empty()) os->setBaseDir(settings.baseDir);

  const TsaverArgs a = parseSaverArgs(exePath, args);
  if (a.mode == SaverMode::Preview) return runPreview(a.host);

  if (x11::findWindowByClass(kSaverClass) != 0) return 0;  // one is running already
  TDesktop& d = desktop();
  if (headless()) {
    std::cerr << kSaverExeName << ": no display\n";
    return 1;
  }
  TRect box;
  double magnify = 1;
  {
    TmyMonitors monitors;
    const int index = std::max(monitors.findFromFullName(settings.monitor), 0);
    // The monitor's own bounds: a small display is covered exactly, not by a minimum size.
    box = monitors.box(index);
    if (index < monitors.count()) {
      box = monitors.item(index).box;
      magnify = monitors.item(index).scalefactor;
    }
  }
  static TsaverWindow w;  // the window's procedure outlives the window
  w.quitOnMove = a.quitOnMove;
  if (CreateSaverWindow(w, box, magnify, "Kestrova") == 0) {
    std::cerr << kSaverExeName << ": the window could not be made\n";
    return 1;
  }
  // The loop sleeps until input comes or the timer is due: idle, it wakes once a second.
  TMsg m;
  for (;;) {
    if (!d.peekMessage(m, true)) {
      d.idle(kSaverLongestSleepMs);
      continue;
    }
    if (m.message == WM_QUIT) break;
    bool handled = false;
    if (d.hook) d.hook(m, handled);
    if (!handled) d.dispatchMessage(m);
  }
  // A terminate signal ends the loop with the window still there: it goes the usual way.
  if (w.handle != 0 && d.isWindow(w.handle)) d.destroyWindow(w.handle);
  resetDesktop(std::make_unique<THeadlessBackend>());  // closes the display before the services go
  return 0;
}
