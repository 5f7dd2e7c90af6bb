// TqyObject, the error trail and the services object `os`.
// The procedure stack lives in `os`: every named procedure pushes (text, object); an object's
// next step marker unwinds entries that nested procedures left behind.
#include "core/r_base.h"

#include <cxxabi.h>

#include <cmath>
#include <random>
#include <typeinfo>

#include "core/Ttrig.h"
#include "core/Tunits.h"
#include "core/r_date.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/numbers.h"
#include "platform/process.h"
#include "platform/text.h"

Tos* os = nullptr;
std::string appTitle;
int32_t dlgColour = 0;
int32_t dlgFontColour = 0;
bool logging = true;
int instanceID = 0;
std::string lastUnassign;

// ---------------------------------------------------------------------------------------------
// TtrailSource

TtrailSource::~TtrailSource() {
  if (os) os->forget(this);
}

std::string TtrailSource::className() const {
  int status = 0;
  const char* mangled = typeid(*this).name();
  std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && d ? d.get() : mangled;
  auto colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

// ---------------------------------------------------------------------------------------------
// TqyObject

TqyObject::TqyObject() = default;
TqyObject::TqyObject(std::string i) : id(std::move(i)) {}

void TqyObject::setpercent(int value) {
  fpercent = value;
  if (finishPC == 0) finishPC = 100;
  if (startPc > 0 || finishPC < 100)
    fpercent = platform::Round32(static_cast<double>(fpercent) / 100.0 * (finishPC - startPc) + startPc);
  if (onPercent) {
    onPercent(this);
  } else if (os && this != os) {
    os->setpercent(fpercent);
  }
}

void TqyObject::seterr(const std::string& text) {
  if (os) {
    // Unwind to this object: entries of procedures that nested inside ours and never closed.
    while (!os->procnames.empty() && os->procOb != this) {
      os->procnames.pop_back();
      os->procOb = os->procnames.empty() ? nullptr : os->procnames.back().ob;
    }
  }
  std::string t = text;
  if (!t.empty() && fprocname.empty()) t = std::string(unitName()) + "." + className() + "." + t;
  ferr = t;
  if (os) os->lasterr = t;
}

void TqyObject::setproc(const std::string& name) {
  std::string text = name.empty() ? std::string() : className() + "." + name;
  fprocname = text;
  if (os) {
    os->procOb = this;
    if (!text.empty()) os->pushProc(text);
    else os->popProc();
  }
  seterr("");
  if (name.empty()) extraLogging = false;
}

void TqyObject::log(const std::string& s) const {
  if (logging) ::log(std::string(unitName()) + "." + className() + "." + s);
}

void TqyObject::logEx(const std::string& s) const {
  if (extraLogging) log(s);
}

// ---------------------------------------------------------------------------------------------
// Tos: error trail

void Tos::pushProc(const std::string& text) {
  procnames.push_back({text, procOb});
  lasterr.clear();
}

void Tos::popProc() {
  if (!procnames.empty()) procnames.pop_back();
  lasterr.clear();
}

std::string Tos::trail() const {
  std::string out;
  for (size_t i = 0; i < procnames.size(); ++i) {
    if (i > 0) out += ":";
    out += procnames[i].name;
    if (procnames[i].ob) out += procnames[i].ob->trailText();
  }
  return out;
}

void Tos::forget(const TtrailSource* ob) {
  for (auto& e : procnames)
    if (e.ob == ob) e.ob = nullptr;
  if (procOb == ob) procOb = nullptr;
}

void Tos::doPercent(TtrailSource* sender) {
  if (supressPercent || !onPercent) return;
  auto* q = dynamic_cast<TqyObject*>(sender);
  if (!q) return;  // controls relay through their own base (added with the control base)
  int v = platform::Round32(static_cast<double>(q->percent() * (maxPercent - minPercent)) / 100.0 + minPercent);
  q->setpercent(v);
  onPercent(q);
  if (q->onPercent) q->onPercent(q);
}

// ---------------------------------------------------------------------------------------------
// Folder helpers

bool forceFolder(const std::string& folder) { return r_fileBase::MakeDirectory(folder); }

bool fileExists(const std::string& path) { return r_fileBase::FileExists(path); }

bool deleteFileIfPresent(const std::string& path) { return platform::removeFile(path); }

// ---------------------------------------------------------------------------------------------
// Tos: folders

Tos::Tos() = default;

void Tos::setBaseDir(std::string v) {
  v = platform::withSlash(v);
  fbasedir = v;
  // The folder above: up to the slash before the final one; the root is its own parent.
  auto prev = v.size() >= 2 ? v.rfind('/', v.size() - 2) : std::string::npos;
  parentdir = prev == std::string::npos ? std::string("/") : v.substr(0, prev + 1);
  addonDir = parentdir + "add-ons/";
  resourcedir = platform::isFolder(fbasedir + "resources") ? fbasedir + "resources/" : fbasedir;
}

void Tos::setAppDir(std::string v) {
  fappdir = platform::withSlash(v);
  forceFolder(fappdir);
}

void Tos::setTempDir(const std::string& v) {
  if (!ftempdir.empty()) deleteFileIfPresent(platform::withSlash(ftempdir) + "log.txt");
  ftempdir = v;
  forceFolder(ftempdir);
}

void Tos::setconfig(std::string v) {
  v = platform::withSlash(v);
  if (v == fconfig) return;
  const std::string logFile = logname + ".txt";
  if (!fconfig.empty()) deleteFileIfPresent(fconfig + logFile);
  fconfig = v;
  fsettings.clear();
  if (fileExists(fconfig + fapp + ".settings")) fsettings.loadFromFile(fconfig + fapp + ".settings");
  forceFolder(fconfig);
  deleteFileIfPresent(fconfig + logFile);
}

// ---------------------------------------------------------------------------------------------
// Tos: life

void Tos::create(double magnify) {
  appTitle = "Ombrant";
  std::random_device rd;
  sessionID = rd() % 9999999u;
  // dlgColour: $EAC8AC faded 70 percent towards white.
  auto fade = [](int a, int b) { return platform::Round32(a + (b - a) * 0.70); };
  dlgColour = fade(0xAC, 0xFF) | (fade(0xC8, 0xFF) << 8) | (fade(0xEA, 0xFF) << 16);
  dlgFontColour = 0;
  maxPercent = 100;

  setBaseDir(platform::exeFolder());
  // Program name: the file name without its extension, blanks made underscores.
  std::string name = platform::exeName();
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  for (char& c : name)
    if (c == ' ') c = '_';
  fapp = name;

  ftempdir = fbasedir;
  setconfig(fbasedir);
  setAppDir(platform::localAppDataFolder() + "Ombrant/");
  CommonAppDir = fappdir;
  epsgDir = fappdir + "epsg/";
  documents = platform::documentsFolder();
  thousandseparator = platform::localeThousandSeparator();
  decimalseparator = platform::localeDecimalSeparator();
  fcorrect = magnify > 0 ? 1.0 / magnify : 1.0;
  WindowsUserName = platform::userName();
  createDateman();  // freed last, by its own module, not by os
  // Seams for the services that later steps add to the start-up, in this order:
  // calendar (dateman), monitors and random streams, DPI and pixels per millimetre,
  // util / units / trig, program fonts, font manager, screen info, tool cursors, blend service,
  // hint window.
  random = std::make_unique<Trandom>();
  createUnits();  // each only when its global is unset
  createTrig();
}

Tos::~Tos() {
  log("destroying Tos");
  if (!discardchanges && fsettings.count() > 0) {
    TStringList sorted = fsettings;
    sorted.onChange = nullptr;
    sorted.sort();
    if (!fconfig.empty() && !sorted.saveToFile(fconfig + fapp + ".settings"))
      log("cannot write the settings list " + fconfig + fapp + ".settings");
  }
  unassign(random);
  freeTrig();
  freeUnits();
  log("destroyed Tos");
  freeLog();
  logging = false;
  if (os == this) os = nullptr;  // the base destructors must not reach back into a freed `os`
}

Tos& createOs(double magnify) {
  if (!os) {
    os = new Tos();
    os->create(magnify);
  }
  return *os;
}

void freeOs() {
  if (!os) return;
  delete os;  // the destructor still logs through `os`, then clears it
}
