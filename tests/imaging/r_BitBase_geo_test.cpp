// r_BitBase georeferencing: tile names, GeoTIFF boxes against gdalinfo, world files written
// and read back (by us and by gdalinfo), projection units, the calibration trailer and the
// order of the chain.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <regex>

#include "imaging/r_BitBase.h"
#include "platform/files.h"
#include "tests/support/testenv.h"

namespace {

bool haveGeoTools() {
  return std::system("test -x /usr/bin/convert && command -v gdalinfo >/dev/null && command -v gdal_translate "
                     ">/dev/null") == 0;
}

using testenv::runCommand;


// A 24-bit BMP of w x h made by ImageMagick.
std::string bmp(const std::string& name, int w, int h) {
  int status = -1;
  const std::string out = testenv::tempDir() + name;
  const std::string said =
      runCommand("/usr/bin/convert -size " + std::to_string(w) + "x" + std::to_string(h) + " xc:gray BMP3:'" + out + "'", &status);
  EXPECT_EQ(status, 0) << said;
  return out;
}

// gdalinfo's corners: upper left x, y and lower right x, y.
std::array<double, 4> gdalCorners(const std::string& file) {
  const std::string info = runCommand("gdalinfo '" + file + "'");
  std::smatch ul, lr;
  const std::regex num(R"(\(\s*(-?[\d.]+),\s*(-?[\d.]+)\))");
  const size_t u = info.find("Upper Left"), l = info.find("Lower Right");
  EXPECT_NE(u, std::string::npos) << info;
  std::string us = info.substr(u), ls = info.substr(l);
  std::regex_search(us, ul, num);
  std::regex_search(ls, lr, num);
  return {std::stod(ul[1]), std::stod(ul[2]), std::stod(lr[1]), std::stod(lr[2])};
}

// A 48-bit real: exponent byte with bias 129, 39-bit fraction from byte 1 up, sign on top.
std::string real48(double v) {
  std::string b(6, '\0');
  if (v == 0) return b;
  int e = 0;
  const double m = std::frexp(std::fabs(v), &e);  // |v| = m 2^e, m in [0.5, 1)
  const uint64_t f = uint64_t(std::llround((m * 2 - 1) * std::ldexp(1.0, 39)));
  b[0] = char(e + 128);
  for (int i = 0; i < 5; ++i) b[size_t(i) + 1] = char(f >> (8 * i));
  if (v < 0) b[5] = char(b[5] | 0x80);
  return b;
}

std::string le16(int v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }

}  // namespace

TEST(r_BitBase_geo, TileNamesGiveTheirGridSquares) {
  struct Case { const char* name; bool tile; double x1, y1, x2, y2; } cases[] = {
      {"su12ne.tif", true, 415000, 125000, 420000, 130000},
      {"su12ne.tiff", true, 415000, 125000, 420000, 130000},
      {"TQ38.jpg", true, 530000, 180000, 540000, 190000},
      {"SUNE.bmp", true, 450000, 150000, 500000, 200000},
      {"sw.bmp", true, 100000, 0, 200000, 100000},
      {"tq3480.bmp", true, 534000, 180000, 535000, 181000},
      {"tq34803.bmp", true, 534500, 180500, 535000, 181000},
      {"tq348023.bmp", true, 534500, 180750, 534750, 181000},
      {"tq3480NE.bmp", true, 534500, 180500, 535000, 181000},
      {"HP40.bmp", true, 440000, 1200000, 450000, 1210000},
      {"12345678.tif", true, 123400, 567800, 124400, 568800},
      {"folder.v2/TQ38.jpg", true, 530000, 180000, 540000, 190000},
      {"OV12.tif", false, 0, 0, 0, 0},
      {"su12nx.tif", false, 0, 0, 0, 0},
      {"1234567.tif", false, 0, 0, 0, 0},
      {"tq3x.tif", false, 0, 0, 0, 0},
      {"scan.tif", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double x1 = -1, y1 = -1, x2 = -1, y2 = -1;
    EXPECT_EQ(OScalibration(c.name, x1, y1, x2, y2), c.tile);
    if (!c.tile) continue;
    EXPECT_EQ(x1, c.x1);
    EXPECT_EQ(y1, c.y1);
    EXPECT_EQ(x2, c.x2);
    EXPECT_EQ(y2, c.y2);
  }
  // With the image, the pixel size follows from its width, and the chain gives its size.
  if (!haveGeoTools()) GTEST_SKIP() << "imagemagick and gdal-bin are needed";
  const std::string tq = bmp("TQ38.bmp", 500, 400);
  double x1, y1, x2, y2, mp = 0;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(doGetCalibration(tq, x1, y1, x2, y2, mp, w, h, true));
  EXPECT_EQ(mp, 20);
  EXPECT_EQ(w, 500);
  EXPECT_EQ(h, 500);  // the square's, not the image's
}

TEST(r_BitBase_geo, GeoTiffBoxesAgreeWithGdal) {
  if (!haveGeoTools()) GTEST_SKIP() << "imagemagick and gdal-bin are needed";
  bmp("src.bmp", 45, 31);
  int status = -1;
  runCommand("cd '" + testenv::tempDir() + "' && gdal_translate -q -a_ullr 415000 130310 415450 130000 -a_srs EPSG:27700 src.bmp geo.tif",
      &status);
  ASSERT_EQ(status, 0);
  // A tie point at pixel (10, 5) rather than the corner, hand-made: a 4 x 3 grey image.
  std::string t("II*\0\x08\0\0\0", 8);
  auto put32 = [&](uint32_t v) { t += le16(int(v & 0xFFFF)) + le16(int(v >> 16)); };
  auto entry = [&](int tag, int type, uint32_t count, uint32_t value) {
    t += le16(tag) + le16(type);
    put32(count);
    put32(value);
  };
  const uint32_t data = 8 + 2 + 9 * 12 + 4;
  t += le16(9);
  entry(256, 3, 1, 4);
  entry(257, 3, 1, 3);
  entry(258, 3, 1, 8);
  entry(262, 3, 1, 1);
  entry(273, 4, 1, data + 72);
  entry(278, 3, 1, 3);
  entry(279, 4, 1, 12);
  entry(33550, 12, 3, data);
  entry(33922, 12, 6, data + 24);
  put32(0);
  for (double v : {2.5, 2.5, 0.0, 10.0, 5.0, 0.0, 1000.0, 2000.0, 0.0}) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &v, 8);  // little-endian like the machine
    t += bytes;
  }
  t += std::string(12, '\x40');
  const std::string tied = testenv::writeFile("tied.tif", t);
  for (const std::string& file : {testenv::tempDir() + "geo.tif", tied}) {
    SCOPED_TRACE(file);
    const auto want = gdalCorners(file);
    double x1, y1, x2, y2, mp;
    int32_t w = 0, h = 0;
    std::string description;
    ASSERT_TRUE(GetGeoTiff(file, x1, y1, x2, y2, mp, w, h, description));
    EXPECT_NEAR(x1, want[0], 1e-6);
    EXPECT_NEAR(y2, want[1], 1e-6);
    EXPECT_NEAR(x2, want[2], 1e-6);
    EXPECT_NEAR(y1, want[3], 1e-6);
    // The header reader's globals say the same.
    int32_t d = 0;
    GetTifSize(file, w, h, d);
    EXPECT_NEAR(geoX1, want[0], 1e-6);
    EXPECT_NEAR(geoY1, want[3], 1e-6);
    EXPECT_TRUE(getCalibration(file, x1, y1, x2, y2, mp));
    EXPECT_NEAR(x2, want[2], 1e-6);
  }
}

// The corner we write is the image's outer corner: gdalinfo, which takes the world file's corner
// for the first pixel's centre, puts its origin half a pixel further out.
TEST(r_BitBase_geo, WorldFilesAreReadBackByUsAndByGdal) {
  if (!haveGeoTools()) GTEST_SKIP() << "imagemagick and gdal-bin are needed";
  const std::string img = bmp("w.bmp", 45, 31);
  ASSERT_TRUE(MakeWorldFile(img, 45, 31, 1000, 4938, 2));
  EXPECT_EQ(testenv::readFile(testenv::tempDir() + "w.bpw"),
            "          2.00000000\r\n          0.00000000\r\n          0.00000000\r\n         -2.00000000\r\n"
            "       1000.00000000\r\n       5000.00000000\r\n");
  const auto g = gdalCorners(img);
  EXPECT_NEAR(g[0], 1000 - 1, 1e-9);
  EXPECT_NEAR(g[1], 5000 + 1, 1e-9);
  double x1, y1, x2, y2, mp;
  ASSERT_TRUE(getCalibration(img, x1, y1, x2, y2, mp));
  EXPECT_EQ(x1, 1000);
  EXPECT_EQ(y2, 5000);
  EXPECT_EQ(x2, 1090);
  EXPECT_EQ(y1, 4938);
  EXPECT_EQ(mp, 2);
  // A four-letter extension: the world file is named at the last full stop, both ways.
  runCommand("/usr/bin/convert '" + img + "' '" + testenv::tempDir() + "w4.tiff'");
  ASSERT_TRUE(MakeWorldFile(testenv::tempDir() + "w4.tiff", 45, 31, 10, 20, 0.5));
  EXPECT_TRUE(platform::isFile(testenv::tempDir() + "w4.tfw"));
  ASSERT_TRUE(getCalibration(testenv::tempDir() + "w4.tiff", x1, y1, x2, y2, mp));
  EXPECT_EQ(y2, 35.5);
  // A type without a world file writes nothing.
  EXPECT_FALSE(MakeWorldFile(testenv::tempDir() + "w.png", 45, 31, 10, 20, 0.5));
}

TEST(r_BitBase_geo, WorldFileContentsAndProjectionUnits) {
  struct Case { const char* id; std::string text; std::string prj; bool ok; double mp, x1, y2; } cases[] = {
      {"plain", "2\n0\n0\n-2\n100.5\n200.25\n", "", true, 2, 100.5, 200.25},
      {"blanks and CR LF", "  2.5 \r\n0\r\n0\r\n-2.5\r\n 1e3\r\n+7\r\n", "", true, 2.5, 1000, 7},
      {"pixel size zero", "0\n0\n0\n0\n1\n2\n", "", true, 1, 1, 2},
      {"pixel size negative", "-3\n0\n0\n3\n1\n2\n", "", true, 1, 1, 2},
      {"five lines", "2\n0\n0\n-2\n100\n", "", false, 0, 0, 0},
      {"a word", "2\n0\n0\n-2\nabc\n200\n", "", false, 0, 0, 0},
      {"a comma", "2,5\n0\n0\n-2\n1\n2\n", "", false, 0, 0, 0},
      {"empty", "", "", false, 0, 0, 0},
      {"US feet, ESRI", "2\n0\n0\n-2\n10\n20\n", "PROJCS[\"x\",UNIT[\"Foot_US\",0.3048006096012192]]", true,
       2 * 0.304800609, 10 * 0.304800609, 20 * 0.304800609},
      {"US feet, older", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"Feet_US\",0.30]", true, 2 * 0.304800609,
       10 * 0.304800609, 20 * 0.304800609},
      {"US feet, GDAL", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"US survey foot\",0.3048006]", true, 2 * 0.304800609,
       10 * 0.304800609, 20 * 0.304800609},
      {"feet", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"Foot\",0.3048]", true, 2 * 0.3048, 10 * 0.3048, 20 * 0.3048},
      {"feet, older", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"Feet\",0.3048]", true, 2 * 0.3048, 10 * 0.3048, 20 * 0.3048},
      {"feet, GDAL", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"foot\",0.3048]", true, 2 * 0.3048, 10 * 0.3048, 20 * 0.3048},
      {"metres", "2\n0\n0\n-2\n10\n20\n", "UNIT[\"Meter\",1]", true, 2, 10, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    platform::removeFile(testenv::tempDir() + "c.prj");
    const std::string world = testenv::writeFile("c.tfw", c.text);
    if (!c.prj.empty()) testenv::writeFile("c.prj", c.prj);
    double x1 = 0, y2 = 0, mp = 0;
    ASSERT_EQ(getWorldFile(world, x1, y2, mp), c.ok);
    if (!c.ok) continue;
    EXPECT_DOUBLE_EQ(mp, c.mp);
    EXPECT_DOUBLE_EQ(x1, c.x1);
    EXPECT_DOUBLE_EQ(y2, c.y2);
  }
  double x1, y2, mp;
  EXPECT_FALSE(getWorldFile(testenv::tempDir() + "missing.tfw", x1, y2, mp));
}

TEST(r_BitBase_geo, CalibrationTrailers) {
  if (!haveGeoTools()) GTEST_SKIP() << "imagemagick and gdal-bin are needed";
  const std::string image = testenv::readFile(bmp("t.bmp", 100, 1000));
  // 1:10 000 scanned at 254 dpi: one metre a pixel.
  const std::string code3 = real48(500000) + real48(100000) + real48(10000) + le16(254) + "\x03\xED";
  const std::string code4 = real48(500000) + real48(101000) + real48(10000) + le16(254) + le16(1000) + "\x04\xED";
  const std::string extension = real48(0) + real48(0) + real48(0) + real48(0) + "\x04\xED";
  struct Case { const char* id; std::string tail; bool ok; double x1, y2, mp; } cases[] = {
      {"code 3: the top from the height", code3, true, 500000, 101000, 1},
      {"code 4", code4, true, 500000, 101000, 1},
      {"code 4 after an extension record", extension + code4, true, 500000, 101000, 1},
      {"code 4 at 508 dpi from 1:25 000", real48(7) + real48(9) + real48(25000) + le16(508) + le16(1) + "\x04\xED", true, 7, 9, 1.25},
      {"resolution 0", real48(1) + real48(2) + real48(10000) + le16(0) + le16(1) + "\x04\xED", false, 0, 0, 0},
      {"scale 0", real48(1) + real48(2) + real48(0) + le16(254) + le16(1) + "\x04\xED", false, 0, 0, 0},
      {"negative scale", real48(1) + real48(2) + real48(-5) + le16(254) + le16(1) + "\x04\xED", false, 0, 0, 0},
      {"another code", code4.substr(0, 22) + "\x05\xED", false, 0, 0, 0},
      {"no signature", code4.substr(0, 23) + "\xEE", false, 0, 0, 0},
      {"none", "", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string file = testenv::writeFile("trailer.bmp", image + c.tail);
    double x1 = -1, y2 = -1, mp = -1;
    ASSERT_EQ(getQycalibration(file, x1, y2, mp), c.ok);
    if (!c.ok) continue;
    EXPECT_DOUBLE_EQ(x1, c.x1);
    EXPECT_DOUBLE_EQ(y2, c.y2);
    EXPECT_DOUBLE_EQ(mp, c.mp);
    double a, b, cc, d, m;
    EXPECT_TRUE(getCalibration(file, a, b, cc, d, m));
    EXPECT_DOUBLE_EQ(b, c.y2 - 1000 * c.mp);
  }
  // A file shorter than a trailer.
  double x1, y2, mp;
  EXPECT_FALSE(getQycalibration(testenv::writeFile("short.bmp", "\x03\xED"), x1, y2, mp));
}

// World file before tile name before GeoTIFF tags; without any, pixel space.
TEST(r_BitBase_geo, TheChainTriesEachSourceInTurn) {
  if (!haveGeoTools()) GTEST_SKIP() << "imagemagick and gdal-bin are needed";
  bmp("src.bmp", 50, 40);
  runCommand("cd '" + testenv::tempDir() + "' && gdal_translate -q -a_ullr 0 400 500 0 src.bmp su12ne.tif && cp su12ne.tif OV12.tif");
  double x1, y1, x2, y2, mp;
  ASSERT_TRUE(getCalibration(testenv::tempDir() + "su12ne.tif", x1, y1, x2, y2, mp));
  EXPECT_EQ(x1, 415000);  // the tile name wins over the tags
  EXPECT_EQ(mp, 100);
  ASSERT_TRUE(getCalibration(testenv::tempDir() + "OV12.tif", x1, y1, x2, y2, mp));
  EXPECT_EQ(x1, 0);  // not a tile name: the tags
  EXPECT_EQ(y2, 400);
  EXPECT_EQ(mp, 10);
  testenv::writeFile("su12ne.tfw", "5\n0\n0\n-5\n-100\n300\n");
  ASSERT_TRUE(getCalibration(testenv::tempDir() + "su12ne.tif", x1, y1, x2, y2, mp));
  EXPECT_EQ(x1, -100);  // the world file wins over both
  EXPECT_EQ(x2, 150);
  EXPECT_EQ(y1, 100);
  int32_t w = 0, h = 0;
  EXPECT_FALSE(doGetCalibration(testenv::tempDir() + "src.bmp", x1, y1, x2, y2, mp, w, h, true));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(y1, 0);
  EXPECT_EQ(x2, 50);
  EXPECT_EQ(y2, 40);
  EXPECT_EQ(mp, 1);
  EXPECT_EQ(w, 50);
}
