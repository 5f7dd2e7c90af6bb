// Desktop scaling on the headless backend: the scale a DPI gives, and a form drawn at 96 DPI that
// reaches the desktop enlarged, with its displays, bounds and input in its own pixels.
#include "platform/scaling.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/windows.h"

namespace {
using namespace platform;

TEST(DesktopScaling, ScaleIsTheDpiOver96InQuarterStepsAndAtLeastOne) {
  const struct {
    double dpi, scale;
  } cases[] = {{96, 1},    {100, 1},  {72, 1},     {0, 1},      {-5, 1},  {120, 1.25},
               {144, 1.5}, {192, 2},  {108, 1},    {110, 1.25}, {288, 3}, {std::numeric_limits<double>::quiet_NaN(), 1}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_DOUBLE_EQ(scaleForDpi(c.dpi), c.scale);
  }
}

// Two colours side by side, split at column `split` of the form's own pixels.
class Halves : public TWindowProc {
 public:
  LRESULT windowProc(TMsg& m) override {
    if (m.message == WM_LBUTTONDOWN) clicks.push_back({GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)});
    return 0;
  }
  void paintWindow(TDeviceContext& dc) override {
    dc.fillRect(Rect(0, 0, split, 1000), solidBrush(RGB(255, 0, 0)));
    dc.fillRect(Rect(split, 0, 1000, 1000), solidBrush(RGB(0, 0, 255)));
  }
  int split = 7;
  std::vector<TPoint> clicks;
};

TEST(DesktopScaling, AFormIsDrawnInItsOwnPixelsAndShownTwiceAsLarge) {
  auto inner = std::make_unique<THeadlessBackend>();
  THeadlessBackend* hb = inner.get();
  hb->setDisplays({TDisplay{"one", Rect(0, 0, 3840, 2160), Rect(0, 0, 3840, 2100), 3840, 2160, 600, 340, true}});
  hb->setLogicalDpi(192);
  {
    auto scaled = scaledBackend(std::move(inner), 2);
    EXPECT_DOUBLE_EQ(presentationScale(), 2);
    TDesktop& d = resetDesktop(std::move(scaled));
    // The program sees the desktop at 96 DPI and half its size.
    EXPECT_EQ(d.backend().logicalDpi(), 96);
    const std::vector<TDisplay> shown = d.backend().displays();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].box, Rect(0, 0, 1920, 1080));
    EXPECT_EQ(shown[0].workArea, Rect(0, 0, 1920, 1050));

    Halves p;
    const HWND f = d.createWindow({0, Bounds(10, 20, 16, 5), WS_VISIBLE, "form", "", &p});
    d.processMessages();
    const TSurface* screen = hb->screen(f);
    ASSERT_TRUE(screen);
    ASSERT_EQ(screen->width(), 32);
    ASSERT_EQ(screen->height(), 10);
    // Every pixel of the form as a 2 × 2 block: the split falls between desktop columns 13 and 14.
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 32; ++x) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(screen->pixel(x, y), x < 14 ? RGB(255, 0, 0) : RGB(0, 0, 255));
      }
    // A press at desktop pixel (15, 3) is form pixel (7, 1): the blue half, as drawn there.
    TInputEvent e;
    e.kind = TInputEvent::ButtonDown;
    e.form = f;
    e.pos = {15, 3};
    hb->inject(e);
    d.processMessages();
    ASSERT_EQ(p.clicks.size(), 1u);
    EXPECT_EQ(p.clicks[0], (TPoint{7, 1}));
    // Only what changed goes out again, enlarged.
    p.split = 3;
    const int before = hb->presentCount();
    const TRect part = Rect(2, 0, 4, 5);
    d.invalidate(f, &part);
    d.processMessages();
    EXPECT_EQ(hb->presentCount(), before + 1);
    EXPECT_EQ(screen->pixel(5, 0), RGB(255, 0, 0));
    EXPECT_EQ(screen->pixel(6, 9), RGB(0, 0, 255));
    EXPECT_EQ(screen->pixel(13, 0), RGB(255, 0, 0)) << "outside the dirty part: as before";
    // Calls without pixels reach the desktop as they are: the keyboard focus handed on at a close.
    d.backend().passFocus(f, 0);
    ASSERT_FALSE(hb->passedFocus().empty());
    EXPECT_EQ(hb->passedFocus().back(), (std::pair<HWND, HWND>{f, 0}));
    d.destroyWindow(f);
    resetDesktop(std::make_unique<THeadlessBackend>());
  }
  EXPECT_DOUBLE_EQ(presentationScale(), 1);
}

TEST(DesktopScaling, AScaleOfOneLeavesTheBackendAsItIs) {
  auto inner = std::make_unique<THeadlessBackend>();
  TBackend* raw = inner.get();
  EXPECT_EQ(scaledBackend(std::move(inner), 1).get(), raw);
  EXPECT_DOUBLE_EQ(presentationScale(), 1);
}

}  // namespace
