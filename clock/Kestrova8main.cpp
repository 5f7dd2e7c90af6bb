// TKestrova8Win: start-up, the five tabs and their pages, the one-second tick, home and centre
// changes from the map, and the shut-down that keeps the locations file.
#include "clock/Kestrova8main.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_LiteIni.h"
#include "core/r_Monitors.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "core/r_fileBase.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/windows.h"
#include "ui/r_recent2.h"

using namespace platform;
namespace fs = std::filesystem;

TKestrova8Win* Kestrova8Win = nullptr;

namespace {
// A data folder holds the usual map container, the large one, or both.
bool hasMapContainer(const std::string& folder) {
  return isFile(withSlash(folder) + "1920.bin") || isFile(withSlash(folder) + "3840.bin");
}

// Whether a file can be made in the folder (a folder mode says nothing to root, a read-only
// mount says nothing to the mode).
bool folderWritable(const std::string& folder) {
  const std::string probe = withSlash(folder) + ".kestrova-probe";
  platform::removeFile(probe);
  if (!platform::createExclusive(probe)) return false;
  platform::removeFile(probe);
  return true;
}
// Names in the file are compared without case and without the blanks around them.
std::string lowerKey(std::string k) {
  while (!k.empty() && (k.back() == ' ' || k.back() == '\t')) k.pop_back();
  for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return k;
}
// Moves a damaged file aside to the first free name of "<file>.bad", "<file>.bad2", ...
std::string keepAside(const std::string& file) {
  for (int n = 1; n < 100; ++n) {
    const std::string name = file + ".bad" + (n > 1 ? std::to_string(n) : std::string());
    if (platform::renameNoReplace(file, name)) return name;
    if (!isFile(name)) break;  // not taken, so the move itself failed
  }
  return {};
}
}  // namespace

bool locationsDamaged(const std::string& bytes) {
  size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  bool text = false;
  for (size_t i = start; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return true;  // binary
    if (c > ' ') text = true;
  }
  if (!text) return true;  // empty
  // The writer ends every section with an empty line: a file that stops elsewhere was cut.
  size_t end = bytes.size();
  auto lastLineBlank = [&] {
    if (end == start || bytes[end - 1] != '\n') return false;
    --end;
    while (end > start && (bytes[end - 1] == '\r' || bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) --end;
    return end == start || bytes[end - 1] == '\n';
  };
  if (!lastLineBlank()) return true;
  // The keys every location the program writes has: a last location without them was cut.
  static const char* const kLocationKeys[] = {"name", "windows name", "lat", "long", "hjustify", "vjustify"};
  std::string section;
  std::vector<std::string> keys;
  bool known = false;  // a settings or location section: something the program reads
  size_t at = start;
  while (at < bytes.size()) {
    size_t eol = bytes.find('\n', at);
    if (eol == std::string::npos) eol = bytes.size();
    std::string line = bytes.substr(at, eol - at);
    at = eol + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t lead = line.find_first_not_of(" \t");
    if (lead == std::string::npos) continue;
    line.erase(0, lead);
    if (line[0] == '[') {
      if (line.find(']') == std::string::npos) return true;
      section = lowerKey(line.substr(1, line.find(']') - 1));
      known = known || section == "settings" || section.rfind("location", 0) == 0;
      keys.clear();
      continue;
    }
    // Text before any section is not read at all: 10 MB of it would be replaced unread.
    if (section.empty()) return true;
    keys.push_back(lowerKey(line.substr(0, line.find('='))));
  }
  if (!known) return true;
  if (section.rfind("location", 0) != 0) return false;
  for (const char* k : kLocationKeys)
    if (std::find(keys.begin(), keys.end(), k) == keys.end()) return true;
  return false;
}

std::string TlocationsStart::message(const std::string& cfg) const {
  std::string m;
  if (damaged && !kept.empty())
    m = "The locations file was damaged: it is kept as \"" + kept + "\" and the default locations are shown.";
  else if (damaged)
    m = "The locations file \"" + cfg + "locations.ini\" is damaged: the default locations are shown.";
  if (readOnly) {
    if (!m.empty()) m += "\n";
    m += "The configuration folder \"" + cfg + "\" cannot be written: changes to the locations cannot be saved.";
  }
  return m;
}

std::string configFolderFor(const std::string& documents) {
  std::string d = documents;
  if (!d.empty() && d.back() != '/') d += '/';
  return d + "Ombrant/Kestrova/version 8/";
}

bool moveOldLocations(const std::string& documents, const std::string& cfg) {
  const std::string old = withSlash(documents) + "Ombrant/configuration/Kestrova8/locations.ini";
  const std::string now = cfg + "locations.ini";
  if (!isFile(old) || isFile(now)) return false;
  if (!r_fileBase::CopyFileSafely(old, now)) return false;
  platform::removeFile(old);
  return true;
}

// In order: a damaged file kept aside, the default copied in, the base directory read.
TlocationsStart readBaseDirectory(const std::string& cfg) {
  TlocationsStart r;
  r.file = cfg + "locations.ini";
  const std::string program = os ? os->basedir() : std::string();
  const std::string shipped = program + "locations.ini";
  r.readOnly = !folderWritable(cfg);
  std::string bytes;
  if (isFile(r.file) && platform::readWholeFile(r.file, bytes) && locationsDamaged(bytes)) {
    r.damaged = true;
    if (!r.readOnly) r.kept = keepAside(r.file);
    ::log("locations file damaged: " + r.file + (r.kept.empty() ? std::string() : ", kept as " + r.kept));
  }
  if (!isFile(r.file) || r.damaged) {
    if (r.readOnly || (r.damaged && r.kept.empty())) {
      // Nothing can be written beside it: this run reads and writes a private copy of the default.
      r.file = (os ? os->getTempDir() : platform::tempFolder()) + "locations.ini";
      platform::removeFile(r.file);
    }
    // The shipped default first, so that a first start shows the default locations.
    if (isFile(shipped)) r_fileBase::CopyFileSafely(shipped, r.file);
  }
  TiniLite ini(r.file);
  std::string base = ini.readString("settings", "base directory", "");
  std::error_code ec;
  if (!base.empty() && !fs::is_directory(base, ec)) {
    // A folder that is gone (the program was moved) would leave the map empty for good.
    ::log("base directory " + base + " is missing; the program's folder is used");
    base.clear();
  } else if (!base.empty() && !hasMapContainer(base) && !program.empty() && hasMapContainer(program)) {
    ::log("base directory " + base + " has no map images; the program's folder is used");
    base.clear();
  }
  if (!base.empty()) {
    if (os) os->setBaseDir(base);
  } else if (os) {
    ini.writeString("settings", "base directory", os->basedir());
    ini.UpdateFile();
  }
  return r;
}

std::vector<int32_t> programIcon() {
  std::vector<int32_t> px(32 * 32, 0x0000FF);  // the transparent colour
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const double dx = x - 15.5, dy = y - 15.5, r = std::sqrt(dx * dx + dy * dy);
      if (r > 15) continue;
      int32_t c = x < 16 ? 0x3CB4E6 : 0x643214;  // day on the left, night on the right
      if (r > 13.5) c = 0x202020;
      px[static_cast<size_t>(y * 32 + x)] = c;
    }
  return px;
}

TemptyPage::TemptyPage(TWinControl* owner) : TQYcontrol(owner) {
  withBackground = true;
  colour = dlgColour;
  Color = static_cast<TColor>(dlgColour);
}

// ---------------------------------------------------------------------------------------------

TKestrova8Win::TKestrova8Win() {
  Kestrova8Win = this;
  Caption = "Ombrant Kestrova 8";
  SetBounds(0, 0, 1364, 689);
}

TKestrova8Win::~TKestrova8Win() {
  if (!fclosed) FormClose();
  // Pages go before the tabs that point at them.
  for (auto& t : a) t->page = nullptr;
  mapPage.reset();
  skyView.reset();
  astroPage.reset();
  shadowsPage.reset();
  locPage.reset();
  skypage.reset();
  clockPage.reset();
  shadowPage.reset();
  setPage.reset();
  if (Kestrova8Win == this) Kestrova8Win = nullptr;
  setRecentStoreFolder("");
}

void TKestrova8Win::FormCreate() {
  Hide();
  if (!os) createOs();
  TprocScope proc(*os, "TKestrova8Win.FormCreate");
  os->seterr("a");  // a: configuration folder
  const std::string docs = os->documents.empty() ? documentsFolder() : os->documents;
  const std::string cfg = configFolderFor(docs);
  loggingdir = cfg;
  os->MakeDirectory(cfg);
  os->setconfig(cfg);
  // Started from a terminal or a launcher, the current folder is anyone's: the picker's folders
  // and column settings stay beside the other settings.
  setRecentStoreFolder(cfg);
  locationsDir = cfg;
  moveOldLocations(docs, cfg);
  os->seterr("b");  // b: base directory
  const TlocationsStart locations = readBaseDirectory(cfg);
  locationsFile = locations.file;
  ::logging = true;

  os->seterr("c");  // c: monitor
  int monitor = 0;
  const std::string name = settings().readString("settings", "monitor", "");
  if (os->monitors) {
    if (!name.empty()) monitor = os->monitors->findFromFullName(name);
    os->monitors->setIndex(monitor);
    screenwidth = os->monitors->box(monitor).width();
  }
  os->setMagnify(1.0);

  os->seterr("d");  // d: the form and its tabs
  statusFontColour = 0xFFFFFF;
  TtabForm::start();
  setIcon(programIcon());
  OnResize = [this](TWinControl*) {
    doResize();
    FormResize();
  };
  disabledColour = 0x404040;
  setMonitor(monitor);
  Color = clBlack;
  colour = TosDrawing::FadeColour(colour, 0, 70);
  linecolour = 0xDCDCDC;
  setTitle("KESTROVA");
  const std::pair<int, const char*> tabs[] = {{tab_map, "World map"},
                                              {tab_sky, "Sky view"},
                                              {tab_astro, "Astronomical data"},
                                              {tab_shadows, "Shadows"},
                                              {tab_settings, "Settings"}};
  for (auto [id, caption] : tabs) add(os->wd("s8", caption), id);
  for (auto& t : a) {
    t->selcolour = TosDrawing::FadeColour(0xEAC8AC, 0, 30);
    t->nonselcolour = os->selColour;
    t->nonSelFontColour = 0xFFFFFF;
    t->backcolour = colour;
    t->SetEnabled(true);
  }
  setMaximized(true);
  onSelect = [this](TformTab* t) { doTab(t); };
  onNeedpage = [this](TformTab* t) { doNeedpage(t); };

  os->seterr("e");  // e: locations model
  sunbase = std::make_unique<TsunBase>(os->basedir() + "sky.db", screenwidth);
  if (isFile(locations.file)) sunbase->locations().loadfromfile(locations.file);

  os->seterr("f");  // f: timer and the first page
  timer = std::make_unique<TTimer>();
  timer->SetInterval(1000);
  timer->SetOnTimer([this](TTimer* t) { doTimer(t); });
  selectTab(0);

  // Said once, over the map: what became of a damaged file, and that nothing can be kept.
  if (const std::string m = locations.message(cfg); !m.empty()) {
    ::log(m);
    yo(os->wd("s8", m));
  }
}

void TKestrova8Win::doNeedpage(TformTab* tab) {
  if (timer) timer->SetEnabled(false);
  f = tab;
  switch (tab->id) {
    case tab_map:
      if (!mapPage) {
        // The labels' words and language before the first map: it is built once.
        mapPage = std::make_unique<TsunHD2>(this, screenwidth, timer.get(), [this](TsunLite& map) {
          TlocLite& labels = map.locations();
          if (!sunbase) return;
          labels.wordsDb = sunbase->locations().wordsDb();
          labels.language = sunbase->locations().language();
          labels.isLatin = sunbase->locations().isLatin();
        });
        mapPage->topAligned = true;
        TlocLite& labels = mapPage->sunLite->locations();
        labels.onChangeCentre = [this](TlocLite*) { doChangeCentre(); };
        mapPage->onChangeHome = [this](TsunHD2*) { doChangeHome(); };
        mapPage->onError = [this](TsunHD2* page, const std::exception& e) { MyExceptionHandler(page, e); };
      }
      tab->page = mapPage.get();
      break;
    case tab_sky:
      if (!skyView && sunbase) {
        skyView = std::make_unique<TskyView>(this, *sunbase);
        skyView->onError = [this](TskyView* page, const std::exception& e) { MyExceptionHandler(page, e); };
      }
      if (skyView) {
        tab->page = skyView.get();
        break;
      }
      [[fallthrough]];
    case tab_astro:
      if (tab->id == tab_astro && !astroPage && sunbase) {
        astroPage = std::make_unique<TclockPage>(this, *sunbase);
        astroPage->onError = [this](TclockPage* page, const std::exception& e) { MyExceptionHandler(page, e); };
      }
      if (tab->id == tab_astro && astroPage) {
        tab->page = astroPage.get();
        break;
      }
      [[fallthrough]];
    case tab_shadows:
      if (tab->id == tab_shadows && !shadowsPage && sunbase) shadowsPage = std::make_unique<TshadowPage>(this, *sunbase);
      if (tab->id == tab_shadows && shadowsPage) {
        tab->page = shadowsPage.get();
        break;
      }
      [[fallthrough]];
    case tab_settings: {
      if (tab->id == tab_settings && !locPage && sunbase) locPage = std::make_unique<TlocPage>(this, *sunbase);
      if (tab->id == tab_settings && locPage) {
        tab->page = locPage.get();
        break;
      }
      auto& page = tab->id == tab_sky ? skypage : tab->id == tab_astro ? clockPage : tab->id == tab_shadows ? shadowPage : setPage;
      if (!page) page = std::make_unique<TemptyPage>(this);
      tab->page = page.get();
      break;
    }
    default:
      break;
  }
}

void TKestrova8Win::setHomeOfMap() {
  if (!mapPage || !sunbase) return;
  Tlocations& l = sunbase->locations();
  mapPage->homeplace = l.homeplace;
  const int home = l.getHome();
  mapPage->homeplace = l.homeplace;
  const int tz = l.getLoc(home).tzIndex;
  mapPage->homeTz.clear();
  if (dateman && tz >= 0 && tz < dateman->TimeZones().count()) mapPage->homeTz = dateman->TimeZones()[tz];
}

void TKestrova8Win::doTab(TformTab* tab) {
  if (!timer) return;
  timer->SetEnabled(false);
  TformTab* left = priorTab;
  if (left && left->id == tab_map && mapPage) mapPage->leave();
  // The map and the wall clock read the locations file: it is written before the map reloads it.
  if (left && left->id == tab_settings && locPage) locPage->leave();
  if (left && left->id == tab_settings && mapPage && sunbase) {
    TlocLite& labels = mapPage->sunLite->locations();
    labels.labelmagnify = sunbase->locations().labelMagnify;
    labels.language = sunbase->locations().language();
    labels.isLatin = sunbase->locations().isLatin();
  }
  os->setMagnify(1.0);
  f = tab;
  switch (tab->id) {
    case tab_map:
      if (mapPage) {
        setHomeOfMap();
        if (left && left->id == tab_settings) mapPage->sunLite->refreshImage(RefreshBy::Force);
        mapPage->reenter();
      }
      break;
    case tab_sky:
      if (skyView && tab->page == skyView.get()) {
        skyView->reenter();
        break;
      }
      [[fallthrough]];
    case tab_astro:
    case tab_shadows:
    case tab_settings:
      if (auto* p = dynamic_cast<TQYcontrol*>(tab->page)) p->reenter();
      break;
    default:
      break;
  }
  doTimer(nullptr);
  timer->SetEnabled(tab->id >= tab_map && tab->id <= tab_astro);
}

void TKestrova8Win::doTimer(void* sender) {
  try {
    if (dateman) dateman->getgmt();
    // A minimised window ticks no page: nobody sees it; the map lets go what only its rebuild reads.
    if (minimised() && mapPage) mapPage->sunLite->releaseMemory();
    if (!minimised() && f) {
      switch (f->id) {
        case tab_map:
          if (mapPage) {
            mapPage->dotimer(sender);
            ++ticks;
          }
          break;
        case tab_sky:
          if (skyView && f->page == skyView.get()) {
            skyView->dosecond(sender);
            ++ticks;
            break;
          }
          [[fallthrough]];
        case tab_astro:
          if (astroPage && f->page == astroPage.get()) astroPage->doMoment(sender);
          if (f->page) ++ticks;
          break;
        default:
          break;
      }
    }
    if (!Visible()) Show();
  } catch (const std::exception& e) {
    MyExceptionHandler(mapPage.get(), e);
  }
}

void TKestrova8Win::doChangeHome() {
  if (!mapPage || !sunbase) return;
  Tlocations& l = sunbase->locations();
  if (mapPage->hit < 0 || mapPage->hit >= l.count()) return;
  l.setHome(mapPage->hit);
  l.changed = true;
  setHomeOfMap();
}

void TKestrova8Win::doChangeCentre() {
  if (!mapPage || !sunbase) return;
  sunbase->locations().centreLong = mapPage->sunLite->locations().centreLong();
  sunbase->locations().changed = true;
}

void TKestrova8Win::saveLocationsOnLostDisplay() {
  if (fclosed || !sunbase) return;
  // What a close would keep: the map's centre, and the locations when they changed or when the
  // Settings page, whose edits do not mark them, is shown.
  if (mapPage) mapPage->sunLite->locations().flushCentre();
  Tlocations& l = sunbase->locations();
  if (!l.changed && !(f && f->id == tab_settings)) return;
  l.getHome();
  if (l.saveToFile(l.filename())) {
    l.changed = false;  // written: the model's own save at its end has nothing left to do
    ::log("the changed locations were written to " + l.filename());
  }
}

void TKestrova8Win::FormResize() {
  if (!timer || !f) return;
  if (minimised()) timer->SetEnabled(false);
  else timer->SetEnabled(f->id >= tab_map && f->id <= tab_astro);
}

void TKestrova8Win::FormClose() {
  if (fclosed) return;
  fclosed = true;
  if (os) os->unassignTimer(timer);
  else timer.reset();
  // The labels' centre reaches the file first; the locations model then saves what changed.
  if (mapPage) mapPage->sunLite->locations().flushCentre();
  if (f && f->id == tab_settings && locPage) locPage->leave();
  if (os) {
    closedown();
    os->unassign(sunbase);
  } else {
    sunbase.reset();
  }
}

LRESULT TKestrova8Win::WndProc(TMsg& m) {
  if (m.message == WM_CLOSE) {
    FormClose();
    Hide();
    if (hasDesktop()) desktop().postQuitMessage(0);
    return 0;
  }
  return TtabForm::WndProc(m);
}
