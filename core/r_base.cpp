// TqyObject, the error trail and the services object `os`.
// The procedure stack lives in `os`: every named procedure pushes (text, object); an object's
// next step marker unwinds entries that nested procedures left behind.
#include "core/r_base.h"

#include <cxxabi.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <random>
#include <typeinfo>

#include "core/TQYcontrol.h"
#include "core/Tblend.h"
#include "core/TQYini.h"
#include "core/Ttrig.h"
#include "core/Tyo.h"
#include "core/r_Font.h"
#include "core/Tunits.h"
#include "core/Tutil.h"
#include "core/r_date.h"
#include "core/r_fileBase.h"
#include "core/r_paths.h"
#include "core/r_log.h"
#include "core/trailError.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/localenames.h"
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
bool suppressCursors = false;
bool showBugs = false;

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

std::string trailError(TtrailSource& ob, const std::string& text, const std::string& procname) {
  if (os) {
    // Unwind to this object: entries of procedures that nested inside ours and never closed.
    while (!os->procnames.empty() && os->procOb != &ob) {
      os->procnames.pop_back();
      os->procOb = os->procnames.empty() ? nullptr : os->procnames.back().ob;
    }
  }
  if (!text.empty() && procname.empty()) return std::string(ob.unitName()) + "." + ob.className() + "." + text;
  return text;
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
  ferr = trailError(*this, text, fprocname);
  if (os) os->lasterr = ferr;
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

// A control's progress goes to os's own (whose handler then shows it); any other worker's is mapped
// in place. The control's handler has a typed sender, so it gets the control and reads the relayed
// value from os.
void Tos::doPercent(TtrailSource* sender) {
  if (supressPercent || !onPercent) return;
  auto relayed = [&](int percent) {
    return platform::Round32(static_cast<double>(percent * (maxPercent - minPercent)) / 100.0 + minPercent);
  };
  if (auto* c = dynamic_cast<TQYcontrol*>(sender)) {
    setpercent(relayed(c->percent()));
    onPercent(this);
    if (c->onPercent) c->onPercent(c);
    return;
  }
  auto* q = dynamic_cast<TqyObject*>(sender);
  if (!q) return;
  q->setpercent(relayed(q->percent()));
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
  // The folder is kept as given; the marker file is always joined with a separator.
  const std::string marker = logname + ".txt";
  if (!ftempdir.empty()) deleteFileIfPresent(platform::withSlash(ftempdir) + marker);
  ftempdir = v;
  forceFolder(ftempdir);
  const std::string file = platform::withSlash(ftempdir) + marker;
  deleteFileIfPresent(file);
  TStringList l;
  l.add(platform::exePath());
  if (!l.saveToFile(file)) log("setTempDir: cannot write " + file);
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
  // The message hook joins the application's message event before anything else.
  platform::Application().OnMessage = [this](platform::TMsg& m, bool& handled) { MsgHandler(m, handled); };
  appTitle = "Ombrant";
  std::random_device rd;
  sessionID = rd() % 9999999u;
  showBugs = true;
  wm_ombrant = platform::RegisterWindowMessage("wm_ombrant");
  // dlgColour: $EAC8AC faded 70 percent towards white.
  auto fade = [](int a, int b) { return platform::Round32(a + (b - a) * 0.70); };
  dlgColour = fade(0xAC, 0xFF) | (fade(0xC8, 0xFF) << 8) | (fade(0xEA, 0xFF) << 16);
  dlgFontColour = 0;
  // Seam: the 1 by 1 reference bitmap `refbm` is made here.
  fffontMagnification = userFontMagnification = oldmagnification = fontTypeFactor = 1.0;
  fontTypeTopFactor = 0.25;
  maxPercent = 100;
  withoverwriteprompt = true;
  fOptions.clear();

  setBaseDir(platform::exeFolder());
  // Program name: the file name without its extension, blanks made underscores.
  std::string name = platform::exeName();
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  for (char& c : name)
    if (c == ' ') c = '_';
  fapp = name;

  ftempdir = fbasedir;
  fsettings.clear();
  setconfig(fbasedir);
  setAppDir(platform::localAppDataFolder() + "Ombrant/");
  CommonAppDir = fappdir;
  forceFolder(CommonAppDir);
  epsgDir = fappdir + "epsg/";
  documents = platform::documentsFolder();
  thousandseparator = GetLocaleChar(LOCALE_STHOUSAND, ",");
  decimalseparator = GetLocaleChar(LOCALE_SDECIMAL, ".");
  createDateman();  // freed last, by its own module, not by os
  fcorrect = magnify > 0 ? 1.0 / magnify : 1.0;
  monitors = std::make_unique<TmyMonitors>();
  random = std::make_unique<Trandom>();
  // The first asking of the DPI also sets the program magnification.
  fRawPpmm = screenDPI() / 25.4 * fcorrect;
  fppmm = fRawPpmm;
  fwinID = win_unknown;  // not a Windows platform: the code of versions the table does not know
  struct utsname u {};
  f64 = uname(&u) == 0 && std::string(u.machine) == "x86_64";
  useOEM = true;
  procnames.clear();
  WindowsUserName = platform::userName();
  largefilesize = 25;
  basecolour = 0xC40000;
  baseColourHigh = 0xFFFFFF;
  selColour = 0x80503C;
  if (!util) util = std::make_unique<Tutil>();  // each service only when its global is unset
  createUnits();
  createTrig();
  installProgramFonts(resourcedir);  // before the font manager lists the faces
  createFontMan();
  if (fontman) setDefFontName(fontman->SansSerif());
  // Display scaling asks the font manager about faces (while it exists).
  TfontFacts& facts = fontFacts();
  facts.isScreenFont = [](std::string const& n) { return !fontman || fontman->fonts().indexOf(n) >= 0; };
  facts.getFontName = [](std::string const& n) { return fontman ? fontman->getFontName(n) : n; };
  facts.fontfactor = [](std::string const& n, double& top, double& baseline) {
    double pttomm = 0, lower = 0;
    return fontman ? fontman->fontfactor(n, top, baseline, pttomm, lower) : 1.0;
  };
  facts.menuFontName = [] { return std::string("DejaVu Sans"); };  // the menu font's stand-in
  setfontname("");  // the default face when no name is given
  fscreenInfo = std::make_unique<TscreenInfo2>();
  monitors->onChange = [this](TmyMonitors*) {
    if (fscreenInfo) fscreenInfo->refresh();
  };
  if (!suppressCursors) loadToolCursors(resourcedir);
  if (!blend) blend = std::make_unique<Tblend>();
  // The library's own hint window becomes the application's.
  platform::TApplication& app = platform::Application();
  app.ShowHint = false;
  app.CancelHint();
  app.HintWindowClass = [] { return std::make_unique<TQYhintWindow>(); };
  app.ShowHint = true;
  app.OnShowHint = &Tos::doShowHint;
}

void Tos::doShowHint(std::string&, bool&, platform::THintInfo& info) { info.ReshowTimeout = 50; }

void Tos::unassignTimer(std::unique_ptr<platform::TTimer>& timer) noexcept {
  if (!timer) return;
  try {
    timer->SetEnabled(false);
  } catch (...) {
    timer.reset();
    return;
  }
  try {
    unassign(timer, false);
  } catch (...) {
  }
  timer.reset();
}

Tos::~Tos() {
  log("destroying Tos");
  if (!discardchanges && fsettings.count() > 0) {
    TStringList sorted = fsettings;
    sorted.onChange = nullptr;
    sorted.sort();
    std::string why;
    if (!fconfig.empty() && !platform::replaceFileContents(fconfig + fapp + ".settings", sorted.text(), &why))
      reportWriteFailure("The settings list could not be saved (" + why + "); the file on disk is unchanged.");
  }
  if (!discardchanges && flingua) {
    if (!saveLanguage()) log("cannot write the language list " + flinguafile);
    flingua.reset();
  }
  // The hook and the hint window class reach back into `os`: they go first.
  if (platform::hasDesktop()) {
    platform::TApplication& app = platform::Application();
    app.OnMessage = nullptr;
    app.OnShowHint = nullptr;
    app.CancelHint();
  }
  unassign(fscreenInfo);
  unassign(monitors);
  unassign(random);
  // Seams: the work bitmaps, then the fonts step.
  unassign(blend, false);
  fsettings.onChange = nullptr;
  fsettings.clear();
  fOptions.clear();
  unassign(util, false);
  freeTrig();
  freeFontMan();
  freeUnits();
  procnames.clear();
  procOb = nullptr;
  log("destroyed Tos");
  freeLog();
  logging = false;
  if (os == this) os = nullptr;  // the base destructors must not reach back into a freed `os`
}

// ---------------------------------------------------------------------------------------------
// Tos: platform facts

std::string Tos::GetLocaleStr(int32_t lctype, const std::string& def) const {
  using W = platform::LocaleWord;
  auto inRun = [&](int32_t first, int count) { return lctype >= first && lctype < first + count; };
  std::string v;
  switch (lctype) {
    case LOCALE_SLANGUAGE:
    case LOCALE_SNATIVELANGNAME: v = platform::localeWord(W::Language); break;
    case LOCALE_SENGLANGUAGE: v = platform::localeWord(W::EnglishLanguage); break;
    case LOCALE_SCOUNTRY:
    case LOCALE_SNATIVECTRYNAME: v = platform::localeWord(W::Country); break;
    case LOCALE_SENGCOUNTRY: v = platform::localeWord(W::EnglishCountry); break;
    case LOCALE_SISO639LANGNAME: v = platform::localeWord(W::IsoLanguage); break;
    case LOCALE_SISO3166CTRYNAME: v = platform::localeWord(W::IsoCountry); break;
    case LOCALE_SDECIMAL: v = platform::localeDecimalSeparator(); break;
    case LOCALE_STHOUSAND: v = platform::localeThousandSeparator(); break;
    case LOCALE_S1159: v = platform::localeWord(W::Am); break;
    case LOCALE_S2359: v = platform::localeWord(W::Pm); break;
    default:
      if (inRun(LOCALE_SDAYNAME1, 7)) v = platform::localeDayName(lctype - LOCALE_SDAYNAME1);
      else if (inRun(LOCALE_SABBREVDAYNAME1, 7)) v = platform::localeWord(W::ShortDay, lctype - LOCALE_SABBREVDAYNAME1);
      else if (inRun(LOCALE_SMONTHNAME1, 12)) v = platform::localeMonthName(lctype - LOCALE_SMONTHNAME1);
      else if (inRun(LOCALE_SABBREVMONTHNAME1, 12))
        v = platform::localeWord(W::ShortMonth, lctype - LOCALE_SABBREVMONTHNAME1);
  }
  return v.empty() ? def : v;
}

std::string Tos::GetLocaleChar(int32_t lctype, const std::string& def) const {
  std::string v = GetLocaleStr(lctype, "");
  if (v.empty()) return def;
  return v.substr(0, platform::codePointOffset(v, 1));
}

int32_t Tos::winIDFromVersion(int major, int minor, bool ntPlatform) {
  if (major == 4 && minor == 0) return ntPlatform ? win_nt : win_95;
  if (major == 4 && minor == 10) return win_98;
  if (major == 4 && minor == 90) return win_ME;
  if (major == 5 && minor == 0) return win_2000;
  if (major == 5 && minor == 1) return win_XP;
  if (major == 6 && minor == 0) return win_Vista;
  if (major == 6 && minor == 1) return win_7;
  if (major == 6 && minor == 2) return win_8;
  return win_unknown;
}

bool Tos::asks64bit(int major, int minor) { return (major == 5 && minor == 1) || major == 6; }

// ---------------------------------------------------------------------------------------------
// Tos: freeing

std::string Tos::qualifiedName(const std::type_info& t, Qualified q) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(t.name(), nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && d ? d.get() : t.name();
  if (q == Qualified::No) {
    auto colon = name.rfind("::");
    if (colon != std::string::npos) name = name.substr(colon + 2);
  }
  return name;
}

void Tos::unassignFailed(const std::string& cls, const std::string& qualified, bool showerror,
                         const std::string& context, const std::string& what) {
  const std::string ctx = context.empty() ? std::string() : "context: " + context + "\r";
  if (showerror) winYo(ctx + "unassign: " + cls + " \r" + qualified + "  r_base previous: " + lastUnassign);
  log(ctx + "unassign: " + cls + " |" + qualified + "  |previous: " + lastUnassign + (what.empty() ? "" : " | " + what));
}

void Tos::unassignBroke(const std::string& state, const std::string& context) noexcept {
  try {
    log("unassign error A: " + state + " |" + context);
  } catch (...) {
  }
}

// ---------------------------------------------------------------------------------------------
// Tos: folders of other programs

void Tos::initDirectories(const std::string& progName, bool inMyDocuments, bool underOmbrant) {
  std::string f = platform::localAppDataFolder() + "Ombrant/";
  commonDataDir = f + "common data/";
  if (inMyDocuments) {
    if (underOmbrant) {
      f = documents + "Ombrant/" + progName + "/";
      commonDataDir = documents + "Ombrant/common data/";
    } else {
      f = documents + progName + "/";
      commonDataDir = f + "common data/";
    }
  } else {
    forceFolder(f + WindowsUserName + "/");
    f = f + WindowsUserName + "/" + progName + "/";
  }
  epsgDir = commonDataDir + "epsg/";
  forceFolder(f);
  forceFolder(commonDataDir);
  forceFolder(epsgDir);
  fconfig = f;
  CommonAppDir = f;
  fappdir = f;
  forceFolder(f + "log/");
  forceFolder(f + "log/archive/");
  if (!logObject) {
    logObject = std::make_unique<Tlog>(fconfig + "log/");
    logObject->setUserDir(fconfig + "log/archive/");
    logObject->saveEachTime = true;
  }
}

Tos& createOs(double magnify) {
  if (!os) {
    os = new Tos();
    os->create(magnify);
  }
  return *os;
}

void freeOs() {
  // The core module's finalization: the program settings file and the per-user store are saved
  // and freed while `os` can still log.
  if (os) log("finalization");
  freeSettings();
  freePaths();
  if (!os) return;
  log("finalization2");
  delete os;  // the destructor still logs through `os`, then clears it
}
