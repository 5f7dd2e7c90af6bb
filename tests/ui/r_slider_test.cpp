// The slider: value and x both ways (linear and logarithmic), the degenerate ranges that must not
// divide by zero, steps, step boxes, the right-click popup, values above the range, and its pixels.
#include "ui/r_slider.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/os_drawing.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    s = std::make_unique<TsliderLite>(form.get());
    s->rightMargin = 40;
    s->SetBounds(10, 10, 248, 20);  // track 8..200: b = 184
  }
  void TearDown() override {
    s.reset();
    form.reset();
    freeOs();
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TsliderLite> s;
};

TEST_F(SliderTest, ValueAndXBothWays) {
  ASSERT_EQ(s->box, Rect(8, 1, 200, 19));
  const int b = 200 - 8 - 8;
  struct Case {
    bool log;
    double v;
    int x;
  };
  const Case cases[] = {
      {false, 0, 8},
      {false, 50, static_cast<int>(std::lround(b * 0.5 + 8))},
      {false, 100, b + 8},
      {true, 0, 8},
      {true, 100, b + 8},
      {true, 1, static_cast<int>(std::lround(8 + b * std::log(0.01 * 99 + 1) / std::log(100.0)))},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.v) + (k.log ? " log" : " linear"));
    s->logarithmic = k.log;
    EXPECT_EQ(s->valueToX(k.v), k.x);
  }
  s->logarithmic = false;
  // The pointer over the thumb's middle gives the thumb's value.
  EXPECT_NEAR(s->xToValue(s->valueToX(40) + 4), 40, 100.0 / b);
  s->logarithmic = true;
  EXPECT_NEAR(s->xToValue(s->valueToX(40)), 40, 2.0);
  EXPECT_EQ(s->xToValue(-50), 0);
  EXPECT_EQ(s->xToValue(5000), 100);
}

TEST_F(SliderTest, DegenerateRangesDrawTheThumbAtTheStart) {
  struct Case {
    const char* what;
    double min, max, step;
    int width;
    bool log;
    double set, kept;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"max equal to min", 5, 5, 1, 248, false, 5, 5},
      {"track no wider than the thumb", 0, 100, 1, 56, false, 30, 30},
      {"step 0", 0, 10, 0, 248, false, 3.3, 3.3},
      {"log with max below min draws linearly", 10, 1, 1, 248, true, 10, 1},
      {"NaN takes min", 2, 9, 1, 248, false, nan, 2},
      {"infinity takes min", 2, 9, 1, 248, false, inf, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    s->min = k.min;
    s->max = k.max;
    s->setStep(k.step);
    s->logarithmic = k.log;
    s->SetBounds(10, 10, k.width, 20);
    s->setPosition(k.set);
    EXPECT_EQ(s->position(), k.kept);
    if (!(k.max > k.min) || k.width < 60) EXPECT_EQ(s->thumb.Left, s->thumbW - 1);
    EXPECT_TRUE(std::isfinite(s->xToValue(30)));
  }
}

TEST_F(SliderTest, StepsUnitsAndValuesAboveTheRange) {
  s->setPosition(10);
  EXPECT_EQ(s->units, "%");
  s->setDecplaces(2);
  s->setPosition(3.14159);
  EXPECT_DOUBLE_EQ(s->position(), 3.14);
  s->setDecplaces(0);
  s->setStep(1);
  s->allowHigher = true;
  s->setPosition(250);
  EXPECT_EQ(s->position(), 250);
  EXPECT_EQ(s->thumb.Left, s->valueToX(100) - 1) << "drawn at the right end";
  s->setEnabled(false);
  s->setEnabled(true);
  EXPECT_EQ(s->position(), 250);
  s->allowHigher = false;

  int changes = 0;
  s->onChange = [&](TsliderLite*) { ++changes; };
  s->setPosition(0);
  s->mouseUp(mbLeft, 3, 10);  // the down box at min
  EXPECT_EQ(s->position(), 0);
  EXPECT_EQ(changes, 1);
  s->mouseUp(mbLeft, s->upBox.Left + 2, 10);
  EXPECT_EQ(s->position(), 1);
  EXPECT_EQ(changes, 2);

  int popups = 0;
  s->valuePopup = [&](TsliderLite*, TPoint, double& v) {
    ++popups;
    v = 42;
    return true;
  };
  s->mouseDown(mbRight, 100, 10);
  s->mouseUp(mbRight, 100, 10);
  EXPECT_EQ(popups, 1);
  EXPECT_FALSE(s->tracking()) << "a right click starts no drag";
  EXPECT_EQ(s->position(), 42);
  EXPECT_EQ(changes, 3);

  // A drag: tracked while moving, reported once at the release, the pointer kept in the track.
  int tracks = 0;
  s->onTrack = [&](TsliderLite*) { ++tracks; };
  s->mouseDown(mbLeft, 50, 10);
  EXPECT_TRUE(s->tracking());
  EXPECT_EQ(headless()->confined().first, form->Handle());
  s->mouseMove(120, 10);
  s->mouseUp(mbLeft, 120, 10);
  EXPECT_EQ(tracks, 1);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(headless()->confined().first, 0u);
}

TEST_F(SliderTest, FilledPartAndThumbPixels) {
  s->setPosition(50);
  const TSurface& px = s->bitmap().surface();
  const int x = s->valueToX(50);
  EXPECT_EQ(px.pixel(x / 2, 10), TColor(TosDrawing::FadeColour(0xEAC8AC, 0xFFFFFF, 70))) << "filled up to the thumb";
  EXPECT_EQ(px.pixel(x + 3, 10), TColor(0xEAC8AC)) << "the thumb";
  EXPECT_EQ(px.pixel(x - 1, 10), TColor(0)) << "its frame";
  EXPECT_EQ(px.pixel((x + 8 + 200) / 2, 10), clWhite) << "the empty track";
  s->setEnabled(false);
  EXPECT_EQ(px.pixel(x / 2, 10), TColor(0xDCDCDC));
  EXPECT_EQ(px.pixel(x + 3, 10), TColor(0xC0C0C0));
}

}  // namespace

namespace {

TEST(SplitterTest, DragReportsTheDistanceConfinesThePointerAndEndsOnce) {
  resetDesktop(std::make_unique<THeadlessBackend>());
  createOs();
  {
    TForm form;
    form.SetBounds(0, 0, 400, 300);
    form.Show();
    TVsplit v(&form);
    EXPECT_EQ(v.Width(), os->gp(4));
    EXPECT_EQ(v.Height(), 300);
    v.SetBounds(100, 0, 6, 300);
    const TRect range = Rect(50, 0, 350, 300);
    v.range = &range;
    std::vector<std::string> seen;
    v.onDrag = [&](TVsplit* s) { seen.push_back("drag " + std::to_string(s->dx())); };
    v.onDragged = [&](TVsplit* s) { seen.push_back("dragged " + std::to_string(s->dx())); };
    v.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
    v.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-28, 10));
    EXPECT_EQ(headless()->confined().first, form.Handle());
    EXPECT_EQ(headless()->confined().second, range);
    v.Perform(WM_LBUTTONUP, 0, MAKELPARAM(-28, 10));
    v.Perform(WM_LBUTTONUP, 0, MAKELPARAM(-28, 10));  // no second end
    EXPECT_EQ(seen, (std::vector<std::string>{"drag 0", "drag -30", "drag -30", "dragged -30"}));
    EXPECT_EQ(headless()->confined().first, 0u);
    // Painted: the face, the three darker lines at the right edge and the bottom row.
    desktop().update(form.Handle());
    const TSurface* scr = headless()->screen(form.Handle());
    ASSERT_NE(scr, nullptr);
    auto rgb = [](int32_t c) { return static_cast<TColor>(c); };
    EXPECT_EQ(scr->pixel(102, 10), rgb(0xDCDCDC));
    EXPECT_EQ(scr->pixel(105, 10), rgb(TosDrawing::FadeColour(0xDCDCDC, 0, 25)));
    EXPECT_EQ(scr->pixel(101, 299), rgb(TosDrawing::FadeColour(0xDCDCDC, 0, 25)));
  }
  freeOs();
}

}  // namespace
