// TiniLite: see r_LiteIni.h. Reading follows the pending-lines rule: lines wait until a named
// group takes them, so lines before the first group join it and an empty group passes its lines on.
#include "core/r_LiteIni.h"

#include "core/TQYini.h"
#include "core/os_files.h"
#include "core/r_base.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {
// The number forms of `os`, or the plain ones when there is no `os`.
const TosNumberText& numbers() {
  static const TosNumberText plain;
  return os ? static_cast<const TosNumberText&>(*os) : plain;
}
}  // namespace

TiniLite::TiniLite(const std::string& filename) : fname(filename) {
  if (filename.empty() || !r_fileBase::FileExists(filename)) return;
  std::string bytes;
  if (!platform::readWholeFile(filename, bytes)) {
    log("TiniLite cannot read " + filename + ": " + platform::lastErrorText() + "; defaults are used");
    return;
  }
  TStringList lines;
  lines.setText(platform::decodeText(bytes));
  std::string current;
  std::vector<std::string> pending;
  auto close = [&] {
    if (current.empty() || pending.empty()) return;
    // A repeated name makes a second group; lookups find the first.
    owned.push_back(std::make_unique<TStringList>());
    flist.add(current, owned.back().get());
    for (auto& l : pending) owned.back()->add(l);
    pending.clear();
  };
  for (const auto& raw : lines.lines()) {
    std::string line = TosText::Trim(raw);
    if (line.empty()) continue;
    if (line[0] == '[') {
      close();
      current = TQYini::sectionNameOf(line);
    } else {
      pending.push_back(line);
    }
  }
  close();
  if (!pending.empty())
    log("TiniLite " + filename + ": " + std::to_string(pending.size()) + " line(s) outside any group skipped");
  changed = false;
}

TiniLite::~TiniLite() {
  if (changed) UpdateFile();
}

TStringList& TiniLite::group(const std::string& name) {
  if (TStringList* g = getSec(name)) return *g;
  owned.push_back(std::make_unique<TStringList>());
  flist.add(name, owned.back().get());
  return *owned.back();
}

void TiniLite::removeAt(int index) {
  auto* l = static_cast<TStringList*>(flist.object(index));
  flist.remove(index);
  std::erase_if(owned, [l](const auto& p) { return p.get() == l; });
}

bool TiniLite::UpdateFile() {
  if (fname.empty()) return true;
  if (!saveToFile(fname)) return false;
  changed = false;
  return true;
}

bool TiniLite::saveToFile(const std::string& filename) {
  TStringList out;
  for (int i = 0; i < flist.count(); ++i) {
    const TStringList* g = getSection(i);
    if (g->count() == 0) continue;
    out.add("[" + flist[i] + "]");
    for (const auto& l : g->lines()) out.add(l);
    out.add("");
  }
  std::string why;
  if (platform::replaceFileContents(filename, out.text(), &why)) return true;
  reportWriteFailure("The settings file " + filename + " could not be saved (" + why +
                     "); the file on disk is unchanged.");
  return false;
}

int TiniLite::indexOfKey(const TStringList& l, const std::string& key) const {
  for (int i = 0; i < l.count(); ++i) {
    const std::string& line = l[i];
    auto eq = line.find('=');
    if (eq != std::string::npos && platform::sameNoCase(line.substr(0, eq), key)) return i;
  }
  return -1;
}

std::string TiniLite::readString(const std::string& g, const std::string& key, const std::string& def) const {
  const TStringList* l = getSec(g);
  int i = l ? indexOfKey(*l, key) : -1;
  return i < 0 ? def : TStringList::valueOf((*l)[i]);
}

int32_t TiniLite::readInteger(const std::string& g, const std::string& key, int32_t def) const {
  int32_t v = 0;
  return TosNumberText::StrToInt(readString(g, key, ""), v) ? v : def;
}

void TiniLite::writeString(const std::string& g, const std::string& key, const std::string& value) {
  TStringList& l = group(g);
  int i = indexOfKey(l, key);
  if (i < 0) l.add(key + "=" + value);
  else l[i] = key + "=" + value;
  changed = true;
}

void TiniLite::writeInteger(const std::string& g, const std::string& key, int32_t value) {
  writeString(g, key, std::to_string(value));
}

double TiniLite::readFloatUK(const std::string& g, const std::string& key, double def) const {
  double d = 0;
  return numbers().StrToDoubleUK(readString(g, key, numbers().DoubleToStrUK(def, 6)), d) ? d : def;
}

void TiniLite::writeFloatUK(const std::string& g, const std::string& key, double value) {
  writeString(g, key, numbers().DoubleToStrUK(value, 6));
}

bool TiniLite::ValueExists(const std::string& g, const std::string& key) const {
  const TStringList* l = getSec(g);
  return l && indexOfKey(*l, key) >= 0;
}

void TiniLite::ReadSectionWithValues(const std::string& section, TStringList& list) const {
  const TStringList* l = getSec(section);
  if (!l) return;
  list.clear();
  for (const auto& line : l->lines()) list.add(line);
}

void TiniLite::writeSection(const std::string& g, const TStringList& list) {
  TStringList& l = group(g);
  l.clear();
  for (const auto& line : list.lines()) l.add(line);
  changed = true;  // a rewritten group must reach the file
}

void TiniLite::eraseGroup(const std::string& g) {
  int i = flist.indexOf(g);
  if (i < 0) return;
  removeAt(i);
  changed = true;
}

void TiniLite::eraseAll() {
  if (flist.count() == 0) return;
  while (flist.count() > 0) removeAt(flist.count() - 1);
  changed = true;  // emptied groups must reach the file
}

TStringList* TiniLite::getSection(int index) const {
  return index < 0 || index >= flist.count() ? nullptr : static_cast<TStringList*>(flist.object(index));
}

TStringList* TiniLite::getSec(const std::string& g) const { return getSection(flist.indexOf(g)); }
