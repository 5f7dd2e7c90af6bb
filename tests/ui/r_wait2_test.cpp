// The busy window on the headless desktop: its sizes and place, the frames its painter records
// (caption centred, dots, the bar filled to the percentage, the sprite), the percentage steps that
// repaint, hiding and showing again, input that ends a gesture surviving a busy step, and the
// painter joined at shut-down. These tests also run under ThreadSanitizer (tests/tsan_busy.sh).
#include "ui/r_wait2.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/testenv.h"
#include "ui/r_baseForm.h"

namespace {
using namespace platform;

constexpr TColor kGround = TwaitFrame::kGround;
constexpr TColor kBar = TwaitFrame::kBar;

class BusyWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    hb = b.get();
    resetDesktop(std::move(b));
    createOs();
    waitFramePause = 2;  // frames come quickly; the tests wait for frames, never for time
    makeForm();
  }
  void makeForm() {
    form = std::make_unique<TbaseForm>();
    form->start();
    form->SetBounds(100, 80, 1280, 720);
  }
  void TearDown() override {
    desktop().hook = nullptr;
    waitShutDown();
    waitFramePause = 200;
    showAbort = false;
    form.reset();
    freeOs();
  }

  THeadlessThreadView& view() {
    auto* v = dynamic_cast<THeadlessThreadView*>(ww->view());
    EXPECT_NE(v, nullptr);
    return *v;
  }
  // A frame painted after the last change: the change held the painter and let it run again.
  TSurface settled() {
    const int n = ww->painter().frames();
    EXPECT_TRUE(ww->painter().waitFrames(n + 2, 5000)) << "the painter stopped painting";
    TSurface s;
    view().lastFrame(s);
    return s;
  }
  // The window's box in the form's client pixels.
  TRect boxInForm() {
    TDesktop& d = desktop();
    const TPoint p = d.screenToClient(form->Handle(), d.clientToScreen(ww->Handle(), {0, 0}));
    return Bounds(p.X, p.Y, ww->Width(), ww->Height());
  }

  THeadlessBackend* hb = nullptr;
  std::unique_ptr<TbaseForm> form;
};

int captionWidth(std::string const& text, int pixels) {
  TLogFont lf;
  lf.height = -pixels;
  lf.faceName = os->fontname();
  TDeviceContext dc;
  dc.selectFont(CreateFontIndirect(lf));
  return dc.textExtent(text).cx;
}

// Columns of the rows [top, bottom) holding ink (text is smoothed, so anything but the ground):
// first and last (-1 when none).
std::pair<int, int> inkColumns(TSurface const& s, int top, int bottom) {
  int first = -1, last = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) != kGround) {
        if (first < 0 || x < first) first = x;
        last = std::max(last, x);
      }
  return {first, last};
}

// The brightest red channel in the rows [top, bottom): text colours show in their fully covered pixels.
int brightest(TSurface const& s, int top, int bottom) {
  int m = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < s.width(); ++x) m = std::max(m, int(s.pixel(x, y) & 0xFF));
  return m;
}

// The end of the bar's light fill on its middle row.
int barFillEnd(TSurface const& s) {
  const TRect bar = TwaitFrame::barBox(s.width());
  int x = bar.Left;
  while (x < bar.Right && s.pixel(x, bar.Top + 7) == kBar) ++x;
  return x;
}

TEST_F(BusyWindow, CaptionOnlyWindowIsSizedToTheCaptionAndCentredOneThirdDown) {
  const std::string caption = "Windows discovering locations";
  wait(caption);
  ASSERT_NE(ww, nullptr);
  const int w = std::max(captionWidth(caption, 13) + 80, 200);
  EXPECT_EQ(ww->Width(), w);
  EXPECT_EQ(ww->Height(), 40);
  // Centred on the 1920 × 1080 screen, one third down, in the form's client pixels.
  const TPoint at = desktop().clientToScreen(ww->Handle(), {0, 0});
  EXPECT_EQ(at.X, (1920 - w) / 2);
  EXPECT_EQ(at.Y, (1080 - 40) / 3);
  EXPECT_TRUE(ww->running());
  EXPECT_TRUE(view().shown());
  EXPECT_EQ(view().bounds(), boxInForm());

  const TSurface f = settled();
  ASSERT_EQ(f.width(), w);
  ASSERT_EQ(f.height(), 40);
  EXPECT_EQ(f.pixel(0, 0), kGround);
  EXPECT_EQ(f.pixel(w - 1, 39), kGround);
  // The caption is centred (glyph ink, so within a few pixels) and its dots follow it on row 18.
  const auto [first, last] = inkColumns(f, 6, 18);
  ASSERT_GE(first, 0);
  EXPECT_NEAR((first + last) / 2.0, w / 2.0, 3.0);
  EXPECT_GT(brightest(f, 6, 18), 0xF0) << "white";
}

TEST_F(BusyWindow, TheDotsCountTheFrames) {
  wait("Counting");
  settled();
  // Two frames in a row differ in their dots: 0 to 9 after the caption.
  ww->painter().hold();
  TSurface a;
  view().lastFrame(a);
  ww->painter().release();
  const TSurface b = settled();
  ASSERT_EQ(a.width(), b.width());
  int differing = 0;
  for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, 18) != b.pixel(x, 18);
  EXPECT_GT(differing, 0);
}

TEST_F(BusyWindow, PercentageBarFillsToThePercentageAndOnlyWholeStepsRepaint) {
  wait("Finding files", 42.7);
  ASSERT_NE(ww, nullptr);
  EXPECT_GE(ww->Width(), 400);
  EXPECT_EQ(ww->Height(), 90);
  const TRect bar = TwaitFrame::barBox(ww->Width());
  auto fillFor = [&](double pc) { return bar.Left + static_cast<int>(std::nearbyint(bar.width() * pc / 100)); };

  TSurface f = settled();
  EXPECT_EQ(barFillEnd(f), fillFor(42.7));
  EXPECT_EQ(f.pixel(bar.Right - 1, bar.Top + 7), 0u) << "the rest of the bar is black";
  const auto [tl, tr] = inkColumns(f, 66, 90);
  EXPECT_GT(tr - tl, 10) << "the percentage text under the bar";

  struct Step {
    const char* id;
    double value;
    bool restarts;
    double painted;  // what the bar shows afterwards
  } steps[] = {
      {"same whole number", 42.9, false, 42.7},
      {"next whole number", 43.0, true, 43.0},
      {"above 100", 150, true, 100},
      {"negative: kept, no restart", -5, false, 100},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.id);
    EXPECT_EQ(ww->setpercent(s.value), s.restarts);
    EXPECT_TRUE(ww->running());
    f = settled();
    EXPECT_EQ(barFillEnd(f), fillFor(s.painted));
  }
  EXPECT_EQ(ww->percent(), -5);
  EXPECT_FALSE(view().presentedHidden());
}

TEST_F(BusyWindow, WindowThatGrowsForAPercentageIsPaintedWhole) {
  wait("Loading");
  EXPECT_EQ(ww->Height(), 40);
  settled();
  wait("Loading", 50.0);
  EXPECT_EQ(ww->Width(), 400);
  EXPECT_EQ(ww->Height(), 90);
  const TSurface f = settled();
  ASSERT_EQ(f.width(), 400);
  ASSERT_EQ(f.height(), 90);
  EXPECT_EQ(barFillEnd(f), 10 + 190);
  EXPECT_EQ(f.pixel(399, 89), kGround);
  EXPECT_EQ(view().bounds(), boxInForm());
}

TEST_F(BusyWindow, SubCaptionAndAbortTextInGrey) {
  struct Case {
    const char* id;
    const char* sub;
    bool abort;
  } cases[] = {{"sub-caption", "Reading the folder", false}, {"abort text", "", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    showAbort = c.abort;
    wait(std::string("Scanning ") + c.id, c.sub);
    EXPECT_EQ(ww->Height(), 48);
    const TSurface f = settled();
    const auto [first, last] = inkColumns(f, 24, 48);
    ASSERT_GE(first, 0) << "no sub-caption";
    EXPECT_NEAR(brightest(f, 24, 48), 0xDC, 0x10) << "grey, not white";
    EXPECT_NEAR((first + last) / 2.0, f.width() / 2.0, 3.0);
    waitHide();
  }
  // A new sub-caption while the window runs reaches the painter without a restart.
  wait("Scanning", "one");
  const auto narrow = inkColumns(settled(), 24, 48);
  wait("Scanning", "one, two and three");
  EXPECT_TRUE(ww->running());
  const auto wide = inkColumns(settled(), 24, 48);
  EXPECT_GT(wide.second - wide.first, narrow.second - narrow.first + 20);
}

TEST_F(BusyWindow, HideTwiceThenWaitShowsAPaintedWindowAgain) {
  wait("First");
  settled();
  wait("");
  EXPECT_FALSE(ww->running());
  EXPECT_FALSE(ww->Visible());
  EXPECT_FALSE(view().shown());
  waitHide();
  waitHide();
  EXPECT_TRUE(ww->painter().isHeld());
  const int frozen = ww->painter().frames();
  EXPECT_FALSE(ww->painter().waitFrames(frozen + 1, 50)) << "a held painter paints nothing";

  wait("Second");
  EXPECT_TRUE(ww->running());
  EXPECT_TRUE(ww->Visible());
  EXPECT_TRUE(view().shown());
  const TSurface f = settled();
  EXPECT_GE(inkColumns(f, 6, 18).first, 0);
  EXPECT_FALSE(view().presentedHidden()) << "a frame reached the hidden window";
}

TEST_F(BusyWindow, SpriteFramesFromTheBaseFolderOrThePlainBar) {
  const std::string dir = testenv::tempDir() + "base/";
  std::filesystem::create_directories(dir);
  os->setBaseDir(dir);
  for (int k = 1; k <= 5; ++k) {
    TrawBitmap24 bm;
    bm.setsize(6, 14);
    bm.fillAll(Tbgr{0, 0, 255});
    ASSERT_TRUE(bm.savetofile(dir + "mini" + std::to_string(k) + ".bmp"));
  }
  wait("Sprite", 50.0);
  TSurface f = settled();
  const TRect bar = TwaitFrame::barBox(400);
  const int pos = static_cast<int>(std::nearbyint((bar.width() + 6) * 50 / 100.0));
  EXPECT_EQ(f.pixel(bar.Left + pos - 1, bar.Top + 3), 0x0000FFu) << "the sprite's last column";
  EXPECT_EQ(f.pixel(bar.Left + pos - 7, bar.Top + 3), 0u) << "black before the sprite";
  waitShutDown();

  // One frame that is no 24-bit BMP: the set is ignored and the bar is plain.
  testenv::writeFile("base/mini3.bmp", "BM not a bitmap");
  wait("Plain", 50.0);
  f = settled();
  EXPECT_EQ(barFillEnd(f), bar.Left + 190);
}

TEST_F(BusyWindow, KeyAndMouseUpQueuedDuringABusyStepReachTheirControls) {
  form->Show();
  TWinControl keys(form.get()), button(form.get());
  keys.SetBounds(10, 100, 50, 20);
  button.SetBounds(100, 100, 50, 20);
  keys.Show();
  button.Show();
  (void)button.Handle();
  int keyUps = 0, mouseUps = 0;
  keys.OnKeyUp = [&](TWinControl*, int& key, TShiftState) { keyUps += key == 'A'; };
  button.OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) { ++mouseUps; };
  desktop().setFocus(keys.Handle());
  TInputEvent down;
  down.kind = TInputEvent::ButtonDown;
  down.form = form->Handle();
  down.pos = {110, 110};
  hb->inject(down);
  desktop().processMessages();
  ASSERT_EQ(desktop().capture(), button.Handle()) << "the press takes the capture";

  int userMessages = 0;
  desktop().hook = [&](TMsg& m, bool&) { userMessages += m.message == WM_USER; };
  wait("Busy", 0.0);
  // The busy step: input arrives while the interface thread only moves the percentage; the
  // painter meanwhile paints 200 frames, which post WM_USER twenty times.
  TInputEvent e;
  e.form = form->Handle();
  for (int i = 0; i < 5; ++i) {
    e.kind = TInputEvent::MouseMove;
    e.pos = {120 + i, 110};
    hb->inject(e);
  }
  e.kind = TInputEvent::ButtonUp;
  hb->inject(e);
  e.kind = TInputEvent::KeyUp;
  e.key = 'A';
  hb->inject(e);
  for (int i = 1; i <= 100; ++i) {
    ww->setpercent(i);
    ww->painter().waitFrames(2 * i, 5000);
  }
  EXPECT_GE(ww->painter().frames(), 200);
  waitHide();
  desktop().processMessages();
  EXPECT_GE(userMessages, 10);
  EXPECT_EQ(keyUps, 1);
  EXPECT_EQ(mouseUps, 1);
  EXPECT_EQ(desktop().capture(), 0u) << "the release ended the capture";
}

int threadCount() {
  int n = 0;
  for ([[maybe_unused]] auto const& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

// A joined thread can stay listed in /proc/self/task for a moment after the join returns (the
// kernel wakes the joiner before it reaps the task): wait for the count to come down.
int threadCountSettledTo(int expected) {
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(testenv::deadlineMs(2000));
  int n = threadCount();
  while (n != expected && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    n = threadCount();
  }
  return n;
}

TEST_F(BusyWindow, PainterIsJoinedAtShutDownAndFollowsANewMainForm) {
  const int before = threadCount();
  wait("Working");
  settled();
  EXPECT_EQ(threadCount(), before + 1);
  waitShutDown();
  EXPECT_EQ(ww, nullptr);
  EXPECT_EQ(threadCountSettledTo(before), before);

  // The form goes while the window stays: the next wait makes a window in the new form.
  wait("Working");
  form.reset();
  EXPECT_TRUE(supressWait());
  wait("Nobody to show it");  // nothing happens without a main form
  makeForm();
  wait("Again");
  ASSERT_NE(ww, nullptr);
  EXPECT_EQ(ww->Parent(), form.get());
  EXPECT_TRUE(ww->running());
  EXPECT_GE(inkColumns(settled(), 6, 18).first, 0);
  EXPECT_EQ(threadCount(), before + 1);
}

}  // namespace
