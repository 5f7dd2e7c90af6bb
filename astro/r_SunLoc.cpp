// r_SunLoc: the locations model and the locations file. The file is an ini text: section
// "settings", then one section "location N" per location; numbers are written with a full stop
// and read with a full stop or a decimal comma.
#include "astro/r_SunLoc.h"

#include <algorithm>
#include <cmath>

#include "astro/r_sunLite.h"
#include "core/TQYini.h"
#include "core/r_date.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "storage/r_sqlite.h"

std::string locationsDir;

namespace {
constexpr const char* kSettings = "settings";
constexpr const char* kDefaultZone = "GMT Standard Time";

TdateMan& calendar() { return createDateman(); }

int zoneIndexOf(const std::string& name) { return calendar().ftimezones.indexOf(name); }

std::string fixed(double v, int decimals) {
  static const TosNumberText plain;
  const TosNumberText& n = os ? static_cast<const TosNumberText&>(*os) : plain;
  return n.DoubleToStrUK(v, decimals);
}

std::string hText(int32_t code) { return code == kJustifyRight ? "right" : code == kJustifyCentre ? "centre" : "left"; }
std::string vText(int32_t code) { return code == kJustifyBottom ? "bottom" : code == kJustifyCentre ? "centre" : "top"; }
int32_t hCode(const std::string& s) { return s == "right" ? kJustifyRight : s == "centre" ? kJustifyCentre : kJustifyLeft; }
int32_t vCode(const std::string& s) { return s == "bottom" ? kJustifyBottom : s == "centre" ? kJustifyCentre : kJustifyTop; }

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

// ---- Tlocations -----------------------------------------------------------------------------------

Tlocations::Tlocations(int32_t wid) : mapwidth(wid) {
  showLocations = true;
  monitor = settings().readString(kSettings, "monitor", "");
  bm = std::make_unique<Tbm24>();
  bm->setsize(500, 200);
  dc = &bm->dc();
  labelMagnify = 1.0;
  setlingua("English");
  homeLat = 52.0;
  homeLong = 0.0;
  TmapText& text = mapText();
  if (mapwidth > 1920 && text.faceInstalled("Gill Sans MT")) fontname = "Gill Sans MT";
  else if (text.faceInstalled("Open Sans")) fontname = "Open Sans";
  else fontname = text.sansFace();
}

Tlocations::~Tlocations() {
  if (changed) saveToFile(fname);
}

void Tlocations::clear() { a.clear(); }

void Tlocations::setWordsDb(std::unique_ptr<TliteDB> db) {
  fwdb = std::move(db);
  setlingua(flanguage);
}

void Tlocations::setlingua(const std::string& value) {
  flanguage = value;
  fIsLatin = fwdb && fwdb->valid() &&
             fwdb->getColumnValue("languages", "latin", TwhereClause::equals("name", value)) == "yes";
}

Tloc& Tlocations::getLoc(int index) {
  if (index < 0 || index >= getcount()) index = getHome();
  return *a[static_cast<size_t>(index)];
}

int Tlocations::getHome() {
  int home = -1;
  for (int i = 0; i < getcount() && home < 0; ++i)
    if (a[static_cast<size_t>(i)]->name == homeplace) home = i;
  if (home < 0 && !a.empty()) {
    home = 0;
    homeplace = a[0]->name;
  }
  if (home < 0) {
    home = add();
    Tloc& l = *a[static_cast<size_t>(home)];
    l.name = "London";
    // London keeps British summer time, so it gets the zone with the UK's rules.
    l.tzi = calendar().getTzi(kDefaultZone);
    l.tzIndex = zoneIndexOf(kDefaultZone);
    l.lat = 51.5;
    l.long_ = -0.116667;
    anchor(l);
    homeplace = l.name;
  }
  homeLat = a[static_cast<size_t>(home)]->lat;
  homeLong = a[static_cast<size_t>(home)]->long_;
  return home;
}

void Tlocations::setHome(int index) {
  if (index < 0 || index >= getcount()) index = getHome();
  const Tloc& l = *a[static_cast<size_t>(index)];
  homeplace = l.name;
  homeLat = l.lat;
  homeLong = l.long_;
}

void Tlocations::setTime(platform::TDateTime gmt) {
  if (ffix != 0) return;
  TdateMan& dm = calendar();
  const platform::SYSTEMTIME sys = dm.DateTimeToSysTime(gmt);
  const int home = a.empty() ? -1 : getHome();
  for (size_t i = 0; i < a.size(); ++i) {
    Tloc& l = *a[i];
    platform::SYSTEMTIME local;
    if (!platform::systemTimeToTzSpecificLocalTime(&l.tzi, sys, local)) continue;
    l.dt = dm.SysTimeToDateTime(local);
    const int64_t minutes = platform::Round((l.dt - gmt) * 24 * 60);
    // A zone without a daylight rule is never in daylight time, whatever its biases add up to.
    l.isDaylight = platform::hasDaylightRule(l.tzi) && l.tzi.Bias + l.tzi.DaylightBias == -minutes;
    if (static_cast<int>(i) == home) homeTZdiffDt = l.dt - gmt;
  }
}

void Tlocations::setFix(platform::TDateTime x) {
  ffix = 0;
  setTime(x != 0 ? x : calendar().getgmtDt());
  ffix = x;
}

void Tlocations::anchor(Tloc& l) const {
  const platform::TPoint p = mapAnchor(l.lat, l.long_, mapwidth);
  l.xi = p.X;
  l.yi = p.Y;
}

int Tlocations::add() {
  auto l = std::make_unique<Tloc>();
  l->name = "New location";
  l->tzi = calendar().getTzi("UTC");
  l->tzIndex = zoneIndexOf("UTC");
  anchor(*l);
  a.push_back(std::move(l));
  return getcount() - 1;
}

void Tlocations::remove(int index) {
  if (index < 0 || index >= getcount()) return;
  a.erase(a.begin() + index);
}

bool Tlocations::saveToFile(const std::string& filename, std::string* why) {
  if (filename.empty()) {
    if (why) *why = "no file name was given";
    return false;
  }
  TQYini ini;
  ini.setname(filename);
  ini.writestring(kSettings, "base directory", os ? os->basedir() : "");
  ini.writestring(kSettings, "12 hour clock", useAmPm ? "yes" : "no");
  ini.writestring(kSettings, "show locations", showLocations ? "yes" : "no");
  ini.writestring(kSettings, "centre long", fixed(centreLong, 2));
  ini.writestring(kSettings, "label magnify", std::to_string(platform::Round(labelMagnify * 100)));
  ini.writestring(kSettings, "home", homeplace);
  ini.writestring(kSettings, "language", flanguage);
  ini.writestring(kSettings, "monitor", monitor);
  settings().writestring(kSettings, "monitor", monitor);
  const TStringList& zones = calendar().ftimezones;
  for (size_t i = 0; i < a.size(); ++i) {
    const Tloc& l = *a[i];
    const std::string sec = "location " + std::to_string(i + 1);
    ini.writestring(sec, "name", l.name);
    // An unknown zone was read as the default zone, so that is what it is saved as.
    ini.writestring(sec, "windows name",
                    l.tzIndex >= 0 && l.tzIndex < zones.count() ? zones[l.tzIndex] : std::string(kDefaultZone));
    ini.writestring(sec, "lat", fixed(l.lat, 8));
    ini.writestring(sec, "long", fixed(l.long_, 8));
    ini.writestring(sec, "hjustify", hText(l.hjustify));
    ini.writestring(sec, "vjustify", vText(l.vjustify));
    if (l.singleLine) ini.writestring(sec, "single line", "1");
  }
  const bool saved = ini.save();
  if (!saved && why) *why = ini.saveError();
  ini.changed = false;  // a failed save was reported; the destructor must not try again
  return saved;
}

void Tlocations::loadfromfile(const std::string& filenameIn) {
  clear();
  std::string filename = filenameIn;
  if (os && !os->basedir().empty() && r_fileBase::ExtractFilePath(filename) == os->basedir() &&
      !os->configdir().empty()) {
    // The data folder's file is a default: copied once to the configuration folder, never written.
    r_fileBase::MakeDirectory(os->configdir());
    const std::string copy = os->configdir() + filename.substr(os->basedir().size());
    if (!r_fileBase::FileExists(copy) && r_fileBase::FileExists(filename)) r_fileBase::CopyFileSafely(filename, copy);
    filename = copy;
  }
  fname = filename;
  TQYini ini(filename, TQYini::ReadOnly::Yes);
  if (ini.sectionExists(kSettings)) {
    useAmPm = ini.readString(kSettings, "12 hour clock", "no") == "yes";
    showLocations = ini.readString(kSettings, "show locations", "yes") != "no";
    double centre = 0;
    centreLong = readDegrees(ini.readString(kSettings, "centre long", "0"), 360, centre) ? centre : 0;
    labelMagnify = ini.readInteger(kSettings, "label magnify", 100) / 100.0;
    homeplace = ini.readString(kSettings, "home", "");
    setlingua(ini.readString(kSettings, "language", "English"));
    monitor = ini.readString(kSettings, "monitor", monitor);
  }
  const TStringList& secs = ini.sections();
  for (int i = 0; i < secs.count(); ++i)
    if (lowerAscii(secs[i]) != kSettings) readLocation(ini, secs[i]);
}

void Tlocations::readLocation(TQYini& ini, const std::string& section) {
  auto l = std::make_unique<Tloc>();
  l->name = ini.readString(section, "name", "");
  if (l->name.empty()) l->name = section;
  const std::string zone = ini.readString(section, "windows name", kDefaultZone);
  l->tzi = calendar().getTzi(zone);
  l->tzIndex = zoneIndexOf(zone);
  if (!readDegrees(ini.readString(section, "lat", "0"), 90, l->lat) ||
      !readDegrees(ini.readString(section, "long", "0"), 180, l->long_)) {
    log("locations file " + fname + ": [" + section + "] skipped, its latitude or longitude is out of range");
    return;
  }
  l->hjustify = hCode(ini.readString(section, "hjustify", "left"));
  l->vjustify = vCode(ini.readString(section, "vjustify", "top"));
  l->singleLine = ini.readInteger(section, "single line", 0) == 1;
  anchor(*l);
  a.push_back(std::move(l));
}

// ---- TsunBase -------------------------------------------------------------------------------------

TsunBase::TsunBase(const std::string& database, int32_t width) : fwidth(width) {
  TprocScope proc(*this, "create");
  fdir = r_fileBase::ExtractFilePath(database);
  seterr("a");  // a: sky database
  fdb = TliteDB::createReadOnly();
  fdb->suppressErrorMessages = true;
  fdb->setfile(database);
  ob = std::make_unique<Tobserver>();
  fsun = std::make_unique<Tsun>(*ob);
  flocations = std::make_unique<Tlocations>(width);
  seterr("b");  // b: words database
  auto words = TliteDB::createReadOnly();
  words->suppressErrorMessages = true;
  words->setfile(fdir + "words.db");
  flocations->setWordsDb(std::move(words));
  seterr("c");  // c: home place and the locations file
  if (fdb->valid()) flocations->homeplace = fdb->getS("ini", "value", TwhereClause::equals("key", "home"));
  flocations->mapwidth = width;
  std::string folder = locationsDir.empty() ? fdir : locationsDir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  flocations->loadfromfile(folder + "locations.ini");
}

TsunBase::~TsunBase() = default;
