// The locations model's own label drawer: nothing when labels are off, the box colour by local
// time on a canvas, and the image forms with their anchor mark and shaded box (the raw bitmap
// keeps its picture round the label).
#include <gtest/gtest.h>

#include "astro/r_SunLoc.h"
#include "core/r_base.h"
#include "core/r_date.h"

namespace {
struct DrawerFixture : ::testing::Test {
  void SetUp() override {
    createOs();
    createDateman();
  }
  void TearDown() override { freeOs(); }
};

Tbgr at(TrawBitmap24& b, int x, int y) {
  Tbgr c;
  b.getPixel(x, y, c);
  return c;
}

// One location at the map's centre with the given local time of day.
void place(Tlocations& l, double dayPart) {
  l.clear();
  Tloc& loc = l.getLoc(l.add());
  loc.name = "Here";
  loc.xi = 200;
  loc.yi = 100;
  loc.dt = 45672 + dayPart;
}
}  // namespace

TEST_F(DrawerFixture, BoxColourFollowsTheLocalTimeOfDay) {
  struct Case {
    const char* id;
    double dayPart;
    Tbgr colour;
  } cases[] = {
      {"06:00: half way to green", 0.25, Tbgr{0, 0x6E, 0}},
      {"12:00: full red", 0.5, Tbgr{0, 0, 0xFF}},
      {"18:00: half way to red", 0.75, Tbgr{0, 0, 0x94}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tlocations l(3840);
    place(l, c.dayPart);
    Tbm24 target;
    target.setsize(400, 200);
    target.fillAll(Tbgr{100, 100, 100});
    l.Draw(target.canvas(), 3840);
    const Tlocations::TlabelBox& b = l.lastBox;
    ASSERT_GT(b.L, 0);
    EXPECT_EQ(b.x, 200);
    EXPECT_EQ(at(target, b.x + b.L - b.k - 1, b.y + b.U - b.k - 1), c.colour);
    EXPECT_EQ(at(target, b.x + 1, b.y + 1), (Tbgr{0, 255, 255}));  // the pointer
  }
}

TEST_F(DrawerFixture, ImagesGetTheMarkAndAShadedBoxAndNothingWhenLabelsAreOff) {
  Tlocations l(400);
  place(l, 0.4);
  Tbm24 image;
  image.setsize(400, 200);
  image.fillAll(Tbgr{100, 100, 100});
  l.showLocations = false;
  l.Draw(image, 0);
  l.Draw(image.canvas(), 400);
  EXPECT_EQ(at(image, 200, 100), (Tbgr{100, 100, 100}));

  l.showLocations = true;
  l.Draw(image, 0);
  const Tlocations::TlabelBox b = l.lastBox;
  EXPECT_EQ(at(image, 198, 98), (Tbgr{0, 0, 255}));  // the red anchor mark left of the box
  EXPECT_EQ(at(image, b.x + b.L - 1, b.y + b.U - 1), (Tbgr{45, 45, 45}));  // 55 % towards black
  EXPECT_EQ(at(image, b.x + b.L, b.y + b.U), (Tbgr{100, 100, 100}));

  TrawBitmap raw;
  ASSERT_TRUE(raw.init(400, 200, 24));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 400; ++x) raw.setcolour24(x, y, 100, 100, 100);
  l.DrawRaw(raw, 0);
  uint8_t r = 0, g = 0, bl = 0;
  raw.getcolour24(b.x + b.L - 1, b.y + b.U - 1, r, g, bl);
  EXPECT_EQ(r, 55);  // 45 % towards black
  raw.getcolour24(10, 10, r, g, bl);
  EXPECT_EQ(r, 100);  // the picture round the label stays
}
