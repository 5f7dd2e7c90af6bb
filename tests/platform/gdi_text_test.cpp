// Fonts and text on the device context: the font list and stand-ins, metrics and extents,
// alignment, kerning pairs, escapement and world transforms, paths from glyph outlines, and
// clipping to a path. Antialiased text is checked by its ink box, not pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/fonts.h"
#include "platform/gdi.h"

using namespace platform;

namespace {

constexpr TColor kWhite = 0xFFFFFF;

struct Sheet {
  TSurface s;
  TDeviceContext dc;
  explicit Sheet(int w = 400, int h = 200, int bpp = 24) {
    s.create(w, h, bpp);
    s.fillBytes(0xFF);
    dc.bind(&s);
    dc.setBkMode(BkMode::Transparent);
  }
  // Pixels that are no longer white.
  [[nodiscard]] TRect ink() const {
    TRect b;
    for (int y = 0; y < s.height(); ++y)
      for (int x = 0; x < s.width(); ++x)
        if (s.pixel(x, y) != kWhite) b.unite({x, y, x + 1, y + 1});
    return b;
  }
};

HFONT font(std::string face, int height, int escapement = 0, uint8_t quality = DEFAULT_QUALITY) {
  TLogFont lf;
  lf.faceName = std::move(face);
  lf.height = height;
  lf.escapement = lf.orientation = escapement;
  lf.quality = quality;
  return CreateFontIndirect(lf);
}

bool listed(std::vector<std::string> const& faces, std::string const& name) {
  return std::find(faces.begin(), faces.end(), name) != faces.end();
}

}  // namespace

TEST(Fonts, ListHoldsPackagedFacesAndTheirStandIns) {
  auto faces = screenFontFaces();
  for (char const* name : {"Open Sans", "Open Sans Semibold", "DejaVu Sans", "Arial", "Times New Roman", "Calibri",
                           "Tahoma", "Railway", "Wingdings", "Webdings"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(listed(faces, name));
  }
  EXPECT_TRUE(std::none_of(faces.begin(), faces.end(), [](std::string const& f) { return f.empty() || f[0] == '@'; }));
  EXPECT_EQ(resolvedFamily("Arial"), "Liberation Sans");
  EXPECT_EQ(resolvedFamily("calibri"), "Carlito");
  EXPECT_EQ(resolvedFamily("Railway"), "Cabin");
  EXPECT_EQ(resolvedFamily("Open Sans"), "Open Sans");
}

TEST(Fonts, HeightSignChoosesEmOrCell) {
  auto em = realizeFont(*font("Arial", -40));
  EXPECT_EQ(em->metrics().emHeight, 40);
  EXPECT_GT(em->metrics().height, 40);
  EXPECT_EQ(em->metrics().internalLeading, em->metrics().height - 40);
  auto cell = realizeFont(*font("Arial", 40));
  EXPECT_NEAR(cell->metrics().height, 40, 1);
  EXPECT_LT(cell->metrics().emHeight, 40);
  // Cap height of the stand-in for Arial: 1409 / 2048 of the em.
  EXPECT_NEAR(em->metrics().capHeight, 40 * 1409.0 / 2048, 1);
}

TEST(Fonts, MissingFaceFallsBackAndStillDraws) {
  Sheet sh;
  sh.dc.selectFont(font("No Such Face At All", -30));
  EXPECT_TRUE(sh.dc.textOut(10, 10, "Hello"));
  EXPECT_FALSE(sh.ink().isEmpty());
  EXPECT_GT(sh.dc.textExtent("Hello").cx, 0);
}

TEST(Fonts, SymbolFontCodesDrawSymbols) {
  auto wd = realizeFont(*font("Wingdings", -30));
  for (char32_t c : {char32_t(0xFC), char32_t(0xFB), char32_t(0xFE), char32_t(0xA8), char32_t(0x5E)}) {
    SCOPED_TRACE(int(c));
    EXPECT_TRUE(wd->hasGlyph(c));
    EXPECT_FALSE(wd->outline(c).empty());
  }
  auto web = realizeFont(*font("Webdings", -30));
  EXPECT_TRUE(web->hasGlyph(U'r'));
}

// Place names in scripts the program's face lacks are measured, outlined and drawn in a face that
// fontconfig names for each missing character, never as the face's missing-glyph box (the
// rendering of a noncharacter, which no face holds).
TEST(Fonts, CharactersTheFaceLacksComeFromAFallbackFace) {
  if (!isFaceListed("Noto Sans CJK JP")) GTEST_SKIP() << "the packaged CJK face is missing (scripts/setup.sh --tests)";
  auto f = realizeFont(*font("DejaVu Sans", -24));
  constexpr double kUpright[4] = {1, 0, 0, 1};
  const TGlyphCoverage box = f->coverage(U'\uFDD0', kUpright, 0, 0, true);
  ASSERT_GT(box.width * box.height, 0) << "the face's missing glyph draws a box";
  EXPECT_FALSE(f->hasGlyph(U'東')) << "the face itself lacks the ideographs";
  const std::u32string text = U"東京 Zürich القاهرة הבירה กรุงเทพ दिल्ली";
  for (char32_t c : text) {
    if (c == U' ') continue;
    SCOPED_TRACE(int(c));
    const TGlyphCoverage g = f->coverage(c, kUpright, 0, 0, true);
    const bool sameAsBox = g.left == box.left && g.top == box.top && g.width == box.width && g.height == box.height &&
                           g.alpha == box.alpha;
    EXPECT_FALSE(sameAsBox);
    EXPECT_GT(std::count_if(g.alpha.begin(), g.alpha.end(), [](uint8_t a) { return a > 128; }), 0);
    EXPECT_FALSE(f->outline(c).empty());
  }
  // Ideographs are as wide as the em in their own face; the missing glyph is narrower.
  EXPECT_NEAR(f->advance(U'東'), 24, 1);
  EXPECT_LT(f->advance(U'\uFDD0'), 20);
  // The context measures, draws and outlines with the same faces.
  Sheet sh(400, 60);
  sh.dc.selectFont(font("DejaVu Sans", -24));
  EXPECT_EQ(sh.dc.textExtent("東京").cx, 2 * f->advance(U'東'));
  sh.dc.textOut(10, 10, "東京");
  const TRect ink = sh.ink();
  EXPECT_GE(ink.Left, 10);
  EXPECT_GT(ink.Right, 10 + f->advance(U'東') + 12) << "the second ideograph is drawn after the first's advance";
  EXPECT_LE(ink.Right, 10 + 2 * f->advance(U'東') + 1);
  sh.dc.beginPath();
  sh.dc.textOut(10, 10, "京");
  sh.dc.endPath();
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
  EXPECT_TRUE(sh.dc.getPath(points, types));
  EXPECT_GT(points.size(), 20u);
}

TEST(DeviceContextText, ExtentAddsCharacterExtraAfterEveryCharacter) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -20));
  TSize plain = sh.dc.textExtent("AVA");
  auto f = sh.dc.realized();
  EXPECT_EQ(plain.cx, f->advance(U'A') * 2 + f->advance(U'V'));
  EXPECT_EQ(plain.cy, f->metrics().height);
  sh.dc.setTextCharacterExtra(5);
  EXPECT_EQ(sh.dc.textExtent("AVA").cx, plain.cx + 15);
  EXPECT_EQ(sh.dc.textExtent("").cx, 0);
}

TEST(DeviceContextText, AlignmentPlacesTheCellAroundTheReferencePoint) {
  struct Case {
    char const* id;
    unsigned align;
    int capTop;   // expected top of the ink of "H", from the metrics
    int left;     // expected left of the cell
  };
  Sheet probe;
  probe.dc.selectFont(font("Arial", -40));
  TTextMetric tm = probe.dc.textMetrics();
  int w = probe.dc.textExtent("HH").cx;
  int x = 200, y = 100;
  Case const cases[] = {
      {"left top", TA_LEFT | TA_TOP, y + tm.ascent - tm.capHeight, x},
      {"left baseline", TA_LEFT | TA_BASELINE, y - tm.capHeight, x},
      {"left bottom", TA_LEFT | TA_BOTTOM, y - tm.descent - tm.capHeight, x},
      {"right top", TA_RIGHT | TA_TOP, y + tm.ascent - tm.capHeight, x - w},
      {"centre top", TA_CENTER | TA_TOP, y + tm.ascent - tm.capHeight, x - w / 2},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Sheet sh;
    sh.dc.selectFont(font("Arial", -40));
    sh.dc.setTextAlign(c.align);
    sh.dc.textOut(x, y, "HH");
    TRect ink = sh.ink();
    EXPECT_NEAR(ink.Top, c.capTop, 1);
    int baseline = c.capTop + tm.capHeight;
    EXPECT_NEAR(ink.Bottom, baseline, 1);
    // "H" stands a few pixels inside its cell on either side.
    EXPECT_GE(ink.Left, c.left);
    EXPECT_LE(ink.Left, c.left + 6);
    EXPECT_LE(ink.Right, c.left + w);
    EXPECT_GE(ink.Right, c.left + w - 6);
  }
}

TEST(DeviceContextText, UpdateCurrentPositionAdvancesByTheWidth) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -20));
  sh.dc.setTextAlign(TA_UPDATECP);
  sh.dc.moveTo(10, 20);
  sh.dc.textOut(999, 999, "AB");  // the coordinates are not used
  int w = sh.dc.textExtent("AB").cx;
  EXPECT_EQ(sh.dc.currentPosition(), (TPoint{10 + w, 20}));
  sh.dc.textOut(0, 0, "C");
  EXPECT_EQ(sh.dc.currentPosition(), (TPoint{10 + w + sh.dc.textExtent("C").cx, 20}));
  EXPECT_LT(sh.ink().Top, 40);
}

TEST(DeviceContextText, OpaqueBackgroundFillsTheCell) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -20));
  sh.dc.setBkMode(BkMode::Opaque);
  sh.dc.setBkColor(0x0000FF);
  sh.dc.textOut(10, 10, "ij");
  TSize ext = sh.dc.textExtent("ij");
  EXPECT_EQ(sh.ink(), Bounds(10, 10, ext.cx, ext.cy));
  EXPECT_EQ(sh.s.pixel(10, 10), 0x0000FFu);
}

TEST(DeviceContextText, NonAntialiasedTextHasOnlyTheTextColour) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -30, 0, NONANTIALIASED_QUALITY));
  sh.dc.setTextColor(0x00FF00);
  sh.dc.textOut(10, 10, "Sample");
  for (int y = 0; y < sh.s.height(); ++y)
    for (int x = 0; x < sh.s.width(); ++x) {
      TColor c = sh.s.pixel(x, y);
      ASSERT_TRUE(c == kWhite || c == 0x00FF00u) << x << "," << y;
    }
}

TEST(DeviceContextText, KerningPairsComeFromTheFontsTable) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -100));
  auto pairs = sh.dc.kerningPairs();
  auto av = std::find_if(pairs.begin(), pairs.end(), [](TKerningPair const& p) { return p.first == U'A' && p.second == U'V'; });
  ASSERT_NE(av, pairs.end());
  EXPECT_LT(av->amount, 0);
  // Scaled with the size.
  sh.dc.selectFont(font("Arial", -200));
  auto big = sh.dc.kerningPairs();
  auto av2 = std::find_if(big.begin(), big.end(), [](TKerningPair const& p) { return p.first == U'A' && p.second == U'V'; });
  ASSERT_NE(av2, big.end());
  EXPECT_NEAR(av2->amount, 2 * av->amount, 1);
}

TEST(DeviceContextText, EscapementAndWorldRotationTurnTheText) {
  // Escapement 90 degrees: the text runs upward from the reference point.
  Sheet a(200, 300);
  a.dc.selectFont(font("Arial", -30, 900));
  a.dc.setTextAlign(TA_BASELINE);
  a.dc.textOut(100, 250, "HHHHH");
  TRect ia = a.ink();
  int w = a.dc.textExtent("HHHHH").cx;
  EXPECT_GT(ia.height(), 3 * ia.width());
  EXPECT_NEAR(ia.Bottom, 250, 4);
  EXPECT_NEAR(ia.Top, 250 - w, 6);
  EXPECT_LE(ia.Right, 101);  // the capitals stand left of the baseline

  // The same by a world transform turning 90 degrees counter-clockwise on the screen.
  Sheet b(200, 300);
  b.dc.selectFont(font("Arial", -30));
  b.dc.setTextAlign(TA_BASELINE);
  ASSERT_TRUE(b.dc.setGraphicsMode(GraphicsMode::Advanced));
  ASSERT_TRUE(b.dc.setWorldTransform(XFORM{0, -1, 1, 0, 100, 250}));
  b.dc.textOut(0, 0, "HHHHH");
  TRect ib = b.ink();
  EXPECT_NEAR(ib.Top, ia.Top, 2);
  EXPECT_NEAR(ib.Bottom, ia.Bottom, 2);
  EXPECT_NEAR(ib.Left, ia.Left, 2);
  EXPECT_NEAR(ib.Right, ia.Right, 2);
}

TEST(DeviceContextPaths, GlyphOutlinesMakeTheInkRegion) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -60, 0, NONANTIALIASED_QUALITY));
  sh.dc.beginPath();
  sh.dc.textOut(20, 30, "H");
  sh.dc.endPath();
  EXPECT_TRUE(sh.ink().isEmpty());  // nothing painted while recording
  TRegion rg;
  ASSERT_TRUE(sh.dc.pathToRegion(rg));
  EXPECT_FALSE(sh.dc.hasPath());
  sh.dc.textOut(20, 30, "H");
  TRect drawn = sh.ink();
  TRect region = rg.bounds();
  EXPECT_NEAR(region.Top, drawn.Top, 1);
  EXPECT_NEAR(region.Bottom, drawn.Bottom, 1);
  EXPECT_NEAR(region.Left, drawn.Left, 1);
  EXPECT_NEAR(region.Right, drawn.Right, 1);
  EXPECT_FALSE(sh.dc.pathToRegion(rg));  // consumed
}

TEST(DeviceContextPaths, WidePenStrokesAHaloAroundTheGlyphs) {
  Sheet sh;
  sh.dc.selectFont(font("Arial", -60));
  sh.dc.beginPath();
  sh.dc.textOut(40, 40, "H");
  sh.dc.endPath();
  TRegion rg;
  {
    Sheet probe;
    probe.dc.selectFont(font("Arial", -60));
    probe.dc.beginPath();
    probe.dc.textOut(40, 40, "H");
    probe.dc.endPath();
    probe.dc.pathToRegion(rg);
  }
  sh.dc.setPen(makePen(PenStyle::Solid, 8, 0x0000FF));
  ASSERT_TRUE(sh.dc.strokePath());
  TRect halo = sh.ink(), glyph = rg.bounds();
  EXPECT_NEAR(halo.Left, glyph.Left - 4, 1);
  EXPECT_NEAR(halo.Right, glyph.Right + 4, 1);
  EXPECT_NEAR(halo.Top, glyph.Top - 4, 1);
  EXPECT_NEAR(halo.Bottom, glyph.Bottom + 4, 1);
  EXPECT_FALSE(sh.dc.strokePath());  // no path left
}

TEST(DeviceContextPaths, ClipPathLimitsLaterDrawing) {
  Sheet sh(100, 100);
  sh.dc.beginPath();
  sh.dc.rectangle(10, 10, 30, 30);
  sh.dc.endPath();
  ASSERT_TRUE(sh.dc.selectClipPath(RGN_AND));
  sh.dc.fillRect({0, 0, 100, 100}, solidBrush(0));
  EXPECT_EQ(sh.ink(), Rect(10, 10, 30, 30));
  EXPECT_FALSE(sh.dc.selectClipPath(RGN_AND));  // no path recorded
}

TEST(DeviceContextTransforms, RotationAndShiftMoveLines) {
  Sheet sh(200, 100);
  EXPECT_FALSE(sh.dc.setWorldTransform(XFORM{}));  // compatible mode refuses
  ASSERT_EQ(sh.dc.setGraphicsMode(GraphicsMode::Advanced), GM_COMPATIBLE);
  // Turned a quarter clockwise on the screen and moved to (100, 50).
  XFORM turn{0, 1, -1, 0, 100, 50};
  ASSERT_TRUE(sh.dc.modifyWorldTransform(&turn, MWT_LEFTMULTIPLY));
  sh.dc.moveTo(0, 0);
  sh.dc.lineTo(10, 0);
  EXPECT_EQ(sh.ink(), Rect(100, 50, 101, 60));
  // Left-multiplying puts the new matrix first: a shift of 10 along the turned x axis.
  XFORM shift{1, 0, 0, 1, 10, 0};
  sh.dc.modifyWorldTransform(&shift, MWT_LEFTMULTIPLY);
  EXPECT_EQ(sh.dc.toDevice({0, 0}), (TPoint{100, 60}));
  EXPECT_EQ(sh.dc.toLogical({100, 60}), (TPoint{0, 0}));
  EXPECT_EQ(sh.dc.setGraphicsMode(GraphicsMode::Compatible), 0);  // not with a transform in force
  sh.dc.modifyWorldTransform(nullptr, MWT_IDENTITY);
  EXPECT_EQ(sh.dc.setGraphicsMode(GraphicsMode::Compatible), GM_ADVANCED);
}

TEST(DeviceContextTransforms, SaveAndRestoreKeepTheTransformAndFont) {
  Sheet sh;
  sh.dc.setGraphicsMode(GraphicsMode::Advanced);
  HFONT f = font("Arial", -12);
  sh.dc.selectFont(f);
  int saved = sh.dc.saveDC();
  sh.dc.setWorldTransform(XFORM{2, 0, 0, 2, 5, 5});
  sh.dc.selectFont(font("Open Sans", -30));
  sh.dc.setTextAlign(TA_CENTER);
  ASSERT_TRUE(sh.dc.restoreDC(saved));
  EXPECT_EQ(sh.dc.worldTransform(), XFORM{});
  EXPECT_EQ(sh.dc.font(), f);
  EXPECT_EQ(sh.dc.textAlign(), TA_LEFT | TA_TOP);
}

TEST(DeviceContextTransforms, BlitsFollowScaleAndTurn) {
  TSurface src;
  src.create(3, 1, 24);
  src.setPixel(0, 0, 0x0000FF);
  src.setPixel(1, 0, 0x00FF00);
  src.setPixel(2, 0, 0xFF0000);
  TDeviceContext sdc(&src);
  struct Case {
    char const* id;
    XFORM xf;
    TRect ink;
    TPoint first, last;  // where the first and last source pixels land
  } const cases[] = {
      {"doubled", XFORM{2, 0, 0, 2, 0, 0}, Rect(2, 2, 8, 4), {2, 3}, {7, 2}},
      {"turned a quarter clockwise", XFORM{0, 1, -1, 0, 10, 10}, Rect(8, 11, 9, 14), {8, 11}, {8, 13}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Sheet sh(20, 20);
    sh.dc.setGraphicsMode(GraphicsMode::Advanced);
    sh.dc.setWorldTransform(c.xf);
    ASSERT_TRUE(BitBlt(sh.dc, 1, 1, 3, 1, &sdc, 0, 0, SRCCOPY));
    EXPECT_EQ(sh.ink(), c.ink);
    EXPECT_EQ(sh.s.pixel(c.first.X, c.first.Y), 0x0000FFu);
    EXPECT_EQ(sh.s.pixel(c.last.X, c.last.Y), 0xFF0000u);
    EXPECT_EQ(sh.dc.worldTransform(), c.xf);
  }
}

TEST(DeviceContextTransforms, TurnedShapesAndClipsFollowTheFrame) {
  XFORM turn{0, 1, -1, 0, 100, 100};  // a quarter clockwise about (100, 100)
  struct Case {
    char const* id;
    int shape;
    TRect ink;
  } const cases[] = {
      {"rectangle", 0, Rect(90, 100, 101, 121)},
      {"pie: upper right quarter", 1, Rect(80, 120, 101, 141)},
      {"round rectangle", 2, Rect(90, 100, 101, 121)},
      {"clip", 3, Rect(90, 100, 100, 120)},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Sheet sh(200, 200);
    sh.dc.setGraphicsMode(GraphicsMode::Advanced);
    sh.dc.setWorldTransform(turn);
    sh.dc.setBrush(solidBrush(0));
    if (c.shape == 0) sh.dc.rectangle(0, 0, 20, 10);
    if (c.shape == 1) sh.dc.pie(0, 0, 40, 40, 40, 20, 20, 0);
    if (c.shape == 2) sh.dc.roundRect(0, 0, 20, 10, 4, 4);
    if (c.shape == 3) {
      sh.dc.intersectClipRect(0, 0, 20, 10);
      sh.dc.modifyWorldTransform(nullptr, MWT_IDENTITY);
      sh.dc.fillRect({0, 0, 200, 200}, solidBrush(0));
    }
    TRect ink = sh.ink();
    EXPECT_NEAR(ink.Left, c.ink.Left, 1);
    EXPECT_NEAR(ink.Top, c.ink.Top, 1);
    EXPECT_NEAR(ink.Right, c.ink.Right, 1);
    EXPECT_NEAR(ink.Bottom, c.ink.Bottom, 1);
  }
}

TEST(DeviceContextTransforms, TurnedHalftoneStretchSmooths) {
  TSurface src;
  src.create(2, 1, 24);
  src.setPixel(0, 0, 0x000000);
  src.setPixel(1, 0, 0xFFFFFF);
  TDeviceContext sdc(&src);
  for (StretchMode mode : {StretchMode::ColorOnColor, StretchMode::Halftone}) {
    SCOPED_TRACE(int(mode));
    Sheet sh(60, 60);
    sh.s.fillBytes(0x80);
    sh.dc.setStretchBltMode(mode);
    sh.dc.setGraphicsMode(GraphicsMode::Advanced);
    sh.dc.setWorldTransform(XFORM{0, 1, -1, 0, 40, 10});
    ASSERT_TRUE(StretchBlt(sh.dc, 0, 0, 40, 20, &sdc, 0, 0, 2, 1, SRCCOPY));
    int between = 0;
    for (int y = 10; y < 50; ++y) {
      TColor c = sh.s.pixel(30, y);
      if (c != 0 && c != 0xFFFFFF) ++between;
    }
    if (mode == StretchMode::Halftone) EXPECT_GT(between, 10);
    else EXPECT_EQ(between, 0);
  }
}
