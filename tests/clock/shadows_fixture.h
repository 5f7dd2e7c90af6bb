// The Shadows tab's tests: a locations model on a tiny sky database with the observer placed at
// will, and a reading of a recorded metafile into what it draws (shapes and texts with the pen,
// brush, text colour and font in force), in 0.01 mm of the page.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_Shadows.h"
#include "core/r_date.h"
#include "platform/metafile.h"
#include "tests/clock/skydb.h"
#include "tests/support/headless_os.h"

namespace shadowstest {

using Kind = platform::TMetafile::Record::Kind;

struct Tdrawn {
  Kind kind = Kind::MoveTo;
  std::vector<platform::TFPoint> pts;
  std::string text;
  platform::TColor pen = 0, brush = 0, textColour = 0;
  double penWidth = 0;  // 0.01 mm
  platform::TLogFont font;
  double fontHeight = 0;  // 0.01 mm, signed as the font's
  [[nodiscard]] double cx() const { return (pts[0].x + pts[1].x) / 2; }
  [[nodiscard]] double cy() const { return (pts[0].y + pts[1].y) / 2; }
  [[nodiscard]] double radius() const { return (pts[1].x - pts[0].x) / 2; }
};

inline std::vector<Tdrawn> read(const platform::TMetafile& m) {
  std::vector<Tdrawn> out;
  Tdrawn state{};
  state.kind = Kind::MoveTo;
  for (auto const& rp : m.records()) {
    auto const& r = *rp;
    switch (r.kind) {
      case Kind::Pen: state.pen = r.pen.color, state.penWidth = r.size; break;
      case Kind::Brush: state.brush = r.brush.color; break;
      case Kind::TextColor: state.textColour = r.colour; break;
      case Kind::Font: state.font = r.font, state.fontHeight = r.size; break;
      case Kind::Polyline: case Kind::Polygon: case Kind::Ellipse: case Kind::Rectangle: case Kind::Text:
      case Kind::FillRect: {
        Tdrawn d = state;
        d.kind = r.kind;
        d.pts = r.pts;
        d.text = r.text;
        out.push_back(std::move(d));
        break;
      }
      default: break;
    }
  }
  return out;
}

inline std::vector<Tdrawn> texts(const std::vector<Tdrawn>& all) {
  std::vector<Tdrawn> out;
  for (auto const& d : all)
    if (d.kind == Kind::Text) out.push_back(d);
  return out;
}

// The single letters drawn one by one along arcs, joined without blanks.
inline std::string arcLetters(const std::vector<Tdrawn>& all) {
  std::string s;
  for (auto const& d : all)
    if (d.kind == Kind::Text && d.text.size() == 1 && d.text != " ") s += d.text;
  return s;
}

class ShadowsTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    locationsDir.clear();
    createDateman();
    base = std::make_unique<TsunBase>(skytest::makeSkyDb("shadows"), 1920);
    shadows = std::make_unique<Tshadows>(*base);
  }
  void TearDown() override {
    shadows.reset();
    base.reset();
    HeadlessOsTest::TearDown();
  }
  void place(double lat, double lon = 0, double zone = 0) {
    base->observer().setlat(lat);
    base->observer().setlong(lon);
    base->observer().setTZ(zone);
  }
  // Records the diagram and reads it.
  std::vector<Tdrawn> drawn(int option = 1) {
    shadows->option = option;
    EXPECT_TRUE(shadows->record());
    return read(*shadows->metafile());
  }
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<Tshadows> shadows;
};

}  // namespace shadowstest
