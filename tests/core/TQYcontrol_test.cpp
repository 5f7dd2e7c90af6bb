// The owner-drawn control base and the hint window on the headless desktop: the background
// around visible children, progress in a sub-range, the error trail, and hint sizes.
#include "core/TQYcontrol.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/text_seams.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

class Tpick : public TQYcontrol {
 public:
  using TQYcontrol::TQYcontrol;
  const char* unitName() const override { return "r_pick"; }
};

class Controls : public testenv::HeadlessOsTest {
 protected:
  void TearDown() override {
    textSeam::extentHook = nullptr;
    HeadlessOsTest::TearDown();
  }
};

TEST_F(Controls, BackgroundFillsAroundVisibleChildrenOnly) {
  TForm form;
  form.SetBounds(0, 0, 40, 20);
  form.Color = RGB(0, 0, 0);
  form.Show();
  TQYcontrol panel(&form);
  panel.SetBounds(0, 0, 40, 20);
  panel.withBackground = true;
  panel.colour = RGB(255, 0, 0);
  // A child that paints nothing of its own: what shows there is what its parent left.
  TQYcontrol child(&panel);
  child.SetBounds(10, 5, 10, 10);
  form.Update();
  TSurface const* s = hb->screen(form.Handle());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->pixel(0, 0), RGB(255, 0, 0));
  EXPECT_NE(s->pixel(12, 7), RGB(255, 0, 0));
  child.Hide();
  form.Update();
  EXPECT_EQ(s->pixel(12, 7), RGB(255, 0, 0));
  int posts = 0;
  panel.onPostPaint = [&](TQYcontrol*) { ++posts; };
  panel.Repaint();
  EXPECT_EQ(posts, 1);
}

TEST_F(Controls, PercentIsMappedIntoTheSubRange) {
  TQYcontrol c;
  int fired = 0;
  c.onPercent = [&](TQYcontrol*) { ++fired; };
  c.setPercent(50);
  EXPECT_EQ(c.percent(), 50);
  c.startPc = 20;
  c.finishPC = 60;
  c.setPercent(50);
  EXPECT_EQ(c.percent(), 40);
  EXPECT_EQ(fired, 2);
}

TEST_F(Controls, ErrorTrailCarriesModuleAndClassWithoutAProcedure) {
  Tpick p;
  p.seterr("a");
  EXPECT_EQ(p.err(), "r_pick.Tpick.a");
  EXPECT_EQ(os->lasterr, "r_pick.Tpick.a");
  {
    TcontrolScope scope(p, "load");
    EXPECT_EQ(p.procname(), "r_pick.Tpick.load");
    p.seterr("b");
    EXPECT_EQ(p.err(), "b");
    EXPECT_EQ(os->trail(), "r_pick.Tpick.load [b]]") << "a control's entry closes with two brackets";
  }
  p.extraLogging = true;
  p.seterr("c");
  p.setproc("");
  EXPECT_FALSE(p.extraLogging);
  EXPECT_EQ(p.err(), "");
}

TEST_F(Controls, TakeMousePassesAClickWithoutHandlers) {
  TForm form;
  form.Show();
  TQYcontrol c(&form);
  int clicks = 0;
  c.OnClick = [&](TWinControl*) { ++clicks; };
  c.takeMouse();
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(c.OnClick);
  EXPECT_EQ(desktop().capture(), 0u);
}

TEST_F(Controls, HintWindowSizesToItsText) {
  textSeam::extentHook = [](std::string const&, int, std::string const& t) {
    return t.empty() ? TSize{0, 0} : TSize{14, 15};
  };
  TQYhintWindow h;
  h.setcaption("");
  EXPECT_EQ(h.Width(), 1);
  EXPECT_EQ(h.Height(), 1);
  h.setcaption("Hi");
  EXPECT_EQ(h.Width(), 23);
  EXPECT_EQ(h.Height(), 17);
  // Shown: borderless, on top, pale yellow inside a grey frame.
  h.ActivateHint(Bounds(30, 40, 10, 10), "Hi");
  EXPECT_EQ(desktop().style(h.Handle()) & WS_BORDER, 0u);
  EXPECT_NE(desktop().style(h.Handle()) & WS_EX_TOPMOST, 0u);
  h.Update();
  TSurface const* s = hb->screen(h.Handle());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->pixel(0, 0), 0x808080u);
  EXPECT_EQ(s->pixel(21, 8), 0xDCFFFFu);  // right of the text
}

TEST_F(Controls, HintsShowAfterThePauseOverAControlWithAHint) {
  TForm form;
  form.SetBounds(0, 0, 100, 100);
  form.Show();
  TQYcontrol c(&form);
  c.SetBounds(10, 10, 50, 50);
  c.Hint = "a tip";
  c.ShowHint = true;
  TInputEvent e;
  e.kind = TInputEvent::MouseMove;
  e.form = form.Handle();
  e.pos = {20, 20};
  hb->inject(e);
  Application().ProcessMessages();
  EXPECT_TRUE(!Application().hintWindow() || !Application().hintWindow()->Visible());
  desktop().waitMessage(600);
  Application().ProcessMessages();
  auto* hint = dynamic_cast<TQYhintWindow*>(Application().hintWindow());
  ASSERT_TRUE(hint);  // the library's own hint window class
  EXPECT_TRUE(hint->Visible());
  EXPECT_EQ(hint->caption(), "a tip");
  EXPECT_EQ(Application().lastHintInfo().ReshowTimeout, 50);
  desktop().waitMessage(Application().HintHidePause);
  Application().ProcessMessages();
  EXPECT_FALSE(hint->Visible());  // gone after its time-out
}
}  // namespace

// os relays a worker's progress into its own range: a control's goes to os's percent and both
// handlers hear it; another worker's is mapped in place.
TEST_F(Controls, RelayedProgressOfAControlAndOfAWorker) {
  std::vector<std::string> heard;
  os->minPercent = 20;
  os->maxPercent = 60;
  os->onPercent = [&](TqyObject* s) {
    heard.push_back(std::string(s == os ? "os " : "worker ") + std::to_string(s->percent()));
  };
  TForm form;
  TQYcontrol bar(&form);
  bar.setPercent(50);
  bar.onPercent = [&](TQYcontrol* c) { heard.push_back("control " + std::to_string(c->percent())); };
  os->doPercent(&bar);
  EXPECT_EQ(os->percent(), 40);
  EXPECT_EQ(bar.percent(), 50);  // the control keeps its own value
  // Setting os's percent fires its handler once, the relay once more, then the control's.
  EXPECT_EQ(heard, (std::vector<std::string>{"os 40", "os 40", "control 50"}));

  TqyObject worker;
  worker.setpercent(25);
  heard.clear();
  os->doPercent(&worker);
  EXPECT_EQ(worker.percent(), 30);
  // Without a handler of its own the worker passes its mapped value on to os.
  EXPECT_EQ(heard, (std::vector<std::string>{"os 30", "worker 30"}));

  heard.clear();
  os->supressPercent = true;
  os->doPercent(&bar);
  os->doPercent(&worker);
  EXPECT_TRUE(heard.empty());
}
