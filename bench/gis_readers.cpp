// The shapefile and GeoPackage readers. Aims: 100,000 points with 3 fields into a drawing ≤ 500 ms;
// a preview pass over a polygon shapefile of 1,000,000 vertices ≤ 200 ms; a box read of 1 % of
// 100,000 polygons through the bounds index ≤ 20 ms; readLayer of 100,000 GeoPackage points
// ≤ 500 ms; an R-tree box read of 1 % of 100,000 GeoPackage polygons ≤ 20 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_home.h"
#include "core/r_base.h"
#include "drawing/r_Dra.h"
#include "drawing/r_GeoPackage.h"
#include "drawing/r_shp.h"
#include "platform/files.h"
#include "platform/windows.h"
#include "storage/r_sqlite.h"

namespace {
constexpr int kPoints = 100000;
constexpr int kPolygons = 100000;
constexpr int kGrid = 316;  // 316 x 316 cells hold the 100,000 squares
constexpr int kRings = 1000, kRingVertices = 1000;

const std::string& folder() {
  static const std::string f = [] {
    std::string d = benchhome::path("gis/");
    std::filesystem::create_directories(d);
    return d;
  }();
  return f;
}

// ---------------------------------------------------------------- shapefiles written directly

struct Bytes {
  std::string s;
  void be32(uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (24 - 8 * i));
  }
  void le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  }
  void f64(double d) {
    char b[8];
    std::memcpy(b, &d, 8);
    s.append(b, 8);
  }
};

void shpHeader(Bytes& b, int64_t length, int32_t type, double x1, double y1, double x2, double y2) {
  b.be32(9994);
  for (int i = 0; i < 5; ++i) b.be32(0);
  b.be32(uint32_t(length / 2));
  b.le32(1000);
  b.le32(uint32_t(type));
  for (double v : {x1, y1, x2, y2, 0.0, 0.0, 0.0, 0.0}) b.f64(v);
}

// Records of one type (contents given) into .shp and .shx, with a table of 3 fields.
void writeShapefile(const std::string& stem, int32_t type, const std::vector<std::string>& contents, double x2,
                    double y2) {
  Bytes shp, shx;
  int64_t length = 100;
  for (const std::string& c : contents) length += 8 + int64_t(c.size());
  shpHeader(shp, length, type, 0, 0, x2, y2);
  shpHeader(shx, 100 + 8 * int64_t(contents.size()), type, 0, 0, x2, y2);
  int64_t at = 100;
  for (size_t i = 0; i < contents.size(); ++i) {
    shp.be32(uint32_t(i + 1));
    shp.be32(uint32_t(contents[i].size() / 2));
    shp.s += contents[i];
    shx.be32(uint32_t(at / 2));
    shx.be32(uint32_t(contents[i].size() / 2));
    at += 8 + int64_t(contents[i].size());
  }
  // dBase III: NAME C 20, COUNT N 10, VALUE N 16.3
  const int record = 1 + 20 + 10 + 16;
  Bytes dbf;
  dbf.s += char(3);
  dbf.s += std::string("\x7C\x01\x01", 3);
  dbf.le32(uint32_t(contents.size()));
  dbf.s += char((32 + 3 * 32 + 1) & 0xFF);
  dbf.s += char((32 + 3 * 32 + 1) >> 8);
  dbf.s += char(record & 0xFF);
  dbf.s += char(record >> 8);
  dbf.s += std::string(20, '\0');
  struct F {
    const char* name;
    char type;
    int width, dec;
  } fields[] = {{"NAME", 'C', 20, 0}, {"COUNT", 'N', 10, 0}, {"VALUE", 'N', 16, 3}};
  for (const F& f : fields) {
    std::string d(32, '\0');
    std::memcpy(d.data(), f.name, std::strlen(f.name));
    d[11] = f.type;
    d[16] = char(f.width);
    d[17] = char(f.dec);
    dbf.s += d;
  }
  dbf.s += char(0x0D);
  char buf[64];
  for (size_t i = 0; i < contents.size(); ++i) {
    std::snprintf(buf, sizeof buf, " %-20.20s%10zu%16.3f", ("item " + std::to_string(i)).c_str(), i % 977, i * 0.25);
    dbf.s.append(buf, record);
  }
  dbf.s += char(0x1A);
  platform::replaceFileContents(folder() + stem + ".shp", shp.s, nullptr, platform::Flush::Later);
  platform::replaceFileContents(folder() + stem + ".shx", shx.s, nullptr, platform::Flush::Later);
  platform::replaceFileContents(folder() + stem + ".dbf", dbf.s, nullptr, platform::Flush::Later);
}

std::string pointContent(double x, double y) {
  Bytes b;
  b.le32(1);
  b.f64(x);
  b.f64(y);
  return b.s;
}

std::string polygonContent(const Txyvalues& ring) {
  Bytes b;
  double x1 = ring[0].x, y1 = ring[0].y, x2 = x1, y2 = y1;
  for (const xyrec& p : ring) x1 = std::min(x1, p.x), y1 = std::min(y1, p.y), x2 = std::max(x2, p.x), y2 = std::max(y2, p.y);
  b.le32(5);
  for (double v : {x1, y1, x2, y2}) b.f64(v);
  b.le32(1);
  b.le32(uint32_t(ring.size()));
  b.le32(0);
  for (const xyrec& p : ring) b.f64(p.x), b.f64(p.y);
  return b.s;
}

// A clockwise square of side 8 in cell i of the grid.
Txyvalues cell(int i) {
  const double x = (i % kGrid) * 10.0, y = (i / kGrid) * 10.0;
  return {{x, y}, {x, y + 8}, {x + 8, y + 8}, {x + 8, y}, {x, y}};
}

Txyvalues circle(double cx, double cy, double r, int n) {
  Txyvalues ring;
  for (int k = 0; k < n - 1; ++k) ring.push_back({cx + r * std::cos(-2 * M_PI * k / (n - 1)), cy + r * std::sin(-2 * M_PI * k / (n - 1))});
  ring.push_back(ring.front());
  return ring;
}

// ---------------------------------------------------------------- GeoPackages through SQLite

std::string gpkgBlob(const Txyvalues& ring) {
  Bytes b;
  b.s = std::string("GP\0", 3);
  const bool point = ring.size() == 1;
  b.s += char(point ? 0x01 : 0x03);
  b.le32(4326);
  if (!point) {
    double x1 = ring[0].x, y1 = ring[0].y, x2 = x1, y2 = y1;
    for (const xyrec& p : ring) x1 = std::min(x1, p.x), y1 = std::min(y1, p.y), x2 = std::max(x2, p.x), y2 = std::max(y2, p.y);
    for (double v : {x1, x2, y1, y2}) b.f64(v);
  }
  b.s += char(1);
  if (point) {
    b.le32(1);
    b.f64(ring[0].x);
    b.f64(ring[0].y);
  } else {
    b.le32(3);
    b.le32(1);
    b.le32(uint32_t(ring.size()));
    for (const xyrec& p : ring) b.f64(p.x), b.f64(p.y);
  }
  return b.s;
}

void writeGeoPackage(const std::string& file, const std::string& layer, const char* type, int rows, bool rtree) {
  auto db = TliteDB::createForWriting();
  db->setfile(file);
  db->RawExecSQL("PRAGMA application_id = 1196444487");
  db->RawExecSQL("PRAGMA user_version = 10200");
  db->RawExecSQL("CREATE TABLE gpkg_contents (table_name TEXT PRIMARY KEY, data_type TEXT, min_x DOUBLE, min_y DOUBLE, max_x DOUBLE, max_y DOUBLE)");
  db->RawExecSQL("CREATE TABLE gpkg_geometry_columns (table_name TEXT, column_name TEXT, geometry_type_name TEXT, srs_id INTEGER, z TINYINT, m TINYINT)");
  db->RawExecSQL("CREATE TABLE " + sqlIdent(layer) + " (fid INTEGER PRIMARY KEY AUTOINCREMENT, geom " + type + ", name TEXT, count INTEGER, value DOUBLE)");
  db->ExecParams("INSERT INTO gpkg_geometry_columns VALUES (?, 'geom', ?, 4326, 0, 0)", {TsqlParam::ofText(layer), TsqlParam::ofText(type)});
  db->ExecParams("INSERT INTO gpkg_contents VALUES (?, 'features', 0, 0, ?, ?)",
                 {TsqlParam::ofText(layer), TsqlParam::ofReal(kGrid * 10.0), TsqlParam::ofReal(kGrid * 10.0)});
  if (rtree) db->RawExecSQL("CREATE VIRTUAL TABLE " + sqlIdent("rtree_" + layer + "_geom") + " USING rtree(id, minx, maxx, miny, maxy)");
  db->beginUpdate();
  Tbytes blob;
  for (int i = 0; i < rows; ++i) {
    const Txyvalues shape = std::string(type) == "POINT" ? Txyvalues{{i * 0.01, i * 0.02}} : cell(i);
    const std::string b = gpkgBlob(shape);
    blob.assign(b.begin(), b.end());
    db->ExecParams("INSERT INTO " + sqlIdent(layer) + " (fid, geom, name, count, value) VALUES (?, ?, ?, ?, ?)",
                   {TsqlParam::ofInt(i + 1), TsqlParam::ofBlob(&blob), TsqlParam::ofText("item " + std::to_string(i)),
                    TsqlParam::ofInt(i % 977), TsqlParam::ofReal(i * 0.25)});
    if (rtree)
      db->ExecParams("INSERT INTO " + sqlIdent("rtree_" + layer + "_geom") + " VALUES (?, ?, ?, ?, ?)",
                     {TsqlParam::ofInt(i + 1), TsqlParam::ofReal(shape[0].x), TsqlParam::ofReal(shape[0].x + 8),
                      TsqlParam::ofReal(shape[0].y), TsqlParam::ofReal(shape[0].y + 8)});
  }
  db->endUpdate();
}

struct World {
  World() {
    platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
    createOs();
    logging = false;
  }
  ~World() { freeOs(); }
};

// The files are made once, on first use.
void makeFiles() {
  static bool made = [] {
    std::vector<std::string> contents;
    for (int i = 0; i < kPoints; ++i) contents.push_back(pointContent(i * 0.01, i * 0.02));
    writeShapefile("points", 1, contents, kPoints * 0.01, kPoints * 0.02);
    contents.clear();
    for (int i = 0; i < kRings; ++i) contents.push_back(polygonContent(circle((i % 32) * 10.0, (i / 32) * 10.0, 4, kRingVertices)));
    writeShapefile("rings", 5, contents, 320, 320);
    contents.clear();
    for (int i = 0; i < kPolygons; ++i) contents.push_back(polygonContent(cell(i)));
    writeShapefile("grid", 5, contents, kGrid * 10.0, kGrid * 10.0);
    TReadShp().makeIndex(folder() + "grid.shp");
    writeGeoPackage(folder() + "points.gpkg", "points", "POINT", kPoints, false);
    writeGeoPackage(folder() + "grid.gpkg", "grid", "POLYGON", kPolygons, true);
    return true;
  }();
  (void)made;
}

// A box over 1 % of the grid: 31 x 32 cells.
constexpr double kBoxX1 = 1000, kBoxY1 = 1000, kBoxX2 = 1305, kBoxY2 = 1315;

void ShapefilePointsIntoDrawing(benchmark::State& state) {
  World w;
  makeFiles();
  for (auto _ : state) {
    TgobArray g;
    TReadShp r;
    r.logging = false;
    r.Read(g, folder() + "points.shp");
    if (g.count() != kPoints) state.SkipWithError("points missing");
  }
}
// A first pass into a fresh heap can take several times a later one; two seconds average it out.
BENCHMARK(ShapefilePointsIntoDrawing)->Unit(benchmark::kMillisecond)->MinTime(2);

void ShapefilePreviewOfAMillionVertices(benchmark::State& state) {
  World w;
  makeFiles();
  for (auto _ : state) {
    TReadShp r;
    r.logging = false;
    r.setname(folder() + "rings.shp");
    int64_t vertices = 0;
    while (r.getnext())
      for (const Txyvalues& ring : r.xy) vertices += int64_t(ring.size());
    if (vertices < int64_t(kRings) * (kRingVertices - 1)) state.SkipWithError("vertices missing");
  }
}
BENCHMARK(ShapefilePreviewOfAMillionVertices)->Unit(benchmark::kMillisecond);

void ShapefileBoxReadThroughTheIndex(benchmark::State& state) {
  World w;
  makeFiles();
  for (auto _ : state) {
    TgobArray g;
    TReadShp r;
    r.logging = false;
    r.Read(g, folder() + "grid.shp", kBoxX1, kBoxY1, kBoxX2, kBoxY2);
    if (g.count() < 900) state.SkipWithError("polygons missing");
  }
}
BENCHMARK(ShapefileBoxReadThroughTheIndex)->Unit(benchmark::kMillisecond);

void GeoPackagePointLayer(benchmark::State& state) {
  World w;
  makeFiles();
  for (auto _ : state) {
    TgobArray g;
    TreadGpKg r;
    r.logging = false;
    int32_t epsg = 0;
    r.readLayer(g, epsg, folder() + "points.gpkg", "points");
    if (g.count() != kPoints) state.SkipWithError("points missing");
  }
}
BENCHMARK(GeoPackagePointLayer)->Unit(benchmark::kMillisecond)->MinTime(2);

void GeoPackageRtreeBoxRead(benchmark::State& state) {
  World w;
  makeFiles();
  TreadGpKg r;
  r.logging = false;
  r.setname(folder() + "grid.gpkg");
  for (auto _ : state) {
    TgobArray g;
    r.read(g, kBoxX1, kBoxY1, kBoxX2, kBoxY2);
    if (g.count() < 900 || !r.useRtree) state.SkipWithError("polygons missing");
  }
}
BENCHMARK(GeoPackageRtreeBoxRead)->Unit(benchmark::kMillisecond);

struct Cleanup {
  ~Cleanup() {
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
  }
} cleanup;

}  // namespace
