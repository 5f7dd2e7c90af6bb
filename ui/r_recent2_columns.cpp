// Trecent's column settings: per data file (a section of "columns.ini", or a caller's list of
// name=value lines) each column's visibility, width and pick list as "yes"/"no","width"[,"pick"];
// and the default attribute columns of drawings kept as "field:" lines of any settings file.
#include <string>

#include "core/os_datatypes.h"
#include "platform/text.h"
#include "storage/r_Data.h"
#include "ui/r_recent2.h"

namespace {
std::string yesNo(bool v) { return v ? "yes" : "no"; }

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The first field, the second and the rest of a comma list.
struct Fields3 {
  std::string first, second, rest;
};
Fields3 split3(const std::string& v) {
  Fields3 f;
  const size_t a = v.find(',');
  f.first = TosText::Trim(v.substr(0, a));
  if (a == std::string::npos) return f;
  const size_t b = v.find(',', a + 1);
  f.second = TosText::Trim(v.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1));
  if (b != std::string::npos) f.rest = v.substr(b + 1);
  return f;
}

// A width as stored: a positive whole number, else the column keeps the width it has.
void readWidth(const std::string& text, int& width) {
  int32_t w = 0;
  if (TosNumberText::StrToInt(text, w) && w > 0) width = w;
}

int typeOfWord(const std::string& word) {
  const std::string w = platform::lowerCase(TosText::Trim(word));
  if (w == "date") return ftDate;
  if (w == "real") return ftFloat;
  if (w == "integer") return ftInteger;
  if (w == "boolean") return ftBoolean;
  return ftString;
}

std::string wordOfType(int type) {
  switch (type) {
    case ftInteger: return "integer";
    case ftBoolean: return "boolean";
    case ftFloat: return "real";
    case ftDate: return "date";
    default: return "string";
  }
}

bool keyable(const std::string& name) { return !name.empty() && name.find_first_of("=\r\n") == std::string::npos; }

std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}
}  // namespace

int Trecent::defaultwidth(int dataType) {
  switch (dataType) {
    case ftString: return 200;
    case ftBoolean: return 50;
    case ftDateTime: return 110;
    default: return 80;
  }
}

void Trecent::addViewed(const std::string& name) {
  if (viewed.indexOf(name) < 0) viewed.add(name);
}

std::string Trecent::getDefault(const std::string& name) const {
  std::string v = TosNumberText::ReadS(dataIni->getSection("data options"), name, "");
  if (v.empty())
    v = platform::sameNoCase(name, "QY:datafirst") || platform::sameNoCase(name, "QY:stylename") ? "no" : "yes";
  return v;
}

void Trecent::updateCol(TStringList* list, const Tcolumn& c) {
  if (!keyable(c.name)) return;
  const std::string section =
      c.columns && !c.columns->setname.empty() ? c.columns->setname : std::string("dra default");
  if (c.hidden || c.width != defaultwidth(c.datatype()) || !c.pickListName.empty()) {
    TStringList* target = list ? list : &dataIni->getOrCreateSection(section);
    std::string v = yesNo(!c.hidden) + "," + std::to_string(c.width);
    if (!c.pickListName.empty()) v += "," + oneLine(c.pickListName);
    TosNumberText::WriteS(target, c.name, v);
  } else {
    TosNumberText::clearKey(list ? list : dataIni->getSection(section), c.name);
  }
}

void Trecent::updateCol(TStringList* list, const std::string& filename, const std::string& name, int dataType,
                        int width, bool visible) {
  if (!keyable(name)) return;
  const std::string section = filename.empty() ? std::string("live") : filename;
  const bool byDefault = platform::sameNoCase(getDefault(name), "yes");
  if (visible == byDefault && width == defaultwidth(dataType)) {
    TosNumberText::clearKey(list ? list : dataIni->getSection(section), name);
    return;
  }
  if (width == 0) width = defaultwidth(dataType);
  TosNumberText::WriteS(list ? list : &dataIni->getOrCreateSection(section), name,
                        yesNo(visible) + "," + std::to_string(width));
}

bool Trecent::ColVisible(TStringList* list, const std::string& filename, const std::string& name) {
  const std::string section = filename.empty() ? std::string("live") : filename;
  if (!list) addViewed(section);
  const TStringList* src = list ? list : dataIni->getSection(section);
  std::string v;
  if (startsWith(name, "QY:")) {
    v = TosNumberText::ReadS(src, name, "");
    if (v.empty()) v = getDefault(name);
  } else {
    v = TosNumberText::ReadS(src, name, "yes");
  }
  return platform::sameNoCase(split3(v).first, "yes");
}

void Trecent::getcolumns(TStringList* list, const std::string& filename, Tcolumns& cols) {
  const std::string section = filename.empty() ? std::string("dra default") : filename;
  if (!list) addViewed(section);
  const TStringList* src = list ? list : dataIni->getSection(section);
  if (!src) return;
  for (int i = 0; i < cols.count(); ++i) {
    Tcolumn* c = cols.item(i);
    const std::string v = TosNumberText::ReadS(src, c->name, "");
    if (v.empty()) continue;
    const Fields3 f = split3(v);
    c->hidden = platform::sameNoCase(f.first, "no");
    readWidth(f.second, c->width);
    c->customWidth = true;
    c->pickListName = f.rest;
  }
}

// ---------------------------------------------------------------------------------------------
// Default attributes

// Step markers: "a yes|no" columns given, "a0 n" their count (no list ends the call), "a1" cleared,
// "a2" section looked up, "b group yes|no" section found, "c line" each line.
void Trecent::readDefaultAttributes(TQYini& src, const std::string& group, Tcolumns* columns,
                                    TStringList* fieldOptions, bool existing) {
  TprocScope proc(*this, existing ? "getExistingDefaultAttributes" : "getDefaultAttributes");
  seterr("a " + yesNo(columns != nullptr));
  if (!columns) {
    log(procname() + " a0: no column list");
    return;
  }
  seterr("a0 " + std::to_string(columns->count()));
  if (!existing) columns->clear();
  if (fieldOptions) fieldOptions->clear();
  seterr("a1");
  const TStringList* sec = src.getSection(group);
  seterr("a2");
  seterr("b " + group + " " + yesNo(sec != nullptr));
  if (!sec) return;
  for (const std::string& line : sec->lines()) {
    seterr("c " + line);
    if (!startsWith(line, "field:")) continue;
    const std::string rest = line.substr(6);
    if (startsWith(rest, "QY:")) {
      if (fieldOptions) fieldOptions->add(rest.substr(3));
      continue;
    }
    const std::string name = TStringList::nameOf(rest);
    if (name.empty()) continue;
    const std::string value = TStringList::valueOf(rest);
    const size_t c1 = value.find(',');
    const std::string type = value.substr(0, c1);
    const Fields3 f = split3(c1 == std::string::npos ? std::string() : value.substr(c1 + 1));
    Tcolumn* c = nullptr;
    if (existing) {
      const int at = columns->indexOf(name);
      if (at < 0) continue;
      c = columns->item(at);
    } else {
      c = columns->Add(typeOfWord(type), name);
    }
    c->hidden = !platform::sameNoCase(f.first, "yes");
    readWidth(f.second, c->width);
    c->deflt = f.rest;
  }
}

void Trecent::getDefaultAttributes(TQYini& src, const std::string& group, Tcolumns* columns,
                                   TStringList* fieldOptions) {
  readDefaultAttributes(src, group, columns, fieldOptions, false);
}

void Trecent::getExistingDefaultAttributes(TQYini& src, const std::string& group, Tcolumns* columns,
                                           TStringList* fieldOptions) {
  readDefaultAttributes(src, group, columns, fieldOptions, true);
}

void Trecent::saveDefaultAttributes(TQYini& target, const std::string& group, Tcolumns* columns,
                                    TStringList* fieldOptions) {
  log("Trecent savedefaultattributes a " + yesNo(fieldOptions != nullptr));
  log("Trecent savedefaultattributes a1 " + yesNo(columns != nullptr));
  if (!columns) {
    log("Trecent savedefaultattributes columns failed");
    return;
  }
  log("Trecent savedefaultattributes a2 " + std::to_string(columns->count()));
  if (columns->count() < 1 || !keyable(group)) return;
  log("Trecent savedefaultattributes b0 " + group);
  TStringList& sec = target.getOrCreateSection(group);
  for (int i = sec.count() - 1; i >= 0; --i)
    if (startsWith(sec[i], "field:")) sec.remove(i);
  log("Trecent savedefaultattributes b00");
  log("Trecent savedefaultattributes b");
  if (fieldOptions)
    for (const std::string& line : fieldOptions->lines()) {
      const std::string key = TStringList::nameOf(line);
      if (keyable(key)) TosNumberText::WriteS(&sec, "field:QY:" + key, oneLine(TStringList::valueOf(line)));
    }
  log("Trecent savedefaultattributes c");
  for (int i = 0; i < columns->count(); ++i) {
    const Tcolumn* c = columns->item(i);
    if (!keyable(c->name)) continue;
    TosNumberText::WriteS(&sec, "field:" + c->name,
                          wordOfType(c->datatype()) + "," + yesNo(!c->hidden) + "," + std::to_string(c->width) + "," +
                              oneLine(c->deflt));
  }
}

void Trecent::getVisibleFields(TQYini& src, const std::string& group, std::vector<int>& fields) {
  fields.clear();
  if (const TStringList* sec = src.getSection(group.empty() ? std::string("default attributes") : group))
    for (const std::string& line : sec->lines()) {
      if (!startsWith(line, "QY:")) continue;
      const std::string key = TStringList::nameOf(line);
      int32_t n = 0;
      if (key.size() < 6 && TosNumberText::StrToInt(key.substr(3), n)) fields.push_back(-n);
    }
  if (fields.empty()) fields = {-3, -4, -10, -2, -16, -5, -8, -6};
}
