// Device context drawing on small off-screen surfaces, checked pixel by pixel: lines, pens,
// brushes, polygons, box shapes, clipping and saved states.
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "tests/platform/pixelmap.h"

using namespace platform;
using pixelmap::rows;

namespace {
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

// A white 24-bit surface with a context bound to it.
struct Canvas {
  TSurface s;
  TDeviceContext dc;
  Canvas(int w, int h) {
    s.create(w, h, 24);
    s.fillBytes(0xFF);
    dc.bind(&s);
  }
  std::string pic() const { return pixelmap::draw(s, {{0xFFFFFF, '.'}, {0, '#'}, {kRed, 'r'}, {kBlue, 'b'}}); }
};
}  // namespace

TEST(DeviceContext, LineToLeavesOutTheLastPixelAndMovesThePosition) {
  struct Case { const char* id; TPoint from, to; std::string pic; } cases[] = {
      {"right", {1, 1}, {5, 1}, rows("......", ".####.", "......", "......")},
      {"left", {5, 2}, {1, 2}, rows("......", "......", "..####", "......")},
      {"down", {0, 0}, {0, 3}, rows("#.....", "#.....", "#.....", "......")},
      {"diagonal", {0, 0}, {3, 3}, rows("#.....", ".#....", "..#...", "......")},
      {"shallow", {0, 0}, {6, 2}, rows("##....", "..###.", ".....#", "......")},
      {"one pixel long", {2, 2}, {3, 2}, rows("......", "......", "..#...", "......")},
      {"zero length", {2, 2}, {2, 2}, rows("......", "......", "......", "......")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(6, 4);
    cv.dc.moveTo(c.from.X, c.from.Y);
    cv.dc.lineTo(c.to.X, c.to.Y);
    EXPECT_EQ(cv.pic(), c.pic);
    EXPECT_EQ(cv.dc.currentPosition(), c.to);
  }
}

TEST(DeviceContext, LinesFarOutsideTheSurfaceDrawOnlyTheVisiblePart) {
  Canvas cv(4, 3);
  cv.dc.moveTo(-2000000000, 1);
  cv.dc.lineTo(2000000000, 1);
  EXPECT_EQ(cv.pic(), rows("....", "####", "...."));
}

TEST(DeviceContext, CosmeticStylesFillGapsOnlyInOpaqueMode) {
  struct Case { const char* id; PenStyle style; BkMode mode; std::string pic; } cases[] = {
      {"dot opaque", PenStyle::Dot, BkMode::Opaque, rows("###rrr###rrr")},
      {"dot transparent", PenStyle::Dot, BkMode::Transparent, rows("###...###...")},
      {"alternate", PenStyle::Alternate, BkMode::Transparent, rows("#.#.#.#.#.#.")},
      {"alternate leaves its gaps", PenStyle::Alternate, BkMode::Opaque, rows("#.#.#.#.#.#.")},
      {"null", PenStyle::Null, BkMode::Opaque, rows("............")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(12, 1);
    cv.dc.setPen(makePen(c.style, 1, 0));
    cv.dc.setBkColor(kRed);
    cv.dc.setBkMode(c.mode);
    cv.dc.moveTo(0, 0);
    cv.dc.lineTo(12, 0);
    EXPECT_EQ(cv.pic(), c.pic);
  }
}

TEST(DeviceContext, UserDashesRunOnAcrossPolylineCorners) {
  Canvas cv(5, 3);
  int dashes[] = {2, 1};
  cv.dc.setPen(makeExtPen(PenType::Cosmetic, PenStyle::UserStyle, 1, 0, PenEndCap::Flat, PenJoin::Round, dashes));
  cv.dc.setBkMode(BkMode::Transparent);
  TPoint pts[] = {{0, 0}, {4, 0}, {4, 3}};
  cv.dc.polyline(pts);
  EXPECT_EQ(cv.pic(), rows("##.##", ".....", "....#"));  // 2 on, 1 off, counted on round the corner
}

TEST(DeviceContext, GeometricPensCapAndJoin) {
  struct Case { const char* id; PenEndCap cap; std::string pic; } cases[] = {
      {"flat", PenEndCap::Flat, rows("..........", "..####....", "..####....", "..####....", "..........")},
      {"square", PenEndCap::Square, rows("..........", ".#######..", ".#######..", ".#######..", "..........")},
      {"round", PenEndCap::Round, rows("..........", ".#######..", ".#######..", ".#######..", "..........")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(10, 5);
    cv.dc.setPen(makeExtPen(PenType::Geometric, PenStyle::Solid, 3, 0, c.cap, PenJoin::Round));
    cv.dc.moveTo(2, 2);
    cv.dc.lineTo(6, 2);
    EXPECT_EQ(cv.pic(), c.pic);
  }
  // A wide plain pen has round caps and joins; other styles turn solid.
  TPenDesc p = makePen(PenStyle::Dash, 5, kRed);
  EXPECT_EQ(p.type, PenType::Geometric);
  EXPECT_EQ(p.style, PenStyle::Solid);
  EXPECT_EQ(p.cap, PenEndCap::Round);
  // A round join fills the outer corner of a right angle.
  Canvas cv(9, 9);
  cv.dc.setPen(makeExtPen(PenType::Geometric, PenStyle::Solid, 3, 0, PenEndCap::Flat, PenJoin::Round));
  TPoint pts[] = {{1, 4}, {4, 4}, {4, 8}};
  cv.dc.polyline(pts);
  EXPECT_EQ(cv.pic(), rows(".........", ".........", ".........", ".#####...", ".#####...",
                           ".#####...", "...###...", "...###...", "........."));
}

TEST(DeviceContext, RectangleLeavesRightAndBottomEdge) {
  Canvas cv(7, 6);
  cv.dc.setBrush(solidBrush(kRed));
  cv.dc.rectangle(1, 1, 6, 5);
  EXPECT_EQ(cv.pic(), rows(".......", ".#####.", ".#rrr#.", ".#rrr#.", ".#####.", "......."));
  // Without a pen the filled area is one pixel narrower and lower.
  Canvas nul(7, 6);
  nul.dc.setPen(makePen(PenStyle::Null, 1, 0));
  nul.dc.setBrush(solidBrush(kRed));
  nul.dc.rectangle(1, 1, 6, 5);
  EXPECT_EQ(nul.pic(), rows(".......", ".rrrr..", ".rrrr..", ".rrrr..", ".......", "......."));
  // Corners given the other way round draw the same box.
  Canvas rev(7, 6);
  rev.dc.setBrush(solidBrush(kRed));
  rev.dc.rectangle(6, 5, 1, 1);
  EXPECT_EQ(rev.pic(), cv.pic());
}

TEST(DeviceContext, WidePensCentreOnTheBoxEdgeOrKeepInsideIt) {
  struct Case { const char* id; PenStyle style; std::string pic; } cases[] = {
      {"centred", PenStyle::Solid,
       rows("..........", ".########.", ".########.", ".########.", ".###rr###.", ".########.", ".########.", ".########.", "..........")},
      {"inside the frame", PenStyle::InsideFrame,
       rows("..........", "..........", "..######..", "..######..", "..######..", "..######..", "..######..", "..........", "..........")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(10, 9);
    cv.dc.setPen(makePen(c.style, 3, 0));
    cv.dc.setBrush(solidBrush(kRed));
    cv.dc.rectangle(2, 2, 8, 7);
    EXPECT_EQ(cv.pic(), c.pic);
  }
}

TEST(DeviceContext, RoundRectCutsItsCorners) {
  Canvas cv(10, 7);
  cv.dc.setBrush(solidBrush(kRed));
  cv.dc.roundRect(0, 0, 10, 7, 6, 6);
  EXPECT_EQ(cv.pic(), rows(".########.", "#rrrrrrrr#", "#rrrrrrrr#", "#rrrrrrrr#", "#rrrrrrrr#", "#rrrrrrrr#", ".########."));
  Canvas sq(4, 3);
  sq.dc.setBrush(solidBrush(kRed));
  sq.dc.roundRect(0, 0, 4, 3, 0, 0);  // no corners: a rectangle
  EXPECT_EQ(sq.pic(), rows("####", "#rr#", "####"));
}

TEST(DeviceContext, FillRectBrushes) {
  struct Case { const char* id; TBrushDesc brush; BkMode mode; TPoint org; std::string pic; } cases[] = {
      {"solid", solidBrush(kRed), BkMode::Opaque, {0, 0}, rows("rrrrrrrrr.", "rrrrrrrrr.", "rrrrrrrrr.", "..........")},
      {"clear", clearBrush(), BkMode::Opaque, {0, 0}, rows("..........", "..........", "..........", "..........")},
      {"cross, transparent", hatchBrush(HatchStyle::Cross, 0), BkMode::Transparent, {0, 0},
       rows(".......#..", ".......#..", ".......#..", "..........")},
      {"cross, opaque", hatchBrush(HatchStyle::Cross, 0), BkMode::Opaque, {0, 0},
       rows("rrrrrrr#r.", "rrrrrrr#r.", "rrrrrrr#r.", "..........")},
      {"cross, origin moved", hatchBrush(HatchStyle::Cross, 0), BkMode::Transparent, {-6, -5},
       rows(".#........", ".#........", "#########.", "..........")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(10, 4);
    cv.dc.setBkColor(kRed);
    cv.dc.setBkMode(c.mode);
    cv.dc.setBrushOrg(c.org);
    cv.dc.fillRect({0, 0, 9, 3}, c.brush);
    EXPECT_EQ(cv.pic(), c.pic);
  }
}

TEST(DeviceContext, HatchPatternsRepeatEveryEightPixels) {
  struct Case { const char* id; HatchStyle h; std::string cell; } cases[] = {
      {"horizontal", HatchStyle::Horizontal, rows("........", "........", "........", "........", "........", "........", "........", "########")},
      {"vertical", HatchStyle::Vertical, rows(".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#")},
      {"forward diagonal", HatchStyle::FDiagonal, rows("#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#")},
      {"backward diagonal", HatchStyle::BDiagonal, rows(".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "#.......")},
      {"cross", HatchStyle::Cross, rows(".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#", "########")},
      {"diagonal cross", HatchStyle::DiagCross, rows("#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Canvas cv(16, 16);
    cv.dc.setBkMode(BkMode::Transparent);
    cv.dc.fillRect({0, 0, 16, 16}, hatchBrush(c.h, 0));
    std::string all = cv.pic();
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(all[size_t(y * 17 + x)], c.cell[size_t((y % 8) * 9 + x % 8)]) << x << "," << y;
  }
}

TEST(DeviceContext, PolygonFillRules) {
  // A five-pointed star: alternate leaves the centre open, winding fills it.
  TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (auto mode : {PolyFillMode::Alternate, PolyFillMode::Winding}) {
    Canvas cv(21, 20);
    cv.dc.setPen(makePen(PenStyle::Null, 1, 0));
    cv.dc.setBrush(solidBrush(kRed));
    cv.dc.setPolyFillMode(mode);
    cv.dc.polygon(star);
    EXPECT_EQ(cv.s.pixel(10, 11), mode == PolyFillMode::Winding ? kRed : 0xFFFFFFu);
    EXPECT_EQ(cv.s.pixel(10, 3), kRed);  // a point of the star
  }
  // An axis-aligned polygon without pen covers the pixels inside, right and bottom left out;
  // with a pen the outline covers every vertex.
  Canvas cv(6, 5);
  cv.dc.setPen(makePen(PenStyle::Null, 1, 0));
  cv.dc.setBrush(solidBrush(kRed));
  TPoint sq[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
  cv.dc.polygon(sq);
  EXPECT_EQ(cv.pic(), rows("......", ".rrr..", ".rrr..", ".rrr..", "......"));
  cv.dc.setPen(makePen(PenStyle::Solid, 1, 0));
  cv.dc.polygon(sq);
  EXPECT_EQ(cv.pic(), rows("......", ".####.", ".#rr#.", ".#rr#.", ".####."));
}

TEST(DeviceContext, PolyPolygonMakesHoles) {
  Canvas cv(8, 8);
  cv.dc.setPen(makePen(PenStyle::Null, 1, 0));
  cv.dc.setBrush(solidBrush(kRed));
  TPoint pts[] = {{0, 0}, {7, 0}, {7, 7}, {0, 7}, {2, 2}, {5, 2}, {5, 5}, {2, 5}};
  int counts[] = {4, 4};
  for (auto mode : {PolyFillMode::Alternate, PolyFillMode::Winding}) {
    SCOPED_TRACE(int(mode));
    cv.s.fillBytes(0xFF);
    cv.dc.setPolyFillMode(mode);
    cv.dc.polyPolygon(pts, counts);
    // Both rings run the same way round: winding fills the hole, alternate leaves it open.
    EXPECT_EQ(cv.s.pixel(3, 3), mode == PolyFillMode::Alternate ? 0xFFFFFFu : kRed);
    EXPECT_EQ(cv.s.pixel(1, 1), kRed);
    EXPECT_EQ(cv.s.pixel(7, 1), 0xFFFFFFu);
  }
  // Counts beyond the points are ignored, not read.
  int tooMany[] = {4, 40};
  cv.dc.polyPolygon(pts, tooMany);
}

TEST(DeviceContext, EllipseFitsItsBoxLessRightAndBottom) {
  Canvas cv(10, 8);
  cv.dc.setBrush(solidBrush(kRed));
  cv.dc.ellipse(1, 1, 9, 7);
  EXPECT_EQ(cv.pic(), rows("..........", "...####...", "..#rrrr#..", ".#rrrrrr#.", ".#rrrrrr#.",
                           "..#rrrr#..", "...####...", ".........."));
  // Symmetric about both axes of the box.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(cv.s.pixel(x, y), cv.s.pixel(9 - x, y));
      EXPECT_EQ(cv.s.pixel(x, y), cv.s.pixel(x, 7 - y));
    }
}

TEST(DeviceContext, PieChordArcKeepToTheirSweep) {
  // A quarter from the right (3 o'clock) counter-clockwise to the top (12 o'clock).
  Canvas pie(12, 12);
  pie.dc.setBrush(solidBrush(kRed));
  pie.dc.pie(0, 0, 12, 12, 12, 6, 6, 0);
  Canvas chord(12, 12);
  chord.dc.setBrush(solidBrush(kRed));
  chord.dc.chord(0, 0, 12, 12, 12, 6, 0, 6);  // the upper half
  Canvas arc(12, 12);
  arc.dc.arc(0, 0, 12, 12, 12, 6, 6, 0);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      // Other quadrants stay untouched; the radii run along column 6 and row 6.
      if (x < 6 || y > 6) { EXPECT_EQ(pie.s.pixel(x, y), 0xFFFFFFu); }
      if (y > 6) { EXPECT_EQ(chord.s.pixel(x, y), 0xFFFFFFu); }
      if (x < 6 || y > 6) { EXPECT_EQ(arc.s.pixel(x, y), 0xFFFFFFu); }
    }
  EXPECT_EQ(pie.s.pixel(8, 3), kRed);
  EXPECT_EQ(chord.s.pixel(3, 3), kRed);
  EXPECT_EQ(arc.s.pixel(8, 3), 0xFFFFFFu);  // an arc is never filled
  EXPECT_EQ(arc.s.pixel(11, 5), 0u);        // its rim at 3 o'clock
  EXPECT_EQ(arc.s.pixel(6, 0), 0u);         // and at 12 o'clock
}

TEST(DeviceContext, ClipRectanglesAndSavedStates) {
  Canvas cv(8, 4);
  cv.dc.setBrush(solidBrush(kRed));
  EXPECT_EQ(cv.dc.intersectClipRect(1, 0, 7, 4), RegionKind::Simple);
  int saved = cv.dc.saveDC();
  EXPECT_EQ(cv.dc.excludeClipRect(3, 1, 5, 3), RegionKind::Complex);
  EXPECT_FALSE(cv.dc.ptVisible(3, 1));
  EXPECT_FALSE(cv.dc.ptVisible(0, 0));
  EXPECT_TRUE(cv.dc.ptVisible(5, 1));
  EXPECT_EQ(cv.dc.clipBox(), (TRect{1, 0, 7, 4}));
  cv.dc.fillRect({0, 0, 8, 4}, solidBrush(kRed));
  EXPECT_EQ(cv.pic(), rows(".rrrrrr.", ".rr..rr.", ".rr..rr.", ".rrrrrr."));
  EXPECT_EQ(cv.dc.getPixel(3, 1), CLR_INVALID);
  EXPECT_TRUE(cv.dc.restoreDC(saved));
  EXPECT_TRUE(cv.dc.ptVisible(3, 1));
  EXPECT_FALSE(cv.dc.ptVisible(0, 0));
  EXPECT_FALSE(cv.dc.restoreDC(saved));  // that level is gone
  EXPECT_FALSE(cv.dc.restoreDC(-1));
  cv.dc.resetClip();
  EXPECT_TRUE(cv.dc.ptVisible(0, 0));
  EXPECT_EQ(cv.dc.setPixel(8, 0, 0), CLR_INVALID);
  EXPECT_EQ(cv.dc.excludeClipRect(0, 0, 8, 4), RegionKind::Null);
}

TEST(DeviceContext, RestoreDCBringsBackPenBrushAndModes) {
  Canvas cv(2, 2);
  cv.dc.setPen(makePen(PenStyle::Solid, 1, kRed));
  int first = cv.dc.saveDC();
  cv.dc.setPen(makePen(PenStyle::Solid, 1, kBlue));
  cv.dc.setBkMode(BkMode::Transparent);
  cv.dc.saveDC();
  cv.dc.setROP2(Rop2::XorPen);
  EXPECT_TRUE(cv.dc.restoreDC(first));
  EXPECT_EQ(cv.dc.pen().color, kRed);
  EXPECT_EQ(cv.dc.bkMode(), BkMode::Opaque);
  EXPECT_EQ(cv.dc.rop2(), Rop2::CopyPen);
}

TEST(DeviceContext, OriginsShiftDrawingAndClip) {
  Canvas cv(6, 3);
  cv.dc.setViewportOrg({2, 1});
  cv.dc.setWindowOrg({1, 0});
  EXPECT_EQ(cv.dc.toDevice({0, 0}), (TPoint{1, 1}));
  cv.dc.intersectClipRect(0, 0, 3, 1);  // device (1, 1)-(4, 2)
  cv.dc.fillRect({-5, -5, 10, 10}, solidBrush(kRed));
  EXPECT_EQ(cv.pic(), rows("......", ".rrr..", "......"));
  EXPECT_TRUE(cv.dc.ptVisible(0, 0));
  EXPECT_EQ(cv.dc.clipBox(), (TRect{0, 0, 3, 1}));
}

TEST(DeviceContext, Rop2MixesPensButNotFills) {
  Canvas cv(4, 1);
  cv.dc.setROP2(Rop2::XorPen);
  cv.dc.setPen(makePen(PenStyle::Solid, 1, 0xFFFFFF));
  cv.dc.moveTo(0, 0);
  cv.dc.lineTo(2, 0);  // white xor white: black
  cv.dc.fillRect({3, 0, 4, 1}, solidBrush(kRed));
  EXPECT_EQ(cv.pic(), rows("##.r"));
  cv.dc.moveTo(0, 0);
  cv.dc.lineTo(2, 0);  // twice: back to white
  EXPECT_EQ(cv.pic(), rows("...r"));
  cv.dc.invertRect({3, 0, 4, 1});
  EXPECT_EQ(cv.s.pixel(3, 0), 0xFFFF00u);
}

TEST(DeviceContext, DrawsOnOneBitSurfacesByNearestColour) {
  TSurface s;
  s.create(8, 2, 1);
  TDeviceContext dc(&s);
  dc.fillRect({0, 0, 8, 2}, solidBrush(0xFFFFFF));
  dc.setPen(makePen(PenStyle::Solid, 1, RGB(20, 20, 20)));
  dc.moveTo(1, 1);
  dc.lineTo(5, 1);
  EXPECT_EQ(s.bits()[0], 0x87);  // bottom row stored first: pixels 1..4 black
  EXPECT_EQ(s.bits()[4], 0xFF);
}

TEST(DeviceContext, NothingHappensWithoutASurface) {
  TDeviceContext dc;
  dc.rectangle(0, 0, 5, 5);
  dc.lineTo(3, 3);
  EXPECT_EQ(dc.getPixel(0, 0), CLR_INVALID);
  EXPECT_EQ(dc.intersectClipRect(0, 0, 1, 1), RegionKind::Error);
  EXPECT_FALSE(dc.ptVisible(0, 0));
}

TEST(DeviceContext, RandomDrawingStaysInsideTheSurfaceRows) {
  // A view on rows with guard bytes before and after: no call may touch them, whatever the
  // coordinates (inside, off the edges, far outside, reversed, degenerate).
  constexpr int W = 13, H = 9, kGuard = 64;
  int stride = TSurface::rowBytes(W, 24);
  std::vector<uint8_t> mem(size_t(kGuard * 2 + stride * H), 0xA5);
  TSurface s;
  ASSERT_TRUE(s.bind(mem.data() + kGuard, W, H, 24));
  TSurface other;
  other.create(7, 5, 24);
  TDeviceContext dc(&s), src(&other);
  TSurface mask;
  mask.create(3, 2, 1);
  mask.setPixel(1, 1, 0xFFFFFF);
  uint32_t seed = 12345;
  auto rnd = [&](int lo, int hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + int((seed >> 8) % uint32_t(hi - lo + 1));
  };
  auto coord = [&]() {
    switch (rnd(0, 9)) {
      case 0: return rnd(-1000000, 1000000);
      case 1: return rnd(0, 1) ? 2000000000 : -2000000000;
      default: return rnd(-5, W + 5);
    }
  };
  TPenDesc pens[] = {makePen(PenStyle::Solid, 1, 0), makePen(PenStyle::Solid, 4, kRed),
                     makePen(PenStyle::Dot, 1, kBlue), makePen(PenStyle::InsideFrame, 3, 0),
                     makeExtPen(PenType::Geometric, PenStyle::Dash, 3, 0, PenEndCap::Square, PenJoin::Miter),
                     makePen(PenStyle::Null, 1, 0)};
  for (int i = 0; i < 3000; ++i) {
    dc.setPen(pens[rnd(0, 5)]);
    dc.setBrush(rnd(0, 1) ? solidBrush(kRed) : hatchBrush(HatchStyle::DiagCross, kBlue));
    dc.setROP2(rnd(0, 3) ? Rop2::CopyPen : Rop2::XorPen);
    if (rnd(0, 20) == 0) dc.resetClip();
    int a = coord(), b = coord(), c = coord(), d = coord();
    TPoint poly[] = {{a, b}, {c, d}, {coord(), coord()}, {coord(), coord()}};
    int counts[] = {2, 2};
    switch (rnd(0, 16)) {
      case 0: dc.moveTo(a, b); dc.lineTo(c, d); break;
      case 1: dc.rectangle(a, b, c, d); break;
      case 2: dc.ellipse(a, b, c, d); break;
      case 3: dc.roundRect(a, b, c, d, coord(), coord()); break;
      case 4: dc.pie(a, b, c, d, coord(), coord(), coord(), coord()); break;
      case 5: dc.chord(a, b, c, d, coord(), coord(), coord(), coord()); break;
      case 6: dc.arc(a, b, c, d, coord(), coord(), coord(), coord()); break;
      case 7: dc.polygon(poly); break;
      case 8: dc.polyPolygon(poly, counts); break;
      case 9: dc.intersectClipRect(a, b, c, d); break;
      case 10: dc.excludeClipRect(a, b, c, d); break;
      case 11: BitBlt(dc, a, b, rnd(-20, 20), rnd(-20, 20), rnd(0, 1) ? &src : &dc, c, d, SRCINVERT); break;
      case 12:
        dc.setStretchBltMode(rnd(0, 1) ? StretchMode::Halftone : StretchMode::ColorOnColor);
        StretchBlt(dc, a % 50, b % 50, rnd(-30, 30), rnd(-30, 30), &src, c % 50, d % 50, rnd(-30, 30),
                   rnd(-30, 30), SRCCOPY);
        break;
      case 13: AlphaBlend(dc, a, b, rnd(0, 30), rnd(0, 30), src, rnd(-2, 7), rnd(-2, 5), rnd(0, 7), rnd(0, 5), {}); break;
      case 14: dc.fillRect({a, b, c, d}, dc.brush()); break;
      case 15: MaskBlt(dc, a, b, rnd(0, 20), rnd(0, 20), &src, c, d, &mask, coord(), coord(), 0xCCAA0029); break;
      case 16: {
        TPoint corners[3] = {{a % 40, b % 40}, {c % 40, d % 40}, {coord() % 40, coord() % 40}};
        dc.setStretchBltMode(rnd(0, 1) ? StretchMode::Halftone : StretchMode::ColorOnColor);
        PlgBlt(dc, corners, src, rnd(-3, 8), rnd(-3, 6), rnd(-8, 8), rnd(-6, 6), rnd(0, 1) ? &mask : nullptr, a, b);
        break;
      }
    }
  }
  for (int k = 0; k < kGuard; ++k) {
    ASSERT_EQ(mem[size_t(k)], 0xA5) << "before the rows, byte " << k;
    ASSERT_EQ(mem[mem.size() - 1 - size_t(k)], 0xA5) << "after the rows, byte " << k;
  }
}
