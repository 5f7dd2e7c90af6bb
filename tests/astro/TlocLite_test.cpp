// TlocLite: settings read at creation, which sections are drawn, anchors and the hit test, the
// label box's place and tint, translation with its English fallback, and the centre longitude
// written without touching the locations model's keys.
#include <gtest/gtest.h>

#include <algorithm>

#include "astro/r_SunLoc.h"
#include "astro/r_sunLite.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/datetime.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace {
struct LabelsFixture : ::testing::Test {
  void SetUp() override {
    createOs();
    createDateman();
  }
  void TearDown() override {
    locationsFile.clear();
    freeOs();
  }
  static std::string file(const std::string& name, const std::string& text) {
    return testenv::writeFile("labels/" + name, text);
  }
};

platform::TDateTime at(int y, int m, int d, int hh, int mm) {
  platform::TDateTime dt = 0, t = 0;
  platform::tryEncodeDate(y, m, d, dt);
  platform::tryEncodeTime(hh, mm, 0, 0, t);
  return dt + t;
}

Tbgr pixel(TrawBitmap24& b, int x, int y) {
  Tbgr c;
  b.getPixel(x, y, c);
  return c;
}

// The label box the drawer makes for a three-line (or one-line) label, from the same measures.
platform::TSize boxOf(TlocLite& l, const std::string& name, const std::string& time, const std::string& day,
                      bool single) {
  TrawBitmap24 scratch;
  scratch.setsize(4, 4);
  const TmapFont font{"Calibri", static_cast<double>(l.px(3.5)), 0xFFFFFF};
  TmapText& t = mapText();
  const int T = single ? t.textExtent(scratch.dc(), font, name + "  " + time).cx
                       : std::max({t.textExtent(scratch.dc(), font, name).cx, t.textExtent(scratch.dc(), font, time).cx,
                                   t.textExtent(scratch.dc(), font, day).cx});
  const int E = l.px(1), L = l.px(4);
  return {2 * E + T, single ? 2 * E + L : 2 * E + 3 * L};
}
}  // namespace

TEST_F(LabelsFixture, SettingsReadAtCreation) {
  struct Case {
    const char* id;
    const char* settings;
    double magnify, centre;
    const char* language;
  } cases[] = {
      {"defaults", "", 1.0, 0, "English"},
      {"70 means 100 %", "label magnify=70\r\n", 1.0, 0, "English"},
      {"71 is 71 %", "label magnify=71\r\n", 0.71, 0, "English"},
      {"centre with a comma", "centre long=12,5\r\nlanguage=French\r\n", 1.0, 12.5, "French"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TlocLite l(file("settings.ini", std::string("[settings]\r\nx=1\r\n") + c.settings + "\r\n"));
    EXPECT_DOUBLE_EQ(l.labelmagnify, c.magnify);
    EXPECT_DOUBLE_EQ(l.centreLong(), c.centre);
    EXPECT_EQ(l.language, c.language);
  }
  locationsFile = file("override.ini", "[settings]\r\nlabel magnify=150\r\n\r\n");
  TlocLite other(file("ignored.ini", ""));
  EXPECT_EQ(other.filename(), locationsFile);
  EXPECT_DOUBLE_EQ(other.labelmagnify, 1.5);
  EXPECT_EQ(other.px(1), 6);  // rnd(1 × 3.78 × 1.5)
}

TEST_F(LabelsFixture, OnlyLocationSectionsAreDrawnAndHitTested) {
  TlocLite l(file("sections.ini",
                  "[settings]\r\n12 hour clock=no\r\n\r\n"
                  "[locations]\r\nname=Zero\r\nlat=0\r\nlong=0\r\n\r\n"
                  "[Location 1]\r\nname=Capital\r\nlat=10\r\nlong=10\r\n\r\n"
                  "[location 2]\r\nname=West\r\nlat=45\r\nlong=-90\r\n\r\n"));
  TrawBitmap24 map;
  map.setsize(400, 200);
  l.topbm = &map;
  l.draw(400, at(2025, 1, 14, 9, 0));
  ASSERT_EQ(l.pt.size(), 2u);
  EXPECT_EQ(l.pt[0], (platform::TPoint{200, 100}));
  EXPECT_EQ(l.pt[1], (platform::TPoint{100, 50}));
  struct Case {
    int x, y, hit;
  } cases[] = {{200, 100, 0}, {203, 102, 0}, {198, 98, 0}, {197, 100, -1}, {204, 100, -1}, {101, 49, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(l.hit(c.x, c.y), c.hit);
  }
  l.width = 1920;
  l.pt = {{1915, 10}};
  EXPECT_EQ(l.hit(-5, 10), 0);  // wraps once round the map
  l.centreOffset = 15;
  EXPECT_EQ(l.hit(10, 10), 0);  // the painted roll is undone first

  TlocLite hidden(file("hidden.ini", "[settings]\r\nshow locations=no\r\n\r\n[location 1]\r\nlat=0\r\n\r\n"));
  hidden.topbm = &map;
  hidden.draw(400, at(2025, 1, 14, 9, 0));
  EXPECT_TRUE(hidden.pt.empty());
  EXPECT_EQ(hidden.hit(200, 100), -1);
}

TEST_F(LabelsFixture, LabelBoxStandsBesideItsPointerTintedByTheTimeOfDay) {
  struct Case {
    const char* id;
    const char* justify;
    int hour;
    bool single;
    Tbgr tint;
  } cases[] = {
      {"left top, morning: darkened", "", 9, false, Tbgr{60, 60, 60}},
      {"left top, noon is afternoon: dark red", "", 12, false, Tbgr{60, 60, 98}},
      {"right bottom, one line", "hjustify=right\r\nvjustify=bottom\r\nsingle line=1\r\n", 15, true, Tbgr{60, 60, 98}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TlocLite l(file("box.ini", std::string("[location 1]\r\nname=Here\r\nwindows name=GMT Standard Time\r\n"
                                           "lat=0\r\nlong=0\r\n") + c.justify + "\r\n"));
    TrawBitmap24 map;
    map.setsize(400, 200);
    map.fillAll(Tbgr{100, 100, 100});
    l.topbm = &map;
    l.draw(400, at(2025, 1, 14, c.hour, 0));  // a Tuesday in winter: local time is GMT
    const int x = 200, y = 100, Q = l.px(1);
    const std::string time = std::to_string(c.hour) + ":00";
    const platform::TSize b = boxOf(l, "Here", c.hour < 10 ? "0" + time : time, "Tuesday 14", c.single);
    const bool right = c.single;
    const int bx = right ? x - b.cx - Q : x + Q, by = right ? y - b.cy - Q : y + Q;
    EXPECT_EQ(pixel(map, bx, by + b.cy - 1), c.tint);              // the box's margin
    EXPECT_EQ(pixel(map, bx + b.cx - 1, by + b.cy - 1), c.tint);
    EXPECT_EQ(pixel(map, bx, by + b.cy), (Tbgr{100, 100, 100}));  // just below it
    EXPECT_EQ(pixel(map, bx + b.cx, by), (Tbgr{100, 100, 100}));  // just right of it
    int text = 0;
    for (int r = by; r < by + b.cy; ++r)
      for (int col = bx; col < bx + b.cx; ++col) text += pixel(map, col, r).blue > 150;
    EXPECT_GT(text, 10);  // white text written over the tint
    const int d = right ? -1 : 1;
    EXPECT_EQ(pixel(map, x + d, y + d), (Tbgr{0, 255, 255}));  // the yellow pointer at the anchor
  }
}

TEST_F(LabelsFixture, TranslationFallsBackToTheEnglishWord) {
  TlocLite l(file("words.ini", ""));
  EXPECT_EQ(l.translate("Monday"), "Monday");  // English: no database needed
  const std::string dbName = testenv::tempDir() + "labels/words.db";
  auto db = TliteDB::createForWriting();
  ASSERT_TRUE(db->setfile(dbName));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE words (language TEXT, english TEXT, word TEXT)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO words VALUES ('French', 'Monday', 'Lundi')"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO words VALUES ('English', 'Monday', 'Moonday')"));
  l.wordsDb = db.get();
  EXPECT_EQ(l.translate("Monday"), "Monday");
  l.language = "French";
  EXPECT_EQ(l.translate("Monday"), "Lundi");
  EXPECT_EQ(l.translate("Tuesday"), "Tuesday");
  EXPECT_EQ(l.translate("it's noon' OR '1'='1"), "it's noon' OR '1'='1");  // a value, never SQL
  l.wordsDb = nullptr;
  EXPECT_EQ(l.translate("Monday"), "Monday");
}

TEST_F(LabelsFixture, CentreLongitudeIsWrittenAloneOverTheModelsFile) {
  const std::string name = file("shared.ini", "[settings]\r\ncentre long=0.00\r\nhome=A\r\n\r\n"
                                              "[location 1]\r\nname=A\r\nlat=1\r\nlong=2\r\n\r\n");
  {
    TlocLite labels(name);
    int fired = 0;
    labels.onChangeCentre = [&](TlocLite*) { ++fired; };
    {
      Tlocations model(1920);
      model.loadfromfile(name);
      model.homeplace = "B";
      model.getLoc(model.add()).name = "B";
      ASSERT_TRUE(model.saveToFile(name));
    }
    labels.setCentre(45.5);
    EXPECT_EQ(fired, 1);
    labels.reload();
    const std::string text = testenv::readFile(name);
    EXPECT_NE(text.find("centre long=45.50"), std::string::npos);
    EXPECT_NE(text.find("home=B"), std::string::npos);
    EXPECT_NE(text.find("name=B"), std::string::npos);
    labels.setCentre(-10);
  }
  const std::string text = testenv::readFile(name);
  EXPECT_NE(text.find("centre long=-10.00"), std::string::npos);
  EXPECT_NE(text.find("home=B"), std::string::npos);
}
