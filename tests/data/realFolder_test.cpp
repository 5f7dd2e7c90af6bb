// Checks of a built data folder (skipped when none is built): build/bin/ of the source tree,
// or the folder named by KESTROVA_DATA_DIR. Places are looked up as the renderer does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "astro/r_sunLite.h"
#include "core/r_bitmapRaw.h"
#include "platform/numbers.h"
#include "tests/support/testenv.h"

namespace {
std::string dataDir() {
  const char* env = std::getenv("KESTROVA_DATA_DIR");
  std::string dir = env && *env ? env : testenv::sourceDir() + "build/bin/";
  if (dir.back() != '/') dir += '/';
  return dir;
}

struct Folder : testing::Test {
  TbitmapBin bin;
  void SetUp() override {
    const std::string dir = dataDir();
    if (!std::filesystem::exists(dir + "ATTRIBUTION.txt") || !std::filesystem::exists(dir + "1920.bin"))
      GTEST_SKIP() << "no data folder built in " << dir;
    ASSERT_TRUE(bin.open(dir + "1920.bin"));
    ASSERT_EQ(bin.width(), 1920);
    ASSERT_EQ(bin.height(), 960);
    ASSERT_EQ(bin.count(), 15);
  }
  // Index pixel at a place: row = red + 256 green + 65536 blue; -1 for blue 255.
  int indexAt(int frame, double lat, double lon) {
    const int x = int(platform::Round((lon + 180) / 360 * 1920));
    const int y = int(platform::Round((90 - lat) / 360 * 1920));
    uint8_t r = 0, g = 0, b = 0;
    bin.getcolour24(frame, x, 959 - y, r, g, b);  // stored rows run bottom-up
    return b == 255 ? -1 : r + 256 * g + 65536 * b;
  }
  double lightAt(int frame, double lat, double lon) {
    double sum = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const int x = int((lon + 180) / 360 * 1920) + dx, y = int((90 - lat) / 360 * 1920) + dy;
        uint8_t r = 0, g = 0, b = 0;
        bin.getcolour24(frame, x, 959 - y, r, g, b);
        sum += r + g + b;
      }
    return sum / 49 / 3;
  }
};
}  // namespace

TEST_F(Folder, PlacesLieInTheirCountriesAndZones) {
  struct Case {
    const char* id;
    double lat, lon;
    const char* country;
    const char* zone;
  } cases[] = {
      {"London", 51.5, -0.12, "United Kingdom", "GBR=GMT Standard Time"},
      {"Paris", 48.86, 2.35, "France", "FRA=Romance Standard Time"},
      {"New York", 40.71, -74.0, "USA", "USA=Eastern Standard Time"},
      {"Sydney", -33.87, 151.0, "Australia", "AUS1=AUS Eastern Standard Time"},
      {"Chicago", 41.88, -87.8, "USA", "USA3=Central Standard Time"},
      {"Moscow", 55.75, 37.62, "Russia", nullptr},
      {"Tokyo", 35.68, 139.7, "Japan", "JPN=Tokyo Standard Time"},
      {"Anchorage", 61.2, -149.9, "Alaska", "USA7=Alaskan Standard Time"},
      {"Honolulu", 21.35, -157.9, "Hawaii", "USA8=Hawaiian Standard Time"},
      {"Tenerife", 28.3, -16.6, "Canary Islands", "xCNI=GMT Standard Time"},
      {"Sao Miguel, Azores", 37.8, -25.5, "Azores", "xAZS=Azores Standard Time"},
      {"Corsica", 42.1, 9.1, "Corsica", "FRA=Romance Standard Time"},
      {"Sardinia", 40.1, 9.0, "Sardinia", "ITA=W. Europe Standard Time"},
      {"Crete", 35.2, 24.9, "Crete", nullptr},
      {"Shetland", 60.3, -1.3, "Shetland Isles", "GBR=GMT Standard Time"},
      {"Edmonton", 53.55, -113.5, "Canada", nullptr},
      {"Sao Paulo", -23.55, -46.6, "Brazil", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const int country = indexAt(13, c.lat, c.lon);
    ASSERT_GE(country, 0);
    ASSERT_LT(country, int(countriesConst.size()));
    EXPECT_EQ(countriesConst[size_t(country)], c.country);
    const int zone = indexAt(14, c.lat, c.lon);
    ASSERT_GE(zone, 0);
    ASSERT_LT(zone, int(tzConst.size()));
    if (c.zone) {
      EXPECT_EQ(tzConst[size_t(zone)], c.zone);
    }
  }
  EXPECT_EQ(indexAt(14, 51.5, -0.12), 88);
  EXPECT_EQ(indexAt(14, 0, -160), -1) << "mid-Pacific is sea";
  EXPECT_EQ(indexAt(14, -30, -20), -1) << "the South Atlantic is sea";
}

TEST_F(Folder, JanuaryAndJulyDifferWhereSnowComesAndGoes) {
  // Snow lies on the Canadian and Russian plains in January, not in July.
  for (auto [lat, lon] : {std::pair{55.0, -100.0}, std::pair{57.0, 60.0}}) {
    SCOPED_TRACE(lon);
    EXPECT_GT(lightAt(0, lat, lon), lightAt(6, lat, lon) + 40);
  }
  // The Sahara barely changes.
  EXPECT_NEAR(lightAt(0, 23, 10), lightAt(6, 23, 10), 25);
}

TEST_F(Folder, BitmapsAreTwentyFourBitFiles) {
  for (const char* name : {"preview.bmp", "moon.bmp", "world 600.bmp"}) {
    SCOPED_TRACE(name);
    TrawBitmap24 rb;
    EXPECT_TRUE(rb.loadfromFile(dataDir() + name)) << rb.loadError();
  }
}

// The sky database as the sqlite3 shell reads it: the 88 constellations of the Western sky culture,
// each named once and bounded once, names in title case.
TEST_F(Folder, SkyHoldsTheEightyEightWesternConstellationsOnce) {
  if (std::system("command -v sqlite3 >/dev/null") != 0) GTEST_SKIP() << "sqlite3 missing";
  const std::string db = dataDir() + "sky.db";
  auto ask = [&](const std::string& sql) {
    int status = 0;
    std::string said = testenv::runCommand("sqlite3 '" + db + "' \"" + sql + "\"", &status);
    EXPECT_EQ(status, 0) << sql;
    while (!said.empty() && said.back() == '\n') said.pop_back();
    return said;
  };
  EXPECT_EQ(ask("SELECT count(*), count(DISTINCT name) FROM constellations WHERE name <> ''"), "88|88");
  EXPECT_EQ(ask("SELECT count(*) FROM \\`constellation boundaries\\`"), "88");
  EXPECT_EQ(ask("SELECT count(*) FROM constellations WHERE name IN ('Ursa Major', 'Canes Venatici', 'Serpens', "
                "'Coma Berenices', 'Piscis Austrinus', 'Andromeda')"),
            "6");
  EXPECT_EQ(ask("SELECT count(*) FROM constellations WHERE name GLOB '*[A-Z][A-Z]*' OR name GLOB '*''[A-Z]*'"), "0");
}
