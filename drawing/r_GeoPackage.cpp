// TreadGpKg: GeoPackage layers into drawings. A layer's geometry column and integer primary key
// come from gpkg_geometry_columns and the table's own definition; every name reaches SQL quoted
// and every value bound. Box reads go through the layer's R-tree when it has one and filter the
// rows by their envelopes in any case, so both ways give the same rows.
#include "drawing/r_GeoPackage.h"

#include <algorithm>
#include <cmath>

#include "platform/TMemoryStream.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_Data.h"
#include "storage/r_sqlite.h"

namespace {
constexpr uint32_t kAppGPKG = 0x47504B47, kAppGP10 = 0x47503130, kAppGP11 = 0x47503131;
constexpr int kRefusalsLogged = 20;  // the log is rewritten per line: a broken file must not flood it
constexpr const char* kMetadata = "Ombrant_metadata";
// The layer list, in one text for the reader and gpkgLayers so that both give the same order.
constexpr const char* kLayerQuery =
    "SELECT table_name, column_name, geometry_type_name, srs_id FROM gpkg_geometry_columns";

// The object type of a decoded member: point, line or polygon.
int32_t kindOf(int32_t rawType) {
  switch (rawType) {
    case 1: case 10: return o_point;
    case 2: case 11: return o_line;
    default: return o_polyGon;
  }
}

using Piece = TgpkgPiece;

std::vector<Piece> piecesOf(TgpkgGeometry& geo, int32_t layerObType, bool keepMultipolygon) {
  std::vector<Piece> out;
  if (keepMultipolygon && geo.rawType == 12) {
    Piece p;
    p.type = o_multipolygon;
    p.polys = std::move(geo.members);
    out.push_back(std::move(p));
    return out;
  }
  const int32_t kind = kindOf(geo.rawType);
  const int32_t type = kind == o_point && layerObType == o_text ? o_text : kind;
  for (TpolyXyValues& m : geo.members) {
    Piece p;
    p.type = type;
    p.parts = std::move(m);
    out.push_back(std::move(p));
  }
  return out;
}

// Puts a piece into an object that has no geometry yet.
void givePiece(Tgob& gob, Piece& piece) {
  gob.setType(piece.type);
  if (piece.type == o_multipolygon)
    gob.editDetail().polyxy = std::move(piece.polys);
  else
    gob.xy = std::move(piece.parts);
  gob.updateBounds();
}

bool isProperty(const std::string& column) { return column.find("qy_") != std::string::npos; }

// A whole layer is read front to back once: the pages SQLite keeps on the way are not asked for
// again and only add to the memory a big read peaks at. The connection's own size comes back after.
class TscanCache {
 public:
  explicit TscanCache(TliteDB& db) : db_(db), was_(db.getstr("PRAGMA cache_size")) {
    if (!was_.empty()) db_.RawExecSQL("PRAGMA cache_size = -" + std::to_string(kScanCacheKiB));
  }
  ~TscanCache() {
    if (!was_.empty()) db_.RawExecSQL("PRAGMA cache_size = " + was_);
  }
  TscanCache(const TscanCache&) = delete;
  TscanCache& operator=(const TscanCache&) = delete;

 private:
  static constexpr int kScanCacheKiB = 128;
  TliteDB& db_;
  std::string was_;
};
}  // namespace

struct TreadGpKg::Query {
  TliteDB* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  int geomCol = -1;
  std::vector<std::string> names;
  ~Query() { close(); }
  void close() {
    if (db && stmt) db->finish(stmt);
    stmt = nullptr;
  }
  bool next() { return stmt && db->getnext(stmt); }
  // The text of a column of the current row; blobs give none.
  std::string text(int col) const {
    if (q && q->Sqlite3_ColumnType(stmt, col) == SQLITE_BLOB) return {};
    return platform::validUtf8(db->getstr(stmt, col));
  }
};

// ================================================================ layer records

TtableRec::TtableRec() : columns(std::make_unique<Tcolumns>()) {}
TtableRec::~TtableRec() = default;

bool gpkgLayers(const std::string& filename, TStringList& list) {
  if (!platform::isFile(filename)) return false;
  list.clear();
  auto db = TliteDB::createReadOnly();
  if (!db->setfile(filename)) return true;
  if (!db->tableExists("gpkg_geometry_columns")) {
    db->log("no gpkg_geometry_columns in " + filename);
    return true;
  }
  sqlite3_stmt* s = db->start(kLayerQuery);
  while (s && db->getnext(s)) list.add(db->getstr(s, 0));
  db->finish(s);
  return true;
}

// ================================================================ opening

TreadGpKg::TreadGpKg() : db(TliteDB::createReadOnly()) {}

TreadGpKg::~TreadGpKg() {
  query.reset();
  tables.clear();
  db.reset();
}

TtableRec* TreadGpKg::getTable(int32_t index) const {
  return index >= 0 && index < TableCount() ? tables[static_cast<size_t>(index)].get() : nullptr;
}

TtableRec* TreadGpKg::findTable(const std::string& name) const {
  for (const auto& t : tables)
    if (t->name == name) return t.get();
  for (const auto& t : tables)
    if (platform::sameNoCase(t->name, name)) return t.get();
  return nullptr;
}

int32_t TreadGpKg::getEpsg(int32_t index) const {
  const TtableRec* t = getTable(index);
  return t ? t->epsg : 0;
}

int32_t TreadGpKg::geomType(const std::string& name) {
  if (name == "POINT") return 1;
  if (name == "LINESTRING") return 2;
  if (name == "POLYGON") return 6;
  if (name == "MULTIPOINT") return 10;
  if (name == "MULTILINESTRING") return 11;
  if (name == "MULTIPOLYGON") return 12;
  return 0;
}

void TreadGpKg::setname(const std::string& value) {
  TprocScope proc(*this, "setname");
  seterr("a");
  query.reset();
  ftr = nullptr;
  tables.clear();
  fname = value;
  frecords = 0;
  fvalid = false;
  major = minor = 0;
  fversion = 0;
  fdatasets = 1;
  withRtree = false;
  fminx = fminy = fmaxx = fmaxy = -1;
  refusedLogged = 0;
  if (!platform::isFile(value)) {
    log("no file " + value);
    return;
  }
  if (!db->setfile(value)) return;
  seterr("b");
  sqlite3_stmt* s = db->start("PRAGMA application_id");
  const uint32_t app = s && db->getnext(s) ? static_cast<uint32_t>(db->getint(s, 0)) : 0;
  db->finish(s);
  if (app != kAppGPKG && app != kAppGP10 && app != kAppGP11) {
    log(value + " is not a GeoPackage (application id " + std::to_string(app) + ")");
    return;
  }
  seterr("c");
  if (app == kAppGP10) {
    major = 1;
    minor = 0;
  } else if (app == kAppGP11) {
    major = 1;
    minor = 1;
  } else {
    s = db->start("PRAGMA user_version");
    const int32_t v = s && db->getnext(s) ? db->getint(s, 0) : 0;
    db->finish(s);
    major = v / 10000;
    minor = (v % 10000) / 100;
  }
  if (!db->tableExists("gpkg_geometry_columns")) {
    log(value + " has no gpkg_geometry_columns");
    return;
  }
  fvalid = true;
  seterr("d");
  if (db->tableExists(kMetadata)) {
    const std::string ver = db->getS(kMetadata, "value", TwhereClause::equals("key", "version"));
    fversion = os ? os->StrToDoubleUK(ver) : std::atof(ver.c_str());
    if (!(fversion > 0)) fversion = 1;
    fdatasets = std::max(1, TosNumberText::StrToInt(db->getS(kMetadata, "value", TwhereClause::equals("key", "data sets"))));
  }
  seterr("e");
  if (db->tableExists("gpkg_contents")) {
    s = db->start("SELECT min(min_x), min(min_y), max(max_x), max(max_y), count(min_x) FROM gpkg_contents");
    if (s && db->getnext(s) && db->getint(s, 4) > 0) {
      fminx = db->getdouble(s, 0);
      fminy = db->getdouble(s, 1);
      fmaxx = db->getdouble(s, 2);
      fmaxy = db->getdouble(s, 3);
    }
    db->finish(s);
  }
  seterr("f");
  openLayers();
  withRtree = !tables.empty() && tables[0]->hasRtree;
}

bool TreadGpKg::openLayers() {
  sqlite3_stmt* s = db->start(kLayerQuery);
  while (s && db->getnext(s)) {
    auto tr = std::make_unique<TtableRec>();
    tr->gpkg = this;
    tr->name = db->getstr(s, 0);
    tr->geomColumn = db->getstr(s, 1);
    tr->rawObtype = geomType(db->getstr(s, 2));
    tr->obType = kindOf(tr->rawObtype);
    if (tr->rawObtype == 0)
      tr->obType = 0;
    else if (tr->rawObtype == 1 && tr->name.find("Text") != std::string::npos)
      tr->obType = o_text;
    tr->epsg = db->getint(s, 3);
    tables.push_back(std::move(tr));
  }
  db->finish(s);
  for (auto it = tables.begin(); it != tables.end();) {
    TtableRec& tr = **it;
    readColumns(tr);
    const bool hasGeometry = std::any_of(tr.columnNames.begin(), tr.columnNames.end(),
                                         [&](const std::string& c) { return platform::sameNoCase(c, tr.geomColumn); });
    if (!hasGeometry) {
      log("layer " + tr.name + " has no geometry column " + tr.geomColumn + ": passed over");
      it = tables.erase(it);
      continue;
    }
    tr.hasRtree = db->tableExists("rtree_" + tr.name + "_" + tr.geomColumn);
    tr.records = static_cast<uint32_t>(std::max(0, db->GetRowCount(tr.name)));
    frecords += tr.records;
    readBounds(tr);
    ++it;
  }
  return true;
}

void TreadGpKg::readBounds(TtableRec& tr) {
  tr.hasBounds = false;
  if (!db->tableExists("gpkg_contents")) return;
  sqlite3_stmt* s = db->start(
      "SELECT min_x, min_y, max_x, max_y, min_x IS NOT NULL AND min_y IS NOT NULL AND max_x IS NOT NULL AND "
      "max_y IS NOT NULL FROM gpkg_contents WHERE table_name = ?",
      {TsqlParam::ofText(tr.name)});
  if (s && db->getnext(s) && db->getint(s, 4) == 1) {
    tr.x1 = db->getdouble(s, 0);
    tr.y1 = db->getdouble(s, 1);
    tr.x2 = db->getdouble(s, 2);
    tr.y2 = db->getdouble(s, 3);
    tr.hasBounds = true;
  }
  db->finish(s);
}

void TreadGpKg::readColumns(TtableRec& tr) {
  tr.columnNames.clear();
  tr.columns->clear();
  tr.qyColumns.reset();
  tr.pkColumn.clear();
  sqlite3_stmt* s = db->start("SELECT name, type, pk FROM pragma_table_info(?)", {TsqlParam::ofText(tr.name)});
  struct Col {
    std::string name, type;
    int pk;
  };
  std::vector<Col> cols;
  while (s && db->getnext(s)) cols.push_back({db->getstr(s, 0), db->getstr(s, 1), db->getint(s, 2)});
  db->finish(s);
  int keys = 0;
  for (const Col& c : cols) keys += c.pk > 0;
  for (const Col& c : cols)
    if (keys == 1 && c.pk == 1 && platform::sameNoCase(c.type, "INTEGER")) tr.pkColumn = c.name;
  if (tr.pkColumn.empty()) tr.pkColumn = "rowid";
  for (size_t i = 0; i < cols.size(); ++i) {
    const Col& c = cols[i];
    tr.columnNames.push_back(c.name);
    if (platform::sameNoCase(c.name, tr.geomColumn) || c.name == tr.pkColumn) continue;
    const int type = TliteDB::ColumnTypeOfDecl(c.type);
    Tcolumn* col;
    if (c.name.rfind("qy_", 0) == 0) {
      if (!tr.qyColumns) tr.qyColumns = std::make_unique<Tcolumns>();
      col = tr.qyColumns->Add(type, c.name);
    } else {
      col = tr.columns->Add(type, c.name);
    }
    col->rawIndex = static_cast<int>(i);
  }
}

// ================================================================ rows

bool TreadGpKg::layerMeetsBox(const TtableRec& tr) const {
  if (!boxGiven() || !tr.hasBounds) return true;  // a layer of unknown bounds may lie anywhere
  return tr.x1 <= fx2 && tr.x2 >= fx1 && tr.y1 <= fy2 && tr.y2 >= fy1;
}

bool TreadGpKg::envelopeMeetsBox(const TgpkgGeometry& geo) const {
  if (!boxGiven()) return true;
  const extentRec& e = geo.envelope;
  return e.left <= fx2 && e.right >= fx1 && e.bottom <= fy2 && e.top >= fy1;
}

bool TreadGpKg::openRows(Query& qr, TtableRec& tr, bool geometryOnly) {
  qr.close();
  qr.db = db.get();
  useRtree = tr.hasRtree;
  std::string sql = "SELECT " + (geometryOnly ? sqlIdent(tr.geomColumn) : std::string("*")) + " FROM " + sqlIdent(tr.name);
  TsqlParams params;
  if (boxGiven() && useRtree) {
    sql += " WHERE " + sqlIdent(tr.pkColumn) + " IN (SELECT id FROM " + sqlIdent("rtree_" + tr.name + "_" + tr.geomColumn) +
           " WHERE minx <= ? AND maxx >= ? AND miny <= ? AND maxy >= ?)";
    params = {TsqlParam::ofReal(fx2), TsqlParam::ofReal(fx1), TsqlParam::ofReal(fy2), TsqlParam::ofReal(fy1)};
  }
  qr.stmt = db->start(sql, params);
  qr.names.clear();
  qr.geomCol = -1;
  if (!qr.stmt) return false;
  const int n = db->ColumnCount(qr.stmt);
  for (int i = 0; i < n; ++i) {
    qr.names.push_back(db->ColumnName(qr.stmt, i));
    if (qr.geomCol < 0 && platform::sameNoCase(qr.names.back(), tr.geomColumn)) qr.geomCol = i;
  }
  return qr.geomCol >= 0;
}

void TreadGpKg::noteRefused(const std::string& layer, const std::string& why) {
  ++refusedLogged;
  if (refusedLogged <= kRefusalsLogged)
    log("geometry of a row of " + layer + " refused: " + why);
  else if (refusedLogged == kRefusalsLogged + 1)
    log("further refused geometries of " + fname + " not logged");
}

bool TreadGpKg::rowGeometry(Query& qr, TgpkgGeometry& geo) {
  int size = 0;
  const void* pt = nullptr;
  if (!db->getBlob(qr.stmt, qr.geomCol, size, pt)) return false;  // NULL: no geometry
  std::string why;
  switch (decodeBlob(static_cast<const uint8_t*>(pt), static_cast<size_t>(size), geo, why)) {
    case TblobResult::Geometry: return true;
    case TblobResult::Empty: return false;
    case TblobResult::Refused: break;
  }
  noteRefused(ftr ? ftr->name : std::string(), why);
  return false;
}

void TreadGpKg::applyProperty(Tgob& gob, const std::string& column, Query& qr, int col) {
  const std::string v = qr.text(col);
  auto number = [&] { return os ? os->StrToDoubleUK(v) : std::atof(v.c_str()); };
  if (column == "qy_minx") gob.x1 = number();
  else if (column == "qy_miny") gob.y1 = number();
  else if (column == "qy_maxx") gob.x2 = number();
  else if (column == "qy_maxy") gob.y2 = number();
  else if (column == "qy_caption") gob.fcaption = v;
  else if (column == "qy_id") gob.fid = v;
  else if (column == "qy_style_number") gob.styleNumber = TosNumberText::StrToInt(v);
  else if (column == "qy_label_x") gob.editDetail().labelx = number();
  else if (column == "qy_label_y") gob.editDetail().labely = number();
  else if (column == "qy_tip_x") gob.setTipx(number());
  else if (column == "qy_tip_y") gob.editDetail().tipy = number();
  else if (column == "qy_rotation")
    (gob.obType() == o_text ? gob.editDetail().textrotation : gob.editDetail().labelRotation) = number();
  else if (column == "qy_height") gob.editDetail().textheight = number();
  else if (column == "qy_hjustify") gob.setHjustify(TosNumberText::StrToInt(v));
  else if (column == "qy_vjustify") gob.setVjustify(TosNumberText::StrToInt(v));
}

bool TreadGpKg::rowDone(uint32_t done, uint32_t total) {
  if (done % 256 != 0) return true;  // often enough for a progress bar and the Esc key
  setpercent(total > 0 ? static_cast<int>(uint64_t(done) * 100 / total) : 0);
  if (!os) return true;
  os->doPercent(this);
  os->ClearNull();
  return !os->abort();
}

// ================================================================ one layer

bool TreadGpKg::readLayer(TgobArray& g, int32_t& epsgCode, const std::string& filename, const std::string& layername) {
  TprocScope proc(*this, "readLayer");
  int32_t made = 0;
  try {
    seterr("a");
    if (filename != fname || !fvalid) setname(filename);
    TtableRec* tr = fvalid ? findTable(layername) : nullptr;
    if (!tr) {
      log("gpkg layer not found: " + layername + " in " + filename);
      return false;
    }
    ftr = tr;
    epsgCode = tr->epsg;
    if (tr->obType <= 0) {
      log("gpkg layer of a geometry type not read: " + layername);
      return false;
    }
    seterr("b");
    g.clear();
    for (const std::string& c : tr->columnNames)
      if (!platform::sameNoCase(c, tr->geomColumn)) g.addColumn(c, "", ftString);
    seterr("c");
    fx1 = fy1 = fx2 = fy2 = 0;
    TscanCache cache(*db);
    Query qr;
    if (!openRows(qr, *tr, false)) throw std::runtime_error("the layer's rows cannot be read");
    TgpkgGeometry geo;
    std::vector<std::string> values;
    if (os) os->setabort(false);
    uint32_t rows = 0;
    while (qr.next() && rowDone(++rows, tr->records)) {
      if (!rowGeometry(qr, geo)) continue;
      values.clear();
      for (int c = 0; c < static_cast<int>(qr.names.size()); ++c)
        if (c != qr.geomCol) values.push_back(quoteValue(qr.text(c)));
      for (Piece& piece : piecesOf(geo, tr->obType, false)) {
        Tgob& gob = *g.slot(g.add(-1, piece.type, std::move(piece.parts)));
        gob.getDataList().assign(values);
        ++made;
      }
    }
    seterr("d");
    log("gpkg layer a " + std::to_string(g.count()) + " " + std::to_string(made));
    g.updateBounds();
    log("gpkg layer c");
  } catch (const std::exception& e) {
    log("gpkg layer failed " + std::to_string(g.count()) + " " + std::to_string(made) + ": " + e.what());
    return false;
  }
  return made > 0;
}

// ================================================================ selected layers

void TreadGpKg::setView(double x1, double y1, double x2, double y2, const bSet& tableIds) {
  fx1 = x1;
  fy1 = y1;
  fx2 = x2;
  fy2 = y2;
  for (size_t i = 0; i < tables.size(); ++i) {
    TtableRec& tr = *tables[i];
    tr.inView = (tableIds.none() || (i < tableIds.size() && tableIds.test(i))) && layerMeetsBox(tr) && tr.obType > 0;
  }
}

void TreadGpKg::extract(TgobArray& g, TtableRec& tr, int32_t layerIndex, int32_t& made) {
  Query qr;
  ftr = &tr;
  if (!openRows(qr, tr, false)) return;
  // Where each column of the row goes: a column of g, a property (-2) or nowhere (-1).
  const bool properties = std::trunc(fversion) != 0;
  std::vector<int32_t> target(qr.names.size(), -1);
  for (size_t c = 0; c < qr.names.size(); ++c) {
    if (static_cast<int>(c) == qr.geomCol) continue;
    target[c] = properties && isProperty(qr.names[c]) ? -2 : g.columnIndexOf(qr.names[c]);
  }
  TgpkgGeometry geo;
  std::vector<std::string> values;
  uint32_t rows = 0;
  while (qr.next() && rowDone(++rows, tr.records)) {
    if (!rowGeometry(qr, geo) || !envelopeMeetsBox(geo)) continue;
    values.assign(static_cast<size_t>(g.columnCount()), "");
    for (size_t c = 0; c < target.size(); ++c)
      if (target[c] >= 0) values[static_cast<size_t>(target[c])] = quoteValue(qr.text(static_cast<int>(c)));
    for (Piece& piece : piecesOf(geo, tr.obType, includeMultiObjects)) {
      Tgob& gob = *g.slot(g.add());
      gob.groupId = static_cast<uint8_t>(layerIndex);
      givePiece(gob, piece);
      gob.getDataList().assign(values);
      for (size_t c = 0; c < target.size(); ++c)
        if (target[c] == -2) applyProperty(gob, qr.names[c], qr, static_cast<int>(c));
      ++made;
    }
  }
}

bool TreadGpKg::read(TgobArray& g, double x1, double y1, double x2, double y2, const bSet& datasets) {
  TprocScope proc(*this, "read");
  seterr("a");
  g.clear();
  query.reset();
  if (!fvalid) return false;
  setView(x1, y1, x2, y2, datasets);
  seterr("b");
  for (const auto& tr : tables) {
    if (!tr->inView) continue;
    for (int c = 0; c < tr->columns->count(); ++c) {
      const Tcolumn* col = tr->columns->item(c);
      if (g.columnIndexOf(col->name) < 0) g.addColumn(col->name, "", col->datatype());
    }
  }
  seterr("c");
  if (os) os->setabort(false);
  int32_t made = 0;
  for (int32_t raw : {12, 6, 11, 2, 10, 1})
    for (size_t i = 0; i < tables.size(); ++i)
      if (tables[i]->inView && tables[i]->rawObtype == raw) extract(g, *tables[i], static_cast<int32_t>(i), made);
  seterr("d");
  g.updateBounds();
  setpercent(0);
  return made > 0;
}

// ================================================================ row by row

void TreadGpKg::startRead(double x1, double y1, double x2, double y2, const bSet& tableIds, const bSet& obTypes,
                          Tcolumns* columns) {
  cnt = 0;
  query.reset();
  ftr = nullptr;
  geoInHand = TgpkgGeometry();
  multiCount = 0;
  fTypes.reset();
  for (int t = 1; t <= 12; ++t)
    if (obTypes.test(static_cast<size_t>(t))) fTypes.set(static_cast<size_t>(t));
  // A text layer is read when points are asked for, as its objects are points with a caption.
  setView(x1, y1, x2, y2, tableIds);
  fcolumns = columns;
  if (!columns) return;
  columns->clear();
  for (const auto& tr : tables) {
    if (!tr->inView || (obTypes.any() && !obTypes.test(static_cast<size_t>(tr->obType & 0xFF)))) continue;
    for (int c = 0; c < tr->columns->count(); ++c) {
      const Tcolumn* col = tr->columns->item(c);
      if (columns->indexOf(col->name) < 0) columns->Add(col->datatype(), col->name);
    }
  }
}

bool TreadGpKg::getNext(Tgob& gob) {
  TprocScope proc(*this, "getNext");
  auto values = [&] {
    TdataList& d = gob.getDataList();
    d.clear();
    if (!fcolumns) return;
    d.setCount(fcolumns->count());
    const bool properties = std::trunc(fversion) != 0;
    for (size_t c = 0; c < query->names.size(); ++c) {
      const std::string& name = query->names[c];
      if (static_cast<int>(c) == query->geomCol) continue;
      if (properties && name.rfind("qy_", 0) == 0)
        applyProperty(gob, name, *query, static_cast<int>(c));
      else if (int32_t k = fcolumns->indexOf(name); k >= 0)
        d.set(k, quoteValue(query->text(static_cast<int>(c))));
    }
  };
  auto give = [&](Piece& piece) {
    gob.clear();
    givePiece(gob, piece);
    values();
  };
  // The further members of the row in hand.
  if (query && query->stmt && multiCount < static_cast<int32_t>(waiting.size())) {
    give(waiting[static_cast<size_t>(multiCount++)]);
    return true;
  }
  waiting.clear();
  multiCount = 0;
  for (;;) {
    if (!query || !query->stmt) {
      ftr = nullptr;
      while (cnt < TableCount()) {
        TtableRec& tr = *tables[static_cast<size_t>(cnt++)];
        if (!tr.inView || (fTypes.any() && !fTypes.test(static_cast<size_t>(tr.obType & 0xFF)) &&
                           !(tr.obType == o_text && fTypes.test(o_point))))
          continue;
        query = std::make_unique<Query>();
        if (openRows(*query, tr, false)) {
          ftr = &tr;
          fObType = tr.obType;
          break;
        }
      }
      if (!ftr) {
        query.reset();
        return false;
      }
    }
    if (!query->next()) {
      query->close();
      continue;
    }
    if (!rowGeometry(*query, geoInHand) || !envelopeMeetsBox(geoInHand)) continue;
    waiting = piecesOf(geoInHand, fObType, includeMultiObjects);
    if (waiting.empty()) continue;
    multiCount = 1;
    give(waiting[0]);
    return true;
  }
}

bool TreadGpKg::getNext() {
  TprocScope proc(*this, "getNext");
  xy.clear();
  pxy.clear();
  if (!query) {  // a new pass
    cnt = 0;
    fx1 = fy1 = fx2 = fy2 = 0;
    query = std::make_unique<Query>();
  }
  for (;;) {
    if (!query->stmt) {
      ftr = nullptr;
      while (cnt < TableCount() && !ftr) {
        TtableRec& tr = *tables[static_cast<size_t>(cnt++)];
        if (openRows(*query, tr, true)) ftr = &tr;
      }
      if (!ftr) {
        query.reset();  // the next call starts again at the first layer
        return false;
      }
    }
    if (!query->next()) {
      query->close();
      continue;
    }
    TgpkgGeometry geo;
    if (!rowGeometry(*query, geo)) continue;
    if (ftr->rawObtype >= 10 || geo.rawType >= 10)
      pxy = std::move(geo.members);
    else
      xy = std::move(geo.members[0]);
    return true;
  }
}
