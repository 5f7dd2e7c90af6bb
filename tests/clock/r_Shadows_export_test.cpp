// The diagrams' exports: the badge says what happened, images are 2000 pixels wide in the format
// of their name (as identify reads them) with the pixels of a playback, and the EMF file opens in
// outside readers and looks like our own export where it is sampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/r_bitmapRaw.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "tests/clock/shadows_fixture.h"
#include "tests/support/emf_render.h"

namespace {
using namespace platform;
using namespace shadowstest;
namespace fs = std::filesystem;

class ShadowsExport : public ShadowsTest {
 protected:
  std::string file(const std::string& name) { return testenv::tempDir() + name; }
  bool identifyPresent() { return std::system("command -v identify >/dev/null") == 0; }
};

TEST_F(ShadowsExport, BadgeSaysDoneOnlyWhenAFileWasWritten) {
  place(51.5);
  std::vector<std::string> badges;
  shadows->onBadge = [&](const std::string& word, const std::string&) { badges.push_back(word); };
  // Before any drawing there is nothing to export.
  EXPECT_FALSE(shadows->saveAs(file("early.bmp")));
  EXPECT_FALSE(fs::exists(file("early.bmp")));
  ASSERT_TRUE(shadows->record());
  const struct {
    const char* name;
    bool written;
  } cases[] = {{"a.bmp", true},  {"a.jpg", true}, {"a.tif", true},           {"a.emf", true},
               {"a.txt", false}, {"a", false},     {"no folder/a.bmp", false}, {"no folder/a.tif", false},
               {"no folder/a.emf", false}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    badges.clear();
    EXPECT_EQ(shadows->saveAs(file(c.name)), c.written);
    EXPECT_EQ(fs::exists(file(c.name)), c.written);
    ASSERT_EQ(badges.size(), 1u);
    EXPECT_EQ(badges[0], c.written ? "DONE" : "FAILED");
    EXPECT_EQ(shadows->lastBadge, badges[0]);
  }
  // A failed write leaves the earlier file as it was.
  shadows->option = 2;
  ASSERT_TRUE(shadows->record());
  for (const char* name : {"a.emf", "a.tif", "a.jpg"}) {
    SCOPED_TRACE(name);
    const std::string before = testenv::readFile(file(name));
    failNextReplaceForTesting(file(name));
    badges.clear();
    EXPECT_FALSE(shadows->saveAs(file(name)));
    EXPECT_EQ(badges, std::vector<std::string>{"FAILED"});
    EXPECT_EQ(testenv::readFile(file(name)), before);
  }
}

TEST_F(ShadowsExport, ImagesAre2000PixelsWideInTheFormatOfTheirName) {
  if (!identifyPresent()) GTEST_SKIP() << "identify missing";
  place(51.5);
  const struct {
    int option;
    const char* name;
    const char* format;
  } cases[] = {{1, "path.bmp", "BMP3"},   {1, "path.jpg", "JPEG"},    {1, "path.tif", "TIFF"},
               {2, "shadow.bmp", "BMP3"}, {2, "shadow.jpeg", "JPEG"}, {2, "shadow.tiff", "TIFF"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    shadows->option = c.option;
    ASSERT_TRUE(shadows->record());
    ASSERT_TRUE(shadows->saveAs(file(c.name)));
    // As high as the page's proportions make it: the page holds the diagram and its labels.
    const TMetafile& m = *shadows->metafile();
    EXPECT_GT(m.MMWidth(), 63000);
    EXPECT_GT(m.MMHeight(), c.option == 1 ? 30000 : 42000);
    const int height = Round32(2000.0 * m.MMHeight() / m.MMWidth());
    int status = 0;
    const std::string said = testenv::runCommand("identify -format '%m %wx%h' '" + file(c.name) + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(said, std::string(c.format) + " 2000x" + std::to_string(height));
  }
}

TEST_F(ShadowsExport, BmpHoldsThePixelsOfAPlayback) {
  place(-33.87, 151.21, 10);
  shadows->option = 2;
  ASSERT_TRUE(shadows->record());
  ASSERT_TRUE(shadows->saveAs(file("d.bmp")));
  const TMetafile& m = *shadows->metafile();
  const int h = Round32(2000.0 * m.MMHeight() / m.MMWidth());
  TrawBitmap24 saved, played;
  ASSERT_TRUE(saved.loadfromFile(file("d.bmp"))) << saved.loadError();
  played.setsize(2000, h);
  played.fillWhite();
  PlayEnhMetaFile(played.dc(), m, {0, 0, 2000, h});
  ASSERT_EQ(saved.width(), 2000);
  ASSERT_EQ(saved.height(), h);
  int differ = 0, ink = 0;
  for (int row = 0; row < h; ++row) {
    const uint8_t *a = saved.rowPt(row), *b = played.rowPt(row);
    for (int i = 0; i < 2000 * 3; i += 3) {
      differ += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
      ink += b[i] != 255 || b[i + 1] != 255 || b[i + 2] != 255;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(ink, 100000) << "a whole diagram, not an empty page";
}

// The nearest pixel of a colour class within `reach` pixels of (x, y) in an RGB image.
bool near(const TrgbImage& img, int x, int y, int reach, bool (*is)(uint8_t r, uint8_t g, uint8_t b)) {
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      const int px = x + dx, py = y + dy;
      if (px < 0 || py < 0 || px >= img.width || py >= img.height) continue;
      const uint8_t* p = img.pixel(px, py);
      if (is(p[0], p[1], p[2])) return true;
    }
  return false;
}

TEST_F(ShadowsExport, EmfOpensInOutsideReadersAndLooksLikeOurExport) {
  if (!testenv::emfToolsPresent()) GTEST_SKIP() << "emf2svg-conv, xmllint or rsvg-convert missing";
  place(51.5, -0.1167, 0);
  ASSERT_TRUE(shadows->record());
  ASSERT_TRUE(shadows->saveAs(file("path.emf")));
  ASSERT_TRUE(shadows->saveAs(file("path.bmp")));
  // The header's frame: the page in 0.01 mm.
  const TMetafile& m = *shadows->metafile();
  const std::string bytes = testenv::readFile(file("path.emf"));
  auto i32 = [&](size_t at) {
    return int32_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 | uint8_t(bytes[at + 2]) << 16 |
                   uint32_t(uint8_t(bytes[at + 3])) << 24);
  };
  EXPECT_EQ(i32(32) - i32(24), m.MMWidth());
  EXPECT_EQ(i32(36) - i32(28), m.MMHeight());

  const auto r = testenv::renderEmf(file("path.emf"), 2000);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.image.width, 2000);
  ASSERT_NEAR(r.image.height, 2000.0 * m.MMHeight() / m.MMWidth(), 1);
  TrgbImage ours;
  std::string why;
  {
    TrawBitmap24 b;
    ASSERT_TRUE(b.loadfromFile(file("path.bmp")));
    ours = {b.width(), b.height(), std::vector<uint8_t>(size_t(b.width()) * b.height() * 3)};
    for (int row = 0; row < b.height(); ++row)
      for (int col = 0; col < b.width(); ++col) {
        Tbgr c;
        b.getPixel(col, row, c);
        uint8_t* p = ours.pixel(col, row);
        p[0] = c.red, p[1] = c.green, p[2] = c.blue;
      }
  }
  const Tdrawer& d = *shadows->dw;
  auto toPx = [&](double units) { return int(units * 2000 / m.MMWidth()); };
  auto dark = [](uint8_t r, uint8_t g, uint8_t b) { return r < 160 && g < 160 && b < 160; };
  auto blue = [](uint8_t r, uint8_t g, uint8_t b) { return b > 180 && r < 100 && g < 100; };
  auto red = [](uint8_t r, uint8_t g, uint8_t b) { return r > 180 && g < 100 && b < 100; };
  const struct {
    const char* id;
    int x, y;
    bool (*is)(uint8_t, uint8_t, uint8_t);
  } samples[] = {
      {"horizon", toPx(d.px(-200)), toPx(d.py(0)), dark},
      {"horizon east", toPx(d.px(250)), toPx(d.py(0)), dark},
  };
  for (auto const& s : samples) {
    SCOPED_TRACE(s.id);
    EXPECT_TRUE(near(ours, s.x, s.y, 1, s.is));
    EXPECT_TRUE(near(r.image, s.x, s.y, 2, s.is));
  }
  // The December curve (blue) and the June solstice (red): every such pixel of ours in a column
  // clear of the noon analemma has one of theirs within two pixels.
  for (auto [name, is] : {std::pair{"December", +blue}, std::pair{"solstice", +red}}) {
    SCOPED_TRACE(name);
    int found = 0;
    for (int y = 0; y < ours.height; ++y) {
      const uint8_t* p = ours.pixel(760, y);
      if (!is(p[0], p[1], p[2])) continue;
      ++found;
      EXPECT_TRUE(near(r.image, 760, y, 2, is)) << "row " << y;
    }
    EXPECT_GT(found, 0);
  }
  // A caption: the place line below the horizon has about as much ink in both.
  auto ink = [&](const TrgbImage& img) {
    int n = 0;
    for (int y = toPx(d.py(-40)); y < toPx(d.py(-46)); ++y)
      for (int x = 600; x < 1400; ++x) n += dark(img.pixel(x, y)[0], img.pixel(x, y)[1], img.pixel(x, y)[2]);
    return n;
  };
  const int oursInk = ink(ours), theirInk = ink(r.image);
  EXPECT_GT(oursInk, 500);
  EXPECT_NEAR(theirInk, oursInk, oursInk * 0.5);
}

}  // namespace

namespace {
// An image file as ImageMagick's convert reads it, through a binary PPM.
TrgbImage readWithConvert(const std::string& file, std::string& why) {
  TrgbImage img;
  const std::string ppm = file + ".ppm";
  int status = 0;
  why = testenv::runCommand("convert '" + file + "' -depth 8 '" + ppm + "'", &status);
  if (status != 0) return img;
  const std::string b = testenv::readFile(ppm);
  std::istringstream head(b);
  std::string magic;
  int w = 0, h = 0, max = 0;
  head >> magic >> w >> h >> max;
  const size_t at = size_t(head.tellg()) + 1;
  if (magic != "P6" || max != 255 || w <= 0 || h <= 0 || b.size() < at + size_t(w) * h * 3) return why = "not a PPM", img;
  img.width = w, img.height = h;
  img.rgb.assign(b.begin() + ptrdiff_t(at), b.begin() + ptrdiff_t(at + size_t(w) * h * 3));
  why.clear();
  return img;
}
bool inked(const uint8_t* p) { return p[0] < 200 || p[1] < 200 || p[2] < 200; }

// At London, Sydney and both poles, in both diagrams: nothing is drawn beyond the page, every label
// lies inside each exported image (BMP, TIFF and JPEG by their pixels as convert reads them, EMF
// by its text records' bounds), and at a pole the sun's path spans the diagram's width.
TEST_F(ShadowsExport, EveryLabelLiesInsideTheExportedPage) {
  const bool convert = std::system("command -v convert >/dev/null") == 0;
  const struct {
    const char* id;
    double lat, lon, zone;
  } places[] = {{"London", 51.5, -0.1167, 0}, {"Sydney", -33.87, 151.21, 10}, {"North Pole", 90, 0, 0},
                {"South Pole", -90, 0, 0}};
  for (auto const& p : places)
    for (int option : {1, 2}) {
      SCOPED_TRACE(std::string(p.id) + (option == 1 ? " sun path" : " shadow diagram"));
      place(p.lat, p.lon, p.zone);
      shadows->option = option;
      ASSERT_TRUE(shadows->record());
      const TMetafile& m = *shadows->metafile();
      const Tdrawer& d = *shadows->dw;
      const int w = 2000, h = Round32(2000.0 * m.MMHeight() / m.MMWidth());
      const auto drawn = read(m);
      ASSERT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const Tdrawn& t) {
        return t.kind == Kind::Text && t.text.find("   Longitude: ") != std::string::npos;
      }));

      // Played into a larger picture, nothing lands outside the page's box.
      {
        TrawBitmap24 big;
        big.setsize(w + 400, h + 400);
        big.fillWhite();
        PlayEnhMetaFile(big.dc(), m, {200, 200, 200 + w, 200 + h});
        int outside = 0;
        for (int row = 0; row < big.height(); ++row)
          for (int col = 0; col < big.width(); ++col) {
            if (col >= 200 && col < 200 + w && row >= 200 && row < 200 + h) continue;
            Tbgr c;
            big.getPixel(col, row, c);
            outside += c.red != 255 || c.green != 255 || c.blue != 255;
          }
        EXPECT_EQ(outside, 0);
      }

      // Each label's cell, in the pixels of a 2000-pixel export.
      const double k = double(w) / m.MMWidth();
      struct Tcell {
        std::string text;
        double l, t, r, b;
      };
      std::vector<Tcell> cells;
      for (auto const& t : drawn) {
        if (t.kind != Kind::Text || t.text.find_first_not_of(' ') == std::string::npos) continue;
        TLogFont f = t.font;
        f.height = Round32(t.fontHeight);
        unsigned align = TA_LEFT | TA_TOP;
        double extra = 0;
        // The alignment and character extra in force: the last ones recorded before this text.
        for (auto const& rp : m.records()) {
          if (rp->kind == Kind::TextAlign) align = rp->value;
          if (rp->kind == Kind::CharExtra) extra = rp->size;
          if (rp->kind == Kind::Text && rp->pts[0].x == t.pts[0].x && rp->pts[0].y == t.pts[0].y && rp->text == t.text)
            break;
        }
        const auto q = textCell(f, align, extra, t.pts[0], t.text);
        Tcell c{t.text, 1e9, 1e9, -1e9, -1e9};
        for (auto const& v : q)
          c.l = std::min(c.l, v.x * k), c.t = std::min(c.t, v.y * k), c.r = std::max(c.r, v.x * k),
          c.b = std::max(c.b, v.y * k);
        cells.push_back(c);
      }
      ASSERT_GT(cells.size(), 20u);

      for (const char* type : {"bmp", "tif", "jpg"}) {
        SCOPED_TRACE(type);
        const std::string name = file(std::string("labels.") + type);
        ASSERT_TRUE(shadows->saveAs(name));
        if (!convert) continue;
        std::string why;
        const TrgbImage img = readWithConvert(name, why);
        ASSERT_EQ(why, "");
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        // The margin round the page is white: nothing reaches the image's edge.
        int edge = 0;
        for (int x = 0; x < w; ++x) edge += inked(img.pixel(x, 0)) + inked(img.pixel(x, h - 1));
        for (int y = 0; y < h; ++y) edge += inked(img.pixel(0, y)) + inked(img.pixel(w - 1, y));
        EXPECT_EQ(edge, 0);
        for (auto const& c : cells) {
          EXPECT_TRUE(c.l >= 0 && c.t >= 0 && c.r <= w && c.b <= h)
              << "\"" << c.text << "\" at " << c.l << ", " << c.t << " to " << c.r << ", " << c.b;
          int ink = 0;
          for (int y = std::max(0, int(c.t)); y < std::min(h, int(c.b) + 1); ++y)
            for (int x = std::max(0, int(c.l)); x < std::min(w, int(c.r) + 1); ++x) ink += inked(img.pixel(x, y));
          EXPECT_GT(ink, 0) << "\"" << c.text << "\" is drawn";
        }
        // At a pole the sun goes round at one height: its solstice curve runs across the page.
        if (option == 1 && std::abs(p.lat) == 90 && std::string(type) == "bmp") {
          int left = w, right = -1;
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
              const uint8_t* px = img.pixel(x, y);
              if (px[0] > 200 && px[1] < 60 && px[2] < 60) left = std::min(left, x), right = std::max(right, x);
            }
          const double page = (d.px(Tshadows::kPageWidth / 2) - d.px(-Tshadows::kPageWidth / 2)) * k;
          EXPECT_GE(right - left, 0.9 * page);
        }
      }

      // EMF: every text record's bounds lie in the header's frame (both in 0.01 mm).
      const std::string emf = file("labels.emf");
      ASSERT_TRUE(shadows->saveAs(emf));
      const std::string b = testenv::readFile(emf);
      auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
               uint32_t(uint8_t(b[at + 3])) << 24;
      };
      auto i32 = [&](size_t at) { return int32_t(u32(at)); };
      const int fl = i32(24), ft = i32(28), fr = i32(32), fb = i32(36);
      int texts = 0;
      for (size_t at = 0; at + 8 <= b.size();) {
        const uint32_t type = u32(at), size = u32(at + 4);
        ASSERT_GE(size, 8u);
        if (type == 84) {  // EMR_EXTTEXTOUTW
          ++texts;
          EXPECT_GE(i32(at + 8), fl);
          EXPECT_GE(i32(at + 12), ft);
          EXPECT_LE(i32(at + 16), fr);
          EXPECT_LE(i32(at + 20), fb);
        }
        at += size;
      }
      EXPECT_GT(texts, 20);
    }
}
}  // namespace
