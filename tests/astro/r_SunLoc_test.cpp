// Locations model: the locations file read and written, its reading rules and mended faults
// (decimal commas, out-of-range places, London's zone), home, local times and the fixed time.
#include "astro/r_SunLoc.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/timezones.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace {
struct LocationsFixture : ::testing::Test {
  void SetUp() override {
    createOs();
    createDateman();
  }
  void TearDown() override { freeOs(); }
  static std::string file(const std::string& rel, const std::string& text) { return testenv::writeFile(rel, text); }
};

TdateMan& dm() { return *dateman; }
}  // namespace

TEST_F(LocationsFixture, FileRoundTripKeepsNamesSettingsAndPlaces) {
  const std::string name = testenv::tempDir() + "loc/roundtrip.ini";
  testenv::writeFile("loc/.keep", "");
  {
    Tlocations l(1920);
    l.useAmPm = true;
    l.showLocations = false;
    l.centreLong = 12.345;
    l.labelMagnify = 1.5;
    l.homeplace = "Zürich";
    l.monitor = "Monitor 2";
    const char* names[] = {"Zürich", "São Paulo", "東京"};
    const char* zones[] = {"W. Europe Standard Time", "E. South America Standard Time", "Tokyo Standard Time"};
    const double lats[] = {47.37, -23.55, 35.6895};
    const double longs[] = {8.54, -46.633333, 139.69171};
    for (int i = 0; i < 3; ++i) {
      Tloc& loc = l.getLoc(l.add());
      loc.name = names[i];
      loc.tzIndex = dm().ftimezones.indexOf(zones[i]);
      loc.tzi = dm().getTzi(zones[i]);
      loc.lat = lats[i];
      loc.long_ = longs[i];
    }
    l.getLoc(1).hjustify = kJustifyRight;
    l.getLoc(1).vjustify = kJustifyBottom;
    l.getLoc(2).hjustify = kJustifyCentre;
    l.getLoc(2).vjustify = kJustifyCentre;
    l.getLoc(2).singleLine = true;
    ASSERT_TRUE(l.saveToFile(name));
  }
  const std::string text = testenv::readFile(name);
  EXPECT_NE(text.find("[settings]\r\n"), std::string::npos);
  EXPECT_NE(text.find("centre long=12.35\r\n"), std::string::npos);  // two decimals, halves to even
  EXPECT_NE(text.find("label magnify=150\r\n"), std::string::npos);
  EXPECT_NE(text.find("[location 2]\r\nname=São Paulo\r\n"), std::string::npos);
  EXPECT_NE(text.find("lat=-23.55000000\r\n"), std::string::npos);
  EXPECT_EQ(text.find("single line=1"), text.rfind("single line=1"));  // only the one that is set

  Tlocations back(1920);
  back.loadfromfile(name);
  EXPECT_TRUE(back.useAmPm);
  EXPECT_FALSE(back.showLocations);
  EXPECT_DOUBLE_EQ(back.centreLong, 12.35);
  EXPECT_DOUBLE_EQ(back.labelMagnify, 1.5);
  EXPECT_EQ(back.homeplace, "Zürich");
  EXPECT_EQ(back.monitor, "Monitor 2");
  ASSERT_EQ(back.count(), 3);
  EXPECT_EQ(back.getLoc(2).name, "東京");
  EXPECT_EQ(dm().ftimezones[back.getLoc(1).tzIndex], "E. South America Standard Time");
  EXPECT_DOUBLE_EQ(back.getLoc(1).long_, -46.633333);
  EXPECT_EQ(back.getLoc(1).hjustify, kJustifyRight);
  EXPECT_EQ(back.getLoc(1).vjustify, kJustifyBottom);
  EXPECT_EQ(back.getLoc(2).hjustify, kJustifyCentre);
  EXPECT_TRUE(back.getLoc(2).singleLine);
  EXPECT_FALSE(back.getLoc(0).singleLine);
  // Anchor: column rnd((8.54 + 180) / 360 × 1920), row rnd((90 − 47.37) / 360 × 1920).
  EXPECT_EQ(back.getLoc(0).xi, 1006);
  EXPECT_EQ(back.getLoc(0).yi, 227);
  EXPECT_EQ(back.getHome(), 0);
}

TEST_F(LocationsFixture, ReadingRulesForSectionsKeysAndNumbers) {
  const std::string name = file("loc/rules.ini",
                                "[Settings]\r\nlabel magnify=80\r\n\r\n"
                                "[Paris]\r\nwindows name=Romance Standard Time\r\nlat=48,85\r\nlong=2,35\r\n"
                                "HJUSTIFY=Centre\r\nvjustify=bottom\r\n\r\n"
                                "[too far north]\r\nlat=95\r\nlong=0\r\n\r\n"
                                "[too far east]\r\nlat=0\r\nlong=180.5\r\n\r\n"
                                "[location 4]\r\nname=  Edge  \r\nlat=-90\r\nlong=-180\r\nwindows name=Nowhere Time\r\n"
                                "single line=2\r\n\r\n"
                                "[garbage]\r\nlat=abc\r\n\r\n");
  Tlocations l(1920);
  l.loadfromfile(name);
  EXPECT_DOUBLE_EQ(l.labelMagnify, 0.8);
  ASSERT_EQ(l.count(), 3);  // the two out-of-range places are skipped
  const Tloc& paris = l.getLoc(0);
  EXPECT_EQ(paris.name, "Paris");  // no name: the section's
  EXPECT_DOUBLE_EQ(paris.lat, 48.85);
  EXPECT_DOUBLE_EQ(paris.long_, 2.35);
  EXPECT_EQ(paris.hjustify, kJustifyLeft);  // "Centre" with a capital is not "centre"
  EXPECT_EQ(paris.vjustify, kJustifyBottom);
  const Tloc& edge = l.getLoc(1);
  EXPECT_EQ(edge.name, "Edge");
  EXPECT_EQ(edge.tzIndex, -1);
  EXPECT_EQ(edge.tzi.Bias, dm().getTzi("GMT Standard Time").Bias);
  EXPECT_FALSE(edge.singleLine);
  EXPECT_EQ(l.getLoc(2).lat, 0);  // no number: 0
}

TEST_F(LocationsFixture, AFileWithoutSettingsKeepsThePreviousOnes) {
  const std::string with = file("loc/with.ini", "[settings]\r\n12 hour clock=yes\r\nlanguage=English\r\n\r\n");
  const std::string without = file("loc/without.ini", "[a]\r\nlat=1\r\n\r\n[b]\r\nlat=2\r\n\r\n");
  Tlocations l(1920);
  l.loadfromfile(with);
  EXPECT_TRUE(l.useAmPm);
  l.loadfromfile(without);
  EXPECT_TRUE(l.useAmPm);
  EXPECT_EQ(l.count(), 2);
  Tlocations none(1920);
  none.loadfromfile(testenv::tempDir() + "loc/missing.ini");
  EXPECT_EQ(none.count(), 0);
}

TEST_F(LocationsFixture, EmptyListGetsLondonWithBritishSummerTime) {
  Tlocations l(1920);
  EXPECT_EQ(l.getHome(), 0);
  ASSERT_EQ(l.count(), 1);
  const Tloc& london = l.getLoc(-1);
  EXPECT_EQ(london.name, "London");
  EXPECT_EQ(dm().ftimezones[london.tzIndex], "GMT Standard Time");
  EXPECT_TRUE(platform::hasDaylightRule(london.tzi));
  EXPECT_DOUBLE_EQ(l.homeLat, 51.5);
  EXPECT_DOUBLE_EQ(l.homeLong, -0.116667);

  const double july = 45853.5;  // 2025-07-15 12:00 GMT
  l.setTime(july);
  EXPECT_NEAR(l.getLoc(0).dt - july, 1.0 / 24, 1e-9);
  EXPECT_TRUE(l.getLoc(0).isDaylight);
  EXPECT_NEAR(l.homeTZdiffDt, 1.0 / 24, 1e-9);
  const int utc = l.add();  // "New location" in UTC: no daylight time ever
  l.setTime(july);
  EXPECT_FALSE(l.getLoc(utc).isDaylight);
  EXPECT_NEAR(l.getLoc(utc).dt, july, 1e-9);
}

TEST_F(LocationsFixture, FixedTimeFreezesLocalTimesUntilReleased) {
  Tlocations l(1920);
  l.getHome();
  const double winter = 45672.25;  // 2025-01-15 06:00 GMT
  l.setFix(winter);
  EXPECT_NEAR(l.getLoc(0).dt, winter, 1e-9);
  l.setTime(winter + 100);
  EXPECT_NEAR(l.getLoc(0).dt, winter, 1e-9);
  platform::setClockForTesting(45853.5);
  l.setFix(0);
  platform::setClockForTesting(0);
  EXPECT_NEAR(l.getLoc(0).dt, 45853.5 + 1.0 / 24, 1e-6);
  l.setTime(winter);
  EXPECT_NEAR(l.getLoc(0).dt, winter, 1e-9);
}

TEST_F(LocationsFixture, DataFolderFileIsCopiedOnceAndChangesGoToTheCopy) {
  const std::string base = testenv::tempDir() + "loc-base/";
  const std::string config = testenv::tempDir() + "loc-config/";
  file("loc-base/locations.ini", "[settings]\r\nhome=Oslo\r\n\r\n[location 1]\r\nname=Oslo\r\nlat=59.9\r\nlong=10.75\r\n\r\n");
  os->setBaseDir(base);
  os->setconfig(config);
  {
    Tlocations l(1920);
    l.loadfromfile(base + "locations.ini");
    EXPECT_EQ(l.filename(), config + "locations.ini");
    ASSERT_EQ(l.count(), 1);
    l.getLoc(0).name = "Bergen";
    l.changed = true;
  }
  EXPECT_NE(testenv::readFile(config + "locations.ini").find("name=Bergen"), std::string::npos);
  EXPECT_NE(testenv::readFile(base + "locations.ini").find("name=Oslo"), std::string::npos);
  Tlocations again(1920);
  again.loadfromfile(base + "locations.ini");  // the copy exists: it is read, not replaced
  EXPECT_EQ(again.getLoc(0).name, "Bergen");
}

TEST_F(LocationsFixture, DataRootReadsHomeAndLanguageFromItsDatabases) {
  const std::string dir = testenv::tempDir() + "root/";
  testenv::writeFile("root/.keep", "");
  {
    auto sky = TliteDB::createForWriting();
    ASSERT_TRUE(sky->setfile(dir + "sky.db"));
    ASSERT_TRUE(sky->ExecSQL("CREATE TABLE ini (key TEXT, value TEXT)"));
    ASSERT_TRUE(sky->ExecSQL("INSERT INTO ini VALUES ('home', 'Paris')"));
    auto words = TliteDB::createForWriting();
    ASSERT_TRUE(words->setfile(dir + "words.db"));
    ASSERT_TRUE(words->ExecSQL("CREATE TABLE languages (name TEXT, latin TEXT)"));
    ASSERT_TRUE(words->ExecSQL("INSERT INTO languages VALUES ('French', 'yes'), ('Greek', 'no')"));
  }
  locationsDir = testenv::tempDir() + "root-none/";  // no locations file there
  {
    TsunBase base(dir + "sky.db", 1920);
    EXPECT_EQ(base.dataDir(), dir);
    EXPECT_EQ(base.width(), 1920);
    Tlocations& l = base.locations();
    EXPECT_EQ(l.homeplace, "Paris");
    EXPECT_EQ(l.filename(), locationsDir + "locations.ini");
    l.setlingua("French");
    EXPECT_TRUE(l.isLatin());
    l.setlingua("Greek");
    EXPECT_FALSE(l.isLatin());
    EXPECT_EQ(l.getHome(), 0);  // no locations: London
    EXPECT_EQ(l.homeplace, "London");
  }
  locationsDir.clear();
}
