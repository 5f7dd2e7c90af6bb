// Tgob: one object of a drawing, its values and virtual columns, bounds, area and length, and the
// module's text routines gobValue and ObTypeStr. Areas are clockwise-positive with y up.
// Stored values: one line each, wrapped in double quotes (inner ones doubled) only when they hold
// a comma or a double quote, so reading undoes exactly what storing did.
#include <cmath>

#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "geometry/r_Geom.h"
#include "storage/r_Data.h"

bSet obSet(std::initializer_list<int32_t> types) {
  bSet s;
  for (int32_t t : types)
    if (t >= 0 && t < 256) s.set(static_cast<size_t>(t));
  return s;
}

bool inSet(const bSet& set, int32_t obType) { return obType >= 0 && obType < 256 && set.test(static_cast<size_t>(obType)); }

std::string quoteValue(const std::string& s) {
  std::string v;
  v.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;  // one blank for CR LF
    v += s[i] == '\r' || s[i] == '\n' ? ' ' : s[i];
  }
  if (v.find_first_of(",\"") == std::string::npos) return v;
  std::string q = "\"";
  for (char c : v) {
    q += c;
    if (c == '"') q += '"';
  }
  return q + '"';
}

std::string unquoteValue(const std::string& stored) {
  if (stored.size() < 2 || stored.front() != '"' || stored.back() != '"') return stored;
  std::string v;
  v.reserve(stored.size() - 2);
  for (size_t i = 1; i + 1 < stored.size(); ++i) {
    v += stored[i];
    if (stored[i] == '"' && i + 2 < stored.size() && stored[i + 1] == '"') ++i;
  }
  return v;
}

std::string ObTypeStr(int32_t obType) {
  switch (obType) {
    case o_point: return "point";
    case o_line: return "line";
    case o_polyGon: return "polygon";
    case o_multipoint: return "multipoint";
    case o_multiline: return "multiline";
    case o_multipolygon: return "multipolygon";
    case o_text: return "text";
    case o_link: return "link";
    case o_node: return "node";
    case o_spoke: return "spoke";
    default: return "";
  }
}

// ================================================================ Tgob

bool TgobDetail::atCreation() const {
  return !filerec && flags == 0 && !isNoSymbol && parentuid == 0 && wideObType == 0 && lastStyleName.empty() &&
         !transitory && transitoryIndex == 0 && transitoryHjustify == 0 && transitoryVjustify == 0 && z == 0 && polyxy.empty() && textheight == 0 && textrotation == 0 &&
         labelRotation == 0 && labelFactor == 1.0 && labelJustify == 0 && labelx == 0 && labely == 0 && tipy == 0 &&
         !attachments && tipType == 0 && microstyle.empty() && !symbolElements && notes.empty() &&
         category.empty() && validTimes.empty();
}

// A point of a point layer is this object, its values' block and its slot: keep it small.
static_assert(sizeof(Tgob) <= 120, "a plain point must fit a 128-byte heap block");

Tgob::Tgob() = default;

// Owned parts (detail with its symbol, attachments and their working copies, file record) go
// with the unique pointers.
Tgob::~Tgob() = default;

const TgobDetail& Tgob::detail() const {
  static const TgobDetail atCreation;
  return fdetail ? *fdetail : atCreation;
}

TgobDetail& Tgob::editDetail() {
  if (!fdetail) fdetail = std::make_unique<TgobDetail>();
  return *fdetail;
}

void Tgob::trimDetail() {
  if (fdetail && fdetail->atCreation()) fdetail.reset();
}

void Tgob::clear() {
  fobtype = o_empty;
  fdataList.clear();
  state = gob_normal;
  fHjustify = 6;
  fVjustify = 6;
  fid.clear();
  fcaption.clear();
  TgobXy::Side side;
  side.seedy = seedy();  // kept
  xy.clear();
  xy.setSide(side);
  styleNumber = 0;
  justifyFlags = 0;
  symbolMultiply = 100;
  // A cleared text is 5 high: the one property that clear sets away from its creation value.
  TgobDetail& d = editDetail();
  d.wideObType = 0;
  d.z = 0;
  d.polyxy.clear();
  d.textheight = 5.0;
  d.textrotation = 0;
  d.labelRotation = 0;
  d.labelFactor = 1.0;
  d.labelJustify = 0;
  d.tipy = 0;
  d.tipType = 0;
  d.microstyle.clear();
  d.validTimes.clear();
}

void Tgob::setType(int32_t value) {
  if (value >= 0 && value < kWideType) {
    fobtype = static_cast<uint8_t>(value);
    if (fdetail) fdetail->wideObType = 0;
  } else {
    fobtype = kWideType;
    editDetail().wideObType = value;
  }
  if ((value == o_point || value == o_line || value == o_polyGon) && dataid == 0 && g) dataid = ++g->highestDataId;
  if (value == o_line) {
    setTipx(50.0);
    symbolMultiply = 0;
  }
}

void Tgob::setTipx(double value) {
  TgobXy::Side s = xy.side();
  s.tipx = value;
  xy.setSide(s);
}

void Tgob::setSeed(double x, double y) {
  TgobXy::Side s = xy.side();
  s.seedx = x;
  s.seedy = y;
  xy.setSide(s);
}

void Tgob::setHjustify(int32_t value) {
  if (value == -1 || value == 99) {
    fHjustify = 6;
    justifyFlags &= ~1;
  } else {
    fHjustify = value;
    justifyFlags |= 1;
  }
}

void Tgob::setVjustify(int32_t value) {
  if (value == -1) {
    fVjustify = 6;
    justifyFlags &= ~2;
  } else {
    fVjustify = value;
    justifyFlags |= 2;
  }
}

std::string Tgob::getcol(int32_t index) { return gobValue(*this, index); }

std::string Tgob::rawValue(int32_t index) const {
  if (index < 0 || index > 999) return "";
  if (index >= fdataList.count()) return "";
  return unquoteValue(std::string(fdataList[index]));
}

void Tgob::setcol(int32_t index, const std::string& s) {
  auto real = [&]() { return os->StrToDoubleUK(s); };
  auto whole = [&]() { return os->StrToInt(s); };
  switch (index) {
    case col_stylenum: styleNumber = whole(); break;
    case col_id: fid = s; break;
    case col_z: editDetail().z = real(); break;
    case col_caption: fcaption = s; break;
    case col_stylecodes: {
      std::string rest = s;
      while (!rest.empty()) {
        std::string pair = TosText::GetnextEx(rest, ' ');
        std::string code = TosText::getnext(pair);
        updateStyle(os->StrToInt(code), os->StrToInt(pair));
      }
      break;
    }
    case col_textHeight: editDetail().textheight = real(); break;
    case col_textrotation: editDetail().textrotation = real(); break;
    case col_linelabelmode:
    case col_symbolmultiply: symbolMultiply = whole(); break;
    case col_labelx: editDetail().labelx = real(); break;
    case col_labely: editDetail().labely = real(); break;
    case col_tipx: setTipx(real()); break;
    case col_tipy: editDetail().tipy = real(); break;
    case col_labelrt: editDetail().labelRotation = real(); break;
    case col_tiptype: editDetail().tipType = whole(); break;
    case col_vjustify: setVjustify(whole()); break;
    case col_hjustify: setHjustify(whole()); break;
    case col_labelfactor: editDetail().labelFactor = real(); break;
    default:
      if (index >= 0 && index <= 999) {
        if (fdataList.count() <= index) fdataList.setCount(index + 1);
        fdataList.set(index, quoteValue(s));
      }
  }
  if (g) g->setChanged(true);
}

std::string Tgob::getdata(const std::string& name) {
  if (g) {
    int32_t i = g->columnIndexOf(name);
    if (i >= 0) return getcol(i);
  }
  if (name == "caption" || name == "default caption") return fcaption.str();
  if (name == "id" || name == "default id") return fid.str();
  if (name == "style" || name == "default style") return std::to_string(styleNumber);
  return "";
}

void Tgob::setdata(const std::string& name, const std::string& s) {
  int32_t i = g ? g->columnIndexOf(name) : -1;
  if (i >= 0) setcol(i, s);
}

void Tgob::updateStyle(int32_t code, int32_t value, int32_t deflt) {
  if (value != deflt) {
    updateStyle(code, value);
    return;
  }
  if (!fdetail) return;
  Tpoints& style = fdetail->microstyle;
  for (size_t i = 0; i < style.size(); ++i)
    if (style[i].X == code) {
      style.erase(style.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
}

void Tgob::updateStyle(int32_t code, int32_t value) {
  Tpoints& style = editDetail().microstyle;
  for (auto& p : style)
    if (p.X == code) {
      p.Y = value;
      return;
    }
  style.push_back({code, value});
}

int32_t Tgob::styleValue(int32_t code, int32_t deflt) const {
  for (const auto& p : detail().microstyle)
    if (p.X == code) return p.Y;
  return deflt;
}

std::string Tgob::styleCodesText() const {
  std::string s;
  for (const auto& p : detail().microstyle) {
    if (!s.empty()) s += ' ';
    s += std::to_string(p.X) + "," + std::to_string(p.Y);
  }
  return s;
}

void Tgob::updateBounds(bool changeLabel) {
  bool first = true;
  auto take = [&](const xyrec& p) {
    if (first) {
      x1 = x2 = p.x;
      y1 = y2 = p.y;
      first = false;
      return;
    }
    if (p.x < x1) x1 = p.x;
    if (p.x > x2) x2 = p.x;
    if (p.y < y1) y1 = p.y;
    if (p.y > y2) y2 = p.y;
  };
  if (obType() == o_multipolygon) {
    for (const auto& poly : polyxy())
      for (const auto& ring : poly)
        for (const auto& p : ring) take(p);
  } else {
    for (const auto& part : xy)
      for (const auto& p : part) take(p);
  }
  TgobXy::Side s = xy.side();
  if (changeLabel) s.seedx = kSeedNotComputed;
  s.area = 0;
  s.length = 0;
  xy.setSide(s);
}

namespace {
// One polygon's area: the first ring clockwise (a >= 0), holes anticlockwise (a <= 0); a ring
// that breaks this (or whose area is not a number) is reversed in place.
double polygonArea(TpolyXyValues& rings, bool& reversed) {
  TlineMan& lm = createLineman();
  double sum = 0;
  for (size_t i = 0; i < rings.size(); ++i) {
    double a = lm.area(rings[i]);
    bool wrong = i == 0 ? !(a >= 0) : !(a <= 0);
    if (wrong) {
      std::reverse(rings[i].begin(), rings[i].end());
      a = -a;
      reversed = true;
    }
    sum += a;
  }
  return sum;
}
}  // namespace

double Tgob::getarea() {
  const int32_t type = obType();
  if (type != o_polyGon && type != o_multipolygon) return 0;
  if (farea() > 0) return farea();
  bool reversed = false;
  TgobXy::Side s = xy.side();
  if (type == o_polyGon) {
    // A point in place is a ring of no area that nothing reverses.
    TpolyXyValues spare;
    s.area = xy.isInPlace() ? polygonArea(spare = xy.toList(), reversed) : polygonArea(xy.edit(), reversed);
  } else {
    double sum = 0;
    if (fdetail)
      for (auto& poly : fdetail->polyxy) sum += polygonArea(poly, reversed);
    s.area = sum;
  }
  xy.setSide(s);
  if (reversed && g) g->setChanged(true);
  return s.area;
}

double Tgob::getlength() {
  TlineMan& lm = createLineman();
  const int32_t type = obType();
  if (type != o_line && type != o_polyGon && type != o_multiline && type != o_multipolygon) return 0;
  if (flength() != 0) return flength();
  double sum = 0;
  if (type == o_multipolygon) {
    for (const auto& poly : polyxy())
      for (const auto& ring : poly) sum += lm.linelength(ring);
  } else {
    TpolyXyValues spare;
    for (const auto& part : xy.list(spare)) sum += lm.linelength(part);
  }
  TgobXy::Side s = xy.side();
  s.length = sum;
  xy.setSide(s);
  return sum;
}

void Tgob::inherit(const Tgob& source, bool withdata) {
  uid = source.uid;
  styleNumber = source.styleNumber;
  const TgobDetail& s = source.detail();
  if (fdetail || source.fdetail) {
    TgobDetail& d = editDetail();
    d.textheight = s.textheight;
    d.textrotation = s.textrotation;
    d.labelRotation = s.labelRotation;
    d.labelFactor = s.labelFactor;
    d.labelJustify = s.labelJustify;
    d.z = s.z;
    d.microstyle = s.microstyle;
    d.validTimes = s.validTimes;
  }
  setHjustify(source.fHjustify);
  setVjustify(source.fVjustify);
  fcaption = source.fcaption;
  fid = source.fid;
  TgobXy::Side side = xy.side();
  side.area = 0;
  side.length = 0;
  xy.setSide(side);
  if (withdata) fdataList = source.fdataList;
}

void Tgob::assign(const Tgob& source) {
  clear();
  setType(source.obType());
  dataid = source.dataid;
  x1 = source.x1;
  y1 = source.y1;
  x2 = source.x2;
  y2 = source.y2;
  inherit(source, true);
  const TgobDetail& s = source.detail();
  TgobDetail& d = editDetail();  // clear made it
  d.labelx = s.labelx;
  d.labely = s.labely;
  d.tipy = s.tipy;
  d.tipType = s.tipType;
  symbolMultiply = source.symbolMultiply;
  if (obType() == o_multipolygon) d.polyxy = s.polyxy;
  else xy = source.xy.toList();
  TgobXy::Side side = xy.side();
  side.tipx = source.tipx();
  side.seedx = kSeedNotComputed;
  side.area = source.farea();
  xy.setSide(side);
  styleNumber = source.styleNumber;
  trimDetail();
}

int64_t Tgob::pointCount() const {
  if (obType() != o_multipolygon) return xy.pointCount();
  int64_t n = 0;
  for (const auto& poly : polyxy())
    for (const auto& ring : poly) n += static_cast<int64_t>(ring.size());
  return n;
}

// ================================================================ gobValue

namespace {
std::string num(double v) { return os->DoubleToStrUK(v, 2); }
}  // namespace

std::string gobValue(Tgob& g, int32_t index) {
  if (index >= 0 && index <= 999) {
    std::string v = g.rawValue(index);
    const Tcolumn* c = g.g ? g.g->column(index) : nullptr;
    if (c && c->datatype() == ftFloat) return os->DoubleToStr(dra::storedNumber(v), c->decplaces);
    return v;
  }
  switch (index) {
    case col_stylenum: return std::to_string(g.styleNumber);
    case col_obtype: return ObTypeStr(g.obType());
    case col_id: return g.fid.str();
    case col_area: return num(g.getarea());
    case col_length: return num(g.getlength());
    case col_z: return num(g.detail().z);
    case col_hectares: return num(g.getarea() / 10000);
    case col_caption: return g.fcaption.str();
    case col_stylecodes: return g.styleCodesText();
    case col_textHeight: return num(g.detail().textheight);
    case col_textrotation: return num(g.detail().textrotation);
    case col_serial: return std::to_string(g.index);
    case col_linelabelmode:
    case col_symbolmultiply: return std::to_string(g.symbolMultiply);
    case col_labelx: return num(g.detail().labelx);
    case col_labely: return num(g.detail().labely);
    case col_tipx: return num(g.tipx());
    case col_tipy: return num(g.detail().tipy);
    case col_labelrt: return num(g.detail().labelRotation);
    case col_tiptype: return std::to_string(g.detail().tipType);
    case col_vjustify: return std::to_string(g.vJustify());
    case col_hjustify: return std::to_string(g.hJustify());
    case col_labelfactor: return num(g.detail().labelFactor);
    default: return "";
  }
}
