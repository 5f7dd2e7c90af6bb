// The caption manager and the done badge: unit keywords replaced only with their exact case, the
// room of left captions, and a badge that fades out in a window of its own while timers go on.
#include "ui/r_controlMan.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/Tunits.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"

namespace {
using namespace platform;

using ControlManTest = testenv::HeadlessOsTest;

TEST_F(ControlManTest, UnitKeywordsAreReplacedOnlyWithTheirExactCase) {
  ASSERT_NE(units, nullptr);
  ASSERT_NE(cm, nullptr);
  struct Case {
    const char* caption;
    std::string shown;
  };
  const Case cases[] = {
      {"area unit", units->shortUnitName(units->AreaUnits)},
      {"area units", units->LongUnitName(units->AreaUnits)},
      {"linear unit", units->LinearUnitStr()},
      {"linear units", units->LongUnitsName(units->LinearUnits)},
      {"paper unit", units->shortUnitName(units->PaperUnits)},
      {"paper units", units->LongUnitName(units->PaperUnits)},
      {"Linear units", "Linear units"},
      {"km", "km"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(TcontrolMan::unitText(c.caption), c.shown);
  }
}

TEST_F(ControlManTest, LeftCaptionsTakeTheirWidthAndPaintBesideTheirEdits) {
  TForm form;
  form.SetBounds(0, 0, 400, 200);
  Tedit plain(&form), captioned(&form);
  TQYbutton other(&form);
  captioned.leftCaption = "Height";
  captioned.rightCaption = "linear units";
  captioned.SetBounds(150, 20, 100, 22);
  EXPECT_EQ(cm->left(&plain), os->gp(4));
  EXPECT_EQ(cm->left(&other), os->gp(4));
  EXPECT_EQ(cm->left(&captioned),
            os->gp(4) + fontman->TextWidth(fontman->getFontName(os->fontname()), os->fontsize(), "Height") + os->gp(4));
  TBitmap bm;
  bm.SetSize(400, 60);
  bm.Canvas().Brush.Color = clWhite;
  bm.Canvas().FillRect(Rect(0, 0, 400, 60));
  bm.Canvas().Font.setName(os->fontname());
  bm.Canvas().Font.setSize(os->fontsize());
  cm->paint(&form, bm.Canvas());
  auto inked = [&](int x0, int x1) {
    int n = 0;
    for (int y = 20; y < 42; ++y)
      for (int x = x0; x < x1; ++x) n += bm.Canvas().Pixels(x, y) != clWhite;
    return n;
  };
  EXPECT_GT(inked(80, 150), 0);   // "Height" left of the field
  EXPECT_GT(inked(250, 400), 0);  // the unit name right of it
  EXPECT_EQ(inked(0, 60), 0);
}

TEST_F(ControlManTest, BadgeFadesInItsOwnWindowWhileTimersTick) {
  TForm main;
  main.SetBounds(0, 0, 800, 600);
  main.Show();
  std::vector<uint32_t> ticks;
  TTimer timer;
  timer.SetInterval(100);
  timer.SetOnTimer([&](TTimer*) { ticks.push_back(desktop().now()); });
  const uint32_t start = desktop().now();
  TdoneBadge badge(true, 0x00B400);
  EXPECT_EQ(badge.BoundsRect(), Bounds(960, 520, 140, 140));  // its corner at the work area's centre
  EXPECT_EQ(badge.word(), "DONE");
  EXPECT_EQ(badge.wordSize(), os->fontsize(15));
  bool seenHalfway = false;
  TTimer probe;
  probe.SetInterval(1000);
  probe.SetOnTimer([&](TTimer* t) {
    t->SetEnabled(false);
    seenHalfway = badge.Visible() && !badge.finished();
    // Halfway the frame lies between the badge and the screen it covers.
    EXPECT_NE(badge.frame().Canvas().Pixels(70, 70), badge.badge().Canvas().Pixels(70, 70));
  });
  badge.run();
  const uint32_t took = desktop().now() - start;
  EXPECT_TRUE(seenHalfway);
  EXPECT_TRUE(badge.finished());
  EXPECT_FALSE(badge.Visible());
  EXPECT_GE(took, 1400u);
  EXPECT_LE(took, 1600u);
  ASSERT_GE(ticks.size(), 13u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_LE(ticks[i] - ticks[i - 1], 150u);
  TdoneBadge failed(false, 0x0000C0);
  EXPECT_EQ(failed.word(), "FAILED");
}

// The badge's ink box in a band of rows, inside the disc's rim: pixels that pass the test.
TRect inkBox(const TBitmap& bm, int top, int bottom, const std::function<bool(TColor)>& is) {
  TRect box = Rect(1000, 1000, -1000, -1000);
  auto& cv = const_cast<TBitmap&>(bm).Canvas();
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < TdoneBadge::kSize; ++x) {
      const double dx = x + 0.5 - 70, dy = y + 0.5 - 70;
      if (dx * dx + dy * dy > 64 * 64 || !is(cv.Pixels(x, y))) continue;
      box = Rect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1));
    }
  return box;
}

// FAILED on red: the black outlines lie on the white word and cross (a 1-pixel pen round the
// glyphs), not half a word to the right of them. The word's own box comes from the same badge
// drawn without outlines (on the done green).
TEST_F(ControlManTest, FailedBadgeOutlinesLieOnTheirGlyphs) {
  // On the green any red in a pixel is the white ink, edges included.
  auto white = [](TColor c) { return GetRValue(c) > 60; };
  auto black = [](TColor c) { return GetRValue(c) < 60 && GetGValue(c) < 60 && GetBValue(c) < 60; };
  TdoneBadge plain(false, 0x00B400);
  TdoneBadge outlined(false, 0x0000C0);
  struct Band {
    const char* id;
    int top, bottom;
  };
  for (const Band& b : {Band{"word", 104, 125}, Band{"cross", 10, 103}}) {
    SCOPED_TRACE(b.id);
    const TRect word = inkBox(plain.badge(), b.top, b.bottom, white);
    const TRect line = inkBox(outlined.badge(), b.top, b.bottom, black);
    ASSERT_GT(word.width(), 10);
    EXPECT_NEAR(line.Left, word.Left, 1) << "outline box " << line.Left << ".." << line.Right << ", glyphs " << word.Left << ".." << word.Right;
    EXPECT_NEAR(line.Right, word.Right, 1);
    EXPECT_NEAR(line.Top, word.Top, 1);
    EXPECT_NEAR(line.Bottom, word.Bottom, 1);
  }
}

}  // namespace
