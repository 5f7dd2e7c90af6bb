// TsunLite on a small synthetic map container at pinned instants: day, night and twilight on
// the map, the sun and moon marks, the month rule, the refresh rules, painting with letterbox and
// roll, the hours strip and the zone lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "astro/r_sunLite.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/datetime.h"
#include "platform/numbers.h"
#include "tests/support/testenv.h"

namespace {
constexpr int kW = 256, kH = 128;

Tbgr dayColour(int frame) { return Tbgr{50, 200, static_cast<uint8_t>(100 + 10 * frame)}; }
const Tbgr kNight{40, 0, 0};

platform::TDateTime at(int y, int m, int d, int hh, int mm) {
  platform::TDateTime dt = 0, t = 0;
  platform::tryEncodeDate(y, m, d, dt);
  platform::tryEncodeTime(hh, mm, 0, 0, t);
  return dt + t;
}

struct RendererFixture : ::testing::Test {
  std::string dir;
  void SetUp() override {
    createOs();
    createDateman();
    dir = testenv::tempDir() + "maps/";
    os->setconfig(testenv::tempDir() + "config/");
    testenv::writeFile("config/locations.ini", "[settings]\r\nshow locations=no\r\n\r\n");
    makeContainer();  // in the test's own folder
  }
  void TearDown() override {
    platform::setClockForTesting(0);
    freeOs();
  }
  void makeContainer() {
    TStringList files;
    for (int f = 0; f < 15; ++f) {
      TrawBitmap24 b;
      b.setsize(kW, kH);
      if (f < 12) b.fillAll(dayColour(f));
      else if (f == 12) b.fillAll(kNight);
      else if (f == 13) b.fillAll(Tbgr{0, 0, 239});  // country row 239 everywhere
      else b.fillAll(Tbgr{0, 0, 88});                // zone row 88 everywhere
      const std::string name = testenv::writeFile("maps/frame" + std::to_string(f) + ".bmp", "");
      ASSERT_TRUE(b.savetofile(name));
      files.add(name);
    }
    ASSERT_TRUE(TbitmapBin::MakeFromFiles(dir + "1920.bin", kW, kH, 24, files));
  }
  std::unique_ptr<TsunLite> make(platform::TDateTime gmt, WithTimezones tz = WithTimezones::Yes) {
    platform::setClockForTesting(gmt);
    return std::make_unique<TsunLite>(dir, tz, 1920, 1.0);
  }
};

Tbgr pixel(TrawBitmap24& b, int x, int y) {
  Tbgr c;
  b.getPixel(x, y, c);
  return c;
}
int rnd(double v) { return static_cast<int>(platform::Round(v)); }

// Kilobytes of a file's mappings that this process holds in memory (from /proc/self/smaps).
long residentKbOfFile(const std::string& file) {
  std::ifstream smaps("/proc/self/smaps");
  long kb = 0;
  bool inFile = false;
  for (std::string line; std::getline(smaps, line);) {
    const bool header = !line.empty() && line.find(':') > line.find(' ');  // "start-end perms ..."
    if (header) inFile = line.size() >= file.size() && line.ends_with(file);
    else if (inFile && line.starts_with("Rss:")) kb += std::stol(line.substr(4));
  }
  return kb;
}
}  // namespace

TEST_F(RendererFixture, DayNightAndTwilightLieWhereTheSunIs) {
  auto r = make(at(2025, 3, 22, 6, 0));  // last quarter: the moon stands a quarter turn away
  TrawBitmap24& map = *r->toprb;
  ASSERT_EQ(map.width(), kW);
  EXPECT_NEAR(r->sunLat, 0.6, 0.3);
  EXPECT_NEAR(r->sunLong, 91.8, 0.5);  // noon at 90° E, the sun a little late
  EXPECT_DOUBLE_EQ(lastSunLong, r->sunLong);
  const int sx = rnd((r->sunLong + 180) / 360 * kW), sy = rnd((0.5 - r->sunLat / 180) * kH);
  EXPECT_EQ(pixel(map, sx, sy), (Tbgr{0, 255, 255}));  // the yellow sun mark
  // 22 March: 73.3 % of the way from March's image to April's.
  Tbgr day;
  FadeColour(dayColour(2), dayColour(3), 22 * 100.0 / 30, day);
  // The byte map is rolled by whole pixels.
  const int roll = rnd(kW / 360.0 * r->sunLong);
  auto expected = [&](int x, int y) {
    const double lat = 90 - static_cast<double>(y) / kH * 180;
    const double lng = static_cast<double>((x - roll + kW) % kW) / kW * 360 - 180;
    TsunEle se;
    se.setSunLat(r->sunLat);
    const int v = TsunEle::shade(se.elevation(lat, lng));
    Tbgr c;
    FadeColour(day, kNight, (255 - v) / 255.0 * 85, c);
    return c;
  };
  const int anti = (roll + kW) % kW, antiRow = kH - sy;
  Tbgr nightSide;
  FadeColour(day, kNight, 85, nightSide);
  EXPECT_EQ(expected(anti, antiRow), nightSide);
  // Beside the antisolar point, off the equator's latitude line.
  for (int dx : {-1, 0, 1}) EXPECT_EQ(pixel(map, anti + dx, antiRow + 3), expected(anti + dx, antiRow + 3));
  const int dusk = (sx + kW / 4) % kW;  // on the terminator: between day and night
  const int ry = sy - 3;  // a row clear of the latitude lines
  const Tbgr t = pixel(map, dusk, ry);
  EXPECT_EQ(t, expected(dusk, ry));
  EXPECT_LT(t.red, day.red);
  EXPECT_GT(t.red, nightSide.red);
  const int morning = sx + 20;  // 28° from the sun: nearly the day image
  EXPECT_EQ(pixel(map, morning, ry), expected(morning, ry));
}

TEST_F(RendererFixture, MoonMarkStandsAtTheSubLunarPoint) {
  auto r = make(at(2025, 3, 14, 12, 0));  // full moon: opposite the sun
  EXPECT_NEAR(std::fabs(r->moonLong - r->sunLong), 180, 15);
  const int mx = rnd((r->moonLong + 180) / 360 * kW), my = rnd((0.5 - r->moonLat / 180) * kH);
  const Tbgr c = pixel(*r->toprb, mx, my);
  EXPECT_TRUE(c == (Tbgr{255, 255, 255}) || c == (Tbgr{0x3C, 0x3C, 0x3C})) << int(c.red);
  const Tbgr outside = pixel(*r->toprb, mx, my - 12);  // the night map
  EXPECT_GE(outside.blue, kNight.blue);
  EXPECT_LT(outside.green, 60);
}

TEST_F(RendererFixture, MonthRuleBlendsTowardsTheNextMonth) {
  struct Case {
    int day, month, frame, next;
    double percent;
  } cases[] = {
      {3, 3, 2, 3, 0}, {4, 3, 2, 3, 13.333}, {26, 3, 2, 3, 86.667}, {27, 3, 3, 3, 0}, {27, 12, 0, 0, 0},
      {15, 12, 11, 0, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.day) + "/" + std::to_string(c.month));
    const TsunLite::TdayChoice d = TsunLite::dayChoice(c.day, c.month);
    EXPECT_EQ(d.frame, c.frame);
    EXPECT_EQ(d.nextFrame, c.next);
    EXPECT_NEAR(d.percent, c.percent, 1e-3);
  }
  auto r = make(at(2025, 3, 4, 12, 0));
  Tbgr blended;
  FadeColour(dayColour(2), dayColour(3), 4 * 100.0 / 30, blended);
  EXPECT_EQ(pixel(*r->rb, 1, 30), blended);
  // Latitude lines: every third pixel of the equator row moved 40 % towards red.
  Tbgr red;
  FadeColour(blended, Tbgr{0, 0, 255}, 40, red);
  EXPECT_EQ(pixel(*r->rb, 3, 64), red);
  EXPECT_EQ(pixel(*r->rb, 4, 64), blended);
}

TEST_F(RendererFixture, WallClockTakesTheNextDaysImage) {
  auto r = make(at(2025, 3, 26, 23, 50));
  Tbgr late;
  FadeColour(dayColour(2), dayColour(3), 26 * 100.0 / 30, late);
  EXPECT_EQ(pixel(*r->rb, 1, 30), late);
  platform::setClockForTesting(at(2025, 3, 27, 0, 5));
  EXPECT_TRUE(r->refreshImage(RefreshBy::Tick));
  EXPECT_EQ(pixel(*r->rb, 1, 30), dayColour(3));
}

TEST_F(RendererFixture, RefreshRulesForTicksForcedAndFixedTimes) {
  auto r = make(at(2025, 6, 1, 10, 0));
  int invalidated = 0;
  r->win = [&] { ++invalidated; };
  platform::setClockForTesting(at(2025, 6, 1, 10, 0) + 30.0 / 86400);
  EXPECT_FALSE(r->refreshImage(RefreshBy::Tick));
  EXPECT_EQ(invalidated, 0);
  EXPECT_TRUE(r->refreshImage(RefreshBy::Force));
  EXPECT_EQ(invalidated, 1);
  platform::setClockForTesting(at(2025, 6, 1, 10, 1));
  EXPECT_TRUE(r->refreshImage(RefreshBy::Tick));
  EXPECT_EQ(invalidated, 2);

  const platform::TDateTime fixed = at(2024, 12, 21, 18, 30);
  r->ob->setDT(fixed);
  r->supressShadowUpdate = true;
  EXPECT_TRUE(r->refreshImage(RefreshBy::FixedTime));
  EXPECT_NEAR(r->ob->getDT(), fixed, 1e-6);
  EXPECT_TRUE(r->refreshImage(RefreshBy::Tick));
  EXPECT_NEAR(r->ob->getDT(), at(2025, 6, 1, 10, 1), 1e-6);
}

// The night image is read in place from the mapped container: its pages stay from one minute's
// rebuild to the next (faulting them in again every minute costs more than the blend) and go only
// when the owner says nothing is shown; the map is the same either way.
TEST_F(RendererFixture, TheNightFrameStaysMappedBetweenMinutesAndGoesWhenAsked) {
  auto r = make(at(2025, 6, 1, 10, 0));
  ASSERT_FALSE(r->night->hasPixels()) << "the night frame is read in place";
  const std::vector<uint8_t> first(r->toprb->imageData(), r->toprb->imageData() + r->toprb->imageSize());
  const long frameKb = r->toprb->imageSize() / 1024;
  const std::string container = std::filesystem::canonical(dir + "1920.bin").string();
  // Neighbouring frames' pages mapped around a fault stay either way: only the difference counts.
  r->refreshImage(RefreshBy::Force);
  const long kept = residentKbOfFile(container);
  r->releaseMemory();
  const long released = residentKbOfFile(container);
  EXPECT_GE(kept - released, frameKb - 8) << "the night frame was kept after the rebuild, and goes when asked";
  r->refreshImage(RefreshBy::Force);
  EXPECT_GE(residentKbOfFile(container) - released, frameKb - 8);
  EXPECT_EQ(std::memcmp(first.data(), r->toprb->imageData(), first.size()), 0);
}

// The owner's settings made before the first map (the saver attaches the words database there):
// the map is built once at start, and a tick in the same minute builds nothing.
TEST_F(RendererFixture, TheFirstMapIsBuiltOnceAfterTheOwnersSettings) {
  platform::setClockForTesting(at(2025, 6, 1, 10, 0));
  int built = 0;
  bool labelsThere = false;
  TsunLite r(dir, WithTimezones::No, 1920, 1.0, [&](TsunLite& me) {
    labelsThere = &me.locations() != nullptr && me.toprb && me.se;
    me.onPostPaint = [&](TrawBitmap24*) { ++built; };
  });
  EXPECT_TRUE(labelsThere);
  EXPECT_EQ(built, 1);
  platform::setClockForTesting(at(2025, 6, 1, 10, 0) + 40.0 / 86400);
  EXPECT_FALSE(r.refreshImage(RefreshBy::Tick));
  EXPECT_EQ(built, 1);
}

// The wall clock's window keeps what was painted. A map that fits the window's surface unscaled is
// built straight into it, with the same bytes as a copied map, and a paint of the same minute
// builds nothing; a rebuild waits for the next paint. A map painted scaled is built into pixels of
// its own, let go after the paint and made again, the same, by the next one.
TEST_F(RendererFixture, TheWallClocksMapIsBuiltIntoTheWindowOrLetGoAfterAPaint) {
  const platform::TRect area{0, 0, kW, kH + 40};
  auto plain = make(at(2025, 6, 1, 10, 0), WithTimezones::No);
  auto keeps = make(at(2025, 6, 1, 10, 0), WithTimezones::No);
  keeps->windowKeepsMap = true;
  int built = 0, intoTheWindow = 0;
  keeps->onPostPaint = [&](TrawBitmap24* map) {
    ++built;
    intoTheWindow += map->pixelsBorrowed();
  };
  auto paint = [&](TsunLite& r, TrawBitmap24& window, const platform::TRect& box) {
    window.dc().fillRect(box, platform::solidBrush(0));
    r.draw(window.dc(), box);
  };
  auto same = [](TrawBitmap24& a, TrawBitmap24& b) {
    return std::memcmp(a.imageData(), b.imageData(), static_cast<size_t>(a.imageSize())) == 0;
  };
  TrawBitmap24 copied, inPlace;
  copied.setsize(kW, kH + 40);
  inPlace.setsize(kW, kH + 40);
  paint(*plain, copied, area);  // the first paint sets the marks' face: compare the second ones
  paint(*keeps, inPlace, area);
  EXPECT_EQ(built, 1);
  EXPECT_FALSE(keeps->toprb->hasPixels()) << "no image of its own";
  plain->refreshImage(RefreshBy::Force);
  paint(*plain, copied, area);
  keeps->refreshImage(RefreshBy::Force);
  EXPECT_EQ(built, 1) << "built by the paint, not the rebuild";
  paint(*keeps, inPlace, area);
  EXPECT_EQ(built, 2);
  EXPECT_EQ(intoTheWindow, 2);
  EXPECT_TRUE(same(copied, inPlace));
  EXPECT_NE(pixel(inPlace, kW / 2, 20 + kH / 2), (Tbgr{0, 0, 0}));
  // Painted again in the same minute, the bars round the map black first as the wall clock does:
  // the window still holds the map and nothing is built.
  const platform::TRect covered = keeps->coveredBy(area);
  inPlace.dc().fillRect(platform::TRect{0, 0, kW, covered.Top}, platform::solidBrush(0));
  inPlace.dc().fillRect(platform::TRect{0, covered.Bottom, kW, kH + 40}, platform::solidBrush(0));
  keeps->draw(inPlace.dc(), area);
  EXPECT_EQ(built, 2);
  EXPECT_TRUE(same(copied, inPlace));

  // A window of another size shows the map scaled: built into its own pixels, let go once painted.
  TrawBitmap24 first, second, reference;
  for (TrawBitmap24* b : {&first, &second, &reference}) b->setsize(kW * 2, kH * 2 + 40);
  const platform::TRect wide{0, 0, kW * 2, kH * 2 + 40};
  paint(*keeps, first, wide);
  EXPECT_EQ(built, 3);
  EXPECT_FALSE(keeps->toprb->hasPixels());
  paint(*keeps, second, wide);
  EXPECT_EQ(built, 4);
  paint(*plain, reference, wide);
  EXPECT_EQ(intoTheWindow, 2);
  EXPECT_TRUE(same(first, second));
  EXPECT_TRUE(same(second, reference));
  platform::setClockForTesting(at(2025, 6, 1, 10, 1));
  EXPECT_TRUE(keeps->refreshImage(RefreshBy::Tick));
  EXPECT_EQ(built, 4) << "the next minute's map waits for the paint";
  EXPECT_FALSE(keeps->toprb->hasPixels());
}

TEST_F(RendererFixture, MagnifyIsCappedAndSizesTheStrip) {
  struct Case {
    const char* id;
    const char* file;
    double ui, magnify;
    int stripH;
  } cases[] = {
      {"2 gives 1.4", "[settings]\r\nmagnify=2\r\n", 1.0, 1.4, 34},
      {"missing: the argument", "[settings]\r\nx=1\r\n", 1.2, 1.2, 29},
      {"missing, argument above 1.4", "[settings]\r\nx=1\r\n", 1.6, 1.4, 34},
      {"no number", "[settings]\r\nmagnify=big\r\n", 1.0, 1.4, 34},
      {"small", "[settings]\r\nmagnify=0.5\r\n", 1.0, 0.5, 12},
  };
  platform::setClockForTesting(at(2025, 6, 1, 10, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    testenv::writeFile("config/locations.ini", c.file);
    TsunLite r(dir, WithTimezones::No, 1920, c.ui);
    EXPECT_DOUBLE_EQ(r.locations().UImagnify, c.magnify);
    EXPECT_EQ(r.stripBm->height(), c.stripH);
  }
  TsunLite wide(dir, WithTimezones::No, 3839, 1.0);
  EXPECT_EQ(wide.screenwid, 1920);
}

TEST_F(RendererFixture, PaintLetterboxesAndRollsByTheCentreLongitude) {
  auto r = make(at(2025, 6, 1, 10, 0));
  TrawBitmap24 tall, plain, rolled;
  tall.setsize(200, 150);
  // Taller than half its width: bands above and below; the strip (rnd(200 / 1920 × 24) = 2
  // pixels) moves the map down by 1.
  platform::TRect got = r->draw(tall.dc(), platform::TRect{0, 0, 200, 150});
  EXPECT_EQ(r->box.Top, 25);
  EXPECT_EQ(r->box.Bottom, 125);
  EXPECT_EQ(r->stripH(), 2);
  EXPECT_EQ(got.Top, 24);
  EXPECT_EQ(got.Bottom, 126);
  TrawBitmap24 wide;
  wide.setsize(400, 100);
  got = r->draw(wide.dc(), platform::TRect{0, 0, 400, 100});
  EXPECT_EQ(r->box.Left, 100);
  EXPECT_EQ(r->box.Right, 300);
  EXPECT_EQ(got.Left, 100);

  plain.setsize(400, 200);
  rolled.setsize(400, 200);
  r->draw(plain.dc(), platform::TRect{0, 0, 400, 200});
  r->locations().setCentre(90);
  r->draw(rolled.dc(), platform::TRect{0, 0, 400, 200});
  EXPECT_EQ(r->centreOffset, -100);
  EXPECT_EQ(r->locations().centreOffset, -100);
  for (int x : {0, 50, 299, 300, 399}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(pixel(rolled, x, 120), pixel(plain, (x + 100) % 400, 120));
  }
  r->locations().setCentre(-90);
  r->draw(rolled.dc(), platform::TRect{0, 0, 400, 200});
  EXPECT_EQ(r->centreOffset, 100);
  EXPECT_EQ(pixel(rolled, 150, 120), pixel(plain, 50, 120));
  EXPECT_EQ(pixel(rolled, 50, 120), pixel(plain, 350, 120));
}

TEST_F(RendererFixture, HoursStripPutsNoonUnderTheSun) {
  auto r = make(at(2025, 6, 1, 12, 0));
  TrawBitmap24& s = *r->stripBm;
  ASSERT_EQ(s.width(), 1920);
  auto near = [](Tbgr c, platform::TColor want) {
    return std::abs(c.red - int(want & 0xFF)) < 8 && std::abs(c.green - int((want >> 8) & 0xFF)) < 8 &&
           std::abs(c.blue - int(want >> 16)) < 8;
  };
  // 12:00 GMT: noon at column 960, this afternoon to its right, this morning to its left.
  EXPECT_TRUE(near(pixel(s, 963, 1), 0x646478));
  EXPECT_TRUE(near(pixel(s, 957, 1), 0x80503C));
  EXPECT_TRUE(near(pixel(s, 3, 1), 0x40281E));  // midnight at the left edge starts the morning
  EXPECT_EQ(pixel(s, 0, 0), (Tbgr{0, 255, 255}));  // the date line

  platform::setClockForTesting(at(2025, 6, 2, 0, 0));
  r->refreshImage(RefreshBy::Tick);
  // 00:00 GMT: noon at the right edge; yesterday's afternoon starts at the left.
  EXPECT_TRUE(near(pixel(s, 1916, 1), 0x80503C));
  EXPECT_TRUE(near(pixel(s, 5, 1), 0x28401E));
}

TEST_F(RendererFixture, ZoneLookupUndoesTheRollAndReadsBothIndexImages) {
  auto r = make(at(2025, 6, 1, 10, 0));
  // The index images stay in the container until the first lookup.
  EXPECT_FALSE(r->tzBm->hasPixels());
  EXPECT_FALSE(r->countryBm->hasPixels());
  std::string country = "x", zone = "y";
  EXPECT_EQ(r->timeZone(10, 10, country, zone), 88);
  EXPECT_EQ(zone, "GMT Standard Time");
  EXPECT_EQ(country, "United Kingdom");
  EXPECT_TRUE(r->tzBm->hasPixels());
  r->tzBm->setsize(1920, 2);
  r->countryBm->setsize(1920, 2);
  r->tzBm->fillAll(Tbgr{255, 0, 0});  // blue 255: no zone
  r->countryBm->fillAll(Tbgr{0, 0, 239});
  r->tzBm->setPixel(60, 0, Tbgr{0, 0, 88});
  r->tzBm->setPixel(61, 0, Tbgr{0, 1, 44});  // row 300: beyond the table
  EXPECT_EQ(r->timeZone(60, 0, country, zone), 88);
  EXPECT_EQ(zone, "GMT Standard Time");
  EXPECT_EQ(country, "United Kingdom");
  EXPECT_EQ(r->timeZone(1500, 0, country, zone), -1);  // sea, though the country image has one
  EXPECT_EQ(country, "");
  EXPECT_EQ(zone, "");
  r->locations().setCentre(90);
  EXPECT_EQ(r->timeZone(1500, 0, country, zone), 88);  // 1500 + 480 − 1920 = 60
  EXPECT_EQ(r->timeZone(1501, 0, country, zone), 300);
  EXPECT_EQ(zone, "");
  EXPECT_EQ(country, "United Kingdom");

  auto plain = make(at(2025, 6, 1, 10, 0), WithTimezones::No);
  EXPECT_EQ(plain->timeZone(60, 0, country, zone), -1);
}

TEST_F(RendererFixture, SaverCaptionAndTheTopScreenBand) {
  auto r = make(at(2025, 6, 1, 10, 0), WithTimezones::No);
  TrawBitmap24 win;
  win.setsize(200, 150);
  win.fillWhite();
  const platform::TRect got = r->draw(win.dc(), platform::TRect{0, 0, 200, 150});
  ASSERT_EQ(got.Bottom, 126);
  EXPECT_EQ(pixel(win, 99, 149), (Tbgr{0, 0, 0}));  // the caption's black plate, 100 wide
  EXPECT_EQ(pixel(win, 100, 149), (Tbgr{255, 255, 255}));
  int grey = 0;
  for (int y = 126; y < 150; ++y)
    for (int x = 0; x < 100; ++x) {
      const Tbgr c = pixel(win, x, y);
      grey += c.red > 0x30 && c.red == c.green && c.green == c.blue && c.red < 0xC0;
    }
  EXPECT_GT(grey, 10);  // "Ombrant Kestrova 8" in grey

  r->format = top_screen;
  r->topLat = 45;
  r->bottomLat = 90;
  TrawBitmap24 band;
  band.setsize(kW, 64);
  const platform::TRect top = r->draw(band.dc(), platform::TRect{0, 0, kW, 64});
  EXPECT_EQ(top.Bottom, 32);
  for (int y : {0, 31})
    for (int x : {0, 100, 255}) EXPECT_EQ(pixel(band, x, y), pixel(*r->toprb, x, y + 32));
}

namespace {
// A container of the given name and size whose zone image names a zone at one pixel only.
void zoneContainer(const std::string& dir, const std::string& name, int w, int h, platform::TPoint zoneAt) {
  TStringList files;
  for (int f = 0; f < 15; ++f) {
    TrawBitmap24 b;
    b.setsize(w, h);
    b.fillAll(f < 12 ? dayColour(f) : f == 12 ? kNight : f == 13 ? Tbgr{0, 0, 239} : Tbgr{255, 0, 0});
    if (f == 14) b.setPixel(zoneAt.X, zoneAt.Y, Tbgr{0, 0, 88});
    const std::string bmp = dir + name + ".frame" + std::to_string(f) + ".bmp";
    ASSERT_TRUE(b.savetofile(bmp));
    files.add(bmp);
  }
  ASSERT_TRUE(TbitmapBin::MakeFromFiles(dir + name, w, h, 24, files));
}
}  // namespace

TEST_F(RendererFixture, AWideScreenWithoutTheLargeContainerScalesTheUsualOneUp) {
  const std::string only = testenv::tempDir() + "only1920/";
  std::filesystem::create_directories(only);
  zoneContainer(only, "1920.bin", kW, kH, {10, 5});
  platform::setClockForTesting(at(2025, 6, 1, 10, 0));
  TsunLite r(only, WithTimezones::Yes, 3840, 1.0);
  EXPECT_TRUE(r.imagesScaledUp());
  EXPECT_EQ(r.container(), only + "1920.bin");
  ASSERT_EQ(r.toprb->width(), 2 * kW);
  ASSERT_EQ(r.toprb->height(), 2 * kH);
  EXPECT_TRUE(r.missingImagesText("/bin/").empty());
  // Day and night both stand on the doubled map.
  const int sx = rnd((r.sunLong + 180) / 360 * 2 * kW), sy = rnd((0.5 - r.sunLat / 180) * 2 * kH);
  Tbgr far = pixel(*r.toprb, (sx + kW) % (2 * kW), 2 * kH - sy + 8);
  EXPECT_LT(far.green, 100) << "night at the antisolar point";
  Tbgr near = pixel(*r.toprb, (sx + 30) % (2 * kW), sy + 12);
  EXPECT_GT(near.green, 150) << "day beside the sun";
  // Index images are doubled pixel for pixel: a zone keeps its exact row, in a 2 × 2 block.
  std::string country, zone;
  for (int y = 9; y <= 12; ++y)
    for (int x = 19; x <= 22; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      EXPECT_EQ(r.timeZone(x, y, country, zone), x >= 20 && x <= 21 && y >= 10 && y <= 11 ? 88 : -1);
    }
}

TEST_F(RendererFixture, TheLargeContainerIsUsedWhereItIsAndMissingImagesNameTheirBuilder) {
  const std::string both = testenv::tempDir() + "both/";
  std::filesystem::create_directories(both);
  zoneContainer(both, "1920.bin", kW, kH, {10, 5});
  zoneContainer(both, "3840.bin", 2 * kW, 2 * kH, {30, 7});
  platform::setClockForTesting(at(2025, 6, 1, 10, 0));
  {
    TsunLite r(both, WithTimezones::Yes, 3840, 1.0);
    EXPECT_FALSE(r.imagesScaledUp());
    EXPECT_EQ(r.container(), both + "3840.bin");
    std::string country, zone;
    EXPECT_EQ(r.timeZone(30, 7, country, zone), 88);
    EXPECT_EQ(r.timeZone(20, 10, country, zone), -1);
  }
  // Without any container the words name the one looked for and the builder's command; only the
  // large map needs the builder's option that makes it.
  const std::string none = testenv::tempDir() + "none/";
  std::filesystem::create_directories(none);
  const struct {
    int screen;
    const char* wanted;
    bool option;
  } cases[] = {{1920, "1920.bin", false}, {3839, "1920.bin", false}, {3840, "3840.bin", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screen);
    TsunLite r(none, WithTimezones::No, c.screen, 1.0);
    const std::vector<std::string> lines = r.missingImagesText("/opt/k/");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(none + c.wanted), std::string::npos) << lines[0];
    EXPECT_EQ(lines[2].rfind("/opt/k/kestrova_data --target \"" + none + "\"", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].find("--3840") != std::string::npos, c.option) << lines[2];
  }
}
