// r_wic: images known from their headers, decoded in extracts with the pixels ImageMagick
// decodes, fitted into boxes, drawn into views, and saved (with world files) as files that
// identify and tiffinfo read back; failed saves keep the old files.
#include "imaging/r_wic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/Tbm24.h"
#include "core/Tview.h"
#include "imaging/r_BitBase.h"
#include "platform/TMemoryStream.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/imagecodec.h"
#include "tests/support/bitmaps.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

using platform::TBitmap;
using platform::TRect;

bool haveCodecTools() {
  return std::system("test -x /usr/bin/convert && command -v identify >/dev/null && command -v tiffinfo >/dev/null && "
                     "command -v tiffcp >/dev/null && /usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
}

using testenv::runCommand;

using testenv::makeByCommand;

// A picture with no two neighbouring pixels alike, as a PPM for the tools.
void pattern(int w, int h) {
  std::string s = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s += char(x * 7 + y * 3);
      s += char(x * y + 40);
      s += char((x ^ y) * 5);
    }
  testenv::writeFile("p.ppm", s);
}

// ImageMagick's decoding of a rectangle, red-green-blue.
std::string magick(const std::string& file, const TRect& r = {}) {
  std::string crop;
  if (r.width() > 0)
    crop = " -crop " + std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" + std::to_string(r.Left) +
           "+" + std::to_string(r.Top) + " +repage";
  return runCommand("/usr/bin/convert '" + file + "[0]'" + crop + " -depth 8 rgb:-");
}

// A 24-bit bitmap's pixels, red-green-blue, top row first.
std::string rgbOf(const TBitmap& bm, int w, int h) {
  std::string s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const platform::TColor c = bm.Canvas().Pixels(x, y);
      s += char(platform::GetRValue(c));
      s += char(platform::GetGValue(c));
      s += char(platform::GetBValue(c));
    }
  return s;
}

int largestDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return 256;
  int most = 0;
  for (size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i]))));
  return most;
}

class wic : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    if (!haveCodecTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and python3-pil are needed";
    pattern(45, 31);
  }
};

}  // namespace

TEST_F(wic, SizesAndDepthsWithoutDecoding) {
  struct Case { const char* id; const char* file; std::string cmd; int w, h, depth; } cases[] = {
      {"png", "a.png", "/usr/bin/convert p.ppm a.png", 45, 31, 24},
      {"jpeg", "a.jpg", "/usr/bin/convert p.ppm a.jpg", 45, 31, 24},
      {"bmp 8 bits", "a.bmp", "/usr/bin/convert p.ppm -colors 30 -compress none -type palette BMP3:a.bmp", 45, 31, 8},
      {"tiff", "a.tif", "/usr/bin/convert p.ppm a.tif", 45, 31, 24},
      // No header reader: the decoder tells.
      {"gif", "a.gif", "/usr/bin/convert p.ppm a.gif", 45, 31, 8},
      {"bigtiff", "big.tif", "/usr/bin/convert p.ppm s.tif && tiffcp -8 s.tif big.tif", 45, 31, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Twic w(makeByCommand(c.file, c.cmd));
    EXPECT_EQ(w.width(), c.w);
    EXPECT_EQ(w.height(), c.h);
    EXPECT_EQ(w.depth(), c.depth);
    EXPECT_FALSE(w.calibrated());
    EXPECT_EQ(w.x2(), c.w);  // pixel space
    EXPECT_EQ(w.y2(), c.h);
    EXPECT_EQ(w.mp(), 1);
  }
  Twic missing(testenv::tempDir() + "missing.png");
  EXPECT_EQ(missing.width(), 0);
  EXPECT_EQ(missing.getImage(), nullptr);
}

TEST_F(wic, DecodedPixelsAreImageMagicksOwn) {
  const std::string py = "/usr/bin/python3 -c \"from PIL import Image; ";
  struct Case { const char* id; const char* file; std::string cmd; } cases[] = {
      {"bmp 1 bit", "b1.bmp", "/usr/bin/convert p.ppm -type bilevel BMP3:b1.bmp"},
      {"bmp 8 bits", "b8.bmp", "/usr/bin/convert p.ppm -colors 30 -compress none -type palette BMP3:b8.bmp"},
      {"bmp 24 bits", "b24.bmp", "/usr/bin/convert p.ppm BMP3:b24.bmp"},
      {"bmp 32 bits", "b32.bmp", py + "Image.open('p.ppm').convert('RGBA').save('b32.bmp')\""},
      {"bmp 32 bits with masks", "b32m.bmp", "/usr/bin/convert p.ppm -alpha on BMP:b32m.bmp"},
      {"tiff", "t.tif", "/usr/bin/convert p.ppm -compress lzw t.tif"},
      {"gif", "g.gif", "/usr/bin/convert p.ppm g.gif"},
      {"png", "p.png", "/usr/bin/convert p.ppm p.png"},
  };
  const TRect part{7, 3, 30, 29};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string file = makeByCommand(c.file, c.cmd);
    Twic w(file);
    TBitmap* bm = w.getImage();
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(rgbOf(*bm, 45, 31), magick(file));
    bm = w.getImage(part.Left, part.Top, part.Right, part.Bottom);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(rgbOf(*bm, part.width(), part.height()), magick(file, part));
  }
}

TEST_F(wic, ExtractsAreClampedAndSampled) {
  Twic w(makeByCommand("s.bmp", "/usr/bin/convert p.ppm -crop 40x30+0+0 +repage BMP3:s.bmp"));
  w.forceActualSize = true;
  TBitmap* bm = w.getImage(-10, -10, 50, 50);
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(w.extractWidth(), 40);
  EXPECT_EQ(w.extractHeight(), 30);
  EXPECT_EQ(bm->Width(), 40);
  EXPECT_EQ(bm->Height(), 30);
  const std::string pixels = magick(testenv::tempDir() + "s.bmp");
  auto at = [&](int x, int y) {
    const char* p = pixels.data() + (y * 40 + x) * 3;
    return Tbgr{uint8_t(p[2]), uint8_t(p[1]), uint8_t(p[0])};
  };
  Tbgr c;
  EXPECT_TRUE(w.getPixel(39, 29, c));
  EXPECT_EQ(c, at(39, 29));
  EXPECT_TRUE(w.getPixelD(39, 29, c));  // the bottom-right pixel alone
  EXPECT_EQ(c, at(39, 29));
  EXPECT_FALSE(w.getPixelD(40, 30, c));  // outside: white
  EXPECT_EQ(c, (Tbgr{255, 255, 255}));
  EXPECT_FALSE(w.getPixel(40, 0, c));
  EXPECT_TRUE(w.getPixelD(0.5, 0, c));
  EXPECT_NEAR(c.red, (at(0, 0).red + at(1, 0).red) / 2.0, 0.5);
  // The RGB-triple form: the same sample under the platform's names.
  platform::TRGBTriple t;
  for (auto [x, y] : {std::pair{0.5, 0.25}, {39.0, 29.0}, {12.75, 3.5}}) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    ASSERT_TRUE(w.getPixelD(x, y, c));
    ASSERT_TRUE(w.getPixelD(x, y, t));
    EXPECT_EQ(t, (platform::TRGBTriple{c.blue, c.green, c.red}));
  }
  EXPECT_FALSE(w.getPixelD(40.0, 30.0, t));
  EXPECT_EQ(t, (platform::TRGBTriple{255, 255, 255}));
  EXPECT_FALSE(w.getPixelD(std::nan(""), 1.0, t));  // no number: outside
  EXPECT_EQ(t, (platform::TRGBTriple{255, 255, 255}));
  EXPECT_FALSE(w.getPixelD(1e300, 1.0, t));
  // Just left of the extract the truncated weights reach past the pixels: kept to a byte.
  ASSERT_TRUE(w.getPixelD(-0.5, 0.0, t));
  EXPECT_EQ(t.rgbtRed, uint8_t(std::clamp(std::nearbyint(1.5 * at(0, 0).red - 0.5 * at(1, 0).red), 0.0, 255.0)));
  EXPECT_TRUE(w.getPixel(39, 29, t));
  EXPECT_EQ(t, (platform::TRGBTriple{at(39, 29).blue, at(39, 29).green, at(39, 29).red}));
  // Empty or fully clipped rectangles decode nothing.
  EXPECT_EQ(w.getImage(50, 0, 60, 10), nullptr);
  EXPECT_EQ(w.getImage(10, 10, 10, 20), nullptr);
  EXPECT_FALSE(w.getBuf(-20, -20, 0, 0));
  // One bit: white where the picture is light.
  TBitmap* mono = w.getMonoImage(0, 0, 40, 30);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->PixelFormat(), platform::pf1bit);
  uint8_t r, g, b;
  ASSERT_TRUE(w.getPixel(5, 5, r, g, b));
  const Tbgr p = at(5, 5);
  EXPECT_EQ(r, (299 * p.red + 587 * p.green + 114 * p.blue + 500) / 1000 >= 128 ? 255 : 0);
  EXPECT_FALSE(w.getPixel(5, 5, c));  // no triple from a one-bit extract
  EXPECT_FALSE(w.getPixel(5, 5, t));
}

TEST_F(wic, BitmapToBoxLetterboxes) {
  Twic w(makeByCommand("wide.bmp", "/usr/bin/convert -size 200x100 xc:'rgb(10,20,30)' BMP3:wide.bmp"));
  TBitmap canvas;
  testenv::make(canvas, 120, 120);
  EXPECT_EQ(w.BitmapToBox(canvas.Canvas(), TRect{0, 0, 19, 100}), TRect{});
  const TRect r = w.BitmapToBox(canvas.Canvas(), TRect{0, 0, 100, 100});
  EXPECT_EQ(r, (TRect{0, 25, 100, 75}));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x)
      ASSERT_EQ(canvas.Canvas().Pixels(x, y), r.contains(platform::TPoint{x, y}) ? platform::RGB(10, 20, 30) : platform::clWhite)
          << x << "," << y;
  // A tall box: inset left and right.
  EXPECT_EQ(w.BitmapToBox(canvas.Canvas(), TRect{10, 0, 40, 100}), (TRect{10, 42, 40, 58}));
  // An image of unknown size is not fitted anywhere.
  Twic none(testenv::tempDir() + "missing.bmp");
  EXPECT_EQ(none.BitmapToBox(canvas.Canvas(), TRect{0, 0, 100, 100}), TRect{});
}

// Exports are read back by identify with the same pixels (JPEG within a tolerance), and the
// TIFF passes tiffinfo.
TEST_F(wic, SavedFilesAreReadBackByOutsideTools) {
  // A smooth picture, which JPEG keeps within a few levels.
  const std::string src =
      makeByCommand("src.bmp", "/usr/bin/convert -size 45x31 gradient:'rgb(200,30,10)'-'rgb(10,90,250)' -depth 8 BMP3:src.bmp");
  const std::string pixels = magick(src);
  TBitmap bm;
  ASSERT_TRUE(BMload(bm, src));
  TBitmap mono;
  ASSERT_TRUE(BMload(mono, makeByCommand("m.bmp", "/usr/bin/convert p.ppm -type bilevel BMP3:m.bmp")));
  EXPECT_EQ(mono.PixelFormat(), platform::pf1bit);
  const std::string monoPixels = magick(testenv::tempDir() + "m.bmp");
  for (const char* ext : {"bmp", "tif", "jpg", "png"}) {
    SCOPED_TRACE(ext);
    const int tolerance = std::string(ext) == "jpg" ? 24 : 0;
    const std::string saved = testenv::tempDir() + "out." + ext, whole = testenv::tempDir() + "whole." + ext, one = testenv::tempDir() + "mono." + ext;
    ASSERT_TRUE(BMsave(bm, saved));
    Twic w(src);
    ASSERT_TRUE(w.SaveAs(whole));
    ASSERT_TRUE(BMsave(mono, one));
    for (const std::string& f : {saved, whole}) {
      EXPECT_EQ(runCommand("identify -format '%w %h' '" + f + "'"), "45 31");
      EXPECT_LE(largestDifference(magick(f), pixels), tolerance) << f;
    }
    // A one-bit picture is all edges: JPEG keeps its size, not its pixels.
    if (tolerance == 0) EXPECT_EQ(magick(one), monoPixels);
    else EXPECT_EQ(runCommand("identify -format '%w %h' '" + one + "'"), "45 31");
    if (std::string(ext) == "tif") {
      int status = -1;
      const std::string info = runCommand("tiffinfo '" + one + "'", &status);
      EXPECT_EQ(status, 0) << info;
      EXPECT_NE(info.find("Bits/Sample: 1"), std::string::npos) << info;
    }
  }
  // Encoded into memory by type code.
  Twic w(src);
  TMemoryStream mem;
  ASSERT_TRUE(w.SaveAs(mem, 140));
  platform::TrgbImage back;
  std::string err;
  ASSERT_TRUE(platform::decodeImage(mem.memory(), size_t(mem.size()), back, err)) << err;
  EXPECT_EQ(std::string(back.rgb.begin(), back.rgb.end()), pixels);
}

TEST_F(wic, AGeoreferencedExtractIsSavedWithItsWorldFile) {
  const std::string src = makeByCommand("geo.bmp", "/usr/bin/convert p.ppm -resize 200x300! BMP3:geo.bmp");
  testenv::writeFile("geo.bpw", "2\n0\n0\n-2\n1000\n5000\n");
  Twic w(src);
  ASSERT_TRUE(w.calibrated());
  EXPECT_EQ(w.x1(), 1000);
  EXPECT_EQ(w.y1(), 4400);
  ASSERT_TRUE(w.SaveAs(testenv::tempDir() + "part.tif", 10, 20, 110, 220));
  double x1, y2, mp;
  ASSERT_TRUE(getWorldFile(testenv::tempDir() + "part.tfw", x1, y2, mp));
  EXPECT_EQ(x1, 1020);
  EXPECT_EQ(y2, 4560 + 200 * 2);
  EXPECT_EQ(mp, 2);
  EXPECT_EQ(magick(testenv::tempDir() + "part.tif"), magick(src, TRect{10, 20, 110, 220}));
  // The whole image: its own corner.
  ASSERT_TRUE(w.SaveAs(testenv::tempDir() + "all.jpg"));
  ASSERT_TRUE(getWorldFile(testenv::tempDir() + "all.jgw", x1, y2, mp));
  EXPECT_EQ(x1, 1000);
  EXPECT_EQ(y2, 5000);
}

TEST_F(wic, AFailedSaveKeepsTheOldFiles) {
  const std::string src = makeByCommand("k.bmp", "/usr/bin/convert p.ppm BMP3:k.bmp");
  testenv::writeFile("k.bpw", "1\n0\n0\n-1\n0\n31\n");
  Twic w(src);
  ASSERT_TRUE(w.SaveAs(testenv::tempDir() + "old.tif", 0, 0, 10, 10));
  const std::string image = testenv::readFile(testenv::tempDir() + "old.tif"), world = testenv::readFile(testenv::tempDir() + "old.tfw");
  platform::failNextReplaceForTesting(testenv::tempDir() + "old.tif");
  EXPECT_FALSE(w.SaveAs(testenv::tempDir() + "old.tif", 0, 0, 20, 20));
  EXPECT_EQ(testenv::readFile(testenv::tempDir() + "old.tif"), image);
  EXPECT_EQ(testenv::readFile(testenv::tempDir() + "old.tfw"), world);
  TBitmap bm;
  testenv::make(bm, 4, 4);
  platform::failNextReplaceForTesting(testenv::tempDir() + "old.tif");
  EXPECT_FALSE(BMsave(bm, testenv::tempDir() + "old.tif"));
  EXPECT_EQ(testenv::readFile(testenv::tempDir() + "old.tif"), image);
  EXPECT_FALSE(BMsave(bm, testenv::tempDir() + "no such folder/x.bmp"));
  EXPECT_FALSE(BMload(bm, testenv::tempDir() + "missing.png"));
}

TEST_F(wic, DrawIntoAView) {
  const std::string src = makeByCommand("v.bmp", "/usr/bin/convert p.ppm -crop 20x10+0+0 +repage BMP3:v.bmp");
  testenv::writeFile("v.bpw", "1\n0\n0\n-1\n0\n100\n");  // 0, 90 - 20, 100 on the ground
  Twic w(src);
  ASSERT_TRUE(w.calibrated());
  Tbm24 target;
  target.setsize(40, 20);
  target.fillWhite();
  Tview view;
  view.box = {0, 0, 40, 20};
  view.setppmm(4);
  view.setmp(1);
  ASSERT_EQ(view.mp(), 1);
  view.centrex = 10;
  view.centrey = 95;  // the view covers -10, 85 - 30, 105
  view.bm24 = &target;
  view.canvas = &target.canvas();
  ASSERT_TRUE(w.Draw(view));
  const std::string pixels = magick(src);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 30 && y >= 5 && y < 15;
      const char* p = inside ? pixels.data() + ((y - 5) * 20 + (x - 10)) * 3 : nullptr;
      ASSERT_EQ(testenv::px(target, x, y), (inside ? Tbgr{uint8_t(p[2]), uint8_t(p[1]), uint8_t(p[0])} : Tbgr{255, 255, 255}))
          << x << "," << y;
    }
  view.centrex = 500;  // nowhere near the image
  EXPECT_FALSE(w.Draw(view));
  Twic unplaced;  // no ground size at all
  EXPECT_FALSE(unplaced.Draw(view));
}

TEST_F(wic, ImagesFromBitmapsAndStreams) {
  TrawBitmap24 raw;
  raw.setsize(6, 4);
  raw.fillAll(Tbgr{1, 2, 3});
  raw.setPixel(5, 3, Tbgr{200, 100, 50});
  Twic fromRaw(raw);
  EXPECT_EQ(fromRaw.width(), 6);
  EXPECT_EQ(fromRaw.depth(), 24);
  ASSERT_TRUE(fromRaw.getBuf(0, 0, 6, 4));
  Tbgr c;
  ASSERT_TRUE(fromRaw.getPixel(5, 3, c));
  EXPECT_EQ(c, (Tbgr{200, 100, 50}));
  Tbm24 copy;
  ASSERT_TRUE(fromRaw.getAsBm(copy, 4, 2, 99, 99));
  EXPECT_EQ(copy.width(), 2);
  EXPECT_EQ(testenv::px(copy, 1, 1), (Tbgr{200, 100, 50}));
  TBitmap mono;
  mono.SetPixelFormat(platform::pf1bit);
  mono.SetSize(9, 3);
  mono.Canvas().Brush.Color = platform::clBlack;
  mono.Canvas().FillRect({0, 0, 9, 3});
  mono.Canvas().SetPixels(8, 2, platform::clWhite);
  Twic fromMono(mono);
  EXPECT_TRUE(fromMono.isMono());
  EXPECT_EQ(fromMono.depth(), 1);
  TBitmap back;
  ASSERT_TRUE(fromMono.getAsBm(back));
  EXPECT_EQ(back.PixelFormat(), platform::pf1bit);
  EXPECT_EQ(back.Canvas().Pixels(8, 2), platform::clWhite);
  EXPECT_EQ(back.Canvas().Pixels(7, 2), platform::clBlack);
  // A stream with its type code.
  const std::string png = testenv::readFile(makeByCommand("s.png", "/usr/bin/convert p.ppm s.png"));
  TMemoryStream mem;
  mem.write(png.data(), int64_t(png.size()));
  Twic fromMem(mem, 140);
  EXPECT_EQ(fromMem.width(), 45);
  TBitmap* bm = fromMem.getImage();
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(rgbOf(*bm, 45, 31), magick(testenv::tempDir() + "s.png"));
}

namespace {
// A BMP made by hand: a 40-byte info header, then `extra` (masks or a palette), then the pixel
// or code bytes. Sizes and offsets are filled in.
std::string handBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const std::string& extra,
                    const std::string& pixels, uint32_t used = 0) {
  std::string b = "BM";
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b += char(v >> (8 * i));
  };
  const uint32_t offset = 14 + 40 + uint32_t(extra.size());
  put(offset + uint32_t(pixels.size()), 4);
  put(0, 4);
  put(offset, 4);
  put(40, 4);
  put(uint32_t(width), 4);
  put(uint32_t(height), 4);
  put(1, 2);
  put(bits, 2);
  put(compression, 4);
  put(uint32_t(pixels.size()), 4);
  put(2835, 4);
  put(2835, 4);
  put(used, 4);
  put(0, 4);
  return b + extra + pixels;
}

// A palette of n entries (blue, green, red, 0), every entry a colour of its own.
std::string handPalette(int n) {
  std::string p;
  for (int i = 0; i < n; ++i) p += std::string{char(i * 15), char(255 - i * 9), char(i * 37 % 256), '\0'};
  return p;
}

// Run-length codes of four bits a pixel for rows of indices, bottom row first as stored: runs
// where an index repeats, absolute stretches elsewhere (padded to whole words), an end of line
// after each row and an end of bitmap.
std::string rle4(const std::vector<std::vector<uint8_t>>& rowsBottomUp) {
  std::string out;
  for (const auto& row : rowsBottomUp) {
    size_t x = 0;
    while (x < row.size()) {
      size_t run = 1;
      while (x + run < row.size() && row[x + run] == row[x] && run < 255) ++run;
      if (run >= 3 || row.size() - x < 3) {
        out += char(run);
        out += char(row[x] << 4 | row[x]);
        x += run;
        continue;
      }
      size_t n = std::min<size_t>(row.size() - x, 40);
      out += '\0';
      out += char(n);
      std::string packed((n + 1) / 2, '\0');
      for (size_t i = 0; i < n; ++i) packed[i / 2] = char(packed[i / 2] | (row[x + i] << (i % 2 ? 0 : 4)));
      if (packed.size() % 2) packed += '\0';
      out += packed;
      x += n;
    }
    out += std::string("\0\0", 2);
  }
  return out + std::string("\0\x01", 2);
}

// The first 40 bytes of an info header in place of a longer one: masks, if any, follow it.
std::string withShortHeader(const std::string& bmp, const std::string& afterHeader) {
  const uint32_t offset = uint8_t(bmp[10]) | uint8_t(bmp[11]) << 8;
  std::string b = bmp.substr(0, 54) + afterHeader;
  b[14] = 40;
  b[15] = 0;
  const uint32_t newOffset = uint32_t(b.size());
  b += bmp.substr(offset);
  for (int i = 0; i < 4; ++i) {
    b[10 + i] = char(newOffset >> (8 * i));
    b[2 + i] = char(uint32_t(b.size()) >> (8 * i));
  }
  return b;
}
}  // namespace

// The BMP forms ImageMagick writes (and reads) beyond 1, 8, 24 and 32 bits: 4 bits, RLE8, 16 bits
// in 5-6-5 and 5-5-5 with masks, the 5-5-5 of a 16-bit file without masks, and RLE4 (made here:
// ImageMagick writes none) with runs, absolute stretches and deltas. Pixel for pixel as
// ImageMagick decodes the same files, whole and in extracts.
TEST_F(wic, EveryBmpFormDecodesAsImageMagickDecodesIt) {
  const std::string v5rgb555 = testenv::readFile(
      makeByCommand("v5_555.bmp", "/usr/bin/convert p.ppm -define bmp:subtype=RGB555 BMP:v5_555.bmp"));
  const std::string v5rgb565 = testenv::readFile(
      makeByCommand("v5_565.bmp", "/usr/bin/convert p.ppm -define bmp:subtype=RGB565 BMP:v5_565.bmp"));
  std::string noMasks = withShortHeader(v5rgb555, "");
  noMasks[30] = 0;  // BI_RGB: 5-5-5 without masks
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 30; y >= 0; --y) {  // 45 x 31, bottom row first
    std::vector<uint8_t> row;
    for (int x = 0; x < 45; ++x) row.push_back(uint8_t(y % 3 == 0 ? (x * 5 + y) % 16 : (x / 4 + y) % 16));
    rows.push_back(row);
  }
  // 8 x 4: a run, a delta over part of two rows, an early end of line, an absolute stretch.
  const std::string deltaCodes("\x03\x01" "\x00\x02\x02\x01" "\x03\x02" "\x00\x00"
                               "\x00\x03\x04\x05\x06\x00" "\x00\x00" "\x08\x03" "\x00\x01", 22);
  struct Case { const char* id; std::string file; } cases[] = {
      {"4 bits", makeByCommand("b4.bmp", "/usr/bin/convert p.ppm -colors 16 -compress none BMP3:b4.bmp")},
      {"4 bits, long header", makeByCommand("b4v5.bmp", "/usr/bin/convert p.ppm -colors 16 -compress none BMP:b4v5.bmp")},
      {"RLE8", makeByCommand("r8.bmp", "/usr/bin/convert p.ppm -colors 200 -compress RLE BMP3:r8.bmp")},
      {"RLE8, long header", makeByCommand("r8v5.bmp", "/usr/bin/convert p.ppm -colors 60 -compress RLE BMP:r8v5.bmp")},
      {"16 bits 5-6-5", testenv::tempDir() + "v5_565.bmp"},
      {"16 bits 5-5-5", testenv::tempDir() + "v5_555.bmp"},
      {"16 bits 5-6-5, masks after a short header",
       testenv::writeFile("s565.bmp", withShortHeader(v5rgb565, v5rgb565.substr(54, 12)))},
      {"16 bits without masks", testenv::writeFile("n555.bmp", noMasks)},
      {"RLE4", testenv::writeFile("r4.bmp", handBmp(45, 31, 4, 2, handPalette(16), rle4(rows), 16))},
      {"RLE8 with a delta", testenv::writeFile("d8.bmp", handBmp(8, 4, 8, 1, handPalette(7), deltaCodes, 7))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Twic w(c.file);
    const std::string reference = magick(c.file);
    ASSERT_EQ(reference.size(), size_t(w.width()) * w.height() * 3);
    TBitmap* bm = w.getImage();
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(rgbOf(*bm, w.width(), w.height()), reference);
    const TRect part{1, 1, w.width() - 2, w.height() - 1};
    bm = w.getImage(part.Left, part.Top, part.Right, part.Bottom);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(rgbOf(*bm, part.width(), part.height()), magick(c.file, part));
  }
}

// Channel masks as wide as a 32-bit pixel: each channel is the pixel's top byte (widening a
// mask of 32 bits once shifted a 32-bit value by 32).
TEST_F(wic, MasksAsWideAsThePixelTakeItsTopByte) {
  std::string pixels;
  for (uint32_t v : {0x12345678u, 0xFFEEDDCCu, 0x00000000u, 0x80000001u})
    for (int i = 0; i < 4; ++i) pixels += char(v >> (8 * i));
  const std::string masks(12, '\xFF');
  Twic w(testenv::writeFile("wide.bmp", handBmp(2, 2, 32, 3, masks, pixels)));
  TBitmap* bm = w.getImage();
  ASSERT_NE(bm, nullptr);
  // Rows are stored bottom-up: the first two pixels are the lower row.
  EXPECT_EQ(rgbOf(*bm, 2, 2), std::string("\x00\x00\x00\x80\x80\x80\x12\x12\x12\xFF\xFF\xFF", 12));
}

// Hostile BMP headers (each under 200 bytes) are refused with nothing decoded.
TEST_F(wic, HostileBmpHeadersAreRefused) {
  std::string truncated16 = handBmp(40, 30, 16, 0, "", std::string(100, '\x11'));
  struct Case { const char* id; std::string bytes; } cases[] = {
      {"RLE8 claiming 16384 x 16384", handBmp(16384, 16384, 8, 1, handPalette(2), std::string("\x00\x01", 2), 2)},
      {"RLE4 claiming 70000 rows", handBmp(4, 70000, 4, 2, handPalette(2), std::string("\x00\x01", 2), 2)},
      {"RLE8 top-down", handBmp(4, -2, 8, 1, handPalette(2), std::string("\x04\x01\x00\x00\x04\x01\x00\x01", 8), 2)},
      {"RLE8 on 4 bits", handBmp(4, 2, 4, 1, handPalette(2), std::string("\x04\x01\x00\x01", 4), 2)},
      {"masks on 24 bits", handBmp(2, 2, 24, 3, std::string(12, '\xFF'), std::string(16, '\x22'))},
      {"masks cut off", handBmp(2, 2, 16, 3, "", "")},
      {"16 bits cut short", truncated16},
      {"compression 4", handBmp(2, 2, 24, 4, "", std::string(16, '\x22'))},
      {"2 bits", handBmp(2, 2, 2, 0, handPalette(4), std::string(8, '\x22'), 4)},
      {"16 bits with 32-bit masks", handBmp(3, 2, 16, 3, std::string(12, '\xFF'), std::string(16, '\x5A'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_LT(c.bytes.size(), 200u);
    Twic w(testenv::writeFile("h.bmp", c.bytes));
    EXPECT_EQ(w.getImage(), nullptr);
    // Nothing was decoded: no sample of it, whatever an earlier extract left in the buffer.
    Tbgr sample;
    EXPECT_FALSE(w.getPixelD(1.5, 0.5, sample));
    EXPECT_EQ(sample, (Tbgr{255, 255, 255}));
    EXPECT_FALSE(w.getPixel(0, 0, sample));
    TBitmap whole;
    EXPECT_FALSE(BMload(whole, testenv::tempDir() + "h.bmp"));
  }
}
