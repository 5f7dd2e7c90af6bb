// The sun-path and shadow diagrams as recorded: the millimetre page's conversions, the bearing
// range by latitude, labels, captions and grids, curves where PyEphem puts the sun, and every
// place and gnomon at the edges of their ranges drawn whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "clock/r_Shadows_work.h"
#include "tests/clock/shadows_fixture.h"

namespace {
using namespace platform;
using namespace shadowstest;

TEST(Tdrawer, MillimetresBecomeHundredthsWithYDownwards) {
  Tdrawer d(315, 210, 630, 420);
  const struct {
    const char* id;
    int got, want;
  } cases[] = {{"px(0)", d.px(0), 31500},     {"py(0)", d.py(0), 21000},   {"py(210)", d.py(210), 0},
               {"px(-315)", d.px(-315), 0},   {"pv(0.25)", d.pv(0.25), 25}, {"pv(2.2)", d.pv(2.2), 220},
               {"pix(1.005)", d.pix(1.005), 100}, {"py(-210)", d.py(-210), 42000}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.got, c.want);
  }
  d.scale = 2;
  EXPECT_EQ(d.pv(1), 50);
  EXPECT_EQ(d.px(10), 32000);
  EXPECT_EQ(d.pix(1), 100) << "pix ignores the scale";

  EXPECT_EQ(d.emf(), nullptr);
  EXPECT_THROW((void)d.getCanvas(), std::logic_error);
  d.start();
  EXPECT_EQ(d.getCanvas().Font.Name(), "Calibri");
  EXPECT_EQ(d.getCanvas().Font.Height(), -MulDiv(125, 96, 72)) << "pv(2.5) points on a 96-DPI reference";
  d.getCanvas().MoveTo(0, 0);
  d.getCanvas().LineTo(100, 100);
  d.finish();
  ASSERT_NE(d.emf(), nullptr);
  EXPECT_EQ(d.emf()->MMWidth(), 63000);
  EXPECT_EQ(d.emf()->MMHeight(), 42000);
  EXPECT_FALSE(d.emf()->empty());
  EXPECT_FALSE(d.drawing());
}

// A page of 100 × 50 mm: a text above its top, a line running far past its right edge but cut
// there by a clip rectangle, a disc inside. Fitting grows the page for the text only, keeps a
// margin all round, and px and py still name the places the records moved to.
TEST(Tdrawer, FittingGrowsThePageForWhatIsDrawnBeyondItButNotForWhatIsCut) {
  Tdrawer d(50, 25, 100, 50);
  d.start();
  TCanvas& cv = d.getCanvas();
  cv.Font.setSize(d.pv(4));
  cv.Handle()->setTextAlign(TA_CENTER | TA_BASELINE);
  cv.TextOut(d.px(0), d.py(30), "ABOVE");
  cv.Handle()->saveDC();
  cv.Handle()->intersectClipRect(0, 0, d.pix(100), d.pix(50));
  cv.MoveTo(d.px(0), d.py(0));
  cv.LineTo(d.px(400), d.py(0));
  cv.Handle()->restoreDC(-1);
  cv.bind(cv.Handle());
  cv.Ellipse(d.px(-1), d.py(1), d.px(1), d.py(-1));
  d.finish();
  const TRect before = d.drawnBounds();
  EXPECT_LT(before.Top, 0) << "the text stands above the page";
  EXPECT_LE(before.Right, d.pix(100) + 1) << "the line is cut at the page";
  const int textX = d.px(0), textY = d.py(30), discX = d.px(-1);
  d.fitPage(2);
  const TMetafile& m = *d.emf();
  EXPECT_EQ(m.MMWidth(), 10000 + 400);
  EXPECT_EQ(m.MMHeight(), 5000 + 400 - before.Top);
  const TRect after = d.drawnBounds();
  EXPECT_EQ(after.Top, 200);
  EXPECT_GE(after.Left, 200);
  EXPECT_LE(after.Right, m.MMWidth() - 200);
  for (auto const& r : m.records()) {
    if (r->kind == Kind::Text) {
      EXPECT_EQ(r->pts[0].x, d.px(0));
      EXPECT_EQ(r->pts[0].y, d.py(30));
      EXPECT_EQ(r->pts[0].x - textX, 200);
      EXPECT_EQ(r->pts[0].y - textY, 200 - before.Top);
    }
    if (r->kind == Kind::Ellipse) EXPECT_EQ(r->pts[0].x, d.px(-1)) << discX;
  }
}

class SunPath : public ShadowsTest {};

TEST_F(SunPath, BearingRangeFollowsTheSolsticeArc) {
  const struct {
    double lat;
    int A, B0;
    bool north;
  } cases[] = {{51.5, 270, 45, true}, {-51.5, 270, 225, false}, {10, 360, 0, true},  {-10, 360, 180, false},
               {70, 360, 0, true},    {0, 360, 180, false},     {23.4, 360, 0, true}, {-23.4, 360, 180, false},
               {66.5, 360, 0, true},  {-66.5, 360, 180, false}, {90, 360, 0, true},   {-90, 360, 180, false},
               {40, 270, 45, true}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.lat);
    place(c.lat);
    const TbearingRange r = shadows->bearingRange();
    EXPECT_EQ(r.A, c.A);
    EXPECT_EQ(r.B0, c.B0);
    EXPECT_EQ(r.north, c.north);
    EXPECT_DOUBLE_EQ(r.scale, 630.0 / c.A);
  }
  place(51.5);
  double rise = 0, set = 0;
  bool north = false;
  ASSERT_TRUE(shadows->findRange(rise, set, north));
  EXPECT_NEAR(set - rise, 262, 1) << "the June day arc at 51.5 N";
}

TEST_F(SunPath, BearingLabelsAndDirections) {
  auto labels = [](int from, int step, int count) {
    std::vector<std::string> v;
    for (int i = 0; i < count; ++i) v.push_back(std::to_string((from + i * step) % 360) + "°");
    return v;
  };
  const struct {
    double lat;
    std::vector<std::string> want;
    const char* middle;  // the word at x = 0
  } cases[] = {{51.5, labels(60, 15, 17), "SOUTH"},
               {10, labels(15, 15, 23), "SOUTH"},
               {70, labels(15, 15, 23), "SOUTH"},
               {-10, labels(195, 15, 23), "NORTH"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.lat);
    place(c.lat);
    const auto all = texts(drawn());
    const TbearingRange r = shadows->bearingRange();
    const int row = shadows->dw->py(90 * r.scale + 1);
    std::vector<std::pair<double, std::string>> found;
    for (auto const& t : all)
      if (t.pts[0].y == row) found.push_back({t.pts[0].x, t.text});
    std::sort(found.begin(), found.end());
    std::vector<std::string> got;
    for (auto const& f : found) got.push_back(f.second);
    EXPECT_EQ(got, c.want);
    // The middle label stands at x = 0 under the word for the centre.
    ASSERT_EQ(got.size() % 2, 1u);
    EXPECT_EQ(found[got.size() / 2].first, shadows->dw->px(0));
    auto word = std::find_if(all.begin(), all.end(), [&](auto const& t) { return t.text == c.middle; });
    ASSERT_NE(word, all.end());
    EXPECT_EQ(word->pts[0].x, shadows->dw->px(0));
  }
}

TEST_F(SunPath, SolsticeAndEquinoxCaptionsByLatitude) {
  const struct {
    double lat;
    bool summer, winter;
  } cases[] = {{23, false, true}, {24, true, true}, {65.9, true, true}, {66, true, false},
               {-30, true, true}, {-23, false, true}, {-66, true, false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.lat);
    place(c.lat);
    const auto all = drawn();
    const std::string arcs = arcLetters(all);
    EXPECT_EQ(arcs.find("SUMMERSOLSTICE") != std::string::npos, c.summer) << arcs;
    EXPECT_EQ(arcs.find("WINTERSOLSTICE") != std::string::npos, c.winter) << arcs;
    // The equinox is named at both ends of its horizon: spring on the left, autumn on the right.
    double vernal = 0, autumnal = 0;
    for (auto const& t : texts(all)) {
      if (t.text == "Vernal Equinox") vernal = t.pts[0].x;
      if (t.text == "Autumnal Equinox") autumnal = t.pts[0].x;
    }
    EXPECT_LT(vernal, shadows->dw->px(0));
    EXPECT_GT(autumnal, shadows->dw->px(0));
    // The summer caption stands above the winter one in both hemispheres: over the higher curve.
    if (c.summer && c.winter) {
      double summerY = 0, winterY = 0;
      for (auto const& t : all) {
        if (t.kind == Kind::Text && t.text == "U") summerY = t.pts[0].y;  // only in SUMMER
        if (t.kind == Kind::Text && t.text == "W") winterY = t.pts[0].y;  // only in WINTER
      }
      EXPECT_LT(summerY, winterY);
    }
  }
}

TEST_F(SunPath, MonthsAreNamedAtTheHorizonWhereTheSunSets) {
  place(70);  // 1 June and 1 July: midnight sun, no horizon caption
  auto named = [](const std::vector<Tdrawn>& all, const std::string& s) {
    return std::any_of(all.begin(), all.end(), [&](auto const& t) { return t.kind == Kind::Text && t.text == s; });
  };
  const auto all = drawn();
  EXPECT_TRUE(named(all, "March"));
  EXPECT_FALSE(named(all, "June"));
  EXPECT_FALSE(named(all, "July"));
  // Captions read downwards: their font is turned a quarter clockwise.
  for (auto const& t : texts(all))
    if (t.text == "March") {
      EXPECT_EQ(t.font.escapement, -900);
    }
  place(51.5);
  EXPECT_TRUE(named(drawn(), "June"));
}

TEST_F(SunPath, HighlightedDayHasQuarterHourMarksAndItsName) {
  place(51.5);
  auto marks = [](const std::vector<Tdrawn>& all) {
    int n = 0;
    for (auto const& d : all) n += d.kind == Kind::Ellipse;
    return n;
  };
  const int plain = marks(drawn());
  shadows->date = createDateman().EncodeDateTime(2021, 11, 5, 12.0);
  shadows->highlightName = "5 November";
  const auto all = drawn();
  EXPECT_GT(marks(all) - plain, 30) << "marks every quarter hour of daylight";
  auto name = std::find_if(all.begin(), all.end(), [](auto const& t) { return t.text == "5 November"; });
  ASSERT_NE(name, all.end());
  EXPECT_EQ(name->pts[0].x, shadows->dw->px(0));
}

// ---- curves against PyEphem -----------------------------------------------------------------------

struct Treference {
  std::string kind;
  double lat, lon, zone;
  int month, day;
  double hour, elevation, bearing;
};

std::vector<Treference> reference() {
  std::ifstream in(testenv::sourceDir() + "tests/clock/shadows_reference.txt");
  std::vector<Treference> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    Treference r;
    s >> r.kind >> r.lat >> r.lon >> r.zone >> r.month >> r.day >> r.hour >> r.elevation >> r.bearing;
    out.push_back(r);
  }
  return out;
}

constexpr double kTolerance = 15;  // 0.15 mm of the page

// The red marker nearest to a point, and its distance (0.01 mm).
const Tdrawn* nearestRed(const std::vector<Tdrawn>& all, double x, double y) {
  const Tdrawn* best = nullptr;
  for (auto const& d : all)
    if (d.kind == Kind::Ellipse && d.brush == clRed &&
        (!best || std::hypot(d.cx() - x, d.cy() - y) < std::hypot(best->cx() - x, best->cy() - y)))
      best = &d;
  return best;
}
double nearestRedMark(const std::vector<Tdrawn>& all, double x, double y) {
  const Tdrawn* m = nearestRed(all, x, y);
  return m ? std::hypot(m->cx() - x, m->cy() - y) : 1e18;
}

TEST_F(SunPath, SolsticeNoonsAndSunrisesStandWherePyEphemPutsThem) {
  const auto refs = reference();
  ASSERT_GE(refs.size(), 12u);
  int checked = 0;
  for (auto const& r : refs) {
    const bool solsticeNoon = r.kind == "at" && r.day == 21 && (r.month == 6 || r.month == 12) && r.hour == 12;
    if (!solsticeNoon && r.kind != "rise") continue;
    SCOPED_TRACE(r.kind + " " + std::to_string(r.lat) + " " + std::to_string(r.month));
    place(r.lat, r.lon, r.zone);
    const auto all = drawn();
    const TbearingRange range = shadows->bearingRange();
    const bool north = range.north;
    auto xOf = [&](double b) { return north ? (b - 180) * range.scale : (b <= 180 ? b : b - 360) * range.scale; };
    const Tdrawer& d = *shadows->dw;
    if (solsticeNoon) {
      // Bearings change faster near the zenith: the same small angle is wider across by 1 / cos e.
      const double x = d.px(xOf(r.bearing)), y = d.py(r.elevation * range.scale);
      const Tdrawn* mark = nearestRed(all, x, y);
      ASSERT_NE(mark, nullptr);
      EXPECT_LT(std::abs(mark->cx() - x), kTolerance / std::cos(r.elevation * std::numbers::pi / 180));
      EXPECT_LT(std::abs(mark->cy() - y), kTolerance);
    } else {
      // The solstice curve's first point is its rising crossing of the horizon.
      const bool june = r.month == 6;
      const bool summerFirst = (june == north);
      int redCurves = 0;
      const Tdrawn* curve = nullptr;
      for (auto const& x : all) {
        if (x.kind != Kind::Polyline || x.pen != clRed) continue;
        if (x.pts.front().y != d.py(0)) continue;  // a piece after a split
        if (redCurves++ == (summerFirst ? 0 : 1)) {
          curve = &x;
          break;
        }
      }
      ASSERT_NE(curve, nullptr);
      EXPECT_NEAR(curve->pts.front().x, d.px(xOf(r.bearing)), kTolerance);
    }
    ++checked;
  }
  EXPECT_EQ(checked, 8);
}

// ---- the shadow diagram -------------------------------------------------------------------------

class ShadowDiagram : public ShadowsTest {};

TEST_F(ShadowDiagram, RingsFollowTheGnomon) {
  const struct {
    double gnomon;
    int n, k;
    double R;
  } cases[] = {{50, 4, 10, 200}, {30, 6, 8, 180}, {10, 20, 4, 200}, {45, 4, 10, 180}, {100, 2, 10, 200}};
  place(51.5);
  for (auto const& c : cases) {
    SCOPED_TRACE(c.gnomon);
    shadows->gnomon = c.gnomon;
    const auto all = drawn(2);
    const Tdrawer& d = *shadows->dw;
    std::vector<double> radii;
    std::map<TColor, int> colours;
    for (auto const& x : all)
      if (x.kind == Kind::Ellipse && x.brush == clWhite && x.cx() == d.px(0) && x.cy() == d.py(0)) {
        radii.push_back(x.radius());
        ++colours[x.pen];
      }
    ASSERT_EQ(int(radii.size()), c.n * c.k);
    EXPECT_DOUBLE_EQ(radii.front(), c.R * 100) << "outermost first";
    EXPECT_NEAR(radii.front() - radii[1], c.gnomon / c.k * 100, 0.51);
    EXPECT_EQ(colours[0xC0C0C0], c.n) << "one dark ring per gnomon height";
    EXPECT_EQ(colours[0xD7D7D7], c.n);
    // Ring labels: 1x ... and the outer one in words.
    std::vector<std::string> labels;
    for (auto const& t : texts(all))
      if (t.pts[0].x == d.px(2)) labels.push_back(t.text);
    ASSERT_EQ(int(labels.size()), c.n);
    EXPECT_EQ(labels.front(), "1x");
    EXPECT_EQ(labels.back(), std::to_string(c.n) + "x height of gnomon");
  }
}

TEST_F(ShadowDiagram, RayLabelsAreUprightRoundTheCircle) {
  place(51.5);
  const auto all = texts(drawn(2));
  std::map<int, int> escapement;  // label → font escapement
  for (auto const& t : all)
    if (t.text.size() > 2 && t.text.substr(t.text.size() - 2) == "°") escapement[std::stoi(t.text)] = t.font.escapement;
  std::map<int, int> want;
  for (int deg = 30; deg <= 330; deg += 30)
    if (deg != 180) want[deg] = deg < 91 || deg > 269 ? -deg * 10 : -(deg * 10 + 1800);
  EXPECT_EQ(escapement, want);
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](auto const& t) { return t.text == "NORTH"; }));
}

TEST_F(ShadowDiagram, ShadowTipsStandWherePyEphemPutsThem) {
  for (auto const& r : reference()) {
    if (r.kind != "at" || r.elevation < 1) continue;
    SCOPED_TRACE(std::to_string(r.lat) + " " + std::to_string(r.month) + " " + std::to_string(r.hour));
    if (!(r.day == 21 && (r.month == 6 || r.month == 12))) continue;
    place(r.lat, r.lon, r.zone);
    const auto all = drawn(2);
    const double L = 50 / std::tan(r.elevation * std::numbers::pi / 180);
    if (L >= 200) continue;  // beyond the outer ring: no mark
    const double a = (r.bearing + 180) * std::numbers::pi / 180;
    const Tdrawer& d = *shadows->dw;
    EXPECT_LT(nearestRedMark(all, d.px(std::sin(a) * L), d.py(std::cos(a) * L)), kTolerance);
  }
}

TEST_F(ShadowDiagram, CaptionsNeedTwoLengthsThatDiffer) {
  place(51.5);
  Tdrawer d(315, 210, 630, 420);
  d.start();
  TshadowsWork work(*shadows, d, shadows->bearingRange(), 420);
  using P = TshadowsWork::TshadowPoint;
  work.doCaption(P{0.5, 220}, P{0.5, 220}, 3, 1, "equal");
  work.doCaption(P{0.5, 0}, P{0.6, 150}, 3, 1, "missing");
  work.doCaption(P{0.5, 250}, P{0.6, 150}, 3, 1, "crossing");
  d.finish();
  std::vector<std::string> got;
  for (auto const& t : texts(read(*d.emf()))) {
    got.push_back(t.text);
    EXPECT_TRUE(std::isfinite(t.pts[0].x) && std::isfinite(t.pts[0].y));
  }
  EXPECT_EQ(got, std::vector<std::string>{"crossing"});
}

TEST_F(ShadowDiagram, HighlightedDayTakesThePlaceOfCaptions) {
  auto has = [](const std::vector<Tdrawn>& all, const std::string& s) {
    return std::any_of(all.begin(), all.end(), [&](auto const& t) { return t.kind == Kind::Text && t.text == s; });
  };
  place(51.5);
  const auto plain = drawn(2);
  EXPECT_TRUE(has(plain, "Summer Solstice"));
  EXPECT_TRUE(has(plain, "Vernal Equinox"));
  EXPECT_TRUE(has(plain, "January"));
  EXPECT_TRUE(has(plain, "12")) << "the solstice's hours";
  shadows->date = createDateman().EncodeDateTime(2021, 2, 14, 12.0);
  const auto marked = drawn(2);
  EXPECT_FALSE(has(marked, "Summer Solstice"));
  EXPECT_FALSE(has(marked, "January"));
  EXPECT_TRUE(has(marked, "14 February"));
  // The text block is south of the foot up north, and north of it down south.
  auto yOf = [](const std::vector<Tdrawn>& all, const std::string& s) {
    for (auto const& t : all)
      if (t.kind == Kind::Text && t.text == s) return t.pts[0].y;
    return -1.0;
  };
  EXPECT_GT(yOf(plain, "SHADOW DIAGRAM"), shadows->dw->py(0));
  shadows->date = 0;
  place(-33.87, 151.21, 10);
  EXPECT_LT(yOf(drawn(2), "SHADOW DIAGRAM"), shadows->dw->py(0));
}

// ---- every place at the edges of its range ---------------------------------------------------------

TEST_F(ShadowsTest, PlacesAndGnomonsAtTheEdgesDrawWholeDiagrams) {
  const struct {
    double lat, lon, zone, gnomon;
  } cases[] = {{90, 0, 0, 50},      {-90, 0, 0, 50},    {0, 0, 0, 10},      {66.5, 180, 14, 100},
               {-66.5, -180, -14, 10}, {23.4, 0, 0, 50}, {-23.4, 100, 7, 100}, {51.5, 180, -14, 10}};
  for (auto const& c : cases) {
    for (int option : {1, 2}) {
      SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.lon) + " option " + std::to_string(option));
      place(c.lat, c.lon, c.zone);
      shadows->gnomon = c.gnomon;
      const auto all = drawn(option);
      int lines = 0, words = 0;
      for (auto const& d : all) {
        lines += d.kind == Kind::Polyline;
        words += d.kind == Kind::Text;
        for (auto const& p : d.pts) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
      }
      EXPECT_GT(lines, 40);
      EXPECT_GT(words, 5);
    }
  }
  // A place that is not a number draws nothing new: the last diagram stays.
  const TMetafile* before = shadows->metafile();
  place(std::nan(""));
  EXPECT_FALSE(shadows->record());
  EXPECT_EQ(shadows->metafile(), before);
}

}  // namespace

namespace {
// ---- played into a box --------------------------------------------------------------------------

TEST_F(ShadowsTest, DrawPlaysTheDiagramIntoItsBoxWithWhiteStrips) {
  place(51.5);
  TBitmap bm;
  bm.SetPixelFormat(pf24bit);
  bm.SetSize(1300, 800);
  bm.dc().fillRect({0, 0, 1300, 800}, solidBrush(clBlack));
  const TRect box{50, 50, 1250, 750};  // 1200 × 700: the sun-path page fits its width
  ASSERT_TRUE(shadows->draw(bm.Canvas(), box));
  EXPECT_EQ(bm.surface().pixel(60, 55), clWhite) << "the strip above the fitted page";
  EXPECT_EQ(bm.surface().pixel(10, 10), clBlack) << "nothing outside the box";
  // The June noon marker stands where the page puts it: red within two pixels.
  const TbearingRange r = shadows->bearingRange();
  const Tdrawer& d = *shadows->dw;
  const TMetafile& m = *shadows->metafile();
  ASSERT_LT(double(m.MMHeight()) / m.MMWidth(), 700.0 / 1200);
  const double k = 1200.0 / m.MMWidth(), top = 50 + (700 - m.MMHeight() * k) / 2;
  const int x = int(50 + d.px((178.87 - 180) * r.scale) * k), y = int(top + d.py(61.93 * r.scale) * k);
  int red = 0;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) red += bm.surface().pixel(x + dx, y + dy) == clRed;
  EXPECT_GT(red, 0);

  // The shadow diagram's rings: grey circles round the foot, darker at each gnomon height.
  shadows->option = 2;
  bm.dc().fillRect({0, 0, 1300, 800}, solidBrush(clBlack));
  ASSERT_TRUE(shadows->draw(bm.Canvas(), box));
  const TMetafile& m2 = *shadows->metafile();
  ASSERT_GT(double(m2.MMHeight()) / m2.MMWidth(), 700.0 / 1200);
  const double s = 700.0 / m2.MMHeight(), left = 50 + (1200 - m2.MMWidth() * s) / 2;
  const int cx = int(left + shadows->dw->px(0) * s), cy = int(50 + shadows->dw->py(0) * s);
  int dark = 0, lighter = 0;
  for (int x2 = cx + 2; x2 < cx + int(200 * 100 * s); ++x2) {
    const TColor c = bm.surface().pixel(x2, cy - 3);
    dark += c == 0xC0C0C0;
    lighter += c == 0xD7D7D7;
  }
  EXPECT_GE(dark, 3);
  EXPECT_GE(lighter, 3);
}

}  // namespace
