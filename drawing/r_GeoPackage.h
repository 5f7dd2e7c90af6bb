// r_GeoPackage: OGC GeoPackage files (SQLite databases) read into drawings: the layer list
// (gpkgLayers), one layer (readLayer), the selected layers within a box (read, through the
// spatial index where there is one) or row by row (startRead, getNext); and the geometry blobs
// (a GeoPackage header, an optional envelope, then well-known binary in either byte order, with
// Z and M ordinates skipped). Layer names reach SQL as quoted identifiers, values as bound ones.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Tutil.h"
#include "core/r_base.h"
#include "drawing/r_Dra.h"

class TliteDB;
class Tcolumns;
class TMemoryStream;
struct sqlite3_stmt;

// ================================================================ geometry blobs

// The blob's own header: magic "GP", version 0, flags (bit 0 little-endian header, bits 1-3 the
// envelope code, bit 4 empty, bit 5 extended type), the spatial reference id.
struct gHeader {
  uint8_t magic[2] = {0, 0};
  uint8_t version = 0;
  uint8_t flags = 0;
  int32_t srsId = 0;
};

// An envelope: x from left to right, y from bottom to top.
struct extentRec {
  double left = 0, right = 0, bottom = 0, top = 0;
};

// A blob decoded by its own geometry type. `rawType` is 1 point, 2 line, 6 polygon, 10 multipoint,
// 11 multilinestring or 12 multipolygon; a single geometry has one member, a multi-geometry one
// per member (each the parts of a point, a line or a polygon).
struct TgpkgGeometry {
  int32_t rawType = 0;
  TpolyPolyXYvalues members;
  extentRec envelope;        // from the blob's header, else from the points
  bool hasEnvelope = false;  // false for an empty geometry
};

// A drawing object's worth of a row: one member, or a whole multipolygon (type 12).
struct TgpkgPiece {
  int32_t type = 0;
  TpolyXyValues parts;
  TpolyPolyXYvalues polys;
};

enum class TblobResult { Geometry, Empty, Refused };
// Decodes a whole blob; `why` says what was refused. Counts are checked against the bytes left
// before anything is sized from them. Polygon rings of fewer than 4 points are dropped, and a
// polygon left without rings is no member; a point of NaN ordinates is empty.
TblobResult decodeBlob(const uint8_t* p, size_t n, TgpkgGeometry& out, std::string& why);

// The single geometry in mem (from position 0): the blob's first member into xy. False, xy
// untouched, for an empty, refused or pointless blob. obType (the layer's type) is kept for
// callers; the blob's own type decides how it is read.
bool decodeGeom(int32_t obType, TpolyXyValues& xy, TMemoryStream& mem);
// The members of the geometry in mem; a single geometry gives one. False for none.
bool decodeMultiGeom(int32_t obType, TpolyPolyXYvalues& list, TMemoryStream& mem);

// ================================================================ layers

class TreadGpKg;

// One layer: a table with a geometry column listed in gpkg_geometry_columns.
class TtableRec {
 public:
  TtableRec();
  ~TtableRec();
  TtableRec(const TtableRec&) = delete;
  TtableRec& operator=(const TtableRec&) = delete;

  TreadGpKg* gpkg = nullptr;  // borrowed
  std::string name;
  std::string geomColumn;
  std::string pkColumn;  // the integer primary key ("rowid" when the table declares none)
  int32_t rawObtype = 0;
  int32_t obType = 0;
  int32_t epsg = 0;
  uint32_t records = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool hasBounds = false;  // gpkg_contents gives them
  bool hasRtree = false;   // "rtree_" + name + "_" + geomColumn exists
  std::unique_ptr<Tcolumns> columns;    // attributes: neither the key nor the geometry nor "qy_"
  std::unique_ptr<Tcolumns> qyColumns;  // the maker's property columns ("qy_" names)
  std::vector<std::string> columnNames;  // every column, in table order
  bool inView = false;
  bool visible = true;
};

// The layer names of a GeoPackage file, in gpkg_geometry_columns' order. False, the list
// untouched, when the file does not exist.
bool gpkgLayers(const std::string& filename, TStringList& list);

class TreadGpKg : public TqyObject {
 public:
  TreadGpKg();
  ~TreadGpKg() override;
  TreadGpKg(const TreadGpKg&) = delete;
  TreadGpKg& operator=(const TreadGpKg&) = delete;
  [[nodiscard]] const char* unitName() const override { return "r_GeoPackage"; }
  [[nodiscard]] std::string className() const override { return "TreadGpKg"; }

  // Opens and examines the file: "GPKG", "GP10" and "GP11" files with gpkg_geometry_columns are
  // valid. Step markers: a open, b application id, c version, d metadata, e bounds, f layers.
  void setname(const std::string& value);
  [[nodiscard]] const std::string& filename() const { return fname; }
  [[nodiscard]] bool valid() const { return fvalid; }
  [[nodiscard]] double minx() const { return fminx; }
  [[nodiscard]] double miny() const { return fminy; }
  [[nodiscard]] double maxx() const { return fmaxx; }
  [[nodiscard]] double maxy() const { return fmaxy; }
  [[nodiscard]] int32_t TableCount() const { return static_cast<int32_t>(tables.size()); }
  [[nodiscard]] uint32_t RecordCound() const { return frecords; }
  // The object type of the layer in hand.
  [[nodiscard]] int32_t obType() const { return fObType; }
  // Nil outside the list.
  [[nodiscard]] TtableRec* getTable(int32_t index) const;
  // Exact name first, then any case; nil when none.
  [[nodiscard]] TtableRec* findTable(const std::string& name) const;
  [[nodiscard]] int32_t getEpsg(int32_t index) const;
  // The raw type of a geometry type name, compared exactly; 0 for others.
  [[nodiscard]] static int32_t geomType(const std::string& name);

  // One layer of a file into g: every column but the geometry as a text column, one object per
  // geometry member. True when an object was made.
  bool readLayer(TgobArray& g, int32_t& epsgCode, const std::string& filename, const std::string& layername);

  // The layers of `datasets` (all when empty) into g, multipolygons first and points last; with
  // a box (x1 or x2 not 0) only the rows whose envelope meets it. True when an object was made.
  bool read(TgobArray& g, double x1, double y1, double x2, double y2, const bSet& datasets);
  bool read(TgobArray& g) { return read(g, 0, 0, 0, 0, bSet()); }
  bool read(TgobArray& g, const bSet& datasets) { return read(g, 0, 0, 0, 0, datasets); }
  bool read(TgobArray& g, double x1, double y1, double x2, double y2) { return read(g, x1, y1, x2, y2, bSet()); }

  // Row by row: the layers of tableIds (all when empty) whose object type is in obTypes (all
  // when empty), within the box when one is given; `columns`, when given, receives the
  // attribute columns of those layers and getNext(gob) fills the objects' values by them.
  void startRead(double x1, double y1, double x2, double y2, const bSet& tableIds, const bSet& obTypes,
                 Tcolumns* columns);
  void startRead(double x1, double y1, double x2, double y2, const bSet& obTypes, Tcolumns* columns) {
    startRead(x1, y1, x2, y2, bSet(), obTypes, columns);
  }
  void startRead(const bSet& tableIds, Tcolumns* columns) { startRead(0, 0, 0, 0, tableIds, bSet(), columns); }
  void startRead(Tcolumns* columns) { startRead(0, 0, 0, 0, bSet(), bSet(), columns); }
  // The next object (or the next member of a multi-geometry row); false after the last.
  bool getNext(Tgob& gob);
  // The geometry of the next row of any layer into xy (single) or pxy (multi). False once after
  // the last layer; the call after that starts again at the first.
  bool getNext();

  int32_t major = 0, minor = 0;
  double fversion = 0;
  int32_t fdatasets = 1;
  bool withRtree = false;  // the first layer has a spatial index
  bool useRtree = false;   // the layer in hand has one
  bool includeMultiObjects = false;
  TpolyXyValues xy;
  TpolyPolyXYvalues pxy;
  int32_t multiCount = 0;

 private:
  struct Query;
  bool openLayers();
  void readBounds(TtableRec& tr);
  void readColumns(TtableRec& tr);
  [[nodiscard]] bool boxGiven() const { return fx1 != 0 || fx2 != 0; }
  [[nodiscard]] bool layerMeetsBox(const TtableRec& tr) const;
  [[nodiscard]] bool envelopeMeetsBox(const TgpkgGeometry& geo) const;
  void setView(double x1, double y1, double x2, double y2, const bSet& tableIds);
  // Opens the rows of a layer (within the box through the spatial index where it can).
  bool openRows(Query& qr, TtableRec& tr, bool geometryOnly);
  // Decodes the current row's geometry; false (logged when refused) for none.
  bool rowGeometry(Query& qr, TgpkgGeometry& geo);
  void extract(TgobArray& g, TtableRec& tr, int32_t layerIndex, int32_t& made);
  void applyProperty(Tgob& gob, const std::string& column, Query& qr, int col);
  void noteRefused(const std::string& layer, const std::string& why);
  // Progress every 256 rows; false when Esc asks to stop.
  bool rowDone(uint32_t done, uint32_t total);

  std::unique_ptr<TliteDB> db;
  std::string fname;
  bool fvalid = false;
  uint32_t frecords = 0;
  double fminx = -1, fminy = -1, fmaxx = -1, fmaxy = -1;
  std::vector<std::unique_ptr<TtableRec>> tables;
  // The sequential read.
  double fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0;
  bSet fTypes;
  int32_t cnt = 0;
  TtableRec* ftr = nullptr;
  std::unique_ptr<Query> query;
  Tcolumns* fcolumns = nullptr;  // borrowed
  int32_t fObType = 0;
  TgpkgGeometry geoInHand;
  std::vector<TgpkgPiece> waiting;  // the objects of the row in hand; multiCount handed out
  int32_t refusedLogged = 0;
};
