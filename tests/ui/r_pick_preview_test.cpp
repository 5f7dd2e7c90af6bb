// The picker's path bar and preview on off-screen buffers: segments, highlight and the path a
// click hands back; drawings centred at their scale, one point, damaged files, and rasters too
// large to preview.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/r_base.h"
#include "drawing/r_Dra.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_pick.h"

namespace {
using namespace platform;

class PreviewTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 800, 600);
    form->Show();
  }
  void TearDown() override {
    form.reset();
    HeadlessOsTest::TearDown();
  }
  // The box of the pixels that differ from the preview's empty face; empty when none do.
  static TRect drawnBox(TpickPreview& pp) {
    const TColor face = static_cast<TColor>(TosDrawing::FadeColour(dlgColour, 0xFFFFFF, 50));
    TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    TBitmap& bm = pp.bitmap();
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x)
        if (bm.Canvas().Pixels(x, y) != face) r = Rect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1));
    return r.Left == INT32_MAX ? TRect{} : r;
  }
  std::string drawing(const std::string& name, TgobArray& d) {
    const std::string f = testenv::tempDir() + name;
    EXPECT_TRUE(SaveDraFile(d, f));
    return f;
  }
  std::unique_ptr<TForm> form;
};

TEST_F(PreviewTest, PathBarSegmentsHighlightAndClick) {
  TpickPath bar(form.get());
  bar.caption = "current directory";
  bar.SetBounds(0, 0, 600, os->gp(12));
  struct Case {
    const char* folder;
    std::vector<std::string> segments;
  };
  const Case cases[] = {
      {"/home/ann/maps", {"/", "home/", "ann/", "maps/"}},
      {"/", {"/"}},
      {"", {}},
      {"//srv//share/", {"/", "srv/", "share/"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    bar.setpath(c.folder);
    std::vector<std::string> got;
    for (int i = 0; i < bar.list.count(); ++i) got.push_back(bar.list[i]);
    EXPECT_EQ(got, c.segments);
    EXPECT_EQ(bar.box.size(), c.segments.size());
  }
  bar.setpath("/home/ann/maps");
  TCanvas& cv = TQYbutton::backCanvas();
  cv.Font.setName(os->fontname());
  cv.Font.setSize(os->fontsize());
  EXPECT_EQ(bar.box[0].Left, os->gp(8) + cv.TextWidth("current directory") + os->gp(8));
  std::string handed;
  bar.onresult = [&](TpickPath* b) { handed = b->getPath(); };
  bar.mouseMove(bar.box[2].Left + 1, 3);
  EXPECT_EQ(bar.hit, 2);
  desktop().invalidate(form->Handle());
  desktop().update(form->Handle());
  const TSurface* s = hb->screen(form->Handle());
  // The hovered segment and those before it are white on navy; the rest stays on the face.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(s->pixel(bar.box[i].Left, 0) == TColor(0x800000), i <= 2) << i;
  bar.click();
  EXPECT_EQ(handed, "/home/ann/");
  bar.mouseLeave();
  EXPECT_EQ(bar.hit, -1);
  EXPECT_EQ(bar.getPath(), "");
  handed.clear();
  bar.click();  // off the segments a click hands nothing back
  EXPECT_EQ(handed, "");
}

TEST_F(PreviewTest, ADrawingIsCentredAtItsScale) {
  TgobArray d;
  d.add(o_polyGon, TpolyXyValues{{{0, 0}, {0, 500}, {1000, 500}, {1000, 0}, {0, 0}}});
  const std::string f = drawing("plot.dra", d);
  TpickPreview pp(form.get());
  pp.SetBounds(0, 0, 274, 330);
  pp.setname(f);
  EXPECT_DOUBLE_EQ(pp.view.mp(), 1000.0 / 274 * 1.05);
  EXPECT_DOUBLE_EQ(pp.view.centrex, 500);
  EXPECT_DOUBLE_EQ(pp.view.centrey, 250);
  // 1000 by 500 metres at that scale: 261 by 130 pixels around the middle (137, 165).
  const TRect r = drawnBox(pp);
  EXPECT_NEAR(r.Left, 7, 1);
  EXPECT_NEAR(r.Right, 268, 1);
  EXPECT_NEAR(r.Top, 100, 1);
  EXPECT_NEAR(r.Bottom, 231, 1);
  EXPECT_EQ(pp.bitmap().Canvas().Pixels(137, 165), TColor(0xDCDCDC));
  EXPECT_EQ(pp.bitmap().Canvas().Pixels(r.Left, 165), clBlack);
  // The same name again draws nothing; an empty one clears the view.
  pp.bitmap().Canvas().SetPixels(137, 165, clRed);
  pp.setname(f);
  EXPECT_EQ(pp.bitmap().Canvas().Pixels(137, 165), clRed);
  pp.setname("");
  EXPECT_TRUE(drawnBox(pp).isEmpty());
}

TEST_F(PreviewTest, OnePointAndDamagedDrawingsDrawWhatTheyCan) {
  TgobArray one;
  one.addPoint(5000, 7000);
  const std::string point = drawing("point.dra", one);
  TpickPreview pp(form.get());
  pp.SetBounds(0, 0, 274, 330);
  pp.setname(point);
  // No size to fit: a fixed scale, the point's circle in the middle.
  EXPECT_DOUBLE_EQ(pp.view.mp(), 1.0);
  const TRect r = drawnBox(pp);
  EXPECT_EQ(r, Rect(137 - 3, 165 - 3, 137 + 3, 165 + 3));

  TgobArray many;
  for (int i = 0; i < 50; ++i) many.add(o_line, Txyvalues{{double(i), 0}, {double(i), 100}});
  const std::string lines = drawing("lines.dra", many);
  const std::string bytes = testenv::readFile(lines);
  const std::string cut = testenv::writeFile("cut.dra", bytes.substr(0, bytes.size() / 2));
  const std::string junk = testenv::writeFile("junk.dra", "this is no drawing at all");
  for (const std::string& f : {cut, junk}) {
    SCOPED_TRACE(f);
    pp.setname(f);
    EXPECT_EQ(pp.filename(), f);
  }
  EXPECT_TRUE(drawnBox(pp).isEmpty());  // the junk shows nothing
}

TEST_F(PreviewTest, RastersOfTwentyFiveMillionBytesAreNotDecoded) {
  const std::string big = testenv::writeFile("big.jpg", "");
  std::filesystem::resize_file(big, 30000000);
  const std::string under = testenv::writeFile("under.jpg", "");
  std::filesystem::resize_file(under, 24999999);
  TpickPreview pp(form.get());
  pp.SetBounds(0, 0, 274, 330);
  pp.setname(big);
  const TRect text = drawnBox(pp);
  ASSERT_FALSE(text.isEmpty());
  EXPECT_NEAR((text.Left + text.Right) / 2, 137, 2);  // the words are centred
  EXPECT_NEAR((text.Top + text.Bottom) / 2, 165, 3);
  // Just under the limit the file is decoded; this one is no picture, so nothing shows.
  pp.setname(under);
  EXPECT_TRUE(drawnBox(pp).isEmpty());
}

}  // namespace
