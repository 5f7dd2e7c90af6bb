// Metafiles: a drawing recorded once plays the same picture scaled into boxes of two sizes; the
// EMF files written from it hold together and open in an outside reader.
#include "platform/metafile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/canvas.h"
#include "platform/files.h"
#include "tests/support/emf_render.h"
#include "tests/support/testenv.h"

using namespace platform;

namespace {
void make(TBitmap& bm, int w, int h) {
  bm.SetPixelFormat(pf24bit);
  bm.SetSize(w, h);
  bm.dc().fillRect({0, 0, w, h}, solidBrush(clWhite));
}
// The height in pixels of the rows holding ink of a colour.
int inkHeight(TBitmap const& bm, TColor c) {
  int top = -1, bottom = -1;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (bm.surface().pixel(x, y) == c) {
        if (top < 0) top = y;
        bottom = y;
      }
  return top < 0 ? 0 : bottom - top + 1;
}

// A frame of 100 × 50 reference pixels: a red box, a blue triangle with a hole-free outline.
void record(TMetafile& m) {
  TMetafileRecorder r(m, 100, 50);
  r.setPen(makePen(PenStyle::Null, 1, 0));
  r.fillRect({10, 10, 50, 30}, solidBrush(clRed));
  r.setBrush(solidBrush(clBlue));
  const TPoint tri[] = {{60, 4}, {96, 4}, {60, 40}};
  r.polygon(tri);
  r.setPen(makeExtPen(PenType::Geometric, PenStyle::Solid, 4, clLime, PenEndCap::Flat, PenJoin::Miter));
  r.moveTo(0, 46);
  r.lineTo(100, 46);
}
}  // namespace

TEST(TMetafile, FrameIsKeptInHundredthsOfAMillimetre) {
  TMetafile m;
  TMetafileRecorder r(m, 96, 48);  // an inch by half an inch at 96 pixels per inch
  EXPECT_EQ(m.MMWidth(), 2540);
  EXPECT_EQ(m.MMHeight(), 1270);
  TMetafile p;
  TMetafileRecorder q(p, 300, 300, 300 / 25.4);
  EXPECT_EQ(p.MMWidth(), 2540);
}

TEST(TMetafile, PlaysTheSameDrawingAtTwoSizes) {
  TMetafile m;
  record(m);
  TBitmap small, large;
  make(small, 100, 50);
  make(large, 200, 100);
  ASSERT_TRUE(PlayEnhMetaFile(small.dc(), m, {0, 0, 100, 50}));
  ASSERT_TRUE(PlayEnhMetaFile(large.dc(), m, {0, 0, 200, 100}));
  EXPECT_EQ(small.surface().pixel(10, 10), clRed);
  EXPECT_EQ(small.surface().pixel(50, 30), clWhite);
  EXPECT_EQ(large.surface().pixel(99, 59), clRed);
  EXPECT_EQ(large.surface().pixel(100, 60), clWhite);
  int differ = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) differ += small.surface().pixel(x, y) != large.surface().pixel(2 * x, 2 * y);
  // Only pixels on the triangle's slanted edge may round differently.
  EXPECT_LE(differ, 40);
  // The pen width scales with the picture: 4 pixels, then 8.
  EXPECT_EQ(inkHeight(small, clLime), 4);
  EXPECT_EQ(inkHeight(large, clLime), 8);
  // An offset box moves the picture; the context's own pen is put back.
  TBitmap moved;
  make(moved, 120, 70);
  moved.dc().setPen(makePen(PenStyle::Solid, 1, clBlack));
  ASSERT_TRUE(PlayEnhMetaFile(moved.dc(), m, {20, 20, 120, 70}));
  EXPECT_EQ(moved.surface().pixel(30, 30), clRed);
  EXPECT_EQ(moved.surface().pixel(29, 30), clWhite);
  EXPECT_EQ(moved.dc().pen().color, clBlack);
}

TEST(TMetafile, TextScalesWithThePicture) {
  TMetafile m;
  {
    TMetafileRecorder r(m, 100, 40);
    TLogFont f;
    f.faceName = "Liberation Sans";
    f.height = -16;
    r.selectFont(f);
    r.setTextColor(clBlack);
    r.setBkMode(BkMode::Transparent);
    r.textOut(4, 4, "HH");
  }
  TBitmap small, large;
  make(small, 100, 40);
  make(large, 200, 80);
  PlayEnhMetaFile(small.dc(), m, {0, 0, 100, 40});
  PlayEnhMetaFile(large.dc(), m, {0, 0, 200, 80});
  const int hs = inkHeight(small, clBlack), hl = inkHeight(large, clBlack);
  ASSERT_GT(hs, 0);
  EXPECT_NEAR(double(hl) / hs, 2.0, 0.25);
}

TEST(TMetafile, EmptyFrameOrBoxPlaysNothing) {
  TMetafile m;
  TBitmap bm;
  make(bm, 10, 10);
  EXPECT_FALSE(PlayEnhMetaFile(bm.dc(), m, {0, 0, 10, 10}));
  record(m);
  EXPECT_FALSE(PlayEnhMetaFile(bm.dc(), m, {5, 5, 5, 9}));
  EXPECT_EQ(bm.surface().pixel(5, 5), clWhite);
}

TEST(TMetafile, CanvasRecordsWhatItWouldHavePainted) {
  // The same drawing straight onto a bitmap and through a metafile canvas played at 1:1 and 2:1.
  auto draw = [](TCanvas& cv) {
    cv.Brush.Color = clRed;
    cv.Pen.Color = clBlue;
    cv.Rectangle(4, 4, 30, 20);
    cv.Brush.Color = clLime;
    cv.Pen.Style = psClear;
    cv.Ellipse(34, 4, 60, 30);
    cv.Pie(4, 24, 30, 44, 30, 34, 17, 24);
    cv.Brush.Color = clBlue;
    cv.FillRect({40, 34, 56, 44});
  };
  TBitmap direct;
  make(direct, 64, 48);
  draw(direct.Canvas());
  TMetafile m;
  {
    TMetafileCanvas mc(m, 64, 48);
    draw(mc.canvas());
    EXPECT_EQ(mc.dc().technology(), TDeviceContext::Technology::Metafile);
  }
  EXPECT_GT(m.recordCount(), 4u);
  TBitmap same, twice;
  make(same, 64, 48);
  make(twice, 128, 96);
  PlayEnhMetaFile(same.dc(), m, {0, 0, 64, 48});
  PlayEnhMetaFile(twice.dc(), m, {0, 0, 128, 96});
  int differ = 0, differTwice = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      differ += same.surface().pixel(x, y) != direct.surface().pixel(x, y);
      differTwice += twice.surface().pixel(2 * x + 1, 2 * y + 1) != direct.surface().pixel(x, y);
    }
  EXPECT_LE(differ, 12);  // the pie's rim is a polygon here, a rasterised arc there
  EXPECT_LE(differTwice, 100);  // and the rectangle's cosmetic outline stays one pixel wide
  EXPECT_EQ(same.surface().pixel(10, 10), clRed);
  EXPECT_EQ(same.surface().pixel(4, 10), clBlue);
  EXPECT_EQ(twice.surface().pixel(100, 80), clBlue);
}

// A 4 × 2 picture, red left and blue right, and a 2 × 2 one-bit one with one 0 bit at (0, 0),
// drawn on a recording canvas: a stretch, a mirrored stretch and a one-bit copy (in the text and
// background colours in force). Masked and turned copies are not kept.
TMetafile bitmapDrawing() {
  TBitmap pic, mono;
  make(pic, 4, 2);
  pic.dc().fillRect({0, 0, 2, 2}, solidBrush(clRed));
  pic.dc().fillRect({2, 0, 4, 2}, solidBrush(clBlue));
  mono.SetPixelFormat(pf1bit);
  mono.SetSize(2, 2);
  mono.dc().fillRect({0, 0, 2, 2}, solidBrush(clWhite));
  mono.surface().setPixel(0, 0, clBlack);
  TMetafile m;
  TMetafileCanvas mc(m, 40, 20);
  TDeviceContext& dc = mc.dc();
  mc.canvas().StretchDraw({0, 0, 20, 10}, pic);
  EXPECT_TRUE(StretchBlt(dc, 39, 10, -20, 10, &pic.dc(), 0, 0, 4, 2, SRCCOPY));
  dc.setTextColor(clLime);
  dc.setBkColor(clYellow);
  EXPECT_TRUE(BitBlt(dc, 0, 10, 2, 2, &mono.dc(), 0, 0, SRCCOPY));
  EXPECT_FALSE(MaskBlt(dc, 0, 0, 2, 2, &pic.dc(), 0, 0, &mono.surface(), 0, 0, MAKEROP4(SRCCOPY, SRCPAINT)));
  dc.setGraphicsMode(GraphicsMode::Advanced);
  dc.setWorldTransform({0, 1, -1, 0, 20, 0});  // a quarter turn
  EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 2, &pic.dc(), 0, 0, SRCCOPY));
  return m;
}

TEST(TMetafile, BitmapsDrawnOnTheCanvasPlayBackAsPixels) {
  const TMetafile m = bitmapDrawing();
  int bits = 0;
  for (auto const& r : m.records()) bits += r->kind == TMetafile::Record::Kind::StretchBits;
  EXPECT_EQ(bits, 3);
  TBitmap out;
  make(out, 80, 40);
  PlayEnhMetaFile(out.dc(), m, {0, 0, 80, 40});
  const struct {
    const char* id;
    int x, y;
    TColor colour;
  } samples[] = {{"stretched, left", 5, 5, clRed},      {"stretched, right", 35, 15, clBlue},
                 {"beside it", 45, 5, clWhite},         {"mirrored, left", 45, 30, clBlue},
                 {"mirrored, right", 70, 30, clRed},    {"one bit 0: text colour", 1, 21, clLime},
                 {"one bit 1: background", 3, 21, clYellow}, {"below the one-bit copy", 1, 25, clWhite}};
  for (auto const& s : samples) {
    SCOPED_TRACE(s.id);
    EXPECT_EQ(out.surface().pixel(s.x, s.y), s.colour);
  }
}

TEST(TMetafile, ClipAndSavedLevelsPlayBack) {
  // A fill clipped to the left half inside a saved level, then a fill after the level is left.
  TMetafile m;
  {
    TMetafileCanvas mc(m, 40, 20);
    TDeviceContext& dc = mc.dc();
    dc.saveDC();
    dc.intersectClipRect(0, 0, 20, 20);
    dc.fillRect({0, 0, 40, 10}, solidBrush(clRed));
    dc.restoreDC(-1);
    dc.fillRect({0, 10, 40, 20}, solidBrush(clBlue));
  }
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    TBitmap bm;
    make(bm, 40 * scale, 20 * scale);
    bm.dc().intersectClipRect(0, 0, 40 * scale, 20 * scale);  // the player keeps the caller's clip
    ASSERT_TRUE(PlayEnhMetaFile(bm.dc(), m, {0, 0, 40 * scale, 20 * scale}));
    EXPECT_EQ(bm.surface().pixel(19 * scale, 5 * scale), clRed);
    EXPECT_EQ(bm.surface().pixel(21 * scale, 5 * scale), clWhite);
    EXPECT_EQ(bm.surface().pixel(39 * scale, 15 * scale), clBlue);
    EXPECT_TRUE(bm.dc().hasClip());
    EXPECT_EQ(bm.dc().clipBox().Right, 40 * scale);
  }
}

TEST(TMetafile, RestoreBeyondItsOwnLevelsLeavesThePlayersState) {
  TMetafile m;
  {
    TMetafileRecorder r(m, 10, 10);
    r.restoreDC(1);  // nothing saved: not recorded
    r.saveDC();
    r.intersectClipRect(0, 0, 5, 5);
    r.restoreDC(3);  // more than saved: not recorded either
  }
  TBitmap bm;
  make(bm, 10, 10);
  const int before = bm.dc().saveDC();
  ASSERT_TRUE(PlayEnhMetaFile(bm.dc(), m, {0, 0, 10, 10}));
  EXPECT_TRUE(bm.dc().restoreDC(before)) << "the caller's saved level survives";
}

TEST(TMetafile, CharacterExtraIsRecordedAndScales) {
  auto widthOf = [](int extra, int scale) {
    TMetafile m;
    {
      TMetafileCanvas mc(m, 200, 30);
      TCanvas& cv = mc.canvas();
      cv.Font.setName("Liberation Sans");
      cv.Font.setHeight(-16);
      mc.dc().setBkMode(BkMode::Transparent);
      mc.dc().setTextCharacterExtra(extra);
      cv.TextOut(2, 2, "IIIIII");
    }
    TBitmap bm;
    make(bm, 200 * scale, 30 * scale);
    PlayEnhMetaFile(bm.dc(), m, {0, 0, 200 * scale, 30 * scale});
    int left = -1, right = -1;
    for (int x = 0; x < bm.Width(); ++x)
      for (int y = 0; y < bm.Height(); ++y)
        if (bm.surface().pixel(x, y) != clWhite) {
          if (left < 0) left = x;
          right = x;
        }
    return right - left;
  };
  const int plain = widthOf(0, 1), spaced = widthOf(10, 1), spacedTwice = widthOf(10, 2);
  EXPECT_NEAR(spaced - plain, 50, 3) << "five gaps of 10 pixels";
  EXPECT_NEAR(spacedTwice, 2 * spaced, 6);
}

// ---- EMF files ----------------------------------------------------------------------------------

namespace {
uint32_t u32at(std::string const& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
int32_t i32at(std::string const& b, size_t at) { return int32_t(u32at(b, at)); }

struct EmfRecord {
  uint32_t type, size;
  size_t at;
};
// The records of a file; fails the test where a size would leave the file or break alignment.
std::vector<EmfRecord> walk(std::string const& b) {
  std::vector<EmfRecord> out;
  for (size_t at = 0; at + 8 <= b.size();) {
    EmfRecord r{u32at(b, at), u32at(b, at + 4), at};
    EXPECT_GE(r.size, 8u);
    EXPECT_EQ(r.size % 4, 0u) << "record " << out.size();
    EXPECT_LE(at + r.size, b.size());
    if (r.size < 8 || r.size % 4 || at + r.size > b.size()) break;
    out.push_back(r);
    at += r.size;
  }
  return out;
}

// Pens, brushes, texts with character extra, a saved level with a clip, a box fill, and a line
// that leaves the 16-bit range.
TMetafile sampleDrawing() {
  TMetafile m;
  TMetafileCanvas mc(m, 400, 200);
  TCanvas& cv = mc.canvas();
  TDeviceContext& dc = mc.dc();
  cv.Pen.Width = 3;
  cv.Pen.Color = clBlue;
  cv.Brush.Color = clYellow;
  cv.Rectangle(10, 10, 100, 60);
  cv.Font.setName("Liberation Sans");
  cv.Font.setHeight(-20);
  dc.setBkMode(BkMode::Transparent);
  dc.setTextCharacterExtra(4);
  cv.TextOut(120, 20, "Dx");
  dc.saveDC();
  dc.intersectClipRect(0, 0, 200, 200);
  for (int i = 0; i < 5; ++i) {
    cv.Pen.Color = TColor(0x100 * i);
    cv.MoveTo(0, 100 + i);
    cv.LineTo(400, 100 + i);
  }
  dc.restoreDC(-1);
  dc.fillRect({300, 150, 380, 190}, solidBrush(clRed));
  cv.Pen.Color = clBlack;
  const TPoint far[] = {{0, 0}, {4000, 10}};
  cv.Polyline(far);
  return m;
}
}  // namespace

TEST(EnhMetaFile, HeaderFrameAndTotalsDescribeTheFile) {
  const TMetafile m = sampleDrawing();
  const std::string b = enhMetaFileBytes(m);
  const auto recs = walk(b);
  ASSERT_GE(recs.size(), 3u);
  EXPECT_EQ(recs.front().type, 1u);
  EXPECT_EQ(u32at(b, 40), 0x464D4520u) << "signature";
  // The frame in 0.01 mm: 400 × 200 pixels at 96 per inch.
  EXPECT_EQ(i32at(b, 24), 0);
  EXPECT_EQ(i32at(b, 32), m.MMWidth());
  EXPECT_EQ(i32at(b, 36), m.MMHeight());
  EXPECT_EQ(m.MMWidth(), 10583);
  EXPECT_EQ(i32at(b, 16), m.MMWidth()) << "bounds in the device's pixels of 0.01 mm";
  EXPECT_EQ(u32at(b, 48), b.size()) << "bytes";
  EXPECT_EQ(u32at(b, 52), recs.size()) << "records";
  // The reference device: its pixels and millimetres.
  EXPECT_EQ(i32at(b, 72), m.MMWidth());
  EXPECT_EQ(i32at(b, 80), 106);
  EXPECT_EQ(recs.back().type, 14u) << "EOF last";
  EXPECT_EQ(u32at(b, recs.back().at + 16), 20u);
  EXPECT_TRUE(enhMetaFileBytes(TMetafile{}).empty());
}

TEST(EnhMetaFile, ObjectsAreNeverDeletedWhileSelectedAndHandlesAreReused) {
  const std::string b = enhMetaFileBytes(sampleDrawing());
  const uint32_t handles = uint32_t(uint8_t(b[56])) | uint32_t(uint8_t(b[57])) << 8;
  std::map<uint32_t, char> live;  // handle → 'p' pen, 'b' brush, 'f' font
  struct Sel {
    uint32_t p = 0, b = 0, f = 0;
  } sel;
  std::vector<Sel> saved;
  size_t maxLive = 0;
  auto selected = [&](uint32_t h) {
    if (sel.p == h || sel.b == h || sel.f == h) return true;
    for (auto const& s : saved)
      if (s.p == h || s.b == h || s.f == h) return true;
    return false;
  };
  for (auto const& r : walk(b)) {
    const uint32_t h = r.size >= 12 ? u32at(b, r.at + 8) : 0;
    switch (r.type) {
      case 38: case 39: case 82:  // create pen, brush, font
        EXPECT_LT(h, handles);
        EXPECT_EQ(live.count(h), 0u) << "handle " << h << " made while in use";
        live[h] = r.type == 38 ? 'p' : r.type == 39 ? 'b' : 'f';
        maxLive = std::max(maxLive, live.size());
        break;
      case 37:  // select
        if (h & 0x80000000u) {
          if (h == 0x80000008u || h == 0x80000007u) sel.p = 0;
          else sel.b = 0;
          break;
        }
        ASSERT_EQ(live.count(h), 1u) << "selecting handle " << h << " that does not exist";
        (live[h] == 'p' ? sel.p : live[h] == 'b' ? sel.b : sel.f) = h;
        break;
      case 40:  // delete
        EXPECT_EQ(live.count(h), 1u);
        EXPECT_FALSE(selected(h)) << "handle " << h << " deleted while selected";
        live.erase(h);
        break;
      case 33: saved.push_back(sel); break;
      case 34: {
        const int32_t rel = i32at(b, r.at + 8);
        ASSERT_LT(rel, 0);
        ASSERT_LE(size_t(-rel), saved.size());
        sel = saved[saved.size() - size_t(-rel)];
        saved.resize(saved.size() - size_t(-rel));
        break;
      }
    }
  }
  EXPECT_TRUE(saved.empty());
  EXPECT_LE(maxLive, 6u) << "replaced objects are deleted, not piled up";
}

TEST(EnhMetaFile, TextAdvancesCarryTheCharacterExtraAndLargeShapesUse32Bits) {
  const std::string b = enhMetaFileBytes(sampleDrawing());
  int texts = 0, short16 = 0, long32 = 0;
  for (auto const& r : walk(b)) {
    if (r.type == 84) {
      ++texts;
      const uint32_t n = u32at(b, r.at + 44), offDx = u32at(b, r.at + 72), offString = u32at(b, r.at + 48);
      ASSERT_EQ(n, 2u);
      EXPECT_EQ(uint8_t(b[r.at + offString]), 'D');
      EXPECT_EQ(uint8_t(b[r.at + offString + 2]), 'x');
      // The advances of "D" and "x" at 20 pixels (529 units of 0.01 mm) plus 4 pixels (106).
      TLogFont f;
      f.faceName = "Liberation Sans";
      f.height = -529;
      auto font = realizeFont(f);
      EXPECT_EQ(i32at(b, r.at + offDx), font->advance(U'D') + 106);
      EXPECT_EQ(i32at(b, r.at + offDx + 4), font->advance(U'x') + 106);
    }
    short16 += r.type == 87;
    long32 += r.type == 4;
  }
  EXPECT_EQ(texts, 1);
  EXPECT_EQ(short16, 5) << "the five short lines";
  EXPECT_EQ(long32, 1) << "the line 4000 pixels (1058 mm) long";
}

// A text record's bounds are the text's cell as the player lays it out: every pixel of ink the
// player draws lies inside them, whatever the alignment and the turn, and they are not far larger.
TEST(EnhMetaFile, TextBoundsHoldTheTextAsThePlayerDrawsIt) {
  const struct {
    const char* id;
    unsigned align;
    int escapement;
  } cases[] = {{"left top", TA_LEFT | TA_TOP, 0},           {"centre baseline", TA_CENTER | TA_BASELINE, 0},
               {"right bottom", TA_RIGHT | TA_BOTTOM, 0},    {"up, left top", TA_LEFT | TA_TOP, 900},
               {"down, right baseline", TA_RIGHT | TA_BASELINE, -900}, {"slant, centre top", TA_CENTER | TA_TOP, 300}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    // 10 units of 0.01 mm to the reference pixel; played at one pixel to the reference pixel.
    TMetafile m;
    {
      TMetafileRecorder r(m, 400, 400, 10.0);
      TLogFont f;
      f.faceName = "Liberation Sans";
      f.height = -30;
      f.escapement = c.escapement;
      r.selectFont(f);
      r.setTextColor(clBlack);
      r.setBkMode(BkMode::Transparent);
      r.setTextAlign(c.align);
      r.setTextCharacterExtra(3);
      r.textOut(200, 200, "Equinox");
    }
    TBitmap bm;
    make(bm, 400, 400);
    PlayEnhMetaFile(bm.dc(), m, {0, 0, 400, 400});
    int l = 400, t = 400, rr = -1, b = -1;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x)
        if (bm.surface().pixel(x, y) != clWhite) l = std::min(l, x), rr = std::max(rr, x), t = std::min(t, y), b = std::max(b, y);
    ASSERT_GE(rr, 0) << "no ink";
    const std::string bytes = enhMetaFileBytes(m);
    int texts = 0;
    for (auto const& rec : walk(bytes)) {
      if (rec.type != 84) continue;
      ++texts;
      // Bounds in device units of 0.01 mm: ten to the pixel.
      const double bl = i32at(bytes, rec.at + 8) / 10.0, bt = i32at(bytes, rec.at + 12) / 10.0,
                   br = i32at(bytes, rec.at + 16) / 10.0, bb = i32at(bytes, rec.at + 20) / 10.0;
      EXPECT_LE(bl, l + 1);
      EXPECT_LE(bt, t + 1);
      EXPECT_GE(br + 1, rr);
      EXPECT_GE(bb + 1, b);
      EXPECT_LT((br - bl) * (bb - bt), 2.5 * (rr - l + 1) * (b - t + 1)) << "a box about the ink";
    }
    EXPECT_EQ(texts, 1);
  }
}

TEST(EnhMetaFile, SavingIsAllOrNothing) {
  const std::string dir = testenv::tempDir();
  const std::string name = dir + "picture.emf";
  testenv::writeFile("picture.emf", "earlier");
  std::string why;
  failNextReplaceForTesting(name);
  EXPECT_FALSE(saveEnhMetaFile(sampleDrawing(), name, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(testenv::readFile(name), "earlier");
  EXPECT_FALSE(saveEnhMetaFile(TMetafile{}, dir + "empty.emf", &why));
  EXPECT_FALSE(std::filesystem::exists(dir + "empty.emf"));
  ASSERT_TRUE(saveEnhMetaFile(sampleDrawing(), name, &why)) << why;
  EXPECT_EQ(testenv::readFile(name), enhMetaFileBytes(sampleDrawing()));
  EXPECT_FALSE(saveEnhMetaFile(sampleDrawing(), dir + "no such folder/x.emf", &why));
}

TEST(EnhMetaFile, OutsideReaderDrawsWhatThePlayerDraws) {
  if (!testenv::emfToolsPresent()) GTEST_SKIP() << "emf2svg-conv, xmllint or rsvg-convert missing";
  const std::string name = testenv::tempDir() + "sample.emf";
  const TMetafile m = sampleDrawing();
  ASSERT_TRUE(saveEnhMetaFile(m, name));
  const auto r = testenv::renderEmf(name, 800);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.image.width, 800);
  ASSERT_NEAR(r.image.height, 400, 1);
  TBitmap ours;
  make(ours, 800, 400);
  PlayEnhMetaFile(ours.dc(), m, {0, 0, 800, 400});
  auto theirs = [&](int x, int y) {
    const uint8_t* p = r.image.pixel(x, y);
    return TColor(p[0] | p[1] << 8 | p[2] << 16);
  };
  const struct {
    const char* id;
    int x, y;
    TColor colour;
  } samples[] = {{"box inside", 110, 70, clYellow}, {"box edge", 110, 21, clBlue},
                 {"fill", 680, 340, clRed},        {"clipped line", 200, 202, 0x000000},
                 {"cut off", 600, 204, clWhite},   {"white", 20, 380, clWhite}};
  auto close = [](TColor a, TColor b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 40 && std::abs(GetGValue(a) - GetGValue(b)) <= 40 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 40;
  };
  for (auto const& s : samples) {
    SCOPED_TRACE(s.id);
    EXPECT_TRUE(close(ours.surface().pixel(s.x, s.y), s.colour)) << ours.surface().pixel(s.x, s.y);
    EXPECT_TRUE(close(theirs(s.x, s.y), s.colour)) << theirs(s.x, s.y);
  }
  // The text stands where ours does: ink in the same cell.
  auto ink = [](auto pixel) {
    int n = 0;
    for (int y = 30; y < 100; ++y)
      for (int x = 230; x < 330; ++x) n += pixel(x, y) != clWhite && pixel(x, y) != 0xFFFFFF;
    return n;
  };
  const int oursInk = ink([&](int x, int y) { return ours.surface().pixel(x, y); });
  const int theirInk = ink([&](int x, int y) {
    const TColor c = theirs(x, y);
    return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200 ? clWhite : c;
  });
  EXPECT_GT(oursInk, 200);
  EXPECT_NEAR(theirInk, oursInk, oursInk / 2);
}

// The bitmaps reach the file as device-independent bits that an outside reader draws in place.
TEST(EnhMetaFile, BitmapsReachTheOutsideReader) {
  const TMetafile m = bitmapDrawing();
  const std::string b = enhMetaFileBytes(m);
  int stretches = 0;
  for (auto const& r : walk(b)) {
    if (r.type != 81) continue;  // EMR_STRETCHDIBITS
    ++stretches;
    EXPECT_EQ(u32at(b, r.at + 80), 40u) << "an information header follows the record's fields";
    EXPECT_EQ(u32at(b, r.at + 80 + 14) & 0xFFFF, 24u) << "bits per pixel";
  }
  EXPECT_EQ(stretches, 3);
  if (!testenv::emfToolsPresent()) GTEST_SKIP() << "emf2svg-conv, xmllint or rsvg-convert missing";
  const std::string name = testenv::tempDir() + "bitmaps.emf";
  ASSERT_TRUE(saveEnhMetaFile(m, name));
  const auto r = testenv::renderEmf(name, 400);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.image.width, 400);
  auto theirs = [&](int x, int y) {
    const uint8_t* p = r.image.pixel(x, y);
    return TColor(p[0] | p[1] << 8 | p[2] << 16);
  };
  auto close = [](TColor a, TColor b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 60 && std::abs(GetGValue(a) - GetGValue(b)) <= 60 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 60;
  };
  const struct {
    const char* id;
    int x, y;
    TColor colour;
  } samples[] = {{"stretched, left", 50, 50, clRed},   {"stretched, right", 150, 50, clBlue},
                 {"mirrored, left", 250, 150, clBlue}, {"mirrored, right", 350, 150, clRed},
                 {"one bit 0", 5, 105, clLime},        {"one bit 1", 15, 115, clYellow},
                 {"beside", 300, 50, clWhite}};
  for (auto const& s : samples) {
    SCOPED_TRACE(s.id);
    EXPECT_TRUE(close(theirs(s.x, s.y), s.colour)) << std::hex << theirs(s.x, s.y);
  }
}
