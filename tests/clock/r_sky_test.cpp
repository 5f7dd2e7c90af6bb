// The sky renderer on a tiny sky database at fixed instants over London: refused sizes, the
// daylight level, day, twilight and night pixels against PyEphem's sun and moon positions
// (tests/clock/sky_reference.txt, written by make_sky_reference.py), the ground, the caption,
// the night layers with good and bad data, and the night image across galactic longitude 180.
#include "clock/r_sky.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/datetime.h"
#include "platform/imagecodec.h"
#include "tests/clock/skydb.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

TDateTime at(int y, int m, int d, int hh, int mm) {
  TDateTime dt = 0, t = 0;
  tryEncodeDate(y, m, d, dt);
  tryEncodeTime(hh, mm, 0, 0, t);
  return dt + t;
}

// One reference row: an instant and PyEphem's topocentric azimuth and altitude of sun and moon.
struct Tref {
  TDateTime when = 0;
  double sunAz = 0, sunAlt = 0, moonAz = 0, moonAlt = 0;
};
std::map<std::string, Tref> references() {
  std::map<std::string, Tref> out;
  std::ifstream in(std::string(KESTROVA_SOURCE_DIR) + "/tests/clock/sky_reference.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    std::string id;
    int y, mo, d, h, mi;
    Tref r;
    ls >> id >> y >> mo >> d >> h >> mi >> r.sunAz >> r.sunAlt >> r.moonAz >> r.moonAlt;
    r.when = at(y, mo, d, h, mi);
    out[id] = r;
  }
  return out;
}

int red(TColor c) { return int(c & 0xFF); }
int green(TColor c) { return int((c >> 8) & 0xFF); }
int blue(TColor c) { return int((c >> 16) & 0xFF); }

void dump(TBitmap& bm, const std::string& name) {
  if (!std::getenv("KESTROVA_SKY_DUMP")) return;
  TrgbImage img;
  img.width = bm.Width();
  img.height = bm.Height();
  img.rgb.resize(size_t(img.width) * img.height * 3);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const TColor c = bm.Canvas().Pixels(x, y);
      uint8_t* p = img.pixel(x, y);
      p[0] = uint8_t(red(c));
      p[1] = uint8_t(green(c));
      p[2] = uint8_t(blue(c));
    }
  std::string error;
  encodePngFile(std::string(std::getenv("KESTROVA_SKY_DUMP")) + "/" + name + ".png", img, error);
}

class SkyTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    locationsDir.clear();
    createDateman();
  }
  void TearDown() override {
    sky.reset();
    base.reset();
    setClockForTesting(0);
    HeadlessOsTest::TearDown();
  }
  // A renderer over London on a fresh database, the clock and the observer at the instant.
  void make(const std::string& name, const skytest::TskyDbSpec& spec, TDateTime when) {
    base = std::make_unique<TsunBase>(skytest::makeSkyDb(name, spec), 1920);
    setInstant(when);
    sky = std::make_unique<Tsky>(*base);
  }
  void setInstant(TDateTime when) {
    setClockForTesting(when);
    Tlocations& l = base->locations();
    l.getHome();
    base->observer().setlat(l.homeLat);
    base->observer().setlong(l.homeLong);
    base->observer().setDT(when);
  }
  // Draws at the size with the view towards the bearing at 40 degrees.
  void draw(int w, int h, double bearing) {
    bm.SetPixelFormat(pf24bit);
    bm.SetSize(w, h);
    sky->setView(bearing, 40);
    base->observer().setDT(dateman->getgmtDt());
    sky->Draw(bm.Canvas(), w, h);
  }
  TColor px(int x, int y) { return bm.Canvas().Pixels(x, y); }
  // The screen point of a sky direction in the current view; fails the test when out of view.
  TPoint screen(double bearing, double elevation) {
    TPoint p;
    EXPECT_TRUE(sky->inView(bearing, elevation, p.X, p.Y)) << bearing << " " << elevation;
    return p;
  }
  // The screen point of an ecliptic position for the observer's place and moment.
  bool eclipticOnScreen(double lon, double lat, TPoint& p) {
    double ra, dec, e, b;
    Tsun::EclipticToRADEC(lon * M_PI / 180, lat * M_PI / 180, ra, dec);
    base->sun().GetBearingElevation(ra, dec, e, b);
    return sky->inView(b * 180 / M_PI, e * 180 / M_PI, p.X, p.Y) && p.X >= 10 && p.Y >= 10 &&
           p.X < bm.Width() - 10 && p.Y < bm.Height() - 60;
  }
  // The middle of the pixels of one colour within r of a point; false when there are none.
  bool centreOf(TColor c, TPoint around, int r, double& cx, double& cy) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = around.Y - r; y <= around.Y + r; ++y)
      for (int x = around.X - r; x <= around.X + r; ++x)
        if (px(x, y) == c) sx += x, sy += y, ++n;
    if (n == 0) return false;
    cx = sx / n + 0.5;  // pixel centres
    cy = sy / n + 0.5;
    return true;
  }
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<Tsky> sky;
  TBitmap bm;
};

bool logHas(const std::string& text) {
  if (!logObject || !logObject->lines()) return false;
  const TStringList& l = *logObject->lines();
  for (int i = 0; i < l.count(); ++i)
    if (l[i].find(text) != std::string::npos) return true;
  return false;
}

TEST_F(SkyTest, SizesOutsideThreeHundredToFourThousandAreRefusedWithALogLine) {
  make("sizes", {}, at(2026, 6, 21, 11, 0));
  const struct {
    int w, h;
    bool drawn;
  } cases[] = {{299, 600, false}, {4001, 600, false}, {600, 299, false}, {300, 300, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    bm.SetPixelFormat(pf24bit);
    bm.SetSize(c.w, c.h);
    bm.Canvas().Brush.Color = 0x123456;
    bm.Canvas().FillRect({0, 0, c.w, c.h});
    sky->Draw(bm.Canvas(), c.w, c.h);
    EXPECT_EQ(px(c.w / 2, 10) != 0x123456, c.drawn);
    EXPECT_EQ(logHas("wrong size: " + std::to_string(c.w) + " " + std::to_string(c.h)), !c.drawn);
  }
}

TEST_F(SkyTest, DaylightLevelRunsFromNothingAtMinusFourToFullAtFour) {
  make("light", {}, at(2026, 6, 21, 11, 0));
  const struct {
    double e, light;
  } cases[] = {{-4.01, 0}, {-4, 0}, {-2, 25}, {0, 50}, {0.01, 50.125}, {4, 100}, {4.5, 100}, {NAN, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.e);
    EXPECT_DOUBLE_EQ(sky->lightFor(c.e), c.light);
  }
}

TEST_F(SkyTest, CaptionTakesThePlaceAfterTheBarAndTheLocalTimeAndDate) {
  make("caption", {}, at(2026, 6, 21, 11, 0));
  base->locations().homeplace = "Greater London|London";
  EXPECT_EQ(sky->captionLine(at(2026, 6, 21, 12, 5)), "The Sky from London,  12:05   Sunday, 21 June 2026");
  base->locations().useAmPm = true;
  EXPECT_EQ(sky->clockText(at(2026, 6, 22, 0, 7)), "12:07 am   Monday, 22 June 2026");
  EXPECT_EQ(sky->clockText(at(2026, 6, 22, 13, 7)), "1:07 pm   Monday, 22 June 2026");
}

// Noon in June: blue above, near white at the horizon, green ground, the yellow sun disc where
// PyEphem puts the sun, and the caption row.
TEST_F(SkyTest, DaySkyAtNoonShowsTheSunWherePyEphemPutsIt) {
  const Tref r = references().at("noon");
  make("noon", {}, r.when);
  draw(1200, 800, base->sun().getSunB());
  dump(bm, "noon");
  const TPoint zenith = screen(0, 90);
  const TColor z = px(zenith.X, zenith.Y + 3);
  EXPECT_GT(blue(z), red(z) + 40) << std::hex << z;
  const TPoint horizon = screen(r.sunAz + 9, 1.5);
  const TColor hz = px(horizon.X, horizon.Y);
  EXPECT_GE(std::min({red(hz), green(hz), blue(hz)}), 200) << std::hex << hz;
  const TColor ground = px(20, 780);
  EXPECT_GT(green(ground), red(ground) + 20) << std::hex << ground;
  EXPECT_GT(green(ground), blue(ground) + 20) << std::hex << ground;
  const TPoint expected = screen(r.sunAz, r.sunAlt);
  double cx, cy;
  ASSERT_TRUE(centreOf(0x00FFFF, expected, 12, cx, cy)) << "no sun disc near " << expected.X << "," << expected.Y;
  EXPECT_NEAR(cx, expected.X, 3);
  EXPECT_NEAR(cy, expected.Y, 3);
  int white = 0;
  for (int x = 600; x < 1200; ++x)
    for (int y = 765; y < 790; ++y) white += px(x, y) == 0xFFFFFF;
  EXPECT_GT(white, 50) << "caption row";
}

// A night with the moon up, the view turned towards it: a dark sky with white star squares and
// the moon's disc where PyEphem puts it.
TEST_F(SkyTest, NightSkyIsDarkWithStarsAndTheMoonWherePyEphemPutsIt) {
  const Tref r = references().at("night");
  skytest::TskyDbSpec spec;
  spec.stars.clear();
  for (int lon = 0; lon < 360; lon += 5)
    for (int lat : {-25, -10, 10, 25}) spec.stars.push_back({double(lon), double(lat), 20});
  make("night", spec, r.when);
  draw(1200, 800, r.moonAz);
  dump(bm, "night");
  EXPECT_LT(base->sun().getSunE(), -4);
  const TPoint expected = screen(r.moonAz, r.moonAlt);
  double cx, cy;
  int dark = 0, stars = 0;
  for (int y = 0; y < 600; y += 2)
    for (int x = 0; x < 1200; x += 2) {
      const TColor c = px(x, y);
      dark += red(c) + green(c) + blue(c) < 200;
      stars += c == 0xFFFFFF && std::hypot(x - expected.X, y - expected.Y) > 30;
    }
  EXPECT_GT(dark, 300 * 600 * 8 / 10);
  EXPECT_GT(stars, 4);
  ASSERT_TRUE(centreOf(0xFFFFFF, expected, 9, cx, cy));
  EXPECT_NEAR(cx, expected.X, 3);
  EXPECT_NEAR(cy, expected.Y, 3);
}

// At -2 degrees the day layer is blended over the night layer at 50 %.
TEST_F(SkyTest, TwilightBlendsTheDayLayerHalfOverTheNightLayer) {
  const Tref r = references().at("twilight");
  make("twilight", {}, r.when);
  draw(1200, 800, 200);
  dump(bm, "twilight");
  EXPECT_NEAR(sky->light, 25, 1);
  TBitmap day, night;
  for (TBitmap* b : {&day, &night}) {
    b->SetPixelFormat(pf24bit);
    b->SetSize(1200, 800);
  }
  sky->DrawDaySky(day.Canvas(), 6);
  night.Canvas().Brush.Color = 0;
  night.Canvas().FillRect({0, 0, 1200, 800});
  sky->DrawNightSky(night.Canvas(), 6);
  int checked = 0;
  for (int y = 100; y < 500; y += 37)
    for (int x = 50; x < 1150; x += 53) {
      const TColor t = px(x, y), d = day.Canvas().Pixels(x, y), n = night.Canvas().Pixels(x, y);
      const int tb = blue(t), db = blue(d), nb = blue(n);
      if (std::abs(db - nb) < 20) continue;  // lines and labels of one layer only
      ++checked;
      EXPECT_NEAR(tb, (db + nb) / 2.0, 3) << x << "," << y;
    }
  EXPECT_GT(checked, 20);
}

// Stars by magnitude code: white 4 x 4 squares below 30, light grey 2 x 2 to 49, grey 2 x 2 to
// 55, grey single pixels to 99, white single pixels from 100.
TEST_F(SkyTest, StarMarksFollowTheirMagnitudeCodes) {
  const Tref r = references().at("night");
  skytest::TskyDbSpec spec;
  spec.nightBlob = skytest::nightImage(360, {0, 0, 0}, {0, 0, 0});
  const struct {
    double lon;
    int code;
    TColor colour;
    int pixels;
  } cases[] = {{80, 29, 0xFFFFFF, 16}, {90, 30, 0xDCDCDC, 4}, {100, 55, 0x808080, 4}, {110, 56, 0x808080, 1},
               {120, 100, 0xFFFFFF, 1}};
  spec.stars.clear();
  for (const auto& c : cases) spec.stars.push_back({c.lon, 20, c.code});
  make("starcodes", spec, r.when);
  draw(1200, 800, r.moonAz);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    TPoint p;
    ASSERT_TRUE(eclipticOnScreen(c.lon, 20, p));
    int n = 0;
    for (int y = p.Y - 4; y <= p.Y + 4; ++y)
      for (int x = p.X - 4; x <= p.X + 4; ++x) n += px(x, y) == c.colour;
    EXPECT_EQ(n, c.pixels);
    EXPECT_EQ(px(p.X, p.Y), c.colour);
  }
}

// Mercury, Venus, Mars and Jupiter are white discs of radius 3 with a track; the others grey
// discs of radius 2 without one. Each planet up that night is drawn with the view turned to it.
TEST_F(SkyTest, PlanetsWithTracksAreWhiteAndTheOthersGrey) {
  const Tref r = references().at("night");
  skytest::TskyDbSpec spec;
  spec.nightBlob = skytest::nightImage(360, {0, 0, 0}, {0, 0, 0});
  spec.stars.clear();
  make("planets", spec, r.when);
  int seen = 0;
  for (const char* name : {"jupiter", "uranus", "saturn", "mars", "venus", "mercury", "neptune"}) {
    SCOPED_TRACE(name);
    double e = 0, b = 0;
    base->sun().NamedPlanet(e, b, name);
    if (e < 0.1) continue;
    draw(1200, 800, b * 180 / M_PI);
    TPoint p;
    ASSERT_TRUE(sky->inView(b * 180 / M_PI, e * 180 / M_PI, p.X, p.Y));
    ++seen;
    const std::string n = name;
    const bool tracked = n == "jupiter" || n == "mars" || n == "venus" || n == "mercury";
    const int rr = tracked ? 3 : 2;
    EXPECT_EQ(px(p.X, p.Y), tracked ? 0xFFFFFFu : 0x808080u);
    EXPECT_EQ(px(p.X - rr, p.Y), 0x0000FFu) << "the disc's edge";
    EXPECT_NE(px(p.X - rr - 1, p.Y), 0x0000FFu) << "nothing wider";
  }
  EXPECT_GE(seen, 2) << "Jupiter and Uranus are up that night";
}

// Bad data spoils only its own layer: the rest of the sky is drawn and the log says why.
TEST_F(SkyTest, BadSkyDataLeavesOutItsLayerWithALogLine) {
  const Tref r = references().at("night");
  const std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'};
  struct Tcase {
    const char* id;
    skytest::TskyDbSpec spec;
    const char* logLine;
  };
  std::vector<Tcase> cases(6);
  cases[0] = {"notables", {}, "stars: no table"};
  cases[0].spec.withTables = false;
  cases[1] = {"nullimage", {}, "night sky: no usable image"};
  cases[1].spec.nightBlobNull = true;
  cases[2] = {"junkimage", {}, "night sky: no usable image"};
  cases[2].spec.nightBlob = junk;
  cases[3] = {"nullstar", {}, "stars: 1 rows without a usable position"};
  cases[3].spec.nullStarRow = true;
  cases[4] = {"extremestar", {}, "stars: 1 rows without a usable position"};
  cases[4].spec.extremeStarRow = true;
  cases[5] = {"lyingblob", {}, "constellations: 1 line blobs refused"};
  cases[5].spec.lyingBlob = true;
  for (const Tcase& c : cases) {
    SCOPED_TRACE(c.id);
    sky.reset();
    base.reset();
    make(c.id, c.spec, r.when);
    draw(1200, 800, r.moonAz);
    EXPECT_TRUE(logHas(c.logLine));
    int white = 0;
    for (int x = 600; x < 1200; ++x)
      for (int y = 765; y < 790; ++y) white += px(x, y) == 0xFFFFFF;
    EXPECT_GT(white, 50) << "caption row";
    double cx, cy;
    EXPECT_TRUE(centreOf(0xFFFFFF, screen(r.moonAz, r.moonAlt), 9, cx, cy)) << "the moon";
  }
}

// A cell across galactic longitude 180 takes its picture from both ends of the night image, never
// from the band in its middle (galactic longitudes -20 to 20, magenta here).
TEST_F(SkyTest, NightImageCellsAcrossLongitude180ReadFromTheImageEnds) {
  const Tref r = references().at("night");
  skytest::TskyDbSpec spec;
  spec.stars.clear();
  spec.nightBlob = skytest::nightImage(360, {60, 10, 10}, {200, 0, 200});
  make("anticentre", spec, r.when);
  double ra, dec, e, b;
  Tsun::GalacticToRADEC(M_PI, 0, ra, dec);
  base->sun().GetBearingElevation(ra, dec, e, b);
  ASSERT_GT(e, 0.3) << "the galactic anticentre is up that night";
  draw(1200, 800, b * 180 / M_PI);
  const TPoint a = screen(b * 180 / M_PI, e * 180 / M_PI);
  int band = 0, night = 0;
  for (int y = a.Y - 80; y <= a.Y + 80; y += 2)
    for (int x = a.X - 80; x <= a.X + 80; x += 2) {
      const TColor c = px(x, y);
      band += red(c) > 150 && blue(c) > 150 && green(c) < 60;
      night += blue(c) >= 50 && blue(c) <= 70 && red(c) < 20;
    }
  EXPECT_EQ(band, 0);
  dump(bm, "anticentre");
  EXPECT_GT(night, 81 * 81 / 2) << "the image's own colour shows there";
}

// Polar day has no sunrise or sunset: their marks are left out and the path is drawn all the same.
TEST_F(SkyTest, PolarDayDrawsThePathWithoutRiseAndSetMarks) {
  make("polar", {}, at(2026, 6, 21, 11, 0));
  draw(1200, 800, base->sun().getSunB());
  EXPECT_TRUE(sky->lastRiseSetFound) << "London has both";
  Tlocations& l = base->locations();
  const int svalbard = l.add();
  l.getLoc(svalbard).lat = 78.2;
  l.getLoc(svalbard).long_ = 15.6;
  l.setHome(svalbard);
  setInstant(at(2026, 6, 21, 11, 0));
  draw(1200, 800, base->sun().getSunB());
  EXPECT_FALSE(sky->lastRiseSetFound);
  EXPECT_GE(sky->lastCentreHour, 0);
  double cx, cy;
  EXPECT_TRUE(centreOf(0x00FFFF, screen(base->sun().getSunB(), base->sun().getSunE()), 9, cx, cy)) << "the sun";
}

// A label at either end of its line takes the direction of the one segment there.
TEST_F(SkyTest, LabelsAtTheEndsOfALineFollowItsEndSegments) {
  make("labels", {}, at(2026, 6, 21, 11, 0));
  for (int vertex : {0, 1}) {
    SCOPED_TRACE(vertex);
    bm.SetPixelFormat(pf24bit);
    bm.SetSize(400, 400);
    bm.Canvas().Brush.Color = clWhite;
    bm.Canvas().FillRect({0, 0, 400, 400});
    Txyvalues run = {{100, 300}, {300, 100}};
    sky->doLabel(bm.Canvas(), run, vertex, "Equinox", 0x0000FF, 70, false);
    EXPECT_TRUE(run.empty());
    // Along the rising diagonal through the vertex: red above it, nothing across it.
    const int x0 = vertex == 0 ? 100 : 300, y0 = vertex == 0 ? 300 : 100;
    int along = 0, across = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x) {
        const TColor c = bm.Canvas().Pixels(x, y);
        if (!(red(c) > 150 && green(c) < 140 && blue(c) < 140)) continue;
        const double u = ((x - x0) + (y0 - y)) / std::sqrt(2.0), v = ((x - x0) - (y0 - y)) / std::sqrt(2.0);
        (std::fabs(u) < 40 && v < 0 && v > -25 ? along : across)++;
      }
    EXPECT_GT(along, 30);
    EXPECT_EQ(across, 0);
  }
}

// A home place half an hour off the hour: the path's hour numbers stand where GMT reads :30.
TEST_F(SkyTest, HalfHourZoneOffsetsReachTheSunPath) {
  skytest::TskyDbSpec spec;
  spec.locationsIni = "[settings]\r\nhome=Delhi\r\n\r\n[location 1]\r\nname=Delhi\r\nlat=28.6\r\nlong=77.2\r\n"
                      "windows name=India Standard Time\r\n\r\n";
  make("delhi", spec, at(2026, 3, 10, 6, 0));
  draw(1200, 800, base->sun().getSunB());
  EXPECT_NEAR(sky->timediff, 5.5, 1e-6);
  EXPECT_EQ(sky->homeTzDiff, 330);
  EXPECT_EQ(sky->captionLine(base->locations().getLoc(0).dt).substr(0, 30), "The Sky from Delhi,  11:30   T");
}

// Solstice captions: above the line for the summer one, below for the winter one, the months
// changing places south of the equator.
TEST_F(SkyTest, SolsticeCaptionsSwapSouthOfTheEquator) {
  skytest::TskyDbSpec spec;
  spec.locationsIni = "[settings]\r\nhome=Sydney\r\n\r\n[location 1]\r\nname=Sydney\r\nlat=-33.9\r\n"
                      "long=151.2\r\nwindows name=AUS Eastern Standard Time\r\n\r\n";
  for (const bool south : {false, true}) {
    SCOPED_TRACE(south ? "Sydney" : "London");
    sky.reset();
    base.reset();
    make(south ? "sydney" : "london", south ? spec : skytest::TskyDbSpec{},
         south ? at(2026, 6, 21, 2, 0) : at(2026, 6, 21, 11, 0));
    draw(1200, 800, base->sun().getSunB());
    std::map<std::string, bool> below;
    for (const auto& l : sky->lastLabels) below[l.caption] = l.below;
    ASSERT_TRUE(below.count("Summer solstice") && below.count("Winter solstice"));
    EXPECT_FALSE(below["Summer solstice"]);
    EXPECT_TRUE(below["Winter solstice"]);
    // The December curve is captioned after the June one in the north, and the other way round.
    auto order = [&](const std::string& c) {
      for (size_t i = 0; i < sky->lastLabels.size(); ++i)
        if (sky->lastLabels[i].caption == c) return int(i);
      return -1;
    };
    EXPECT_EQ(order("Winter solstice") < order("Summer solstice"), !south);
  }
}

// With full daylight the sky far from the sun runs to the zenith blue, and the sun's own
// direction takes the sun colour.
TEST_F(SkyTest, SkyColourRunsToTheZenithBlueAwayFromTheSun) {
  make("colours", {}, at(2026, 6, 21, 4, 30));
  Tsun& sun = base->sun();
  sun.sun();
  ASSERT_GT(sun.getSunE(), 4);
  sky->light = 100;
  sky->sunColour = 0xFFFFFF;
  EXPECT_EQ(sky->getcolour(0, 90), 0xFF6464);
  EXPECT_EQ(sky->getcolour(sun.getSunB() + 180, 0), TosDrawing::FadeColour(0xFFFFFF, 0xFF6464, 20));
  EXPECT_EQ(sky->getcolour(sun.getSunB(), sun.getSunE()), 0xFFFFFF);
}

}  // namespace

namespace {
// On the sky database of a built data folder (skipped when none is built): at night the names of
// the constellations stand apart, each drawn once, whichever way the view looks, also on a small
// picture where two of them would meet.
TEST_F(SkyTest, ConstellationNamesOfTheBuiltSkyNeverOverlap) {
  const char* env = std::getenv("KESTROVA_DATA_DIR");
  std::string dir = env && *env ? env : testenv::sourceDir() + "build/bin/";
  if (dir.back() != '/') dir += '/';
  if (!std::filesystem::exists(dir + "sky.db") || !std::filesystem::exists(dir + "ATTRIBUTION.txt"))
    GTEST_SKIP() << "no data folder built in " << dir;
  base = std::make_unique<TsunBase>(dir + "sky.db", 1920);
  setInstant(references().at("night").when);
  sky = std::make_unique<Tsky>(*base);
  ASSERT_TRUE(sky->built());
  for (auto [w, h] : {std::pair{1280, 800}, {640, 480}}) {
    int seen = 0;
    for (double bearing : {0.0, 90.0, 180.0, 270.0}) {
      SCOPED_TRACE(::testing::Message() << w << " x " << h << " towards " << bearing);
      draw(w, h, bearing);
      const auto& names = sky->lastNames;
      seen += int(names.size());
      for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j) {
          EXPECT_NE(names[i].name, names[j].name);
          EXPECT_TRUE(names[i].box.intersected(names[j].box).isEmpty()) << names[i].name << " and " << names[j].name;
        }
    }
    EXPECT_GT(seen, 20) << "names are drawn";
  }
}
}  // namespace
