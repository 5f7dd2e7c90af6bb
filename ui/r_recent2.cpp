// Trecent of r_recent2.h: placing, reading and writing the two stores, groups of picked files,
// EPSG codes, fonts and the documents-folder forms of names.
// Keys are names compared without case; a name holding "=" or a line break is not stored, since
// it would read back as another key.
#include "ui/r_recent2.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/r_date.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "storage/r_Data.h"
#include "ui/r_baseForm.h"
#include "ui/r_wait2.h"

using namespace platform;

std::unique_ptr<Trecent> recent;

namespace {
constexpr const char* kMyDocs = "<mydocs>";
constexpr int kFontsKept = 6;
constexpr double kEpsgDays = 30;
constexpr uint32_t kBusyAfterMs = 1000;  // a group query this slow shows the busy window

std::string currentFolder() {
  std::error_code ec;
  const auto p = std::filesystem::current_path(ec);
  return ec ? std::string() : withSlash(p.string());
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return !prefix.empty() && s.compare(0, prefix.size(), prefix) == 0;
}

bool storable(const std::string& key) { return !key.empty() && key.find_first_of("=\r\n") == std::string::npos; }

// The file a stored key names: "<mydocs>" expanded, a multiple pick's folder, a table's file.
std::string fileOfEntry(const std::string& name) {
  std::string f = name.substr(0, name.find('|'));
  if (!f.empty() && f.back() == ']')
    if (auto b = f.rfind('['); b != std::string::npos && b > 0) f.erase(b);
  return f;
}

Ttime* timeAt(const TStringList& l, int i) { return static_cast<Ttime*>(l.object(i)); }

// Removes the lines of a section whose indexes are given (any order).
void removeLines(TStringList* sec, std::vector<int> lines) {
  std::sort(lines.begin(), lines.end(), std::greater<>());
  for (int i : lines) sec->remove(i);
}
}  // namespace

bool stampToJulian(const std::string& stamp, double& jd) {
  // yyyy-mm-dd, then optionally " hh:mm:ss"; every field whole digits.
  int v[6] = {0, 0, 0, 0, 0, 0};
  const char seps[6] = {'-', '-', ' ', ':', ':', '\0'};
  size_t at = 0;
  int fields = 0;
  for (; fields < 6; ++fields) {
    size_t start = at;
    long long n = 0;
    while (at < stamp.size() && stamp[at] >= '0' && stamp[at] <= '9' && at - start < 5) n = n * 10 + (stamp[at++] - '0');
    if (at == start) return false;
    v[fields] = static_cast<int>(n);
    if (at == stamp.size()) break;
    if (stamp[at] != seps[fields] || fields == 5) return false;
    ++at;
  }
  if (fields != 2 && fields != 5) return false;
  TDateTime d = 0, t = 0;
  if (!tryEncodeDate(v[0], v[1], v[2], d) || !tryEncodeTime(v[3], v[4], v[5], 0, t)) return false;
  jd = createDateman().EncodeJulian(v[0], v[1], v[2], v[3], v[4], v[5]);
  return true;
}

namespace {
std::string storeFolder;  // set by the program; empty: the current folder
}  // namespace

void setRecentStoreFolder(const std::string& folder) {
  storeFolder = folder.empty() ? std::string() : withSlash(folder);
}

void recentStoreNames(std::string& recentFile, std::string& columnsFile) {
  std::string dir = storeFolder.empty() ? currentFolder() : storeFolder;
  const std::string p = TosFiles::ExtractFilePrefix(exePath());
  if (dir.empty() || !(os ? os->IsDirectoryWriteable(dir) : isFolder(dir))) {
    // Started from "/" or a folder of someone else's: the stores go where the settings are.
    const std::string cfg = os && !os->configdir().empty() ? os->configdir() : documentsFolder();
    ::log("Trecent: the current folder " + dir + " cannot be written; the stores go to " + cfg);
    dir = cfg;
  }
  if (isFolder(dir + p)) {
    recentFile = dir + p + "/recent.ini";
    columnsFile = dir + p + "/columns.ini";
  } else {
    recentFile = dir + p + "-recent.ini";
    columnsFile = dir + p + "-columns.ini";
  }
}

Trecent& createRecent() {
  if (!recent) recent = std::make_unique<Trecent>();
  return *recent;
}

void recentShutDown() {
  if (recent && os) os->unassign(recent, false);
  recent.reset();
  recent2.reset();
}

// ---------------------------------------------------------------------------------------------
// Life

Trecent::Trecent() {
  log("Trecent.create a");
  fdocuments = withSlash(TosFiles::LocationOf(r_fileBase::csidl_personal));
  // Resolved once: a later change of the current folder does not move the stores.
  std::string recentFile, columnsFile;
  recentStoreNames(recentFile, columnsFile);
  ini = std::make_unique<TQYini>(recentFile);
  log("Trecent " + recentFile);
  getMappedDrives();
  if (const TStringList* f = ini->getSection("fonts"))
    for (const std::string& line : f->lines())
      if (const std::string n = TStringList::nameOf(line); !n.empty() && fonts.count() < kFontsKept) fonts.add(n);

  dataIni = std::make_unique<TQYini>(columnsFile);
  purgeColumnSettings();

  fDefaultCols = std::make_unique<Tcolumns>();
  fDefaultCols->setname = "dra default";
  fDefaultCols->setIndex = -1;
  struct Def {
    int type;
    const char* name;
    const char* display;
    int tag;
    bool hidden, readOnly, multiline;
  } defs[] = {
      {ftString, "object type", "", -3, false, true, false},
      {ftFloat, "area", "area in|square metres", -5, true, true, false},
      {ftFloat, "hectares", "area in|hectares", -8, false, true, false},
      {ftFloat, "length", "length in|metres", -6, false, true, false},
      {ftString, "caption", "default caption", -10, false, false, true},
      {ftString, "id", "default id", -4, false, false, false},
      {ftInteger, "style number", "default|style number", -2, false, false, false},
      {ftString, "style name", "current|style name", -16, false, true, false},
  };
  for (const Def& d : defs) {
    Tcolumn* c = fDefaultCols->Add(d.type, d.name);
    c->setdisplay(d.display);
    c->tag = d.tag;
    c->hidden = d.hidden;
    c->readOnly = d.readOnly;
    c->multiline = d.multiline;
  }
  getcolumns("dra default", *fDefaultCols);
}

Trecent::~Trecent() {
  log("Trecent destroy");
  ini->EraseSection("fonts");
  for (int i = 0; i < fonts.count(); ++i) ini->writeInteger("fonts", fonts[i], i);
  clear();
  ini->save();
  const std::string today = createDateman().SQLdatestamp();
  for (const std::string& name : viewed.lines())
    if (TStringList* sec = dataIni->getSection(name)) TosNumberText::WriteS(sec, "last viewed", today);
  dataIni->save();
  log("Trecent destroyed");
}

void Trecent::purgeColumnSettings() {
  TdateMan& dm = createDateman();
  int y, mo, d, h, mi, s;
  dm.DecodeJulian(dm.NowJD(), y, mo, d, h, mi, s);
  const double today = dm.EncodeJulian(y, mo, d, 0.0);
  const std::string localToday = dm.SQLdatestamp();
  int purged = 0;
  for (int i = dataIni->sections().count() - 1; i >= 0; --i) {
    // The default visibility of the program's own columns is no per-file setting: it stays.
    if (platform::sameNoCase(dataIni->sections()[i], "data options")) continue;
    TStringList* sec = dataIni->getSection(i);
    if (!sec || sec->count() <= 1) {
      dataIni->EraseSection(i);
      ++purged;
      continue;
    }
    if (TosNumberText::IndexOfKey(sec, "last viewed") < 0) {
      TosNumberText::WriteS(sec, "last viewed", localToday);
      continue;
    }
    double jd = 0;
    // A date that does not parse counts as older than any limit.
    if (!stampToJulian(TosNumberText::ReadS(sec, "last viewed", ""), jd) || today - jd > 180) {
      dataIni->EraseSection(i);
      ++purged;
    }
  }
  if (purged > 0) log("Trecent: " + std::to_string(purged) + " column settings not viewed for 180 days purged");
}

void Trecent::clear() {
  list.clear();
  ftimes.clear();
}

// ---------------------------------------------------------------------------------------------
// Folders and files

std::string Trecent::getrecent(const std::string& group) {
  std::string dir = ini->readString("groups", group, "");
  if (!dir.empty() && os) os->checkpath("", dir, TosFiles::AsDir::Yes);
  if (!dir.empty() && DirectoryExistsEx(dir, 500)) return withSlash(dir);
  if (!defaultdir.empty() && !DirectoryExistsEx(defaultdir, 500)) defaultdir.clear();
  return !defaultdir.empty() ? withSlash(defaultdir) : currentFolder();
}

void Trecent::setRecent(const std::string& group, std::string folder) {
  TprocScope proc(*this, "setRecent");
  seterr(group + " " + folder);
  log("setRecent " + folder);
  try {
    if (os) folder = os->checkPathReverse(folder);
  } catch (...) {
    // the folder is stored as it came
  }
  log("setRecent 2 " + folder);
  if (!storable(group) || folder.find_first_of("\r\n") != std::string::npos) {
    log("setRecent: a group or folder that cannot be stored: " + group);
    return;
  }
  ini->writestring("groups", group, folder);
}

std::string Trecent::keyOf(const std::string& filename) const {
  return startsWith(filename, fdocuments) ? kMyDocs + filename.substr(fdocuments.size()) : filename;
}

void Trecent::add(const std::string& group, const std::string& filename) {
  if (os) os->lasterr = "Trecent.add " + group + " " + filename;
  try {
    std::string folder = TosFiles::ExtractFilePath(filename);
    if (folder.size() >= 3 && folder.find('/') != std::string::npos && folder.back() != '/') folder += '/';
    setRecent(group, folder);
    const std::string key = keyOf(filename);
    if (!storable(group) || !storable(key)) {
      log("Trecent.add: a name that cannot be stored as a key: " + filename);
      return;
    }
    ini->writestring(group, key, createDateman().SQLtimestamp());
  } catch (...) {
    // what was done stays done; a pick not remembered loses nothing of the user's
  }
}

void Trecent::remove(const std::string& group, const std::string& filename) {
  if (TStringList* sec = ini->getSection(group)) TosNumberText::clearKey(sec, keyOf(filename));
}

void Trecent::addMultifile(const std::string& group, const std::string& barlist) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    const size_t bar = barlist.find('|', at);
    parts.push_back(barlist.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  if (parts.size() < 2) return;
  const std::string folder = withSlash(parts[0]);
  for (size_t i = 1; i < parts.size(); ++i)
    if (!parts[i].empty()) add(group, folder + parts[i]);
}

bool Trecent::groupExists(const std::string& group) const { return ini->sectionExists(group); }

double Trecent::timeOf(int index) const {
  return index >= 0 && index < list.count() && list.object(index) ? timeAt(list, index)->jd : 0;
}

TStringList& Trecent::getGroupEx(const std::string& group, const std::set<int>& types) {
  clear();
  TStringList* sec = ini->getSection(group);
  if (!sec) return list;
  TWinControl* form = baseform;
  const Cursor was = form ? form->cursor() : Cursor::Default;
  if (form) form->SetCursor(Cursor::Wait);
  const uint32_t started = hasDesktop() ? desktop().now() : 0;
  bool busyShown = false;
  struct Entry {
    std::string name;
    double jd;
    int line;
  };
  std::vector<Entry> entries;
  std::vector<int> drop;
  int bad = 0;
  const int n = sec->count();
  for (int i = n - 1; i >= 0; --i) {
    if (hasDesktop() && desktop().now() - started > kBusyAfterMs) {
      wait("Finding files", double(n - i) * 100 / n);
      busyShown = true;
    }
    const std::string& line = (*sec)[i];
    std::string name = TStringList::nameOf(line);
    double jd = 0;
    if (name.empty() || !stampToJulian(TosText::Trim(TStringList::valueOf(line)), jd)) {
      ++bad;
      drop.push_back(i);
      continue;
    }
    if (startsWith(name, kMyDocs)) name = fdocuments + name.substr(std::string(kMyDocs).size());
    if (checkExist) {
      const std::string f = fileOfEntry(name);
      if (!fileExistsEx(f, 500) && !DirectoryExistsEx(f, 500)) {
        drop.push_back(i);
        continue;
      }
    }
    if (!types.empty() && !types.count(TosFileTypes::getFileType(name))) continue;
    entries.push_back({std::move(name), jd, i});
  }
  // Newest first; of equal times the later line of the section comes first, as read.
  std::stable_sort(entries.begin(), entries.end(), [](Entry const& a, Entry const& b) { return a.jd > b.jd; });
  for (size_t k = std::min<size_t>(entries.size(), size_t(std::max(limit, 0))); k < entries.size(); ++k)
    drop.push_back(entries[k].line);
  if (entries.size() > size_t(std::max(limit, 0))) entries.resize(size_t(std::max(limit, 0)));
  removeLines(sec, drop);
  if (bad > 0) log("Trecent: " + std::to_string(bad) + " unreadable lines of group " + group + " dropped");
  for (Entry& e : entries) {
    ftimes.push_back(std::make_unique<Ttime>(e.jd));
    list.add(e.name, ftimes.back().get());
  }
  if (busyShown) waitHide();
  if (form) form->SetCursor(was);
  return list;
}

TStringList& Trecent::recentEPSG(int max) {
  clear();
  TStringList* sec = ini->getSection("epsg");
  if (!sec) return list;
  sec->sort();
  const double now = createDateman().NowJD();
  struct Entry {
    std::string code;
    double jd;
  };
  std::vector<Entry> kept;
  std::vector<int> drop;
  for (int i = sec->count() - 1; i >= 0; --i) {
    const std::string code = TosText::Trim(TStringList::nameOf((*sec)[i]));
    double jd = 0;
    if (!code.empty() && stampToJulian(TosText::Trim(TStringList::valueOf((*sec)[i])), jd) && now - jd < kEpsgDays)
      kept.push_back({code, jd});
    else
      drop.push_back(i);
  }
  removeLines(sec, drop);
  // Beyond the limit the least recently used go, whatever their number.
  while (int(kept.size()) > std::max(max, 0)) {
    auto oldest = std::min_element(kept.begin(), kept.end(), [](Entry const& a, Entry const& b) { return a.jd < b.jd; });
    TosNumberText::clearKey(sec, oldest->code);
    kept.erase(oldest);
  }
  for (Entry& e : kept) {
    ftimes.push_back(std::make_unique<Ttime>(e.jd));
    list.add(e.code, ftimes.back().get());
  }
  return list;
}

void Trecent::addEPSG(const std::string& code) {
  if (!storable(code)) return;
  ini->writestring("epsg", code, createDateman().SQLtimestamp());
}

void Trecent::addfont(const std::string& name) {
  if (!storable(name)) return;
  if (int i = fonts.indexOf(name); i >= 0) fonts.remove(i);
  fonts.insert(0, name);
  while (fonts.count() > kFontsKept) fonts.remove(fonts.count() - 1);
}

std::string Trecent::MyDocPath(const std::string& filename) const {
  return startsWith(filename, fdocuments) ? "Documents/" + filename.substr(fdocuments.size()) : filename;
}

std::string Trecent::UnMyDocPath(const std::string& filename) const {
  return startsWith(filename, "Documents/") ? fdocuments + filename.substr(10) : filename;
}

std::string Trecent::MappedPath(const std::string& filename) const {
  for (const std::string& line : mappedDrives.lines()) {
    const std::string remote = TStringList::nameOf(line);
    if (startsWith(filename, remote)) return TStringList::valueOf(line) + filename.substr(remote.size());
  }
  return filename;
}
