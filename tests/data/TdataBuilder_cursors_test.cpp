// The tool cursors from the data folder to the screen: the builder draws one picture per cursor
// resource, `os` reads them by tool number, and a control showing a tool's cursor makes the
// backend show that picture with its hot spot and transparent background.
#include <gtest/gtest.h>

#include "core/os_fonts.h"
#include "data/TdataBuilder.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/imagecodec.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "tests/support/testenv.h"

namespace {
using namespace platform;

TEST(TdataBuilder, ToolCursorsReachTheWindowLayer) {
  const std::string res = testenv::tempDir() + "cursorres/";
  std::string error;
  ASSERT_TRUE(kdata::writeToolCursors(res + "cursors/", error)) << error;
  for (auto const& c : TosFonts::toolCursorTable()) {
    SCOPED_TRACE(c.resource);
    TrgbImage im;
    ASSERT_TRUE(decodeImageFile(res + "cursors/" + lowerCase(c.resource) + ".png", im, error)) << error;
    EXPECT_EQ(im.width, TosFonts::toolCursorSize);
    EXPECT_EQ(im.height, TosFonts::toolCursorSize);
  }

  auto b = std::make_unique<THeadlessBackend>();
  THeadlessBackend* hb = b.get();
  resetDesktop(std::move(b));
  TosFonts f;
  f.loadToolCursors(res);
  for (auto const& c : TosFonts::toolCursorTable()) EXPECT_FALSE(f.toolCursors.at(c.number).empty()) << c.number;

  TForm form;
  form.SetBounds(0, 0, 200, 100);
  form.SetCursor(f.toolCursor(1));  // the pan tool
  form.Show();
  TInputEvent move;
  move.form = form.Handle();
  move.pos = {50, 50};
  hb->inject(move);
  desktop().processMessages();
  EXPECT_EQ(hb->cursor(), customCursor(1));
  const TcursorImage* shown = hb->definedCursor(customCursor(1));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->width, TosFonts::toolCursorSize);
  EXPECT_EQ(shown->hot, (TPoint{TosFonts::toolCursorHot, TosFonts::toolCursorHot}));
  const int hot = TosFonts::toolCursorHot * TosFonts::toolCursorSize + TosFonts::toolCursorHot;
  EXPECT_EQ(shown->argb[hot], 0xFF000000u);  // the point is drawn, opaque
  EXPECT_EQ(shown->argb[0], 0u);             // the corner is clear

  // A program cursor the desktop never made shows as the arrow.
  form.SetCursor(customCursor(99));
  EXPECT_EQ(hb->cursor(), Cursor::Arrow);
}

}  // namespace
