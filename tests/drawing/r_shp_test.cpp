// The shapefile reader against what GDAL's OGR and Shapely find in the same files (made by
// gis_fixtures.py with pyshp): records into drawings and previews, ring grouping, units, the
// bounds index and box reads, and broken files that cost only the records that do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <cstring>
#include <random>

#include "core/Ttrig.h"
#include "core/Tyo.h"
#include "core/r_log.h"
#include "drawing/r_Dra.h"
#include "drawing/r_shp.h"
#include "platform/files.h"
#include "platform/windows.h"
#include "storage/r_Data.h"
#include "tests/drawing/gisfixture.h"
#include "tests/support/testenv.h"

namespace {
namespace fs = std::filesystem;

struct ShpTest : ::testing::Test {
  void SetUp() override {
    platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
    createOs();
    yoRecorder = [this](Tyo& box) {
      boxes.push_back(box.caption());
      return yo_first;
    };
  }
  void TearDown() override {
    yoRecorder = nullptr;
    freeOs();
  }
  // A copy of a fixture's files in this test's folder; the path of its .shp.
  static std::string copyOf(const std::string& stem, const std::string& as = "") {
    const std::string target = testenv::tempDir() + (as.empty() ? stem : as);
    for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
      if (fs::exists(gisfix::dir() + stem + ext)) fs::copy_file(gisfix::dir() + stem + ext, target + ext);
    return target + ".shp";
  }
  static bool logged(const std::string& text) {
    const TStringList* l = logObject ? logObject->lines() : nullptr;
    for (int i = 0; l && i < l->count(); ++i)
      if ((*l)[i].find(text) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> boxes;
};

using gisfix::expectLikeOgr;
using gisfix::expectPoints;
using gisfix::polygonArea;

TEST_F(ShpTest, ReadsEveryRecordAsOgrFindsIt) {
  GIS_FIXTURES_OR_SKIP();
  for (const char* file : {"points.shp", "polygons.shp", "lines.shp", "multipoints.shp", "pointz.shp", "linem.shp",
                           "polygonz.shp", "multipointm.shp", "CAPS.SHP", "feetus.shp", "many.shp"}) {
    SCOPED_TRACE(file);
    const gisfix::Layer& want = gisfix::expected().layer(file);
    TgobArray g;
    TReadShp r;
    ASSERT_TRUE(r.Read(g, gisfix::dir() + file));
    ASSERT_EQ(g.columnCount(), int32_t(want.fields.size()));
    for (size_t c = 0; c < want.fields.size(); ++c) EXPECT_EQ(g.column(int32_t(c))->name, want.fields[c]);
    expectLikeOgr(g, want);  // Read keeps the file's units
    EXPECT_EQ(r.skipped, 0);
    for (int32_t i = 0; i < g.count(); ++i) {  // a point takes no block of its own but its values
      if (g.slot(i)->obType() == o_point) {
        EXPECT_TRUE(g.slot(i)->xy.isInPlace() && !g.slot(i)->hasDetail()) << i;
      }
    }
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ShpTest, TablesTextsFollowTheirCodePage) {
  GIS_FIXTURES_OR_SKIP();
  TgobArray g;
  TReadShp r;
  ASSERT_TRUE(r.Read(g, gisfix::dir() + "points.shp"));
  EXPECT_EQ(g.slot(0)->rawValue(0), "Côte d'Ivoire");
  EXPECT_EQ(g.slot(1)->rawValue(0), "Comma, inside");
  EXPECT_EQ(cpgCodePage("ISO-8859-1"), "ISO-8859-1");
  EXPECT_EQ(cpgCodePage(" utf-8\r\n"), "UTF-8");
  EXPECT_EQ(cpgCodePage("1252"), "windows-1252");
  EXPECT_EQ(cpgCodePage("ANSI 1251"), "windows-1251");
  EXPECT_EQ(cpgCodePage("88591"), "ISO-8859-1");
  EXPECT_EQ(cpgCodePage("OEM 850"), "ibm-850");
  EXPECT_EQ(cpgCodePage("klingon"), "");
}

// Without a target every polygon of a record comes out on its own call; rings inside rings are
// holes, and an island in a hole is a polygon of its own.
TEST_F(ShpTest, PreviewHandsOutOnePolygonPerCall) {
  GIS_FIXTURES_OR_SKIP();
  TReadShp r;
  r.setname(gisfix::dir() + "polygons.shp");
  struct Out {
    int32_t record, type;
    size_t rings;
    double area;
  };
  std::vector<Out> got;
  while (r.getnext()) got.push_back({r.index, r.obType, r.xy.size(), r.xy.empty() ? 0 : polygonArea(r.xy)});
  const std::vector<Out> want = {{0, 6, 1, 100},  {1, 6, 2, 64},  {2, 6, 1, 25},  {2, 6, 1, 100}, {3, 6, 2, 144},
                                 {3, 6, 1, 100},  {4, 0, 0, 0},   {5, 6, 2, 64},  {6, 6, 3, 828}};
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].record, want[i].record);
    EXPECT_EQ(got[i].type, want[i].type);
    EXPECT_EQ(got[i].rings, want[i].rings);
    EXPECT_DOUBLE_EQ(got[i].area, want[i].area);
  }
  EXPECT_FALSE(r.getnext());
}

TEST_F(ShpTest, TwoOuterRingsGiveTwoObjectsWithTheSameValues) {
  GIS_FIXTURES_OR_SKIP();
  TgobArray g;
  TReadShp r;
  ASSERT_TRUE(r.Read(g, gisfix::dir() + "polygons.shp"));
  std::vector<Tgob*> two;
  for (int i = 0; i < g.count(); ++i)
    if (g.slot(i)->fid == "2") two.push_back(g.slot(i));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0]->getDataList().text(), two[1]->getDataList().text());
  EXPECT_EQ(two[0]->rawValue(0), "two outer rings");
}

TEST_F(ShpTest, MultipointRecordsBecomePointObjects) {
  GIS_FIXTURES_OR_SKIP();
  TgobArray g;
  TReadShp r;
  ASSERT_TRUE(r.Read(g, gisfix::dir() + "multipoints.shp"));
  ASSERT_EQ(g.count(), 7);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(g.slot(i)->obType(), o_point);
    EXPECT_EQ(g.slot(i)->rawValue(0), "five");
  }
  TReadShp preview;  // one part per point
  preview.setname(gisfix::dir() + "multipoints.shp");
  ASSERT_TRUE(preview.getnext());
  EXPECT_EQ(preview.obType, o_point);
  EXPECT_EQ(preview.xy.size(), 5u);
}

// The preview turns feet into metres; Read keeps the file's own units.
TEST_F(ShpTest, UnitsComeFromTheProjectionText) {
  GIS_FIXTURES_OR_SKIP();
  const double usFoot = 1200.0 / 3937.0;
  struct Case {
    const char* file;
    bool feetSetting;
    double factor;
  } cases[] = {{"feet", false, 0.3048},     {"feetus", false, usFoot}, {"surveyfeet", false, usFoot},
               {"metres", false, 1},        {"noprj", false, 1},       {"noprj", true, usFoot},
               {"metres", true, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.feetSetting ? " with feet setting" : ""));
    os->shapefilesinfeet = c.feetSetting;
    const std::string file = gisfix::dir() + c.file + ".shp";
    TReadShp preview;
    preview.setname(file);
    EXPECT_DOUBLE_EQ(preview.originalMultiply, c.factor);
    EXPECT_DOUBLE_EQ(preview.minx, 1000 * c.factor);
    ASSERT_TRUE(preview.getnext());
    EXPECT_NEAR(preview.xy[0][0].x, 1000 * c.factor, 1e-9);
    EXPECT_NEAR(preview.xy[0][0].y, 2000 * c.factor, 1e-9);
    double x1, y1, x2, y2;
    ASSERT_TRUE(preview.getbounds(file, x1, y1, x2, y2));
    EXPECT_NEAR(x2, 1100 * c.factor, 1e-9);
    TgobArray g;
    TReadShp r;
    ASSERT_TRUE(r.Read(g, file));
    EXPECT_DOUBLE_EQ(r.multiply, 1);
    EXPECT_DOUBLE_EQ(g.slot(0)->x1, 1000);
  }
}

TEST_F(ShpTest, ToleranceFollowsTheExtentAndIsRestored) {
  GIS_FIXTURES_OR_SKIP();
  createTrig().equality = 0.125;
  TReadShp small;
  small.setname(gisfix::dir() + "small.shp");
  EXPECT_EQ(small.equality, 0);
  TgobArray g;
  TReadShp r;
  ASSERT_TRUE(r.Read(g, gisfix::dir() + "polygons.shp"));
  EXPECT_DOUBLE_EQ(r.equality, 150.0 / 1000000);
  EXPECT_EQ(trig->equality, 0.125);
}

TEST_F(ShpTest, FilesWithoutRecordsYieldNothing) {
  GIS_FIXTURES_OR_SKIP();
  TReadShp r;
  r.setname(gisfix::dir() + "empty.shp");
  EXPECT_EQ(r.records, 0);
  EXPECT_FALSE(r.getnext());
  TgobArray g;
  EXPECT_TRUE(TReadShp().Read(g, gisfix::dir() + "empty.shp"));
  EXPECT_EQ(g.count(), 0);
  EXPECT_TRUE(boxes.empty());
}

// A coordinate beyond 1e12 costs its record only.
TEST_F(ShpTest, AFarPointIsSkippedAndReadingGoesOn) {
  GIS_FIXTURES_OR_SKIP();
  TgobArray g;
  TReadShp r;
  ASSERT_TRUE(r.Read(g, gisfix::dir() + "farpoint.shp"));
  ASSERT_EQ(g.count(), 2);
  EXPECT_EQ(g.slot(0)->fid, "0");
  EXPECT_EQ(g.slot(1)->fid, "2");
  EXPECT_EQ(r.skipped, 1);
  EXPECT_TRUE(logged("shp record 1 skipped: point out of range"));
}

TEST_F(ShpTest, MissingCompanionsAndWrongFileCodesAreShown) {
  GIS_FIXTURES_OR_SKIP();
  const std::string noTable = copyOf("lines", "notable");
  fs::remove(testenv::tempDir() + "notable.dbf");
  TReadShp a;
  a.setname(noTable);
  EXPECT_FALSE(a.getnext());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "File missing: \"" + testenv::tempDir() + "notable.dbf\"");

  const std::string wrongCode = copyOf("lines", "wrongcode");
  {
    std::fstream f(wrongCode, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(2);
    f.put('\0');
  }
  TgobArray g;
  TReadShp b;
  EXPECT_FALSE(b.Read(g, wrongCode));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "shape file error: a1-a3");
}

// ---------------------------------------------------------------- box reads and the index

TEST_F(ShpTest, BoxReadsTakeTheRecordsTheyMeet) {
  GIS_FIXTURES_OR_SKIP();
  const std::string file = copyOf("polygons");
  struct Case {
    const char* id;
    double x1, y1, x2, y2;
    std::vector<std::string> records;
  } cases[] = {{"first square", 1, 1, 2, 2, {"0"}},
               {"touching its edge", 10, 5, 15, 6, {"0"}},
               {"between", 11, 1, 19, 2, {}},
               {"two records", 5, 5, 25, 6, {"0", "1"}},
               {"both outer rings", 44, 1, 51, 2, {"2", "2"}},
               {"island in hole", 80, 10, 81, 11, {"3", "3"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TgobArray g;
    TReadShp r;
    ASSERT_TRUE(r.Read(g, file, c.x1, c.y1, c.x2, c.y2));
    std::vector<std::string> got;
    for (int i = 0; i < g.count(); ++i) got.push_back(g.slot(i)->fid);
    EXPECT_EQ(got, c.records);
  }
  TReadShp r;  // Open, then refresh the same drawing with other boxes
  ASSERT_TRUE(r.Open(file));
  ASSERT_TRUE(r.Refresh(1, 1, 2, 2));
  EXPECT_EQ(r.drawing()->count(), 1);
  ASSERT_TRUE(r.Refresh(-1000, -1000, 1000, 1000));
  EXPECT_EQ(r.drawing()->count(), 8);  // the null record gives none, two records two each
  EXPECT_EQ(r.drawing()->slot(0)->rawValue(0), "square");
}

// The index keeps the file's units: a preview reader in metres multiplies them as it reads.
TEST_F(ShpTest, TheIndexKeepsFileUnitsAndIsRebuiltWhenItDoesNotFit) {
  GIS_FIXTURES_OR_SKIP();
  const std::string file = copyOf("feet");
  const std::string index = TReadShp::indexName(file);
  TReadShp maker;
  ASSERT_TRUE(maker.makeIndex(file));
  std::string bytes;
  ASSERT_TRUE(platform::readWholeFile(index, bytes));
  ASSERT_EQ(bytes.size(), 32u);
  double stored[4];
  std::memcpy(stored, bytes.data(), 32);
  EXPECT_EQ(stored[0], 1000);
  EXPECT_EQ(stored[3], 2100);

  TgobArray g;
  TReadShp metres(&g);
  metres.setname(file);
  ASSERT_TRUE(metres.Refresh(304, 609, 306, 611));  // metres around the corner (1000, 2000) ft
  EXPECT_EQ(g.count(), 1);
  ASSERT_TRUE(metres.Refresh(999, 1999, 1001, 2001));  // the same numbers in feet miss it
  EXPECT_EQ(g.count(), 0);

  ASSERT_TRUE(platform::replaceFileContents(index, std::string(48, '\0')));  // not 32 per record
  TgobArray h;
  ASSERT_TRUE(TReadShp().Read(h, file, 1000, 2000, 1001, 2001));
  EXPECT_EQ(h.count(), 1);
  EXPECT_TRUE(logged("does not match"));
  ASSERT_TRUE(maker.makeIndex(file));
  EXPECT_EQ(fs::file_size(index), 32u);
}

TEST_F(ShpTest, AnIndexThatCannotBeWrittenCostsALogLine) {
  GIS_FIXTURES_OR_SKIP();
  const std::string file = copyOf("polygons");
  platform::failNextReplaceForTesting(TReadShp::indexName(file));
  TReadShp r;
  EXPECT_FALSE(r.makeIndex(file));
  EXPECT_FALSE(fs::exists(TReadShp::indexName(file)));
  EXPECT_TRUE(logged("bounds index not written"));
  TgobArray g;
  ASSERT_TRUE(TReadShp().Read(g, file, 1, 1, 2, 2));  // box reads go on without it
  EXPECT_EQ(g.count(), 1);
  EXPECT_TRUE(boxes.empty());
}

// ---------------------------------------------------------------- broken files

void put32(std::string& s, size_t at, uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(big ? v >> (24 - 8 * i) : v >> (8 * i));
}

// Records that lie about themselves are skipped; the others are read.
TEST_F(ShpTest, RecordsThatDoNotFitAreSkipped) {
  GIS_FIXTURES_OR_SKIP();
  // lines.shp: record 0 at 100 (one part of 3 points), record 1 two parts, record 2 null.
  const size_t rec1 = 100 + 8 + 4 + 32 + 4 + 4 + 4 + 48;  // the second record's header
  const size_t content = rec1 + 8;
  struct Case {
    const char* id;
    std::function<void(std::string& shp, std::string& shx)> damage;
  } cases[] = {
      {"shx address past the file", [](std::string&, std::string& shx) { put32(shx, 108, 0x7FFFFFF0, true); }},
      {"shx size past the file", [](std::string&, std::string& shx) { put32(shx, 112, 0x7FFFFFF0, true); }},
      {"negative shx address", [](std::string&, std::string& shx) { put32(shx, 108, 0x80000000, true); }},
      {"part count near 2^31", [&](std::string& shp, std::string&) { put32(shp, content + 36, 0x7FFFFFFF, false); }},
      {"point count near 2^31", [&](std::string& shp, std::string&) { put32(shp, content + 40, 0x7FFFFFFE, false); }},
      {"negative part count", [&](std::string& shp, std::string&) { put32(shp, content + 36, 0xFFFFFFFF, false); }},
      {"part starts backwards", [&](std::string& shp, std::string&) { put32(shp, content + 48, 0xFFFFFFFF, false); }},
      {"part start past the points", [&](std::string& shp, std::string&) { put32(shp, content + 48, 9, false); }},
      {"unknown shape type", [&](std::string& shp, std::string&) { put32(shp, content, 31, false); }},
      {"NaN coordinate", [&](std::string& shp, std::string&) {
         const double nan = std::nan("");
         std::memcpy(&shp[content + 52], &nan, 8);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string file = copyOf("lines", c.id);
    const std::string shxName = testenv::tempDir() + c.id + ".shx";
    std::string shp, shx;
    ASSERT_TRUE(platform::readWholeFile(file, shp));
    ASSERT_TRUE(platform::readWholeFile(shxName, shx));
    c.damage(shp, shx);
    ASSERT_TRUE(platform::replaceFileContents(file, shp));
    ASSERT_TRUE(platform::replaceFileContents(shxName, shx));
    TgobArray g;
    TReadShp r;
    ASSERT_TRUE(r.Read(g, file));
    EXPECT_EQ(r.skipped, 1);
    ASSERT_EQ(g.count(), 1);  // record 0; record 2 is null
    EXPECT_EQ(g.slot(0)->fid, "0");
    EXPECT_TRUE(logged("shp record 1 skipped"));
  }
  EXPECT_TRUE(boxes.empty());
}

// Cut and flipped files, seeded: nothing may crash, hang or read outside what it holds (the
// sanitizer build runs the same).
TEST_F(ShpTest, DamagedFilesNeverCrash) {
  GIS_FIXTURES_OR_SKIP();
  std::mt19937 rnd(20240611);
  for (const char* stem : {"polygons", "lines", "multipoints", "polygonz", "points"}) {
    for (const char* ext : {".shp", ".shx", ".dbf"}) {
      std::string good;
      ASSERT_TRUE(platform::readWholeFile(gisfix::dir() + stem + ext, good));
      for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(std::string(stem) + ext + " round " + std::to_string(round));
        std::string bad = good;
        if (round % 2 == 0) {
          bad.resize(rnd() % (good.size() + 1));
        } else {
          for (int k = 0; k < 4; ++k) bad[rnd() % bad.size()] ^= char(1 + rnd() % 255);
        }
        const std::string name = std::string(stem) + "-" + std::to_string(round) + "-" + (ext + 1);
        const std::string file = copyOf(stem, name);
        ASSERT_TRUE(platform::replaceFileContents(testenv::tempDir() + name + ext, bad, nullptr, platform::Flush::Later));
        TgobArray g;
        TReadShp r;
        r.logging = false;  // the log is rewritten per line: thousands of lines would cost seconds
        r.Read(g, file);
        TReadShp preview;
        preview.logging = false;
        preview.setname(file);
        int calls = 0;
        while (preview.getnext() && calls < 100000) ++calls;
        EXPECT_LT(calls, 100000);
        TgobArray h;
        TReadShp box;
        box.logging = false;
        box.Read(h, file, -1e9, -1e9, 1e9, 1e9);
      }
    }
  }
}

// ---------------------------------------------------------------- real open data

TEST_F(ShpTest, NaturalEarthAndTheBoroughsReadAsOgrReadsThem) {
  GIS_FIXTURES_OR_SKIP();
  const auto real = gisfix::split(gisfix::expected().facts.at("real"), '\x1f');
  if (real.empty()) GTEST_SKIP() << "python3-geopandas's data files are not installed";
  for (const std::string& file : real) {
    SCOPED_TRACE(file);
    const gisfix::Layer& want = gisfix::expected().layer(file);
    TgobArray g;
    TReadShp r;
    ASSERT_TRUE(r.Read(g, gisfix::dir() + file));
    EXPECT_EQ(r.skipped, 0);
    expectLikeOgr(g, want, r.equality);
  }
  if (std::find(real.begin(), real.end(), "naturalearth_lowres.shp") != real.end()) {
    TgobArray g;
    TReadShp().Read(g, gisfix::dir() + "naturalearth_lowres.shp");
    const int name = g.columnIndexOf("name");
    bool found = false;
    for (int i = 0; i < g.count(); ++i) found = found || g.slot(i)->rawValue(name) == "Côte d'Ivoire";
    EXPECT_TRUE(found);
  }
  if (std::find(real.begin(), real.end(), "nybb.shp") != real.end()) {
    // US survey feet: the preview gives metres.
    const gisfix::Layer& want = gisfix::expected().layer("nybb.shp");
    TReadShp preview;
    preview.setname(gisfix::dir() + "nybb.shp");
    EXPECT_DOUBLE_EQ(preview.originalMultiply, 1200.0 / 3937.0);
    double area = 0, wantArea = 0;
    while (preview.getnext()) area += polygonArea(preview.xy);
    for (const auto& [fid, ft] : want.features)
      for (double a : ft.areas) wantArea += a;
    EXPECT_NEAR(area, wantArea * (1200.0 / 3937.0) * (1200.0 / 3937.0), 1e-6 * area);
  }
}

}  // namespace
