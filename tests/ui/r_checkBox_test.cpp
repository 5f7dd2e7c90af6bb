// The check box on the headless desktop: the delayed click event, the marks in their state
// colours, the bracketed caption, the right-aligned layout and the prohibited hatch.
#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"

namespace {
using namespace platform;

// Small glyphs are smoothed: colours are compared loosely.
bool near(TColor a, TColor b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 48 && std::abs(GetGValue(a) - GetGValue(b)) < 48 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 48;
}
bool blueish(TColor c) { return GetBValue(c) > GetRValue(c) + 80 && GetBValue(c) > GetGValue(c) + 80; }
bool darkish(TColor c) { return GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110; }

class CheckBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    box = std::make_unique<TcheckBox>(form.get());
    box->SetBounds(10, 10, 200, 20);
  }
  void TearDown() override {
    box.reset();
    form.reset();
    freeOs();
  }
  // Runs the loop until the fake clock has moved ms on.
  void runFor(uint32_t ms) {
    const uint32_t end = desktop().now() + ms;
    while (static_cast<int32_t>(end - desktop().now()) > 0)
      if (!desktop().processOne()) desktop().idle(end - desktop().now());
    desktop().processMessages();
  }
  template <class F>
  int count(F&& test, TRect r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += test(box->bitmap().surface().pixel(x, y)) ? 1 : 0;
    return n;
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TcheckBox> box;
};

TEST_F(CheckBoxTest, AClickTogglesAtOnceAndReportsTwentyFiveMillisecondsLater) {
  std::vector<std::pair<bool, uint32_t>> fired;
  box->onClick = [&](TcheckBox* b) { fired.emplace_back(b->checked(), desktop().now()); };
  box->setChecked(true);  // from code: no event
  const uint32_t t0 = desktop().now();
  box->click();
  EXPECT_FALSE(box->checked());
  EXPECT_TRUE(fired.empty());
  runFor(10);
  box->click();  // a second quick click
  EXPECT_TRUE(box->checked());
  runFor(100);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].second - t0, 25u);
  EXPECT_EQ(fired[1].second - t0, 35u);
  // The box may go before its event: nothing runs then.
  box->click();
  box.reset();
  runFor(100);
  EXPECT_EQ(fired.size(), 2u);
}

TEST_F(CheckBoxTest, MarksAndTheirColours) {
  struct Case {
    const char* what;
    bool radio, various, checked, negative, enabled;
    int32_t fontcolour;
    char32_t mark;
    int32_t colour;  // -1: the caption's colour
  };
  const Case cases[] = {
      {"unchecked", false, false, false, false, true, 0, 0xA8, 0x0000A0},
      {"checked", false, false, true, false, true, 0, 0xFE, 0x008000},
      {"checked, negative", false, false, true, true, true, 0, 0xFD, 0x000080},
      {"various", false, true, true, false, true, 0, 0x6E, varColour},
      {"disabled", false, false, true, false, false, 0, 0xFE, 0xC0C0C0},
      {"white caption keeps the caption colour", false, false, true, false, true, 0xFFFFFF, 0xFE, -1},
      {"radio off", true, false, false, false, true, 0, 0xA1, 0x0000A0},
      {"radio on", true, false, true, false, true, 0, 0xA4, 0x008000},
      {"radio various", true, true, false, false, true, 0, 0xA5, varColour},
  };
  box->setCaption("");
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    box->asRadio = k.radio;
    box->negative = k.negative;
    box->fontcolour = k.fontcolour;
    box->setVarious(k.various);
    box->setEnabled(k.enabled);
    box->setChecked(k.checked);
    EXPECT_EQ(box->markChar(), k.mark);
    EXPECT_EQ(box->markColour(), k.colour);
    // The mark is painted in its colour in the mark area.
    const int32_t want = k.colour < 0 ? k.fontcolour : k.colour;
    if (k.colour >= 0) EXPECT_GE(count([&](TColor c) { return near(c, TColor(want)); }, Rect(0, 0, 20, 20)), 2);
  }
}

TEST_F(CheckBoxTest, CaptionRunsLayoutAndHatch) {
  box->setCaption("Sun [today]");
  const int x0 = static_cast<int>(Round(2.5 * box->fontsize));
  const TRect text = Rect(x0, 0, box->Width(), 20);
  const int split = x0 + 20;  // "Sun " is about 20 pixels wide
  EXPECT_GE(count(blueish, Rect(split, 0, box->Width(), 20)), 5) << "the bracketed tail in blue";
  EXPECT_EQ(count(blueish, Rect(x0, 0, split - 4, 20)), 0) << "the head is not";
  EXPECT_GE(count(darkish, Rect(x0, 0, split, 20)), 3) << "the head in the caption colour";
  box->setEnabled(false);
  EXPECT_EQ(count(blueish, text), 0) << "disabled: all silver";
  EXPECT_EQ(count(darkish, text), 0);
  box->setEnabled(true);
  EXPECT_EQ(box->Width(), box->NaturalWidth());

  // Right-aligned: the right edge stays when the caption grows.
  box->rightaligned = true;
  box->setCaption("A");
  const int right = box->Left() + box->Width();
  box->setCaption("A much longer caption");
  EXPECT_EQ(box->Left() + box->Width(), right);
  EXPECT_GT(box->Width(), 40);

  // An empty caption keeps the width.
  box->rightaligned = false;
  const int w = box->Width();
  box->setCaption("");
  EXPECT_EQ(box->Width(), w);

  box->setProhibit(true);
  EXPECT_FALSE(box->enabled());
  EXPECT_EQ(box->bitmap().surface().pixel(0, 0), TColor(0xA0A0FF));
  EXPECT_EQ(box->bitmap().surface().pixel(0, 3), TColor(0xA0A0FF));
}

}  // namespace
