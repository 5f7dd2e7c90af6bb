// Image codecs: round trips through PNG and JPEG files, and damaged input refused.
#include "platform/imagecodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/support/testenv.h"

namespace {
platform::TrgbImage gradient(int w, int h) {
  platform::TrgbImage im;
  im.width = w;
  im.height = h;
  im.rgb.resize(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = im.pixel(x, y);
      p[0] = uint8_t(x * 255 / (w - 1));
      p[1] = uint8_t(y * 255 / (h - 1));
      p[2] = 128;
    }
  return im;
}
}  // namespace

TEST(imagecodec, PngRoundTripIsExactAndTopRowFirst) {
  const auto im = gradient(7, 5);
  const std::string name = testenv::tempDir() + "g.png";
  std::string err;
  ASSERT_TRUE(platform::encodePngFile(name, im, err)) << err;
  platform::TrgbImage back;
  ASSERT_TRUE(platform::decodeImageFile(name, back, err)) << err;
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.rgb, im.rgb);
}

TEST(imagecodec, JpegRoundTripIsClose) {
  const auto im = gradient(32, 16);
  const std::string name = testenv::tempDir() + "g.jpg";
  std::string err;
  ASSERT_TRUE(platform::encodeJpegFile(name, im, 95, err)) << err;
  platform::TrgbImage back;
  ASSERT_TRUE(platform::decodeImageFile(name, back, err)) << err;
  ASSERT_EQ(back.width, 32);
  ASSERT_EQ(back.height, 16);
  for (size_t i = 0; i < im.rgb.size(); ++i) ASSERT_NEAR(back.rgb[i], im.rgb[i], 12) << "byte " << i;
}

TEST(imagecodec, DamagedInputIsRefusedAndLeavesNoImage) {
  const auto im = gradient(40, 30);
  std::string err;
  const std::string png = testenv::tempDir() + "t.png", jpg = testenv::tempDir() + "t.jpg";
  ASSERT_TRUE(platform::encodePngFile(png, im, err));
  ASSERT_TRUE(platform::encodeJpegFile(jpg, im, 90, err));
  struct Case {
    const char* id;
    std::string bytes;
  } cases[] = {
      {"png cut in half", testenv::readFile(png).substr(0, testenv::readFile(png).size() / 2)},
      {"jpeg cut in half", testenv::readFile(jpg).substr(0, testenv::readFile(jpg).size() / 2)},
      {"png signature only", testenv::readFile(png).substr(0, 8)},
      {"jpeg marker only", std::string("\xFF\xD8\xFF", 3)},
      {"text", "hello"},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    platform::TrgbImage out = gradient(2, 2);
    err.clear();
    EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), out, err));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(out.rgb.empty());
    EXPECT_FALSE(err.empty());
  }
  platform::TrgbImage out;
  EXPECT_FALSE(platform::decodeImageFile(testenv::tempDir() + "missing.png", out, err));
  EXPECT_FALSE(platform::encodePngFile(testenv::tempDir() + "x.png", platform::TrgbImage{}, err));
}

namespace {
uint32_t crc32(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : s) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}
void putBig(std::string& s, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = char(v >> (8 * (bytes - 1 - i)));
}
// Our own small files with the size in their header made larger than their data.
std::string pngClaiming(uint32_t w, uint32_t h) {
  std::string err, name = testenv::tempDir() + "claim.png";
  EXPECT_TRUE(platform::encodePngFile(name, gradient(4, 4), err));
  std::string b = testenv::readFile(name);
  putBig(b, 16, w, 4);
  putBig(b, 20, h, 4);
  putBig(b, 29, crc32(b.substr(12, 17)), 4);  // libpng checks the header's checksum
  return b;
}
std::string jpegClaiming(uint16_t w, uint16_t h) {
  std::string err, name = testenv::tempDir() + "claim.jpg";
  EXPECT_TRUE(platform::encodeJpegFile(name, gradient(16, 16), 90, err));
  std::string b = testenv::readFile(name);
  const size_t sof = b.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  putBig(b, sof + 5, h, 2);
  putBig(b, sof + 7, w, 2);
  return b;
}
}  // namespace

// Sizes are checked before anything is allocated for them: a few hundred bytes that claim
// gigabytes are refused with a message, not decoded into an allocation of that size.
TEST(imagecodec, SizesBeyondTheLimitOrTheFileAreRefusedFirst) {
  struct Case { const char* id; std::string bytes; const char* message; } cases[] = {
      {"jpeg of 60000 x 60000", jpegClaiming(60000, 60000), "beyond the limit of 256 megapixels"},
      {"jpeg of 5000 x 5000 in a small file", jpegClaiming(5000, 5000), "cannot hold 5000 x 5000 pixels"},
      {"png of a million squared", pngClaiming(1000000, 1000000), "beyond the limit of 256 megapixels"},
      {"png of 10000 x 10000 in a small file", pngClaiming(10000, 10000), "cannot hold 10000 x 10000 pixels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    platform::TrgbImage out;
    std::string err;
    EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), out, err));
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(out.rgb.empty());
  }
  // What the file can hold still decodes (a flat image compresses far).
  platform::TrgbImage flat;
  flat.width = 2000;
  flat.height = 1500;
  flat.rgb.assign(size_t(2000) * 1500 * 3, 200);
  std::string err;
  for (const char* name : {"flat.png", "flat.jpg"}) {
    const std::string file = testenv::tempDir() + name;
    ASSERT_TRUE(name[5] == 'p' ? platform::encodePngFile(file, flat, err) : platform::encodeJpegFile(file, flat, 75, err));
    platform::TrgbImage back;
    EXPECT_TRUE(platform::decodeImageFile(file, back, err)) << name << ": " << err;
  }
}

// ---------------------------------------------------------------------------------------------
// TIFF, GIF, extracts and encoding, checked against ImageMagick and libtiff's own tools.

namespace {
bool haveTools() {
  return std::system("test -x /usr/bin/convert && command -v tiffinfo >/dev/null 2>&1 && "
                     "command -v cjpeg >/dev/null 2>&1") == 0;
}

std::string run(const std::string& cmd, int* status = nullptr) { return testenv::runCommand(cmd, status); }

// What a layout keeps of a pixel, as red, green, blue.
std::string kept(platform::PixelLayout layout, const uint8_t* rgb) {
  const uint8_t grey = uint8_t((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
  switch (layout) {
    case platform::PixelLayout::Grey8: return std::string(3, char(grey));
    case platform::PixelLayout::Mono1: return std::string(3, char(grey >= 128 ? 255 : 0));
    default: return std::string(reinterpret_cast<const char*>(rgb), 3);
  }
}

// A picture whose every pixel differs from its neighbours, so a shift or a swapped channel shows.
platform::TrgbImage pattern(int w, int h) {
  platform::TrgbImage im;
  im.width = w;
  im.height = h;
  im.rgb.resize(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = im.pixel(x, y);
      p[0] = uint8_t(x * 7 + y * 3);
      p[1] = uint8_t(x * y + 40);
      p[2] = uint8_t((x ^ y) * 5);
    }
  return im;
}

std::string writePpm(const platform::TrgbImage& im, const std::string& name) {
  const std::string head = "P6\n" + std::to_string(im.width) + " " + std::to_string(im.height) + "\n255\n";
  return testenv::writeFile(name, head + std::string(im.rgb.begin(), im.rgb.end()));
}

// ImageMagick's own decoding of the first image in a file, 8 bits a channel.
std::string magickRgb(const std::string& file) { return run("/usr/bin/convert '" + file + "[0]' -depth 8 rgb:-"); }

platform::TrgbImage decoded(const std::string& file) {
  platform::TrgbImage im;
  std::string err;
  EXPECT_TRUE(platform::decodeImageFile(file, im, err)) << err;
  return im;
}

int largestDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return 256;
  int most = 0;
  for (size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i]))));
  return most;
}

struct Fixture {
  const char* id;
  const char* file;
  const char* make;  // the command, with %s for the source PPM and %o for the file
  int tolerance;     // 0: lossless
};

// Fixtures made by outside tools from one pattern.
const Fixture kFixtures[] = {
    {"tiff strips lzw", "strips.tif", "/usr/bin/convert %s -compress lzw %o", 0},
    {"tiff tiled", "tiled.tif", "/usr/bin/convert %s -define tiff:tile-geometry=16x16 %o", 0},
    {"tiff big-endian", "msb.tif", "/usr/bin/convert %s -define tiff:endian=msb -compress zip %o", 0},
    {"tiff grey", "grey.tif", "/usr/bin/convert %s -colorspace gray -type grayscale %o", 0},
    {"tiff bilevel", "bilevel.tif", "/usr/bin/convert %s -type bilevel %o", 0},
    // 16-bit colour map entries: the two libraries take them to 8 bits each its own way.
    {"tiff palette", "palette.tif", "/usr/bin/convert %s -colors 50 -type palette %o", 1},
    {"tiff 16 bits", "deep.tif", "/usr/bin/convert %s -depth 16 %o", 1},
    {"tiff jpeg inside", "jpeg.tif", "/usr/bin/convert %s -compress jpeg %o", 8},
    {"gif", "plain.gif", "/usr/bin/convert %s %o", 0},
    {"gif interlaced", "inter.gif", "/usr/bin/convert %s -interlace GIF %o", 0},
    {"png interlaced", "inter.png", "/usr/bin/convert %s -interlace PNG %o", 0},
    {"png palette", "palette.png", "/usr/bin/convert %s -colors 40 PNG8:%o", 0},
    {"png grey 4 bits", "grey4.png", "/usr/bin/convert %s -colorspace gray -depth 4 %o", 0},
    {"jpeg baseline", "base.jpg", "/usr/bin/convert %s -quality 92 %o", 8},
    {"jpeg progressive", "prog.jpg", "/usr/bin/convert %s -interlace JPEG %o", 8},
    {"jpeg arithmetic", "arith.jpg", "cjpeg -arithmetic -outfile %o %s", 8},
    {"jpeg grey", "grey.jpg", "/usr/bin/convert %s -colorspace gray %o", 8},
};

std::string makeFixture(const Fixture& f, const std::string& ppm) {
  std::string cmd = f.make;
  const std::string out = testenv::tempDir() + f.file;
  cmd.replace(cmd.find("%s"), 2, "'" + ppm + "'");
  cmd.replace(cmd.find("%o"), 2, "'" + out + "'");
  int status = -1;
  const std::string said = run(cmd, &status);
  EXPECT_EQ(status, 0) << cmd << "\n" << said;
  return out;
}
}  // namespace

TEST(imagecodec, DecodesEveryFormatAsImageMagickDoes) {
  if (!haveTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and libjpeg-turbo-progs are needed";
  const std::string ppm = writePpm(pattern(45, 31), "pattern.ppm");
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.id);
    const std::string file = makeFixture(f, ppm);
    const platform::TrgbImage im = decoded(file);
    EXPECT_EQ(im.width, 45);
    EXPECT_EQ(im.height, 31);
    const std::string ours(im.rgb.begin(), im.rgb.end());
    EXPECT_LE(largestDifference(ours, magickRgb(file)), f.tolerance);
  }
}

TEST(imagecodec, ExtractsEqualTheirPartOfTheWholeImageInEveryLayout) {
  if (!haveTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and libjpeg-turbo-progs are needed";
  const std::string ppm = writePpm(pattern(70, 53), "pattern.ppm");
  struct Rect { int left, top, w, h; } rects[] = {{0, 0, 70, 53}, {17, 9, 30, 20}, {69, 52, 1, 1}, {3, 40, 67, 13}};
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.id);
    const std::string file = makeFixture(f, ppm);
    const platform::TrgbImage whole = decoded(file);
    std::string err;
    auto source = platform::openImageFile(file, err);
    ASSERT_TRUE(source) << err;
    EXPECT_EQ(source->width(), 70);
    EXPECT_EQ(source->height(), 53);
    for (const Rect& r : rects) {
      SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
      std::vector<uint8_t> rgb(size_t(r.w) * r.h * 3), bgr(rgb.size()), mono(size_t(r.h) * 12);
      ASSERT_TRUE(source->extract(r.left, r.top, r.w, r.h, platform::PixelLayout::Rgb24, rgb.data(), size_t(r.w) * 3, err)) << err;
      ASSERT_TRUE(source->extract(r.left, r.top, r.w, r.h, platform::PixelLayout::Bgr24, bgr.data(), size_t(r.w) * 3, err)) << err;
      ASSERT_TRUE(source->extract(r.left, r.top, r.w, r.h, platform::PixelLayout::Mono1, mono.data(), 12, err)) << err;
      for (int y = 0; y < r.h; ++y) {
        std::vector<uint8_t> bits(12);
        platform::rgbToLayout(rgb.data() + size_t(y) * r.w * 3, r.w, platform::PixelLayout::Mono1, bits.data());
        ASSERT_EQ(0, std::memcmp(bits.data(), mono.data() + size_t(y) * 12, (size_t(r.w) + 7) / 8)) << "row " << y;
        for (int x = 0; x < r.w; ++x) {
          const uint8_t* w = whole.pixel(r.left + x, r.top + y);
          const uint8_t* e = rgb.data() + (size_t(y) * r.w + x) * 3;
          const uint8_t* b = bgr.data() + (size_t(y) * r.w + x) * 3;
          ASSERT_TRUE(e[0] == b[2] && e[1] == b[1] && e[2] == b[0]);
          // Cropped JPEG rows are rebuilt from whole blocks around the extract: they may differ
          // from the whole image's by the smoothing of the colour planes at the crop's edges.
          for (int c = 0; c < 3; ++c) ASSERT_NEAR(e[c], w[c], f.tolerance ? 3 : 0) << x << "," << y;
        }
      }
    }
    std::vector<uint8_t> spare(200);
    EXPECT_FALSE(source->extract(60, 0, 11, 5, platform::PixelLayout::Rgb24, spare.data(), 33, err));
    EXPECT_NE(err.find("does not lie inside"), std::string::npos) << err;
  }
}

// An extract reads only what it needs: the top of a file whose end is cut off still decodes,
// while the whole image is refused as truncated.
TEST(imagecodec, ExtractsNeedOnlyTheirPartOfTheFile) {
  if (!haveTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and libjpeg-turbo-progs are needed";
  // Tall enough that the PNG's data comes in several chunks.
  const std::string ppm = writePpm(pattern(64, 1024), "tall.ppm");
  const Fixture cases[] = {
      {"tiff strips", "cut_strips.tif", "/usr/bin/convert %s -compress zip -define tiff:rows-per-strip=8 %o", 0},
      {"tiff tiles", "cut_tiles.tif", "/usr/bin/convert %s -compress zip -define tiff:tile-geometry=16x16 %o", 0},
      {"png", "cut.png", "/usr/bin/convert %s %o", 0},
      {"jpeg", "cut.jpg", "/usr/bin/convert %s -quality 95 %o", 0},
      {"gif", "cut.gif", "/usr/bin/convert %s %o", 0},
  };
  for (const Fixture& f : cases) {
    SCOPED_TRACE(f.id);
    const std::string file = makeFixture(f, ppm);
    const platform::TrgbImage whole = decoded(file);
    std::string cut = testenv::readFile(file);
    const bool tiff = std::string(f.file).ends_with(".tif");
    if (tiff) {
      // The directory follows the pixels: the later strips or tiles are damaged instead.
      const size_t ifd = size_t(uint8_t(cut[4])) | size_t(uint8_t(cut[5])) << 8 | size_t(uint8_t(cut[6])) << 16;
      ASSERT_GT(ifd, cut.size() / 2);
      std::memset(cut.data() + ifd * 6 / 10, 0xA5, ifd - ifd * 6 / 10);
    } else {
      cut.resize(cut.size() * 6 / 10);
    }
    std::string err;
    auto source = platform::openImage(std::vector<uint8_t>(cut.begin(), cut.end()), err);
    ASSERT_TRUE(source) << err;
    std::vector<uint8_t> top(64 * 32 * 3);
    ASSERT_TRUE(source->extract(0, 0, 64, 32, platform::PixelLayout::Rgb24, top.data(), 64 * 3, err)) << err;
    EXPECT_EQ(0, std::memcmp(top.data(), whole.rgb.data(), top.size()));
    platform::TrgbImage all;
    EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), all, err));
  }
}

TEST(imagecodec, EncodedFilesAreReadBackByOutsideTools) {
  if (!haveTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and libjpeg-turbo-progs are needed";
  // A smooth picture: JPEG's colour subsampling keeps it within a few levels.
  platform::TrgbImage src = pattern(23, 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) {
      uint8_t* p = src.pixel(x, y);
      p[0] = uint8_t(x * 10);
      p[1] = uint8_t(y * 14);
      p[2] = uint8_t((x + y) * 5);
    }
  // The same picture in every layout, and what each layout keeps of it.
  std::vector<uint8_t> rows[5];
  const platform::PixelLayout layouts[5] = {platform::PixelLayout::Rgb24, platform::PixelLayout::Bgr24,
                                            platform::PixelLayout::Grey8, platform::PixelLayout::Rgba32,
                                            platform::PixelLayout::Mono1};
  const char* names[5] = {"rgb", "bgr", "grey", "rgba", "mono"};
  for (int i = 0; i < 5; ++i) {
    const size_t stride = platform::rowBytesOf(layouts[i], 23) + 3;  // padded rows
    rows[i].assign(stride * 17, 0);
    for (int y = 0; y < 17; ++y) platform::rgbToLayout(src.pixel(0, y), 23, layouts[i], rows[i].data() + stride * y);
  }
  for (int i = 0; i < 5; ++i)
    for (platform::ImageKind kind : {platform::ImageKind::Tiff, platform::ImageKind::Png, platform::ImageKind::Jpeg}) {
      const char* ext = kind == platform::ImageKind::Tiff ? "tif" : kind == platform::ImageKind::Png ? "png" : "jpg";
      SCOPED_TRACE(std::string(names[i]) + "." + ext);
      const std::string file = testenv::tempDir() + names[i] + "." + ext;
      const size_t stride = platform::rowBytesOf(layouts[i], 23) + 3;
      platform::TpixelRows pr{23, 17, layouts[i], rows[i].data(), stride};
      std::string err;
      ASSERT_TRUE(platform::encodeImageFile(file, kind, pr, err, 95)) << err;
      EXPECT_EQ(run("identify -format '%w %h' '" + file + "'"), "23 17");
      if (kind == platform::ImageKind::Tiff) {
        int status = -1;
        const std::string info = run("tiffinfo '" + file + "'", &status);
        EXPECT_EQ(status, 0) << info;
      }
      std::string expected;
      for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x) expected.append(kept(layouts[i], src.pixel(x, y)));
      EXPECT_LE(largestDifference(magickRgb(file), expected), kind == platform::ImageKind::Jpeg ? 12 : 0);
    }
}

TEST(imagecodec, DamagedTiffAndGifAreRefusedWithAReason) {
  if (!haveTools()) GTEST_SKIP() << "imagemagick, libtiff-tools and libjpeg-turbo-progs are needed";
  const std::string ppm = writePpm(pattern(40, 30), "pattern.ppm");
  const std::string tif = testenv::readFile(makeFixture(kFixtures[0], ppm));
  const std::string gif = testenv::readFile(makeFixture(kFixtures[8], ppm));
  std::string ifdBeyond = tif;
  ifdBeyond[4] = ifdBeyond[5] = ifdBeyond[6] = '\x7F';  // the first directory past the end
  struct Case { const char* id; std::string bytes; } cases[] = {
      {"tiff cut in half", tif.substr(0, tif.size() / 2)},
      {"tiff header only", tif.substr(0, 8)},
      {"tiff directory beyond the file", ifdBeyond},
      {"gif cut in half", gif.substr(0, gif.size() / 2)},
      {"gif header only", gif.substr(0, 13)},
      {"gif without an image", std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00\x3B", 14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    platform::TrgbImage out;
    std::string err;
    EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), out, err));
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(out.rgb.empty());
  }
}

namespace {
// A hand-made TIFF: the header, one directory of (tag, type, count, value) entries, then
// `length` bytes in all, filled with `fill`.
struct Tentry {
  uint16_t tag, type;
  uint32_t count, value;
};
std::string handTiff(std::initializer_list<Tentry> entries, size_t length, char fill = '\x80') {
  std::string t("II*\0\x08\0\0\0", 8);
  auto put16 = [&](uint16_t v) { t += char(v & 0xFF); t += char(v >> 8); };
  auto put32 = [&](uint32_t v) { put16(uint16_t(v & 0xFFFF)); put16(uint16_t(v >> 16)); };
  put16(uint16_t(entries.size()));
  for (const Tentry& e : entries) {
    put16(e.tag);
    put16(e.type);
    put32(e.count);
    put32(e.value);
  }
  put32(0);
  t.resize(std::max(length, t.size()), fill);
  return t;
}
}  // namespace

// A fax-coded TIFF of 20000 x 20000 (a few bits a row may code it) opens for its size; an
// extract beyond the pixel limit is refused before anything is allocated.
TEST(imagecodec, ExtractsBeyondThePixelLimitAreRefused) {
  // One strip claims far more than the file holds.
  const std::string t = handTiff({{256, 4, 1, 20000}, {257, 4, 1, 20000}, {258, 3, 1, 1}, {259, 3, 1, 4},
                                  {262, 3, 1, 0}, {273, 4, 1, 200}, {278, 4, 1, 20000}, {279, 4, 1, 400000000}},
                                 2600);
  std::string err;
  auto source = platform::openImage(std::vector<uint8_t>(t.begin(), t.end()), err);
  ASSERT_TRUE(source) << err;
  EXPECT_EQ(source->width(), 20000);
  EXPECT_EQ(source->height(), 20000);
  std::vector<uint8_t> small(16 * 16 * 3);
  EXPECT_FALSE(source->extract(0, 0, 20000, 20000, platform::PixelLayout::Rgb24, small.data(), 60000, err));
  EXPECT_NE(err.find("beyond the limit of 256 megapixels"), std::string::npos) << err;
  // The strip is far larger than the file: the library refuses it, nothing is read beyond.
  EXPECT_FALSE(source->extract(0, 0, 16, 16, platform::PixelLayout::Rgb24, small.data(), 48, err));
  EXPECT_FALSE(err.empty());
}

// A TIFF's header may claim any size: one larger than the file could hold, by its compression,
// is refused when the file is opened, before any buffer (a 126-byte file once claimed 16384 x
// 16384 and had 805 MB zero-filled). A size the file can hold still opens.
TEST(imagecodec, TiffSizedBeyondItsFileIsRefusedWhenOpened) {
  auto rgb = [](uint32_t w, uint32_t h, uint16_t compression, uint32_t stripBytes, size_t length) {
    return handTiff({{256, 4, 1, w}, {257, 4, 1, h}, {258, 3, 1, 8}, {259, 3, 1, compression}, {262, 3, 1, 2},
                     {273, 4, 1, 122}, {277, 3, 1, 3}, {278, 4, 1, h}, {279, 4, 1, stripBytes}},
                    length);
  };
  struct Case {
    const char* id;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"16384 x 16384, one 4-byte strip", rgb(16384, 16384, 1, 4, 126), false},
      {"the same, LZW", rgb(16384, 16384, 5, 4, 126), false},
      {"the same, deflate", rgb(16384, 16384, 8, 4, 126), false},
      {"the same, PackBits", rgb(16384, 16384, 32773, 4, 126), false},
      {"1000 rows of a fax code in 126 bytes", handTiff({{256, 4, 1, 8}, {257, 4, 1, 1100}, {258, 3, 1, 1},
                                                          {259, 3, 1, 4}, {262, 3, 1, 0}, {273, 4, 1, 122},
                                                          {278, 4, 1, 1100}, {279, 4, 1, 4}},
                                                         126),
       false},
      {"1 x 1 in 126 bytes", rgb(1, 1, 1, 3, 126), true},
      {"deflate of 40 x 40 in 126 bytes", rgb(40, 40, 8, 4, 126), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_LT(c.bytes.size(), 200u);
    std::string err;
    auto source = platform::openImage(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()), err);
    EXPECT_EQ(source != nullptr, c.opens) << err;
    if (c.opens) continue;
    EXPECT_NE(err.find("cannot hold"), std::string::npos) << err;
    platform::TrgbImage whole;
    EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), whole, err));
    EXPECT_TRUE(whole.rgb.empty());
    // The file form reads a TIFF as it goes: the same refusal.
    const std::string file = testenv::writeFile("claims.tif", c.bytes);
    EXPECT_FALSE(platform::openImageFile(file, err));
    EXPECT_NE(err.find("cannot hold"), std::string::npos) << err;
  }
}

// A GIF's logical screen is pixels to give even where no frame covers it: a 35-byte file with a
// 1 x 1 frame on a 16384 x 16384 screen is refused when opened. A screen the file's codes could
// fill still opens, black where the frame leaves it.
TEST(imagecodec, GifScreenBeyondWhatItsFileCouldFillIsRefused) {
  auto gif = [](uint16_t sw, uint16_t sh, uint16_t left, uint16_t top) {
    std::string g = "GIF89a";
    auto put16 = [&](uint16_t v) { g += char(v & 0xFF); g += char(v >> 8); };
    put16(sw);
    put16(sh);
    g += std::string("\x80\x00\x00", 3);             // a global table of two colours
    g += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);  // black, white
    g += ',';
    put16(left);
    put16(top);
    put16(1);
    put16(1);
    g += '\0';
    g += std::string("\x02\x02\x4C\x01\x00", 5);  // one pixel of colour 1, LZW with 2-bit codes
    g += ';';
    return g;
  };
  const std::string hostile = gif(16384, 16384, 0, 0);
  EXPECT_LE(hostile.size(), 35u);
  std::string err;
  EXPECT_FALSE(platform::openImage(std::vector<uint8_t>(hostile.begin(), hostile.end()), err));
  EXPECT_NE(err.find("cannot hold"), std::string::npos) << err;
  platform::TrgbImage im;
  EXPECT_FALSE(platform::decodeImage(reinterpret_cast<const uint8_t*>(hostile.data()), hostile.size(), im, err));
  EXPECT_TRUE(im.rgb.empty());

  const std::string small = gif(3, 2, 1, 1);
  ASSERT_TRUE(platform::decodeImage(reinterpret_cast<const uint8_t*>(small.data()), small.size(), im, err)) << err;
  ASSERT_EQ(im.width, 3);
  ASSERT_EQ(im.height, 2);
  std::string expected(18, '\0');
  expected.replace(12, 3, "\xFF\xFF\xFF");  // the frame's one white pixel at (1, 1)
  EXPECT_EQ(std::string(im.rgb.begin(), im.rgb.end()), expected);
}

// Every orientation against ImageMagick's own turning of the file, for whole images and for
// extracts that cut strips and tiles (a bottom-up file once decoded each band turned over on
// its own). The picture keeps the file's width and height: the quarter-turned orientations 5 to
// 8 give the picture mirrored about its diagonal.
TEST(imagecodec, TiffOrientationsAsImageMagickTurnsThem) {
  if (!haveTools() || std::system("command -v tiffset >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "imagemagick and libtiff-tools are needed";
  const int w = 37, h = 200;
  const std::string ppm = writePpm(pattern(w, h), "tall.ppm");
  struct Layout {
    const char* id;
    const char* options;
  } layouts[] = {{"25 strips", "-define tiff:rows-per-strip=8 -compress lzw"},
                 {"tiles", "-define tiff:tile-geometry=16x16 -compress zip"}};
  struct Rect { int left, top, w, h; } rects[] = {{0, 0, w, h}, {1, 3, 3, 3}, {5, 63, 30, 1}, {17, 150, 20, 50}};
  for (const Layout& l : layouts)
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(std::string(l.id) + ", orientation " + std::to_string(orientation));
      const std::string file = testenv::tempDir() + "turned.tif";
      int status = -1;
      run("/usr/bin/convert '" + ppm + "' " + l.options + " '" + file + "' && tiffset -s 274 " +
              std::to_string(orientation) + " '" + file + "'",
          &status);
      ASSERT_EQ(status, 0);
      const std::string reference = run("/usr/bin/convert '" + file + "' -auto-orient" +
                                        (orientation >= 5 ? " -transpose" : "") + " -depth 8 rgb:-");
      ASSERT_EQ(reference.size(), size_t(w) * h * 3);
      std::string err;
      auto source = platform::openImageFile(file, err);
      ASSERT_TRUE(source) << err;
      ASSERT_EQ(source->width(), w);
      ASSERT_EQ(source->height(), h);
      for (const Rect& r : rects) {
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.w) + "x" +
                     std::to_string(r.h));
        std::string got(size_t(r.w) * r.h * 3, '\0'), want;
        ASSERT_TRUE(source->extract(r.left, r.top, r.w, r.h, platform::PixelLayout::Rgb24,
                                    reinterpret_cast<uint8_t*>(got.data()), size_t(r.w) * 3, err))
            << err;
        for (int y = r.top; y < r.top + r.h; ++y) want += reference.substr((size_t(y) * w + r.left) * 3, size_t(r.w) * 3);
        EXPECT_EQ(got, want);
      }
    }
}
