// r_Data: the column model. An owning list frees its columns (ownsColumns); a list of
// references frees nothing. Indices outside the list are refused, never read or written.
#include "storage/r_Data.h"

#include <algorithm>
#include <cstdint>

#include "core/TQYini.h"
#include "core/os_datatypes.h"
#include "platform/text.h"
#include "storage/storage_text.h"

// ---------------------------------------------------------------------------------------------
// Tcolumn

void Tcolumn::clear() {
  unitname.clear();
  fdisplay.clear();
  deflt.clear();
  name = "new";
  decplaces = 2;
  width = 10;
  fttype = ftString;
  multiline = false;
}

void Tcolumn::settype(int value) {
  fttype = value;
  switch (value) {
    case ftSmallint: case ftInteger: case ftWord: case ftDouble: deflt = "0"; break;
    case ftDate: deflt = storage_text::sqlDateStamp(); break;
    case ftDateTime: deflt = storage_text::sqlTimeStamp(); break;
    default: deflt.clear();
  }
  width = value == ftString ? 200 : value == ftBoolean ? 50 : value == ftDateTime ? 110 : 80;
}

void Tcolumn::assign(const Tcolumn& s) {
  name = s.name;
  settype(s.fttype);
  fdisplay = s.fdisplay;
  unitname = s.unitname;
  readOnly = s.readOnly;
  deflt = s.deflt;
  decplaces = s.decplaces;
  multiline = s.multiline;
  width = s.width;
  tag = s.tag;
  pickListName = s.pickListName;
  hidden = s.hidden;
  pickList = s.pickList;
}

// ---------------------------------------------------------------------------------------------
// Comma text

std::string toCommaText(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& s = items[i];
    bool quote = s.empty() && items.size() > 1;
    for (unsigned char c : s)
      if (c <= ' ' || c == ',' || c == '"') quote = true;
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::vector<std::string> fromCommaText(const std::string& text) {
  std::vector<std::string> items;
  size_t i = 0;
  const size_t n = text.size();
  auto isSep = [](char c) { return c == ',' || static_cast<unsigned char>(c) <= ' '; };
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      while (i < n && !isSep(text[i])) item += text[i++];  // text after the closing quote
    } else {
      while (i < n && !isSep(text[i])) item += text[i++];
    }
    items.push_back(item);
    // One separator ends the item; blanks around a comma belong to it.
    while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    if (i < n && text[i] == ',') {
      ++i;
      while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
      if (i == n) items.emplace_back();
    }
  }
  return items;
}

// ---------------------------------------------------------------------------------------------
// Tcolumns

Tcolumns::~Tcolumns() { setcount(0); }

void Tcolumns::release(Tcolumn* c) const {
  if (ownsColumns) delete c;
}

Tcolumn* Tcolumns::item(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return a[static_cast<size_t>(index)];
}

std::string Tcolumns::getName(int index) const {
  Tcolumn* c = item(index);
  return c ? c->name : std::string();
}

TStringList& Tcolumns::columnNames() {
  flist.clear();
  for (Tcolumn* c : a)
    flist.add(c ? c->name : std::string(),
              reinterpret_cast<void*>(static_cast<intptr_t>(c ? c->datatype() : 0)));
  return flist;
}

void Tcolumns::setcount(int value) {
  if (value > kMaxColumns || value < 0) value = 0;
  const int n = count();
  if (value == n) return;
  if (value > n) {
    for (int i = n; i < value; ++i) {
      Tcolumn* c = nullptr;
      if (ownsColumns) {
        c = new Tcolumn();
        c->columns = this;
      }
      a.push_back(c);
    }
  } else {
    for (int i = value; i < n; ++i) release(a[static_cast<size_t>(i)]);
    a.resize(static_cast<size_t>(value));
  }
}

int Tcolumns::indexOf(const Tcolumn* column) const {
  auto it = std::find(a.begin(), a.end(), column);
  return it == a.end() ? -1 : static_cast<int>(it - a.begin());
}

int Tcolumns::indexOf(const std::string& name) const {
  const std::string low = platform::lowerCase(name);
  for (int i = 0; i < count(); ++i)
    if (a[static_cast<size_t>(i)] && platform::lowerCase(a[static_cast<size_t>(i)]->name) == low) return i;
  return -1;
}

Tcolumn* Tcolumns::findOrAdd(const std::string& name, int dataType) {
  int i = indexOf(name);
  if (i >= 0) return item(i);
  Tcolumn* c = Add(dataType);
  c->name = name;
  return c;
}

Tcolumn* Tcolumns::Insert(int index, int dataType) {
  index = std::clamp(index, 0, count());
  auto made = std::make_unique<Tcolumn>();  // made here whether or not the list owns its columns
  made->columns = this;
  made->settype(dataType);
  Tcolumn* c = adopt(std::move(made), index);
  changedcolumn = index;
  if (onInsert) onInsert(this);
  return c;
}

Tcolumn* Tcolumns::Add(int dataType, const std::string& name) {
  Tcolumn* c = Add(dataType);
  c->name = name;
  return c;
}

Tcolumn* Tcolumns::AddDef(const std::string& columnDef) {
  auto made = std::make_unique<Tcolumn>();
  made->columns = this;
  Tcolumn* c = adopt(std::move(made), count());
  for (const std::string& item : fromCommaText(columnDef)) {
    if (item.empty()) continue;
    size_t eq = item.find('=');
    std::string key = item.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
    if (!value.empty() && value[0] == '\'') value = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
    if (key == "name") c->name = value;
    else if (key == "type") {
      static const struct { const char* n; int code; } kTypes[] = {
          {"smallint", ftSmallint}, {"integer", ftInteger}, {"word", ftWord}, {"boolean", ftBoolean},
          {"double", ftDouble}, {"date", ftDate}, {"datetime", ftDateTime}, {"time", ftTime},
          {"blob", ftBlob}, {"filename", ftFilename}, {"filepath", ftFilename}};
      int code = ftString;
      for (auto& t : kTypes)
        if (value == t.n) code = t.code;
      c->settype(code);
    } else if (key == "decplaces") c->decplaces = storage_text::strToInt(value);
    else if (key == "default") c->deflt = value;
    else if (key == "units") c->unitname = value;
    else if (key == "display") c->setdisplay(value);
    else if (key == "width") c->width = storage_text::strToInt(value);
    else if (key == "multiline") {
      c->multiline = storage_text::strAsBool(value);
    } else if (key == "picklist name") c->pickListName = value;
  }
  return c;
}

int Tcolumns::Add(std::unique_ptr<Tcolumn>&& column) {
  if (!ownsColumns || !column) return -1;
  a.push_back(column.release());
  return count() - 1;
}

int Tcolumns::AddRef(Tcolumn* column) {
  if (ownsColumns || !column) return -1;
  a.push_back(column);
  return count() - 1;
}

Tcolumn* Tcolumns::adopt(std::unique_ptr<Tcolumn> c, int index) {
  Tcolumn* raw = c.get();
  if (ownsColumns) c.release();
  else made_.push_back(std::move(c));
  a.insert(a.begin() + index, raw);
  return raw;
}

void Tcolumns::Delete(int index) {
  if (index < 0 || index >= count()) return;
  changedcolumn = index;
  release(a[static_cast<size_t>(index)]);
  a.erase(a.begin() + index);
  if (onDelete) onDelete(this);
}

void Tcolumns::Swap(int i, int j) {
  if (i < 0 || j < 0 || i >= count() || j >= count()) return;
  std::swap(a[static_cast<size_t>(i)], a[static_cast<size_t>(j)]);
  changedcolumn = i;
  swapcolumn = j;
  if (onSwap) onSwap(this);
}

int Tcolumns::DBFtype(int ftType) {
  switch (ftType) {
    case ftSmallint: case ftInteger: case ftWord: case ftDouble: case ftcardinal: return dbf_numeric;
    case ftBoolean: return dbf_boolean;
    case ftDate: case ftTime: case ftDateTime: return dbf_date;
    case ftMemo: return dbf_memo;
    default: return dbf_string;
  }
}

void Tcolumns::assign(const Tcolumns& source) {
  if (&source == this) return;
  setcount(source.count());
  setname = source.setname;
  for (int i = 0; i < count(); ++i) {
    Tcolumn* s = source.item(i);
    if (ownsColumns) {
      if (s) a[static_cast<size_t>(i)]->assign(*s);
    } else {
      a[static_cast<size_t>(i)] = s;
    }
  }
  if (onInsert) onInsert(this);
}

bool Tcolumns::sameNames(const Tcolumns& source) const {
  if (count() != source.count()) return false;
  for (int i = 0; i < count(); ++i)
    if (getName(i) != source.getName(i)) return false;
  return true;
}

void Tcolumns::Merge(const Tcolumns& c) {
  if (sameNames(c)) return;
  for (int i = 0; i < c.count(); ++i) {
    Tcolumn* s = c.item(i);
    if (!s || indexOf(s->name) >= 0) continue;
    Add(ftString)->assign(*s);
  }
}

std::string Tcolumns::columnDef(int index) const {
  Tcolumn* c = item(index);
  if (!c) return "";
  std::vector<std::string> items;
  items.push_back("name=" + c->name);
  if (c->datatype() != ftString) items.push_back("type=" + TosDataTypes::dataTypeStr(c->datatype()));
  if (c->decplaces != 2) items.push_back("decplaces=" + std::to_string(c->decplaces));
  if (!c->deflt.empty()) items.push_back("default=" + c->deflt);
  if (!c->unitname.empty()) items.push_back("units=" + c->unitname);
  if (!c->display().empty()) items.push_back("display=" + c->display());
  if (c->width != 80) items.push_back("width=" + std::to_string(c->width));
  if (c->multiline) items.push_back("multiline=yes");
  if (!c->pickListName.empty()) items.push_back("picklist name=" + c->pickListName);
  return toCommaText(items);
}

void Tcolumns::savetoList(TStringList& list) const {
  list.clear();
  for (int i = 0; i < count(); ++i) list.add(std::to_string(i) + "=" + columnDef(i));
}

void Tcolumns::LoadFromList(const TStringList* list) {
  clear();
  if (!list) return;
  for (int i = 0; i < list->count(); ++i) {
    const std::string& line = (*list)[i];
    size_t eq = line.find('=');
    AddDef(eq == std::string::npos ? std::string() : line.substr(eq + 1));
  }
}

void Tcolumns::saveToIni(TQYini& ini) const {
  if (count() == 0) {
    ini.EraseSection("columns");
    return;
  }
  TStringList list;
  savetoList(list);
  ini.WriteSection("columns", list);
}

void Tcolumns::loadFromIni(const TQYini& ini) { LoadFromList(ini.getSection("columns")); }
