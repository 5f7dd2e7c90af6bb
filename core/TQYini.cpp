// TQYini and the program settings file: see TQYini.h.
// Lines are kept exactly as read; a key is found by the line's name part trimmed of characters
// below 33 and compared without letter case (the services object's name=value access).
#include "core/TQYini.h"

#include <algorithm>
#include <cstring>

#include "core/os_files.h"
#include "core/r_base.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"

std::function<void(TQYini*)> onChangedChanged;

namespace {
std::unique_ptr<TQYini> fprogramSettings;  // the core module's `fsettings`

// The number forms of `os` (its locale separators), or the plain ones when there is no `os`.
const TosNumberText& numbers() {
  static const TosNumberText plain;
  return os ? static_cast<const TosNumberText&>(*os) : plain;
}

int indexOfKey(const TStringList* list, const std::string& key) { return TosNumberText::IndexOfKey(list, key); }
std::string fixedUK(double v, int decimals) { return numbers().DoubleToStrUK(v, decimals); }
}  // namespace

// Collects the change notices of one operation into one: with autoUpdate, one save per write.
class TQYini::Batch {
 public:
  explicit Batch(TQYini& ini) : ini_(ini) { ++ini_.batchDepth; }
  ~Batch() {
    if (--ini_.batchDepth == 0 && ini_.batchChanged) {
      ini_.batchChanged = false;
      ini_.dochange();
    }
  }

 private:
  TQYini& ini_;
};

// ---------------------------------------------------------------------------------------------
// Construction

TQYini::TQYini() { watch(); }

TQYini::TQYini(const std::string& filename, ReadOnly readOnly) {
  setname(filename);
  std::string bytes;
  if (r_fileBase::FileExists(filename) && !platform::readWholeFile(filename, bytes))
    log("TQYini cannot read " + filename + ": " + platform::lastErrorText() + "; defaults are used");
  std::string text = platform::decodeText(bytes);
  if (!text.empty() && text[0] == '[') {
    // Carriage returns are dropped wherever they stand; lines end at line feeds.
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
      if (c == '\r') continue;
      if (c == '\n') {
        lines.push_back(std::move(line));
        line.clear();
      } else {
        line += c;
      }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    parseLines(lines, filename);
  }
  if (readOnly == ReadOnly::Yes) fname.clear();
  watch();
}

TQYini::TQYini(const TStringList& list) {
  loadfromList(list);
  watch();
}

std::unique_ptr<TQYini> TQYini::fromText(std::string_view bytes) {
  TStringList list;
  list.setText(platform::decodeText(bytes));
  return std::make_unique<TQYini>(list);
}

TQYini::~TQYini() {
  if (changed) save();
  sec.onChange = nullptr;
  for (auto& l : owned) l->onChange = nullptr;
}

void TQYini::parseLines(const std::vector<std::string>& lines, const std::string& source) {
  clearSections();
  valid = false;
  TStringList* current = nullptr;
  int dropped = 0;
  for (const auto& line : lines) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      current = &appendSection(sectionNameOf(line));
      valid = true;
    } else if (current) {
      current->add(line);
    } else {
      ++dropped;
    }
  }
  if (dropped > 0 && !source.empty())
    log("TQYini " + source + ": " + std::to_string(dropped) + " line(s) before the first section skipped");
}

std::string TQYini::sectionNameOf(const std::string& line) {
  if (line.size() < 2) return {};
  const size_t last = platform::codePointOffset(line, platform::codePointCount(line) - 1);
  return last <= 1 ? std::string() : line.substr(1, last - 1);
}

void TQYini::loadfromList(const TStringList& a) {
  Batch b(*this);
  parseLines(a.lines(), "");
  batchChanged = false;  // loading is no change
}

void TQYini::watch() {
  sec.onChange = [this] { dochange(); };
  for (auto& l : owned) l->onChange = [this] { dochange(); };
}

void TQYini::setname(const std::string& name) {
  fname = name;
  fdir = r_fileBase::ExtractFilePath(name);
  fparentDir.clear();
  if (fdir.size() > 1) fparentDir = r_fileBase::ExtractFilePath(fdir.substr(0, fdir.size() - 1));
}

// ---------------------------------------------------------------------------------------------
// Sections

int TQYini::indexOfSection(const std::string& section) const { return sec.indexOf(section); }

TStringList& TQYini::appendSection(const std::string& name) {
  owned.push_back(std::make_unique<TStringList>());
  TStringList* l = owned.back().get();
  if (sec.onChange) l->onChange = [this] { dochange(); };
  sec.add(name, l);
  return *l;
}

void TQYini::removeSectionAt(int index) {
  if (index < 0 || index >= sec.count()) return;
  auto* l = static_cast<TStringList*>(sec.object(index));
  if (sub == l) sub = nullptr;
  sec.remove(index);
  std::erase_if(owned, [l](const auto& p) { return p.get() == l; });
}

void TQYini::clearSections() {
  auto keep = std::move(sec.onChange);
  sec.onChange = nullptr;
  sec.clear();
  sec.onChange = std::move(keep);
  owned.clear();
  sub = nullptr;
}

void TQYini::ReadSections(TStringList& list) const {
  list.clear();
  for (const auto& n : sec.lines()) list.add(n);
}

bool TQYini::sectionExists(const std::string& section) const { return indexOfSection(section) >= 0; }

bool TQYini::valueExists(const std::string& section, const std::string& key) const {
  const TStringList* l = getSection(section);
  return l && l->indexOfName(key) >= 0;
}

int TQYini::valueCount(const std::string& section) const {
  const TStringList* l = getSection(section);
  return l ? l->count() : 0;
}

void TQYini::insertSection(int index, const std::string& section) {
  Batch b(*this);
  owned.push_back(std::make_unique<TStringList>());
  TStringList* l = owned.back().get();
  l->onChange = [this] { dochange(); };
  sec.insert(index, section, l);
}

void TQYini::EraseSection(int index) {
  Batch b(*this);
  removeSectionAt(index);
}

void TQYini::EraseSection(const std::string& section) { EraseSection(indexOfSection(section)); }

void TQYini::EraseAll() {
  Batch b(*this);
  while (sec.count() > 0) removeSectionAt(sec.count() - 1);
}

void TQYini::ClearSection(const std::string& section) {
  if (TStringList* l = getSection(section)) l->clear();
}

void TQYini::ReadSectionValues(const std::string& section, TStringList& list) {
  list.clear();
  sub = getSection(section);
  if (!sub) return;
  for (const auto& line : sub->lines()) list.add(TStringList::valueOf(line));
}

void TQYini::ReadSectionWithValues(const std::string& section, TStringList& list) const {
  const TStringList* l = getSection(section);
  if (!l) return;
  list.clear();
  for (const auto& line : l->lines()) list.add(line);
}

void TQYini::ReadSection(const std::string& section, TStringList& list) const {
  const TStringList* l = getSection(section);
  if (!l) return;
  list.clear();
  for (const auto& line : l->lines()) list.add(TStringList::nameOf(line));
}

TStringList* TQYini::getSection(const std::string& section) const {
  int i = indexOfSection(section);
  return i < 0 ? nullptr : static_cast<TStringList*>(sec.object(i));
}

TStringList* TQYini::getSection(int index) const {
  return index < 0 || index >= sec.count() ? nullptr : static_cast<TStringList*>(sec.object(index));
}

TStringList& TQYini::getOrCreateSection(const std::string& section) {
  if (TStringList* l = getSection(section)) return *l;
  Batch b(*this);
  return appendSection(section);
}

void TQYini::WriteSection(const std::string& section, const TStringList& list) {
  Batch b(*this);
  TStringList& l = getOrCreateSection(section);
  l.clear();
  for (const auto& line : list.lines()) l.add(line);
  batchChanged = true;
}

void TQYini::assign(const TQYini& source) {
  Batch b(*this);
  EraseAll();
  for (int i = 0; i < source.sec.count(); ++i) {
    TStringList& l = appendSection(source.sec[i]);
    for (const auto& line : source.getSection(i)->lines()) l.add(line);
  }
}

// ---------------------------------------------------------------------------------------------
// Values

std::string TQYini::readString(const std::string& section, const std::string& key, const std::string& def) const {
  const TStringList* l = getSection(section);
  int i = indexOfKey(l, key);
  return i < 0 ? def : TosText::Trim(TStringList::valueOf((*l)[i]));
}

std::string TQYini::readOrCreateString(const std::string& section, const std::string& key, const std::string& def) {
  if (!sectionExists(section)) {
    writestring(section, key, def);
    return def;
  }
  return readString(section, key, def);
}

void TQYini::writestring(const std::string& section, const std::string& key, const std::string& value,
                         ClearBlanks clearBlanks) {
  if (clearBlanks == ClearBlanks::Yes && value.empty()) {
    EraseValue(section, key);
    return;
  }
  Batch b(*this);
  TStringList& l = getOrCreateSection(section);
  int i = indexOfKey(&l, key);
  if (i < 0) {
    l.add(key + "=" + value);
  } else if (l[i] != key + "=" + value) {
    l[i] = key + "=" + value;
    batchChanged = true;
  }
}

void TQYini::writestring(const std::string& section, const std::string& keyvalue) {
  std::string value = keyvalue;
  std::string key = TosText::GetnextEx(value, '=');
  Batch b(*this);
  writestring(section, key, value);
  batchChanged = true;
}

void TQYini::EraseValue(const std::string& section, const std::string& key) {
  TStringList* l = getSection(section);
  int i = indexOfKey(l, key);
  if (i >= 0) l->remove(i);
}

int32_t TQYini::readInteger(const std::string& section, const std::string& key, int32_t def) const {
  return TosNumberText::StrToInt(readString(section, key, std::to_string(def)));
}

int32_t TQYini::readOrCreateInteger(const std::string& section, const std::string& key, int32_t def) {
  return TosNumberText::StrToInt(readOrCreateString(section, key, std::to_string(def)));
}

void TQYini::writeInteger(const std::string& section, const std::string& key, int32_t value) {
  writestring(section, key, std::to_string(value));
}

uint32_t TQYini::readCardinal(const std::string& section, const std::string& key, uint32_t def) const {
  uint32_t v = 0;
  return TosNumberText::StrToCardinal(readString(section, key, std::to_string(def)), v) ? v : 0;
}

void TQYini::writeCardinal(const std::string& section, const std::string& key, uint32_t value) {
  writestring(section, key, std::to_string(value));
}

int32_t TQYini::RGBstr(const std::string& s) { return TosNumberText::strToRGB(s); }

int32_t TQYini::readRGB(const std::string& section, const std::string& key, int32_t def) const {
  return TosNumberText::readRGB(getSection(section), key, def);
}

void TQYini::writeRGB(const std::string& section, const std::string& key, int32_t value) {
  writestring(section, key,
              std::to_string(value & 0xFF) + "," + std::to_string((value >> 8) & 0xFF) + "," +
                  std::to_string((value >> 16) & 0xFF));
}

void TQYini::writeFloat(const std::string& section, const std::string& key, double value) {
  writestring(section, key, fixedUK(value, decplaces));
}

void TQYini::writeFloatUK(const std::string& section, const std::string& key, double value) {
  writestring(section, key, fixedUK(value, decplaces));
}

double TQYini::readFloatUK(const std::string& section, const std::string& key, double def) const {
  std::string s = readString(section, key, fixedUK(def, decplaces));
  std::erase(s, ',');
  return numbers().StrToDoubleUK(s);
}

double TQYini::readFloat(const std::string& section, const std::string& key, double def) const {
  return numbers().StrToDouble(readString(section, key, fixedUK(def, decplaces)));
}

uint32_t TQYini::readBinaryStream(const std::string& section, const std::string& key,
                                  std::vector<uint8_t>& mem) const {
  TosText::memFromHex(mem, readString(section, key, ""));
  return static_cast<uint32_t>(mem.size());
}

void TQYini::writeBinaryStream(const std::string& section, const std::string& key, const std::vector<uint8_t>& mem) {
  writestring(section, key, TosText::hexFromMem(mem));
}

// ---------------------------------------------------------------------------------------------
// File name tokens

std::string TQYini::detoken(const std::string& path) const {
  // Stored names may carry Windows separators after the token.
  auto rest = [&](size_t n) {
    std::string r = path.substr(n);
    std::replace(r.begin(), r.end(), '\\', '/');
    return r;
  };
  if (path.rfind("<root>", 0) == 0) return fdir + rest(6);
  if (path.rfind("<root parent>", 0) == 0) return fparentDir + rest(13);
  return path;
}

std::string TQYini::enToken(const std::string& path) const {
  if (!fdir.empty() && path.rfind(fdir, 0) == 0) return "<root>" + path.substr(fdir.size());
  if (!fparentDir.empty() && path.rfind(fparentDir, 0) == 0) return "<root parent>" + path.substr(fparentDir.size());
  return path;
}

std::string TQYini::readFilename(const std::string& section, const std::string& key, const std::string& def) const {
  return detoken(readString(section, key, def));
}

void TQYini::writeFilename(const std::string& section, const std::string& key, const std::string& value) {
  writestring(section, key, enToken(value));
}

void TQYini::writeFilename(const std::string& rootdir, const std::string& section, const std::string& key,
                           const std::string& value) {
  std::string keep = fdir;
  fdir = rootdir;
  std::string stored = enToken(value);
  fdir = keep;
  writestring(section, key, stored);
}

// ---------------------------------------------------------------------------------------------
// Saving

void TQYini::dochange() {
  if (batchDepth > 0) {
    batchChanged = true;
    return;
  }
  changed = true;
  if (autoUpdate) save();
}

bool TQYini::save() {
  if (fname.empty()) return true;
  if (!saveAs(fname)) return false;  // still changed: the next save tries again
  changed = false;
  return true;
}

bool TQYini::saveAs(const std::string& filename) {
  if (!autoUpdate) log("TQYini save as " + filename + " " + std::to_string(sec.count()));
  std::string why;
  fsaveError.clear();
  if (!platform::replaceFileContents(filename, asText(), &why)) {
    reportWriteFailure("The settings file " + filename + " could not be saved (" + why +
                       "); the file on disk is unchanged.");
    fsaveError = why;
    return false;
  }
  if (!autoUpdate) log("finished saving");
  return true;
}

void TQYini::saveToList(TStringList& list) const {
  for (int i = 0; i < sec.count(); ++i) {
    const TStringList* l = getSection(i);
    if (l->count() == 0) continue;
    list.add("[" + sec[i] + "]");
    for (const auto& line : l->lines())
      if (!line.empty()) list.add(line);
    list.add("");
  }
}

std::string TQYini::asText() const {
  TStringList list;
  saveToList(list);
  return list.text();
}

// ---------------------------------------------------------------------------------------------
// The program settings file

TQYini& settings() {
  if (!fprogramSettings) {
    std::string name = platform::exeName();
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    std::string folder = os ? os->appDataDir() : platform::localAppDataFolder() + "Ombrant/";
    fprogramSettings = std::make_unique<TQYini>(folder + name + ".ini");
  }
  return *fprogramSettings;
}

void freeSettings() { fprogramSettings.reset(); }

void setChanged() {
  if (!fprogramSettings || fprogramSettings->readString("settings", "changed", "no") == "yes") return;
  fprogramSettings->writestring("settings", "changed", "yes");
  if (onChangedChanged) onChangedChanged(fprogramSettings.get());
}

void Tos::setChanged(void* /*sender*/) { ::setChanged(); }
