// The diagrams' exports: the badge says what happened, images are 2000 pixels wide in the format
// of their name (as identify reads them) with the pixels of a playback, and the EMF file opens in
// outside readers and looks like our own export where it is sampled.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/r_bitmapRaw.h"
#include "platform/files.h"
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
    const char* want;
  } cases[] = {{1, "path.bmp", "BMP3 2000x952"},    {1, "path.jpg", "JPEG 2000x952"},
               {1, "path.tif", "TIFF 2000x952"},    {2, "shadow.bmp", "BMP3 2000x1333"},
               {2, "shadow.jpeg", "JPEG 2000x1333"}, {2, "shadow.tiff", "TIFF 2000x1333"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    shadows->option = c.option;
    ASSERT_TRUE(shadows->record());
    ASSERT_TRUE(shadows->saveAs(file(c.name)));
    int status = 0;
    const std::string said = testenv::runCommand("identify -format '%m %wx%h' '" + file(c.name) + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(said, c.want);
  }
}

TEST_F(ShadowsExport, BmpHoldsThePixelsOfAPlayback) {
  place(-33.87, 151.21, 10);
  shadows->option = 2;
  ASSERT_TRUE(shadows->record());
  ASSERT_TRUE(shadows->saveAs(file("d.bmp")));
  TrawBitmap24 saved, played;
  ASSERT_TRUE(saved.loadfromFile(file("d.bmp"))) << saved.loadError();
  played.setsize(2000, 1333);
  played.fillWhite();
  PlayEnhMetaFile(played.dc(), *shadows->metafile(), {0, 0, 2000, 1333});
  ASSERT_EQ(saved.width(), 2000);
  ASSERT_EQ(saved.height(), 1333);
  int differ = 0, ink = 0;
  for (int row = 0; row < 1333; ++row) {
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
  // The header's frame: 630 × 300 mm.
  const std::string bytes = testenv::readFile(file("path.emf"));
  auto i32 = [&](size_t at) {
    return int32_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 | uint8_t(bytes[at + 2]) << 16 |
                   uint32_t(uint8_t(bytes[at + 3])) << 24);
  };
  EXPECT_EQ(i32(32) - i32(24), 63000);
  EXPECT_EQ(i32(36) - i32(28), 30000);

  const auto r = testenv::renderEmf(file("path.emf"), 2000);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.image.width, 2000);
  ASSERT_NEAR(r.image.height, 952, 1);
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
  auto toPx = [](double units) { return int(units * 2000 / 63000); };
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
