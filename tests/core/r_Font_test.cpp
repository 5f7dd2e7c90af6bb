// TfontMan: face IDs and name fallbacks, measurements and size conversions, text placed by its
// capitals, per-character attributes, word wrap, bracketed and stretched text, ink boxes, arcs
// and angles. Drawn text is checked by its ink box on off-screen bitmaps.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/r_Font.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr TColor kWhite = 0xFFFFFF;
constexpr double kPi = std::numbers::pi;

struct Page {
  TBitmap bm;
  explicit Page(int w = 400, int h = 300) {
    bm.SetSize(w, h);
    bm.Canvas().Font.setName("Arial");
    bm.Canvas().Font.setSize(30);
    bm.dc().setBkMode(BkMode::Transparent);
  }
  TCanvas& c() { return bm.Canvas(); }
  [[nodiscard]] TRect ink(TColor only = CLR_INVALID) const {
    TRect b;
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) {
        TColor p = bm.surface().pixel(x, y);
        if (p != kWhite && (only == CLR_INVALID || p == only)) b.unite({x, y, x + 1, y + 1});
      }
    return b;
  }
};

// A face rec whose visual height is exactly `v` pixels at `points` on a 96-pixel-per-inch canvas.
TfontRec recForVisualHeight(double v, int points) { return TfontRec{0, 0, v / points * 25.4 / 96, 0, 1}; }

}  // namespace

TEST(TfontMan, FaceIDsFollowTheNameBytes) {
  EXPECT_EQ(uint32_t(TfontMan::computeID("Arial")), 0x2A006C41u);
  EXPECT_EQ(uint32_t(TfontMan::computeID("Open Sans")), 0x3AFD734Fu);
  EXPECT_EQ(TfontMan::computeID(""), 0);
  TfontMan fm;
  ASSERT_NE(fm.arialID, 0);  // Arial is listed through its stand-in
  EXPECT_EQ(fm.fontID("arial"), fm.arialID);
  EXPECT_EQ(fm.fontID("@Arial"), fm.arialID);
  EXPECT_EQ(fm.fontID("No Such Face"), fm.arialID);
  EXPECT_EQ(fm.fontID("Open Sans"), TfontMan::computeID("Open Sans"));
  EXPECT_EQ(fm.fontnameFromId(fm.fontID("Open Sans")), "Open Sans");
  EXPECT_EQ(fm.fontnameFromId(12345), "Arial");
  EXPECT_EQ(fm.SansSerif(), "Open Sans");
  for (int i = 1; i < fm.fonts().count(); ++i) EXPECT_LE(compareNoCase(fm.fonts()[i - 1], fm.fonts()[i]), 0);
}

TEST(TfontMan, GetFontNameFallsBackStepByStep) {
  TfontMan fm;
  std::string file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  ASSERT_TRUE(fm.addTTF(file, "Fancy Regular"));
  ASSERT_TRUE(fm.addTTF(file, "Plain Rg"));
  EXPECT_TRUE(fm.addTTF("/nowhere/missing.ttf", "Open Sans"));  // listed already: true at once
  EXPECT_FALSE(fm.addTTF("/nowhere/missing.ttf", "Missing Face"));
  EXPECT_EQ(fm.fontID("Fancy Regular"), TfontMan::computeID("Fancy Regular"));
  struct Case {
    char const* wanted;
    char const* got;
  } const cases[] = {
      {"Open Sans", "Open Sans"}, {"open sans", "open sans"},  {"Fancy", "Fancy Regular"},
      {"Plain", "Plain Rg"},      {"Open Sans Semi", "Open Sans Semibold"}, {"Nothing Like It", "Arial"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.wanted);
    EXPECT_EQ(fm.getFontName(c.wanted), c.got);
  }
}

TEST(TfontMan, FontFactorMeasuresAgainstArialAndCaches) {
  TfontMan fm;
  double top = 0, base = 0, pttomm = 0, lower = 0;
  EXPECT_EQ(fm.fontfactor("Arial", top, base, pttomm, lower), 1.0);
  // Arial's capitals are 1409/2048 of the em; 100 points are 133.3 pixels at 96 per inch.
  EXPECT_NEAR(pttomm, 1409.0 / 2048 * 25.4 / 72, 0.004);
  EXPECT_GT(lower, 0.5 * pttomm);
  EXPECT_LT(lower, pttomm);
  EXPECT_NEAR(base - top, pttomm * 96 / 25.4, 0.011);
  EXPECT_EQ(fm.dpi, 96);
  // Calibri's stand-in has smaller capitals than Arial's at the same size: a factor above 1.
  double calibri = fm.fontfactor("Calibri");
  EXPECT_GT(calibri, 1.03);
  EXPECT_LT(calibri, 1.2);
  // Served from the cache afterwards, even when set by hand.
  fm.setFontRec("Calibri", TfontRec{0.1, 0.9, 0.3, 0.2, 1.5});
  EXPECT_EQ(fm.fontfactor("Calibri", top), 1.5);
  EXPECT_EQ(top, 0.1);
  // A face that is not listed is measured each time and falls back without error.
  EXPECT_GT(fm.fontfactor("No Such Face"), 0.0);
}

TEST(TfontMan, SizesConvertThroughCapHeight) {
  TfontMan fm;
  fm.setFontRec("Arial", TfontRec{0, 0, 0.25, 0.2, 1});
  Page p;
  EXPECT_DOUBLE_EQ(fm.fontsize("Arial", 3), 12.0);
  EXPECT_EQ(fm.fontsizePx("Arial", 2.625), 10);  // 10.5 points: halves to even
  EXPECT_EQ(fm.fontHeight(p.c(), "Arial", 3), -16);
  EXPECT_EQ(fm.fontHeight(p.c(), "Arial", 96 / 25.4, 3), -16);
  EXPECT_DOUBLE_EQ(fm.fontsizemm("Arial", 12), 3.0);
  EXPECT_DOUBLE_EQ(fm.MMtoPoints("Arial"), 4.0);
  p.c().Font.setSize(12);
  EXPECT_NEAR(fm.VisualFontHeight(p.c()), 12 * 0.25 * 96 / 25.4, 1e-9);
  EXPECT_EQ(fm.fontHeight(p.c(), 12 * 0.25 * 96 / 25.4), -16);
}

TEST(TfontMan, CapitalsArePlacedByTopBaselineOrMiddle) {
  TfontMan fm;
  struct Case {
    char const* id;
    int which;      // 0 top, 1 baseline, 2 middle
    unsigned align;  // the canvas's alignment before the call
  } const cases[] = {{"top", 0, TA_LEFT | TA_TOP}, {"top, canvas at bottom", 0, TA_LEFT | TA_BOTTOM},
                     {"baseline", 1, TA_LEFT | TA_TOP}, {"middle", 2, TA_LEFT | TA_TOP}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Page p;
    p.bm.dc().setTextAlign(c.align);
    double v = fm.VisualFontHeight(p.c());
    if (c.which == 0) fm.TopTextOut(p.c(), 20, 100, "HEH");
    if (c.which == 1) fm.BaseTextOut(p.c(), 20, 100, "HEH");
    if (c.which == 2) fm.VCentredText(p.c(), 20, 100, "HEH");
    TRect ink = p.ink();
    double top = c.which == 0 ? 100 : c.which == 1 ? 100 - v : 100 - v / 2;
    EXPECT_NEAR(ink.Top, top, 1.5);
    EXPECT_NEAR(ink.Bottom, top + v, 1.5);
    EXPECT_EQ(p.bm.dc().textAlign(), c.align);
  }
}

TEST(TfontMan, TopTextOutKeepsTheHorizontalAlignment) {
  TfontMan fm;
  Page p;
  p.bm.dc().setTextAlign(TA_RIGHT);
  fm.TopTextOut(p.c(), 300, 50, "HEH");
  EXPECT_LE(p.ink().Right, 300);
  EXPECT_GE(p.ink().Right, 296);
}

TEST(TfontMan, UnreadablySmallTextBecomesALine) {
  TfontMan fm;
  fm.setFontRec("Arial", recForVisualHeight(1.95, 10));
  Page p;
  p.c().Font.setSize(10);
  p.c().Font.Color = 0x0000FF;
  fm.TopTextOut(p.c(), 10, 40, "Hello");
  TRect ink = p.ink();
  EXPECT_EQ(ink.Top, 41);
  EXPECT_EQ(ink.Bottom, 42);
  EXPECT_EQ(ink.Left, 10);
  EXPECT_NEAR(ink.width(), p.c().TextWidth("Hello"), 3);
  EXPECT_EQ(p.bm.surface().pixel(10, 41), 0x0000FFu);
  // Just above two pixels the glyphs are drawn.
  fm.setFontRec("Arial", recForVisualHeight(2.1, 10));
  Page q;
  q.c().Font.setSize(10);
  fm.TopTextOut(q.c(), 10, 40, "Hello");
  EXPECT_GT(q.ink().height(), 1);
}

TEST(TfontMan, HaloSurroundsTheGlyphs) {
  TfontMan fm;
  Page p;
  fm.TopTextOut(p.c(), 40, 60, "HEH", 0x0000FF, 8);
  TRect red = p.ink(0x0000FF), all = p.ink();
  EXPECT_EQ(red, all);  // the halo is the outermost ink
  Page plain;
  fm.TopTextOut(plain.c(), 40, 60, "HEH");
  TRect text = plain.ink();
  EXPECT_NEAR(red.Top, text.Top - 4, 1);
  EXPECT_NEAR(red.Left, text.Left - 4, 1);
  EXPECT_EQ(p.c().Pen.Width, 1);
  EXPECT_EQ(p.c().Pen.Color, 0u);
}

TEST(TfontMan, HaloWidthsRoundHalvesToEvenAndStayEven) {
  struct Case {
    double v;
    int given, top;
  } const cases[] = {{18, 0, 4}, {18, -1, 4}, {5, 0, 2}, {18, 5, 5}, {30, -1, 8}, {0.5, 0, 2}, {27, -1, 8}};
  for (auto const& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " " << c.given);
    EXPECT_EQ(TfontMan::topHaloWidth(c.v, c.given), c.top);
  }
  EXPECT_EQ(TfontMan::haloWidth(9), 2);   // round(1.5)
  EXPECT_EQ(TfontMan::haloWidth(6), 2);   // round(1), raised
  EXPECT_EQ(TfontMan::haloWidth(21), 4);  // round(3.5)
}

TEST(TfontMan, MultiLineTextAdvancesByOnePointFourCapHeights) {
  TfontMan fm;
  fm.setFontRec("Arial", recForVisualHeight(10, 30));
  Page p;
  EXPECT_EQ(fm.TopMultiTextOut(p.c(), 10, 10, "A|B|C"), 38);
  EXPECT_EQ(fm.TopMultiTextOut(p.c(), 10, 10, "A|"), 10);
  EXPECT_EQ(fm.TopMultiTextOut(p.c(), 10, 10, "A||C"), 38);
}

TEST(TfontMan, CharacterAttributesWaitForATextOfTheirLength) {
  TfontMan fm;
  Page p;
  fm.charAtt.assign(5, attRec{0x0000FF, fsBold});
  fm.TopTextOut(p.c(), 10, 10, "ABCD");
  EXPECT_TRUE(p.ink(0x0000FF).isEmpty());
  EXPECT_EQ(fm.charAtt.size(), 5u);
  fm.TopTextOut(p.c(), 10, 80, "ABCDE");
  EXPECT_FALSE(p.ink(0x0000FF).isEmpty());
  EXPECT_TRUE(fm.charAtt.empty());
  EXPECT_EQ(p.c().Font.Color, 0u);
  EXPECT_EQ(p.c().Font.Style(), 0u);
}

TEST(TfontMan, AlignAndJustifyReadTheTextAlignment) {
  struct Case {
    unsigned before, value, after;
    int h, v;
  } const cases[] = {
      {TA_CENTER, TA_BOTTOM, TA_CENTER | TA_BOTTOM, 6, 8},
      {TA_CENTER | TA_UPDATECP, TA_BOTTOM, TA_CENTER | TA_UPDATECP | TA_BOTTOM, 6, 8},
      {TA_RIGHT | TA_BASELINE, TA_CENTER, TA_CENTER, 6, 0},
      {TA_LEFT, TA_RIGHT | TA_BASELINE, TA_RIGHT | TA_BASELINE, 2, 24},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.after);
    Page p;
    p.bm.dc().setTextAlign(c.before);
    EXPECT_EQ(TfontMan::align(p.c(), c.value), c.before);
    EXPECT_EQ(p.bm.dc().textAlign(), c.after);
    int h = -1, v = -1;
    TfontMan::getJustify(p.c(), h, v);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(v, c.v);
  }
}

TEST(TfontMan, CentredTextCentresItsInk) {
  TfontMan fm;
  Page p;
  fm.drawCentredText(p.c(), "gAy", 200, 150);
  TRect ink = p.ink();
  EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 150, 1.5);
  EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 200, 1.5);
}

TEST(TfontMan, CharInBoxFillsTheBox) {
  TfontMan fm;
  for (double degrees : {0.0, 90.0}) {
    SCOPED_TRACE(degrees);
    Page p;
    TRect box{100, 50, 200, 250};
    fm.drawCharInBox(p.c(), "\u00FC", "Wingdings", box, degrees);  // a tick
    TRect ink = p.ink();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE((TRect{97, 47, 203, 253}).contains(ink));
    EXPECT_GE(std::max(ink.width(), ink.height()), 95);  // scaled to the narrower side
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 150, 3);
    EXPECT_EQ(p.c().Font.Name(), "Arial");
    EXPECT_EQ(p.c().Font.Size(), 30);
    EXPECT_EQ(p.c().Font.Orientation(), 0);
  }
}

TEST(TfontMan, WordWrapBreaksBeforeTheOverflowingWord) {
  TfontMan fm;
  fm.setFontRec("Arial", recForVisualHeight(9.6, 10));
  Page p;
  p.c().Font.setSize(10);
  // Two paragraphs that fit: 15 pixels apart (10 points × 1.5), then round(9.6).
  EXPECT_EQ(fm.WordWrap(p.c(), 10, 10, 300, "one|two"), 25);
  // Bars win over line breaks; without bars the line breaks split.
  EXPECT_EQ(fm.WordWrap(p.c(), 10, 10, 300, "one\r\ntwo|three", false), 25);
  EXPECT_EQ(fm.WordWrap(p.c(), 10, 10, 300, "one\r\ntwo\nthree", false), 40);
  EXPECT_EQ(fm.WordWrap(p.c(), 10, 10, 300, "", false), 0);
  EXPECT_EQ(fm.lastWordWrapWidth, 0);
  // Narrow: each word on its own line.
  int w = p.c().TextWidth("alpha");
  EXPECT_EQ(fm.WordWrap(p.c(), 10, 10, w + 2, "alpha beta gamma", false), 15 + 15 + 10);
  EXPECT_EQ(fm.lastWordWrapWidth, std::max({w, p.c().TextWidth("beta"), p.c().TextWidth("gamma")}));
}

TEST(TfontMan, WordWrapPutsAnOverwideFirstWordOnTheFirstLine) {
  TfontMan fm;
  fm.setFontRec("Arial", recForVisualHeight(9.6, 10));
  Page drawn;
  drawn.c().Font.setSize(10);
  int h = fm.WordWrap(drawn.c(), 10, 20, 5, "Extraordinary");
  EXPECT_EQ(h, 10);  // no empty line above it
  EXPECT_NEAR(drawn.ink().Top, 20, 1);
  int widest = fm.lastWordWrapWidth;
  Page dry;
  dry.c().Font.setSize(10);
  EXPECT_EQ(fm.WordWrap(dry.c(), 10, 20, 5, "Extraordinary", false), h);
  EXPECT_EQ(fm.lastWordWrapWidth, widest);
  EXPECT_TRUE(dry.ink().isEmpty());
}

TEST(TfontMan, BracketTextColoursTheRemark) {
  TfontMan fm;
  struct Case {
    char const* id;
    TColor font;
    bool centred;
    bool blue;
  } const cases[] = {{"black", 0, false, true},          {"white", 0xFFFFFF, false, false},
                     {"centred grey", 0x808080, true, true}, {"centred light", 0xB4B4B4, true, false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Page p;
    p.bm.dc().setBkMode(BkMode::Transparent);
    p.c().Brush.Color = 0x00FF00;
    p.c().FillRect({0, 0, 400, 300});
    p.bm.dc().setBkMode(BkMode::Transparent);
    p.c().Font.Color = c.font;
    p.c().Font.setStyle(0);
    auto q = CreateFontIndirect([&] { TLogFont lf = p.c().Font.logFont(); lf.quality = NONANTIALIASED_QUALITY; return lf; }());
    p.c().Font.setHandle(q);
    if (c.centred) fm.VcentredBracketText(p.c(), 10, 100, "Name", "remark");
    else fm.BracketText(p.c(), 10, 100, "Name", "remark");
    bool anyBlue = false;
    for (int y = 0; y < 300 && !anyBlue; ++y)
      for (int x = 0; x < 400; ++x)
        if (p.bm.surface().pixel(x, y) == 0xFF0000u) { anyBlue = true; break; }
    EXPECT_EQ(anyBlue, c.blue);
    EXPECT_EQ(p.c().Font.Color, c.font);
  }
  Page p;
  EXPECT_EQ(fm.BracketTextWidth(p.c(), "Name", ""), p.c().TextWidth("Name"));
  EXPECT_EQ(fm.BracketTextWidth(p.c(), "Name", "x"), p.c().TextWidth("Name [x]"));
}

TEST(TfontMan, StretchTextSpreadsTheLetters) {
  TfontMan fm;
  Page p;
  int natural = p.c().TextWidth("HHHHH");
  fm.StretchText(p.c(), 10, 50, natural + 40, "HHHHH");
  Page plain;
  fm.TopTextOut(plain.c(), 10, 50, "HHHHH");
  EXPECT_EQ(p.ink().width(), plain.ink().width() + 40);  // four gaps of 10
  EXPECT_EQ(p.bm.dc().textCharacterExtra(), 0);
  Page narrow, one;
  fm.StretchText(narrow.c(), 10, 50, 5, "HHHHH");
  EXPECT_EQ(narrow.ink(), plain.ink());
  fm.StretchText(one.c(), 10, 50, 200, "H");  // no gap to widen: drawn as it stands
  EXPECT_FALSE(one.ink().isEmpty());
}

TEST(TfontMan, TextExtentsMeasureWidthsAndInk) {
  TfontMan fm;
  Page p;
  EXPECT_EQ(fm.TextWidth("Arial", 30, "Hello"), p.c().TextWidth("Hello"));
  TSize ext = fm.TextExtent("Arial", 30, "Hello");
  EXPECT_EQ(ext.cx, p.c().TextWidth("Hello"));
  EXPECT_EQ(ext.cy, int(std::nearbyint(fm.VisualFontHeight(p.c()))));
  TRect box, turned0, turned;
  fm.TextExtent(p.c(), 50, 60, "Hello", box);
  EXPECT_TRUE(p.ink().isEmpty());
  fm.TextExtent(p.c(), 50, 60, "Hello", 0, turned0);
  EXPECT_EQ(turned0, box);
  fm.TextExtent(p.c(), 200, 60, "Hello", kPi / 2, turned);
  EXPECT_GT(turned.height(), turned.width());
  EXPECT_GE(turned.Top, 58);  // turned clockwise: the text runs downward
  EXPECT_EQ(p.c().Font.Orientation(), 0);
  EXPECT_EQ(p.c().Font.Height(), -40);
}

TEST(TfontMan, ArcTextStandsOnTheCircle) {
  TfontMan fm;
  struct Case {
    char const* id;
    double angle;
    bool invert;
    bool above;
  } const cases[] = {{"top", 0, false, true},          {"bottom", kPi, false, false},
                     {"top inverted", 0, true, true},   {"three halves", 3 * kPi / 2, false, false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Page p(400, 400);
    p.c().Font.setSize(20);
    fm.ArcText(p.c(), 200, 200, 150, c.angle, 0.1, "KESTROVA");
    TRect ink = p.ink();
    ASSERT_FALSE(ink.isEmpty());
    if (c.id == std::string("three halves")) {
      EXPECT_LT(ink.Right, 100);  // −π/2: the left side
      EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 200, 4);
    } else if (c.above) {
      EXPECT_LT(ink.Bottom, 80);
      EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 200, 4);
    } else {
      EXPECT_GT(ink.Top, 320);
      EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 200, 4);
    }
    EXPECT_EQ(p.bm.dc().worldTransform(), XFORM{});
    EXPECT_EQ(p.bm.dc().graphicsMode(), GraphicsMode::Compatible);
  }
}

TEST(TfontMan, ArcTextFitsTheAllowedExtent) {
  TfontMan fm;
  Page wide(400, 400), fitted(400, 400);
  wide.c().Font.setSize(20);
  fitted.c().Font.setSize(20);
  fm.Arctext3(wide.c(), 200, 200, 150, 0, 0.5, 0, "ABCDEF", false);
  fm.Arctext3(fitted.c(), 200, 200, 150, 0, 0.5, 0.9, "ABCDEF", false);
  EXPECT_LT(fitted.ink().width(), wide.ink().width());
  EXPECT_LE(fitted.ink().width(), 150 * 2 * std::sin(0.45) + 20);
  Page empty;
  fm.Arctext3(empty.c(), 200, 200, 150, 0, 0.5, 0.9, "", false);
  fm.Arctext(empty.c(), 200, 200, 150, 0, 0.5, "", "x", "Wingdings");
  EXPECT_TRUE(empty.ink().isEmpty());
}

TEST(TfontMan, KerningPairsCloseUpArcText) {
  TfontMan fm;
  Page straight(600, 300), arc(600, 300);
  for (Page* p : {&straight, &arc}) p->c().Font.setSize(100);
  straight.c().TextOut(100, 50, "AV");  // plain text output does not kern
  // A circle so large that the run is all but straight, across its top.
  fm.Arctext3(arc.c(), 300, 5150, 5000, 0, 0, 0, "AV", false);
  arc.c().applyFont();
  int kern = 0;
  for (auto const& k : arc.bm.dc().kerningPairs())
    if (k.first == U'A' && k.second == U'V') kern = k.amount;
  ASSERT_LT(kern, -3);
  EXPECT_NEAR(arc.ink().width(), straight.ink().width() + kern, 2);
}

TEST(TfontMan, AngleTextTurnsAboutTheAnchor) {
  TfontMan fm;
  Page flat;
  double v = fm.VisualFontHeight(flat.c());
  fm.AngleText(flat.c(), 50, 100, 0, 0, 0, 0, "HEH");
  TRect a = flat.ink();
  EXPECT_NEAR(a.Top, 100, 1.5);
  EXPECT_NEAR(a.Bottom, 100 + v, 1.5);
  EXPECT_GE(a.Left, 50);
  EXPECT_LE(a.Left, 54);
  EXPECT_EQ(flat.bm.dc().textCharacterExtra(), 0);
  Page spaced;  // 50 % of the 40-pixel font height after each character
  fm.AngleText(spaced.c(), 50, 100, 0, 0, 0, 50, "HEH");
  EXPECT_NEAR(spaced.ink().width(), a.width() + 40, 1);
  EXPECT_EQ(spaced.bm.dc().textCharacterExtra(), 0);
  Page down;
  fm.AngleText(down.c(), 200, 50, 0, 0, kPi / 2, 0, "HEH");
  TRect b = down.ink();
  EXPECT_GT(b.height(), b.width());
  EXPECT_GE(b.Top, 49);
  EXPECT_NEAR(b.Right, 200, 1.5);  // the capitals' top faces the anchor's side
  EXPECT_EQ(down.bm.dc().worldTransform(), XFORM{});
}

TEST(TfontMan, CharactersInFontListsDrawableCodes) {
  TfontMan fm;
  Page p;
  int n = fm.CharactersInFont(p.c());
  EXPECT_GT(n, 200);
  EXPECT_EQ(size_t(n), fm.charsInFont.size());
  EXPECT_NE(std::find(fm.charsInFont.begin(), fm.charsInFont.end(), int32_t('A')), fm.charsInFont.end());
  EXPECT_EQ(std::find(fm.charsInFont.begin(), fm.charsInFont.end(), int32_t(' ')), fm.charsInFont.end());
}

TEST(TfontMan, AngleFontCutsTheRemarkAndTurnsClockwise) {
  HFONT f = TfontMan::anglefont(20, 300, true, false, "Open Sans [program]");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->faceName, "Open Sans");
  EXPECT_EQ(f->height, -20);
  EXPECT_EQ(f->escapement, -300);
  EXPECT_EQ(f->weight, FW_BOLD);
  EXPECT_EQ(f->quality, PROOF_QUALITY);
  Page p;
  TfontMan::DisableAntiAliasing(p.c().Font);
  EXPECT_EQ(p.c().Font.logFont().quality, NONANTIALIASED_QUALITY);
  EXPECT_EQ(p.c().Font.Name(), "Arial");
}

namespace {
struct FakeControl {
  TRect bounds;
  bool visible = true;
  bool enabled = true;
  FakeControl const* parent = nullptr;
  [[nodiscard]] TRect BoundsRect() const { return bounds; }
  [[nodiscard]] bool Visible() const { return visible; }
  [[nodiscard]] bool Enabled() const { return enabled; }
  [[nodiscard]] FakeControl const* Parent() const { return parent; }
};
}  // namespace

TEST(TfontMan, CaptionsBesideControlsFollowVisibilityAndState) {
  TfontMan fm;
  FakeControl panel{Rect(0, 0, 400, 300)};
  FakeControl box{Rect(200, 100, 300, 130)};
  box.parent = &panel;
  struct Case {
    char const* id;
    bool visible, enabled, panelEnabled;
    int form;  // 0 CaptionL, 1 CaptionR with colour, 2 CaptionR
    bool drawn;
    TColor ink;
  } const cases[] = {
      {"left, hidden", false, true, true, 0, false, 0},
      {"left, enabled in a disabled panel", true, true, false, 0, true, 0xC0C0C0},
      {"left, enabled", true, true, true, 0, true, 0},
      {"right in colour, hidden", false, true, true, 1, true, 0x0000FF},
      {"right, disabled", true, false, true, 2, true, 0xC0C0C0},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Page p;
    p.c().Font.setHandle(CreateFontIndirect([&] {
      TLogFont lf = p.c().Font.logFont();
      lf.quality = NONANTIALIASED_QUALITY;
      return lf;
    }()));
    box.visible = c.visible;
    box.enabled = c.enabled;
    panel.enabled = c.panelEnabled;
    if (c.form == 0) fm.CaptionL(p.c(), &box, "Name");
    if (c.form == 1) fm.CaptionR(p.c(), &box, "Name", 0x0000FF);
    if (c.form == 2) fm.CaptionR(p.c(), &box, "Name");
    TRect ink = p.ink();
    EXPECT_EQ(!ink.isEmpty(), c.drawn);
    if (!c.drawn) continue;
    EXPECT_EQ(p.ink(c.ink), ink);
    if (c.form == 0) EXPECT_LE(ink.Right, 200);
    else EXPECT_GE(ink.Left, 300);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 115, 2);
    EXPECT_EQ(p.c().Font.Color, 0u);
  }
  box.visible = true;
  EXPECT_EQ(TfontMan::captionStripL(&box), Rect(0, 100, 200, 130));
  EXPECT_EQ(TfontMan::captionStripR(&box), Rect(300, 100, 800, 130));
  EXPECT_EQ(TfontMan::captionStripR(&box, 400), Rect(300, 100, 400, 130));
  EXPECT_TRUE(TfontMan::captionStripL<FakeControl>(nullptr).isEmpty());
}
