// TlineMan text outlines: label boxes against the font files' own advances and capital heights
// (tests/geometry/reference/make_text_table.py, fontTools), letters laid round a circle, and
// labels with nothing to draw.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <fstream>
#include <sstream>
#include <string>

#include "core/Tview.h"
#include "geometry/r_Geom.h"
#include "platform/canvas.h"

namespace {


std::string spaced(std::string s) {
  for (char& c : s)
    if (c == '_') c = ' ';
  return s;
}

// Capitals 2 world units tall: one pixel of the 100-pixel work size is 0.02.
TEST(TlineManText, BoxesAgreeWithTheFontTables) {
  std::ifstream in(std::string(KESTROVA_SOURCE_DIR) + "/tests/geometry/reference/text_table.txt");
  TlineMan lm;
  const double height = 2, px = height / 100, ax = 1000, ay = 2000;
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string kind, id, face, text;
    int h = 0, v = 0, linePixels = 0;
    double degrees = 0, maxgap = 0, left = 0, top = 0, right = 0, bottom = 0;
    words >> kind >> id >> face >> text >> h >> v >> degrees >> maxgap >> linePixels >> left >> top >> right >> bottom;
    SCOPED_TRACE(id);
    ++rows;
    Txyvalues xy{{ax, ay}};
    if (linePixels) xy.push_back({ax + linePixels * px, ay});
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ASSERT_TRUE(lm.GetTextBounds(spaced(face), height, h, v, degrees * std::numbers::pi / 180, spaced(text), maxgap, xy, x1, y1,
                                 x2, y2));
    EXPECT_NEAR((x1 - ax) / px, left, 1);
    EXPECT_NEAR((x2 - ax) / px, right, 1);
    EXPECT_NEAR((ay - y2) / px, top, 1);
    EXPECT_NEAR((ay - y1) / px, bottom, 1);
  }
  EXPECT_GT(rows, 0) << "run tests/geometry/reference/make_text_table.py";
}

TEST(TlineManText, NothingToDrawGivesAnEmptyBox) {
  TlineMan lm;
  struct Case {
    const char* id;
    double height;
    int32_t hJustify;
    std::string text;
    Txyvalues xy;
  } cases[] = {
      {"empty text", 2, 0, "", {{5, 6}}},
      {"no height", 0, 0, "H", {{5, 6}}},
      {"negative height", -2, 0, "H", {{5, 6}}},
      {"height not a number", NAN, 0, "H", {{5, 6}}},
      {"no anchor", 2, 0, "H", {}},
      {"anchor not a number", 2, 0, "H", {{NAN, 6}}},
      {"curve of no length", 2, 1100, "HH", {{5, 6}, {5, 6}, {5, 6}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    double x1 = 9, y1 = 9, x2 = 9, y2 = 9;
    EXPECT_FALSE(lm.GetTextBounds("DejaVu Sans", c.height, c.hJustify, 100, 0, c.text, 0, c.xy, x1, y1, x2, y2));
    const xyrec at = c.xy.empty() ? xyrec{0, 0} : c.xy[0];
    if (std::isnan(at.x)) {
      EXPECT_TRUE(std::isnan(x1) && std::isnan(x2));
    } else {
      EXPECT_EQ(x1, at.x);
      EXPECT_EQ(x2, at.x);
    }
    EXPECT_EQ(y1, at.y);
    EXPECT_EQ(y2, at.y);
  }
  platform::TCanvas unbound;
  Tview view;
  EXPECT_FALSE(lm.GetTextPath(unbound, "DejaVu Sans", {{0, 0}}, 20, 0, 0, 0, "H", view, 0, {}));
}

// Each "I" of DejaVu Sans is one bar: round a circle, every bar stands centred on the circle and
// across it, so the letters run with the tangent.
TEST(TlineManText, LettersFollowACircle) {
  TlineMan lm;
  platform::TBitmap bm;
  bm.SetSize(50, 50);
  Tview view;
  view.setmp(1);
  view.box = {};
  const double radius = 300;
  Txyvalues circle;
  Tpoints screen;
  for (int i = 0; i <= 72; ++i) {
    const double t = i * 2 * std::numbers::pi / 72;
    circle.push_back({radius * std::cos(t), radius * std::sin(t)});
    int32_t x = 0, y = 0;
    view.screenXY(circle.back().x, circle.back().y, x, y);
    screen.push_back({x, y});
  }
  ASSERT_TRUE(lm.GetTextPath(bm.Canvas(), "DejaVu Sans", screen, 40, 1100, 0, 0, "IIIIII", view, 0, circle));
  std::vector<platform::TPoint> pts;
  std::vector<uint8_t> kinds;
  ASSERT_TRUE(bm.Canvas().FlattenPath());
  ASSERT_TRUE(bm.Canvas().GetPath(pts, kinds));
  std::vector<Txyvalues> bars;
  for (size_t i = 0; i < pts.size(); ++i) {
    if (kinds[i] == platform::PT_MOVETO) bars.emplace_back();
    ASSERT_FALSE(bars.empty());
    bars.back().push_back({double(pts[i].X), double(pts[i].Y)});
  }
  ASSERT_EQ(bars.size(), 6u);
  Txyvalues mids;
  for (size_t b = 0; b < bars.size(); ++b) {
    SCOPED_TRACE(b);
    Txyvalues& bar = bars[b];
    if (bar.size() > 1 && bar.front() == bar.back()) bar.pop_back();
    xyrec mid{0, 0};
    for (const xyrec& p : bar) mid = {mid.x + p.x / bar.size(), mid.y + p.y / bar.size()};
    EXPECT_NEAR(std::hypot(mid.x, mid.y), radius, 1.5);
    // The longest side is the stem: along the radius.
    double longest = 0, stem = 0;
    for (size_t i = 0; i < bar.size(); ++i) {
      const xyrec &p = bar[i], &q = bar[(i + 1) % bar.size()];
      if (std::hypot(q.x - p.x, q.y - p.y) > longest) {
        longest = std::hypot(q.x - p.x, q.y - p.y);
        stem = std::atan2(q.y - p.y, q.x - p.x);
      }
    }
    EXPECT_NEAR(longest, 40, 1.5);
    EXPECT_NEAR(std::remainder(stem - std::atan2(mid.y, mid.x), std::numbers::pi), 0, 3 * std::numbers::pi / 180);
    mids.push_back(mid);
  }
  // Evenly spaced, one advance apart.
  const double step = std::hypot(mids[1].x - mids[0].x, mids[1].y - mids[0].y);
  EXPECT_GT(step, 10);
  for (size_t b = 2; b < mids.size(); ++b)
    EXPECT_NEAR(std::hypot(mids[b].x - mids[b - 1].x, mids[b].y - mids[b - 1].y), step, 1.5) << b;
}

}  // namespace
