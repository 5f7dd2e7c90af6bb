// TReadShp: the shapefile reader. Numbers in the .shp are little-endian but for the big-endian file
// code, .shx entries and record headers; .shx offsets and lengths count 16-bit words. Every count
// in a record is checked against the record's bytes before anything is sized from it, so a
// corrupt file can only cost the records that do not fit.
#include "drawing/r_shp.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "core/Ttrig.h"
#include "core/Tyo.h"
#include "core/rawFileIo.h"
#include "drawing/r_Dra.h"
#include "geometry/r_Geom.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_dbase.h"

namespace {
constexpr int kHeaderSize = 100;
constexpr int kRecordHeader = 8;
constexpr double kUsFoot = 1200.0 / 3937.0;
constexpr double kFoot = 0.3048;
constexpr double kFarthest = 1e12;  // a coordinate beyond this is taken for garbage
constexpr int kSkipsLogged = 20;    // the log is rewritten per line: a broken file must not flood it

int32_t le32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
int32_t be32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24);
}
double leDouble(const uint8_t* p) {
  double d;
  std::memcpy(&d, p, 8);  // the platform is little-endian, as the format
  return d;
}
void putDouble(uint8_t* p, double d) { std::memcpy(p, &d, 8); }

bool isPointType(int32_t t) { return t == 1 || t == 11 || t == 21; }
bool isMultipointType(int32_t t) { return t == 8 || t == 18 || t == 28; }
bool isLineType(int32_t t) { return t == 3 || t == 13 || t == 23; }
bool isPolygonType(int32_t t) { return t == 5 || t == 15 || t == 25; }

bool sane(double v) { return std::isfinite(v) && std::abs(v) <= kFarthest; }

// Appends a point unless it repeats the last one exactly (as the array services do).
void addPoint(Txyvalues& part, double x, double y) {
  if (!part.empty() && part.back().x == x && part.back().y == y) return;
  part.push_back({x, y});
}

// The shared tolerance, set for one record's rings and put back on every way out.
class TequalityScope {
 public:
  explicit TequalityScope(double value) : trig_(createTrig()), saved_(trig_.equality) { trig_.equality = value; }
  ~TequalityScope() { trig_.equality = saved_; }
  TequalityScope(const TequalityScope&) = delete;
  TequalityScope& operator=(const TequalityScope&) = delete;

 private:
  Ttrig& trig_;
  double saved_;
};

// Rings grouped into polygons by nesting depth: a ring at even depth is an outer ring (so an
// island in a hole is a polygon of its own), a ring at odd depth a hole of the ring holding it.
void groupRings(TpolyXyValues& rings, TpolyPolyXYvalues& polys) {
  polys.clear();
  rings.erase(std::remove_if(rings.begin(), rings.end(), [](const Txyvalues& r) { return r.size() < 3; }),
              rings.end());
  if (rings.empty()) return;
  TlineMan& lm = createLineman();
  TpolyPolyXYvalues nested;
  TiList parents;
  lm.ParentPolys(rings, nested, true, parents);  // closes the rings; the parents are what we need
  const size_t n = rings.size();
  std::vector<int32_t> depth(n, -1);
  for (size_t i = 0; i < n; ++i) {
    int32_t d = 0;
    for (int32_t p = parents[i]; p >= 0 && d <= static_cast<int32_t>(n); p = parents[static_cast<size_t>(p)]) ++d;
    depth[i] = d;
  }
  for (size_t j = 0; j < n; ++j) {
    if (depth[j] % 2 != 0) continue;
    TpolyXyValues poly{rings[j]};
    for (size_t i = 0; i < n; ++i)
      if (parents[i] == static_cast<int32_t>(j) && depth[i] % 2 != 0) poly.push_back(rings[i]);
    lm.CheckPolygon(poly);
    if (!poly.empty() && !poly[0].empty()) polys.push_back(std::move(poly));
  }
}

std::string fileText(const std::string& path) {
  std::string bytes;
  return platform::readWholeFile(path, bytes) ? bytes : std::string();
}

// The last-write time in nanoseconds, -1 for a missing file.
int64_t mtimeNs(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
}  // namespace

// ================================================================ module routines

double shpUnitFactor(const std::string& prjText) {
  std::string s = platform::lowerCase(prjText);
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; }), s.end());
  if (s.find("unit[\"foot_us") != std::string::npos || s.find("unit[\"us survey foot") != std::string::npos ||
      s.find("unit[\"ussurveyfoot") != std::string::npos)
    return kUsFoot;
  if (s.find("unit[\"foot") != std::string::npos) return kFoot;
  return 1.0;
}

std::string cpgCodePage(const std::string& cpgText) {
  std::string s;
  for (char c : platform::upperCase(TosText::Trim(cpgText)))
    if (c != ' ' && c != '-' && c != '_') s += c;
  auto number = [](const std::string& t) -> int {
    if (t.empty() || t.size() > 5 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return -1;
    return std::stoi(t);
  };
  if (s == "UTF8" || s == "65001") return "UTF-8";
  if (s == "LATIN1") return "ISO-8859-1";
  std::string rest = s.rfind("ISO", 0) == 0 ? s.substr(3) : s;
  if (rest.rfind("8859", 0) == 0) {
    const int n = number(rest.substr(4));
    return n >= 1 && n <= 16 && n != 12 ? "ISO-8859-" + std::to_string(n) : "";
  }
  for (const char* prefix : {"WINDOWS", "ANSI", "CP", "OEM", "IBM"})
    if (s.rfind(prefix, 0) == 0) {
      s = s.substr(std::strlen(prefix));
      break;
    }
  const int n = number(s);
  if (n >= 1250 && n <= 1258) return "windows-" + std::to_string(n);
  if (n == 874) return "windows-874";
  for (int oem : {437, 737, 775, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869})
    if (n == oem) return "ibm-" + std::to_string(n);
  return "";
}

std::string shpCompanion(const std::string& shpName, const std::string& ext) {
  const size_t slash = shpName.find_last_of('/');
  const size_t dot = shpName.find_last_of('.');
  const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? shpName
                               : shpName.substr(0, dot);
  const std::string wanted = stem + "." + ext;
  if (platform::isFile(wanted)) return wanted;
  const std::string folder = slash == std::string::npos ? "." : shpName.substr(0, slash);
  const std::string base = stem.substr(slash == std::string::npos ? 0 : slash + 1);
  for (const std::string& entry : platform::listFolder(folder, "*." + ext, platform::Entries::Files, true))
    if (platform::sameNoCase(entry, base + "." + ext))
      return (slash == std::string::npos ? "" : folder + "/") + entry;
  return wanted;
}

// ================================================================ the reader

// The .shp, read through a window of 256 KB: records are mostly read front to back, and one
// system call per window costs far less than one per record; a larger window only adds to the
// memory a read of a big layer peaks at.
class TReadShp::File : public rawio::TrawFile {
 public:
  static constexpr int64_t kWindow = 1 << 18;
  int64_t length = 0;
  size_t read(int64_t at, void* into, size_t n) {
    if (int64_t(n) > kWindow / 4) return readAt(at, into, n);
    if (at < windowAt || at + int64_t(n) > windowAt + int64_t(window.size())) {
      window.resize(static_cast<size_t>(kWindow));
      window.resize(readAt(at, window.data(), window.size()));
      windowAt = at;
    }
    const int64_t from = at - windowAt;
    const size_t got = static_cast<size_t>(std::min<int64_t>(int64_t(n), int64_t(window.size()) - from));
    std::memcpy(into, window.data() + from, got);
    return got;
  }

 private:
  std::vector<uint8_t> window;
  int64_t windowAt = 0;
};

TReadShp::TReadShp() = default;

TReadShp::TReadShp(TgobArray* target) : g(target) {}

TReadShp::~TReadShp() {
  closeAll();
  log("Treadshp destroy");
}

std::string TReadShp::indexName(const std::string& shpName) {
  const size_t dot = shpName.find_last_of('.');
  const size_t slash = shpName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return shpName + ".index";
  return shpName.substr(0, dot) + ".index";
}

void TReadShp::closeAll() {
  f.reset();
  dbf.reset();
  std::vector<uint8_t>().swap(mem);
}

bool TReadShp::readShx(const std::string& shxName) {
  rows.clear();
  records = 0;
  std::vector<uint8_t> shx;
  if (!rawio::readWholeFile(shxName, shx)) {
    log("cannot read " + shxName);
    return false;
  }
  const size_t n = shx.size() > kHeaderSize ? (shx.size() - kHeaderSize) / 8 : 0;
  rows.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* e = shx.data() + kHeaderSize + i * 8;
    // Both are unsigned word counts in effect; negative ones are caught when the record is read.
    rows[i].offsetWords = be32(e);
    rows[i].lengthWords = be32(e + 4);
  }
  records = static_cast<int32_t>(std::min<size_t>(n, INT32_MAX));
  return true;
}

// Opens the .shp and checks its header; headerOk tells the outcome.
bool TReadShp::openShp() {
  headerOk = false;
  f = std::make_unique<File>();
  if (!f->openRead(fname)) {
    log("cannot open " + fname);
    return false;
  }
  f->length = f->size();
  uint8_t h[kHeaderSize];
  if (f->length < kHeaderSize || f->readAt(0, h, kHeaderSize) != kHeaderSize) {
    log(fname + " is shorter than a shapefile header");
    return false;
  }
  if (h[2] != 0x27 || h[3] != 0x0A) {
    log(fname + " has no shapefile file code");
    return false;
  }
  shapeType = le32(h + 32);
  minx = leDouble(h + 36);
  miny = leDouble(h + 44);
  maxx = leDouble(h + 52);
  maxy = leDouble(h + 60);
  headerOk = true;
  return true;
}

void TReadShp::workOutUnits() {
  const std::string prj = shpCompanion(fname, "prj");
  if (platform::isFile(prj))
    originalMultiply = shpUnitFactor(fileText(prj));
  else
    originalMultiply = os && os->shapefilesinfeet ? kUsFoot : 1.0;
  multiply = useOriginalUnits ? 1.0 : originalMultiply;
  minx *= multiply;
  miny *= multiply;
  maxx *= multiply;
  maxy *= multiply;
  const double extent = std::max(maxx - minx, maxy - miny);
  equality = extent >= 2 ? extent / 1000000 : 0;  // NaN bounds fail the test too
}

void TReadShp::openTable() {
  dbf = std::make_unique<Tdbf>();
  dbf->readonly = true;
  const std::string cpg = shpCompanion(fname, "cpg");
  if (platform::isFile(cpg)) {
    dbf->codepage = cpgCodePage(fileText(cpg));
    if (dbf->codepage.empty()) log("code page not known: " + TosText::Trim(fileText(cpg)));
  }
  dbf->setfname(shpCompanion(fname, "dbf"));
  if (!dbf->isOpen()) {
    log("the table of " + fname + " cannot be read");
    return;
  }
  for (int c = 0; c < dbf->getcols(); ++c) g->addColumn(dbf->ColumnName(c), "", dbf->ColumnType(c));
}

void TReadShp::setname(const std::string& value) {
  TprocScope proc(*this, "setname");
  log("TreadShp setname " + value);
  seterr("a");
  closeAll();
  fname = value;
  rows.clear();
  records = 0;
  index = -1;
  xy.clear();
  pxy.clear();
  pcnt = 0;
  obType = 0;
  skipped = 0;
  bounds.clear();
  headerOk = false;
  fready = false;
  for (const char* ext : {"dbf", "shx"}) {
    const std::string companion = shpCompanion(value, ext);
    if (!platform::isFile(companion)) {
      const std::string text = (os ? os->wd("general", "File missing") : std::string("File missing")) + ": \"" +
                               companion + "\"";
      log(text);
      yo(text);
      return;
    }
  }
  seterr("b");
  if (!readShx(shpCompanion(value, "shx"))) return;
  seterr("c");
  if (!openShp()) return;
  seterr("d");
  workOutUnits();
  seterr("e");
  log("TreadShp setname DBF");
  if (g) openTable();
  seterr("f");
  fready = true;
  log("TreadShp setname end");
}

void TReadShp::noteSkip(int32_t rec, const std::string& why) {
  ++skipped;
  if (skipped <= kSkipsLogged)
    log("shp record " + std::to_string(rec) + " skipped: " + why);
  else if (skipped == kSkipsLogged + 1)
    log("further records skipped in " + fname + ", not logged");
}

// Step markers: a1 the record, a4 its rings.
bool TReadShp::loadRecord(int32_t rec, std::string& why) {
  xy.clear();
  pxy.clear();
  pcnt = 0;
  obType = 0;
  recType = 0;
  seterr("a1");
  const shprec& r = rows[static_cast<size_t>(rec)];
  if (!f || r.address() < kHeaderSize || r.size() < kRecordHeader + 4 || r.address() > f->length ||
      r.size() > f->length - r.address()) {
    why = "address " + std::to_string(r.address()) + " and size " + std::to_string(r.size()) + " do not fit the file";
    return false;
  }
  mem.resize(static_cast<size_t>(r.size()));  // at most the file's size
  if (f->read(r.address(), mem.data(), mem.size()) != mem.size()) {
    why = "cannot be read";
    return false;
  }
  const uint8_t* p = mem.data() + kRecordHeader;
  const int64_t n = r.size() - kRecordHeader;
  recType = le32(p);
  const double m = multiply;
  if (recType == 0) return true;
  if (isPointType(recType)) {
    if (n < 20) {
      why = "point cut short";
      return false;
    }
    const double x = leDouble(p + 4), y = leDouble(p + 12);
    if (!sane(x) || !sane(y)) {
      why = "point out of range";
      return false;
    }
    obType = o_point;
    xy.assign(1, Txyvalues{{x * m, y * m}});
    return true;
  }
  if (isMultipointType(recType)) {
    const int64_t count = n >= 40 ? int64_t(uint32_t(le32(p + 36))) : -1;
    if (count < 0 || 40 + 16 * count > n) {
      why = "multipoint count beyond the record";
      return false;
    }
    xy.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      const double x = leDouble(p + 40 + 16 * i), y = leDouble(p + 48 + 16 * i);
      if (!sane(x) || !sane(y)) {
        xy.clear();
        why = "point out of range";
        return false;
      }
      xy.push_back(Txyvalues{{x * m, y * m}});
    }
    obType = o_point;
    return true;
  }
  if (!isLineType(recType) && !isPolygonType(recType)) {
    why = "shape type " + std::to_string(recType) + " not read";
    return false;
  }
  if (n < 44) {
    why = "parts cut short";
    return false;
  }
  const int64_t parts = le32(p + 36), points = le32(p + 40);
  if (parts < 0 || points < 0 || 44 + 4 * parts + 16 * points > n) {
    why = "part count " + std::to_string(parts) + " or point count " + std::to_string(points) + " beyond the record";
    return false;
  }
  std::vector<int64_t> starts(static_cast<size_t>(parts));
  for (int64_t j = 0; j < parts; ++j) {
    starts[size_t(j)] = le32(p + 44 + 4 * j);
    if (starts[size_t(j)] < 0 || starts[size_t(j)] > points || (j > 0 && starts[size_t(j)] < starts[size_t(j - 1)])) {
      why = "part starts out of order or past the points";
      return false;
    }
  }
  const uint8_t* pts = p + 44 + 4 * parts;
  xy.resize(static_cast<size_t>(parts));
  for (int64_t j = 0; j < parts; ++j) {
    const int64_t end = j + 1 < parts ? starts[size_t(j + 1)] : points;
    Txyvalues& part = xy[size_t(j)];
    part.reserve(static_cast<size_t>(end - starts[size_t(j)]));
    for (int64_t i = starts[size_t(j)]; i < end; ++i) {
      const double x = leDouble(pts + 16 * i), y = leDouble(pts + 16 * i + 8);
      if (!sane(x) || !sane(y)) {
        xy.clear();
        why = "point out of range";
        return false;
      }
      addPoint(part, x * m, y * m);
    }
  }
  obType = isLineType(recType) ? o_line : o_polyGon;
  if (obType == o_polyGon && !xy.empty()) {
    seterr("a4");
    {
      TequalityScope tolerance(equality);
      groupRings(xy, pxy);
    }
    xy.clear();
    if (pxy.empty()) {
      log("shp empty object index: " + std::to_string(rec));
    } else {
      xy = pxy[0];
      pcnt = 1;
    }
  }
  return true;
}

void TReadShp::doAttributes(Tgob& gob, int32_t row) {
  const int n = dbf && dbf->isOpen() ? dbf->getcols() : 0;
  values.resize(static_cast<size_t>(n));
  for (int c = 0; c < n; ++c) values[static_cast<size_t>(c)] = quoteValue(dbf->getString(c, row));
  gob.getDataList().assign(values);
  gob.fid = std::to_string(row);
}

int32_t TReadShp::putRecord(int32_t rec, int32_t at) {
  if (!g || obType == 0) return 0;
  int32_t made = 0;
  auto finish = [&](int32_t i) {
    Tgob& gob = *g->slot(i);
    gob.uid = static_cast<uint32_t>(rec);
    doAttributes(gob, rec);
    ++made;
  };
  if (isMultipointType(recType)) {
    for (const Txyvalues& part : xy) finish(g->addPoint(part[0].x, part[0].y));
  } else if (obType == o_polyGon) {
    for (size_t k = 0; k < pxy.size(); ++k) finish(g->add(k == 0 ? at : -1, o_polyGon, std::move(pxy[k])));
    pxy.clear();
    pcnt = 0;
  } else if (!xy.empty()) {
    finish(g->add(at, obType, std::move(xy)));
  }
  xy.clear();
  return made;
}

void TReadShp::finishRead() {
  closeAll();
  if (skipped > 0) log(std::to_string(skipped) + " records of " + fname + " skipped");
  if (g) g->updateBounds();
  setpercent(0);
  if (os) os->doPercent(this);
}

bool TReadShp::getnext() {
  if (pcnt > 0 && pcnt < static_cast<int32_t>(pxy.size())) {  // the further polygons of a record
    xy = pxy[static_cast<size_t>(pcnt++)];
    obType = o_polyGon;
    return true;
  }
  TprocScope proc(*this, "getnext");
  xy.clear();
  pxy.clear();
  pcnt = 0;
  obType = 0;
  if (index >= records) return false;
  ++index;
  if (index >= records) {
    finishRead();
    return false;
  }
  try {
    setpercent(static_cast<int>(std::nearbyint(index * 100.0 / records)));
    if (os) os->doPercent(this);
    if (!headerOk) {
      seterr("a1-a3");
      throw std::runtime_error("no shapefile header");
    }
    if (index == 0 && g && !isMultipointType(shapeType)) {
      slotBase = g->count();
      g->setlengthOfArray(slotBase + records);
    }
    std::string why;
    if (!loadRecord(index, why))
      noteSkip(index, why);
    else if (g)
      putRecord(index, isMultipointType(shapeType) ? -1 : slotBase + index);
  } catch (const std::exception& e) {
    const std::string step = err();
    log("shape file error " + std::to_string(index) + " of " + std::to_string(rows.size()) + ": " + e.what());
    yo("shape file error: " + step);
    index = records;  // nothing more is read from this file
    closeAll();
    return false;
  }
  if (g) xy.clear();
  if (os) os->ClearNull();
  return true;
}

bool TReadShp::Read(TgobArray& target, const std::string& filename) {
  TprocScope proc(*this, "Read");
  if (os) os->setabort(false);
  useOriginalUnits = true;
  g = &target;
  target.clear();
  setname(filename);
  if (!fready) {
    if (records > 0) getnext();  // shows why
    return false;
  }
  while (getnext())
    if (os && os->abort()) break;
  for (int32_t i = 0; i < target.count(); ++i)
    if (Tgob* gob = target.slot(i)) gob->g = &target;
  return true;
}

// ================================================================ box reads

bool TReadShp::boundsOf(int32_t rec, boundrecOld& b) {
  b = {};
  const shprec& r = rows[static_cast<size_t>(rec)];
  if (!f || r.size() <= 12 || r.address() < kHeaderSize || r.address() > f->length || r.size() > f->length - r.address())
    return false;
  uint8_t buf[44];
  const size_t want = static_cast<size_t>(std::min<int64_t>(r.size(), 44));
  if (f->read(r.address(), buf, want) != want) return false;
  const int32_t type = le32(buf + 8);
  if (isPointType(type) && want >= 28) {
    b.x1 = b.x2 = leDouble(buf + 12);
    b.y1 = b.y2 = leDouble(buf + 20);
    return true;
  }
  if ((isLineType(type) || isPolygonType(type) || isMultipointType(type)) && want >= 44) {
    b.x1 = leDouble(buf + 12);
    b.y1 = leDouble(buf + 20);
    b.x2 = leDouble(buf + 28);
    b.y2 = leDouble(buf + 36);
    return true;
  }
  return false;
}

bool TReadShp::readIndexFile(const std::string& name) {
  const int64_t shpTime = mtimeNs(fname), indexTime = mtimeNs(name);
  if (indexTime < 0 || indexTime < shpTime) return false;
  std::vector<uint8_t> bytes;
  if (!rawio::readWholeFile(name, bytes)) return false;
  if (bytes.size() != size_t(records) * 32) {
    log("index " + name + " does not match " + fname + ": rebuilt");
    return false;
  }
  bounds.resize(static_cast<size_t>(records));
  for (size_t i = 0; i < bounds.size(); ++i) {
    const uint8_t* p = bytes.data() + i * 32;
    bounds[i] = {leDouble(p) * multiply, leDouble(p + 8) * multiply, leDouble(p + 16) * multiply,
                 leDouble(p + 24) * multiply};
  }
  return true;
}

bool TReadShp::getIndex() {
  TprocScope proc(*this, "getIndex");
  seterr("a");
  const std::string name = indexFile.empty() ? indexName(fname) : indexFile;
  log("get index start: " + name);
  if (readIndexFile(name)) {
    log("get index finish fast");
    return true;
  }
  seterr("b");
  bounds.assign(static_cast<size_t>(records), {});
  std::string bytes(size_t(records) * 32, '\0');
  for (int32_t rec = 0; rec < records; ++rec) {
    boundrecOld& b = bounds[static_cast<size_t>(rec)];
    boundsOf(rec, b);
    uint8_t* p = reinterpret_cast<uint8_t*>(bytes.data()) + size_t(rec) * 32;
    putDouble(p, b.x1);
    putDouble(p + 8, b.y1);
    putDouble(p + 16, b.x2);
    putDouble(p + 24, b.y2);
    b = {b.x1 * multiply, b.y1 * multiply, b.x2 * multiply, b.y2 * multiply};
  }
  seterr("c");
  std::string why;
  if (!indexFile.empty() && records > 0 &&
      !platform::replaceFileContents(indexFile, bytes, &why, platform::Flush::Later))
    log("bounds index not written: " + indexFile + " " + why);
  log("get index finish");
  return true;
}

bool TReadShp::makeIndex(const std::string& filename) {
  TprocScope proc(*this, "makeIndex");
  seterr("a");
  if (filename != fname || !f) {
    closeAll();
    fname = filename;
    if (!readShx(shpCompanion(filename, "shx")) || !openShp()) return false;
  }
  indexFile = indexName(filename);
  const bool keep = useOriginalUnits;
  const double m = multiply;
  multiply = 1;  // a sound index is recognised by its size alone
  const bool done = readIndexFile(indexFile) || getIndex();
  multiply = m;
  useOriginalUnits = keep;
  bounds.clear();  // they were in the file's units
  return done && platform::isFile(indexFile);
}

bool TReadShp::meets(const boundrecOld& b, double x1, double y1, double x2, double y2) const {
  return b.x1 <= x2 && b.x2 >= x1 && b.y1 <= y2 && b.y2 >= y1;  // NaN meets nothing
}

bool TReadShp::fillBox(double x1, double y1, double x2, double y2, bool clearFirst) {
  TprocScope proc(*this, "refresh");
  std::string step = std::string("a ") + (g ? "yes" : "no");
  try {
    seterr(step);
    if (!g) throw std::runtime_error("no drawing");
    if (clearFirst) g->clearObjects();
    step = "b " + std::to_string(records);
    seterr(step);
    if (bounds.size() != size_t(records)) getIndex();
    step = "c";
    seterr(step);
    std::string why;
    for (int32_t rec = 0; rec < records; ++rec) {
      if (rows[size_t(rec)].size() <= 12 || !meets(bounds[size_t(rec)], x1, y1, x2, y2)) continue;
      if (!loadRecord(rec, why))
        noteSkip(rec, why);
      else
        putRecord(rec, -1);
    }
    step = "e";
    seterr(step);
    g->updateBounds();
  } catch (const std::exception& e) {
    log(std::string("refresh failed: ") + e.what());
    yo("TreadShp.refresh: " + step);
    return false;
  }
  return true;
}

bool TReadShp::Read(TgobArray& target, const std::string& filename, double x1, double y1, double x2, double y2) {
  useOriginalUnits = true;
  g = &target;
  setname(filename);
  if (!fready) return false;
  getIndex();
  return fillBox(x1, y1, x2, y2, false);
}

bool TReadShp::Open(TgobArray& target, const std::string& filename) {
  useOriginalUnits = true;
  closeAll();
  bounds.clear();
  target.clear();
  g = &target;
  setname(filename);
  return fready && getIndex();
}

bool TReadShp::Open(const std::string& filename) {
  if (!fg) fg = std::make_unique<TgobArray>();
  return Open(*fg, filename);
}

bool TReadShp::Refresh(double x1, double y1, double x2, double y2) { return fillBox(x1, y1, x2, y2, true); }

bool TReadShp::getbounds(const std::string& filename, double& x1, double& y1, double& x2, double& y2) {
  TprocScope proc(*this, "getbounds");
  seterr("a");
  rawio::TrawFile shp;
  uint8_t h[kHeaderSize];
  if (!shp.openRead(filename) || shp.readAt(0, h, kHeaderSize) != kHeaderSize || h[2] != 0x27 || h[3] != 0x0A) {
    log("no shapefile header in " + filename);
    return false;
  }
  const std::string prj = shpCompanion(filename, "prj");
  if (platform::isFile(prj))
    multiply = shpUnitFactor(fileText(prj));
  else
    multiply = os && os->shapefilesinfeet ? kUsFoot : 1.0;
  x1 = leDouble(h + 36) * multiply;
  y1 = leDouble(h + 44) * multiply;
  x2 = leDouble(h + 52) * multiply;
  y2 = leDouble(h + 60) * multiply;
  return true;
}
