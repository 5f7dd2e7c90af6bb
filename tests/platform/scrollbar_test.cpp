// The scroll bar on the headless desktop: arrows, page steps that repeat while held and stop
// under the pointer, thumb dragging, the wheel, and positions kept within range and page.
#include <gtest/gtest.h>

#include "platform/controls.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class ScrollBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    hb = b.get();
    resetDesktop(std::move(b));
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 200, 300);
    form->Show();
    bar = std::make_unique<TScrollBar>(form.get());
    bar->SetBounds(0, 0, 17, 217);  // arrows of 17, a track of 183
    bar->SetParams(0, 99, 10);
    bar->OnChange = [this](TScrollBar*) { ++changes; };
  }
  void at(TInputEvent::Kind k, int x, int y, uint32_t tick = 0) {
    TInputEvent e;
    e.kind = k;
    e.form = form->Handle();
    e.pos = {x, y};
    if (tick) hb->injectAt(tick, e);
    else hb->inject(e);
  }
  void runFor(uint32_t ms) {
    const uint32_t end = desktop().now() + ms;
    while (static_cast<int32_t>(end - desktop().now()) > 0)
      if (!desktop().processOne()) desktop().idle(end - desktop().now());
    desktop().processMessages();
  }
  THeadlessBackend* hb = nullptr;
  std::unique_ptr<TForm> form;
  std::unique_ptr<TScrollBar> bar;
  int changes = 0;
};

TEST_F(ScrollBarTest, PositionsStayWithinRangeLessThePage) {
  EXPECT_EQ(bar->maxPosition(), 90);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 90);
  bar->SetPosition(-3);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetParams(0, 5, 50);  // a page larger than the range
  EXPECT_EQ(bar->maxPosition(), 0);
  EXPECT_EQ(changes, 0);  // code fires nothing
}

TEST_F(ScrollBarTest, ArrowsStepAndRepeatWhileHeld) {
  at(TInputEvent::ButtonDown, 8, 210);
  desktop().processMessages();
  EXPECT_EQ(bar->Position(), 1);
  at(TInputEvent::ButtonUp, 8, 210, desktop().now() + 500);
  runFor(600);
  // 350 ms first pause, then every 50 ms: ticks at 350, 400, 450, 500 (the release comes then)
  EXPECT_GE(bar->Position(), 4);
  EXPECT_LE(bar->Position(), 5);
  const int held = bar->Position();
  runFor(500);
  EXPECT_EQ(bar->Position(), held);
  at(TInputEvent::ButtonDown, 8, 5);
  at(TInputEvent::ButtonUp, 8, 5);
  desktop().processMessages();
  EXPECT_EQ(bar->Position(), held - 1);
  EXPECT_EQ(changes, held + 1);
}

TEST_F(ScrollBarTest, TrackPagesStopUnderThePointerAndThumbDrags) {
  // Held low on the track: pages down until the thumb reaches the pointer, then stays.
  at(TInputEvent::ButtonDown, 8, 190);
  at(TInputEvent::ButtonUp, 8, 190, desktop().now() + 2000);
  runFor(2100);
  const TRect t = bar->thumbRect();
  EXPECT_TRUE(t.Top <= 190 && 190 < t.Bottom) << t.Top << ".." << t.Bottom;
  EXPECT_EQ(bar->Position(), 90);  // nine pages of ten
  // Dragging the thumb to the end of the track gives the last position.
  bar->SetPosition(0);
  const TRect t0 = bar->thumbRect();
  at(TInputEvent::ButtonDown, 8, t0.Top + 2);
  at(TInputEvent::MouseMove, 8, 250);
  at(TInputEvent::ButtonUp, 8, 250);
  desktop().processMessages();
  EXPECT_EQ(bar->Position(), 90);
  EXPECT_EQ(bar->thumbRect().Bottom, 200);
}

TEST_F(ScrollBarTest, WheelMovesThreeStepsANotch) {
  bar->SetPosition(50);
  bar->wheel(-120);
  EXPECT_EQ(bar->Position(), 53);
  bar->wheel(240);
  EXPECT_EQ(bar->Position(), 47);
  EXPECT_EQ(changes, 2);
}

}  // namespace
