// Tnorthdata and Tnorth: rose 9's shades, styles that draw nothing, blank-padded compass letters,
// the settings lines both ways, pictures of style 15 and the empty frame of a style without one.
#include "clock/r_furniture.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/imagecodec.h"
#include "tests/support/bitmaps.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {
using namespace platform;

class NorthTest : public testenv::HeadlessOsTest {
 protected:
  std::set<TColor> colours(TBitmap& bm) {
    std::set<TColor> out;
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) out.insert(testenv::at(bm, x, y));
    return out;
  }
  bool allWhite(TBitmap& bm) { return colours(bm) == std::set<TColor>{0xFFFFFF}; }
};

TEST_F(NorthTest, BlackRoseNineUsesItsThreeGreyShadesAndBlack) {
  Tnorth n;
  n.colour = 0;
  TBitmap bm;
  testenv::make(bm, 400, 400);
  n.Draw(bm.Canvas(), n_rose4, {0, 0, 400, 400}, 96 / 25.4);
  EXPECT_EQ(n.colour1, 0x737373);
  EXPECT_EQ(n.colour2, 0xB2B2B2);  // 178.5 rounds to even
  const auto c = colours(bm);
  for (TColor want : {0x737373u, 0xC7C7C7u, 0x999999u, 0x000000u}) EXPECT_TRUE(c.count(want)) << std::hex << want;
}

TEST_F(NorthTest, StylesWithoutADrawingLeaveTheBoxAlone) {
  for (int style : {13, 21, -1}) {
    SCOPED_TRACE(style);
    Tnorth n;
    TBitmap bm;
    testenv::make(bm, 100, 100);
    n.Draw(bm.Canvas(), style, {0, 0, 100, 100}, 4);
    EXPECT_TRUE(allWhite(bm));
  }
}

TEST_F(NorthTest, ShortCompassLettersArePaddedWithBlanks) {
  for (int style : {n_rose0, n_old3, n_arrow4}) {
    SCOPED_TRACE(style);
    Tnorth n;
    n.NESWstring = "N";
    TBitmap bm;
    testenv::make(bm, 300, 300);
    n.Draw(bm.Canvas(), style, {0, 0, 300, 300}, 4);
    if (style != n_arrow4) EXPECT_EQ(n.NESWstring, "N   ");
    EXPECT_FALSE(allWhite(bm));
  }
  Tnorth empty;
  empty.NESWstring.clear();
  TBitmap bm;
  testenv::make(bm, 300, 300);
  empty.Draw(bm.Canvas(), n_arrow4, {0, 0, 300, 300}, 4);
  EXPECT_EQ(empty.NESWstring, "    ");
}

TEST_F(NorthTest, SettingsLinesLoadAndSaveOnlyWhatDiffersFromTheDefaults) {
  Tnorthdata d;
  d.colour = 255;
  d.bold = true;
  d.trueNorth = 5;
  TStringList seven;
  seven.add("north type=7");
  d.loadFromList(seven);
  EXPECT_EQ(d.option, 7);
  EXPECT_EQ(d.trueNorth, 0) << "cleared";
  EXPECT_EQ(d.colour, 255) << "kept";
  EXPECT_TRUE(d.bold) << "kept";

  Tnorthdata cleared;
  cleared.option = 3;
  TStringList one;
  cleared.saveToList(one);
  ASSERT_EQ(one.count(), 1);
  EXPECT_EQ(one[0], "north type=3");

  Tnorthdata full;
  full.option = n_font;
  full.symbolfont = "Webdings";
  full.ch = 90;
  full.italic = true;
  full.colour = 0x00FF00;
  full.trueNorth = -2.5;
  full.showTrueNorth = true;
  TStringList lines;
  full.saveToList(lines);
  Tnorthdata back;
  back.loadFromList(lines);
  EXPECT_EQ(back.option, n_font);
  EXPECT_EQ(back.symbolfont, "Webdings");
  EXPECT_EQ(back.ch, 90);
  EXPECT_TRUE(back.italic);
  EXPECT_EQ(back.colour, 0x00FF00);
  EXPECT_DOUBLE_EQ(back.trueNorth, -2.5);
  EXPECT_TRUE(back.showTrueNorth);

  Tnorthdata older;
  older.version = 3;
  TStringList v3;
  v3.add("north choice=18");
  v3.add("north type=5");
  older.loadFromList(v3);
  EXPECT_EQ(older.option, 18) << "the older key set";
}

TEST_F(NorthTest, PictureStylesDrawTheLoadedPictureOrAnEmptyFrame) {
  Tnorth n;
  n.option = 2;
  n.loadImage(testenv::tempDir() + "missing.png");
  EXPECT_EQ(n.option, 2) << "a missing file leaves the style";
  TBitmap bm;
  testenv::make(bm, 60, 60);
  n.Draw(bm.Canvas(), n_emf, {0, 0, 60, 60}, 4);
  EXPECT_EQ(testenv::at(bm, 0, 30), 0xC0C0C0u) << "the frame";
  EXPECT_EQ(testenv::at(bm, 30, 30), 0xFFFFFFu);

  TrgbImage red;
  red.width = red.height = 10;
  red.rgb.assign(300, 0);
  for (int i = 0; i < 100; ++i) red.rgb[size_t(i) * 3] = 255;
  std::string error;
  const std::string png = testenv::tempDir() + "north.png";
  ASSERT_TRUE(encodePngFile(png, red, error)) << error;
  n.loadImage(png);
  EXPECT_EQ(n.option, n_bmp);
  ASSERT_TRUE(n.fbm);
  testenv::make(bm, 60, 60);
  n.Draw(bm.Canvas(), n_bmp, {0, 0, 60, 60}, 4);
  EXPECT_EQ(testenv::at(bm, 30, 30), 0x0000FFu);
}

}  // namespace
