// What reaches the screen (our own Xvfb, read back with xwd or from X), bare and under a window
// manager: the DONE/FAILED badge is round with its outlines on its glyphs, a memo's corner between
// its bars is the dialog colour, text in scripts the face lacks shows no missing-glyph boxes, and a
// button's hint goes when a dialog opens over the button.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "tests/ui/xvfb_screens.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_controlMan.h"
#include "ui/r_edit.h"
#include "ui/r_edit2.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;
using testenv::pollUntil;

class ScreenOnXvfb : public testenv::OnBothDesktops {
 protected:
  // The screen now, once the condition on it holds (false when it never does).
  bool screenWhen(testenv::Shot& shot, const std::function<bool(const testenv::Shot&)>& ok) {
    return pollUntil(8000, [&] {
      shot = testenv::grabScreen(display(), "screen.xwd");
      return shot.width > 0 && ok(shot);
    });
  }
  static uint32_t rgb(TColor c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); }
};

// Ink boxes inside the disc's rim (64 of its 70 pixels), in a band of rows.
TRect inkBox(int top, int bottom, const std::function<bool(int x, int y)>& is) {
  TRect box = Rect(1000, 1000, -1000, -1000);
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < TdoneBadge::kSize; ++x) {
      const double dx = x + 0.5 - 70, dy = y + 0.5 - 70;
      if (dx * dx + dy * dy > 64 * 64 || !is(x, y)) continue;
      box = Rect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1));
    }
  return box;
}

// The FAILED badge on the screen: round (what lies beyond the disc is the form below, no frame),
// with the black outline of its word and cross within a pixel of the glyphs.
TEST_P(ScreenOnXvfb, FailedBadgeIsRoundWithItsOutlinesOnItsGlyphs) {
  constexpr TColor kGreen = 0x00FF00;
  TForm form;
  form.Color = kGreen;
  form.SetBounds(0, 0, 1024, 768);
  ASSERT_TRUE(showFocused(form));
  TSurface shown;
  TRect at;
  std::thread reader;
  // The screen is read by another thread while the badge stands still (its first half second).
  auto look = std::make_shared<uintptr_t>(0);
  *look = desktop().setTimer(250, [&, look] {
    desktop().killTimer(0, *look);
    reader = std::thread([&] { x11::grabScreen(at, shown); });
  });
  {
    TdoneBadge badge(false, 0x0000C0);
    at = badge.BoundsRect();
    badge.run();
  }
  if (reader.joinable()) reader.join();
  ASSERT_EQ(shown.width(), TdoneBadge::kSize);
  const int k = TdoneBadge::kSize - 1;
  for (TPoint corner : {TPoint{1, 1}, TPoint{k - 1, 1}, TPoint{1, k - 1}, TPoint{k - 1, k - 1}}) {
    SCOPED_TRACE(std::to_string(corner.X) + "," + std::to_string(corner.Y));
    EXPECT_EQ(shown.pixel(corner.X, corner.Y), kGreen) << "a frame around the round badge";
  }
  EXPECT_NE(shown.pixel(70, 60), kGreen);
  // The glyphs' own box: the same badge drawn without outlines (on the done green), where the
  // white ink is all of it.
  TdoneBadge plain(false, 0x00B400);
  auto& pc = const_cast<TBitmap&>(plain.badge()).Canvas();
  for (const auto& [id, top, bottom] : {std::tuple{"word", 104, 125}, std::tuple{"cross", 10, 103}}) {
    SCOPED_TRACE(id);
    const TRect glyphs = inkBox(top, bottom, [&](int x, int y) { return GetRValue(pc.Pixels(x, y)) > 60; });
    const TRect outline = inkBox(top, bottom, [&](int x, int y) {
      const TColor c = shown.pixel(x, y);
      return GetRValue(c) < 60 && GetGValue(c) < 60 && GetBValue(c) < 60;
    });
    EXPECT_NEAR(outline.Left, glyphs.Left, 1);
    EXPECT_NEAR(outline.Right, glyphs.Right, 1);
    EXPECT_NEAR(outline.Top, glyphs.Top, 1);
    EXPECT_NEAR(outline.Bottom, glyphs.Bottom, 1);
  }
}

// A memo with both scroll bars: the square where they meet is the dialog colour.
TEST_P(ScreenOnXvfb, MemoCornerBetweenItsBarsIsTheDialogColour) {
  TForm form;
  form.Color = 0x00FF00;
  form.SetBounds(30, 30, 400, 300);
  Tmemo memo(&form);
  memo.SetBounds(20, 20, 250, 150);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "a line long enough to need the horizontal bar of the memo, number " + std::to_string(i) + "\n";
  memo.setText(text);
  memo.setVerticalScroll(true);
  memo.setHorizontalScroll(true);
  ASSERT_TRUE(showFocused(form));
  const TPoint corner = memo.ClientToScreen(TPoint{memo.Width() - 17, memo.Height() - 17});
  const uint32_t want = rgb(static_cast<TColor>(dlgColour));
  testenv::Shot shot;
  EXPECT_TRUE(screenWhen(shot, [&](const testenv::Shot& s) {
    for (int y = corner.Y; y < corner.Y + 16; ++y)
      for (int x = corner.X; x < corner.X + 16; ++x)
        if (s.at(x, y) != want) return false;
    return true;
  })) << std::hex << "corner shows " << (shot.width ? shot.at(corner.X + 8, corner.Y + 8) : 0u) << ", not " << want;
}

// Place names in Japanese, German and Arabic in the program's face: each character's cell differs
// from the face's missing-glyph box drawn beside them, and has ink.
class TnameBoard : public TForm {
 public:
  static constexpr int kSize = -22;  // pixels per em
  std::string text = "\xE6\x9D\xB1\xE4\xBA\xAC Z\xC3\xBCrich \xD8\xA7\xD9\x84\xD9\x82\xD8\xA7\xD9\x87\xD8\xB1\xD8\xA9";
  const std::string box = "\xEF\xB7\x90";  // U+FDD0: no face holds it
 protected:
  void Paint() override {
    TCanvas& cv = Canvas();
    cv.Brush.Color = clWhite;
    cv.FillRect(ClientRect());
    cv.Font.setName("DejaVu Sans");
    cv.Font.setHeight(kSize);
    cv.Font.Color = 0;
    cv.Handle()->setBkMode(BkMode::Transparent);
    cv.Handle()->setTextAlign(TA_LEFT | TA_TOP);
    cv.TextOut(20, 20, text);
    cv.TextOut(20, 80, box);
  }
};

TEST_P(ScreenOnXvfb, TextInScriptsTheFaceLacksShowsNoMissingGlyphBoxes) {
  if (!isFaceListed("Noto Sans CJK JP")) GTEST_SKIP() << "the packaged CJK face is missing (scripts/setup.sh --tests)";
  TnameBoard board;
  board.SetBounds(50, 50, 600, 140);
  ASSERT_TRUE(showFocused(board));
  TBitmap measure;
  measure.SetSize(1, 1);
  TCanvas& mc = measure.Canvas();
  mc.Font.setName("DejaVu Sans");
  mc.Font.setHeight(TnameBoard::kSize);
  const int rowHeight = mc.TextHeight("Ay");
  const int boxWidth = mc.TextWidth(board.box);
  const TPoint origin = board.ClientToScreen(TPoint{20, 20}), boxAt = board.ClientToScreen(TPoint{20, 80});
  testenv::Shot shot;
  auto cell = [&](TPoint at, int width) {
    std::vector<uint32_t> px;
    for (int y = at.Y; y < at.Y + rowHeight; ++y)
      for (int x = at.X; x < at.X + width; ++x) px.push_back(shot.at(x, y));
    return px;
  };
  auto inked = [](const std::vector<uint32_t>& px) {
    return std::any_of(px.begin(), px.end(), [](uint32_t p) { return (p & 0xFF) < 128; });
  };
  ASSERT_TRUE(screenWhen(shot, [&](const testenv::Shot&) { return inked(cell(boxAt, boxWidth)); }));
  const std::vector<uint32_t> missing = cell(boxAt, boxWidth);
  std::string before;
  for (char32_t c : toUtf32(board.text)) {
    const std::string ch = fromCodePoint(c);
    const int x = mc.TextWidth(before), w = mc.TextWidth(ch);
    before += ch;
    if (c == U' ') continue;
    SCOPED_TRACE(int(c));
    const std::vector<uint32_t> got = cell(TPoint{origin.X + x, origin.Y}, w);
    EXPECT_TRUE(w != boxWidth || got != missing) << "drawn as the missing-glyph box";
    EXPECT_TRUE(inked(got)) << "no ink";
  }
}

// A button's hint goes when a dialog opens over the button (here from the keyboard, the pointer
// resting on the part of the button the dialog leaves free), and does not come back while the
// dialog is open.
TEST_P(ScreenOnXvfb, AButtonsHintClosesWhenADialogOpensOverIt) {
  Application().HintPause = 100;
  TForm form;
  form.SetBounds(40, 40, 500, 400);
  Tbutton button(&form);
  button.setCaption("Export");
  button.SetBounds(100, 100, 160, 24);
  button.Hint = "Export the locations";
  button.ShowHint = true;
  Tedit content(&form);
  content.Hide();
  content.SetBounds(0, 0, 100, 40);
  TQYdlg dlg(&form);
  bool hintDuringDialog = false, hintGone = false;
  int result = -1;
  const TPoint b = button.ClientToScreen(TPoint{0, 0});
  button.onClick = [&](TQYbutton*) { result = dlg.showModal(Rect(b.X - 20, b.Y - 30, b.X - 20, b.Y - 30), &content); };
  ASSERT_TRUE(showFocused(form));
  desktop().setFocus(button.Handle());
  moveTo(TPoint{b.X + 150, b.Y + 12});
  ASSERT_TRUE(pollUntil(5000, [] { return Application().hintWindow() && Application().hintWindow()->Visible(); }));
  auto hintShown = [] { return Application().hintWindow() && Application().hintWindow()->Visible(); };
  testenv::when([&] { return dlg.modal(); }, [&] {
    ASSERT_FALSE(dlg.BoundsRect().intersected(Bounds(b.X, b.Y, button.Width(), button.Height())).isEmpty()) << "the dialog covers the button";
    ASSERT_FALSE(dlg.BoundsRect().contains(desktop().cursorPos())) << "the pointer rests outside the dialog";
    hintGone = !hintShown();
    const uint32_t opened = desktop().now();
    // Several of the hint's pauses, looking all the while; then Escape.
    testenv::when([&, opened] {
      hintDuringDialog = hintDuringDialog || hintShown();
      return desktop().now() - opened > 600;
    }, [&] { keys("Escape"); });
  });
  keys("space");
  EXPECT_TRUE(pollUntil(15000, [&] { return result != -1; }));
  EXPECT_EQ(result, mrCancel);
  EXPECT_TRUE(hintGone);
  EXPECT_FALSE(hintDuringDialog);
}

INSTANTIATE_TEST_SUITE_P(, ScreenOnXvfb, ::testing::Values(false, true), testenv::desktopName);

}  // namespace
