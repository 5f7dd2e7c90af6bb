// The builder's tool cursor pictures drawn on red by CursorToBitmap: every pixel is the picture's,
// with its magenta key showing the red ground.
#include <gtest/gtest.h>

#include "core/os_filetypes.h"
#include "core/os_fonts.h"
#include "core/r_base.h"
#include "data/TdataBuilder.h"
#include "platform/canvas.h"
#include "platform/imagecodec.h"
#include "platform/text.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {
class CursorBitmaps : public testenv::HeadlessOsTest {};

TEST_F(CursorBitmaps, EveryToolCursorIsDrawnOnRed) {
  const std::string res = testenv::tempDir() + "cursorbitmaps/";
  std::string error;
  ASSERT_TRUE(kdata::writeToolCursors(res + "cursors/", error)) << error;
  os->loadToolCursors(res);
  for (auto const& c : TosFonts::toolCursorTable()) {
    SCOPED_TRACE(c.resource);
    platform::TrgbImage im;
    ASSERT_TRUE(platform::decodeImageFile(res + "cursors/" + platform::lowerCase(c.resource) + ".png", im, error));
    auto bm = TosFileTypes::CursorToBitmap(c.number);
    ASSERT_EQ(bm->Width(), 32);
    int wrong = 0, drawn = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const uint8_t* p = im.pixel(x, y);
        const bool key = p[0] == 255 && p[1] == 0 && p[2] == 255;
        const uint8_t* q = bm->ScanLine(y) + 3 * x;  // blue, green, red
        const uint8_t want[3] = {key ? uint8_t(0) : p[2], key ? uint8_t(0) : p[1], key ? uint8_t(255) : p[0]};
        wrong += q[0] != want[0] || q[1] != want[1] || q[2] != want[2];
        drawn += !key;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(drawn, 20);  // the picture is more than a speck
  }
}
}  // namespace
