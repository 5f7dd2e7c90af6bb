// TwriteDra: the binary drawing file. Records of a 24-byte header (marker 0xF0, kind, int32
// length of the whole record, four int32 bounds in hundredths, uint16) in the order: file header,
// version, per object its geometry, attribute and attachment records, embedded files, settings
// and the settings end record. Little-endian; coordinates as 6-byte reals; geometry captions and
// ids in Windows-1252, other texts in UTF-16. The file (and its dBase table) is written beside
// the target and renamed over it only when whole.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/TQYini.h"
#include "core/Treadstream.h"
#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_Data.h"
#include "storage/r_dbase.h"

namespace {
constexpr uint8_t kMarker = 0xF0;
constexpr int kHeader = 24;
constexpr uint8_t kFlagEnd = 0x10;      // first or last point of a part
constexpr uint8_t kFlagNewPart = 0x80;  // a new part starts after this point
constexpr uint8_t kFlagNotPoint = 0x40;  // the label entry
constexpr size_t kMaxId = 255;          // the id's length byte
constexpr int64_t kMaxBlock = 65535;    // B is 16 bits

// The low 32 bits of an integer-valued double (a value stored in a narrower field keeps its low
// bytes); what is not a number gives 0.
uint32_t low32(double v) {
  if (!std::isfinite(v)) return 0;
  double m = std::fmod(v, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<uint32_t>(m);
}
uint32_t truncated(double v) { return low32(std::trunc(v)); }
uint32_t rounded(double v) { return low32(std::nearbyint(v)); }

void putHeader(uint8_t* p, uint8_t kind, uint32_t length, double x1, double y1, double x2, double y2, bool plusOne) {
  p[0] = kMarker;
  p[1] = kind;
  dra::put32(p + 2, length);
  dra::put32(p + 6, truncated(x1 * 100));
  dra::put32(p + 10, truncated(y1 * 100));
  dra::put32(p + 14, truncated(x2 * 100) + (plusOne ? 1 : 0));
  dra::put32(p + 18, truncated(y2 * 100) + (plusOne ? 1 : 0));
}

// The attribute record's items, appended to a byte buffer.
class Items {
 public:
  void whole(int32_t tag, uint32_t v) {
    tagged(tag);
    put32(v);
  }
  void real(int32_t tag, double v) {
    tagged(tag);
    uint8_t b[8];
    std::memcpy(b, &v, 8);  // IEEE double, little-endian on our platforms
    bytes_.insert(bytes_.end(), b, b + 8);
  }
  void text(int32_t tag, const std::string& utf8) {
    tagged(tag);
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      put32(static_cast<uint32_t>(utf8.size()));
      for (char c : utf8) {
        bytes_.push_back(uint8_t(c));
        bytes_.push_back(0);
      }
      return;
    }
    const std::u16string u = dra::toUtf16(utf8);
    put32(static_cast<uint32_t>(u.size()));
    for (char16_t c : u) {
      bytes_.push_back(uint8_t(c));
      bytes_.push_back(uint8_t(c >> 8));
    }
  }
  void clear() { bytes_.clear(); }  // keeps the memory for the next record
  void pairs(int32_t tag, const Tpoints& list) {
    tagged(tag);
    put32(static_cast<uint32_t>(list.size()));
    for (const auto& p : list) {
      put32(static_cast<uint32_t>(p.X));
      put32(static_cast<uint32_t>(p.Y));
    }
  }
  [[nodiscard]] const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void tagged(int32_t tag) { put32(static_cast<uint32_t>(tag)); }
  void put32(uint32_t v) {
    uint8_t b[4];
    dra::put32(b, v);
    bytes_.insert(bytes_.end(), b, b + 4);
  }
  std::vector<uint8_t> bytes_;
};

// The shape each kind of object needs to be written; other kinds are refused.
bool acceptable(const Tgob& g) {
  const TgobXy& xy = g.xy;
  auto every = [&](size_t least) {
    for (TxyPart part : xy)
      if (part.size() < least) return false;
    return true;
  };
  switch (g.obType()) {
    case o_point: return xy.size() == 1 && xy[0].size() == 1;
    case o_line: return xy.size() == 1 && xy[0].size() >= 2;
    case o_text: return xy.size() == 1 && !xy[0].empty();
    case o_polyGon: return every(4);
    case o_multiline: return every(2);
    default: return false;
  }
}

uint8_t recordKind(int32_t obType) {
  switch (obType) {
    case o_point: return ob_point;
    case o_line: return ob_line;
    case o_polyGon: return ob_polygon;
    case o_multiline: return o_multiline;
    default: return ob_text;
  }
}

std::string digitsOf(int64_t n) { return std::to_string(n); }
}  // namespace

// The state of one save: the output, the record buffer, the symbols the objects use and what
// went wrong.
class TwriteDra::Impl {
 public:
  explicit Impl(TwriteDra& w) : w(w) {}

  // Step markers: "a" bounds, "a1" header, "a2" drawing bounds, "b" caption and id, "point",
  // "d".."e" line kinds, "text ..." texts, "e1".."e3" the record, "e4" attributes, "e5" files.
  bool writeGob(TgobArray& d, Tgob& g, int32_t index);
  void gatherSymbols(const Tgob& g);
  bool writeColumns(TgobArray& d);
  bool writeIni(TQYini& ini, const TgobArray& d);
  bool writeFile(uint8_t kind, const std::string& path, const std::string& name, const std::string* content);
  bool finish();
  bool writeTable(TgobArray& d, const std::string& target);
  // A failure while writing: logged with its step; the save stops and ends false.
  void error(const std::string& step, const std::string& what);
  bool fail(const std::string& step, const std::string& what) {
    error(step, what);
    return false;
  }
  // The same inside writeGob, where the object counts as handled.
  bool failObject(const std::string& step, const std::string& what) {
    error(step, what);
    return true;
  }
  bool put(const void* data, size_t size);

  TwriteDra& w;
  TwriteStream out;
  std::string temp;  // the file being written, renamed over the target when whole
  std::vector<uint8_t> buf;
  Items items;
  bool haveBounds = false;
  bool failedWrite = false;
  int32_t refused = 0;
  TStringList symbols;  // code=definition lines of the custom symbols the objects use
  std::vector<std::pair<Tgob*, int32_t>> written;  // objects written with their index
  std::string tableTarget, tableFile;  // the dBase table and its temporary file
};

void TwriteDra::Impl::error(const std::string& step, const std::string& what) {
  w.seterr(step);
  w.log("TwriteDra error " + step + ": " + what);
  w.abort = true;
  failedWrite = true;
}

bool TwriteDra::Impl::put(const void* data, size_t size) {
  if (out.write(data, static_cast<int64_t>(size))) return true;
  error(w.err().empty() ? "write" : w.err(), "cannot write " + temp);
  return false;
}

bool TwriteDra::Impl::writeGob(TgobArray& d, Tgob& g, int32_t index) {
  if (w.abort || g.xy.empty()) return false;
  if (!acceptable(g)) return false;
  auto who = [&] { return "object " + std::to_string(index) + " (uid " + std::to_string(g.uid) + ")"; };
  const double k = w.multiply;
  // a: bounds, and every coordinate the file's reals can hold
  g.updateBounds();
  for (const auto& part : g.xy)
    for (const auto& p : part)
      if (!fitsReal48(p.x * k) || !fitsReal48(p.y * k))
        return failObject("a", who() + " has a coordinate the file cannot hold");
  if (g.obType() == o_text && !fitsReal48(g.detail().textheight / 1.3))
    return failObject("a", who() + " has a text height the file cannot hold");

  // b: caption and id in their 8-bit form, cut so the id fits its length byte and B its 16 bits
  int64_t n = g.pointCount();
  std::string id = toAnsi(g.fid.empty() ? std::to_string(g.uid) : g.fid.str());
  std::string caption = toAnsi(g.fcaption.str());
  const bool text = g.obType() == o_text;
  if (text) id.clear();
  if (id.size() > kMaxId) {
    w.log("writedra: the id of " + who() + " is cut to " + std::to_string(kMaxId) + " characters");
    id.resize(kMaxId);
  }
  const int64_t L = static_cast<int64_t>(id.size());
  const int64_t fixed = text ? 12 : g.obType() == o_point ? L + 14 : L + 13;  // B = C + fixed
  const int64_t maxCaption = kMaxBlock - fixed - 18;
  if (static_cast<int64_t>(caption.size()) > maxCaption) {
    w.log("writedra: the caption of " + who() + " is cut to " + std::to_string(maxCaption) + " characters");
    caption.resize(static_cast<size_t>(maxCaption));
  }
  const int64_t m = static_cast<int64_t>(caption.size());
  const int64_t C = m + 18;
  const int64_t B = C + fixed;
  const int64_t length = kHeader + B + 13 * n + (text ? 0 : 13);
  if (length > std::numeric_limits<int32_t>::max()) return failObject("e3", who() + " has too many points for one record");

  // a1, a2: header and drawing bounds
  if (!haveBounds) {
    w.x1 = g.x1 * k, w.y1 = g.y1 * k, w.x2 = g.x2 * k, w.y2 = g.y2 * k;
    haveBounds = true;
  } else {
    w.x1 = std::min(w.x1, g.x1 * k);
    w.y1 = std::min(w.y1, g.y1 * k);
    w.x2 = std::max(w.x2, g.x2 * k);
    w.y2 = std::max(w.y2, g.y2 * k);
  }
  ++w.obcnt;
  buf.assign(static_cast<size_t>(length), 0);
  uint8_t* r = buf.data();
  putHeader(r, recordKind(g.obType()), static_cast<uint32_t>(length), g.x1 * k, g.y1 * k, g.x2 * k, g.y2 * k, true);
  dra::put16(r + 22, static_cast<uint32_t>(B));

  const uint32_t style = static_cast<uint32_t>(g.styleNumber % 10000);
  size_t at = 0;
  auto captionBlock = [&](size_t pos) {
    uint8_t* p = r + pos;
    if (C < 254) {
      *p++ = 254;
    } else {
      dra::put16(p, static_cast<uint32_t>(C));
      p += 2;
    }
    dra::put32(p, 1);
    dra::put32(p + 4, static_cast<uint32_t>(m));
    std::memcpy(p + 8, caption.data(), caption.size());
    p += 8 + m;
    dra::put32(p, 2);
    dra::put32(p + 4, 0);  // an empty text 2; the final zero byte of the short form is already 0
    return pos + static_cast<size_t>(C);
  };
  const uint8_t cByte = static_cast<uint8_t>(C < 254 ? C : 254);
  if (text) {
    r[24] = static_cast<uint8_t>(g.styleNumber % 10000 <= 255 ? style : 0);
    r[25] = static_cast<uint8_t>(g.detail().flags);
    r[26] = static_cast<uint8_t>(g.detail().labelJustify);
    doubleToReal48(g.detail().textheight / 1.3, r + 27);
    dra::put16(r + 33, rounded(g.detail().textrotation * 10));
    r[35] = cByte;
    at = captionBlock(36);
  } else {
    r[24] = 254;
    dra::put32(r + 26, style);
    dra::put32(r + 30, g.dataid);
    at = 34;
    if (g.obType() == o_point) r[at++] = 1;
    r[at++] = cByte;
    at = captionBlock(at);
    r[at++] = static_cast<uint8_t>(L);
    std::memcpy(r + at, id.data(), id.size());
    at += id.size() + 1;  // and a zero byte
  }
  // the point entries, part after part
  for (size_t pi = 0; pi < g.xy.size(); ++pi) {
    const TxyPart part = g.xy[pi];
    const bool more = pi + 1 < g.xy.size();
    for (size_t i = 0; i < part.size(); ++i) {
      doubleToReal48(part[i].x * k, r + at);
      doubleToReal48(part[i].y * k, r + at + 6);
      const bool last = i + 1 == part.size();
      r[at + 12] = last && more ? (kFlagEnd | kFlagNewPart) : (i == 0 || last) ? kFlagEnd : 0;
      at += 13;
    }
  }
  if (!text) {  // the label entry, without the multiplier
    const TgobDetail& l = g.detail();
    dra::put32(r + at, rounded(l.labelx * 100));
    dra::put32(r + at + 4, rounded(l.labely * 100));
    dra::put16(r + at + 8, rounded(-l.labelRotation * 10));
    r[at + 10] = static_cast<uint8_t>(l.labelJustify);
    r[at + 11] = static_cast<uint8_t>(rounded(l.labelFactor * 100));
    r[at + 12] = kFlagNotPoint;
  }
  w.seterr("e3");
  if (!put(buf.data(), buf.size())) return true;

  // e4: the attribute record
  items.clear();
  items.whole(d_dataid, g.dataid);
  items.whole(d_style, static_cast<uint32_t>(g.styleNumber));
  items.whole(d_hjustify, static_cast<uint32_t>(g.hJustify()));
  items.whole(d_vjustify, static_cast<uint32_t>(g.vJustify()));
  const TgobDetail& more = g.detail();
  items.real(d_textrt, more.textrotation);
  items.real(d_tipx, g.tipx());
  items.real(d_tipy, more.tipy);
  items.whole(d_tipType, static_cast<uint32_t>(more.tipType));
  items.whole(d_symbolmultiply, static_cast<uint32_t>(g.symbolMultiply));
  items.real(d_z, more.z);
  items.whole(d_uid, g.uid);
  items.whole(d_parentuid, g.parentuid());
  items.whole(d_justifyflags, static_cast<uint32_t>(g.justifyFlags));
  items.text(d_id, g.fid.str());
  items.text(d_caption, g.fcaption.str());
  items.text(d_data, g.dataList().text());
  if (!more.microstyle.empty()) items.pairs(d_microstyle, more.microstyle);
  if (more.symbolElements && more.symbolElements->count() > 0)
    items.text(d_symbolelements, more.symbolElements->getdef());
  if (!more.notes.empty()) items.text(d_notes, more.notes);
  if (!more.category.empty()) items.text(d_category, more.category);
  const size_t alen = kHeader + items.bytes().size();
  if (alen > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return failObject("e4", who() + ": attributes too long");
  uint8_t h[kHeader] = {};
  putHeader(h, o_attribute, static_cast<uint32_t>(alen), w.x1, w.y1, w.x2, w.y2, true);
  w.seterr("e4");
  if (!put(h, kHeader) || !put(items.bytes().data(), items.bytes().size())) return true;

  // e5: one record for each attached file
  if (const TfileList* files = more.attachments.get())
    for (int32_t i = 0; i < files->count(); ++i) {
      w.seterr("e5");
      if (!writeFile(o_gobattachment, files->path(i), files->image(i).original, nullptr)) return true;
    }
  written.emplace_back(&g, index);
  (void)d;
  return true;
}

bool TwriteDra::Impl::writeFile(uint8_t kind, const std::string& path, const std::string& name,
                                const std::string* content) {
  std::string bytes;
  if (!content) {
    if (!platform::readWholeFile(path, bytes)) w.log("writedra: cannot read " + path + "; its record is empty");
    content = &bytes;
  }
  const std::u16string u = dra::toUtf16(name);
  const uint64_t length = kHeader + 4 + 2 * u.size() + content->size();
  if (length > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return fail(w.err(), "the file " + path + " is too large for one record");
  std::vector<uint8_t> head(kHeader + 4 + 2 * u.size(), 0);
  putHeader(head.data(), kind, static_cast<uint32_t>(length), w.x1, w.y1, w.x2, w.y2, true);
  dra::put32(head.data() + kHeader, static_cast<uint32_t>(u.size()));
  for (size_t i = 0; i < u.size(); ++i) dra::put16(head.data() + kHeader + 4 + 2 * i, u[i]);
  return put(head.data(), head.size()) && put(content->data(), content->size());
}

void TwriteDra::Impl::gatherSymbols(const Tgob& g) {
  const Tpoints& style = g.detail().microstyle;
  if (style.empty()) return;
  std::vector<int32_t> props;
  switch (g.obType()) {
    case o_point: props = {symbol_customid}; break;
    case o_line: props = {line_symbol_customid, line_symbol2_customid}; break;
    case o_polyGon: props = {fill_symbol_customid, fill_symbol2_customid}; break;
    default: return;
  }
  for (int32_t prop : props) {
    auto it = std::find_if(style.begin(), style.end(), [&](const auto& p) { return p.X == prop; });
    if (it == style.end()) continue;
    const std::string code = std::to_string(it->Y);
    if (symbols.indexOfName(code) >= 0) continue;
    TcustomSymbols& table = createCustomSymbols();
    const int32_t i = table.names.indexOf(code);
    if (i >= 0) symbols.add(table.list[i]);
  }
}

// Step markers: the settings sections, then the embedded files.
bool TwriteDra::Impl::writeColumns(TgobArray& d) {
  TQYini& ini = d.ini();
  if (d.columnCount() > 0) d.columns().saveToIni(ini);
  else ini.EraseSection("columns");
  w.setpercent(85);
  ini.writestring("settings", "version", d.version > 0 ? os->DoubleToStrUK(d.version, 6) : "3");
  ini.writestring("settings", "highest id", std::to_string(d.highestDataId));
  const std::pair<const char*, int32_t> places[] = {{"hectare dec places", d.HaDecPlaces},
                                                    {"area dec places", d.areaDecPlaces},
                                                    {"linear dec places", d.linearDecPlaces}};
  for (const auto& [key, value] : places) {
    if (value != 2) ini.writeInteger("settings", key, value);
    else ini.EraseValue("settings", key);
  }
  if (!d.projectionDef.empty()) ini.writestring("context", "projection", d.projectionDef);
  else ini.EraseValue("context", "projection");
  w.setpercent(90);
  for (int32_t i = 0; i < d.fileList.count(); ++i) {
    w.setpercent(static_cast<int>(std::nearbyint(i * 100.0 / d.fileList.count())));
    if (os) os->doPercent(&w);
    w.seterr("file " + std::to_string(i));
    if (!writeFile(o_file, d.fileList.path(i), d.fileList.image(i).original, nullptr)) return false;
  }
  return writeIni(ini, d);
}

bool TwriteDra::Impl::writeIni(TQYini& ini, const TgobArray&) {
  ini.save();  // the drawing's own temporary copy; the record holds the text itself
  const std::string text = ini.asText();
  const int64_t position = out.position();
  w.seterr("ini");
  if (!writeFile(o_ini, "", "", &text)) return false;
  uint8_t footer[kHeader] = {};
  footer[0] = kMarker;
  footer[1] = o_ini_footer;
  dra::put32(footer + 2, kHeader);
  dra::put32(footer + 6, static_cast<uint32_t>(position));
  const uint8_t tail[4] = {0xF0, 0x44, 0xF0, 0x44};
  std::memcpy(footer + 20, tail, 4);
  return put(footer, kHeader);
}

bool TwriteDra::Impl::finish() {
  w.seterr("finish");
  uint8_t h[18];
  dra::put32(h, truncated(w.x1 * 100));
  dra::put32(h + 4, truncated(w.y1 * 100));
  dra::put32(h + 8, truncated(w.x2 * 100));
  dra::put32(h + 12, truncated(w.y2 * 100));
  dra::put16(h + 16, static_cast<uint32_t>(w.obcnt));
  if (!out.setPosition(6) || !put(h, sizeof h)) return fail("finish", "cannot complete the header of " + temp);
  if (!out.close()) return fail("finish", "cannot write " + temp);
  return true;
}

// The dBase table of the values: "QY_ID" (as wide as the largest index needs), then one text
// field per column, as wide as its longest value + 4 and at most 254 bytes.
bool TwriteDra::Impl::writeTable(TgobArray& d, const std::string& target) {
  constexpr int kMaxText = 254;
  const int32_t cols = d.columnCount();
  std::vector<int> width(static_cast<size_t>(cols), 0);
  for (int32_t i = 0; i < d.count(); ++i) {
    Tgob* g = d.slot(i);
    if (!g) continue;
    const int32_t have = g->dataList().count();
    for (int32_t c = 0; c < cols; ++c) {
      const std::string v = c < have ? g->rawValue(c) : d.column(c)->deflt;
      width[static_cast<size_t>(c)] =
          std::max(width[static_cast<size_t>(c)], static_cast<int>(platform::codePointCount(v)));
    }
  }
  w.setpercent(96);
  TdbfMake make;
  const bool ownId = d.columnIndexOf("QY_ID") < 0;
  int32_t largest = 0;
  for (const auto& [g, index] : written) largest = std::max(largest, index);
  if (ownId) make.add("QY_ID", 'N', std::max<int>(4, static_cast<int>(digitsOf(largest).size())), 0);
  for (int32_t c = 0; c < cols; ++c) {
    std::string name = d.columns().getName(c);
    std::replace(name.begin(), name.end(), ',', '_');
    if (TosText::Trim(name).empty()) name = "FIELD" + std::to_string(c + 1);
    make.add(name, 'C', std::min(width[static_cast<size_t>(c)] + 4, kMaxText), 0);
  }
  if (make.count() == 0) return true;  // nothing to tabulate
  const int first = ownId ? 1 : 0;
  std::string why;
  const std::string tableTemp = dra::tempBeside(target, why);
  if (tableTemp.empty() || !make.save(tableTemp)) {
    dra::removeQuietly(tableTemp);
    return fail("dbf", "cannot write " + target + " " + why);
  }
  {
    Tdbf t;
    t.setfname(tableTemp);
    if (!t.isOpen()) {
      dra::removeQuietly(tableTemp);
      return fail("dbf", "cannot open " + tableTemp);
    }
    for (const auto& [g, index] : written) {
      if (w.abort) break;
      if (g->state == gob_invalid) continue;
      const int row = t.addrow();
      if (row < 0) {
        dra::removeQuietly(tableTemp);
        return fail("dbf", "cannot add a row to " + tableTemp);
      }
      if (ownId) t.setIntegerValue(0, row, index);
      const int32_t have = g->dataList().count();
      for (int32_t c = 0; c < cols; ++c) {
        const std::string v = c < have ? g->rawValue(c) : d.column(c)->deflt;
        if (static_cast<int>(platform::codePointCount(v)) > kMaxText)
          w.log("writedra: the value of object " + std::to_string(index) + " in column " + d.columns().getName(c) +
                " is cut to " + std::to_string(kMaxText) + " characters in " + target);
        t.setStringValue(first + c, row, v);
      }
    }
  }
  if (w.abort) {
    dra::removeQuietly(tableTemp);
    return false;
  }
  tableTarget = target;
  tableFile = tableTemp;
  return true;
}

// ================================================================ TwriteDra

TwriteDra::TwriteDra() = default;
TwriteDra::~TwriteDra() = default;

bool TwriteDra::write(TgobArray& g, const std::string& filename) {
  anystate = true;
  const bool ok = writeState(g, filename, gob_normal);
  anystate = false;
  return ok;
}

// Log steps "d1" to "d9" mark the stages; the step marker names the object's stage on failure.
bool TwriteDra::writeState(TgobArray& d, const std::string& filename, int32_t state, const TiList* indices) {
  TprocScope proc(*this, "writeState");
  impl = std::make_unique<Impl>(*this);
  Impl& s = *impl;
  auto step = [&](const std::string& t) { log("writedra: " + t); };
  step("d1 " + filename);
  setpercent(1);
  if (d.projectionDef.empty() && !defaultProjectionDef.empty()) d.projectionDef = defaultProjectionDef;
  abort = false;
  x1 = y1 = x2 = y2 = 0;
  obcnt = 0;
  step("d2");

  // start: the blank file header and the version record, in a file beside the target
  fname = filename;
  std::string why;
  s.temp = dra::tempBeside(filename, why);
  if (s.temp.empty() || !s.out.open(s.temp)) {
    s.error("start", "cannot create a file beside " + filename + (why.empty() ? "" : ": " + why));
  } else {
    uint8_t h[2 * kHeader] = {};
    putHeader(h, ob_fileheader, kHeader, 0, 0, 0, 0, false);
    putHeader(h + kHeader, o_version, kHeader, 0, 0, 0, 0, false);
    dra::put32(h + kHeader + 6, kHeader);  // the version record's own offset
    h[kHeader + 10] = 5;                   // the format version
    for (int i = kHeader + 14; i < kHeader + 22; ++i) h[i] = 0;
    s.put(h, sizeof h);
  }
  step("d2a");

  const int32_t total = indices ? static_cast<int32_t>(indices->size()) : d.count();
  for (int32_t i = 0; i < total && !abort; ++i) {
    setpercent(static_cast<int>(std::nearbyint(i * 80.0 / total + 1)));
    if (abort) break;  // a progress handler may stop the save
    const int32_t index = indices ? (*indices)[static_cast<size_t>(i)] : i;
    Tgob* g = d.getItem(index);
    if (!g || (!anystate && g->state != state) || g->xy.empty()) continue;
    if (!s.writeGob(d, *g, index)) {
      g->state = gob_invalid;
      ++s.refused;
    } else if (!abort) {
      s.gatherSymbols(*g);
    }
  }

  step("d3 " + TosNumberText::BoolAsStr(abort));
  if (!abort) {
    if (s.symbols.count() > 0 || d.hasIni()) {
      TQYini& ini = d.ini();
      if (ini.sectionExists("symbols")) ini.EraseSection("symbols");
      if (s.symbols.count() > 0) ini.WriteSection("symbols", s.symbols);
    }
    step("columns " + TosNumberText::BoolAsStr(d.columnCount() > 0));
    step("ini " + TosNumberText::BoolAsStr(d.hasIni()));
    if (s.writeColumns(d)) {
      step("d4b");
      s.finish();
    }
    step("d4c");
    setpercent(93);
    step("d5");
    if (wantDBF && !abort) {
      std::string table = database;
      if (table.empty()) table = filename.size() >= 3 ? filename.substr(0, filename.size() - 3) + "dbf" : filename + ".dbf";
      s.writeTable(d, table);
    }
  }

  step("d6");
  if (s.refused > 0) {
    log("writedra: " + std::to_string(s.refused) + " objects could not be written and are deleted from the drawing");
    for (int32_t i = d.count() - 1; i >= 0; --i)
      if (Tgob* g = d.slot(i); g && g->state == gob_invalid) d.Delete(i);
  }
  setpercent(0);
  if (os) os->doPercent(this);
  step("d7");
  bool ok = !abort;
  s.out.close();
  if (ok && !s.tableFile.empty() && !dra::moveInto(s.tableFile, s.tableTarget, why)) {
    log("writedra: cannot write " + s.tableTarget + ": " + why);
    ok = false;
  }
  if (ok && !dra::moveInto(s.temp, filename, why)) {
    log("writedra: cannot write " + filename + ": " + why);
    ok = false;
  }
  if (!ok) {
    dra::removeQuietly(s.temp);
    dra::removeQuietly(s.tableFile);
    log("writedra: " + filename + " not written; any earlier file of that name is unchanged");
  }
  step("d8");
  step("d9");
  return ok;
}

bool TwriteDra::saveToMem(TgobArray& g, TMemoryStream& mem) {
  const std::string temp = os->tempfilename("dra");
  std::string bytes;
  const bool ok = !temp.empty() && writeState(g, temp, gob_normal) && platform::readWholeFile(temp, bytes);
  dra::removeQuietly(temp);
  if (!ok) {
    log("saveToMem: the drawing could not be written to memory");
    return false;
  }
  mem.clear();
  mem.write(bytes.data(), static_cast<int64_t>(bytes.size()));
  mem.setPosition(0);
  return true;
}
