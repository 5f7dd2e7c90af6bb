// The data builder on a tiny source tree that the tests make themselves (no network, no apt):
// each file's contract (container header and frames, tables, columns, declared types, blob
// formats, the default files), the month interpolation and the coordinate conversions.
#include "data/TdataBuilder.h"
#include "data/dcw.h"

#include <gtest/gtest.h>
#include <netcdf.h>
#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "astro/r_sunLite.h"
#include "core/r_bitmapRaw.h"
#include "platform/imagecodec.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;

namespace {
using Rgb = std::array<uint8_t, 3>;

platform::TrgbImage solid(int w, int h, Rgb c) {
  platform::TrgbImage im;
  im.width = w;
  im.height = h;
  for (int i = 0; i < w * h; ++i) im.rgb.insert(im.rgb.end(), c.begin(), c.end());
  return im;
}

// PNG bytes under the packages' ".jpg" names: the decoder goes by content, and PNG is exact.
void writeImage(const std::string& path, const platform::TrgbImage& im) {
  fs::create_directories(fs::path(path).parent_path());
  std::string err;
  ASSERT_TRUE(platform::encodePngFile(path, im, err)) << err;
}

void writeText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A polygon file in the packed form: one rectangle (west, south, east, north) per area.
void writePolygons(const std::string& path, const std::vector<std::pair<std::string, std::array<double, 4>>>& areas) {
  fs::create_directories(fs::path(path).parent_path());
  int nc = -1;
  ASSERT_EQ(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &nc), NC_NOERR);
  std::vector<std::array<int, 2>> vars;
  for (const auto& [code, box] : areas) {
    int dim = -1;
    ASSERT_EQ(nc_def_dim(nc, (code + "_length").c_str(), 6, &dim), NC_NOERR);
    std::array<int, 2> v{};
    ASSERT_EQ(nc_def_var(nc, (code + "_lon").c_str(), NC_USHORT, 1, &dim, &v[0]), NC_NOERR);
    ASSERT_EQ(nc_def_var(nc, (code + "_lat").c_str(), NC_USHORT, 1, &dim, &v[1]), NC_NOERR);
    const double lonScale = 65534 / (box[2] - box[0]), latScale = 65534 / (box[3] - box[1]);
    nc_put_att_double(nc, v[0], "min", NC_DOUBLE, 1, &box[0]);
    nc_put_att_double(nc, v[0], "scale", NC_DOUBLE, 1, &lonScale);
    nc_put_att_double(nc, v[1], "min", NC_DOUBLE, 1, &box[1]);
    nc_put_att_double(nc, v[1], "scale", NC_DOUBLE, 1, &latScale);
    vars.push_back(v);
  }
  ASSERT_EQ(nc_enddef(nc), NC_NOERR);
  for (const auto& v : vars) {
    // A fill value first, then the closed ring west-south, east-south, east-north, west-north.
    const unsigned short lon[6] = {NC_FILL_USHORT, 0, 65534, 65534, 0, 0};
    const unsigned short lat[6] = {NC_FILL_USHORT, 0, 0, 65534, 65534, 0};
    nc_put_var_ushort(nc, v[0], lon);
    nc_put_var_ushort(nc, v[1], lat);
  }
  nc_close(nc);
}

const Rgb kJan{0, 0, 200}, kMar{100, 0, 0}, kMay{0, 100, 0}, kJul{200, 200, 0}, kAug{50, 150, 250}, kNight{7, 8, 9};

// A source tree with the packages' file layout and a few rows of each file.
std::string makeSources(const std::string& root) {
  const std::string maps = root + "usr/share/pixmaps/gpredict/maps/";
  writeImage(maps + "nasa-bmng-01_2048.jpg", solid(16, 8, kJan));
  writeImage(maps + "nasa-bmng-03_2048.jpg", solid(16, 8, kMar));
  writeImage(maps + "nasa-bmng-05_2048.jpg", solid(16, 8, kMay));
  writeImage(maps + "nasa-bmng-07_2048.jpg", solid(16, 8, kJul));
  writeImage(maps + "nasa-bmng-08_2048.jpg", solid(16, 8, kAug));
  writeImage(root + "usr/share/xplanet/images/night.jpg", solid(16, 8, kNight));
  writeImage(root + "usr/share/kstars/textures/moon00.png", solid(4, 4, {10, 10, 10}));
  writeImage(root + "usr/share/kstars/textures/moon01.png", solid(4, 4, {240, 240, 240}));
  writeText(root + "usr/share/xplanet/stars/BSC",
            "# Dec RA Mag\n"
            "  0.0000  0.0000  1.04 \"  star A\"\n"
            " 23.4392911  6.0000  -1.46 \"  star B\"\n"
            "  0.0000 12.0000  5.6 \"  star C\"\n");
  writeText(root + "usr/share/xplanet/arcs/constellations",
            "# figures\n\n"
            "  0.0000  0.0000  10.0000  1.0000 # And One,Mirach\n"
            " 10.0000  1.0000  20.0000  2.0000 # Mirach,Alpheratz\n"
            "-20.0000  5.0000 -30.0000  5.5000 # CMa Four,Five\n");
  // The Western culture once, then other cultures and a second copy of the Western names.
  writeText(root + "usr/share/kstars/cnames.dat",
            "C Western\n"
            "012000+410000And ANDROMEDA\n"
            "060000-300000CMa CANIS MAJOR\n"
            "154000+080000SCp SERPENS CAPUT\r\n"
            "180000-053000SCd SERPENS CAUDA\n"
            "C Chinese\n"
            "110000+520000    WOMAN'S BED\n"
            "C Western (sternenkarten.com)\n"
            "012000+410000And ANDROMEDA\n"
            "C Asterisms\n"
            "053000+000000    ORION'S BELT\n");
  writeText(root + "usr/share/kstars/cbounds.dat",
            ":Andromeda\n 0.0 20.0 1\n 1.0 20.0 1\n 1.0 30.0 1\n 0.0 30.0 1\n"
            ":Serpens Cauda\n 18.0 -5.0 1\n 18.5 -5.0 1\n 18.5 0.0 1\n"
            ":Serpens Caput\n 15.0 5.0 1\n 16.0 5.0 1\n 16.0 10.0 1\n");
  const std::string tzmap = root + "usr/share/libtimezonemap/ui/";
  writeText(tzmap + "countryInfo.txt",
            "#ISO\tISO3\tISO-Numeric\tfips\tCountry\tCapital\n"
            "GB\tGBR\t826\tUK\tUnited Kingdom\tLondon\n"
            "US\tUSA\t840\tUS\tUnited States\tWashington\n"
            "FR\tFRA\t250\tFR\tFrance\tParis\n");
  auto city = [](const char* name, double lat, double lon, const char* cc, long pop, const char* tz) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "1\t%s\t%s\t\t%.5f\t%.5f\tP\tPPL\t%s\t\t\t\t\t\t%ld\t\t1\t%s\t2020-01-01\n", name,
                  name, lat, lon, cc, pop, tz);
    return std::string(buf);
  };
  writeText(tzmap + "cities15000.txt",
            city("New York City", 40.71427, -74.00597, "US", 8000000, "America/New_York") +
                city("Los Angeles", 34.05223, -118.24368, "US", 3900000, "America/Los_Angeles") +
                city("Boston", 42.35843, -71.05977, "US", 600000, "America/New_York") +
                city("London", 51.50853, -0.12574, "GB", 8900000, "Europe/London") +
                city("Leeds", 53.79648, -1.54785, "GB", 450000, "Europe/London") +
                city("Paris", 48.85341, 2.3488, "FR", 2100000, "Europe/Paris"));
  writePolygons(root + "usr/share/gmt-dcw/dcw-gmt.nc", {{"GB", {-10, 50, 5, 60}},
                                                       {"FR", {0, 40, 10, 50}},
                                                       {"US", {-125, 30, -70, 45}},
                                                       {"USAK", {-170, 55, -140, 70}}});
  writeText(root + "usr/share/doc/xplanet/copyright", "License: GPL-2+\nLicense: NASA-not-copyrighted\nLicense: GPL-2+\n");
  return root;
}

std::string makeFonts(const std::string& dir) {
  for (const char* f : {"OpenSans-Regular.ttf", "OpenSans-Italic.ttf", "OpenSans-Bold.ttf", "OpenSans-BoldItalic.ttf",
                        "OpenSans-Semibold.ttf", "OpenSans-SemiboldItalic.ttf", "OpenSans-Light.ttf",
                        "OpenSans-LightItalic.ttf", "OpenSans-ExtraBold.ttf", "OpenSans-ExtraBoldItalic.ttf"})
    writeText(dir + "truetype/open-sans/" + f, std::string("font ") + f);
  writeText(dir + "opentype/cabin/Cabin-Regular.otf", "cabin");
  return dir;
}

kdata::TbuildOptions tinyOptions(const std::string& name) {
  kdata::TbuildOptions o;
  const std::string base = testenv::tempDir() + name + "/";
  o.target = base + "data/";
  o.cacheDir = base + "cache/";
  o.sourceRoot = base + "src/";
  o.fontDir = base + "fonts/";
  o.fetch = false;
  o.mapWidth = 36;  // pixels of 10 degrees
  o.skyWidth = 16;
  return o;
}

// The tiny folder, built once for all contract tests.
const kdata::TbuildOptions& tinyFolder() {
  static const kdata::TbuildOptions opt = [] {
    kdata::TbuildOptions o = tinyOptions("tiny");
    makeSources(o.sourceRoot);
    makeFonts(o.fontDir);
    kdata::TdataBuilder b(o);
    EXPECT_TRUE(b.build()) << b.lastError();
    return o;
  }();
  return opt;
}

struct Db {
  sqlite3* db = nullptr;
  explicit Db(const std::string& file) { sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr); }
  ~Db() { sqlite3_close(db); }
  // Every row as text cells; blobs as their byte count.
  std::vector<std::vector<std::string>> rows(const std::string& sql) const {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
      return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> r;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const auto* t = sqlite3_column_text(st, i);
        r.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
      }
      out.push_back(r);
    }
    sqlite3_finalize(st);
    return out;
  }
  // "name TYPE, name TYPE" of a table.
  std::string columns(const std::string& table) const {
    std::string s;
    for (const auto& r : rows("PRAGMA table_info(`" + table + "`)")) s += (s.empty() ? "" : ", ") + r[1] + " " + r[2];
    return s;
  }
  Tbytes blob(const std::string& sql) const {
    Tbytes out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (st && sqlite3_step(st) == SQLITE_ROW) {
      const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, 0));
      out.assign(p, p + sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    return out;
  }
};

Rgb framePixel(const std::string& bin, int frame, int col, int row) {
  TbitmapBin b;
  b.open(bin);
  uint8_t r = 0, g = 0, bl = 0;
  b.getcolour24(frame, col, row, r, g, bl);
  return {r, g, bl};
}
}  // namespace

TEST(TdataBuilder, ContainerHasFifteenFramesOfMonthsNightAndEmptyIndexes) {
  const auto& o = tinyFolder();
  const std::string bin = o.target + "36.bin";
  const std::string bytes = testenv::readFile(bin);
  ASSERT_EQ(bytes.size(), 24u + 15u * 108u * 18u);
  int32_t head[6];
  std::memcpy(head, bytes.data(), sizeof head);
  EXPECT_EQ((std::vector<int32_t>(head, head + 6)), (std::vector<int32_t>{36, 18, 24, 108, 1944, 15}));
  struct Case {
    const char* id;
    int frame;
    Rgb want;
  } cases[] = {
      {"January as shipped", 0, kJan},
      {"February halfway from January to March", 1, {50, 0, 100}},
      {"June halfway from May to July", 5, {100, 150, 0}},
      {"August as shipped", 7, kAug},
      {"September a fifth of the way from August to January", 8, {40, 120, 240}},
      {"December four fifths of the way", 11, {10, 30, 210}},
      {"night", 12, kNight},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    for (auto [col, row] : {std::pair{0, 0}, std::pair{35, 17}, std::pair{20, 9}})
      EXPECT_EQ(framePixel(bin, c.frame, col, row), c.want);
  }
}

TEST(TdataBuilder, IndexFramesNameCountriesAndZonesAndLeaveTheSeaEmpty) {
  const std::string bin = tinyFolder().target + "36.bin";
  auto row = [](const Rgb& p) { return p[2] == 255 ? -1 : p[0] + 256 * p[1] + 65536 * p[2]; };
  auto country = [&](double lat, double lon) {
    const int r = row(framePixel(bin, 13, int((lon + 180) / 10), 17 - int((90 - lat) / 10)));
    return r < 0 ? std::string("none") : std::string(countriesConst.at(size_t(r)));
  };
  auto zone = [&](double lat, double lon) {
    const int r = row(framePixel(bin, 14, int((lon + 180) / 10), 17 - int((90 - lat) / 10)));
    return r < 0 ? std::string("none") : std::string(tzConst.at(size_t(r)));
  };
  struct Case {
    const char* id;
    double lat, lon;
    const char *country, *zone;
  } cases[] = {
      {"Britain", 55, -5, "United Kingdom", "GBR=GMT Standard Time"},
      {"France", 45, 5, "France", "FRA=Romance Standard Time"},
      {"east of the USA, nearest New York", 35, -85, "USA", "USA=Eastern Standard Time"},
      {"west of the USA, nearest Los Angeles", 35, -115, "USA", "USA6=Pacific Standard Time"},
      {"a state painted over its country", 65, -155, "Alaska", "USA6=Pacific Standard Time"},
      {"sea", -45, -125, "none", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(country(c.lat, c.lon), c.country);
    EXPECT_EQ(zone(c.lat, c.lon), c.zone);
  }
}

TEST(TdataBuilder, SkyTablesHoldEclipticStarsFiguresNamesAndBoundaries) {
  const Db db(tinyFolder().target + "sky.db");
  EXPECT_EQ(db.columns("ini"), "key TEXT, value TEXT, blob BLOB");
  EXPECT_EQ(db.columns("stars"), "long INTEGER, lat INTEGER, mag INTEGER");
  EXPECT_EQ(db.columns("constellations"), "lines POLYXYBLOB, name TEXT, long DOUBLE, lat DOUBLE");
  EXPECT_EQ(db.columns("constellation boundaries"), "lines POLYXYBLOB");
  EXPECT_EQ(db.rows("SELECT value FROM ini WHERE key = 'home'"), (std::vector<std::vector<std::string>>{{"London"}}));

  // The night sky: a 24-bit BMP twice as wide as high.
  TrawBitmap24 sky;
  ASSERT_TRUE(sky.loadfromMem(db.blob("SELECT blob FROM ini WHERE key = 'night sky'"))) << sky.loadError();
  EXPECT_EQ(sky.width(), 16);
  EXPECT_EQ(sky.height(), 8);

  // Stars: RA 0 Dec 0 is the equinox; RA 6h on the ecliptic's northern turn is longitude 90.
  EXPECT_EQ(db.rows("SELECT * FROM stars"),
            (std::vector<std::vector<std::string>>{{"0", "0", "10"}, {"9000", "0", "-15"}, {"18000", "0", "56"}}));

  // Figures, one row per constellation: joined segments make one polyline (a segment between two
  // stars with proper names goes with the one before it); x = 360 - ecliptic longitude.
  const auto figures = db.rows("SELECT name FROM constellations WHERE name = ''");
  ASSERT_EQ(figures.size(), 2u);
  TpolyXyValues xy;
  const Tbytes first = db.blob("SELECT lines FROM constellations WHERE name = '' LIMIT 1");
  ASSERT_TRUE(TsqlBase::MemToXY(&first, xy));
  ASSERT_EQ(xy.size(), 1u);
  ASSERT_EQ(xy[0].size(), 3u);
  EXPECT_NEAR(xy[0][0].x, 360.0, 1e-9);
  EXPECT_NEAR(xy[0][0].y, 0.0, 1e-9);

  // Names of the Western culture only, each once; Serpens once, where its head is.
  EXPECT_EQ(db.rows("SELECT name FROM constellations WHERE name <> '' ORDER BY name"),
            (std::vector<std::vector<std::string>>{{"Andromeda"}, {"Canis Major"}, {"Serpens"}}));
  double lon = 0, lat = 0;
  kdata::equatorialToEcliptic(15 * (15 + 40 / 60.0), 8, lon, lat);
  const auto serpens = db.rows("SELECT long, lat FROM constellations WHERE name = 'Serpens'");
  ASSERT_EQ(serpens.size(), 1u);
  EXPECT_NEAR(std::stod(serpens[0][0]), 360 - lon, 1e-6);
  EXPECT_NEAR(std::stod(serpens[0][1]), lat, 1e-6);

  // Boundaries, one row per constellation: Serpens holds both its parts.
  const auto bounds = db.rows("SELECT rowid FROM `constellation boundaries`");
  ASSERT_EQ(bounds.size(), 2u);
  const size_t parts[] = {1, 2}, points[] = {5, 4};
  for (size_t i = 0; i < 2; ++i) {
    const Tbytes bound = db.blob("SELECT lines FROM `constellation boundaries` WHERE rowid = " + bounds[i][0]);
    xy.clear();
    ASSERT_TRUE(TsqlBase::MemToXY(&bound, xy));
    ASSERT_EQ(xy.size(), parts[i]);
    for (const auto& part : xy) {
      EXPECT_EQ(part.size(), points[i]);
      EXPECT_EQ(part.front(), part.back());
    }
  }
}

TEST(TdataBuilder, NamesTakeACapitalAtTheStartAndAfterABlankOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"URSA MAJOR", "Ursa Major"}, {"WOMAN'S BED", "Woman's Bed"}, {"CANES VENATICI", "Canes Venatici"},
      {"COMA BERENICES", "Coma Berenices"}, {"TUPI-GUARANI", "Tupi-guarani"}, {"", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(kdata::titleCase(in), out) << in;
}

TEST(TdataBuilder, WordsHoldEveryLanguageAndTheStripWords) {
  const Db db(tinyFolder().target + "words.db");
  EXPECT_EQ(db.columns("languages"), "name TEXT, latin TEXT");
  EXPECT_EQ(db.columns("words"), "language TEXT, english TEXT, word TEXT");
  const auto langs = db.rows("SELECT name, latin FROM languages");
  EXPECT_GE(langs.size(), 15u);
  std::map<std::string, std::string> latin;
  for (const auto& r : langs) latin[r[0]] = r[1];
  EXPECT_EQ(latin["German"], "yes");
  EXPECT_EQ(latin["Russian"], "no");
  EXPECT_EQ(latin["Japanese"], "no");
  EXPECT_EQ(latin.count("English"), 0u) << "the settings page adds English itself";
  struct Case {
    const char *language, *english, *word;
  } cases[] = {
      {"English", "Noon", "Noon"},         {"English", "Afternoon", "Afternoon"}, {"English", "Morning", "Morning"},
      {"German", "Monday", "Montag"},      {"German", "Afternoon", "Nachmittag"}, {"French", "January", "Janvier"},
      {"French", "Noon", "Midi"},          {"Spanish", "Sunday", "Domingo"},      {"Russian", "Monday", "Понедельник"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.language) + " " + c.english);
    EXPECT_EQ(db.rows("SELECT word FROM words WHERE language = '" + std::string(c.language) + "' AND english = '" +
                      c.english + "'"),
              (std::vector<std::vector<std::string>>{{c.word}}));
  }
  // Every language has all seven days and twelve months.
  for (const auto& r : db.rows("SELECT language, count(*) FROM words WHERE english IN ('Monday','Tuesday',"
                               "'Wednesday','Thursday','Friday','Saturday','Sunday','January','February','March',"
                               "'April','May','June','July','August','September','October','November','December') "
                               "GROUP BY language")) {
    SCOPED_TRACE(r[0]);
    EXPECT_EQ(r[1], "19");
  }
}

TEST(TdataBuilder, PlacesRunByCodeWithTheCountryFirstAndZonesNameEachCode) {
  const auto& o = tinyFolder();
  const Db places(o.target + "places.db");
  EXPECT_EQ(places.columns("places"), "code TEXT, name TEXT, long DOUBLE, lat DOUBLE");
  EXPECT_EQ(places.rows("SELECT code, name FROM places"),
            (std::vector<std::vector<std::string>>{{"FRA", "France"},
                                                   {"FRA", "Paris"},
                                                   {"GBR", "United Kingdom"},
                                                   {"GBR", "Leeds"},
                                                   {"GBR", "London"},
                                                   {"USA", "United States (Eastern Standard Time)"},
                                                   {"USA", "Boston"},
                                                   {"USA", "New York City"},
                                                   {"USA1", "United States (Pacific Standard Time)"},
                                                   {"USA1", "Los Angeles"}}));
  // The country row stands at the capital when the capital is listed.
  EXPECT_EQ(places.rows("SELECT long, lat FROM places WHERE name = 'United Kingdom'"),
            (std::vector<std::vector<std::string>>{{"-0.12574", "51.50853"}}));
  const Db zones(o.target + "zones.db");
  EXPECT_EQ(zones.columns("timezones"), "code TEXT, tz TEXT");
  EXPECT_EQ(zones.rows("SELECT code, tz FROM timezones"),
            (std::vector<std::vector<std::string>>{{"FRA", "Romance Standard Time"},
                                                   {"GBR", "GMT Standard Time"},
                                                   {"USA", "Eastern Standard Time"},
                                                   {"USA1", "Pacific Standard Time"}}));
}

TEST(TdataBuilder, SmallFilesKeepTheirForms) {
  const auto& o = tinyFolder();
  // locations.ini: CR LF lines, the settings section first, twelve location sections.
  const std::string ini = testenv::readFile(o.target + "locations.ini");
  EXPECT_EQ(ini.rfind("[settings]\r\n", 0), 0u);
  size_t sections = 0, pos = 0;
  while ((pos = ini.find("\r\n[location ", pos)) != std::string::npos) ++sections, ++pos;
  EXPECT_EQ(sections, 12u);
  for (size_t i = 0; i < ini.size(); ++i)
    if (ini[i] == '\n') {
      ASSERT_EQ(ini[i - 1], '\r') << "bare line feed at " << i;
    }
  EXPECT_NE(ini.find("[location 1]\r\nname=London\r\nwindows name=GMT Standard Time\r\nlat=51.50000000\r\n"),
            std::string::npos);

  TrawBitmap24 world, moon;
  ASSERT_TRUE(world.loadfromFile(o.target + "world 600.bmp"));
  EXPECT_EQ(world.width(), 600);
  EXPECT_EQ(world.height(), 300);
  ASSERT_TRUE(moon.loadfromFile(o.target + "moon.bmp"));
  uint8_t r, g, b;
  moon.getPixel(1, 1, r, g, b);
  EXPECT_EQ(r, 240) << "the brightest phase picture is the full moon";

  for (const char* f : {"OpenSans-Regular.ttf", "OpenSans-ExtraBoldItalic.ttf", "Railway.otf", "sound_beep.wav"})
    EXPECT_TRUE(fs::exists(o.target + "resources/" + f)) << f;
  EXPECT_EQ(testenv::readFile(o.target + "resources/Railway.otf"), "cabin");

  const std::string att = testenv::readFile(o.target + "ATTRIBUTION.txt");
  EXPECT_NE(att.find("package: xplanet\nversion: unknown\nlicence: GPL-2+, NASA-not-copyrighted\n"), std::string::npos) << att;
  EXPECT_TRUE(fs::exists(o.target + "licences/xplanet.copyright"));
  EXPECT_FALSE(fs::exists(o.target + ".work"));
}

TEST(TdataBuilder, MissingSourceFailsNamingTheFile) {
  struct Case {
    const char* id;
    const char* removed;
  } cases[] = {
      {"day image", "usr/share/pixmaps/gpredict/maps/nasa-bmng-05_2048.jpg"},
      {"stars", "usr/share/xplanet/stars/BSC"},
      {"towns", "usr/share/libtimezonemap/ui/cities15000.txt"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto o = tinyOptions("missing" + std::to_string(n++));
    makeSources(o.sourceRoot);
    makeFonts(o.fontDir);
    fs::remove(o.sourceRoot + c.removed);
    kdata::TdataBuilder b(o);
    EXPECT_FALSE(b.build());
    EXPECT_NE(b.lastError().find(fs::path(c.removed).filename().string()), std::string::npos) << b.lastError();
    EXPECT_FALSE(fs::exists(o.target + "ATTRIBUTION.txt")) << "an unfinished folder must not look complete";
    EXPECT_FALSE(fs::exists(o.target + ".work")) << "no frame files are left behind";
  }
}

TEST(TdataBuilderPieces, ResizeAveragesWhenShrinkingAndKeepsEdgesWhenEnlarging) {
  platform::TrgbImage im = solid(4, 2, {0, 0, 0});
  for (int x = 0; x < 4; ++x) im.pixel(x, 0)[0] = uint8_t(x * 40);  // 0 40 80 120 on the top row
  const auto small = kdata::resizeImage(im, 2, 1);
  ASSERT_EQ(small.width, 2);
  EXPECT_EQ(small.pixel(0, 0)[0], 10);  // (0 + 40 + 0 + 0) / 4
  EXPECT_EQ(small.pixel(1, 0)[0], 50);  // (80 + 120) / 4
  const auto big = kdata::resizeImage(im, 8, 4);
  EXPECT_EQ(big.pixel(0, 0)[0], 0);
  EXPECT_EQ(big.pixel(7, 0)[0], 120);
}

TEST(TdataBuilderPieces, CoordinatesOfKnownPoints) {
  struct Case {
    const char* id;
    bool galactic;
    double ra, dec, lon, lat;
  } cases[] = {
      {"equinox", false, 0, 0, 0, 0},
      {"summer solstice point", false, 90, 23.4392911, 90, 0},
      {"north ecliptic pole", false, 270, 66.5607089, 0, 90},
      {"galactic centre", true, 266.40499, -28.93617, 0, 0},
      {"north galactic pole", true, 192.85948, 27.12825, 0, 90},
      {"galactic anticentre", true, 86.40499, 28.93617, 180, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    double lon = 0, lat = 0;
    if (c.galactic) kdata::equatorialToGalactic(c.ra, c.dec, lon, lat);
    else kdata::equatorialToEcliptic(c.ra, c.dec, lon, lat);
    EXPECT_NEAR(lat, c.lat, 1e-3);
    if (std::fabs(c.lat) < 89) {
      EXPECT_NEAR(std::fmod(lon + 360.5, 360.0) - 0.5, c.lon, 1e-3);
    }
  }
}

TEST(TdataBuilderPieces, BeepIsAWaveFileWhoseSizesAgree) {
  const auto w = kdata::beepWave(880, 0.1, 8000);
  ASSERT_EQ(w.size(), 44u + 1600u);
  EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
  auto u32 = [&](size_t at) { return uint32_t(w[at]) | uint32_t(w[at + 1]) << 8 | uint32_t(w[at + 2]) << 16 | uint32_t(w[at + 3]) << 24; };
  EXPECT_EQ(u32(4), w.size() - 8);
  EXPECT_EQ(u32(40), 1600u);
  EXPECT_EQ(w[44], 0);  // faded in: the first sample is silent
  EXPECT_EQ(w[45], 0);
}

TEST(TdataBuilderPieces, RasteriseFillsPixelCentresEvenOddAndKeepsTinyIslands) {
  auto ring = [](double w, double s, double e, double n) {
    return Txyvalues{{w, s}, {e, s}, {e, n}, {w, n}, {w, s}};
  };
  struct Case {
    const char* id;
    TpolyXyValues rings;
    std::set<std::pair<int, int>> want;  // (column, row) at 10 degrees a pixel
  } cases[] = {
      {"two pixel centres", {ring(0, 0, 20, 10)}, {{18, 8}, {19, 8}}},
      {"a hole leaves its pixel", {ring(0, 0, 30, 10), ring(12, 1, 18, 9)}, {{18, 8}, {20, 8}}},
      {"a tiny island takes the pixel it lies in", {ring(12, 3, 12.1, 3.1)}, {{19, 8}}},
      {"across the date line the columns wrap", {ring(170, -10, 190, 0)}, {{35, 9}, {0, 9}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::set<std::pair<int, int>> got;
    kdata::rasterise(c.rings, 36, [&](int col, int row) { got.insert({col, row}); });
    EXPECT_EQ(got, c.want);
  }
}
