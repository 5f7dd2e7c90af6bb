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
