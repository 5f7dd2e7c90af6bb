// Image codecs: round trips through PNG and JPEG files, and damaged input refused.
#include "platform/imagecodec.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
