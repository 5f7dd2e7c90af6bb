// Custom symbols: elements (TelementRec), symbols with their one-line definition
// (TsymbolElements) and the table of definitions (TcustomSymbols) kept in "custom symbols.txt"
// or a settings section "symbols". A definition is "code=name[;insert,x,y][;element]...", parts
// split at ";" and fields at "," outside double quotes; quoted texts double their inner quotes.
// Numbers are written with 2 decimals and a full stop; fields that are not numbers read as 0.
#include <cctype>
#include <chrono>
#include <random>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "platform/files.h"

namespace {
constexpr int32_t kFirstCode = 1000000;
constexpr int32_t kCodeRange = 2000000000;  // codes from 1,000,000 to 2,000,999,999

std::mt19937& generator() {
  static std::mt19937 gen(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return gen;
}
void reseed() { generator().seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())); }
int32_t randomCode() {
  std::uniform_int_distribution<int32_t> d(0, kCodeRange - 1);
  return d(generator()) + kFirstCode;
}

std::string num(double v) { return os->DoubleToStrUK(v, 2); }
double real(const std::string& s) { return os->StrToDoubleUK(s); }
int32_t whole(const std::string& s) { return os->StrToInt(s); }

// Splits at sep outside double quotes.
std::vector<std::string> splitQuoted(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  bool inQuotes = false;
  for (char c : s) {
    if (c == '"') inQuotes = !inQuotes;
    if (c == sep && !inQuotes) out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// A field trimmed; a quoted one without its quotes, doubled inner quotes made single.
std::string fieldText(const std::string& f) {
  std::string t = TosText::Trim(f);
  if (t.empty() || t.front() != '"') return t;
  std::string v;
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] == '"') {
      if (i + 1 < t.size() && t[i + 1] == '"') {
        v += '"';
        ++i;
        continue;
      }
      break;  // the closing quote
    }
    v += t[i];
  }
  return v;
}

std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    q += c;
    if (c == '"') q += '"';
  }
  return q + '"';
}

bool isHexText(const std::string& s) {
  if (s.size() % 2 != 0) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::vector<uint8_t> hexBytes(const std::string& s) {
  std::vector<uint8_t> out(s.size() / 2);
  auto v = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10); };
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(v(s[2 * i]) * 16 + v(s[2 * i + 1]));
  return out;
}

// The colour field "colour:fill"; without a colon the fill is the colour.
void readColours(const std::string& f, int32_t& colour, int32_t& fill) {
  auto colon = f.find(':');
  if (colon == std::string::npos) {
    colour = fill = whole(f);
    return;
  }
  colour = whole(f.substr(0, colon));
  fill = whole(f.substr(colon + 1));
}

std::string colours(const TelementRec& e) { return std::to_string(e.colour) + ":" + std::to_string(e.fillColour); }

std::string points(const Txyvalues& xy) {
  std::string s;
  for (const auto& p : xy) s += "," + num(p.x) + "," + num(p.y);
  return s;
}

// "yes" before the line width marks a transparent shape.
std::string shapeEnd(const TelementRec& e) { return (e.transparent ? ",yes," : ",") + num(e.linewidth); }

int32_t kindOf(const std::string& word) {
  static const std::pair<const char*, int32_t> kinds[] = {
      {"line", o_line},          {"circle", o_circle}, {"ellipse", o_ellipse}, {"rectangle", o_rectangle},
      {"text", o_text},          {"polygon", o_polyGon}, {"symbol", o_point}, {"bitmap", o_bitmap},
      {"metafile", o_metafile}};
  for (const auto& [w, k] : kinds)
    if (word == w) return k;
  return 0;
}

// The fields of one element after its kind word, read in turn; missing fields read as "".
class Fields {
 public:
  Fields(std::vector<std::string> f, std::string raw) : f_(std::move(f)), raw_(std::move(raw)) {}
  std::string next() { return i_ < f_.size() ? fieldText(f_[i_++]) : std::string(); }
  [[nodiscard]] bool more() const { return i_ < f_.size(); }
  [[nodiscard]] size_t left() const { return f_.size() - i_; }
  // The raw text from the next field on (a picture, or a metafile's stand-in text).
  [[nodiscard]] std::string rest() const {
    size_t pos = 0;
    for (size_t k = 0; k < i_ && k < f_.size(); ++k) pos += f_[k].size() + 1;
    return pos < raw_.size() ? TosText::Trim(raw_.substr(pos)) : std::string();
  }

 private:
  std::vector<std::string> f_;
  std::string raw_;
  size_t i_ = 1;  // field 0 is the kind word
};

// n pairs of points; false (nothing read) when n is too small or fewer pairs are present.
bool readPoints(Fields& f, Txyvalues& xy, int32_t n, int32_t least) {
  if (n < least || static_cast<size_t>(n) > f.left() / 2) return false;
  xy.clear();
  xy.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    double x = real(f.next());
    xy.push_back({x, real(f.next())});
  }
  return true;
}

void readShapeEnd(Fields& f, TelementRec& e) {
  std::string v = f.next();
  e.transparent = v == "yes";
  e.linewidth = real(e.transparent ? f.next() : v);
}

// Reads an element's fields; false when it is to be dropped.
bool readElement(TelementRec& e, Fields& f) {
  switch (e.obType) {
    case o_point:
      e.symbol = whole(f.next());
      e.cx = real(f.next());
      e.cy = real(f.next());
      e.radius = real(f.next());
      readColours(f.next(), e.colour, e.fillColour);
      e.linewidth = real(f.next());
      if (e.linewidth == 0) e.linewidth = 4.0;
      return true;
    case o_line:
      e.linewidth = real(f.next());
      readColours(f.next(), e.colour, e.fillColour);
      return readPoints(f, e.xy, whole(f.next()), 2);
    case o_polyGon:
      readColours(f.next(), e.colour, e.fillColour);
      if (!readPoints(f, e.xy, whole(f.next()), 3)) return false;
      readShapeEnd(f, e);
      return true;
    case o_text:
      e.cx = real(f.next());
      e.cy = real(f.next());
      e.linewidth = real(f.next());
      readColours(f.next(), e.colour, e.fillColour);
      e.textstr = f.next();
      e.fontname = f.next();
      if (f.more()) {
        e.bold = f.next() == "yes";
        e.italic = f.next() == "yes";
      }
      return true;
    case o_circle:
      e.cx = real(f.next());
      e.cy = real(f.next());
      e.radius = real(f.next());
      readColours(f.next(), e.colour, e.fillColour);
      readShapeEnd(f, e);
      return true;
    case o_rectangle: {
      readColours(f.next(), e.colour, e.fillColour);
      double ax = real(f.next()), ay = real(f.next()), bx = real(f.next()), by = real(f.next());
      e.xy = {{ax, ay}, {bx, by}};
      readShapeEnd(f, e);
      return true;
    }
    case o_ellipse:
      e.cx = real(f.next());
      e.cy = real(f.next());
      e.width = real(f.next());
      e.height = real(f.next());
      readColours(f.next(), e.colour, e.fillColour);
      readShapeEnd(f, e);
      return true;
    case o_bitmap:
    case o_metafile: {
      e.cx = real(f.next());
      e.cy = real(f.next());
      e.radius = real(f.next());
      if (e.radius == 0) e.radius = 100;
      std::string pic = f.rest();
      if (!isHexText(pic)) {
        // Not a picture: a metafile keeps it as its stand-in text; a bitmap has no picture.
        if (e.obType == o_metafile) e.emfDef = pic;
        return true;
      }
      std::vector<uint8_t> bytes = hexBytes(pic);
      if (e.obType == o_metafile) {
        e.emf = std::move(bytes);
      } else if (!bytes.empty()) {
        auto bm = std::make_unique<TrawBitmap24>();
        if (bm->loadfromMem(bytes)) e.bm = std::move(bm);
      }
      return true;
    }
    default: return true;  // an unknown kind stays as an empty element
  }
}

std::string elementText(TelementRec& e) {
  switch (e.obType) {
    case o_point:
      return "symbol," + std::to_string(e.symbol) + "," + num(e.cx) + "," + num(e.cy) + "," + num(e.radius) + "," +
             colours(e) + "," + num(e.linewidth);
    case o_line:
      if (e.xy.size() < 2) return "";
      return "line," + num(e.linewidth) + "," + std::to_string(e.colour) + "," + std::to_string(e.xy.size()) +
             points(e.xy);
    case o_polyGon:
      if (e.xy.size() < 3) return "";
      return "polygon," + colours(e) + "," + std::to_string(e.xy.size()) + points(e.xy) + shapeEnd(e);
    case o_text: {
      std::string s = "text," + num(e.cx) + "," + num(e.cy) + "," + num(e.linewidth) + "," + colours(e) + "," +
                      quoted(e.textstr) + "," + quoted(e.fontname);
      if (e.bold || e.italic) s += "," + TosNumberText::BoolAsStr(e.bold) + "," + TosNumberText::BoolAsStr(e.italic);
      return s;
    }
    case o_circle:
      return "circle," + num(e.cx) + "," + num(e.cy) + "," + num(e.radius) + "," + colours(e) + shapeEnd(e);
    case o_rectangle:
      if (e.xy.size() < 2)
        e.xy = {{e.cx - e.width / 2, e.cy - e.height / 2}, {e.cx + e.width / 2, e.cy + e.height / 2}};
      return "rectangle," + colours(e) + points({e.xy[0], e.xy[1]}) + shapeEnd(e);
    case o_ellipse:
      return "ellipse," + num(e.cx) + "," + num(e.cy) + "," + num(e.width) + "," + num(e.height) + "," +
             colours(e) + shapeEnd(e);
    case o_bitmap: {
      std::vector<uint8_t> bytes;
      if (e.bm) e.bm->saveToMem(bytes);
      return "bitmap," + num(e.cx) + "," + num(e.cy) + "," + num(e.radius) + "," + TosText::hexFromMem(bytes);
    }
    case o_metafile:
      return "metafile," + num(e.cx) + "," + num(e.cy) + "," + num(e.radius) + "," +
             (e.emfDef.empty() ? TosText::hexFromMem(e.emf) : e.emfDef);
    default: return "";
  }
}

// A colour value of setProperty: an integer, or "c:p", a tint p percent of the way from white to c.
int32_t colourValue(const std::string& v) {
  auto colon = v.find(':');
  if (colon == std::string::npos) return whole(v);
  int32_t c = whole(v.substr(0, colon));
  std::string p = v.substr(colon + 1);
  if (p == "100") return c;
  return TosDrawing::FadeColour(0xFFFFFF, c, whole(p));
}
}  // namespace

// ================================================================ TelementRec

TelementRec::TelementRec() = default;
TelementRec::~TelementRec() = default;

void TelementRec::assign(const TelementRec& s) {
  obType = s.obType;
  transparent = s.transparent;
  bold = s.bold;
  italic = s.italic;
  symbol = s.symbol;
  colour = s.colour;
  anchorx = s.anchorx;
  anchory = s.anchory;
  fillColour = s.fillColour;
  cx = s.cx;
  cy = s.cy;
  radius = s.radius;
  linewidth = s.linewidth;
  width = s.width;
  height = s.height;
  textstr = s.textstr;
  fontname = s.fontname;
  if (!s.xy.empty()) xy = s.xy;
  if (s.bm) {
    std::vector<uint8_t> bytes;
    bm = std::make_unique<TrawBitmap24>();
    if (!s.bm->saveToMem(bytes) || !bm->loadfromMem(bytes)) bm.reset();
  }
  if (!s.emf.empty()) emf = s.emf;
  emfDef = s.emfDef;
}

void TelementRec::setProperty(const std::string& key, const std::string& value) {
  if (key == "type") {
    if (int32_t k = kindOf(value); k != 0 && k != o_bitmap && k != o_metafile) obType = k;
  } else if (key == "width") {
    width = real(value);
  } else if (key == "height") {
    height = real(value);
  } else if (key == "line width" || key == "font height") {
    linewidth = real(value);
  } else if (key == "radius") {
    radius = real(value);
  } else if (key == "cx") {
    cx = real(value);
  } else if (key == "cy") {
    cy = real(value);
  } else if (key == "transparent") {
    transparent = value == "yes";
  } else if (key == "bold") {
    bold = value == "yes";
  } else if (key == "italic") {
    italic = value == "yes";
  } else if (key == "xy") {
    for (const auto& pair : splitQuoted(value, ',')) {
      std::string p = TosText::Trim(pair);
      auto blank = p.find(' ');
      if (p.empty()) continue;
      xy.push_back({real(p.substr(0, blank)), blank == std::string::npos ? 0.0 : real(TosText::Trim(p.substr(blank)))});
    }
  } else if (key == "colour" || key == "line colour") {
    colour = colourValue(value);
  } else if (key == "fill colour") {
    fillColour = colourValue(value);
  } else if (key == "text") {
    textstr = value;
  } else if (key == "font name") {
    fontname = value;
  } else if (key == "symbol") {
    symbol = whole(value);
  } else if (key == "metafile") {
    obType = o_metafile;
  }
}

// ================================================================ TsymbolElements

TsymbolElements::TsymbolElements() : code(randomCode()) {}
TsymbolElements::~TsymbolElements() = default;

void TsymbolElements::clear() {
  a.clear();
  name.clear();
  code = 0;
  insertx = inserty = 0;
}

void TsymbolElements::assign(const TsymbolElements& source) {
  if (&source == this) return;
  clear();
  name = source.name;
  insertx = source.insertx;
  inserty = source.inserty;
  for (const auto& e : source.a) {
    auto c = std::make_unique<TelementRec>();
    c->assign(*e);
    a.push_back(std::move(c));
  }
}

void TsymbolElements::setCount(int32_t n) {
  a.clear();
  for (int32_t i = 0; i < n; ++i) a.push_back(std::make_unique<TelementRec>());
}

TelementRec* TsymbolElements::getitem(int32_t index) const {
  return index >= 0 && index < count() ? a[static_cast<size_t>(index)].get() : nullptr;
}

int32_t TsymbolElements::add() {
  a.push_back(std::make_unique<TelementRec>());
  return count() - 1;
}

void TsymbolElements::Delete(int32_t index) {
  if (index >= 0 && index < count()) a.erase(a.begin() + index);
}

void TsymbolElements::swap(int32_t index1, int32_t index2) {
  if (getitem(index1) && getitem(index2)) std::swap(a[static_cast<size_t>(index1)], a[static_cast<size_t>(index2)]);
}

int32_t TsymbolElements::indexof(const TelementRec* e) const {
  for (int32_t i = count() - 1; i >= 0; --i)
    if (a[static_cast<size_t>(i)].get() == e) return i;
  return -1;
}

bool TsymbolElements::hasLines() const {
  for (const auto& e : a)
    if (e->obType == o_line || e->transparent) return true;
  return false;
}

std::string TsymbolElements::getdef() {
  std::string s = std::to_string(code) + "=" + name;
  if (insertx != 0 || inserty != 0) s += ";insert," + num(insertx) + "," + num(inserty);
  for (auto& e : a)
    if (std::string t = elementText(*e); !t.empty()) s += ";" + t;
  return s;
}

void TsymbolElements::setdef(const std::string& value) {
  clear();
  auto eq = value.find('=');
  if (eq != std::string::npos) code = whole(value.substr(0, eq));
  std::vector<std::string> parts = splitQuoted(eq == std::string::npos ? value : value.substr(eq + 1), ';');
  name = TosText::Trim(parts[0]);
  for (size_t i = 1; i < parts.size(); ++i) {
    std::vector<std::string> f = splitQuoted(parts[i], ',');
    std::string kind = fieldText(f[0]);
    if (kind.empty() && f.size() == 1) continue;  // an empty part
    if (kind == "insert") {
      insertx = real(f.size() > 1 ? fieldText(f[1]) : "");
      inserty = real(f.size() > 2 ? fieldText(f[2]) : "");
      continue;
    }
    auto e = std::make_unique<TelementRec>();
    e->obType = kindOf(kind);
    Fields fields(std::move(f), parts[i]);
    if (readElement(*e, fields)) a.push_back(std::move(e));
  }
}

// ================================================================ TcustomSymbols

TcustomSymbols::TcustomSymbols() {
  fname = os->configdir() + "custom symbols.txt";
  if (TosFiles::FileExists(fname)) loadFromTextFile(fname);
  changed = false;
  hook();
  reseed();
}

TcustomSymbols::TcustomSymbols(const std::string& filename) {
  fname = filename;
  if (TosFiles::FileExists(filename)) {
    int type = TosFileTypes::getFileType(filename);
    if (type == file_geo || type == file_styles || type == file_symbols) {
      TQYini ini(filename, TQYini::ReadOnly::Yes);
      if (ini.valid) {
        addfromini(ini);
      } else {
        loadFromTextFile(filename);
        fname.clear();  // not a settings text of ours: never written back
      }
    } else {
      loadFromTextFile(filename);
    }
  }
  changed = false;
  hook();
  reseed();
}

TcustomSymbols::TcustomSymbols(Empty) {
  hook();
  reseed();
}

// Step markers: a gather the lines, b save.
TcustomSymbols::~TcustomSymbols() {
  list.onChange = nullptr;
  if (!changed || fname.empty() || readonly) return;
  TQYini ini(fname);
  TStringList lines;
  if (const TStringList* old = ini.getSection("symbols"); old && old->indexOfName("filename") >= 0)
    lines.add((*old)[old->indexOfName("filename")]);
  for (const auto& line : list.lines())
    if (!TosText::Trim(TStringList::valueOf(line)).empty()) lines.add(line);
  ini.WriteSection("symbols", lines);
  if (!ini.save()) log("TcustomSymbols: cannot write " + fname);
}

void TcustomSymbols::hook() {
  list.onChange = [this]() { changed = true; };
}

void TcustomSymbols::clear() {
  list.clear();
  names.clear();
  parsed.clear();
  se = nullptr;
}

int32_t TcustomSymbols::indexOfCode(int32_t code) const { return names.indexOf(std::to_string(code)); }

bool TcustomSymbols::exists(int32_t uid) const { return indexOfCode(uid) >= 0; }

int32_t TcustomSymbols::newCode() const {
  int32_t c = randomCode();
  while (exists(c)) c = randomCode();
  return c;
}

bool TcustomSymbols::checkCode(int32_t& code) const {
  if (code >= kFirstCode) return true;
  code = newCode();
  return false;
}

void TcustomSymbols::addLine(const std::string& line, int32_t code, int32_t at) {
  if (at < 0 || at > list.count()) at = list.count();
  list.insert(at, line);
  names.insert(at, std::to_string(code));
  changed = true;
}

void TcustomSymbols::dropParsed(const TsymbolElements* sy) {
  if (se == sy) se = nullptr;
  for (size_t i = 0; i < parsed.size(); ++i)
    if (parsed[i].get() == sy) {
      parsed.erase(parsed.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
}

void TcustomSymbols::removeLine(int32_t index) {
  dropParsed(static_cast<TsymbolElements*>(list.object(index)));
  list.remove(index);
  names.remove(index);
  changed = true;
}

TsymbolElements* TcustomSymbols::parsedAt(int32_t index) {
  if (auto* sy = static_cast<TsymbolElements*>(list.object(index))) return sy;
  auto sy = std::make_unique<TsymbolElements>();
  sy->setdef(list[index]);
  if (sy->name.empty()) sy->name = os->wd("general", "unnamed");
  list.setObject(index, sy.get());
  parsed.push_back(std::move(sy));
  return parsed.back().get();
}

void TcustomSymbols::addfromini(const TQYini& ini) {
  const TStringList* sec = ini.getSection("symbols");
  if (!sec) sec = ini.getSection("custom symbols");
  if (!sec) return;
  for (const auto& line : sec->lines()) {
    if (line.find('=') == std::string::npos) continue;
    int32_t code = whole(TStringList::nameOf(line));
    checkCode(code);
    if (!exists(code)) addLine(std::to_string(code) + "=" + TStringList::valueOf(line), code);
  }
}

void TcustomSymbols::loadfromini(const TQYini& ini) {
  clear();
  addfromini(ini);
}

void TcustomSymbols::loadFromFile(const std::string& filename) {
  clear();
  if (!TosFiles::FileExists(filename)) return;
  TQYini ini(filename, TQYini::ReadOnly::Yes);
  addfromini(ini);
}

void TcustomSymbols::loadFromTextFile(const std::string& filename) {
  clear();
  if (!TosFiles::FileExists(filename)) return;
  TStringList lines;
  if (!lines.loadFromFile(filename)) {
    readonly = true;  // what could not be read is never written over
    log("TcustomSymbols: cannot read " + filename + "; it will not be written back");
    return;
  }
  bool replaced = false;
  for (int32_t i = 0; i < lines.count(); ++i) {
    const std::string& line = lines[i];
    if (i == 0 && !line.empty() && line[0] == '[') continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;  // no code=definition: a stray line
    std::string codeText = TosText::strip(TosText::Trim(line.substr(0, eq)), "\"");
    int32_t code = whole(codeText);
    if (!checkCode(code) || exists(code)) {
      if (exists(code)) code = newCode();
      replaced = true;
    }
    addLine(std::to_string(code) + "=" + TosText::Trim(line.substr(eq + 1)), code);
  }
  if (replaced && !list.saveToFile(filename)) log("TcustomSymbols: cannot write " + filename);
}

void TcustomSymbols::saveToFile(const std::string& filename) {
  TQYini ini(filename);
  savetoIni(ini);
  if (!ini.save()) log("TcustomSymbols: cannot write " + filename);
}

void TcustomSymbols::savetoIni(TQYini& ini) {
  if (ini.sectionExists("symbols")) ini.ClearSection("symbols");
  if (count() == 0) return;
  TStringList lines;
  for (int32_t i = 0; i < count(); ++i) {
    int32_t code = whole(names[i]);
    if (!checkCode(code)) {
      // The table takes the new code too, so that it and the file agree.
      list[i] = std::to_string(code) + "=" + TStringList::valueOf(list[i]);
      names[i] = std::to_string(code);
      if (auto* sy = static_cast<TsymbolElements*>(list.object(i))) sy->code = code;
      changed = true;
    }
    lines.add(list[i]);
  }
  ini.WriteSection("symbols", lines);
}

bool TcustomSymbols::add(const std::string& name, const std::string& definition) {
  int32_t code = whole(name);
  checkCode(code);
  if (exists(code)) return false;
  addLine(std::to_string(code) + "=" + definition, code);
  return true;
}

int32_t TcustomSymbols::add(const std::string& definition) {
  reseed();
  int32_t code = newCode();
  addLine(std::to_string(code) + "=" + definition, code);
  return count() - 1;
}

int32_t TcustomSymbols::insert(int32_t index, const std::string& definition) {
  int32_t code = newCode();
  addLine(std::to_string(code) + "=" + definition, code, index);
  return code;
}

void TcustomSymbols::add(const TsymbolElements& sy) {
  auto c = std::make_unique<TsymbolElements>();
  c->assign(sy);
  c->code = sy.code;
  addLine(c->getdef(), c->code);
  list.setObject(count() - 1, c.get());
  parsed.push_back(std::move(c));
}

void TcustomSymbols::append(TcustomSymbols& symbols) {
  for (int32_t i = 0; i < symbols.count(); ++i)
    if (TsymbolElements* sy = symbols.getItem(i)) add(*sy);
}

TsymbolElements* TcustomSymbols::find(int32_t uid) {
  int32_t i = indexOfCode(uid);
  return i < 0 ? nullptr : parsedAt(i);
}

TsymbolElements* TcustomSymbols::FindOrAdd(int32_t uid) {
  if (TsymbolElements* sy = find(uid)) return sy;
  auto sy = std::make_unique<TsymbolElements>();
  sy->code = uid;
  addLine(sy->getdef(), uid);
  list.setObject(count() - 1, sy.get());
  parsed.push_back(std::move(sy));
  return parsed.back().get();
}

int32_t TcustomSymbols::copy(TcustomSymbols& source, int32_t uid) {
  TsymbolElements* from = source.find(uid);
  if (!from) return -1;
  TsymbolElements* to = FindOrAdd(uid);
  to->assign(*from);
  to->code = uid;
  int32_t i = indexOfCode(uid);
  list[i] = to->getdef();
  changed = true;
  return i;
}

TsymbolElements* TcustomSymbols::getItem(int32_t index) {
  if (index < 0 || index >= count()) return nullptr;
  se = parsedAt(index);
  return se;
}

int32_t TcustomSymbols::indexOf(const TsymbolElements* sy) const {
  for (int32_t i = 0; i < count(); ++i)
    if (list.object(i) == sy) return i;
  return -1;
}

void TcustomSymbols::update(int32_t uid) {
  int32_t i = indexOfCode(uid);
  if (i < 0) return;
  if (auto* sy = static_cast<TsymbolElements*>(list.object(i))) {
    list[i] = sy->getdef();
    changed = true;
  }
}

void TcustomSymbols::update(const TsymbolElements* sy) {
  int32_t i = indexOf(sy);
  if (i < 0 || !sy) return;
  list[i] = const_cast<TsymbolElements*>(sy)->getdef();
  changed = true;
}

void TcustomSymbols::update() {
  for (int32_t i = 0; i < count(); ++i) {
    TsymbolElements* sy = parsedAt(i);
    log("get def");
    std::string def = sy->getdef();
    log(def);
    list[i] = def;
    log("got");
  }
  changed = true;
  log("update end");
}

TsymbolElements* TcustomSymbols::New() {
  auto sy = std::make_unique<TsymbolElements>();
  sy->code = newCode();
  addLine(sy->getdef(), sy->code);
  list.setObject(count() - 1, sy.get());
  parsed.push_back(std::move(sy));
  return parsed.back().get();
}

void TcustomSymbols::Delete(int32_t index) {
  if (index >= 0 && index < count()) removeLine(index);
}

void TcustomSymbols::swap(int32_t a, int32_t b) {
  if (a < 0 || b < 0 || a >= count() || b >= count()) return;
  std::string la = list[a];
  void* oa = list.object(a);
  list[a] = list[b];
  list.setObject(a, list.object(b));
  list[b] = la;
  list.setObject(b, oa);
  std::swap(names[a], names[b]);
  changed = true;
}

// ================================================================ the program's table

TcustomSymbols* customSymbols = nullptr;
std::string defaultProjectionDef;

namespace {
std::unique_ptr<TcustomSymbols> ownSymbols;
}

TcustomSymbols& createCustomSymbols() {
  if (!customSymbols) {
    ownSymbols = std::make_unique<TcustomSymbols>();
    customSymbols = ownSymbols.get();
  }
  return *customSymbols;
}

void freeCustomSymbols() {
  customSymbols = nullptr;
  ownSymbols.reset();
}
