// The GeoPackage reader against what GDAL's OGR and Shapely find in the same files (made by
// gis_fixtures.py with GDAL): layer lists and versions, one layer, the selected layers in a box
// with and without a spatial index, row by row, the maker's property columns, and files that are
// no GeoPackage or are damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/Tyo.h"
#include "core/r_log.h"
#include "drawing/r_GeoPackage.h"
#include "platform/files.h"
#include "platform/windows.h"
#include "storage/r_Data.h"
#include "storage/r_sqlite.h"
#include "tests/drawing/gisfixture.h"
#include "tests/support/testenv.h"

namespace {
namespace fs = std::filesystem;
using gisfix::byFirstColumn;
using gisfix::expectLikeOgr;

struct GpkgTest : ::testing::Test {
  void SetUp() override {
    platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
    createOs();
    yoRecorder = [](Tyo&) { return yo_first; };
  }
  void TearDown() override {
    yoRecorder = nullptr;
    freeOs();
  }
  static std::string fixture(const std::string& name) { return gisfix::dir() + name; }
  static std::string copyOf(const std::string& name) {
    const std::string target = testenv::tempDir() + name;
    fs::copy_file(fixture(name), target, fs::copy_options::overwrite_existing);
    return target;
  }
  static void exec(const std::string& file, const std::string& sql) {
    auto db = TliteDB::create();
    ASSERT_TRUE(db->setfile(file));
    ASSERT_TRUE(db->ExecSQL(sql)) << sql;
  }
  // Drops the triggers of the spatial indexes, which call functions plain SQLite lacks.
  static void dropTriggers(const std::string& file) {
    auto db = TliteDB::create();
    ASSERT_TRUE(db->setfile(file));
    std::vector<std::string> triggers;
    sqlite3_stmt* s = db->start("SELECT name FROM sqlite_master WHERE type = 'trigger'");
    while (s && db->getnext(s)) triggers.push_back(db->getstr(s, 0));
    db->finish(s);
    for (const std::string& t : triggers) ASSERT_TRUE(db->ExecSQL("DROP TRIGGER " + sqlIdent(t)));
  }
  static std::vector<std::string> names(TgobArray& g, int32_t column) {
    std::vector<std::string> out;
    for (int i = 0; i < g.count(); ++i) out.push_back(g.slot(i)->rawValue(column));
    std::sort(out.begin(), out.end());
    return out;
  }
};

TEST_F(GpkgTest, ListsLayersAndVersions) {
  GIS_FIXTURES_OR_SKIP();
  TStringList list;
  ASSERT_TRUE(gpkgLayers(fixture("plain.gpkg"), list));
  std::vector<std::string> ours = list.lines(), ogr = gisfix::split(gisfix::expected().facts.at("plain.gpkg:layers"), '\x1f');
  std::sort(ours.begin(), ours.end());
  std::sort(ogr.begin(), ogr.end());
  EXPECT_EQ(ours, ogr);
  EXPECT_EQ(list[4], "Bob's Text");  // gpkg_geometry_columns' own order

  struct Case {
    const char* file;
    int major, minor;
  } cases[] = {{"v10.gpkg", 1, 0}, {"v11.gpkg", 1, 1}, {"plain.gpkg", 1, 2}, {"v13.gpkg", 1, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TreadGpKg r;
    r.setname(fixture(c.file));
    EXPECT_TRUE(r.valid());
    EXPECT_EQ(r.major, c.major);
    EXPECT_EQ(r.minor, c.minor);
  }
  TreadGpKg r;
  r.setname(fixture("plain.gpkg"));
  ASSERT_EQ(r.TableCount(), 5);  // the order gpkgLayers gives
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r.getTable(i)->name, list[i]);
  EXPECT_EQ(r.RecordCound(), 5u + 2 + 2 + 5 + 1);
  EXPECT_EQ(r.getTable(0)->name, "points");
  EXPECT_EQ(r.getTable(0)->pkColumn, "fid");
  EXPECT_EQ(r.getTable(0)->geomColumn, "geom");
  EXPECT_EQ(r.getEpsg(0), 4326);
  EXPECT_TRUE(r.withRtree);
  EXPECT_EQ(r.getTable(3)->rawObtype, 12);
  EXPECT_EQ(r.getTable(3)->obType, o_polyGon);
  EXPECT_EQ(r.getTable(4)->obType, o_text);
  EXPECT_EQ(r.findTable("bob's text"), r.getTable(4));
  EXPECT_EQ(r.getTable(5), nullptr);
  EXPECT_EQ(r.getTable(-1), nullptr);
  EXPECT_DOUBLE_EQ(r.minx(), 0);
  EXPECT_DOUBLE_EQ(r.maxx(), 25);
  EXPECT_EQ(r.getTable(1)->columns->count(), 4);  // name, count, value, width: not fid, not geom
  EXPECT_EQ(TreadGpKg::geomType("MULTIPOLYGON"), 12);
  EXPECT_EQ(TreadGpKg::geomType("Polygon"), 0);
}

TEST_F(GpkgTest, FilesThatAreNoGeoPackageAreNotValid) {
  GIS_FIXTURES_OR_SKIP();
  const std::string text = testenv::writeFile("not.gpkg", "just some text that is no database at all");
  const std::string plainDb = testenv::tempDir() + "plain.sqlite";
  exec(plainDb, "CREATE TABLE t (a INTEGER)");
  const std::string noColumns = copyOf("v10.gpkg");
  exec(noColumns, "DROP TABLE gpkg_geometry_columns");
  const std::string otherApp = copyOf("plain.gpkg");
  exec(otherApp, "PRAGMA application_id = 1234");
  for (const std::string& file : {text, plainDb, noColumns, otherApp, testenv::tempDir() + "missing.gpkg"}) {
    SCOPED_TRACE(file);
    TreadGpKg r;
    r.setname(file);
    EXPECT_FALSE(r.valid());
    EXPECT_EQ(r.TableCount(), 0);
    TgobArray g;
    int32_t epsg = 0;
    EXPECT_FALSE(r.readLayer(g, epsg, file, "pts"));
    EXPECT_FALSE(r.read(g));
  }
  TStringList list;
  list.add("kept");
  EXPECT_FALSE(gpkgLayers(testenv::tempDir() + "missing.gpkg", list));
  EXPECT_EQ(list.count(), 1);
  EXPECT_TRUE(gpkgLayers(plainDb, list));
  EXPECT_EQ(list.count(), 0);
}

TEST_F(GpkgTest, LayersNamingMissingTablesOrColumnsArePassedOver) {
  GIS_FIXTURES_OR_SKIP();
  const std::string file = copyOf("v11.gpkg");
  exec(file, "INSERT INTO gpkg_geometry_columns VALUES ('ghost', 'geom', 'POINT', 4326, 0, 0)");
  exec(file, "CREATE TABLE pts2 (fid INTEGER PRIMARY KEY, shape BLOB)");
  exec(file, "INSERT INTO gpkg_geometry_columns VALUES ('pts2', 'nowhere', 'POINT', 4326, 0, 0)");
  TreadGpKg r;
  r.setname(file);
  ASSERT_TRUE(r.valid());
  ASSERT_EQ(r.TableCount(), 1);
  EXPECT_EQ(r.getTable(0)->geomColumn, "geom");
  TgobArray g;
  int32_t epsg = 0;
  EXPECT_FALSE(r.readLayer(g, epsg, file, "ghost"));
  EXPECT_TRUE(r.read(g));
  EXPECT_EQ(g.count(), 1);
}

// Every layer through readLayer gives OGR's features: its first column is the id.
TEST_F(GpkgTest, ReadLayerGivesWhatOgrFinds) {
  GIS_FIXTURES_OR_SKIP();
  struct Case {
    const char* file;
    const char* layer;
    int objects;
    int32_t type;
  } cases[] = {{"plain.gpkg", "points", 5, o_point},      {"plain.gpkg", "lines", 2, o_line},
               {"plain.gpkg", "polys", 2, o_polyGon},     {"plain.gpkg", "multipolys", 5, o_polyGon},
               {"plain.gpkg", "Bob's Text", 1, o_text},   {"noindex.gpkg", "grid", 100, o_polyGon},
               {"zm.gpkg", "pz", 1, o_point},             {"zm.gpkg", "lm", 1, o_line},
               {"zm.gpkg", "pzm", 1, o_polyGon},          {"zm.gpkg", "mlz", 2, o_line},
               {"zm.gpkg", "mpt", 3, o_point},            {"v10.gpkg", "pts", 1, o_point}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ":" + c.layer);
    TreadGpKg r;
    TgobArray g;
    int32_t epsg = 0;
    ASSERT_TRUE(r.readLayer(g, epsg, fixture(c.file), c.layer));
    EXPECT_EQ(epsg, 4326);
    ASSERT_EQ(g.count(), c.objects);
    for (int i = 0; i < g.count(); ++i) {
      EXPECT_EQ(g.slot(i)->obType(), c.type);
      // a point takes no block of its own but its values
      if (c.type == o_point) {
        EXPECT_TRUE(g.slot(i)->xy.isInPlace() && !g.slot(i)->hasDetail()) << i;
      }
    }
    const gisfix::Layer& want = gisfix::expected().layer(std::string(c.file) + ":" + c.layer);
    ASSERT_EQ(g.columnCount(), int32_t(want.fields.size()) + 1);
    for (size_t k = 0; k < want.fields.size(); ++k) EXPECT_EQ(g.column(int32_t(k) + 1)->name, want.fields[k]);
    if (c.type == o_text) {  // compared as the point it is
      EXPECT_EQ(g.slot(0)->rawValue(1), "Café, \"quoted\"");
      EXPECT_EQ(g.slot(0)->xy[0][0], (xyrec{7, 8}));
      continue;
    }
    expectLikeOgr(g, want, 0, byFirstColumn());
  }
}

TEST_F(GpkgTest, ReadTakesTheSelectedLayersMultipolygonsFirst) {
  GIS_FIXTURES_OR_SKIP();
  TreadGpKg r;
  r.setname(fixture("plain.gpkg"));
  TgobArray g;
  ASSERT_TRUE(r.read(g));
  ASSERT_EQ(g.count(), 5 + 2 + 2 + 5 + 1);
  EXPECT_EQ(g.slot(0)->groupId, 3);  // the multipolygons come first, points last
  EXPECT_EQ(g.slot(g.count() - 1)->obType(), o_text);  // a point layer, read last
  const int32_t name = g.columnIndexOf("name");
  ASSERT_GE(name, 0);
  ASSERT_GE(g.columnIndexOf("width"), 0);
  EXPECT_EQ(g.slot(0)->rawValue(name), "three");
  EXPECT_EQ(g.slot(1)->rawValue(name), "three");  // every member keeps the row's values
  EXPECT_EQ(g.slot(2)->rawValue(name), "three");

  r.includeMultiObjects = true;
  ASSERT_TRUE(r.read(g, obSet({3})));
  ASSERT_EQ(g.count(), 3);  // "three" as one, "one", and the polygon in the layer
  EXPECT_EQ(g.slot(0)->obType(), o_multipolygon);
  EXPECT_EQ(g.slot(0)->polyxy().size(), 3u);
  EXPECT_EQ(g.slot(0)->x2, 6);
  EXPECT_EQ(g.slot(2)->obType(), o_polyGon);

  ASSERT_TRUE(r.read(g, obSet({1})));
  EXPECT_EQ(g.count(), 2);
  EXPECT_EQ(g.columnIndexOf("width"), 3);  // only the second layer's columns
  ASSERT_TRUE(r.read(g, obSet({4})));
  EXPECT_EQ(g.columnIndexOf("width"), -1);
  ASSERT_EQ(g.count(), 1);
  EXPECT_EQ(g.slot(0)->obType(), o_text);
}

// A box read gives the same rows through the spatial index as by the envelopes alone.
TEST_F(GpkgTest, BoxReadsGiveTheSameRowsWithAndWithoutAnIndex) {
  GIS_FIXTURES_OR_SKIP();
  struct Case {
    const char* id;
    double x1, y1, x2, y2;
    std::vector<std::string> cells;
  } cases[] = {{"six cells", 5, 5, 25, 15, {"c0_0", "c0_1", "c1_0", "c1_1", "c2_0", "c2_1"}},
               {"touching an edge", 8, 0, 9, 1, {"c0_0"}},
               {"in a gap", 8.5, 8.5, 9.5, 9.5, {}},
               {"below everything", -5, -5, -1, -1, {}}};
  for (const char* file : {"noindex.gpkg", "indexed.gpkg"}) {
    TreadGpKg r;
    r.setname(fixture(file));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(file) + " " + c.id);
      TgobArray g;
      EXPECT_EQ(r.read(g, c.x1, c.y1, c.x2, c.y2), !c.cells.empty());
      EXPECT_EQ(names(g, g.columnIndexOf("name")), c.cells);
      EXPECT_EQ(r.useRtree, std::string(file) == "indexed.gpkg");
    }
  }
  // A layer whose contents give no bounds may lie anywhere: it is read and its rows filtered.
  const std::string file = copyOf("noindex.gpkg");
  exec(file, "UPDATE gpkg_contents SET min_x = NULL, max_x = NULL");
  TreadGpKg r;
  r.setname(file);
  EXPECT_FALSE(r.getTable(0)->hasBounds);
  TgobArray g;
  ASSERT_TRUE(r.read(g, 5, 5, 25, 15));
  EXPECT_EQ(g.count(), 6);
}

TEST_F(GpkgTest, TheMakersPropertiesComeFromItsColumns) {
  GIS_FIXTURES_OR_SKIP();
  TreadGpKg r;
  r.setname(fixture("maker.gpkg"));
  EXPECT_DOUBLE_EQ(r.fversion, 2.5);
  EXPECT_EQ(r.fdatasets, 3);
  TgobArray g;
  ASSERT_TRUE(r.read(g));
  ASSERT_EQ(g.count(), 1);
  Tgob& gob = *g.slot(0);
  EXPECT_EQ(g.columnCount(), 1);  // "name" alone: the properties are no attributes
  EXPECT_EQ(gob.getcaption(), "North field");
  EXPECT_EQ(gob.styleNumber, 7);
  EXPECT_EQ(gob.x1, -1);
  EXPECT_EQ(gob.y2, 12);

  TreadGpKg plain;  // without the maker's metadata: bounds from the points
  plain.setname(fixture("plain.gpkg"));
  EXPECT_EQ(plain.fversion, 0);
  EXPECT_EQ(plain.fdatasets, 1);
  ASSERT_TRUE(plain.read(g, obSet({2})));
  EXPECT_EQ(g.slot(0)->x2, 10);
}

// Row by row: the same objects as readLayer, members of multi-geometries one by one.
TEST_F(GpkgTest, RowByRowGivesEveryObject) {
  GIS_FIXTURES_OR_SKIP();
  TreadGpKg r;
  r.setname(fixture("plain.gpkg"));
  Tcolumns columns;
  r.startRead(&columns);
  EXPECT_EQ(columns.count(), 4);  // name, count, value, width
  std::vector<std::string> got;
  Tgob gob;
  while (r.getNext(gob)) got.push_back(ObTypeStr(gob.obType()) + " " + gob.rawValue(0));
  EXPECT_EQ(got.size(), 15u);
  EXPECT_EQ(std::count(got.begin(), got.end(), "polygon three"), 3);
  EXPECT_EQ(got.back(), ObTypeStr(o_text) + " Café, \"quoted\"");

  r.startRead(0, 0, 0, 0, obSet({o_line}), &columns);
  int lines = 0;
  while (r.getNext(gob)) lines += gob.obType() == o_line;
  EXPECT_EQ(lines, 2);

  int rows = 0;  // geometry alone: every row with a geometry, then false once, then again
  while (r.getNext()) ++rows;
  EXPECT_EQ(rows, 5 + 2 + 2 + 3 + 1);
  EXPECT_TRUE(r.getNext());
  EXPECT_EQ(r.xy.size(), 1u);
}

TEST_F(GpkgTest, NaturalEarthAndTheBoroughsReadAsOgrReadsThem) {
  GIS_FIXTURES_OR_SKIP();
  const auto real = gisfix::split(gisfix::expected().facts.at("real"), '\x1f');
  if (real.empty()) GTEST_SKIP() << "python3-geopandas's data files are not installed";
  for (const std::string& shp : real) {
    const std::string stem = shp.substr(0, shp.size() - 4);
    SCOPED_TRACE(stem);
    TreadGpKg r;
    TgobArray g;
    int32_t epsg = 0;
    ASSERT_TRUE(r.readLayer(g, epsg, fixture(stem + ".gpkg"), stem));
    expectLikeOgr(g, gisfix::expected().layer(stem + ".gpkg:" + stem), 0, byFirstColumn());
  }
}

// Cut and flipped files, seeded: nothing may crash or hang (the sanitizer build runs the same).
TEST_F(GpkgTest, DamagedFilesNeverCrash) {
  GIS_FIXTURES_OR_SKIP();
  std::mt19937 rnd(7031);
  std::string good;
  ASSERT_TRUE(platform::readWholeFile(fixture("plain.gpkg"), good));
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::string bad = good;
    if (round % 2 == 0)
      bad.resize(rnd() % good.size());
    else
      for (int k = 0; k < 40; ++k) bad[rnd() % bad.size()] ^= char(1 + rnd() % 255);
    const std::string file = testenv::tempDir() + "bad" + std::to_string(round) + ".gpkg";
    ASSERT_TRUE(platform::replaceFileContents(file, bad, nullptr, platform::Flush::Later));
    TreadGpKg r;
    r.setname(file);
    TgobArray g;
    r.read(g);
    r.read(g, 0, 0, 5, 5);
    int32_t epsg = 0;
    r.readLayer(g, epsg, file, "multipolys");
    Tgob gob;
    r.startRead(nullptr);
    for (int n = 0; n < 1000 && r.getNext(gob);) ++n;
  }
  // Blobs that lie, written into a sound file.
  const std::string file = copyOf("plain.gpkg");
  dropTriggers(file);
  exec(file, "UPDATE multipolys SET geom = substr(geom, 1, 40) WHERE fid = 1");
  exec(file, "UPDATE multipolys SET geom = X'4750000100000000' WHERE fid = 2");
  exec(file, "UPDATE polys SET geom = zeroblob(100)");
  TreadGpKg r;
  TgobArray g;
  int32_t epsg = 0;
  EXPECT_TRUE(r.readLayer(g, epsg, file, "multipolys"));
  EXPECT_EQ(g.count(), 1);  // the polygon in the layer
  EXPECT_FALSE(r.readLayer(g, epsg, file, "polys"));
}

}  // namespace
